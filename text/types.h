#pragma once
// The value types every layer passes around.
#include <cstdint>
#include <string>
#include <vector>

// Narrow text in code page 936 (GBK). Never holds a NUL byte; the empty text and an absent
// one are the same value.
using Text = std::string;

// A counted byte buffer; any byte value, NUL included.
using Bytes = std::vector<std::uint8_t>;

// A list of texts, numbered from 1 (see array_item).
using TextArray = std::vector<Text>;
