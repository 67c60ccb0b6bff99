#include "inspect_options.h"

#include "cli/command_line.h"

#include <cmath>

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


bool ParseInspectOptions(const std::vector<std::string>& args, InspectOptions& options, std::string& error) {
    const bool read =
        cli::OptionReader()
            .Text("--record", options.recordPath)
            .Value("--name",
                   [&options](const std::string& name) {
                       options.name = name;
                       return !name.empty() && name.find('/') == std::string::npos;
                   },
                   "--name takes a record name without slashes")
            .Switch({"--lint"}, options.lint)
            .Switch({"--watch"}, options.watch)
            .Decimal("--interval", options.interval, [](double s) { return s >= 0.01 && s <= 3600; },
                     "--interval takes 0.01 to 3600 seconds")
            .Value("--count",
                   [&options](const std::string& text) {
                       double number = 0;
                       if (!cli::ReadDecimal(text, number) || number < 1 || number != std::floor(number) || number > 1e9) {
                           return false;
                       }
                       options.count = static_cast<long>(number);
                       return true;
                   },
                   "--count takes a whole number of 1 or more")
            .Switch({"--help", "-h"}, options.help)
            .Read(args, error);
    if (read && !options.recordPath.empty() && options.watch) {
        error = "--watch is for the live record, not a dump";
        return false;
    }
    return read;
}
