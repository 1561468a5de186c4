#include "pricelist/KartaSkupiny.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Upgrade.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/Sklady.h"

namespace {

const char* const kCaption = "Ceníková skupina";
const char* const kNameMissing = "Musíte zadat název skupiny.";
const char* const kShowGroupsFirst =
    "Chcete-li přidat skupinu, zapněte nejprve zobrazení skupin (malé tlačítko \"S\" v levém horním rohu).";
const char* const kBasicGroupFixed = "Skupinu %1 nelze měnit. Vyberte jinou skupinu.";
const char* const kGroupSaveFailed =
    "Při ukládání záznamu do \"Skupiny\" došlo k chybě: metoda \"Execute\" selhala.";

void UpdatePriceListButtons() {
    if (PriceListWindowLinks.UpdatePriceListButtons) PriceListWindowLinks.UpdatePriceListButtons();
}

}  // namespace

TfrmKartaSkupiny::TfrmKartaSkupiny(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmKartaSkupiny");
    setWindowTitle(QString::fromUtf8(kCaption));
    edtKod = new QLineEdit(this);
    edtKod->setObjectName("edtKod");
    MakeCodeEdit(edtKod, 10);
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(50);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Kód"), edtKod);
    form->addRow(QString::fromUtf8("Název skupiny"), edtNazev);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmKartaSkupiny::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmKartaSkupiny::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TfrmKartaSkupiny::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    if (edtNazev->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kNameMissing));
        return;
    }
    done(kResultOk);
}

int EditGroup(bool add, bool copy, bool fromPicker, int sheetId, TADOQuery& dataset) {
    const TAccessLevel level = CenikLevel();
    const bool newRow = add || copy;
    if (level >= (newRow ? TAccessLevel::ReadOnly : TAccessLevel::NoAccess)) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    if (!fromPicker) {
        if (!PriceListWindowLinks.GroupPanelShown || !PriceListWindowLinks.GroupPanelShown()) {
            ShowInformation(QString::fromUtf8(kShowGroupsFirst));
            return -1;
        }
        if (PriceListWindowLinks.ClearGroupMarks) PriceListWindowLinks.ClearGroupMarks();
    }

    TCardSession card;
    // Editing and copying read the row, so a row another station deleted stops the card.
    if (!card.Begin(true, add ? nullptr : &dataset, "Skupiny", false)) {
        UpdatePriceListButtons();
        return -1;
    }
    struct Done {
        bool fromPicker;
        ~Done() {
            if (fromPicker) return;
            if (PriceListWindowLinks.FocusGroupGrid) PriceListWindowLinks.FocusGroupGrid();
            UpdatePriceListButtons();
        }
    } done{fromPicker};

    TfrmKartaSkupiny window(ApplicationMainWindow());
    QString repId = NewGuidString();
    const int id = add ? 0 : dataset.FieldByName("ID")->AsInteger();
    if (!add) {
        if (!copy) {
            if (dataset.FieldByName("Zakladni")->AsBoolean()) {
                ShowInformation(
                    QString::fromUtf8(kBasicGroupFixed).arg(dataset.FieldByName("Nazev")->AsString()));
                return -1;
            }
            if (!LockCardRecord(card, level, "Skupiny", id, window.btnOK)) return -1;
            repId = dataset.FieldByName("RepID")->AsString();
        }
        window.edtKod->setText(dataset.FieldByName("Kod")->AsString());
        window.edtNazev->setText(dataset.FieldByName("Nazev")->AsString());
    }
    if (window.exec() != kResultOk) return 0;

    // A group made or changed by the card is never a sheet's basic group.
    TParamValues values = {{"Sklad", sheetId},
                           {"Nazev", window.edtNazev->text()},
                           {"Kod", window.edtKod->text()},
                           {"Zakladni", false},
                           {"RepID", repId}};
    int rows = 0;
    if (newRow) {
        rows = ExecAgenda(
            "INSERT INTO Skupiny (Sklad, Nazev, Kod, Zakladni, RepID) VALUES (:Sklad, :Nazev, :Kod, "
            ":Zakladni, "
            ":RepID)",
            values);
    } else {
        values.push_back({"ID", id});
        rows = ExecAgenda(
            "UPDATE Skupiny SET Sklad = :Sklad, Nazev = :Nazev, Kod = :Kod, Zakladni = :Zakladni, RepID = "
            ":RepID "
            "WHERE ID = :ID",
            values);
    }
    if (rows == 0) {
        ShowError(QString::fromUtf8(kGroupSaveFailed));
        return -1;
    }
    if (!newRow) {
        RequeryAndLocate(dataset);
        return 0;
    }
    const int newId = LastInsertedId();
    dataset.Requery();
    if (!dataset.Locate("ID", newId)) {
        ShowError(QString::fromUtf8(kNewRecordNotFoundText));
        return -1;
    }
    return 0;
}
