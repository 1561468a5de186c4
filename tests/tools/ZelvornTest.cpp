// The report program: its command line, how it reads the data-set documents the main program
// writes, and how a layout lays the data out into pages.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "Zelvorn.h"
#include "common/ScriptedDialogs.h"
#include "exchange/MemTable2DotNet.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/text/OleDate.h"

namespace {

QStringList Texts(const TPage& page) {
    QStringList texts;
    for (const TDrawItem& item : page)
        if (item.Type == TLayoutElement::Kind::Text) texts << item.Text;
    return texts;
}

// Sheets, groups and items as the price list hands them over, with the relations between them.
QString PriceListDocument() {
    TMemTable sheets, groups, items;
    sheets.FieldDefs().Add("ID", ftInteger);
    sheets.FieldDefs().Add("Nazev", ftString, 30);
    groups.FieldDefs().Add("ID", ftInteger);
    groups.FieldDefs().Add("Sklad", ftInteger);
    groups.FieldDefs().Add("Nazev", ftString, 50);
    items.FieldDefs().Add("Skupina", ftInteger);
    items.FieldDefs().Add("Popis", ftString, 50);
    items.FieldDefs().Add("Cena", ftFloat);
    items.FieldDefs().Add("Poznamka", ftMemo);
    for (TMemTable* t : {&sheets, &groups, &items}) t->CreateTable();
    auto row = [](TMemTable& t, const QVariantList& values) {
        t.Append();
        for (int i = 0; i < values.size(); ++i) t.Fields()[i]->SetValue(values[i]);
        t.Post();
    };
    row(sheets, {1, "Elektro"});
    row(groups, {10, 1, "Kabely"});
    row(groups, {11, 1, QString::fromUtf8("Svítidla")});
    row(items, {10, "CYKY 3x1,5", 18.5, ""});
    row(items, {11, QString::fromUtf8("Svítidlo LED"), 1234.5, QString::fromUtf8("s čidlem")});
    row(items, {10, "CYKY 3x2,5", 27.0, ""});
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtTiskSklady", sheets);
    builder.AddTable("mtTiskSkupiny", groups);
    builder.AddTable("mtTiskZasoby", items);
    builder.AddRelation("Sklady_Skupiny", "mtTiskSklady", "ID", "mtTiskSkupiny", "Sklad");
    builder.AddRelation("Skupiny_Zasoby", "mtTiskSkupiny", "ID", "mtTiskZasoby", "Skupina");
    return builder.DocumentText();
}

const char* const kGroupedLayout = R"(<report size="9">
  <pageheader height="5"><text x="0" y="0" w="100" h="5">Ceník [PAGE]/[PAGES]</text></pageheader>
  <masterdata table="mtTiskSklady">
    <band height="6"><text x="0" y="0" w="100" h="6">List [Nazev]</text></band>
    <detaildata table="mtTiskSkupiny">
      <band height="6"><text x="0" y="0" w="100" h="6">Skupina [Nazev|u]</text></band>
      <detaildata table="mtTiskZasoby">
        <band height="5"><text x="0" y="0" w="60" h="5">[Popis]</text><text x="60" y="0" w="30" h="5">[Cena|n2]</text></band>
        <band height="4" if="Poznamka"><text x="4" y="0" w="60" h="4">pozn.: [Poznamka]</text></band>
        <footer height="4"><text x="0" y="0" w="60" h="4">konec skupiny [mtTiskSkupiny.Nazev] [Neznamy]</text></footer>
      </detaildata>
    </detaildata>
  </masterdata>
  <summary height="5"><text x="0" y="0" w="60" h="5">Vytištěno</text></summary>
</report>)";

