#include "reader/placement.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace {

// The orbit's points, each within kShiftReach of the centre (6, 5 is 7.8 away): one a minute,
// so that no edge of the screen stays on the same pixels for more than a minute in nine.
constexpr std::array<Offset, 9> kOrbit = {{
    {0, 0}, {8, 0}, {6, -5}, {0, -8}, {-6, -5}, {-8, 0}, {-6, 5}, {0, 8}, {6, 5},
}};

std::int64_t Width(const Rect& r) { return static_cast<std::int64_t>(r.right) - r.left; }
std::int64_t Height(const Rect& r) { return static_cast<std::int64_t>(r.bottom) - r.top; }
bool HasArea(const Rect& r) { return Width(r) > 0 && Height(r) > 0; }

std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// The start of a span of `size` centred in [from, from + room), moved by `shift` but kept
// inside when it fits; a span that does not fit stays centred, overhanging both ends.
std::int64_t PlaceSpan(std::int64_t from, std::int64_t room, std::int64_t size, std::int64_t shift) {
    // Truncation toward zero, as the single window's centring always did.
    const std::int64_t centred = from + (room - size) / 2;
    if (size >= room) return centred;
    return std::clamp(centred + shift, from, from + room - size);
}

// The canvas reduced to the largest size of its proportions that the monitor holds, or
// nothing when it fits as it is. The side that meets the monitor's edges is the monitor's;
// the other is rounded down, so the copy never leaves the monitor.
std::optional<CanvasCopy> ReducedCopy(const MonitorInfo& monitor, std::int32_t width, std::int32_t height) {
    const std::int64_t roomWidth = Width(monitor.area);
    const std::int64_t roomHeight = Height(monitor.area);
    if (width <= 0 || height <= 0 || (width <= roomWidth && height <= roomHeight)) return std::nullopt;
    std::int64_t w = roomWidth;
    std::int64_t h = roomHeight;
    if (roomWidth * height <= roomHeight * width) {
        h = std::max<std::int64_t>(1, roomWidth * height / width);
    } else {
        w = std::max<std::int64_t>(1, roomHeight * width / height);
    }
    const std::int64_t left = PlaceSpan(monitor.area.left, roomWidth, w, 0);
    const std::int64_t top = PlaceSpan(monitor.area.top, roomHeight, h, 0);
    return CanvasCopy{monitor.area, Rect{Clamp32(left), Clamp32(top), Clamp32(left + w), Clamp32(top + h)}, 1};
}

CanvasCopy PlaceOne(const MonitorInfo& monitor, const PlacementOptions& options, std::int32_t width,
                    std::int32_t height, std::uint32_t minutes) {
    // A reduced copy spans the monitor one way already; the orbit is left out rather than
    // moving it the other way alone.
    if (options.reduceToFit) {
        if (const std::optional<CanvasCopy> reduced = ReducedCopy(monitor, width, height)) return *reduced;
    }
    const std::int32_t scale = CopyScale(monitor.area, monitor.dpi, options.scale, width, height);
    const Offset orbit = options.shift ? OrbitPoint(minutes) : Offset{0, 0};
    const std::int64_t w = static_cast<std::int64_t>(width) * scale;
    const std::int64_t h = static_cast<std::int64_t>(height) * scale;
    const std::int64_t left = PlaceSpan(monitor.area.left, Width(monitor.area), w, orbit.x * scale);
    const std::int64_t top = PlaceSpan(monitor.area.top, Height(monitor.area), h, orbit.y * scale);
    return CanvasCopy{monitor.area, Rect{Clamp32(left), Clamp32(top), Clamp32(left + w), Clamp32(top + h)}, scale};
}

}  // namespace

MonitorChoice ParseMonitorChoice(const char* text) {
    if (text == nullptr) return MonitorChoice::Primary;
    const char all[] = "all";
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = text[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != all[i]) return MonitorChoice::Primary;
    }
    return text[3] == '\0' ? MonitorChoice::All : MonitorChoice::Primary;
}

std::int32_t NormalizeScale(std::int32_t requested) {
    return requested >= 0 && requested <= kMaxScale ? requested : 0;
}

