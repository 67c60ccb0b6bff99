#include <windows.h>

#include "record/record_family.h"
#include "record/shared_status.h"

// Named mappings cannot be listed: each name of the family is opened and let go. A mapping
// shorter than the record is no record, as the readers' own open judges it.
std::vector<std::string> FindFamilyRecords() {
    std::vector<std::string> names;
    for (int index = 1; index <= kMaxClientRecords; ++index) {
        const std::string name = FamilyRecordName(index);
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
        if (mapping == nullptr) continue;
        void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        MEMORY_BASIC_INFORMATION info{};
        const bool whole = view != nullptr && VirtualQuery(view, &info, sizeof info) == sizeof info &&
                           info.RegionSize >= kSharedStatusSize;
        if (view != nullptr) UnmapViewOfFile(view);
        CloseHandle(mapping);
        if (whole) names.push_back(name);
    }
    return names;
}
