// How several readers of one record share it: a small object of Orvane's own beside the
// record ("<record name>.readers"), which the client never sees.
//
// One reader, the owner, serves the record's handshake as a sole reader does: it draws what
// is flagged and lowers the flags. After each tick that drew anything it publishes the set of
// items it drew in a journal; every other reader (a follower) draws the same items, tick by
// tick, from the record, and writes nothing to it. The owner is chosen with a lock that the
// system frees when its holder dies, so a follower takes over when the owner ends or is
// killed. A passive reader never writes the record and never owns; without an owner it
// decides for itself what changed.
//
// The marker saver_attached is kept by presence: each non-passive reader holds a shared
// share of a presence lock while attached, and the one that leaves last, told so by the lock,
// writes 0. A reader that is killed leaves its share to the system, never a wrong 0.
//
// One source file per platform: reader_board_posix.cpp (shm and open-file-description locks),
// reader_board_win32.cpp (a named mapping and named mutexes). reader_board.cpp holds the
// journal, which is the same on both.
#pragma once

#include <cstdint>
#include <string>

#include "record/record_items.h"

inline constexpr std::uint32_t kReaderBoardMagic = 0x5244524Fu;  // "ORDR"
inline constexpr std::uint32_t kReaderBoardVersion = 1;
// Ticks a follower may fall behind before it redraws everything instead (over 8 s at 30 a second).
inline constexpr std::uint32_t kJournalLength = 256;

struct JournalEntry {
    std::uint32_t sequence;  // the tick's number; 0 while it is being written
    ItemSet items;
};

// The bytes of the board, the same for every reader on a machine. Sequences count from 1 and
// wrap; every field is read and written as a whole 32-bit atomic.
struct ReaderBoardLayout {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t epoch;    // bumped whenever the journal starts afresh for another record
    std::uint32_t head;     // the newest published sequence; 0 before the first
    std::uint32_t recordLow;   // which record the journal speaks of (0 where records are never replaced)
    std::uint32_t recordHigh;
    ItemSet everDrawn;      // every item an owner has drawn since the journal started
    JournalEntry entries[kJournalLength];
};

// A reader's handle on the board. `layout` is null when the board could not be opened (the
// reader then works alone, as if it were the only one).
struct ReaderBoard {
    ReaderBoardLayout* layout = nullptr;
    std::intptr_t handle = -1;  // file descriptor, or the mapping's HANDLE
    void* owner = nullptr;      // Windows: the owner's named mutex
    void* guard = nullptr;      // Windows: the guard's named mutex
    void* presence = nullptr;   // Windows: this reader's presence slot
    bool owns = false;
    bool present = false;
    std::string name;  // POSIX: the board's object, removed by the last reader to close it
};

// Opens (making it when it is missing) the board of the record `recordName`. False leaves the
// reader alone with the record. The last reader to close it, passive ones counted, removes
// it (POSIX; a named mapping goes with its last handle by itself).
bool OpenReaderBoard(ReaderBoard& board, const char* recordName);
void CloseReaderBoard(ReaderBoard& board);

// Ownership, never waiting: true when this reader owns (already or from now on).
bool TryOwnReaderBoard(ReaderBoard& board);
void ReleaseReaderBoard(ReaderBoard& board);
// Whether some reader owns the board now (for a passive reader, which never owns).
bool ReaderBoardHasOwner(ReaderBoard& board);

// The guard orders joining and leaving, so that the last reader's 0 never lands after a new
// reader's 1. Held only for a few stores.
void LockReaderGuard(ReaderBoard& board);
void UnlockReaderGuard(ReaderBoard& board);
// Under the guard: joins the readers present / leaves them, true when no other one is left.
void JoinReaders(ReaderBoard& board);
bool LeaveReadersLast(ReaderBoard& board);

// The journal (portable). Under the guard: starts the journal afresh unless it already speaks
// of this record.
void AdoptRecord(ReaderBoardLayout& layout, std::uint64_t recordIdentity);
// The owner's side: publishes one tick's items.
void PublishTick(ReaderBoardLayout& layout, const ItemSet& items);

// A follower's place in the journal.
struct JournalCursor {
    std::uint32_t epoch = 0;
    std::uint32_t seen = 0;  // the last sequence taken
    bool placed = false;
};

// What a follower does next: the published ticks since its cursor, in order, or, when it fell
// too far behind or the journal started afresh, one redraw of everything ever drawn.
struct JournalCatchUp {
    bool redrawAll = false;
    ItemSet all;               // with redrawAll
    std::uint32_t count = 0;   // otherwise the ticks in `ticks`, oldest first
    ItemSet ticks[kJournalLength];
};
void CatchUp(const ReaderBoardLayout& layout, JournalCursor& cursor, JournalCatchUp& out);
// Puts the cursor at the newest tick, with everything ever drawn to redraw (a reader joining).
ItemSet JoinJournal(const ReaderBoardLayout& layout, JournalCursor& cursor);
