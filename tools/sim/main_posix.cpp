// orvane-sim on POSIX systems: the record lives in POSIX shared memory.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <time.h>
#include <vector>

#include "sim_options.h"
#include "sim_run.h"

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

extern "C" void OnStopSignal(int) { gStopRequested = 1; }

class PosixClock : public SimClock {
public:
    double Now() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }

    bool WaitUntil(double deadline) override {
        while (gStopRequested == 0) {
            const double left = deadline - Now();
            if (left <= 0.0) return true;
            // A signal cuts the sleep short; the slice bounds the delay when it lands just
            // before the sleep starts.
            const double slice = left < 0.1 ? left : 0.1;
            timespec pause{};
            pause.tv_sec = static_cast<time_t>(slice);
            pause.tv_nsec = static_cast<long>((slice - std::floor(slice)) * 1e9);
            nanosleep(&pause, nullptr);
        }
        return false;
    }
};

void CatchStopSignals(bool minimized) {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: the sleep must end
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // In the background, a closing terminal is no reason to stop.
    if (minimized) {
        std::signal(SIGHUP, SIG_IGN);
    } else {
        sigaction(SIGHUP, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    if (const int exitCode = ReadSimCommandLine(argc, argv, options); exitCode >= 0) return exitCode;
    std::FILE* console = options.minimized ? nullptr : stdout;

    CatchStopSignals(options.minimized);
    PosixClock clock;
    return PlayClientRecord(options, clock, console);
}
