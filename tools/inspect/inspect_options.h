// orvane-inspect's command line.
#pragma once

#include <string>
#include <vector>

struct InspectOptions {
    std::string recordPath;  // a dump; empty: the live record
    std::string name = "orvane_share";
    bool all = false;  // one line for each live record of the family
    bool lint = false;
    bool watch = false;
    double interval = 0.5;  // seconds between refreshes of --watch
    long count = 0;         // refreshes of --watch before it stops; 0: until interrupted
    bool help = false;
    // How long --all, printing once, watches the records before it prints, so that it can tell
    // which of them the clients are changing. Not on the command line: tests shorten it.
    double allWatchSeconds = 1.0;
};

bool ParseInspectOptions(const std::vector<std::string>& args, InspectOptions& options, std::string& error);
extern const char kInspectUsage[];
