// orvane-inspect: decodes a record (live or a dump), prints it, and lists a client's mistakes.
// It only ever reads: the live record is opened read-only and copied before it is looked at.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct InspectOptions {
    std::string recordPath;  // a dump; empty: the live record
    std::string name = "orvane_share";
    bool lint = false;
    bool watch = false;
    double interval = 0.5;  // seconds between refreshes of --watch
    long count = 0;         // refreshes of --watch before it stops; 0: until interrupted
    bool help = false;
};

bool ParseInspectOptions(const std::vector<std::string>& args, InspectOptions& options, std::string& error);
extern const char kInspectUsage[];

// The record's text as the tool prints it; `bytes` may be shorter than a record (then only
// that is said).
std::string DescribeRecord(const unsigned char* bytes, std::size_t size);

// The record as one JSON object with stable field names, units in the names (docs/orvane-serve.md
// lists them). Texts are bounded by their fields; numbers that are not finite are null.
// `withSamples`: the graph's rows with their samples, as far as the row and bin counts reach
// (bounded to the record's arrays); a poller that needs only the rest leaves them out.
std::string RecordJson(const unsigned char* bytes, std::size_t size, bool withSamples = true);

// The client's mistakes in the record, one line each; none for a clean record.
std::vector<std::string> LintRecord(const unsigned char* bytes, std::size_t size);

// Reads the live record read-only into `bytes` (its whole size). Per platform.
bool ReadLiveRecord(const std::string& name, std::vector<unsigned char>& bytes, std::string& error);

// The whole run; output goes to `out`, messages to `err`. Exit status: 0, 1 when --lint found
// mistakes, 2 for a command-line mistake or a record that cannot be read.
int RunInspect(const InspectOptions& options, std::string& out, std::string& err);
