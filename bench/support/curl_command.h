#pragma once
// The curl command-line tool, the reference the HTTP benchmarks measure against.
#include <string>
#include <vector>

// Runs `curl` with these arguments, ignoring any .curlrc and proxy settings, and waits for
// it; true when it exited with 0.
bool run_curl(const std::vector<std::string>& arguments);
