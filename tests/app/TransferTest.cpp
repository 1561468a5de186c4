// The transfer of the address book and the price list from the main window's menu: the demonstration
// firm exported to a file and the file imported back into the firm changed meanwhile, the option
// checks of both pages, and an export interrupted from the working page.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include "common/ScriptedDialogs.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/Synchronization.h"
#include "platform/db/ADOConnection.h"
#include "platform/files/ZipArchive.h"
#include "pricelist/PriceListFixture.h"
#include "widgets/SchemeButton.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

class TransferTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        chooseExport_ = ChooseTransferExportFile;
        chooseImport_ = ChooseTransferImportFile;
        WorkingCancelled = false;
    }
    void TearDown() override {
        ChooseTransferExportFile = chooseExport_;
        ChooseTransferImportFile = chooseImport_;
        WorkingCancelled = false;
        ProgramFixture::TearDown();
    }
    TADOConnection& Firm() { return main_->ADOConAgenda; }
    QVariant Value(const QString& sql) {
        const auto rows = Firm().OpenRowset(sql);
        return rows->RowCount() == 0 ? QVariant() : rows->Value(0, 0);
    }
    static TfrmSynchronization* Form(QWidget* w) { return qobject_cast<TfrmSynchronization*>(w); }
    static QString Setting(int number) {
        QString value;
        UserSetting(kLoad, number, {}, value);
        return value;
    }

    // Exports the open firm through the dialog into the file.
    void ExportThroughTheMenu(const QString& file) {
        ChooseTransferExportFile = [&](QWidget*, const QString&) { return file; };
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(U(kSyncExportDone));
        TModalDriver driver;
        driver.On("frmSynchronization", [&](QWidget* window) {
            TfrmSynchronization* w = Form(window);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->windowTitle(), U(kSyncCaption));
            EXPECT_EQ(w->lblInfoCaption->text(), U(kSyncExportCaption));
            EXPECT_EQ(w->pgcMain->currentIndex(), TfrmSynchronization::tsExport);
            EXPECT_TRUE(w->chckUseExportAdresar->isChecked());
            EXPECT_TRUE(w->chckUseExportCenik->isChecked());
            w->btnExportFileNameSelect->click();
            EXPECT_EQ(w->edtExportFileName->text(), file);
            w->btnOK->click();
        });
        main_->Exportovatnajinypocitac1->trigger();
    }

    std::function<QString(QWidget*, const QString&)> chooseExport_, chooseImport_;
};

}  // namespace

