#include "RefreshTestSupport.h"
#include "platform/kit/Touch.h"
#include "refresh/RefreshAutoGifFooter.h"
#include "refresh/RefreshAutoNormalFooter.h"
#include "refresh/RefreshBackGifFooter.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/ScrollViewRefresh.h"
#include "support/InputDriver.h"

using refreshtest::ListTest;

namespace {

class BackFooterTest : public ListTest {
protected:
    void attach(int rows)
    {
        foot = RefreshBackNormalFooter::footerWithRefreshingBlock([this] { ++callbacks; });
        setFooter(*table, foot);
        setRows(rows);
    }

    std::shared_ptr<RefreshBackNormalFooter> foot;
};

TEST_F(BackFooterTest, pullUpPastALongListRefreshesThenGivesTheInsetBack)
{
    attach(20);
    EXPECT_EQ(foot->frame().y(), 1000);
    EXPECT_EQ(foot->happenOffsetY(), 520);
    // At rest the footer's arrow points down the list's way: turned round.
    EXPECT_LT(foot->arrowView()->transform().d, -0.99);
    pullTo(564);
    EXPECT_EQ(foot->state(), RefreshState::Idle);
    pullTo(565);
    EXPECT_EQ(foot->state(), RefreshState::Pulling);
    EXPECT_EQ(foot->stateLabel()->text(), "松开立即加载更多");
    release();
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
    EXPECT_EQ(foot->stateLabel()->text(), "正在加载更多的数据...");
    EXPECT_EQ(table->contentInset().bottom, 44);
    EXPECT_EQ(table->contentOffset().y, 564);
    EXPECT_EQ(foot->lastRefreshCount(), 20);
    harness.advance(0.24);
    EXPECT_EQ(callbacks, 0);
    harness.advance(0.02);
    EXPECT_EQ(callbacks, 1);

    foot->endRefreshing();
    EXPECT_EQ(table->contentInset().bottom, 0);
    EXPECT_EQ(foot->stateLabel()->text(), "上拉可以加载更多");
}

TEST_F(BackFooterTest, shortListCoversTheGapBelowItsContentWhileRefreshing)
{
    attach(6);
    EXPECT_EQ(foot->frame().y(), 480);
    support::InputDriver::drag(*table, -45);
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
    EXPECT_EQ(table->contentInset().bottom, 224);
    EXPECT_EQ(table->contentOffset().y, 44);
    harness.advance(0.3);
    foot->endRefreshing();
    EXPECT_EQ(table->contentInset().bottom, 0);
    EXPECT_EQ(table->contentOffset().y, 0);
}

TEST_F(BackFooterTest, noMoreDataFollowsThePullButNeverLoads)
{
    attach(20);
    foot->setAutoChangeAlpha(true);
    foot->noticeNoMoreData();
    EXPECT_EQ(foot->stateLabel()->text(), "已经全部加载完毕");
    EXPECT_TRUE(foot->arrowView()->isHidden());
    pullTo(520 + 22);
    EXPECT_DOUBLE_EQ(foot->alpha(), 0.5);
    pullTo(700);
    release();
    harness.advance(1);
    EXPECT_EQ(foot->state(), RefreshState::NoMoreData);
    EXPECT_EQ(callbacks, 0);

    foot->resetNoMoreData();
    support::InputDriver::drag(*table, -100);
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
}

TEST_F(BackFooterTest, arrowFromAnEarlierRefreshStaysAwayInNoMoreData)
{
    attach(20);
    support::InputDriver::drag(*table, -600);
    harness.advance(0.3);
    foot->endRefreshing();
    foot->noticeNoMoreData();
    harness.advance(0.5);
    EXPECT_TRUE(foot->arrowView()->isHidden());
    EXPECT_FALSE(foot->loadingView()->isAnimating());
}

TEST_F(BackFooterTest, refreshBegunAgainWhileTheSpinnerFadesKeepsItVisible)
{
    attach(20);
    support::InputDriver::drag(*table, -600);
    harness.advance(0.3);
    foot->endRefreshing();
    foot->beginRefreshing();
    harness.advance(0.5);
    EXPECT_TRUE(foot->loadingView()->isAnimating());
    EXPECT_EQ(foot->loadingView()->alpha(), 1.0);
}

TEST_F(BackFooterTest, plainScrollViewCountsNoRows)
{
    auto plain = std::make_shared<kit::ScrollView>(graphics::Rect(0, 0, 320, 480));
    harness.window()->addSubview(plain);
    auto onPlain = RefreshBackNormalFooter::footerWithRefreshingBlock({});
    setFooter(*plain, onPlain);
    plain->setContentSize({ 320, 1000 });
    EXPECT_EQ(onPlain->totalDataCountInScrollView(), 0);
    attach(7);
    EXPECT_EQ(foot->totalDataCountInScrollView(), 7);
}

TEST_F(BackFooterTest, gifFooterFollowsThePullAndHidesItsFramesWhenAllIsLoaded)
{
    auto gif = RefreshBackGifFooter::footerWithRefreshingBlock({});
    RefreshBackGifFooter::Images idle;
    for (int i = 0; i < 4; ++i)
        idle.push_back(graphics::Image::fromColor(graphics::Color(0, 0, i / 4.0, 1), { 30, 30 }));
    gif->setImages(idle, RefreshState::Idle);
    gif->setImages(std::nullopt, RefreshState::Pulling);
    setFooter(*table, gif);
    setRows(20);
    pullTo(520 + 22);
    EXPECT_EQ(gif->gifView()->image(), idle[2]);
    release();
    gif->noticeNoMoreData();
    EXPECT_TRUE(gif->gifView()->isHidden());
    EXPECT_FALSE(gif->stateImages().contains(RefreshState::Pulling));
}

class AutoFooterTest : public ListTest {
protected:
    void attach(int rows)
    {
        foot = RefreshAutoNormalFooter::footerWithRefreshingBlock([this] { ++callbacks; });
        setFooter(*table, foot);
        setRows(rows);
    }

