#include "pricelist/KartaZasobyCena.h"

#include <vector>

#include "platform/data/DataText.h"
#include "platform/data/Field.h"
#include "platform/text/Rounding.h"
#include "pricelist/PriceRules.h"

namespace {

constexpr int kFixedSlots = 3;

QString Slot(const char* name, int slot) { return QString::fromLatin1(name) + QString::number(slot); }

long double Float(const TDataSet& row, const char* name) { return row.FieldByName(name)->AsFloat(); }
int Int(const TDataSet& row, const char* name) { return row.FieldByName(name)->AsInteger(); }
bool Bool(const TDataSet& row, const char* name) { return row.FieldByName(name)->AsBoolean(); }

// The choice boxes offer three roundings and two rules; a stored value they cannot show is read
// as the first choice, which is also what the rules make of it.
int ZaokChoice(int zaok) { return zaok >= ZaokNone && zaok <= ZaokTenths ? zaok : ZaokNone; }
TItemValueRule RuleChoice(int value) {
    return value == static_cast<int>(TItemValueRule::FixedRabat) ? TItemValueRule::FixedRabat
                                                                 : TItemValueRule::FixedMargin;
}

// The values a level row takes over from its rule.
void CopyRule(const TDataSet& rule, TDataSet& row) {
    for (const char* name : {"SDPH", "Hodnota", "TypHodnoty", "VychCena", "Zaok", "Prepocitat"})
        row.FieldByName(name)->SetValue(rule.FieldByName(name)->Value());
}

}  // namespace

long double FieldValue(long double value, int decimals) { return RoundHalfAway(value, decimals); }

TItemPriceCalc::TItemPriceCalc() {
    TFieldDefs& defs = mtSezCenHlad.FieldDefs();
    defs.Add("Zkratka", ftString, 10);
    defs.Add("PrCenaSDPH", ftFloat);
    defs.Add("PrCenaBDPH", ftFloat);
    defs.Add("SDPH", ftBoolean);
    defs.Add("Hodnota", ftFloat);
    defs.Add("TypHodnoty", ftInteger);
    defs.Add("VychCena", ftInteger);
    defs.Add("Zaok", ftInteger);
    defs.Add("Prepocitat", ftBoolean);
    defs.Add("Delete2", ftBoolean);
    mtSezCenHlad.CreateTable();
}

void TItemPriceCalc::Reset() {
    NakCena = ProdCena = PrCenaDruha = 0;
    SDPH = false;
    SazbaDPH = 0;
    Zaok = ZaokNone;
    Prepocitat = false;
    TypHodnoty = TItemValueRule::FixedMargin;
    Marze = Rabat = 0;
    Chyba = false;
    MarzeSkut = RabatSkut = 0;
    ClearGroup();
}

int TItemPriceCalc::Decimals() const { return ZaokDecimals(Zaok); }

long double TItemPriceCalc::NetBasePrice() const { return SDPH ? PrCenaDruha : ProdCena; }

void TItemPriceCalc::ApplySaleNet(long double net) {
    const auto d = static_cast<uint8_t>(Decimals());
    const long double gross = RoundPrice(1, d, CalcVat(false, VatKindGross, net, SazbaDPH));
    ProdCena = FieldValue(SDPH ? gross : net, kItemPriceDecimals);
    PrCenaDruha = FieldValue(SDPH ? net : gross, kItemPriceDecimals);
}

void TItemPriceCalc::RecalcFromFixedMargin(bool apply) {
    if (apply) {
        ApplySaleNet(RoundPrice(1, static_cast<uint8_t>(Decimals()), (Marze + 100) * NakCena / 100));
        return;
    }
    MarzeSkut = NakCena == 0 ? 0 : NetBasePrice() / NakCena * 100 - 100;
}

void TItemPriceCalc::RecalcFromFixedRabat(bool apply) {
    if (apply) {
        // A rabat of the whole price leaves nothing to scale the purchase price up to.
        const long double net = Rabat == 100 ? 0 : NakCena * 100 / (100 - Rabat);
        ApplySaleNet(RoundPrice(1, static_cast<uint8_t>(Decimals()), net));
        return;
    }
    const long double net = NetBasePrice();
    RabatSkut = net == 0 ? 0 : 100 - NakCena / net * 100;
}

