// The spectrum graph: colours, row placement, the outline, the wire box and labels at the
// positions of the layout's own example, the flag handshake, and records that a careless or
// hostile client could write.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "record/record_builder.h"
#include "common/test_canvas.h"
#include "screen/status_display.h"

namespace {

// A point of the graph's panel.
struct Point {
    std::int32_t x;
    std::int32_t y;
};

// A label, placed at its left end or, with `endingAt`, at its right end.
struct Label {
    std::int32_t x;
    std::int32_t y;
    const char* text;
    bool endingAt = false;
};

struct Graph {
    explicit Graph(RecordBuilder& builder) : record(builder.Build()) {
        display = std::make_unique<StatusDisplay>(*record, "no-such-header.bmp");
        display->frameChanged = 0;
    }

    Panel& panel() { return *display->graphPanel; }
    Canvas& canvas() { return *display->canvas; }

    // Panel-relative probes.
    RgbColor At(std::int32_t x, std::int32_t y) { return canvas().PixelAt(panel().left + x, panel().top + y); }
    bool Is(std::int32_t x, std::int32_t y, const RgbColor& color) { return SameRgb(At(x, y), color); }
    // Whether every point listed is `color`; the failure names those that are not.
    testing::AssertionResult AllAre(const RgbColor& color, const std::vector<Point>& points) {
        std::string wrong;
        for (const Point& p : points) {
            if (!Is(p.x, p.y, color)) wrong += " (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
        }
        if (wrong.empty()) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "another colour at" << wrong;
    }
    // Graph point (x, y): 60 pixels in from the panel's left, y up from the baseline.
    RgbColor GraphAt(std::int32_t x, std::int32_t y) { return At(60 + x, display->graphBaseline - y); }

    // Paints the panel so that the graph's black pixels can be told from untouched ones.
    void Paint() { panel().Fill(FrameViolet); }

    // One graph column from y = 0 upward: 'c' coloured, 'k' black, '.' untouched violet.
    std::string Column(std::int32_t x, std::int32_t height) {
        std::string picture;
        for (std::int32_t y = 0; y < height; ++y) {
            const RgbColor pixel = GraphAt(x, y);
            picture += SameRgb(pixel, Black) ? 'k' : SameRgb(pixel, FrameViolet) ? '.' : 'c';
        }
        return picture;
    }

    // Whether the text drawn at panel point (x, y) looks exactly as it does drawn by itself
    // there. The cell's top row is left out: the power arrow's foot touches it.
    bool TextAt(std::int32_t x, std::int32_t y, const char* text) {
        TestCanvas reference(canvas().PixelWidth(), canvas().PixelHeight());
        auto font = GdiObject::MakeArialFont(14, false);
        reference->UseFont(*font);
        reference->SetForeground(White);
        reference->SetBackground(Black);
        const TextSize size = reference->MeasureText(text);
        const std::int32_t left = panel().left + x;
        const std::int32_t top = panel().top + y;
        reference->PutText(left, top, text);
        // A margin of a few pixels catches a text drawn slightly off its place.
        return SamePixels(canvas(), *reference, Rect{left - 3, top + 1, left + size.width + 3, top + size.height});
    }
    bool TextEndingAt(std::int32_t xEnd, std::int32_t y, const char* text) {
        return TextAt(xEnd - canvas().MeasureText(text).width, y, text);
    }
    bool Shows(const Label& label) {
        return label.endingAt ? TextEndingAt(label.x, label.y, label.text) : TextAt(label.x, label.y, label.text);
    }

    // A geometry given to the display alone, for drawing one part of the graph by itself.
    void Geometry(std::int32_t depthX, std::int32_t depthY, std::int32_t bins, bool mirrored) {
        display->graphDepthX = depthX;
        display->graphDepthY = depthY;
        display->graphBinCount = bins;
        display->graphMirrored = mirrored ? 1 : 0;
    }

