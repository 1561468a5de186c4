#include "offers/RecordListDialog.h"

#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/PurchasePrices.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr int kRowHeight = 17;

// The hourglass for the length of one button's action.
struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TRecordListDialog::TRecordListDialog(TADOQuery& query,
                                     const std::vector<std::pair<QString, QString>>& columns,
                                     const QString& addText, QWidget* parent)
    : TPriceListDialog(parent), query_(query) {
    grList = MakeListGrid(this, "grList", &dsList, columns);
    grList->SetDefaultRowHeight(kRowHeight);

    buttons_ = new QVBoxLayout;
    btnOK = AddButton(this, buttons_, "btnOK", "OK");
    btnVyjmout = AddButton(this, buttons_, "btnVyjmout", "Vyjmout");
    btnStorno = AddButton(this, buttons_, "btnStorno", "Storno");
    buttons_->addSpacing(12);
    btnPridat = AddButton(this, buttons_, "btnPridat", addText, QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons_, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnObnovit = AddButton(this, buttons_, "btnObnovit", "Obnovit");
    btnKopirovat = AddButton(this, buttons_, "btnKopirovat", QString::fromUtf8("Kopírovat"));
    buttons_->addStretch();
    btnOK->setDefault(true);

    auto guarded = [this](void (TRecordListDialog::*action)()) {
        return [this, action] {
            TBusyCursor busy;
            (this->*action)();
        };
    };
    connect(btnOK, &QPushButton::clicked, this, guarded(&TRecordListDialog::btnOKClick));
    connect(btnStorno, &QPushButton::clicked, this, &TRecordListDialog::reject);
    connect(btnPridat, &QPushButton::clicked, this, guarded(&TRecordListDialog::btnPridatClick));
    connect(btnOpravit, &QPushButton::clicked, this, guarded(&TRecordListDialog::btnOpravitClick));
    connect(btnKopirovat, &QPushButton::clicked, this, guarded(&TRecordListDialog::btnKopirovatClick));
    connect(btnVyjmout, &QPushButton::clicked, this, guarded(&TRecordListDialog::btnVyjmoutClick));
    connect(btnObnovit, &QPushButton::clicked, this, guarded(&TRecordListDialog::btnObnovitClick));
    grList->OnDblClick = [this](QObject*) {
        if (btnOK->isEnabled()) btnOK->click();
    };
    OnEnterKey(grList, [this] {
        if (btnOK->isEnabled()) btnOK->click();
    });
    AddPurchasePriceAction(this);
    dsList.SetDataSet(&query_);
}

TRecordListDialog::~TRecordListDialog() { delete grList; }

void TRecordListDialog::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grList->setFocus();
}

void TRecordListDialog::UpdateButtons() {
    const bool rows = query_.Active() && !query_.IsEmpty();
    for (QPushButton* b : {btnOK, btnOpravit, btnKopirovat, btnVyjmout}) b->setEnabled(rows);
}

int TRecordListDialog::CurrentID() const { return query_.FieldByName("ID")->AsInteger(); }

void TRecordListDialog::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    KeepChoice();
    done(kResultOk);
}

void TRecordListDialog::btnPridatClick() {
    const int id = AddRecord();
    if (id == 0) return;
    btnObnovitClick();
    query_.Locate("ID", id);
    UpdateButtons();
}

void TRecordListDialog::btnOpravitClick() {
    if (!btnOpravit->isEnabled() || !EditRecord(CurrentID())) return;
    btnObnovitClick();
}

void TRecordListDialog::btnKopirovatClick() {
    if (!btnKopirovat->isEnabled()) return;
    const int id = CopyRecord(CurrentID());
    if (id == 0) return;
    btnObnovitClick();
    query_.Locate("ID", id);
    UpdateButtons();
}

void TRecordListDialog::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled() || !MayDelete()) return;
    if (!AskQuestion(QString::fromUtf8(kConfirmRecordDelete))) return;
    const int standOn = GetIDAfterDelete(query_, "ID");
    if (DeleteRecord(CurrentID())) {
        btnObnovitClick();
        query_.Locate("ID", standOn);
    }
    UpdateButtons();
}

void TRecordListDialog::btnObnovitClick() {
    grList->MarkedRows().ClearMarks();
    RequeryAndLocate(query_);
    UpdateButtons();
}
