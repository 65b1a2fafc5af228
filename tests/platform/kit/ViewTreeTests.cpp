#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/RecordingDrawingContext.h"
#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Control.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/Label.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "support/ScreenTest.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

using graphics::Point;
using graphics::Rect;
using graphics::Size;
using kit::View;

namespace {

std::vector<std::string>* g_log = nullptr;

void note(const std::string& entry)
{
    if (g_log)
        g_log->push_back(entry);
}

class HookView : public View {
public:
    using View::View;
    void willMoveToSuperview(View* s) override { note(std::string("willSuper ") + (s ? "view" : "null")); }
    void didMoveToSuperview() override { note(std::string("didSuper ") + (superview() ? "view" : "null")); }
    void willMoveToWindow(kit::Window* w) override
    {
        note(std::string("willWindow ") + (w ? "window" : "null"));
    }
    void didMoveToWindow() override { note(std::string("didWindow ") + (window() ? "window" : "null")); }
    void layoutSubviews() override
    {
        ++layouts;
        // Adding a subview marks this view for layout again.
        if (addsChildOnLayout)
            addSubview(std::make_shared<View>(Rect(0, 0, 1, 1)));
        // So does a view resizing itself, as a label fitting its text would.
        if (growsOnFirstLayout && layouts == 1)
            setFrame({ frame().x(), frame().y(), frame().width() * 2, frame().height() });
    }
    void drawRect(graphics::DrawingContext&, const Rect&) override { ++draws; }
    int layouts = 0;
    int draws = 0;
    bool addsChildOnLayout = false;
    bool growsOnFirstLayout = false;
};

class Editor : public View {
public:
    using View::View;
    bool canBecomeFirstResponder() const override { return true; }
    bool resignFirstResponder() override
    {
        auto w = window();
        takenOverBy = w ? w->incomingFirstResponder() : nullptr;
        return refuses ? false : View::resignFirstResponder();
    }
    bool refuses = false;
    View* takenOverBy = nullptr;
};

class ViewTreeTest : public support::ScreenTest {
protected:
    void SetUp() override { g_log = &log; }
    void TearDown() override { g_log = nullptr; }
    std::vector<std::string> log;
};

} // namespace

TEST_F(ViewTreeTest, FrameBoundsAndCentreStayConsistent)
{
    auto v = std::make_shared<View>(Rect(10, 20, 100, 50));
    EXPECT_EQ(v->center(), Point(60, 45));
    EXPECT_EQ(v->bounds(), Rect(0, 0, 100, 50));

    // A scroll offset lives in the bounds origin: resizing must keep it.
    v->setBounds({ 0, 30, 100, 50 });
    v->setFrame({ 0, 0, 200, 80 });
    EXPECT_EQ(v->bounds(), Rect(0, 30, 200, 80));
    EXPECT_EQ(v->center(), Point(100, 40));

    v->setCenter({ 50, 50 });
    EXPECT_EQ(v->frame(), Rect(-50, 10, 200, 80));

    // Under a half turn the frame is the same box; under a quarter turn
    // width and height swap about the centre.
    v->setTransform(graphics::AffineTransform::makeRotation(std::numbers::pi / 2));
    Rect f = v->frame();
    EXPECT_NEAR(f.width(), 80, 1e-9);
    EXPECT_NEAR(f.height(), 200, 1e-9);
    EXPECT_NEAR(f.midX(), 50, 1e-9);
}

TEST_F(ViewTreeTest, ConversionFollowsOffsetsAndScrolledBounds)
{
    auto root = std::make_shared<View>(Rect(0, 0, 320, 568));
    auto content = std::make_shared<View>(Rect(10, 100, 300, 400));
    auto child = std::make_shared<View>(Rect(5, 50, 20, 20));
    root->addSubview(content);
    content->addSubview(child);
    content->setBounds({ 0, 30, 300, 400 }); // scrolled down by 30

    EXPECT_EQ(child->convertPointToView({ 0, 0 }, root.get()), Point(15, 120));
    EXPECT_EQ(root->convertPointToView({ 15, 120 }, child.get()), Point(0, 0));
    EXPECT_EQ(child->convertRectToView({ 0, 0, 20, 20 }, root.get()), Rect(15, 120, 20, 20));
}

