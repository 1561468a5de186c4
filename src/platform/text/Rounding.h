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
