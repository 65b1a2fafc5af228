#include "ui/SingleChoiceList.h"

#include "hud/ToastView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/ViewController.h"
#include "support/ScreenTest.h"
#include "ui/UICheckBox.h"

#include <optional>
#include <vector>

namespace {

// A chooser reduced to its list: three rows, the choice kept as a row number.
class ThreeRowChooser : public kit::ViewController, public kit::TableViewDataSource {
public:
    void viewDidLoad() override
    {
        kit::ViewController::viewDidLoad();
        table = std::make_shared<kit::TableView>(view()->bounds());
        table->setRowHeight(50);
        table->registerCellFactory("cell", [] { return std::make_shared<kit::TableViewCell>(); });
        table->setDataSource(std::static_pointer_cast<ThreeRowChooser>(shared_from_this()));
        view()->addSubview(table);
        choices = SingleChoiceList::create([this](long, long row, bool checked) {
            changes.push_back(checked ? row : -1);
            chosen = checked ? std::optional<long>(row) : std::nullopt;
        });
    }
    int tableViewNumberOfRowsInSection(kit::TableView&, int) override { return 3; }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override
    {
        auto cell = tableView.dequeueReusableCellWithIdentifier("cell", indexPath);
        choices->attach(
            *cell, indexPath, chosen == indexPath.row, indexPath.row, view()->bounds().width(), 50);
        return cell;
    }

    std::shared_ptr<kit::TableView> table;
    std::shared_ptr<SingleChoiceList> choices;
    std::optional<long> chosen;
    std::vector<long> changes;
};

class SingleChoiceListTest : public support::ScreenTest {
protected:
    void SetUp() override
    {
        chooser = std::make_shared<ThreeRowChooser>();
        harness.show(chooser);
    }

    bool tapRow(int row)
    {
        auto cell = chooser->table->cellForRowAtIndexPath({ 0, row });
        return cell && harness.tap(*cell->viewWithName(SingleChoiceList::tapAreaName));
    }

    std::vector<bool> shownStates() const
    {
        std::vector<bool> states;
        for (int row = 0; row < 3; ++row)
            states.push_back(chooser->choices->checkboxAt({ 0, row })->checked());
        return states;
    }

    std::shared_ptr<ThreeRowChooser> chooser;
};

TEST_F(SingleChoiceListTest, reloaded_rows_never_stack_a_second_box_or_tap_area)
{
    for (int i = 0; i < 3; ++i) {
        chooser->table->reloadData();
        harness.runUntilIdle();
    }
    for (const auto& cell : chooser->table->visibleCells()) {
        int boxes = 0;
        int tapAreas = 0;
        for (const auto& subview : cell->subviews()) {
            boxes += subview->name() == SingleChoiceList::checkboxName;
            tapAreas += subview->name() == SingleChoiceList::tapAreaName;
        }
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(tapAreas, 1);
    }
    EXPECT_EQ(chooser->choices->checkboxArray().size(), 3u);
}

TEST_F(SingleChoiceListTest, a_touch_on_the_row_or_its_box_keeps_at_most_one_box_checked)
{
    ASSERT_TRUE(tapRow(1));
    EXPECT_EQ(shownStates(), (std::vector<bool> { false, true, false }));
    ASSERT_TRUE(harness.tap(*chooser->choices->checkboxAt({ 0, 2 })));
    EXPECT_EQ(shownStates(), (std::vector<bool> { false, false, true }));
    // The checked row touched again leaves nothing chosen.
    ASSERT_TRUE(tapRow(2));
    EXPECT_EQ(shownStates(), (std::vector<bool> { false, false, false }));
    EXPECT_EQ(chooser->changes, (std::vector<long> { 1, 2, -1 }));
    EXPECT_FALSE(chooser->chosen);
}

TEST_F(SingleChoiceListTest, confirm_without_a_choice_shows_the_screens_message)
{
    std::vector<std::string> toasts;
    auto watch = ToastView::observeShown([&](const std::string& text) { toasts.push_back(text); });
    EXPECT_FALSE(SingleChoiceList::confirm(false, "请选择优惠券！"));
    EXPECT_TRUE(SingleChoiceList::confirm(true, "请选择优惠券！"));
    EXPECT_EQ(toasts, (std::vector<std::string> { "请选择优惠券！" }));
}

} // namespace
