#include "offers/NabidkaSoucty.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/Login.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "offers/PolozkaNab.h"
#include "platform/data/Field.h"
#include "platform/text/Currency.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/PriceRules.h"

namespace {

constexpr int kTotalsDecimals = 2;
constexpr const char* kRateFormat = ",0.00;-,0.00";

double Held2(long double value) { return static_cast<double>(HeldValue(value, kTotalsDecimals)); }

// Before-discount figures are shown as currency: four decimals, rounded.
double AsCurrency(long double value) { return Currency::FromDouble(static_cast<double>(value)).ToDouble(); }

bool IsPriceItem(const TDataSet& items) {
    return !items.FieldByName("Nadpisova")->AsBoolean() && !items.FieldByName("Textova")->AsBoolean();
}

}  // namespace

long double HeldValue(long double value, int decimals) {
    QString format = QStringLiteral("0");
    if (decimals > 0) format += QStringLiteral(".") + QString(decimals, QLatin1Char('0'));
    return NumberOfText(FormatFloat(format, value), decimals).value_or(value);
}

TItemDiscount OfferItemDiscount(const TDataSet& item) {
    TItemDiscount d;
    if (item.FieldByName("Sleva")->AsFloat() == 0) return d;
    // To the ten-thousandth, halves to even, as currency holds it.
    const auto fourDecimals = [](long double value) { return std::nearbyintl(value * 10000) / 10000; };
    const bool withVat = item.FieldByName("SDPH")->AsBoolean();
    const long double rate = item.FieldByName("SazbaDPH")->AsFloat();
    const long double before = static_cast<long double>(item.FieldByName("PocetMJ")->AsFloat()) *
                               item.FieldByName("ProdCena")->AsFloat();
    d.Net =
        fourDecimals(CalcVat(withVat, VatKindNet, before, rate)) - item.FieldByName("PCBDPHPOL")->AsFloat();
    d.Gross =
        fourDecimals(CalcVat(withVat, VatKindGross, before, rate)) - item.FieldByName("PCSDPHPOL")->AsFloat();
    return d;
}

TVatClass OfferVatClass(double itemRate, double basic, double reduced, double furtherReduced) {
    if (itemRate == basic) return TVatClass::Basic;
    if (itemRate == reduced) return TVatClass::Reduced;
    if (itemRate == 0) return TVatClass::Zero;
    if (furtherReduced != 0 && itemRate == furtherReduced) return TVatClass::FurtherReduced;
    return TVatClass::None;
}

