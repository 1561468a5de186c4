#include "pricelist/CenHladDetail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Main.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Rowset.h"
#include "platform/db/Transaction.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceRules.h"

namespace {

const char* const kCaption = "Cenová hladina";
const char* const kFixni = "fixní cenová hladina";
const char* const kPrevzit = "převzít nastavení z původní cenové hladiny";
const char* const kHint =
    "Pokud se chcete vyhnout rozdílům při dopočtu druhé ceny (s nebo bez DPH), nastavte stejný \"Typ ceny\", "
    "jaký máte u zákl. prod. ceny na položce v ceníku (program zohledňuje výpočet \"shora\" a \"zdola\").";
const char* const kConfirmCodeChange =
    "Změnu zkratky musí program promítnout i do souvisejících databází (cenové skupiny, ceník, ...), což "
    "může "
    "při větším počtu záznamů chvilku trvat. Opravdu chcete změnit zkratku této cenové hladiny ?";
const char* const kCodeExists = "Zkratka \"%1\" již v seznamu existuje, zadejte jinou.";
const char* const kWait = "Prosím čekejte...";
const char* const kAskAddresses = "Chcete změnit zkratku cenové hladiny i v adesáři firem (doporučeno) ?";
const char* const kFourthFixed =
    "Cenovou hladinu nelze uložit jako fixní: cenová skupina %1 by obsahovala více než 3 fixní hladiny. "
    "Skupina může obsahovat maximálně 3 fixní hladiny.";

// The group, if any, that would hold more than three fixed rules once the level's taken-over rules
// follow its new values. Only a level that becomes fixed can do that.
QString GroupOverFixedLimit(const QString& oldCode, bool fixed) {
    if (!fixed || oldCode.isEmpty()) return QString();
    const std::unique_ptr<TRowset> rows = frmMain->ADOConAgenda.OpenRowset(
        "SELECT g.Zkratka, "
        "(SELECT COUNT(*) FROM CenSkupPol r WHERE r.IDCenSkup = g.ID AND "
        "((r.Zkratka = :Code AND r.Prevzato = True) OR (NOT (r.Zkratka = :Code AND r.Prevzato = True) AND "
        "r.Prepocitat = False))) AS Fixed "
        "FROM CenSkup g WHERE EXISTS (SELECT * FROM CenSkupPol t WHERE t.IDCenSkup = g.ID AND t.Zkratka = "
        ":Code "
        "AND t.Prevzato = True) ORDER BY g.Zkratka",
        [&] {
            TParameters params;
            params.AddParameter("Code")->Value = oldCode;
            return params;
        }());
    for (size_t i = 0; i < rows->RowCount(); ++i) {
        if (rows->Value(i, 1).toInt() > 3) return rows->Value(i, 0).toString();
    }
    return QString();
}

}  // namespace

TLevelValues TLevelValues::Of(const TDataSet& row) {
    TLevelValues v;
    v.Hodnota = row.FieldByName("Hodnota")->AsFloat();
    v.TypHodnoty = row.FieldByName("TypHodnoty")->AsInteger();
    v.VychCena = row.FieldByName("VychCena")->AsInteger();
    v.SDPH = row.FieldByName("SDPH")->AsBoolean();
    v.Zaok = row.FieldByName("Zaok")->AsInteger();
    v.Prepocitat = row.FieldByName("Prepocitat")->AsBoolean();
    return v;
}

QString LevelValueFault(const TLevelValues& values) {
    if (!values.Prepocitat) return QString();
    // A discount above the whole price gives a negative price, and so does a rabat above it (it
    // divides by a negative share); the whole price as either prices to 0.
    if (values.TypHodnoty == TypHodnotySleva && values.Hodnota > 100) return QString::fromUtf8(kSlevaTooHigh);
    if (values.TypHodnoty == TypHodnotyRabat && values.Hodnota > 100) return QString::fromUtf8(kRabatTooHigh);
    return QString();
}

