// Serves a folder of sample share pages and media on 127.0.0.1 for trying the program by hand,
// offline, and prints the links to paste into it.
//
//   sample_server [DIR]
//
// DIR defaults to the samples shipped with the sources; the port is an ephemeral one. In pages
// (*.html) every "{{ORIGIN}}" becomes this server's "http://127.0.0.1:PORT", so their media
// addresses point back here. Stops on Ctrl+C.
#include <pthread.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_server.h"

namespace {

using test_support::Exchange;
using test_support::RecordedRequest;
using test_support::Response;
using test_support::TestServer;

std::string read_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::string content_type_of(const std::filesystem::path& path) {
  const std::string extension = path.extension().string();
  if (extension == ".html") return "text/html";
  if (extension == ".mp3") return "audio/mpeg";
  return "application/octet-stream";
}

void replace_all(std::string& text, std::string_view from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path directory = argc > 1 ? argv[1] : SAMPLES_DIRECTORY;
  if (!std::filesystem::is_directory(directory)) {
    std::cerr << "sample_server: not a directory: " << directory << "\n";
    return 1;
  }
  // Ctrl+C is taken by sigwait below; the server's threads inherit the blocked mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  TestServer server;
  const std::string origin = server.origin();
  server.fallback([&](const RecordedRequest& request, Exchange& exchange) {
    const std::filesystem::path relative = std::filesystem::path(request.path).relative_path();
    const std::filesystem::path file = (directory / relative).lexically_normal();
    const bool inside = !relative.empty() && file.string().rfind(directory.string(), 0) == 0;
    if (!inside || !std::filesystem::is_regular_file(file)) {
      exchange.send(Response::status(404, "Not Found", "not found"));
      return;
    }
    std::string body = read_file(file);
    if (file.extension() == ".html") replace_all(body, "{{ORIGIN}}", origin);
    exchange.send(Response::ok(std::move(body), content_type_of(file)));
  });

  std::vector<std::string> pages;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.path().extension() == ".html") pages.push_back(entry.path().filename().string());
  }
  std::sort(pages.begin(), pages.end());
  std::cout << "Serving " << directory.string() << " at " << origin << "\n";
  std::cout << "Share links to paste:\n";
  for (const auto& page : pages) std::cout << "  " << server.url(page) << "\n";
  std::cout << "Press Ctrl+C to stop.\n" << std::flush;

  int received = 0;
  sigwait(&signals, &received);
  return 0;
}
