#include "reader/placement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "windows/saver_logic.h"

namespace {

constexpr std::int32_t kW = 752;
constexpr std::int32_t kH = 445;

MonitorInfo Monitor(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                    std::int32_t dpi = 96, bool primary = false) {
    return MonitorInfo{Rect{left, top, left + width, top + height}, dpi, primary};
}

std::vector<CanvasCopy> Place(const std::vector<MonitorInfo>& monitors, PlacementOptions options = {},
                              std::uint32_t minutes = 0) {
    return PlaceCanvas(monitors, options, kW, kH, minutes);
}

PlacementOptions All() { return PlacementOptions{MonitorChoice::All, 0, false}; }

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::int64_t Area(const Rect& r) {
    return static_cast<std::int64_t>(r.right - r.left) * (r.bottom - r.top);
}

}  // namespace

TEST(PlacementTest, OneOrdinaryMonitorKeepsTheCentredCanvas) {
    // The single window's old formula: (client - canvas) / 2 on each axis.
    const auto copies = Place({Monitor(0, 0, 1280, 1024, 96, true)});
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].destination, (Rect{264, 289, 264 + kW, 289 + kH}));
    EXPECT_EQ(copies[0].scale, 1);
    EXPECT_EQ(copies[0].monitor, (Rect{0, 0, 1280, 1024}));
}

TEST(PlacementTest, ScaleFollowsTheWholeMultiplesOfTheDpi) {
    const struct {
        std::int32_t dpi;
        std::int32_t scale;
    } cases[] = {{96, 1}, {120, 1}, {144, 1}, {191, 1}, {192, 2}, {0, 1}, {-96, 1}};
    for (const auto& c : cases) {
        const auto copies = Place({Monitor(0, 0, 1920, 1080, c.dpi, true)});
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(copies[0].scale, c.scale) << "dpi " << c.dpi;
        const std::int32_t w = kW * c.scale;
        const std::int32_t h = kH * c.scale;
        EXPECT_EQ(copies[0].destination, (Rect{(1920 - w) / 2, (1080 - h) / 2, (1920 - w) / 2 + w, (1080 - h) / 2 + h}))
            << "dpi " << c.dpi;
    }
}

TEST(PlacementTest, FourKMonitorTakesTheLargestScaleThatFits) {
    const auto at = [](std::int32_t dpi, std::int32_t requested) {
        return Place({Monitor(0, 0, 3840, 2160, dpi, true)}, PlacementOptions{MonitorChoice::Primary, requested, false})
            .at(0);
    };
    EXPECT_EQ(at(192, 0).scale, 2);
    EXPECT_EQ(at(192, 0).destination, (Rect{1168, 635, 1168 + 1504, 635 + 890}));
    EXPECT_EQ(at(384, 0).scale, 4);
    // 5 x 445 is 2225 rows, more than 2160: lowered to 4.
    EXPECT_EQ(at(480, 0).scale, 4);
    EXPECT_EQ(at(96, 8).scale, 4);
    EXPECT_EQ(at(192, 1).scale, 1);
    EXPECT_EQ(at(96, 3).scale, 3);
    // Out of range asks for the DPI's own factor.
    EXPECT_EQ(at(192, 9).scale, 2);
    EXPECT_EQ(at(192, -1).scale, 2);
}

TEST(PlacementTest, MonitorSmallerThanTheCanvasOverhangsEvenly) {
    const auto copies = Place({Monitor(0, 0, 640, 400, 192, true)}, PlacementOptions{MonitorChoice::Primary, 4, true}, 3);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].scale, 1);
    // (640 - 752) / 2 truncates to -56; no orbit step moves a copy that cannot fit.
    EXPECT_EQ(copies[0].destination, (Rect{-56, -22, -56 + kW, -22 + kH}));
}

