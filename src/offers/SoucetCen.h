#pragma once

#include <QString>
#include <array>

#include "platform/ui/VnDialog.h"

class QComboBox;
class QLabel;
class QTableWidget;
class TfrmNabidky;

// "Součet": the count and the totals of the marked offers of the list (all listed offers when none
// is marked), overall and per offer state. It reads the list as it stands, filter and sort
// included, and changes nothing.

// Row 0 is every summed offer, rows 1 to 7 the states 0 to 6.
inline constexpr int kSumRows = 8;
struct TOfferSumRow {
    int Count = 0;
    long double CelkemBDPH = 0;
    long double Celkem = 0;
    long double Zisk = 0;
};
using TOfferSums = std::array<TOfferSumRow, kSumRows>;

// The sums of the list window's marked offers, or of every listed offer.
TOfferSums SumOffers(TfrmNabidky& list);

class TfrmSoucetCen : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSoucetCen(QWidget* parent = nullptr);

    QComboBox* cbxStav = nullptr;
    QTableWidget* strgrSumace = nullptr;
    QLabel* lblPocetCelkem = nullptr;
    QLabel* lblBDPHCelkem = nullptr;
    QLabel* lblSDPHCelkem = nullptr;
    QLabel* lblZiskCelkem = nullptr;
    QLabel* lblZiskTitle = nullptr;

    // Writes the sums into the hidden grid.
    void SetSums(const TOfferSums& sums);
    // The four cells of the chosen row into the labels.
    void ShowOfferSumRow();
    void ApplyPurchasePrices();
};

// Sums the list and shows the result; the window's modal result.
int SumOfferList(TfrmNabidky& list);

inline constexpr const char* kSumCaption = "Součet cen";
inline constexpr const char* kSumWorking = "Sumace seznamu dokladů...\n[čekejte prosím]";
inline constexpr const char* kAllOffersText = "všechny nabídky";
