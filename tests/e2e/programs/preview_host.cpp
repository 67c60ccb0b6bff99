// Plays the display settings' preview box for the end-to-end scripts: a top-level window with
// a 320 x 240 client area, titled "Preview host", that starts "SAVER /p <its handle>" and
// reports on standard output what happens, one flushed line at a time:
//
//   host-window H        client-origin X Y    client-size W H    child-pid N
//   child-start-retried E, child-start-failed E (CreateProcess's error)
//   child-window H       (the saver's preview window once it exists, and its title)
//   posted-input         (with --post-input: input messages sent straight to the child)
//   forwarded NAME       (a WM_HELP or WM_CONTEXTMENU that the child passed to us; only the
//                        latter can be posted, so only it is part of --post-input)
//   stopping child-running | child-ended-early, then child-exit CODE
//
// usage: preview-host --saver PATH [--parent host|desktop] [--stop-file PATH] [--timeout S]
//                     [--post-input]
//
// With "--parent desktop" the saver is given the desktop window instead: its preview then is a
// window of its own, the size of the screen. (Wine shows nothing that a process draws into a
// child window of another process's window, so the preview's pixels can be seen only so.)
//
// It stops when the stop file appears, at the timeout (default 60 s), or when the child ends.
// Stopping destroys the host window, which takes the child window with it (with the desktop as
// parent, the preview is sent WM_CLOSE instead); the saver should then end by itself. Exit
// code: 0 when the child was still running when asked to stop and then ended within 15 s;
// 1 otherwise; 2 usage.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "program_helpers.h"

namespace {

constexpr char kClassName[] = "OrvanePreviewHost";
constexpr int kClientWidth = 320;
constexpr int kClientHeight = 240;

HWND gHost = nullptr;

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_HELP:
    case WM_CONTEXTMENU:
        // The child hands these to the settings window, naming it as the target.
        Say("forwarded %s wparam-is-host %d", message == WM_HELP ? "help" : "contextmenu",
            reinterpret_cast<HWND>(wParam) == window ? 1 : 0);
        return 0;
    case WM_CLOSE:
        // Only the script stops us: a stray close must not end the test early.
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void PostInput(HWND child) {
    PostMessageA(child, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageA(child, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(120, 100));
    PostMessageA(child, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(140, 100));
    PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    PostMessageA(child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child), MAKELPARAM(150, 150));
    Say("posted-input");
}

}  // namespace

