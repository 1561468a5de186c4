#include <gtest/gtest.h>

#include <QDate>
#include <QImage>
#include <cmath>
#include <vector>

#include "common/Artifacts.h"
#include "core/Informace.h"
#include "core/Login.h"
#include "core/Nastaveni.h"
#include "offers/NabidkaSoucty.h"
#include "offers/NabidkaTisk.h"
#include "offers/OfferFixture.h"
#include "offers/RozpisIdentif.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Parameters.h"
#include "platform/text/OleDate.h"
#include "platform/ui/ModalHelper.h"
#include "pricelist/EditorIdentif.h"
#include "widgets/VnDBGrids.h"

namespace {

enum TKind { Price, Heading, Text, Cost };

TParameters Params(std::initializer_list<std::pair<const char*, QVariant>> values) {
    TParameters params;
    for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
    return params;
}

// One stored item: its line totals as an earlier save left them.
struct TItem {
    int poradi;
    TKind kind;
    const char* popis;
    double rate = 0;
    double net = 0;    // PCBDPHPOL
    double vat = 0;    // VyseDPHPol
    double gross = 0;  // PCSDPHPOL
    double quantity = 0;
    double prodCena = 0;
    bool withVat = false;
    double discount = 0;
    double purchase = 0;  // NakCena per unit
    double profit = 0;    // ZiskPol
};

struct TOfferRates {
    double basic = 21;
    double reduced = 12;
    double further = 0;
};

class NabidkaTiskTest : public OfferFixture {
protected:
    void TearDown() override {
        CurrentUser.NakupniCeny_AR = true;
        OfferFixture::TearDown();
    }

    int AddOffer(double celkem, TOfferRates rates = {}, int adrCislo = 0) {
        Firm().Execute(
            "INSERT INTO Nabidky (Doklad, AdrCislo, AdrNazev, Celkem, CelkemBDPH, CelkemNC, Zisk, "
            "SazDPHZakl, "
            "SazDPHSniz, SazDPHDalsiSniz, NabZaok, Zakazka, VytvorID) VALUES ('NB09001', :AdrCislo, 'Typ "
            "s.r.o.', "
            ":Celkem, 1000, 700, 300, :Zakl, :Sniz, :Dalsi, 1, 'ZAK01', 0)",
            Params({{"AdrCislo", adrCislo},
                    {"Celkem", celkem},
                    {"Zakl", rates.basic},
                    {"Sniz", rates.reduced},
                    {"Dalsi", rates.further}}));
        return Scalar("SELECT MAX(ID) FROM Nabidky").toInt();
    }

    void AddItems(int offerId, std::initializer_list<TItem> items) {
        for (const TItem& i : items)
            Firm().Execute(
                "INSERT INTO NabPolozky (CisloNab, Poradi, Popis, Nadpisova, Textova, Nakladova, SazbaDPH, "
                "PCBDPHPOL, VyseDPHPol, PCSDPHPOL, PocetMJ, ProdCena, SDPH, Sleva, NakCena, ZiskPol, "
                "CisloKarty) "
                "VALUES (:CisloNab, :Poradi, :Popis, :Nadpisova, :Textova, :Nakladova, :SazbaDPH, "
                ":PCBDPHPOL, "
                ":VyseDPHPol, :PCSDPHPOL, :PocetMJ, :ProdCena, :SDPH, :Sleva, :NakCena, :ZiskPol, 0)",
                Params({{"CisloNab", offerId},
                        {"Poradi", i.poradi},
                        {"Popis", QString::fromUtf8(i.popis)},
                        {"Nadpisova", i.kind == Heading},
                        {"Textova", i.kind == Text},
                        {"Nakladova", i.kind == Cost},
                        {"SazbaDPH", i.rate},
                        {"PCBDPHPOL", i.net},
                        {"VyseDPHPol", i.vat},
                        {"PCSDPHPOL", i.gross},
                        {"PocetMJ", i.quantity},
                        {"ProdCena", i.prodCena},
                        {"SDPH", i.withVat},
                        {"Sleva", i.discount},
                        {"NakCena", i.purchase},
                        {"ZiskPol", i.profit}}));
    }

