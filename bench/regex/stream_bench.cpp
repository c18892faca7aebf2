// Decoding UTF-8 through the Adodb.Stream component, against one iconv call over the same
// bytes. Goal: the component's ReadText decodes at 100 MB/s or better. The full recoding
// sequence (write the body, read it back as Text) is measured beside it.
#include <iconv.h>

#include <cstdio>
#include <random>
#include <string>

#include "bench/support/collecting_reporter.h"
#include "platform/com/com_init.h"
#include "regex/automation.h"

namespace {

constexpr std::size_t page_size = 4 << 20;

// An HTML-like page in UTF-8 in which about a third of the bytes belong to Chinese
// characters (three bytes each).
const Bytes& utf8_page() {
  static const Bytes page = [] {
    Bytes built;
    std::mt19937 random(1);
    std::uniform_int_distribution<int> character(0x4E00, 0x9FA5);
    const std::string line = "<div class=\"item\"><a href=\"/song?id=42\">";
    while (built.size() < page_size) {
      built.insert(built.end(), line.begin(), line.end());
      for (int i = 0; i < 8; ++i) {
        const int code = character(random);
        built.push_back(static_cast<std::uint8_t>(0xE0 | (code >> 12)));
        built.push_back(static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F)));
        built.push_back(static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
      }
      built.push_back('\n');
    }
    return built;
  }();
  return page;
}

// A stream holding the page, ready to be read as UTF-8 text from the start.
AutomationRef loaded_stream(const VARIANT& body) {
  AutomationRef stream;
  automation_create(stream, "Adodb.Stream");
  automation_set(stream, "Type", 1);
  automation_set(stream, "Mode", 3);
  automation_call(stream, "Open");
  automation_call(stream, "Write", body);
  automation_set(stream, "Position", 0);
  automation_set(stream, "Type", 2);
  automation_set(stream, "Charset", "utf-8");
  return stream;
}

void BM_StreamReadText(benchmark::State& state) {
  VARIANT body;
  variant_assign(body, utf8_page());
  for (auto _ : state) {
    state.PauseTiming();
    AutomationRef stream = loaded_stream(body);
    state.ResumeTiming();
    VARIANT text = automation_invoke(stream, "ReadText", {});
    if (text.as_string() == nullptr) state.SkipWithError("ReadText failed");
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8_page().size()));
}
BENCHMARK(BM_StreamReadText)->Unit(benchmark::kMillisecond);

void BM_StreamRecodingToText(benchmark::State& state) {
  for (auto _ : state) {
    VARIANT body;
    variant_assign(body, utf8_page());
    AutomationRef stream = loaded_stream(body);
    const Text page = automation_call_text(stream, "ReadText");
    automation_call(stream, "Close");
    if (page.empty()) state.SkipWithError("recoding failed");
    benchmark::DoNotOptimize(page);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8_page().size()));
}
BENCHMARK(BM_StreamRecodingToText)->Unit(benchmark::kMillisecond);

void BM_IconvDirect(benchmark::State& state) {
  const Bytes& page = utf8_page();
  for (auto _ : state) {
    iconv_t converter = iconv_open("UTF-16LE", "UTF-8");
    std::u16string text(page.size(), u'\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(page.data()));
    std::size_t in_left = page.size();
    char* out = reinterpret_cast<char*>(text.data());
    std::size_t out_left = text.size() * sizeof(char16_t);
    if (iconv(converter, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) {
      state.SkipWithError("iconv failed");
    }
    text.resize(text.size() - out_left / sizeof(char16_t));
    iconv_close(converter);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_IconvDirect)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  CollectingReporter reporter;
  run_benchmarks(argc, argv, reporter);
  const double megabytes = static_cast<double>(utf8_page().size()) / 1e6;
  const double read_text = reporter.seconds("BM_StreamReadText");
  const double recoding = reporter.seconds("BM_StreamRecodingToText");
  const double reference = reporter.seconds("BM_IconvDirect");
  if (read_text > 0 && reference > 0) {
    std::printf(
        "ReadText %.0f MB/s (goal at least 100: %s), iconv directly %.0f MB/s, ratio %.2f\n",
        megabytes / read_text, megabytes / read_text >= 100 ? "met" : "NOT MET",
        megabytes / reference, read_text / reference);
  }
  if (recoding > 0) {
    std::printf("write, ReadText and conversion to Text: %.0f MB/s\n", megabytes / recoding);
  }
  CoUninitialize();
  return 0;
}
