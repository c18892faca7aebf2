#include "platform/com/dispatch.h"

#include <atomic>

#include "platform/com/hresult.h"

namespace {
std::atomic<std::int64_t> live_objects{0};

char16_t fold_ascii(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}
}  // namespace

bool names_equal(std::u16string_view first, std::u16string_view second) {
  if (first.size() != second.size()) return false;
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (fold_ascii(first[i]) != fold_ascii(second[i])) return false;
  }
  return true;
}

std::int64_t live_object_count() {
  return live_objects.load();
}

DispatchObject::DispatchObject() {
  ++live_objects;
}

DispatchObject::~DispatchObject() {
  --live_objects;
}

ULONG DispatchObject::AddRef() {
  return ++references_;
}

ULONG DispatchObject::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT DispatchObject::GetIDsOfNames(std::u16string_view name, DISPID* member) {
  if (member == nullptr) return E_POINTER;
  for (const DispatchMember& candidate : members()) {
    if (names_equal(candidate.name, name)) {
      *member = candidate.id;
      return S_OK;
    }
  }
  *member = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}
