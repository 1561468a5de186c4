#include "offers/PolozkaNab.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <iterator>

#include "core/CommonUtils.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "core/Working.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaSoucty.h"
#include "offers/UpravaCeny.h"
#include "platform/data/Field.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/PriceRules.h"

namespace {

constexpr int kItemValueDecimals[] = {4, 4, 4, 4, 2, 2, 2, 4, 4, 4, 2, 2, 2, 2, 2};
static_assert(std::size(kItemValueDecimals) == static_cast<size_t>(TItemValue::Count));

constexpr const char* kMoneyFormat = ",0.00;-,0.00";
constexpr int kMaxOrder = 999999999;
constexpr long double kMinQuantity = 0.0001L;

// The caption colour of the line totals on an ordinary item ($804000: blue 128, green 64).
const QColor kLineCaptionColor(0x00, 0x40, 0x80);

}  // namespace

int OfferItemDecimals(int zaok) { return ZaokDecimals(zaok); }

int ItemValueDecimals(TItemValue which) { return kItemValueDecimals[static_cast<size_t>(which)]; }

// --- calculators

TOfferItemCalc::TOfferItemCalc() { Set(TItemValue::PocetMJ, 1); }

void TOfferItemCalc::Set(TItemValue which, long double value) {
    long double held = HeldValue(value, ItemValueDecimals(which));
    if (which == TItemValue::PocetMJ && held < kMinQuantity) held = kMinQuantity;
    values_[static_cast<size_t>(which)] = held;
}

long double TOfferItemCalc::Rate() const {
    if (VatIndex < 0 || VatIndex >= VatRates.size()) return 0;
    return NumberOfText(VatRates[VatIndex], 15).value_or(0);
}

long double TOfferItemCalc::NetOfSalePrice() const {
    const long double price = Get(TItemValue::ProdCena);
    return WithVat ? RoundPrice(1, static_cast<uint8_t>(D()), CalcVat(true, VatKindNet, price, Rate()))
                   : price;
}

void TOfferItemCalc::RecalcDiscount() {
    const auto d = static_cast<uint8_t>(D());
    const long double r = Rate();
    const long double p = Get(TItemValue::ProdCena);
    const long double discount = p * Get(TItemValue::Sleva) / 100;
    Set(TItemValue::ProdCenaPo, RoundPrice(1, d, p - discount));
    const long double after = Get(TItemValue::ProdCenaPo);
    long double net, gross;
    if (WithVat) {
        gross = after;
        net = RoundPrice(1, d, CalcVat(true, VatKindNet, gross, r));
    } else {
        net = after;
        gross = RoundPrice(1, d, CalcVat(false, VatKindGross, net, r));
    }
    const long double unitVat = RoundPrice(1, 4, gross - net);
    const long double purchase = Get(TItemValue::NakCena);
    const long double quantity = Get(TItemValue::PocetMJ);
    Set(TItemValue::ZiskMJ, RoundPrice(1, 2, net - purchase));
    Set(TItemValue::ZiskPol, RoundPrice(1, 2, quantity * net - quantity * purchase));
    Set(TItemValue::PCBDPHMJ, net);
    Set(TItemValue::VyseDPHMJ, unitVat);
    Set(TItemValue::PCSDPHMJ, gross);
    Set(TItemValue::PCBDPHPOL, RoundPrice(1, d, quantity * net));
    Set(TItemValue::PCSDPHPOL, RoundPrice(1, d, quantity * gross));
    Set(TItemValue::VyseDPHPol, Get(TItemValue::PCSDPHPOL) - Get(TItemValue::PCBDPHPOL));
}

void TOfferItemCalc::RecalcMargin(bool forward) {
    const auto d = static_cast<uint8_t>(D());
    const long double n = Get(TItemValue::NakCena);
    if (forward) {
        const long double net = RoundPrice(1, d, (Get(TItemValue::Marze) + 100) * n / 100);
        Set(TItemValue::ProdCena,
            WithVat ? RoundPrice(1, d, CalcVat(false, VatKindGross, net, Rate())) : net);
    } else {
        const long double net = NetOfSalePrice();
        Set(TItemValue::Marze, n == 0 ? 0 : net / n * 100 - 100);
    }
}

void TOfferItemCalc::RecalcRabat(bool forward) {
    const auto d = static_cast<uint8_t>(D());
    const long double n = Get(TItemValue::NakCena);
    if (forward) {
        const long double r = Get(TItemValue::Rabat);
        const long double net = r == 100 ? 0 : RoundPrice(1, d, n * 100 / (100 - r));
        Set(TItemValue::ProdCena,
            WithVat ? RoundPrice(1, d, CalcVat(false, VatKindGross, net, Rate())) : net);
    } else {
        const long double net = NetOfSalePrice();
        Set(TItemValue::Rabat, net == 0 ? 0 : 100 - n / net * 100);
    }
}

// --- the rate list

QString VatRateText(double rate) { return FloatToStr(rate); }

QStringList OfferItemVatRates(const double* ownRate) {
    QStringList rates{VatRateText(0), VatRateText(OfferRateBasic), VatRateText(OfferRateReduced)};
    if (OfferRateFurtherReduced != 0) rates << VatRateText(OfferRateFurtherReduced);
    if (VatBasicRate != OfferRateBasic) rates << VatRateText(VatBasicRate);
    if (VatReducedRate != OfferRateReduced) rates << VatRateText(VatReducedRate);
    if (VatFurtherReducedRate != OfferRateFurtherReduced) rates << VatRateText(VatFurtherReducedRate);
    if (ownRate && *ownRate != 0 && *ownRate != OfferRateBasic && *ownRate != OfferRateReduced &&
        *ownRate != OfferRateFurtherReduced)
        rates << VatRateText(*ownRate);
    return rates;
}

int OfferItemVatRateIndex(const QStringList& rates, double rate) {
    const int index = static_cast<int>(rates.indexOf(VatRateText(rate)));
    return index < 0 ? 0 : index;
}

// --- the editor

