#include "pricelist/PriceRules.h"

#include <cmath>
#include <memory>
#include <stdexcept>

#include "core/Informace.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/Rounding.h"

namespace {

const char* const kZaokTexts[] = {"nezaokrouhlovat", "na koruny", "na desetníky"};

}  // namespace

int ZaokDecimals(int zaok) {
    switch (zaok) {
        case ZaokCrowns:
            return 0;
        case ZaokTenths:
            return 1;
        default:
            return 4;
    }
}

QStringList ZaokTexts() {
    QStringList texts;
    for (const char* text : kZaokTexts) texts << QString::fromUtf8(text);
    return texts;
}

long double CalcVat(bool withVat, int kind, long double price, long double rate) {
    // The VAT share of a gross price is rounded to four decimals (21 % gives 0.1736), so a gross
    // price of 121 has a net price of 99.9944 and not 100; stored prices depend on it.
    long double coefficient = 0;
    if (rate != 0) coefficient = withVat ? RoundPrice(1, 4, rate / (rate + 100)) : rate / 100;

    const long double vat = price * coefficient;
    const long double net = withVat ? price - vat : price;
    const long double gross = withVat ? price : price + vat;
    switch (kind) {
        case VatKindNet:
            return net;
        case VatKindGross:
            return gross;
        case VatKindAmount:
            return vat;
        default:
            return 0;
    }
}

long double RoundPrice(uint8_t mode, uint8_t decimals, long double value) {
    if (mode == 0) return value;

    // The power is a 32-bit integer that wraps like the original's; only 0 to 4 decimals occur.
    uint32_t power = 1;
    for (int i = 0; i < decimals; ++i) power *= 10;
    const long double p = static_cast<int32_t>(power);

    const long double t = value * p;
    long double w = TruncWhole(t);
    const long double f = std::fabs(t - w);
    const long double away = value >= 0 ? 1 : -1;

    if (mode == 1) {
        // The fraction is first rounded to a tenth, through a double and an extended division by 0.1
        // with ties to even. That makes 0.45 and above count as a half (0.1 in extended precision is
        // slightly above a tenth, the double of 0.45 slightly above 0.45), so 0.45 rounds up while
        // 0.44 truncates. Prices rounded this way are stored, so the steps must stay as they are.
        const double fraction = static_cast<double>(f);
        const long double tenths = NearestWholeEven(fraction / 0.1L) * 0.1L;
        if (tenths >= 0.5L) w += away;
    } else if (mode == 2) {
        if (f > 1e-7L) w += away;
    }
    // A negative value that rounds to nothing would come back as a negative zero, which prints
    // with a minus sign; adding zero turns it into a plain zero without changing any other value.
    return w / p + 0.0L;
}

void CalcRuleLevelPrice(int typHodnoty, long double hodnota, long double startPrice, bool startWithVat,
                        int decimals, long double vatRate, long double& net, long double& gross) {
    const long double s = startPrice;
    const long double h = hodnota;
    long double q = 0;
    switch (typHodnoty) {
        case TypHodnotySleva:
            q = s - s * h / 100;
            break;
        case TypHodnotyMarze:
            q = (h + 100) * s / 100;
            break;
        case TypHodnotyRabat:
            // A rabat of the whole price has no price to scale up to; zero instead of a division by zero.
            q = h == 100 ? 0 : s * 100 / (100 - h);
            break;
        default:
            net = 0;
            gross = 0;
            return;
    }

    // The price of the start's own kind is rounded first and the other derived from the rounded one,
    // so the pair always agrees with what CalcVat gives for the displayed price.
    const auto d = static_cast<uint8_t>(decimals);
    if (startWithVat) {
        gross = RoundPrice(1, d, q);
        net = RoundPrice(1, d, CalcVat(true, VatKindNet, gross, vatRate));
    } else {
        net = RoundPrice(1, d, q);
        gross = RoundPrice(1, d, CalcVat(false, VatKindGross, net, vatRate));
    }
}

