#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QUuid>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "platform/text/Cp1250.h"
#include "platform/text/DecimalDigits.h"
#include "platform/text/Guid.h"
#include "platform/text/NumberFormat.h"
#include "platform/text/Rounding.h"

TEST(Rounding, HalfAwayAndHalfEvenOnDecimalDigits) {
    struct Case {
        long double value;
        int decimals;
        long double away;
        long double even;
    };
    const Case kCases[] = {
        {0.125L, 2, 0.13L, 0.12L},
        {0.135L, 2, 0.14L, 0.14L},
        {-0.125L, 2, -0.13L, -0.12L},
        {2.5L, 0, 3, 2},
        {3.5L, 0, 4, 4},
        {-2.5L, 0, -3, -2},
        {2.675, 2, 2.67L, 2.67L},   // a double just below the half
        {2.675L, 2, 2.68L, 2.68L},  // extended: the half itself, up to 18 digits, and odd below it
        {1.005, 2, 1.0L, 1.0L},
        {0.005, 2, 0.01L, 0.01L},
        {1234.56785L, 4, 1234.5679L, 1234.5678L},
        {0.004L, 2, 0, 0},
        {-0.004L, 2, 0, 0},
        {99.995L, 2, 100, 100},
        {12345.0L, 2, 12345, 12345},
        {0, 2, 0, 0},
        {1.23456789L, 6, 1.234568L, 1.234568L},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(FormatFloat("0.000000000", c.value).toStdString() + " to " + std::to_string(c.decimals));
        EXPECT_EQ(RoundHalfAway(c.value, c.decimals), c.away);
        EXPECT_EQ(RoundHalfEven(c.value, c.decimals), c.even);
    }
    // A rounded value shows exactly as the format of its decimals shows the original.
    for (long double v : {0.125L, 2.675L, 1234.565L, -7.005L}) {
        EXPECT_EQ(FormatFloat("0.00", RoundHalfAway(v, 2)), FormatFloat("0.00", v));
    }
    EXPECT_FALSE(std::signbit(RoundHalfAway(-0.001L, 2)));
}

