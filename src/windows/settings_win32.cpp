#include <windows.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "windows/settings.h"

std::int32_t gBlank = 0;
std::int32_t gMinutes = 0;
char gClientPath[kSettingTextSize] = "";
char gClientDir[kSettingTextSize] = "";
PlacementOptions gPlacementOptions;
ClientsSettings gClientsSettings;

namespace {

UserValueKind KindOf(DWORD type) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return UserValueKind::Text;
    return type == REG_DWORD ? UserValueKind::Number : UserValueKind::Other;
}

// The per-user value of `key` as text, or false when the user has none (or the store cannot
// be read, which for reading is the same thing).
bool ReadUserText(const char* key, char* out, std::size_t size) {
    HKEY store = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserSettingsKey, 0, KEY_QUERY_VALUE, &store) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD length = 0;
    bool read = false;
    // The whole value, so that a long text is cut as the file's are rather than refused; a
    // value past any sensible size is no setting.
    if (RegQueryValueExA(store, key, nullptr, &type, nullptr, &length) == ERROR_SUCCESS && length <= 65536) {
        std::vector<unsigned char> data(length);
        DWORD got = length;
        read = RegQueryValueExA(store, key, nullptr, &type, data.data(), &got) == ERROR_SUCCESS &&
               UserValueText(KindOf(type), data.data(), got < length ? got : length, out, size);
    }
    RegCloseKey(store);
    return read;
}

// The key's text as the settings read it, from both stores, cut to `size` - 1 characters.
void ReadResolved(const char* key, char* out, std::size_t size) {
    std::vector<char> user(size);
    std::vector<char> machine(size);
    const bool userHasIt = IsPerUserSetting(key) && ReadUserText(key, user.data(), size);
    const DWORD capacity = size > UINT_MAX ? UINT_MAX : static_cast<DWORD>(size);
    const DWORD length = GetPrivateProfileStringA(kSettingsSection, key, "", machine.data(), capacity, kSettingsFile);
    // The call terminates what it cuts, but a value that fills the buffer is the one case
    // where a careless implementation might not; terminate it here whatever happened.
    machine[length < size ? length : size - 1] = '\0';
    std::snprintf(out, size, "%s", ResolveSetting(key, userHasIt ? user.data() : nullptr, machine.data()));
}

bool AnyUserValue() {
    HKEY store = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserSettingsKey, 0, KEY_QUERY_VALUE, &store) != ERROR_SUCCESS) return false;
    bool found = false;
    for (const char* key : kUserSettingKeys) {
        found = found || RegQueryValueExA(store, key, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    RegCloseKey(store);
    return found;
}

bool WriteUserStore(const std::array<SettingText, kUserSettingCount>& texts) {
    HKEY store = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &store, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool written = true;
    for (const SettingText& setting : texts) {
        const DWORD bytes = static_cast<DWORD>(lstrlenA(setting.text) + 1);
        written = RegSetValueExA(store, setting.key, 0, REG_SZ, reinterpret_cast<const BYTE*>(setting.text), bytes) ==
                      ERROR_SUCCESS &&
                  written;
    }
    RegCloseKey(store);
    return written;
}

bool WriteMachineFile(const std::array<SettingText, kUserSettingCount>& texts) {
    bool written = true;
    for (const SettingText& setting : texts) {
        written = WritePrivateProfileStringA(kSettingsSection, setting.key, setting.text, kSettingsFile) != FALSE && written;
    }
    return written;
}

}  // namespace

void ReadSettings() {
    gBlank = ReadIntSetting("Blank");
    gMinutes = ReadIntSetting("Minutes");
    ReadTextSetting("ClientPath", gClientPath, sizeof gClientPath);
    ReadTextSetting("ClientDir", gClientDir, sizeof gClientDir);
    char monitors[16] = "";
    ReadTextSetting("Monitors", monitors, sizeof monitors);
    gPlacementOptions.monitors = ParseMonitorChoice(monitors);
    gPlacementOptions.scale = NormalizeScale(ReadIntSetting("Scale"));
    gPlacementOptions.shift = ReadIntSetting("Shift") != 0;
    char clients[kSettingTextSize] = "";
    char rotateSeconds[32] = "";
    char staleMinutes[32] = "";
    ReadTextSetting("Clients", clients, sizeof clients);
    ReadTextSetting("RotateSeconds", rotateSeconds, sizeof rotateSeconds);
    ReadTextSetting("StaleMinutes", staleMinutes, sizeof staleMinutes);
    gClientsSettings = ParseClientsSettings(clients, rotateSeconds, staleMinutes);
    // The client, its help text and header.bmp are all found relative to its directory.
    if (gClientDir[0] != '\0') SetCurrentDirectoryA(gClientDir);
}

std::int32_t ReadIntSetting(const char* key) {
    char text[256] = "";
    ReadResolved(key, text, sizeof text);
    return ParseProfileInt(text);
}

void ReadTextSetting(const char* key, char* destination, std::size_t size) {
    if (destination == nullptr || size == 0) return;
    ReadResolved(key, destination, size);
}

bool WriteIntSetting(const char* key, std::int32_t value) {
    char text[32] = "";
    FormatProfileInt(value, text, sizeof text);
    return WritePrivateProfileStringA(kSettingsSection, key, text, kSettingsFile) != FALSE;
}

bool SaveUserSettings(const UserSettings& settings) {
    const std::array<SettingText, kUserSettingCount> texts = UserSettingTexts(settings);
    const bool user = WriteUserStore(texts);
    // Older set-ups and tools that read only the file still see the values where it can be
    // written; for a standard user it cannot, and the per-user store is enough.
    const bool machine = WriteMachineFile(texts);
    return SettingsKept(user, machine, !user && AnyUserValue());
}
