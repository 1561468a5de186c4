#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>

class TADOQuery;
class TDataSet;
class TMemTable;

// Every amount of the price rules is an extended-precision number: prices stored by earlier
// versions were computed with a 64-bit mantissa, and the same inputs must give the same last digit.
static_assert(std::numeric_limits<long double>::digits == 64,
              "price arithmetic needs the 80-bit extended type (64-bit mantissa)");

// The rounding setting of an item, a price group, a price level and a level rule.
enum : int {
    ZaokNone = 0,    // "nezaokrouhlovat", four decimals
    ZaokCrowns = 1,  // "na koruny", whole units
    ZaokTenths = 2,  // "na desetníky", one decimal
};

// The decimals a rounding setting keeps; an unknown setting keeps four, as "nezaokrouhlovat" does.
int ZaokDecimals(int zaok);
// The choice-box texts, indexed by the setting's value.
QStringList ZaokTexts();

// Kinds of result of CalcVat.
enum : int {
    VatKindNet = 1,
    VatKindGross = 2,
    VatKindAmount = 3,
};

// Converts a price with or without VAT (withVat says which it is) into the price of the asked kind.
// rate is a percentage. The result is not rounded.
long double CalcVat(bool withVat, int kind, long double price, long double rate);

// Rounds value to decimals places. Mode 1 is the program's rounding, mode 0 leaves the value alone,
// mode 2 rounds every fraction above 1e-7 away from zero.
long double RoundPrice(uint8_t mode, uint8_t decimals, long double value);

// Kinds of a level rule's value (TypHodnoty) and its start price (VychCena).
enum : int {
    TypHodnotySleva = 0,
    TypHodnotyMarze = 1,
    TypHodnotyRabat = 2,
};
enum : int {
    VychCenaProdejni = 0,
    VychCenaNakupni = 1,
};

// The two prices of a recalculated level: the raw price is computed from the start price s by the
// rule's kind and value h, the price of the start's own VAT kind is rounded to decimals first, and the
// other is derived from that rounded price. An unknown kind gives two zero prices.
void CalcRuleLevelPrice(int typHodnoty, long double hodnota, long double startPrice, bool startWithVat,
                        int decimals, long double vatRate, long double& net, long double& gross);

// The main window's components that the price rules work on: the firm scratch query, the shared
// price-level and price-group list queries, and the memory tables of level rules and price groups.
// The main window owns them and hands them over when it is made.
struct TPriceRuleData {
    TADOQuery* adqAgendaFree1 = nullptr;
    TADOQuery* adqCenHlad = nullptr;
    TADOQuery* adqCenSkup = nullptr;
    TMemTable* mtCenSkupPol = nullptr;
    TMemTable* mtCenSkup = nullptr;
};
void SetPriceRuleData(const TPriceRuleData& data);
const TPriceRuleData& PriceRuleData();

// Gives the two memory tables their fields, in the order the rules and their callers expect.
void CreatePriceRuleTables(TMemTable& mtCenSkupPol, TMemTable& mtCenSkup);

// The price of an item at one price level, through the rule that the item's price group holds for
// it in mtCenSkupPol (loaded by LoadPriceGroupRules). 0 when a rule was found and the outputs are
// written; -1 when the code is empty or the group has no rule for the level, with the outputs
// untouched. item supplies the fixed-level slots of the price-list row.
int CalcLevelPrice(int groupId, const QString& levelCode, bool baseWithVat, long double purchasePrice,
                   long double basePrice, long double vatRate, const TDataSet& item, long double& net,
                   long double& gross);
// Filters the level rules to one group. A table already filtered so is left as it is: a bulk run
// prices every level of every item through the same few groups.
void FilterRulesToGroup(TDataSet& rules, int groupId);
// The fixed-level slot 1..3 of the item that carries the level, 0 when none does.
int FindFixedLevelSlot(const QString& levelCode, const TDataSet& item);

// Fills mtCenSkupPol with the rules of one group, or of every group when groupId is 0.
void LoadPriceGroupRules(int groupId);
// Fills mtCenSkup with every price group, ordered by code.
void LoadPriceGroups();

// The ID of the price level or price group of a code, -1 when there is none. The list query stays
// open on the found row.
int FindPriceLevelId(const QString& code);
int FindPriceGroupId(const QString& code);
// The code of a price group, empty when there is no such group. With queryOpen the list query is
// searched as it stands, else it is reopened on every group first.
void GetPriceGroupAbbrev(int groupId, bool queryOpen, QString& code);

// Checks that every level rule names an existing price level and that a rule taken over from its
// level still matches it. true ("stop") after the first fault has been shown in the information
// window; false when all is consistent.
bool CheckPriceGroups();
