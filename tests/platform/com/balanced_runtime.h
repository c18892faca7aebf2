#pragma once
// A fixture that checks each test gives back every automation object and initialisation.
#include <gtest/gtest.h>

#include "platform/com/com_init.h"
#include "platform/com/dispatch.h"

class BalancedRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    objects_before_ = live_object_count();
    initializations_before_ = com_initialization_count();
  }
  void TearDown() override {
    EXPECT_EQ(live_object_count(), objects_before_) << "automation objects leaked";
    EXPECT_EQ(com_initialization_count(), initializations_before_)
        << "initialisations not balanced";
  }

 private:
  std::int64_t objects_before_ = 0;
  int initializations_before_ = 0;
};

// Holds one initialisation of the runtime for a scope.
class ScopedCoInitialize {
 public:
  ScopedCoInitialize() { CoInitialize(nullptr); }
  ~ScopedCoInitialize() { CoUninitialize(); }
  ScopedCoInitialize(const ScopedCoInitialize&) = delete;
  ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;
};
