#pragma once
// Owner of one iconv conversion descriptor.
#include <iconv.h>

#include <utility>

class IconvHandle {
 public:
  IconvHandle() = default;
  // Opens a descriptor from `from_charset` to `to_charset`; is_open() tells whether it worked.
  IconvHandle(const char* to_charset, const char* from_charset)
      : descriptor_(iconv_open(to_charset, from_charset)) {}
  IconvHandle(IconvHandle&& other) noexcept
      : descriptor_(std::exchange(other.descriptor_, invalid())) {}
  IconvHandle& operator=(IconvHandle&& other) noexcept {
    std::swap(descriptor_, other.descriptor_);
    return *this;
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  ~IconvHandle() {
    if (is_open()) iconv_close(descriptor_);
  }

  bool is_open() const { return descriptor_ != invalid(); }
  iconv_t get() const { return descriptor_; }

 private:
  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

  iconv_t descriptor_ = invalid();
};
