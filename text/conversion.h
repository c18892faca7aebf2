#pragma once
// Moves between code page 936 text and UTF-16 (little-endian units held in Bytes).
#include "text/types.h"

// The text in UTF-16 followed by one zero unit (left off when omit_terminator is true);
// the empty text gives the empty Bytes.
Bytes ansi_to_unicode(const Text& text, bool omit_terminator = false);

// The UTF-16 units of `utf16` (an odd final byte ignored) in code page 936, up to the
// first zero unit.
Text unicode_to_ansi(const Bytes& utf16);
