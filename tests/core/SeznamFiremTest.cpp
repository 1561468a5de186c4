#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "common/Artifacts.h"
#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "core/SeznamFirem.h"
#include "core/VyberLocNet.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"
#include "platform/ui/DirectoryEdit.h"
#include "widgets/VnDBGrids.h"

namespace {

const QString kDeletePhrase = QString::fromUtf8(kDeleteFirmPhrase);

class SeznamFiremTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }

    // A firm database with its name in the settings.
    void AddFirm(const QString& file, const QString& name) {
        const QString path = DataFolder + file;
        QFile::copy(ProgramFolder + "Res/0001.res", path);
        TADOConnection con;
        con.Open(path);
        TParameters p;
        p.AddParameter("Hodnota")->Value = name;
        con.Execute("INSERT INTO Nastaveni (IDHodnoty, Hodnota, Popis) VALUES (1, :Hodnota, 'Firma - název')",
                    p);
        con.Close();
        ProbePresence(PresenceFileOf(path));
    }

    // The list's files in its order.
    static QStringList Files(TfrmSeznamFirem& window) {
        QStringList files;
        TMemTable& list = window.mtSeznamFirem;
        for (list.First(); !list.Eof(); list.Next()) files << list.FieldByName("Soubor")->AsString();
        return files;
    }

    // Runs the firm list with the scripted user's actions; answers its result.
    int RunList(bool pickOnly, const std::function<int(TfrmSeznamFirem&)>& user, QString* name = nullptr) {
        ExecFirmListDialog = user;
        QString chosen;
        const int result = ShowFirmList(pickOnly, chosen);
        if (name) *name = chosen;
        return result;
    }
};

TEST_F(SeznamFiremTest, ListsTheFirmDatabasesByNameWhateverTheCaseOfTheirFiles) {
    AddFirm("firma1.mdb", "Alfa stavby s.r.o.");
    AddFirm("Zeta.MDB", "Beta obchod");
    WriteText(DataFolder + "ROZBITA.MDB", QByteArray(4096, 'x'));
    WriteText(DataFolder + "poznamka.txt", "no firm");
    RunList(false, [&](TfrmSeznamFirem& window) {
        EXPECT_EQ(Files(window), QStringList({"FIRMA1.MDB", "ZETA.MDB", "DEMO.MDB"}));
        // The open firm is the current row, and DEMO is there, so its button is not.
        EXPECT_EQ(window.mtSeznamFirem.FieldByName("Soubor")->AsString(), "DEMO.MDB");
        EXPECT_FALSE(window.btnPridatDemo->isVisible());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        const QImage picture = window.grab().toImage();
        picture.save(ArtifactPath("firm-list.png"));
        // The open firm's row, the third, is drawn selected; the first is not.
        TVnDBGrid* grid = window.grSeznamFirem;
        const QImage gridPicture = grid->grab().toImage();
        const int title = grid->RowHeights(0), row = grid->RowHeights(1);
        const QColor first = gridPicture.pixelColor(200, title + row / 2);
        const QColor third = gridPicture.pixelColor(200, title + 2 * row + row / 2);
        EXPECT_EQ(first, QColor(Qt::white));
        EXPECT_NE(third, first);
        return static_cast<int>(QDialog::Rejected);
    });
}

TEST_F(SeznamFiremTest, NewFirmTakesTheFirstFreeNumberAndIsSeededWhenOpened) {
    AddFirm("Firma1.MDB", "Jedna");
    AddFirm("firma2.mdb", "Dva");
    int settingsShown = 0;
    ExecSettingsDialog = [&](TfrmNastaveni&) {
        ++settingsShown;
        return static_cast<int>(QDialog::Rejected);
    };
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8("Tato funkce přidá novou firmu."), true);
    EXPECT_EQ(RunList(false,
                      [](TfrmSeznamFirem& window) {
                          window.btnPridat->click();
                          return window.result();
                      }),
              kFirmListOk);
    EXPECT_TRUE(QFile::exists(DataFolder + "Firma3.MDB"));
    EXPECT_EQ(CurrentFirm, "FIRMA3");
    EXPECT_EQ(main_->lblAgendaName->text(), QString::fromUtf8("<bez názvu>"));
    EXPECT_EQ(settingsShown, 1);

    TADOConnection& con = main_->ADOConAgenda;
    const auto series = con.OpenRowset("SELECT PrefixOzn, Cislo, PocetMist, ModulOzn FROM CisRady");
    ASSERT_EQ(series->RowCount(), 1u);
    EXPECT_EQ(series->Value(0, 0).toString(), "NB");
    EXPECT_EQ(series->Value(0, 1).toInt(), 1);
    EXPECT_EQ(series->Value(0, 2).toInt(), 5);
    EXPECT_EQ(series->Value(0, 3).toString(), "NB");
    const auto name = con.OpenRowset("SELECT Hodnota, Popis FROM Nastaveni WHERE IDHodnoty = 1");
    ASSERT_EQ(name->RowCount(), 1u);
    EXPECT_EQ(name->Value(0, 0).toString(), QString::fromUtf8("<bez názvu>"));
    EXPECT_EQ(name->Value(0, 1).toString(), QString::fromUtf8("Firma - název"));
    // Opening gave the firm its first price-list sheet.
    EXPECT_EQ(con.OpenRowset("SELECT Nazev FROM Sklady")->Value(0, 0).toString(), "List 1");
}

