#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "reader/reader_board.h"

// The four locks are bytes of the board's file, taken with open-file-description locks: they
// belong to this reader's open of the board, not to the process, and the system drops them
// when the reader ends in any way.
namespace {

constexpr off_t kOwnerByte = 0;
constexpr off_t kGuardByte = 1;
constexpr off_t kPresenceByte = 2;
constexpr off_t kUserByte = 3;  // a share for every reader that has the board open

int Fd(const ReaderBoard& board) { return static_cast<int>(board.handle); }

bool Lock(const ReaderBoard& board, off_t byte, short type, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    for (;;) {
        if (fcntl(Fd(board), wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
        if (errno != EINTR) return false;
    }
}

void Unlock(const ReaderBoard& board, off_t byte) { Lock(board, byte, F_UNLCK, false); }

// Whether `name` still names the object open as `fd`: the last reader may have removed it
// between this reader's open and its share of the user lock.
bool StillNamed(int fd, const std::string& name) {
    const int again = shm_open(name.c_str(), O_RDONLY, 0);
    if (again < 0) return false;
    struct stat mine {};
    struct stat named {};
    const bool same = fstat(fd, &mine) == 0 && fstat(again, &named) == 0 && mine.st_dev == named.st_dev &&
                      mine.st_ino == named.st_ino;
    close(again);
    return same;
}

}  // namespace

bool OpenReaderBoard(ReaderBoard& board, const char* recordName) {
    const std::string name = std::string("/") + recordName + ".readers";
    // A board removed under this open is opened again; a few rounds are more than the readers
    // of one machine can race.
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Only the user whose readers share the record needs it; the record itself is theirs.
        const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0) return false;
        struct stat info {};
        const auto size = static_cast<off_t>(sizeof(ReaderBoardLayout));
        // A new board reads as zeros; one that is already as large keeps its bytes.
        if (fstat(fd, &info) != 0 || (info.st_size < size && ftruncate(fd, size) != 0)) {
            close(fd);
            return false;
        }
        ReaderBoard opened;
        opened.handle = fd;
        // Under the guard, as the last reader removes the board: either this share is taken
        // first and keeps the board, or the name is already gone and this open is let go.
        Lock(opened, kGuardByte, F_WRLCK, true);
        const bool kept = Lock(opened, kUserByte, F_RDLCK, true) && StillNamed(fd, name);
        Unlock(opened, kGuardByte);
        if (!kept) {
            close(fd);
            continue;
        }
        void* view = mmap(nullptr, sizeof(ReaderBoardLayout), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (view == MAP_FAILED) {
            close(fd);
            return false;
        }
        board = ReaderBoard{};
        board.layout = static_cast<ReaderBoardLayout*>(view);
        board.handle = fd;
        board.name = name;
        return true;
    }
    return false;
}

void CloseReaderBoard(ReaderBoard& board) {
    if (board.handle >= 0 && !board.name.empty()) {
        Lock(board, kGuardByte, F_WRLCK, true);
        Unlock(board, kUserByte);
        if (Lock(board, kUserByte, F_WRLCK, false)) shm_unlink(board.name.c_str());
        Unlock(board, kGuardByte);
    }
    if (board.layout != nullptr) munmap(board.layout, sizeof(ReaderBoardLayout));
    if (board.handle >= 0) close(Fd(board));  // drops every lock of this open
    board = ReaderBoard{};
}

bool TryOwnReaderBoard(ReaderBoard& board) {
    if (board.layout == nullptr) return false;
    if (!board.owns) board.owns = Lock(board, kOwnerByte, F_WRLCK, false);
    return board.owns;
}

void ReleaseReaderBoard(ReaderBoard& board) {
    if (board.layout == nullptr || !board.owns) return;
    Unlock(board, kOwnerByte);
    board.owns = false;
}

bool ReaderBoardHasOwner(ReaderBoard& board) {
    if (board.layout == nullptr) return false;
    if (board.owns) return true;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kOwnerByte;
    lock.l_len = 1;
    if (fcntl(Fd(board), F_OFD_GETLK, &lock) != 0) return false;
    return lock.l_type != F_UNLCK;
}

void LockReaderGuard(ReaderBoard& board) {
    if (board.layout != nullptr) Lock(board, kGuardByte, F_WRLCK, true);
}

void UnlockReaderGuard(ReaderBoard& board) {
    if (board.layout != nullptr) Unlock(board, kGuardByte);
}

void JoinReaders(ReaderBoard& board) {
    if (board.layout == nullptr || board.present) return;
    board.present = Lock(board, kPresenceByte, F_RDLCK, true);
}

bool LeaveReadersLast(ReaderBoard& board) {
    if (board.layout == nullptr) return true;
    if (board.present) Unlock(board, kPresenceByte);
    board.present = false;
    // Nobody else holds a share exactly when the whole lock can be had.
    if (!Lock(board, kPresenceByte, F_WRLCK, false)) return false;
    Unlock(board, kPresenceByte);
    return true;
}
