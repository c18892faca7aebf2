#pragma once
// The status texts web_access sets when a stage of a request fails.
#include "text/types.h"

enum class RequestFailure {
  platform_check = 700,
  url_cracking = 701,
  session = 702,
  connection = 703,
  request = 704,
  timeouts = 705,
  server_credentials = 706,
  proxy_credentials = 707,
  cookie_option = 708,
  redirect_option = 709,
  request_headers = 710,
  sending = 711,
  response = 712,
  reading = 713,
};

// The message for `failure`: its three-digit code, a blank, the reason and "!".
const Text& status_message(RequestFailure failure);
