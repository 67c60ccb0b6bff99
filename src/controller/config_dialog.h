// The settings dialog (resource 2003) and its procedure (Windows only).
#pragma once

#include <windows.h>

inline constexpr int kSettingsDialogId = 2003;
inline constexpr int kMinutesEditId = 1001;
inline constexpr int kBlankCheckId = 1002;
inline constexpr int kMinutesLabelId = 1003;
inline constexpr int kDisplayNameStringId = 1;

// Exported by name: the platform looks it up in the module, and the link of an executable
// does not apply resources/orvane.def on its own.
extern "C" __declspec(dllexport) BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL RegisterConfigClasses(HINSTANCE instance);
