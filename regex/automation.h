#pragma once
// The automation operations: objects created by programmatic identifier and reached by
// member name. Every operation fails silently, with the result its comment names.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "text/types.h"

// An empty slot, or one counted reference to an automation object, given back when the
// slot is released or destroyed. A second reference is taken with automation_copy.
class AutomationRef {
 public:
  AutomationRef() = default;
  AutomationRef(AutomationRef&&) noexcept = default;
  AutomationRef& operator=(AutomationRef&&) noexcept = default;
  AutomationRef(const AutomationRef&) = delete;
  AutomationRef& operator=(const AutomationRef&) = delete;
  ~AutomationRef() = default;

  IDispatch* get() const { return object_.get(); }
  void hold(ComPtr<IDispatch> object) { object_ = std::move(object); }

 private:
  ComPtr<IDispatch> object_;
};

// One argument or property value: a VARIANT (referred to, not copied, so it must outlive
// the call), a boolean, a 32-bit integer or a Text (crossing as a UTF-16 string).
class AutomationArg {
 public:
  AutomationArg(const VARIANT& value) : borrowed_(&value) {}
  AutomationArg(bool value) : owned_(VARIANT::from_bool(value)) {}
  AutomationArg(std::int32_t value) : owned_(VARIANT::from_int32(value)) {}
  AutomationArg(const Text& value);
  AutomationArg(const char* value) : AutomationArg(Text(value)) {}

  const VARIANT& variant() const { return borrowed_ != nullptr ? *borrowed_ : owned_; }

 private:
  const VARIANT* borrowed_ = nullptr;
  VARIANT owned_;
};

// Creates an instance of the class `prog_id` names; on success the slot gives up what it
// held and keeps the new object. false, with the slot unchanged, on failure.
bool automation_create(AutomationRef& slot, const Text& prog_id);

// Writes a property; false on failure.
bool automation_set(const AutomationRef& slot, const Text& name, const AutomationArg& value);

// Reads a property, with an optional argument such as an index.
// Failure gives an empty VARIANT, the empty Text, 0 and an empty slot.
VARIANT automation_get(const AutomationRef& slot, const Text& name,
                       const std::optional<AutomationArg>& argument = std::nullopt);
Text automation_get_text(const AutomationRef& slot, const Text& name,
                         const std::optional<AutomationArg>& argument = std::nullopt);
double automation_get_number(const AutomationRef& slot, const Text& name,
                             const std::optional<AutomationArg>& argument = std::nullopt);
AutomationRef automation_get_object(const AutomationRef& slot, const Text& name,
                                    const std::optional<AutomationArg>& argument = std::nullopt);

// Calls a method; the result, where one is asked for, is a VARIANT.
VARIANT automation_invoke(const AutomationRef& slot, const Text& name,
                          std::span<const AutomationArg> arguments);

// Calls a method and ignores its result.
template <class... Args>
void automation_call(const AutomationRef& slot, const Text& name, const Args&... arguments) {
  const std::array<AutomationArg, sizeof...(Args)> list{AutomationArg(arguments)...};
  automation_invoke(slot, name, list);
}

// Calls a method and converts its result to Text; the empty Text on failure.
template <class... Args>
Text automation_call_text(const AutomationRef& slot, const Text& name, const Args&... arguments);

// Calls a method and keeps the object it returns; an empty slot on failure.
template <class... Args>
AutomationRef automation_call_object(const AutomationRef& slot, const Text& name,
                                     const Args&... arguments);

void automation_release(AutomationRef& slot);
// `target` gives up what it held and refers to the source's object with a reference of
// its own.
void automation_copy(AutomationRef& target, const AutomationRef& source);
bool automation_is_empty(const AutomationRef& slot);

// The VARIANT gives up what it held and takes a UTF-16 string, or a byte array of the
// same length.
void variant_assign(VARIANT& variant, const Text& text);
void variant_assign(VARIANT& variant, const Bytes& bytes);
// The content as Text, by the standard conversion to a string; empty gives the empty Text,
// and so does content that does not convert.
Text variant_text(const VARIANT& variant);
void variant_copy(VARIANT& target, const VARIANT& source);
void variant_clear(VARIANT& variant);

// The object a VARIANT holds, as a slot of its own; empty when it holds none.
AutomationRef variant_object(const VARIANT& variant);

template <class... Args>
Text automation_call_text(const AutomationRef& slot, const Text& name, const Args&... arguments) {
  const std::array<AutomationArg, sizeof...(Args)> list{AutomationArg(arguments)...};
  return variant_text(automation_invoke(slot, name, list));
}

template <class... Args>
AutomationRef automation_call_object(const AutomationRef& slot, const Text& name,
                                     const Args&... arguments) {
  const std::array<AutomationArg, sizeof...(Args)> list{AutomationArg(arguments)...};
  return variant_object(automation_invoke(slot, name, list));
}
