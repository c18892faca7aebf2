#pragma once
// Comparisons and trimming of protocol text (header names, schemes), which is ASCII.
#include <algorithm>
#include <cctype>
#include <string_view>

inline bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

inline bool ascii_starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         ascii_equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// Without the blanks and tabs at either end.
inline std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}
