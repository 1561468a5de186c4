// The price list printed and exported the way a user does it: the price list's "Tisk" opens the
// print and export options, OK builds the data and opens the print dialog, which prints through the
// report program or exports a workbook that other programs read.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include "core/CommonUtils.h"
#include "core/UserSettings.h"
#include "exchange/PrintFixture.h"
#include "exchange/Tisk.h"
#include "exchange/TiskExpCeniku.h"
#include "exchange/VyberDealerCeny.h"
#include "exchange/VyberFiltru.h"
#include "platform/data/Field.h"
#include "pricelist/CenHlad.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/Zasoby.h"
#include "widgets/SchemeButton.h"

namespace {

QString SystemPython() { return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

bool HaveXlrd() {
    QProcess p;
    p.start(SystemPython(), {"-c", "import xlrd"});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Every row of the workbook's first sheet as python3-xlrd reads it, cells joined by "|", numbers
// with two decimals; the sheet's name first.
QStringList ReadWithXlrd(const QString& path) {
    QProcess p;
    p.start(SystemPython(), {"-c",
                             "import sys, xlrd\n"
                             "b = xlrd.open_workbook(sys.argv[1])\n"
                             "s = b.sheet_by_index(0)\n"
                             "print(s.name)\n"
                             "for r in range(s.nrows):\n"
                             "    print('|'.join(('%.2f' % c.value) if c.ctype == 2 else str(c.value) for c "
                             "in s.row(r)).rstrip('|'))\n",
                             path});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

class PriceListPrintOptionsTest : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        groupsShown_ = PriceListGroupsShown;
        savedShell_ = ShellOpenLauncher;
        ShellOpenLauncher = [](const QString& path) {
            opened_ << path;
            return 31;
        };
        opened_.clear();
    }
    void TearDown() override {
        ShellOpenLauncher = savedShell_;
        PriceListGroupsShown = groupsShown_;
        PrintFixture::TearDown();
    }
    static TfrmTiskExpCeniku& Options(QWidget* w) { return *static_cast<TfrmTiskExpCeniku*>(w); }
    static TfrmTisk& Print(QWidget* w) { return *static_cast<TfrmTisk*>(w); }

    // The price list opened from the main window, its "Tisk" pressed, and closed again after.
    void FromThePriceList(TModalDriver& driver, bool groups) {
        PriceListGroupsShown = groups;
        driver.On("frmZasoby", [](QWidget* w) { static_cast<TfrmZasoby*>(w)->btnTisk->click(); });
    }
    void CloseThePriceList(TModalDriver& driver) { driver.Press("frmZasoby", "btnStorno"); }

    bool groupsShown_ = false;
    int (*savedShell_)(const QString&) = nullptr;
    static inline QStringList opened_;
};

TEST_F(PriceListPrintOptionsTest, ADealerPriceListChosenInTheWindowsReachesTheReportProgram) {
    TFakeReportProgram program;
    TModalDriver driver;
    TScriptedDialogs dialogs;
    FromThePriceList(driver, true);
    driver.On("frmTiskExpCeniku", [](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8(kTiskExpCaption));
        EXPECT_TRUE(Options(w).rbAktualniList->isChecked());
        EXPECT_FALSE(Options(w).btnVyberCeny[0]->isEnabled());
        Options(w).chckDealersky->setChecked(true);
        Options(w).edtNadpis[0]->setText(QString::fromUtf8("Velkoodběr"));
        Options(w).btnVyberCeny[0]->click();
    });
    driver.On("frmVyberDealerCeny", [](QWidget* w) {
        auto& choice = *static_cast<TfrmVyberDealerCeny*>(w);
        EXPECT_EQ(choice.gbxVyber->title(), "1. sloupec");
        // OK without a level is refused.
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kSelectLevel));
        choice.btnOk->click();
        choice.btnVyberCenHlad->click();
    });
    driver.On("frmCenHlad", [](QWidget* w) {
        auto& levels = *static_cast<TPriceCodeList*>(w);
        ASSERT_TRUE(levels.List().Locate("Zkratka", "VO"));
        levels.btnOK->click();
    });
    driver.On("frmVyberDealerCeny", [](QWidget* w) {
        EXPECT_EQ(static_cast<TfrmVyberDealerCeny*>(w)->edtCenHlad->text(), "VO");
        TModalDriver::Click(w, "btnOk");
    });
    driver.On("frmTiskExpCeniku", [](QWidget* w) {
        EXPECT_EQ(Options(w).lblCena[0]->text(), "VO");
        Options(w).btnOk->click();
    });
    QString firstReport;
    driver.On("frmTisk", [&](QWidget* w) {
        EXPECT_EQ(Print(w).Module(), pmPriceListGroups);
        ASSERT_TRUE(Print(w).mtSestava.Locate("Soubor", "_CEND4SK"));
        Print(w).btnTisk->click();
    });
    CloseThePriceList(driver);
    main_->btnCenik->click();

    ASSERT_EQ(program.jobs.size(), 1u);
    const TCapturedJob& job = program.jobs[0];
    EXPECT_EQ(job.Info("ReportFileName"), PrintFolder + "_CEND4SK.FRX");
    EXPECT_EQ(job.Table("mtTiskHlavicka")->Rows.front().value("Nadpis1"), QString::fromUtf8("Velkoodběr"));
    // The whole tables reach the report program, not only the rows under the current group.
    EXPECT_EQ(job.Table("mtTiskZasoby")->Rows.size(), 18u);
    EXPECT_EQ(job.Table("mtTiskSkupiny")->Rows.size(), 4u);
    QStringList prices;
    for (const auto& row : job.Table("mtTiskZasoby")->Rows)
        if (row.value("Katalog") == "CYKY325" || row.value("Katalog") == "PCH40")
            prices << row.value("Cena1");
    prices.sort();
    // 34.50 and 1390 less 8 %, whole crowns.
    EXPECT_EQ(prices, QStringList({"1279", "32"}));

    // The options come back as last used at the next opening.
    TModalDriver again;
    FromThePriceList(again, true);
    again.On("frmTiskExpCeniku", [](QWidget* w) {
        EXPECT_TRUE(Options(w).chckDealersky->isChecked());
        EXPECT_EQ(Options(w).lblCena[0]->text(), "VO");
        Options(w).btnStorno->click();
    });
    CloseThePriceList(again);
    main_->btnCenik->click();
}

