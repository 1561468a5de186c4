#include "offers/Zakazka.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/Rowset.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"

namespace {

constexpr const char* kDateDialogTitle = "Vyberte datum";
constexpr const char* kRatingHint = "(F9)";
constexpr const char* kSelectOrder =
    "SELECT ID, Zkratka, Nazev, Poznamka, Uzavrena, DatumPlanZahajeni, DatumZahajeni, DatumPlanPredani, "
    "DatumPredani, Hodnoceni FROM Zakazka WHERE ID = %1";

QVariant DateParam(TDateTime date) { return date != 0 ? QVariant(date) : QVariant(); }

TDateTime DateOf(const TField* field) { return field->IsNull() ? 0 : field->AsDateTime(); }

TAccessLevel OrderLevel() { return CurrentUser.Zakazky_AR; }

}  // namespace

bool TZakazka::Load(int id) {
    IsNew = false;
    ErrorShown = false;
    TADOQuery query(&frmMain->ADOConAgenda);
    try {
        query.SetSQL(QString::fromLatin1(kSelectOrder).arg(id));
        query.Open();
    } catch (const EDatabaseError& e) {
        ErrorText = QString::fromUtf8(kOrderLoadFailed).arg(id) + e.Message();
        return false;
    }
    if (query.IsEmpty()) {
        ErrorText = QString::fromUtf8(kOrderNotFound).arg(id);
        return false;
    }
    ID = query.FieldByName("ID")->AsInteger();
    Zkratka = query.FieldByName("Zkratka")->AsString();
    Nazev = query.FieldByName("Nazev")->AsString();
    Poznamka = query.FieldByName("Poznamka")->AsString();
    Uzavrena = query.FieldByName("Uzavrena")->AsBoolean();
    DatumPlanZahajeni = DateOf(query.FieldByName("DatumPlanZahajeni"));
    DatumZahajeni = DateOf(query.FieldByName("DatumZahajeni"));
    DatumPlanPredani = DateOf(query.FieldByName("DatumPlanPredani"));
    DatumPredani = DateOf(query.FieldByName("DatumPredani"));
    Hodnoceni = query.FieldByName("Hodnoceni")->AsInteger();
    return true;
}

int TZakazka::FindIdByZkratka(const QString& code) {
    // The code is bound: a quote in it cannot end the literal, and Jet compares it without case.
    TADOQuery query(&frmMain->ADOConAgenda);
    query.SetSQL("SELECT ID FROM Zakazka WHERE Zkratka = :Zkratka");
    query.Parameters().ParamByName("Zkratka")->Value = code;
    query.Open();
    return query.IsEmpty() ? 0 : query.FieldByName("ID")->AsInteger();
}

bool TZakazka::Validate() {
    Zkratka = Zkratka.trimmed();
    if (Zkratka.isEmpty()) {
        ErrorText = QString::fromUtf8(kOrderNoCode);
        return false;
    }
    if (Nazev.isEmpty()) {
        ErrorText = QString::fromUtf8(kOrderNoName);
        return false;
    }
    if (IsNew && FindIdByZkratka(Zkratka) != 0) {
        ErrorText = QString::fromUtf8(kOrderCodeTaken).arg(Zkratka);
        return false;
    }
    return true;
}

bool TZakazka::Save() {
    ErrorShown = false;
    if (!Validate()) return false;
    TADOCommand command;
    command.Connection = &frmMain->ADOConAgenda;
    command.SetCommandText(
        IsNew ? QStringLiteral(
                    "INSERT INTO Zakazka (Zkratka, Nazev, Poznamka, Uzavrena, DatumPlanZahajeni, "
                    "DatumZahajeni, DatumPlanPredani, DatumPredani, Hodnoceni) VALUES (:Zkratka, :Nazev, "
                    ":Poznamka, :Uzavrena, :DatumPlanZahajeni, :DatumZahajeni, :DatumPlanPredani, "
                    ":DatumPredani, :Hodnoceni)")
              : QStringLiteral(
                    "UPDATE Zakazka SET Zkratka = :Zkratka, Nazev = :Nazev, Poznamka = :Poznamka, "
                    "Uzavrena = :Uzavrena, DatumPlanZahajeni = :DatumPlanZahajeni, DatumZahajeni = "
                    ":DatumZahajeni, DatumPlanPredani = :DatumPlanPredani, DatumPredani = :DatumPredani, "
                    "Hodnoceni = :Hodnoceni WHERE ID = %1")
                    .arg(ID));
    TParameters& p = command.Parameters;
    p.ParamByName("Zkratka")->Value = Zkratka;
    p.ParamByName("Nazev")->Value = Nazev;
    p.ParamByName("Poznamka")->Value = Poznamka;
    p.ParamByName("Uzavrena")->Value = Uzavrena;
    p.ParamByName("DatumPlanZahajeni")->Value = DateParam(DatumPlanZahajeni);
    p.ParamByName("DatumZahajeni")->Value = DateParam(DatumZahajeni);
    p.ParamByName("DatumPlanPredani")->Value = DateParam(DatumPlanPredani);
    p.ParamByName("DatumPredani")->Value = DateParam(DatumPredani);
    p.ParamByName("Hodnoceni")->Value = Hodnoceni;
    int rows = 0;
    try {
        rows = command.Execute();
    } catch (const EDatabaseError&) {
        // Another station took the code between the check and the insert: the unique index refuses
        // it, and the card stays open like for any other failed save.
        rows = 0;
    }
    if (rows != 1) {
        ErrorText = QString::fromUtf8(kOrderSaveFailed);
        return false;
    }
    if (IsNew) {
        command.SetCommandText("SELECT @@IDENTITY");
        ID = command.OpenRowset()->Value(0, 0).toInt();
        IsNew = false;
    }
    return true;
}

