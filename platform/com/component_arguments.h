#pragma once
// Argument handling shared by the runtime's components: each argument is converted with
// the standard conversion, so a caller may pass "1", 1 or 1.0 where a number is wanted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

// DISP_E_BADPARAMCOUNT unless exactly `count` arguments came.
HRESULT expect_arguments(DispatchArguments arguments, std::size_t count);

HRESULT argument_int32(DispatchArguments arguments, std::size_t index, std::int32_t& value);
HRESULT argument_bool(DispatchArguments arguments, std::size_t index, bool& value);
HRESULT argument_string(DispatchArguments arguments, std::size_t index, std::u16string& value);

// Stores `value` where the caller asked for a result (`result` may be null).
HRESULT give_result(VARIANT* result, VARIANT value);
