#include "regex/regex_object.h"

#include <climits>
#include <optional>
#include <vector>

#include "tests/platform/com/balanced_runtime.h"
#include "tests/regex/recording_component.h"
#include "text/literal.h"

namespace {

class RegexObjectTest : public BalancedRuntimeTest {};

Text gbk(std::u8string_view text) {
  return gbk_literal(text);
}

struct Switches {
  std::optional<bool> case_sensitive = std::nullopt;
  std::optional<bool> multiline = std::nullopt;
  std::optional<bool> global = std::nullopt;
  std::optional<bool> quote_placeholder = std::nullopt;
};

bool run(RegexObject& regex, const Text& pattern, const Text& subject, const Switches& s) {
  return regex.create(pattern, subject, s.case_sensitive, s.multiline, s.global,
                      s.quote_placeholder);
}

struct Found {
  Text text;
  std::int32_t position;
  friend bool operator==(const Found&, const Found&) = default;
};

struct ExpectedMatch {
  Found match;
  std::vector<Found> groups;
};

struct MatchCase {
  const char* name;
  Text pattern;
  Text subject;
  Switches switches;
  std::vector<ExpectedMatch> expected;
};

TEST_F(RegexObjectTest, MatchesGroupsCountsAndBytePositions) {
  const Text filler(1100, 'x');
  const MatchCase cases[] = {
      {"double-byte character before the match", "abc", gbk(u8"价abc"), {}, {{{"abc", 2}, {}}}},
      {"two double-byte characters before the match",
       "abc",
       gbk(u8"价格abc"),
       {},
       {{{"abc", 4}, {}}}},
      {"four-byte character before the match", "x", "\x95\x32\x82\x36x", {}, {{{"x", 4}, {}}}},
      {"second of two adjacent matches", "aa", "aaaa", {}, {{{"aa", 0}, {}}, {{"aa", 2}, {}}}},
      {"case respected on request", "Aa", "aAa", {.case_sensitive = true}, {{{"Aa", 1}, {}}}},
      {"case ignored by default", "ABC", "xabc", {}, {{{"abc", 1}, {}}}},
      {"first match only", "a", "aa", {.global = false}, {{{"a", 0}, {}}}},
      {"multi-line by default", "^b", "a\nb", {}, {{{"b", 2}, {}}}},
      {"single-line on request", "^b", "a\nb", {.multiline = false}, {}},
      {"nothing matches", "z", "abc", {}, {}},
      {"empty subject", "a", "", {}, {}},
      {"group text that also occurs earlier in the match",
       "ab(ab)",
       "xabab",
       {},
       {{{"abab", 1}, {{"ab", 3}}}}},
      {"group that did not take part", "(x)?(b)", "ab", {}, {{{"b", 1}, {{"", -1}, {"b", 1}}}}},
      {"Chinese pattern and group",
       gbk(u8"格(a)"),
       gbk(u8"价格abc"),
       {},
       {{{gbk(u8"格a"), 2}, {{"a", 4}}}}},
      {"quote placeholder",
       gbk(u8"=#引号(\\w+)#引号"),
       "a=\"bc\"",
       {.quote_placeholder = true},
       {{{"=\"bc\"", 1}, {{"bc", 3}}}}},
      {"quote placeholder left as written",
       gbk(u8"#引号"),
       gbk(u8"\"#引号"),
       {},
       {{{gbk(u8"#引号"), 1}, {}}}},
      {"charset of a short meta tag",
       "<meta.+?charset=[^\\w]?([-\\w]+)",
       "<head><meta charset=\"utf-8\"><title>",
       {},
       {{{"<meta charset=\"utf-8", 6}, {{"utf-8", 21}}}}},
      {"charset of an http-equiv meta tag",
       "<meta.+?charset=[^\\w]?([-\\w]+)",
       "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\">",
       {},
       {{{"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK", 0},
         {{"GBK", 60}}}}},
      {"charset declared after 1024 bytes",
       "<meta.+?charset=[^\\w]?([-\\w]+)",
       gbk(u8"<title>价格</title>") + filler + "<meta charset=big5>",
       {},
       {{{"<meta charset=big5", 1119}, {{"big5", 1133}}}}},
  };
  for (const MatchCase& row : cases) {
    SCOPED_TRACE(row.name);
    RegexObject regex;
    ASSERT_TRUE(run(regex, row.pattern, row.subject, row.switches));
    ASSERT_EQ(regex.match_count(), static_cast<std::int32_t>(row.expected.size()));
    EXPECT_EQ(regex.submatch_count(),
              row.expected.empty() ? 0 : static_cast<std::int32_t>(row.expected[0].groups.size()));
    for (std::size_t m = 0; m < row.expected.size(); ++m) {
      const std::int32_t match_no = static_cast<std::int32_t>(m + 1);
      Found match{"", -99};
      match.text = regex.match_text(match_no, &match.position);
      EXPECT_EQ(match, row.expected[m].match) << "match " << match_no;
      for (std::size_t g = 0; g < row.expected[m].groups.size(); ++g) {
        Found group{"", -99};
        group.text =
            regex.submatch_text(match_no, static_cast<std::int32_t>(g + 1), &group.position);
        EXPECT_EQ(group, row.expected[m].groups[g]) << "match " << match_no << " group " << g + 1;
      }
    }
  }
}

TEST_F(RegexObjectTest, NumbersOutsideTheMatchesAndGroupsGiveNothing) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("(a)(b)", "ab ab"));
  ASSERT_EQ(regex.match_count(), 2);
  for (const std::int32_t match_no : {0, -1, 3, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(match_no);
    std::int32_t position = -99;
    EXPECT_EQ(regex.match_text(match_no, &position), "");
    EXPECT_EQ(position, -1);
    position = -99;
    EXPECT_EQ(regex.submatch_text(match_no, 1, &position), "");
    EXPECT_EQ(position, -1);
  }
  for (const std::int32_t submatch_no : {0, -1, 3, INT_MIN}) {
    SCOPED_TRACE(submatch_no);
    std::int32_t position = -99;
    EXPECT_EQ(regex.submatch_text(2, submatch_no, &position), "");
    EXPECT_EQ(position, -1);
  }
  EXPECT_EQ(regex.match_text(2), "ab") << "the position may be left out";
  EXPECT_EQ(regex.submatch_text(2, 2), "b");
}

