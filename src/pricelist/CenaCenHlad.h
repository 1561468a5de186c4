#pragma once

#include "pricelist/PriceListUi.h"

class QLabel;
class QPushButton;
class TCurrencyEdit;
class TDataSet;

// The price of the item at one price level, opened from the level grid of the item card. Only a
// fixed level's price is typed here; a recalculated level's price always follows its rule.

class TfrmCenaCenHlad : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmCenaCenHlad(QWidget* parent = nullptr);

    QLabel* lblZkratka = nullptr;
    QLabel* lblTypHodnoty = nullptr;
    QLabel* lblHodnota = nullptr;
    QLabel* lblVychCena = nullptr;
    QLabel* lblZaok = nullptr;
    QLabel* lblSazbaDPH = nullptr;
    TCurrencyEdit* curCena1 = nullptr;
    QLabel* lblCena1Typ = nullptr;
    QLabel* lblCena1Mena = nullptr;
    TCurrencyEdit* curCena2 = nullptr;
    QLabel* lblCena2Typ = nullptr;
    QLabel* lblCena2Mena = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    // Fills the window from the level row (mtSezCenHlad of the card) at the card's VAT rate.
    void Fill(const TDataSet& level, long double vatRate);
    // The second price from the first, as the rate and the level's rounding give it.
    void RecalcSecond();
    bool Fixed() const { return fixed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool fixed_ = false;
    bool firstWithVat_ = false;
    int decimals_ = 4;
    long double rate_ = 0;
};

// Shows the level row in the dialog; after OK a fixed level's typed price and its other variant are
// written back into the row. The dialog's modal result.
int EditLevelPrice(TDataSet& level, long double vatRate, QWidget* parent);

inline constexpr const char* kLevelPriceFixedOnly =
    "Manuální změnu ceny lze provádět pouze u fixních hladin!";
