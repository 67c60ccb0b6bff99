// The raster canvas at the limits of 32-bit coordinates, its PNG output, and where a
// header image lands when the area is taller than the image or cut by the canvas edge.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/bmp_writer.h"
#include "graphics/canvas_raster.h"
#include "record/demo_record.h"
#include "record/record_builder.h"
#include "common/test_canvas.h"
#include "screen/status_display.h"
#include "record/record_items.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("orvane-" + std::to_string(::getpid()) + "-" + name)).string();
}

// The rows whose pixels differ between two pictures of the same size.
RowSpan ChangedRows(const std::vector<std::uint32_t>& before, const Canvas& canvas) {
    RowSpan changed{canvas.PixelHeight(), 0};
    for (std::int32_t y = 0; y < canvas.PixelHeight(); ++y) {
        const std::uint32_t* row = PixelRow(canvas, y);
        if (!std::equal(row, row + canvas.PixelWidth(), before.begin() + std::ptrdiff_t{y} * canvas.PixelWidth())) {
            changed.top = std::min(changed.top, y);
            changed.bottom = y + 1;
        }
    }
    return changed;
}

}  // namespace

// The Linux viewer sends only the rows the canvas reports drawn: a row changed outside them
// would stay stale on the screen until the next full redraw.
TEST(RasterCanvasDrawnRows, EveryChangedRowOfEachItemIsReported) {
    auto first = MakeZeroRecord();
    FillDemoRecord(*first, 1);
    auto second = MakeZeroRecord();
    FillDemoRecord(*second, 2);
    StatusDisplay display(*first, "no-such-header.bmp");
    Canvas& canvas = *display.canvas;
    const RowSpan all = TakeDrawnRows(canvas);
    EXPECT_EQ(all.top, 0);
    EXPECT_EQ(all.bottom, canvas.PixelHeight());
    display.Update();
    TakeDrawnRows(canvas);

    display.Update();
    EXPECT_TRUE(TakeDrawnRows(canvas).Empty()) << "a tick with every flag down draws nothing";

    // Item by item, the second record's values over the first's, so that each tick changes
    // what one item shows.
    std::int32_t narrowest = canvas.PixelHeight();
    std::memcpy(first.get(), second.get(), sizeof(SharedStatus));
    for (int i = 0; i < kRecordFlagCount; ++i)
        std::memset(reinterpret_cast<char*>(first.get()) + FlagOffsetByIndex(i), 0, 4);
    for (int i = 0; i < kRecordFlagCount; ++i) {
        const std::size_t offset = FlagOffsetByIndex(i);
        std::int32_t raised = 0;
        std::memcpy(&raised, reinterpret_cast<const char*>(second.get()) + offset, 4);
        if (raised == 0) continue;
        std::memcpy(reinterpret_cast<char*>(first.get()) + offset, &raised, 4);
        std::vector<std::uint32_t> before;
        canvas.CopyPixels(before);
        display.Update();
        const RowSpan changed = ChangedRows(before, canvas);
        const RowSpan drawn = TakeDrawnRows(canvas);
        narrowest = std::min(narrowest, drawn.bottom - drawn.top);
        if (changed.Empty()) continue;
        EXPECT_LE(drawn.top, changed.top) << "flag " << i;
        EXPECT_GE(drawn.bottom, changed.bottom) << "flag " << i;
    }
    EXPECT_LT(narrowest, 40) << "a text item's tick reports the rows of its line, not the screen";
}

TEST(RasterCanvasLimits, ShapesAcrossTheWhole32BitRangeDrawOnlyTheirVisiblePart) {
    TestCanvas canvas(24, 16);
    canvas->DrawLine(INT_MIN, 5, INT_MAX, 5, White);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 5, 24, 6}, White), 24);
    canvas->DrawLine(7, INT_MAX, 7, INT_MIN, Red);  // any colour but White draws grey
    EXPECT_EQ(CountColor(*canvas, Rect{7, 0, 8, 16}, Grey), 16);
    EXPECT_EQ(CountNonBlack(*canvas, Rect{0, 0, 24, 16}), 24 + 16 - 1);

    canvas->DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MIN, White);
    canvas->DrawLine(INT_MAX, INT_MIN, INT_MAX, INT_MAX, White);
    canvas->DrawLine(INT_MIN, INT_MAX, INT_MAX, INT_MAX, White);
    canvas->DrawLine(INT_MAX, INT_MIN, INT_MIN, INT_MAX, White);  // the anti-diagonal misses the canvas
    EXPECT_EQ(CountNonBlack(*canvas, Rect{0, 0, 24, 16}), 24 + 16 - 1);
    canvas->FillCircle(INT_MIN, INT_MIN, INT_MAX, Red);
    canvas->FillCircle(INT_MAX, 8, 10, Red);
    canvas->FillCircle(INT_MIN, 8, INT_MIN, Red);
    canvas->PlotColumn(INT_MIN, INT_MIN, INT_MAX, Red);
    canvas->PlotColumn(30, INT_MIN, INT_MAX, Red);
    canvas->PlotPixel(INT_MAX, INT_MIN, Red);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 24, 16}, Red), 0);

    canvas->PlotColumn(2, INT_MIN, INT_MAX, Red);
    EXPECT_EQ(CountColor(*canvas, Rect{2, 0, 3, 16}, Red), 16);
    TestCanvas diagonal(24, 16);
    diagonal->DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, White);
    EXPECT_EQ(CountColor(*diagonal, Rect{0, 0, 24, 16}, White), 16);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(PixelIs(*diagonal, i, i, White)) << i;

    canvas->FillCircle(0, 0, INT_MAX, Yellow);  // a disc around the whole canvas
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 24, 16}, Yellow), 24 * 16);
    canvas->FillBox(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, Green);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 24, 16}, Green), 24 * 16);
}

