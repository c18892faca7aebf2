// Speed of the character walks and the append loops, each beside a plain reference over the
// same bytes. After the run a summary gives the ratios and checks the goals: find_text at
// least 300 MB/s on 1 MiB, every walk growing linearly (16 MiB at most 20 times 1 MiB), and
// the append loops at least half as fast as appending to a std::vector or std::string.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "bench/support/collecting_reporter.h"
#include "bench/support/steady_memory.h"
#include "text/bytes_ops.h"
#include "text/text_between.h"
#include "text/text_ops.h"

namespace {

constexpr std::int64_t one_mib = 1 << 20;
constexpr std::int64_t sixteen_mib = 16 << 20;
const Text absent_needle = "zqxjkvwq";
const Text crlf = "\r\n";
const Text start_marker = "playurl\":\"";
const Text end_marker = "\",\"playurl_video";

// A page of HTML-like lines in which a third of the bytes are double-byte characters, with the
// media address near its end.
const Text& page(std::int64_t size) {
  static std::map<std::int64_t, Text> pages;
  Text& text = pages[size];
  if (!text.empty()) return text;
  std::mt19937 random(1);
  std::uniform_int_distribution<int> lead(0xB0, 0xD7);
  std::uniform_int_distribution<int> second(0xA1, 0xFE);
  const Text line = "<div class=\"item\">abc</div>\r\n";  // 29 bytes, then 14 of GBK
  while (static_cast<std::int64_t>(text.size()) < size - 64) {
    text += line;
    for (int i = 0; i < 7; ++i) {
      text += static_cast<char>(lead(random));
      text += static_cast<char>(second(random));
    }
  }
  text += start_marker + "http://127.0.0.1/a.m4a" + end_marker;
  return text;
}

void set_bytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void find_text_absent(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(find_text(text, absent_needle));
  set_bytes(state);
}

void memmem_absent(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        memmem(text.data(), text.size(), absent_needle.data(), absent_needle.size()));
  }
  set_bytes(state);
}

void string_find_absent(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(text.find(absent_needle));
  set_bytes(state);
}

void replace_text_crlf(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        replace_text(text, crlf, Text("\n"), std::nullopt, std::nullopt, true));
  }
  set_bytes(state);
}

void string_replace_crlf(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) {
    Text result;
    result.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(crlf, from)) != Text::npos; from = at + crlf.size()) {
      result.append(text, from, at - from);
      result += '\n';
    }
    result.append(text, from);
    benchmark::DoNotOptimize(result);
  }
  set_bytes(state);
}

void split_text_crlf(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(split_text(text, crlf));
  set_bytes(state);
}

void string_split_crlf(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) {
    TextArray members;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(crlf, from)) != Text::npos; from = at + crlf.size()) {
      members.emplace_back(text, from, at - from);
    }
    if (from < text.size()) members.emplace_back(text, from);
    benchmark::DoNotOptimize(members);
  }
  set_bytes(state);
}

void text_between_media(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(text_between(text, start_marker, end_marker));
  set_bytes(state);
}

void string_between_media(benchmark::State& state) {
  const Text& text = page(state.range(0));
  for (auto _ : state) {
    const std::size_t start = text.find(start_marker) + start_marker.size();
    benchmark::DoNotOptimize(text.substr(start, text.find(end_marker, start) - start));
  }
  set_bytes(state);
}

constexpr std::int64_t gathered_size = 64 << 20;
constexpr std::size_t chunk_size = 8 << 10;

