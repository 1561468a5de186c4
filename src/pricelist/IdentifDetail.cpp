#include "pricelist/IdentifDetail.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/Dialogs.h"

namespace {

const char* const kCaption = "Identifikátor";
const char* const kNepouzivat = "nepoužívat v \"rozpisu identifikátorů\" v nabídce";
const char* const kCodeWithSeparator = "Zkratka nesmí obsahovat znak \"_\".";

}  // namespace

TfrmIdentifDetail::TfrmIdentifDetail(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmIdentifDetail");
    setWindowTitle(QString::fromUtf8(kCaption));

    edtZkratka = new QLineEdit(this);
    edtZkratka->setObjectName("edtZkratka");
    MakeCodeEdit(edtZkratka, 10);
    edtPopis = new QLineEdit(this);
    edtPopis->setObjectName("edtPopis");
    edtPopis->setMaxLength(50);
    chckNepouzivat = new QCheckBox(QString::fromUtf8(kNepouzivat), this);
    chckNepouzivat->setObjectName("chckNepouzivat");

    auto* form = new QFormLayout;
    form->addRow("Zkratka", edtZkratka);
    form->addRow(QString::fromUtf8("Název"), edtPopis);
    form->addRow(chckNepouzivat);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmIdentifDetail::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmIdentifDetail::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TfrmIdentifDetail::btnOKClick() {
    const QString code = CheckedCode(btnOK, edtZkratka);
    if (code.isEmpty()) return;
    // The separator would split the code in two in every list that carries it.
    if (code.contains('_')) {
        ShowInformation(QString::fromUtf8(kCodeWithSeparator));
        return;
    }
    done(kResultOk);
}
