#include "platform/winhttp/curl_handles.h"

bool curl_library_ready() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

bool append_header(CurlSlist& list, const char* line) {
  curl_slist* extended = curl_slist_append(list.get(), line);
  if (extended == nullptr) return false;
  list.release();
  list.reset(extended);
  return true;
}
