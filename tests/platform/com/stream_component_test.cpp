#include <string>
#include <vector>

#include "platform/com/hresult.h"
#include "tests/platform/com/balanced_runtime.h"
#include "tests/platform/com/dispatch_helpers.h"

namespace {

constexpr std::int32_t adTypeBinary = 1;
constexpr std::int32_t adTypeText = 2;
constexpr std::int32_t adModeRead = 1;
constexpr std::int32_t adModeReadWrite = 3;

class StreamComponentTest : public BalancedRuntimeTest {
 protected:
  // A stream opened in binary mode, read-write, holding `bytes`, with Position at the end.
  ComPtr<IDispatch> written_stream(const std::vector<std::uint8_t>& bytes) {
    ComPtr<IDispatch> stream = create_object(u"Adodb.Stream");
    EXPECT_TRUE(stream);
    EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeBinary)), S_OK);
    EXPECT_EQ(dispatch_put(stream.get(), u"Mode", i4(adModeReadWrite)), S_OK);
    EXPECT_EQ(dispatch_call(stream.get(), u"Open").status, S_OK);
    EXPECT_EQ(dispatch_call(stream.get(), u"Write", {VARIANT::from_bytes(bytes)}).status, S_OK);
    return stream;
  }

  // What the stream reads back as text in `charset` after the bytes were written.
  CallResult decode(const std::vector<std::uint8_t>& bytes, const std::u16string& charset) {
    ComPtr<IDispatch> stream = written_stream(bytes);
    EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(0)), S_OK);
    EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeText)), S_OK);
    EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(charset)), S_OK);
    CallResult text = dispatch_call(stream.get(), u"ReadText");
    EXPECT_EQ(dispatch_call(stream.get(), u"Close").status, S_OK);
    return text;
  }

  ScopedCoInitialize initialized_;
};

struct DecodeCase {
  std::u16string charset;
  std::vector<std::uint8_t> bytes;
  std::u16string expected;
};

TEST_F(StreamComponentTest, DecodesTheCharsetsWebPagesDeclare) {
  const DecodeCase cases[] = {
      {u"utf-8", {0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87}, u"\u4e2d\u6587"},
      {u"UTF-8", {0xF0, 0x9F, 0x98, 0x80, 'a'}, u"\U0001F600a"},
      {u"utf8", {0xE4, 0xB8, 0xAD}, u"\u4e2d"},
      {u"gbk", {0xD6, 0xD0, 0xCE, 0xC4}, u"\u4e2d\u6587"},
      {u"GB2312", {0xD6, 0xD0}, u"\u4e2d"},
      {u"gb18030", {0x95, 0x32, 0x82, 0x36}, u"\U00020000"},
      {u"big5", {0xA4, 0xA4, 0xA4, 0xE5}, u"\u4e2d\u6587"},
      {u"Shift_JIS", {0x93, 0xFA, 0x96, 0x7B}, u"\u65e5\u672c"},
      {u"euc-jp", {0xC6, 0xFC, 0xCB, 0xDC}, u"\u65e5\u672c"},
      {u"euc-kr", {0xC7, 0xD1, 0xB1, 0xB9}, u"\ud55c\uad6d"},
      {u"iso-8859-1", {'c', 'a', 'f', 0xE9}, u"caf\u00e9"},
      {u"windows-1252", {0x80}, u"\u20ac"},
      {u"koi8-r", {0xED, 0xC9, 0xD2}, u"\u041c\u0438\u0440"},
      {u" utf-8 ", {'o', 'k'}, u"ok"},
      {u"unicode", {0xFF, 0xFE, 'A', 0}, u"A"},
  };
  for (const DecodeCase& row : cases) {
    SCOPED_TRACE(std::string(row.charset.begin(), row.charset.end()));
    const CallResult text = decode(row.bytes, row.charset);
    ASSERT_EQ(text.status, S_OK);
    EXPECT_EQ(*text.value.as_string(), row.expected);
  }
}

TEST_F(StreamComponentTest, SkipsTheUtf8ByteOrderMarkOnlyAtTheStart) {
  EXPECT_EQ(*decode({0xEF, 0xBB, 0xBF, 'h', 'i'}, u"utf-8").value.as_string(), u"hi");
  EXPECT_EQ(*decode({'h', 0xEF, 0xBB, 0xBF}, u"utf-8").value.as_string(), u"h\ufeff");
}

