#pragma once
// The classes that can be created by programmatic identifier. The runtime's own components
// ("VBScript.RegExp", "Adodb.Stream") are always registered; a later registration under
// the same identifier hides an earlier one until it is withdrawn.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/com/dispatch.h"

struct CLSID {
  std::uint32_t value = 0;
  friend bool operator==(const CLSID&, const CLSID&) = default;
};

// Makes a new instance holding its first reference; a null result means the instance
// could not be made.
using ClassFactory = std::function<ComPtr<IDispatch>()>;

// The class registered under `prog_id` (ASCII case ignored); CO_E_CLASSSTRING when none.
HRESULT CLSIDFromProgID(std::u16string_view prog_id, CLSID* clsid);

// A new instance of the class. CO_E_NOTINITIALIZED on a thread that has not initialised
// the runtime, REGDB_E_CLASSNOTREG for an unknown class, E_FAIL when the factory makes
// nothing.
HRESULT CoCreateInstance(const CLSID& clsid, ComPtr<IDispatch>* object);

// Registers a class for as long as the guard lives.
class ScopedClassRegistration {
 public:
  ScopedClassRegistration(std::u16string prog_id, ClassFactory factory);
  ~ScopedClassRegistration();
  ScopedClassRegistration(const ScopedClassRegistration&) = delete;
  ScopedClassRegistration& operator=(const ScopedClassRegistration&) = delete;

  CLSID clsid() const { return clsid_; }

 private:
  CLSID clsid_;
};