TEST_F(PriceListPrintOptionsTest, TheDemoPriceListIsExportedToAWorkbookThatXlrdReads) {
    if (!HaveXlrd()) GTEST_SKIP() << "python3-xlrd is not installed";
    const QString file = Folder() + "export/cenik.xls";
    QDir().mkpath(Folder() + "export");
    TModalDriver driver;
    TScriptedDialogs dialogs;
    FromThePriceList(driver, true);
    // The demonstration firm's dealer set, loaded by name.
    driver.On("frmTiskExpCeniku", [](QWidget* w) { Options(w).btnNacistNastaveni->click(); });
    driver.On("frmVyberFiltru", [](QWidget* w) {
        auto& picker = *static_cast<TfrmVyberFiltru*>(w);
        ASSERT_TRUE(
            picker.dsFiltry.DataSet()->Locate("Nazev", QString::fromUtf8("Dealerský ceník VIP a VO")));
        picker.btnOk->click();
    });
    driver.On("frmTiskExpCeniku", [](QWidget* w) {
        EXPECT_TRUE(Options(w).rbVsechnyListy->isChecked());
        EXPECT_TRUE(Options(w).miUlozitSoucasny->isEnabled());
        Options(w).rbExportCeniku->setChecked(true);
        Options(w).btnOk->click();
    });
    driver.On("frmTisk", [&](QWidget* w) {
        EXPECT_EQ(Print(w).Module(), pmPriceListGroupsExport);
        ASSERT_TRUE(Print(w).mtSestava.Locate("Soubor", "_CEND4SK"));
        Print(w).edtExportSoubor->setText(file);
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8("není asociován žádný program"));
        dialogs.ExpectInformation(QString::fromUtf8(kExportNeedViewer));
        Print(w).btnExport->click();
        // The dialog stays open after an export.
        EXPECT_TRUE(w->isVisible());
        Print(w).btnStorno->click();
    });
    CloseThePriceList(driver);
    main_->btnCenik->click();

    EXPECT_EQ(opened_, QStringList({file}));
    const QStringList rows = ReadWithXlrd(file);
    ASSERT_GT(rows.size(), 10) << rows.join(QChar(10)).toStdString();
    EXPECT_EQ(rows[0], QString::fromUtf8("Ceník"));
    EXPECT_EQ(rows[1], QString::fromUtf8("Ceník"));
    EXPECT_EQ(rows[2], FirmName);
    EXPECT_EQ(rows[5], QString::fromUtf8("Popis|Základní cena|Stálí zákazníci|Velkoodběratelé"));
    EXPECT_EQ(rows[6], "Elektroinstalace");
    EXPECT_TRUE(rows.contains(QString::fromUtf8("Kabel CYKY-J 3x2,5|34.50|33.00|32.00|0.00")))
        << rows.join('\n').toStdString();
    // Work has no "VO" rule: the set prints the base price there.
    EXPECT_TRUE(rows.contains(QString::fromUtf8("Montáž svítidla|350.00|333.00|350.00|0.00")))
        << rows.join('\n').toStdString();
    EXPECT_TRUE(rows.contains(QString::fromUtf8("Služby")));
    EXPECT_EQ(rows.last(), QString::fromUtf8("Ceny jsou uvedeny v Kč."));
    // The path is remembered for the next export.
    QString remembered;
    UserSetting(kLoad, SecondSetting(pmPriceListGroupsExport), {}, remembered);
    EXPECT_EQ(remembered, file);
}

}  // namespace
