#pragma once

#include <QLineEdit>
#include <QString>

#include "platform/text/OleDate.h"

class QAction;

// Date entry that may be left empty, with a button that picks the date from a calendar.
// The text is the station's short date ("d.M.yyyy"), read as any date typed in the program is, so
// "5.3." is the 5th of March this year. An empty field reads as the date 0, as the cards expect
// from an unset date.
class TDateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);

    // The date without a time; 0 when the field is empty. Text that is not a date reads as the
    // last valid date the field held.
    TDateTime Date() const;
    void SetDate(TDateTime date);
    bool IsEmpty() const;
    // Empties the field.
    void Clear();

    // Title of the calendar window.
    QString DialogTitle() const { return dialogTitle_; }
    void SetDialogTitle(const QString& title) { dialogTitle_ = title; }

    // Opens the calendar at the field's date (today when empty); true when a date was taken.
    bool PopupCalendar();

    QAction* CalendarAction() const { return calendarAction_; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The date the text stands for; invalid for an empty text or one that is not a date.
    static QDate ParseText(const QString& text);
    // The station's short date.
    static QString DateText(QDate date);
    void Normalize();

    QString dialogTitle_;
    QAction* calendarAction_;
    QDate lastValid_;
};
