#include "sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char kSimUsage[] =
    "usage: orvane-sim [-min] [--scenario steady|burst|hostile] [--rate N] [--duration S]\n"
    "                  [--updates N] [--seed N] [--spare-cpu-time] [--dump FILE]\n"
    "\n"
    "Stands in for the analysis client: creates the shared record \"orvane_share\" and keeps it\n"
    "current with a simulated work unit, for a screen saver to attach to.\n"
    "\n"
    "  -min              run in the background: no console window, no output (the saver\n"
    "                    starts its client this way)\n"
    "  --scenario NAME   steady   a client at work, each item at its own pace (default)\n"
    "                    burst    every item, the graph frame and every row on every update\n"
    "                    hostile  a burst with bad values written over it, one after another\n"
    "  --rate N          updates per second, 0.1 to 10000 (default 10)\n"
    "  --duration S      stop after S seconds (default: run until stopped)\n"
    "  --updates N       stop after N updates\n"
    "  --seed N          seed of the simulated data; the same seed plays the same record\n"
    "                    (default: a new one each run, shown at the start)\n"
    "  --spare-cpu-time  never raise the CPU time's change flag: orvane-tick-probe keeps it\n"
    "                    raised and times the saver's lowerings of it\n"
    "  --dump FILE       write the record's bytes to FILE when the run ends\n"
    "  --help            show this text\n"
    "\n"
    "Stops on Ctrl-C or a termination request and removes the shared record.\n";

namespace {

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool ParseWhole(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    value = parsed;
    return true;
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
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
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        } else if (arg == "-min" || arg == "--min") {
            options.minimized = true;
        } else if (arg == "--scenario") {
            if (!value(text)) return false;
            if (!ParseScenario(text, options.scenario)) {
                error = "unknown scenario '" + text + "' (steady, burst or hostile)";
                return false;
            }
        } else if (arg == "--rate") {
            if (!value(text)) return false;
            if (!ParseNumber(text, options.rate) || options.rate < 0.1 || options.rate > 10000.0) {
                error = "--rate takes a number of updates per second from 0.1 to 10000, not '" + text + "'";
                return false;
            }
        } else if (arg == "--duration") {
            if (!value(text)) return false;
            if (!ParseNumber(text, options.duration) || options.duration <= 0.0) {
                error = "--duration takes a number of seconds above 0, not '" + text + "'";
                return false;
            }
        } else if (arg == "--updates") {
            if (!value(text)) return false;
            if (!ParseWhole(text, options.updates) || options.updates == 0) {
                error = "--updates takes a whole number from 1 up, not '" + text + "'";
                return false;
            }
        } else if (arg == "--seed") {
            if (!value(text)) return false;
            if (!ParseWhole(text, options.seed)) {
                error = "--seed takes a whole number from 0 up, not '" + text + "'";
                return false;
            }
            options.seedGiven = true;
        } else if (arg == "--spare-cpu-time") {
            options.spareCpuTimeFlag = true;
        } else if (arg == "--dump") {
            if (!value(options.dumpPath)) return false;
            if (options.dumpPath.empty()) {
                error = "--dump needs a file name";
                return false;
            }
        } else {
            error = "unknown option '" + arg + "' (see --help)";
            return false;
        }
    }
    return true;
}
