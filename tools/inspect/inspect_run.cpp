#include "inspect_run.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "record/inspect.h"
#include "record/record_family.h"
#include "record_table.h"

namespace {

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) {
        error = "cannot open record file '" + path + "'";
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    return true;
}

using Clock = std::chrono::steady_clock;

constexpr char kNoneFound[] = "no live record of the family (orvane_share, orvane_share_2 .. orvane_share_64)";

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One look at every record of the family, taken into `watch`; the table of what it found.
// Empty when none was found.
std::string LookAtFamily(ChangeWatch& watch, Clock::time_point start) {
    const std::vector<std::string> names = FindFamilyRecords();
    watch.KeepOnly(names);
    std::string table;
    std::vector<unsigned char> bytes;
    for (const std::string& name : names) {
        std::string error;
        // One that cannot be read (another user's client keeps it, or it went since the
        // listing) is said so; one that went is gone from the next look.
        const bool readable = ReadLiveRecord(name, bytes, error);
        const double now = SecondsSince(start);
        if (readable) watch.Look(name, bytes, now);
        table += RecordTableLine(name, readable, bytes, readable ? watch.Unchanged(name, now) : "-");
    }
    return table.empty() ? table : RecordTableHeader() + table;
}

int RunInspectAll(const InspectOptions& options, std::string& out, std::string& err) {
    ChangeWatch watch;
    const Clock::time_point start = Clock::now();
    std::string table = LookAtFamily(watch, start);
    if (!options.watch) {
        if (table.empty()) {
            err = kNoneFound;
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(options.allWatchSeconds));
        table = LookAtFamily(watch, start);
        if (table.empty()) {
            err = kNoneFound;
            return 1;
        }
        out += table;
        return 0;
    }
    for (long shown = 0;; ++shown) {
        if (shown > 0) table = LookAtFamily(watch, start);
        out += "\x1b[H\x1b[J" + (table.empty() ? std::string(kNoneFound) + "\n" : table);
        if (options.count > 0 && shown + 1 >= options.count) return table.empty() ? 1 : 0;
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
        out.clear();
        std::this_thread::sleep_for(std::chrono::duration<double>(options.interval));
    }
}

}  // namespace

int RunInspect(const InspectOptions& options, std::string& out, std::string& err) {
    if (options.all) return RunInspectAll(options, out, err);
    std::vector<unsigned char> bytes;
    int status = 0;
    for (long shown = 0;; ++shown) {
        const bool ok = options.recordPath.empty() ? ReadLiveRecord(options.name, bytes, err)
                                                   : ReadFile(options.recordPath, bytes, err);
        if (!ok) return 2;
        std::string text = options.watch ? "\x1b[H\x1b[J" : "";
        text += DescribeRecord(bytes.data(), bytes.size());
        status = 0;
        if (options.lint) {
            const std::vector<std::string> found = LintRecord(bytes.data(), bytes.size());
            for (const std::string& line : found) text += "lint: " + line + "\n";
            text += found.empty() ? "lint: clean\n"
                                  : "lint: " + std::to_string(found.size()) + (found.size() == 1 ? " mistake\n" : " mistakes\n");
            status = found.empty() ? 0 : 1;
        }
        out += text;
        if (!options.watch || (options.count > 0 && shown + 1 >= options.count)) break;
        // Printed as it goes: a watch is read while it runs.
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
        out.clear();
        std::this_thread::sleep_for(std::chrono::duration<double>(options.interval));
    }
    return status;
}
