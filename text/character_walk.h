#pragma once
// The character walk shared by the text operations. Every byte of 0x80 or above is the lead
// byte of a two-byte character; a lead byte that is the last byte of a text is a truncated
// character. Boundaries are counted from a known boundary (the start of a walk).
#include <cstddef>
#include <string_view>

namespace character_walk {

inline constexpr std::size_t not_found = std::string_view::npos;

inline bool is_lead_byte(char byte) {
  return static_cast<unsigned char>(byte) >= 0x80;
}

// The size of the character at `boundary`: 1 or 2 bytes, or 0 for a truncated character.
inline std::size_t character_size(std::string_view text, std::size_t boundary) {
  if (!is_lead_byte(text[boundary])) return 1;
  return boundary + 1 < text.size() ? 2 : 0;
}

// The size of the space at `boundary` (0x20, or the full-width space A1 A1), 0 for no space.
inline std::size_t space_size(std::string_view text, std::size_t boundary) {
  if (text[boundary] == ' ') return 1;
  const bool full_width =
      text[boundary] == '\xA1' && boundary + 1 < text.size() && text[boundary + 1] == '\xA1';
  return full_width ? 2 : 0;
}

// Whether `position` is a character boundary of a walk that passed `known_boundary`. The byte
// after a byte below 0x80 is always a boundary (that byte is a character or a second byte),
// so only the run of lead bytes just before `position` needs counting: an even run ends on a
// boundary.
bool is_boundary(std::string_view text, std::size_t known_boundary, std::size_t position);

// The first position at or after `boundary` where the non-empty `needle` stands at a
// character boundary, or not_found. With `fold_case`, ASCII letters compare without case.
std::size_t find_at_boundary(std::string_view text, std::size_t boundary, std::string_view needle,
                             bool fold_case);

}  // namespace character_walk
