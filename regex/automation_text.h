#pragma once
// Text crossing to and from the automation side, in the system ANSI code page (GB18030),
// so that every character survives the trip.
#include <cstdint>
#include <string>
#include <string_view>

#include "text/types.h"

std::u16string to_automation_string(const Text& text);
// The text up to the first zero unit (a Text holds no zero byte).
Text from_automation_string(std::u16string_view units);
// The number of bytes from_automation_string gives for `units`.
std::int32_t automation_text_length(std::u16string_view units);
