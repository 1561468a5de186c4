#include <gtest/gtest.h>

#include <QFile>
#include <functional>

#include "common/FilePermissions.h"
#include "common/LockHolder.h"
#include "common/TempDir.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"

namespace {

class PresenceTest : public TempDirTest {
protected:
    QString db, ldb;
    int waits = 0;  // how often Open waited for a probe to end
    void SetUp() override {
        db = PathOf("Global.MDB");
        ldb = PathOf("Global.ldb");
        TADOConnection::CreateDatabase(db);
        savedWait_ = TADOConnection::PresenceRetryWait;
        TADOConnection::PresenceRetryWait = [this] { ++waits; };
    }
    void TearDown() override { TADOConnection::PresenceRetryWait = savedWait_; }

private:
    std::function<void()> savedWait_;
};

TEST_F(PresenceTest, OpenConnectionsArePresent) {
    EXPECT_EQ(PresenceFileOf(db), ldb);
    EXPECT_FALSE(ProbePresence(ldb));  // no file at all
    TADOConnection a, b;
    a.Open(db);
    EXPECT_EQ(a.PresenceFileName(), ldb);
    EXPECT_TRUE(QFile::exists(ldb));
    b.Open(db);  // presences are shared: any number of connections coexist
    a.Close();
    EXPECT_TRUE(ProbePresence(ldb));  // the other connection of this program counts
    EXPECT_TRUE(QFile::exists(ldb));
    b.Close();
    EXPECT_FALSE(ProbePresence(ldb));
    EXPECT_FALSE(QFile::exists(ldb));
    a.Open(db);  // and after a probe the database opens as before
    EXPECT_TRUE(QFile::exists(ldb));
}

TEST_F(PresenceTest, AnotherStationIsSeenUntilItGoes) {
    TADOConnection own;
    own.Open(db);
    LockHolder station(ldb, false);
    ASSERT_TRUE(station.Start());
    own.Close();
    EXPECT_TRUE(ProbePresence(ldb));
    EXPECT_TRUE(QFile::exists(ldb));
    station.Kill();  // a station that crashed leaves its file behind, unheld
    EXPECT_TRUE(QFile::exists(ldb));
    EXPECT_FALSE(ProbePresence(ldb));
    EXPECT_FALSE(QFile::exists(ldb));
}

TEST_F(PresenceTest, ConnectionWaitsOutAProbe) {
    // A station holding the file exclusively (as a probe does for a moment) keeps us out;
    // the database stays usable once it lets go.
    QFile(ldb).open(QIODevice::WriteOnly);
    LockHolder prober(ldb, true);
    ASSERT_TRUE(prober.Start());
    TADOConnection con;
    try {
        con.Open(db);
        ADD_FAILURE() << "opened while the file was held exclusively";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("already in use")) << e.Message().toStdString();
    }
    EXPECT_FALSE(con.Connected());
    EXPECT_EQ(waits, 49) << "it waits between its tries, not after the last";
    prober.Stop();
    waits = 0;
    con.Open(db);
    EXPECT_TRUE(con.Connected());
    EXPECT_EQ(waits, 0);
}

// A folder where the presence file cannot even be made is no station holding it: waiting would
// only delay the wrong message.
TEST_F(PresenceTest, FolderThatCannotBeWrittenIsReportedAtOnce) {
    ASSERT_TRUE(QFile::setPermissions(tempDir_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    TADOConnection con;
    {
        TFilePermissionsApply asUser;
        try {
            con.Open(db);
            ADD_FAILURE() << "opened without its presence file";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().contains("cannot be written")) << e.Message().toStdString();
            EXPECT_FALSE(e.Message().contains("in use")) << e.Message().toStdString();
        }
    }
    QFile::setPermissions(tempDir_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(con.Connected());
    EXPECT_EQ(waits, 0);
    EXPECT_FALSE(QFile::exists(ldb));
}

}  // namespace
