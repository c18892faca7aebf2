#pragma once
// A WinHTTP-shaped HTTP client interface. The callers reach it through a table of
// functions bound by name (winhttp_functions()), so a test can put a recording fake in
// place of the libcurl-backed implementation.
//
// Strings are UTF-16 (char16_t), handles are opaque, failures are FALSE or null with the
// thread's last-error set (platform/base/last_error.h).
#include <cstdint>

#include "platform/base/win_types.h"

using HINTERNET = void*;
using INTERNET_PORT = std::uint16_t;
using INTERNET_SCHEME = int;

inline constexpr INTERNET_SCHEME INTERNET_SCHEME_HTTP = 1;
inline constexpr INTERNET_SCHEME INTERNET_SCHEME_HTTPS = 2;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

inline constexpr DWORD WINHTTP_ACCESS_TYPE_DEFAULT_PROXY = 0;
inline constexpr DWORD WINHTTP_ACCESS_TYPE_NO_PROXY = 1;
inline constexpr DWORD WINHTTP_ACCESS_TYPE_NAMED_PROXY = 3;

inline constexpr DWORD WINHTTP_FLAG_SECURE = 0x00800000;

inline constexpr DWORD WINHTTP_OPTION_DISABLE_FEATURE = 63;
inline constexpr DWORD WINHTTP_OPTION_ENABLE_FEATURE = 79;
inline constexpr DWORD WINHTTP_DISABLE_COOKIES = 0x00000001;
inline constexpr DWORD WINHTTP_DISABLE_REDIRECTS = 0x00000002;
inline constexpr DWORD WINHTTP_ENABLE_SSL_REVOCATION = 0x00000001;

inline constexpr DWORD WINHTTP_ADDREQ_FLAG_ADD = 0x20000000;
inline constexpr DWORD WINHTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

inline constexpr DWORD WINHTTP_AUTH_TARGET_SERVER = 0;
inline constexpr DWORD WINHTTP_AUTH_TARGET_PROXY = 1;
inline constexpr DWORD WINHTTP_AUTH_SCHEME_BASIC = 1;

inline constexpr DWORD WINHTTP_QUERY_RAW_HEADERS_CRLF = 22;

inline constexpr DWORD ERROR_WINHTTP_TIMEOUT = 12002;
inline constexpr DWORD ERROR_WINHTTP_INTERNAL_ERROR = 12004;
inline constexpr DWORD ERROR_WINHTTP_INVALID_URL = 12005;
inline constexpr DWORD ERROR_WINHTTP_UNRECOGNIZED_SCHEME = 12006;
inline constexpr DWORD ERROR_WINHTTP_NAME_NOT_RESOLVED = 12007;
inline constexpr DWORD ERROR_WINHTTP_INVALID_OPTION = 12009;
inline constexpr DWORD ERROR_WINHTTP_OPERATION_CANCELLED = 12017;
inline constexpr DWORD ERROR_WINHTTP_INCORRECT_HANDLE_TYPE = 12018;
inline constexpr DWORD ERROR_WINHTTP_INCORRECT_HANDLE_STATE = 12019;
inline constexpr DWORD ERROR_WINHTTP_CONNECTION_ERROR = 12030;
inline constexpr DWORD ERROR_WINHTTP_CANNOT_CONNECT = 12029;
inline constexpr DWORD ERROR_WINHTTP_REDIRECT_FAILED = 12156;
inline constexpr DWORD ERROR_WINHTTP_HEADER_NOT_FOUND = 12150;
inline constexpr DWORD ERROR_WINHTTP_INVALID_SERVER_RESPONSE = 12152;
inline constexpr DWORD ERROR_WINHTTP_SECURE_FAILURE = 12175;

struct URL_COMPONENTS {
  DWORD dwStructSize;
  LPWSTR lpszScheme;
  DWORD dwSchemeLength;
  INTERNET_SCHEME nScheme;
  LPWSTR lpszHostName;
  DWORD dwHostNameLength;
  INTERNET_PORT nPort;
  LPWSTR lpszUserName;
  DWORD dwUserNameLength;
  LPWSTR lpszPassword;
  DWORD dwPasswordLength;
  LPWSTR lpszUrlPath;
  DWORD dwUrlPathLength;
  LPWSTR lpszExtraInfo;
  DWORD dwExtraInfoLength;
};

// The functions of the interface, by their platform names and shapes.
struct WinHttpFunctions {
  BOOL (*WinHttpCheckPlatform)();
  BOOL (*WinHttpCrackUrl)(LPCWSTR url, DWORD url_length, DWORD flags, URL_COMPONENTS* components);
  HINTERNET(*WinHttpOpen)
  (LPCWSTR agent, DWORD access_type, LPCWSTR proxy, LPCWSTR proxy_bypass, DWORD flags);
  HINTERNET(*WinHttpConnect)
  (HINTERNET session, LPCWSTR server, INTERNET_PORT port, DWORD reserved);
  HINTERNET(*WinHttpOpenRequest)
  (HINTERNET connection, LPCWSTR verb, LPCWSTR object_name, LPCWSTR version, LPCWSTR referrer,
   LPCWSTR* accept_types, DWORD flags);
  BOOL(*WinHttpSetTimeouts)
  (HINTERNET handle, int resolve_ms, int connect_ms, int send_ms, int receive_ms);
  BOOL(*WinHttpSetCredentials)
  (HINTERNET request, DWORD auth_targets, DWORD auth_scheme, LPCWSTR user_name, LPCWSTR password,
   void* auth_params);
  BOOL (*WinHttpSetOption)(HINTERNET handle, DWORD option, void* buffer, DWORD buffer_length);
  BOOL(*WinHttpAddRequestHeaders)
  (HINTERNET request, LPCWSTR headers, DWORD headers_length, DWORD modifiers);
  BOOL(*WinHttpSendRequest)
  (HINTERNET request, LPCWSTR headers, DWORD headers_length, void* optional, DWORD optional_length,
   DWORD total_length, DWORD_PTR context);
  BOOL (*WinHttpReceiveResponse)(HINTERNET request, void* reserved);
  BOOL (*WinHttpQueryDataAvailable)(HINTERNET request, DWORD* bytes_available);
  BOOL (*WinHttpReadData)(HINTERNET request, void* buffer, DWORD bytes_to_read, DWORD* bytes_read);
  BOOL(*WinHttpQueryHeaders)
  (HINTERNET request, DWORD info_level, LPCWSTR name, void* buffer, DWORD* buffer_length,
   DWORD* index);
  BOOL (*WinHttpCloseHandle)(HINTERNET handle);
};

// The library's function of that name (its platform name, e.g. "WinHttpOpen"), as the
// platform's symbol lookup gives it: to be cast to its type; null for an unknown name.
using WinHttpProc = void (*)();
WinHttpProc winhttp_symbol(const char* name);

// The table in use: the libcurl-backed library bound by name on first use, or the table a
// test installed. Null when binding failed (the platform check then fails).
const WinHttpFunctions* winhttp_functions();

// Installs a substitute table for the lifetime of the guard (tests).
class ScopedWinHttpFunctions {
 public:
  explicit ScopedWinHttpFunctions(const WinHttpFunctions* substitute);
  ~ScopedWinHttpFunctions();
  ScopedWinHttpFunctions(const ScopedWinHttpFunctions&) = delete;
  ScopedWinHttpFunctions& operator=(const ScopedWinHttpFunctions&) = delete;

 private:
  const WinHttpFunctions* previous_;
};

// Number of session, connection and request handles of the libcurl-backed library that
// are open now.
int winhttp_open_handle_count();
