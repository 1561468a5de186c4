// Backup and restore from the main window's menu: a backup of the demonstration firm, a change, the
// restore that brings the data back and ends the program, and the refusals before the window opens.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/Startup.h"
#include "core/Working.h"
#include "exchange/ZalObnov.h"
#include "exchange/Zalohovani.h"
#include "platform/data/Field.h"
#include "platform/ui/DirectoryEdit.h"
#include "pricelist/PriceListFixture.h"
#include "widgets/VnDBGrids.h"

namespace {

class BackupTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        {
            TScriptedDialogs dialogs;
            StartWithDemo();
        }
        clock_ = BackupClock;
        BackupClock = [] { return DateTimeToOle(QDate(2024, 3, 5), QTime(8, 15)); };
    }
    void TearDown() override {
        BackupClock = clock_;
        WorkingCancelled = false;
        ProgramFixture::TearDown();
    }
    int Count(const QString& sql) { return main_->ADOConAgenda.OpenRowset(sql)->Value(0, 0).toInt(); }
    bool BothConnected() const { return main_->ADOConAgenda.Connected() && main_->ADOConGlobal.Connected(); }

    std::function<TDateTime()> clock_;
};

}  // namespace

TEST_F(BackupTest, BackupAndRestoreFromTheMenuBringTheFirmBackAndEndTheProgram) {
    const int offers = Count("SELECT COUNT(*) FROM Nabidky");
    ASSERT_GT(offers, 0);
    const QString archive = BackupFolder + "05-03-2024_DEMO_1.zbf";
    const QString programLock = LockFolder + kProgramLockName;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8("Byl vytvořen záložní soubor ") + archive);
        TModalDriver driver;
        driver.On("frmZalohovani", [&](QWidget* window) {
            auto* w = qobject_cast<TfrmZalohovani*>(window);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->pgcZalohovani->currentIndex(), TfrmZalohovani::tsVytvoreni);
            EXPECT_EQ(w->lblAgendaName->text(), main_->lblAgendaName->text());
            EXPECT_EQ(w->edtProvestSlozka->text(), BackupFolder);
            // While the window is up the station has no connection, and other stations cannot start.
            EXPECT_FALSE(main_->ADOConAgenda.Connected());
            EXPECT_FALSE(main_->ADOConGlobal.Connected());
            EXPECT_TRUE(TestRecordLock(programLock));
            w->chckProvestSpolecne->setChecked(true);
            w->btnOk->click();
        });
        main_->Vytvorenizalohy1->trigger();
    }
    EXPECT_TRUE(QFile::exists(archive));
    EXPECT_TRUE(BothConnected());
    EXPECT_FALSE(QFile::exists(programLock));
    EXPECT_EQ(terminations_, 0);

    main_->ADOConAgenda.Execute("DELETE FROM NabPolozky");
    main_->ADOConAgenda.Execute("DELETE FROM Nabidky");
    ASSERT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), 0);
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8("opravdu chcete pokračovat ?"), true);
        dialogs.ExpectInformation(
            QString::fromUtf8("Dokončeno - změny se projeví až po opětovném spuštění programu.\r\rProgram se "
                              "proto nyní ukončí."));
        TModalDriver driver;
        driver
            .On("frmZalohovani",
                [&](QWidget* window) {
                    auto* w = qobject_cast<TfrmZalohovani*>(window);
                    ASSERT_NE(w, nullptr);
                    EXPECT_EQ(w->pgcZalohovani->currentIndex(), TfrmZalohovani::tsObnoveni);
                    EXPECT_TRUE(w->btnVyjmout->isVisible());
                    ASSERT_EQ(w->mtZalSoubory.RecordCount(), 1);
                    EXPECT_EQ(w->mtZalSoubory.FieldByName("Soubor")->AsString(), "05-03-2024_DEMO_1.ZBF");
                    EXPECT_TRUE(w->btnOk->isEnabled());
                    w->btnOk->click();
                })
            .On("frmZalObnov", [&](QWidget* window) {
                auto* choice = qobject_cast<TfrmZalObnov*>(window);
                ASSERT_NE(choice, nullptr);
                EXPECT_EQ(choice->lblFirmaZeZalohy->text(), main_->lblAgendaName->text());
                EXPECT_TRUE(choice->chckObnovitGlobal->isEnabled());
                choice->btnOk->click();
            });
        main_->Obnovenidatzezalohy1->trigger();
    }
    EXPECT_EQ(terminations_, 1);
    EXPECT_TRUE(ProgramTerminating());
    EXPECT_EQ(ReadIni("CONFIG", "LastDBName"), "DEMO");
    ASSERT_TRUE(BothConnected());
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), offers);
}

