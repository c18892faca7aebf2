#include <optional>
#include <string>
#include <vector>

#include "platform/com/hresult.h"
#include "tests/platform/com/balanced_runtime.h"
#include "tests/platform/com/dispatch_helpers.h"

namespace {

class RegexpComponentTest : public BalancedRuntimeTest {
 protected:
  ScopedCoInitialize initialized_;
};

struct Settings {
  bool ignore_case = false;
  bool global = true;
  bool multiline = false;
  bool singleline = false;
};

struct Group {
  std::optional<std::u16string> text;  // nullopt: did not take part
  std::int32_t first_index;
};

struct FoundMatch {
  std::u16string value;
  std::int32_t first_index;
  std::int32_t length;
  std::vector<Group> groups;
  friend bool operator==(const FoundMatch&, const FoundMatch&) = default;
};

bool operator==(const Group& a, const Group& b) {
  return a.text == b.text && a.first_index == b.first_index;
}

ComPtr<IDispatch> configured_regexp(const std::u16string& pattern, const Settings& settings) {
  ComPtr<IDispatch> regexp = create_object(u"VBScript.RegExp");
  EXPECT_TRUE(regexp);
  EXPECT_EQ(dispatch_put(regexp.get(), u"IgnoreCase", boolean(settings.ignore_case)), S_OK);
  EXPECT_EQ(dispatch_put(regexp.get(), u"Global", boolean(settings.global)), S_OK);
  EXPECT_EQ(dispatch_put(regexp.get(), u"Multiline", boolean(settings.multiline)), S_OK);
  EXPECT_EQ(dispatch_put(regexp.get(), u"Singleline", boolean(settings.singleline)), S_OK);
  EXPECT_EQ(dispatch_put(regexp.get(), u"Pattern", str(pattern)), S_OK);
  return regexp;
}

std::int32_t int_value(const CallResult& result) {
  EXPECT_EQ(result.status, S_OK);
  return result.value.as_int32() != nullptr ? *result.value.as_int32() : -999;
}

// Every match of an Execute, read back member by member.
std::vector<FoundMatch> read_matches(IDispatch* collection) {
  std::vector<FoundMatch> found;
  const std::int32_t count = int_value(dispatch_get(collection, u"Count"));
  for (std::int32_t i = 0; i < count; ++i) {
    const CallResult item = dispatch_get(collection, u"Item", {i4(i)});
    IDispatch* match = item.value.as_object();
    FoundMatch entry{*dispatch_get(match, u"Value").value.as_string(),
                     int_value(dispatch_get(match, u"FirstIndex")),
                     int_value(dispatch_get(match, u"Length")),
                     {}};
    const CallResult sub = dispatch_get(match, u"SubMatches");
    IDispatch* groups = sub.value.as_object();
    const std::int32_t group_count = int_value(dispatch_get(groups, u"Count"));
    for (std::int32_t g = 0; g < group_count; ++g) {
      const CallResult text = dispatch_get(groups, u"Item", {i4(g)});
      EXPECT_EQ(text.status, S_OK);
      entry.groups.push_back(
          {text.value.as_string() ? std::optional(*text.value.as_string()) : std::nullopt,
           int_value(dispatch_get(groups, u"FirstIndex", {i4(g)}))});
    }
    found.push_back(entry);
  }
  return found;
}

std::vector<FoundMatch> execute(const std::u16string& pattern, const std::u16string& subject,
                                const Settings& settings) {
  ComPtr<IDispatch> regexp = configured_regexp(pattern, settings);
  const CallResult result = dispatch_call(regexp.get(), u"Execute", {str(subject)});
  EXPECT_EQ(result.status, S_OK);
  return read_matches(result.value.as_object());
}

struct MatchCase {
  const char* name;
  std::u16string pattern;
  std::u16string subject;
  Settings settings;
  std::vector<FoundMatch> expected;
};

TEST_F(RegexpComponentTest, ExecuteFindsMatchesGroupsAndPositions) {
  const Settings global_ignore{.ignore_case = true};
  const MatchCase cases[] = {
      {"global digits", u"\\d+", u"a12b345", {}, {{u"12", 1, 2, {}}, {u"345", 4, 3, {}}}},
      {"first match only", u"\\d+", u"a12b345", {.global = false}, {{u"12", 1, 2, {}}}},
      {"no match", u"x", u"abc", {}, {}},
      {"case respected", u"ab", u"AB ab", {}, {{u"ab", 3, 2, {}}}},
      {"case ignored", u"ab", u"AB ab", global_ignore, {{u"AB", 0, 2, {}}, {u"ab", 3, 2, {}}}},
      {"lazy quantifier", u"<.+?>", u"<a><b>", {}, {{u"<a>", 0, 3, {}}, {u"<b>", 3, 3, {}}}},
      {"alternation and groups",
       u"(a)|(b)",
       u"ba",
       {},
       {{u"b", 0, 1, {{std::nullopt, -1}, {u"b", 0}}},
        {u"a", 1, 1, {{u"a", 1}, {std::nullopt, -1}}}}},
      {"anchors without multiline", u"^\\w+$", u"ab\ncd", {}, {}},
      {"anchors with multiline",
       u"^\\w+$",
       u"ab\r\ncd",
       {.multiline = true},
       {{u"ab", 0, 2, {}}, {u"cd", 4, 2, {}}}},
      {"dot stops at line end", u"a.b", u"a\nb", {}, {}},
      {"singleline dot", u"a.b", u"a\nb", {.singleline = true}, {{u"a\nb", 0, 3, {}}}},
      {"word class is ASCII", u"\\w+", u"\u4e2dab\u00e9", {}, {{u"ab", 1, 2, {}}}},
      {"digit class is ASCII", u"\\d", u"\uff11", {}, {}},
      {"word boundary is ASCII", u"\\bx", u"\u4e2dx", {}, {{u"x", 1, 1, {}}}},
      {"empty matches move on",
       u"a*",
       u"baa",
       {},
       {{u"", 0, 0, {}}, {u"aa", 1, 2, {}}, {u"", 3, 0, {}}}},
      {"units after a surrogate pair", u"(b)c", u"\U0001F600bc", {}, {{u"bc", 2, 2, {{u"b", 2}}}}},
      {"invalid UTF-16 is matched around",
       u"b+",
       u"a\xD800"
       u"bb",
       {},
       {{u"bb", 2, 2, {}}}},
      {"charset declaration",
       u"<meta.+?charset=[^\\w]?([-\\w]+)",
       u"<META http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\">",
       global_ignore,
       {{u"<META http-equiv=\"Content-Type\" content=\"text/html; charset=GBK",
         0,
         63,
         {{u"GBK", 60}}}}},
  };
  for (const MatchCase& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(execute(row.pattern, row.subject, row.settings), row.expected);
  }
}

TEST_F(RegexpComponentTest, RejectedPatternMakesEveryMethodFail) {
  ComPtr<IDispatch> regexp = configured_regexp(u"(unclosed", {});
  EXPECT_EQ(dispatch_call(regexp.get(), u"Execute", {str(u"x")}).status, REGEXP_E_SYNTAX);
  EXPECT_EQ(dispatch_call(regexp.get(), u"Test", {str(u"x")}).status, REGEXP_E_SYNTAX);
  const CallResult replaced = dispatch_call(regexp.get(), u"Replace", {str(u"x"), str(u"y")});
  EXPECT_EQ(replaced.status, REGEXP_E_SYNTAX);
  EXPECT_EQ(replaced.value.vt(), VT_EMPTY);
  // A new pattern is compiled afresh.
  EXPECT_EQ(dispatch_put(regexp.get(), u"Pattern", str(u"x")), S_OK);
  EXPECT_EQ(*dispatch_call(regexp.get(), u"Test", {str(u"x")}).value.as_bool(), true);
}

TEST_F(RegexpComponentTest, ChangedSettingsApplyToTheNextRun) {
  ComPtr<IDispatch> regexp = configured_regexp(u"abc", {});
  EXPECT_EQ(*dispatch_call(regexp.get(), u"Test", {str(u"ABC")}).value.as_bool(), false);
  EXPECT_EQ(dispatch_put(regexp.get(), u"ignorecase", boolean(true)), S_OK);
  EXPECT_EQ(*dispatch_call(regexp.get(), u"Test", {str(u"ABC")}).value.as_bool(), true);
  EXPECT_EQ(*dispatch_get(regexp.get(), u"IgnoreCase").value.as_bool(), true);
  EXPECT_EQ(*dispatch_get(regexp.get(), u"PATTERN").value.as_string(), u"abc");
}

TEST_F(RegexpComponentTest, ItemsOutsideTheCollectionAreRefused) {
  ComPtr<IDispatch> regexp = configured_regexp(u"(a)", {});
  const CallResult collection = dispatch_call(regexp.get(), u"Execute", {str(u"a")});
  IDispatch* matches = collection.value.as_object();
  EXPECT_EQ(dispatch_get(matches, u"Item", {i4(1)}).status, DISP_E_BADINDEX);
  EXPECT_EQ(dispatch_get(matches, u"Item", {i4(-1)}).status, DISP_E_BADINDEX);
  EXPECT_EQ(dispatch_get(matches, u"Item").status, DISP_E_BADPARAMCOUNT);
  const CallResult match = dispatch_get(matches, u"Item", {str(u"0")});
  ASSERT_EQ(match.status, S_OK);
  const CallResult groups = dispatch_get(match.value.as_object(), u"SubMatches");
  EXPECT_EQ(dispatch_get(groups.value.as_object(), u"Item", {i4(1)}).status, DISP_E_BADINDEX);
  EXPECT_EQ(dispatch_get(groups.value.as_object(), u"FirstIndex", {i4(1)}).status, DISP_E_BADINDEX);
  DISPID member;
  EXPECT_EQ(regexp->GetIDsOfNames(u"NoSuchMember", &member), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(dispatch_put(match.value.as_object(), u"Value", str(u"x")), DISP_E_MEMBERNOTFOUND);
}

TEST_F(RegexpComponentTest, MatchesOutliveTheComponentThatMadeThem) {
  ComPtr<IDispatch> regexp = configured_regexp(u"\\d", {});
  CallResult collection = dispatch_call(regexp.get(), u"Execute", {str(u"1 2")});
  regexp.reset();
  EXPECT_EQ(read_matches(collection.value.as_object()).size(), 2u);
}

struct ReplaceCase {
  const char* name;
  std::u16string pattern;
  bool global;
  std::u16string subject;
  std::u16string replacement;
  std::u16string expected;
};

TEST_F(RegexpComponentTest, ReplaceExpandsReferences) {
  const ReplaceCase cases[] = {
      {"all matches", u"\\d", true, u"a1b2", u"#", u"a#b#"},
      {"first match only", u"\\d", false, u"a1b2", u"#", u"a#b2"},
      {"empty replacement", u"\\d", true, u"a1b2", u"", u"ab"},
      {"group", u"(\\w)(\\d)", true, u"a1 b2", u"$2$1", u"1a 2b"},
      {"whole match", u"\\d", true, u"a1", u"[$&]", u"a[1]"},
      {"before and after", u"b", true, u"abc", u"<$`|$'>", u"a<a|c>c"},
      {"dollar", u"b", true, u"abc", u"$$", u"a$c"},
      {"missing group stays literal", u"(b)", true, u"abc", u"$2", u"a$2c"},
      {"two digits when that group exists", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", true,
       u"abcdefghijk", u"$11", u"k"},
      {"one digit when the two-digit group is missing", u"(a)", true, u"a", u"$10", u"a0"},
      {"group that did not take part", u"(x)?b", true, u"ab", u"[$1]", u"a[]"},
      {"trailing dollar", u"b", true, u"abc", u"$", u"a$c"},
      {"no match", u"z", true, u"abc", u"#", u"abc"},
  };
  for (const ReplaceCase& row : cases) {
    SCOPED_TRACE(row.name);
    ComPtr<IDispatch> regexp = configured_regexp(row.pattern, {.global = row.global});
    const CallResult result =
        dispatch_call(regexp.get(), u"Replace", {str(row.subject), str(row.replacement)});
    ASSERT_EQ(result.status, S_OK);
    EXPECT_EQ(*result.value.as_string(), row.expected);
  }
}

}  // namespace
