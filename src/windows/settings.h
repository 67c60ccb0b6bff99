// The settings, section "boot": the machine-wide "orvane.ini" in the Windows directory, which
// the installers write and which gives the defaults, under the user's own choices in the
// per-user store (HKEY_CURRENT_USER\Software\Orvane). A key is read from the per-user store
// when it holds it, else from the file. The client's location is the machine's alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "reader/client_roster.h"
#include "reader/placement.h"

inline constexpr const char kSettingsFile[] = "orvane.ini";
inline constexpr const char kSettingsSection[] = "boot";
inline constexpr const char kUserSettingsKey[] = "Software\\Orvane";
inline constexpr std::size_t kSettingTextSize = 128;  // 127 characters and the terminator

extern std::int32_t gBlank;
extern std::int32_t gMinutes;
extern char gClientPath[kSettingTextSize];
extern char gClientDir[kSettingTextSize];
// "Monitors", "Scale" and "Shift".
extern PlacementOptions gPlacementOptions;

// Reads every key and, when ClientDir is not empty, makes it the current directory.
void ReadSettings();
// One key, the per-user value first where the key is one of the user's.
std::int32_t ReadIntSetting(const char* key);
void ReadTextSetting(const char* key, char* destination, std::size_t size = kSettingTextSize);
// The machine-wide file only; false when the file could not be written.
bool WriteIntSetting(const char* key, std::int32_t value);

// The C library's decimal reading, as the profile values are read: leading white space, an
// optional sign, digits up to the first non-digit; no digits give 0. Out-of-range values wrap
// as a 32-bit number would rather than being undefined.
std::int32_t ParseProfileInt(const char* text);
// Decimal text with a leading "-" for negatives, into `out` (at least 12 bytes).
void FormatProfileInt(std::int32_t value, char* out, std::size_t size);

// ---- Many clients on one machine

// Which clients the saver shows, how long each keeps the screen in turn and when a client that
// shows no change counts as stale. Missing or unreadable values give the defaults, and the saver
// behaves as it always has: "orvane_share" alone.
struct ClientsSettings {
    ClientsMode mode = ClientsMode::One;
    std::int32_t rotateSeconds = kDefaultRotateSeconds;
    std::int32_t staleMinutes = kDefaultStaleMinutes;

    bool operator==(const ClientsSettings&) const = default;
};
// "Clients", "RotateSeconds" and "StaleMinutes", read by ReadSettings.
extern ClientsSettings gClientsSettings;

// "one", "rotate" or "overview" in any case, around blanks; everything else (the empty text and
// null included) is One, so that a mistyped value never changes what a machine shows.
ClientsMode ParseClientsSetting(const char* text);
// A whole number of the setting's unit: a value outside `least`..`most` is brought to the
// nearer end; text without a leading number (missing, empty, a word) gives `fallback`.
std::int32_t ParseBoundedSetting(const char* text, std::int32_t fallback, std::int32_t least, std::int32_t most);
// The three keys' texts as the stores hold them, each read as above.
ClientsSettings ParseClientsSettings(const char* clients, const char* rotateSeconds, const char* staleMinutes);

// ---- The two stores

inline constexpr std::size_t kUserSettingCount = 8;
// The keys each user chooses, in the order OK writes them: Blank before Minutes, as always.
inline constexpr std::array<const char*, kUserSettingCount> kUserSettingKeys = {
    "Blank", "Minutes", "Monitors", "Scale", "Shift", "Clients", "RotateSeconds", "StaleMinutes"};
// One of kUserSettingKeys, in any case.
bool IsPerUserSetting(const char* key);

// The text a key reads as: the per-user text when the key is the user's and that store holds
// it (null when it does not), else the machine-wide text (null reads as empty).
const char* ResolveSetting(const char* key, const char* userText, const char* machineText);

// How a per-user value is stored: text (REG_SZ, REG_EXPAND_SZ), a 32-bit number (REG_DWORD,
// as a hand-made value may be), or anything else, which counts as no value.
enum class UserValueKind { Text, Number, Other };
// The value's data as the text it stands for, cut to `size` - 1 characters and terminated.
// Text data need not be terminated and may carry trailing zeros; a number is 4 little-endian
// bytes, read as signed. False (and `out` empty) for data that is no value of its kind.
bool UserValueText(UserValueKind kind, const unsigned char* data, std::size_t length, char* out, std::size_t size);

// What the settings dialog edits, and so what each user keeps.
struct UserSettings {
    std::int32_t blank = 0;
    std::int32_t minutes = 0;
    PlacementOptions placement;
    ClientsSettings clients;
};

struct SettingText {
    const char* key;
    char text[16];
};
// The keys and their texts in the order of kUserSettingKeys: Monitors as "primary" or "all",
// Scale 0 to 8, Shift 1 or 0, Clients by its name, the two periods within their ranges. Each
// reads back as the value it came from.
std::array<SettingText, kUserSettingCount> UserSettingTexts(const UserSettings& settings);

// Whether OK has kept the user's settings: the per-user store took them, or the machine-wide
// file did and no older per-user value is left to hide them on the next read.
bool SettingsKept(bool userStoreWritten, bool machineFileWritten, bool userValuesRemain);

// Writes the dialog's settings to the per-user store and, where it can, to the machine-wide
// file; false when neither has kept them.
bool SaveUserSettings(const UserSettings& settings);
