#include "platform/kit/TableView.h"

#include "platform/kit/Label.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Touch.h"

#include <algorithm>

namespace kit {

TableView::TableView()
{
    setBackgroundColor(graphics::Color::white());
}

TableView::TableView(const graphics::Rect& frame, TableViewStyle style)
    : ScrollView(frame)
    , m_style(style)
{
    setBackgroundColor(graphics::Color::white());
}

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    m_needsReload = true;
    setNeedsLayout();
}

void TableView::setDelegate(std::weak_ptr<TableViewDelegate> delegate)
{
    m_delegate = std::move(delegate);
    m_needsReload = true;
    setNeedsLayout();
}

void TableView::setTableFooterView(std::shared_ptr<View> view)
{
    if (m_footerView == view)
        return;
    if (m_footerView)
        m_footerView->removeFromSuperview();
    m_footerView = std::move(view);
    if (m_footerView)
        addSubview(m_footerView);
    // The rows stay as they are; only the content below them changed.
    m_layout.setFooterHeight(m_footerView ? m_footerView->frame().height() : 0);
    if (m_needsReload || m_reloading)
        return;
    tile();
    setContentSize({ bounds().width(), m_layout.contentHeight() });
}

void TableView::registerCellFactory(const std::string& identifier, CellFactory factory)
{
    m_factories[identifier] = std::move(factory);
}

void TableView::registerNib(const std::string& nibName, const std::string& identifier)
{
    registerCellFactory(identifier, [nibName] {
        return std::dynamic_pointer_cast<TableViewCell>(Registry::shared().instantiateView(nibName));
    });
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto pool = m_reusePool.find(identifier);
    if (pool != m_reusePool.end() && !pool->second.empty()) {
        auto cell = std::move(pool->second.back());
        pool->second.pop_back();
        cell->prepareForReuse();
        return cell;
    }
    auto factory = m_factories.find(identifier);
    if (factory == m_factories.end() || !factory->second)
        return nullptr;
    auto cell = factory->second();
    if (cell)
        cell->setReuseIdentifier(identifier);
    return cell;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(
    const std::string& identifier, IndexPath)
{
    return dequeueReusableCellWithIdentifier(identifier);
}

void TableView::recycle(const std::shared_ptr<TableViewCell>& cell)
{
    cell->removeFromSuperview();
    if (!cell->reuseIdentifier().empty())
        m_reusePool[cell->reuseIdentifier()].push_back(cell);
}

std::shared_ptr<View> TableView::makeHeaderView(int section, double height)
{
    auto dataSource = m_dataSource.lock();
    auto delegate = m_delegate.lock();
    if (delegate) {
        if (auto view = delegate->tableViewViewForHeaderInSection(*this, section))
            return view;
    }
    std::optional<std::string> title;
    if (dataSource)
        title = dataSource->tableViewTitleForHeaderInSection(*this, section);
    if (!title)
        return nullptr;
    auto header = std::make_shared<View>(graphics::Rect(0, 0, bounds().width(), height));
    header->setBackgroundColor(graphics::Color::fromRgb24(0xF7F7F7));
    auto label = std::make_shared<Label>(graphics::Rect(15, 0, std::max(0.0, bounds().width() - 30), height));
    label->setText(*title);
    label->setFont(graphics::Font::boldSystemFont(14));
    header->addSubview(label);
    return header;
}

void TableView::reloadData()
{
    if (m_reloading || m_tiling) {
        // Asked from inside a data-source call: the rows being built now
        // would go stale, so build them again on the next layout pass.
        m_needsReload = true;
        setNeedsLayout();
        return;
    }
    // The data source may drop the last other reference to this table.
    auto self = shared_from_this();
    m_reloading = true;
    m_needsReload = false;
    auto dataSource = m_dataSource.lock();
    auto delegate = m_delegate.lock();

    for (auto& [indexPath, cell] : std::exchange(m_visibleCells, {}))
        recycle(cell);
    for (auto& [section, header] : std::exchange(m_headerViews, {}))
        header->removeFromSuperview();
    m_selected.reset();

    std::vector<TableLayout::Section> sections;
    int sectionCount = dataSource ? std::max(0, dataSource->numberOfSectionsInTableView(*this)) : 0;
    for (int s = 0; s < sectionCount; ++s) {
        TableLayout::Section section;
        int rows = std::max(0, dataSource->tableViewNumberOfRowsInSection(*this, s));
        section.rowHeights.reserve(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            std::optional<double> height;
            if (delegate)
                height = delegate->tableViewHeightForRowAtIndexPath(*this, { s, r });
            section.rowHeights.push_back(height.value_or(m_rowHeight));
        }
        std::optional<double> headerHeight;
        if (delegate)
            headerHeight = delegate->tableViewHeightForHeaderInSection(*this, s);
        auto header = makeHeaderView(s, headerHeight.value_or(m_sectionHeaderHeight));
        section.headerHeight = headerHeight.value_or(header ? m_sectionHeaderHeight : 0);
        if (header)
            m_headerViews[s] = std::move(header);
        sections.push_back(std::move(section));
    }
    m_layout.rebuild(std::move(sections), m_footerView ? m_footerView->frame().height() : 0);
    m_reloading = false;

    tile();
    setContentSize({ bounds().width(), m_layout.contentHeight() });
}

void TableView::reloadIfNeeded()
{
    if (m_needsReload && !m_reloading)
        reloadData();
}

int TableView::numberOfSections()
{
    reloadIfNeeded();
    return m_layout.numberOfSections();
}

int TableView::numberOfRowsInSection(int section)
{
    reloadIfNeeded();
    return m_layout.numberOfRowsInSection(section);
}

void TableView::tile()
{
    if (m_tiling || m_reloading)
        return;
    m_tiling = true;
    auto self = shared_from_this();
    double width = bounds().width();
    double top = contentOffset().y;
    double bottom = top + bounds().height();

    std::vector<IndexPath> wanted = m_layout.rowsBetween(top, bottom);
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        if (std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            ++it;
            continue;
        }
        recycle(it->second);
        it = m_visibleCells.erase(it);
    }

    auto dataSource = m_dataSource.lock();
    for (IndexPath indexPath : wanted) {
        auto cell = cellForRowAtIndexPath(indexPath);
        if (!cell && dataSource)
            cell = dataSource->tableViewCellForRowAtIndexPath(*this, indexPath);
        // A data source that gives no cell leaves a gap rather than a crash.
        if (!cell)
            continue;
        m_visibleCells[indexPath] = cell;
        cell->setFrame({ 0, m_layout.rowTop(indexPath), width, m_layout.rowHeight(indexPath) });
        cell->setSelected(m_selected == indexPath, false);
        if (cell->superview().get() != this)
            insertSubview(cell, 0);
    }

    for (auto& [section, header] : m_headerViews) {
        double height = m_layout.headerHeight(section);
        bool visible = height > 0 && m_layout.headerTop(section) < bottom
            && m_layout.headerTop(section) + height > top;
        if (!visible) {
            header->removeFromSuperview();
            continue;
        }
        header->setFrame({ 0, m_layout.headerTop(section), width, height });
        if (header->superview().get() != this)
            insertSubview(header, m_visibleCells.size());
    }

    if (m_footerView) {
        graphics::Rect f = m_footerView->frame();
        m_footerView->setFrame({ 0, m_layout.footerTop(), width, f.height() });
    }
    m_tiling = false;
}

