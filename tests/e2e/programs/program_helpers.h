// What the small Windows programs of the end-to-end tests share: window handles printed as
// the scripts read them, a stop file, a message pump, and files beside a module.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

// A window handle as a decimal number, the form xdotool and the scripts use.
inline unsigned long long Number(HWND window) {
    return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window));
}

// Whether the script has made `path` (an empty path never exists).
inline bool FileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Serves every message waiting for this thread, without blocking.
inline void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The file `name` in the folder of `module` (nullptr: the program itself), written into `path`
// of `size` bytes; false when the module's path cannot be had or the result does not fit.
inline bool PathBeside(HMODULE module, const char* name, char* path, DWORD size) {
    const DWORD length = GetModuleFileNameA(module, path, size);
    if (length == 0 || length >= size) return false;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return false;
    slash[1] = '\0';
    if (std::strlen(path) + std::strlen(name) + 1 > size) return false;
    std::strncat(path, name, size - std::strlen(path) - 1);
    return true;
}
