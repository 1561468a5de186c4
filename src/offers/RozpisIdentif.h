#pragma once

#include <QString>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QMenu;
class QPushButton;
class TDataSet;
class TVnDBGrid;

// The identifier breakdown of an offer: its items summed per identifier code. An item with several
// codes counts in full under each of them, so the rows may add up to more than the offer; items
// without codes and codes kept out of the breakdown are not shown. It changes no item: from the
// card it can only mark the items of the chosen codes.

class TfrmRozpisIdentif : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmRozpisIdentif(QWidget* parent = nullptr);
    ~TfrmRozpisIdentif() override;

    TMemTable mtRozpisIdentif;
    TDataSource dsRozpisIdentif;
    TVnDBGrid* grRozpisIdentif = nullptr;
    QCheckBox* chckSouctovat = nullptr;
    QPushButton* btnOznacit = nullptr;
    QPushButton* btnZavrit = nullptr;
    QPushButton* btnNapoveda = nullptr;
    QMenu* pmRozpis = nullptr;

    // Rebuilds the table from the items (rows in their order); the items' current row is kept.
    void Build(TDataSet& items);
    // The footer sums of the marked rows, shown while "součet ozn." is checked.
    void UpdateFooter();
    void ApplyPurchasePrices();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool computingFooter_ = false;
};

// Source 0: the printed items of the offer print data, built without showing the window; the window
// and its table stay for the caller until the next build or until released. Source 1: the items of
// the open offer card, shown, and the items of the chosen codes marked in the card on "Označit v
// nabídce". Always 0.
int ShowIdentifierBreakdown(int source);

// The window the print data last built its breakdown in; nullptr before the first build and after
// a release.
TfrmRozpisIdentif* PrintBreakdownWindow();
// Lets the print data's window go, as an export over many offers does when it ends.
void ReleasePrintBreakdownWindow();

inline constexpr const char* kBreakdownCaption = "Rozpis identifikátorů";
