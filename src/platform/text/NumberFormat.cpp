#include "platform/text/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/text/DecimalDigits.h"

namespace {

using Decimal = TDecimalDigits;

QString SpecialValue(long double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

QString GeneralForm(long double value, int precision, const TFormatSettings& fs) {
    if (!std::isfinite(value)) return SpecialValue(value);
    Decimal d = ExtendedDigits(value);
    RoundSignificant(d, precision);
    if (d.IsZero()) return "0";
    QString out = value < 0 ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent > precision || d.exponent < -4) {
        out += QChar(d.digits[0]);
        if (n > 1) out += fs.DecimalSeparator + QString::fromLatin1(d.digits.data() + 1, n - 1);
        out += "E" + QString::number(d.exponent - 1);
        return out;
    }
    if (d.exponent <= 0) {
        out += QString("0") + fs.DecimalSeparator + QString(-d.exponent, '0') + QString::fromLatin1(d.digits);
        return out;
    }
    for (int i = 0; i < d.exponent; ++i) out += QChar(i < n ? d.digits[i] : '0');
    if (n > d.exponent)
        out += fs.DecimalSeparator + QString::fromLatin1(d.digits.data() + d.exponent, n - d.exponent);
    return out;
}

// Splits a format into its sections at semicolons outside quoted text.
QStringList SplitSections(const QString& format) {
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

struct Layout {
    int intCount = 0;     // digit placeholders before the decimal point
    int intRequired = 0;  // of them, those from the first "0" on
    int decCount = 0;     // digit placeholders after it
    int decRequired = 0;  // up to the last "0" after it
    bool thousands = false;
};

Layout Analyse(const QString& section) {
    Layout l;
    int firstZero = -1;
    bool point = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (point) {
                ++l.decCount;
                if (c == '0') l.decRequired = l.decCount;
            } else {
                if (c == '0' && firstZero < 0) firstZero = l.intCount;
                ++l.intCount;
            }
        } else if (c == '.') {
            point = true;
        } else if (c == ',') {
            l.thousands = true;
        }
    }
    if (firstZero >= 0) l.intRequired = l.intCount - firstZero;
    return l;
}

QString ApplySection(const QString& section, const Layout& l, const Decimal& d, bool minus,
                     const TFormatSettings& fs) {
    // Digits of the whole part, padded to the placeholders that are always shown.
    std::string whole;
    const int n = static_cast<int>(d.digits.size());
    for (int i = 0; i < d.exponent; ++i) whole.push_back(i < n ? d.digits[i] : '0');
    if (static_cast<int>(whole.size()) < l.intRequired) whole.insert(0, l.intRequired - whole.size(), '0');
    std::string fraction;
    for (int k = 0; k < l.decCount; ++k) {
        const int i = d.exponent + k;
        fraction.push_back(i >= 0 && i < n ? d.digits[i] : '0');
    }
    while (static_cast<int>(fraction.size()) > l.decRequired && fraction.back() == '0') fraction.pop_back();

    QString out = minus ? "-" : "";
    const int W = static_cast<int>(whole.size());
    bool digitWritten = false;
    auto putWholeDigit = [&](int position) {  // position counts from the units, 0 = units
        out += QChar(whole[W - 1 - position]);
        digitWritten = true;
        if (l.thousands && position > 0 && position % 3 == 0) out += fs.ThousandSeparator;
    };
    auto putAllWhole = [&] {
        for (int p = W - 1; p >= 0; --p) putWholeDigit(p);
    };

    int intSeen = 0, decSeen = 0;
    bool point = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if ((c == '0' || c == '#') && !point) {
            const int position = l.intCount - 1 - intSeen;
            if (intSeen == 0)
                for (int p = W - 1; p > position; --p) putWholeDigit(p);
            if (position < W) putWholeDigit(position);
            ++intSeen;
        } else if (c == '0' || c == '#') {
            if (decSeen < static_cast<int>(fraction.size())) out += QChar(fraction[decSeen]);
            ++decSeen;
        } else if (c == '.') {
            if (point) continue;
            point = true;
            if (l.intCount == 0) putAllWhole();
            if (!fraction.empty()) out += fs.DecimalSeparator;
        } else if (c == ',') {
            // Only asks for separators; they are placed by the digits.
        } else if (!point && intSeen > 0 && intSeen < l.intCount && !digitWritten) {
            // A literal inside the whole part before any digit: the number is shorter than the mask.
        } else {
            out += c;
        }
    }
    if (!point && l.intCount == 0 && l.decCount == 0) return out;
    if (!point && l.intCount == 0) putAllWhole();
    return out;
}

