// Writes 32-bit fields of the live shared record, in the order given, the way a client would
// (give an item's fields before its change flag).
//
//   record-poke [--record RECORD] NAME=VALUE...
//
// RECORD is a name of the family ("orvane_share" by default).
// Exit codes: 0 written, 1 no record, 2 usage.
#include <cstdio>
#include <vector>

#include <string>

#include "record_fields.h"
#include "record/record_family.h"
#include "record/shared_mapping.h"

int main(int argc, char** argv) {
    std::vector<FieldAssignment> writes;
    std::string recordName = kSharedStatusName;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--record" && i + 1 < argc) {
            recordName = argv[++i];
            if (FamilyRecordIndex(recordName) != 0) continue;
            std::fprintf(stderr, "record-poke: '%s' is no name of the family\n", recordName.c_str());
            return 2;
        }
        const auto assignment = ParseAssignment(argv[i], false);
        if (!assignment) {
            std::fprintf(stderr, "record-poke: '%s' is not NAME=VALUE with a known NAME\n", argv[i]);
            return 2;
        }
        writes.push_back(*assignment);
    }
    if (writes.empty()) {
        std::fprintf(stderr, "usage: record-poke [--record RECORD] NAME=VALUE...\n");
        return 2;
    }
    SharedMapping mapping;
    if (!OpenSharedStatus(mapping, recordName.c_str())) {
        std::fprintf(stderr, "record-poke: no record \"%s\"\n", recordName.c_str());
        return 1;
    }
    for (const FieldAssignment& write : writes) WriteFlag(FieldIn(*mapping.record, *write.field), write.value);
    CloseSharedStatus(mapping);
    return 0;
}
