#include "sim_options.h"

#include "cli/command_line.h"
#include "record/record_family.h"

const char kSimUsage[] =
    "usage: orvane-sim [-min] [--scenario steady|burst|hostile] [--rate N] [--duration S]\n"
    "                  [--updates N] [--seed N] [--clients N [--first NAME]]\n"
    "                  [--spare-cpu-time] [--dump FILE]\n"
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
    "  --clients N       N clients at once, 1 to 64, as a machine runs one a core: client K\n"
    "                    takes the first free record name (orvane_share, orvane_share_2, ...\n"
    "                    orvane_share_64), the label \"sim K\" and the seed S + K - 1 for\n"
    "                    --seed S; --dump then takes one client only\n"
    "  --first NAME      with --clients: look for free names from NAME on (orvane_share_2\n"
    "                    leaves orvane_share to the client a saver starts)\n"
    "  --spare-cpu-time  never raise the CPU time's change flag: orvane-tick-probe keeps it\n"
    "                    raised and times the saver's lowerings of it\n"
    "  --dump FILE       write the record's bytes to FILE when the run ends\n"
    "  --help            show this text\n"
    "\n"
    "Stops on Ctrl-C or a termination request and removes the shared record (every one).\n";

namespace {

bool ReadOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
    return cli::OptionReader()
        .UnknownHint(" (see --help)")
        .Stop({"--help", "-h"}, options.help)
        .Switch({"-min", "--min"}, options.minimized)
        .Value("--scenario", [&options](const std::string& name) { return ParseScenario(name, options.scenario); },
               "unknown scenario '{}' (steady, burst or hostile)")
        .Decimal("--rate", options.rate, [](double rate) { return rate >= 0.1 && rate <= 10000.0; },
                 "--rate takes a number of updates per second from 0.1 to 10000, not '{}'")
        .Decimal("--duration", options.duration, [](double seconds) { return seconds > 0.0; },
                 "--duration takes a number of seconds above 0, not '{}'")
        .Whole<std::uint64_t>("--updates", options.updates, [](std::uint64_t n) { return n != 0; },
                              "--updates takes a whole number from 1 up, not '{}'")
        .Value("--seed",
               [&options](const std::string& text) {
                   options.seedGiven = cli::ReadWhole(text, options.seed);
                   return options.seedGiven;
               },
               "--seed takes a whole number from 0 up, not '{}'")
        .Whole<int>("--clients", options.clients, [](int n) { return n >= 1 && n <= kMaxSimClients; },
                    "--clients takes a number of clients from 1 to 64, not '{}'")
        .Value("--first",
               [&options](const std::string& name) {
                   options.firstRecord = name;
                   return FamilyRecordIndex(name) != 0;
               },
               "--first takes a name of the family (orvane_share, orvane_share_2 to orvane_share_64), not '{}'")
        .Switch({"--spare-cpu-time"}, options.spareCpuTimeFlag)
        .Value("--dump",
               [&options](const std::string& path) {
                   options.dumpPath = path;
                   return !path.empty();
               },
               "--dump needs a file name")
        .Read(args, error);
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
    if (!ReadOptions(args, options, error)) return false;
    if (!options.help && options.clients > 1 && !options.dumpPath.empty()) {
        error = "--dump writes one record: it takes --clients 1 at most";
        return false;
    }
    return true;
}
