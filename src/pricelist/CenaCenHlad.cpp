#include "pricelist/CenaCenHlad.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Nastaveni.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/PriceRules.h"

namespace {

const char* const kCaption = "Cenová hladina";
const char* const kFixed = "fixní";
const char* const kWithVat = "s daní";
const char* const kWithoutVat = "bez daně";
const char* const kKinds[] = {"sleva", "marže", "rabat"};
const char* const kStarts[] = {"zákl. prodejní", "nákupní"};

QString Text(const char* const* texts, int count, int index) {
    return index >= 0 && index < count ? QString::fromUtf8(texts[index]) : QString();
}

QLabel* Value(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

TCurrencyEdit* Price(QWidget* parent, const char* name) {
    auto* edit = new TCurrencyEdit(parent);
    edit->setObjectName(name);
    edit->SetDecimalPlaces(4);
    edit->SetDisplayFormat(",0.0000;-,0.0000");
    return edit;
}

}  // namespace

TfrmCenaCenHlad::TfrmCenaCenHlad(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmCenaCenHlad");
    setWindowTitle(QString::fromUtf8(kCaption));
    lblZkratka = Value(this, "lblZkratka");
    lblTypHodnoty = Value(this, "lblTypHodnoty");
    lblHodnota = Value(this, "lblHodnota");
    lblVychCena = Value(this, "lblVychCena");
    lblZaok = Value(this, "lblZaok");
    lblSazbaDPH = Value(this, "lblSazbaDPH");
    curCena1 = Price(this, "curCena1");
    lblCena1Typ = Value(this, "lblCena1Typ");
    lblCena1Mena = Value(this, "lblCena1Mena");
    curCena2 = Price(this, "curCena2");
    curCena2->setReadOnly(true);
    lblCena2Typ = Value(this, "lblCena2Typ");
    lblCena2Mena = Value(this, "lblCena2Mena");

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Cenová hladina"), lblZkratka);
    form->addRow("Typ", lblTypHodnoty);
    form->addRow("Hodnota", lblHodnota);
    form->addRow(QString::fromUtf8("Výchozí cena"), lblVychCena);
    form->addRow(QString::fromUtf8("Zaokrouhlení"), lblZaok);
    form->addRow(QString::fromUtf8("Sazba DPH %"), lblSazbaDPH);
    auto* first = new QHBoxLayout;
    first->addWidget(curCena1);
    first->addWidget(lblCena1Mena);
    first->addWidget(lblCena1Typ);
    form->addRow("Cena", first);
    auto* second = new QHBoxLayout;
    second->addWidget(curCena2);
    second->addWidget(lblCena2Mena);
    second->addWidget(lblCena2Typ);
    form->addRow("", second);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(kResultOk); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmCenaCenHlad::reject);
    connect(curCena1, &QLineEdit::textEdited, this, [this] { RecalcSecond(); });
    curCena1->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TfrmCenaCenHlad::Fill(const TDataSet& level, long double vatRate) {
    rate_ = vatRate;
    fixed_ = !level.FieldByName("Prepocitat")->AsBoolean();
    firstWithVat_ = level.FieldByName("SDPH")->AsBoolean();
    const int zaok = level.FieldByName("Zaok")->AsInteger();
    decimals_ = ZaokDecimals(zaok);
    lblZkratka->setText(level.FieldByName("Zkratka")->AsString());
    if (fixed_) {
        lblTypHodnoty->setText(QString::fromUtf8(kFixed));
        lblHodnota->setText(QString::fromUtf8(kFixed));
        lblVychCena->setText(QString::fromUtf8(kFixed));
    } else {
        lblTypHodnoty->setText(Text(kKinds, 3, level.FieldByName("TypHodnoty")->AsInteger()));
        lblHodnota->setText(FormatFloat(",0.00", level.FieldByName("Hodnota")->AsFloat()) + " %");
        lblVychCena->setText(Text(kStarts, 2, level.FieldByName("VychCena")->AsInteger()));
    }
    const QStringList zaokTexts = ZaokTexts();
    lblZaok->setText(zaok >= 0 && zaok < zaokTexts.size() ? zaokTexts[zaok] : zaokTexts[0]);
    lblSazbaDPH->setText(VatRateText(vatRate));
    lblCena1Typ->setText(QString::fromUtf8(firstWithVat_ ? kWithVat : kWithoutVat));
    lblCena2Typ->setText(QString::fromUtf8(firstWithVat_ ? kWithoutVat : kWithVat));
    lblCena1Mena->setText(CurrencySymbol);
    lblCena2Mena->setText(CurrencySymbol);
    curCena1->SetValue(level.FieldByName(firstWithVat_ ? "PrCenaSDPH" : "PrCenaBDPH")->AsFloat());
    curCena2->SetValue(level.FieldByName(firstWithVat_ ? "PrCenaBDPH" : "PrCenaSDPH")->AsFloat());
    curCena1->setReadOnly(!fixed_);
}

void TfrmCenaCenHlad::RecalcSecond() {
    const long double first = NumberOfText(curCena1->text(), 4).value_or(curCena1->Value());
    const int kind = firstWithVat_ ? VatKindNet : VatKindGross;
    curCena2->SetValue(
        RoundPrice(1, static_cast<uint8_t>(decimals_), CalcVat(firstWithVat_, kind, first, rate_)));
}

bool TfrmCenaCenHlad::eventFilter(QObject* watched, QEvent* event) {
    if (watched == curCena1 && event->type() == QEvent::KeyPress && !fixed_) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text[0].isDigit()) {
            ShowWarning(QString::fromUtf8(kLevelPriceFixedOnly));
            return true;
        }
    }
    return TPriceListDialog::eventFilter(watched, event);
}

int EditLevelPrice(TDataSet& level, long double vatRate, QWidget* parent) {
    TfrmCenaCenHlad window(parent);
    window.Fill(level, vatRate);
    const int result = window.exec();
    if (result != kResultOk) return result;
    const long double first = window.curCena1->Value();
    const long double second = window.curCena2->Value();
    const bool withVat = level.FieldByName("SDPH")->AsBoolean();
    level.Edit();
    level.FieldByName(withVat ? "PrCenaSDPH" : "PrCenaBDPH")->SetAsFloat(static_cast<double>(first));
    level.FieldByName(withVat ? "PrCenaBDPH" : "PrCenaSDPH")->SetAsFloat(static_cast<double>(second));
    level.Post();
    return result;
}
