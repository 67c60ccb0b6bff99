#include "sim_run.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "cli/command_line.h"
#include "orvane/client.h"
#include "simulator.h"

std::uint64_t RunSimulation(const SimOptions& options, orvane_client* client, SimClock& clock, std::FILE* console) {
    SimConfig config;
    config.seed = options.seed;
    config.scenario = options.scenario;
    config.rate = options.rate;
    config.spareCpuTimeFlag = options.spareCpuTimeFlag;
    Simulator simulator(config);

    const double start = clock.Now();
    const double end = options.duration > 0.0 ? start + options.duration : std::numeric_limits<double>::infinity();
    // Updates are paced from a base time and a count, so that rounding never adds up; after
    // a stall (a suspended machine) the base moves instead of a burst of catching up.
    double base = start;
    std::uint64_t sinceBase = 0;
    double nextStatus = start + 1.0;
    std::uint64_t updates = 0;

    for (;;) {
        if (clock.Now() >= end) break;
        simulator.Step(client);
        ++updates;
        ++sinceBase;
        const double now = clock.Now();
        if (console != nullptr && now >= nextStatus) {
            std::fprintf(console, "%s\n", simulator.StatusLine().c_str());
            std::fflush(console);
            nextStatus += 1.0;
            if (nextStatus <= now) nextStatus = now + 1.0;
        }
        if (options.updates != 0 && updates >= options.updates) break;
        double next = base + static_cast<double>(sinceBase) / options.rate;
        if (next < now - 1.0) {
            base = now;
            sinceBase = 1;
            next = now + 1.0 / options.rate;
        }
        if (!clock.WaitUntil(next < end ? next : end)) break;
    }
    return updates;
}

bool WriteRecordFile(const std::string& path, const SharedStatus& record, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out || std::fwrite(&record, 1, kSharedStatusSize, out.get()) != kSharedStatusSize ||
        std::fflush(out.get()) != 0) {
        error = "cannot write record file '" + path + "'";
        return false;
    }
    return true;
}

std::uint64_t FreshSeed() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    // Short enough to type back in with --seed.
    return ((static_cast<std::uint64_t>(ticks) * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(steady)) % 1000000;
}

int ReadSimCommandLine(int argc, char** argv, SimOptions& options) {
    std::string error;
    const bool read = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error);
    if (const int exitCode = cli::Conclude("orvane-sim", kSimUsage, cli::UsageOnMistake::No, read, error, options.help);
        exitCode >= 0) {
        return exitCode;
    }
    if (!options.seedGiven) options.seed = FreshSeed();
    return -1;
}

int PlayClientRecord(const SimOptions& options, SimClock& clock, std::FILE* console) {
    orvane_client* client = nullptr;
    char message[256];
    if (orvane_open(kSharedStatusName, 0, &client, message, sizeof message) != ORVANE_OK) {
        std::fprintf(stderr, "orvane-sim: cannot open the shared record: %s\n", message);
        return 1;
    }
    if (console != nullptr) {
        std::fprintf(console, "orvane-sim: %s scenario, seed %llu, %g updates/s, record \"%s\"; Ctrl-C stops\n",
                     ScenarioName(options.scenario), static_cast<unsigned long long>(options.seed), options.rate,
                     kSharedStatusName);
        std::fflush(console);
    }
    const std::uint64_t updates = RunSimulation(options, client, clock, console);

    int status = 0;
    std::string error;
    // The dump is the record as a reader finds it, read back through the raw access.
    const auto* record = static_cast<const SharedStatus*>(orvane_raw_record(client, nullptr));
    if (!options.dumpPath.empty() && !WriteRecordFile(options.dumpPath, *record, error)) {
        std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
        status = 1;
    }
    orvane_close(client);
    if (console != nullptr) {
        std::fprintf(console, "orvane-sim: stopped after %llu updates\n", static_cast<unsigned long long>(updates));
        std::fflush(console);
    }
    return status;
}
