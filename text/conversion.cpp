#include "text/conversion.h"

#include "platform/codepage/codepage.h"
#include "text/bytes_ops.h"

Bytes ansi_to_unicode(const Text& text, bool omit_terminator) {
  if (text.empty()) return {};
  const int units = MultiByteToWideChar(CP_GBK, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return {};
  Bytes utf16 = blank_bytes(units * 2);
  MultiByteToWideChar(CP_GBK, 0, text.c_str(), -1, reinterpret_cast<char16_t*>(utf16.data()),
                      units);
  if (omit_terminator) utf16 = bytes_left(utf16, bytes_length(utf16) - 2);
  return utf16;
}

Text unicode_to_ansi(const Bytes& utf16) {
  const int units = bytes_length(utf16) / 2;
  if (units == 0) return {};
  const auto* wide = reinterpret_cast<const char16_t*>(utf16.data());
  const int size =
      WideCharToMultiByte(CP_GBK, WC_COMPOSITECHECK, wide, units, nullptr, 0, nullptr, nullptr);
  Bytes narrow = blank_bytes(size);
  if (size > 0) {
    WideCharToMultiByte(CP_GBK, WC_COMPOSITECHECK, wide, units,
                        reinterpret_cast<char*>(narrow.data()), size, nullptr, nullptr);
  }
  return bytes_to_text(narrow);
}