TOfferItemEditor::TOfferItemEditor() {
    TFieldDefs& d = mtCenHlad.FieldDefs();
    d.Add("Zkratka", ftString, 10);
    d.Add("CenaBDPH", ftFloat);
    d.Add("CenaSDPH", ftFloat);
    d.Add("Zaok", ftInteger);
    d.Add("SDPH", ftBoolean);
    d.Add("Existuje", ftBoolean);
    mtCenHlad.CreateTable();
}

QString TOfferItemEditor::SelectedLevelCode() const {
    return LevelIndex > 0 && LevelIndex < LevelEntries.size() ? LevelEntries[LevelIndex] : QString();
}

void TOfferItemEditor::ApplyPriceLevel() {
    if (mtCenHlad.IsEmpty()) return;
    mtCenHlad.SetRecNo(LevelIndex + 1);
    const bool withVat = mtCenHlad.FieldByName("SDPH")->AsBoolean();
    const double price = mtCenHlad.FieldByName(withVat ? "CenaSDPH" : "CenaBDPH")->AsFloat();
    Calc.Zaok = mtCenHlad.FieldByName("Zaok")->AsInteger();
    Calc.WithVat = withVat;
    Calc.Set(TItemValue::ProdCena, price);
    LevelMissing = !mtCenHlad.FieldByName("Existuje")->AsBoolean();
    Calc.RecalcMargin(false);
    Calc.RecalcRabat(false);
    Calc.RecalcDiscount();
}

TOfferItemEditor& OfferItemEditor() {
    static TOfferItemEditor editor;
    return editor;
}

TOfferItemHooks& OfferItemHooks() {
    static TOfferItemHooks hooks;
    return hooks;
}

