// The host frame: start-up, the saver window and its dismissal rules (Windows only).
#pragma once

#include <windows.h>
#include <imm.h>

extern HINSTANCE gInstance;
extern int gIsWin9x;
extern HWND gMainWindow;
extern int gChildPreview;
extern int gClosing;
extern int gVerifying;
extern DWORD gLastVerifyTick;
extern POINT gInitialCursor;

// The platform's Windows 9x password prompt in "PASSWORD.CPL": non-zero when the password was right.
using VerifyPasswordProc = BOOL(WINAPI*)(HWND window);
// "ImmAssociateContext" of "IMM32.DLL", looked up at run time so that the module does not need it.
using AssociateContextProc = HIMC(WINAPI*)(HWND window, HIMC context);

// An entry of a library looked up at run time. Through void*: GCC warns about a direct cast
// between unrelated function pointer types.
template <typename Proc>
Proc LoadEntry(HMODULE library, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

extern HMODULE gVerifierLibrary;
extern VerifyPasswordProc gVerifyPassword;
extern UINT gAutoPlayMessage;
extern HMODULE gImeLibrary;
extern AssociateContextProc gAssociateContext;
extern HIMC gSavedImeContext;

inline constexpr UINT kVerifyMessage = 0x8000;  // WM_APP: asks the window to check the password

// Exit code for a mode letter the saver does not know, a preview without a usable window and the
// password change on a platform that has none: nothing is shown.
inline constexpr int kRejectedExitCode = -1;
// What RunSaverWindow returns when its window could not be registered or created, so that the
// loop never ran: the same "nothing shown" code, which no quit message of the saver uses.
inline constexpr int kNoWindowQuitCode = -1;

int RunSaverWindow(HWND parent);
LRESULT WINAPI SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int VerifyUnlock(HWND window);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(BOOL on);

[[noreturn]] void StartSaverProcess();
int SaverMain(HINSTANCE instance, HINSTANCE previous, const char* arguments, int show);
int RunPreview(const char* text);
INT_PTR ShowSettingsDialog(HWND owner);
void ChangeSaverPassword(HWND window);
