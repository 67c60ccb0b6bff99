// orvane-snapshot: renders the status screen from a record into a PNG.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "snapshot_options.h"
#include "snapshot_run.h"

int main(int argc, char** argv) {
    SnapshotOptions options;
    std::string error;
    const bool read = ParseSnapshotOptions(std::vector<std::string>(argv + 1, argv + argc), options, error);
    if (const int exitCode =
            cli::Conclude("orvane-snapshot", kSnapshotUsage, cli::UsageOnMistake::No, read, error, options.help);
        exitCode >= 0) {
        return exitCode;
    }
    if (RunSnapshot(options, error) != 0) {
        std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
