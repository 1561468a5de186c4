#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "pricelist/PriceListUi.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QPushButton;
class TADOQuery;
class TColumn;
class TVnDBGrid;
struct TRect;

// The address list: the firms of the open firm's address book over the main window's adqAdresar,
// browsed, searched, sorted, marked, deleted, and picked for an offer. The list does not own the
// query: its current row is how a picked firm reaches the caller, so the list never closes it on
// its own account. It is made once and reused for every opening.

// What the list shows its rows for.
enum class TAddressListMode : int {
    Browse = 0,  // double-click and Enter edit the row
    Pick = 1,    // "Vložit do nabídky" is shown; double-click and Enter choose the row
};

class TfrmAdresar : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmAdresar(QWidget* parent = nullptr);
    ~TfrmAdresar() override;

    TAddressListMode Mode() const { return mode_; }
    void SetMode(TAddressListMode mode);

    TDataSource dsAdresar;
    TVnDBGrid* grAdresar = nullptr;
    QWidget* panHledat = nullptr;
    QLineEdit* edtHledat = nullptr;
    QLabel* lblHledat = nullptr;

    QPushButton* btnAdrOk = nullptr;
    QPushButton* btnAdrStorno = nullptr;
    QPushButton* btnAdrPridat = nullptr;
    QPushButton* btnAdrOpravit = nullptr;
    QPushButton* btnAdrKopirovat = nullptr;
    QPushButton* btnAdrVyjmout = nullptr;
    QPushButton* btnObnovit = nullptr;
    QPushButton* btnAdrTisk = nullptr;
    QPushButton* btnOstatni = nullptr;
    QPushButton* btnNapoveda = nullptr;
    QMenu* pmOstatni = nullptr;
    QAction* ExportdoXML1 = nullptr;
    QAction* miPridatAdresuARES = nullptr;
    QAction* acSHNC = nullptr;

    // The print and export table: the marked rows, or every listed row when none is marked.
    TMemTable mtSeznamAdres;

    void btnAdrOkClick();
    void btnAdrStornoClick();
    // The register entry point passes the IČ to look up as the first line; a plain click passes none.
    void btnAdrPridatClick(const QStringList& registerIco = {});
    void btnAdrOpravitClick();
    void btnAdrKopirovatClick();
    void btnAdrVyjmoutClick();
    void btnObnovitClick();
    void btnAdrTiskClick();
    void ExportdoXML1Click();
    void miPridatAdresuARESClick();

    // The search panel above the grid: opened by a printable key typed in the grid.
    void OpenSearch(const QString& typed);
    void CloseSearch();
    // Sorts the list by the column (when sortable) and moves it to the front.
    void SortByColumn(TColumn* column);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a button's action unless the same action is already running (its busy flag).
    void Guarded(QPushButton* button, const std::function<void()>& action);
    void SearchTextChanged(const QString& text);
    void DrawAddressCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                         uint32_t state);
    // Deletes the list's current row: false when the run must end (the row is in use or vanished).
    bool DeleteCurrentAddress(bool single, int& standOnId);

    TAddressListMode mode_ = TAddressListMode::Browse;
};

// The result of ShowAddressList when the user may not open the address book or the card failed.
inline constexpr int kAddressListRefused = -1;

// Opens the list (addressId 0) in the mode, or shows the firm addressId read-only on its card.
// Answers the list's modal result (1 OK, 2 closed), the card's result in card mode, or -1 without
// the right. With closeAfter the query is closed before returning; otherwise a picker caller reads
// the chosen firm from the current row of adqAdresar and closes the query itself.
int ShowAddressList(TAddressListMode mode, bool closeAfter, int addressId);

// OK, Opravit, Vyjmout, Kopírovat, Tisk and Ostatní need a row; Přidat, Obnovit and Zavřít never.
void UpdateAddressListButtons();

// Refills mtSeznamAdres from the list in its order: the marked rows, or all when none is marked.
// Always 0.
int BuildAddressExportTable();

// The one address list of the run, made on first use when start-up has not made it.
TfrmAdresar* AddressListWindow();
// Makes the address list at start-up, so that its grid takes the user's column layout when a firm
// is opened. Owned by the main window.
void CreateAddressListWindow();
// The list goes before the main window's queries that it shows.
void DestroyAddressListWindow();

// Texts other windows of the address book share with the list.
inline constexpr const char* kAddressListCaption = "Adresář firem";
inline constexpr const char* kAddressLoading = "Načítám seznam Adresáře\rprosím čekejte...";
inline constexpr const char* kAddressGone = "Detail nelze zobrazit - adresa již byla smazána z adresáře.";
inline constexpr const char* kConfirmAddressDelete = "Opravdu chcete vyjmout adresu?";
inline constexpr const char* kConfirmAddressesDelete =
    "Varování: chystáte se smazat několik záznamů najednou!\r\rVyjmutí adresy je nevratná operace - "
    "opravdu chcete pokračovat a nenávratně smazat označené adresy?";
inline constexpr const char* kDeletingAddresses = "Mazání adres\rprosím čekejte...";
inline constexpr const char* kSearchHint = "vyhledávací políčko zavřete klávesou Tab";
inline constexpr const char* kRegisterCaption = "Přidat adresu z registru ARES";
inline constexpr const char* kRegisterPrompt = "Zadejte IČ, které chcete vyhledat";
