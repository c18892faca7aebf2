// The interface's functions over libcurl (except WinHttpCrackUrl, in url_cracking.cpp).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/base/last_error.h"
#include "platform/winhttp/ascii_text.h"
#include "platform/winhttp/curl_transfer_policy.h"
#include "platform/winhttp/internet_handles.h"
#include "platform/winhttp/wide_strings.h"
#include "platform/winhttp/winhttp_impl.h"
#include "platform/winhttp/winhttp_testing.h"

namespace winhttp_impl {
namespace {

constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD supported_header_modifiers = WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE;

BOOL fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

std::nullptr_t fail_null(DWORD code) {
  SetLastError(code);
  return nullptr;
}

// Fills the session's proxies from a list like "host:port", "http=host:port" or
// "http=a:1;https=b:2" (entries separated by ";" or blanks).
bool parse_proxy_list(std::string_view list, Session& session) {
  bool any = false;
  while (!list.empty()) {
    const auto end = list.find_first_of("; ");
    std::string_view entry = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    if (entry.empty()) continue;
    std::string_view scheme;
    if (const auto equals = entry.find('='); equals != std::string_view::npos) {
      scheme = entry.substr(0, equals);
      entry = entry.substr(equals + 1);
    }
    if (entry.substr(0, 7) == "http://") entry.remove_prefix(7);
    if (entry.empty()) return false;
    // An entry for a scheme wins over a plain entry for all schemes.
    const bool plain = scheme.empty();
    if ((plain && session.http_proxy.empty()) || ascii_equal_ignoring_case(scheme, "http")) {
      session.http_proxy = entry;
    }
    if ((plain && session.https_proxy.empty()) || ascii_equal_ignoring_case(scheme, "https")) {
      session.https_proxy = entry;
    }
    any = true;
  }
  return any;
}

struct HeaderLine {
  std::string name;
  std::string value;
};

// Splits header text into its lines (CR LF or LF separated, empty lines skipped); false when a
// line is not "Name: value".
bool parse_header_lines(std::string_view text, std::vector<HeaderLine>& lines) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (trim_blanks(line).empty()) continue;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    lines.push_back({std::string(trim_blanks(line.substr(0, colon))),
                     std::string(trim_blanks(line.substr(colon + 1)))});
  }
  return true;
}

bool add_request_headers(Request& request, std::u16string_view headers, DWORD modifiers) {
  if ((modifiers & ~supported_header_modifiers) != 0) return fail(ERROR_INVALID_PARAMETER);
  std::vector<HeaderLine> lines;
  if (!parse_header_lines(utf8_from_utf16(headers), lines)) return fail(ERROR_INVALID_PARAMETER);
  const bool replace = (modifiers & WINHTTP_ADDREQ_FLAG_REPLACE) != 0;
  const bool add = (modifiers & WINHTTP_ADDREQ_FLAG_ADD) != 0 || !replace;
  for (auto& line : lines) {
    auto& present = request.headers;
    const auto same_name = std::find_if(present.begin(), present.end(), [&](const auto& header) {
      return ascii_equal_ignoring_case(header.first, line.name);
    });
    if (replace && same_name != present.end()) {
      if (line.value.empty()) {
        present.erase(same_name);
      } else {
        same_name->second = std::move(line.value);
      }
    } else if (add) {
      present.emplace_back(std::move(line.name), std::move(line.value));
    } else {
      return fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
    }
  }
  return TRUE;
}

bool has_header(const Request& request, std::string_view name) {
  return std::any_of(request.headers.begin(), request.headers.end(), [&](const auto& header) {
    return ascii_equal_ignoring_case(header.first, name);
  });
}

