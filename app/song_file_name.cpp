#include "app/song_file_name.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "app/system_text.h"
#include "text/text_ops.h"

namespace {

constexpr std::size_t longest_file_name = 255;  // bytes of UTF-8
constexpr std::string_view extension = ".mp3";

// Separators and control characters cannot stand in a file name. Neither byte occurs inside
// a multi-byte character of the system code page, so bytes can be replaced one by one.
Text without_unsafe_characters(Text title) {
  std::replace_if(
      title.begin(), title.end(),
      [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return value == '/' || value < 0x20 || value == 0x7F;
      },
      '_');
  return title;
}

// The length in bytes of the character of the system code page (GB18030) that starts at
// `position`: one byte below 0x80, four when the second byte is a digit, otherwise two.
std::size_t character_length(const Text& text, std::size_t position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  const std::size_t left = text.size() - position;
  if (lead < 0x80 || left == 1) return 1;
  const auto second = static_cast<unsigned char>(text[position + 1]);
  if (second >= '0' && second <= '9' && left >= 4) return 4;
  return 2;
}

// The longest leading run of whole characters whose UTF-8 form fits in `limit` bytes.
Text shortened(const Text& text, std::size_t limit) {
  std::size_t kept = 0;
  std::size_t utf8_length = 0;
  while (kept < text.size()) {
    const std::size_t length = character_length(text, kept);
    utf8_length += text_to_utf8(text.substr(kept, length)).size();
    if (utf8_length > limit) break;
    kept += length;
  }
  return text.substr(0, kept);
}

}  // namespace

Text song_file_name(const Text& song_title) {
  const std::size_t limit = longest_file_name - extension.size();
  Text name = without_unsafe_characters(song_title);
  if (text_to_utf8(name).size() > limit) name = shortened(name, limit);
  return join_text(std::move(name), extension);
}