TEST_F(SeznamFiremTest, DeletingAFirmNeedsThePhraseAndAFirmNobodyHasOpen) {
    AddFirm("FIRMA1.MDB", "Alfa");
    struct Case {
        const char* name;
        const char* row;
        std::vector<TExpectedDialog> dialogs;
        bool holdOpen;
        bool deleted;
    };
    const QString question = QString::fromUtf8("Tato funkce nenávratně smaže vybranou firmu z disku!");
    const QString prompt =
        QString::fromUtf8("napište do políčka tento kontrolní řetězec:\r\r") + kDeletePhrase;
    const Case kCases[] = {
        {"open firm",
         "DEMO.MDB",
         {TExpectedDialog::Information(QString::fromUtf8("Aktivní firmu nelze mazat."))},
         false,
         false},
        {"answered No", "FIRMA1.MDB", {TExpectedDialog::Question(question, false)}, false, false},
        {"empty answer",
         "FIRMA1.MDB",
         {TExpectedDialog::Question(question, true), TExpectedDialog::Input(prompt, "")},
         false,
         false},
        {"wrong phrase",
         "FIRMA1.MDB",
         {TExpectedDialog::Question(question, true), TExpectedDialog::Input(prompt, "smazat"),
          TExpectedDialog::Warning(QString::fromUtf8("Kontrolní řetězec nebyl správně zadán"))},
         false,
         false},
        {"open at another station",
         "FIRMA1.MDB",
         {TExpectedDialog::Question(question, true),
          TExpectedDialog::Input(prompt, QString::fromUtf8("chci nenávratně smazat firmu")),
          TExpectedDialog::Error(QString::fromUtf8("Firmu se nepodařilo smazat"))},
         true,
         false},
        {"phrase in lower case",
         "FIRMA1.MDB",
         {TExpectedDialog::Question(question, true),
          TExpectedDialog::Input(prompt, QString::fromUtf8("chci nenávratně smazat firmu"))},
         false,
         true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<LockHolder> station;
        if (c.holdOpen) {
            station = std::make_unique<LockHolder>(PresenceFileOf(DataFolder + "FIRMA1.MDB"), false);
            ASSERT_TRUE(station->Start());
        }
        TScriptedDialogs dialogs;
        dialogs.ExpectAll(c.dialogs);
        RunList(false, [&](TfrmSeznamFirem& window) {
            EXPECT_TRUE(window.mtSeznamFirem.Locate("Soubor", c.row));
            window.btnVyjmout->click();
            EXPECT_EQ(window.mtSeznamFirem.Locate("Soubor", c.row), !c.deleted);
            return static_cast<int>(QDialog::Rejected);
        });
        EXPECT_EQ(QFile::exists(DataFolder + c.row), !c.deleted);
    }
}

TEST_F(SeznamFiremTest, DemonstrationFirmComesBackFromItsTemplate) {
    main_->ADOConAgenda.Close();
    AddFirm("FIRMA1.MDB", "Alfa");
    CurrentFirm = "FIRMA1";
    ASSERT_EQ(OpenFirmDatabase(), 0);
    QFile::remove(DataFolder + "DEMO.MDB");
    TScriptedDialogs dialogs;
    RunList(false, [&](TfrmSeznamFirem& window) {
        EXPECT_FALSE(window.btnPridatDemo->isHidden());
        window.btnPridatDemo->click();
        EXPECT_TRUE(window.btnPridatDemo->isHidden());
        EXPECT_EQ(Files(window), QStringList({"FIRMA1.MDB", "DEMO.MDB"}));
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_TRUE(QFile::exists(DataFolder + "DEMO.MDB"));
}

TEST_F(SeznamFiremTest, PickModeOnlyNamesTheChosenFirm) {
    AddFirm("FIRMA1.MDB", "Alfa");
    QString name;
    const int result = RunList(
        true,
        [](TfrmSeznamFirem& window) {
            for (QPushButton* hidden :
                 {window.btnPridat, window.btnVyjmout, window.btnOpravitDB, window.btnPridatDemo})
                EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
            EXPECT_FALSE(window.btnVyberDatSlozky->isEnabled());
            EXPECT_EQ(window.btnOk->text(), "OK");
            window.mtSeznamFirem.Locate("Soubor", "FIRMA1.MDB");
            window.btnOk->click();
            return window.result();
        },
        &name);
    EXPECT_EQ(result, kFirmListOk);
    EXPECT_EQ(name, "FIRMA1");
    EXPECT_EQ(CurrentFirm, "DEMO");
}

TEST_F(SeznamFiremTest, RedirectingTheDataFolderWritesOnlyThePathAndEnds) {
    WriteIni("CONFIG", "LastDBName", "STARA");
    const QString target = Folder() + "jinde/";
    QDir().mkpath(target);
    ExecDataFolderDialog = [&](TfrmVyberLocNet& window) {
        window.rbSitove->setChecked(true);
        window.edtNetSlozkaData->setText(target.chopped(1));
        return static_cast<int>(QDialog::Accepted);
    };
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8("přesměrování datové složky"), true);
    dialogs.ExpectInformation(QString::fromUtf8("Datová složka bude přesměrována až po opětovném spuštění."));
    RunList(false, [](TfrmSeznamFirem& window) {
        window.btnVyberDatSlozky->click();
        return window.result();
    });
    EXPECT_EQ(ReadIni("PATH", "DataPath"), target);
    EXPECT_EQ(ReadIni("CONFIG", "LastDBName"), "STARA");
    EXPECT_EQ(terminations_, 1);
    EXPECT_TRUE(ProgramTerminating());
}

TEST_F(SeznamFiremTest, DatabaseToolStartsOnlyWhenInstalledAndThenEndsTheProgram) {
    QStringList started;
    bool installed = false;
    StartDatabaseTool = [&](const QString& program) {
        started << program;
        return installed;
    };
    const QString question = QString::fromUtf8("Tato volba spustí externí nástroj \"Správa databází\"");
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(question, true);
    dialogs.ExpectWarning(QString::fromUtf8("Program \"Správa databází\" není nainstalován"));
    auto press = [](TfrmSeznamFirem& window) {
        window.btnOpravitDB->click();
        return window.result();
    };
    RunList(false, press);
    EXPECT_EQ(terminations_, 0);

    installed = true;
    dialogs.ExpectQuestion(question, true);
    RunList(false, press);
    EXPECT_EQ(started, QStringList({ProgramFolder + "meldran", ProgramFolder + "meldran"}));
    EXPECT_EQ(terminations_, 1);
    EXPECT_EQ(ReadIni("CONFIG", "LastDBName"), "DEMO");
}

TEST_F(SeznamFiremTest, OpeningResetsTheChangeStampsOnlyForTheFirstStation) {
    AddFirm("FIRMA1.MDB", "Alfa");
    CurrentFirm = "FIRMA1";
    const QString stamp = ChangeStampPath("Adresar");
    auto writeStamp = [&] { WriteText(stamp, QByteArray(8, '\1')); };

    writeStamp();
    {
        LockHolder station(PresenceFileOf(DataFolder + "FIRMA1.MDB"), false);
        ASSERT_TRUE(station.Start());
        TScriptedDialogs dialogs;
        ASSERT_EQ(OpenFirmDatabase(), 0);
        EXPECT_TRUE(QFile::exists(stamp));
    }
    main_->ADOConAgenda.Close();
    TScriptedDialogs dialogs;
    ASSERT_EQ(OpenFirmDatabase(), 0);
    EXPECT_FALSE(QFile::exists(stamp));
    // And from now on the firm connection stamps what it changes.
    main_->ADOConAgenda.Execute("INSERT INTO Adresar (Nazev) VALUES ('Nová')");
    EXPECT_TRUE(QFile::exists(stamp));
}

TEST_F(SeznamFiremTest, AFirmThatCannotBeOpenedEndsTheProgram) {
    WriteText(DataFolder + "ROZBITA.MDB", QByteArray(4096, 'x'));
    // Listed names come from the files that open; this one is put into the list by hand, as if it
    // broke while the list was shown.
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString());
    dialogs.ExpectError(QString::fromUtf8("Při otevření firmy došlo k chybě, program bude ukončen."));
    RunList(false, [](TfrmSeznamFirem& window) {
        window.mtSeznamFirem.Append();
        window.mtSeznamFirem.FieldByName("Nazev")->SetAsString("Rozbita");
        window.mtSeznamFirem.FieldByName("Soubor")->SetAsString("ROZBITA.MDB");
        window.mtSeznamFirem.Post();
        return static_cast<int>(QDialog::Accepted);
    });
    EXPECT_EQ(terminations_, 1);
}

// The engine raising in the middle of the opening, after the firm is connected: the program must not
// stay on the new firm's connection with the previous firm's name and settings.
TEST_F(SeznamFiremTest, AFirmTheEngineFailsOnHalfwayIsNotLeftConnected) {
    const auto addBrokenFirm = [this] {
        AddFirm("POLOVICNI.MDB", QString::fromUtf8("Poloviční"));
        TADOConnection con;
        con.Open(DataFolder + "POLOVICNI.MDB");
        con.Execute("DROP TABLE Sklady");
        con.Close();
        ProbePresence(PresenceFileOf(DataFolder + "POLOVICNI.MDB"));
    };
    addBrokenFirm();
    const QString before = main_->lblAgendaName->text();
    TScriptedDialogs dialogs;
    dialogs.ExpectError("Sklady");
    dialogs.ExpectError(QString::fromUtf8("Při otevření firmy došlo k chybě, program bude ukončen."));
    RunList(false, [](TfrmSeznamFirem& window) {
        EXPECT_TRUE(window.mtSeznamFirem.Locate("Soubor", "POLOVICNI.MDB"));
        return static_cast<int>(QDialog::Accepted);
    });
    dialogs.Verify();
    EXPECT_EQ(terminations_, 1);
    EXPECT_FALSE(main_->ADOConAgenda.Connected());
    EXPECT_EQ(main_->lblAgendaName->text(), before);

    // The same firm at start-up ends the start.
    Arrange();
    addBrokenFirm();
    WriteIni("CONFIG", "LastDBName", "POLOVICNI");
    TScriptedDialogs atStart;
    atStart.ExpectError("Sklady");
    EXPECT_TRUE(RunStartup());
    atStart.Verify();
    EXPECT_FALSE(main_->ADOConAgenda.Connected());
}

TEST_F(SeznamFiremTest, RightsOfTheListAndOfItsButtons) {
    const QString noRights = QString::fromUtf8(kNoRightsText);
    AddFirm("FIRMA1.MDB", "Alfa");
    CurrentUser.SeznamAgend_AR = TAccessLevel::NoAccess;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(noRights);
        int shown = 0;
        EXPECT_EQ(RunList(false, [&](TfrmSeznamFirem&) { return ++shown, 0; }), -1);
        EXPECT_EQ(shown, 0);
    }
    // Without the right to delete: adding is allowed, deleting and redirecting are not.
    CurrentUser.SeznamAgend_AR = TAccessLevel::NoDelete;
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(noRights);
    dialogs.ExpectInformation(noRights);
    dialogs.ExpectQuestion(QString::fromUtf8("Tato funkce přidá novou firmu."), false);
    RunList(false, [](TfrmSeznamFirem& window) {
        window.mtSeznamFirem.Locate("Soubor", "FIRMA1.MDB");
        window.btnVyjmout->click();
        window.btnVyberDatSlozky->click();
        window.btnPridat->click();
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_TRUE(QFile::exists(DataFolder + "FIRMA1.MDB"));
}

TEST(NextNewFirmFileTest, SkipsNumbersTakenInAnyLetterCase) {
    QTemporaryDir folder;
    const QString saved = DataFolder;
    DataFolder = folder.path() + "/";
    for (const char* name : {"Firma1.MDB", "FIRMA2.mdb", "firma4.MDB"})
        QFile(DataFolder + name).open(QIODevice::WriteOnly);
    EXPECT_EQ(NextNewFirmFile(), DataFolder + "Firma3.MDB");
    DataFolder = saved;
}

}  // namespace
