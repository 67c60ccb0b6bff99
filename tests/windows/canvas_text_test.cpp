// Text, fonts and reading back on the GDI canvas.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/canvas_win32.h"
#include "graphics/color.h"
#include "graphics/gdi_object.h"

namespace {

constexpr std::int32_t kWidth = 200;
constexpr std::int32_t kHeight = 80;

class CanvasText : public ::testing::Test {
protected:
    CanvasText()
        : bitmap_(GdiObject::MakeBitmap(kWidth, kHeight)),
          canvas_(*bitmap_),
          normal_(GdiObject::MakeArialFont(14, false)),
          bold_(GdiObject::MakeArialFont(14, true)),
          banner_(GdiObject::MakeArialFont(24, true)) {}

    void SetUp() override {
        ASSERT_NE(bitmap_->native().bits, nullptr);
        ASSERT_NE(normal_->native().handle, nullptr);
        ASSERT_NE(bold_->native().handle, nullptr);
        ASSERT_NE(banner_->native().handle, nullptr);
        canvas_.FillBox(Rect{0, 0, kWidth, kHeight}, Green);
        canvas_.UseFont(*normal_);
        canvas_.SetForeground(White);
        canvas_.SetBackground(DimRed);
    }

    // Checks that the cell is all text or background colour with some of each, and that a
    // three-pixel ring around it still holds the canvas colour.
    void ExpectOpaqueCell(const Rect& cell) const {
        int text = 0, background = 0, other = 0, outside = 0;
        std::ostringstream where;
        for (std::int32_t y = cell.top - 3; y < cell.bottom + 3; ++y) {
            for (std::int32_t x = cell.left - 3; x < cell.right + 3; ++x) {
                const RgbColor pixel = canvas_.PixelAt(x, y);
                const bool inside = x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
                if (!inside) {
                    if (!SameRgb(pixel, Green) && ++outside <= 4) where << " outside (" << x << "," << y << ")";
                    continue;
                }
                if (SameRgb(pixel, White)) {
                    ++text;
                } else if (SameRgb(pixel, DimRed)) {
                    ++background;
                } else if (++other <= 4) {
                    where << " (" << x << "," << y << ")=" << std::hex << PackedRgb(pixel) << std::dec;
                }
            }
        }
        EXPECT_EQ(other, 0) << where.str();
        EXPECT_EQ(outside, 0) << where.str();
        EXPECT_GT(text, 0);
        EXPECT_GT(background, text);  // mostly cell, some glyph
    }

    std::unique_ptr<GdiObject> bitmap_;
    Canvas canvas_;
    std::unique_ptr<GdiObject> normal_, bold_, banner_;
};

TEST_F(CanvasText, FontsMeasureTheirCellHeight) {
    const TextSize normal = canvas_.MeasureText("jX");
    EXPECT_EQ(normal.height, 14);
    EXPECT_GT(normal.width, 8);
    EXPECT_LT(normal.width, 20);
    canvas_.UseFont(*bold_);
    EXPECT_EQ(canvas_.MeasureText("jX").height, 14);
    EXPECT_GT(canvas_.MeasureText("WWWW").width, 0);
    // The font mapper rounds ascent and descent apart, so a large cell may come out a pixel
    // short of the height asked for (Liberation Sans in Wine gives 23), never taller.
    canvas_.UseFont(*banner_);
    const std::int32_t bannerHeight = canvas_.MeasureText("jX").height;
    EXPECT_GE(bannerHeight, 23);
    EXPECT_LE(bannerHeight, 24);
    canvas_.UseFont(*normal_);
    // Width grows with the text; nothing measures as no width and the cell's height.
    EXPECT_GT(canvas_.MeasureText("jXjX").width, normal.width);
    EXPECT_EQ(canvas_.MeasureText("").width, 0);
    const TextSize none = canvas_.MeasureText(nullptr);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 14);
}

TEST_F(CanvasText, TextIsDrawnOpaqueInItsCell) {
    const char* text = "Data jX 0.123";
    const TextSize size = canvas_.MeasureText(text);
    canvas_.PutText(20, 30, text);
    ExpectOpaqueCell(Rect{20, 30, 20 + size.width, 30 + size.height});
}

TEST_F(CanvasText, RightAlignedTextEndsAtItsEdge) {
    const char* text = "42.5 Hz/s";
    const TextSize size = canvas_.MeasureText(text);
    canvas_.PutTextRight(180, 10, text);
    ExpectOpaqueCell(Rect{180 - size.width, 10, 180, 10 + size.height});
}

class CanvasReadBack : public ::testing::Test {
protected:
    CanvasReadBack() : bitmap_(GdiObject::MakeBitmap(7, 5)), canvas_(*bitmap_) {}
    std::unique_ptr<GdiObject> bitmap_;
    Canvas canvas_;
};

TEST_F(CanvasReadBack, PixelsOutsideReadAsBlack) {
    canvas_.FillBox(Rect{0, 0, 7, 5}, White);
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(6, 4), White));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(7, 0), Black));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(0, 5), Black));
    EXPECT_TRUE(SameRgb(canvas_.PixelAt(-1, -1), Black));
}

TEST_F(CanvasReadBack, SavedImageHoldsThePixelsUpright) {
    // Odd width: the saved rows need padding.
    for (std::int32_t y = 0; y < 5; ++y) {
        for (std::int32_t x = 0; x < 7; ++x) canvas_.PlotPixel(x, y, RgbColor{x * 30, y * 50, 7});
    }
    char directory[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string path = std::string(directory) + "orvane_save_" + std::to_string(GetCurrentProcessId()) + ".bmp";
    ASSERT_TRUE(canvas_.SaveImage(path.c_str()));

    std::vector<std::uint8_t> bytes;
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
        ASSERT_TRUE(file);
        int c;
        while ((c = std::fgetc(file.get())) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    }
    DeleteFileA(path.c_str());
    const auto u32 = [&bytes](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    ASSERT_GE(bytes.size(), 54u);
    ASSERT_EQ(bytes[0], 'B');
    ASSERT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32(2), bytes.size());
    EXPECT_EQ(u32(18), 7u);
    const std::int32_t height = static_cast<std::int32_t>(u32(22));
    const std::uint32_t bitCount = bytes[28] | bytes[29] << 8;
    ASSERT_TRUE(bitCount == 24 || bitCount == 32);
    ASSERT_EQ(std::abs(height), 5);
    const std::size_t pixelSize = bitCount / 8;
    const std::size_t stride = (7 * pixelSize + 3) / 4 * 4;
    const std::size_t offset = u32(10);
    ASSERT_EQ(bytes.size(), offset + stride * 5);
    for (std::int32_t y = 0; y < 5; ++y) {
        const std::size_t row = static_cast<std::size_t>(height > 0 ? 4 - y : y);
        for (std::int32_t x = 0; x < 7; ++x) {
            const std::uint8_t* p = bytes.data() + offset + row * stride + x * pixelSize;
            EXPECT_EQ(p[0], 7) << x << "," << y;
            EXPECT_EQ(p[1], y * 50) << x << "," << y;
            EXPECT_EQ(p[2], x * 30) << x << "," << y;
        }
    }
    EXPECT_FALSE(canvas_.SaveImage("Z:\\no\\such\\directory\\image.bmp"));
}

}  // namespace