void TableView::layoutSubviews()
{
    ScrollView::layoutSubviews();
    if (m_needsReload && m_dataSource.lock()) {
        reloadData();
        return;
    }
    tile();
    // The content is as wide as the table, which may have been resized.
    if (contentSize().width != bounds().width())
        setContentSize({ bounds().width(), m_layout.contentHeight() });
}

void TableView::contentOffsetDidChange()
{
    tile();
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath indexPath) const
{
    auto it = m_visibleCells.find(indexPath);
    return it == m_visibleCells.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const
{
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (const auto& [indexPath, cell] : m_visibleCells)
        cells.push_back(cell);
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const
{
    std::vector<IndexPath> rows;
    for (const auto& [indexPath, cell] : m_visibleCells)
        rows.push_back(indexPath);
    return rows;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const
{
    for (const auto& [indexPath, visible] : m_visibleCells) {
        if (visible.get() == cell)
            return indexPath;
    }
    return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(const graphics::Point& point) const
{
    IndexPath found;
    if (!m_layout.rowAt(point.y, found))
        return std::nullopt;
    return found;
}

std::shared_ptr<View> TableView::headerViewForSection(int section) const
{
    auto it = m_headerViews.find(section);
    return it == m_headerViews.end() ? nullptr : it->second;
}

graphics::Rect TableView::rectForRowAtIndexPath(IndexPath indexPath) const
{
    if (!m_layout.contains(indexPath))
        return {};
    return { 0, m_layout.rowTop(indexPath), bounds().width(), m_layout.rowHeight(indexPath) };
}

graphics::Rect TableView::rectForHeaderInSection(int section) const
{
    return { 0, m_layout.headerTop(section), bounds().width(), m_layout.headerHeight(section) };
}

void TableView::selectRowAtIndexPath(
    std::optional<IndexPath> indexPath, bool, TableViewScrollPosition position)
{
    if (m_selected) {
        if (auto cell = cellForRowAtIndexPath(*m_selected))
            cell->setSelected(false, false);
    }
    m_selected.reset();
    if (!indexPath || !m_layout.contains(*indexPath))
        return;
    m_selected = indexPath;
    if (position != TableViewScrollPosition::None)
        scrollToRowAtIndexPath(*indexPath, position, false);
    if (auto cell = cellForRowAtIndexPath(*indexPath))
        cell->setSelected(true, false);
}

void TableView::deselectRowAtIndexPath(IndexPath indexPath, bool)
{
    if (m_selected != indexPath)
        return;
    m_selected.reset();
    if (auto cell = cellForRowAtIndexPath(indexPath))
        cell->setSelected(false, false);
}

void TableView::scrollToRowAtIndexPath(IndexPath indexPath, TableViewScrollPosition position, bool)
{
    if (!m_layout.contains(indexPath))
        return;
    graphics::Rect row = rectForRowAtIndexPath(indexPath);
    double height = bounds().height();
    double y = contentOffset().y;
    switch (position) {
    case TableViewScrollPosition::Top:
        y = row.y();
        break;
    case TableViewScrollPosition::Middle:
        y = row.midY() - height / 2;
        break;
    case TableViewScrollPosition::Bottom:
        y = row.maxY() - height;
        break;
    case TableViewScrollPosition::None:
        if (row.y() < y)
            y = row.y();
        else if (row.maxY() > y + height)
            y = row.maxY() - height;
        break;
    }
    setContentOffset({ contentOffset().x, std::clamp(y, minimumOffsetY(), maximumOffsetY()) });
}

bool TableView::tapRowAtIndexPath(IndexPath indexPath)
{
    reloadIfNeeded();
    if (!m_allowsSelection || !m_layout.contains(indexPath))
        return false;
    // The delegate usually pushes a screen and may drop this table.
    auto self = shared_from_this();
    auto delegate = m_delegate.lock();
    if (m_selected && *m_selected != indexPath) {
        IndexPath previous = *m_selected;
        deselectRowAtIndexPath(previous, false);
        if (delegate)
            delegate->tableViewDidDeselectRowAtIndexPath(*this, previous);
    }
    m_selected = indexPath;
    if (auto cell = cellForRowAtIndexPath(indexPath))
        cell->setSelected(true, false);
    if (delegate)
        delegate->tableViewDidSelectRowAtIndexPath(*this, indexPath);
    return true;
}

void TableView::touchesBegan(const Touch& touch)
{
    graphics::Point point = touch.locationInView(this);
    releaseTouchedRow();
    if (pointInside(point) && m_allowsSelection) {
        m_touchedRow = indexPathForRowAtPoint(point);
        if (m_touchedRow) {
            if (auto cell = cellForRowAtIndexPath(*m_touchedRow))
                cell->setHighlighted(true, false);
        }
    }
    auto protect = weak_from_this().lock();
    ScrollView::touchesBegan(touch);
}

void TableView::touchesEnded(const Touch& touch)
{
    graphics::Point point = touch.locationInView(this);
    auto touched = m_touchedRow;
    releaseTouchedRow();
    // The views above see every touch, rows included (a screen closes the
    // keyboard on any touch), and before the row's delegate may push a
    // screen. The inherited behaviour is the only place that passes it on.
    auto protect = weak_from_this().lock();
    ScrollView::touchesEnded(touch);
    if (!pointInside(point))
        return;
    // A finger that slid onto another row (on a list too short to scroll)
    // chose neither.
    if (auto indexPath = indexPathForRowAtPoint(point); indexPath && indexPath == touched)
        tapRowAtIndexPath(*indexPath);
}

void TableView::touchesCancelled(const Touch& touch)
{
    releaseTouchedRow();
    auto protect = weak_from_this().lock();
    ScrollView::touchesCancelled(touch);
}

void TableView::releaseTouchedRow()
{
    auto touched = std::exchange(m_touchedRow, std::nullopt);
    if (!touched)
        return;
    if (auto cell = cellForRowAtIndexPath(*touched))
        cell->setHighlighted(false, false);
}

} // namespace kit
