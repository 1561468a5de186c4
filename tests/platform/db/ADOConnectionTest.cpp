#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDate>
#include <QFile>
#include <functional>
#include <vector>

#include "common/TempDir.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOConnection.h"
#include "platform/text/OleDate.h"

namespace {

class ADOConnectionTest : public TempDirTest {
protected:
    TADOConnection con;

    void SetUp() override {
        TADOConnection::CreateDatabase(PathOf("Firma.MDB"));
        con.Open(PathOf("Firma.MDB"), "heslo");
        con.Execute(
            "CREATE TABLE Adresar (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Nazev STRING(50), Poznamka "
            "MEMO, "
            "Castka MONEY, Aktivni BIT, Znacka DATETIME, ICO INTEGER, Sleva DOUBLE, RepID GUID, Foto "
            "LONGBINARY)");
    }

    void Insert(const QString& nazev) {
        TADOCommand cmd;
        cmd.Connection = &con;
        cmd.SetCommandText("INSERT INTO Adresar (Nazev) VALUES (:Nazev)");
        cmd.Parameters.ParamByName("nazev")->Value = nazev;
        cmd.Execute();
    }

    QStringList Column(const QString& sql) {
        QStringList out;
        auto rs = con.OpenRowset(sql);
        for (size_t r = 0; r < rs->RowCount(); ++r) out << rs->Value(r, 0).toString();
        return out;
    }

