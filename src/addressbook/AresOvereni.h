#pragma once

#include <QString>

#include "pricelist/PriceListUi.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The company register on the address card: filling an empty card from the register by its IČ,
// and verifying a filled card against it with the offer to take the register's values. Only the
// name, street, postal code and town (and, when filling, the IČ and a VAT number the register gives)
// ever change; no other field.

// One verification: the card's values and the register's.
class TAresOvereni {
public:
    QString CardName;
    QString CardStreet;
    QString CardPostalCode;
    QString CardTown;
    QString ICO;
    QString AresName;
    QString AresStreet;
    QString AresPostalCode;
    QString AresTown;

    // Looks the IČ up under the working window; found: the register's values are in. Not found:
    // the user has been told why.
    bool FetchFromRegister();
    // The four values equal the register's exactly, letter case included.
    bool AddressMatchesRegister() const;
    // True when the card is to take the card values of this verification: unchanged when they
    // matched (after telling the user so), the register's after the user said "Ano".
    bool VerifyAgainstRegister();
};

// The window that shows where the card and the register differ.
class TfrmAresOvereni : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmAresOvereni(TAresOvereni& verification, QWidget* parent = nullptr);

    QLabel* lblInfo = nullptr;
    // Card values, then register values: name, street, postal code, town.
    QLabel* lblVarnobis[4] = {};
    QLabel* lblAres[4] = {};
    QPushButton* btnAno = nullptr;
    QPushButton* btnNe = nullptr;

    // Whether the register's value at the row is drawn as differing (bold, red).
    bool Differs(int row) const;
    void btnAnoClick();

private:
    TAresOvereni& verification_;
};

// The edits of the address card the register fills.
struct TRegisterCardFields {
    QLineEdit* name = nullptr;
    QLineEdit* street = nullptr;
    QLineEdit* postalCode = nullptr;
    QLineEdit* town = nullptr;
    QLineEdit* ico = nullptr;
    // Filled only from a register that gives a VAT number; verifying never touches it.
    QLineEdit* dic = nullptr;
};

// The card's register button: asks for an IČ first; with a name verifies the card, without one
// fills it.
void CheckAddressInRegister(const TRegisterCardFields& card);
// Fills the card from the register; when the register cannot give the firm, the user is told and
// only the IČ goes into the card.
void FillCardFromRegister(const TRegisterCardFields& card, const QString& ico);

inline constexpr const char* kAresLoading = "Načítání adresy z registru ARES\rprosím čekejte...";
inline constexpr const char* kAresCannotLoad = "Adresu z internetu nelze načíst: %1";
inline constexpr const char* kAresMatches = "Adresní údaje na kartě odpovídají registru ARES.";
inline constexpr const char* kAresNeedsIco =
    "Chcete-li načíst/ověřit adresu z internetového registru ARES, zadejte nejprve IČ.";
