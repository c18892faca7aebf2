#pragma once
// A fixture for tests of the web path: each test ends with no open HTTP handle, no live
// automation object and the thread's automation initialisations back where they were.
#include <gtest/gtest.h>

#include "platform/com/com_init.h"
#include "platform/com/dispatch.h"
#include "platform/winhttp/winhttp.h"
#include "web/event_pump.h"

class BalancedWebTest : public ::testing::Test {
 protected:
  void SetUp() override { initialisations_ = com_initialization_count(); }
  void TearDown() override {
    set_event_pump(nullptr);
    EXPECT_EQ(winhttp_open_handle_count(), 0);
    EXPECT_EQ(live_object_count(), 0);
    EXPECT_EQ(com_initialization_count(), initialisations_);
  }

 private:
  int initialisations_ = 0;
};
