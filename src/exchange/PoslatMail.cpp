// The e-mail of an offer and the "sent" mark. The offer's state is changed under the offer's record
// lock: a card open on another station would otherwise write its own state back over it.

#include "exchange/PoslatMail.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/DataFolder.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/Working.h"
#include "exchange/Tisk.h"
#include "offers/NabidkaData.h"
#include "offers/Nabidky.h"
#include "platform/data/Field.h"
#include "platform/files/FileUtils.h"
#include "platform/shell/DesktopHelper.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr int kPathLength = 255;

TADOQuery& Offers() { return frmMain->adqNabidky; }

bool HasOffer() { return Offers().Active() && !Offers().IsEmpty(); }

// The PDF is ready when the mail program is not: the user may still send it another way.
void OfferPdfInstead(TMailResult result, const QString& pdf) {
    const char* reason = result == TMailResult::NoMailProgram ? kNoMailProgram : kMailProgramFailed;
    if (!AskQuestion(QString::fromUtf8(reason) + QString::fromUtf8(kSavePdfInstead))) return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    const QString number = Offers().FieldByName("Doklad")->AsString().trimmed();
    const QString proposed =
        folder + "/" + (number.isEmpty() ? QFileInfo(pdf).completeBaseName() : number) + ".pdf";
    const QString target =
        PrintSaveDialog(proposed, QString::fromUtf8(kSavePdfTitle), QString::fromUtf8(kSavePdfFilter));
    if (target.isEmpty()) return;
    // The file dialog has asked before an existing file is replaced.
    if (QFileInfo(target) != QFileInfo(pdf)) QFile::remove(target);
    if (!QFile::copy(pdf, target)) {
        ShowError(QString::fromUtf8(kPdfNotSaved).arg(target));
        return;
    }
    ShowInformation(QString::fromUtf8(kPdfSaved).arg(target));
}

}  // namespace

std::function<TMailResult(const TMailMessage&)> MailSender = [](const TMailMessage& message) {
    QStringList arguments;
    for (const QString& file : message.Attachments) arguments << "--attach" << file;
    arguments << message.To;
    switch (HandToDesktop("xdg-email", arguments)) {
        case TDesktopHandOver::Taken:
            return TMailResult::Handed;
        case TDesktopHandOver::NoHelper:
        case TDesktopHandOver::NoProgram:
            return TMailResult::NoMailProgram;
        default:
            return TMailResult::Failed;
    }
};

QString OfferPdfPath() { return PrivateTempFolder + "nabidka.pdf"; }

TfrmPoslatMail::TfrmPoslatMail(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmPoslatMail");
    setWindowTitle(QString::fromUtf8(kMailCaption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("E-mailová adresa"), this));
    edtEmailAdresa = new QLineEdit(this);
    edtEmailAdresa->setObjectName("edtEmailAdresa");
    layout->addWidget(edtEmailAdresa);
    chckPripojDoc = new QCheckBox(QString::fromUtf8("připojit i dokumenty z nabídky"), this);
    chckPripojDoc->setObjectName("chckPripojDoc");
    layout->addWidget(chckPripojDoc);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = AddButton(this, buttons, "btnOk", "OK", QKeySequence(Qt::Key_Return));
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &TfrmPoslatMail::acbtnOkExecute);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    AddPurchasePriceAction(this);
    mtAttach.FieldDefs().Add("File", ftString, kPathLength);
    mtAttach.CreateTable();
}

void TfrmPoslatMail::acbtnOkExecute() {
    if (edtEmailAdresa->text().trimmed().isEmpty()) {
        ShowWarning(QString::fromUtf8(kEnterEmail));
        return;
    }
    accept();
}

