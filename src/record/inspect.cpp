#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "cli/command_line.h"
#include "record/graph_geometry.h"
#include "record/inspect.h"
#include "record/record_ranges.h"
#include "record/shared_status.h"

const char kInspectUsage[] =
    "usage: orvane-inspect [--record FILE | --name NAME] [--lint] [--watch [--interval S] [--count N]]\n"
    "\n"
    "Prints the shared record: the live one (POSIX shared memory /orvane_share, a named file\n"
    "mapping on Windows), opened read-only, or a dump of one given with --record.\n"
    "\n"
    "  --record FILE   a record's bytes (orvane-sim --dump) instead of the live record\n"
    "  --name NAME     the live record's name (default orvane_share)\n"
    "  --lint          after the record, list the client's mistakes; exit status 1 if any\n"
    "  --watch         print it again, in place, until interrupted\n"
    "  --interval S    seconds between the prints of --watch (default 0.5)\n"
    "  --count N       with --watch: stop after N prints\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0; 1 when --lint found mistakes; 2 for a bad command line or an unreadable record.\n";

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Sizes for printf: %zu is not in every C library the Windows build may meet.
unsigned long Count(std::size_t n) { return static_cast<unsigned long>(n); }

// The record copied out of the bytes, aligned for its doubles.
std::unique_ptr<SharedStatus> Copy(const unsigned char* bytes) {
    auto record = std::make_unique<SharedStatus>();
    std::memcpy(record.get(), bytes, sizeof(SharedStatus));
    return record;
}

template <std::size_t N>
bool Terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

// A text as it is in its field: bounded, with control and high bytes shown as \xNN.
template <std::size_t N>
std::string Quoted(const char (&field)[N]) {
    std::string text = "\"";
    for (std::size_t i = 0; i < N && field[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            text += Format("\\x%02X", c);
        } else {
            text += static_cast<char>(c);
        }
    }
    text += "\"";
    if (!Terminated(field)) text += " (no terminator)";
    return text;
}

std::string Flag(std::int32_t value) {
    if (value == 0) return "down";
    if (value == 1) return "raised";
    return Format("raised (odd value %d)", value);
}

struct NamedFlag {
    const char* name;
    std::int32_t value;
};

std::vector<NamedFlag> ItemFlags(const SharedStatus& r) {
    return {{"user_info_changed", r.user_info_changed},
            {"data_info_changed", r.data_info_changed},
            {"status_text_a_changed", r.status_text_a_changed},
            {"status_text_b_changed", r.status_text_b_changed},
            {"progress_changed", r.progress_changed},
            {"step_fraction_changed", r.step_fraction_changed},
            {"cpu_time_changed", r.cpu_time_changed},
            {"search_params_changed", r.search_params_changed},
            {"current_peak_changed", r.current_peak_changed},
            {"best_peak_changed", r.best_peak_changed},
            {"best_gaussian_changed", r.best_gaussian_changed},
            {"message_changed", r.message_changed},
            {"graph_frame_changed", r.graph_frame_changed}};
}

bool AnyBytes(const void* from, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(from);
    for (std::size_t i = 0; i < size; ++i) {
        if (p[i] != 0) return true;
    }
    return false;
}

orvane::Geometry GeometryOf(const SharedStatus& r) {
    return {r.graph_depth_x, r.graph_depth_y, r.graph_mirrored, r.graph_peak_height, r.graph_row_count,
            r.graph_bin_count};
}

}  // namespace

