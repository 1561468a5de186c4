#include "offers/ZakazkaList.h"

#include <QApplication>
#include <QHBoxLayout>

#include "core/Login.h"
#include "core/Main.h"
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
    : TRecordListDialog(list.Query(),
                        {{"Zkratka", "Zkratka"},
                         {"Nazev", QString::fromUtf8("Název zakázky")},
                         {"DatumZahajeni", QString::fromUtf8("Datum zahájení")}},
                        QString::fromUtf8("Přidat novou zakázku"), parent),
      list_(list) {
    setObjectName("frmZakazkaList");
    setWindowTitle(QString::fromUtf8(kCaption));
    grList->Columns().ColumnAt(0)->SetWidth(kCodeWidth);
    grList->Columns().ColumnAt(1)->SetWidth(kNameWidth);
    grList->Columns().ColumnAt(2)->SetWidth(kDateWidth);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grList, 1);
    layout->addLayout(Buttons());
    resize(780, 420);
}

void TfrmZakazkaList::KeepChoice() {
    list_.SelectedID = CurrentID();
    list_.SelectedZkratka = list_.Query().FieldByName("Zkratka")->AsString();
}

int TfrmZakazkaList::AddRecord() {
    TZakazka order;
    return order.Add() ? order.ID : 0;
}

bool TfrmZakazkaList::EditRecord(int id) {
    TZakazka order;
    return order.Edit(id);
}

int TfrmZakazkaList::CopyRecord(int id) {
    TZakazka order;
    return order.Copy(id) ? order.ID : 0;
}

bool TfrmZakazkaList::MayDelete() {
    if (CurrentUser.Zakazky_AR == TAccessLevel::Full) return true;
    TUser::ShowNoRightsMessage();
    return false;
}

bool TfrmZakazkaList::DeleteRecord(int id) {
    TZakazka order;
    // Offers of the deleted order keep its code.
    if (order.Delete(id)) return true;
    if (!order.ErrorShown) ShowError(order.ErrorText);
    return false;
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
