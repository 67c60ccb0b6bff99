#include <cstdint>
#include <cstdio>

#include "controller/settings.h"

namespace {

// The C locale's white space, as the C library's conversions skip it.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::int32_t ParseProfileInt(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Unsigned accumulation wraps modulo 2^32, which is what a hand-edited "99999999999"
    // should turn into rather than undefined behaviour.
    std::uint32_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

void FormatProfileInt(std::int32_t value, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    std::snprintf(out, size, "%ld", static_cast<long>(value));
}
