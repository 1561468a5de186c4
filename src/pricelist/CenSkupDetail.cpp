#include "pricelist/CenSkupDetail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenHladDetail.h"
#include "pricelist/PriceRules.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Karta cenové skupiny";
const char* const kZakladni = "Údaje vztažené k Základní prodejní ceně";
const char* const kHladiny = "Cenové hladiny přiřazené k cenové skupině";
const char* const kPrepocitat = "cenu automaticky přepočítat podle";
const char* const kVlastni = "vlastní nastavení na každé položce v ceníku";
const char* const kBezHladin =
    "Cenová skupina může obsahovat libovolný počet cenových hladin, z toho však maximálně 3 fixní. Cenové "
    "hladiny přiřadíte tlačítkem \"Přidat cenovou hladinu\".";
const char* const kLevelListed = "Tato cenová hladina již v seznamu existuje.";
const char* const kLevelGone = "Tato cenová hladina již neexistuje!";
const char* const kLevelGoneError = "Chyba: tato cenová hladina již neexistuje!";
const char* const kOriginalGone = "Chyba: původní cenová hladina již neexistuje v seznamu cenových hladin!";
const char* const kConfirmEditLevel =
    "Změna původní cenové hladiny se promítne i do případných ostatních cenových skupin, ve kterých je tato "
    "hladina použita. Pokračovat ?";
const char* const kRulesChanged =
    "Upozornění: u některých cenových hladin došlo mezitím ke změně zkratky nebo některých hodnot, případně "
    "byla "
    "původní cenová hladina smazána. Zkontrolujte nyní upravenou definici cenové skupiny a znovu kartu "
    "uložte "
    "tlačítkem OK.";
const char* const kConfirmCodeChange =
    "Změnu zkratky musí program promítnout i do souvisejících databází (ceník, ...), což může při větším "
    "počtu "
    "záznamů chvilku trvat. Opravdu chcete změnit zkratku této cenové skupiny ?";
const char* const kCodeExists = "Zkratka \"%1\" již v seznamu existuje, zadejte jinou.";
const char* const kWait = "Prosím čekejte...";
const char* const kRuleSaveFailed =
    "Při ukládání záznamu do \"CenSkupPol\" došlo k chybě: metoda \"Execute\" selhala.";
const char* const kRecalculateLater =
    "Pokud byly změněny údaje vztažené k základní prodejní ceně, změny na položkách v ceníku se projeví až "
    "po "
    "provedení přepočtu cen (funkci můžete spustit z hlavní plochy volbou Ostatní >> Operace s ceníkem >> "
    "Přecenění nákupních a prodejních cen nebo přímo ze seznamu ceníku).";
const char* const kFixedMark = "[fixní]";
// A group prices its items at no more fixed levels than an item has slots for them.
constexpr int kMaxFixedRules = 3;

const QStringList& TypTexts() {
    static const QStringList texts = {"sleva", QString::fromUtf8("marže"), "rabat"};
    return texts;
}
const QStringList& VychTexts() {
    static const QStringList texts = {QString::fromUtf8("zákl. prodejní"), QString::fromUtf8("nákupní")};
    return texts;
}

QString TextAt(const QStringList& texts, int index) {
    return index >= 0 && index < texts.size() ? texts[index] : QString();
}

