#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "platform/data/DataSource.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"

namespace {

class ADOQueryTest : public TempDirTest {
protected:
    void SetUp() override {
        const QString path = PathOf("Test.MDB");
        TADOConnection::CreateDatabase(path);
        conn.Open(path);
        conn.Execute(
            "CREATE TABLE Zasoby (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Popis TEXT(50), Cena MONEY, "
            "DatZmeny DATETIME, Aktivni BIT)");
        const struct {
            const char* popis;
            QVariant cena;
        } rows[] = {{"kabel", 10.5}, {"Čep", 3.0}, {"", QVariant()}, {"chránička", 7.0}};
        for (const auto& r : rows) Insert(QString::fromUtf8(r.popis), r.cena);
    }

    void Insert(const QString& popis, const QVariant& cena) {
        TParameters p;
        p.ParseSQL("INSERT INTO Zasoby (Popis, Cena, DatZmeny, Aktivni) VALUES (:Popis, :Cena, :Dat, True)");
        p.ParamByName("Popis")->Value = popis;
        p.ParamByName("Cena")->Value = cena;
        p.ParamByName("Dat")->Value = 45000.5;
        conn.Execute("INSERT INTO Zasoby (Popis, Cena, DatZmeny, Aktivni) VALUES (:Popis, :Cena, :Dat, True)",
                     p);
    }

    std::vector<qint64> Ids(TDataSet& q) {
        std::vector<qint64> ids;
        for (q.First(); !q.Eof(); q.Next()) ids.push_back(q.FieldByName("ID")->AsLargeInt());
        return ids;
    }

    TADOConnection conn;
};

TEST_F(ADOQueryTest, OpenLoadsTheRowsWithTypedFields) {
    TADOQuery q(&conn);
    q.SetSQL("SELECT * FROM Zasoby WHERE ID >= :Od ORDER BY ID");
    q.Parameters().ParamByName("od")->Value = 1;
    q.Open();
    ASSERT_EQ(q.RecordCount(), 4);
    EXPECT_EQ(q.FieldByName("Popis")->DataType(), ftString);
    EXPECT_EQ(q.FieldByName("Popis")->Size(), 50);
    EXPECT_EQ(q.FieldByName("Cena")->DataType(), ftCurrency);
    EXPECT_EQ(q.FieldByName("Aktivni")->DataType(), ftBoolean);
    EXPECT_EQ(q.FieldByName("DatZmeny")->DataType(), ftDateTime);
    EXPECT_EQ(q.FieldByName("Cena")->AsCurrency(), Currency::FromRaw(105000));
    EXPECT_TRUE(q.FieldByName("Aktivni")->AsBoolean());
    EXPECT_DOUBLE_EQ(q.FieldByName("DatZmeny")->AsDateTime(), 45000.5);
    q.SetRecNo(3);
    EXPECT_FALSE(q.FieldByName("Popis")->IsNull());  // the empty text stays a text
    EXPECT_TRUE(q.FieldByName("Cena")->IsNull());

    // Sorting, filtering and locating work on the loaded rows.
    q.SetSort("Popis");
    EXPECT_EQ(Ids(q), (std::vector<qint64>{3, 2, 4, 1}));
    q.SetFilter("Cena > 5");
    q.SetFiltered(true);
    EXPECT_EQ(Ids(q), (std::vector<qint64>{4, 1}));
    EXPECT_TRUE(q.Locate("Popis", "CHRÁN", loCaseInsensitive | loPartialKey));
    EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 4);
}

TEST_F(ADOQueryTest, AColumnTakesTheDisplayFormatTheProgramGivesItWhereverAQueryReadsIt) {
    conn.ColumnDisplayFormat = [](const QString& table, const QString& column) {
        return table == "Zasoby" && column == "Cena" ? QStringLiteral("0.000") : QString();
    };
    struct Case {
        const char* sql;
        const char* field;
        const char* format;
    };
    const Case kCases[] = {
        {"SELECT * FROM Zasoby ORDER BY ID", "Cena", "0.000"},
        {"SELECT Popis, Cena AS Castka FROM Zasoby ORDER BY ID", "Castka", "0.000"},
        {"SELECT * FROM Zasoby ORDER BY ID", "Popis", ""},
        // A computed value comes from no column.
        {"SELECT Cena * 2 AS Dvojnasobek FROM Zasoby ORDER BY ID", "Dvojnasobek", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sql);
        TADOQuery q(&conn);
        q.SetSQL(c.sql);
        q.Open();
        EXPECT_EQ(q.FieldByName(c.field)->DisplayFormat(), c.format);
    }
    // A format a window gave the field stays through a requery.
    TADOQuery q(&conn);
    q.SetSQL("SELECT * FROM Zasoby ORDER BY ID");
    q.Open();
    EXPECT_EQ(q.FieldByName("Cena")->DisplayText(), "10,500");
    q.FieldByName("Cena")->SetDisplayFormat("0.0");
    q.Requery();
    EXPECT_EQ(q.FieldByName("Cena")->DisplayText(), "10,5");
}