TOfferTotals ComputeOfferTotals(TDataSet& items, double basic, double reduced, double furtherReduced,
                                int roundTotals, bool purchaseRight, TMemTable* subtotals) {
    TOfferTotals t;
    if (subtotals) {
        subtotals->Close();
        subtotals->Open();
    }
    long double base[5] = {}, vat[5] = {};
    long double purchase = 0, discountNet = 0, discountGross = 0;
    if (!items.IsEmpty()) {
        const TBookmark current = items.GetBookmark();
        items.DisableControls();
        bool headingRow = false;
        for (items.First(); !items.Eof(); items.Next()) {
            const double rate = items.FieldByName("SazbaDPH")->AsFloat();
            const long double lineNet = items.FieldByName("PCBDPHPOL")->AsFloat();
            const long double lineVat = items.FieldByName("VyseDPHPol")->AsFloat();
            const TVatClass vatClass = OfferVatClass(rate, basic, reduced, furtherReduced);
            if (vatClass == TVatClass::None) t.UnknownVatRate = true;
            const auto k = static_cast<size_t>(vatClass);
            base[k] += lineNet;
            if (vatClass != TVatClass::Zero) vat[k] += lineVat;

            const long double quantity = items.FieldByName("PocetMJ")->AsFloat();
            const long double linePurchase = items.FieldByName("NakCena")->AsFloat() * quantity;
            purchase += linePurchase;
            if (items.FieldByName("Sleva")->AsFloat() != 0) t.HasDiscount = true;
            const TItemDiscount discount = OfferItemDiscount(items);
            discountNet += discount.Net;
            discountGross += discount.Gross;

            if (!subtotals) continue;
            if (items.FieldByName("Nadpisova")->AsBoolean()) {
                subtotals->Append();
                subtotals->FieldByName("Nadpis")->SetAsString(items.FieldByName("Popis")->AsString());
                for (const char* sum : {"NCBDPH", "PCBDPH", "PCSDPH", "Zisk"})
                    subtotals->FieldByName(sum)->SetAsFloat(0);
                subtotals->FieldByName("PoradiPolozky")
                    ->SetAsInteger(items.FieldByName("Poradi")->AsInteger());
                subtotals->Post();
                headingRow = true;
            } else if (headingRow && IsPriceItem(items)) {
                auto add = [&](const char* field, long double value) {
                    TField* f = subtotals->FieldByName(field);
                    f->SetAsFloat(static_cast<double>(f->AsFloat() + value));
                };
                subtotals->Last();
                subtotals->Edit();
                add("PCBDPH", lineNet);
                add("PCSDPH", items.FieldByName("PCSDPHPOL")->AsFloat());
                if (purchaseRight) {
                    add("NCBDPH", linePurchase);
                    add("Zisk", items.FieldByName("ZiskPol")->AsFloat());
                }
                subtotals->Post();
            }
        }
        items.GotoBookmark(current);
        items.EnableControls();
    }
    const auto at = [](TVatClass c) { return static_cast<size_t>(c); };
    const long double totalBase = base[at(TVatClass::Zero)] + base[at(TVatClass::Reduced)] +
                                  base[at(TVatClass::Basic)] + base[at(TVatClass::FurtherReduced)];
    const long double totalVat = vat[at(TVatClass::Zero)] + vat[at(TVatClass::Reduced)] +
                                 vat[at(TVatClass::Basic)] + vat[at(TVatClass::FurtherReduced)];
    const long double totalGross = totalBase + totalVat;
    long double documentNet = totalBase, documentGross = totalGross;
    if (roundTotals == 1) {
        documentNet = RoundPrice(1, 0, documentNet);
        documentGross = RoundPrice(1, 0, documentGross);
    }
    t.ZakladNulSazba = Held2(base[at(TVatClass::Zero)]);
    t.ZakladSnizSazba = Held2(base[at(TVatClass::Reduced)]);
    t.ZakladZaklSazba = Held2(base[at(TVatClass::Basic)]);
    t.ZakladDalsiSnizSazba = Held2(base[at(TVatClass::FurtherReduced)]);
    t.ZakladCelkem = Held2(totalBase);
    t.DPHNulSazba = 0;
    t.DPHSnizSazba = Held2(vat[at(TVatClass::Reduced)]);
    t.DPHZaklSazba = Held2(vat[at(TVatClass::Basic)]);
    t.DPHDalsiSnizSazba = Held2(vat[at(TVatClass::FurtherReduced)]);
    t.DPHCelkem = Held2(totalVat);
    t.SDPHNulSazba = Held2(base[at(TVatClass::Zero)]);
    t.SDPHSnizSazba = Held2(base[at(TVatClass::Reduced)] + vat[at(TVatClass::Reduced)]);
    t.SDPHZaklSazba = Held2(base[at(TVatClass::Basic)] + vat[at(TVatClass::Basic)]);
    t.SDPHDalsiSnizSazba = Held2(base[at(TVatClass::FurtherReduced)] + vat[at(TVatClass::FurtherReduced)]);
    t.CelkemSDPH = Held2(totalGross);
    t.NCBDPHCelkem = Held2(purchase);
    t.ZiskCelkem = Held2(totalBase - purchase);
    t.CelkemZaDokladBDPH = Held2(documentNet);
    t.CelkemZaDokladSDPH = Held2(documentGross);
    // Before the discount is the total the discount was taken from, so that the two figures of the
    // discount panel add up to the total; the discount is shown negative.
    t.PredSlevouBDPH = AsCurrency(totalBase + discountNet);
    t.PredSlevouSDPH = AsCurrency(totalGross + discountGross);
    t.VyseSlevyBDPH = AsCurrency(-discountNet);
    t.VyseSlevySDPH = AsCurrency(-discountGross);
    if (subtotals) subtotals->First();
    return t;
}

void RecalcOfferTotals() {
    TOfferDocument& doc = OfferCardData();
    doc.Totals =
        ComputeOfferTotals(doc.mtTmpPolozky, OfferRateBasic, OfferRateReduced, OfferRateFurtherReduced,
                           OfferRoundTotals, CurrentUser.NakupniCeny_AR, &doc.mtNadpisoveSoucty);
    if (OfferCardHooks().TotalsChanged) OfferCardHooks().TotalsChanged();
}

TMarkedItemSums SumMarkedOfferItems(TDataSet& items, const std::vector<TBookmark>& marks) {
    TMarkedItemSums sums;
    if (marks.empty() || items.IsEmpty()) return sums;
    long double purchase = 0, net = 0, gross = 0, profit = 0;
    const TBookmark current = items.GetBookmark();
    items.DisableControls();
    for (const TBookmark& mark : marks) {
        if (!items.BookmarkValid(mark)) continue;
        items.GotoBookmark(mark);
        purchase += items.FieldByName("NakCenaPol")->AsFloat();
        net += items.FieldByName("PCBDPHPOL")->AsFloat();
        gross += items.FieldByName("PCSDPHPOL")->AsFloat();
        profit += items.FieldByName("ZiskPol")->AsFloat();
    }
    items.GotoBookmark(current);
    items.EnableControls();
    sums.NakCenaPol = static_cast<double>(purchase);
    sums.PCBDPHPOL = static_cast<double>(net);
    sums.PCSDPHPOL = static_cast<double>(gross);
    sums.ZiskPol = static_cast<double>(profit);
    return sums;
}

QString MarkedSumFooterText(double value) { return FormatFloat(kRateFormat, value) + " "; }

