#pragma once
// Operations on Text. Positions are 1-based byte positions, -1 means "not found", lengths
// count bytes. The searching operations walk characters: every byte of 0x80 or above is the
// lead byte of a two-byte character, and matches are found only at character boundaries
// counted from the start offset. Case folding, where asked for, maps ASCII A-Z only.
#include <concepts>
#include <cstdint>
#include <optional>
#include <string_view>

#include "text/types.h"

std::int32_t text_length(const Text& text);
Text text_left(const Text& text, std::int32_t n);
Text text_right(const Text& text, std::int32_t n);
Text text_mid(const Text& text, std::int32_t start, std::int32_t n);

// The position of the first occurrence of `needle` at or after `start`, counted from the
// text's first byte; a left-out start or one of 1 or less searches from the first byte.
std::int32_t find_text(const Text& text, const Text& needle,
                       std::optional<std::int32_t> start = std::nullopt, bool ignore_case = false);

// `text` with occurrences of `target` replaced; a left-out replacement deletes them, a
// left-out (or negative) count replaces all.
Text replace_text(const Text& text, const Text& target, const std::optional<Text>& replacement,
                  std::optional<std::int32_t> start, std::optional<std::int32_t> count,
                  bool case_sensitive);

// Members between delimiters: a leading or doubled delimiter gives an empty member, a
// trailing one none; an empty text or a maximum of 0 gives no members.
TextArray split_text(const Text& text, const Text& delimiter,
                     std::optional<std::int32_t> maximum = std::nullopt);

// Spaces are the byte 0x20 and the full-width space A1 A1.
Text trim_text(const Text& text);
Text remove_spaces(const Text& text);

// -1, 0 or 1; double-byte characters compare as one unit.
std::int32_t compare_text(const Text& first, const Text& second, bool case_sensitive);

// The concatenation of the arguments in order. The first argument is taken by value, so a
// caller that gathers text in a loop (`all = join_text(std::move(all), piece)`) appends in
// place instead of copying what it has gathered.
template <std::convertible_to<std::string_view>... More>
Text join_text(Text first, const More&... more) {
  (first.append(std::string_view(more)), ...);
  return first;
}
