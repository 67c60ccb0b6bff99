#include <windows.h>

#include <string>

#include "reader/reader_board.h"

// Named objects of the session: the board is a mapping backed by the paging file, which goes
// with its last handle; the locks are mutexes, which the system hands on as abandoned when
// their holder dies. Presence is one mutex per slot, held by each reader while attached.
namespace {

constexpr int kPresenceSlots = 64;
constexpr DWORD kGuardWaitMilliseconds = 5000;

std::string ObjectName(const char* recordName, const char* what) { return std::string(recordName) + "." + what; }

bool Acquired(DWORD result) { return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED; }

std::string gRecordName;  // the readers' slots are named after it

HANDLE SlotMutex(int slot) {
    return CreateMutexA(nullptr, FALSE, ObjectName(gRecordName.c_str(), ("reader." + std::to_string(slot)).c_str()).c_str());
}

}  // namespace

bool OpenReaderBoard(ReaderBoard& board, const char* recordName) {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(sizeof(ReaderBoardLayout)),
                                        ObjectName(recordName, "readers").c_str());
    if (mapping == nullptr) return false;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ReaderBoardLayout));
    HANDLE owner = CreateMutexA(nullptr, FALSE, ObjectName(recordName, "owner").c_str());
    HANDLE guard = CreateMutexA(nullptr, FALSE, ObjectName(recordName, "guard").c_str());
    if (view == nullptr || owner == nullptr || guard == nullptr) {
        if (view != nullptr) UnmapViewOfFile(view);
        if (owner != nullptr) CloseHandle(owner);
        if (guard != nullptr) CloseHandle(guard);
        CloseHandle(mapping);
        return false;
    }
    gRecordName = recordName;
    board.layout = static_cast<ReaderBoardLayout*>(view);
    board.handle = reinterpret_cast<std::intptr_t>(mapping);
    board.owner = owner;
    board.guard = guard;
    board.presence = nullptr;
    board.owns = false;
    board.present = false;
    return true;
}

void CloseReaderBoard(ReaderBoard& board) {
    if (board.layout == nullptr) return;
    ReleaseReaderBoard(board);
    if (board.presence != nullptr) {
        ReleaseMutex(board.presence);
        CloseHandle(board.presence);
    }
    CloseHandle(board.owner);
    CloseHandle(board.guard);
    UnmapViewOfFile(board.layout);
    CloseHandle(reinterpret_cast<HANDLE>(board.handle));
    board = ReaderBoard{};
}

bool TryOwnReaderBoard(ReaderBoard& board) {
    if (board.layout == nullptr) return false;
    // A mutex counts its holder's waits: once owned, it is not waited for again.
    if (!board.owns) board.owns = Acquired(WaitForSingleObject(board.owner, 0));
    return board.owns;
}

void ReleaseReaderBoard(ReaderBoard& board) {
    if (board.layout == nullptr || !board.owns) return;
    ReleaseMutex(board.owner);
    board.owns = false;
}

bool ReaderBoardHasOwner(ReaderBoard& board) {
    if (board.layout == nullptr) return false;
    if (board.owns) return true;
    if (!Acquired(WaitForSingleObject(board.owner, 0))) return true;
    ReleaseMutex(board.owner);
    return false;
}

void LockReaderGuard(ReaderBoard& board) {
    if (board.layout != nullptr) WaitForSingleObject(board.guard, kGuardWaitMilliseconds);
}

void UnlockReaderGuard(ReaderBoard& board) {
    if (board.layout != nullptr) ReleaseMutex(board.guard);
}

void JoinReaders(ReaderBoard& board) {
    if (board.layout == nullptr || board.present) return;
    for (int slot = 0; slot < kPresenceSlots; ++slot) {
        HANDLE mutex = SlotMutex(slot);
        if (mutex == nullptr) continue;
        if (Acquired(WaitForSingleObject(mutex, 0))) {
            board.presence = mutex;
            board.present = true;
            return;
        }
        CloseHandle(mutex);
    }
}

bool LeaveReadersLast(ReaderBoard& board) {
    if (board.layout == nullptr) return true;
    if (board.presence != nullptr) {
        ReleaseMutex(board.presence);
        CloseHandle(board.presence);
        board.presence = nullptr;
    }
    board.present = false;
    bool last = true;
    for (int slot = 0; slot < kPresenceSlots && last; ++slot) {
        HANDLE mutex = SlotMutex(slot);
        if (mutex == nullptr) continue;
        if (Acquired(WaitForSingleObject(mutex, 0))) {
            ReleaseMutex(mutex);
        } else {
            last = false;  // a live reader holds this slot
        }
        CloseHandle(mutex);
    }
    return last;
}