namespace {

TPriceRuleData g_data;

template <typename T>
T& Need(T* component) {
    if (!component) throw std::logic_error("price rules used before the main window handed over its data");
    return *component;
}

QString SlotField(const char* name, int slot) { return QString::fromLatin1(name) + QString::number(slot); }

}  // namespace

void SetPriceRuleData(const TPriceRuleData& data) { g_data = data; }

const TPriceRuleData& PriceRuleData() { return g_data; }

void CreatePriceRuleTables(TMemTable& mtCenSkupPol, TMemTable& mtCenSkup) {
    mtCenSkupPol.Close();
    TFieldDefs& rules = mtCenSkupPol.FieldDefs();
    rules.Clear();
    rules.Add("IDCenSkup", ftInteger);
    rules.Add("Hodnota", ftFloat);
    rules.Add("TypHodnoty", ftInteger);
    rules.Add("VychCena", ftInteger);
    rules.Add("Prevzato", ftBoolean);
    rules.Add("Zaok", ftInteger);
    rules.Add("Prepocitat", ftBoolean);
    rules.Add("SDPH", ftBoolean);
    rules.Add("Zkratka", ftString, 10);
    mtCenSkupPol.CreateTable();

    mtCenSkup.Close();
    TFieldDefs& groups = mtCenSkup.FieldDefs();
    groups.Clear();
    groups.Add("ID", ftInteger);
    groups.Add("Popis", ftString, 50);
    groups.Add("SDPH", ftBoolean);
    groups.Add("Prepocitat", ftBoolean);
    groups.Add("Zkratka", ftString, 10);
    groups.Add("Zaok", ftInteger);
    groups.Add("Vlastni", ftBoolean);
    groups.Add("TypHodnoty", ftInteger);
    groups.Add("Marze", ftFloat);
    groups.Add("Rabat", ftFloat);
    mtCenSkup.CreateTable();
}

int CalcLevelPrice(int groupId, const QString& levelCode, bool baseWithVat, long double purchasePrice,
                   long double basePrice, long double vatRate, const TDataSet& item, long double& net,
                   long double& gross) {
    if (levelCode.isEmpty()) return -1;
    TMemTable& rules = Need(g_data.mtCenSkupPol);
    // A card that has finished with the rules closes the table; pricing after that finds no rule
    // instead of failing on a closed table, and the caller falls back as for any missing rule.
    if (!rules.Active()) return -1;

    // The filter stays on the group afterwards: the cards walk the group's rules right after.
    FilterRulesToGroup(rules, groupId);
    if (!rules.Locate("Zkratka", levelCode, loCaseInsensitive)) return -1;

    long double levelNet = 0;
    long double levelGross = 0;
    if (!rules.FieldByName("Prepocitat")->AsBoolean()) {
        // A fixed level's prices are typed on the item; they are taken as stored.
        const int slot = FindFixedLevelSlot(levelCode, item);
        if (slot > 0) {
            levelNet = item.FieldByName(SlotField("PrCenaBDPH", slot))->AsFloat();
            levelGross = item.FieldByName(SlotField("PrCenaSDPH", slot))->AsFloat();
        }
    } else {
        const int decimals = ZaokDecimals(rules.FieldByName("Zaok")->AsInteger());
        const int typHodnoty = rules.FieldByName("TypHodnoty")->AsInteger();
        const long double hodnota = rules.FieldByName("Hodnota")->AsFloat();
        switch (rules.FieldByName("VychCena")->AsInteger()) {
            case VychCenaProdejni:
                CalcRuleLevelPrice(typHodnoty, hodnota, basePrice, baseWithVat, decimals, vatRate, levelNet,
                                   levelGross);
                break;
            case VychCenaNakupni:
                CalcRuleLevelPrice(typHodnoty, hodnota, purchasePrice, false, decimals, vatRate, levelNet,
                                   levelGross);
                break;
            default:
                // No card offers another start price; such a rule prices at zero, as an unknown kind does.
                break;
        }
    }
    net = levelNet;
    gross = levelGross;
    return 0;
}

