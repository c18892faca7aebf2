// Throughput of the HTTP layer and of the media client on a 256 MiB body over loopback, as a
// ratio to the curl command-line tool saving the same address to /dev/null in the same run,
// and the layer's peak memory beyond what the caller keeps.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/curl_command.h"
#include "platform/inet/media_client.h"
#include "platform/winhttp/winhttp.h"
#include "tests/support/test_server.h"

namespace {

using test_support::Exchange;
using test_support::RecordedRequest;
using test_support::TestServer;

constexpr std::size_t body_size = 256u * 1024 * 1024;
constexpr std::size_t block_size = 1024 * 1024;
constexpr double mebibyte = 1024.0 * 1024.0;

// Serves /big: a 256 MiB body written from one 1 MiB block, so the server adds little memory.
TestServer& big_body_server() {
  static TestServer server;
  static const bool routed = [] {
    server.route("/big", [](const RecordedRequest&, Exchange& exchange) {
      static const std::string block(block_size, 'b');
      if (!exchange.write("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_size) +
                          "\r\n\r\n")) {
        return;
      }
      for (std::size_t sent = 0; sent < body_size && exchange.write(block); sent += block_size) {
      }
    });
    return true;
  }();
  (void)routed;
  return server;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The wall time of curl saving `url` to /dev/null, in seconds; -1 when it failed.
double curl_command_seconds(const std::string& url) {
  const auto start = std::chrono::steady_clock::now();
  if (!run_curl({"-s", "-o", "/dev/null", url})) return -1;
  return seconds_since(start);
}

long status_kib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

// Resets the peak resident size, so that VmHWM then tells the peak from here on.
void reset_peak_memory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Reads the body through the HTTP layer into a 1 MiB buffer; returns the bytes read.
std::size_t read_through_winhttp(std::uint16_t port, std::vector<char>& buffer) {
  const WinHttpFunctions& api = *winhttp_functions();
  HINTERNET session = api.WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
  HINTERNET connection = api.WinHttpConnect(session, u"127.0.0.1", port, 0);
  HINTERNET request =
      api.WinHttpOpenRequest(connection, u"GET", u"/big", nullptr, nullptr, nullptr, 0);
  std::size_t total = 0;
  if (api.WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
      api.WinHttpReceiveResponse(request, nullptr)) {
    DWORD available = 0;
    while (api.WinHttpQueryDataAvailable(request, &available) && available > 0) {
      DWORD read = 0;
      const DWORD wanted = std::min<DWORD>(available, DWORD(buffer.size()));
      if (!api.WinHttpReadData(request, buffer.data(), wanted, &read)) break;
      total += read;
    }
  }
  for (HINTERNET handle : {request, connection, session}) api.WinHttpCloseHandle(handle);
  return total;
}

std::size_t read_through_media_client(const std::string& url) {
  std::size_t total = 0;
  MediaReceiver receiver;
  receiver.receive = [&](const std::uint8_t* data, std::size_t size) {
    benchmark::DoNotOptimize(data);
    total += size;
    return true;
  };
  media_fetch(url, receiver);
  return total;
}

// Times `ours` against the curl tool on the same address, alternating, and reports both
// throughputs and their ratio.
template <typename Transfer>
void compare_with_curl(benchmark::State& state, Transfer ours) {
  const std::string url = big_body_server().url("/big");
  double curl_seconds = 0, our_seconds = 0;
  long peak_growth_kib = 0;
  for (auto _ : state) {
    const double reference = curl_command_seconds(url);
    if (reference < 0) {
      state.SkipWithError("the curl command failed");
      return;
    }
    curl_seconds += reference;
    const long resident_before = status_kib("VmRSS:");
    reset_peak_memory();
    const auto start = std::chrono::steady_clock::now();
    const std::size_t bytes = ours();
    const double elapsed = seconds_since(start);
    peak_growth_kib = std::max(peak_growth_kib, status_kib("VmHWM:") - resident_before);
    if (bytes != body_size) {
      state.SkipWithError("the body did not arrive whole");
      return;
    }
    our_seconds += elapsed;
    state.SetIterationTime(elapsed);
  }
  const double transferred = double(body_size) * double(state.iterations()) / mebibyte;
  state.counters["curl_MiB_per_s"] = transferred / curl_seconds;
  state.counters["ours_MiB_per_s"] = transferred / our_seconds;
  state.counters["ratio_to_curl"] = curl_seconds / our_seconds;
  state.counters["peak_growth_MiB"] = double(peak_growth_kib) / 1024.0;
  state.SetBytesProcessed(std::int64_t(body_size) * state.iterations());
}

void BM_WinHttpReadVsCurl(benchmark::State& state) {
  std::vector<char> buffer(block_size);  // the caller's bytes, outside the layer's share
  const std::uint16_t port = big_body_server().port();
  compare_with_curl(state, [&] { return read_through_winhttp(port, buffer); });
}
BENCHMARK(BM_WinHttpReadVsCurl)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_MediaFetchVsCurl(benchmark::State& state) {
  const std::string url = big_body_server().url("/big");
  compare_with_curl(state, [&] { return read_through_media_client(url); });
}
BENCHMARK(BM_MediaFetchVsCurl)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
