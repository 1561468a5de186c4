// The transfer of the address book and the price list between two firm databases: the file the
// export writes, the refusals of the import, the merge by RepID and by code, and the firm left as it
// was when the merge fails on the way.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "common/PlantedLink.h"
#include "common/TempDir.h"
#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/DbTemplates.h"
#include "core/ProgramStateGuard.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "exchange/Synchronization.h"
#include "platform/db/ADOConnection.h"
#include "platform/files/ZipArchive.h"

namespace {

using TRow = std::map<QString, QVariant>;

class SynchronizationTest : public TempDirTest {
protected:
    static void SetUpTestSuite() {
        templates_ = new QTemporaryDir;
        BuildEmptyFirmTemplate(templates_->filePath(kEmptyFirmTemplate));
    }
    static void TearDownTestSuite() {
        delete templates_;
        templates_ = nullptr;
    }

    void SetUp() override {
        ProgramFolder = Folder() + "prog/";
        QDir().mkpath(ProgramFolder + "Res");
        QFile::copy(templates_->filePath(kEmptyFirmTemplate), ProgramFolder + "Res/" + kEmptyFirmTemplate);
        PrivateTempFolder = Folder() + "tmp/";
        WorkingCancelled = false;
        OpenFirm(remote_, "REMOTE.MDB");
        OpenFirm(local_, "LOCAL.MDB");
    }
    void TearDown() override {
        remote_.Close();
        local_.Close();
        WorkingCancelled = false;
    }

    void OpenFirm(TADOConnection& con, const QString& name) {
        QFile::copy(templates_->filePath(kEmptyFirmTemplate), PathOf(name));
        con.Open(PathOf(name), FirmDbPassword);
    }

    static qint64 Insert(TADOConnection& con, const QString& table, const TRow& row) {
        QStringList names, params;
        TParameters values;
        for (const auto& [name, value] : row) {
            names << name;
            params << ":" + name;
            values.AddParameter(name)->Value = value;
        }
        con.Execute(
            QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(", "), params.join(", ")),
            values);
        return con.OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toLongLong();
    }
    static QVariant Value(TADOConnection& con, const QString& sql) {
        const auto rows = con.OpenRowset(sql);
        return rows->RowCount() == 0 ? QVariant() : rows->Value(0, 0);
    }
    static qint64 IdOf(TADOConnection& con, const QString& table, const QString& repId) {
        TParameters p;
        p.AddParameter("R")->Value = repId;
        const auto rows = con.OpenRowset(QString("SELECT ID FROM %1 WHERE RepID = :R").arg(table), p);
        return rows->RowCount() == 0 ? -1 : rows->Value(0, 0).toLongLong();
    }
    // The values of one column of a table in ascending order of the column.
    static QStringList Column(TADOConnection& con, const QString& sql) {
        QStringList values;
        const auto rows = con.OpenRowset(sql);
        for (size_t r = 0; r < rows->RowCount(); ++r) values << rows->Value(r, 0).toString();
        return values;
    }
    // The level rules of a price group as "level=value", in order of the level.
    static QStringList Rules(TADOConnection& con, qint64 group) {
        QStringList rules;
        const auto rows = con.OpenRowset(
            QString("SELECT Zkratka, Hodnota FROM CenSkupPol WHERE IDCenSkup = %1 ORDER BY Zkratka")
                .arg(group));
        for (size_t r = 0; r < rows->RowCount(); ++r)
            rules << rows->Value(r, 0).toString() + "=" + QString::number(rows->Value(r, 1).toDouble());
        return rules;
    }
    // Every row of the transferred tables, as text: what "the database as it was" means here.
    static QStringList Snapshot(TADOConnection& con) {
        QStringList lines;
        for (const char* table :
             {"Adresar", "Kontakty", "Sklady", "Skupiny", "Zasoby", "CenHlad", "CenSkup", "CenSkupPol"}) {
            const auto rows = con.OpenRowset(QString("SELECT * FROM %1 ORDER BY ID").arg(table));
            for (size_t r = 0; r < rows->RowCount(); ++r) {
                QStringList cells{QString::fromLatin1(table)};
                for (size_t c = 0; c < rows->Columns.size(); ++c) cells << rows->Value(r, c).toString();
                lines << cells.join('|');
            }
        }
        return lines;
    }