namespace {

void AppendLevel(TMemTable& levels, const QString& code, double net, double gross, int zaok, bool withVat,
                 bool exists) {
    levels.Append();
    levels.FieldByName("Zkratka")->SetAsString(code);
    levels.FieldByName("CenaBDPH")->SetAsFloat(net);
    levels.FieldByName("CenaSDPH")->SetAsFloat(gross);
    levels.FieldByName("Zaok")->SetAsInteger(zaok);
    levels.FieldByName("SDPH")->SetAsBoolean(withVat);
    levels.FieldByName("Existuje")->SetAsBoolean(exists);
    levels.Post();
}

// The combo entries of the level table: the base entry, then the codes of rows 2, 3, ...
void FillLevelEntries(TOfferItemEditor& e) {
    e.LevelEntries = QStringList{QString::fromUtf8(kBaseLevelText)};
    for (e.mtCenHlad.First(); !e.mtCenHlad.Eof(); e.mtCenHlad.Next())
        if (e.mtCenHlad.RecNo() > 1) e.LevelEntries << e.mtCenHlad.FieldByName("Zkratka")->AsString();
    e.LevelIndex = 0;
}

// The entry of a level code, compared without regard to letter case; -1 when none.
int LevelEntryOf(const TOfferItemEditor& e, const QString& code) {
    for (int i = 1; i < e.LevelEntries.size(); ++i)
        if (e.LevelEntries[i].compare(code, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// The stored level of an item: selected when the price list still gives it, else kept with the
// item's own price as a level that no longer exists.
void SelectStoredLevel(TOfferItemEditor& e, const QString& code, double price, int zaok, bool withVat) {
    if (code.isEmpty()) return;
    const int found = LevelEntryOf(e, code);
    if (found >= 0) {
        e.LevelIndex = found;
        return;
    }
    e.mtCenHlad.Last();
    AppendLevel(e.mtCenHlad, code, price, price, zaok, withVat, false);
    e.LevelEntries << code;
    e.LevelIndex = static_cast<int>(e.LevelEntries.size()) - 1;
    e.LevelMissing = true;
}

void ResetEditor(TOfferItemEditor& e, bool fromPriceList) {
    TOfferItemCalc& c = e.Calc;
    c.VatRates = OfferItemVatRates(nullptr);
    int position = static_cast<int>(DefaultVatRate);
    // Without a further reduced rate on the offer, that position would name another rate.
    if (DefaultVatRate == TDefaultVatRate::FurtherReduced && OfferRateFurtherReduced == 0) position = 0;
    c.VatIndex = position < c.VatRates.size() ? position : 0;
    c.WithVat = DefaultPriceType == TDefaultPriceType::WithVat;
    c.Zaok = ZaokNone;
    e.Popis.clear();
    e.Katalog.clear();
    e.BarCode.clear();
    e.Poznamka.clear();
    e.MJ.clear();
    e.PLU.clear();
    e.Zkratka.clear();
    e.Identif.clear();
    e.Obrazek.clear();
    for (TItemValue v : {TItemValue::NakCena, TItemValue::ProdCena, TItemValue::ProdCenaPo, TItemValue::Sleva,
                         TItemValue::Marze, TItemValue::Rabat})
        c.Set(v, 0);
    c.Set(TItemValue::PocetMJ, 1);
    e.CisloKarty = e.CisloSkladu = e.CisloSkup = 0;
    e.mtCenHlad.Close();
    e.mtCenHlad.Open();
    e.LevelEntries = QStringList{QString::fromUtf8(kBaseLevelText)};
    e.LevelIndex = 0;
    e.LevelMissing = false;
    e.Nakladova = false;
    e.IgnorHr = false;
    e.FromPriceList = fromPriceList;
}

void FillFromRow(TOfferItemEditor& e, const TDataSet& row) {
    auto text = [&](const char* name) { return row.FieldByName(name)->AsString(); };
    auto number = [&](const char* name) {
        return static_cast<long double>(row.FieldByName(name)->AsFloat());
    };
    TOfferItemCalc& c = e.Calc;
    e.Popis = text("Popis");
    e.Katalog = text("Katalog");
    e.BarCode = text("BarCode");
    e.Poznamka = text("Poznamka");
    e.CisloSkladu = row.FieldByName("CisloSkladu")->AsInteger();
    e.CisloSkup = row.FieldByName("CisloSkup")->AsInteger();
    e.CisloKarty = row.FieldByName("CisloKarty")->AsInteger();
    c.Set(TItemValue::NakCena, number("NakCena"));
    c.Set(TItemValue::ProdCena, number("ProdCena"));
    c.Set(TItemValue::ProdCenaPo, number("ProdCenaPo"));
    c.Zaok = row.FieldByName("Zaok")->AsInteger();
    c.WithVat = row.FieldByName("SDPH")->AsBoolean();
    const double rate = row.FieldByName("SazbaDPH")->AsFloat();
    c.VatRates = OfferItemVatRates(&rate);
    c.VatIndex = OfferItemVatRateIndex(c.VatRates, rate);
    c.Set(TItemValue::Sleva, number("Sleva"));
    c.Set(TItemValue::PocetMJ, number("PocetMJ"));
    e.MJ = text("MJ");
    e.PLU = text("PLU");
    e.Zkratka = text("Zkratka");
    e.Identif = text("Identif");
    e.Poradi = row.FieldByName("Poradi")->AsInteger();
    e.Nakladova = row.FieldByName("Nakladova")->AsBoolean();
    e.IgnorHr = row.FieldByName("IgnorHr")->AsBoolean();
    c.Set(TItemValue::Marze, number("Marze"));
    c.Set(TItemValue::Rabat, number("Rabat"));
}

// The price levels of the item's price-list row, or, when that row has gone, only the item's own
// stored level: never the levels of the item shown before.
void LoadLevelsOfStoredItem(TOfferItemEditor& e, const TDataSet& row) {
    ShowWorking(true, QString::fromUtf8(kLoadingPriceListItemText));
    TADOQuery& q = frmMain->adqAgendaFree2;
    q.Close();
    q.SetSQL(QStringLiteral("SELECT * FROM Zasoby WHERE ID = %1").arg(e.CisloKarty));
    q.Open();
    const double price = row.FieldByName("ProdCena")->AsFloat();
    const int zaok = row.FieldByName("Zaok")->AsInteger();
    const bool withVat = row.FieldByName("SDPH")->AsBoolean();
    if (!q.IsEmpty()) {
        e.Obrazek = q.FieldByName("Obrazek")->AsString();
        LoadOfferItemPriceLevels(q, q.FieldByName("CenSkupina")->AsString());
    } else {
        AppendLevel(e.mtCenHlad, QString(), price, price, zaok, withVat, true);
    }
    FillLevelEntries(e);
    SelectStoredLevel(e, row.FieldByName("CenHladina")->AsString(), price, zaok, withVat);
    q.Close();
    ShowWorking(false);
}

void FillFromPriceList(TOfferItemEditor& e, const TDataSet& item, const QString& offerLevel) {
    auto text = [&](const char* name) { return item.FieldByName(name)->AsString(); };
    TOfferItemCalc& c = e.Calc;
    e.Popis = text("Popis");
    e.Katalog = text("Katalog");
    e.BarCode = text("BarCode");
    e.Poznamka = text("Poznamka");
    e.CisloSkladu = item.FieldByName("Sklad")->AsInteger();
    e.CisloSkup = item.FieldByName("Skupina")->AsInteger();
    e.CisloKarty = item.FieldByName("ID")->AsInteger();
    c.Set(TItemValue::NakCena, item.FieldByName("NakCena")->AsFloat());
    e.Obrazek = text("Obrazek");
    const double rate = item.FieldByName("SazbaDPH")->AsFloat();
    c.VatRates = OfferItemVatRates(&rate);
    c.VatIndex = OfferItemVatRateIndex(c.VatRates, rate);
    e.MJ = text("TextMJ");
    e.Nakladova = item.FieldByName("Nakladova")->AsBoolean();
    if (e.Nakladova) e.IgnorHr = true;
    e.PLU = text("PLU");
    e.Zkratka = text("Zkratka");
    e.Identif = text("Identif");
    c.Zaok = item.FieldByName("Zaok")->AsInteger();
    LoadOfferItemPriceLevels(item, text("CenSkupina"));
    FillLevelEntries(e);
    if (!offerLevel.isEmpty()) {
        const int found = LevelEntryOf(e, offerLevel);
        if (found >= 0) e.LevelIndex = found;
    }
    e.ApplyPriceLevel();
}

void WriteBack(TOfferItemEditor& e, TOfferDocument& doc, bool isNew, bool cardShown) {
    doc.Modified = true;
    if (cardShown) OfferRoundTotals = RoundOfferTotal;
    TMemTable& items = doc.mtTmpPolozky;
    const TOfferItemCalc& c = e.Calc;
    const bool indexed = items.IndexesActive();
    // In the natural order, so that raising an order does not move the row under the walk.
    items.SetIndexesActive(false);
    if (isNew) {
        // The new item takes its order from the current one: the items from there on move down
        // one place, so the order stays unique.
        const TBookmark current = items.IsEmpty() ? TBookmark() : items.GetBookmark();
        items.DisableControls();
        for (items.First(); !items.Eof(); items.Next()) {
            const int order = items.FieldByName("Poradi")->AsInteger();
            if (order >= e.Poradi) {
                items.Edit();
                items.FieldByName("Poradi")->SetAsInteger(order + 1);
                items.Post();
            }
        }
        if (!current.isEmpty()) items.GotoBookmark(current);
        items.EnableControls();
    }
    if (isNew)
        items.Append();
    else
        items.Edit();
    auto set = [&](const char* name, const QVariant& value) { items.FieldByName(name)->SetValue(value); };
    auto num = [&](const char* name, TItemValue v) { set(name, static_cast<double>(c.Get(v))); };
    set("Popis", e.Popis);
    set("Katalog", e.Katalog);
    set("BarCode", e.BarCode);
    set("Poznamka", e.Poznamka);
    set("Zaok", c.Zaok);
    set("CisloKarty", e.CisloKarty);
    set("CisloSkladu", e.CisloSkladu);
    set("CisloSkup", e.CisloSkup);
    num("Marze", TItemValue::Marze);
    num("Rabat", TItemValue::Rabat);
    num("NakCena", TItemValue::NakCena);
    set("NakCenaPol", static_cast<double>(c.Get(TItemValue::PocetMJ) * c.Get(TItemValue::NakCena)));
    num("ProdCena", TItemValue::ProdCena);
    set("SDPH", c.WithVat);
    set("SazbaDPH", static_cast<double>(c.Rate()));
    num("Sleva", TItemValue::Sleva);
    num("PocetMJ", TItemValue::PocetMJ);
    set("MJ", e.MJ);
    num("PCSDPHMJ", TItemValue::PCSDPHMJ);
    num("PCBDPHMJ", TItemValue::PCBDPHMJ);
    num("PCSDPHPOL", TItemValue::PCSDPHPOL);
    num("PCBDPHPOL", TItemValue::PCBDPHPOL);
    num("ZiskMJ", TItemValue::ZiskMJ);
    num("ZiskPol", TItemValue::ZiskPol);
    num("ProdCenaPo", TItemValue::ProdCenaPo);
    num("VyseDPHMJ", TItemValue::VyseDPHMJ);
    num("VyseDPHPol", TItemValue::VyseDPHPol);
    set("Poradi", e.Poradi);
    set("Nakladova", e.Nakladova);
    set("Nadpisova", false);
    set("Textova", false);
    set("IgnorHr", e.IgnorHr);
    set("PLU", e.PLU);
    set("Zkratka", e.Zkratka);
    set("Identif", e.Identif);
    // A price-list item added without the card keeps its level as the card would write it.
    if (cardShown || (isNew && e.FromPriceList)) set("CenHladina", e.SelectedLevelCode());
    if (isNew) set("LockID", kNotStored);
    items.Post();
    items.SetIndexesActive(indexed);
    RecalcOfferTotals();
}

}  // namespace

int LoadOfferItemPriceLevels(const TDataSet& item, const QString& priceGroupCode) {
    TMemTable& levels = OfferItemEditor().mtCenHlad;
    levels.Close();
    levels.Open();
    const bool baseWithVat = item.FieldByName("SDPH")->AsBoolean();
    const double baseNet = item.FieldByName("PrCenaBDPH")->AsFloat();
    const double baseGross = item.FieldByName("PrCenaSDPH")->AsFloat();
    AppendLevel(levels, QString(), baseNet, baseGross, item.FieldByName("Zaok")->AsInteger(), baseWithVat,
                true);
    if (priceGroupCode.isEmpty()) return 0;
    const int groupId = FindPriceGroupId(priceGroupCode);
    if (PriceRuleData().adqCenSkup) PriceRuleData().adqCenSkup->Close();
    if (groupId == -1) return 0;
    LoadPriceGroupRules(groupId);
    TMemTable& rules = *PriceRuleData().mtCenSkupPol;
    if (rules.IsEmpty()) {
        rules.Close();
        return 0;
    }
    const long double purchase = item.FieldByName("NakCena")->AsFloat();
    const long double rate = item.FieldByName("SazbaDPH")->AsFloat();
    const long double base = baseWithVat ? baseGross : baseNet;
    for (rules.First(); !rules.Eof(); rules.Next()) {
        long double net = 0, gross = 0;
        const QString code = rules.FieldByName("Zkratka")->AsString();
        CalcLevelPrice(groupId, code, baseWithVat, purchase, base, rate, item, net, gross);
        AppendLevel(levels, code, static_cast<double>(net), static_cast<double>(gross),
                    rules.FieldByName("Zaok")->AsInteger(), rules.FieldByName("SDPH")->AsBoolean(), true);
    }
    rules.Close();
    return 0;
}

void ApplyOfferItemPriceLevel() { OfferItemEditor().ApplyPriceLevel(); }
void RecalcOfferItemDiscount() { OfferItemEditor().Calc.RecalcDiscount(); }
void RecalcOfferItemMargin(bool forward) { OfferItemEditor().Calc.RecalcMargin(forward); }
void RecalcOfferItemRabat(bool forward) { OfferItemEditor().Calc.RecalcRabat(forward); }

int EditOfferItem(bool isNew, bool fromPriceList, bool showCard, bool isCopy, int batchKind) {
    TOfferItemEditor& e = OfferItemEditor();
    TOfferDocument& doc = OfferCardData();
    TMemTable& items = doc.mtTmpPolozky;
    ResetEditor(e, fromPriceList);
    if (!isNew || isCopy) {
        FillFromRow(e, items);
        if (fromPriceList) LoadLevelsOfStoredItem(e, items);
    }
    if (isCopy) isNew = true;
    if (isNew) {
        doc.SuppressMarkSums = true;
        e.Poradi = items.IsEmpty() ? 1 : items.FieldByName("Poradi")->AsInteger() + 1;
    }
    e.FocusQuantity = isNew && fromPriceList;
    if (isNew && fromPriceList && !isCopy)
        FillFromPriceList(e, frmMain->adqZasoby, doc.EffectivePriceLevel());

    bool write = true;
    if (showCard) {
        TfrmPolozkaNab* card = OfferItemCard();
        card->setWindowTitle(QString::fromUtf8(kItemCaption) +
                             (fromPriceList ? QString::fromUtf8(kFromPriceListCaption) : QString()));
        card->FromEditor();
        write = card->exec() == QDialog::Accepted;
        if (write) card->ToEditor();
    } else {
        TOfferItemCalc& c = e.Calc;
        if (batchKind == 2) {
            c.RecalcMargin(true);
            c.RecalcRabat(false);
        } else if (batchKind == 3) {
            c.RecalcRabat(true);
            c.RecalcMargin(false);
        } else {
            c.RecalcRabat(false);
            c.RecalcMargin(false);
        }
        c.RecalcDiscount();
    }
    if (write) WriteBack(e, doc, isNew, showCard);
    if (OfferItemHooks().UpdateOfferItemButtons) OfferItemHooks().UpdateOfferItemButtons();
    if (OfferItemHooks().RenumberOfferItems) OfferItemHooks().RenumberOfferItems();
    doc.SuppressMarkSums = false;
    return 0;
}

// --- the window

TfrmPolozkaNab* OfferItemCard() {
    static QPointer<TfrmPolozkaNab> card;
    if (!card) card = new TfrmPolozkaNab(frmMain);
    return card;
}

TfrmPolozkaNab::TfrmPolozkaNab(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmPolozkaNab");
    setWindowTitle(QString::fromUtf8(kItemCaption));
    BuildWindow();
}

void TfrmPolozkaNab::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    auto line = [this](const char* name, int length) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMaxLength(length);
        return edit;
    };
    auto money = [this](const char* name, int decimals, bool readOnly = false) {
        auto* edit = new TCurrencyEdit(this);
        edit->setObjectName(name);
        edit->SetDecimalPlaces(decimals);
        edit->SetDisplayFormat(decimals == 4 ? ",0.0000;-,0.0000" : kMoneyFormat);
        edit->setReadOnly(readOnly);
        edit->installEventFilter(this);
        return edit;
    };

    auto* texts = new QFormLayout;
    layout->addLayout(texts);
    edtPopis = line("edtPopis", 50);
    texts->addRow(QString::fromUtf8("Popis položky"), edtPopis);
    auto* codes = new QHBoxLayout;
    edtKatalog = line("edtKatalog", 20);
    edtBarCode = line("edtBarCode", 20);
    edtPLU = line("edtPLU", 6);
    edtZkratka = line("edtZkratka", 20);
    codes->addWidget(edtKatalog);
    codes->addWidget(new QLabel(QString::fromUtf8("Čárový kód"), this));
    codes->addWidget(edtBarCode);
    codes->addWidget(new QLabel("PLU", this));
    codes->addWidget(edtPLU);
    codes->addWidget(new QLabel(QString::fromUtf8("Zkratka"), this));
    codes->addWidget(edtZkratka);
    texts->addRow("Katalog", codes);
    auto* identif = new QHBoxLayout;
    edtIdentif = line("edtIdentif", 255);
    edtIdentif->setReadOnly(true);
    btnIdentif = new QPushButton("...", this);
    btnIdentif->setObjectName("btnIdentif");
    identif->addWidget(edtIdentif);
    identif->addWidget(btnIdentif);
    texts->addRow(QString::fromUtf8("Identifikátory"), identif);

    pgcStranky = new QStackedWidget(this);
    pgcStranky->setObjectName("pgcStranky");
    layout->addWidget(pgcStranky);
    auto* prices = new QWidget(pgcStranky);
    prices->setObjectName("tsCeny");
    pgcStranky->addWidget(prices);
    auto* picture = new QWidget(pgcStranky);
    picture->setObjectName("tsObrazek");
    pgcStranky->addWidget(picture);
    auto* pictureLayout = new QVBoxLayout(picture);
    imgObrazek = new QLabel(picture);
    imgObrazek->setObjectName("imgObrazek");
    lblObrazekInfo = new QLabel(picture);
    lblObrazekInfo->setObjectName("lblObrazekInfo");
    pictureLayout->addWidget(imgObrazek, 1);
    pictureLayout->addWidget(lblObrazekInfo);

    auto* grid = new QGridLayout(prices);
    curNakCena = money("curNakCena", 4);
    curProdCena = money("curProdCena", 4);
    curProdCenaPoSleve = money("curProdCenaPoSleve", 4, true);
    curPocetMj = money("curPocetMj", 4);
    curSleva = money("curSleva", 2);
    curMarze = money("curMarze", 2);
    curRabat = money("curRabat", 2);
    curZiskZaMj = money("curZiskZaMj", 2, true);
    curZiskZaPol = money("curZiskZaPol", 2, true);
    // Hidden holders of the unit and line prices; the summary box shows their texts.
    curPCBDPHMJ = money("curPCBDPHMJ", 4, true);
    curPCSDPHMJ = money("curPCSDPHMJ", 4, true);
    curVyseDPHMj = money("curVyseDPHMj", 4, true);
    curPCBDPHPOL = money("curPCBDPHPOL", 2, true);
    curPCSDPHPOL = money("curPCSDPHPOL", 2, true);
    curVyseDPHPol = money("curVyseDPHPol", 2, true);
    for (TCurrencyEdit* hidden :
         {curPCBDPHMJ, curPCSDPHMJ, curVyseDPHMj, curPCBDPHPOL, curPCSDPHPOL, curVyseDPHPol})
        hidden->hide();
    cbxZaokrouhleni = new QComboBox(this);
    cbxZaokrouhleni->setObjectName("cbxZaokrouhleni");
    cbxZaokrouhleni->addItems(ZaokTexts());
    cbxTypCeny = new QComboBox(this);
    cbxTypCeny->setObjectName("cbxTypCeny");
    cbxTypCeny->addItems({QString::fromUtf8("bez daně"), QString::fromUtf8("s daní")});
    cbxSazbaDPH = new QComboBox(this);
    cbxSazbaDPH->setObjectName("cbxSazbaDPH");
    cbxCenHlad = new QComboBox(this);
    cbxCenHlad->setObjectName("cbxCenHlad");
    lblCHNeexistuje = new QLabel("[neexistuje]", this);
    lblCHNeexistuje->setObjectName("lblCHNeexistuje");
    lblSleva = new QLabel("Sleva v %", this);
    lblSleva->setObjectName("lblSleva");
    lblSleva->setAutoFillBackground(true);
    btnUpravaNC = new QPushButton("%", this);
    btnUpravaNC->setObjectName("btnUpravaNC");
    btnUpravaNC->setToolTip(QString::fromUtf8("Úprava nákupní ceny pomocí % kalkulačky"));
    btnUpravaPC = new QPushButton("%", this);
    btnUpravaPC->setObjectName("btnUpravaPC");
    btnUpravaPC->setToolTip(QString::fromUtf8("Úprava prodejní ceny pomocí % kalkulačky"));

    int r = 0;
    auto add = [&](const QString& caption, QWidget* w, QWidget* extra = nullptr, bool money = false) {
        grid->addWidget(new QLabel(caption, prices), r, 0);
        grid->addWidget(w, r, 1);
        if (extra) grid->addWidget(extra, r, 2);
        if (money) {
            auto* currency = new QLabel(prices);
            currency->setObjectName(QStringLiteral("lblMena%1").arg(currencyLabels_.size() + 1));
            currencyLabels_.push_back(currency);
            grid->addWidget(currency, r, 3);
        }
        ++r;
    };
    add(QString::fromUtf8("Cenová hladina"), cbxCenHlad, lblCHNeexistuje);
    add("Typ ceny", cbxTypCeny);
    add("DPH %", cbxSazbaDPH);
    add(QString::fromUtf8("Zaokrouhlení při výpočtu"), cbxZaokrouhleni);
    add(QString::fromUtf8("Nákupní cena"), curNakCena, btnUpravaNC, true);
    add(QString::fromUtf8("Marže v %"), curMarze);
    add("Rabat v %", curRabat);
    add("Prodejní cena", curProdCena, btnUpravaPC, true);
    grid->addWidget(lblSleva, r, 0);
    grid->addWidget(curSleva, r++, 1);
    add(QString::fromUtf8("Výsledná prod. cena"), curProdCenaPoSleve, nullptr, true);
    edtTextMj = line("edtTextMj", 10);
    add(QString::fromUtf8("Počet m.j."), curPocetMj, edtTextMj);
    add(QString::fromUtf8("Zisk za m.j."), curZiskZaMj, nullptr, true);
    add(QString::fromUtf8("Zisk za položku"), curZiskZaPol, nullptr, true);

    auto* summary = new QGroupBox("Ceny - souhrn", prices);
    summary->setObjectName("gbSouhrn");
    auto* sg = new QGridLayout(summary);
    auto cell = [summary](const char* name) {
        auto* label = new QLabel(summary);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    lblSouhrnBDPHMJ = cell("lblSouhrnBDPHMJ");
    lblSouhrnSDPHMJ = cell("lblSouhrnSDPHMJ");
    lblSouhrnBDPHPOL = cell("lblSouhrnBDPHPOL");
    lblSouhrnSDPHPOL = cell("lblSouhrnSDPHPOL");
    sg->addWidget(new QLabel("Bez DPH", summary), 0, 1);
    sg->addWidget(new QLabel(QString::fromUtf8("Včetně DPH"), summary), 0, 2);
    sg->addWidget(new QLabel("Za m.j.", summary), 1, 0);
    sg->addWidget(lblSouhrnBDPHMJ, 1, 1);
    sg->addWidget(lblSouhrnSDPHMJ, 1, 2);
    auto* lineCaption = new QLabel(QString::fromUtf8(" Za položku"), summary);
    lineCaption->setObjectName("lblZaPolozku");
    lineCaption->setAutoFillBackground(true);
    sg->addWidget(lineCaption, 2, 0);
    sg->addWidget(lblSouhrnBDPHPOL, 2, 1);
    sg->addWidget(lblSouhrnSDPHPOL, 2, 2);
    grid->addWidget(summary, 0, 4, r, 1);

    auto* flags = new QHBoxLayout;
    layout->addLayout(flags);
    chckNakladPol = new QCheckBox(QString::fromUtf8("položka ovlivňuje cenu dokladu, ale netiskne se"), this);
    chckNakladPol->setObjectName("chckNakladPol");
    chckIgnorovatHr = new QCheckBox("ignorovat (zamknout)", this);
    chckIgnorovatHr->setObjectName("chckIgnorovatHr");
    chckIgnorovatHr->setAutoFillBackground(true);
    lblRedLabel = new QLabel(this);
    lblRedLabel->setObjectName("lblRedLabel");
    lblRedLabel->setFixedWidth(8);
    lblRedLabel->setStyleSheet("background: red");
    flags->addWidget(lblRedLabel);
    flags->addWidget(chckNakladPol);
    flags->addWidget(new QLabel(QString::fromUtf8("Hromadné cenové operace"), this));
    flags->addWidget(chckIgnorovatHr);
    edtPoradi = new QSpinBox(this);
    edtPoradi->setObjectName("edtPoradi");
    edtPoradi->setRange(1, kMaxOrder);
    flags->addWidget(new QLabel(QString::fromUtf8("Pořadí při tisku"), this));
    flags->addWidget(edtPoradi);
    edtObrazek = line("edtObrazek", 30);
    edtObrazek->setReadOnly(true);
    flags->addWidget(edtObrazek);

    auto* noteRow = new QFormLayout;
    layout->addLayout(noteRow);
    memPoznamka = new QPlainTextEdit(this);
    memPoznamka->setObjectName("memPoznamka");
    memPoznamka->setMaximumHeight(60);
    noteRow->addRow(QString::fromUtf8("Poznámka"), memPoznamka);

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    btnObrazek = new QPushButton(QString::fromUtf8("Obrázek (F2)"), this);
    btnObrazek->setObjectName("btnObrazek");
    btnKalkulacka = new QPushButton(QString::fromUtf8("Kalkulačka"), this);
    btnKalkulacka->setObjectName("btnKalkulacka");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnStorno = new QPushButton("Storno", this);
    btnStorno->setObjectName("btnStorno");
    buttons->addWidget(btnObrazek);
    buttons->addWidget(btnKalkulacka);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnStorno);

    connect(btnOK, &QPushButton::clicked, this, &TfrmPolozkaNab::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnKalkulacka, &QPushButton::clicked, this, [] { RunCalculator(); });
    connect(btnObrazek, &QPushButton::clicked, this, &TfrmPolozkaNab::TogglePicture);
    connect(btnUpravaNC, &QPushButton::clicked, this,
            [this] { AdjustPrice(TItemValue::NakCena, QString::fromUtf8("nákupní cena")); });
    connect(btnUpravaPC, &QPushButton::clicked, this,
            [this] { AdjustPrice(TItemValue::ProdCena, QString::fromUtf8("prodejní cena")); });
    connect(btnIdentif, &QPushButton::clicked, this, [this] {
        QString newText;
        if (EditIdentifierList(edtIdentif->text(), newText, true) == 1) edtIdentif->setText(newText);
    });
    const std::pair<TCurrencyEdit*, TItemValue> typed[] = {
        {curNakCena, TItemValue::NakCena}, {curProdCena, TItemValue::ProdCena},
        {curPocetMj, TItemValue::PocetMJ}, {curSleva, TItemValue::Sleva},
        {curMarze, TItemValue::Marze},     {curRabat, TItemValue::Rabat}};
    for (const auto& [edit, which] : typed) {
        const TItemValue value = which;
        connect(edit, &QLineEdit::textEdited, this, [this, value] { ValueTyped(value); });
    }
    for (QComboBox* choice : {cbxZaokrouhleni, cbxTypCeny, cbxSazbaDPH})
        connect(choice, qOverload<int>(&QComboBox::activated), this, &TfrmPolozkaNab::ChoiceChanged);
    connect(cbxCenHlad, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        ToEditor();
        OfferItemEditor().LevelIndex = index;
        OfferItemEditor().ApplyPriceLevel();
        ShowValues();
    });
    connect(chckNakladPol, &QCheckBox::toggled, this, [this](bool on) {
        if (on && !filling_) chckIgnorovatHr->setChecked(true);
        ApplyCostLook();
    });
    connect(chckIgnorovatHr, &QCheckBox::toggled, this, &TfrmPolozkaNab::ApplyCostLook);