    // Builds the print data of the offer as the report and the export do: the list stands on it first.
    // The information window, when it comes up, is read and closed.
    QStringList Build(int offerId) {
        List().Close();
        List().Open();
        EXPECT_TRUE(List().Locate("ID", offerId));
        QStringList info;
        if (!TfrmInformace::Instance()) informace_ = std::make_unique<TfrmInformace>();
        bool expectWindow = expectInformation_;
        if (expectWindow)
            OnNextModal([&](QWidget* modal) {
                auto* window = qobject_cast<TfrmInformace*>(modal);
                ASSERT_NE(window, nullptr);
                info = window->Lines();
                window->accept();
            });
        EXPECT_EQ(BuildOfferPrintData(), 0);
        expectInformation_ = false;
        return info;
    }

    TMemTable& Header() { return OfferPrintTables().mtHlavickaNab; }
    TMemTable& Items() { return OfferPrintTables().mtPolozkyNab; }
    TMemTable& Subtotals() { return OfferPrintTables().mtNadpisoveSoucty; }
    double H(const char* field) { return Header().FieldByName(field)->AsFloat(); }

    bool expectInformation_ = false;
    std::unique_ptr<TfrmInformace> informace_;
};

// The mixed offer: rates 21, 12 and 0, a cost item, an item at a rate the offer does not have, a
// zero-rate amount of half a ten-thousandth, headings, a text item; stored out of their order.
const TItem kMixed[] = {
    {7, Price, "Revize", 15, 10, 1.5, 11.5, 1, 10, false, 0, 5, 5},
    {3, Price, "Kabel CYKY 3x1,5", 21, 300, 63, 363, 3, 100, false, 0, 80, 60},
    {1, Price, "Doprava", 0, 100, 0, 100, 2, 50},
    {9, Cost, "Subdodávka", 21, 1000, 210, 1210, 1, 1000, false, 0, 1000},
    {5, Heading, "Práce"},
    {2, Heading, "Materiál"},
    {8, Price, "Vzorek", 0, 0.03125, 0, 0.03125, 1, 0.03125},
    {4, Price, "Svítidlo LED", 12, 241.06, 28.91, 269.97, 3, 99.99, true, 10, 70, 31.06},
    {6, Text, "Montáž dle dohody"},
};

}  // namespace