    bool Export(bool addresses, bool priceList, const QString& file) {
        TSynchronization sync(false);
        sync.Firm = &remote_;
        sync.ExportAdresar = addresses;
        sync.ExportCenik = priceList;
        const bool ok = sync.ExportToFile(file, nullptr);
        error_ = sync.ErrorText;
        return ok;
    }
    bool Import(const QString& file, bool addresses, bool priceList, bool fullSync = false) {
        TSynchronization sync(true);
        sync.Firm = &local_;
        sync.ImportAdresar = addresses;
        sync.ImportCenik = priceList;
        sync.ImportFullSyncAdresar = fullSync;
        const bool ok = sync.ImportFromFile(file, nullptr);
        error_ = sync.ErrorText;
        return ok;
    }
    // A transfer file holding the template with the change made to it.
    QString CraftedFile(const QString& name, const std::function<void(TADOConnection&)>& change) {
        const QString mdb = PathOf(name + ".mdb");
        QFile::copy(templates_->filePath(kEmptyFirmTemplate), mdb);
        {
            TADOConnection con;
            con.Open(mdb);
            change(con);
        }
        const QString dat = PathOf(name + ".dat");
        TZipError error;
        EXPECT_TRUE(ZipCreate(dat, {{kSyncDataFileName, mdb}}, &error)) << error.message.toStdString();
        return dat;
    }

    // Moves the next AutoNumber of the tables on, so the two databases never share IDs by chance.
    static void ShiftIds(TADOConnection& con, int by) {
        for (const char* table : {"Adresar", "Kontakty", "Sklady", "Skupiny", "Zasoby"})
            for (int i = 0; i < by; ++i) {
                const qint64 id = Insert(con, table, {{"RepID", QString("{SHIFT-%1}").arg(i)}});
                con.Execute(QString("DELETE FROM %1 WHERE ID = %2").arg(table).arg(id));
            }
    }

    TProgramStateGuard state_;
    TADOConnection remote_;
    TADOConnection local_;
    QString error_;
    static inline QTemporaryDir* templates_ = nullptr;
};

}  // namespace

TEST_F(SynchronizationTest, ExportWritesOneDatabaseMemberAtTheFirmVersionWithTheRowsAndTheirIds) {
    ShiftIds(remote_, 3);
    const qint64 firm = Insert(remote_, "Adresar", {{"Nazev", "Elektro Novák s.r.o."}, {"RepID", "{A1}"}});
    Insert(remote_, "Kontakty", {{"Prijmeni", "Novák"}, {"CisloAdr", firm}, {"RepID", "{K1}"}});
    const qint64 sheet = Insert(remote_, "Sklady", {{"Nazev", "Elektro"}, {"RepID", "{S1}"}});
    Insert(remote_, "Zasoby", {{"Sklad", sheet}, {"Popis", "Kabel CYKY 3x1,5"}, {"RepID", "{Z1}"}});
    const QString dat = PathOf("prenos.dat");
    ASSERT_TRUE(Export(true, true, dat)) << error_.toStdString();

    TZipError error;
    EXPECT_EQ(ZipMemberNames(dat, &error), QStringList{kSyncDataFileName});
    const QString unzip = QStandardPaths::findExecutable("unzip");
    if (!unzip.isEmpty()) {
        QProcess p;
        p.start(unzip, {"-Z1", dat});
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QString(kSyncDataFileName));
    }
    const QString out = PathOf("out/");
    QDir().mkpath(out);
    ASSERT_EQ(ZipExtract(dat, out, {}, &error), 1);
    TADOConnection file;
    file.Open(out + kSyncDataFileName);
    EXPECT_EQ(Value(file, "SELECT VerID FROM Verze").toInt(), ExpectedFirmDbVersion);
    EXPECT_EQ(Value(file, "SELECT ID FROM Adresar WHERE RepID = '{A1}'").toLongLong(), firm);
    EXPECT_EQ(Value(file, "SELECT CisloAdr FROM Kontakty").toLongLong(), firm);
    EXPECT_EQ(Value(file, "SELECT Sklad FROM Zasoby").toLongLong(), sheet);
    EXPECT_EQ(Value(file, "SELECT Popis FROM Zasoby").toString(), QString::fromUtf8("Kabel CYKY 3x1,5"));
    EXPECT_EQ(Value(file, "SELECT COUNT(*) FROM SezIdentif").toInt(), 0);
}

