#include "platform/kit/TableLayout.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

double sane(double height)
{
    return std::isfinite(height) && height > 0 ? height : 0;
}

bool overlaps(double top, double height, double from, double to)
{
    return height > 0 && top < to && top + height > from;
}

} // namespace

void TableLayout::rebuild(std::vector<Section> sections, double footerHeight)
{
    m_sections.clear();
    m_sections.reserve(sections.size());
    double y = 0;
    for (auto& section : sections) {
        PlacedSection placed;
        placed.headerTop = y;
        placed.headerHeight = sane(section.headerHeight);
        y += placed.headerHeight;
        placed.rowTops.reserve(section.rowHeights.size());
        placed.rowHeights.reserve(section.rowHeights.size());
        for (double height : section.rowHeights) {
            placed.rowTops.push_back(y);
            placed.rowHeights.push_back(sane(height));
            y += placed.rowHeights.back();
        }
        m_sections.push_back(std::move(placed));
    }
    m_footerTop = y;
    m_footerHeight = sane(footerHeight);
}

void TableLayout::setFooterHeight(double height)
{
    m_footerHeight = sane(height);
}

int TableLayout::numberOfRowsInSection(int section) const
{
    if (section < 0 || section >= numberOfSections())
        return 0;
    return static_cast<int>(m_sections[static_cast<std::size_t>(section)].rowTops.size());
}

int TableLayout::totalRows() const
{
    int total = 0;
    for (const auto& section : m_sections)
        total += static_cast<int>(section.rowTops.size());
    return total;
}

bool TableLayout::contains(IndexPath indexPath) const
{
    return indexPath.row >= 0 && indexPath.row < numberOfRowsInSection(indexPath.section);
}

double TableLayout::headerTop(int section) const
{
    if (section < 0 || section >= numberOfSections())
        return m_footerTop;
    return m_sections[static_cast<std::size_t>(section)].headerTop;
}

double TableLayout::headerHeight(int section) const
{
    if (section < 0 || section >= numberOfSections())
        return 0;
    return m_sections[static_cast<std::size_t>(section)].headerHeight;
}

double TableLayout::rowTop(IndexPath indexPath) const
{
    if (!contains(indexPath))
        return m_footerTop;
    return m_sections[static_cast<std::size_t>(indexPath.section)]
        .rowTops[static_cast<std::size_t>(indexPath.row)];
}

double TableLayout::rowHeight(IndexPath indexPath) const
{
    if (!contains(indexPath))
        return 0;
    return m_sections[static_cast<std::size_t>(indexPath.section)]
        .rowHeights[static_cast<std::size_t>(indexPath.row)];
}

std::vector<IndexPath> TableLayout::rowsBetween(double top, double bottom) const
{
    std::vector<IndexPath> rows;
    for (int s = 0; s < numberOfSections(); ++s) {
        const auto& section = m_sections[static_cast<std::size_t>(s)];
        if (section.rowTops.empty())
            continue;
        // Rows are laid out top to bottom, so a binary search finds the first
        // candidate; long lists are scrolled one turn at a time.
        auto first = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), top);
        std::size_t r = first == section.rowTops.begin()
            ? 0
            : static_cast<std::size_t>(first - section.rowTops.begin()) - 1;
        for (; r < section.rowTops.size() && section.rowTops[r] < bottom; ++r) {
            if (overlaps(section.rowTops[r], section.rowHeights[r], top, bottom))
                rows.emplace_back(s, static_cast<int>(r));
        }
    }
    return rows;
}

std::vector<int> TableLayout::headersBetween(double top, double bottom) const
{
    std::vector<int> headers;
    for (int s = 0; s < numberOfSections(); ++s) {
        const auto& section = m_sections[static_cast<std::size_t>(s)];
        if (overlaps(section.headerTop, section.headerHeight, top, bottom))
            headers.push_back(s);
    }
    return headers;
}

bool TableLayout::rowAt(double y, IndexPath& out) const
{
    for (const auto& row : rowsBetween(y, y + 0.0001)) {
        double rowTop_ = rowTop(row);
        if (y >= rowTop_ && y < rowTop_ + rowHeight(row)) {
            out = row;
            return true;
        }
    }
    return false;
}

} // namespace kit
