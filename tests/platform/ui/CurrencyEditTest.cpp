#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <cmath>

#include "platform/ui/CurrencyEdit.h"

namespace {

void Focus(QWidget* field, QEvent::Type type) {
    QFocusEvent event(type, Qt::TabFocusReason);
    QApplication::sendEvent(field, &event);
}

const char* const kMoneyFormat = ",0.00;-,0.00";
const char* const kUnitPriceFormat = ",0.0000;-,0.0000";

TEST(CurrencyEditTest, TypedTextReadsBackRoundedHalfAwayFromZero) {
    struct Case {
        int decimals;
        const char* typed;
        long double value;
    };
    const Case kCases[] = {
        // the half is taken from the digits typed, not from the nearest binary number
        {2, "1,005", 1.01L},
        {2, "-1,005", -1.01L},
        {2, "1,015", 1.02L},
        {2, "2,675", 2.68L},
        {2, "1,0049", 1.0L},
        {2, "2,5", 2.5L},
        {2, "999,995", 1000.0L},
        {2, "-0,004", 0.0L},
        {2, "1.005", 1.01L},  // the decimal point is read too
        {2, "1 234 567,891", 1234567.89L},
        {2, ",5", 0.5L},
        {2, "7,", 7.0L},
        {2, "+3,333", 3.33L},
        {2, "", 0.0L},
        {4, "0,00005", 0.0001L},
        {4, "1,23455", 1.2346L},
        {4, "-12,34564", -12.3456L},
        {0, "2,5", 3.0L},
        {0, "-2,5", -3.0L},
        {0, "2,49", 2.0L},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.typed << " with " << c.decimals << " decimals");
        TCurrencyEdit edit;
        edit.SetDecimalPlaces(c.decimals);
        Focus(&edit, QEvent::FocusIn);
        edit.setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(edit.Value(), c.value);
        Focus(&edit, QEvent::FocusOut);
        EXPECT_EQ(edit.Value(), c.value);
        EXPECT_FALSE(std::signbit(edit.Value()) && edit.Value() == 0) << "negative zero";
    }
}

TEST(CurrencyEditTest, TextThatIsNoNumberKeepsTheLastValue) {
    TCurrencyEdit edit;
    edit.SetDisplayFormat(kMoneyFormat);
    edit.SetValue(12.5L);
    for (const char* typed : {"abc", "1,2,3", "1-", "-", "12,5 Kč"}) {
        SCOPED_TRACE(typed);
        Focus(&edit, QEvent::FocusIn);
        edit.setText(typed);
        EXPECT_EQ(edit.Value(), 12.5L);
        Focus(&edit, QEvent::FocusOut);
        EXPECT_EQ(edit.text(), "12,50");
    }
}

TEST(CurrencyEditTest, ShowsTheDisplayFormatOnlyWithoutTheFocus) {
    struct Case {
        const char* format;
        int decimals;
        long double value;
        const char* shown;
        const char* editing;
    };
    const Case kCases[] = {
        {kMoneyFormat, 2, 1234.5L, "1 234,50", "1234,5"},
        {kMoneyFormat, 2, -1234567.891L, "-1 234 567,89", "-1234567,89"},
        {kMoneyFormat, 2, 0.0L, "0,00", "0"},
        {kMoneyFormat, 2, -0.001L, "0,00", "0"},
        {kUnitPriceFormat, 4, 12.34565L, "12,3457", "12,3457"},
        {kUnitPriceFormat, 4, 1000.0L, "1 000,0000", "1000"},
        {"", 2, 2.5L, "2,50", "2,5"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.shown);
        TCurrencyEdit edit;
        edit.SetDecimalPlaces(c.decimals);
        edit.SetDisplayFormat(c.format);
        edit.SetValue(c.value);
        EXPECT_EQ(edit.text(), c.shown);
        Focus(&edit, QEvent::FocusIn);
        EXPECT_EQ(edit.text(), c.editing);
        Focus(&edit, QEvent::FocusOut);
        EXPECT_EQ(edit.text(), c.shown);
    }
}

TEST(CurrencyEditTest, SetValueKeepsTheRoundedValueAndEditingCommitsOnLeaving) {
    TCurrencyEdit edit;
    edit.SetDisplayFormat(kMoneyFormat);
    edit.SetValue(10.0L / 3.0L);
    EXPECT_EQ(edit.Value(), 3.33L);

    Focus(&edit, QEvent::FocusIn);
    edit.setText("-1,005");
    Focus(&edit, QEvent::FocusOut);
    EXPECT_EQ(edit.text(), "-1,01");
    EXPECT_EQ(edit.Value(), -1.01L);

    // Fewer decimals round the value the field holds.
    edit.SetDecimalPlaces(0);
    EXPECT_EQ(edit.Value(), -1.0L);
}

}  // namespace
