#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/JetSql.h"
#include "platform/text/OleDate.h"

namespace {

class JetSqlTest : public TempDirTest {
protected:
    TADOConnection con;

    void SetUp() override {
        TADOConnection::CreateDatabase(PathOf("t.MDB"));
        con.Open(PathOf("t.MDB"), "heslo");
        con.Execute(
            "CREATE TABLE Adresar (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Nazev TEXT(50) WITH "
            "COMPRESSION, "
            "Poznamka MEMO, Znacka DATETIME, Aktivni BIT, Castka MONEY)");
    }

    QVariant Scalar(const QString& sql, const TParameters& params = TParameters()) {
        auto rs = con.OpenRowset(sql, params);
        EXPECT_EQ(rs->RowCount(), 1u) << sql.toStdString();
        return rs->RowCount() ? rs->Value(0, 0) : QVariant();
    }
};

// Each statement, run through the translator, must give what Jet gives.
TEST_F(JetSqlTest, ExpressionsGiveJetResults) {
    con.Execute("INSERT INTO Adresar (Nazev, Znacka, Aktivni) VALUES ('Novák', #2024-3-5#, True)");
    con.Execute("INSERT INTO Adresar (Nazev, Aktivni) VALUES (\"O'Brien \"\"a syn\"\"\", False)");
    struct Case {
        const char* sql;
        QVariant expected;
    };
    const Case kCases[] = {
        {"SELECT #2024-3-5#", 45356.0},
        {"SELECT #3/5/2024#", 45356.0},
        {"SELECT #1899-12-30#", 0.0},
        {"SELECT #2024-3-5 18:00#", 45356.75},
        {"SELECT #3/5/2024 6:00:00 PM#", 45356.75},
        {"SELECT #12:00:00 AM#", 0.0},
        {"SELECT Znacka FROM Adresar WHERE Znacka = #2024-03-05#", 45356.0},
        {"SELECT Count(*) FROM Adresar WHERE Aktivni = True", 1},
        {"SELECT Count(*) FROM Adresar WHERE Aktivni = False", 1},
        {"SELECT Nazev FROM Adresar WHERE Aktivni = False", QString("O'Brien \"a syn\"")},
        {"SELECT 'it''s'", QString("it's")},
        {"SELECT \"a ' b\"", QString("a ' b")},
        {"SELECT 'a' & \"b\" & 1", QString("ab1")},
        {"SELECT Nazev & ' [' & ID & ']' FROM Adresar WHERE ID = 1", QString("Novák [1]")},
        {"SELECT IIf(1 > 2, 'ano', 'ne')", QString("ne")},
        {"SELECT IIf(Aktivni, 'ano', 'ne') FROM Adresar WHERE ID = 1", QString("ano")},
        {"SELECT Nz(Znacka, -1) FROM Adresar WHERE ID = 2", -1},
        {"SELECT Nz(Znacka, -1) FROM Adresar WHERE ID = 1", 45356.0},
        {"SELECT [Nazev] FROM [Adresar] WHERE [ID] = 1", QString("Novák")},
        {"SELECT Year(Znacka) * 10000 + Month(Znacka) * 100 + Day(Znacka) FROM Adresar WHERE ID = 1",
         20240305},
        {"SELECT UCase('čaj') & LCase('ČAJ')", QString("ČAJčaj")},
        {"SELECT Left('Varnobis', 3) & Right('Varnobis', 3) & Mid('Varnobis', 4, 2) & Mid('abc', 2)",
         QString("Varbisnobc")},
        {"SELECT Len('žluť')", 4},
        {"SELECT '[' & Trim('  a  ') & ']'", QString("[a]")},
        {"SELECT Val(' 12.5 kg')", 12.5},
        {"SELECT CLng(2.5) + CLng(3.5)", 6},
        {"SELECT Int(-2.5)", -3.0},
        {"SELECT Abs(-4)", 4},
        {"SELECT CStr(1.5)", QString("1,5")},
        {"SELECT 7 Mod 3", 1},
        {"SELECT TOP 1 Nazev FROM Adresar ORDER BY ID DESC", QString("O'Brien \"a syn\"")},
        {"SELECT Count(*) FROM (SELECT TOP 1 ID FROM Adresar)", 1},
        {"SELECT Count(*) AS [CountAll] FROM Adresar;", 2},
        {"SELECT ID FROM Adresar WHERE Nazev = 'novák'", 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sql);
        const QVariant got = Scalar(c.sql);
        if (c.expected.typeId() == QMetaType::QString)
            EXPECT_EQ(got.toString(), c.expected.toString());
        else
            EXPECT_DOUBLE_EQ(got.toDouble(), c.expected.toDouble());
    }
}

TEST_F(JetSqlTest, DateFunctionsFollowTheClock) {
    const double today = Date();
    EXPECT_DOUBLE_EQ(Scalar("SELECT Date()").toDouble(), today);
    const double now = Scalar("SELECT Now()").toDouble();
    EXPECT_GE(now, today);
    EXPECT_LT(now, today + 1.0);
}

TEST_F(JetSqlTest, IdentityIsTheLastRowOfThisConnection) {
    con.Execute("INSERT INTO Adresar (Nazev) VALUES ('a')");
    con.Execute("INSERT INTO Adresar (Nazev) VALUES ('b')");
    EXPECT_EQ(Scalar("SELECT @@IDENTITY").toLongLong(), 2);
    EXPECT_EQ(Scalar("select @@identity").toLongLong(), 2);
}

TEST(JetSqlTranslate, ParametersAreNumberedOncePerNameWhateverTheCase) {
    const TJetTranslation t =
        TranslateJetSql("UPDATE Mista SET PSC = :Psc, Misto = :Misto WHERE PSC = :PSC AND Misto <> ':Text'");
    EXPECT_EQ(t.Sql, "UPDATE Mista SET PSC = ?1, Misto = ?2 WHERE PSC = ?1 AND Misto <> ':Text'");
    EXPECT_EQ(t.ParamNames, QStringList({"Psc", "Misto"}));
    EXPECT_TRUE(t.ChangesData);
    EXPECT_FALSE(TranslateJetSql("SELECT * FROM Mista").ChangesData);
    // A time inside a date literal is no parameter.
    EXPECT_TRUE(JetParameterNames("SELECT #2024-3-5 10:30:00# FROM t").isEmpty());
}

TEST(JetSqlTranslate, Ddl) {
    struct Case {
        const char* jet;
        const char* sqlite;
    };
    const Case kCases[] = {
        {"CREATE TABLE VolnyText (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Nazev STRING(50), MemoText "
         "MEMO)",
         "CREATE TABLE VolnyText (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nazev TEXT(50) COLLATE JET, "
         "MemoText LONGTEXT COLLATE JET)"},
        {"CREATE TABLE T (ID COUNTER, A TEXT(10) WITH COMPRESSION NOT NULL, B YESNO DEFAULT True, C "
         "CURRENCY, "
         "D LONG, E DOUBLE, F GUID, G SMALLINT, H BYTE, I DECIMAL(18,4), J LONGBINARY, K FLOAT)",
         "CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, A TEXT(10) COLLATE JET NOT NULL, B BIT "
         "DEFAULT 1, "
         "C MONEY REAL, D INTEGER, E DOUBLE, F GUID, G SMALLINT, H BYTE, I DECIMAL REAL, J LONGBINARY, K "
         "DOUBLE)"},
        {"ALTER TABLE Login ADD COLUMN Telefon TEXT(50) WITH COMPRESSION",
         "ALTER TABLE Login ADD COLUMN Telefon TEXT(50) COLLATE JET"},
        {"ALTER TABLE Nabidky ADD SazDPHDalsiSniz MONEY",
         "ALTER TABLE Nabidky ADD COLUMN SazDPHDalsiSniz MONEY REAL"},
        {"CREATE UNIQUE INDEX RepID ON Adresar (RepID)",
         "CREATE UNIQUE INDEX [Adresar.RepID] ON Adresar (RepID)"},
        {"CREATE INDEX ObjectTypeAndID ON Akce (ObjectType,ObjectID)",
         "CREATE INDEX [Akce.ObjectTypeAndID] ON Akce (ObjectType,ObjectID)"},
        {"DROP INDEX RepID ON Adresar", "DROP INDEX [Adresar.RepID]"},
        {"DROP TABLE Zakazka", "DROP TABLE Zakazka"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.jet);
        EXPECT_EQ(TranslateJetSql(c.jet).Sql, QString(c.sqlite));
    }
}

TEST(JetSqlTranslate, BadTextIsRefusedWithTheStatement) {
    const char* kBad[] = {
        "SELECT 'open",
        "SELECT [open",
        "SELECT #2024-13-5#",
        "SELECT #2024-3-5",
        "SELECT @@ROWCOUNT",
        "CREATE TABLE T (A WIBBLE)",
        "SELECT TOP 10 PERCENT * FROM t",
        "",
    };
    for (const char* sql : kBad) {
        SCOPED_TRACE(sql);
        try {
            TranslateJetSql(sql);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Statement(), QString(sql));
            EXPECT_FALSE(e.Message().isEmpty());
        }
    }
}

