#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/VirtualClock.h"
#include "platform/graphics/FakeTextMeasurer.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/Application.h"
#include "platform/kit/Window.h"

#include <gtest/gtest.h>
#include <memory>

// A 320 x 480 window of a running application on the virtual clock, with
// the deterministic text measurer so sizes are exact.
class HudTestFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        graphics::TextMeasurer::setShared(std::make_shared<graphics::FakeTextMeasurer>());
        kit::Application::launch(nullptr);
        window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 480));
        window->makeKeyAndVisible();
    }

    void TearDown() override
    {
        window.reset();
        kit::Application::terminate();
        foundation::RunLoop::main().reset();
        graphics::TextMeasurer::setShared(nullptr);
    }

    static void advance(double seconds) { foundation::RunLoop::main().advance(seconds); }
    static void runUntilIdle() { foundation::RunLoop::main().runUntilIdle(); }

    std::shared_ptr<kit::Window> window;
};
