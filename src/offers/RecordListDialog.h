#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

inline constexpr const char* kConfirmRecordDelete =
    "Vyjmutí záznamu je nevratná operace. Opravdu chcete pokračovat ?";

class QPushButton;
class QVBoxLayout;
class TADOQuery;
class TVnDBGrid;

// A list of stored records to choose one from with OK, and the place where they are added,
// changed, copied and deleted through their card. Each kind of record says how its card opens and
// what the caller gets of the chosen row; the list keeps its buttons, its row and its marks right.
class TRecordListDialog : public TPriceListDialog {
    Q_OBJECT
public:
    ~TRecordListDialog() override;

    TDataSource dsList;
    TVnDBGrid* grList = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnObnovit = nullptr;
    QPushButton* btnKopirovat = nullptr;

    void UpdateButtons();

protected:
    // The grid shows the columns of the open query; addText is the caption of "Přidat".
    TRecordListDialog(TADOQuery& query, const std::vector<std::pair<QString, QString>>& columns,
                      const QString& addText, QWidget* parent);
    void showEvent(QShowEvent* event) override;

    // The column of buttons, for the window's own layout.
    QVBoxLayout* Buttons() const { return buttons_; }
    TADOQuery& Query() const { return query_; }
    int CurrentID() const;

    // The card of a new record and of a copy of the record: the ID the list then stands on, 0 when
    // nothing was saved.
    virtual int AddRecord() = 0;
    virtual int CopyRecord(int id) = 0;
    // The card of the record; false when nothing was saved.
    virtual bool EditRecord(int id) = 0;
    // Deletes the record; false when it was not (the user has been told).
    virtual bool DeleteRecord(int id) = 0;
    // Before the deletion question; false stops (the user has been told).
    virtual bool MayDelete() { return true; }
    // OK on the current row: keeps what the caller gets of it.
    virtual void KeepChoice() = 0;

private:
    void btnOKClick();
    void btnPridatClick();
    void btnOpravitClick();
    void btnKopirovatClick();
    void btnVyjmoutClick();
    void btnObnovitClick();

    TADOQuery& query_;
    QVBoxLayout* buttons_ = nullptr;
};
