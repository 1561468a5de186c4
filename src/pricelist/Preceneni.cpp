// The repricing wizard and its run. The run never clears an item's error flag itself: only the
// silent recalculation of the item card does, so a flagged item is always one whose prices may not
// match its values.
#include "pricelist/Preceneni.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/OleDate.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenSkup.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/PriceRules.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Sklady.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kWelcomeHeading = "Vítá Vás průvodce přeceněním nákupních a prodejních cen v ceníku.";
const char* const kWelcomeText =
    "Tato funkce přepočítá prodejní ceny položek ceníku. Zaškrtnete-li volbu níže, nastaví na položkách "
    "také vybrané cenové hodnoty (např. jinou cenovou skupinu, pevný rabat a podobně).";
const char* const kTip =
    "Tip: pokud chcete operaci provést v celém listu (nebo celé skupině), je vhodnější tuto funkci spustit "
    "z hlavní plochy volbou Ostatní / Operace s ceníkem >> přecenění nákupních a prodejních cen.";
const char* const kContinue = "Pokračovat můžete tlačítkem [Další]";
const char* const kWarningTitle = "Varování:";
const char* const kWarningText =
    "provedené změny budou nevratné! Před spuštěním funkce proto doporučujeme provést zálohu dat (volba "
    "Ostatní / Zálohování >> Vytvoření zálohy).";
const char* const kGroupFirstNote =
    "Pozor: hodnoty nastavené v cenové skupině mají přednost! Proměnné označené *) proto mohou mít po "
    "přepočtu jinou hodnotu, než je nastavené v této funkci.";
const char* const kFinish = "Operaci dokončíte stisknutím tlačítka [Další]";
const char* const kWorking = "Pracuji, prosím čekejte...";

const QStringList kAmountActions = {"Nastavit jednotně", "Navýšit o", "Vynásobit koef."};
const QStringList kPercentActions = {"Nastavit jednotně", "Navýšit o"};

// Messages are processed, the bar moved and the cancel flag tested at every such row: often enough
// to answer the user, rarely enough not to slow a long run down.
constexpr int kProgressStep = 5;

TCurrencyEdit* Amount(QWidget* parent, const char* name, int decimals) {
    auto* edit = new TCurrencyEdit(parent);
    edit->setObjectName(name);
    edit->SetDecimalPlaces(decimals);
    edit->SetDisplayFormat(decimals == 0 ? ",0;-,0" : ",0.00;-,0.00");
    return edit;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* text) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    return box;
}

QPushButton* SmallButton(QWidget* parent, const char* name, const char* text, const char* hint = nullptr) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    b->setFixedWidth(24);
    if (hint) b->setToolTip(QString::fromUtf8(hint));
    return b;
}

QLabel* Text(QWidget* parent, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setWordWrap(true);
    return label;
}

TRepriceAction ActionOf(const QComboBox* box) { return static_cast<TRepriceAction>(box->currentIndex()); }

long double Float(const TDataSet& row, const char* name) { return row.FieldByName(name)->AsFloat(); }

// A statement outside a transaction is a commit of its own, and each commit waits until the disk
// holds it (the firm's file may lie on a network share): row by row, a run over tens of thousands
// of items spent minutes waiting. The run's writes are therefore committed in batches of a
// fraction of a second, so another station waits for the file no longer than that, and what was
// written before an error or an interruption stays written, as it did row by row.
constexpr qint64 kBatchMs = 250;

class TWriteBatches {
public:
    explicit TWriteBatches(TADOConnection& connection) : connection_(connection) {}
    ~TWriteBatches() {
        // Also while an error unwinds the run: the rows before it were written.
        try {
            Commit();
        } catch (...) {
            try {
                connection_.RollbackTrans();
            } catch (...) {
            }
        }
    }
    TWriteBatches(const TWriteBatches&) = delete;
    TWriteBatches& operator=(const TWriteBatches&) = delete;

