#pragma once

#include "pricelist/PriceListUi.h"

class QLineEdit;
class QPushButton;

// The card of one postal code. A code is kept without blanks, so that a code typed "602 00" and
// one looked up as "60200" are the same code.
class TfrmPscDetail : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmPscDetail(QWidget* parent = nullptr);

    QLineEdit* edtPsc = nullptr;
    QLineEdit* edtMisto = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;
};

// Adds a postal code, or edits the current row of adqGlobalFree1 under its record lock. 0 when
// done or cancelled, -1 when refused or failed (the user has been told).
int EditPostalCode(bool adding);

inline constexpr const char* kPostalCodeMissing = "Musíte vyplnit PSČ a Místo.";
