#include "platform/foundation/RunLoop.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TableLayout.h"
#include "platform/kit/TableView.h"
#include "platform/kit/Window.h"
#include "support/InputDriver.h"

#include <cmath>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

using graphics::Point;
using kit::IndexPath;
using kit::TableView;
using support::InputDriver;

namespace {

class ScrollViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        scroll = std::make_shared<kit::ScrollView>(graphics::Rect(0, 0, 320, 480));
        scroll->setContentSize({ 320, 1000 });
        offsetSub = scroll->observeContentOffset([this](Point from, Point to) {
            log.push_back("offset " + std::to_string(int(from.y)) + "->" + std::to_string(int(to.y))
                + (scroll->isDragging() ? " dragging" : ""));
        });
        panSub = scroll->panGestureRecognizer()->observeState([this](auto, auto to) {
            log.push_back("pan " + std::to_string(int(to)) + (scroll->isDragging() ? " dragging" : ""));
        });
    }

    std::shared_ptr<kit::ScrollView> scroll;
    std::vector<std::string> log;
    foundation::Subscription offsetSub;
    foundation::Subscription panSub;
};

TEST_F(ScrollViewTest, settingTheSameOffsetIsStillReported)
{
    scroll->setContentOffset({ 0, 0 });
    scroll->setContentOffset({ 0, 0 }, true);
    EXPECT_EQ(log, (std::vector<std::string> { "offset 0->0", "offset 0->0" }));
}

TEST_F(ScrollViewTest, dragGoesThroughTheFingersStatesAndSpringsBackAfterTheReleaseReport)
{
    InputDriver::drag(*scroll, 60, 2);
    ASSERT_GT(log.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 8),
        (std::vector<std::string> { "pan 1 dragging", "pan 2 dragging", "offset 0->-30 dragging",
            "pan 2 dragging", "offset -30->-60 dragging", "pan 3", "offset -60->-60", "pan 0" }));
    // Then back inside step by step, to exactly where the content starts.
    EXPECT_GT(log.size(), 12u);
    EXPECT_EQ(log.back().substr(log.back().size() - 3), "->0");
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_FALSE(scroll->isDecelerating());
}

TEST_F(ScrollViewTest, withoutBounceOrScrollingTheContentStaysInRange)
{
    scroll->setBounces(false);
    InputDriver::drag(*scroll, 100);
    EXPECT_EQ(scroll->contentOffset().y, 0);
    InputDriver::drag(*scroll, -5000);
    EXPECT_EQ(scroll->contentOffset().y, 520);

    scroll->setScrollEnabled(false);
    log.clear();
    InputDriver::drag(*scroll, 100);
    EXPECT_TRUE(log.empty());

    // Short content only follows the finger when asked to bounce anyway.
    auto shortList = std::make_shared<kit::ScrollView>(graphics::Rect(0, 0, 320, 480));
    shortList->setContentSize({ 320, 100 });
    InputDriver::drag(*shortList, 50);
    shortList->beginDragging();
    shortList->dragBy(50);
    EXPECT_EQ(shortList->contentOffset().y, 0);
    shortList->endDragging();
    shortList->setAlwaysBounceVertical(true);
    shortList->beginDragging();
    shortList->dragBy(50);
    EXPECT_EQ(shortList->contentOffset().y, -50);
    shortList->endDragging();
    InputDriver::settleScrolling(*shortList);
    EXPECT_EQ(shortList->contentOffset().y, 0);
}