    // Before a row is written. A caller's own transaction is left alone: its rows go into it.
    void BeforeRow() {
        if (open_ && clock_.elapsed() >= kBatchMs) Commit();
        if (open_ || connection_.InTransaction()) return;
        connection_.BeginTrans();
        open_ = true;
        clock_.start();
    }
    // Before the run waits for the user: nobody else waits for the file meanwhile.
    void Commit() {
        if (!open_) return;
        open_ = false;
        connection_.CommitTrans();
    }

private:
    TADOConnection& connection_;
    QElapsedTimer clock_;
    bool open_ = false;
};

}  // namespace

long double ApplyRepriceAction(TRepriceAction action, long double itemValue, long double amount) {
    switch (action) {
        case TRepriceAction::Add:
            return itemValue + amount;
        case TRepriceAction::Multiply:
            return itemValue * amount;
        case TRepriceAction::Set:
            break;
    }
    return amount;
}

TfrmPreceneni::TfrmPreceneni(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmPreceneni");
    setWindowTitle(QString::fromUtf8(kRepriceCaption));
    auto* root = new QVBoxLayout(this);
    pgcMain = new QStackedWidget(this);
    pgcMain->setObjectName("pgcMain");
    root->addWidget(pgcMain);

    // Welcome.
    {
        auto* page = new QWidget(pgcMain);
        auto* l = new QVBoxLayout(page);
        QLabel* heading = Text(page, kWelcomeHeading);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        l->addWidget(heading);
        l->addWidget(Text(page, kWelcomeText));
        lblTipHrOperace = Text(page, kTip);
        lblTipHrOperace->setObjectName("lblTipHrOperace");
        l->addWidget(lblTipHrOperace);
        l->addWidget(Text(page, kContinue));
        QLabel* warning = Text(page, kWarningTitle);
        warning->setFont(bold);
        l->addWidget(warning);
        l->addWidget(Text(page, kWarningText));
        lblNetUpozorneni = Text(page, kRepriceNetWarning);
        lblNetUpozorneni->setObjectName("lblNetUpozorneni");
        l->addWidget(lblNetUpozorneni);
        l->addStretch();
        chckNastavit = Check(page, "chckNastavit", "hromadně nastavit také vybrané cenové hodnoty");
        l->addWidget(chckNastavit);
        pgcMain->addWidget(page);
    }

    // Values.
    {
        auto* page = new QWidget(pgcMain);
        auto* l = new QVBoxLayout(page);
        auto* frame = new QGroupBox(QString::fromUtf8("Nastavit na položky"), page);
        auto* g = new QGridLayout(frame);
        int row = 0;
        auto add = [&](QCheckBox* box, std::initializer_list<QWidget*> controls) {
            g->addWidget(box, row, 0);
            int col = 1;
            for (QWidget* w : controls) g->addWidget(w, row, col++);
            ++row;
        };
        chckSazbaDPH = Check(frame, "chckSazbaDPH", "sazbu DPH");
        curSazbaDPH = Amount(frame, "curSazbaDPH", 0);
        add(chckSazbaDPH, {curSazbaDPH, new QLabel("%", frame)});
        chckNakCena = Check(frame, "chckNakCena", "nákupní cenu bez DPH");
        cbxAkceNakCena = Choice(frame, "cbxAkceNakCena", kAmountActions);
        curNakCena = Amount(frame, "curNakCena", 2);
        add(chckNakCena, {cbxAkceNakCena, curNakCena});
        chckMarze = Check(frame, "chckMarze", "pevnou marži *)");
        cbxAkceMarze = Choice(frame, "cbxAkceMarze", kPercentActions);
        curMarze = Amount(frame, "curMarze", 2);
        add(chckMarze, {cbxAkceMarze, curMarze});
        chckRabat = Check(frame, "chckRabat", "pevný rabat *)");
        cbxAkceRabat = Choice(frame, "cbxAkceRabat", kPercentActions);
        curRabat = Amount(frame, "curRabat", 2);
        add(chckRabat, {cbxAkceRabat, curRabat});
        chckProdCena = Check(frame, "chckProdCena", "zákl. prodejní cenu");
        cbxAkceProdCena = Choice(frame, "cbxAkceProdCena", kAmountActions);
        curProdCena = Amount(frame, "curProdCena", 2);
        add(chckProdCena, {cbxAkceProdCena, curProdCena});
        chckCenSkup = Check(frame, "chckCenSkup", "Cenovou skupinu");
        edtCenSkup = new QLineEdit(frame);
        edtCenSkup->setObjectName("edtCenSkup");
        edtCenSkup->setReadOnly(true);
        btnCenSkupVyber = SmallButton(frame, "btnCenSkupVyber", "...", "Výběr cenové skupiny");
        btnCenSkupZrus = SmallButton(frame, "btnCenSkupZrus", "x", "Zrušení cenové skupiny");
        add(chckCenSkup, {edtCenSkup, btnCenSkupVyber, btnCenSkupZrus});
        chckZaokrouhleni = Check(frame, "chckZaokrouhleni", "Zaokrouhlení při výpočtu *)");
        cbxZaokrouhleni = Choice(frame, "cbxZaokrouhleni", ZaokTexts());
        add(chckZaokrouhleni, {cbxZaokrouhleni});
        chckTypCeny = Check(frame, "chckTypCeny", "Typ ceny *)");
        cbxTypCeny =
            Choice(frame, "cbxTypCeny", {QString::fromUtf8("bez daně"), QString::fromUtf8("s daní")});
        add(chckTypCeny, {cbxTypCeny});
        chckPrepocitat = Check(frame, "chckPrepocitat", "Aut. přepočítat *)");
        cbxPrepocitat = Choice(frame, "cbxPrepocitat", {"ano", "ne"});
        cbxTypHodnoty = Choice(frame, "cbxTypHodnoty",
                               {QString::fromUtf8("pevné marže"), QString::fromUtf8("pevného rabatu")});
        add(chckPrepocitat, {cbxPrepocitat, cbxTypHodnoty});
        l->addWidget(frame);
        l->addWidget(Text(page, kGroupFirstNote));
        l->addStretch();
        pgcMain->addWidget(page);
    }

    // Scope.
    {
        auto* page = new QWidget(pgcMain);
        auto* l = new QVBoxLayout(page);
        chckProvestVse = Check(page, "chckProvestVse",
                               "provést změny na všech položkách v ceníku (ve všech listech a skupinách)");
        l->addWidget(chckProvestVse);
        auto* frame = new QGroupBox(QString::fromUtf8("Filtr"), page);
        auto* g = new QGridLayout(frame);
        chckList = Check(frame, "chckList", "pouze list");
        edtList = new QLineEdit(frame);
        edtList->setObjectName("edtList");
        edtList->setReadOnly(true);
        btnList = SmallButton(frame, "btnList", "...");
        g->addWidget(chckList, 0, 0);
        g->addWidget(edtList, 0, 1);
        g->addWidget(btnList, 0, 2);
        chckSkupina = Check(frame, "chckSkupina", "pouze skupina");
        edtSkupina = new QLineEdit(frame);
        edtSkupina->setObjectName("edtSkupina");
        edtSkupina->setReadOnly(true);
        btnSkupina = SmallButton(frame, "btnSkupina", "...");
        g->addWidget(chckSkupina, 1, 0);
        g->addWidget(edtSkupina, 1, 1);
        g->addWidget(btnSkupina, 1, 2);
        chckFiltrSazbaDPH = Check(frame, "chckFiltrSazbaDPH", "pouze položky se sazbou DPH");
        curFiltrSazbaDPH = Amount(frame, "curFiltrSazbaDPH", 0);
        g->addWidget(chckFiltrSazbaDPH, 2, 0);
        g->addWidget(curFiltrSazbaDPH, 2, 1);
        g->addWidget(new QLabel("%", frame), 2, 2);
        l->addWidget(frame);
        l->addStretch();
        pgcMain->addWidget(page);
    }

    // Before start.
    {
        auto* page = new QWidget(pgcMain);
        auto* l = new QVBoxLayout(page);
        l->addWidget(Text(page, kFinish));
        l->addStretch();
        pgcMain->addWidget(page);
    }

    // Working.
    {
        auto* page = new QWidget(pgcMain);
        auto* l = new QVBoxLayout(page);
        l->addWidget(Text(page, kWorking));
        lblFaze = Text(page, "");
        lblFaze->setObjectName("lblFaze");
        lblCurrentName = Text(page, "");
        lblCurrentName->setObjectName("lblCurrentName");
        pbWorking = new QProgressBar(page);
        pbWorking->setObjectName("pbWorking");
        l->addWidget(lblFaze);
        l->addWidget(lblCurrentName);
        l->addWidget(pbWorking);
        l->addStretch();
        pgcMain->addWidget(page);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnPredchozi = AddButton(this, buttons, "btnPredchozi", QString::fromUtf8("< Zpět"));
    btnDalsi = AddButton(this, buttons, "btnDalsi", QString::fromUtf8("Další >"));
    btnZavrit = AddButton(this, buttons, "btnZavrit", QString::fromUtf8("Storno"));
    btnPrerusit = AddButton(this, buttons, "btnPrerusit", QString::fromUtf8("Přerušit"));
    root->addLayout(buttons);

    connect(btnDalsi, &QPushButton::clicked, this, [this] { btnDalsiClick(); });
    connect(btnPredchozi, &QPushButton::clicked, this, [this] { btnPredchoziClick(); });
    connect(btnZavrit, &QPushButton::clicked, this, [this] { done(2); });
    connect(btnPrerusit, &QPushButton::clicked, this, [] { WorkingCancelled = true; });
    connect(btnList, &QPushButton::clicked, this, [this] { btnListClick(); });
    connect(btnSkupina, &QPushButton::clicked, this, [this] { btnSkupinaClick(); });
    connect(btnCenSkupVyber, &QPushButton::clicked, this, [this] { btnCenSkupVyberClick(); });
    connect(btnCenSkupZrus, &QPushButton::clicked, this, [this] { btnCenSkupZrusClick(); });
    for (QCheckBox* box :
         {chckSazbaDPH, chckNakCena, chckMarze, chckRabat, chckProdCena, chckCenSkup, chckZaokrouhleni,
          chckTypCeny, chckPrepocitat, chckList, chckSkupina, chckFiltrSazbaDPH})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    connect(chckProvestVse, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            for (QCheckBox* box : {chckList, chckSkupina, chckFiltrSazbaDPH}) box->setChecked(false);
        UpdateControls();
    });
    connect(cbxAkceProdCena, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    UpdateControls();
}

void TfrmPreceneni::UpdateControls() {
    // A sale price raised or multiplied keeps the item's own price kind and group: the result is
    // only meaningful in the kind the item entered it in.
    const bool relativePrice = chckProdCena->isChecked() && ActionOf(cbxAkceProdCena) != TRepriceAction::Set;
    if (relativePrice) {
        chckTypCeny->setChecked(false);
        chckCenSkup->setChecked(false);
    }
    chckTypCeny->setEnabled(!relativePrice);
    chckCenSkup->setEnabled(!relativePrice);

    const std::pair<QCheckBox*, std::vector<QWidget*>> rows[] = {
        {chckSazbaDPH, {curSazbaDPH}},
        {chckNakCena, {cbxAkceNakCena, curNakCena}},
        {chckMarze, {cbxAkceMarze, curMarze}},
        {chckRabat, {cbxAkceRabat, curRabat}},
        {chckProdCena, {cbxAkceProdCena, curProdCena}},
        {chckCenSkup, {edtCenSkup, btnCenSkupVyber, btnCenSkupZrus}},
        {chckZaokrouhleni, {cbxZaokrouhleni}},
        {chckTypCeny, {cbxTypCeny}},
        {chckPrepocitat, {cbxPrepocitat, cbxTypHodnoty}},
        {chckList, {btnList}},
        {chckSkupina, {btnSkupina}},
        {chckFiltrSazbaDPH, {curFiltrSazbaDPH}},
    };
    for (const auto& [box, controls] : rows)
        for (QWidget* w : controls) w->setEnabled(box->isChecked());
    const bool all = chckProvestVse->isChecked();
    for (QCheckBox* box : {chckList, chckSkupina, chckFiltrSazbaDPH}) box->setEnabled(!all);
}

void TfrmPreceneni::ResetWizard(TRepriceKind kind) {
    Kind = kind;
    WorkingCancelled = false;
    chckNastavit->setChecked(false);
    lblTipHrOperace->setVisible(kind != TRepriceKind::Scope);
    chckProvestVse->setChecked(true);
    ListID = 0;
    SkupinaID = 0;
    edtList->clear();
    edtSkupina->clear();
    chckFiltrSazbaDPH->setChecked(false);
    curFiltrSazbaDPH->SetValue(0);
    btnZavrit->setVisible(true);
    btnDalsi->setVisible(true);
    btnPrerusit->setVisible(false);
    UpdateControls();
    ShowPage(pgWelcome);
}

void TfrmPreceneni::ShowPage(int page) {
    pgcMain->setCurrentIndex(page);
    if (page == pgWelcome) btnPredchozi->setVisible(false);
}

void TfrmPreceneni::btnDalsiClick() {
    const int page = pgcMain->currentIndex();
    const bool scope = Kind == TRepriceKind::Scope;
    switch (page) {
        case pgWelcome:
            btnPredchozi->setVisible(true);
            ShowPage(chckNastavit->isChecked() ? pgValues : scope ? pgScope : pgBeforeStart);
            break;
        case pgValues:
            ShowPage(scope ? pgScope : pgBeforeStart);
            break;
        case pgScope:
            if (!chckProvestVse->isChecked() && !chckList->isChecked() && !chckFiltrSazbaDPH->isChecked()) {
                ShowInformation(QString::fromUtf8(kRepriceScopeMissing));
            } else if (chckList->isChecked() && ListID == 0) {
                ShowInformation(QString::fromUtf8(kRepriceSheetMissing));
            } else if (chckSkupina->isChecked() && SkupinaID == 0) {
                ShowInformation(QString::fromUtf8(kRepriceGroupMissing));
            } else {
                ShowPage(pgBeforeStart);
            }
            break;
        case pgBeforeStart:
            btnZavrit->setVisible(false);
            btnDalsi->setVisible(false);
            btnPredchozi->setVisible(false);
            btnPrerusit->setVisible(true);
            ShowPage(pgWorking);
            RepriceItems();
            done(1);
            break;
        default:
            break;
    }
}

void TfrmPreceneni::btnPredchoziClick() {
    const int settingPage = chckNastavit->isChecked() ? pgValues : pgWelcome;
    switch (pgcMain->currentIndex()) {
        case pgValues:
            ShowPage(pgWelcome);
            break;
        case pgScope:
            ShowPage(settingPage);
            break;
        case pgBeforeStart:
            ShowPage(Kind == TRepriceKind::Scope ? pgScope : settingPage);
            break;
        default:
            break;
    }
}

void TfrmPreceneni::btnListClick() {
    if (ShowSheetList(TfrmSklady::kModePick, false) == kResultOk) {
        TADOQuery& sheets = frmMain->adqSklady;
        if (sheets.Active() && !sheets.IsEmpty()) {
            ListID = sheets.FieldByName("ID")->AsInteger();
            edtList->setText(sheets.FieldByName("Nazev")->AsString());
            SkupinaID = 0;
            edtSkupina->clear();
        }
    }
    frmMain->adqSklady.Close();
}

void TfrmPreceneni::btnSkupinaClick() {
    if (ListID == 0) {
        ShowInformation(QString::fromUtf8(kRepriceSheetFirst));
        return;
    }
    if (ShowGroupPicker(ListID) == kResultOk) {
        TADOQuery& groups = frmMain->adqAgendaFree1;
        if (groups.Active() && !groups.IsEmpty()) {
            SkupinaID = groups.FieldByName("ID")->AsInteger();
            edtSkupina->setText(groups.FieldByName("Nazev")->AsString());
        }
    }
    frmMain->adqAgendaFree1.Close();
}

void TfrmPreceneni::btnCenSkupVyberClick() {
    const int current = edtCenSkup->text().isEmpty() ? 0 : FindPriceGroupId(edtCenSkup->text());
    if (ShowPriceGroupList(1, current > 0 ? current : 0, false) == kResultOk) {
        TADOQuery& groups = frmMain->adqCenSkup;
        if (groups.Active() && !groups.IsEmpty())
            edtCenSkup->setText(groups.FieldByName("Zkratka")->AsString());
    }
    frmMain->adqCenSkup.Close();
}

void TfrmPreceneni::btnCenSkupZrusClick() { edtCenSkup->clear(); }

QString TfrmPreceneni::ScopeSql() const {
    QString sql = "SELECT * FROM Zasoby";
    if (chckProvestVse->isChecked()) return sql;
    QString joint = " WHERE (";
    if (chckSkupina->isChecked()) {
        sql += joint + "Skupina = " + QString::number(SkupinaID) + ")";
        joint = " AND (";
    }
    if (chckList->isChecked()) {
        sql += joint + "Sklad = " + QString::number(ListID) + ")";
        joint = " AND (";
    }
    if (chckFiltrSazbaDPH->isChecked())
        sql += joint +
               "SazbaDPH = " + QString::number(static_cast<double>(curFiltrSazbaDPH->Value()), 'g', 15) + ")";
    return sql;
}

QString TfrmPreceneni::PhaseOneSql() const {
    QString sql = "UPDATE Zasoby SET Znacka = :Znacka, Chyba = :Chyba";
    if (chckSazbaDPH->isChecked()) sql += ", SazbaDPH = :SazbaDPH";
    if (chckNakCena->isChecked()) sql += ", NakCena = :NakCena";
    if (chckMarze->isChecked()) sql += ", Marze = :Marze";
    if (chckRabat->isChecked()) sql += ", Rabat = :Rabat";
    if (chckProdCena->isChecked()) sql += ", PrCenaSDPH = :PrCenaSDPH, PrCenaBDPH = :PrCenaBDPH";
    if (chckCenSkup->isChecked()) sql += ", CenSkupina = :CenSkupina";
    if (chckZaokrouhleni->isChecked()) sql += ", Zaok = :Zaok";
    if (chckTypCeny->isChecked()) sql += ", SDPH = :SDPH";
    if (chckPrepocitat->isChecked()) sql += ", Prepocitat = :Prepocitat, TypHodnoty = :TypHodnoty";
    return sql + " WHERE ID = :ID";
}

void TfrmPreceneni::BindRowValues(const TDataSet& row, TParamValues& params) const {
    // Every product and sum is taken in extended precision and only then stored as a double, so
    // 100 × 1.1 stores 110 and not the double next to it.
    auto stored = [](long double v) { return QVariant(static_cast<double>(v)); };
    if (chckSazbaDPH->isChecked()) params.push_back({"SazbaDPH", stored(curSazbaDPH->Value())});
    if (chckNakCena->isChecked())
        params.push_back({"NakCena", stored(ApplyRepriceAction(ActionOf(cbxAkceNakCena),
                                                               Float(row, "NakCena"), curNakCena->Value()))});
    if (chckMarze->isChecked())
        params.push_back({"Marze", stored(ApplyRepriceAction(ActionOf(cbxAkceMarze), Float(row, "Marze"),
                                                             curMarze->Value()))});
    if (chckRabat->isChecked())
        params.push_back({"Rabat", stored(ApplyRepriceAction(ActionOf(cbxAkceRabat), Float(row, "Rabat"),
                                                             curRabat->Value()))});
    if (chckProdCena->isChecked()) {
        const bool withVat = row.FieldByName("SDPH")->AsBoolean();
        const long double entered = Float(row, withVat ? "PrCenaSDPH" : "PrCenaBDPH");
        const QVariant price =
            stored(ApplyRepriceAction(ActionOf(cbxAkceProdCena), entered, curProdCena->Value()));
        params.push_back({"PrCenaSDPH", price});
        params.push_back({"PrCenaBDPH", price});
    }
    if (chckCenSkup->isChecked()) params.push_back({"CenSkupina", edtCenSkup->text()});
    if (chckZaokrouhleni->isChecked()) params.push_back({"Zaok", cbxZaokrouhleni->currentIndex()});
    if (chckTypCeny->isChecked()) params.push_back({"SDPH", cbxTypCeny->currentIndex() == 1});
    if (chckPrepocitat->isChecked()) {
        params.push_back({"Prepocitat", cbxPrepocitat->currentIndex() == 0});
        params.push_back({"TypHodnoty", cbxTypHodnoty->currentIndex()});
    }
}

int TfrmPreceneni::RepriceItems() {
    lblFaze->setText(QString::fromUtf8(kRepriceCheckingGroups));
    QCoreApplication::processEvents();
    if (CheckPriceGroups()) return -1;

    TfrmMain& main = *frmMain;
    QString unused;
    GetPriceGroupAbbrev(0, false, unused);
    LoadPriceGroupRules(0);
    ChangeStampsSuspended = false;
    TableChangeStamp(tsWrite, "ZASOBY");
    TableChangeStamp(tsWrite, "SKUPINY");
    ChangeStampsSuspended = true;
    // A database error ends the run through the program's handler; the stamps must not stay frozen.
    struct TStampsThaw {
        ~TStampsThaw() { ChangeStampsSuspended = false; }
    } thaw;
    WorkingCancelled = false;
    const TDateTime znacka = Now();
    pbWorking->setValue(0);

    phaseOne_ = chckNastavit->isChecked();
    lblFaze->setText(QString::fromUtf8(phaseOne_ ? kRepricePhaseOne : kRepricePhase));
    const QString update = PhaseOneSql();
    TWriteBatches batches(main.ADOConAgenda);

    auto rowAction = [&](TDataSet& row) {
        batches.BeforeRow();
        if (!phaseOne_) {
            EditPriceListItem(false, true, row, false);
            return;
        }
        TParamValues params = {{"Znacka", znacka}, {"Chyba", true}};
        BindRowValues(row, params);
        params.push_back({"ID", row.FieldByName("ID")->AsInteger()});
        ExecAgenda(update, params);
    };
    int counter = 0;
    // Answers true when the user interrupted the run.
    auto step = [&]() {
        ++counter;
        if (counter % kProgressStep != 0) return false;
        QCoreApplication::processEvents();
        pbWorking->setValue(counter);
        return WorkingCancelled;
    };

    bool interrupted = false;
    // Marks live in the price-list window: a run over marks without the window has nothing to do.
    TfrmZasoby* list = TfrmZasoby::Existing();
    switch (Kind) {
        case TRepriceKind::MarkedItems: {
            if (!list) break;
            TADOQuery& items = main.adqZasoby;
            TBookmarkList& marks = list->grZasoby->MarkedRows();
            pbWorking->setMaximum(marks.MarkCount());
            for (int i = 0; i < marks.MarkCount() && !interrupted; ++i) {
                const TBookmark mark = marks.MarkAt(i);
                if (!items.BookmarkValid(mark)) continue;
                items.GotoBookmark(mark);
                rowAction(items);
                interrupted = step();
            }
            break;
        }
        case TRepriceKind::MarkedGroups: {
            if (!list) break;
            TADOQuery& groups = main.adqSkupiny;
            TADOQuery& items = main.adqZasoby;
            TBookmarkList& marks = list->grSkupiny->MarkedRows();
            for (int i = 0; i < marks.MarkCount() && !interrupted; ++i) {
                const TBookmark mark = marks.MarkAt(i);
                if (!groups.BookmarkValid(mark)) continue;
                groups.GotoBookmark(mark);
                lblCurrentName->setText("[skupina " + groups.FieldByName("Nazev")->AsString() + "]");
                pbWorking->setMaximum(items.RecordCount());
                for (items.First(); !items.Eof() && !interrupted; items.Next()) {
                    rowAction(items);
                    interrupted = step();
                }
            }
            break;
        }
        case TRepriceKind::Scope: {
            TADOQuery& rows = main.adqAgendaFree2;
            rows.Close();
            rows.SetSQL(ScopeSql());
            rows.Open();
            pbWorking->setMaximum(rows.RecordCount());
            for (rows.First(); !rows.Eof() && !interrupted; rows.Next()) {
                rowAction(rows);
                interrupted = step();
            }
            rows.Close();
            break;
        }
    }

    // Marked items and groups stop at once: the user chose them one by one and sees which are left.
    // A scope run recalculates what it has marked so far.
    const bool toPhaseTwo = phaseOne_ && (!interrupted || Kind == TRepriceKind::Scope);
    if (toPhaseTwo) {
        WorkingCancelled = false;
        lblFaze->setText(QString::fromUtf8(kRepricePhaseTwo));
        lblCurrentName->clear();
        TADOQuery& rows = main.adqAgendaFree2;
        rows.Close();
        rows.SetSQL("SELECT * FROM Zasoby WHERE Chyba = True AND Znacka = :CasZnacka");
        rows.Parameters().ParamByName("CasZnacka")->Value = znacka;
        rows.Open();
        pbWorking->setValue(0);
        pbWorking->setMaximum(rows.RecordCount());
        int done = 0;
        for (rows.First(); !rows.Eof(); rows.Next()) {
            batches.BeforeRow();
            EditPriceListItem(false, true, rows, false);
            QCoreApplication::processEvents();
            pbWorking->setValue(++done);
            if (WorkingCancelled) {
                batches.Commit();
                if (AskQuestion(QString::fromUtf8(kRepriceConfirmStop))) {
                    interrupted = true;
                    break;
                }
                WorkingCancelled = false;
            }
        }
        rows.Close();
    }
    batches.Commit();

    pbWorking->setValue(pbWorking->maximum());
    main.adqCenSkup.Close();
    ChangeStampsSuspended = false;
    TableChangeStamp(tsWrite, "ZASOBY");
    TableChangeStamp(tsWrite, "SKUPINY");
    if (!interrupted) ShowInformation(QString::fromUtf8(kRepriceDone));
    return 0;
}

int ShowRepriceWizard(TRepriceKind kind) {
    if (CurrentUser.Cenik_AR >= TAccessLevel::ReadOnly || !CurrentUser.HromadnePreceneni_AR) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TfrmPreceneni wizard(ApplicationMainWindow());
    // Another station in the main database only slows the run down; the user is told, nothing more.
    bool othersPresent = false;
    TADOConnection& global = frmMain->ADOConGlobal;
    if (global.Connected()) {
        const QString path = global.FileName();
        const QString password = global.Password();
        othersPresent = JetLockProbe(global, global.PresenceFileName());
        global.Open(path, password);
    }
    wizard.lblNetUpozorneni->setVisible(othersPresent);
    wizard.ResetWizard(kind);
    const int result = wizard.exec();
    ChangeStampsSuspended = false;
    return result == 1 ? 0 : -1;
}
