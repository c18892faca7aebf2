#include "platform/codepage/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/base/last_error.h"
#include "platform/codepage/iconv_handle.h"

namespace {

// Converts with the two-call protocol and checks that the size asked for is the size written.
std::u16string to_wide(UINT code_page, const std::string& narrow) {
  const int needed =
      MultiByteToWideChar(code_page, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  EXPECT_GT(needed, 0);
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  const int written = MultiByteToWideChar(code_page, 0, narrow.data(),
                                          static_cast<int>(narrow.size()), wide.data(), needed);
  EXPECT_EQ(written, needed);
  return wide;
}

std::string to_narrow(UINT code_page, const std::u16string& wide, BOOL* used_default = nullptr,
                      const char* default_char = nullptr) {
  const int length = static_cast<int>(wide.size());
  const int needed = WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0,
                                         default_char, used_default);
  EXPECT_GT(needed, 0);
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(code_page, 0, wide.data(), length, narrow.data(), needed,
                                          default_char, used_default);
  EXPECT_EQ(written, needed);
  return narrow;
}

struct DecodeCase {
  const char* name;
  UINT code_page;
  std::string narrow;
  std::u16string wide;
};

TEST(MultiByteToWideChar, DecodesAndReplacesWhatItCannotDecode) {
  const DecodeCase cases[] = {
      {"ascii", CP_GBK, "abc", u"abc"},
      {"double-byte", CP_GBK, "\xB0\xA1", u"\u554A"},
      {"0x80 is the euro sign", CP_GBK, "\x80", u"\u20AC"},
      {"undefined pair is one U+FFFD", CP_GBK,
       "A\xA1\x40"
       "B",
       u"A\uFFFDB"},
      {"stray lead keeps the next ascii byte", CP_GBK, "\x81\nB", u"\uFFFD\nB"},
      {"truncated lead at the end", CP_GBK, "A\xB0", u"A\uFFFD"},
      {"0xFF with a second byte", CP_GBK,
       "\xFF\x41"
       "c",
       u"\uFFFDc"},
      {"gb18030 four bytes", CP_GB18030, "\x94\x39\xFC\x36", u"\U0001F600"},
      {"system code page is gb18030", CP_ACP, "\x94\x39\xFC\x36", u"\U0001F600"},
      {"utf-8", CP_UTF8, "\xE4\xB8\x8B", u"\u4E0B"},
      {"utf-8 invalid byte", CP_UTF8,
       "a\xFF"
       "b",
       u"a\uFFFDb"},
      {"utf-8 truncated at the end", CP_UTF8, "a\xE4\xB8", u"a\uFFFD"},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(to_wide(c.code_page, c.narrow), c.wide);
  }
}

struct EncodeCase {
  const char* name;
  UINT code_page;
  std::u16string wide;
  std::string narrow;
  bool used_default;
};

TEST(WideCharToMultiByte, EncodesAndReplacesWhatTheCodePageCannotHold) {
  const EncodeCase cases[] = {
      {"double-byte", CP_GBK, u"a\u554A", "a\xB0\xA1", false},
      {"euro sign is 0x80", CP_GBK, u"\u20AC", "\x80", false},
      {"emoji is one question mark", CP_GBK, u"x\U0001F600y", "x?y", true},
      {"unpaired high surrogate", CP_GBK,
       u"a\xD800"
       "b",
       "a?b", true},
      {"unpaired low surrogate", CP_GB18030, u"a\xDC00", "a?", true},
      {"high surrogate at the end", CP_UTF8, u"a\xD83D", "a?", true},
      {"gb18030 holds emoji", CP_GB18030, u"\U0001F600", "\x94\x39\xFC\x36", false},
      {"gb18030 holds extension B", CP_ACP, u"\U00020000", "\x95\x32\x82\x36", false},
      {"utf-8", CP_UTF8, u"\u4E0B", "\xE4\xB8\x8B", false},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    BOOL used_default = -1;
    EXPECT_EQ(to_narrow(c.code_page, c.wide, &used_default), c.narrow);
    EXPECT_EQ(used_default, c.used_default ? TRUE : FALSE);
  }
}

TEST(WideCharToMultiByte, UsesTheCallersDefaultCharacter) {
  EXPECT_EQ(to_narrow(CP_GBK, u"a\U0001F600", nullptr, "#"), "a#");
}

TEST(CodePage, Gb18030RoundTripsCharactersOutsideGbk) {
  const std::u16string wide = u"\U0001F3B5\u3400\U0002A6D6\u9FA6\u20AC\u00E9\u554A";
  for (UINT code_page : {CP_GB18030, CP_ACP}) {
    SCOPED_TRACE(code_page);
    EXPECT_EQ(to_wide(code_page, to_narrow(code_page, wide)), wide);
  }
}

TEST(CodePage, MinusOneLengthConvertsAndCountsTheTerminator) {
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0,
                                "\xB0\xA1"
                                "a",
                                -1, nullptr, 0),
            3);
  ASSERT_EQ(MultiByteToWideChar(CP_GBK, 0,
                                "\xB0\xA1"
                                "a",
                                -1, wide, 3),
            3);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"\u554Aa\0x", 4));

  char narrow[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"\u554Aa", -1, nullptr, 0, nullptr, nullptr), 4);
  ASSERT_EQ(WideCharToMultiByte(CP_GBK, 0, u"\u554Aa", -1, narrow, 4, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(narrow, 5), std::string("\xB0\xA1"
                                                "a\0x",
                                                5));
}

