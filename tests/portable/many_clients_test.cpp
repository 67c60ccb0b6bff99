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

TEST(CardGridTest, SixteenCardsFillFullHdAndSixtyFourA4kMonitor) {
    const auto hd = PlaceCardGrids({MonitorInfo{Rect{0, 0, 1920, 1080}, 96, true}}, PlacementOptions{}, 480, 270);
    ASSERT_EQ(hd.size(), 1u);
    EXPECT_EQ(hd[0], (CardGrid{Rect{0, 0, 1920, 1080}, 1, 4, 4, Rect{0, 0, 1920, 1080}}));

    const auto uhd = PlaceCardGrids({MonitorInfo{Rect{0, 0, 3840, 2160}, 96, true}}, PlacementOptions{}, 480, 270);
    ASSERT_EQ(uhd.size(), 1u);
    EXPECT_EQ(uhd[0].Cells(), 64);
    EXPECT_EQ(uhd[0].destination, (Rect{0, 0, 3840, 2160}));

    // The same monitor at 200 % display scaling: the cards keep their size on the eye.
    const auto scaled = PlaceCardGrids({MonitorInfo{Rect{0, 0, 3840, 2160}, 192, true}}, PlacementOptions{}, 480, 270);
    ASSERT_EQ(scaled.size(), 1u);
    EXPECT_EQ(scaled[0].scale, 2);
    EXPECT_EQ(scaled[0].Cells(), 16);
}

TEST(CardGridTest, OddMonitorsCentreWholeCardsAndKeepAtLeastOne) {
    const std::vector<MonitorInfo> monitors = {MonitorInfo{Rect{0, 0, 1280, 1024}, 96, false},
                                               MonitorInfo{Rect{1280, 0, 1680, 200}, 96, true},
                                               MonitorInfo{Rect{0, 0, 0, 0}, 96, false}};
    const auto primary = PlaceCardGrids(monitors, PlacementOptions{MonitorChoice::Primary, 0, false}, 480, 270);
    ASSERT_EQ(primary.size(), 1u);
    // Smaller than one card: one card, overhanging evenly, as the status screen does.
    EXPECT_EQ(primary[0], (CardGrid{monitors[1].area, 1, 1, 1, Rect{1240, -35, 1720, 235}}));

    const auto all = PlaceCardGrids(monitors, PlacementOptions{MonitorChoice::All, 0, false}, 480, 270);
    ASSERT_EQ(all.size(), 2u) << "a monitor without an area holds no grid";
    EXPECT_EQ(all[0], (CardGrid{monitors[0].area, 1, 2, 3, Rect{160, 107, 1120, 917}}));

    // A factor asked for is lowered only until one card fits.
    const auto asked = PlaceCardGrids(monitors, PlacementOptions{MonitorChoice::All, 4, false}, 480, 270);
    EXPECT_EQ(asked[0].scale, 2);
    EXPECT_EQ(asked[0].Cells(), 1);
}

TEST(CardPageTest, PagesTakeTurnsOnlyWhenTheClientsDoNotFit) {
    for (std::uint32_t elapsed : {0u, 59999u, 60000u, 3600000u}) {
        EXPECT_EQ(CardPage(16, 16, elapsed, 60000), 0) << elapsed;
        EXPECT_EQ(CardPage(0, 16, elapsed, 60000), 0) << elapsed;
    }
    EXPECT_EQ(CardPage(17, 16, 0, 60000), 0);
    EXPECT_EQ(CardPage(17, 16, 59999, 60000), 0);
    EXPECT_EQ(CardPage(17, 16, 60000, 60000), 1);
    EXPECT_EQ(CardPage(17, 16, 120000, 60000), 0) << "the last page, then the first again";
    EXPECT_EQ(CardPage(64, 1, 63 * 5000, 5000), 63);
    EXPECT_EQ(CardPage(64, 1, 64 * 5000, 5000), 0);
}

}  // namespace
