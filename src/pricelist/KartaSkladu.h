#pragma once

#include "pricelist/PriceListUi.h"

class QLineEdit;
class QPushButton;

// The card of one price-list sheet: its name only.
class TfrmKartaSkladu : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmKartaSkladu(QWidget* parent = nullptr);

    QLineEdit* edtNazev = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    void btnOKClick();
};