TEST_F(SynchronizationTest, ALinkPlantedAsTheWorkingFileIsReplacedAndWhatItPointsToStays) {
    Insert(remote_, "Adresar", {{"Nazev", "Elektro Novák s.r.o."}, {"RepID", "{A1}"}});
    const QString dat = PathOf("prenos.dat");
    ASSERT_TRUE(Export(true, false, dat)) << error_.toStdString();
    const QString working = PrivateTempFolder + kSyncDataFileName;

    struct Case {
        const char* name;
        bool import;
        bool linkToFolder;  // else to a single file, which the whole firm would be written over
    };
    const Case kCases[] = {
        {"export, link to a folder", false, true},
        {"import, link to a folder", true, true},
        {"import, link to a file", true, false},
    };
    int n = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString target = PathOf(QString("cizi%1").arg(++n));
        const TPlantedLink planted(target, c.linkToFolder ? working : PathOf("nepouzito"));
        if (!c.linkToFolder) QFile::link(target + "/smlouva.odt", working);
        if (c.import) {
            EXPECT_TRUE(Import(dat, true, false)) << error_.toStdString();
            EXPECT_EQ(Value(local_, "SELECT COUNT(*) FROM Adresar WHERE RepID = '{A1}'").toInt(), 1);
        } else {
            EXPECT_TRUE(Export(true, false, PathOf("znovu.dat"))) << error_.toStdString();
        }
        EXPECT_TRUE(planted.Intact());
        QFile::remove(working);
    }
}

TEST_F(SynchronizationTest, AnInterruptedExportWritesNoArchive) {
    for (int i = 0; i < 25; ++i) Insert(remote_, "Adresar", {{"Nazev", QString("Firma %1").arg(i)}});
    const QString dat = PathOf("prenos.dat");
    WorkingCancelled = true;
    EXPECT_FALSE(Export(true, false, dat));
    EXPECT_EQ(error_, QString::fromUtf8(kSyncCancelled));
    EXPECT_FALSE(QFile::exists(dat));
}

TEST_F(SynchronizationTest, FilesThatCannotBeMergedAreRefusedBeforeAnyChange) {
    Insert(local_, "Adresar", {{"Nazev", "Místní firma"}, {"RepID", "{L1}"}});
    const QStringList before = Snapshot(local_);
    auto withSheetAndAddress = [](TADOConnection& con) {
        Insert(con, "Adresar", {{"Nazev", "Cizí firma"}, {"RepID", "{F1}"}});
        Insert(con, "Sklady", {{"Nazev", "Sklad"}, {"RepID", "{S1}"}});
    };
    QFile junk(PathOf("junk.dat"));
    junk.open(QIODevice::WriteOnly);
    junk.write("not an archive");
    junk.close();
    struct Case {
        const char* name;
        QString file;
        bool addresses, priceList;
        QString message;  // the error text begins with it
    };
    const Case kCases[] = {
        {"older version",
         CraftedFile("v10",
                     [&](TADOConnection& c) {
                         withSheetAndAddress(c);
                         c.Execute("UPDATE Verze SET VerID = 10");
                     }),
         true, true, QString::fromUtf8(kSyncWrongVersion)},
        {"no version row",
         CraftedFile("v0",
                     [&](TADOConnection& c) {
                         withSheetAndAddress(c);
                         c.Execute("DELETE FROM Verze");
                     }),
         true, true, QString::fromUtf8(kSyncWrongVersion)},
        {"price list only, addresses chosen",
         CraftedFile("cenik",
                     [](TADOConnection& c) {
                         Insert(c, "Sklady", {{"Nazev", "Sklad"}});
                     }),
         true, false, QString::fromUtf8(kSyncNoAddresses)},
        {"addresses only, price list chosen",
         CraftedFile("adresar",
                     [](TADOConnection& c) {
                         Insert(c, "Adresar", {{"Nazev", "Firma"}});
                     }),
         false, true, QString::fromUtf8(kSyncNoPriceList)},
        {"not an archive", PathOf("junk.dat"), true, true,
         QString::fromUtf8(kSyncUnzipFailed).arg(PathOf("junk.dat")).section('(', 0, 0)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Import(c.file, c.addresses, c.priceList, true));
        EXPECT_TRUE(error_.startsWith(c.message)) << error_.toStdString();
        EXPECT_EQ(Snapshot(local_), before);
    }

    // An archive without the database is no transfer file.
    const QString other = PathOf("other.dat");
    TZipError error;
    ASSERT_TRUE(ZipCreate(other, {{"info.ini", PathOf("junk.dat")}}, &error));
    EXPECT_FALSE(Import(other, true, true));
    EXPECT_EQ(error_, QString::fromUtf8(kSyncNotTransferFile).arg(other));
}

