// The print dialog on its own: its report list, the definitions it writes back, the defaults it
// remembers, and the jobs it hands the report program.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>

#include "core/CommonUtils.h"
#include "core/UserSettings.h"
#include "exchange/PrintFixture.h"
#include "exchange/SestVlast.h"
#include "exchange/Tisk.h"
#include "exchange/TiskExpCeniku.h"
#include "platform/data/Field.h"
#include "platform/files/FileLock.h"
#include "pricelist/PriceListFixture.h"

namespace {

class TiskTest : public PrintFixture {
protected:
    static TfrmTisk& Dialog(QWidget* w) { return *static_cast<TfrmTisk*>(w); }

    // The report names of the list in its order, the current row kept.
    static QStringList Names(TfrmTisk& d) {
        QStringList names;
        const TBookmark here = d.mtSestava.GetBookmark();
        for (d.mtSestava.First(); !d.mtSestava.Eof(); d.mtSestava.Next())
            names << d.mtSestava.FieldByName("Nazev")->AsString();
        d.mtSestava.GotoBookmark(here);
        return names;
    }
    static void Select(TfrmTisk& d, const char* soubor) {
        ASSERT_TRUE(d.mtSestava.Locate("Soubor", QString::fromUtf8(soubor))) << soubor;
    }
    void AddStored(const QString& nazev, const QString& soubor, int module, int kind) {
        TADOCommand& c = main_->adcGlobal1;
        c.SetCommandText(
            "INSERT INTO Sestavy (Nazev, Soubor, Popis, IDModulu, TypSest) VALUES (:N, :S, '', :M, :T)");
        c.Parameters.ParamByName("N")->Value = nazev;
        c.Parameters.ParamByName("S")->Value = soubor;
        c.Parameters.ParamByName("M")->Value = module;
        c.Parameters.ParamByName("T")->Value = kind;
        c.Execute();
    }
    static QString Setting(int number) {
        QString value;
        UserSetting(kLoad, number, {}, value);
        return value;
    }
};

TEST_F(TiskTest, EveryModuleListsItsBuiltInReportsInOrder) {
    struct Case {
        int module;
        QStringList files;
    };
    const Case kCases[] = {
        {pmOffer, {"_NABKSP", "_NABKS", "_NABKSPO", "_NABKP", "_NABK", "_NABKPC", "_NABKC", "_NABSZ"}},
        {pmPriceListGroups, {"_CENSK", "_CENSKP", "_CEND4SK", "_CEND4SKP", "_CEND6SK", "_CEND6SKP"}},
        {pmPriceListGroupsExport,
         {"_CENSK", "_CENSKP", "_CENSKP2", "_CEND4SK", "_CEND4SKP", "_CEND6SK", "_CEND6SKP"}},
        {pmPriceList, {"_CEN", "_CENP", "_CEND4", "_CEND4P", "_CEND6", "_CEND6P"}},
        {pmPriceListExport, {"_CEN", "_CENP", "_CENP2", "_CEND4", "_CEND4P", "_CEND6", "_CEND6P"}},
        {pmAddresses, {"_ADRSZ", "_ADRSZKT"}},
        {pmNote, {"_POZN"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.module);
        QStringList files;
        for (const TBuiltInReport& r : BuiltInReports(c.module)) {
            files << r.Soubor;
            EXPECT_EQ(r.Kind, QString(r.Soubor) == "_NABSZ" ? TReportKind::List : TReportKind::Record);
            // Every print layout ships with the program.
            if (!IsExportModule(c.module)) {
                EXPECT_TRUE(QFile::exists(ShippedLayouts() + r.Soubor + ".FRX"));
            }
        }
        EXPECT_EQ(files, c.files);
    }
    // Both price-list print modules keep one printer.
    EXPECT_EQ(SecondSetting(pmPriceList), 17);
    EXPECT_EQ(SecondSetting(pmPriceListGroups), 17);
}

TEST_F(TiskTest, AFilteredOpeningStillKeepsTheHiddenUserReportsAndOnlyChangesWhatItChanged) {
    AddStored("Moje nabídka", "MOJENAB", pmOffer, 1);
    AddStored("Můj seznam", "MUJSEZ", pmOffer, 2);
    AddStored("Adresy jinak", "ADRJINAK", pmAddresses, 1);
    const QString before = Global("SELECT ID FROM Sestavy ORDER BY ID");
    QStringList shown;
    TModalDriver driver;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        shown = Names(d);
        // Another station adds a report of its own meanwhile.
        AddStored("Druhá stanice", "DRUHA", pmOffer, 1);
        Select(d, "MOJENAB");
        d.btnVyjmoutSestavuClick();
        d.reject();
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmReportDelete), true);
    ShowPrintDialog(pmOffer, "TypSest=1");
    EXPECT_EQ(shown.size(), 8);
    EXPECT_EQ(shown.last(), QString::fromUtf8("Moje nabídka"));
    EXPECT_FALSE(shown.contains(QString::fromUtf8("Seznam nabídek")));
    EXPECT_EQ(Global("SELECT Soubor FROM Sestavy ORDER BY ID"), "MUJSEZ|ADRJINAK|DRUHA");

