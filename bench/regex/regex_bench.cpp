// RegexObject against PCRE2 used directly: `create` plus reading every match of \d+ over a
// 1 MiB subject with 100,000 matches, and the same search and extraction with PCRE2 on the
// same subject in UTF-16. Goal: at most 10 times the reference's time. The subject's letters
// are ASCII (argument 0) or include a double-byte character (argument 1), so that the
// code-page conversion of the subject is measured too.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cstdio>
#include <string>

#include "bench/support/collecting_reporter.h"
#include "platform/com/com_init.h"
#include "regex/automation_text.h"
#include "regex/regex_object.h"

namespace {

constexpr std::size_t subject_size = 1 << 20;
constexpr int match_total = 100000;

// 100,000 runs of five digits, each after `letters`, padded with letters to 1 MiB.
Text build_subject(const Text& letters) {
  Text built;
  for (int i = 0; i < match_total; ++i) built += letters + std::to_string(10000 + i % 90000);
  built.append(subject_size - built.size(), 'z');
  return built;
}

const Text& subject(std::int64_t chinese) {
  static const Text ascii = build_subject("abcde");
  static const Text gbk = build_subject("abc\xBC\xDB");  // "abc价"
  return chinese != 0 ? gbk : ascii;
}

void BM_RegexObject(benchmark::State& state) {
  const Text& text = subject(state.range(0));
  std::size_t total = 0;
  for (auto _ : state) {
    RegexObject regex;
    regex.create("\\d+", text);
    const std::int32_t count = regex.match_count();
    for (std::int32_t i = 1; i <= count; ++i) total += regex.match_text(i).size();
    if (count != match_total) state.SkipWithError("wrong match count");
  }
  benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_RegexObject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Pcre2Direct(benchmark::State& state) {
  const std::u16string units = to_automation_string(subject(state.range(0)));
  const auto* data = reinterpret_cast<PCRE2_SPTR>(units.data());
  std::size_t total = 0;
  for (auto _ : state) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(u"\\d+"), 3,
                      PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* match = pcre2_match_data_create_from_pattern(code, nullptr);
    int count = 0;
    PCRE2_SIZE start = 0;
    // The subject is checked for valid UTF-16 once, not on every call.
    std::uint32_t options = 0;
    while (pcre2_match(code, data, units.size(), start, options, match, nullptr) > 0) {
      options = PCRE2_NO_UTF_CHECK;
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match);
      total += std::u16string(units, ovector[0], ovector[1] - ovector[0]).size();
      start = ovector[1];
      ++count;
    }
    pcre2_match_data_free(match);
    pcre2_code_free(code);
    if (count != match_total) state.SkipWithError("wrong match count");
  }
  benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_Pcre2Direct)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  CollectingReporter reporter;
  run_benchmarks(argc, argv, reporter);
  for (const char* argument : {"/0", "/1"}) {
    const double ours = reporter.seconds(std::string("BM_RegexObject") + argument);
    const double reference = reporter.seconds(std::string("BM_Pcre2Direct") + argument);
    if (ours <= 0 || reference <= 0) continue;
    const double ratio = ours / reference;
    std::printf(
        "subject%s: RegexObject %.2f ms, PCRE2 directly %.2f ms: ratio %.2f (goal at most "
        "10: %s)\n",
        argument, ours * 1e3, reference * 1e3, ratio, ratio <= 10 ? "met" : "NOT MET");
  }
  CoUninitialize();
  return 0;
}
