#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QPushButton;
class TVnDBGrid;

// The action history of the open firm: who added or changed a record, when, a line about it and,
// at the detailed level, snapshots of the record as it was saved. Entries are only ever added;
// they go with their record.

// The kind of a logged record; offers are the only kind written.
enum class THistoryObjectType : uint8_t { Offer = 0 };
// What happened to it.
enum class THistoryActionType : int { Added = 0, Changed = 1 };

inline constexpr const char* kHistorySaveFailedText =
    "Při ukládání záznamu do tabulky Akce došlo k chybě: metoda \"Execute\" selhala.";

// The clock of the entries; tests put their own in.
extern std::function<TDateTime()> HistoryClock;

// One use of the history: one entry added, or one object's entries shown.
class THistoryAction {
public:
    THistoryAction();
    ~THistoryAction();
    THistoryAction(const THistoryAction&) = delete;
    THistoryAction& operator=(const THistoryAction&) = delete;

    // Writes one entry for the current user. Either snapshot may be null; both stay the
    // caller's. False after the user has been told the entry could not be written.
    bool Add(THistoryActionType actionType, THistoryObjectType objectType, int objectID,
             const QString& description, TMemTable* snapshot1, TMemTable* snapshot2);
    // Opens the entries of one object, oldest first. Always true.
    bool OpenList(THistoryObjectType objectType, int objectID);
    // Loads the snapshots of one entry in place of those held; an empty column gives none.
    void LoadSnapshots(int entryID);
    // The history window of one object. It closes only through "Zavřít", so the answer is false.
    bool ShowHistory(THistoryObjectType objectType, int objectID);

    THistoryObjectType ObjectType() const { return objectType_; }
    int ObjectID() const { return objectID_; }
    TADOQuery& List() { return *list_; }
    TMemTable* Snapshot1() const { return snapshot1_.get(); }
    TMemTable* Snapshot2() const { return snapshot2_.get(); }

private:
    THistoryObjectType objectType_ = THistoryObjectType::Offer;
    int32_t objectID_ = 0;
    std::unique_ptr<TADOQuery> list_;
    std::unique_ptr<TMemTable> snapshot1_;
    std::unique_ptr<TMemTable> snapshot2_;
};

// The window "Historie akcí": the entries of one object and a preview of the snapshot of the
// entry the list stands on.
class TfrmHistoryAction : public TVnDialog {
    Q_OBJECT
public:
    // The history stays the caller's and must outlive the window.
    explicit TfrmHistoryAction(THistoryAction& history, QWidget* parent = nullptr);
    ~TfrmHistoryAction() override;

    QPushButton* btnZavrit = nullptr;
    TVnDBGrid* grList = nullptr;
    QLabel* lblHelp = nullptr;
    QStackedWidget* pgcPreview = nullptr;
    QWidget* tsNabidka = nullptr;
    QWidget* tsNoData = nullptr;
    QLabel* lblNahled = nullptr;
    QLineEdit* edtPopis = nullptr;
    QLineEdit* edtStav = nullptr;
    QLineEdit* edtVystaveno = nullptr;
    QLineEdit* edtPlatnost = nullptr;
    QLineEdit* edtVyrizeno = nullptr;
    QLineEdit* edtAdrNazev = nullptr;
    QLineEdit* edtAdrKontakt = nullptr;
    QLineEdit* edtAdrUlice = nullptr;
    QLineEdit* edtAdrPsc = nullptr;
    QLineEdit* edtAdrMisto = nullptr;
    QLabel* lblCelkemNC = nullptr;
    QLineEdit* edtCelkemNC = nullptr;
    QLabel* lblZisk = nullptr;
    QLineEdit* edtZisk = nullptr;
    QLineEdit* edtCelkemBDPH = nullptr;
    QLineEdit* edtCelkem = nullptr;
    TVnDBGrid* grNabidkaItems = nullptr;

    // Fills the preview from the entry the list stands on.
    void RefreshPreview();
    // Shows or hides the purchase total and the profit as the switch stands.
    void ApplyPurchasePrices();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPreview();
    void FillOfferPage();

    THistoryAction& history_;
    TDataSource dsList_;
    TDataSource dsItems_;
};
