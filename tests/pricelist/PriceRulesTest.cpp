#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "core/Informace.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"
#include "pricelist/PriceRules.h"

namespace {

std::string Show(long double value) {
    std::ostringstream out;
    out.precision(21);
    out << value;
    return out.str();
}

}  // namespace

TEST(Zaok, DecimalsAndChoiceTexts) {
    EXPECT_EQ(ZaokDecimals(ZaokNone), 4);
    EXPECT_EQ(ZaokDecimals(ZaokCrowns), 0);
    EXPECT_EQ(ZaokDecimals(ZaokTenths), 1);
    for (int unknown : {-1, 3, 99}) EXPECT_EQ(ZaokDecimals(unknown), 4) << unknown;

    EXPECT_EQ(ZaokTexts(), QStringList({"nezaokrouhlovat", "na koruny", "na desetníky"}));
}

TEST(RoundPrice, SystemRounding) {
    struct Case {
        int decimals;
        long double value;
        long double expected;
    };
    const Case kCases[] = {
        // A fraction that rounds to half a unit at one decimal rounds away from zero.
        {0, 2.46875L, 3},
        {0, 2.4375L, 2},
        {0, -2.46875L, -3},
        {0, -2.4375L, -2},
        {0, 2.5L, 3},
        {0, 0.5L, 1},
        {0, -0.5L, -1},
        {0, 0.44L, 0},
        {0, 0.4499L, 0},
        // 0.45 lands above 4.5 tenths only because 0.1 is divided in extended precision.
        {0, 0.45L, 1},
        {0, 0.46L, 1},
        {0, 0.47L, 1},
        {0, 145.2L, 145},
        {0, 99.9944L, 100},
        {1, 2.344L, 2.3L},
        {1, 2.346L, 2.4L},
        {1, 2.35L, 2.4L},
        {1, -2.46L, -2.5L},
        {1, 145.2L, 145.2L},
        {4, 21.0L / 121, 0.1736L},
        {4, 15.0L / 115, 0.1304L},
        {4, 10.0L / 110, 0.0909L},
        {4, 1.00004L, 1},
        {4, 1.000046L, 1.0001L},
        {4, -1.000046L, -1.0001L},
        {4, 84.99524L, 84.9952L},
        {4, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(Show(c.value) + " at " + std::to_string(c.decimals));
        EXPECT_EQ(RoundPrice(1, c.decimals, c.value), c.expected) << Show(RoundPrice(1, c.decimals, c.value));
    }
}

TEST(RoundPrice, NegativeValueRoundingToNothingIsPlainZero) {
    const long double rounded = RoundPrice(1, 0, -0.3L);
    EXPECT_EQ(rounded, 0);
    EXPECT_FALSE(std::signbit(rounded));
}

TEST(RoundPrice, OtherModes) {
    // Mode 0 passes the value through with all its digits.
    EXPECT_EQ(RoundPrice(0, 0, 2.46875L), 2.46875L);
    EXPECT_EQ(RoundPrice(0, 4, 1.0L / 3), 1.0L / 3);

    // Mode 2 rounds every visible fraction away from zero.
    EXPECT_EQ(RoundPrice(2, 0, 2.000001L), 3);
    EXPECT_EQ(RoundPrice(2, 0, 2.00000001L), 2);
    EXPECT_EQ(RoundPrice(2, 0, -2.01L), -3);
    EXPECT_EQ(RoundPrice(2, 1, 2.01L), 2.1L);
    EXPECT_EQ(RoundPrice(2, 0, 2), 2);
}

TEST(CalcVat, BothDirectionsAtEveryRate) {
    struct Case {
        long double rate;
        long double grossShare;  // the rounded VAT share of a gross price
    };
    const Case kCases[] = {{21, 0.1736L}, {15, 0.1304L}, {12, 0.1071L}, {10, 0.0909L}, {0, 0}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(Show(c.rate));
        // The VAT of one unit shows the coefficient itself.
        EXPECT_EQ(CalcVat(true, VatKindAmount, 1, c.rate), c.grossShare);
        EXPECT_EQ(CalcVat(false, VatKindAmount, 1, c.rate), c.rate / 100);

        // The kind that matches the price's own flag gives the price back untouched.
        EXPECT_EQ(CalcVat(true, VatKindGross, 123.4567L, c.rate), 123.4567L);
        EXPECT_EQ(CalcVat(false, VatKindNet, 123.4567L, c.rate), 123.4567L);

        EXPECT_NEAR(static_cast<double>(CalcVat(true, VatKindNet, 1000, c.rate)),
                    static_cast<double>(1000 - 1000 * c.grossShare), 1e-12);
        EXPECT_NEAR(static_cast<double>(CalcVat(false, VatKindGross, 1000, c.rate)),
                    static_cast<double>(1000 + 10 * c.rate), 1e-12);
    }
}

TEST(CalcVat, WorkedExamples) {
    // 121 with VAT is 99.9944 without, because the share is rounded to 0.1736 first.
    const long double net = CalcVat(true, VatKindNet, 121, 21);
    EXPECT_NEAR(static_cast<double>(net), 99.9944, 1e-12);
    EXPECT_EQ(RoundPrice(1, 0, net), 100);
    EXPECT_EQ(RoundPrice(1, 1, net), 100);
    EXPECT_EQ(RoundPrice(1, 4, net), 99.9944L);

    EXPECT_EQ(RoundPrice(1, 4, CalcVat(false, VatKindGross, 100, 21)), 121);
    EXPECT_EQ(RoundPrice(1, 4, CalcVat(true, VatKindAmount, 121, 21)), 21.0056L);

    // A zero rate leaves the price the same both ways.
    EXPECT_EQ(CalcVat(true, VatKindNet, 57.5L, 0), 57.5L);
    EXPECT_EQ(CalcVat(false, VatKindGross, 57.5L, 0), 57.5L);
}

TEST(CalcVat, KeepsExtendedPrecision) {
    // 7 % of one unit in extended precision differs from the double nearest to 0.07; a double
    // anywhere on the way would lose the difference.
    EXPECT_EQ(CalcVat(false, VatKindAmount, 1, 7), 7.0L / 100);
    EXPECT_NE(CalcVat(false, VatKindAmount, 1, 7), static_cast<long double>(0.07));
}

TEST(CalcRuleLevelPrice, WorkedExamplesAndLimits) {
    long double net = -1, gross = -1;

    // A 20 % margin on a purchase price of 100 at 21 %, in whole units: 120 and 145.2 shown as 145.
    CalcRuleLevelPrice(TypHodnotyMarze, 20, 100, false, 0, 21, net, gross);
    EXPECT_EQ(net, 120);
    EXPECT_EQ(gross, 145);

    // The net price comes from the rounded gross one: 99.5 rounds to 100, whose net is 82.64 → 83;
    // from the unrounded 99.5 it would have been 82.
    CalcRuleLevelPrice(TypHodnotySleva, 0.5L, 100, true, 0, 21, net, gross);
    EXPECT_EQ(gross, 100);
    EXPECT_EQ(net, 83);

    // A rabat of the whole price gives zero prices rather than a division by zero.
    CalcRuleLevelPrice(TypHodnotyRabat, 100, 250, true, 4, 21, net, gross);
    EXPECT_EQ(net, 0);
    EXPECT_EQ(gross, 0);

    // An unknown kind writes two zero prices.
    net = gross = -1;
    CalcRuleLevelPrice(7, 10, 250, false, 4, 21, net, gross);
    EXPECT_EQ(net, 0);
    EXPECT_EQ(gross, 0);
}

namespace {

struct Slot {
    const char* code;
    double net;
    double gross;
};

// The main window's rule tables and one price-list row with its three fixed-level slots.
class LevelPriceTest : public ::testing::Test {
protected:
    TMemTable rules;
    TMemTable groups;
    TMemTable item;

    void SetUp() override {
        CreatePriceRuleTables(rules, groups);
        TPriceRuleData data;
        data.mtCenSkupPol = &rules;
        data.mtCenSkup = &groups;
        SetPriceRuleData(data);

        for (int n = 1; n <= 3; ++n) {
            item.FieldDefs().Add(QString("CenHlad%1").arg(n), ftString, 10);
            item.FieldDefs().Add(QString("PrCenaBDPH%1").arg(n), ftFloat);
            item.FieldDefs().Add(QString("PrCenaSDPH%1").arg(n), ftFloat);
        }
        item.CreateTable();
        SetSlots({});
    }
    void TearDown() override { SetPriceRuleData(TPriceRuleData()); }

    void AddRule(int group, const QString& code, int typHodnoty, double hodnota, int vychCena, int zaok,
                 bool prepocitat = true) {
        rules.Append();
        rules.FieldByName("IDCenSkup")->SetAsInteger(group);
        rules.FieldByName("Hodnota")->SetAsFloat(hodnota);
        rules.FieldByName("TypHodnoty")->SetAsInteger(typHodnoty);
        rules.FieldByName("VychCena")->SetAsInteger(vychCena);
        rules.FieldByName("Prevzato")->SetAsBoolean(false);
        rules.FieldByName("Zaok")->SetAsInteger(zaok);
        rules.FieldByName("Prepocitat")->SetAsBoolean(prepocitat);
        rules.FieldByName("SDPH")->SetAsBoolean(false);
        rules.FieldByName("Zkratka")->SetAsString(code);
        rules.Post();
    }

    void SetSlots(const std::vector<Slot>& levels) {
        item.EmptyTable();
        item.Append();
        int n = 1;
        for (const Slot& slot : levels) {
            item.FieldByName(QString("CenHlad%1").arg(n))->SetAsString(slot.code);
            item.FieldByName(QString("PrCenaBDPH%1").arg(n))->SetAsFloat(slot.net);
            item.FieldByName(QString("PrCenaSDPH%1").arg(n))->SetAsFloat(slot.gross);
            ++n;
        }
        item.Post();
    }
};

}  // namespace

TEST_F(LevelPriceTest, EveryKindStartAndRounding) {
    // One item: base sale price 121 with VAT, purchase price 80, VAT 21 %, every rule at 15 %.
    struct Case {
        int typHodnoty;
        int vychCena;
        int zaok;
        long double net;
        long double gross;
    };
    const Case kCases[] = {
        {TypHodnotySleva, VychCenaProdejni, ZaokNone, 84.9952L, 102.85L},
        {TypHodnotySleva, VychCenaProdejni, ZaokCrowns, 85, 103},
        {TypHodnotySleva, VychCenaProdejni, ZaokTenths, 85, 102.9L},
        {TypHodnotyMarze, VychCenaProdejni, ZaokNone, 114.9936L, 139.15L},
        {TypHodnotyMarze, VychCenaProdejni, ZaokCrowns, 115, 139},
        {TypHodnotyMarze, VychCenaProdejni, ZaokTenths, 115, 139.2L},
        {TypHodnotyRabat, VychCenaProdejni, ZaokNone, 117.6404L, 142.3529L},
        {TypHodnotyRabat, VychCenaProdejni, ZaokCrowns, 117, 142},
        {TypHodnotyRabat, VychCenaProdejni, ZaokTenths, 117.7L, 142.4L},
        {TypHodnotySleva, VychCenaNakupni, ZaokNone, 68, 82.28L},
        {TypHodnotySleva, VychCenaNakupni, ZaokCrowns, 68, 82},
        {TypHodnotySleva, VychCenaNakupni, ZaokTenths, 68, 82.3L},
        {TypHodnotyMarze, VychCenaNakupni, ZaokNone, 92, 111.32L},
        {TypHodnotyMarze, VychCenaNakupni, ZaokCrowns, 92, 111},
        {TypHodnotyMarze, VychCenaNakupni, ZaokTenths, 92, 111.3L},
        {TypHodnotyRabat, VychCenaNakupni, ZaokNone, 94.1177L, 113.8824L},
        {TypHodnotyRabat, VychCenaNakupni, ZaokCrowns, 94, 114},
        {TypHodnotyRabat, VychCenaNakupni, ZaokTenths, 94.1L, 113.9L},
    };
    int group = 1;
    for (const Case& c : kCases) {
        SCOPED_TRACE("kind " + std::to_string(c.typHodnoty) + ", start " + std::to_string(c.vychCena) +
                     ", rounding " + std::to_string(c.zaok));
        AddRule(group, "HL", c.typHodnoty, 15, c.vychCena, c.zaok);
        long double net = -1, gross = -1;
        EXPECT_EQ(CalcLevelPrice(group, "HL", true, 80, 121, 21, item, net, gross), 0);
        EXPECT_EQ(net, c.net) << Show(net);
        EXPECT_EQ(gross, c.gross) << Show(gross);
        ++group;
    }
}

TEST_F(LevelPriceTest, StartPriceKindComesFromTheItem) {
    // A base price without VAT is rounded as the net price and the gross one derived from it.
    AddRule(1, "HL", TypHodnotySleva, 15, VychCenaProdejni, ZaokCrowns);
    long double net = -1, gross = -1;
    EXPECT_EQ(CalcLevelPrice(1, "HL", false, 80, 100, 21, item, net, gross), 0);
    EXPECT_EQ(net, 85);
    EXPECT_EQ(gross, 103);

    // The purchase price is a price without VAT whatever the base price's kind.
    AddRule(2, "HL", TypHodnotyMarze, 20, VychCenaNakupni, ZaokCrowns);
    EXPECT_EQ(CalcLevelPrice(2, "HL", true, 100, 999, 21, item, net, gross), 0);
    EXPECT_EQ(net, 120);
    EXPECT_EQ(gross, 145);

    AddRule(3, "HL", TypHodnotyRabat, 100, VychCenaProdejni, ZaokNone);
    EXPECT_EQ(CalcLevelPrice(3, "HL", true, 100, 999, 21, item, net, gross), 0);
    EXPECT_EQ(net, 0);
    EXPECT_EQ(gross, 0);

    // A start price no card offers prices at zero rather than at a guessed price.
    AddRule(4, "HL", TypHodnotySleva, 10, 5, ZaokNone);
    net = gross = -1;
    EXPECT_EQ(CalcLevelPrice(4, "HL", true, 100, 999, 21, item, net, gross), 0);
    EXPECT_EQ(net, 0);
    EXPECT_EQ(gross, 0);
}

TEST_F(LevelPriceTest, RuleIsFoundByGroupAndCodeInAnyCase) {
    AddRule(1, "VIP", TypHodnotySleva, 10, VychCenaNakupni, ZaokCrowns);
    AddRule(2, "VIP", TypHodnotySleva, 50, VychCenaNakupni, ZaokCrowns);
    AddRule(2, "MO", TypHodnotySleva, 20, VychCenaNakupni, ZaokCrowns);

    long double net = -1, gross = -1;
    EXPECT_EQ(CalcLevelPrice(2, "vip", false, 100, 0, 0, item, net, gross), 0);
    EXPECT_EQ(net, 50);
    EXPECT_EQ(CalcLevelPrice(1, "Vip", false, 100, 0, 0, item, net, gross), 0);
    EXPECT_EQ(net, 90);

    // The cards walk the group's rules right after pricing, so the filter stays on the group.
    EXPECT_EQ(CalcLevelPrice(2, "MO", false, 100, 0, 0, item, net, gross), 0);
    EXPECT_TRUE(rules.Filtered());
    EXPECT_EQ(rules.RecordCount(), 2);

    // No rule: -1, and the caller's values stay as they were.
    struct Case {
        int group;
        const char* code;
    };
    const Case kMissing[] = {{1, "MO"}, {3, "VIP"}, {-1, "VIP"}, {2, ""}, {2, "VI"}};
    for (const Case& c : kMissing) {
        SCOPED_TRACE(std::to_string(c.group) + " " + c.code);
        net = 11;
        gross = 22;
        EXPECT_EQ(CalcLevelPrice(c.group, c.code, false, 100, 0, 0, item, net, gross), -1);
        EXPECT_EQ(net, 11);
        EXPECT_EQ(gross, 22);
    }

    // A card that has closed the rules finds none.
    rules.Close();
    EXPECT_EQ(CalcLevelPrice(1, "VIP", false, 100, 0, 0, item, net, gross), -1);
    EXPECT_EQ(net, 11);
}

TEST_F(LevelPriceTest, FixedLevelTakesTheItemsStoredPrices) {
    AddRule(1, "AKCE", TypHodnotySleva, 50, VychCenaProdejni, ZaokCrowns, false);
    long double net = -1, gross = -1;

    // Stored prices come back as they are: no rounding, no VAT recalculation.
    SetSlots({{"MO", 1, 2}, {"akce", 100.12345, 130.98765}});
    EXPECT_EQ(CalcLevelPrice(1, "Akce", true, 80, 121, 21, item, net, gross), 0);
    EXPECT_EQ(net, static_cast<long double>(100.12345));
    EXPECT_EQ(gross, static_cast<long double>(130.98765));

    // The slot list ends at the first empty code, so a level stored after a gap is not found.
    SetSlots({{"", 1, 2}, {"AKCE", 100, 121}});
    net = gross = -1;
    EXPECT_EQ(CalcLevelPrice(1, "AKCE", true, 80, 121, 21, item, net, gross), 0);
    EXPECT_EQ(net, 0);
    EXPECT_EQ(gross, 0);

    SetSlots({{"MO", 1, 2}});
    net = gross = -1;
    EXPECT_EQ(CalcLevelPrice(1, "AKCE", true, 80, 121, 21, item, net, gross), 0);
    EXPECT_EQ(net, 0);
    EXPECT_EQ(gross, 0);
}

TEST_F(LevelPriceTest, FixedLevelSlots) {
    struct Case {
        std::vector<Slot> levels;
        const char* code;
        int expected;
    };
    const Case kCases[] = {
        {{{"A", 0, 0}, {"B", 0, 0}, {"C", 0, 0}}, "a", 1}, {{{"A", 0, 0}, {"B", 0, 0}, {"C", 0, 0}}, "c", 3},
        {{{"A", 0, 0}, {"", 0, 0}, {"C", 0, 0}}, "C", 0},  {{{"", 0, 0}, {"B", 0, 0}}, "B", 0},
        {{{"A", 0, 0}, {"B", 0, 0}, {"C", 0, 0}}, "D", 0}, {{}, "A", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.code);
        SetSlots(c.levels);
        EXPECT_EQ(FindFixedLevelSlot(c.code, item), c.expected);
    }
}

namespace {

// The texts of the consistency report, as the user reads them.
const char* const kHeading = "Zjištěna nekonzistence v databázi:";
const char* const kFooter = "Nelze pokračovat, nejprve opravte cenovou skupinu!";

struct Level {
    const char* code;
    double hodnota;
    int typHodnoty;
    int vychCena;
    int zaok;
    bool prepocitat;
    bool sdph;
};

// A firm database with the three price tables, and the main window's components on it.
class PriceGroupDbTest : public TempDirTest {
protected:
    TADOConnection connection;
    TADOQuery adqAgendaFree1{&connection};
    TADOQuery adqCenHlad{&connection};
    TADOQuery adqCenSkup{&connection};
    TMemTable mtCenSkupPol;
    TMemTable mtCenSkup;

    void SetUp() override {
        TADOConnection::CreateDatabase(PathOf("Firma.MDB"));
        connection.Open(PathOf("Firma.MDB"));
        connection.Execute(
            "CREATE TABLE CenHlad (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Zkratka TEXT(10), Popis "
            "TEXT(50), "
            "Hodnota DOUBLE, SDPH BIT, Prepocitat BIT, Zaok INTEGER, TypHodnoty INTEGER, VychCena INTEGER)");
        connection.Execute(
            "CREATE TABLE CenSkup (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Popis TEXT(50), Marze DOUBLE, "
            "Rabat DOUBLE, SDPH BIT, Prepocitat BIT, Zkratka TEXT(10), Zaok INTEGER, Vlastni BIT, "
            "TypHodnoty INTEGER)");
        connection.Execute(
            "CREATE TABLE CenSkupPol (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, IDCenSkup INTEGER, "
            "Hodnota DOUBLE, TypHodnoty INTEGER, VychCena INTEGER, Prevzato BIT, Zaok INTEGER, Prepocitat "
            "BIT, "
            "SDPH BIT, Zkratka TEXT(10))");

        CreatePriceRuleTables(mtCenSkupPol, mtCenSkup);
        SetPriceRuleData({&adqAgendaFree1, &adqCenHlad, &adqCenSkup, &mtCenSkupPol, &mtCenSkup});
    }
    void TearDown() override { SetPriceRuleData(TPriceRuleData()); }

    int AddLevel(const Level& l) {
        TParameters p;
        const QString sql =
            "INSERT INTO CenHlad (Zkratka, Popis, Hodnota, SDPH, Prepocitat, Zaok, TypHodnoty, VychCena) "
            "VALUES (:Zkratka, :Popis, :Hodnota, :SDPH, :Prepocitat, :Zaok, :TypHodnoty, :VychCena)";
        p.ParseSQL(sql);
        p.ParamByName("Zkratka")->Value = QString(l.code);
        p.ParamByName("Popis")->Value = QString("hladina ") + l.code;
        p.ParamByName("Hodnota")->Value = l.hodnota;
        p.ParamByName("SDPH")->Value = l.sdph;
        p.ParamByName("Prepocitat")->Value = l.prepocitat;
        p.ParamByName("Zaok")->Value = l.zaok;
        p.ParamByName("TypHodnoty")->Value = l.typHodnoty;
        p.ParamByName("VychCena")->Value = l.vychCena;
        connection.Execute(sql, p);
        return LastId();
    }

    int AddGroup(const QString& code, const QString& popis = "skupina") {
        TParameters p;
        const QString sql =
            "INSERT INTO CenSkup (Popis, Marze, Rabat, SDPH, Prepocitat, Zkratka, Zaok, Vlastni, TypHodnoty) "
            "VALUES (:Popis, 12.5, 7.25, True, True, :Zkratka, 2, True, 1)";
        p.ParseSQL(sql);
        p.ParamByName("Popis")->Value = popis;
        p.ParamByName("Zkratka")->Value = code;
        connection.Execute(sql, p);
        return LastId();
    }

    // A rule with the level's own values, taken over or not.
    void AddRule(int group, const Level& l, bool prevzato) {
        TParameters p;
        const QString sql =
            "INSERT INTO CenSkupPol (IDCenSkup, Hodnota, TypHodnoty, VychCena, Prevzato, Zaok, Prepocitat, "
            "SDPH, "
            "Zkratka) VALUES (:IDCenSkup, :Hodnota, :TypHodnoty, :VychCena, :Prevzato, :Zaok, :Prepocitat, "
            ":SDPH, "
            ":Zkratka)";
        p.ParseSQL(sql);
        p.ParamByName("IDCenSkup")->Value = group;
        p.ParamByName("Hodnota")->Value = l.hodnota;
        p.ParamByName("TypHodnoty")->Value = l.typHodnoty;
        p.ParamByName("VychCena")->Value = l.vychCena;
        p.ParamByName("Prevzato")->Value = prevzato;
        p.ParamByName("Zaok")->Value = l.zaok;
        p.ParamByName("Prepocitat")->Value = l.prepocitat;
        p.ParamByName("SDPH")->Value = l.sdph;
        p.ParamByName("Zkratka")->Value = QString(l.code);
        connection.Execute(sql, p);
    }

    int LastId() {
        auto rows = connection.OpenRowset("SELECT @@IDENTITY");
        return rows->Value(0, 0).toInt();
    }

    QStringList Column(TDataSet& table, const char* field) {
        QStringList values;
        for (table.First(); !table.Eof(); table.Next()) values << table.FieldByName(field)->AsString();
        return values;
    }

    struct CheckRun {
        bool stop = false;
        bool shown = false;
        QStringList lines;
    };

    // Runs the check, reading and closing the information window should it come up.
    CheckRun RunCheck() {
        CheckRun run;
        QTimer watcher;
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, [&run] {
            if (auto* window = qobject_cast<TfrmInformace*>(QApplication::activeModalWidget())) {
                run.shown = true;
                run.lines = window->Lines();
                window->reject();
            }
        });
        watcher.start();
        run.stop = CheckPriceGroups();
        return run;
    }
};

const Level kVip = {"VIP", 10, TypHodnotySleva, VychCenaProdejni, ZaokCrowns, true, true};
const Level kMo = {"MO", 25.5, TypHodnotyMarze, VychCenaNakupni, ZaokTenths, true, false};
const Level kAkce = {"AKCE", 0, TypHodnotySleva, VychCenaProdejni, ZaokNone, false, false};

}  // namespace

