#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QRegularExpression>
#include <set>

#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "common/TempDir.h"
#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/DbTemplates.h"
#include "core/ProgramStateGuard.h"
#include "core/Upgrade.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"

namespace {

QVariantList Rows(TADOConnection& con, const QString& sql) {
    const std::unique_ptr<TRowset> rows = con.OpenRowset(sql);
    return QVariantList(rows->Values.begin(), rows->Values.end());
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The structure of a table as a comparable text: its columns with their types, and its indexes.
// Column order is left out: the program reaches columns by name, and the order in which an
// upgrade adds them need not be the order of a new table.
std::string StructureOf(TADOConnection& con, const QString& table) {
    QStringList parts;
    for (const TSchemaColumn& c : con.GetColumns(table)) parts << c.ColumnName + " " + c.JetType;
    parts.sort();
    QStringList indexes;
    for (const TSchemaIndex& i : con.GetIndexes(table))
        indexes << QString("%1%2(%3)").arg(i.Unique ? "unique " : "", i.IndexName, i.Columns.join(","));
    indexes.sort();
    return (parts.join(", ") + " | " + indexes.join(", ")).toStdString();
}

// A database with the structure of the list minus everything the step list adds.
void CreateOlderDatabase(const QString& path, const std::vector<TTableDef>& tables,
                         const std::vector<TUpgradeStep>& steps, int version) {
    std::set<QString> addedTables, addedColumns;
    for (const TUpgradeStep& s : steps) {
        if (s.StepKind == TUpgradeStep::Table)
            addedTables.insert(s.TableName);
        else
            addedColumns.insert(QString(s.TableName) + "." + s.ColumnName);
    }
    TADOConnection::CreateDatabase(path);
    TADOConnection con;
    con.Open(path);
    for (const TTableDef& table : tables) {
        if (addedTables.count(table.Name)) continue;
        TTableDef older{table.Name, {}, {}};
        for (const TColumnDef& c : table.Columns)
            if (!addedColumns.count(QString(table.Name) + "." + c.Name)) older.Columns.push_back(c);
        for (const QString& sql : CreateTableStatements(older)) con.Execute(sql);
    }
    con.Execute(QString("INSERT INTO Verze (VerID) VALUES (%1)").arg(version));
}

class UpgradeTest : public TempDirTest {
protected:
    TProgramStateGuard savedState_;  // made before SetUp changes anything

    void SetUp() override {
        DataFolder = Folder();
        CurrentFirm = "FIRMA";
        firmPath_ = Folder() + "FIRMA.MDB";
        mainPath_ = Folder() + "Global.MDB";
    }

    void CreateVersion10Firm() {
        CreateOlderDatabase(firmPath_, FirmDbTables(), FirmDbUpgradeSteps(), 10);
        TADOConnection con;
        con.Open(firmPath_);
        for (const char* sql : {
                 "INSERT INTO Adresar (Nazev) VALUES ('Alfa s.r.o.')",
                 "INSERT INTO Adresar (Nazev) VALUES ('Beta a.s.')",
                 "INSERT INTO Adresar (Nazev) VALUES ('Gama')",
                 "INSERT INTO Kontakty (Prijmeni, CisloAdr) VALUES ('Novák', 1)",
                 "INSERT INTO Sklady (Nazev, Poradi) VALUES ('List 1', 1)",
                 "INSERT INTO Skupiny (Sklad, Nazev) VALUES (1, 'Základní')",
                 "INSERT INTO Zasoby (Sklad, Skupina, Popis) VALUES (1, 1, 'Šroub')",
                 "INSERT INTO Zasoby (Sklad, Skupina, Popis) VALUES (1, 1, 'Matice')",
                 "INSERT INTO NabSablony (Zkratka, Nazev) VALUES ('ZAKL', 'Základní')",
                 "INSERT INTO NabSablony (Zkratka, Nazev) VALUES ('SERV', 'Servis')",
                 "INSERT INTO Nabidky (Doklad, Popis) VALUES ('NB00001', 'První')",
                 "INSERT INTO NabPolozky (Popis, CisloNab) VALUES ('Šroub', 1)",
                 "INSERT INTO SezIdentif (Zkratka) VALUES ('A')",
             })
            con.Execute(QString::fromUtf8(sql));
    }

    QString firmPath_;
    QString mainPath_;
};

TEST_F(UpgradeTest, Version10FirmReachesTheTemplateStructure) {
    CreateVersion10Firm();
    BuildEmptyFirmTemplate(Folder() + "0001.res");
    TADOConnection con;
    con.Open(firmPath_);
    {
        TScriptedDialogs dialogs;
        ASSERT_FALSE(UpgradeFirmDatabase(con));
    }
    ASSERT_TRUE(con.Connected());
    TADOConnection templ;
    templ.Open(Folder() + "0001.res");
    for (const TTableDef& table : FirmDbTables()) {
        SCOPED_TRACE(table.Name);
        EXPECT_EQ(StructureOf(con, table.Name), StructureOf(templ, table.Name));
    }
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{11});

    static const QRegularExpression guid(
        "^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$");
    std::set<QString> seen;
    int count = 0;
    for (const char* table : {"Adresar", "Kontakty", "Sklady", "Skupiny", "Zasoby"}) {
        for (const QVariant& v : Rows(con, QString("SELECT RepID FROM %1").arg(table))) {
            ++count;
            EXPECT_TRUE(guid.match(v.toString()).hasMatch()) << table << ": " << v.toString().toStdString();
            seen.insert(v.toString());
        }
    }
    EXPECT_EQ(count, 8);
    EXPECT_EQ(seen.size(), 8u) << "every row has its own GUID";

    EXPECT_EQ(Rows(con, "SELECT Nadpis, AutoPlatnostDo, AutoPlatnostPocet FROM NabSablony"),
              (QVariantList{QString::fromUtf8("Nabídka"), false, 0, QString::fromUtf8("Nabídka"), false, 0}));
    const QVariantList offer =
        Rows(con, "SELECT Zamek, Archivovano, SazDPHDalsiSniz, TextKomentare, FlagID, Zakazka FROM Nabidky");
    EXPECT_EQ(offer, (QVariantList{false, false, 0.0, QString(""), 0, QString("")}));
    EXPECT_FALSE(offer[3].isNull()) << "text columns hold the empty text, not null";
    EXPECT_EQ(Rows(con, "SELECT Identif, Nadpisova, Textova FROM NabPolozky"),
              (QVariantList{QString(""), false, false}));
}

TEST_F(UpgradeTest, FirmMissingOnlyOrdersTable) {
    BuildEmptyFirmTemplate(firmPath_);
    TADOConnection con;
    con.Open(firmPath_);
    con.Execute("DROP TABLE Zakazka");
    con.Execute(
        "INSERT INTO Adresar (Nazev, RepID) VALUES ('Alfa', '{00000000-0000-0000-0000-000000000001}')");
    con.Execute("UPDATE Verze SET VerID = 10");
    TScriptedDialogs dialogs;
    ASSERT_FALSE(UpgradeFirmDatabase(con));
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{11});
    EXPECT_EQ(con.GetColumns("Zakazka").size(), 10u);
    EXPECT_EQ(Rows(con, "SELECT RepID FROM Adresar"), QVariantList{"{00000000-0000-0000-0000-000000000001}"});
}

