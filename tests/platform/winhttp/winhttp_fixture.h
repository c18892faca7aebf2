#pragma once
// Every test of the layer ends with all of its handles closed, and trusts the test CA.
#include <gtest/gtest.h>

#include "platform/winhttp/winhttp.h"
#include "platform/winhttp/winhttp_testing.h"
#include "tests/support/test_certificates.h"

class WinHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winhttp_trust_extra_ca_file(test_support::test_certificates().ca_certificate);
  }
  void TearDown() override { EXPECT_EQ(winhttp_open_handle_count(), 0); }
};
