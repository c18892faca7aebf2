#include "platform/winhttp/request_transfer.h"

#include <algorithm>
#include <cstring>

#include "platform/winhttp/curl_transfer_policy.h"
#include "platform/winhttp/winhttp.h"

namespace {

// Body bytes held before the transfer pauses for the caller to take them.
constexpr std::size_t body_hold_limit = 2 * 1024 * 1024;
// Longest single wait inside the driving loop.
constexpr int longest_wait_ms = 1000;

bool is_limited(int timeout_ms) {
  return timeout_ms > 0;
}

long connect_timeout_ms(const TransferTimeouts& timeouts) {
  if (!is_limited(timeouts.connect_ms)) return 0;  // libcurl's own default then applies
  return static_cast<long>(timeouts.connect_ms) +
         (is_limited(timeouts.resolve_ms) ? timeouts.resolve_ms : 0);
}

}  // namespace

RequestTransfer::~RequestTransfer() {
  if (attached_) curl_multi_remove_handle(multi_.get(), easy_.get());
}

CURLcode RequestTransfer::configure() {
  easy_.reset(curl_easy_init());
  multi_.reset(curl_multi_init());
  if (!easy_ || !multi_) return CURLE_OUT_OF_MEMORY;
  CURL* const easy = easy_.get();
  for (const std::string& line : setup_.header_lines) {
    if (!append_header(header_list_, line.c_str())) return CURLE_OUT_OF_MEMORY;
  }
  if (!apply_transfer_policy(easy, setup_.secure, setup_.follow_redirects)) {
    return CURLE_FAILED_INIT;
  }

  CURLcode code = CURLE_OK;
  const auto set = [&](CURLoption option, auto value) {
    if (code == CURLE_OK) code = curl_easy_setopt(easy, option, value);
  };
  set(CURLOPT_URL, setup_.url.c_str());
  set(CURLOPT_PATH_AS_IS, 1L);  // the object name goes out as the caller gave it
  set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  // A HEAD response has no body, whatever its Content-Length says. libcurl knows that unless
  // the HEAD request carries a body of its own; then the transfer ends at the final head.
  ends_at_final_head_ = setup_.verb == "HEAD" && setup_.sends_body;
  if (setup_.verb == "HEAD" && !setup_.sends_body) {
    set(CURLOPT_NOBODY, 1L);
  } else if (setup_.sends_body) {
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(setup_.body.size()));
    set(CURLOPT_POSTFIELDS, setup_.body.data());
    if (setup_.verb != "POST") set(CURLOPT_CUSTOMREQUEST, setup_.verb.c_str());
  } else if (setup_.verb != "GET") {
    set(CURLOPT_CUSTOMREQUEST, setup_.verb.c_str());
  }
  if (setup_.http_1_0) set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  set(CURLOPT_HTTPHEADER, header_list_.get());
  if (!setup_.proxy.empty()) set(CURLOPT_PROXY, ("http://" + setup_.proxy).c_str());
  if (setup_.server_credentials) {
    set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    set(CURLOPT_USERNAME, setup_.server_credentials->first.c_str());
    set(CURLOPT_PASSWORD, setup_.server_credentials->second.c_str());
  }
  if (setup_.proxy_credentials) {
    set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    set(CURLOPT_PROXYUSERNAME, setup_.proxy_credentials->first.c_str());
    set(CURLOPT_PROXYPASSWORD, setup_.proxy_credentials->second.c_str());
  }
  if (setup_.cookie_store != nullptr) {
    set(CURLOPT_SHARE, setup_.cookie_store);
    set(CURLOPT_COOKIEFILE, "");  // turns the cookie engine on, reading no file
  }
  set(CURLOPT_CONNECTTIMEOUT_MS, connect_timeout_ms(setup_.timeouts));
  set(CURLOPT_HEADERFUNCTION, &RequestTransfer::on_header);
  set(CURLOPT_HEADERDATA, this);
  set(CURLOPT_WRITEFUNCTION, &RequestTransfer::on_body);
  set(CURLOPT_WRITEDATA, this);
  // The debug stream tells when the request has gone out and whether bytes are moving.
  set(CURLOPT_DEBUGFUNCTION, &RequestTransfer::on_debug);
  set(CURLOPT_DEBUGDATA, this);
  set(CURLOPT_VERBOSE, 1L);
  if (code != CURLE_OK) return code;

  if (curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
  attached_ = true;
  return CURLE_OK;
}

DWORD RequestTransfer::start(TransferSetup setup) {
  setup_ = std::move(setup);
  head_.emplace(setup_.follow_redirects);
  if (const CURLcode code = configure(); code != CURLE_OK) {
    return code == CURLE_OUT_OF_MEMORY ? ERROR_NOT_ENOUGH_MEMORY : ERROR_WINHTTP_INTERNAL_ERROR;
  }
  // Resolving, connecting and the TLS handshake are bounded by libcurl's connect time-out;
  // after that, the upload of the body by the send time-out.
  drive([this] { return head_sent_ || response_started_; }, 0);
  const std::size_t body_size = setup_.sends_body ? setup_.body.size() : 0;
  const auto sent = [&] { return (head_sent_ && body_sent_ >= body_size) || response_started_; };
  drive(sent, setup_.timeouts.send_ms);
  // A failure after the request went out belongs to the response.
  return finished_ && result_ != CURLE_OK && !sent() ? failure_code() : ERROR_SUCCESS;
}

DWORD RequestTransfer::await_final_head() {
  drive([this] { return head_->final_head_complete(); }, setup_.timeouts.receive_ms);
  if (head_->final_head_complete()) return ERROR_SUCCESS;
  return result_ == CURLE_OK ? ERROR_WINHTTP_INVALID_SERVER_RESPONSE : failure_code();
}

