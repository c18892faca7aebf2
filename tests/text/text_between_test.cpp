#include "text/text_between.h"

#include <gtest/gtest.h>

#include "text/literal.h"

namespace {

TEST(TextBetween, CutsBetweenMarkers) {
  const Text quoted = "k=\"v\"";
  const struct {
    const char* name;
    Text text;
    Text start_marker;
    Text end_marker;
    std::optional<std::int32_t> start;
    bool ignore_case;
    Text expected;
  } rows[] = {
      {"quote markers", quoted, gbk_literal(u8"k=#引号"), gbk_literal(u8"#引号"), std::nullopt,
       false, "v"},
      {"first pair", "<a>1</a><a>2</a>", "<a>", "</a>", std::nullopt, false, "1"},
      {"from position 5", "<a>1</a><a>2</a>", "<a>", "</a>", 5, false, "2"},
      {"markers touch", "<a></a>", "<a>", "</a>", std::nullopt, false, ""},
      {"no start marker", "x</a>", "<a>", "</a>", std::nullopt, false, ""},
      {"no end marker", "<a>x", "<a>", "</a>", std::nullopt, false, ""},
      {"end marker only before", "</a><a>x", "<a>", "</a>", std::nullopt, false, ""},
      {"start marker at the very end", "x<a>", "<a>", "</a>", std::nullopt, false, ""},
      {"case matters", "<A>1</a>", "<a>", "</a>", std::nullopt, false, ""},
      {"ignore case", "<A>1</a>", "<a>", "</a>", std::nullopt, true, "1"},
      {"double-byte title", gbk_literal(u8"class=\"play_name\">歌名</span>"),
       gbk_literal(u8"class=#引号play_name#引号>"), "</", std::nullopt, false,
       gbk_literal(u8"歌名")},
      {"marker across characters is no marker", "\xB0<a>1</a>", "<a>", "</a>", std::nullopt, false,
       ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(text_between(row.text, row.start_marker, row.end_marker, row.start, row.ignore_case),
              row.expected);
  }
}

}  // namespace
