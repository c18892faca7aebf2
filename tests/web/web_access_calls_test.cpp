// The exact calls web_access makes on the HTTP interface, seen through a recording fake.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/web/recording_winhttp.h"
#include "text/literal.h"
#include "web/event_pump.h"
#include "web/web_access.h"

namespace {

int pump_passes = 0;
void count_pass() {
  ++pump_passes;
}

constexpr int kPassesOfACompleteRequest = 13;

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*\r\n";
const std::string kAcceptEncoding = "Accept-Encoding: gbk, GB2312\r\n";
const std::string kAcceptLanguage = "Accept-Language: zh-cn\r\n";
const std::string kContentType = "Content-Type: application/x-www-form-urlencoded\r\n";
const std::string kCacheControl = "Cache-Control: no-cache\r\n";
const std::string kDefaultHeaders =
    kUserAgent + kAccept + kAcceptEncoding + kAcceptLanguage + kContentType + kCacheControl;

std::string headers_call(const std::string& headers) {
  return "WinHttpAddRequestHeaders(request, \"" + headers + "\", " +
         std::to_string(headers.size()) + ", 0xA0000000)";
}

class WebAccessCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    pump_passes = 0;
    set_event_pump(count_pass);
  }
  void TearDown() override { set_event_pump(nullptr); }

  RecordingWinHttp fake;
};

TEST_F(WebAccessCalls, DefaultGetMakesExactlyTheseCalls) {
  fake.body_pieces = {"hel", "lo"};
  const Text page = web_access({.address = "http://example.test:8080/path/page?q=1#top"});

  const std::string components = std::to_string(sizeof(URL_COMPONENTS));
  const std::string raw_headers_size = std::to_string((fake.raw_headers.size() + 1) * 2);
  const std::vector<std::string> expected = {
      "WinHttpCheckPlatform()",
      "WinHttpCrackUrl(\"http://example.test:8080/path/page?q=1#top\", 42, 0, size " + components +
          " lengths -1/-1/-1/-1)",
      "WinHttpOpen(null, 1, \"\", null, 0)",
      "WinHttpConnect(session, \"example.test\", 8080, 0)",
      "WinHttpOpenRequest(connection, \"GET\", \"/path/page?q=1#top\", null, null, null, 0x0)",
      "WinHttpSetTimeouts(request, 30000, 30000, 30000, 30000)",
      "WinHttpSetOption(request, 63, 1, 4)",
      headers_call(kDefaultHeaders),
      "WinHttpSendRequest(request, null, 0, null, 0, 0, 0)",
      "WinHttpReceiveResponse(request, null)",
      "WinHttpQueryDataAvailable(request)",
      "WinHttpReadData(request, 3)",
      "WinHttpQueryDataAvailable(request)",
      "WinHttpReadData(request, 2)",
      "WinHttpQueryDataAvailable(request)",
      "WinHttpQueryHeaders(request, 22, null, null, 0, 0)",
      "WinHttpQueryHeaders(request, 22, null, buffer, " + raw_headers_size + ", 0)",
      "WinHttpCloseHandle(request)",
      "WinHttpCloseHandle(connection)",
      "WinHttpCloseHandle(session)",
  };
  EXPECT_EQ(fake.calls, expected);
  EXPECT_EQ(page, "hello");
  // Nine passes for the stages, one for each of the three header lines (the status line,
  // Content-Type and the empty line) and one after the charset detection.
  EXPECT_EQ(pump_passes, kPassesOfACompleteRequest);
  EXPECT_EQ(fake.open_handles(), 0);
}

struct ParameterCase {
  const char* name;
  WebAccessParams params;
  std::optional<Text> cookies;  // supplied when set
  std::string call_name;
  std::vector<std::string> expected_calls;
};