// The phone's scroll view keeps its offset inside content that shrank or a
// view that grew; left past the end, a list shows nothing of what it holds.
TEST_F(ScrollViewTest, anOffsetPastTheEndOfShrunkContentOrAGrownViewComesBackToTheEnd)
{
    scroll->setContentOffset({ 0, 520 });
    log.clear();
    std::vector<std::string> order;
    auto sizeSub
        = scroll->observeContentSize([&](graphics::Size, graphics::Size) { order.push_back("size"); });
    auto offsetOrder = scroll->observeContentOffset([&](Point, Point) { order.push_back("offset"); });
    scroll->setContentSize({ 320, 700 });
    EXPECT_EQ(scroll->contentOffset().y, 220);
    // A footer placed under the new content first, then the offset reported.
    EXPECT_EQ(order, (std::vector<std::string> { "size", "offset" }));

    // The largest offset counts the insets: a bottom one keeps its room.
    scroll->setContentInset({ 0, 0, 44, 0 });
    scroll->setContentOffset({ 0, 264 });
    scroll->setContentSize({ 320, 600 });
    EXPECT_EQ(scroll->contentOffset().y, 164);
    // Shorter than the view: back to the start, under a top inset too.
    scroll->setContentInset({ 54, 0, 0, 0 });
    scroll->setContentSize({ 320, 100 });
    EXPECT_EQ(scroll->contentOffset().y, -54);

    // A view grown taller shows the end; sideways alike.
    scroll->setContentInset({});
    scroll->setContentSize({ 1280, 1000 });
    scroll->setContentOffset({ 960, 520 });
    scroll->setFrame({ 0, 0, 320, 600 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 960, 400 }));
    scroll->setContentSize({ 640, 1000 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 320, 400 }));
    // A smaller view, or an offset above the start (a pull), is left alone.
    scroll->setFrame({ 0, 0, 320, 480 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 320, 400 }));
    scroll->setContentOffset({ 0, -60 });
    scroll->setContentSize({ 320, 200 });
    EXPECT_EQ(scroll->contentOffset().y, -60);
}

TEST_F(ScrollViewTest, contentShrinkingUnderAFingerStaysPutUntilReleasedThenSettlesInside)
{
    scroll->setContentOffset({ 0, 520 });
    ASSERT_TRUE(scroll->beginDragging());
    scroll->dragBy(-10);
    scroll->setContentSize({ 320, 600 });
    EXPECT_EQ(scroll->contentOffset().y, 530) << "the content jumped under the finger";
    scroll->endDragging();
    ASSERT_TRUE(scroll->isDecelerating());
    // The spring back heads for the new end; a shrink meanwhile changes its goal, not its path.
    scroll->setContentSize({ 320, 500 });
    EXPECT_EQ(scroll->contentOffset().y, 530);
    InputDriver::settleScrolling(*scroll);
    EXPECT_EQ(scroll->contentOffset().y, 20);
}

// A list of sections with fixed rows; counts each cell it had to make.
class Rows : public kit::TableViewDataSource, public kit::TableViewDelegate {
public:
    std::vector<int> rows { 3 };
    double height = 50;
    double header = 0;
    int cellsMade = 0;
    bool giveCells = true;
    std::vector<std::string> taps;

    int numberOfSectionsInTableView(TableView&) override { return static_cast<int>(rows.size()); }
    int tableViewNumberOfRowsInSection(TableView&, int section) override
    {
        return rows[static_cast<std::size_t>(section)];
    }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath) override
    {
        if (!giveCells)
            return nullptr;
        auto cell = table.dequeueReusableCellWithIdentifier("row");
        if (!cell) {
            ++cellsMade;
            cell = std::make_shared<kit::TableViewCell>(kit::TableViewCellStyle::Default, "row");
        }
        return cell;
    }
    std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, IndexPath) override { return height; }
    std::optional<double> tableViewHeightForHeaderInSection(TableView&, int) override { return header; }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath p) override
    {
        taps.push_back("select " + std::to_string(p.section) + "." + std::to_string(p.row));
    }
    void tableViewDidDeselectRowAtIndexPath(TableView&, IndexPath p) override
    {
        taps.push_back("deselect " + std::to_string(p.section) + "." + std::to_string(p.row));
    }
};

class TableViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        table = std::make_shared<TableView>(graphics::Rect(0, 0, 320, 480));
        table->setDataSource(rows);
        table->setDelegate(rows);
        sizeSub = table->observeContentSize(
            [this](graphics::Size, graphics::Size to) { sizes.push_back(to.height); });
    }

    std::shared_ptr<TableView> table;
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::vector<double> sizes;
    foundation::Subscription sizeSub;
};

