// web_access over loopback: a 4 MiB and a 64 MiB body against the curl command-line tool
// fetching the same URL in the same run, and UTF-8 pages of 1 MiB and 16 MiB that are
// recoded from the charset they declare. The summary prints the ratios the goals are
// stated in.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/support/collecting_reporter.h"
#include "bench/support/curl_command.h"
#include "bench/support/steady_memory.h"
#include "tests/support/test_server.h"
#include "web/web_access.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

test_support::TestServer& server() {
  static test_support::TestServer* instance = [] {
    auto* s = new test_support::TestServer();
    for (std::size_t mib : {4, 64}) {
      s->route("/body" + std::to_string(mib),
               test_support::Response::ok(std::string(mib * kMiB, 'b')));
    }
    // A page of Chinese text in UTF-8 that declares its charset, as share pages do.
    for (std::size_t mib : {1, 16}) {
      std::string page = "<html><head><meta charset=\"utf-8\"><title>t</title></head><body>";
      const std::string line = "\xE4\xB8\x8B\xE8\xBD\xBD\xE6\xAD\x8C\xE6\x9B\xB2 songsaver<br>\n";
      while (page.size() < mib * kMiB) page += line;
      s->route("/page" + std::to_string(mib), test_support::Response::ok(page, "text/html"));
    }
    return s;
  }();
  return *instance;
}

void fetch_with_web_access(benchmark::State& state, const std::string& path) {
  const std::string url = server().url(path);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const Text page = web_access({.address = url});
    benchmark::DoNotOptimize(page.data());
    bytes = page.size();
  }
  if (bytes == 0) state.SkipWithError("empty response");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void fetch_with_curl(benchmark::State& state, const std::string& path) {
  const std::string url = server().url(path);
  for (auto _ : state) {
    if (!run_curl({"-s", "-o", "/dev/null", url})) state.SkipWithError("curl failed");
  }
}

void BM_web_access_body_4MiB(benchmark::State& s) {
  fetch_with_web_access(s, "/body4");
}
void BM_web_access_body_64MiB(benchmark::State& s) {
  fetch_with_web_access(s, "/body64");
}
void BM_curl_body_64MiB(benchmark::State& s) {
  fetch_with_curl(s, "/body64");
}
void BM_web_access_recoded_page_1MiB(benchmark::State& s) {
  fetch_with_web_access(s, "/page1");
}
void BM_web_access_recoded_page_16MiB(benchmark::State& s) {
  fetch_with_web_access(s, "/page16");
}

BENCHMARK(BM_web_access_body_4MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_web_access_body_64MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_curl_body_64MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_web_access_recoded_page_1MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_web_access_recoded_page_16MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // A 64 MiB body would otherwise be faulted in afresh on every iteration (about a third of
  // its time on this machine), a cost the 4 MiB case and curl writing to /dev/null never pay.
  keep_freed_memory();
  CollectingReporter reporter;
  run_benchmarks(argc, argv, reporter);
  const double body4 = reporter.seconds("BM_web_access_body_4MiB/real_time");
  const double body64 = reporter.seconds("BM_web_access_body_64MiB/real_time");
  const double curl64 = reporter.seconds("BM_curl_body_64MiB/real_time");
  const double page1 = reporter.seconds("BM_web_access_recoded_page_1MiB/real_time");
  const double page16 = reporter.seconds("BM_web_access_recoded_page_16MiB/real_time");
  if (body64 > 0 && curl64 > 0) {
    std::printf("64 MiB body: %.2fx the throughput of curl (goal: at least 0.8x)\n",
                curl64 / body64);
  }
  if (body4 > 0 && body64 > 0) {
    std::printf("64 MiB / 4 MiB time: %.1fx (goal: at most 20x)\n", body64 / body4);
  }
  if (page1 > 0 && page16 > 0) {
    std::printf("recoded page: %.0f MB/s at 1 MiB, %.0f MB/s at 16 MiB (goal: 100 MB/s)\n",
                1.0 * kMiB / 1e6 / page1, 16.0 * kMiB / 1e6 / page16);
    std::printf("16 MiB / 1 MiB page time: %.1fx (goal: at most 20x)\n", page16 / page1);
  }
  return 0;
}
