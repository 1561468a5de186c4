#pragma once

#include <QString>

#include "platform/text/Currency.h"
#include "platform/ui/VnDialog.h"

class QComboBox;
class QLabel;
class QPushButton;
class TCurrencyEdit;

// The uniform discount of the offer card: the one discount that brings the marked items (all items
// when none is marked) to the total the user asks for, locked items kept as they are. The items
// round the discount and their prices themselves, so the result may miss the total slightly.

// The uniform discount: the discount in percent that makes the variable items worth rest out of
// variable, held at four decimals (ties to even, as the processor rounds).
long double UniformDiscount(Currency rest, Currency variable);

// The requested total of the uniform discount and its price type.
class TReCalcDiscount {
public:
    Currency Total;
    bool WithoutVat = true;
    // Shows the window; true on OK, with Total and WithoutVat taken from it.
    bool Execute();
};

class TfrmReCalcDiscount : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmReCalcDiscount(QWidget* parent = nullptr);

    TCurrencyEdit* curCelkem = nullptr;
    QComboBox* cbxTypCeny = nullptr;
    QLabel* lblMena = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
};

inline constexpr const char* kDiscountNoItems = "Přidejte nejprve do nabídky alespoň jednu položku.";
inline constexpr const char* kDiscountNothingToDiscount =
    "Výpočet není možné provést: součet cen položek (které mají být slevou ovlivněny) je nulový.";
inline constexpr const char* kDiscountBelowFixed =
    "Výpočet není možné provést: požadovaná cena je nižší, než součet cen z položek, které nemají být slevou "
    "ovlivněny (tzn. neoznačené nebo zamknuté položky).\r\rUpozornění: na všech položkách, které měly "
    "vstoupit "
    "do výpočtu byla předchozí sleva vynulována.";
inline constexpr const char* kReCalcDiscountCaption = "Výpočet slevy";
// The per-user setting that remembers the price type of the uniform discount.
inline constexpr int kDiscountWithoutVatSetting = 52;