TEST_F(ViewTreeTest, MoveHooksRunInOrderAndReportRemovalWithNull)
{
    auto v = std::make_shared<HookView>(Rect(0, 0, 10, 10));
    harness.window()->addSubview(v);
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "willSuper view", "willWindow window", "didWindow window", "didSuper view" }));

    log.clear();
    v->removeFromSuperview();
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "willSuper null", "willWindow null", "didWindow null", "didSuper null" }));
    EXPECT_EQ(v->superview(), nullptr);

    // Descendants learn about the window too.
    auto parent = std::make_shared<View>(Rect(0, 0, 10, 10));
    parent->addSubview(v);
    log.clear();
    harness.window()->addSubview(parent);
    EXPECT_EQ(log, (std::vector<std::string> { "willWindow window", "didWindow window" }));
}

TEST_F(ViewTreeTest, SubviewOrderAndReparenting)
{
    auto a = std::make_shared<View>();
    auto b = std::make_shared<View>();
    auto c = std::make_shared<View>();
    auto root = std::make_shared<View>();
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubviewBelow(c, a.get());
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>> { c, a, b }));

    // Adding again only moves it to the front, with no duplicate.
    root->addSubview(c);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>> { a, b, c }));

    auto other = std::make_shared<View>();
    other->addSubview(a);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>> { b, c }));
    EXPECT_EQ(a->superview(), other);

    // A view may not become its own ancestor.
    a->addSubview(other);
    EXPECT_EQ(other->superview(), nullptr);
    EXPECT_TRUE(a->subviews().empty());
}

TEST_F(ViewTreeTest, ViewWithTagSearchesDepthFirstIncludingSelf)
{
    auto root = std::make_shared<View>();
    auto first = std::make_shared<View>();
    auto deep = std::make_shared<View>();
    auto second = std::make_shared<View>();
    first->addSubview(deep);
    root->addSubview(first);
    root->addSubview(second);
    deep->setTag(7);
    second->setTag(7);
    EXPECT_EQ(root->viewWithTag(7), deep);
    root->setTag(7);
    EXPECT_EQ(root->viewWithTag(7), root);
    EXPECT_EQ(root->viewWithTag(99), nullptr);
}

TEST_F(ViewTreeTest, LayoutAndDrawingWaitForTheEndOfTheTurn)
{
    auto v = std::make_shared<HookView>(Rect(0, 0, 10, 10));
    harness.window()->addSubview(v);
    harness.runUntilIdle();
    v->layouts = 0;
    v->draws = 0;

    v->setNeedsLayout();
    v->setNeedsLayout();
    v->setNeedsDisplay();
    EXPECT_EQ(v->layouts, 0);
    EXPECT_EQ(v->draws, 0);
    harness.runUntilIdle();
    EXPECT_EQ(v->layouts, 1);
    EXPECT_EQ(v->draws, 1);

    // A size change asks for layout; a move does not.
    v->setFrame({ 5, 5, 10, 10 });
    harness.runUntilIdle();
    EXPECT_EQ(v->layouts, 1);
    v->setFrame({ 5, 5, 20, 10 });
    harness.runUntilIdle();
    EXPECT_EQ(v->layouts, 2);
}

TEST_F(ViewTreeTest, DrawingWaitsUntilTheViewIsInAWindowAndShown)
{
    auto v = std::make_shared<HookView>(Rect(0, 0, 10, 10));
    v->setNeedsDisplay();
    harness.runUntilIdle();
    EXPECT_EQ(v->draws, 0);

    v->setHidden(true);
    harness.window()->addSubview(v);
    harness.runUntilIdle();
    EXPECT_EQ(v->draws, 0);

    v->setHidden(false);
    harness.runUntilIdle();
    EXPECT_EQ(v->draws, 1);
}

