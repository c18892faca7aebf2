#include "web/wide_text.h"

#include <cstring>

#include "text/conversion.h"

std::u16string wide_from_bytes(const Bytes& utf16) {
  std::u16string wide(utf16.size() / 2, u'\0');
  if (!wide.empty()) std::memcpy(wide.data(), utf16.data(), wide.size() * 2);
  if (!wide.empty() && wide.back() == u'\0') wide.pop_back();
  return wide;
}

std::u16string wide_text(const Text& text) {
  return wide_from_bytes(ansi_to_unicode(text));
}
