#pragma once
// Cutting out the text between two markers.
#include <cstdint>
#include <optional>

#include "text/types.h"

// What lies between the first `start_marker` at or after `start` and the next
// `end_marker` after it; empty when either is missing. "#引号" in a marker stands for one
// double-quote character.
Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                  std::optional<std::int32_t> start = std::nullopt, bool ignore_case = false);