std::string DescribeRecord(const unsigned char* bytes, std::size_t size) {
    if (size < kSharedStatusSize) {
        return Format("record: %lu bytes, too small for a record (%lu)\n", Count(size), Count(kSharedStatusSize));
    }
    const auto copy = Copy(bytes);
    const SharedStatus& r = *copy;
    const DataInfo& d = r.data_info;
    std::string s = Format("record: %lu bytes\n", Count(size));
    s += Format("reader: attached %d, priority class 0x%X, graph area %d x %d\n", r.saver_attached,
                static_cast<unsigned>(r.saver_priority_class), r.graph_area_width, r.graph_area_height);
    s += "user          " + Flag(r.user_info_changed) + ": name " + Quoted(r.user_info.user_name) +
         Format(", units %d, total CPU %.1f s\n", r.user_info.units_completed, r.user_info.total_cpu_seconds);
    s += "data unit     " + Flag(r.data_info_changed) +
         Format(": RA %.4f h, Dec %.4f deg, recorded JD %.5f, source %d\n", static_cast<double>(d.ra_hours),
                static_cast<double>(d.dec_degrees), d.recorded_jd, d.data_source) +
         Format("              base %.3f Hz, bandwidth %.3f Hz, bin wrap divisor %d, samples %u\n",
                d.base_frequency_hz, d.bandwidth_hz, d.bin_wrap_divisor, d.sample_count);
    s += "status A      " + Flag(r.status_text_a_changed) + ": " + Quoted(r.status_text_a) + "\n";
    s += "status B      " + Flag(r.status_text_b_changed) + ": " + Quoted(r.status_text_b) + "\n";
    s += "progress      " + Flag(r.progress_changed) + Format(": %.4f\n", static_cast<double>(r.progress_fraction));
    s += "step          " + Flag(r.step_fraction_changed) + Format(": %.4f\n", static_cast<double>(r.step_fraction));
    s += "CPU time      " + Flag(r.cpu_time_changed) + Format(": %.1f s\n", r.cpu_seconds);
    s += "search        " + Flag(r.search_params_changed) +
         Format(": drift rate %.4f Hz/s, transform length %d\n", static_cast<double>(r.drift_rate), r.fft_length);
    const PeakSummary& c = r.current_peak;
    s += "current peak  " + Flag(r.current_peak_changed) + Format(": score %.3f\n", static_cast<double>(c.score));
    const PeakSummary& p = r.best_peak;
    s += "best peak     " + Flag(r.best_peak_changed) +
         Format(": power %.2f, score %.3f, bin %d, time bin %d, drift %.3f, length %d\n", static_cast<double>(p.power),
                static_cast<double>(p.score), p.freq_bin, p.time_bin, static_cast<double>(p.drift_rate), p.fft_length);
    const GaussianSummary& g = r.best_gaussian;
    s += "best Gaussian " + Flag(r.best_gaussian_changed) +
         Format(": score %.3f, power %.2f, fit %.3f, bin %d, time bin %d, drift %.3f, length %d\n",
                static_cast<double>(g.score), static_cast<double>(g.power), static_cast<double>(g.fit), g.freq_bin,
                g.time_bin, static_cast<double>(g.drift_rate), g.fft_length);
    s += "message       " + Flag(r.message_changed) + (r.message.message_on != 0 ? ": on, " : ": off, ") +
         Quoted(r.message.message_line1) + " / " + Quoted(r.message.message_line2) + "\n";
    s += "graph         frame " + Flag(r.graph_frame_changed) +
         Format(": depth %d x %d, mirrored %d, peak height %d, rows %d, bins %d\n", r.graph_depth_x, r.graph_depth_y,
                r.graph_mirrored, r.graph_peak_height, r.graph_row_count, r.graph_bin_count);
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
    std::string text = "\"";
    for (std::size_t i = 0; i < N && field[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            text += Format("\\u%04X", c);
        } else {
            text += static_cast<char>(c);
        }
    }
    return text + "\"";
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

}  // namespace

