#include "simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "common/record_builder.h"

namespace {

constexpr double kUnitSeconds = 1800.0;       // one data unit, start to end
constexpr double kSearchStepSeconds = 3.0;    // one drift rate and transform length
constexpr double kProgressPeriod = 1.0;       // overall progress and computer time
constexpr double kStepFractionPeriod = 0.25;  // the step's percentage bar
constexpr double kPeakPeriod = 0.3;           // a new current peak
constexpr double kGaussianPeriod = 2.0;       // a Gaussian fit tried
constexpr double kStatusPeriod = 20.0;        // the phase text
constexpr double kCheckpointPeriod = 60.0;    // "checkpoint" over the phase text...
constexpr double kCheckpointPhase = 30.0;
constexpr double kCheckpointShown = 3.0;      // ... for this long
constexpr double kMessagePeriod = 120.0;      // the message comes...
constexpr double kMessagePhase = 60.0;
constexpr double kMessageShown = 8.0;         // ... and goes
constexpr double kSpectraPerSecondAttached = 3.0;
constexpr double kSpectraPerSecondAlone = 1.0;  // nobody watches: keep the graph cheap

constexpr std::int32_t kMinFftLength = 8;
constexpr std::int32_t kFftLengthCount = 15;  // 8 ... 131072
// One unit sweeps the drift rates from -10 to +10 Hz/s, each with every transform length.
constexpr float kMaxDriftRate = 10.0f;
constexpr float kDriftStep = 0.5f;

// Invented people: sample data never names a real one.
constexpr const char* kUserNames[] = {"Mira Tolvanen", "Oskar Brandel", "Ines Varga",   "Tomas Quell",
                                      "Lena Osterik",  "Piet Halvorsen", "Nadia Ferro", "Elio Marsk",
                                      "Greta Sunvold", "Jonah Ravik"};
constexpr const char* kPhaseTexts[] = {"Computing power spectra", "Searching for spikes",
                                       "Searching for Gaussians", "Searching for pulses"};
constexpr const char kCheckpointText[] = "Checkpointing work in progress";
constexpr const char kMessageLine1[] = "Could not reach the data server.";
constexpr const char kMessageLine2[] = "Results are kept; the next try is in one hour.";

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t Hash(std::uint64_t seed, std::int64_t a, std::int64_t b, std::uint64_t salt) {
    std::uint64_t h = Mix(seed ^ salt);
    h = Mix(h ^ static_cast<std::uint64_t>(a));
    return Mix(h ^ static_cast<std::uint64_t>(b));
}

double UnitFrom(std::uint64_t h) { return static_cast<double>(h >> 11) * 0x1.0p-53; }

// A standard normal deviate, near enough: the sum of four uniform 16-bit pieces.
double NormalFrom(std::uint64_t h) {
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) sum += static_cast<double>((h >> (16 * k)) & 0xFFFF) / 65536.0;
    return (sum - 2.0) * 1.7320508075688772;
}

double Frac(double x) { return x - std::floor(x); }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int32_t FftLengthAt(std::int64_t step) {
    return kMinFftLength << static_cast<int>(((step % kFftLengthCount) + kFftLengthCount) % kFftLengthCount);
}

}  // namespace

bool ParseScenario(std::string_view name, Scenario& scenario) {
    for (Scenario candidate : {Scenario::Steady, Scenario::Burst, Scenario::Hostile}) {
        if (name == ScenarioName(candidate)) {
            scenario = candidate;
            return true;
        }
    }
    return false;
}

const char* ScenarioName(Scenario scenario) {
    switch (scenario) {
        case Scenario::Steady: return "steady";
        case Scenario::Burst: return "burst";
        case Scenario::Hostile: return "hostile";
    }
    return "?";
}

GraphGeometry ChooseGeometry(std::int32_t areaWidth, std::int32_t areaHeight) {
    return orvane::Choose(0, 0, false, areaWidth, areaHeight);
}