    // An opening that changes nothing writes nothing.
    const QString ids = Global("SELECT ID FROM Sestavy ORDER BY ID");
    driver.On("frmTisk", [&](QWidget* w) { Dialog(w).reject(); });
    ShowPrintDialog(pmOffer);
    EXPECT_EQ(Global("SELECT ID FROM Sestavy ORDER BY ID"), ids);
    EXPECT_NE(before, ids);
}

TEST_F(TiskTest, ACopyOfABuiltInReportTakesTheNextFreeNumberAndItsLayout) {
    ProgramFixture::WriteText(PrintFolder + "NABKSP[2].FRX", "<report/>");
    TModalDriver driver;
    QString proposedFile, proposedName, kindText;
    bool fileEditable = false;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        Select(d, "_NABKSP");
        d.chckUpravitSestavu->setChecked(true);
        d.btnVytvoritKopii->click();
    });
    driver.On("frmSestVlast", [&](QWidget* w) {
        auto& p = *static_cast<TfrmSestVlast*>(w);
        proposedFile = p.edtNazevSouboru->text();
        proposedName = p.edtNazevSestavy->text();
        kindText = p.lblTypSestavy->text();
        fileEditable = p.edtNazevSouboru->isEnabled();
        p.btnOK->click();
    });
    driver.On("frmTisk", [&](QWidget* w) { Dialog(w).reject(); });
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kEditCopiedReport), false);
    ShowPrintDialog(pmOffer);
    EXPECT_EQ(proposedFile, "NABKSP[3]");
    EXPECT_EQ(proposedName, QString::fromUtf8("Nabídka standardní[3]"));
    EXPECT_EQ(kindText, QString::fromUtf8("uživatelská"));
    EXPECT_TRUE(fileEditable);
    EXPECT_TRUE(QFile::exists(PrintFolder + "NABKSP[3].FRX"));
    EXPECT_EQ(Global("SELECT Nazev FROM Sestavy WHERE IDModulu = 1"),
              QString::fromUtf8("Nabídka standardní[3]"));
    EXPECT_EQ(Global("SELECT Soubor FROM Sestavy WHERE IDModulu = 1"), "NABKSP[3]");
}

TEST_F(TiskTest, ACopyIsNamedAfterItsSourceWithTheFirstFreeNumber) {
    ProgramFixture::WriteText(PrintFolder + "NABKSP[2].FRX", "");
    ProgramFixture::WriteText(PrintFolder + "NABKSP[4].FRX", "");
    struct Case {
        const char* source;
        const char* proposal;
        int number;
    };
    const Case kCases[] = {
        {"_NABKSP", "NABKSP[3]", 3},
        {"NABKSP[2]", "NABKSP[3]", 3},
        {"MOJE[7]X", "MOJE[2]", 2},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.source);
        int number = 0;
        EXPECT_EQ(CopyFileNameProposal(c.source, ".FRX", number), c.proposal);
        EXPECT_EQ(number, c.number);
    }
    // With every number taken the file stays at the last one and the number runs past it.
    for (int n = 2; n <= 999; ++n)
        ProgramFixture::WriteText(PrintFolder + QString("PLNO[%1].FRX").arg(n), "");
    int number = 0;
    EXPECT_EQ(CopyFileNameProposal("_PLNO", ".FRX", number), "PLNO[999]");
    EXPECT_EQ(number, 1000);
}

