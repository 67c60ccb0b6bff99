// The record's items and their change flags, listed once: the per-tick update serves them in
// this order, and the fuzz target, the readers' journal and the tests take their lists from
// here. An item set names items and spectrum rows by bit, so that what one reader drew can be
// told to another in a few words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "record/shared_status.h"

enum class RecordItem : std::int32_t {
    StatusTextB,  // before A: when both changed, A is drawn last and stays on the line
    StatusTextA,
    UserInfo,
    DataInfo,
    CpuTime,  // one redraw serves the CPU time and the progress, and lowers both flags
    Progress,
    StepFraction,  // after the status texts, which blank the bar's band
    SearchParams,
    CurrentPeak,
    BestPeak,
    BestGaussian,
    Message,
    GraphFrame,  // the graph's axes and box; drawn after every text item, before the rows
};

struct RecordItemFlag {
    RecordItem item;
    std::size_t flagOffset;  // of the item's int32 flag in the record
    const char* name;
};

// Every item but the rows, in the order one tick serves them.
inline constexpr RecordItemFlag kRecordItems[] = {
    {RecordItem::StatusTextB, offsetof(SharedStatus, status_text_b_changed), "status text B"},
    {RecordItem::StatusTextA, offsetof(SharedStatus, status_text_a_changed), "status text A"},
    {RecordItem::UserInfo, offsetof(SharedStatus, user_info_changed), "user info"},
    {RecordItem::DataInfo, offsetof(SharedStatus, data_info_changed), "data info"},
    {RecordItem::CpuTime, offsetof(SharedStatus, cpu_time_changed), "cpu time"},
    {RecordItem::Progress, offsetof(SharedStatus, progress_changed), "progress"},
    {RecordItem::StepFraction, offsetof(SharedStatus, step_fraction_changed), "step fraction"},
    {RecordItem::SearchParams, offsetof(SharedStatus, search_params_changed), "search parameters"},
    {RecordItem::CurrentPeak, offsetof(SharedStatus, current_peak_changed), "current peak"},
    {RecordItem::BestPeak, offsetof(SharedStatus, best_peak_changed), "best peak"},
    {RecordItem::BestGaussian, offsetof(SharedStatus, best_gaussian_changed), "best gaussian"},
    {RecordItem::Message, offsetof(SharedStatus, message_changed), "message"},
    {RecordItem::GraphFrame, offsetof(SharedStatus, graph_frame_changed), "graph frame"},
};
inline constexpr int kRecordItemCount = static_cast<int>(sizeof kRecordItems / sizeof kRecordItems[0]);

inline constexpr std::size_t RowFlagOffset(int row) {
    return offsetof(SharedStatus, spectrum_rows) + sizeof(SpectrumRow) * static_cast<std::size_t>(row) +
           offsetof(SpectrumRow, changed);
}

// Every flag of the record: the items' and then each row's.
inline constexpr int kRecordFlagCount = kRecordItemCount + kMaxSpectrumRows;
inline constexpr std::size_t FlagOffsetByIndex(int index) {
    return index < kRecordItemCount ? kRecordItems[index].flagOffset : RowFlagOffset(index - kRecordItemCount);
}

inline std::int32_t& FlagAt(SharedStatus& record, std::size_t offset) {
    return *reinterpret_cast<std::int32_t*>(reinterpret_cast<unsigned char*>(&record) + offset);
}
inline const std::int32_t& FlagAt(const SharedStatus& record, std::size_t offset) {
    return *reinterpret_cast<const std::int32_t*>(reinterpret_cast<const unsigned char*>(&record) + offset);
}

// Items and rows by bit: bit i is kRecordItems[i].item, bit kRecordItemCount + j is row j.
// Plain words, so that a set can be copied through shared memory as it is.
struct ItemSet {
    static constexpr int kWords = (kRecordFlagCount + 31) / 32;
    std::uint32_t words[kWords] = {};

    static constexpr int Bit(RecordItem item) { return static_cast<int>(item); }
    static constexpr int RowBit(int row) { return kRecordItemCount + row; }

    bool Has(int bit) const { return bit >= 0 && bit < kRecordFlagCount && (words[bit / 32] >> (bit % 32) & 1u) != 0; }
    bool Has(RecordItem item) const { return Has(Bit(item)); }
    bool HasRow(int row) const { return row >= 0 && row < kMaxSpectrumRows && Has(RowBit(row)); }
    void Add(int bit) {
        if (bit >= 0 && bit < kRecordFlagCount) words[bit / 32] |= 1u << (bit % 32);
    }
    void Add(RecordItem item) { Add(Bit(item)); }
    void AddRow(int row) {
        if (row >= 0 && row < kMaxSpectrumRows) Add(RowBit(row));
    }
    void Remove(int bit) {
        if (bit >= 0 && bit < kRecordFlagCount) words[bit / 32] &= ~(1u << (bit % 32));
    }
    void Remove(RecordItem item) { Remove(Bit(item)); }
    void Add(const ItemSet& other) {
        for (int w = 0; w < kWords; ++w) words[w] |= other.words[w];
    }
    bool Empty() const {
        for (const std::uint32_t word : words)
            if (word != 0) return false;
        return true;
    }
    // Every item and every row.
    static ItemSet All() {
        ItemSet set;
        for (int bit = 0; bit < kRecordFlagCount; ++bit) set.Add(bit);
        return set;
    }
    bool operator==(const ItemSet&) const = default;
};
