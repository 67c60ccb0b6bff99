// The life of one reader of the record, the same for every front end: attaching and leaving
// (with the marker), attaching again when a record shrinks, vanishes or is replaced, the tick
// (serve or follow the record, then say what to present), the orbit against burn-in and the
// places of the copies. The session decides what the display draws each tick and, when it
// serves the record, lowers the flags: the display only draws. The Windows saver, the Linux
// viewer and the tools drive it and only present the canvas and fill black where it says.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "reader/placement.h"
#include "screen/status_display.h"
#include "reader/reader_changes.h"
#include "reader/reader_board.h"
#include "record/shared_mapping.h"

// What a reader shows while there is no record of that name.
std::string WaitingLineFor(const std::string& recordName);

struct ReaderConfig {
    std::string recordName = kSharedStatusName;
    std::string headerImage = kHeaderImageFile;
    // Never writes a byte of the record, never lowers a flag: follows the owner, or on its own
    // draws what changed.
    bool passive = false;
    // Looks for a record that shrank, went or was replaced, and attaches again (POSIX). The
    // Windows saver attaches once per window, and its mapping cannot shrink under it.
    bool reattach = true;
    std::int32_t priorityClass = 0;  // written at attach
    // False: serves the record (flags lowered, what was raised passed on to the other readers)
    // without drawing the status screen, for a front end that shows only cards made from the
    // record itself. Sixteen busy clients' screens drawn for nobody cost several times what
    // their cards do.
    bool drawScreen = true;
};

// What the front end does after a tick.
struct TickOutcome {
    bool present = false;        // copy the canvas to every copy's place
    std::vector<Rect> uncovered;  // then fill these black: what moved copies left behind
};

enum class ReaderRole {
    Detached,
    Owner,     // serves the handshake and publishes what it drew
    Follower,  // draws what the owner drew
    Alone,     // passive, and no owner: draws what changed
    Idle,      // attached but not drawing (the Windows saver while blank or too narrow)
};

class ReaderSession {
public:
    explicit ReaderSession(ReaderConfig config, std::uint32_t startMs = 0);
    ~ReaderSession();
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    // Opens the record and, when not passive, writes the marker and the priority class, then
    // builds the display (or points the one built before at this record) and offers the graph
    // area. False when there is no usable record; nothing is written then.
    bool Attach();
    // The marker goes back to 0 when this is the last non-passive reader; the view is unmapped.
    void Detach();
    // Detaches and lets go of the readers' board too (the last reader removes it): what the
    // destructor does, for a program that must end before its destructors would run.
    void Close();
    bool Attached() const { return mapping_.record != nullptr; }

    void Place(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options, std::uint32_t nowMs);
    const std::vector<CanvasCopy>& Copies() const { return copies_; }
    // The next tick presents whether or not anything changed (after an expose, a new place).
    void ForcePresent() { force_ = true; }
    // A reader that stops drawing (blank, too narrow) stops owning, so that another one serves.
    void StopDrawing();

    // One tick at `nowMs` (a wrapping millisecond count): attaches when due, checks the record,
    // moves the copies along the orbit, serves or follows the record.
    TickOutcome Tick(std::uint32_t nowMs);

    StatusDisplay* Display() { return display_.get(); }
    // The status screen's canvas, what a front end presents; null before the first attach.
    Canvas* Screen() { return display_ != nullptr ? display_->canvas.get() : nullptr; }
    SharedStatus* Record() { return mapping_.record; }
    const SharedMapping& Mapping() const { return mapping_; }
    ReaderRole Role() const { return role_; }

private:
    bool ServeOrFollow();
    void LeaveRecord(bool recordReachable);
    std::uint32_t Minutes(std::uint32_t nowMs) const;

    ReaderConfig config_;
    std::uint32_t startMs_;
    SharedMapping mapping_;
    ReaderBoard board_;
    bool boardTried_ = false;
    std::unique_ptr<StatusDisplay> display_;
    ReaderRole role_ = ReaderRole::Detached;
    bool drawing_ = true;
    bool joined_ = false;  // the first serving tick after an attach has not come yet
    JournalCursor cursor_;
    std::unique_ptr<JournalCatchUp> catchUp_;
    SeenRecord seen_;
    bool attachDue_ = true;
    std::uint32_t nextAttachMs_ = 0;
    std::uint32_t nextNameCheckMs_ = 0;

    std::vector<MonitorInfo> monitors_;
    PlacementOptions options_;
    std::vector<CanvasCopy> copies_;
    std::uint32_t placedMinute_ = 0;
    bool force_ = true;
};

// Signed distance from `then` to `now` in wrapping milliseconds: whether a time has come.
inline bool TimeReached(std::uint32_t nowMs, std::uint32_t dueMs) {
    return static_cast<std::int32_t>(nowMs - dueMs) >= 0;
}
