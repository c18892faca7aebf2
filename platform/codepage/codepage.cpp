#include "platform/codepage/codepage.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/base/last_error.h"
#include "platform/codepage/iconv_handle.h"

// Replacement rules, chosen so that one bad spot costs one replacement character:
// - narrow to UTF-16: an undefined double-byte pair (a byte of 0x80 or above followed by a
//   valid second byte) becomes one U+FFFD, as does an undefined four-byte GB18030 sequence;
//   any other offending byte becomes one U+FFFD on its own, so an ASCII byte after a stray
//   lead byte survives. A truncated sequence at the very end becomes one U+FFFD.
// - UTF-16 to narrow: a character the code page cannot hold becomes the default character
//   ("?", or the first byte of the caller's default character), a surrogate pair counting as
//   one character; an unpaired surrogate becomes the default character as well.
// Flags are accepted and ignored: the conversions never compose or decompose characters.

namespace {

enum class Charset { gbk, gb18030, utf8 };
enum class Direction { to_wide, from_wide };

constexpr const char* wide_charset = "UTF-16LE";
constexpr std::string_view replacement_character{"\xFD\xFF", 2};  // U+FFFD, little-endian

std::optional<Charset> charset_of(UINT code_page) {
  switch (code_page) {
    case CP_GBK:
      return Charset::gbk;
    case CP_ACP:
    case CP_GB18030:
      return Charset::gb18030;
    case CP_UTF8:
      return Charset::utf8;
    default:
      return std::nullopt;
  }
}

const char* iconv_name(Charset charset) {
  switch (charset) {
    case Charset::gbk:
      return "CP936";
    case Charset::gb18030:
      return "GB18030";
    case Charset::utf8:
      return "UTF-8";
  }
  return nullptr;
}

// The thread's converter for one charset and direction, opened on first use and kept for the
// life of the thread; its shift state is reset for the caller. Null when it cannot be opened.
iconv_t converter(Charset charset, Direction direction) {
  static thread_local std::array<IconvHandle, 6> converters;
  IconvHandle& handle =
      converters[static_cast<std::size_t>(charset) * 2 + static_cast<std::size_t>(direction)];
  if (!handle.is_open()) {
    handle = direction == Direction::to_wide ? IconvHandle(wide_charset, iconv_name(charset))
                                             : IconvHandle(iconv_name(charset), wide_charset);
    if (!handle.is_open()) return nullptr;
  }
  iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
  return handle.get();
}

bool in_range(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

bool is_second_byte(unsigned char byte) {
  return in_range(byte, 0x40, 0xFE) && byte != 0x7F;
}

// How many bytes of narrow input an undecodable sequence at `in` spans.
std::size_t undecodable_span(const unsigned char* in, std::size_t left, Charset charset) {
  if (charset == Charset::utf8 || in[0] < 0x80 || left < 2) return 1;
  if (charset == Charset::gb18030 && left >= 4 && in_range(in[1], 0x30, 0x39) &&
      in_range(in[2], 0x81, 0xFE) && in_range(in[3], 0x30, 0x39)) {
    return 4;
  }
  return is_second_byte(in[1]) ? 2 : 1;
}

bool is_high_surrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// How many bytes of UTF-16LE input an unmappable character at `in` spans.
std::size_t unmappable_span(const unsigned char* in, std::size_t left, Charset) {
  if (left < 4) return 2;
  const auto first = static_cast<char16_t>(in[0] | in[1] << 8);
  const auto second = static_cast<char16_t>(in[2] | in[3] << 8);
  return is_high_surrogate(first) && is_low_surrogate(second) ? 4 : 2;
}

// Where converted bytes go: the caller's buffer, or, when the caller only asks for the size,
// a scratch buffer that is reused while the bytes are counted.
class Output {
 public:
  Output(char* buffer, std::size_t capacity)
      : counting_(capacity == 0),
        cursor_(counting_ ? scratch_.data() : buffer),
        room_(counting_ ? scratch_.size() : capacity),
        start_(cursor_) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  char** cursor() { return &cursor_; }
  std::size_t* room() { return &room_; }

  // Frees room when the output is full; false when the caller's buffer is too small.
  bool make_room() {
    if (!counting_) return false;
    counted_ += static_cast<std::size_t>(cursor_ - start_);
    cursor_ = start_;
    room_ = scratch_.size();
    return true;
  }

  bool put(std::string_view bytes) {
    if (room_ < bytes.size() && !make_room()) return false;
    std::memcpy(cursor_, bytes.data(), bytes.size());
    cursor_ += bytes.size();
    room_ -= bytes.size();
    return true;
  }

  std::size_t total() const { return counted_ + static_cast<std::size_t>(cursor_ - start_); }

 private:
  std::array<char, 4096> scratch_;
  bool counting_;
  char* cursor_;
  std::size_t room_;
  char* start_;
  std::size_t counted_ = 0;
};

enum class Outcome { done, buffer_too_small, failed };

using SpanRule = std::size_t (*)(const unsigned char* in, std::size_t left, Charset charset);

struct Substitution {
  std::string_view bytes;  // written in place of what cannot be converted
  SpanRule span;           // how much input that covers
  Charset charset;
};

// Converts all of `in` into `out`, writing the substitute for every sequence that cannot be
// converted and going on after it.
Outcome transcode(iconv_t descriptor, std::string_view in, Output& out,
                  const Substitution& substitution, bool& substituted) {
  char* in_cursor = const_cast<char*>(in.data());
  std::size_t in_left = in.size();
  while (in_left > 0) {
    if (iconv(descriptor, &in_cursor, &in_left, out.cursor(), out.room()) != std::size_t(-1)) {
      break;
    }
    if (errno == E2BIG) {
      if (!out.make_room()) return Outcome::buffer_too_small;
      continue;
    }
    if (errno != EILSEQ && errno != EINVAL) return Outcome::failed;
    // EINVAL: an incomplete sequence ends the input, and all of it is replaced at once.
    const std::size_t skipped =
        errno == EINVAL ? in_left
                        : substitution.span(reinterpret_cast<const unsigned char*>(in_cursor),
                                            in_left, substitution.charset);
    if (!out.put(substitution.bytes)) return Outcome::buffer_too_small;
    substituted = true;
    in_cursor += skipped;
    in_left -= skipped;
  }
  while (iconv(descriptor, nullptr, nullptr, out.cursor(), out.room()) == std::size_t(-1)) {
    if (errno != E2BIG) return Outcome::failed;
    if (!out.make_room()) return Outcome::buffer_too_small;
  }
  return Outcome::done;
}

// Runs one conversion for the two public calls and turns its outcome into their result: the
// size written or needed in output units, or 0 with the last-error set.
int convert(iconv_t descriptor, std::string_view in, char* out, std::size_t out_bytes,
            std::size_t unit_size, const Substitution& substitution, bool& substituted) {
  Output output(out, out_bytes);
  switch (transcode(descriptor, in, output, substitution, substituted)) {
    case Outcome::done:
      break;
    case Outcome::buffer_too_small:
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    case Outcome::failed:
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
  }
  const std::size_t units = output.total() / unit_size;
  if (units > static_cast<std::size_t>(INT_MAX)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return static_cast<int>(units);
}

std::size_t wide_length_with_terminator(const char16_t* wide) {
  std::size_t length = 0;
  while (wide[length] != 0) ++length;
  return length + 1;
}

// The thread's converter for a call, or null with ERROR_INVALID_PARAMETER for an unknown code
// page, bad sizes or a converter that cannot be opened.
iconv_t converter_for_call(UINT code_page, Direction direction, const void* source,
                           int source_length, const void* target, int target_length,
                           Charset& charset) {
  const std::optional<Charset> known = charset_of(code_page);
  const bool sizes_valid = source != nullptr && source_length != 0 && source_length >= -1 &&
                           target_length >= 0 && (target_length == 0 || target != nullptr);
  iconv_t descriptor = known && sizes_valid ? converter(*known, direction) : nullptr;
  if (descriptor == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  charset = *known;
  return descriptor;
}

}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD /*flags*/, const char* multi_byte,
                        int multi_byte_length, char16_t* wide, int wide_length) {
  Charset charset;
  iconv_t descriptor = converter_for_call(code_page, Direction::to_wide, multi_byte,
                                          multi_byte_length, wide, wide_length, charset);
  if (descriptor == nullptr) return 0;
  const std::size_t length = multi_byte_length == -1 ? std::strlen(multi_byte) + 1
                                                     : static_cast<std::size_t>(multi_byte_length);
  bool substituted = false;
  return convert(descriptor, std::string_view(multi_byte, length), reinterpret_cast<char*>(wide),
                 static_cast<std::size_t>(wide_length) * sizeof(char16_t), sizeof(char16_t),
                 Substitution{replacement_character, undecodable_span, charset}, substituted);
}

int WideCharToMultiByte(UINT code_page, DWORD /*flags*/, const char16_t* wide, int wide_length,
                        char* multi_byte, int multi_byte_length, const char* default_char,
                        BOOL* used_default_char) {
  Charset charset;
  iconv_t descriptor = converter_for_call(code_page, Direction::from_wide, wide, wide_length,
                                          multi_byte, multi_byte_length, charset);
  if (descriptor == nullptr) return 0;
  const std::size_t units =
      wide_length == -1 ? wide_length_with_terminator(wide) : static_cast<std::size_t>(wide_length);
  const std::string_view substitute =
      default_char != nullptr && *default_char != 0 ? std::string_view(default_char, 1) : "?";
  bool substituted = false;
  const int written = convert(
      descriptor, std::string_view(reinterpret_cast<const char*>(wide), units * sizeof(char16_t)),
      multi_byte, static_cast<std::size_t>(multi_byte_length), 1,
      Substitution{substitute, unmappable_span, charset}, substituted);
  if (used_default_char != nullptr) *used_default_char = substituted ? TRUE : FALSE;
  return written;
}
