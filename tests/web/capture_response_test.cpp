// What web_access captures from a real response: status, headers, cookies, redirect
// address, bytes, and the page recoded from the charset it declares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage/iconv_handle.h"
#include "tests/support/test_server.h"
#include "tests/web/balanced_test.h"
#include "web/web_access.h"

namespace {

using test_support::Response;
using test_support::TestServer;

// `utf8` in the encoding iconv calls `charset`.
std::string encoded(const char* charset, std::u8string_view utf8) {
  const IconvHandle converter(charset, "UTF-8");
  EXPECT_TRUE(converter.is_open()) << charset;
  std::string in(utf8.begin(), utf8.end());
  std::string out(in.size() * 4 + 16, '\0');
  char* in_at = in.data();
  size_t in_left = in.size();
  char* out_at = out.data();
  size_t out_left = out.size();
  EXPECT_NE(iconv(converter.get(), &in_at, &in_left, &out_at, &out_left), static_cast<size_t>(-1))
      << charset;
  out.resize(out.size() - out_left);
  return out;
}

// What a recoded page reads as: its characters in the system ANSI code page (GB18030),
// which is how text comes back from the automation side.
std::string recoded(std::u8string_view utf8) {
  return encoded("GB18030", utf8);
}

std::string utf8_bytes(std::u8string_view utf8) {
  return std::string(utf8.begin(), utf8.end());
}

class CaptureResponse : public BalancedWebTest {
 protected:
  TestServer server;
};

TEST_F(CaptureResponse, StatusAndHeadersComeBackAsReceived) {
  server.route("/p", Response::status(404, "Not Found", "gone")
                         .with_header("X-Note: first")
                         .with_header("set-COOKIE: k=v; path=/"));
  Text status;
  Text headers;
  const Text page = web_access(
      {.address = server.url("/p"), .returned_headers = &headers, .status_text = &status});
  EXPECT_EQ(page, "gone");
  EXPECT_EQ(status, "404 Not Found");
  EXPECT_EQ(headers.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << headers;
  EXPECT_NE(headers.find("\r\nX-Note: first\r\n"), std::string::npos);
  EXPECT_NE(headers.find("\r\nSet-Cookie: k=v; path=/\r\n"), std::string::npos)
      << "every spelling of the cookie header reads Set-Cookie";
  EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
}

struct CookieCase {
  const char* name;
  std::vector<std::string> header_lines;
  std::optional<Text> cookies;  // supplied when set
  Text returned_before;
  Text expected_returned;
  std::optional<Text> expected_cookies;
};

TEST_F(CaptureResponse, CookiesTheServerSetAreReturnedAndMerged) {
  const std::vector<CookieCase> cases = {
      {"left out: members joined with a blank",
       {"Set-Cookie: a=1; path=/", "Set-Cookie: b=2"},
       {},
       "",
       "a=1; b=2",
       {}},
      {"any spelling of the header counts",
       {"set-cookie: a=1; path=/", "SET-COOKIE:  b=2 "},
       {},
       "",
       "a=1; b=2",
       {}},
      {"supplied: merged, and spaces removed from the returned ones",
       {"Set-Cookie: a=1; path=/", "Set-Cookie: b=2"},
       Text(""),
       "",
       "a=1;b=2",
       Text("a=1; b=2")},
      {"supplied: the server's value wins, old ones follow",
       {"Set-Cookie: b=3; HttpOnly"},
       Text("a=1; b=2"),
       "",
       "b=3",
       Text("b=3; a=1")},
      {"supplied: a deleted cookie goes",
       {"Set-Cookie: sid=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT"},
       Text("sid=x; uid=y"),
       "",
       "sid=deleted",
       Text("uid=y")},
      {"supplied and nothing set: merged all the same", {}, Text("a = 1"), "", "", Text("a=1")},
      {"a variable reused from an earlier call starts empty", {}, {}, "old=1", "", {}},
  };
  for (const CookieCase& c : cases) {
    SCOPED_TRACE(c.name);
    Response response = Response::ok("page");
    for (const std::string& line : c.header_lines) response.header_lines.push_back(line);
    server.route("/c", response);
    Text cookies = c.cookies.value_or(Text());
    Text returned = c.returned_before;
    WebAccessParams params{.address = server.url("/c"), .returned_cookies = &returned};
    if (c.cookies) params.cookies = &cookies;
    EXPECT_EQ(web_access(params), "page");
    EXPECT_EQ(returned, c.expected_returned);
    EXPECT_EQ(cookies, c.expected_cookies.value_or(Text()));
  }
}

TEST_F(CaptureResponse, TheLastLocationLineIsTheRedirectAddress) {
  struct Case {
    const char* name;
    std::vector<std::string> header_lines;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"relative, any case", {"location: /next"}, "/next"},
      {"absolute", {"Location: http://example.test/x?y=1"}, "http://example.test/x?y=1"},
      {"the last one wins", {"Location: /first", "LOCATION: /second"}, "/second"},
      {"none keeps the caller's value", {}, "caller's"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Response response = Response::status(c.header_lines.empty() ? 200 : 302,
                                         c.header_lines.empty() ? "OK" : "Found", "r");
    for (const std::string& line : c.header_lines) response.header_lines.push_back(line);
    server.route("/r", response);
    Text redirect = "caller's";
    web_access({.address = server.url("/r"), .no_redirect = true, .redirect_address = &redirect});
    EXPECT_EQ(redirect, c.expected);
  }
}

TEST_F(CaptureResponse, ReturnedBytesHoldTheWholeBodyAndThePageEndsAtAZeroByte) {
  const std::string body("abc\0def", 7);
  server.route("/z", Response::ok(body));
  Bytes bytes;
  const Text page = web_access({.address = server.url("/z"), .returned_bytes = &bytes});
  EXPECT_EQ(page, "abc");
  EXPECT_EQ(bytes, Bytes(body.begin(), body.end()));
}

struct RecodingCase {
  const char* name;
  std::string body;
  std::string expected_page;
};

TEST_F(CaptureResponse, APageIsRecodedFromTheCharsetItDeclares) {
  const std::u8string title = u8"<title>下载测试😀</title>";
  const std::u8string utf8_page = u8"<meta charset=\"utf-8\">" + title;
  const std::u8string gbk_page =
      u8"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"><p>中文</p>";
  const std::u8string gb2312_page = u8"<meta charset=gb2312><p>中文</p>";
  const std::u8string capital_gbk_page = u8"<meta charset=GBK><p>中文</p>";
  const std::u8string big5_page = u8"<meta charset=\"big5\"><p>繁體中文</p>";
  const std::u8string sjis_page = u8"<META CHARSET=\"Shift_JIS\"><p>日本語のテキスト</p>";
  const std::string padding(1100, ' ');
  const std::u8string late_page =
      u8"<p>文</p>" + std::u8string(padding.begin(), padding.end()) + u8"<meta charset=\"big5\">";
  const std::u8string unknown_page = u8"<meta charset=\"x-no-such-charset\"><p>文</p>";
  const std::vector<RecodingCase> cases = {
      {"utf-8 with Chinese and an emoji", utf8_bytes(utf8_page), recoded(utf8_page)},
      {"gbk is returned as read", encoded("GBK", gbk_page), encoded("GBK", gbk_page)},
      {"gb2312 is returned as read", encoded("GBK", gb2312_page), encoded("GBK", gb2312_page)},
      {"GBK in capitals goes through the stream", encoded("GBK", capital_gbk_page),
       recoded(capital_gbk_page)},
      {"big5", encoded("BIG5", big5_page), recoded(big5_page)},
      {"shift_jis", encoded("SHIFT_JIS", sjis_page), recoded(sjis_page)},
      {"a declaration after 1024 bytes is not seen", utf8_bytes(late_page), utf8_bytes(late_page)},
      {"an unknown charset leaves the page as read", utf8_bytes(unknown_page),
       utf8_bytes(unknown_page)},
      {"invalid utf-8 bytes become replacement characters",
       "<meta charset=utf-8>ab\xFF\xFE"
       "cd",
       recoded(u8"<meta charset=utf-8>ab\uFFFD\uFFFDcd")},
  };
  for (const RecodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    server.route("/page", Response::ok(c.body, "text/html"));
    Bytes bytes;
    const Text page = web_access({.address = server.url("/page"), .returned_bytes = &bytes});
    EXPECT_EQ(page, c.expected_page);
    EXPECT_EQ(bytes, Bytes(c.body.begin(), c.body.end())) << "the bytes are never recoded";
  }
}

}  // namespace
