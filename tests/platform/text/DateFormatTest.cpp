#include <gtest/gtest.h>

#include "platform/text/DateFormat.h"

namespace {

const TDateTime kMorning = DateTimeToOle(QDate(2024, 3, 5), QTime(7, 8, 9, 45));
const TDateTime kEvening = DateTimeToOle(QDate(2024, 11, 24), QTime(19, 5, 0));
const TDateTime kMidnight = DateTimeToOle(QDate(2024, 3, 5));

TFormatSettings Fixed() {
    TFormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "dd/mm/yyyy";
    return fs;
}

}  // namespace

TEST(FormatDateTime, FormatsOfTheProgram) {
    struct Case {
        const char* format;
        TDateTime value;
        const char* text;
    };
    const Case kCases[] = {
        {"dd.mm.yyyy", kMorning, "05.03.2024"},
        {"d.M.yyyy", kMorning, "5.3.2024"},
        {"hh:nn", kMorning, "07:08"},
        {"h:nn:ss", kMorning, "7:08:09"},
        {"hh:mm", kMorning, "07:08"},  // "m" after an hour is minutes
        {"mm", kMorning, "03"},
        {"dd/mm/yyyy", kMorning, "05.03.2024"},  // "/" is the station's date separator
        {"yyyy", kMorning, "2024"},
        {"yy", kMorning, "24"},
        {"zzz", kMorning, "045"},
        {"dddd d. mmmm", kMorning, "úterý 5. březen"},
        {"ddd mmm", kEvening, "ne lis"},
        {"'Datum:' dd.mm.", kMorning, "Datum: 05.03."},
        {"c", kMorning, "5.3.2024 7:08:09"},
        {"c", kMidnight, "5.3.2024"},
        {"ddddd t", kEvening, "24.11.2024 19:05"},
        {"h:nn am/pm", kEvening, "7:05 pm"},
        {"h:nn AM/PM", kMorning, "7:08 AM"},
        {"", kMidnight, "5.3.2024"},
        {"dd.mm.yyyy", 0, "30.12.1899"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.format), c.value).toStdString(), c.text);
    }
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", kMorning, Fixed()).toStdString(), "05/03/2024");
    EXPECT_EQ(DateToStr(kMorning).toStdString(), "5.3.2024");
    EXPECT_EQ(TimeToStr(kMorning).toStdString(), "7:08:09");
    EXPECT_EQ(DateTimeToStr(kEvening).toStdString(), "24.11.2024 19:05:00");
    EXPECT_EQ(DateTimeToStr(kMidnight).toStdString(), "5.3.2024");
}

TEST(StrToDate, ReadsDaysMonthsAndYears) {
    const int thisYear = QDate::currentDate().year();
    struct Case {
        const char* text;
        QDate date;  // invalid: not a date
    };
    const Case kCases[] = {
        {"5.3.2024", QDate(2024, 3, 5)},
        {"05.03.2024", QDate(2024, 3, 5)},
        {" 5. 3. 2024 ", QDate(2024, 3, 5)},
        {"29.2.2024", QDate(2024, 2, 29)},
        {"5.3.", QDate(thisYear, 3, 5)},
        {"5.3", QDate(thisYear, 3, 5)},
        {"1.1.0024", QDate(24, 1, 1)},
        {"29.2.2023", QDate()},
        {"31.4.2024", QDate()},
        {"0.1.2024", QDate()},
        {"2024-03-05", QDate()},
        {"5/3/2024", QDate()},
        {"", QDate()},
        {"5.3.2024 x", QDate()},
        {"5", QDate()},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        TDateTime v = -1;
        EXPECT_EQ(TryStrToDate(QString::fromUtf8(c.text), v), c.date.isValid());
        if (c.date.isValid()) {
            EXPECT_EQ(OleToDate(v), c.date);
        } else {
            EXPECT_THROW(StrToDate(QString::fromUtf8(c.text)), EConvertError);
        }
    }
    // Two-digit years land within fifty years of today.
    const QDate two = OleToDate(StrToDate(QString("1.1.%1").arg(thisYear % 100, 2, 10, QChar('0'))));
    EXPECT_EQ(two.year(), thisYear);
    EXPECT_EQ(OleToDate(StrToDate("05/03/2024", Fixed())), QDate(2024, 3, 5));
}

TEST(StrToDateTime, DateTimeAndTimeAlone) {
    EXPECT_EQ(OleToQDateTime(StrToDateTime("5.3.2024 7:08:09")),
              QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    EXPECT_EQ(OleToQDateTime(StrToDateTime("5.3.2024 7:08")), QDateTime(QDate(2024, 3, 5), QTime(7, 8)));
    EXPECT_EQ(OleToQDateTime(StrToDateTime("5.3.2024")), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    EXPECT_EQ(OleToQDateTime(StrToDateTime("05/03/2024 19:05:00.250", Fixed())),
              QDateTime(QDate(2024, 3, 5), QTime(19, 5, 0, 250)));
    EXPECT_DOUBLE_EQ(StrToDateTime("12:00"), 0.5);
    TDateTime v = 0;
    for (const char* bad : {"5.3.2024 25:00", "5.3.2024 7", "7:", "5.3.2024 7:08 x", "x"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(TryStrToDateTime(bad, v));
    }
    EXPECT_THROW(StrToDateTime("x"), EConvertError);
    // What the date functions write, they read back.
    EXPECT_EQ(StrToDateTime(DateTimeToStr(kEvening)), kEvening);
}
