#include "offers/ZakazkaList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "offers/VolnyTextList.h"
#include "offers/Zakazka.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr const char* kCaption = "Seznam zakázek";
constexpr int kCodeWidth = 92;
constexpr int kNameWidth = 426;
constexpr int kDateWidth = 95;
constexpr int kRowHeight = 17;

struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TZakazkaList::TZakazkaList() : query_(std::make_unique<TADOQuery>(&frmMain->ADOConAgenda)) {}

TZakazkaList::~TZakazkaList() = default;

bool TZakazkaList::ShowDialog() {
    if (CurrentUser.Zakazky_AR == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    query_->Close();
    query_->SetSQL("SELECT ID, Zkratka, Nazev, DatumZahajeni FROM Zakazka");
    query_->Open();
    if (!SelectedZkratka.isEmpty())
        query_->Locate("Zkratka", SelectedZkratka, loCaseInsensitive);
    else if (SelectedID != 0)
        query_->Locate("ID", SelectedID);
    TfrmZakazkaList window(*this, ApplicationMainWindow());
    return window.exec() == kResultOk;
}

TfrmZakazkaList::TfrmZakazkaList(TZakazkaList& list, QWidget* parent)
    : TPriceListDialog(parent), list_(list) {
    setObjectName("frmZakazkaList");
    setWindowTitle(QString::fromUtf8(kCaption));
    grList = MakeListGrid(this, "grList", &dsList,
                          {{"Zkratka", "Zkratka"},
                           {"Nazev", QString::fromUtf8("Název zakázky")},
                           {"DatumZahajeni", QString::fromUtf8("Datum zahájení")}});
    grList->Columns().ColumnAt(0)->SetWidth(kCodeWidth);
    grList->Columns().ColumnAt(1)->SetWidth(kNameWidth);
    grList->Columns().ColumnAt(2)->SetWidth(kDateWidth);
    grList->SetDefaultRowHeight(kRowHeight);

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat novou zakázku"),
                          QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnObnovit = AddButton(this, buttons, "btnObnovit", "Obnovit");
    btnKopirovat = AddButton(this, buttons, "btnKopirovat", QString::fromUtf8("Kopírovat"));
    buttons->addStretch();
    btnOK->setDefault(true);

    auto guarded = [this](void (TfrmZakazkaList::*action)()) {
        return [this, action] {
            TBusyCursor busy;
            (this->*action)();
        };
    };
    connect(btnOK, &QPushButton::clicked, this, guarded(&TfrmZakazkaList::btnOKClick));
    connect(btnStorno, &QPushButton::clicked, this, &TfrmZakazkaList::reject);
    connect(btnPridat, &QPushButton::clicked, this, guarded(&TfrmZakazkaList::btnPridatClick));
    connect(btnOpravit, &QPushButton::clicked, this, guarded(&TfrmZakazkaList::btnOpravitClick));
    connect(btnKopirovat, &QPushButton::clicked, this, guarded(&TfrmZakazkaList::btnKopirovatClick));
    connect(btnVyjmout, &QPushButton::clicked, this, guarded(&TfrmZakazkaList::btnVyjmoutClick));
    connect(btnObnovit, &QPushButton::clicked, this, guarded(&TfrmZakazkaList::btnObnovitClick));
    grList->OnDblClick = [this](QObject*) {
        if (btnOK->isEnabled()) btnOK->click();
    };
    OnEnterKey(grList, [this] {
        if (btnOK->isEnabled()) btnOK->click();
    });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grList, 1);
    layout->addLayout(buttons);
    AddPurchasePriceAction(this);
    resize(780, 420);
    dsList.SetDataSet(&list_.Query());
}

TfrmZakazkaList::~TfrmZakazkaList() { delete grList; }

void TfrmZakazkaList::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grList->setFocus();
}

void TfrmZakazkaList::UpdateButtons() {
    const bool rows = list_.Query().Active() && !list_.Query().IsEmpty();
    for (QPushButton* b : {btnOK, btnOpravit, btnKopirovat, btnVyjmout}) b->setEnabled(rows);
}

int TfrmZakazkaList::CurrentID() const { return list_.Query().FieldByName("ID")->AsInteger(); }

void TfrmZakazkaList::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    list_.SelectedID = CurrentID();
    list_.SelectedZkratka = list_.Query().FieldByName("Zkratka")->AsString();
    done(kResultOk);
}

void TfrmZakazkaList::btnPridatClick() {
    TZakazka order;
    if (!order.Add()) return;
    btnObnovitClick();
    list_.Query().Locate("ID", order.ID);
    UpdateButtons();
}

void TfrmZakazkaList::btnOpravitClick() {
    if (!btnOpravit->isEnabled()) return;
    TZakazka order;
    if (!order.Edit(CurrentID())) return;
    btnObnovitClick();
    UpdateButtons();
}

void TfrmZakazkaList::btnKopirovatClick() {
    if (!btnKopirovat->isEnabled()) return;
    TZakazka order;
    if (!order.Copy(CurrentID())) return;
    btnObnovitClick();
    list_.Query().Locate("ID", order.ID);
    UpdateButtons();
}

void TfrmZakazkaList::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    if (CurrentUser.Zakazky_AR != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    if (!AskQuestion(QString::fromUtf8(kConfirmRecordDelete))) return;
    TADOQuery& query = list_.Query();
    const int standOn = GetIDAfterDelete(query, "ID");
    TZakazka order;
    // Offers of the deleted order keep its code.
    if (order.Delete(CurrentID())) {
        btnObnovitClick();
        query.Locate("ID", standOn);
    } else if (!order.ErrorShown) {
        ShowError(order.ErrorText);
    }
    UpdateButtons();
}

void TfrmZakazkaList::btnObnovitClick() {
    grList->MarkedRows().ClearMarks();
    RequeryAndLocate(list_.Query());
    UpdateButtons();
}

std::optional<QString> PickOrderCode(const QString& current) {
    TZakazkaList list;
    list.SelectedZkratka = current;
    if (!list.ShowDialog()) return std::nullopt;
    return list.SelectedZkratka;
}

std::optional<QString> ShowOrderDetail(const QString& code) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int id = TZakazka::FindIdByZkratka(code);
    QApplication::restoreOverrideCursor();
    if (id == 0) {
        ShowError(QString::fromUtf8(kOrderGone));
        return std::nullopt;
    }
    TZakazka order;
    if (!order.Edit(id)) return std::nullopt;
    return order.Zkratka;
}
