// The pseudo-3-D spectrum graph in the lower strip of the status screen: a grey wire box,
// the "Power" arrow, frequency and time labels, and one row of coloured columns per
// spectrum, stacked back to front by an oblique shift that the client chooses.
//
// The client writes the geometry and the rows at any time and nothing in the record is
// checked by it, so every value taken from the record is bounded here before it is used:
// counts to what the record can hold, arithmetic in 64 bits, and coordinates brought into
// a range that the canvas can clip without overflowing.

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "record/flag_handshake.h"
#include "screen/status_display.h"

namespace {

// Graph point (x, y) is panel pixel (kGraphLeft + x, baseline - y).
constexpr std::int64_t kGraphLeft = 60;

// Label texts are formatted into buffers of this size; snprintf cuts anything longer.
constexpr std::size_t kLabelBufferSize = 256;

// Hostile geometry puts points billions of pixels away. Such points are brought in to this
// bound before they reach the canvas: it is far off any canvas, so the canvas still clips
// them away, the panel's own offset cannot overflow when added, and it stays inside the
// 27-bit device coordinates that GDI accepts on NT.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 26;

std::int32_t Bounded(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

// Geometry fields are written by the client without a lock: read each whole, once.
std::int32_t ReadShared(const std::int32_t& field) {
    return std::atomic_ref<std::int32_t>(const_cast<std::int32_t&>(field)).load(std::memory_order_relaxed);
}

}  // namespace

namespace {

// Nothing of the graph leaves its panel: a sample above the peak height, or a depth past the
// area offered, would otherwise paint over the text panels and the frame, which are redrawn
// only when their own items change and so would keep the damage.
class ClipToPanel {
public:
    explicit ClipToPanel(const Panel& panel) : canvas_(*panel.canvas) {
        canvas_.ClipTo(Rect{panel.left, panel.top, panel.right, panel.bottom});
    }
    ~ClipToPanel() { canvas_.Unclip(); }
    ClipToPanel(const ClipToPanel&) = delete;
    ClipToPanel& operator=(const ClipToPanel&) = delete;

private:
    Canvas& canvas_;
};

}  // namespace

ItemSet StatusDisplay::UpdateSpectrumGraph(const SharedStatus& from, const ItemSet& items) {
    graphDepthX = ReadShared(from.graph_depth_x);
    graphDepthY = ReadShared(from.graph_depth_y);
    graphMirrored = ReadShared(from.graph_mirrored);
    graphPeakHeight = ReadShared(from.graph_peak_height);
    // The counts index the record's own arrays: a row count past the rows the record holds,
    // or a bin count past a row's values, would read beyond them. A negative row count means
    // none. A negative bin count is kept: the box and labels place it as the formulas do, in
    // 64 bits, while a row draws no columns for it.
    graphRowCount = std::clamp<std::int32_t>(ReadShared(from.graph_row_count), 0, kMaxSpectrumRows);
    graphBinCount = std::min<std::int32_t>(ReadShared(from.graph_bin_count), kMaxSpectrumBins);

    ItemSet drawn;
    const ClipToPanel clip(*graphPanel);
    if (items.Has(RecordItem::GraphFrame)) {
        graphPanel->FillBox(Rect{0, 0, graphWidth, graphHeight}, Black);
        DrawGraphLabels(from);
        DrawGraphBox();
        drawn.Add(RecordItem::GraphFrame);
        frameChanged = 1;
    }

    // Several rows are drawn nearest first, each pixel kept by the first row to reach it: the
    // picture of drawing them farthest first, without painting a pixel of a full frame over
    // some sixty times. A row alone is drawn as it is; it never covers itself.
    std::int32_t wanted[kMaxSpectrumRows];
    std::int32_t count = 0;
    // By the set's bits, back to front: a tick names a few rows of the two hundred, or none.
    for (int word = 0; word < ItemSet::kWords; ++word) {
        for (std::uint32_t bits = items.words[word]; bits != 0; bits &= bits - 1) {
            const std::int32_t j = word * 32 + std::countr_zero(bits) - ItemSet::RowBit(0);
            if (j >= 0 && j < graphRowCount) wanted[count++] = j;
        }
    }
    if (count == 0) return drawn;
    Canvas& target = *graphPanel->canvas;
    if (count > 1) target.BeginFirstWriteWins();
    while (count > 0) {
        const std::int32_t j = wanted[--count];
        DrawSpectrumRow(from.spectrum_rows[j].values, j);
        drawn.AddRow(j);
    }
    if (target.FirstWriteWins()) target.EndFirstWriteWins();
    frameChanged = 1;
    return drawn;
}

void StatusDisplay::UpdateSpectrumGraph() { UpdateSpectrumGraph(*record_, TakeRaisedGraphFlags(*record_)); }

void StatusDisplay::DrawGraphLabels() { DrawGraphLabels(*record_); }

void StatusDisplay::DrawGraphLabels(const SharedStatus& from) {
    DrawPowerAxis();

    const DataInfo& info = from.data_info;
    const double bandwidth = info.bandwidth_hz;
    const std::uint32_t samples = info.sample_count;
    char text[kLabelBufferSize];

    // A bandwidth of 0 or NaN gives the work unit no duration to show: it reads as 0.0 rather
    // than as a division by zero or "nan". A negative one divides as it is.
    const double duration = bandwidth != 0 && !std::isnan(bandwidth) ? static_cast<double>(samples) / bandwidth : 0.0;
    std::snprintf(text, sizeof text, "%5.1f", duration);
    DrawTimeLabels("0", "Time (sec)", text);

    std::snprintf(text, sizeof text, "%5.3f", bandwidth);
    DrawFrequencyLabels("0.0", "Frequency (Hz)", text);
}

void StatusDisplay::DrawPowerAxis() {
    const std::int32_t captionTop = graphHeight - 40;
    const std::int32_t arrowTop = graphHeight - 80;
    std::int32_t ax;
    if (graphMirrored != 0) {
        const TextSize size = canvas->MeasureText("Power");
        graphPanel->PutText(50 - size.width, captionTop, "Power");
        ax = 30;
    } else {
        graphPanel->PutText(graphWidth - 40, captionTop, "Power");
        ax = graphWidth - 25;
    }
    graphPanel->DrawLine(ax, captionTop, ax, arrowTop, Pen::White);
    graphPanel->DrawLine(ax, arrowTop, ax - 6, arrowTop + 6, Pen::White);
    graphPanel->DrawLine(ax, arrowTop, ax + 6, arrowTop + 6, Pen::White);
}

void StatusDisplay::DrawFrequencyLabels(const char* first, const char* caption, const char* last) {
    const std::int32_t y = graphHeight - 16;
    const std::int64_t n = graphBinCount;
    const std::int64_t x0 = graphMirrored != 0 ? kGraphLeft : std::int64_t{graphDepthX} + kGraphLeft;
    graphPanel->PutText(Bounded(x0 + 4), y, first);
    // The caption's left edge sits 20 pixels before the middle of the row, whatever its width.
    graphPanel->PutText(Bounded(x0 + n / 2 - 20), y, caption);
    graphPanel->PutText(Bounded(x0 + n - 40), y, last);
}

void StatusDisplay::DrawTimeLabels(const char* first, const char* caption, const char* last) {
    const std::int64_t dx = graphDepthX;
    const std::int64_t dy = graphDepthY;
    const std::int64_t n = graphBinCount;
    const std::int64_t b = graphBaseline;
    // The first label steps in along the depth edge by one line's worth of height; a depth
    // of 0 gives no slope to follow, so it stays at the edge's foot.
    const std::int64_t s = dy != 0 ? (dx * gLineHeight) / dy : 0;

    const std::int64_t firstY = b - 12;
    const std::int64_t captionY = b - dy / 2 - 6;
    const std::int64_t lastY = b - dy;
    if (graphMirrored != 0) {
        graphPanel->PutText(Bounded(n + 72 + s), Bounded(firstY), first);
        graphPanel->PutText(Bounded(n + 72 + dx / 2), Bounded(captionY), caption);
        graphPanel->PutText(Bounded(n + 72 + dx), Bounded(lastY), last);
        return;
    }
    // On the left of the box each text ends at its point.
    const auto putEndingAt = [this](std::int64_t xEnd, std::int64_t y, const char* text) {
        const TextSize size = canvas->MeasureText(text);
        graphPanel->PutText(Bounded(xEnd - size.width), Bounded(y), text);
    };
    putEndingAt(dx - s + 48, firstY, first);
    putEndingAt(dx / 2 + 48, captionY, caption);
    putEndingAt(48, lastY, last);
}

void StatusDisplay::DrawGraphBox() {
    const std::int64_t dx = graphDepthX;
    const std::int64_t dy = graphDepthY;
    const std::int64_t h = graphPeakHeight;
    const std::int64_t n = graphBinCount;
    const bool mirrored = graphMirrored != 0;

    const std::int64_t a = mirrored ? 58 : 58 + dx;  // front left
    const std::int64_t k = mirrored ? 58 + dx : 58;  // back left
    const std::int64_t d = a + n + 2;                // front right
    const std::int64_t c = k + n + 2;                // back right
    const std::int64_t yF = std::int64_t{graphBaseline} + 1;
    const std::int64_t yK = std::int64_t{graphBaseline} - dy;
    const std::int64_t topF = yF - h;
    const std::int64_t topK = yK - h;

    const auto edge = [this](std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
        graphPanel->DrawLine(Bounded(x1), Bounded(y1), Bounded(x2), Bounded(y2), Pen::Grey);
    };
    edge(a, yF, d, yF);
    edge(a, yF, k, yK);
    edge(k, yK, c, yK);
    edge(d, yF, c, yK);
    // The walls on the power axis's side and at the back; the front face's top edge and the
    // near corner on the other side are left open so the rows can be seen.
    if (mirrored) {
        edge(a, yF, a, topF);
        edge(k, yK, k, topK);
        edge(c, yK, c, topK);
        edge(a, topF, k, topK);
        edge(k, topK, c, topK);
    } else {
        edge(k, yK, k, topK);
        edge(c, yK, c, topK);
        edge(d, yF, d, topF);
        edge(k, topK, c, topK);
        edge(c, topK, d, topF);
    }
}

void StatusDisplay::DrawSpectrumRow(const std::uint8_t* values, std::int32_t row) {
    const std::int32_t n = std::clamp<std::int32_t>(graphBinCount, 0, kMaxSpectrumBins);
    const std::int64_t rows = graphRowCount;
    const bool mirrored = graphMirrored != 0;

    // Row 0 lies farthest back. Without rows to spread the depth over, a row stands at the front.
    std::int64_t xOffset = 0;
    std::int64_t yOffset = 0;
    if (rows > 0) {
        const std::int64_t back = rows - row - 1;
        xOffset = (std::int64_t{graphDepthX} * (mirrored ? back : std::int64_t{row})) / rows;
        yOffset = (std::int64_t{graphDepthY} * back) / rows;
    }

    graphColours.Prepare(n, graphPeakHeight);
    // Only a batch drawn nearest first has columns hidden before they are drawn.
    const bool hiding = canvas->FirstWriteWins();

    // No two columns of a row share a pixel of the canvas (columns that Bounded piles onto
    // one x lie far off it), so their order does not matter when rows are drawn nearest first.
    for (std::int32_t i = 0; i < n; ++i) {
        // Each byte is read once: the client may rewrite the row while it is drawn.
        const std::uint8_t v = values[i];
        const std::int32_t x = Bounded(xOffset + i);
        const std::int64_t top = yOffset + v;

        // Black just above the column (the one pixel at graph height `top`); where the
        // neighbour on the far side of the view is taller, black up to its top, so that the
        // step between them shows as an edge. One run either way: which one depends on the
        // samples, and a branch on them is mispredicted about every other column.
        const std::int32_t neighbour = mirrored ? i + 1 : i - 1;
        const bool hasNeighbour = mirrored ? i < n - 1 : i > 0;
        const std::uint8_t other = hasNeighbour ? values[neighbour] : 0;
        const std::int64_t blackTo = hasNeighbour && other > v ? yOffset + other : top + 1;
        const std::int32_t column = PanelColumn(x);
        const std::int32_t first = PanelRow(Bounded(blackTo));
        const std::int32_t last = PanelRow(Bounded(yOffset));
        if (hiding && graphPanel->ColumnHidden(column, first, last)) continue;
        graphPanel->PlotColumnPair(column, first, PanelRow(Bounded(top)), last, Black, graphColours.Of(i, v));
    }
}

void StatusDisplay::DrawColumnRun(std::int32_t x, std::int32_t yFrom, std::int32_t yTo, const RgbColor& color) {
    if (yFrom >= yTo) return;
    graphPanel->PlotColumn(PanelColumn(x), PanelRow(yTo), PanelRow(yFrom), color);
}

// Graph x is panel column kGraphLeft + x.
std::int32_t StatusDisplay::PanelColumn(std::int64_t x) const { return Bounded(kGraphLeft + x); }

// Graph y runs upward from the baseline: the points yFrom <= y < yTo are the panel rows
// PanelRow(yTo) up to, not including, PanelRow(yFrom).
std::int32_t StatusDisplay::PanelRow(std::int64_t y) const { return Bounded(std::int64_t{graphBaseline} - y + 1); }
