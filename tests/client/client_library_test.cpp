// The client library against the readers' own update: every item published through it is
// drawn exactly as a record built by hand with the same values, and the rules it keeps for
// the caller (attach, message, row order, fit, bounds) hold on a real shared-memory record.
// What it refuses is exactly what orvane-inspect --lint reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "record/record_builder.h"
#include "record/record_extension.h"
#include "common/library_client.h"
#include "common/every_item.h"
#include "common/test_canvas.h"
#include "screen/status_display.h"
#include "record/inspect.h"
#include "orvane/client.h"
#include "record/record_ranges.h"
#include "record/shared_mapping.h"

namespace {

constexpr Rect kWholeCanvas{0, 0, kCanvasWidth, kCanvasHeight};

std::string TestName(const char* what) { return "orvane_test_" + std::to_string(getpid()) + "_" + what; }

bool NameExists(const std::string& name) {
    struct stat info {};
    return stat(("/dev/shm/" + name).c_str(), &info) == 0;
}

// A client on a record of its own, named after what the test does.
struct Client : LibraryClient {
    explicit Client(const char* what, unsigned flags = 0, bool fresh = true) : LibraryClient(TestName(what), flags, fresh) {}
};

// A reader's display over a record, built as the saver builds it (this writes its area).
struct Reader {
    explicit Reader(SharedStatus& record) : display(record, "no-such-header.bmp") {}
    StatusDisplay display;
};

// A reader that also sets its marker, as the saver does once its window is up.
struct AttachedReader : Reader {
    explicit AttachedReader(SharedStatus& record) : Reader(record) { MarkSaverAttached(record, 0x20); }
};

// A display over a record built by hand, the reference of what should be seen.
struct Reference {
    explicit Reference(RecordBuilder& builder)
        : record(builder.Build()), display(*record, "no-such-header.bmp") {
        display.Update();
    }
    std::unique_ptr<SharedStatus> record;
    StatusDisplay display;
};

testing::AssertionResult SameScreen(const StatusDisplay& shown, const StatusDisplay& expected,
                                    const Rect& rect = kWholeCanvas) {
    if (SamePixels(*shown.canvas, *expected.canvas, rect)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the screens differ inside {" << rect.left << ", " << rect.top << ", "
                                       << rect.right << ", " << rect.bottom << "}";
}

Rect GraphRect(const StatusDisplay& display) {
    const Panel& p = *display.graphPanel;
    return Rect{p.left, p.top, p.right, p.bottom};
}

std::vector<std::uint8_t> Ramp(std::int32_t bins, std::int32_t start, std::int32_t top) {
    std::vector<std::uint8_t> values(static_cast<std::size_t>(bins));
    for (std::int32_t i = 0; i < bins; ++i) values[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((start + i) % (top + 1));
    return values;
}

const orvane_peak kBestPeak{12.5f, 0.5f, 6, 3, 0.25f, 8};
const orvane_gaussian kBestGaussian{10.0f, 3.25f, 0.125f, 1, 2, -0.5f, 8};
const orvane_data_unit kUnit{13.5f, 18.25f, 2440588.5, 1.42e9, 8.0, 2, 2, 1048576};

void PublishEveryItem(orvane_client* c) {
    ASSERT_EQ(orvane_set_user(c, "Mira Tolvanen", 42, 3725.4), ORVANE_OK);
    ASSERT_EQ(orvane_set_data_unit(c, &kUnit), ORVANE_OK);
    ASSERT_EQ(orvane_set_status_b(c, "Computing Gaussians"), ORVANE_OK);
    ASSERT_EQ(orvane_set_status_a(c, "Searching for spikes"), ORVANE_OK);
    ASSERT_EQ(orvane_set_progress(c, 0.5f), ORVANE_OK);
    ASSERT_EQ(orvane_set_cpu_time(c, 3725.4), ORVANE_OK);
    ASSERT_EQ(orvane_set_step(c, 0.75f), ORVANE_OK);
    ASSERT_EQ(orvane_set_search(c, 0.5f, 8), ORVANE_OK);
    const orvane_peak current{1.0f, 0.75f, 1, 2, 0.1f, 8};
    ASSERT_EQ(orvane_set_current_peak(c, &current), ORVANE_OK);
    ASSERT_EQ(orvane_set_best_peak(c, &kBestPeak), ORVANE_OK);
    ASSERT_EQ(orvane_set_best_gaussian(c, &kBestGaussian), ORVANE_OK);
}

// The same items as PublishEveryItem, written by hand.
RecordBuilder EveryItemByHand() {
    return EveryItem({.user = "Mira Tolvanen", .statusTextB = {}, .message = false});
}

// The graph as the library chose it, with rows given back to front, by hand.
void GraphByHand(RecordBuilder& b, const orvane_graph& g, const std::vector<std::vector<std::uint8_t>>& rows) {
    b.GraphGeometry(g.depth_x, g.depth_y, g.mirrored != 0, g.peak_height, g.rows, g.bins).FrameChanged();
    for (std::size_t j = 0; j < rows.size(); ++j) b.Row(static_cast<std::int32_t>(j), rows[j]);
}

// The graph panel as a record built by hand with that graph and these rows shows it.
testing::AssertionResult GraphShows(const StatusDisplay& shown, const orvane_graph& g,
                                    const std::vector<std::vector<std::uint8_t>>& rows) {
    RecordBuilder byHand;
    GraphByHand(byHand, g, rows);
    Reference reference(byHand);
    return SameScreen(shown, reference.display, GraphRect(shown));
}

// The line that status A shares with status B, as a record holding only `text` as A shows it.
testing::AssertionResult StatusLineShows(const StatusDisplay& shown, const char* text) {
    RecordBuilder byHand;
    byHand.StatusTextA(text);
    Reference reference(byHand);
    const TextPanel& panel = *shown.analysisPanel;
    const Rect line = panel.LineRect(1);
    return SameScreen(shown, reference.display, Rect{panel.left, line.top, panel.right, line.bottom});
}

// Each case's client, on a record named after the case.
class ClientLibrary : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(client.status, ORVANE_OK) << client.message; }

    // A graph two rows deep whose older row is pushed and drawn; the newer one is the case's.
    void DrawOlderOfTwoRows(Reader& reader) {
        ASSERT_EQ(orvane_set_graph(client.handle, 0, 2, 0), ORVANE_OK);
        orvane_get_graph(client.handle, &g);
        older = Ramp(g.bins, 5, g.peak_height);
        newer = Ramp(g.bins, 30, g.peak_height);
        orvane_push_row(client.handle, older.data(), older.size());
        reader.display.Update();
    }

    Client client{testing::UnitTest::GetInstance()->current_test_info()->name()};
    orvane_graph g{};
    std::vector<std::uint8_t> older, newer;
};

TEST_F(ClientLibrary, WhatIsDrawnEqualsWhatWasSet) {
    Reader reader(client.Record());
    PublishEveryItem(client.handle);
    ASSERT_EQ(orvane_set_graph(client.handle, 0, 4, 1), ORVANE_OK);
    ASSERT_EQ(orvane_get_graph(client.handle, &g), ORVANE_OK);
    // Three pushes: the newest at the front (the last row), the oldest behind it, row 0 empty.
    const auto first = Ramp(g.bins, 0, g.peak_height), second = Ramp(g.bins, 9, g.peak_height),
               third = Ramp(g.bins, 20, g.peak_height);
    for (const auto* row : {&first, &second, &third}) {
        ASSERT_EQ(orvane_push_row(client.handle, row->data(), row->size()), ORVANE_OK);
    }
    EXPECT_EQ(reader.display.Update(), 1);

    RecordBuilder byHand = EveryItemByHand();
    GraphByHand(byHand, g, {std::vector<std::uint8_t>(kMaxSpectrumBins, 0), first, second, third});
    Reference reference(byHand);
    EXPECT_TRUE(SameScreen(reader.display, reference.display));
    // Every flag was served; nothing is left raised for the next tick.
    EXPECT_EQ(reader.display.Update(), 0);
}

TEST_F(ClientLibrary, GeometryFitsTheOfferedAreaAndFollowsIt) {
    Reader reader(client.Record());
    ASSERT_EQ(orvane_set_graph(client.handle, 600, 0, 0), ORVANE_OK);
    ASSERT_EQ(orvane_get_graph(client.handle, &g), ORVANE_OK);
    // The standard screen's area: 642 x 185.
    EXPECT_LE(g.bins + g.depth_x + 10, 642);
    EXPECT_LE(g.peak_height + g.depth_y, 185);
    EXPECT_GT(g.depth_y, 0);
    EXPECT_GE(g.rows, 1);
    EXPECT_EQ(client.Record().graph_bin_count, g.bins);

    // Another reader offers a smaller area: a new geometry inside it, everything raised.
    reader.display.Update();
    MarkSaverAttached(client.Record(), 0x20);
    orvane_poll(client.handle);
    reader.display.Update();
    WriteFlag(client.Record().graph_area_width, 300);
    WriteFlag(client.Record().graph_area_height, 90);
    EXPECT_NE(orvane_poll(client.handle) & ORVANE_EVENT_AREA, 0u);
    ASSERT_EQ(orvane_get_graph(client.handle, &g), ORVANE_OK);
    EXPECT_LE(g.bins + g.depth_x + 10, 300);
    EXPECT_LE(g.peak_height + g.depth_y, 90);
    EXPECT_NE(ReadFlag(client.Record().graph_frame_changed), 0);
    EXPECT_NE(ReadFlag(client.Record().spectrum_rows[g.rows - 1].changed), 0);

    // Samples above the box are held to it; a longer row keeps each group's maximum.
    std::vector<std::uint8_t> wide(static_cast<std::size_t>(g.bins) * 2, 0);
    wide[1] = 255;
    ASSERT_EQ(orvane_push_row(client.handle, wide.data(), wide.size()), ORVANE_OK);
    const std::uint8_t* front = client.Record().spectrum_rows[g.rows - 1].values;
    EXPECT_EQ(front[0], g.peak_height);
    EXPECT_EQ(front[1], 0);
    const float ramp[3] = {-1.0f, 0.5f, 2.0f};
    ASSERT_EQ(orvane_push_row_float(client.handle, ramp, 3, 1.0f), ORVANE_OK);
    EXPECT_EQ(front[0], 0);
    EXPECT_EQ(front[g.bins / 2], g.peak_height / 2);
    EXPECT_EQ(front[g.bins - 1], g.peak_height);
}

TEST_F(ClientLibrary, AReaderThatAttachesGetsEverythingAgain) {
    SharedStatus& record = client.Record();
    AttachedReader first(record);
    PublishEveryItem(client.handle);
    ASSERT_EQ(orvane_set_graph(client.handle, 0, 3, 0), ORVANE_OK);
    orvane_get_graph(client.handle, &g);
    const auto row = Ramp(g.bins, 3, g.peak_height);
    orvane_push_row(client.handle, row.data(), row.size());
    first.display.Update();
    ASSERT_EQ(first.display.Update(), 0);
    orvane_poll(client.handle);

    // The first reader goes, another comes: it has drawn nothing and every flag is down.
    MarkSaverDetached(record);
    EXPECT_EQ(orvane_poll(client.handle), ORVANE_EVENT_DETACHED);
    EXPECT_EQ(orvane_reader_attached(client.handle), 0);
    AttachedReader second(record);
    EXPECT_EQ(orvane_poll(client.handle) & ORVANE_EVENT_ATTACHED, ORVANE_EVENT_ATTACHED);
    EXPECT_EQ(orvane_reader_attached(client.handle), 1);
    EXPECT_EQ(second.display.Update(), 1);
    EXPECT_TRUE(SameScreen(second.display, first.display));

    // Status B set last is what a newly attached reader shows on the shared line, with the
    // step bar that the new text blanked drawn again.
    orvane_set_status_b(client.handle, "Checkpointing");
    second.display.Update();
    EXPECT_EQ(ReadFlag(record.step_fraction_changed), 0);
    MarkSaverDetached(record);
    orvane_poll(client.handle);
    AttachedReader third(record);
    orvane_poll(client.handle);
    third.display.Update();
    EXPECT_TRUE(SameScreen(third.display, second.display));
}

TEST_F(ClientLibrary, TakingTheMessageDownBringsTheGraphBack) {
    SharedStatus& record = client.Record();
    Reader reader(record);
    ASSERT_NO_FATAL_FAILURE(DrawOlderOfTwoRows(reader));

    ASSERT_EQ(orvane_show_message(client.handle, "Could not reach", "the data server"), ORVANE_OK);
    reader.display.Update();
    // While the message shows, a new row is kept but not raised: a frame redraw would wipe it.
    // Nor is it written: a second reader, which draws what the first one drew from the record
    // as it finds it, would show a graph that the first one never drew. A new geometry waits
    // as well.
    const auto graphBytes = [&record] {
        const auto* from = reinterpret_cast<const unsigned char*>(&record.graph_depth_x);
        return std::vector<unsigned char>(from, reinterpret_cast<const unsigned char*>(&record.saver_attached));
    };
    const std::vector<unsigned char> drawn = graphBytes();
    orvane_push_row(client.handle, newer.data(), newer.size());
    orvane_set_graph(client.handle, 0, 3, 0);
    orvane_set_graph(client.handle, 0, 2, 0);
    orvane_push_row(client.handle, older.data(), older.size());
    orvane_push_row(client.handle, newer.data(), newer.size());
    EXPECT_EQ(ReadFlag(record.graph_frame_changed), 0);
    EXPECT_EQ(ReadFlag(record.spectrum_rows[1].changed), 0);
    EXPECT_TRUE(graphBytes() == drawn) << "the record's graph changed under the message";
    reader.display.Update();

    ASSERT_EQ(orvane_hide_message(client.handle), ORVANE_OK);
    EXPECT_EQ(reader.display.Update(), 1);
    EXPECT_TRUE(GraphShows(reader.display, g, {older, newer}));
}

TEST_F(ClientLibrary, RowsAReaderDrewBeforeTheirFrameGoUpAgain) {
    SharedStatus& record = client.Record();
    AttachedReader reader(record);
    ASSERT_NO_FATAL_FAILURE(DrawOlderOfTwoRows(reader));

    // The reader's tick read the frame's flag just before the push raised it and the rows'
    // just after: it draws the rows alone, and the frame next tick clears them.
    orvane_push_row(client.handle, newer.data(), newer.size());
    WriteFlag(record.graph_frame_changed, 0);
    reader.display.Update();
    WriteFlag(record.graph_frame_changed, 1);
    orvane_poll(client.handle);
    reader.display.Update();
    EXPECT_TRUE(GraphShows(reader.display, g, {older, newer}));
}

TEST_F(ClientLibrary, TheStatusTextSetLastStaysWhenAReaderDrewItBeforeTheOther) {
    SharedStatus& record = client.Record();
    AttachedReader reader(record);
    orvane_poll(client.handle);
    reader.display.Update();
    // The tick read B's flag just before both went up and A's just after.
    orvane_set_status_b(client.handle, "Checkpointing");
    orvane_set_status_a(client.handle, "Searching for spikes");
    WriteFlag(record.status_text_b_changed, 0);
    reader.display.Update();
    WriteFlag(record.status_text_b_changed, 1);
    orvane_poll(client.handle);
    reader.display.Update();
    EXPECT_TRUE(StatusLineShows(reader.display, "Searching for spikes"));
}

TEST_F(ClientLibrary, AMessageRaisedOverAWaitingFrameGoesUpAgain) {
    SharedStatus& record = client.Record();
    Reader reader(record);
    orvane_set_graph(client.handle, 0, 2, 0);
    // The frame is still raised when the message goes up: the reader draws the message, then
    // the frame over it. The library raises the message once more after that.
    orvane_show_message(client.handle, "Hello", "there");
    reader.display.Update();
    EXPECT_EQ(ReadFlag(record.message_changed), 0);
    orvane_poll(client.handle);
    EXPECT_NE(ReadFlag(record.message_changed), 0);
    reader.display.Update();

    // By hand: the graph first, then the message over it at the next tick.
    RecordBuilder byHand;
    orvane_get_graph(client.handle, &g);
    const std::vector<std::uint8_t> empty(kMaxSpectrumBins, 0);
    GraphByHand(byHand, g, {empty, empty});
    Reference reference(byHand);
    SharedStatus& shown = *reference.record;
    shown.message.message_on = 1;
    SetRecordText(shown.message.message_line1, "Hello");
    SetRecordText(shown.message.message_line2, "there");
    RaiseFlag(shown.message_changed);
    reference.display.Update();
    EXPECT_TRUE(SameScreen(reader.display, reference.display, GraphRect(reader.display)));
}

TEST_F(ClientLibrary, TextsAreBoundedToTheirFieldsAndValuesToTheirRanges) {
    SharedStatus& record = client.Record();
    const std::string longText(300, 'W');
    ASSERT_EQ(orvane_set_status_a(client.handle, longText.c_str()), ORVANE_OK);
    ASSERT_EQ(orvane_set_user(client.handle, longText.c_str(), 1, 0.0), ORVANE_OK);
    ASSERT_EQ(orvane_show_message(client.handle, longText.c_str(), nullptr), ORVANE_OK);
    EXPECT_EQ(strnlen(record.status_text_a, sizeof record.status_text_a), 79u);
    EXPECT_EQ(strnlen(record.user_info.user_name, sizeof record.user_info.user_name), 267u);
    EXPECT_EQ(strnlen(record.message.message_line1, 128), 127u);
    EXPECT_EQ(record.message.message_line2[0], '\0');
    EXPECT_EQ(record.user_info.units_completed, 1);  // the byte after the name is untouched
    // A shorter text leaves nothing of the longer one behind it.
    ASSERT_EQ(orvane_set_status_a(client.handle, "abc"), ORVANE_OK);
    EXPECT_EQ(std::string(record.status_text_a, sizeof record.status_text_a), std::string("abc") + std::string(77, '\0'));

    Reader reader(record);
    reader.display.Update();
    EXPECT_TRUE(StatusLineShows(reader.display, "abc"));

    // Fractions are held to their range (the refusals are RefusesExactlyWhatTheLintReports').
    EXPECT_EQ(orvane_set_progress(client.handle, 1.5f), ORVANE_OK);
    EXPECT_EQ(record.progress_fraction, 1.0f);
    EXPECT_EQ(orvane_set_step(client.handle, -2.0f), ORVANE_OK);
    EXPECT_EQ(record.step_fraction, 0.0f);
    EXPECT_EQ(orvane_set_graph(client.handle, 601, 0, 0), ORVANE_ERR_RANGE);
    EXPECT_EQ(orvane_set_cpu_time(nullptr, 1.0), ORVANE_ERR_ARGUMENT);
    EXPECT_EQ(orvane_poll(nullptr), 0u);
}

// A careless client's call, made through the library or, with `raw`, written into a record as
// a client without the library would write it.
struct Publish {
    orvane_client* client = nullptr;
    SharedStatus* raw = nullptr;

    orvane_status User(double totalCpuSeconds) {
        if (raw == nullptr) return orvane_set_user(client, "Mira Tolvanen", 42, totalCpuSeconds);
        raw->user_info.total_cpu_seconds = totalCpuSeconds;
        return Raised(raw->user_info_changed);
    }
    orvane_status DataUnit(const orvane_data_unit& u) {
        if (raw == nullptr) return orvane_set_data_unit(client, &u);
        DataInfo& d = raw->data_info;
        d.ra_hours = u.ra_hours;
        d.dec_degrees = u.dec_degrees;
        d.recorded_jd = u.recorded_jd;
        d.base_frequency_hz = u.base_frequency_hz;
        d.bandwidth_hz = u.bandwidth_hz;
        d.bin_wrap_divisor = u.bin_wrap_divisor;
        return Raised(raw->data_info_changed);
    }
    orvane_status Progress(float fraction) {
        if (raw == nullptr) return orvane_set_progress(client, fraction);
        raw->progress_fraction = fraction;
        return Raised(raw->progress_changed);
    }
    orvane_status Step(float fraction) {
        if (raw == nullptr) return orvane_set_step(client, fraction);
        raw->step_fraction = fraction;
        return Raised(raw->step_fraction_changed);
    }
    orvane_status CpuTime(double seconds) {
        if (raw == nullptr) return orvane_set_cpu_time(client, seconds);
        raw->cpu_seconds = seconds;
        return Raised(raw->cpu_time_changed);
    }
    orvane_status Search(float driftRate, std::int32_t fftLength) {
        if (raw == nullptr) return orvane_set_search(client, driftRate, fftLength);
        raw->drift_rate = driftRate;
        raw->fft_length = fftLength;
        return Raised(raw->search_params_changed);
    }
    orvane_status CurrentPeak(const orvane_peak& p) {
        if (raw == nullptr) return orvane_set_current_peak(client, &p);
        raw->current_peak = Summary(p);
        return Raised(raw->current_peak_changed);
    }
    orvane_status BestPeak(const orvane_peak& p) {
        if (raw == nullptr) return orvane_set_best_peak(client, &p);
        raw->best_peak = Summary(p);
        return Raised(raw->best_peak_changed);
    }
    orvane_status BestGaussian(const orvane_gaussian& g) {
        if (raw == nullptr) return orvane_set_best_gaussian(client, &g);
        raw->best_gaussian = GaussianSummary{g.score, g.power, g.fit, g.freq_bin, g.time_bin, g.drift_rate, g.fft_length};
        return Raised(raw->best_gaussian_changed);
    }
    // The calls below put no value into a record: written raw, they leave it as it is.
    orvane_status PushRow(std::size_t count, bool asFloat) {
        const std::uint8_t bytes[1] = {1};
        const float floats[1] = {1.0f};
        if (raw != nullptr) return ORVANE_OK;
        return asFloat ? orvane_push_row_float(client, floats, count, 1.0f) : orvane_push_row(client, bytes, count);
    }
    orvane_status Open(unsigned flags, bool withOut, const char* said) {
        if (raw != nullptr) return ORVANE_OK;
        const std::string name = TestName("careless_open");
        orvane_client* opened = client;  // anything but NULL: a failure must clear it
        char message[256] = {};
        const orvane_status status = orvane_open(name.c_str(), flags, withOut ? &opened : nullptr, message, sizeof message);
        if (withOut) {
            EXPECT_EQ(opened, nullptr);
        }
        EXPECT_NE(std::string(message).find(said), std::string::npos) << message;
        EXPECT_FALSE(NameExists(name));
        if (status == ORVANE_OK) orvane_close(opened);
        return status;
    }

    static orvane_status Raised(std::int32_t& flag) {
        RaiseFlag(flag);
        return ORVANE_OK;
    }
    static PeakSummary Summary(const orvane_peak& p) {
        return PeakSummary{p.power, p.score, p.freq_bin, p.time_bin, p.drift_rate, p.fft_length};
    }
};

template <typename S, typename F>
S With(S s, F S::*field, std::type_identity_t<F> value) {
    s.*field = value;
    return s;
}

using Unit = orvane_data_unit;
using Peak = orvane_peak;
using Gaussian = orvane_gaussian;
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInff = std::numeric_limits<float>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Call {
    const char* what;
    orvane_status (*call)(Publish&);
    orvane_status expected = ORVANE_ERR_RANGE;
    bool held = false;  // taken, but held to its range first
};

// Every row is one call: refused ones must leave the record as it was and, written raw, be
// the one mistake the lint finds; accepted ones (the edges of each range) must lint clean, and
// a value the library holds to its range is one that written raw would not.
const Call kCalls[] = {
    {"ra NaN", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::ra_hours, kNaNf)); }},
    {"ra 99", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::ra_hours, 99.0f)); }},
    {"ra 24", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::ra_hours, 24.0f)); }},
    {"ra -0.001", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::ra_hours, -0.001f)); }},
    {"dec infinite", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::dec_degrees, kInff)); }},
    {"dec 90.01", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::dec_degrees, 90.01f)); }},
    {"recorded NaN", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::recorded_jd, kNaN)); }},
    {"recorded 1e300", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::recorded_jd, 1e300)); }},
    {"recorded 1901-12-13", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::recorded_jd, 2415731.5)); }},
    {"base frequency infinite", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::base_frequency_hz, -kInf)); }},
    {"base frequency NaN", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::base_frequency_hz, kNaN)); }},
    {"bandwidth 0", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::bandwidth_hz, 0.0)); }},
    {"bandwidth infinite", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::bandwidth_hz, kInf)); }},
    {"divisor 0", [](Publish& p) { return p.DataUnit(With(kUnit, &Unit::bin_wrap_divisor, 0)); }},
    {"total CPU NaN", [](Publish& p) { return p.User(kNaN); }},
    {"total CPU -1", [](Publish& p) { return p.User(-1.0); }},
    {"CPU infinite", [](Publish& p) { return p.CpuTime(kInf); }},
    {"CPU -0.5", [](Publish& p) { return p.CpuTime(-0.5); }},
    {"progress NaN", [](Publish& p) { return p.Progress(kNaNf); }},
    {"step NaN", [](Publish& p) { return p.Step(kNaNf); }},
    {"drift infinite", [](Publish& p) { return p.Search(kInff, 4096); }},
    {"drift NaN", [](Publish& p) { return p.Search(kNaNf, 4096); }},
    {"search length 0", [](Publish& p) { return p.Search(0.5f, 0); }},
    {"current score infinite", [](Publish& p) { return p.CurrentPeak(With(kBestPeak, &Peak::score, kInff)); }},
    {"current score NaN", [](Publish& p) { return p.CurrentPeak(With(kBestPeak, &Peak::score, kNaNf)); }},
    {"best bin 5000", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::freq_bin, 5000)); }},
    {"best bin 8 of 8", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::freq_bin, 8)); }},
    {"best bin -7", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::freq_bin, -7)); }},
    {"best time bin -1", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::time_bin, -1)); }},
    {"best score infinite", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::score, kInff)); }},
    {"best score -0.5", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::score, -0.5f)); }},
    {"best length 0", [](Publish& p) { return p.BestPeak(With(kBestPeak, &Peak::fft_length, 0)); }},
    {"Gaussian bin 5000", [](Publish& p) { return p.BestGaussian(With(kBestGaussian, &Gaussian::freq_bin, 5000)); }},
    {"Gaussian bin -7", [](Publish& p) { return p.BestGaussian(With(kBestGaussian, &Gaussian::freq_bin, -7)); }},
    {"Gaussian time bin INT_MIN", [](Publish& p) { return p.BestGaussian(With(kBestGaussian, &Gaussian::time_bin, INT_MIN)); }},
    {"Gaussian score NaN", [](Publish& p) { return p.BestGaussian(With(kBestGaussian, &Gaussian::score, kNaNf)); }},
    {"Gaussian length -8", [](Publish& p) { return p.BestGaussian(With(kBestGaussian, &Gaussian::fft_length, -8)); }},
    {"empty row", [](Publish& p) { return p.PushRow(0, false); }, ORVANE_ERR_ARGUMENT},
    {"empty float row", [](Publish& p) { return p.PushRow(0, true); }, ORVANE_ERR_ARGUMENT},
    {"open flag 0x4", [](Publish& p) { return p.Open(0x4, true, "unknown flags 0x4"); }, ORVANE_ERR_ARGUMENT},
    {"open next free off the family",
     [](Publish& p) { return p.Open(ORVANE_OPEN_NEXT_FREE, true, "a name of the family"); }, ORVANE_ERR_ARGUMENT},
    {"open flag 0x80000001", [](Publish& p) { return p.Open(0x80000001u, true, "unknown flags 0x80000000"); }, ORVANE_ERR_ARGUMENT},
    {"open with NULL out", [](Publish& p) { return p.Open(0, false, "out is NULL"); }, ORVANE_ERR_ARGUMENT},

    {"first edges of the data unit", [](Publish& p) {
         return p.DataUnit(Unit{0.0f, -90.0f, orvane::kFirstRecordedJd, -1e300, 1e-300, 1, 0, 0});
     }, ORVANE_OK},
    {"last edges of the data unit", [](Publish& p) {
         return p.DataUnit(Unit{std::nextafter(24.0f, 0.0f), 90.0f, orvane::kLastRecordedJd, 1e300, 1e300, INT_MAX, 2, 0});
     }, ORVANE_OK},
    {"no time yet", [](Publish& p) { return p.CpuTime(0.0) == ORVANE_OK ? p.User(0.0) : ORVANE_ERR_RANGE; }, ORVANE_OK},
    {"progress infinite, held to 1", [](Publish& p) { return p.Progress(kInff); }, ORVANE_OK, true},
    {"step -1, held to 0", [](Publish& p) { return p.Step(-1.0f); }, ORVANE_OK, true},
    {"search of one bin", [](Publish& p) { return p.Search(-1e30f, 1); }, ORVANE_OK},
    // Only the latest peak's score shows; a peak's power and drift, and a fit, are printed as
    // they are.
    {"latest peak below 0, bins anywhere", [](Publish& p) { return p.CurrentPeak(Peak{kNaNf, -5.0f, -7, -1, kInff, 0}); }, ORVANE_OK},
    {"best peak in the last bin", [](Publish& p) { return p.BestPeak(Peak{kNaNf, 0.0f, 7, 0, -kInff, 8}); }, ORVANE_OK},
    {"Gaussian of one bin", [](Publish& p) { return p.BestGaussian(Gaussian{0.0f, kInff, kNaNf, 0, INT_MAX, kNaNf, 1}); }, ORVANE_OK},
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
}

