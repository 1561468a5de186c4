#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "core/About.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UpgradeNeedWarning.h"
#include "platform/ui/ModalHelper.h"
#include "widgets/SchemeButton.h"
#include "widgets/UrlLabel.h"
#include "widgets/VnDBGrids.h"

namespace {

class MainWindowTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }
};

TEST_F(MainWindowTest, BarButtonDoesNothingWhileItsActionRuns) {
    for (TSchemeButton* button : {main_->btnNabidky, main_->btnAdresar, main_->btnCenik, main_->btnKonec}) {
        SCOPED_TRACE(button->objectName().toStdString());
        button->Tag = 1;
        TScriptedDialogs dialogs;
        button->click();
        EXPECT_TRUE(dialogs.Shown().empty());
        button->Tag = 0;
    }
    EXPECT_EQ(terminations_, 0);
    main_->btnKonec->click();
    EXPECT_EQ(terminations_, 1);
    EXPECT_EQ(main_->btnKonec->Tag, 0);
    EXPECT_EQ(ReadIni("CONFIG", "LastDBName"), "DEMO");
}

TEST_F(MainWindowTest, StatusPanelOpensTheFirmListAndTheAboutBox) {
    int lists = 0;
    ExecFirmListDialog = [&](TfrmSeznamFirem&) { return ++lists, static_cast<int>(QDialog::Rejected); };
    QTest::mouseDClick(main_->lblAgendaName, Qt::LeftButton);
    EXPECT_EQ(lists, 1);

    QString version;
    OnNextModal([&](QWidget* modal) {
        auto* about = qobject_cast<TfrmAbout*>(modal);
        ASSERT_NE(about, nullptr);
        version = about->lblVerze->text();
        EXPECT_EQ(about->windowTitle(), "O aplikaci");
        EXPECT_EQ(about->lblEmail->URLType(), utMail);
        about->btnOK->click();
    });
    QTest::mouseDClick(main_->lblProgramVer, Qt::LeftButton);
    EXPECT_EQ(version, "Verze 3.00");
}

TEST_F(MainWindowTest, WarningPanelOpensTheWarningWindow) {
    EXPECT_TRUE(main_->panUpgradeNeedWarning->isHidden());
    QString caption;
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmUpgradeNeedWarning*>(modal);
        ASSERT_NE(window, nullptr);
        caption = window->lblCaption->text();
        QTest::mouseClick(window->lblZavrit, Qt::LeftButton);
    });
    auto* panel = static_cast<TUpgradeNeedWarningPanel*>(main_->panUpgradeNeedWarning);
    panel->Click();
    EXPECT_TRUE(caption.contains("(3.00)"));
    EXPECT_TRUE(caption.startsWith(QString::fromUtf8("Varování: právě používaná verze")));
}

TEST_F(MainWindowTest, FirmScratchQueryForgetsItsFilterWhenClosed) {
    TADOQuery& query = main_->adqAgendaFree1;
    query.SetSQL("SELECT * FROM Sklady");
    query.Open();
    const int sheets = query.RecordCount();
    ASSERT_GT(sheets, 0);
    query.SetFilter("Poradi = 1000");
    query.SetFiltered(true);
    EXPECT_TRUE(query.IsEmpty());
    query.Close();
    EXPECT_FALSE(query.Filtered());
    EXPECT_TRUE(query.Filter().isEmpty());
    query.Open();
    EXPECT_EQ(query.RecordCount(), sheets);
    query.Close();
}

TEST_F(MainWindowTest, DesktopWithNotesIsPictured) {
    TADOConnection& con = main_->ADOConGlobal;
    con.Execute(
        QString::fromUtf8("INSERT INTO Poznamky (Nazev, Detail, Firma, ZobrazOst, VytvorID, Vyrizeno) "
                          "VALUES ('Objednat dlaždice', 'Do pátku', '', 1, 0, 1)"));
    ShowDoneNotes = true;
    LoadDesktopNotes(kFirstProgramNoteID);
    main_->UpdateNoteButtons();
    main_->resize(900, 600);
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    QApplication::processEvents();

    // The program note stands first, selected; the settled note below it is written in green.
    TVnDBGrid* grid = main_->grPoznSeznam;
    const QImage picture = main_->grab().toImage();
    ASSERT_TRUE(picture.save(ArtifactPath("main-window-notes.png")));
    const QImage gridPicture = grid->grab().toImage();
    EXPECT_EQ(grid->RowHeights(1), 32);
    const int secondRowTop = grid->RowHeights(0) + grid->RowHeights(1);
    // Text is smoothed at its edges, so any clearly green pixel of the row counts.
    bool greenText = false;
    for (int y = secondRowTop + 2; y < secondRowTop + 30 && !greenText; ++y)
        for (int x = 40; x < 200 && !greenText; ++x) {
            const QColor c = gridPicture.pixelColor(x, y);
            greenText = c.green() > c.red() + 60 && c.green() > c.blue() + 60;
        }
    EXPECT_TRUE(greenText);
    EXPECT_EQ(main_->rePoznPlocha->toPlainText(), QString::fromUtf8("První řádek\nDruhý řádek"));
    EXPECT_EQ(main_->btnFiltrPozn->text(), QString::fromUtf8("Skrýt vyřízené"));
    main_->hide();
}

}  // namespace
