#include "platform/com/regexp_search.h"

#include <type_traits>

static_assert(std::is_same_v<PCRE2_SIZE, std::size_t>, "offsets are stored as size_t");
static_assert(sizeof(PCRE2_UCHAR) == sizeof(char16_t), "subjects are UTF-16");

namespace {

PCRE2_SPTR pcre2_units(std::u16string_view text) {
  return reinterpret_cast<PCRE2_SPTR>(text.data());
}

bool is_high_surrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Where the search resumes after an empty match at `position`: one character on, where a
// surrogate pair and a CR LF line end each count as one.
std::size_t next_search_start(const std::u16string& subject, std::size_t position) {
  if (position + 1 < subject.size()) {
    const char16_t unit = subject[position];
    const char16_t following = subject[position + 1];
    if ((unit == u'\r' && following == u'\n') ||
        (is_high_surrogate(unit) && is_low_surrogate(following))) {
      return position + 2;
    }
  }
  return position + 1;
}

void append_range(std::u16string& out, const std::u16string& subject, std::size_t start,
                  std::size_t end) {
  if (start != unset_offset && end != unset_offset && start <= end) {
    out.append(subject, start, end - start);
  }
}

bool is_digit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}

// Appends `replacement` for match `match`, with its $ references resolved. A two-digit
// reference is taken when that group exists, else a one-digit one; a reference to a group
// that does not exist stays as written.
void expand_replacement(std::u16string& out, const MatchResults& results, std::size_t match,
                        std::u16string_view replacement) {
  const std::u16string& subject = results.subject;
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const char16_t unit = replacement[i];
    if (unit != u'$' || i + 1 == replacement.size()) {
      out.push_back(unit);
      continue;
    }
    const char16_t code = replacement[i + 1];
    if (code == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (code == u'&') {
      append_range(out, subject, results.start(match, 0), results.end(match, 0));
      ++i;
    } else if (code == u'`') {
      append_range(out, subject, 0, results.start(match, 0));
      ++i;
    } else if (code == u'\'') {
      append_range(out, subject, results.end(match, 0), subject.size());
      ++i;
    } else if (is_digit(code)) {
      std::uint32_t group = code - u'0';
      std::size_t used = 1;
      if (i + 2 < replacement.size() && is_digit(replacement[i + 2])) {
        const std::uint32_t two_digits = group * 10 + (replacement[i + 2] - u'0');
        if (two_digits >= 1 && two_digits <= results.group_count) {
          group = two_digits;
          used = 2;
        }
      }
      if (group >= 1 && group <= results.group_count) {
        append_range(out, subject, results.start(match, group), results.end(match, group));
        i += used;
      } else {
        out.push_back(u'$');
      }
    } else {
      out.push_back(u'$');
    }
  }
}

}  // namespace

CompiledPattern::CompiledPattern(Pcre2Code code, Pcre2MatchData match_data,
                                 std::uint32_t group_count)
    : code_(std::move(code)), match_data_(std::move(match_data)), group_count_(group_count) {}

std::unique_ptr<CompiledPattern> CompiledPattern::compile(std::u16string_view pattern,
                                                          const RegexpOptions& options) {
  Pcre2CompileContext context(pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  // Lines end at CR, LF or CR LF, as in the documents the patterns are run over.
  if (pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF) != 0) return nullptr;

  // Without PCRE2_UCP, \w \d \s and \b stay ASCII-only. Invalid UTF-16 in a subject is
  // matched around rather than rejected.
  std::uint32_t flags = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY;
  if (options.ignore_case) flags |= PCRE2_CASELESS;
  if (options.multiline) flags |= PCRE2_MULTILINE;
  if (options.dot_matches_newline) flags |= PCRE2_DOTALL;

  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  Pcre2Code code(pcre2_compile(pcre2_units(pattern), pattern.size(), flags, &error_code,
                               &error_offset, context.get()));
  if (!code) return nullptr;

  // Where the JIT is unavailable (PCRE2_ERROR_JIT_BADOPTION) or runs out of memory, the
  // interpreter runs the same compiled pattern, so a JIT failure is not an error.
  const int jit_result = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
  (void)jit_result;

  std::uint32_t group_count = 0;
  if (pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &group_count) != 0) return nullptr;
  Pcre2MatchData match_data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!match_data) return nullptr;
  return std::unique_ptr<CompiledPattern>(
      new CompiledPattern(std::move(code), std::move(match_data), group_count));
}

bool find_matches(CompiledPattern& pattern, std::u16string subject, bool global,
                  MatchResults& results) {
  results.subject = std::move(subject);
  results.group_count = pattern.group_count_;
  results.offsets.clear();
  const std::u16string& text = results.subject;
  const std::size_t pairs = pattern.group_count_ + 1;

  std::size_t start = 0;
  std::uint32_t options = 0;
  while (start <= text.size()) {
    const int result = pcre2_match(pattern.code_.get(), pcre2_units(text), text.size(), start,
                                   options, pattern.match_data_.get(), nullptr);
    if (result == PCRE2_ERROR_NOMATCH) {
      if (options == 0) break;
      // No non-empty match at the place of an empty one: go on one character later.
      options = 0;
      start = next_search_start(text, start);
      continue;
    }
    if (result < 0) return false;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(pattern.match_data_.get());
    // Groups past the highest one that took part are not reported by `result`.
    for (std::size_t group = 0; group < pairs; ++group) {
      const bool took_part = group < static_cast<std::size_t>(result);
      results.offsets.push_back(took_part ? ovector[2 * group] : unset_offset);
      results.offsets.push_back(took_part ? ovector[2 * group + 1] : unset_offset);
    }
    if (!global) break;
    start = ovector[1];
    // After an empty match, first look for a non-empty one at the same place.
    options = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  return true;
}

std::u16string replace_matches_in(const MatchResults& results, std::u16string_view replacement) {
  std::u16string out;
  std::size_t copied = 0;
  for (std::size_t match = 0; match < results.match_count(); ++match) {
    append_range(out, results.subject, copied, results.start(match, 0));
    expand_replacement(out, results, match, replacement);
    copied = results.end(match, 0);
  }
  append_range(out, results.subject, copied, results.subject.size());
  return out;
}
