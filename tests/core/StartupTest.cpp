#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <stdexcept>

#include "common/FilePermissions.h"
#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/CommonUtils.h"
#include "core/ExclusiveLock.h"
#include "core/Login.h"
#include "core/ProgramFixture.h"
#include "core/Startup.h"
#include "core/Upgrade.h"
#include "core/VyberLocNet.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"
#include "platform/files/FileSwap.h"
#include "platform/text/FormatSettings.h"
#include "platform/ui/ModalHelper.h"

namespace {

const QString kNoFirmChosen = QString::fromUtf8("Nebyla vybrána žádná firma, program bude ukončen.");
const QString kProgramLocked = QString::fromUtf8("Na některé stanici v síti nyní probíhá operace");

class StartupTest : public ProgramFixture {
public:
    void SetKonfig(const QString& sql) {
        TADOConnection con;
        con.Open(DataFolder + "Global.MDB");
        con.Execute(sql);
        con.Close();
        ProbePresence(PresenceFileOf(DataFolder + "Global.MDB"));
    }
    void CopyMainDatabase() { QFile::copy(ProgramFolder + "Res/0002.res", DataFolder + "Global.MDB"); }
};

TEST_F(StartupTest, FirstStartMakesTheDatabasesAndOpensTheDemonstrationFirm) {
    QFile::remove(ProgramFolder + kProgramIniName);
    int asked = 0;
    ExecDataFolderDialog = [&](TfrmVyberLocNet& window) {
        ++asked;
        window.rbLokalni->setChecked(true);
        return static_cast<int>(QDialog::Accepted);
    };
    TScriptedDialogs dialogs;
    ASSERT_FALSE(RunStartup());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(DataFolder, UserData() + "DATA/");
    EXPECT_EQ(BackupFolder, UserData() + "ZALOHY/");
    EXPECT_TRUE(QFile::exists(DataFolder + "Global.MDB"));
    EXPECT_TRUE(QFile::exists(DataFolder + "DEMO.MDB"));
    EXPECT_TRUE(QFile::exists(DataFolder + "index.rpo"));
    EXPECT_FALSE(RunPrgFirst);
    EXPECT_FALSE(RunPrgSetup);
    EXPECT_EQ(CurrentFirm, "DEMO");
    EXPECT_TRUE(main_->ADOConAgenda.Connected());
    EXPECT_EQ(main_->lblAgendaName->text(), QString::fromUtf8("DEMO - fiktivní firma"));
    EXPECT_EQ(main_->lblProgramVer->text(), "Verze 3.00");
    EXPECT_EQ(LastPostalCodeID, 1);
    EXPECT_EQ(LastPostalCodeSort, "PSC");
    // The program note for every firm is on the desktop; the one for the firm FIRMA is not.
    ASSERT_EQ(main_->mtPoznSeznam.RecordCount(), 1);
    EXPECT_EQ(main_->mtPoznSeznam.FieldByName("ID")->AsInteger(), -1001);

    // The profile saved at the end names the firm, and the next start goes straight to it.
    SaveUserProfileAndExit();
    EXPECT_EQ(terminations_, 1);
    EXPECT_EQ(ReadIni("CONFIG", "LastDBName"), "DEMO");
    EXPECT_EQ(ReadIni("CONFIG", "RunPrgFirst"), "0");
    EXPECT_EQ(ReadIni("PATH", "DataPath"), UserData() + "DATA/");
    EXPECT_EQ(ProgramIniPath(), Folder() + "home/.config/Varnobis/" + kProgramIniName);
    EXPECT_FALSE(QFile::exists(ProgramFolder + kProgramIniName));
}

// Each way the start ends early: what the user is told, and that the program goes no further.
TEST_F(StartupTest, StartEndsWithItsMessage) {
    struct Case {
        const char* name;
        std::function<void(StartupTest&)> arrange;
        TExpectedDialog expected;
    };
    const Case kCases[] = {
        {"main template missing", [](StartupTest&) { QFile::remove(ProgramFolder + "Res/0002.res"); },
         TExpectedDialog::Error(QString::fromUtf8("Nebyl nalezen zdrojový soubor ") + "%prog%Res/0002.res" +
                                QString::fromUtf8(" Proveďte reinstalaci programu!"))},
        {"main database newer than the program",
         [](StartupTest& t) {
             t.CopyMainDatabase();
             t.SetKonfig("UPDATE Verze SET VerID = 7");
         },
         TExpectedDialog::Warning(NewerMainDatabaseMessage(7))},
        {"main database unreadable",
         [](StartupTest&) { WriteText(DataFolder + "Global.MDB", QByteArray(4096, 'x')); },
         TExpectedDialog::Error(
             QString::fromUtf8("Při pokusu o připojení hlavní databáze došlo k následující chybě:\r\r"))},
        {"last firm missing, no firm chosen",
         [](StartupTest& t) {
             t.WriteIni("CONFIG", "LastDBName", "ZMIZELA");
             ExecFirmListDialog = [](TfrmSeznamFirem&) { return static_cast<int>(QDialog::Rejected); };
         },
         TExpectedDialog::Information(kNoFirmChosen)},
        {"a killed restore that cannot be finished",
         [](StartupTest& t) {
             t.CopyMainDatabase();
             QFile::copy(ProgramFolder + "Res/0003.res", DataFolder + "DEMO.MDB");
             QFile::copy(ProgramFolder + "Res/0001.res", DataFolder + "nova");
             // Killed once its journal was written, before the firm was set aside; a folder now
             // stands where the firm would go aside, so the start cannot finish the exchange.
             TFileSwap swap(RestoreJournalPath());
             swap.Add(DataFolder + "nova", DataFolder + "DEMO.MDB");
             int steps = 0;
             TFileSwap::BeforeStep = [&] {
                 if (++steps == 2) throw std::runtime_error("killed");
             };
             QString failed;
             EXPECT_THROW(swap.Run(failed), std::runtime_error);
             TFileSwap::BeforeStep = nullptr;
             QDir().mkpath(DataFolder + "DEMO.MDB" + kSwapKeptSuffix + "/x");
         },
         TExpectedDialog::Error(QString::fromUtf8("Obnovu dat ze záložní kopie, která byla přerušena, nelze "
                                                  "dokončit"))},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Arrange();
        c.arrange(*this);
        TExpectedDialog expected = c.expected;
        expected.fragment.replace("%prog%", ProgramFolder);
        {
            TScriptedDialogs dialogs;
            dialogs.Expect(expected);
            EXPECT_TRUE(RunStartup());
        }
        EXPECT_FALSE(main_->ADOConAgenda.Connected());
    }
}

TEST_F(StartupTest, TheExclusiveLockStopsOnlyWhileAnotherStationHoldsIt) {
    const QString lock = DataFolder + "LOCK/~program.lck";
    QDir().mkpath(DataFolder + "LOCK");
    {
        LockHolder station(lock, true);
        ASSERT_TRUE(station.Start());
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(kProgramLocked);
        EXPECT_TRUE(RunStartup());
        EXPECT_FALSE(QFile::exists(DataFolder + "Global.MDB"));
    }
    // The station has ended and left its file behind: the start deletes it and goes on.
    ASSERT_TRUE(QFile::exists(lock));
    TScriptedDialogs dialogs;
    EXPECT_FALSE(RunStartup());
    EXPECT_FALSE(QFile::exists(lock));
}

TEST_F(StartupTest, DemonstrationFirmIsMadeOnlyOnTheFirstRun) {
    // Present already: nothing is copied over it, and the first run is over all the same.
    WriteIni("CONFIG", "LastDBName", "DEMO");
    QFile::copy(ProgramFolder + "Res/0001.res", DataFolder + "demo.mdb");
    {
        TScriptedDialogs dialogs;
        ASSERT_FALSE(RunStartup());
    }
    EXPECT_FALSE(RunPrgFirst);
    EXPECT_FALSE(QFile::exists(DataFolder + "DEMO.MDB"));
    EXPECT_NE(main_->lblAgendaName->text(), QString::fromUtf8("DEMO - fiktivní firma"));

    // Missing with its template gone: the start ends and the first run stays to be done.
    main_.reset();
    main_ = std::make_unique<TfrmMain>();
    QFile::remove(DataFolder + "demo.mdb");
    QFile::remove(ProgramFolder + "Res/0003.res");
    RunPrgFirst = true;
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8("Nebyl nalezen zdrojový soubor ") + ProgramFolder + "Res/0003.res");
    EXPECT_TRUE(RunStartup());
    EXPECT_TRUE(RunPrgFirst);
}

