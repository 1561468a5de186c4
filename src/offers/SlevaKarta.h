#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TCurrencyEdit;

// The bulk price operations of the offer card: one discount, margin, rabat or VAT rate set on the
// marked items (all items when none is marked). Locked items, headings and texts are never touched,
// and every changed item is recalculated by the item card's own calculators, never here.

// Which item column a bulk change sets.
enum class TBulkKind : int { Discount = 1, Margin = 2, Rabat = 3, VatRate = 4 };
// How it is set: the value itself, the value added to the item's own, or zero.
enum class TBulkMode : int { Set = 1, Add = 2, Zero = 3 };

// The bulk dialog "Hromadné nastavení ...": the mode after OK, -1 after Storno. value always takes
// the dialog's number.
int ShowBulkPriceDialog(int kind, long double& value);
// Sets the column on the taken items and recalculates them: 0, or -1 when the user declined the
// warning of zeroing a margin or rabat.
int ApplyBulkPriceChange(int mode, int kind, long double value);

class TfrmSlevaKarta : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSlevaKarta(int kind, QWidget* parent = nullptr);

    QLabel* lblHodnota = nullptr;
    TCurrencyEdit* curHodnota = nullptr;
    QGroupBox* rgVolba = nullptr;
    QRadioButton* rbNastavit = nullptr;
    QRadioButton* rbPricist = nullptr;
    QRadioButton* rbVynulovat = nullptr;
    QPushButton* btnKalkulacka = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    // The chosen mode as the dialog's answer.
    TBulkMode Mode() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateValueState();
};

inline constexpr const char* kBulkRefusedHeading =
    "Upozornění: následující položky mají nulovou nákupní cenu - u těchto položek nebyla marže (resp. rabat) "
    "nastavena, protože výsledkem by byla nulová prodejní cena položky:";
inline constexpr const char* kZeroMarginQuestion =
    "Varování - vynulování marže způsobí nastavení prodejních cen na hodnoty cen nákupních. Pokračovat ?";
inline constexpr const char* kZeroRabatQuestion =
    "Varování - vynulování rabatu způsobí nastavení prodejních cen na hodnoty cen nákupních. Pokračovat ?";