void SynthesizeSpectrum(std::uint64_t seed, std::int64_t index, const GraphGeometry& geometry, std::uint8_t* out) {
    std::memset(out, 0, kMaxSpectrumBins);
    const std::int32_t bins = std::clamp(geometry.bins, 0, kMaxSpectrumBins);
    const double peak = std::clamp(geometry.peakHeight, 1, 255);
    if (bins == 0) return;

    std::vector<double> power(static_cast<std::size_t>(bins));
    // Noise floor: power of complex Gaussian noise, exponentially distributed.
    for (std::int32_t i = 0; i < bins; ++i) {
        const double re = NormalFrom(Hash(seed, index, i, 0x6E6F697365ull));
        const double im = NormalFrom(Hash(seed, index, i, 0x6E6F697366ull));
        power[static_cast<std::size_t>(i)] = 0.09 * peak * (re * re + im * im) * 0.5;
    }

    auto addLine = [&](double centre, double amplitude, double width) {
        const auto from = static_cast<std::int32_t>(std::max(0.0, std::floor(centre - 12.0)));
        const auto to = static_cast<std::int32_t>(std::min(static_cast<double>(bins - 1), std::ceil(centre + 12.0)));
        for (std::int32_t i = from; i <= to; ++i) {
            const double d = (i - centre) / width;
            power[static_cast<std::size_t>(i)] += amplitude / (1.0 + d * d);
        }
    };

    // Carriers drifting across the band: each keeps its own rate for the whole run.
    for (std::int64_t c = 0; c < 3; ++c) {
        const double start = UnitFrom(Hash(seed, c, 0, 0x636172ull));
        const double speed = 0.0008 + 0.0022 * UnitFrom(Hash(seed, c, 1, 0x636172ull));
        const double drift = (Hash(seed, c, 2, 0x636172ull) & 1) ? speed : -speed;
        const double amplitude = peak * (0.35 + 0.45 * UnitFrom(Hash(seed, c, 3, 0x636172ull)));
        const double width = 0.8 + 1.2 * UnitFrom(Hash(seed, c, 4, 0x636172ull));
        addLine(Frac(start + drift * static_cast<double>(index)) * bins, amplitude, width);
    }
    // A local interferer: fixed in frequency, flickering in strength.
    const double rfiAt = (0.1 + 0.8 * UnitFrom(Hash(seed, 0, 0, 0x726669ull))) * bins;
    addLine(rfiAt, peak * (0.2 + 0.35 * UnitFrom(Hash(seed, index, 1, 0x726669ull))), 0.6);

    // Now and then a Gaussian bump that rises and fades over one cycle of spectra.
    constexpr std::int64_t kBumpCycle = 40;
    const std::int64_t cycle = FloorDiv(index, kBumpCycle);
    if (Hash(seed, cycle, 0, 0x62756D70ull) % 3 == 0) {
        const double p = (static_cast<double>(index - cycle * kBumpCycle) + 0.5) / kBumpCycle;
        const double envelope = 16.0 * p * p * (1.0 - p) * (1.0 - p);
        const double centre = (0.1 + 0.8 * UnitFrom(Hash(seed, cycle, 1, 0x62756D70ull))) * bins;
        const double halfWidth = bins * 0.04 + 3.0;
        for (std::int32_t i = 0; i < bins; ++i) {
            const double x = (i - centre) / halfWidth;
            if (x > -1.0 && x < 1.0) {
                const double shape = (1.0 - x * x) * (1.0 - x * x);
                power[static_cast<std::size_t>(i)] += 0.5 * peak * envelope * shape;
            }
        }
    }

    for (std::int32_t i = 0; i < bins; ++i) {
        out[i] = static_cast<std::uint8_t>(std::min(power[static_cast<std::size_t>(i)], peak));
    }
}

std::uint64_t SimRandom::Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SimRandom::Uniform() { return UnitFrom(Next()); }

std::int32_t SimRandom::Below(std::int32_t bound) {
    if (bound <= 1) return 0;
    return static_cast<std::int32_t>(Next() % static_cast<std::uint64_t>(bound));
}

