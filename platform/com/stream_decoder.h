#pragma once
// Decoding of bytes in a named charset into UTF-16, over iconv.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The bytes decoded from `iconv_name`. A byte that does not decode becomes U+FFFD and the
// decoding goes on with the next byte; a sequence cut off at the end becomes one U+FFFD.
// Empty when iconv cannot convert from that charset at all.
std::optional<std::u16string> decode_to_utf16(std::span<const std::uint8_t> bytes,
                                              const char* iconv_name);
