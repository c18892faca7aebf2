#include "platform/com/component_arguments.h"

#include "platform/com/hresult.h"

namespace {
HRESULT convert_argument(DispatchArguments arguments, std::size_t index, VARTYPE vt,
                         VARIANT& converted) {
  if (index >= arguments.size() || arguments[index] == nullptr) return DISP_E_BADPARAMCOUNT;
  return VariantChangeType(&converted, arguments[index], 0, vt);
}
}  // namespace

HRESULT expect_arguments(DispatchArguments arguments, std::size_t count) {
  return arguments.size() == count ? S_OK : DISP_E_BADPARAMCOUNT;
}

HRESULT argument_int32(DispatchArguments arguments, std::size_t index, std::int32_t& value) {
  VARIANT converted;
  const HRESULT result = convert_argument(arguments, index, VT_I4, converted);
  if (SUCCEEDED(result)) value = *converted.as_int32();
  return result;
}

HRESULT argument_bool(DispatchArguments arguments, std::size_t index, bool& value) {
  VARIANT converted;
  const HRESULT result = convert_argument(arguments, index, VT_BOOL, converted);
  if (SUCCEEDED(result)) value = *converted.as_bool();
  return result;
}

HRESULT argument_string(DispatchArguments arguments, std::size_t index, std::u16string& value) {
  VARIANT converted;
  const HRESULT result = convert_argument(arguments, index, VT_BSTR, converted);
  if (SUCCEEDED(result)) value = *converted.as_string();
  return result;
}

HRESULT give_result(VARIANT* result, VARIANT value) {
  if (result != nullptr) *result = std::move(value);
  return S_OK;
}