    const std::pair<int, TCurrencyEdit*> focusKeys[] = {
        {Qt::Key_F5, curMarze},   {Qt::Key_F6, curRabat},     {Qt::Key_F7, curSleva},
        {Qt::Key_F9, curNakCena}, {Qt::Key_F11, curProdCena}, {Qt::Key_F12, curPocetMj}};
    for (const auto& [key, edit] : focusKeys) {
        TCurrencyEdit* target = edit;
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, target,
                [target] { target->setFocus(); });
    }
    connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, this, [this] {
        if (btnObrazek->isVisible()) TogglePicture();
    });
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, btnIdentif,
            &QPushButton::click);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic("pgNovaPol.htm"); });
    AddPurchasePriceAction(this, [this] {
        for (QWidget* w :
             std::initializer_list<QWidget*>{curNakCena, curMarze, curRabat, curZiskZaMj, curZiskZaPol})
            w->setVisible(ShowPurchasePrices);
    });
    memPoznamka->installEventFilter(this);
}

void TfrmPolozkaNab::FromEditor() {
    const TOfferItemEditor& e = OfferItemEditor();
    filling_ = true;
    edtPopis->setText(e.Popis);
    edtKatalog->setText(e.Katalog);
    edtBarCode->setText(e.BarCode);
    // Memo text keeps CR LF; the edit wants one line break per line.
    memPoznamka->setPlainText(QString(e.Poznamka).replace("\r\n", "\n"));
    edtTextMj->setText(e.MJ);
    edtPLU->setText(e.PLU);
    edtZkratka->setText(e.Zkratka);
    edtIdentif->setText(e.Identif);
    edtObrazek->setText(e.Obrazek);
    edtPoradi->setValue(e.Poradi);
    chckNakladPol->setChecked(e.Nakladova);
    chckIgnorovatHr->setChecked(e.IgnorHr);
    cbxCenHlad->clear();
    cbxCenHlad->addItems(e.LevelEntries);
    cbxCenHlad->setCurrentIndex(e.LevelIndex);
    cbxCenHlad->setEnabled(e.FromPriceList);
    btnObrazek->setVisible(e.FromPriceList);
    btnObrazek->setText(QString::fromUtf8("Obrázek (F2)"));
    pgcStranky->setCurrentIndex(0);
    filling_ = false;
    ShowValues();
}