void TItemPriceCalc::RefreshActual() {
    RecalcFromFixedMargin(false);
    RecalcFromFixedRabat(false);
}

void TItemPriceCalc::RecalcSecondBasePrice() {
    const auto d = static_cast<uint8_t>(Decimals());
    const long double second = SDPH ? CalcVat(true, VatKindNet, ProdCena, SazbaDPH)
                                    : CalcVat(false, VatKindGross, ProdCena, SazbaDPH);
    PrCenaDruha = FieldValue(RoundPrice(1, d, second), kItemPriceDecimals);
    if (TypHodnoty == TItemValueRule::FixedRabat)
        RecalcFromFixedRabat(false);
    else
        RecalcFromFixedMargin(false);
}

void TItemPriceCalc::RecalcItemPrices(int kind) {
    if (kind == kRecalcFromPurchase && Prepocitat) {
        if (TypHodnoty == TItemValueRule::FixedRabat)
            RecalcFromFixedRabat(true);
        else
            RecalcFromFixedMargin(true);
    } else if (kind == kRecalcSecondVariant) {
        RecalcSecondBasePrice();
    }
    RefreshActual();
    if (OnPricesChanged) OnPricesChanged();
}

void TItemPriceCalc::RecalcItemPriceLevels() {
    TMemTable& rows = mtSezCenHlad;
    if (rows.IsEmpty()) return;
    const int current = rows.RecNo();
    rows.DisableControls();
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int dr = ZaokDecimals(Int(rows, "Zaok"));
        long double net = Float(rows, "PrCenaBDPH");
        long double gross = Float(rows, "PrCenaSDPH");
        if (Bool(rows, "Prepocitat")) {
            const int typ = Int(rows, "TypHodnoty");
            const long double h = Float(rows, "Hodnota");
            switch (Int(rows, "VychCena")) {
                case VychCenaProdejni:
                    CalcRuleLevelPrice(typ, h, ProdCena, SDPH, dr, SazbaDPH, net, gross);
                    break;
                case VychCenaNakupni:
                    CalcRuleLevelPrice(typ, h, NakCena, false, dr, SazbaDPH, net, gross);
                    break;
                default:
                    // No card offers another start price; it prices at zero, as the level rules do.
                    net = gross = 0;
                    break;
            }
        } else if (Bool(rows, "SDPH")) {
            // A fixed level's price was typed in its own kind; only the other one follows the rate.
            net = RoundPrice(1, static_cast<uint8_t>(dr), CalcVat(true, VatKindNet, gross, SazbaDPH));
        } else {
            gross = RoundPrice(1, static_cast<uint8_t>(dr), CalcVat(false, VatKindGross, net, SazbaDPH));
        }
        rows.Edit();
        rows.FieldByName("PrCenaBDPH")->SetAsFloat(static_cast<double>(net));
        rows.FieldByName("PrCenaSDPH")->SetAsFloat(static_cast<double>(gross));
        rows.Post();
    }
    rows.SetRecNo(current);
    rows.EnableControls();
}

void TItemPriceCalc::LoadPrices(const TDataSet& item) {
    Chyba = Bool(item, "Chyba");
    Zaok = ZaokChoice(Int(item, "Zaok"));
    Prepocitat = Bool(item, "Prepocitat");
    SazbaDPH = Float(item, "SazbaDPH");
    SDPH = Bool(item, "SDPH");
    NakCena = FieldValue(Float(item, "NakCena"), kItemPriceDecimals);
    Marze = FieldValue(Float(item, "Marze"), kItemPercentDecimals);
    Rabat = FieldValue(Float(item, "Rabat"), kItemPercentDecimals);
    TypHodnoty = RuleChoice(Int(item, "TypHodnoty"));
    const long double gross = FieldValue(Float(item, "PrCenaSDPH"), kItemPriceDecimals);
    const long double net = FieldValue(Float(item, "PrCenaBDPH"), kItemPriceDecimals);
    ProdCena = SDPH ? gross : net;
    PrCenaDruha = SDPH ? net : gross;
}

