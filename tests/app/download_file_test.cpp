// download_file against a local HTTP server: only a complete successful body counts.
#include "app/download_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_server.h"

namespace {

using test_support::Response;
using test_support::TestServer;

std::string as_string(const Bytes& bytes) {
  return {bytes.begin(), bytes.end()};
}

TEST(DownloadFile, GivesTheBodyOfACompleteSuccessfulResponseOnly) {
  const std::string media = std::string("ID3\0\x01\xff\r\n", 8) + std::string(100'000, 'm');
  Response chunked = Response::ok(media, "audio/mpeg");
  chunked.framing = Response::Framing::chunked;
  chunked.piece_size = 4096;
  Response dropped = Response::ok(media, "audio/mpeg");
  dropped.drop_after_body_bytes = 5'000;

  TestServer server;
  server.route("/length", Response::ok(media, "audio/mpeg"));
  server.route("/chunked", chunked);
  server.route("/until-close",
               [&media](const test_support::RecordedRequest&, test_support::Exchange& exchange) {
                 exchange.write("HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n" + media);
                 exchange.close();  // the end of the connection ends the body
               });
  server.route("/moved", Response::redirect(302, "/length"));
  server.route("/partial", Response::status(206, "Partial Content", "abc"));
  server.route("/not-found", Response::status(404, "Not Found", "<html>not found</html>"));
  server.route("/error", Response::status(500, "Internal Server Error", "oops"));
  server.route("/dropped", dropped);
  server.route("/empty", Response::ok("", "audio/mpeg"));

  struct Case {
    const char* name;
    std::string address;
    std::string expected;
  };
  const Case cases[] = {
      {"content length", server.url("/length"), media},
      {"chunked", server.url("/chunked"), media},
      {"until the connection closes", server.url("/until-close"), media},
      {"redirect followed", server.url("/moved"), media},
      {"fragment dropped", server.url("/length#t=10"), media},
      {"other 2xx status", server.url("/partial"), "abc"},
      {"error status 404", server.url("/not-found"), ""},
      {"error status 500", server.url("/error"), ""},
      {"body cut short", server.url("/dropped"), ""},
      {"empty body", server.url("/empty"), ""},
      {"refused connection",
       "http://127.0.0.1:" + std::to_string(test_support::unused_loopback_port()) + "/length", ""},
      {"unsupported scheme", "ftp://" + server.host_port() + "/length", ""},
      {"no address at all", "not an address", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string body = as_string(download_file(c.address));
    EXPECT_EQ(body.size(), c.expected.size());
    EXPECT_TRUE(body == c.expected);
  }
}

TEST(DownloadFile, AnEmptyAddressMakesNoRequest) {
  TestServer server;
  EXPECT_TRUE(download_file("").empty());
  EXPECT_EQ(server.connection_count(), 0u);
}

}  // namespace
