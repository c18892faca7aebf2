#include "web/web_access.h"

#include <string>

#include "platform/winhttp/winhttp.h"
#include "text/bytes_ops.h"
#include "text/conversion.h"
#include "text/text_ops.h"
#include "web/capture_response.h"
#include "web/event_pump.h"
#include "web/request_headers.h"
#include "web/status_messages.h"
#include "web/wide_text.h"

namespace {

// The request's three handles, closed in the order request, connection, session.
class RequestHandles {
 public:
  explicit RequestHandles(const WinHttpFunctions* api) : api_(api) {}
  RequestHandles(const RequestHandles&) = delete;
  RequestHandles& operator=(const RequestHandles&) = delete;
  ~RequestHandles() {
    for (HINTERNET handle : {request, connection, session}) {
      if (handle) api_->WinHttpCloseHandle(handle);
    }
  }

  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;

 private:
  const WinHttpFunctions* api_;
};

// Where an address leads: the parts of it that the request is built from.
struct CrackedAddress {
  bool secure = false;
  Text host;
  INTERNET_PORT port = 0;
  std::u16string object_name;
};

bool crack_address(const WinHttpFunctions& api, const Text& address, CrackedAddress& cracked) {
  const std::u16string url = wide_text(address);
  URL_COMPONENTS components{};
  components.dwStructSize = sizeof(components);
  components.dwSchemeLength = static_cast<DWORD>(-1);
  components.dwHostNameLength = static_cast<DWORD>(-1);
  components.dwUrlPathLength = static_cast<DWORD>(-1);
  components.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!api.WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) {
    return false;
  }
  cracked.host = unicode_to_ansi(bytes_from_address(
      components.lpszHostName, static_cast<std::int32_t>(components.dwHostNameLength * 2)));
  cracked.port = components.nPort;
  cracked.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  if (components.dwUrlPathLength < 1) {
    cracked.object_name = u"/";
  } else {
    // The path and then the query and fragment.
    cracked.object_name.assign(components.lpszUrlPath, components.dwUrlPathLength);
    if (components.lpszExtraInfo) {
      cracked.object_name.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    }
  }
  return true;
}

const char16_t* verb_for(std::int32_t method) {
  switch (method) {
    case 1:
      return u"POST";
    case 2:
      return u"HEAD";
    case 3:
      return u"PUT";
    default:
      return u"GET";
  }
}

BOOL set_feature_option(const WinHttpFunctions& api, HINTERNET request, DWORD option, DWORD value) {
  return api.WinHttpSetOption(request, option, &value, sizeof(value));
}

// Reads the body to its end, each read sized by what has arrived; appends in place.
// Returns false when a read failed (what was read before stays in `body`).
bool read_body(const WinHttpFunctions& api, HINTERNET request, Bytes& body) {
  for (;;) {
    DWORD available = 0;
    if (!api.WinHttpQueryDataAvailable(request, &available) || available < 1) return true;
    const std::size_t gathered = body.size();
    body.resize(gathered + available);
    DWORD read = 0;
    const BOOL ok = api.WinHttpReadData(request, body.data() + gathered, available, &read);
    body.resize(gathered + (ok ? read : 0));
    if (!ok) return false;
  }
}

// One call of web_access: the stages in order. A failure sets the status text and ends
// the pipeline; `pump_passes` counts the stages after which the unwinding handles the
// window's events, and `quiet_failure` marks the failures (credentials and options) after
// which it handles none.
class RequestPipeline {
 public:
  RequestPipeline(const WebAccessParams& params, const WinHttpFunctions* api)
      : params_(params), api_(api), handles_(api) {}

  Text run() {
    Text page_text;
    run_stages(page_text);
    if (!quiet_failure_) {
      for (int pass = 0; pass < pump_passes_; ++pass) pump_events();
    }
    return page_text;
  }

 private:
  void fail(RequestFailure failure) {
    if (params_.status_text) *params_.status_text = status_message(failure);
  }
  void fail_quietly(RequestFailure failure) {
    fail(failure);
    quiet_failure_ = true;
  }