TEST_F(BackupTest, RefusalsBeforeTheWindowLeaveTheConnectionsOpen) {
    struct Case {
        const char* name;
        bool create;
    };
    const Case kCases[] = {{"backup", true}, {"restore", false}};
    // Another station holds the main database.
    LockHolder station(DataFolder + "Global.ldb", false);
    ASSERT_TRUE(station.Start());
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(
            "Zálohování nyní nelze spustit - na některé další stanici v síti je program stále spuštěný."));
        (c.create ? main_->Vytvorenizalohy1 : main_->Obnovenidatzezalohy1)->trigger();
        dialogs.Verify();
        EXPECT_TRUE(BothConnected());
    }
    station.Stop();

    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        (c.create ? CurrentUser.VytvoreniZalohy_AR : CurrentUser.ObnoveniZalohy_AR) = false;
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
        EXPECT_TRUE(ShowBackupDialog(c.create));
        dialogs.Verify();
        EXPECT_TRUE(BothConnected());
    }
    EXPECT_EQ(terminations_, 0);
}

TEST_F(BackupTest, RestoreWindowListsTheChosenFolderAndOnlyThenOffersOk) {
    const QString own = PathOf("moje-zalohy/");
    QDir().mkpath(own);
    BackupToStandardFolder = true;
    BackupUserFolder = own;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8("Vytvoření záložní kopie proběhlo úspěšně."));
        TModalDriver driver;
        driver.On("frmZalohovani", [&](QWidget* window) {
            auto* w = qobject_cast<TfrmZalohovani*>(window);
            ASSERT_NE(w, nullptr);
            w->chckProvestdoStand->click();
            EXPECT_EQ(w->edtProvestSlozka->text(), own);
            w->btnOk->click();
        });
        main_->Vytvorenizalohy1->trigger();
    }
    EXPECT_FALSE(BackupToStandardFolder);
    EXPECT_TRUE(QFile::exists(own + "05-03-2024_DEMO_1.zbf"));

    BackupToStandardFolder = true;
    TScriptedDialogs dialogs;
    TModalDriver driver;
    driver.On("frmZalohovani", [&](QWidget* window) {
        auto* w = qobject_cast<TfrmZalohovani*>(window);
        ASSERT_NE(w, nullptr);
        // The standard folder is empty, the user's own holds the backup just made.
        EXPECT_TRUE(w->chckObnovitZeStand->isChecked());
        EXPECT_TRUE(w->mtZalSoubory.IsEmpty());
        EXPECT_FALSE(w->btnOk->isEnabled());
        w->chckObnovitZeStand->click();
        EXPECT_EQ(w->edtObnovitSlozka->text(), own);
        EXPECT_EQ(w->mtZalSoubory.RecordCount(), 1);
        EXPECT_TRUE(w->btnOk->isEnabled());
        // A typed folder is listed and remembered at once.
        w->edtObnovitSlozka->setText(PathOf("neni/"));
        EXPECT_TRUE(w->mtZalSoubory.IsEmpty());
        EXPECT_FALSE(w->btnOk->isEnabled());
        EXPECT_EQ(BackupUserFolder, PathOf("neni/"));
        w->btnStorno->click();
    });
    main_->Obnovenidatzezalohy1->trigger();
    EXPECT_EQ(terminations_, 0);
    EXPECT_TRUE(BothConnected());
}
