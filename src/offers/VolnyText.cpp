#include "offers/VolnyText.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/Rowset.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/RichText.h"

namespace {

constexpr const char* kCaption = "Volný text";

}  // namespace

bool TVolnyText::Load(int id) {
    IsNew = false;
    ErrorShown = false;
    TADOQuery query(&frmMain->ADOConAgenda);
    try {
        query.SetSQL(QStringLiteral("SELECT ID, Nazev, MemoText FROM VolnyText WHERE ID = %1").arg(id));
        query.Open();
    } catch (const EDatabaseError& e) {
        ErrorText = QString::fromUtf8(kFreeTextLoadFailed).arg(id) + e.Message();
        return false;
    }
    if (query.IsEmpty()) {
        ErrorText = QString::fromUtf8(kFreeTextNotFound).arg(id);
        return false;
    }
    ID = query.FieldByName("ID")->AsInteger();
    Nazev = query.FieldByName("Nazev")->AsString();
    MemoText = query.FieldByName("MemoText")->AsString();
    return true;
}

bool TVolnyText::Save() {
    ErrorShown = false;
    if (Nazev.isEmpty()) {
        ErrorText = QString::fromUtf8(kFreeTextNoName);
        return false;
    }
    TADOCommand command;
    command.Connection = &frmMain->ADOConAgenda;
    command.SetCommandText(
        IsNew ? QStringLiteral("INSERT INTO VolnyText (Nazev, MemoText) VALUES (:Nazev, :MemoText)")
              : QStringLiteral("UPDATE VolnyText SET Nazev = :Nazev, MemoText = :MemoText "
                               "WHERE ID = %1")
                    .arg(ID));
    command.Parameters.ParamByName("Nazev")->Value = Nazev;
    command.Parameters.ParamByName("MemoText")->Value = MemoText;
    if (command.Execute() != 1) {
        ErrorText = QString::fromUtf8(kFreeTextSaveFailed);
        return false;
    }
    if (IsNew) {
        command.SetCommandText("SELECT @@IDENTITY");
        ID = command.OpenRowset()->Value(0, 0).toInt();
        IsNew = false;
    }
    return true;
}

bool TVolnyText::Delete(int id) { return DeleteRow("VolnyText", id, kFreeTextDeleteFailed); }

bool TVolnyText::Add() { return ShowDialog(); }

bool TVolnyText::Edit(int id) { return LoadOrTell(id) && ShowDialog(); }

bool TVolnyText::Copy(int id) {
    if (!LoadOrTell(id)) return false;
    IsNew = true;
    return ShowDialog();
}

QString TVolnyText::GetPlainText() const {
    QTextEdit hidden;
    LoadRichText(MemoText, &hidden);
    return hidden.toPlainText();
}

bool TVolnyText::ShowDialog() {
    TfrmVolnyText card(*this, ApplicationMainWindow());
    return card.exec() == QDialog::Accepted;
}

TfrmVolnyText::TfrmVolnyText(TVolnyText& text, QWidget* parent) : TVnDialog(parent), text_(text) {
    setObjectName("frmVolnyText");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* top = new QHBoxLayout;
    AddOkStornoButtons(this, top, btnOK, btnStorno, false);
    top->addStretch();
    connect(btnOK, &QPushButton::clicked, this, &TfrmVolnyText::btnOKClick);

    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(kFreeTextNameLength);
    reText = new QTextEdit(this);
    reText->setObjectName("reText");
    reText->setAcceptRichText(true);
    panNoRTFInfo = new QFrame(this);
    panNoRTFInfo->setObjectName("panNoRTFInfo");
    auto* note = new QLabel(QString::fromUtf8(kFreeTextNoFormatting), panNoRTFInfo);
    note->setWordWrap(true);
    auto* noteLayout = new QHBoxLayout(panNoRTFInfo);
    noteLayout->setContentsMargins(0, 0, 0, 0);
    noteLayout->addWidget(note);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QString::fromUtf8("Název"), this));
    layout->addWidget(edtNazev);
    layout->addWidget(new QLabel("Text", this));
    tools = AddRichTextTools(this, layout, reText);
    layout->addWidget(reText, 1);
    layout->addWidget(panNoRTFInfo);
    AddPurchasePriceAction(this);
    resize(620, 420);

    edtNazev->setText(text_.Nazev);
    LoadRichText(text_.MemoText, reText);
    panNoRTFInfo->setVisible(text_.PlainTarget);
}

void TfrmVolnyText::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    edtNazev->setFocus();
}

void TfrmVolnyText::btnOKClick() {
    text_.Nazev = edtNazev->text();
    text_.MemoText = QString::fromLatin1(DocumentToRtf(*reText->document()));
    if (!text_.Save()) {
        ShowError(text_.ErrorText);
        return;
    }
    accept();
}
