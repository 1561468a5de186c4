#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <vector>

#include "core/Nastaveni.h"
#include "core/UserSettings.h"
#include "offers/NabidkaKart.h"
#include "offers/NabidkaSoucty.h"
#include "offers/OfferFixture.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/ModalHelper.h"
#include "widgets/VnDBGrids.h"

namespace {

enum TKind { Price, Heading, Text };

struct TRow {
    TKind kind = Price;
    double rate = 21;
    double net = 0;  // PCBDPHPOL
    double vat = 0;  // VyseDPHPol
    double purchase = 0;
    double quantity = 1;
    double discount = 0;
    double profit = 0;
    const char* popis = "";
};

void Fill(TMemTable& items, const std::vector<TRow>& rows) {
    items.Close();
    items.Open();
    int order = 0;
    for (const TRow& r : rows) {
        AppendBlankItem(items);
        items.FieldByName("Popis")->SetAsString(QString::fromUtf8(r.popis));
        items.FieldByName("Nadpisova")->SetAsBoolean(r.kind == Heading);
        items.FieldByName("Textova")->SetAsBoolean(r.kind == Text);
        items.FieldByName("SazbaDPH")->SetAsFloat(r.kind == Price ? r.rate : 0);
        items.FieldByName("PCBDPHPOL")->SetAsFloat(r.net);
        items.FieldByName("VyseDPHPol")->SetAsFloat(r.vat);
        items.FieldByName("PCSDPHPOL")->SetAsFloat(r.net + r.vat);
        items.FieldByName("NakCena")->SetAsFloat(r.purchase);
        items.FieldByName("PocetMJ")->SetAsFloat(r.quantity);
        items.FieldByName("Sleva")->SetAsFloat(r.discount);
        items.FieldByName("ZiskPol")->SetAsFloat(r.profit);
        items.FieldByName("ProdCena")->SetAsFloat(r.quantity ? (r.net + r.vat) / r.quantity : 0);
        items.FieldByName("SDPH")->SetAsBoolean(true);
        items.FieldByName("Poradi")->SetAsInteger(++order);
        items.FieldByName("LockID")->SetAsInteger(kNotStored);
        items.Post();
    }
}

}  // namespace

TEST(NabidkaSoucty, AnItemCountsInOneVatClassOnly) {
    struct Case {
        double rate, basic, reduced, further;
        TVatClass expected;
    };
    const Case kCases[] = {
        {21, 21, 12, 0, TVatClass::Basic}, {12, 21, 12, 0, TVatClass::Reduced},
        {0, 21, 12, 0, TVatClass::Zero},   {10, 21, 15, 10, TVatClass::FurtherReduced},
        {10, 21, 15, 0, TVatClass::None},  {15, 15, 15, 0, TVatClass::Basic},
        {0, 0, 0, 0, TVatClass::Basic},    {5, 21, 15, 0, TVatClass::None},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(OfferVatClass(c.rate, c.basic, c.reduced, c.further), c.expected);
    }
}

