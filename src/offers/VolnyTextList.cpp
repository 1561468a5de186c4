#include "offers/VolnyTextList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "offers/VolnyText.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr const char* kCaption = "Volné texty";
constexpr int kNameWidth = 624;
constexpr int kRowHeight = 17;

// The hourglass for the length of one button's action.
struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TVolnyTextList::TVolnyTextList() : query_(std::make_unique<TADOQuery>(&frmMain->ADOConAgenda)) {}

TVolnyTextList::~TVolnyTextList() = default;

bool TVolnyTextList::ShowDialog() {
    query_->Close();
    query_->SetSQL("SELECT ID, Nazev FROM VolnyText");
    query_->Open();
    if (SelectedID != 0) query_->Locate("ID", SelectedID);
    TfrmVolnyTextList window(*this, ApplicationMainWindow());
    return window.exec() == kResultOk;
}

TfrmVolnyTextList::TfrmVolnyTextList(TVolnyTextList& list, QWidget* parent)
    : TPriceListDialog(parent), list_(list) {
    setObjectName("frmVolnyTextList");
    setWindowTitle(QString::fromUtf8(kCaption));
    grList = MakeListGrid(this, "grList", &dsList, {{"Nazev", QString::fromUtf8("Název")}});
    grList->Columns().ColumnAt(0)->SetWidth(kNameWidth);
    grList->SetDefaultRowHeight(kRowHeight);
    lblNapoveda = new QLabel(QString::fromUtf8(kFreeTextListHelp), this);
    lblNapoveda->setObjectName("lblNapoveda");
    lblNapoveda->setWordWrap(true);

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat nový volný text"),
                          QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnObnovit = AddButton(this, buttons, "btnObnovit", "Obnovit");
    btnKopirovat = AddButton(this, buttons, "btnKopirovat", QString::fromUtf8("Kopírovat"));
    buttons->addStretch();
    btnOK->setDefault(true);

    auto guarded = [this](void (TfrmVolnyTextList::*action)()) {
        return [this, action] {
            TBusyCursor busy;
            (this->*action)();
        };
    };
    connect(btnOK, &QPushButton::clicked, this, guarded(&TfrmVolnyTextList::btnOKClick));
    connect(btnStorno, &QPushButton::clicked, this, &TfrmVolnyTextList::reject);
    connect(btnPridat, &QPushButton::clicked, this, guarded(&TfrmVolnyTextList::btnPridatClick));
    connect(btnOpravit, &QPushButton::clicked, this, guarded(&TfrmVolnyTextList::btnOpravitClick));
    connect(btnKopirovat, &QPushButton::clicked, this, guarded(&TfrmVolnyTextList::btnKopirovatClick));
    connect(btnVyjmout, &QPushButton::clicked, this, guarded(&TfrmVolnyTextList::btnVyjmoutClick));
    connect(btnObnovit, &QPushButton::clicked, this, guarded(&TfrmVolnyTextList::btnObnovitClick));
    grList->OnDblClick = [this](QObject*) {
        if (btnOK->isEnabled()) btnOK->click();
    };
    OnEnterKey(grList, [this] {
        if (btnOK->isEnabled()) btnOK->click();
    });

    auto* left = new QVBoxLayout;
    left->addWidget(grList, 1);
    left->addWidget(lblNapoveda);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    AddPurchasePriceAction(this);
    resize(820, 420);
    dsList.SetDataSet(&list_.Query());
}

TfrmVolnyTextList::~TfrmVolnyTextList() { delete grList; }

void TfrmVolnyTextList::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grList->setFocus();
}

void TfrmVolnyTextList::UpdateButtons() {
    const bool rows = list_.Query().Active() && !list_.Query().IsEmpty();
    for (QPushButton* b : {btnOK, btnOpravit, btnKopirovat, btnVyjmout}) b->setEnabled(rows);
}

int TfrmVolnyTextList::CurrentID() const { return list_.Query().FieldByName("ID")->AsInteger(); }

void TfrmVolnyTextList::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    list_.SelectedID = CurrentID();
    done(kResultOk);
}

void TfrmVolnyTextList::btnPridatClick() {
    TVolnyText text;
    text.PlainTarget = list_.PlainTarget;
    if (!text.Add()) return;
    btnObnovitClick();
    list_.Query().Locate("ID", text.ID);
    UpdateButtons();
}

void TfrmVolnyTextList::btnOpravitClick() {
    if (!btnOpravit->isEnabled()) return;
    TVolnyText text;
    text.PlainTarget = list_.PlainTarget;
    if (!text.Edit(CurrentID())) return;
    btnObnovitClick();
    UpdateButtons();
}

void TfrmVolnyTextList::btnKopirovatClick() {
    if (!btnKopirovat->isEnabled()) return;
    TVolnyText text;
    text.PlainTarget = list_.PlainTarget;
    if (!text.Copy(CurrentID())) return;
    btnObnovitClick();
    list_.Query().Locate("ID", text.ID);
    UpdateButtons();
}

void TfrmVolnyTextList::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    if (!AskQuestion(QString::fromUtf8(kConfirmRecordDelete))) return;
    TADOQuery& query = list_.Query();
    const int standOn = GetIDAfterDelete(query, "ID");
    TVolnyText text;
    if (text.Delete(CurrentID())) {
        btnObnovitClick();
        query.Locate("ID", standOn);
    } else if (!text.ErrorShown) {
        ShowError(text.ErrorText);
    }
    UpdateButtons();
}

void TfrmVolnyTextList::btnObnovitClick() {
    grList->MarkedRows().ClearMarks();
    RequeryAndLocate(list_.Query());
    UpdateButtons();
}

bool PickFreeText(bool plainTarget, TVolnyText& chosen) {
    TVolnyTextList list;
    list.PlainTarget = plainTarget;
    if (!list.ShowDialog()) return false;
    if (chosen.Load(list.SelectedID)) return true;
    ShowError(chosen.ErrorText);
    return false;
}

bool PutFreeText(QTextEdit* edit, bool append) {
    TVolnyText chosen;
    if (!PickFreeText(false, chosen)) return false;
    if (!append) {
        LoadRichText(chosen.MemoText, edit);
        return true;
    }
    // The stored text keeps its own formatting where it lands.
    QTextEdit loaded;
    LoadRichText(chosen.MemoText, &loaded);
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertFragment(QTextDocumentFragment(loaded.document()));
    edit->setTextCursor(cursor);
    return true;
}

bool PutFreeText(QPlainTextEdit* edit, bool append) {
    TVolnyText chosen;
    if (!PickFreeText(true, chosen)) return false;
    if (append)
        edit->appendPlainText(chosen.GetPlainText());
    else
        edit->setPlainText(chosen.GetPlainText());
    return true;
}
