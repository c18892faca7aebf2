#include "web/merge_cookies.h"

#include "text/bytes_ops.h"
#include "text/text_ops.h"

namespace {

const Text member_separator = ";";
const Text merged_separator = "; ";
const Text deleted_suffix = "=deleted";

}  // namespace

Text merge_cookies(Text& cookies, Text& returned_cookies) {
  cookies = remove_spaces(cookies);
  returned_cookies = remove_spaces(returned_cookies);

  const TextArray old_members = split_text(cookies, member_separator);
  TextArray merged = split_text(returned_cookies, member_separator);
  // Old members appended here count too, so of several old members with one name the first
  // stays; the server's members are all kept.
  for (const Text& member : old_members) {
    if (!cookie_name_present(merged, cookie_name(member))) array_append(merged, member);
  }

  cookies.clear();
  for (const Text& member : merged) {
    if (text_right(member, text_length(deleted_suffix)) != deleted_suffix) {
      cookies = join_text(std::move(cookies), member, merged_separator);
    }
  }
  cookies = text_left(cookies, text_length(cookies) - text_length(merged_separator));
  cookies = join_unique(cookies, merged_separator);
  return cookies;
}

Text cookie_name(const Text& member) {
  const std::int32_t equals = find_text(member, "=");
  return trim_text(equals == -1 ? member : text_left(member, equals - 1));
}

bool cookie_name_present(const TextArray& members, const Text& name) {
  for (const Text& member : members) {
    if (cookie_name(member) == name) return true;
  }
  return false;
}

Text join_unique(const Text& text, const Text& delimiter) {
  TextArray seen;
  Text joined;
  for (const Text& part : split_text(text, delimiter)) {
    if (find_member(seen, part) != -1) continue;
    array_append(seen, part);
    joined = join_text(std::move(joined), part, delimiter);
  }
  return text_left(joined, text_length(joined) - text_length(delimiter));
}

std::int32_t find_member(const TextArray& members, const Text& text) {
  for (std::int32_t number = 1; number <= array_size(members); ++number) {
    if (array_item(members, number) == text) return number;
  }
  return -1;
}
