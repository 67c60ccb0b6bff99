// The stand-in client: repeatable records, what each scenario promises, the graph geometry it
// picks from the saver's area, its run loop and command line, and the status display driven
// by hundreds of its records.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "record/graph_geometry.h"
#include "record/record_builder.h"
#include "record/record_items.h"
#include "screen/status_display.h"
#include "sim_options.h"
#include "sim_run.h"
#include "simulator.h"

namespace {

// What a saver does to the flags after drawing.
void LowerAllFlags(SharedStatus& r) {
    for (int i = 0; i < kRecordFlagCount; ++i) FlagAt(r, FlagOffsetByIndex(i)) = 0;
}

bool Terminated(const char* field, std::size_t size) { return std::memchr(field, 0, size) != nullptr; }
template <std::size_t N>
bool Terminated(const char (&field)[N]) {
    return Terminated(field, N);
}

bool FitsArea(const GraphGeometry& g, std::int32_t width, std::int32_t height) {
    return g.bins >= 1 && g.bins <= kMaxSpectrumBins && g.rows >= 1 && g.rows <= kMaxSpectrumRows &&
           g.peakHeight >= 1 && g.peakHeight <= 255 && g.depthX >= 0 && g.depthY >= 1 &&
           g.bins + g.depthX + 10 <= width && g.peakHeight + g.depthY <= height;
}

Simulator MakeSimulator(Scenario scenario, std::uint64_t seed = 7, double rate = 10.0) {
    SimConfig config;
    config.scenario = scenario;
    config.seed = seed;
    config.rate = rate;
    return Simulator(config);
}

// The record's bytes after `steps` updates.
std::unique_ptr<SharedStatus> Play(Scenario scenario, std::uint64_t seed, int steps) {
    SimRecord sim;
    Simulator simulator = MakeSimulator(scenario, seed);
    for (int i = 0; i < steps; ++i) simulator.Step(sim.Client());
    auto record = MakeZeroRecord();
    std::memcpy(static_cast<void*>(record.get()), &sim.Record(), sizeof(SharedStatus));
    return record;
}

bool SameBytes(const SharedStatus& a, const SharedStatus& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---------------------------------------------------------------------------------------

TEST(SimDeterminism, TheSeedAloneDecidesTheRecord) {
    ASSERT_TRUE(SimRecord().Open());
    for (Scenario scenario : {Scenario::Steady, Scenario::Burst, Scenario::Hostile}) {
        SCOPED_TRACE(ScenarioName(scenario));
        const auto first = Play(scenario, 42, 260);
        const auto again = Play(scenario, 42, 260);
        EXPECT_TRUE(SameBytes(*first, *again));
        const auto other = Play(scenario, 43, 260);
        EXPECT_FALSE(SameBytes(*first, *other));
        EXPECT_NE(std::memcmp(first->spectrum_rows, other->spectrum_rows, sizeof first->spectrum_rows), 0)
            << "the waterfall follows the seed too";
    }
}

TEST(SimDeterminism, SpectraAreAFunctionOfSeedIndexAndGeometry) {
    const GraphGeometry g = ChooseGeometry(0, 0);
    std::vector<std::uint8_t> a(kMaxSpectrumBins, 0xAA), b(kMaxSpectrumBins, 0x55);
    SynthesizeSpectrum(3, -17, g, a.data());
    SynthesizeSpectrum(3, -17, g, b.data());
    EXPECT_EQ(a, b);
    SynthesizeSpectrum(3, -16, g, b.data());
    EXPECT_NE(a, b);

    // Every sample inside the full scale, nothing past the bins in use, and not a flat line.
    for (std::int64_t index : {-500, -1, 0, 1, 39, 40, 12345}) {
        SynthesizeSpectrum(9, index, g, a.data());
        const auto top = *std::max_element(a.begin(), a.begin() + g.bins);
        EXPECT_LE(top, g.peakHeight) << index;
        EXPECT_GT(top, *std::min_element(a.begin(), a.begin() + g.bins)) << index;
        EXPECT_TRUE(std::all_of(a.begin() + g.bins, a.end(), [](std::uint8_t v) { return v == 0; })) << index;
    }
}

// ---------------------------------------------------------------------------------------

TEST(SimGeometry, FillsTheOfferedAreaAndFallsBackToTheStandardOne) {
    EXPECT_EQ(ChooseGeometry(0, 0), ChooseGeometry(kDefaultGraphAreaWidth, kDefaultGraphAreaHeight));
    EXPECT_EQ(ChooseGeometry(-5, 300), ChooseGeometry(0, 0));
    EXPECT_EQ(ChooseGeometry(900, 0), ChooseGeometry(0, 0));

    const struct {
        std::int32_t width, height;
    } areas[] = {{642, 185}, {300, 100}, {1000, 400}, {100, 50}, {40, 20}, {611, 3}, {2000, 1000}};
    for (const auto& area : areas) {
        const GraphGeometry g = ChooseGeometry(area.width, area.height);
        EXPECT_TRUE(FitsArea(g, area.width, area.height)) << area.width << " x " << area.height;
    }
    // A standard screen gets a real graph, not a sliver.
    const GraphGeometry standard = ChooseGeometry(642, 185);
    EXPECT_GE(standard.bins, 256);
    EXPECT_GE(standard.rows, 16);
    EXPECT_GE(standard.peakHeight, 30);

    // An absurd area still gives a graph the record can hold.
    const GraphGeometry huge = ChooseGeometry(INT_MAX, INT_MAX);
    EXPECT_TRUE(FitsArea(huge, INT_MAX / 2, INT_MAX / 2));
}

TEST(SimGeometry, FollowsTheAreaTheSaverWrites) {
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    Simulator simulator = MakeSimulator(Scenario::Steady);
    simulator.Step(sim.Client());
    EXPECT_EQ(orvane::GeometryOf(*record), ChooseGeometry(0, 0));
    EXPECT_NE(record->graph_frame_changed, 0);

    LowerAllFlags(*record);
    record->graph_area_width = 300;
    record->graph_area_height = 100;
    simulator.Step(sim.Client());
    EXPECT_TRUE(FitsArea(orvane::GeometryOf(*record), 300, 100));
    EXPECT_NE(orvane::GeometryOf(*record), ChooseGeometry(0, 0));
    EXPECT_NE(record->graph_frame_changed, 0) << "a new geometry needs the frame drawn afresh";
    for (std::int32_t j = 0; j < record->graph_row_count; ++j) EXPECT_NE(record->spectrum_rows[j].changed, 0) << j;

    // The same area again is no change.
    LowerAllFlags(*record);
    simulator.Step(sim.Client());
    EXPECT_EQ(record->graph_frame_changed, 0);

    for (Scenario scenario : {Scenario::Burst}) {
        SimRecord bursts;
        SharedStatus* burst = &bursts.Record();
        burst->graph_area_width = 420;
        burst->graph_area_height = 150;
        Simulator bursting = MakeSimulator(scenario);
        for (int i = 0; i < 120; ++i) {  // through every geometry variant
            bursting.Step(bursts.Client());
            ASSERT_TRUE(FitsArea(orvane::GeometryOf(*burst), 420, 150)) << "update " << i;
        }
    }
}

// ---------------------------------------------------------------------------------------

TEST(SimSteady, KeepsEveryValueWithinTheRecordsLimitsAcrossAWholeUnit) {
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    Simulator simulator = MakeSimulator(Scenario::Steady, 11, 2.0);
    const std::int32_t unitsAtStart = simulator.State().unitsCompleted;
    float bestScore = -1.0f;
    bool unitRolledOver = false;
    for (int i = 0; i < 2 * 1800; ++i) {  // 30 simulated minutes: one unit ends, the next does not
        simulator.Step(sim.Client());
        const SharedStatus& r = *record;
        SCOPED_TRACE("update " + std::to_string(i));
        ASSERT_TRUE(Terminated(r.user_info.user_name));
        ASSERT_TRUE(Terminated(r.status_text_a));
        ASSERT_TRUE(Terminated(r.status_text_b));
        ASSERT_TRUE(Terminated(r.message.message_line1));
        ASSERT_TRUE(Terminated(r.message.message_line2));
        ASSERT_GE(r.progress_fraction, 0.0f);
        ASSERT_LE(r.progress_fraction, 1.0f);
        ASSERT_GE(r.step_fraction, 0.0f);
        ASSERT_LE(r.step_fraction, 1.0f);
        ASSERT_GE(r.cpu_seconds, 0.0);
        ASSERT_GE(r.fft_length, 8);
        ASSERT_EQ(r.fft_length & (r.fft_length - 1), 0) << r.fft_length;
        ASSERT_LE(std::fabs(r.drift_rate), 10.0f);
        ASSERT_GT(r.data_info.bandwidth_hz, 0.0);
        ASSERT_GE(r.data_info.bin_wrap_divisor, 1);
        ASSERT_EQ(r.data_info.data_source, 2);
        ASSERT_NEAR(r.data_info.base_frequency_hz, 1.42e9, 5e6);
        ASSERT_GE(r.data_info.ra_hours, 0.0f);
        ASSERT_LT(r.data_info.ra_hours, 24.0f);
        ASSERT_LE(std::fabs(r.data_info.dec_degrees), 90.0f);
        ASSERT_GT(r.data_info.sample_count, 0u);
        ASSERT_LE(r.best_gaussian.score, 20.0f);
        ASSERT_TRUE(FitsArea(orvane::GeometryOf(r), kDefaultGraphAreaWidth, kDefaultGraphAreaHeight));
        for (std::int32_t j = 0; j < r.graph_row_count; ++j) {
            const auto* values = r.spectrum_rows[j].values;
            ASSERT_LE(*std::max_element(values, values + r.graph_bin_count), r.graph_peak_height) << "row " << j;
        }
        // The best peak only improves, until a new unit starts over.
        if (r.user_info.units_completed != unitsAtStart) {
            if (!unitRolledOver) bestScore = -1.0f;
            unitRolledOver = true;
        }
        ASSERT_GE(r.best_peak.score, bestScore);
        bestScore = r.best_peak.score;
    }
    EXPECT_TRUE(unitRolledOver);
    EXPECT_EQ(record->user_info.units_completed, unitsAtStart + 1);
}

// Flag raises per simulated second, with a saver that serves every update.
std::map<std::string, double> RaisesPerSecond(double rate, double seconds, bool attached) {
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    record->saver_attached = attached ? 1 : 0;
    Simulator simulator = MakeSimulator(Scenario::Steady, 5, rate);
    simulator.Step(sim.Client());  // the first update raises everything
    LowerAllFlags(*record);
    std::map<std::string, double> counts;
    const int steps = static_cast<int>(rate * seconds);
    for (int i = 0; i < steps; ++i) {
        simulator.Step(sim.Client());
        for (const RecordItemInfo& item : kRecordItems) counts[item.name] += ItemFlag(*record, item.item) != 0 ? 1 : 0;
        counts["row 0"] += record->spectrum_rows[0].changed != 0 ? 1 : 0;
        LowerAllFlags(*record);
    }
    for (auto& [name, count] : counts) count /= seconds;
    return counts;
}

TEST(SimSteady, RaisesEachItemAtItsOwnPaceWhateverTheUpdateRate) {
    const auto at10 = RaisesPerSecond(10.0, 240.0, true);
    const auto at40 = RaisesPerSecond(40.0, 240.0, true);
    for (const auto& [name, perSecond] : at10) {
        // The user and the data unit change only with the unit.
        if (name != "user info" && name != "data info") {
            EXPECT_GT(perSecond, 0.0) << name << " never changed";
        }
        EXPECT_LE(perSecond, 5.0) << name << " changes faster than anyone can read";
        EXPECT_NEAR(at40.at(name), perSecond, 0.05 + perSecond * 0.1) << name;
    }
    EXPECT_NEAR(at10.at("progress"), 1.0, 0.1);
    EXPECT_NEAR(at10.at("cpu time"), 1.0, 0.1);
    EXPECT_GT(at10.at("step fraction"), at10.at("progress"));
    EXPECT_GT(at10.at("current peak"), 1.0);
    EXPECT_LT(at10.at("best peak"), at10.at("current peak"));
    EXPECT_LT(at10.at("user info"), 0.05);
    EXPECT_LT(at10.at("data info"), 0.05);
    // A few spectra a second, each moving the whole waterfall.
    EXPECT_GE(at10.at("row 0"), 2.0);
    EXPECT_EQ(at10.at("row 0"), at10.at("graph frame"));
}

TEST(SimSteady, SlowsTheGraphWithoutASaverAndRefreshesEverythingWhenOneComes) {
    const auto alone = RaisesPerSecond(10.0, 60.0, false);
    const auto watched = RaisesPerSecond(10.0, 60.0, true);
    EXPECT_LE(alone.at("row 0"), 1.05);
    EXPECT_GT(watched.at("row 0"), 2.0 * alone.at("row 0"));
    EXPECT_EQ(alone.at("progress"), watched.at("progress")) << "the record stays current";

    SimRecord sim;
    SharedStatus* record = &sim.Record();
    Simulator simulator = MakeSimulator(Scenario::Steady);
    for (int i = 0; i < 30; ++i) simulator.Step(sim.Client());
    LowerAllFlags(*record);
    record->saver_attached = 1;
    simulator.Step(sim.Client());
    for (const RecordItemInfo& item : kRecordItems) {
        // Status text B is the checkpoint notice: it waits for a checkpoint.
        if (item.item != RecordItem::StatusTextB) {
            EXPECT_NE(ItemFlag(*record, item.item), 0) << item.name;
        }
    }
    for (std::int32_t j = 0; j < record->graph_row_count; ++j) EXPECT_NE(record->spectrum_rows[j].changed, 0) << j;
}

TEST(SimSteady, HoldsTheGraphWhileTheMessageShowsAndRedrawsItAfter) {
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    record->saver_attached = 1;
    Simulator simulator = MakeSimulator(Scenario::Steady, 3, 10.0);
    bool sawMessage = false;
    bool redrawnAfter = false;
    for (int i = 0; i < 10 * 130; ++i) {
        simulator.Step(sim.Client());
        if (record->message.message_on != 0) {
            sawMessage = true;
            EXPECT_EQ(record->graph_frame_changed, 0) << "the frame would wipe the message out, update " << i;
        } else if (sawMessage && record->message_changed != 0) {
            EXPECT_NE(record->graph_frame_changed, 0) << "the graph comes back with the message gone";
            EXPECT_NE(record->spectrum_rows[record->graph_row_count - 1].changed, 0);
            redrawnAfter = true;
        }
        LowerAllFlags(*record);
    }
    EXPECT_TRUE(sawMessage);
    EXPECT_TRUE(redrawnAfter);
}

// ---------------------------------------------------------------------------------------

TEST(SimBurst, RaisesEveryItemAndEveryRowOnEveryUpdateTheMessageAllows) {
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    Simulator simulator = MakeSimulator(Scenario::Burst);
    std::vector<std::uint8_t> frontBefore;
    bool messageBefore = false;
    int held = 0;
    for (int i = 0; i < 150; ++i) {
        simulator.Step(sim.Client());
        SCOPED_TRACE("update " + std::to_string(i));
        // While the message shows the graph waits (its frame would wipe the message out), and
        // the record's graph stays as it was drawn. Only in the update that puts the message
        // up is the graph raised, before it.
        const bool message = record->message.message_on != 0;
        const bool graphHeld = message && messageBefore;
        messageBefore = message;
        held += graphHeld ? 1 : 0;
        for (const RecordItemInfo& item : kRecordItems) {
            const bool graph = item.item == RecordItem::GraphFrame;
            ASSERT_EQ(ItemFlag(*record, item.item) != 0, !(graph && graphHeld)) << item.name;
        }
        ASSERT_GE(record->graph_row_count, 1);
        for (std::int32_t j = 0; j < record->graph_row_count; ++j) {
            ASSERT_EQ(record->spectrum_rows[j].changed != 0, !graphHeld) << j;
        }
        // And the waterfall really moves, or stands still under the message.
        const auto* front = record->spectrum_rows[record->graph_row_count - 1].values;
        std::vector<std::uint8_t> now(front, front + kMaxSpectrumBins);
        ASSERT_EQ(now == frontBefore, message);
        frontBefore = now;
        LowerAllFlags(*record);
    }
    EXPECT_GT(held, 0);
    EXPECT_LT(held, 100);
}

// ---------------------------------------------------------------------------------------

TEST(SimHostile, WritesEachBadValueWithinOneCycle) {
    using Check = bool (*)(const SharedStatus&);
    const std::map<std::string, Check> wanted = {
        {"unterminated user name", [](const SharedStatus& r) { return !Terminated(r.user_info.user_name); }},
        {"unterminated status text A", [](const SharedStatus& r) { return !Terminated(r.status_text_a); }},
        {"unterminated status text B", [](const SharedStatus& r) { return !Terminated(r.status_text_b); }},
        {"unterminated message",
         [](const SharedStatus& r) {
             return r.message.message_on != 0 && !Terminated(r.message.message_line1) &&
                    !Terminated(r.message.message_line2);
         }},
        {"row count above 203", [](const SharedStatus& r) { return r.graph_row_count > kMaxSpectrumRows; }},
        {"row count INT_MAX", [](const SharedStatus& r) { return r.graph_row_count == INT_MAX; }},
        {"negative row count", [](const SharedStatus& r) { return r.graph_row_count < 0; }},
        {"bin count above 600", [](const SharedStatus& r) { return r.graph_bin_count > kMaxSpectrumBins; }},
        {"negative bin count", [](const SharedStatus& r) { return r.graph_bin_count < 0; }},
        {"fft length 0", [](const SharedStatus& r) { return r.fft_length == 0; }},
        {"fft length -8", [](const SharedStatus& r) { return r.fft_length == -8; }},
        {"wrap divisor 0", [](const SharedStatus& r) { return r.data_info.bin_wrap_divisor == 0; }},
        {"wrap divisor -3", [](const SharedStatus& r) { return r.data_info.bin_wrap_divisor == -3; }},
        {"bandwidth 0", [](const SharedStatus& r) { return r.data_info.bandwidth_hz == 0.0; }},
        {"progress NaN", [](const SharedStatus& r) { return std::isnan(r.progress_fraction); }},
        {"progress 1e30", [](const SharedStatus& r) { return r.progress_fraction == 1e30f; }},
        {"progress -inf",
         [](const SharedStatus& r) { return std::isinf(r.progress_fraction) && r.progress_fraction < 0; }},
        {"ra and dec NaN",
         [](const SharedStatus& r) { return std::isnan(r.data_info.ra_hours) && std::isnan(r.data_info.dec_degrees); }},
        {"cpu seconds 1e300", [](const SharedStatus& r) { return r.cpu_seconds == 1e300; }},
        {"depth x INT_MIN", [](const SharedStatus& r) { return r.graph_depth_x == INT_MIN; }},
        {"depth x INT_MAX", [](const SharedStatus& r) { return r.graph_depth_x == INT_MAX; }},
        {"depth y INT_MIN", [](const SharedStatus& r) { return r.graph_depth_y == INT_MIN; }},
        {"depth y INT_MAX", [](const SharedStatus& r) { return r.graph_depth_y == INT_MAX; }},
        {"peak height 0", [](const SharedStatus& r) { return r.graph_peak_height == 0; }},
        {"negative peak height", [](const SharedStatus& r) { return r.graph_peak_height < 0; }},
    };

    SimRecord sim;
    SharedStatus* record = &sim.Record();
    Simulator simulator = MakeSimulator(Scenario::Hostile);
    std::map<std::string, int> seen;
    for (int i = 0; i < HostileCaseCount(); ++i) {
        simulator.Step(sim.Client());
        for (const auto& [name, check] : wanted) seen[name] += check(*record) ? 1 : 0;
        LowerAllFlags(*record);
    }
    for (const auto& [name, check] : wanted) EXPECT_GT(seen[name], 0) << name;
    // Not every update is broken in every way: the bad values come one after another.
    for (const auto& [name, count] : seen) EXPECT_LT(count, HostileCaseCount() / 2) << name;
}

TEST(SimHostile, RaisesAFlagThatMakesTheSaverReadEachBadValue) {
    auto record = MakeZeroRecord();
    for (std::int32_t c = 0; c < HostileCaseCount(); ++c) {
        SCOPED_TRACE(HostileCaseName(c));
        SimRecord sim;
        SharedStatus* clean = &sim.Record();
        Simulator simulator = MakeSimulator(Scenario::Burst);
        simulator.Step(sim.Client());
        LowerAllFlags(*clean);
        std::memcpy(static_cast<void*>(record.get()), clean, sizeof(SharedStatus));
        ApplyHostileCase(c, *record);
        EXPECT_FALSE(SameBytes(*record, *clean)) << "the case changed nothing";
        bool raised = false;
        for (const RecordItemInfo& item : kRecordItems) raised = raised || ItemFlag(*record, item.item) != 0;
        EXPECT_TRUE(raised);
    }
    EXPECT_STREQ(HostileCaseName(-1), "none");
    EXPECT_STREQ(HostileCaseName(HostileCaseCount()), "none");
}

// ---------------------------------------------------------------------------------------

// The saver's display served by the simulator, update after update. Every flag it is given
// must be down again after its update, whatever the record holds.
void ServeUpdates(Scenario scenario, int updates) {
    SimRecord sim;
    ASSERT_TRUE(sim.Open());
    SharedStatus* record = &sim.Record();
    StatusDisplay display(*record, "no-such.bmp");
    ASSERT_GT(record->graph_area_width, 0);
    record->saver_attached = 1;
    Simulator simulator = MakeSimulator(scenario, 21, 10.0);
    int drawn = 0;
    for (int i = 0; i < updates; ++i) {
        simulator.Step(sim.Client());
        const std::int32_t rows = record->graph_row_count;
        drawn += display.Update();
        SCOPED_TRACE("update " + std::to_string(i) + ", bad value: " + HostileCaseName(simulator.State().hostileCase));
        for (const RecordItemInfo& item : kRecordItems) ASSERT_EQ(ItemFlag(*record, item.item), 0) << item.name;
        if (rows >= 0 && rows <= kMaxSpectrumRows) {
            for (std::int32_t j = 0; j < rows; ++j) ASSERT_EQ(record->spectrum_rows[j].changed, 0) << "row " << j;
        }
        if (scenario != Scenario::Hostile) {
            ASSERT_TRUE(FitsArea(orvane::GeometryOf(*record), record->graph_area_width, record->graph_area_height));
        }
    }
    EXPECT_GT(drawn, updates / 4);
}

TEST(SimWithDisplay, SteadyRecordsAreServed) { ServeUpdates(Scenario::Steady, 300); }
TEST(SimWithDisplay, BurstRecordsAreServed) { ServeUpdates(Scenario::Burst, 120); }
TEST(SimWithDisplay, HostileRecordsAreServed) { ServeUpdates(Scenario::Hostile, 3 * HostileCaseCount()); }

// ---------------------------------------------------------------------------------------

// A clock that never sleeps: waiting moves it to the deadline.
class FakeClock : public SimClock {
public:
    double now = 100.0;
    int waits = 0;
    int stopAfterWaits = -1;
    int jumpAfterWaits = -1;
    double jump = 0.0;

    double Now() override { return now; }
    bool WaitUntil(double deadline) override {
        ++waits;
        if (waits == stopAfterWaits) return false;
        now = std::max(now, deadline);
        if (waits == jumpAfterWaits) now += jump;
        return true;
    }
};

std::string ReadBack(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char chunk[512];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, got);
    return text;
}

TEST(SimRun, PacesUpdatesAndPrintsOneStatusLinePerSecond) {
    SimOptions options;
    options.rate = 25.0;
    options.duration = 4.0;
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    FakeClock clock;
    std::FILE* console = std::tmpfile();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(RunSimulation(options, sim.Client(), clock, console), 100u);
    const std::string text = ReadBack(console);
    std::fclose(console);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_GE(lines, 3);
    EXPECT_LE(lines, 4);
    EXPECT_NE(text.find("steady"), std::string::npos);
    EXPECT_NE(record->progress_changed, 0) << "the record was written";
}

TEST(SimRun, StopsOnRequestOnTheUpdateLimitAndSkipsAStallInsteadOfCatchingUp) {
    SimRecord sim;
    orvane_client* record = sim.Client();
    SimOptions options;
    options.rate = 10.0;

    FakeClock stopped;
    stopped.stopAfterWaits = 3;
    EXPECT_EQ(RunSimulation(options, record, stopped, nullptr), 3u);

    FakeClock limited;
    options.updates = 7;
    EXPECT_EQ(RunSimulation(options, record, limited, nullptr), 7u);
    EXPECT_EQ(limited.waits, 6);

    // Ten seconds lost (a suspended machine) in a twenty-second run: about ten seconds' worth
    // of updates, not a rush to make up the missed ones.
    FakeClock stalled;
    stalled.jumpAfterWaits = 50;
    stalled.jump = 10.0;
    options.updates = 0;
    options.duration = 20.0;
    const auto updates = RunSimulation(options, record, stalled, nullptr);
    EXPECT_GE(updates, 95u);
    EXPECT_LE(updates, 105u);
}

TEST(SimRun, WritesTheRecordOut) {
    SimRecord sim;
    SharedStatus* record = &sim.Record();
    Simulator simulator = MakeSimulator(Scenario::Burst);
    simulator.Step(sim.Client());
    record->saver_attached = 1;
    record->saver_priority_class = 0x40;
    record->graph_area_width = 500;
    record->graph_area_height = 150;

    const std::string path = (std::filesystem::temp_directory_path() / "orvane-sim-test-record.bin").string();
    std::string error;
    ASSERT_TRUE(WriteRecordFile(path, *record, error)) << error;
    ASSERT_EQ(std::filesystem::file_size(path), kSharedStatusSize);
    std::vector<unsigned char> bytes(kSharedStatusSize);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    std::filesystem::remove(path);
    EXPECT_EQ(std::memcmp(bytes.data(), record, kSharedStatusSize), 0);

    EXPECT_FALSE(WriteRecordFile((std::filesystem::temp_directory_path() / "no-such-dir" / "r.bin").string(),
                                 *record, error));
    EXPECT_FALSE(error.empty());
}

TEST(SimBurst, SparesTheProbesFlagWhenAskedAndRaisesEverythingElse) {
    // The tick probe keeps cpu_time_changed raised and counts the saver's lowerings: in both
    // scenarios a spared flag, once lowered, stays down however many updates follow, and a
    // saver's coming (which raises everything else again) leaves it down too.
    for (const Scenario scenario : {Scenario::Burst, Scenario::Steady}) {
        SCOPED_TRACE(ScenarioName(scenario));
        SimRecord sim;
        SharedStatus* record = &sim.Record();
        SimConfig config;
        config.scenario = scenario;
        config.seed = 7;
        config.spareCpuTimeFlag = true;
        Simulator simulator(config);
        std::int32_t progressRaised = 0;
        double cpuSeconds = -1.0;
        for (int i = 0; i < 200; ++i) {
            if (i == 100) record->saver_attached = 1;
            simulator.Step(sim.Client());
            ASSERT_EQ(record->cpu_time_changed, 0) << "update " << i;
            progressRaised += record->progress_changed != 0 ? 1 : 0;
            if (record->progress_changed != 0) {
                ASSERT_GT(record->cpu_seconds, cpuSeconds) << "the time goes with the progress, update " << i;
                cpuSeconds = record->cpu_seconds;
            }
            if (scenario == Scenario::Burst) {
                for (const RecordItemInfo& item : kRecordItems) {
                    if (item.item == RecordItem::CpuTime) continue;
                    if (item.item == RecordItem::GraphFrame && record->message.message_on != 0) continue;
                    ASSERT_NE(ItemFlag(*record, item.item), 0) << item.name;
                }
            }
            LowerAllFlags(*record);
        }
        EXPECT_GT(progressRaised, 0);  // the CPU time still changes with the progress
    }
}

// ---------------------------------------------------------------------------------------

TEST(SimOptionsParsing, ReadsEveryOption) {
    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"-min", "--scenario", "hostile", "--rate", "2.5", "--duration", "30", "--updates",
                                 "99", "--seed", "123", "--spare-cpu-time", "--dump", "r.bin"},
                                options, error))
        << error;
    EXPECT_TRUE(options.minimized);
    EXPECT_EQ(options.scenario, Scenario::Hostile);
    EXPECT_EQ(options.rate, 2.5);
    EXPECT_EQ(options.duration, 30.0);
    EXPECT_EQ(options.updates, 99u);
    EXPECT_EQ(options.seed, 123u);
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.dumpPath, "r.bin");
    EXPECT_TRUE(options.spareCpuTimeFlag);

    SimOptions defaults;
    ASSERT_TRUE(ParseSimOptions({}, defaults, error));
    EXPECT_FALSE(defaults.minimized);
    EXPECT_EQ(defaults.scenario, Scenario::Steady);
    EXPECT_EQ(defaults.rate, 10.0);
    EXPECT_LT(defaults.duration, 0.0);
    EXPECT_FALSE(defaults.seedGiven);
    EXPECT_FALSE(defaults.spareCpuTimeFlag);

    SimOptions help;
    ASSERT_TRUE(ParseSimOptions({"--help", "--bogus"}, help, error));
    EXPECT_TRUE(help.help);
}

TEST(SimOptionsParsing, RefusesWhatItCannotUseWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},           {"min"},
        {"--rate"},            {"--rate", "0"},
        {"--rate", "-3"},      {"--rate", "fast"},
        {"--rate", "1e9"},     {"--rate", "nan"},
        {"--duration", "0"},   {"--duration", "5s"},
        {"--updates", "0"},    {"--updates", "-1"},
        {"--seed", "-1"},      {"--seed", "x"},
        {"--seed", ""},        {"--scenario", "calm"},
        {"--scenario"},        {"--dump"},
        {"--dump", ""},        {"--clients", "0"},
        {"--clients", "65"},   {"--clients", "three"},
        {"--clients", "2", "--dump", "r.bin"},  {"--clients", "2", "--first", "orvane_share_65"},
    };
    for (const auto& args : bad) {
        SimOptions options;
        std::string error;
        std::string joined;
        for (const auto& arg : args) joined += arg + " ";
        EXPECT_FALSE(ParseSimOptions(args, options, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
        EXPECT_EQ(error.find('\n'), std::string::npos) << joined;
    }
}

}  // namespace