// The rule grid shows the stored numbers as the card's choice texts, and a fixed rule's unused
// values as "[fixní]".
class TRuleGrid : public TVnDBGrid {
public:
    using TVnDBGrid::TVnDBGrid;

protected:
    QString GetCellText(TColumn* column) override {
        TDataSet* rules = DataSource() ? DataSource()->DataSet() : nullptr;
        if (!rules || !rules->Active() || rules->IsEmpty()) return TVnDBGrid::GetCellText(column);
        const QString name = column->FieldName();
        const bool fixed = !rules->FieldByName("Prepocitat")->AsBoolean();
        if (name == "Prevzato") return rules->FieldByName("Prevzato")->AsBoolean() ? "P" : QString();
        if (fixed && (name == "Hodnota" || name == "TypHodnoty" || name == "VychCena"))
            return QString::fromUtf8(kFixedMark);
        if (name == "TypHodnoty") return TextAt(TypTexts(), rules->FieldByName(name)->AsInteger());
        if (name == "VychCena") return TextAt(VychTexts(), rules->FieldByName(name)->AsInteger());
        if (name == "Zaok") return TextAt(ZaokTexts(), rules->FieldByName(name)->AsInteger());
        if (name == "SDPH")
            return rules->FieldByName(name)->AsBoolean() ? QString::fromUtf8("s daní")
                                                         : QString::fromUtf8("bez daně");
        return TVnDBGrid::GetCellText(column);
    }
};

void SetRuleValues(TDataSet& rule, const TLevelValues& v) {
    rule.FieldByName("Hodnota")->SetAsFloat(v.Hodnota);
    rule.FieldByName("TypHodnoty")->SetAsInteger(v.TypHodnoty);
    rule.FieldByName("VychCena")->SetAsInteger(v.VychCena);
    rule.FieldByName("Zaok")->SetAsInteger(v.Zaok);
    rule.FieldByName("Prepocitat")->SetAsBoolean(v.Prepocitat);
    rule.FieldByName("SDPH")->SetAsBoolean(v.SDPH);
}

}  // namespace

