// Backup archives of the open firm and their restore: the archive's name and contents, the list of
// archives, and restores that either replace everything chosen or leave the installation as it was.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/FilePermissions.h"
#include "common/LogCapture.h"
#include "common/PlantedLink.h"
#include "common/ScriptedDialogs.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/ZalObnov.h"
#include "exchange/Zalohovani.h"
#include "platform/data/Field.h"
#include "platform/files/FileSwap.h"
#include "platform/files/IniFile.h"
#include "platform/files/ZipArchive.h"
#include "platform/ui/DirectoryEdit.h"
#include "platform/ui/ModalHelper.h"

namespace {

const QString kCreated = QString::fromUtf8("Vytvoření záložní kopie proběhlo úspěšně.");
const QString kUnchanged = QString::fromUtf8("stávající data zůstala beze změny");
const QString kOverwriteWarning =
    QString::fromUtf8("Varování: vybraná stávající data budou nenávratně přepsána");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ZalohovaniTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        {
            TScriptedDialogs dialogs;
            StartWithDemo();
        }
        clock_ = BackupClock;
        BackupClock = [] { return DateTimeToOle(QDate(2024, 3, 5), QTime(14, 30, 15)); };
        WorkingCancelled = false;
    }
    void TearDown() override {
        BackupClock = clock_;
        WorkingCancelled = false;
        ProgramFixture::TearDown();
    }

    // A backup made as the window's OK makes it, into the standard folder; the archive's path.
    QString Backup(bool common) {
        TfrmZalohovani window(TfrmZalohovani::tsVytvoreni);
        window.chckProvestSpolecne->setChecked(common);
        bool allTaken = false;
        const QString archive = NextBackupFileName(BackupFolder, CurrentFirm, BackupClock(), allTaken);
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(kCreated + "\r\rByl vytvořen záložní soubor " + archive);
        EXPECT_FALSE(window.CreateBackup());
        return archive;
    }

    // The archive's member, unpacked into a folder of the test.
    QString Unpack(const QString& archive, const QString& member) {
        const QString folder = PathOf("unpacked/");
        QDir(folder).removeRecursively();
        TZipError error;
        EXPECT_EQ(ZipExtract(archive, folder, {member}, &error), 1) << error.message.toStdString();
        return folder + member;
    }

    // The station's connections go while files are replaced, as the backup window has them.
    void CloseConnections() {
        main_->CloseFirmDatasets();
        main_->ADOConAgenda.Close();
        main_->ADOConGlobal.Close();
    }
    void OpenConnections() {
        main_->ADOConAgenda.Open(DataFolder + CurrentFirm + ".MDB");
        main_->ADOConGlobal.Open(DataFolder + "Global.MDB");
    }

    QVariant FirmValue(const QString& sql) {
        const auto rows = main_->ADOConAgenda.OpenRowset(sql);
        return rows->RowCount() ? rows->Value(0, 0) : QVariant();
    }

    // Restores the first archive of the standard folder's list with the choices, closing the choice
    // window with OK and answering Yes; the messages after that are expected in order. What
    // RestoreBackup answered.
    bool Restore(bool firm, bool global, bool layouts, const std::vector<TExpectedDialog>& then = {}) {
        TfrmZalohovani window(TfrmZalohovani::tsObnoveni);
        EXPECT_EQ(window.ListBackups(BackupFolder), 0);
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(kOverwriteWarning, true).ExpectAll(then);
        OnNextModal([&](QWidget* modal) {
            auto* choice = qobject_cast<TfrmZalObnov*>(modal);
            ASSERT_NE(choice, nullptr);
            choice->chckObnovitAgendu->setChecked(firm);
            choice->chckObnovitGlobal->setChecked(global);
            choice->chckObnovitFRM->setChecked(layouts);
            choice->btnOk->click();
        });
        const bool stay = window.RestoreBackup();
        dialogs.Verify();
        return stay;
    }

    // An archive written by hand: the description's keys and the members as given.
    QString CraftArchive(const QString& name, const QList<std::pair<QString, QString>>& info,
                         const QList<std::pair<QString, QByteArray>>& members) {
        const QString folder = PathOf("craft/");
        QDir().mkpath(folder);
        QList<TZipMember> list;
        if (!info.isEmpty()) {
            QFile::remove(folder + "info.ini");
            TIniFile ini(folder + "info.ini");
            for (const auto& [key, value] : info) ini.WriteString("MAIN", key, value);
            list.append({"info.ini", folder + "info.ini"});
        }
        int n = 0;
        for (const auto& [member, content] : members) {
            const QString file = folder + QString::number(++n);
            WriteText(file, content);
            list.append({member, file});
        }
        const QString archive = BackupFolder + name;
        TZipError error;
        EXPECT_TRUE(ZipCreate(archive, list, &error)) << error.message.toStdString();
        return archive;
    }

    // The next start of the program on the same folders, as after a crash; with `firstRun` the ini
    // file still says that the first run is to be done. The start must go through without a word.
    void Restart(bool firstRun) {
        main_.reset();
        main_ = std::make_unique<TfrmMain>();
        ResetProgramTermination();
        WriteIni("CONFIG", "RunPrgFirst", firstRun ? "1" : "0");
        TScriptedDialogs dialogs;
        ASSERT_FALSE(RunStartup());
    }

    // Files an interrupted exchange of files may leave beside the data and the layouts.
    QStringList SwapLeftovers() const {
        return QDir(DataFolder).entryList({"*~*"}, QDir::Files) +
               QDir(PrintFolder).entryList({"*~*"}, QDir::Files);
    }

    std::function<TDateTime()> clock_;
};

