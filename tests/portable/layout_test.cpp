// The status screen as built: panel rectangles, the violet frame with its rounded corners,
// captions and header texts where the layout puts them, the banner, the record's two graph
// fields, and the state the canvas is left in. Positions are those of a 14-pixel line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/bmp_writer.h"
#include "common/test_canvas.h"
#include "screen/status_display.h"
#if defined(_WIN32)
#include "graphics/canvas_win32.h"
#include "screen/status_display_win32.h"
#endif

namespace {

namespace fs = std::filesystem;

// A folder of our own for image files, removed when the test ends.
struct TempFolder {
    TempFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path = fs::temp_directory_path() / ("orvane-layout-" + std::to_string(stamp));
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string File(const char* name) const { return (path / name).string(); }
    fs::path path;
};

// The globals point into the display; a test that destroys its display must not leave them
// dangling for the next one.
void ForgetGlobals() {
    gStatusDisplay = nullptr;
    gCanvas = nullptr;
    gBannerCanvas = nullptr;
    gNormalFont = nullptr;
    gBoldFont = nullptr;
    gBannerFont = nullptr;
#if defined(_WIN32)
    gCanvasDC = nullptr;
    gBannerDC = nullptr;
#endif
}

struct Built {
    explicit Built(const std::string& headerImage)
        : record(std::make_unique<SharedStatus>()),
          display(std::make_unique<StatusDisplay>(*record, headerImage.c_str())) {}
    ~Built() {
        display.reset();
        ForgetGlobals();
    }
    Canvas& canvas() { return *display->canvas; }

    std::unique_ptr<SharedStatus> record;
    std::unique_ptr<StatusDisplay> display;
};

// A 752 x 445 black canvas with a font selected and white text on black: where the texts are
// drawn by hand to tell what the display must show.
struct Reference {
    explicit Reference(const GdiObject& font, std::int32_t width = kCanvasWidth, std::int32_t height = kCanvasHeight)
        : canvas(width, height) {
        canvas->UseFont(font);
        canvas->SetForeground(White);
        canvas->SetBackground(Black);
    }
    TestCanvas canvas;
};

void ExpectRect(const Panel& panel, const Rect& rect, const char* name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(panel.left, rect.left);
    EXPECT_EQ(panel.top, rect.top);
    EXPECT_EQ(panel.right, rect.right);
    EXPECT_EQ(panel.bottom, rect.bottom);
    EXPECT_EQ(panel.width, rect.right - rect.left);
    EXPECT_EQ(panel.height, rect.bottom - rect.top);
}

// Right-most column in the rectangle with a non-black pixel; -1 when all is black.
std::int32_t RightmostInk(const Canvas& canvas, const Rect& rect) {
    for (std::int32_t x = rect.right - 1; x >= rect.left; --x)
        for (std::int32_t y = rect.top; y < rect.bottom; ++y)
            if (!PixelIs(canvas, x, y, Black)) return x;
    return -1;
}

std::string MissingHeader() { return (fs::temp_directory_path() / "orvane-layout-no-such-header.bmp").string(); }

}  // namespace

// One display, built without a header image, is shared by the tests that only look at it.
class LayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built_ = new Built(MissingHeader());
        lineHeight_ = gLineHeight;
    }
    static void TearDownTestSuite() {
        delete built_;
        built_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(lineHeight_, 14) << "the expected positions are those of a 14-pixel line"; }

    StatusDisplay& display() { return *built_->display; }
    Canvas& canvas() { return built_->canvas(); }

    static Built* built_;
    static std::int32_t lineHeight_;
};

Built* LayoutTest::built_ = nullptr;
std::int32_t LayoutTest::lineHeight_ = 0;

