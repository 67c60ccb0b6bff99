#include "client_rules.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "orvane/client.h"
#include "record/record_extension.h"

void orvane_client::Publish(RecordItem item) {
    RaiseItem(*record, item);
    published.Add(item);
}

void orvane_client::RaiseIfPublished(RecordItem item) {
    if (published.Has(item)) RaiseItem(*record, item);
}

// A follower draws what its owner drew from the record as it is when the follower comes to
// it, so a value changed without its flag would show on one reader and not on another.
void orvane_client::RaiseGraph() {
    if (!graphSet) return;
    // Held while the message shows; taking it down raises the graph again.
    if (messageOn) return;
    SharedStatus& r = *record;
    const orvane::Geometry& g = geometry;
    orvane::WriteGeometry(r, g);
    // After a new geometry the rows it no longer uses are cleared too.
    const std::int32_t written = geometryWritten ? g.rows : kMaxSpectrumRows;
    for (std::int32_t j = 0; j < written; ++j) {
        std::memcpy(r.spectrum_rows[j].values, rows[static_cast<std::size_t>(j)], kMaxSpectrumBins);
    }
    geometryWritten = true;
    // Frame first: a reader that draws in between clears the panel and still finds every
    // row raised.
    RaiseItem(r, RecordItem::GraphFrame);
    for (std::int32_t j = 0; j < g.rows; ++j) RaiseFlag(r.spectrum_rows[j].changed);
    frameWatched = true;
}

// The frame wipes the message, which goes up again once the graph is drawn.
void orvane_client::RaiseGraphUnderMessage() {
    const bool on = messageOn;
    messageOn = false;
    RaiseGraph();
    messageOn = on;
    messageRepeat = messageRepeat || (on && graphSet);
}

// A reader reads the frame's flag before the rows'. A tick that read it just before the
// raise above and the rows' just after draws rows alone; the frame it draws next tick
// then clears them, and a row is drawn only when raised. A row lowered while the frame is
// still up was drawn before the frame, so it goes up again to be drawn after it.
void orvane_client::WatchFrame() {
    if (!frameWatched || !geometryWritten) return;
    if (!ItemRaised(*record, RecordItem::GraphFrame)) {
        frameWatched = false;
        return;
    }
    if (lastAttached == 0) return;  // nobody lowers anything
    bool raised = false;
    for (std::int32_t j = 0; j < geometry.rows; ++j) {
        if (ReadFlag(record->spectrum_rows[j].changed) != 0) continue;
        RaiseFlag(record->spectrum_rows[j].changed);
        raised = true;
    }
    // The reader may have drawn the frame meanwhile, and after it some of these rows: they
    // would then be drawn again alone, over the whole picture. The frame and every row
    // once more make it whole.
    if (raised && !ItemRaised(*record, RecordItem::GraphFrame)) {
        RaiseItem(*record, RecordItem::GraphFrame);
        for (std::int32_t j = 0; j < geometry.rows; ++j) RaiseFlag(record->spectrum_rows[j].changed);
        messageRepeat = messageRepeat || messageOn;  // the frame wipes a message out
    }
}

// The same for the status line: a reader draws text B before A, so a tick that read B's
// flag just before the client raised both and A's just after draws A, then B over it at
// the next tick. A, set last, goes up again to be drawn after B.
void orvane_client::WatchStatusLine() {
    if (statusBLast || !published.Has(RecordItem::StatusTextA) || lastAttached == 0) return;
    if (ItemRaised(*record, RecordItem::StatusTextA) || !ItemRaised(*record, RecordItem::StatusTextB)) return;
    RaiseItem(*record, RecordItem::StatusTextA);
    RaiseIfPublished(RecordItem::StepFraction);  // the line's redraw blanks the bar
}