    void scrollTo(double y)
    {
        table->setContentOffset({ 0, y });
        harness.runUntilIdle();
    }

    std::shared_ptr<RefreshAutoNormalFooter> foot;
};

TEST_F(AutoFooterTest, scrollingDownToTheEndLoadsAndScrollingUpDoesNot)
{
    attach(20);
    EXPECT_EQ(table->contentInset().bottom, 44);
    EXPECT_EQ(foot->frame().y(), 1000);
    EXPECT_EQ(foot->stateLabel()->text(), "点击或上拉加载更多");

    foot->setAutomaticallyRefresh(false);
    scrollTo(600);
    foot->setAutomaticallyRefresh(true);
    scrollTo(580);
    EXPECT_EQ(foot->state(), RefreshState::Idle);
    scrollTo(500);
    scrollTo(564);
    EXPECT_EQ(foot->state(), RefreshState::Idle);
    scrollTo(565);
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
    EXPECT_TRUE(foot->loadingView()->isAnimating());

    harness.advance(0.49);
    EXPECT_EQ(callbacks, 0);
    harness.advance(0.02);
    EXPECT_EQ(callbacks, 1);
    foot->endRefreshing();
    EXPECT_EQ(table->contentInset().bottom, 44);
}

TEST_F(AutoFooterTest, shortListLoadsOnlyWhenADragUpIsLetGo)
{
    attach(6);
    scrollTo(30);
    EXPECT_EQ(foot->state(), RefreshState::Idle);
    scrollTo(0);
    support::InputDriver::drag(*table, 20);
    EXPECT_EQ(foot->state(), RefreshState::Idle);
    support::InputDriver::drag(*table, -5);
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
}

TEST_F(AutoFooterTest, tappingTheTextLoadsOnlyAtRest)
{
    attach(6);
    foot->noticeNoMoreData();
    harness.tap(*foot->stateLabel());
    EXPECT_EQ(foot->state(), RefreshState::NoMoreData);
    foot->resetNoMoreData();
    harness.tap(*foot->stateLabel());
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
}

// Nothing pinned the automatic gif footer: its frames play only while it
// loads, beside the text, or centred when the text is hidden.
TEST_F(AutoFooterTest, gifFooterPlaysItsFramesOnlyWhileItLoads)
{
    auto gif = RefreshAutoGifFooter::footerWithRefreshingBlock([this] { ++callbacks; });
    RefreshAutoGifFooter::Images frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(graphics::Image::fromColor(graphics::Color(i / 3.0, 0, 0, 1), { 30, 30 }));
    gif->setImages(frames, 0.6, RefreshState::Refreshing);
    setFooter(*table, gif);
    setRows(20);
    auto const view = gif->gifView();
    EXPECT_EQ(view->frame().width(), 320 * 0.5 - 90);
    EXPECT_EQ(view->contentMode(), kit::ContentMode::Right);

    scrollTo(565);
    ASSERT_EQ(gif->state(), RefreshState::Refreshing);
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(view->isAnimating());
    EXPECT_EQ(view->animationImages(), frames);
    EXPECT_DOUBLE_EQ(view->animationDuration(), 0.6);
    EXPECT_EQ(gif->stateLabel()->text(), "正在加载更多的数据...");
    harness.advance(0.51);
    EXPECT_EQ(callbacks, 1);
    gif->endRefreshing();
    harness.runUntilIdle();
    EXPECT_TRUE(view->isHidden());
    EXPECT_FALSE(view->isAnimating());

    // Without the text the frames fill the footer (from the next layout); a
    // single frame stands still.
    gif->setRefreshingTitleHidden(true);
    gif->setNeedsLayout();
    gif->setImages(RefreshAutoGifFooter::Images { frames[1] }, RefreshState::Refreshing);
    gif->beginRefreshing();
    harness.runUntilIdle();
    ASSERT_EQ(gif->state(), RefreshState::Refreshing);
    EXPECT_EQ(view->frame().width(), 320);
    EXPECT_EQ(view->contentMode(), kit::ContentMode::Center);
    EXPECT_EQ(gif->stateLabel()->text(), "");
    EXPECT_FALSE(view->isHidden());
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->image(), frames[1]);
    gif->noticeNoMoreData();
    harness.runUntilIdle();
    EXPECT_TRUE(view->isHidden());
}

TEST_F(AutoFooterTest, bottomInsetIsTakenOnceAndGivenBackOnce)
{
    table->setContentInset({ 0, 0, 10, 0 });
    attach(20);
    EXPECT_EQ(table->contentInset().bottom, 54);
    foot->setHidden(true);
    foot->setHidden(true);
    EXPECT_EQ(table->contentInset().bottom, 10);
    // Hidden, it neither reacts nor keeps an inset when it leaves.
    scrollTo(900);
    EXPECT_EQ(foot->state(), RefreshState::Idle);
    foot->removeFromSuperview();
    EXPECT_EQ(table->contentInset().bottom, 10);

    auto other = RefreshAutoNormalFooter::footerWithRefreshingBlock({});
    setFooter(*table, other);
    EXPECT_EQ(table->contentInset().bottom, 54);
    other->removeFromSuperview();
    EXPECT_EQ(table->contentInset().bottom, 10);
}

} // namespace
