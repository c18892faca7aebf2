#pragma once
// Test hook: makes media fetches trust an extra CA certificate (PEM file), besides the system's
// store, e.g. the CA that issued a local test server's certificate. The program never calls it.
#include <string>

void media_client_trust_extra_ca_file(const std::string& path);
