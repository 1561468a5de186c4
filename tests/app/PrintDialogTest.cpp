// Printing from every place that prints: the desktop note, the address book, the price list and the
// offer list open the print dialog, and a job hands the report program the data of that place.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <map>

#include "Layout.h"
#include "addressbook/Adresar.h"
#include "common/Artifacts.h"
#include "core/Main.h"
#include "core/UserSettings.h"
#include "exchange/PoslatMail.h"
#include "exchange/PrintFixture.h"
#include "exchange/Tisk.h"
#include "exchange/TiskData.h"
#include "exchange/TiskExpCeniku.h"
#include "offers/Nabidky.h"
#include "platform/data/Field.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/Zasoby.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

class PrintDialogTest : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        groupsShown_ = PriceListGroupsShown;
    }
    void TearDown() override {
        PriceListGroupsShown = groupsShown_;
        PrintFixture::TearDown();
    }
    static TfrmTisk& Dialog(QWidget* w) { return *static_cast<TfrmTisk*>(w); }
    static QStringList Files(TfrmTisk& d) {
        QStringList files;
        for (d.mtSestava.First(); !d.mtSestava.Eof(); d.mtSestava.Next())
            files << d.mtSestava.FieldByName("Soubor")->AsString();
        d.mtSestava.First();
        return files;
    }
    static QStringList Values(const TReportTable* table, const char* field) {
        QStringList values;
        if (table)
            for (const auto& row : table->Rows) values << row.value(field);
        return values;
    }
    bool groupsShown_ = false;
};

TEST_F(PrintDialogTest, TheNoteButtonPrintsTheCurrentNote) {
    TFakeReportProgram program;
    TModalDriver driver;
    QStringList files;
    driver.On("frmTisk", [&](QWidget* w) {
        files = Files(Dialog(w));
        EXPECT_TRUE(Dialog(w).panPosliEmail->isHidden());
        Dialog(w).btnTisk->click();
    });
    TScriptedDialogs dialogs;
    ASSERT_TRUE(main_->btnTiskPozn->isEnabled());
    const QString note = main_->mtPoznSeznam.FieldByName("Nazev")->AsString();
    main_->btnTiskPozn->click();
    EXPECT_EQ(files, QStringList({"_POZN"}));
    ASSERT_EQ(program.jobs.size(), 1u);
    const TCapturedJob& job = program.jobs[0];
    EXPECT_EQ(job.Info("ReportFileName"), PrintFolder + "_POZN.FRX");
    ASSERT_NE(job.Table("mtPoznTisk"), nullptr);
    EXPECT_EQ(Values(job.Table("mtPoznTisk"), "Nazev"), QStringList({note}));
    EXPECT_EQ(job.Table("mtPoznTisk")->Captions.value("Detail"), QString::fromUtf8("Text poznámky"));
    // The print table is closed again with the dialog.
    EXPECT_FALSE(main_->mtPoznTisk.Active());
}

TEST_F(PrintDialogTest, TheAddressBookPrintsItsMarkedFirmsOrAllOfThem) {
    TFakeReportProgram program;
    TModalDriver driver;
    driver.On("frmAdresar", [&](QWidget* w) {
        auto* list = static_cast<TfrmAdresar*>(w);
        list->btnAdrTisk->click();
    });
    driver.On("frmTisk", [&](QWidget* w) {
        EXPECT_EQ(Files(Dialog(w)), QStringList({"_ADRSZ", "_ADRSZKT"}));
        Dialog(w).btnNahled->click();
    });
    driver.On("frmAdresar", [&](QWidget* w) {
        auto* list = static_cast<TfrmAdresar*>(w);
        // Two marked firms are all that is printed.
        TADOQuery& q = main_->adqAdresar;
        q.First();
        list->grAdresar->MarkedRows().SetCurrentRowMarked(true);
        q.Next();
        list->grAdresar->MarkedRows().SetCurrentRowMarked(true);
        list->btnAdrTisk->click();
    });
    driver.On("frmTisk", [&](QWidget* w) { Dialog(w).btnTisk->click(); });
    driver.On("frmAdresar", [&](QWidget* w) { static_cast<TfrmAdresar*>(w)->btnAdrStorno->click(); });
    TScriptedDialogs dialogs;
    main_->btnAdresar->click();
    ASSERT_EQ(program.jobs.size(), 2u);
    EXPECT_EQ(program.jobs[0].Info("OperationType"), "PREVIEW");
    EXPECT_EQ(program.jobs[0].Table("mtSeznamAdres")->Rows.size(), 13u);
    EXPECT_TRUE(Values(program.jobs[0].Table("mtSeznamAdres"), "Nazev").contains("ELMONT Ostrava a.s."));
    EXPECT_EQ(
        Values(program.jobs[1].Table("mtSeznamAdres"), "Nazev"),
        QStringList({QString::fromUtf8("Autoservis Dvořák"), QString::fromUtf8("Bytové družstvo Lipová")}));
}