TEST_F(TransferTest, TheDemoFirmExportedAndImportedBackUndoesTheChangesMadeMeanwhile) {
    const QString file = PathOf("demo.dat");
    ExportThroughTheMenu(file);
    TZipError error;
    EXPECT_EQ(ZipMemberNames(file, &error), QStringList{U(kSyncDataFileName)});
    EXPECT_EQ(Setting(54), file);

    // Meanwhile on this computer: an item and the level rules deleted, a firm renamed,
    // a firm added.
    const QString item = Value("SELECT RepID FROM Zasoby WHERE Katalog = 'CYKY325'").toString();
    const QString itemGroup = Value(
                                  "SELECT s.RepID FROM Zasoby z INNER JOIN Skupiny s ON z.Skupina = s.ID "
                                  "WHERE z.Katalog = 'CYKY325'")
                                  .toString();
    ASSERT_FALSE(item.isEmpty());
    const int rules = Value("SELECT COUNT(*) FROM CenSkupPol").toInt();
    ASSERT_GT(rules, 0);
    const QString firmName =
        Value("SELECT Nazev FROM Adresar WHERE ID = (SELECT MIN(ID) FROM Adresar)").toString();
    const int addresses = Value("SELECT COUNT(*) FROM Adresar").toInt();
    Firm().Execute("DELETE FROM Zasoby WHERE Katalog = 'CYKY325'");
    Firm().Execute("DELETE FROM CenSkupPol");
    Firm().Execute("UPDATE Adresar SET Nazev = 'Přejmenovaná' WHERE ID = (SELECT MIN(ID) FROM Adresar)");
    Firm().Execute("INSERT INTO Adresar (Nazev, RepID) VALUES ('Jen na tomto PC', '{LOCAL-ONLY}')");

    ChooseTransferImportFile = [&](QWidget*, const QString&) { return file; };
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(U(kSyncConfirmImport), true);
    dialogs.ExpectInformation(U(kSyncImportDone));
    TModalDriver driver;
    driver.On("frmSynchronization", [&](QWidget* window) {
        TfrmSynchronization* w = Form(window);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->lblInfoCaption->text(), U(kSyncImportCaption));
        EXPECT_EQ(w->pgcMain->currentIndex(), TfrmSynchronization::tsImport);
        EXPECT_TRUE(w->chckUseImportAdresar->isChecked());
        EXPECT_TRUE(w->chckUseImportCenik->isChecked());
        EXPECT_FALSE(w->chckUseImportFullSyncAdresar->isChecked());
        // Full synchronisation is about addresses only.
        w->chckUseImportAdresar->setChecked(false);
        EXPECT_FALSE(w->chckUseImportFullSyncAdresar->isEnabled());
        w->chckUseImportAdresar->setChecked(true);
        EXPECT_TRUE(w->chckUseImportFullSyncAdresar->isEnabled());
        w->chckUseImportFullSyncAdresar->setChecked(true);
        w->btnImportFileNameSelect->click();
        EXPECT_EQ(w->edtImportFileName->text(), file);
        w->btnOK->click();
    });
    main_->Importovatzjinehopocitace1->trigger();

    EXPECT_EQ(Value(QString("SELECT s.RepID FROM Zasoby z INNER JOIN Skupiny s ON z.Skupina = s.ID "
                            "WHERE z.RepID = '%1'")
                        .arg(item))
                  .toString(),
              itemGroup);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM CenSkupPol").toInt(), rules);
    EXPECT_EQ(Value("SELECT Nazev FROM Adresar WHERE ID = (SELECT MIN(ID) FROM Adresar)").toString(),
              firmName);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Adresar").toInt(), addresses);
    EXPECT_EQ(Setting(56), BoolToStoredText(true));
}

