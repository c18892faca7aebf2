#include "tests/support/test_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "tests/support/test_certificates.h"

namespace test_support {
namespace {

class Connection;

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string path_of_target(std::string_view target) {
  if (const auto scheme_end = target.find("://"); scheme_end != std::string_view::npos) {
    const auto path_start = target.find('/', scheme_end + 3);
    target =
        path_start == std::string_view::npos ? std::string_view("/") : target.substr(path_start);
  }
  return std::string(target.substr(0, target.find_first_of("?#")));
}

struct SslCtxDeleter {
  void operator()(SSL_CTX* context) const noexcept { SSL_CTX_free(context); }
};
using SslContext = std::unique_ptr<SSL_CTX, SslCtxDeleter>;

struct SslDeleter {
  void operator()(SSL* ssl) const noexcept { SSL_free(ssl); }
};
using SslSession = std::unique_ptr<SSL, SslDeleter>;

SslContext make_tls_context(const std::string& certificate, const std::string& key) {
  SslContext context(SSL_CTX_new(TLS_server_method()));
  if (!context || SSL_CTX_use_certificate_chain_file(context.get(), certificate.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context.get(), key.c_str(), SSL_FILETYPE_PEM) != 1) {
    ERR_print_errors_fp(stderr);
    throw std::runtime_error("test server: cannot set up TLS");
  }
  return context;
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const auto& [header_name, value] : headers) {
    if (equal_ignoring_case(header_name, name)) return value;
  }
  return std::nullopt;
}

std::size_t RecordedRequest::header_count(std::string_view name) const {
  return static_cast<std::size_t>(std::count_if(headers.begin(), headers.end(), [&](const auto& h) {
    return equal_ignoring_case(h.first, name);
  }));
}

std::vector<std::string> RecordedRequest::header_names() const {
  std::vector<std::string> names;
  for (const auto& header : headers) names.push_back(header.first);
  return names;
}

Response Response::ok(std::string body, std::string content_type) {
  Response response;
  response.header_lines.push_back("Content-Type: " + content_type);
  response.body = std::move(body);
  return response;
}

Response Response::status(int code, std::string reason, std::string body) {
  Response response;
  response.status_line = "HTTP/1.1 " + std::to_string(code) + " " + reason;
  response.body = std::move(body);
  return response;
}

Response Response::redirect(int code, std::string location) {
  Response response = status(code, code == 301 ? "Moved Permanently" : "Found");
  response.header_lines.push_back("Location: " + location);
  return response;
}

Response&& Response::with_header(std::string line) && {
  header_lines.push_back(std::move(line));
  return std::move(*this);
}

struct ServerState {
  TestServer::Scheme scheme = TestServer::Scheme::http;
  int listen_fd = -1;
  std::uint16_t port = 0;
  SslContext tls;

  mutable std::mutex mutex;
  std::condition_variable stop_signal;
  bool stopping = false;
  std::map<std::string, Handler> routes;
  Handler fallback;
  std::vector<RecordedRequest> requests;
  std::size_t connections = 0;
  std::set<int> open_sockets;
  std::list<std::thread> connection_threads;
  std::thread accept_thread;

  bool stopped() const {
    std::lock_guard lock(mutex);
    return stopping;
  }
  // Waits for the duration or until the server stops; false when it stopped.
  bool wait(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex);
    return !stop_signal.wait_for(lock, duration, [this] { return stopping; });
  }

  void accept_loop();
  void serve_connection(int fd);
  // Answers a proxy's CONNECT to a loopback port and relays the bytes of the tunnel.
  void tunnel(Connection& connection, int fd, const std::string& target);
};

namespace {

// A connection's byte stream, plain or TLS.
class Connection {
 public:
  Connection(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}

  // Reads some bytes; 0 at the end or on error.
  std::size_t read_some(char* buffer, std::size_t size) {
    if (ssl_ != nullptr) {
      const int n = SSL_read(ssl_, buffer, static_cast<int>(size));
      return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    for (;;) {
      const ssize_t n = recv(fd_, buffer, size, 0);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return 0;
    }
  }

  bool write_all(std::string_view bytes) {
    while (!bytes.empty()) {
      std::size_t written = 0;
      if (ssl_ != nullptr) {
        const int n = SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()));
        if (n <= 0) return false;
        written = static_cast<std::size_t>(n);
      } else {
        const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written = static_cast<std::size_t>(n);
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  // True once the peer has closed (or reset) the connection.
  bool peer_closed() {
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, 0) <= 0) return false;
    char byte = 0;
    const ssize_t n = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
  }