void TfrmPolozkaNab::ToEditor() {
    TOfferItemEditor& e = OfferItemEditor();
    TOfferItemCalc& c = e.Calc;
    e.Popis = edtPopis->text();
    e.Katalog = edtKatalog->text();
    e.BarCode = edtBarCode->text();
    e.Poznamka = memPoznamka->toPlainText().replace("\n", "\r\n");
    e.MJ = edtTextMj->text();
    e.PLU = edtPLU->text();
    e.Zkratka = edtZkratka->text();
    e.Identif = edtIdentif->text();
    e.Poradi = edtPoradi->value();
    e.Nakladova = chckNakladPol->isChecked();
    e.IgnorHr = chckIgnorovatHr->isChecked();
    e.LevelIndex = qMax(0, cbxCenHlad->currentIndex());
    c.Zaok = qMax(0, cbxZaokrouhleni->currentIndex());
    c.WithVat = cbxTypCeny->currentIndex() == 1;
    c.VatIndex = cbxSazbaDPH->currentIndex();
    c.Set(TItemValue::NakCena, curNakCena->Value());
    c.Set(TItemValue::ProdCena, curProdCena->Value());
    c.Set(TItemValue::PocetMJ, curPocetMj->Value());
    c.Set(TItemValue::Sleva, curSleva->Value());
    c.Set(TItemValue::Marze, curMarze->Value());
    c.Set(TItemValue::Rabat, curRabat->Value());
}

