#include "RefreshTestSupport.h"
#include "platform/kit/CollectionView.h"
#include "refresh/RefreshAutoNormalFooter.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"

namespace {

class ItemSource : public kit::CollectionViewDataSource {
public:
    int numberOfSectionsInCollectionView(kit::CollectionView&) override { return 2; }
    int collectionViewNumberOfItemsInSection(kit::CollectionView&, int section) override
    {
        return section == 0 ? 3 : 4;
    }
};

class CollectionRefreshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        grid = std::make_shared<kit::CollectionView>(graphics::Rect(0, 0, 320, 480));
        grid->setDataSource(source);
        grid->setContentSize({ 320, 1000 });
        harness.window()->addSubview(grid);
        harness.runUntilIdle();
    }

    support::ScreenHarness harness;
    std::shared_ptr<ItemSource> source = std::make_shared<ItemSource>();
    std::shared_ptr<kit::CollectionView> grid;
};

} // namespace

TEST_F(CollectionRefreshTest, header_and_back_footer_count_items_and_close_a_tenth_of_a_second_after_the_end)
{
    auto head = RefreshNormalHeader::headerWithRefreshingBlock([] {});
    auto foot = RefreshBackNormalFooter::footerWithRefreshingBlock([] {});
    setHeader(*grid, head);
    setFooter(*grid, foot);
    harness.runUntilIdle();

    for (std::shared_ptr<RefreshComponent> control :
        { std::shared_ptr<RefreshComponent>(head), std::shared_ptr<RefreshComponent>(foot) }) {
        control->beginRefreshing();
        harness.advance(0.5);
        ASSERT_EQ(control->state(), RefreshState::Refreshing);
        control->endRefreshing();
        harness.runUntilIdle();
        EXPECT_EQ(control->state(), RefreshState::Refreshing) << "closed before the items were laid out";
        harness.advance(0.1);
        EXPECT_EQ(control->state(), RefreshState::Idle);
    }
    EXPECT_EQ(foot->lastRefreshCount(), 7);
    EXPECT_EQ(foot->totalDataCountInScrollView(), 7);
}

class AutoFooterTapTest : public refreshtest::ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        foot = RefreshAutoNormalFooter::footerWithRefreshingBlock([] {});
        setFooter(*table, foot);
        setRows(6);
    }
    graphics::Point labelCentre() const
    {
        auto const& label = *foot->stateLabel();
        auto frame = label.convertRectToView(label.bounds(), nullptr);
        return { frame.midX(), frame.midY() };
    }

    std::shared_ptr<RefreshAutoNormalFooter> foot;
};

TEST_F(AutoFooterTapTest, only_a_tap_on_the_text_loads_not_a_slide_that_ends_on_it_or_off_it)
{
    auto const centre = labelCentre();
    auto& window = *harness.window();
    // Slides along the text and back onto it.
    window.touchDown({ centre.x - 60, centre.y });
    window.touchMove({ centre.x + 60, centre.y });
    window.touchUp({ centre.x + 40, centre.y });
    harness.runUntilIdle();
    EXPECT_EQ(foot->state(), RefreshState::Idle);

    harness.tapAndSlideOff(*foot->stateLabel());
    harness.runUntilIdle();
    EXPECT_EQ(foot->state(), RefreshState::Idle);

    // A finger wobbling a few points is still a tap.
    window.touchDown(centre);
    window.touchMove({ centre.x + 4, centre.y + 2 });
    window.touchUp({ centre.x + 4, centre.y + 2 });
    harness.runUntilIdle();
    EXPECT_EQ(foot->state(), RefreshState::Refreshing);
}