bool IsGroupSeparator(QChar c, const TFormatSettings& fs) {
    return c == fs.ThousandSeparator || c == ' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

}  // namespace

// Formats exact digits; `general` gives the general form when the format asks for it or the value
// is too large for digit placeholders.
template <typename General>
QString FormatDigits(const QString& format, Decimal d, const TFormatSettings& fs, General general) {
    const QStringList sections = SplitSections(format);
    const bool negative = d.negative && !d.IsZero();
    if (sections[0].isEmpty() && (sections.size() == 1 || !negative)) return general();
    auto pick = [&](int index) { return index < sections.size() && !sections[index].isEmpty() ? index : 0; };
    int index = pick(negative ? 1 : d.IsZero() ? 2 : 0);
    Layout layout = Analyse(sections[index]);
    RoundDecimalsHalfAway(d, layout.decCount);
    if (d.IsZero() && index != pick(2)) {
        index = pick(2);
        layout = Analyse(sections[index]);
    }
    if (d.exponent > 18) return general();
    const bool minus = negative && !d.IsZero() && index == 0;
    return ApplySection(sections[index], layout, d, minus, fs);
}

QString FormatFloat(const QString& format, long double value, const TFormatSettings& fs) {
    if (!std::isfinite(value)) return SpecialValue(value);
    return FormatDigits(format, ExtendedDigits(value), fs, [&] { return GeneralForm(value, 15, fs); });
}

QString FloatToStr(long double value, const TFormatSettings& fs) { return GeneralForm(value, 15, fs); }

QString FormatCurr(const QString& format, Currency value, const TFormatSettings& fs) {
    return FormatDigits(format, ScaledDigits(value.Raw(), 4), fs, [&] { return CurrToStr(value, fs); });
}

QString CurrToStr(Currency value, const TFormatSettings& fs) {
    const Decimal d = ScaledDigits(value.Raw(), 4);
    if (d.IsZero()) return "0";
    // At most four decimals and nineteen digits: the general form never needs an exponent here.
    QString out = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent <= 0)
        return out + "0" + fs.DecimalSeparator + QString(-d.exponent, '0') + QString::fromLatin1(d.digits);
    for (int i = 0; i < d.exponent; ++i) out += QChar(i < n ? d.digits[i] : '0');
    if (n > d.exponent)
        out += fs.DecimalSeparator + QString::fromLatin1(d.digits.data() + d.exponent, n - d.exponent);
    return out;
}

bool TryStrToCurr(const QString& text, Currency& value, const TFormatSettings& fs) {
    long double v = 0;
    if (!TryStrToFloat(text, v, fs) || std::fabs(v) >= 922337203685477.0L) return false;
    // Rounded on the decimal digits of the text, not on the nearest binary fraction, so "0,00005"
    // is an exact half and goes to the even neighbour as the float conversion would.
    TDecimalDigits d = ExtendedDigits(v);
    RoundDecimalsHalfEven(d, 4);
    value = Currency::FromRaw(static_cast<int64_t>(std::llroundl(DigitsToExtended(d) * Currency::kScale)));
    return true;
}

Currency StrToCurr(const QString& text, const TFormatSettings& fs) {
    Currency v;
    if (!TryStrToCurr(text, v, fs))
        throw EConvertError(QString("'%1' is not a valid floating point value").arg(text));
    return v;
}

