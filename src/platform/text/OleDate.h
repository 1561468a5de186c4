#pragma once

#include <QDateTime>

// Dates travel as OLE dates everywhere the stored formats touch them (databases, stamps, streams):
// days since 30.12.1899 with the time of day as the fraction. Before that day the integer part
// counts back while the fraction still counts the time forward, so -1.25 is 29.12.1899 06:00.
using TDateTime = double;

inline constexpr qint64 kMsecsPerDay = 86400000;

// The wall-clock date and time as an OLE date; time zones play no part.
TDateTime QDateTimeToOle(const QDateTime& value);
TDateTime DateTimeToOle(QDate date, QTime time = QTime(0, 0));

// Back to a local date and time, rounded to the millisecond, so a round trip is exact.
QDateTime OleToQDateTime(TDateTime value);
QDate OleToDate(TDateTime value);
QTime OleToTime(TDateTime value);

// The current local date and time, and today at midnight, as OLE dates.
TDateTime Now();
TDateTime Date();
