#include "screen/overview_layout.h"

#include <algorithm>
#include <limits>

#include "screen/overview_card.h"

namespace {

std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                               std::numeric_limits<std::int32_t>::max()));
}

// The start of a span `inner` long centred in one `outer` long from `start`, truncated toward
// zero as the status screen's copies are centred.
std::int64_t Centred(std::int64_t start, std::int64_t outer, std::int64_t inner) { return start + (outer - inner) / 2; }

}  // namespace

std::int32_t OverviewLayout::BoardWidth() const { return columns * kCardWidth; }
std::int32_t OverviewLayout::BoardHeight() const { return rows * kCardHeight; }

Rect OverviewLayout::Cell(std::int32_t slot) const { return CardCell(columns, slot); }

std::int32_t OverviewLayout::PageCount(std::int32_t clients) const {
    if (clients <= 0) return 0;
    const std::int32_t cells = std::max(1, Cells());
    return (clients - 1) / cells + 1;
}

OverviewPage OverviewLayout::Page(std::int32_t page, std::int32_t clients) const {
    if (page < 0 || page >= PageCount(clients)) return {};
    const std::int32_t cells = std::max(1, Cells());
    const std::int32_t first = page * cells;
    return OverviewPage{first, std::min(cells, clients - first)};
}

OverviewLayout LayoutOverview(const Rect& monitor, std::int32_t scale) {
    OverviewLayout layout;
    layout.scale = std::max(scale, 1);
    const std::int64_t width = std::max<std::int64_t>(0, std::int64_t{monitor.right} - monitor.left);
    const std::int64_t height = std::max<std::int64_t>(0, std::int64_t{monitor.bottom} - monitor.top);
    const std::int64_t cardWidth = std::int64_t{kCardWidth} * layout.scale;
    const std::int64_t cardHeight = std::int64_t{kCardHeight} * layout.scale;
    layout.columns = static_cast<std::int32_t>(std::clamp<std::int64_t>(width / cardWidth, 1, kMaxOverviewCells));
    const std::int32_t rowsNeeded = (kMaxOverviewCells - 1) / layout.columns + 1;
    layout.rows = static_cast<std::int32_t>(std::clamp<std::int64_t>(height / cardHeight, 1, rowsNeeded));

    const std::int64_t boardWidth = cardWidth * layout.columns;
    const std::int64_t boardHeight = cardHeight * layout.rows;
    const std::int64_t left = Centred(monitor.left, width, boardWidth);
    const std::int64_t top = Centred(monitor.top, height, boardHeight);
    layout.destination = Rect{Clamp32(left), Clamp32(top), Clamp32(left + boardWidth), Clamp32(top + boardHeight)};
    return layout;
}

Rect CardCell(std::int32_t columns, std::int32_t slot) {
    const std::int32_t across = std::max(columns, 1);
    const std::int32_t left = slot % across * kCardWidth;
    const std::int32_t top = slot / across * kCardHeight;
    return Rect{left, top, left + kCardWidth, top + kCardHeight};
}
