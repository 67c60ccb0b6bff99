#include "graphics/damage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::int32_t kWidth = 96;
constexpr std::int32_t kHeight = 64;

// Which pixels of a kWidth x kHeight picture the rectangles cover.
std::vector<bool> Covered(const std::vector<Rect>& rects) {
    std::vector<bool> covered(kWidth * kHeight, false);
    for (const Rect& r : rects)
        for (std::int32_t y = r.top; y < r.bottom; ++y)
            for (std::int32_t x = r.left; x < r.right; ++x) covered[y * kWidth + x] = true;
    return covered;
}

std::int64_t CoveredCount(const std::vector<Rect>& rects) {
    std::int64_t n = 0;
    for (bool c : Covered(rects)) n += c ? 1 : 0;
    return n;
}

}  // namespace

TEST(Damage, KeepsEveryChangedPixelInAFewRectanglesInsideTheBoundingBox) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        Damage damage;
        std::vector<Rect> added;
        const int count = 1 + static_cast<int>(random() % 20);
        for (int i = 0; i < count; ++i) {
            const std::int32_t left = static_cast<std::int32_t>(random() % kWidth);
            const std::int32_t top = static_cast<std::int32_t>(random() % kHeight);
            // Some empty, some a pixel, some long rows: the shapes a tick's drawing gives.
            const Rect r{left, top, left + static_cast<std::int32_t>(random() % (kWidth - left + 1)),
                         std::min(kHeight, top + static_cast<std::int32_t>(random() % 4))};
            damage.Add(r);
            added.push_back(r);
        }
        SCOPED_TRACE(round);
        ASSERT_LE(damage.Rects().size(), Damage::kMostRects);
        const std::vector<bool> want = Covered(added);
        const std::vector<bool> got = Covered(damage.Rects());
        Rect bounds{0, 0, 0, 0};
        for (const Rect& r : added)
            if (!IsEmpty(r)) bounds = Bounds(bounds, r);
        EXPECT_EQ(damage.Bounds(), bounds);
        EXPECT_EQ(damage.Empty(), IsEmpty(bounds));
        for (std::int32_t y = 0; y < kHeight; ++y)
            for (std::int32_t x = 0; x < kWidth; ++x) {
                ASSERT_TRUE(!want[y * kWidth + x] || got[y * kWidth + x]) << "lost pixel " << x << "," << y;
                ASSERT_TRUE(!got[y * kWidth + x] || (x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom));
            }
    }
}

TEST(Damage, ChangesFarApartStaySeparateAndNeighboursJoin) {
    Damage damage;
    damage.Add(Rect{0, 0, 96, 2});     // a line of text at the top
    damage.Add(Rect{10, 60, 90, 61});  // a graph row at the bottom
    EXPECT_EQ(damage.Rects().size(), 2u);
    EXPECT_EQ(CoveredCount(damage.Rects()), 96 * 2 + 80);

    damage.Add(Rect{10, 61, 90, 62});  // the next row: shares an edge, one box
    damage.Add(Rect{20, 60, 30, 62});  // inside it: nothing new
    EXPECT_EQ(damage.Rects().size(), 2u);
    EXPECT_EQ(CoveredCount(damage.Rects()), 96 * 2 + 160);

    // Touching only at a corner is not a shared edge: kept apart.
    damage.Add(Rect{90, 62, 92, 63});
    EXPECT_EQ(damage.Rects().size(), 3u);

    // A column that reaches the top and the bottom joins them, and their box then reaches the
    // corner one: all in one.
    damage.Add(Rect{50, 1, 51, 61});
    EXPECT_EQ(damage.Rects().size(), 1u);
    EXPECT_EQ(damage.Bounds(), (Rect{0, 0, 96, 63}));

}
