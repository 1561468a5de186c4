#include "platform/text/DecimalDigits.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void TrimTrailingZeros(TDecimalDigits& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}

void RoundAt(TDecimalDigits& d, int keep, bool halfEven) {
    if (d.IsZero() || keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    bool up = d.digits[keep] >= '5';
    // Digits are stored without trailing zeros, so a 5 that is the last digit is an exact half.
    const bool tie = d.digits[keep] == '5' && keep + 1 == static_cast<int>(d.digits.size());
    if (tie && halfEven) up = keep > 0 && (d.digits[keep - 1] - '0') % 2 == 1;
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    TrimTrailingZeros(d);
}

}  // namespace

TDecimalDigits ExtendedDigits(long double value) {
    TDecimalDigits d;
    d.negative = std::signbit(value);
    if (value == 0 || !std::isfinite(value)) return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", std::fabs(value));
    // The C library writes the locale's decimal point, so every non-digit before the "e" is skipped.
    const char* p = buf;
    for (; *p && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
    d.exponent = std::atoi(*p ? p + 1 : p) + 1;
    TrimTrailingZeros(d);
    return d;
}

TDecimalDigits ScaledDigits(long long raw, int scale) {
    TDecimalDigits d;
    d.negative = raw < 0;
    // Through the unsigned magnitude, so the most negative value has one too.
    const unsigned long long magnitude = raw < 0 ? 0ULL - static_cast<unsigned long long>(raw) : raw;
    d.digits = std::to_string(magnitude);
    d.exponent = static_cast<int>(d.digits.size()) - scale;
    TrimTrailingZeros(d);
    return d;
}

void RoundDecimalsHalfAway(TDecimalDigits& d, int decimals) { RoundAt(d, d.exponent + decimals, false); }

void RoundDecimalsHalfEven(TDecimalDigits& d, int decimals) { RoundAt(d, d.exponent + decimals, true); }

void RoundSignificant(TDecimalDigits& d, int count) { RoundAt(d, count, false); }

long double DigitsToExtended(const TDecimalDigits& d) {
    if (d.IsZero()) return d.negative ? -0.0L : 0.0L;
    std::string text = (d.negative ? "-0." : "0.") + d.digits + "e" + std::to_string(d.exponent);
    long double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}
