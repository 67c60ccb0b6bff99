#include "snapshot_options.h"

#include "cli/command_line.h"
#include "record/record_family.h"

const char kSnapshotUsage[] =
    "usage: orvane-snapshot (--record FILE | --live | --name NAME | --demo) --out FILE.png\n"
    "                       [--header FILE.bmp] [--ticks N] [--record-out FILE]\n"
    "\n"
    "Renders the Orvane status screen (752 x 445) from a record and writes it as a PNG.\n"
    "\n"
    "  --record FILE      raw record bytes in the shared layout (at least 126856 bytes)\n"
    "  --live             read the running client's shared record \"orvane_share\", never writing it\n"
    "  --name NAME        the same for the live record NAME of the family: orvane_share,\n"
    "                     orvane_share_2 .. orvane_share_64\n"
    "  --demo             render a built-in record of a work unit in progress\n"
    "  --out FILE.png     where to write the picture\n"
    "  --header FILE.bmp  header image (default: header.bmp in the current directory)\n"
    "  --ticks N          frame updates to run before the picture is taken (default 1)\n"
    "  --record-out FILE  write the record as it stands after the updates\n"
    "  --help             show this text\n";

bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& options, std::string& error) {
    const bool read = cli::OptionReader()
                          .UnknownHint(" (see --help)")
                          .Stop({"--help", "-h"}, options.help)
                          .Text("--record", options.recordPath)
                          .Switch({"--live"}, options.live)
                          .Value("--name",
                                 [&options](const std::string& name) {
                                     options.name = name;
                                     return FamilyRecordIndex(name) != 0;
                                 },
                                 "--name takes a record of the family orvane_share, orvane_share_2 .. "
                                 "orvane_share_64, not '{}'")
                          .Switch({"--demo"}, options.demo)
                          .Text("--out", options.outPath)
                          .Text("--header", options.headerPath)
                          .Text("--record-out", options.recordOutPath)
                          .Whole<int>("--ticks", options.ticks, [](int ticks) { return ticks >= 0; },
                                      "--ticks takes a whole number from 0 up, not '{}'")
                          .Read(args, error);
    if (!read || options.help) return read;
    // --live --name NAME says the same twice.
    const bool live = options.live || !options.name.empty();
    const int sources = (options.recordPath.empty() ? 0 : 1) + (live ? 1 : 0) + (options.demo ? 1 : 0);
    if (sources != 1) {
        error = "give exactly one of --record FILE, --live (or --name NAME) or --demo";
        return false;
    }
    if (options.outPath.empty()) {
        error = "--out FILE.png is required";
        return false;
    }
    return true;
}
