// Moving marked items and groups of the price list to another group or sheet. Every statement
// keeps an item's sheet equal to its group's sheet, and the basic group of a sheet stays where it is.
#include "pricelist/Presun.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/CardProtocol.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Sklady.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

// Every so many marked items the window is kept alive and an interruption honoured.
constexpr int kPumpEvery = 5;

TADOQuery& Sheets() { return frmMain->adqSklady; }
TADOQuery& Groups() { return frmMain->adqSkupiny; }
TADOQuery& Items() { return frmMain->adqZasoby; }

QLineEdit* ReadOnlyEntry(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QPushButton* PickButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton("...", parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setFixedWidth(30);
    return button;
}

// Requeries a list; it stands on its old row when that is still there.
void Requery(TADOQuery& query) {
    if (query.Active()) RequeryAndLocate(query);
}

}  // namespace

TfrmPresunZkopiruj::TfrmPresunZkopiruj(TMoveMode mode, int sheetId, QWidget* parent)
    : TVnDialog(parent), mode_(mode) {
    setObjectName("frmPresunZkopiruj");
    setWindowTitle(QString::fromUtf8(kMoveCaption));

    auto* root = new QVBoxLayout(this);
    lblInfo = new QLabel(this);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setWordWrap(true);
    root->addWidget(lblInfo);

    panList = new QWidget(this);
    panList->setObjectName("panList");
    auto* ll = new QHBoxLayout(panList);
    ll->setContentsMargins(0, 0, 0, 0);
    ll->addWidget(new QLabel("List", panList));
    edtList = ReadOnlyEntry(panList, "edtList");
    btnVyberListu = PickButton(panList, "btnVyberListu");
    ll->addWidget(edtList, 1);
    ll->addWidget(btnVyberListu);
    root->addWidget(panList);

    panSkupina = new QWidget(this);
    panSkupina->setObjectName("panSkupina");
    auto* gl = new QHBoxLayout(panSkupina);
    gl->setContentsMargins(0, 0, 0, 0);
    gl->addWidget(new QLabel("Skupina", panSkupina));
    edtSkupina = ReadOnlyEntry(panSkupina, "edtSkupina");
    btnVyberSkupiny = PickButton(panSkupina, "btnVyberSkupiny");
    gl->addWidget(edtSkupina, 1);
    gl->addWidget(btnVyberSkupiny);
    root->addWidget(panSkupina);

    pbWorking = new QProgressBar(this);
    pbWorking->setObjectName("pbWorking");
    pbWorking->setValue(0);
    root->addWidget(pbWorking);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnPrerusit = AddButton(this, buttons, "btnPrerusit", QString::fromUtf8("Přerušit"));
    btnPrerusit->hide();
    root->addLayout(buttons);

    connect(btnVyberListu, &QPushButton::clicked, this, [this] { btnVyberListuClick(); });
    connect(btnVyberSkupiny, &QPushButton::clicked, this, [this] { btnVyberSkupinyClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnStorno, &QPushButton::clicked, this, [this] { done(kMoveCancelled); });
    connect(btnPrerusit, &QPushButton::clicked, this, [] { WorkingCancelled = true; });

    switch (mode) {
        case TMoveMode::ItemsToGroup:
            lblInfo->setText(QString::fromUtf8(kMoveItemsToGroupHint));
            panList->hide();
            sheetId_ = sheetId;
            break;
        case TMoveMode::GroupsToSheet:
            lblInfo->setText(QString::fromUtf8(kMoveGroupsToSheetHint));
            panSkupina->hide();
            break;
        case TMoveMode::ItemsToSheet:
            lblInfo->setText(QString::fromUtf8(kMoveItemsToSheetHint));
            break;
    }
    resize(440, 200);
}

void TfrmPresunZkopiruj::SetSheet(int id, const QString& name) {
    sheetId_ = id;
    edtList->setText(name);
    // A group belongs to one sheet: another sheet forgets it.
    SetGroup(0, QString());
}

void TfrmPresunZkopiruj::SetGroup(int id, const QString& name) {
    groupId_ = id;
    edtSkupina->setText(name);
}

void TfrmPresunZkopiruj::btnVyberListuClick() {
    TADOQuery& sheets = Sheets();
    if (ShowSheetList(TfrmSklady::kModePick, false) == kResultOk && sheets.Active() && !sheets.IsEmpty())
        SetSheet(sheets.FieldByName("ID")->AsInteger(), sheets.FieldByName("Nazev")->AsString());
}

void TfrmPresunZkopiruj::btnVyberSkupinyClick() {
    if (sheetId_ == 0) {
        ShowInformation(QString::fromUtf8(kMoveSheetFirst));
        return;
    }
    TADOQuery& groups = frmMain->adqAgendaFree1;
    if (ShowGroupPicker(sheetId_) == kResultOk && groups.Active() && !groups.IsEmpty())
        SetGroup(groups.FieldByName("ID")->AsInteger(), groups.FieldByName("Nazev")->AsString());
    groups.Close();
}

void TfrmPresunZkopiruj::btnOKClick() {
    if (!panList->isHidden() && sheetId_ == 0) {
        ShowInformation(QString::fromUtf8(kMoveSheetMissing));
        return;
    }
    if (!panSkupina->isHidden() && groupId_ == 0) {
        ShowInformation(QString::fromUtf8(kMoveGroupMissing));
        return;
    }
    btnOK->hide();
    btnStorno->hide();
    btnPrerusit->show();
    btnVyberListu->setEnabled(false);
    btnVyberSkupiny->setEnabled(false);
    running_ = true;
    {
        struct TDone {
            bool& flag;
            ~TDone() { flag = false; }
        } finished{running_};
        if (mode_ == TMoveMode::GroupsToSheet)
            MoveGroups();
        else
            MoveItems();
    }
    done(kMoveRan);
}

void TfrmPresunZkopiruj::reject() {
    // A move under way cannot be walked away from; it is interrupted between rows instead.
    if (running_) {
        WorkingCancelled = true;
        return;
    }
    done(kMoveCancelled);
}

void TfrmPresunZkopiruj::MoveItems() {
    WorkingCancelled = false;
    TfrmZasoby* list = TfrmZasoby::Existing();
    if (!list) return;
    TADOQuery& items = Items();
    TBookmarkList& marks = list->grZasoby->MarkedRows();
    const int count = marks.MarkCount();
    pbWorking->setMaximum(std::max(count, 1));
    const bool toSheet = mode_ == TMoveMode::ItemsToSheet;
    for (int i = 0; i < count; ++i) {
        const TBookmark mark = marks.MarkAt(i);
        // A mark whose row has left the list has nothing left to move.
        if (!items.BookmarkValid(mark)) continue;
        items.GotoBookmark(mark);
        const int id = items.FieldByName("ID")->AsInteger();
        if (toSheet)
            ExecAgenda("UPDATE Zasoby SET Skupina = :Skupina, Sklad = :Sklad WHERE ID = :ID",
                       {{"Skupina", groupId_}, {"Sklad", sheetId_}, {"ID", id}});
        else
            ExecAgenda("UPDATE Zasoby SET Skupina = :Skupina WHERE ID = :ID",
                       {{"Skupina", groupId_}, {"ID", id}});
        if (i % kPumpEvery == 0) {
            QApplication::processEvents();
            pbWorking->setValue(i + 1);
            if (WorkingCancelled) break;
        }
    }
    pbWorking->setValue(pbWorking->maximum());
}

void TfrmPresunZkopiruj::MoveGroups() {
    WorkingCancelled = false;
    TfrmZasoby* list = TfrmZasoby::Existing();
    if (!list) return;
    TADOQuery& groups = Groups();
    TBookmarkList& marks = list->grSkupiny->MarkedRows();
    const int count = marks.MarkCount();
    pbWorking->setMaximum(std::max(count, 1));
    bool basicSkipped = false;
    for (int i = 0; i < count; ++i) {
        const TBookmark mark = marks.MarkAt(i);
        if (groups.BookmarkValid(mark)) {
            groups.GotoBookmark(mark);
            const int id = groups.FieldByName("ID")->AsInteger();
            if (groups.FieldByName("Zakladni")->AsBoolean()) {
                basicSkipped = true;
            } else {
                // A group moves with its items or not at all: never items under a group that
                // stands on another sheet. The run may stop between groups, not inside one.
                TTransaction transaction(frmMain->ADOConAgenda);
                ExecAgenda("UPDATE Zasoby SET Sklad = :Sklad WHERE Skupina = :ID",
                           {{"Sklad", sheetId_}, {"ID", id}});
                ExecAgenda("UPDATE Skupiny SET Sklad = :Sklad WHERE ID = :ID",
                           {{"Sklad", sheetId_}, {"ID", id}});
                transaction.Commit();
            }
        }
        QApplication::processEvents();
        pbWorking->setValue(i + 1);
        if (WorkingCancelled) break;
    }
    pbWorking->setValue(pbWorking->maximum());
    if (basicSkipped) ShowInformation(QString::fromUtf8(kMoveBasicGroupKept));
}

int ShowMoveDialog(TMoveMode mode, int sheetId) {
    TfrmPresunZkopiruj dialog(mode, sheetId, ApplicationMainWindow());
    return dialog.exec();
}

namespace {

bool MayMove() {
    if (CenikLevel() < TAccessLevel::ReadOnly) return true;
    TUser::ShowNoRightsMessage();
    return false;
}

// After items moved: they have left the group or sheet shown.
void AfterItemsMoved(TfrmZasoby& window) {
    window.grZasoby->MarkedRows().ClearMarks();
    Requery(Items());
    if (window.GroupPanelShown()) Requery(Groups());
    window.UpdatePriceListButtons();
}

}  // namespace

void MoveToGroupFromPriceList(TfrmZasoby& window) {
    if (!MayMove()) return;
    const int kind = window.CheckMarkedSelection(false);
    if (kind == 1) ShowInformation(QString::fromUtf8(kNotForGroups));
    if (kind != 2) return;
    if (ShowMoveDialog(TMoveMode::ItemsToGroup, CurrentSheetId) == kMoveRan) AfterItemsMoved(window);
}

void MoveToSheetFromPriceList(TfrmZasoby& window) {
    if (!MayMove()) return;
    const int kind = window.CheckMarkedSelection(false);
    if (kind == 1) {
        if (ShowMoveDialog(TMoveMode::GroupsToSheet, CurrentSheetId) != kMoveRan) return;
        window.grSkupiny->MarkedRows().ClearMarks();
        window.grZasoby->MarkedRows().ClearMarks();
        Requery(Groups());
        window.UpdatePriceListButtons();
    } else if (kind == 2) {
        if (ShowMoveDialog(TMoveMode::ItemsToSheet, CurrentSheetId) == kMoveRan) AfterItemsMoved(window);
    }
}
