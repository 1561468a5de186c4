#include <gtest/gtest.h>

#include <QFile>

#include "common/LockHolder.h"
#include "common/TempDir.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"

namespace {

class PresenceTest : public TempDirTest {
protected:
    QString db, ldb;
    void SetUp() override {
        db = PathOf("Global.MDB");
        ldb = PathOf("Global.ldb");
        TADOConnection::CreateDatabase(db);
    }
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
    EXPECT_THROW(con.Open(db), EDatabaseError);
    EXPECT_FALSE(con.Connected());
    prober.Stop();
    con.Open(db);
    EXPECT_TRUE(con.Connected());
}

}  // namespace
