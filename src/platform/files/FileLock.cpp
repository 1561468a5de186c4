#include "platform/files/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <utility>

namespace {

struct flock WholeFile(short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;  // to the end of the file, however long it grows
    fl.l_pid = 0;  // must be zero for open-file-description locks
    return fl;
}

int OpenFile(const QString& path, int flags) {
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// True when the open file is still the one at the path. A station that found the file stale may
// have deleted it between our open and our lock, and someone may have made a new one there: a
// lock on the old file would then guard nothing.
bool StillAtPath(int fd, const QByteArray& path) {
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) != 0 || ::stat(path.constData(), &named) != 0) return false;
    return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Each round that loses the file to a deleting station starts afresh; that happens only while
// another station is busy at this very path, so a few rounds always suffice in practice, and a
// bound keeps a misbehaving peer from trapping us.
constexpr int kReopenRounds = 100;

}  // namespace

TFileLock::TFileLock(TFileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

TFileLock& TFileLock::operator=(TFileLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

bool TFileLock::Open(const QString& path, bool exclusive, bool create) {
    Release();
    const QByteArray native = QFile::encodeName(path);
    const int createFlag = create ? O_CREAT : 0;
    for (int round = 0; round < kReopenRounds; ++round) {
        int fd = OpenFile(path, O_RDWR | createFlag);
        // A shared lock needs only read access, so a read-only lock file still serves it.
        if (fd < 0 && !exclusive && (errno == EACCES || errno == EROFS)) fd = OpenFile(path, O_RDONLY);
        if (fd < 0) {
            failure_ = TFailure::CannotOpen;
            return false;
        }
        struct flock fl = WholeFile(exclusive ? F_WRLCK : F_RDLCK);
        int rc;
        do {
            rc = ::fcntl(fd, F_OFD_SETLK, &fl);
        } while (rc < 0 && errno == EINTR);
        if (rc < 0) {
            const int error = errno;
            ::close(fd);
            failure_ = error == EAGAIN || error == EACCES ? TFailure::InUse : TFailure::CannotOpen;
            return false;
        }
        if (StillAtPath(fd, native)) {
            fd_ = fd;
            path_ = path;
            failure_ = TFailure::None;
            return true;
        }
        ::close(fd);
        if (!create) break;  // the file is gone, and we were not asked to make one
    }
    // Gone without a trace and not to be made, or taken from under us round after round: either
    // way someone else is busy with this file.
    failure_ = create ? TFailure::InUse : TFailure::CannotOpen;
    return false;
}

void TFileLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

bool TFileLock::RemoveAndRelease() {
    if (fd_ < 0) return false;
    // Nobody else deletes the file while we hold it, so the path still names our file here.
    const bool removed = ::unlink(QFile::encodeName(path_).constData()) == 0;
    Release();
    return removed;
}

bool TestFileLockFree(const QString& path) {
    const int fd = OpenFile(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR;
    struct flock fl = WholeFile(F_WRLCK);
    const int rc = ::fcntl(fd, F_OFD_GETLK, &fl);
    ::close(fd);
    // When the kernel cannot say, the file is taken for held: a false "free" would let two
    // stations edit one record.
    return rc == 0 && fl.l_type == F_UNLCK;
}
