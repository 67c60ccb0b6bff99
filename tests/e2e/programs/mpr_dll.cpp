// A stand-in for the platform's network provider library ("MPR.DLL") as the saver's password
// change mode uses it: PwdChangePasswordA shows nothing and appends one line per call to
// "MPR.log" beside itself, with the provider name, the window handle as a decimal number,
// the class of that window and the last two arguments, for the test to read.
#include <windows.h>

#include <cstdio>

#include "program_helpers.h"

namespace {

HMODULE gSelf = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gSelf = instance;
    return TRUE;
}

extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND window, DWORD flags, LPVOID reserved) {
    char path[MAX_PATH];
    if (!PathBeside(gSelf, "MPR.log", path, sizeof path)) return ERROR_SUCCESS;
    char className[128] = "";
    if (window == nullptr || GetClassNameA(window, className, sizeof className) == 0) {
        std::snprintf(className, sizeof className, "%s", "(none)");
    }
    if (std::FILE* file = std::fopen(path, "ab")) {
        std::fprintf(file, "provider %s window %llu class %s flags %lu reserved %s\r\n",
                     provider == nullptr ? "(null)" : provider,
                     static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)), className,
                     static_cast<unsigned long>(flags), reserved == nullptr ? "null" : "set");
        std::fclose(file);
    }
    return ERROR_SUCCESS;
}
