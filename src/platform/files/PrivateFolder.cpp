#include "platform/files/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "platform/files/FileUtils.h"

namespace {

// A base folder is fit when it is a folder of this user that nobody else may write into; the
// session's runtime folder normally is, one pointed elsewhere by a careless setting may not be.
bool FitBase(const QString& base) {
    struct stat st {};
    if (base.isEmpty() || ::stat(QFile::encodeName(base).constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

bool IsOwnPrivateFolder(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(QDir::cleanPath(path)).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString MakePrivateFolder(const QString& prefix, QString* error) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString base = FitBase(runtime) ? runtime : QDir::tempPath();
    // mkdtemp makes a new folder with mode 0700 or fails; it never takes one that is there already.
    QByteArray name = QFile::encodeName(IncludeTrailingPathDelimiter(base) + prefix + "-XXXXXX");
    if (::mkdtemp(name.data()) == nullptr) {
        if (error)
            *error = IncludeTrailingPathDelimiter(base) + " (" +
                     QString::fromLocal8Bit(std::strerror(errno)) + ")";
        return {};
    }
    const QString folder = QFile::decodeName(name);
    if (!IsOwnPrivateFolder(folder)) {
        if (error) *error = folder;
        return {};
    }
    return IncludeTrailingPathDelimiter(folder);
}
