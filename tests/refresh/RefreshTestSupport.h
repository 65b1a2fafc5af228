#pragma once

#include "platform/kit/TableView.h"
#include "platform/kit/TableViewDataSource.h"
#include "refresh/RefreshConstants.h"
#include "support/ScreenHarness.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

// Failures name the state instead of dumping its bytes.
inline void PrintTo(RefreshState state, std::ostream* os)
{
    static const char* const names[] = { "?", "Idle", "Pulling", "Refreshing", "WillRefresh", "NoMoreData" };
    int code = static_cast<int>(state);
    *os << (code >= 1 && code <= 5 ? names[code] : names[0]) << " (" << code << ")";
}

namespace refreshtest {

class RowSource : public kit::TableViewDataSource {
public:
    int rows = 0;
    int tableViewNumberOfRowsInSection(kit::TableView&, int) override { return rows; }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& table, kit::IndexPath indexPath) override
    {
        auto cell = table.dequeueReusableCellWithIdentifier("row");
        if (!cell)
            cell = std::make_shared<kit::TableViewCell>(kit::TableViewCellStyle::Default, "row");
        cell->textLabel()->setText("第 " + std::to_string(indexPath.row + 1) + " 行");
        return cell;
    }
};

// A 320 x 480 list in the harness's window, 50 points a row.
class ListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table = std::make_shared<kit::TableView>(graphics::Rect(0, 0, 320, 480));
        table->setRowHeight(50);
        table->setDataSource(source);
        harness.window()->addSubview(table);
    }

    void setRows(int rows)
    {
        source->rows = rows;
        table->reloadData();
        harness.runUntilIdle();
    }

    // A finger that stays down: for looking at the states mid-pull.
    void pullTo(double offsetY)
    {
        if (!table->isDragging())
            table->beginDragging();
        table->dragBy(table->contentOffset().y - offsetY);
        harness.runUntilIdle();
    }

    void release()
    {
        table->endDragging();
        harness.runUntilIdle();
    }

    support::ScreenHarness harness;
    std::shared_ptr<RowSource> source = std::make_shared<RowSource>();
    std::shared_ptr<kit::TableView> table;
    int callbacks = 0;
};

} // namespace refreshtest
