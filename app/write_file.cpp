#include "app/write_file.h"

#include <string>

#include "app/system_text.h"
#include "app/temporary_file.h"

bool write_file(const Text& path, const Bytes& data) {
  if (path.empty()) return false;
  const std::string target = text_to_utf8(path);
  if (target.empty() || target.back() == '/') return false;
  const std::size_t separator = target.rfind('/');
  TemporaryFile file(separator == std::string::npos ? std::string()
                                                    : target.substr(0, separator + 1));
  return file.is_open() && file.write(data.data(), data.size()) && file.put_in_place(target);
}
