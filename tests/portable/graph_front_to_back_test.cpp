// The graph draws its flagged rows nearest first, each pixel kept by the first row to reach it.
// That must give exactly the picture of the plain painter's order, farthest row first and
// every pixel overwritten by whatever comes after it: here the painter is the display's own
// row drawing, called row by row in that order, and every pixel of the canvas is compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "record/record_builder.h"
#include "common/test_canvas.h"
#include "screen/status_display.h"

namespace {

constexpr Rect kWholeCanvas{0, 0, kCanvasWidth, kCanvasHeight};

struct Geometry {
    std::int32_t depthX, depthY;
    bool mirrored;
    std::int32_t peak, rows, bins;
};

struct Drawn {
    std::unique_ptr<SharedStatus> record;
    std::unique_ptr<StatusDisplay> display;
};

Drawn Build(const Geometry& g, const std::vector<std::vector<std::uint8_t>>& rows) {
    RecordBuilder builder;
    builder.GraphGeometry(g.depthX, g.depthY, g.mirrored, g.peak, g.rows, g.bins).FrameChanged();
    for (std::size_t j = 0; j < rows.size(); ++j) builder.Row(static_cast<std::int32_t>(j), rows[j]);
    Drawn drawn{builder.Build(), nullptr};
    drawn.display = std::make_unique<StatusDisplay>(*drawn.record, "no-such-header.bmp");
    return drawn;
}

// The painter's order: each flagged row from the back (row 0) forward, kept to the graph's
// panel as the update keeps it.
void PaintFarthestFirst(Drawn& drawn, const std::vector<bool>& flagged) {
    const Panel& panel = *drawn.display->graphPanel;
    drawn.display->canvas->ClipTo(Rect{panel.left, panel.top, panel.right, panel.bottom});
    for (std::size_t j = 0; j < flagged.size(); ++j) {
        if (flagged[j]) drawn.display->DrawSpectrumRow(drawn.record->spectrum_rows[j].values, static_cast<std::int32_t>(j));
    }
    drawn.display->canvas->Unclip();
}

void UpdateAsTheSaverDoes(Drawn& drawn, const std::vector<bool>& flagged) {
    for (std::size_t j = 0; j < flagged.size(); ++j) WriteFlag(drawn.record->spectrum_rows[j].changed, flagged[j] ? 1 : 0);
    drawn.display->UpdateSpectrumGraph();
}

// Both displays first draw the frame and every row alike; then `flagged` rows get new values
// (`later`, when given) and are drawn, the one display by the painter, the other by Update.
testing::AssertionResult SamePicture(const Geometry& g, const std::vector<std::vector<std::uint8_t>>& rows,
                                     const std::vector<bool>& flagged,
                                     const std::vector<std::vector<std::uint8_t>>& later = {}) {
    Drawn painter = Build(g, rows);
    Drawn saver = Build(g, rows);
    for (Drawn* drawn : {&painter, &saver}) {
        drawn->display->UpdateSpectrumGraph();
        for (std::size_t j = 0; j < later.size(); ++j) {
            std::copy(later[j].begin(), later[j].end(), drawn->record->spectrum_rows[j].values);
        }
    }
    PaintFarthestFirst(painter, flagged);
    UpdateAsTheSaverDoes(saver, flagged);
    if (SamePixels(*painter.display->canvas, *saver.display->canvas, kWholeCanvas)) return testing::AssertionSuccess();
    std::int64_t differing = 0;
    for (std::int32_t y = 0; y < kCanvasHeight; ++y) {
        for (std::int32_t x = 0; x < kCanvasWidth; ++x) {
            differing += SameRgb(painter.display->canvas->PixelAt(x, y), saver.display->canvas->PixelAt(x, y)) ? 0 : 1;
        }
    }
    return testing::AssertionFailure() << differing << " pixels differ for depth " << g.depthX << " x " << g.depthY
                                       << (g.mirrored ? ", mirrored" : "") << ", peak " << g.peak << ", " << g.rows
                                       << " rows of " << g.bins << " bins";
}

std::vector<std::vector<std::uint8_t>> RippleRows(std::int32_t peak) {
    std::vector<std::vector<std::uint8_t>> rows(kMaxSpectrumRows, std::vector<std::uint8_t>(kMaxSpectrumBins));
    for (std::int32_t j = 0; j < kMaxSpectrumRows; ++j) {
        for (std::int32_t i = 0; i < kMaxSpectrumBins; ++i) {
            const std::int32_t v = peak - 20 + (i * 7 + j * 3) % 41;
            rows[j][i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
    return rows;
}

TEST(GraphFrontToBack, FullFramesLookAsIfPaintedFarthestFirst) {
    const std::vector<bool> all(kMaxSpectrumRows, true);
    for (const bool mirrored : {false, true}) {
        for (const std::int32_t peak : {100, 255}) {
            EXPECT_TRUE(SamePicture({60, 100, mirrored, peak, kMaxSpectrumRows, kMaxSpectrumBins}, RippleRows(peak), all));
        }
    }
}

TEST(GraphFrontToBack, AnyGeometryAndAnyRowsFlaggedLookAsIfPaintedFarthestFirst) {
    // Depths either way, gaps between rows, rows taller than the panel, empty rows, and rows
    // left unflagged between flagged ones (whose old pixels the flagged ones paint over).
    std::mt19937 random(8122026);
    const auto below = [&random](std::int32_t bound) { return static_cast<std::int32_t>(random() % bound); };
    for (int scene = 0; scene < 40; ++scene) {
        const Geometry g{below(601) - 300, below(601) - 300, below(2) == 1, below(300) - 20,
                         1 + below(kMaxSpectrumRows), below(kMaxSpectrumBins + 1)};
        const auto randomRows = [&] {
            std::vector<std::vector<std::uint8_t>> rows(g.rows, std::vector<std::uint8_t>(kMaxSpectrumBins));
            for (auto& row : rows) {
                const std::int32_t kind = below(3);
                for (auto& v : row) v = static_cast<std::uint8_t>(kind == 0 ? 0 : kind == 1 ? below(256) : 40 + below(9));
            }
            return rows;
        };
        const auto rows = randomRows();
        const auto later = randomRows();
        std::vector<bool> flagged(g.rows);
        for (std::size_t j = 0; j < flagged.size(); ++j) flagged[j] = below(4) != 0;
        EXPECT_TRUE(SamePicture(g, rows, flagged, later)) << "scene " << scene;
    }
}

}  // namespace
