#pragma once

#include <QString>
#include <functional>

// Document numbers of the open firm's number series (table `CisRady`): a prefix, the next number
// and a minimum count of digits. Offers draw theirs from the series "NB" when they are first
// saved. Nothing here shows a message: a missing series is answered with an empty number.

// The series of offers.
inline constexpr const char* kOfferNumberSeries = "NB";

// Prefix, then the number padded with zeros to `digits`, but never more than five zeros: the
// numbers stored by earlier versions were made that way.
QString FormatDocumentNumber(const QString& prefix, qint64 number, int digits);

// Draws the next number of the series: text is the formatted number, prefix the series' prefix and
// number the value taken. When the series does not exist, text is empty and prefix and number are
// left alone. Two stations drawing at the same moment never get the same number.
void NextDocumentNumber(const QString& series, QString& prefix, int& number, QString& text);

// Whether the open firm has the series, so that a document can be numbered from it.
bool NumberSeriesExists(const QString& series);

// Runs between reading the series and raising its number; tests let another station draw there.
extern std::function<void()> NumberSeriesAfterRead;
