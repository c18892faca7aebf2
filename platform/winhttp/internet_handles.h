#pragma once
// The objects behind the interface's handles (session, connection, request) and the table of
// open handles that turns a HINTERNET back into its object.
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/winhttp/curl_handles.h"
#include "platform/winhttp/request_transfer.h"
#include "platform/winhttp/winhttp.h"

class InternetHandle {
 public:
  enum class Kind { session, connection, request };
  explicit InternetHandle(Kind kind) : kind_(kind) {}
  virtual ~InternetHandle() = default;
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  Kind kind() const { return kind_; }

  // Inherited by the handles opened below this one.
  TransferTimeouts timeouts;

 private:
  Kind kind_;
};

class Session final : public InternetHandle {
 public:
  Session() : InternetHandle(Kind::session) {}
  // Sets up the session's cookie store; false when libcurl could not.
  bool open_cookie_store();

  std::optional<std::string> agent;
  std::string http_proxy;   // "host:port" for http addresses, empty for none
  std::string https_proxy;  // "host:port" for https addresses, empty for none
  CURLSH* cookie_store() const { return cookie_store_.get(); }

 private:
  static void lock(CURL*, curl_lock_data, curl_lock_access, void* session);
  static void unlock(CURL*, curl_lock_data, void* session);
  std::mutex cookie_mutex_;
  CurlShare cookie_store_;
};

class Connection final : public InternetHandle {
 public:
  Connection(std::shared_ptr<Session> owner, std::string host_name, INTERNET_PORT port_number)
      : InternetHandle(Kind::connection),
        session(std::move(owner)),
        host(std::move(host_name)),
        port(port_number) {}
  const std::shared_ptr<Session> session;
  const std::string host;    // UTF-8
  const INTERNET_PORT port;  // 0: the scheme's default
};

class Request final : public InternetHandle {
 public:
  explicit Request(std::shared_ptr<Connection> owner)
      : InternetHandle(Kind::request), connection(std::move(owner)) {}
  const std::shared_ptr<Connection> connection;

  std::string verb;
  std::string object_name;  // UTF-8, as given
  bool http_1_0 = false;
  bool secure = false;
  std::vector<std::pair<std::string, std::string>> headers;  // name, value; in order
  std::optional<std::pair<std::string, std::string>> server_credentials;
  std::optional<std::pair<std::string, std::string>> proxy_credentials;
  bool cookies_enabled = true;
  bool redirects_enabled = true;
  bool revocation_check_requested = false;

  std::unique_ptr<RequestTransfer> transfer;  // once the request was sent
};

// Enters an object in the table of open handles and gives its handle.
HINTERNET register_handle(std::shared_ptr<InternetHandle> object);
// The open object of that handle and kind; null with the last-error set otherwise.
template <typename Object>
std::shared_ptr<Object> find_handle(HINTERNET handle, InternetHandle::Kind kind);
std::shared_ptr<InternetHandle> find_any_handle(HINTERNET handle);
// Removes a handle from the table; false when it is not open.
bool unregister_handle(HINTERNET handle);
int open_handle_count();

template <typename Object>
std::shared_ptr<Object> find_handle(HINTERNET handle, InternetHandle::Kind kind) {
  std::shared_ptr<InternetHandle> object = find_any_handle(handle);
  if (object == nullptr) return nullptr;
  if (object->kind() != kind) {
    SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return std::static_pointer_cast<Object>(object);
}