TfrmCenSkupDetail::TfrmCenSkupDetail(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmCenSkupDetail");
    setWindowTitle(QString::fromUtf8(kCaption));

    TFieldDefs& defs = mtCenHladAdd.FieldDefs();
    defs.Add("Zkratka", ftString, 10);
    defs.Add("Hodnota", ftFloat);
    defs.Add("TypHodnoty", ftInteger);
    defs.Add("VychCena", ftInteger);
    defs.Add("Prevzato", ftBoolean);
    defs.Add("Zaok", ftInteger);
    defs.Add("Prepocitat", ftBoolean);
    defs.Add("SDPH", ftBoolean);
    defs.Add("ID", ftInteger);
    mtCenHladAdd.CreateTable();

    edtZkratka = new QLineEdit(this);
    edtZkratka->setObjectName("edtZkratka");
    MakeCodeEdit(edtZkratka, 10);
    edtPopis = new QLineEdit(this);
    edtPopis->setObjectName("edtPopis");
    edtPopis->setMaxLength(50);

    gbZakladni = new QGroupBox(QString::fromUtf8(kZakladni), this);
    gbZakladni->setObjectName("gbZakladni");
    cmbSDPH = Choice(gbZakladni, "cmbSDPH", {QString::fromUtf8("bez daně"), QString::fromUtf8("s daní")});
    cmbZaok = Choice(gbZakladni, "cmbZaok", ZaokTexts());
    chckPrepocitat = new QCheckBox(QString::fromUtf8(kPrepocitat), gbZakladni);
    chckPrepocitat->setObjectName("chckPrepocitat");
    cmbTypHodnoty = Choice(gbZakladni, "cmbTypHodnoty",
                           {QString::fromUtf8("pevné marže"), QString::fromUtf8("pevného rabatu")});
    edtMarze = new TCurrencyEdit(gbZakladni);
    edtMarze->setObjectName("edtMarze");
    edtMarze->SetDisplayFormat(",0.00;-,0.00");
    edtRabat = new TCurrencyEdit(gbZakladni);
    edtRabat->setObjectName("edtRabat");
    edtRabat->SetDisplayFormat(",0.00;-,0.00");
    chckVlastni = new QCheckBox(QString::fromUtf8(kVlastni), gbZakladni);
    chckVlastni->setObjectName("chckVlastni");
    auto* basic = new QFormLayout(gbZakladni);
    basic->addRow("Typ ceny", cmbSDPH);
    basic->addRow(QString::fromUtf8("Zaokrouhlení při výpočtu"), cmbZaok);
    basic->addRow(chckPrepocitat, cmbTypHodnoty);
    basic->addRow(QString::fromUtf8("Pevná marže %"), edtMarze);
    basic->addRow(QString::fromUtf8("Pevný rabat %"), edtRabat);
    basic->addRow(chckVlastni);

    gbHladiny = new QGroupBox(QString::fromUtf8(kHladiny), this);
    gbHladiny->setObjectName("gbHladiny");
    grCenHladAdd = new TRuleGrid(gbHladiny);
    grCenHladAdd->setObjectName("grCenHladAdd");
    grCenHladAdd->SetOptions((kDefaultDBGridOptions & ~(dgEditing | dgConfirmDelete)) | dgRowSelect |
                             dgAlwaysShowSelection);
    grCenHladAdd->SetReadOnly(true);
    grCenHladAdd->SetDataSource(&dsCenHladAdd);
    const std::pair<const char*, const char*> columns[] = {
        {"Prevzato", ""},       {"Zkratka", "Zkratka"},       {"Hodnota", "Hodnota  %"},
        {"TypHodnoty", "Typ "}, {"VychCena", "Výchozí cena"}, {"Zaok", "Zaokrouhlení"},
        {"SDPH", "Typ ceny"}};
    for (const auto& [field, title] : columns) {
        TColumn* column = grCenHladAdd->Columns().AddColumn();
        column->SetFieldName(field);
        column->Title()->SetCaption(QString::fromUtf8(title));
    }
    // The mark of a taken-over rule stays in place; the cursor belongs to the rule's values.
    grCenHladAdd->SetFrozenCols(1);
    grCenHladAdd->SetCol(grCenHladAdd->DataToRawColumn(1));
    grCenHladAdd->OnColEnter = [this](QObject*) {
        if (grCenHladAdd->CurrentDataColumn() < 1) grCenHladAdd->SetCol(grCenHladAdd->DataToRawColumn(1));
    };
    auto* ruleButtons = new QHBoxLayout;
    btnVyjmoutHl = AddButton(this, ruleButtons, "btnVyjmoutHl", "Vyjmout");
    btnUpravitHl = AddButton(this, ruleButtons, "btnUpravitHl", "Upravit");
    btnUpravitPuvodni = AddButton(this, ruleButtons, "btnUpravitPuvodni",
                                  QString::fromUtf8("Upravit hodnoty původní cenové hladiny"));
    ruleButtons->addStretch();
    auto* rules = new QVBoxLayout(gbHladiny);
    rules->addWidget(grCenHladAdd, 1);
    rules->addLayout(ruleButtons);

    lblBezHladin = new QLabel(QString::fromUtf8(kBezHladin), this);
    lblBezHladin->setObjectName("lblBezHladin");
    lblBezHladin->setWordWrap(true);
    auto* below = new QHBoxLayout;
    btnPridatHl = AddButton(this, below, "btnPridatHl", QString::fromUtf8("Přidat cenovou hladinu"));
    below->addStretch();
    btnOK = AddButton(this, below, "btnOK", "OK");
    btnStorno = AddButton(this, below, "btnStorno", "Storno");
    btnOK->setDefault(true);

    connect(btnOK, &QPushButton::clicked, this, &TfrmCenSkupDetail::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmCenSkupDetail::reject);
    connect(btnPridatHl, &QPushButton::clicked, this, &TfrmCenSkupDetail::btnPridatHlClick);
    connect(btnUpravitHl, &QPushButton::clicked, this, &TfrmCenSkupDetail::btnUpravitHlClick);
    connect(btnVyjmoutHl, &QPushButton::clicked, this, &TfrmCenSkupDetail::btnVyjmoutHlClick);
    connect(btnUpravitPuvodni, &QPushButton::clicked, this, &TfrmCenSkupDetail::btnUpravitPuvodniClick);
    connect(chckVlastni, &QCheckBox::toggled, this, &TfrmCenSkupDetail::UpdateControls);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelpTopic(kHelpPage); });

    auto* form = new QFormLayout;
    form->addRow("Zkratka", edtZkratka);
    form->addRow(QString::fromUtf8("Název"), edtPopis);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(gbZakladni);
    layout->addWidget(gbHladiny, 1);
    layout->addWidget(lblBezHladin);
    layout->addLayout(below);
    resize(640, 520);
    UpdateControls();
}

