#pragma once

#include <QString>
#include <functional>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "pricelist/PriceListUi.h"

class QAction;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class TColumn;
class TVnDBGrid;

// The address card: one firm of the address book with its contact persons and linked documents,
// created, edited, copied or viewed. Contacts and documents live in the card's memory tables
// until OK; only then are the firm, its contacts and its documents written, the children by
// difference against what is stored. The card never writes while another station holds the firm.

class TfrmAdrKart : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmAdrKart(QWidget* parent = nullptr);
    ~TfrmAdrKart() override;

    // Firm fields, named as the columns they fill (edtInternet fills WWW).
    QLineEdit* edtNazev = nullptr;
    QLineEdit* edtUlice = nullptr;
    QLineEdit* edtPsc = nullptr;
    QLineEdit* edtMisto = nullptr;
    QLineEdit* edtStat = nullptr;
    QLineEdit* edtICO = nullptr;
    QLineEdit* edtDIC = nullptr;
    QLineEdit* edtTelefon = nullptr;
    QLineEdit* edtFax = nullptr;
    QLineEdit* edtEmail = nullptr;
    QLineEdit* edtInternet = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;
    QLineEdit* edtEANKod = nullptr;
    QLineEdit* edtZprava = nullptr;
    // Changed only by its two buttons.
    QLineEdit* edtCenHlad = nullptr;

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;
    QPushButton* btnGoEmail = nullptr;
    QPushButton* btnGoWWW = nullptr;
    QPushButton* btnVyberPsc = nullptr;
    QPushButton* btnVyberCenHlad = nullptr;
    QPushButton* btnZrusitCenHlad = nullptr;
    QPushButton* btnARES = nullptr;
    QAction* acSHNC = nullptr;

    QTabWidget* pgcPrilohy = nullptr;
    // Contacts: the "Kontakty" page.
    TDataSource dsTmpKontakty;
    TVnDBGrid* grKontakty = nullptr;
    QPushButton* btnPridatKont = nullptr;
    QPushButton* btnOpravitKont = nullptr;
    QPushButton* btnVyjmoutKont = nullptr;
    QWidget* panHledatKont = nullptr;
    QLineEdit* edtHledatKont = nullptr;
    // Documents: the "Dokumenty" page; its buttons go into layDokumentyBtn.
    TDataSource dsTmpDokumenty;
    TVnDBGrid* grDokumenty = nullptr;
    QVBoxLayout* layDokumentyBtn = nullptr;
    QWidget* panHledatDok = nullptr;
    QLineEdit* edtHledatDok = nullptr;

    // LockID is the stored Kontakty.ID, -1 for a contact added on this card.
    TMemTable mtTmpKontakty;
    // ID is the stored Dokumenty.ID, -1 for a new link; File the stored path.
    TMemTable mtTmpDokumenty;

    // The card's state: what is shown, and on whose behalf it will be written.
    bool ReadOnly = false;
    bool InUse = false;
    int AddressID = 0;
    QString RepID;
    // Writes the card's firm when OK passes the card's checks; false keeps the card open (the
    // save met a database error and the user has been told). Set by whoever opened the card.
    std::function<bool()> OnSave;

    void btnOKClick();
    void btnVyberCenHladClick();
    void btnZrusitCenHladClick();
    void btnPridatKontClick();
    void btnOpravitKontClick();
    void btnVyjmoutKontClick();
    // "Opravit kontakt" and "Vyjmout kontakt" need a contact.
    void UpdateContactButtons();

    // Empties every field and both memory tables and gives the card a new RepID.
    void ClearCard();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildFields(QWidget* page);
    void BuildContacts(QWidget* page);
    void BuildDocuments(QWidget* page);
    void CreateMemoryTables();
    void OpenGridSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit, const QString& typed);
    void CloseGridSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit);
    void SortMemoryGrid(TVnDBGrid* grid, TMemTable& table, TColumn* column, int firstDataColumn);
};

// Opens the card. New: an empty card (with an IČ, filled from the company register first). Not new:
// the current row of adqAdresar, edited, copied into a new firm, or viewed read-only. Answers 0 when
// the card was shown and closed, saved or not, and -1 when it was refused or the save failed.
int EditAddress(bool isNew, bool copy, bool readOnly, const QString& ico);

// The record lock of a firm of the open firm database.
QString AddressLockPath(int addressId);

inline constexpr const char* kAddressCardCaption = "Karta adresy";
inline constexpr const char* kViewingSuffix = " - prohlížení";
inline constexpr const char* kAddressCardLoading = "Načítám adresu\rprosím čekejte...";
inline constexpr const char* kAddressSaving =
    "Prosím čekejte... probíhá ukládání adresy, případně kopírování dokumentů do sdílené složky (to může "
    "nějaký čas trvat)";
inline constexpr const char* kAddressNameMissing = "Musíte vyplnit název adresy.";
inline constexpr const char* kDocumentSaveFailed =
    "Při ukládání záznamu do \"Dokumenty\" došlo k chybě: metoda \"Execute\" selhala.";
inline constexpr const char* kContactSaveFailed =
    "Při ukládání záznamu do \"Kontakty\" došlo k chybě: metoda \"Execute\" selhala.";
