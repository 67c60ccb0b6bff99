#include "inspect_options.h"

#include <cmath>
#include <cstdlib>

const char kInspectUsage[] =
    "usage: orvane-inspect [--record FILE | --name NAME] [--lint] [--watch [--interval S] [--count N]]\n"
    "\n"
    "Prints the shared record: the live one (POSIX shared memory /orvane_share, a named file\n"
    "mapping on Windows), opened read-only, or a dump of one given with --record.\n"
    "\n"
    "  --record FILE   a record's bytes (orvane-sim --dump) instead of the live record\n"
    "  --name NAME     the live record's name (default orvane_share)\n"
    "  --lint          after the record, list the client's mistakes; exit status 1 if any\n"
    "  --watch         print it again, in place, until interrupted\n"
    "  --interval S    seconds between the prints of --watch (default 0.5)\n"
    "  --count N       with --watch: stop after N prints\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0; 1 when --lint found mistakes; 2 for a bad command line or an unreadable record.\n";

namespace {

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(value);
}

}  // namespace

bool ParseInspectOptions(const std::vector<std::string>& args, InspectOptions& options, std::string& error) {
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
        std::string text;
        double number = 0;
        if (arg == "--record") {
            if (!value(options.recordPath)) return false;
        } else if (arg == "--name") {
            if (!value(options.name)) return false;
            if (options.name.empty() || options.name.find('/') != std::string::npos) {
                error = "--name takes a record name without slashes";
                return false;
            }
        } else if (arg == "--lint") {
            options.lint = true;
        } else if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--interval") {
            if (!value(text)) return false;
            if (!ParseNumber(text, number) || number < 0.01 || number > 3600) {
                error = "--interval takes 0.01 to 3600 seconds";
                return false;
            }
            options.interval = number;
        } else if (arg == "--count") {
            if (!value(text)) return false;
            if (!ParseNumber(text, number) || number < 1 || number != std::floor(number) || number > 1e9) {
                error = "--count takes a whole number of 1 or more";
                return false;
            }
            options.count = static_cast<long>(number);
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (!options.recordPath.empty() && options.watch) {
        error = "--watch is for the live record, not a dump";
        return false;
    }
    return true;
}
