#pragma once
// Late-bound automation objects: reference counted, reached by member name.
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/base/win_types.h"

using WORD = std::uint16_t;
using ULONG = std::uint32_t;
using DISPID = std::int32_t;

inline constexpr DISPID DISPID_UNKNOWN = -1;

// How a member is reached: as a method, a property read or a property write.
inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;

class VARIANT;

// The arguments of one call, in the order the caller wrote them; for a property write the
// new value is the last one. The caller keeps ownership of the values.
using DispatchArguments = std::span<const VARIANT* const>;

class IDispatch {
 public:
  virtual ULONG AddRef() = 0;
  // Frees the object when the last reference is given back.
  virtual ULONG Release() = 0;
  // The member's id; names compare without regard to ASCII case. DISP_E_UNKNOWNNAME when
  // there is no such member.
  virtual HRESULT GetIDsOfNames(std::u16string_view name, DISPID* member) = 0;
  // `result` may be null when the caller does not want one; on failure it is left empty.
  virtual HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments,
                         VARIANT* result) = 0;

 protected:
  virtual ~IDispatch() = default;
};

// One counted reference to an object, given back when the pointer is destroyed or reset.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds (for example a freshly made object).
  static ComPtr attach(T* object) {
    ComPtr pointer;
    pointer.object_ = object;
    return pointer;
  }
  // A reference of its own to an object that someone else holds.
  static ComPtr share(T* object) {
    ComPtr pointer;
    pointer.object_ = object;
    pointer.add_ref();
    return pointer;
  }
  ComPtr(const ComPtr& other) : object_(other.object_) { add_ref(); }
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  requires std::is_convertible_v<U*, T*> ComPtr(ComPtr<U> other) : object_(other.detach()) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() noexcept {
    if (T* old = std::exchange(object_, nullptr)) old->Release();
  }
  // Hands the reference to the caller.
  T* detach() noexcept { return std::exchange(object_, nullptr); }
  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  void add_ref() const {
    if (object_ != nullptr) object_->AddRef();
  }
  T* object_ = nullptr;
};

// A member name and its id, as an object lists them.
struct DispatchMember {
  std::u16string_view name;
  DISPID id;
};

// Base of the runtime's objects: reference counting, name lookup over a member table, and
// the count of live objects.
class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetIDsOfNames(std::u16string_view name, DISPID* member) override;

 protected:
  DispatchObject();
  ~DispatchObject() override;
  virtual std::span<const DispatchMember> members() const = 0;

 private:
  ULONG references_ = 1;
};

// A new object of type T holding its first reference.
template <class T, class... Args>
ComPtr<T> make_dispatch(Args&&... args) {
  return ComPtr<T>::attach(new T(std::forward<Args>(args)...));
}

// How many objects of the runtime exist in the process right now.
std::int64_t live_object_count();

// Equality of names without regard to ASCII case, as member and class names compare.
bool names_equal(std::u16string_view first, std::u16string_view second);