void TItemPriceCalc::TakeGroupSettings(const TDataSet& group) {
    Prepocitat = Bool(group, "Prepocitat");
    TypHodnoty = RuleChoice(Int(group, "TypHodnoty"));
    Marze = FieldValue(Float(group, "Marze"), kItemPercentDecimals);
    Rabat = FieldValue(Float(group, "Rabat"), kItemPercentDecimals);
    SDPH = Bool(group, "SDPH");
    Zaok = ZaokChoice(Int(group, "Zaok"));
}

void TItemPriceCalc::ImposeGroupSettings(const TDataSet& group, const TDataSet& item) {
    TakeGroupSettings(group);
    // The stored variant of the group's kind becomes the entered price; the other is re-derived.
    const long double gross = FieldValue(Float(item, "PrCenaSDPH"), kItemPriceDecimals);
    const long double net = FieldValue(Float(item, "PrCenaBDPH"), kItemPriceDecimals);
    ProdCena = SDPH ? gross : net;
    PrCenaDruha = SDPH ? net : gross;
}

void TItemPriceCalc::BuildLevelRows(TDataSet& rules, const TDataSet& item) {
    mtSezCenHlad.EmptyTable();
    // The rules are copied first: pricing each level moves the rule table's cursor and filter.
    for (rules.First(); !rules.Eof(); rules.Next()) {
        mtSezCenHlad.Append();
        mtSezCenHlad.FieldByName("Zkratka")->SetAsString(rules.FieldByName("Zkratka")->AsString());
        CopyRule(rules, mtSezCenHlad);
        mtSezCenHlad.FieldByName("PrCenaSDPH")->SetAsFloat(0);
        mtSezCenHlad.FieldByName("PrCenaBDPH")->SetAsFloat(0);
        mtSezCenHlad.FieldByName("Delete2")->SetAsBoolean(false);
        mtSezCenHlad.Post();
    }
    const long double rate = Float(item, "SazbaDPH");
    for (mtSezCenHlad.First(); !mtSezCenHlad.Eof(); mtSezCenHlad.Next()) {
        long double net = 0;
        long double gross = 0;
        if (CalcLevelPrice(CenSkupinaId, mtSezCenHlad.FieldByName("Zkratka")->AsString(), SDPH, NakCena,
                           ProdCena, rate, item, net, gross) != 0)
            continue;
        mtSezCenHlad.Edit();
        mtSezCenHlad.FieldByName("PrCenaBDPH")->SetAsFloat(static_cast<double>(net));
        mtSezCenHlad.FieldByName("PrCenaSDPH")->SetAsFloat(static_cast<double>(gross));
        mtSezCenHlad.Post();
    }
    mtSezCenHlad.First();
}

void TItemPriceCalc::MergeLevelRows(TDataSet& rules) {
    TMemTable& rows = mtSezCenHlad;
    if (rules.IsEmpty()) {
        rows.EmptyTable();
        return;
    }
    for (rows.First(); !rows.Eof(); rows.Next()) {
        rows.Edit();
        rows.FieldByName("Delete2")->SetAsBoolean(true);
        rows.Post();
    }
    for (rules.First(); !rules.Eof(); rules.Next()) {
        const QString code = rules.FieldByName("Zkratka")->AsString();
        if (rows.Locate("Zkratka", code, loCaseInsensitive)) {
            rows.Edit();
        } else {
            rows.Append();
            rows.FieldByName("Zkratka")->SetAsString(code);
            rows.FieldByName("PrCenaSDPH")->SetAsFloat(0);
            rows.FieldByName("PrCenaBDPH")->SetAsFloat(0);
        }
        CopyRule(rules, rows);
        rows.FieldByName("Delete2")->SetAsBoolean(false);
        rows.Post();
    }
    rows.First();
    while (!rows.Eof()) {
        if (Bool(rows, "Delete2"))
            rows.Delete();
        else
            rows.Next();
    }
    rows.First();
}

