#include "record/shared_mapping.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "record/record_family.h"

namespace {

std::string PosixName(const char* name) { return std::string("/") + name; }

// A client that cuts its object shorter while we have it mapped would end us with SIGBUS at
// the next read of a page past its new end. The guard below catches that fault for the views
// registered with it: it puts zeroed private memory over the whole view, marks the view lost
// and lets the read go on, so the reader notices at its next check and attaches again. Faults
// anywhere else go on to the handling they had before. A reader of every client of the family
// holds a view of each record, and of a replaced one for a moment beside its successor: a view
// left unguarded would let one client's cut end the reader of all of them.
constexpr int kGuardedViews = 2 * kMaxClientRecords + 2;

struct GuardedView {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> lost{false};
};
GuardedView gGuarded[kGuardedViews];
struct sigaction gPreviousBusAction {};
std::atomic<bool> gGuardInstalled{false};

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedView& view : gGuarded) {
        const std::uintptr_t begin = view.begin.load();
        const std::size_t size = view.size.load();
        if (begin == 0 || address < begin || address - begin >= size) continue;
        // mmap is not on the list of async-signal-safe calls, but it is a plain system call on
        // every POSIX system we build for, and this one only replaces pages of our own view.
        mmap(reinterpret_cast<void*>(begin), size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        view.lost.store(true);
        return;
    }
    if ((gPreviousBusAction.sa_flags & SA_SIGINFO) != 0 && gPreviousBusAction.sa_sigaction != nullptr) {
        gPreviousBusAction.sa_sigaction(signal, info, context);
        return;
    }
    // Not ours, and nobody else's: the faulting access is retried with the default action.
    sigaction(SIGBUS, &gPreviousBusAction, nullptr);
    if (gPreviousBusAction.sa_handler != SIG_DFL && gPreviousBusAction.sa_handler != SIG_IGN &&
        gPreviousBusAction.sa_handler != nullptr) {
        gPreviousBusAction.sa_handler(signal);
    }
}

void InstallBusGuard() {
    if (gGuardInstalled.exchange(true)) return;
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &gPreviousBusAction);
}

void GuardView(void* view, std::size_t size) {
    InstallBusGuard();
    for (GuardedView& slot : gGuarded) {
        if (slot.begin.load() != 0) continue;
        slot.lost.store(false);
        slot.size.store(size);
        slot.begin.store(reinterpret_cast<std::uintptr_t>(view));
        return;
    }
}

GuardedView* GuardOf(const void* view) {
    for (GuardedView& slot : gGuarded)
        if (slot.begin.load() == reinterpret_cast<std::uintptr_t>(view)) return &slot;
    return nullptr;
}

void UnguardView(const void* view) {
    if (GuardedView* slot = GuardOf(view)) {
        slot->begin.store(0);
        slot->size.store(0);
        slot->lost.store(false);
    }
}

std::uint64_t Identity(const struct stat& info) {
    return (static_cast<std::uint64_t>(info.st_dev) << 40) ^ static_cast<std::uint64_t>(info.st_ino);
}

bool MapWhole(SharedMapping& mapping, int fd, bool writable) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(kSharedStatusSize)) {
        close(fd);
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    void* view = mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        close(fd);
        return false;
    }
    GuardView(view, size);
    mapping.record = static_cast<SharedStatus*>(view);
    mapping.size = size;
    mapping.handle = fd;
    mapping.writable = writable;
    mapping.identity = Identity(info);
    return true;
}

}  // namespace

bool OpenSharedStatus(SharedMapping& mapping, const char* name) {
    const int fd = shm_open(PosixName(name).c_str(), O_RDWR, 0);
    if (fd < 0) return false;
    return MapWhole(mapping, fd, true);
}

bool OpenSharedStatusReadOnly(SharedMapping& mapping, const char* name) {
    const int fd = shm_open(PosixName(name).c_str(), O_RDONLY, 0);
    if (fd < 0) return false;
    return MapWhole(mapping, fd, false);
}

std::string SystemRecordName(const char* name) { return PosixName(name); }

RecordState CheckSharedStatus(const SharedMapping& mapping, const char* name, bool lookAtName) {
    if (mapping.record == nullptr) return RecordState::Lost;
    const GuardedView* guard = GuardOf(mapping.record);
    if (guard != nullptr && guard->lost.load()) return RecordState::Lost;
    struct stat info {};
    if (fstat(static_cast<int>(mapping.handle), &info) != 0 || info.st_size < static_cast<off_t>(kSharedStatusSize)) {
        return RecordState::Lost;
    }
    if (!lookAtName) return RecordState::Sound;
    const int fd = shm_open(PosixName(name).c_str(), O_RDONLY, 0);
    if (fd < 0) return errno == ENOENT ? RecordState::Removed : RecordState::Sound;
    struct stat named {};
    const bool other = fstat(fd, &named) == 0 && Identity(named) != mapping.identity;
    close(fd);
    return other ? RecordState::Replaced : RecordState::Sound;
}

void UnmapSharedStatus(SharedMapping& mapping) {
    if (mapping.record != nullptr) {
        UnguardView(mapping.record);
        munmap(mapping.record, mapping.size);
    }
    mapping.record = nullptr;
    mapping.size = 0;
}

void CloseSharedStatus(SharedMapping& mapping) {
    UnmapSharedStatus(mapping);
    if (mapping.handle >= 0) close(static_cast<int>(mapping.handle));
    mapping.handle = -1;
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