int main(int argc, char** argv) {
    std::string saver;
    std::string stopFile;
    double timeoutSeconds = 60.0;
    bool postInput = false;
    bool desktopParent = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--saver" && i + 1 < argc) {
            saver = argv[++i];
        } else if (arg == "--stop-file" && i + 1 < argc) {
            stopFile = argv[++i];
        } else if (arg == "--timeout" && i + 1 < argc) {
            timeoutSeconds = std::atof(argv[++i]);
        } else if (arg == "--parent" && i + 1 < argc && (std::string(argv[i + 1]) == "host" ||
                                                         std::string(argv[i + 1]) == "desktop")) {
            desktopParent = std::string(argv[++i]) == "desktop";
        } else if (arg == "--post-input") {
            postInput = true;
        } else {
            std::fprintf(stderr, "usage: preview-host --saver PATH [--parent host|desktop] [--stop-file PATH] "
                                 "[--timeout S] [--post-input]\n");
            return 2;
        }
    }
    if (saver.empty() || timeoutSeconds <= 0.0 || timeoutSeconds > 600.0) {
        std::fprintf(stderr, "preview-host: --saver is required and --timeout must be 0 to 600 s\n");
        return 2;
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = instance;
    hostClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    hostClass.lpszClassName = kClassName;
    if (RegisterClassA(&hostClass) == 0) return 1;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    gHost = CreateWindowExA(0, kClassName, "Preview host", style, 100, 100, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (gHost == nullptr) return 1;
    // With the desktop as the preview's parent the host stays hidden: it would cover the preview.
    if (!desktopParent) {
        ShowWindow(gHost, SW_SHOWNORMAL);
        UpdateWindow(gHost);
        SetForegroundWindow(gHost);
    }
    Pump();

    RECT client{};
    GetClientRect(gHost, &client);
    POINT origin{0, 0};
    ClientToScreen(gHost, &origin);
    Say("host-window %llu", Number(gHost));
    Say("client-origin %ld %ld", origin.x, origin.y);
    Say("client-size %ld %ld", client.right, client.bottom);

    HWND parent = desktopParent ? GetDesktopWindow() : gHost;
    std::string commandLine = "\"" + saver + "\" /p " + std::to_string(Number(parent));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    // Wine now and then loses a new process while its loader is still setting it up, before
    // any of the saver's code runs, and reports ERROR_INTERNAL_ERROR; the control panel is
    // not what such a run tests, so the start is tried again, and each failure is reported.
    constexpr int kStartAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(saver.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &child)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) {
            Say("child-start-failed %lu", error);
            DestroyWindow(gHost);
            return 1;
        }
        Say("child-start-retried %lu", error);
        Sleep(200);
    }
    CloseHandle(child.hThread);
    Say("child-pid %lu", child.dwProcessId);

    const ULONGLONG start = GetTickCount64();
    const ULONGLONG deadline = start + static_cast<ULONGLONG>(timeoutSeconds * 1000.0);
    HWND childWindow = nullptr;
    ULONGLONG childSeen = 0;
    bool posted = false;
    bool childEnded = false;
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &child.hProcess, FALSE, 50, QS_ALLINPUT);
        Pump();
        if (woke == WAIT_OBJECT_0) {
            childEnded = true;
            break;
        }
        if (childWindow == nullptr) {
            childWindow = desktopParent ? FindWindowA("WindowsScreenSaverClass", "Preview")
                                        : FindWindowExA(gHost, nullptr, "WindowsScreenSaverClass", nullptr);
            if (childWindow != nullptr) {
                childSeen = GetTickCount64();
                char title[64] = "";
                GetWindowTextA(childWindow, title, sizeof title);
                RECT area{};
                GetClientRect(childWindow, &area);
                Say("child-window %llu title \"%s\" size %ld %ld", Number(childWindow), title, area.right,
                    area.bottom);
            }
        }
        // A second after the child appears, so that its creation is over.
        if (postInput && !posted && childWindow != nullptr && GetTickCount64() - childSeen > 1000) {
            PostInput(childWindow);
            posted = true;
        }
        if (FileExists(stopFile) || GetTickCount64() >= deadline) break;
    }

    int status = 0;
    if (childEnded) {
        DWORD code = 0;
        GetExitCodeProcess(child.hProcess, &code);
        Say("child-ended-early");
        Say("child-exit %lu", code);
        status = 1;
    } else {
        Say("stopping child-running");
        if (desktopParent) {
            if (childWindow != nullptr) PostMessageA(childWindow, WM_CLOSE, 0, 0);
        } else {
            DestroyWindow(gHost);
            gHost = nullptr;
        }
        const ULONGLONG stopDeadline = GetTickCount64() + 15000;
        DWORD woke = WAIT_TIMEOUT;
        while (GetTickCount64() < stopDeadline) {
            woke = MsgWaitForMultipleObjects(1, &child.hProcess, FALSE, 50, QS_ALLINPUT);
            Pump();
            if (woke == WAIT_OBJECT_0) break;
        }
        if (woke == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(child.hProcess, &code);
            Say("child-exit %lu", code);
        } else {
            Say("child-did-not-end");
            TerminateProcess(child.hProcess, 1);
            status = 1;
        }
    }
    CloseHandle(child.hProcess);
    if (gHost != nullptr) DestroyWindow(gHost);
    return status;
}