TEST_F(PriceGroupDbTest, RulesLoadByGroupInTheOrderTheyWereWritten) {
    const int second = AddGroup("B");
    const int first = AddGroup("A");
    AddRule(second, kVip, true);
    AddRule(first, kMo, false);
    AddRule(second, kAkce, true);
    AddRule(first, kVip, false);

    // A filter left by the last pricing must not hide the newly loaded rules.
    mtCenSkupPol.SetFilter("IDCenSkup = 999");
    mtCenSkupPol.SetFiltered(true);

    LoadPriceGroupRules(0);
    EXPECT_FALSE(mtCenSkupPol.Filtered());
    EXPECT_EQ(Column(mtCenSkupPol, "Zkratka"), QStringList({"VIP", "AKCE", "MO", "VIP"}));
    EXPECT_EQ(Column(mtCenSkupPol, "IDCenSkup"),
              QStringList({QString::number(second), QString::number(second), QString::number(first),
                           QString::number(first)}));
    EXPECT_FALSE(adqAgendaFree1.Active());

    // Every value of a rule arrives with its type.
    mtCenSkupPol.SetRecNo(3);
    EXPECT_DOUBLE_EQ(mtCenSkupPol.FieldByName("Hodnota")->AsFloat(), 25.5);
    EXPECT_EQ(mtCenSkupPol.FieldByName("TypHodnoty")->AsInteger(), TypHodnotyMarze);
    EXPECT_EQ(mtCenSkupPol.FieldByName("VychCena")->AsInteger(), VychCenaNakupni);
    EXPECT_EQ(mtCenSkupPol.FieldByName("Zaok")->AsInteger(), ZaokTenths);
    EXPECT_FALSE(mtCenSkupPol.FieldByName("Prevzato")->AsBoolean());
    EXPECT_TRUE(mtCenSkupPol.FieldByName("Prepocitat")->AsBoolean());
    EXPECT_FALSE(mtCenSkupPol.FieldByName("SDPH")->AsBoolean());
    mtCenSkupPol.SetRecNo(1);
    EXPECT_TRUE(mtCenSkupPol.FieldByName("Prevzato")->AsBoolean());
    EXPECT_TRUE(mtCenSkupPol.FieldByName("SDPH")->AsBoolean());

    LoadPriceGroupRules(first);
    EXPECT_EQ(Column(mtCenSkupPol, "Zkratka"), QStringList({"MO", "VIP"}));

    // A group without rules leaves the table open and empty.
    LoadPriceGroupRules(AddGroup("C"));
    EXPECT_TRUE(mtCenSkupPol.Active());
    EXPECT_TRUE(mtCenSkupPol.IsEmpty());

    // Loaded rules price an item straight away.
    LoadPriceGroupRules(0);
    TMemTable item;
    item.FieldDefs().Add("CenHlad1", ftString, 10);
    item.CreateTable();
    item.Append();
    item.Post();
    long double net = -1, gross = -1;
    EXPECT_EQ(CalcLevelPrice(first, "mo", false, 100, 0, 21, item, net, gross), 0);
    EXPECT_EQ(net, 125.5L);
    EXPECT_EQ(gross, 151.9L);
}

