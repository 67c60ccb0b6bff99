// The column operations of the canvas, the same on both backends: the runs are cut to the
// clip and go through the batch that keeps the first write of each pixel here, and only the
// writing is the backend's.
#include <algorithm>

#include "graphics/canvas.h"

void Canvas::KeepColumnsTo(const Rect& clip) {
    columns_ = Rect{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, PixelWidth()),
                    std::min(clip.bottom, PixelHeight())};
}

bool Canvas::ClipColumn(std::int32_t x, std::int64_t top, std::int64_t bottom, std::int32_t& first,
                        std::int32_t& last) const {
    if (x < columns_.left || x >= columns_.right) return false;
    top = std::max<std::int64_t>(top, columns_.top);
    bottom = std::min<std::int64_t>(bottom, columns_.bottom);
    if (top >= bottom) return false;
    first = static_cast<std::int32_t>(top);
    last = static_cast<std::int32_t>(bottom);
    return true;
}

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