TEST(ZelvornTest, TheCommandLinePathsMayHoldBlanksWhateverWayTheArgumentsArrive) {
    struct Case {
        QStringList arguments;
    };
    const Case kCases[] = {
        {{"?SYSTEMDATA=/tmp/a b/{1}?SYSTEMDATA", "?REPORTDATA=/tmp/a b/{2}?REPORTDATA"}},
        {{"?SYSTEMDATA=/tmp/a", "b/{1}?SYSTEMDATA", "?REPORTDATA=/tmp/a", "b/{2}?REPORTDATA"}},
        {{"?SYSTEMDATA=/tmp/a b/{1}?SYSTEMDATA ?REPORTDATA=/tmp/a b/{2}?REPORTDATA"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.arguments.join('|').toStdString());
        QString system, report;
        ASSERT_TRUE(ParseCommandLine(c.arguments, system, report));
        EXPECT_EQ(system, "/tmp/a b/{1}");
        EXPECT_EQ(report, "/tmp/a b/{2}");
    }
    QString system, report;
    EXPECT_FALSE(ParseCommandLine({"?SYSTEMDATA=/x?SYSTEMDATA"}, system, report));
}

TEST(ZelvornTest, TheDataSetDocumentIsReadWithItsTypesCaptionsAndRelations) {
    TReportData data;
    QString error;
    ASSERT_TRUE(data.LoadText(PriceListDocument().toUtf8(), error)) << qPrintable(error);
    EXPECT_EQ(data.DataSetName(), "ReportDataset");
    ASSERT_EQ(data.Tables().size(), 3u);
    const TReportTable* items = data.Table("mtTiskZasoby");
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(items->Fields, QStringList({"Skupina", "Popis", "Cena", "Poznamka"}));
    EXPECT_EQ(items->Types.value("Cena"), "xs:double");
    ASSERT_EQ(items->Rows.size(), 3u);
    EXPECT_EQ(items->Rows[1].value("Popis"), QString::fromUtf8("Svítidlo LED"));
    EXPECT_EQ(items->Rows[1].value("Cena"), "1234.5");
    ASSERT_EQ(data.Relations().size(), 2u);
    const TReportRelation* r = data.RelationBetween("mtTiskSkupiny", "mtTiskZasoby");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->ParentField, "ID");
    EXPECT_EQ(r->ChildField, "Skupina");
    EXPECT_FALSE(data.LoadText("<a><b>", error));
}

TEST(ZelvornTest, ALayoutWalksEachParentsChildrenByTheDocumentsRelations) {
    TReportData data;
    QString error;
    ASSERT_TRUE(data.LoadText(PriceListDocument().toUtf8(), error));
    TLayout layout;
    ASSERT_TRUE(layout.LoadText(kGroupedLayout, error)) << qPrintable(error);
    const std::vector<TPage> pages = BuildPages(layout, data);
    ASSERT_EQ(pages.size(), 1u);
    QStringList texts = Texts(pages[0]);
    texts.replaceInStrings(QStringLiteral("\x01P\x01"), "#")
        .replaceInStrings(QStringLiteral("\x01T\x01"), "N");
    EXPECT_EQ(
        texts,
        QStringList({"Ceník #/N", "List Elektro", "Skupina KABELY", "CYKY 3x1,5", "18,50", "CYKY 3x2,5",
                     "27,00", "konec skupiny Kabely [Neznamy]", QString::fromUtf8("Skupina SVÍTIDLA"),
                     QString::fromUtf8("Svítidlo LED"), "1 234,50", QString::fromUtf8("pozn.: s čidlem"),
                     QString::fromUtf8("konec skupiny Svítidla [Neznamy]"), QString::fromUtf8("Vytištěno")}));
}

TEST(ZelvornTest, RowsThatDoNotFitStartANewPageUnderThePageHeader) {
    TMemTable items;
    items.FieldDefs().Add("Popis", ftString, 50);
    items.CreateTable();
    for (int i = 1; i <= 80; ++i) {
        items.Append();
        items.FieldByName("Popis")->SetAsString(QString("Položka %1").arg(i));
        items.Post();
    }
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtPolozky", items);
    TReportData data;
    QString error;
    ASSERT_TRUE(data.LoadText(builder.DocumentText().toUtf8(), error));
    TLayout layout;
    ASSERT_TRUE(layout.LoadText(R"(<report>
        <pageheader height="10"><text x="0" y="0" w="100" h="5">Hlavička</text></pageheader>
        <masterdata table="mtPolozky"><band height="5"><text x="0" y="0" w="100" h="5">[Popis]</text></band></masterdata>
        <pagefooter height="8"><text x="0" y="0" w="100" h="5">Strana [PAGE] z [PAGES]</text></pagefooter>
      </report>)",
                                error))
        << qPrintable(error);
    const std::vector<TPage> pages = BuildPages(layout, data);
    // A4 with 12 mm margins leaves 273 mm; 10 for the header and 8 for the footer leave 51 rows.
    ASSERT_EQ(pages.size(), 2u);
    const QStringList first = Texts(pages[0]), second = Texts(pages[1]);
    EXPECT_EQ(first.front(), QString::fromUtf8("Hlavička"));
    EXPECT_EQ(second.front(), QString::fromUtf8("Hlavička"));
    EXPECT_EQ(first.size() - 2 + second.size() - 2, 80);
    EXPECT_EQ(second[1], QString::fromUtf8("Položka %1").arg(first.size() - 1));
    const QImage image = PageImage(layout, pages[1], 2, 2, 96);
    EXPECT_EQ(image.width(), 794);  // A4 at 96 dots per inch
}

