#include "tests/platform/winhttp/winhttp_client.h"

#include "platform/base/last_error.h"

namespace {

struct Handles {
  const WinHttpFunctions& api;
  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  ~Handles() {
    for (HINTERNET handle : {request, connection, session}) {
      if (handle != nullptr) api.WinHttpCloseHandle(handle);
    }
  }
};

bool failed(ClientResult& result, const char* call) {
  result.failed_at = call;
  result.error = GetLastError();
  return false;
}

// Runs `request` on the session in `handles`; false when a call failed.
bool run_on_session(const WinHttpFunctions& api, HINTERNET session, const ClientRequest& request,
                    ClientResult& result) {
  Handles handles{api};
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  if (!api.WinHttpCrackUrl(request.url.c_str(), DWORD(request.url.size()), 0, &parts)) {
    return failed(result, "WinHttpCrackUrl");
  }
  const std::u16string host(parts.lpszHostName, parts.dwHostNameLength);
  // The path and the extra information follow each other in the address.
  const std::u16string object =
      parts.dwUrlPathLength == 0
          ? std::u16string(1, u'/')
          : std::u16string(parts.lpszUrlPath, parts.dwUrlPathLength + parts.dwExtraInfoLength);

  handles.connection = api.WinHttpConnect(session, host.c_str(), parts.nPort, 0);
  if (handles.connection == nullptr) return failed(result, "WinHttpConnect");
  handles.request = api.WinHttpOpenRequest(
      handles.connection, request.verb.c_str(), object.c_str(), request.version, nullptr, nullptr,
      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
  HINTERNET const r = handles.request;
  if (r == nullptr) return failed(result, "WinHttpOpenRequest");
  const int t = request.timeout_ms;
  if (!api.WinHttpSetTimeouts(r, t, t, t, t)) return failed(result, "WinHttpSetTimeouts");
  if (!request.user.empty() &&
      !api.WinHttpSetCredentials(r, WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC,
                                 request.user.c_str(), request.password.c_str(), nullptr)) {
    return failed(result, "WinHttpSetCredentials");
  }
  if (!request.proxy_user.empty() &&
      !api.WinHttpSetCredentials(r, WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_SCHEME_BASIC,
                                 request.proxy_user.c_str(), request.proxy_password.c_str(),
                                 nullptr)) {
    return failed(result, "WinHttpSetCredentials");
  }
  DWORD disabled = (request.disable_cookies ? WINHTTP_DISABLE_COOKIES : 0) |
                   (request.disable_redirects ? WINHTTP_DISABLE_REDIRECTS : 0);
  if (disabled != 0 &&
      !api.WinHttpSetOption(r, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled)) {
    return failed(result, "WinHttpSetOption");
  }
  if (!request.headers.empty() &&
      !api.WinHttpAddRequestHeaders(r, request.headers.c_str(), DWORD(request.headers.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
    return failed(result, "WinHttpAddRequestHeaders");
  }
  void* body = request.body.empty() ? nullptr : const_cast<char*>(request.body.data());
  const DWORD body_length = DWORD(request.body.size());
  if (!api.WinHttpSendRequest(r, nullptr, 0, body, body_length, body_length, 0)) {
    return failed(result, "WinHttpSendRequest");
  }
  if (!api.WinHttpReceiveResponse(r, nullptr)) return failed(result, "WinHttpReceiveResponse");

  DWORD size = 0;
  api.WinHttpQueryHeaders(r, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, nullptr, &size, nullptr);
  std::u16string headers(size / 2, u'\0');
  if (!api.WinHttpQueryHeaders(r, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, headers.data(), &size,
                               nullptr)) {
    return failed(result, "WinHttpQueryHeaders");
  }
  headers.resize(size / 2);
  result.raw_headers = headers;

  for (;;) {
    DWORD available = 0;
    if (!api.WinHttpQueryDataAvailable(r, &available)) {
      return failed(result, "WinHttpQueryDataAvailable");
    }
    if (available == 0) return true;
    std::string piece(available, '\0');
    DWORD read = 0;
    if (!api.WinHttpReadData(r, piece.data(), available, &read)) {
      return failed(result, "WinHttpReadData");
    }
    result.body.append(piece, 0, read);
  }
}

}  // namespace

std::vector<ClientResult> run_requests_in_one_session(const std::vector<ClientRequest>& requests) {
  std::vector<ClientResult> results;
  const WinHttpFunctions& api = *winhttp_functions();
  Handles handles{api};
  const ClientRequest& first = requests.front();
  handles.session =
      api.WinHttpOpen(first.agent, first.access_type,
                      first.proxy.empty() ? nullptr : first.proxy.c_str(), nullptr, 0);
  if (handles.session == nullptr) {
    results.emplace_back();
    failed(results.back(), "WinHttpOpen");
    return results;
  }
  for (const ClientRequest& request : requests) {
    results.emplace_back();
    if (!run_on_session(api, handles.session, request, results.back())) break;
  }
  return results;
}

ClientResult run_request(const ClientRequest& request) {
  return run_requests_in_one_session({request}).front();
}

std::u16string to_utf16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}