TEST_F(ViewTreeTest, ViewMarkedDuringItsOwnLayoutIsLaidOutAgainInTheSamePass)
{
    auto grower = std::make_shared<HookView>(Rect(0, 0, 10, 10));
    grower->growsOnFirstLayout = true;
    harness.window()->addSubview(grower);
    View::runPendingPasses();
    EXPECT_EQ(grower->layouts, 2);
    EXPECT_EQ(grower->frame().width(), 20);
    EXPECT_FALSE(grower->needsLayout());

    // One that marks itself on every pass is cut off, and says so, rather
    // than hanging the app.
    auto looper = std::make_shared<HookView>(Rect(0, 0, 10, 10));
    looper->addsChildOnLayout = true;
    harness.window()->addSubview(looper);
    testing::internal::CaptureStderr();
    harness.runUntilIdle();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(looper->layouts, 8);
    EXPECT_NE(said.find("layout still pending"), std::string::npos);
}

TEST_F(ViewTreeTest, HitTestingSkipsViewsThatCannotTakeTouches)
{
    auto& window = *harness.window();
    auto back = std::make_shared<View>(Rect(0, 0, 100, 100));
    window.addSubview(back);
    auto front = std::make_shared<View>(Rect(0, 0, 100, 100));
    window.addSubview(front);
    auto inner = std::make_shared<View>(Rect(10, 10, 20, 20));
    front->addSubview(inner);
    Point p(15, 15);

    EXPECT_EQ(window.hitTest(p), inner);
    front->setHidden(true);
    EXPECT_EQ(window.hitTest(p), back);
    front->setHidden(false);
    front->setAlpha(0.005);
    EXPECT_EQ(window.hitTest(p), back);
    front->setAlpha(1);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(window.hitTest(p), back);

    // Labels, image views and spinners let touches through by default.
    auto label = std::make_shared<kit::Label>(Rect(0, 0, 100, 100));
    auto image = std::make_shared<kit::ImageView>(Rect(0, 0, 100, 100));
    window.addSubview(label);
    window.addSubview(image);
    EXPECT_EQ(window.hitTest(p), back);

    // Outside a view's bounds its subviews are not reached.
    auto clipped = std::make_shared<View>(Rect(200, 200, 10, 10));
    auto sticking = std::make_shared<View>(Rect(20, 20, 10, 10));
    clipped->addSubview(sticking);
    window.addSubview(clipped);
    EXPECT_EQ(window.hitTest({ 225, 225 }), window.shared_from_this());
}

TEST_F(ViewTreeTest, OneFirstResponderPerWindowAndTheOldOneSeesItsSuccessor)
{
    auto a = std::make_shared<Editor>(Rect(0, 0, 10, 10));
    auto b = std::make_shared<Editor>(Rect(0, 20, 10, 10));
    harness.window()->addSubview(a);
    harness.window()->addSubview(b);
    EXPECT_TRUE(a->becomeFirstResponder());
    EXPECT_TRUE(b->becomeFirstResponder());
    EXPECT_EQ(a->takenOverBy, b.get());
    EXPECT_FALSE(a->isFirstResponder());
    EXPECT_TRUE(b->isFirstResponder());

    // One that refuses to resign keeps the focus.
    b->refuses = true;
    EXPECT_FALSE(a->becomeFirstResponder());
    EXPECT_TRUE(b->isFirstResponder());
    EXPECT_FALSE(harness.window()->endEditing(false));

    // Leaving the window ends editing even then.
    b->removeFromSuperview();
    EXPECT_EQ(harness.window()->firstResponder(), nullptr);
    EXPECT_FALSE(b->isFirstResponder());
}

TEST_F(ViewTreeTest, AnimationAppliesAtOnceAndCompletesAfterTheDuration)
{
    auto v = std::make_shared<View>();
    std::vector<bool> completions;
    View::animate(
        0.3, [&] { v->setAlpha(0.02); }, [&](bool finished) { completions.push_back(finished); });
    EXPECT_DOUBLE_EQ(v->alpha(), 0.02);
    harness.runUntilIdle();
    harness.advance(0.29);
    EXPECT_TRUE(completions.empty());
    harness.advance(0.01);
    EXPECT_EQ(completions, std::vector<bool> { true });

    // The begin/commit form uses the toolkit's default duration.
    int stops = 0;
    View::beginAnimations();
    v->setAlpha(1);
    View::setAnimationDidStop([&](bool) { ++stops; });
    View::commitAnimations();
    harness.advance(0.19);
    EXPECT_EQ(stops, 0);
    harness.advance(0.01);
    EXPECT_EQ(stops, 1);
}

