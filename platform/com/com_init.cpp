#include "platform/com/com_init.h"

#include "platform/com/hresult.h"

namespace {
thread_local int initialization_count = 0;
}

HRESULT CoInitialize(void* reserved) {
  if (reserved != nullptr) return E_INVALIDARG;
  return initialization_count++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (initialization_count > 0) --initialization_count;
}

HRESULT OleInitialize(void* reserved) {
  return CoInitialize(reserved);
}

void OleUninitialize() {
  CoUninitialize();
}

int com_initialization_count() {
  return initialization_count;
}
