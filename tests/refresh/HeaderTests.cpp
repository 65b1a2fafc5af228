#include "RefreshTestSupport.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/VirtualClock.h"
#include "platform/kit/Renderer.h"
#include "refresh/RefreshGifHeader.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "support/InputDriver.h"

#include <cstdlib>
#include <filesystem>
#include <limits>

using refreshtest::ListTest;

namespace {

class HeaderTest : public ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        table->setContentInset({ 64, 0, 0, 0 });
        table->setContentOffset({ 0, -64 });
        setRows(20);
        head = RefreshNormalHeader::headerWithRefreshingBlock([this] { ++callbacks; });
        setHeader(*table, head);
        harness.runUntilIdle();
    }

    std::string timeText() const { return head->lastUpdatedTimeLabel()->text(); }

    std::shared_ptr<RefreshNormalHeader> head;
};

TEST_F(HeaderTest, pullPastFullHeightThenReleaseRefreshesAndCallsBackOnALaterTurn)
{
    EXPECT_EQ(head->stateLabel()->text(), "下拉可以刷新");
    pullTo(-118);
    EXPECT_EQ(head->state(), RefreshState::Idle);
    pullTo(-118.5);
    EXPECT_EQ(head->state(), RefreshState::Pulling);
    EXPECT_EQ(head->stateLabel()->text(), "松开立即刷新");
    EXPECT_LT(head->arrowView()->transform().d, -0.99); // turned to point up

    release();
    EXPECT_EQ(head->state(), RefreshState::Refreshing);
    EXPECT_EQ(head->stateLabel()->text(), "正在刷新数据中...");
    EXPECT_EQ(table->contentInset().top, 118);
    EXPECT_EQ(table->contentOffset().y, -118);
    EXPECT_TRUE(head->arrowView()->isHidden());
    EXPECT_TRUE(head->loadingView()->isAnimating());

    // The callback waits for the inset animation, then for the main queue.
    harness.advance(0.24);
    EXPECT_EQ(callbacks, 0);
    harness.advance(0.02);
    EXPECT_EQ(callbacks, 1);

    // Scrolling while refreshing must not start a second refresh.
    pullTo(-200);
    release();
    harness.advance(1);
    EXPECT_EQ(callbacks, 1);
}

TEST_F(HeaderTest, draggingBackAboveTheLineOrReleasingShortOfItDoesNotRefresh)
{
    pullTo(-130);
    EXPECT_EQ(head->state(), RefreshState::Pulling);
    pullTo(-100);
    EXPECT_EQ(head->state(), RefreshState::Idle);
    release();
    harness.advance(1);
    EXPECT_EQ(head->state(), RefreshState::Idle);
    EXPECT_EQ(callbacks, 0);
    EXPECT_EQ(table->contentInset().top, 64);
}

TEST_F(HeaderTest, endingARefreshGivesTheInsetBackAndRecordsTheTime)
{
    EXPECT_EQ(timeText(), "最后更新：无记录");
    harness.clock()->setNow(
        foundation::DateFormatter("yyyy-MM-dd HH:mm").dateFromString("2026-03-14 09:05").value());
    pullTo(-119);
    release();
    harness.advance(0.3);
    head->endRefreshing();
    EXPECT_EQ(head->state(), RefreshState::Idle);
    EXPECT_EQ(table->contentInset().top, 64);
    EXPECT_EQ(table->contentOffset().y, -64);
    EXPECT_EQ(timeText(), "最后更新：今天 09:05");
    EXPECT_TRUE(foundation::UserDefaults::standard().dateForKey(RefreshHeaderLastUpdatedTimeKey).has_value());

    // The spinner fades out before the arrow comes back.
    EXPECT_TRUE(head->arrowView()->isHidden());
    EXPECT_TRUE(head->loadingView()->isAnimating());
    harness.advance(0.4);
    EXPECT_FALSE(head->arrowView()->isHidden());
    EXPECT_FALSE(head->loadingView()->isAnimating());
}