TEST(PlacementTest, ReduceToFitShowsTheWholeCanvasOnASmallerMonitorAndChangesNoOther) {
    const struct {
        MonitorInfo monitor;
        Rect destination;
    } cases[] = {
        // 445 * 400 / 752 = 236.7, rounded down; (300 - 236) / 2 = 32 above it.
        {Monitor(100, -50, 400, 300), Rect{100, -18, 500, 218}},
        // Too low rather than too narrow: 300 * 752 / 445 = 506.97; (752 - 506) / 2 = 123 beside it.
        {Monitor(0, 0, kW, 300), Rect{123, 0, 629, 300}},
        {Monitor(0, 0, kW, kH - 1), Rect{1, 0, 751, 444}},  // 444 * 752 / 445 = 750.3
        {Monitor(0, 0, kW - 1, kH), Rect{0, 0, 751, 444}},  // 751 * 445 / 752 = 444.4
        {Monitor(0, 0, 1, 2000), Rect{0, 999, 1, 1000}},    // never less than a pixel
    };
    for (const auto& c : cases) {
        // The orbit leaves a reduced copy where it is: it spans its monitor one way already.
        const auto copies = Place({c.monitor}, PlacementOptions{MonitorChoice::Primary, 0, true, true}, 2);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(copies[0], (CanvasCopy{c.monitor.area, c.destination, 1}));
        EXPECT_TRUE(IsReduced(copies[0], kW, kH));
    }
    // The canvas's own size, larger and scaled monitors, the orbit: the same copies as without.
    const std::vector<MonitorInfo> fitting = {Monitor(0, 0, kW, kH, 96, true), Monitor(kW, 0, 1000, 800),
                                              Monitor(-3840, 0, 3840, 2160, 192)};
    for (const std::int32_t scale : {0, 3}) {
        for (std::uint32_t minute = 0; minute < 3; ++minute) {
            EXPECT_EQ(Place(fitting, PlacementOptions{MonitorChoice::All, scale, true, true}, minute),
                      Place(fitting, PlacementOptions{MonitorChoice::All, scale, true, false}, minute));
        }
    }
}

TEST(PlacementTest, PrimaryOnTheRightWithTheOtherAtNegativeCoordinates) {
    const std::vector<MonitorInfo> monitors = {Monitor(-1280, 0, 1280, 1024), Monitor(0, 0, 1920, 1080, 96, true)};
    const auto primary = Place(monitors);
    ASSERT_EQ(primary.size(), 1u);
    EXPECT_EQ(primary[0].destination, (Rect{584, 317, 584 + kW, 317 + kH}));

    const auto all = Place(monitors, All());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].destination, (Rect{-1280 + 264, 289, -1280 + 264 + kW, 289 + kH}));
    EXPECT_EQ(all[0].monitor, monitors[0].area);
    EXPECT_EQ(all[1], primary[0]);
}

TEST(PlacementTest, MixedDpiScalesEachCopyByItsOwnMonitor) {
    const std::vector<MonitorInfo> monitors = {Monitor(0, 0, 1920, 1080, 96, true), Monitor(1920, -500, 3840, 2160, 192)};
    const auto all = Place(monitors, All());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].scale, 1);
    EXPECT_EQ(all[1].scale, 2);
    EXPECT_EQ(all[1].destination, (Rect{1920 + 1168, -500 + 635, 1920 + 1168 + 1504, -500 + 635 + 890}));
    // A fixed factor applies to both, each lowered only where it does not fit.
    const auto fixed = Place(monitors, PlacementOptions{MonitorChoice::All, 3, false});
    EXPECT_EQ(fixed[0].scale, 2);
    EXPECT_EQ(fixed[1].scale, 3);
}

TEST(PlacementTest, ThreeStackedMonitorsEachGetTheirOwnCentre) {
    const std::vector<MonitorInfo> monitors = {Monitor(0, -1080, 1920, 1080), Monitor(0, 0, 1920, 1080, 96, true),
                                               Monitor(0, 1080, 1920, 1080)};
    const auto all = Place(monitors, All());
    ASSERT_EQ(all.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(all[i].destination.left, 584);
        EXPECT_EQ(all[i].destination.top, monitors[i].area.top + 317);
        EXPECT_TRUE(Inside(all[i].destination, monitors[i].area));
    }
    EXPECT_EQ(Place(monitors).at(0), all[1]);
}

