// The uniform discount's window and the arithmetic of the discount it asks for.

#include "offers/ReCalcDiscount.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Nastaveni.h"
#include "platform/ui/CurrencyEdit.h"

namespace {

const char* const kDiscountHelp =
    "Sleva se dopočítá pouze na označených položkách (pokud není označena žádná položka, tak na všech "
    "položkách). Uzamčené položky jsou ignorovány.";
const char* const kDiscountNote =
    "Pozn.: v některých případech není možné požadovanou cenu dopočítat pomocí slev matematicky zcela "
    "přesně, "
    "výsledná cena se tedy může drobně lišit.";

}  // namespace

// ---- the uniform discount
// -----------------------------------------------------------------------------

long double UniformDiscount(Currency rest, Currency variable) {
    const long double discount = 100.0L - rest.ToExtended() / (variable.ToExtended() / 100.0L);
    return Currency::FromExtended(discount).ToExtended();
}

TfrmReCalcDiscount::TfrmReCalcDiscount(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmReCalcDiscount");
    setWindowTitle(QString::fromUtf8(kReCalcDiscountCaption));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QString::fromUtf8("Požadovaná cena nabídky celkem"), this));
    curCelkem = new TCurrencyEdit(this);
    curCelkem->setObjectName("curCelkem");
    curCelkem->SetDecimalPlaces(4);
    curCelkem->SetDisplayFormat(",0.0000;-,0.0000");
    row->addWidget(curCelkem);
    lblMena = new QLabel(CurrencySymbol, this);
    lblMena->setObjectName("lblMena");
    row->addWidget(lblMena);
    cbxTypCeny = new QComboBox(this);
    cbxTypCeny->setObjectName("cbxTypCeny");
    cbxTypCeny->addItems({QString::fromUtf8("bez daně"), QString::fromUtf8("s daní")});
    row->addWidget(cbxTypCeny);
    layout->addLayout(row);
    for (const char* text : {kDiscountHelp, kDiscountNote}) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    curCelkem->setFocus();
}

bool TReCalcDiscount::Execute() {
    TfrmReCalcDiscount window;
    window.curCelkem->SetValue(Total.ToExtended());
    window.cbxTypCeny->setCurrentIndex(WithoutVat ? 0 : 1);
    if (window.exec() != QDialog::Accepted) return false;
    Total = Currency::FromExtended(window.curCelkem->Value());
    WithoutVat = window.cbxTypCeny->currentIndex() == 0;
    return true;
}
