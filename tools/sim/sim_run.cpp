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
    return RunSimulations(options, std::span<orvane_client* const>(&client, 1), clock, console);
}

std::uint64_t RunSimulations(const SimOptions& options, std::span<orvane_client* const> clients, SimClock& clock,
                             std::FILE* console) {
    std::vector<Simulator> simulators;
    simulators.reserve(clients.size());
    for (std::size_t k = 0; k < clients.size(); ++k) {
        SimConfig config;
        config.seed = options.seed + k;
        config.scenario = options.scenario;
        config.rate = options.rate;
        config.spareCpuTimeFlag = options.spareCpuTimeFlag;
        simulators.emplace_back(config);
    }

    const double start = clock.Now();
    const double end = options.duration > 0.0 ? start + options.duration : std::numeric_limits<double>::infinity();
    // Updates are paced from a base time and a count, so that rounding never adds up; after
    // a stall (a suspended machine) the base moves instead of a burst of catching up.
    double base = start;
    std::uint64_t sinceBase = 0;
    double nextStatus = start + 1.0;
    std::uint64_t updates = 0;
    std::size_t statusTurn = 0;

    for (;;) {
        if (clock.Now() >= end) break;
        for (std::size_t k = 0; k < clients.size(); ++k) simulators[k].Step(clients[k]);
        ++updates;
        ++sinceBase;
        const double now = clock.Now();
        if (console != nullptr && now >= nextStatus && !clients.empty()) {
            // One line a second whatever the number of clients: each one's in turn.
            const std::size_t k = statusTurn++ % clients.size();
            if (clients.size() > 1) {
                std::fprintf(console, "%s: %s\n", orvane_record_name(clients[k]), simulators[k].StatusLine().c_str());
            } else {
                std::fprintf(console, "%s\n", simulators[k].StatusLine().c_str());
            }
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
    return WriteRecordFile(path, &record, kSharedStatusSize, error);
}

bool WriteRecordFile(const std::string& path, const void* bytes, std::size_t size, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out || std::fwrite(bytes, 1, size, out.get()) != size ||
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

namespace {

void CloseAll(std::vector<orvane_client*>& clients) {
    for (orvane_client* client : clients) orvane_close(client);
    clients.clear();
}

// "\"orvane_share\", \"orvane_share_2\"": the names the run took, for its first line.
std::string Names(const std::vector<orvane_client*>& clients) {
    std::string names;
    for (orvane_client* client : clients) {
        if (!names.empty()) names += ", ";
        names += std::string("\"") + orvane_record_name(client) + "\"";
    }
    return names;
}

}  // namespace

int PlayClientRecord(const SimOptions& options, SimClock& clock, std::FILE* console) {
    // Without --clients, the one record as always: its name, no label, the fixed bytes dumped.
    const bool family = options.clients > 0;
    const int count = family ? options.clients : 1;
    std::vector<orvane_client*> clients;
    for (int k = 1; k <= count; ++k) {
        orvane_client* client = nullptr;
        char message[256];
        const orvane_status status = family ? orvane_open(options.firstRecord.c_str(), ORVANE_OPEN_NEXT_FREE, &client, message,
                                                         sizeof message)
                                            : orvane_open(kSharedStatusName, 0, &client, message, sizeof message);
        if (status != ORVANE_OK) {
            if (family) {
                std::fprintf(stderr, "orvane-sim: cannot open a shared record for client %d of %d: %s\n", k, count,
                             message);
            } else {
                std::fprintf(stderr, "orvane-sim: cannot open the shared record: %s\n", message);
            }
            CloseAll(clients);
            return 1;
        }
        clients.push_back(client);
        if (family) {
            const std::string label = "sim " + std::to_string(k);
            // An older client's object taken over may have no room for it: the client runs unlabelled.
            if (orvane_set_label(client, label.c_str()) != ORVANE_OK) {
                std::fprintf(stderr, "orvane-sim: %s has no room for the label \"%s\"\n", orvane_record_name(client),
                             label.c_str());
            }
        }
    }
    if (console != nullptr) {
        if (family) {
            std::fprintf(console,
                         "orvane-sim: %s scenario, %d clients, seeds %llu to %llu, %g updates/s, records %s; Ctrl-C stops\n",
                         ScenarioName(options.scenario), count, static_cast<unsigned long long>(options.seed),
                         static_cast<unsigned long long>(options.seed + static_cast<std::uint64_t>(count - 1)),
                         options.rate, Names(clients).c_str());
        } else {
            std::fprintf(console, "orvane-sim: %s scenario, seed %llu, %g updates/s, record \"%s\"; Ctrl-C stops\n",
                         ScenarioName(options.scenario), static_cast<unsigned long long>(options.seed), options.rate,
                         kSharedStatusName);
        }
        std::fflush(console);
    }
    const std::uint64_t updates = RunSimulations(options, clients, clock, console);

    int status = 0;
    std::string error;
    if (!options.dumpPath.empty()) {
        // The dump is the record as a reader finds it, read back through the raw access: the
        // fixed bytes, and the label's extension with them when the run labelled its client.
        std::size_t size = 0;
        const void* bytes = orvane_raw_record(clients.front(), &size);
        if (!WriteRecordFile(options.dumpPath, bytes, family ? size : kSharedStatusSize, error)) {
            std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
            status = 1;
        }
    }
    CloseAll(clients);
    if (console != nullptr) {
        std::fprintf(console, "orvane-sim: stopped after %llu updates\n", static_cast<unsigned long long>(updates));
        std::fflush(console);
    }
    return status;
}
