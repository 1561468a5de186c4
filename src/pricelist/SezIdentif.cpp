#include "pricelist/SezIdentif.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/IdentifDetail.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Seznam identifikátorů";
const char* const kConfirmDelete = "Opravdu chcete smazat identifikátor %1?";
const char* const kCodeExists = "Zkratka \"%1\" již v seznamu existuje, zadejte jinou.";
const char* const kSelectAll = "SELECT * FROM SezIdentif";

TfrmSezIdentif* g_active = nullptr;

void RefreshCatalogueButtons() {
    if (g_active) g_active->UpdateButtons();
}

}  // namespace

TfrmSezIdentif* ActiveIdentifierCatalogue() { return g_active; }

TfrmSezIdentif::TfrmSezIdentif(int mode, QWidget* parent) : TPriceListDialog(parent), mode_(mode) {
    setObjectName("frmSezIdentif");
    setWindowTitle(QString::fromUtf8(kCaption));

    grSezIdentif = MakeListGrid(this, "grSezIdentif", &dsSezIdentif,
                                {{"Zkratka", "Zkratka"}, {"Popis", QString::fromUtf8("Název")}});
    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"),
                          QString::fromUtf8("Přidat nový identifikátor (Alt+P nebo F3)"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"),
                           QString::fromUtf8("Opravit identifikátor (Alt+O)"));
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    buttons->addStretch();
    btnOK->setDefault(true);

    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmSezIdentif::reject);
    connect(btnPridat, &QPushButton::clicked, this, [] { EditIdentifier(true); });
    // F3 is the second key of "Přidat".
    auto* addKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(addKey, &QShortcut::activated, btnPridat, [this] {
        if (btnPridat->isEnabled()) btnPridat->click();
    });
    connect(btnOpravit, &QPushButton::clicked, this, [this] {
        if (btnOpravit->isEnabled()) EditIdentifier(false);
    });
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmSezIdentif::btnVyjmoutClick);
    grSezIdentif->OnDblClick = [this](QObject*) { DoubleClick(); };
    OnEnterKey(grSezIdentif, [this] { AcceptIfEnabled(btnOK); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grSezIdentif, 1);
    layout->addLayout(buttons);
    resize(480, 340);
}

TfrmSezIdentif::~TfrmSezIdentif() {
    delete grSezIdentif;
    if (g_active == this) g_active = nullptr;
}

void TfrmSezIdentif::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    g_active = this;
    UpdateButtons();
    grSezIdentif->setFocus();
}

void TfrmSezIdentif::UpdateButtons() {
    const TDataSet* list = dsSezIdentif.DataSet();
    const bool rows = list && list->Active() && !list->IsEmpty();
    for (QPushButton* button : {btnOK, btnOpravit, btnVyjmout}) button->setEnabled(rows);
}

void TfrmSezIdentif::DoubleClick() {
    if (mode_ == kModePick)
        AcceptIfEnabled(btnOK);
    else if (btnOpravit->isEnabled())
        EditIdentifier(false);
}

void TfrmSezIdentif::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    TADOQuery& list = frmMain->adqAgendaFree1;
    const int id = list.IsEmpty() ? 0 : list.FieldByName("ID")->AsInteger();
    int standOn = -1;
    if (!PrepareRecordDelete(list, RecordLockPath("SezIdentif", id), standOn)) {
        UpdateButtons();
        return;
    }
    const QString code = list.FieldByName("Zkratka")->AsString();
    if (!AskQuestion(QString::fromUtf8(kConfirmDelete).arg(code))) return;
    ExecAgenda("DELETE FROM SezIdentif WHERE ID = :ID", {{"ID", id}});
    list.Requery();
    list.Locate("ID", standOn);
    UpdateButtons();
}

int ShowIdentifierCatalogue(int mode, bool closeQuery) {
    TADOQuery& query = frmMain->adqAgendaFree1;
    TfrmSezIdentif window(mode, ApplicationMainWindow());
    query.Close();
    query.SetSQL(kSelectAll);
    query.Open();
    window.dsSezIdentif.SetDataSet(&query);
    const int result = window.exec();
    window.dsSezIdentif.SetDataSet(nullptr);
    if (closeQuery) query.Close();
    return result;
}

namespace {

// Whether another code of the catalogue already reads as code. Read from a query of its own, so
// the catalogue keeps its position.
bool CodeTaken(const QString& code) {
    TADOQuery& other = frmMain->adqAgendaFree2;
    other.Close();
    other.SetSQL(kSelectAll);
    other.Open();
    // Codes compare as the database compares them: regardless of letter case.
    const bool taken = other.Locate("Zkratka", code, loCaseInsensitive);
    other.Close();
    return taken;
}

}  // namespace

int EditIdentifier(bool add) {
    TADOQuery& list = frmMain->adqAgendaFree1;
    TCardSession card;
    if (!card.Begin(true, &list, QString(), add)) {
        RefreshCatalogueButtons();
        return -1;
    }
    struct Refresh {
        ~Refresh() { RefreshCatalogueButtons(); }
    } refresh;

    TfrmIdentifDetail window(ApplicationMainWindow());
    const int id = add || list.IsEmpty() ? 0 : list.FieldByName("ID")->AsInteger();
    QString storedCode;
    if (!add) {
        if (!card.Lock(RecordLockPath("SezIdentif", id))) return -1;
        window.btnOK->setEnabled(!card.ReadOnly());
        storedCode = list.FieldByName("Zkratka")->AsString();
        window.edtZkratka->setText(storedCode);
        window.edtPopis->setText(list.FieldByName("Popis")->AsString());
        window.chckNepouzivat->setChecked(list.FieldByName("Nepouzivat")->AsBoolean());
    }

    const auto write = [&] {
        TParamValues values = {{"Zkratka", window.edtZkratka->text()},
                               {"Popis", window.edtPopis->text()},
                               {"Nepouzivat", window.chckNepouzivat->isChecked()}};
        if (add)
            return ExecAgenda(
                "INSERT INTO SezIdentif (Zkratka, Popis, Nepouzivat) VALUES (:Zkratka, :Popis, :Nepouzivat)",
                values);
        values.push_back({"ID", id});
        return ExecAgenda(
            "UPDATE SezIdentif SET Zkratka = :Zkratka, Popis = :Popis, Nepouzivat = :Nepouzivat WHERE ID = "
            ":ID",
            values);
    };
    int result = 0;
    int rows = 0;
    for (;;) {
        result = window.exec();
        if (result != kResultOk) return result;
        const QString code = window.edtZkratka->text();
        if ((add || code != storedCode) && CodeTaken(code)) {
            ShowInformation(QString::fromUtf8(kCodeExists).arg(code));
            continue;
        }
        // A database error the write cannot wait out brings the card back as the user left it,
        // like a taken code does.
        if (SaveKeepingCardOpen([&] { rows = write(); })) break;
    }
    const int newId = add && rows > 0 ? LastInsertedId() : 0;
    if (!card.AfterSave(list, rows, newId)) return -1;
    return result;
}
