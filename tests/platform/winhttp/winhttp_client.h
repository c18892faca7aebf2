#pragma once
// Runs one request through the bound function table the way a caller does (crack, open,
// connect, open request, options, headers, send, receive, read, raw headers, close), and
// reports where it stopped.
#include <string>
#include <vector>

#include "platform/winhttp/winhttp.h"

struct ClientRequest {
  std::u16string url;
  std::u16string verb = u"GET";
  const char16_t* version = nullptr;
  const char16_t* agent = nullptr;
  std::u16string headers;  // given to WinHttpAddRequestHeaders with ADD|REPLACE when not empty
  std::string body;
  DWORD access_type = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::u16string proxy;
  std::u16string user, password;              // server credentials when user is not empty
  std::u16string proxy_user, proxy_password;  // proxy credentials when proxy_user is not empty
  bool disable_cookies = false;
  bool disable_redirects = false;
  int timeout_ms = 5000;  // all four time-outs
};

struct ClientResult {
  std::string failed_at;  // name of the call that failed, empty when all succeeded
  DWORD error = 0;        // its last-error
  std::u16string raw_headers;
  std::string body;
};

ClientResult run_request(const ClientRequest& request);

// Runs several requests on one session (one cookie store); stops at the first failure.
std::vector<ClientResult> run_requests_in_one_session(const std::vector<ClientRequest>& requests);

std::u16string to_utf16(const std::string& ascii);
