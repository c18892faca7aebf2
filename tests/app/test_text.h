#pragma once
// Literals for tests: UTF-8 source text as plain bytes, and as the program's Text.
#include <string>
#include <string_view>

#include "app/system_text.h"

inline std::string utf8(std::u8string_view text) {
  return std::string(text.begin(), text.end());
}

// The Text (system code page) of a UTF-8 literal; unlike gbk_literal it also holds
// characters beyond GBK, such as emoji.
inline Text system_text(std::u8string_view text) {
  return utf8_to_text(utf8(text));
}