// What a killed program does at a step of the file exchange: nothing more.
struct TKilled {};

constexpr const char* kKilledBackupEnv = "VN_KILLED_BACKUP";
constexpr const char* kReportsAnswer = "progress reports: ";
const QString kBackupDayName = "05-03-2024_DEMO_1.zbf";

}  // namespace

// A station whose backup is killed: this same test program, started with this test selected. The
// environment gives the progress report at which the station kills itself (0: never; it then says
// how many reports came) and the data, backup and temporary folders.
TEST(KilledBackupStation, Run) {
    const QStringList spec = qEnvironmentVariable(kKilledBackupEnv).split('|');
    if (spec.size() != 4) GTEST_SKIP() << "runs only as the station whose backup is killed";
    const int killAt = spec[0].toInt();
    DataFolder = spec[1];
    PrintFolder = DataFolder + "PRINT/";
    LockFolder = DataFolder + "LOCK/";
    BackupFolder = spec[2];
    PrivateTempFolder = spec[3];
    QDir().mkpath(PrivateTempFolder);
    CurrentFirm = "DEMO";
    BackupToStandardFolder = true;
    BackupClock = [] { return DateTimeToOle(QDate(2024, 3, 5), QTime(14, 30, 15)); };

    TfrmZalohovani window(TfrmZalohovani::tsVytvoreni);
    window.chckProvestSpolecne->setChecked(true);
    int reports = 0;
    QObject::connect(window.pbZaloha, &QProgressBar::valueChanged, [&] {
        if (++reports == killAt) ::raise(SIGKILL);
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(kCreated);
    EXPECT_FALSE(window.CreateBackup());
    std::printf("%s%d\n", kReportsAnswer, reports);
    std::fflush(stdout);
}

TEST_F(ZalohovaniTest, BackupKilledHalfwayLeavesNoArchiveUnderItsNameAndTheNextStartCleansUp) {
    CloseConnections();
    const QByteArray firm = ReadAll(DataFolder + "DEMO.MDB");
    const QByteArray mainDb = ReadAll(DataFolder + "Global.MDB");
    const QString archive = BackupFolder + kBackupDayName;
    // Runs the station; true when it was killed. `reports` says how many progress reports came.
    auto runStation = [&](int killAt, int& reports) {
        QProcess station;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(
            kKilledBackupEnv,
            QStringList{QString::number(killAt), DataFolder, BackupFolder, PathOf("station-temp/")}.join(
                '|'));
        station.setProcessEnvironment(env);
        station.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=KilledBackupStation.Run"});
        EXPECT_TRUE(station.waitForFinished(120000));
        const QString output = QString::fromUtf8(station.readAllStandardOutput());
        const qsizetype at = output.indexOf(kReportsAnswer);
        reports =
            at < 0 ? 0 : output.mid(at + qsizetype(std::strlen(kReportsAnswer))).section('\n', 0, 0).toInt();
        if (station.exitStatus() == QProcess::NormalExit) {
            EXPECT_EQ(station.exitCode(), 0) << output.toStdString();
        }
        return station.exitStatus() == QProcess::CrashExit;
    };
    int reports = 0;
    ASSERT_FALSE(runStation(0, reports));
    ASSERT_GT(reports, 2);
    ASSERT_TRUE(QFile::remove(archive));

    for (const int killAt : {1, (reports + 1) / 2, reports}) {
        SCOPED_TRACE(killAt);
        int unused = 0;
        ASSERT_TRUE(runStation(killAt, unused));
        EXPECT_EQ(ReadAll(DataFolder + "DEMO.MDB"), firm);
        EXPECT_EQ(ReadAll(DataFolder + "Global.MDB"), mainDb);
        // Under its own name an archive stands whole or not at all.
        if (QFile::exists(archive)) {
            TZipError error;
            EXPECT_EQ(ZipMemberNames(archive, &error), QStringList({"info.ini", "DEMO.MDB", "Global.MDB"}))
                << error.message.toStdString();
        }
        QStringList halves = QDir(BackupFolder).entryList(QDir::Files);
        halves.removeAll(kBackupDayName);

        TLogCapture log;
        Restart(false);
        QStringList left = QDir(BackupFolder).entryList(QDir::Files);
        left.removeAll(kBackupDayName);
        EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
        for (const QString& half : halves) EXPECT_TRUE(log.Mentions(half)) << half.toStdString();
        EXPECT_TRUE(SwapLeftovers().isEmpty()) << SwapLeftovers().join(", ").toStdString();
        CloseConnections();
        QFile::remove(archive);
    }
}

TEST_F(ZalohovaniTest, RestoreKilledAtAnyStepIsWhollyOldOrWhollyNewAfterTheNextStart) {
    WriteText(PrintFolder + "MojeNabidka.frx", "nova 1");
    WriteText(PrintFolder + "Vlastni.xls", "nova 2");
    const int addresses = FirmValue("SELECT COUNT(*) FROM Adresar").toInt();
    ASSERT_GT(addresses, 0);
    Backup(true);
    main_->ADOConAgenda.Execute("DELETE FROM Adresar");
    main_->ADOConGlobal.Execute("UPDATE KonfigTab SET IDZalohy = 777");
    const int backupCounter = 777;
    WriteText(PrintFolder + "MojeNabidka.frx", "stara 1");
    WriteText(PrintFolder + "Vlastni.xls", "stara 2");
    CloseConnections();
    const QStringList files = {DataFolder + "DEMO.MDB", DataFolder + "Global.MDB",
                               PrintFolder + "MojeNabidka.frx", PrintFolder + "Vlastni.xls"};
    std::vector<QByteArray> old;
    for (const QString& file : files) old.push_back(ReadAll(file));
    // A firm that went missing would open the firm list; nobody is there to choose.
    ExecFirmListDialog = [](TfrmSeznamFirem&) { return static_cast<int>(QDialog::Rejected); };

    // Each of the four files as the started program sees it: "old", "new" or neither.
    auto state = [&] {
        const int firmAddresses = FirmValue("SELECT COUNT(*) FROM Adresar").toInt();
        const QByteArray first = ReadAll(files[2]), second = ReadAll(files[3]);
        return QStringList{firmAddresses == 0           ? "old"
                           : firmAddresses == addresses ? "new"
                                                        : "?",
                           BackupCounter == backupCounter ? "old" : "new",
                           first == "stara 1"  ? "old"
                           : first == "nova 1" ? "new"
                                               : "?",
                           second == "stara 2"  ? "old"
                           : second == "nova 2" ? "new"
                                                : "?"};
    };

    int stop = 1;
    for (;; ++stop) {
        SCOPED_TRACE(stop);
        for (size_t i = 0; i < old.size(); ++i) WriteText(files[int(i)], old[i]);
        int steps = 0;
        TFileSwap::BeforeStep = [&] {
            if (++steps == stop) throw TKilled{};
        };
        bool killed = false;
        try {
            Restore(true, true, true);
        } catch (const TKilled&) {
            killed = true;
        }
        TFileSwap::BeforeStep = nullptr;
        if (!killed) break;
        EXPECT_FALSE(SwapLeftovers().isEmpty()) << "a kill leaves the exchange unfinished";

        // Every other start finds the ini file of a first run, which once copied in the
        // demonstration firm over a firm that was set aside.
        TLogCapture log;
        Restart(stop % 2 == 1);
        // Before its journal existed the restore had changed nothing but its copies; from then on it
        // is finished.
        const QString whole = stop == 1 ? "old" : "new";
        EXPECT_EQ(state(), QStringList({whole, whole, whole, whole}));
        EXPECT_TRUE(SwapLeftovers().isEmpty()) << SwapLeftovers().join(", ").toStdString();
        EXPECT_FALSE(log.Lines().isEmpty()) << "the start says in the log what it put right";
        CloseConnections();
    }
    // The journal, eight renames, the four old files removed, the journal removed.
    EXPECT_EQ(stop, 15);
}

TEST_F(ZalohovaniTest, ArchiveTakesTheDayTheFirmAndTheFirstFreeNumber) {
    const TDateTime day = DateTimeToOle(QDate(2024, 3, 5), QTime(9, 5));
    struct Case {
        const char* name;
        QList<int> present;
        int expected;
        bool allTaken;
    };
    QList<int> all;
    for (int n = 1; n <= kMaxBackupNumber; ++n) all.append(n);
    const Case kCases[] = {
        {"empty folder", {}, 1, false},
        {"1 and 2 present", {1, 2}, 3, false},
        {"a gap is filled", {1, 3}, 2, false},
        {"all taken: the last one", all, kMaxBackupNumber, true},
    };
    int round = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString folder = PathOf(QString("naming-%1/").arg(++round));
        QDir().mkpath(folder);
        for (int n : c.present) WriteText(folder + QString("05-03-2024_DEMO_%1.zbf").arg(n), "x");
        // Archives of another day or firm do not count.
        WriteText(folder + "06-03-2024_DEMO_1.zbf", "x");
        WriteText(folder + "05-03-2024_JINA_1.zbf", "x");
        bool allTaken = false;
        EXPECT_EQ(NextBackupFileName(folder, "DEMO", day, allTaken),
                  folder + QString("05-03-2024_DEMO_%1.zbf").arg(c.expected));
        EXPECT_EQ(allTaken, c.allTaken);
    }
}

TEST_F(ZalohovaniTest, ArchiveHoldsTheDescriptionTheFirmAndWithCommonDataOnlyTheUsersOwnLayouts) {
    for (const char* name : {"_NABK.frx", "MojeNabidka.frx", "_Cenik.xls", "Vlastni.XLS", "poznamka.txt"})
        WriteText(PrintFolder + name, QByteArray("layout ") + name);
    CurrentUser.Jmeno = QString::fromUtf8("Jana Dvořáková");
    struct Case {
        bool common;
        QStringList members;
        const char* flag;
    };
    const Case kCases[] = {
        {false, {"info.ini", "DEMO.MDB"}, "0"},
        {true, {"info.ini", "DEMO.MDB", "Global.MDB", "MojeNabidka.frx", "Vlastni.XLS"}, "1"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.common);
        BackupCounter = 41;
        const QString archive = Backup(c.common);
        EXPECT_EQ(BackupCounter, 42);
        TZipError error;
        EXPECT_EQ(ZipMemberNames(archive, &error), c.members);
        EXPECT_EQ(ReadAll(Unpack(archive, "DEMO.MDB")), ReadAll(DataFolder + "DEMO.MDB"));

        const TIniFile info(Unpack(archive, "info.ini"));
        EXPECT_EQ(info.ReadSection("MAIN"), QStringList({"Program", "FullPath", "AgendaFile", "Global", "FRM",
                                                         "Name", "Creator", "DateTime", "Version", "ID"}));
        const std::pair<const char*, QString> kValues[] = {
            {"Program", "VN"},
            {"FullPath", archive},
            {"AgendaFile", "DEMO.MDB"},
            {"Global", c.flag},
            {"FRM", c.flag},
            {"Name", main_->lblAgendaName->text()},
            {"Creator", QString::fromUtf8("Jana Dvořáková")},
            {"DateTime", "5.3.2024 14:30:15"},
            {"Version", "3.00"},
            {"ID", "41"},
        };
        for (const auto& [key, value] : kValues) EXPECT_EQ(info.ReadString("MAIN", key, "?"), value) << key;
        // The temporary description does not outlive the backup.
        EXPECT_FALSE(QFile::exists(PrivateTempFolder + "info.ini"));
    }
    EXPECT_FALSE(main_->lblAgendaName->text().isEmpty());
    // The two backups of one day took the numbers 1 and 2.
    EXPECT_TRUE(QFile::exists(BackupFolder + "05-03-2024_DEMO_2.zbf"));
}

TEST_F(ZalohovaniTest, ChoicesOfTheBackupPageAreRememberedAndTheFolderFollowsTheStandardChoice) {
    BackupToStandardFolder = true;
    BackupUserFolder = PathOf("vlastni/");
    QDir().mkpath(BackupUserFolder);
    TfrmZalohovani window(TfrmZalohovani::tsVytvoreni);
    EXPECT_EQ(window.edtProvestSlozka->text(), BackupFolder);
    EXPECT_FALSE(window.edtProvestSlozka->isEnabled());
    EXPECT_TRUE(window.btnVyjmout->isHidden());
    window.chckProvestdoStand->click();
    EXPECT_EQ(window.edtProvestSlozka->text(), BackupUserFolder);
    EXPECT_TRUE(window.edtProvestSlozka->isEnabled());
    const QString typed = PathOf("jinam/");
    QDir().mkpath(typed);
    window.edtProvestSlozka->setText(typed);
    window.chckProvestSpolecne->setChecked(true);
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(kCreated);
    EXPECT_FALSE(window.CreateBackup());
    EXPECT_TRUE(QFile::exists(typed + "05-03-2024_DEMO_1.zbf"));
    EXPECT_FALSE(BackupToStandardFolder);
    EXPECT_TRUE(BackupCommonData);
    EXPECT_EQ(BackupUserFolder, typed);
}

TEST_F(ZalohovaniTest, RefusedBackupsKeepTheWindowOpenAndTheCounter) {
    const QString folder = PathOf("plna/");
    QDir().mkpath(folder);
    for (int n = 1; n <= kMaxBackupNumber; ++n)
        WriteText(folder + QString("05-03-2024_DEMO_%1.zbf").arg(n), "x");
    const QString last = folder + "05-03-2024_DEMO_999.zbf";
    struct Case {
        const char* name;
        QString folder;
        TExpectedDialog expected;
    };
    const Case kCases[] = {
        {"missing folder", PathOf("neni/"),
         TExpectedDialog::Error(
             QString::fromUtf8("Složka pro zálohování neexistuje - zadejte platnou složku."))},
        {"overwrite of the last number declined", folder,
         TExpectedDialog::Question(
             "Soubor " + last + QString::fromUtf8(" již existuje, opravdu ho chcete přepsat ?"), false)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        BackupToStandardFolder = false;
        BackupUserFolder = c.folder;
        BackupCounter = 7;
        TfrmZalohovani window(TfrmZalohovani::tsVytvoreni);
        TScriptedDialogs dialogs;
        dialogs.Expect(c.expected);
        EXPECT_TRUE(window.CreateBackup());
        EXPECT_EQ(BackupCounter, 7);
    }
    EXPECT_EQ(ReadAll(last), "x");

    // Accepted, the last number is written anew.
    BackupUserFolder = folder;
    TfrmZalohovani window(TfrmZalohovani::tsVytvoreni);
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8("opravdu ho chcete přepsat"), true).ExpectInformation(kCreated);
    EXPECT_FALSE(window.CreateBackup());
    TZipError error;
    EXPECT_EQ(ZipMemberNames(last, &error).value(0), "info.ini");
}

TEST_F(ZalohovaniTest, InterruptedBackupSaysSoAndLeavesNoArchive) {
    TfrmZalohovani window(TfrmZalohovani::tsVytvoreni);
    const QString archive = BackupFolder + "05-03-2024_DEMO_1.zbf";
    // The working window's "<zrušit>" sets the flag; the zip layer hears it at its next report.
    WorkingCancelled = true;
    TScriptedDialogs dialogs;
    dialogs.ExpectError("").ExpectError(QString::fromUtf8("Při vytváření záložního souboru ") + archive +
                                        QString::fromUtf8(" došlo k chybě."));
    EXPECT_FALSE(window.CreateBackup());
    dialogs.Verify();
    EXPECT_FALSE(QFile::exists(archive));
    EXPECT_FALSE(QFile::exists(PrivateTempFolder + "info.ini"));
}

TEST_F(ZalohovaniTest, ListShowsThisProgramsArchivesNewestFirst) {
    for (int id : {5, 7, 6}) {
        BackupCounter = id;
        Backup(id == 7);
    }
    CraftArchive("cizi.zbf", {{"Program", "XY"}, {"AgendaFile", "DEMO.MDB"}, {"ID", "99"}},
                 {{"DEMO.MDB", "x"}});
    CraftArchive("bezpopisu.zbf", {}, {{"DEMO.MDB", "x"}});
    CraftArchive("bezfirmy.zbf", {{"Program", "vn"}, {"ID", "98"}}, {{"DEMO.MDB", "x"}});
    WriteText(BackupFolder + "poskozeny.zbf", "tohle není zip");

    TfrmZalohovani window(TfrmZalohovani::tsObnoveni);
    TScriptedDialogs dialogs;
    // The damaged archive is named by the zip layer's own error and left out.
    dialogs.ExpectError("");
    EXPECT_EQ(window.ListBackups(BackupFolder), 0);
    dialogs.Verify();
    TMemTable& list = window.mtZalSoubory;
    QList<int> ids;
    for (list.First(); !list.Eof(); list.Next()) ids.append(list.FieldByName("IDZal")->AsInteger());
    EXPECT_EQ(ids, QList<int>({7, 6, 5}));
    list.First();
    EXPECT_EQ(list.FieldByName("Soubor")->AsString(), "05-03-2024_DEMO_2.ZBF");
    EXPECT_EQ(list.FieldByName("SouborPlny")->AsString(), BackupFolder + "05-03-2024_DEMO_2.zbf");
    EXPECT_EQ(list.FieldByName("AgendaName")->AsString(), main_->lblAgendaName->text());
    EXPECT_EQ(list.FieldByName("DatumCas")->AsString(), "5.3.2024 14:30:15");
    EXPECT_EQ(list.FieldByName("Verze")->AsString(), "3.00");
    EXPECT_TRUE(list.FieldByName("Global")->AsBoolean());
    EXPECT_TRUE(list.FieldByName("FRM")->AsBoolean());
    list.Next();
    EXPECT_FALSE(list.FieldByName("Global")->AsBoolean());

    EXPECT_EQ(window.ListBackups(PathOf("neni/")), -1);
    EXPECT_TRUE(window.mtZalSoubory.IsEmpty());
}

TEST_F(ZalohovaniTest, RestoreBringsBackTheFirmTheMainDatabaseAndTheLayouts) {
    WriteText(PrintFolder + "MojeNabidka.frx", "verze 1");
    const int addresses = FirmValue("SELECT COUNT(*) FROM Adresar").toInt();
    ASSERT_GT(addresses, 0);
    Backup(true);
    main_->ADOConAgenda.Execute("DELETE FROM Adresar");
    main_->ADOConGlobal.Execute("DELETE FROM KonfigTab");
    WriteText(PrintFolder + "MojeNabidka.frx", "verze 2");
    WriteText(PrintFolder + "Dalsi.frx", "jen po záloze");

    CloseConnections();
    EXPECT_FALSE(Restore(true, true, true));
    OpenConnections();
    EXPECT_EQ(FirmValue("SELECT COUNT(*) FROM Adresar").toInt(), addresses);
    EXPECT_EQ(main_->ADOConGlobal.OpenRowset("SELECT COUNT(*) FROM KonfigTab")->Value(0, 0).toInt(), 1);
    EXPECT_EQ(ReadAll(PrintFolder + "MojeNabidka.frx"), "verze 1");
    // Layouts the backup did not hold are the user's and stay.
    EXPECT_EQ(ReadAll(PrintFolder + "Dalsi.frx"), QString::fromUtf8("jen po záloze").toUtf8());
    // Nothing of the exchange is left behind.
    const QStringList leftovers =
        QDir(DataFolder).entryList({"*~"}, QDir::Files) + QDir(PrintFolder).entryList({"*~"}, QDir::Files);
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(", ").toStdString();
    EXPECT_FALSE(QDir(PrivateTempFolder + "ZALOHA_OBNOVA").exists());
}

TEST_F(ZalohovaniTest, ALinkPlantedAsTheStagingFolderIsRemovedAndWhatItPointsToStays) {
    const int addresses = FirmValue("SELECT COUNT(*) FROM Adresar").toInt();
    Backup(true);
    main_->ADOConAgenda.Execute("DELETE FROM Adresar");
    const TPlantedLink planted(PathOf("cizi dokumenty"), PrivateTempFolder + "ZALOHA_OBNOVA");

    CloseConnections();
    EXPECT_FALSE(Restore(true, false, false));
    OpenConnections();
    EXPECT_TRUE(planted.Intact());
    EXPECT_EQ(FirmValue("SELECT COUNT(*) FROM Adresar").toInt(), addresses);
    EXPECT_FALSE(QFileInfo(PrivateTempFolder + "ZALOHA_OBNOVA").isSymLink());
}

TEST_F(ZalohovaniTest, BackupOfAnotherFirmReplacesTheOpenFirmUnderItsOwnName) {
    const int items = FirmValue("SELECT COUNT(*) FROM Zasoby").toInt();
    ASSERT_GT(items, 0);
    Backup(false);
    CloseConnections();
    BuildEmptyFirmTemplate(DataFolder + "NOVA.MDB");
    CurrentFirm = "NOVA";
    EXPECT_FALSE(Restore(true, false, false));
    main_->ADOConAgenda.Open(DataFolder + "NOVA.MDB");
    EXPECT_EQ(FirmValue("SELECT COUNT(*) FROM Zasoby").toInt(), items);
    EXPECT_TRUE(QDir(DataFolder).entryList({"*~"}, QDir::Files).isEmpty());
}

TEST_F(ZalohovaniTest, UnsafeOrForeignArchiveContentsChangeNothing) {
    const QByteArray mainDb = ReadAll(DataFolder + "Global.MDB");
    struct Case {
        const char* name;
        QList<std::pair<QString, QString>> info;
        QList<std::pair<QString, QByteArray>> members;
        bool global;
        bool layouts;
        QString message;
    };
    const QList<std::pair<QString, QString>> ownFirm = {
        {"Program", "VN"}, {"AgendaFile", "DEMO.MDB"}, {"Global", "1"}, {"FRM", "1"}, {"ID", "1"}};
    const Case kCases[] = {
        {"a firm member that climbs out",
         {{"Program", "VN"}, {"AgendaFile", "../x"}, {"ID", "1"}},
         {{"../x", "zlo"}},
         false,
         false,
         "Unsafe member name: ../x"},
        {"a layout that climbs out",
         ownFirm,
         {{"DEMO.MDB", ReadAll(DataFolder + "DEMO.MDB")}, {"..\\zlo.frx", "zlo"}},
         false,
         true,
         "Unsafe member name"},
        {"a firm member that is no database",
         ownFirm,
         {{"DEMO.MDB", "tohle není databáze"}},
         false,
         false,
         QString::fromUtf8("Soubor DEMO.MDB ze záložního souboru není databází firmy.")},
        {"the main database in place of the firm",
         ownFirm,
         {{"DEMO.MDB", mainDb}},
         false,
         false,
         QString::fromUtf8("není databází firmy")},
        {"a firm database in place of the main one",
         ownFirm,
         {{"DEMO.MDB", ReadAll(DataFolder + "DEMO.MDB")}, {"Global.MDB", ReadAll(DataFolder + "DEMO.MDB")}},
         true,
         false,
         QString::fromUtf8("není globální databází programu")},
        {"no firm member at all", ownFirm, {{"JINA.MDB", "x"}}, false, false, "neobsahuje soubor DEMO.MDB"},
    };
    CloseConnections();
    WriteText(PrintFolder + "MojeNabidka.frx", "moje");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        QDir(BackupFolder).removeRecursively();
        QDir().mkpath(BackupFolder);
        CraftArchive("podvrh.zbf", c.info, c.members);
        const QByteArray firmBefore = ReadAll(DataFolder + "DEMO.MDB");
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(kOverwriteWarning, true);
        dialogs.ExpectError(c.message);
        TfrmZalohovani window(TfrmZalohovani::tsObnoveni);
        ASSERT_EQ(window.ListBackups(BackupFolder), 0);
        OnNextModal([&](QWidget* modal) {
            auto* choice = qobject_cast<TfrmZalObnov*>(modal);
            ASSERT_NE(choice, nullptr);
            choice->chckObnovitGlobal->setChecked(c.global);
            choice->chckObnovitFRM->setChecked(c.layouts);
            choice->btnOk->click();
        });
        EXPECT_TRUE(window.RestoreBackup());
        dialogs.Verify();
        ASSERT_FALSE(dialogs.Shown().empty());
        EXPECT_TRUE(dialogs.Shown().back().text.contains(kUnchanged));
        EXPECT_EQ(ReadAll(DataFolder + "DEMO.MDB"), firmBefore);
        EXPECT_EQ(ReadAll(DataFolder + "Global.MDB"), mainDb);
        EXPECT_EQ(ReadAll(PrintFolder + "MojeNabidka.frx"), "moje");
        EXPECT_FALSE(QDir(PrivateTempFolder + "ZALOHA_OBNOVA").exists());
    }
}

