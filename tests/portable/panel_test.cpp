// Panels draw relative to their origin; text panels place lines, headings and pairs by fixed
// rules, and level meters light segments by the single-precision twelfth.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "common/test_canvas.h"
#include "screen/panel.h"

namespace {

struct TextFixture {
    TextFixture() : canvas(450, 240), font(GdiObject::MakeArialFont(14, false)) {
        canvas->UseFont(*font);
        canvas->SetForeground(White);
        gLineHeight = canvas->MeasureText("jX").height;
    }
    // The same text drawn straight onto a fresh canvas: what the panel must have produced.
    std::unique_ptr<TestCanvas> Reference(std::int32_t x, std::int32_t y, const char* text) {
        auto reference = std::make_unique<TestCanvas>(450, 240);
        (*reference)->UseFont(*font);
        (*reference)->SetForeground(White);
        (*reference)->SetBackground(Black);
        (*reference)->PutText(x, y, text);
        return reference;
    }
    TestCanvas canvas;
    std::unique_ptr<GdiObject> font;
};

}  // namespace

TEST(PanelGeometry, OperationsAreRelativeToTheOriginAndNotClipped) {
    TestCanvas canvas(100, 100);
    Panel panel(*canvas, Rect{20, 30, 60, 50}, Black);
    EXPECT_EQ(panel.width, 40);
    EXPECT_EQ(panel.height, 20);
    panel.PlotPixel(0, 0, Red);
    panel.PlotPixel(-5, 30, Red);  // outside the panel: drawn all the same
    panel.FillBox(Rect{1, 1, 3, 3}, Green);
    panel.DrawLine(0, 5, 4, 5, Grey);
    EXPECT_TRUE(PixelIs(*canvas, 20, 30, Red));
    EXPECT_TRUE(PixelIs(*canvas, 15, 60, Red));
    EXPECT_EQ(CountColor(*canvas, Rect{21, 31, 23, 33}, Green), 4);
    EXPECT_EQ(CountColor(*canvas, Rect{20, 35, 24, 36}, Grey), 4);
    panel.Fill(Yellow);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 100, 100}, Yellow), 40 * 20);
}

TEST(TextPanelGeometry, ConstructionClearsTheInsideAndKeepsASixPixelRim) {
    TextFixture f;
    f.canvas->FillBox(Rect{0, 0, 450, 240}, FrameViolet);
    TextPanel panel(*f.canvas, Rect{10, 10, 110, 60});
    EXPECT_EQ(CountColor(*f.canvas, Rect{16, 16, 104, 54}, Black), 88 * 38);
    EXPECT_TRUE(PixelIs(*f.canvas, 15, 30, FrameViolet));
    EXPECT_TRUE(PixelIs(*f.canvas, 104, 30, FrameViolet));
    EXPECT_TRUE(PixelIs(*f.canvas, 50, 15, FrameViolet));
    EXPECT_TRUE(PixelIs(*f.canvas, 50, 54, FrameViolet));
}

TEST(TextPanelGeometry, LineBandsFollowTheMeasuredLineHeight) {
    TextFixture f;
    ASSERT_EQ(gLineHeight, 14);
    TextPanel panel(*f.canvas, Rect{0, 52, 413, 220});
    const Rect line3 = panel.LineRect(3);
    EXPECT_EQ(line3.left, 12);
    EXPECT_EQ(line3.top, 52 + 8 + 3 * 14);
    EXPECT_EQ(line3.right, 401);
    EXPECT_EQ(line3.bottom, 52 + 8 + 4 * 14);

    f.canvas->FillBox(Rect{0, 52, 413, 220}, Grey);
    panel.ClearLine(3);
    EXPECT_EQ(CountColor(*f.canvas, line3, Black), (401 - 12) * 14);
    EXPECT_TRUE(PixelIs(*f.canvas, 11, line3.top, Grey));
    EXPECT_TRUE(PixelIs(*f.canvas, 401, line3.top, Grey));
    EXPECT_TRUE(PixelIs(*f.canvas, 100, line3.top - 1, Grey));
    EXPECT_TRUE(PixelIs(*f.canvas, 100, line3.bottom, Grey));
}

TEST(TextPanelText, SetLineDrawsAtTheLineStartAndOverflowSurvivesAClear) {
    TextFixture f;
    TextPanel panel(*f.canvas, Rect{10, 20, 110, 120});
    const char* longText = "A line far too long for a hundred-pixel panel";
    panel.SetLine(2, longText);
    auto reference = f.Reference(10 + 12, 20 + 8 + 2 * 14, longText);
    EXPECT_TRUE(SamePixels(*f.canvas, **reference, Rect{0, 0, 450, 240}));
    EXPECT_GT(CountNonBlack(*f.canvas, Rect{98, 20 + 36, 300, 20 + 50}), 0);  // ran past the band

    panel.ClearLine(2);
    EXPECT_EQ(CountNonBlack(*f.canvas, Rect{22, 56, 98, 70}), 0);
    EXPECT_GT(CountNonBlack(*f.canvas, Rect{98, 56, 300, 70}), 0);  // the overflow stays
}

