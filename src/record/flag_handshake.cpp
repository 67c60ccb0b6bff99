#include "record/flag_handshake.h"

#include <algorithm>

void LowerItemFlags(SharedStatus& record, RecordItem item) {
    if (item == RecordItem::CpuTime || item == RecordItem::Progress) {
        LowerFlag(record.progress_changed);
        LowerFlag(record.cpu_time_changed);
        return;
    }
    LowerFlag(FlagAt(record, kRecordItems[ItemSet::Bit(item)].flagOffset));
}

namespace {

// Takes item i's flag when it is raised. An item whose flag a former one lowered (the
// progress after the CPU time) is not drawn twice.
void TakeItem(SharedStatus& record, int i, ItemSet& taken) {
    if (ReadFlag(FlagAt(record, kRecordItems[i].flagOffset)) == 0) return;
    LowerItemFlags(record, kRecordItems[i].item);
    taken.Add(i);
}

}  // namespace

ItemSet TakeRaisedGraphFlags(SharedStatus& record) {
    ItemSet taken;
    TakeItem(record, ItemSet::Bit(RecordItem::GraphFrame), taken);
    // Rows at and past the row count are not the graph's: their flags stay as they are.
    const std::int32_t rows = std::clamp<std::int32_t>(ReadFlag(record.graph_row_count), 0, kMaxSpectrumRows);
    for (std::int32_t j = 0; j < rows; ++j) {
        std::int32_t& flag = record.spectrum_rows[j].changed;
        if (ReadFlag(flag) == 0) continue;
        LowerFlag(flag);
        taken.AddRow(j);
    }
    return taken;
}

ItemSet TakeRaisedFlags(SharedStatus& record) {
    ItemSet taken;
    for (int i = 0; i < kRecordItemCount; ++i) {
        if (kRecordItems[i].item != RecordItem::GraphFrame) TakeItem(record, i, taken);
    }
    taken.Add(TakeRaisedGraphFlags(record));
    return taken;
}
