#include "offers/Sablony.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "offers/NabidkaKart.h"
#include "offers/SablonyDetail.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Rowset.h"
#include "platform/text/OleDate.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/RichText.h"
#include "platform/ui/RxSpinEdit.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr const char* kCaption = "Šablony";
constexpr const char* kTemplateTable = "NabSablony";
constexpr const char* kTemplateSql = "SELECT * FROM NabSablony";
constexpr int kCodeWidth = 79;
constexpr int kNameWidth = 274;
constexpr int kRowHeight = 17;
// The card's "Šablony" asks before overwriting texts at most once per opening of the offer.
constexpr const char* kQuestionAskedProperty = "templateTag";

TADOQuery& Templates() { return frmMain->adqNabSablony; }

QString RichTextOf(const QTextEdit* edit) { return QString::fromLatin1(DocumentToRtf(*edit->document())); }

// Another template with the code. The code is bound, so a quote in it reaches no other row.
bool TemplateCodeTaken(const QString& code, int ownId) {
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL("SELECT ID FROM NabSablony WHERE Zkratka = :Zkratka AND ID <> :ID");
    q.Parameters().ParamByName("Zkratka")->Value = code;
    q.Parameters().ParamByName("ID")->Value = ownId;
    q.Open();
    const bool taken = !q.IsEmpty();
    q.Close();
    return taken;
}

void FillCard(TfrmSablonyDetail& card, const TADOQuery& row) {
    card.edtZkratka->setText(row.FieldByName("Zkratka")->AsString());
    card.edtNazev->setText(row.FieldByName("Nazev")->AsString());
    card.edtNadpis->setText(row.FieldByName("Nadpis")->AsString());
    LoadRichText(row.FieldByName("TextPred")->AsString(), card.reTextPred);
    LoadRichText(row.FieldByName("TextZa")->AsString(), card.reTextZa);
    card.chckAutoPlatnostDo->setChecked(row.FieldByName("AutoPlatnostDo")->AsBoolean());
    card.edtAutoPlatnostPocet->setEnabled(card.chckAutoPlatnostDo->isChecked());
    card.edtAutoPlatnostPocet->SetValue(row.FieldByName("AutoPlatnostPocet")->AsInteger());
}

// Writes the card; the rows affected, and the new ID after an insert.
int WriteTemplate(const TfrmSablonyDetail& card, bool isNew, int id, int& newId) {
    const TParamValues values = {
        {"Zkratka", card.edtZkratka->text()},
        {"Nazev", card.edtNazev->text()},
        {"TextPred", RichTextOf(card.reTextPred)},
        {"TextZa", RichTextOf(card.reTextZa)},
        {"Nadpis", card.edtNadpis->text()},
        {"AutoPlatnostDo", card.chckAutoPlatnostDo->isChecked()},
        // The days are kept whether or not the box is checked.
        {"AutoPlatnostPocet", card.edtAutoPlatnostPocet->Value()},
    };
    if (!isNew)
        return ExecAgenda(
            QStringLiteral("UPDATE NabSablony SET Zkratka = :Zkratka, Nazev = :Nazev, TextPred = "
                           ":TextPred, TextZa = :TextZa, Nadpis = :Nadpis, AutoPlatnostDo = "
                           ":AutoPlatnostDo, AutoPlatnostPocet = :AutoPlatnostPocet WHERE ID = %1")
                .arg(id),
            values);
    const int rows = ExecAgenda(
        "INSERT INTO NabSablony (Zkratka, Nazev, TextPred, TextZa, Nadpis, AutoPlatnostDo, "
        "AutoPlatnostPocet) "
        "VALUES (:Zkratka, :Nazev, :TextPred, :TextZa, :Nadpis, :AutoPlatnostDo, :AutoPlatnostPocet)",
        values);
    if (rows != 0) newId = LastInsertedId();
    return rows;
}

}  // namespace

int PickOfferTemplate(int mode, bool closeAfter, bool show) {
    TfrmSablony window(ApplicationMainWindow());
    TADOQuery& templates = Templates();
    templates.Close();
    templates.SetSQL(kTemplateSql);
    templates.Open();
    window.Mode = mode;
    const int result = show ? window.exec() : 0;
    if (closeAfter) templates.Close();
    return result;
}

int EditOfferTemplate(bool isNew) {
    TADOQuery& templates = Templates();
    TCardSession session;
    if (!session.Begin(true, &templates, QString(), isNew)) return -1;
    TfrmSablonyDetail card(ApplicationMainWindow());
    card.btnOK->setEnabled(true);
    int id = 0;
    QString storedCode;
    if (!isNew) {
        id = templates.FieldByName("ID")->AsInteger();
        if (!session.Lock(RecordLockPath(kTemplateTable, id))) return -1;
        card.btnOK->setEnabled(!session.ReadOnly());
        FillCard(card, templates);
        storedCode = templates.FieldByName("Zkratka")->AsString();
    }
    int newId = 0;
    int rows = 0;
    for (;;) {
        if (card.exec() != QDialog::Accepted) return 0;
        const QString code = card.edtZkratka->text();
        if (isNew || code != storedCode) {
            if (TemplateCodeTaken(code, id)) {
                ShowInformation(QString::fromUtf8(kTemplateCodeTaken).arg(code));
                continue;
            }
        }
        // A database error the write cannot wait out brings the card back as the user left it,
        // like a refused code does.
        if (!SaveKeepingCardOpen([&] { rows = WriteTemplate(card, isNew, id, newId); })) continue;
        break;
    }
    if (!session.AfterSave(templates, rows, newId)) return -1;
    return 0;
}

