#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "windows/settings.h"

namespace {

// The C locale's white space, as the C library's conversions skip it.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Key names compare as the profile functions and the registry compare them: without case.
bool SameKey(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (Lower(*a) != Lower(*b)) return false;
    }
    return *a == *b;
}

// Whether the profile reading of `text` finds digits at all: "abc" and "" read as 0, but they
// are no value, while "0" is one.
bool HasNumber(const char* text) {
    const char* p = text;
    while (IsSpace(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    return *p >= '0' && *p <= '9';
}

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

bool IsPerUserSetting(const char* key) {
    if (key == nullptr) return false;
    for (const char* own : kUserSettingKeys) {
        if (SameKey(key, own)) return true;
    }
    return false;
}

const char* ResolveSetting(const char* key, const char* userText, const char* machineText) {
    if (userText != nullptr && IsPerUserSetting(key)) return userText;
    return machineText != nullptr ? machineText : "";
}

bool UserValueText(UserValueKind kind, const unsigned char* data, std::size_t length, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return false;
    out[0] = '\0';
    if (data == nullptr && length > 0) return false;
    switch (kind) {
    case UserValueKind::Text: {
        // The registry keeps what the writer gave it: the terminator may be missing, or there
        // may be several; the text ends at the first.
        std::size_t n = 0;
        while (n < length && data[n] != 0) ++n;
        if (n > size - 1) n = size - 1;
        if (n > 0) std::memcpy(out, data, n);
        out[n] = '\0';
        return true;
    }
    case UserValueKind::Number: {
        if (length != 4) return false;
        const std::uint32_t bits = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                   std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24;
        FormatProfileInt(static_cast<std::int32_t>(bits), out, size);
        return true;
    }
    case UserValueKind::Other:
        break;
    }
    return false;
}

ClientsMode ParseClientsSetting(const char* text) {
    if (text == nullptr) return ClientsMode::One;
    // The names, as the viewer's option takes them, once blanks and case are set aside.
    while (IsSpace(*text)) ++text;
    std::string word;
    for (; *text != '\0' && !IsSpace(*text); ++text) word += Lower(*text);
    while (IsSpace(*text)) ++text;
    ClientsMode mode = ClientsMode::One;
    if (*text != '\0' || !ParseClientsMode(word, mode)) return ClientsMode::One;
    return mode;
}

std::int32_t ParseBoundedSetting(const char* text, std::int32_t fallback, std::int32_t least, std::int32_t most) {
    if (text == nullptr || !HasNumber(text)) return fallback;
    const std::int32_t value = ParseProfileInt(text);
    if (value < least) return least;
    return value > most ? most : value;
}

ClientsSettings ParseClientsSettings(const char* clients, const char* rotateSeconds, const char* staleMinutes) {
    ClientsSettings settings;
    settings.mode = ParseClientsSetting(clients);
    settings.rotateSeconds =
        ParseBoundedSetting(rotateSeconds, kDefaultRotateSeconds, kMinRotateSeconds, kMaxRotateSeconds);
    settings.staleMinutes = ParseBoundedSetting(staleMinutes, kDefaultStaleMinutes, kMinStaleMinutes, kMaxStaleMinutes);
    return settings;
}

std::array<SettingText, kUserSettingCount> UserSettingTexts(const UserSettings& settings) {
    std::array<SettingText, kUserSettingCount> texts{};
    for (std::size_t i = 0; i < kUserSettingCount; ++i) texts[i].key = kUserSettingKeys[i];
    FormatProfileInt(settings.blank, texts[0].text, sizeof texts[0].text);
    FormatProfileInt(settings.minutes, texts[1].text, sizeof texts[1].text);
    std::snprintf(texts[2].text, sizeof texts[2].text, "%s",
                  settings.placement.monitors == MonitorChoice::All ? "all" : "primary");
    FormatProfileInt(NormalizeScale(settings.placement.scale), texts[3].text, sizeof texts[3].text);
    FormatProfileInt(settings.placement.shift ? 1 : 0, texts[4].text, sizeof texts[4].text);
    std::snprintf(texts[5].text, sizeof texts[5].text, "%s", ClientsModeName(settings.clients.mode));
    // Within the ranges the reading keeps to, so that what is written is what the next read gives.
    FormatProfileInt(std::clamp(settings.clients.rotateSeconds, kMinRotateSeconds, kMaxRotateSeconds), texts[6].text,
                     sizeof texts[6].text);
    FormatProfileInt(std::clamp(settings.clients.staleMinutes, kMinStaleMinutes, kMaxStaleMinutes), texts[7].text,
                     sizeof texts[7].text);
    return texts;
}

bool SettingsKept(bool userStoreWritten, bool machineFileWritten, bool userValuesRemain) {
    return userStoreWritten || (machineFileWritten && !userValuesRemain);
}
