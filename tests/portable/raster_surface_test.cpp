// The software surface's vertical runs at the depths a hostile graph geometry gives them.
// Under the sanitizer build a pointer formed for a row that does not exist (one that wraps
// the address space, or an offset from an empty buffer) stops the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "graphics/raster_surface.h"

namespace {

constexpr std::uint32_t kRed = 0x00FF0000u;

std::int64_t CountPixels(const RasterBitmap& bitmap, std::uint32_t color) {
    return std::count(bitmap.pixels.begin(), bitmap.pixels.end(), color);
}

}  // namespace

TEST(RasterSurfaceColumn, RunsBelowOrAboveTheBitmapDrawNothing) {
    RasterBitmap bitmap = MakeRasterBitmap(752, 6);
    RasterSurface surface(bitmap);
    constexpr std::int64_t kGraphBound = std::int64_t{1} << 26;  // where hostile depths land
    surface.Column(3, kGraphBound, kGraphBound + 10, kRed);
    surface.Column(751, kGraphBound, kGraphBound, kRed);
    // Far enough down that top * width wraps the address space.
    surface.Column(5, std::int64_t{47} << 54, INT64_MAX, kRed);
    surface.Column(5, INT64_MAX - 1, INT64_MAX, kRed);
    surface.Column(4, -kGraphBound - 10, -kGraphBound, kRed);
    surface.Column(4, INT64_MIN, -1, kRed);
    surface.Column(2, 6, 7, kRed);   // just below the last row
    surface.Column(2, 4, 2, kRed);   // inverted
    surface.Column(2, 3, 3, kRed);   // empty
    EXPECT_EQ(CountPixels(bitmap, kRed), 0);
}

TEST(RasterSurfaceColumn, RunsAcrossTheEdgesStopAtThem) {
    RasterBitmap bitmap = MakeRasterBitmap(8, 6);
    RasterSurface surface(bitmap);
    surface.Column(7, 4, std::int64_t{1} << 26, kRed);  // the last row of the last column
    EXPECT_EQ(CountPixels(bitmap, kRed), 2);
    EXPECT_EQ(surface.At(7, 4), kRed);
    EXPECT_EQ(surface.At(7, 5), kRed);
    surface.Column(0, INT64_MIN, 2, kRed);
    EXPECT_EQ(surface.At(0, 0), kRed);
    EXPECT_EQ(surface.At(0, 1), kRed);
    EXPECT_EQ(surface.At(0, 2), 0u);
    EXPECT_EQ(CountPixels(bitmap, kRed), 4);
}

TEST(RasterSurfaceColumn, BitmapsWithoutRowsTakeNoRun) {
    // Width without height: the buffer is empty, so any offset from it would be a fault.
    RasterBitmap flat = MakeRasterBitmap(8, 0);
    RasterSurface surface(flat);
    surface.Column(3, 0, 5, kRed);
    surface.Column(3, -5, INT64_MAX, kRed);
    surface.FillRect(0, 0, 8, 5, kRed);
    surface.Plot(3, 0, kRed);
    EXPECT_TRUE(flat.pixels.empty());
    EXPECT_EQ(surface.At(3, 0), 0u);
}
