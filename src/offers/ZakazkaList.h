#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "offers/RecordListDialog.h"

class TADOQuery;

// The list "Seznam zakázek": the picker through which an offer and the offer filter take an order,
// and the place where orders are added, changed, copied and deleted.

class TZakazkaList {
public:
    TZakazkaList();
    ~TZakazkaList();
    TZakazkaList(const TZakazkaList&) = delete;
    TZakazkaList& operator=(const TZakazkaList&) = delete;

    // Before showing: the order to stand on, by code when one is given, else by ID; after OK: the
    // chosen order.
    int SelectedID = 0;
    QString SelectedZkratka;

    TADOQuery& Query() { return *query_; }
    // False without the right (the user has been told) or when no order was chosen.
    bool ShowDialog();

private:
    std::unique_ptr<TADOQuery> query_;
};

class TfrmZakazkaList : public TRecordListDialog {
    Q_OBJECT
public:
    explicit TfrmZakazkaList(TZakazkaList& list, QWidget* parent = nullptr);

protected:
    int AddRecord() override;
    int CopyRecord(int id) override;
    bool EditRecord(int id) override;
    bool DeleteRecord(int id) override;
    bool MayDelete() override;
    void KeepChoice() override;

private:
    TZakazkaList& list_;
};

// The offer card's "...": the list standing on the code; the chosen order's code, none when
// nothing was chosen.
std::optional<QString> PickOrderCode(const QString& current);
// The offer card's "Detail zakázky": the card of the order with the code; its (possibly changed)
// code after the card was confirmed. An order that no longer exists is reported.
std::optional<QString> ShowOrderDetail(const QString& code);
