#include <unistd.h>

#include "reader/header_image.h"

std::string ProgramFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string self(path, static_cast<std::size_t>(length));
    const std::size_t slash = self.find_last_of('/');
    return slash == std::string::npos ? std::string() : self.substr(0, slash + 1);
}

bool FileReadable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }
