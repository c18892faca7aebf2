#include "app/run_directory.h"

#include <unistd.h>

#include <string>

#include "app/system_text.h"
#include "text/text_ops.h"

namespace {

// The executable's full path in UTF-8; empty if the system does not tell it.
std::string executable_path() {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);  // possibly cut short: try again with more room
  }
}

}  // namespace

Text run_directory() {
  return directory_of(utf8_to_text(executable_path()));
}

Text directory_of(const Text& path) {
  std::int32_t last_separator = -1;
  for (std::int32_t found = find_text(path, "/"); found != -1;
       found = find_text(path, "/", found + 1)) {
    last_separator = found;
  }
  return last_separator == -1 ? path : text_left(path, last_separator - 1);
}