TfrmCenSkupDetail::~TfrmCenSkupDetail() { delete grCenHladAdd; }

void TfrmCenSkupDetail::UpdateControls() {
    const bool own = chckVlastni->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbSDPH, cmbZaok, chckPrepocitat, cmbTypHodnoty, edtMarze, edtRabat})
        w->setEnabled(!own);
    const bool rules = !mtCenHladAdd.IsEmpty();
    gbHladiny->setVisible(rules);
    lblBezHladin->setVisible(!rules);
}

bool TfrmCenSkupDetail::CopyLevelIntoRule() {
    if (FindPriceLevelId(mtCenHladAdd.FieldByName("Zkratka")->AsString()) < 0) {
        ShowInformation(QString::fromUtf8(kOriginalGone));
        return false;
    }
    mtCenHladAdd.Edit();
    SetRuleValues(mtCenHladAdd, TLevelValues::Of(frmMain->adqCenHlad));
    mtCenHladAdd.Post();
    return true;
}

void TfrmCenSkupDetail::btnPridatHlClick() {
    const QString current =
        mtCenHladAdd.IsEmpty() ? QString() : mtCenHladAdd.FieldByName("Zkratka")->AsString();
    TADOQuery& levels = frmMain->adqCenHlad;
    if (ShowPriceLevelList(TPriceCodeList::kModePick, current, false, true) == kResultOk &&
        !levels.IsEmpty()) {
        const QString code = levels.FieldByName("Zkratka")->AsString();
        bool listed = false;
        mtCenHladAdd.DisableControls();
        for (mtCenHladAdd.First(); !mtCenHladAdd.Eof() && !listed; mtCenHladAdd.Next())
            listed = mtCenHladAdd.FieldByName("Zkratka")->AsString().compare(code, Qt::CaseInsensitive) == 0;
        mtCenHladAdd.EnableControls();
        if (listed) {
            ShowInformation(QString::fromUtf8(kLevelListed));
        } else {
            mtCenHladAdd.Append();
            mtCenHladAdd.FieldByName("ID")->SetAsInteger(-1);
            mtCenHladAdd.FieldByName("Zkratka")->SetAsString(code);
            mtCenHladAdd.FieldByName("Prevzato")->SetAsBoolean(true);
            SetRuleValues(mtCenHladAdd, TLevelValues::Of(levels));
            mtCenHladAdd.Post();
        }
    }
    UpdateControls();
}

void TfrmCenSkupDetail::btnUpravitHlClick() {
    if (mtCenHladAdd.IsEmpty()) return;
    if (FindPriceLevelId(mtCenHladAdd.FieldByName("Zkratka")->AsString()) < 0) {
        ShowInformation(QString::fromUtf8(kLevelGone));
        return;
    }
    TADOQuery& levels = frmMain->adqCenHlad;
    TfrmCenHladDetail card(true, this);
    card.edtZkratka->setText(levels.FieldByName("Zkratka")->AsString());
    card.edtPopis->setText(levels.FieldByName("Popis")->AsString());
    card.edtZkratka->setReadOnly(true);
    card.edtPopis->setReadOnly(true);
    card.chckPrevzit->setChecked(mtCenHladAdd.FieldByName("Prevzato")->AsBoolean());
    card.SetValues(TLevelValues::Of(mtCenHladAdd));
    card.btnOK->setEnabled(btnOK->isEnabled());
    if (card.exec() != kResultOk) return;
    mtCenHladAdd.Edit();
    SetRuleValues(mtCenHladAdd, card.Values());
    mtCenHladAdd.FieldByName("Prevzato")->SetAsBoolean(card.chckPrevzit->isChecked());
    mtCenHladAdd.Post();
    if (card.chckPrevzit->isChecked()) CopyLevelIntoRule();
}

