#include "reader/reader_session.h"

#include <utility>

#include "record/flag_handshake.h"

namespace {

// A missing record is looked for again this often, and the name looked up as often for a
// new object: a second each, as cheap as it is quick enough for a client's restart.
constexpr std::uint32_t kAttachRetryMs = 1000;
constexpr std::uint32_t kNameCheckMs = 1000;

}  // namespace

std::string WaitingLineFor(const std::string& recordName) {
    return "Waiting for the Orvane client (no shared record " + SystemRecordName(recordName.c_str()) + ")";
}

ReaderSession::ReaderSession(ReaderConfig config, std::uint32_t startMs)
    : config_(std::move(config)), startMs_(startMs), catchUp_(std::make_unique<JournalCatchUp>()) {}

ReaderSession::~ReaderSession() { Close(); }

void ReaderSession::Close() {
    Detach();
    CloseReaderBoard(board_);
}

bool ReaderSession::Attach() {
    if (Attached()) return true;
    SharedMapping mapping;
    const char* name = config_.recordName.c_str();
    if (!(config_.passive ? OpenSharedStatusReadOnly(mapping, name) : OpenSharedStatus(mapping, name))) return false;
    if (!boardTried_) {
        boardTried_ = true;
        OpenReaderBoard(board_, name);  // without it this reader is simply alone
    }
    mapping_ = mapping;
    if (board_.layout != nullptr) {
        LockReaderGuard(board_);
        if (!config_.passive) {
            JoinReaders(board_);
            MarkSaverAttached(*mapping_.record, config_.priorityClass);
        }
        AdoptRecord(*board_.layout, mapping_.identity);
        UnlockReaderGuard(board_);
    } else if (!config_.passive) {
        MarkSaverAttached(*mapping_.record, config_.priorityClass);
    }
    if (display_ == nullptr) {
        display_ = std::make_unique<StatusDisplay>(*mapping_.record, config_.headerImage.c_str(), !config_.passive);
    } else {
        // A record attached again: what was drawn stays on the canvas until it is drawn anew.
        display_->UseRecord(*mapping_.record, !config_.passive);
    }
    joined_ = true;
    cursor_ = JournalCursor{};
    seen_.Forget();
    force_ = true;
    return true;
}

void ReaderSession::LeaveRecord(bool recordReachable) {
    if (!Attached()) return;
    ReleaseReaderBoard(board_);
    if (!config_.passive) {
        LockReaderGuard(board_);
        const bool last = LeaveReadersLast(board_);
        if (last && recordReachable) MarkSaverDetached(*mapping_.record);
        UnlockReaderGuard(board_);
    }
    // The Windows saver keeps its handle until the process ends; a reader that attaches again
    // lets go of the old object altogether.
    if (config_.reattach) {
        CloseSharedStatus(mapping_);
    } else {
        UnmapSharedStatus(mapping_);
    }
    mapping_ = SharedMapping{};
    role_ = ReaderRole::Detached;
}

void ReaderSession::Detach() { LeaveRecord(true); }

void ReaderSession::StopDrawing() {
    drawing_ = false;
    ReleaseReaderBoard(board_);
    if (Attached()) role_ = ReaderRole::Idle;
}

std::uint32_t ReaderSession::Minutes(std::uint32_t nowMs) const { return (nowMs - startMs_) / kMillisecondsPerShift; }

void ReaderSession::Place(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options,
                          std::uint32_t nowMs) {
    monitors_ = monitors;
    options_ = options;
    placedMinute_ = options_.shift ? Minutes(nowMs) : 0;
    copies_ = PlaceCanvas(monitors_, options_, kCanvasWidth, kCanvasHeight, placedMinute_);
}

