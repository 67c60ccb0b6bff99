// The raster surface claims GDI's pixel rules. Here the same drawing goes once through the
// GDI canvas and once onto a RasterSurface, and the two must agree pixel for pixel.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/bmp_file.h"
#include "graphics/canvas_win32.h"
#include "graphics/color.h"
#include "graphics/gdi_object.h"
#include "graphics/raster_surface.h"

namespace {

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 240;

class GdiVsRaster : public ::testing::Test {
protected:
    GdiVsRaster() : bitmap_(GdiObject::MakeBitmap(kWidth, kHeight)), canvas_(*bitmap_) {}

    void SetUp() override {
        ASSERT_NE(bitmap_->native().bits, nullptr);
        ASSERT_EQ(canvas_.PixelWidth(), kWidth);
        ASSERT_EQ(canvas_.PixelHeight(), kHeight);
        Clear();
    }

    void Clear() { Fill(Rect{0, 0, kWidth, kHeight}, Black); }

    void Fill(const Rect& rect, const RgbColor& color) {
        canvas_.FillBox(rect, color);
        raster_.FillRect(rect.left, rect.top, rect.right, rect.bottom, PackedRgb(color));
    }

    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const RgbColor& color) {
        canvas_.DrawLine(x1, y1, x2, y2, color);
        raster_.Line(x1, y1, x2, y2, PackedRgb(&color == &White ? White : Grey));
    }

    void Circle(std::int32_t cx, std::int32_t cy, std::int32_t r, const RgbColor& color) {
        canvas_.FillCircle(cx, cy, r, color);
        raster_.Ellipse(cx - r, cy - r, cx + r, cy + r, PackedRgb(color));
    }

    void Pixel(std::int32_t x, std::int32_t y, const RgbColor& color) {
        canvas_.PlotPixel(x, y, color);
        raster_.Plot(x, y, PackedRgb(color));
    }

    void Column(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color) {
        canvas_.PlotColumn(x, top, bottom, color);
        raster_.Column(x, top, bottom, PackedRgb(color));
    }

    // Pixels of `area` (clipped to the canvas) where the two surfaces differ, described for
    // the failure message; empty when they agree.
    std::string Differences(Rect area = Rect{0, 0, kWidth, kHeight}) const {
        area.left = std::max(area.left, 0);
        area.top = std::max(area.top, 0);
        area.right = std::min(area.right, kWidth);
        area.bottom = std::min(area.bottom, kHeight);
        GdiFlush();
        std::ostringstream out;
        int count = 0;
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            for (std::int32_t x = area.left; x < area.right; ++x) {
                const std::uint32_t gdi = GdiAt(x, y);
                const std::uint32_t raster = raster_.At(x, y);
                if (gdi == raster) continue;
                if (++count <= 12) {
                    out << " (" << x << "," << y << ") gdi=" << std::hex << gdi << " raster=" << raster << std::dec;
                }
            }
        }
        if (count == 0) return {};
        return std::to_string(count) + " pixels differ:" + out.str();
    }

    // Straight from the DIB section: PixelAt flushes GDI on every call, too slow for
    // comparing whole canvases hundreds of times. Callers flush first.
    std::uint32_t GdiAt(std::int32_t x, std::int32_t y) const {
        return static_cast<const std::uint32_t*>(bitmap_->native().bits)[static_cast<std::size_t>(y) * kWidth + x] & 0xFFFFFFu;
    }

    std::unique_ptr<GdiObject> bitmap_;
    Canvas canvas_;
    RasterBitmap rasterBitmap_ = MakeRasterBitmap(kWidth, kHeight);
    RasterSurface raster_{rasterBitmap_};
};

// The area a line from (x1, y1) to (x2, y2) can touch, with a pixel to spare.
Rect Around(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    return Rect{std::min(x1, x2) - 1, std::min(y1, y2) - 1, std::max(x1, x2) + 2, std::max(y1, y2) + 2};
}

