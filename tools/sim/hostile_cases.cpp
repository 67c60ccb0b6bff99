// Values a careless or broken client could leave in the record. The saver trusts the record's
// limits but must not fall over when they are broken; each case breaks one of them and raises
// the flags of the items that read it, so the very next update meets it.
#include <climits>
#include <cstring>
#include <iterator>
#include <limits>

#include "record/hostile_values.h"
#include "record/record_builder.h"
#include "record/record_items.h"
#include "simulator.h"

namespace {

void RaiseTextItems(SharedStatus& r) {
    RaiseItem(r, RecordItem::SearchParams);
    RaiseItem(r, RecordItem::BestPeak);
    RaiseItem(r, RecordItem::BestGaussian);
}

void RaiseGraph(SharedStatus& r) {
    RaiseItem(r, RecordItem::GraphFrame);
    const std::int32_t rows = r.graph_row_count;
    for (std::int32_t j = 0; j < rows && j < kMaxSpectrumRows; ++j) RaiseFlag(r.spectrum_rows[j].changed);
}

void Rows(SharedStatus& r, std::int32_t count) {
    r.graph_row_count = count;
    // Every row that exists goes up: a count past the end must not make the saver look further.
    for (auto& row : r.spectrum_rows) RaiseFlag(row.changed);
    RaiseItem(r, RecordItem::GraphFrame);
}

void Bins(SharedStatus& r, std::int32_t count) {
    r.graph_bin_count = count;
    RaiseGraph(r);
}

void Depth(SharedStatus& r, std::int32_t x, std::int32_t y) {
    r.graph_depth_x = x;
    r.graph_depth_y = y;
    RaiseGraph(r);
}

void PeakHeight(SharedStatus& r, std::int32_t height) {
    r.graph_peak_height = height;
    RaiseGraph(r);
}

void Progress(SharedStatus& r, float fraction) {
    r.progress_fraction = fraction;
    r.step_fraction = fraction;
    RaiseItem(r, RecordItem::Progress);
    RaiseItem(r, RecordItem::StepFraction);
}

void FftLength(SharedStatus& r, std::int32_t length) {
    r.fft_length = length;
    r.best_peak.fft_length = length;
    r.best_gaussian.fft_length = length;
    RaiseTextItems(r);
}

void WrapDivisor(SharedStatus& r, std::int32_t divisor) {
    r.data_info.bin_wrap_divisor = divisor;
    RaiseTextItems(r);
}

void Bandwidth(SharedStatus& r, double hz) {
    r.data_info.bandwidth_hz = hz;
    RaiseTextItems(r);
    RaiseItem(r, RecordItem::DataInfo);
    RaiseItem(r, RecordItem::GraphFrame);
}

struct HostileCase {
    const char* name;
    void (*apply)(SharedStatus&);
};

const HostileCase kCases[] = {
    {"unterminated user name",
     [](SharedStatus& r) {
         SetRecordText(r.user_info.user_name, "Unterminated ", false);
         RaiseItem(r, RecordItem::UserInfo);
     }},
    {"unterminated status text A",
     [](SharedStatus& r) {
         SetRecordText(r.status_text_a, "Status without end ", false);
         RaiseItem(r, RecordItem::StatusTextA);
     }},
    {"unterminated status text B",
     [](SharedStatus& r) {
         SetRecordText(r.status_text_b, "Status B without end ", false);
         RaiseItem(r, RecordItem::StatusTextB);
     }},
    {"unterminated message",
     [](SharedStatus& r) {
         r.message.message_on = 1;
         SetRecordText(r.message.message_line1, "Message line one without end ", false);
         SetRecordText(r.message.message_line2, "Message line two without end ", false);
         RaiseItem(r, RecordItem::Message);
     }},
    {"status text of control and high bytes",
     [](SharedStatus& r) {
         for (std::size_t i = 0; i + 1 < sizeof r.status_text_a; ++i) {
             r.status_text_a[i] = static_cast<char>(1 + (i * 37) % 255);
         }
         r.status_text_a[sizeof r.status_text_a - 1] = '\0';
         RaiseItem(r, RecordItem::StatusTextA);
     }},
    {"row count 204", [](SharedStatus& r) { Rows(r, kMaxSpectrumRows + 1); }},
    {"row count INT_MAX", [](SharedStatus& r) { Rows(r, INT_MAX); }},
    {"row count -1", [](SharedStatus& r) { Rows(r, -1); }},
    {"row count INT_MIN", [](SharedStatus& r) { Rows(r, INT_MIN); }},
    {"bin count 601", [](SharedStatus& r) { Bins(r, kMaxSpectrumBins + 1); }},
    {"bin count 100000", [](SharedStatus& r) { Bins(r, 100000); }},
    {"bin count -7", [](SharedStatus& r) { Bins(r, -7); }},
    {"fft length 0", [](SharedStatus& r) { FftLength(r, 0); }},
    {"fft length -8", [](SharedStatus& r) { FftLength(r, -8); }},
    {"wrap divisor 0", [](SharedStatus& r) { WrapDivisor(r, 0); }},
    {"wrap divisor -3", [](SharedStatus& r) { WrapDivisor(r, -3); }},
    {"wrap divisor INT_MIN", [](SharedStatus& r) { WrapDivisor(r, INT_MIN); }},
    {"bandwidth 0", [](SharedStatus& r) { Bandwidth(r, 0.0); }},
    {"bandwidth -1e300", [](SharedStatus& r) { Bandwidth(r, -1e300); }},
    {"progress NaN", [](SharedStatus& r) { Progress(r, kFloatNaN); }},
    {"progress 1e30", [](SharedStatus& r) { Progress(r, 1e30f); }},
    {"progress -inf", [](SharedStatus& r) { Progress(r, -kFloatInf); }},
    {"ra/dec NaN",
     [](SharedStatus& r) {
         r.data_info.ra_hours = kFloatNaN;
         r.data_info.dec_degrees = kFloatNaN;
         RaiseItem(r, RecordItem::DataInfo);
     }},
    {"ra/dec huge",
     [](SharedStatus& r) {
         r.data_info.ra_hours = 3e38f;
         r.data_info.dec_degrees = -3e38f;
         r.data_info.base_frequency_hz = 1e300;
         RaiseItem(r, RecordItem::DataInfo);
     }},
    {"recording date NaN",
     [](SharedStatus& r) {
         r.data_info.recorded_jd = kNaN;
         r.data_info.data_source = -1;
         RaiseItem(r, RecordItem::DataInfo);
     }},
    {"recording date 1e300",
     [](SharedStatus& r) {
         r.data_info.recorded_jd = 1e300;
         r.data_info.sample_count = 0xFFFFFFFFu;
         RaiseItem(r, RecordItem::DataInfo);
         RaiseItem(r, RecordItem::GraphFrame);
     }},
    {"cpu seconds 1e300",
     [](SharedStatus& r) {
         r.cpu_seconds = 1e300;
         r.user_info.total_cpu_seconds = 1e300;
         r.user_info.units_completed = INT_MIN;
         RaiseItem(r, RecordItem::UserInfo);
         RaiseItem(r, RecordItem::CpuTime);
     }},
    {"cpu seconds -inf NaN",
     [](SharedStatus& r) {
         r.cpu_seconds = -std::numeric_limits<double>::infinity();
         r.user_info.total_cpu_seconds = kNaN;
         RaiseItem(r, RecordItem::UserInfo);
         RaiseItem(r, RecordItem::CpuTime);
     }},
    {"peaks at extreme bins",
     [](SharedStatus& r) {
         r.current_peak = PeakSummary{kFloatInf, kFloatNaN, INT_MIN, INT_MAX, kFloatNaN, 0};
         r.best_peak = PeakSummary{kFloatInf, 1e30f, INT_MIN, INT_MAX, -kFloatInf, INT_MIN};
         r.best_gaussian = GaussianSummary{-kFloatInf, kFloatNaN, 1e30f, INT_MAX, INT_MIN, kFloatNaN, -1};
         r.drift_rate = kFloatNaN;
         RaiseItem(r, RecordItem::CurrentPeak);
         RaiseTextItems(r);
     }},
    {"depth x INT_MIN", [](SharedStatus& r) { Depth(r, INT_MIN, r.graph_depth_y); }},
    {"depth x INT_MAX", [](SharedStatus& r) { Depth(r, INT_MAX, r.graph_depth_y); }},
    {"depth y INT_MIN", [](SharedStatus& r) { Depth(r, r.graph_depth_x, INT_MIN); }},
    {"depth y INT_MAX", [](SharedStatus& r) { Depth(r, r.graph_depth_x, INT_MAX); }},
    {"depth y 0", [](SharedStatus& r) { Depth(r, r.graph_depth_x, 0); }},
    {"depth both INT_MIN with 203 rows",
     [](SharedStatus& r) {
         r.graph_row_count = kMaxSpectrumRows;
         Depth(r, INT_MIN, INT_MIN);
     }},
    {"peak height 0", [](SharedStatus& r) { PeakHeight(r, 0); }},
    {"peak height -40", [](SharedStatus& r) { PeakHeight(r, -40); }},
    {"peak height INT_MIN", [](SharedStatus& r) { PeakHeight(r, INT_MIN); }},
    {"samples far above the peak height",
     [](SharedStatus& r) {
         r.graph_peak_height = 3;
         const std::int32_t rows = r.graph_row_count;
         for (std::int32_t j = 0; j < rows && j < kMaxSpectrumRows; ++j) {
             std::memset(r.spectrum_rows[j].values, 0xFF, kMaxSpectrumBins);
         }
         RaiseGraph(r);
     }},
};

}  // namespace

std::int32_t HostileCaseCount() { return static_cast<std::int32_t>(std::size(kCases)); }

const char* HostileCaseName(std::int32_t index) {
    if (index < 0 || index >= HostileCaseCount()) return "none";
    return kCases[index].name;
}

void ApplyHostileCase(std::int32_t index, SharedStatus& record) {
    if (index < 0 || index >= HostileCaseCount()) return;
    kCases[index].apply(record);
}
