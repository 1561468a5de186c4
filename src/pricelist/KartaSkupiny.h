#pragma once

#include "pricelist/PriceListUi.h"

class QLineEdit;
class QPushButton;
class TADOQuery;

// The card of one price-list group: code and name. The basic group of a sheet is never edited
// here; a copy of it is an ordinary group.
class TfrmKartaSkupiny : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmKartaSkupiny(QWidget* parent = nullptr);

    QLineEdit* edtKod = nullptr;
    QLineEdit* edtNazev = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    void btnOKClick();
};

// The group card: add a group to the sheet, or edit or copy the current row of dataset (the
// price-list window's adqSkupiny, or the group picker's scratch query when fromPicker).
// 0 when the card was shown, -1 otherwise.
int EditGroup(bool add, bool copy, bool fromPicker, int sheetId, TADOQuery& dataset);
