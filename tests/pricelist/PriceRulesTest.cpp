#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

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

TEST(CalcRuleLevelPrice, EveryKindStartAndRounding) {
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
    for (const Case& c : kCases) {
        SCOPED_TRACE("kind " + std::to_string(c.typHodnoty) + ", start " + std::to_string(c.vychCena) +
                     ", rounding " + std::to_string(c.zaok));
        const bool fromBase = c.vychCena == VychCenaProdejni;
        long double net = -1, gross = -1;
        CalcRuleLevelPrice(c.typHodnoty, 15, fromBase ? 121 : 80, fromBase, ZaokDecimals(c.zaok), 21, net,
                           gross);
        EXPECT_EQ(net, c.net) << Show(net);
        EXPECT_EQ(gross, c.gross) << Show(gross);
    }
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