TEST_F(PrintDialogTest, ThePriceListPrintsTheShownSheetWithOrWithoutItsGroups) {
    struct Case {
        bool groups;
        const char* firstReport;
        QStringList tables;
    };
    const Case kCases[] = {
        {false, "_CEN", {"mtTiskHlavicka", "mtTiskSklady", "mtTiskZasoby"}},
        {true, "_CENSK", {"mtTiskHlavicka", "mtTiskSklady", "mtTiskSkupiny", "mtTiskZasoby"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.groups);
        PriceListGroupsShown = c.groups;
        TFakeReportProgram program;
        TModalDriver driver;
        QString first;
        driver.On("frmZasoby", [&](QWidget* w) { static_cast<TfrmZasoby*>(w)->btnTisk->click(); });
        driver.Press("frmTiskExpCeniku", "btnOk");
        driver.On("frmTisk", [&](QWidget* w) {
            first = Dialog(w).CurrentSoubor();
            Dialog(w).btnTisk->click();
        });
        driver.On("frmZasoby", [&](QWidget* w) { TModalDriver::Click(w, "btnStorno"); });
        TScriptedDialogs dialogs;
        main_->btnCenik->click();
        EXPECT_EQ(first, c.firstReport);
        ASSERT_EQ(program.jobs.size(), 1u);
        const TCapturedJob& job = program.jobs[0];
        QStringList tables;
        for (const TReportTable& t : job.report.Tables()) tables << t.Name;
        EXPECT_EQ(tables, c.tables);
        EXPECT_EQ(Values(job.Table("mtTiskSklady"), "Nazev"), QStringList({"Elektroinstalace"}));
        EXPECT_EQ(Values(job.Table("mtTiskHlavicka"), "NadpisCen"),
                  QStringList({QString::fromUtf8("Ceník")}));
        // Every item of the sheet, each under its group when groups are printed.
        EXPECT_EQ(job.Table("mtTiskZasoby")->Rows.size(), 18u);
        if (c.groups) {
            ASSERT_EQ(job.report.Relations().size(), 2u);
            EXPECT_EQ(job.report.Relations()[1].ChildTable, "mtTiskZasoby");
            EXPECT_EQ(job.report.Relations()[1].ChildField, "Skupina");
            QStringList groupIds = Values(job.Table("mtTiskSkupiny"), "ID");
            for (const QString& g : Values(job.Table("mtTiskZasoby"), "Skupina"))
                EXPECT_TRUE(groupIds.contains(g));
        } else {
            ASSERT_EQ(job.report.Relations().size(), 1u);
            EXPECT_EQ(job.report.Relations()[0].Name, "Sklady_Zasoby");
        }
    }
}

TEST_F(PrintDialogTest, TheOfferListPrintsTheMarkedOffersWithTheirSums) {
    TFakeReportProgram program;
    TModalDriver driver;
    QStringList marked;
    double withVat = 0;
    bool mailShownForOffer = false, mailShownForList = true;
    driver.On("frmNabidky", [&](QWidget* w) {
        auto* list = static_cast<TfrmNabidky*>(w);
        TADOQuery& q = main_->adqNabidky;
        ASSERT_GE(q.RecordCount(), 2);
        q.First();
        for (int i = 0; i < 2; ++i, q.Next()) {
            list->grNabidky->MarkedRows().SetCurrentRowMarked(true);
            marked << q.FieldByName("Doklad")->AsString();
            withVat += q.FieldByName("Celkem")->AsFloat();
        }
        list->btnTisk->click();
    });
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        mailShownForOffer = !d.panPosliEmail->isHidden();
        ASSERT_TRUE(d.mtSestava.Locate("Soubor", "_NABSZ"));
        mailShownForList = !d.panPosliEmail->isHidden();
        d.btnTisk->click();
    });
    driver.On("frmNabidky", [&](QWidget* w) { static_cast<TfrmNabidky*>(w)->btnStorno->click(); });
    TScriptedDialogs dialogs;
    main_->btnNabidky->click();
    EXPECT_TRUE(mailShownForOffer);
    EXPECT_FALSE(mailShownForList);
    ASSERT_EQ(program.jobs.size(), 1u);
    const TCapturedJob& job = program.jobs[0];
    EXPECT_EQ(job.Info("ReportFileName"), PrintFolder + "_NABSZ.FRX");
    EXPECT_EQ(Values(job.Table("mtSeznamNab"), "Doklad"), marked);
    ASSERT_EQ(job.Table("mtHlavNab")->Rows.size(), 1u);
    EXPECT_DOUBLE_EQ(job.Table("mtHlavNab")->Rows[0].value("CelkemSDPH").toDouble(), withVat);
    EXPECT_EQ(job.Table("mtHlavNab")->Rows[0].value("SymbolMeny"), QString::fromUtf8("Kč"));
    EXPECT_EQ(job.Table("mtSeznamNab")->Captions.value("AdrNazev"), QString::fromUtf8("Odběratel - název"));
}

