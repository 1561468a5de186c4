#include "platform/files/FileSwap.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "platform/files/FileUtils.h"

std::function<void()> TFileSwap::BeforeStep;

namespace {

const char* const kDirectionKey = "direction";
const char* const kFinish = "finish";
const char* const kUndo = "undo";
const char* const kFilesKey = "files";
const char* const kTargetKey = "target";
const char* const kExistedKey = "existed";
// A rollback journal beside a replaced database belongs to the file that was there before; the
// engine would play it back into the new one.
const char* const kDatabaseJournalSuffix = "-journal";

QString Fresh(const QString& target) { return target + kSwapFreshSuffix; }
QString Kept(const QString& target) { return target + kSwapKeptSuffix; }

// Flushes a file or a folder to the disk. A rename is durable only once its folder is flushed.
bool SyncToDisk(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// A new file is written under a temporary name of its own before it takes the fresh one, so
// anything that carries the fresh suffix inside its name is a leftover too.
QString FreshMask() { return "*" + QString::fromLatin1(kSwapFreshSuffix) + "*"; }
QString KeptMask() { return "*" + QString::fromLatin1(kSwapKeptSuffix); }

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// One step for the file system: the name stands for the old file or for the new one, never for
// none, and a file already there is replaced.
bool RenameOver(const QString& from, const QString& to) {
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Every target named once, with what the swap knew of it before its first rename.
struct TJournalEntry {
    QString target;
    bool existed = false;
};

struct TJournal {
    bool finish = true;
    std::vector<TJournalEntry> entries;
};

QString RelativeToJournal(const QString& journal, const QString& target) {
    const QString folder = IncludeTrailingPathDelimiter(FolderOf(journal));
    const QString absolute = QFileInfo(target).absoluteFilePath();
    return absolute.startsWith(folder) ? absolute.mid(folder.size()) : absolute;
}

QString FromJournal(const QString& journal, const QString& stored) {
    return QDir::isAbsolutePath(stored) ? stored : IncludeTrailingPathDelimiter(FolderOf(journal)) + stored;
}

// False when the journal is missing or unreadable.
bool ReadJournal(const QString& path, TJournal& journal) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return false;
    const QJsonObject root = document.object();
    journal.finish = root.value(kDirectionKey).toString() != QLatin1String(kUndo);
    for (const QJsonValue& value : root.value(kFilesKey).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString target = entry.value(kTargetKey).toString();
        if (target.isEmpty()) return false;
        journal.entries.push_back({FromJournal(path, target), entry.value(kExistedKey).toBool()});
    }
    return true;
}

// Each function below may run again on a file it has already handled (a crash during recovery is
// recovered by the next start), so each looks at what stands before it moves anything.
bool FinishEntry(const TJournalEntry& entry) {
    const QString fresh = Fresh(entry.target);
    if (!QFileInfo::exists(fresh)) return true;  // already in place
    const QString kept = Kept(entry.target);
    if (entry.existed && QFileInfo::exists(entry.target) && !QFileInfo(kept).isFile() &&
        !RenameOver(entry.target, kept))
        return false;
    return RenameOver(fresh, entry.target);
}

bool UndoEntry(const TJournalEntry& entry) {
    const QString kept = Kept(entry.target);
    if (entry.existed) {
        if (QFileInfo(kept).isFile() && !RenameOver(kept, entry.target)) return false;
    } else if (!QFileInfo::exists(Fresh(entry.target))) {
        // Placed where no file stood: the way back is no file.
        QFile::remove(entry.target);
    }
    QFile::remove(Fresh(entry.target));
    return true;
}

void SyncFolders(const std::vector<TJournalEntry>& entries) {
    QSet<QString> folders;
    for (const TJournalEntry& entry : entries) folders.insert(FolderOf(entry.target));
    for (const QString& folder : folders) SyncToDisk(folder);
}

}  // namespace

void TFileSwap::Step() const {
    if (BeforeStep) BeforeStep();
}

bool TFileSwap::WriteJournal(bool finish) const {
    QJsonArray files;
    for (const TFile& file : files_)
        files.append(
            QJsonObject{{kTargetKey, RelativeToJournal(journal_, file.target)}, {kExistedKey, file.existed}});
    const QJsonObject root{{kDirectionKey, finish ? kFinish : kUndo}, {kFilesKey, files}};
    return WriteFileDurably(journal_, QJsonDocument(root).toJson(QJsonDocument::Compact));
}

bool TFileSwap::Run(QString& failed) {
    std::vector<TJournalEntry> entries;
    for (TFile& file : files_) {
        // What an earlier swap left here is no one's data any more: the journal of that swap, had
        // there been one, was recovered at the start.
        QFile::remove(Kept(file.target));
        QFile::remove(Fresh(file.target));
        if (!CopyFileKeepDate(file.source, Fresh(file.target)) || !SyncToDisk(Fresh(file.target))) {
            failed = file.target;
            Discard();
            return false;
        }
        file.existed = QFileInfo::exists(file.target);
        entries.push_back({file.target, file.existed});
    }
    SyncFolders(entries);

    Step();
    if (!WriteJournal(true)) {
        failed = journal_;
        Discard();
        return false;
    }
    for (const TFile& file : files_) {
        if (file.existed) {
            Step();
            if (!RenameOver(file.target, Kept(file.target))) {
                Abandon(failed, file.target);
                return false;
            }
        }
        Step();
        if (!RenameOver(Fresh(file.target), file.target)) {
            Abandon(failed, file.target);
            return false;
        }
    }
    SyncFolders(entries);
    for (const TFile& file : files_) {
        QFile::remove(file.target + kDatabaseJournalSuffix);
        if (!file.existed) continue;
        Step();
        QFile::remove(Kept(file.target));
    }
    Step();
    QFile::remove(journal_);
    SyncToDisk(FolderOf(journal_));
    return true;
}

void TFileSwap::Abandon(QString& failed, const QString& target) {
    failed = target;
    // Turned round first: a crash from here on is undone by the next start, not finished.
    Step();
    WriteJournal(false);
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
        Step();
        UndoEntry({file->target, file->existed});
    }
    Step();
    QFile::remove(journal_);
    SyncToDisk(FolderOf(journal_));
}

