#pragma once

#include <compare>
#include <cstdint>

// A money amount as the stored formats keep it: a whole number of ten-thousandths.
// Converting from a float rounds half to even, as the currency type of the original does,
// so 0.00005 becomes 0.0000 and 0.00015 becomes 0.0002.
class Currency {
public:
    static constexpr int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromRaw(int64_t raw) {
        Currency c;
        c.raw_ = raw;
        return c;
    }
    static Currency FromDouble(double value);
    static Currency FromExtended(long double value);

    constexpr int64_t Raw() const { return raw_; }
    double ToDouble() const { return static_cast<double>(raw_) / kScale; }
    long double ToExtended() const { return static_cast<long double>(raw_) / kScale; }

    constexpr Currency operator+(Currency other) const { return FromRaw(raw_ + other.raw_); }
    constexpr Currency operator-(Currency other) const { return FromRaw(raw_ - other.raw_); }
    constexpr Currency operator-() const { return FromRaw(-raw_); }
    Currency& operator+=(Currency other) {
        raw_ += other.raw_;
        return *this;
    }
    Currency& operator-=(Currency other) {
        raw_ -= other.raw_;
        return *this;
    }
    constexpr auto operator<=>(const Currency&) const = default;

private:
    int64_t raw_ = 0;
};