TEST_F(ADOQueryTest, RequeryKeepsTheRecordBookmarksAndTheFilter) {
    TADOQuery q(&conn);
    q.SetSQL("SELECT * FROM Zasoby");
    q.Open();
    TField* popis = q.FieldByName("Popis");
    popis->SetDisplayLabel("Popis položky");
    q.SetSort("Popis DESC");
    q.Locate("ID", 2);
    const TBookmark mark = q.GetBookmark();

    TDataSource ds(&q);
    struct Counter : TDataLink {
        int changes = 0;
        void DataSetChanged() override { ++changes; }
    } link;
    link.SetDataSource(&ds);

    Insert("adaptér", 1.0);
    conn.Execute("UPDATE Zasoby SET Popis = 'Čep M8' WHERE ID = 2");
    q.Requery();
    EXPECT_EQ(link.changes, 1);
    EXPECT_EQ(q.RecordCount(), 5);
    EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 2);  // still on its record
    EXPECT_EQ(q.FieldByName("Popis")->AsString(), "Čep M8");
    EXPECT_EQ(q.FieldByName("Popis"), popis);  // same columns: the field and its settings stay
    EXPECT_EQ(popis->DisplayLabel(), "Popis položky");
    EXPECT_TRUE(q.BookmarkValid(mark));
    EXPECT_EQ(Ids(q), (std::vector<qint64>{1, 4, 2, 5, 3}));

    // The current record vanished: the cursor starts at the first record.
    q.Locate("ID", 4);
    conn.Execute("DELETE FROM Zasoby WHERE ID = 4");
    q.Requery();
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_FALSE(q.Locate("ID", 4));
    EXPECT_FALSE(q.BookmarkValid(QStringLiteral("#4")));
}

TEST_F(ADOQueryTest, ReopeningWithOtherColumnsReplacesTheFields) {
    TADOQuery q(&conn);
    q.SetSQL("SELECT ID, Popis FROM Zasoby");
    q.SetSort("Popis");
    q.Open();
    q.Close();
    q.SetSQL("SELECT ID, Cena FROM Zasoby");
    q.Open();  // a sort by a column that is gone is dropped
    EXPECT_EQ(q.FindField("Popis"), nullptr);
    EXPECT_EQ(q.FieldCount(), 2);
    EXPECT_EQ(q.Sort(), "");
}

TEST_F(ADOQueryTest, ExecSqlAndErrors) {
    TADOQuery q(&conn);
    q.SetSQL("UPDATE Zasoby SET Cena = :Cena WHERE Cena IS NULL OR Cena < :Mez");
    q.Parameters().ParamByName("Cena")->Value = 1.0;
    q.Parameters().ParamByName("Mez")->Value = 5.0;
    EXPECT_EQ(q.ExecSQL(), 2);
    // Changing the text keeps the values of parameters that stay.
    q.SetSQL("UPDATE Zasoby SET Cena = :cena WHERE ID = :ID");
    EXPECT_EQ(q.Parameters().ParamByName("CENA")->Value.toDouble(), 1.0);
    EXPECT_TRUE(q.Parameters().ParamByName("ID")->Value.isNull());

    TADOQuery bad(&conn);
    bad.SetSQL("SELECT * FROM Neni");
    EXPECT_THROW(bad.Open(), EDatabaseError);
    EXPECT_FALSE(bad.Active());
    TADOQuery unconnected;
    unconnected.SetSQL("SELECT 1");
    EXPECT_THROW(unconnected.Open(), EDatabaseError);
    EXPECT_FALSE(unconnected.Active());
}

}  // namespace