TEST_F(NabidkaTiskTest, TheVatRecapOfAMixedOfferCountsEachItemOnceToTheTenThousandth) {
    const int id = AddOffer(1955);
    AddItems(id, {kMixed[0], kMixed[1], kMixed[2], kMixed[3], kMixed[4], kMixed[5], kMixed[6], kMixed[7],
                  kMixed[8]});
    expectInformation_ = true;
    const QStringList info = Build(id);

    // The cost item counts at the basic rate; the item at 15 % counts nowhere and is reported.
    EXPECT_DOUBLE_EQ(H("ZakladDPHZakl"), 1300);
    EXPECT_DOUBLE_EQ(H("DPHZakl"), 273);
    EXPECT_DOUBLE_EQ(H("CelkemSDPHZakl"), 1573);
    EXPECT_DOUBLE_EQ(H("ZakladDPHSniz"), 241.06);
    EXPECT_DOUBLE_EQ(H("DPHSniz"), 28.91);
    EXPECT_DOUBLE_EQ(H("CelkemSDPHSniz"), 269.97);
    // 100 + 0.03125: the half of the last unit goes to the even neighbour.
    EXPECT_DOUBLE_EQ(H("ZakladDPHNula"), 100.0312);
    for (const char* none : {"ZakladDPHDalsiSniz", "DPHDalsiSniz", "CelkemSDPHDalsiSniz"})
        EXPECT_EQ(H(none), 0);
    // 1955 - (1573 + 269.97 + 100.0312)
    EXPECT_DOUBLE_EQ(H("Zaokrouhleno"), 11.9988);
    ASSERT_EQ(info.size(), 2);
    EXPECT_TRUE(info[0].contains("NB09001"));
    EXPECT_TRUE(info[0].contains(QString::fromUtf8(kUnknownVatRateText)));
    EXPECT_EQ(info[1], QString::fromUtf8("• Revize (sazba DPH 15 %)"));
    EXPECT_EQ(LastOfferPrintProblems(), info);

    // Only the discounted line has a discount: the other lines' rounding remainders are not one.
    // 3 × 99.99 with VAT is 299.97, without VAT 299.97 − 299.97 × 0.1071 = 267.8432.
    EXPECT_NEAR(H("CelkemVyseSlevyBDPH"), 267.8432 - 241.06, 1e-9);
    EXPECT_NEAR(H("CelkemVyseSlevySDPH"), 30, 1e-9);

    // Printed items in their order, without the cost item.
    QStringList printed;
    for (Items().First(); !Items().Eof(); Items().Next()) {
        printed << Items().FieldByName("Popis")->AsString();
        if (Items().FieldByName("Sleva")->AsFloat() == 0) {
            EXPECT_EQ(Items().FieldByName("VyseSlBDPHCelk")->AsFloat(), 0);
            EXPECT_EQ(Items().FieldByName("VyseSlSDPHCelk")->AsFloat(), 0);
        }
    }
    EXPECT_EQ(printed.join('|'), QString::fromUtf8("Doprava|Materiál|Kabel CYKY 3x1,5|Svítidlo LED|Práce|"
                                                   "Montáž dle dohody|Revize|Vzorek"));
    EXPECT_EQ(Items().IndexName(), "Poradi");

    // Subtotals: the item before the first heading belongs to none, the text item adds nothing.
    struct TSubtotal {
        const char* nadpis;
        double nc, pcb, pcs, zisk;
    };
    const TSubtotal expected[] = {{"Materiál", 450, 541.06, 632.97, 91.06},
                                  {"Práce", 5, 10.03125, 11.53125, 5}};
    ASSERT_EQ(Subtotals().RecordCount(), 2);
    Subtotals().First();
    for (const TSubtotal& s : expected) {
        SCOPED_TRACE(s.nadpis);
        EXPECT_EQ(Subtotals().FieldByName("Nadpis")->AsString(), QString::fromUtf8(s.nadpis));
        EXPECT_DOUBLE_EQ(Subtotals().FieldByName("NCBDPH")->AsFloat(), s.nc);
        EXPECT_DOUBLE_EQ(Subtotals().FieldByName("PCBDPH")->AsFloat(), s.pcb);
        EXPECT_DOUBLE_EQ(Subtotals().FieldByName("PCSDPH")->AsFloat(), s.pcs);
        EXPECT_DOUBLE_EQ(Subtotals().FieldByName("Zisk")->AsFloat(), s.zisk);
        Subtotals().Next();
    }
}

TEST_F(NabidkaTiskTest, AnItemCountsInTheOneClassTheOfferTotalsPutItIn) {
    struct Case {
        const char* name;
        TOfferRates rates;
        double itemRate;
        const char* baseField;  // nullptr: counted nowhere
        const char* vatField;
    };
    const Case kCases[] = {
        {"basic", {21, 12, 0}, 21, "ZakladDPHZakl", "DPHZakl"},
        {"reduced", {21, 12, 0}, 12, "ZakladDPHSniz", "DPHSniz"},
        {"further reduced", {21, 12, 10}, 10, "ZakladDPHDalsiSniz", "DPHDalsiSniz"},
        {"reduced equal to basic", {21, 21, 0}, 21, "ZakladDPHZakl", "DPHZakl"},
        {"further reduced equal to reduced", {21, 12, 12}, 12, "ZakladDPHSniz", "DPHSniz"},
        {"zero", {21, 12, 0}, 0, "ZakladDPHNula", nullptr},
    };
    const char* const kAmounts[] = {"ZakladDPHNula", "ZakladDPHSniz", "ZakladDPHZakl", "ZakladDPHDalsiSniz",
                                    "DPHSniz",       "DPHZakl",       "DPHDalsiSniz"};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Firm().Execute("DELETE FROM Nabidky WHERE Doklad = 'NB09001'");
        const double vat = c.itemRate;  // on a base of 100
        const int id = AddOffer(100 + vat, c.rates);
        AddItems(id, {{1, Price, "Položka", c.itemRate, 100, vat, 100 + vat, 1, 100}});
        Build(id);
        for (const char* field : kAmounts) {
            SCOPED_TRACE(field);
            const double want = QString(field) == c.baseField ? 100 : QString(field) == c.vatField ? vat : 0;
            EXPECT_DOUBLE_EQ(H(field), want);
        }
        EXPECT_DOUBLE_EQ(H("Zaokrouhleno"), 0);
        EXPECT_TRUE(LastOfferPrintProblems().isEmpty());
    }
}