TEST_F(TableViewTest, reloadRecomputesAndReportsTheContentSizeEvenWhenUnchanged)
{
    rows->rows = { 2, 3 };
    rows->header = 40;
    auto footer = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 80));
    table->setTableFooterView(footer);
    table->reloadData();
    table->reloadData();
    EXPECT_EQ(sizes, (std::vector<double> { 2 * 40 + 5 * 50 + 80, 410 }));
    EXPECT_EQ(footer->frame().y(), 330);
    EXPECT_EQ(table->rectForRowAtIndexPath({ 1, 0 }).y(), 40 + 100 + 40);

    // A footer set on a loaded table counts at once.
    table->setTableFooterView(std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 100)));
    EXPECT_EQ(sizes.back(), 430);
    EXPECT_EQ(footer->superview(), nullptr);

    rows->rows = {};
    table->reloadData();
    EXPECT_EQ(sizes.back(), 100);
    EXPECT_TRUE(table->visibleCells().empty());
}

TEST_F(TableViewTest, onlyVisibleRowsHaveCellsAndScrolledOutCellsAreReused)
{
    rows->rows = { 100 };
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 20 }), nullptr);
    EXPECT_EQ(rows->cellsMade, 10);

    table->setContentOffset({ 0, 1000 });
    ASSERT_NE(table->cellForRowAtIndexPath({ 0, 20 }), nullptr);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 0 }), nullptr);
    EXPECT_EQ(rows->cellsMade, 10);

    table->reloadData();
    EXPECT_EQ(rows->cellsMade, 10);
    EXPECT_EQ(table->indexPathsForVisibleRows().front(), (IndexPath { 0, 20 }));
}

TEST_F(TableViewTest, rowTapDeselectsThePreviousRowFirst)
{
    auto window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
    window->addSubview(table);
    table->reloadData();
    EXPECT_TRUE(InputDriver::selectRow(*table, { 0, 1 }));
    EXPECT_TRUE(InputDriver::selectRow(*table, { 0, 2 }));
    EXPECT_FALSE(InputDriver::selectRow(*table, { 0, 3 }));
    EXPECT_FALSE(InputDriver::selectRow(*table, { 4, 0 }));
    EXPECT_EQ(rows->taps, (std::vector<std::string> { "select 0.1", "deselect 0.1", "select 0.2" }));
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 0, 2 })->isSelected());
    EXPECT_FALSE(table->cellForRowAtIndexPath({ 0, 1 })->isSelected());

    // A finger on the row's area reaches the table through the cell.
    window->touchDown({ 100, 25 });
    window->touchUp({ 100, 25 });
    EXPECT_EQ(rows->taps.back(), "select 0.0");
}

TEST_F(TableViewTest, selectingARowIsAFingerThatMustLandOnIt)
{
    struct Screen : kit::View {
        using View::View;
        int touches = 0;
        void touchesEnded(const kit::Touch&) override { ++touches; }
    };
    auto window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
    auto screen = std::make_shared<Screen>(graphics::Rect(0, 0, 320, 568));
    window->addSubview(screen);
    screen->addSubview(table);
    rows->rows = { 30 };
    table->reloadData();

    // The views above the list see it, as they do a real finger.
    EXPECT_TRUE(InputDriver::selectRow(*table, { 0, 2 }));
    EXPECT_EQ(screen->touches, 1);
    EXPECT_NONFATAL_FAILURE(InputDriver::selectRow(*table, { 0, 20 }), "not shown");
    auto cover = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 120));
    screen->addSubview(cover);
    EXPECT_NONFATAL_FAILURE(InputDriver::selectRow(*table, { 0, 1 }), "covered");
    EXPECT_EQ(rows->taps, (std::vector<std::string> { "select 0.2" }));
}

TEST_F(TableViewTest, countsAreLoadedOnFirstAskAndBadAnswersDoNotBreakTheTable)
{
    rows->rows = { 4 };
    EXPECT_EQ(table->numberOfRowsInSection(0), 4);
    EXPECT_EQ(sizes, (std::vector<double> { 200 }));

    rows->rows = { -3, 2 };
    rows->height = std::numeric_limits<double>::quiet_NaN();
    rows->giveCells = false;
    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_EQ(table->numberOfRowsInSection(7), 0);
    EXPECT_EQ(sizes.back(), 0);
    EXPECT_TRUE(table->visibleCells().empty());
}

