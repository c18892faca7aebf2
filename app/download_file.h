#pragma once
// Fetches an address over HTTP or HTTPS with the program's one media client.
#include "text/types.h"

// The body of a successful (2xx) response, read to its end. Empty for an empty or unusable
// address, a failed connection, an error status and a body cut short, so that a failure is
// never mistaken for the media.
Bytes download_file(const Text& address);
