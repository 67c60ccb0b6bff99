// The graph's columns and pixels are written straight into the canvas's DIB section. Each
// scene here is drawn twice from identical records, once that way and once through
// SetPixelV (the reference), and every 32-bit pixel of the two canvases must be equal: the
// colour packing, the clipping and the flushes between GDI drawing and direct writes all
// show up as a difference somewhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <windows.h>

#include "graphics/canvas_win32.h"
#include "record/record_builder.h"
#include "screen/status_display.h"
#include "simulator.h"

namespace {

// Two displays over two copies of one record: `direct` as the saver draws, `reference`
// through SetPixelV.
struct TwoWays {
    explicit TwoWays(const SharedStatus& source)
        : ownDirect(MakeZeroRecord()), ownReference(MakeZeroRecord()) {
        std::memcpy(ownDirect.get(), &source, sizeof(SharedStatus));
        std::memcpy(ownReference.get(), &source, sizeof(SharedStatus));
        Show(ownDirect.get(), ownReference.get());
    }
    // Over two records that clients publish into.
    TwoWays(SharedStatus& forDirect, SharedStatus& forReference) { Show(&forDirect, &forReference); }

    void Show(SharedStatus* forDirect, SharedStatus* forReference) {
        directRecord = forDirect;
        referenceRecord = forReference;
        direct = std::make_unique<StatusDisplay>(*directRecord, "no-such-header.bmp");
        reference = std::make_unique<StatusDisplay>(*referenceRecord, "no-such-header.bmp");
        reference->canvas->native().plotThroughGdi = true;
    }

    // Writes the same bytes into both records, as a client would between two ticks.
    template <typename Writer>
    void Change(Writer change) {
        change(*directRecord);
        change(*referenceRecord);
    }

    void Update() {
        direct->Update();
        reference->Update();
    }

    std::unique_ptr<SharedStatus> ownDirect;
    std::unique_ptr<SharedStatus> ownReference;
    SharedStatus* directRecord = nullptr;
    SharedStatus* referenceRecord = nullptr;
    std::unique_ptr<StatusDisplay> direct;
    std::unique_ptr<StatusDisplay> reference;
};

std::vector<std::uint32_t> Bits(const StatusDisplay& display) {
    // Reading a pixel flushes GDI's batch; after that the bits are current.
    (void)display.canvas->PixelAt(0, 0);
    const auto* bits = static_cast<const std::uint32_t*>(display.canvasBitmap->native().bits);
    return std::vector<std::uint32_t>(bits, bits + static_cast<std::size_t>(kCanvasWidth) * kCanvasHeight);
}

testing::AssertionResult SameBits(const TwoWays& scene) {
    const std::vector<std::uint32_t> direct = Bits(*scene.direct);
    const std::vector<std::uint32_t> reference = Bits(*scene.reference);
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < direct.size(); ++i) {
        if (direct[i] == reference[i]) continue;
        if (differing++ == 0) first = i;
    }
    if (differing == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure() << differing << " pixels differ; the first at (" << first % kCanvasWidth
                                       << ", " << first / kCanvasWidth << "): direct 0x" << std::hex << direct[first]
                                       << ", SetPixelV 0x" << reference[first];
}

// Heights around `peak` with a ripple, so that neighbours differ and both outline paths run.
std::vector<std::uint8_t> RippleRow(std::int32_t row, std::int32_t peak) {
    std::vector<std::uint8_t> values(kMaxSpectrumBins);
    for (std::int32_t i = 0; i < kMaxSpectrumBins; ++i) {
        const std::int32_t v = peak - 20 + (i * 7 + row * 3) % 41;
        values[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    return values;
}

std::unique_ptr<SharedStatus> FullFrame(bool mirrored, std::int32_t peak) {
    RecordBuilder builder;
    builder.GraphGeometry(60, 100, mirrored, peak, kMaxSpectrumRows, kMaxSpectrumBins).FrameChanged();
    for (std::int32_t j = 0; j < kMaxSpectrumRows; ++j) builder.Row(j, RippleRow(j, peak));
    return builder.Build();
}

void RaiseEveryFlag(SharedStatus& r) {
    for (int i = 0; i < kRecordFlagCount; ++i) RaiseFlag(FlagAt(r, FlagOffsetByIndex(i)));
}

TEST(DirectPixels, FullFramesMatchSetPixelInBothOrientations) {
    for (const bool mirrored : {false, true}) {
        for (const std::int32_t peak : {100, 255}) {
            SCOPED_TRACE(testing::Message() << "mirrored " << mirrored << ", peak height " << peak);
            TwoWays scene(*FullFrame(mirrored, peak));
            scene.Update();
            EXPECT_TRUE(SameBits(scene));
        }
    }
}

TEST(DirectPixels, FrameRedrawOverRowsMatchesSetPixel) {
    // Rows first, then the frame drawn by GDI over them, then rows again on top: the flush
    // must come between the frame's GDI drawing and the next direct write.
    TwoWays scene(*FullFrame(false, 100));
    scene.Update();
    scene.Change([](SharedStatus& r) {
        RaiseFlag(r.graph_frame_changed);
        for (std::int32_t j = 0; j < kMaxSpectrumRows; j += 3) RaiseFlag(r.spectrum_rows[j].changed);
        RaiseFlag(r.status_text_a_changed);
        RaiseFlag(r.progress_changed);
    });
    scene.Update();
    EXPECT_TRUE(SameBits(scene));
}

TEST(DirectPixels, SimulatedClientRecordsWithEveryItemFlaggedMatchSetPixel) {
    for (const Scenario scenario : {Scenario::Steady, Scenario::Burst, Scenario::Hostile}) {
        SCOPED_TRACE(ScenarioName(scenario));
        SimConfig config;
        config.seed = 11;
        config.scenario = scenario;
        // The simulation depends only on its configuration and on what the saver writes
        // back, which both displays write alike: two simulators keep the records equal.
        Simulator forDirect(config);
        Simulator forReference(config);
        SimRecord directClient, referenceClient;
        ASSERT_TRUE(directClient.Open() && referenceClient.Open());
        TwoWays scene(directClient.Record(), referenceClient.Record());
        // Several updates, so that the hostile scenario's bad values get their turn.
        for (int tick = 0; tick < 8; ++tick) {
            forDirect.Step(directClient.Client());
            forReference.Step(referenceClient.Client());
            scene.Change(RaiseEveryFlag);
            scene.Update();
            ASSERT_TRUE(SameBits(scene)) << "after update " << tick;
        }
    }
}

}  // namespace
