#pragma once
// One HTTP or HTTPS request, returned as page text.
#include <cstdint>

#include "text/types.h"

// The request's parameters, in call order. Every field but `address` may be left out
// (designated initializers). The in-out and out parameters point at the caller's variables;
// null means left out, and `cookies` being non-null is what "supplied" means for it.
struct WebAccessParams {
  Text address;
  std::int32_t method = 0;  // 0 GET, 1 POST, 2 HEAD, 3 PUT, anything else GET
  Text request_body = {};
  Text* cookies = nullptr;
  Text* returned_cookies = nullptr;
  Text extra_headers = {};  // header lines separated by CR LF
  Text* returned_headers = nullptr;
  bool no_redirect = false;
  Text user_name = {};
  Text password = {};
  Text proxy = {};
  Text proxy_user_name = {};
  Text proxy_password = {};
  std::int32_t timeout_seconds = 0;  // below 1 means 30
  Text* redirect_address = nullptr;
  Text* status_text = nullptr;
  Bytes* returned_bytes = nullptr;
};

// The page text of the response; empty after any failure before the body was read, with
// the reason in *status_text.
Text web_access(const WebAccessParams& params);
