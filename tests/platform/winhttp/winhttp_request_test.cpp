// What goes out with a request and what comes back: headers, verbs and bodies, versions, the
// raw response head, streamed bodies, and the failures of the exchange itself.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/last_error.h"
#include "tests/platform/winhttp/winhttp_client.h"
#include "tests/platform/winhttp/winhttp_fixture.h"
#include "tests/support/test_server.h"

namespace {

using test_support::Exchange;
using test_support::RecordedRequest;
using test_support::Response;
using test_support::TestServer;
using namespace std::string_literals;

using RequestTest = WinHttpTest;

TEST_F(RequestTest, SendsExactlyTheGivenHeadersAndNoLibraryDefaults) {
  TestServer server;
  server.route("/h", Response::ok("fine"));
  ClientRequest request;
  request.url = to_utf16(server.url("/h?x=1"));
  request.headers =
      u"User-Agent: Agent/1\r\nAccept: text/html\r\nX-Twice: first\r\nx-twice: second\r\n"
      u"Cookie: a=1; b=2\r\n";
  const ClientResult result = run_request(request);
  ASSERT_EQ(result.failed_at, "");
  EXPECT_EQ(result.body, "fine");

  const RecordedRequest sent = server.last_request();
  EXPECT_EQ(sent.request_line, "GET /h?x=1 HTTP/1.1");
  EXPECT_EQ(sent.header_names(),
            (std::vector<std::string>{"Host", "User-Agent", "Accept", "X-Twice", "Cookie"}));
  EXPECT_EQ(sent.header("Host"), server.host_port());
  EXPECT_EQ(sent.header("X-Twice"), "second");  // replaced, not added twice
  EXPECT_EQ(sent.header("Accept"), "text/html");
  EXPECT_EQ(sent.header("Cookie"), "a=1; b=2");
}

TEST_F(RequestTest, SendsNoUserAgentOrAcceptUnlessGivenAndTheSessionAgentOtherwise) {
  TestServer server;
  ClientRequest request;
  request.url = to_utf16(server.url("/"));
  ASSERT_EQ(run_request(request).failed_at, "");
  EXPECT_EQ(server.last_request().header_names(), (std::vector<std::string>{"Host"}));

  request.agent = u"Session-Agent/2";
  ASSERT_EQ(run_request(request).failed_at, "");
  EXPECT_EQ(server.last_request().header("User-Agent"), "Session-Agent/2");
}

TEST_F(RequestTest, SendsTheBodyWithAnyVerb) {
  struct Case {
    std::u16string verb;
    std::string body;
    std::string method;
    std::optional<std::string> content_length;
  };
  const Case cases[] = {
      {u"GET", "", "GET", std::nullopt},      {u"GET", "q=in+a+get", "GET", "10"},
      {u"POST", "a=1&b=2", "POST", "7"},      {u"POST", "", "POST", "0"},
      {u"PUT", "binary\0body"s, "PUT", "11"}, {u"DELETE", "x", "DELETE", "1"},
  };
  TestServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method + " " + std::to_string(c.body.size()));
    ClientRequest request;
    request.url = to_utf16(server.url("/echo"));
    request.verb = c.verb;
    request.body = c.body;
    ASSERT_EQ(run_request(request).failed_at, "");
    const RecordedRequest sent = server.last_request();
    EXPECT_EQ(sent.method, c.method);
    EXPECT_EQ(sent.body, c.body);
    EXPECT_EQ(sent.header("Content-Length"), c.content_length);
    EXPECT_EQ(sent.header_count("Content-Type"), 0u);
    EXPECT_EQ(sent.header_count("Expect"), 0u);
  }
}

