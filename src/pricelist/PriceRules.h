#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>

// Every amount of the price rules is an extended-precision number: prices stored by earlier
// versions were computed with a 64-bit mantissa, and the same inputs must give the same last digit.
static_assert(std::numeric_limits<long double>::digits == 64,
              "price arithmetic needs the 80-bit extended type (64-bit mantissa)");

// The rounding setting of an item, a price group, a price level and a level rule.
enum : int {
    ZaokNone = 0,    // "nezaokrouhlovat", four decimals
    ZaokCrowns = 1,  // "na koruny", whole units
    ZaokTenths = 2,  // "na desetníky", one decimal
};

// The decimals a rounding setting keeps; an unknown setting keeps four, as "nezaokrouhlovat" does.
int ZaokDecimals(int zaok);
// The choice-box texts, indexed by the setting's value.
QStringList ZaokTexts();

// Kinds of result of CalcVat.
enum : int {
    VatKindNet = 1,
    VatKindGross = 2,
    VatKindAmount = 3,
};

// Converts a price with or without VAT (withVat says which it is) into the price of the asked kind.
// rate is a percentage. The result is not rounded.
long double CalcVat(bool withVat, int kind, long double price, long double rate);

// Rounds value to decimals places. Mode 1 is the program's rounding, mode 0 leaves the value alone,
// mode 2 rounds every fraction above 1e-7 away from zero.
long double RoundPrice(uint8_t mode, uint8_t decimals, long double value);

// Kinds of a level rule's value (TypHodnoty) and its start price (VychCena).
enum : int {
    TypHodnotySleva = 0,
    TypHodnotyMarze = 1,
    TypHodnotyRabat = 2,
};
enum : int {
    VychCenaProdejni = 0,
    VychCenaNakupni = 1,
};

// The two prices of a recalculated level: the raw price is computed from the start price s by the
// rule's kind and value h, the price of the start's own VAT kind is rounded to decimals first, and the
// other is derived from that rounded price. An unknown kind gives two zero prices.
void CalcRuleLevelPrice(int typHodnoty, long double hodnota, long double startPrice, bool startWithVat,
                        int decimals, long double vatRate, long double& net, long double& gross);
