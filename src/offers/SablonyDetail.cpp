#include "offers/SablonyDetail.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/PurchasePrices.h"
#include "offers/EditTRtf.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/RichText.h"
#include "platform/ui/RxSpinEdit.h"
#include "pricelist/PriceListUi.h"

namespace {

constexpr const char* kCaption = "Detail šablony";
constexpr const char* kTextHint = "Změna nadpisu nabídky";
// The days field sits in the gap of the caption, between "platnost do" and "dnů".
constexpr const char* kAutoValidityCaption =
    "nastavit \"platnost do\"                      dnů od data vystavení";
constexpr const char* kAutoValidityLead = "nastavit \"platnost do\" ";
constexpr int kMaxDays = 999999999;

}  // namespace

TfrmSablonyDetail::TfrmSablonyDetail(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmSablonyDetail");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* top = new QHBoxLayout;
    AddOkStornoButtons(this, top, btnOK, btnStorno, false);
    top->addStretch();
    connect(btnOK, &QPushButton::clicked, this, &TfrmSablonyDetail::btnOKClick);

    edtZkratka = new QLineEdit(this);
    edtZkratka->setObjectName("edtZkratka");
    MakeCodeEdit(edtZkratka, kTemplateCodeLength);
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(kTemplateNameLength);
    edtNadpis = new QLineEdit(this);
    edtNadpis->setObjectName("edtNadpis");
    edtNadpis->setMaxLength(kTemplateNameLength);

    btnTextPred = new QPushButton(QString::fromUtf8("Text před položkami"), this);
    btnTextPred->setObjectName("btnTextPred");
    btnTextZa = new QPushButton(QString::fromUtf8("Text za položkami"), this);
    btnTextZa->setObjectName("btnTextZa");
    reTextPred = new QTextEdit(this);
    reTextPred->setObjectName("reTextPred");
    reTextZa = new QTextEdit(this);
    reTextZa->setObjectName("reTextZa");
    for (QTextEdit* field : {reTextPred, reTextZa}) {
        field->setAcceptRichText(true);
        field->hide();
    }
    for (QPushButton* b : {btnTextPred, btnTextZa}) {
        b->setAutoDefault(false);
        b->setToolTip(QString::fromUtf8(kTextHint));
    }
    connect(btnTextPred, &QPushButton::clicked, this, [this] { EditText(reTextPred); });
    connect(btnTextZa, &QPushButton::clicked, this, [this] { EditText(reTextZa); });

    chckAutoPlatnostDo = new QCheckBox(QString::fromUtf8(kAutoValidityCaption), this);
    chckAutoPlatnostDo->setObjectName("chckAutoPlatnostDo");
    edtAutoPlatnostPocet = new TRxSpinEdit(chckAutoPlatnostDo);
    edtAutoPlatnostPocet->setObjectName("edtAutoPlatnostPocet");
    edtAutoPlatnostPocet->setRange(0, kMaxDays);
    connect(chckAutoPlatnostDo, &QCheckBox::toggled, edtAutoPlatnostPocet, &QWidget::setEnabled);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Zkratka šablony"), edtZkratka);
    form->addRow(QString::fromUtf8("Název šablony"), edtNazev);
    form->addRow(QString::fromUtf8("Nadpis dokladu"), edtNadpis);
    auto* texts = new QHBoxLayout;
    texts->addWidget(btnTextPred);
    texts->addWidget(btnTextZa);
    texts->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addLayout(texts);
    layout->addWidget(chckAutoPlatnostDo);
    layout->addStretch();
    AddPurchasePriceAction(this);
    resize(480, 260);
    Clear();
}

void TfrmSablonyDetail::Clear() {
    edtZkratka->clear();
    edtNazev->clear();
    edtNadpis->clear();
    reTextPred->clear();
    reTextZa->clear();
    chckAutoPlatnostDo->setChecked(false);
    edtAutoPlatnostPocet->setEnabled(false);
    edtAutoPlatnostPocet->SetValue(0);
}

void TfrmSablonyDetail::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    // The days field fills the blanks of the caption, so the sentence reads around it.
    const QFontMetrics metrics = chckAutoPlatnostDo->fontMetrics();
    const QString caption = QString::fromUtf8(kAutoValidityCaption);
    const QString lead = QString::fromUtf8(kAutoValidityLead);
    const int gapEnd = metrics.horizontalAdvance(caption.left(caption.indexOf(QStringLiteral("dnů"))));
    const int gapStart = metrics.horizontalAdvance(lead);
    QStyleOptionButton option;
    option.initFrom(chckAutoPlatnostDo);
    const int textLeft = chckAutoPlatnostDo->style()
                             ->subElementRect(QStyle::SE_CheckBoxContents, &option, chckAutoPlatnostDo)
                             .left();
    edtAutoPlatnostPocet->setFixedWidth(gapEnd - gapStart - 4);
    edtAutoPlatnostPocet->move(textLeft + gapStart,
                               (chckAutoPlatnostDo->height() - edtAutoPlatnostPocet->height()) / 2);
    edtZkratka->setFocus();
}

void TfrmSablonyDetail::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    edtZkratka->setText(edtZkratka->text().trimmed());
    if (edtZkratka->text().isEmpty()) {
        ShowWarning(QString::fromUtf8(kTemplateCodeMissing));
        return;
    }
    accept();
}

void TfrmSablonyDetail::EditText(QTextEdit* field) {
    QString text = QString::fromLatin1(DocumentToRtf(*field->document()));
    if (EditRichText(text)) LoadRichText(text, field);
}
