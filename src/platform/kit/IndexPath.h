#pragma once

#include <compare>

namespace kit {

// A row's address in a table: its section, then its row within that section.
// Ordered section first so sorted index paths follow the table top to bottom.
struct IndexPath {
    int section = 0;
    int row = 0;

    constexpr IndexPath() = default;
    constexpr IndexPath(int section_, int row_)
        : section(section_)
        , row(row_)
    {
    }
    static constexpr IndexPath forRow(int row, int section) { return { section, row }; }

    friend constexpr auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

} // namespace kit