TEST_F(SynchronizationTest, ExportingOnlyThePriceListLeavesTheAddressBookOutAndItsImportIsRefused) {
    Insert(remote_, "Adresar", {{"Nazev", "Firma"}, {"RepID", "{A1}"}});
    Insert(remote_, "Sklady", {{"Nazev", "Sklad"}, {"RepID", "{S1}"}});
    const QString dat = PathOf("cenik.dat");
    ASSERT_TRUE(Export(false, true, dat));
    EXPECT_FALSE(Import(dat, true, true));
    EXPECT_EQ(error_, QString::fromUtf8(kSyncNoAddresses));
    EXPECT_EQ(Value(local_, "SELECT COUNT(*) FROM Sklady").toInt(), 0);
    // The price list alone goes in.
    EXPECT_TRUE(Import(dat, false, true)) << error_.toStdString();
    EXPECT_GT(IdOf(local_, "Sklady", "{S1}"), 0);
}

TEST_F(SynchronizationTest, AddressesMergeByRepIdKeepingLocalIdsAndContactsFollowTheFile) {
    ShiftIds(remote_, 7);
    // On the other computer: a firm known here, renamed, with one contact changed, one new, and one
    // moved to it from another firm; and a firm new to this computer.
    const qint64 both =
        Insert(remote_, "Adresar", {{"Nazev", "Stavby Dvořák (nový název)"}, {"RepID", "{BOTH}"}});
    Insert(remote_, "Kontakty",
           {{"Prijmeni", "Dvořák"}, {"Mobil", "777 111 222"}, {"CisloAdr", both}, {"RepID", "{K-KEPT}"}});
    Insert(remote_, "Kontakty", {{"Prijmeni", "Malá"}, {"CisloAdr", both}, {"RepID", "{K-NEW}"}});
    Insert(remote_, "Kontakty", {{"Prijmeni", "Hora"}, {"CisloAdr", both}, {"RepID", "{K-MOVED}"}});
    const qint64 fresh = Insert(remote_, "Adresar", {{"Nazev", "Instalace Beneš"}, {"RepID", "{FRESH}"}});
    Insert(remote_, "Kontakty", {{"Prijmeni", "Beneš"}, {"CisloAdr", fresh}, {"RepID", "{K-FRESH}"}});
    const QString dat = PathOf("adresar.dat");
    ASSERT_TRUE(Export(true, false, dat));

    struct Case {
        bool fullSync;
        bool onlyHereStays;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(c.fullSync ? "full synchronisation" : "plain");
        local_.Execute("DELETE FROM Adresar");
        local_.Execute("DELETE FROM Kontakty");
        const qint64 here = Insert(local_, "Adresar", {{"Nazev", "Stavby Dvořák"}, {"RepID", "{BOTH}"}});
        Insert(local_, "Kontakty", {{"Prijmeni", "Dvořák"}, {"CisloAdr", here}, {"RepID", "{K-KEPT}"}});
        Insert(local_, "Kontakty", {{"Prijmeni", "Odešel"}, {"CisloAdr", here}, {"RepID", "{K-GONE}"}});
        const qint64 only = Insert(local_, "Adresar", {{"Nazev", "Jen zde"}, {"RepID", "{ONLY}"}});
        Insert(local_, "Kontakty", {{"Prijmeni", "Hora"}, {"CisloAdr", only}, {"RepID", "{K-MOVED}"}});
        Insert(local_, "Kontakty", {{"Prijmeni", "Zdejší"}, {"CisloAdr", only}, {"RepID", "{K-ONLY}"}});

        ASSERT_TRUE(Import(dat, true, false, c.fullSync)) << error_.toStdString();

        EXPECT_EQ(IdOf(local_, "Adresar", "{BOTH}"), here);
        EXPECT_EQ(Value(local_, QString("SELECT Nazev FROM Adresar WHERE ID = %1").arg(here)).toString(),
                  QString::fromUtf8("Stavby Dvořák (nový název)"));
        EXPECT_EQ(Column(local_,
                         QString("SELECT RepID FROM Kontakty WHERE CisloAdr = %1 ORDER BY RepID").arg(here)),
                  (QStringList{"{K-KEPT}", "{K-MOVED}", "{K-NEW}"}));
        EXPECT_EQ(Value(local_, "SELECT Mobil FROM Kontakty WHERE RepID = '{K-KEPT}'").toString(),
                  "777 111 222");
        const qint64 added = IdOf(local_, "Adresar", "{FRESH}");
        ASSERT_GT(added, 0);
        EXPECT_EQ(Value(local_, "SELECT CisloAdr FROM Kontakty WHERE RepID = '{K-FRESH}'").toLongLong(),
                  added);
        EXPECT_EQ(IdOf(local_, "Adresar", "{ONLY}") > 0, c.onlyHereStays);
        EXPECT_EQ(IdOf(local_, "Kontakty", "{K-ONLY}") > 0, c.onlyHereStays);
    }
}

