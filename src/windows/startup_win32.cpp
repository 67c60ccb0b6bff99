#include <windows.h>

#include <cstdint>

#include "windows/config_dialog.h"
#include "windows/frame.h"
#include "windows/frame_logic.h"

HINSTANCE gInstance = nullptr;
int gIsWin9x = 0;

namespace {

// GetVersionExA accepts the plain structure only when told its exact size.
constexpr DWORD kVersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize);

constexpr char kPasswordLibrary[] = "MPR.DLL";
constexpr char kPasswordChangeEntry[] = "PwdChangePasswordA";
constexpr char kPasswordProvider[] = "SCRSAVE";

using ChangePasswordProc = DWORD(WINAPI*)(LPCSTR provider, HWND window, DWORD flags, LPVOID reserved);

int DetectWin9x() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = kVersionInfoSize;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
}

// Window numbers on the command line are 32-bit; the platform keeps handles in 32 significant bits.
HWND WindowFromNumber(std::uint32_t number) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(number));
}

// The display settings sometimes pass a window that has gone by the time the saver starts.
HWND ValidOrForeground(HWND window) {
    if (window != nullptr && IsWindow(window)) return window;
    return GetForegroundWindow();
}

// The dialog procedure is exported with the classic BOOL result, while DialogBoxParamA wants a
// pointer-sized one: the result is widened here instead of trusting the upper half of a register.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
}

int RunSettings(const SaverCommand& command) {
    HWND owner = nullptr;
    if (command.ownedDialog) owner = ValidOrForeground(WindowFromNumber(command.handle));
    return static_cast<int>(ShowSettingsDialog(owner));
}

int RunPasswordChange(const SaverCommand& command) {
    if (!gIsWin9x) return kRejectedExitCode;
    ChangeSaverPassword(ValidOrForeground(WindowFromNumber(command.handle)));
    return 0;
}

int RunChosenPath(const char* arguments) {
    const SaverCommand command = ParseSaverArguments(arguments);
    switch (command.mode) {
    case SaverMode::Settings:
        return RunSettings(command);
    case SaverMode::FullScreen:
        return RunSaverWindow(nullptr);
    case SaverMode::Preview:
        return RunPreview(arguments + command.handleOffset);
    case SaverMode::ChangePassword:
        return RunPasswordChange(command);
    case SaverMode::Invalid:
        break;
    }
    return kRejectedExitCode;
}

// MinGW has no __try/__except, so the protected region around the reading of the arguments and
// the chosen path is this top-level filter, installed for exactly that stretch. The platform's
// UnhandledExceptionFilter calls it for a fault that nothing else handled, after offering the
// fault to a debugger, so reaching it means the fault is ours to finish. On Windows 9x the
// screen-saver-running state outlives the process and keeps Ctrl+Alt+Del and the task switcher
// disabled, so it is turned off first. The process then ends with the fault's own exception code
// (0xC0000005 for an access violation, and so on): the code the platform reports for any crashed
// program, which a caller can tell apart from the saver's deliberate -1.
LONG WINAPI EndSaverAfterFault(EXCEPTION_POINTERS* fault) {
    SetSaverRunning(FALSE);
    ExitProcess(fault->ExceptionRecord->ExceptionCode);
}

}  // namespace

void StartSaverProcess() {
    // CharNextA steps over whole double-byte characters, whose trail byte can look like a quote.
    const char* arguments = ArgumentText(GetCommandLineA(), [](const char* at) -> const char* { return CharNextA(at); });
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(SaverMain(GetModuleHandleA(nullptr), nullptr, arguments, show)));
}

int SaverMain(HINSTANCE instance, HINSTANCE /*previous*/, const char* arguments, int /*show*/) {
    gInstance = instance;
    gIsWin9x = DetectWin9x();
    const LPTOP_LEVEL_EXCEPTION_FILTER outer = SetUnhandledExceptionFilter(EndSaverAfterFault);
    const int result = RunChosenPath(arguments);
    SetUnhandledExceptionFilter(outer);
    return result;
}

int RunPreview(const char* text) {
    HWND parent = WindowFromNumber(ParseWindowHandle(text));
    if (parent == nullptr || !IsWindow(parent)) return kRejectedExitCode;
    return RunSaverWindow(parent);
}

INT_PTR ShowSettingsDialog(HWND owner) {
    if (!RegisterConfigClasses(gInstance)) return FALSE;
    return DialogBoxParamA(gInstance, MAKEINTRESOURCEA(kSettingsDialogId), owner, SettingsDialogProc, 0);
}

void ChangeSaverPassword(HWND window) {
    HMODULE library = LoadLibraryA(kPasswordLibrary);
    if (library == nullptr) return;
    const auto change = LoadEntry<ChangePasswordProc>(library, kPasswordChangeEntry);
    if (change != nullptr) change(kPasswordProvider, window, 0, nullptr);
    FreeLibrary(library);
}
