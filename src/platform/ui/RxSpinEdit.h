#pragma once

#include <QSpinBox>

// Whole-number entry with up and down arrows, limited to [MinValue, MaxValue].
class TRxSpinEdit : public QSpinBox {
public:
    explicit TRxSpinEdit(QWidget* parent = nullptr) : QSpinBox(parent) {
        // Numbers such as an order position run up to 999999999; the spin box's own limit of 99
        // would cut them.
        setRange(0, 999999999);
        setAlignment(Qt::AlignRight);
    }

    int Value() const { return value(); }
    void SetValue(int value) { setValue(value); }
    int MinValue() const { return minimum(); }
    int MaxValue() const { return maximum(); }
    void SetMinValue(int value) { setMinimum(value); }
    void SetMaxValue(int value) { setMaximum(value); }
};