TEST_F(ViewTreeTest, SpinnerSizeFollowsStyleAndHidesWhenStopped)
{
    kit::ActivityIndicatorView large(kit::ActivityIndicatorViewStyle::WhiteLarge);
    EXPECT_EQ(large.bounds().size, Size(37, 37));
    EXPECT_TRUE(large.isHidden());
    large.startAnimating();
    EXPECT_FALSE(large.isHidden());
    large.setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle::Gray);
    EXPECT_EQ(large.bounds().size, Size(20, 20));
    large.setHidesWhenStopped(false);
    large.stopAnimating();
    EXPECT_FALSE(large.isHidden());
}

TEST(AttributedString, RangesPastTheEndAreCutNotTrusted)
{
    kit::AttributedString s("消费100.00元");
    s.addColor(graphics::Color::redColor(), 2, 100);
    s.addColor(graphics::Color::redColor(), 50, 2);
    ASSERT_EQ(s.colorRuns().size(), 1u);
    EXPECT_EQ(s.colorRuns()[0].length, 7u);
    EXPECT_EQ(s.colorAt(1, graphics::Color::black()), graphics::Color::black());
    EXPECT_EQ(s.colorAt(8, graphics::Color::black()), graphics::Color::redColor());
}

TEST(Screen, BadSizesFallBackToThePhoneDefault)
{
    auto& screen = kit::Screen::mainScreen();
    screen.configure({ 320, 480 }, 2);
    EXPECT_EQ(screen.bounds(), Rect(0, 0, 320, 480));
    screen.configure({ NAN, 10 }, -1);
    EXPECT_EQ(screen.bounds(), Rect(0, 0, 320, 568));
    EXPECT_EQ(screen.scale(), 2);
}

TEST_F(ViewTreeTest, AnimationCompletionNeverRunsInsideTheCall)
{
    // Screens start the next step from the completion; running it inside
    // the animate call would reorder their state changes.
    for (double duration : { 0.0, -1.0, std::nan("") }) {
        int done = 0;
        View::animate(
            duration, [] {}, [&](bool) { ++done; });
        EXPECT_EQ(done, 0);
        harness.runUntilIdle();
        EXPECT_EQ(done, 1);
    }
}

TEST_F(ViewTreeTest, DrawRectGetsTheInstalledContext)
{
    struct Painter : View {
        using View::View;
        void drawRect(graphics::DrawingContext& context, const Rect& rect) override
        {
            context.setFillColor(graphics::Color::white());
            context.fillRect(rect);
            sawCurrent = graphics::DrawingContext::current() == &context;
        }
        bool sawCurrent = false;
    };
    std::vector<graphics::RecordingDrawingContext*> made;
    View::setDisplayContextFactory([&](View&) {
        auto context = std::make_unique<graphics::RecordingDrawingContext>();
        made.push_back(context.get());
        return context;
    });
    auto painter = std::make_shared<Painter>(Rect(0, 0, 10, 10));
    harness.window()->addSubview(painter);
    painter->setNeedsDisplay();
    harness.runUntilIdle();
    View::setDisplayContextFactory({});
    EXPECT_TRUE(painter->sawCurrent);
    EXPECT_EQ(made.size(), 1u);
}