TEST_F(ZalohovaniTest, OneFileThatCannotBeReplacedLeavesEveryFileAsItWas) {
    WriteText(PrintFolder + "MojeNabidka.frx", "verze 1");
    Backup(true);
    main_->ADOConAgenda.Execute("DELETE FROM Adresar");
    WriteText(PrintFolder + "MojeNabidka.frx", "verze 2");
    CloseConnections();
    const QByteArray firmBefore = ReadAll(DataFolder + "DEMO.MDB");
    const QByteArray mainBefore = ReadAll(DataFolder + "Global.MDB");

    // The layouts come last; the print folder refuses them.
    QFile::setPermissions(PrintFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    {
        TFilePermissionsApply applied;
        EXPECT_TRUE(Restore(true, true, true, {TExpectedDialog::Error(QString::fromUtf8("nelze přepsat"))}));
    }
    QFile::setPermissions(PrintFolder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(ReadAll(DataFolder + "DEMO.MDB"), firmBefore);
    EXPECT_EQ(ReadAll(DataFolder + "Global.MDB"), mainBefore);
    EXPECT_EQ(ReadAll(PrintFolder + "MojeNabidka.frx"), "verze 2");
    EXPECT_TRUE(QDir(DataFolder).entryList({"*~"}, QDir::Files).isEmpty());
}

TEST_F(ZalohovaniTest, ChoiceOfWhatToRestore) {
    TfrmZalObnov onlyFirm("Aktivní", "Ze zálohy", false, false);
    EXPECT_TRUE(onlyFirm.chckObnovitAgendu->isChecked());
    EXPECT_FALSE(onlyFirm.chckObnovitGlobal->isChecked());
    EXPECT_FALSE(onlyFirm.chckObnovitGlobal->isEnabled());
    EXPECT_FALSE(onlyFirm.chckObnovitFRM->isEnabled());

    TfrmZalObnov all("Aktivní", "Ze zálohy", true, true);
    EXPECT_TRUE(all.chckObnovitGlobal->isEnabled());
    EXPECT_TRUE(all.chckObnovitFRM->isEnabled());
    all.chckObnovitAgendu->setChecked(false);
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8("Musíte vybrat, která data chcete obnovit."));
        all.btnOk->click();
        dialogs.Verify();
        EXPECT_EQ(all.result(), QDialog::Rejected);
    }
    all.chckObnovitFRM->setChecked(true);
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(
        QString::fromUtf8("Varování: vybraná stávající data budou nenávratně přepsána -  opravdu "
                          "chcete pokračovat ?"),
        false);
    all.btnOk->click();
    EXPECT_EQ(all.result(), QDialog::Rejected);
}

TEST_F(ZalohovaniTest, DeletingAnArchiveAsksAndTakesItsRowAway) {
    Backup(false);
    const QString archive = BackupFolder + "05-03-2024_DEMO_1.zbf";
    TfrmZalohovani window(TfrmZalohovani::tsObnoveni);
    ASSERT_EQ(window.ListBackups(BackupFolder), 0);
    const QString question = "Opravdu chcete smazat soubor " + archive +
                             QString::fromUtf8(" ?\r\rPozor: tato operace je nevratná!");
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(question, false);
        window.btnVyjmout->click();
    }
    EXPECT_TRUE(QFile::exists(archive));
    EXPECT_EQ(window.mtZalSoubory.RecordCount(), 1);
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(question, true);
    window.btnVyjmout->click();
    EXPECT_FALSE(QFile::exists(archive));
    EXPECT_TRUE(window.mtZalSoubory.IsEmpty());
    EXPECT_FALSE(window.btnOk->isEnabled());
}