bool TryStrToFloat(const QString& text, long double& value, const TFormatSettings& fs) {
    const QString t = text.trimmed();
    std::string plain;
    int i = 0;
    const int n = static_cast<int>(t.size());
    bool negative = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        plain.push_back(static_cast<char>(t[i++].unicode()));
    }
    // The digits also as one whole number and the count of those after the separator: a plain
    // decimal of up to 19 digits is that number divided by a power of ten.
    unsigned long long whole = 0;
    int digitCount = 0, fractionDigits = 0;
    auto digit = [&](QChar c) {
        plain.push_back(static_cast<char>(c.unicode()));
        if (++digitCount <= 19) whole = whole * 10 + (c.unicode() - u'0');
    };
    bool digits = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c >= '0' && c <= '9') {
            digit(c);
            digits = true;
        } else if (digits && IsGroupSeparator(c, fs) && c != fs.DecimalSeparator && i + 1 < n &&
                   t[i + 1] >= '0' && t[i + 1] <= '9') {
            // A group separator counts only between digits of the whole part.
        } else {
            break;
        }
    }
    if (i < n && t[i] == fs.DecimalSeparator) {
        plain.push_back('.');
        for (++i; i < n && t[i] >= '0' && t[i] <= '9'; ++i) {
            digit(t[i]);
            ++fractionDigits;
            digits = true;
        }
    }
    if (!digits) return false;
    bool exponent = false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        exponent = true;
        plain.push_back('e');
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) plain.push_back(static_cast<char>(t[i++].unicode()));
        bool expDigits = false;
        for (; i < n && t[i] >= '0' && t[i] <= '9'; ++i) {
            plain.push_back(static_cast<char>(t[i].unicode()));
            expDigits = true;
        }
        if (!expDigits) return false;
    }
    if (i != n) return false;
    if (!exponent && digitCount <= 19) {
        // Both operands are exact in long double (below 2^64, and 10^19 needs 45 bits), so the one
        // division is rounded once, as the full conversion rounds: the same value, many times
        // faster, for the numbers a price list is made of.
        static constexpr long double kPowers[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                                  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                                  1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L};
        const long double magnitude = static_cast<long double>(whole) / kPowers[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    const char* begin = plain.data();
    if (*begin == '+') ++begin;
    long double parsed = 0;
    const auto result = std::from_chars(begin, plain.data() + plain.size(), parsed);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& fs) {
    long double v = 0;
    if (!TryStrToFloat(text, v, fs) || std::fabs(v) > std::numeric_limits<double>::max()) return false;
    value = static_cast<double>(v);
    return true;
}

long double StrToFloat(const QString& text, const TFormatSettings& fs) {
    long double v = 0;
    if (!TryStrToFloat(text, v, fs))
        throw EConvertError(QString("'%1' is not a valid floating point value").arg(text));
    return v;
}

long double StrToFloatDef(const QString& text, long double def, const TFormatSettings& fs) {
    long double v = 0;
    return TryStrToFloat(text, v, fs) ? v : def;
}

bool TryStrToInt64(const QString& text, qint64& value) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith('-') || t.startsWith('+')) {
        negative = t[0] == '-';
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith('$')) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith("0x", Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty()) return false;
    const QByteArray latin = t.toLatin1();
    quint64 magnitude = 0;
    const auto result = std::from_chars(latin.data(), latin.data() + latin.size(), magnitude, base);
    if (result.ec != std::errc() || result.ptr != latin.data() + latin.size()) return false;
    constexpr quint64 kMax = static_cast<quint64>(std::numeric_limits<qint64>::max());
    if (magnitude > kMax + (negative ? 1 : 0)) return false;
    value = negative ? static_cast<qint64>(0 - magnitude) : static_cast<qint64>(magnitude);
    return true;
}

bool TryStrToInt(const QString& text, int& value) {
    qint64 v = 0;
    if (!TryStrToInt64(text, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const QString& text) {
    int v = 0;
    if (!TryStrToInt(text, v)) throw EConvertError(QString("'%1' is not a valid integer value").arg(text));
    return v;
}

qint64 StrToInt64(const QString& text) {
    qint64 v = 0;
    if (!TryStrToInt64(text, v)) throw EConvertError(QString("'%1' is not a valid integer value").arg(text));
    return v;
}

int StrToIntDef(const QString& text, int def) {
    int v = 0;
    return TryStrToInt(text, v) ? v : def;
}