TEST(RasterCanvasLimits, HoldersWithoutPixelsGiveCanvasesThatDrawNowhere) {
    const auto fresh = GdiObject::MakeBitmap(5, 3);
    Canvas blank(*fresh);
    EXPECT_EQ(blank.PixelWidth(), 5);
    EXPECT_EQ(blank.PixelHeight(), 3);
    EXPECT_EQ(CountNonBlack(blank, Rect{0, 0, 5, 3}), 0);

    const auto font = GdiObject::MakeArialFont(14, false);
    const auto huge = GdiObject::MakeBitmap(INT_MAX, INT_MAX);
    const auto negative = GdiObject::MakeBitmap(-4, 10);
    for (GdiObject* holder : {font.get(), huge.get(), negative.get()}) {
        Canvas canvas(*holder);
        EXPECT_EQ(canvas.PixelWidth(), 0);
        canvas.FillBox(Rect{-5, -5, 5, 5}, White);
        canvas.PutText(0, 0, "Orvane");
        canvas.DrawLine(0, 0, 3, 3, White);
        EXPECT_TRUE(SameRgb(canvas.PixelAt(0, 0), Black));
        EXPECT_FALSE(canvas.SaveImage(TempPath("empty.png").c_str()));
    }
}

TEST(RasterCanvasImage, SavedPngReadsBackWithTheSamePixels) {
    TestCanvas canvas(37, 21);
    canvas->FillBox(Rect{3, 2, 20, 9}, FrameViolet);
    canvas->FillCircle(25, 12, 6, DimYellow);
    canvas->DrawLine(0, 20, 36, 0, White);
    canvas->PlotPixel(36, 20, BrightRed);
    const std::string path = TempPath("saved.png");
    ASSERT_TRUE(canvas->SaveImage(path.c_str()));

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    ASSERT_EQ(image.width, 37u);
    ASSERT_EQ(image.height, 21u);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    for (std::int32_t y = 0; y < 21; ++y) {
        for (std::int32_t x = 0; x < 37; ++x) {
            const png_byte* p = &pixels[(static_cast<std::size_t>(y) * 37 + static_cast<std::size_t>(x)) * 3];
            const RgbColor expected = canvas->PixelAt(x, y);
            ASSERT_TRUE(SameRgb(RgbColor{p[0], p[1], p[2]}, expected)) << x << "," << y;
        }
    }
    std::filesystem::remove(path);
}

TEST(RasterCanvasImage, SavingToAnUnwritablePlaceFails) {
    TestCanvas canvas(4, 4);
    EXPECT_FALSE(canvas->SaveImage(TempPath("no-such-dir/canvas.png").c_str()));
    EXPECT_FALSE(canvas->SaveImage(std::filesystem::temp_directory_path().string().c_str()));
    EXPECT_FALSE(canvas->SaveImage(nullptr));
}

TEST(RasterCanvasImage, HeaderImageInATallerAreaSitsAtTheAreaBottomAndIsCutByTheEdge) {
    const std::string path = TempPath("header.bmp");
    ASSERT_TRUE(WriteBytes(path, MakeBmpBytes(BmpShape{})));  // 8 x 4
    const auto expected = [](int x, int yFromTop) {
        return UnpackRgb(BmpTestPaletteRgb(static_cast<std::uint8_t>(x + 3 * yFromTop)));
    };

    // An area of 6 rows over 4 image rows: as with a bottom-up DIB, the image fills the
    // area's last 4 rows and the first 2 are left alone.
    TestCanvas tall(20, 12);
    tall->DrawBitmapFile(path.c_str(), 2, 1, 8, 6);
    EXPECT_EQ(CountNonBlack(*tall, Rect{0, 0, 20, 3}), 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) ASSERT_TRUE(PixelIs(*tall, 2 + x, 3 + y, expected(x, y))) << x << "," << y;
    }
    EXPECT_EQ(CountNonBlack(*tall, Rect{0, 7, 20, 12}), 0);

    // Drawn partly off the top-left corner, only the visible part lands.
    TestCanvas cut(6, 6);
    cut->DrawBitmapFile(path.c_str(), -3, -1, 8, 4);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) ASSERT_TRUE(PixelIs(*cut, x, y, expected(x + 3, y + 1))) << x << "," << y;
    }
    EXPECT_EQ(CountNonBlack(*cut, Rect{0, 3, 6, 6}) + CountNonBlack(*cut, Rect{5, 0, 6, 3}), 0);

    // Areas at the ends of the coordinate range draw nothing and stay in bounds.
    cut->FillBox(Rect{0, 0, 6, 6}, Black);
    cut->DrawBitmapFile(path.c_str(), INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    cut->DrawBitmapFile(path.c_str(), INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    cut->DrawBitmapFile(path.c_str(), 0, 0, INT_MIN, INT_MIN);
    EXPECT_EQ(CountNonBlack(*cut, Rect{0, 0, 6, 6}), 0);
    std::filesystem::remove(path);
}
