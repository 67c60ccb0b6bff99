// The column operations of the canvas, the same on both backends: each backend cuts a run to
// its bitmap and clip and writes it; the batch that keeps the first write of each pixel lies
// here, above them.
#include <algorithm>

#include "graphics/canvas.h"

void Canvas::PlotPixel(std::int32_t x, std::int32_t y, const RgbColor& color) {
    PlotRun(x, y, std::int64_t{y} + 1, color);
}

void Canvas::PlotColumn(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color) {
    PlotRun(x, top, bottom, color);
}

void Canvas::PlotRun(std::int32_t x, std::int64_t top, std::int64_t bottom, const RgbColor& color) {
    std::int32_t first = 0;
    std::int32_t last = 0;
    if (!ClipColumn(x, top, bottom, first, last)) return;
    if (coverage_.Active()) {
        coverage_.Claim(x, first, last, [&](std::int32_t from, std::int32_t to) { WriteColumn(x, from, to, color); });
        return;
    }
    WriteColumn(x, first, last, color);
}

void Canvas::PlotColumnPair(std::int32_t x, std::int32_t top, std::int32_t split, std::int32_t bottom,
                            const RgbColor& upper, const RgbColor& lower) {
    std::int32_t first = 0;
    std::int32_t last = 0;
    if (!ClipColumn(x, top, bottom, first, last)) return;
    split = std::clamp(split, first, last);
    const auto write = [&](std::int32_t from, std::int32_t to) {
        if (from < split) WriteColumn(x, from, std::min(to, split), upper);
        if (to > split) WriteColumn(x, std::max(from, split), to, lower);
    };
    if (coverage_.Active()) {
        coverage_.Claim(x, first, last, write);
        return;
    }
    write(first, last);
}

bool Canvas::ColumnHidden(std::int32_t x, std::int32_t top, std::int32_t bottom) const {
    std::int32_t first = 0;
    std::int32_t last = 0;
    return !ClipColumn(x, top, bottom, first, last) || (coverage_.Active() && coverage_.Covered(x, first, last));
}
