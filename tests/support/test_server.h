#pragma once
// A scripted HTTP/1.1 (or HTTPS) server on 127.0.0.1 for tests. It listens on an ephemeral
// port from construction until destruction, answers each request by the route registered for
// its path, and records every request it received.
//
//   TestServer server;                                   // or
//   TestServer(TestServer::Scheme::https) server.route("/page", Response::ok("hello"));        // a
//   ready answer server.route("/raw", [](const RecordedRequest&, Exchange& exchange) {
//     exchange.write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
//     exchange.close();                                  // dropped after 3 of 10 bytes
//   });
//   fetch(server.url("/page"));                          // "http://127.0.0.1:PORT/page"
//   server.requests()[0].header("User-Agent");          // what the client sent
//
// Routes match the path of the request target without its query; an absolute-form target
// ("http://host:port/path", as sent to a proxy) matches by its path too, so the same server
// can be configured as a client's HTTP proxy and answer for any origin. A CONNECT request
// (https through the proxy) to a loopback port opens a tunnel to that port, unless a route
// for its target ("127.0.0.1:PORT") answers it instead. Unrouted paths get "404 Not Found".
// Connections are kept alive between requests unless the request or the response says otherwise.
// The destructor stops the server, wakes every stalled handler and joins all threads.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test_support {

// One request as the server read it off the wire.
struct RecordedRequest {
  std::string request_line;  // e.g. "GET /path?q=1 HTTP/1.1", without CR LF
  std::string method;
  std::string target;   // as sent: origin form "/path?q" or absolute form "http://h:p/path"
  std::string path;     // the target's path, without query (also for absolute form)
  std::string version;  // e.g. "HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers;  // in order, names as sent
  std::string body;
  bool secure = false;  // arrived over TLS

  // The value of the first header of that name (case ignored), if any.
  std::optional<std::string> header(std::string_view name) const;
  // How many header lines carry that name (case ignored).
  std::size_t header_count(std::string_view name) const;
  // The header names in the order received.
  std::vector<std::string> header_names() const;
};

// A ready answer. The status line and header lines are sent exactly as given; the framing
// adds "Content-Length" or "Transfer-Encoding: chunked" unless it is `as_given`.
struct Response {
  enum class Framing {
    content_length,  // adds "Content-Length: <body size>"
    chunked,         // adds "Transfer-Encoding: chunked" and sends the body in chunks
    as_given,        // adds nothing; the connection is closed after the body
  };

  std::string status_line = "HTTP/1.1 200 OK";  // without CR LF
  std::vector<std::string> header_lines;        // "Name: value", without CR LF
  std::string body;
  Framing framing = Framing::content_length;
  std::size_t piece_size = 0;  // body written in pieces (chunks) of this size; 0: one piece
  std::chrono::milliseconds delay_before_body{0};  // after the headers, before the body
  std::chrono::milliseconds delay_per_piece{0};    // before each piece of the body
  // Drops the connection once this many body bytes (counted after chunk framing) are out.
  std::optional<std::size_t> drop_after_body_bytes;

  static Response ok(std::string body, std::string content_type = "text/plain");
  static Response status(int code, std::string reason, std::string body = {});
  static Response redirect(int code, std::string location);
  Response&& with_header(std::string line) &&;
};

// The connection of one request, for handlers that write raw bytes.
class Exchange {
 public:
  virtual ~Exchange() = default;
  // Writes bytes as they are; false when the peer is gone or the server stops.
  virtual bool write(std::string_view bytes) = 0;
  // Sends a ready answer (status line, headers, framing, delays and drops as it says).
  virtual void send(const Response& response) = 0;
  // Waits, waking early when the server stops; false when it stopped.
  virtual bool pause(std::chrono::milliseconds duration) = 0;
  // Waits until the peer closes the connection or the server stops (a stalled response).
  virtual void stall() = 0;
  // Closes the connection after this exchange (without a complete response, a drop).
  virtual void close() = 0;
};

using Handler = std::function<void(const RecordedRequest& request, Exchange& exchange)>;

struct ServerState;  // the running server's state, private to its implementation

class TestServer {
 public:
  enum class Scheme {
    http,
    https,            // a certificate for 127.0.0.1 and localhost issued by the test CA
    https_untrusted,  // a self-signed certificate for the same names, trusted by nobody
  };

  // Starts listening on 127.0.0.1, port 0 (see test_certificates.h for the certificates).
  explicit TestServer(Scheme scheme = Scheme::http);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  std::uint16_t port() const;
  // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
  std::string origin() const;
  // origin() followed by `path` ("/" is put in front of a path that lacks it).
  std::string url(std::string_view path) const;
  // "127.0.0.1:PORT", e.g. as a proxy name.
  std::string host_port() const;

  // Registers or replaces the answer for a path (without query).
  void route(std::string path, Response response);
  void route(std::string path, Handler handler);
  // The answer for paths that have no route (default: 404).
  void fallback(Handler handler);

  // Every request received so far, in arrival order (thread-safe copy).
  std::vector<RecordedRequest> requests() const;
  std::size_t request_count() const;
  // The last request received; fails the calling test when there is none.
  RecordedRequest last_request() const;
  void clear_requests();
  // Number of TCP connections accepted so far.
  std::size_t connection_count() const;

 private:
  std::shared_ptr<ServerState> state_;
};

// A loopback port that nobody listens on (one a server just gave back), for refused connections.
std::uint16_t unused_loopback_port();

}  // namespace test_support