TEST_F(SynchronizationTest, PriceListImportMirrorsTheFileAndTranslatesForeignKeysByRepId) {
    // The other computer numbers its rows differently.
    ShiftIds(remote_, 5);
    const qint64 rSheet = Insert(remote_, "Sklady", {{"Nazev", "Elektro"}, {"RepID", "{S-BOTH}"}});
    const qint64 rSheetNew = Insert(remote_, "Sklady", {{"Nazev", "Voda"}, {"RepID", "{S-NEW}"}});
    const qint64 rGroup =
        Insert(remote_, "Skupiny", {{"Sklad", rSheet}, {"Nazev", "Kabely"}, {"RepID", "{G-BOTH}"}});
    const qint64 rGroupNew =
        Insert(remote_, "Skupiny", {{"Sklad", rSheetNew}, {"Nazev", "Trubky"}, {"RepID", "{G-NEW}"}});
    Insert(remote_, "Zasoby",
           {{"Sklad", rSheet}, {"Skupina", rGroup}, {"Popis", "CYKY 3x2,5"}, {"RepID", "{I-BOTH}"}});
    Insert(remote_, "Zasoby",
           {{"Sklad", rSheetNew}, {"Skupina", rGroupNew}, {"Popis", "PPR 20"}, {"RepID", "{I-NEW}"}});
    Insert(remote_, "CenHlad", {{"Zkratka", "VO"}, {"Popis", "Velkoobchod"}, {"Hodnota", 5}});
    Insert(remote_, "CenSkup", {{"Zkratka", "x"}, {"Popis", "X"}});  // only shifts the IDs
    remote_.Execute("DELETE FROM CenSkup");
    const qint64 rA = Insert(remote_, "CenSkup", {{"Zkratka", "a"}, {"Popis", "Skupina A z druhého PC"}});
    const qint64 rB = Insert(remote_, "CenSkup", {{"Zkratka", "B"}, {"Popis", "Skupina B"}});
    Insert(remote_, "CenSkupPol", {{"IDCenSkup", rA}, {"Zkratka", "VO"}, {"Hodnota", 12}});
    Insert(remote_, "CenSkupPol", {{"IDCenSkup", rA}, {"Zkratka", "MO"}, {"Hodnota", 20}});
    Insert(remote_, "CenSkupPol", {{"IDCenSkup", rB}, {"Zkratka", "VO"}, {"Hodnota", 8}});
    const QString dat = PathOf("cenik.dat");
    ASSERT_TRUE(Export(false, true, dat));

    const qint64 lSheet = Insert(local_, "Sklady", {{"Nazev", "Elektro (staré)"}, {"RepID", "{S-BOTH}"}});
    const qint64 lGone = Insert(local_, "Sklady", {{"Nazev", "Zrušený"}, {"RepID", "{S-GONE}"}});
    const qint64 lGroup =
        Insert(local_, "Skupiny", {{"Sklad", lSheet}, {"Nazev", "Kabely"}, {"RepID", "{G-BOTH}"}});
    Insert(local_, "Skupiny", {{"Sklad", lGone}, {"Nazev", "Zrušená"}, {"RepID", "{G-GONE}"}});
    Insert(local_, "Zasoby",
           {{"Sklad", lSheet}, {"Skupina", lGroup}, {"Popis", "CYKY"}, {"RepID", "{I-BOTH}"}});
    Insert(local_, "Zasoby", {{"Sklad", lGone}, {"Popis", "Zrušená položka"}, {"RepID", "{I-GONE}"}});
    Insert(local_, "CenHlad", {{"Zkratka", "OLD"}, {"Popis", "Zrušená hladina"}});
    const qint64 lA = Insert(local_, "CenSkup", {{"Zkratka", "A"}, {"Popis", "Skupina A"}});
    const qint64 lZ = Insert(local_, "CenSkup", {{"Zkratka", "Z"}, {"Popis", "Zrušená skupina"}});
    Insert(local_, "CenSkupPol", {{"IDCenSkup", lA}, {"Zkratka", "OLD"}, {"Hodnota", 1}});
    Insert(local_, "CenSkupPol", {{"IDCenSkup", lZ}, {"Zkratka", "VO"}, {"Hodnota", 2}});

    ASSERT_TRUE(Import(dat, false, true)) << error_.toStdString();

    EXPECT_EQ(Column(local_, "SELECT RepID FROM Sklady ORDER BY RepID"),
              (QStringList{"{S-BOTH}", "{S-NEW}"}));
    EXPECT_EQ(Column(local_, "SELECT RepID FROM Skupiny ORDER BY RepID"),
              (QStringList{"{G-BOTH}", "{G-NEW}"}));
    EXPECT_EQ(Column(local_, "SELECT RepID FROM Zasoby ORDER BY RepID"),
              (QStringList{"{I-BOTH}", "{I-NEW}"}));
    EXPECT_EQ(Column(local_, "SELECT Zkratka FROM CenHlad"), QStringList{"VO"});
    EXPECT_EQ(IdOf(local_, "Sklady", "{S-BOTH}"), lSheet);
    EXPECT_EQ(Value(local_, QString("SELECT Nazev FROM Sklady WHERE ID = %1").arg(lSheet)).toString(),
              "Elektro");
    // Every foreign key names the local row of the file row's RepID.
    struct Link {
        const char* sql;
        const char* table;
        const char* repId;
    };
    const Link kLinks[] = {
        {"SELECT Sklad FROM Skupiny WHERE RepID = '{G-NEW}'", "Sklady", "{S-NEW}"},
        {"SELECT Sklad FROM Skupiny WHERE RepID = '{G-BOTH}'", "Sklady", "{S-BOTH}"},
        {"SELECT Sklad FROM Zasoby WHERE RepID = '{I-NEW}'", "Sklady", "{S-NEW}"},
        {"SELECT Skupina FROM Zasoby WHERE RepID = '{I-NEW}'", "Skupiny", "{G-NEW}"},
        {"SELECT Skupina FROM Zasoby WHERE RepID = '{I-BOTH}'", "Skupiny", "{G-BOTH}"},
    };
    for (const Link& link : kLinks) {
        SCOPED_TRACE(link.sql);
        EXPECT_EQ(Value(local_, link.sql).toLongLong(), IdOf(local_, link.table, link.repId));
    }
    // Codes match as the program compares them, without regard to case; the local group keeps its ID.
    EXPECT_EQ(Column(local_, "SELECT ID FROM CenSkup ORDER BY Zkratka").first().toLongLong(), lA);
    EXPECT_EQ(Column(local_, "SELECT Popis FROM CenSkup ORDER BY Zkratka"),
              (QStringList{QString::fromUtf8("Skupina A z druhého PC"), "Skupina B"}));
    const qint64 lB = Value(local_, "SELECT ID FROM CenSkup WHERE Zkratka = 'B'").toLongLong();
    EXPECT_EQ(Rules(local_, lA), (QStringList{"MO=20", "VO=12"}));
    EXPECT_EQ(Rules(local_, lB), QStringList{"VO=8"});
    EXPECT_EQ(Value(local_, "SELECT COUNT(*) FROM CenSkupPol").toInt(), 3);
}

