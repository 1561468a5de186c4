#pragma once

#include <string>

// A number as decimal digits, the form in which formatting and rounding to decimals are decided:
// rounding is then done on the digits people see, not on the nearest binary fraction.
// The value is 0.d1d2d3... × 10^exponent, without trailing zeros; no digits means zero.
struct TDecimalDigits {
    std::string digits;
    int exponent = 0;
    bool negative = false;

    bool IsZero() const { return digits.empty(); }
};

// The value with 18 significant digits, the precision of the extended type.
TDecimalDigits ExtendedDigits(long double value);

// An exact whole number scaled by 10^-scale, e.g. a currency amount in ten-thousandths.
TDecimalDigits ScaledDigits(long long raw, int scale);

// Keep `decimals` digits after the decimal point. An exact half goes away from zero, or to the
// even neighbour; a value that rounds to zero keeps its sign flag for the caller to judge.
void RoundDecimalsHalfAway(TDecimalDigits& d, int decimals);
void RoundDecimalsHalfEven(TDecimalDigits& d, int decimals);
// Keep `count` significant digits, half away from zero.
void RoundSignificant(TDecimalDigits& d, int count);

// The long double nearest to the digits.
long double DigitsToExtended(const TDecimalDigits& d);
