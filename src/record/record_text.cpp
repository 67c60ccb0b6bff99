// The record as text, one line an item (the data unit takes two) in the record's order.
#include <algorithm>
#include <cstdint>
#include <string>

#include "record/inspect.h"
#include "record/record_decode.h"
#include "record/record_items.h"

using orvane::decode::Count;
using orvane::decode::Format;
using orvane::decode::Terminated;

namespace {

// A text as it is in its field: bounded, with control and high bytes shown as \xNN.
template <std::size_t N>
std::string Quoted(const char (&field)[N]) {
    const std::string text = orvane::decode::QuotedEscaped(field, "\\x%02X");
    return Terminated(field) ? text : text + " (no terminator)";
}

std::string Flag(std::int32_t value) {
    if (value == 0) return "down";
    if (value == 1) return "raised";
    return Format("raised (odd value %d)", value);
}

// Each item's line: its label, its flag, then what `fields` says of its values.
struct ItemText {
    RecordItem item;
    const char* label;
    std::string (*fields)(const SharedStatus&);
};

constexpr ItemText kItemText[] = {
    {RecordItem::StatusTextB, "status B", [](const SharedStatus& r) { return ": " + Quoted(r.status_text_b) + "\n"; }},
    {RecordItem::StatusTextA, "status A", [](const SharedStatus& r) { return ": " + Quoted(r.status_text_a) + "\n"; }},
    {RecordItem::UserInfo, "user",
     [](const SharedStatus& r) {
         return ": name " + Quoted(r.user_info.user_name) +
                Format(", units %d, total CPU %.1f s\n", r.user_info.units_completed, r.user_info.total_cpu_seconds);
     }},
    {RecordItem::DataInfo, "data unit",
     [](const SharedStatus& r) {
         const DataInfo& d = r.data_info;
         return Format(": RA %.4f h, Dec %.4f deg, recorded JD %.5f, source %d\n", static_cast<double>(d.ra_hours),
                       static_cast<double>(d.dec_degrees), d.recorded_jd, d.data_source) +
                Format("              base %.3f Hz, bandwidth %.3f Hz, bin wrap divisor %d, samples %u\n",
                       d.base_frequency_hz, d.bandwidth_hz, d.bin_wrap_divisor, d.sample_count);
     }},
    {RecordItem::CpuTime, "CPU time", [](const SharedStatus& r) { return Format(": %.1f s\n", r.cpu_seconds); }},
    {RecordItem::Progress, "progress",
     [](const SharedStatus& r) { return Format(": %.4f\n", static_cast<double>(r.progress_fraction)); }},
    {RecordItem::StepFraction, "step",
     [](const SharedStatus& r) { return Format(": %.4f\n", static_cast<double>(r.step_fraction)); }},
    {RecordItem::SearchParams, "search",
     [](const SharedStatus& r) {
         return Format(": drift rate %.4f Hz/s, transform length %d\n", static_cast<double>(r.drift_rate), r.fft_length);
     }},
    {RecordItem::CurrentPeak, "current peak",
     [](const SharedStatus& r) { return Format(": score %.3f\n", static_cast<double>(r.current_peak.score)); }},
    {RecordItem::BestPeak, "best peak",
     [](const SharedStatus& r) {
         const PeakSummary& p = r.best_peak;
         return Format(": power %.2f, score %.3f, bin %d, time bin %d, drift %.3f, length %d\n",
                       static_cast<double>(p.power), static_cast<double>(p.score), p.freq_bin, p.time_bin,
                       static_cast<double>(p.drift_rate), p.fft_length);
     }},
    {RecordItem::BestGaussian, "best Gaussian",
     [](const SharedStatus& r) {
         const GaussianSummary& g = r.best_gaussian;
         return Format(": score %.3f, power %.2f, fit %.3f, bin %d, time bin %d, drift %.3f, length %d\n",
                       static_cast<double>(g.score), static_cast<double>(g.power), static_cast<double>(g.fit),
                       g.freq_bin, g.time_bin, static_cast<double>(g.drift_rate), g.fft_length);
     }},
    {RecordItem::Message, "message",
     [](const SharedStatus& r) {
         return (r.message.message_on != 0 ? ": on, " : ": off, ") + Quoted(r.message.message_line1) + " / " +
                Quoted(r.message.message_line2) + "\n";
     }},
    // The graph's line names the frame's flag; its rows have a line of their own.
    {RecordItem::GraphFrame, "graph         frame",
     [](const SharedStatus& r) {
         return Format(": depth %d x %d, mirrored %d, peak height %d, rows %d, bins %d\n", r.graph_depth_x,
                       r.graph_depth_y, r.graph_mirrored, r.graph_peak_height, r.graph_row_count, r.graph_bin_count);
     }},
};
static_assert(CoversEveryItemInOrder(kItemText), "every item has its line, at the item's index");

}  // namespace

std::string DescribeRecord(const unsigned char* bytes, std::size_t size) {
    if (size < kSharedStatusSize) {
        return Format("record: %lu bytes, too small for a record (%lu)\n", Count(size), Count(kSharedStatusSize));
    }
    const auto copy = orvane::decode::Copy(bytes);
    const SharedStatus& r = *copy;
    std::string s = Format("record: %lu bytes\n", Count(size));
    s += Format("reader: attached %d, priority class 0x%X, graph area %d x %d\n", r.saver_attached,
                static_cast<unsigned>(r.saver_priority_class), r.graph_area_width, r.graph_area_height);
    for (const RecordItem item : kItemsInRecordOrder) {
        const ItemText& text = kItemText[static_cast<int>(item)];
        s += Format("%-13s ", text.label) + Flag(ItemFlag(r, item)) + text.fields(r);
    }
    const int rows = std::clamp(r.graph_row_count, 0, kMaxSpectrumRows);
    const int bins = std::clamp(r.graph_bin_count, 0, kMaxSpectrumBins);
    int raised = 0, tallest = 0;
    for (int j = 0; j < rows; ++j) {
        raised += r.spectrum_rows[j].changed != 0 ? 1 : 0;
        for (int i = 0; i < bins; ++i) tallest = std::max<int>(tallest, r.spectrum_rows[j].values[i]);
    }
    s += Format("rows          %d of %d raised, tallest sample %d\n", raised, rows, tallest);
    return s;
}