TEST_F(NabidkaTiskTest, AnOfferWithoutItemsHasAnEmptyRecapAndItsWholeTotalAsRoundingDifference) {
    const int id = AddOffer(1234.5);
    Build(id);
    EXPECT_EQ(Header().RecordCount(), 1);
    for (const char* field :
         {"ZakladDPHNula", "ZakladDPHSniz", "ZakladDPHZakl", "DPHSniz", "DPHZakl", "CelkemSDPHSniz",
          "CelkemSDPHZakl", "CelkemVyseSlevyBDPH", "CelkemVyseSlevySDPH"})
        EXPECT_EQ(H(field), 0) << field;
    EXPECT_DOUBLE_EQ(H("Zaokrouhleno"), 1234.5);
    EXPECT_TRUE(Items().IsEmpty());
    EXPECT_TRUE(Subtotals().IsEmpty());
    // A typed customer leaves the address book's fields empty; the offer's own ones are kept.
    EXPECT_EQ(Header().FieldByName("AdrNazev")->AsString(), "Typ s.r.o.");
    for (const char* field : {"AdrStat", "AdrTelefon", "AdrFax", "AdrEmail", "AdrWWW", "AdrPoznamka",
                              "AdrEANKod", "AdrZprava", "DatVystaveni", "KontaktVytvoril"})
        EXPECT_EQ(Header().FieldByName(field)->AsString(), "") << field;
}

TEST_F(NabidkaTiskTest, WithoutThePurchasePriceRightEveryPurchaseAndProfitFigureIsZero) {
    const int id = AddOffer(1955);
    AddItems(id, {kMixed[1], kMixed[5], kMixed[7]});
    CurrentUser.NakupniCeny_AR = false;
    Build(id);
    EXPECT_EQ(H("CelkemNC"), 0);
    EXPECT_EQ(H("Zisk"), 0);
    for (Items().First(); !Items().Eof(); Items().Next())
        for (const char* field : {"NakCena", "ZiskMJ", "ZiskPol", "NakCenaPol"})
            EXPECT_EQ(Items().FieldByName(field)->AsFloat(), 0) << field;
    ASSERT_EQ(Subtotals().RecordCount(), 1);
    EXPECT_EQ(Subtotals().FieldByName("NCBDPH")->AsFloat(), 0);
    EXPECT_EQ(Subtotals().FieldByName("Zisk")->AsFloat(), 0);
    EXPECT_DOUBLE_EQ(Subtotals().FieldByName("PCBDPH")->AsFloat(), 541.06);

    CurrentUser.NakupniCeny_AR = true;
    Build(id);
    EXPECT_EQ(H("CelkemNC"), 700);
    ASSERT_TRUE(Items().Locate("Popis", "Kabel CYKY 3x1,5"));
    EXPECT_EQ(Items().FieldByName("NakCenaPol")->AsFloat(), 240);
}

