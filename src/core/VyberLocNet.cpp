#include "core/VyberLocNet.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/DirectoryEdit.h"

namespace {

const char* const kCaption = "Umístění datové složky";
const char* const kIntro =
    "Datová složka je diskový prostor, do kterého aplikace ukládá databáze. Pokud program spouštíte na "
    "další stanici v síti, zadejte umístění sdílené složky s datovými soubory. V ostatních případech "
    "zvolte první možnost \"lokální umístění\".";
const char* const kLocal = "lokální umístění";
const char* const kLocalNote = "datová složka bude umístěna na tomto počítači";
const char* const kNetwork = "síťové umístění *";
const char* const kNetworkNote = "datová složka bude umístěna na jiném počítači (serveru)";
const char* const kNetworkFootnote =
    "* síťová složka musí mít správně nastavené sdílení (práva pro čtení i zápis). Cestu ke složce "
    "namapujte jako síťovou jednotku, formát \\\\Pocitac\\slozka... nepoužívejte.";
const char* const kBrowseTitle = "Vyberte datovou složku";
const char* const kStorno = "Storno";
const char* const kNapoveda = "Nápověda";
const char* const kNetFolderMissing = "Složka %1 neexistuje! Zadejte platné umístění.";

QLabel* NoteLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

void SetEditColour(QLineEdit* edit, bool enabled) {
    // Taken from the application's palette each time: the edit's own one may already carry the
    // colour of the other state.
    const QPalette standard = QApplication::palette(edit);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, standard.color(enabled ? QPalette::Base : QPalette::Button));
    edit->setPalette(pal);
}

}  // namespace

TfrmVyberLocNet::TfrmVyberLocNet(const QString& localFolder, QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmVyberLocNet");
    setWindowTitle(QString::fromUtf8(kCaption));

    rbLokalni = new QRadioButton(QString::fromUtf8(kLocal), this);
    rbLokalni->setObjectName("rbLokalni");
    rbLokalni->setChecked(true);
    rbSitove = new QRadioButton(QString::fromUtf8(kNetwork), this);
    rbSitove->setObjectName("rbSitove");
    auto* group = new QButtonGroup(this);
    group->addButton(rbLokalni);
    group->addButton(rbSitove);

    edtLocSlozkaData = new QLineEdit(this);
    edtLocSlozkaData->setObjectName("edtLocSlozkaData");
    edtLocSlozkaData->setReadOnly(true);
    edtLocSlozkaData->setText(IncludeTrailingPathDelimiter(localFolder));
    SetEditColour(edtLocSlozkaData, false);

    edtNetSlozkaData = new TDirectoryEdit(this);
    edtNetSlozkaData->setObjectName("edtNetSlozkaData");
    edtNetSlozkaData->SetDialogTitle(QString::fromUtf8(kBrowseTitle));

    acBtnOK = new QAction("OK", this);
    acBtnOK->setObjectName("acBtnOK");
    acBtnStorno = new QAction(QString::fromUtf8(kStorno), this);
    acBtnStorno->setObjectName("acBtnStorno");
    acBtnStorno->setShortcut(Qt::Key_Escape);
    acNapoveda = new QAction(QString::fromUtf8(kNapoveda), this);
    acNapoveda->setObjectName("acNapoveda");
    acNapoveda->setShortcut(Qt::Key_F1);
    for (QAction* a : {acBtnOK, acBtnStorno, acNapoveda}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    connect(acBtnOK, &QAction::triggered, this, &TfrmVyberLocNet::acBtnOKExecute);
    connect(acBtnStorno, &QAction::triggered, this, &QDialog::reject);
    connect(acNapoveda, &QAction::triggered, this, &TfrmVyberLocNet::acNapovedaExecute);

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);  // Enter
    btnStorno = new QPushButton(QString::fromUtf8(kStorno), this);
    btnStorno->setObjectName("btnStorno");
    btnNapoveda = new QPushButton(QString::fromUtf8(kNapoveda), this);
    btnNapoveda->setObjectName("btnNapoveda");
    connect(btnOK, &QPushButton::clicked, acBtnOK, &QAction::trigger);
    connect(btnStorno, &QPushButton::clicked, acBtnStorno, &QAction::trigger);
    connect(btnNapoveda, &QPushButton::clicked, acNapoveda, &QAction::trigger);

    connect(rbLokalni, &QRadioButton::toggled, this, [this] { UpdateNetworkEdit(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NoteLabel(kIntro, this));
    layout->addWidget(rbLokalni);
    layout->addWidget(NoteLabel(kLocalNote, this));
    layout->addWidget(edtLocSlozkaData);
    layout->addWidget(rbSitove);
    layout->addWidget(NoteLabel(kNetworkNote, this));
    layout->addWidget(edtNetSlozkaData);
    layout->addWidget(NoteLabel(kNetworkFootnote, this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnStorno);
    buttons->addWidget(btnNapoveda);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    setTabOrder(rbLokalni, rbSitove);
    setTabOrder(rbSitove, edtNetSlozkaData);
    setTabOrder(edtNetSlozkaData, btnOK);
    UpdateNetworkEdit();
}

void TfrmVyberLocNet::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateNetworkEdit();
    edtLocSlozkaData->setFocus();
}

void TfrmVyberLocNet::UpdateNetworkEdit() {
    const bool network = rbSitove->isChecked();
    edtNetSlozkaData->setEnabled(network);
    SetEditColour(edtNetSlozkaData, network);
}

void TfrmVyberLocNet::acBtnOKExecute() {
    if (rbSitove->isChecked()) {
        const QString folder = edtNetSlozkaData->text();
        const QString normalized = NormalizeFolderPath(folder);
        if (normalized.isEmpty() || !QDir(normalized).exists()) {
            ShowWarning(QString::fromUtf8(kNetFolderMissing).arg(folder));
            return;
        }
    }
    accept();
}

void TfrmVyberLocNet::acNapovedaExecute() { ShowHelpTopic(QString::fromLatin1(kHelpPage)); }
