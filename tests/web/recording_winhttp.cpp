#include "tests/web/recording_winhttp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/base/last_error.h"

namespace {

RecordingWinHttp* current_recorder = nullptr;

std::string narrow(std::u16string_view wide) {
  std::string out;
  for (char16_t unit : wide) {
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04X", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  return out;
}

std::string quoted(LPCWSTR text) {
  return text ? "\"" + narrow(text) + "\"" : std::string("null");
}

std::string quoted(LPCWSTR text, DWORD length) {
  return text ? "\"" + narrow(std::u16string_view(text, length)) + "\"" : std::string("null");
}

std::string hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%X", static_cast<unsigned>(value));
  return text;
}

RecordingWinHttp& rec() {
  return RecordingWinHttp::current();
}

void record(const std::string& name, const std::string& args) {
  rec().calls.push_back(name + "(" + args + ")");
}

// Fails the call just recorded when it matches the script.
BOOL scripted_result() {
  if (rec().fails_last_call()) {
    SetLastError(ERROR_WINHTTP_INTERNAL_ERROR);
    return FALSE;
  }
  return TRUE;
}

BOOL CheckPlatform() {
  record("WinHttpCheckPlatform", "");
  return scripted_result();
}

// Cracks "scheme://host[:port][path][?extra]", the only shape the tests use.
BOOL CrackUrl(LPCWSTR url, DWORD url_length, DWORD flags, URL_COMPONENTS* c) {
  record("WinHttpCrackUrl", quoted(url) + ", " + std::to_string(url_length) + ", " +
                                std::to_string(flags) + ", size " +
                                std::to_string(c->dwStructSize) + " lengths " +
                                std::to_string(static_cast<int>(c->dwSchemeLength)) + "/" +
                                std::to_string(static_cast<int>(c->dwHostNameLength)) + "/" +
                                std::to_string(static_cast<int>(c->dwUrlPathLength)) + "/" +
                                std::to_string(static_cast<int>(c->dwExtraInfoLength)));
  const std::u16string_view text(url ? url : u"", url ? url_length : 0);
  const std::size_t scheme_end = text.find(u"://");
  if (rec().fails_last_call() || scheme_end == std::u16string_view::npos) {
    SetLastError(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    return FALSE;
  }
  const std::u16string_view scheme = text.substr(0, scheme_end);
  c->nScheme = scheme == u"https" ? INTERNET_SCHEME_HTTPS : INTERNET_SCHEME_HTTP;
  const std::size_t host_start = scheme_end + 3;
  std::size_t host_end = text.find_first_of(u":/?", host_start);
  if (host_end == std::u16string_view::npos) host_end = text.size();
  c->lpszHostName = const_cast<LPWSTR>(url + host_start);
  c->dwHostNameLength = static_cast<DWORD>(host_end - host_start);
  c->nPort = c->nScheme == INTERNET_SCHEME_HTTPS ? 443 : 80;
  std::size_t rest = host_end;
  if (rest < text.size() && text[rest] == u':') {
    int port = 0;
    for (++rest; rest < text.size() && text[rest] >= u'0' && text[rest] <= u'9'; ++rest) {
      port = port * 10 + (text[rest] - u'0');
    }
    c->nPort = static_cast<INTERNET_PORT>(port);
  }
  std::size_t extra = text.find(u'?', rest);
  if (extra == std::u16string_view::npos) extra = text.size();
  c->lpszUrlPath = const_cast<LPWSTR>(url + rest);
  c->dwUrlPathLength = static_cast<DWORD>(extra - rest);
  c->lpszExtraInfo = const_cast<LPWSTR>(url + extra);
  c->dwExtraInfoLength = static_cast<DWORD>(text.size() - extra);
  return TRUE;
}

HINTERNET Open(LPCWSTR agent, DWORD access_type, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
  record("WinHttpOpen", quoted(agent) + ", " + std::to_string(access_type) + ", " + quoted(proxy) +
                            ", " + quoted(bypass) + ", " + std::to_string(flags));
  return scripted_result() ? rec().open_handle("session") : nullptr;
}

HINTERNET Connect(HINTERNET session, LPCWSTR server, INTERNET_PORT port, DWORD reserved) {
  record("WinHttpConnect", rec().handle_name(session) + ", " + quoted(server) + ", " +
                               std::to_string(port) + ", " + std::to_string(reserved));
  return scripted_result() ? rec().open_handle("connection") : nullptr;
}

HINTERNET OpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version,
                      LPCWSTR referrer, LPCWSTR* accept_types, DWORD flags) {
  record("WinHttpOpenRequest", rec().handle_name(connection) + ", " + quoted(verb) + ", " +
                                   quoted(object) + ", " + quoted(version) + ", " +
                                   quoted(referrer) + ", " + (accept_types ? "types" : "null") +
                                   ", " + hex(flags));
  return scripted_result() ? rec().open_handle("request") : nullptr;
}

BOOL SetTimeouts(HINTERNET handle, int resolve, int connect, int send, int receive) {
  record("WinHttpSetTimeouts", rec().handle_name(handle) + ", " + std::to_string(resolve) + ", " +
                                   std::to_string(connect) + ", " + std::to_string(send) + ", " +
                                   std::to_string(receive));
  return scripted_result();
}

BOOL SetCredentials(HINTERNET request, DWORD targets, DWORD scheme, LPCWSTR user, LPCWSTR password,
                    void* params) {
  record("WinHttpSetCredentials", rec().handle_name(request) + ", " + std::to_string(targets) +
                                      ", " + std::to_string(scheme) + ", " + quoted(user) + ", " +
                                      quoted(password) + ", " + (params ? "params" : "null"));
  return scripted_result();
}

BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) {
  DWORD value = 0;
  if (buffer && length == sizeof(value)) std::memcpy(&value, buffer, sizeof(value));
  record("WinHttpSetOption", rec().handle_name(handle) + ", " + std::to_string(option) + ", " +
                                 std::to_string(value) + ", " + std::to_string(length));
  return scripted_result();
}