void AdoptCurrentVatRates(TOfferDocument& document) {
    const double oldBasic = OfferRateBasic, oldReduced = OfferRateReduced,
                 oldFurther = OfferRateFurtherReduced;
    OfferRateReduced = VatReducedRate;
    OfferRateBasic = VatBasicRate;
    OfferRateFurtherReduced = VatFurtherReducedRate;
    TMemTable& items = document.mtTmpPolozky;
    if (!items.IsEmpty()) {
        const TBookmark current = items.GetBookmark();
        items.DisableControls();
        // Each item moves by the class its rate had among the old rates, once: an item whose new
        // reduced rate happens to equal the old basic rate must stay reduced.
        std::vector<TBookmark> priceItems;
        for (items.First(); !items.Eof(); items.Next())
            if (IsPriceItem(items)) priceItems.push_back(items.GetBookmark());
        for (const TBookmark& mark : priceItems) {
            items.GotoBookmark(mark);
            const double rate = items.FieldByName("SazbaDPH")->AsFloat();
            double newRate = rate;
            switch (OfferVatClass(rate, oldBasic, oldReduced, oldFurther)) {
                case TVatClass::Basic:
                    newRate = VatBasicRate;
                    break;
                case TVatClass::Reduced:
                    newRate = VatReducedRate;
                    break;
                case TVatClass::FurtherReduced:
                    // A firm without a further reduced rate leaves such items as they are.
                    if (VatFurtherReducedRate != 0) newRate = VatFurtherReducedRate;
                    break;
                case TVatClass::Zero:
                case TVatClass::None:
                    break;
            }
            items.Edit();
            items.FieldByName("SazbaDPH")->SetAsFloat(newRate);
            items.Post();
            items.GotoBookmark(mark);
            EditOfferItem(false, false, false, false, 0);
        }
        items.GotoBookmark(current);
        items.EnableControls();
    }
    document.Modified = true;
    RecalcOfferTotals();
}

TfrmDPH::TfrmDPH(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmDPH");
    setWindowTitle("Sazby DPH");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    grid->addWidget(new QLabel("v nabídce", this), 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("aktuální"), this), 0, 3);
    auto field = [this](const char* name) {
        auto* edit = new TCurrencyEdit(this);
        edit->setObjectName(name);
        edit->SetDisplayFormat(kRateFormat);
        edit->setEnabled(false);
        return edit;
    };
    auto row = [&](int r, const char* caption, TCurrencyEdit*& offer, const char* offerName,
                   TCurrencyEdit*& firm, const char* firmName) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        offer = field(offerName);
        firm = field(firmName);
        auto* pct1 = new QLabel("%", this);
        auto* pct2 = new QLabel("%", this);
        grid->addWidget(label, r, 0);
        grid->addWidget(offer, r, 1);
        grid->addWidget(pct1, r, 2);
        grid->addWidget(firm, r, 3);
        grid->addWidget(pct2, r, 4);
        return std::vector<QWidget*>{label, offer, pct1, firm, pct2};
    };
    row(1, "Snížená sazba DPH", curSnizDoklad, "curSnizDoklad", curSnizGlobal, "curSnizGlobal");
    row(2, "Základní sazba DPH", curZaklDoklad, "curZaklDoklad", curZaklGlobal, "curZaklGlobal");
    furtherRow_ = row(3, "Další snížená sazba DPH", curDalsiSnizDoklad, "curDalsiSnizDoklad",
                      curDalsiSnizGlobal, "curDalsiSnizGlobal");
    lblDalsiSniz = qobject_cast<QLabel*>(furtherRow_.front());
    lblInfoText = new QLabel(this);
    lblInfoText->setObjectName("lblInfoText");
    lblInfoText->setWordWrap(true);
    layout->addWidget(lblInfoText);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    btnNastavit = new QPushButton(QString::fromUtf8("Nastavit aktuální"), this);
    btnNastavit->setObjectName("btnNastavit");
    btnNastavit->setDefault(true);
    btnStorno = new QPushButton("Storno", this);
    btnStorno->setObjectName("btnStorno");
    buttons->addStretch();
    buttons->addWidget(btnNastavit);
    buttons->addWidget(btnStorno);
    connect(btnNastavit, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    AddPurchasePriceAction(this);
}

void TfrmDPH::Fill() {
    curSnizDoklad->SetValue(OfferRateReduced);
    curSnizGlobal->SetValue(VatReducedRate);
    curZaklDoklad->SetValue(OfferRateBasic);
    curZaklGlobal->SetValue(VatBasicRate);
    curDalsiSnizDoklad->SetValue(OfferRateFurtherReduced);
    curDalsiSnizGlobal->SetValue(VatFurtherReducedRate);
    const bool further = VatFurtherReducedRate != 0 || OfferRateFurtherReduced != 0;
    for (QWidget* w : furtherRow_) w->setVisible(further);
    const bool differ = OfferRateReduced != VatReducedRate || OfferRateBasic != VatBasicRate ||
                        OfferRateFurtherReduced != VatFurtherReducedRate;
    lblInfoText->setText(differ ? QString::fromUtf8(kVatRatesDifferText) : QString());
}

bool ChangeOfferVatRates() {
    TfrmDPH dialog(ApplicationMainWindow());
    dialog.Fill();
    if (dialog.exec() != QDialog::Accepted) return true;
    AdoptCurrentVatRates(OfferCardData());
    return false;
}
