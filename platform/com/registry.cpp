#include "platform/com/registry.h"

#include <mutex>
#include <vector>

#include "platform/com/com_init.h"
#include "platform/com/hresult.h"
#include "platform/com/regexp_component.h"
#include "platform/com/stream_component.h"

namespace {

struct RegisteredClass {
  std::u16string prog_id;
  CLSID clsid;
  ClassFactory factory;
};

class ClassTable {
 public:
  ClassTable() {
    add(u"VBScript.RegExp", create_regexp_component);
    add(u"Adodb.Stream", create_stream_component);
  }

  CLSID add(std::u16string prog_id, ClassFactory factory) {
    std::lock_guard lock(mutex_);
    const CLSID clsid{++last_clsid_};
    classes_.push_back({std::move(prog_id), clsid, std::move(factory)});
    return clsid;
  }

  void remove(CLSID clsid) {
    std::lock_guard lock(mutex_);
    std::erase_if(classes_, [&](const RegisteredClass& entry) { return entry.clsid == clsid; });
  }

  bool find(std::u16string_view prog_id, CLSID& clsid) {
    std::lock_guard lock(mutex_);
    // The latest registration wins, so a test class can stand in for a component.
    for (auto entry = classes_.rbegin(); entry != classes_.rend(); ++entry) {
      if (names_equal(entry->prog_id, prog_id)) {
        clsid = entry->clsid;
        return true;
      }
    }
    return false;
  }

  bool factory(CLSID clsid, ClassFactory& factory) {
    std::lock_guard lock(mutex_);
    for (const RegisteredClass& entry : classes_) {
      if (entry.clsid == clsid) {
        factory = entry.factory;
        return true;
      }
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::uint32_t last_clsid_ = 0;
  std::vector<RegisteredClass> classes_;
};

ClassTable& class_table() {
  static ClassTable table;
  return table;
}

}  // namespace

HRESULT CLSIDFromProgID(std::u16string_view prog_id, CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  return class_table().find(prog_id, *clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CoCreateInstance(const CLSID& clsid, ComPtr<IDispatch>* object) {
  if (object == nullptr) return E_POINTER;
  object->reset();
  if (com_initialization_count() == 0) return CO_E_NOTINITIALIZED;
  ClassFactory factory;
  if (!class_table().factory(clsid, factory)) return REGDB_E_CLASSNOTREG;
  // The factory runs outside the table's lock, so it may itself create objects.
  *object = factory();
  return *object ? S_OK : E_FAIL;
}

ScopedClassRegistration::ScopedClassRegistration(std::u16string prog_id, ClassFactory factory)
    : clsid_(class_table().add(std::move(prog_id), std::move(factory))) {}

ScopedClassRegistration::~ScopedClassRegistration() {
  class_table().remove(clsid_);
}
