// web_access against the local test server: what arrives on the wire and what comes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_server.h"
#include "tests/web/balanced_test.h"
#include "text/literal.h"
#include "web/event_pump.h"
#include "web/web_access.h"

namespace {

using test_support::Exchange;
using test_support::RecordedRequest;
using test_support::Response;
using test_support::TestServer;

class WebAccessLoopback : public BalancedWebTest {
 protected:
  TestServer server;
};

TEST_F(WebAccessLoopback, DefaultGetSendsExactlyTheDefaultHeaderBlock) {
  server.route("/page", Response::ok("<html>vkey</html>", "text/html"));
  Text status;
  const Text page = web_access({.address = server.url("/page?x=1"), .status_text = &status});
  EXPECT_EQ(page, "<html>vkey</html>");
  EXPECT_EQ(status, "200 OK");

  const RecordedRequest request = server.last_request();
  EXPECT_EQ(request.request_line, "GET /page?x=1 HTTP/1.1");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Host", server.host_port()},
      {"User-Agent", "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)"},
      {"Accept", "text/html, application/xhtml+xml, */*"},
      {"Accept-Encoding", "gbk, GB2312"},
      {"Accept-Language", "zh-cn"},
      {"Content-Type", "application/x-www-form-urlencoded"},
      {"Cache-Control", "no-cache"},
  };
  EXPECT_EQ(request.headers, expected);
  EXPECT_EQ(request.body, "");
}

TEST_F(WebAccessLoopback, EachMethodSendsItsVerbAndTheBody) {
  server.route("/echo", [](const RecordedRequest& request, Exchange& exchange) {
    exchange.send(Response::ok(request.method + ":" + request.body));
  });
  struct Case {
    std::int32_t method;
    const char* verb;
    bool has_body_back;
  };
  const Case cases[] = {{0, "GET", true}, {1, "POST", true}, {2, "HEAD", false}, {3, "PUT", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.verb);
    const Text page =
        web_access({.address = server.url("/echo"), .method = c.method, .request_body = "a=1"});
    const RecordedRequest request = server.last_request();
    EXPECT_EQ(request.method, c.verb);
    EXPECT_EQ(request.body, "a=1");
    EXPECT_EQ(request.header("Content-Length"), "3");
    EXPECT_EQ(page, c.has_body_back ? std::string(c.verb) + ":a=1" : "");
  }
}

TEST_F(WebAccessLoopback, ExtraHeadersAndCookiesArriveAsGiven) {
  server.route("/h", Response::ok("ok"));
  Text cookies = "sid=1; uid=2";
  web_access({.address = server.url("/h"),
              .cookies = &cookies,
              .extra_headers = "X-Test: yes\r\nuser-agent: mine"});
  const RecordedRequest request = server.last_request();
  EXPECT_EQ(request.header("X-Test"), "yes");
  EXPECT_EQ(request.header("User-Agent"), "mine");
  EXPECT_EQ(request.header_count("User-Agent"), 1u);
  EXPECT_EQ(request.header("Cookie"), "sid=1; uid=2");
}

TEST_F(WebAccessLoopback, RedirectsAreFollowedUnlessTurnedOff) {
  server.route("/old", Response::redirect(302, "/new"));
  server.route("/new", Response::ok("arrived"));

  EXPECT_EQ(web_access({.address = server.url("/old")}), "arrived");
  EXPECT_EQ(server.last_request().path, "/new");

  server.clear_requests();
  Text status;
  Text redirect = "caller's";
  const Text page = web_access({.address = server.url("/old"),
                                .no_redirect = true,
                                .redirect_address = &redirect,
                                .status_text = &status});
  EXPECT_EQ(page, "");
  EXPECT_EQ(status, "302 Found");
  EXPECT_EQ(redirect, "/new");
  EXPECT_EQ(server.request_count(), 1u);
}

