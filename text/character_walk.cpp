#include "text/character_walk.h"

namespace character_walk {
namespace {

char fold(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : byte;
}

bool equal_folded(const char* a, const char* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// The first position at or after `from` where the needle's bytes stand, boundary or not.
std::size_t find_bytes(std::string_view text, std::size_t from, std::string_view needle,
                       bool fold_case) {
  if (text.size() - from < needle.size()) return not_found;
  if (!fold_case) return text.find(needle, from);
  const char first = fold(needle.front());
  const std::size_t last_start = text.size() - needle.size();
  for (std::size_t position = from; position <= last_start; ++position) {
    if (fold(text[position]) == first &&
        equal_folded(text.data() + position + 1, needle.data() + 1, needle.size() - 1)) {
      return position;
    }
  }
  return not_found;
}

}  // namespace

bool is_boundary(std::string_view text, std::size_t known_boundary, std::size_t position) {
  std::size_t lead_run_start = position;
  while (lead_run_start > known_boundary && is_lead_byte(text[lead_run_start - 1])) {
    --lead_run_start;
  }
  return (position - lead_run_start) % 2 == 0;
}

std::size_t find_at_boundary(std::string_view text, std::size_t boundary, std::string_view needle,
                             bool fold_case) {
  for (;;) {
    const std::size_t candidate = find_bytes(text, boundary, needle, fold_case);
    if (candidate == not_found || is_boundary(text, boundary, candidate)) return candidate;
    // The candidate is the second byte of a character, so the next byte is a boundary; moving
    // the known boundary forward keeps every byte from being counted more than once.
    boundary = candidate + 1;
  }
}

}  // namespace character_walk
