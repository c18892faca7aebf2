#pragma once
// Merging the cookies a server set into a caller's cookie string. A cookie string holds
// members ("name=value") separated by ";"; the merged form joins them with "; ".
#include <cstdint>

#include "text/types.h"

// Rewrites `cookies` to hold the members of `returned_cookies` first, in the server's order,
// then the old members whose names the server did not set, leaving out members that end in
// "=deleted" and exact repeats. Every space is removed from both parameters first; both are
// changed. Returns a copy of the merged string.
Text merge_cookies(Text& cookies, Text& returned_cookies);

// The text before the member's first "=" (all of it when there is none), trimmed.
Text cookie_name(const Text& member);

// Whether some member has the cookie name `name`, compared byte for byte.
bool cookie_name_present(const TextArray& members, const Text& name);

// The members of `text` between delimiters, each kept once, joined by the delimiter.
Text join_unique(const Text& text, const Text& delimiter);

// The number (from 1) of the first member equal to `text`, or -1.
std::int32_t find_member(const TextArray& members, const Text& text);
