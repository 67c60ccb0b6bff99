#include "snapshot_options.h"

#include <charconv>

const char kSnapshotUsage[] =
    "usage: orvane-snapshot (--record FILE | --live | --demo) --out FILE.png\n"
    "                       [--header FILE.bmp] [--ticks N] [--record-out FILE]\n"
    "\n"
    "Renders the Orvane status screen (752 x 445) from a record and writes it as a PNG.\n"
    "\n"
    "  --record FILE      raw record bytes in the shared layout (at least 126856 bytes)\n"
    "  --live             read the running client's shared record \"orvane_share\", never writing it\n"
    "  --demo             render a built-in record of a work unit in progress\n"
    "  --out FILE.png     where to write the picture\n"
    "  --header FILE.bmp  header image (default: header.bmp in the current directory)\n"
    "  --ticks N          frame updates to run before the picture is taken (default 1)\n"
    "  --record-out FILE  write the record as it stands after the updates\n"
    "  --help             show this text\n";

namespace {

bool ParseTicks(const std::string& text, int& ticks) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, ticks);
    return result.ec == std::errc() && result.ptr == end && ticks >= 0;
}

}  // namespace

bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        } else if (arg == "--record") {
            if (!value(options.recordPath)) return false;
        } else if (arg == "--live") {
            options.live = true;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--out") {
            if (!value(options.outPath)) return false;
        } else if (arg == "--header") {
            if (!value(options.headerPath)) return false;
        } else if (arg == "--record-out") {
            if (!value(options.recordOutPath)) return false;
        } else if (arg == "--ticks") {
            std::string text;
            if (!value(text)) return false;
            if (!ParseTicks(text, options.ticks)) {
                error = "--ticks takes a whole number from 0 up, not '" + text + "'";
                return false;
            }
        } else {
            error = "unknown option '" + arg + "' (see --help)";
            return false;
        }
    }
    const int sources = (options.recordPath.empty() ? 0 : 1) + (options.live ? 1 : 0) + (options.demo ? 1 : 0);
    if (sources != 1) {
        error = "give exactly one of --record FILE, --live or --demo";
        return false;
    }
    if (options.outPath.empty()) {
        error = "--out FILE.png is required";
        return false;
    }
    return true;
}
