// The settings in "orvane.ini", section "boot", and their reading and writing. The dialog
// writes only Blank and Minutes; the display keys are the user's to edit, and never written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/placement.h"

inline constexpr const char kSettingsFile[] = "orvane.ini";
inline constexpr const char kSettingsSection[] = "boot";
inline constexpr std::size_t kSettingTextSize = 128;  // 127 characters and the terminator

extern std::int32_t gBlank;
extern std::int32_t gMinutes;
extern char gClientPath[kSettingTextSize];
extern char gClientDir[kSettingTextSize];
// "Monitors", "Scale" and "Shift".
extern PlacementOptions gPlacementOptions;

// Reads every key and, when ClientDir is not empty, makes it the current directory.
void ReadSettings();
std::int32_t ReadIntSetting(const char* key);
void ReadTextSetting(const char* key, char* destination, std::size_t size = kSettingTextSize);
void WriteIntSetting(const char* key, std::int32_t value);

// The C library's decimal reading, as the profile values are read: leading white space, an
// optional sign, digits up to the first non-digit; no digits give 0. Out-of-range values wrap
// as a 32-bit number would rather than being undefined.
std::int32_t ParseProfileInt(const char* text);
// Decimal text with a leading "-" for negatives, into `out` (at least 12 bytes).
void FormatProfileInt(std::int32_t value, char* out, std::size_t size);
