// Where everything fixed on the status screen goes: pure data, worked out from the one
// measured value, the line height, before anything is drawn. StatusDisplay's build draws the
// screen from it, and the tests read it.
#pragma once

#include <cstdint>

#include "graphics/rect.h"

inline constexpr std::int32_t kCanvasWidth = 752;
inline constexpr std::int32_t kCanvasHeight = 445;

// The band of text line n of a panel, in the panel's own coordinates when the panel rectangle
// is given in them: 12 pixels in from each side, from 8 + n * lh down one line.
constexpr Rect LineBand(const Rect& panel, std::int32_t n, std::int32_t lineHeight) {
    return Rect{panel.left + 12, panel.top + 8 + n * lineHeight, panel.right - 12, panel.top + 8 + (n + 1) * lineHeight};
}

struct Disc {
    std::int32_t cx;
    std::int32_t cy;
    std::int32_t r;

    bool operator==(const Disc&) const = default;
};

// A rounded inner corner: a violet square in the angle between two bars, hollowed by a black
// disc centred on the square's corner away from the angle, which leaves a concave quarter-round.
struct FrameCorner {
    Rect square;
    Disc hollow;

    bool operator==(const FrameCorner&) const = default;
};

// The violet frame between the panels, for a canvas whose right edge is `right`.
struct FrameLayout {
    Rect bars[4];      // top, bottom, the right column's separator, the vertical bar
    Disc barEnds[5];   // the round ends: both of the top bar, both of the bottom one, the separator's right
    FrameCorner corners[6];
};

// A text of the header, placed by its left edge or, right-aligned, by where it ends.
struct HeaderText {
    std::int32_t x;
    std::int32_t y;
    bool endsAtX;
};

struct ScreenLayout {
    std::int32_t lineHeight;
    std::int32_t headerHeight;     // H
    std::int32_t panelRowHeight;   // 12 lh: the row of text panels
    std::int32_t infoPanelHeight;  // 6 lh: the "Data Info" panel
    std::int32_t leftColumnWidth;  // X

    Rect headerImage;  // the part of the header image shown, at the top left
    HeaderText version;
    HeaderText webAddress;
    HeaderText helpHint;

    Rect analysisPanel;
    Rect dataInfoPanel;
    Rect userInfoPanel;
    Rect graphPanel;
    // Inside the bands of analysis lines: the bar on line 1, the meters at the right ends of
    // lines 4 and 6, the box over lines 8 and 9. Replacing such a line's text clears them.
    Rect progressBar;
    Rect peakMeter;
    Rect gaussianMeter;
    Rect progressBox;

    FrameLayout frame;
};

inline constexpr const char kAnalysisCaption[] = "Data Analysis";
inline constexpr const char kDataInfoCaption[] = "Data Info";
inline constexpr const char kUserInfoCaption[] = "User Info";
inline constexpr const char kHelpHint[] = "Press F1 for info";

// X: the left column's width, 752 x 0.55 truncated (413).
inline constexpr std::int32_t kLeftColumnWidth = static_cast<std::int32_t>(kCanvasWidth * 0.55);
// H: the header strip's height; the frame's top bar starts there.
constexpr std::int32_t HeaderHeightFor(std::int32_t lineHeight) { return lineHeight + 30; }

constexpr std::int32_t kFrameCornerSize = 16;  // side of a corner square, radius of its hollow
constexpr std::int32_t kBarEndRadius = 4;      // half the bars' thickness: round ends
constexpr std::int32_t kMeterWidth = 120;
constexpr std::int32_t kProgressBarIndent = 250;  // from the left of analysis line 1

constexpr FrameCorner CornerAt(std::int32_t left, std::int32_t top, std::int32_t centreX, std::int32_t centreY) {
    return FrameCorner{Rect{left, top, left + kFrameCornerSize, top + kFrameCornerSize},
                       Disc{centreX, centreY, kFrameCornerSize}};
}

constexpr FrameLayout FrameFor(std::int32_t lineHeight, std::int32_t right) {
    const std::int32_t lh = lineHeight;
    const std::int32_t h = HeaderHeightFor(lh);
    const std::int32_t x = kLeftColumnWidth;
    const std::int32_t r = kBarEndRadius;
    const std::int32_t s = kFrameCornerSize;
    const std::int32_t bottomBarTop = h + 12 * lh + 8;
    const std::int32_t separatorTop = h + 6 * lh + 8;
    return FrameLayout{
        {
            Rect{10, h, right - 10, h + 8},
            Rect{10, bottomBarTop, right - 10, bottomBarTop + 8},
            // The separator's left end joins the vertical bar; only its right end is rounded.
            Rect{x + 30, separatorTop, right - 10, separatorTop + 8},
            Rect{x, h, x + 30, bottomBarTop + 8},
        },
        {
            Disc{10, h + 4, r},
            Disc{right - 10, h + 4, r},
            Disc{10, bottomBarTop + 4, r},
            Disc{right - 10, bottomBarTop + 4, r},
            Disc{right - 10, separatorTop + 4, r},
        },
        {
            CornerAt(x - s, h + 8, x - s, h + 8 + s),                    // left of the bar, under the top bar
            CornerAt(x + 30, h + 8, x + 30 + s, h + 8 + s),              // right of the bar, under the top bar
            CornerAt(x + 30, h + 6 * lh - 8, x + 30 + s, h + 6 * lh - 8),  // right, over the separator
            CornerAt(x + 30, h + 6 * lh + 16, x + 30 + s, h + 6 * lh + 16 + s),  // right, under the separator
            CornerAt(x + 30, h + 12 * lh - 8, x + 30 + s, h + 12 * lh - 8),  // right, over the bottom bar
            CornerAt(x - s, h + 12 * lh - 8, x - s, h + 12 * lh - 8),        // left, over the bottom bar
        },
    };
}

constexpr ScreenLayout LayoutFor(std::int32_t lineHeight) {
    const std::int32_t lh = lineHeight;
    const std::int32_t h = HeaderHeightFor(lh);
    const std::int32_t x = kLeftColumnWidth;
    const Rect analysis{0, h + 8, x, h + 8 + 12 * lh};
    const Rect line1 = LineBand(analysis, 1, lh);
    const Rect line4 = LineBand(analysis, 4, lh);
    const Rect line6 = LineBand(analysis, 6, lh);
    const Rect line8 = LineBand(analysis, 8, lh);
    const Rect line9 = LineBand(analysis, 9, lh);
    return ScreenLayout{
        lh,
        h,
        12 * lh,
        6 * lh,
        x,
        Rect{0, 0, 500, 41},
        HeaderText{720, 6, true},
        HeaderText{680, 20, true},
        HeaderText{500, 6, false},
        analysis,
        Rect{x + 30, h + 8, kCanvasWidth, h + 8 + 6 * lh},
        Rect{x + 30, h + 16 + 6 * lh, kCanvasWidth, h + 8 + 12 * lh},
        Rect{0, h + 12 * lh + 28, kCanvasWidth, kCanvasHeight},
        Rect{line1.left + kProgressBarIndent, line1.top, line1.right, line1.bottom},
        Rect{line4.right - kMeterWidth, line4.top, line4.right, line4.bottom},
        Rect{line6.right - kMeterWidth, line6.top, line6.right, line6.bottom},
        Rect{line8.left, line8.top, line8.right, line9.bottom},
        FrameFor(lh, kCanvasWidth),
    };
}
