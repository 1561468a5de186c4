// The picker of named option sets and its name dialog. The list runs on the firm's scratch query
// and every change is written at once through the firm command: another station may list the same
// sets meanwhile, so a row that vanished is told, not assumed.

#include "exchange/VyberFiltru.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {
TfrmVyberFiltru* g_picker = nullptr;
TADOQuery& List() { return frmMain->adqAgendaFree1; }
}  // namespace

TfrmVyberFiltru::TfrmVyberFiltru(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmVyberFiltru");
    setWindowTitle(QString::fromUtf8("Výběr nastavení"));
    dsFiltry.SetDataSet(&List());
    auto* layout = new QVBoxLayout(this);
    grFiltry = MakeListGrid(this, "grFiltry", &dsFiltry, {{"Nazev", QString::fromUtf8("Název")}});
    layout->addWidget(grFiltry, 1);
    auto* buttons = new QHBoxLayout;
    btnOpravit =
        AddButton(this, buttons, "btnOpravit", QString::fromUtf8("Opravit název"), QKeySequence("Alt+O"));
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    buttons->addStretch();
    btnOk = AddButton(this, buttons, "btnOk", "OK", QKeySequence(Qt::Key_Return));
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, [this] {
        if (btnOk->isEnabled()) done(kResultOk);
    });
    connect(btnStorno, &QPushButton::clicked, this, [this] { done(kResultCancel); });
    connect(btnOpravit, &QPushButton::clicked, this, &TfrmVyberFiltru::btnOpravitClick);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmVyberFiltru::btnVyjmoutClick);
    grFiltry->OnDblClick = [this](QObject*) { btnOk->click(); };
    OnEnterKey(grFiltry, [this] { btnOk->click(); });
    g_picker = this;
    resize(360, 320);
}

TfrmVyberFiltru::~TfrmVyberFiltru() {
    if (g_picker == this) g_picker = nullptr;
    delete grFiltry;
    dsFiltry.SetDataSet(nullptr);
}

TfrmVyberFiltru* TfrmVyberFiltru::Existing() { return g_picker; }

void TfrmVyberFiltru::UpdateButtons() {
    const bool rows = List().Active() && !List().IsEmpty();
    for (QPushButton* b : {btnOk, btnOpravit, btnVyjmout}) b->setEnabled(rows);
}

void TfrmVyberFiltru::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateButtons();
    grFiltry->setFocus();
}

void TfrmVyberFiltru::btnOpravitClick() {
    if (!btnOpravit->isEnabled()) return;
    QString name;
    if (EditSavedSettingsName(kSavedSettingsRename, name) == kResultOk) RequeryAndLocate(List());
    UpdateButtons();
}

void TfrmVyberFiltru::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    if (!AskQuestion(QString::fromUtf8(kConfirmPresetDelete))) return;
    TADOQuery& list = List();
    if (RequeryAndLocate(list) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
    } else {
        const int next = GetIDAfterDelete(list, "ID");
        ExecAgenda("DELETE FROM Filtry WHERE ID = :ID", {{"ID", list.FieldByName("ID")->AsInteger()}});
        list.Requery();
        if (next >= 0) list.Locate("ID", next);
    }
    UpdateButtons();
}

TfrmVyberFiltruDetail::TfrmVyberFiltruDetail(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmVyberFiltruDetail");
    setWindowTitle("Nastavení");
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8("Název"), this);
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(50);
    label->setBuddy(edtNazev);
    row->addWidget(label);
    row->addWidget(edtNazev, 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = AddButton(this, buttons, "btnOk", "OK", QKeySequence(Qt::Key_Return));
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &TfrmVyberFiltruDetail::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, [this] { done(kResultCancel); });
}

void TfrmVyberFiltruDetail::btnOkClick() {
    if (edtNazev->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kPresetNameMissing));
        return;
    }
    done(kResultOk);
}

int ChooseSavedSettings(int module, QString& name, int& id) {
    TADOQuery& list = List();
    list.Close();
    list.SetSQL("SELECT * FROM Filtry WHERE IDModulu = :IDModulu");
    list.Parameters().ParamByName("IDModulu")->Value = module;
    list.Open();
    int result = kResultCancel;
    {
        TfrmVyberFiltru picker(ApplicationMainWindow());
        result = picker.exec();
        if (result == kResultOk && !list.IsEmpty()) {
            name = list.FieldByName("Nazev")->AsString();
            id = list.FieldByName("ID")->AsInteger();
        }
    }
    list.Close();
    return result;
}

int EditSavedSettingsName(int mode, QString& name) {
    TfrmVyberFiltru* picker = TfrmVyberFiltru::Existing();
    const bool rename = mode == kSavedSettingsRename && picker && List().Active() && !List().IsEmpty();
    QWidget* parent = picker ? static_cast<QWidget*>(picker) : ApplicationMainWindow();
    TfrmVyberFiltruDetail dialog(parent);
    if (rename) dialog.edtNazev->setText(List().FieldByName("Nazev")->AsString());
    const int result = dialog.exec();
    if (result != kResultOk) return result;
    name = dialog.edtNazev->text();
    if (rename && ExecAgenda("UPDATE Filtry SET Nazev = :Nazev WHERE ID = :ID",
                             {{"Nazev", name}, {"ID", List().FieldByName("ID")->AsInteger()}}) == 0)
        ShowError(QString::fromUtf8(kPresetRenameFailed));
    return result;
}
