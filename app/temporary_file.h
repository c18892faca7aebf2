#pragma once
// A file created under a unique name in a given directory, to be renamed into place. It is
// removed again unless it was put in place.
#include <cstddef>
#include <cstdint>
#include <string>

class TemporaryFile {
 public:
  // Creates the file in `directory` (UTF-8, "" for the current one); check is_open().
  explicit TemporaryFile(const std::string& directory);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool is_open() const { return descriptor_ >= 0; }
  // Appends all `size` bytes; false on the first failed write.
  bool write(const std::uint8_t* data, std::size_t size);
  // Closes the file and renames it to `target`; false when either fails.
  bool put_in_place(const std::string& target);

 private:
  std::string path_;
  int descriptor_ = -1;
  bool placed_ = false;
};