TEST_F(PrintDialogTest, AnOfferGoesByEmailAsThePdfOfACzechQuotationFromTheRealReportProgram) {
    ASSERT_TRUE(QFile::exists(BuiltReportProgram())) << qPrintable(BuiltReportProgram());
    ASSERT_TRUE(QFile::link(BuiltReportProgram(), ProgramFolder + "zelvorn"));
    TFakeMailer mailer;
    TModalDriver driver;
    QString number, customer, total, item;
    int id = 0;
    driver.On("frmNabidky", [&](QWidget* w) {
        auto* list = static_cast<TfrmNabidky*>(w);
        TADOQuery& q = main_->adqNabidky;
        ASSERT_TRUE(q.Locate("AdrNazev", QString::fromUtf8("Hotel Zlatá Hvězda s.r.o.")));
        id = q.FieldByName("ID")->AsInteger();
        number = q.FieldByName("Doklad")->AsString();
        customer = q.FieldByName("AdrNazev")->AsString();
        total = QString::number(q.FieldByName("Celkem")->AsFloat(), 'f', 2);
        list->btnTisk->click();
    });
    driver.On("frmTisk", [&](QWidget* w) {
        TfrmTisk& d = Dialog(w);
        EXPECT_EQ(d.CurrentSoubor(), "_NABKSP");
        ASSERT_FALSE(d.panPosliEmail->isHidden());
        emit d.lblPoslatMail->linkActivated("#");
        d.reject();
    });
    driver.On("frmPoslatMail", [&](QWidget* w) {
        auto* m = static_cast<TfrmPoslatMail*>(w);
        if (m->edtEmailAdresa->text().isEmpty()) m->edtEmailAdresa->setText("recepce@zlatahvezda.cz");
        m->btnOk->click();
    });
    driver.On("frmNabidky", [&](QWidget* w) { static_cast<TfrmNabidky*>(w)->btnStorno->click(); });
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8("označit příznakem"), true);
    main_->btnNabidky->click();
    ASSERT_FALSE(dialogs.Shown().empty());
    EXPECT_EQ(dialogs.Shown().back().text, QString::fromUtf8(kMarkSentQuestion).arg(number));
    ASSERT_EQ(mailer.messages.size(), 1u);
    ASSERT_FALSE(mailer.messages[0].Attachments.isEmpty());
    const QString pdf = mailer.messages[0].Attachments[0];
    EXPECT_EQ(pdf, OfferPdfPath());
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(Firm(QString("SELECT IDStav FROM Nabidky WHERE ID = %1").arg(id)), "1");
    const QString items =
        Firm(QString("SELECT Popis FROM NabPolozky WHERE CisloNab = %1 ORDER BY Poradi").arg(id));

    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftotext.isEmpty() || pdftoppm.isEmpty()) GTEST_SKIP() << "poppler-utils are not installed";
    QProcess text;
    text.start(pdftotext, {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    QString czechTotal = total;
    czechTotal.replace('.', ',');
    const qsizetype comma = czechTotal.indexOf(',');
    for (qsizetype i = comma - 3; i > 0; i -= 3) czechTotal.insert(i, ' ');
    QStringList expected = {"CENOVÁ NABÍDKA", number,     customer,
                            "Celkem s DPH:",  czechTotal, "Rekapitulace DPH"};
    // Short descriptions: a long one may wrap inside its column.
    for (const QString& popis : items.split('|'))
        if (popis.size() < 30 && expected.size() < 9) expected << popis;
    for (const QString& e : expected)
        EXPECT_TRUE(out.contains(e)) << qPrintable(e) << "\n" << qPrintable(out);

    const QString base = ArtifactPath("offer-quotation");
    QProcess picture;
    picture.start(pdftoppm, {"-png", "-r", "72", "-f", "1", "-l", "1", "-singlefile", pdf, base});
    ASSERT_TRUE(picture.waitForFinished(60000));
    const QImage page(base + ".png");
    ASSERT_FALSE(page.isNull());
    // A4 at 72 dots per inch, with the blue band of the grand total somewhere on it.
    EXPECT_EQ(page.width(), 595);
    int blue = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, y) == QColor(0x1f, 0x4e, 0x79)) ++blue;
    EXPECT_GT(blue, 1000);
}