TEST_F(NabidkaTiskTest, ADemoOfferPrintsItsCustomerFirmAndDatesAndItsRecapAddsUpToItsTotal) {
    const int id = Scalar("SELECT ID FROM Nabidky WHERE Popis = 'Elektroinstalace bytu 3+1'").toInt();
    ASSERT_GT(id, 0);
    const int adr = Scalar("SELECT AdrCislo FROM Nabidky WHERE ID = " + QString::number(id)).toInt();
    ASSERT_GT(adr, 0);
    Firm().Execute(
        "UPDATE Adresar SET Stat = 'Česko', Telefon = '545 111 222', EANKod = '8590000000001' "
        "WHERE ID = :ID",
        Params({{"ID", adr}}));
    // An item with a picture in the price list prints its path in the firm's picture folder.
    const int card = Scalar("SELECT CisloKarty FROM NabPolozky WHERE CisloNab = " + QString::number(id) +
                            " AND CisloKarty <> 0 ORDER BY Poradi")
                         .toInt();
    Firm().Execute("UPDATE Zasoby SET Obrazek = 'kabel.jpg' WHERE ID = :ID", Params({{"ID", card}}));
    Build(id);

    TMemTable& h = Header();
    auto text = [&](const char* field) { return h.FieldByName(field)->AsString(); };
    EXPECT_EQ(text("DatVystaveni"), "5.10.2026");
    EXPECT_EQ(text("DatPlatnosti"), "4.11.2026");
    EXPECT_EQ(text("DatVyrizeni"), "");
    EXPECT_EQ(text("AdrNazev"), QString::fromUtf8("Stavby Novák s.r.o."));
    EXPECT_EQ(text("AdrStat"), QString::fromUtf8("Česko"));
    EXPECT_EQ(text("AdrTelefon"), "545 111 222");
    EXPECT_EQ(text("AdrEANKod"), "8590000000001");
    EXPECT_EQ(text("DodNazev"), FirmName);
    EXPECT_EQ(text("DodMisto"), FirmTown);
    EXPECT_EQ(text("Mena"), CurrencySymbol);
    EXPECT_EQ(text("Uzivatel"), CurrentUser.Jmeno);
    EXPECT_EQ(text("TextPred"), QString::fromUtf8("Na základě Vaší poptávky Vám nabízíme:"));
    EXPECT_EQ(h.FieldByName("ZaklSazbaDPH")->AsFloat(), 21);
    EXPECT_EQ(h.FieldByName("SnizSazbaDPH")->AsFloat(), 12);
    EXPECT_EQ(h.FieldByName("Celkem")->DisplayLabel(), "Cena celkem s DPH");
    EXPECT_EQ(h.FieldByName("Celkem")->DisplayFormat(), "# ### ### ##0.00");

    const double classes =
        H("CelkemSDPHZakl") + H("CelkemSDPHSniz") + H("ZakladDPHNula") + H("CelkemSDPHDalsiSniz");
    EXPECT_GT(classes, 0);
    EXPECT_NEAR(classes + H("Zaokrouhleno"), H("Celkem"), 1e-9);
    EXPECT_LT(std::abs(H("Zaokrouhleno")), 1);
    const QString items = "NabPolozky WHERE CisloNab = " + QString::number(id);
    EXPECT_NEAR(H("DPHZakl"),
                Scalar("SELECT SUM(VyseDPHPol) FROM " + items + " AND SazbaDPH = 21").toDouble(), 1e-6);
    EXPECT_NEAR(H("ZakladDPHSniz"),
                Scalar("SELECT SUM(PCBDPHPOL) FROM " + items + " AND SazbaDPH = 12").toDouble(), 1e-6);

    EXPECT_EQ(Items().RecordCount(), Count("NabPolozky", "CisloNab = " + QString::number(id)));
    EXPECT_EQ(Subtotals().RecordCount(), 2);
    ASSERT_TRUE(Items().Locate("IDKarty", card));
    EXPECT_EQ(Items().FieldByName("Obrazek")->AsString(), PictureFolder + "kabel.jpg");
    EXPECT_EQ(Items().FieldByName("Mena")->AsString(), CurrencySymbol);
}