Simulator::Simulator(const SimConfig& config) : config_(config), random_(config.seed) {
    if (!(config_.rate > 0.0)) config_.rate = 10.0;
    state_.userName = kUserNames[random_.Below(static_cast<std::int32_t>(std::size(kUserNames)))];
    state_.unitsCompleted = 10 + random_.Below(900);
    state_.totalCpuSeconds = std::floor(state_.unitsCompleted * random_.Between(9000.0, 30000.0));
    state_.cpuShare = random_.Between(0.92, 0.99);
    StartUnit(true);
    state_.geometry = ChooseGeometry(0, 0);
    RefillWaterfall();
}

void Simulator::StartUnit(bool firstUnit) {
    ++unitsStarted_;
    auto& s = state_;
    s.raHours = static_cast<float>(random_.Between(0.0, 24.0));
    s.decDegrees = static_cast<float>(random_.Between(1.0, 37.0));  // the dish's sky
    // One draw per statement: the order of operands is not fixed, and the seed must give
    // the same record whichever compiler built the program.
    const double recordedDay = std::floor(random_.Between(0.0, 1800.0));
    s.recordedJd = 2451179.5 + recordedDay + random_.Uniform();
    s.baseFrequencyHz = 1420e6 + (random_.Below(256) - 128) * 9765.625;
    s.bandwidthHz = 9765.625;
    s.binWrapDivisor = 1;
    s.dataSource = 2;
    s.sampleCount = 1048576;

    // The first unit has been running for a while when we come in.
    s.progress = firstUnit ? random_.Between(0.05, 0.6) : 0.0;
    s.cpuSeconds = s.progress * kUnitSeconds * s.cpuShare;
    s.stepFraction = firstUnit ? random_.Uniform() : 0.0;
    s.searchStep = static_cast<std::int64_t>(s.progress * kUnitSeconds / kSearchStepSeconds);
    s.driftRate = -kMaxDriftRate;
    s.fftLength = kMinFftLength;
    NextSearchStep();

    s.bestPeak = PeakSummary{};
    s.bestGaussian = GaussianSummary{};
    if (firstUnit) {
        const float score = static_cast<float>(random_.Between(0.3, 0.6));
        s.bestPeak = PeakSummary{score * 30.0f, score, random_.Below(s.fftLength), random_.Below(64), s.driftRate,
                                 s.fftLength};
        const float gaussian = static_cast<float>(random_.Between(1.0, 6.0));
        s.bestGaussian = GaussianSummary{gaussian,
                                         1.0f + gaussian * 0.2f,
                                         static_cast<float>(random_.Between(0.5, 4.0)),
                                         random_.Below(1024),
                                         random_.Below(1024),
                                         s.driftRate,
                                         1024};
    }
    s.currentPeak = s.bestPeak;
    s.statusPhase = 0;
}

void Simulator::NextSearchStep() {
    auto& s = state_;
    // Every transform length at one drift rate, then the next drift rate.
    const std::int64_t lengths = kFftLengthCount;
    s.fftLength = FftLengthAt(s.searchStep);
    const std::int64_t driftIndex = s.searchStep / lengths;
    const std::int64_t driftCount = static_cast<std::int64_t>(2.0f * kMaxDriftRate / kDriftStep) + 1;
    s.driftRate = -kMaxDriftRate + kDriftStep * static_cast<float>(driftIndex % driftCount);
    ++s.searchStep;
}

void Simulator::Advance(double seconds) {
    auto& s = state_;
    s.progress += seconds / kUnitSeconds;
    s.cpuSeconds += seconds * s.cpuShare;
    s.stepFraction += seconds / kSearchStepSeconds;
    while (s.stepFraction >= 1.0) {
        s.stepFraction -= 1.0;
        NextSearchStep();
    }
    if (s.progress >= 1.0) {
        ++s.unitsCompleted;
        s.totalCpuSeconds += s.cpuSeconds;
        StartUnit(false);
    }
}

void Simulator::FindPeak() {
    auto& s = state_;
    const double u = random_.Uniform();
    double score = 0.05 + 0.45 * u * random_.Uniform();
    if (random_.Chance(0.02)) score = random_.Between(0.5, 1.05);  // something stands out
    const std::int32_t timeBins = static_cast<std::int32_t>(s.sampleCount / static_cast<std::uint32_t>(s.fftLength));
    s.currentPeak = PeakSummary{static_cast<float>(score * 30.0), static_cast<float>(score),
                                random_.Below(s.fftLength), random_.Below(timeBins), s.driftRate, s.fftLength};
    if (s.currentPeak.score > s.bestPeak.score) s.bestPeak = s.currentPeak;
}

