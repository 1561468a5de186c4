#include <gtest/gtest.h>

#include "platform/data/Field.h"
#include "pricelist/KartaZasobyCena.h"
#include "pricelist/PriceRules.h"

namespace {

// Four decimals, as the card's price fields keep them.
std::string Text(long double value) {
    return QString::number(static_cast<double>(value), 'f', 4).toStdString();
}

// A level row as the card holds it.
void AddLevel(TItemPriceCalc& calc, const QString& code, bool recalculated, bool withVat, int typ,
              double hodnota, int vych, int zaok, double net = 0, double gross = 0) {
    TMemTable& rows = calc.mtSezCenHlad;
    rows.Append();
    rows.FieldByName("Zkratka")->SetAsString(code);
    rows.FieldByName("Prepocitat")->SetAsBoolean(recalculated);
    rows.FieldByName("SDPH")->SetAsBoolean(withVat);
    rows.FieldByName("TypHodnoty")->SetAsInteger(typ);
    rows.FieldByName("Hodnota")->SetAsFloat(hodnota);
    rows.FieldByName("VychCena")->SetAsInteger(vych);
    rows.FieldByName("Zaok")->SetAsInteger(zaok);
    rows.FieldByName("PrCenaBDPH")->SetAsFloat(net);
    rows.FieldByName("PrCenaSDPH")->SetAsFloat(gross);
    rows.FieldByName("Delete2")->SetAsBoolean(false);
    rows.Post();
}

std::string Levels(TItemPriceCalc& calc) {
    std::string out;
    TMemTable& rows = calc.mtSezCenHlad;
    for (rows.First(); !rows.Eof(); rows.Next())
        out += (out.empty() ? "" : " ") + rows.FieldByName("Zkratka")->AsString().toStdString() + "=" +
               Text(rows.FieldByName("PrCenaBDPH")->AsFloat()) + "/" +
               Text(rows.FieldByName("PrCenaSDPH")->AsFloat());
    return out;
}

QVariant Param(const TParamValues& params, const QString& name) {
    for (const auto& [n, v] : params)
        if (n == name) return v;
    ADD_FAILURE() << "no parameter " << name.toStdString();
    return {};
}

}  // namespace