TEST_F(StartupTest, MissingLastFirmOpensTheListAndTheChosenFirm) {
    WriteIni("CONFIG", "LastDBName", "ZMIZELA");
    int listed = 0;
    ExecFirmListDialog = [&](TfrmSeznamFirem& window) {
        ++listed;
        EXPECT_TRUE(window.mtSeznamFirem.Locate("Soubor", "DEMO.MDB"));
        return static_cast<int>(QDialog::Accepted);
    };
    TScriptedDialogs dialogs;
    ASSERT_FALSE(RunStartup());
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(CurrentFirm, "DEMO");
    EXPECT_TRUE(main_->ADOConAgenda.Connected());
}

TEST_F(StartupTest, BackupCounterComesFromTheFirstConfigurationRowAndGoesBackAtTheEnd) {
    CopyMainDatabase();
    SetKonfig("UPDATE KonfigTab SET IDZalohy = 41");
    {
        TScriptedDialogs dialogs;
        ASSERT_FALSE(RunStartup());
    }
    EXPECT_EQ(BackupCounter, 41);
    BackupCounter = 42;
    SaveUserProfileAndExit();
    EXPECT_EQ(ReadBackupCounter(), 42);
    // A second way out in the same run (the window closing after "Konec") saves nothing again.
    SaveUserProfileAndExit();
    EXPECT_EQ(terminations_, 1);

    // Without a row the counter is 0 and saving it changes nothing.
    main_->ADOConGlobal.Execute("DELETE FROM KonfigTab");
    EXPECT_EQ(ReadBackupCounter(), 0);
    EXPECT_EQ(SaveBackupCounter(), 0);
    EXPECT_TRUE(main_->ADOConGlobal.OpenRowset("SELECT * FROM KonfigTab")->RowCount() == 0);
}

