#include <gtest/gtest.h>

#include <string>

#include "platform/base/last_error.h"
#include "platform/winhttp/winhttp.h"

namespace {

struct Parts {
  std::u16string scheme, host, user, password, path, extra;
  INTERNET_SCHEME scheme_number = 0;
  INTERNET_PORT port = 0;
  bool operator==(const Parts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Parts& p) {
  const auto narrow = [](const std::u16string& s) { return std::string(s.begin(), s.end()); };
  return out << narrow(p.scheme) << "|" << narrow(p.host) << "|" << p.port << "|" << narrow(p.user)
             << "|" << narrow(p.password) << "|" << narrow(p.path) << "|" << narrow(p.extra);
}

// Cracks with every length at -1, so each part comes back as a pointer into `url`.
bool crack(const std::u16string& url, Parts& parts) {
  URL_COMPONENTS c{};
  c.dwStructSize = sizeof c;
  c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength =
      c.dwUrlPathLength = c.dwExtraInfoLength = DWORD(-1);
  if (!winhttp_functions()->WinHttpCrackUrl(url.c_str(), DWORD(url.size()), 0, &c)) return false;
  const auto part = [&](LPWSTR p, DWORD n) {
    if (p != nullptr) {
      EXPECT_GE(p, url.c_str());
      EXPECT_LE(p + n, url.c_str() + url.size());
    }
    return p == nullptr ? std::u16string() : std::u16string(p, n);
  };
  parts = {part(c.lpszScheme, c.dwSchemeLength),
           part(c.lpszHostName, c.dwHostNameLength),
           part(c.lpszUserName, c.dwUserNameLength),
           part(c.lpszPassword, c.dwPasswordLength),
           part(c.lpszUrlPath, c.dwUrlPathLength),
           part(c.lpszExtraInfo, c.dwExtraInfoLength),
           c.nScheme,
           c.nPort};
  return true;
}

TEST(WinHttpCrackUrl, SplitsHttpAndHttpsAddresses) {
  struct Case {
    const char* name;
    std::u16string url;
    Parts expected;
  };
  const Case cases[] = {
      {"http default port",
       u"http://127.0.0.1/a/b.html",
       {u"http", u"127.0.0.1", u"", u"", u"/a/b.html", u"", INTERNET_SCHEME_HTTP, 80}},
      {"https default port",
       u"https://example.test/",
       {u"https", u"example.test", u"", u"", u"/", u"", INTERNET_SCHEME_HTTPS, 443}},
      {"explicit port, query and fragment",
       u"http://127.0.0.1:8080/p?q=1#f",
       {u"http", u"127.0.0.1", u"", u"", u"/p", u"?q=1#f", INTERNET_SCHEME_HTTP, 8080}},
      {"user and password",
       u"https://user:pass@h:444/x",
       {u"https", u"h", u"user", u"pass", u"/x", u"", INTERNET_SCHEME_HTTPS, 444}},
      {"no path", u"http://h", {u"http", u"h", u"", u"", u"", u"", INTERNET_SCHEME_HTTP, 80}},
      {"query without path",
       u"http://h?x",
       {u"http", u"h", u"", u"", u"", u"?x", INTERNET_SCHEME_HTTP, 80}},
      {"scheme in upper case",
       u"HTTP://H/",
       {u"HTTP", u"H", u"", u"", u"/", u"", INTERNET_SCHEME_HTTP, 80}},
      {"ipv6 literal",
       u"http://[::1]:81/",
       {u"http", u"[::1]", u"", u"", u"/", u"", INTERNET_SCHEME_HTTP, 81}},
      {"non-ascii path",
       u"http://h/歌曲?名=值",
       {u"http", u"h", u"", u"", u"/歌曲", u"?名=值", INTERNET_SCHEME_HTTP, 80}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parts parts;
    ASSERT_TRUE(crack(c.url, parts)) << GetLastError();
    EXPECT_EQ(parts, c.expected);
  }
}

TEST(WinHttpCrackUrl, RefusesOtherSchemesAndMalformedAddresses) {
  struct Case {
    const char* name;
    std::u16string url;
    DWORD error;
  };
  const Case cases[] = {
      {"empty", u"", ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
      {"no scheme", u"127.0.0.1/page", ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
      {"ftp", u"ftp://h/file", ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
      {"leading blank", u" http://h/", ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
      {"empty host", u"http:///path", ERROR_WINHTTP_INVALID_URL},
      {"port not a number", u"http://h:80x/", ERROR_WINHTTP_INVALID_URL},
      {"port too large", u"http://h:65536/", ERROR_WINHTTP_INVALID_URL},
      {"blank in host", u"http://a b/", ERROR_WINHTTP_INVALID_URL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parts parts;
    EXPECT_FALSE(crack(c.url, parts));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(WinHttpCrackUrl, ReturnsOnlyThePartsAskedForAndCopiesIntoGivenBuffers) {
  const std::u16string url = u"http://u:p@host:81/path?q";
  URL_COMPONENTS c{};
  c.dwStructSize = sizeof c;
  c.dwHostNameLength = DWORD(-1);  // pointer into the address
  char16_t path[16];
  c.lpszUrlPath = path;  // copy into this buffer
  c.dwUrlPathLength = 16;
  // Length 0: user name, password, extra information and scheme are not returned.
  ASSERT_TRUE(winhttp_functions()->WinHttpCrackUrl(url.c_str(), 0, 0, &c));  // 0: NUL-terminated
  EXPECT_EQ(std::u16string(c.lpszHostName, c.dwHostNameLength), u"host");
  EXPECT_EQ(std::u16string(path), u"/path");
  EXPECT_EQ(c.dwUrlPathLength, 5u);
  EXPECT_EQ(c.lpszUserName, nullptr);
  EXPECT_EQ(c.dwUserNameLength, 0u);
  EXPECT_EQ(c.lpszExtraInfo, nullptr);
  EXPECT_EQ(c.nPort, 81);

  char16_t small[3];
  c.lpszUrlPath = small;
  c.dwUrlPathLength = 3;
  EXPECT_FALSE(winhttp_functions()->WinHttpCrackUrl(url.c_str(), DWORD(url.size()), 0, &c));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(c.dwUrlPathLength, 6u);  // with the terminator
}

TEST(WinHttpFunctions, AreBoundByNameAndCanBeReplacedForATest) {
  const WinHttpFunctions* bound = winhttp_functions();
  ASSERT_NE(bound, nullptr);
  EXPECT_EQ(reinterpret_cast<WinHttpProc>(bound->WinHttpOpen), winhttp_symbol("WinHttpOpen"));
  EXPECT_EQ(winhttp_symbol("WinHttpNoSuchFunction"), nullptr);
  EXPECT_TRUE(bound->WinHttpCheckPlatform());
  {
    WinHttpFunctions fake{};
    ScopedWinHttpFunctions installed(&fake);
    EXPECT_EQ(winhttp_functions(), &fake);
  }
  EXPECT_EQ(winhttp_functions(), bound);
}

}  // namespace