std::string RecordJson(const unsigned char* bytes, std::size_t size, bool withSamples) {
    if (size < kSharedStatusSize) return JsonObject().Bool("present", false).Int("size_bytes", static_cast<long long>(size)).Done();
    const auto copy = Copy(bytes);
    const SharedStatus& r = *copy;
    const DataInfo& d = r.data_info;
    const int rows = std::clamp(r.graph_row_count, 0, kMaxSpectrumRows);
    const int bins = std::clamp(r.graph_bin_count, 0, kMaxSpectrumBins);
    int raised = 0;
    for (int j = 0; j < rows; ++j) raised += r.spectrum_rows[j].changed != 0 ? 1 : 0;
    JsonObject o;
    o.Bool("present", true)
        .Int("size_bytes", static_cast<long long>(size))
        .Raw("reader", JsonObject()
                           .Int("saver_attached", r.saver_attached)
                           .Int("priority_class", static_cast<std::uint32_t>(r.saver_priority_class))
                           .Int("graph_area_width_px", r.graph_area_width)
                           .Int("graph_area_height_px", r.graph_area_height)
                           .Done())
        .Raw("user", JsonObject()
                         .Bool("changed", r.user_info_changed != 0)
                         .Raw("name", JsonText(r.user_info.user_name))
                         .Int("units_completed", r.user_info.units_completed)
                         .Number("total_cpu_seconds", r.user_info.total_cpu_seconds)
                         .Done())
        .Raw("data_unit", JsonObject()
                              .Bool("changed", r.data_info_changed != 0)
                              .Number("ra_hours", d.ra_hours)
                              .Number("dec_degrees", d.dec_degrees)
                              .Number("recorded_jd_days", d.recorded_jd)
                              .Int("data_source", d.data_source)
                              .Number("base_frequency_hz", d.base_frequency_hz)
                              .Number("bandwidth_hz", d.bandwidth_hz)
                              .Int("bin_wrap_divisor", d.bin_wrap_divisor)
                              .Int("sample_count", d.sample_count)
                              .Done())
        .Raw("status_a", JsonObject().Bool("changed", r.status_text_a_changed != 0).Raw("text", JsonText(r.status_text_a)).Done())
        .Raw("status_b", JsonObject().Bool("changed", r.status_text_b_changed != 0).Raw("text", JsonText(r.status_text_b)).Done())
        .Raw("progress", JsonObject().Bool("changed", r.progress_changed != 0).Number("ratio", r.progress_fraction).Done())
        .Raw("step", JsonObject().Bool("changed", r.step_fraction_changed != 0).Number("ratio", r.step_fraction).Done())
        .Raw("cpu_time", JsonObject().Bool("changed", r.cpu_time_changed != 0).Number("seconds", r.cpu_seconds).Done())
        .Raw("search", JsonObject()
                           .Bool("changed", r.search_params_changed != 0)
                           .Number("drift_rate_hz_per_s", r.drift_rate)
                           .Int("fft_length", r.fft_length)
                           .Done())
        .Raw("current_peak", JsonObject().Bool("changed", r.current_peak_changed != 0).Number("score", r.current_peak.score).Done())
        .Raw("best_peak", JsonSummary(r.best_peak, r.best_peak_changed != 0).Done())
        .Raw("best_gaussian", JsonSummary(r.best_gaussian, r.best_gaussian_changed != 0).Number("fit", r.best_gaussian.fit).Done())
        .Raw("message", JsonObject()
                            .Bool("changed", r.message_changed != 0)
                            .Bool("on", r.message.message_on != 0)
                            .Raw("line1", JsonText(r.message.message_line1))
                            .Raw("line2", JsonText(r.message.message_line2))
                            .Done())
        .Raw("graph", JsonObject()
                          .Bool("frame_changed", r.graph_frame_changed != 0)
                          .Int("depth_x_px", r.graph_depth_x)
                          .Int("depth_y_px", r.graph_depth_y)
                          .Int("mirrored", r.graph_mirrored)
                          .Int("peak_height_px", r.graph_peak_height)
                          .Int("row_count", r.graph_row_count)
                          .Int("bin_count", r.graph_bin_count)
                          .Int("rows_raised", raised)
                          .Int("bins_shown", bins)
                          .Raw("rows", withSamples ? JsonRows(r, rows, bins) : "null")
                          .Done());
    return o.Done();
}

