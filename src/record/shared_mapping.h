// A reader's side of the named shared record: opening, checking and releasing it. One source
// file per platform: shared_mapping_win32.cpp (named file mapping) and shared_mapping_posix.cpp
// (shm_open). A record is made only by the client library (src/client), tests included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "record/shared_status.h"

struct SharedMapping {
    SharedStatus* record = nullptr;  // the mapped view; null when not mapped
    std::size_t size = 0;            // bytes that the view really covers
    std::intptr_t handle = -1;       // HANDLE on Windows, file descriptor on POSIX
    bool writable = true;            // false: mapped read-only, any write faults
    std::uint64_t identity = 0;      // which object this is (POSIX: its inode); 0 on Windows
};

// The saver's side: opens an existing object (never creates it), read-write, and maps all of
// it. A view shorter than the record, or one that cannot be mapped, counts as not attached:
// nothing is written and the result is false. On Windows the handle is inheritable.
bool OpenSharedStatus(SharedMapping& mapping, const char* name = kSharedStatusName);

// A passive reader's open: the same, but read-only, so that no byte can be written by mistake.
bool OpenSharedStatusReadOnly(SharedMapping& mapping, const char* name = kSharedStatusName);

// The record's name as the system shows it: the shared-memory object "/name" on POSIX, the
// mapping's own name on Windows.
std::string SystemRecordName(const char* name = kSharedStatusName);

// How a mapped record stands. On POSIX a client may cut the object shorter than the record
// (its pages then fault; the reader is kept alive and reads zeros) or put a new object under
// the name; a Windows mapping stays whole and stays the one named while the reader holds it.
// Removed: the name is gone and nothing took it (a client that stopped and unlinked its record);
// the mapping itself is still whole.
enum class RecordState { Sound, Lost, Replaced, Removed };
// `lookAtName`: also tell whether another object now has the name (a look-up, so it is asked
// for sparingly).
RecordState CheckSharedStatus(const SharedMapping& mapping, const char* name, bool lookAtName);

// Unmaps the view. The handle stays open: the saver keeps it until the process ends.
void UnmapSharedStatus(SharedMapping& mapping);

// Unmaps the view and closes the handle.
void CloseSharedStatus(SharedMapping& mapping);

// Removes the name, so that the next open fails until a client creates the object again.
// On Windows the object goes with its last handle and this does nothing.
void RemoveSharedStatus(const char* name = kSharedStatusName);

// The process's priority class as the platform's code (0x20 normal, 0x40 idle, ...), or 0
// when it cannot be read. On POSIX the nice value is translated to the nearest class.
std::int32_t CaptureSaverPriorityClass();

// The saver's marker: attach writes saver_attached = 1 and then the priority class; detach
// writes 0. Both go through the record's atomic 32-bit stores.
void MarkSaverAttached(SharedStatus& record, std::int32_t priorityClass);
void MarkSaverDetached(SharedStatus& record);

// Attach's two stores in the order the record format publishes: the marker, then the
// priority class. MarkSaverAttached stores through WriteFlag; a test passes a recorder,
// since no final state of the record shows the order.
template <typename Store>
void MarkSaverAttachedThrough(SharedStatus& record, std::int32_t priorityClass, Store store) {
    store(record.saver_attached, 1);
    store(record.saver_priority_class, priorityClass);
}