TEST_F(RequestTest, HeadRequestSendsItsBodyAndGetsTheHeadWithoutBody) {
  TestServer server;
  server.route("/page", Response::ok("twelve bytes"));
  ClientRequest request;
  request.url = to_utf16(server.url("/page"));
  request.verb = u"HEAD";
  request.body = "a=1";
  const ClientResult result = run_request(request);
  ASSERT_EQ(result.failed_at, "");
  EXPECT_EQ(server.last_request().method, "HEAD");
  EXPECT_EQ(server.last_request().body, "a=1");
  EXPECT_NE(result.raw_headers.find(u"Content-Length: 12\r\n"), std::u16string::npos);
  EXPECT_EQ(result.body, "");
}

TEST_F(RequestTest, UsesTheRequestedProtocolVersion) {
  TestServer server;
  ClientRequest request;
  request.url = to_utf16(server.url("/v"));
  ASSERT_EQ(run_request(request).failed_at, "");
  EXPECT_EQ(server.last_request().version, "HTTP/1.1");
  request.version = u"HTTP/1.0";
  ASSERT_EQ(run_request(request).failed_at, "");
  EXPECT_EQ(server.last_request().version, "HTTP/1.0");
}

TEST_F(RequestTest, RawHeadersComeAsReceivedWithTheTwoCallSizeProtocol) {
  TestServer server;
  Response response = Response::status(201, "Created", "x");
  response.header_lines = {"content-TYPE: text/html; charset=gbk", "Set-Cookie: a=1; path=/",
                           "set-cookie: b=2", "X-Title: \xE6\xAD\x8C \xB5"};
  server.route("/raw", response);

  const WinHttpFunctions& api = *winhttp_functions();
  HINTERNET session = api.WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
  HINTERNET connection = api.WinHttpConnect(session, u"127.0.0.1", server.port(), 0);
  HINTERNET request =
      api.WinHttpOpenRequest(connection, u"GET", u"/raw", nullptr, nullptr, nullptr, 0);
  ASSERT_TRUE(api.WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0));
  ASSERT_TRUE(api.WinHttpReceiveResponse(request, nullptr));

  const std::u16string expected =
      u"HTTP/1.1 201 Created\r\ncontent-TYPE: text/html; charset=gbk\r\n"
      u"Set-Cookie: a=1; path=/\r\nset-cookie: b=2\r\nX-Title: 歌 \u00B5\r\n"
      u"Content-Length: 1\r\n\r\n";
  DWORD size = 0, index = 0;
  EXPECT_FALSE(api.WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, nullptr,
                                       &size, &index));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, (expected.size() + 1) * 2);

  std::u16string buffer(expected.size() + 1, u'?');
  DWORD too_small = size - 2;
  EXPECT_FALSE(api.WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                       buffer.data(), &too_small, &index));
  EXPECT_EQ(too_small, size);

  ASSERT_TRUE(api.WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                      buffer.data(), &size, &index));
  EXPECT_EQ(size, expected.size() * 2);  // without the terminator
  EXPECT_EQ(buffer, expected + u'\0');
  for (HINTERNET h : {request, connection, session}) EXPECT_TRUE(api.WinHttpCloseHandle(h));
}

TEST_F(RequestTest, StreamsLargeAndChunkedBodiesIntact) {
  std::string body;
  for (int i = 0; body.size() < 5 * 1024 * 1024 + 7; ++i) body += static_cast<char>(i * 7 % 256);
  Response chunked = Response::ok(body, "application/octet-stream");
  chunked.framing = Response::Framing::chunked;
  chunked.piece_size = 100000;
  TestServer server;
  server.route("/length", Response::ok(body, "application/octet-stream"));
  server.route("/chunked", chunked);
  for (const char* path : {"/length", "/chunked"}) {
    SCOPED_TRACE(path);
    ClientRequest request;
    request.url = to_utf16(server.url(path));
    const ClientResult result = run_request(request);
    ASSERT_EQ(result.failed_at, "");
    EXPECT_TRUE(result.body == body) << "body differs, size " << result.body.size();
  }
}

