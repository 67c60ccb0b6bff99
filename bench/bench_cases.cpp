#include "bench_cases.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "record/record_builder.h"
#include "record/record_items.h"
#include "screen/status_display.h"
#if defined(_WIN32)
#include "graphics/canvas_win32.h"
#endif
#include "simulator.h"

namespace {

// A record and the display drawn over it, kept alive together by the iteration function.
struct Scene {
    explicit Scene(std::unique_ptr<SharedStatus> record_)
        : owned(std::move(record_)), record(owned.get()), display(*record, "no-such-header.bmp") {}
    // Over the record of a client of its own, which the simulation publishes into.
    explicit Scene(std::unique_ptr<SimRecord> client_)
        : client(std::move(client_)), record(&client->Record()), display(*record, "no-such-header.bmp") {}

    std::unique_ptr<SharedStatus> owned;
    std::unique_ptr<SimRecord> client;
    SharedStatus* record;
    StatusDisplay display;
};

// Heights around `peak` with a ripple, so that neighbours differ and the black outline
// above each column takes both of its paths.
std::vector<std::uint8_t> RippleRow(std::int32_t row, std::int32_t peak, std::int32_t bins) {
    std::vector<std::uint8_t> values(kMaxSpectrumBins);
    for (std::int32_t i = 0; i < bins; ++i) {
        const std::int32_t v = peak - 10 + (i * 7 + row * 3) % 21;
        values[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    return values;
}

// The standard screen's graph at the given peak height and bin count, every row written.
std::shared_ptr<Scene> GraphScene(std::int32_t peak, std::int32_t bins, bool mirrored = false) {
    RecordBuilder builder;
    builder.GraphGeometry(60, 100, mirrored, peak, kMaxSpectrumRows, bins).FrameChanged();
    for (std::int32_t j = 0; j < kMaxSpectrumRows; ++j) builder.Row(j, RippleRow(j, peak, bins));
    auto scene = std::make_shared<Scene>(builder.Build());
    scene->display.Update();
    return scene;
}

std::function<void()> FullFrame(std::int32_t peak) {
    auto scene = GraphScene(peak, kMaxSpectrumBins);
    return [scene] {
        for (SpectrumRow& row : scene->record->spectrum_rows) RaiseFlag(row.changed);
        scene->display.Update();
    };
}

#if defined(_WIN32)
// The path the direct writes replaced, one SetPixelV call a pixel: the figure they are
// measured against.
std::function<void()> FullFrameThroughSetPixel(std::int32_t peak) {
    auto scene = GraphScene(peak, kMaxSpectrumBins);
    scene->display.canvas->native().plotThroughGdi = true;
    return [scene] {
        for (SpectrumRow& row : scene->record->spectrum_rows) RaiseFlag(row.changed);
        scene->display.Update();
    };
}
#endif

// The newest spectrum redrawn at the front, as a steady client's tick brings it. `typical`
// takes the stand-in client's own spectra on the graph it picks for the standard screen
// (512 bins); otherwise a row of 600 bins near full scale, the heaviest a row can be.
std::function<void()> OneRow(bool typical) {
    if (!typical) {
        auto scene = GraphScene(100, kMaxSpectrumBins);
        return [scene] {
            RaiseFlag(scene->record->spectrum_rows[kMaxSpectrumRows - 1].changed);
            scene->display.Update();
        };
    }
    const GraphGeometry g = ChooseGeometry(kDefaultGraphAreaWidth, kDefaultGraphAreaHeight);
    RecordBuilder builder;
    builder.GraphGeometry(g.depthX, g.depthY, g.mirrored != 0, g.peakHeight, g.rows, g.bins).FrameChanged();
    std::vector<std::uint8_t> values(kMaxSpectrumBins);
    for (std::int32_t j = 0; j < g.rows; ++j) {
        SynthesizeSpectrum(1969, j, g, values.data());
        builder.Row(j, values);
    }
    auto scene = std::make_shared<Scene>(builder.Build());
    scene->display.Update();
    // Later spectra, taken in turn for the front row.
    auto spectra = std::make_shared<std::vector<std::vector<std::uint8_t>>>();
    for (std::int32_t k = 0; k < 64; ++k) {
        SynthesizeSpectrum(1969, g.rows + k, g, values.data());
        spectra->push_back(values);
    }
    auto next = std::make_shared<std::size_t>(0);
    const std::int32_t front = g.rows - 1;
    return [scene, spectra, next, front] {
        SpectrumRow& row = scene->record->spectrum_rows[front];
        const std::vector<std::uint8_t>& spectrum = (*spectra)[*next];
        std::copy(spectrum.begin(), spectrum.end(), row.values);
        *next = (*next + 1) % spectra->size();
        RaiseFlag(row.changed);
        scene->display.Update();
    };
}

// A display drawn over the stand-in client's first update, which writes every item.
std::shared_ptr<Scene> FirstUpdateOf(Simulator& simulator) {
    auto scene = std::make_shared<Scene>(std::make_unique<SimRecord>());
    simulator.Step(scene->client->Client());
    scene->display.Update();
    return scene;
}

// The flags that a steady client raises, update by update, replayed over a record that holds
// its data: the work of a tick without the simulation's own cost.
std::function<void()> SteadyTicks() {
    Simulator simulator(SimConfig{1969, Scenario::Steady});
    auto scene = FirstUpdateOf(simulator);

    constexpr int kUpdates = 64;
    auto raised = std::make_shared<std::vector<std::vector<std::int32_t*>>>();
    for (int u = 0; u < kUpdates; ++u) {
        simulator.Step(scene->client->Client());
        std::vector<std::int32_t*> flags;
        for (int i = 0; i < kRecordFlagCount; ++i) {
            std::int32_t& flag = FlagAt(*scene->record, FlagOffsetByIndex(i));
            if (ReadFlag(flag) != 0) flags.push_back(&flag);
        }
        raised->push_back(std::move(flags));
        scene->display.Update();
    }
    auto next = std::make_shared<std::size_t>(0);
    return [scene, raised, next] {
        for (std::int32_t* flag : (*raised)[*next]) RaiseFlag(*flag);
        *next = (*next + 1) % raised->size();
        scene->display.Update();
    };
}

std::function<void()> EveryFlag() {
    Simulator simulator(SimConfig{1969, Scenario::Burst});
    auto scene = FirstUpdateOf(simulator);
    return [scene] {
        for (int i = 0; i < kRecordFlagCount; ++i) RaiseFlag(FlagAt(*scene->record, FlagOffsetByIndex(i)));
        scene->display.Update();
    };
}

}  // namespace

std::vector<BenchCase> AllBenchCases() {
    std::vector<BenchCase> cases = {
        {"full_frame/height_100", [] { return FullFrame(100); }},
        {"full_frame/height_255", [] { return FullFrame(255); }},
        {"frame_redraw",
         [] {
             auto scene = GraphScene(100, kMaxSpectrumBins, true);
             return std::function<void()>([scene] {
                 RaiseItem(*scene->record, RecordItem::GraphFrame);
                 scene->display.Update();
             });
         }},
        {"idle_update",
         [] {
             auto scene = GraphScene(100, kMaxSpectrumBins);
             return std::function<void()>([scene] { scene->display.Update(); });
         }},
        {"one_row/typical_512_bins", [] { return OneRow(true); }},
        {"one_row/600_bins_full_scale", [] { return OneRow(false); }},
        {"steady_tick", [] { return SteadyTicks(); }},
        {"every_flag_tick", [] { return EveryFlag(); }},
#if defined(_WIN32)
        {"full_frame/height_100/through_SetPixelV", [] { return FullFrameThroughSetPixel(100); }},
#endif
    };
    for (BenchCase& c : OverviewBenchCases()) cases.push_back(std::move(c));
    for (BenchCase& c : ClientBenchCases()) cases.push_back(std::move(c));
    for (BenchCase& c : CopyBenchCases()) cases.push_back(std::move(c));
    return cases;
}