void TfrmCenSkupDetail::btnVyjmoutHlClick() {
    if (!mtCenHladAdd.IsEmpty()) mtCenHladAdd.Delete();
    UpdateControls();
}

void TfrmCenSkupDetail::btnUpravitPuvodniClick() {
    if (mtCenHladAdd.IsEmpty()) return;
    if (!AskQuestion(QString::fromUtf8(kConfirmEditLevel))) return;
    if (FindPriceLevelId(mtCenHladAdd.FieldByName("Zkratka")->AsString()) < 0) {
        ShowInformation(QString::fromUtf8(kLevelGoneError));
        return;
    }
    if (EditPriceLevel(false) != kResultOk) return;
    // The level may have a new code by now; the rule follows it.
    mtCenHladAdd.Edit();
    mtCenHladAdd.FieldByName("Zkratka")->SetAsString(frmMain->adqCenHlad.FieldByName("Zkratka")->AsString());
    mtCenHladAdd.Post();
    if (mtCenHladAdd.FieldByName("Prevzato")->AsBoolean()) CopyLevelIntoRule();
}

void TfrmCenSkupDetail::btnOKClick() {
    if (CheckedCode(btnOK, edtZkratka).isEmpty()) return;
    // The group's rabat is imposed on its items unless each keeps its own settings; above the
    // whole price it would price them below 0.
    if (!chckVlastni->isChecked() && edtRabat->Value() > 100) {
        ShowInformation(QString::fromUtf8(kGroupRabatTooHigh));
        return;
    }
    if (mtCenHladAdd.IsEmpty()) {
        done(kResultOk);
        return;
    }

    // Another station may have changed or deleted a level since the card was filled.
    bool changed = false;
    int fixed = 0;
    QString fault;
    mtCenHladAdd.DisableControls();
    mtCenHladAdd.First();
    while (!mtCenHladAdd.Eof()) {
        if (FindPriceLevelId(mtCenHladAdd.FieldByName("Zkratka")->AsString()) < 0) {
            mtCenHladAdd.Delete();
            changed = true;
            continue;
        }
        const TLevelValues level = TLevelValues::Of(frmMain->adqCenHlad);
        if (mtCenHladAdd.FieldByName("Prevzato")->AsBoolean() && !(TLevelValues::Of(mtCenHladAdd) == level)) {
            mtCenHladAdd.Edit();
            SetRuleValues(mtCenHladAdd, level);
            mtCenHladAdd.Post();
            changed = true;
        }
        const TLevelValues rule = TLevelValues::Of(mtCenHladAdd);
        if (!rule.Prepocitat) ++fixed;
        if (fault.isEmpty() && !mtCenHladAdd.FieldByName("Prevzato")->AsBoolean())
            fault = LevelValueFault(rule);
        mtCenHladAdd.Next();
    }
    mtCenHladAdd.First();
    mtCenHladAdd.EnableControls();

    if (changed) {
        UpdateControls();
        ShowWarning(QString::fromUtf8(kRulesChanged));
        return;
    }
    if (!fault.isEmpty()) {
        ShowInformation(fault);
        return;
    }
    if (fixed > kMaxFixedRules) {
        ShowInformation(QString::fromUtf8(kTooManyFixedLevels));
        return;
    }
    done(kResultOk);
}

