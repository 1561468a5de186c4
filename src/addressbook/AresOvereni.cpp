#include "addressbook/AresOvereni.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/Ares.h"
#include "core/PurchasePrices.h"
#include "platform/ui/Dialogs.h"

namespace {

const char* const kCaption = "Ověření dle registru ARES";
const char* const kInfo = "Výsledek ověření IČ %1";
const char* const kDifferent =
    "Z databáze ARES byly získány údaje odlišné od současného vyplnění adresní karty:";
const char* const kQuestion = "Chcete adresní kartu aktualizovat výše uvedenými hodnotami?";

}  // namespace

bool TAresOvereni::FetchFromRegister() {
    TWorkingShown working(QString::fromUtf8(kAresLoading));
    TAres ares;
    if (!ares.AresLookup(ICO)) {
        working.Hide();
        ShowInformation(QString::fromUtf8(kAresCannotLoad).arg(ares.Error));
        return false;
    }
    AresName = ares.Name;
    AresStreet = ares.Street;
    AresPostalCode = ares.PostalCode;
    AresTown = ares.Town;
    return true;
}

bool TAresOvereni::AddressMatchesRegister() const {
    return CardName == AresName && CardStreet == AresStreet && CardPostalCode == AresPostalCode &&
           CardTown == AresTown;
}

bool TAresOvereni::VerifyAgainstRegister() {
    if (!FetchFromRegister()) return false;
    if (AddressMatchesRegister()) {
        ShowInformation(QString::fromUtf8(kAresMatches));
        return true;
    }
    TfrmAresOvereni window(*this, ApplicationMainWindow());
    return window.exec() == kResultOk;
}

TfrmAresOvereni::TfrmAresOvereni(TAresOvereni& verification, QWidget* parent)
    : TPriceListDialog(parent), verification_(verification) {
    setObjectName("frmAresOvereni");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* header = new QLabel(QString::fromUtf8(kCaption), this);
    header->setObjectName("lblHeader");
    QFont big = header->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 3);
    header->setFont(big);
    lblInfo = new QLabel(QString::fromUtf8(kInfo).arg(AresIco(verification.ICO)), this);
    lblInfo->setObjectName("lblInfo");
    auto* text = new QLabel(QString::fromUtf8(kDifferent), this);
    text->setWordWrap(true);

    auto* columns = new QGridLayout;
    columns->addWidget(new QLabel("Varnobis", this), 0, 0);
    columns->addWidget(new QLabel(QString::fromUtf8("Databáze ARES"), this), 0, 1);
    const QString card[4] = {verification.CardName, verification.CardStreet, verification.CardPostalCode,
                             verification.CardTown};
    const QString ares[4] = {verification.AresName, verification.AresStreet, verification.AresPostalCode,
                             verification.AresTown};
    for (int row = 0; row < 4; ++row) {
        lblVarnobis[row] = new QLabel(card[row], this);
        lblVarnobis[row]->setObjectName(QString("lblVarnobis%1").arg(row + 1));
        lblAres[row] = new QLabel(ares[row], this);
        lblAres[row]->setObjectName(QString("lblAres%1").arg(row + 1));
        if (Differs(row)) {
            QFont bold = lblAres[row]->font();
            bold.setBold(true);
            lblAres[row]->setFont(bold);
            QPalette red = lblAres[row]->palette();
            red.setColor(QPalette::WindowText, Qt::red);
            lblAres[row]->setPalette(red);
        }
        columns->addWidget(lblVarnobis[row], row + 1, 0);
        columns->addWidget(lblAres[row], row + 1, 1);
    }
    auto* question = new QLabel(QString::fromUtf8(kQuestion), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnAno = AddButton(this, buttons, "btnAno", QString::fromUtf8("Ano"));
    btnNe = AddButton(this, buttons, "btnNe", "Ne");
    btnAno->setDefault(true);
    btnAno->setAutoDefault(true);
    connect(btnAno, &QPushButton::clicked, this, &TfrmAresOvereni::btnAnoClick);
    connect(btnNe, &QPushButton::clicked, this, [this] { done(kResultCancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(lblInfo);
    layout->addWidget(text);
    layout->addLayout(columns);
    layout->addWidget(question);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    AddPurchasePriceAction(this);
}

bool TfrmAresOvereni::Differs(int row) const {
    const QString card[4] = {verification_.CardName, verification_.CardStreet, verification_.CardPostalCode,
                             verification_.CardTown};
    const QString ares[4] = {verification_.AresName, verification_.AresStreet, verification_.AresPostalCode,
                             verification_.AresTown};
    return card[row] != ares[row];
}

void TfrmAresOvereni::btnAnoClick() {
    verification_.CardName = verification_.AresName;
    verification_.CardStreet = verification_.AresStreet;
    verification_.CardPostalCode = verification_.AresPostalCode;
    verification_.CardTown = verification_.AresTown;
    done(kResultOk);
}

void CheckAddressInRegister(const TRegisterCardFields& card) {
    const QString ico = card.ico->text();
    if (ico.isEmpty()) {
        ShowInformation(QString::fromUtf8(kAresNeedsIco));
        return;
    }
    if (card.name->text().isEmpty()) {
        FillCardFromRegister(card, ico);
        return;
    }
    TAresOvereni verification;
    verification.ICO = ico;
    verification.CardName = card.name->text();
    verification.CardStreet = card.street->text();
    verification.CardPostalCode = card.postalCode->text();
    verification.CardTown = card.town->text();
    if (!verification.VerifyAgainstRegister()) return;
    card.name->setText(verification.CardName);
    card.street->setText(verification.CardStreet);
    card.postalCode->setText(verification.CardPostalCode);
    card.town->setText(verification.CardTown);
}

void FillCardFromRegister(const TRegisterCardFields& card, const QString& ico) {
    TWorkingShown working(QString::fromUtf8(kAresLoading));
    TAres ares;
    if (!ares.AresLookup(ico)) {
        working.Hide();
        ShowInformation(QString::fromUtf8(kAresCannotLoad).arg(ares.Error));
        card.ico->setText(ico);
        return;
    }
    card.name->setText(ares.Name);
    card.street->setText(ares.Street);
    card.postalCode->setText(ares.PostalCode);
    card.town->setText(ares.Town);
    card.ico->setText(ares.ICO);
    // A firm without a VAT number leaves what the user may have typed there.
    if (card.dic && !ares.DIC.isEmpty()) card.dic->setText(ares.DIC);
}
