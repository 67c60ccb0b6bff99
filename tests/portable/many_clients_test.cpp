// The saver showing several clients: a client's name beside its status screen never covers any
// of it, and the overview's cards fill each monitor at its scale, never shrinking.
#include <gtest/gtest.h>

#include "screen/screen_layout.h"
#include "windows/many_clients.h"

namespace {

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

CanvasCopy CentredCopy(const Rect& monitor, std::int32_t scale, std::int32_t dx = 0, std::int32_t dy = 0) {
    const std::int32_t w = kCanvasWidth * scale;
    const std::int32_t h = kCanvasHeight * scale;
    const std::int32_t left = monitor.left + (monitor.right - monitor.left - w) / 2 + dx;
    const std::int32_t top = monitor.top + (monitor.bottom - monitor.top - h) / 2 + dy;
    return CanvasCopy{monitor, Rect{left, top, left + w, top + h}, scale};
}

TEST(LabelPlaceTest, AboveTheScreenCentredAndClearOfIt) {
    const CanvasCopy copy = CentredCopy(Rect{0, 0, 1920, 1080}, 1);
    const auto place = LabelPlace(copy, 100, 16);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(*place, (Rect{910, copy.destination.top - 4 - 16, 1010, copy.destination.top - 4}));

    // On a monitor left of and above the primary, at scale 2, the gap doubles.
    const CanvasCopy scaled = CentredCopy(Rect{-3840, -2160, 0, 0}, 2);
    const auto there = LabelPlace(scaled, 60, 32);
    ASSERT_TRUE(there.has_value());
    EXPECT_EQ(there->bottom, scaled.destination.top - 8);
    EXPECT_EQ(there->left + there->right, scaled.destination.left + scaled.destination.right);
}

TEST(LabelPlaceTest, BelowWhenOnlyThatBandHasRoomAndNowhereWhenNeitherHas) {
    // The orbit took the copy to the top of a monitor just tall enough for it and the label.
    const Rect monitor{0, 0, 1024, 445 + 4 + 16};
    const CanvasCopy high{monitor, Rect{136, 0, 888, 445}, 1};
    const auto below = LabelPlace(high, 80, 16);
    ASSERT_TRUE(below.has_value());
    EXPECT_EQ(below->top, 449);
    EXPECT_EQ(below->bottom, monitor.bottom);

    const Rect exact{0, 0, 800, 445};
    EXPECT_FALSE(LabelPlace(CentredCopy(exact, 1), 80, 16).has_value()) << "the screen fills the monitor's height";
    EXPECT_FALSE(LabelPlace(CentredCopy(Rect{0, 0, 800, 445 + 3 + 16}, 1), 80, 16).has_value())
        << "a band one pixel short of the gap and the text";
    EXPECT_FALSE(LabelPlace(CentredCopy(Rect{0, 0, 1920, 1080}, 1), 0, 16).has_value()) << "no text, no place";
}

TEST(LabelPlaceTest, NeverOverTheScreenNorOffTheMonitor) {
    const Rect monitors[] = {{0, 0, 800, 600}, {0, 0, 1920, 1080}, {1920, -300, 3200, 724}, {0, 0, 752, 470}};
    for (const Rect& monitor : monitors) {
        for (std::int32_t scale : {1, 2}) {
            for (std::int32_t dx : {-8, 0, 8}) {
                for (std::int32_t dy : {-8, 0, 8}) {
                    const CanvasCopy copy = CentredCopy(monitor, scale, dx * scale, dy * scale);
                    for (std::int32_t width : {10, 400, 5000}) {
                        const auto place = LabelPlace(copy, width, 16 * scale);
                        if (!place) continue;
                        SCOPED_TRACE(testing::Message() << monitor.left << "," << monitor.top << " scale " << scale
                                                        << " orbit " << dx << "," << dy << " width " << width);
                        EXPECT_FALSE(Overlap(*place, copy.destination));
                        EXPECT_TRUE(Inside(*place, monitor));
                        EXPECT_EQ(place->bottom - place->top, 16 * scale);
                    }
                }
            }
        }
    }
}

TEST(OverviewPlaceTest, SixteenCardsFillFullHdAndSixtyFourA4kMonitor) {
    const auto hd = PlaceOverviews({MonitorInfo{Rect{0, 0, 1920, 1080}, 96, true}}, PlacementOptions{});
    ASSERT_EQ(hd.size(), 1u);
    EXPECT_EQ(hd[0].layout.Cells(), 16);
    EXPECT_EQ(hd[0].layout.destination, (Rect{0, 0, 1920, 1080}));

    const auto uhd = PlaceOverviews({MonitorInfo{Rect{0, 0, 3840, 2160}, 96, true}}, PlacementOptions{});
    ASSERT_EQ(uhd.size(), 1u);
    EXPECT_EQ(uhd[0].layout.Cells(), 64);
    EXPECT_EQ(uhd[0].layout.destination, (Rect{0, 0, 3840, 2160}));

    // The same monitor at 200 % display scaling: the cards keep their size on the eye.
    const auto scaled = PlaceOverviews({MonitorInfo{Rect{0, 0, 3840, 2160}, 192, true}}, PlacementOptions{});
    ASSERT_EQ(scaled.size(), 1u);
    EXPECT_EQ(scaled[0].layout.scale, 2);
    EXPECT_EQ(scaled[0].layout.Cells(), 16);
}

TEST(OverviewPlaceTest, TheChosenMonitorsEachAtTheirScale) {
    const std::vector<MonitorInfo> monitors = {MonitorInfo{Rect{0, 0, 1280, 1024}, 96, false},
                                               MonitorInfo{Rect{1280, 0, 1680, 200}, 144, true},
                                               MonitorInfo{Rect{0, 0, 0, 0}, 96, false}};
    const auto primary = PlaceOverviews(monitors, PlacementOptions{MonitorChoice::Primary, 0, false});
    ASSERT_EQ(primary.size(), 1u);
    EXPECT_EQ(primary[0].monitor, monitors[1].area);
    // Smaller than one card: one card at scale 1, overhanging evenly, as the status screen does.
    EXPECT_EQ(primary[0].layout.scale, 1);
    EXPECT_EQ(primary[0].layout.destination, (Rect{1240, -35, 1720, 235}));

    const auto all = PlaceOverviews(monitors, PlacementOptions{MonitorChoice::All, 0, false});
    ASSERT_EQ(all.size(), 2u) << "a monitor without an area holds no grid";
    EXPECT_EQ(all[0].monitor, monitors[0].area);
    EXPECT_EQ(all[0].layout.Cells(), 6);
    EXPECT_EQ(all[0].layout.destination, (Rect{160, 107, 1120, 917}));

    // A factor asked for is lowered only until one card fits.
    const auto asked = PlaceOverviews(monitors, PlacementOptions{MonitorChoice::All, 4, false});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].layout.scale, 2);
    EXPECT_EQ(asked[0].layout.Cells(), 1);
}

TEST(OverviewPageTest, PagesTakeTurnsOnlyWhenTheClientsDoNotFit) {
    const OverviewLayout sixteen = LayoutOverview(Rect{0, 0, 1920, 1080}, 1);
    const OverviewLayout one = LayoutOverview(Rect{0, 0, 480, 270}, 1);
    for (std::uint32_t elapsed : {0u, 59999u, 60000u, 3600000u}) {
        EXPECT_EQ(OverviewPageAt(sixteen, 16, elapsed, 60000), 0) << elapsed;
        EXPECT_EQ(OverviewPageAt(sixteen, 0, elapsed, 60000), 0) << elapsed;
    }
    EXPECT_EQ(OverviewPageAt(sixteen, 17, 59999, 60000), 0);
    EXPECT_EQ(OverviewPageAt(sixteen, 17, 60000, 60000), 1);
    EXPECT_EQ(OverviewPageAt(sixteen, 17, 120000, 60000), 0) << "the last page, then the first again";
    EXPECT_EQ(OverviewPageAt(one, 64, 63 * 5000, 5000), 63);
    EXPECT_EQ(OverviewPageAt(one, 64, 64 * 5000, 5000), 0);
}

}  // namespace