TEST_F(ClientLibrary, RefusesExactlyWhatTheLintReports) {
    PublishEveryItem(client.handle);
    ASSERT_EQ(orvane_set_graph(client.handle, 0, 4, 0), ORVANE_OK);
    const auto row = Ramp(64, 0, 40);
    ASSERT_EQ(orvane_push_row(client.handle, row.data(), row.size()), ORVANE_OK);
    std::size_t size = 0;
    const auto* bytes = static_cast<const unsigned char*>(orvane_raw_record(client.handle, &size));
    ASSERT_EQ(Joined(LintRecord(bytes, size)), "");

    for (const Call& c : kCalls) {
        SCOPED_TRACE(c.what);
        const std::vector<unsigned char> before(bytes, bytes + size);
        Publish library{client.handle};
        EXPECT_EQ(c.call(library), c.expected);
        if (c.expected != ORVANE_OK) {
            EXPECT_TRUE(std::equal(before.begin(), before.end(), bytes)) << "the record changed";
        }
        EXPECT_EQ(Joined(LintRecord(bytes, size)), "");  // what was taken shows as it is

        const std::unique_ptr<SharedStatus> raw = MakeZeroRecord();
        Publish around{nullptr, raw.get()};
        c.call(around);
        const auto found = LintRecord(reinterpret_cast<const unsigned char*>(raw.get()), sizeof *raw);
        EXPECT_EQ(found.size(), c.expected == ORVANE_ERR_RANGE || c.held ? 1u : 0u) << Joined(found);
    }
}

