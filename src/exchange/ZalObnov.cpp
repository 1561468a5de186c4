#include "exchange/ZalObnov.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "platform/ui/Dialogs.h"

namespace {

const char* const kCaption = "Obnova ze záložní kopie";
const char* const kHelpPage = "pgZalohaObnov.htm";
const char* const kNothingChosen = "Musíte vybrat, která data chcete obnovit.";
const char* const kOverwriteWarning =
    "Varování: vybraná stávající data budou nenávratně přepsána -  opravdu chcete pokračovat ?";

}  // namespace

TfrmZalObnov::TfrmZalObnov(const QString& activeFirm, const QString& backupFirm, bool hasGlobal,
                           bool hasLayouts, QWidget* parent)
    : TVnDialog(parent) {
    setObjectName("frmZalObnov");
    setWindowTitle(QString::fromUtf8(kCaption));

    auto* names = new QGridLayout;
    lblAktivniFirma = new QLabel(activeFirm, this);
    lblAktivniFirma->setObjectName("lblAktivniFirma");
    lblFirmaZeZalohy = new QLabel(backupFirm, this);
    lblFirmaZeZalohy->setObjectName("lblFirmaZeZalohy");
    names->addWidget(new QLabel(QString::fromUtf8("Aktivní firma:"), this), 0, 0);
    names->addWidget(lblAktivniFirma, 0, 1);
    names->addWidget(new QLabel(QString::fromUtf8("Firma ze zálohy:"), this), 1, 0);
    names->addWidget(lblFirmaZeZalohy, 1, 1);
    names->setColumnStretch(1, 1);

    auto check = [this](QCheckBox*& box, const char* name, const char* caption, bool checked, bool enabled) {
        box = new QCheckBox(QString::fromUtf8(caption), this);
        box->setObjectName(name);
        box->setChecked(checked);
        box->setEnabled(enabled);
    };
    check(chckObnovitAgendu, "chckObnovitAgendu",
          "obnovit databázi firmy (přepsat aktivní firmu záložní kopií)", true, true);
    check(chckObnovitGlobal, "chckObnovitGlobal",
          "obnovit globální databázi (poznámky na ploše, seznam uživatelů a PSČ, ...)", false, hasGlobal);
    check(chckObnovitFRM, "chckObnovitFRM", "obnovit upravené tiskové formuláře", false, hasLayouts);

    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, const char* caption) {
        b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    };
    buttons->addStretch();
    button(btnOk, "btnOk", "OK");
    button(btnStorno, "btnStorno", "Storno");
    button(btnNapoveda, "btnNapoveda", "Nápověda");
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &TfrmZalObnov::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addWidget(chckObnovitAgendu);
    layout->addWidget(chckObnovitGlobal);
    layout->addWidget(chckObnovitFRM);
    layout->addLayout(buttons);
}

void TfrmZalObnov::btnOkClick() {
    if (!chckObnovitAgendu->isChecked() && !chckObnovitGlobal->isChecked() && !chckObnovitFRM->isChecked()) {
        ShowInformation(QString::fromUtf8(kNothingChosen));
        return;
    }
    if (AskQuestion(QString::fromUtf8(kOverwriteWarning))) accept();
}
