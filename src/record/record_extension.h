// What Orvane keeps past the record's fixed bytes: a client's label, so that readers showing
// many clients can tell them apart. The fixed bytes keep their layout; a reader uses the
// extension only when the object is long enough and begins it with the mark, so old readers
// (which map the fixed bytes) and old clients (whose objects end there) work as before.
//
// The label is written while readers may copy it. A sequence count guards it: the writer makes
// it odd, writes the text, then makes it even again; a reader copies the text only when the
// count is even and the same before and after the copy.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "record/shared_status.h"

inline constexpr std::size_t kRecordExtensionOffset = kSharedStatusSize;
inline constexpr char kRecordExtensionMark[8] = {'O', 'R', 'V', 'N', 'E', 'X', 'T', '1'};
inline constexpr std::size_t kRecordLabelBytes = 32;  // the field, its ending zero included
inline constexpr std::size_t kMaxLabelLength = kRecordLabelBytes - 1;

struct RecordExtension {
    char mark[8];                  // kRecordExtensionMark, no ending zero
    std::uint32_t label_sequence;  // odd while the label is being written
    std::uint32_t reserved;        // 0
    char label[kRecordLabelBytes];  // Windows-1252 as every text of the record; ends with a zero
};
inline constexpr std::size_t kRecordExtensionSize = sizeof(RecordExtension);
static_assert(kRecordExtensionSize == 48);
static_assert(kRecordExtensionOffset % alignof(RecordExtension) == 0);

// The size of the objects that new clients make.
inline constexpr std::size_t kExtendedRecordSize = kRecordExtensionOffset + kRecordExtensionSize;

// A byte a label must not hold: below 0x20, or 0x7F.
inline bool LabelControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Whether `text` may be a label: at most kMaxLabelLength bytes and no control byte. The library
// refuses any other; the lint reports it.
// Inline, as the writer below: the client library's objects are built apart from the other
// targets, and a definition here keeps one object out of two archives (see record_ranges.h).
inline bool LabelAcceptable(std::string_view text) {
    if (text.size() > kMaxLabelLength) return false;
    for (const char c : text) {
        if (LabelControlByte(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// The guarding count, for atomic access to a field of a plain struct in shared memory.
inline std::atomic_ref<std::uint32_t> LabelSequence(const RecordExtension& extension) {
    return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(extension.label_sequence));
}

// The extension of an object of `size` bytes at `bytes`, or null when the object is too short,
// the mark is not there, or the extension is not aligned (a copy, never a mapping: RecordLabel
// reads those).
const RecordExtension* FindRecordExtension(const unsigned char* bytes, std::size_t size);

// The label a reader shows: empty when there is no extension or no label yet; bounded to
// kMaxLabelLength bytes with every control byte shown as '?'. While a writer is in the middle of
// a change this gives the empty text after a few tries; a reader that keeps the last label it
// read (see LabelReader) shows no flicker.
std::string RecordLabel(const unsigned char* bytes, std::size_t size);

// The client's side: marks the extension of a new object (all zeros before) and writes `text`,
// which must be acceptable. False when the object is too short for an extension.
inline bool WriteRecordLabel(unsigned char* bytes, std::size_t size, std::string_view text) {
    if (bytes == nullptr || size < kExtendedRecordSize || !LabelAcceptable(text)) return false;
    auto* extension = reinterpret_cast<RecordExtension*>(bytes + kRecordExtensionOffset);
    if (std::memcmp(extension->mark, kRecordExtensionMark, sizeof kRecordExtensionMark) != 0) {
        std::memcpy(extension->mark, kRecordExtensionMark, sizeof kRecordExtensionMark);
    }
    auto sequence = LabelSequence(*extension);
    const std::uint32_t start = sequence.load(std::memory_order_relaxed) | 1u;
    sequence.store(start, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    char field[kRecordLabelBytes] = {};
    std::memcpy(field, text.data(), text.size());
    std::memcpy(extension->label, field, sizeof field);
    sequence.store(start + 1, std::memory_order_release);
    return true;
}

// A reader's label of one record, kept across a writer's change so that the label shown never
// blinks while the client changes it.
class LabelReader {
public:
    // Reads the label again; returns the one to show.
    const std::string& Read(const unsigned char* bytes, std::size_t size);
    const std::string& Label() const { return label_; }

private:
    std::string label_;
};
