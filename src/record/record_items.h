// The record's items, listed once: each item's flag, its names and the bytes it is drawn
// from. The per-tick update serves the items in this order; the client library, the decoder
// and its lint, the readers' journal and passive rule, the fuzz target, the bench and the
// tests take their lists from here, and the lists made per item elsewhere (what draws an
// item, how the decoder prints it) are checked against it when they compile. An item set
// names items and spectrum rows by bit, so that what one reader drew can be told to another
// in a few words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "record/shared_status.h"

// In the order one tick serves them: the table below holds each at its own index.
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

// Bytes of the record.
struct ByteSpan {
    std::size_t offset;
    std::size_t size;
};

struct RecordItemInfo {
    RecordItem item;
    std::size_t flagOffset;  // of the item's int32 flag in the record
    const char* name;        // in words, for people
    const char* flagName;    // the flag's field, as the lint and the tools name it
    const char* jsonName;    // the item's member in the record's JSON
    ByteSpan drawnFrom;      // what its drawing reads of its own
    bool readsHeader;        // its text also reads the data unit's header in place
};

#define ORVANE_SPAN(first, end) \
    ByteSpan { offsetof(SharedStatus, first), offsetof(SharedStatus, end) - offsetof(SharedStatus, first) }
#define ORVANE_FIELD_SPAN(field) \
    ByteSpan { offsetof(SharedStatus, field), sizeof(SharedStatus::field) }
#define ORVANE_ITEM(item, flag, name, json, drawnFrom, readsHeader) \
    RecordItemInfo { RecordItem::item, offsetof(SharedStatus, flag), name, #flag, json, drawnFrom, readsHeader }

// Every item but the rows, in the order one tick serves them.
inline constexpr RecordItemInfo kRecordItems[] = {
    ORVANE_ITEM(StatusTextB, status_text_b_changed, "status text B", "status_b", ORVANE_FIELD_SPAN(status_text_b), false),
    ORVANE_ITEM(StatusTextA, status_text_a_changed, "status text A", "status_a", ORVANE_FIELD_SPAN(status_text_a), false),
    ORVANE_ITEM(UserInfo, user_info_changed, "user info", "user", ORVANE_FIELD_SPAN(user_info), false),
    ORVANE_ITEM(DataInfo, data_info_changed, "data info", "data_unit", ORVANE_FIELD_SPAN(data_info), false),
    // The CPU time and the progress are drawn as one, from one span that runs over the step's
    // fields and the flags between them.
    ORVANE_ITEM(CpuTime, cpu_time_changed, "cpu time", "cpu_time", ORVANE_SPAN(progress_fraction, cpu_time_changed), false),
    ORVANE_ITEM(Progress, progress_changed, "progress", "progress", ORVANE_SPAN(progress_fraction, cpu_time_changed), false),
    ORVANE_ITEM(StepFraction, step_fraction_changed, "step fraction", "step", ORVANE_FIELD_SPAN(step_fraction), false),
    ORVANE_ITEM(SearchParams, search_params_changed, "search parameters", "search", ORVANE_SPAN(drift_rate, search_params_changed), true),
    ORVANE_ITEM(CurrentPeak, current_peak_changed, "current peak", "current_peak", ORVANE_FIELD_SPAN(current_peak), false),
    ORVANE_ITEM(BestPeak, best_peak_changed, "best peak", "best_peak", ORVANE_FIELD_SPAN(best_peak), true),
    ORVANE_ITEM(BestGaussian, best_gaussian_changed, "best gaussian", "best_gaussian", ORVANE_FIELD_SPAN(best_gaussian), true),
    ORVANE_ITEM(Message, message_changed, "message", "message", ORVANE_FIELD_SPAN(message), false),
    // The frame is drawn from the geometry, which runs to the rows over the frame's own flag.
    ORVANE_ITEM(GraphFrame, graph_frame_changed, "graph frame", "graph", ORVANE_SPAN(graph_depth_x, spectrum_rows), true),
};
#undef ORVANE_ITEM
#undef ORVANE_FIELD_SPAN
#undef ORVANE_SPAN

inline constexpr int kRecordItemCount = static_cast<int>(sizeof kRecordItems / sizeof kRecordItems[0]);

// Whether a list made per item holds every item once, at the item's own index: a list that
// can be indexed by RecordItem and served in the table's order.
template <typename Entry, std::size_t N>
constexpr bool CoversEveryItemInOrder(const Entry (&entries)[N]) {
    if (static_cast<int>(N) != kRecordItemCount) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (entries[i].item != kRecordItems[i].item) return false;
    }
    return true;
}
static_assert(CoversEveryItemInOrder(kRecordItems), "the table holds each item at its own index");

inline constexpr const RecordItemInfo& ItemInfo(RecordItem item) { return kRecordItems[static_cast<int>(item)]; }

// The items in the record's own order, by the places of their flags: the order in which the
// decoder prints them and a client raises them again for a reader that has just come.
inline constexpr std::array<RecordItem, kRecordItemCount> kItemsInRecordOrder = [] {
    std::array<RecordItem, kRecordItemCount> items{};
    for (int i = 0; i < kRecordItemCount; ++i) {
        int at = i;
        for (; at > 0 && ItemInfo(items[at - 1]).flagOffset > kRecordItems[i].flagOffset; --at) items[at] = items[at - 1];
        items[at] = kRecordItems[i].item;
    }
    return items;
}();

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

// An item's flag in the record, read and written as every flag is (shared_status.h).
inline std::int32_t& ItemFlag(SharedStatus& record, RecordItem item) { return FlagAt(record, ItemInfo(item).flagOffset); }
inline const std::int32_t& ItemFlag(const SharedStatus& record, RecordItem item) {
    return FlagAt(record, ItemInfo(item).flagOffset);
}
inline bool ItemRaised(const SharedStatus& record, RecordItem item) { return ReadFlag(ItemFlag(record, item)) != 0; }
inline void RaiseItem(SharedStatus& record, RecordItem item) { RaiseFlag(ItemFlag(record, item)); }

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
