// libFuzzer harness for the character walks and the code-page round trip. The input's first
// byte sets the needle length; the needle follows, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "text/conversion.h"
#include "text/text_between.h"
#include "text/text_ops.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t needle_length = std::min<std::size_t>(data[0] % 8, size - 1);
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  Text needle(bytes, needle_length);
  Text text(bytes + needle_length, size - 1 - needle_length);
  // Texts never hold a NUL byte.
  std::erase(needle, '\0');
  std::erase(text, '\0');

  const std::int32_t found = find_text(text, needle, std::nullopt, false);
  check(found == -1 || (found >= 1 && found <= text_length(text)));
  if (found > 0 && !needle.empty()) check(text.compare(found - 1, needle.size(), needle) == 0);

  const TextArray members = split_text(text, needle);
  if (!needle.empty() && found == -1 && !text.empty()) check(members.size() == 1);

  const Text replaced = replace_text(text, needle, std::nullopt, std::nullopt, std::nullopt, true);
  check(replaced.size() <= text.size());
  check(find_text(trim_text(text), " ") != 1);
  check(find_text(remove_spaces(text), " ") == -1);
  check(compare_text(text, text, false) == 0);
  text_between(text, needle, needle);

  const Text round_trip = unicode_to_ansi(ansi_to_unicode(text));
  check(round_trip.find('\0') == Text::npos);
  return 0;
}