void Simulator::FindGaussian() {
    auto& s = state_;
    const double u = random_.Uniform();
    const float score = static_cast<float>(20.0 * u * u * u);
    if (score <= s.bestGaussian.score) return;
    s.bestGaussian = GaussianSummary{score,
                                     1.0f + score * 0.2f,
                                     static_cast<float>(random_.Between(0.5, 4.0)),
                                     random_.Below(1024),
                                     random_.Below(1024),
                                     s.driftRate,
                                     1024};
}

void Simulator::RefillWaterfall() {
    auto& s = state_;
    s.spectra.assign(static_cast<std::size_t>(s.geometry.rows), std::vector<std::uint8_t>(kMaxSpectrumBins));
    for (std::int32_t j = 0; j < s.geometry.rows; ++j) {
        const std::int64_t index = s.newestSpectrum - (s.geometry.rows - 1 - j);
        SynthesizeSpectrum(config_.seed, index, s.geometry, s.spectra[static_cast<std::size_t>(j)].data());
    }
}

void Simulator::PushSpectrum() {
    auto& s = state_;
    ++s.newestSpectrum;
    if (s.spectra.empty()) return;
    // The oldest spectrum's storage takes the newest one: every row moves one toward the back.
    std::rotate(s.spectra.begin(), s.spectra.begin() + 1, s.spectra.end());
    SynthesizeSpectrum(config_.seed, s.newestSpectrum, s.geometry, s.spectra.back().data());
}

bool Simulator::Due(double period, double phase) const {
    return std::floor((now_ - phase) / period) > std::floor((then_ - phase) / period);
}

void Simulator::Step(SharedStatus& record) {
    const bool first = steps_ == 0;
    then_ = now_;
    now_ = static_cast<double>(steps_) / config_.rate;
    const bool attached = ReadFlag(record.saver_attached) != 0;
    // A saver that has just come has drawn nothing yet: give it everything.
    const bool refresh = first || (attached && !state_.saverAttached);
    state_.saverAttached = attached;
    if (!first) Advance(now_ - then_);

    switch (config_.scenario) {
        case Scenario::Steady: StepSteady(record, refresh); break;
        case Scenario::Burst: StepBurst(record); break;
        case Scenario::Hostile:
            StepBurst(record);
            state_.hostileCase = static_cast<std::int32_t>(steps_ % static_cast<std::uint64_t>(HostileCaseCount()));
            ApplyHostileCase(state_.hostileCase, record);
            break;
    }
    ++steps_;
}

