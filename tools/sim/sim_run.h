// The part of a run that does not depend on the platform: pacing the updates, the status
// line once a second, preparing the record and writing it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "orvane/client.h"
#include "record/shared_status.h"
#include "sim_options.h"

// What the platform provides: a steady clock and a wait that a stop request cuts short.
class SimClock {
public:
    virtual ~SimClock() = default;
    virtual double Now() = 0;  // seconds from any fixed point, never going back
    // Waits until Now() reaches `deadline`; false as soon as a stop has been asked for.
    virtual bool WaitUntil(double deadline) = 0;
};

// Plays the options' scenario through the client until the duration is up, the update limit
// is reached or the clock reports a stop. With a console, prints one status line per second
// to it. Returns the number of updates played.
std::uint64_t RunSimulation(const SimOptions& options, orvane_client* client, SimClock& clock, std::FILE* console);

// The same for several clients at once, each played by a simulation of its own seeded
// options.seed + its index, all stepped in every update (the update limit counts these rounds).
// The status line, once a second, is each client's in turn, after its record's name.
std::uint64_t RunSimulations(const SimOptions& options, std::span<orvane_client* const> clients, SimClock& clock,
                             std::FILE* console);

// A whole run, the same on every platform: opens the record "orvane_share" through the client
// library (which refuses it while another client runs, and takes over one left by a client
// that ended) or, with --clients N, N records on the family's first free names, each labelled;
// announces the run, plays it, writes the dump when asked, then closes and removes every record.
// Returns the exit status (1 when a record cannot be opened or the dump cannot be written).
int PlayClientRecord(const SimOptions& options, SimClock& clock, std::FILE* console);

// Writes the record's bytes to a file: the fixed bytes, or `size` bytes of a mapped object.
bool WriteRecordFile(const std::string& path, const SharedStatus& record, std::string& error);
bool WriteRecordFile(const std::string& path, const void* bytes, std::size_t size, std::string& error);

// A seed for a run that was given none: differs from run to run.
std::uint64_t FreshSeed();

// Reads the command line as both programs do: on a mistake says why on stderr and returns 2,
// for --help prints the usage and returns 0, otherwise fills `options` (a fresh seed when
// none was given) and returns -1 to go on.
int ReadSimCommandLine(int argc, char** argv, SimOptions& options);
