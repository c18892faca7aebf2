// The fast searches checked against a plain walk that steps one character at a time.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "text/text_ops.h"

namespace {

bool is_lead(char byte) {
  return static_cast<unsigned char>(byte) >= 0x80;
}

char fold(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : byte;
}

bool matches_at(const Text& text, std::size_t at, const Text& needle, bool fold_case) {
  for (std::size_t i = 0; i < needle.size(); ++i) {
    const char a = text[at + i];
    const char b = needle[i];
    if (fold_case ? fold(a) != fold(b) : a != b) return false;
  }
  return true;
}

// One step of the walk as written: compare, then step over one character, ending after a
// truncated lead byte or when fewer than needle.size() bytes remain.
struct ReferenceWalk {
  const Text& text;
  const Text& needle;
  bool fold_case;

  // The next match at or after `at`, or npos; `truncated` tells whether the walk ended on a
  // lead byte that is the last byte.
  std::size_t next(std::size_t at, bool& truncated) const {
    truncated = false;
    while (text.size() - at >= needle.size()) {
      if (matches_at(text, at, needle, fold_case)) return at;
      if (is_lead(text[at])) {
        if (at + 1 == text.size()) {
          truncated = true;
          return Text::npos;
        }
        at += 2;
      } else {
        at += 1;
      }
    }
    return Text::npos;
  }
};

std::int32_t reference_find(const Text& text, const Text& needle, std::size_t offset,
                            bool fold_case) {
  if (offset >= text.size()) return -1;
  bool truncated = false;
  const std::size_t found = ReferenceWalk{text, needle, fold_case}.next(offset, truncated);
  return found == Text::npos ? -1 : static_cast<std::int32_t>(found + 1);
}

// Copies characters that do not match and replaces those that do; a truncated lead byte that
// the walk reaches is dropped.
Text reference_replace(const Text& text, const Text& target, const Text& replacement,
                       std::size_t offset, bool fold_case) {
  if (offset >= text.size()) return text;
  Text result = text.substr(0, offset);
  std::size_t at = offset;
  while (text.size() - at >= target.size()) {
    if (matches_at(text, at, target, fold_case)) {
      result += replacement;
      at += target.size();
    } else if (!is_lead(text[at])) {
      result += text[at++];
    } else if (at + 1 == text.size()) {
      return result;
    } else {
      result.append(text, at, 2);
      at += 2;
    }
  }
  return result + text.substr(at);
}

TextArray reference_split(const Text& text, const Text& delimiter) {
  TextArray members;
  if (text.empty()) return members;
  const ReferenceWalk walk{text, delimiter, false};
  std::size_t at = 0;
  for (;;) {
    bool truncated = false;
    const std::size_t found = walk.next(at, truncated);
    if (found == Text::npos) break;
    members.push_back(text.substr(at, found - at));
    at = found + delimiter.size();
  }
  if (at < text.size()) members.push_back(text.substr(at));
  return members;
}

// Bytes from a small alphabet so that needles occur often, half of them 0x80 or above.
Text random_text(std::mt19937& random, std::size_t max_length) {
  static const char alphabet[] = {'a', 'A', ';', '\xA1', '\xB0', '\x81', '\x41', '\xFF'};
  std::uniform_int_distribution<std::size_t> length(0, max_length);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
  Text text(length(random), '\0');
  for (char& byte : text) byte = alphabet[pick(random)];
  return text;
}

TEST(CharacterWalk, FastSearchesAgreeWithAPlainWalk) {
  std::mt19937 random(20240601);
  for (int round = 0; round < 20000; ++round) {
    const Text text = random_text(random, 40);
    Text needle = random_text(random, 3);
    if (needle.empty()) needle = "\xA1";
    const std::int32_t start = std::uniform_int_distribution<std::int32_t>(
        -1, static_cast<std::int32_t>(text.size()) + 1)(random);
    const bool fold_case = round % 2 == 0;
    const std::size_t offset = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);
    SCOPED_TRACE(testing::Message() << "round " << round);

    EXPECT_EQ(find_text(text, needle, start, fold_case),
              reference_find(text, needle, offset, fold_case));
    EXPECT_EQ(replace_text(text, needle, Text("<>"), start, std::nullopt, !fold_case),
              reference_replace(text, needle, "<>", offset, fold_case));
    EXPECT_EQ(split_text(text, needle), reference_split(text, needle));
  }
}

// A long run of lead bytes with a needle that stands at every second byte: each candidate is
// checked against boundaries recovered from the known ones, not by walking from the start.
TEST(CharacterWalk, LongLeadRunsKeepTheirBoundaries) {
  Text text;
  for (int i = 0; i < 50000; ++i) text += "\xB0\xA1";
  EXPECT_EQ(find_text(text, "\xA1\xB0"), -1);
  EXPECT_EQ(find_text(text + "x\xA1\xB0", "\xA1\xB0"), 100002);
  EXPECT_EQ(split_text(text, "\xA1\xB0").size(), 1u);
  EXPECT_EQ(replace_text(text, "\xA1\xB0", Text("x"), std::nullopt, std::nullopt, true), text);
}

}  // namespace