TEST_F(RequestTest, DroppedConnectionHandsOutWhatArrivedThenFails) {
  Response dropped = Response::ok(std::string(50000, 'x'));
  dropped.drop_after_body_bytes = 20000;
  Response chunked_dropped = dropped;
  chunked_dropped.framing = Response::Framing::chunked;
  chunked_dropped.piece_size = 1000;
  TestServer server;
  server.route("/length", dropped);
  server.route("/chunked", chunked_dropped);
  struct Case {
    const char* path;
    std::size_t at_least;
  };
  for (const Case& c : {Case{"/length", 20000}, Case{"/chunked", 19000}}) {
    SCOPED_TRACE(c.path);
    ClientRequest request;
    request.url = to_utf16(server.url(c.path));
    const ClientResult result = run_request(request);
    EXPECT_EQ(result.failed_at, "WinHttpQueryDataAvailable");
    EXPECT_EQ(result.error, ERROR_WINHTTP_CONNECTION_ERROR);
    EXPECT_GE(result.body.size(), c.at_least);
    EXPECT_LT(result.body.size(), 50000u);
    EXPECT_EQ(result.body, std::string(result.body.size(), 'x'));
  }
}

TEST_F(RequestTest, FailsCleanlyOnBrokenResponsesAndClosedPorts) {
  TestServer server;
  const auto raw = [](std::string bytes) {
    return [bytes](const RecordedRequest&, Exchange& exchange) {
      exchange.write(bytes);
      exchange.close();
    };
  };
  server.route("/garbage", raw("this is not http\r\n\r\n"));
  server.route("/bad-status", raw("HTTP/1.1 abc\r\n\r\n"));
  server.route("/nothing", raw(""));
  const std::uint16_t closed_port = test_support::unused_loopback_port();
  struct Case {
    const char* name;
    std::string url;
    const char* failed_at;
    DWORD error;
  };
  const Case cases[] = {
      {"not http", server.url("/garbage"), "WinHttpReceiveResponse",
       ERROR_WINHTTP_INVALID_SERVER_RESPONSE},
      {"broken status line", server.url("/bad-status"), "WinHttpReceiveResponse",
       ERROR_WINHTTP_INVALID_SERVER_RESPONSE},
      {"closed without reply", server.url("/nothing"), "WinHttpReceiveResponse",
       ERROR_WINHTTP_INVALID_SERVER_RESPONSE},
      {"nobody listening", "http://127.0.0.1:" + std::to_string(closed_port) + "/",
       "WinHttpSendRequest", ERROR_WINHTTP_CANNOT_CONNECT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClientRequest request;
    request.url = to_utf16(c.url);
    const ClientResult result = run_request(request);
    EXPECT_EQ(result.failed_at, c.failed_at);
    EXPECT_EQ(result.error, c.error);
  }
}

TEST_F(RequestTest, RefusesCallsOutOfOrderAndUnknownHandles) {
  const WinHttpFunctions& api = *winhttp_functions();
  HINTERNET session = api.WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
  HINTERNET connection = api.WinHttpConnect(session, u"127.0.0.1", 1, 0);
  HINTERNET request =
      api.WinHttpOpenRequest(connection, u"GET", u"/", nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(winhttp_open_handle_count(), 3);
  DWORD available = 0;
  EXPECT_FALSE(api.WinHttpQueryDataAvailable(request, &available));
  EXPECT_EQ(GetLastError(), ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
  EXPECT_FALSE(api.WinHttpReceiveResponse(request, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
  EXPECT_EQ(api.WinHttpOpenRequest(session, u"GET", u"/", nullptr, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
  DWORD value = WINHTTP_DISABLE_COOKIES;
  EXPECT_FALSE(api.WinHttpSetOption(session, WINHTTP_OPTION_DISABLE_FEATURE, &value, 4));
  EXPECT_EQ(GetLastError(), ERROR_WINHTTP_INCORRECT_HANDLE_TYPE);
  for (HINTERNET h : {session, request, connection}) EXPECT_TRUE(api.WinHttpCloseHandle(h));
  EXPECT_FALSE(api.WinHttpCloseHandle(request));
}

}  // namespace