// Rounding is decided on the 18 decimal digits of the value; the binary shortcut taken for most
// values must give the same number to the last bit, above all next to a half, where the two ways
// part first (2.675 held as a double, the half itself, a few units of the last place either side).
TEST(Rounding, BinaryRoundingAgreesWithTheDigitsToTheLastBit) {
    auto byDigits = [](long double value, int decimals, bool even) {
        TDecimalDigits d = ExtendedDigits(value);
        if (even)
            RoundDecimalsHalfEven(d, decimals);
        else
            RoundDecimalsHalfAway(d, decimals);
        return d.IsZero() ? 0.0L : DigitsToExtended(d);
    };
    std::vector<std::pair<long double, int>> values;
    std::mt19937_64 random(29);
    for (int decimals = 0; decimals <= 9; ++decimals) {
        const long double p = std::pow(10.0L, decimals);
        // Halves and their neighbours, in extended and in double precision.
        for (long long k :
             {0LL, 1LL, 2LL, 7LL, 12LL, 99LL, 267LL, 1004LL, 123456LL, 99999999LL, 123456789012LL}) {
            long double half = (k + 0.5L) / p;
            long double up = half, down = half;
            for (int step = 0; step < 6; ++step) {
                for (long double v : {half, up, down, static_cast<long double>(static_cast<double>(up)),
                                      static_cast<long double>(static_cast<double>(down))}) {
                    values.push_back({v, decimals});
                    values.push_back({-v, decimals});
                }
                up = std::nextafter(up, 1e30L);
                down = std::nextafter(down, -1e30L);
            }
        }
        // Values of every size, and what price arithmetic makes of two-decimal amounts.
        std::uniform_real_distribution<double> mantissa(1.0, 10.0);
        std::uniform_int_distribution<int> exponent(-8, 16);
        std::uniform_int_distribution<int> cents(0, 10000000);
        for (int i = 0; i < 3000; ++i) {
            values.push_back({mantissa(random) * std::pow(10.0L, exponent(random)), decimals});
            const long double a = cents(random) / 100.0L, b = cents(random) % 10000 / 100.0L;
            for (long double v : {(b + 100) * a / 100, a * 100 / (100 - b / 2), a * 0.1736L, a - a * 0.1736L,
                                  a * 1.21L, static_cast<long double>(static_cast<double>(a * 1.15L))})
                values.push_back({v, decimals});
        }
    }
    values.push_back({1e300L, 2});
    values.push_back({-7.5e20L, 4});
    int mismatches = 0;
    for (const auto& [value, decimals] : values) {
        for (bool even : {false, true}) {
            const long double expected = byDigits(value, decimals, even);
            const long double got = even ? RoundHalfEven(value, decimals) : RoundHalfAway(value, decimals);
            if (got == expected && std::signbit(got) == std::signbit(expected)) continue;
            if (++mismatches > 10) continue;
            ADD_FAILURE() << FormatFloat("0.000000000000000000", value).toStdString() << " to " << decimals
                          << (even ? " half even" : " half away");
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The whole-number steps replace the library's functions in price arithmetic and must give their
// results to the last bit: halves, values next to a half or a whole number, both signs, zeros, the
// edge of the short way and what lies beyond it.
TEST(Rounding, WholeNumberStepsEqualTheLibraryFunctions) {
    std::vector<long double> values = {0.0L,
                                       -0.0L,
                                       0.5L,
                                       -0.5L,
                                       1.5L,
                                       2.5L,
                                       -2.5L,
                                       0.49999999999999999L,
                                       1.0L,
                                       -1.0L,
                                       0.3L,
                                       -0.3L,
                                       4.5L,
                                       1e15L + 0.5L,
                                       0x1p62L - 0.5L,
                                       0x1p62L,
                                       -0x1p62L,
                                       0x1p63L + 2,
                                       1e30L,
                                       -1e30L,
                                       std::numeric_limits<long double>::infinity(),
                                       -std::numeric_limits<long double>::infinity(),
                                       std::numeric_limits<long double>::denorm_min()};
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const long double scale = std::ldexp(1.0L, static_cast<int>(random() % 70) - 8);
        const long double v = static_cast<long double>(random() % 1000001) / 1000.0L * scale;
        values.push_back(random() % 2 ? v : -v);
        // Exactly halfway and one step beside it.
        const long double half = std::floor(v) + 0.5L;
        values.push_back(half);
        values.push_back(std::nextafter(half, 0.0L));
        values.push_back(-std::nextafter(half, 1e30L));
    }
    auto same = [](long double a, long double b) {
        return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
    };
    int mismatches = 0;
    for (long double v : values) {
        const std::pair<long double, long double> pairs[] = {{NearestWholeEven(v), std::nearbyint(v)},
                                                             {TruncWhole(v), std::trunc(v)},
                                                             {FloorWhole(v), std::floor(v)}};
        for (const auto& [got, expected] : pairs)
            if (!same(got, expected) && ++mismatches <= 10)
                ADD_FAILURE() << FormatFloat("0.000000000000000000", v).toStdString();
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(std::isnan(NearestWholeEven(std::nanl(""))));
}

TEST(Currency, TextConversions) {
    struct Case {
        const char* text;
        int64_t raw;
        const char* general;
        const char* formatted;  // with ",0.00;-,0.00"
    };
    const Case kCases[] = {
        {"12,5", 125000, "12,5", "12,50"}, {"-1 234,5678", -12345678, "-1234,5678", "-1 234,57"},
        {"0,00005", 0, "0", "0,00"},  // an exact half in the text goes to even
        {"0,00015", 2, "0,0002", "0,00"},  {"0,00025", 2, "0,0002", "0,00"},
        {"0,005", 50, "0,005", "0,01"},    {"0", 0, "0", "0,00"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        Currency v;
        ASSERT_TRUE(TryStrToCurr(QString::fromUtf8(c.text), v));
        EXPECT_EQ(v.Raw(), c.raw);
        const Currency exact = Currency::FromRaw(c.raw);
        EXPECT_EQ(CurrToStr(exact).toStdString(), c.general);
        EXPECT_EQ(FormatCurr(",0.00;-,0.00", exact).toStdString(), c.formatted);
    }
    EXPECT_EQ(CurrToStr(Currency::FromRaw(INT64_MIN)).toStdString(), "-922337203685477,5808");
    EXPECT_EQ(FormatCurr(",0.00", Currency::FromRaw(INT64_MAX)).toStdString(), "922 337 203 685 477,58");
    Currency v;
    EXPECT_FALSE(TryStrToCurr("1e20", v));
    EXPECT_FALSE(TryStrToCurr("abc", v));
    EXPECT_THROW(StrToCurr("x"), EConvertError);
}

TEST(Cp1250, CzechLettersBothWays) {
    const QString czech = QString::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy ŘŠČŽÝÁÍÉŮÚĚŤĎŇ €„“–");
    const QByteArray bytes = EncodeCp1250(czech);
    EXPECT_EQ(bytes.size(), czech.size());
    EXPECT_FALSE(bytes.contains('?'));
    EXPECT_EQ(DecodeCp1250(bytes), czech);
    // Known code points of the page.
    EXPECT_EQ(EncodeCp1250(QString::fromUtf8("čřšžě€")), QByteArray("\xE8\xF8\x9A\x9E\xEC\x80"));
    EXPECT_EQ(DecodeCp1250("\xC8\xD8\x8A\x8E"), QString::fromUtf8("ČŘŠŽ"));
}

TEST(Cp1250, NeverFailsOnWhatItCannotHold) {
    struct Case {
        QString text;
        QByteArray bytes;
    };
    const Case kCases[] = {
        {QString::fromUtf8("日本"), "??"},
        {QString::fromUtf8("a😀b"), "a?b"},     // one character outside the basic plane, one "?"
        {QString(QChar(0xD800)) + "x", "?x"},  // a lone surrogate
        {QString::fromUtf8("ñø"), "??"},
        {QString("a") + QChar(0) + "b", QByteArray("a\0b", 3)},
        {QString(), QByteArray()},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(EncodeCp1250(c.text), c.bytes);
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    const QString decoded = DecodeCp1250(all);
    ASSERT_EQ(decoded.size(), 256);
    EXPECT_EQ(decoded[0x81], QChar(0x81));  // undefined in the page, kept as Windows keeps it
    EXPECT_EQ(EncodeCp1250(decoded), all);
}

TEST(Guid, BracedUpperCaseRandomAndNew) {
    // Version 4 in the third group, the variant 10xx in the fourth: what other programs take for a
    // random GUID, and what QUuid reads back as one.
    static const QRegularExpression kForm(
        "^\\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}$");
    QSet<QString> seen;
    int bitsSet[128] = {};
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i) {
        const QString g = NewGuidText();
        ASSERT_TRUE(kForm.match(g).hasMatch()) << g.toStdString();
        const QUuid uuid(g);
        ASSERT_EQ(uuid.version(), QUuid::Random) << g.toStdString();
        ASSERT_EQ(uuid.variant(), QUuid::DCE) << g.toStdString();
        const QByteArray bytes = uuid.toRfc4122();
        for (int bit = 0; bit < 128; ++bit) bitsSet[bit] += (bytes[bit / 8] >> (7 - bit % 8)) & 1;
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), kCount);
    // Every random bit varies about half the time: a digit stuck or copied from another would not.
    for (int bit = 0; bit < 128; ++bit) {
        const bool fixed = (bit >= 48 && bit < 52) || bit == 64 || bit == 65;
        if (fixed) continue;
        EXPECT_NEAR(bitsSet[bit], kCount / 2, kCount / 20) << "bit " << bit;
    }
}

TEST(Guid, ThreadsDrawDifferentKeys) {
    // Each thread has a generator of its own; seeded alike they would hand out the same keys.
    QStringList first, second;
    std::thread a([&] {
        for (int i = 0; i < 1000; ++i) first.append(NewGuidText());
    });
    std::thread b([&] {
        for (int i = 0; i < 1000; ++i) second.append(NewGuidText());
    });
    a.join();
    b.join();
    QSet<QString> all(first.begin(), first.end());
    all.unite(QSet<QString>(second.begin(), second.end()));
    all.insert(NewGuidText());
    EXPECT_EQ(all.size(), 2001);
}
