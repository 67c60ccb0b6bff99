#include <algorithm>
#include <cstddef>

#include "screen/overview_card.h"
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

std::vector<MonitorOverview> PlaceOverviews(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options) {
    std::vector<MonitorOverview> overviews;
    const std::int32_t primary = PrimaryMonitorIndex(monitors);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const MonitorInfo& info = monitors[i];
        const Rect& m = info.area;
        if (m.right <= m.left || m.bottom <= m.top) continue;
        if (options.monitors != MonitorChoice::All && static_cast<std::int32_t>(i) != primary) continue;
        const std::int32_t scale = CopyScale(m, info.dpi, NormalizeScale(options.scale), kCardWidth, kCardHeight);
        overviews.push_back(MonitorOverview{m, LayoutOverview(m, scale)});
    }
    return overviews;
}

std::int32_t OverviewPageAt(const OverviewLayout& layout, std::int32_t clients, std::uint32_t elapsedMs,
                            std::uint32_t periodMs) {
    const std::int32_t pages = layout.PageCount(clients);
    if (pages <= 1 || periodMs == 0) return 0;
    return static_cast<std::int32_t>((elapsedMs / periodMs) % static_cast<std::uint32_t>(pages));
}
