#include "record/shared_mapping.h"

#include <windows.h>

namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// A view reaches to the end of its last page; VirtualQuery tells how far that is. Anything
// shorter than the record would have us read and write past the end of the mapping. A record
// short by less than its last page passes, and harmlessly so: every byte we touch is still
// mapped memory. Neither the view nor the section (Wine reports whole pages for both) tells
// the exact size the client asked for.
bool MapWhole(SharedMapping& mapping, HANDLE object, bool writable) {
    void* view = MapViewOfFile(object, writable ? FILE_MAP_ALL_ACCESS : FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) return false;
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(view, &region, sizeof region) == 0 || region.RegionSize < kSharedStatusSize) {
        UnmapViewOfFile(view);
        return false;
    }
    mapping.record = static_cast<SharedStatus*>(view);
    mapping.size = region.RegionSize;
    mapping.handle = reinterpret_cast<std::intptr_t>(object);
    mapping.writable = writable;
    return true;
}

}  // namespace

namespace {

bool OpenAndMap(SharedMapping& mapping, const char* name, DWORD access, BOOL inherit, bool writable) {
    HANDLE object = OpenFileMappingA(access, inherit, name);
    if (object == nullptr) return false;
    if (!MapWhole(mapping, object, writable)) {
        CloseHandle(object);
        return false;
    }
    return true;
}

}  // namespace

bool OpenSharedStatusReadOnly(SharedMapping& mapping, const char* name) {
    return OpenAndMap(mapping, name, FILE_MAP_READ, FALSE, false);
}

RecordState CheckSharedStatus(const SharedMapping& mapping, const char*, bool) {
    return mapping.record != nullptr ? RecordState::Sound : RecordState::Lost;
}

bool OpenSharedStatus(SharedMapping& mapping, const char* name) {
    return OpenAndMap(mapping, name, FILE_MAP_ALL_ACCESS, TRUE, true);
}

void UnmapSharedStatus(SharedMapping& mapping) {
    if (mapping.record != nullptr) UnmapViewOfFile(mapping.record);
    mapping.record = nullptr;
    mapping.size = 0;
}

void CloseSharedStatus(SharedMapping& mapping) {
    UnmapSharedStatus(mapping);
    if (mapping.handle != -1 && mapping.handle != 0) CloseHandle(AsHandle(mapping.handle));
    mapping.handle = -1;
}

void RemoveSharedStatus(const char*) {}

std::int32_t CaptureSaverPriorityClass() {
    HANDLE self = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_SET_INFORMATION, FALSE, GetCurrentProcessId());
    if (self == nullptr) return 0;
    const DWORD priorityClass = GetPriorityClass(self);
    CloseHandle(self);
    return static_cast<std::int32_t>(priorityClass);
}

std::string SystemRecordName(const char* name) { return name; }