TEST_F(PriceGroupDbTest, GroupsLoadOrderedByCode) {
    AddGroup("VO", "velkoobchod");
    AddGroup("MO", "maloobchod");
    AddGroup("akce", "akční");
    mtCenSkup.SetFilter("Zkratka = 'MO'");
    mtCenSkup.SetFiltered(true);

    LoadPriceGroups();
    EXPECT_FALSE(mtCenSkup.Filtered());
    EXPECT_EQ(Column(mtCenSkup, "Zkratka"), QStringList({"akce", "MO", "VO"}));
    EXPECT_EQ(Column(mtCenSkup, "Popis"), QStringList({"akční", "maloobchod", "velkoobchod"}));
    mtCenSkup.First();
    EXPECT_EQ(mtCenSkup.FieldByName("ID")->AsInteger(), 3);
    EXPECT_DOUBLE_EQ(mtCenSkup.FieldByName("Marze")->AsFloat(), 12.5);
    EXPECT_DOUBLE_EQ(mtCenSkup.FieldByName("Rabat")->AsFloat(), 7.25);
    EXPECT_TRUE(mtCenSkup.FieldByName("SDPH")->AsBoolean());
    EXPECT_TRUE(mtCenSkup.FieldByName("Prepocitat")->AsBoolean());
    EXPECT_TRUE(mtCenSkup.FieldByName("Vlastni")->AsBoolean());
    EXPECT_EQ(mtCenSkup.FieldByName("Zaok")->AsInteger(), 2);
    EXPECT_EQ(mtCenSkup.FieldByName("TypHodnoty")->AsInteger(), 1);
    EXPECT_FALSE(adqAgendaFree1.Active());
}

