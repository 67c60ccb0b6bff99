#include <windows.h>

#include "inspect_run.h"

bool ReadLiveRecord(const std::string& name, std::vector<unsigned char>& bytes, std::string& error) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (mapping == nullptr) {
        error = "cannot open " + name + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region{};
    const bool ok = view != nullptr && VirtualQuery(view, &region, sizeof region) != 0;
    if (ok) {
        // Whole pages: Windows tells no finer size.
        const auto* first = static_cast<const unsigned char*>(view);
        bytes.assign(first, first + region.RegionSize);
    } else {
        error = "cannot map " + name + " (error " + std::to_string(GetLastError()) + ")";
    }
    if (view != nullptr) UnmapViewOfFile(view);
    CloseHandle(mapping);
    return ok;
}
