#pragma once
// Settings shared by every transfer of this layer: TLS validation against the system's store
// (plus a CA a test trusts), HTTP/1.1 at most, a large receive buffer, no proxy or other setting
// taken from the environment, and the redirect policy.
#include <curl/curl.h>

#include <string>

// Applies the settings to an easy handle; false when libcurl refused one.
// `follow_redirects`: at most 10, and never from https down to http.
bool apply_transfer_policy(CURL* handle, bool secure_origin, bool follow_redirects);

// Adds a CA certificate (PEM file) that transfers trust besides the system's store. For tests;
// the program never calls it.
void trust_extra_ca_file(std::string path);