TEST_F(RegexObjectTest, RejectedPatternLeavesNoMatches) {
  RegexObject regex;
  ASSERT_TRUE(regex.create("a", "a"));
  EXPECT_FALSE(regex.create("(a", "a"));
  EXPECT_EQ(regex.get_pattern(), "(a");
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.submatch_count(), 0);
  std::int32_t position = -99;
  EXPECT_EQ(regex.match_text(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.replace_matches("b"), "") << "Replace fails as well";
}

TEST_F(RegexObjectTest, MissingComponentLeavesEverythingEmpty) {
  ScopedClassRegistration unavailable(u"VBScript.RegExp", [] { return ComPtr<IDispatch>(); });
  RegexObject regex;
  EXPECT_FALSE(regex.create("a", "abc"));
  EXPECT_EQ(regex.get_pattern(), "");
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.submatch_count(), 0);
  std::int32_t position = -99;
  EXPECT_EQ(regex.match_text(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.replace_matches("x"), "");
}

TEST_F(RegexObjectTest, ObjectBeforeAnyCreateReadsEmpty) {
  RegexObject regex;
  EXPECT_EQ(regex.get_pattern(), "");
  EXPECT_EQ(regex.match_count(), 0);
  EXPECT_EQ(regex.match_text(1), "");
  EXPECT_EQ(regex.replace_matches(), "");
}

struct SettingsCase {
  const char* name;
  Switches switches;
  std::vector<RecordedCall> expected;
};

RecordedCall put(std::u16string name, std::u16string value) {
  return {std::move(name), DISPATCH_PROPERTYPUT, {std::move(value)}};
}

