#pragma once
// Owner of one iconv conversion descriptor. It counts the descriptors open in the process so
// that tests can see converters being reused and released.
#include <iconv.h>

#include <atomic>
#include <utility>

class IconvHandle {
 public:
  IconvHandle() = default;
  // Opens a descriptor from `from_charset` to `to_charset`; is_open() tells whether it worked.
  IconvHandle(const char* to_charset, const char* from_charset)
      : descriptor_(iconv_open(to_charset, from_charset)) {
    if (is_open()) ++open_count_;
  }
  IconvHandle(IconvHandle&& other) noexcept
      : descriptor_(std::exchange(other.descriptor_, invalid())) {}
  IconvHandle& operator=(IconvHandle&& other) noexcept {
    std::swap(descriptor_, other.descriptor_);
    return *this;
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  ~IconvHandle() {
    if (is_open()) {
      iconv_close(descriptor_);
      --open_count_;
    }
  }

  // The number of descriptors open in the process.
  static int open_count() { return open_count_; }

  bool is_open() const { return descriptor_ != invalid(); }
  iconv_t get() const { return descriptor_; }

 private:
  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

  static inline std::atomic<int> open_count_ = 0;
  iconv_t descriptor_ = invalid();
};
