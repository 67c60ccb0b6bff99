#include "reader/reader_changes.h"

#include <cstddef>
#include <cstring>

namespace {

struct Span {
    std::size_t offset;
    std::size_t size;
};

constexpr Span kDataInfo{offsetof(SharedStatus, data_info), sizeof(DataInfo)};
constexpr Span kGeometry{offsetof(SharedStatus, graph_depth_x),
                         offsetof(SharedStatus, spectrum_rows) - offsetof(SharedStatus, graph_depth_x)};

// What each item is drawn from, by its place in kRecordItems: its own fields and the header
// fields that its text reads in place. Flags are left out: their values mean nothing here.
struct ItemSpans {
    Span own;
    bool readsHeader;
};
constexpr ItemSpans kSpans[kRecordItemCount] = {
    {{offsetof(SharedStatus, status_text_b), 80}, false},
    {{offsetof(SharedStatus, status_text_a), 80}, false},
    {{offsetof(SharedStatus, user_info), sizeof(UserInfo)}, false},
    {kDataInfo, false},
    {{offsetof(SharedStatus, progress_fraction), offsetof(SharedStatus, cpu_time_changed) - offsetof(SharedStatus, progress_fraction)}, false},
    {{offsetof(SharedStatus, progress_fraction), offsetof(SharedStatus, cpu_time_changed) - offsetof(SharedStatus, progress_fraction)}, false},
    {{offsetof(SharedStatus, step_fraction), 4}, false},
    {{offsetof(SharedStatus, drift_rate), 8}, true},
    {{offsetof(SharedStatus, current_peak), sizeof(PeakSummary)}, false},
    {{offsetof(SharedStatus, best_peak), sizeof(PeakSummary)}, true},
    {{offsetof(SharedStatus, best_gaussian), sizeof(GaussianSummary)}, true},
    {{offsetof(SharedStatus, message), sizeof(MessageBlock)}, false},
    {kGeometry, true},
};

const unsigned char* Bytes(const SharedStatus& record) { return reinterpret_cast<const unsigned char*>(&record); }

std::size_t RowOffset(int row) { return offsetof(SharedStatus, spectrum_rows) + sizeof(SpectrumRow) * static_cast<std::size_t>(row); }

bool Raised(const SharedStatus& record, std::size_t flagOffset) { return ReadFlag(FlagAt(record, flagOffset)) != 0; }

}  // namespace

SeenRecord::SeenRecord() : bytes_(kSharedStatusSize, 0) {}

void SeenRecord::Forget() { known_ = ItemSet{}; }

PassiveDraw SeenRecord::Changed(const SharedStatus& record) {
    const unsigned char* now = Bytes(record);
    unsigned char* seen = bytes_.data();
    const auto differs = [&](const Span& span) { return std::memcmp(seen + span.offset, now + span.offset, span.size) != 0; };
    const auto remember = [&](const Span& span) { std::memcpy(seen + span.offset, now + span.offset, span.size); };
    const auto raised = [&](RecordItem item) { return Raised(record, kRecordItems[ItemSet::Bit(item)].flagOffset); };

    ItemSet changed;
    const bool headerDiffers = differs(kDataInfo);
    for (int i = 0; i < kRecordItemCount; ++i) {
        if (!Raised(record, kRecordItems[i].flagOffset)) continue;
        const ItemSpans& spans = kSpans[i];
        if (known_.Has(i) && !differs(spans.own) && !(spans.readsHeader && headerDiffers)) continue;
        changed.Add(i);
    }
    bool rowChanged = false;
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        if (!Raised(record, RowFlagOffset(j))) continue;
        if (known_.HasRow(j) && !differs(Span{RowOffset(j), kMaxSpectrumBins})) continue;
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
    for (int i = 0; i < kRecordItemCount; ++i) {
        if (!drawn.Has(i)) continue;
        remember(kSpans[i].own);
        known_.Add(i);
    }
    if (headerDiffers) remember(kDataInfo);
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        if (!drawn.HasRow(j)) continue;
        remember(Span{RowOffset(j), kMaxSpectrumBins});
        known_.AddRow(j);
    }
    draw.items = changed;
    return draw;
}
