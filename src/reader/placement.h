// Where the copies of the status screen go on the monitors, at which integer scale, and where
// the attention banner slides: pure geometry, shared by every platform's saver window. The
// platform only reads its monitors and copies the canvas where this says.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/copy_image.h"
#include "graphics/rect.h"

enum class MonitorChoice : std::int32_t { Primary = 0, All = 1 };

struct PlacementOptions {
    MonitorChoice monitors = MonitorChoice::Primary;
    // 0 follows each monitor's DPI; 1 to 8 asks for that factor. Either is lowered until the
    // canvas fits its monitor.
    std::int32_t scale = 0;
    // Moves each copy along a small orbit, one point a minute, against burn-in.
    bool shift = false;
    // A monitor smaller than the canvas gets all of it, reduced to fit, instead of its middle.
    // Off for the Windows saver, whose copies are always whole pixels.
    bool reduceToFit = false;
};

struct MonitorInfo {
    Rect area;  // in virtual-screen coordinates, which may be negative
    std::int32_t dpi = 96;
    bool primary = false;
};

inline constexpr std::int32_t kBaseDpi = 96;
inline constexpr std::int32_t kMaxScale = 8;
// How far, times the scale, the orbit takes a copy from its centred place.
inline constexpr std::int32_t kShiftReach = 8;
inline constexpr std::uint32_t kMillisecondsPerShift = 60000;
inline constexpr std::uint32_t kBannerPassMilliseconds = 24000;
// The banner's top edge below the top of its monitor, at scale 1.
inline constexpr std::int32_t kBannerTop = 10;

// "all" in any case gives All; everything else, the empty text and null included, Primary.
MonitorChoice ParseMonitorChoice(const char* text);
// 0 to 8 as they are; any other value falls back to following the DPI.
std::int32_t NormalizeScale(std::int32_t requested);

// The factor for a canvas of `width` x `height` on `monitor`: the requested one, or DPI / 96
// (at least 1) for 0, lowered until the scaled canvas fits; 1 when not even that fits.
std::int32_t CopyScale(const Rect& monitor, std::int32_t dpi, std::int32_t requested, std::int32_t width,
                       std::int32_t height);

struct Offset {
    std::int32_t x;
    std::int32_t y;
};
// The orbit's point for the minute, at scale 1: the centre first, then eight points around it,
// none farther than kShiftReach.
Offset OrbitPoint(std::uint32_t minute);

// The monitor that counts as primary: the first one marked so, else the one holding the
// virtual screen's origin, else the first. Monitors with no area are never chosen; -1 when
// there is none with an area.
std::int32_t PrimaryMonitorIndex(const std::vector<MonitorInfo>& monitors);

// One copy per chosen monitor (the primary, or all with an area, in their order), each centred
// on its monitor at its scale and, with shift, moved to the minute's orbit point, clamped so
// that it stays on its monitor where it fits. Centring truncates toward zero, as a single
// window has always done, so a canvas larger than its monitor overhangs it evenly. With
// reduceToFit, a canvas that does not fit its monitor at scale 1 goes to the largest rectangle
// of its proportions inside the monitor instead (the side that does not fill the monitor
// rounded down, at least one pixel), centred the same way, at scale 1 and never moved by shift.
std::vector<CanvasCopy> PlaceCanvas(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options,
                                    std::int32_t width, std::int32_t height, std::uint32_t minutesSinceStart);

// The banner's left edge `elapsed` milliseconds into a pass, relative to the left edge of a
// lane `laneWidth` wide: from the lane's right edge to fully past its left edge in 24 s.
std::int32_t BannerX(std::int32_t laneWidth, std::int32_t bannerWidth, std::int32_t elapsed);

// Where the banner of `bannerWidth` x `bannerHeight` is drawn for a copy, `elapsed` into the
// pass: across the top of the copy's monitor, at the copy's scale. Only the part inside the
// monitor is to be shown.
Rect BannerDestination(const CanvasCopy& copy, std::int32_t bannerWidth, std::int32_t bannerHeight,
                       std::int32_t elapsed);

// The parts of `before` that `after` does not cover, as at most four disjoint rectangles: what
// must be filled black when a copy moves, so that the screen never flashes black under it.
std::vector<Rect> UncoveredParts(const Rect& before, const Rect& after);

// What copies placed at `before` leave uncovered once placed at `after`, copy by copy: the
// strips a move leaves, or the whole old place of a copy that has no successor.
std::vector<Rect> LeftBehind(const std::vector<CanvasCopy>& before, const std::vector<CanvasCopy>& after);