TEST(NabidkaSoucty, TotalsOfTheDocument) {
    TMemTable items, subtotals;
    CreateOfferItemTable(items);
    subtotals.FieldDefs().Add("Nadpis", ftString, 50);
    for (const char* f : {"NCBDPH", "PCBDPH", "PCSDPH", "Zisk"}) subtotals.FieldDefs().Add(f, ftFloat);
    subtotals.FieldDefs().Add("PoradiPolozky", ftInteger);
    subtotals.CreateTable();

    // No items: every total 0, no discount, no warning.
    Fill(items, {});
    TOfferTotals t = ComputeOfferTotals(items, 21, 12, 0, 1, true, &subtotals);
    EXPECT_EQ(t.CelkemZaDokladSDPH, 0);
    EXPECT_FALSE(t.HasDiscount);
    EXPECT_FALSE(t.UnknownVatRate);
    EXPECT_TRUE(subtotals.IsEmpty());

    // One item at the basic rate; rounding applies to the two document totals only.
    Fill(items, {{Price, 21, 121, 25.41, 100, 1}});
    for (int round : {0, 1}) {
        SCOPED_TRACE(round);
        t = ComputeOfferTotals(items, 21, 12, 0, round, true, nullptr);
        EXPECT_DOUBLE_EQ(t.ZakladZaklSazba, 121);
        EXPECT_DOUBLE_EQ(t.DPHZaklSazba, 25.41);
        EXPECT_DOUBLE_EQ(t.SDPHZaklSazba, 146.41);
        EXPECT_DOUBLE_EQ(t.ZakladCelkem, 121);
        EXPECT_DOUBLE_EQ(t.CelkemSDPH, 146.41);
        EXPECT_DOUBLE_EQ(t.ZiskCelkem, 21);
        EXPECT_DOUBLE_EQ(t.CelkemZaDokladBDPH, 121);
        EXPECT_DOUBLE_EQ(t.CelkemZaDokladSDPH, round ? 146 : 146.41);
    }

    // Whole-unit rounding of the document totals counts .45 and above of a unit as a half.
    for (const auto& [net, rounded] : {std::pair{10.46, 11.0}, std::pair{10.44, 10.0}}) {
        SCOPED_TRACE(net);
        Fill(items, {{Price, 0, net, 0}});
        t = ComputeOfferTotals(items, 21, 12, 0, 1, true, nullptr);
        EXPECT_DOUBLE_EQ(t.CelkemZaDokladBDPH, rounded);
        EXPECT_DOUBLE_EQ(t.ZakladNulSazba, net);
    }

    // An unknown rate is missing from every total and raises the warning.
    Fill(items, {{Price, 21, 100, 21}, {Price, 10, 50, 5}});
    t = ComputeOfferTotals(items, 21, 12, 0, 0, true, nullptr);
    EXPECT_TRUE(t.UnknownVatRate);
    EXPECT_DOUBLE_EQ(t.ZakladCelkem, 100);
    EXPECT_DOUBLE_EQ(t.CelkemSDPH, 121);

    // Equal reduced and basic rates count an item once.
    Fill(items, {{Price, 15, 100, 15}});
    t = ComputeOfferTotals(items, 15, 15, 0, 0, true, nullptr);
    EXPECT_DOUBLE_EQ(t.ZakladCelkem, 100);
    EXPECT_DOUBLE_EQ(t.DPHCelkem, 15);
    EXPECT_DOUBLE_EQ(t.ZakladSnizSazba, 0);
    EXPECT_FALSE(t.UnknownVatRate);
}

TEST(NabidkaSoucty, HeadingSubtotalsAndTheDiscount) {
    TMemTable items, subtotals;
    CreateOfferItemTable(items);
    subtotals.FieldDefs().Add("Nadpis", ftString, 50);
    for (const char* f : {"NCBDPH", "PCBDPH", "PCSDPH", "Zisk"}) subtotals.FieldDefs().Add(f, ftFloat);
    subtotals.FieldDefs().Add("PoradiPolozky", ftInteger);
    subtotals.CreateTable();
    Fill(items, {{Price, 21, 10, 2.1, 5, 1, 0, 5},
                 {Heading, 0, 0, 0, 0, 1, 0, 0, "Materiál"},
                 {Heading, 0, 0, 0, 0, 1, 0, 0, "Kabely"},
                 {Price, 21, 100, 21, 30, 2, 10, 40},
                 {Text, 0, 0, 0, 0, 1, 0, 0, "poznámka"},
                 {Price, 21, 50, 10.5, 10, 1, 0, 40}});
    for (bool right : {true, false}) {
        SCOPED_TRACE(right);
        const TOfferTotals t = ComputeOfferTotals(items, 21, 12, 0, 0, right, &subtotals);
        ASSERT_EQ(subtotals.RecordCount(), 2);
        subtotals.First();
        EXPECT_EQ(subtotals.FieldByName("Nadpis")->AsString(), "Materiál");
        EXPECT_EQ(subtotals.FieldByName("PCBDPH")->AsFloat(), 0);
        EXPECT_EQ(subtotals.FieldByName("PoradiPolozky")->AsInteger(), 2);
        subtotals.Next();
        EXPECT_DOUBLE_EQ(subtotals.FieldByName("PCBDPH")->AsFloat(), 150);
        EXPECT_DOUBLE_EQ(subtotals.FieldByName("PCSDPH")->AsFloat(), 181.5);
        EXPECT_DOUBLE_EQ(subtotals.FieldByName("NCBDPH")->AsFloat(), right ? 70 : 0);
        EXPECT_DOUBLE_EQ(subtotals.FieldByName("Zisk")->AsFloat(), right ? 80 : 0);
        // The document's purchase total does not depend on the right.
        EXPECT_DOUBLE_EQ(t.NCBDPHCelkem, 75);
        EXPECT_TRUE(t.HasDiscount);
    }
}

