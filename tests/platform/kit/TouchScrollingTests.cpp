#include "platform/foundation/RunLoop.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/DisplayGeneration.h"
#include "platform/kit/Label.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/TableView.h"
#include "platform/kit/Window.h"

#include <cmath>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using graphics::Point;
using graphics::Rect;

namespace {

struct EventLog {
    std::vector<std::string> events;
    void watch(kit::Button& button)
    {
        button.addAction([this](kit::Control&) { events.push_back("down"); }, kit::ControlEvent::TouchDown);
        button.addAction(
            [this](kit::Control&) { events.push_back("up-inside"); }, kit::ControlEvent::TouchUpInside);
        button.addAction(
            [this](kit::Control&) { events.push_back("cancel"); }, kit::ControlEvent::TouchCancel);
    }
};

// A finger on a window, on the virtual clock: every move comes `step`
// seconds after the last one, so the release has the speed of the path.
class TouchScrollingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        window = std::make_shared<kit::Window>(Rect(0, 0, 320, 568));
    }

    static void advance(double seconds) { foundation::RunLoop::main().advance(seconds); }

    void swipe(Point from, Point to, double seconds, int moves = 10)
    {
        window->touchDown(from);
        for (int i = 1; i <= moves; ++i) {
            advance(seconds / moves);
            double t = static_cast<double>(i) / moves;
            window->touchMove({ from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t });
        }
        window->touchUp(to);
    }

    std::shared_ptr<kit::ScrollView> addList(Rect frame, double contentHeight)
    {
        auto list = std::make_shared<kit::ScrollView>(frame);
        list->setContentSize({ frame.width(), contentHeight });
        window->addSubview(list);
        return list;
    }

    // A button in `parent` whose events go to `log`.
    std::shared_ptr<kit::Button> addButton(kit::View& parent, Rect frame)
    {
        auto button = std::make_shared<kit::Button>(kit::ButtonType::Custom, frame);
        parent.addSubview(button);
        log.watch(*button);
        return button;
    }

    std::shared_ptr<kit::Window> window;
    EventLog log;
};

TEST_F(TouchScrollingTest, aTouchPastTheSlopDragsTheListAndCancelsTheButtonUnderIt)
{
    auto list = addList(Rect(0, 0, 320, 480), 2000);
    auto button = addButton(*list, Rect(0, 100, 320, 44));

    // A finger that trembles within the slop is still a tap.
    window->touchDown({ 160, 120 });
    window->touchMove({ 163, 114 });
    window->touchUp({ 163, 114 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "down", "up-inside" }));
    EXPECT_EQ(list->contentOffset().y, 0);

    log.events.clear();
    window->touchDown({ 160, 120 });
    window->touchMove({ 160, 105 });
    EXPECT_TRUE(list->isDragging());
    EXPECT_FALSE(button->isHighlighted());
    // From where the drag began the content follows the finger exactly.
    window->touchMove({ 160, 55 });
    EXPECT_EQ(list->contentOffset().y, 50);
    window->touchUp({ 160, 55 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "down", "cancel" }));
    EXPECT_FALSE(list->isDragging());
}

TEST_F(TouchScrollingTest, rowsSelectOnATapButNotWhenTheFingerDraggedOrSlidToAnotherRow)
{
    struct Rows : kit::TableViewDataSource, kit::TableViewDelegate {
        int count = 40;
        std::vector<int> selected;
        int tableViewNumberOfRowsInSection(kit::TableView&, int) override { return count; }
        std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
            kit::TableView&, kit::IndexPath) override
        {
            return std::make_shared<kit::TableViewCell>();
        }
        void tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath p) override
        {
            selected.push_back(p.row);
        }
    };
    auto rows = std::make_shared<Rows>();
    auto table = std::make_shared<kit::TableView>(Rect(0, 0, 320, 480));
    table->setDataSource(rows);
    table->setDelegate(rows);
    window->addSubview(table);
    kit::View::runPendingPasses();

    window->touchDown({ 100, 100 });
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 0, 2 })->isHighlighted());
    window->touchUp({ 100, 100 });
    EXPECT_EQ(rows->selected, (std::vector<int> { 2 }));
    EXPECT_FALSE(table->cellForRowAtIndexPath({ 0, 2 })->isHighlighted());

    swipe({ 100, 300 }, { 100, 150 }, 0.5);
    advance(3);
    EXPECT_EQ(rows->selected, (std::vector<int> { 2 }));
    EXPECT_GT(table->contentOffset().y, 100);

    // A list too short to scroll keeps the finger, yet a slide is no tap.
    rows->count = 3;
    table->reloadData();
    table->setContentOffset({ 0, 0 });
    kit::View::runPendingPasses();
    swipe({ 100, 10 }, { 100, 120 }, 0.3);
    EXPECT_EQ(rows->selected, (std::vector<int> { 2 }));
    EXPECT_EQ(table->contentOffset().y, 0);
}