std::vector<std::string> LintRecord(const unsigned char* bytes, std::size_t size) {
    std::vector<std::string> found;
    if (size < kSharedStatusSize) {
        found.push_back(Format("record too small: %lu bytes, a record needs %lu", Count(size), Count(kSharedStatusSize)));
        return found;
    }
    const auto copy = Copy(bytes);
    const SharedStatus& r = *copy;
    auto note = [&found](std::string text) { found.push_back(std::move(text)); };

    for (const NamedFlag& flag : ItemFlags(r)) {
        if (flag.value != 0 && flag.value != 1) note(Format("odd flag value: %s holds %d (raise with 1)", flag.name, flag.value));
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

    // The ranges are the client library's own (shared/record_ranges.h); the words are ours.
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
    if (r.data_info_changed != 0 || AnyBytes(&d, sizeof d)) {
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
    if (r.search_params_changed != 0 || r.fft_length != 0 || r.drift_rate != 0.0f) {
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
    if (r.best_peak_changed != 0 || AnyBytes(&p, sizeof p)) summary("best_peak", p.score, p.freq_bin, p.time_bin, p.fft_length);
    const GaussianSummary& g = r.best_gaussian;
    if (r.best_gaussian_changed != 0 || AnyBytes(&g, sizeof g)) summary("best_gaussian", g.score, g.freq_bin, g.time_bin, g.fft_length);

    const orvane::Geometry geometry = GeometryOf(r);
    if (r.graph_frame_changed != 0 || geometry.rows != 0 || geometry.bins != 0) {
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
    return found;
}

bool ParseInspectOptions(const std::vector<std::string>& args, InspectOptions& options, std::string& error) {
    const bool read =
        cli::OptionReader()
            .Text("--record", options.recordPath)
            .Value("--name",
                   [&options](const std::string& name) {
                       options.name = name;
                       return !name.empty() && name.find('/') == std::string::npos;
                   },
                   "--name takes a record name without slashes")
            .Switch({"--lint"}, options.lint)
            .Switch({"--watch"}, options.watch)
            .Decimal("--interval", options.interval, [](double s) { return s >= 0.01 && s <= 3600; },
                     "--interval takes 0.01 to 3600 seconds")
            .Value("--count",
                   [&options](const std::string& text) {
                       double number = 0;
                       if (!cli::ReadDecimal(text, number) || number < 1 || number != std::floor(number) || number > 1e9) {
                           return false;
                       }
                       options.count = static_cast<long>(number);
                       return true;
                   },
                   "--count takes a whole number of 1 or more")
            .Switch({"--help", "-h"}, options.help)
            .Read(args, error);
    if (read && !options.recordPath.empty() && options.watch) {
        error = "--watch is for the live record, not a dump";
        return false;
    }
    return read;
}

namespace {

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) {
        error = "cannot open record file '" + path + "'";
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    return true;
}

}  // namespace

int RunInspect(const InspectOptions& options, std::string& out, std::string& err) {
    std::vector<unsigned char> bytes;
    int status = 0;
    for (long shown = 0;; ++shown) {
        const bool ok = options.recordPath.empty() ? ReadLiveRecord(options.name, bytes, err)
                                                   : ReadFile(options.recordPath, bytes, err);
        if (!ok) return 2;
        std::string text = options.watch ? "\x1b[H\x1b[J" : "";
        text += DescribeRecord(bytes.data(), bytes.size());
        status = 0;
        if (options.lint) {
            const std::vector<std::string> found = LintRecord(bytes.data(), bytes.size());
            for (const std::string& line : found) text += "lint: " + line + "\n";
            text += found.empty() ? "lint: clean\n"
                                  : Format("lint: %lu mistake%s\n", Count(found.size()), found.size() == 1 ? "" : "s");
            status = found.empty() ? 0 : 1;
        }
        out += text;
        if (!options.watch || (options.count > 0 && shown + 1 >= options.count)) break;
        // Printed as it goes: a watch is read while it runs.
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
        out.clear();
        std::this_thread::sleep_for(std::chrono::duration<double>(options.interval));
    }
    return status;
}
