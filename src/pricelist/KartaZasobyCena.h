#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "platform/data/MemTable.h"
#include "pricelist/PriceListUi.h"

class TDataSet;
class TField;

// The price model of one price-list item, as the item card holds it: the purchase price, the base
// sale price in the entered VAT kind and the other, the rule that may derive the sale price from
// the purchase price, and one row per price level of the item's price group. The card shows it and
// the silent recalculation of bulk runs drives it without a window, so both give the same numbers.
// It never reads or writes the database itself.

// The kind of the fixed rule that derives the base sale price (Zasoby.TypHodnoty).
enum class TItemValueRule : int { FixedMargin = 0, FixedRabat = 1 };

// The kinds of RecalcItemPrices.
inline constexpr int kRecalcFromPurchase = 1;
inline constexpr int kRecalcSecondVariant = 2;

// Decimals the card's number fields keep: prices four, percentages two. A value that passes
// through a field comes back rounded to them, so the model keeps it that way from the start.
inline constexpr int kItemPriceDecimals = 4;
inline constexpr int kItemPercentDecimals = 2;

// The stored price columns of an item that its recalculation reads, as the row's fields give them.
struct TItemPriceRow {
    bool Chyba = false;
    int Zaok = 0;
    bool Prepocitat = false;
    double SazbaDPH = 0;
    bool SDPH = false;
    double NakCena = 0;
    double Marze = 0;
    double Rabat = 0;
    int TypHodnoty = 0;
    double PrCenaSDPH = 0;
    double PrCenaBDPH = 0;
    QString CenSkupina;
    // The fixed-level slots 1..3.
    QString CenHlad[3];
    double PrCenaSDPHSlot[3] = {};
    double PrCenaBDPHSlot[3] = {};
};
TItemPriceRow ReadItemPriceRow(const TDataSet& item);

// Reads the price columns of the current row of one dataset, row after row: the fields are looked
// up once, not for every row.
class TItemPriceRowReader {
public:
    explicit TItemPriceRowReader(const TDataSet& items);
    TItemPriceRow Read() const;

private:
    const TField* fields_[22] = {};
};

// The settings of a price group that its items may have to take over.
struct TPriceGroupRow {
    int ID = 0;
    QString Zkratka;
    bool Vlastni = false;
    bool Prepocitat = false;
    int TypHodnoty = 0;
    double Marze = 0;
    double Rabat = 0;
    bool SDPH = false;
    int Zaok = 0;
};
TPriceGroupRow ReadPriceGroupRow(const TDataSet& group);

// A level rule of a price group, and the level row of an item priced by it (the values of a row
// of the card's level list, without the list).
struct TItemLevel {
    QString Zkratka;
    bool SDPH = false;
    double Hodnota = 0;
    int TypHodnoty = 0;
    int VychCena = 0;
    int Zaok = 0;
    bool Prepocitat = false;
    double PrCenaSDPH = 0;
    double PrCenaBDPH = 0;
};
TItemLevel ReadLevelRule(const TDataSet& rules);

// A fixed level as the item keeps it in one of its three slots.
struct TFixedLevelSlot {
    double PrCenaSDPH = 0;
    double PrCenaBDPH = 0;
    bool SDPH = false;
    QString CenHlad;
};

class TItemPriceCalc {
public:
    TItemPriceCalc();

    // --- the card's price values, as its fields give them back
    long double NakCena = 0;
    long double ProdCena = 0;     // the base sale price of the entered kind
    long double PrCenaDruha = 0;  // the other variant
    bool SDPH = false;            // the entered kind: true "s daní"
    long double SazbaDPH = 0;     // the VAT rate in %
    int Zaok = 0;
    bool Prepocitat = false;
    TItemValueRule TypHodnoty = TItemValueRule::FixedMargin;
    long double Marze = 0;
    long double Rabat = 0;
    bool Chyba = false;
    // The item's price group: its code and key; an empty code means none.
    QString CenSkupina;
    int CenSkupinaId = 0;

    // "Skutečnost": what the current prices make of the margin and the rabat; never stored.
    long double MarzeSkut = 0;
    long double RabatSkut = 0;

    // The level rows of the item's price group (mtSezCenHlad of the card).
    TMemTable mtSezCenHlad;

    // Runs after every RecalcItemPrices: the card refreshes its profit calculator from it.
    std::function<void()> OnPricesChanged;

    // Back to a fresh card: every price 0, "pevné marže", "nezaokrouhlovat", no group, no levels.
    void Reset();
    // The decimals of the card's rounding choice.
    int Decimals() const;
    // The base sale price without VAT, whichever kind was entered.
    long double NetBasePrice() const;

    void RecalcFromFixedMargin(bool apply);
    void RecalcFromFixedRabat(bool apply);
    void RecalcSecondBasePrice();
    void RecalcItemPrices(int kind);
    void RecalcItemPriceLevels();

    // The price columns of a stored item row (Chyba, Zaok, Prepocitat, SazbaDPH, SDPH, NakCena,
    // Marze, Rabat, TypHodnoty and the two base prices by SDPH).
    void LoadPrices(const TDataSet& item);
    // A price group whose items do not keep their own settings imposes them; the base prices are
    // then read from the row again by the group's VAT kind. group stands on the group's row.
    void ImposeGroupSettings(const TDataSet& group, const TDataSet& item);
    // The same when a group is picked on the card: the numbers stay where they are and only their
    // meaning changes with the kind.
    void TakeGroupSettings(const TDataSet& group);
    // One level row per rule of the group, in the rules' order, each priced from the stored item
    // through CalcLevelPrice. rules are the group's rules as the price rules keep them.
    void BuildLevelRows(TDataSet& rules, const TDataSet& item);
    // Puts the rules of a newly picked group over the level rows: a level the item already had
    // keeps its row (and a fixed one its prices), new levels start at 0, the rest go.
    void MergeLevelRows(TDataSet& rules);
    // Drops the group and its level rows.
    void ClearGroup();

    // --- the same steps without the level list, for bulk runs: no memory table is touched, and
    // the numbers are those the steps above give.
    void LoadPrices(const TItemPriceRow& item);
    void ImposeGroupSettings(const TPriceGroupRow& group, const TItemPriceRow& item);
    // The group's level rows priced from the stored item, as BuildLevelRows prices them.
    std::vector<TItemLevel> BuildLevels(const std::vector<TItemLevel>& rules,
                                        const TItemPriceRow& item) const;
    void RecalcItemPriceLevels(std::vector<TItemLevel>& levels) const;
    // The fixed levels in the item's slots, as PriceParams fills them.
    static void FixedLevelSlots(const std::vector<TItemLevel>& levels, TFixedLevelSlot (&fixed)[3]);

    // The price columns the card saves, fixed-level slots included, each named as its column.
    TParamValues PriceParams();

    // The profit of n units at the base sale price, and at the level row's price without VAT.
    long double ProfitAtBase(long double n) const;
    long double ProfitAtLevel(long double n, long double levelNet) const;

private:
    void RefreshActual();
    void ApplySaleNet(long double net);
};

// The card's rounding of a value into one of its number fields (half away from zero).
long double FieldValue(long double value, int decimals);