std::int32_t CopyScale(const Rect& monitor, std::int32_t dpi, std::int32_t requested, std::int32_t width,
                       std::int32_t height) {
    std::int32_t scale = NormalizeScale(requested);
    if (scale == 0) {
        // A monitor that reports no sensible DPI is taken as an ordinary one.
        const std::int32_t effective = dpi > 0 ? dpi : kBaseDpi;
        scale = std::clamp(effective / kBaseDpi, 1, kMaxScale);
    }
    const std::int64_t w = std::max<std::int64_t>(width, 0);
    const std::int64_t h = std::max<std::int64_t>(height, 0);
    while (scale > 1 && (w * scale > Width(monitor) || h * scale > Height(monitor))) --scale;
    return scale;
}

Offset OrbitPoint(std::uint32_t minute) { return kOrbit[minute % kOrbit.size()]; }

std::int32_t PrimaryMonitorIndex(const std::vector<MonitorInfo>& monitors) {
    std::int32_t holdingOrigin = -1;
    std::int32_t first = -1;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const MonitorInfo& m = monitors[i];
        if (!HasArea(m.area)) continue;
        const auto index = static_cast<std::int32_t>(i);
        if (m.primary) return index;
        if (first < 0) first = index;
        if (holdingOrigin < 0 && m.area.left <= 0 && m.area.right > 0 && m.area.top <= 0 && m.area.bottom > 0)
            holdingOrigin = index;
    }
    return holdingOrigin >= 0 ? holdingOrigin : first;
}

std::vector<CanvasCopy> PlaceCanvas(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options,
                                    std::int32_t width, std::int32_t height, std::uint32_t minutesSinceStart) {
    std::vector<CanvasCopy> copies;
    if (options.monitors == MonitorChoice::All) {
        for (const MonitorInfo& m : monitors)
            if (HasArea(m.area)) copies.push_back(PlaceOne(m, options, width, height, minutesSinceStart));
        return copies;
    }
    const std::int32_t primary = PrimaryMonitorIndex(monitors);
    if (primary >= 0)
        copies.push_back(PlaceOne(monitors[static_cast<std::size_t>(primary)], options, width, height,
                                  minutesSinceStart));
    return copies;
}

std::int32_t BannerX(std::int32_t laneWidth, std::int32_t bannerWidth, std::int32_t elapsed) {
    // In 64 bits the product cannot overflow for any 32-bit inputs; for ordinary screen sizes
    // the result is the same as the 32-bit formula, which truncates toward zero just as this does.
    const std::int64_t travel = static_cast<std::int64_t>(laneWidth) + bannerWidth;
    return Clamp32(laneWidth - static_cast<std::int64_t>(elapsed) * travel / kBannerPassMilliseconds);
}

Rect BannerDestination(const CanvasCopy& copy, std::int32_t bannerWidth, std::int32_t bannerHeight,
                       std::int32_t elapsed) {
    const std::int64_t w = static_cast<std::int64_t>(bannerWidth) * copy.scale;
    const std::int64_t h = static_cast<std::int64_t>(bannerHeight) * copy.scale;
    const std::int64_t left = copy.monitor.left + static_cast<std::int64_t>(BannerX(
                                                      Clamp32(Width(copy.monitor)), Clamp32(w), elapsed));
    const std::int64_t top = copy.monitor.top + static_cast<std::int64_t>(kBannerTop) * copy.scale;
    return Rect{Clamp32(left), Clamp32(top), Clamp32(left + w), Clamp32(top + h)};
}

std::vector<Rect> UncoveredParts(const Rect& before, const Rect& after) {
    std::vector<Rect> parts;
    if (!HasArea(before)) return parts;
    const Rect overlap{std::max(before.left, after.left), std::max(before.top, after.top),
                       std::min(before.right, after.right), std::min(before.bottom, after.bottom)};
    if (!HasArea(overlap)) {
        parts.push_back(before);
        return parts;
    }
    // Full-width bands above and below the overlap, then the two sides beside it.
    if (before.top < overlap.top) parts.push_back(Rect{before.left, before.top, before.right, overlap.top});
    if (overlap.bottom < before.bottom) parts.push_back(Rect{before.left, overlap.bottom, before.right, before.bottom});
    if (before.left < overlap.left) parts.push_back(Rect{before.left, overlap.top, overlap.left, overlap.bottom});
    if (overlap.right < before.right) parts.push_back(Rect{overlap.right, overlap.top, before.right, overlap.bottom});
    return parts;
}

std::vector<Rect> LeftBehind(const std::vector<CanvasCopy>& before, const std::vector<CanvasCopy>& after) {
    std::vector<Rect> parts;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i >= after.size()) {
            parts.push_back(before[i].destination);
            continue;
        }
        for (const Rect& part : UncoveredParts(before[i].destination, after[i].destination)) parts.push_back(part);
    }
    return parts;
}
