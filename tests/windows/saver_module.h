// The Orvane.scr that is built beside the test program.
#pragma once

#include <windows.h>

#include <string>

inline std::string SaverPath() {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    std::string folder(path, length);
    const std::size_t slash = folder.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    return folder.substr(0, slash + 1) + "Orvane.scr";
}
