#include <windows.h>

#include "windows/controller.h"
#include "windows/frame.h"
#include "windows/frame_logic.h"
#include "windows/monitors.h"

HWND gMainWindow = nullptr;
int gChildPreview = 0;
int gClosing = 0;
int gVerifying = 0;
DWORD gLastVerifyTick = kNoVerifyYet;
POINT gInitialCursor = {0, 0};
HMODULE gVerifierLibrary = nullptr;
VerifyPasswordProc gVerifyPassword = nullptr;
UINT gAutoPlayMessage = 0;
HMODULE gImeLibrary = nullptr;
AssociateContextProc gAssociateContext = nullptr;
HIMC gSavedImeContext = nullptr;

namespace {

constexpr char kSaverClassName[] = "WindowsScreenSaverClass";
constexpr char kFullScreenTitle[] = "Screen Saver";
constexpr char kPreviewTitle[] = "Preview";
// The private device context is what lets the controller keep one font selected for good.
constexpr UINT kSaverClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
constexpr int kSaverIconId = 100;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kUsePasswordValue[] = "ScreenSaveUsePassword";
constexpr char kVerifierLibraryName[] = "PASSWORD.CPL";
constexpr char kVerifierEntry[] = "VerifyScreenSavePwd";
constexpr char kImeLibraryName[] = "IMM32.DLL";
constexpr char kAssociateContextEntry[] = "ImmAssociateContext";
constexpr char kAutoPlayMessageName[] = "QueryCancelAutoPlay";
constexpr UINT kSetScreenSaverRunning = 97;

void RequestClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void HideCursor() { SetCursor(nullptr); }

WNDCLASSA SaverClass() {
    WNDCLASSA saverClass{};
    saverClass.style = kSaverClassStyle;
    saverClass.lpfnWndProc = SaverClassProc;
    saverClass.hInstance = gInstance;
    // The module carries no icon 100; the class is meant to end up without one.
    saverClass.hIcon = LoadIconA(gInstance, MAKEINTRESOURCEA(kSaverIconId));
    saverClass.hCursor = nullptr;
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = kSaverClassName;
    return saverClass;
}

// A full-screen saver is running already when its window exists; bring that one forward.
bool ForwardToRunningSaver() {
    HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
    if (running == nullptr || !IsWindow(running)) return false;
    SetForegroundWindow(running);
    return true;
}

HWND CreateSaverWindow(HWND parent, const RECT& area) {
    const bool preview = parent != nullptr;
    return CreateWindowExA(preview ? 0 : WS_EX_TOPMOST, kSaverClassName, preview ? kPreviewTitle : kFullScreenTitle,
                           preview ? kPreviewStyle : kFullScreenStyle, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, parent, nullptr, gInstance, nullptr);
}

int RunMessageLoop() {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

// The input method would otherwise open its composition window over the saver on a key press.
void DetachInputMethod(HWND window) {
    // Only a library that is loaded already: loading one just to detach it would be pointless.
    gImeLibrary = GetModuleHandleA(kImeLibraryName);
    if (gImeLibrary == nullptr) return;
    gAssociateContext = LoadEntry<AssociateContextProc>(gImeLibrary, kAssociateContextEntry);
    if (gAssociateContext != nullptr) gSavedImeContext = gAssociateContext(window, nullptr);
}

void ReattachInputMethod(HWND window) {
    if (gImeLibrary != nullptr && gAssociateContext != nullptr && gSavedImeContext != nullptr)
        gAssociateContext(window, gSavedImeContext);
}

LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DetachInputMethod(window);
    GetCursorPos(&gInitialCursor);
    if (!gChildPreview) HideCursor();
    return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ReattachInputMethod(window);
    PostQuitMessage(0);
    return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT OnPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gClosing) return DefWindowProcA(window, message, wParam, lParam);
    if (!gChildPreview) HideCursor();
    return ScreenSaverProc(window, message, wParam, lParam);
}

// Help asked for inside the preview belongs to the settings window that shows it.
LRESULT OnHelpRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!gChildPreview) return ScreenSaverProc(window, message, wParam, lParam);
    HWND parent = GetParent(window);
    if (parent == nullptr || !IsWindow(parent)) return 1;
    // WM_HELP carries a pointer to a HELPINFO, and the system refuses to post such a message
    // (ERROR_MESSAGE_SYNC_ONLY): a posted help request would never arrive. Sending it lets the
    // system carry the structure to the parent, also across processes.
    if (message == WM_HELP) {
        SendMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
    } else {
        PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
    }
    return 1;
}

// Once closing is allowed, input no longer reaches the controller.
LRESULT OnInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gClosing) return DefWindowProcA(window, message, wParam, lParam);
    return ScreenSaverProc(window, message, wParam, lParam);
}

// A full-screen saver must not start another saver, nor let Alt+Tab switch away from it.
LRESULT OnSysCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!gChildPreview && (wParam == SC_SCREENSAVE || wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW)) return 0;
    return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gClosing) return 0;
    // Gives the client, which runs beside the saver, the rest of this time slice.
    Sleep(0);
    return ScreenSaverProc(window, message, wParam, lParam);
}

void CloseOnMouseTravel(HWND window) {
    POINT now{};
    GetCursorPos(&now);
    if (!CursorMovedBeyondThreshold(now.x, now.y, gInitialCursor.x, gInitialCursor.y)) return;
    RequestClose(window);
    gInitialCursor = now;
}