void TFileSwap::Discard() const {
    for (const TFile& file : files_) QFile::remove(Fresh(file.target));
}

TSwapRecovery RecoverFileSwap(const QString& journalPath, QStringList* done) {
    if (!QFileInfo::exists(journalPath)) return TSwapRecovery::None;
    TJournal journal;
    if (!ReadJournal(journalPath, journal)) {
        // Written aside and renamed into place, a journal is never torn; one that cannot be read
        // was not written by a swap. What a swap left is cleaned without it.
        QFile::remove(journalPath);
        return TSwapRecovery::None;
    }
    for (const TJournalEntry& entry : journal.entries) {
        if (!(journal.finish ? FinishEntry(entry) : UndoEntry(entry))) return TSwapRecovery::Failed;
        if (done) done->append(QDir::toNativeSeparators(entry.target));
    }
    SyncFolders(journal.entries);
    if (journal.finish) {
        for (const TJournalEntry& entry : journal.entries) {
            QFile::remove(entry.target + kDatabaseJournalSuffix);
            QFile::remove(Kept(entry.target));
        }
    }
    QFile::remove(journalPath);
    SyncToDisk(FolderOf(journalPath));
    return journal.finish ? TSwapRecovery::Finished : TSwapRecovery::Undone;
}

bool HasFileSwapLeftovers(const QString& folder) {
    return !QDir(folder).entryList({FreshMask(), KeptMask()}, QDir::Files | QDir::Hidden).isEmpty();
}

QStringList RemoveFileSwapLeftovers(const QString& folder) {
    QStringList handled;
    const QDir dir(folder);
    const QString kept = QString::fromLatin1(kSwapKeptSuffix);
    for (const QString& name : dir.entryList({FreshMask()}, QDir::Files | QDir::Hidden)) {
        if (QFile::remove(dir.filePath(name))) handled.append(name);
    }
    for (const QString& name : dir.entryList({KeptMask()}, QDir::Files | QDir::Hidden)) {
        const QString path = dir.filePath(name);
        const QString target = path.left(path.size() - kept.size());
        const bool done = QFileInfo::exists(target) ? QFile::remove(path) : RenameOver(path, target);
        if (done) handled.append(name);
    }
    return handled;
}

bool WriteFileDurably(const QString& path, const QByteArray& content) {
    const QString aside = Fresh(path);
    QFile::remove(aside);
    {
        QFile file(aside);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.flush() ||
            ::fsync(file.handle()) != 0) {
            file.close();
            QFile::remove(aside);
            return false;
        }
    }
    if (!RenameOver(aside, path)) {
        QFile::remove(aside);
        return false;
    }
    return SyncToDisk(FolderOf(path));
}