// The engine would read these as comments or as parameters of its own: a comment hides the rest
// of the statement (its WHERE, say) and a foreign marker binds NULL. Jet refuses both, and so do we.
TEST_F(JetSqlTest, CommentsAndForeignParameterMarkersAreRefused) {
    con.Execute("INSERT INTO Adresar (Nazev) VALUES ('a')");
    con.Execute("INSERT INTO Adresar (Nazev) VALUES ('b')");
    struct Case {
        const char* sql;
        const char* named;  // what the message names
    };
    const Case kCases[] = {
        {"DELETE FROM Adresar -- WHERE ID = 1", "--"},
        {"DELETE FROM Adresar /* WHERE ID = 1 */", "/*"},
        {"DELETE FROM Adresar WHERE ID = 1--", "--"},
        {"DELETE FROM Adresar WHERE Nazev = ?", "'?'"},
        {"DELETE FROM Adresar WHERE Nazev = ?1", "'?'"},
        {"DELETE FROM Adresar WHERE Nazev = @Nazev", "'@'"},
        {"DELETE FROM Adresar WHERE Nazev = $Nazev", "'$'"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sql);
        try {
            con.Execute(c.sql);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Statement(), QString(c.sql));
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.named))) << e.Message().toStdString();
        }
    }
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Adresar").toInt(), 2) << "nothing was deleted";

    // The same characters inside literals, names and the one system variable are data, not syntax.
    EXPECT_EQ(Scalar("SELECT 'a -- b /* ? @x $y'").toString(), "a -- b /* ? @x $y");
    EXPECT_EQ(Scalar("SELECT \"?\" & '--'").toString(), "?--");
    EXPECT_EQ(Scalar("SELECT 5 - -3").toInt(), 8);
    EXPECT_EQ(Scalar("SELECT 6 / 2").toDouble(), 3.0);
    con.Execute("INSERT INTO Adresar (Nazev) VALUES ('c')");
    EXPECT_EQ(Scalar("SELECT @@IDENTITY").toInt(), 3);
}

}  // namespace
