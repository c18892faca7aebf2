#include "tests/platform/com/dispatch_helpers.h"

#include <vector>

#include "platform/com/hresult.h"
#include "platform/com/registry.h"

namespace {
CallResult invoke(IDispatch* object, const std::u16string& name, WORD flags,
                  std::initializer_list<VARIANT> arguments) {
  CallResult result{E_POINTER, VARIANT()};
  if (object == nullptr) return result;
  DISPID member = DISPID_UNKNOWN;
  result.status = object->GetIDsOfNames(name, &member);
  if (FAILED(result.status)) return result;
  std::vector<const VARIANT*> pointers;
  for (const VARIANT& argument : arguments) pointers.push_back(&argument);
  result.status = object->Invoke(member, flags, pointers, &result.value);
  return result;
}
}  // namespace

CallResult dispatch_get(IDispatch* object, const std::u16string& name,
                        std::initializer_list<VARIANT> arguments) {
  return invoke(object, name, DISPATCH_PROPERTYGET, arguments);
}

HRESULT dispatch_put(IDispatch* object, const std::u16string& name, const VARIANT& value) {
  return invoke(object, name, DISPATCH_PROPERTYPUT, {value}).status;
}

CallResult dispatch_call(IDispatch* object, const std::u16string& name,
                         std::initializer_list<VARIANT> arguments) {
  return invoke(object, name, DISPATCH_METHOD, arguments);
}

ComPtr<IDispatch> create_object(const std::u16string& prog_id) {
  CLSID clsid;
  ComPtr<IDispatch> object;
  if (SUCCEEDED(CLSIDFromProgID(prog_id, &clsid))) CoCreateInstance(clsid, &object);
  return object;
}
