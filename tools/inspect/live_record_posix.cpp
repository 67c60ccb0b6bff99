#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "inspect_run.h"

bool ReadLiveRecord(const std::string& name, std::vector<unsigned char>& bytes, std::string& error) {
    const std::string path = "/" + name;
    const int fd = shm_open(path.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    if (ok && info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        ok = view != MAP_FAILED;
        if (ok) {
            bytes.assign(static_cast<const unsigned char*>(view), static_cast<const unsigned char*>(view) + size);
            munmap(view, size);
        }
    } else if (ok) {
        bytes.clear();
    }
    if (!ok) error = "cannot read " + path + ": " + std::strerror(errno);
    close(fd);
    return ok;
}
