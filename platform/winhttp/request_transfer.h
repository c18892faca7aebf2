#pragma once
// One HTTP request in flight, driven through libcurl's multi interface on the caller's thread:
// started and sent, then its final response head awaited, then its body handed out piece by
// piece as it arrives. The body is held only up to a bounded amount; beyond that the transfer
// pauses until the caller has taken what is there.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/winhttp/curl_handles.h"
#include "platform/winhttp/response_head.h"

// In milliseconds; 0 or less means no limit.
struct TransferTimeouts {
  int resolve_ms = 0;
  int connect_ms = 60000;
  int send_ms = 30000;
  int receive_ms = 30000;
};

struct TransferSetup {
  std::string url;
  std::string verb;
  std::string body;
  bool sends_body = false;  // a body (perhaps empty) goes with a Content-Length
  bool http_1_0 = false;
  std::vector<std::string> header_lines;  // exactly the lines to send, and removals ("Name:")
  std::string proxy;                      // "host:port" or empty
  std::optional<std::pair<std::string, std::string>> server_credentials;
  std::optional<std::pair<std::string, std::string>> proxy_credentials;
  CURLSH* cookie_store = nullptr;  // null: no cookies are kept or sent
  bool follow_redirects = true;
  bool secure = false;
  TransferTimeouts timeouts;
};

class RequestTransfer {
 public:
  RequestTransfer() = default;
  ~RequestTransfer();
  RequestTransfer(const RequestTransfer&) = delete;  // libcurl keeps pointers to this object
  RequestTransfer& operator=(const RequestTransfer&) = delete;

  // Sets the transfer up and drives it until the request has been sent. Each returns
  // ERROR_SUCCESS or the platform error code of the failure.
  DWORD start(TransferSetup setup);
  // Drives it until the final response's head has arrived.
  DWORD await_final_head();
  // Drives it until body bytes are held (their number in `available`) or the body has ended
  // (0). Held bytes are reported before a failure of the connection.
  DWORD await_body(std::size_t& available);
  // Hands out up to `size` held bytes; returns their number.
  std::size_t take(void* destination, std::size_t size);

  const ResponseHeadTracker& head() const { return *head_; }

 private:
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static int on_debug(CURL*, curl_infotype type, char* data, std::size_t size, void* self);

  CURLcode configure();
  // Drives the transfer until `reached` holds or it ends; fails it with a time-out once
  // `idle_limit_ms` (if above 0) passes without anything being sent or received.
  template <typename Condition>
  void drive(Condition reached, int idle_limit_ms);
  void finish(CURLcode result);
  DWORD failure_code() const;
  std::size_t held() const { return body_.size() - body_read_; }

  TransferSetup setup_;
  CurlMulti multi_;
  CurlEasy easy_;
  CurlSlist header_list_;
  std::optional<ResponseHeadTracker> head_;
  bool attached_ = false;  // easy_ is in multi_

  bool head_sent_ = false;
  std::size_t body_sent_ = 0;
  bool response_started_ = false;
  bool refused_redirect_ = false;
  bool paused_ = false;
  bool ends_at_final_head_ = false;  // a HEAD request with a body
  std::uint64_t activity_ = 0;       // counts callbacks that moved bytes

  std::vector<std::uint8_t> body_;
  std::size_t body_read_ = 0;

  bool finished_ = false;
  CURLcode result_ = CURLE_OK;
  bool timed_out_ = false;
};