TEST_F(UpgradeTest, FailedStepLeavesOldVersionAndNextOpeningCompletes) {
    CreateVersion10Firm();
    // Something in the way of the last step: the index name the orders table needs is taken.
    {
        TADOConnection con;
        con.Open(firmPath_);
        ASSERT_EQ(sqlite3_exec(con.Handle(), "CREATE INDEX [Zakazka.Zkratka] ON Nabidky (Doklad)", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
    }
    TADOConnection con;
    con.Open(firmPath_);
    {
        TScriptedDialogs dialogs;
        EXPECT_THROW(UpgradeFirmDatabase(con), EDatabaseError);
    }
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{10});
    // Nothing of the run stayed: the columns added before the failure are gone with it.
    EXPECT_TRUE(con.GetColumns("Zakazka").empty());
    for (const TSchemaColumn& c : con.GetColumns("NabSablony")) EXPECT_NE(c.ColumnName, "Nadpis");

    ASSERT_EQ(sqlite3_exec(con.Handle(), "DROP INDEX [Zakazka.Zkratka]", nullptr, nullptr, nullptr),
              SQLITE_OK);
    TScriptedDialogs dialogs;
    ASSERT_FALSE(UpgradeFirmDatabase(con));
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{11});
    EXPECT_EQ(Rows(con, "SELECT Nadpis FROM NabSablony"),
              (QVariantList{QString::fromUtf8("Nabídka"), QString::fromUtf8("Nabídka")}));
    EXPECT_EQ(Rows(con, "SELECT COUNT(*) FROM Zasoby WHERE RepID IS NULL"), QVariantList{0});
}

