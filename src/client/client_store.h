// Making, taking over and letting go of the named record for a client. One source per
// platform: client_store_posix.cpp (shm_open, with an flock held while the client lives) and
// client_store_win32.cpp (a named file mapping, with a named event marking the live client).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "orvane/client.h"
#include "record/shared_status.h"

namespace orvane {

struct ClientStore {
    SharedStatus* record = nullptr;
    // What is mapped: kExtendedRecordSize, or the fixed bytes alone in an object taken over from
    // a client that made no room for the extension.
    std::size_t size = 0;
    std::intptr_t handle = -1;  // file descriptor / mapping HANDLE
    std::intptr_t marker = -1;  // Windows: the live-client event
    std::string name;           // as given, without the POSIX slash
};

// Opens `name` for one client. On success the record is mapped read-write and reads as zeros,
// apart from what a reader wrote into a record taken over from a client that has ended. A new
// object has room for the extension past the fixed bytes; one taken over keeps its size.
orvane_status OpenStore(const char* name, ClientStore& store, std::string& message);

// Unmaps and closes; `unlink` removes the POSIX name (Windows objects go with their handles).
void CloseStore(ClientStore& store, bool unlink);

// Zeroes a record taken over, keeping the four fields a reader writes back, and empties its
// label when the `size` bytes mapped hold the extension.
void ClearForTakeOver(SharedStatus& record, std::size_t size);

}  // namespace orvane
