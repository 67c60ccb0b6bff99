// The client's mistakes in a record: flags with odd values, texts without an end, and values
// outside what a reader can show, in the words of the fields a client writes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "record/graph_geometry.h"
#include "record/inspect.h"
#include "record/record_decode.h"
#include "record/record_extension.h"
#include "record/record_items.h"
#include "record/record_ranges.h"

using orvane::decode::Count;
using orvane::decode::Format;
using orvane::decode::Terminated;

namespace {

bool AnyBytes(const void* from, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(from);
    for (std::size_t i = 0; i < size; ++i) {
        if (p[i] != 0) return true;
    }
    return false;
}

// The label past the fixed bytes, when the object has the extension: readers show a control
// byte as '?', and cut a label without its ending zero one byte short.
template <typename Note>
void LintLabel(const unsigned char* bytes, std::size_t size, Note note) {
    if (bytes == nullptr || size < kExtendedRecordSize) return;
    // Copied before it is read, so that a dump at any address is checked.
    const unsigned char* at = bytes + kRecordExtensionOffset;
    if (std::memcmp(at, kRecordExtensionMark, sizeof kRecordExtensionMark) != 0) return;
    RecordExtension extension;
    std::memcpy(&extension, at, sizeof extension);
    if (extension.label_sequence % 2 != 0) {
        note(Format("label_sequence is odd (%u): the label was left in the middle of a change, and readers never "
                    "show it",
                    extension.label_sequence));
    }
    const char* end = static_cast<const char*>(std::memchr(extension.label, 0, sizeof extension.label));
    if (end == nullptr) {
        note("unterminated text: label has no zero byte in its field");
        end = extension.label + sizeof extension.label;
    }
    int controls = 0;
    int first = -1;
    for (const char* p = extension.label; p < end; ++p) {
        if (!LabelControlByte(static_cast<unsigned char>(*p))) continue;
        if (controls++ == 0) first = static_cast<int>(p - extension.label);
    }
    if (controls > 0) {
        note(Format("control byte in the label: %d of them, the first 0x%02X at byte %d (readers show '?')", controls,
                    static_cast<unsigned char>(extension.label[first]), first));
    }
}

}  // namespace

