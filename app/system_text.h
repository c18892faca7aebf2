#pragma once
// Text crossing out of the program: to the window toolkit and to the file system. Both use
// the system ANSI code page (GB18030), so every character of a title survives the trip; the
// file system takes names in UTF-8.
#include <QString>
#include <string>
#include <string_view>

#include "text/types.h"

QString to_qstring(const Text& text);
Text from_qstring(const QString& text);

std::string text_to_utf8(const Text& text);
Text utf8_to_text(std::string_view utf8);