TEST_F(NabidkaTiskTest, TheBreakdownOfThePrintDataSumsThePrintedItemsPerShownIdentifier) {
    Firm().Execute("DELETE FROM SezIdentif");
    Firm().Execute(
        "INSERT INTO SezIdentif (Zkratka, Popis, Nepouzivat) VALUES ('KABEL', 'Kabely', False), "
        "('SVETLO', 'Osvětlení', False), ('SKRYT', 'Mimo rozpis', True)");
    const int id = AddOffer(1955);
    AddItems(id, {kMixed[1], kMixed[3], kMixed[4], kMixed[6], kMixed[7]});
    struct Tag {
        const char* popis;
        QStringList codes;
    };
    // The cable carries two codes, one written in another case than the catalogue; the cost item
    // and the hidden code must not reach the breakdown, the heading has no code at all.
    const Tag kTags[] = {{"Kabel CYKY 3x1,5", {"kabel", "SVETLO"}},
                         {"Subdodávka", {"KABEL"}},
                         {"Svítidlo LED", {"SVETLO", "SKRYT"}},
                         {"Vzorek", {"NOVY"}}};
    for (const Tag& t : kTags)
        Firm().Execute(
            "UPDATE NabPolozky SET Identif = :Identif WHERE Popis = :Popis",
            Params({{"Identif", BuildIdentifierList(t.codes)}, {"Popis", QString::fromUtf8(t.popis)}}));
    Build(id);

    TfrmRozpisIdentif* window = PrintBreakdownWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());
    TMemTable& rows = window->mtRozpisIdentif;
    struct Row {
        const char* code;
        const char* popis;
        double nakCena, prodBDPH, prodSDPH, zisk;
    };
    // A code missing from the catalogue is listed without a description.
    const Row kRows[] = {{"kabel", "Kabely", 240, 300, 363, 60},
                         {"SVETLO", "Osvětlení", 240 + 210, 300 + 241.06, 363 + 269.97, 60 + 31.06},
                         {"NOVY", "", 0, 0.03125, 0.03125, 0}};
    ASSERT_EQ(rows.RecordCount(), static_cast<int>(std::size(kRows)));
    rows.First();
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(rows.FieldByName("ZkrIdent")->AsString(), r.code);
        EXPECT_EQ(rows.FieldByName("PopisIdent")->AsString(), QString::fromUtf8(r.popis));
        EXPECT_DOUBLE_EQ(rows.FieldByName("NakCena")->AsFloat(), r.nakCena);
        EXPECT_DOUBLE_EQ(rows.FieldByName("ProdBDPH")->AsFloat(), r.prodBDPH);
        EXPECT_DOUBLE_EQ(rows.FieldByName("ProdSDPH")->AsFloat(), r.prodSDPH);
        EXPECT_DOUBLE_EQ(rows.FieldByName("Zisk")->AsFloat(), r.zisk);
        EXPECT_FALSE(rows.FieldByName("Nepouzivat")->AsBoolean());
        rows.Next();
    }
    // The walk leaves the printed items where the build left them: on the first in print order.
    EXPECT_EQ(Items().FieldByName("Poradi")->AsInteger(), 3);

    // The next build replaces the rows in the same window; a release lets the window go.
    Firm().Execute("DELETE FROM NabPolozky WHERE CisloNab = :ID", Params({{"ID", id}}));
    Build(id);
    EXPECT_EQ(PrintBreakdownWindow(), window);
    EXPECT_TRUE(window->mtRozpisIdentif.IsEmpty());
    ReleasePrintBreakdownWindow();
    EXPECT_EQ(PrintBreakdownWindow(), nullptr);
}

TEST_F(NabidkaTiskTest, TheCardAndThePrintCountTheSameDiscountOfTheDiscountedItemsOnly) {
    // Line totals as the item card leaves them: rounded to whole crowns or to tenths, so every item
    // has a remainder against its unrounded price, and one item carries a discount.
    struct Case {
        const char* name;
        std::vector<TItem> items;
        double discountNet, discountGross;
        double totalNet, totalGross;
    };
    const Case kCases[] = {
        {"crowns, 21 and 12 %",
         {{1, Price, "Rozvodnice", 21, 833.06, 174.94, 1008, 1, 833},
          // 3 × 99.99 with VAT less 10 %; without VAT 299.97 − 299.97 × 0.1071 = 267.8432.
          {2, Price, "Svítidlo LED", 12, 241.07, 28.93, 270, 3, 99.99, true, 10}},
         267.8432 - 241.07,
         29.97,
         1074.13,
         1278},
        {"tenths, 21, 12 and 0 %",
         {{1, Price, "Kabel", 21, 318.51, 66.89, 385.4, 7, 45.5},
          {2, Price, "Jistič", 21, 380, 79.8, 459.8, 2, 200, false, 5},
          {3, Price, "Lišta", 12, 44.64, 5.36, 50, 3, 14.88},
          {4, Price, "Doprava", 0, 100, 0, 100, 3, 33.33}},
         20,
         24.2,
         843.15,
         995.2},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Firm().Execute("DELETE FROM NabPolozky");
        const int id = AddOffer(c.totalGross);
        for (const TItem& item : c.items) AddItems(id, {item});
        Build(id);
        EXPECT_NEAR(H("CelkemVyseSlevyBDPH"), c.discountNet, 1e-9);
        EXPECT_NEAR(H("CelkemVyseSlevySDPH"), c.discountGross, 1e-9);

        TADOQuery stored{&Firm()};
        stored.SetSQL(QStringLiteral("SELECT * FROM NabPolozky WHERE CisloNab = %1").arg(id));
        stored.Open();
        const TOfferTotals t = ComputeOfferTotals(stored, 21, 12, 0, 1, true, nullptr);
        EXPECT_TRUE(t.HasDiscount);
        EXPECT_NEAR(t.ZakladCelkem, c.totalNet, 1e-9);
        // The card shows a discount as a negative amount, to the ten-thousandth.
        EXPECT_NEAR(t.VyseSlevyBDPH, -std::round(c.discountNet * 10000) / 10000, 1e-9);
        EXPECT_NEAR(t.VyseSlevySDPH, -c.discountGross, 1e-9);
        // Before the discount is what the discount was taken from, so the panel adds up.
        EXPECT_NEAR(t.PredSlevouBDPH + t.VyseSlevyBDPH, t.ZakladCelkem, 1e-9);
        EXPECT_NEAR(t.PredSlevouSDPH + t.VyseSlevySDPH, t.CelkemSDPH, 1e-9);
    }
}