TfrmCenHladDetail::TfrmCenHladDetail(bool ruleMode, QWidget* parent)
    : TPriceListDialog(parent), ruleMode_(ruleMode) {
    setObjectName("frmCenHladDetail");
    setWindowTitle(QString::fromUtf8(kCaption));

    edtZkratka = new QLineEdit(this);
    edtZkratka->setObjectName("edtZkratka");
    MakeCodeEdit(edtZkratka, 10);
    edtPopis = new QLineEdit(this);
    edtPopis->setObjectName("edtPopis");
    edtPopis->setMaxLength(50);
    edtHodnota = new TCurrencyEdit(this);
    edtHodnota->setObjectName("edtHodnota");
    edtHodnota->SetDisplayFormat(",0.00;-,0.00");
    cmbTypHodnoty = Choice(this, "cmbTypHodnoty", {"sleva", QString::fromUtf8("marže"), "rabat"});
    cmbVychCena =
        Choice(this, "cmbVychCena", {QString::fromUtf8("zákl. prodejní"), QString::fromUtf8("nákupní")});
    cmbSDPH = Choice(this, "cmbSDPH", {QString::fromUtf8("bez daně"), QString::fromUtf8("s daní")});
    cmbZaok = Choice(this, "cmbZaok", ZaokTexts());
    chckFixni = new QCheckBox(QString::fromUtf8(kFixni), this);
    chckFixni->setObjectName("chckFixni");
    chckPrevzit = new QCheckBox(QString::fromUtf8(kPrevzit), this);
    chckPrevzit->setObjectName("chckPrevzit");
    chckPrevzit->setVisible(ruleMode);
    lblHint = new QLabel(QString::fromUtf8(kHint), this);
    lblHint->setObjectName("lblHint");
    lblHint->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow("Zkratka", edtZkratka);
    form->addRow(QString::fromUtf8("Název"), edtPopis);
    lblHodnota = new QLabel("Hodnota %", this);
    form->addRow(lblHodnota, edtHodnota);
    lblTypHodnoty = new QLabel("Typ", this);
    form->addRow(lblTypHodnoty, cmbTypHodnoty);
    lblVychCena = new QLabel(QString::fromUtf8("Vychozí cena"), this);
    form->addRow(lblVychCena, cmbVychCena);
    form->addRow("Typ ceny", cmbSDPH);
    form->addRow(QString::fromUtf8("Zaokrouhlení při výpočtu"), cmbZaok);
    form->addRow(chckFixni);
    form->addRow(chckPrevzit);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmCenHladDetail::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmCenHladDetail::reject);
    connect(chckFixni, &QCheckBox::toggled, this, &TfrmCenHladDetail::UpdateControls);
    connect(chckPrevzit, &QCheckBox::toggled, this, &TfrmCenHladDetail::UpdateControls);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelpTopic(kHelpPage); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblHint);
    layout->addLayout(buttons);
    UpdateControls();
}

TLevelValues TfrmCenHladDetail::Values() const {
    TLevelValues v;
    v.Hodnota = static_cast<double>(edtHodnota->Value());
    v.TypHodnoty = cmbTypHodnoty->currentIndex();
    v.VychCena = cmbVychCena->currentIndex();
    v.SDPH = cmbSDPH->currentIndex() == 1;
    v.Zaok = cmbZaok->currentIndex();
    v.Prepocitat = !chckFixni->isChecked();
    return v;
}

void TfrmCenHladDetail::SetValues(const TLevelValues& v) {
    edtHodnota->SetValue(v.Hodnota);
    cmbTypHodnoty->setCurrentIndex(v.TypHodnoty);
    cmbVychCena->setCurrentIndex(v.VychCena);
    cmbSDPH->setCurrentIndex(v.SDPH ? 1 : 0);
    cmbZaok->setCurrentIndex(v.Zaok >= 0 && v.Zaok <= 2 ? v.Zaok : ZaokNone);
    chckFixni->setChecked(!v.Prepocitat);
    UpdateControls();
}

void TfrmCenHladDetail::UpdateControls() {
    const bool fixed = chckFixni->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblHodnota, edtHodnota, lblTypHodnoty, cmbTypHodnoty,
                                                      lblVychCena, cmbVychCena})
        w->setVisible(!fixed);
    const bool own = !ruleMode_ || !chckPrevzit->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{edtHodnota, cmbTypHodnoty, cmbVychCena, cmbSDPH, cmbZaok, chckFixni})
        w->setEnabled(own);
}

void TfrmCenHladDetail::btnOKClick() {
    if (CheckedCode(btnOK, edtZkratka).isEmpty()) return;
    // Values taken over from the level are the level's own, checked where the level is saved.
    if (!ruleMode_ || !chckPrevzit->isChecked()) {
        const QString fault = LevelValueFault(Values());
        if (!fault.isEmpty()) {
            ShowInformation(fault);
            return;
        }
    }
    done(kResultOk);
}