// Gathers 64 MiB in 8 KiB chunks, one `append` per chunk.
template <typename Buffer, typename Append>
void gather(benchmark::State& state, Append append) {
  const Buffer chunk(chunk_size, 'Z');
  for (auto _ : state) {
    Buffer all;
    for (std::int64_t size = 0; size < gathered_size; size += chunk_size) append(all, chunk);
    benchmark::DoNotOptimize(all.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * gathered_size);
}

void join_bytes_loop(benchmark::State& state) {
  gather<Bytes>(state,
                [](Bytes& all, const Bytes& chunk) { all = join_bytes(std::move(all), chunk); });
}

void vector_insert_loop(benchmark::State& state) {
  gather<Bytes>(state, [](Bytes& all, const Bytes& chunk) {
    all.insert(all.end(), chunk.begin(), chunk.end());
  });
}

void join_text_loop(benchmark::State& state) {
  gather<Text>(state, [](Text& all, const Text& chunk) { all = join_text(std::move(all), chunk); });
}

void string_append_loop(benchmark::State& state) {
  gather<Text>(state, [](Text& all, const Text& chunk) { all.append(chunk); });
}

#define PAGE_BENCHMARK(function) \
  BENCHMARK(function)->Arg(one_mib)->Arg(sixteen_mib)->Unit(benchmark::kMicrosecond)

PAGE_BENCHMARK(find_text_absent);
PAGE_BENCHMARK(memmem_absent);
PAGE_BENCHMARK(string_find_absent);
PAGE_BENCHMARK(replace_text_crlf);
PAGE_BENCHMARK(string_replace_crlf);
PAGE_BENCHMARK(split_text_crlf);
PAGE_BENCHMARK(string_split_crlf);
PAGE_BENCHMARK(text_between_media);
PAGE_BENCHMARK(string_between_media);
BENCHMARK(join_bytes_loop)->Unit(benchmark::kMillisecond);
BENCHMARK(vector_insert_loop)->Unit(benchmark::kMillisecond);
BENCHMARK(join_text_loop)->Unit(benchmark::kMillisecond);
BENCHMARK(string_append_loop)->Unit(benchmark::kMillisecond);

const char* verdict(bool met) {
  return met ? "met" : "MISSED";
}

void print_page_summary(const CollectingReporter& reporter, const std::string& subject,
                        const std::string& reference) {
  const std::string small = "/" + std::to_string(one_mib);
  const std::string large = "/" + std::to_string(sixteen_mib);
  const double subject_small = reporter.seconds(subject + small);
  const double subject_large = reporter.seconds(subject + large);
  const double reference_small = reporter.seconds(reference + small);
  const double reference_large = reporter.seconds(reference + large);
  if (subject_small == 0 || subject_large == 0 || reference_small == 0 || reference_large == 0) {
    return;
  }
  const double growth = subject_large / subject_small;
  std::printf(
      "%-20s %7.0f MB/s  %-20s %7.0f MB/s  ratio %5.2f  16/1 MiB time x%4.1f (reference x%4.1f, "
      "goal 20: %s)\n",
      subject.c_str(), one_mib / subject_small / 1e6, reference.c_str(),
      one_mib / reference_small / 1e6, reference_small / subject_small, growth,
      reference_large / reference_small, verdict(growth <= 20));
}

void print_append_summary(const CollectingReporter& reporter, const std::string& subject,
                          const std::string& reference) {
  const double subject_time = reporter.seconds(subject);
  const double reference_time = reporter.seconds(reference);
  if (subject_time == 0 || reference_time == 0) return;
  const double ratio = reference_time / subject_time;
  std::printf("%-20s %9.0f MB/s  %-22s %9.0f MB/s  ratio %5.2f (goal 0.5: %s)\n", subject.c_str(),
              gathered_size / subject_time / 1e6, reference.c_str(),
              gathered_size / reference_time / 1e6, ratio, verdict(ratio >= 0.5));
}

}  // namespace

int main(int argc, char** argv) {
  // The members of a 16 MiB split would otherwise be faulted in afresh on every iteration.
  keep_freed_memory();
  CollectingReporter reporter;
  run_benchmarks(argc, argv, reporter);

  std::printf("\nSummary (1 MiB speed; ratio = reference time / our time)\n");
  const double find_small = reporter.seconds("find_text_absent/" + std::to_string(one_mib));
  if (find_small > 0) {
    const double speed = one_mib / find_small / 1e6;
    std::printf("find_text on 1 MiB: %.0f MB/s (goal 300: %s)\n", speed, verdict(speed >= 300));
  }
  print_page_summary(reporter, "find_text_absent", "memmem_absent");
  print_page_summary(reporter, "find_text_absent", "string_find_absent");
  print_page_summary(reporter, "replace_text_crlf", "string_replace_crlf");
  print_page_summary(reporter, "split_text_crlf", "string_split_crlf");
  print_page_summary(reporter, "text_between_media", "string_between_media");
  print_append_summary(reporter, "join_bytes_loop", "vector_insert_loop");
  print_append_summary(reporter, "join_text_loop", "string_append_loop");
  return 0;
}
