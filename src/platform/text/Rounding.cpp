#include "platform/text/Rounding.h"

#include <cmath>

#include "platform/text/DecimalDigits.h"

namespace {

template <typename Round>
long double RoundWith(long double value, int decimals, Round round) {
    if (!std::isfinite(value)) return value;
    TDecimalDigits d = ExtendedDigits(value);
    round(d, decimals);
    // A value that rounds away to nothing is a plain zero, without a sign to show.
    if (d.IsZero()) return 0.0L;
    return DigitsToExtended(d);
}

}  // namespace

long double RoundHalfAway(long double value, int decimals) {
    return RoundWith(value, decimals, RoundDecimalsHalfAway);
}

long double RoundHalfEven(long double value, int decimals) {
    return RoundWith(value, decimals, RoundDecimalsHalfEven);
}
