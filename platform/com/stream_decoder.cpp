#include "platform/com/stream_decoder.h"

#include <cerrno>

#include "platform/codepage/iconv_handle.h"

std::optional<std::u16string> decode_to_utf16(std::span<const std::uint8_t> bytes,
                                              const char* iconv_name) {
  IconvHandle converter("UTF-16LE", iconv_name);
  if (!converter.is_open()) return std::nullopt;

  // One unit per input byte is enough for every supported charset (replacements included);
  // the buffer grows should a charset ever need more.
  std::u16string decoded(bytes.size() + 1, u'\0');
  std::size_t written = 0;
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
  std::size_t in_left = bytes.size();

  auto convert = [&](char** input, std::size_t* input_left) {
    char* out = reinterpret_cast<char*>(decoded.data() + written);
    std::size_t out_left = (decoded.size() - written) * sizeof(char16_t);
    const std::size_t result = iconv(converter.get(), input, input_left, &out, &out_left);
    const int error = errno;
    written = decoded.size() - out_left / sizeof(char16_t);
    return result == static_cast<std::size_t>(-1) ? error : 0;
  };
  auto put_replacement = [&] {
    if (written == decoded.size()) decoded.resize(decoded.size() * 2);
    decoded[written++] = u'\uFFFD';
  };

  while (in_left > 0) {
    const int error = convert(&in, &in_left);
    if (error == 0) break;
    if (error == E2BIG) {
      decoded.resize(decoded.size() * 2);
    } else if (error == EILSEQ) {
      put_replacement();
      ++in;
      --in_left;
    } else if (error == EINVAL) {
      put_replacement();
      in_left = 0;
    } else {
      return std::nullopt;
    }
  }
  // Flush whatever a stateful charset holds back.
  for (int error = convert(nullptr, nullptr); error != 0; error = convert(nullptr, nullptr)) {
    if (error != E2BIG) return std::nullopt;
    decoded.resize(decoded.size() * 2);
  }
  decoded.resize(written);
  return decoded;
}
