#pragma once

#include <QString>

#include "platform/text/Currency.h"
#include "platform/text/FormatSettings.h"

// Numbers to text and back with the meanings the whole program's display formats were written for.
//
// A format has up to three sections separated by ";": for positive values, for negative values and
// for zero; an empty or missing section falls back to the first, which then puts "-" in front of a
// negative value. In a section "0" is a digit always shown, "#" a digit shown when significant, the
// first "." the place of the decimal separator, a "," anywhere asks for thousands separators, and
// text in single or double quotes is copied as it stands. Any other character is copied too, but
// one standing between the digit placeholders of the whole part only once a digit has been written,
// so "# ### ##0.00" groups 1234.5 as "1 234,50" without leading blanks.
//
// The value is first written with 18 significant digits (the precision of the extended type) and
// that decimal text is rounded half away from zero: 2.675 held as a double is 2.67499999999999982,
// so it gives "2,67", while 2.675 computed in long double gives "2,68". A value that rounds to zero
// takes the zero section and never shows a minus sign. Values of 1E18 and more are written in the
// general form.
QString FormatFloat(const QString& format, long double value, const TFormatSettings& fs = FormatSettings);

// The general form: at most 15 significant digits, no thousands separators, no trailing zeros;
// exponent form ("1,5E20", "1E-7") for values of 1E15 and more or below 0.00001.
QString FloatToStr(long double value, const TFormatSettings& fs = FormatSettings);

// Reading numbers typed by people: blanks around the number, the settings' decimal separator, and
// thousands separators (the settings' one, blanks and no-break spaces) between the digits of the
// whole part are accepted; an exponent may follow. Anything else is not a number.
bool TryStrToFloat(const QString& text, long double& value, const TFormatSettings& fs = FormatSettings);
bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& fs = FormatSettings);
long double StrToFloat(const QString& text, const TFormatSettings& fs = FormatSettings);  // EConvertError
long double StrToFloatDef(const QString& text, long double def, const TFormatSettings& fs = FormatSettings);

// Whole numbers: decimal with an optional sign, or hexadecimal after "$" or "0x"; blanks around are
// allowed; a value out of range is not a number.
bool TryStrToInt(const QString& text, int& value);
bool TryStrToInt64(const QString& text, qint64& value);
int StrToInt(const QString& text);       // EConvertError
qint64 StrToInt64(const QString& text);  // EConvertError
int StrToIntDef(const QString& text, int def);

// Currency amounts are formatted from their exact ten-thousandths, so no binary fraction can shift
// a rounding; the general form shows up to four decimals. Text is read as a number and rounded to
// ten-thousandths half to even, as the conversion from floats does.
QString FormatCurr(const QString& format, Currency value, const TFormatSettings& fs = FormatSettings);
QString CurrToStr(Currency value, const TFormatSettings& fs = FormatSettings);
bool TryStrToCurr(const QString& text, Currency& value, const TFormatSettings& fs = FormatSettings);
Currency StrToCurr(const QString& text, const TFormatSettings& fs = FormatSettings);  // EConvertError