TEST_F(GdiVsRaster, FillsIncludingEmptyInvertedAndOversizedRects) {
    Fill(Rect{10, 10, 60, 40}, Red);
    Fill(Rect{20, 20, 21, 21}, Green);        // a single pixel
    Fill(Rect{30, 30, 30, 50}, Yellow);       // empty: no width
    Fill(Rect{30, 30, 50, 30}, Yellow);       // empty: no height
    Fill(Rect{90, 60, 70, 80}, Yellow);       // inverted across
    Fill(Rect{70, 80, 90, 60}, Yellow);       // inverted down
    Fill(Rect{90, 90, 70, 70}, Yellow);       // inverted both ways
    Fill(Rect{-50, 100, 40, 120}, FrameViolet);  // off the left edge
    Fill(Rect{300, 230, 400, 400}, DimGreen);     // off the bottom-right corner
    Fill(Rect{INT_MIN, 200, INT_MAX, 205}, DimYellow);  // the whole width
    Fill(Rect{1000, 1000, 2000, 2000}, White);          // nowhere on the canvas
    Fill(Rect{-2000, -2000, -1000, -1000}, White);
    EXPECT_EQ(Differences(), "");
    // The fills that must not draw did not: nothing yellow but the full-width band.
    GdiFlush();
    for (std::int32_t y = 0; y < 200; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) ASSERT_NE(GdiAt(x, y), PackedRgb(Yellow)) << x << "," << y;
    }
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(59, 39), Red));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(60, 39), Black));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(59, 40), Black));
}

TEST_F(GdiVsRaster, LinesInEveryDirectionAndSlope) {
    // From a centre to every point of two square rings: all eight octants, the axes, the
    // diagonals and every slope in between, each drawn alone so a failure names its line.
    const std::int32_t cx = 160, cy = 120;
    for (const std::int32_t ring : {13, 47}) {
        for (std::int32_t i = -ring; i <= ring; ++i) {
            const std::int32_t ends[4][2] = {{i, -ring}, {i, ring}, {-ring, i}, {ring, i}};
            for (const auto& end : ends) {
                const std::int32_t x2 = cx + end[0], y2 = cy + end[1];
                Line(cx, cy, x2, y2, White);
                ASSERT_EQ(Differences(Around(cx, cy, x2, y2)), "") << "(" << cx << "," << cy << ")->(" << x2 << "," << y2 << ")";
                Clear();
                // Backwards: GDI does not draw a segment the same both ways round.
                Line(x2, y2, cx, cy, White);
                ASSERT_EQ(Differences(Around(cx, cy, x2, y2)), "") << "(" << x2 << "," << y2 << ")->(" << cx << "," << cy << ")";
                Clear();
            }
        }
    }
}

TEST_F(GdiVsRaster, WireBoxEdgesAndPenChoice) {
    // Edges of a box seen in perspective, as the graph's frame draws them.
    const std::int32_t edges[][4] = {{58, 186, 118, 85},  {118, 85, 290, 85},  {290, 85, 230, 186},
                                      {230, 186, 58, 186}, {58, 186, 58, 120},  {118, 85, 118, 19},
                                      {58, 120, 118, 19},  {230, 186, 231, 60}, {290, 85, 289, 200},
                                      {12, 230, 300, 227}, {300, 5, 10, 9},     {7, 7, 9, 233}};
    for (const auto& e : edges) Line(e[0], e[1], e[2], e[3], White);
    // Any colour but the White constant itself takes the grey pen, a copy of White included.
    const RgbColor whiteCopy = White;
    Line(20, 20, 140, 60, whiteCopy);
    Line(20, 30, 140, 70, Red);
    Line(20, 40, 140, 80, Grey);
    EXPECT_EQ(Differences(), "");
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(20, 20), Grey));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(20, 30), Grey));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(58, 186), White));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(118, 85), White));  // the end of the first edge is the start of the next
}

TEST_F(GdiVsRaster, LinesReachingInFromFarAway) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::int32_t> nearX(-200, kWidth + 200), nearY(-200, kHeight + 200);
    std::uniform_int_distribution<std::int32_t> distant(-1000000, 1000000);
    for (int i = 0; i < 1500; ++i) {
        const std::int32_t x1 = nearX(random), y1 = nearY(random), x2 = nearX(random), y2 = nearY(random);
        Line(x1, y1, x2, y2, White);
        ASSERT_EQ(Differences(Around(x1, y1, x2, y2)), "") << "(" << x1 << "," << y1 << ")->(" << x2 << "," << y2 << ")";
        Clear();
    }
    for (int i = 0; i < 300; ++i) {
        const std::int32_t x1 = distant(random), y1 = distant(random), x2 = nearX(random), y2 = nearY(random);
        Line(x1, y1, x2, y2, White);
        ASSERT_EQ(Differences(), "") << "(" << x1 << "," << y1 << ")->(" << x2 << "," << y2 << ")";
        Clear();
    }
    // Entirely outside, crossing the canvas, and along its edges.
    Line(-5000, -10, 5000, -10, White);
    Line(-100000, -99880, 100000, 100120, White);
    Line(-1000000, 117, 1000000, 121, White);
    Line(160, -1000000, 161, 1000000, White);
    Line(0, 0, kWidth, 0, White);
    Line(kWidth - 1, 0, kWidth - 1, kHeight, White);
    EXPECT_EQ(Differences(), "");
}