TEST_F(TouchScrollingTest, pagesSettleOnTheNearestPageUnlessTheReleaseSpeedSaysOtherwise)
{
    auto pages = std::make_shared<kit::ScrollView>(Rect(0, 0, 320, 568));
    pages->setContentSize({ 4 * 320, 568 });
    pages->setPagingEnabled(true);
    window->addSubview(pages);

    // Slowly past the middle: the next page.
    swipe({ 300, 300 }, { 110, 300 }, 1.5);
    EXPECT_TRUE(pages->isDecelerating());
    EXPECT_LT(pages->contentOffset().x, 320);
    advance(1);
    EXPECT_EQ(pages->contentOffset(), (Point { 320, 0 }));
    EXPECT_FALSE(pages->isDecelerating());

    // A short flick still turns the page; a short slow push does not.
    swipe({ 300, 300 }, { 220, 300 }, 0.05);
    advance(1);
    EXPECT_EQ(pages->contentOffset().x, 640);
    swipe({ 300, 300 }, { 220, 300 }, 1.5);
    advance(1);
    EXPECT_EQ(pages->contentOffset().x, 640);

    // Past the middle but flung back: the page it came from.
    window->touchDown({ 300, 300 });
    for (double x = 290; x >= 70; x -= 10) {
        advance(0.05);
        window->touchMove({ x, 300 });
    }
    for (double x = 80; x <= 110; x += 10) {
        advance(0.005);
        window->touchMove({ x, 300 });
    }
    EXPECT_GT(pages->contentOffset().x, 800);
    window->touchUp({ 110, 300 });
    advance(1);
    EXPECT_EQ(pages->contentOffset().x, 640);

    // Beyond the last page the content springs back onto it.
    swipe({ 300, 300 }, { 10, 300 }, 0.05);
    swipe({ 300, 300 }, { 10, 300 }, 0.05);
    advance(1);
    EXPECT_EQ(pages->contentOffset().x, 960);
}

TEST_F(TouchScrollingTest, aFlungListCoastsToAStopAndSpringsBackFromBeyondItsEnd)
{
    auto list = addList(Rect(0, 0, 320, 480), 3000);
    swipe({ 160, 400 }, { 160, 300 }, 0.1);
    double released = list->contentOffset().y;
    advance(0.2);
    double coasting = list->contentOffset().y;
    EXPECT_GT(coasting, released + 50);
    EXPECT_TRUE(list->isDecelerating());
    advance(5);
    EXPECT_FALSE(list->isDecelerating());
    double stopped = list->contentOffset().y;
    EXPECT_GT(stopped, coasting);
    advance(1);
    EXPECT_EQ(list->contentOffset().y, stopped);

    // Flung hard at the end: past it for a moment, then back onto it.
    list->setContentOffset({ 0, 2400 });
    swipe({ 160, 400 }, { 160, 200 }, 0.05);
    double furthest = 0;
    for (int i = 0; i < 120; ++i) {
        advance(1.0 / 60);
        furthest = std::max(furthest, list->contentOffset().y);
    }
    EXPECT_GT(furthest, 2520);
    EXPECT_EQ(list->contentOffset().y, 2520);

    // Pulled down and held still: no coasting, just the spring back.
    list->setContentOffset({ 0, 0 });
    window->touchDown({ 160, 100 });
    window->touchMove({ 160, 120 });
    window->touchMove({ 160, 220 });
    advance(0.5);
    window->touchUp({ 160, 220 });
    EXPECT_EQ(list->contentOffset().y, -100);
    advance(0.1);
    EXPECT_GT(list->contentOffset().y, -100);
    EXPECT_LT(list->contentOffset().y, 0);
    advance(1);
    EXPECT_EQ(list->contentOffset().y, 0);
}

