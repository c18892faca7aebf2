#pragma once
// Owning types for libcurl's handles, and the process-wide library set-up that every
// client of libcurl in this layer shares.
#include <curl/curl.h>

#include <memory>

struct CurlEasyDeleter {
  void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlMultiDeleter {
  void operator()(CURLM* handle) const noexcept { curl_multi_cleanup(handle); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

struct CurlShareDeleter {
  void operator()(CURLSH* handle) const noexcept { curl_share_cleanup(handle); }
};
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;

struct CurlSlistDeleter {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// Initialises libcurl once per process; false when that failed.
bool curl_library_ready();

// Appends a line to a header list; false when out of memory.
bool append_header(CurlSlist& list, const char* line);
