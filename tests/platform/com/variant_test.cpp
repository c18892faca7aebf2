#include "platform/com/variant.h"

#include <cmath>

#include "platform/com/hresult.h"
#include "tests/platform/com/balanced_runtime.h"

namespace {

class VariantTest : public BalancedRuntimeTest {};

class Counted final : public DispatchObject {
 public:
  HRESULT Invoke(DISPID, WORD, DispatchArguments, VARIANT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  std::span<const DispatchMember> members() const override { return {}; }
};

struct StringCase {
  const char* name;
  VARIANT input;
  std::u16string expected;
};

TEST_F(VariantTest, StandardConversionToString) {
  const StringCase cases[] = {
      {"empty", VARIANT(), u""},
      {"false", VARIANT::from_bool(false), u"0"},
      {"true", VARIANT::from_bool(true), u"-1"},
      {"integer", VARIANT::from_int32(42), u"42"},
      {"negative integer", VARIANT::from_int32(-2147483647 - 1), u"-2147483648"},
      {"whole double", VARIANT::from_double(5.0), u"5"},
      {"fraction", VARIANT::from_double(3.5), u"3.5"},
      {"tenth", VARIANT::from_double(0.1), u"0.1"},
      {"third", VARIANT::from_double(1.0 / 3), u"0.333333333333333"},
      {"large", VARIANT::from_double(1e20), u"1E+20"},
      {"string", VARIANT::from_string(u"\u4e2d\U0001F600"), u"\u4e2d\U0001F600"},
  };
  for (const StringCase& row : cases) {
    SCOPED_TRACE(row.name);
    VARIANT converted;
    ASSERT_EQ(VariantChangeType(&converted, &row.input, 0, VT_BSTR), S_OK);
    ASSERT_EQ(converted.vt(), VT_BSTR);
    EXPECT_EQ(*converted.as_string(), row.expected);
  }
}

struct NumberCase {
  const char* name;
  VARIANT input;
  HRESULT status;
  double expected;
};

TEST_F(VariantTest, StandardConversionToDouble) {
  const NumberCase cases[] = {
      {"empty", VARIANT(), S_OK, 0},
      {"true", VARIANT::from_bool(true), S_OK, -1},
      {"integer", VARIANT::from_int32(7), S_OK, 7},
      {"string with spaces", VARIANT::from_string(u"  12.5 "), S_OK, 12.5},
      {"exponent", VARIANT::from_string(u"1e3"), S_OK, 1000},
      {"not a number", VARIANT::from_string(u"12abc"), DISP_E_TYPEMISMATCH, 0},
      {"empty string", VARIANT::from_string(u""), DISP_E_TYPEMISMATCH, 0},
      {"bytes", VARIANT::from_bytes({1, 2}), DISP_E_TYPEMISMATCH, 0},
  };
  for (const NumberCase& row : cases) {
    SCOPED_TRACE(row.name);
    VARIANT converted = VARIANT::from_int32(99);
    EXPECT_EQ(VariantChangeType(&converted, &row.input, 0, VT_R8), row.status);
    if (row.status == S_OK) {
      EXPECT_EQ(*converted.as_double(), row.expected);
    } else {
      EXPECT_EQ(*converted.as_int32(), 99) << "target left alone on failure";
    }
  }
}

TEST_F(VariantTest, ConversionToIntegerRoundsHalvesToEvenAndRefusesOverflow) {
  const struct {
    double input;
    std::int32_t expected;
  } rounded[] = {{2.5, 2}, {3.5, 4}, {-1.5, -2}, {7.4, 7}};
  for (const auto& row : rounded) {
    SCOPED_TRACE(row.input);
    VARIANT source = VARIANT::from_double(row.input), converted;
    ASSERT_EQ(VariantChangeType(&converted, &source, 0, VT_I4), S_OK);
    EXPECT_EQ(*converted.as_int32(), row.expected);
  }
  VARIANT huge = VARIANT::from_string(u"1e10"), converted;
  EXPECT_EQ(VariantChangeType(&converted, &huge, 0, VT_I4), DISP_E_OVERFLOW);
}

TEST_F(VariantTest, ConversionToBoolean) {
  const struct {
    VARIANT input;
    bool expected;
  } cases[] = {{VARIANT::from_string(u"True"), true},
               {VARIANT::from_string(u"false"), false},
               {VARIANT::from_string(u"-1"), true},
               {VARIANT::from_int32(0), false},
               {VARIANT::from_double(0.5), true}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    VARIANT converted;
    ASSERT_EQ(VariantChangeType(&converted, &cases[i].input, 0, VT_BOOL), S_OK);
    EXPECT_EQ(*converted.as_bool(), cases[i].expected);
  }
}

TEST_F(VariantTest, ObjectsDoNotConvertAndAreCountedByEveryHolder) {
  VARIANT holder = VARIANT::from_object(make_dispatch<Counted>());
  const std::int64_t with_one = live_object_count();
  VARIANT converted;
  EXPECT_EQ(VariantChangeType(&converted, &holder, 0, VT_BSTR), DISP_E_TYPEMISMATCH);

  VARIANT copy;
  ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
  EXPECT_EQ(copy.as_object(), holder.as_object());
  VariantClear(&holder);
  EXPECT_EQ(holder.vt(), VT_EMPTY);
  EXPECT_EQ(live_object_count(), with_one) << "the copy keeps the object alive";
  VariantClear(&copy);
  EXPECT_EQ(live_object_count(), with_one - 1);
}

TEST_F(VariantTest, CopiesAreIndependentAndMovesLeaveEmpty) {
  VARIANT bytes = VARIANT::from_bytes({1, 2, 3});
  EXPECT_EQ(bytes.vt(), VT_ARRAY | VT_UI1);
  VARIANT copy = bytes;
  VARIANT moved = std::move(bytes);
  EXPECT_EQ(bytes.vt(), VT_EMPTY);
  moved.clear();
  ASSERT_NE(copy.as_bytes(), nullptr);
  EXPECT_EQ(*copy.as_bytes(), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(VARIANT::from_object(ComPtr<IDispatch>()).vt(), VT_EMPTY);
}

}  // namespace