void FilterRulesToGroup(TDataSet& rules, int groupId) {
    // The rules are only ever refilled through LoadPriceGroupRules, which drops the filter, so a
    // filter still standing on the group still shows exactly its rules.
    const QString filter = QStringLiteral("IDCenSkup = ") + QString::number(groupId);
    if (rules.Filtered() && rules.Filter() == filter) return;
    rules.SetFilter(filter);
    rules.SetFiltered(true);
}

int FindFixedLevelSlot(const QString& levelCode, const TDataSet& item) {
    const QString wanted = levelCode.toUpper();
    for (int slot = 1; slot <= 3; ++slot) {
        // Slots are filled from the first; an empty one ends the item's list of fixed levels.
        const QString code = item.FieldByName(SlotField("CenHlad", slot))->AsString();
        if (code.isEmpty()) return 0;
        if (code.toUpper() == wanted) return slot;
    }
    return 0;
}

namespace {

const char* const kFaultHeading = "Zjištěna nekonzistence v databázi:";
const char* const kFaultGroup = "Cenová skupina \"%1\"";
const char* const kFaultMissingLevel = "• cenová hladina \"%1\" neexistuje v seznamu cenových hladin";
const char* const kFaultTakenOver =
    "• cenová hladina \"%1\" - přebírá hodnoty z původní cen. hladiny, ale některý parametr neodpovídá";
const char* const kFaultFooter = "Nelze pokračovat, nejprve opravte cenovou skupinu!";

void Reopen(TADOQuery& query, const QString& sql) {
    query.Close();
    query.SetSQL(sql);
    query.Open();
}

void CopyFields(const TDataSet& from, TDataSet& to, std::initializer_list<const char*> names) {
    for (const char* name : names) to.FieldByName(name)->SetValue(from.FieldByName(name)->Value());
}

// Empties a memory table and drops any filter a previous user left on it.
void Restart(TMemTable& table) {
    table.Close();
    table.SetFilter(QString());
    table.SetFiltered(false);
    table.Open();
}

}  // namespace

void LoadPriceGroupRules(int groupId) {
    TMemTable& rules = Need(g_data.mtCenSkupPol);
    TADOQuery& query = Need(g_data.adqAgendaFree1);
    Restart(rules);

    // Within a group the rules come in the order they were written, so the slot a fixed level
    // takes on the item and the order of the level rows never depend on the engine.
    Reopen(query, groupId == 0 ? QStringLiteral("SELECT * FROM CenSkupPol ORDER BY IDCenSkup, ID")
                               : "SELECT * FROM CenSkupPol WHERE IDCenSkup = " + QString::number(groupId) +
                                     " ORDER BY ID");
    for (query.First(); !query.Eof(); query.Next()) {
        rules.Append();
        CopyFields(query, rules,
                   {"IDCenSkup", "Hodnota", "TypHodnoty", "VychCena", "Prevzato", "Zaok", "Prepocitat",
                    "SDPH", "Zkratka"});
        rules.Post();
    }
    query.Close();
}

void LoadPriceGroups() {
    TMemTable& groups = Need(g_data.mtCenSkup);
    TADOQuery& query = Need(g_data.adqAgendaFree1);
    Restart(groups);

    Reopen(query, "SELECT * FROM CenSkup ORDER BY Zkratka");
    for (query.First(); !query.Eof(); query.Next()) {
        groups.Append();
        CopyFields(query, groups,
                   {"ID", "Popis", "Marze", "SDPH", "Prepocitat", "Zkratka", "Zaok", "Vlastni", "TypHodnoty",
                    "Rabat"});
        groups.Post();
    }
    query.Close();
}

int FindPriceLevelId(const QString& code) {
    TADOQuery& levels = Need(g_data.adqCenHlad);
    Reopen(levels, "SELECT * FROM CenHlad");
    if (!levels.Locate("Zkratka", code, loCaseInsensitive)) return -1;
    return levels.FieldByName("ID")->AsInteger();
}

