#pragma once
// The automation value. A VARIANT owns what it holds: a copy is independent (an object
// reference is counted once more), and clearing or destroying it gives the content back.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/com/dispatch.h"

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using USHORT = std::uint16_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_ARRAY = 0x2000;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class VARIANT {
 public:
  VARIANT() = default;
  VARIANT(const VARIANT&) = default;
  VARIANT& operator=(const VARIANT&) = default;
  // A moved-from VARIANT is empty.
  VARIANT(VARIANT&& other) noexcept;
  VARIANT& operator=(VARIANT&& other) noexcept;
  ~VARIANT() = default;

  static VARIANT from_bool(bool value);
  static VARIANT from_int32(std::int32_t value);
  static VARIANT from_double(double value);
  static VARIANT from_string(std::u16string value);
  // A null object gives an empty VARIANT.
  static VARIANT from_object(ComPtr<IDispatch> object);
  // A one-dimensional array of unsigned bytes (VT_ARRAY | VT_UI1).
  static VARIANT from_bytes(std::vector<std::uint8_t> bytes);

  VARTYPE vt() const;

  // The content when it is of that kind, else null.
  const bool* as_bool() const { return std::get_if<bool>(&value_); }
  const std::int32_t* as_int32() const { return std::get_if<std::int32_t>(&value_); }
  const double* as_double() const { return std::get_if<double>(&value_); }
  const std::u16string* as_string() const { return std::get_if<std::u16string>(&value_); }
  const std::vector<std::uint8_t>* as_bytes() const {
    return std::get_if<std::vector<std::uint8_t>>(&value_);
  }
  IDispatch* as_object() const;

  void clear() noexcept { value_ = std::monostate{}; }

 private:
  std::variant<std::monostate, bool, std::int32_t, double, std::u16string, ComPtr<IDispatch>,
               std::vector<std::uint8_t>>
      value_;
};

// Gives back the content; the VARIANT is empty afterwards.
HRESULT VariantClear(VARIANT* variant);
// `target` becomes an independent copy of `source`.
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// The standard conversion of `source` to the kind `vt` (VT_BSTR, VT_R8, VT_I4 or VT_BOOL)
// into `target`, which may be `source` itself. To a string: empty gives "", a boolean "0"
// for false and "-1" for true, numbers their plain decimal form (at most 15 significant
// digits). From a string: a decimal number with optional surrounding spaces, or for
// VT_BOOL also "True"/"False". Objects and byte arrays convert to nothing
// (DISP_E_TYPEMISMATCH); `target` is unchanged on failure. `flags` is not used.
HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, USHORT flags, VARTYPE vt);