TEST_F(NabidkaTiskTest, MarkedRowsOfTheBreakdownAreDrawnWhiteOnGrey) {
    const int id = AddOffer(1955);
    AddItems(id, {kMixed[1], kMixed[7]});
    Firm().Execute("UPDATE NabPolozky SET Identif = :Identif",
                   Params({{"Identif", BuildIdentifierList({"A"})}}));
    Firm().Execute(
        "UPDATE NabPolozky SET Identif = :Identif WHERE Popis = :Popis",
        Params({{"Identif", BuildIdentifierList({"B"})}, {"Popis", QString::fromUtf8("Svítidlo LED")}}));
    Build(id);
    TfrmRozpisIdentif* window = PrintBreakdownWindow();
    ASSERT_NE(window, nullptr);
    TVnDBGrid* grid = window->grRozpisIdentif;
    TMemTable& rows = window->mtRozpisIdentif;
    ASSERT_EQ(rows.RecordCount(), 2);
    grid->resize(620, 200);
    // The second row is marked; the cursor stands on the first, which is not.
    rows.Last();
    grid->MarkedRows().SetCurrentRowMarked(true);
    rows.First();
    const QImage picture = grid->grab().toImage();
    picture.save(ArtifactPath("identifier-breakdown-marks.png"));
    const QPoint origin = grid->viewport()->mapTo(grid, QPoint(0, 0));
    const auto cellColour = [&](int dataRow, int dataColumn) {
        const TRect cell = grid->CellRect(grid->DataToRawColumn(dataColumn), grid->TitleOffset() + dataRow);
        return picture.pixelColor(origin + QPoint(cell.Right - 3, cell.Top + 2));
    };
    struct Case {
        int row;
        int column;
        QColor colour;
    };
    // The mark covers the columns' own colours too.
    const Case kCases[] = {
        {1, 0, QColor(128, 128, 128)}, {1, 2, QColor(128, 128, 128)}, {0, 2, QColor(255, 233, 213)}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::to_string(c.row) + "/" + std::to_string(c.column));
        EXPECT_EQ(cellColour(c.row, c.column), c.colour);
    }
    // The text of a marked row is white (smoothed at its edges, so near white counts).
    const TRect code = grid->CellRect(grid->DataToRawColumn(2), grid->TitleOffset() + 1);
    bool white = false;
    for (int y = code.Top; y < code.Bottom && !white; ++y) {
        for (int x = code.Left; x < code.Right && !white; ++x) {
            const QColor c = picture.pixelColor(origin + QPoint(x, y));
            white = c.red() > 230 && c.green() > 230 && c.blue() > 230;
        }
    }
    EXPECT_TRUE(white);
    ReleasePrintBreakdownWindow();
}
