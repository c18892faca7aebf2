#include "regex/regex_object.h"

#include "platform/com/com_init.h"
#include "platform/com/hresult.h"
#include "regex/automation_text.h"
#include "text/literal.h"
#include "text/text_ops.h"

namespace {

// The 0-based index of a number counted from 1; numbers below 1 give an index that every
// collection refuses.
std::int32_t index_of(std::int32_t number) {
  return number >= 1 ? number - 1 : -1;
}

std::int32_t truncated(double number) {
  return static_cast<std::int32_t>(number);
}

const Text& quote_placeholder_text() {
  static const Text placeholder = gbk_literal(u8"#引号");
  return placeholder;
}

}  // namespace

RegexObject::RegexObject() {
  CoInitialize(nullptr);
}

RegexObject::RegexObject(const RegexObject& other) {
  automation_copy(component, other.component);
  automation_copy(matches, other.matches);
  variant_copy(subject, other.subject);
  CoInitialize(nullptr);
}

RegexObject::~RegexObject() {
  automation_release(component);
  automation_release(matches);
  variant_clear(subject);
  CoUninitialize();
}

bool RegexObject::create(const Text& pattern, const Text& subject,
                         std::optional<bool> case_sensitive, std::optional<bool> multiline,
                         std::optional<bool> global, std::optional<bool> quote_placeholder) {
  const bool ignore_case = !case_sensitive.value_or(false);
  automation_release(component);
  automation_release(matches);
  automation_create(component, "VBScript.RegExp");
  automation_set(component, "IgnoreCase", ignore_case);
  automation_set(component, "Multiline", multiline.value_or(true));
  automation_set(component, "Singleline", true);
  automation_set(component, "Global", global.value_or(true));
  automation_set(component, "Pattern",
                 quote_placeholder.value_or(false)
                     ? replace_text(pattern, quote_placeholder_text(), Text("\""), std::nullopt,
                                    std::nullopt, true)
                     : pattern);
  variant_assign(this->subject, subject);
  matches = automation_call_object(component, "Execute", this->subject);
  return !automation_is_empty(matches);
}

Text RegexObject::get_pattern() const {
  if (automation_is_empty(component)) return {};
  return automation_get_text(component, "Pattern");
}

Text RegexObject::replace_matches(const std::optional<Text>& replacement) const {
  VARIANT replacement_value;
  variant_assign(replacement_value, replacement.value_or(Text()));
  Text replaced = automation_call_text(component, "Replace", subject, replacement_value);
  variant_clear(replacement_value);
  return replaced;
}

std::int32_t RegexObject::match_count() const {
  return truncated(automation_get_number(matches, "Count"));
}

Text RegexObject::match_text(std::int32_t match_no, std::int32_t* position) const {
  const AutomationRef found = match(match_no);
  Text text = variant_text(automation_get(found, "Value"));
  if (position != nullptr) *position = byte_offset(automation_get(found, "FirstIndex"));
  return text;
}

Text RegexObject::submatch_text(std::int32_t match_no, std::int32_t submatch_no,
                                std::int32_t* position) const {
  const AutomationRef groups = automation_get_object(match(match_no), "SubMatches");
  Text text = variant_text(automation_get(groups, "Item", index_of(submatch_no)));
  if (position != nullptr) {
    *position = byte_offset(automation_get(groups, "FirstIndex", index_of(submatch_no)));
  }
  return text;
}

std::int32_t RegexObject::submatch_count() const {
  const AutomationRef groups = automation_get_object(match(1), "SubMatches");
  return truncated(automation_get_number(groups, "Count"));
}

AutomationRef RegexObject::match(std::int32_t match_no) const {
  return automation_get_object(matches, "Item", index_of(match_no));
}

std::int32_t RegexObject::byte_offset(const VARIANT& units) const {
  VARIANT number;
  if (units.vt() == VT_EMPTY || FAILED(VariantChangeType(&number, &units, 0, VT_I4))) return -1;
  const std::u16string* subject_units = subject.as_string();
  const std::int32_t offset = *number.as_int32();
  if (subject_units == nullptr || offset < 0 ||
      static_cast<std::size_t>(offset) > subject_units->size()) {
    return -1;
  }
  return automation_text_length(std::u16string_view(*subject_units).substr(0, offset));
}