int EditPriceLevel(bool add) {
    const TAccessLevel level = CenikLevel();
    TADOQuery& levels = frmMain->adqCenHlad;
    if (!PrepareCodeCard(levels, "SELECT * FROM CenHlad", level, add)) return -1;

    TCardSession card;
    TfrmCenHladDetail window(false, ApplicationMainWindow());
    window.SetValues(TLevelValues());
    const int id = add ? 0 : levels.FieldByName("ID")->AsInteger();
    QString oldCode;
    if (!add) {
        if (!LockCardRecord(card, level, "CenHlad", id, window.btnOK)) return -1;
        oldCode = levels.FieldByName("Zkratka")->AsString();
        window.edtZkratka->setText(oldCode);
        window.edtPopis->setText(levels.FieldByName("Popis")->AsString());
        window.SetValues(TLevelValues::Of(levels));
    }

    QString code;
    for (;;) {
        const int result = window.exec();
        if (result != kResultOk) return result;
        code = window.edtZkratka->text();
        if (!add && code != oldCode && !AskQuestion(QString::fromUtf8(kConfirmCodeChange))) continue;
        const QString over = add ? QString() : GroupOverFixedLimit(oldCode, !window.Values().Prepocitat);
        if (!over.isEmpty()) {
            ShowInformation(QString::fromUtf8(kFourthFixed).arg(over));
            continue;
        }
        if (!add && code == levels.FieldByName("Zkratka")->AsString()) break;
        // The code must be new among the levels, compared exactly as it was typed.
        if (!CodeTaken(levels, id, code)) break;
        ShowInformation(QString::fromUtf8(kCodeExists).arg(code));
    }

    const TLevelValues v = window.Values();
    TParamValues values = {{"Zkratka", code},
                           {"Popis", window.edtPopis->text()},
                           {"Hodnota", v.Hodnota},
                           {"SDPH", v.SDPH},
                           {"Prepocitat", v.Prepocitat},
                           {"Zaok", v.Zaok},
                           {"TypHodnoty", v.TypHodnoty},
                           {"VychCena", v.VychCena}};
    // The level and the rules and items that follow its code are stored as one unit: a save cut
    // short never leaves items or rules naming a code that no level has. The address book follows
    // only after the user's answer, so it is a step of its own.
    TTransaction transaction(frmMain->ADOConAgenda);
    transaction.AfterRollback = [&levels] {
        if (levels.Active()) RequeryAndLocate(levels);
    };
    int rows = 0;
    if (add) {
        rows = ExecAgenda(
            "INSERT INTO CenHlad (Zkratka, Popis, Hodnota, SDPH, Prepocitat, Zaok, TypHodnoty, VychCena) "
            "VALUES "
            "(:Zkratka, :Popis, :Hodnota, :SDPH, :Prepocitat, :Zaok, :TypHodnoty, :VychCena)",
            values);
    } else {
        values.push_back({"ID", id});
        rows = ExecAgenda(
            "UPDATE CenHlad SET Zkratka = :Zkratka, Popis = :Popis, Hodnota = :Hodnota, SDPH = :SDPH, "
            "Prepocitat = "
            ":Prepocitat, Zaok = :Zaok, TypHodnoty = :TypHodnoty, VychCena = :VychCena WHERE ID = :ID",
            values);
    }
    const int newId = add && rows > 0 ? LastInsertedId() : 0;
    if (!card.AfterSave(levels, rows, newId)) return -1;
    if (add) {
        transaction.Commit();
        return kResultOk;
    }

    // The rules and items that name the level follow it; codes are bound, never spliced.
    TWorkingShown working(QString::fromUtf8(kWait));
    ExecAgenda("UPDATE CenSkupPol SET Zkratka = :Zkratka WHERE Zkratka = :Old",
               {{"Zkratka", code}, {"Old", oldCode}});
    ExecAgenda(
        "UPDATE CenSkupPol SET Hodnota = :Hodnota, TypHodnoty = :TypHodnoty, VychCena = :VychCena, Zaok = "
        ":Zaok, "
        "Prepocitat = :Prepocitat, SDPH = :SDPH WHERE (Zkratka = :Zkratka) AND Prevzato = True",
        {{"Hodnota", v.Hodnota},
         {"TypHodnoty", v.TypHodnoty},
         {"VychCena", v.VychCena},
         {"Zaok", v.Zaok},
         {"Prepocitat", v.Prepocitat},
         {"SDPH", v.SDPH},
         {"Zkratka", code}});
    const bool renamed = code != oldCode;
    if (renamed) {
        for (int n = 1; n <= 3; ++n) {
            const QString column = "CenHlad" + QString::number(n);
            ExecAgenda("UPDATE Zasoby SET " + column + " = :New WHERE " + column + " = :Old",
                       {{"New", code}, {"Old", oldCode}});
        }
    }
    transaction.Commit();
    working.Hide();
    if (renamed && AskQuestion(QString::fromUtf8(kAskAddresses))) {
        TWorkingShown again(QString::fromUtf8(kWait));
        ExecAgenda("UPDATE Adresar SET CenHladina = :CenHladina WHERE CenHladina = :Old",
                   {{"CenHladina", code}, {"Old", oldCode}});
    }
    return kResultOk;
}
