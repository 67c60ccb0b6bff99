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

ItemSet SeenRecord::Changed(const SharedStatus& record) {
    const unsigned char* now = Bytes(record);
    unsigned char* seen = bytes_.data();
    const auto differs = [&](const Span& span) { return std::memcmp(seen + span.offset, now + span.offset, span.size) != 0; };
    const auto remember = [&](const Span& span) { std::memcpy(seen + span.offset, now + span.offset, span.size); };

    ItemSet changed;
    const bool headerDiffers = differs(kDataInfo);
    for (int i = 0; i < kRecordItemCount; ++i) {
        if (!Raised(record, kRecordItems[i].flagOffset)) continue;
        const ItemSpans& spans = kSpans[i];
        if (known_.Has(i) && !differs(spans.own) && !(spans.readsHeader && headerDiffers)) continue;
        changed.Add(i);
    }
    // One redraw serves the CPU time and the progress.
    if (changed.Has(RecordItem::CpuTime)) changed.words[0] &= ~(1u << ItemSet::Bit(RecordItem::Progress));

    const bool messageDown = changed.Has(RecordItem::Message) && ReadFlag(record.message.message_on) == 0;
    if (messageDown && Raised(record, offsetof(SharedStatus, graph_frame_changed))) changed.Add(RecordItem::GraphFrame);
    const bool allRows = changed.Has(RecordItem::GraphFrame) || messageDown;
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        if (!Raised(record, RowFlagOffset(j))) continue;
        const Span row{RowOffset(j), kMaxSpectrumBins};
        if (allRows || !known_.HasRow(j) || differs(row)) changed.AddRow(j);
    }

    for (int i = 0; i < kRecordItemCount; ++i) {
        if (!changed.Has(i) && !(i == ItemSet::Bit(RecordItem::Progress) && changed.Has(RecordItem::CpuTime))) continue;
        remember(kSpans[i].own);
        known_.Add(i);
    }
    if (headerDiffers) remember(kDataInfo);
    for (int j = 0; j < kMaxSpectrumRows; ++j) {
        if (!changed.HasRow(j)) continue;
        remember(Span{RowOffset(j), kMaxSpectrumBins});
        known_.AddRow(j);
    }
    return changed;
}
