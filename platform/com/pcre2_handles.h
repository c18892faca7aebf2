#pragma once
// Owning handles for PCRE2's 16-bit library.
#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 16
#endif
#include <pcre2.h>

#include <memory>

struct Pcre2CodeFree {
  void operator()(pcre2_code* code) const noexcept { pcre2_code_free(code); }
};
struct Pcre2MatchDataFree {
  void operator()(pcre2_match_data* data) const noexcept { pcre2_match_data_free(data); }
};
struct Pcre2CompileContextFree {
  void operator()(pcre2_compile_context* context) const noexcept {
    pcre2_compile_context_free(context);
  }
};

using Pcre2Code = std::unique_ptr<pcre2_code, Pcre2CodeFree>;
using Pcre2MatchData = std::unique_ptr<pcre2_match_data, Pcre2MatchDataFree>;
using Pcre2CompileContext = std::unique_ptr<pcre2_compile_context, Pcre2CompileContextFree>;