TEST_F(HeaderTest, timeTextNamesTodayThisYearOrTheFullDate)
{
    foundation::DateFormatter minutes("yyyy-MM-dd HH:mm");
    auto& defaults = foundation::UserDefaults::standard();
    harness.clock()->setNow(minutes.dateFromString("2026-05-20 18:00").value());

    defaults.setDate(double(minutes.dateFromString("2026-05-20 09:05").value()), "listA");
    head->setLastUpdatedTimeKey("listA");
    EXPECT_EQ(timeText(), "最后更新：今天 09:05");

    // Same day of the month, another month: not today.
    defaults.setDate(double(minutes.dateFromString("2026-04-20 09:05").value()), "listA");
    head->setLastUpdatedTimeKey("listA");
    EXPECT_EQ(timeText(), "最后更新：04-20 09:05");

    defaults.setDate(double(minutes.dateFromString("2025-05-20 09:05").value()), "listA");
    head->setLastUpdatedTimeKey("listA");
    EXPECT_EQ(timeText(), "最后更新：2025-05-20 09:05");

    head->setLastUpdatedTimeText([](std::optional<double> date) { return date ? "有" : "没有"; });
    head->setLastUpdatedTimeKey("never");
    EXPECT_EQ(timeText(), "没有");
}

TEST_F(HeaderTest, hiddenOrUntouchableHeaderIgnoresTheDrag)
{
    head->setHidden(true);
    support::InputDriver::drag(*table, 100);
    head->setHidden(false);
    head->setUserInteractionEnabled(false);
    support::InputDriver::drag(*table, 100);
    harness.advance(1);
    EXPECT_EQ(head->state(), RefreshState::Idle);
    EXPECT_EQ(callbacks, 0);
}

TEST_F(HeaderTest, autoChangeAlphaFollowsThePullAndFadesAfterTheRefresh)
{
    head->setAutoChangeAlpha(true);
    EXPECT_EQ(head->alpha(), 0);
    pullTo(-64 - 27);
    EXPECT_DOUBLE_EQ(head->alpha(), 0.5);
    pullTo(-130);
    release();
    EXPECT_EQ(head->alpha(), 1);
    harness.advance(0.3);
    head->endRefreshing();
    EXPECT_EQ(head->alpha(), 0);
}

TEST_F(HeaderTest, beginRefreshingOutsideAWindowWaitsForTheFirstDrawing)
{
    table->removeFromSuperview();
    head->beginRefreshing();
    EXPECT_EQ(head->state(), RefreshState::WillRefresh);
    EXPECT_TRUE(head->isRefreshing());
    EXPECT_EQ(table->contentInset().top, 64);

    harness.window()->addSubview(table);
    harness.runUntilIdle();
    EXPECT_EQ(head->state(), RefreshState::Refreshing);
    EXPECT_EQ(table->contentInset().top, 118);
    harness.advance(0.3);
    EXPECT_EQ(callbacks, 1);
}

TEST_F(HeaderTest, slotHoldsOneHeaderAndForgetsItWhenItIsGone)
{
    setHeader(*table, head);
    auto headers = 0;
    for (auto& view : table->subviews())
        headers += dynamic_cast<RefreshHeader*>(view.get()) != nullptr;
    EXPECT_EQ(headers, 1);

    auto second = RefreshNormalHeader::headerWithRefreshingBlock({});
    setHeader(*table, second);
    EXPECT_EQ(head->superview(), nullptr);
    EXPECT_EQ(header(*table), second);

    second->removeFromSuperview();
    second.reset();
    EXPECT_EQ(header(*table), nullptr);
}

TEST_F(HeaderTest, headerMovedOutOfTheListStopsFollowingIt)
{
    auto plain = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 100));
    harness.window()->addSubview(plain);
    plain->addSubview(head);
    support::InputDriver::drag(*table, 100);
    harness.advance(1);
    EXPECT_EQ(head->state(), RefreshState::Idle);
    EXPECT_EQ(callbacks, 0);
}

struct Owner {
    int calls = 0;
    void reload(RefreshComponent&) { ++calls; }
};