// The rows of the geometry in the record, which while the message shows may be older than
// the one chosen since.
bool orvane_client::GraphPending() const {
    if (ItemRaised(*record, RecordItem::GraphFrame)) return true;
    const std::int32_t count = std::clamp<std::int32_t>(record->graph_row_count, 0, kMaxSpectrumRows);
    for (std::int32_t j = 0; j < count; ++j) {
        if (ReadFlag(record->spectrum_rows[j].changed) != 0) return true;
    }
    return false;
}

// Every item set so far, in the record's order, then the graph.
void orvane_client::RaiseAll() {
    // The two status texts share a line: only the one set last comes up again.
    const RecordItem hiddenText = statusBLast ? RecordItem::StatusTextA : RecordItem::StatusTextB;
    for (const RecordItem item : kItemsInRecordOrder) {
        if (item == hiddenText || item == RecordItem::GraphFrame) continue;
        if (item == RecordItem::CpuTime && spareCpuTime) continue;
        RaiseIfPublished(item);
    }
    RaiseGraph();
}

void orvane_client::ApplyGeometry(const orvane::Geometry& g) {
    geometry = g;
    // Old rows were scaled for the old box; the waterfall starts again.
    std::memset(rows, 0, sizeof rows);
    geometryWritten = false;
    frameWatched = false;
    graphSet = true;
}

void orvane_client::Look() {
    const std::int32_t attached = ReadFlag(record->saver_attached);
    const std::int32_t width = ReadFlag(record->graph_area_width);
    const std::int32_t height = ReadFlag(record->graph_area_height);
    bool refresh = false;
    if (attached != 0 && lastAttached == 0) {
        events |= ORVANE_EVENT_ATTACHED;
        refresh = true;
    } else if (attached == 0 && lastAttached != 0) {
        events |= ORVANE_EVENT_DETACHED;
    }
    lastAttached = attached;
    if (width != lastAreaWidth || height != lastAreaHeight) {
        // A reader writes its area when it attaches: one that replaced another, or came
        // beside it, has drawn nothing yet either.
        lastAreaWidth = width;
        lastAreaHeight = height;
        refresh = refresh || attached != 0;
        if (graphSet) {
            const orvane::Geometry g = orvane::Choose(wantedBins, wantedRows, wantedMirrored, width, height);
            if (!(g == geometry)) {
                ApplyGeometry(g);
                events |= ORVANE_EVENT_AREA;
                refresh = true;
            }
        }
    }
    if (refresh) {
        // A graph raised before the message went up may still be drawn after it.
        messageRepeat = messageRepeat || (messageOn && graphSet && GraphPending());
        RaiseAll();
    }
    WatchFrame();
    WatchStatusLine();
    if (messageRepeat && messageOn && !ItemRaised(*record, RecordItem::Message) && !GraphPending()) {
        // The graph raised before the message went up has been drawn, maybe over it.
        RaiseItem(*record, RecordItem::Message);
        messageRepeat = false;
    }
}

namespace orvane {

void ClearForTakeOver(SharedStatus& record, std::size_t size) {
    // Everything but what a reader writes back: the area, its marker and its priority class.
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    std::memset(bytes, 0, offsetof(SharedStatus, graph_area_width));
    const std::size_t from = offsetof(SharedStatus, graph_depth_x);
    std::memset(bytes + from, 0, offsetof(SharedStatus, saver_attached) - from);
    // The ended client's label is not the new one's. A marked label is emptied under its count,
    // so that a reader still holding the object sees the change as it sees any other; bytes
    // without the mark are nobody's label and simply go.
    if (size < kExtendedRecordSize) return;
    const auto* extension = reinterpret_cast<const RecordExtension*>(bytes + kRecordExtensionOffset);
    if (std::memcmp(extension->mark, kRecordExtensionMark, sizeof kRecordExtensionMark) == 0) {
        WriteRecordLabel(bytes, size, "");
    } else {
        std::memset(bytes + kRecordExtensionOffset, 0, kRecordExtensionSize);
    }
}

}  // namespace orvane
