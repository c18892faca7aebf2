#pragma once
// A fresh directory under the system's temporary directory, removed with its content.
#include <filesystem>
#include <string>
#include <vector>

class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The names of the entries, sorted.
  std::vector<std::string> entries() const;

 private:
  std::filesystem::path path_;
};

// The whole content of a file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);
void write_test_file(const std::filesystem::path& path, const std::string& content);
