#include "offers/VolnyTextList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/Main.h"
#include "offers/VolnyText.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr const char* kCaption = "Volné texty";
constexpr int kNameWidth = 624;

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
    : TRecordListDialog(list.Query(), {{"Nazev", QString::fromUtf8("Název")}},
                        QString::fromUtf8("Přidat nový volný text"), parent),
      list_(list) {
    setObjectName("frmVolnyTextList");
    setWindowTitle(QString::fromUtf8(kCaption));
    grList->Columns().ColumnAt(0)->SetWidth(kNameWidth);
    lblNapoveda = new QLabel(QString::fromUtf8(kFreeTextListHelp), this);
    lblNapoveda->setObjectName("lblNapoveda");
    lblNapoveda->setWordWrap(true);

    auto* left = new QVBoxLayout;
    left->addWidget(grList, 1);
    left->addWidget(lblNapoveda);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(Buttons());
    resize(820, 420);
}

void TfrmVolnyTextList::KeepChoice() { list_.SelectedID = CurrentID(); }

int TfrmVolnyTextList::AddRecord() {
    TVolnyText text;
    text.PlainTarget = list_.PlainTarget;
    return text.Add() ? text.ID : 0;
}

bool TfrmVolnyTextList::EditRecord(int id) {
    TVolnyText text;
    text.PlainTarget = list_.PlainTarget;
    return text.Edit(id);
}

int TfrmVolnyTextList::CopyRecord(int id) {
    TVolnyText text;
    text.PlainTarget = list_.PlainTarget;
    return text.Copy(id) ? text.ID : 0;
}

bool TfrmVolnyTextList::DeleteRecord(int id) {
    TVolnyText text;
    if (text.Delete(id)) return true;
    if (!text.ErrorShown) ShowError(text.ErrorText);
    return false;
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