void ApplyOfferTemplate(TfrmNabidkaKart& card) {
    const TADOQuery& row = Templates();
    LoadRichText(row.FieldByName("TextPred")->AsString(), card.reTextPred);
    LoadRichText(row.FieldByName("TextZa")->AsString(), card.reTextZa);
    card.edtNadpis->setText(row.FieldByName("Nadpis")->AsString());
    if (row.FieldByName("AutoPlatnostDo")->AsBoolean()) {
        const TDateTime issued = card.edtDatVystaveni->IsEmpty() ? Date() : card.edtDatVystaveni->Date();
        card.edtDatPlatnost->SetDate(issued + row.FieldByName("AutoPlatnostPocet")->AsInteger());
    }
}

void ResetOfferTemplateQuestion(TfrmNabidkaKart& card) {
    card.btnVyberSablony->setProperty(kQuestionAskedProperty, 0);
}

void ChooseOfferTemplate(TfrmNabidkaKart& card) {
    struct TCloseTemplates {
        ~TCloseTemplates() { Templates().Close(); }
    } closeAfter;
    if (PickOfferTemplate(kTemplatePick, false, true) != kResultOk) return;
    QPushButton* button = card.btnVyberSablony;
    const bool textsEmpty =
        card.reTextPred->toPlainText().isEmpty() && card.reTextZa->toPlainText().isEmpty();
    if (button->property(kQuestionAskedProperty).toInt() == 0 && !textsEmpty) {
        // Whatever the answer, the question is not asked again in this opening.
        button->setProperty(kQuestionAskedProperty, 1);
        if (!AskQuestion(QString::fromUtf8(kConfirmTemplateOverwrite))) return;
    }
    ApplyOfferTemplate(card);
}

TfrmSablony::TfrmSablony(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmSablony");
    setWindowTitle(QString::fromUtf8(kCaption));
    grSablony = MakeListGrid(this, "grSablony", &dsNabSablony,
                             {{"Zkratka", "Zkratka"}, {"Nazev", QString::fromUtf8("Název")}});
    grSablony->Columns().ColumnAt(0)->SetWidth(kCodeWidth);
    grSablony->Columns().ColumnAt(1)->SetWidth(kNameWidth);
    grSablony->SetDefaultRowHeight(kRowHeight);

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    buttons->addStretch();
    btnOK->setDefault(true);

    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmSablony::reject);
    connect(btnVyjmout, &QPushButton::clicked, this, [this] {
        if (btnVyjmout->isEnabled()) btnVyjmoutClick();
    });
    connect(btnPridat, &QPushButton::clicked, this, [this] {
        EditOfferTemplate(true);
        AfterCard();
    });
    connect(btnOpravit, &QPushButton::clicked, this, [this] {
        if (!btnOpravit->isEnabled()) return;
        EditOfferTemplate(false);
        AfterCard();
    });
    const auto pickOrOpen = [this] { (Mode == kTemplatePick ? btnOK : btnOpravit)->click(); };
    grSablony->OnDblClick = [pickOrOpen](QObject*) { pickOrOpen(); };
    OnEnterKey(grSablony, [this] { btnOK->click(); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grSablony, 1);
    layout->addLayout(buttons);
    AddPurchasePriceAction(this);
    resize(480, 360);
    dsNabSablony.SetDataSet(&Templates());
}

TfrmSablony::~TfrmSablony() { delete grSablony; }

void TfrmSablony::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grSablony->setFocus();
}

void TfrmSablony::UpdateButtons() {
    const bool rows = Templates().Active() && !Templates().IsEmpty();
    for (QPushButton* b : {btnOK, btnVyjmout, btnOpravit}) b->setEnabled(rows);
}

void TfrmSablony::AfterCard() {
    UpdateButtons();
    grSablony->setFocus();
}

void TfrmSablony::btnVyjmoutClick() {
    TADOQuery& templates = Templates();
    int standOn = -1;
    const int id = templates.IsEmpty() ? 0 : templates.FieldByName("ID")->AsInteger();
    if (PrepareRecordDelete(templates, RecordLockPath(kTemplateTable, id), standOn)) {
        ExecAgenda(QStringLiteral("DELETE FROM NabSablony WHERE ID = %1").arg(id));
        RequeryAndLocate(templates);
        templates.Locate("ID", standOn);
    }
    AfterCard();
}