DWORD RequestTransfer::await_body(std::size_t& available) {
  drive([this] { return held() > 0; }, setup_.timeouts.receive_ms);
  available = held();
  return available > 0 || result_ == CURLE_OK ? ERROR_SUCCESS : failure_code();
}

std::size_t RequestTransfer::take(void* destination, std::size_t size) {
  const std::size_t count = std::min(size, held());
  std::memcpy(destination, body_.data() + body_read_, count);
  body_read_ += count;
  return count;
}

template <typename Condition>
void RequestTransfer::drive(Condition reached, int idle_limit_ms) {
  auto last_activity = std::chrono::steady_clock::now();
  std::uint64_t activity_seen = activity_;
  while (!finished_ && !reached()) {
    if (ends_at_final_head_ && head_->final_head_complete()) {
      finish(CURLE_OK);
      break;
    }
    if (paused_ && held() == 0) {
      paused_ = false;
      if (const CURLcode code = curl_easy_pause(easy_.get(), CURLPAUSE_CONT); code != CURLE_OK) {
        finish(code);
      }
      continue;
    }
    int running = 0;
    if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
      finish(CURLE_OUT_OF_MEMORY);
      break;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) finish(message->data.result);
    }
    if (finished_ || reached()) break;

    const auto now = std::chrono::steady_clock::now();
    if (activity_ != activity_seen) {
      activity_seen = activity_;
      last_activity = now;
    }
    int wait_ms = longest_wait_ms;
    if (is_limited(idle_limit_ms)) {
      const auto idle =
          std::chrono::duration_cast<std::chrono::milliseconds>(now - last_activity).count();
      if (idle >= idle_limit_ms) {
        timed_out_ = true;
        finish(CURLE_OPERATION_TIMEDOUT);
        break;
      }
      wait_ms = std::min<int>(wait_ms, static_cast<int>(idle_limit_ms - idle));
    }
    if (curl_multi_poll(multi_.get(), nullptr, 0, wait_ms, nullptr) != CURLM_OK) {
      finish(CURLE_OUT_OF_MEMORY);
      break;
    }
  }
}

void RequestTransfer::finish(CURLcode result) {
  finished_ = true;
  result_ = result;
  if (attached_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
    attached_ = false;
  }
}

DWORD RequestTransfer::failure_code() const {
  if (timed_out_) return ERROR_WINHTTP_TIMEOUT;
  if (refused_redirect_) return ERROR_WINHTTP_REDIRECT_FAILED;
  switch (result_) {
    case CURLE_OK:
      return ERROR_SUCCESS;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_WINHTTP_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
      return ERROR_WINHTTP_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_WINHTTP_TIMEOUT;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return ERROR_WINHTTP_SECURE_FAILURE;
    case CURLE_TOO_MANY_REDIRECTS:
      return ERROR_WINHTTP_REDIRECT_FAILED;
    case CURLE_UNSUPPORTED_PROTOCOL:  // a redirect to another scheme, or an HTTP/0.9 reply
      return head_->redirect_pending() ? ERROR_WINHTTP_REDIRECT_FAILED
                                       : ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
      return ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
    case CURLE_PROXY:  // the proxy refused the tunnel
      return ERROR_WINHTTP_CANNOT_CONNECT;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
      // Before the request went out, the way to the server was never open.
      return head_sent_ ? ERROR_WINHTTP_CONNECTION_ERROR : ERROR_WINHTTP_CANNOT_CONNECT;
    case CURLE_OUT_OF_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_WINHTTP_INTERNAL_ERROR;
  }
}

std::size_t RequestTransfer::on_header(char* data, std::size_t size, std::size_t count,
                                       void* self) {
  auto& transfer = *static_cast<RequestTransfer*>(self);
  ++transfer.activity_;
  transfer.response_started_ = true;
  const auto step =
      transfer.head_->add_line(std::string_view(data, size * count), transfer.easy_.get());
  if (step == ResponseHeadTracker::Step::refused_redirect) {
    transfer.refused_redirect_ = true;
    return 0;  // stops the transfer
  }
  return size * count;
}

std::size_t RequestTransfer::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto& transfer = *static_cast<RequestTransfer*>(self);
  if (transfer.held() >= body_hold_limit) {
    transfer.paused_ = true;
    return CURL_WRITEFUNC_PAUSE;  // libcurl keeps these bytes and hands them again on resume
  }
  if (transfer.body_read_ == transfer.body_.size()) {
    transfer.body_.clear();
    transfer.body_read_ = 0;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  transfer.body_.insert(transfer.body_.end(), bytes, bytes + size * count);
  ++transfer.activity_;
  return size * count;
}

int RequestTransfer::on_debug(CURL*, curl_infotype type, char* data, std::size_t size, void* self) {
  auto& transfer = *static_cast<RequestTransfer*>(self);
  switch (type) {
    case CURLINFO_HEADER_OUT:
      // A proxy's CONNECT goes out before the request itself does.
      if (std::string_view(data, size).substr(0, 8) != "CONNECT ") transfer.head_sent_ = true;
      ++transfer.activity_;
      break;
    case CURLINFO_DATA_OUT:
      transfer.body_sent_ += size;
      ++transfer.activity_;
      break;
    case CURLINFO_HEADER_IN:
    case CURLINFO_DATA_IN:
    case CURLINFO_SSL_DATA_IN:
    case CURLINFO_SSL_DATA_OUT:
      ++transfer.activity_;
      break;
    default:
      break;
  }
  return 0;
}