TEST_F(UpgradeTest, NewerDatabasesAreRefusedUntouched) {
    {
        BuildMainTemplate(mainPath_);
        TADOConnection con;
        con.Open(mainPath_);
        con.Execute("UPDATE Verze SET VerID = 7");
        con.Close();
        const QByteArray before = FileBytes(mainPath_);
        con.Open(mainPath_);
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(
            "Hlavní databáze je novější verze než spouštěný program (IDMAINDB 7, IDPRG 6). Nyní používáte "
            "verzi "
            "3.00 - proveďte update programu (nejnovější verzi si můžete stáhnout na "
            "www.varnobis.cz)\r\rPokud "
            "používáte program v síti, na všech stanicích musí být stejná verze programu."));
        EXPECT_TRUE(UpgradeMainDatabase(con));
        con.Close();
        EXPECT_EQ(FileBytes(mainPath_), before);
    }
    {
        BuildEmptyFirmTemplate(firmPath_);
        TADOConnection con;
        con.Open(firmPath_);
        con.Execute("UPDATE Verze SET VerID = 12");
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(
            "Databáze firmy [FIRMA] je novější verze než spouštěný program (IDDB 12, IDPRG 11). "));
        EXPECT_TRUE(UpgradeFirmDatabase(con));
        EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{12});
    }
}

TEST_F(UpgradeTest, MainDatabaseWithoutRightsColumns) {
    CreateOlderDatabase(mainPath_, MainDbTables(), MainDbUpgradeSteps(), 3);
    TADOConnection con;
    con.Open(mainPath_);
    con.Execute("INSERT INTO Login (UzivID, Jmeno) VALUES (1, 'Správce')");
    con.Execute("INSERT INTO Poznamky (Nazev) VALUES ('Zavolat')");
    TScriptedDialogs dialogs;
    ASSERT_FALSE(UpgradeMainDatabase(con));
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{6});
    EXPECT_EQ(Rows(con, "SELECT Vyrizeno FROM Poznamky"), QVariantList{false});

    struct Expected {
        const char* column;
        QVariant value;
    };
    const Expected kExpected[] = {
        {"Administrator_AR", true},
        {"Nabidky_AR", 0},
        {"Adresar_AR", 0},
        {"Cenik_AR", 0},
        {"Poznamky_AR", 0},
        {"SeznamAgend_AR", 0},
        {"Import_AR", 0},
        {"HromadnePreceneni_AR", true},
        {"HromadneNastaveni_AR", true},
        {"UdajeFirma_AR", true},
        {"GlobalniNastaveni_AR", true},
        {"UzivatelskeNastaveni_AR", true},
        {"VytvoreniZalohy_AR", true},
        {"ObnoveniZalohy_AR", true},
        {"NakupniCeny_AR", true},
        {"Zamky_AR", true},
        {"VsechnyNabidky_AR", true},
        {"PrefiltrNabidkyVytvorID_AR", QString("")},
        {"Telefon", QString("")},
        {"Email", QString("")},
        {"UseStartDBName", false},
        {"StartDBName", QString("")},
        {"PrenosNaJinyPCExport_AR", false},
        {"PrenosNaJinyPCImport_AR", false},
        {"Zakazky_AR", 0},
        {"PrehlSestavyNab_AR", false},
    };
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.column);
        const QVariantList value = Rows(con, QString("SELECT %1 FROM Login").arg(e.column));
        ASSERT_EQ(value.size(), 1);
        EXPECT_EQ(value[0], e.value);
        EXPECT_FALSE(value[0].isNull());
    }
}

