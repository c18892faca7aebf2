#pragma once
// A stand-in component that accepts every property write and method call and records it,
// so a test can see exactly what a caller handed the component.
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/registry.h"

struct RecordedCall {
  std::u16string member;
  WORD flags;
  std::vector<std::u16string> arguments;  // each in the standard string conversion
  friend bool operator==(const RecordedCall&, const RecordedCall&) = default;
};

// Registers the recording component under `prog_id` for the guard's life; calls on every
// instance go to `log`. Its methods return nothing (an empty VARIANT).
class ScopedRecordingComponent {
 public:
  ScopedRecordingComponent(std::u16string prog_id, std::vector<RecordedCall>& log);

 private:
  ScopedClassRegistration registration_;
};
