#include "platform/winhttp/response_head.h"

#include <cstdlib>

#include "platform/winhttp/ascii_text.h"

namespace {

bool from_secure_address(CURL* handle) {
  char* address = nullptr;
  return curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &address) == CURLE_OK &&
         address != nullptr && ascii_starts_with_ignoring_case(address, "https:");
}

}  // namespace

ResponseHeadTracker::Step ResponseHeadTracker::add_line(std::string_view line, CURL* handle) {
  if (final_) return Step::more;  // trailers of a chunked body are not part of the head
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

  if (ascii_starts_with_ignoring_case(line, "http/")) {  // a new response begins
    head_.clear();
    has_location_ = false;
    to_plain_http_ = false;
    redirect_pending_ = false;
    const auto blank = line.find(' ');
    status_ =
        blank == std::string_view::npos ? 0 : std::strtol(line.data() + blank + 1, nullptr, 10);
  } else if (ascii_starts_with_ignoring_case(line, "location:")) {
    const std::string_view target = trim_blanks(line.substr(9));
    has_location_ = !target.empty();
    to_plain_http_ = ascii_starts_with_ignoring_case(target, "http:");
  }
  head_.append(line);
  head_.append("\r\n");
  if (!line.empty()) return Step::more;

  if (status_ >= 100 && status_ < 200 && status_ != 101) return Step::more;
  if (follows_redirects_ && status_ >= 300 && status_ < 400 && has_location_) {
    redirect_pending_ = true;
    return to_plain_http_ && from_secure_address(handle) ? Step::refused_redirect : Step::more;
  }
  final_ = true;
  return Step::final_head;
}
