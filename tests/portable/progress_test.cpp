// The two progress indicators: the box's geometry and cell order, its incremental filling and
// its refill when the fraction falls, the bar's truncated percentage, and what both do with
// fractions outside 0..1.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "common/test_canvas.h"
#include "screen/progress.h"

namespace {

// A 389 x 32 box (what the layout makes for a 16-pixel line), on a canvas with room on every
// side so that a cell drawn outside the panel would be seen.
constexpr Rect kBoxRect{12, 172, 401, 204};
constexpr std::int32_t kCanvasW = 430;
constexpr std::int32_t kCanvasH = 230;

struct BoxFixture {
    BoxFixture() : canvas(kCanvasW, kCanvasH), box(*canvas, kBoxRect) {}

    // Colour at panel coordinates.
    bool At(std::int32_t x, std::int32_t y, const RgbColor& color) {
        return PixelIs(*canvas, kBoxRect.left + x, kBoxRect.top + y, color);
    }
    void ExpectCellAt(std::int32_t x, std::int32_t y) {
        EXPECT_TRUE(At(x, y, MidRed)) << "(" << x << ", " << y << ")";
        EXPECT_TRUE(At(x + 1, y, DarkRed)) << "(" << x + 1 << ", " << y << ")";
        EXPECT_TRUE(At(x, y + 1, BrightRed)) << "(" << x << ", " << y + 1 << ")";
    }
    Rect Whole() const { return Rect{0, 0, kCanvasW, kCanvasH}; }

    TestCanvas canvas;
    ProgressBox box;
};

std::int32_t TargetFor(const ProgressBox& box, float fraction) {
    return static_cast<std::int32_t>(static_cast<double>(box.cellCount) * static_cast<double>(fraction));
}

}  // namespace

TEST(ProgressBoxGeometry, LayoutBoxHasTheExpectedCells) {
    BoxFixture f;
    EXPECT_EQ(f.box.bottomY, 31);
    EXPECT_EQ(f.box.rightX, 379);
    EXPECT_EQ(f.box.boxDepth, 10);
    EXPECT_EQ(f.box.boxHeight, 21);
    EXPECT_EQ(f.box.boxWidth, 369);
    EXPECT_EQ(f.box.sliceCells, 210);
    EXPECT_EQ(f.box.cellCount, 77490);
    EXPECT_EQ(f.box.cellsDrawn, 0);
    EXPECT_EQ(f.box.shownFraction, 0.0f);
}

TEST(ProgressBoxGeometry, EmptyBoxHasNineGreyEdgesAndAnOpenFrontCorner) {
    BoxFixture f;
    // One point inside each drawn edge.
    EXPECT_TRUE(f.At(100, 31, Grey));  // front bottom
    EXPECT_TRUE(f.At(200, 21, Grey));  // back bottom
    EXPECT_TRUE(f.At(379, 0, Grey));   // back top, its last pixel included
    EXPECT_TRUE(f.At(0, 20, Grey));    // front left
    EXPECT_TRUE(f.At(10, 10, Grey));   // back left
    EXPECT_TRUE(f.At(379, 10, Grey));  // back right
    EXPECT_TRUE(f.At(5, 26, Grey));    // depth, bottom left
    EXPECT_TRUE(f.At(5, 5, Grey));     // depth, top left
    EXPECT_TRUE(f.At(374, 26, Grey));  // depth, bottom right
    // The front face's top and right edges and the top-right depth edge are not drawn.
    EXPECT_TRUE(f.At(200, 10, Black));
    EXPECT_TRUE(f.At(369, 20, Black));
    EXPECT_TRUE(f.At(374, 5, Black));
    // Nothing outside the panel.
    EXPECT_EQ(CountNonBlack(*f.canvas, Rect{0, 0, kCanvasW, kBoxRect.top}), 0);
    EXPECT_EQ(CountNonBlack(*f.canvas, Rect{kBoxRect.left + 380, 0, kCanvasW, kCanvasH}), 0);
}

TEST(ProgressBoxGeometry, CellsFillSlicesFromTheBackForwardAndColumnsUpward) {
    BoxFixture f;
    struct Case {
        std::int32_t k;
        std::int32_t x;
        std::int32_t y;
    };
    const Case cases[] = {
        {0, 10, 21},    // floor, left, back
        {1, 10, 20},    // one up
        {21, 9, 22},    // first cell one step forward
        {210, 11, 21},  // first cell of the second slice
        {77489, 369, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.k);
        f.box.DrawEmpty();
        f.box.PlotCell(c.k);
        f.ExpectCellAt(c.x, c.y);
    }
    f.box.DrawEmpty();
    f.box.PlotCellAt(20, 368, 9);  // the last cell by its coordinates
    f.ExpectCellAt(369, 10);
}

