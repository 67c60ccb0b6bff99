#include "shared/shared_mapping.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string PosixName(const char* name) { return std::string("/") + name; }

bool MapWhole(SharedMapping& mapping, int fd, bool created) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(kSharedStatusSize)) {
        close(fd);
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        close(fd);
        return false;
    }
    mapping.record = static_cast<SharedStatus*>(view);
    mapping.size = size;
    mapping.handle = fd;
    mapping.created = created;
    return true;
}

}  // namespace

bool OpenSharedStatus(SharedMapping& mapping, const char* name) {
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR, 0);
    if (fd < 0) return false;
    return MapWhole(mapping, fd, false);
}

bool CreateSharedStatus(SharedMapping& mapping, std::size_t size, const char* name) {
    if (size < kSharedStatusSize) size = kSharedStatusSize;
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        close(fd);
        return false;
    }
    // ftruncate zero-fills what it adds; an existing larger object keeps its size.
    if (info.st_size < static_cast<off_t>(size) && ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        return false;
    }
    return MapWhole(mapping, fd, true);
}

void UnmapSharedStatus(SharedMapping& mapping) {
    if (mapping.record != nullptr) munmap(mapping.record, mapping.size);
    mapping.record = nullptr;
    mapping.size = 0;
}

void CloseSharedStatus(SharedMapping& mapping) {
    UnmapSharedStatus(mapping);
    if (mapping.handle >= 0) close(static_cast<int>(mapping.handle));
    mapping.handle = -1;
    mapping.created = false;
}

void RemoveSharedStatus(const char* name) { shm_unlink(PosixName(name).c_str()); }

std::int32_t CaptureSaverPriorityClass() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (nice == -1 && errno != 0) return 0;
    if (nice <= -10) return 0x80;    // high
    if (nice < 0) return 0x8000;     // above normal
    if (nice == 0) return 0x20;      // normal
    if (nice < 10) return 0x4000;    // below normal
    return 0x40;                     // idle
}
