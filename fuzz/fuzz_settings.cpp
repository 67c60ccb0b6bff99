// Any text as an integer setting: the reading never leaves the text, depends only on the number
// at its start, wraps long numbers as 32-bit arithmetic does, and what it reads writes back
// (into a buffer of any size, never past it) as text that reads the same. The same bytes as a
// per-user registry value read into a buffer of any size, never past it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "windows/settings.h"

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::uint32_t Parse(const std::string& text) { return static_cast<std::uint32_t>(ParseProfileInt(text.c_str())); }

// 10^n modulo 2^32.
std::uint32_t PowerOfTen(std::size_t n) {
    std::uint32_t power = 1;
    for (std::size_t i = 0; i < n; ++i) power *= 10u;
    return power;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string cText(text.c_str());  // up to the first zero byte, as a file's value is
    const std::uint32_t value = Parse(cText);

    // Where the number ends: blanks, a sign, digits.
    std::size_t at = 0;
    while (at < cText.size() && IsSpace(cText[at])) ++at;
    const std::size_t signAt = at;
    const bool signed_ = at < cText.size() && (cText[at] == '+' || cText[at] == '-');
    if (signed_) ++at;
    const std::size_t digitsAt = at;
    while (at < cText.size() && IsDigit(cText[at])) ++at;
    const std::string digits = cText.substr(digitsAt, at - digitsAt);

    Check(Parse(cText.substr(0, at)) == value, "what follows the number changed it");
    Check(Parse(cText.substr(0, at) + "x" + cText.substr(at)) == value, "an ending after the number changed it");
    Check(Parse(" \t\r\n" + cText) == value, "leading blanks changed the number");
    const std::uint32_t magnitude = Parse(digits);
    const bool negative = signed_ && cText[signAt] == '-';
    Check(value == (negative ? 0u - magnitude : magnitude), "the sign did not negate modulo 2^32");

    // Digits only: their value modulo 2^32, checked exactly while it fits in 64 bits, and for
    // longer runs by splitting them anywhere: the front's value shifted past the back's.
    if (!digits.empty() && digits.size() <= 19) {
        Check(magnitude == static_cast<std::uint32_t>(std::strtoull(digits.c_str(), nullptr, 10)),
              "digits did not read as their value modulo 2^32");
    }
    if (digits.size() > 1) {
        const std::size_t split = 1 + data[0] % (digits.size() - 1);
        const std::string back = digits.substr(split);
        Check(magnitude == Parse(digits.substr(0, split)) * PowerOfTen(back.size()) + Parse(back),
              "a long number did not wrap as 32-bit arithmetic");
    }

    // Written back into a buffer of any size: cut, ended inside it, nothing past it; and
    // whole, it reads as the same value.
    char buffer[32];
    const std::size_t bufferSize = size > 0 ? data[size - 1] % 16 : 0;
    std::memset(buffer, 0x5A, sizeof buffer);
    FormatProfileInt(static_cast<std::int32_t>(value), buffer, bufferSize);
    for (std::size_t i = bufferSize; i < sizeof buffer; ++i) Check(buffer[i] == 0x5A, "the writing ran past its buffer");
    if (bufferSize > 0) Check(std::memchr(buffer, '\0', bufferSize) != nullptr, "the written text was not ended");
    if (bufferSize >= 12) Check(Parse(buffer) == value, "the written value did not read back");

    // The same bytes as a per-user value, which any program may have written: text up to its
    // first zero, cut to the buffer and ended inside it; a number only from exactly 4 bytes.
    for (const UserValueKind kind : {UserValueKind::Text, UserValueKind::Number, UserValueKind::Other}) {
        std::memset(buffer, 0x5A, sizeof buffer);
        const bool read = UserValueText(kind, data, size, buffer, bufferSize);
        for (std::size_t i = bufferSize; i < sizeof buffer; ++i) Check(buffer[i] == 0x5A, "a value ran past its buffer");
        if (bufferSize == 0) {
            Check(!read, "a value was read into no buffer");
            continue;
        }
        Check(std::memchr(buffer, '\0', bufferSize) != nullptr, "a value's text was not ended");
        if (kind == UserValueKind::Text) {
            Check(read, "text data was refused");
            const std::size_t length = std::strlen(buffer);
            Check(length == std::min(cText.size(), bufferSize - 1) && cText.compare(0, length, buffer) == 0,
                  "a text value is not its data up to the first zero, cut to the buffer");
        } else if (kind == UserValueKind::Number) {
            Check(read == (size == 4), "a number was read from other than 4 bytes");
        } else {
            Check(!read && buffer[0] == '\0', "data of another kind was taken as a value");
        }
    }
    return 0;
}