TEST_F(GdiVsRaster, DiscsOfEveryRadius) {
    for (std::int32_t r = -3; r <= 60; ++r) {
        Circle(160, 120, r, Green);
        ASSERT_EQ(Differences(Rect{90, 50, 230, 190}), "") << "radius " << r;
        Clear();
    }
    // Odd and even centres, and the radii the progress display uses, beside each other.
    Circle(20, 20, 4, Red);
    Circle(41, 20, 4, Red);
    Circle(80, 40, 16, Yellow);
    Circle(121, 41, 16, Yellow);
    Circle(200, 60, 7, MidRed);
    Circle(250, 60, 11, BrightRed);
    EXPECT_EQ(Differences(), "");
}

TEST_F(GdiVsRaster, DiscsCutByTheEdgesAndFarOutside) {
    Circle(0, 0, 16, Red);
    Circle(kWidth, kHeight, 16, Red);
    Circle(kWidth / 2, -10, 25, Yellow);
    Circle(-30, kHeight / 2, 45, Green);
    Circle(kWidth + 20, 50, 30, DimRed);
    Circle(kWidth / 2, kHeight / 2, 1000, DimGreen);  // covers the canvas
    EXPECT_EQ(Differences(), "");
    Clear();
    Circle(-2500, 120, 2600, Red);  // only the right-hand rim reaches in
    Circle(160, 3000, 2900, Yellow);
    Circle(-100000, -100000, 30, Green);  // nowhere near
    Circle(100000, 100000, 30, Green);
    EXPECT_EQ(Differences(), "");
}

// The raster's Ellipse is general even though the display only draws discs. Where GDI's
// outline trace reaches the middle column before the end rows (some boxes from 4 x 7 on,
// never a circle) Wine fills those rows from memory it never set, sometimes far past the
// box, so the boxes here are the one- and two-pixel-thin ones and those within an aspect of
// 3 : 2, which always reach their ends.
TEST_F(GdiVsRaster, EllipsesInAnyBox) {
    HBRUSH brush = CreateSolidBrush(PaletteColorRef(Yellow));
    HPEN pen = CreatePen(PS_SOLID, 0, PaletteColorRef(Yellow));
    HGDIOBJ oldBrush = SelectObject(CanvasDC(canvas_), brush);
    HGDIOBJ oldPen = SelectObject(CanvasDC(canvas_), pen);
    const auto ellipse = [this](std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        ::Ellipse(CanvasDC(canvas_), l, t, r, b);
        raster_.Ellipse(l, t, r, b, PackedRgb(Yellow));
    };
    for (std::int32_t w = 0; w <= 48; ++w) {
        for (std::int32_t h = 0; h <= 48; ++h) {
            const bool thin = std::min(w, h) <= 2 && std::max(w, h) <= 12;
            if (!thin && 2 * std::max(w, h) > 3 * std::min(w, h)) continue;
            ellipse(100, 80, 100 + w, 80 + h);
            ASSERT_EQ(Differences(Rect{99, 79, 150, 130}), "") << w << " x " << h;
            Clear();
        }
    }
    // Boxes given the other way round, and boxes cut by the edges.
    ellipse(150, 100, 110, 70);
    ellipse(-20, 200, 40, 250);
    ellipse(300, -30, 340, 30);
    ellipse(-100, -60, 420, 300);
    EXPECT_EQ(Differences(), "");
    SelectObject(CanvasDC(canvas_), oldPen);
    SelectObject(CanvasDC(canvas_), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST_F(GdiVsRaster, PixelsAndColumns) {
    Pixel(0, 0, Red);
    Pixel(kWidth - 1, kHeight - 1, Green);
    Pixel(100, 100, Yellow);
    Pixel(-1, 5, White);
    Pixel(5, -1, White);
    Pixel(kWidth, 5, White);
    Pixel(5, kHeight, White);
    Pixel(INT_MIN, INT_MAX, White);
    Column(10, 5, 50, FrameViolet);
    Column(11, 50, 5, FrameViolet);  // inverted: nothing
    Column(12, -100, 20, DarkRed);
    Column(13, 200, 100000, MidRed);
    Column(-1, 0, kHeight, White);
    Column(kWidth, 0, kHeight, White);
    Column(14, INT_MIN, INT_MAX, BrightRed);
    EXPECT_EQ(Differences(), "");
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(10, 49), FrameViolet));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(10, 50), Black));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(11, 20), Black));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(14, kHeight - 1), BrightRed));
}

