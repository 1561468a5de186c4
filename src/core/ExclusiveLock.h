#pragma once

#include <QString>

// The exclusive-operation lock (`kProgramLockName` in LockFolder) and what it guards. A backup or a
// restore runs alone in the installation: it takes the lock first and only then looks for stations
// that have the main database open, while a starting station makes its presence on the main
// database known first and only then looks at the lock. Whichever of the two comes second sees the
// other, so no station opens the data while a backup copies it or a restore replaces it.
// A restore keeps a journal of the files it exchanges and a backup a note of the archive it writes,
// both in the data folder. A start that finds either left behind by a station that was killed
// finishes the restore and removes the half-written archive and whatever else the operation left,
// before any database is opened. Nothing here asks the user anything.

class TPresenceFile;
class TRecordLock;

// The starting station's side: holds this station's presence on the main database's presence file
// in `presence`, then answers whether another station runs an exclusive operation (the presence
// is let go then).
bool ExclusiveOperationRunning(TPresenceFile& presence, const QString& presenceFile);

enum class TExclusiveAccess {
    Granted,       // the lock is held and no other station has the main database open
    OtherStation,  // another station runs the program; the lock has been let go
    LockInUse,     // another station holds the lock
    LockFailed,    // the lock file could not be made; the user has been told
};
// The side of a backup or a restore, with the station's own connections closed: takes the lock
// into `lock`, then looks for stations present on the main database's presence file.
TExclusiveAccess TakeExclusiveAccess(TRecordLock& lock, const QString& presenceFile);

// The journal of a restore's file exchange, in the data folder.
QString RestoreJournalPath();

// Notes the archive a backup writes for as long as it is being written: a backup killed meanwhile
// leaves the note behind, and the next start removes what was left beside the archive.
class TBackupNote {
public:
    explicit TBackupNote(const QString& archive);
    ~TBackupNote();
    TBackupNote(const TBackupNote&) = delete;
    TBackupNote& operator=(const TBackupNote&) = delete;
};

enum class TRecovery {
    Ready,   // nothing was left, or all of it has been put right
    Busy,    // another station holds the exclusive lock (it is putting things right itself)
    Failed,  // a file could not be put in place; the user has been told
};
// Run at start-up once the station's presence is known and the lock is free: finishes a restore
// and cleans a backup that a killed station left, and removes the files either left beside the
// data, each with a line in the program's log.
TRecovery RecoverInterruptedOperations();

// Writes one line into the program's log (Qt's message log, as an information message).
void LogLine(const QString& line);
