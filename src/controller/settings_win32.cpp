#include <windows.h>

#include <climits>

#include "controller/settings.h"

std::int32_t gBlank = 0;
std::int32_t gMinutes = 0;
char gClientPath[kSettingTextSize] = "";
char gClientDir[kSettingTextSize] = "";
PlacementOptions gPlacementOptions;

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
    // The client, its help text and header.bmp are all found relative to its directory.
    if (gClientDir[0] != '\0') SetCurrentDirectoryA(gClientDir);
}

std::int32_t ReadIntSetting(const char* key) {
    char text[256] = "";
    const DWORD length = GetPrivateProfileStringA(kSettingsSection, key, "", text, sizeof text, kSettingsFile);
    if (length == 0) return 0;
    text[sizeof text - 1] = '\0';
    return ParseProfileInt(text);
}

void ReadTextSetting(const char* key, char* destination, std::size_t size) {
    if (destination == nullptr || size == 0) return;
    const DWORD capacity = size > UINT_MAX ? UINT_MAX : static_cast<DWORD>(size);
    const DWORD length = GetPrivateProfileStringA(kSettingsSection, key, "", destination, capacity, kSettingsFile);
    // The call terminates what it cuts, but a value that fills the buffer is the one case
    // where a careless implementation might not; terminate it here whatever happened.
    destination[length < size ? length : size - 1] = '\0';
}

void WriteIntSetting(const char* key, std::int32_t value) {
    char text[32] = "";
    FormatProfileInt(value, text, sizeof text);
    WritePrivateProfileStringA(kSettingsSection, key, text, kSettingsFile);
}
