// Panels: rectangles of a canvas with their own origin. Every element of the status screen
// is one. Panel operations take panel-relative coordinates and clip nothing: a point outside
// the panel is drawn all the same (the canvas clips only at its own edges).
#pragma once

#include <cstdint>

#include "graphics/canvas.h"
#include "graphics/color.h"
#include "graphics/rect.h"

// The line pitch of every text panel: the height of "jX" in the normal font, measured once
// when the status display is built.
extern std::int32_t gLineHeight;

class Panel {
public:
    Panel(Canvas& canvas, const Rect& rect, const RgbColor& background);

    void FillBox(const Rect& rect, const RgbColor& color);
    void Fill(const RgbColor& color);
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Pen pen);
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const RgbColor& color) {
        DrawLine(x1, y1, x2, y2, PenFor(color));
    }
    void PutText(std::int32_t x, std::int32_t y, const char* text);
    void PlotPixel(std::int32_t x, std::int32_t y, const RgbColor& color);
    // PlotPixel of x, top <= y < bottom.
    void PlotColumn(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color);
    void PlotColumnPair(std::int32_t x, std::int32_t top_, std::int32_t split, std::int32_t bottom_,
                        const RgbColor& upper, const RgbColor& lower);
    bool ColumnHidden(std::int32_t x, std::int32_t top_, std::int32_t bottom_) const;

    Canvas* canvas;
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
    std::int32_t width;
    std::int32_t height;
    RgbColor background;
};

// Numbered lines of text. Line n is the band 8 + n * lh <= y < 8 + (n + 1) * lh between
// x = 12 and width - 12. The panel keeps no text: the canvas is the only record of it.
class TextPanel : public Panel {
public:
    TextPanel(Canvas& canvas, const Rect& rect);

    void ClearLine(std::int32_t n);
    Rect LineRect(std::int32_t n) const;  // canvas coordinates
    void SetLine(std::int32_t n, const char* text);
    // Ends 12 pixels right of the panel's middle: x = width / 2 - w + 12.
    void SetHeading(std::int32_t n, const char* text);
    // Left text at 12; the right one ends 68 pixels before the panel's right edge.
    void SetLinePair(std::int32_t n, const char* leftText, const char* rightText);
};

// Twelve segments, 5 x 10 pixels, 3 apart, from x = 10, on the panel's vertical middle.
class LevelMeter : public Panel {
public:
    LevelMeter(Canvas& canvas, const Rect& rect);

    void ShowLevel(float level);
    void MarkPeak(float level);

    std::int32_t peakSegment = -1;  // held lit whatever the level; -1 for none
};

// The Gaussian meter is full at a score of 20: its level is the score times this.
inline constexpr float kGaussianMeterScale = 0.05f;

// Pure rules of the meter, shared by the drawing and the tests.
bool SegmentLit(std::int32_t segment, float level, std::int32_t peakSegment);
std::int32_t PeakSegmentFor(float level);
