#include "regex/automation.h"

#include <vector>

#include "platform/com/hresult.h"
#include "platform/com/registry.h"
#include "regex/automation_text.h"

namespace {

HRESULT invoke(const AutomationRef& slot, const Text& name, WORD flags,
               std::span<const AutomationArg> arguments, VARIANT* result) {
  IDispatch* object = slot.get();
  if (object == nullptr) return E_POINTER;
  DISPID member = DISPID_UNKNOWN;
  if (HRESULT status = object->GetIDsOfNames(to_automation_string(name), &member); FAILED(status)) {
    return status;
  }
  std::vector<const VARIANT*> values;
  values.reserve(arguments.size());
  for (const AutomationArg& argument : arguments) values.push_back(&argument.variant());
  const HRESULT status = object->Invoke(member, flags, values, result);
  if (FAILED(status) && result != nullptr) result->clear();
  return status;
}

}  // namespace

AutomationArg::AutomationArg(const Text& value)
    : owned_(VARIANT::from_string(to_automation_string(value))) {}

bool automation_create(AutomationRef& slot, const Text& prog_id) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(to_automation_string(prog_id), &clsid))) return false;
  ComPtr<IDispatch> object;
  if (FAILED(CoCreateInstance(clsid, &object))) return false;
  slot.hold(std::move(object));
  return true;
}

bool automation_set(const AutomationRef& slot, const Text& name, const AutomationArg& value) {
  return SUCCEEDED(invoke(slot, name, DISPATCH_PROPERTYPUT, {&value, 1}, nullptr));
}

VARIANT automation_get(const AutomationRef& slot, const Text& name,
                       const std::optional<AutomationArg>& argument) {
  VARIANT value;
  std::span<const AutomationArg> arguments;
  if (argument) arguments = {&*argument, 1};
  invoke(slot, name, DISPATCH_PROPERTYGET, arguments, &value);
  return value;
}

Text automation_get_text(const AutomationRef& slot, const Text& name,
                         const std::optional<AutomationArg>& argument) {
  return variant_text(automation_get(slot, name, argument));
}

double automation_get_number(const AutomationRef& slot, const Text& name,
                             const std::optional<AutomationArg>& argument) {
  const VARIANT value = automation_get(slot, name, argument);
  VARIANT number;
  if (FAILED(VariantChangeType(&number, &value, 0, VT_R8))) return 0;
  return *number.as_double();
}

AutomationRef automation_get_object(const AutomationRef& slot, const Text& name,
                                    const std::optional<AutomationArg>& argument) {
  return variant_object(automation_get(slot, name, argument));
}

VARIANT automation_invoke(const AutomationRef& slot, const Text& name,
                          std::span<const AutomationArg> arguments) {
  VARIANT result;
  invoke(slot, name, DISPATCH_METHOD, arguments, &result);
  return result;
}

void automation_release(AutomationRef& slot) {
  slot.hold(ComPtr<IDispatch>());
}

void automation_copy(AutomationRef& target, const AutomationRef& source) {
  target.hold(ComPtr<IDispatch>::share(source.get()));
}

bool automation_is_empty(const AutomationRef& slot) {
  return slot.get() == nullptr;
}

void variant_assign(VARIANT& variant, const Text& text) {
  variant = VARIANT::from_string(to_automation_string(text));
}

void variant_assign(VARIANT& variant, const Bytes& bytes) {
  variant = VARIANT::from_bytes(bytes);
}

Text variant_text(const VARIANT& variant) {
  if (const std::u16string* string = variant.as_string()) return from_automation_string(*string);
  VARIANT text;
  if (FAILED(VariantChangeType(&text, &variant, 0, VT_BSTR))) return {};
  return from_automation_string(*text.as_string());
}

void variant_copy(VARIANT& target, const VARIANT& source) {
  VariantCopy(&target, &source);
}

void variant_clear(VARIANT& variant) {
  VariantClear(&variant);
}

AutomationRef variant_object(const VARIANT& variant) {
  AutomationRef slot;
  slot.hold(ComPtr<IDispatch>::share(variant.as_object()));
  return slot;
}
