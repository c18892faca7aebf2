#include "web/merge_cookies.h"

#include <gtest/gtest.h>

#include <random>

#include "text/literal.h"
#include "text/text_ops.h"

namespace {

TEST(MergeCookies, MergesOldAndReturnedCookies) {
  const Text wide_space = gbk_literal(u8"　");
  const struct {
    const char* name;
    Text cookies;
    Text returned;
    Text merged;
    Text returned_after;
  } rows[] = {
      {"server's value wins and comes first", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
      {"nothing old", "", "sid=x; uid=y", "sid=x; uid=y", "sid=x;uid=y"},
      {"nothing returned", "sid=x; uid=y", "", "sid=x; uid=y", ""},
      {"both empty", "", "", "", ""},
      {"returned deletion removes the old value", "sid=x; uid=y", "sid=deleted", "uid=y",
       "sid=deleted"},
      {"old deletion is dropped", "a=deleted; b=2", "", "b=2", ""},
      {"only a suffix counts as deleted", "a=undeleted; b=DELETED", "", "a=undeleted; b=DELETED",
       ""},
      {"short member compared whole", "deleted", "", "deleted", ""},
      {"exact repeats dropped", "", "a=1; a=1", "a=1", "a=1;a=1"},
      {"returned members with one name all kept", "", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
      {"first old member with one name wins", "a=1; a=2", "", "a=1", ""},
      {"names compared with case", "SID=1", "sid=2", "sid=2; SID=1", "sid=2"},
      {"spaces vanish everywhere", "a = 1; b=x y", "x=1; y=2", "x=1; y=2; a=1; b=xy", "x=1;y=2"},
      {"full-width spaces vanish", "a=1" + wide_space + ";" + wide_space + "b=2",
       wide_space + "c=3", "c=3; a=1; b=2", "c=3"},
      {"member without equals is all name", "flag; a=1", "flag", "flag; a=1", "flag"},
      {"trailing separator adds nothing", "a=1;", "", "a=1", ""},
      {"leading separator carries an empty member", ";a=1", "", "; a=1", ""},
      {"empty name", "=x; a=1", "=y", "=y; a=1", "=y"},
      {"double-byte values", gbk_literal(u8"名=值"), "", gbk_literal(u8"名=值"), ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Text cookies = row.cookies;
    Text returned = row.returned;
    const Text result = merge_cookies(cookies, returned);
    EXPECT_EQ(result, row.merged);
    EXPECT_EQ(cookies, row.merged);
    EXPECT_EQ(returned, row.returned_after);
  }
}

TEST(MergeCookies, HelpersWalkTheMembers) {
  EXPECT_EQ(cookie_name(" sid =x=y"), "sid");
  EXPECT_EQ(cookie_name("flag"), "flag");
  EXPECT_EQ(cookie_name("=x"), "");
  EXPECT_TRUE(cookie_name_present({"a=1", "sid=2"}, "sid"));
  EXPECT_FALSE(cookie_name_present({"a=1", "SID=2"}, "sid"));
  EXPECT_FALSE(cookie_name_present({}, ""));
  EXPECT_EQ(find_member({"a", "", "b"}, ""), 2);
  EXPECT_EQ(find_member({"a", "b"}, "c"), -1);
  EXPECT_EQ(join_unique("a; b; a; ; ", "; "), "a; b; ");
  EXPECT_EQ(join_unique("", "; "), "");
}

// Cookie strings drawn from few names and values, so repeats, clashes and deletions are common.
Text random_cookie_string(std::mt19937& random) {
  static const char* const names[] = {"a", "b", "A", "sid", "", " a"};
  static const char* const values[] = {"1", "2", "deleted", "x y", "DELETED", ""};
  std::uniform_int_distribution<int> count(0, 6);
  std::uniform_int_distribution<std::size_t> name(0, std::size(names) - 1);
  std::uniform_int_distribution<std::size_t> value(0, std::size(values) - 1);
  std::uniform_int_distribution<int> shape(0, 9);
  Text cookies;
  for (int i = count(random); i > 0; --i) {
    const int kind = shape(random);
    if (kind == 0) cookies += ";";  // an empty member
    cookies += names[name(random)];
    if (kind != 1) cookies += Text("=") + values[value(random)];
    cookies += kind == 2 ? ";" : "; ";
  }
  return cookies;
}

TEST(MergeCookies, NeverYieldsRepeatsOrDeletedMembers) {
  std::mt19937 random(7);
  for (int round = 0; round < 5000; ++round) {
    Text cookies = random_cookie_string(random);
    Text returned = random_cookie_string(random);
    SCOPED_TRACE(testing::Message() << "cookies '" << cookies << "' returned '" << returned << "'");
    const Text merged = merge_cookies(cookies, returned);
    EXPECT_EQ(find_text(returned, " "), -1);
    const TextArray members = split_text(merged, "; ");
    for (std::size_t i = 0; i < members.size(); ++i) {
      EXPECT_FALSE(members[i].ends_with("=deleted")) << members[i];
      for (std::size_t j = i + 1; j < members.size(); ++j) EXPECT_NE(members[i], members[j]);
    }
    // Every member the server set survives unless it is a deletion.
    for (const Text& member : split_text(returned, ";")) {
      if (member.empty() || member.ends_with("=deleted")) continue;
      EXPECT_NE(find_member(members, member), -1) << member;
    }
  }
}

}  // namespace
