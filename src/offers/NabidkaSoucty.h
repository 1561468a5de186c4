#pragma once

#include <QString>
#include <vector>

#include "offers/NabidkaData.h"
#include "platform/data/DataSet.h"
#include "platform/ui/VnDialog.h"

class QLabel;
class QPushButton;
class TCurrencyEdit;

// The totals of the offer open in the card: the VAT breakdown by the offer's own rates, the
// document totals, purchase total and profit, the discount, the subtotals under each heading item;
// the sums of the marked items; and the dialog that adopts the firm's current VAT rates. The sums
// are computed in full from the items every time and never rounded inside the walk.

// A value as a numeric field with that many decimals keeps it (rounded half away from zero on
// its decimal digits): every total and item value passes through such a field.
long double HeldValue(long double value, int decimals);

// The VAT class an item counts in. An item counts in exactly one class, the first of basic,
// reduced, zero and further reduced whose rate equals its own, so that two equal rates of an
// offer cannot count one item twice.
enum class TVatClass { None, Zero, Reduced, Basic, FurtherReduced };
TVatClass OfferVatClass(double itemRate, double basic, double reduced, double furtherReduced);

// Walks the items in their current order and computes the totals by the given rates; fills the
// heading subtotals when a table is given (emptied first). The items keep their current row.
TOfferTotals ComputeOfferTotals(TDataSet& items, double basic, double reduced, double furtherReduced,
                                int roundTotals, bool purchaseRight, TMemTable* subtotals);

// What the discount took off one item, without and with VAT: its line before the discount, to the
// nearest 1/10000, less its line total. An item without a discount has none, though its line total
// differs from its unrounded price by the rounding of the item's prices: a rounding remainder is no
// discount. The card's totals and the print data both count discounts by this.
struct TItemDiscount {
    long double Net = 0;
    long double Gross = 0;
};
TItemDiscount OfferItemDiscount(const TDataSet& item);

// The totals of the card's document by the offer-wide rates; tells the card through its hook.
void RecalcOfferTotals();

// The sums of the marked items: purchase, line totals without and with VAT, profit.
struct TMarkedItemSums {
    double NakCenaPol = 0;
    double PCBDPHPOL = 0;
    double PCSDPHPOL = 0;
    double ZiskPol = 0;
};
TMarkedItemSums SumMarkedOfferItems(TDataSet& items, const std::vector<TBookmark>& marks);
// The text of a marked sum in a grid footer.
QString MarkedSumFooterText(double value);

// Moves every price item from the rate of its class among the old offer rates to the firm's
// current rate of that class, once, and recalculates it; the offer takes the current rates.
void AdoptCurrentVatRates(TOfferDocument& document);

// The dialog "Sazby DPH": the offer's rates beside the firm's current ones.
class TfrmDPH : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmDPH(QWidget* parent = nullptr);

    TCurrencyEdit* curSnizDoklad = nullptr;
    TCurrencyEdit* curSnizGlobal = nullptr;
    TCurrencyEdit* curZaklDoklad = nullptr;
    TCurrencyEdit* curZaklGlobal = nullptr;
    TCurrencyEdit* curDalsiSnizDoklad = nullptr;
    TCurrencyEdit* curDalsiSnizGlobal = nullptr;
    QLabel* lblDalsiSniz = nullptr;
    QLabel* lblInfoText = nullptr;
    QPushButton* btnNastavit = nullptr;
    QPushButton* btnStorno = nullptr;

    // Fills the fields from the offer's and the firm's rates; shows the third row when either has one.
    void Fill();

private:
    std::vector<QWidget*> furtherRow_;
};

// Shows the dialog; true when it was cancelled, false when the current rates were adopted.
bool ChangeOfferVatRates();

inline constexpr const char* kUnknownVatRateText =
    "Varování: nalezena neexistující sazba DPH na položce dokladu, součet nemusí být korektní!";
inline constexpr const char* kVatRatesDifferText =
    "Upozornění: některá sazba DPH v této nabídce se liší od aktuální hodnoty v nastavení programu. "
    "Chcete-li přepočítat nabídku podle aktuálních hodnot, klepněte na [Nastavit aktuální].";
