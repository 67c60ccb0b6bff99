#include "record_table.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "graphics/ansi_text.h"
#include "record/record_extension.h"
#include "record/record_items.h"
#include "record/shared_status.h"

namespace {

constexpr int kProgressWidth = 8;
constexpr int kReadersWidth = 8;
constexpr int kUnchangedWidth = 9;

std::string Padded(std::string text, int width, bool right) {
    const auto pad = static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size())));
    return right ? std::string(pad, ' ') + text : text + std::string(pad, ' ');
}

template <typename T>
T ReadAt(const std::vector<unsigned char>& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::string ProgressCell(const std::vector<unsigned char>& bytes) {
    const auto fraction = ReadAt<float>(bytes, offsetof(SharedStatus, progress_fraction));
    // A value no client should write says nothing of its progress; --lint tells what it is.
    if (!std::isfinite(fraction) || fraction < 0 || fraction > 1) return "?";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", static_cast<double>(fraction) * 100.0);
    return text;
}

std::string ReadersCell(const std::vector<unsigned char>& bytes) {
    switch (ReadAt<std::int32_t>(bytes, offsetof(SharedStatus, saver_attached))) {
        case 0: return "none";
        case 1: return "attached";
        default: return "?";
    }
}

// The 32-bit words that readers write, in the record's order; `flag` for the change flags.
struct ReaderWord {
    std::size_t offset;
    bool flag;
    bool operator<(const ReaderWord& other) const { return offset < other.offset; }
};

const std::vector<ReaderWord>& ReaderWords() {
    static const std::vector<ReaderWord> words = [] {
        std::vector<ReaderWord> all;
        for (int i = 0; i < kRecordFlagCount; ++i) all.push_back({FlagOffsetByIndex(i), true});
        for (const std::size_t offset : {offsetof(SharedStatus, graph_area_width), offsetof(SharedStatus, graph_area_height),
                                         offsetof(SharedStatus, saver_attached), offsetof(SharedStatus, saver_priority_class)}) {
            all.push_back({offset, false});
        }
        std::sort(all.begin(), all.end());
        return all;
    }();
    return words;
}

}  // namespace

std::string RecordTableHeader() {
    return Padded("NAME", kTableNameWidth, false) + "  " + Padded("LABEL", kTableLabelWidth, false) + "  " +
           Padded("PROGRESS", kProgressWidth, true) + "  " + Padded("READERS", kReadersWidth, false) + "  " +
           Padded("UNCHANGED", kUnchangedWidth, true) + "\n";
}

std::string LabelCell(const std::string& label) {
    std::string cell;
    std::size_t characters = 0;
    for (const char byte : label) {
        const auto c = static_cast<unsigned char>(byte);
        // Control bytes, and the bytes the code page leaves undefined (C1 controls on a
        // terminal), would reach the terminal as commands.
        const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && AnsiToUnicode(c) < 0xA0);
        cell += control ? std::string("?") : AnsiToUtf8(std::string_view(&byte, 1));
        ++characters;
    }
    if (characters < static_cast<std::size_t>(kTableLabelWidth)) cell.append(kTableLabelWidth - characters, ' ');
    return cell;
}

std::string RecordTableLine(const std::string& name, bool readable, const std::vector<unsigned char>& bytes,
                            const std::string& unchanged) {
    std::string line = Padded(name, kTableNameWidth, false) + "  ";
    if (!readable) {
        return line + LabelCell("(cannot be read)") + "  " + Padded("-", kProgressWidth, true) + "  " +
               Padded("-", kReadersWidth, false) + "  " + Padded("-", kUnchangedWidth, true) + "\n";
    }
    const std::string label = RecordLabel(bytes.data(), bytes.size());
    return line + LabelCell(label.empty() ? "-" : label) + "  " + Padded(ProgressCell(bytes), kProgressWidth, true) +
           "  " + Padded(ReadersCell(bytes), kReadersWidth, false) + "  " + Padded(unchanged, kUnchangedWidth, true) +
           "\n";
}

bool ClientChanged(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after) {
    if (before.size() != after.size() || before.size() < kSharedStatusSize) return before != after;
    const auto differ = [&](std::size_t from, std::size_t to) {
        return to > from && std::memcmp(before.data() + from, after.data() + from, to - from) != 0;
    };
    std::size_t at = 0;
    for (const ReaderWord& word : ReaderWords()) {
        if (differ(at, word.offset)) return true;
        if (word.flag) {
            const auto was = ReadAt<std::int32_t>(before, word.offset);
            const auto now = ReadAt<std::int32_t>(after, word.offset);
            // Lowered is a reader's doing; raised, or raised to another value, the client's.
            if (now != 0 && now != was) return true;
        }
        at = word.offset + sizeof(std::int32_t);
    }
    return differ(at, after.size());
}

void ChangeWatch::Look(const std::string& name, const std::vector<unsigned char>& bytes, double seconds) {
    const auto found = seen_.find(name);
    if (found == seen_.end()) {
        seen_.emplace(name, Seen{bytes, seconds, seconds, seconds, false});
        return;
    }
    Seen& seen = found->second;
    if (ClientChanged(seen.bytes, bytes)) {
        seen.changedSeconds = seconds;
        seen.changeSeen = true;
    }
    seen.bytes = bytes;
    seen.lastSeconds = seconds;
}

void ChangeWatch::KeepOnly(const std::vector<std::string>& names) {
    const std::set<std::string> kept(names.begin(), names.end());
    std::erase_if(seen_, [&kept](const auto& entry) { return kept.count(entry.first) == 0; });
}

std::string ChangeWatch::Unchanged(const std::string& name, double seconds) const {
    const auto found = seen_.find(name);
    if (found == seen_.end() || found->second.lastSeconds <= found->second.firstSeconds) return "-";
    const Seen& seen = found->second;
    const double since = seen.changeSeen ? seconds - seen.changedSeconds : seen.lastSeconds - seen.firstSeconds;
    const long whole = static_cast<long>(std::floor(std::max(0.0, since)));
    return std::to_string(whole) + (seen.changeSeen ? " s" : "+ s");
}