TEST(NabidkaSoucty, MarkedSumsFooterText) {
    TMemTable items;
    CreateOfferItemTable(items);
    Fill(items, {{Price, 21, 100, 21}, {Price, 21, 50, 10.5}, {Price, 21, 7, 1.47}});
    EXPECT_EQ(MarkedSumFooterText(SumMarkedOfferItems(items, {}).PCBDPHPOL), "0,00 ");
    items.First();
    const TBookmark first = items.GetBookmark();
    items.Last();
    const TBookmark last = items.GetBookmark();
    const TMarkedItemSums sums = SumMarkedOfferItems(items, {first, last});
    EXPECT_DOUBLE_EQ(sums.PCBDPHPOL, 107);
    EXPECT_DOUBLE_EQ(sums.PCSDPHPOL, 129.47);
    EXPECT_EQ(items.GetBookmark(), last);
}

class NabidkaSouctyRatesTest : public OfferFixture {};

TEST_F(NabidkaSouctyRatesTest, AdoptingTheCurrentRatesMovesEachItemByItsOldClassOnce) {
    struct Case {
        const char* name;
        double oldBasic, oldReduced, oldFurther;
        double newBasic, newReduced, newFurther;
        double itemRate, expectedRate;
        bool warning;
    };
    const Case kCases[] = {
        {"reduced becomes the old basic", 21, 15, 0, 25, 21, 0, 15, 21, false},
        {"basic moves", 21, 15, 0, 25, 21, 0, 21, 25, false},
        {"zero stays", 21, 15, 0, 25, 21, 0, 0, 0, false},
        {"no further rate any more", 21, 15, 10, 21, 15, 0, 10, 10, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TOfferDocument& doc = OfferCardData();
        doc.Reset();
        OfferRateBasic = c.oldBasic;
        OfferRateReduced = c.oldReduced;
        OfferRateFurtherReduced = c.oldFurther;
        VatBasicRate = c.newBasic;
        VatReducedRate = c.newReduced;
        VatFurtherReducedRate = c.newFurther;
        Fill(doc.mtTmpPolozky, {{Price, c.itemRate, 100, 0}});
        doc.mtTmpPolozky.First();
        doc.mtTmpPolozky.Edit();
        doc.mtTmpPolozky.FieldByName("ProdCena")->SetAsFloat(100);
        doc.mtTmpPolozky.FieldByName("SDPH")->SetAsBoolean(false);
        doc.mtTmpPolozky.Post();
        AdoptCurrentVatRates(doc);
        doc.mtTmpPolozky.First();
        EXPECT_DOUBLE_EQ(doc.mtTmpPolozky.FieldByName("SazbaDPH")->AsFloat(), c.expectedRate);
        // The item was recalculated at its new rate.
        EXPECT_NEAR(doc.mtTmpPolozky.FieldByName("PCSDPHPOL")->AsFloat(), 100 + c.expectedRate, 0.001);
        EXPECT_EQ(doc.Totals.UnknownVatRate, c.warning);
        EXPECT_TRUE(doc.Modified);
        EXPECT_EQ(OfferRateBasic, c.newBasic);
    }
}

TEST_F(NabidkaSouctyRatesTest, TheVatDialogShowsBothColumnsAndAdoptsOnRequest) {
    TOfferDocument& doc = OfferCardData();
    doc.Reset();
    OfferRateBasic = 21;
    OfferRateReduced = 15;
    OfferRateFurtherReduced = 0;
    VatBasicRate = 21;
    VatReducedRate = 12;
    VatFurtherReducedRate = 0;
    QString info;
    bool furtherShown = true;
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TfrmDPH*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Sazby DPH");
        EXPECT_EQ(dialog->curSnizDoklad->Value(), 15);
        EXPECT_EQ(dialog->curSnizGlobal->Value(), 12);
        info = dialog->lblInfoText->text();
        furtherShown = dialog->curDalsiSnizDoklad->isVisible();
        dialog->btnStorno->click();
    });
    EXPECT_TRUE(ChangeOfferVatRates());
    EXPECT_EQ(info, kVatRatesDifferText);
    EXPECT_FALSE(furtherShown);
    EXPECT_EQ(OfferRateReduced, 15);

    OnNextModal([](QWidget* modal) { qobject_cast<TfrmDPH*>(modal)->btnNastavit->click(); });
    EXPECT_FALSE(ChangeOfferVatRates());
    EXPECT_EQ(OfferRateReduced, 12);
}

