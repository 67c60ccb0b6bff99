#include "inspect_options.h"

#include "cli/command_line.h"

#include <cmath>

const char kInspectUsage[] =
    "usage: orvane-inspect [--record FILE | --name NAME] [--lint] [--watch [--interval S] [--count N]]\n"
    "       orvane-inspect --all [--watch [--interval S] [--count N]]\n"
    "\n"
    "Prints the shared record: the live one (POSIX shared memory /orvane_share, a named file\n"
    "mapping on Windows), opened read-only, or a dump of one given with --record.\n"
    "\n"
    "  --record FILE   a record's bytes (orvane-sim --dump) instead of the live record\n"
    "  --name NAME     the live record's name (default orvane_share)\n"
    "  --all           one line for each live record of the family orvane_share,\n"
    "                  orvane_share_2 .. orvane_share_64: name, label, progress, whether a\n"
    "                  reader is attached, and how long inspect saw it unchanged (it watches\n"
    "                  for a second before it prints: \"N s\" since the change it saw, \"N+ s\"\n"
    "                  when none came in the N seconds it watched)\n"
    "  --lint          after the record, list the client's mistakes; exit status 1 if any\n"
    "  --watch         print it again, in place, until interrupted\n"
    "  --interval S    seconds between the prints of --watch (default 0.5)\n"
    "  --count N       with --watch: stop after N prints\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0; 1 when --lint found mistakes or --all found no live record; 2 for a bad\n"
    "command line or an unreadable record.\n";


bool ParseInspectOptions(const std::vector<std::string>& args, InspectOptions& options, std::string& error) {
    bool nameGiven = false;
    const bool read =
        cli::OptionReader()
            .Text("--record", options.recordPath)
            .Value("--name",
                   [&options, &nameGiven](const std::string& name) {
                       options.name = name;
                       nameGiven = true;
                       return !name.empty() && name.find('/') == std::string::npos;
                   },
                   "--name takes a record name without slashes")
            .Switch({"--all"}, options.all)
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
    if (read && options.all && (!options.recordPath.empty() || nameGiven || options.lint)) {
        error = "--all lists every live record; --record, --name and --lint take one";
        return false;
    }
    return read;
}