TEST_F(TouchScrollingTest, aFingerOnMovingContentStopsItAndPressesNothing)
{
    auto list = addList(Rect(0, 0, 320, 480), 3000);
    addButton(*list, Rect(0, 0, 320, 3000));
    swipe({ 160, 400 }, { 160, 300 }, 0.1);
    log.events.clear();
    advance(0.1);
    ASSERT_TRUE(list->isDecelerating());
    window->touchDown({ 160, 200 });
    double caught = list->contentOffset().y;
    advance(0.5);
    EXPECT_EQ(list->contentOffset().y, caught);
    window->touchUp({ 160, 200 });
    EXPECT_TRUE(log.events.empty());

    // Caught while springing back, it still comes to rest inside.
    list->setContentOffset({ 0, 0 });
    swipe({ 160, 100 }, { 160, 250 }, 0.5);
    advance(0.05);
    window->touchDown({ 160, 200 });
    window->touchUp({ 160, 200 });
    advance(1);
    EXPECT_EQ(list->contentOffset().y, 0);
}

TEST_F(TouchScrollingTest, nestedScrollViewsEachTakeTheDragAlongTheirOwnAxis)
{
    auto pages = std::make_shared<kit::ScrollView>(Rect(0, 0, 320, 568));
    pages->setContentSize({ 640, 568 });
    pages->setPagingEnabled(true);
    window->addSubview(pages);
    auto list = std::make_shared<kit::ScrollView>(Rect(0, 0, 320, 568));
    list->setContentSize({ 320, 2000 });
    pages->addSubview(list);

    window->touchDown({ 160, 300 });
    window->touchMove({ 150, 250 });
    EXPECT_EQ(window->draggedScrollView(), list);
    window->touchUp({ 150, 250 });

    window->touchDown({ 300, 300 });
    window->touchMove({ 250, 290 });
    EXPECT_EQ(window->draggedScrollView(), pages);
    window->touchMove({ 20, 290 });
    window->touchUp({ 20, 290 });
    advance(1);
    EXPECT_EQ(pages->contentOffset().x, 320);
}

TEST_F(TouchScrollingTest, aDateWheelKeepsUpAndDownDragsFromTheListItIsIn)
{
    auto list = addList(Rect(0, 0, 320, 480), 2000);
    auto picker = std::make_shared<kit::DatePicker>(Rect(10, 100, 300, 180));
    picker->setDatePickerMode(kit::DatePickerMode::Date);
    std::tm noon {};
    noon.tm_year = 2026 - 1900;
    noon.tm_mon = 0;
    noon.tm_mday = 30;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    picker->setDate(static_cast<double>(std::mktime(&noon)));
    int changes = 0;
    picker->addAction([&](kit::Control&) { ++changes; }, kit::ControlEvent::ValueChanged);
    list->addSubview(picker);

    // Two rows up on the day wheel: 30th, 31st, then round to the 1st.
    double row = picker->rowHeight();
    window->touchDown({ 280, 200 });
    window->touchMove({ 280, 200 - row });
    window->touchMove({ 280, 200 - 2 * row - 1 });
    window->touchUp({ 280, 200 - 2 * row - 1 });
    EXPECT_EQ(list->contentOffset().y, 0);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(picker->wheelText(kit::DatePicker::Wheel::Day, picker->date()), "01");
    EXPECT_EQ(picker->wheelText(kit::DatePicker::Wheel::Month, picker->date()), "01");

    // The month wheel through the wheel of a mouse: February has no 31st.
    window->touchDown({ 280, 200 });
    window->touchUp({ 280, 200 });
    picker->turnWheel(kit::DatePicker::Wheel::Day, 30);
    EXPECT_TRUE(window->scrollWheelAt({ 170, 200 }, 0, 40));
    EXPECT_EQ(picker->wheelText(kit::DatePicker::Wheel::Month, picker->date()), "02");
    EXPECT_EQ(picker->wheelText(kit::DatePicker::Wheel::Day, picker->date()), "28");
    // Sideways the list takes the drag if it could; it cannot, so nothing moves.
    window->touchDown({ 280, 200 });
    window->touchMove({ 200, 200 });
    EXPECT_EQ(window->draggedScrollView(), nullptr);
    window->touchUp({ 200, 200 });
}

