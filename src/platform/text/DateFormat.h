#pragma once

#include <QString>

#include "platform/text/FormatSettings.h"
#include "platform/text/OleDate.h"

// Dates to text and back. Format letters, in either case: d, dd (day), ddd, dddd (day name),
// ddddd (short date), dddddd (long date), m, mm (month), mmm, mmmm (month name), yy, yyyy (year),
// h, hh (hour), n, nn (minute), s, ss (second), z, zzz (millisecond), t (short time), tt (long
// time), c (short date, and the long time unless it is midnight), am/pm, a/p and ampm (twelve-hour
// clock), "/" the date separator and ":" the time separator of the settings; text in quotes is
// copied. An "m" right after an hour letter means minutes, so "hh:mm" shows the time.
QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& fs = FormatSettings);

QString DateToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);  // short date
QString TimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);  // long time
// The short date, followed by a blank and the long time when the time of day is not midnight.
QString DateTimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings);

// Reading dates: day, month and year in the order of the short date format, separated by the date
// separator (blanks around it allowed). A missing year is this year; a two-digit year falls within
// fifty years of today. A date-time may add a time "h:nn", "h:nn:ss" or "h:nn:ss.zzz"; a time alone
// is that time on 30.12.1899, as the stored formats keep times.
bool TryStrToDate(const QString& text, TDateTime& value, const TFormatSettings& fs = FormatSettings);
bool TryStrToDateTime(const QString& text, TDateTime& value, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDate(const QString& text, const TFormatSettings& fs = FormatSettings);      // EConvertError
TDateTime StrToDateTime(const QString& text, const TFormatSettings& fs = FormatSettings);  // EConvertError
