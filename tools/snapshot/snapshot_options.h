// The command line of orvane-snapshot.
#pragma once

#include <string>
#include <vector>

struct SnapshotOptions {
    std::string recordPath;  // raw record bytes
    bool live = false;       // attach to the running client's record instead
    std::string name;        // the live record of that name; empty: "orvane_share"
    bool demo = false;       // render the built-in demo record
    std::string outPath;     // PNG
    std::string headerPath;  // empty: "header.bmp" in the current directory
    int ticks = 1;
    std::string recordOutPath;
    bool help = false;
};

// Parses the arguments (without the program name). On a mistake returns false and says why
// in `error`, one line.
bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& options, std::string& error);

extern const char kSnapshotUsage[];
