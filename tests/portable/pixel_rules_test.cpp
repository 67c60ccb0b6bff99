// The drawing layer's pixel rules, checked pixel by pixel. These run on the raster backend
// natively and on GDI under Wine, so both backends are held to the same rules.
#include <gtest/gtest.h>

#include <climits>

#include "common/test_canvas.h"

TEST(CanvasFill, CoversLeftTopButNotRightColumnOrBottomRow) {
    TestCanvas canvas(20, 20);
    canvas->FillBox(Rect{2, 3, 6, 8}, FrameViolet);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 20, 20}, FrameViolet), 4 * 5);
    EXPECT_TRUE(PixelIs(*canvas, 2, 3, FrameViolet));
    EXPECT_TRUE(PixelIs(*canvas, 5, 7, FrameViolet));
    EXPECT_TRUE(PixelIs(*canvas, 6, 7, Black));
    EXPECT_TRUE(PixelIs(*canvas, 5, 8, Black));
}

TEST(CanvasFill, EmptyAndInvertedRectanglesFillNothing) {
    TestCanvas canvas(20, 20);
    canvas->FillBox(Rect{5, 5, 5, 10}, Green);
    canvas->FillBox(Rect{5, 5, 10, 5}, Green);
    canvas->FillBox(Rect{10, 5, 5, 10}, Green);
    canvas->FillBox(Rect{5, 10, 10, 5}, Green);
    EXPECT_EQ(CountNonBlack(*canvas, Rect{0, 0, 20, 20}), 0);
}

TEST(CanvasLine, WhitePenByNameOrForTheWhiteConstantItself) {
    TestCanvas canvas(20, 20);
    const RgbColor whiteCopy = White;
    canvas->DrawLine(0, 1, 10, 1, White);
    canvas->DrawLine(0, 3, 10, 3, whiteCopy);
    canvas->DrawLine(0, 5, 10, 5, Red);
    canvas->DrawLine(0, 7, 10, 7, Pen::White);
    canvas->DrawLine(0, 9, 10, 9, Pen::Grey);
    // Rows 1, 3, 5, 7 and 9, in the order drawn.
    const RgbColor* const expected[] = {&White, &Grey, &Grey, &White, &Grey};
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(PixelIs(*canvas, 4, 1 + 2 * k, *expected[k])) << "row " << 1 + 2 * k;
}

TEST(CanvasLine, EndPointIsNotDrawnInAnyDirection) {
    TestCanvas canvas(30, 30);
    canvas->DrawLine(2, 2, 12, 2, Grey);    // right
    canvas->DrawLine(12, 6, 2, 6, Grey);    // left
    canvas->DrawLine(20, 2, 20, 12, Grey);  // down
    canvas->DrawLine(24, 12, 24, 2, Grey);  // up
    canvas->DrawLine(2, 14, 12, 24, Grey);  // diagonal
    EXPECT_EQ(CountColor(*canvas, Rect{0, 2, 16, 3}, Grey), 10);
    EXPECT_TRUE(PixelIs(*canvas, 2, 2, Grey));
    EXPECT_FALSE(PixelIs(*canvas, 12, 2, Grey));
    EXPECT_TRUE(PixelIs(*canvas, 12, 6, Grey));
    EXPECT_FALSE(PixelIs(*canvas, 2, 6, Grey));
    EXPECT_TRUE(PixelIs(*canvas, 20, 2, Grey));
    EXPECT_FALSE(PixelIs(*canvas, 20, 12, Grey));
    EXPECT_TRUE(PixelIs(*canvas, 24, 12, Grey));
    EXPECT_FALSE(PixelIs(*canvas, 24, 2, Grey));
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(PixelIs(*canvas, 2 + i, 14 + i, Grey)) << i;
    EXPECT_FALSE(PixelIs(*canvas, 12, 24, Grey));
    // A line to its own start draws nothing.
    TestCanvas dot(5, 5);
    dot->DrawLine(2, 2, 2, 2, White);
    EXPECT_EQ(CountNonBlack(*dot, Rect{0, 0, 5, 5}), 0);
}

