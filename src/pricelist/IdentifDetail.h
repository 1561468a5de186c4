#pragma once

#include "pricelist/PriceListUi.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

// The card of one identifier code. It checks only what it can see itself (an empty code, a
// separator in the code); the caller checks that the code is new.
class TfrmIdentifDetail : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmIdentifDetail(QWidget* parent = nullptr);

    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtPopis = nullptr;
    QCheckBox* chckNepouzivat = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    void btnOKClick();
};
