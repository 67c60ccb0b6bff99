#include "reader/reader_board.h"

#include <atomic>

namespace {

std::uint32_t Load(const std::uint32_t& field, std::memory_order order = std::memory_order_acquire) {
    return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(field)).load(order);
}

void Store(std::uint32_t& field, std::uint32_t value, std::memory_order order = std::memory_order_release) {
    std::atomic_ref<std::uint32_t>(field).store(value, order);
}

ItemSet LoadSet(const ItemSet& set) {
    ItemSet copy;
    for (int w = 0; w < ItemSet::kWords; ++w) copy.words[w] = Load(set.words[w], std::memory_order_relaxed);
    return copy;
}

}  // namespace

void AdoptRecord(ReaderBoardLayout& layout, std::uint64_t recordIdentity) {
    const auto low = static_cast<std::uint32_t>(recordIdentity);
    const auto high = static_cast<std::uint32_t>(recordIdentity >> 32);
    const bool fresh = Load(layout.magic) != kReaderBoardMagic || Load(layout.version) != kReaderBoardVersion;
    if (!fresh && Load(layout.recordLow) == low && Load(layout.recordHigh) == high) return;
    for (int w = 0; w < ItemSet::kWords; ++w) Store(layout.everDrawn.words[w], 0, std::memory_order_relaxed);
    Store(layout.recordLow, low);
    Store(layout.recordHigh, high);
    Store(layout.version, kReaderBoardVersion);
    Store(layout.magic, kReaderBoardMagic);
    // Followers see the new epoch and redraw from the record they now read.
    Store(layout.epoch, Load(layout.epoch) + 1);
}

void PublishTick(ReaderBoardLayout& layout, const ItemSet& items) {
    std::uint32_t sequence = Load(layout.head) + 1;
    if (sequence == 0) sequence = 1;  // 0 marks an entry being written
    JournalEntry& entry = layout.entries[sequence % kJournalLength];
    Store(entry.sequence, 0);
    std::atomic_thread_fence(std::memory_order_release);
    for (int w = 0; w < ItemSet::kWords; ++w) {
        Store(entry.items.words[w], items.words[w], std::memory_order_relaxed);
        std::atomic_ref<std::uint32_t>(layout.everDrawn.words[w]).fetch_or(items.words[w], std::memory_order_relaxed);
    }
    Store(entry.sequence, sequence);
    Store(layout.head, sequence);
}

ItemSet JoinJournal(const ReaderBoardLayout& layout, JournalCursor& cursor) {
    cursor.epoch = Load(layout.epoch);
    cursor.seen = Load(layout.head);
    cursor.placed = true;
    return LoadSet(layout.everDrawn);
}

void CatchUp(const ReaderBoardLayout& layout, JournalCursor& cursor, JournalCatchUp& out) {
    out.redrawAll = false;
    out.count = 0;
    const std::uint32_t epoch = Load(layout.epoch);
    const std::uint32_t head = Load(layout.head);
    const auto redrawAll = [&] {
        out.redrawAll = true;
        out.all = JoinJournal(layout, cursor);
    };
    if (!cursor.placed || epoch != cursor.epoch) return redrawAll();
    std::uint32_t behind = head - cursor.seen;
    if (behind == 0) return;
    if (behind >= kJournalLength) return redrawAll();
    for (std::uint32_t sequence = cursor.seen + 1; behind > 0; ++sequence, --behind) {
        if (sequence == 0) sequence = 1;
        const JournalEntry& entry = layout.entries[sequence % kJournalLength];
        const std::uint32_t before = Load(entry.sequence);
        const ItemSet items = LoadSet(entry.items);
        std::atomic_thread_fence(std::memory_order_acquire);
        // Overwritten by a newer tick, or being written: the owner is far ahead of us.
        if (before != sequence || Load(entry.sequence, std::memory_order_relaxed) != sequence) return redrawAll();
        out.ticks[out.count++] = items;
    }
    cursor.seen = head;
}
