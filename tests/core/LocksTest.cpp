#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>

#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/DataFolder.h"
#include "core/FirmFolderTest.h"
#include "core/Locks.h"
#include "platform/db/ADOConnection.h"

namespace {

class LocksTest : public FirmFolderTest {
protected:
    static void Touch(const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(LocksTest, LockPaths) {
    EXPECT_EQ(RecordLockPath("NabSablony", 17), LockFolder + "~FIRMA~NabSablony~17.lck");
    EXPECT_EQ(GlobalRecordLockPath("Poznamky", 3), LockFolder + "~Global~Poznamky~3.lck");
    EXPECT_EQ(ChangeStampPath("adresar"), LockFolder + "01FIRMA.tsf");
    EXPECT_EQ(ChangeStampPath("Zasoby"), LockFolder + "02FIRMA.tsf");
    EXPECT_EQ(ChangeStampPath("SKUPINY"), LockFolder + "03FIRMA.tsf");
    EXPECT_EQ(ChangeStampPath("Nabidky"), QString());
}

TEST_F(LocksTest, TestRecordLockAgainstAnotherStation) {
    const QString path = RecordLockPath("Adresar", 1);
    EXPECT_FALSE(TestRecordLock(path)) << "missing file";

    Touch(path);
    EXPECT_FALSE(TestRecordLock(path)) << "stale file";
    EXPECT_FALSE(QFile::exists(path)) << "a stale file is removed";

    Touch(path);
    LockHolder other(path, true);
    ASSERT_TRUE(other.Start());
    EXPECT_TRUE(TestRecordLock(path));
    EXPECT_TRUE(QFile::exists(path));

    // The station that crashed leaves its file behind; it no longer counts.
    other.Kill();
    EXPECT_FALSE(TestRecordLock(path));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(LocksTest, CreateRecordLockReplacesStaleAndRefusesHeldFile) {
    const QString path = RecordLockPath("Zasoby", 5);
    Touch(path);
    EXPECT_TRUE(CreateRecordLock(path));
    EXPECT_TRUE(QFile::exists(path));

    LockHolder other(path, true);
    ASSERT_TRUE(other.Start());
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8("Nelze vytvořit pomocný soubor ") + path);
    EXPECT_FALSE(CreateRecordLock(path));
}

TEST_F(LocksTest, HeldRecordLockIsSeenByOthersAndReleasedOnEveryWayOut) {
    const QString path = RecordLockPath("Nabidky", 9);
    {
        TRecordLock lock;
        ASSERT_EQ(lock.Take(path), TRecordLock::Taken);
        // A second card, here or on another station, sees the record in use.
        TRecordLock second;
        EXPECT_EQ(second.Take(path), TRecordLock::InUse);
        second.Release();
        EXPECT_TRUE(QFile::exists(path)) << "a read-only card leaves the holder's file alone";
        EXPECT_TRUE(TestRecordLock(path));
    }
    EXPECT_FALSE(QFile::exists(path));

    // Once the first station let go, the next opening takes the lock.
    LockHolder other(path, true);
    ASSERT_TRUE(other.Start());
    TRecordLock lock;
    EXPECT_EQ(lock.Take(path), TRecordLock::InUse);
    other.Stop();
    EXPECT_EQ(lock.Take(path), TRecordLock::Taken);
}

TEST_F(LocksTest, LockFileThatCannotBeMadeFailsWithMessage) {
    LockFolder = Folder() + "missing/";
    const QString path = RecordLockPath("Adresar", 2);
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8("Nelze vytvořit pomocný soubor ") + path);
    TRecordLock lock;
    EXPECT_EQ(lock.Take(path), TRecordLock::Failed);
    EXPECT_FALSE(lock.Held());
}

// --- two stations opening one card at random moments

// What one station saw while it opened and closed the same card over and over.
struct RaceTally {
    int taken = 0;
    int inUse = 0;
    int overlaps = 0;  // rounds in which another station held the card at the same time
};

// Every holder claims a marker file that only one can have at a time: a station that finds it
// claimed while holding the lock itself has caught two holders of one record. Between rounds
// the station also tests the lock from outside, as a list does before deleting the record,
// which is what deletes stale files while others are busy with them.
RaceTally RunRaceStation(const QString& lockPath, int rounds) {
    const QByteArray marker = QFile::encodeName(lockPath + ".holder");
    RaceTally tally;
    for (int round = 0; round < rounds; ++round) {
        TRecordLock lock;
        switch (lock.Take(lockPath)) {
            case TRecordLock::Taken: {
                ++tally.taken;
                const int fd = ::open(marker.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
                if (fd < 0) {
                    ++tally.overlaps;
                    break;
                }
                ::close(fd);
                sched_yield();  // hold it a little, so the other station gets its chance
                ::unlink(marker.constData());
                break;
            }
            case TRecordLock::InUse:
                ++tally.inUse;
                break;
            case TRecordLock::Failed:
                ADD_FAILURE() << "the lock file could not be made in round " << round;
                return tally;
        }
        lock.Release();
        if (round % 3 == 0) TestRecordLock(lockPath);
    }
    return tally;
}

constexpr const char* kRaceEnv = "VN_LOCK_RACE";
constexpr int kRaceRounds = 3000;

// The other station of the race below: this same test program, started with this one test
// selected and the lock path in the environment. Run directly it has nothing to do.
TEST(LocksRaceStation, OtherStation) {
    const QString lockPath = qEnvironmentVariable(kRaceEnv);
    if (lockPath.isEmpty()) GTEST_SKIP() << "runs only as the second station of the lock race";
    const RaceTally tally = RunRaceStation(lockPath, kRaceRounds);
    std::printf("tally %d %d %d\n", tally.taken, tally.inUse, tally.overlaps);
    std::fflush(stdout);
    EXPECT_EQ(tally.overlaps, 0);
}

TEST_F(LocksTest, TwoStationsNeverHoldOneRecordAtOnce) {
    const QString path = RecordLockPath("Adresar", 77);
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kRaceEnv, path);
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=LocksRaceStation.OtherStation"});
    ASSERT_TRUE(other.waitForStarted(10000));
    // A card that finds the record busy opens read-only and says so; the race must never end in
    // "the lock file cannot be made" (the scripted dialogs fail the test on any message).
    const RaceTally mine = RunRaceStation(path, kRaceRounds);
    ASSERT_TRUE(other.waitForFinished(120000));
    const QString output = QString::fromUtf8(other.readAllStandardOutput());
    EXPECT_EQ(other.exitCode(), 0) << output.toStdString();
    const qsizetype at = output.indexOf("tally ");
    ASSERT_GE(at, 0) << output.toStdString();
    const QStringList theirs = output.mid(at + 6).section(u'\n', 0, 0).split(u' ');
    ASSERT_EQ(theirs.size(), 3);

    EXPECT_EQ(mine.overlaps, 0);
    EXPECT_EQ(theirs[2].toInt(), 0);
    EXPECT_EQ(mine.taken + mine.inUse, kRaceRounds);
    EXPECT_GT(mine.taken + theirs[0].toInt(), 0);
    EXPECT_FALSE(QFile::exists(path)) << "the last holder deletes its file";
}

TEST_F(LocksTest, StampFileIsLittleEndianOleDate) {
    const QString path = ChangeStampPath("Zasoby");
    const QByteArray expected("\x00\x00\x00\x00\x90\x25\xE6\x40", 8);
    // 2024-03-05 12:00 as the file holds it.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(expected);
    file.close();
    EXPECT_EQ(TableChangeStamp(tsRead, "zasoby"), DateTimeToOle(QDate(2024, 3, 5), QTime(12, 0)));

    const TDateTime before = Now();
    TableChangeStamp(tsWrite, "ZASOBY");
    const QByteArray written = Bytes(path);
    ASSERT_EQ(written.size(), 8);
    const TDateTime stamp = TableChangeStamp(tsRead, "Zasoby");
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, Now());
    EXPECT_EQ(LastSeenStamp[1], stamp);
}

TEST_F(LocksTest, StampReadOfMissingOrDamagedFileIsNow) {
    const QString path = ChangeStampPath("Adresar");
    const TDateTime before = Now();
    const TDateTime created = TableChangeStamp(tsRead, "Adresar");
    EXPECT_GE(created, before);
    EXPECT_EQ(Bytes(path).size(), 8) << "a missing stamp is created";
    EXPECT_EQ(TableChangeStamp(tsRead, "Adresar"), created);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1234567");
    file.close();
    const TDateTime damaged = TableChangeStamp(tsRead, "Adresar");
    EXPECT_GE(damaged, created);
    EXPECT_EQ(Bytes(path), "1234567") << "a damaged stamp is not rewritten by a read";

    TableChangeStamp(tsDelete, "");
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(LocksTest, StatementsStampTheirTable) {
    struct Case {
        const char* sql;
        const char* table;  // as taken from the statement
        int stamp;          // which stamp file is written, -1 none
    };
    const Case kCases[] = {
        {"insert into zasoby (Popis) VALUES (:Popis)", "zasoby", 1},
        {"INSERT INTO Adresar(Nazev) VALUES ('x')", "Adresar", 0},
        {"UPDATE Nabidky SET Zamek = 1 WHERE ID = 3", "Nabidky", -1},
        {"DELETE FROM Zasoby WHERE ID = 7", "Zasoby", 1},
        {"UPDATE Skupiny SET Nazev = :Nazev", "Skupiny", 2},
        {"  UPDATE [Skupiny] SET Kod = ''", "Skupiny", 2},
        // A statement that ends with the table name still changed it.
        {"DELETE FROM Adresar", "Adresar", 0},
        {"SELECT * FROM Zasoby", "", -1},
        {"UPDATEZasoby SET x = 1", "", -1},
        {"", "", -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(ChangedTableOfStatement(c.sql), c.table);
        TableChangeStamp(tsDelete, "");
        StampChangedTable(c.sql);
        for (int i = 0; i < kStampedTableCount; ++i) {
            const QString path = LockFolder + QString("0%1FIRMA.tsf").arg(i + 1);
            EXPECT_EQ(QFile::exists(path), i == c.stamp) << path.toStdString();
        }
    }
}

TEST_F(LocksTest, NothingIsStampedWhileSuspended) {
    const QString path = ChangeStampPath("Zasoby");
    TableChangeStamp(tsWrite, "Zasoby");
    const QByteArray before = Bytes(path);
    const TDateTime seen = LastSeenStamp[1];
    ChangeStampsSuspended = true;
    StampChangedTable("UPDATE Zasoby SET Chyba = 1 WHERE ID = 1");
    TableChangeStamp(tsWrite, "Zasoby");
    ChangeStampsSuspended = false;
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(LastSeenStamp[1], seen);
}

TEST_F(LocksTest, AnyDifferentStampMeansRequery) {
    const QString path = ChangeStampPath("Skupiny");
    auto writeStamp = [&](TDateTime value) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(&value), 8);
    };
    writeStamp(45000.5);
    EXPECT_TRUE(ChangeStampDiffers("Skupiny"));
    EXPECT_FALSE(ChangeStampDiffers("Skupiny"));
    // Another station whose clock is behind ours: an older stamp is still a change.
    writeStamp(44999.0);
    EXPECT_TRUE(ChangeStampDiffers("Skupiny"));
    EXPECT_EQ(LastSeenStamp[2], 44999.0);
}

}  // namespace

namespace {

TEST_F(LocksTest, FirmConnectionStampsWhatItChanges) {
    TADOConnection::CreateDatabase(Folder() + "FIRMA.MDB");
    TADOConnection con;
    con.Open(Folder() + "FIRMA.MDB");
    HookChangeStamps(con);
    con.Execute("CREATE TABLE Zasoby (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Popis STRING(50))");
    EXPECT_FALSE(QFile::exists(ChangeStampPath("Zasoby")));
    con.Execute("insert into zasoby (Popis) VALUES ('a')");
    EXPECT_TRUE(QFile::exists(ChangeStampPath("Zasoby")));
    EXPECT_FALSE(QFile::exists(ChangeStampPath("Adresar")));
    EXPECT_NE(LastSeenStamp[1], 0.0);
}

}  // namespace
