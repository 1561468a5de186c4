#include <gtest/gtest.h>

#include <stdexcept>

#include "common/TempDir.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Transaction.h"

namespace {

class TransactionTest : public TempDirTest {
protected:
    TADOConnection con;

    void SetUp() override {
        TADOConnection::CreateDatabase(PathOf("Firma.MDB"));
        con.Open(PathOf("Firma.MDB"));
        con.Execute("CREATE TABLE Radky (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Nazev STRING(50))");
    }
    void Insert(const QString& name) {
        TParameters params;
        params.AddParameter("N")->Value = name;
        con.Execute("INSERT INTO Radky (Nazev) VALUES (:N)", params);
    }
    QStringList Names() {
        QStringList out;
        auto rs = con.OpenRowset("SELECT Nazev FROM Radky ORDER BY ID");
        for (size_t r = 0; r < rs->RowCount(); ++r) out << rs->Value(r, 0).toString();
        return out;
    }
};

TEST_F(TransactionTest, OnlyACommittedUnitIsStored) {
    {
        TTransaction unit(con);
        Insert("kept");
        unit.Commit();
    }
    {
        TTransaction unit(con);
        Insert("early return");
    }
    try {
        TTransaction unit(con);
        Insert("thrown");
        throw std::runtime_error("failed halfway");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Names(), QStringList{"kept"});
    EXPECT_FALSE(con.InTransaction());
}

// A save that may run alone or as one step of a larger one: nested, it is stored only with the
// outer unit, and undone on its own when it fails.
TEST_F(TransactionTest, ANestedUnitIsASavepointOfTheOuterOne) {
    struct Case {
        bool innerCommits;
        bool outerCommits;
        QStringList stored;
    };
    const Case kCases[] = {
        {true, true, {"outer", "inner", "after"}},
        {false, true, {"outer", "after"}},
        {true, false, {}},
        {false, false, {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(QString("inner %1, outer %2").arg(c.innerCommits).arg(c.outerCommits).toStdString());
        con.Execute("DELETE FROM Radky");
        {
            TTransaction outer(con);
            Insert("outer");
            {
                TTransaction inner(con);
                Insert("inner");
                {
                    // Two levels deep, left without a commit: only its own row goes.
                    TTransaction innermost(con);
                    Insert("innermost");
                }
                if (c.innerCommits) inner.Commit();
            }
            EXPECT_TRUE(con.InTransaction());
            Insert("after");
            if (c.outerCommits) outer.Commit();
        }
        EXPECT_EQ(Names(), c.stored);
        EXPECT_FALSE(con.InTransaction());
    }
}

TEST_F(TransactionTest, AnEarlyRollbackLetsTheDatabaseGoBeforeTheScopeEnds) {
    TTransaction unit(con);
    Insert("a");
    unit.Rollback();
    EXPECT_FALSE(con.InTransaction());
    EXPECT_FALSE(unit.Active());
    unit.Commit();  // nothing left to store
    EXPECT_TRUE(Names().isEmpty());
}

}  // namespace