// The card over a document whose items the test writes.
class NabidkaSouctyCardTest : public OfferFixture {
protected:
    void SetUp() override {
        OfferFixture::SetUp();
        savedSum_ = SumMarkedItems;
        savedAsk_ = AskOnLeavingOffer;
        AskOnLeavingOffer = false;
        card_ = TfrmNabidkaKart::Instance();
        Doc().Reset();
        OfferRateBasic = 21;
        OfferRateReduced = 12;
        OfferRateFurtherReduced = 0;
        OfferRoundTotals = 1;
    }
    void TearDown() override {
        SumMarkedItems = savedSum_;
        AskOnLeavingOffer = savedAsk_;
        OfferFixture::TearDown();
    }
    static TOfferDocument& Doc() { return OfferCardData(); }

    void Items(const std::vector<TRow>& rows) {
        TMemTable& items = Doc().mtTmpPolozky;
        Fill(items, rows);
        for (items.First(); !items.Eof(); items.Next()) {
            items.Edit();
            items.FieldByName("NakCenaPol")
                ->SetAsFloat(items.FieldByName("NakCena")->AsFloat() *
                             items.FieldByName("PocetMJ")->AsFloat());
            items.Post();
        }
        items.SetIndexName("Poradi");
        items.First();
        RecalcOfferTotals();
    }
    // Shows the card, runs the script on it and leaves it.
    void Show(const std::function<void(TfrmNabidkaKart&)>& script) {
        OnNextModal([&](QWidget*) {
            script(*card_);
            card_->btnStorno->click();
        });
        card_->ShowOffer(Doc());
    }
    static QColor TextColour(QWidget* w) { return w->palette().color(QPalette::WindowText); }
    TColumnFooterPanel* Footer(const char* field) {
        for (int i = 0; i < card_->grPolozky->Columns().Count(); ++i) {
            TColumn* column = card_->grPolozky->Columns().ColumnAt(i);
            if (column->FieldName() == field) return column->FooterPanel();
        }
        ADD_FAILURE() << field;
        return nullptr;
    }

    TfrmNabidkaKart* card_ = nullptr;
    bool savedSum_ = false;
    bool savedAsk_ = true;
};

