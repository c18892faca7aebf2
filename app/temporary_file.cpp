#include "app/temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// The permissions an ordinary newly created file gets (mkstemp makes it private).
mode_t default_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& directory)
    : path_(directory + ".songsaver-XXXXXX") {
  descriptor_ = mkostemp(path_.data(), O_CLOEXEC);
  if (descriptor_ >= 0 && fchmod(descriptor_, default_file_mode()) == 0) return;
  if (descriptor_ >= 0) {
    close(descriptor_);
    unlink(path_.c_str());
    descriptor_ = -1;
  }
  path_.clear();  // nothing of ours to remove
}

TemporaryFile::~TemporaryFile() {
  if (descriptor_ >= 0) close(descriptor_);
  if (!placed_ && !path_.empty()) unlink(path_.c_str());
}

bool TemporaryFile::write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool TemporaryFile::put_in_place(const std::string& target) {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (close(descriptor) != 0) return false;
  if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
  placed_ = true;
  return true;
}
