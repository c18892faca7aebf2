#include "platform/winhttp/curl_transfer_policy.h"

#include <mutex>

namespace {

std::mutex extra_ca_mutex;
std::string extra_ca_file;

std::string trusted_extra_ca_file() {
  std::lock_guard lock(extra_ca_mutex);
  return extra_ca_file;
}

constexpr long maximum_redirects = 10;
// libcurl's receive buffer: large enough that big bodies cost few callbacks.
constexpr long receive_buffer_size = 256 * 1024;
// Where the system keeps its trusted certificates, one file per hash.
constexpr const char* system_ca_directory = "/etc/ssl/certs";

}  // namespace

bool apply_transfer_policy(CURL* handle, bool secure_origin, bool follow_redirects) {
  bool ok =
      curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
      // An empty proxy name also keeps libcurl from reading the proxy environment.
      curl_easy_setopt(handle, CURLOPT_PROXY, "") == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) ==
          CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, follow_redirects ? 1L : 0L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_MAXREDIRS, maximum_redirects) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR,
                       secure_origin ? "https" : "http,https") == CURLE_OK;
  // Only a tuning: libcurl refuses a new size while it still holds the buffer of a failed
  // transfer on a reused handle, and the default size works as well, just more slowly.
  if (ok) curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, receive_buffer_size);
  if (const std::string extra = trusted_extra_ca_file(); ok && !extra.empty()) {
    ok = curl_easy_setopt(handle, CURLOPT_CAINFO, extra.c_str()) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_CAPATH, system_ca_directory) == CURLE_OK;
  }
  return ok;
}

void trust_extra_ca_file(std::string path) {
  std::lock_guard lock(extra_ca_mutex);
  extra_ca_file = std::move(path);
}