TEST_F(ViewTreeTest, TapsLandThroughScrolledAndMovedContainers)
{
    auto container = std::make_shared<View>(Rect(0, 100, 320, 200));
    container->setBounds({ 0, 150, 320, 200 }); // scrolled down by 150
    auto button = std::make_shared<kit::Control>(Rect(20, 200, 100, 40));
    button->setName("deep");
    int taps = 0;
    button->addAction([&](kit::Control&) { ++taps; }, kit::ControlEvent::TouchUpInside);
    container->addSubview(button);
    harness.window()->addSubview(container);

    // On screen the button sits at y 100 + 200 - 150 = 150.
    EXPECT_EQ(button->convertRectToView(button->bounds(), nullptr), Rect(20, 150, 100, 40));
    EXPECT_EQ(harness.window()->hitTest({ 60, 170 }), button);
    EXPECT_TRUE(harness.tap("deep"));
    EXPECT_EQ(taps, 1);

    // Scrolled out of the container's bounds it can no longer be touched.
    container->setBounds({ 0, 0, 320, 200 });
    container->setBounds({ 0, 400, 320, 200 });
    EXPECT_NE(harness.window()->hitTest({ 60, 170 }), button);
}

TEST_F(ViewTreeTest, SublayersMoveBetweenParents)
{
    auto a = std::make_shared<kit::Layer>();
    auto b = std::make_shared<kit::Layer>();
    auto line = std::make_shared<kit::Layer>();
    a->addSublayer(line);
    b->addSublayer(line);
    EXPECT_TRUE(a->sublayers().empty());
    EXPECT_EQ(line->superlayer(), b);
    line->removeFromSuperlayer();
    EXPECT_TRUE(b->sublayers().empty());
    a->addSublayer(a);
    EXPECT_TRUE(a->sublayers().empty());
}

TEST_F(ViewTreeTest, HarnessStartsEachTestClean)
{
    EXPECT_EQ(kit::AlertView::visibleAlert(), nullptr) << "an alert left over by an earlier test";
    kit::AlertView::create("设置收款key", "", {}, std::string("确定"))->show();
    EXPECT_EQ(harness.alerts().titles(), std::vector<std::string> { "设置收款key" });

    support::ScreenHarness::recordToast("设置成功！");
    EXPECT_EQ(harness.toasts(), std::vector<std::string> { "设置成功！" });
    EXPECT_TRUE(std::filesystem::exists(harness.home()));
    EXPECT_EQ(kit::Window::keyWindow(), harness.window());

    auto label = std::make_shared<kit::Label>(Rect(10, 20, 100, 30));
    label->setName("amountLabel");
    label->setText("0.00");
    harness.window()->addSubview(label);
    EXPECT_NE(
        harness.dumpTree().find("kit::Label 'amountLabel' (10, 20, 100, 30) \"0.00\""), std::string::npos)
        << harness.dumpTree();
}

TEST(ScreenHarnessTest, KeyboardAndAlertsDoNotLeakIntoOrOutOfAHarness)
{
    auto& keyboard = kit::Keyboard::shared();
    keyboard.setHeight(300);
    kit::AlertView::create("left before", "", {}, std::string("OK"))->show();
    {
        support::ScreenHarness harness;
        EXPECT_EQ(kit::AlertView::visibleAlert(), nullptr);
        EXPECT_EQ(keyboard.height(), kit::Keyboard::defaultHeight);

        auto field = std::make_shared<kit::TextField>(Rect(10, 10, 200, 30));
        harness.window()->addSubview(field);
        ASSERT_TRUE(field->becomeFirstResponder());
        keyboard.setHeight(260);
        kit::AlertView::create("left up", "", {}, std::string("OK"))->show();
        kit::AlertView::create("left waiting", "", {}, std::string("OK"))->show();
    }
    EXPECT_FALSE(keyboard.isVisible());
    EXPECT_EQ(keyboard.height(), kit::Keyboard::defaultHeight);
    EXPECT_EQ(kit::AlertView::visibleAlert(), nullptr);
    EXPECT_TRUE(kit::AlertView::waitingAlerts().empty());
}

TEST_F(ViewTreeTest, ImageViewSizesToItsImage)
{
    auto image = graphics::Image::fromColor(graphics::Color::white(), { 30, 12 });
    kit::ImageView view(image);
    EXPECT_EQ(view.frame(), Rect(0, 0, 30, 12));
    view.setImage(nullptr);
    view.sizeToFit();
    EXPECT_EQ(view.frame().size, Size(0, 0));
}
