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
// Below the display settings: which clients are shown, and their two periods.
inline constexpr int kClientsGroupId = 1010;
inline constexpr int kClientsLabelId = 1011;
inline constexpr int kClientsListId = 1012;
inline constexpr int kRotateLabelId = 1013;
inline constexpr int kRotateEditId = 1014;
inline constexpr int kRotateUnitId = 1015;
inline constexpr int kStaleLabelId = 1016;
inline constexpr int kStaleEditId = 1017;
inline constexpr int kStaleUnitId = 1018;
inline constexpr int kDisplayNameStringId = 1;

// Exported by name: the platform looks it up in the module, and the link of an executable
// does not apply resources/orvane.def on its own.
extern "C" __declspec(dllexport) BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL RegisterConfigClasses(HINSTANCE instance);
