// Printing from every place that prints: the desktop note, the address book, the price list and the
// offer list open the print dialog, and a job hands the report program the data of that place.

#include <gtest/gtest.h>

#include <QPushButton>

#include "addressbook/Adresar.h"
#include "core/Main.h"
#include "core/UserSettings.h"
#include "exchange/PrintFixture.h"
#include "exchange/Tisk.h"
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

}  // namespace
