#include "text/literal.h"

#include <string>

#include "platform/codepage/codepage.h"

Text gbk_literal(std::u8string_view utf8) {
  if (utf8.empty()) return {};
  const auto* source = reinterpret_cast<const char*>(utf8.data());
  const int source_length = static_cast<int>(utf8.size());
  std::u16string wide(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, source, source_length, nullptr, 0)),
      u'\0');
  if (wide.empty()) return {};
  MultiByteToWideChar(CP_UTF8, 0, source, source_length, wide.data(),
                      static_cast<int>(wide.size()));
  const int wide_length = static_cast<int>(wide.size());
  Text text(static_cast<std::size_t>(WideCharToMultiByte(CP_GBK, 0, wide.data(), wide_length,
                                                         nullptr, 0, nullptr, nullptr)),
            '\0');
  if (text.empty()) return {};
  WideCharToMultiByte(CP_GBK, 0, wide.data(), wide_length, text.data(),
                      static_cast<int>(text.size()), nullptr, nullptr);
  return text;
}