TEST_F(TransferTest, OkChecksTheOptionsOfEachPageAndKeepsTheDialogOpen) {
    const QString existing = PathOf("stary.dat");
    ProgramFixture::WriteText(existing, "old");
    const QString missingFolder = PathOf("nic/prenos.dat");
    TScriptedDialogs dialogs;
    TModalDriver driver;
    driver.On("frmSynchronization", [&](QWidget* window) {
        TfrmSynchronization* w = Form(window);
        ASSERT_NE(w, nullptr);
        struct Case {
            QString file;
            bool addresses, priceList;
            TExpectedDialog expected;
        };
        const Case kCases[] = {
            {"", true, true, TExpectedDialog::Error(U(kSyncNoFileName))},
            {existing, true, true, TExpectedDialog::Question(U(kSyncOverwrite).arg(existing), false)},
            {missingFolder, true, true, TExpectedDialog::Error(U(kSyncNoFolder).arg(PathOf("nic")))},
            {PathOf("novy.dat"), false, false, TExpectedDialog::Error(U(kSyncNoScope))},
        };
        for (const Case& c : kCases) {
            SCOPED_TRACE(c.file.toStdString());
            dialogs.Expect(c.expected);
            w->edtExportFileName->setText(c.file);
            w->chckUseExportAdresar->setChecked(c.addresses);
            w->chckUseExportCenik->setChecked(c.priceList);
            w->btnOK->click();
            EXPECT_EQ(dialogs.PendingCount(), 0u);
            EXPECT_TRUE(w->isVisible());
        }
        w->btnCancel->click();
    });
    main_->Exportovatnajinypocitac1->trigger();
    EXPECT_EQ(QFile(existing).size(), 3);
    EXPECT_FALSE(QFile::exists(PathOf("novy.dat")));

    const int addresses = Value("SELECT COUNT(*) FROM Adresar").toInt();
    driver.On("frmSynchronization", [&](QWidget* window) {
        TfrmSynchronization* w = Form(window);
        ASSERT_NE(w, nullptr);
        struct Case {
            QString file;
            TExpectedDialog expected;
        };
        const Case kCases[] = {
            {"", TExpectedDialog::Error(U(kSyncNoFileName))},
            {PathOf("chybi.dat"), TExpectedDialog::Error(U(kSyncNoImportFile).arg(PathOf("chybi.dat")))},
            {existing, TExpectedDialog::Question(U(kSyncConfirmImport), false)},
        };
        for (const Case& c : kCases) {
            SCOPED_TRACE(c.file.toStdString());
            dialogs.Expect(c.expected);
            w->edtImportFileName->setText(c.file);
            w->btnOK->click();
            EXPECT_EQ(dialogs.PendingCount(), 0u);
            EXPECT_TRUE(w->isVisible());
        }
        // A file that is no archive stops the run with its message; the options come back.
        dialogs.ExpectQuestion(U(kSyncConfirmImport), true);
        dialogs.ExpectError(U(kSyncUnzipFailed).arg(existing).section('(', 0, 0));
        w->btnOK->click();
        EXPECT_EQ(w->pgcMain->currentIndex(), TfrmSynchronization::tsImport);
        EXPECT_TRUE(w->btnOK->isEnabled());
        EXPECT_TRUE(w->btnCancel->isEnabled());
        w->btnCancel->click();
    });
    main_->Importovatzjinehopocitace1->trigger();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Adresar").toInt(), addresses);
}

TEST_F(TransferTest, ClickingInterruptOnTheWorkingPageEndsTheExportWithoutAFile) {
    const QString file = PathOf("prenos.dat");
    ChooseTransferExportFile = [&](QWidget*, const QString&) { return file; };
    TScriptedDialogs dialogs;
    dialogs.ExpectError(U(kSyncCancelled));
    bool sawWorkingPage = false;
    TModalDriver driver;
    driver.On("frmSynchronization", [&](QWidget* window) {
        TfrmSynchronization* w = Form(window);
        ASSERT_NE(w, nullptr);
        w->btnExportFileNameSelect->click();
        // The click comes in while the export handles window messages between rows.
        QTimer::singleShot(0, w, [&, w] {
            sawWorkingPage = w->pgcMain->currentIndex() == TfrmSynchronization::tsWorking &&
                             w->lblCancelFlag->isVisibleTo(w) && !w->btnOK->isEnabled() &&
                             !w->btnCancel->isEnabled() && w->lblWorkingText->text() == U(kSyncExporting);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w->lblCancelFlag, &press);
        });
        w->btnOK->click();
        EXPECT_EQ(w->pgcMain->currentIndex(), TfrmSynchronization::tsExport);
        EXPECT_FALSE(WorkingCancelled);
        w->btnCancel->click();
    });
    main_->Exportovatnajinypocitac1->trigger();
    EXPECT_TRUE(sawWorkingPage);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(TransferTest, EachDirectionNeedsItsOwnRight) {
    const bool exportRight = CurrentUser.PrenosNaJinyPCExport_AR;
    const bool importRight = CurrentUser.PrenosNaJinyPCImport_AR;
    CurrentUser.PrenosNaJinyPCExport_AR = false;
    CurrentUser.PrenosNaJinyPCImport_AR = false;
    for (QAction* action : {main_->Exportovatnajinypocitac1, main_->Importovatzjinehopocitace1}) {
        SCOPED_TRACE(action->objectName().toStdString());
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(U(kNoRightsText));
        action->trigger();
    }
    CurrentUser.PrenosNaJinyPCExport_AR = exportRight;
    CurrentUser.PrenosNaJinyPCImport_AR = importRight;
}