TEST_F(PriceGroupDbTest, LookupsByCodeAndId) {
    const int vip = AddLevel(kVip);
    const int mo = AddLevel(kMo);
    const int group = AddGroup("SK'1");

    EXPECT_EQ(FindPriceLevelId("vip"), vip);
    EXPECT_EQ(FindPriceLevelId("Mo"), mo);
    // The list query stays open on the found row for the caller.
    EXPECT_TRUE(adqCenHlad.Active());
    EXPECT_EQ(adqCenHlad.FieldByName("Zkratka")->AsString(), "MO");
    EXPECT_EQ(FindPriceLevelId("V"), -1);
    EXPECT_EQ(FindPriceLevelId(""), -1);

    EXPECT_EQ(FindPriceGroupId("sk'1"), group);
    EXPECT_EQ(FindPriceGroupId("SK"), -1);

    QString code = "stale";
    GetPriceGroupAbbrev(group, false, code);
    EXPECT_EQ(code, "SK'1");
    GetPriceGroupAbbrev(group + 1, false, code);
    EXPECT_EQ(code, "");

    // With the query said to be open it is searched as it stands, without reading new groups.
    const int later = AddGroup("NOVA");
    GetPriceGroupAbbrev(later, true, code);
    EXPECT_EQ(code, "");
    GetPriceGroupAbbrev(later, false, code);
    EXPECT_EQ(code, "NOVA");
}