    qint64 Count(const QString& sql) { return con.OpenRowset(sql)->Value(0, 0).toLongLong(); }
};

TEST_F(ADOConnectionTest, SettingsOfTheOpenDatabase) {
    EXPECT_TRUE(con.Connected());
    EXPECT_EQ(con.Password(), "heslo");
    EXPECT_EQ(Column("PRAGMA journal_mode"), QStringList{"delete"});
    EXPECT_EQ(Column("PRAGMA synchronous"), QStringList{"2"});
    EXPECT_EQ(Column("PRAGMA foreign_keys"), QStringList{"0"});
    con.Close();
    EXPECT_FALSE(con.Connected());
    EXPECT_THROW(con.Execute("SELECT 1"), EDatabaseError);
}

TEST_F(ADOConnectionTest, OpenRefusesWhatIsNoDatabase) {
    EXPECT_THROW(con.Open(PathOf("missing.MDB")), EDatabaseError);
    EXPECT_FALSE(QFile::exists(PathOf("missing.MDB")));  // never created empty in its place
    QFile junk(PathOf("junk.MDB"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_THROW(con.Open(PathOf("junk.MDB")), EDatabaseError);
    EXPECT_FALSE(con.Connected());
    EXPECT_THROW(TADOConnection::CreateDatabase(PathOf("Firma.MDB")), EDatabaseError);
}

// Values come back in the types the declared Jet types promise.
TEST_F(ADOConnectionTest, RowsetTypesFollowTheJetTypes) {
    TParameters p;
    p.ParseSQL(
        "INSERT INTO Adresar (Nazev, Poznamka, Castka, Aktivni, Znacka, ICO, Sleva, RepID, Foto) VALUES "
        "(:Nazev, :Poznamka, :Castka, :Aktivni, :Znacka, :ICO, :Sleva, :RepID, :Foto)");
    p.ParamByName("Nazev")->Value = QString("123");  // digits stay text in a text column
    p.ParamByName("Poznamka")->Value = QString("řádek 1\r\nřádek 2");
    p.ParamByName("Castka")->Value = 10.0;
    p.ParamByName("Aktivni")->Value = true;
    p.ParamByName("Znacka")->Value = QDate(2024, 3, 5);
    p.ParamByName("ICO")->Value = 12345678;
    p.ParamByName("Sleva")->Value = 2.5;
    p.ParamByName("RepID")->Value = QString("{0A1B2C3D-0000-0000-0000-000000000001}");
    p.ParamByName("Foto")->Value = QByteArray("\x00\x01\x02", 3);
    EXPECT_EQ(
        con.Execute("INSERT INTO Adresar (Nazev, Poznamka, Castka, Aktivni, Znacka, ICO, Sleva, RepID, Foto) "
                    "VALUES (:Nazev, :Poznamka, :Castka, :Aktivni, :Znacka, :ICO, :Sleva, :RepID, :Foto)",
                    p),
        1);
    con.Execute("INSERT INTO Adresar (Nazev) VALUES (NULL)");

    auto rs =
        con.OpenRowset("SELECT *, Castka * 2 AS Dvojnasobek, Count(*) AS Pocet FROM Adresar WHERE ID = 1");
    struct Expect {
        const char* name;
        TFieldType type;
        int size;
        QVariant value;
    };
    const Expect kExpect[] = {
        {"ID", ftAutoInc, 0, qint64(1)},
        {"Nazev", ftString, 50, QString("123")},
        {"Poznamka", ftMemo, 0, QString("řádek 1\r\nřádek 2")},
        {"Castka", ftCurrency, 0, 10.0},
        {"Aktivni", ftBoolean, 0, true},
        {"Znacka", ftDateTime, 0, 45356.0},
        {"ICO", ftInteger, 0, qint64(12345678)},
        {"Sleva", ftFloat, 0, 2.5},
        {"RepID", ftGuid, 38, QString("{0A1B2C3D-0000-0000-0000-000000000001}")},
        {"Foto", ftBlob, 0, QByteArray("\x00\x01\x02", 3)},
        {"Dvojnasobek", ftFloat, 0, 20.0},
        {"Pocet", ftInteger, 0, qint64(1)},
    };
    ASSERT_EQ(rs->Columns.size(), std::size(kExpect));
    ASSERT_EQ(rs->RowCount(), 1u);
    for (size_t i = 0; i < std::size(kExpect); ++i) {
        SCOPED_TRACE(kExpect[i].name);
        EXPECT_EQ(rs->Columns[i].Name, QString(kExpect[i].name));
        EXPECT_EQ(rs->Columns[i].DataType, kExpect[i].type);
        EXPECT_EQ(rs->Columns[i].Size, kExpect[i].size);
        EXPECT_EQ(rs->Value(0, i), kExpect[i].value);
        EXPECT_EQ(rs->Value(0, i).typeId(), kExpect[i].value.typeId());
    }
    auto nulls = con.OpenRowset("SELECT Nazev, Castka, Aktivni FROM Adresar WHERE ID = 2");
    for (size_t i = 0; i < 3; ++i) EXPECT_FALSE(nulls->Value(0, i).isValid());
}

TEST_F(ADOConnectionTest, EmptyTextStaysEmptyNotNull) {
    TParameters p;
    p.ParseSQL("INSERT INTO Adresar (Nazev, Poznamka) VALUES (:Nazev, :Poznamka)");
    p.ParamByName("Nazev")->Value = QString();  // a null QString is still the empty text
    p.ParamByName("Poznamka")->Value = QString("");
    con.Execute("INSERT INTO Adresar (Nazev, Poznamka) VALUES (:Nazev, :Poznamka)", p);
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar WHERE Nazev = '' AND Poznamka = ''"), 1);
}

// A statement run row after row binds only what changed since its last run; every value the rows
// send must still arrive as sent, also when it differs from the last one only in its kind, its
// sign or its letter case, or in being there at all. The column has no type, so the engine keeps
// each value's own kind for typeof() to show.
TEST_F(ADOConnectionTest, ARepeatedStatementStoresEveryValueAsSent) {
    // A column without a type is nothing Jet can declare; the engine is asked directly.
    ASSERT_EQ(
        sqlite3_exec(con.Handle(), "CREATE TABLE Hodnoty (Poradi INTEGER, x)", nullptr, nullptr, nullptr),
        SQLITE_OK);
    TADOCommand cmd;
    cmd.Connection = &con;
    cmd.SetCommandText("INSERT INTO Hodnoty (Poradi, x) VALUES (:Poradi, :x)");
    TParameter* x = cmd.Parameters.ParamByName("x");
    struct Case {
        QVariant value;
        TFieldType type;
        const char* stored;  // typeof(x) || ':' || x
    };
    const Case kCases[] = {
        {QString("Kabel"), ftUnknown, "text:Kabel"},
        {QString("Kabel"), ftUnknown, "text:Kabel"},
        {QString("kabel"), ftUnknown, "text:kabel"},
        {QString(), ftUnknown, "text:"},
        {QString(""), ftUnknown, "text:"},
        {QVariant(), ftUnknown, "null:"},
        {1.5, ftUnknown, "real:1.5"},
        {1.5, ftUnknown, "real:1.5"},
        {-0.0, ftUnknown, "real:0.0"},
        {0.0, ftUnknown, "real:0.0"},
        {1.0, ftUnknown, "real:1.0"},
        {1, ftUnknown, "integer:1"},
        {qint64(1), ftUnknown, "integer:1"},
        {true, ftUnknown, "integer:1"},
        {false, ftUnknown, "integer:0"},
        {0, ftUnknown, "integer:0"},
        {QString("1"), ftUnknown, "text:1"},
        {QString("1"), ftInteger, "integer:1"},
        {QString("1"), ftUnknown, "text:1"},
        {2.25, ftString, "text:2.25"},
        {2.25, ftUnknown, "real:2.25"},
    };
    int order = 0;
    for (const Case& c : kCases) {
        cmd.Parameters.ParamByName("Poradi")->Value = ++order;
        x->Value = c.value;
        x->DataType = c.type;
        cmd.Execute();
    }
    const QStringList stored = Column("SELECT typeof(x) || ':' || x FROM Hodnoty ORDER BY Poradi");
    ASSERT_EQ(stored.size(), static_cast<int>(std::size(kCases)));
    for (size_t i = 0; i < std::size(kCases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(stored[static_cast<int>(i)].isEmpty() ? "null:" : stored[static_cast<int>(i)],
                  QString(kCases[i].stored));
    }
}

TEST_F(ADOConnectionTest, MissingParameterIsAnError) {
    EXPECT_THROW(con.Execute("INSERT INTO Adresar (Nazev) VALUES (:Nazev)"), EDatabaseError);
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 0);
    TParameters p;
    EXPECT_THROW(p.ParamByName("Nazev"), EDatabaseError);
}

// Jet compares text without regard to case but with regard to accents.
TEST_F(ADOConnectionTest, TextCollation) {
    for (const char* s : {"Čapek", "čapek", "a", "á", "hrad", "chata", "CHATA", "cesta"}) Insert(s);
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar WHERE Nazev = 'ČAPEK'"), 2);
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar WHERE Nazev = 'a'"), 1);
    EXPECT_EQ(Count("SELECT Count(*) FROM (SELECT DISTINCT Nazev FROM Adresar)"), 6);
    EXPECT_EQ(Count("SELECT Count(*) FROM (SELECT Nazev FROM Adresar GROUP BY Nazev)"), 6);

    EXPECT_EQ(
        Column("SELECT Nazev FROM Adresar WHERE Nazev IN ('hrad', 'chata', 'cesta') ORDER BY Nazev, ID"),
        QStringList({"cesta", "hrad", "chata", "CHATA"}));
    // Rows equal but for case cannot stand under a unique index.
    EXPECT_THROW(con.Execute("CREATE UNIQUE INDEX Nazev ON Adresar (Nazev)"), EDatabaseError);
}

TEST_F(ADOConnectionTest, UniqueIndexHonoursTheCollation) {
    con.Execute("CREATE UNIQUE INDEX Nazev ON Adresar (Nazev)");
    Insert("Čapek");
    Insert("Capek");  // another letter, not another case
    EXPECT_THROW(Insert("čAPEK"), EDatabaseError);
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 2);
}

TEST_F(ADOConnectionTest, LikeIgnoresCaseOfCzechLetters) {
    for (const char* s : {"Žluťoučký kůň", "ŽLUŤOUČKÝ KŮŇ", "Zlutoucky kun", "kabel CYKY"}) Insert(s);
    struct Case {
        const char* pattern;
        qint64 count;
    };
    const Case kCases[] = {
        {"žluť%", 2},  {"%KŮŇ", 2},  {"%kun", 1}, {"%ký_k%", 2},
        {"%ky_k%", 1}, {"%cyky", 1}, {"%", 4},    {"kabel", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pattern);
        TParameters p;
        p.AddParameter("P")->Value = QString(c.pattern);
        EXPECT_EQ(
            con.OpenRowset("SELECT Count(*) FROM Adresar WHERE Nazev LIKE :P", p)->Value(0, 0).toLongLong(),
            c.count);
    }
}

// Jet names indexes per table; both tables may have an index "RepID".
TEST_F(ADOConnectionTest, IndexNamesArePerTable) {
    con.Execute("CREATE TABLE Kontakty (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, RepID GUID)");
    con.Execute("CREATE UNIQUE INDEX RepID ON Adresar (RepID)");
    con.Execute("CREATE UNIQUE INDEX RepID ON Kontakty (RepID)");
    // Rows without a value yet do not collide.
    con.Execute("INSERT INTO Kontakty (RepID) VALUES (NULL)");
    con.Execute("INSERT INTO Kontakty (RepID) VALUES (NULL)");
    con.Execute("INSERT INTO Kontakty (RepID) VALUES ('{A}')");
    EXPECT_THROW(con.Execute("INSERT INTO Kontakty (RepID) VALUES ('{A}')"), EDatabaseError);

    const auto ix = con.GetIndexes("kontakty");
    ASSERT_EQ(ix.size(), 1u);
    EXPECT_EQ(ix[0].IndexName, "RepID");
    EXPECT_TRUE(ix[0].Unique);
    EXPECT_EQ(ix[0].Columns, QStringList{"RepID"});
    con.Execute("DROP INDEX RepID ON Kontakty");
    EXPECT_TRUE(con.GetIndexes("Kontakty").empty());
    EXPECT_EQ(con.GetIndexes("Adresar").size(), 1u);
}

TEST_F(ADOConnectionTest, SchemaLookup) {
    con.Execute("ALTER TABLE Adresar ADD COLUMN Telefon TEXT(30) WITH COMPRESSION");
    con.Execute("CREATE INDEX ObjectTypeAndID ON Adresar (ICO,Nazev)");
    EXPECT_EQ(con.GetTableNames(), QStringList{"Adresar"});
    struct Expect {
        const char* column;
        const char* jetType;
        TFieldType type;
        int size;
    };
    const Expect kExpect[] = {
        {"ID", "AutoNumber", ftAutoInc, 0},    {"Nazev", "Text(50)", ftString, 50},
        {"Poznamka", "Memo", ftMemo, 0},       {"Castka", "Money", ftCurrency, 0},
        {"Aktivni", "Yes/No", ftBoolean, 0},   {"Znacka", "Date-time", ftDateTime, 0},
        {"ICO", "Long Integer", ftInteger, 0}, {"Sleva", "Double", ftFloat, 0},
        {"RepID", "GUID", ftGuid, 38},         {"Foto", "Binary", ftBlob, 0},
        {"Telefon", "Text(30)", ftString, 30},
    };
    const auto cols = con.GetColumns("ADRESAR");
    ASSERT_EQ(cols.size(), std::size(kExpect));
    for (size_t i = 0; i < cols.size(); ++i) {
        SCOPED_TRACE(kExpect[i].column);
        EXPECT_EQ(cols[i].TableName, "Adresar");
        EXPECT_EQ(cols[i].ColumnName, QString(kExpect[i].column));
        EXPECT_EQ(cols[i].JetType, QString(kExpect[i].jetType));
        EXPECT_EQ(cols[i].DataType, kExpect[i].type);
        EXPECT_EQ(cols[i].Size, kExpect[i].size);
    }
    EXPECT_EQ(con.GetColumns().size(), cols.size());
    EXPECT_TRUE(con.GetColumns("Nic").empty());
    const auto ix = con.GetIndexes("Adresar");
    ASSERT_EQ(ix.size(), 1u);
    EXPECT_EQ(ix[0].IndexName, "ObjectTypeAndID");
    EXPECT_FALSE(ix[0].Unique);
    EXPECT_EQ(ix[0].Columns, QStringList({"ICO", "Nazev"}));
}

TEST_F(ADOConnectionTest, CompletionHookSeesEveryChange) {
    std::vector<std::pair<QString, int>> seen;
    con.OnExecuteComplete = [&](const QString& sql, int rows) { seen.emplace_back(sql, rows); };
    Insert("a");
    Insert("b");
    EXPECT_EQ(con.Execute("UPDATE Adresar SET Aktivni = True"), 2);
    EXPECT_EQ(con.Execute("update Adresar SET Aktivni = False WHERE ID = 99"), 0);
    EXPECT_EQ(con.Execute("DELETE FROM Adresar WHERE ID = 1"), 1);
    con.OpenRowset("SELECT * FROM Adresar");
    con.Execute("CREATE INDEX X ON Adresar (Nazev)");
    EXPECT_THROW(con.Execute("DELETE FROM Nic"), EDatabaseError);
    const std::vector<std::pair<QString, int>> expected = {
        {"INSERT INTO Adresar (Nazev) VALUES (:Nazev)", 1},
        {"INSERT INTO Adresar (Nazev) VALUES (:Nazev)", 1},
        {"UPDATE Adresar SET Aktivni = True", 2},
        {"update Adresar SET Aktivni = False WHERE ID = 99", 0},
        {"DELETE FROM Adresar WHERE ID = 1", 1},
    };
    EXPECT_EQ(seen, expected);
}

TEST_F(ADOConnectionTest, ErrorsCarryTheEngineTextAndTheStatement) {
    const char* kBad[] = {
        "SELECT * FROM Nic",
        "SELECT Nic FROM Adresar",
        "INSERT INTO Adresar (Nazev) VALUES ('a'); DELETE FROM Adresar",
        "SELEKT 1",
    };
    for (const char* sql : kBad) {
        SCOPED_TRACE(sql);
        try {
            con.Execute(sql);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Statement(), QString(sql));
            EXPECT_FALSE(e.Message().isEmpty());
        }
    }
    // The second statement of a pair must not slip through, nor the first run alone.
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 0);
}