TEST_F(GdiVsRaster, WholeSceneInOneGo) {
    Fill(Rect{0, 0, kWidth, kHeight}, Black);
    Fill(Rect{6, 6, 314, 234}, DimGreen);
    Fill(Rect{50, 40, 20, 10}, Red);
    Fill(Rect{-10, 220, 330, 250}, FrameViolet);
    for (std::int32_t i = 0; i < 12; ++i) Fill(Rect{10 + 8 * i, 15, 15 + 8 * i, 25}, i < 5 ? Green : DimYellow);
    const std::int32_t box[][4] = {{58, 186, 118, 85}, {118, 85, 290, 85}, {290, 85, 230, 186}, {230, 186, 58, 186}};
    for (const auto& e : box) Line(e[0], e[1], e[2], e[3], White);
    for (std::int32_t i = 0; i < 24; ++i) Line(160, 120, 160 + (i * 37) % 151 - 75, 120 + (i * 53) % 121 - 60, i % 3 ? Grey : White);
    Line(-400, 300, 700, -90, White);
    Line(2000, 2000, 2500, 2600, White);
    Circle(40, 200, 4, Red);
    Circle(80, 200, 16, Yellow);
    Circle(300, 20, 30, BrightRed);
    Circle(-500, -500, 40, Green);
    for (std::int32_t x = 100; x < 200; x += 3) Pixel(x, 140 + x % 7, MidRed);
    Pixel(-3, -3, White);
    Pixel(500, 500, White);
    for (std::int32_t x = 200; x < 260; ++x) Column(x, 230 - (x * 13) % 40, 230, x % 2 ? DarkRed : BrightRed);
    EXPECT_EQ(Differences(), "");
}

// Header images go through StretchDIBits with the source rectangle (0, 0, width, height).
// For a bottom-up image that rectangle is measured from the image's bottom-left corner;
// bmp_file.h's StoredRowForAreaRow encodes where each stored row lands, and the raster canvas
// relies on it. Here GDI is held to it.
class BitmapFileOnGdi : public ::testing::Test {
protected:
    BitmapFileOnGdi() : bitmap_(GdiObject::MakeBitmap(64, 64)), canvas_(*bitmap_) {}

    void SetUp() override {
        ASSERT_NE(bitmap_->native().bits, nullptr);
        canvas_.FillBox(Rect{0, 0, 64, 64}, FrameViolet);
        char directory[MAX_PATH];
        const DWORD length = GetTempPathA(MAX_PATH, directory);
        ASSERT_TRUE(length > 0 && length < MAX_PATH);
        path_ = std::string(directory) + "orvane_bmp_" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp";
    }
    void TearDown() override { DeleteFileA(path_.c_str()); }

    // An 8-bit image whose every pixel has its own palette entry pattern: index = 16 * stored
    // row + column, so a row or column out of place shows.
    static std::vector<std::uint8_t> MakeImage(std::int32_t width, std::int32_t height, std::uint16_t bitCount = 8) {
        const std::int32_t stride = (width + 3) / 4 * 4;
        std::vector<std::uint8_t> bytes;
        const auto put = [&bytes](std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        };
        const std::uint32_t pixelBytes = static_cast<std::uint32_t>(stride * height);
        bytes.push_back('B');
        bytes.push_back('M');
        put(14 + 40 + 1024 + pixelBytes, 4);
        put(0, 4);
        put(14 + 40 + 1024, 4);
        put(40, 4);
        put(static_cast<std::uint32_t>(width), 4);
        put(static_cast<std::uint32_t>(height), 4);
        put(1, 2);
        put(bitCount, 2);
        put(0, 4);
        put(pixelBytes, 4);
        put(0, 4);
        put(0, 4);
        put(0, 4);
        put(0, 4);
        for (std::uint32_t k = 0; k < 256; ++k) {
            bytes.push_back(static_cast<std::uint8_t>(k));                // blue
            bytes.push_back(static_cast<std::uint8_t>(255 - k));          // green
            bytes.push_back(static_cast<std::uint8_t>((k * 7 + 1) & 0xFF));  // red
            bytes.push_back(0);
        }
        for (std::int32_t row = 0; row < height; ++row) {
            for (std::int32_t column = 0; column < stride; ++column) {
                bytes.push_back(static_cast<std::uint8_t>((16 * row + column) & 0xFF));
            }
        }
        return bytes;
    }

