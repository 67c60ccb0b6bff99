#include "screen/panel.h"

#include <cmath>
#include <limits>

#include "screen/screen_layout.h"

std::int32_t gLineHeight = 14;

namespace {

// The top of line n in panel coordinates: LineBand's.
std::int32_t Line(std::int32_t n) { return LineBand(Rect{0, 0, 0, 0}, n, gLineHeight).top; }

}  // namespace

Panel::Panel(Canvas& canvas_, const Rect& rect, const RgbColor& background_)
    : canvas(&canvas_),
      left(rect.left),
      top(rect.top),
      right(rect.right),
      bottom(rect.bottom),
      width(rect.right - rect.left),
      height(rect.bottom - rect.top),
      background(background_) {}

void Panel::FillBox(const Rect& rect, const RgbColor& color) {
    canvas->FillBox(Rect{left + rect.left, top + rect.top, left + rect.right, top + rect.bottom}, color);
}

void Panel::Fill(const RgbColor& color) { canvas->FillBox(Rect{left, top, right, bottom}, color); }

void Panel::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Pen pen) {
    canvas->DrawLine(left + x1, top + y1, left + x2, top + y2, pen);
}

void Panel::PutText(std::int32_t x, std::int32_t y, const char* text) {
    canvas->SetBackground(background);
    canvas->PutText(left + x, top + y, text);
}

void Panel::PlotPixel(std::int32_t x, std::int32_t y, const RgbColor& color) {
    canvas->PlotPixel(left + x, top + y, color);
}

void Panel::PlotColumn(std::int32_t x, std::int32_t top_, std::int32_t bottom_, const RgbColor& color) {
    canvas->PlotColumn(left + x, top + top_, top + bottom_, color);
}

void Panel::PlotColumnPair(std::int32_t x, std::int32_t top_, std::int32_t split, std::int32_t bottom_,
                           const RgbColor& upper, const RgbColor& lower) {
    canvas->PlotColumnPair(left + x, top + top_, top + split, top + bottom_, upper, lower);
}

bool Panel::ColumnHidden(std::int32_t x, std::int32_t top_, std::int32_t bottom_) const {
    return canvas->ColumnHidden(left + x, top + top_, top + bottom_);
}

TextPanel::TextPanel(Canvas& canvas_, const Rect& rect) : Panel(canvas_, rect, Black) {
    FillBox(Rect{6, 6, width - 6, height - 6}, Black);
}

void TextPanel::ClearLine(std::int32_t n) { FillBox(LineBand(Rect{0, 0, width, height}, n, gLineHeight), Black); }

Rect TextPanel::LineRect(std::int32_t n) const { return LineBand(Rect{left, top, right, bottom}, n, gLineHeight); }

void TextPanel::SetLine(std::int32_t n, const char* text) {
    ClearLine(n);
    PutText(12, Line(n), text);
}

void TextPanel::SetHeading(std::int32_t n, const char* text) {
    const TextSize size = canvas->MeasureText(text);
    ClearLine(n);
    PutText(width / 2 - size.width + 12, Line(n), text);
}

void TextPanel::SetLinePair(std::int32_t n, const char* leftText, const char* rightText) {
    const TextSize size = canvas->MeasureText(rightText);
    ClearLine(n);
    PutText(12, Line(n), leftText);
    PutText(width - size.width - 68, Line(n), rightText);
}

LevelMeter::LevelMeter(Canvas& canvas_, const Rect& rect) : Panel(canvas_, rect, Black) {}

bool SegmentLit(std::int32_t segment, float level, std::int32_t peakSegment) {
    // 0.083333336 is the single-precision value nearest 1/12; the product is formed in
    // double and compared with the level as given.
    const double threshold = static_cast<double>(segment) * static_cast<double>(0.083333336f);
    return threshold <= static_cast<double>(level) || segment == peakSegment;
}

std::int32_t PeakSegmentFor(float level) {
    const double scaled = static_cast<double>(level) * 12.0;
    // NaN marks nothing; huge values are held at the top, and no lower bound is applied
    // beyond what a 32-bit index can hold.
    if (std::isnan(scaled)) return -1;
    if (scaled >= 12.0) return 11;
    if (scaled <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(scaled);  // truncation towards zero
}

void LevelMeter::ShowLevel(float level) {
    static const RgbColor* const kLit[3] = {&Green, &Yellow, &Red};
    static const RgbColor* const kUnlit[3] = {&DimGreen, &DimYellow, &DimRed};
    for (std::int32_t i = 0; i < 12; ++i) {
        const Rect segment{10 + 8 * i, height / 2 - 5, 15 + 8 * i, height / 2 + 5};
        const bool lit = SegmentLit(i, level, peakSegment);
        FillBox(segment, lit ? *kLit[i / 4] : *kUnlit[i / 4]);
    }
}

void LevelMeter::MarkPeak(float level) {
    peakSegment = PeakSegmentFor(level);
    ShowLevel(level);
}