TEST_F(TiskTest, ThePropertiesWindowRefusesNamesThatWillNotDo) {
    struct Case {
        const char* file;
        const char* name;
        const char* message;
    };
    const Case kCases[] = {
        {"  ", "Nová", kFileNameMissing},
        {"_MOJE", "Nová", kFileNameUnderscore},
        {"MOJE", "  ", kReportNameMissing},
    };
    TfrmSestVlast window;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(c.message));
        window.edtNazevSouboru->setText(QString::fromUtf8(c.file));
        window.edtNazevSestavy->setText(QString::fromUtf8(c.name));
        window.btnOKClick();
        EXPECT_EQ(window.result(), 0);
    }
}

TEST_F(TiskTest, BuiltInReportsCanBeNeitherDeletedNorEditedNorChanged) {
    TModalDriver driver;
    bool okEnabled = true;
    QString kindText;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        d.chckUpravitSestavu->setChecked(true);
        d.btnVyjmoutSestavu->click();
        d.btnOpravitSestavu->click();
        d.btnVlastnostiSestavy->click();
    });
    driver.On("frmSestVlast", [&](QWidget* w) {
        auto& p = *static_cast<TfrmSestVlast*>(w);
        okEnabled = p.btnOK->isEnabled();
        kindText = p.lblTypSestavy->text();
        p.btnStorno->click();
    });
    driver.On("frmTisk", [&](QWidget* w) { Dialog(w).reject(); });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kBuiltInNotDeletable));
    dialogs.ExpectInformation(QString::fromUtf8(kBuiltInNotEditable));
    TFakeReportProgram program;
    ShowPrintDialog(pmAddresses);
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(kindText, QString::fromUtf8("programová (nelze provádět změny)"));
    EXPECT_TRUE(program.jobs.empty());

    // In builder mode the built-in layout opens in the report program's editor.
    BuilderMode = true;
    driver.On("frmTisk", [&](QWidget* w) {
        Dialog(w).btnOpravitSestavuClick();
        Dialog(w).reject();
    });
    ShowPrintDialog(pmAddresses);
    ASSERT_EQ(program.jobs.size(), 1u);
    EXPECT_EQ(program.jobs[0].Info("OperationType"), "EDIT");
    EXPECT_EQ(program.jobs[0].Info("ReportFileName"), PrintFolder + "_ADRSZ.FRX");
    EXPECT_EQ(Global("SELECT COUNT(*) FROM Sestavy"), "0");
}

