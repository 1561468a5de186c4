#include "pricelist/KartaSkladu.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/Dialogs.h"

namespace {

const char* const kCaption = "Ceníkový list";
const char* const kNameMissing = "Musíte zadat název listu.";

}  // namespace

TfrmKartaSkladu::TfrmKartaSkladu(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmKartaSkladu");
    setWindowTitle(QString::fromUtf8(kCaption));
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(30);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Název listu"), edtNazev);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmKartaSkladu::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmKartaSkladu::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TfrmKartaSkladu::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    if (edtNazev->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kNameMissing));
        return;
    }
    done(kResultOk);
}
