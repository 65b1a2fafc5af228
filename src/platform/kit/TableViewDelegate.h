#pragma once

#include "platform/kit/IndexPath.h"

#include <memory>
#include <optional>

namespace kit {

class TableView;
class View;

// What a table asks about looks and taps. Heights answered with nullopt fall
// back to the table's own row and header heights.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;

    virtual std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, IndexPath)
    {
        return std::nullopt;
    }
    virtual std::optional<double> tableViewHeightForHeaderInSection(TableView&, int) { return std::nullopt; }
    virtual std::shared_ptr<View> tableViewViewForHeaderInSection(TableView&, int) { return nullptr; }
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) { }
    virtual void tableViewDidDeselectRowAtIndexPath(TableView&, IndexPath) { }
};

} // namespace kit
