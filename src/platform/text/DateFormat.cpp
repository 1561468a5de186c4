#include "platform/text/DateFormat.h"

#include <cmath>

namespace {

QString Pad(int value, int width) { return QString::number(value).rightJustified(width, '0'); }

// Letters that start one of the twelve-hour markers, matched without regard to case.
int AmPmLength(const QString& format, int i) {
    for (const char* marker : {"am/pm", "ampm", "a/p"}) {
        const QString m = QString::fromLatin1(marker);
        if (format.mid(i, m.size()).compare(m, Qt::CaseInsensitive) == 0) return static_cast<int>(m.size());
    }
    return 0;
}

bool UsesTwelveHours(const QString& format) {
    QChar quote;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (AmPmLength(format, i) > 0) {
            return true;
        }
    }
    return false;
}

struct Parts {
    QDate date;
    QTime time;
};

// Nested formats (short date inside "c", times inside "t") are expanded only a couple of levels
// deep, so settings that name themselves cannot loop.
void AppendFormatted(QString& out, const QString& format, const Parts& v, const TFormatSettings& fs,
                     int depth) {
    if (depth > 2) return;
    const bool twelve = UsesTwelveHours(format);
    QChar last;
    const int n = static_cast<int>(format.size());
    for (int i = 0; i < n;) {
        const QChar c = format[i];
        if (c == '\'' || c == '"') {
            int end = static_cast<int>(format.indexOf(c, i + 1));
            if (end < 0) end = n;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == '/') {
            out += fs.DateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += fs.TimeSeparator;
            ++i;
            continue;
        }
        if (const int amPm = AmPmLength(format, i)) {
            const QString marker = format.mid(i, amPm);
            const bool pm = v.time.hour() >= 12;
            if (marker.compare("ampm", Qt::CaseInsensitive) == 0) {
                out += pm ? fs.TimePMString : fs.TimeAMString;
            } else {
                // "am/pm" and "a/p" keep the case of the half they show.
                const int slash = static_cast<int>(marker.indexOf('/'));
                out += pm ? marker.mid(slash + 1) : marker.left(slash);
            }
            i += amPm;
            continue;
        }
        QChar letter = c.toLower();
        if (!c.isLetter()) {
            out += c;
            ++i;
            continue;
        }
        int count = 1;
        while (i + count < n && format[i + count].toLower() == letter) ++count;
        if (letter == 'm' && last == 'h') letter = 'n';
        bool used = true;
        switch (letter.unicode()) {
            case 'd':
                if (count == 1)
                    out += QString::number(v.date.day());
                else if (count == 2)
                    out += Pad(v.date.day(), 2);
                else if (count == 3)
                    out += fs.ShortDayNames.value(v.date.dayOfWeek() % 7);
                else if (count == 4)
                    out += fs.LongDayNames.value(v.date.dayOfWeek() % 7);
                else if (count == 5)
                    AppendFormatted(out, fs.ShortDateFormat, v, fs, depth + 1);
                else
                    AppendFormatted(out, fs.LongDateFormat, v, fs, depth + 1);
                break;
            case 'm':
                if (count == 1)
                    out += QString::number(v.date.month());
                else if (count == 2)
                    out += Pad(v.date.month(), 2);
                else if (count == 3)
                    out += fs.ShortMonthNames.value(v.date.month() - 1);
                else
                    out += fs.LongMonthNames.value(v.date.month() - 1);
                break;
            case 'y':
                out += count <= 2 ? Pad(v.date.year() % 100, 2) : Pad(v.date.year(), 4);
                break;
            case 'h': {
                int hour = v.time.hour();
                if (twelve) hour = hour % 12 == 0 ? 12 : hour % 12;
                out += count == 1 ? QString::number(hour) : Pad(hour, 2);
                break;
            }
            case 'n':
                out += count == 1 ? QString::number(v.time.minute()) : Pad(v.time.minute(), 2);
                break;
            case 's':
                out += count == 1 ? QString::number(v.time.second()) : Pad(v.time.second(), 2);
                break;
            case 'z':
                out += count < 3 ? QString::number(v.time.msec()) : Pad(v.time.msec(), 3);
                break;
            case 't':
                AppendFormatted(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, v, fs, depth + 1);
                break;
            case 'c':
                count = 1;
                AppendFormatted(out, fs.ShortDateFormat, v, fs, depth + 1);
                if (v.time != QTime(0, 0)) {
                    out += ' ';
                    AppendFormatted(out, fs.LongTimeFormat, v, fs, depth + 1);
                }
                break;
            default:
                used = false;
        }
        if (!used) {
            out += format.mid(i, count);
        }
        last = letter;
        i += count;
    }
}

Parts Split(TDateTime value) {
    const QDateTime dt = OleToQDateTime(value);
    return {dt.date(), dt.time()};
}

// A small cursor over the text being read.
struct Scanner {
    const QString& text;
    int pos = 0;

    void SkipBlanks() {
        while (pos < text.size() && text[pos].isSpace()) ++pos;
    }
    bool AtEnd() const { return pos >= text.size(); }
    bool Take(QChar c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    // Reads up to `maxDigits` digits; `digits` tells how many were there.
    bool Number(int& value, int& digits, int maxDigits = 9) {
        value = 0;
        digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < maxDigits) {
            value = value * 10 + (text[pos].unicode() - '0');
            ++pos;
            ++digits;
        }
        return digits > 0;
    }
};

