// Text on the raster backend: the face it finds, GDI's cell metrics, and opaque drawing
// that changes exactly the text's cell.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/test_canvas.h"
#include "graphics/raster_font.h"

// fontconfig loses a few hundred bytes while parsing its configuration in FcInit (a bare
// FcInit() program shows the same); the leak checker of sanitizer builds is told so here,
// once for the whole test program.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

struct FontCanvas {
    FontCanvas(std::int32_t width, std::int32_t height, std::int32_t cellHeight = 14, bool bold = false)
        : canvas(width, height), font(GdiObject::MakeArialFont(cellHeight, bold)) {
        canvas->FillBox(Rect{0, 0, width, height}, DimRed);
        canvas->UseFont(*font);
        canvas->SetForeground(Yellow);
        canvas->SetBackground(Green);
    }
    TestCanvas canvas;
    std::unique_ptr<GdiObject> font;
};

std::int32_t Width(std::int32_t cellHeight, bool bold, const char* text) {
    return RasterFont::Get(cellHeight, bold)->TextWidth(text);
}

}  // namespace

TEST(RasterFont, FindsARealRegularAndBoldFace) {
    const auto regular = RasterFont::Get(14, false);
    const auto bold = RasterFont::Get(14, true);
    EXPECT_NE(regular->facePath, "");
    EXPECT_NE(bold->facePath, "");
    EXPECT_NE(regular->facePath, bold->facePath);
    EXPECT_EQ(FindArialFaceFile(false), regular->facePath);
    // The same height and weight share one font object.
    EXPECT_EQ(RasterFont::Get(14, false).get(), regular.get());
}

TEST(RasterFont, CellHeightIsTheRequestedHeight) {
    FontCanvas normal(10, 10);
    EXPECT_EQ(normal.canvas->MeasureText("jX").height, 14);
    FontCanvas banner(10, 10, 24, true);
    EXPECT_EQ(banner.canvas->MeasureText("Message").height, 24);
    for (const auto& font : {RasterFont::Get(14, false), RasterFont::Get(24, true)}) {
        EXPECT_EQ(font->ascent + font->descent, font->cellHeight);
        EXPECT_GT(font->ascent, 2 * font->descent);  // Arial's ascent is about 4/5 of the cell
        EXPECT_GT(font->descent, 0);
    }
}

TEST(RasterFont, WidthsAreSumsOfWholePixelAdvancesWithoutKerning) {
    for (const bool bold : {false, true}) {
        EXPECT_EQ(Width(14, bold, "ab"), Width(14, bold, "a") + Width(14, bold, "b"));
        EXPECT_EQ(Width(14, bold, "AV"), Width(14, bold, "A") + Width(14, bold, "V"));
        EXPECT_EQ(Width(14, bold, "To."), Width(14, bold, "T") + Width(14, bold, "o") + Width(14, bold, "."));
    }
    EXPECT_GT(Width(14, true, "Data Analysis"), Width(14, false, "Data Analysis"));
    EXPECT_GT(Width(24, true, "Data Analysis"), Width(14, true, "Data Analysis"));
    EXPECT_GT(Width(14, false, " "), 0);
}

TEST(RasterFont, EmptyAndNullTextsHaveNoWidthButTheCellHeight) {
    FontCanvas f(10, 10, 24, true);
    EXPECT_EQ(f.canvas->MeasureText("").width, 0);
    EXPECT_EQ(f.canvas->MeasureText(nullptr).width, 0);
    EXPECT_EQ(f.canvas->MeasureText(nullptr).height, 24);
    // A canvas that never selected a font measures in the 14-pixel default.
    TestCanvas bare(10, 10);
    EXPECT_EQ(bare->MeasureText("jX").height, 14);
    EXPECT_EQ(bare->MeasureText("jX").width, Width(14, false, "jX"));
}

