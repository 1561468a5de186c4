#include "addressbook/PscDetail.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/Psc.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Rowset.h"
#include "platform/ui/Dialogs.h"

namespace {

const char* const kCaption = "Detail PSČ";
constexpr int kPscLength = 10;
constexpr int kMistoLength = 50;

}  // namespace

TfrmPscDetail::TfrmPscDetail(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmPscDetail");
    setWindowTitle(QString::fromUtf8(kCaption));
    edtPsc = new QLineEdit(this);
    edtPsc->setObjectName("edtPsc");
    edtPsc->setMaxLength(kPscLength);
    edtMisto = new QLineEdit(this);
    edtMisto->setObjectName("edtMisto");
    edtMisto->setMaxLength(kMistoLength);
    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8("PSČ"), edtPsc);
    fields->addRow(QString::fromUtf8("Místo"), edtMisto);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmPscDetail::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmPscDetail::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    resize(360, 120);
    AddPurchasePriceAction(this);
}

void TfrmPscDetail::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    edtPsc->setFocus();
}

void TfrmPscDetail::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    edtPsc->setText(RemoveBlanks(edtPsc->text().trimmed()));
    if (edtPsc->text().isEmpty() || edtMisto->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kPostalCodeMissing));
        return;
    }
    done(kResultOk);
}

int EditPostalCode(bool adding) {
    TADOQuery& list = frmMain->adqGlobalFree1;
    // A new code needs no current row, so only an edited one that has gone stops the card.
    if (RequeryAndLocate(list) != 0 && !adding) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return -1;
    }
    TfrmPscDetail card(ApplicationMainWindow());
    TCardSession session;
    int id = 0;
    if (!adding) {
        id = list.FieldByName("ID")->AsInteger();
        if (!session.Lock(GlobalRecordLockPath("Mista", id))) return -1;
        card.btnOK->setEnabled(!session.ReadOnly());
        card.edtPsc->setText(list.FieldByName("PSC")->AsString());
        card.edtMisto->setText(list.FieldByName("Misto")->AsString());
    }
    if (card.exec() != kResultOk) return 0;

    TADOCommand& command = frmMain->adcGlobal1;
    command.SetCommandText(adding ? "INSERT INTO Mista (PSC, Misto) VALUES (:Psc, :Misto)"
                                  : "UPDATE Mista SET PSC = :PSC, Misto = :Misto WHERE ID = :ID");
    command.Parameters.ParamByName("PSC")->Value = card.edtPsc->text();
    command.Parameters.ParamByName("Misto")->Value = card.edtMisto->text();
    if (!adding) command.Parameters.ParamByName("ID")->Value = id;
    const int rows = command.Execute();
    int newId = 0;
    if (adding && rows > 0) {
        command.SetCommandText("SELECT @@IDENTITY");
        const std::unique_ptr<TRowset> identity = command.OpenRowset();
        newId = identity && identity->RowCount() > 0 ? identity->Value(0, 0).toInt() : 0;
        // Without a key read back there is nothing to find, and finding nothing is the error.
        if (newId == 0) newId = -1;
    }
    return session.AfterSave(list, rows, newId) ? 0 : -1;
}
