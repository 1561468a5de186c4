#pragma once

#include <QLineEdit>
#include <QString>
#include <optional>

// Numeric entry. Without the focus it shows its value in DisplayFormat (",0.00;-,0.00" gives
// "1 234,50"); with the focus it shows the plain number for typing. The value read back is always
// the number of its text rounded to DecimalPlaces, half away from zero: the calculators pass their
// amounts through such fields and rely on getting the rounded amount back.
class TCurrencyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCurrencyEdit(QWidget* parent = nullptr);

    long double Value() const;
    void SetValue(long double value);

    int DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(int places);
    // Empty means grouped digits with DecimalPlaces decimals.
    QString DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString DisplayText() const;
    QString EditText() const;
    // Takes the number of the text as the value (a text that is no number leaves the value as it
    // was) and shows it in the display format.
    void Commit();

    int decimalPlaces_ = 2;
    QString displayFormat_;
    long double value_ = 0;
    bool editing_ = false;
};

// The number a numeric field's text stands for, rounded to `decimals` on its decimal digits
// (so "1,005" gives 1.01, which rounding the binary number would miss), or nothing when the text
// is not a number. Accepts "," or "." as the decimal mark, blanks between digit groups and a
// leading sign; an empty text is 0.
std::optional<long double> NumberOfText(const QString& text, int decimals);