 private:
  int fd_;
  SSL* ssl_;
};

// Reads requests off a connection, one at a time.
class RequestReader {
 public:
  explicit RequestReader(Connection& connection) : connection_(connection) {}

  // The next request, or nothing when the connection ended first. Answers
  // "Expect: 100-continue" before reading the body.
  std::optional<RecordedRequest> next() {
    std::size_t head_end;
    while ((head_end = buffer_.find("\r\n\r\n")) == std::string::npos) {
      if (!fill()) return std::nullopt;
    }
    RecordedRequest request;
    const std::string head = buffer_.substr(0, head_end);
    buffer_.erase(0, head_end + 4);

    std::size_t line_end = head.find("\r\n");
    request.request_line = head.substr(0, line_end);
    parse_request_line(request);
    while (line_end != std::string::npos) {
      const std::size_t start = line_end + 2;
      line_end = head.find("\r\n", start);
      const std::string_view line = std::string_view(head).substr(
          start, line_end == std::string::npos ? std::string::npos : line_end - start);
      const auto colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      request.headers.emplace_back(std::string(line.substr(0, colon)),
                                   std::string(trim(line.substr(colon + 1))));
    }

    const auto expect = request.header("Expect");
    if (expect && equal_ignoring_case(*expect, "100-continue")) {
      connection_.write_all("HTTP/1.1 100 Continue\r\n\r\n");
    }
    const auto transfer_encoding = request.header("Transfer-Encoding");
    if (transfer_encoding && equal_ignoring_case(*transfer_encoding, "chunked")) {
      if (!read_chunked_body(request.body)) return std::nullopt;
    } else if (const auto length = request.header("Content-Length")) {
      if (!take(std::strtoull(length->c_str(), nullptr, 10), request.body)) return std::nullopt;
    }
    return request;
  }

 private:
  bool fill() {
    char chunk[16384];
    const std::size_t n = connection_.read_some(chunk, sizeof chunk);
    buffer_.append(chunk, n);
    return n > 0;
  }

  bool take(std::size_t size, std::string& out) {
    while (buffer_.size() < size) {
      if (!fill()) return false;
    }
    out.append(buffer_, 0, size);
    buffer_.erase(0, size);
    return true;
  }

  bool take_line(std::string& line) {
    std::size_t end;
    while ((end = buffer_.find("\r\n")) == std::string::npos) {
      if (!fill()) return false;
    }
    line = buffer_.substr(0, end);
    buffer_.erase(0, end + 2);
    return true;
  }

  bool read_chunked_body(std::string& body) {
    for (;;) {
      std::string size_line;
      if (!take_line(size_line)) return false;
      const std::size_t size = std::strtoull(size_line.c_str(), nullptr, 16);
      if (size == 0) {
        std::string trailer;
        do {
          if (!take_line(trailer)) return false;
        } while (!trailer.empty());
        return true;
      }
      std::string crlf;
      if (!take(size, body) || !take_line(crlf)) return false;
    }
  }

  static void parse_request_line(RecordedRequest& request) {
    const std::string& line = request.request_line;
    const auto first = line.find(' ');
    const auto last = line.rfind(' ');
    if (first == std::string::npos || last == first) {
      request.method = line;
      return;
    }
    request.method = line.substr(0, first);
    request.target = line.substr(first + 1, last - first - 1);
    request.version = line.substr(last + 1);
    request.path = path_of_target(request.target);
  }

  Connection& connection_;
  std::string buffer_;
};

class ConnectionExchange final : public Exchange {
 public:
  ConnectionExchange(ServerState& state, Connection& connection, const RecordedRequest& request)
      : state_(state), connection_(connection), request_(request) {}

  bool write(std::string_view bytes) override {
    if (closed_ || state_.stopped()) return false;
    if (!connection_.write_all(bytes)) closed_ = true;
    return !closed_;
  }

