#include "platform/files/FileLock.h"

#include <fcntl.h>
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
    const int createFlag = create ? O_CREAT : 0;
    int fd = OpenFile(path, O_RDWR | createFlag);
    // A shared lock needs only read access, so a read-only lock file still serves it.
    if (fd < 0 && !exclusive && errno == EACCES) fd = OpenFile(path, O_RDONLY);
    if (fd < 0) return false;
    struct flock fl = WholeFile(exclusive ? F_WRLCK : F_RDLCK);
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &fl);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void TFileLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
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