TEST_F(PrintDialogTest, EveryBuiltInLayoutFindsAllItsFieldsInTheDemoData) {
    // The data of every print module, as the dialog hands it over.
    TFakeReportProgram program;
    std::map<int, TReportData> data;
    auto capture = [&](int module) {
        TModalDriver driver;
        driver.On("frmTisk", [&](QWidget* w) {
            Dialog(w).btnTisk->click();
            if (Dialog(w).isVisible()) Dialog(w).reject();
        });
        TScriptedDialogs dialogs;
        // The offer printed is in preparation: the sent mark is offered, and declined.
        if (module == pmOffer) dialogs.ExpectQuestion(QString::fromUtf8("označit příznakem"), false);
        const size_t before = program.jobs.size();
        ShowPrintDialog(module);
        ASSERT_EQ(program.jobs.size(), before + 1) << module;
        data[module] = program.jobs.back().report;
    };
    TADOQuery& offers = main_->adqNabidky;
    offers.SetSQL("SELECT * FROM Nabidky");
    offers.Open();
    ASSERT_TRUE(offers.Locate("AdrNazev", QString::fromUtf8("Hotel Zlatá Hvězda s.r.o.")));
    capture(pmOffer);
    offers.Close();
    main_->adqAdresar.SetSQL("SELECT * FROM Adresar");
    main_->adqAdresar.Open();
    capture(pmAddresses);
    main_->adqAdresar.Close();
    capture(pmNote);
    for (const bool groups : {false, true}) {
        PriceListGroupsShown = groups;
        TfrmTiskExpCeniku options;
        options.Prepare();
        ASSERT_EQ(options.FillPriceListData(), 0);
        capture(groups ? pmPriceListGroups : pmPriceList);
    }
    ASSERT_FALSE(data[pmOffer].Tables().empty());

    // Offer list data: every listed offer.
    TReportData offerList;
    {
        offers.Open();
        TModalDriver driver;
        driver.On("frmTisk", [&](QWidget* w) {
            ASSERT_TRUE(Dialog(w).mtSestava.Locate("Soubor", "_NABSZ"));
            Dialog(w).btnTisk->click();
        });
        TScriptedDialogs dialogs;
        ShowPrintDialog(pmOffer);
        offerList = program.jobs.back().report;
        offers.Close();
    }

    static const QRegularExpression kUnresolved(R"(\[[A-Za-z][A-Za-z0-9.|]*\])");
    for (int module : {pmOffer, pmPriceListGroups, pmPriceList, pmAddresses, pmNote}) {
        for (const TBuiltInReport& report : BuiltInReports(module)) {
            SCOPED_TRACE(report.Soubor);
            const TReportData& source = report.Kind == TReportKind::List ? offerList : data[module];
            TLayout layout;
            QString error;
            ASSERT_TRUE(layout.Load(PrintFolder + report.Soubor + ".FRX", error)) << qPrintable(error);
            const std::vector<TPage> pages = BuildPages(layout, source);
            ASSERT_FALSE(pages.empty());
            int texts = 0;
            for (const TPage& page : pages)
                for (const TDrawItem& item : page) {
                    if (item.Type != TLayoutElement::Kind::Text) continue;
                    ++texts;
                    EXPECT_FALSE(kUnresolved.match(item.Text).hasMatch()) << qPrintable(item.Text);
                }
            EXPECT_GT(texts, 3);
            PageImage(layout, pages.front(), 1, static_cast<int>(pages.size()), 72)
                .save(ArtifactPath(QString("layout%1.png").arg(report.Soubor)));
        }
    }
}

}  // namespace
