#include "addressbook/Odkaz.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "addressbook/Dokumenty.h"
#include "core/CommonUtils.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"

namespace {

const char* const kDialogTitle = "Vyberte požadovaný soubor";
const char* const kDialogFilter =
    "Všechny soubory (*.*);;Dokumenty MS Word (*.doc);;Sešity MS Excel (*.xls);;Soubory Acrobat (*.pdf);;"
    "Textové soubory (*.txt)";
constexpr int kPopisLength = 50;
constexpr int kOdkazLength = 255;

QString ExecFileDialog(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, QString::fromUtf8(kDialogTitle), folder,
                                        QString::fromUtf8(kDialogFilter), nullptr, QFileDialog::ReadOnly);
}

}  // namespace

std::function<QString(QWidget* parent, const QString& folder)> ChooseDocumentFile = ExecFileDialog;

TfrmOdkaz::TfrmOdkaz(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmOdkaz");
    edtPopis = new QLineEdit(this);
    edtPopis->setObjectName("edtPopis");
    edtPopis->setMaxLength(kPopisLength);
    edtOdkaz = new QLineEdit(this);
    edtOdkaz->setObjectName("edtOdkaz");
    edtOdkaz->setMaxLength(kOdkazLength);
    auto* none = static_cast<QBoxLayout*>(nullptr);
    btnProchazet = AddButton(this, none, "btnProchazet", "...", QKeySequence(),
                             QString::fromUtf8("Výběr souboru z disku"));
    chckZkopirovat = new QCheckBox(QString::fromUtf8("Zkopírovat dokument do sdílené složky"), this);
    chckZkopirovat->setObjectName("chckZkopirovat");
    lblSouborJeUm = new QLabel(QString::fromUtf8("Umístění sdílené složky"), this);
    lblSouborJeUm->setObjectName("lblSouborJeUm");
    edtSdilenySoubor = new QLineEdit(this);
    edtSdilenySoubor->setObjectName("edtSdilenySoubor");
    edtSdilenySoubor->setReadOnly(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QString::fromUtf8("Popis dokumentu"), this), 0, 0);
    fields->addWidget(edtPopis, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QString::fromUtf8("Odkaz na soubor"), this), 1, 0);
    fields->addWidget(edtOdkaz, 1, 1);
    fields->addWidget(btnProchazet, 1, 2);
    fields->addWidget(chckZkopirovat, 2, 1, 1, 2);
    fields->addWidget(lblSouborJeUm, 3, 0);
    fields->addWidget(edtSdilenySoubor, 3, 1, 1, 2);

    auto* buttons = new QHBoxLayout;
    btnNapoveda =
        AddButton(this, buttons, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1));
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmOdkaz::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmOdkaz::reject);
    connect(btnProchazet, &QPushButton::clicked, this, &TfrmOdkaz::btnProchazetClick);
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    resize(520, 170);
    AddPurchasePriceAction(this);
}

void TfrmOdkaz::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    edtPopis->setFocus();
    // After the card is on the screen, so the file dialog has it as its parent window.
    if (BrowseOnShow) QTimer::singleShot(0, this, &TfrmOdkaz::btnProchazetClick);
}

void TfrmOdkaz::btnProchazetClick() {
    const QString chosen = ChooseDocumentFile(this, LastDocumentBrowseFolder);
    if (!chosen.isEmpty()) {
        edtOdkaz->setText(chosen);
        edtPopis->setText(QFileInfo(chosen).completeBaseName());
        LastDocumentBrowseFolder = ExtractFilePath(chosen);
    }
    edtPopis->setFocus();
}

void TfrmOdkaz::btnOkClick() {
    const QString link = edtOdkaz->text().trimmed();
    if (link.isEmpty()) {
        ShowInformation(QString::fromUtf8(kLinkMissing));
        return;
    }
    const QString path = ResolveDocumentPathIn(link, DocumentFolder);
    if (FileExists(path)) {
        done(kResultOk);
        return;
    }
    if (chckZkopirovat->isChecked()) {
        ShowWarning(QString::fromUtf8(kLinkCannotCopy).arg(path));
        return;
    }
    if (AskQuestion(QString::fromUtf8(kLinkSaveAnyway).arg(path))) done(kResultOk);
}

int EditDocumentLink(TMemTable& documents, bool adding) {
    TfrmOdkaz card(ApplicationMainWindow());
    DocumentFolderMode = TDocumentFolderMode::Firm;
    card.DocumentFolder = GetDocumentFolder(DocumentFolderMode);
    card.setWindowTitle(QString::fromUtf8(kAddLinkCaption));
    card.btnProchazet->setEnabled(true);
    card.chckZkopirovat->setVisible(true);
    card.chckZkopirovat->setChecked(false);
    card.edtSdilenySoubor->setVisible(false);
    card.lblSouborJeUm->setVisible(false);
    card.BrowseOnShow = true;
    if (!adding) {
        card.edtPopis->setText(documents.FieldByName("Popis")->AsString());
        card.edtOdkaz->setText(documents.FieldByName("File")->AsString());
        card.setWindowTitle(QString::fromUtf8(kEditLinkCaption));
        card.BrowseOnShow = false;
        card.chckZkopirovat->setVisible(false);
        card.chckZkopirovat->setChecked(false);
    }
    if (IsSharedFolderPath(card.edtOdkaz->text())) {
        card.btnProchazet->setEnabled(false);
        card.edtSdilenySoubor->setText(card.DocumentFolder);
        card.edtSdilenySoubor->setVisible(true);
        card.lblSouborJeUm->setVisible(true);
    }
    const int result = card.exec();
    if (result == kResultOk) {
        // The new row goes where its order puts it only once it is whole.
        documents.SetIndexesActive(false);
        if (adding)
            documents.Append();
        else
            documents.Edit();
        // The link is kept as it was checked: without the blanks around it.
        const QString link = card.edtOdkaz->text().trimmed();
        documents.FieldByName("Popis")->SetAsString(card.edtPopis->text());
        documents.FieldByName("File")->SetAsString(link);
        documents.FieldByName("CopyFile")->SetAsBoolean(card.chckZkopirovat->isChecked());
        if (adding) documents.FieldByName("ID")->SetAsInteger(-1);
        documents.FieldByName("SmallIcon")
            ->SetAsVariant(FileIconBytes(ResolveDocumentPathIn(link, card.DocumentFolder)));
        documents.Post();
        documents.SetIndexesActive(true);
    }
    return result;
}
