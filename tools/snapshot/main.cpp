// orvane-snapshot: renders the status screen from a record into a PNG.
#include <cstdio>
#include <string>
#include <vector>

#include "snapshot_options.h"
#include "snapshot_run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    SnapshotOptions options;
    std::string error;
    if (!ParseSnapshotOptions(args, options, error)) {
        std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kSnapshotUsage, stdout);
        return 0;
    }
    if (RunSnapshot(options, error) != 0) {
        std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