TEST_F(StartupTest, AStepOfTheEndThatFailsIsToldAndTheProgramStillEnds) {
    struct Case {
        const char* name;
        const char* message;
        std::function<void(TfrmMain&)> breakIt;
        bool counterSaved;  // the last step, made after the failed one
    };
    const Case kCases[] = {
        {"ini file cannot be written", "Nastavení programu se nepodařilo uložit do souboru ",
         [](TfrmMain&) { QFile::setPermissions(ProgramFolder, QFile::ReadOwner | QFile::ExeOwner); }, true},
        {"firm database gone", "Pracovní stav uživatele se nepodařilo uložit do databáze firmy.",
         [](TfrmMain& m) { m.ADOConAgenda.Execute("DROP TABLE Uzivatelske"); }, true},
        {"backup counter", "Počítadlo záloh se nepodařilo uložit do hlavní databáze.",
         [](TfrmMain& m) { m.ADOConGlobal.Execute("DROP TABLE KonfigTab"); }, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Arrange();
        StartWithDemo();
        c.breakIt(*main_);
        BackupCounter = 77;
        const int terminationsBefore = terminations_;
        {
            TFilePermissionsApply asAUser;
            TScriptedDialogs dialogs;
            dialogs.ExpectError(QString::fromUtf8(c.message));
            SaveUserProfileAndExit();
            dialogs.Verify();
        }
        QFile::setPermissions(ProgramFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(terminations_, terminationsBefore + 1);
        if (c.counterSaved) {
            EXPECT_EQ(ReadBackupCounter(), 77);
        }
    }
}

TEST_F(StartupTest, CancelledPasswordEndsTheStartWithoutAWord) {
    CopyMainDatabase();
    SetKonfig(QString::fromUtf8("INSERT INTO Login (UzivID, Jmeno, Pwd) VALUES (1, 'Správce', '") +
              ScramblePassword("heslo") + "')");
    bool prompted = false;
    OnNextModal([&](QWidget* modal) {
        prompted = modal->objectName() == "frmSplash";
        static_cast<QDialog*>(modal)->reject();
    });
    TScriptedDialogs dialogs;
    EXPECT_TRUE(RunStartup());
    EXPECT_TRUE(prompted);
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_FALSE(main_->ADOConAgenda.Connected());
}

TEST(StartupRulesTest, WindowsVersionWarning) {
    struct Case {
        bool readable;
        int major, minor;
        bool warn;
    };
    const Case kCases[] = {{true, 6, 3, false}, {true, 6, 4, true},  {true, 10, 0, true},
                           {true, 7, 0, true},  {true, 5, 9, false}, {false, 10, 0, false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << (c.readable ? "" : " unreadable"));
        EXPECT_EQ(WindowsVersionNeedsWarning(c.readable, c.major, c.minor), c.warn);
    }
    int major = 0, minor = 0;
    EXPECT_FALSE(ParseWindowsVersion("6.x", major, minor));
    EXPECT_FALSE(WindowsVersionNeedsWarning(false, major, minor));
}

TEST(StartupRulesTest, LocaleDateSeparator) {
    struct Case {
        const char* separator;
        const char* format;
        const char* expectedFormat;
        QChar expectedSeparator;
    };
    const Case kCases[] = {
        {".", "d.M.yyyy", "d.M.yyyy", '/'},     // one character: untouched
        {"", "d.M.yyyy", "d.M.yyyy", '/'},      // empty: untouched
        {". ", "d. M. yyyy", "d.M.yyyy", '.'},  // dot and blank: a single dot
        {" - ", "d - M - yyyy", "d-M-yyyy", '-'},
        {"  ", "d  M  yyyy", "d  M  yyyy", '/'},  // only blanks: nothing to keep
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.separator);
        TFormatSettings settings;
        settings.DateSeparator = '/';
        settings.ShortDateFormat = c.format;
        ApplyLocaleDateSeparator(QString::fromLatin1(c.separator), settings);
        EXPECT_EQ(settings.ShortDateFormat, c.expectedFormat);
        EXPECT_EQ(settings.DateSeparator, c.expectedSeparator);
    }
}

}  // namespace