TEST_F(ADOConnectionTest, AStatementHappensWholeOrNotAtAll) {
    con.Execute("CREATE UNIQUE INDEX Nazev ON Adresar (Nazev)");
    Insert("b");
    con.Execute("CREATE TABLE Zdroj (Nazev TEXT(50))");
    for (const char* s : {"a", "B", "c"})
        con.Execute(QString("INSERT INTO Zdroj (Nazev) VALUES ('%1')").arg(s));
    EXPECT_THROW(con.Execute("INSERT INTO Adresar (Nazev) SELECT Nazev FROM Zdroj"), EDatabaseError);
    EXPECT_EQ(Column("SELECT Nazev FROM Adresar"), QStringList{"b"});
}

TEST_F(ADOConnectionTest, Transactions) {
    con.BeginTrans();
    EXPECT_THROW(con.BeginTrans(), EDatabaseError);  // no nesting
    Insert("a");
    con.RollbackTrans();
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 0);
    con.BeginTrans();
    Insert("b");
    con.CommitTrans();
    EXPECT_EQ(Column("SELECT Nazev FROM Adresar"), QStringList{"b"});
    EXPECT_THROW(con.CommitTrans(), EDatabaseError);
}

// A rollback the engine refuses leaves the changes in place and the transaction open: the flag
// must say so, or the caller would carry on as if nothing had been written.
TEST_F(ADOConnectionTest, RefusedRollbackKeepsTheTransactionOpen) {
    con.BeginTrans();
    Insert("a");
    static bool refuse = true;
    refuse = true;
    sqlite3_set_authorizer(
        con.Handle(),
        [](void*, int action, const char* what, const char*, const char*, const char*) {
            return refuse && action == SQLITE_TRANSACTION && what && QByteArray(what) == "ROLLBACK"
                       ? SQLITE_DENY
                       : SQLITE_OK;
        },
        nullptr);
    EXPECT_THROW(con.RollbackTrans(), EDatabaseError);
    EXPECT_TRUE(con.InTransaction());
    refuse = false;
    con.RollbackTrans();
    EXPECT_FALSE(con.InTransaction());
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 0);
    sqlite3_set_authorizer(con.Handle(), nullptr, nullptr);
}