TEST_F(WebAccessCalls, ParametersReachTheirCalls) {
  const std::string http = "http://h.test/p";
  const std::string https = "https://h.test/p";
  const std::vector<ParameterCase> cases = {
      {"method 0 is GET",
       {.address = http, .method = 0},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"GET\", \"/p\", null, null, null, 0x0)"}},
      {"method 1 is POST",
       {.address = http, .method = 1},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"POST\", \"/p\", null, null, null, 0x0)"}},
      {"method 2 is HEAD",
       {.address = http, .method = 2},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"HEAD\", \"/p\", null, null, null, 0x0)"}},
      {"method 3 is PUT",
       {.address = http, .method = 3},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"PUT\", \"/p\", null, null, null, 0x0)"}},
      {"method 4 is GET",
       {.address = http, .method = 4},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"GET\", \"/p\", null, null, null, 0x0)"}},
      {"method -1 is GET",
       {.address = http, .method = -1},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"GET\", \"/p\", null, null, null, 0x0)"}},
      {"https opens a secure request on 443",
       {.address = https},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"GET\", \"/p\", null, null, null, 0x800000)"}},
      {"an empty path asks for / and drops the query",
       {.address = "http://h.test?x=1"},
       {},
       "WinHttpOpenRequest",
       {"WinHttpOpenRequest(connection, \"GET\", \"/\", null, null, null, 0x0)"}},
      {"https connects to 443",
       {.address = https},
       {},
       "WinHttpConnect",
       {"WinHttpConnect(session, \"h.test\", 443, 0)"}},
      {"timeout 5 s",
       {.address = http, .timeout_seconds = 5},
       {},
       "WinHttpSetTimeouts",
       {"WinHttpSetTimeouts(request, 5000, 5000, 5000, 5000)"}},
      {"timeout 0 is 30 s",
       {.address = http, .timeout_seconds = 0},
       {},
       "WinHttpSetTimeouts",
       {"WinHttpSetTimeouts(request, 30000, 30000, 30000, 30000)"}},
      {"negative timeout is 30 s",
       {.address = http, .timeout_seconds = -4},
       {},
       "WinHttpSetTimeouts",
       {"WinHttpSetTimeouts(request, 30000, 30000, 30000, 30000)"}},
      {"proxy for http is named http=",
       {.address = http, .proxy = "px.test:3128"},
       {},
       "WinHttpOpen",
       {"WinHttpOpen(null, 3, \"http=px.test:3128\", null, 0)"}},
      {"proxy for https is named as given",
       {.address = https, .proxy = "px.test:3128"},
       {},
       "WinHttpOpen",
       {"WinHttpOpen(null, 3, \"px.test:3128\", null, 0)"}},
      {"server credentials",
       {.address = http, .user_name = "u", .password = "pw"},
       {},
       "WinHttpSetCredentials",
       {"WinHttpSetCredentials(request, 0, 1, \"u\", \"pw\", null)"}},
      {"user name without password sets none",
       {.address = http, .user_name = "u"},
       {},
       "WinHttpSetCredentials",
       {}},
      {"password without user name sets none",
       {.address = http, .password = "pw"},
       {},
       "WinHttpSetCredentials",
       {}},
      {"proxy credentials",
       {.address = http, .proxy = "px:1", .proxy_user_name = "pu", .proxy_password = "pp"},
       {},
       "WinHttpSetCredentials",
       {"WinHttpSetCredentials(request, 1, 1, \"pu\", \"pp\", null)"}},
      {"both credential pairs, server first",
       {.address = http,
        .user_name = "u",
        .password = "pw",
        .proxy = "px:1",
        .proxy_user_name = "pu",
        .proxy_password = "pp"},
       {},
       "WinHttpSetCredentials",
       {"WinHttpSetCredentials(request, 0, 1, \"u\", \"pw\", null)",
        "WinHttpSetCredentials(request, 1, 1, \"pu\", \"pp\", null)"}},
      {"proxy user without password sets none",
       {.address = http, .proxy = "px:1", .proxy_user_name = "pu"},
       {},
       "WinHttpSetCredentials",
       {}},
      {"cookies left out turn the cookie store off",
       {.address = http},
       {},
       "WinHttpSetOption",
       {"WinHttpSetOption(request, 63, 1, 4)"}},
      {"empty cookies supplied select option 79",
       {.address = http},
       Text(),
       "WinHttpSetOption",
       {"WinHttpSetOption(request, 79, 1, 4)"}},
      {"empty cookies add no Cookie line",
       {.address = http},
       Text(),
       "WinHttpAddRequestHeaders",
       {headers_call(kDefaultHeaders)}},
      {"cookies add a Cookie line",
       {.address = http},
       Text("a=1; b=2"),
       "WinHttpAddRequestHeaders",
       {headers_call(kDefaultHeaders + "Cookie: a=1; b=2\r\n")}},
      {"no_redirect disables redirects after the cookie option",
       {.address = http, .no_redirect = true},
       {},
       "WinHttpSetOption",
       {"WinHttpSetOption(request, 63, 1, 4)", "WinHttpSetOption(request, 63, 2, 4)"}},
      {"extra headers come first with one CR LF added",
       {.address = http, .extra_headers = "X-One: 1\r\nX-Two: 2"},
       {},
       "WinHttpAddRequestHeaders",
       {headers_call("X-One: 1\r\nX-Two: 2\r\n" + kDefaultHeaders)}},
      {"a lower-case user-agent suppresses the default",
       {.address = http, .extra_headers = "user-agent: mine"},
       {},
       "WinHttpAddRequestHeaders",
       {headers_call("user-agent: mine\r\n" + kAccept + kAcceptEncoding + kAcceptLanguage +
                     kContentType + kCacheControl)}},
      {"a lower-case content-type does not suppress the default",
       {.address = http, .extra_headers = "content-type: text/plain"},
       {},
       "WinHttpAddRequestHeaders",
       {headers_call("content-type: text/plain\r\n" + kDefaultHeaders)}},
      {"a Cookie line in the extra headers suppresses the built one",
       {.address = http, .extra_headers = "Cookie: mine=1"},
       Text("a=1"),
       "WinHttpAddRequestHeaders",
       {headers_call("Cookie: mine=1\r\n" + kDefaultHeaders)}},
      {"a body goes unconverted with GET",
       {.address = http, .request_body = "k=v&x=\xB0\xA1"},
       {},
       "WinHttpSendRequest",
       {"WinHttpSendRequest(request, null, 0, \"k=v&x=\xB0\xA1\", 8, 8, 0)"}},
  };
  for (const ParameterCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake.calls.clear();
    Text cookies = c.cookies.value_or(Text());
    WebAccessParams params = c.params;
    if (c.cookies) params.cookies = &cookies;
    web_access(params);
    EXPECT_EQ(fake.calls_named(c.call_name), c.expected_calls);
    EXPECT_EQ(fake.open_handles(), 0);
    EXPECT_EQ(cookies, c.cookies.value_or(Text())) << "the cookie variable is left alone";
  }
}

