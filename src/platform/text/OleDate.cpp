#include "platform/text/OleDate.h"

#include <cmath>

namespace {

// 30.12.1899 as a constant, so that dates built by other files' static initialisers are right too.
constexpr QDate kOleEpoch = QDate::fromJulianDay(2415019);

// Splits an OLE date into whole days from the epoch and milliseconds into that day.
void SplitOle(TDateTime value, qint64& days, qint64& msecs) {
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    days = static_cast<qint64>(whole);
    msecs = std::llround(fraction * kMsecsPerDay);
    if (msecs >= kMsecsPerDay) {
        // A fraction that rounds up to a whole day belongs to the next day in the direction
        // the date counts: forward for positive values, back towards the epoch for negative ones.
        msecs -= kMsecsPerDay;
        days += value < 0 ? -1 : 1;
    }
}

}  // namespace

TDateTime DateTimeToOle(QDate date, QTime time) {
    qint64 days = kOleEpoch.daysTo(date);
    double fraction = time.isValid() ? static_cast<double>(time.msecsSinceStartOfDay()) / kMsecsPerDay : 0.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

TDateTime QDateTimeToOle(const QDateTime& value) { return DateTimeToOle(value.date(), value.time()); }

QDate OleToDate(TDateTime value) {
    qint64 days = 0, msecs = 0;
    SplitOle(value, days, msecs);
    return kOleEpoch.addDays(days);
}

QTime OleToTime(TDateTime value) {
    qint64 days = 0, msecs = 0;
    SplitOle(value, days, msecs);
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
}

QDateTime OleToQDateTime(TDateTime value) { return QDateTime(OleToDate(value), OleToTime(value)); }

TDateTime Now() { return QDateTimeToOle(QDateTime::currentDateTime()); }

TDateTime Date() { return DateTimeToOle(QDate::currentDate()); }
