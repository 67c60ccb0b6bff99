// orvane-tick-probe: the saver's side of the handshake seen from the client's.
//
//   orvane-tick-probe --wait-record SECONDS     exit 0 once the record exists
//   orvane-tick-probe --wait-attached SECONDS   exit 0 once saver_attached reads 1
//   orvane-tick-probe --gaps SECONDS            keep cpu_time_changed raised for that long and
//                                               print "ticks N longest_ms X median_ms Y
//                                               probe_step_ms Z" (Z: its own longest step)
//   orvane-tick-probe --idle SECONDS            wake on a reader's 33 ms tick for that long and
//                                               do nothing else: what the wake-ups alone cost
//                                               a reader on this machine, beside which its
//                                               cost for a static record means something
//
// The gaps are the time between two lowerings of the flag, seen by polling every millisecond.
// Exit codes: 0 done, 1 no record (or not attached in time), 2 usage, 3 no tick handled.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "record/shared_mapping.h"
#include "tick_gaps.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int Usage() {
    std::fprintf(stderr, "usage: orvane-tick-probe --wait-record SECONDS | --wait-attached SECONDS | --gaps SECONDS"
                         " | --idle SECONDS\n");
    return 2;
}

bool OpenRecord(SharedMapping& mapping, double seconds) {
    const auto start = Clock::now();
    while (!OpenSharedStatus(mapping)) {
        if (MillisecondsSince(start) > seconds * 1000) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

int WaitAttached(SharedStatus& record, double seconds) {
    const auto start = Clock::now();
    while (ReadFlag(record.saver_attached) != 1) {
        if (MillisecondsSince(start) > seconds * 1000) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

int MeasureGaps(SharedStatus& record, double seconds) {
    std::vector<double> lowerings;
    const auto start = Clock::now();
    // The probe's own longest step between two looks at the flag: one longer than a tick can
    // hide a handled tick (the flag still down when the saver came), so a long gap together
    // with a long step is the probe's, not the saver's.
    double longestStep = 0;
    double last = 0;
    RaiseFlag(record.cpu_time_changed);
    for (double now = 0; now < seconds * 1000; now = MillisecondsSince(start)) {
        if (now - last > longestStep) longestStep = now - last;
        last = now;
        if (ReadFlag(record.cpu_time_changed) == 0) {
            lowerings.push_back(now);
            RaiseFlag(record.cpu_time_changed);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const TickGapSummary summary = SummarizeLowerings(lowerings);
    std::printf("ticks %zu longest_ms %.1f median_ms %.1f probe_step_ms %.1f\n", summary.ticks, summary.longestMs,
                summary.medianMs, longestStep);
    return summary.ticks >= 2 ? 0 : 3;
}

int Idle(double seconds) {
    const auto start = Clock::now();
    const auto tick = std::chrono::milliseconds(33);
    for (auto next = start + tick; MillisecondsSince(start) < seconds * 1000; next += tick) {
        std::this_thread::sleep_until(next);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Usage();
    char* end = nullptr;
    const double seconds = std::strtod(argv[2], &end);
    if (end == argv[2] || *end != '\0' || !(seconds > 0 && seconds <= 3600)) return Usage();
    const bool waitRecord = std::strcmp(argv[1], "--wait-record") == 0;
    const bool waitAttached = std::strcmp(argv[1], "--wait-attached") == 0;
    if (std::strcmp(argv[1], "--idle") == 0) return Idle(seconds);
    if (!waitRecord && !waitAttached && std::strcmp(argv[1], "--gaps") != 0) return Usage();

    SharedMapping mapping;
    if (!OpenRecord(mapping, waitRecord || waitAttached ? seconds : 5)) {
        std::fprintf(stderr, "orvane-tick-probe: no record \"%s\"\n", kSharedStatusName);
        return 1;
    }
    int status = 0;
    if (waitAttached) status = WaitAttached(*mapping.record, seconds);
    if (!waitRecord && !waitAttached) status = MeasureGaps(*mapping.record, seconds);
    CloseSharedStatus(mapping);
    return status;
}
