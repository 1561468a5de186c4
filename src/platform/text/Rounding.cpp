#include "platform/text/Rounding.h"

#include <cmath>

#include "platform/text/DecimalDigits.h"

namespace {

constexpr long double kWholeLimit = 0x1p62L;

// The whole number nearest to a magnitude in [0, 2^62), ties to even: in [2^63, 2^64) the extended
// type holds whole numbers only, and 2^63 is even.
long double NearestOfMagnitude(long double magnitude) {
    constexpr long double kShift = 0x1p63L;
    return (magnitude + kShift) - kShift;
}

// The step taken on the value's magnitude, the result given the value's sign (a magnitude below one
// that steps to zero stays a signed zero, as the library's does); zeros, and magnitudes beyond the
// short way, NaN and infinities, go to the library function itself.
template <typename Library, typename Step>
long double Whole(long double value, Library library, Step step) {
    if (value == 0) return value;
    const long double magnitude = std::fabs(value);
    if (!(magnitude < kWholeLimit)) return library(value);
    const long double nearest = NearestOfMagnitude(magnitude);
    const long double r = step(magnitude, nearest, value < 0);
    return value < 0 ? -r : r;
}

long double Down(long double magnitude, long double nearest) {
    return nearest > magnitude ? nearest - 1 : nearest;
}
long double Up(long double magnitude, long double nearest) {
    return nearest < magnitude ? nearest + 1 : nearest;
}

}  // namespace

long double NearestWholeEven(long double value) {
    return Whole(
        value, [](long double v) { return std::nearbyint(v); },
        [](long double, long double nearest, bool) { return nearest; });
}

long double TruncWhole(long double value) {
    return Whole(
        value, [](long double v) { return std::trunc(v); },
        [](long double m, long double nearest, bool) { return Down(m, nearest); });
}

long double FloorWhole(long double value) {
    return Whole(
        value, [](long double v) { return std::floor(v); },
        [](long double m, long double nearest, bool negative) {
            return negative ? Up(m, nearest) : Down(m, nearest);
        });
}

namespace {

// Prices and percentages are rounded by the hundred thousand in bulk runs, and writing each one
// out as digits costs far more than the arithmetic around it. For the values those runs meet the
// digits are not needed: the value scaled to its decimals is computed in binary, and only when
// its fraction lies so near a half that the 18 digits could decide otherwise are the digits asked.
constexpr int kBinaryMaxDecimals = 8;
constexpr long double kPowers[kBinaryMaxDecimals + 1] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L,
                                                         1e5L, 1e6L, 1e7L, 1e8L};
// Below this the scaled value is a whole number of the extended type's mantissa with room to
// spare, and the 18th significant digit lies at least three places below the last one kept.
constexpr long double kBinaryLimit = 1e15L;
// The 18 digits stand at most half a unit of their last place (5e-18 of the value) from the
// value; the scaled value itself is off by one rounding (5.5e-20). Fractions within this share
// of the scaled value from a half go to the digits.
constexpr long double kNearHalf = 1e-16L;

// The binary rounding: false when the value needs its digits to be sure.
bool RoundBinary(long double value, int decimals, long double& result) {
    if (decimals < 0 || decimals > kBinaryMaxDecimals) return false;
    const long double p = kPowers[decimals];
    const long double t = std::fabs(value) * p;
    if (!(t < kBinaryLimit)) return false;  // also NaN
    const long double whole = FloorWhole(t);
    const long double fraction = t - whole;
    if (std::fabs(fraction - 0.5L) <= t * kNearHalf + 1e-30L) return false;
    const long double k = fraction > 0.5L ? whole + 1 : whole;
    // A value that rounds away to nothing is a plain zero, without a sign to show.
    if (k == 0) {
        result = 0.0L;
        return true;
    }
    // k and p are exact, so the division gives the extended value nearest to the decimal result,
    // as reading its digits back would.
    const long double rounded = k / p;
    result = value < 0 ? -rounded : rounded;
    return true;
}

template <typename Round>
long double RoundWith(long double value, int decimals, Round round) {
    if (!std::isfinite(value)) return value;
    long double result = 0;
    if (RoundBinary(value, decimals, result)) return result;
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