std::vector<std::string> LintRecord(const unsigned char* bytes, std::size_t size) {
    std::vector<std::string> found;
    if (size < kSharedStatusSize) {
        found.push_back(Format("record too small: %lu bytes, a record needs %lu", Count(size), Count(kSharedStatusSize)));
        return found;
    }
    const auto copy = orvane::decode::Copy(bytes);
    const SharedStatus& r = *copy;
    auto note = [&found](std::string text) { found.push_back(std::move(text)); };
    auto raised = [&r](RecordItem item) { return ItemFlag(r, item) != 0; };

    for (const RecordItem item : kItemsInRecordOrder) {
        const std::int32_t value = ItemFlag(r, item);
        if (value != 0 && value != 1) note(Format("odd flag value: %s holds %d (raise with 1)", ItemInfo(item).flagName, value));
    }
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        const std::int32_t v = r.spectrum_rows[j].changed;
        if (v != 0 && v != 1) note(Format("odd flag value: spectrum_rows[%d].changed holds %d (raise with 1)", j, v));
    }
    if (r.message.message_on != 0 && r.message.message_on != 1) {
        note(Format("odd flag value: message_on holds %d (0 or 1)", r.message.message_on));
    }

    const std::pair<const char*, bool> texts[] = {{"user_name", Terminated(r.user_info.user_name)},
                                                  {"status_text_a", Terminated(r.status_text_a)},
                                                  {"status_text_b", Terminated(r.status_text_b)},
                                                  {"message_line1", Terminated(r.message.message_line1)},
                                                  {"message_line2", Terminated(r.message.message_line2)}};
    for (const auto& [name, terminated] : texts) {
        if (!terminated) note(Format("unterminated text: %s has no zero byte in its field", name));
    }

    // The ranges are the client library's own (record/record_ranges.h); the words are ours.
    auto fraction = [&note](const char* name, float value) {
        if (!orvane::FractionShowable(value)) note(Format("out of range: %s is %g, not 0 to 1", name, static_cast<double>(value)));
    };
    fraction("progress_fraction", r.progress_fraction);
    fraction("step_fraction", r.step_fraction);
    auto seconds = [&note](const char* name, double value) {
        if (!orvane::SecondsShowable(value)) note(Format("out of range: %s is %g s", name, value));
    };
    seconds("cpu_seconds", r.cpu_seconds);
    seconds("total_cpu_seconds", r.user_info.total_cpu_seconds);

    const DataInfo& d = r.data_info;
    if (raised(RecordItem::DataInfo) || AnyBytes(&d, sizeof d)) {
        const unsigned faults = orvane::DataUnitFaults(d.ra_hours, d.dec_degrees, d.recorded_jd, d.base_frequency_hz,
                                                       d.bandwidth_hz, d.bin_wrap_divisor);
        if (faults & orvane::kBandwidthFault) note(Format("out of range: bandwidth_hz is %g, not above 0", d.bandwidth_hz));
        if (faults & orvane::kWrapDivisorFault) note(Format("out of range: bin_wrap_divisor is %d, below 1", d.bin_wrap_divisor));
        if (faults & orvane::kRightAscensionFault) note(Format("out of range: ra_hours is %g, not 0 to 24", static_cast<double>(d.ra_hours)));
        if (faults & orvane::kDeclinationFault) note(Format("out of range: dec_degrees is %g, not -90 to 90", static_cast<double>(d.dec_degrees)));
        if (faults & orvane::kRecordingDateFault) {
            note(Format("out of range: recorded_jd %g is not a date from 1901 to 2038", d.recorded_jd));
        }
        if (faults & orvane::kBaseFrequencyFault) note("out of range: base_frequency_hz is not a number");
    }
    if (raised(RecordItem::SearchParams) || r.fft_length != 0 || r.drift_rate != 0.0f) {
        const unsigned faults = orvane::SearchFaults(r.drift_rate, r.fft_length);
        if (faults & orvane::kSearchLengthFault) note(Format("out of range: fft_length is %d, below 1", r.fft_length));
        if (faults & orvane::kSearchDriftFault) note("out of range: drift_rate is not a number");
    }
    if (!orvane::CurrentPeakShowable(r.current_peak.score)) note("out of range: current_peak.score is not a number");
    auto summary = [&note](const char* name, float score, std::int32_t bin, std::int32_t timeBin, std::int32_t length) {
        const unsigned faults = orvane::SummaryFaults(score, bin, timeBin, length);
        if (faults & orvane::kSummaryLengthFault) note(Format("out of range: %s.fft_length is %d, below 1", name, length));
        if (faults & orvane::kSummaryBinFault) note(Format("out of range: %s.freq_bin %d is outside its transform of %d", name, bin, length));
        if (faults & orvane::kSummaryTimeBinFault) note(Format("out of range: %s.time_bin is %d, negative", name, timeBin));
        if (faults & orvane::kSummaryScoreFault) note(Format("out of range: %s.score is %g", name, static_cast<double>(score)));
    };
    const PeakSummary& p = r.best_peak;
    if (raised(RecordItem::BestPeak) || AnyBytes(&p, sizeof p)) summary("best_peak", p.score, p.freq_bin, p.time_bin, p.fft_length);
    const GaussianSummary& g = r.best_gaussian;
    if (raised(RecordItem::BestGaussian) || AnyBytes(&g, sizeof g)) summary("best_gaussian", g.score, g.freq_bin, g.time_bin, g.fft_length);

    const orvane::Geometry geometry = orvane::GeometryOf(r);
    if (raised(RecordItem::GraphFrame) || geometry.rows != 0 || geometry.bins != 0) {
        if (geometry.rows < 0 || geometry.rows > kMaxSpectrumRows) note(Format("out of range: graph_row_count is %d, not 0 to %d", geometry.rows, kMaxSpectrumRows));
        if (geometry.bins < 0 || geometry.bins > kMaxSpectrumBins) note(Format("out of range: graph_bin_count is %d, not 0 to %d", geometry.bins, kMaxSpectrumBins));
        if (geometry.depthY == 0) note("out of range: graph_depth_y is 0 (readers divide by it)");
        if (geometry.peakHeight < 1 || geometry.peakHeight > 255) note(Format("out of range: graph_peak_height is %d, not 1 to 255", geometry.peakHeight));
        const orvane::Area area = orvane::UsableArea(r.graph_area_width, r.graph_area_height);
        if (!orvane::Fits(geometry, area.width, area.height)) {
            note(Format("geometry does not fit the offered area %d x %d: bins + |depth_x| + %d = %lld, "
                        "peak height + |depth_y| = %lld",
                        area.width, area.height, orvane::kLabelMargin,
                        static_cast<long long>(geometry.bins) + std::llabs(geometry.depthX) + orvane::kLabelMargin,
                        static_cast<long long>(geometry.peakHeight) + std::llabs(geometry.depthY)));
        }
        const int rows = std::clamp(geometry.rows, 0, kMaxSpectrumRows);
        const int bins = std::clamp(geometry.bins, 0, kMaxSpectrumBins);
        const int peak = std::max(geometry.peakHeight, 0);
        int rowsOver = 0;
        for (int j = 0; j < rows; ++j) {
            int over = 0, highest = 0;
            for (int i = 0; i < bins; ++i) {
                const int v = r.spectrum_rows[j].values[i];
                if (v > peak) {
                    ++over;
                    highest = std::max(highest, v);
                }
            }
            if (over > 0 && ++rowsOver <= 5) {
                note(Format("sample above the peak height: row %d has %d samples above %d (highest %d)", j, over, peak, highest));
            }
        }
        if (rowsOver > 5) note(Format("sample above the peak height: %d more rows", rowsOver - 5));
    }
    LintLabel(bytes, size, note);
    return found;
}
