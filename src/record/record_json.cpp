// The record as one JSON object: a member an item, in the record's order, each with whether
// its flag is raised.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "record/inspect.h"
#include "record/record_decode.h"
#include "record/record_items.h"

using orvane::decode::Format;

namespace {

// A JSON value for a number; JSON has no NaN or infinity.
std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    return Format("%.17g", value);
}

// A text field as a JSON string, bounded by its field. A byte that is not printable ASCII goes
// out as the code point of the same number, which reads Latin-1 right.
template <std::size_t N>
std::string JsonText(const char (&field)[N]) {
    return orvane::decode::QuotedEscaped(field, "\\u%04X");
}

// Builds one object: members in the order they are added.
class JsonObject {
public:
    JsonObject& Raw(const char* name, const std::string& value) {
        text_ += (text_.empty() ? "{" : ",") + std::string("\"") + name + "\":" + value;
        return *this;
    }
    JsonObject& Number(const char* name, double value) { return Raw(name, JsonNumber(value)); }
    JsonObject& Int(const char* name, long long value) { return Raw(name, std::to_string(value)); }
    JsonObject& Bool(const char* name, bool value) { return Raw(name, value ? "true" : "false"); }
    std::string Done() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

// A peak and a Gaussian share their members; a Gaussian adds its fit.
template <typename Summary>
JsonObject JsonSummary(const Summary& p, bool changed) {
    JsonObject o;
    o.Bool("changed", changed)
        .Number("power", p.power)
        .Number("score", p.score)
        .Int("freq_bin", p.freq_bin)
        .Int("time_bin", p.time_bin)
        .Number("drift_rate_hz_per_s", p.drift_rate)
        .Int("fft_length", p.fft_length);
    return o;
}

// The rows the count names, each with its flag and the samples the bin count names.
std::string JsonRows(const SharedStatus& r, int rows, int bins) {
    std::string text = "[";
    for (int j = 0; j < rows; ++j) {
        const SpectrumRow& row = r.spectrum_rows[j];
        text += j == 0 ? "{\"changed\":" : ",{\"changed\":";
        text += row.changed != 0 ? "true,\"samples_px\":[" : "false,\"samples_px\":[";
        for (int i = 0; i < bins; ++i) {
            if (i != 0) text += ',';
            text += std::to_string(row.values[i]);
        }
        text += "]}";
    }
    return text + "]";
}

// Each item's member, named in the item table: `changed` is whether its flag is raised.
struct ItemJson {
    RecordItem item;
    std::string (*object)(const SharedStatus& r, bool changed, bool withSamples);
};

constexpr ItemJson kItemJson[] = {
    {RecordItem::StatusTextB,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject().Bool("changed", changed).Raw("text", JsonText(r.status_text_b)).Done();
     }},
    {RecordItem::StatusTextA,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject().Bool("changed", changed).Raw("text", JsonText(r.status_text_a)).Done();
     }},
    {RecordItem::UserInfo,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject()
             .Bool("changed", changed)
             .Raw("name", JsonText(r.user_info.user_name))
             .Int("units_completed", r.user_info.units_completed)
             .Number("total_cpu_seconds", r.user_info.total_cpu_seconds)
             .Done();
     }},
    {RecordItem::DataInfo,
     [](const SharedStatus& r, bool changed, bool) {
         const DataInfo& d = r.data_info;
         return JsonObject()
             .Bool("changed", changed)
             .Number("ra_hours", d.ra_hours)
             .Number("dec_degrees", d.dec_degrees)
             .Number("recorded_jd_days", d.recorded_jd)
             .Int("data_source", d.data_source)
             .Number("base_frequency_hz", d.base_frequency_hz)
             .Number("bandwidth_hz", d.bandwidth_hz)
             .Int("bin_wrap_divisor", d.bin_wrap_divisor)
             .Int("sample_count", d.sample_count)
             .Done();
     }},
    {RecordItem::CpuTime,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject().Bool("changed", changed).Number("seconds", r.cpu_seconds).Done();
     }},
    {RecordItem::Progress,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject().Bool("changed", changed).Number("ratio", r.progress_fraction).Done();
     }},
    {RecordItem::StepFraction,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject().Bool("changed", changed).Number("ratio", r.step_fraction).Done();
     }},
    {RecordItem::SearchParams,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject()
             .Bool("changed", changed)
             .Number("drift_rate_hz_per_s", r.drift_rate)
             .Int("fft_length", r.fft_length)
             .Done();
     }},
    {RecordItem::CurrentPeak,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject().Bool("changed", changed).Number("score", r.current_peak.score).Done();
     }},
    {RecordItem::BestPeak,
     [](const SharedStatus& r, bool changed, bool) { return JsonSummary(r.best_peak, changed).Done(); }},
    {RecordItem::BestGaussian,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonSummary(r.best_gaussian, changed).Number("fit", r.best_gaussian.fit).Done();
     }},
    {RecordItem::Message,
     [](const SharedStatus& r, bool changed, bool) {
         return JsonObject()
             .Bool("changed", changed)
             .Bool("on", r.message.message_on != 0)
             .Raw("line1", JsonText(r.message.message_line1))
             .Raw("line2", JsonText(r.message.message_line2))
             .Done();
     }},
    // The graph: its frame's flag, its geometry and its rows.
    {RecordItem::GraphFrame,
     [](const SharedStatus& r, bool changed, bool withSamples) {
         const int rows = std::clamp(r.graph_row_count, 0, kMaxSpectrumRows);
         const int bins = std::clamp(r.graph_bin_count, 0, kMaxSpectrumBins);
         int raised = 0;
         for (int j = 0; j < rows; ++j) raised += r.spectrum_rows[j].changed != 0 ? 1 : 0;
         return JsonObject()
             .Bool("frame_changed", changed)
             .Int("depth_x_px", r.graph_depth_x)
             .Int("depth_y_px", r.graph_depth_y)
             .Int("mirrored", r.graph_mirrored)
             .Int("peak_height_px", r.graph_peak_height)
             .Int("row_count", r.graph_row_count)
             .Int("bin_count", r.graph_bin_count)
             .Int("rows_raised", raised)
             .Int("bins_shown", bins)
             .Raw("rows", withSamples ? JsonRows(r, rows, bins) : "null")
             .Done();
     }},
};
static_assert(CoversEveryItemInOrder(kItemJson), "every item has its member, at the item's index");

}  // namespace

std::string RecordJson(const unsigned char* bytes, std::size_t size, bool withSamples) {
    if (size < kSharedStatusSize) return JsonObject().Bool("present", false).Int("size_bytes", static_cast<long long>(size)).Done();
    const auto copy = orvane::decode::Copy(bytes);
    const SharedStatus& r = *copy;
    JsonObject o;
    o.Bool("present", true)
        .Int("size_bytes", static_cast<long long>(size))
        .Raw("reader", JsonObject()
                           .Int("saver_attached", r.saver_attached)
                           .Int("priority_class", static_cast<std::uint32_t>(r.saver_priority_class))
                           .Int("graph_area_width_px", r.graph_area_width)
                           .Int("graph_area_height_px", r.graph_area_height)
                           .Done());
    for (const RecordItem item : kItemsInRecordOrder) {
        o.Raw(ItemInfo(item).jsonName, kItemJson[static_cast<int>(item)].object(r, ItemFlag(r, item) != 0, withSamples));
    }
    return o.Done();
}
