#include "hud/ProgressHUD.h"

#include "HudTestFixture.h"
#include "hud/BarProgressView.h"
#include "hud/RoundProgressView.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/Label.h"

#include <atomic>
#include <thread>

namespace {

class ProgressHUDTest : public HudTestFixture {
protected:
    std::shared_ptr<ProgressHUD> addHUD()
    {
        auto hud = ProgressHUD::initWithView(window);
        window->addSubview(hud);
        return hud;
    }

    // What the next layout pass computes.
    static graphics::Size laidOut(ProgressHUD& hud)
    {
        hud.layoutSubviews();
        return hud.size();
    }
};

class HiddenCounter : public ProgressHUDDelegate {
public:
    void hudWasHidden(ProgressHUD&) override { ++count; }
    int count = 0;
};

TEST_F(ProgressHUDTest, box_of_a_spinner_alone_is_the_spinner_plus_twice_the_margin)
{
    auto hud = addHUD();
    EXPECT_EQ(laidOut(*hud), graphics::Size(77, 77));
    // Centred: round((320 - 37) / 2) and round((480 - 77) / 2) + margin.
    EXPECT_EQ(hud->indicator()->frame(), graphics::Rect(142, 222, 37, 37));

    hud->setMinSize({ 100, 90 });
    EXPECT_EQ(laidOut(*hud), graphics::Size(100, 90));
}

TEST_F(ProgressHUDTest, labels_stack_under_the_indicator_with_padding)
{
    auto hud = addHUD();
    hud->setLabelText("Loading"); // 7 x 8 = 56 wide, 19.2 high at bold 16
    hud->setDetailsLabelText("two words"); // 9 x 6 = 54 wide, 14.4 high at bold 12
    graphics::Size size = laidOut(*hud);
    EXPECT_DOUBLE_EQ(size.width, 56 + 40);
    EXPECT_DOUBLE_EQ(size.height, 37 + 4 + 19.2 + 4 + 14.4 + 40);

    double top = std::round((480 - size.height) / 2) + 20;
    EXPECT_DOUBLE_EQ(hud->indicator()->frame().y(), top);
    EXPECT_EQ(hud->label()->frame(), graphics::Rect(132, top + 41, 56, 19.2));
    graphics::Rect details = hud->detailsLabel()->frame();
    EXPECT_EQ(details.x(), 133);
    EXPECT_DOUBLE_EQ(details.y(), top + 41 + 19.2 + 4);
    EXPECT_DOUBLE_EQ(details.height(), 14.4);

    // A long text is held inside four margins of the host.
    hud->setLabelText(std::string(100, 'x'));
    EXPECT_DOUBLE_EQ(laidOut(*hud).width, 320 - 80 + 40);
}

TEST_F(ProgressHUDTest, square_box_grows_to_its_longer_side_only_where_it_fits)
{
    auto hud = addHUD();
    hud->setCustomView(std::make_shared<kit::View>(graphics::Rect(0, 0, 80, 37)));
    hud->setMode(ProgressHUDMode::CustomView);
    EXPECT_EQ(laidOut(*hud), graphics::Size(120, 77));
    hud->setSquare(true);
    EXPECT_EQ(laidOut(*hud), graphics::Size(120, 120));

    // On a host too short for the square, only the width follows.
    auto shortHost = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 150));
    window->addSubview(shortHost);
    shortHost->addSubview(hud);
    EXPECT_EQ(laidOut(*hud), graphics::Size(120, 77));
}