bool TZakazka::Delete(int id) { return DeleteRow("Zakazka", id, kOrderDeleteFailed); }

bool TZakazka::Add() { return ShowDialog(); }

bool TZakazka::Edit(int id) {
    if (!ReadOnly && OrderLevel() == TAccessLevel::ReadOnly) {
        ReadOnly = true;
        TUser::ShowReadOnlyMessage();
    }
    return LoadOrTell(id) && ShowDialog();
}

bool TZakazka::Copy(int id) {
    if (!LoadOrTell(id)) return false;
    IsNew = true;
    // The copy needs a code of its own.
    Zkratka.clear();
    return ShowDialog();
}

bool TZakazka::ShowDialog() {
    if (OrderLevel() == TAccessLevel::NoAccess || (OrderLevel() == TAccessLevel::ReadOnly && IsNew)) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    TfrmZakazka card(*this, ApplicationMainWindow());
    return card.exec() == QDialog::Accepted;
}

TfrmZakazka::TfrmZakazka(TZakazka& order, QWidget* parent) : TVnDialog(parent), order_(order) {
    setObjectName("frmZakazka");
    setWindowTitle(QString::fromUtf8(kOrderCardCaption));
    auto* top = new QHBoxLayout;
    AddOkStornoButtons(this, top, btnOK, btnStorno, false);
    top->addStretch();
    connect(btnOK, &QPushButton::clicked, this, &TfrmZakazka::btnOKClick);

    edtZkratka = new QLineEdit(this);
    edtZkratka->setObjectName("edtZkratka");
    MakeCodeEdit(edtZkratka, kOrderCodeLength);
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(kOrderNameLength);
    auto date = [this](const char* name) {
        auto* edit = new TDateEdit(this);
        edit->setObjectName(name);
        edit->SetDialogTitle(QString::fromUtf8(kDateDialogTitle));
        return edit;
    };
    edtDatumPlanZahajeni = date("edtDatumPlanZahajeni");
    edtDatumPlanPredani = date("edtDatumPlanPredani");
    edtDatumZahajeni = date("edtDatumZahajeni");
    edtDatumPredani = date("edtDatumPredani");
    chckUzavrena = new QCheckBox(QString::fromUtf8("uzavřená zakázka"), this);
    chckUzavrena->setObjectName("chckUzavrena");
    curHodnoceni = new TCurrencyEdit(this);
    curHodnoceni->setObjectName("curHodnoceni");
    curHodnoceni->SetDecimalPlaces(0);
    curHodnoceni->setToolTip(QString::fromUtf8(kRatingHint));
    memPoznamka = new QPlainTextEdit(this);
    memPoznamka->setObjectName("memPoznamka");
    memPoznamka->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* form = new QFormLayout;
    form->addRow("Zkratka", edtZkratka);
    form->addRow(QString::fromUtf8("Název zakázky"), edtNazev);
    form->addRow(QString::fromUtf8("Plánované zahájení"), edtDatumPlanZahajeni);
    form->addRow(QString::fromUtf8("Plánované předání"), edtDatumPlanPredani);
    form->addRow(QString::fromUtf8("Datum zahájení"), edtDatumZahajeni);
    form->addRow(QString::fromUtf8("Datum předání"), edtDatumPredani);
    form->addRow(QString(), chckUzavrena);
    form->addRow(QString::fromUtf8("Hodnocení"), curHodnoceni);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QString::fromUtf8("Poznámka"), this));
    layout->addWidget(memPoznamka, 1);
    AddPurchasePriceAction(this);
    resize(460, 460);

    edtZkratka->setText(order_.Zkratka);
    edtZkratka->setEnabled(order_.IsNew);
    edtNazev->setText(order_.Nazev);
    const std::pair<TDateEdit*, TDateTime> dates[] = {{edtDatumPlanZahajeni, order_.DatumPlanZahajeni},
                                                      {edtDatumPlanPredani, order_.DatumPlanPredani},
                                                      {edtDatumZahajeni, order_.DatumZahajeni},
                                                      {edtDatumPredani, order_.DatumPredani}};
    for (const auto& [edit, value] : dates) {
        if (value != 0)
            edit->SetDate(value);
        else
            edit->Clear();
    }
    chckUzavrena->setChecked(order_.Uzavrena);
    curHodnoceni->SetValue(order_.Hodnoceni);
    memPoznamka->setPlainText(QString(order_.Poznamka).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    if (order_.ReadOnly) {
        btnOK->setEnabled(false);
        btnOK->hide();
        setWindowTitle(windowTitle() + QString::fromUtf8(kOrderViewSuffix));
    }
}

void TfrmZakazka::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    (order_.IsNew ? edtZkratka : edtNazev)->setFocus();
}

void TfrmZakazka::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    order_.Zkratka = edtZkratka->text();
    order_.Nazev = edtNazev->text();
    auto date = [](const TDateEdit* edit) { return edit->IsEmpty() ? TDateTime(0) : edit->Date(); };
    order_.DatumPlanZahajeni = date(edtDatumPlanZahajeni);
    order_.DatumPlanPredani = date(edtDatumPlanPredani);
    order_.DatumZahajeni = date(edtDatumZahajeni);
    order_.DatumPredani = date(edtDatumPredani);
    order_.Uzavrena = chckUzavrena->isChecked();
    order_.Hodnoceni = static_cast<int>(curHodnoceni->Value());
    QString note = memPoznamka->toPlainText();
    order_.Poznamka = note.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (!order_.Save()) {
        ShowError(order_.ErrorText);
        return;
    }
    edtZkratka->setText(order_.Zkratka);
    accept();
}
