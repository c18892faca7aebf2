// How requests travel: redirects, the session's cookie store, basic authentication to the
// server and the proxy, proxies, time-outs and TLS.
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/winhttp/winhttp_client.h"
#include "tests/platform/winhttp/winhttp_fixture.h"
#include "tests/support/test_server.h"

namespace {

using test_support::Exchange;
using test_support::RecordedRequest;
using test_support::Response;
using test_support::TestServer;
using namespace std::chrono_literals;

using TransportTest = WinHttpTest;

std::u16string status_line(const ClientResult& result) {
  return result.raw_headers.substr(0, result.raw_headers.find(u"\r\n"));
}

TEST_F(TransportTest, FollowsRedirectsUnlessTheyAreDisabled) {
  TestServer server;
  TestServer secure(TestServer::Scheme::https);
  server.route("/relative", Response::redirect(302, "/target"));
  server.route("/absolute", Response::redirect(301, server.url("/target")));
  server.route("/chain", Response::redirect(302, "/relative"));
  server.route("/loop", Response::redirect(302, "/loop"));
  server.route("/to-https", Response::redirect(302, secure.url("/target")));
  server.route("/target", Response::ok("arrived"));
  secure.route("/target", Response::ok("arrived securely"));
  secure.route("/to-http", Response::redirect(302, server.url("/target")));
  struct Case {
    const char* name;
    std::string url;
    bool disable_redirects;
    std::string failed_at;
    DWORD error;
    std::u16string status;
    std::string body;
  };
  const Case cases[] = {
      {"relative", server.url("/relative"), false, "", 0, u"HTTP/1.1 200 OK", "arrived"},
      {"absolute", server.url("/absolute"), false, "", 0, u"HTTP/1.1 200 OK", "arrived"},
      {"chain", server.url("/chain"), false, "", 0, u"HTTP/1.1 200 OK", "arrived"},
      {"disabled", server.url("/relative"), true, "", 0, u"HTTP/1.1 302 Found", ""},
      {"http to https", server.url("/to-https"), false, "", 0, u"HTTP/1.1 200 OK",
       "arrived securely"},
      {"https to http refused", secure.url("/to-http"), false, "WinHttpReceiveResponse",
       ERROR_WINHTTP_REDIRECT_FAILED, u"", ""},
      {"endless", server.url("/loop"), false, "WinHttpReceiveResponse",
       ERROR_WINHTTP_REDIRECT_FAILED, u"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClientRequest request;
    request.url = to_utf16(c.url);
    request.disable_redirects = c.disable_redirects;
    const ClientResult result = run_request(request);
    EXPECT_EQ(result.failed_at, c.failed_at);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(status_line(result), c.status);
    EXPECT_EQ(result.body, c.body);
  }
  server.clear_requests();
  ClientRequest loop;
  loop.url = to_utf16(server.url("/loop"));
  run_request(loop);
  EXPECT_EQ(server.request_count(), 11u);  // the first request and ten redirects
}

TEST_F(TransportTest, KeepsCookiesPerSessionUnlessTheyAreDisabled) {
  TestServer server;
  server.route("/login",
               Response::redirect(302, "/home").with_header("Set-Cookie: session=abc; Path=/"));
  server.route("/home", [](const RecordedRequest& request, Exchange& exchange) {
    exchange.send(Response::ok(request.header("Cookie").value_or("(none)")));
  });
  struct Case {
    const char* name;
    bool disable_cookies;
    std::string during_redirect;
    std::string next_request;
  };
  for (const Case& c : {Case{"store on", false, "session=abc", "session=abc"},
                        Case{"store off", true, "(none)", "(none)"}}) {
    SCOPED_TRACE(c.name);
    ClientRequest login;
    login.url = to_utf16(server.url("/login"));
    login.disable_cookies = c.disable_cookies;
    ClientRequest home = login;
    home.url = to_utf16(server.url("/home"));
    const auto results = run_requests_in_one_session({login, home});
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].body, c.during_redirect);
    EXPECT_EQ(results[1].body, c.next_request);
  }
  ClientRequest fresh;  // another session starts with an empty store
  fresh.url = to_utf16(server.url("/home"));
  EXPECT_EQ(run_request(fresh).body, "(none)");
}

