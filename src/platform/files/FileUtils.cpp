#include "platform/files/FileUtils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

QString IncludeTrailingPathDelimiter(const QString& path) {
    return path.isEmpty() || path.endsWith('/') ? path : path + '/';
}

QString ExtractFilePath(const QString& path) { return path.left(path.lastIndexOf('/') + 1); }

QString ExtractFileName(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

QString ExtractFileExt(const QString& path) {
    const qsizetype dot = path.lastIndexOf('.');
    return dot > path.lastIndexOf('/') ? path.mid(dot) : QString();
}

QString ChangeFileExt(const QString& path, const QString& ext) {
    const qsizetype dot = path.lastIndexOf('.');
    return (dot > path.lastIndexOf('/') ? path.left(dot) : path) + ext;
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool DirectoryExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

bool ForceDirectories(const QString& path) {
    if (path.isEmpty()) return false;
    return QDir().mkpath(path) && DirectoryExists(path);
}

bool DeleteTree(const QString& path) {
    if (path.isEmpty()) return false;
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(native.constData()) == 0 || errno == ENOENT;
    const QStringList names =
        QDir(QFile::decodeName(native))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) DeleteTree(QFile::decodeName(native) + "/" + name);
    return ::rmdir(native.constData()) == 0 || errno == ENOENT;
}

bool SameFileName(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo ia(a), ib(b);
    const QString ca = ia.exists() ? ia.canonicalFilePath() : QDir::cleanPath(ia.absoluteFilePath());
    const QString cb = ib.exists() ? ib.canonicalFilePath() : QDir::cleanPath(ib.absoluteFilePath());
    return ca == cb;
}

QString FindFileCaseInsensitive(const QString& folder, const QString& name) {
    if (name.isEmpty() || name.contains('/')) return QString();
    const QString base = IncludeTrailingPathDelimiter(folder.isEmpty() ? QString(".") : folder);
    if (QFileInfo::exists(base + name)) return base + name;
    const QStringList entries = QDir(base).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return base + entry;
    return QString();
}

bool CopyFileKeepDate(const QString& source, const QString& target, bool failIfExists) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return false;
    if (failIfExists && QFileInfo::exists(target)) return false;
    if (SameFileName(source, target)) return false;
    // Written beside the target and renamed over it at the end, so a failure leaves no torn copy.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0) break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) return false;
    QFile copied(target);
    if (!copied.open(QIODevice::ReadWrite)) return false;
    return copied.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
}
