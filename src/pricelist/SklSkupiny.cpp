#include "pricelist/SklSkupiny.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/KartaSkupiny.h"
#include "pricelist/Sklady.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Výběr skladové skupiny";
const char* const kConfirmGroupDelete =
    "Varování: mazání CELÉ SKUPINY!\r\rVyjmutí skupiny je nevratná operace, opravdu chcete pokračovat ? "
    "Budou "
    "smazány všechny položky ve skupině!";
const char* const kBasicGroupKept = "Skupinu %1 nelze mazat.";
const char* const kDeletingGroup = "Mazání skupiny\rprosím čekejte...";
const char* const kGroupDeleteStopped =
    "Operaci nebylo možné dokončit: některé položky v listu jsou právě zamknuté jiným uživatelem! "
    "Upozornění: u některých položek však již došlo k vymazání cenových hladin - dokončete proto operaci "
    "mazání nebo proveďte přepočet cen!";

void UpdatePriceListButtons() {
    if (PriceListWindowLinks.UpdatePriceListButtons) PriceListWindowLinks.UpdatePriceListButtons();
}

}  // namespace

TfrmSklSkupiny::TfrmSklSkupiny(int sheetId, QWidget* parent) : TPriceListDialog(parent), sheetId_(sheetId) {
    setObjectName("frmSklSkupiny");
    setWindowTitle(QString::fromUtf8(kCaption));
    grSklSkupiny = MakeListGrid(this, "grSklSkupiny", &dsSklSkupiny,
                                {{"Nazev", QString::fromUtf8("Název")}, {"Kod", QString::fromUtf8("Kód")}});
    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    buttons->addStretch();
    btnOK->setDefault(true);

    TADOQuery& groups = frmMain->adqAgendaFree1;
    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmSklSkupiny::reject);
    connect(btnPridat, &QPushButton::clicked, this, [this, &groups] {
        EditGroup(true, false, true, sheetId_, groups);
        UpdateButtons();
    });
    connect(btnOpravit, &QPushButton::clicked, this, [this, &groups] {
        if (groups.IsEmpty()) return;
        EditGroup(false, false, true, sheetId_, groups);
        UpdateButtons();
    });
    grSklSkupiny->OnDblClick = [this](QObject*) { AcceptIfEnabled(btnOK); };
    OnEnterKey(grSklSkupiny, [this] { AcceptIfEnabled(btnOK); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grSklSkupiny, 1);
    layout->addLayout(buttons);
    resize(460, 320);
}

TfrmSklSkupiny::~TfrmSklSkupiny() { delete grSklSkupiny; }

void TfrmSklSkupiny::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grSklSkupiny->setFocus();
}

void TfrmSklSkupiny::UpdateButtons() {
    const TDataSet* groups = dsSklSkupiny.DataSet();
    btnOK->setEnabled(groups && groups->Active() && !groups->IsEmpty());
}

int ShowGroupPicker(int sheetId) {
    if (CenikLevel() >= TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TADOQuery& groups = frmMain->adqAgendaFree1;
    groups.Close();
    groups.SetSQL("SELECT * FROM Skupiny WHERE Sklad = :Sklad");
    groups.Parameters().ParamByName("Sklad")->Value = sheetId;
    groups.Open();
    TfrmSklSkupiny window(sheetId, ApplicationMainWindow());
    window.dsSklSkupiny.SetDataSet(&groups);
    const int result = window.exec();
    window.dsSklSkupiny.SetDataSet(nullptr);
    return result;
}

int DeleteGroup() {
    TADOQuery& groups = frmMain->adqSkupiny;
    if (!groups.Active() || groups.IsEmpty()) return -1;
    if (!AskQuestion(QString::fromUtf8(kConfirmGroupDelete))) return -1;
    const int id = groups.FieldByName("ID")->AsInteger();
    if (TestRecordLock(RecordLockPath("Skupiny", id))) {
        ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        return -1;
    }
    if (groups.FieldByName("Zakladni")->AsBoolean()) {
        ShowInformation(QString::fromUtf8(kBasicGroupKept).arg(groups.FieldByName("Nazev")->AsString()));
        return -1;
    }
    if (PriceListWindowLinks.ClearGroupMarks) PriceListWindowLinks.ClearGroupMarks();
    if (PriceListWindowLinks.ClearItemMarks) PriceListWindowLinks.ClearItemMarks();
    if (RequeryAndLocate(groups) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        UpdatePriceListButtons();
        return -1;
    }

    ShowWorking(true, QString::fromUtf8(kDeletingGroup));
    const int standOn = GetIDAfterDelete(groups, "ID");
    TADOQuery& items = frmMain->adqAgendaFree1;
    items.Close();
    items.SetSQL("SELECT * FROM Zasoby WHERE Skupina = :ID");
    items.Parameters().ParamByName("ID")->Value = id;
    items.Open();
    bool held = false;
    for (items.First(); !items.Eof() && !held; items.Next())
        held = TestRecordLock(RecordLockPath("Zasoby", items.FieldByName("ID")->AsInteger()));
    const bool hasItems = !items.IsEmpty();
    items.Close();

    int result = -2;
    if (!held) {
        {
            // The group goes with its items or not at all: never items left under no group.
            TTransaction transaction(frmMain->ADOConAgenda);
            if (hasItems) ExecAgenda("DELETE FROM Zasoby WHERE Skupina = :ID", {{"ID", id}});
            ExecAgenda("DELETE FROM Skupiny WHERE ID = :ID", {{"ID", id}});
            transaction.Commit();
        }
        RequeryAndLocate(groups);
        groups.Locate("ID", standOn);
        result = 0;
    }
    ShowWorking(false);
    if (held) ShowWarning(QString::fromUtf8(kGroupDeleteStopped));
    if (frmMain->adqZasoby.Active()) RequeryAndLocate(frmMain->adqZasoby);
    UpdatePriceListButtons();
    return result;
}
