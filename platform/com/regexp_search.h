#pragma once
// Pattern compilation, searching and replacement over PCRE2's 16-bit library. Positions
// and lengths count UTF-16 units.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/pcre2_handles.h"

struct RegexpOptions {
  bool ignore_case = false;
  bool multiline = false;
  bool dot_matches_newline = false;
};

inline constexpr std::size_t unset_offset = static_cast<std::size_t>(-1);

// The matches of one search: for each match, the start and end of the whole match and then
// of each group (unset_offset for a group that did not take part).
struct MatchResults {
  std::u16string subject;
  std::uint32_t group_count = 0;
  std::vector<std::size_t> offsets;

  std::size_t match_count() const { return offsets.size() / ((group_count + 1) * 2); }
  // Start and end of group `group` (0 is the whole match) of match `match`.
  std::size_t start(std::size_t match, std::size_t group) const {
    return offsets[(match * (group_count + 1) + group) * 2];
  }
  std::size_t end(std::size_t match, std::size_t group) const {
    return offsets[(match * (group_count + 1) + group) * 2 + 1];
  }
};

// A compiled pattern with the match data it reuses from call to call.
class CompiledPattern {
 public:
  // Null when PCRE2 rejects the pattern.
  static std::unique_ptr<CompiledPattern> compile(std::u16string_view pattern,
                                                  const RegexpOptions& options);
  std::uint32_t group_count() const { return group_count_; }

 private:
  friend bool find_matches(CompiledPattern& pattern, std::u16string subject, bool global,
                           MatchResults& results);
  CompiledPattern(Pcre2Code code, Pcre2MatchData match_data, std::uint32_t group_count);

  Pcre2Code code_;
  Pcre2MatchData match_data_;
  std::uint32_t group_count_;
};

// false when matching failed (for example PCRE2 hit a limit); `results` is then unusable.
// Without `global` only the first match is taken. An empty match moves the next search one
// character on.
bool find_matches(CompiledPattern& pattern, std::u16string subject, bool global,
                  MatchResults& results);

// The subject with each match replaced by `replacement`, in which $1..$99 stand for a
// group, $& for the match, $` and $' for the text before and after it, and $$ for "$".
std::u16string replace_matches_in(const MatchResults& results, std::u16string_view replacement);
