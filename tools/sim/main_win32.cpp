// orvane-sim on Windows: the record lives in a named file mapping. Besides Ctrl-C and the
// console closing, a WM_CLOSE to its hidden window (what taskkill without /f and the test
// harness send) or a WM_QUIT to its thread ends it cleanly.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "sim_options.h"
#include "sim_run.h"

namespace {

constexpr char kWindowClass[] = "OrvaneSimWindow";
constexpr char kWindowTitle[] = "orvane-sim";

std::atomic<bool> gStopRequested{false};
HANDLE gWake = nullptr;      // set when a stop is asked for from another thread
HANDLE gFinished = nullptr;  // set once the record is closed

void RequestStop() {
    gStopRequested.store(true);
    if (gWake != nullptr) SetEvent(gWake);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    RequestStop();
    // After these three the process is ended as soon as the handler returns: hold it back
    // until the main thread has written the dump and let go of the record.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        if (gFinished != nullptr) WaitForSingleObject(gFinished, 4000);
    }
    return TRUE;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            RequestStop();
            return 0;
        case WM_ENDSESSION:
            if (wParam) RequestStop();
            return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Never shown; it exists to be found and closed.
HWND CreateHiddenWindow(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0) return nullptr;
    return CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                           nullptr, nullptr, instance, nullptr);
}

class WindowsClock : public SimClock {
public:
    WindowsClock() { QueryPerformanceFrequency(&frequency_); }

    double Now() override {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return static_cast<double>(count.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

    bool WaitUntil(double deadline) override {
        for (;;) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT || (message.message == WM_CLOSE && message.hwnd == nullptr)) {
                    RequestStop();
                }
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (gStopRequested.load()) return false;
            const double left = deadline - Now();
            if (left <= 0.0) return true;
            const auto milliseconds = static_cast<DWORD>(left * 1000.0) + 1;
            MsgWaitForMultipleObjects(1, &gWake, FALSE, milliseconds, QS_ALLINPUT);
        }
    }

private:
    LARGE_INTEGER frequency_{};
};

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    if (const int exitCode = ReadSimCommandLine(argc, argv, options); exitCode >= 0) return exitCode;

    // Started by the saver, the program may have been given a console of its own: let it go,
    // and with it the window.
    if (options.minimized) FreeConsole();
    std::FILE* console = options.minimized ? nullptr : stdout;

    gWake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gFinished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    HWND window = CreateHiddenWindow(GetModuleHandleA(nullptr));
    if (window == nullptr && console != nullptr) {
        // No desktop (a service, or Wine without a display): only the thread's own queue is left.
        std::fprintf(stderr, "orvane-sim: no hidden window; WM_CLOSE and WM_QUIT reach only the thread\n");
    }

    WindowsClock clock;
    const int status = PlayClientRecord(options, clock, console);
    if (window != nullptr) DestroyWindow(window);
    SetEvent(gFinished);
    return status;
}