// The layout's data for a 14-pixel line: the worked example of the screen's geometry.
TEST(LayoutData, WorkedExampleOfAFourteenPixelLine) {
    constexpr ScreenLayout layout = LayoutFor(14);
    EXPECT_EQ(layout.headerHeight, 44);
    EXPECT_EQ(layout.panelRowHeight, 168);
    EXPECT_EQ(layout.infoPanelHeight, 84);
    EXPECT_EQ(layout.leftColumnWidth, 413);
    EXPECT_EQ(layout.headerImage, (Rect{0, 0, 500, 41}));
    EXPECT_EQ(layout.analysisPanel, (Rect{0, 52, 413, 220}));
    EXPECT_EQ(layout.dataInfoPanel, (Rect{443, 52, 752, 136}));
    EXPECT_EQ(layout.userInfoPanel, (Rect{443, 144, 752, 220}));
    EXPECT_EQ(layout.graphPanel, (Rect{0, 240, 752, 445}));
    EXPECT_EQ(layout.progressBar, (Rect{262, 74, 401, 88}));
    EXPECT_EQ(layout.peakMeter, (Rect{281, 116, 401, 130}));
    EXPECT_EQ(layout.gaussianMeter, (Rect{281, 144, 401, 158}));
    EXPECT_EQ(layout.progressBox, (Rect{12, 172, 401, 200}));
    // Analysis line n starts at y = 60 + 14 n; line 10 covers 200 to 213.
    EXPECT_EQ(LineBand(layout.analysisPanel, 10, 14), (Rect{12, 200, 401, 214}));

    const Rect bars[] = {Rect{10, 44, 742, 52}, Rect{10, 220, 742, 228}, Rect{443, 136, 742, 144},
                         Rect{413, 44, 443, 228}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(layout.frame.bars[i], bars[i]) << "bar " << i;
    const Disc ends[] = {{10, 48, 4}, {742, 48, 4}, {10, 224, 4}, {742, 224, 4}, {742, 140, 4}};
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(layout.frame.barEnds[i] == ends[i]) << "end " << i;
    // Each corner: its 16 x 16 square and the centre of the black disc that hollows it.
    const FrameCorner corners[] = {
        {Rect{397, 52, 413, 68}, {397, 68, 16}},    {Rect{443, 52, 459, 68}, {459, 68, 16}},
        {Rect{443, 120, 459, 136}, {459, 120, 16}}, {Rect{443, 144, 459, 160}, {459, 160, 16}},
        {Rect{443, 204, 459, 220}, {459, 204, 16}}, {Rect{397, 204, 413, 220}, {397, 204, 16}},
    };
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(layout.frame.corners[i] == corners[i]) << "corner " << i;
}

TEST_F(LayoutTest, MeasuresAndPlacesEveryElement) {
    const ScreenLayout layout = LayoutFor(gLineHeight);
    EXPECT_EQ(display().headerHeight, layout.headerHeight);
    EXPECT_EQ(display().panelRowHeight, layout.panelRowHeight);
    EXPECT_EQ(display().infoPanelHeight, layout.infoPanelHeight);
    EXPECT_EQ(display().leftColumnWidth, layout.leftColumnWidth);
    EXPECT_EQ(canvas().PixelWidth(), 752);
    EXPECT_EQ(canvas().PixelHeight(), 445);

    ExpectRect(*display().analysisPanel, layout.analysisPanel, "analysisPanel");
    ExpectRect(*display().dataInfoPanel, layout.dataInfoPanel, "dataInfoPanel");
    ExpectRect(*display().userInfoPanel, layout.userInfoPanel, "userInfoPanel");
    ExpectRect(*display().graphPanel, layout.graphPanel, "graphPanel");
    ExpectRect(*display().progressBar, layout.progressBar, "progressBar");
    ExpectRect(*display().peakMeter, layout.peakMeter, "peakMeter");
    ExpectRect(*display().gaussianMeter, layout.gaussianMeter, "gaussianMeter");
    ExpectRect(*display().progressBox, layout.progressBox, "progressBox");
    // The elements on analysis lines lie inside the lines' bands, as the panel reports them.
    EXPECT_EQ(display().analysisPanel->LineRect(4).right, layout.peakMeter.right);
    EXPECT_EQ(display().analysisPanel->LineRect(9).bottom, layout.progressBox.bottom);
    EXPECT_EQ(display().graphWidth, 752);
    EXPECT_EQ(display().graphHeight, 205);
    EXPECT_EQ(display().graphBaseline, 185);
}

TEST_F(LayoutTest, FrameBarsAreVioletWithRoundEnds) {
    for (const Rect& bar : LayoutFor(gLineHeight).frame.bars) {
        SCOPED_TRACE(testing::Message() << "bar at " << bar.left << "," << bar.top);
        const std::int64_t area = static_cast<std::int64_t>(bar.right - bar.left) * (bar.bottom - bar.top);
        EXPECT_EQ(CountColor(canvas(), bar, FrameViolet), area);
    }
    // The round ends reach 4 pixels past the bars' ends, and the bars are 8 pixels thick.
    for (std::int32_t top : {44, 220}) {
        SCOPED_TRACE(top);
        EXPECT_GT(CountColor(canvas(), Rect{6, top, 7, top + 8}, FrameViolet), 0);
        EXPECT_GT(CountColor(canvas(), Rect{745, top, 746, top + 8}, FrameViolet), 0);
        EXPECT_EQ(CountNonBlack(canvas(), Rect{0, top, 6, top + 8}), 0);
        EXPECT_EQ(CountNonBlack(canvas(), Rect{746, top, 752, top + 8}), 0);
    }
    EXPECT_GT(CountColor(canvas(), Rect{745, 136, 746, 144}, FrameViolet), 0);
    EXPECT_EQ(CountNonBlack(canvas(), Rect{746, 136, 752, 144}), 0);
    EXPECT_TRUE(PixelIs(canvas(), 200, 43, Black));
    EXPECT_TRUE(PixelIs(canvas(), 200, 52, Black));
    EXPECT_TRUE(PixelIs(canvas(), 200, 219, Black));
    EXPECT_TRUE(PixelIs(canvas(), 200, 228, Black));
    EXPECT_TRUE(PixelIs(canvas(), 600, 135, Black));
    EXPECT_TRUE(PixelIs(canvas(), 600, 144, Black));
    EXPECT_TRUE(PixelIs(canvas(), 412, 100, Black));
    EXPECT_TRUE(PixelIs(canvas(), 443, 100, Black));
    // Nothing of the frame below the bottom bar: the graph panel is untouched.
    EXPECT_EQ(CountNonBlack(canvas(), Rect{0, 229, 752, 445}), 0);
}

TEST_F(LayoutTest, InnerCornersAreConcaveQuarterRounds) {
    for (const FrameCorner& corner : LayoutFor(gLineHeight).frame.corners) {
        const Rect& s = corner.square;
        SCOPED_TRACE(testing::Message() << "corner at " << s.left << "," << s.top);
        // The square's pixel at the angle's vertex, far from the disc: violet.
        const std::int32_t vx = corner.hollow.cx == s.left ? s.right - 1 : s.left;
        const std::int32_t vy = corner.hollow.cy == s.top ? s.bottom - 1 : s.top;
        EXPECT_TRUE(PixelIs(canvas(), vx, vy, FrameViolet)) << vx << "," << vy;
        // Two pixels along the square's edges from the vertex: still outside the disc.
        const std::int32_t stepX = vx < corner.hollow.cx ? 1 : -1;
        const std::int32_t stepY = vy < corner.hollow.cy ? 1 : -1;
        EXPECT_TRUE(PixelIs(canvas(), vx + 2 * stepX, vy, FrameViolet));
        EXPECT_TRUE(PixelIs(canvas(), vx, vy + 2 * stepY, FrameViolet));
        // Inside the square, near the disc's centre: hollowed out.
        const std::int32_t bx = corner.hollow.cx == s.left ? s.left + 4 : s.right - 5;
        const std::int32_t by = corner.hollow.cy == s.top ? s.top + 4 : s.bottom - 5;
        EXPECT_TRUE(PixelIs(canvas(), bx, by, Black)) << bx << "," << by;
        // Across the diagonal the quarter-round is about a third of the square.
        const std::int64_t violet = CountColor(canvas(), s, FrameViolet);
        EXPECT_GT(violet, 16 * 16 / 10);
        EXPECT_LT(violet, 16 * 16 / 3);
    }
}

TEST_F(LayoutTest, CaptionsEndTwelvePixelsRightOfTheirPanelsMiddle) {
    Reference reference(*display().boldFont);
    const struct {
        const char* text;
        std::int32_t end;  // panel left + width / 2 + 12
        std::int32_t top;
        Rect band;
    } captions[] = {
        {"Data Analysis", 218, 60, Rect{12, 60, 401, 74}},
        {"Data Info", 609, 60, Rect{455, 60, 740, 74}},
        {"User Info", 609, 152, Rect{455, 152, 740, 166}},
    };
    for (const auto& caption : captions) {
        SCOPED_TRACE(caption.text);
        const std::int32_t w = reference.canvas->MeasureText(caption.text).width;
        ASSERT_GT(w, 0);
        reference.canvas->PutText(caption.end - w, caption.top, caption.text);
        EXPECT_TRUE(SamePixels(canvas(), *reference.canvas, caption.band));
        const std::int32_t ink = RightmostInk(canvas(), caption.band);
        EXPECT_LE(ink, caption.end);
        EXPECT_GE(ink, caption.end - 4);
    }
}

TEST_F(LayoutTest, HeaderWithoutImageShowsOnlyTheThreeTexts) {
    Reference reference(*display().normalFont);
    reference.canvas->PutTextRight(720, 6, "Version 1.0");
    reference.canvas->PutTextRight(680, 20, kProductWebAddress);
    reference.canvas->PutText(500, 6, "Press F1 for info");
    EXPECT_TRUE(SamePixels(canvas(), *reference.canvas, Rect{0, 0, 752, 44}));

    EXPECT_EQ(RightmostInk(canvas(), Rect{620, 6, 752, 20}), RightmostInk(*reference.canvas, Rect{620, 6, 752, 20}));
    EXPECT_LE(RightmostInk(canvas(), Rect{620, 6, 752, 20}), 720);
    EXPECT_GE(RightmostInk(canvas(), Rect{620, 6, 752, 20}), 716);
    EXPECT_LE(RightmostInk(canvas(), Rect{600, 20, 752, 34}), 680);
    // The image's area is black up to where the web address begins.
    const std::int32_t addressStart = 680 - reference.canvas->MeasureText(kProductWebAddress).width;
    EXPECT_EQ(CountNonBlack(canvas(), Rect{0, 0, std::min(500, addressStart), 41}), 0);
}

TEST_F(LayoutTest, IndicatorsStartEmpty) {
    const ScreenLayout layout = LayoutFor(gLineHeight);
    // The box's empty wire frame: back top edge from x 10, front bottom edge on its last row.
    const Rect& box = layout.progressBox;  // 389 x 28: the back face starts at x 9
    EXPECT_TRUE(PixelIs(canvas(), box.left + 10, box.top, Grey));
    EXPECT_TRUE(PixelIs(canvas(), box.left + 100, box.bottom - 1, Grey));
    EXPECT_EQ(display().progressBox->cellsDrawn, 0);
    // The bar is cleared and the meters draw nothing until their first update.
    EXPECT_EQ(CountNonBlack(canvas(), layout.progressBar), 0);
    EXPECT_EQ(CountNonBlack(canvas(), layout.peakMeter), 0);
    EXPECT_EQ(CountNonBlack(canvas(), layout.gaussianMeter), 0);
}

TEST(LayoutBuild, WritesOnlyTheGraphAreaIntoTheRecord) {
    auto record = std::make_unique<SharedStatus>();
    auto* bytes = reinterpret_cast<unsigned char*>(record.get());
    for (std::size_t i = 0; i < sizeof(SharedStatus); ++i) bytes[i] = static_cast<unsigned char>(i * 31 + 7);
    std::vector<unsigned char> before(bytes, bytes + sizeof(SharedStatus));

    auto display = std::make_unique<StatusDisplay>(*record, MissingHeader().c_str());
    EXPECT_EQ(gLineHeight, 14);
    EXPECT_EQ(ReadFlag(record->graph_area_width), 642);
    EXPECT_EQ(ReadFlag(record->graph_area_height), 185);

    const std::size_t fieldsBegin = offsetof(SharedStatus, graph_area_width);
    const std::size_t fieldsEnd = offsetof(SharedStatus, graph_area_height) + sizeof(std::int32_t);
    std::size_t changedElsewhere = 0;
    for (std::size_t i = 0; i < sizeof(SharedStatus); ++i) {
        if (i >= fieldsBegin && i < fieldsEnd) continue;
        if (bytes[i] != before[i]) ++changedElsewhere;
    }
    EXPECT_EQ(changedElsewhere, 0u);
    display.reset();
    ForgetGlobals();
}

TEST(LayoutBuild, BannerIsTheMessageWideAndThirtyHigh) {
    Built built(MissingHeader());
    Canvas& banner = *built.display->bannerCanvas;
    Reference measure(*built.display->bannerFont);
    const std::int32_t w = measure.canvas->MeasureText(kAttentionMessage).width;
    ASSERT_GT(w, 0);
    // The trailing spaces are part of the width.
    EXPECT_GT(w, measure.canvas->MeasureText("Orvane needs your attention. Please double-click on the Orvane icon in "
                                             "the taskbar.")
                     .width);
    EXPECT_EQ(banner.width, w);
    EXPECT_EQ(banner.height, 30);
    EXPECT_EQ(banner.PixelWidth(), w);
    EXPECT_EQ(banner.PixelHeight(), 30);
    EXPECT_EQ(gBannerCanvas, &banner);

    Reference reference(*built.display->bannerFont, w, 30);
    reference.canvas->PutText(0, 0, kAttentionMessage);
    EXPECT_TRUE(SamePixels(banner, *reference.canvas, Rect{0, 0, w, 30}));
    EXPECT_GT(CountColor(banner, Rect{0, 0, w, 24}, White), 0);
    EXPECT_EQ(CountNonBlack(banner, Rect{0, 24, w, 30}), 0);
}

TEST(LayoutBuild, CanvasRestsWithTheNormalFontAndWhiteText) {
    Built built(MissingHeader());
    Canvas& canvas = built.canvas();
    EXPECT_EQ(gCanvas, &canvas);
    EXPECT_EQ(gNormalFont, built.display->normalFont.get());
    EXPECT_EQ(gBoldFont, built.display->boldFont.get());
    EXPECT_EQ(gBannerFont, built.display->bannerFont.get());
    EXPECT_EQ(canvas.MeasureText("jX").height, 14);

    // Text drawn now, with only the background chosen, must look like the normal font in
    // white; bold glyphs may share the normal advances, so the pixels tell them apart.
    const char* sample = "Data Analysis";
    const Rect area{20, 300, 140, 314};
    Reference normal(*built.display->normalFont);
    Reference bold(*built.display->boldFont);
    normal.canvas->PutText(20, 300, sample);
    bold.canvas->PutText(20, 300, sample);
    ASSERT_FALSE(SamePixels(*normal.canvas, *bold.canvas, area));

    canvas.SetBackground(Black);
    canvas.PutText(20, 300, sample);
    EXPECT_GT(CountColor(canvas, area, White), 0);
    EXPECT_TRUE(SamePixels(canvas, *normal.canvas, area));
}

TEST(LayoutBuild, HeaderImageIsDrawnAtTheTopLeft) {
    TempFolder folder;
    const std::string path = folder.File("header.bmp");
    BmpShape shape;
    shape.width = 500;
    shape.height = 41;
    ASSERT_TRUE(WriteBytes(path, MakeBmpBytes(shape)));

    Built built(path);
    Canvas& canvas = built.canvas();
    Reference reference(*built.display->normalFont);
    const std::int32_t addressStart = 680 - reference.canvas->MeasureText(kProductWebAddress).width;
    const std::int32_t imageRight = std::min(500, addressStart);
    std::int32_t mismatches = 0;
    for (std::int32_t y = 0; y < 41; ++y) {
        for (std::int32_t x = 0; x < imageRight; x += 3) {
            const auto index = static_cast<std::uint8_t>((x + 3 * y) % 256);  // the image's own pixel (x, y)
            if (!SameRgb(canvas.PixelAt(x, y), UnpackRgb(BmpTestPaletteRgb(index)))) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The image ends at row 40; the frame's top bar begins at 44.
    EXPECT_EQ(CountNonBlack(canvas, Rect{0, 41, 6, 44}), 0);
    // The texts are drawn over it as usual.
    EXPECT_LE(RightmostInk(canvas, Rect{620, 6, 752, 20}), 720);
    EXPECT_GE(RightmostInk(canvas, Rect{620, 6, 752, 20}), 716);
}

TEST(LayoutBuild, BuildStatusDisplaySetsTheGlobals) {
    auto record = std::make_unique<SharedStatus>();
    StatusDisplay* display = BuildStatusDisplay(WindowHandle{}, *record, MissingHeader().c_str());
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(gStatusDisplay, display);
    EXPECT_EQ(gCanvas, display->canvas.get());
    EXPECT_EQ(gBannerCanvas, display->bannerCanvas.get());
#if defined(_WIN32)
    EXPECT_EQ(gCanvasDC, CanvasDC(*display->canvas));
    EXPECT_EQ(gBannerDC, CanvasDC(*display->bannerCanvas));
    EXPECT_NE(gCanvasDC, nullptr);
#endif
    EXPECT_EQ(record->graph_area_width, 642);
    EXPECT_EQ(record->graph_area_height, 185);
    delete display;
    ForgetGlobals();
}
