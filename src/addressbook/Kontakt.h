#pragma once

#include <QString>

#include "pricelist/PriceListUi.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TfrmAdrKart;

// The contact card: one contact person of a firm, edited on the address card's memory table only.
// Nothing reaches the database before the address card is saved. The card keeps at most one
// primary contact per firm: the one the offer shows as the customer's contact person.

class TfrmKontakt : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmKontakt(QWidget* parent = nullptr);

    QComboBox* cbxTitulPred = nullptr;
    QLineEdit* edtPrijmeni = nullptr;
    QLineEdit* edtJmeno = nullptr;
    QComboBox* cbxTitulZa = nullptr;
    QLineEdit* edtUlice = nullptr;
    QLineEdit* edtPSC = nullptr;
    QLineEdit* edtMisto = nullptr;
    QLineEdit* edtTelefon = nullptr;
    QLineEdit* edtMobil = nullptr;
    QLineEdit* edtEmail = nullptr;
    QLineEdit* edtFunkce = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;
    QCheckBox* chckZobrazit = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnVyberPsc = nullptr;
    QPushButton* btnGoEmail = nullptr;

    // The contact's replication identity, carried through the card unchanged when editing.
    QString RepID;

    void btnOKClick();
    // Empties every field and refills the two title lists.
    void ClearCard();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Adds a contact to the address card's mtTmpKontakty or edits its current row. The card's modal
// result: 1 OK, 2 cancelled (the table is then unchanged).
int EditContact(TfrmAdrKart& card, bool adding);

inline constexpr const char* kContactCardCaption = "Kontakt adresy";
inline constexpr const char* kContactSurnameMissing = "Musíte vyplnit alespoň Příjmení.";
inline constexpr const char* kConfirmContactRemove = "Opravdu chcete vyjmout označený kontakt ?";
inline constexpr const char* kPrimaryContactCaption = "primární kontakt (zobrazí se v nabídce)";
// The titles offered before and after a name; any other may be typed.
inline constexpr const char* kTitlesBefore[] = {"Doc.",  "Dr.",   "Ing.",   "JUDr.", "Mgr.",
                                                "MUDr.", "MVDr.", "PaeDr.", "PhMr.", "Prof.",
                                                "PhDr.", "RNDr.", "RSDr."};
inline constexpr const char* kTitlesAfter[] = {"CSc.", "DrSc."};
