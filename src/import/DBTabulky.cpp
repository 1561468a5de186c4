// The table picker of an import source and the note editor of a definition.
#include "import/DBTabulky.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/PurchasePrices.h"
#include "import/ImportSources.h"
#include "platform/data/Field.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {
constexpr int kTableNameLength = 50;
}

TfrmDBTabulky::TfrmDBTabulky(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmDBTabulky");
    setWindowTitle(QString::fromUtf8("Vyberte importní tabulku"));
    mtSeznamTabulek.FieldDefs().Add("Nazev", ftString, kTableNameLength);
    mtSeznamTabulek.CreateTable();
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    btnOK = AddButton(this, bar, "btnOK", "OK");
    btnStorno = AddButton(this, bar, "btnStorno", "Storno");
    bar->addStretch();
    layout->addLayout(bar);
    grSeznamTabulek = MakeListGrid(this, "grSeznamTabulek", &dsSeznamTabulek,
                                   {{"Nazev", QString::fromUtf8("Název tabulky nebo listu")}});
    layout->addWidget(grSeznamTabulek, 1);
    dsSeznamTabulek.SetDataSet(&mtSeznamTabulek);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (btnOK->isEnabled()) accept();
    });
    connect(btnStorno, &QPushButton::clicked, this, [this] { reject(); });
    grSeznamTabulek->OnCellDblClick = [this](TColumn*) { btnOK->click(); };
    resize(360, 320);
}

int SelectSourceTable(QWidget* parent, QString& table) {
    TImportConnection& connection = ImportConnection();
    if (!connection.Connected()) return -1;
    TfrmDBTabulky window(parent);
    QStringList names;
    try {
        names = connection.Source().TableNames();
    } catch (const std::exception&) {
        // A source whose tables cannot be listed shows an empty list; only "Storno" closes it.
    }
    for (const QString& name : names) {
        window.mtSeznamTabulek.Append();
        window.mtSeznamTabulek.FieldByName("Nazev")->SetAsString(name.left(kTableNameLength));
        window.mtSeznamTabulek.Post();
    }
    window.mtSeznamTabulek.First();
    window.btnOK->setEnabled(!window.mtSeznamTabulek.IsEmpty());
    const int result = window.exec() == QDialog::Accepted ? kResultOk : kResultCancel;
    if (result == kResultOk) table = window.mtSeznamTabulek.FieldByName("Nazev")->AsString();
    return result;
}

TfrmTextPozn::TfrmTextPozn(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmTextPozn");
    setWindowTitle("Editor");
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    btnOK = AddButton(this, bar, "btnOK", "OK");
    btnStorno = AddButton(this, bar, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    bar->addStretch();
    layout->addLayout(bar);
    layout->addWidget(new QLabel(QString::fromUtf8("Poznámka"), this));
    memPopis = new QPlainTextEdit(this);
    memPopis->setObjectName("memPopis");
    memPopis->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memPopis, 1);
    connect(btnOK, &QPushButton::clicked, this, [this] { accept(); });
    connect(btnStorno, &QPushButton::clicked, this, [this] { reject(); });
    AddPurchasePriceAction(this);
}

bool EditDefinitionNote(QWidget* parent, QString& note) {
    TfrmTextPozn window(parent);
    window.memPopis->setPlainText(QString(note).replace("\r\n", "\n"));
    if (window.exec() != QDialog::Accepted) return false;
    note = window.memPopis->toPlainText().replace("\n", "\r\n");
    return true;
}