TEST_F(TiskTest, TheDefaultReportAndPrinterAreRememberedPerModuleWhenTheDialogCloses) {
    TFakePrinters printers({"HP LaserJet", QString::fromUtf8("Kancelář")}, QString::fromUtf8("Kancelář"));
    TModalDriver driver;
    int shownPrinter = -2;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        shownPrinter = d.ComboBoxPrinter1->currentIndex();
        Select(d, "_ADRSZKT");
        d.miSestavaVychozi->trigger();
        d.ComboBoxPrinter1->setCurrentIndex(0);
        d.miTiskarnaVychozi->trigger();
        // Not stored before the dialog closes.
        EXPECT_EQ(Setting(19), "");
        d.reject();
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8("Sestava \"Adresní karty\" byla nastavena jako výchozí."));
    dialogs.ExpectInformation(QString::fromUtf8(kPrinterMadeDefault).arg("HP LaserJet"));
    ShowPrintDialog(pmAddresses);
    EXPECT_EQ(shownPrinter, 1);
    EXPECT_EQ(Setting(19), "_ADRSZKT");
    EXPECT_EQ(Setting(20), "0");

    struct Case {
        const char* report;
        const char* printer;
        const char* current;
        int printerIndex;
    };
    const Case kCases[] = {
        {"_ADRSZKT", "0", "_ADRSZKT", 0},
        // A report gone from the list leaves the first row; an unreadable index means the default.
        {"SMAZANA", "abc", "_ADRSZ", 1},
        {"_ADRSZ", "7", "_ADRSZ", 1},
        {"_ADRSZ", "-5", "_ADRSZ", -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.report);
        QString ignored;
        UserSetting(kSave, 19, c.report, ignored);
        UserSetting(kSave, 20, c.printer, ignored);
        QString current;
        int printer = -2;
        driver.On("frmTisk", [&](QWidget* w) {
            current = Dialog(w).CurrentSoubor();
            printer = Dialog(w).ComboBoxPrinter1->currentIndex();
            Dialog(w).reject();
        });
        ShowPrintDialog(pmAddresses);
        EXPECT_EQ(current, c.current);
        EXPECT_EQ(printer, c.printerIndex);
    }
}

TEST_F(TiskTest, PreviewInExportModeOnlyExplains) {
    TFakeReportProgram program;
    TModalDriver driver;
    bool printHidden = false, exportShown = false;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        printHidden = d.btnTisk->isHidden();
        exportShown = !d.btnExport->isHidden() && !d.panExport->isHidden();
        EXPECT_EQ(d.gbxExtFunc->title(), "Exportovat do souboru");
        d.btnNahled->click();
        d.edtExportSoubor->setText("/tmp/cenik.xls");
        d.reject();
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kPreviewOnlyWhenPrinting));
    ShowPrintDialog(pmPriceListExport);
    EXPECT_TRUE(printHidden);
    EXPECT_TRUE(exportShown);
    EXPECT_TRUE(program.jobs.empty());
    // The export path is kept whatever happened.
    EXPECT_EQ(Setting(33), "/tmp/cenik.xls");
}

TEST_F(TiskTest, JobsInOneOpeningKeepTheirFilesUntilTheDialogCloses) {
    PrivateTempFolder = Folder() + "temp s mezerou/";
    TFakeReportProgram program;
    TModalDriver driver;
    QStringList files;
    bool stayedOpen = false;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        d.chckUpravitSestavu->setChecked(true);
        d.edtOdStr->setValue(2);
        d.edtDoStr->setValue(3);
        d.edtPocetKopii->setValue(4);
        d.btnTisk->click();
        d.btnNahled->click();
        stayedOpen = d.isVisible();
        files = d.TempFiles();
        for (const QString& f : files) EXPECT_TRUE(QFile::exists(f)) << qPrintable(f);
        d.reject();
    });
    TScriptedDialogs dialogs;
    ShowPrintDialog(pmNote);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(program.jobs.size(), 2u);
    ASSERT_EQ(files.size(), 4);
    for (const QString& f : files) EXPECT_FALSE(QFile::exists(f)) << qPrintable(f);
    const TCapturedJob& print = program.jobs[0];
    EXPECT_EQ(print.program, ProgramFolder + "zelvorn");
    // The paths with their blanks arrive whole between the markers.
    EXPECT_EQ(print.arguments, QStringList({"?SYSTEMDATA=" + files[0] + "?SYSTEMDATA",
                                            "?REPORTDATA=" + files[1] + "?REPORTDATA"}));
    EXPECT_TRUE(files[0].startsWith(PrivateTempFolder + "{"));
    EXPECT_EQ(QFileInfo(files[0]).fileName().size(), 38);
    EXPECT_EQ(print.Info("OperationType"), "PRINT");
    EXPECT_EQ(program.jobs[1].Info("OperationType"), "PREVIEW");
    EXPECT_EQ(print.Info("PageRangeFrom"), "2");
    EXPECT_EQ(print.Info("PageRangeTo"), "3");
    EXPECT_EQ(print.Info("PageCopies"), "4");
    EXPECT_EQ(print.Info("PrinterName"), "");
    EXPECT_EQ(print.Info("ExportFileName"), "");
    EXPECT_EQ(print.system.Table("Info")->Fields,
              QStringList({"OperationType", "ReportFileName", "PrinterName", "PageRangeFrom", "PageRangeTo",
                           "PageCopies", "ExportFileName", "ReportName"}));
    EXPECT_EQ(print.Info("ReportName"), QString::fromUtf8("Poznámka"));
}

