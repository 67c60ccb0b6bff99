// The record's 32-bit fields by name, for the end-to-end scripts: the record lives in Wine's
// shared memory, so the Linux side can only read or change it through a Windows program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>

#include "record/record_items.h"
#include "record/shared_status.h"

struct RecordField {
    const char* name;
    std::size_t offset;
};

// The fields beside the items' flags.
#define ORVANE_FIELD(path) RecordField{#path, offsetof(SharedStatus, path)}
inline constexpr RecordField kOtherFields[] = {
    RecordField{"message_on", offsetof(SharedStatus, message.message_on)},
    ORVANE_FIELD(graph_area_width),
    ORVANE_FIELD(graph_area_height),
    ORVANE_FIELD(graph_row_count),
    ORVANE_FIELD(graph_bin_count),
    ORVANE_FIELD(saver_attached),
    ORVANE_FIELD(saver_priority_class),
};
#undef ORVANE_FIELD

// The items' flags, named and placed by the item table in the record's order, then the rest.
inline constexpr auto kRecordFields = [] {
    std::array<RecordField, kRecordItemCount + std::size(kOtherFields)> fields{};
    std::size_t n = 0;
    for (const RecordItem item : kItemsInRecordOrder) fields[n++] = {ItemInfo(item).flagName, ItemInfo(item).flagOffset};
    for (const RecordField& field : kOtherFields) fields[n++] = field;
    return fields;
}();

inline const RecordField* FindRecordField(std::string_view name) {
    for (const RecordField& field : kRecordFields) {
        if (name == field.name) return &field;
    }
    return nullptr;
}

inline std::int32_t& FieldIn(SharedStatus& record, const RecordField& field) {
    return *reinterpret_cast<std::int32_t*>(reinterpret_cast<unsigned char*>(&record) + field.offset);
}

// Decimal with an optional sign, or 0x-prefixed hexadecimal (priority classes read better so);
// nothing else may follow.
inline std::optional<std::int32_t> ParseFieldValue(std::string_view text) {
    if (text.empty()) return std::nullopt;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return std::nullopt;
        value = value * base + digit;
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(negative ? (0u - static_cast<std::uint32_t>(value))
                                                          : static_cast<std::uint32_t>(value));
    std::int32_t result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

// "name=value" (or "name!=value" when `allowNotEqual`) split into its parts.
struct FieldAssignment {
    const RecordField* field = nullptr;
    std::int32_t value = 0;
    bool notEqual = false;
};

inline std::optional<FieldAssignment> ParseAssignment(std::string_view text, bool allowNotEqual) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) return std::nullopt;
    FieldAssignment assignment;
    std::string_view name = text.substr(0, equals);
    if (allowNotEqual && name.back() == '!') {
        assignment.notEqual = true;
        name.remove_suffix(1);
    }
    assignment.field = FindRecordField(name);
    const auto value = ParseFieldValue(text.substr(equals + 1));
    if (assignment.field == nullptr || !value) return std::nullopt;
    assignment.value = *value;
    return assignment;
}
