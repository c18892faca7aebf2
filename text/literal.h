#pragma once
// Source files are UTF-8; texts are code page 936. gbk_literal turns a UTF-8 literal
// (u8"...") into the Text that holds the same characters.
#include <string_view>

#include "text/types.h"

Text gbk_literal(std::u8string_view utf8);
