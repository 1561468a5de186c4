#include "platform/ui/CurrencyEdit.h"

#include <QFocusEvent>
#include <string>

#include "platform/text/DecimalDigits.h"
#include "platform/text/NumberFormat.h"

namespace {

bool IsBlank(QChar c) { return c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F); }

}  // namespace

std::optional<long double> NumberOfText(const QString& text, int decimals) {
    QString compact;
    for (QChar c : text)
        if (!IsBlank(c)) compact += c;
    if (compact.isEmpty()) return 0.0L;

    bool negative = false;
    qsizetype pos = 0;
    if (compact[0] == QLatin1Char('-') || compact[0] == QLatin1Char('+')) {
        negative = compact[0] == QLatin1Char('-');
        pos = 1;
    }
    QString whole, fraction;
    bool mark = false;
    for (; pos < compact.size(); ++pos) {
        const QChar c = compact[pos];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            (mark ? fraction : whole) += c;
        } else if ((c == QLatin1Char(',') || c == QLatin1Char('.')) && !mark) {
            mark = true;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;

    // Round on the digits as typed: the half is exact here, as it is to the user reading them.
    TDecimalDigits d;
    const std::string all = (whole + fraction).toStdString();
    const size_t first = all.find_first_not_of('0');
    if (first != std::string::npos) {
        const size_t last = all.find_last_not_of('0');
        d.digits = all.substr(first, last - first + 1);
        d.exponent = static_cast<int>(whole.size()) - static_cast<int>(first);
        d.negative = negative;
    }
    RoundDecimalsHalfAway(d, qMax(0, decimals));
    // A value that rounds to zero has no sign; "-0,00" would be shown otherwise.
    if (d.IsZero()) d.negative = false;
    return DigitsToExtended(d);
}

TCurrencyEdit::TCurrencyEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setText(DisplayText());
}

long double TCurrencyEdit::Value() const {
    // The field re-reads its own text, so what the user typed counts before the field is left.
    return NumberOfText(text(), decimalPlaces_).value_or(value_);
}

void TCurrencyEdit::SetValue(long double value) {
    // Through the field's own text, so that the value kept is exactly the one read back.
    QString format = QStringLiteral("0");
    if (decimalPlaces_ > 0) format += QStringLiteral(".") + QString(decimalPlaces_, QLatin1Char('0'));
    value_ = NumberOfText(FormatFloat(format, value), decimalPlaces_).value_or(value);
    setText(editing_ ? EditText() : DisplayText());
}

void TCurrencyEdit::SetDecimalPlaces(int places) {
    decimalPlaces_ = qMax(0, places);
    SetValue(value_);
}

void TCurrencyEdit::SetDisplayFormat(const QString& format) {
    displayFormat_ = format;
    if (!editing_) setText(DisplayText());
}

QString TCurrencyEdit::DisplayText() const {
    QString format = displayFormat_;
    if (format.isEmpty()) {
        format = QStringLiteral(",0");
        if (decimalPlaces_ > 0) format += QStringLiteral(".") + QString(decimalPlaces_, QLatin1Char('0'));
    }
    return FormatFloat(format, value_);
}

QString TCurrencyEdit::EditText() const {
    // No group separators and no trailing zeros while typing: the user edits the number itself.
    QString format = QStringLiteral("0");
    if (decimalPlaces_ > 0) format += QStringLiteral(".") + QString(decimalPlaces_, QLatin1Char('#'));
    return FormatFloat(format, value_);
}

void TCurrencyEdit::Commit() {
    if (const auto number = NumberOfText(text(), decimalPlaces_)) value_ = *number;
    setText(DisplayText());
}

void TCurrencyEdit::focusInEvent(QFocusEvent* event) {
    if (!editing_) {
        Commit();  // a text set while the field was not focused is taken over first
        editing_ = true;
        if (!isReadOnly()) setText(EditText());
    }
    QLineEdit::focusInEvent(event);
}

void TCurrencyEdit::focusOutEvent(QFocusEvent* event) {
    // Popups (a context menu) take the focus without the user leaving the field.
    if (event->reason() != Qt::PopupFocusReason) {
        editing_ = false;
        Commit();
    }
    QLineEdit::focusOutEvent(event);
}
