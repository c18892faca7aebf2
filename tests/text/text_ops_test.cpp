#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <optional>

#include "text/literal.h"

namespace {

constexpr std::nullopt_t left_out = std::nullopt;
const Text twice_ah = "\xB0\xA1\xB0\xA1";  // one double-byte character twice
const Text straddling = "\xA1\xB0";        // its second byte and the next lead byte

TEST(TextCuts, CountBytes) {
  const struct {
    const char* name;
    Text result;
    Text expected;
  } rows[] = {
      {"left within", text_left("abc", 2), "ab"},
      {"left past the end", text_left("abc", 5), "abc"},
      {"left zero", text_left("abc", 0), ""},
      {"left negative", text_left("abc", -3), ""},
      {"left halves a character", text_left("\xB0\xA1", 1), "\xB0"},
      {"right within", text_right("abc", 2), "bc"},
      {"right past the end", text_right("abc", 9), "abc"},
      {"right zero", text_right("abc", 0), ""},
      {"mid", text_mid("abcdef", 3, 2), "cd"},
      {"mid from 0", text_mid("abc", 0, 2), ""},
      {"mid past the end", text_mid("abc", 4, 1), ""},
      {"mid at the last byte", text_mid("abc", 3, 1), "c"},
      {"mid longer than the rest", text_mid("abc", 2, 10), "bc"},
      {"mid zero count", text_mid("abc", 1, 0), ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.result, row.expected);
  }
  EXPECT_EQ(text_length(""), 0);
  EXPECT_EQ(text_length("\xB0\xA1"
                        "a"),
            3);
}

TEST(FindText, PositionsOffsetsAndCase) {
  const struct {
    const char* name;
    Text text;
    Text needle;
    std::optional<std::int32_t> start;
    bool ignore_case;
    std::int32_t expected;
  } rows[] = {
      {"found", "abc", "c", left_out, false, 3},
      {"absent", "abc", "d", left_out, false, -1},
      {"position counts from the first byte", "abcabc", "abc", 2, false, 4},
      {"start 0", "abc", "a", 0, false, 1},
      {"negative start", "abc", "a", -5, false, 1},
      {"lowest start", "abc", "a", INT32_MIN, false, 1},
      {"start past the end", "abc", "a", 4, false, -1},
      {"start at the last byte", "abc", "c", 3, false, 3},
      {"ignore case on", "ABC", "b", left_out, true, 2},
      {"ignore case off", "ABC", "b", left_out, false, -1},
      {"folded needle", "set-cookie: x", "Set-Cookie", 1, true, 1},
      {"case folding leaves non-letters", "[", "{", left_out, true, -1},
      {"needle longer than the text", "ab", "abc", left_out, false, -1},
      {"empty needle", "abc", "", left_out, false, 1},
      {"empty needle from 3 gives 1", "abc", "", 3, false, 1},
      {"empty needle past the end", "abc", "", 4, false, -1},
      {"empty text, empty needle", "", "", left_out, false, -1},
      {"empty text", "", "a", left_out, false, -1},
      {"straddling bytes are no match", twice_ah, straddling, left_out, false, -1},
      {"whole character from its lead byte", twice_ah, "\xB0\xA1", 3, false, 3},
      {"start on a second byte shifts the boundaries", twice_ah, "\xB0\xA1", 2, false, -1},
      {"start inside a character walks from there", twice_ah, straddling, 2, false, 2},
      {"second byte below 0x80",
       "\x81\x41"
       "A",
       "A", left_out, false, 3},
      {"after ascii the boundary is known",
       "\xB0\xA1"
       "a\xA1\xB0",
       straddling, left_out, false, 4},
      {"truncated lead matches as one byte", "a\xB0", "\xB0", left_out, false, 2},
      {"folding reaches second bytes", "x\xB0\x41", "\xB0\x61", left_out, true, 2},
      {"double-byte needle with folding", "x\xC1\xC2", "\xC1\xC2", left_out, true, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(find_text(row.text, row.needle, row.start, row.ignore_case), row.expected);
  }
}

TEST(ReplaceText, CountsStartsAndCase) {
  const Text headers = "Set-Cookie: x\r\nset-cookie: y";
  const struct {
    const char* name;
    Text text;
    Text target;
    std::optional<Text> replacement;
    std::optional<std::int32_t> start;
    std::optional<std::int32_t> count;
    bool case_sensitive;
    Text expected;
  } rows[] = {
      {"all", "a-b-c", "-", "+", left_out, left_out, true, "a+b+c"},
      {"count 1", "a-b-c", "-", "+", left_out, 1, true, "a+b-c"},
      {"from position 3", "a-b-c", "-", "+", 3, left_out, true, "a-b+c"},
      {"count 0", "a-b-c", "-", "+", left_out, 0, true, "a-b-c"},
      {"negative count replaces all", "a-b-c", "-", "+", left_out, -1, true, "a+b+c"},
      {"replacement left out deletes", "a-b-c", "-", left_out, left_out, left_out, true, "abc"},
      {"no overlaps", "aaa", "aa", "b", left_out, left_out, true, "ba"},
      {"replacement not searched again", "aa", "a", "aa", left_out, left_out, true, "aaaa"},
      {"case-insensitive", headers, "Set-Cookie", "Set-Cookie", 1, left_out, false,
       "Set-Cookie: x\r\nSet-Cookie: y"},
      {"case-sensitive", headers, "Set-Cookie", "Set-Cookie", 1, left_out, true, headers},
      {"delete case-insensitive", "SET-COOKIE: a", "Set-Cookie:", left_out, left_out, left_out,
       false, " a"},
      {"empty text", "", "a", "b", left_out, left_out, true, ""},
      {"empty target", "abc", "", "x", left_out, left_out, true, "abc"},
      {"start past the end", "a-b", "-", "+", 4, left_out, true, "a-b"},
      {"straddling bytes are no match", twice_ah, straddling, "x", left_out, left_out, true,
       twice_ah},
      {"double-byte target",
       "a\xB0\xA1"
       "b\xB0\xA1",
       "\xB0\xA1", "-", left_out, left_out, true, "a-b-"},
      {"one-byte target drops a truncated lead", "ab\xB0", "a", "x", left_out, left_out, true,
       "xb"},
      {"longer target keeps a truncated lead", "ab\xB0", "ab", "x", left_out, left_out, true,
       "x\xB0"},
      {"count reached keeps a truncated lead", "ab\xB0", "a", "x", left_out, 1, true, "xb\xB0"},
      {"bytes before the start are kept", "\xB0-b-", "-", "+", 3, left_out, true, "\xB0-b+"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(replace_text(row.text, row.target, row.replacement, row.start, row.count,
                           row.case_sensitive),
              row.expected);
  }
}

TEST(SplitText, Delimiters) {
  const struct {
    const char* name;
    Text text;
    Text delimiter;
    std::optional<std::int32_t> maximum;
    TextArray expected;
  } rows[] = {
      {"trailing delimiter adds nothing", "a;b;", ";", left_out, {"a", "b"}},
      {"leading delimiter", ";a", ";", left_out, {"", "a"}},
      {"adjacent delimiters", "a;;b", ";", left_out, {"a", "", "b"}},
      {"delimiter only", ";", ";", left_out, {""}},
      {"empty text", "", ";", left_out, {}},
      {"maximum 2", "a;b;c", ";", 2, {"a", "b"}},
      {"maximum 0", "a;b", ";", 0, {}},
      {"negative maximum", "a;b", ";", -1, {}},
      {"maximum larger than the members", "a;b", ";", 5, {"a", "b"}},
      {"empty delimiter", "a;b", "", left_out, {"a;b"}},
      {"no delimiter", "ab", ";", left_out, {"ab"}},
      {"cr lf", "a\r\nb\r\n", "\r\n", left_out, {"a", "b"}},
      {"straddling bytes are no match", twice_ah, straddling, left_out, {twice_ah}},
      {"truncated lead stays in the last member", "a;\xB0", ";", left_out, {"a", "\xB0"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(split_text(row.text, row.delimiter, row.maximum), row.expected);
  }
}

TEST(Spaces, TrimAndRemove) {
  const Text wide_space = "\xA1\xA1";
  const struct {
    const char* name;
    Text text;
    Text trimmed;
    Text removed;
  } rows[] = {
      {"both ends", "  a b  ", "a b", "ab"},
      {"tabs are no spaces", "\ta\t", "\ta\t", "\ta\t"},
      {"full-width spaces", wide_space + "a" + wide_space, "a", "a"},
      {"spaces only", "   ", "", ""},
      {"mixed", " a b" + wide_space + "c ", "a b" + wide_space + "c", "abc"},
      {"empty", "", "", ""},
      {"A1 A1 across two characters is no space", "\xB1\xA1\xA1\xB2", "\xB1\xA1\xA1\xB2",
       "\xB1\xA1\xA1\xB2"},
      {"A1 A1 after a character is a space", "\xB0\xA1\xA1\xA1", "\xB0\xA1", "\xB0\xA1"},
      {"second byte A1 then space", "x\xB0\xA1 ", "x\xB0\xA1", "x\xB0\xA1"},
      {"truncated lead is cut, spaces before it stay", " a \xB0", "a ", "a"},
      {"lone A1 at the end", "a \xA1", "a ", "a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(trim_text(row.text), row.trimmed);
    EXPECT_EQ(remove_spaces(row.text), row.removed);
  }
}

TEST(CompareText, OrdersCharacters) {
  const struct {
    const char* name;
    Text first;
    Text second;
    bool case_sensitive;
    std::int32_t expected;
  } rows[] = {
      {"header name without case", "LOCATION: ", "Location: ", false, 0},
      {"header name with case", "LOCATION: ", "Location: ", true, -1},
      {"equal", "abc", "abc", true, 0},
      {"shorter first", "ab", "abc", true, -1},
      {"longer first", "abc", "ab", true, 1},
      {"empty texts", "", "", true, 0},
      {"double-byte after ascii", "\xB0\xA1", "z", true, 1},
      {"double-byte as one unit", "\xB0\xA1", "\xB0\xA2", true, -1},
      {"second bytes keep their case", "\xB0\x41", "\xB0\x61", false, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(compare_text(row.first, row.second, row.case_sensitive), row.expected);
  }
}

TEST(JoinText, ConcatenatesInOrder) {
  EXPECT_EQ(join_text(Text("a"), Text(""), Text("b"), "c"), "abc");
  EXPECT_EQ(join_text(Text(""), Text("")), "");
  Text all;
  for (int i = 0; i < 3; ++i) all = join_text(std::move(all), gbk_literal(u8"啊"));
  EXPECT_EQ(all, "\xB0\xA1\xB0\xA1\xB0\xA1");
}

}  // namespace
