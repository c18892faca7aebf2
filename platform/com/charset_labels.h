#pragma once
// The charset labels a web page may declare, mapped to glibc iconv names.
#include <string_view>

// The iconv name for `label` (ASCII case and surrounding blanks ignored), or null for a
// label that is not known.
const char* iconv_name_for_charset(std::u16string_view label);