int EditPriceGroup(bool add) {
    const TAccessLevel level = CenikLevel();
    TADOQuery& groups = frmMain->adqCenSkup;
    if (!PrepareCodeCard(groups, "SELECT * FROM CenSkup", level, add)) return -1;

    TCardSession card;
    TfrmCenSkupDetail window(ApplicationMainWindow());
    window.chckVlastni->setChecked(true);
    const int id = add ? 0 : groups.FieldByName("ID")->AsInteger();
    QString oldCode;
    if (!add) {
        if (!LockCardRecord(card, level, "CenSkup", id, window.btnOK)) return -1;
        oldCode = groups.FieldByName("Zkratka")->AsString();
        window.edtZkratka->setText(oldCode);
        window.edtPopis->setText(groups.FieldByName("Popis")->AsString());
        window.cmbSDPH->setCurrentIndex(groups.FieldByName("SDPH")->AsBoolean() ? 1 : 0);
        const int zaok = groups.FieldByName("Zaok")->AsInteger();
        window.cmbZaok->setCurrentIndex(zaok >= 0 && zaok <= 2 ? zaok : 0);
        window.chckPrepocitat->setChecked(groups.FieldByName("Prepocitat")->AsBoolean());
        window.cmbTypHodnoty->setCurrentIndex(groups.FieldByName("TypHodnoty")->AsInteger() == 1 ? 1 : 0);
        window.edtMarze->SetValue(groups.FieldByName("Marze")->AsFloat());
        window.edtRabat->SetValue(groups.FieldByName("Rabat")->AsFloat());
        window.chckVlastni->setChecked(groups.FieldByName("Vlastni")->AsBoolean());

        TADOQuery& stored = frmMain->adqAgendaFree1;
        stored.Close();
        stored.SetSQL("SELECT * FROM CenSkupPol WHERE IDCenSkup = :ID ORDER BY ID");
        stored.Parameters().ParamByName("ID")->Value = id;
        stored.Open();
        for (stored.First(); !stored.Eof(); stored.Next()) {
            window.mtCenHladAdd.Append();
            for (const char* name : {"Zkratka", "Hodnota", "TypHodnoty", "VychCena", "Prevzato", "Zaok",
                                     "Prepocitat", "SDPH", "ID"})
                window.mtCenHladAdd.FieldByName(name)->SetValue(stored.FieldByName(name)->Value());
            window.mtCenHladAdd.Post();
        }
        stored.Close();
        window.mtCenHladAdd.First();
    }
    window.UpdateControls();

    QString code;
    for (;;) {
        if (window.exec() != kResultOk) return 0;
        code = window.edtZkratka->text();
        if (!add && code != oldCode && !AskQuestion(QString::fromUtf8(kConfirmCodeChange))) continue;
        if (!add && code == groups.FieldByName("Zkratka")->AsString()) break;
        if (!CodeTaken(groups, id, code)) break;
        ShowInformation(QString::fromUtf8(kCodeExists).arg(code));
    }

    TWorkingShown working(QString::fromUtf8(kWait));
    TParamValues values = {{"Popis", window.edtPopis->text()},
                           {"Marze", static_cast<double>(window.edtMarze->Value())},
                           {"Rabat", static_cast<double>(window.edtRabat->Value())},
                           {"SDPH", window.cmbSDPH->currentIndex() == 1},
                           {"Prepocitat", window.chckPrepocitat->isChecked()},
                           {"Zkratka", code},
                           {"Zaok", window.cmbZaok->currentIndex()},
                           {"Vlastni", window.chckVlastni->isChecked()},
                           {"TypHodnoty", window.cmbTypHodnoty->currentIndex()}};
    // The group, its rules and the items that follow its code are stored as one unit: a save cut
    // short never leaves a group with part of its rules, or items naming a code no group has.
    TTransaction transaction(frmMain->ADOConAgenda);
    transaction.AfterRollback = [&groups] {
        if (groups.Active()) RequeryAndLocate(groups);
    };
    int rows = 0;
    if (add) {
        rows = ExecAgenda(
            "INSERT INTO CenSkup (Popis, Marze, Rabat, SDPH, Prepocitat, Zkratka, Zaok, Vlastni, TypHodnoty) "
            "VALUES "
            "(:Popis, :Marze, :Rabat, :SDPH, :Prepocitat, :Zkratka, :Zaok, :Vlastni, :TypHodnoty)",
            values);
    } else {
        values.push_back({"ID", id});
        rows = ExecAgenda(
            "UPDATE CenSkup SET Popis = :Popis, Marze = :Marze, Rabat = :Rabat, SDPH = :SDPH, Prepocitat = "
            ":Prepocitat, Zkratka = :Zkratka, Zaok = :Zaok, Vlastni = :Vlastni, TypHodnoty = :TypHodnoty "
            "WHERE ID "
            "= :ID",
            values);
    }
    const int newId = add && rows > 0 ? LastInsertedId() : 0;
    if (!card.AfterSave(groups, rows, newId)) return -1;
    const int groupId = add ? newId : id;

    // The rules by difference: stored rules no longer on the card go, new ones are added, the
    // rest rewritten.
    TMemTable& rules = window.mtCenHladAdd;
    if (!add) {
        TADOQuery& stored = frmMain->adqAgendaFree1;
        stored.Close();
        stored.SetSQL("SELECT ID FROM CenSkupPol WHERE IDCenSkup = :ID");
        stored.Parameters().ParamByName("ID")->Value = id;
        stored.Open();
        std::vector<int> gone;
        for (stored.First(); !stored.Eof(); stored.Next()) {
            const int ruleId = stored.FieldByName("ID")->AsInteger();
            if (!rules.Locate("ID", ruleId)) gone.push_back(ruleId);
        }
        stored.Close();
        for (int ruleId : gone) ExecAgenda("DELETE FROM CenSkupPol WHERE ID = :ID", {{"ID", ruleId}});
    }
    for (rules.First(); !rules.Eof(); rules.Next()) {
        const TLevelValues v = TLevelValues::Of(rules);
        TParamValues rule = {
            {"Hodnota", v.Hodnota},   {"TypHodnoty", v.TypHodnoty},
            {"VychCena", v.VychCena}, {"Prevzato", rules.FieldByName("Prevzato")->AsBoolean()},
            {"Zaok", v.Zaok},         {"Prepocitat", v.Prepocitat},
            {"SDPH", v.SDPH},         {"Zkratka", rules.FieldByName("Zkratka")->AsString()}};
        const int ruleId = rules.FieldByName("ID")->AsInteger();
        int written = 0;
        if (ruleId < 1) {
            rule.push_back({"IDCenSkup", groupId});
            written = ExecAgenda(
                "INSERT INTO CenSkupPol (IDCenSkup, Hodnota, TypHodnoty, VychCena, Prevzato, Zaok, "
                "Prepocitat, SDPH, "
                "Zkratka) VALUES (:IDCenSkup, :Hodnota, :TypHodnoty, :VychCena, :Prevzato, :Zaok, "
                ":Prepocitat, :SDPH, "
                ":Zkratka)",
                rule);
        } else {
            rule.push_back({"ID", ruleId});
            written = ExecAgenda(
                "UPDATE CenSkupPol SET Hodnota = :Hodnota, TypHodnoty = :TypHodnoty, VychCena = :VychCena, "
                "Prevzato = "
                ":Prevzato, Zaok = :Zaok, Prepocitat = :Prepocitat, SDPH = :SDPH, Zkratka = :Zkratka WHERE "
                "ID = :ID",
                rule);
        }
        if (written == 0) {
            // Undone before the message, so that no other station waits while it is read.
            transaction.Rollback();
            working.Hide();
            ShowError(QString::fromUtf8(kRuleSaveFailed));
            return -1;
        }
    }

    if (!add && code != oldCode)
        ExecAgenda("UPDATE Zasoby SET CenSkupina = :CenSkupina WHERE CenSkupina = :Old",
                   {{"CenSkupina", code}, {"Old", oldCode}});
    transaction.Commit();
    working.Hide();
    if (!add) ShowInformation(QString::fromUtf8(kRecalculateLater));
    return 0;
}