  void send(const Response& response) override {
    std::string head = response.status_line + "\r\n";
    for (const auto& line : response.header_lines) head += line + "\r\n";
    switch (response.framing) {
      case Response::Framing::content_length:
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        break;
      case Response::Framing::chunked:
        head += "Transfer-Encoding: chunked\r\n";
        break;
      case Response::Framing::as_given:  // the end of the body is the end of the connection
        break;
    }
    head += "\r\n";
    if (!write(head) || request_.method == "HEAD") return;
    if (response.delay_before_body.count() > 0 && !pause(response.delay_before_body)) return;

    std::size_t budget = response.drop_after_body_bytes.value_or(std::string::npos);
    // Writes framed body bytes, dropping the connection once the budget is spent.
    auto put = [&](std::string_view bytes) {
      const bool drop = bytes.size() >= budget;
      if (!write(bytes.substr(0, std::min(bytes.size(), budget)))) return false;
      budget -= std::min(bytes.size(), budget);
      if (drop && response.drop_after_body_bytes) {
        close();
        return false;
      }
      return true;
    };

    const std::string_view body = response.body;
    const std::size_t piece =
        response.piece_size == 0 ? std::max<std::size_t>(body.size(), 1) : response.piece_size;
    for (std::size_t offset = 0; offset < body.size(); offset += piece) {
      if (response.delay_per_piece.count() > 0 && !pause(response.delay_per_piece)) return;
      const std::string_view data = body.substr(offset, piece);
      if (response.framing == Response::Framing::chunked) {
        char size_line[32];
        std::snprintf(size_line, sizeof size_line, "%zx\r\n", data.size());
        if (!put(size_line) || !put(data) || !put("\r\n")) return;
      } else if (!put(data)) {
        return;
      }
    }
    if (response.framing == Response::Framing::chunked) put("0\r\n\r\n");
    if (response.framing == Response::Framing::as_given) close();
  }

  bool pause(std::chrono::milliseconds duration) override { return state_.wait(duration); }

  void stall() override {
    while (!connection_.peer_closed() && state_.wait(std::chrono::milliseconds(20))) {
    }
    closed_ = true;
  }

  void close() override { closed_ = true; }

  bool closed() const { return closed_; }

 private:
  ServerState& state_;
  Connection& connection_;
  const RecordedRequest& request_;
  bool closed_ = false;
};

bool keeps_alive(const RecordedRequest& request) {
  const auto connection = request.header("Connection");
  if (connection && equal_ignoring_case(*connection, "close")) return false;
  if (request.version == "HTTP/1.0") {
    return connection && equal_ignoring_case(*connection, "keep-alive");
  }
  return true;
}

void answer_not_found(const RecordedRequest&, Exchange& exchange) {
  exchange.send(Response::status(404, "Not Found", "not found"));
}

}  // namespace

void ServerState::accept_loop() {
  for (;;) {
    const int fd = accept(listen_fd, nullptr, nullptr);
    std::lock_guard lock(mutex);
    if (stopping) {
      if (fd >= 0) ::close(fd);
      return;
    }
    if (fd < 0) continue;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ++connections;
    open_sockets.insert(fd);
    connection_threads.emplace_back([this, fd] { serve_connection(fd); });
  }
}

void ServerState::serve_connection(int fd) {
  SslSession ssl;
  if (tls) {
    ssl.reset(SSL_new(tls.get()));
    if (!ssl || SSL_set_fd(ssl.get(), fd) != 1 || SSL_accept(ssl.get()) != 1) ssl.reset();
  }
  if (!tls || ssl) {
    Connection connection(fd, ssl.get());
    RequestReader reader(connection);
    while (auto request = reader.next()) {
      request->secure = static_cast<bool>(tls);
      Handler handler;
      {
        std::lock_guard lock(mutex);
        requests.push_back(*request);
        const auto route = routes.find(request->path);
        handler = route != routes.end() ? route->second : fallback;
        if (route == routes.end() && request->method == "CONNECT") handler = nullptr;
      }
      if (!handler) {
        tunnel(connection, fd, request->target);
        break;
      }
      ConnectionExchange exchange(*this, connection, *request);
      handler(*request, exchange);
      if (exchange.closed() || !keeps_alive(*request)) break;
    }
    if (ssl) SSL_shutdown(ssl.get());
  }
  std::lock_guard lock(mutex);
  open_sockets.erase(fd);
  ::close(fd);
}