TEST_F(PriceGroupDbTest, ConsistentRulesPass) {
    // No rules at all: nothing to check, nothing shown.
    CheckRun run = RunCheck();
    EXPECT_FALSE(run.stop);
    EXPECT_FALSE(run.shown);

    AddLevel(kVip);
    AddLevel(kMo);
    AddLevel(kAkce);
    const int group = AddGroup("MO");
    AddRule(group, kVip, true);
    AddRule(group, kAkce, true);
    // A rule with values of its own may differ from its level.
    AddRule(group, {"MO", 3, TypHodnotyRabat, VychCenaProdejni, ZaokNone, true, true}, false);
    // The rule of a deleted group is not checked.
    AddRule(group + 1, {"CHYBI", 0, 0, 0, 0, true, false}, false);

    run = RunCheck();
    EXPECT_FALSE(run.stop);
    EXPECT_FALSE(run.shown);
    EXPECT_FALSE(adqAgendaFree1.Active());
    EXPECT_FALSE(adqCenHlad.Active());
    EXPECT_FALSE(adqCenSkup.Active());
}

TEST_F(PriceGroupDbTest, MissingLevelIsReported) {
    AddLevel(kVip);
    const int group = AddGroup("VO");
    AddRule(group, kVip, true);
    // Letter case counts here: "Vip" is not the level "VIP".
    AddRule(group, {"Vip", 10, TypHodnotySleva, VychCenaProdejni, ZaokCrowns, true, true}, false);
    // A second fault is not reported.
    AddRule(group, {"NIC", 10, TypHodnotySleva, VychCenaProdejni, ZaokCrowns, true, true}, false);

    const CheckRun run = RunCheck();
    EXPECT_TRUE(run.stop);
    EXPECT_TRUE(run.shown);
    EXPECT_EQ(run.lines,
              QStringList({kHeading, "Cenová skupina \"VO\"",
                           "• cenová hladina \"Vip\" neexistuje v seznamu cenových hladin", "", kFooter}));
    EXPECT_FALSE(adqAgendaFree1.Active());
    EXPECT_FALSE(adqCenHlad.Active());
    EXPECT_FALSE(adqCenSkup.Active());
}

