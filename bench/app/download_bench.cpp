// From the click to the saved file, for a 200 KiB share page and 64 MiB of media on a local
// server, against the curl command-line tool fetching the page and then the media to a file
// in the same run. Reported: time per download, its ratio to curl's, and the peak memory of
// this process above the media size.
//
// The server runs in a child process so that its copy of the media does not count towards
// this process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/download_song.h"
#include "app/process_events.h"
#include "app/run_directory.h"
#include "app/system_text.h"
#include "bench/support/curl_command.h"
#include "tests/support/test_server.h"
#include "web/event_pump.h"

namespace {

constexpr std::size_t page_size = 200 * 1024;
constexpr std::size_t media_size = 64 * 1024 * 1024;
std::string server_origin;

std::string make_share_page(const std::string& origin) {
  std::string page =
      "<html><head><title>share</title></head><body><div class=\"play_name\">"
      "bench</div><script>window.__DATA__ = {\"vkey\":\"1\",\"playurl\":\"" +
      origin + "/media.mp3\",\"playurl_video\":\"\"};</script>";
  page.resize(page_size - 16, ' ');  // the rest of a large page
  return page + "</body></html>\n";
}

// Runs the server in a child process until this process's end closes `stop`; returns the
// origin it listens on.
std::string start_server_process() {
  int ready[2];
  int stop[2];
  if (pipe(ready) != 0 || pipe(stop) != 0) return {};
  if (fork() == 0) {
    close(ready[0]);
    close(stop[1]);
    test_support::TestServer server;
    server.route("/share",
                 test_support::Response::ok(make_share_page(server.origin()), "text/html"));
    server.route("/media.mp3",
                 test_support::Response::ok(std::string(media_size, 'm'), "audio/mpeg"));
    const std::string origin = server.origin() + "\n";
    if (write(ready[1], origin.data(), origin.size()) < 0) _exit(1);
    char ignored;
    while (read(stop[0], &ignored, 1) > 0) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(stop[0]);  // stop[1] stays open until this process ends
  char buffer[128] = {};
  const ssize_t length = read(ready[0], buffer, sizeof buffer - 1);
  close(ready[0]);
  std::string origin(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  if (!origin.empty() && origin.back() == '\n') origin.pop_back();
  return origin;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ClickToSavedFileAgainstCurl(benchmark::State& state) {
  const std::filesystem::path directory = text_to_utf8(run_directory());
  const std::string page_url = server_origin + "/share";
  const std::string media_url = server_origin + "/media.mp3";
  double ours = 0;
  double reference = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (!run_curl({"-s", "-f", "-o", directory / "curl-page.html", page_url}) ||
        !run_curl({"-s", "-f", "-o", directory / "curl-media.mp3", media_url})) {
      state.SkipWithError("curl failed");
      break;
    }
    reference += seconds_since(start);

    start = std::chrono::steady_clock::now();
    download_song(page_url);
    const double elapsed = seconds_since(start);
    ours += elapsed;
    state.SetIterationTime(elapsed);
    if (std::filesystem::file_size(directory / "bench.mp3") != media_size) {
      state.SkipWithError("the song was not saved whole");
      break;
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double peak_bytes = static_cast<double>(usage.ru_maxrss) * 1024;
  state.counters["ratio_to_curl"] = reference > 0 ? ours / reference : 0;
  state.counters["curl_seconds"] = reference / static_cast<double>(state.iterations());
  state.counters["peak_MiB"] = peak_bytes / (1024 * 1024);
  // The goal: at most 1.5 times the media plus 64 MiB.
  state.counters["peak_to_allowance"] =
      peak_bytes / (1.5 * static_cast<double>(media_size) + 64.0 * 1024 * 1024);
  for (const char* name : {"curl-page.html", "curl-media.mp3", "bench.mp3"}) {
    std::filesystem::remove(directory / name);
  }
}
BENCHMARK(BM_ClickToSavedFileAgainstCurl)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

}  // namespace

int main(int argc, char** argv) {
  server_origin = start_server_process();  // before any thread or window exists
  if (server_origin.empty()) {
    std::fprintf(stderr, "download_bench: the server did not start\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  set_event_pump(&process_events);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