TEST(TextPanelText, HeadingEndsTwelvePixelsRightOfTheMiddleEvenWhenItStartsOutside) {
    TextFixture f;
    TextPanel panel(*f.canvas, Rect{100, 0, 213, 100});  // width 113: middle 56
    const std::int32_t w = f.canvas->MeasureText("Data Analysis").width;
    panel.SetHeading(0, "Data Analysis");
    auto reference = f.Reference(100 + 113 / 2 - w + 12, 8, "Data Analysis");
    EXPECT_TRUE(SamePixels(*f.canvas, **reference, Rect{0, 0, 450, 240}));
    EXPECT_LT(113 / 2 - w + 12, 0);  // the heading is wider than the half panel
}

TEST(TextPanelText, LinePairPutsTheRightTextSixtyEightPixelsBeforeTheEdge) {
    TextFixture f;
    TextPanel panel(*f.canvas, Rect{0, 0, 280, 100});
    const std::int32_t w = f.canvas->MeasureText("CPU time").width;
    panel.SetLinePair(1, "Overall", "CPU time");
    auto reference = f.Reference(12, 8 + 14, "Overall");
    (*reference)->PutText(280 - w - 68, 8 + 14, "CPU time");
    EXPECT_TRUE(SamePixels(*f.canvas, **reference, Rect{0, 0, 450, 240}));
}

namespace {

std::string LitPattern(const Canvas& canvas, const LevelMeter& meter) {
    static const RgbColor* const kLit[3] = {&Green, &Yellow, &Red};
    static const RgbColor* const kUnlit[3] = {&DimGreen, &DimYellow, &DimRed};
    std::string pattern;
    for (int i = 0; i < 12; ++i) {
        const std::int32_t x = meter.left + 10 + 8 * i + 2;
        const std::int32_t y = meter.top + meter.height / 2;
        if (PixelIs(canvas, x, y, *kLit[i / 4])) {
            pattern += '#';
        } else if (PixelIs(canvas, x, y, *kUnlit[i / 4])) {
            pattern += '.';
        } else {
            pattern += '?';
        }
    }
    return pattern;
}

}  // namespace

TEST(LevelMeterLighting, LevelsLightSegmentsByTwelfths) {
    TestCanvas canvas(200, 40);
    LevelMeter meter(*canvas, Rect{20, 10, 140, 24});
    meter.ShowLevel(0.0f);
    EXPECT_EQ(LitPattern(*canvas, meter), "#...........");
    meter.ShowLevel(-0.01f);
    EXPECT_EQ(LitPattern(*canvas, meter), "............");
    meter.ShowLevel(0.5f);  // 6 x 0.083333336 is just above 0.5
    EXPECT_EQ(LitPattern(*canvas, meter), "######......");
    meter.ShowLevel(1.0f);
    EXPECT_EQ(LitPattern(*canvas, meter), "############");
    meter.ShowLevel(7.0f);
    EXPECT_EQ(LitPattern(*canvas, meter), "############");
    meter.ShowLevel(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(LitPattern(*canvas, meter), "............");
}

TEST(LevelMeterLighting, SegmentsSitOnTheVerticalMiddleAndLeaveTheGapsAlone) {
    TestCanvas canvas(200, 40);
    canvas->FillBox(Rect{0, 0, 200, 40}, Grey);
    LevelMeter meter(*canvas, Rect{20, 10, 140, 24});  // height 14: segments y 12..21 of the canvas
    meter.ShowLevel(1.0f);
    EXPECT_EQ(CountColor(*canvas, Rect{30, 12, 35, 22}, Green), 50);
    EXPECT_TRUE(PixelIs(*canvas, 30, 11, Grey));
    EXPECT_TRUE(PixelIs(*canvas, 30, 22, Grey));
    EXPECT_TRUE(PixelIs(*canvas, 35, 15, Grey));  // gap between segments 0 and 1
    EXPECT_TRUE(PixelIs(*canvas, 20 + 10 + 8 * 11 + 4, 15, Red));
    EXPECT_TRUE(PixelIs(*canvas, 20 + 103, 15, Grey));
}

TEST(LevelMeterLighting, PeakIsHeldLitUntilTheNextMark) {
    TestCanvas canvas(200, 40);
    LevelMeter meter(*canvas, Rect{20, 10, 140, 24});
    meter.MarkPeak(0.7f);  // 8.4 -> segment 8
    EXPECT_EQ(meter.peakSegment, 8);
    EXPECT_EQ(LitPattern(*canvas, meter), "#########...");
    meter.ShowLevel(0.1f);
    EXPECT_EQ(LitPattern(*canvas, meter), "##......#...");
    meter.MarkPeak(1.0f);
    EXPECT_EQ(meter.peakSegment, 11);
    meter.MarkPeak(250.0f);
    EXPECT_EQ(meter.peakSegment, 11);
    meter.MarkPeak(-0.05f);  // truncation towards zero holds segment 0
    EXPECT_EQ(meter.peakSegment, 0);
    EXPECT_EQ(LitPattern(*canvas, meter), "#...........");
    meter.MarkPeak(-0.5f);
    EXPECT_EQ(meter.peakSegment, -6);
    EXPECT_EQ(LitPattern(*canvas, meter), "............");
    meter.MarkPeak(-std::numeric_limits<float>::infinity());
    EXPECT_LT(meter.peakSegment, 0);
    meter.MarkPeak(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(meter.peakSegment, -1);
}
