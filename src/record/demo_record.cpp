#include "record/demo_record.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "record/record_builder.h"
#include "record/record_items.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// One power spectrum: a noise floor, two carriers drifting across the rows and a Gaussian
// bump that rises and falls with time.
void FillSpectrumRow(SpectrumRow& row, int rowIndex, int bins, int peakHeight, std::mt19937& random) {
    std::exponential_distribution<double> noise(1.0);
    for (int i = 0; i < bins; ++i) {
        double power = 0.05 * peakHeight * noise(random);
        const double carrier1 = 120.0 + 0.8 * rowIndex;
        const double carrier2 = 400.0 - 0.5 * rowIndex;
        power += 0.7 * peakHeight * std::exp(-0.5 * std::pow((i - carrier1) / 1.5, 2.0));
        power += 0.45 * peakHeight * std::exp(-0.5 * std::pow((i - carrier2) / 2.0, 2.0));
        const double bump = std::sin(kPi * rowIndex / 40.0);
        power += 0.35 * peakHeight * bump * bump * std::exp(-0.5 * std::pow((i - 300.0) / 18.0, 2.0));
        row.values[i] = static_cast<std::uint8_t>(std::clamp(power, 0.0, static_cast<double>(peakHeight)));
    }
}

}  // namespace

void FillDemoRecord(SharedStatus& record, std::uint32_t seed) {
    std::mt19937 random(seed);
    SetRecordText(record.user_info.user_name, "Mira Tolvanen");
    record.user_info.units_completed = 137;
    record.user_info.total_cpu_seconds = 1234567.8;
    RaiseItem(record, RecordItem::UserInfo);

    auto& info = record.data_info;
    info.ra_hours = 18.61f;
    info.dec_degrees = 38.78f;
    info.recorded_jd = 2451545.0 + 1234.375;
    info.base_frequency_hz = 1.4204e9;
    info.bandwidth_hz = 9765.625;
    info.bin_wrap_divisor = 1;
    info.data_source = 2;
    info.sample_count = 1048576;
    RaiseItem(record, RecordItem::DataInfo);

    SetRecordText(record.status_text_a, "Searching for Gaussians");
    RaiseItem(record, RecordItem::StatusTextA);
    record.progress_fraction = 0.4321f;
    RaiseItem(record, RecordItem::Progress);
    record.step_fraction = 0.62f;
    RaiseItem(record, RecordItem::StepFraction);
    record.cpu_seconds = 8123.4;
    RaiseItem(record, RecordItem::CpuTime);
    record.drift_rate = -2.3125f;
    record.fft_length = 2048;
    RaiseItem(record, RecordItem::SearchParams);
    record.current_peak = PeakSummary{9.1f, 0.38f, 311, 40, -2.3125f, 2048};
    RaiseItem(record, RecordItem::CurrentPeak);
    record.best_peak = PeakSummary{21.57f, 0.71f, 1622, 97, 1.125f, 4096};
    RaiseItem(record, RecordItem::BestPeak);
    record.best_gaussian = GaussianSummary{7.9f, 3.42f, 1.287f, 205, 12, 0.5f, 1024};
    RaiseItem(record, RecordItem::BestGaussian);
    record.message.message_on = 0;
    RaiseItem(record, RecordItem::Message);

    const int bins = 512;
    const int rows = 40;
    const int peakHeight = 60;
    record.graph_depth_x = 60;
    record.graph_depth_y = 100;
    record.graph_mirrored = 0;
    record.graph_peak_height = peakHeight;
    record.graph_row_count = rows;
    record.graph_bin_count = bins;
    RaiseItem(record, RecordItem::GraphFrame);
    for (int j = 0; j < rows; ++j) {
        FillSpectrumRow(record.spectrum_rows[j], j, bins, peakHeight, random);
        RaiseFlag(record.spectrum_rows[j].changed);
    }
}
