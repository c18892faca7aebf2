#include "platform/inet/media_client.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/inet/media_client_testing.h"
#include "platform/winhttp/ascii_text.h"
#include "platform/winhttp/curl_handles.h"
#include "platform/winhttp/curl_transfer_policy.h"
#include "platform/winhttp/response_head.h"

namespace {

constexpr const char* user_agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// A server that does not answer, or stops sending, gives up the fetch after this long.
constexpr long connect_timeout_ms = 60000;
constexpr long stalled_seconds = 60;

// The process-wide handle, opened on the first fetch and closed when the process ends. It keeps
// libcurl's connection cache between fetches.
struct MediaHandle {
  std::mutex mutex;
  CurlEasy easy;
};

MediaHandle& media_handle() {
  static MediaHandle handle;
  return handle;
}

std::atomic<int> open_handles{0};

// The state of one fetch, seen by libcurl's callbacks.
struct Fetch {
  const MediaReceiver& receiver;
  CURL* easy;
  ResponseHeadTracker head{true};
};

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* fetch_state) {
  auto& fetch = *static_cast<Fetch*>(fetch_state);
  const auto step = fetch.head.add_line(std::string_view(data, size * count), fetch.easy);
  if (step == ResponseHeadTracker::Step::refused_redirect) return 0;  // stops the transfer
  if (step == ResponseHeadTracker::Step::final_head && fetch.receiver.expect) {
    curl_off_t length = -1;
    if (curl_easy_getinfo(fetch.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
      length = -1;
    }
    fetch.receiver.expect(length);
  }
  return size * count;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* fetch_state) {
  auto& fetch = *static_cast<Fetch*>(fetch_state);
  const bool taken =
      !fetch.receiver.receive ||
      fetch.receiver.receive(reinterpret_cast<const std::uint8_t*>(data), size * count);
  return taken ? size * count : 0;  // a short count makes libcurl stop with an error
}

bool configure(CURL* easy, const std::string& address, bool secure, Fetch& fetch,
               const CurlSlist& headers) {
  CURLcode code = apply_transfer_policy(easy, secure, true) ? CURLE_OK : CURLE_FAILED_INIT;
  const auto set = [&](CURLoption option, auto value) {
    if (code == CURLE_OK) code = curl_easy_setopt(easy, option, value);
  };
  set(CURLOPT_URL, address.c_str());
  set(CURLOPT_HTTPGET, 1L);
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  set(CURLOPT_USERAGENT, user_agent);
  set(CURLOPT_HTTPHEADER, headers.get());
  set(CURLOPT_CONNECTTIMEOUT_MS, connect_timeout_ms);
  set(CURLOPT_LOW_SPEED_LIMIT, 1L);
  set(CURLOPT_LOW_SPEED_TIME, stalled_seconds);
  set(CURLOPT_HEADERFUNCTION, &on_header);
  set(CURLOPT_HEADERDATA, &fetch);
  set(CURLOPT_WRITEFUNCTION, &on_body);
  set(CURLOPT_WRITEDATA, &fetch);
  return code == CURLE_OK;
}

}  // namespace

MediaFetchResult media_fetch(std::string_view url, const MediaReceiver& receiver) {
  const std::string address(url.substr(0, url.find('#')));
  if (address.empty() || !curl_library_ready()) return {};

  MediaHandle& handle = media_handle();
  std::lock_guard lock(handle.mutex);
  if (!handle.easy) {
    handle.easy.reset(curl_easy_init());
    if (!handle.easy) return {};
    ++open_handles;
  } else {
    curl_easy_reset(handle.easy.get());  // options of the last fetch go; connections stay
  }
  CurlSlist headers;
  if (!append_header(headers, "Accept: */*")) return {};

  CURL* const easy = handle.easy.get();
  Fetch fetch{receiver, easy};
  const bool secure = ascii_starts_with_ignoring_case(address, "https:");
  if (!configure(easy, address, secure, fetch, headers)) return {};
  const CURLcode result = curl_easy_perform(easy);

  MediaFetchResult outcome;
  outcome.responded = fetch.head.final_head_complete();
  outcome.status = outcome.responded ? fetch.head.status() : 0;
  outcome.complete = outcome.responded && result == CURLE_OK;
  return outcome;
}

int media_client_handle_count() {
  return open_handles.load();
}

void media_client_trust_extra_ca_file(const std::string& path) {
  trust_extra_ca_file(path);
}
