#pragma once
// The media download client: one process-wide handle, opened on first use, that fetches an
// address with "GET", version HTTP/1.0, "Accept: */*", the user agent
// "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", no referrer and no cache, redirects
// followed, credentials from the address offered to the server, TLS validated.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

struct MediaReceiver {
  // Called once when the final response's headers have arrived, with its Content-Length
  // or -1 when the length is not known. May be empty.
  std::function<void(std::int64_t content_length)> expect;
  // Called with each piece of the body as it arrives; returning false stops the transfer.
  std::function<bool(const std::uint8_t* data, std::size_t size)> receive;
};

struct MediaFetchResult {
  bool responded = false;  // a final response arrived (its status line and headers)
  long status = 0;         // its status code; 0 without a response
  bool complete = false;   // the body was read to its end
};

// Fetches `url` (UTF-8; http or https only; everything from the first "#" is dropped).
MediaFetchResult media_fetch(std::string_view url, const MediaReceiver& receiver);

// Number of media client handles open now (0 before the first fetch, then 1).
int media_client_handle_count();