TEST_F(TableViewTest, reloadAskedWhileRowsAreBuiltHappensOnTheNextPass)
{
    struct ReloadsFromCell : Rows {
        bool reloaded = false;
        std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(TableView& t, IndexPath p) override
        {
            if (!std::exchange(reloaded, true))
                t.reloadData();
            return Rows::tableViewCellForRowAtIndexPath(t, p);
        }
    };
    auto reloading = std::make_shared<ReloadsFromCell>();
    table->setDataSource(reloading);
    auto window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
    window->addSubview(table);
    table->reloadData();
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(table->visibleCells().size(), 3u);
    EXPECT_EQ(sizes.back(), 150);
}

TEST(TableLayoutTest, rowsBetweenFindsPartlyVisibleRowsAndSkipsEmptyOnes)
{
    kit::TableLayout layout;
    layout.rebuild({ { 10, { 30, 0, 30 } }, { 0, { 30 } } }, 5);
    EXPECT_EQ(layout.contentHeight(), 105);
    EXPECT_EQ(layout.rowsBetween(39, 41), (std::vector<IndexPath> { { 0, 0 }, { 0, 2 } }));
    EXPECT_EQ(layout.rowsBetween(70, 71), (std::vector<IndexPath> { { 1, 0 } }));
    EXPECT_TRUE(layout.rowsBetween(100, 200).empty());
    IndexPath hit;
    EXPECT_TRUE(layout.rowAt(40, hit));
    EXPECT_EQ(hit, (IndexPath { 0, 2 }));
    EXPECT_FALSE(layout.rowAt(5, hit));
}

} // namespace

namespace {

TEST_F(TableViewTest, cellsFromARegisteredLayoutCarryTheirIdentifierAndAreReused)
{
    int built = 0;
    kit::Registry::shared().registerView("BillTableViewCell", [&built] {
        ++built;
        return std::make_shared<kit::TableViewCell>();
    });
    struct FromNib : Rows {
        std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
            TableView& table, IndexPath p) override
        {
            return table.dequeueReusableCellWithIdentifier("billCell", p);
        }
    };
    auto nibRows = std::make_shared<FromNib>();
    nibRows->rows = { 3 };
    table->setDataSource(nibRows);
    table->registerNib("BillTableViewCell", "billCell");
    table->reloadData();
    table->reloadData();
    EXPECT_EQ(built, 3);
    EXPECT_EQ(table->visibleCells().front()->reuseIdentifier(), "billCell");
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("unknown"), nullptr);
    kit::Registry::shared().clear();
}

TEST_F(TableViewTest, sectionHeadersTakeRoomOnlyWhenTheyHaveSomethingToShow)
{
    struct Titled : kit::TableViewDataSource {
        int numberOfSectionsInTableView(TableView&) override { return 2; }
        int tableViewNumberOfRowsInSection(TableView&, int) override { return 1; }
        std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) override
        {
            return std::make_shared<kit::TableViewCell>();
        }
        std::optional<std::string> tableViewTitleForHeaderInSection(TableView&, int section) override
        {
            return section == 1 ? std::optional<std::string>("会员折扣") : std::nullopt;
        }
    };
    auto titled = std::make_shared<Titled>();
    table->setDataSource(titled);
    table->setDelegate(std::weak_ptr<kit::TableViewDelegate>());
    table->reloadData();
    EXPECT_EQ(table->rectForHeaderInSection(0).height(), 0);
    EXPECT_EQ(table->rectForHeaderInSection(1).height(), 22);
    EXPECT_EQ(sizes.back(), 44 + 22 + 44);
    ASSERT_NE(table->headerViewForSection(1), nullptr);
    EXPECT_EQ(table->headerViewForSection(1)->frame().y(), 44);
}

TEST(DatePickerTest, onlyAFingersPickThatMovesTheDateSendsValueChanged)
{
    auto picker = std::make_shared<kit::DatePicker>();
    int changes = 0;
    picker->addAction([&](kit::Control&) { ++changes; }, kit::ControlEvent::ValueChanged);
    picker->setDate(1000);
    EXPECT_EQ(changes, 0);
    picker->setMinimumDate(500);
    InputDriver::pickDate(*picker, 100);
    EXPECT_EQ(picker->date(), 500);
    InputDriver::pickDate(*picker, 500);
    InputDriver::pickDate(*picker, std::nan(""));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picker->date(), 500);
}

} // namespace
