#pragma once
// Operations on Bytes and TextArray, and the moves between texts and bytes.
#include <concepts>
#include <cstdint>

#include "text/types.h"

std::int32_t bytes_length(const Bytes& bytes);
Bytes bytes_left(const Bytes& bytes, std::int32_t n);
Bytes blank_bytes(std::int32_t n);
// A copy of the n bytes at `address`; the caller guarantees they can be read.
Bytes bytes_from_address(const void* address, std::int32_t n);

// The concatenation of the arguments in order; the first is taken by value so that
// `all = join_bytes(std::move(all), chunk)` appends in place.
template <std::same_as<Bytes>... More>
Bytes join_bytes(Bytes first, const More&... more) {
  (first.insert(first.end(), more.begin(), more.end()), ...);
  return first;
}

Bytes text_to_bytes(const Text& text);
// The bytes up to the first NUL byte.
Text bytes_to_text(const Bytes& bytes);

std::int32_t array_size(const TextArray& array);
void array_append(TextArray& array, const Text& text);
// Member `number`, counted from 1; the empty text outside 1..array_size.
Text array_item(const TextArray& array, std::int32_t number);