// Percent-encodes the bytes that may not appear in a request target as they are.
std::string escaped_object_name(std::string_view name) {
  std::string out;
  if (name.empty() || name.front() != '/') out += '/';
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

TransferSetup transfer_setup(const Request& request, std::string body) {
  const Connection& connection = *request.connection;
  const Session& session = *connection.session;
  TransferSetup setup;
  const INTERNET_PORT port = connection.port != 0 ? connection.port
                                                  : (request.secure ? INTERNET_DEFAULT_HTTPS_PORT
                                                                    : INTERNET_DEFAULT_HTTP_PORT);
  const bool bare_ipv6 =
      connection.host.find(':') != std::string::npos && connection.host.front() != '[';
  setup.url = std::string(request.secure ? "https://" : "http://") +
              (bare_ipv6 ? "[" + connection.host + "]" : connection.host) + ":" +
              std::to_string(port) + escaped_object_name(request.object_name);
  setup.verb = request.verb;
  setup.sends_body = !body.empty() || request.verb == "POST" || request.verb == "PUT";
  setup.body = std::move(body);
  setup.http_1_0 = request.http_1_0;

  for (const auto& [name, value] : request.headers) {
    setup.header_lines.push_back(value.empty() ? name + ";" : name + ": " + value);
  }
  // Headers libcurl would add on its own go only when the caller gave them.
  if (session.agent && !session.agent->empty() && !has_header(request, "User-Agent")) {
    setup.header_lines.push_back("User-Agent: " + *session.agent);
  }
  for (const char* name : {"Accept", "Expect", "Content-Type", "Proxy-Connection"}) {
    if (!has_header(request, name)) setup.header_lines.push_back(std::string(name) + ":");
  }

  setup.proxy = request.secure ? session.https_proxy : session.http_proxy;
  setup.server_credentials = request.server_credentials;
  setup.proxy_credentials = request.proxy_credentials;
  setup.cookie_store = request.cookies_enabled ? session.cookie_store() : nullptr;
  setup.follow_redirects = request.redirects_enabled;
  setup.secure = request.secure;
  setup.timeouts = request.timeouts;
  return setup;
}

// The request of a handle after it was sent and its final response arrived.
std::shared_ptr<Request> answered_request(HINTERNET handle) {
  auto request = find_handle<Request>(handle, InternetHandle::Kind::request);
  if (request != nullptr &&
      (!request->transfer || !request->transfer->head().final_head_complete())) {
    SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
    return nullptr;
  }
  return request;
}

// A request that can still be configured (not yet sent).
std::shared_ptr<Request> unsent_request(HINTERNET handle) {
  auto request = find_handle<Request>(handle, InternetHandle::Kind::request);
  if (request != nullptr && request->transfer) {
    SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
    return nullptr;
  }
  return request;
}

}  // namespace

BOOL WinHttpCheckPlatform() {
  if (!curl_library_ready()) return FALSE;
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  return info != nullptr && (info->features & CURL_VERSION_SSL) != 0 ? TRUE : FALSE;
}

HINTERNET WinHttpOpen(LPCWSTR agent, DWORD access_type, LPCWSTR proxy, LPCWSTR proxy_bypass,
                      DWORD flags) {
  if (!curl_library_ready()) return fail_null(ERROR_WINHTTP_INTERNAL_ERROR);
  if (flags != 0 || !terminated_view(proxy_bypass).empty()) {
    return fail_null(ERROR_INVALID_PARAMETER);
  }
  auto session = std::make_shared<Session>();
  if (agent != nullptr) session->agent = utf8_from_utf16(agent);
  switch (access_type) {
    case WINHTTP_ACCESS_TYPE_DEFAULT_PROXY:  // no proxy configuration is read: direct
    case WINHTTP_ACCESS_TYPE_NO_PROXY:
      break;
    case WINHTTP_ACCESS_TYPE_NAMED_PROXY:
      if (!parse_proxy_list(utf8_from_utf16(terminated_view(proxy)), *session)) {
        return fail_null(ERROR_INVALID_PARAMETER);
      }
      break;
    default:
      return fail_null(ERROR_INVALID_PARAMETER);
  }
  if (!session->open_cookie_store()) return fail_null(ERROR_NOT_ENOUGH_MEMORY);
  return register_handle(std::move(session));
}

HINTERNET WinHttpConnect(HINTERNET session_handle, LPCWSTR server, INTERNET_PORT port,
                         DWORD reserved) {
  auto session = find_handle<Session>(session_handle, InternetHandle::Kind::session);
  if (session == nullptr) return nullptr;
  if (reserved != 0 || terminated_view(server).empty()) return fail_null(ERROR_INVALID_PARAMETER);
  auto connection = std::make_shared<Connection>(session, utf8_from_utf16(server), port);
  connection->timeouts = session->timeouts;
  return register_handle(std::move(connection));
}

