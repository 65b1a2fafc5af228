#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/VirtualClock.h"

#include <gtest/gtest.h>
#include <memory>

// Every test starts on a fresh virtual clock with an empty main loop, and leaves
// nothing behind for the next one.
class VirtualLoopTest : public ::testing::Test {
protected:
    void SetUp() override { m_clock = foundation::RunLoop::main().useVirtualClock(); }
    void TearDown() override { foundation::RunLoop::main().reset(); }

    foundation::RunLoop& loop() { return foundation::RunLoop::main(); }
    double now() { return loop().now(); }

    std::shared_ptr<foundation::VirtualClock> m_clock;
};