TEST(PlacementTest, PrimaryIsTheMarkedOneElseTheOneAtTheOrigin) {
    EXPECT_EQ(PrimaryMonitorIndex({Monitor(-800, 0, 800, 600), Monitor(0, 0, 800, 600)}), 1);
    EXPECT_EQ(PrimaryMonitorIndex({Monitor(100, 0, 800, 600), Monitor(900, 0, 800, 600)}), 0);
    // A monitor without area is never chosen, even when marked.
    EXPECT_EQ(PrimaryMonitorIndex({Monitor(0, 0, 0, 600, 96, true), Monitor(0, 0, 800, 600)}), 1);
    EXPECT_EQ(PrimaryMonitorIndex({}), -1);
    EXPECT_TRUE(Place({}).empty());
    EXPECT_TRUE(Place({Monitor(0, 0, 800, 0)}, All()).empty());
}

TEST(PlacementTest, OrbitMovesEveryMinuteAndNeverLeavesItsMonitor) {
    const std::vector<MonitorInfo> monitors = {
        Monitor(0, 0, 1920, 1080, 96, true),
        Monitor(-3840, -2160, 3840, 2160, 192),
        Monitor(5000, 0, kW + 5, kH + 3),  // room for only part of the orbit
        Monitor(7000, 0, kW, kH),          // no room at all
    };
    const PlacementOptions shifting{MonitorChoice::All, 0, true};
    const auto centred = Place(monitors, All());
    std::vector<CanvasCopy> previous = Place(monitors, shifting, 0);
    EXPECT_EQ(previous, centred);
    for (std::uint32_t minute = 1; minute < 30; ++minute) {
        const auto copies = Place(monitors, shifting, minute);
        ASSERT_EQ(copies.size(), monitors.size());
        for (std::size_t i = 0; i < copies.size(); ++i) {
            const CanvasCopy& c = copies[i];
            EXPECT_TRUE(Inside(c.destination, monitors[i].area)) << "minute " << minute << " monitor " << i;
            const std::int32_t dx = c.destination.left - centred[i].destination.left;
            const std::int32_t dy = c.destination.top - centred[i].destination.top;
            EXPECT_LE(dx * dx + dy * dy, kShiftReach * kShiftReach * c.scale * c.scale) << "minute " << minute;
            EXPECT_EQ(c.destination.right - c.destination.left, kW * c.scale);
        }
        // With room to spare, every minute is a new place.
        EXPECT_NE(copies[0].destination, previous[0].destination) << "minute " << minute;
        EXPECT_NE(copies[1].destination, previous[1].destination) << "minute " << minute;
        EXPECT_EQ(copies[3].destination, centred[3].destination);
        previous = copies;
    }
}

TEST(PlacementTest, BannerSlidesAcrossTheTopOfEachCopysMonitor) {
    const std::int32_t bannerW = 900;
    const std::int32_t bannerH = 30;
    // On one monitor at the origin it is exactly the old pass along y = 10.
    const CanvasCopy single = Place({Monitor(0, 0, 1024, 768, 96, true)}).at(0);
    for (std::int32_t elapsed : {0, 1, 13, 12000, 23999}) {
        const Rect r = BannerDestination(single, bannerW, bannerH, elapsed);
        EXPECT_EQ(r.left, 1024 - static_cast<std::int32_t>(static_cast<std::int64_t>(elapsed) * 1924 / 24000));
        EXPECT_EQ(r.top, kBannerTop);
        EXPECT_EQ(r.right - r.left, bannerW);
        EXPECT_EQ(r.bottom - r.top, bannerH);
    }
    // On a doubled monitor left of the origin: twice the size, twice as far down, and from its
    // right edge to past its left one.
    const CanvasCopy big = Place({Monitor(-3840, -100, 3840, 2160, 192, true)}).at(0);
    ASSERT_EQ(big.scale, 2);
    const Rect start = BannerDestination(big, bannerW, bannerH, 0);
    EXPECT_EQ(start, (Rect{0, -100 + 20, 1800, -100 + 20 + 60}));
    const Rect end = BannerDestination(big, bannerW, bannerH, 23999);
    EXPECT_GT(end.right, -3840);
    EXPECT_LE(end.right, -3840 + 1);
    EXPECT_LT(BannerDestination(big, bannerW, bannerH, 12000).left, start.left);
}

