// The exclusive-operation lock against starting stations: a backup and a station that starts at the
// same moment, raced as two processes, never both go on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "common/TempDir.h"
#include "core/DataFolder.h"
#include "core/ExclusiveLock.h"
#include "core/Locks.h"
#include "platform/db/Presence.h"
#include "platform/files/FileLock.h"

namespace {

constexpr const char* kRaceEnv = "VN_EXCLUSIVE_RACE";
constexpr int kRaceRounds = 200;
// What a side's answers begin with, among the lines the test framework writes.
constexpr const char* kAnswer = "race: ";
// Both sides meet at a barrier in a shared file, then each waits a random while of its own (up to
// this many spins), so that either may come first and their steps interleave in every order.
constexpr int kMaxDelay = 20000;
constexpr const char* kBarrierName = "barrier";

void Answer(const char* word) {
    std::printf("%s%s\n", kAnswer, word);
    std::fflush(stdout);
}

void Delay(int spins) {
    volatile int counter = 0;
    while (counter < spins) counter = counter + 1;
}

// Two processes meeting once per round: each counts itself in and waits until the other has too.
// Pipes are too slow for this: the second side to be woken would always come last.
class TBarrier {
public:
    explicit TBarrier(const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return;
        void* memory = ::mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        ::close(fd);
        if (memory != MAP_FAILED) counter_ = static_cast<int*>(memory);
    }
    ~TBarrier() {
        if (counter_) ::munmap(counter_, sizeof(int));
    }
    TBarrier(const TBarrier&) = delete;
    TBarrier& operator=(const TBarrier&) = delete;
    bool Valid() const { return counter_ != nullptr; }
    void Meet(int round) {
        std::atomic_ref<int> counter(*counter_);
        counter.fetch_add(1);
        while (counter.load() < 2 * (round + 1)) sched_yield();
    }

private:
    int* counter_ = nullptr;
};

// Puts the process on the n-th processor it may use, so that the two sides really run at once:
// sharing one processor, one side would always run its steps whole before the other.
void RunOnOwnProcessor(int n) {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2) return;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed) || n-- > 0) continue;
        cpu_set_t own;
        CPU_ZERO(&own);
        CPU_SET(cpu, &own);
        sched_setaffinity(0, sizeof own, &own);
        return;
    }
}

// One side of the race: this same test program, started with this test selected and its role and
// data folder in the environment. For each line "<delay>" it meets the other side, waits, tries to
// go on as its role does, answers "in" or "out", and lets go when the next line comes ("done").
TEST(ExclusiveRaceSide, Run) {
    const QString spec = qEnvironmentVariable(kRaceEnv);
    if (spec.isEmpty()) GTEST_SKIP() << "runs only as one side of the backup and start-up race";
    const bool backup = spec.section(' ', 0, 0) == "backup";
    const QString savedData = DataFolder, savedLock = LockFolder;
    DataFolder = spec.section(' ', 1);
    LockFolder = DataFolder + "LOCK/";
    const QString presenceFile = PresenceFileOf(DataFolder + "Global.MDB");
    RunOnOwnProcessor(backup ? 0 : 1);
    TBarrier barrier(DataFolder + kBarrierName);
    ASSERT_TRUE(barrier.Valid());
    Answer("ready");
    char line[64];
    for (int round = 0; std::fgets(line, sizeof line, stdin); ++round) {
        {
            barrier.Meet(round);
            Delay(std::atoi(line));
            TRecordLock lock;
            TPresenceFile presence;
            const bool in = backup ? TakeExclusiveAccess(lock, presenceFile) == TExclusiveAccess::Granted
                                   : !ExclusiveOperationRunning(presence, presenceFile);
            Answer(in ? "in" : "out");
            if (!std::fgets(line, sizeof line, stdin)) break;
        }
        Answer("done");
    }
    DataFolder = savedData;
    LockFolder = savedLock;
}

class ExclusiveLockTest : public TempDirTest {
protected:
    // A side's next answer (the test framework's own lines skipped); empty when it has ended or said
    // nothing for a long time.
    static QByteArray ReadLine(QProcess& side) {
        for (;;) {
            while (!side.canReadLine())
                if (!side.waitForReadyRead(60000)) return {};
            const QByteArray line = side.readLine().trimmed();
            if (line.startsWith(kAnswer)) return line.mid(int(std::strlen(kAnswer)));
        }
    }
    void StartSide(QProcess& side, const char* role) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kRaceEnv, QString("%1 %2").arg(role, Folder()));
        side.setProcessEnvironment(env);
        side.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ExclusiveRaceSide.Run"});
        ASSERT_TRUE(side.waitForStarted(10000));
        ASSERT_EQ(ReadLine(side), "ready") << side.readAllStandardError().toStdString();
    }
};

}  // namespace

TEST_F(ExclusiveLockTest, BackupAndAStartingStationNeverBothGoOn) {
    QDir().mkpath(Folder() + "LOCK");
    {
        QFile barrier(Folder() + kBarrierName);
        ASSERT_TRUE(barrier.open(QIODevice::WriteOnly));
        barrier.write(QByteArray(sizeof(int), '\0'));
    }
    QProcess backup, station;
    StartSide(backup, "backup");
    StartSide(station, "station");
    std::mt19937 random(20241211);
    std::uniform_int_distribution<int> delay(0, kMaxDelay);
    int both = 0, backupIn = 0, stationIn = 0;
    for (int round = 0; round < kRaceRounds; ++round) {
        backup.write(QByteArray::number(delay(random)) + "\n");
        station.write(QByteArray::number(delay(random)) + "\n");
        // Sent now, not only when the first answer is awaited.
        ASSERT_TRUE(backup.waitForBytesWritten(10000) && station.waitForBytesWritten(10000));
        const QByteArray b = ReadLine(backup), s = ReadLine(station);
        ASSERT_TRUE((b == "in" || b == "out") && (s == "in" || s == "out")) << round;
        backupIn += b == "in";
        stationIn += s == "in";
        both += b == "in" && s == "in";
        backup.write("release\n");
        station.write("release\n");
        ASSERT_EQ(ReadLine(backup), "done");
        ASSERT_EQ(ReadLine(station), "done");
    }
    backup.closeWriteChannel();
    station.closeWriteChannel();
    ASSERT_TRUE(backup.waitForFinished(60000));
    ASSERT_TRUE(station.waitForFinished(60000));
    EXPECT_EQ(backup.exitCode(), 0) << backup.readAllStandardOutput().toStdString();
    EXPECT_EQ(station.exitCode(), 0) << station.readAllStandardOutput().toStdString();

    EXPECT_EQ(both, 0) << "rounds in which a station started while a backup ran " << backupIn << " "
                       << stationIn;
    // Neither side was shut out for good: the race had something to decide.
    EXPECT_GT(backupIn, 0);
    EXPECT_GT(stationIn, 0);
    EXPECT_FALSE(QFile::exists(Folder() + "LOCK/~program.lck")) << "the backup deletes its lock";
}
