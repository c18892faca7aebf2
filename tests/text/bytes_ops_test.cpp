#include "text/bytes_ops.h"

#include <gtest/gtest.h>

namespace {

TEST(BytesOps, CutsAndMoves) {
  const Bytes three{1, 2, 3};
  const struct {
    const char* name;
    Bytes result;
    Bytes expected;
  } rows[] = {
      {"left within", bytes_left(three, 2), {1, 2}},
      {"left past the end", bytes_left(three, 5), three},
      {"left negative", bytes_left(three, -1), {}},
      {"blank 0", blank_bytes(0), {}},
      {"blank 3", blank_bytes(3), {0, 0, 0}},
      {"blank negative", blank_bytes(-2), {}},
      {"from address", bytes_from_address("a\0b", 3), {'a', 0, 'b'}},
      {"from address, none", bytes_from_address(nullptr, 0), {}},
      {"text to bytes", text_to_bytes("ab"), {0x61, 0x62}},
      {"empty text to bytes", text_to_bytes(""), {}},
      {"join two empties", join_bytes(Bytes{}, Bytes{}), {}},
      {"join in order", join_bytes(Bytes{1}, Bytes{}, Bytes{2, 3}), {1, 2, 3}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.result, row.expected);
  }
  EXPECT_EQ(bytes_length(three), 3);
  EXPECT_EQ(bytes_length({}), 0);
}

TEST(BytesOps, BytesToTextStopsAtTheFirstNul) {
  EXPECT_EQ(bytes_to_text({0x61, 0x62, 0x00, 0x63}), "ab");
  EXPECT_EQ(bytes_to_text({0x61, 0xB0, 0xA1}), "a\xB0\xA1");
  EXPECT_EQ(bytes_to_text({0x00, 0x61}), "");
  EXPECT_EQ(bytes_to_text({}), "");
}

TEST(TextArrayOps, AppendAndNumberFromOne) {
  TextArray array;
  EXPECT_EQ(array_size(array), 0);
  array_append(array, "a");
  array_append(array, "");
  array_append(array, "c");
  EXPECT_EQ(array_size(array), 3);
  EXPECT_EQ(array_item(array, 1), "a");
  EXPECT_EQ(array_item(array, 2), "");
  EXPECT_EQ(array_item(array, 3), "c");
  EXPECT_EQ(array_item(array, 0), "");
  EXPECT_EQ(array_item(array, 4), "");
}

}  // namespace