TEST_F(HeaderTest, targetActionIsSentOnlyWhileTheTargetLives)
{
    auto owner = std::make_shared<Owner>();
    auto byTarget = RefreshNormalHeader::headerWithRefreshingTarget(owner, &Owner::reload);
    setHeader(*table, byTarget);
    byTarget->beginRefreshing();
    harness.advance(0.3);
    EXPECT_EQ(owner->calls, 1);

    byTarget->endRefreshing();
    byTarget->beginRefreshing();
    std::weak_ptr<Owner> gone = owner;
    owner.reset();
    harness.advance(0.3);
    EXPECT_TRUE(gone.expired());
}

TEST(NormalHeader, missingArrowArtworkLeavesAZeroSizedArrowAndAWorkingHeader)
{
    support::ScreenHarness harness;
    auto saved = graphics::Image::assetDirectory();
    graphics::Image::setAssetDirectory(harness.home());
    auto table = std::make_shared<kit::TableView>(graphics::Rect(0, 0, 320, 480));
    harness.window()->addSubview(table);
    int calls = 0;
    auto head = RefreshNormalHeader::headerWithRefreshingBlock([&] { ++calls; });
    setHeader(*table, head);
    harness.runUntilIdle();
    graphics::Image::setAssetDirectory(saved);

    EXPECT_EQ(head->arrowView()->frame().size, graphics::Size());
    support::InputDriver::drag(*table, 80);
    harness.advance(0.3);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(head->stateLabel()->text(), "正在刷新数据中...");
}

TEST_F(HeaderTest, newSpinnerStyleReplacesTheSpinnerInsteadOfAddingOne)
{
    head->setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle::WhiteLarge);
    head->beginRefreshing();
    harness.runUntilIdle();
    int spinners = 0;
    for (auto& view : head->subviews())
        spinners += dynamic_cast<kit::ActivityIndicatorView*>(view.get()) != nullptr;
    EXPECT_EQ(spinners, 1);
    EXPECT_EQ(head->loadingView()->activityIndicatorViewStyle(), kit::ActivityIndicatorViewStyle::WhiteLarge);
    EXPECT_TRUE(head->loadingView()->isAnimating());
}

TEST(GifHeader, idleFramesFollowThePull)
{
    support::ScreenHarness harness;
    auto gif = RefreshGifHeader::headerWithRefreshingBlock({});
    RefreshGifHeader::Images frames;
    for (int i = 0; i < 10; ++i)
        frames.push_back(graphics::Image::fromColor(graphics::Color(i / 10.0, 0, 0, 1), { 60, 60 }));
    gif->setImages(frames, RefreshState::Idle);
    EXPECT_EQ(gif->frame().height(), 60);
    gif->setPullingPercent(0.5);
    EXPECT_EQ(gif->gifView()->image(), frames[5]);
    gif->setPullingPercent(1.0);
    EXPECT_EQ(gif->gifView()->image(), frames[9]);
    gif->setPullingPercent(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(gif->gifView()->image(), frames[0]);
}

// Writes pulling.png and refreshing.png into the folder REFRESH_RENDER_OUT
// names, for a person to look at.
TEST_F(HeaderTest, refreshingHeaderIsPaintedAboveTheRows)
{
    kit::Renderer renderer(2.0);
    const char* out = std::getenv("REFRESH_RENDER_OUT");
    pullTo(-130);
    if (out)
        renderer.renderPngFile(*harness.window(), std::filesystem::path(out) / "pulling.png");
    release();
    harness.advance(0.1);
    auto image = renderer.renderImage(*harness.window());
    ASSERT_TRUE(image);
    if (out)
        renderer.renderPngFile(*harness.window(), std::filesystem::path(out) / "refreshing.png");
    // Something dark (texts, spinner) inside the header band, between the
    // inset's top (64) and the first row (118).
    int dark = 0;
    for (int y = 66 * 2; y < 116 * 2; ++y) {
        for (int x = 0; x < 640; ++x)
            dark += image->pixelAt(x, y).red() < 0.6;
    }
    EXPECT_GT(dark, 100);
}

} // namespace