TEST(ProgressBoxUpdate, SameFractionOrTooSmallAStepPlotsNothing) {
    BoxFixture f;
    f.box.Update(0.5f);
    const std::int32_t half = TargetFor(f.box, 0.5f);
    EXPECT_EQ(f.box.cellsDrawn, half);

    // Paint the box over: anything the next updates plot shows up against it.
    const Rect panel{kBoxRect.left, kBoxRect.top, kBoxRect.right, kBoxRect.bottom};
    const std::int64_t area = static_cast<std::int64_t>(389) * 32;
    f.canvas->FillBox(panel, Green);
    f.box.Update(0.5f);
    EXPECT_EQ(CountColor(*f.canvas, panel, Green), area);
    EXPECT_EQ(f.box.cellsDrawn, half);

    const float tiny = std::nextafter(0.5f, 1.0f);  // still short of the next whole cell
    ASSERT_EQ(TargetFor(f.box, tiny), half);
    f.box.Update(tiny);
    EXPECT_EQ(CountColor(*f.canvas, panel, Green), area);
    EXPECT_EQ(f.box.shownFraction, tiny);
    EXPECT_EQ(f.box.cellsDrawn, half);
}

TEST(ProgressBoxUpdate, GrowingFractionPlotsOnlyTheNewCells) {
    BoxFixture f;
    f.box.Update(0.5f);
    const Rect panel{kBoxRect.left, kBoxRect.top, kBoxRect.right, kBoxRect.bottom};
    f.canvas->FillBox(panel, Green);
    f.box.Update(0.51f);
    const std::int32_t added = TargetFor(f.box, 0.51f) - TargetFor(f.box, 0.5f);
    const std::int64_t changed = static_cast<std::int64_t>(389) * 32 - CountColor(*f.canvas, panel, Green);
    EXPECT_GT(changed, 0);
    EXPECT_LE(changed, 3 * static_cast<std::int64_t>(added));
    EXPECT_EQ(f.box.cellsDrawn, TargetFor(f.box, 0.51f));
}

TEST(ProgressBoxUpdate, FallingFractionEmptiesAndRefills) {
    BoxFixture f;
    f.box.Update(0.5f);
    // Cell (a 10, b 150, c 5) lies beyond a quarter of the cells, (a 10, b 50, c 5) within it.
    const std::int32_t late = 150 * 210 + 5 * 21 + 10;
    ASSERT_LT(late, TargetFor(f.box, 0.5f));
    ASSERT_GE(late, TargetFor(f.box, 0.25f));
    EXPECT_FALSE(f.At(155, 16, Black));

    f.box.Update(0.25f);
    EXPECT_EQ(f.box.cellsDrawn, TargetFor(f.box, 0.25f));
    EXPECT_EQ(f.box.shownFraction, 0.25f);
    EXPECT_TRUE(f.At(155, 16, Black));
    EXPECT_FALSE(f.At(55, 16, Black));

    // The result is the same picture as a fresh box filled straight to a quarter.
    BoxFixture fresh;
    fresh.box.Update(0.25f);
    EXPECT_TRUE(SamePixels(*f.canvas, *fresh.canvas, f.Whole()));
}

TEST(ProgressBoxUpdate, FullFractionCoversEveryCellAndStaysInsideThePanel) {
    BoxFixture f;
    f.box.Update(0.3f);
    f.box.Update(1.0f);
    EXPECT_EQ(f.box.cellsDrawn, f.box.cellCount);
    f.ExpectCellAt(369, 10);  // the last cell, drawn last
    // The back face ends at x 379: no cell lies to its right.
    EXPECT_EQ(CountNonBlack(*f.canvas, Rect{kBoxRect.left + 380, 0, kCanvasW, kCanvasH}), 0);
    EXPECT_EQ(CountNonBlack(*f.canvas, Rect{0, 0, kCanvasW, kBoxRect.top}), 0);
}

TEST(ProgressBoxUpdate, OutOfRangeFractionsAreHeldToZeroAndOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    BoxFixture full;
    full.box.Update(1.0f);
    for (float high : {2.0f, inf, std::numeric_limits<float>::max()}) {
        SCOPED_TRACE(high);
        BoxFixture f;
        f.box.Update(high);
        EXPECT_EQ(f.box.cellsDrawn, f.box.cellCount);
        EXPECT_EQ(f.box.shownFraction, 1.0f);
        EXPECT_TRUE(SamePixels(*f.canvas, *full.canvas, f.Whole()));
    }

    BoxFixture empty;
    for (float low : {nan, -1.0f, -inf, -0.0f}) {
        SCOPED_TRACE(low);
        BoxFixture f;
        f.box.Update(0.5f);
        f.box.Update(low);  // below what is shown: the box is emptied
        EXPECT_EQ(f.box.cellsDrawn, 0);
        EXPECT_EQ(f.box.shownFraction, 0.0f);
        EXPECT_TRUE(SamePixels(*f.canvas, *empty.canvas, f.Whole()));
    }

    // Above 1 after 1: nothing falls and nothing more is plotted.
    BoxFixture f;
    f.box.Update(1.0f);
    f.box.Update(3.0f);
    EXPECT_EQ(f.box.cellsDrawn, f.box.cellCount);
    EXPECT_TRUE(SamePixels(*f.canvas, *full.canvas, f.Whole()));
}

