#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QLabel;
class QPushButton;
class TCurrencyEdit;

// The % calculator "Úprava ceny" of a purchase or sale price, and the calculator button that the
// offer windows share. Neither changes anything by itself: the caller takes the new price.

// Starts the desktop calculator; tells the user when there is none.
void RunCalculator();

// The new price by a percentage of discount (positive) or surcharge (negative), or the other
// way round. 1 when confirmed (newPrice written), 2 when cancelled or refused for a zero price.
int ShowPriceAdjustDialog(const QString& priceLabel, long double& newPrice, long double price);

class TfrmUpravaCeny : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmUpravaCeny(QWidget* parent = nullptr);

    QLabel* lblPuvodni = nullptr;
    TCurrencyEdit* curPuvodni = nullptr;
    TCurrencyEdit* curProcento = nullptr;
    TCurrencyEdit* curNova = nullptr;
    QLabel* lblSleva = nullptr;
    QLabel* lblPrirazka = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnKalkulacka = nullptr;

    void SetOldPrice(const QString& priceLabel, long double price);
    // The new price from the typed percentage, and the percentage from a typed new price.
    void PercentTyped();
    void NewPriceTyped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MarkDirection(long double percent);
};

inline constexpr const char* kZeroPriceAdjustText =
    "Chcete-li upravit cenu pomocí % kalkulačky, cena nesmí být nulová.";
inline constexpr const char* kCalculatorMissingText =
    "V systému není nainstalován žádný program kalkulačky (gnome-calculator, kcalc, galculator, mate-calc "
    "nebo xcalc).";
inline constexpr const char* kCalculatorFailedText = "Kalkulačku %1 se nepodařilo spustit.";