struct FailureCase {
  const char* failing_call;
  WebAccessParams params;
  std::u8string status_text;
  int pump_passes;
  std::vector<std::string> closed;
};

TEST_F(WebAccessCalls, EachFailingStageEndsTheRequestAndClosesWhatItOpened) {
  const std::string http = "http://h.test/p";
  const std::vector<std::string> all = {"request", "connection", "session"};
  const std::vector<FailureCase> cases = {
      {"WinHttpCheckPlatform", {.address = http}, u8"700 当前系统不支持WinHttp服务!", 0, {}},
      {"WinHttpCrackUrl", {.address = http}, u8"701 解析URL地址失败!", 1, {}},
      {"WinHttpOpen", {.address = http}, u8"702 创建WinHttp会话失败!", 2, {}},
      {"WinHttpConnect", {.address = http}, u8"703 创建WinHttp连接失败!", 3, {"session"}},
      {"WinHttpOpenRequest",
       {.address = http},
       u8"704 创建WinHttp请求失败!",
       4,
       {"connection", "session"}},
      {"WinHttpSetTimeouts", {.address = http}, u8"705 设置超时时间失败!", 5, all},
      {"WinHttpSetCredentials(request, 0",
       {.address = http, .user_name = "u", .password = "p"},
       u8"706 设置服务器凭证失败!",
       0,
       all},
      {"WinHttpSetCredentials(request, 1",
       {.address = http, .proxy = "px:1", .proxy_user_name = "u", .proxy_password = "p"},
       u8"707 设置代理凭证失败!",
       0,
       all},
      {"WinHttpSetOption(request, 63, 1",
       {.address = http},
       u8"708 禁止自动设置Cookies失败!",
       0,
       all},
      {"WinHttpSetOption(request, 63, 2",
       {.address = http, .no_redirect = true},
       u8"709 重定向设置失败!",
       0,
       all},
      {"WinHttpAddRequestHeaders", {.address = http}, u8"710 设置协议头失败!", 6, all},
      {"WinHttpSendRequest", {.address = http}, u8"711 发送请求失败!", 7, all},
      {"WinHttpReceiveResponse", {.address = http}, u8"712 服务器未响应!", 8, all},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.failing_call);
    fake.calls.clear();
    fake.failing_call = c.failing_call;
    fake.body_pieces = {"never read"};
    fake.next_piece = 0;
    pump_passes = 0;
    Text status = "caller's status";
    Text headers = "caller's headers";
    Text redirect = "caller's redirect";
    Text returned_cookies = "caller's cookies";
    Bytes bytes = {1, 2, 3};
    WebAccessParams params = c.params;
    params.returned_headers = &headers;
    params.redirect_address = &redirect;
    params.returned_cookies = &returned_cookies;
    params.status_text = &status;
    params.returned_bytes = &bytes;

    EXPECT_EQ(web_access(params), "");
    EXPECT_EQ(status, gbk_literal(c.status_text));
    EXPECT_EQ(pump_passes, c.pump_passes);
    std::vector<std::string> closed;
    for (const std::string& call : fake.calls_named("WinHttpCloseHandle")) {
      closed.push_back(call.substr(call.find('(') + 1, call.size() - call.find('(') - 2));
    }
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(fake.open_handles(), 0);
    EXPECT_TRUE(fake.calls_named("WinHttpQueryDataAvailable").empty());
    EXPECT_EQ(headers, "caller's headers");
    EXPECT_EQ(redirect, "caller's redirect");
    EXPECT_EQ(returned_cookies, "caller's cookies");
    EXPECT_EQ(bytes, (Bytes{1, 2, 3}));
  }
}