TEST_F(UpgradeTest, VersionDecidesWhetherStepsRun) {
    BuildMainTemplate(mainPath_);
    TADOConnection con;
    con.Open(mainPath_);
    {
        SCOPED_TRACE("current version: nothing is checked, even a missing column");
        con.Execute("ALTER TABLE Login DROP COLUMN Telefon");
        TScriptedDialogs dialogs;
        EXPECT_FALSE(UpgradeMainDatabase(con));
        for (const TSchemaColumn& c : con.GetColumns("Login")) EXPECT_NE(c.ColumnName, "Telefon");
    }
    {
        SCOPED_TRACE("older version with every column: only the version moves");
        BuildMainTemplate(Folder() + "fresh.MDB");
        TADOConnection fresh;
        fresh.Open(Folder() + "fresh.MDB");
        fresh.Execute("UPDATE Verze SET VerID = 5");
        const std::string before = StructureOf(fresh, "Login");
        TScriptedDialogs dialogs;
        EXPECT_FALSE(UpgradeMainDatabase(fresh));
        EXPECT_EQ(StructureOf(fresh, "Login"), before);
        EXPECT_EQ(Rows(fresh, "SELECT VerID FROM Verze"), QVariantList{6});
    }
    {
        SCOPED_TRACE("no version row: the oldest structure, and the row is written");
        BuildMainTemplate(Folder() + "norow.MDB");
        TADOConnection norow;
        norow.Open(Folder() + "norow.MDB");
        norow.Execute("DELETE FROM Verze");
        TScriptedDialogs dialogs;
        EXPECT_FALSE(UpgradeMainDatabase(norow));
        EXPECT_EQ(Rows(norow, "SELECT VerID FROM Verze"), QVariantList{6});
    }
}

TEST_F(UpgradeTest, AnotherStationBlocksTheUpgradeAndStaleLockFileDoesNot) {
    CreateOlderDatabase(mainPath_, MainDbTables(), MainDbUpgradeSteps(), 5);
    const QString lockFile = PresenceFileOf(mainPath_);
    TADOConnection con;
    con.Open(mainPath_);
    {
        LockHolder other(lockFile, false);
        ASSERT_TRUE(other.Start());
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(
            QString::fromUtf8("Program nyní potřebuje upravit strukturu databáze na novější verzi"));
        EXPECT_TRUE(UpgradeMainDatabase(con));
        EXPECT_FALSE(con.Connected());
        // A station that ends however it ends leaves its file behind.
        other.Kill();
    }
    ASSERT_TRUE(QFile::exists(lockFile));
    con.Open(mainPath_);
    TScriptedDialogs dialogs;
    EXPECT_FALSE(UpgradeMainDatabase(con));
    EXPECT_TRUE(con.Connected());
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{6});
}

TEST(UpgradeHelpersTest, StoredStringsAndGuids) {
    EXPECT_EQ(UnscrambleStoredString(QByteArray()), QString());
    // Complemented "ab", then a zero byte that ends the text.
    EXPECT_EQ(UnscrambleStoredString(QByteArray("\x9E\x9D\x00\x9C", 4)), "ab");
    BuildDatabasePasswords();
    EXPECT_EQ(MainDbPassword.size(), 11);
    EXPECT_EQ(FirmDbPassword.size(), 11);
    EXPECT_NE(MainDbPassword, FirmDbPassword);

    const QString a = NewGuidString();
    EXPECT_EQ(a.size(), 38);
    EXPECT_EQ(a, a.toUpper());
    EXPECT_NE(a, NewGuidString());
    EXPECT_EQ(SetAllowZeroLength(1001), 0);
}

}  // namespace