TEST_F(ADOConnectionTest, SecondConnectionSeesCommittedChangesAndWaitsForLocks) {
    TADOConnection other;
    other.Open(PathOf("Firma.MDB"));
    con.BeginTrans();
    Insert("a");
    EXPECT_EQ(other.OpenRowset("SELECT Count(*) FROM Adresar")->Value(0, 0).toLongLong(), 0);
    con.CommitTrans();
    EXPECT_EQ(other.OpenRowset("SELECT Count(*) FROM Adresar")->Value(0, 0).toLongLong(), 1);
}

// Stands in for the program's wait hook and for the clock of the pauses: counts the pauses,
// records what the connection tells, and lets a test act at a chosen moment. The program-wide
// hooks are given back at the end.
class BusyWaitProbe {
public:
    BusyWaitProbe() : savedHook_(TADOConnection::OnBusyWait), savedPause_(TADOConnection::BusyRetryWait) {
        TADOConnection::BusyRetryWait = [this] {
            ++pauses;
            if (OnPause) OnPause(pauses);
        };
        TADOConnection::OnBusyWait = [this](TBusyWait event) {
            events.push_back(event);
            return OnTold ? OnTold(event) : true;
        };
    }
    ~BusyWaitProbe() {
        TADOConnection::OnBusyWait = savedHook_;
        TADOConnection::BusyRetryWait = savedPause_;
    }
    BusyWaitProbe(const BusyWaitProbe&) = delete;
    BusyWaitProbe& operator=(const BusyWaitProbe&) = delete;