TEST(PlacementTest, UncoveredPartsAreWhatAMovedCopyLeaves) {
    const Rect before{100, 100, 200, 150};
    EXPECT_TRUE(UncoveredParts(before, before).empty());
    EXPECT_EQ(UncoveredParts(before, Rect{108, 100, 208, 150}), (std::vector<Rect>{{100, 100, 108, 150}}));
    EXPECT_EQ(UncoveredParts(before, Rect{300, 100, 400, 150}), (std::vector<Rect>{before}));
    // A diagonal step: the parts are disjoint, inside `before`, outside `after`, and make up
    // exactly what is not covered.
    const Rect after{94, 105, 194, 155};
    const auto parts = UncoveredParts(before, after);
    std::int64_t total = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(Inside(parts[i], before));
        EXPECT_TRUE(parts[i].right <= after.left || parts[i].left >= after.right || parts[i].bottom <= after.top ||
                    parts[i].top >= after.bottom);
        for (std::size_t j = i + 1; j < parts.size(); ++j)
            EXPECT_TRUE(parts[i].right <= parts[j].left || parts[j].right <= parts[i].left ||
                        parts[i].bottom <= parts[j].top || parts[j].bottom <= parts[i].top);
        total += Area(parts[i]);
    }
    EXPECT_EQ(total, Area(before) - 94 * 45);
}

TEST(PlacementTest, LeftBehindIsEachCopysUncoveredPartOrItsWholeOldPlace) {
    const std::vector<MonitorInfo> two = {Monitor(0, 0, 1920, 1080, 96, true), Monitor(1920, 0, 1920, 1080)};
    const PlacementOptions shifting{MonitorChoice::All, 0, true};
    const auto before = Place(two, shifting, 0);
    const auto after = Place(two, shifting, 1);  // eight pixels to the right
    EXPECT_EQ(LeftBehind(before, after),
              (std::vector<Rect>{{584, 317, 592, 317 + kH}, {1920 + 584, 317, 1920 + 592, 317 + kH}}));
    EXPECT_TRUE(LeftBehind(before, before).empty());
    // One monitor fewer: the copy that has no successor leaves its whole place.
    EXPECT_EQ(LeftBehind(before, std::vector<CanvasCopy>{after[0]}),
              (std::vector<Rect>{{584, 317, 592, 317 + kH}, before[1].destination}));
}

TEST(PlacementOptionsTest, MonitorsAndScaleValues) {
    EXPECT_EQ(ParseMonitorChoice("all"), MonitorChoice::All);
    EXPECT_EQ(ParseMonitorChoice("ALL"), MonitorChoice::All);
    EXPECT_EQ(ParseMonitorChoice("All"), MonitorChoice::All);
    for (const char* text : std::initializer_list<const char*>{"primary", "", "al", "all2", "alla", " all", nullptr})
        EXPECT_EQ(ParseMonitorChoice(text), MonitorChoice::Primary) << (text != nullptr ? text : "(null)");
    EXPECT_EQ(NormalizeScale(0), 0);
    EXPECT_EQ(NormalizeScale(8), 8);
    EXPECT_EQ(NormalizeScale(9), 0);
    EXPECT_EQ(NormalizeScale(-1), 0);
    EXPECT_EQ(NormalizeScale(INT32_MIN), 0);
}

TEST(PlacementOptionsTest, ModeComesFromThePrimaryMonitorNotTheWholeScreen) {
    // Two 640-pixel monitors side by side make a 1280-pixel window, but not a full screen.
    EXPECT_EQ(DisplayModeForMonitors({Monitor(0, 0, 640, 480, 96, true), Monitor(640, 0, 640, 480)}, 1280),
              DisplayMode::Narrow);
    EXPECT_EQ(DisplayModeForMonitors({Monitor(-1920, 0, 1920, 1080), Monitor(0, 0, 800, 600, 96, true)}, 2720),
              DisplayMode::Full);
    EXPECT_EQ(DisplayModeForMonitors({Monitor(0, 0, 500, 400, 192, true)}, 500), DisplayMode::PreviewOnly);
    // The preview has no monitors: its own width decides.
    EXPECT_EQ(DisplayModeForMonitors({}, 152), DisplayMode::PreviewOnly);
    EXPECT_EQ(DisplayModeForMonitors({}, 1024), DisplayMode::Full);
}
