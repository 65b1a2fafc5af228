#include "platform/graphics/Image.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/ViewController.h"
#include "platform/kit/Window.h"
#include "support/ScreenTest.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using graphics::Rect;
using kit::Button;
using kit::ControlEvent;
using kit::ControlState;

namespace {

struct Screen {
    std::vector<std::string> calls;
    void ok() { calls.push_back("ok"); }
    void withSender(kit::Control& sender) { calls.push_back("sender " + std::to_string(sender.tag())); }
};

class ControlTest : public support::ScreenTest {
protected:
    std::shared_ptr<Button> addButton(const std::string& title, Rect frame)
    {
        auto button = Button::buttonWithType(kit::ButtonType::Custom);
        button->setFrame(frame);
        button->setTitle(title, ControlState::Normal);
        harness.window()->addSubview(button);
        return button;
    }
};

} // namespace

TEST_F(ControlTest, TouchesBecomeDownAndUpInsideOrOutside)
{
    auto button = addButton("确定", { 10, 10, 100, 40 });
    std::vector<std::string> events;
    button->addAction([&](kit::Control&) { events.push_back("down"); }, ControlEvent::TouchDown);
    button->addAction([&](kit::Control&) { events.push_back("inside"); }, ControlEvent::TouchUpInside);
    button->addAction([&](kit::Control&) { events.push_back("outside"); }, ControlEvent::TouchUpOutside);

    EXPECT_TRUE(harness.tapTitle("确定"));
    EXPECT_EQ(events, (std::vector<std::string> { "down", "inside" }));
    EXPECT_FALSE(button->isHighlighted());

    events.clear();
    EXPECT_TRUE(harness.tapAndSlideOff(*button));
    EXPECT_EQ(events, (std::vector<std::string> { "down", "outside" }));
}

TEST_F(ControlTest, DisabledControlLetsTheTouchFallThrough)
{
    auto under = addButton("under", { 0, 0, 200, 200 });
    auto button = addButton("确定", { 10, 10, 100, 40 });
    int underTaps = 0;
    int taps = 0;
    under->addAction([&](kit::Control&) { ++underTaps; }, ControlEvent::TouchUpInside);
    button->addAction([&](kit::Control&) { ++taps; }, ControlEvent::TouchUpInside);
    button->setEnabled(false);

    harness.window()->touchDown({ 50, 30 });
    harness.window()->touchUp({ 50, 30 });
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(underTaps, 1);
}

TEST_F(ControlTest, TargetsAreHeldWeaklyAndGoneTargetsAreSkipped)
{
    auto button = addButton("确定", { 10, 10, 100, 40 });
    button->setTag(3);
    auto screen = std::make_shared<Screen>();
    button->addTarget(screen, &Screen::ok, ControlEvent::TouchUpInside);
    button->addTarget(screen, &Screen::withSender, ControlEvent::TouchUpInside);
    std::weak_ptr<Screen> weak = screen;

    button->sendActionsForControlEvents(ControlEvent::TouchUpInside);
    EXPECT_EQ(screen->calls, (std::vector<std::string> { "ok", "sender 3" }));

    screen.reset();
    EXPECT_TRUE(weak.expired());
    button->sendActionsForControlEvents(ControlEvent::TouchUpInside);
}

TEST_F(ControlTest, ActionMayRemoveActionsAndDropTheControl)
{
    auto button = addButton("确定", { 10, 10, 100, 40 });
    auto target = std::make_shared<int>(0);
    int second = 0;
    button->addTarget(
        target,
        [&](kit::Control& sender) {
            sender.removeTarget(nullptr);
            sender.removeFromSuperview();
            button.reset();
        },
        ControlEvent::TouchUpInside);
    button->addAction([&](kit::Control&) { ++second; }, ControlEvent::TouchUpInside);
    std::weak_ptr<Button> weak = button;

    harness.window()->touchDown({ 50, 30 });
    harness.window()->touchUp({ 50, 30 });
    // The snapshot still runs the second action; then the button is gone.
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(weak.expired());
}

TEST_F(ControlTest, RemoveTargetOnlyDropsThatTargetsEvents)
{
    auto button = addButton("确定", { 10, 10, 100, 40 });
    auto a = std::make_shared<Screen>();
    auto b = std::make_shared<Screen>();
    button->addTarget(a, &Screen::ok, ControlEvent::TouchUpInside | ControlEvent::TouchDown);
    button->addTarget(b, &Screen::ok, ControlEvent::TouchUpInside);
    button->removeTarget(a, ControlEvent::TouchUpInside);
    button->sendActionsForControlEvents(ControlEvent::TouchUpInside);
    button->sendActionsForControlEvents(ControlEvent::TouchDown);
    EXPECT_EQ(a->calls.size(), 1u);
    EXPECT_EQ(b->calls.size(), 1u);
}

