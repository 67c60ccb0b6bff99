#include "reader/reader_changes.h"

#include <cstddef>
#include <cstring>

namespace {

// The header that some items' texts read in place: when it changed, they are drawn again.
constexpr ByteSpan kHeader = ItemInfo(RecordItem::DataInfo).drawnFrom;

const unsigned char* Bytes(const SharedStatus& record) { return reinterpret_cast<const unsigned char*>(&record); }

std::size_t RowOffset(int row) { return offsetof(SharedStatus, spectrum_rows) + sizeof(SpectrumRow) * static_cast<std::size_t>(row); }

bool Raised(const SharedStatus& record, std::size_t flagOffset) { return ReadFlag(FlagAt(record, flagOffset)) != 0; }

}  // namespace

SeenRecord::SeenRecord() : bytes_(kSharedStatusSize, 0) {}

void SeenRecord::Forget() { known_ = ItemSet{}; }

PassiveDraw SeenRecord::Changed(const SharedStatus& record) {
    const unsigned char* now = Bytes(record);
    unsigned char* seen = bytes_.data();
    const auto differs = [&](const ByteSpan& span) { return std::memcmp(seen + span.offset, now + span.offset, span.size) != 0; };
    const auto remember = [&](const ByteSpan& span) { std::memcpy(seen + span.offset, now + span.offset, span.size); };
    const auto raised = [&](RecordItem item) { return ItemRaised(record, item); };

    ItemSet changed;
    const bool headerDiffers = differs(kHeader);
    for (const RecordItemInfo& item : kRecordItems) {
        if (!raised(item.item)) continue;
        if (known_.Has(item.item) && !differs(item.drawnFrom) && !(item.readsHeader && headerDiffers)) continue;
        changed.Add(item.item);
    }
    bool rowChanged = false;
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        if (!Raised(record, RowFlagOffset(j))) continue;
        if (known_.HasRow(j) && !differs(ByteSpan{RowOffset(j), kMaxSpectrumBins})) continue;
        changed.AddRow(j);
        rowChanged = true;
    }

    // What a redraw wipes comes along, and a row is drawn on fresh ground.
    if ((changed.Has(RecordItem::StatusTextA) || changed.Has(RecordItem::StatusTextB)) &&
        raised(RecordItem::StepFraction)) {
        changed.Add(RecordItem::StepFraction);
    }
    // A message drawn, up or down, lies on a graph drawn afresh (a client raises the graph with
    // it), and the message that shows is drawn again over any graph drawn under it.
    const bool messageUp = ReadFlag(record.message.message_on) != 0;
    const bool messageDrawn = changed.Has(RecordItem::Message);
    if (raised(RecordItem::GraphFrame) && (rowChanged || messageDrawn)) changed.Add(RecordItem::GraphFrame);
    if (changed.Has(RecordItem::GraphFrame)) {
        for (int j = 0; j < kMaxSpectrumRows; ++j) {
            if (Raised(record, RowFlagOffset(j))) changed.AddRow(j);
        }
    }
    PassiveDraw draw;
    if (messageUp && raised(RecordItem::Message) && (messageDrawn || changed.Has(RecordItem::GraphFrame) || rowChanged)) {
        changed.Remove(RecordItem::Message);
        draw.over.Add(RecordItem::Message);
    }

    ItemSet drawn = changed;
    drawn.Add(draw.over);
    // One redraw serves the CPU time and the progress.
    if (changed.Has(RecordItem::CpuTime)) {
        changed.Remove(RecordItem::Progress);
        drawn.Add(RecordItem::Progress);
    }
    for (const RecordItemInfo& item : kRecordItems) {
        if (!drawn.Has(item.item)) continue;
        remember(item.drawnFrom);
        known_.Add(item.item);
    }
    if (headerDiffers) remember(kHeader);
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        if (!drawn.HasRow(j)) continue;
        remember(ByteSpan{RowOffset(j), kMaxSpectrumBins});
        known_.AddRow(j);
    }
    draw.items = changed;
    return draw;
}