void Simulator::StepSteady(SharedStatus& record, bool refresh) {
    auto& s = state_;
    const bool newUnit = unitsStarted_ != lastUnitWritten_;
    lastUnitWritten_ = unitsStarted_;

    GraphGeometry geometry = ChooseGeometry(ReadFlag(record.graph_area_width), ReadFlag(record.graph_area_height));
    bool graphChanged = refresh;
    if (!(geometry == s.geometry)) {
        s.geometry = geometry;
        RefillWaterfall();
        graphChanged = true;
    }
    const double interval = 1.0 / (s.saverAttached ? kSpectraPerSecondAttached : kSpectraPerSecondAlone);
    if (refresh) nextSpectrumAt_ = now_ + interval;
    for (std::int32_t pushed = 0; now_ >= nextSpectrumAt_; nextSpectrumAt_ += interval) {
        if (pushed++ < s.geometry.rows) PushSpectrum();
        graphChanged = true;
    }

    if (Due(kPeakPeriod)) FindPeak();
    if (Due(kGaussianPeriod)) FindGaussian();

    if (refresh || newUnit) {
        WriteUserInfo(record);
        WriteDataInfo(record);
    }
    if (Due(kStatusPeriod)) s.statusPhase = (s.statusPhase + 1) % static_cast<std::int32_t>(std::size(kPhaseTexts));
    if (Due(kCheckpointPeriod, kCheckpointPhase)) WriteStatusTextB(record);
    if (refresh || newUnit || Due(kStatusPeriod) || Due(kCheckpointPeriod, kCheckpointPhase + kCheckpointShown)) {
        WriteStatusTextA(record);
    }
    if (refresh || newUnit || Due(kProgressPeriod)) WriteProgress(record);
    if (refresh || newUnit || Due(kStepFractionPeriod)) WriteStepFraction(record);
    if (refresh || newUnit || searchStepWritten_ != s.searchStep) {
        searchStepWritten_ = s.searchStep;
        WriteSearchParams(record);
    }
    if (refresh || Due(kPeakPeriod)) WriteCurrentPeak(record);
    if (refresh || newUnit || std::memcmp(&s.bestPeak, &peakWritten_, sizeof s.bestPeak) != 0) {
        peakWritten_ = s.bestPeak;
        WriteBestPeak(record);
    }
    if (refresh || newUnit || std::memcmp(&s.bestGaussian, &gaussianWritten_, sizeof s.bestGaussian) != 0) {
        gaussianWritten_ = s.bestGaussian;
        WriteBestGaussian(record);
    }

    bool messageChanged = refresh;
    if (Due(kMessagePeriod, kMessagePhase)) {
        s.messageOn = true;
        messageChanged = true;
    }
    if (Due(kMessagePeriod, kMessagePhase + kMessageShown)) {
        s.messageOn = false;
        messageChanged = true;
        graphChanged = true;  // taking the message down blanks the graph panel
    }
    if (messageChanged) WriteMessage(record);

    // While the message shows, the graph waits: its frame redraw would wipe the message out.
    graphPending_ = graphPending_ || graphChanged;
    if (graphPending_ && !s.messageOn) {
        WriteGraph(record);
        graphPending_ = false;
    }
}

void Simulator::StepBurst(SharedStatus& record) {
    auto& s = state_;
    FindPeak();
    FindGaussian();
    s.statusPhase = static_cast<std::int32_t>(steps_ % std::size(kPhaseTexts));
    s.messageOn = (steps_ / 10) % 2 == 1;

    // Geometry variants in turn, each inside the offered area.
    GraphGeometry g = ChooseGeometry(ReadFlag(record.graph_area_width), ReadFlag(record.graph_area_height));
    const orvane::Area area = orvane::UsableArea(ReadFlag(record.graph_area_width), ReadFlag(record.graph_area_height));
    switch ((steps_ / 25) % 4) {
        case 1: g.mirrored = 1; break;
        case 2: g.rows = kMaxSpectrumRows; break;
        case 3:
            g.mirrored = 1;
            if (area.width - 10 - kMaxSpectrumBins >= 1) {
                g.depthX = std::min(g.depthX, area.width - 10 - kMaxSpectrumBins);
                g.bins = kMaxSpectrumBins;
            }
            break;
        default: break;
    }
    if (!(g == s.geometry)) {
        s.geometry = g;
        RefillWaterfall();
    }
    PushSpectrum();

    WriteUserInfo(record);
    WriteDataInfo(record);
    WriteStatusTextB(record);
    WriteStatusTextA(record);
    WriteProgress(record);
    WriteStepFraction(record);
    WriteSearchParams(record);
    WriteCurrentPeak(record);
    WriteBestPeak(record);
    WriteBestGaussian(record);
    WriteMessage(record);
    WriteGraph(record);
}

void Simulator::WriteUserInfo(SharedStatus& record) const {
    SetRecordText(record.user_info.user_name, state_.userName);
    record.user_info.units_completed = state_.unitsCompleted;
    record.user_info.total_cpu_seconds = state_.totalCpuSeconds;
    RaiseFlag(record.user_info_changed);
}

void Simulator::WriteDataInfo(SharedStatus& record) const {
    auto& info = record.data_info;
    info.ra_hours = state_.raHours;
    info.dec_degrees = state_.decDegrees;
    info.recorded_jd = state_.recordedJd;
    info.base_frequency_hz = state_.baseFrequencyHz;
    info.bandwidth_hz = state_.bandwidthHz;
    info.bin_wrap_divisor = state_.binWrapDivisor;
    info.data_source = state_.dataSource;
    info.sample_count = state_.sampleCount;
    RaiseFlag(record.data_info_changed);
}

