#include "platform/ui/DateEdit.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/text/DateFormat.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/VnDialog.h"

namespace {

const char* const kDefaultDialogTitle = "Vyberte datum";

// A small calendar sheet for the button; drawn so that it looks the same under every theme.
QIcon CalendarIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(Qt::white);
    painter.drawRect(1, 2, 13, 12);
    painter.fillRect(2, 3, 12, 3, QColor(180, 40, 40));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            painter.fillRect(3 + col * 3, 7 + row * 2, 2, 1, QColor(64, 64, 64));
    return QIcon(pixmap);
}

}  // namespace

TDateEdit::TDateEdit(QWidget* parent)
    : QLineEdit(parent), dialogTitle_(QString::fromUtf8(kDefaultDialogTitle)) {
    calendarAction_ = addAction(CalendarIcon(), QLineEdit::TrailingPosition);
    calendarAction_->setObjectName("acKalendar");
    connect(calendarAction_, &QAction::triggered, this, [this] { PopupCalendar(); });
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QDate date = ParseText(text);
        if (date.isValid() || text.trimmed().isEmpty()) lastValid_ = date;
    });
}

QDate TDateEdit::ParseText(const QString& text) {
    if (text.trimmed().isEmpty()) return {};
    TDateTime value = 0;
    if (!TryStrToDate(text, value)) return {};
    return OleToDate(value);
}

QString TDateEdit::DateText(QDate date) { return DateToStr(DateTimeToOle(date)); }

TDateTime TDateEdit::Date() const {
    if (IsEmpty()) return 0;
    const QDate date = ParseText(text());
    if (date.isValid()) return DateTimeToOle(date);
    return lastValid_.isValid() ? DateTimeToOle(lastValid_) : 0;
}

void TDateEdit::SetDate(TDateTime date) {
    if (date == 0) {
        Clear();
        return;
    }
    setText(DateText(OleToDate(date)));
}

bool TDateEdit::IsEmpty() const { return text().trimmed().isEmpty(); }

void TDateEdit::Clear() { clear(); }

void TDateEdit::Normalize() {
    if (IsEmpty()) {
        if (!text().isEmpty()) clear();
        return;
    }
    // A mistyped date goes back to the last date the field held rather than reading as empty:
    // an empty date is a value of its own (it clears a stored date).
    const QDate date = ParseText(text());
    const QDate shown = date.isValid() ? date : lastValid_;
    if (shown.isValid())
        setText(DateText(shown));
    else
        clear();
}

void TDateEdit::focusOutEvent(QFocusEvent* event) {
    Normalize();
    QLineEdit::focusOutEvent(event);
}

bool TDateEdit::PopupCalendar() {
    if (isReadOnly() || !isEnabled()) return false;
    TVnDialog dialog(this);
    dialog.setObjectName("dlgKalendar");
    dialog.setWindowTitle(dialogTitle_);
    auto* layout = new QVBoxLayout(&dialog);
    auto* calendar = new QCalendarWidget(&dialog);
    calendar->setObjectName("calKalendar");
    calendar->setLocale(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    const QDate current = ParseText(text());
    calendar->setSelectedDate(current.isValid() ? current : QDate::currentDate());
    layout->addWidget(calendar);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QString::fromUtf8(kButtonOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8(kButtonCancel), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted) return false;
    setText(DateText(calendar->selectedDate()));
    return true;
}