TEST_F(TiskTest, AMissingLayoutOrProgramIsReportedAndNothingElseHappens) {
    QFile::remove(PrintFolder + "_ADRSZ.FRX");
    AddStored("Vlastní", "VLASTNI", pmAddresses, 1);
    TFakeReportProgram program;
    program.startable = false;
    TModalDriver driver;
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        d.btnTisk->click();
        EXPECT_TRUE(d.isVisible());
        Select(d, "VLASTNI");
        d.btnTisk->click();
        EXPECT_TRUE(d.isVisible());
        Select(d, "_ADRSZKT");
        d.btnTisk->click();
        // A job that could not start still closes the dialog as a print does.
        EXPECT_FALSE(d.isVisible());
        EXPECT_TRUE(d.gbxPrinter->isEnabled());
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8(kLayoutNotFound).arg(PrintFolder + "_ADRSZ.FRX") +
                          QString::fromUtf8(kReinstall));
    dialogs.ExpectWarning(QString::fromUtf8(kLayoutNotFound).arg(PrintFolder + "VLASTNI.FRX"));
    dialogs.ExpectError(QString::fromUtf8(kProgramStartFailed).arg(ProgramFolder + "zelvorn"));
    ShowPrintDialog(pmAddresses);
}

TEST_F(TiskTest, TheReportProgramsEndIsReadWithItsCodeAndItsReason) {
    const QString program = Folder() + "zprava";
    ProgramFixture::WriteText(program, "#!/bin/sh\necho 'Datový soubor nelze přečíst.' >&2\nexit 1\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const TReportProgramEnd end = ReportProgramRunner(program, {"?SYSTEMDATA=a?SYSTEMDATA"});
    EXPECT_TRUE(end.Started);
    EXPECT_FALSE(end.Crashed);
    EXPECT_EQ(end.ExitCode, kReportProgramNotTaken);
    EXPECT_EQ(end.ErrorText, QString::fromUtf8("Datový soubor nelze přečíst."));
    EXPECT_FALSE(ReportProgramRunner(Folder() + "neni", {}).Started);
}

TEST_F(TiskTest, AReportAddedFromDiskMustNameAnExistingLayout) {
    ProgramFixture::WriteText(PrintFolder + "MUJ.FRX", "<report/>");
    TModalDriver driver;
    driver.On("frmTisk", [&](QWidget* w) { Dialog(w).btnPridatSestavuClick(); });
    driver.On("frmSestVlast", [&](QWidget* w) {
        auto& p = *static_cast<TfrmSestVlast*>(w);
        EXPECT_TRUE(p.cbxTypSest->isEnabled());
        EXPECT_EQ(p.edtKoncovka->text(), ".FRX");
        p.edtNazevSouboru->setText("NENI");
        p.edtNazevSestavy->setText(QString::fromUtf8("Můj seznam"));
        p.cbxTypSest->setCurrentIndex(1);
        p.btnOK->click();
    });
    driver.On("frmSestVlast", [&](QWidget* w) {
        auto& p = *static_cast<TfrmSestVlast*>(w);
        p.edtNazevSouboru->setText("MUJ");
        p.btnOK->click();
    });
    driver.On("frmTisk", [&](QWidget* w) { Dialog(w).reject(); });
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8(kLayoutMissing).arg(PrintFolder + "NENI.FRX"));
    ShowPrintDialog(pmOffer);
    EXPECT_EQ(Global("SELECT Nazev FROM Sestavy"), QString::fromUtf8("Můj seznam"));
    EXPECT_EQ(Global("SELECT Soubor FROM Sestavy"), "MUJ");
    EXPECT_EQ(Global("SELECT TypSest FROM Sestavy"), "2");
}