HINTERNET WinHttpOpenRequest(HINTERNET connection_handle, LPCWSTR verb, LPCWSTR object_name,
                             LPCWSTR version, LPCWSTR referrer, LPCWSTR* accept_types,
                             DWORD flags) {
  auto connection = find_handle<Connection>(connection_handle, InternetHandle::Kind::connection);
  if (connection == nullptr) return nullptr;
  if ((flags & ~WINHTTP_FLAG_SECURE) != 0) return fail_null(ERROR_INVALID_PARAMETER);
  const std::u16string_view version_text = terminated_view(version);
  if (!version_text.empty() && version_text != u"HTTP/1.0" && version_text != u"HTTP/1.1") {
    return fail_null(ERROR_INVALID_PARAMETER);
  }
  auto request = std::make_shared<Request>(connection);
  request->timeouts = connection->timeouts;
  request->verb = verb == nullptr || *verb == u'\0' ? "GET" : utf8_from_utf16(verb);
  request->object_name = object_name == nullptr ? "/" : utf8_from_utf16(object_name);
  request->http_1_0 = version_text == u"HTTP/1.0";
  request->secure = (flags & WINHTTP_FLAG_SECURE) != 0;
  if (!terminated_view(referrer).empty()) {
    request->headers.emplace_back("Referer", utf8_from_utf16(referrer));
  }
  if (accept_types != nullptr && accept_types[0] != nullptr) {
    std::string accept;
    for (LPCWSTR* type = accept_types; *type != nullptr; ++type) {
      if (!accept.empty()) accept += ", ";
      accept += utf8_from_utf16(*type);
    }
    request->headers.emplace_back("Accept", std::move(accept));
  }
  return register_handle(std::move(request));
}

BOOL WinHttpSetTimeouts(HINTERNET handle, int resolve_ms, int connect_ms, int send_ms,
                        int receive_ms) {
  auto object = find_any_handle(handle);
  if (object == nullptr) return FALSE;
  if (std::min({resolve_ms, connect_ms, send_ms, receive_ms}) < -1) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  object->timeouts = {resolve_ms, connect_ms, send_ms, receive_ms};  // 0 and -1: no limit
  return TRUE;
}

BOOL WinHttpSetCredentials(HINTERNET request_handle, DWORD auth_targets, DWORD auth_scheme,
                           LPCWSTR user_name, LPCWSTR password, void* auth_params) {
  auto request = unsent_request(request_handle);
  if (request == nullptr) return FALSE;
  if (auth_scheme != WINHTTP_AUTH_SCHEME_BASIC || auth_params != nullptr || user_name == nullptr ||
      password == nullptr) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  auto credentials = std::make_pair(utf8_from_utf16(user_name), utf8_from_utf16(password));
  if (auth_targets == WINHTTP_AUTH_TARGET_SERVER) {
    request->server_credentials = std::move(credentials);
  } else if (auth_targets == WINHTTP_AUTH_TARGET_PROXY) {
    request->proxy_credentials = std::move(credentials);
  } else {
    return fail(ERROR_INVALID_PARAMETER);
  }
  return TRUE;
}

