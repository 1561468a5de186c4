#include "platform/text/Currency.h"

#include <cmath>
#include <stdexcept>

namespace {

// Scaling in extended precision keeps values such as 0.1 * 10000 exactly on the tie or off it
// as the original's FPU would see them; nearbyint uses the default round-half-to-even mode.
int64_t ScaleHalfEven(long double value) {
    long double scaled = value * static_cast<long double>(Currency::kScale);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2e18L) throw std::overflow_error("Currency overflow");
    return static_cast<int64_t>(std::nearbyintl(scaled));
}

}  // namespace

Currency Currency::FromDouble(double value) { return FromRaw(ScaleHalfEven(value)); }

Currency Currency::FromExtended(long double value) { return FromRaw(ScaleHalfEven(value)); }
