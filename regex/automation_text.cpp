#include "regex/automation_text.h"

#include "platform/codepage/codepage.h"

namespace {
// Texts are far below 2 GiB; longer ones would not fit the platform's int sizes.
int as_int(std::size_t length) {
  return static_cast<int>(length);
}
}  // namespace

std::u16string to_automation_string(const Text& text) {
  if (text.empty()) return {};
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), as_int(text.size()), nullptr, 0);
  std::u16string units(static_cast<std::size_t>(needed), u'\0');
  if (needed == 0 || MultiByteToWideChar(CP_ACP, 0, text.data(), as_int(text.size()), units.data(),
                                         needed) != needed) {
    return {};
  }
  return units;
}

Text from_automation_string(std::u16string_view units) {
  // A Text never holds a zero byte, so a string ends at its first zero unit.
  units = units.substr(0, units.find(u'\0'));
  const std::int32_t needed = automation_text_length(units);
  Text text(static_cast<std::size_t>(needed), '\0');
  if (needed == 0 || WideCharToMultiByte(CP_ACP, 0, units.data(), as_int(units.size()), text.data(),
                                         needed, nullptr, nullptr) != needed) {
    return {};
  }
  return text;
}

std::int32_t automation_text_length(std::u16string_view units) {
  units = units.substr(0, units.find(u'\0'));
  if (units.empty()) return 0;
  return WideCharToMultiByte(CP_ACP, 0, units.data(), as_int(units.size()), nullptr, 0, nullptr,
                             nullptr);
}
