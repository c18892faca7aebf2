#include "app/download_file.h"

#include <algorithm>
#include <cstdint>

#include "app/system_text.h"
#include "platform/inet/media_client.h"

namespace {

// A declared length beyond this is not trusted for reserving memory up front; the buffer
// then grows as the body arrives.
constexpr std::int64_t largest_reservation = std::int64_t{1} << 30;

}  // namespace

Bytes download_file(const Text& address) {
  if (address.empty()) return {};
  Bytes body;
  const MediaReceiver receiver{
      .expect =
          [&body](std::int64_t content_length) {
            if (content_length > 0) {
              body.reserve(static_cast<std::size_t>(std::min(content_length, largest_reservation)));
            }
          },
      .receive =
          [&body](const std::uint8_t* data, std::size_t size) {
            body.insert(body.end(), data, data + size);
            return true;
          },
  };
  const MediaFetchResult result = media_fetch(text_to_utf8(address), receiver);
  const bool succeeded =
      result.responded && result.status >= 200 && result.status <= 299 && result.complete;
  if (!succeeded) return {};
  return body;
}