void ServerState::tunnel(Connection& connection, int fd, const std::string& target) {
  const auto colon = target.rfind(':');
  const std::string host = target.substr(0, colon);
  if (colon == std::string::npos || (host != "127.0.0.1" && host != "localhost")) {
    connection.write_all("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
    return;
  }
  const int upstream = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(target.c_str() + colon + 1)));
  if (upstream < 0 ||
      connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (upstream >= 0) ::close(upstream);
    connection.write_all("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
    return;
  }
  connection.write_all("HTTP/1.1 200 Connection established\r\n\r\n");
  // Relays bytes both ways until either side closes or the server stops.
  pollfd ends[2] = {{fd, POLLIN, 0}, {upstream, POLLIN, 0}};
  char buffer[16384];
  bool open = true;
  while (open && !stopped()) {
    if (poll(ends, 2, 50) < 0 && errno != EINTR) break;
    for (int from = 0; from < 2 && open; ++from) {
      if ((ends[from].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = recv(ends[from].fd, buffer, sizeof buffer, 0);
      open =
          n > 0 && send(ends[1 - from].fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) == n;
    }
  }
  ::close(upstream);
}

TestServer::TestServer(Scheme scheme) : state_(std::make_shared<ServerState>()) {
  std::signal(SIGPIPE, SIG_IGN);
  state_->scheme = scheme;
  state_->fallback = answer_not_found;
  if (scheme == Scheme::https) {
    state_->tls =
        make_tls_context(test_certificates().server_certificate, test_certificates().server_key);
  } else if (scheme == Scheme::https_untrusted) {
    state_->tls = make_tls_context(test_certificates().untrusted_certificate,
                                   test_certificates().untrusted_key);
  }

  state_->listen_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (state_->listen_fd < 0 ||
      bind(state_->listen_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(state_->listen_fd, 64) != 0 ||
      getsockname(state_->listen_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (state_->listen_fd >= 0) ::close(state_->listen_fd);
    throw std::runtime_error("test server: cannot listen on 127.0.0.1");
  }
  state_->port = ntohs(address.sin_port);
  state_->accept_thread = std::thread([state = state_.get()] { state->accept_loop(); });
}

TestServer::~TestServer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    for (const int fd : state_->open_sockets) shutdown(fd, SHUT_RDWR);
  }
  state_->stop_signal.notify_all();
  shutdown(state_->listen_fd, SHUT_RDWR);
  state_->accept_thread.join();
  ::close(state_->listen_fd);
  // No new connection threads start once stopping is set.
  for (auto& thread : state_->connection_threads) thread.join();
}

std::uint16_t TestServer::port() const {
  return state_->port;
}

std::string TestServer::origin() const {
  return (state_->scheme == Scheme::http ? "http://" : "https://") + host_port();
}

std::string TestServer::url(std::string_view path) const {
  std::string result = origin();
  if (path.empty() || path.front() != '/') result += '/';
  result += path;
  return result;
}

std::string TestServer::host_port() const {
  return "127.0.0.1:" + std::to_string(port());
}

void TestServer::route(std::string path, Response response) {
  route(std::move(path),
        [response = std::move(response)](const RecordedRequest&, Exchange& exchange) {
          exchange.send(response);
        });
}

void TestServer::route(std::string path, Handler handler) {
  std::lock_guard lock(state_->mutex);
  state_->routes[std::move(path)] = std::move(handler);
}

void TestServer::fallback(Handler handler) {
  std::lock_guard lock(state_->mutex);
  state_->fallback = std::move(handler);
}

std::vector<RecordedRequest> TestServer::requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

std::size_t TestServer::request_count() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests.size();
}

RecordedRequest TestServer::last_request() const {
  std::lock_guard lock(state_->mutex);
  if (state_->requests.empty()) {
    ADD_FAILURE() << "the test server received no request";
    return {};
  }
  return state_->requests.back();
}

void TestServer::clear_requests() {
  std::lock_guard lock(state_->mutex);
  state_->requests.clear();
}

std::size_t TestServer::connection_count() const {
  std::lock_guard lock(state_->mutex);
  return state_->connections;
}

std::uint16_t unused_loopback_port() {
  const TestServer released;
  return released.port();
}

}  // namespace test_support
