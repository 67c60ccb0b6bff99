// The simulated client of orvane-sim on one record name of the family, so that a test can run
// several side by side: the same scenario and pacing, the record opened through the client
// library under the name given. Runs until it is ended (the harness kills it).
//
//   family-sim NAME [SEED]
//
// Exit codes: 1 the record cannot be opened, 2 usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "orvane/client.h"
#include "record/record_family.h"
#include "sim_run.h"

namespace {

class TickClock : public SimClock {
public:
    double Now() override { return static_cast<double>(GetTickCount64()) / 1000.0; }
    bool WaitUntil(double deadline) override {
        const double left = deadline - Now();
        if (left > 0) Sleep(static_cast<DWORD>(left * 1000.0) + 1);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || FamilyRecordIndex(argv[1]) == 0) {
        std::fprintf(stderr, "usage: family-sim NAME [SEED]   (NAME: orvane_share, orvane_share_2 .. orvane_share_64)\n");
        return 2;
    }
    SimOptions options;
    // Slow enough that a flag a test raises is seen lowered by the reader, not by a new update.
    options.rate = 2.0;
    options.seed = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : static_cast<std::uint64_t>(FamilyRecordIndex(argv[1]));
    orvane_client* client = nullptr;
    char message[256] = "";
    if (orvane_open(argv[1], 0, &client, message, sizeof message) != ORVANE_OK) {
        std::fprintf(stderr, "family-sim: cannot open %s: %s\n", argv[1], message);
        return 1;
    }
    std::printf("family-sim: publishing %s\n", argv[1]);
    std::fflush(stdout);
    TickClock clock;
    RunSimulation(options, client, clock, nullptr);
    orvane_close(client);
    return 0;
}
