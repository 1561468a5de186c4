#include "platform/db/Presence.h"

#include <QFile>

#include "platform/files/FileLock.h"
#include "platform/files/FileUtils.h"

QString PresenceFileOf(const QString& databasePath) {
    return ChangeFileExt(databasePath, QStringLiteral(".ldb"));
}

bool ProbePresence(const QString& presencePath) {
    if (!FileExists(presencePath)) return false;
    TFileLock probe;
    if (!probe.Open(presencePath, true, false)) return FileExists(presencePath);
    // Deleted while the exclusive lock is held, so no connection can slip in on this file
    // in between; one that opened it just before finds it gone and makes a new one.
    probe.RemoveAndRelease();
    return FileExists(presencePath);
}
