#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QFocusEvent>

#include "platform/ui/DateEdit.h"
#include "platform/ui/ModalHelper.h"

namespace {

void LeaveField(QWidget* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
}

TEST(DateEditTest, EmptyFieldReadsAsZero) {
    TDateEdit edit;
    EXPECT_TRUE(edit.IsEmpty());
    EXPECT_EQ(edit.Date(), 0);

    edit.SetDate(DateTimeToOle(QDate(2024, 3, 5)));
    edit.SetDate(0);
    EXPECT_TRUE(edit.IsEmpty());
    EXPECT_EQ(edit.text(), "");
}

TEST(DateEditTest, TypedTextAndSetDates) {
    struct Case {
        const char* typed;
        QDate date;     // invalid: the field reads as empty
        QString shown;  // after leaving the field
    };
    const Case kCases[] = {
        {"5.3.2024", QDate(2024, 3, 5), "5.3.2024"},
        {"05.03.2024", QDate(2024, 3, 5), "5.3.2024"},
        {" 31.12.2024 ", QDate(2024, 12, 31), "31.12.2024"},
        {"29.2.2024", QDate(2024, 2, 29), "29.2.2024"},
        // a date without its year is in this year
        {"1.2.", QDate(QDate::currentDate().year(), 2, 1),
         QString("1.2.%1").arg(QDate::currentDate().year())},
        {"   ", QDate(), ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        TDateEdit edit;
        edit.setText(c.typed);
        EXPECT_EQ(edit.Date(), c.date.isValid() ? DateTimeToOle(c.date) : 0);
        LeaveField(&edit);
        EXPECT_EQ(edit.text(), c.shown);
    }

    TDateEdit edit;
    // The time of day is not part of the field.
    edit.SetDate(DateTimeToOle(QDate(2024, 12, 31), QTime(23, 59)));
    EXPECT_EQ(edit.text(), "31.12.2024");
    EXPECT_EQ(edit.Date(), DateTimeToOle(QDate(2024, 12, 31)));
}

TEST(DateEditTest, MistypedDateFallsBackToTheLastDateNotToEmpty) {
    TDateEdit edit;
    edit.SetDate(DateTimeToOle(QDate(2024, 3, 5)));
    for (const char* typed : {"30.2.2024", "5.13.2024", "zítra"}) {
        SCOPED_TRACE(typed);
        edit.setText(typed);
        EXPECT_EQ(edit.Date(), DateTimeToOle(QDate(2024, 3, 5)));
        LeaveField(&edit);
        EXPECT_EQ(edit.text(), "5.3.2024");
    }

    TDateEdit fresh;
    fresh.setText("32.1.2024");
    EXPECT_EQ(fresh.Date(), 0);
    LeaveField(&fresh);
    EXPECT_TRUE(fresh.IsEmpty());
}

TEST(DateEditTest, CalendarPicksTheDate) {
    struct Case {
        bool accept;
        const char* text;
    };
    for (const Case& c : {Case{true, "14.2.2025"}, Case{false, "5.3.2024"}}) {
        SCOPED_TRACE(c.accept);
        TDateEdit edit;
        edit.SetDialogTitle("Plánované předání");
        edit.setText("5.3.2024");
        OnNextModal([&](QWidget* window) {
            EXPECT_EQ(window->windowTitle(), "Plánované předání");
            auto* calendar = window->findChild<QCalendarWidget*>("calKalendar");
            ASSERT_NE(calendar, nullptr);
            EXPECT_EQ(calendar->selectedDate(), QDate(2024, 3, 5));
            calendar->setSelectedDate(QDate(2025, 2, 14));
            auto* dialog = qobject_cast<QDialog*>(window);
            c.accept ? dialog->accept() : dialog->reject();
        });
        edit.CalendarAction()->trigger();
        EXPECT_EQ(edit.text(), c.text);
    }
}

TEST(DateEditTest, CalendarDefaultsToTodayAndIsTitledInCzech) {
    TDateEdit edit;
    OnNextModal([&](QWidget* window) {
        EXPECT_EQ(window->windowTitle(), "Vyberte datum");
        EXPECT_EQ(window->findChild<QCalendarWidget*>()->selectedDate(), QDate::currentDate());
        qobject_cast<QDialog*>(window)->reject();
    });
    EXPECT_FALSE(edit.PopupCalendar());
    EXPECT_TRUE(edit.IsEmpty());
}

}  // namespace
