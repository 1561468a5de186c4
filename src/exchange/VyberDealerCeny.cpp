// The price choice of a dealer column. A level is always picked from the level list, never typed:
// a code that names no level would print zeros without a word.

#include "exchange/VyberDealerCeny.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenSkup.h"
#include "pricelist/PriceListUi.h"

namespace {
const char* kCaption = "Výběr ceny";
const char* kHintBefore = "Upozornění: skutečná cena cenové hladiny vychází z definice této hladiny v";
const char* kHintAfter = ", která je přiřazena k položce.";
}  // namespace

TfrmVyberDealerCeny::TfrmVyberDealerCeny(const QString& columnCaption, QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmVyberDealerCeny");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* layout = new QVBoxLayout(this);
    gbxVyber = new QGroupBox(columnCaption, this);
    gbxVyber->setObjectName("gbxVyber");
    auto* box = new QVBoxLayout(gbxVyber);
    rbNetisknout = new QRadioButton(QString::fromUtf8("netisknout"), gbxVyber);
    rbNetisknout->setObjectName("rbNetisknout");
    rbZaklProd = new QRadioButton(QString::fromUtf8("základní prodejní cenu"), gbxVyber);
    rbZaklProd->setObjectName("rbZaklProd");
    rbCenHlad = new QRadioButton(QString::fromUtf8("cen. hladinu se zkratkou"), gbxVyber);
    rbCenHlad->setObjectName("rbCenHlad");
    rbCenHlad->setChecked(true);
    box->addWidget(rbNetisknout);
    box->addWidget(rbZaklProd);
    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(rbCenHlad);
    edtCenHlad = new QLineEdit(gbxVyber);
    edtCenHlad->setObjectName("edtCenHlad");
    edtCenHlad->setReadOnly(true);
    levelRow->addWidget(edtCenHlad);
    btnVyberCenHlad = new QPushButton("...", gbxVyber);
    btnVyberCenHlad->setObjectName("btnVyberCenHlad");
    levelRow->addWidget(btnVyberCenHlad);
    box->addLayout(levelRow);
    layout->addWidget(gbxVyber);

    // The link sits inside the sentence, where the words "cenové skupině" belong.
    auto* hint = new QHBoxLayout;
    auto* before = new QLabel(QString::fromUtf8(kHintBefore), this);
    before->setWordWrap(true);
    lblCenSkup = new QLabel(QString::fromUtf8("<a href=\"#\">cenové skupině</a>"), this);
    lblCenSkup->setObjectName("lblCenSkup");
    auto* after = new QLabel(QString::fromUtf8(kHintAfter), this);
    after->setWordWrap(true);
    hint->addWidget(before, 1);
    hint->addWidget(lblCenSkup);
    hint->addWidget(after, 1);
    layout->addLayout(hint);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = AddButton(this, buttons, "btnOk", "OK", QKeySequence(Qt::Key_Return));
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    layout->addLayout(buttons);

    for (QRadioButton* rb : {rbNetisknout, rbZaklProd, rbCenHlad})
        connect(rb, &QRadioButton::toggled, this, [this] { UpdateState(); });
    connect(btnVyberCenHlad, &QPushButton::clicked, this, &TfrmVyberDealerCeny::btnVyberCenHladClick);
    connect(lblCenSkup, &QLabel::linkActivated, this, [] { ShowPriceGroupList(0, 0, true); });
    connect(btnOk, &QPushButton::clicked, this, &TfrmVyberDealerCeny::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    UpdateState();
}

QString TfrmVyberDealerCeny::LevelCode() const { return edtCenHlad->text(); }

void TfrmVyberDealerCeny::UpdateState() { btnVyberCenHlad->setEnabled(rbCenHlad->isChecked()); }

void TfrmVyberDealerCeny::btnVyberCenHladClick() {
    if (!btnVyberCenHlad->isEnabled()) return;
    TADOQuery& levels = frmMain->adqCenHlad;
    if (ShowPriceLevelList(TPriceCodeList::kModePick, edtCenHlad->text(), false, false) == kResultOk &&
        levels.Active() && !levels.IsEmpty()) {
        levelId_ = levels.FieldByName("ID")->AsInteger();
        edtCenHlad->setText(levels.FieldByName("Zkratka")->AsString());
    }
    levels.Close();
}

void TfrmVyberDealerCeny::btnOkClick() {
    if (rbCenHlad->isChecked() && levelId_ == 0) {
        ShowInformation(QString::fromUtf8(kSelectLevel));
        return;
    }
    accept();
}

int ChooseDealerPrice(const QString& columnCaption, QString& levelCode) {
    TfrmVyberDealerCeny window(columnCaption, ApplicationMainWindow());
    if (window.exec() != QDialog::Accepted) return kDealerPriceCancelled;
    if (window.rbNetisknout->isChecked()) return kDealerPriceNone;
    if (window.rbZaklProd->isChecked()) return kDealerPriceBase;
    levelCode = window.LevelCode();
    return window.LevelId();
}
