#include "client_store.h"

#include "record/record_extension.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

orvane_status FromErrno(int error) {
    if (error == EACCES || error == EPERM) return ORVANE_ERR_PERMISSION;
    if (error == ENOMEM) return ORVANE_ERR_MEMORY;
    return ORVANE_ERR_SYSTEM;
}

orvane_status Fail(int fd, orvane_status status, std::string& message, const std::string& text) {
    if (fd >= 0) close(fd);
    message = text;
    return status;
}

}  // namespace

orvane_status OpenStore(const char* name, ClientStore& store, std::string& message) {
    const std::string path = std::string("/") + name;
    // Exclusive first, so that we know whether what we map is ours from its first byte. An
    // object that vanishes between the two opens (its client unlinked it) is tried again.
    int fd = -1;
    bool created = false;
    for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
        fd = shm_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            created = true;
            break;
        }
        if (errno != EEXIST) break;
        fd = shm_open(path.c_str(), O_RDWR, 0);
        if (fd < 0 && errno != ENOENT) break;
    }
    if (fd < 0) {
        const int error = errno;
        return Fail(-1, FromErrno(error), message, "cannot open " + path + ": " + std::strerror(error));
    }
    if (created) fchmod(fd, 0600);  // whatever the umask left
    // The lock lives as long as the descriptor: the kernel lets it go when the client ends,
    // however it ends, which is how the next client tells a stale record from a live one.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            return Fail(fd, ORVANE_ERR_NAME_TAKEN, message, path + " is in use by a running client");
        }
        return Fail(fd, FromErrno(error), message, "cannot lock " + path + ": " + std::strerror(error));
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        const int error = errno;
        return Fail(fd, FromErrno(error), message, "cannot read the size of " + path + ": " + std::strerror(error));
    }
    // New objects have room for the label; one taken over keeps the size its first client gave it.
    std::size_t size = kExtendedRecordSize;
    if (info.st_size == 0) {
        // New, or left empty by a client that ended before sizing it. ftruncate zero-fills.
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            const int error = errno;
            return Fail(fd, FromErrno(error), message, "cannot size " + path + ": " + std::strerror(error));
        }
    } else if (info.st_size < static_cast<off_t>(kSharedStatusSize)) {
        // Never shortened or grown: a reader may hold a view of it as it is.
        return Fail(fd, ORVANE_ERR_TOO_SMALL, message,
                    path + " holds " + std::to_string(info.st_size) + " bytes, fewer than the record's " +
                        std::to_string(kSharedStatusSize));
    } else if (info.st_size < static_cast<off_t>(kExtendedRecordSize)) {
        size = kSharedStatusSize;
    }
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        const int error = errno;
        return Fail(fd, FromErrno(error), message, "cannot map " + path + ": " + std::strerror(error));
    }
    store.record = static_cast<SharedStatus*>(view);
    store.size = size;
    store.handle = fd;
    store.name = name;
    if (!created) ClearForTakeOver(*store.record, size);
    message.clear();
    return ORVANE_OK;
}

void CloseStore(ClientStore& store, bool unlink) {
    // Unlinking before the lock goes means no next client can take over a name that is
    // about to vanish under it.
    if (unlink && !store.name.empty()) shm_unlink((std::string("/") + store.name).c_str());
    if (store.record != nullptr) munmap(store.record, store.size);
    if (store.handle >= 0) close(static_cast<int>(store.handle));
    store = ClientStore{};
}

}  // namespace orvane
