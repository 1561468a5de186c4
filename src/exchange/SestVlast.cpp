// The report properties window and the copy, add and properties runs of the print dialog. A user
// layout never begins with "_": that prefix marks the layouts the program ships, which a new
// installation overwrites.

#include "exchange/SestVlast.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/DataFolder.h"
#include "exchange/Tisk.h"
#include "platform/data/Field.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"

namespace {

constexpr int kNameLength = 50;
constexpr int kTextLength = 255;
// The copy numbers tried; past the last one the proposal stays at it.
constexpr int kLastCopyNumber = 999;

QStringList KindTexts(int module) {
    switch (module % 100) {
        case pmOffer:
            return {QString::fromUtf8("Nabídka"), QString::fromUtf8("Seznam nabídek")};
        case pmPriceListGroups:
            return {QString::fromUtf8("Ceník se skupinami")};
        case pmPriceList:
            return {QString::fromUtf8("Ceník bez skupin")};
        case pmAddresses:
            return {QString::fromUtf8("Seznam adresáře")};
        case pmNote:
            return {QString::fromUtf8("Poznámka")};
        default:
            return {};
    }
}

}  // namespace

TfrmSestVlast::TfrmSestVlast(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmSestVlast");
    setWindowTitle(QString::fromUtf8(kReportPropertiesCaption));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtNazevSestavy = new QLineEdit(this);
    edtNazevSestavy->setObjectName("edtNazevSestavy");
    edtNazevSestavy->setMaxLength(kNameLength);
    form->addRow(QString::fromUtf8("Název sestavy"), edtNazevSestavy);
    edtPopisSestavy = new QPlainTextEdit(this);
    edtPopisSestavy->setObjectName("edtPopisSestavy");
    connect(edtPopisSestavy, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = edtPopisSestavy->toPlainText();
        if (text.size() > kTextLength) edtPopisSestavy->setPlainText(text.left(kTextLength));
    });
    form->addRow(QString::fromUtf8("Popis"), edtPopisSestavy);
    lblTypSestavy = new QLabel(this);
    lblTypSestavy->setObjectName("lblTypSestavy");
    form->addRow(QString::fromUtf8("Typ sestavy"), lblTypSestavy);
    cbxTypSest = new QComboBox(this);
    cbxTypSest->setObjectName("cbxTypSest");
    form->addRow(QString::fromUtf8("Druh"), cbxTypSest);
    auto* fileRow = new QHBoxLayout;
    edtNazevSouboru = new QLineEdit(this);
    edtNazevSouboru->setObjectName("edtNazevSouboru");
    MakeCodeEdit(edtNazevSouboru, kTextLength);
    edtKoncovka = new QLineEdit(this);
    edtKoncovka->setObjectName("edtKoncovka");
    edtKoncovka->setReadOnly(true);
    edtKoncovka->setMaximumWidth(60);
    btnVyberSouboru = new QPushButton("...", this);
    btnVyberSouboru->setObjectName("btnVyberSouboru");
    fileRow->addWidget(edtNazevSouboru, 1);
    fileRow->addWidget(edtKoncovka);
    fileRow->addWidget(btnVyberSouboru);
    form->addRow(QString::fromUtf8("Soubor"), fileRow);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK", QKeySequence(Qt::Key_Return));
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TfrmSestVlast::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnVyberSouboru, &QPushButton::clicked, this, &TfrmSestVlast::btnVyberSouboruClick);
}

void TfrmSestVlast::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    edtNazevSouboru->setText(edtNazevSouboru->text().trimmed());
    if (edtNazevSouboru->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kFileNameMissing));
    } else if (edtNazevSouboru->text().startsWith('_')) {
        ShowInformation(QString::fromUtf8(kFileNameUnderscore));
    } else if (edtNazevSestavy->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kReportNameMissing));
    } else {
        accept();
    }
}

void TfrmSestVlast::btnVyberSouboruClick() {
    const QString ext = edtKoncovka->text();
    const QString chosen = PrintOpenDialog(PrintFolder, QString::fromUtf8("Vyberte formulářový soubor"),
                                           QString::fromUtf8("Formulářové soubory (*%1)|*%1").arg(ext));
    if (!chosen.isEmpty()) edtNazevSouboru->setText(QFileInfo(chosen).completeBaseName());
}