int FindPriceGroupId(const QString& code) {
    TADOQuery& groups = Need(g_data.adqCenSkup);
    Reopen(groups, "SELECT * FROM CenSkup");
    if (!groups.Locate("Zkratka", code, loCaseInsensitive)) return -1;
    return groups.FieldByName("ID")->AsInteger();
}

void GetPriceGroupAbbrev(int groupId, bool queryOpen, QString& code) {
    code.clear();
    TADOQuery& groups = Need(g_data.adqCenSkup);
    if (!queryOpen) Reopen(groups, "SELECT * FROM CenSkup");
    if (groups.Locate("ID", groupId)) code = groups.FieldByName("Zkratka")->AsString();
}

bool CheckPriceGroups() {
    TADOQuery& rules = Need(g_data.adqAgendaFree1);
    TADOQuery& levels = Need(g_data.adqCenHlad);
    TADOQuery& groups = Need(g_data.adqCenSkup);

    QStringList report = {QString::fromUtf8(kFaultHeading)};
    // Only the first fault is reported; reading the rules in the order they were written makes it
    // the same fault on every engine and every run.
    Reopen(rules, "SELECT * FROM CenSkupPol ORDER BY ID");
    if (rules.IsEmpty()) {
        rules.Close();
        return false;
    }
    Reopen(levels, "SELECT * FROM CenHlad");

    bool fault = false;
    for (rules.First(); !rules.Eof() && !fault; rules.Next()) {
        QString groupCode;
        GetPriceGroupAbbrev(rules.FieldByName("IDCenSkup")->AsInteger(), groups.Active(), groupCode);
        if (groupCode.isEmpty()) continue;  // the rule of a deleted group prices nothing

        const QString levelCode = rules.FieldByName("Zkratka")->AsString();
        // Codes are stored upper-cased by the cards, so a rule that differs from its level in letter
        // case has been written around them: it counts as a missing level here.
        if (!levels.Locate("Zkratka", levelCode)) {
            report << QString::fromUtf8(kFaultGroup).arg(groupCode)
                   << QString::fromUtf8(kFaultMissingLevel).arg(levelCode);
            fault = true;
        } else if (rules.FieldByName("Prevzato")->AsBoolean()) {
            const bool same =
                rules.FieldByName("Hodnota")->AsFloat() == levels.FieldByName("Hodnota")->AsFloat() &&
                rules.FieldByName("TypHodnoty")->AsInteger() ==
                    levels.FieldByName("TypHodnoty")->AsInteger() &&
                rules.FieldByName("VychCena")->AsInteger() == levels.FieldByName("VychCena")->AsInteger() &&
                rules.FieldByName("Zaok")->AsInteger() == levels.FieldByName("Zaok")->AsInteger() &&
                rules.FieldByName("Prepocitat")->AsBoolean() ==
                    levels.FieldByName("Prepocitat")->AsBoolean() &&
                rules.FieldByName("SDPH")->AsBoolean() == levels.FieldByName("SDPH")->AsBoolean();
            if (!same) {
                report << QString::fromUtf8(kFaultGroup).arg(groupCode)
                       << QString::fromUtf8(kFaultTakenOver).arg(levelCode);
                fault = true;
            }
        }
    }
    levels.Close();
    rules.Close();
    groups.Close();
    if (!fault) return false;

    report << QString() << QString::fromUtf8(kFaultFooter);
    // The window is made at start-up; a run without one (a tool, a test) still shows the list.
    std::unique_ptr<TfrmInformace> own;
    TfrmInformace* window = TfrmInformace::Instance();
    if (!window) {
        own = std::make_unique<TfrmInformace>();
        window = own.get();
    }
    window->Clear();
    for (const QString& line : report) window->AddLine(line);
    window->ShowModal();
    return true;
}