// The order of day, month and year in a date format, as the letters "d", "m" and "y".
QString DateOrder(const QString& format) {
    QString order;
    for (QChar c : format) {
        const QChar l = c.toLower();
        if ((l == 'd' || l == 'm' || l == 'y') && !order.contains(l)) order += l;
    }
    return order.size() == 3 ? order : QString("dmy");
}

int ExpandYear(int year, int digits) {
    if (digits > 2) return year;
    // Two-digit years fall within fifty years either side of today.
    const int threshold = QDate::currentDate().year() - 50;
    year += threshold / 100 * 100;
    if (year < threshold) year += 100;
    return year;
}

bool ScanDate(Scanner& s, QDate& date, const TFormatSettings& fs) {
    const QString order = DateOrder(fs.ShortDateFormat);
    int values[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
    int count = 0;
    s.SkipBlanks();
    while (count < 3) {
        if (!s.Number(values[count], digits[count])) break;
        ++count;
        const int back = s.pos;
        s.SkipBlanks();
        if (!s.Take(fs.DateSeparator)) {
            s.pos = back;
            break;
        }
        s.SkipBlanks();
    }
    if (count < 2) return false;
    int day = 0, month = 0, year = QDate::currentDate().year();
    int yearDigits = 4;
    if (count == 3) {
        for (int k = 0; k < 3; ++k) {
            if (order[k] == 'd') day = values[k];
            if (order[k] == 'm') month = values[k];
            if (order[k] == 'y') {
                year = values[k];
                yearDigits = digits[k];
            }
        }
    } else {
        // Two numbers are day and month in the order the format gives them.
        const QString dm = QString(order).remove('y');
        day = dm[0] == 'd' ? values[0] : values[1];
        month = dm[0] == 'd' ? values[1] : values[0];
    }
    date = QDate(ExpandYear(year, yearDigits), month, day);
    return date.isValid();
}

bool ScanTime(Scanner& s, QTime& time, const TFormatSettings& fs) {
    int hour = 0, minute = 0, second = 0, msec = 0, d = 0;
    s.SkipBlanks();
    if (!s.Number(hour, d, 2) || !s.Take(fs.TimeSeparator) || !s.Number(minute, d, 2)) return false;
    if (s.Take(fs.TimeSeparator)) {
        if (!s.Number(second, d, 2)) return false;
        if (s.Take('.') || s.Take(fs.DecimalSeparator)) {
            if (!s.Number(msec, d, 3)) return false;
            while (d++ < 3) msec *= 10;
        }
    }
    s.SkipBlanks();
    const QString rest = s.text.mid(s.pos);
    for (const QString& pm : {fs.TimePMString, QString("pm"), QString("p")}) {
        if (!pm.isEmpty() && rest.compare(pm, Qt::CaseInsensitive) == 0 && hour >= 1 && hour <= 12) {
            hour = hour % 12 + 12;
            s.pos = static_cast<int>(s.text.size());
        }
    }
    for (const QString& am : {fs.TimeAMString, QString("am"), QString("a")}) {
        if (!am.isEmpty() && rest.compare(am, Qt::CaseInsensitive) == 0 && hour >= 1 && hour <= 12) {
            hour = hour % 12;
            s.pos = static_cast<int>(s.text.size());
        }
    }
    time = QTime(hour, minute, second, msec);
    return time.isValid();
}

}  // namespace

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& fs) {
    QString out;
    AppendFormatted(out, format.isEmpty() ? QString("c") : format, Split(value), fs, 0);
    return out;
}

QString DateToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(fs.ShortDateFormat, value, fs);
}

QString TimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(fs.LongTimeFormat, value, fs);
}

QString DateTimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime("c", value, fs); }

bool TryStrToDate(const QString& text, TDateTime& value, const TFormatSettings& fs) {
    Scanner s{text};
    QDate date;
    if (!ScanDate(s, date, fs)) return false;
    s.SkipBlanks();
    if (!s.AtEnd()) return false;
    value = DateTimeToOle(date);
    return true;
}

bool TryStrToDateTime(const QString& text, TDateTime& value, const TFormatSettings& fs) {
    Scanner s{text};
    QDate date;
    QTime time(0, 0);
    if (ScanDate(s, date, fs)) {
        s.SkipBlanks();
        if (!s.AtEnd() && !ScanTime(s, time, fs)) return false;
    } else {
        s.pos = 0;
        date = QDate(1899, 12, 30);
        if (!ScanTime(s, time, fs)) return false;
    }
    s.SkipBlanks();
    if (!s.AtEnd()) return false;
    value = DateTimeToOle(date, time);
    return true;
}

TDateTime StrToDate(const QString& text, const TFormatSettings& fs) {
    TDateTime v = 0;
    if (!TryStrToDate(text, v, fs)) throw EConvertError(QString("'%1' is not a valid date").arg(text));
    return v;
}

TDateTime StrToDateTime(const QString& text, const TFormatSettings& fs) {
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v, fs))
        throw EConvertError(QString("'%1' is not a valid date and time").arg(text));
    return v;
}