TEST_F(ProgressHUDTest, modes_swap_the_indicator_and_unknown_codes_keep_it)
{
    auto hud = addHUD();
    EXPECT_TRUE(std::dynamic_pointer_cast<kit::ActivityIndicatorView>(hud->indicator()));

    hud->setMode(ProgressHUDMode::AnnularDeterminate);
    auto ring = std::dynamic_pointer_cast<RoundProgressView>(hud->indicator());
    ASSERT_TRUE(ring);
    EXPECT_TRUE(ring->isAnnular());
    hud->setMode(ProgressHUDMode::Determinate);
    EXPECT_EQ(hud->indicator(), ring);
    EXPECT_TRUE(ring->isAnnular());

    hud->setMode(ProgressHUDMode::DeterminateHorizontalBar);
    auto bar = hud->indicator();
    hud->setMode(ProgressHUDMode::DeterminateHorizontalBar);
    EXPECT_NE(hud->indicator(), bar);
    EXPECT_EQ(bar->superview(), nullptr);

    hud->setMode(static_cast<ProgressHUDMode>(42));
    EXPECT_TRUE(std::dynamic_pointer_cast<BarProgressView>(hud->indicator()));

    hud->setMode(ProgressHUDMode::Text);
    EXPECT_EQ(hud->indicator(), nullptr);
    EXPECT_EQ(hud->subviews().size(), 2u);
}

TEST_F(ProgressHUDTest, progress_reaches_the_indicator_without_a_relayout)
{
    auto hud = addHUD();
    runUntilIdle();
    hud->setProgress(0.5f);
    EXPECT_FALSE(hud->needsLayout());

    hud->setMode(ProgressHUDMode::Determinate);
    runUntilIdle();
    hud->setProgress(0.25f);
    EXPECT_FALSE(hud->needsLayout());
    EXPECT_FLOAT_EQ(std::dynamic_pointer_cast<RoundProgressView>(hud->indicator())->progress(), 0.25f);
}

TEST_F(ProgressHUDTest, texts_set_off_the_main_thread_reach_the_labels_on_it)
{
    auto hud = addHUD();
    std::thread([&] { hud->setLabelText("后台"); }).join();
    EXPECT_EQ(hud->labelText(), "后台");
    EXPECT_EQ(hud->label()->text(), "");
    runUntilIdle();
    EXPECT_EQ(hud->label()->text(), "后台");
}

TEST_F(ProgressHUDTest, animated_hide_finishes_three_tenths_of_a_second_later)
{
    auto hud = addHUD();
    EXPECT_EQ(hud->alpha(), 0);
    hud->show(true);
    EXPECT_EQ(hud->alpha(), 1);
    ASSERT_TRUE(hud->showStarted());

    int completions = 0;
    hud->setCompletionBlock([&] { ++completions; });
    hud->hide(true);
    EXPECT_DOUBLE_EQ(hud->alpha(), 0.02);
    EXPECT_FALSE(hud->showStarted());
    advance(0.29);
    EXPECT_EQ(completions, 0);
    advance(0.01);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(hud->alpha(), 0);
    // Without removeFromSuperViewOnHide it stays, ready to show again.
    EXPECT_EQ(hud->superview(), window);

    hud->setAnimationType(ProgressHUDAnimation::ZoomOut);
    hud->show(true);
    EXPECT_TRUE(hud->transform().isIdentity());
    hud->hide(true);
    EXPECT_EQ(hud->transform(), graphics::AffineTransform::makeScale(0.5, 0.5));
}

TEST_F(ProgressHUDTest, unanimated_hide_finishes_before_returning_and_runs_the_completion_once)
{
    auto hud = addHUD();
    auto delegate = std::make_shared<HiddenCounter>();
    hud->setDelegate(delegate);
    hud->setRemoveFromSuperViewOnHide(true);
    int completions = 0;
    hud->setCompletionBlock([&] { ++completions; });
    hud->show(false);
    hud->hide(false);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(delegate->count, 1);
    EXPECT_EQ(hud->superview(), nullptr);
    EXPECT_FALSE(hud->completionBlock());

    hud->hide(false);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(delegate->count, 2);
}

TEST_F(ProgressHUDTest, minimum_show_time_defers_an_early_hide)
{
    auto hud = addHUD();
    hud->setMinShowTime(1.0f);
    hud->show(false);
    advance(0.2);
    hud->hide(false);
    ASSERT_TRUE(hud->minShowTimer());
    EXPECT_EQ(hud->alpha(), 1);
    advance(0.79);
    EXPECT_EQ(hud->alpha(), 1);
    advance(0.01);
    EXPECT_EQ(hud->alpha(), 0);

    hud->setMinShowTime(0);
    hud->show(false);
    advance(0.2);
    hud->hide(false);
    EXPECT_EQ(hud->alpha(), 0);
}

