#include "screen/progress.h"

#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

// The client promises fractions from 0 to 1 but writes the record without a lock, so any
// bit pattern can arrive. Both indicators draw with the fraction held to 0..1, NaN counting
// as 0: above 1 the box would plot cells beyond its right face and the bar would run out of
// its panel, below 0 the percentage would turn negative, and a NaN or an infinity must never
// reach an integer conversion. The bar's text shows the held value too, so text and bar agree.
float DrawableFraction(float fraction) {
    if (!(fraction > 0.0f)) return 0.0f;  // NaN and everything at or below zero
    if (fraction > 1.0f) return 1.0f;
    return fraction;
}

std::int32_t ClampToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// trunc(count x fraction) for a fraction already held to 0..1: the product lies between 0 and
// count, so the conversion is always defined.
std::int32_t ScaledCount(std::int32_t count, float fraction) {
    return static_cast<std::int32_t>(static_cast<double>(count) * static_cast<double>(fraction));
}

}  // namespace

ProgressBar::ProgressBar(Canvas& canvas_, const Rect& rect) : Panel(canvas_, rect, Black) { Clear(); }

void ProgressBar::Clear() { Fill(Black); }

void ProgressBar::Show(float fraction) {
    const float f = DrawableFraction(fraction);
    Clear();

    // The single-precision fraction times 100 in double, truncated: 0.29f shows as 28%.
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", ScaledCount(100, f));
    PutText(0, 0, text);

    // The bar starts after the text's room; FillBox leaves out the right column, so a full bar
    // ends exactly at the panel's right edge.
    const std::int32_t room = ClampToInt32(static_cast<std::int64_t>(width) - 30);
    const std::int32_t barRight = ClampToInt32(30 + static_cast<std::int64_t>(ScaledCount(room, f)));
    FillBox(Rect{30, 4, barRight, 10}, White);
}

ProgressBox::ProgressBox(Canvas& canvas_, const Rect& rect) : Panel(canvas_, rect, Black) {
    cellsDrawn = 0;
    shownFraction = 0.0f;
    // One step in depth is one pixel right and one up, so a third of the height goes to depth.
    bottomY = ClampToInt32(static_cast<std::int64_t>(height) - 1);
    rightX = ClampToInt32(static_cast<std::int64_t>(width) - 10);
    boxDepth = bottomY / 3;
    boxHeight = ClampToInt32(static_cast<std::int64_t>(bottomY) - boxDepth);
    boxWidth = ClampToInt32(static_cast<std::int64_t>(rightX) - boxDepth);
    sliceCells = ClampToInt32(static_cast<std::int64_t>(boxDepth) * boxHeight);
    cellCount = ClampToInt32(static_cast<std::int64_t>(sliceCells) * boxWidth);
    DrawEmpty();
}

void ProgressBox::DrawEmpty() {
    Fill(Black);
    cellsDrawn = 0;

    const std::int32_t t = boxDepth;
    const std::int32_t hc = boxHeight;
    const std::int32_t wc = boxWidth;
    const std::int32_t y = bottomY;
    const std::int32_t x = rightX;
    // Nine edges in grey; the three that meet at the front face's top-right corner stay
    // undrawn, so the cells filling in toward the viewer are never hidden behind a wire.
    DrawLine(0, y, wc, y, Pen::Grey);          // front, bottom
    DrawLine(t, hc, x, hc, Pen::Grey);         // back, bottom
    DrawLine(t, 0, x + 1, 0, Pen::Grey);       // back, top: pixel x included
    DrawLine(0, y, 0, t, Pen::Grey);           // front, left
    DrawLine(t, hc, t, 0, Pen::Grey);          // back, left
    DrawLine(x, hc, x, 0, Pen::Grey);          // back, right
    DrawLine(0, y, t, hc, Pen::Grey);          // depth, bottom left
    DrawLine(0, t, t, 0, Pen::Grey);           // depth, top left
    DrawLine(wc, y, x, hc, Pen::Grey);         // depth, bottom right
}

bool ProgressBox::HasCells() const { return boxDepth > 0 && boxHeight > 0 && boxWidth > 0 && cellCount > 0; }

void ProgressBox::Update(float fraction) {
    const float f = DrawableFraction(fraction);
    // A panel too small to hold one cell keeps its (empty) box and never plots.
    const std::int32_t target = HasCells() ? ScaledCount(cellCount, f) : 0;

    // Cells are never erased one by one: a falling fraction redraws the box empty and the
    // loop below refills it from cell 0.
    if (f < shownFraction) DrawEmpty();
    shownFraction = f;

    if (cellsDrawn >= target) return;
    for (std::int32_t k = cellsDrawn; k < target; ++k) PlotCell(k);
    cellsDrawn = target;
}

void ProgressBox::PlotCell(std::int32_t k) {
    if (!HasCells()) return;
    const std::int32_t r = k % sliceCells;
    const std::int32_t a = r % boxHeight;
    const std::int32_t c = r / boxHeight;
    const std::int32_t b = k / sliceCells;
    PlotCellAt(a, b, c);
}

void ProgressBox::PlotCellAt(std::int32_t a, std::int32_t b, std::int32_t c) {
    // In 64 bits: the cell coordinates are public, and no argument may overflow the sums.
    const std::int32_t x = ClampToInt32(static_cast<std::int64_t>(boxDepth) - c + b);
    const std::int32_t y = ClampToInt32(static_cast<std::int64_t>(boxHeight) - a + c);
    const std::int32_t x1 = ClampToInt32(static_cast<std::int64_t>(x) + 1);
    const std::int32_t y1 = ClampToInt32(static_cast<std::int64_t>(y) + 1);
    PlotPixel(x, y, MidRed);
    PlotPixel(x1, y, DarkRed);
    PlotPixel(x, y1, BrightRed);
}
