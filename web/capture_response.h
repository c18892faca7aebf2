#pragma once
// The last stage of web_access: turns the response into what the caller receives.
#include "platform/com/variant.h"
#include "platform/winhttp/winhttp.h"
#include "regex/automation.h"
#include "regex/regex_object.h"
#include "text/types.h"
#include "web/web_access.h"

// The automation objects the capture uses, held for the whole call of web_access and
// released when it ends, whichever way it ends. Making the regular-expression object
// initialises the automation runtime for the thread; destroying it uninitialises it.
struct CaptureObjects {
  CaptureObjects() = default;
  CaptureObjects(const CaptureObjects&) = delete;
  CaptureObjects& operator=(const CaptureObjects&) = delete;
  ~CaptureObjects() {
    automation_release(stream);
    variant_clear(body);
  }

  RegexObject regex;
  AutomationRef stream;
  VARIANT body;
};

// Runs after the body was read, while `request` is still open: reads the raw headers and
// fills the status text, headers, returned cookies, redirect address and bytes of
// `params`, merges the cookies when the caller supplied a cookie variable, and returns the
// page text, recoded when the page declares a charset other than GBK. An empty page when
// the headers cannot be read.
Text capture_response(const WinHttpFunctions& api, HINTERNET request, const Bytes& response_body,
                      const WebAccessParams& params, CaptureObjects& objects);
