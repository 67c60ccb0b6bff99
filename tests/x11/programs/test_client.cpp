// A client at rest for the viewer's many-clients tests: publishes once under a name of the
// family (its user, status text, progress, CPU time and best scores), writes the record's bytes
// as they stand to a file when asked, then keeps the record untouched (its flags stay raised
// until a reader serves it) until it is ended, and removes it.
//
//   x11-test-client NAME STATUS PROGRESS [DUMP]   prints "ready" once the record is published
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <poll.h>

#include "orvane/client.h"

namespace {
volatile std::sig_atomic_t gStop = 0;
void OnStop(int) { gStop = 1; }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: x11-test-client NAME STATUS PROGRESS [DUMP]\n");
        return 2;
    }
    std::signal(SIGTERM, OnStop);
    std::signal(SIGINT, OnStop);
    orvane_client* client = nullptr;
    char message[256] = "";
    if (orvane_open(argv[1], 0, &client, message, sizeof message) != ORVANE_OK) {
        std::fprintf(stderr, "x11-test-client: %s\n", message);
        return 1;
    }
    const float progress = static_cast<float>(std::atof(argv[3]));
    orvane_set_user(client, "Tamsin Quell", 7, 1234.5);
    orvane_set_status_a(client, argv[2]);
    orvane_set_status_b(client, "Idle between units");
    orvane_set_progress(client, progress);
    orvane_set_cpu_time(client, 3600.0 * progress + 61.5);
    orvane_peak peak{};
    peak.score = 0.2f + 0.7f * progress;
    peak.power = 9.5f;
    peak.fft_length = 4096;
    orvane_set_best_peak(client, &peak);
    if (argc == 5) {
        std::size_t size = 0;
        const void* bytes = orvane_raw_record(client, &size);
        std::FILE* out = std::fopen(argv[4], "wb");
        if (out == nullptr || std::fwrite(bytes, 1, size, out) != size || std::fclose(out) != 0) {
            std::fprintf(stderr, "x11-test-client: cannot write %s\n", argv[4]);
            orvane_close(client);
            return 1;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (gStop == 0) poll(nullptr, 0, 100);
    orvane_close(client);
    return 0;
}
