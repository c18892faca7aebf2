#include "tests/support/test_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "tests/support/test_certificates.h"

namespace test_support {
namespace {

using namespace std::string_literals;

// Sends raw bytes to the server and reads until the server closes the connection.
std::string exchange_raw(std::uint16_t port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  std::string reply;
  char buffer[4096];
  ssize_t n;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) reply.append(buffer, n);
  close(fd);
  return reply;
}

TEST(TestServer, AnswersWithExactHeadBytesAndRecordsTheRequest) {
  TestServer server;
  Response response = Response::status(200, "OK", std::string("a\0b", 3));
  response.header_lines = {"set-COOKIE: a=1", "Set-Cookie: b=2"};
  server.route("/page", response);

  const std::string reply =
      exchange_raw(server.port(),
                   "POST /page?x=1 HTTP/1.1\r\nHost: h\r\nX-Case: V\r\nContent-Length: 4\r\n"
                   "Connection: close\r\n\r\nbody");

  EXPECT_EQ(reply,
            "HTTP/1.1 200 OK\r\nset-COOKIE: a=1\r\nSet-Cookie: b=2\r\n"
            "Content-Length: 3\r\n\r\na\0b"s);
  const RecordedRequest request = server.last_request();
  EXPECT_EQ(request.request_line, "POST /page?x=1 HTTP/1.1");
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/page?x=1");
  EXPECT_EQ(request.path, "/page");
  EXPECT_EQ(request.header_names(),
            (std::vector<std::string>{"Host", "X-Case", "Content-Length", "Connection"}));
  EXPECT_EQ(request.header("x-case"), "V");
  EXPECT_EQ(request.body, "body");
}

TEST(TestServer, FramesAndDropsBodies) {
  struct Case {
    const char* name;
    Response response;
    std::string expected;
    const char* request = "GET /x HTTP/1.0\r\n\r\n";
  };
  Response chunked = Response::ok("abcdef");
  chunked.header_lines.clear();
  chunked.framing = Response::Framing::chunked;
  chunked.piece_size = 4;
  Response dropped = Response::ok("0123456789");
  dropped.header_lines.clear();
  dropped.drop_after_body_bytes = 3;
  // Framed by the end of the connection: sent whole, then closed although the request
  // would keep the connection alive.
  Response as_given = Response::ok("until the end");
  as_given.header_lines.clear();
  as_given.framing = Response::Framing::as_given;
  const Case cases[] = {
      {"chunked", chunked,
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n2\r\nef\r\n0\r\n\r\n"},
      {"dropped", dropped, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n012"},
      {"as given", as_given, "HTTP/1.1 200 OK\r\n\r\nuntil the end",
       "GET /x HTTP/1.1\r\nHost: h\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestServer server;
    server.route("/x", c.response);
    EXPECT_EQ(exchange_raw(server.port(), c.request), c.expected);
  }
}

TEST(TestServer, RoutesAbsoluteFormTargetsByPathAndKeepsConnectionsAlive) {
  TestServer server;
  server.route("/a", Response::ok("A"));
  const std::string reply = exchange_raw(server.port(),
                                         "GET http://example.test:81/a?q HTTP/1.1\r\n\r\n"
                                         "GET /missing HTTP/1.1\r\nConnection: close\r\n\r\n");
  EXPECT_NE(reply.find("\r\n\r\nA"), std::string::npos);
  EXPECT_NE(reply.find("HTTP/1.1 404 Not Found"), std::string::npos);
  ASSERT_EQ(server.request_count(), 2u);
  EXPECT_EQ(server.requests()[0].target, "http://example.test:81/a?q");
  EXPECT_EQ(server.requests()[0].path, "/a");
  EXPECT_EQ(server.connection_count(), 1u);
}

TEST(TestServer, StopsWhileAHandlerStalls) {
  auto server = std::make_unique<TestServer>();
  server->route("/stall", [](const RecordedRequest&, Exchange& exchange) { exchange.stall(); });
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(server->port());
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string request = "GET /stall HTTP/1.1\r\n\r\n";
  send(fd, request.data(), request.size(), 0);
  while (server->request_count() == 0) usleep(1000);
  server.reset();  // must return although the handler waits for the client
  close(fd);
}

TEST(TestServer, ServesHttpsWithACertificateTheTestCaIssued) {
  TestServer server(TestServer::Scheme::https);
  server.route("/s", Response::ok("secret"));
  EXPECT_EQ(server.url("s").rfind("https://127.0.0.1:", 0), 0u);

  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  ASSERT_EQ(
      SSL_CTX_load_verify_locations(context, test_certificates().ca_certificate.c_str(), nullptr),
      1);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  SSL* ssl = SSL_new(context);
  SSL_set1_host(ssl, "127.0.0.1");
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(server.port());
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  SSL_set_fd(ssl, fd);
  EXPECT_EQ(SSL_connect(ssl), 1);
  const std::string request = "GET /s HTTP/1.0\r\n\r\n";
  SSL_write(ssl, request.data(), static_cast<int>(request.size()));
  std::string reply;
  char buffer[1024];
  int n;
  while ((n = SSL_read(ssl, buffer, sizeof buffer)) > 0) reply.append(buffer, n);
  EXPECT_NE(reply.find("\r\n\r\nsecret"), std::string::npos);
  EXPECT_TRUE(server.last_request().secure);
  SSL_free(ssl);
  SSL_CTX_free(context);
  close(fd);
}

}  // namespace
}  // namespace test_support
