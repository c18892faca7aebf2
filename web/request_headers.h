#pragma once
// The header text web_access hands to the HTTP interface: the caller's extra lines, then
// each default line whose header the caller did not give.
#include "text/types.h"

// `cookies` is the caller's cookie string (empty when left out or empty: no Cookie line).
Text request_headers(const Text& extra_headers, const Text& cookies);
