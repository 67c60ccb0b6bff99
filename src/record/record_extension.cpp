#include "record/record_extension.h"

#include <atomic>
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

}  // namespace

const RecordExtension* FindRecordExtension(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr || size < kExtendedRecordSize) return nullptr;
    const auto* extension = reinterpret_cast<const RecordExtension*>(bytes + kRecordExtensionOffset);
    if (std::memcmp(extension->mark, kRecordExtensionMark, sizeof kRecordExtensionMark) != 0) return nullptr;
    return extension;
}

std::string RecordLabel(const unsigned char* bytes, std::size_t size) {
    const RecordExtension* extension = FindRecordExtension(bytes, size);
    std::string label;
    if (extension == nullptr) return label;
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (CopyLabel(*extension, label)) return label;
    }
    return {};
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