int SendOfferByEmail(TfrmTisk& dialog) {
    if (!HasOffer()) return -1;
    const QString pdf = OfferPdfPath();
    QFile::remove(pdf);
    if (FileExists(pdf)) {
        ShowError(QString::fromUtf8(kCannotOverwriteTemp).arg(pdf));
        return -1;
    }
    if (dialog.PrepareReportData("PDFEXPORT", pdf) != 0 || !dialog.RunReportPrinter()) return -1;

    TfrmPoslatMail window(&dialog);
    window.mtAttach.Close();
    window.mtAttach.Open();
    window.mtAttach.Append();
    window.mtAttach.FieldByName("File")->SetAsString(pdf);
    window.mtAttach.Post();

    const int offerId = Offers().FieldByName("ID")->AsInteger();
    const int customer = Offers().FieldByName("AdrCislo")->AsInteger();
    if (customer != 0) {
        TADOQuery& q = frmMain->adqAgendaFree1;
        q.Close();
        q.SetSQL("SELECT * FROM Adresar");
        q.Open();
        // A customer deleted meanwhile leaves the address empty.
        if (q.Locate("ID", customer)) window.edtEmailAdresa->setText(q.FieldByName("Email")->AsString());
        q.Close();
    }
    window.chckPripojDoc->setChecked(false);
    window.edtEmailAdresa->setFocus();
    if (window.exec() != QDialog::Accepted) return -1;

    TWorkingShown working(QString::fromUtf8(kGeneratingMail));
    if (window.chckPripojDoc->isChecked()) {
        TADOQuery& q = frmMain->adqAgendaFree1;
        q.Close();
        q.SetSQL("SELECT * FROM DokumentyNab WHERE CisloNab = :ID");
        q.Parameters().ParamByName("ID")->Value = offerId;
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) {
            QString path = q.FieldByName("Soubor")->AsString();
            // A path in the shared folder lies in the offer's own document folder.
            if (path.left(16).toUpper() == QString::fromLatin1(kSharedFolderToken))
                path = OfferDocumentFolder(offerId) + path.mid(16).left(kPathLength);
            window.mtAttach.Append();
            window.mtAttach.FieldByName("File")->SetAsString(path);
            window.mtAttach.Post();
        }
        q.Close();
    }
    TMailMessage message;
    message.To = window.edtEmailAdresa->text().trimmed();
    for (window.mtAttach.First(); !window.mtAttach.Eof(); window.mtAttach.Next()) {
        const QString path = window.mtAttach.FieldByName("File")->AsString();
        if (FileExists(path)) {
            message.Attachments << path;
            continue;
        }
        working.Hide();
        if (!AskQuestion(QString::fromUtf8(kMissingAttachment).arg(path))) return -1;
    }
    const TMailResult result = MailSender(message);
    working.Hide();
    if (result == TMailResult::Handed)
        MarkOfferSent();
    else
        OfferPdfInstead(result, pdf);
    return 0;
}

int MarkOfferSent() {
    if (!HasOffer()) return -1;
    if (CurrentUser.Nabidky_AR == TAccessLevel::ReadOnly || CurrentUser.Nabidky_AR == TAccessLevel::NoAccess)
        return -1;
    TADOQuery& list = Offers();
    if (list.FieldByName("Zamek")->AsBoolean()) return -1;
    const auto state = static_cast<TOfferState>(list.FieldByName("IDStav")->AsInteger());
    if (state != TOfferState::InPreparation && state != TOfferState::Correction) return 0;
    const int id = list.FieldByName("ID")->AsInteger();
    TRecordLock lock;
    switch (lock.Take(RecordLockPath("Nabidky", id))) {
        case TRecordLock::Taken:
            break;
        case TRecordLock::InUse:
            ShowInformation(QString::fromUtf8(kRecordInUseText));
            return -1;
        case TRecordLock::Failed:
            return -1;
    }
    if (!AskQuestion(QString::fromUtf8(kMarkSentQuestion).arg(list.FieldByName("Doklad")->AsString())))
        return 0;
    TADOCommand& command = frmMain->adcAgenda1;
    command.SetCommandText("UPDATE Nabidky SET IDStav = 1 WHERE ID = :ID");
    command.Parameters.ParamByName("ID")->Value = id;
    command.Execute();
    lock.Release();
    if (TfrmNabidky* window = TfrmNabidky::Existing()) window->grNabidky->MarkedRows().ClearMarks();
    RequeryAndLocate(list);
    return 0;
}