TEST(ZelvornTest, NumbersAreWrittenTheCzechWay) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case kCases[] = {
        {0, 2, "0,00"},           {1234.5, 2, "1 234,50"}, {-1234567.891, 2, "-1 234 567,89"},
        {999.999, 2, "1 000,00"}, {21, 0, "21"},           {-0.001, 2, "0,00"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CzechNumber(c.value, c.decimals), QString::fromUtf8(c.text));
    }
}

TEST(ZelvornTest, ALayoutThatCannotBeReadIsRefusedWithItsReason) {
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case kCases[] = {{"<report><band/></report>", "Neznámý prvek <band>"},
                           {"<report><title><circle/></title></report>", "Neznámý prvek <circle>"},
                           {"<layout/>", "nemá prvek <report>"},
                           {"<report><title>", "nelze přečíst"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        TLayout layout;
        QString error;
        EXPECT_FALSE(layout.LoadText(c.text, error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << qPrintable(error);
    }
}

TEST(ZelvornTest, APictureBesideTheLayoutIsFoundWhateverTheCaseOfItsName) {
    QTemporaryDir dir;
    QImage logo(4, 4, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(dir.path() + "/logo.png"));
    QFile file(dir.path() + "/FIRMA.FRX");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        R"(<report><title height="20"><image x="0" y="0" w="10" h="10" src="LOGO.PNG"/></title></report>)");
    file.close();
    TLayout layout;
    QString error;
    ASSERT_TRUE(layout.Load(dir.path() + "/FIRMA.FRX", error)) << qPrintable(error);
    TReportData data;
    ASSERT_TRUE(data.LoadText(PriceListDocument().toUtf8(), error));
    const std::vector<TPage> pages = BuildPages(layout, data);
    ASSERT_FALSE(pages.empty());
    bool shown = false;
    for (const TDrawItem& item : pages.front())
        if (item.Type == TLayoutElement::Kind::Image) shown = !item.Image.isNull();
    EXPECT_TRUE(shown);
}

TEST(ZelvornTest, TheEditorShowsTheLayoutBesideItsFirstPageAndSavesTheText) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/CENIK.FRX";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kGroupedLayout);
    file.close();
    TReportData data;
    QString error;
    ASSERT_TRUE(data.LoadText(PriceListDocument().toUtf8(), error));
    TEditorWindow editor(path, data);
    EXPECT_EQ(editor.Editor()->toPlainText(), QString::fromUtf8(kGroupedLayout));
    EXPECT_EQ(editor.Status()->text(), "Stran: 1");
    ASSERT_FALSE(editor.Preview()->pixmap().isNull());
    // A text that does not read keeps the last picture and says why.
    editor.Editor()->setPlainText("<report><kruh/></report>");
    editor.UpdatePreview();
    EXPECT_TRUE(editor.Status()->text().contains("<kruh>"));
    editor.Editor()->setPlainText(
        "<report><title height=\"5\"><text x=\"0\" y=\"0\" w=\"50\" h=\"5\">Nový</text></title></report>");
    ASSERT_TRUE(editor.Save());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Nov\xc3\xbd"));
}

TEST(ZelvornTest, ThePreviewShowsEveryPageAndAnUnknownPrinterIsRefused) {
    TReportData data;
    QString error;
    ASSERT_TRUE(data.LoadText(PriceListDocument().toUtf8(), error));
    TLayout layout;
    ASSERT_TRUE(layout.LoadText(kGroupedLayout, error));
    TReportJob job;
    job.OperationType = "PREVIEW";
    job.ReportFileName = "/tmp/CENIK.FRX";
    TPreviewWindow preview(layout, data, job);
    EXPECT_EQ(preview.PageCount(), 1);
    ASSERT_EQ(preview.PagesLayout()->count(), 1);
    auto* page = qobject_cast<QLabel*>(preview.PagesLayout()->itemAt(0)->widget());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->pixmap().width(), 794);

    job.PrinterName = "Tiskárna, která není";
    EXPECT_FALSE(PrintReport(layout, BuildPages(layout, data), job, error));
    EXPECT_EQ(error, QString::fromUtf8(kPrinterMissingText).arg(job.PrinterName));
}

