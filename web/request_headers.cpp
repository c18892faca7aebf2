#include "web/request_headers.h"

#include <optional>

#include "text/text_ops.h"

namespace {

struct DefaultHeader {
  const char* probe;
  std::optional<std::int32_t> start;
  bool ignore_case;
  const char* line;
};

// Probed as a plain substring of the whole header text, not only at line starts. The
// Content-Type probe has no blank after the colon and respects case.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", 1, true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", 1, true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", 1, true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", 1, true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", std::nullopt, false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", std::nullopt, true, "Cache-Control: no-cache\r\n"},
};

}  // namespace

Text request_headers(const Text& extra_headers, const Text& cookies) {
  Text headers = extra_headers.empty() ? Text() : join_text(extra_headers, "\r\n");
  for (const DefaultHeader& header : kDefaultHeaders) {
    if (find_text(headers, header.probe, header.start, header.ignore_case) == -1) {
      headers = join_text(std::move(headers), header.line);
    }
  }
  if (!cookies.empty() && find_text(headers, "Cookie: ", std::nullopt, true) == -1) {
    headers = join_text(std::move(headers), "Cookie: ", cookies, "\r\n");
  }
  return headers;
}