// Longer than the converter's scratch space, with replacements spread through it, so that
// counting and writing cross many internal refills.
TEST(CodePage, SizeAskedIsSizeWrittenForLongInput) {
  std::string narrow;
  std::u16string expected;
  for (int i = 0; i < 5000; ++i) {
    narrow +=
        "\xB0\xA1"
        "a\xA1\x40";
    expected += u"\u554Aa\uFFFD";
  }
  const std::u16string wide = to_wide(CP_GBK, narrow);
  EXPECT_EQ(wide, expected);
  std::u16string with_emoji = wide;
  for (int i = 0; i < 3000; ++i) with_emoji += u"\U0001F600";
  EXPECT_EQ(to_narrow(CP_GBK, with_emoji).size(), 5000u * 4 + 3000);
}

// The result of one call together with the last-error it leaves.
struct CallOutcome {
  int result;
  DWORD error;
};

template <typename Call>
CallOutcome outcome_of(Call call) {
  SetLastError(ERROR_SUCCESS);
  const int result = call();
  return {result, GetLastError()};
}

TEST(CodePage, ReportsBadArgumentsAndSmallBuffers) {
  char16_t wide[2];
  char narrow[2];
  const struct {
    const char* name;
    CallOutcome outcome;
    DWORD error;
  } rows[] = {
      {"unknown code page to wide",
       outcome_of([&] { return MultiByteToWideChar(1252, 0, "a", 1, wide, 2); }),
       ERROR_INVALID_PARAMETER},
      {"unknown code page to narrow", outcome_of([&] {
         return WideCharToMultiByte(437, 0, u"a", 1, narrow, 2, nullptr, nullptr);
       }),
       ERROR_INVALID_PARAMETER},
      {"zero source length",
       outcome_of([&] { return MultiByteToWideChar(CP_GBK, 0, "a", 0, wide, 2); }),
       ERROR_INVALID_PARAMETER},
      {"null source",
       outcome_of([&] { return MultiByteToWideChar(CP_GBK, 0, nullptr, 1, wide, 2); }),
       ERROR_INVALID_PARAMETER},
      {"null target with a size",
       outcome_of([&] { return MultiByteToWideChar(CP_GBK, 0, "a", 1, nullptr, 2); }),
       ERROR_INVALID_PARAMETER},
      {"wide buffer too small",
       outcome_of([&] { return MultiByteToWideChar(CP_GBK, 0, "abc", 3, wide, 2); }),
       ERROR_INSUFFICIENT_BUFFER},
      {"narrow buffer too small", outcome_of([&] {
         return WideCharToMultiByte(CP_GBK, 0, u"\u554A", 1, narrow, 1, nullptr, nullptr);
       }),
       ERROR_INSUFFICIENT_BUFFER},
      {"no room for the replacement", outcome_of([&] {
         return WideCharToMultiByte(CP_GBK, 0, u"ab\xD800", 3, narrow, 2, nullptr, nullptr);
       }),
       ERROR_INSUFFICIENT_BUFFER},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.outcome.result, 0);
    EXPECT_EQ(row.outcome.error, row.error);
  }
}

// Each thread has its own converters; conversions on two threads do not disturb each other.
TEST(CodePage, ConvertsOnSeveralThreads) {
  const auto work = [](UINT code_page, std::u16string wide, bool& ok) {
    ok = true;
    for (int i = 0; i < 2000 && ok; ++i)
      ok = to_wide(code_page, to_narrow(code_page, wide)) == wide;
  };
  bool first_ok = false;
  bool second_ok = false;
  std::thread first(work, CP_GB18030, std::u16string(u"\U0001F600\u554Aabc"), std::ref(first_ok));
  std::thread second(work, CP_GBK, std::u16string(u"\u554A\u20ACxyz"), std::ref(second_ok));
  first.join();
  second.join();
  EXPECT_TRUE(first_ok);
  EXPECT_TRUE(second_ok);
}

// Converters are opened once per thread and code page, however many calls follow, and closed
// when the thread ends.
TEST(CodePage, OpensConvertersOncePerThreadAndClosesThem) {
  const int before = IconvHandle::open_count();
  int during = 0;
  std::thread worker([&] {
    for (int i = 0; i < 500; ++i) {
      for (UINT code_page : {CP_GBK, CP_GB18030, CP_ACP, CP_UTF8}) {
        to_narrow(code_page, to_wide(code_page, "abc"));
      }
    }
    during = IconvHandle::open_count();
  });
  worker.join();
  EXPECT_EQ(during, before + 6);  // three charsets, two directions
  EXPECT_EQ(IconvHandle::open_count(), before);
}

}  // namespace