TEST(ZelvornTest, ThePreviewIsNamedAsTheUserKnowsTheReportFitsTheScreenAndSavesUnderTheNumber) {
    QTemporaryDir dir;
    // A user of the test's own, with a documents folder; where the program keeps the folder last
    // saved to stays away from the real user's settings.
    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(dir.path() + "/home"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + "/config"));
    QDir().mkpath(dir.path() + "/home/Documents");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path() + "/config");
    TMemTable header;
    header.FieldDefs().Add("Doklad", ftString, 10);
    header.CreateTable();
    header.Append();
    header.FieldByName("Doklad")->SetAsString("NB/00042");
    header.Post();
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtHlavickaNab", header);
    TReportData offer, priceList;
    QString error;
    ASSERT_TRUE(offer.LoadText(builder.DocumentText().toUtf8(), error));
    ASSERT_TRUE(priceList.LoadText(PriceListDocument().toUtf8(), error));
    TLayout layout;
    ASSERT_TRUE(layout.LoadText(kGroupedLayout, error));
    TReportJob job;
    job.OperationType = "PREVIEW";
    job.ReportFileName = dir.path() + "/_NABKSP.FRX";
    job.ReportName = QString::fromUtf8("Nabídka standardní");

    TPreviewWindow preview(layout, offer, job);
    EXPECT_EQ(preview.windowTitle(), QString::fromUtf8("Náhled - Nabídka standardní"));
    ASSERT_NE(preview.screen(), nullptr);
    const QRect room = preview.screen()->availableGeometry();
    EXPECT_LE(preview.width(), room.width());
    EXPECT_LE(preview.height(), room.height());

    QStringList proposals;
    QString answer;
    const auto savedDialog = PdfSaveDialog;
    PdfSaveDialog = [&](QWidget*, const QString& proposed) {
        proposals << proposed;
        return answer;
    };
    const QString documents = dir.path() + "/home/Documents";
    // Cancelled: nothing is written and nothing remembered.
    preview.ExportPdf();
    answer = dir.path() + "/vystup/NB_00042.pdf";
    QDir().mkpath(dir.path() + "/vystup");
    preview.ExportPdf();
    EXPECT_TRUE(QFile::exists(answer));
    // The next preview, of a report without a document number, starts where the last PDF went.
    job.ReportName = QString::fromUtf8("Standardní ceník");
    TPreviewWindow list(layout, priceList, job);
    answer.clear();
    list.ExportPdf();
    PdfSaveDialog = savedDialog;
    qputenv("HOME", home);
    if (config.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    EXPECT_EQ(proposals, (QStringList{documents + "/NB_00042.pdf", documents + "/NB_00042.pdf",
                                      dir.path() + "/vystup/" + QString::fromUtf8("Standardní ceník.pdf")}));
}

// The system data file of a job, as the main program writes it.
void WriteJob(const QString& path, const QString& operation, const QString& layout, const QString& printer) {
    TMemTable info;
    for (const char* f : {"OperationType", "ReportFileName", "PrinterName", "ExportFileName"})
        info.FieldDefs().Add(f, ftString, 255);
    info.CreateTable();
    info.Append();
    info.FieldByName("OperationType")->SetAsString(operation);
    info.FieldByName("ReportFileName")->SetAsString(layout);
    info.FieldByName("PrinterName")->SetAsString(printer);
    info.Post();
    TMemTable2DotNetBuilder system("SystemDataset");
    system.AddTable("Info", info);
    ASSERT_TRUE(system.SaveToFile(path));
}

