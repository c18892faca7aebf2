#include "regex/automation_text.h"

#include <algorithm>

#include "platform/codepage/codepage.h"

namespace {

// Texts are far below 2 GiB; longer ones would not fit the platform's int sizes.
int as_int(std::size_t length) {
  return static_cast<int>(length);
}

// Member names and most values are ASCII, which the code page maps one to one; they are
// copied across without a trip through the converter.
template <class Unit>
bool all_ascii(std::basic_string_view<Unit> units) {
  return std::all_of(units.begin(), units.end(),
                     [](Unit unit) { return static_cast<std::uint32_t>(unit) < 0x80; });
}

// A Text never holds a zero byte, so a string ends at its first zero unit.
std::u16string_view up_to_zero(std::u16string_view units) {
  return units.substr(0, units.find(u'\0'));
}

}  // namespace

std::u16string to_automation_string(const Text& text) {
  if (all_ascii(std::string_view(text))) return std::u16string(text.begin(), text.end());
  // One pass into room for the longest form (a unit for every byte), then trimmed.
  std::u16string units(text.size(), u'\0');
  const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), as_int(text.size()), units.data(),
                                          as_int(units.size()));
  units.resize(static_cast<std::size_t>(written));
  return units;
}

Text from_automation_string(std::u16string_view units) {
  units = up_to_zero(units);
  if (all_ascii(units)) {
    Text text(units.size(), '\0');
    std::transform(units.begin(), units.end(), text.begin(),
                   [](char16_t unit) { return static_cast<char>(unit); });
    return text;
  }
  // One pass into room for the longest form (four bytes a unit), then trimmed.
  Text text(units.size() * 4, '\0');
  const int written = WideCharToMultiByte(CP_ACP, 0, units.data(), as_int(units.size()),
                                          text.data(), as_int(text.size()), nullptr, nullptr);
  text.resize(static_cast<std::size_t>(written));
  return text;
}

std::int32_t automation_text_length(std::u16string_view units) {
  units = up_to_zero(units);
  if (all_ascii(units)) return static_cast<std::int32_t>(units.size());
  return WideCharToMultiByte(CP_ACP, 0, units.data(), as_int(units.size()), nullptr, 0, nullptr,
                             nullptr);
}
