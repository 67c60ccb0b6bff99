#include "client_store.h"

#include <windows.h>

#include "record/record_extension.h"
#include "record/record_family.h"

namespace orvane {
namespace {

orvane_status FromError(DWORD error) {
    if (error == ERROR_ACCESS_DENIED) return ORVANE_ERR_PERMISSION;
    if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) return ORVANE_ERR_MEMORY;
    return ORVANE_ERR_SYSTEM;
}

std::string Code(DWORD error) { return " (error " + std::to_string(error) + ")"; }

}  // namespace

orvane_status OpenStore(const char* name, ClientStore& store, std::string& message) {
    // A named object lives while any process holds a handle to it, and only clients open this
    // one: finding it already there means a client is running. The saver may still hold the
    // record of a client that has ended, but never this marker.
    const std::string markerName = std::string(name) + kClientMarkerSuffix;
    HANDLE marker = CreateEventA(nullptr, TRUE, FALSE, markerName.c_str());
    if (marker == nullptr) {
        const DWORD error = GetLastError();
        message = "cannot make " + markerName + Code(error);
        return FromError(error);
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(marker);
        message = std::string(name) + " is in use by a running client";
        return ORVANE_ERR_NAME_TAKEN;
    }
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(kExtendedRecordSize), name);
    const DWORD created = GetLastError();
    if (mapping == nullptr) {
        CloseHandle(marker);
        message = std::string("cannot make the mapping ") + name + Code(created);
        return FromError(created);
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region{};
    if (view == nullptr || VirtualQuery(view, &region, sizeof region) == 0 || region.RegionSize < kSharedStatusSize) {
        const DWORD error = GetLastError();
        const bool shortView = view != nullptr;
        if (view != nullptr) UnmapViewOfFile(view);
        CloseHandle(mapping);
        CloseHandle(marker);
        if (shortView) {
            message = std::string(name) + " exists and is shorter than the record's " +
                      std::to_string(kSharedStatusSize) + " bytes";
            return ORVANE_ERR_TOO_SMALL;
        }
        message = std::string("cannot map ") + name + Code(error);
        return FromError(error);
    }
    store.record = static_cast<SharedStatus*>(view);
    // A view reaches to the end of its last page, and a mapping made by an older client for the
    // fixed bytes alone still has the extension's 48 bytes in that page: the label always fits.
    store.size = region.RegionSize >= kExtendedRecordSize ? kExtendedRecordSize : kSharedStatusSize;
    store.handle = reinterpret_cast<std::intptr_t>(mapping);
    store.marker = reinterpret_cast<std::intptr_t>(marker);
    store.name = name;
    if (created == ERROR_ALREADY_EXISTS) ClearForTakeOver(*store.record, store.size);
    message.clear();
    return ORVANE_OK;
}

void CloseStore(ClientStore& store, bool) {
    if (store.record != nullptr) UnmapViewOfFile(store.record);
    if (store.handle != -1) CloseHandle(reinterpret_cast<HANDLE>(store.handle));
    if (store.marker != -1) CloseHandle(reinterpret_cast<HANDLE>(store.marker));
    store = ClientStore{};
}

}  // namespace orvane