void TfrmPolozkaNab::ShowValues() {
    const TOfferItemEditor& e = OfferItemEditor();
    const TOfferItemCalc& c = e.Calc;
    filling_ = true;
    cbxZaokrouhleni->setCurrentIndex(c.Zaok);
    cbxTypCeny->setCurrentIndex(c.WithVat ? 1 : 0);
    if (cbxSazbaDPH->count() != c.VatRates.size() || [&] {
            for (int i = 0; i < c.VatRates.size(); ++i)
                if (cbxSazbaDPH->itemText(i) != c.VatRates[i]) return true;
            return false;
        }()) {
        cbxSazbaDPH->clear();
        cbxSazbaDPH->addItems(c.VatRates);
    }
    cbxSazbaDPH->setCurrentIndex(c.VatIndex);
    cbxCenHlad->setCurrentIndex(e.LevelIndex);
    lblCHNeexistuje->setVisible(e.LevelMissing);
    const std::pair<TCurrencyEdit*, TItemValue> fields[] = {{curNakCena, TItemValue::NakCena},
                                                            {curProdCena, TItemValue::ProdCena},
                                                            {curProdCenaPoSleve, TItemValue::ProdCenaPo},
                                                            {curPocetMj, TItemValue::PocetMJ},
                                                            {curSleva, TItemValue::Sleva},
                                                            {curMarze, TItemValue::Marze},
                                                            {curRabat, TItemValue::Rabat},
                                                            {curPCBDPHMJ, TItemValue::PCBDPHMJ},
                                                            {curPCSDPHMJ, TItemValue::PCSDPHMJ},
                                                            {curVyseDPHMj, TItemValue::VyseDPHMJ},
                                                            {curPCBDPHPOL, TItemValue::PCBDPHPOL},
                                                            {curPCSDPHPOL, TItemValue::PCSDPHPOL},
                                                            {curVyseDPHPol, TItemValue::VyseDPHPol},
                                                            {curZiskZaMj, TItemValue::ZiskMJ},
                                                            {curZiskZaPol, TItemValue::ZiskPol}};
    for (const auto& [edit, which] : fields)
        // The field being typed in keeps the user's text.
        if (!(edit->hasFocus() && edit->isModified())) edit->SetValue(c.Get(which));
    lblSouhrnBDPHMJ->setText(curPCBDPHMJ->text());
    lblSouhrnSDPHMJ->setText(curPCSDPHMJ->text());
    lblSouhrnBDPHPOL->setText(curPCBDPHPOL->text());
    lblSouhrnSDPHPOL->setText(curPCSDPHPOL->text());
    const long double profit = c.Get(TItemValue::ZiskPol);
    const QString profitStyle = profit == 0  ? QString("color: navy")
                                : profit > 0 ? QString("background: green; color: white")
                                             : QString("background: maroon; color: white");
    curZiskZaMj->setStyleSheet(profitStyle);
    curZiskZaPol->setStyleSheet(profitStyle);
    lblSleva->setStyleSheet(c.Get(TItemValue::Sleva) != 0 ? "background: blue; color: white" : QString());
    filling_ = false;
}