TEST_F(TouchScrollingTest, theWheelScrollsWhatIsUnderThePointerWithinItsContent)
{
    auto list = addList(Rect(0, 0, 320, 300), 400);
    auto pages = std::make_shared<kit::ScrollView>(Rect(0, 300, 320, 268));
    pages->setContentSize({ 960, 268 });
    pages->setPagingEnabled(true);
    window->addSubview(pages);

    EXPECT_TRUE(window->scrollWheelAt({ 160, 100 }, 0, 40));
    EXPECT_EQ(list->contentOffset().y, 40);
    EXPECT_TRUE(window->scrollWheelAt({ 160, 100 }, 0, 400));
    EXPECT_EQ(list->contentOffset().y, 100);
    EXPECT_FALSE(window->scrollWheelAt({ 160, 100 }, 0, 40));

    // A plain wheel turns a sideways pager a page at a time, however many
    // notches one turn of it sends.
    EXPECT_TRUE(window->scrollWheelAt({ 160, 400 }, 0, 40));
    EXPECT_TRUE(window->scrollWheelAt({ 160, 400 }, 0, 40));
    advance(1);
    EXPECT_EQ(pages->contentOffset().x, 320);
    EXPECT_EQ(list->contentOffset().y, 100);
}

TEST(DatePickerWheelsTest, wheelsTurnWithinTheirFieldAndKeepTheDayInTheMonth)
{
    using Wheel = kit::DatePicker::Wheel;
    std::tm leap {};
    leap.tm_year = 2024 - 1900;
    leap.tm_mon = 1;
    leap.tm_mday = 29;
    leap.tm_hour = 23;
    leap.tm_min = 59;
    leap.tm_isdst = -1;
    double date = static_cast<double>(std::mktime(&leap));
    kit::DatePicker picker;
    picker.setLocale("zh_Hans_CN");
    auto shown = [&](double d) {
        return picker.wheelText(Wheel::Year, d) + picker.wheelText(Wheel::Month, d)
            + picker.wheelText(Wheel::Day, d) + " " + picker.wheelText(Wheel::Hour, d) + ":"
            + picker.wheelText(Wheel::Minute, d);
    };
    EXPECT_EQ(shown(date), "2024年2月29日 23:59");
    EXPECT_EQ(shown(kit::DatePicker::turned(date, Wheel::Year, 1)), "2025年2月28日 23:59");
    EXPECT_EQ(shown(kit::DatePicker::turned(date, Wheel::Day, 1)), "2024年2月1日 23:59");
    EXPECT_EQ(shown(kit::DatePicker::turned(date, Wheel::Month, -2)), "2024年12月29日 23:59");
    EXPECT_EQ(shown(kit::DatePicker::turned(date, Wheel::Minute, 1)), "2024年2月29日 23:00");
    EXPECT_EQ(shown(kit::DatePicker::turned(date, Wheel::MonthDay, 1)), "2024年3月1日 23:59");
}

TEST(DisplayGenerationTest, paintingAnUnchangedWindowChangesNothingSoAnIdleWindowIsNotRepainted)
{
    foundation::RunLoop::main().useVirtualClock();
    auto window = std::make_shared<kit::Window>(Rect(0, 0, 320, 568));
    auto label = std::make_shared<kit::Label>(Rect(10, 10, 200, 30));
    label->setText("收款");
    window->addSubview(label);
    window->addSubview(std::make_shared<kit::Button>(kit::ButtonType::Custom, Rect(10, 50, 100, 44)));
    window->addSubview(std::make_shared<kit::TableView>(Rect(0, 100, 320, 400)));
    window->addSubview(std::make_shared<kit::DatePicker>(Rect(0, 100, 300, 180)));
    foundation::RunLoop::main().runUntilIdle();
    auto before = kit::DisplayGeneration::current();
    kit::Renderer(1).renderImage(*window);
    foundation::RunLoop::main().advance(5);
    EXPECT_EQ(kit::DisplayGeneration::current(), before);

    label->setText("会员");
    EXPECT_NE(kit::DisplayGeneration::current(), before);
}

} // namespace
