#include "platform/winhttp/internet_handles.h"

#include <map>

#include "platform/base/last_error.h"

namespace {

std::mutex table_mutex;
std::map<HINTERNET, std::shared_ptr<InternetHandle>>& open_handles() {
  static std::map<HINTERNET, std::shared_ptr<InternetHandle>> table;
  return table;
}

constexpr DWORD ERROR_INVALID_HANDLE = 6;

}  // namespace

bool Session::open_cookie_store() {
  cookie_store_.reset(curl_share_init());
  return cookie_store_ &&
         curl_share_setopt(cookie_store_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) ==
             CURLSHE_OK &&
         curl_share_setopt(cookie_store_.get(), CURLSHOPT_LOCKFUNC, &Session::lock) == CURLSHE_OK &&
         curl_share_setopt(cookie_store_.get(), CURLSHOPT_UNLOCKFUNC, &Session::unlock) ==
             CURLSHE_OK &&
         curl_share_setopt(cookie_store_.get(), CURLSHOPT_USERDATA, this) == CURLSHE_OK;
}

void Session::lock(CURL*, curl_lock_data, curl_lock_access, void* session) {
  static_cast<Session*>(session)->cookie_mutex_.lock();
}

void Session::unlock(CURL*, curl_lock_data, void* session) {
  static_cast<Session*>(session)->cookie_mutex_.unlock();
}

HINTERNET register_handle(std::shared_ptr<InternetHandle> object) {
  const HINTERNET handle = object.get();
  std::lock_guard lock(table_mutex);
  open_handles().emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<InternetHandle> find_any_handle(HINTERNET handle) {
  std::lock_guard lock(table_mutex);
  const auto found = open_handles().find(handle);
  if (found == open_handles().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return found->second;
}

bool unregister_handle(HINTERNET handle) {
  std::shared_ptr<InternetHandle> object;  // released outside the lock
  std::lock_guard lock(table_mutex);
  const auto found = open_handles().find(handle);
  if (found == open_handles().end()) return false;
  object = std::move(found->second);
  open_handles().erase(found);
  return true;
}

int open_handle_count() {
  std::lock_guard lock(table_mutex);
  return static_cast<int>(open_handles().size());
}