    std::unique_ptr<SharedStatus> record;
    std::unique_ptr<StatusDisplay> display;
};

// The record as it must be after an update: the same bytes, with the flags that the update
// owns lowered.
std::unique_ptr<SharedStatus> WithGraphFlagsLowered(const SharedStatus& before, std::int32_t rowsExamined) {
    auto expected = MakeZeroRecord();
    std::memcpy(expected.get(), &before, sizeof(SharedStatus));
    expected->graph_frame_changed = 0;
    for (std::int32_t j = 0; j < rowsExamined; ++j) expected->spectrum_rows[j].changed = 0;
    return expected;
}

bool SameBytes(const SharedStatus& a, const SharedStatus& b) { return std::memcmp(&a, &b, sizeof(SharedStatus)) == 0; }

void ExpectRgb(const RgbColor& actual, std::int32_t r, std::int32_t g, std::int32_t b) {
    EXPECT_EQ(actual.red, r);
    EXPECT_EQ(actual.green, g);
    EXPECT_EQ(actual.blue, b);
}

// The layout's worked example: 512 bins, depth 60 across and 100 up, box 50 high.
RecordBuilder WorkedExample(bool mirrored) {
    RecordBuilder builder;
    builder.GraphGeometry(60, 100, mirrored, 50, 4, 512).Band(9765.625, 1, 1048576).FrameChanged();
    return builder;
}

}  // namespace

TEST(GraphColour, ConversionGivesTheKnownColoursTruncated) {
    RgbColor color{};
    HslToRgb(1.0, 0.2, 1.0, color);  // bin 0 near value 0
    ExpectRgb(color, 102, 0, 0);
    HslToRgb(1.0, 0.8, 1.0, color);  // bin 0 at full scale
    ExpectRgb(color, 255, 153, 153);
    HslToRgb(0.75, 0.5, 1.0, color);  // bin 256 of 512 at half scale
    ExpectRgb(color, 127, 0, 255);
    HslToRgb(0.3, 0.5, 0.0, color);  // no saturation: grey of the lightness, truncated
    ExpectRgb(color, 127, 127, 127);
}

TEST(GraphColour, HueWrapsIntoTheUnitIntervalBeforeTheSegments) {
    constexpr double kTolerance = 1e-12;
    EXPECT_NEAR(HueToChannel(0.2, 0.8, -0.9), 0.56, kTolerance);  // -0.9 + 1 = 0.1: on the rising edge
    EXPECT_DOUBLE_EQ(HueToChannel(0.2, 0.8, 1.4), 0.8);          // 0.4: the flat top
    EXPECT_NEAR(HueToChannel(0.2, 0.8, 0.6), 0.44, kTolerance);   // on the falling edge
    EXPECT_DOUBLE_EQ(HueToChannel(0.2, 0.8, 0.9), 0.2);
    EXPECT_NEAR(HueToChannel(0.2, 0.8, 0.5), 0.8, kTolerance);    // 2t = 1 is not below 1: falling edge
    EXPECT_NEAR(HueToChannel(0.2, 0.8, 0.0), 0.2, kTolerance);
}