void Simulator::WriteStatusTextA(SharedStatus& record) const {
    SetRecordText(record.status_text_a, kPhaseTexts[state_.statusPhase]);
    RaiseFlag(record.status_text_a_changed);
}

void Simulator::WriteStatusTextB(SharedStatus& record) const {
    SetRecordText(record.status_text_b, kCheckpointText);
    RaiseFlag(record.status_text_b_changed);
}

void Simulator::WriteProgress(SharedStatus& record) const {
    record.progress_fraction = static_cast<float>(std::min(state_.progress, 1.0));
    record.cpu_seconds = state_.cpuSeconds;
    RaiseFlag(record.progress_changed);
    if (!config_.spareCpuTimeFlag) RaiseFlag(record.cpu_time_changed);
}

void Simulator::WriteStepFraction(SharedStatus& record) const {
    record.step_fraction = static_cast<float>(std::min(state_.stepFraction, 1.0));
    RaiseFlag(record.step_fraction_changed);
}

void Simulator::WriteSearchParams(SharedStatus& record) const {
    record.drift_rate = state_.driftRate;
    record.fft_length = state_.fftLength;
    RaiseFlag(record.search_params_changed);
}

void Simulator::WriteCurrentPeak(SharedStatus& record) const {
    record.current_peak = state_.currentPeak;
    RaiseFlag(record.current_peak_changed);
}

void Simulator::WriteBestPeak(SharedStatus& record) const {
    record.best_peak = state_.bestPeak;
    RaiseFlag(record.best_peak_changed);
}

void Simulator::WriteBestGaussian(SharedStatus& record) const {
    record.best_gaussian = state_.bestGaussian;
    RaiseFlag(record.best_gaussian_changed);
}

void Simulator::WriteMessage(SharedStatus& record) const {
    record.message.message_on = state_.messageOn ? 1 : 0;
    SetRecordText(record.message.message_line1, state_.messageOn ? kMessageLine1 : "");
    SetRecordText(record.message.message_line2, state_.messageOn ? kMessageLine2 : "");
    RaiseFlag(record.message_changed);
}

void Simulator::WriteGraph(SharedStatus& record) const {
    const GraphGeometry& g = state_.geometry;
    record.graph_depth_x = g.depthX;
    record.graph_depth_y = g.depthY;
    record.graph_mirrored = g.mirrored;
    record.graph_peak_height = g.peakHeight;
    record.graph_row_count = g.rows;
    record.graph_bin_count = g.bins;
    for (std::int32_t j = 0; j < g.rows; ++j) {
        std::memcpy(record.spectrum_rows[j].values, state_.spectra[static_cast<std::size_t>(j)].data(),
                    kMaxSpectrumBins);
    }
    // Every row has moved, and rows are painted over what is there: the panel must be cleared
    // first. The frame goes up before the rows, so that a saver drawing in between clears
    // the panel and then still finds the rows raised.
    RaiseFlag(record.graph_frame_changed);
    for (std::int32_t j = 0; j < g.rows; ++j) RaiseFlag(record.spectrum_rows[j].changed);
}

std::string Simulator::StatusLine() const {
    const auto& s = state_;
    char line[256];
    std::snprintf(line, sizeof line, "%-7s %7.1f s  updates %llu  progress %6.3f%%  drift %8.4f Hz/s  fft %6d  "
                                     "spectra %lld (%d x %d)  saver %s",
                  ScenarioName(config_.scenario), now_, static_cast<unsigned long long>(steps_),
                  s.progress * 100.0, static_cast<double>(s.driftRate), s.fftLength,
                  static_cast<long long>(s.newestSpectrum), s.geometry.rows, s.geometry.bins,
                  s.saverAttached ? "attached" : "absent");
    std::string text = line;
    if (config_.scenario == Scenario::Hostile && s.hostileCase >= 0) {
        text += "  last bad value: ";
        text += HostileCaseName(s.hostileCase);
    }
    return text;
}
