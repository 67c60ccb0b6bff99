// A passive reader alone (orvane-serve on a machine without a saver) against a sole reader
// that serves the handshake: two records written by the library with the same calls, one read
// by each, and the two pictures compared whole once the sole reader has drawn all it was
// given. The calls are drawn at random from every publishing call (pushes, frames from new
// geometries, the message up and down, every text item) and come one to three a tick, so that
// what a passive reader must work out from changed bytes alone is tried in many combinations.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/library_client.h"
#include "common/test_canvas.h"
#include "orvane/client.h"
#include "reader/reader_session.h"

namespace {

constexpr Rect kWholeCanvas{0, 0, kCanvasWidth, kCanvasHeight};

ReaderConfig Config(const std::string& name, bool passive) {
    ReaderConfig config;
    config.recordName = name;
    config.headerImage = "no-such-header.bmp";
    config.passive = passive;
    return config;
}

// The raised flags by name ("row 7" for a row), empty when none is. Rows past the graph's row
// count are never drawn, and a geometry with fewer rows may leave some raised.
std::string RaisedFlags(const SharedStatus& record) {
    std::string names;
    for (int i = 0; i < kRecordItemCount + record.graph_row_count; ++i) {
        if (ReadFlag(FlagAt(record, FlagOffsetByIndex(i))) == 0) continue;
        names += i < kRecordItemCount ? kRecordItems[i].name : "row " + std::to_string(i - kRecordItemCount);
        names += "; ";
    }
    return names;
}

// One publishing call, the same on both clients; `k` keeps every value new, since a value
// written again unchanged cannot be told from no write by a reader that lowers nothing.
class CallMaker {
public:
    explicit CallMaker(unsigned seed) : random_(seed) {}

