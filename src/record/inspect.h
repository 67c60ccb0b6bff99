// Decoding a record (live or a dump) for people and programs, and listing a client's
// mistakes in it. Each reads only the bytes it is given.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The record's text as orvane-inspect prints it; `bytes` may be shorter than a record (then
// only that is said).
std::string DescribeRecord(const unsigned char* bytes, std::size_t size);

// The record as one JSON object with stable field names, units in the names (docs/orvane-serve.md
// lists them). Texts are bounded by their fields; numbers that are not finite are null.
// `withSamples`: the graph's rows with their samples, as far as the row and bin counts reach
// (bounded to the record's arrays); a poller that needs only the rest leaves them out.
std::string RecordJson(const unsigned char* bytes, std::size_t size, bool withSamples = true);

// The client's mistakes in the record, one line each; none for a clean record.
std::vector<std::string> LintRecord(const unsigned char* bytes, std::size_t size);
