// The spectrum graph's worst tick: every row of a full record flagged at once, each a row of
// 600 bins near full scale, as after the client's first pass over a work unit.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "common/record_builder.h"
#include "display/status_display.h"

namespace {

std::vector<std::uint8_t> NearFullScaleRow(std::int32_t row, std::int32_t peakHeight) {
    std::vector<std::uint8_t> values(kMaxSpectrumBins);
    for (std::int32_t i = 0; i < kMaxSpectrumBins; ++i) {
        // Heights around the peak with a ripple, so that neighbours differ and the outline
        // takes both of its paths.
        values[i] = static_cast<std::uint8_t>(peakHeight - 10 + (i * 7 + row * 3) % 21);
    }
    return values;
}

void BM_SpectrumGraphFullFrame(benchmark::State& state) {
    constexpr std::int32_t kPeakHeight = 100;
    RecordBuilder builder;
    builder.GraphGeometry(60, 100, false, kPeakHeight, kMaxSpectrumRows, kMaxSpectrumBins);
    for (std::int32_t j = 0; j < kMaxSpectrumRows; ++j) builder.Row(j, NearFullScaleRow(j, kPeakHeight));
    auto record = builder.Build();
    StatusDisplay display(nullptr, nullptr, *record, "no-such-header.bmp");

    for (auto _ : state) {
        for (auto& row : record->spectrum_rows) RaiseFlag(row.changed);
        display.UpdateSpectrumGraph();
        benchmark::DoNotOptimize(display.frameChanged);
    }
    state.SetItemsProcessed(state.iterations() * kMaxSpectrumRows * kMaxSpectrumBins);
}
BENCHMARK(BM_SpectrumGraphFullFrame)->Unit(benchmark::kMillisecond);

void BM_SpectrumGraphFrameRedraw(benchmark::State& state) {
    auto record = RecordBuilder().GraphGeometry(60, 100, true, 100, kMaxSpectrumRows, kMaxSpectrumBins).Build();
    StatusDisplay display(nullptr, nullptr, *record, "no-such-header.bmp");
    for (auto _ : state) {
        RaiseFlag(record->graph_frame_changed);
        display.UpdateSpectrumGraph();
    }
}
BENCHMARK(BM_SpectrumGraphFrameRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