TEST(ProgressBoxUpdate, PanelTooSmallForACellNeverPlots) {
    for (const Rect& rect :
         {Rect{10, 10, 12, 11}, Rect{10, 10, 10, 10}, Rect{10, 10, 5, 5}, Rect{10, 10, 30, 13}, Rect{10, 10, 20, 14}}) {
        TestCanvas canvas(60, 60);
        ProgressBox box(*canvas, rect);
        // DrawEmpty's edges may land anywhere near so small a panel; only cells must not.
        TestCanvas drawnEmpty(60, 60);
        ProgressBox reference(*drawnEmpty, rect);
        box.Update(1.0f);
        box.PlotCell(5);
        EXPECT_TRUE(SamePixels(*canvas, *drawnEmpty, Rect{0, 0, 60, 60}))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    }
}

namespace {

// The layout's bar: 139 x 14 at (262, 74), on a canvas with room to its right.
constexpr Rect kBarRect{262, 74, 401, 88};

struct BarFixture {
    BarFixture() : font(GdiObject::MakeArialFont(14, false)), canvas(MakeCanvas(*font)), bar(**canvas, kBarRect) {}

    static std::unique_ptr<TestCanvas> MakeCanvas(const GdiObject& font) {
        auto canvas = std::make_unique<TestCanvas>(430, 100);
        (**canvas).UseFont(font);
        (**canvas).SetForeground(White);
        return canvas;
    }
    // What the bar must look like: the text at the panel's corner and the bar after it.
    std::unique_ptr<TestCanvas> Reference(const char* text, std::int32_t barRight) const {
        auto reference = MakeCanvas(*font);
        Panel panel(**reference, kBarRect, Black);
        panel.PutText(0, 0, text);
        panel.FillBox(Rect{30, 4, barRight, 10}, White);
        return reference;
    }
    Canvas& Surface() { return **canvas; }
    Rect Whole() const { return Rect{0, 0, 430, 100}; }

    std::unique_ptr<GdiObject> font;
    std::unique_ptr<TestCanvas> canvas;
    ProgressBar bar;
};

}  // namespace

TEST(ProgressBarShow, PercentageIsTruncatedFromTheSinglePrecisionFraction) {
    BarFixture f;
    // The texts must differ on this canvas, or the comparison below would prove nothing.
    ASSERT_FALSE(SamePixels(**f.Reference("28%", 30), **f.Reference("29%", 30), f.Whole()));

    f.bar.Show(0.29f);
    const std::int32_t barRight = 30 + static_cast<std::int32_t>(109.0 * static_cast<double>(0.29f));
    EXPECT_TRUE(SamePixels(f.Surface(), **f.Reference("28%", barRight), f.Whole()));
    EXPECT_TRUE(PixelIs(f.Surface(), kBarRect.left + barRight - 1, kBarRect.top + 4, White));
    EXPECT_TRUE(PixelIs(f.Surface(), kBarRect.left + barRight, kBarRect.top + 4, Black));

    f.bar.Show(0.5f);
    EXPECT_TRUE(SamePixels(f.Surface(), **f.Reference("50%", 30 + 54), f.Whole()));
}

TEST(ProgressBarShow, ZeroHasNoBarAndOneReachesTheRightEdge) {
    BarFixture f;
    f.bar.Show(0.0f);
    EXPECT_TRUE(SamePixels(f.Surface(), **f.Reference("0%", 30), f.Whole()));
    EXPECT_EQ(CountColor(f.Surface(), Rect{kBarRect.left + 30, kBarRect.top, 430, kBarRect.bottom}, White), 0);

    f.bar.Show(1.0f);
    EXPECT_TRUE(SamePixels(f.Surface(), **f.Reference("100%", 139), f.Whole()));
    // Six rows from x 30 to the panel's last column, nothing past it.
    EXPECT_EQ(CountColor(f.Surface(), Rect{kBarRect.left + 30, kBarRect.top + 4, kBarRect.right, kBarRect.top + 10},
                         White),
              109 * 6);
    EXPECT_EQ(CountNonBlack(f.Surface(), Rect{kBarRect.right, 0, 430, 100}), 0);
}

TEST(ProgressBarShow, OutOfRangeFractionsAreHeldToZeroAndOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    BarFixture zero;
    zero.bar.Show(0.0f);
    BarFixture one;
    one.bar.Show(1.0f);
    for (float low : {nan, -1.0f, -inf, -0.001f}) {
        SCOPED_TRACE(low);
        BarFixture f;
        f.bar.Show(0.7f);
        f.bar.Show(low);
        EXPECT_TRUE(SamePixels(f.Surface(), zero.Surface(), f.Whole()));
    }
    for (float high : {2.0f, inf, 1.0e30f}) {
        SCOPED_TRACE(high);
        BarFixture f;
        f.bar.Show(high);
        EXPECT_TRUE(SamePixels(f.Surface(), one.Surface(), f.Whole()));
    }
}
