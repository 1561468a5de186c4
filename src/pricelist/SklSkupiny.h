#pragma once

#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

class QPushButton;
class TVnDBGrid;

// Picking a group of one sheet, and deleting a group with its items.

class TfrmSklSkupiny : public TPriceListDialog {
    Q_OBJECT
public:
    TfrmSklSkupiny(int sheetId, QWidget* parent = nullptr);
    ~TfrmSklSkupiny() override;

    int SheetId() const { return sheetId_; }

    TDataSource dsSklSkupiny;
    TVnDBGrid* grSklSkupiny = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;

    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int sheetId_;
};

// The groups of the sheet, the basic group included, in the main window's scratch query
// adqAgendaFree1; the chosen group stays its current row, and the caller closes the query.
// Modal result; -1 without the right.
int ShowGroupPicker(int sheetId);

// Deletes the current row of the main window's adqSkupiny with its items: 0 deleted, -1 not
// deleted, -2 stopped because an item is open elsewhere.
int DeleteGroup();
