#include "simulator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>


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
    // A draw just below 24 h rounds to 24 as a float, which no sky has and the library refuses.
    s.raHours = std::min(static_cast<float>(random_.Between(0.0, 24.0)), std::nextafter(24.0f, 0.0f));
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
        s.bestGaussian = GaussianOf(static_cast<float>(random_.Between(1.0, 6.0)));
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
    s.bestGaussian = GaussianOf(score);
}

// The rest of a Gaussian follows from its score; drawn in this order, so that a seed gives
// the same run (a braced list is evaluated left to right).
GaussianSummary Simulator::GaussianOf(float score) {
    return GaussianSummary{score,
                           1.0f + score * 0.2f,
                           static_cast<float>(random_.Between(0.5, 4.0)),
                           random_.Below(1024),
                           random_.Below(1024),
                           state_.driftRate,
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

void Simulator::Step(orvane_client* client) {
    const bool first = steps_ == 0;
    then_ = now_;
    now_ = static_cast<double>(steps_) / config_.rate;
    if (first) orvane_spare_cpu_time_flag(client, config_.spareCpuTimeFlag ? 1 : 0);
    // A reader that comes, or offers another area, is served by the library: it raises
    // everything again and chooses the geometry. What is ours is the pace of the spectra and
    // a waterfall that starts again in a new geometry.
    const unsigned events = orvane_poll(client);
    const bool attached = orvane_reader_attached(client) != 0;
    const bool arrived = attached && !state_.saverAttached;
    state_.saverAttached = attached;
    if (!first) Advance(now_ - then_);
    if (!first && (events & ORVANE_EVENT_AREA) != 0) TakeGeometry(client);

    switch (config_.scenario) {
        case Scenario::Steady: StepSteady(client, first || arrived); break;
        case Scenario::Burst: StepBurst(client, first); break;
        case Scenario::Hostile: {
            StepBurst(client, first);
            state_.hostileCase = static_cast<std::int32_t>(steps_ % static_cast<std::uint64_t>(HostileCaseCount()));
            // The one place where the record is written around the library: these values are
            // the ones its calls refuse.
            void* raw = orvane_raw_record(client, nullptr);
            if (raw != nullptr) ApplyHostileCase(state_.hostileCase, *static_cast<SharedStatus*>(raw));
            break;
        }
    }
    ++steps_;
}

void Simulator::TakeGeometry(orvane_client* client) {
    auto& s = state_;
    orvane_graph g{};
    orvane_get_graph(client, &g);
    s.geometry = GraphGeometry{g.depth_x, g.depth_y, g.mirrored, g.peak_height, g.rows, g.bins};
    RefillWaterfall();
    // Oldest first: each push moves the ones before it a row back.
    for (const auto& spectrum : s.spectra) orvane_push_row(client, spectrum.data(), static_cast<std::size_t>(g.bins));
}

void Simulator::StepSteady(orvane_client* client, bool refresh) {
    auto& s = state_;
    const bool first = steps_ == 0;
    const bool newUnit = unitsStarted_ != lastUnitWritten_;
    lastUnitWritten_ = unitsStarted_;

    if (first) {
        orvane_set_graph(client, 0, 0, 0);
        TakeGeometry(client);
    }
    const double interval = 1.0 / (s.saverAttached ? kSpectraPerSecondAttached : kSpectraPerSecondAlone);
    if (refresh) nextSpectrumAt_ = now_ + interval;
    for (std::int32_t pushed = 0; now_ >= nextSpectrumAt_; nextSpectrumAt_ += interval) {
        // After a long stall the whole waterfall is new: more pushes would show nothing more.
        if (pushed++ < s.geometry.rows) {
            PushSpectrum();
            PublishNewestRow(client);
        }
    }

    if (Due(kPeakPeriod)) FindPeak();
    if (Due(kGaussianPeriod)) FindGaussian();

    if (first || newUnit) {
        PublishUserInfo(client);
        PublishDataInfo(client);
    }
    if (Due(kStatusPeriod)) s.statusPhase = (s.statusPhase + 1) % static_cast<std::int32_t>(std::size(kPhaseTexts));
    if (Due(kCheckpointPeriod, kCheckpointPhase)) PublishStatusTextB(client);
    if (first || newUnit || Due(kStatusPeriod) || Due(kCheckpointPeriod, kCheckpointPhase + kCheckpointShown)) {
        PublishStatusTextA(client);
    }
    if (first || newUnit || Due(kProgressPeriod)) PublishProgress(client);
    if (first || newUnit || Due(kStepFractionPeriod)) PublishStepFraction(client);
    if (first || newUnit || searchStepWritten_ != s.searchStep) {
        searchStepWritten_ = s.searchStep;
        PublishSearchParams(client);
    }
    if (first || Due(kPeakPeriod)) PublishCurrentPeak(client);
    if (first || newUnit || std::memcmp(&s.bestPeak, &peakWritten_, sizeof s.bestPeak) != 0) {
        peakWritten_ = s.bestPeak;
        PublishBestPeak(client);
    }
    if (first || newUnit || std::memcmp(&s.bestGaussian, &gaussianWritten_, sizeof s.bestGaussian) != 0) {
        gaussianWritten_ = s.bestGaussian;
        PublishBestGaussian(client);
    }

    // While the message shows, the library holds the graph back; taking it down raises it.
    bool messageChanged = first;
    if (Due(kMessagePeriod, kMessagePhase)) {
        s.messageOn = true;
        messageChanged = true;
    }
    if (Due(kMessagePeriod, kMessagePhase + kMessageShown)) {
        s.messageOn = false;
        messageChanged = true;
    }
    if (messageChanged) PublishMessage(client);
}

void Simulator::StepBurst(orvane_client* client, bool first) {
    auto& s = state_;
    FindPeak();
    FindGaussian();
    s.statusPhase = static_cast<std::int32_t>(steps_ % std::size(kPhaseTexts));
    s.messageOn = (steps_ / 10) % 2 == 1;

    // Geometry variants in turn; the library fits each to the offered area.
    const auto variant = static_cast<std::int32_t>((steps_ / 25) % 4);
    if (first || variant != variantAsked_) {
        variantAsked_ = variant;
        switch (variant) {
            case 1: orvane_set_graph(client, 0, 0, 1); break;
            case 2: orvane_set_graph(client, 0, kMaxSpectrumRows, 0); break;
            case 3: orvane_set_graph(client, kMaxSpectrumBins, 0, 1); break;
            default: orvane_set_graph(client, 0, 0, 0); break;
        }
        TakeGeometry(client);
    }
    PushSpectrum();

    PublishUserInfo(client);
    PublishDataInfo(client);
    PublishStatusTextB(client);
    PublishStatusTextA(client);
    PublishProgress(client);
    PublishStepFraction(client);
    PublishSearchParams(client);
    PublishCurrentPeak(client);
    PublishBestPeak(client);
    PublishBestGaussian(client);
    PublishMessage(client);
    PublishNewestRow(client);
}

void Simulator::PublishNewestRow(orvane_client* client) const {
    if (state_.spectra.empty()) return;
    orvane_push_row(client, state_.spectra.back().data(), static_cast<std::size_t>(state_.geometry.bins));
}

void Simulator::PublishUserInfo(orvane_client* client) const {
    orvane_set_user(client, state_.userName.c_str(), state_.unitsCompleted, state_.totalCpuSeconds);
}

void Simulator::PublishDataInfo(orvane_client* client) const {
    const auto& s = state_;
    const orvane_data_unit unit{s.raHours,      s.decDegrees,     s.recordedJd, s.baseFrequencyHz,
                                s.bandwidthHz,  s.binWrapDivisor, s.dataSource, s.sampleCount};
    orvane_set_data_unit(client, &unit);
}

void Simulator::PublishStatusTextA(orvane_client* client) const {
    orvane_set_status_a(client, kPhaseTexts[state_.statusPhase]);
}

void Simulator::PublishStatusTextB(orvane_client* client) const { orvane_set_status_b(client, kCheckpointText); }

void Simulator::PublishProgress(orvane_client* client) const {
    // The time first: the progress's redraw shows both.
    orvane_set_cpu_time(client, state_.cpuSeconds);
    orvane_set_progress(client, static_cast<float>(std::min(state_.progress, 1.0)));
}

void Simulator::PublishStepFraction(orvane_client* client) const {
    orvane_set_step(client, static_cast<float>(std::min(state_.stepFraction, 1.0)));
}

void Simulator::PublishSearchParams(orvane_client* client) const {
    orvane_set_search(client, state_.driftRate, state_.fftLength);
}

namespace {

orvane_peak PeakOf(const PeakSummary& p) {
    return orvane_peak{p.power, p.score, p.freq_bin, p.time_bin, p.drift_rate, p.fft_length};
}

}  // namespace

void Simulator::PublishCurrentPeak(orvane_client* client) const {
    const orvane_peak peak = PeakOf(state_.currentPeak);
    orvane_set_current_peak(client, &peak);
}

void Simulator::PublishBestPeak(orvane_client* client) const {
    const orvane_peak peak = PeakOf(state_.bestPeak);
    orvane_set_best_peak(client, &peak);
}

void Simulator::PublishBestGaussian(orvane_client* client) const {
    const GaussianSummary& g = state_.bestGaussian;
    const orvane_gaussian gaussian{g.score, g.power, g.fit, g.freq_bin, g.time_bin, g.drift_rate, g.fft_length};
    orvane_set_best_gaussian(client, &gaussian);
}

void Simulator::PublishMessage(orvane_client* client) const {
    if (state_.messageOn) {
        orvane_show_message(client, kMessageLine1, kMessageLine2);
    } else {
        orvane_hide_message(client);
    }
}

SimRecord::SimRecord() {
    // Names differ between the processes and the records of one process: tests run side by
    // side, under other users too.
    static std::uint64_t made = 0;
    // The clock too: some standard libraries give the same random_device numbers every run.
    static const std::uint64_t process =
        Mix(std::random_device{}() ^
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char name[64];
    std::snprintf(name, sizeof name, "orvane_sim_%llx_%llu", static_cast<unsigned long long>(process & 0xFFFFFFFFFFull),
                  static_cast<unsigned long long>(++made));
    if (orvane_open(name, 0, &client_, nullptr, 0) != ORVANE_OK) client_ = nullptr;
}

SimRecord::~SimRecord() { orvane_close(client_); }

SharedStatus& SimRecord::Record() const { return *static_cast<SharedStatus*>(orvane_raw_record(client_, nullptr)); }

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
