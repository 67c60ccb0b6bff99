// The stand-in client's simulation: a work unit played update by update into the shared
// record through the client library, the way the analysis client keeps it current.
//
// The simulation is a pure function of its configuration, the number of updates taken and
// what a saver has written back (attached marker, graph area): the same seed gives the same
// record bytes on every platform. That is why it has its own random numbers and shapes its
// spectra with nothing but +, -, * and / -- library distributions and transcendental
// functions differ between standard libraries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record/graph_geometry.h"
#include "orvane/client.h"
#include "record/shared_status.h"

enum class Scenario {
    Steady,   // a client at work: each item at its own believable rate
    Burst,    // every item, the graph frame and every row raised on every update
    Hostile,  // a burst with one bad value after another written on top
};

bool ParseScenario(std::string_view name, Scenario& scenario);
const char* ScenarioName(Scenario scenario);

// The graph's geometry, and the one fit rule, are the client library's.
using GraphGeometry = orvane::Geometry;

// What the standard screen offers; used until a saver has written its own area.
inline constexpr std::int32_t kDefaultGraphAreaWidth = orvane::kDefaultAreaWidth;
inline constexpr std::int32_t kDefaultGraphAreaHeight = orvane::kDefaultAreaHeight;

// The graph that the client library chooses for the area a saver offers, at 512 bins and as
// many rows as suit the depth: bins + depthX + 10 <= width and peakHeight + depthY <= height.
// An area of zero or less on either side (no saver yet) counts as the default area.
GraphGeometry ChooseGeometry(std::int32_t areaWidth, std::int32_t areaHeight);

// One power spectrum of the waterfall as sample heights 0..peakHeight: a noise floor, a few
// carriers drifting from spectrum to spectrum, a steady interferer and now and then a
// Gaussian bump that rises and fades over some tens of spectra. `index` counts spectra and
// may be negative (the history already on screen when the simulation starts).
void SynthesizeSpectrum(std::uint64_t seed, std::int64_t index, const GraphGeometry& geometry, std::uint8_t* out);

struct SimConfig {
    std::uint64_t seed = 1;
    Scenario scenario = Scenario::Steady;
    double rate = 10.0;  // updates per simulated second
    // Leaves cpu_time_changed to orvane-tick-probe, which times the saver's lowerings of it: a
    // raise of ours right after a lowering would hide that tick from the probe.
    bool spareCpuTimeFlag = false;
};


// Small, portable random numbers (SplitMix64).
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    double Uniform();  // [0, 1)
    double Between(double low, double high) { return low + (high - low) * Uniform(); }
    std::int32_t Below(std::int32_t bound);  // [0, bound)
    bool Chance(double probability) { return Uniform() < probability; }

private:
    std::uint64_t state_;
};

// What the simulated client knows about its work. The record is written from this, never
// read back: a saver (or a hostile update) may have changed the record in the meantime.
struct SimState {
    // The user.
    std::string userName;
    std::int32_t unitsCompleted = 0;
    double totalCpuSeconds = 0.0;

    // The data unit.
    float raHours = 0.0f;
    float decDegrees = 0.0f;
    double recordedJd = 0.0;
    double baseFrequencyHz = 0.0;
    double bandwidthHz = 0.0;
    std::int32_t binWrapDivisor = 1;
    std::int32_t dataSource = 2;
    std::uint32_t sampleCount = 0;

    // The analysis.
    double progress = 0.0;    // through the unit, 0..1
    double cpuSeconds = 0.0;  // spent on this unit
    double cpuShare = 1.0;    // computer time per second of wall time
    double stepFraction = 0.0;
    std::int64_t searchStep = 0;  // one drift rate and transform length per step
    float driftRate = 0.0f;
    std::int32_t fftLength = 0;
    PeakSummary currentPeak{};
    PeakSummary bestPeak{};
    GaussianSummary bestGaussian{};
    std::int32_t statusPhase = 0;
    bool messageOn = false;

    // The graph. `spectra` holds the waterfall, oldest first (row 0 at the back).
    GraphGeometry geometry;
    std::int64_t newestSpectrum = 0;
    std::vector<std::vector<std::uint8_t>> spectra;

    // The run.
    bool saverAttached = false;
    std::int32_t hostileCase = -1;  // the bad value written last (hostile scenario)
};

class Simulator {
public:
    explicit Simulator(const SimConfig& config);

    // Plays the next update through `client`. The first update publishes everything; later
    // ones what the scenario says has changed. Only the hostile scenario's bad values are
    // written around the library, through its raw access to the record.
    void Step(orvane_client* client);

    const SimConfig& Config() const { return config_; }
    const SimState& State() const { return state_; }
    std::uint64_t Steps() const { return steps_; }
    double SimulatedSeconds() const { return static_cast<double>(steps_) / config_.rate; }

    // One line for the console: where the work stands.
    std::string StatusLine() const;

private:
    void StartUnit(bool firstUnit);
    void Advance(double seconds);
    void NextSearchStep();
    void FindPeak();
    void FindGaussian();
    GaussianSummary GaussianOf(float score);
    void RefillWaterfall();
    void PushSpectrum();

    void StepSteady(orvane_client* client, bool refresh);
    void StepBurst(orvane_client* client, bool first);

    // The library has chosen a geometry (and cleared the rows): the waterfall starts again.
    void TakeGeometry(orvane_client* client);
    void PublishNewestRow(orvane_client* client) const;
    void PublishUserInfo(orvane_client* client) const;
    void PublishDataInfo(orvane_client* client) const;
    void PublishStatusTextA(orvane_client* client) const;
    void PublishStatusTextB(orvane_client* client) const;
    void PublishProgress(orvane_client* client) const;
    void PublishStepFraction(orvane_client* client) const;
    void PublishSearchParams(orvane_client* client) const;
    void PublishCurrentPeak(orvane_client* client) const;
    void PublishBestPeak(orvane_client* client) const;
    void PublishBestGaussian(orvane_client* client) const;
    void PublishMessage(orvane_client* client) const;

    // Whether a schedule of `period` seconds (shifted by `phase`) comes due in this update.
    bool Due(double period, double phase = 0.0) const;

    SimConfig config_;
    SimRandom random_;
    SimState state_;
    std::uint64_t steps_ = 0;
    double now_ = 0.0;   // simulated seconds at this update
    double then_ = 0.0;  // ... at the previous one
    double nextSpectrumAt_ = 0.0;
    std::int32_t unitsStarted_ = 0;
    // What the steady scenario has put into the record, to write only what changed.
    std::int32_t lastUnitWritten_ = 0;
    std::int64_t searchStepWritten_ = -1;
    PeakSummary peakWritten_{};
    GaussianSummary gaussianWritten_{};
    std::int32_t variantAsked_ = -1;  // the burst's geometry variant last asked of the library
};

// A client on a record name of its own, for the tests and benchmarks that play a simulation
// beside a display: Record() is the mapped record (through the library's raw access), which
// the display reads and writes as a saver does. The name is removed again when it goes.
class SimRecord {
public:
    SimRecord();
    ~SimRecord();
    SimRecord(const SimRecord&) = delete;
    SimRecord& operator=(const SimRecord&) = delete;

    bool Open() const { return client_ != nullptr; }
    orvane_client* Client() const { return client_; }
    SharedStatus& Record() const;

private:
    orvane_client* client_ = nullptr;
};

// The bad values of the hostile scenario, one per update in turn.
std::int32_t HostileCaseCount();
const char* HostileCaseName(std::int32_t index);
// Writes bad value number `index` over the record and raises the flags of what it touched.
void ApplyHostileCase(std::int32_t index, SharedStatus& record);
