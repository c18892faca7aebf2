#include "text/text_between.h"

#include "text/literal.h"
#include "text/text_ops.h"

namespace {

// Callers write a double quote inside a marker as "#引号".
Text with_quotes(const Text& marker) {
  static const Text quote_placeholder = gbk_literal(u8"#引号");
  return replace_text(marker, quote_placeholder, Text("\""), std::nullopt, std::nullopt, true);
}

}  // namespace

Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                  std::optional<std::int32_t> start, bool ignore_case) {
  const Text opening = with_quotes(start_marker);
  const Text closing = with_quotes(end_marker);
  std::int32_t after_opening = find_text(text, opening, start, ignore_case);
  if (after_opening != -1) after_opening += text_length(opening);
  const std::int32_t before_closing = find_text(text, closing, after_opening, ignore_case);
  if (after_opening == -1 || before_closing == -1) return {};
  return text_mid(text, after_opening, before_closing - after_opening);
}
