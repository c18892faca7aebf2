#pragma once
// Texts handed to the HTTP interface: code page 936 converted to UTF-16 with
// ansi_to_unicode, held as a terminated std::u16string so a pointer to it can be passed on.
#include <string>

#include "text/types.h"

std::u16string wide_text(const Text& text);

// UTF-16 units held in Bytes (as the text layer's conversions make them), without a final
// terminating unit when there is one.
std::u16string wide_from_bytes(const Bytes& utf16);