TEST_F(WebAccessCalls, AnEmptyAddressFailsAtCracking) {
  Text status;
  EXPECT_EQ(web_access({.address = "", .status_text = &status}), "");
  EXPECT_EQ(status, gbk_literal(u8"701 解析URL地址失败!"));
  EXPECT_EQ(fake.calls_named("WinHttpCrackUrl").size(), 1u);
  EXPECT_EQ(pump_passes, 1);
}

TEST_F(WebAccessCalls, AFailedReadKeepsWhatWasReadAndGoesOn) {
  fake.body_pieces = {"first ", "second"};
  fake.failing_read = 1;
  Text status;
  Bytes bytes;
  const Text page =
      web_access({.address = "http://h.test/", .status_text = &status, .returned_bytes = &bytes});
  EXPECT_EQ(page, "first ");
  EXPECT_EQ(bytes, Bytes(page.begin(), page.end()));
  // The headers could be read, so their status line replaces the read failure's message.
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(pump_passes, kPassesOfACompleteRequest);
  EXPECT_EQ(fake.open_handles(), 0);
}

TEST_F(WebAccessCalls, AFailedAvailabilityQueryEndsReadingSilently) {
  fake.body_pieces = {"unread"};
  fake.failing_call = "WinHttpQueryDataAvailable";
  Text status;
  const Text page = web_access({.address = "http://h.test/", .status_text = &status});
  EXPECT_EQ(page, "");
  EXPECT_TRUE(fake.calls_named("WinHttpReadData").empty());
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(pump_passes, kPassesOfACompleteRequest);
}

// A window handler run by one of the pump passes starts a second request; it runs to its
// end on its own values and the first then finishes.
TEST_F(WebAccessCalls, ANestedCallFromThePumpRunsToItsEndFirst) {
  static RecordingWinHttp* recorder = nullptr;
  static Text nested_page;
  static int nested_calls = 0;
  recorder = &fake;
  nested_page.clear();
  nested_calls = 0;
  set_event_pump([] {
    if (nested_calls++ > 0) return;
    recorder->body_pieces = {"inner"};
    recorder->next_piece = 0;
    nested_page = web_access({.address = "http://inner.test/"});
  });
  fake.body_pieces = {"outer"};
  const Text outer = web_access({.address = "http://outer.test/"});
  EXPECT_EQ(nested_page, "inner");
  EXPECT_EQ(outer, "outer");
  EXPECT_EQ(fake.open_handles(), 0);
  // The outer request's handles close after the nested request's.
  const std::vector<std::string> closes = fake.calls_named("WinHttpCloseHandle");
  ASSERT_EQ(closes.size(), 6u);
}

TEST_F(WebAccessCalls, HeadersThatCannotBeReadGiveAnEmptyPageAndLeaveTheOutputs) {
  fake.body_pieces = {"a body"};
  fake.failing_read = 0;
  fake.failing_call = "WinHttpQueryHeaders";
  Text status;
  Text headers = "caller's";
  Bytes bytes = {9};
  const Text page = web_access({.address = "http://h.test/",
                                .returned_headers = &headers,
                                .status_text = &status,
                                .returned_bytes = &bytes});
  EXPECT_EQ(page, "");
  EXPECT_EQ(status, gbk_literal(u8"713 读取数据失败!"));
  EXPECT_EQ(headers, "caller's");
  EXPECT_EQ(bytes, Bytes{9});
  EXPECT_EQ(pump_passes, 9);
  EXPECT_EQ(fake.open_handles(), 0);
}

TEST_F(WebAccessCalls, AStatusLineWithoutLineEndGivesAnEmptyStatusText) {
  fake.raw_headers = u"HTTP/1.1 200 OK";
  Text status = "caller's";
  web_access({.address = "http://h.test/", .status_text = &status});
  EXPECT_EQ(status, "");
}

}  // namespace