// The workbook export of the price list: what it refuses before anything is written, and a run.
class TiskExportTest : public TiskTest {
protected:
    void SetUp() override {
        TiskTest::SetUp();
        savedShell_ = ShellOpenLauncher;
        ShellOpenLauncher = [](const QString&) { return 0; };
        groupsShown_ = PriceListGroupsShown;
        options_ = std::make_unique<TfrmTiskExpCeniku>();
        options_->Prepare();
        ASSERT_EQ(options_->FillPriceListData(), 0);
        dialog_ = std::make_unique<TfrmTisk>(pmPriceListExport);
        dialog_->Prepare({});
        Select(*dialog_, "_CEN");
    }
    void TearDown() override {
        dialog_.reset();
        options_.reset();
        ShellOpenLauncher = savedShell_;
        PriceListGroupsShown = groupsShown_;
        TiskTest::TearDown();
    }
    // Exports to path, expecting exactly the given messages.
    void Export(const QString& path, const std::vector<TExpectedDialog>& messages) {
        TScriptedDialogs dialogs;
        dialogs.ExpectAll(messages);
        dialog_->edtExportSoubor->setText(path);
        dialog_->btnExportClick();
    }
    std::unique_ptr<TfrmTiskExpCeniku> options_;
    std::unique_ptr<TfrmTisk> dialog_;
    int (*savedShell_)(const QString&) = nullptr;
    bool groupsShown_ = false;
};

TEST_F(TiskExportTest, RefusesAPathItCannotWriteBeforeWritingAnything) {
    using E = TExpectedDialog;
    const QString twoLevels = Folder() + "a/b/";
    struct Case {
        QString path;
        std::vector<TExpectedDialog> messages;
    };
    const Case kCases[] = {
        {"  ", {E::Information(QString::fromUtf8(kExportFileMissing))}},
        // A bare file name has no folder to put it in.
        {"cenik.xls", {E::Information(QString::fromUtf8(kExportFolderMissing))}},
        {twoLevels + "cenik.xls",
         {E::Question(QString::fromUtf8(kExportFolderCreate).arg(twoLevels), true),
          E::Error(QString::fromUtf8(kExportFolderFailed).arg(twoLevels))}},
        {Folder() + "nova/cenik.xls",
         {E::Question(QString::fromUtf8("neexistuje. Chcete ji vytvořit?"), false)}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path.toStdString());
        Export(c.path, c.messages);
    }
    EXPECT_FALSE(QFileInfo::exists(Folder() + "a"));
    EXPECT_FALSE(QFileInfo::exists(Folder() + "nova"));
    EXPECT_FALSE(QFileInfo::exists("cenik.xls"));
}

TEST_F(TiskExportTest, AnExistingFileIsReplacedOnlyWhenAskedAndNotInUse) {
    const QString file = Folder() + "vystup/cenik.xls";
    // The missing folder is made on request, one level.
    Export(file, {TExpectedDialog::Question(QString::fromUtf8("Chcete ji vytvořit?"), true)});
    ASSERT_TRUE(QFileInfo::exists(file));
    const QByteArray exported = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_TRUE(exported.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")));

    ProgramFixture::WriteText(file, "stary");
    const TExpectedDialog overwrite =
        TExpectedDialog::Question(QString::fromUtf8(kExportOverwrite).arg(file), false);
    Export(file, {overwrite});
    {
        // Another program holds the file open: it is left as it is.
        TFileLock held;
        ASSERT_TRUE(held.Open(file, true, false));
        Export(file, {TExpectedDialog::Question(QString::fromUtf8(kExportOverwrite).arg(file), true),
                      TExpectedDialog::Warning(QString::fromUtf8(kExportInUse).arg(file))});
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "stary");
    f.close();
    Export(file, {TExpectedDialog::Question(QString::fromUtf8(kExportOverwrite).arg(file), true)});
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), exported);
}

