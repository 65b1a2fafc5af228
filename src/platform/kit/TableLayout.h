#pragma once

#include "platform/kit/IndexPath.h"

#include <vector>

namespace kit {

// The vertical geometry of a table: where each section header, row and the
// footer view sit, and how tall the whole content is. Kept apart from the view
// so reload arithmetic can be checked without building cells.
class TableLayout {
public:
    struct Section {
        double headerHeight = 0;
        std::vector<double> rowHeights;
    };

    // Heights that are negative or not finite count as 0: a data source's bad
    // answer must not fold the rows onto each other or poison the content size.
    void rebuild(std::vector<Section> sections, double footerHeight);
    void setFooterHeight(double height);

    int numberOfSections() const { return static_cast<int>(m_sections.size()); }
    int numberOfRowsInSection(int section) const;
    int totalRows() const;
    bool contains(IndexPath indexPath) const;

    double headerTop(int section) const;
    double headerHeight(int section) const;
    double rowTop(IndexPath indexPath) const;
    double rowHeight(IndexPath indexPath) const;
    double footerTop() const { return m_footerTop; }
    double footerHeight() const { return m_footerHeight; }
    double contentHeight() const { return m_footerTop + m_footerHeight; }

    // Rows that overlap [top, bottom), in table order.
    std::vector<IndexPath> rowsBetween(double top, double bottom) const;
    // Sections whose header overlaps [top, bottom).
    std::vector<int> headersBetween(double top, double bottom) const;
    // The row under a content-coordinate y, if any.
    bool rowAt(double y, IndexPath& out) const;

private:
    struct PlacedSection {
        double headerTop = 0;
        double headerHeight = 0;
        std::vector<double> rowTops;
        std::vector<double> rowHeights;
    };
    std::vector<PlacedSection> m_sections;
    double m_footerTop = 0;
    double m_footerHeight = 0;
};

} // namespace kit
