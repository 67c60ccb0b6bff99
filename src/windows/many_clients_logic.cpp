#include <algorithm>
#include <cstddef>

#include "windows/many_clients.h"

std::optional<Rect> LabelPlace(const CanvasCopy& copy, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const Rect& m = copy.monitor;
    const Rect& d = copy.destination;
    const std::int32_t gap = kLabelGap * copy.scale;
    const std::int32_t shown = std::min(width, m.right - m.left);
    // Centred on the copy, then kept on the monitor: a copy near an edge after the orbit's
    // move must not push its name off the screen.
    std::int32_t left = d.left + (d.right - d.left - shown) / 2;
    left = std::clamp(left, m.left, m.right - shown);
    const std::int32_t aboveTop = d.top - gap - height;
    if (aboveTop >= m.top) return Rect{left, aboveTop, left + shown, aboveTop + height};
    const std::int32_t belowTop = d.bottom + gap;
    if (belowTop + height <= m.bottom) return Rect{left, belowTop, left + shown, belowTop + height};
    return std::nullopt;
}

std::vector<CardGrid> PlaceCardGrids(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options,
                                     std::int32_t cardWidth, std::int32_t cardHeight) {
    std::vector<CardGrid> grids;
    if (cardWidth <= 0 || cardHeight <= 0) return grids;
    const std::int32_t primary = PrimaryMonitorIndex(monitors);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const MonitorInfo& info = monitors[i];
        const Rect& m = info.area;
        if (m.right <= m.left || m.bottom <= m.top) continue;
        if (options.monitors != MonitorChoice::All && static_cast<std::int32_t>(i) != primary) continue;
        CardGrid grid;
        grid.monitor = m;
        grid.scale = CopyScale(m, info.dpi, NormalizeScale(options.scale), cardWidth, cardHeight);
        const std::int64_t width = static_cast<std::int64_t>(m.right) - m.left;
        const std::int64_t height = static_cast<std::int64_t>(m.bottom) - m.top;
        grid.columns = static_cast<std::int32_t>(std::max<std::int64_t>(1, width / (std::int64_t{cardWidth} * grid.scale)));
        grid.rows = static_cast<std::int32_t>(std::max<std::int64_t>(1, height / (std::int64_t{cardHeight} * grid.scale)));
        const std::int64_t w = std::int64_t{grid.columns} * cardWidth * grid.scale;
        const std::int64_t h = std::int64_t{grid.rows} * cardHeight * grid.scale;
        // Truncating toward zero, as the status screen's copies are centred.
        const std::int64_t left = m.left + (width - w) / 2;
        const std::int64_t top = m.top + (height - h) / 2;
        grid.destination = Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                                static_cast<std::int32_t>(left + w), static_cast<std::int32_t>(top + h)};
        grids.push_back(grid);
    }
    return grids;
}

std::int32_t CardPage(std::size_t count, std::int32_t cells, std::uint32_t elapsedMs, std::uint32_t periodMs) {
    if (cells <= 0 || count <= static_cast<std::size_t>(cells) || periodMs == 0) return 0;
    const std::size_t pages = (count + static_cast<std::size_t>(cells) - 1) / static_cast<std::size_t>(cells);
    return static_cast<std::int32_t>((elapsedMs / periodMs) % pages);
}
