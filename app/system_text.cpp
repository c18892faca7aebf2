#include "app/system_text.h"

#include <climits>

#include "platform/codepage/codepage.h"

namespace {

std::u16string decode(std::string_view bytes, UINT code_page) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  if (MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed) != needed) {
    return {};
  }
  return wide;
}

std::string encode(std::u16string_view wide, UINT code_page) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(code_page, 0, wide.data(), length, bytes.data(), needed, nullptr,
                          nullptr) != needed) {
    return {};
  }
  return bytes;
}

}  // namespace

QString to_qstring(const Text& text) {
  const std::u16string wide = decode(text, CP_ACP);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

Text from_qstring(const QString& text) {
  return encode(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size())),
                CP_ACP);
}

std::string text_to_utf8(const Text& text) {
  return encode(decode(text, CP_ACP), CP_UTF8);
}

Text utf8_to_text(std::string_view utf8) {
  return encode(decode(utf8, CP_UTF8), CP_ACP);
}
