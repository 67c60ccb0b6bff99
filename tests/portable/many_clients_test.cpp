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

TEST(LabelPlaceTest, AboveTheScreenElseBelowElseNowhere) {
    const CanvasCopy copy = CentredCopy(Rect{0, 0, 1920, 1080}, 1);
    EXPECT_EQ(LabelPlace(copy, 100, 16), (Rect{910, copy.destination.top - 4 - 16, 1010, copy.destination.top - 4}));
    // At scale 2 the gap doubles.
    const CanvasCopy scaled = CentredCopy(Rect{-3840, -2160, 0, 0}, 2);
    EXPECT_EQ(LabelPlace(scaled, 60, 32)->bottom, scaled.destination.top - 8);

    // The orbit took the copy to the top of a monitor just tall enough for it and the label.
    const CanvasCopy high{Rect{0, 0, 1024, 445 + 4 + 16}, Rect{136, 0, 888, 445}, 1};
    EXPECT_EQ(LabelPlace(high, 80, 16), (Rect{472, 449, 552, 465}));
    EXPECT_FALSE(LabelPlace(CentredCopy(Rect{0, 0, 800, 445 + 3 + 16}, 1), 80, 16)) << "one pixel short either side";
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

// Each chosen monitor at its own scale, lowered only until one card fits.
TEST(OverviewPlaceTest, TheChosenMonitorsEachAtTheirScale) {
    const std::vector<MonitorInfo> monitors = {MonitorInfo{Rect{0, 0, 3840, 2160}, 192, false},
                                               MonitorInfo{Rect{3840, 0, 4240, 200}, 144, true},
                                               MonitorInfo{Rect{0, 0, 0, 0}, 96, false}};
    const auto primary = PlaceOverviews(monitors, PlacementOptions{MonitorChoice::Primary, 0, false});
    ASSERT_EQ(primary.size(), 1u);
    EXPECT_EQ(primary[0].monitor, monitors[1].area);
    EXPECT_EQ(primary[0].layout.scale, 1) << "smaller than one card at 150 %";

    const auto all = PlaceOverviews(monitors, PlacementOptions{MonitorChoice::All, 0, false});
    ASSERT_EQ(all.size(), 2u) << "a monitor without an area holds no grid";
    EXPECT_EQ(all[0].layout.scale, 2);
    EXPECT_EQ(all[0].layout.Cells(), 16);
    EXPECT_EQ(PlaceOverviews(monitors, PlacementOptions{MonitorChoice::All, 1, false})[0].layout.Cells(), 64);
    // A factor asked for stays while one card fits: 8 times 480 x 270 is the whole monitor.
    const auto asked = PlaceOverviews(monitors, PlacementOptions{MonitorChoice::All, 8, false});
    EXPECT_EQ(asked[0].layout.scale, 8);
    EXPECT_EQ(asked[0].layout.Cells(), 1);
    EXPECT_EQ(asked[1].layout.scale, 1) << "lowered as far as it goes";
}

TEST(OverviewPageTest, PagesTakeTurnsOnlyWhenTheClientsDoNotFit) {
    const OverviewLayout sixteen = LayoutOverview(Rect{0, 0, 1920, 1080}, 1);
    EXPECT_EQ(OverviewPageAt(sixteen, 16, 3600000, 60000), 0);
    EXPECT_EQ(OverviewPageAt(sixteen, 0, 3600000, 60000), 0);
    EXPECT_EQ(OverviewPageAt(sixteen, 17, 59999, 60000), 0);
    EXPECT_EQ(OverviewPageAt(sixteen, 17, 60000, 60000), 1);
    EXPECT_EQ(OverviewPageAt(sixteen, 17, 120000, 60000), 0) << "the last page, then the first again";
    EXPECT_EQ(OverviewPageAt(LayoutOverview(Rect{0, 0, 480, 270}, 1), 64, 63 * 5000, 5000), 63);
}

}  // namespace