void TfrmPolozkaNab::ValueTyped(TItemValue which) {
    if (filling_) return;
    ToEditor();
    TOfferItemCalc& c = OfferItemEditor().Calc;
    if (which == TItemValue::Marze) {
        c.RecalcMargin(true);
        c.RecalcRabat(false);
    } else if (which == TItemValue::Rabat) {
        c.RecalcRabat(true);
        c.RecalcMargin(false);
    } else {
        c.RecalcMargin(false);
        c.RecalcRabat(false);
    }
    c.RecalcDiscount();
    ShowValues();
}

void TfrmPolozkaNab::ChoiceChanged() { ValueTyped(TItemValue::ProdCena); }

void TfrmPolozkaNab::ApplyCostLook() {
    const bool cost = chckNakladPol->isChecked();
    chckNakladPol->setStyleSheet(cost ? "color: red" : QString());
    lblRedLabel->setVisible(cost);
    edtPoradi->setEnabled(!cost);
    const QColor caption = cost ? QColor(Qt::red) : kLineCaptionColor;
    for (QLabel* label : {lblSouhrnBDPHPOL, lblSouhrnSDPHPOL, findChild<QLabel*>("lblZaPolozku")}) {
        if (!label) continue;
        label->setAutoFillBackground(true);
        QPalette p = label->palette();
        p.setColor(QPalette::Window, caption);
        p.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(p);
    }
    QPalette locked = chckIgnorovatHr->palette();
    const bool on = chckIgnorovatHr->isChecked();
    locked.setColor(QPalette::Window, on ? QColor(Qt::black) : palette().color(QPalette::Button));
    locked.setColor(QPalette::WindowText, on ? QColor(Qt::white) : palette().color(QPalette::WindowText));
    chckIgnorovatHr->setPalette(locked);
}