BOOL WinHttpSetOption(HINTERNET handle, DWORD option, void* buffer, DWORD buffer_length) {
  auto object = find_any_handle(handle);
  if (object == nullptr) return FALSE;
  if (option != WINHTTP_OPTION_DISABLE_FEATURE && option != WINHTTP_OPTION_ENABLE_FEATURE) {
    return fail(ERROR_WINHTTP_INVALID_OPTION);
  }
  if (object->kind() != InternetHandle::Kind::request) {
    return fail(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
  }
  auto request = unsent_request(handle);
  if (request == nullptr) return FALSE;
  if (buffer == nullptr || buffer_length != sizeof(DWORD)) return fail(ERROR_INVALID_PARAMETER);
  DWORD features;
  std::memcpy(&features, buffer, sizeof features);
  if (option == WINHTTP_OPTION_DISABLE_FEATURE) {
    if ((features & ~(WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS)) != 0) {
      return fail(ERROR_INVALID_PARAMETER);
    }
    if ((features & WINHTTP_DISABLE_COOKIES) != 0) request->cookies_enabled = false;
    if ((features & WINHTTP_DISABLE_REDIRECTS) != 0) request->redirects_enabled = false;
  } else {
    if (features != WINHTTP_ENABLE_SSL_REVOCATION) return fail(ERROR_INVALID_PARAMETER);
    request->revocation_check_requested = true;
  }
  return TRUE;
}

BOOL WinHttpAddRequestHeaders(HINTERNET request_handle, LPCWSTR headers, DWORD headers_length,
                              DWORD modifiers) {
  auto request = unsent_request(request_handle);
  if (request == nullptr) return FALSE;
  if (headers == nullptr) return fail(ERROR_INVALID_PARAMETER);
  const std::u16string_view text = headers_length == std::numeric_limits<DWORD>::max()
                                       ? std::u16string_view(headers)
                                       : std::u16string_view(headers, headers_length);
  return add_request_headers(*request, text, modifiers);
}

BOOL WinHttpSendRequest(HINTERNET request_handle, LPCWSTR headers, DWORD headers_length,
                        void* optional, DWORD optional_length, DWORD total_length,
                        DWORD_PTR /*context: no status callbacks*/) {
  auto request = unsent_request(request_handle);
  if (request == nullptr) return FALSE;
  // The whole body comes with this call: there is no later writing of data.
  if (total_length != optional_length || (optional == nullptr && optional_length != 0)) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  if (headers != nullptr && headers_length != 0 &&
      !WinHttpAddRequestHeaders(request_handle, headers, headers_length, WINHTTP_ADDREQ_FLAG_ADD)) {
    return FALSE;
  }
  std::string body(static_cast<const char*>(optional), optional == nullptr ? 0 : optional_length);
  request->transfer = std::make_unique<RequestTransfer>();
  const DWORD result = request->transfer->start(transfer_setup(*request, std::move(body)));
  return result == ERROR_SUCCESS ? TRUE : fail(result);
}

BOOL WinHttpReceiveResponse(HINTERNET request_handle, void* reserved) {
  auto request = find_handle<Request>(request_handle, InternetHandle::Kind::request);
  if (request == nullptr) return FALSE;
  if (!request->transfer) return fail(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
  if (reserved != nullptr) return fail(ERROR_INVALID_PARAMETER);
  const DWORD result = request->transfer->await_final_head();
  return result == ERROR_SUCCESS ? TRUE : fail(result);
}

BOOL WinHttpQueryDataAvailable(HINTERNET request_handle, DWORD* bytes_available) {
  auto request = answered_request(request_handle);
  if (request == nullptr) return FALSE;
  if (bytes_available == nullptr) return fail(ERROR_INVALID_PARAMETER);
  std::size_t available = 0;
  const DWORD result = request->transfer->await_body(available);
  if (result != ERROR_SUCCESS) return fail(result);
  *bytes_available =
      static_cast<DWORD>(std::min<std::size_t>(available, std::numeric_limits<DWORD>::max()));
  return TRUE;
}

BOOL WinHttpReadData(HINTERNET request_handle, void* buffer, DWORD bytes_to_read,
                     DWORD* bytes_read) {
  auto request = answered_request(request_handle);
  if (request == nullptr) return FALSE;
  if (bytes_read == nullptr || (buffer == nullptr && bytes_to_read != 0)) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  *bytes_read = 0;
  if (bytes_to_read == 0) return TRUE;
  std::size_t available = 0;
  const DWORD result = request->transfer->await_body(available);
  if (result != ERROR_SUCCESS) return fail(result);
  *bytes_read = static_cast<DWORD>(request->transfer->take(buffer, bytes_to_read));
  return TRUE;
}

BOOL WinHttpQueryHeaders(HINTERNET request_handle, DWORD info_level, LPCWSTR name, void* buffer,
                         DWORD* buffer_length, DWORD* index) {
  auto request = answered_request(request_handle);
  if (request == nullptr) return FALSE;
  if (info_level != WINHTTP_QUERY_RAW_HEADERS_CRLF) return fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
  if (name != nullptr || buffer_length == nullptr) return fail(ERROR_INVALID_PARAMETER);
  if (index != nullptr && *index != 0) return fail(ERROR_WINHTTP_HEADER_NOT_FOUND);
  const std::u16string text = utf16_from_received_bytes(request->transfer->head().raw_head());
  const std::size_t needed = (text.size() + 1) * sizeof(char16_t);
  if (buffer == nullptr || *buffer_length < needed) {
    *buffer_length = static_cast<DWORD>(needed);
    return fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, text.c_str(), needed);
  *buffer_length = static_cast<DWORD>(text.size() * sizeof(char16_t));
  return TRUE;
}

BOOL WinHttpCloseHandle(HINTERNET handle) {
  return unregister_handle(handle) ? TRUE : fail(ERROR_INVALID_HANDLE);
}

}  // namespace winhttp_impl

WinHttpProc winhttp_symbol(const char* name) {
  struct Export {
    const char* name;
    WinHttpProc function;
  };
#define WINHTTP_EXPORT(function) \
  { #function, reinterpret_cast < WinHttpProc>(&winhttp_impl::function) }
  static const Export exports[] = {
      WINHTTP_EXPORT(WinHttpCheckPlatform),
      WINHTTP_EXPORT(WinHttpCrackUrl),
      WINHTTP_EXPORT(WinHttpOpen),
      WINHTTP_EXPORT(WinHttpConnect),
      WINHTTP_EXPORT(WinHttpOpenRequest),
      WINHTTP_EXPORT(WinHttpSetTimeouts),
      WINHTTP_EXPORT(WinHttpSetCredentials),
      WINHTTP_EXPORT(WinHttpSetOption),
      WINHTTP_EXPORT(WinHttpAddRequestHeaders),
      WINHTTP_EXPORT(WinHttpSendRequest),
      WINHTTP_EXPORT(WinHttpReceiveResponse),
      WINHTTP_EXPORT(WinHttpQueryDataAvailable),
      WINHTTP_EXPORT(WinHttpReadData),
      WINHTTP_EXPORT(WinHttpQueryHeaders),
      WINHTTP_EXPORT(WinHttpCloseHandle),
  };
#undef WINHTTP_EXPORT
  for (const Export& entry : exports) {
    if (name != nullptr && std::strcmp(entry.name, name) == 0) return entry.function;
  }
  return nullptr;
}

namespace {

std::atomic<const WinHttpFunctions*> installed_functions{nullptr};

template <typename Function>
bool bind_by_name(Function*& slot, const char* name) {
  const WinHttpProc function = winhttp_symbol(name);
  slot = reinterpret_cast<Function*>(function);
  return function != nullptr;
}

// The library's table, bound by name once; null when a name could not be bound.
const WinHttpFunctions* bound_functions() {
  static const WinHttpFunctions table = [] {
    WinHttpFunctions functions{};
    bool bound = true;
#define WINHTTP_BIND(function) bound = bind_by_name(functions.function, #function) && bound
    WINHTTP_BIND(WinHttpCheckPlatform);
    WINHTTP_BIND(WinHttpCrackUrl);
    WINHTTP_BIND(WinHttpOpen);
    WINHTTP_BIND(WinHttpConnect);
    WINHTTP_BIND(WinHttpOpenRequest);
    WINHTTP_BIND(WinHttpSetTimeouts);
    WINHTTP_BIND(WinHttpSetCredentials);
    WINHTTP_BIND(WinHttpSetOption);
    WINHTTP_BIND(WinHttpAddRequestHeaders);
    WINHTTP_BIND(WinHttpSendRequest);
    WINHTTP_BIND(WinHttpReceiveResponse);
    WINHTTP_BIND(WinHttpQueryDataAvailable);
    WINHTTP_BIND(WinHttpReadData);
    WINHTTP_BIND(WinHttpQueryHeaders);
    WINHTTP_BIND(WinHttpCloseHandle);
#undef WINHTTP_BIND
    return bound ? functions : WinHttpFunctions{};
  }();
  return table.WinHttpCheckPlatform != nullptr ? &table : nullptr;
}

}  // namespace

const WinHttpFunctions* winhttp_functions() {
  const WinHttpFunctions* installed = installed_functions.load();
  return installed != nullptr ? installed : bound_functions();
}

ScopedWinHttpFunctions::ScopedWinHttpFunctions(const WinHttpFunctions* substitute)
    : previous_(installed_functions.exchange(substitute)) {}

ScopedWinHttpFunctions::~ScopedWinHttpFunctions() {
  installed_functions.store(previous_);
}

int winhttp_open_handle_count() {
  return open_handle_count();
}

void winhttp_trust_extra_ca_file(const std::string& path) {
  trust_extra_ca_file(path);
}
