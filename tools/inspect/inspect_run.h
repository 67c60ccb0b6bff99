// orvane-inspect's run: the record read (live, read-only, or a dump), printed, and linted.
// It only ever reads: the live record is opened read-only and copied before it is looked at.
#pragma once

#include <string>
#include <vector>

#include "inspect_options.h"

// Reads the live record read-only into `bytes` (its whole size). Per platform.
bool ReadLiveRecord(const std::string& name, std::vector<unsigned char>& bytes, std::string& error);

// The whole run; output goes to `out`, messages to `err`. Exit status: 0, 1 when --lint found
// mistakes or --all found no live record, 2 for a command-line mistake or a record that cannot
// be read.
int RunInspect(const InspectOptions& options, std::string& out, std::string& err);