// The base sale price from the purchase price, and re-deriving the second VAT variant from the first.
TEST(ItemPriceCalcTest, PurchasePriceRuleAndSecondVariant) {
    struct Case {
        const char* name;
        double nakCena, marze, rabat;
        TItemValueRule rule;
        bool withVat;
        int zaok;
        // after RecalcItemPrices(1) alone, and after (1) then (2): the entered price and the other
        const char *prod1, *druha1, *prod2, *druha2;
    };
    const Case kCases[] = {
        // The VAT share of a gross price is rounded to four decimals, so re-deriving the net price
        // from 145.2 gives 119.9933 and not the 120 the purchase price rule gave.
        {"margin, with VAT", 100, 20, 0, TItemValueRule::FixedMargin, true, ZaokNone, "145.2000", "120.0000",
         "145.2000", "119.9933"},
        {"margin, without VAT", 100, 20, 0, TItemValueRule::FixedMargin, false, ZaokNone, "120.0000",
         "145.2000", "120.0000", "145.2000"},
        {"rabat of 100 %", 100, 0, 100, TItemValueRule::FixedRabat, false, ZaokNone, "0.0000", "0.0000",
         "0.0000", "0.0000"},
        {"rabat 20 %", 100, 0, 20, TItemValueRule::FixedRabat, false, ZaokNone, "125.0000", "151.2500",
         "125.0000", "151.2500"},
        {"margin rounded to crowns", 100, 20, 0, TItemValueRule::FixedMargin, true, ZaokCrowns, "145.0000",
         "120.0000", "145.0000", "120.0000"},
        {"margin rounded to tenths", 33.33, 10, 0, TItemValueRule::FixedMargin, false, ZaokTenths, "36.7000",
         "44.4000", "36.7000", "44.4000"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TItemPriceCalc calc;
        calc.NakCena = c.nakCena;
        calc.Marze = c.marze;
        calc.Rabat = c.rabat;
        calc.TypHodnoty = c.rule;
        calc.SDPH = c.withVat;
        calc.Zaok = c.zaok;
        calc.SazbaDPH = 21;
        calc.Prepocitat = true;
        calc.RecalcItemPrices(kRecalcFromPurchase);
        EXPECT_EQ(Text(calc.ProdCena), c.prod1);
        EXPECT_EQ(Text(calc.PrCenaDruha), c.druha1);
        calc.RecalcItemPrices(kRecalcSecondVariant);
        EXPECT_EQ(Text(calc.ProdCena), c.prod2);
        EXPECT_EQ(Text(calc.PrCenaDruha), c.druha2);
    }
}

TEST(ItemPriceCalcTest, WithoutRecalculationThePurchasePriceLeavesTheSalePrice) {
    TItemPriceCalc calc;
    calc.NakCena = 100;
    calc.Marze = 20;
    calc.ProdCena = 50;
    calc.SazbaDPH = 21;
    calc.RecalcItemPrices(kRecalcFromPurchase);
    EXPECT_EQ(Text(calc.ProdCena), "50.0000");
    // The actual margin and rabat follow the prices as they are.
    EXPECT_EQ(Text(calc.MarzeSkut), "-50.0000");
    EXPECT_EQ(Text(calc.RabatSkut), "-100.0000");
}

TEST(ItemPriceCalcTest, ActualMarginAndRabatAreZeroWithoutTheirDivisor) {
    TItemPriceCalc calc;
    calc.NakCena = 0;
    calc.ProdCena = 80;
    calc.RecalcItemPrices(kRecalcSecondVariant);
    EXPECT_EQ(calc.MarzeSkut, 0);
    EXPECT_EQ(Text(calc.RabatSkut), "100.0000");
    calc.NakCena = 50;
    calc.ProdCena = 0;
    calc.RecalcItemPrices(kRecalcSecondVariant);
    EXPECT_EQ(calc.RabatSkut, 0);
    EXPECT_EQ(Text(calc.MarzeSkut), "-100.0000");
}

TEST(ItemPriceCalcTest, LevelRowsFollowTheCardAndFixedLevelsKeepTheirOwnPrice) {
    TItemPriceCalc calc;
    calc.NakCena = 100;
    calc.ProdCena = 121;
    calc.SDPH = true;
    calc.SazbaDPH = 21;
    // A discount on the base price with VAT: the gross price is rounded first, net derived from it.
    AddLevel(calc, "SL", true, false, TypHodnotySleva, 5, VychCenaProdejni, ZaokCrowns);
    // A margin on the purchase price, always without VAT.
    AddLevel(calc, "MA", true, true, TypHodnotyMarze, 20, VychCenaNakupni, ZaokNone);
    // Fixed levels: the typed price of their own kind stays, the other follows the rate.
    AddLevel(calc, "FB", false, false, 0, 0, 0, ZaokNone, 50, 999);
    AddLevel(calc, "FS", false, true, 0, 0, 0, ZaokTenths, 999, 121);
    // A start price no card offers prices at zero.
    AddLevel(calc, "XX", true, false, TypHodnotySleva, 5, 7, ZaokNone, 3, 3);
    calc.mtSezCenHlad.SetRecNo(3);
    calc.RecalcItemPriceLevels();
    EXPECT_EQ(calc.mtSezCenHlad.RecNo(), 3) << "the current row stays current";
    EXPECT_EQ(Levels(calc),
              "SL=95.0000/115.0000 MA=120.0000/145.2000 FB=50.0000/60.5000 FS=100.0000/121.0000 "
              "XX=0.0000/0.0000");
    // The rate changes: only the derived variants move.
    calc.SazbaDPH = 10;
    calc.RecalcItemPriceLevels();
    EXPECT_EQ(Levels(calc),
              "SL=105.0000/115.0000 MA=120.0000/132.0000 FB=50.0000/55.0000 FS=110.0000/121.0000 "
              "XX=0.0000/0.0000");
}

TEST(ItemPriceCalcTest, APickedGroupMergesItsRulesOverTheLevelRows) {
    TItemPriceCalc calc;
    AddLevel(calc, "AKCE", false, false, 0, 0, 0, ZaokNone, 50, 60.5);
    AddLevel(calc, "OLD", true, false, TypHodnotySleva, 5, 0, ZaokNone, 1, 1);
    TMemTable rules;
    TMemTable groups;
    CreatePriceRuleTables(rules, groups);
    const auto rule = [&](const char* code, bool recalculated, double value) {
        rules.Append();
        rules.FieldByName("IDCenSkup")->SetAsInteger(1);
        rules.FieldByName("Zkratka")->SetAsString(code);
        rules.FieldByName("Prepocitat")->SetAsBoolean(recalculated);
        rules.FieldByName("Hodnota")->SetAsFloat(value);
        rules.FieldByName("TypHodnoty")->SetAsInteger(TypHodnotySleva);
        rules.FieldByName("VychCena")->SetAsInteger(0);
        rules.FieldByName("Zaok")->SetAsInteger(0);
        rules.FieldByName("SDPH")->SetAsBoolean(false);
        rules.Post();
    };
    rule("VIP", true, 10);
    rule("akce", false, 0);
    calc.MergeLevelRows(rules);
    // The level the item had keeps its row and prices whatever the letter case; a new one starts at
    // zero; one the group no longer has goes.
    EXPECT_EQ(Levels(calc), "AKCE=50.0000/60.5000 VIP=0.0000/0.0000");

    rules.EmptyTable();
    calc.MergeLevelRows(rules);
    EXPECT_TRUE(calc.mtSezCenHlad.IsEmpty());
}

TEST(ItemPriceCalcTest, FixedLevelsFillTheSlotsInOrderAndEverySlotIsWritten) {
    TItemPriceCalc calc;
    calc.CenSkupina = "MAT";
    AddLevel(calc, "VIP", true, false, 0, 5, 0, 0, 1, 2);
    AddLevel(calc, "F1", false, true, 0, 0, 0, 0, 10, 12.1);
    AddLevel(calc, "F2", false, false, 0, 0, 0, 0, 20, 24.2);
    TParamValues params = calc.PriceParams();
    EXPECT_EQ(Param(params, "CenHlad1").toString(), "F1");
    EXPECT_EQ(Param(params, "SDPH1").toBool(), true);
    EXPECT_DOUBLE_EQ(Param(params, "PrCenaSDPH1").toDouble(), 12.1);
    EXPECT_EQ(Param(params, "CenHlad2").toString(), "F2");
    EXPECT_DOUBLE_EQ(Param(params, "PrCenaBDPH2").toDouble(), 20);
    EXPECT_EQ(Param(params, "CenHlad3").toString(), "");
    EXPECT_DOUBLE_EQ(Param(params, "PrCenaSDPH3").toDouble(), 0);
    EXPECT_EQ(Param(params, "Chyba").toBool(), false);
    EXPECT_EQ(Param(params, "Nakladova").toBool(), false);

    calc.ClearGroup();
    params = calc.PriceParams();
    EXPECT_EQ(Param(params, "CenSkupina").toString(), "");
    for (int slot = 1; slot <= 3; ++slot) {
        EXPECT_EQ(Param(params, QString("CenHlad%1").arg(slot)).toString(), "");
        EXPECT_DOUBLE_EQ(Param(params, QString("PrCenaBDPH%1").arg(slot)).toDouble(), 0);
    }
}

TEST(ItemPriceCalcTest, ProfitAtTheBasePriceAndAtALevel) {
    TItemPriceCalc calc;
    calc.NakCena = 100;
    calc.ProdCena = 80;
    EXPECT_EQ(Text(calc.ProfitAtBase(2)), "-40.0000");
    calc.SDPH = true;
    calc.ProdCena = 121;
    calc.PrCenaDruha = 100;
    // With VAT entered the profit is reckoned from the price without VAT.
    EXPECT_EQ(Text(calc.ProfitAtBase(3)), "0.0000");
    EXPECT_EQ(Text(calc.ProfitAtLevel(1.5, 120)), "30.0000");
}
