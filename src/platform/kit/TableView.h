#pragma once

#include "platform/kit/IndexPath.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableLayout.h"
#include "platform/kit/TableViewCell.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

enum class TableViewStyle { Plain = 0, Grouped = 1 };
enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };
enum class TableViewCellSeparatorStyle { None = 0, SingleLine = 1, SingleLineEtched = 2 };

// A vertical list of sections and rows fed by a data source.
//
// Only the rows inside the visible area have cells; a cell that scrolls out
// (or every cell, on reload) goes to the reuse pool of its identifier, and
// dequeue hands it out again before a new one is made. reloadData asks the
// data source and delegate again, recomputes the content size from section
// headers, row heights and the footer view, and reports that size to the
// content-size observers even when it did not change.
class TableView : public ScrollView {
public:
    using CellFactory = std::function<std::shared_ptr<TableViewCell>()>;

    TableView();
    explicit TableView(const graphics::Rect& frame, TableViewStyle style = TableViewStyle::Plain);

    TableViewStyle style() const { return m_style; }

    std::shared_ptr<TableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    std::shared_ptr<TableViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate);

    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height) { m_rowHeight = height; }
    double sectionHeaderHeight() const { return m_sectionHeaderHeight; }
    void setSectionHeaderHeight(double height) { m_sectionHeaderHeight = height; }
    TableViewCellSeparatorStyle separatorStyle() const { return m_separatorStyle; }
    void setSeparatorStyle(TableViewCellSeparatorStyle style) { m_separatorStyle = style; }
    graphics::EdgeInsets separatorInset() const { return m_separatorInset; }
    void setSeparatorInset(const graphics::EdgeInsets& inset) { m_separatorInset = inset; }
    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool allows) { m_allowsSelection = allows; }

    // Placed under the last section and counted in the content size.
    std::shared_ptr<View> tableFooterView() const { return m_footerView; }
    void setTableFooterView(std::shared_ptr<View> view);

    // Cells for an identifier come from a factory, or from the registry by
    // the name of the cell's layout ("nib").
    void registerCellFactory(const std::string& identifier, CellFactory factory);
    void registerNib(const std::string& nibName, const std::string& identifier);
    // A pooled cell, else a new one from the registered factory, else null.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(
        const std::string& identifier, IndexPath);

    void reloadData();
    int numberOfSections();
    int numberOfRowsInSection(int section);

    // The cell of a visible row; null for rows out of view.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath indexPath) const;
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    std::optional<IndexPath> indexPathForRowAtPoint(const graphics::Point& point) const;
    std::shared_ptr<View> headerViewForSection(int section) const;
    graphics::Rect rectForRowAtIndexPath(IndexPath indexPath) const;
    graphics::Rect rectForHeaderInSection(int section) const;

    std::optional<IndexPath> indexPathForSelectedRow() const { return m_selected; }
    // From code: no delegate calls, as on the phone.
    void selectRowAtIndexPath(
        std::optional<IndexPath> indexPath, bool animated, TableViewScrollPosition position);
    void deselectRowAtIndexPath(IndexPath indexPath, bool animated);
    void scrollToRowAtIndexPath(IndexPath indexPath, TableViewScrollPosition position, bool animated);

    // A finger lifting on a row: the previous row is deselected (delegate
    // told), this one selected, then the delegate's did-select. Returns false
    // for a row that does not exist or when selection is off.
    bool tapRowAtIndexPath(IndexPath indexPath);

    void layoutSubviews() override;
    // A row is tapped when a touch lifts on the row it went down on; a
    // touch that turned into a drag is cancelled and taps nothing. The
    // touched row's cell is highlighted meanwhile.
    void touchesBegan(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;

protected:
    void contentOffsetDidChange() override;

private:
    void reloadIfNeeded();
    void tile();
    void recycle(const std::shared_ptr<TableViewCell>& cell);
    void releaseTouchedRow();
    std::shared_ptr<View> makeHeaderView(int section, double height);

    TableViewStyle m_style = TableViewStyle::Plain;
    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_delegate;
    double m_rowHeight = 44;
    double m_sectionHeaderHeight = 22;
    TableViewCellSeparatorStyle m_separatorStyle = TableViewCellSeparatorStyle::SingleLine;
    graphics::EdgeInsets m_separatorInset { 0, 15, 0, 0 };
    bool m_allowsSelection = true;
    std::shared_ptr<View> m_footerView;

    std::map<std::string, CellFactory> m_factories;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> m_reusePool;

    TableLayout m_layout;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visibleCells;
    std::map<int, std::shared_ptr<View>> m_headerViews;
    std::optional<IndexPath> m_selected;
    std::optional<IndexPath> m_touchedRow;
    bool m_needsReload = true;
    bool m_reloading = false;
    bool m_tiling = false;
};

} // namespace kit