TEST_F(ControlTest, ButtonStatesFallBackToNormal)
{
    auto button = addButton("返回", { 0, 0, 60, 44 });
    button->setTitleColor(graphics::Color::white(), ControlState::Normal);
    button->setTitleColor(graphics::Color::fromRgb24(0xDEDEDE), ControlState::Highlighted);
    auto image = graphics::Image::fromColor(graphics::Color::redColor());
    button->setBackgroundImage(image, ControlState::Normal);

    EXPECT_EQ(button->titleForState(ControlState::Disabled), "返回");
    EXPECT_EQ(button->backgroundImageForState(ControlState::Highlighted), image);
    EXPECT_EQ(button->imageForState(ControlState::Selected), nullptr);

    // The title label shows the current state, including while pressed.
    button->setHighlighted(true);
    EXPECT_EQ(button->titleLabel()->textColor(), graphics::Color::fromRgb24(0xDEDEDE));
    button->setHighlighted(false);
    EXPECT_EQ(button->titleLabel()->textColor(), graphics::Color::white());
    button->setTitle(std::nullopt, ControlState::Normal);
    EXPECT_EQ(button->currentTitle(), std::nullopt);
    EXPECT_TRUE(button->titleLabel()->isHidden());
}

TEST_F(ControlTest, ButtonImageEdgeInsetsShiftTheImage)
{
    auto button = addButton("返回", { 0, 0, 60, 44 });
    auto icon = graphics::Image::fromColor(graphics::Color::white(), { 12, 20 });
    button->setImage(icon, ControlState::Normal);
    harness.runUntilIdle();
    double plainX = button->imageView()->frame().x();
    button->setImageEdgeInsets({ 0, -8, 0, 0 });
    harness.runUntilIdle();
    EXPECT_DOUBLE_EQ(button->imageView()->frame().x(), plainX - 8);
}

TEST_F(ControlTest, HarnessRefusesTapsOnCoveredOrHiddenViews)
{
    auto button = addButton("确定", { 10, 10, 100, 40 });
    int taps = 0;
    button->addAction([&](kit::Control&) { ++taps; }, ControlEvent::TouchUpInside);
    auto cover = std::make_shared<kit::View>(Rect(0, 0, 320, 100));
    harness.window()->addSubview(cover);

    EXPECT_NONFATAL_FAILURE(harness.tap(*button), "lands on another view");
    cover->removeFromSuperview();
    button->setHidden(true);
    EXPECT_NONFATAL_FAILURE(harness.tap(*button), "not shown");
    EXPECT_EQ(taps, 0);
}

TEST_F(ControlTest, UnhandledTouchesClimbToTheScreen)
{
    struct TouchScreen : kit::ViewController {
        int touches = 0;
        void touchesEnded(const kit::Touch&) override { ++touches; }
    };
    auto screen = std::make_shared<TouchScreen>();
    harness.show(screen);
    auto plain = std::make_shared<kit::View>(Rect(0, 100, 320, 100));
    plain->setName("panel");
    screen->view()->addSubview(plain);

    EXPECT_TRUE(harness.tap("panel"));
    EXPECT_EQ(screen->touches, 1);
}

TEST_F(ControlTest, AVisibleAlertTakesEveryTouchFromTheScreenUnderIt)
{
    auto button = addButton("确定", { 10, 10, 100, 40 });
    std::vector<std::string> events;
    button->addAction([&](kit::Control&) { events.push_back("down"); }, ControlEvent::TouchDown);
    button->addAction([&](kit::Control&) { events.push_back("inside"); }, ControlEvent::TouchUpInside);
    button->addAction([&](kit::Control&) { events.push_back("cancel"); }, ControlEvent::TouchCancel);
    auto alert = kit::AlertView::create("网络错误", "", {}, std::string("确定"));
    alert->show();

    EXPECT_NONFATAL_FAILURE(harness.tap(*button), "under the alert");
    graphics::Point centre(60, 30);
    EXPECT_EQ(harness.window()->touchDown(centre), nullptr);
    harness.window()->touchUp(centre);
    EXPECT_TRUE(events.empty());

    // One that comes up while a finger is down cancels that touch.
    alert->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(harness.window()->touchDown(centre), button);
    alert->show();
    harness.window()->touchUp(centre);
    EXPECT_EQ(events, (std::vector<std::string> { "down", "cancel" }));
    EXPECT_FALSE(button->isHighlighted());

    alert->dismissWithClickedButtonIndex(0, false);
    events.clear();
    EXPECT_TRUE(harness.tap(*button));
    EXPECT_EQ(events, (std::vector<std::string> { "down", "inside" }));
}
