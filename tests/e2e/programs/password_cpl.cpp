// A stand-in for the platform's saver-password prompt ("PASSWORD.CPL"): refuses the first
// time it is asked and accepts every later time, without any window. Beside itself it keeps
// "PASSWORD.count", the number of times it was asked, and "PASSWORD.log", one line per call
// with the class of the window it was given, for the test to read.
#include <windows.h>

#include <cstdio>

#include "program_helpers.h"

namespace {

HMODULE gSelf = nullptr;

int ReadCount(const char* path) {
    int count = 0;
    if (std::FILE* file = std::fopen(path, "rb")) {
        if (std::fscanf(file, "%d", &count) != 1) count = 0;
        std::fclose(file);
    }
    return count;
}

void WriteCount(const char* path, int count) {
    if (std::FILE* file = std::fopen(path, "wb")) {
        std::fprintf(file, "%d\n", count);
        std::fclose(file);
    }
}

void LogCall(const char* path, int count, HWND window) {
    char className[128] = "";
    if (window == nullptr || GetClassNameA(window, className, sizeof className) == 0) {
        std::snprintf(className, sizeof className, "%s", "(none)");
    }
    if (std::FILE* file = std::fopen(path, "ab")) {
        std::fprintf(file, "call %d class %s\r\n", count, className);
        std::fclose(file);
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gSelf = instance;
    return TRUE;
}

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    char countPath[MAX_PATH];
    char logPath[MAX_PATH];
    if (!PathBeside(gSelf, "PASSWORD.count", countPath, sizeof countPath) ||
        !PathBeside(gSelf, "PASSWORD.log", logPath, sizeof logPath)) {
        return FALSE;
    }
    const int count = ReadCount(countPath) + 1;
    WriteCount(countPath, count);
    LogCall(logPath, count, window);
    if (count > 1) return TRUE;
    // The key that dismisses a real prompt reaches the saver right after the prompt closes;
    // posting one here makes that happen at a known moment, inside the repeat guard's window.
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    return FALSE;
}
