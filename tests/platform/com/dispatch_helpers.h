#pragma once
// Late-bound calls written the way a script reaches a component, for the component tests.
#include <initializer_list>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

struct CallResult {
  HRESULT status;
  VARIANT value;
};

CallResult dispatch_get(IDispatch* object, const std::u16string& name,
                        std::initializer_list<VARIANT> arguments = {});
HRESULT dispatch_put(IDispatch* object, const std::u16string& name, const VARIANT& value);
CallResult dispatch_call(IDispatch* object, const std::u16string& name,
                         std::initializer_list<VARIANT> arguments = {});

// Creates a registered class on a thread that has initialised the runtime.
ComPtr<IDispatch> create_object(const std::u16string& prog_id);

// Short makers for argument lists.
inline VARIANT str(std::u16string text) {
  return VARIANT::from_string(std::move(text));
}
inline VARIANT i4(std::int32_t value) {
  return VARIANT::from_int32(value);
}
inline VARIANT boolean(bool value) {
  return VARIANT::from_bool(value);
}
