// The client library's publishing calls: what a client pays per item and per spectrum row.
// Each case opens a record of its own name; no reader serves it, so the flags stay raised,
// which costs a call the same as a served one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "bench_cases.h"
#include "orvane/client.h"
#include "record/shared_status.h"

namespace {

struct OpenClient {
    OpenClient() {
#if defined(_WIN32)
        const int pid = _getpid();
#else
        const int pid = getpid();
#endif
        static int opened = 0;
        const std::string name = "orvane_bench_" + std::to_string(pid) + "_" + std::to_string(++opened);
        char message[256];
        // A case without its record would time calls that do nothing.
        if (orvane_open(name.c_str(), 0, &handle, message, sizeof message) != ORVANE_OK) {
            std::fprintf(stderr, "bench: %s\n", message);
            std::abort();
        }
    }
    ~OpenClient() { orvane_close(handle); }
    orvane_client* handle = nullptr;
};

// A case that calls `call` on a client of its own; the client lives with the iteration.
template <typename Call>
BenchCase ClientCase(const char* name, Call call) {
    return {std::string("client/") + name, [call] {
                auto client = std::make_shared<OpenClient>();
                return std::function<void()>([client, call] { call(client->handle); });
            }};
}

// A row push on a graph of `bins` bins and `rows` rows, from a reader offering room for it.
BenchCase PushCase(const char* name, std::int32_t bins, std::int32_t rows, bool asFloat) {
    return {std::string("client/") + name, [bins, rows, asFloat] {
                auto client = std::make_shared<OpenClient>();
                auto* record = static_cast<SharedStatus*>(orvane_raw_record(client->handle, nullptr));
                if (record != nullptr) {
                    WriteFlag(record->graph_area_width, 800);
                    WriteFlag(record->graph_area_height, 185);
                }
                orvane_set_graph(client->handle, bins, rows, 0);
                auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(bins));
                auto floats = std::make_shared<std::vector<float>>(static_cast<std::size_t>(bins));
                for (std::int32_t i = 0; i < bins; ++i) {
                    (*bytes)[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 61);
                    (*floats)[static_cast<std::size_t>(i)] = static_cast<float>(i % 61) / 61.0f;
                }
                if (asFloat) {
                    return std::function<void()>([client, floats] {
                        orvane_push_row_float(client->handle, floats->data(), floats->size(), 1.0f);
                    });
                }
                return std::function<void()>(
                    [client, bytes] { orvane_push_row(client->handle, bytes->data(), bytes->size()); });
            }};
}

}  // namespace

std::vector<BenchCase> ClientBenchCases() {
    static const orvane_peak peak{12.5f, 0.5f, 6, 3, 0.25f, 4096};
    static const orvane_gaussian gaussian{10.0f, 3.25f, 0.125f, 1, 2, -0.5f, 4096};
    static const orvane_data_unit unit{13.5f, 18.25f, 2451545.0, 1.42e9, 9765.625, 1, 2, 1048576u};
    return {
        ClientCase("set_user", [](orvane_client* c) { orvane_set_user(c, "Greta Sunvold", 42, 3725.4); }),
        ClientCase("set_data_unit", [](orvane_client* c) { orvane_set_data_unit(c, &unit); }),
        ClientCase("set_status_a", [](orvane_client* c) { orvane_set_status_a(c, "Searching for spikes"); }),
        ClientCase("set_status_b", [](orvane_client* c) { orvane_set_status_b(c, "Checkpointing work in progress"); }),
        ClientCase("set_progress", [](orvane_client* c) { orvane_set_progress(c, 0.5f); }),
        ClientCase("set_step", [](orvane_client* c) { orvane_set_step(c, 0.25f); }),
        ClientCase("set_cpu_time", [](orvane_client* c) { orvane_set_cpu_time(c, 3725.4); }),
        ClientCase("set_search", [](orvane_client* c) { orvane_set_search(c, -2.5f, 4096); }),
        ClientCase("set_current_peak", [](orvane_client* c) { orvane_set_current_peak(c, &peak); }),
        ClientCase("set_best_peak", [](orvane_client* c) { orvane_set_best_peak(c, &peak); }),
        ClientCase("set_best_gaussian", [](orvane_client* c) { orvane_set_best_gaussian(c, &gaussian); }),
        ClientCase("show_message", [](orvane_client* c) { orvane_show_message(c, "Could not reach", "the server"); }),
        ClientCase("poll", [](orvane_client* c) { orvane_poll(c); }),
        PushCase("push_row/600_bins_40_rows", 600, 40, false),
        PushCase("push_row_float/600_bins_40_rows", 600, 40, true),
        PushCase("push_row/600_bins_203_rows", 600, 203, false),
    };
}
