#include <windows.h>

#include "reader/header_image.h"

std::string ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A path cut short at MAX_PATH names no folder of ours.
    if (length == 0 || length >= sizeof path) return {};
    const std::string self(path, length);
    const std::size_t separator = self.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : self.substr(0, separator + 1);
}

bool FileReadable(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
