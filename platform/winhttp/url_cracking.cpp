// WinHttpCrackUrl: splits an http or https address into its parts.
#include <algorithm>
#include <string_view>

#include "platform/base/last_error.h"
#include "platform/winhttp/winhttp_impl.h"

namespace winhttp_impl {
namespace {

bool equal_ascii_ignoring_case(std::u16string_view text, std::u16string_view lower) {
  return text.size() == lower.size() &&
         std::equal(text.begin(), text.end(), lower.begin(), [](char16_t a, char16_t b) {
           return (a >= u'A' && a <= u'Z' ? a - u'A' + u'a' : a) == b;
         });
}

// Hands one part to the caller: a pointer into the address and its length when the caller's
// pointer is null and its length non-zero (a part that is absent comes back as null), a
// NUL-terminated copy into the caller's buffer when both are set; nothing when the length is 0.
bool give_part(std::u16string_view part, LPWSTR& pointer, DWORD& length) {
  if (length == 0) return true;
  if (pointer == nullptr) {
    pointer = const_cast<LPWSTR>(part.data());
    length = static_cast<DWORD>(part.size());
    return true;
  }
  if (length <= part.size()) {
    length = static_cast<DWORD>(part.size() + 1);
    return false;
  }
  std::copy(part.begin(), part.end(), pointer);
  pointer[part.size()] = u'\0';
  length = static_cast<DWORD>(part.size());
  return true;
}

bool is_port(std::u16string_view text, INTERNET_PORT& port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  if (value == 0 || value > 65535) return false;
  port = static_cast<INTERNET_PORT>(value);
  return true;
}

// Host names may not hold blanks, controls or the characters that end an authority.
bool is_host(std::u16string_view host) {
  if (host.empty()) return false;
  if (host.front() == u'[') return host.size() > 2 && host.back() == u']';
  return std::none_of(host.begin(), host.end(), [](char16_t c) {
    return c <= u' ' || c == 0x7F || c == u'[' || c == u']' || c == u'\\';
  });
}

}  // namespace

BOOL WinHttpCrackUrl(LPCWSTR url, DWORD url_length, DWORD flags, URL_COMPONENTS* components) {
  if (url == nullptr || components == nullptr ||
      components->dwStructSize != sizeof(URL_COMPONENTS) || flags != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u16string_view address =
      url_length == 0 ? std::u16string_view(url) : std::u16string_view(url, url_length);

  const auto scheme_end = address.find(u"://");
  if (scheme_end == std::u16string_view::npos) {
    SetLastError(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    return FALSE;
  }
  const std::u16string_view scheme = address.substr(0, scheme_end);
  INTERNET_SCHEME scheme_number;
  INTERNET_PORT port;
  if (equal_ascii_ignoring_case(scheme, u"http")) {
    scheme_number = INTERNET_SCHEME_HTTP;
    port = INTERNET_DEFAULT_HTTP_PORT;
  } else if (equal_ascii_ignoring_case(scheme, u"https")) {
    scheme_number = INTERNET_SCHEME_HTTPS;
    port = INTERNET_DEFAULT_HTTPS_PORT;
  } else {
    SetLastError(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    return FALSE;
  }

  const std::u16string_view rest = address.substr(scheme_end + 3);
  const std::u16string_view authority = rest.substr(0, rest.find_first_of(u"/?#"));
  const std::u16string_view after_authority = rest.substr(authority.size());
  const std::u16string_view path = after_authority.substr(0, after_authority.find_first_of(u"?#"));
  const std::u16string_view extra = after_authority.substr(path.size());

  std::u16string_view user, password, host_and_port = authority;
  if (const auto at = authority.rfind(u'@'); at != std::u16string_view::npos) {
    const std::u16string_view user_info = authority.substr(0, at);
    host_and_port = authority.substr(at + 1);
    const auto colon = user_info.find(u':');
    user = user_info.substr(0, colon);
    if (colon != std::u16string_view::npos) password = user_info.substr(colon + 1);
  }
  std::u16string_view host = host_and_port;
  const auto port_colon = host_and_port.rfind(u':');
  if (port_colon != std::u16string_view::npos &&
      host_and_port.find(u']', port_colon) == std::u16string_view::npos) {
    host = host_and_port.substr(0, port_colon);
    if (!is_port(host_and_port.substr(port_colon + 1), port)) {
      SetLastError(ERROR_WINHTTP_INVALID_URL);
      return FALSE;
    }
  }
  if (!is_host(host)) {
    SetLastError(ERROR_WINHTTP_INVALID_URL);
    return FALSE;
  }

  components->nScheme = scheme_number;
  components->nPort = port;
  auto& c = *components;
  const bool all_fit = give_part(scheme, c.lpszScheme, c.dwSchemeLength) &
                       give_part(host, c.lpszHostName, c.dwHostNameLength) &
                       give_part(user, c.lpszUserName, c.dwUserNameLength) &
                       give_part(password, c.lpszPassword, c.dwPasswordLength) &
                       give_part(path, c.lpszUrlPath, c.dwUrlPathLength) &
                       give_part(extra, c.lpszExtraInfo, c.dwExtraInfoLength);
  if (!all_fit) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return TRUE;
}

}  // namespace winhttp_impl
