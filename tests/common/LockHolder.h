#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>

// Starts this test program as another station with the arguments and waits until it reports that
// it holds what it was asked to hold.
inline bool StartStation(QProcess& process, const QStringList& arguments) {
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (!process.waitForStarted(10000)) return false;
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning) return false;
        if (!process.waitForReadyRead(10000)) return false;
    }
    return process.readLine().trimmed() == "held";
}

// "Another station" for tests: a second process (this same test program, started with
// --vn-hold-lock) that takes a lock on a file and keeps it until told to let go. Locks of another
// process are what the stations see of each other, so this is the honest way to test them.
class LockHolder {
public:
    LockHolder(const QString& path, bool exclusive) : path_(path), exclusive_(exclusive) {}
    ~LockHolder() { Stop(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Starts the holder and waits until it reports the lock taken; false when it could not take it.
    bool Start() {
        return StartStation(process_, {"--vn-hold-lock", path_, exclusive_ ? "exclusive" : "shared"});
    }

    // Lets go in order: the holder closes its file and ends.
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000)) Kill();
    }

    // Ends the holder as a crash would, without any clean-up of its own.
    void Kill() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QString path_;
    bool exclusive_;
    QProcess process_;
};

// "Another station" in the middle of a long write (an import, a transfer): a second process that
// opens the database, begins a transaction, runs the statement in it and holds the database so
// until told to finish, when it commits.
class StationWriting {
public:
    StationWriting(const QString& database, const QString& sql) : database_(database), sql_(sql) {}
    ~StationWriting() { Finish(); }
    StationWriting(const StationWriting&) = delete;
    StationWriting& operator=(const StationWriting&) = delete;

    // Starts the station and waits until it holds the database; false when it could not.
    bool Start() { return StartStation(process_, {"--vn-hold-write", database_, sql_}); }

    // Lets the station commit and end; true when its write reached the database.
    bool Finish() {
        if (process_.state() == QProcess::NotRunning) return finished_;
        process_.closeWriteChannel();
        finished_ = process_.waitForFinished(30000) && process_.exitStatus() == QProcess::NormalExit &&
                    process_.exitCode() == 0;
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
        return finished_;
    }

private:
    QString database_;
    QString sql_;
    QProcess process_;
    bool finished_ = false;
};
