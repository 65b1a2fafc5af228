#pragma once

#include "platform/kit/IndexPath.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {

class TableView;
class TableViewCell;

// Where a table gets its rows. The two row methods are what every list must
// say; the rest have the answers of a data source that leaves them out.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;

    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView& tableView, int section) = 0;
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(
        TableView& tableView, IndexPath indexPath)
        = 0;
    virtual std::optional<std::string> tableViewTitleForHeaderInSection(TableView&, int)
    {
        return std::nullopt;
    }
};

} // namespace kit