TEST_F(PriceGroupDbTest, TakenOverRuleMustMatchItsLevelInEveryValue) {
    const QString kLine =
        "• cenová hladina \"VIP\" - přebírá hodnoty z původní cen. hladiny, ale některý parametr neodpovídá";
    struct Case {
        const char* name;
        Level rule;
    };
    const Case kCases[] = {
        {"Hodnota", {"VIP", 10.0000001, TypHodnotySleva, VychCenaProdejni, ZaokCrowns, true, true}},
        {"TypHodnoty", {"VIP", 10, TypHodnotyMarze, VychCenaProdejni, ZaokCrowns, true, true}},
        {"VychCena", {"VIP", 10, TypHodnotySleva, VychCenaNakupni, ZaokCrowns, true, true}},
        {"Zaok", {"VIP", 10, TypHodnotySleva, VychCenaProdejni, ZaokTenths, true, true}},
        {"Prepocitat", {"VIP", 10, TypHodnotySleva, VychCenaProdejni, ZaokCrowns, false, true}},
        {"SDPH", {"VIP", 10, TypHodnotySleva, VychCenaProdejni, ZaokCrowns, true, false}},
    };
    AddLevel(kVip);
    const int group = AddGroup("VO");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        connection.Execute("DELETE FROM CenSkupPol");
        AddRule(group, c.rule, true);
        const CheckRun run = RunCheck();
        EXPECT_TRUE(run.stop);
        EXPECT_EQ(run.lines, QStringList({kHeading, "Cenová skupina \"VO\"", kLine, "", kFooter}));
    }
}