TEST_F(ProgressHUDTest, later_show_cancels_every_pending_hide)
{
    auto hud = addHUD();
    hud->show(true);
    hud->hideAfterDelay(true, 0.5);
    advance(0.4);
    hud->show(true);
    advance(2.0);
    EXPECT_EQ(hud->alpha(), 1);

    // A fade-out interrupted by a show must not finish the hide.
    hud->hide(true);
    advance(0.1);
    hud->show(true);
    advance(1.0);
    EXPECT_EQ(hud->alpha(), 1);

    // Nor a hide waiting for the minimum show time.
    hud->setMinShowTime(1.0f);
    hud->show(false);
    hud->hide(false);
    hud->show(false);
    advance(2.0);
    EXPECT_EQ(hud->alpha(), 1);
}

TEST_F(ProgressHUDTest, delayed_hide_keeps_a_dropped_overlay_alive_until_it_runs)
{
    auto hud = ProgressHUD::showHUDAddedTo(window, false);
    std::weak_ptr<ProgressHUD> weak = hud;
    hud->hideAfterDelay(false, 0.5);
    hud.reset();
    advance(0.5);
    EXPECT_TRUE(window->subviews().empty());
    EXPECT_TRUE(weak.expired());
}

TEST_F(ProgressHUDTest, pending_timers_keep_a_dropped_overlay_alive_until_they_fire)
{
    auto hud = ProgressHUD::initWithView(window);
    auto delegate = std::make_shared<HiddenCounter>();
    hud->setDelegate(delegate);
    int completions = 0;
    hud->setCompletionBlock([&] { ++completions; });
    hud->setMinShowTime(1.0f);
    hud->show(false);
    advance(0.2);
    hud->hide(false);
    std::weak_ptr<ProgressHUD> weak = hud;
    hud.reset();
    advance(0.79);
    EXPECT_EQ(completions, 0);
    ASSERT_FALSE(weak.expired());
    advance(0.01);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(delegate->count, 1);
    EXPECT_TRUE(weak.expired());

    auto waiting = ProgressHUD::initWithView(window);
    waiting->setGraceTime(0.5f);
    waiting->setTaskInProgress(true);
    waiting->show(false);
    weak = waiting;
    waiting.reset();
    advance(0.49);
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(weak.lock()->alpha(), 0);
    advance(0.01);
    EXPECT_TRUE(weak.expired());
}

TEST_F(ProgressHUDTest, grace_time_shows_only_while_a_task_still_runs)
{
    auto idle = addHUD();
    idle->setGraceTime(0.5f);
    idle->show(true);
    advance(1.0);
    EXPECT_EQ(idle->alpha(), 0);

    auto busy = addHUD();
    busy->setGraceTime(0.5f);
    busy->setTaskInProgress(true);
    busy->show(true);
    advance(0.49);
    EXPECT_EQ(busy->alpha(), 0);
    advance(0.01);
    EXPECT_EQ(busy->alpha(), 1);
}

TEST_F(ProgressHUDTest, bound_block_hides_the_overlay_then_runs_the_completion)
{
    auto hud = addHUD();
    std::atomic<bool> ran = false;
    bool completed = false;
    hud->showAnimatedWhileExecutingBlock(
        true, [&] { ran = true; }, foundation::DispatchQueue::createSerial("hud-test"),
        [&] {
            EXPECT_TRUE(ran);
            completed = true;
        });
    EXPECT_TRUE(hud->taskInProgress());
    foundation::RunLoop::main().runUntil([&] { return !hud->taskInProgress(); });
    EXPECT_FALSE(completed);
    advance(0.30);
    EXPECT_TRUE(completed);
    EXPECT_EQ(hud->alpha(), 0);

    hud->showWhileExecuting([] {}, false);
    foundation::RunLoop::main().runUntil([&] { return !hud->taskInProgress(); });
    EXPECT_EQ(hud->alpha(), 0);
}

} // namespace