TEST_F(SynchronizationTest, AMergeThatFailsOnTheWayLeavesTheFirmAsItWasAndSaysSo) {
    const qint64 firm = Insert(remote_, "Adresar", {{"Nazev", "Nová firma"}, {"RepID", "{A-NEW}"}});
    Insert(remote_, "Kontakty", {{"Prijmeni", "Nový"}, {"CisloAdr", firm}, {"RepID", "{K-NEW}"}});
    Insert(remote_, "Adresar", {{"Nazev", "Změněný název"}, {"RepID", "{A-BOTH}"}});
    const qint64 sheet = Insert(remote_, "Sklady", {{"Nazev", "Elektro"}, {"RepID", "{S1}"}});
    Insert(remote_, "Zasoby", {{"Sklad", sheet}, {"Popis", "Jistič B16"}, {"RepID", "{I1}"}});
    Insert(remote_, "CenSkup", {{"Zkratka", "A"}, {"Popis", "Skupina A"}});
    const QString dat = PathOf("prenos.dat");
    ASSERT_TRUE(Export(true, true, dat));

    Insert(local_, "Adresar", {{"Nazev", "Původní název"}, {"RepID", "{A-BOTH}"}});
    Insert(local_, "Adresar", {{"Nazev", "Jen zde"}, {"RepID", "{A-ONLY}"}});
    Insert(local_, "Sklady", {{"Nazev", "Místní sklad"}, {"RepID", "{S-LOCAL}"}});
    const qint64 lGroup = Insert(local_, "CenSkup", {{"Zkratka", "A"}, {"Popis", "Místní A"}});
    Insert(local_, "CenSkupPol", {{"IDCenSkup", lGroup}, {"Zkratka", "VO"}, {"Hodnota", 3}});
    const QStringList before = Snapshot(local_);

    // The failures come late, after the addresses and sheets went in: a write the database skips,
    // and a write it refuses with an error of its own.
    struct Case {
        const char* name;
        const char* trigger;
        QString message;
    };
    const Case kCases[] = {
        {"a write that affects no row",
         "CREATE TRIGGER fail BEFORE INSERT ON Zasoby BEGIN SELECT RAISE(IGNORE); END",
         QString::fromUtf8(kSyncWriteFailed).arg("Zasoby")},
        {"a database error",
         "CREATE TRIGGER fail BEFORE UPDATE ON CenSkup BEGIN SELECT RAISE(ABORT, 'disk full'); END",
         "disk full"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(sqlite3_exec(local_.Handle(), c.trigger, nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_FALSE(Import(dat, true, true, true));
        EXPECT_TRUE(error_.contains(c.message)) << error_.toStdString();
        EXPECT_TRUE(error_.endsWith(QString::fromUtf8(kSyncNothingChanged))) << error_.toStdString();
        EXPECT_EQ(Snapshot(local_), before);
        EXPECT_FALSE(local_.InTransaction());
        ASSERT_EQ(sqlite3_exec(local_.Handle(), "DROP TRIGGER fail", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    // With nothing in the way the same file goes in whole.
    ASSERT_TRUE(Import(dat, true, true, true)) << error_.toStdString();
    EXPECT_EQ(Column(local_, "SELECT Nazev FROM Adresar ORDER BY Nazev"),
              (QStringList{QString::fromUtf8("Nová firma"), QString::fromUtf8("Změněný název")}));
    EXPECT_EQ(Value(local_, "SELECT COUNT(*) FROM CenSkupPol").toInt(), 0);
}
