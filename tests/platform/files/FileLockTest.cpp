#include <gtest/gtest.h>

#include <QFile>

#include "common/LockHolder.h"
#include "common/TempDir.h"
#include "platform/files/FileLock.h"

class FileLockTest : public TempDirTest {};

TEST_F(FileLockTest, LockOfAnotherProcessIsSeenAsInUse) {
    const QString path = PathOf("~Firma~Adresar~7.lck");
    LockHolder other(path, true);
    ASSERT_TRUE(other.Start());
    EXPECT_FALSE(TestFileLockFree(path));
    TFileLock mine;
    EXPECT_FALSE(mine.Open(path, true, true));
    EXPECT_FALSE(mine.Open(path, false, true));
    EXPECT_FALSE(mine.IsHeld());
    other.Stop();
    EXPECT_TRUE(TestFileLockFree(path));
    EXPECT_TRUE(mine.Open(path, true, false));
}

TEST_F(FileLockTest, LeftOverFileOfACrashedHolderIsFreeAndCanBeDeleted) {
    const QString path = PathOf("~Global~Poznamky~3.lck");
    LockHolder crashed(path, true);
    ASSERT_TRUE(crashed.Start());
    crashed.Kill();
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_TRUE(TestFileLockFree(path));
    EXPECT_TRUE(QFile::remove(path));
    EXPECT_TRUE(TestFileLockFree(path));  // missing is free too
}

TEST_F(FileLockTest, SharedHoldersCoexistAndBlockTheExclusiveProbe) {
    const QString path = PathOf("Global.ldb");
    LockHolder first(path, false), second(path, false);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(TPresenceFile::InUse(path));
    TPresenceFile mine;
    EXPECT_TRUE(mine.Open(path));
    first.Stop();
    second.Stop();
    // Our own connection still counts until it is closed.
    EXPECT_TRUE(TPresenceFile::InUse(path));
    mine.Close();
    EXPECT_FALSE(TPresenceFile::InUse(path));
    // A station that holds the file exclusively keeps new connections out.
    LockHolder alone(path, true);
    ASSERT_TRUE(alone.Start());
    EXPECT_FALSE(mine.Open(path));
}

TEST_F(FileLockTest, LocksInsideOneProgramConflictAndEndWithTheirObject) {
    const QString path = PathOf("rec.lck");
    {
        TFileLock a;
        ASSERT_TRUE(a.Open(path, true, true));
        EXPECT_EQ(a.Path(), path);
        TFileLock b;
        EXPECT_FALSE(b.Open(path, true, false));
        EXPECT_FALSE(TestFileLockFree(path));
        TFileLock moved = std::move(a);
        EXPECT_FALSE(a.IsHeld());
        EXPECT_TRUE(moved.IsHeld());
        EXPECT_FALSE(TestFileLockFree(path));
    }
    EXPECT_TRUE(TestFileLockFree(path));
    TFileLock c;
    EXPECT_FALSE(c.Open(PathOf("missing.lck"), true, false));
    EXPECT_FALSE(c.Open(PathOf("no/such/folder.lck"), true, true));
    EXPECT_FALSE(QFile::exists(PathOf("missing.lck")));
    // A refused holder reports it and does not hang.
    TFileLock d;
    ASSERT_TRUE(d.Open(path, true, true));
    LockHolder refused(path, false);
    EXPECT_FALSE(refused.Start());
}
