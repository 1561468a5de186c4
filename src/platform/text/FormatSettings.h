#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// The conventions numbers, dates and money are written and read with. The program runs with one
// Czech set whatever the machine's locale, because stored values, reports and messages were all
// laid out for it; code that writes a fixed format (streams, exchange files) passes its own set.
struct TFormatSettings {
    QChar DecimalSeparator = ',';
    QChar ThousandSeparator = ' ';
    QChar DateSeparator = '.';
    QChar TimeSeparator = ':';
    QString ShortDateFormat = "d.M.yyyy";
    QString LongDateFormat = "d. mmmm yyyy";
    QString ShortTimeFormat = "h:nn";
    QString LongTimeFormat = "h:nn:ss";
    QString TimeAMString = "dop.";
    QString TimePMString = "odp.";
    QString CurrencyString = "Kč";
    int CurrencyFormat = 3;  // "1 Kč"
    int NegCurrFormat = 8;   // "-1 Kč"
    int CurrencyDecimals = 2;
    QStringList ShortMonthNames = {"led", "úno", "bře", "dub", "kvě", "čvn",
                                   "čvc", "srp", "zář", "říj", "lis", "pro"};
    QStringList LongMonthNames = {"leden",    "únor",  "březen", "duben", "květen",   "červen",
                                  "červenec", "srpen", "září",   "říjen", "listopad", "prosinec"};
    // Sunday first, as the day numbers of the date functions count.
    QStringList ShortDayNames = {"ne", "po", "út", "st", "čt", "pá", "so"};
    QStringList LongDayNames = {"neděle", "pondělí", "úterý", "středa", "čtvrtek", "pátek", "sobota"};

    static TFormatSettings Czech() { return TFormatSettings(); }
};

// The station's settings, Czech from start-up. Start-up may adjust the date separator.
extern TFormatSettings FormatSettings;

// A text that does not convert to the asked type; the message says which text and why.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};
