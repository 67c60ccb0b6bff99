// Reads 32-bit fields of the live shared record for the end-to-end scripts, and can wait
// until fields hold given values.
//
//   orvane-peek [--record RECORD] [--timeout SECONDS] [--wait-record] [--until NAME=VALUE | NAME!=VALUE]...
//               [NAME...]
//
// RECORD is a name of the family ("orvane_share" by default, "orvane_share_2" and on).
// Prints "NAME=VALUE" for every NAME once the conditions hold (or at the deadline).
// Exit codes: 0 done, 1 no record, 2 usage, 3 the deadline passed first.
// While it runs, its own handle keeps the record's name alive even if the client ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "record_fields.h"
#include "record/record_family.h"
#include "record/shared_mapping.h"

namespace {

constexpr DWORD kPollMilliseconds = 50;

int Usage(const char* problem) {
    std::fprintf(stderr, "orvane-peek: %s\n", problem);
    std::fprintf(stderr,
                 "usage: orvane-peek [--record RECORD] [--timeout SECONDS] [--wait-record] "
                 "[--until NAME=VALUE|NAME!=VALUE]... [NAME...]\nfields:");
    for (const RecordField& field : kRecordFields) std::fprintf(stderr, " %s", field.name);
    std::fprintf(stderr, "\n");
    return 2;
}

bool Holds(SharedStatus& record, const FieldAssignment& condition) {
    const bool equal = ReadFlag(FieldIn(record, *condition.field)) == condition.value;
    return condition.notEqual ? !equal : equal;
}

}  // namespace

int main(int argc, char** argv) {
    double timeoutSeconds = 0.0;
    bool waitRecord = false;
    std::vector<FieldAssignment> conditions;
    std::vector<const RecordField*> shown;
    std::string recordName = kSharedStatusName;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--record" && i + 1 < argc) {
            recordName = argv[++i];
            if (FamilyRecordIndex(recordName) == 0) return Usage("--record takes a name of the family");
        } else if (arg == "--timeout" && i + 1 < argc) {
            char* end = nullptr;
            timeoutSeconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || timeoutSeconds < 0.0 || timeoutSeconds > 600.0)
                return Usage("--timeout takes seconds from 0 to 600");
        } else if (arg == "--wait-record") {
            waitRecord = true;
        } else if (arg == "--until" && i + 1 < argc) {
            const auto condition = ParseAssignment(argv[++i], true);
            if (!condition) return Usage("--until takes NAME=VALUE or NAME!=VALUE with a known NAME");
            conditions.push_back(*condition);
        } else if (const RecordField* field = FindRecordField(arg)) {
            shown.push_back(field);
        } else {
            return Usage(("unknown argument '" + arg + "'").c_str());
        }
    }

    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000.0);
    SharedMapping mapping;
    while (!OpenSharedStatus(mapping, recordName.c_str())) {
        if (!waitRecord || GetTickCount64() >= deadline) {
            std::fprintf(stderr, "orvane-peek: no record \"%s\"\n", recordName.c_str());
            return 1;
        }
        Sleep(kPollMilliseconds);
    }
    SharedStatus& record = *mapping.record;

    int status = 0;
    for (;;) {
        bool all = true;
        for (const FieldAssignment& condition : conditions) all = all && Holds(record, condition);
        if (all) break;
        if (GetTickCount64() >= deadline) {
            std::fprintf(stderr, "orvane-peek: deadline passed; still waiting for");
            for (const FieldAssignment& condition : conditions) {
                if (!Holds(record, condition))
                    std::fprintf(stderr, " %s%s%ld (is %ld)", condition.field->name, condition.notEqual ? "!=" : "=",
                                 static_cast<long>(condition.value),
                                 static_cast<long>(ReadFlag(FieldIn(record, *condition.field))));
            }
            std::fprintf(stderr, "\n");
            status = 3;
            break;
        }
        Sleep(kPollMilliseconds);
    }
    for (const RecordField* field : shown) {
        std::printf("%s=%ld\n", field->name, static_cast<long>(ReadFlag(FieldIn(record, *field))));
    }
    std::fflush(stdout);
    CloseSharedStatus(mapping);
    return status;
}
