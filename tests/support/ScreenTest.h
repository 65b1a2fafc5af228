#pragma once

#include "support/ScreenHarness.h"

#include <gtest/gtest.h>

namespace support {

// The fixture for screen tests: a fresh harness per test.
class ScreenTest : public ::testing::Test {
protected:
    ScreenHarness harness;
};

} // namespace support
