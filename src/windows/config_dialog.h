// The settings dialog (resource 2003) and its procedure (Windows only).
#pragma once

#include <windows.h>

inline constexpr int kSettingsDialogId = 2003;
inline constexpr int kMinutesEditId = 1001;
inline constexpr int kBlankCheckId = 1002;
inline constexpr int kMinutesLabelId = 1003;
// Below the original five, in the taller dialog.
inline constexpr int kMonitorsLabelId = 1004;
inline constexpr int kMonitorsListId = 1005;
inline constexpr int kScaleLabelId = 1006;
inline constexpr int kScaleListId = 1007;
inline constexpr int kShiftCheckId = 1008;
inline constexpr int kDisplayGroupId = 1009;
inline constexpr int kDisplayNameStringId = 1;

// Exported by name: the platform looks it up in the module, and the link of an executable
// does not apply resources/orvane.def on its own.
extern "C" __declspec(dllexport) BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL RegisterConfigClasses(HINSTANCE instance);