TEST_F(StreamComponentTest, UndecodableBytesBecomeReplacementCharacters) {
  const DecodeCase cases[] = {
      {u"utf-8", {'a', 0xFF, 'b', 0xC0, 0x80, 'c'}, u"a\ufffdb\ufffd\ufffdc"},
      {u"utf-8", {'a', 0xE4, 0xB8}, u"a\ufffd"},  // cut off at the end
      {u"gbk", {0xD6, 0xD0, 0xFF, 'x'}, u"\u4e2d\ufffdx"},
      {u"utf-8", {}, u""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const CallResult text = decode(cases[i].bytes, cases[i].charset);
    ASSERT_EQ(text.status, S_OK);
    EXPECT_EQ(*text.value.as_string(), cases[i].expected);
  }
}

TEST_F(StreamComponentTest, UnknownCharsetIsRefusedAndTheOldOneStays) {
  ComPtr<IDispatch> stream = written_stream({0xE4, 0xB8, 0xAD});
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(0)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeText)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(u"utf-8")), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(u"klingon")), ADODB_E_BADARGUMENTS);
  EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(u"")), ADODB_E_BADARGUMENTS);
  EXPECT_EQ(*dispatch_get(stream.get(), u"Charset").value.as_string(), u"utf-8");
  EXPECT_EQ(*dispatch_call(stream.get(), u"ReadText").value.as_string(), u"\u4e2d");
}

TEST_F(StreamComponentTest, ReadTextReadsFromPositionToTheEnd) {
  ComPtr<IDispatch> stream = written_stream({'a', 'b', 'c'});
  EXPECT_EQ(*dispatch_get(stream.get(), u"Size").value.as_int32(), 3);
  EXPECT_EQ(*dispatch_get(stream.get(), u"Position").value.as_int32(), 3);
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(0)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeText)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(u"ascii")), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(1)), S_OK);
  EXPECT_EQ(*dispatch_call(stream.get(), u"ReadText").value.as_string(), u"bc");
  EXPECT_EQ(*dispatch_get(stream.get(), u"Position").value.as_int32(), 3);
  EXPECT_EQ(*dispatch_call(stream.get(), u"ReadText").value.as_string(), u"");
  EXPECT_EQ(dispatch_call(stream.get(), u"ReadText", {i4(-1)}).status, S_OK);
}

TEST_F(StreamComponentTest, TypeModeAndPositionRules) {
  ComPtr<IDispatch> stream = written_stream({'a', 'b'});
  // Type and Charset change only at Position 0; Mode only while closed.
  EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeText)), ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(u"utf-8")), ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_put(stream.get(), u"Mode", i4(adModeRead)), ADODB_E_NOTALLOWED);
  // Text is not read in binary mode, and Position stays within the stream.
  EXPECT_EQ(dispatch_call(stream.get(), u"ReadText").status, ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(3)), ADODB_E_BADARGUMENTS);
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(-1)), ADODB_E_BADARGUMENTS);
  EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(3)), ADODB_E_BADARGUMENTS);
  // Writing over the start keeps what lies beyond.
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(0)), S_OK);
  EXPECT_EQ(dispatch_call(stream.get(), u"Write", {VARIANT::from_bytes({'x'})}).status, S_OK);
  EXPECT_EQ(*dispatch_get(stream.get(), u"Size").value.as_int32(), 2);
  EXPECT_EQ(dispatch_call(stream.get(), u"Write", {str(u"not bytes")}).status, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(dispatch_put(stream.get(), u"Position", i4(0)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeText)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Charset", str(u"utf-8")), S_OK);
  EXPECT_EQ(dispatch_call(stream.get(), u"Write", {VARIANT::from_bytes({'y'})}).status,
            ADODB_E_NOTALLOWED);
  EXPECT_EQ(*dispatch_call(stream.get(), u"ReadText").value.as_string(), u"xb");
}

TEST_F(StreamComponentTest, ClosedStreamRefusesItsOperations) {
  ComPtr<IDispatch> stream = create_object(u"Adodb.Stream");
  EXPECT_EQ(*dispatch_get(stream.get(), u"State").value.as_int32(), 0);
  EXPECT_EQ(*dispatch_get(stream.get(), u"Type").value.as_int32(), adTypeText);
  EXPECT_EQ(*dispatch_get(stream.get(), u"Charset").value.as_string(), u"Unicode");
  EXPECT_EQ(dispatch_call(stream.get(), u"Write", {VARIANT::from_bytes({1})}).status,
            ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_call(stream.get(), u"ReadText").status, ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_get(stream.get(), u"Position").status, ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_call(stream.get(), u"Close").status, ADODB_E_NOTALLOWED);
  // A read-only stream takes no writes.
  EXPECT_EQ(dispatch_put(stream.get(), u"Mode", i4(adModeRead)), S_OK);
  EXPECT_EQ(dispatch_put(stream.get(), u"Type", i4(adTypeBinary)), S_OK);
  EXPECT_EQ(dispatch_call(stream.get(), u"Open").status, S_OK);
  EXPECT_EQ(dispatch_call(stream.get(), u"Open").status, ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_call(stream.get(), u"Write", {VARIANT::from_bytes({1})}).status,
            ADODB_E_NOTALLOWED);
  EXPECT_EQ(dispatch_call(stream.get(), u"Close").status, S_OK);
  EXPECT_EQ(*dispatch_get(stream.get(), u"State").value.as_int32(), 0);
}

}  // namespace