void TItemPriceCalc::ClearGroup() {
    CenSkupina.clear();
    CenSkupinaId = 0;
    mtSezCenHlad.EmptyTable();
}

TParamValues TItemPriceCalc::PriceParams() {
    const long double gross = SDPH ? ProdCena : PrCenaDruha;
    const long double net = SDPH ? PrCenaDruha : ProdCena;
    TParamValues params = {
        {"NakCena", static_cast<double>(NakCena)},
        {"PrCenaSDPH", static_cast<double>(gross)},
        {"PrCenaBDPH", static_cast<double>(net)},
        {"SDPH", SDPH},
        {"SazbaDPH", static_cast<double>(SazbaDPH)},
        {"Nakladova", false},
        {"Zaok", Zaok},
        {"Marze", static_cast<double>(Marze)},
        {"Rabat", static_cast<double>(Rabat)},
        {"CenSkupina", CenSkupina},
        {"Prepocitat", Prepocitat},
        {"Chyba", false},
        {"TypHodnoty", static_cast<int>(TypHodnoty)},
    };

    // The fixed levels fill the slots from the first, in the order of the rows; every slot is
    // written, so an item whose group lost a fixed level (or the group) loses its stored price.
    struct TSlot {
        double gross = 0;
        double net = 0;
        bool sdph = false;
        QString code;
    };
    std::vector<TSlot> fixed(kFixedSlots);
    int filled = 0;
    TMemTable& rows = mtSezCenHlad;
    const int current = rows.RecNo();
    rows.DisableControls();
    for (rows.First(); !rows.Eof() && filled < kFixedSlots; rows.Next()) {
        if (Bool(rows, "Prepocitat")) continue;
        fixed[filled++] = {rows.FieldByName("PrCenaSDPH")->AsFloat(),
                           rows.FieldByName("PrCenaBDPH")->AsFloat(), Bool(rows, "SDPH"),
                           rows.FieldByName("Zkratka")->AsString()};
    }
    if (current > 0) rows.SetRecNo(current);
    rows.EnableControls();
    for (int i = 0; i < kFixedSlots; ++i) {
        params.push_back({Slot("PrCenaSDPH", i + 1), fixed[i].gross});
        params.push_back({Slot("PrCenaBDPH", i + 1), fixed[i].net});
        params.push_back({Slot("SDPH", i + 1), fixed[i].sdph});
        params.push_back({Slot("CenHlad", i + 1), fixed[i].code});
    }
    return params;
}

long double TItemPriceCalc::ProfitAtBase(long double n) const { return n * (NetBasePrice() - NakCena); }

long double TItemPriceCalc::ProfitAtLevel(long double n, long double levelNet) const {
    return n * (levelNet - NakCena);
}

// --- the steps without the level list

namespace {

// The columns TItemPriceRowReader reads, in the order of its fields.
const char* const kPriceRowColumns[] = {
    "Chyba",       "Zaok",        "Prepocitat",  "SazbaDPH",    "SDPH",        "NakCena",
    "Marze",       "Rabat",       "TypHodnoty",  "PrCenaSDPH",  "PrCenaBDPH",  "CenSkupina",
    "CenHlad1",    "CenHlad2",    "CenHlad3",    "PrCenaSDPH1", "PrCenaSDPH2", "PrCenaSDPH3",
    "PrCenaBDPH1", "PrCenaBDPH2", "PrCenaBDPH3", "ID"};
static_assert(std::size(kPriceRowColumns) == 22);

}  // namespace

TItemPriceRowReader::TItemPriceRowReader(const TDataSet& items) {
    for (size_t i = 0; i < std::size(kPriceRowColumns); ++i)
        fields_[i] = items.FieldByName(QString::fromLatin1(kPriceRowColumns[i]));
}