TickOutcome ReaderSession::Tick(std::uint32_t nowMs) {
    TickOutcome outcome;
    if (Attached() && config_.reattach) {
        const bool lookAtName = TimeReached(nowMs, nextNameCheckMs_);
        if (lookAtName) nextNameCheckMs_ = nowMs + kNameCheckMs;
        const RecordState state = CheckSharedStatus(mapping_, config_.recordName.c_str(), lookAtName);
        // A viewer keeps showing what a stopped client left; a passive reader reports the
        // client's state, and a record nobody can open any more is no record to report.
        const bool leave = state == RecordState::Lost || state == RecordState::Replaced ||
                           (state == RecordState::Removed && config_.passive);
        if (leave) {
            LeaveRecord(state == RecordState::Replaced);
            // A replaced record is taken at once; a lost one when it is whole again.
            attachDue_ = true;
            nextAttachMs_ = nowMs;
            force_ = true;
        }
    }
    if (!Attached() && (attachDue_ || TimeReached(nowMs, nextAttachMs_))) {
        attachDue_ = false;
        nextAttachMs_ = nowMs + kAttachRetryMs;
        if (Attach()) nextNameCheckMs_ = nowMs + kNameCheckMs;
    }

    if (options_.shift && Minutes(nowMs) != placedMinute_) {
        const std::vector<CanvasCopy> before = copies_;
        Place(monitors_, options_, nowMs);
        if (before != copies_) {
            // The new places first, then what they left: never a black frame in between.
            outcome.present = true;
            outcome.uncovered = LeftBehind(before, copies_);
        }
    }

    const bool changed = Attached() && drawing_ && ServeOrFollow();
    if (changed || force_) outcome.present = true;
    force_ = false;
    return outcome;
}

bool ReaderSession::ServeOrFollow() {
    StatusDisplay& display = *display_;
    SharedStatus& record = *mapping_.record;
    const bool drawScreen = config_.drawScreen;
    const auto draw = [&display, &record, drawScreen](const ItemSet& items) {
        return drawScreen ? !display.Draw(record, items).Empty() : !items.Empty();
    };
    const bool joined = std::exchange(joined_, false);
    ReaderBoardLayout* layout = board_.layout;

    const bool wasOwner = board_.owns;
    if (!config_.passive && TryOwnReaderBoard(board_)) {
        bool changed = false;
        if (layout != nullptr && !wasOwner && !joined) {
            // Taking over from an owner that left or died: catch up with what it published,
            // then draw everything once more and tell the others, so that a tick it drew but
            // never published is not missing anywhere.
            CatchUp(*layout, cursor_, *catchUp_);
            for (std::uint32_t t = 0; t < catchUp_->count; ++t) changed |= draw(catchUp_->ticks[t]);
            const ItemSet all = JoinJournal(*layout, cursor_);
            if (!all.Empty()) {
                changed |= draw(all);
                PublishTick(*layout, all);
            }
        } else if (layout != nullptr && !wasOwner && joined) {
            // The first reader, or one joining after the owner left: what was shown before.
            const ItemSet all = JoinJournal(*layout, cursor_);
            if (!all.Empty()) changed |= draw(all);
        }
        role_ = ReaderRole::Owner;
        // Every raised flag goes down before the drawing reads its item; the others are told
        // what was drawn, not what was raised.
        const ItemSet raised = TakeRaisedFlags(record);
        const ItemSet drawn = drawScreen ? display.Draw(record, raised) : raised;
        changed |= !drawn.Empty();
        if (layout != nullptr && !drawn.Empty()) {
            PublishTick(*layout, drawn);
            cursor_.seen = layout->head;
        }
        return changed;
    }

    if (layout != nullptr && (!config_.passive || ReaderBoardHasOwner(board_))) {
        role_ = ReaderRole::Follower;
        CatchUp(*layout, cursor_, *catchUp_);
        if (catchUp_->redrawAll) return draw(catchUp_->all);
        bool changed = false;
        for (std::uint32_t t = 0; t < catchUp_->count; ++t) changed |= draw(catchUp_->ticks[t]);
        return changed;
    }

    // Passive with nobody serving: what changed since this reader last drew it. Joining the
    // journal again once an owner comes redraws everything it has drawn.
    role_ = ReaderRole::Alone;
    cursor_.placed = false;
    const PassiveDraw passiveDraw = seen_.Changed(record);
    bool changed = draw(passiveDraw.items);
    if (!passiveDraw.over.Empty()) changed |= draw(passiveDraw.over);
    return changed;
}