    int pauses = 0;
    std::vector<TBusyWait> events;
    std::function<void(int pause)> OnPause;
    std::function<bool(TBusyWait)> OnTold;

private:
    std::function<bool(TBusyWait)> savedHook_;
    std::function<void()> savedPause_;
};

// Another station's hold on the database, made on the fixture's connection behind its back.
void Hold(TADOConnection& holder, const char* sql) {
    ASSERT_EQ(sqlite3_exec(holder.Handle(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
}
void LetGo(TADOConnection& holder) {
    if (!sqlite3_get_autocommit(holder.Handle()))
        sqlite3_exec(holder.Handle(), "COMMIT", nullptr, nullptr, nullptr);
}

const std::vector<TBusyWait> kToldAndEnded = {TBusyWait::Began, TBusyWait::Ended};

TEST_F(ADOConnectionTest, AStatementWaitsForAnotherConnectionsHoldAndThenSucceeds) {
    struct Case {
        const char* name;
        const char* hold;
        std::function<void(TADOConnection&)> save;
    };
    const auto insert = [](TADOConnection& c) {
        c.Execute("INSERT INTO Adresar (Nazev) VALUES ('stanice')");
    };
    const Case kCases[] = {
        {"a save meets another station's long write",
         "BEGIN IMMEDIATE; INSERT INTO Adresar (Nazev) VALUES ('drzitel')", insert},
        {"a save of its own transaction waits to begin",
         "BEGIN IMMEDIATE; INSERT INTO Adresar (Nazev) VALUES ('drzitel')",
         [&](TADOConnection& c) {
             c.BeginTrans();
             insert(c);
             c.CommitTrans();
         }},
        {"a read meets a write that is being committed",
         "BEGIN EXCLUSIVE; INSERT INTO Adresar (Nazev) VALUES ('drzitel')",
         [](TADOConnection& c) { c.OpenRowset("SELECT Count(*) FROM Adresar"); }},
        {"a commit waits for another station's read", "BEGIN; SELECT Count(*) FROM Adresar",
         [&](TADOConnection& c) {
             c.BeginTrans();
             insert(c);
             c.CommitTrans();
         }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        con.Execute("DELETE FROM Adresar");
        TADOConnection station;
        station.Open(PathOf("Firma.MDB"));
        BusyWaitProbe probe;
        Hold(con, c.hold);
        // The other station ends its work only once this one has said that it waits.
        probe.OnTold = [&](TBusyWait event) {
            if (event == TBusyWait::Began) LetGo(con);
            return true;
        };
        EXPECT_NO_THROW(c.save(station));
        LetGo(con);
        EXPECT_EQ(probe.events, kToldAndEnded);
        EXPECT_FALSE(station.InTransaction());
    }
}

TEST_F(ADOConnectionTest, AWaitThatEndsSoonIsNeverShown) {
    TADOConnection station;
    station.Open(PathOf("Firma.MDB"));
    BusyWaitProbe probe;
    Hold(con, "BEGIN IMMEDIATE; INSERT INTO Adresar (Nazev) VALUES ('drzitel')");
    probe.OnPause = [&](int pause) {
        if (pause == 3) LetGo(con);
    };
    EXPECT_EQ(station.Execute("INSERT INTO Adresar (Nazev) VALUES ('stanice')"), 1);
    EXPECT_TRUE(probe.events.empty());
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 2);
}

TEST_F(ADOConnectionTest, StoppingTheWaitFailsTheSaveAsBusyAndChangesNothing) {
    TADOConnection station;
    station.Open(PathOf("Firma.MDB"));
    BusyWaitProbe probe;
    Hold(con, "BEGIN IMMEDIATE; INSERT INTO Adresar (Nazev) VALUES ('drzitel')");
    int told = 0;
    probe.OnTold = [&](TBusyWait event) { return event != TBusyWait::Waiting || ++told < 3; };
    try {
        station.Execute("INSERT INTO Adresar (Nazev) VALUES ('stanice')");
        ADD_FAILURE() << "the save did not fail";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Failure(), TDatabaseFailure::Busy);
    }
    EXPECT_EQ(probe.events, (std::vector<TBusyWait>{TBusyWait::Began, TBusyWait::Waiting, TBusyWait::Waiting,
                                                    TBusyWait::Waiting, TBusyWait::Ended}));
    EXPECT_THROW(station.BeginTrans(), EDatabaseError);  // still held: the same answer
    EXPECT_FALSE(station.InTransaction());
    sqlite3_exec(con.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(Count("SELECT Count(*) FROM Adresar"), 0);
    // Once the other station is done, the same connection saves as if nothing had happened.
    EXPECT_EQ(station.Execute("INSERT INTO Adresar (Nazev) VALUES ('stanice')"), 1);
}

TEST_F(ADOConnectionTest, CommandReadsItsNewID) {
    TADOCommand cmd;
    cmd.Connection = &con;
    cmd.SetCommandText("INSERT INTO Adresar (Nazev, Castka) VALUES (:Nazev, :Castka)");
    ASSERT_EQ(cmd.Parameters.Count(), 2);
    cmd.Parameters.ParamByName("NAZEV")->Value = QString("x");
    cmd.Parameters.ParamByName("Castka")->Value = 1.25;
    EXPECT_EQ(cmd.Execute(), 1);
    EXPECT_EQ(cmd.Execute(), 1);  // the same text again runs the kept statement
    cmd.SetCommandText("SELECT @@IDENTITY");
    EXPECT_EQ(cmd.Parameters.Count(), 0);
    EXPECT_EQ(cmd.OpenRowset()->Value(0, 0).toLongLong(), 2);
    TADOCommand loose;
    loose.SetCommandText("SELECT 1");
    EXPECT_THROW(loose.Execute(), EDatabaseError);
}

}  // namespace
