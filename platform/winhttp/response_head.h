#pragma once
// Follows the response heads that libcurl hands to its header callback, one line at a time,
// across interim (1xx) responses and the redirects that libcurl follows, and keeps the head of
// the final response.
#include <curl/curl.h>

#include <string>
#include <string_view>

class ResponseHeadTracker {
 public:
  explicit ResponseHeadTracker(bool follows_redirects) : follows_redirects_(follows_redirects) {}

  enum class Step {
    more,              // keep going
    final_head,        // the final response's head is complete
    refused_redirect,  // a redirect from https down to http: stop the transfer
  };
  // Takes one line as libcurl hands it (status line, header line or the empty line ending
  // the head). `handle` tells the address the response came from.
  Step add_line(std::string_view line, CURL* handle);

  // The final response's status line and header lines as received, each ending with CR LF,
  // then an empty line. Meaningful once final_head_complete().
  const std::string& raw_head() const { return head_; }
  bool final_head_complete() const { return final_; }
  long status() const { return status_; }
  // The last complete head asked for a redirect that libcurl then follows (or failed to).
  bool redirect_pending() const { return redirect_pending_; }

 private:
  bool follows_redirects_;
  std::string head_;
  long status_ = 0;
  bool has_location_ = false;
  bool to_plain_http_ = false;
  bool final_ = false;
  bool redirect_pending_ = false;
};
