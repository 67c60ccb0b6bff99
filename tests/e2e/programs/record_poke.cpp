// Writes 32-bit fields of the live shared record, in the order given, the way a client would
// (give an item's fields before its change flag).
//
//   record-poke NAME=VALUE...
//
// Exit codes: 0 written, 1 no record, 2 usage.
#include <cstdio>
#include <vector>

#include "record_fields.h"
#include "record/shared_mapping.h"

int main(int argc, char** argv) {
    std::vector<FieldAssignment> writes;
    for (int i = 1; i < argc; ++i) {
        const auto assignment = ParseAssignment(argv[i], false);
        if (!assignment) {
            std::fprintf(stderr, "record-poke: '%s' is not NAME=VALUE with a known NAME\n", argv[i]);
            return 2;
        }
        writes.push_back(*assignment);
    }
    if (writes.empty()) {
        std::fprintf(stderr, "usage: record-poke NAME=VALUE...\n");
        return 2;
    }
    SharedMapping mapping;
    if (!OpenSharedStatus(mapping)) {
        std::fprintf(stderr, "record-poke: no record \"%s\"\n", kSharedStatusName);
        return 1;
    }
    for (const FieldAssignment& write : writes) WriteFlag(FieldIn(*mapping.record, *write.field), write.value);
    CloseSharedStatus(mapping);
    return 0;
}