QString CopyFileNameProposal(const QString& source, const QString& extension, int& number) {
    QString name = source.startsWith('_') ? source.mid(1) : source;
    const qsizetype bracket = name.indexOf('[');
    if (bracket >= 0) name = name.left(bracket);
    number = 2;
    while (number <= kLastCopyNumber &&
           !FindFileCaseInsensitive(PrintFolder, name + "[" + QString::number(number) + "]" + extension)
                .isEmpty())
        ++number;
    // With every number taken the file stays at the last one tried (its overwrite is asked), while
    // the report's name takes the number after it.
    return name + "[" + QString::number(std::min(number, kLastCopyNumber)) + "]";
}

int TfrmTisk::EditReportProperties(bool copy, bool add) {
    TfrmSestVlast window(this);
    window.cbxTypSest->addItems(KindTexts(module_));
    window.cbxTypSest->setCurrentIndex(0);
    const QString ext = IsExportModule(module_) ? ".XLS" : ".FRX";
    window.edtKoncovka->setText(ext);
    QString sourceName;
    if (!add) {
        window.edtNazevSestavy->setText(mtSestava.FieldByName("Nazev")->AsString());
        window.edtPopisSestavy->setPlainText(mtSestava.FieldByName("Popis")->AsString());
        sourceName = mtSestava.FieldByName("Soubor")->AsString().toUpper().trimmed();
        window.edtNazevSouboru->setText(sourceName);
        window.cbxTypSest->setCurrentIndex(static_cast<int>(CurrentKind()) - 1);
    }
    window.edtNazevSouboru->setEnabled(add || copy);
    window.btnVyberSouboru->setEnabled(add);
    window.cbxTypSest->setEnabled(add);
    window.lblTypSestavy->setText(QString::fromUtf8("uživatelská"));
    if (!copy && !add && CurrentOriginal()) {
        window.lblTypSestavy->setText(QString::fromUtf8("programová (nelze provádět změny)"));
        window.btnOK->setEnabled(false);
    }
    if (copy) {
        int number = 0;
        window.edtNazevSouboru->setText(CopyFileNameProposal(sourceName, ext, number));
        QString report = window.edtNazevSestavy->text();
        const qsizetype bracket = report.indexOf('[');
        if (bracket >= 0) report = report.left(bracket);
        window.edtNazevSestavy->setText(report + "[" + QString::number(number) + "]");
    }
    for (;;) {
        if (window.exec() != QDialog::Accepted) return -1;
        const QString target = PrintFolder + window.edtNazevSouboru->text() + ext;
        // A file of the same name in another case is the same layout to the user: it is asked
        // about and replaced, not left beside a second one.
        const QString existing = FindFileCaseInsensitive(PrintFolder, window.edtNazevSouboru->text() + ext);
        if (!copy) {
            if (existing.isEmpty()) {
                ShowWarning(QString::fromUtf8(kLayoutMissing).arg(target));
                continue;
            }
            break;
        }
        if (!existing.isEmpty() && !AskQuestion(QString::fromUtf8(kOverwriteLayout).arg(existing))) continue;
        QString source = FindFileCaseInsensitive(PrintFolder, sourceName + ext);
        if (source.isEmpty()) source = PrintFolder + sourceName + ext;
        // Removing the target must never remove the layout it is to be a copy of.
        if (!existing.isEmpty() && SameFileName(existing, source)) break;
        if (!existing.isEmpty()) QFile::remove(existing);
        if (!QFile::copy(source, target) || !FileExists(target)) {
            ShowError(QString::fromUtf8(kCopyLayoutFailed).arg(source, target));
            return -1;
        }
        break;
    }
    if (copy || add)
        mtSestava.Append();
    else
        mtSestava.Edit();
    mtSestava.FieldByName("Nazev")->SetAsString(window.edtNazevSestavy->text());
    mtSestava.FieldByName("Popis")->SetAsString(window.edtPopisSestavy->toPlainText());
    mtSestava.FieldByName("Soubor")->SetAsString(window.edtNazevSouboru->text());
    mtSestava.FieldByName("Original")->SetAsBoolean(false);
    mtSestava.FieldByName("TypSest")->SetAsInteger(window.cbxTypSest->currentIndex() + 1);
    if (copy || add) mtSestava.FieldByName("ID")->SetAsInteger(0);
    mtSestava.Post();
    mtSestavaTag = 1;
    return 0;
}
