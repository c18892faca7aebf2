#include "text/text_ops.h"

#include <algorithm>
#include <cstddef>

#include "text/character_walk.h"

using character_walk::find_at_boundary;
using character_walk::is_boundary;
using character_walk::not_found;

namespace {

// The byte offset a walk starts at: a left-out start, or one of 1 or less, is the first byte.
std::size_t start_offset(std::optional<std::int32_t> start) {
  if (!start || *start <= 1) return 0;
  return static_cast<std::size_t>(*start) - 1;
}

// A left-out or negative limit means no limit.
std::optional<std::int32_t> limit_of(std::optional<std::int32_t> count) {
  if (count && *count < 0) return std::nullopt;
  return count;
}

unsigned char fold_ascii(unsigned char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte;
}

// The character at `position` as one number: a single byte, or lead and second byte
// together (a truncated character has a zero second byte).
unsigned comparison_unit(const Text& text, std::size_t position, bool case_sensitive) {
  const auto byte = static_cast<unsigned char>(text[position]);
  if (!character_walk::is_lead_byte(text[position])) {
    return case_sensitive ? byte : fold_ascii(byte);
  }
  const unsigned second =
      position + 1 < text.size() ? static_cast<unsigned char>(text[position + 1]) : 0;
  return byte << 8 | second;
}

}  // namespace

std::int32_t text_length(const Text& text) {
  return static_cast<std::int32_t>(text.size());
}

Text text_left(const Text& text, std::int32_t n) {
  if (n <= 0) return {};
  return text.substr(0, static_cast<std::size_t>(n));
}

Text text_right(const Text& text, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
  return text.substr(text.size() - count);
}

Text text_mid(const Text& text, std::int32_t start, std::int32_t n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n));
}

std::int32_t find_text(const Text& text, const Text& needle, std::optional<std::int32_t> start,
                       bool ignore_case) {
  const std::size_t offset = start_offset(start);
  if (offset >= text.size()) return -1;
  // An empty needle is found at the first byte, wherever the search starts.
  if (needle.empty()) return 1;
  const std::size_t found = find_at_boundary(text, offset, needle, ignore_case);
  return found == not_found ? -1 : static_cast<std::int32_t>(found + 1);
}

Text replace_text(const Text& text, const Text& target, const std::optional<Text>& replacement,
                  std::optional<std::int32_t> start, std::optional<std::int32_t> count,
                  bool case_sensitive) {
  const std::size_t offset = start_offset(start);
  const std::optional<std::int32_t> limit = limit_of(count);
  if (text.empty() || target.empty() || offset >= text.size() || limit == 0) return text;

  Text result(text, 0, offset);
  result.reserve(text.size());
  std::size_t position = offset;
  std::int32_t replaced = 0;
  for (;;) {
    const std::size_t found = find_at_boundary(text, position, target, !case_sensitive);
    if (found == not_found) break;
    result.append(text, position, found - position);
    if (replacement) result.append(*replacement);
    position = found + target.size();
    if (limit && ++replaced == *limit) {
      result.append(text, position);
      return result;
    }
  }
  // A one-byte target walks up to the last byte; a lead byte there is a truncated character,
  // which the walk drops. Longer targets stop the walk before it gets there.
  std::size_t end = text.size();
  if (target.size() == 1 && position < end && character_walk::is_lead_byte(text.back()) &&
      is_boundary(text, position, end - 1)) {
    --end;
  }
  result.append(text, position, end - position);
  return result;
}

TextArray split_text(const Text& text, const Text& delimiter, std::optional<std::int32_t> maximum) {
  const std::optional<std::int32_t> limit =
      maximum ? std::optional<std::int32_t>(std::max(*maximum, 0)) : std::nullopt;
  TextArray members;
  if (text.empty() || limit == 0) return members;
  if (delimiter.empty()) return {text};

  std::size_t position = 0;
  for (;;) {
    const std::size_t found = find_at_boundary(text, position, delimiter, false);
    if (found == not_found) break;
    members.emplace_back(text, position, found - position);
    position = found + delimiter.size();
    if (limit && members.size() == static_cast<std::size_t>(*limit)) return members;
  }
  if (position < text.size()) members.emplace_back(text, position);
  return members;
}

Text trim_text(const Text& text) {
  std::size_t first = 0;
  while (first < text.size()) {
    const std::size_t space = character_walk::space_size(text, first);
    if (space == 0) break;
    first += space;
  }
  std::size_t end = text.size();
  std::size_t trailing_spaces = not_found;
  for (std::size_t position = first; position < text.size();) {
    const std::size_t space = character_walk::space_size(text, position);
    if (space > 0) {
      if (trailing_spaces == not_found) trailing_spaces = position;
      position += space;
      continue;
    }
    const std::size_t size = character_walk::character_size(text, position);
    if (size == 0) {
      // A truncated character is cut off; the spaces before it stay.
      end = position;
      trailing_spaces = not_found;
      break;
    }
    trailing_spaces = not_found;
    position += size;
  }
  if (trailing_spaces != not_found) end = trailing_spaces;
  return text.substr(first, end - first);
}

Text remove_spaces(const Text& text) {
  Text result;
  result.reserve(text.size());
  for (std::size_t position = 0; position < text.size();) {
    const std::size_t space = character_walk::space_size(text, position);
    if (space > 0) {
      position += space;
      continue;
    }
    const std::size_t size = character_walk::character_size(text, position);
    if (size == 0) break;  // a truncated character at the end is dropped
    result.append(text, position, size);
    position += size;
  }
  return result;
}

std::int32_t compare_text(const Text& first, const Text& second, bool case_sensitive) {
  std::size_t a = 0;
  std::size_t b = 0;
  while (a < first.size() && b < second.size()) {
    const unsigned unit_a = comparison_unit(first, a, case_sensitive);
    const unsigned unit_b = comparison_unit(second, b, case_sensitive);
    if (unit_a != unit_b) return unit_a < unit_b ? -1 : 1;
    a += character_walk::is_lead_byte(first[a]) ? 2 : 1;
    b += character_walk::is_lead_byte(second[b]) ? 2 : 1;
  }
  const bool first_left = a < first.size();
  const bool second_left = b < second.size();
  if (first_left == second_left) return 0;
  return first_left ? 1 : -1;
}
