#include <gtest/gtest.h>

#include "platform/text/Currency.h"
#include "platform/text/OleDate.h"

TEST(OleDate, KnownDatesBothWays) {
    struct Case {
        QDate date;
        QTime time;
        double ole;
    };
    const Case kCases[] = {
        {QDate(1899, 12, 30), QTime(0, 0), 0.0},   {QDate(1899, 12, 31), QTime(0, 0), 1.0},
        {QDate(1899, 12, 29), QTime(6, 0), -1.25}, {QDate(2024, 3, 5), QTime(12, 0), 45356.5},
        {QDate(2024, 3, 5), QTime(0, 0), 45356.0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
        EXPECT_DOUBLE_EQ(DateTimeToOle(c.date, c.time), c.ole);
        EXPECT_EQ(OleToDate(c.ole), c.date);
        EXPECT_EQ(OleToTime(c.ole), c.time);
    }
}

TEST(OleDate, RoundTripToTheMillisecond) {
    const QDateTime kValues[] = {
        QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59, 999)),
        QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0, 1)),
        QDateTime(QDate(1850, 6, 15), QTime(13, 14, 15, 16)),
    };
    for (const QDateTime& v : kValues) {
        SCOPED_TRACE(v.toString(Qt::ISODateWithMs).toStdString());
        EXPECT_EQ(OleToQDateTime(QDateTimeToOle(v)), v);
    }
}

TEST(Currency, FloatConversionRoundsHalfToEven) {
    struct Case {
        double value;
        int64_t raw;
    };
    const Case kCases[] = {
        // Multiples of 1/32 are the values whose ten-thousandths fall exactly on a half.
        {0.03125, 312}, {0.09375, 938}, {0.15625, 1562}, {-0.03125, -312}, {1.23456, 12346}, {0.1, 1000},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Currency::FromDouble(c.value).Raw(), c.raw);
    }
}