    std::string Next(orvane_client* a, orvane_client* b) {
        const int pick = Uniform(0, 15);
        const int k = ++count_;
        auto both = [&](auto call) {
            EXPECT_EQ(call(a), ORVANE_OK);
            EXPECT_EQ(call(b), ORVANE_OK);
        };
        switch (pick) {
            case 0: {
                const std::string text = "Searching, pass " + std::to_string(k);
                both([&](orvane_client* c) { return orvane_set_status_a(c, text.c_str()); });
                return "status A";
            }
            case 1: {
                const std::string text = "Computing Gaussians " + std::to_string(k);
                both([&](orvane_client* c) { return orvane_set_status_b(c, text.c_str()); });
                return "status B";
            }
            case 2: {
                const float f = static_cast<float>(Uniform(0, 1000)) / 1000.0f;
                both([&](orvane_client* c) { return orvane_set_progress(c, f); });
                return "progress";
            }
            case 3: {
                const float f = static_cast<float>(Uniform(0, 1000)) / 1000.0f;
                both([&](orvane_client* c) { return orvane_set_step(c, f); });
                return "step";
            }
            case 4: {
                const double seconds = 100.0 * k;
                both([&](orvane_client* c) { return orvane_set_cpu_time(c, seconds); });
                return "cpu time";
            }
            case 5: {
                const orvane_peak peak{1.0f * k, static_cast<float>(Uniform(0, 100)) / 80.0f, 3, 1, 0.5f, 64};
                both([&](orvane_client* c) { return orvane_set_current_peak(c, &peak); });
                return "current peak";
            }
            case 6: {
                const orvane_peak peak{2.0f * k, static_cast<float>(Uniform(0, 100)) / 80.0f, Uniform(0, 63), k, 0.25f, 64};
                both([&](orvane_client* c) { return orvane_set_best_peak(c, &peak); });
                return "best peak";
            }
            case 7: {
                const orvane_gaussian g{static_cast<float>(Uniform(0, 25)), 1.5f * k, 0.5f, Uniform(0, 63), k, -0.25f, 64};
                both([&](orvane_client* c) { return orvane_set_best_gaussian(c, &g); });
                return "best gaussian";
            }
            case 8: {
                const orvane_data_unit unit{12.25f, -12.5f, 2451545.0 + k, 1.42e9, 2000.0 + k, 2, 2, 1048576};
                both([&](orvane_client* c) { return orvane_set_data_unit(c, &unit); });
                return "data unit";
            }
            case 9: {
                both([&](orvane_client* c) { return orvane_set_search(c, 0.125f * k, 1024); });
                return "search";
            }
            case 10: {
                const std::string line = "Message number " + std::to_string(k);
                both([&](orvane_client* c) { return orvane_show_message(c, line.c_str(), "for the user"); });
                return "show message";
            }
            case 11: {
                both([&](orvane_client* c) { return orvane_hide_message(c); });
                return "hide message";
            }
            case 12: {
                const int bins = Uniform(20, 600);
                const int rows = Uniform(1, 40);
                const int mirrored = Uniform(0, 1);
                both([&](orvane_client* c) { return orvane_set_graph(c, bins, rows, mirrored); });
                return "graph " + std::to_string(bins) + "x" + std::to_string(rows);
            }
            default: {
                // A moving spike over a low floor: every push changes the graph's every row.
                std::vector<std::uint8_t> row(600, static_cast<std::uint8_t>(Uniform(0, 5)));
                const int at = (k * 37) % 590;
                for (int i = at; i < at + 8; ++i) row[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(Uniform(40, 255));
                both([&](orvane_client* c) { return orvane_push_row(c, row.data(), row.size()); });
                return "push";
            }
        }
    }

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

private:
    std::mt19937 random_;
    int count_ = 0;
};

// Where two screens differ, for the failure's message.
std::string Difference(const Canvas& a, const Canvas& b) {
    Rect box{kCanvasWidth, kCanvasHeight, 0, 0};
    long count = 0;
    for (std::int32_t y = 0; y < kCanvasHeight; ++y)
        for (std::int32_t x = 0; x < kCanvasWidth; ++x) {
            if (PackedRgb(a.PixelAt(x, y)) == PackedRgb(b.PixelAt(x, y))) continue;
            ++count;
            box = Rect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
        }
    return std::to_string(count) + " pixels differ within {" + std::to_string(box.left) + ", " + std::to_string(box.top) +
           ", " + std::to_string(box.right) + ", " + std::to_string(box.bottom) + "}";
}

}  // namespace

TEST(PassiveReaderAlone, DrawsWhatASoleReaderDrawsForTheSameCalls) {
    for (const unsigned seed : {1u, 2u, 3u, 4u, 6u}) {
        const std::string base = "orvane_test_passive_" + std::to_string(getpid()) + "_" + std::to_string(seed);
        LibraryClient served(base + "_served");
        LibraryClient watched(base + "_watched");
        ASSERT_EQ(served.status, ORVANE_OK) << served.message;
        ASSERT_EQ(watched.status, ORVANE_OK) << watched.message;
        ReaderSession sole(Config(served.name, false));
        ReaderSession passive(Config(watched.name, true));
        std::uint32_t now = 0;
        sole.Tick(now);
        passive.Tick(now);
        ASSERT_TRUE(sole.Attached() && passive.Attached());
        // The area the sole reader offered, as a saver that ran earlier left it in the other
        // record: both clients then choose the same geometry.
        watched.Record().graph_area_width = served.Record().graph_area_width;
        watched.Record().graph_area_height = served.Record().graph_area_height;

        CallMaker calls(seed);
        std::string history;
        for (int tick = 0; tick < 150; ++tick) {
            for (int n = calls.Uniform(1, 3); n > 0; --n) history += calls.Next(served.handle, watched.handle) + ", ";
            history += "| ";
            now += 33;
            passive.Tick(now);
            // The sole reader draws until nothing is left raised: the library raises again
            // what a tick's order left wiped, at its next look.
            for (int settle = 0; settle < 6; ++settle) {
                sole.Tick(now);
                orvane_poll(served.handle);
                orvane_poll(watched.handle);
                if (RaisedFlags(served.Record()).empty()) break;
                now += 33;
            }
            passive.Tick(now);
            ASSERT_EQ(RaisedFlags(served.Record()), "") << "seed " << seed << ": " << history;
            ASSERT_EQ(passive.Role(), ReaderRole::Alone);
            const Canvas& shown = *passive.Display()->canvas;
            const Canvas& expected = *sole.Display()->canvas;
            ASSERT_TRUE(SamePixels(shown, expected, kWholeCanvas))
                << Difference(shown, expected) << "; seed " << seed << ", after: " << history;
        }
    }
}
