#pragma once
// A recording stand-in for the HTTP interface: while an instance lives, winhttp_functions()
// is its table. Every call is recorded with its arguments rendered as text, so a test can
// compare the exact sequence a request makes; results are scripted.
#include <map>
#include <string>
#include <vector>

#include "platform/winhttp/winhttp.h"

class RecordingWinHttp {
 public:
  RecordingWinHttp();
  ~RecordingWinHttp();
  RecordingWinHttp(const RecordingWinHttp&) = delete;
  RecordingWinHttp& operator=(const RecordingWinHttp&) = delete;

  // Script. A call whose record begins with this text fails (FALSE or null), e.g.
  // "WinHttpConnect" or "WinHttpSetOption(request, 63, 2".
  std::string failing_call;
  // The body, handed out in these pieces; a read fails instead of handing out piece
  // number `failing_read` (counted from 0) when that is set.
  std::vector<std::string> body_pieces;
  int failing_read = -1;
  // What the raw-headers query returns.
  std::u16string raw_headers = u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";

  // Record. Each call as "Name(arg, arg, ...)"; handles read "session", "connection" and
  // "request", strings are quoted, null pointers read "null".
  std::vector<std::string> calls;
  // Only the names of the calls, in order.
  std::vector<std::string> call_names() const;
  // The recorded calls whose name is `name`.
  std::vector<std::string> calls_named(const std::string& name) const;
  int open_handles() const { return static_cast<int>(open_.size()); }

  // Used by the table's functions.
  static RecordingWinHttp& current();
  bool fails_last_call() const {
    return !failing_call.empty() && calls.back().compare(0, failing_call.size(), failing_call) == 0;
  }
  HINTERNET open_handle(const std::string& kind);
  bool close_handle(HINTERNET handle);
  std::string handle_name(HINTERNET handle) const;
  std::size_t next_piece = 0;

 private:
  std::map<HINTERNET, std::string> open_;
  std::map<HINTERNET, std::string> names_;
  std::size_t handles_made_ = 0;
  ScopedWinHttpFunctions installed_;
};