// The graph draws from tables, not from the conversion: every bin and every sample value must
// come out as the conversion gives it, bit for bit, for the bin counts and peak heights a client
// may write, including peaks of 0 and below, peaks far under the samples (channels past 255) and
// a table that is made again when either changes.
TEST(GraphColour, TablesGiveTheConversionsColourForEveryBinAndSample) {
    SpectrumColours colours;
    const std::int32_t binCounts[] = {1, 3, 7, 512, 600, 512};
    const std::int32_t peaks[] = {INT_MIN, -5, 0, 1, 3, 100, 185, 255, 1000, INT_MAX};
    std::int64_t mismatches = 0;
    for (const std::int32_t n : binCounts) {
        for (const std::int32_t peak : peaks) {
            colours.Prepare(n, peak);
            for (std::int32_t i = 0; i < n; ++i) {
                for (int v = 0; v < 256; ++v) {
                    const RgbColor want = SpectrumColourOf(i, n, static_cast<std::uint8_t>(v), peak);
                    const RgbColor got = colours.Of(i, static_cast<std::uint8_t>(v));
                    if (got.red != want.red || got.green != want.green || got.blue != want.blue) {
                        if (++mismatches <= 5) {
                            ADD_FAILURE() << "bin " << i << " of " << n << ", sample " << v << ", peak " << peak
                                          << ": " << got.red << "," << got.green << "," << got.blue << " instead of "
                                          << want.red << "," << want.green << "," << want.blue;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    // And the reference is the conversion the graph has always used.
    RgbColor direct{};
    HslToRgb((512.0 * 0.5) / 512 + 0.5, (50 * 0.6) / 100.0 + 0.2, 1.0, direct);
    const RgbColor referenced = SpectrumColourOf(0, 512, 50, 100);
    ExpectRgb(referenced, direct.red, direct.green, direct.blue);
}

TEST(GraphColour, OutOfRangeInputsSaturateInsteadOfFaulting) {
    RgbColor color{1, 1, 1};
    HslToRgb(1.0, std::nan(""), 1.0, color);
    ExpectRgb(color, 0, 0, 0);
    HslToRgb(0.5, 1e300, 0.0, color);
    ExpectRgb(color, INT_MAX, INT_MAX, INT_MAX);
    HslToRgb(0.5, -1e300, 0.0, color);
    ExpectRgb(color, INT_MIN, INT_MIN, INT_MIN);
    HslToRgb(std::numeric_limits<double>::infinity(), 0.5, 1.0, color);
    ExpectRgb(color, 0, 0, 0);  // the hue never settles into a segment: every channel is p
    // Samples above full scale: lightness past 1 is not clamped, channels pass 255.
    HslToRgb(1.0, 1.1, 1.0, color);
    EXPECT_EQ(color.red, 255);
    EXPECT_GT(color.green, 255);
}

TEST(GraphRows, RowsStepForwardByTheDepthSharedOutOverTheRows) {
    struct Case {
        bool mirrored;
        std::int32_t offsets[4][2];
    };
    const Case cases[] = {{true, {{30, 15}, {20, 10}, {10, 5}, {0, 0}}}, {false, {{0, 15}, {10, 10}, {20, 5}, {30, 0}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mirrored ? "mirrored" : "not mirrored");
        RecordBuilder builder;
        builder.GraphGeometry(40, 20, c.mirrored, 50, 4, 1);
        for (std::int32_t j = 0; j < 4; ++j) builder.RowFill(j, 0);
        Graph g(builder);
        g.Paint();
        g.display->UpdateSpectrumGraph();
        // A value of 0 leaves nothing but the black pixel at the row's foot.
        EXPECT_EQ(CountColor(g.canvas(), Rect{0, g.panel().top, g.panel().right, g.panel().bottom}, Black), 4);
        for (const auto& offset : c.offsets) {
            EXPECT_TRUE(SameRgb(g.GraphAt(offset[0], offset[1]), Black)) << offset[0] << ", " << offset[1];
        }
    }
}

TEST(GraphRows, ColumnColourRunsWithFrequencyAndHeight) {
    std::vector<std::uint8_t> values(512, 0);
    values[0] = 100;
    values[256] = 50;
    values[511] = 1;
    RecordBuilder builder;
    builder.GraphGeometry(0, 0, false, 100, 1, 512).Row(0, values);
    Graph g(builder);
    g.Paint();
    g.display->UpdateSpectrumGraph();
    ExpectRgb(g.GraphAt(0, 0), 255, 153, 153);
    ExpectRgb(g.GraphAt(0, 99), 255, 153, 153);
    ExpectRgb(g.GraphAt(256, 0), 127, 0, 255);
    EXPECT_EQ(g.Column(256, 52), std::string(50, 'c') + "k.");
    RgbColor lastBin{};
    HslToRgb(0.5 / 512 + 0.5, 0.6 / 100 + 0.2, 1.0, lastBin);  // the last bin is almost cyan
    ExpectRgb(g.GraphAt(511, 0), lastBin.red, lastBin.green, lastBin.blue);
    EXPECT_EQ(g.Column(1, 101), std::string(100, 'k') + ".");  // a 0 beside the tall bin: its edge
    EXPECT_EQ(g.Column(2, 2), "k.");
}

TEST(GraphRows, OutlineRisesToATallerNeighbourOnTheFarSide) {
    // Not mirrored the neighbour is the bin to the left, mirrored the one to the right; the
    // bin at the open end has none. Equal neighbours give only the pixel above each.
    const std::vector<std::uint8_t> values{2, 5, 3, 3, 1};
    struct Case {
        bool mirrored;
        const char* columns[5];
    };
    const Case cases[] = {
        {false, {"cck....", "ccccck.", "ccckk..", "ccck...", "ckk...."}},
        {true, {"cckkk..", "ccccck.", "ccck...", "ccck...", "ck....."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mirrored ? "mirrored" : "not mirrored");
        RecordBuilder builder;
        builder.GraphGeometry(0, 0, c.mirrored, 10, 1, 5).Row(0, values);
        Graph g(builder);
        g.Paint();
        g.display->UpdateSpectrumGraph();
        for (std::int32_t i = 0; i < 5; ++i) EXPECT_EQ(g.Column(i, 7), c.columns[i]) << "bin " << i;
    }
}

// A row is drawn as one pair of runs a column, written straight into the canvas. Each pair
// must be the column runs of the graph's own coordinates: the column from the row's offset up
// to its sample in its colour, then black above it, up to a taller far neighbour's top or on
// the one point above its own.
TEST(GraphRows, EachColumnIsTheRunsItStandsFor) {
    std::vector<std::uint8_t> values(512);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint8_t>(i * 37 % 51);
    for (const bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "not mirrored");
        auto forFast = WorkedExample(mirrored);
        auto forRuns = WorkedExample(mirrored);
        Graph fast(forFast);
        Graph runs(forRuns);
        for (Graph* g : {&fast, &runs}) {
            g->display->UpdateSpectrumGraph();  // the geometry, 4 rows of 512 bins
            g->Paint();
        }
        // Row 1 of 4, two rows from the front: a quarter of the depth across (mirrored, the two
        // rows in front count, half of it) and half of it up.
        const std::int32_t row = 1;
        const std::int32_t xOffset = mirrored ? 30 : 15;
        const std::int32_t yOffset = 50;
        fast.display->DrawSpectrumRow(values.data(), row);

        StatusDisplay& d = *runs.display;
        d.graphColours.Prepare(512, d.graphPeakHeight);
        for (std::int32_t i = 0; i < 512; ++i) {
            const std::int32_t v = values[static_cast<std::size_t>(i)];
            const std::int32_t x = xOffset + i;
            d.DrawColumnRun(x, yOffset, yOffset + v, d.graphColours.Of(i, static_cast<std::uint8_t>(v)));
            const std::int32_t neighbour = mirrored ? i + 1 : i - 1;
            const bool hasNeighbour = neighbour >= 0 && neighbour < 512;
            const std::int32_t other = hasNeighbour ? values[static_cast<std::size_t>(neighbour)] : 0;
            d.DrawColumnRun(x, yOffset + v, other > v ? yOffset + other : yOffset + v + 1, Black);
        }

        const Rect under{60 + xOffset, fast.panel().top, 60 + xOffset + 512, fast.panel().bottom};
        EXPECT_GT(CountColor(fast.canvas(), under, Black), 512);
        std::vector<std::uint32_t> fastPixels, runPixels;
        fast.canvas().CopyPixels(fastPixels);
        runs.canvas().CopyPixels(runPixels);
        EXPECT_TRUE(fastPixels == runPixels);
    }
    // An empty or inverted run draws nothing.
    auto builder = WorkedExample(false);
    Graph g(builder);
    g.Paint();
    g.display->DrawColumnRun(10, 5, 5, Red);
    g.display->DrawColumnRun(10, 6, 5, Red);
    EXPECT_EQ(CountColor(g.canvas(), Rect{0, 0, kCanvasWidth, kCanvasHeight}, Red), 0);
    g.display->DrawColumnRun(10, 5, 6, Red);
    EXPECT_TRUE(g.Is(70, g.display->graphBaseline - 5, Red));
}

TEST(GraphBox, WorkedExampleInBothOrientations) {
    struct Example {
        bool mirrored;
        std::vector<Point> grey, black, white;
        std::vector<Label> labels;
    };
    const Example examples[] = {
        {true,
         // A = 58, K = 118, D = 572, C = 632; floors 186 and 85, tops 136 and 35. The front
         // floor (to where the right depth edge starts) and the back one; the front wall on the
         // power side and its top, where the top depth edge starts; back-left, back top and
         // back-right.
         {{58, 186}, {300, 186}, {571, 186}, {572, 186}, {300, 85}, {632, 85}, {58, 150}, {58, 136},
          {118, 60}, {118, 35}, {400, 35}, {632, 60}, {632, 36}},
         // Just past the tops of the front wall and the back walls (both lines that meet at the
         // back-right end there), no front-right wall, no front top edge, and beside the arrow.
         {{58, 135}, {118, 34}, {632, 35}, {572, 160}, {300, 136}, {30, 124}, {24, 131}},
         // The power arrow: its shaft and head.
         {{30, 165}, {30, 140}, {30, 125}, {25, 130}, {35, 130}},
         // The first time label steps in by s = 60 * 14 / 100 = 8.
         {{50, 165, "Power", true}, {64, 189, "0.0"}, {296, 189, "Frequency (Hz)"}, {532, 189, "9765.625"},
          {592, 173, "0"}, {614, 129, "Time (sec)"}, {644, 85, "107.4"}}},
        {false,
         // A = 118, K = 58, D = 632, C = 572. The front floor and the back one, back-left, back
         // top and back-right, and the front wall on the power side, to its top.
         {{118, 186}, {631, 186}, {58, 85}, {300, 85}, {58, 60}, {58, 35}, {300, 35}, {572, 60},
          {632, 160}, {632, 137}},
         // Just past the tops of the back-left wall and the front wall (both lines that meet
         // there end there), no front-left wall, no front top edge, and beside the arrow.
         {{58, 34}, {632, 136}, {118, 160}, {300, 136}, {726, 150}},
         {{727, 150}, {727, 125}},
         {{712, 165, "Power"}, {124, 189, "0.0"}, {356, 189, "Frequency (Hz)"}, {592, 189, "9765.625"},
          {100, 173, "0", true}, {78, 129, "Time (sec)", true}, {48, 85, "107.4", true}}},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.mirrored ? "mirrored" : "not mirrored");
        auto builder = WorkedExample(example.mirrored);
        Graph g(builder);
        ASSERT_EQ(gLineHeight, 14);
        ASSERT_EQ(g.display->graphHeight, 205);
        g.display->UpdateSpectrumGraph();
        EXPECT_TRUE(g.AllAre(Grey, example.grey));
        EXPECT_TRUE(g.AllAre(Black, example.black));
        EXPECT_TRUE(g.AllAre(White, example.white));
        for (const Label& label : example.labels) EXPECT_TRUE(g.Shows(label)) << label.text;
        if (example.mirrored) {
            EXPECT_FALSE(g.TextAt(645, 85, "107.4")) << "the comparison does see a one-pixel shift";
        }
    }
}

TEST(GraphBox, EachEdgeIsDrawnAlongItsLengthAndTheOpenOnesAreNot) {
    // A depth of 60 across and 59 up sets every slanted edge at 45 degrees (the floor starts a
    // pixel below the baseline), so the point halfway along an edge lies exactly on it and on
    // no other edge. The box is drawn alone on a painted panel.
    struct Probe {
        const char* edge;
        std::int32_t x;
        std::int32_t y;
    };
    for (const bool mirrored : {true, false}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "not mirrored");
        RecordBuilder builder;
        Graph g(builder);
        g.Geometry(60, 59, 100, mirrored);
        g.display->graphPeakHeight = 50;
        g.Paint();
        g.display->DrawGraphBox();

        const std::int32_t a = mirrored ? 58 : 118;  // front left
        const std::int32_t k = mirrored ? 118 : 58;  // back left
        const std::int32_t d = a + 102;              // front right
        const std::int32_t c = k + 102;              // back right
        const std::int32_t yF = g.display->graphBaseline + 1;
        const std::int32_t yK = yF - 60;
        const std::int32_t topF = yF - 50;
        const std::int32_t topK = yK - 50;
        const std::int32_t back = mirrored ? 30 : -30;  // halfway along a depth edge, across
        std::vector<Probe> drawn{
            {"front floor", (a + d) / 2, yF},     {"left floor depth", a + back, yF - 30},
            {"back floor", (k + c) / 2, yK},      {"right floor depth", d + back, yF - 30},
            {"back left wall", k, yK - 25},       {"back right wall", c, yK - 25},
            {"back top", (k + c) / 2, topK},
        };
        std::vector<Probe> open{{"front top", (a + d) / 2, topF}};
        // The power axis's side keeps its front wall and top depth edge; the other is open.
        const Probe leftWall{"front left wall", a, yF - 25};
        const Probe rightWall{"front right wall", d, yF - 25};
        const Probe leftTop{"left top depth", a + back, topF - 30};
        const Probe rightTop{"right top depth", d + back, topF - 30};
        for (const Probe& p : {leftWall, leftTop}) (mirrored ? drawn : open).push_back(p);
        for (const Probe& p : {rightWall, rightTop}) (mirrored ? open : drawn).push_back(p);

        for (const Probe& p : drawn) EXPECT_TRUE(g.Is(p.x, p.y, Grey)) << p.edge << " at " << p.x << ", " << p.y;
        for (const Probe& p : open) EXPECT_TRUE(g.Is(p.x, p.y, FrameViolet)) << p.edge << " at " << p.x << ", " << p.y;
    }
}

TEST(GraphLabels, FrequencyCaptionStartsBeforeTheMiddleWhateverItsWidth) {
    RecordBuilder builder;
    builder.GraphGeometry(-20, 40, false, 30, 1, 301).Band(250.5, 1, 1000).FrameChanged();
    Graph g(builder);
    g.display->UpdateSpectrumGraph();
    // x0 = -20 + 60 = 40; 301 div 2 = 150.
    EXPECT_TRUE(g.TextAt(44, 189, "0.0"));
    EXPECT_TRUE(g.TextAt(170, 189, "Frequency (Hz)"));
    EXPECT_TRUE(g.TextAt(301, 189, "250.500"));
}

TEST(GraphLabels, FlatDepthPutsTheFirstTimeLabelAtTheFoot) {
    // A depth of 0 up the screen gives the first label's shift nothing to divide by. Drawn
    // alone, so that neither the box nor the other labels cross it.
    for (const bool mirrored : {true, false}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "not mirrored");
        RecordBuilder builder;
        Graph g(builder);
        g.Geometry(40, 0, 100, mirrored);
        g.display->DrawTimeLabels("0", "", "");
        if (mirrored) {
            EXPECT_TRUE(g.TextAt(172, 173, "0"));
        } else {
            EXPECT_TRUE(g.TextEndingAt(88, 173, "0"));
        }
    }
}

TEST(GraphLabels, DurationWithoutABandwidthReadsZeroAndANegativeOneDivides) {
    const struct {
        double bandwidth;
        const char* duration;
    } cases[] = {{0.0, "  0.0"}, {-0.0, "  0.0"}, {std::nan(""), "  0.0"}, {-5.0, "-209715.2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bandwidth);
        RecordBuilder builder;
        builder.GraphGeometry(60, 100, true, 50, 1, 512).Band(c.bandwidth, 1, 1048576).FrameChanged();
        Graph g(builder);
        g.display->UpdateSpectrumGraph();
        EXPECT_TRUE(g.TextAt(644, 85, c.duration));
    }
}

TEST(GraphUpdate, FrameAndRowInOneUpdateDrawTheRowOverTheBox) {
    RecordBuilder builder;
    builder.GraphGeometry(0, 0, false, 10, 1, 10).Band(100.0, 1, 100).FrameChanged().RowFill(0, 20);
    Graph g(builder);
    g.Paint();
    g.display->UpdateSpectrumGraph();
    EXPECT_EQ(g.display->frameChanged, 1);
    EXPECT_EQ(g.record->graph_frame_changed, 0);
    EXPECT_EQ(g.record->spectrum_rows[0].changed, 0);
    EXPECT_TRUE(g.Is(300, 100, Black));  // the panel was cleared
    EXPECT_TRUE(g.Is(58, 186, Grey));    // the box's floor
    // The back top edge runs along graph y 10 through the columns: they cover it.
    EXPECT_TRUE(g.Is(59, 175, Grey));
    EXPECT_FALSE(SameRgb(g.GraphAt(5, 10), Grey));
    EXPECT_FALSE(SameRgb(g.GraphAt(5, 10), Black));
}

TEST(GraphUpdate, FrameRedrawClearsRowsAndDrawsNone) {
    RecordBuilder builder;
    builder.GraphGeometry(0, 0, false, 10, 2, 10).Band(100.0, 1, 100).RowFill(0, 5).RowFill(1, 5);
    Graph g(builder);
    g.display->UpdateSpectrumGraph();
    const Rect rowArea{60, g.panel().top + 176, 70, g.panel().top + 185};  // inside the box, clear of its edges
    ASSERT_EQ(g.Column(3, 6), "ccccck");
    ASSERT_GT(CountNonBlack(g.canvas(), rowArea), 0);
    RaiseFlag(g.record->graph_frame_changed);
    g.display->frameChanged = 0;
    g.display->UpdateSpectrumGraph();
    EXPECT_EQ(g.display->frameChanged, 1);
    EXPECT_EQ(g.record->spectrum_rows[0].changed, 0);
    EXPECT_EQ(CountNonBlack(g.canvas(), rowArea), 0);
}

TEST(GraphUpdate, LowersOnlyItsFlagsAndWritesNothingElse) {
    RecordBuilder builder;
    builder.GraphGeometry(30, 60, true, 40, 5, 300).Band(500.0, 1, 4000).RowFill(0, 10).RowFill(4, 30).RowFill(7, 9);
    builder.Record().graph_frame_changed = -1;  // any non-zero value is raised
    builder.Record().spectrum_rows[2].changed = 2;
    Graph g(builder);
    auto expected = WithGraphFlagsLowered(*g.record, 5);
    g.display->UpdateSpectrumGraph();
    EXPECT_TRUE(SameBytes(*g.record, *expected));
    EXPECT_EQ(g.record->spectrum_rows[7].changed, 1);  // past the rows in use: not examined
    EXPECT_EQ(g.display->frameChanged, 1);
}

TEST(GraphUpdate, NothingFlaggedDrawsNothing) {
    RecordBuilder builder;
    builder.GraphGeometry(30, 60, true, 40, 5, 300).Band(500.0, 1, 4000);
    for (std::int32_t j = 0; j < 5; ++j) builder.RowFill(j, 10).Record().spectrum_rows[j].changed = 0;
    Graph g(builder);
    g.Paint();
    auto before = WithGraphFlagsLowered(*g.record, 0);
    g.display->UpdateSpectrumGraph();
    EXPECT_EQ(g.display->frameChanged, 0);
    EXPECT_EQ(CountColor(g.canvas(), Rect{0, g.panel().top, g.panel().right, g.panel().bottom}, FrameViolet),
              std::int64_t{g.panel().width} * g.panel().height);
    EXPECT_TRUE(SameBytes(*g.record, *before));
}

TEST(GraphBounds, CountsAreHeldToWhatTheRecordHolds) {
    {
        // Every row the record holds is examined, none beyond; all 600 bins are drawn.
        RecordBuilder builder;
        builder.GraphGeometry(0, 0, false, 10, 1000, 10000).RowFill(202, 5);
        Graph g(builder);
        g.Paint();
        auto expected = WithGraphFlagsLowered(*g.record, kMaxSpectrumRows);
        g.display->UpdateSpectrumGraph();
        EXPECT_EQ(g.display->graphRowCount, 203);
        EXPECT_EQ(g.display->graphBinCount, 600);
        EXPECT_TRUE(SameBytes(*g.record, *expected));
        EXPECT_EQ(g.Column(599, 7), "ccccck.");
        EXPECT_EQ(g.Column(600, 7), ".......");
    }
    {
        // A negative bin count draws no columns: a flagged row is still lowered, but draws nothing.
        RecordBuilder builder;
        builder.GraphGeometry(0, 0, false, 10, 1, -5).RowFill(0, 5);
        Graph g(builder);
        g.Paint();
        g.display->UpdateSpectrumGraph();
        EXPECT_EQ(g.display->graphBinCount, -5);
        EXPECT_EQ(g.record->spectrum_rows[0].changed, 0);
        EXPECT_EQ(g.display->frameChanged, 1);
        EXPECT_EQ(g.Column(0, 7), ".......");
    }
    {
        RecordBuilder builder;
        builder.GraphGeometry(0, 0, false, 10, -3, 10).RowFill(0, 5);
        Graph g(builder);
        g.display->UpdateSpectrumGraph();
        EXPECT_EQ(g.display->graphRowCount, 0);
        EXPECT_EQ(g.record->spectrum_rows[0].changed, 1);
        EXPECT_EQ(g.display->frameChanged, 0);
    }
}

TEST(GraphBounds, NegativeBinCountPlacesTheBoxAndLabelsByItsValue) {
    // N = -200, not mirrored, 400 across: x0 = 460, so the caption starts at 460 - 100 - 20
    // and the last label at 460 - 200 - 40; the front floor runs left from A = 458 to
    // D = 458 - 198.
    RecordBuilder builder;
    builder.GraphGeometry(400, 100, false, 50, 1, -200).Band(250.5, 1, 1000).FrameChanged().RowFill(0, 5);
    Graph g(builder);
    g.display->UpdateSpectrumGraph();
    EXPECT_TRUE(g.TextAt(464, 189, "0.0"));
    EXPECT_TRUE(g.TextAt(340, 189, "Frequency (Hz)"));
    EXPECT_TRUE(g.TextAt(220, 189, "250.500"));
    EXPECT_TRUE(g.Is(300, 186, Grey));
    EXPECT_TRUE(g.Is(261, 186, Grey));
    EXPECT_TRUE(g.Is(260, 160, Grey));  // the front wall on the power side stands at D
    EXPECT_EQ(g.record->spectrum_rows[0].changed, 0);
}

TEST(GraphBounds, PeakHeightWithoutSpanColoursByBottomAndTopOfTheScale) {
    for (const std::int32_t peak : {0, -7, INT_MIN}) {
        SCOPED_TRACE(peak);
        RecordBuilder builder;
        builder.GraphGeometry(0, 0, false, peak, 1, 2).Row(0, {0, 3});
        Graph g(builder);
        g.Paint();
        g.display->UpdateSpectrumGraph();
        EXPECT_EQ(g.Column(0, 2), "k.");
        RgbColor top{};
        HslToRgb(0.75, 0.8, 1.0, top);
        ExpectRgb(g.GraphAt(1, 0), top.red, top.green, top.blue);
        EXPECT_EQ(g.Column(1, 5), "ccck.");
    }
}

TEST(GraphBounds, HostileGeometryDrawsWithoutFault) {
    RecordBuilder builder;
    Graph g(builder);
    SharedStatus& record = *g.record;
    const std::int32_t depthsX[] = {INT_MIN, 0, INT_MAX};
    const std::int32_t depthsY[] = {INT_MIN, -1, 0, INT_MAX};  // -1: the time label's shift divides by it
    const std::int32_t peaks[] = {INT_MIN, -1, 0, INT_MAX};
    // Bandwidths whose label runs past the buffer, whose duration is infinite, or negative.
    const double bandwidths[] = {1e300, 1e-310, -1e-300};
    int round = 0;
    for (const std::int32_t dx : depthsX) {
        for (const std::int32_t dy : depthsY) {
            for (const std::int32_t peak : peaks) {
                for (const std::int32_t mirrored : {0, -1}) {
                    SCOPED_TRACE(testing::Message() << dx << " " << dy << " " << peak << " " << mirrored);
                    record.graph_depth_x = dx;
                    record.graph_depth_y = dy;
                    record.graph_mirrored = mirrored;
                    record.graph_peak_height = peak;
                    record.graph_row_count = 1000;
                    record.graph_bin_count = 10000;
                    record.data_info.bandwidth_hz = bandwidths[round++ % 3];
                    record.data_info.sample_count = UINT32_MAX;
                    for (const std::int32_t j : {0, kMaxSpectrumRows - 1}) {
                        std::memset(record.spectrum_rows[j].values, 255, kMaxSpectrumBins);
                        RaiseFlag(record.spectrum_rows[j].changed);
                    }
                    RaiseFlag(record.graph_frame_changed);
                    auto expected = WithGraphFlagsLowered(record, kMaxSpectrumRows);
                    g.display->UpdateSpectrumGraph();
                    EXPECT_TRUE(SameBytes(record, *expected));
                }
            }
        }
    }
}

TEST(GraphBounds, NothingOfTheGraphLeavesItsPanel) {
    // Samples far above the peak height, depths far past the area and both orientations: every
    // pixel of the screen outside the graph's panel stays as the build left it. The damage
    // would stay too (only flagged items are redrawn), so one look at the end finds any of it.
    RecordBuilder builder;
    builder.Band(1e300, 1, UINT32_MAX);
    Graph g(builder);
    SharedStatus& record = *g.record;
    const Panel& panel = g.panel();
    const Canvas& canvas = g.canvas();
    std::vector<RgbColor> before;
    for (std::int32_t y = 0; y < panel.top; ++y)
        for (std::int32_t x = 0; x < kCanvasWidth; ++x) before.push_back(canvas.PixelAt(x, y));

    const std::int32_t depths[] = {INT_MIN, -900, -300, 0, 250, 900, INT_MAX};
    for (const std::int32_t peak : {1, 2, 3}) {
        for (const std::int32_t dx : depths) {
            for (const std::int32_t dy : depths) {
                for (const std::int32_t mirrored : {0, 1}) {
                    record.graph_depth_x = dx;
                    record.graph_depth_y = dy;
                    record.graph_mirrored = mirrored;
                    record.graph_peak_height = peak;
                    record.graph_row_count = 3;
                    record.graph_bin_count = kMaxSpectrumBins;
                    for (std::int32_t j = 0; j < 3; ++j) {
                        std::memset(record.spectrum_rows[j].values, 255, kMaxSpectrumBins);
                        RaiseFlag(record.spectrum_rows[j].changed);
                    }
                    RaiseFlag(record.graph_frame_changed);
                    g.display->UpdateSpectrumGraph();
                }
            }
        }
    }
    std::size_t changed = 0;
    std::size_t i = 0;
    for (std::int32_t y = 0; y < panel.top; ++y)
        for (std::int32_t x = 0; x < kCanvasWidth; ++x) changed += SameRgb(canvas.PixelAt(x, y), before[i++]) ? 0 : 1;
    EXPECT_EQ(changed, 0u) << "pixels above the graph's panel changed";
    // The panel itself was drawn on: the columns reach its top row.
    std::size_t lit = 0;
    for (std::int32_t x = 0; x < kCanvasWidth; ++x) lit += SameRgb(canvas.PixelAt(x, panel.top), Black) ? 0 : 1;
    EXPECT_GT(lit, 0u);
}
