// The records of the clients of one machine. "orvane_share" is the first and the default, as a
// machine with one client has always had it; further clients take "orvane_share_2" up to
// "orvane_share_64", one per core of the largest machines Orvane is for. Readers look for
// these names only, so that a reader never opens an object of another program's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record/shared_status.h"

inline constexpr int kMaxClientRecords = 64;

// Windows: the client library holds an event named after its record plus this for as long as
// the client runs. A reader's own handle keeps a record alive after its client has ended, so
// the event, which readers never open for long, tells a running client from an ended one.
inline constexpr char kClientMarkerSuffix[] = ".client";

// The name of the family's place `index` (1 to kMaxClientRecords); empty outside. Inline: the
// client library, whose objects are built apart from the other targets, picks names too.
inline std::string FamilyRecordName(int index) {
    if (index < 1 || index > kMaxClientRecords) return {};
    if (index == 1) return kSharedStatusName;
    return std::string(kSharedStatusName) + "_" + std::to_string(index);
}
// The place of `name` in the family (1 to kMaxClientRecords), or 0 when it is not one of its
// names ("orvane_share_1", "orvane_share_02" and "orvane_share_65" are not).
int FamilyRecordIndex(std::string_view name);

// The family's records that exist now and are large enough to hold a record, in the family's
// order. POSIX lists the shared-memory objects (one directory read); Windows cannot list
// named mappings, so each name of the family is tried (64 opens, each closed at once).
std::vector<std::string> FindFamilyRecords();
