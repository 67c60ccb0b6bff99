// The graph geometry a client may publish for the area a reader offers, shared by the client
// library and orvane-inspect so that the one fit rule is written once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "record/shared_status.h"

namespace orvane {

// What the standard screen offers; used until a reader has written its own area.
inline constexpr std::int32_t kDefaultAreaWidth = 642;
inline constexpr std::int32_t kDefaultAreaHeight = 185;
// Room for the time labels beside the box, beyond the bins and the depth.
inline constexpr std::int32_t kLabelMargin = 10;

struct Geometry {
    std::int32_t depthX = 0;
    std::int32_t depthY = 0;
    std::int32_t mirrored = 0;
    std::int32_t peakHeight = 0;
    std::int32_t rows = 0;
    std::int32_t bins = 0;
    bool operator==(const Geometry&) const = default;
};

// The geometry as the record holds it, and written back: the six fields in one place.
inline Geometry GeometryOf(const SharedStatus& r) {
    return {r.graph_depth_x, r.graph_depth_y, r.graph_mirrored, r.graph_peak_height, r.graph_row_count,
            r.graph_bin_count};
}

inline void WriteGeometry(SharedStatus& r, const Geometry& g) {
    r.graph_depth_x = g.depthX;
    r.graph_depth_y = g.depthY;
    r.graph_mirrored = g.mirrored;
    r.graph_peak_height = g.peakHeight;
    r.graph_row_count = g.rows;
    r.graph_bin_count = g.bins;
}

struct Area {
    std::int32_t width;
    std::int32_t height;
};

// An area of zero or less on either side means no reader has offered one yet.
inline Area UsableArea(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return {kDefaultAreaWidth, kDefaultAreaHeight};
    // Anything larger than a screen is a reader's mistake; the graph stays screen-sized.
    return {std::min(width, 4096), std::min(height, 2048)};
}

// The box, its rows and its labels stay inside the area.
inline bool Fits(const Geometry& g, std::int32_t areaWidth, std::int32_t areaHeight) {
    const std::int64_t across = std::int64_t{g.bins} + std::llabs(g.depthX) + kLabelMargin;
    const std::int64_t up = std::int64_t{g.peakHeight} + std::llabs(g.depthY);
    return across <= areaWidth && up <= areaHeight;
}

// The graph for `bins` samples (0: 512) and `rows` rows (0: as many as suit the depth) that
// fills the area: the depth is a tenth of the width, the box a third of the height, and the
// rows share what is left. Bins are given up before the area is overrun; an area too small
// for any graph gets none (no rows, no bins).
inline Geometry Choose(std::int32_t bins, std::int32_t rows, bool mirrored, std::int32_t areaWidth,
                       std::int32_t areaHeight) {
    const Area area = UsableArea(areaWidth, areaHeight);
    Geometry g;
    g.mirrored = mirrored ? 1 : 0;
    if (area.width < kLabelMargin + 2 || area.height < 2) {
        g.depthY = 1;  // never 0: readers divide by it
        g.peakHeight = 1;
        return g;
    }
    const std::int32_t wanted = std::clamp(bins == 0 ? 512 : bins, 1, kMaxSpectrumBins);
    g.depthX = std::clamp(area.width / 10, 1, 100);
    g.bins = std::min(wanted, area.width - g.depthX - kLabelMargin);
    if (g.bins < std::min(8, wanted)) {
        // Hardly room for a graph: give up the depth before the bins.
        g.depthX = 1;
        g.bins = std::min(wanted, area.width - 1 - kLabelMargin);
    }
    g.peakHeight = std::clamp(area.height / 3, 1, 200);
    g.depthY = area.height - g.peakHeight - area.height / 8;
    if (g.depthY < 1) {
        g.depthY = 1;
        g.peakHeight = std::max(1, area.height - 1);
    }
    g.rows = rows == 0 ? std::clamp(g.depthY * 2 / 5, 1, kMaxSpectrumRows) : std::clamp(rows, 1, kMaxSpectrumRows);
    return g;
}

}  // namespace orvane
