#pragma once
// The libcurl-backed implementations of the interface's functions, reached by name through
// winhttp_symbol() and the table of winhttp_functions().
#include "platform/winhttp/winhttp.h"

namespace winhttp_impl {

BOOL WinHttpCheckPlatform();
BOOL WinHttpCrackUrl(LPCWSTR url, DWORD url_length, DWORD flags, URL_COMPONENTS* components);
HINTERNET WinHttpOpen(LPCWSTR agent, DWORD access_type, LPCWSTR proxy, LPCWSTR proxy_bypass,
                      DWORD flags);
HINTERNET WinHttpConnect(HINTERNET session, LPCWSTR server, INTERNET_PORT port, DWORD reserved);
HINTERNET WinHttpOpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object_name,
                             LPCWSTR version, LPCWSTR referrer, LPCWSTR* accept_types, DWORD flags);
BOOL WinHttpSetTimeouts(HINTERNET handle, int resolve_ms, int connect_ms, int send_ms,
                        int receive_ms);
BOOL WinHttpSetCredentials(HINTERNET request, DWORD auth_targets, DWORD auth_scheme,
                           LPCWSTR user_name, LPCWSTR password, void* auth_params);
BOOL WinHttpSetOption(HINTERNET handle, DWORD option, void* buffer, DWORD buffer_length);
BOOL WinHttpAddRequestHeaders(HINTERNET request, LPCWSTR headers, DWORD headers_length,
                              DWORD modifiers);
BOOL WinHttpSendRequest(HINTERNET request, LPCWSTR headers, DWORD headers_length, void* optional,
                        DWORD optional_length, DWORD total_length, DWORD_PTR context);
BOOL WinHttpReceiveResponse(HINTERNET request, void* reserved);
BOOL WinHttpQueryDataAvailable(HINTERNET request, DWORD* bytes_available);
BOOL WinHttpReadData(HINTERNET request, void* buffer, DWORD bytes_to_read, DWORD* bytes_read);
BOOL WinHttpQueryHeaders(HINTERNET request, DWORD info_level, LPCWSTR name, void* buffer,
                         DWORD* buffer_length, DWORD* index);
BOOL WinHttpCloseHandle(HINTERNET handle);

}  // namespace winhttp_impl