BOOL AddRequestHeaders(HINTERNET request, LPCWSTR headers, DWORD length, DWORD modifiers) {
  record("WinHttpAddRequestHeaders", rec().handle_name(request) + ", " + quoted(headers, length) +
                                         ", " + std::to_string(length) + ", " + hex(modifiers));
  return scripted_result();
}

BOOL SendRequest(HINTERNET request, LPCWSTR headers, DWORD headers_length, void* optional,
                 DWORD optional_length, DWORD total_length, DWORD_PTR context) {
  const std::string body =
      optional ? "\"" + std::string(static_cast<const char*>(optional), optional_length) + "\""
               : std::string("null");
  record("WinHttpSendRequest", rec().handle_name(request) + ", " + quoted(headers) + ", " +
                                   std::to_string(headers_length) + ", " + body + ", " +
                                   std::to_string(optional_length) + ", " +
                                   std::to_string(total_length) + ", " + std::to_string(context));
  return scripted_result();
}

BOOL ReceiveResponse(HINTERNET request, void* reserved) {
  record("WinHttpReceiveResponse",
         rec().handle_name(request) + ", " + (reserved ? "reserved" : "null"));
  return scripted_result();
}

BOOL QueryDataAvailable(HINTERNET request, DWORD* available) {
  record("WinHttpQueryDataAvailable", rec().handle_name(request));
  if (!scripted_result()) return FALSE;
  RecordingWinHttp& r = rec();
  *available = r.next_piece < r.body_pieces.size()
                   ? static_cast<DWORD>(r.body_pieces[r.next_piece].size())
                   : 0;
  return TRUE;
}

BOOL ReadData(HINTERNET request, void* buffer, DWORD to_read, DWORD* read) {
  record("WinHttpReadData", rec().handle_name(request) + ", " + std::to_string(to_read));
  RecordingWinHttp& r = rec();
  if (!scripted_result() || static_cast<int>(r.next_piece) == r.failing_read ||
      r.next_piece >= r.body_pieces.size()) {
    SetLastError(ERROR_WINHTTP_CONNECTION_ERROR);
    return FALSE;
  }
  const std::string& piece = r.body_pieces[r.next_piece++];
  const DWORD count = std::min<DWORD>(to_read, static_cast<DWORD>(piece.size()));
  std::memcpy(buffer, piece.data(), count);
  *read = count;
  return TRUE;
}

// Two calls: the size (bytes, terminator included) with ERROR_INSUFFICIENT_BUFFER, then
// the text.
BOOL QueryHeaders(HINTERNET request, DWORD level, LPCWSTR name, void* buffer, DWORD* length,
                  DWORD* index) {
  record("WinHttpQueryHeaders", rec().handle_name(request) + ", " + std::to_string(level) + ", " +
                                    quoted(name) + ", " + (buffer ? "buffer" : "null") + ", " +
                                    std::to_string(*length) + ", " +
                                    (index ? std::to_string(*index) : std::string("null")));
  if (!scripted_result()) return FALSE;
  const std::u16string& headers = rec().raw_headers;
  const DWORD needed = static_cast<DWORD>((headers.size() + 1) * 2);
  if (!buffer || *length < needed) {
    *length = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, headers.c_str(), needed);
  *length = needed - 2;
  return TRUE;
}

BOOL CloseHandle(HINTERNET handle) {
  record("WinHttpCloseHandle", rec().handle_name(handle));
  return rec().close_handle(handle);
}

const WinHttpFunctions kRecordingTable = {
    CheckPlatform,   CrackUrl,           Open,      Connect,           OpenRequest,
    SetTimeouts,     SetCredentials,     SetOption, AddRequestHeaders, SendRequest,
    ReceiveResponse, QueryDataAvailable, ReadData,  QueryHeaders,      CloseHandle,
};

}  // namespace

RecordingWinHttp::RecordingWinHttp() : installed_(&kRecordingTable) {
  current_recorder = this;
}

RecordingWinHttp::~RecordingWinHttp() {
  current_recorder = nullptr;
}

RecordingWinHttp& RecordingWinHttp::current() {
  return *current_recorder;
}

std::vector<std::string> RecordingWinHttp::call_names() const {
  std::vector<std::string> names;
  for (const std::string& call : calls) names.push_back(call.substr(0, call.find('(')));
  return names;
}

std::vector<std::string> RecordingWinHttp::calls_named(const std::string& name) const {
  std::vector<std::string> found;
  for (const std::string& call : calls) {
    if (call.compare(0, name.size() + 1, name + "(") == 0) found.push_back(call);
  }
  return found;
}

HINTERNET RecordingWinHttp::open_handle(const std::string& kind) {
  HINTERNET handle = reinterpret_cast<HINTERNET>(0x1000 + ++handles_made_);
  open_[handle] = kind;
  names_[handle] = kind;
  return handle;
}

bool RecordingWinHttp::close_handle(HINTERNET handle) {
  return open_.erase(handle) == 1;
}

std::string RecordingWinHttp::handle_name(HINTERNET handle) const {
  const auto found = names_.find(handle);
  return found == names_.end() ? std::string("null") : found->second;
}