TEST_F(TiskExportTest, AUsersTemplateIsFoundWhateverTheCaseOfItsName) {
    static QString opened;
    ShellOpenLauncher = [](const QString& path) {
        opened = path;
        return 42;
    };
    // A copy another station wrote in lower case holds its number as well.
    ProgramFixture::WriteText(PrintFolder + "cen[2].xls", "x");
    dialog_->chckUpravitSestavu->setChecked(true);
    TModalDriver driver;
    QString proposed;
    driver.On("frmSestVlast", [&](QWidget* w) {
        auto& p = *static_cast<TfrmSestVlast*>(w);
        proposed = p.edtNazevSouboru->text();
        p.btnOK->click();
    });
    {
        // The copy is edited at once, in the file as it was written.
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kEditCopiedReport), true);
        dialog_->btnVytvoritKopii->click();
    }
    EXPECT_EQ(proposed, "CEN[3]");
    ASSERT_TRUE(QFile::exists(PrintFolder + "CEN[3].XLS"));
    EXPECT_EQ(opened, PrintFolder + "CEN[3].XLS");

    // A template that has gone is said so, not passed over.
    QFile::remove(PrintFolder + "CEN[3].XLS");
    opened.clear();
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kExportTemplateMissing).arg(PrintFolder + "CEN[3].xls"));
        dialog_->btnOpravitSestavuClick();
    }
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(TiskExportTest, AMissingTemplateOrAFailingRunIsTold) {
    const QString file = Folder() + "cenik.xls";
    QFile::remove(PrintFolder + "_CEN.xls");
    Export(file,
           {TExpectedDialog::Warning(QString::fromUtf8(kExportTemplateMissing).arg(PrintFolder + "_CEN.xls") +
                                     QString::fromUtf8(kReinstall))});
    // A template that is no workbook: the engine's own message is shown inside the quotes.
    ProgramFixture::WriteText(PrintFolder + "_CEN.xls", "toto neni sesit");
    Export(file,
           {TExpectedDialog::Error(QString::fromUtf8("Při exportu sestavy došlo k následující chybě: \""))});
    EXPECT_FALSE(QFileInfo::exists(file));
}

// Every shipped template, filled from the demonstration price list with and without groups, gives a
// workbook that python3-xlrd reads with every field reference of its cells replaced.
TEST_F(TiskExportTest, EveryShippedTemplateFillsAllItsFields) {
    QProcess probe;
    probe.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3", {"-c", "import xlrd"});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        GTEST_SKIP() << "python3-xlrd is not installed";
    for (const bool groups : {false, true}) {
        PriceListGroupsShown = groups;
        dialog_.reset();
        options_ = std::make_unique<TfrmTiskExpCeniku>();
        options_->Prepare();
        options_->chckDealersky->setChecked(true);
        options_->lblCena[0]->setText("VIP");
        ASSERT_EQ(options_->FillPriceListData(), 0);
        const int module = groups ? pmPriceListGroupsExport : pmPriceListExport;
        dialog_ = std::make_unique<TfrmTisk>(module);
        dialog_->Prepare({});
        for (const TBuiltInReport& report : BuiltInReports(module)) {
            SCOPED_TRACE(report.Soubor);
            Select(*dialog_, report.Soubor);
            const QString file = Folder() + report.Soubor + ".xls";
            Export(file, {});
            QProcess p;
            p.start(
                QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
                {"-c",
                 "import sys, xlrd\n"
                 "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                 "cells = [str(c.value) for r in range(s.nrows) for c in s.row(r)]\n"
                 "print(s.nrows, len([c for c in cells if '##' in c]), 'Jistič B16 1pól 6 kA' in cells)\n",
                 file});
            ASSERT_TRUE(p.waitForFinished(60000));
            const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(' ');
            ASSERT_EQ(out.size(), 3) << p.readAllStandardError().toStdString();
            EXPECT_GT(out[0].toInt(), 20);
            EXPECT_EQ(out[1], "0");
            EXPECT_EQ(out[2].trimmed(), "True");
        }
    }
}

}  // namespace