TItemPriceRow TItemPriceRowReader::Read() const {
    const TField* const* f = fields_;
    TItemPriceRow row;
    row.Chyba = f[0]->AsBoolean();
    row.Zaok = f[1]->AsInteger();
    row.Prepocitat = f[2]->AsBoolean();
    row.SazbaDPH = f[3]->AsFloat();
    row.SDPH = f[4]->AsBoolean();
    row.NakCena = f[5]->AsFloat();
    row.Marze = f[6]->AsFloat();
    row.Rabat = f[7]->AsFloat();
    row.TypHodnoty = f[8]->AsInteger();
    row.PrCenaSDPH = f[9]->AsFloat();
    row.PrCenaBDPH = f[10]->AsFloat();
    row.CenSkupina = f[11]->AsString();
    for (int i = 0; i < kFixedSlots; ++i) {
        row.CenHlad[i] = f[12 + i]->AsString();
        row.PrCenaSDPHSlot[i] = f[15 + i]->AsFloat();
        row.PrCenaBDPHSlot[i] = f[18 + i]->AsFloat();
    }
    return row;
}

TItemPriceRow ReadItemPriceRow(const TDataSet& item) { return TItemPriceRowReader(item).Read(); }

TPriceGroupRow ReadPriceGroupRow(const TDataSet& group) {
    TPriceGroupRow row;
    row.ID = Int(group, "ID");
    row.Zkratka = group.FieldByName("Zkratka")->AsString();
    row.Vlastni = Bool(group, "Vlastni");
    row.Prepocitat = Bool(group, "Prepocitat");
    row.TypHodnoty = Int(group, "TypHodnoty");
    row.Marze = group.FieldByName("Marze")->AsFloat();
    row.Rabat = group.FieldByName("Rabat")->AsFloat();
    row.SDPH = Bool(group, "SDPH");
    row.Zaok = Int(group, "Zaok");
    return row;
}

TItemLevel ReadLevelRule(const TDataSet& rules) {
    TItemLevel rule;
    rule.Zkratka = rules.FieldByName("Zkratka")->AsString();
    rule.SDPH = Bool(rules, "SDPH");
    rule.Hodnota = rules.FieldByName("Hodnota")->AsFloat();
    rule.TypHodnoty = Int(rules, "TypHodnoty");
    rule.VychCena = Int(rules, "VychCena");
    rule.Zaok = Int(rules, "Zaok");
    rule.Prepocitat = Bool(rules, "Prepocitat");
    return rule;
}

void TItemPriceCalc::LoadPrices(const TItemPriceRow& item) {
    Chyba = item.Chyba;
    Zaok = ZaokChoice(item.Zaok);
    Prepocitat = item.Prepocitat;
    SazbaDPH = item.SazbaDPH;
    SDPH = item.SDPH;
    NakCena = FieldValue(item.NakCena, kItemPriceDecimals);
    Marze = FieldValue(item.Marze, kItemPercentDecimals);
    Rabat = FieldValue(item.Rabat, kItemPercentDecimals);
    TypHodnoty = RuleChoice(item.TypHodnoty);
    const long double gross = FieldValue(item.PrCenaSDPH, kItemPriceDecimals);
    const long double net = FieldValue(item.PrCenaBDPH, kItemPriceDecimals);
    ProdCena = SDPH ? gross : net;
    PrCenaDruha = SDPH ? net : gross;
}

void TItemPriceCalc::ImposeGroupSettings(const TPriceGroupRow& group, const TItemPriceRow& item) {
    Prepocitat = group.Prepocitat;
    TypHodnoty = RuleChoice(group.TypHodnoty);
    Marze = FieldValue(group.Marze, kItemPercentDecimals);
    Rabat = FieldValue(group.Rabat, kItemPercentDecimals);
    SDPH = group.SDPH;
    Zaok = ZaokChoice(group.Zaok);
    const long double gross = FieldValue(item.PrCenaSDPH, kItemPriceDecimals);
    const long double net = FieldValue(item.PrCenaBDPH, kItemPriceDecimals);
    ProdCena = SDPH ? gross : net;
    PrCenaDruha = SDPH ? net : gross;
}

