#include "text/bytes_ops.h"

#include <algorithm>
#include <cstring>

std::int32_t bytes_length(const Bytes& bytes) {
  return static_cast<std::int32_t>(bytes.size());
}

Bytes bytes_left(const Bytes& bytes, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t count = std::min(bytes.size(), static_cast<std::size_t>(n));
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes blank_bytes(std::int32_t n) {
  if (n <= 0) return {};
  return Bytes(static_cast<std::size_t>(n), 0);
}

Bytes bytes_from_address(const void* address, std::int32_t n) {
  if (n <= 0) return {};
  const auto* first = static_cast<const std::uint8_t*>(address);
  return Bytes(first, first + n);
}

Bytes text_to_bytes(const Text& text) {
  return Bytes(text.begin(), text.end());
}

Text bytes_to_text(const Bytes& bytes) {
  if (bytes.empty()) return Text();
  const char* first = reinterpret_cast<const char*>(bytes.data());
  const void* zero = std::memchr(first, 0, bytes.size());
  return Text(first, zero ? static_cast<const char*>(zero) : first + bytes.size());
}

std::int32_t array_size(const TextArray& array) {
  return static_cast<std::int32_t>(array.size());
}

void array_append(TextArray& array, const Text& text) {
  array.push_back(text);
}

Text array_item(const TextArray& array, std::int32_t number) {
  if (number < 1 || static_cast<std::size_t>(number) > array.size()) return {};
  return array[static_cast<std::size_t>(number) - 1];
}
