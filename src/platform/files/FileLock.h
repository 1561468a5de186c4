#pragma once

#include <QString>

// Stations sharing a data folder tell each other "this is in use" by holding a lock on a small
// file. The lock is an open-file-description lock: it belongs to the open file, not to the
// process, so it conflicts also with another open of the same file inside this program, it goes
// away by itself when the holder ends however it ends, and it works on local disks and NFS.
// Locks never wait: a refused lock is an answer, not a reason to block the window.
class TFileLock {
public:
    TFileLock() = default;
    ~TFileLock() { Release(); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    TFileLock(TFileLock&& other) noexcept;
    TFileLock& operator=(TFileLock&& other) noexcept;

    // Why the last Open failed: someone holds a conflicting lock, or the file could not be opened
    // (or made) at all, which no amount of waiting for the holder mends.
    enum class TFailure { None, InUse, CannotOpen };

    // Opens the file and takes the lock: exclusive (no one else may hold any lock on it) or shared
    // (others may hold shared locks too). With `create` a missing file is made. False when the
    // file cannot be opened or someone holds a conflicting lock (Failure says which); a lock held
    // before is released first. The lock is granted only on the file that stands at the path once
    // it is taken, never on one that was deleted or replaced meanwhile.
    bool Open(const QString& path, bool exclusive, bool create);
    TFailure Failure() const { return failure_; }
    bool IsHeld() const { return fd_ >= 0; }
    // Deletes the held file while still holding it, then lets go. Only a holder may delete a lock
    // file: whoever else deleted it could take it from under its holder. False when the file
    // could not be deleted (the lock is let go all the same).
    bool RemoveAndRelease();
    const QString& Path() const { return path_; }
    // Closes the file, which gives the lock up. The file itself stays.
    void Release();

private:
    int fd_ = -1;
    QString path_;
    TFailure failure_ = TFailure::None;
};

// True when no one holds any lock on the file (or it does not exist): an exclusive lock could be
// taken now. A lock file left behind by a station that ended is free in this sense.
bool TestFileLockFree(const QString& path);

// A presence file says "a connection to this database is open here": every open connection holds
// it with a shared lock, so any number of them coexist, and a station that needs the database to
// itself probes whether an exclusive lock could be taken. Its own connection must be closed first,
// since its own shared lock counts as a presence too.
class TPresenceFile {
public:
    // Creates the file when missing and holds it shared; false when it cannot be opened or someone
    // holds it exclusively.
    bool Open(const QString& path) { return lock_.Open(path, false, true); }
    void Close() { lock_.Release(); }
    bool IsOpen() const { return lock_.IsHeld(); }
    TFileLock::TFailure Failure() const { return lock_.Failure(); }

    // True when anyone (another station or another connection of this one) is present.
    static bool InUse(const QString& path) { return !TestFileLockFree(path); }

private:
    TFileLock lock_;
};
