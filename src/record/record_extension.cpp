#include "record/record_extension.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

// One copy of the label under the sequence; false when a writer was busy.
bool CopyLabel(const RecordExtension& extension, std::string& out) {
    const std::uint32_t before = LabelSequence(extension).load(std::memory_order_acquire);
    if (before % 2 != 0) return false;
    char copy[kRecordLabelBytes];
    // Byte by byte through relaxed atomics would be the strict reading; the copy is discarded
    // whenever the count moved, so a plain copy followed by a fence keeps the same promise.
    std::memcpy(copy, extension.label, sizeof copy);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (LabelSequence(extension).load(std::memory_order_relaxed) != before) return false;
    out.clear();
    for (std::size_t i = 0; i < kMaxLabelLength && copy[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(copy[i]);
        out.push_back(LabelControlByte(c) ? '?' : static_cast<char>(c));
    }
    return true;
}

std::string LabelFrom(const RecordExtension& extension) {
    std::string label;
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (CopyLabel(extension, label)) return label;
    }
    return {};
}

bool Aligned(const unsigned char* at) { return reinterpret_cast<std::uintptr_t>(at) % alignof(RecordExtension) == 0; }

bool Marked(const unsigned char* at) { return std::memcmp(at, kRecordExtensionMark, sizeof kRecordExtensionMark) == 0; }

}  // namespace

const RecordExtension* FindRecordExtension(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr || size < kExtendedRecordSize) return nullptr;
    const unsigned char* at = bytes + kRecordExtensionOffset;
    if (!Aligned(at) || !Marked(at)) return nullptr;
    return reinterpret_cast<const RecordExtension*>(at);
}

std::string RecordLabel(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr || size < kExtendedRecordSize) return {};
    const unsigned char* at = bytes + kRecordExtensionOffset;
    if (!Marked(at)) return {};
    if (Aligned(at)) return LabelFrom(*reinterpret_cast<const RecordExtension*>(at));
    // A mapping is page-aligned, so a misaligned object is a copy that nobody writes: its
    // label is read from an aligned copy of the extension.
    RecordExtension copy;
    std::memcpy(&copy, at, sizeof copy);
    return LabelFrom(copy);
}

const std::string& LabelReader::Read(const unsigned char* bytes, std::size_t size) {
    const RecordExtension* extension = FindRecordExtension(bytes, size);
    if (extension == nullptr) {
        label_.clear();
    } else {
        std::string fresh;
        if (CopyLabel(*extension, fresh)) label_ = std::move(fresh);
    }
    return label_;
}
