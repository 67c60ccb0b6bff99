// What the record's decodings share (its text, its JSON and its lint): they read a private
// copy of the bytes, never the live record, and bound every text by its field.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "record/shared_status.h"

namespace orvane::decode {

inline std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Sizes for printf: %zu is not in every C library the Windows build may meet.
inline unsigned long Count(std::size_t n) { return static_cast<unsigned long>(n); }

// The record copied out of the bytes, aligned for its doubles.
inline std::unique_ptr<SharedStatus> Copy(const unsigned char* bytes) {
    auto record = std::make_unique<SharedStatus>();
    std::memcpy(record.get(), bytes, sizeof(SharedStatus));
    return record;
}

template <std::size_t N>
bool Terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

// A text field up to its end or its field's, in quotes; a control or high byte, a quote and a
// backslash go out as `escape` prints the byte.
template <std::size_t N>
std::string QuotedEscaped(const char (&field)[N], const char* escape) {
    std::string text = "\"";
    for (std::size_t i = 0; i < N && field[i] != 0; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char code[8];
            std::snprintf(code, sizeof code, escape, c);
            text += code;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text + "\"";
}

}  // namespace orvane::decode