TEST(ZelvornTest, AFailedJobIsToldInCzechAndEndsWithItsOwnCode) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    QFile layout(folder + "CENIK.FRX");
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly));
    layout.write(kGroupedLayout);
    layout.close();
    QFile report(folder + "R");
    ASSERT_TRUE(report.open(QIODevice::WriteOnly));
    report.write(PriceListDocument().toUtf8());
    report.close();
    auto run = [&](const QString& system) {
        return RunReportProgram(
            {"?SYSTEMDATA=" + system + "?SYSTEMDATA", "?REPORTDATA=" + folder + "R?REPORTDATA"});
    };
    struct Case {
        const char* operation;
        QString layout;
        QString printer;
        QString told;
    };
    const Case kCases[] = {
        {"PRINT", folder + "CENIK.FRX", QString::fromUtf8("Tiskárna, která není"),
         QString::fromUtf8(kPrinterMissingText).arg(QString::fromUtf8("Tiskárna, která není"))},
        {"PDFEXPORT", folder + "NENI.FRX", "", QString::fromUtf8("Formulářový soubor")},
        {"PREVIEW", folder + "NENI.FRX", "", QString::fromUtf8("Formulářový soubor")},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.operation);
        WriteJob(folder + "S", c.operation, c.layout, c.printer);
        TScriptedDialogs dialogs;
        dialogs.ExpectError(c.told);
        EXPECT_EQ(run(folder + "S"), kReportExitFailed);
    }
    // A job it cannot take over shows nothing: the main program tells the reason.
    TScriptedDialogs dialogs;
    EXPECT_EQ(run(folder + "neni"), kReportExitNotTaken);
    WriteJob(folder + "S", "FAX", folder + "CENIK.FRX", "");
    EXPECT_EQ(run(folder + "S"), kReportExitNotTaken);
}

TEST(ZelvornTest, TheProgramWritesThePdfOfAPdfExportJob) {
    const QString program = qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath()) + "/bin/zelvorn";
    ASSERT_TRUE(QFile::exists(program)) << qPrintable(program);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/složka s mezerou/";
    QDir().mkpath(folder);
    QFile layout(folder + "CENIK.FRX");
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly));
    layout.write(kGroupedLayout);
    layout.close();
    TMemTable info;
    for (const char* f : {"OperationType", "ReportFileName", "ExportFileName"})
        info.FieldDefs().Add(f, ftString, 255);
    info.CreateTable();
    info.Append();
    info.FieldByName("OperationType")->SetAsString("PDFEXPORT");
    info.FieldByName("ReportFileName")->SetAsString(folder + "CENIK.FRX");
    info.FieldByName("ExportFileName")->SetAsString(folder + "cenik.pdf");
    info.Post();
    TMemTable2DotNetBuilder system("SystemDataset");
    system.AddTable("Info", info);
    ASSERT_TRUE(system.SaveToFile(folder + "{S}"));
    QFile report(folder + "{R}");
    ASSERT_TRUE(report.open(QIODevice::WriteOnly));
    report.write(PriceListDocument().toUtf8());
    report.close();

    QProcess run;
    run.start(program,
              {"?SYSTEMDATA=" + folder + "{S}?SYSTEMDATA", "?REPORTDATA=" + folder + "{R}?REPORTDATA"});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().constData();
    QFile pdf(folder + "cenik.pdf");
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");

    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    QProcess text;
    text.start(pdftotext, {"-layout", folder + "cenik.pdf", "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected :
         {"Ceník 1/1", "Skupina SVÍTIDLA", "Svítidlo LED", "1 234,50", "pozn.: s čidlem"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(expected))) << expected << "\n" << qPrintable(out);

    // A job the program cannot read ends with its own code and no file.
    QProcess bad;
    bad.start(program,
              {"?SYSTEMDATA=" + folder + "{nic}?SYSTEMDATA", "?REPORTDATA=" + folder + "{R}?REPORTDATA"});
    ASSERT_TRUE(bad.waitForFinished(60000));
    EXPECT_EQ(bad.exitCode(), 1);
}

}  // namespace