// The dismissal rules of the full-screen saver while no prompt is open. True when the message is
// finished here with `result`; otherwise it goes on to the default handling.
bool ApplyDismissalRule(HWND window, UINT message, WPARAM wParam, LRESULT& result) {
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != 0) HideCursor();
        return false;
    case WM_ACTIVATEAPP:
        if (wParam == 0) RequestClose(window);
        return false;
    case WM_SETCURSOR:
        HideCursor();
        result = TRUE;
        return true;
    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME) RequestClose(window);
        return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_POWERBROADCAST:
        RequestClose(window);
        return false;
    case WM_MOUSEMOVE:
        CloseOnMouseTravel(window);
        return false;
    }
    return false;
}

// On Windows 9x the close waits for the password; a refused one keeps the saver and makes the
// cursor's current place the new reference for movement.
bool RefuseClose(HWND window) {
    if (!gIsWin9x || VerifyUnlock(window)) return false;
    GetCursorPos(&gInitialCursor);
    return true;
}

LRESULT AskForPassword(HWND window) {
    if (gVerifyPassword == nullptr) return 1;
    return gVerifyPassword(window);
}

// The platform asks before it auto-starts an inserted disc; a non-zero answer cancels that start,
// which matters only while a password keeps the desktop locked.
LRESULT OnQueryCancelAutoPlay(HWND window) {
    RequestClose(window);
    return gVerifyPassword != nullptr ? 1 : 0;
}

// Timer messages already queued would otherwise be delivered by the prompt's own loop.
void DropWaitingTicks(HWND window) {
    MSG tick;
    PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&tick, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
}

}  // namespace

int RunSaverWindow(HWND parent) {
    WNDCLASSA saverClass = SaverClass();
    RECT area{};
    if (parent != nullptr) {
        GetClientRect(parent, &area);
        gChildPreview = 1;
    } else {
        area = ScreenClipBox();
        if (ForwardToRunningSaver()) return 0;
        LoadPasswordVerifier();
    }
    gAutoPlayMessage = gIsWin9x ? RegisterWindowMessageA(kAutoPlayMessageName) : 0;

    int quitCode = kNoWindowQuitCode;
    if (RegisterClassA(&saverClass)) gMainWindow = CreateSaverWindow(parent, area);
    if (gMainWindow != nullptr) {
        if (!gChildPreview) SetForegroundWindow(gMainWindow);
        quitCode = RunMessageLoop();
    }
    UnloadPasswordVerifier();
    return quitCode;
}

LRESULT WINAPI SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, message, wParam, lParam);
    case WM_DESTROY:
        return OnDestroy(window, message, wParam, lParam);
    case WM_SETTEXT:
        return 0;  // the title never changes
    case WM_PAINT:
        return OnPaint(window, message, wParam, lParam);
    case WM_HELP:
    case WM_CONTEXTMENU:
        return OnHelpRequest(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return OnInput(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        return OnSysCommand(window, message, wParam, lParam);
    case WM_TIMER:
        return OnTimer(window, message, wParam, lParam);
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT WINAPI SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!gChildPreview && !gClosing) {
        LRESULT result = 0;
        switch (message) {
        case WM_CLOSE:
            if (RefuseClose(window)) return 0;
            break;
        case kVerifyMessage:
            if (gIsWin9x) return AskForPassword(window);
            break;
        default:
            // While the prompt is up its own input must not close the saver behind it.
            if (!gVerifying && ApplyDismissalRule(window, message, wParam, result)) return result;
            break;
        }
    }
    if (gAutoPlayMessage != 0 && message == gAutoPlayMessage) return OnQueryCancelAutoPlay(window);
    return DefWindowProcA(window, message, wParam, lParam);
}

int VerifyUnlock(HWND window) {
    if (gVerifying || gClosing) return 0;
    if (gVerifyPassword == nullptr) {
        gClosing = 1;
        return 1;
    }
    // Input right after a refused prompt (the key that dismissed it, a mouse still moving) would
    // open the next one at once.
    if (!PasswordPromptAllowed(GetTickCount(), gLastVerifyTick)) return gClosing;
    gVerifying = 1;
    DropWaitingTicks(window);
    // Through the window, so that the controller sees the check like any other message.
    gClosing = SendMessageA(window, kVerifyMessage, 0, 0) != 0 ? 1 : 0;
    gVerifying = 0;
    if (!gClosing) HideCursor();
    gLastVerifyTick = GetTickCount();
    return gClosing;
}

void LoadPasswordVerifier() {
    if (!gIsWin9x) return;
    if (gVerifierLibrary != nullptr) UnloadPasswordVerifier();
    HKEY desktop = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kDesktopKey, &desktop) != ERROR_SUCCESS) return;
    DWORD usePassword = 0;
    DWORD size = sizeof usePassword;
    const LONG queried =
        RegQueryValueExA(desktop, kUsePasswordValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword), &size);
    if (queried == ERROR_SUCCESS && usePassword != 0) {
        gVerifierLibrary = LoadLibraryA(kVerifierLibraryName);
        if (gVerifierLibrary != nullptr) {
            gVerifyPassword = LoadEntry<VerifyPasswordProc>(gVerifierLibrary, kVerifierEntry);
            // The running state disables Ctrl+Alt+Del and the task switcher: only worth it when a
            // password guards the desktop.
            if (gVerifyPassword != nullptr)
                SetSaverRunning(TRUE);
            else
                UnloadPasswordVerifier();
        }
    }
    RegCloseKey(desktop);
}

void UnloadPasswordVerifier() {
    if (!gIsWin9x || gVerifierLibrary == nullptr) return;
    FreeLibrary(gVerifierLibrary);
    gVerifierLibrary = nullptr;
    if (gVerifyPassword == nullptr) return;
    gVerifyPassword = nullptr;
    SetSaverRunning(FALSE);
}

void SetSaverRunning(BOOL on) {
    if (!gIsWin9x) return;
    BOOL previous = FALSE;
    SystemParametersInfoA(kSetScreenSaverRunning, static_cast<UINT>(on), &previous, 0);
}
