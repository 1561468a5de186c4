#pragma once

#include <limits>

// Prices are computed in the 80-bit extended type, whose 64-bit mantissa keeps intermediate
// results such as a division by 0.1 exactly where the original arithmetic kept them.
static_assert(std::numeric_limits<long double>::digits == 64, "long double must be the 80-bit extended type");

// Rounds to `decimals` places on the value's decimal digits (18 significant, as the extended type
// shows them), so 2.675 held as a double (2.67499999999999982) stays 2.67 while the same number
// computed in long double becomes 2.68: the result is what a field showing the value would show.
// Half away from zero is what numeric entry fields give back; half to even is the currency rule.
long double RoundHalfAway(long double value, int decimals);
long double RoundHalfEven(long double value, int decimals);

// The whole-number steps of price arithmetic, each exactly as its library function gives it in the
// default rounding mode (std::nearbyint, std::trunc, std::floor), signed zeros, infinities and NaN
// included. The library switches the processor's rounding mode, or saves its whole state, on every
// call; a bulk run calls these millions of times, so magnitudes below 2^62 are done by adding and
// taking away 2^63, which leaves exactly the nearest whole number, ties to even.
long double NearestWholeEven(long double value);
long double TruncWhole(long double value);
long double FloorWhole(long double value);