    void WriteFile(const std::vector<std::uint8_t>& bytes) const {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path_.c_str(), "wb"), &std::fclose);
        ASSERT_TRUE(file);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
    }

    // Draws the image into the area and checks every pixel of the canvas: inside the area
    // the image where StoredRowForAreaRow puts it, everywhere else the old colour.
    void CheckPlacement(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t areaWidth,
                        std::int32_t areaHeight) {
        const std::vector<std::uint8_t> bytes = MakeImage(imageWidth, imageHeight);
        WriteFile(bytes);
        const std::optional<BitmapFileImage> image = ParseBitmapFile(bytes.data(), bytes.size());
        ASSERT_TRUE(image.has_value());
        const std::int32_t left = 9, top = 7;
        canvas_.DrawBitmapFile(path_.c_str(), left, top, areaWidth, areaHeight);
        int wrong = 0;
        std::ostringstream where;
        for (std::int32_t y = 0; y < 64; ++y) {
            for (std::int32_t x = 0; x < 64; ++x) {
                std::uint32_t expected = PackedRgb(FrameViolet);
                const std::int32_t ax = x - left, ay = y - top;
                if (ax >= 0 && ay >= 0 && ax < areaWidth && ay < areaHeight && ax < imageWidth) {
                    const std::int32_t stored = StoredRowForAreaRow(*image, areaHeight, ay);
                    if (stored >= 0) expected = image->ColorAt(ax, stored);
                }
                const std::uint32_t got = PackedRgb(canvas_.PixelAt(x, y));
                if (got != expected && ++wrong <= 8) {
                    where << " (" << x << "," << y << ") got " << std::hex << got << " expected " << expected << std::dec;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << where.str();
    }

    std::unique_ptr<GdiObject> bitmap_;
    Canvas canvas_;
    std::string path_;
};

TEST_F(BitmapFileOnGdi, TallerImageShowsItsBottomRows) { CheckPlacement(8, 20, 8, 10); }

TEST_F(BitmapFileOnGdi, ExactFitShowsTheWholeImageUpright) { CheckPlacement(12, 10, 12, 10); }

TEST_F(BitmapFileOnGdi, ShorterImageSitsAtTheBottomOfTheArea) { CheckPlacement(8, 4, 8, 10); }

TEST_F(BitmapFileOnGdi, WiderImageIsCutAtTheAreaAndNarrowerLeavesTheRest) {
    CheckPlacement(16, 10, 8, 10);
    canvas_.FillBox(Rect{0, 0, 64, 64}, FrameViolet);
    CheckPlacement(8, 10, 12, 10);
}

TEST_F(BitmapFileOnGdi, MissingOrMalformedFileDrawsNothing) {
    canvas_.DrawBitmapFile(path_.c_str(), 0, 0, 64, 64);  // not written yet
    std::vector<std::uint8_t> fourBit = MakeImage(8, 8, 4);
    WriteFile(fourBit);
    canvas_.DrawBitmapFile(path_.c_str(), 0, 0, 64, 64);
    std::vector<std::uint8_t> truncated = MakeImage(8, 8);
    truncated.resize(truncated.size() - 9);
    WriteFile(truncated);
    canvas_.DrawBitmapFile(path_.c_str(), 0, 0, 64, 64);
    for (std::int32_t y = 0; y < 64; ++y) {
        for (std::int32_t x = 0; x < 64; ++x) ASSERT_TRUE(SameRgb(canvas_.PixelAt(x, y), FrameViolet)) << x << "," << y;
    }
}

}  // namespace
