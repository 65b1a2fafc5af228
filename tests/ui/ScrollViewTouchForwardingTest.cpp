#include "platform/foundation/RunLoop.h"
#include "platform/kit/Application.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/Touch.h"
#include "platform/kit/Window.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Screens close the keyboard and end editing from their own touch handlers,
// so touches that land on a list or a scrolling form must still reach the
// views and the screen above it.
namespace {

class TouchLog : public kit::View {
public:
    using View::View;
    void touchesBegan(const kit::Touch&) override { phases.push_back("began"); }
    void touchesMoved(const kit::Touch&) override { phases.push_back("moved"); }
    void touchesEnded(const kit::Touch&) override { phases.push_back("ended"); }
    std::vector<std::string> phases;
};

class ScrollViewTouchForwardingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        kit::Application::launch(nullptr);
        window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
        window->makeKeyAndVisible();
        root = std::make_shared<TouchLog>(window->bounds());
        window->addSubview(root);
    }

    void TearDown() override
    {
        window.reset();
        kit::Application::terminate();
        foundation::RunLoop::main().reset();
    }

    void swipe(graphics::Point from, graphics::Point to)
    {
        window->touchDown(from);
        window->touchMove(to);
        window->touchUp(to);
    }

    std::shared_ptr<kit::Window> window;
    std::shared_ptr<TouchLog> root;
};

TEST_F(ScrollViewTouchForwardingTest, touches_on_a_scroll_view_reach_the_view_that_holds_it)
{
    auto scroll = std::make_shared<kit::ScrollView>(graphics::Rect(0, 100, 320, 300));
    scroll->setContentSize({ 320, 900 });
    root->addSubview(scroll);
    swipe({ 160, 200 }, { 160, 180 });
    EXPECT_EQ(root->phases, (std::vector<std::string> { "began", "moved", "ended" }));
}

TEST_F(ScrollViewTouchForwardingTest, touches_on_an_empty_part_of_a_list_reach_the_view_that_holds_it)
{
    auto table = std::make_shared<kit::TableView>(graphics::Rect(0, 100, 320, 300));
    root->addSubview(table);
    foundation::RunLoop::main().runUntilIdle();
    swipe({ 160, 200 }, { 160, 210 });
    EXPECT_EQ(root->phases, (std::vector<std::string> { "began", "moved", "ended" }));
}

} // namespace
