#pragma once
// Conversions between the UTF-16 strings of the interface and the bytes libcurl works in.
#include <string>
#include <string_view>

#include "platform/base/win_types.h"

// The string up to its terminating NUL; empty for null.
std::u16string_view terminated_view(LPCWSTR text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8_from_utf16(std::u16string_view text);

// Bytes received from a server to UTF-16: sequences that are valid UTF-8 become those
// characters, every other byte the character of the same value (ISO 8859-1).
std::u16string utf16_from_received_bytes(std::string_view bytes);
