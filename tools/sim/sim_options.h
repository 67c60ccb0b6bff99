// The command line of orvane-sim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/shared_status.h"
#include "simulator.h"

inline constexpr int kMaxSimClients = 64;  // the family has as many names

struct SimOptions {
    bool minimized = false;    // -min: started by the saver; no console output
    double rate = 10.0;        // updates per second
    double duration = -1.0;    // seconds; below 0: until stopped
    std::uint64_t updates = 0; // stop after this many updates; 0: no limit
    std::uint64_t seed = 1;
    bool seedGiven = false;    // otherwise the caller picks one that differs from run to run
    Scenario scenario = Scenario::Steady;
    bool spareCpuTimeFlag = false;  // never raise cpu_time_changed (orvane-tick-probe's)
    // --clients N: N stand-in clients, each on the first free name of the family, labelled
    // "sim 1" to "sim N", with seeds seed to seed + N - 1. 0: the one record "orvane_share".
    int clients = 0;
    // --first NAME: with --clients, the family's name the search for free names starts at, so
    // that a farm can leave "orvane_share" to the client its saver starts.
    std::string firstRecord = kSharedStatusName;
    std::string dumpPath;      // the record's bytes are written here when the run ends
    bool help = false;
};

// Parses the arguments (without the program name). On a mistake returns false and says why
// in `error`, one line.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

extern const char kSimUsage[];
