#pragma once

#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

class QPushButton;
class TVnDBGrid;

// The firm's catalogue of identifier codes: the list that the identifier editor picks from, and
// where codes are added, corrected and deleted. Lists already stored on records are never touched.

class TfrmSezIdentif : public TPriceListDialog {
    Q_OBJECT
public:
    static constexpr int kModeManage = 0;
    static constexpr int kModePick = 1;

    explicit TfrmSezIdentif(int mode, QWidget* parent = nullptr);
    ~TfrmSezIdentif() override;

    int Mode() const { return mode_; }

    TDataSource dsSezIdentif;
    TVnDBGrid* grSezIdentif = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;

    void btnVyjmoutClick();
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DoubleClick();
    int mode_;
};

// The catalogue over "SELECT * FROM SezIdentif" in the main window's scratch query adqAgendaFree1;
// the modal result. With closeQuery false the query stays open on the chosen code for the caller.
int ShowIdentifierCatalogue(int mode, bool closeQuery);

// The card of the catalogue's current code (add: a new one). Its modal result, or -1 when it
// failed or was not shown.
int EditIdentifier(bool add);

// The catalogue window while it is shown (its buttons follow the card's changes).
TfrmSezIdentif* ActiveIdentifierCatalogue();
