#include "platform/com/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/com/hresult.h"

VARIANT::VARIANT(VARIANT&& other) noexcept : value_(std::move(other.value_)) {
  other.clear();
}

VARIANT& VARIANT::operator=(VARIANT&& other) noexcept {
  if (this != &other) {
    value_ = std::move(other.value_);
    other.clear();
  }
  return *this;
}

VARIANT VARIANT::from_bool(bool value) {
  VARIANT variant;
  variant.value_ = value;
  return variant;
}

VARIANT VARIANT::from_int32(std::int32_t value) {
  VARIANT variant;
  variant.value_ = value;
  return variant;
}

VARIANT VARIANT::from_double(double value) {
  VARIANT variant;
  variant.value_ = value;
  return variant;
}

VARIANT VARIANT::from_string(std::u16string value) {
  VARIANT variant;
  variant.value_ = std::move(value);
  return variant;
}

VARIANT VARIANT::from_object(ComPtr<IDispatch> object) {
  VARIANT variant;
  if (object) variant.value_ = std::move(object);
  return variant;
}

VARIANT VARIANT::from_bytes(std::vector<std::uint8_t> bytes) {
  VARIANT variant;
  variant.value_ = std::move(bytes);
  return variant;
}

VARTYPE VARIANT::vt() const {
  static constexpr VARTYPE kinds[] = {VT_EMPTY,
                                      VT_BOOL,
                                      VT_I4,
                                      VT_R8,
                                      VT_BSTR,
                                      VT_DISPATCH,
                                      static_cast<VARTYPE>(VT_ARRAY | VT_UI1)};
  return kinds[value_.index()];
}

IDispatch* VARIANT::as_object() const {
  const ComPtr<IDispatch>* object = std::get_if<ComPtr<IDispatch>>(&value_);
  return object != nullptr ? object->get() : nullptr;
}

HRESULT VariantClear(VARIANT* variant) {
  if (variant == nullptr) return E_POINTER;
  variant->clear();
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  *target = *source;
  return S_OK;
}

namespace {

std::u16string widen_ascii(const char* ascii) {
  std::u16string wide;
  for (; *ascii != '\0'; ++ascii) wide.push_back(static_cast<char16_t>(*ascii));
  return wide;
}

std::u16string number_to_string(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return widen_ascii(buffer);
}

// The string as ASCII without surrounding spaces; false when it holds anything else.
bool trimmed_ascii(const std::u16string& text, std::string& ascii) {
  std::size_t begin = text.find_first_not_of(u' ');
  std::size_t end = text.find_last_not_of(u' ');
  ascii.clear();
  if (begin == std::u16string::npos) return true;
  for (std::size_t i = begin; i <= end; ++i) {
    if (text[i] >= 0x80) return false;
    ascii.push_back(static_cast<char>(text[i]));
  }
  return true;
}

bool string_to_number(const std::u16string& text, double& number) {
  std::string ascii;
  if (!trimmed_ascii(text, ascii) || ascii.empty()) return false;
  char* end = nullptr;
  number = std::strtod(ascii.c_str(), &end);
  return end == ascii.c_str() + ascii.size() && std::isfinite(number);
}

bool to_double(const VARIANT& source, double& number) {
  if (source.vt() == VT_EMPTY) {
    number = 0;
  } else if (const bool* flag = source.as_bool()) {
    number = *flag ? -1 : 0;
  } else if (const std::int32_t* integer = source.as_int32()) {
    number = *integer;
  } else if (const double* real = source.as_double()) {
    number = *real;
  } else if (const std::u16string* text = source.as_string()) {
    return string_to_number(*text, number);
  } else {
    return false;
  }
  return true;
}

HRESULT to_string(const VARIANT& source, VARIANT& target) {
  if (source.vt() == VT_EMPTY) {
    target = VARIANT::from_string(u"");
  } else if (const bool* flag = source.as_bool()) {
    target = VARIANT::from_string(*flag ? u"-1" : u"0");
  } else if (const std::int32_t* integer = source.as_int32()) {
    target = VARIANT::from_string(widen_ascii(std::to_string(*integer).c_str()));
  } else if (const double* real = source.as_double()) {
    target = VARIANT::from_string(number_to_string(*real));
  } else if (const std::u16string* text = source.as_string()) {
    target = VARIANT::from_string(*text);
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT to_int32(const VARIANT& source, VARIANT& target) {
  double number = 0;
  if (!to_double(source, number)) return DISP_E_TYPEMISMATCH;
  // Halves round to even, as the platform rounds.
  const double rounded = std::nearbyint(number);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    return DISP_E_OVERFLOW;
  }
  target = VARIANT::from_int32(static_cast<std::int32_t>(rounded));
  return S_OK;
}

HRESULT to_bool(const VARIANT& source, VARIANT& target) {
  if (const std::u16string* text = source.as_string()) {
    if (names_equal(*text, u"True")) {
      target = VARIANT::from_bool(true);
      return S_OK;
    }
    if (names_equal(*text, u"False")) {
      target = VARIANT::from_bool(false);
      return S_OK;
    }
  }
  double number = 0;
  if (!to_double(source, number)) return DISP_E_TYPEMISMATCH;
  target = VARIANT::from_bool(number != 0);
  return S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, USHORT /*flags*/, VARTYPE vt) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  VARIANT converted;
  HRESULT result = DISP_E_TYPEMISMATCH;
  switch (vt) {
    case VT_BSTR:
      result = to_string(*source, converted);
      break;
    case VT_R8: {
      double number = 0;
      if (to_double(*source, number)) {
        converted = VARIANT::from_double(number);
        result = S_OK;
      }
      break;
    }
    case VT_I4:
      result = to_int32(*source, converted);
      break;
    case VT_BOOL:
      result = to_bool(*source, converted);
      break;
    default:
      break;
  }
  if (SUCCEEDED(result)) *target = std::move(converted);
  return result;
}
