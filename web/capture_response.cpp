#include "web/capture_response.h"

#include <optional>

#include "platform/com/com_init.h"
#include "text/bytes_ops.h"
#include "text/conversion.h"
#include "text/text_between.h"
#include "text/text_ops.h"
#include "web/event_pump.h"
#include "web/merge_cookies.h"

namespace {

// The raw response headers by the two-call protocol: first the size, then the text.
std::optional<Text> read_raw_headers(const WinHttpFunctions& api, HINTERNET request) {
  DWORD size = 0;
  DWORD index = 0;
  Bytes buffer;
  api.WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, buffer.data(), &size,
                          &index);
  buffer = blank_bytes(static_cast<std::int32_t>(size));
  index = 0;
  if (!api.WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, buffer.data(),
                               &size, &index)) {
    return std::nullopt;
  }
  return unicode_to_ansi(buffer);
}

// The status line's text after the protocol and version ("200 OK"); empty when no CR LF
// ends it.
Text status_line_text(const Text& headers) {
  return text_mid(headers, 10, find_text(headers, "\r\n", 10) - 10);
}

// The cookie a Set-Cookie line carries: its first member.
Text cookie_of(const Text& line) {
  const Text cookie = find_text(line, ";") == -1 ? replace_text(line, "Set-Cookie:", std::nullopt,
                                                                std::nullopt, std::nullopt, false)
                                                 : text_between(line, "Set-Cookie:", ";");
  return trim_text(cookie);
}

// The body decoded from `charset` by the stream component. The page stays `page_text` when
// the stream cannot be made or does not know the charset; it is empty when reading fails.
Text recode(const Bytes& response_body, const Text& charset, const Text& page_text,
            CaptureObjects& objects) {
  if (!automation_create(objects.stream, "Adodb.Stream")) return page_text;
  variant_assign(objects.body, response_body);
  automation_set(objects.stream, "Type", std::int32_t{1});  // binary
  automation_set(objects.stream, "Mode", std::int32_t{3});  // read and write
  automation_call(objects.stream, "Open");
  automation_call(objects.stream, "Write", objects.body);
  automation_set(objects.stream, "Position", std::int32_t{0});
  automation_set(objects.stream, "Type", std::int32_t{2});  // text
  // A charset the stream does not know would leave it decoding with the one it had: the
  // page would turn into garbage, so it is kept as read instead.
  const Text recoded = automation_set(objects.stream, "Charset", charset)
                           ? automation_call_text(objects.stream, "ReadText")
                           : page_text;
  automation_call(objects.stream, "Close");
  automation_release(objects.stream);
  variant_clear(objects.body);
  return recoded;
}

}  // namespace

Text capture_response(const WinHttpFunctions& api, HINTERNET request, const Bytes& response_body,
                      const WebAccessParams& params, CaptureObjects& objects) {
  const std::optional<Text> raw_headers = read_raw_headers(api, request);
  if (!raw_headers) return Text();

  // Every spelling of the header name becomes "Set-Cookie", in the returned headers too.
  const Text headers = replace_text(*raw_headers, "Set-Cookie", Text("Set-Cookie"), std::nullopt,
                                    std::nullopt, false);
  if (params.status_text) *params.status_text = status_line_text(*raw_headers);
  if (params.returned_headers) *params.returned_headers = headers;

  // The returned cookies start empty, so a variable reused from an earlier call does not
  // carry that call's cookies.
  Text returned_cookies;
  const TextArray lines = split_text(headers, "\r\n");
  for (std::int32_t number = 1; number <= array_size(lines); ++number) {
    const Text line = array_item(lines, number);
    if (find_text(line, "Set-Cookie") != -1) {
      returned_cookies = join_text(std::move(returned_cookies), cookie_of(line), "; ");
    }
    if (params.redirect_address && compare_text(text_left(line, 10), "Location: ", false) == 0) {
      *params.redirect_address = text_mid(line, 11, text_length(line) - 10);
    }
    pump_events();
  }
  returned_cookies = text_left(returned_cookies, text_length(returned_cookies) - 2);
  if (params.cookies) merge_cookies(*params.cookies, returned_cookies);
  if (params.returned_cookies) *params.returned_cookies = returned_cookies;
  if (params.returned_bytes) *params.returned_bytes = response_body;

  Text page_text = bytes_to_text(response_body);
  CoInitialize(nullptr);
  if (objects.regex.create("<meta.+?charset=[^\\w]?([-\\w]+)", text_left(page_text, 1024))) {
    const Text declared_charset = objects.regex.submatch_text(1, 1);
    if (!declared_charset.empty() && declared_charset != "gbk" && declared_charset != "gb2312") {
      page_text = recode(response_body, declared_charset, page_text, objects);
    }
    pump_events();
  }
  CoUninitialize();
  return page_text;
}