TEST_F(WebAccessLoopback, AProxyReceivesTheAbsoluteRequestAndItsCredentials) {
  TestServer proxy;
  proxy.fallback(
      [](const RecordedRequest&, Exchange& exchange) { exchange.send(Response::ok("via proxy")); });
  const Text page = web_access({.address = "http://origin.test:81/through?q=1",
                                .proxy = proxy.host_port(),
                                .proxy_user_name = "pu",
                                .proxy_password = "pp"});
  EXPECT_EQ(page, "via proxy");
  const RecordedRequest request = proxy.last_request();
  EXPECT_EQ(request.target, "http://origin.test:81/through?q=1");
  EXPECT_EQ(request.header("Proxy-Authorization"), "Basic cHU6cHA=");
}

TEST_F(WebAccessLoopback, ServerCredentialsGoAsBasicAuthentication) {
  server.route("/secret", [](const RecordedRequest& request, Exchange& exchange) {
    if (request.header("Authorization") == "Basic dXNlcjpwYXNz") {
      exchange.send(Response::ok("welcome"));
    } else {
      exchange.send(Response::status(401, "Unauthorized", "who?")
                        .with_header("WWW-Authenticate: Basic realm=\"t\""));
    }
  });
  EXPECT_EQ(web_access({.address = server.url("/secret"), .user_name = "user", .password = "pass"}),
            "welcome");
  Text status;
  EXPECT_EQ(web_access({.address = server.url("/secret"), .status_text = &status}), "who?");
  EXPECT_EQ(status, "401 Unauthorized");
}

TEST_F(WebAccessLoopback, AStalledServerTimesOut) {
  server.route("/stall", [](const RecordedRequest&, Exchange& exchange) { exchange.stall(); });
  Text status;
  const Text page =
      web_access({.address = server.url("/stall"), .timeout_seconds = 1, .status_text = &status});
  EXPECT_EQ(page, "");
  EXPECT_EQ(status, gbk_literal(u8"712 服务器未响应!"));
}

TEST_F(WebAccessLoopback, ABodyCutShortReturnsTheBytesThatArrived) {
  Response response = Response::ok(std::string(1000, 'x'));
  response.piece_size = 100;
  response.drop_after_body_bytes = 300;
  server.route("/cut", response);
  Text status;
  Bytes bytes;
  const Text page =
      web_access({.address = server.url("/cut"), .status_text = &status, .returned_bytes = &bytes});
  EXPECT_EQ(page, std::string(300, 'x'));
  EXPECT_EQ(bytes.size(), 300u);
  // The headers were read, so the status line's text replaces the read failure's message.
  EXPECT_EQ(status, "200 OK");
}

TEST_F(WebAccessLoopback, EmptyOrMalformedAddressesFailAtCracking) {
  for (const char* address : {"", "no scheme", "ftp://127.0.0.1/", "http://"}) {
    SCOPED_TRACE(address);
    Text status;
    EXPECT_EQ(web_access({.address = address, .status_text = &status}), "");
    EXPECT_EQ(status, gbk_literal(u8"701 解析URL地址失败!"));
  }
}

TEST_F(WebAccessLoopback, AnUnreachableServerFailsToSend) {
  Text status;
  // Port 1 on loopback: nothing listens there.
  EXPECT_EQ(web_access({.address = "http://127.0.0.1:1/", .status_text = &status}), "");
  EXPECT_EQ(status, gbk_literal(u8"711 发送请求失败!"));
}

// A handler run by the pump starts a second request; it completes before the first does.
TEST_F(WebAccessLoopback, ANestedRequestFromThePumpCompletes) {
  server.route("/outer", Response::ok("outer page"));
  server.route("/inner", Response::ok("inner page"));
  static TestServer* nested_server = nullptr;
  static Text nested_page;
  static bool nested_started = false;
  nested_server = &server;
  nested_page.clear();
  nested_started = false;
  set_event_pump([] {
    if (nested_started) return;
    nested_started = true;
    nested_page = web_access({.address = nested_server->url("/inner")});
  });
  EXPECT_EQ(web_access({.address = server.url("/outer")}), "outer page");
  EXPECT_EQ(nested_page, "inner page");
}

}  // namespace
