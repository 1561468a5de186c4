#pragma once

#include <QString>
#include <array>

#include "platform/files/FileLock.h"
#include "platform/text/OleDate.h"

// Stations that share a data folder coordinate through small files in LockFolder: a lock file for
// every record open in a card, and a change stamp for each of the three big tables.

// --- record locks

// "~<firm>~<table>~<id>.lck" in LockFolder, for a record of the open firm's database.
QString RecordLockPath(const QString& table, int id);
// "~Global~<table>~<id>.lck", for records of the main database (and the import definitions).
QString GlobalRecordLockPath(const QString& table, int id);

// True when someone else holds the record's lock. A file that nobody holds is stale and is
// deleted (answer false), which is also how a holder releases its lock once it has let go.
bool TestRecordLock(const QString& path);

// Makes the empty lock file, replacing a stale one. False, after telling the user, when it
// cannot be made or someone else holds it.
bool CreateRecordLock(const QString& path);

// A record lock held for the life of a card: made and locked in one step, so two stations opening
// the same record in the same instant cannot both get it, and released on every way out.
class TRecordLock {
public:
    TRecordLock() = default;
    ~TRecordLock() { Release(); }
    TRecordLock(const TRecordLock&) = delete;
    TRecordLock& operator=(const TRecordLock&) = delete;

    enum TResult {
        Taken,   // the record is ours to edit
        InUse,   // someone else edits it: view it read-only
        Failed,  // the lock file could not be made; the user has been told
    };
    TResult Take(const QString& path);
    bool Held() const { return lock_.IsHeld(); }
    // Lets go and deletes the file. Harmless when nothing is held.
    void Release();

private:
    TFileLock lock_;
    QString path_;
};

// --- change stamps

// The tables whose changes are stamped, by stamp index.
inline constexpr int kStampedTableCount = 3;
// 0 for "Adresar", 1 for "Zasoby", 2 for "Skupiny" (in any letter case); -1 for other tables.
int ChangeStampIndex(const QString& table);
// LockFolder + "01"/"02"/"03" + CurrentFirm + ".tsf"; empty for a table without a stamp.
QString ChangeStampPath(const QString& table);

// While set, writing a stamp does nothing (bulk runs stamp their tables themselves).
extern bool ChangeStampsSuspended;
// Per stamped table: the stamp this station last read or wrote.
extern std::array<TDateTime, kStampedTableCount> LastSeenStamp;

enum TStampOp { tsWrite = 1, tsRead = 2, tsDelete = 3 };
// Write: stamps the table with the current local time. Read: the table's stamp; a missing file is
// made with the current time, and a file that cannot be read or has the wrong size reads as now.
// Delete: removes the three stamp files of the open firm. File errors are never reported.
TDateTime TableChangeStamp(TStampOp op, const QString& tableName);

// Reads the table's stamp and answers whether it differs from the one this station last saw,
// remembering it. A stamp that went back in time (another station's clock) counts as a change.
bool ChangeStampDiffers(const QString& tableName);

// The table that a data-changing statement touched: the word after "INSERT INTO", "UPDATE" or
// "DELETE FROM"; empty for any other statement.
QString ChangedTableOfStatement(const QString& sql);
// What the firm connection runs after every statement it executed.
void StampChangedTable(const QString& sql);

class TADOConnection;
// Hangs the change stamps on the firm connection: every INSERT, UPDATE or DELETE it runs stamps
// its table. The main and import connections stamp nothing.
void HookChangeStamps(TADOConnection& firmConnection);
