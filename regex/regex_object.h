#pragma once
// Regular-expression matching through the "VBScript.RegExp" component: `create` runs a
// pattern over a subject and keeps the match collection, which the other operations read.
// Matches and groups are numbered from 1. Nothing is reported as an error: a missing
// component, a rejected pattern or a missing match gives empty texts and zero counts.
#include <cstdint>
#include <optional>

#include "platform/com/variant.h"
#include "regex/automation.h"
#include "text/types.h"

class RegexObject {
 public:
  // Initialises the automation runtime for the thread, once per object.
  RegexObject();
  // Shares the source's component and match collection and copies its subject; the copy
  // holds an initialisation of its own, so every object's destruction stays balanced.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject&) = delete;
  // Gives back the component, the matches and the subject, then the initialisation.
  ~RegexObject();

  // Makes a fresh component, writes IgnoreCase (true unless case_sensitive), Multiline
  // (default true), Singleline (true), Global (default true) and Pattern (with every
  // "#引号" turned into a double quote when quote_placeholder is true), and runs it over
  // `subject`. true when the run produced a match collection, even one without matches.
  bool create(const Text& pattern, const Text& subject,
              std::optional<bool> case_sensitive = std::nullopt,
              std::optional<bool> multiline = std::nullopt,
              std::optional<bool> global = std::nullopt,
              std::optional<bool> quote_placeholder = std::nullopt);

  // The component's Pattern; empty before the first create.
  Text get_pattern() const;
  // The last subject with every match replaced ($1..$99, $&, $`, $' and $$ are expanded).
  Text replace_matches(const std::optional<Text>& replacement = std::nullopt) const;
  std::int32_t match_count() const;
  // The text of match `match_no`. `position`, when given, receives the 0-based byte offset
  // of the match in the subject, -1 when there is no such match.
  Text match_text(std::int32_t match_no, std::int32_t* position = nullptr) const;
  // The text group `submatch_no` of match `match_no` captured; empty for a group that did
  // not take part. `position`, when given, receives the 0-based byte offset of the capture
  // in the subject, -1 when the match or the group does not exist or did not take part.
  Text submatch_text(std::int32_t match_no, std::int32_t submatch_no,
                     std::int32_t* position = nullptr) const;
  // The number of groups of the first match; 0 without a match.
  std::int32_t submatch_count() const;

 private:
  AutomationRef match(std::int32_t match_no) const;
  // The byte offset in the subject of the UTF-16 offset `units`; -1 for an empty or
  // negative one.
  std::int32_t byte_offset(const VARIANT& units) const;

  AutomationRef component;
  AutomationRef matches;
  VARIANT subject = VARIANT::from_int32(0);
};
