#include "text/conversion.h"

#include <gtest/gtest.h>

#include "text/literal.h"

namespace {

TEST(AnsiToUnicode, AddsOrOmitsTheTerminator) {
  const struct {
    const char* name;
    Text text;
    bool omit_terminator;
    Bytes expected;
  } rows[] = {
      {"ascii", "A", false, {0x41, 0, 0, 0}},
      {"ascii without terminator", "A", true, {0x41, 0}},
      {"empty", "", false, {}},
      {"empty without terminator", "", true, {}},
      {"double-byte", "\xB0\xA1", false, {0x4A, 0x55, 0, 0}},
      {"euro sign", "\x80", false, {0xAC, 0x20, 0, 0}},
      {"undefined pair goes on",
       "\xA1\x40"
       "a",
       false,
       {0xFD, 0xFF, 0x61, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ansi_to_unicode(row.text, row.omit_terminator), row.expected);
  }
}

TEST(UnicodeToAnsi, ReadsWholeUnitsUpToAZero) {
  const struct {
    const char* name;
    Bytes utf16;
    Text expected;
  } rows[] = {
      {"double-byte with terminator", {0x4A, 0x55, 0, 0}, "\xB0\xA1"},
      {"no terminator", {0x41, 0, 0x42, 0}, "AB"},
      {"odd final byte ignored", {0x41, 0, 0x42}, "A"},
      {"zero unit ends the text", {0x41, 0, 0, 0, 0x42, 0}, "A"},
      {"empty", {}, ""},
      {"single byte", {0x41}, ""},
      {"not in code page 936", {0x3D, 0xD8, 0x00, 0xDE, 0x61, 0}, "?a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(unicode_to_ansi(row.utf16), row.expected);
  }
}

// A host name copied out of a larger buffer comes with no terminator; the conversion must
// read exactly its units (AddressSanitizer reports a read past them).
TEST(UnicodeToAnsi, ReadsNothingBeyondTheBuffer) {
  const Bytes exact{0x68, 0, 0x6F, 0, 0x73, 0, 0x74, 0};
  EXPECT_EQ(unicode_to_ansi(exact), "host");
}

TEST(Conversion, RoundTripsCodePage936) {
  const Text text = gbk_literal(u8"全民K歌分享链接：下载歌曲€");
  EXPECT_EQ(unicode_to_ansi(ansi_to_unicode(text)), text);
}

TEST(GbkLiteral, EncodesUtf8SourceAsCodePage936) {
  EXPECT_EQ(gbk_literal(u8"下载成功"), "\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6");
  EXPECT_EQ(gbk_literal(u8"a啊"), "a\xB0\xA1");
  EXPECT_EQ(gbk_literal(u8"#引号"), "#\xD2\xFD\xBA\xC5");
  EXPECT_EQ(gbk_literal(u8""), "");
}

}  // namespace
