// The comment editor of offers.

#include "offers/CommentUpdater.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>
#include <exception>

#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/DateFormat.h"
#include "platform/ui/Dialogs.h"

namespace {
constexpr int kOfferComment = 0;
}

TCommentUpdater::TCommentUpdater(int kind, int recordId) : kind_(kind), recordId_(recordId) {}

bool TCommentUpdater::Load() {
    const QString table = CommentTargetTable(kind_);
    const QString columns = kind_ == kOfferComment ? "TextKomentare, Zamek" : "TextKomentare";
    try {
        TADOQuery q{&frmMain->ADOConAgenda};
        q.SetSQL(QString("SELECT %1 FROM %2 WHERE ID = :ID").arg(columns, table));
        q.Parameters().ParamByName("ID")->Value = recordId_;
        q.Open();
        Comment.clear();
        Locked = false;
        if (!q.IsEmpty()) {
            Comment = q.FieldByName("TextKomentare")->AsString();
            if (kind_ == kOfferComment) Locked = q.FieldByName("Zamek")->AsBoolean();
        }
        q.Close();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(kCommentLoadFailed) + QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

bool TCommentUpdater::CheckAllowed() {
    if (Locked) {
        ShowInformation(QString::fromUtf8(kCommentLocked));
        return false;
    }
    if (kind_ == kOfferComment && CurrentUser.Nabidky_AR >= TAccessLevel::ReadOnly) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    return true;
}

QString CommentStampLine(TDateTime now, const QString& user) {
    return QString("=== %1 (%2 hod) %3 ===").arg(DateToStr(now), FormatDateTime("hh:nn", now), user);
}

void TCommentUpdater::AppendStamp(TDateTime now) {
    if (!Comment.isEmpty()) Comment += "\r\n";
    Comment += CommentStampLine(now, CurrentUser.Jmeno) + "\r\n";
}

bool TCommentUpdater::Save() {
    try {
        TADOCommand command;
        command.Connection = &frmMain->ADOConAgenda;
        command.SetCommandText(QString("UPDATE %1 SET TextKomentare = :TextKomentare WHERE ID = :ID")
                                   .arg(CommentTargetTable(kind_)));
        command.Parameters.ParamByName("TextKomentare")->Value = Comment;
        command.Parameters.ParamByName("ID")->Value = recordId_;
        if (command.Execute() == 0) {
            ErrorText = QString::fromUtf8(kExecuteFailed);
            return false;
        }
    } catch (const std::exception& e) {
        ErrorText = QString::fromUtf8(kExecuteFailed) + " " + QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

bool TCommentUpdater::Execute() {
    if (!Load() || !CheckAllowed()) return false;
    if (StampOfferComments) AppendStamp();
    TfrmCommentUpdater window;
    // The memo shows lines; the stored text keeps CR LF.
    window.memTextKomentare->setPlainText(QString(Comment).replace("\r\n", "\n"));
    if (window.exec() != QDialog::Accepted) return false;
    Comment = window.memTextKomentare->toPlainText().replace("\n", "\r\n");
    if (!Save()) ShowError(QString::fromUtf8(kCommentSaveFailed) + ErrorText);
    return true;
}

TfrmCommentUpdater::TfrmCommentUpdater(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmCommentUpdater");
    setWindowTitle(QString::fromUtf8(kCommentCaption));
    auto* layout = new QVBoxLayout(this);
    memTextKomentare = new QPlainTextEdit(this);
    memTextKomentare->setObjectName("memTextKomentare");
    layout->addWidget(memTextKomentare);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, false);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    resize(460, 300);
}

void TfrmCommentUpdater::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    memTextKomentare->setFocus();
    memTextKomentare->moveCursor(QTextCursor::End);
}