TEST(CanvasLine, SlopedLineHasOnePixelPerMajorStep) {
    TestCanvas canvas(80, 120);
    canvas->DrawLine(5, 110, 65, 9, Grey);  // steep: 101 rows, 60 columns
    for (int y = 10; y <= 110; ++y) {
        EXPECT_EQ(CountColor(*canvas, Rect{0, y, 80, y + 1}, Grey), 1) << "row " << y;
    }
    EXPECT_TRUE(PixelIs(*canvas, 5, 110, Grey));
    EXPECT_EQ(CountColor(*canvas, Rect{0, 9, 80, 10}, Grey), 0);
}

TEST(CanvasCircle, DiscFillsTheBoxWithoutItsRightColumnAndBottomRow) {
    TestCanvas canvas(30, 30);
    canvas->FillCircle(10, 12, 4, FrameViolet);
    // The box is x 6..13, y 8..15: the middle rows reach both sides, nothing outside.
    EXPECT_TRUE(PixelIs(*canvas, 6, 12, FrameViolet));
    EXPECT_TRUE(PixelIs(*canvas, 13, 12, FrameViolet));
    EXPECT_TRUE(PixelIs(*canvas, 10, 8, FrameViolet));
    EXPECT_TRUE(PixelIs(*canvas, 10, 15, FrameViolet));
    EXPECT_TRUE(PixelIs(*canvas, 10, 12, FrameViolet));
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 30, 30}, FrameViolet), CountColor(*canvas, Rect{6, 8, 14, 16}, FrameViolet));
    // Corners of the box are outside the disc.
    EXPECT_FALSE(PixelIs(*canvas, 6, 8, FrameViolet));
    EXPECT_FALSE(PixelIs(*canvas, 13, 15, FrameViolet));
    // Round: between the inscribed square and the box.
    const auto area = CountColor(*canvas, Rect{6, 8, 14, 16}, FrameViolet);
    EXPECT_GT(area, 36);
    EXPECT_LT(area, 64);
}

TEST(CanvasPixels, PlotAndColumnSetExactlyTheirPixels) {
    TestCanvas canvas(10, 10);
    canvas->PlotPixel(3, 4, Yellow);
    canvas->PlotColumn(7, 2, 6, DimRed);
    canvas->PlotColumn(8, 6, 2, DimRed);  // empty run
    EXPECT_TRUE(PixelIs(*canvas, 3, 4, Yellow));
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 10, 10}, Yellow), 1);
    EXPECT_EQ(CountColor(*canvas, Rect{7, 2, 8, 6}, DimRed), 4);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 10, 10}, DimRed), 4);
}

TEST(CanvasClipping, FarAwayShapesLeaveTheCanvasAloneAndCoveringFillsFillIt) {
    TestCanvas canvas(16, 16);
    canvas->FillBox(Rect{INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN + 5}, Red);
    canvas->FillBox(Rect{INT_MAX - 5, 0, INT_MAX, 10}, Red);
    canvas->FillCircle(1000000, 1000000, 16, Red);
    canvas->FillCircle(-1000000, 5, 1000, Red);
    canvas->PlotPixel(-1, 0, Red);
    canvas->PlotPixel(16, 0, Red);
    canvas->PlotPixel(0, 16, Red);
    canvas->PlotPixel(INT_MIN, INT_MAX, Red);
    canvas->PlotColumn(INT_MAX, 0, 16, Red);
    canvas->PlotColumn(-1, 0, 16, Red);
    EXPECT_EQ(CountNonBlack(*canvas, Rect{0, 0, 16, 16}), 0);

    canvas->PlotColumn(3, -100000, 100000, Red);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 16, 16}, Red), 16);
    canvas->FillBox(Rect{-100000, -100000, 100000, 100000}, Green);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 16, 16}, Green), 16 * 16);
}