TEST_F(NabidkaSouctyCardTest, TheTotalsPanelShowsTheDiscountMarkTheProfitsColourAndTheUnroundedTotal) {
    const QColor kGrey(0x80, 0x80, 0x80), kGreen(0x00, 0x80, 0x00), kMaroon(0x80, 0x00, 0x00);
    struct Case {
        const char* name;
        std::vector<TRow> rows;
        const char* net;    // "Celkem bez DPH"
        const char* gross;  // "Celkem s DPH po zaokrouhlení"
        bool discount;
        QColor profit;
        bool subtotals;
    };
    const Case kCases[] = {
        {"no items", {}, "0,00", "0,00", false, kGrey, false},
        {"a loss, totals rounded to crowns",
         {{Price, 21, 120.6, 25.33, 130}},
         "120,60",
         "146,00",
         false,
         kMaroon,
         false},
        {"a discounted item under a heading",
         {{Heading, 0, 0, 0, 0, 1, 0, 0, "Materiál"}, {Price, 21, 1000.4, 210.04, 500, 2, 10, 0.4}},
         "1 000,40",
         "1 210,00",
         true,
         kGreen,
         true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Doc().Reset();
        Items(c.rows);
        Show([&](TfrmNabidkaKart& card) {
            EXPECT_EQ(card.lblZakladCelkem->text(), QString::fromUtf8(c.net));
            EXPECT_EQ(card.lblCelkemZaDokladSDPH->text(), QString::fromUtf8(c.gross));
            EXPECT_EQ(card.btnSleva->text(), c.discount ? "Sleva !" : "Sleva");
            EXPECT_EQ(card.btnSleva->font().bold(), c.discount);
            EXPECT_EQ(card.btnSleva->palette().color(QPalette::ButtonText),
                      c.discount ? QColor(0x00, 0x00, 0xFF) : QColor(0x00, 0x00, 0x00));
            EXPECT_EQ(card.panCelkemSlevy->isVisible(), c.discount);
            for (const char* name :
                 {"lblZiskCelkem", "lblZiskCelkemLabel", "lblZiskCelkemLabelEmpty", "lblZiskCelkemMena"}) {
                QLabel* label = card.findChild<QLabel*>(name);
                ASSERT_NE(label, nullptr) << name;
                EXPECT_EQ(TextColour(label), c.profit) << name;
            }
            EXPECT_EQ(card.panNadpisoveSoucty->isVisible(), c.subtotals);
        });
    }
}

TEST_F(NabidkaSouctyCardTest, TheFooterSumsTheMarkedItemsWhileSummingIsOn) {
    Items({{Price, 21, 100, 21, 60, 1, 0, 40},
           {Price, 21, 50, 10.5, 20, 2, 0, 10},
           {Price, 12, 7, 0.84, 5, 1}});
    SumMarkedItems = false;
    Show([&](TfrmNabidkaKart& card) {
        EXPECT_FALSE(card.grPolozky->Footer().Visible());
        // Checked with nothing marked: every sum reads zero.
        card.chckSouctovat->click();
        EXPECT_TRUE(card.grPolozky->Footer().Visible());
        for (const char* field : {"NakCenaPol", "PCBDPHPOL", "PCSDPHPOL", "ZiskPol"})
            EXPECT_EQ(Footer(field)->Text(), "0,00 ") << field;

        TMemTable& items = Doc().mtTmpPolozky;
        TBookmarkList& marks = card.grPolozky->MarkedRows();
        items.First();
        marks.SetCurrentRowMarked(true);
        items.Next();
        marks.SetCurrentRowMarked(true);
        EXPECT_EQ(Footer("NakCenaPol")->Text(), "100,00 ");
        EXPECT_EQ(Footer("PCBDPHPOL")->Text(), "150,00 ");
        EXPECT_EQ(Footer("PCSDPHPOL")->Text(), "181,50 ");
        EXPECT_EQ(Footer("ZiskPol")->Text(), "50,00 ");

        // While an operation changes rows, a mark it changes leaves the sums for later.
        Doc().SuppressMarkSums = true;
        items.Last();
        marks.SetCurrentRowMarked(true);
        EXPECT_EQ(Footer("PCBDPHPOL")->Text(), "150,00 ");
        Doc().SuppressMarkSums = false;
        card.UpdateMarkLabel();
        EXPECT_EQ(Footer("PCBDPHPOL")->Text(), "157,00 ");

        card.chckSouctovat->click();
        EXPECT_FALSE(card.grPolozky->Footer().Visible());
    });
}
