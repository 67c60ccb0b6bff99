// Where the overview's cards go on a monitor: as many whole cards as fit at the monitor's
// scale, at least one, the grid centred; cards never shrink, so more clients than cells take
// turns page by page. Pure geometry, shared by every front end.
#pragma once

#include <cstdint>

#include "graphics/rect.h"
#include "record/record_family.h"

// The most cards a grid holds: there are never more clients than the family has names, so a
// monitor wide and tall enough for more keeps rows only for those.
inline constexpr std::int32_t kMaxOverviewCells = kMaxClientRecords;

// The clients of one page: indexes first .. first + count - 1 of the clients in their order.
struct OverviewPage {
    std::int32_t first = 0;
    std::int32_t count = 0;

    bool operator==(const OverviewPage&) const = default;
};

struct OverviewLayout {
    std::int32_t columns = 1;
    std::int32_t rows = 1;
    std::int32_t scale = 1;
    // The board (columns x rows cards) times the scale, centred on the monitor; larger than a
    // monitor too small for one card, overhanging it evenly.
    Rect destination{0, 0, 0, 0};

    std::int32_t Cells() const { return columns * rows; }
    std::int32_t BoardWidth() const;   // at scale 1
    std::int32_t BoardHeight() const;  // at scale 1
    // The cell of slot `slot` on the board, at scale 1: slots go along the rows, top row first.
    Rect Cell(std::int32_t slot) const;
    // The pages that show `clients` clients: 0 for none.
    std::int32_t PageCount(std::int32_t clients) const;
    // The clients on page `page` of `clients`; none for a page past the last.
    OverviewPage Page(std::int32_t page, std::int32_t clients) const;

    bool operator==(const OverviewLayout&) const = default;
};

// The grid for `monitor` (in virtual-screen coordinates) at `scale` (below 1 counts as 1):
// max(1, W / (480 scale)) columns by max(1, H / (270 scale)) rows, rows beyond what
// kMaxOverviewCells needs left out.
OverviewLayout LayoutOverview(const Rect& monitor, std::int32_t scale);

// The cell of slot `slot` in a grid `columns` wide, at scale 1.
Rect CardCell(std::int32_t columns, std::int32_t slot);