TEST_F(RegexObjectTest, CreateWritesTheSettingsInOrder) {
  const RecordedCall execute{u"Execute", DISPATCH_METHOD, {u"subject"}};
  const SettingsCase cases[] = {
      {"every switch left out",
       {},
       {put(u"IgnoreCase", u"-1"), put(u"Multiline", u"-1"), put(u"Singleline", u"-1"),
        put(u"Global", u"-1"), put(u"Pattern", u"p#\u5f15\u53f7"), execute}},
      {"switches supplied as false",
       {.case_sensitive = false, .multiline = false, .global = false, .quote_placeholder = false},
       {put(u"IgnoreCase", u"-1"), put(u"Multiline", u"0"), put(u"Singleline", u"-1"),
        put(u"Global", u"0"), put(u"Pattern", u"p#\u5f15\u53f7"), execute}},
      {"switches supplied as true",
       {.case_sensitive = true, .multiline = true, .global = true, .quote_placeholder = true},
       {put(u"IgnoreCase", u"0"), put(u"Multiline", u"-1"), put(u"Singleline", u"-1"),
        put(u"Global", u"-1"), put(u"Pattern", u"p\""), execute}},
  };
  for (const SettingsCase& row : cases) {
    SCOPED_TRACE(row.name);
    std::vector<RecordedCall> log;
    ScopedRecordingComponent recorder(u"VBScript.RegExp", log);
    RegexObject regex;
    // The recording component's Execute gives no collection.
    EXPECT_FALSE(run(regex, gbk(u8"p#引号"), "subject", row.switches));
    EXPECT_EQ(log, row.expected);
  }
}

TEST_F(RegexObjectTest, ReplaceMatchesLeavesTheObjectAsItWas) {
  struct ReplaceCase {
    const char* name;
    Text pattern;
    std::optional<Text> replacement;
    Text expected;
  };
  const ReplaceCase cases[] = {
      {"left out", "\\d", std::nullopt, gbk(u8"价ab")},
      {"plain", "\\d", "#", gbk(u8"价a#b#")},
      {"group", "(\\d)", "<$1>", gbk(u8"价a<1>b<2>")},
      {"whole match", "[a-z]\\d", "[$&]", gbk(u8"价[a1][b2]")},
      {"Chinese replacement", "\\d", gbk(u8"格"), gbk(u8"价a格b格")},
  };
  for (const ReplaceCase& row : cases) {
    SCOPED_TRACE(row.name);
    RegexObject regex;
    ASSERT_TRUE(regex.create(row.pattern, gbk(u8"价a1b2")));
    EXPECT_EQ(regex.replace_matches(row.replacement), row.expected);
    EXPECT_EQ(regex.match_count(), 2);
  }
}

TEST_F(RegexObjectTest, EachObjectHoldsOneInitialisation) {
  const int before = com_initialization_count();
  {
    RegexObject first;
    EXPECT_EQ(com_initialization_count(), before + 1);
    ASSERT_TRUE(first.create("b", "abc"));
    ASSERT_TRUE(first.create("(c)", "abc")) << "a second create replaces the first run";
    EXPECT_EQ(first.match_text(1), "c");
    RegexObject copy(first);
    EXPECT_EQ(com_initialization_count(), before + 2);
    EXPECT_EQ(copy.get_pattern(), "(c)");
    EXPECT_EQ(copy.submatch_text(1, 1), "c");
  }
  EXPECT_EQ(com_initialization_count(), before);
}

TEST_F(RegexObjectTest, CopyKeepsWorkingAfterTheOriginalIsGone) {
  std::optional<RegexObject> original(std::in_place);
  ASSERT_TRUE(original->create("\\d+", gbk(u8"价12格345")));
  RegexObject copy(*original);
  original.reset();
  std::int32_t position = -99;
  EXPECT_EQ(copy.match_text(2, &position), "345");
  EXPECT_EQ(position, 6);
  EXPECT_EQ(copy.replace_matches("#"), gbk(u8"价#格#"));
}

}  // namespace