namespace {

// The item's slot of a fixed level, 1..3, or 0: FindFixedLevelSlot over the stored columns.
int FixedSlotOf(const QString& levelCode, const TItemPriceRow& item) {
    const QString wanted = levelCode.toUpper();
    for (int slot = 1; slot <= kFixedSlots; ++slot) {
        const QString& code = item.CenHlad[slot - 1];
        if (code.isEmpty()) return 0;
        if (code.toUpper() == wanted) return slot;
    }
    return 0;
}

}  // namespace

std::vector<TItemLevel> TItemPriceCalc::BuildLevels(const std::vector<TItemLevel>& rules,
                                                    const TItemPriceRow& item) const {
    std::vector<TItemLevel> levels = rules;
    const long double rate = item.SazbaDPH;
    for (TItemLevel& level : levels) {
        level.PrCenaSDPH = level.PrCenaBDPH = 0;
        // A level is priced by the first rule of its code, as the rule list finds it.
        if (level.Zkratka.isEmpty()) continue;
        const TItemLevel* rule = nullptr;
        for (const TItemLevel& r : rules)
            if (DataCompareText(r.Zkratka, level.Zkratka) == 0) {
                rule = &r;
                break;
            }
        if (!rule) continue;
        long double net = 0;
        long double gross = 0;
        if (!rule->Prepocitat) {
            const int slot = FixedSlotOf(level.Zkratka, item);
            if (slot > 0) {
                net = item.PrCenaBDPHSlot[slot - 1];
                gross = item.PrCenaSDPHSlot[slot - 1];
            }
        } else {
            const int decimals = ZaokDecimals(rule->Zaok);
            switch (rule->VychCena) {
                case VychCenaProdejni:
                    CalcRuleLevelPrice(rule->TypHodnoty, rule->Hodnota, ProdCena, SDPH, decimals, rate, net,
                                       gross);
                    break;
                case VychCenaNakupni:
                    CalcRuleLevelPrice(rule->TypHodnoty, rule->Hodnota, NakCena, false, decimals, rate, net,
                                       gross);
                    break;
                default:
                    break;
            }
        }
        level.PrCenaBDPH = static_cast<double>(net);
        level.PrCenaSDPH = static_cast<double>(gross);
    }
    return levels;
}

void TItemPriceCalc::RecalcItemPriceLevels(std::vector<TItemLevel>& levels) const {
    for (TItemLevel& level : levels) {
        const int dr = ZaokDecimals(level.Zaok);
        long double net = level.PrCenaBDPH;
        long double gross = level.PrCenaSDPH;
        if (level.Prepocitat) {
            switch (level.VychCena) {
                case VychCenaProdejni:
                    CalcRuleLevelPrice(level.TypHodnoty, level.Hodnota, ProdCena, SDPH, dr, SazbaDPH, net,
                                       gross);
                    break;
                case VychCenaNakupni:
                    CalcRuleLevelPrice(level.TypHodnoty, level.Hodnota, NakCena, false, dr, SazbaDPH, net,
                                       gross);
                    break;
                default:
                    net = gross = 0;
                    break;
            }
        } else if (level.SDPH) {
            net = RoundPrice(1, static_cast<uint8_t>(dr), CalcVat(true, VatKindNet, gross, SazbaDPH));
        } else {
            gross = RoundPrice(1, static_cast<uint8_t>(dr), CalcVat(false, VatKindGross, net, SazbaDPH));
        }
        level.PrCenaBDPH = static_cast<double>(net);
        level.PrCenaSDPH = static_cast<double>(gross);
    }
}

void TItemPriceCalc::FixedLevelSlots(const std::vector<TItemLevel>& levels, TFixedLevelSlot (&fixed)[3]) {
    for (TFixedLevelSlot& slot : fixed) slot = TFixedLevelSlot();
    int filled = 0;
    for (const TItemLevel& level : levels) {
        if (filled == kFixedSlots) break;
        if (level.Prepocitat) continue;
        fixed[filled++] = {level.PrCenaSDPH, level.PrCenaBDPH, level.SDPH, level.Zkratka};
    }
}