TEST(RasterFont, AnsiBytesAreWindows1252) {
    EXPECT_EQ(AnsiToUnicode('A'), U'A');
    EXPECT_EQ(AnsiToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(AnsiToUnicode(0x92), U'\u2019');
    EXPECT_EQ(AnsiToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(AnsiToUnicode(0x81), U'\u0081');  // undefined in the code page
    EXPECT_EQ(AnsiToUnicode(0xE9), U'\u00E9');
    // The euro sign is drawn from the face's own glyph, not its missing-glyph box.
    const auto font = RasterFont::Get(14, false);
    EXPECT_GT(font->GlyphFor(0x80).rows, 0);
    EXPECT_NE(font->GlyphFor(0x80).ink, font->GlyphFor(0x81).ink);
}

TEST(RasterText, PaintsExactlyTheCellInTextAndBackgroundColours) {
    // Accented capitals reach above the scaled Windows ascent at this size: they too stay
    // inside the cell, so a line never leaves marks in the band above it.
    for (const char* text : {"jX Data Analysis", "\xC9\xC5\xD1 jg|"}) {
        FontCanvas f(120, 40);
        const TextSize size = f.canvas->MeasureText(text);
        f.canvas->PutText(7, 9, text);
        const Rect cell{7, 9, 7 + size.width, 9 + size.height};
        const std::int64_t ink = CountColor(*f.canvas, cell, Yellow);
        EXPECT_GT(ink, 0);
        EXPECT_EQ(ink + CountColor(*f.canvas, cell, Green), std::int64_t{size.width} * size.height)
            << Picture(*f.canvas, cell, Yellow);
        EXPECT_EQ(CountColor(*f.canvas, Rect{0, 0, 120, 40}, DimRed), 120 * 40 - std::int64_t{size.width} * size.height)
            << text;
    }
}

TEST(RasterText, GlyphsSitOnTheBaselineAndDescendersStayInTheCell) {
    FontCanvas f(40, 30);
    const auto font = RasterFont::Get(14, false);
    f.canvas->PutText(3, 5, "X");
    const std::int32_t baseline = 5 + font->ascent;
    EXPECT_GT(CountColor(*f.canvas, Rect{0, baseline - 1, 40, baseline}, Yellow), 0);
    EXPECT_EQ(CountColor(*f.canvas, Rect{0, baseline, 40, 30}, Yellow), 0);
    f.canvas->PutText(3, 5, "j");
    EXPECT_GT(CountColor(*f.canvas, Rect{0, baseline, 40, 5 + 14}, Yellow), 0);
}

TEST(RasterText, DefaultColoursAreBlackOnWhite) {
    TestCanvas canvas(60, 20);
    canvas->PutText(0, 0, "Xy");
    const TextSize size = canvas->MeasureText("Xy");
    const Rect cell{0, 0, size.width, size.height};
    EXPECT_GT(CountColor(*canvas, cell, White), 0);
    EXPECT_EQ(CountColor(*canvas, cell, White) + CountColor(*canvas, cell, Black), std::int64_t{size.width} * size.height);
    EXPECT_EQ(CountColor(*canvas, Rect{size.width, 0, 60, 20}, White), 0);
}

TEST(RasterText, RightAlignedTextEndsAtItsRightEdge) {
    FontCanvas right(100, 20, 14, true);
    FontCanvas left(100, 20, 14, true);
    const char* text = "Version 1.0";
    const std::int32_t width = right.canvas->MeasureText(text).width;
    right.canvas->PutTextRight(90, 2, text);
    left.canvas->PutText(90 - width, 2, text);
    EXPECT_TRUE(SamePixels(*right.canvas, *left.canvas, Rect{0, 0, 100, 20}));
    EXPECT_TRUE(PixelIs(*right.canvas, 90, 2, DimRed));
    EXPECT_FALSE(PixelIs(*right.canvas, 89, 2, DimRed));
    EXPECT_FALSE(PixelIs(*right.canvas, 90 - width, 2, DimRed));
    EXPECT_TRUE(PixelIs(*right.canvas, 90 - width - 1, 2, DimRed));
}

TEST(RasterText, TextCutByTheCanvasEdgeShowsTheSamePixelsAsWhole) {
    const char* text = "Data Analysis";
    FontCanvas whole(140, 30);
    whole.canvas->PutText(0, 0, text);
    FontCanvas cut(100, 30);
    cut.canvas->PutText(-25, -6, text);
    for (std::int32_t y = 0; y < 30 - 6; ++y) {
        for (std::int32_t x = 0; x < 100; ++x) {
            ASSERT_TRUE(SameRgb(cut.canvas->PixelAt(x, y), whole.canvas->PixelAt(x + 25, y + 6))) << x << "," << y;
        }
    }
}

TEST(RasterText, EmptyAndFarAwayTextsChangeNothing) {
    FontCanvas f(50, 20, 24, true);
    const std::string longText(5000, 'W');
    f.canvas->PutText(5, 5, "");
    f.canvas->PutText(5, 5, nullptr);
    f.canvas->PutText(INT_MIN, INT_MIN, longText.c_str());
    f.canvas->PutText(INT_MAX, INT_MAX, longText.c_str());
    f.canvas->PutText(INT_MAX - 3, 0, longText.c_str());
    f.canvas->PutText(0, INT_MIN + 1, longText.c_str());
    f.canvas->PutTextRight(INT_MIN, 0, longText.c_str());
    f.canvas->PutTextRight(0, 0, longText.c_str());  // ends just left of the canvas
    EXPECT_EQ(CountColor(*f.canvas, Rect{0, 0, 50, 20}, DimRed), 50 * 20);
    // A long text starting off the left edge covers every row its cell reaches.
    f.canvas->PutText(-1000, -2, longText.c_str());
    EXPECT_EQ(CountColor(*f.canvas, Rect{0, 0, 50, 20}, DimRed), 0);
}