void TfrmPolozkaNab::AdjustPrice(TItemValue which, const QString& label) {
    ToEditor();
    TOfferItemCalc& c = OfferItemEditor().Calc;
    long double newPrice = 0;
    if (ShowPriceAdjustDialog(label, newPrice, c.Get(which)) != 1) return;
    c.Set(which, newPrice);
    c.RecalcMargin(false);
    c.RecalcRabat(false);
    c.RecalcDiscount();
    ShowValues();
}

void TfrmPolozkaNab::btnOKClick() {
    if (edtPopis->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kEmptyItemDescriptionText));
        edtPopis->setFocus();
        return;
    }
    accept();
}

void TfrmPolozkaNab::TogglePicture() {
    if (pgcStranky->currentIndex() == 0) {
        pgcStranky->setCurrentIndex(1);
        btnObrazek->setText(QString::fromUtf8("Zpět (F2)"));
        imgObrazek->clear();
        lblObrazekInfo->clear();
        if (!edtObrazek->text().isEmpty()) {
            const QString path = PictureFolder + edtObrazek->text();
            if (!QFileInfo::exists(path))
                lblObrazekInfo->setText(QString::fromUtf8(kPictureMissingText));
            else
                imgObrazek->setPixmap(QPixmap(path));
        }
    } else {
        pgcStranky->setCurrentIndex(0);
        btnObrazek->setText(QString::fromUtf8("Obrázek (F2)"));
    }
}

void TfrmPolozkaNab::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    for (QLabel* currency : currencyLabels_) currency->setText(CurrencySymbol);
    ToEditor();
    OfferItemEditor().Calc.RecalcDiscount();
    ShowValues();
    ApplyCostLook();
    for (QWidget* w :
         std::initializer_list<QWidget*>{curNakCena, curMarze, curRabat, curZiskZaMj, curZiskZaPol})
        w->setVisible(ShowPurchasePrices);
    if (OfferItemEditor().FocusQuantity)
        curPocetMj->setFocus();
    else
        edtPopis->setFocus();
}

bool TfrmPolozkaNab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == memPoznamka && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            memPoznamka->insertPlainText("\n");
            return true;
        }
        // Up and Down step the typed values by one, and the change runs as if typed.
        const std::pair<TCurrencyEdit*, TItemValue> stepped[] = {
            {curNakCena, TItemValue::NakCena}, {curProdCena, TItemValue::ProdCena},
            {curPocetMj, TItemValue::PocetMJ}, {curSleva, TItemValue::Sleva},
            {curMarze, TItemValue::Marze},     {curRabat, TItemValue::Rabat}};
        for (const auto& [edit, which] : stepped) {
            if (watched != edit || (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)) continue;
            edit->SetValue(edit->Value() + (key->key() == Qt::Key_Up ? 1 : -1));
            ValueTyped(which);
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease)
        if (auto* edit = qobject_cast<TCurrencyEdit*>(watched)) edit->selectAll();
    return TVnDialog::eventFilter(watched, event);
}
