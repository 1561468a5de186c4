#include "offers/NadpisovaPol.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "offers/VolnyText.h"
#include "offers/VolnyTextList.h"
#include "platform/ui/Dialogs.h"

namespace {
constexpr int kMaxOrder = 999999999;
constexpr int kTextLength = 50;
}  // namespace

std::function<int(TfrmNadpisovaPol&)> TNadpisovaPol::ExecHook;

bool TNadpisovaPol::Execute() {
    TfrmNadpisovaPol window(*this, ApplicationMainWindow());
    const int result = ExecHook ? ExecHook(window) : window.exec();
    return result == QDialog::Accepted;
}

TfrmNadpisovaPol::TfrmNadpisovaPol(TNadpisovaPol& item, QWidget* parent) : TVnDialog(parent), item_(item) {
    setObjectName("frmNadpisovaPol");
    setWindowTitle(QString::fromUtf8(item.IsHeading ? kHeadingCaption : kTextItemCaption));
    lblNadpisCaption =
        new QLabel(QString::fromUtf8(item.IsHeading ? kHeadingTextCaption : kTextItemTextCaption), this);
    lblNadpisCaption->setObjectName("lblNadpisCaption");
    edtNadpis = new QLineEdit(item.Text, this);
    edtNadpis->setObjectName("edtNadpis");
    edtNadpis->setMaxLength(kTextLength);
    if (item.IsHeading) {
        QFont bold = edtNadpis->font();
        bold.setBold(true);
        edtNadpis->setFont(bold);
    }
    btnVolneTexty = new QPushButton("...", this);
    btnVolneTexty->setObjectName("btnVolneTexty");
    btnVolneTexty->setToolTip(QString::fromUtf8("Výběr z databáze volných textů"));
    btnVolneTexty->setAutoDefault(false);
    memPoznamka = new QPlainTextEdit(item.Note, this);
    memPoznamka->setObjectName("memPoznamka");
    edtPoradi = new QSpinBox(this);
    edtPoradi->setObjectName("edtPoradi");
    edtPoradi->setRange(1, kMaxOrder);
    edtPoradi->setValue(std::max(1, item.Order));
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnStorno = new QPushButton("Storno", this);
    btnStorno->setObjectName("btnStorno");
    for (QPushButton* b : {btnOK, btnStorno}) b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblNadpisCaption);
    auto* text = new QHBoxLayout;
    text->addWidget(edtNadpis);
    text->addWidget(btnVolneTexty);
    layout->addLayout(text);
    layout->addWidget(new QLabel(QString::fromUtf8("Poznámka"), this));
    layout->addWidget(memPoznamka);
    auto* order = new QFormLayout;
    order->addRow(QString::fromUtf8("Pořadí při tisku"), edtPoradi);
    layout->addLayout(order);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnStorno);
    layout->addLayout(buttons);
    AddPurchasePriceAction(this);

    connect(btnOK, &QPushButton::clicked, this, &TfrmNadpisovaPol::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmNadpisovaPol::reject);
    connect(btnVolneTexty, &QPushButton::clicked, this, [this] {
        TVolnyText chosen;
        if (!PickFreeText(true, chosen)) return;
        edtNadpis->setText(chosen.Nazev);
        memPoznamka->setPlainText(chosen.GetPlainText());
    });
    edtNadpis->setFocus();
}

void TfrmNadpisovaPol::btnOKClick() {
    if (edtNadpis->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kEmptyTextMessage).arg(lblNadpisCaption->text()));
        return;
    }
    item_.Text = edtNadpis->text();
    item_.Note = memPoznamka->toPlainText();
    item_.Order = edtPoradi->value();
    accept();
}

void TfrmNadpisovaPol::keyPressEvent(QKeyEvent* event) {
    // Enter confirms anywhere but in the note, where it breaks a line.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !memPoznamka->hasFocus()) {
        btnOKClick();
        return;
    }
    TVnDialog::keyPressEvent(event);
}