TEST_F(TransportTest, SendsBasicCredentialsWithTheRequestItself) {
  TestServer server;
  server.route("/private", [](const RecordedRequest& request, Exchange& exchange) {
    if (request.header("Authorization") == "Basic dXNlcjpwYXNz") {  // user:pass
      exchange.send(Response::ok("welcome"));
    } else {
      exchange.send(Response::status(401, "Unauthorized", "who are you")
                        .with_header("WWW-Authenticate: Basic realm=\"test\""));
    }
  });
  struct Case {
    const char* name;
    std::u16string user, password;
    std::u16string status;
    std::string body;
  };
  const Case cases[] = {
      {"right credentials", u"user", u"pass", u"HTTP/1.1 200 OK", "welcome"},
      {"wrong credentials", u"user", u"nope", u"HTTP/1.1 401 Unauthorized", "who are you"},
      {"no credentials", u"", u"", u"HTTP/1.1 401 Unauthorized", "who are you"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.clear_requests();
    ClientRequest request;
    request.url = to_utf16(server.url("/private"));
    request.user = c.user;
    request.password = c.password;
    const ClientResult result = run_request(request);
    ASSERT_EQ(result.failed_at, "");
    EXPECT_EQ(status_line(result), c.status);
    EXPECT_EQ(result.body, c.body);
    EXPECT_EQ(server.request_count(), 1u);  // no second round after the challenge
  }
}

TEST_F(TransportTest, GoesThroughANamedProxyInEitherForm) {
  TestServer proxy;
  proxy.route("/page", [](const RecordedRequest& request, Exchange& exchange) {
    if (request.header("Proxy-Authorization").value_or("Basic cHU6cHA=") != "Basic cHU6cHA=") {
      exchange.send(Response::status(407, "Proxy Authentication Required")
                        .with_header("Proxy-Authenticate: Basic realm=\"proxy\""));
      return;
    }
    exchange.send(Response::ok("via proxy"));
  });
  struct Case {
    const char* name;
    std::u16string proxy_name;
    std::u16string proxy_user, proxy_password;
    std::u16string status;
    std::optional<std::string> proxy_authorization;
  };
  const std::u16string at = to_utf16(proxy.host_port());
  const Case cases[] = {
      {"host:port", at, u"", u"", u"HTTP/1.1 200 OK", std::nullopt},
      {"http=host:port", u"http=" + at, u"", u"", u"HTTP/1.1 200 OK", std::nullopt},
      {"with credentials", at, u"pu", u"pp", u"HTTP/1.1 200 OK", "Basic cHU6cHA="},
      {"wrong credentials", at, u"pu", u"x", u"HTTP/1.1 407 Proxy Authentication Required",
       "Basic cHU6eA=="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClientRequest request;
    request.url = u"http://origin.test:8000/page?q=1";
    request.access_type = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    request.proxy = c.proxy_name;
    request.proxy_user = c.proxy_user;
    request.proxy_password = c.proxy_password;
    const ClientResult result = run_request(request);
    ASSERT_EQ(result.failed_at, "");
    EXPECT_EQ(status_line(result), c.status);
    const RecordedRequest sent = proxy.last_request();
    EXPECT_EQ(sent.target, "http://origin.test:8000/page?q=1");
    EXPECT_EQ(sent.header("Host"), "origin.test:8000");
    EXPECT_EQ(sent.header("Proxy-Authorization"), c.proxy_authorization);
    EXPECT_EQ(sent.header_count("Proxy-Connection"), 0u);
  }

  // A proxy named for https only leaves http addresses direct.
  TestServer origin;
  ClientRequest direct;
  direct.url = to_utf16(origin.url("/direct"));
  direct.access_type = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  direct.proxy = u"https=" + at;
  ASSERT_EQ(run_request(direct).failed_at, "");
  EXPECT_EQ(origin.last_request().target, "/direct");
}

TEST_F(TransportTest, TunnelsHttpsThroughTheProxyWithItsCredentials) {
  TestServer proxy;
  TestServer origin(TestServer::Scheme::https);
  origin.route("/secret", Response::ok("tunnelled"));
  ClientRequest request;
  request.url = to_utf16(origin.url("/secret"));
  request.access_type = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  request.proxy = to_utf16(proxy.host_port());
  request.proxy_user = u"pu";
  request.proxy_password = u"pp";
  const ClientResult result = run_request(request);
  ASSERT_EQ(result.failed_at, "");
  EXPECT_EQ(result.body, "tunnelled");
  const RecordedRequest connect = proxy.last_request();
  EXPECT_EQ(connect.request_line, "CONNECT " + origin.host_port() + " HTTP/1.1");
  EXPECT_EQ(connect.header("Proxy-Authorization"), "Basic cHU6cHA=");
  EXPECT_EQ(origin.last_request().header_count("Proxy-Authorization"), 0u);

  proxy.route(origin.host_port(), Response::status(407, "Proxy Authentication Required"));
  const ClientResult refused = run_request(request);
  EXPECT_EQ(refused.failed_at, "WinHttpSendRequest");
  EXPECT_EQ(refused.error, ERROR_WINHTTP_CANNOT_CONNECT);
  EXPECT_EQ(origin.request_count(), 1u);
}

TEST_F(TransportTest, ReceiveTimeOutBoundsEachWaitNotTheWholeTransfer) {
  TestServer server;
  server.route("/stall-head", [](const RecordedRequest&, Exchange& exchange) { exchange.stall(); });
  server.route("/stall-body", [](const RecordedRequest&, Exchange& exchange) {
    exchange.write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
    exchange.stall();
  });
  Response slow = Response::ok("0123456789");
  slow.piece_size = 2;
  slow.delay_per_piece = 300ms;  // 1.5 s in all, never 1 s without a byte
  server.route("/slow", slow);
  struct Case {
    const char* path;
    std::string failed_at;
    DWORD error;
    std::string body;
  };
  const Case cases[] = {
      {"/stall-head", "WinHttpReceiveResponse", ERROR_WINHTTP_TIMEOUT, ""},
      {"/stall-body", "WinHttpQueryDataAvailable", ERROR_WINHTTP_TIMEOUT, "abc"},
      {"/slow", "", 0, "0123456789"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ClientRequest request;
    request.url = to_utf16(server.url(c.path));
    request.timeout_ms = 1000;
    const ClientResult result = run_request(request);
    EXPECT_EQ(result.failed_at, c.failed_at);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.body, c.body);
  }
}

TEST_F(TransportTest, ValidatesServerCertificates) {
  TestServer trusted(TestServer::Scheme::https);
  TestServer untrusted(TestServer::Scheme::https_untrusted);
  trusted.route("/", Response::ok("secure"));
  untrusted.route("/", Response::ok("should not be read"));
  struct Case {
    const char* name;
    std::string url;
    std::string failed_at;
    DWORD error;
  };
  const Case cases[] = {
      {"issued by the trusted CA", trusted.url("/"), "", 0},
      {"by host name", "https://localhost:" + std::to_string(trusted.port()) + "/", "", 0},
      {"self-signed", untrusted.url("/"), "WinHttpSendRequest", ERROR_WINHTTP_SECURE_FAILURE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClientRequest request;
    request.url = to_utf16(c.url);
    const ClientResult result = run_request(request);
    EXPECT_EQ(result.failed_at, c.failed_at);
    EXPECT_EQ(result.error, c.error);
  }
  EXPECT_EQ(untrusted.request_count(), 0u);
}

}  // namespace