  void run_stages(Text& page_text) {
    const WebAccessParams& p = params_;
    if (!api_ || !api_->WinHttpCheckPlatform()) return fail(RequestFailure::platform_check);
    ++pump_passes_;
    const WinHttpFunctions& api = *api_;

    CrackedAddress cracked;
    if (!crack_address(api, p.address, cracked)) return fail(RequestFailure::url_cracking);
    ++pump_passes_;

    const bool named_proxy = !p.proxy.empty();
    const std::u16string proxy_name =
        named_proxy ? wide_text(cracked.secure ? p.proxy : join_text(Text("http="), p.proxy))
                    : std::u16string();
    handles_.session = api.WinHttpOpen(
        nullptr, named_proxy ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
        proxy_name.c_str(), nullptr, 0);
    if (!handles_.session) return fail(RequestFailure::session);
    ++pump_passes_;

    handles_.connection =
        api.WinHttpConnect(handles_.session, wide_text(cracked.host).c_str(), cracked.port, 0);
    if (!handles_.connection) return fail(RequestFailure::connection);
    ++pump_passes_;

    handles_.request =
        api.WinHttpOpenRequest(handles_.connection, verb_for(p.method), cracked.object_name.c_str(),
                               nullptr, nullptr, nullptr, cracked.secure ? WINHTTP_FLAG_SECURE : 0);
    if (!handles_.request) return fail(RequestFailure::request);
    ++pump_passes_;
    const HINTERNET request = handles_.request;

    const int timeout_ms = p.timeout_seconds > 0 ? p.timeout_seconds * 1000 : 30000;
    if (!api.WinHttpSetTimeouts(request, timeout_ms, timeout_ms, timeout_ms, timeout_ms)) {
      return fail(RequestFailure::timeouts);
    }
    ++pump_passes_;

    if (!p.user_name.empty() && !p.password.empty() &&
        !api.WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC,
                                   wide_text(p.user_name).c_str(), wide_text(p.password).c_str(),
                                   nullptr)) {
      return fail_quietly(RequestFailure::server_credentials);
    }
    if (!p.proxy_user_name.empty() && !p.proxy_password.empty() &&
        !api.WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_SCHEME_BASIC,
                                   wide_text(p.proxy_user_name).c_str(),
                                   wide_text(p.proxy_password).c_str(), nullptr)) {
      return fail_quietly(RequestFailure::proxy_credentials);
    }
    // Without a cookie variable the interface neither stores nor sends cookies of its own;
    // with one its own cookie handling stays on.
    const BOOL cookie_option_set =
        p.cookies ? set_feature_option(api, request, WINHTTP_OPTION_ENABLE_FEATURE,
                                       WINHTTP_ENABLE_SSL_REVOCATION)
                  : set_feature_option(api, request, WINHTTP_OPTION_DISABLE_FEATURE,
                                       WINHTTP_DISABLE_COOKIES);
    if (!cookie_option_set) return fail_quietly(RequestFailure::cookie_option);
    if (p.no_redirect && !set_feature_option(api, request, WINHTTP_OPTION_DISABLE_FEATURE,
                                             WINHTTP_DISABLE_REDIRECTS)) {
      return fail_quietly(RequestFailure::redirect_option);
    }

    const std::u16string headers =
        wide_text(request_headers(p.extra_headers, p.cookies ? *p.cookies : Text()));
    if (!api.WinHttpAddRequestHeaders(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                                      WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      return fail(RequestFailure::request_headers);
    }
    ++pump_passes_;

    // The body goes as the text's bytes, unconverted, whatever the verb.
    Bytes body = text_to_bytes(p.request_body);
    const DWORD body_length = static_cast<DWORD>(body.size());
    if (!api.WinHttpSendRequest(request, nullptr, 0, body.empty() ? nullptr : body.data(),
                                body_length, body_length, 0)) {
      return fail(RequestFailure::sending);
    }
    ++pump_passes_;

    if (!api.WinHttpReceiveResponse(request, nullptr)) return fail(RequestFailure::response);
    ++pump_passes_;

    Bytes response_body;
    if (!read_body(api, request, response_body)) fail(RequestFailure::reading);
    page_text = capture_response(api, request, response_body, p, capture_objects_);
  }

  const WebAccessParams& params_;
  const WinHttpFunctions* api_;
  // Made before the handles and so released after they are closed.
  CaptureObjects capture_objects_;
  RequestHandles handles_;
  int pump_passes_ = 0;
  bool quiet_failure_ = false;
};

}  // namespace

Text web_access(const WebAccessParams& params) {
  return RequestPipeline(params, winhttp_functions()).run();
}
