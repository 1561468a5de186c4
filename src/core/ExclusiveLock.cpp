#include "core/ExclusiveLock.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/DataFolder.h"
#include "core/Locks.h"
#include "core/Startup.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"
#include "platform/files/FileLock.h"
#include "platform/files/FileSwap.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"

namespace {

const char* const kRestoreJournalName = "~obnova.jrn";
const char* const kBackupNoteName = "~zaloha.jrn";

const char* const kRecoveryFailed =
    "Obnovu dat ze záložní kopie, která byla přerušena, nelze dokončit - soubory v datové složce %1 nelze "
    "přepsat. Zkontrolujte přístupová práva k datové složce a spusťte program znovu.";
const char* const kLogFinished = "Dokončena přerušená obnova ze záložní kopie: %1";
const char* const kLogUndone = "Vrácena přerušená obnova ze záložní kopie: %1";
const char* const kLogHalfArchive = "Odstraněn nedokončený záložní soubor: %1";
const char* const kLogLeftovers = "Odstraněny zbytky přerušené zálohy nebo obnovy v %1: %2";

// A station probing for others holds the presence file exclusively for a moment; a start that
// meets that moment tries again, as a connection does.
constexpr int kPresenceTries = 50;

QString BackupNotePath() { return DataFolder + kBackupNoteName; }

// What the archive library leaves beside an archive it was writing when it was killed: the archive's
// name with a dot and six characters of its own. The archive itself stays: once it has its name it
// is whole.
QStringList HalfWrittenArchives(const QString& archive) {
    const QFileInfo info(archive);
    if (info.fileName().isEmpty()) return {};
    const QDir dir = info.dir();
    QStringList found;
    for (const QString& name : dir.entryList({info.fileName() + ".??????"}, QDir::Files | QDir::Hidden))
        found.append(dir.filePath(name));
    return found;
}

void CleanBackupNote() {
    const QString note = BackupNotePath();
    if (!QFileInfo::exists(note)) return;
    QFile file(note);
    const QString archive = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    file.close();
    for (const QString& half : HalfWrittenArchives(archive))
        if (QFile::remove(half)) LogLine(QString::fromUtf8(kLogHalfArchive).arg(half));
    QFile::remove(note);
}

bool AnythingLeft() {
    return QFileInfo::exists(RestoreJournalPath()) || QFileInfo::exists(BackupNotePath()) ||
           HasFileSwapLeftovers(DataFolder) || HasFileSwapLeftovers(PrintFolder);
}

}  // namespace

void LogLine(const QString& line) { qInfo().noquote() << line; }

bool ExclusiveOperationRunning(TPresenceFile& presence, const QString& presenceFile) {
    for (int attempt = 0; attempt < kPresenceTries && !presence.Open(presenceFile); ++attempt) {
        // A folder where the file cannot be made stays so; the connection says why soon after.
        if (presence.Failure() == TFileLock::TFailure::CannotOpen) break;
        if (attempt + 1 < kPresenceTries) TADOConnection::PresenceRetryWait();
    }
    // Held exclusively on and on: someone keeps probing for stations, which only a backup or a
    // restore does for that long.
    const bool probedOnAndOn = !presence.IsOpen() && presence.Failure() == TFileLock::TFailure::InUse;
    if (probedOnAndOn || TestRecordLock(LockFolder + kProgramLockName)) {
        presence.Close();
        return true;
    }
    return false;
}

TExclusiveAccess TakeExclusiveAccess(TRecordLock& lock, const QString& presenceFile) {
    switch (lock.Take(LockFolder + kProgramLockName)) {
        case TRecordLock::Taken:
            break;
        case TRecordLock::InUse:
            return TExclusiveAccess::LockInUse;
        case TRecordLock::Failed:
            return TExclusiveAccess::LockFailed;
    }
    if (ProbePresence(presenceFile)) {
        lock.Release();
        return TExclusiveAccess::OtherStation;
    }
    return TExclusiveAccess::Granted;
}

QString RestoreJournalPath() { return DataFolder + kRestoreJournalName; }

TBackupNote::TBackupNote(const QString& archive) {
    WriteFileDurably(BackupNotePath(), QDir::cleanPath(QFileInfo(archive).absoluteFilePath()).toUtf8());
}

TBackupNote::~TBackupNote() { QFile::remove(BackupNotePath()); }

TRecovery RecoverInterruptedOperations() {
    if (!AnythingLeft()) return TRecovery::Ready;
    // Two stations starting together must not both put the same files in place.
    TRecordLock exclusive;
    switch (exclusive.Take(LockFolder + kProgramLockName)) {
        case TRecordLock::Taken:
            break;
        case TRecordLock::InUse:
            return TRecovery::Busy;
        case TRecordLock::Failed:
            return TRecovery::Failed;
    }
    QStringList files;
    switch (RecoverFileSwap(RestoreJournalPath(), &files)) {
        case TSwapRecovery::None:
            break;
        case TSwapRecovery::Finished:
            LogLine(QString::fromUtf8(kLogFinished).arg(files.join(", ")));
            break;
        case TSwapRecovery::Undone:
            LogLine(QString::fromUtf8(kLogUndone).arg(files.join(", ")));
            break;
        case TSwapRecovery::Failed:
            ShowError(QString::fromUtf8(kRecoveryFailed).arg(DataFolder));
            return TRecovery::Failed;
    }
    CleanBackupNote();
    for (const QString& folder : {DataFolder, PrintFolder}) {
        const QStringList removed = RemoveFileSwapLeftovers(folder);
        if (!removed.isEmpty()) LogLine(QString::fromUtf8(kLogLeftovers).arg(folder, removed.join(", ")));
    }
    return TRecovery::Ready;
}