TEST(ClientLibraryOpen, MakesAPrivateZeroedRecordAndRemovesItAtClose) {
    std::string name;
    {
        Client client("open");
        ASSERT_EQ(client.status, ORVANE_OK) << client.message;
        name = client.name;
        struct stat info {};
        ASSERT_EQ(stat(("/dev/shm/" + name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(static_cast<std::size_t>(info.st_size), kExtendedRecordSize);  // room for the label
        EXPECT_EQ(client.message[0], '\0');
        EXPECT_EQ(std::string(orvane_record_name(client.handle)), name);
        client.Close();
        EXPECT_FALSE(NameExists(name));
    }
    Client kept("keep", ORVANE_OPEN_KEEP_NAME);
    ASSERT_EQ(kept.status, ORVANE_OK) << kept.message;
    kept.Close();
    EXPECT_TRUE(NameExists(kept.name));
}

TEST(ClientLibraryOpen, RefusesANameTakenByALiveClientOrTooSmall) {
    Client live("taken");
    ASSERT_EQ(live.status, ORVANE_OK) << live.message;
    orvane_client* second = nullptr;
    char message[256];
    EXPECT_EQ(orvane_open(live.name.c_str(), 0, &second, message, sizeof message), ORVANE_ERR_NAME_TAKEN);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(std::string(message).find("running client"), std::string::npos) << message;

    const std::string small = TestName("small");
    const int fd = shm_open(("/" + small).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 1000), 0);
    close(fd);
    EXPECT_EQ(orvane_open(small.c_str(), 0, &second, message, sizeof message), ORVANE_ERR_TOO_SMALL);
    EXPECT_NE(std::string(message).find("1000 bytes"), std::string::npos) << message;
    struct stat info {};
    stat(("/dev/shm/" + small).c_str(), &info);
    EXPECT_EQ(info.st_size, 1000);  // never resized
    shm_unlink(("/" + small).c_str());

    EXPECT_EQ(orvane_open("a/b", 0, &second, message, sizeof message), ORVANE_ERR_ARGUMENT);
    EXPECT_EQ(orvane_open("", 0, &second, nullptr, 0), ORVANE_ERR_ARGUMENT);
}

TEST(ClientLibraryOpen, RefusesARecordThisUserMayNotOpen) {
    const std::string name = TestName("permission");
    const int fd = shm_open(("/" + name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kSharedStatusSize)), 0);
    close(fd);
    // Another user's private record; as root, try it as nobody in a child.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        if (geteuid() != 0) chmod(("/dev/shm/" + name).c_str(), 0);
        orvane_client* client = nullptr;
        char message[256];
        const orvane_status status = orvane_open(name.c_str(), 0, &client, message, sizeof message);
        _exit(status == ORVANE_ERR_PERMISSION && std::strstr(message, "Permission") != nullptr ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    shm_unlink(("/" + name).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The label as readers read it, from the object as mapped.
std::string LabelOf(LibraryClient& client) {
    std::size_t size = 0;
    const auto* bytes = static_cast<const unsigned char*>(orvane_raw_record(client.handle, &size));
    return RecordLabel(bytes, size);
}

std::vector<unsigned char> ExtensionBytes(LibraryClient& client) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&client.Record()) + kRecordExtensionOffset;
    return std::vector<unsigned char>(bytes, bytes + kRecordExtensionSize);
}

TEST(ClientLibraryLabel, ReadersReadWhatWasSetAndARefusedLabelWritesNothing) {
    Client client("label");
    ASSERT_EQ(client.status, ORVANE_OK) << client.message;
    EXPECT_EQ(LabelOf(client), "");
    ASSERT_EQ(orvane_set_label(client.handle, "core 3: band 2"), ORVANE_OK);
    EXPECT_EQ(LabelOf(client), "core 3: band 2");
    const std::string longest(31, 'w');
    ASSERT_EQ(orvane_set_label(client.handle, longest.c_str()), ORVANE_OK);
    EXPECT_EQ(LabelOf(client), longest);
    ASSERT_EQ(orvane_set_label(client.handle, "Caf\xe9 5"), ORVANE_OK);  // Windows-1252, as every text
    EXPECT_EQ(LabelOf(client), "Caf\xe9 5");

    const std::vector<unsigned char> before = ExtensionBytes(client);
    const std::string tooLong(32, 'w');
    for (const char* bad : {"tab\there", "line\n", "bell\x07", "del\x7f", tooLong.c_str()}) {
        EXPECT_EQ(orvane_set_label(client.handle, bad), ORVANE_ERR_RANGE) << bad;
    }
    EXPECT_EQ(orvane_set_label(client.handle, nullptr), ORVANE_ERR_ARGUMENT);
    EXPECT_EQ(orvane_set_label(nullptr, "x"), ORVANE_ERR_ARGUMENT);
    EXPECT_EQ(ExtensionBytes(client), before) << "a refused label changed the extension, its count included";
    EXPECT_EQ(std::string(orvane_record_name(nullptr)), "");

    ASSERT_EQ(orvane_set_label(client.handle, ""), ORVANE_OK);
    EXPECT_EQ(LabelOf(client), "");
    EXPECT_EQ(Joined(LintRecord(reinterpret_cast<const unsigned char*>(&client.Record()), kExtendedRecordSize)), "");
}

TEST(ClientLibraryLabel, ARecordTakenOverLosesTheEndedClientsLabelAndAShortOneHasNoRoom) {
    {
        // A client that ends leaving its name (and its label) behind; the next one is unlabelled
        // until it says otherwise.
        Client ended("label_taken", ORVANE_OPEN_KEEP_NAME);
        ASSERT_EQ(ended.status, ORVANE_OK) << ended.message;
        ASSERT_EQ(orvane_set_label(ended.handle, "core 1"), ORVANE_OK);
        ended.Close();
        Client next("label_taken", 0, false);
        ASSERT_EQ(next.status, ORVANE_OK) << next.message;
        EXPECT_EQ(LabelOf(next), "");
        ASSERT_EQ(orvane_set_label(next.handle, "core 2"), ORVANE_OK);
        EXPECT_EQ(LabelOf(next), "core 2");
    }

    // An older client's object holds the fixed bytes alone: it is taken over as it is, and
    // the label has nowhere to go.
    const std::string name = TestName("label_short");
    const int fd = shm_open(("/" + name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kSharedStatusSize)), 0);
    close(fd);
    Client old("label_short", 0, false);
    ASSERT_EQ(old.status, ORVANE_OK) << old.message;
    std::size_t size = 0;
    orvane_raw_record(old.handle, &size);
    EXPECT_EQ(size, kSharedStatusSize);
    EXPECT_EQ(orvane_set_label(old.handle, "core 3"), ORVANE_ERR_TOO_SMALL);
    EXPECT_EQ(orvane_set_label(old.handle, "tab\t"), ORVANE_ERR_RANGE);  // the value is judged first
    EXPECT_EQ(orvane_set_status_a(old.handle, "still publishing"), ORVANE_OK);
    struct stat info {};
    ASSERT_EQ(stat(("/dev/shm/" + name).c_str(), &info), 0);
    EXPECT_EQ(static_cast<std::size_t>(info.st_size), kSharedStatusSize) << "never grown";
}

TEST(ClientLibraryOpen, TakesOverTheRecordOfAClientThatEnded) {
    const std::string name = TestName("stale");
    shm_unlink(("/" + name).c_str());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A client that dies without closing: its record and name stay behind.
        orvane_client* client = nullptr;
        if (orvane_open(name.c_str(), 0, &client, nullptr, 0) != ORVANE_OK) _exit(1);
        orvane_set_user(client, "Oskar Brandel", 3, 1.0);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A reader still holds the old record and has written its marker and area into it.
    SharedMapping reader;
    ASSERT_TRUE(OpenSharedStatus(reader, name.c_str()));
    MarkSaverAttached(*reader.record, 0x40);
    WriteFlag(reader.record->graph_area_width, 500);
    WriteFlag(reader.record->graph_area_height, 150);

    Client next("stale", 0, false);
    ASSERT_EQ(next.status, ORVANE_OK) << next.message;
    EXPECT_EQ(reader.record->user_info.user_name[0], '\0');
    EXPECT_EQ(ReadFlag(reader.record->user_info_changed), 0);
    EXPECT_EQ(reader.record->saver_attached, 1);
    EXPECT_EQ(reader.record->saver_priority_class, 0x40);
    EXPECT_EQ(reader.record->graph_area_width, 500);
    // The reader sees what the new client publishes, in the geometry its area allows.
    orvane_set_user(next.handle, "Ines Varga", 1, 2.0);
    EXPECT_STREQ(reader.record->user_info.user_name, "Ines Varga");
    orvane_set_graph(next.handle, 0, 0, 0);
    EXPECT_LE(reader.record->graph_bin_count + reader.record->graph_depth_x + 10, 500);
    CloseSharedStatus(reader);
}

}  // namespace
