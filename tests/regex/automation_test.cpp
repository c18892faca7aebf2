#include "regex/automation.h"

#include "platform/com/com_init.h"
#include "tests/platform/com/balanced_runtime.h"
#include "text/literal.h"

namespace {

class AutomationTest : public BalancedRuntimeTest {};

class InitializedAutomationTest : public BalancedRuntimeTest {
 protected:
  ScopedCoInitialize initialized_;
};

TEST_F(AutomationTest, CreateNeedsTheRuntimeAndAKnownIdentifier) {
  AutomationRef slot;
  EXPECT_FALSE(automation_create(slot, "VBScript.RegExp"));
  EXPECT_TRUE(automation_is_empty(slot));

  ScopedCoInitialize initialized;
  ASSERT_TRUE(automation_create(slot, "vbscript.regexp"));
  IDispatch* first = slot.get();
  EXPECT_FALSE(automation_create(slot, "No.Such.Class"));
  EXPECT_EQ(slot.get(), first) << "a failed create keeps what the slot held";

  const std::int64_t objects = live_object_count();
  ASSERT_TRUE(automation_create(slot, "Adodb.Stream"));
  EXPECT_EQ(live_object_count(), objects) << "the old object was given back";
  automation_release(slot);
  EXPECT_TRUE(automation_is_empty(slot));
  EXPECT_EQ(live_object_count(), objects - 1);
}

TEST_F(InitializedAutomationTest, OperationsOnAnEmptySlotFailSilently) {
  AutomationRef empty;
  EXPECT_FALSE(automation_set(empty, "Pattern", "x"));
  EXPECT_EQ(automation_get(empty, "Pattern").vt(), VT_EMPTY);
  EXPECT_EQ(automation_get_text(empty, "Pattern"), "");
  EXPECT_EQ(automation_get_number(empty, "Count"), 0);
  EXPECT_TRUE(automation_is_empty(automation_get_object(empty, "Item", 0)));
  automation_call(empty, "Open");
  EXPECT_EQ(automation_call_text(empty, "Replace", "a", "b"), "");
  EXPECT_TRUE(automation_is_empty(automation_call_object(empty, "Execute", "a")));
}

TEST_F(InitializedAutomationTest, RejectedMembersAndUnconvertibleResultsFailSilently) {
  AutomationRef regexp;
  ASSERT_TRUE(automation_create(regexp, "VBScript.RegExp"));
  EXPECT_FALSE(automation_set(regexp, "NoSuchProperty", true));
  EXPECT_EQ(automation_get(regexp, "NoSuchProperty").vt(), VT_EMPTY);
  EXPECT_TRUE(automation_set(regexp, "Pattern", "abc"));
  EXPECT_EQ(automation_get_number(regexp, "Pattern"), 0) << "'abc' is not a number";
  EXPECT_EQ(automation_call_text(regexp, "Execute", "abc"), "") << "an object is not text";
  EXPECT_EQ(automation_call_text(regexp, "Execute"), "") << "missing argument";

  AutomationRef stream;
  ASSERT_TRUE(automation_create(stream, "Adodb.Stream"));
  EXPECT_FALSE(automation_set(stream, "Type", 7));
  EXPECT_FALSE(automation_set(stream, "Charset", "no-such-charset"));
  EXPECT_EQ(automation_call_text(stream, "ReadText"), "") << "the stream is not open";
}

TEST_F(InitializedAutomationTest, PropertiesReadBackThroughTheirConversions) {
  AutomationRef regexp;
  ASSERT_TRUE(automation_create(regexp, "VBScript.RegExp"));
  EXPECT_TRUE(automation_set(regexp, "IgnoreCase", false));
  EXPECT_EQ(automation_get_text(regexp, "IgnoreCase"), "0");
  EXPECT_TRUE(automation_set(regexp, "IgnoreCase", true));
  EXPECT_EQ(automation_get_text(regexp, "IgnoreCase"), "-1");
  EXPECT_EQ(automation_get_number(regexp, "IgnoreCase"), -1);

  // GBK characters and a four-byte GB18030 character survive the trip.
  const Text pattern = gbk_literal(u8"价格") + "\x95\x32\x82\x36";
  EXPECT_TRUE(automation_set(regexp, "Pattern", pattern));
  const VARIANT value = automation_get(regexp, "Pattern");
  ASSERT_NE(value.as_string(), nullptr);
  EXPECT_EQ(*value.as_string(), u"\u4ef7\u683c\U00020000");
  EXPECT_EQ(automation_get_text(regexp, "Pattern"), pattern);

  EXPECT_TRUE(automation_set(regexp, "Global", true));
  AutomationRef matches = automation_call_object(regexp, "Execute", pattern + "!" + pattern);
  EXPECT_EQ(automation_get_number(matches, "Count"), 2);
  AutomationRef second = automation_get_object(matches, "Item", 1);
  EXPECT_EQ(automation_get_number(second, "FirstIndex"), 5);
}

TEST_F(InitializedAutomationTest, CopiesHoldReferencesOfTheirOwn) {
  AutomationRef original;
  ASSERT_TRUE(automation_create(original, "VBScript.RegExp"));
  const std::int64_t objects = live_object_count();
  AutomationRef copy;
  automation_copy(copy, original);
  EXPECT_EQ(copy.get(), original.get());
  automation_release(original);
  EXPECT_EQ(live_object_count(), objects);
  EXPECT_TRUE(automation_set(copy, "Pattern", "still alive"));
  automation_copy(copy, original);  // copying an empty slot empties the target
  EXPECT_TRUE(automation_is_empty(copy));
  EXPECT_EQ(live_object_count(), objects - 1);
}

TEST_F(AutomationTest, VariantOperations) {
  VARIANT variant;
  variant_assign(variant, Bytes{'a', 0, 'b'});
  EXPECT_EQ(variant.vt(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(*variant.as_bytes(), (Bytes{'a', 0, 'b'}));
  EXPECT_EQ(variant_text(variant), "") << "a byte array has no string form";

  variant_assign(variant, gbk_literal(u8"下载"));
  EXPECT_EQ(*variant.as_string(), u"\u4e0b\u8f7d");
  EXPECT_EQ(variant_text(variant), gbk_literal(u8"下载"));

  VARIANT copy;
  variant_copy(copy, variant);
  variant_clear(variant);
  EXPECT_EQ(variant.vt(), VT_EMPTY);
  EXPECT_EQ(variant_text(variant), "");
  EXPECT_EQ(variant_text(copy), gbk_literal(u8"下载"));

  const struct {
    VARIANT value;
    Text expected;
  } texts[] = {{VARIANT::from_bool(false), "0"},
               {VARIANT::from_bool(true), "-1"},
               {VARIANT::from_int32(-12), "-12"},
               {VARIANT::from_double(2.25), "2.25"},
               {VARIANT::from_string(u""), ""}};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(variant_text(texts[i].value), texts[i].expected);
  }
}

// The recoding sequence the response capture runs over the stream component.
Text recode_through_stream(const Bytes& body, const Text& charset) {
  AutomationRef stream;
  VARIANT buffer;
  if (!automation_create(stream, "Adodb.Stream")) return "<no stream>";
  variant_assign(buffer, body);
  automation_set(stream, "Type", 1);
  automation_set(stream, "Mode", 3);
  automation_call(stream, "Open");
  automation_call(stream, "Write", buffer);
  automation_set(stream, "Position", 0);
  automation_set(stream, "Type", 2);
  automation_set(stream, "Charset", charset);
  Text page = automation_call_text(stream, "ReadText");
  automation_call(stream, "Close");
  automation_release(stream);
  variant_clear(buffer);
  return page;
}

TEST_F(InitializedAutomationTest, StreamRecodesAPageIntoText) {
  const Bytes utf8_page{0xEF, 0xBB, 0xBF, '<',  'p',  '>',  0xE4, 0xB8, 0x8B,
                        0xE8, 0xBD, 0xBD, 0xF0, 0x9F, 0x98, 0x80, 0,    'x'};
  // The byte-order mark goes, the emoji becomes four GB18030 bytes, and the text ends
  // before the zero byte, as a Text never holds one.
  EXPECT_EQ(recode_through_stream(utf8_page, "UTF-8"),
            Text("<p>") + gbk_literal(u8"下载") + "\x94\x39\xFC\x36");
  EXPECT_EQ(recode_through_stream({'a', 0xFF}, "utf-8"), Text("a") + "\x84\x31\xA4\x37")
      << "an undecodable byte arrives as U+FFFD";
  EXPECT_EQ(recode_through_stream({'a', 0}, "x-unknown"), "a")
      << "an unknown charset leaves the stream reading UTF-16";
}

}  // namespace
