// The price-list print and export options, their presets and the print tables built from them.
// The tables are this window's own and live from the building to the return of the print dialog;
// the print dialog and the workbook export find them through Existing().

#include "exchange/TiskExpCeniku.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <map>

#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/SheetExport.h"
#include "exchange/Tisk.h"
#include "exchange/VyberDealerCeny.h"
#include "exchange/VyberFiltru.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/PriceRules.h"
#include "pricelist/Zasoby.h"

namespace {

TfrmTiskExpCeniku* g_window = nullptr;

// The last-used options are this per-user memo.
constexpr int kLastUsedMemo = 8;
// The preset table's module of the price-list print.
constexpr int kPresetModule = 1;
// How many item rows are read between two looks at the interrupt button.
constexpr int kItemsPerCheck = 20;

const char* kPreparing = "Příprava tisku/exportu...\rprosím čekejte...";
const char* kBuilding =
    "Načítám data pro tisk/export - operace může trvat delší dobu, v závislosti na rozsahu vybrané "
    "množiny dat - [prosím čekejte...]";
const char* kSavingFilters = "Uložení aktuálních filtrů...\r[prosím čekejte]";
const char* kGroupsOff = "[skladové skupiny jsou vypnuté]";
const char* kWithoutVat = "bez daně";
const char* kWithVat = "s daní";
const char* kFloatFormat = "# ### ### ##0.00";

struct TFieldSpec {
    const char* Name;
    TFieldType Type;
    int Size;
    const char* Label;
};

const TFieldSpec kFiltrSkladu[] = {
    {"ID", ftInteger, 0, nullptr}, {"Checked", ftBoolean, 0, nullptr}, {"Nazev", ftString, 30, nullptr}};
const TFieldSpec kFiltrSkupin[] = {
    {"ID", ftInteger, 0, nullptr}, {"Checked", ftBoolean, 0, nullptr}, {"Nazev", ftString, 80, nullptr}};
const TFieldSpec kTiskHlavicka[] = {
    {"Nadpis1", ftString, 30, "Nadpis sl. 1"},   {"Nadpis2", ftString, 30, "Nadpis sl. 2"},
    {"Nadpis3", ftString, 30, "Nadpis sl. 3"},   {"Nadpis4", ftString, 30, "Nadpis sl. 4"},
    {"Nadpis5", ftString, 30, "Nadpis sl. 5"},   {"Nadpis6", ftString, 30, "Nadpis sl. 6"},
    {"DodNazev", ftString, 50, "Firma - název"}, {"DodUlice", ftString, 30, "Firma - ulice"},
    {"DodPSC", ftString, 10, "Firma - PSČ"},     {"DodMisto", ftString, 40, "Firma - místo"},
    {"DodICO", ftString, 10, "Firma - IČO"},     {"DodDIC", ftString, 20, "Firma - DIČ"},
    {"DodTel", ftString, 30, "Firma - telefon"}, {"DodFax", ftString, 30, "Firma - fax"},
    {"DodMobil", ftString, 30, "Firma - mobil"}, {"DodEmail", ftString, 50, "Firma - e-mail"},
    {"DodWWW", ftString, 50, "Firma - www"},     {"DodStat", ftString, 20, "Firma - stát"},
    {"Logo", ftGraphic, 0, "Firma - logo"},      {"NadpisCen", ftString, 255, "Nadpis ceníku"},
};
const TFieldSpec kTiskSklady[] = {{"ID", ftInteger, 0, "ID listu"}, {"Nazev", ftString, 30, "Název listu"}};
const TFieldSpec kTiskSkupiny[] = {{"Sklad", ftInteger, 0, "ID listu"},
                                   {"Nazev", ftString, 50, "Název skupiny"},
                                   {"Kod", ftString, 10, "Kód skupiny"},
                                   {"ID", ftInteger, 0, nullptr}};
const TFieldSpec kTiskZasoby[] = {
    {"Sklad", ftInteger, 0, "ID listu"},
    {"Skupina", ftInteger, 0, "ID skupiny"},
    {"Popis", ftString, 50, "Popis položky"},
    {"ID", ftInteger, 0, nullptr},
    {"Katalog", ftString, 20, nullptr},
    {"BarCode", ftString, 20, "Čárový kód"},
    {"Poznamka", ftMemo, 0, "Poznámka"},
    {"NakCena", ftFloat, 0, "Nák. cena bez DPH"},
    {"PrCenaSDPH", ftFloat, 0, "Zákl. prod. s DPH"},
    {"PrCenaBDPH", ftFloat, 0, "Zákl. prod. bez DPH"},
    {"SazbaDPH", ftFloat, 0, "Sazba DPH"},
    {"TextMJ", ftString, 10, "Měrná jednotka"},
    {"PLU", ftString, 6, nullptr},
    {"Zkratka", ftString, 20, nullptr},
    {"Cena1", ftFloat, 0, "Cena 1"},
    {"Cena2", ftFloat, 0, "Cena 2"},
    {"Cena3", ftFloat, 0, "Cena 3"},
    {"Cena4", ftFloat, 0, "Cena 4"},
    {"Cena5", ftFloat, 0, "Cena 5"},
    {"Cena6", ftFloat, 0, "Cena 6"},
    {"Obrazek", ftString, 255, nullptr},
};

template <size_t N>
void MakeTable(TMemTable& table, const TFieldSpec (&fields)[N]) {
    TFieldDefs& defs = table.FieldDefs();
    for (const TFieldSpec& f : fields) defs.Add(f.Name, f.Type, f.Size);
    table.CreateTable();
    for (const TFieldSpec& f : fields) {
        TField* field = table.FieldByName(f.Name);
        if (f.Label) field->SetDisplayLabel(QString::fromUtf8(f.Label));
        if (f.Type == ftFloat) field->SetDisplayFormat(QString::fromUtf8(kFloatFormat));
    }
    table.Close();
}

QByteArray LogoBytes() {
    if (!FirmLogoData.isEmpty()) return FirmLogoData;
    if (!frmMain || frmMain->imgLogo.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    frmMain->imgLogo.save(&buffer, "PNG");
    return bytes;
}

bool PriceListShowsGroups() {
    TfrmZasoby* priceList = TfrmZasoby::Existing();
    return priceList ? priceList->GroupPanelShown() : PriceListGroupsShown;
}

// An ORDER BY clause of the price list's sort, none for an empty sort: the list then shows the
// rows as the table holds them, and so does the print.
QString OrderBy(const QString& sort) { return sort.trimmed().isEmpty() ? QString() : " ORDER BY " + sort; }

// A flag of a preset: unreadable reads as false.
bool PresetFlag(const QString& text) {
    bool value = false;
    return TryStrToBool(text.trimmed(), value) && value;
}

// The interruptible working window for as long as the object lives.
class TInterruptibleWorking {
public:
    explicit TInterruptibleWorking(const QString& text) { ShowWorking(true, text, true); }
    ~TInterruptibleWorking() { ShowWorking(false); }
    TInterruptibleWorking(const TInterruptibleWorking&) = delete;
    TInterruptibleWorking& operator=(const TInterruptibleWorking&) = delete;
};

}  // namespace

// ---- presets

QString PriceListPresetText(const TPriceListPrintOptions& o) {
    QStringList lines;
    auto line = [&](const QString& key, const QString& value) { lines << key + "=" + value; };
    auto flag = [](bool value) { return BoolToStoredText(value); };
    line("VyberListu", QString::number(static_cast<int>(o.Sheets)));
    for (size_t i = 0; i < o.CheckedSheets.size(); ++i)
        line("List" + QString::number(i + 1), QString::number(o.CheckedSheets[i]));
    line("OznacListu", QString::number(o.CheckedSheets.size()));
    line("VyberSkupin", QString::number(static_cast<int>(o.Groups)));
    for (size_t i = 0; i < o.CheckedGroups.size(); ++i)
        line("Skupina" + QString::number(i + 1), QString::number(o.CheckedGroups[i]));
    line("OznacSkupin", QString::number(o.CheckedGroups.size()));
    line("Dealersky", flag(o.Dealer));
    line("TisknoutZPC", flag(o.BaseFallback));
    line("VlastniNadpis", flag(o.CustomTitle));
    line("VlastniNadpisText", o.TitleText);
    for (int k = 0; k < kDealerColumns; ++k) {
        const QString n = QString::number(k + 1);
        line("Cena" + n, o.Columns[k].Price);
        line("CenaSDPH" + n, flag(o.Columns[k].WithVat));
        line("Nadpis" + n, o.Columns[k].Heading);
    }
    line("NetisknoutNazev", flag(o.HideSheetName));
    return lines.join("\r\n") + "\r\n";
}

TPriceListPrintOptions ReadPriceListPreset(const QString& text) {
    // Keys are matched without regard to case and the first "=" ends a key, as the value list of
    // older versions read them; a later line of the same key does not replace the first.
    std::map<QString, QString> values;
    for (const QString& raw : text.split(QRegularExpression("\r\n|\n|\r"))) {
        const qsizetype eq = raw.indexOf('=');
        if (eq <= 0) continue;
        values.try_emplace(raw.left(eq).toUpper(), raw.mid(eq + 1));
    }
    auto value = [&](const QString& key) {
        const auto it = values.find(key.toUpper());
        return it == values.end() ? QString() : it->second;
    };
    auto number = [&](const QString& key, int fallback) {
        bool ok = false;
        const int n = value(key).trimmed().toInt(&ok);
        return ok ? n : fallback;
    };
    auto ids = [&](const QString& countKey, const QString& key) {
        std::vector<int> result;
        const int count = number(countKey, 0);
        for (int i = 1; i <= count; ++i) {
            bool ok = false;
            const int id = value(key + QString::number(i)).trimmed().toInt(&ok);
            if (ok) result.push_back(id);
        }
        return result;
    };
    TPriceListPrintOptions o;
    const int sheets = number("VyberListu", 1);
    o.Sheets = sheets == 2 ? TSheetChoice::All : sheets == 3 ? TSheetChoice::Selected : TSheetChoice::Current;
    o.CheckedSheets = ids("OznacListu", "List");
    o.Groups = number("VyberSkupin", 1) == 2 ? TGroupChoice::Selected : TGroupChoice::All;
    o.CheckedGroups = ids("OznacSkupin", "Skupina");
    o.Dealer = PresetFlag(value("Dealersky"));
    o.BaseFallback = PresetFlag(value("TisknoutZPC"));
    o.CustomTitle = PresetFlag(value("VlastniNadpis"));
    o.TitleText = value("VlastniNadpisText");
    for (int k = 0; k < kDealerColumns; ++k) {
        const QString n = QString::number(k + 1);
        const QString price = value("Cena" + n);
        o.Columns[k].Price = price.isEmpty() ? QString::fromUtf8(kPriceNone) : price;
        o.Columns[k].WithVat = PresetFlag(value("CenaSDPH" + n));
        o.Columns[k].Heading = value("Nadpis" + n);
    }
    o.HideSheetName = PresetFlag(value("NetisknoutNazev"));
    return o;
}

// ---- prices

double DealerColumnPrice(const TDealerColumn& column, bool baseFallback, const TDataSet& item) {
    const double baseOfKind = item.FieldByName(column.WithVat ? "PrCenaSDPH" : "PrCenaBDPH")->AsFloat();
    if (column.Price == QString::fromUtf8(kPriceNone)) return 0;
    if (column.Price == QString::fromUtf8(kPriceBase)) return baseOfKind;
    // The item's price group by its code, letter case ignored, among the loaded groups.
    int groupId = -1;
    TMemTable& groups = *PriceRuleData().mtCenSkup;
    const QString code = item.FieldByName("CenSkupina")->AsString();
    if (groups.Active() && !code.isEmpty() && groups.Locate("Zkratka", code, loCaseInsensitive))
        groupId = groups.FieldByName("ID")->AsInteger();
    const bool withVat = item.FieldByName("SDPH")->AsBoolean();
    const long double base = item.FieldByName(withVat ? "PrCenaSDPH" : "PrCenaBDPH")->AsFloat();
    // The purchase price as stored: a level priced from it must not change with the user's rights.
    const long double purchase = item.FieldByName("NakCena")->AsFloat();
    long double net = 0, gross = 0;
    if (CalcLevelPrice(groupId, column.Price, withVat, purchase, base,
                       item.FieldByName("SazbaDPH")->AsFloat(), item, net, gross) == 0)
        return static_cast<double>(column.WithVat ? gross : net);
    return baseFallback ? baseOfKind : 0;
}

// ---- the window

TfrmTiskExpCeniku::TfrmTiskExpCeniku(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmTiskExpCeniku");
    setWindowTitle(QString::fromUtf8(kTiskExpCaption));
    MakeTable(mtFiltrSkladu, kFiltrSkladu);
    MakeTable(mtFiltrSkupin, kFiltrSkupin);
    MakeTable(mtTiskHlavicka, kTiskHlavicka);
    MakeTable(mtTiskSklady, kTiskSklady);
    MakeTable(mtTiskSkupiny, kTiskSkupiny);
    MakeTable(mtTiskZasoby, kTiskZasoby);
    dsTiskHlavicka.SetDataSet(&mtTiskHlavicka);
    dsTiskSklady.SetDataSet(&mtTiskSklady);
    dsTiskSkupiny.SetDataSet(&mtTiskSkupiny);
    dsTiskZasoby.SetDataSet(&mtTiskZasoby);
    // The workbook export finds the tables by these names, as its templates name them.
    for (const auto& [name, table] : {std::pair<const char*, TMemTable*>{"mtTiskHlavicka", &mtTiskHlavicka},
                                      {"mtTiskSklady", &mtTiskSklady},
                                      {"mtTiskSkupiny", &mtTiskSkupiny},
                                      {"mtTiskZasoby", &mtTiskZasoby}})
        NameReportDataSet(this, QString::fromLatin1(name), table);
    BuildWindow();
    g_window = this;
}

TfrmTiskExpCeniku::~TfrmTiskExpCeniku() {
    if (g_window == this) g_window = nullptr;
    CloseTables();
}

TfrmTiskExpCeniku* TfrmTiskExpCeniku::Existing() { return g_window; }

void TfrmTiskExpCeniku::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    auto radio = [](QWidget* parent, const char* name, const char* text) {
        auto* rb = new QRadioButton(QString::fromUtf8(text), parent);
        rb->setObjectName(name);
        return rb;
    };
    auto check = [](QWidget* parent, const char* name, const char* text) {
        auto* cb = new QCheckBox(QString::fromUtf8(text), parent);
        cb->setObjectName(name);
        return cb;
    };

    auto* mode = new QWidget(this);
    auto* modeRow = new QHBoxLayout(mode);
    rbTiskCeniku = radio(mode, "rbTiskCeniku", "tisknout ceník");
    rbExportCeniku = radio(mode, "rbExportCeniku", "exportovat ceník do MS Excel");
    rbTiskCeniku->setChecked(true);
    modeRow->addWidget(rbTiskCeniku);
    modeRow->addWidget(rbExportCeniku);
    layout->addWidget(mode);

    auto* filters = new QHBoxLayout;
    auto* sheets = new QGroupBox(QString::fromUtf8("Filtr listů"), this);
    auto* sheetBox = new QVBoxLayout(sheets);
    rbVsechnyListy = radio(sheets, "rbVsechnyListy", "všechny listy");
    rbAktualniList = radio(sheets, "rbAktualniList", "pouze aktuální list");
    rbVybraneListy = radio(sheets, "rbVybraneListy", "vybrané listy");
    chckLBVyberListu = new QListWidget(sheets);
    chckLBVyberListu->setObjectName("chckLBVyberListu");
    chckNetisknoutNazev = check(sheets, "chckNetisknoutNazev", "netisknout název listu");
    for (QWidget* w : std::initializer_list<QWidget*>{rbVsechnyListy, rbAktualniList, rbVybraneListy,
                                                      chckLBVyberListu, chckNetisknoutNazev})
        sheetBox->addWidget(w);
    filters->addWidget(sheets);

    gbxFiltrSkupin = new QGroupBox(QString::fromUtf8("Filtr skupin"), this);
    gbxFiltrSkupin->setObjectName("gbxFiltrSkupin");
    auto* groupBox = new QVBoxLayout(gbxFiltrSkupin);
    rbVsechnySkup = radio(gbxFiltrSkupin, "rbVsechnySkup", "všechny skupiny v daném listu");
    rbVybraneSkup = radio(gbxFiltrSkupin, "rbVybraneSkup", "vybrané skupiny");
    chckLBVyberSkupin = new QListWidget(gbxFiltrSkupin);
    chckLBVyberSkupin->setObjectName("chckLBVyberSkupin");
    lblVypnuteSkup = new QLabel(QString::fromUtf8(kGroupsOff), gbxFiltrSkupin);
    lblVypnuteSkup->setObjectName("lblVypnuteSkup");
    for (QWidget* w :
         std::initializer_list<QWidget*>{rbVsechnySkup, rbVybraneSkup, chckLBVyberSkupin, lblVypnuteSkup})
        groupBox->addWidget(w);
    filters->addWidget(gbxFiltrSkupin);
    layout->addLayout(filters);

    auto* items = new QGroupBox(QString::fromUtf8("Filtr položek (aktuální stav v ceníku)"), this);
    auto* itemRow = new QHBoxLayout(items);
    lblFiltrPol = new QLabel(items);
    lblFiltrPol->setObjectName("lblFiltrPol");
    itemRow->addWidget(lblFiltrPol);
    layout->addWidget(items);

    gbxDealersky = new QGroupBox(this);
    gbxDealersky->setObjectName("gbxDealersky");
    auto* dealer = new QGridLayout(gbxDealersky);
    chckDealersky = check(gbxDealersky, "chckDealersky", "dealerský ceník");
    dealer->addWidget(chckDealersky, 0, 0, 1, 6);
    for (int k = 0; k < kDealerColumns; ++k) {
        const QString n = QString::number(k + 1);
        const int row = k + 1;
        lblSloupec[k] = new QLabel(n + ". sloupec", gbxDealersky);
        lblSloupec[k]->setObjectName("lblSloupec" + n);
        lblCena[k] = new QLabel(QString::fromUtf8(kPriceNone), gbxDealersky);
        lblCena[k]->setObjectName("lblCena" + n);
        btnVyberCeny[k] = new QPushButton("...", gbxDealersky);
        btnVyberCeny[k]->setObjectName("btnVyberCeny" + n);
        cbxTypCeny[k] = new QComboBox(gbxDealersky);
        cbxTypCeny[k]->setObjectName("cbxTypCeny" + n);
        cbxTypCeny[k]->addItems({QString::fromUtf8(kWithoutVat), QString::fromUtf8(kWithVat)});
        lblNadpis[k] = new QLabel("Nadpis", gbxDealersky);
        lblNadpis[k]->setObjectName("lblNadpis" + n);
        edtNadpis[k] = new QLineEdit(gbxDealersky);
        edtNadpis[k]->setObjectName("edtNadpis" + n);
        edtNadpis[k]->setMaxLength(30);
        dealer->addWidget(lblSloupec[k], row, 0);
        dealer->addWidget(lblCena[k], row, 1);
        dealer->addWidget(btnVyberCeny[k], row, 2);
        dealer->addWidget(cbxTypCeny[k], row, 3);
        dealer->addWidget(lblNadpis[k], row, 4);
        dealer->addWidget(edtNadpis[k], row, 5);
        connect(btnVyberCeny[k], &QPushButton::clicked, this, [this, k] { btnVyberCenyClick(k); });
    }
    chckTisknoutZPC = check(gbxDealersky, "chckTisknoutZPC",
                            "pokud cenová hladina na položce neexistuje, tisknout základní prodejní cenu");
    dealer->addWidget(chckTisknoutZPC, kDealerColumns + 1, 0, 1, 6);
    layout->addWidget(gbxDealersky);

    auto* title = new QGroupBox(this);
    auto* titleRow = new QHBoxLayout(title);
    chckVlastniNadpis = check(title, "chckVlastniNadpis", "vlastní nadpis ceníku");
    edtVlastniNadpis = new QLineEdit(title);
    edtVlastniNadpis->setObjectName("edtVlastniNadpis");
    edtVlastniNadpis->setMaxLength(255);
    titleRow->addWidget(chckVlastniNadpis);
    titleRow->addWidget(edtVlastniNadpis, 1);
    layout->addWidget(title);

    auto* presets = new QGroupBox(QString::fromUtf8("Uložená nastavení"), this);
    auto* presetRow = new QHBoxLayout(presets);
    lblNazevNastaveni = new QLabel(QString::fromUtf8(kLastUsedPreset), presets);
    lblNazevNastaveni->setObjectName("lblNazevNastaveni");
    presetRow->addWidget(lblNazevNastaveni, 1);
    btnNacistNastaveni =
        AddButton(this, presetRow, "btnNacistNastaveni", QString::fromUtf8("Načíst nastavení"));
    btnUlozitNastaveni =
        AddButton(this, presetRow, "btnUlozitNastaveni", QString::fromUtf8("Uložit nastavení"));
    pmUlozitNastaveni = new QMenu(btnUlozitNastaveni);
    miUlozitSoucasny = pmUlozitNastaveni->addAction(QString::fromUtf8("Uložit pod současným názvem"));
    miUlozitSoucasny->setObjectName("miUlozitSoucasny");
    miUlozitNovy = pmUlozitNastaveni->addAction(QString::fromUtf8("Uložit pod novým názvem"));
    miUlozitNovy->setObjectName("miUlozitNovy");
    btnUlozitNastaveni->setMenu(pmUlozitNastaveni);
    layout->addWidget(presets);

    auto* buttons = new QHBoxLayout;
    btnStandard = AddButton(this, buttons, "btnStandard", "Standard");
    buttons->addStretch();
    btnOk = AddButton(this, buttons, "btnOk", "OK", QKeySequence(Qt::Key_Return));
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(Qt::Key_Escape));
    layout->addLayout(buttons);
    acSHNC = AddPurchasePriceAction(this);

    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             rbVsechnyListy, rbAktualniList, rbVybraneListy, rbVsechnySkup, rbVybraneSkup, chckDealersky,
             chckVlastniNadpis})
        connect(b, &QAbstractButton::toggled, this, [this] { UpdateControlState(); });
    connect(btnOk, &QPushButton::clicked, this, &TfrmTiskExpCeniku::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnStandard, &QPushButton::clicked, this, &TfrmTiskExpCeniku::btnStandardClick);
    connect(btnNacistNastaveni, &QPushButton::clicked, this, &TfrmTiskExpCeniku::btnNacistNastaveniClick);
    connect(miUlozitSoucasny, &QAction::triggered, this, &TfrmTiskExpCeniku::UlozitSoucasnyClick);
    connect(miUlozitNovy, &QAction::triggered, this, &TfrmTiskExpCeniku::UlozitNovyClick);
}

bool TfrmTiskExpCeniku::GroupsOn() const { return gbxFiltrSkupin->isEnabled(); }

void TfrmTiskExpCeniku::UpdateControlState() {
    chckLBVyberListu->setEnabled(rbVybraneListy->isChecked());
    chckLBVyberSkupin->setEnabled(rbVybraneSkup->isChecked());
    const bool dealer = chckDealersky->isChecked();
    chckTisknoutZPC->setEnabled(dealer);
    for (int k = 0; k < kDealerColumns; ++k)
        for (QWidget* w : std::initializer_list<QWidget*>{lblSloupec[k], lblCena[k], btnVyberCeny[k],
                                                          cbxTypCeny[k], lblNadpis[k], edtNadpis[k]})
            w->setEnabled(dealer);
    const bool title = chckVlastniNadpis->isChecked();
    edtVlastniNadpis->setEnabled(title);
    QPalette palette = edtVlastniNadpis->palette();
    palette.setColor(QPalette::Base,
                     QApplication::palette().color(title ? QPalette::Base : QPalette::Button));
    edtVlastniNadpis->setPalette(palette);
    miUlozitSoucasny->setEnabled(presetId_ != 0);
}

void TfrmTiskExpCeniku::ResetToStandard() {
    TPriceListPrintOptions standard;
    // Check marks are kept out of the standard: it clears both lists.
    for (TMemTable* t : {&mtFiltrSkladu, &mtFiltrSkupin}) {
        if (!t->Active()) continue;
        for (t->First(); !t->Eof(); t->Next()) {
            t->Edit();
            t->FieldByName("Checked")->SetAsBoolean(false);
            t->Post();
        }
    }
    SetOptions(standard);
}

void TfrmTiskExpCeniku::btnStandardClick() {
    if (!AskQuestion(QString::fromUtf8(kAskStandard))) return;
    ResetToStandard();
}

void TfrmTiskExpCeniku::FillFilterTables() {
    TADOQuery& q = frmMain->adqAgendaFree1;
    mtFiltrSkladu.Close();
    mtFiltrSkladu.Open();
    mtFiltrSkupin.Close();
    mtFiltrSkupin.Open();
    std::map<int, QString> sheetNames;
    q.Close();
    q.SetSQL("SELECT * FROM Sklady ORDER BY Poradi");
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        const int id = q.FieldByName("ID")->AsInteger();
        sheetNames[id] = q.FieldByName("Nazev")->AsString();
        mtFiltrSkladu.Append();
        mtFiltrSkladu.FieldByName("ID")->SetAsInteger(id);
        mtFiltrSkladu.FieldByName("Checked")->SetAsBoolean(false);
        mtFiltrSkladu.FieldByName("Nazev")->SetAsString(sheetNames[id]);
        mtFiltrSkladu.Post();
    }
    q.Close();
    q.SetSQL("SELECT * FROM Skupiny ORDER BY Sklad");
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        const auto sheet = sheetNames.find(q.FieldByName("Sklad")->AsInteger());
        mtFiltrSkupin.Append();
        mtFiltrSkupin.FieldByName("ID")->SetAsInteger(q.FieldByName("ID")->AsInteger());
        mtFiltrSkupin.FieldByName("Checked")->SetAsBoolean(false);
        mtFiltrSkupin.FieldByName("Nazev")->SetAsString(
            "(" + (sheet == sheetNames.end() ? QString() : sheet->second) + QString::fromUtf8(") • ") +
            q.FieldByName("Nazev")->AsString());
        mtFiltrSkupin.Post();
    }
    q.Close();
}

void TfrmTiskExpCeniku::Prepare() {
    {
        TWorkingShown working(QString::fromUtf8(kPreparing));
        ResetToStandard();
        FillFilterTables();
        const TADOQuery& items = frmMain->adqZasoby;
        const bool filtered = items.Filtered() && !items.Filter().trimmed().isEmpty();
        lblFiltrPol->setText(QString::fromUtf8(filtered ? kItemFilterOn : kItemFilterOff));
        QFont font = lblFiltrPol->font();
        font.setBold(filtered);
        lblFiltrPol->setFont(font);
        lblFiltrPol->setStyleSheet(filtered ? "color: #0000ff;" : QString());
        const bool groups = PriceListShowsGroups();
        gbxFiltrSkupin->setEnabled(groups);
        rbVsechnySkup->setEnabled(groups);
        rbVybraneSkup->setEnabled(groups);
        lblVypnuteSkup->setVisible(!groups);
        LoadPriceListFilter(-1);
    }
    UpdateControlState();
}

void TfrmTiskExpCeniku::CopyChecksToTables() {
    auto copy = [](QListWidget* list, TMemTable& table) {
        if (!table.Active()) return;
        int row = 0;
        for (table.First(); !table.Eof(); table.Next(), ++row) {
            const QListWidgetItem* item = list->item(row);
            table.Edit();
            table.FieldByName("Checked")->SetAsBoolean(item && item->checkState() == Qt::Checked);
            table.Post();
        }
    };
    copy(chckLBVyberListu, mtFiltrSkladu);
    copy(chckLBVyberSkupin, mtFiltrSkupin);
}

void TfrmTiskExpCeniku::RefillCheckLists() {
    auto fill = [](QListWidget* list, TMemTable& table) {
        list->clear();
        if (!table.Active()) return;
        for (table.First(); !table.Eof(); table.Next()) {
            auto* item = new QListWidgetItem(table.FieldByName("Nazev")->AsString(), list);
            item->setData(Qt::UserRole, table.FieldByName("ID")->AsInteger());
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(table.FieldByName("Checked")->AsBoolean() ? Qt::Checked : Qt::Unchecked);
        }
    };
    fill(chckLBVyberListu, mtFiltrSkladu);
    fill(chckLBVyberSkupin, mtFiltrSkupin);
}

TPriceListPrintOptions TfrmTiskExpCeniku::Options() const {
    TPriceListPrintOptions o;
    o.Sheets = rbVybraneListy->isChecked()   ? TSheetChoice::Selected
               : rbVsechnyListy->isChecked() ? TSheetChoice::All
                                             : TSheetChoice::Current;
    auto checked = [](QListWidget* list) {
        std::vector<int> ids;
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->checkState() == Qt::Checked)
                ids.push_back(list->item(row)->data(Qt::UserRole).toInt());
        return ids;
    };
    o.CheckedSheets = checked(chckLBVyberListu);
    o.Groups = rbVybraneSkup->isChecked() ? TGroupChoice::Selected : TGroupChoice::All;
    o.CheckedGroups = checked(chckLBVyberSkupin);
    o.Dealer = chckDealersky->isChecked();
    o.BaseFallback = chckTisknoutZPC->isChecked();
    o.CustomTitle = chckVlastniNadpis->isChecked();
    o.TitleText = edtVlastniNadpis->text();
    for (int k = 0; k < kDealerColumns; ++k) {
        o.Columns[k].Price = lblCena[k]->text();
        o.Columns[k].WithVat = cbxTypCeny[k]->currentText() == QString::fromUtf8(kWithVat);
        o.Columns[k].Heading = edtNadpis[k]->text();
    }
    o.HideSheetName = chckNetisknoutNazev->isChecked();
    return o;
}

void TfrmTiskExpCeniku::SetOptions(const TPriceListPrintOptions& o) {
    (o.Sheets == TSheetChoice::Selected ? rbVybraneListy
     : o.Sheets == TSheetChoice::All    ? rbVsechnyListy
                                        : rbAktualniList)
        ->setChecked(true);
    (o.Groups == TGroupChoice::Selected ? rbVybraneSkup : rbVsechnySkup)->setChecked(true);
    // An ID that names no row (a sheet deleted since the set was saved) checks nothing.
    auto mark = [](TMemTable& table, const std::vector<int>& ids) {
        if (!table.Active()) return;
        for (int id : ids) {
            if (!table.Locate("ID", id)) continue;
            table.Edit();
            table.FieldByName("Checked")->SetAsBoolean(true);
            table.Post();
        }
    };
    mark(mtFiltrSkladu, o.CheckedSheets);
    mark(mtFiltrSkupin, o.CheckedGroups);
    chckDealersky->setChecked(o.Dealer);
    chckTisknoutZPC->setChecked(o.BaseFallback);
    chckVlastniNadpis->setChecked(o.CustomTitle);
    edtVlastniNadpis->setText(o.TitleText);
    for (int k = 0; k < kDealerColumns; ++k) {
        lblCena[k]->setText(o.Columns[k].Price);
        cbxTypCeny[k]->setCurrentIndex(o.Columns[k].WithVat ? 1 : 0);
        edtNadpis[k]->setText(o.Columns[k].Heading);
    }
    chckNetisknoutNazev->setChecked(o.HideSheetName);
    RefillCheckLists();
    UpdateControlState();
}

void TfrmTiskExpCeniku::btnVyberCenyClick(int column) {
    QString code;
    const int chosen = ChooseDealerPrice(lblSloupec[column]->text(), code);
    if (chosen == kDealerPriceCancelled) return;
    lblCena[column]->setProperty("tag", chosen);
    lblCena[column]->setText(chosen == kDealerPriceNone   ? QString::fromUtf8(kPriceNone)
                             : chosen == kDealerPriceBase ? QString::fromUtf8(kPriceBase)
                                                          : code);
}

int TfrmTiskExpCeniku::SavePriceListFilter(int id) {
    CopyChecksToTables();
    const QString text = PriceListPresetText(Options());
    if (id == -1) {
        QString ignored;
        UserMemoSetting(kSave, kLastUsedMemo, text, ignored);
        return 0;
    }
    const TParamValues params = {{"IDModulu", kPresetModule},
                                 {"Nazev", lblNazevNastaveni->text()},
                                 {"Konfigurace", SettingsProfile()},
                                 {"Hodnota", text}};
    if (id == 0) {
        ExecAgenda(
            "INSERT INTO Filtry (IDModulu, Nazev, Konfigurace, Hodnota) VALUES (:IDModulu, :Nazev, "
            ":Konfigurace, :Hodnota)",
            params);
        presetId_ = LastInsertedId();
    } else {
        TParamValues withId = params;
        withId.emplace_back("ID", id);
        ExecAgenda(
            "UPDATE Filtry SET IDModulu = :IDModulu, Nazev = :Nazev, Konfigurace = :Konfigurace, Hodnota = "
            ":Hodnota WHERE ID = :ID",
            withId);
    }
    return 0;
}

void TfrmTiskExpCeniku::LoadPriceListFilter(int id) {
    QString text;
    if (id == -1) {
        UserMemoSetting(kLoad, kLastUsedMemo, {}, text);
    } else {
        TADOQuery& q = frmMain->adqAgendaFree1;
        q.Close();
        q.SetSQL("SELECT * FROM Filtry WHERE ID = :ID");
        q.Parameters().ParamByName("ID")->Value = id;
        q.Open();
        if (!q.IsEmpty()) text = q.FieldByName("Hodnota")->AsString();
        q.Close();
    }
    for (TMemTable* t : {&mtFiltrSkladu, &mtFiltrSkupin}) {
        if (!t->Active()) continue;
        for (t->First(); !t->Eof(); t->Next()) {
            t->Edit();
            t->FieldByName("Checked")->SetAsBoolean(false);
            t->Post();
        }
    }
    SetOptions(ReadPriceListPreset(text));
}

void TfrmTiskExpCeniku::btnNacistNastaveniClick() {
    QString name;
    int id = 0;
    if (ChooseSavedSettings(kPresetModule, name, id) != kResultOk) return;
    LoadPriceListFilter(id);
    lblNazevNastaveni->setText(name);
    presetId_ = id;
    UpdateControlState();
}

void TfrmTiskExpCeniku::UlozitNovyClick() {
    QString name;
    if (EditSavedSettingsName(kSavedSettingsAskName, name) != kResultOk) return;
    lblNazevNastaveni->setText(name);
    presetId_ = 0;
    SavePriceListFilter(0);
    UpdateControlState();
}

void TfrmTiskExpCeniku::UlozitSoucasnyClick() {
    if (presetId_ == 0) return;
    SavePriceListFilter(presetId_);
}

// ---- building

void TfrmTiskExpCeniku::CloseTables() {
    for (TMemTable* t : {&mtTiskZasoby, &mtTiskSkupiny, &mtTiskSklady, &mtTiskHlavicka}) {
        t->SetMasterSource(nullptr);
        t->SetIndexFieldNames({});
        t->Close();
    }
}

void TfrmTiskExpCeniku::SetTablesLinked(bool linked) {
    for (TMemTable* t : {&mtTiskSkupiny, &mtTiskZasoby}) {
        t->SetMasterSource(nullptr);
        t->SetIndexFieldNames({});
    }
    if (linked) LinkTables(builtWithGroups_);
}

void TfrmTiskExpCeniku::LinkTables(bool groups) {
    auto link = [](TMemTable& detail, TDataSource& master, const char* field) {
        detail.SetIndexFieldNames(field);
        detail.SetMasterFields("ID");
        detail.SetDetailFields(field);
        detail.SetMasterSource(&master);
    };
    if (groups) {
        link(mtTiskSkupiny, dsTiskSklady, "Sklad");
        link(mtTiskZasoby, dsTiskSkupiny, "Skupina");
    } else {
        link(mtTiskZasoby, dsTiskSklady, "Sklad");
    }
    mtTiskSklady.First();
}

int TfrmTiskExpCeniku::FillPriceListData() {
    WorkingCancelled = false;
    const TPriceListPrintOptions o = Options();
    const bool groups = GroupsOn();
    const bool selectedGroups = o.Groups == TGroupChoice::Selected;
    LoadPriceGroups();
    LoadPriceGroupRules(0);

    CloseTables();
    for (TMemTable* t : {&mtTiskHlavicka, &mtTiskSklady, &mtTiskSkupiny, &mtTiskZasoby}) t->Open();
    CopyChecksToTables();

    TMemTable& head = mtTiskHlavicka;
    head.Append();
    for (int k = 0; k < kDealerColumns; ++k)
        head.FieldByName(QString("Nadpis%1").arg(k + 1))->SetAsString(edtNadpis[k]->text());
    const std::pair<const char*, QString> firm[] = {
        {"DodNazev", FirmName},  {"DodUlice", FirmStreet}, {"DodPSC", FirmPostalCode},
        {"DodMisto", FirmTown},  {"DodICO", FirmICO},      {"DodDIC", FirmDIC},
        {"DodTel", FirmPhone},   {"DodFax", FirmFax},      {"DodMobil", FirmMobile},
        {"DodEmail", FirmEmail}, {"DodWWW", FirmWeb},      {"DodStat", FirmCountry}};
    for (const auto& [field, value] : firm) head.FieldByName(field)->SetAsString(value);
    const QByteArray logo = LogoBytes();
    if (!logo.isEmpty()) head.FieldByName("Logo")->SetValue(logo);
    head.FieldByName("NadpisCen")->SetAsString(o.CustomTitle ? o.TitleText : QString::fromUtf8("Ceník"));
    head.Post();

    TADOQuery& q = frmMain->adqAgendaFree1;
    QString where;
    switch (o.Sheets) {
        case TSheetChoice::Current:
            where = " WHERE ID = " + QString::number(CurrentSheetId);
            break;
        case TSheetChoice::Selected: {
            QStringList ids;
            for (int id : o.CheckedSheets) ids << "ID = " + QString::number(id);
            where = " WHERE " + ids.join(" OR ");
            break;
        }
        case TSheetChoice::All:
            break;
    }
    q.Close();
    q.SetSQL("SELECT * FROM Sklady" + where + " ORDER BY Poradi");
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        mtTiskSklady.Append();
        mtTiskSklady.FieldByName("ID")->SetAsInteger(q.FieldByName("ID")->AsInteger());
        if (!o.HideSheetName)
            mtTiskSklady.FieldByName("Nazev")->SetAsString(q.FieldByName("Nazev")->AsString());
        mtTiskSklady.Post();
    }
    q.Close();

    const TADOQuery& priceItems = frmMain->adqZasoby;
    const QString itemOrder = OrderBy(priceItems.Sort());
    int read = 0;
    // Items of one sheet or group; false when the user interrupted.
    auto addItems = [&](const QString& where) {
        q.Close();
        q.SetSQL("SELECT * FROM Zasoby WHERE " + where + itemOrder);
        q.Open();
        // The print holds what the price list shows: its item filter limits both alike.
        q.SetFilter(priceItems.Filter());
        q.SetFiltered(priceItems.Filtered());
        for (q.First(); !q.Eof(); q.Next()) {
            if (++read % kItemsPerCheck == 0) {
                QApplication::processEvents();
                if (WorkingCancelled) return false;
            }
            if (q.FieldByName("Nakladova")->AsBoolean()) continue;
            TMemTable& items = mtTiskZasoby;
            items.Append();
            for (const char* f : {"ID", "Sklad", "Skupina"})
                items.FieldByName(f)->SetAsInteger(q.FieldByName(f)->AsInteger());
            for (const char* f : {"Popis", "Katalog", "BarCode", "Poznamka", "TextMJ", "PLU", "Zkratka"})
                items.FieldByName(f)->SetAsString(q.FieldByName(f)->AsString());
            for (const char* f : {"PrCenaSDPH", "PrCenaBDPH", "SazbaDPH"})
                items.FieldByName(f)->SetAsFloat(q.FieldByName(f)->AsFloat());
            items.FieldByName("NakCena")->SetAsFloat(
                CurrentUser.NakupniCeny_AR ? q.FieldByName("NakCena")->AsFloat() : 0.0);
            for (int k = 0; k < kDealerColumns; ++k)
                items.FieldByName(QString("Cena%1").arg(k + 1))
                    ->SetAsFloat(o.Dealer ? DealerColumnPrice(o.Columns[k], o.BaseFallback, q) : 0.0);
            const QString picture = q.FieldByName("Obrazek")->AsString();
            if (!picture.isEmpty()) items.FieldByName("Obrazek")->SetAsString(PictureFolder + picture);
            items.Post();
        }
        return true;
    };
    auto finishQuery = [&] {
        q.Close();
        q.SetFiltered(false);
        q.SetFilter({});
    };
    auto interrupted = [&] {
        finishQuery();
        CloseTables();
        WorkingCancelled = false;
        return -1;
    };

    if (groups) {
        const QString groupOrder = OrderBy(frmMain->adqSkupiny.Sort());
        for (mtTiskSklady.First(); !mtTiskSklady.Eof(); mtTiskSklady.Next()) {
            const int sheet = mtTiskSklady.FieldByName("ID")->AsInteger();
            q.Close();
            q.SetSQL("SELECT * FROM Skupiny WHERE Sklad = " + QString::number(sheet) + groupOrder);
            q.Open();
            for (q.First(); !q.Eof(); q.Next()) {
                const int id = q.FieldByName("ID")->AsInteger();
                if (selectedGroups &&
                    !(mtFiltrSkupin.Locate("ID", id) && mtFiltrSkupin.FieldByName("Checked")->AsBoolean()))
                    continue;
                mtTiskSkupiny.Append();
                mtTiskSkupiny.FieldByName("ID")->SetAsInteger(id);
                mtTiskSkupiny.FieldByName("Sklad")->SetAsInteger(sheet);
                mtTiskSkupiny.FieldByName("Nazev")->SetAsString(q.FieldByName("Nazev")->AsString());
                mtTiskSkupiny.FieldByName("Kod")->SetAsString(q.FieldByName("Kod")->AsString());
                mtTiskSkupiny.Post();
            }
            q.Close();
        }
        for (mtTiskSkupiny.First(); !mtTiskSkupiny.Eof(); mtTiskSkupiny.Next())
            if (!addItems("Skupina = " + QString::number(mtTiskSkupiny.FieldByName("ID")->AsInteger())))
                return interrupted();
    } else {
        for (mtTiskSklady.First(); !mtTiskSklady.Eof(); mtTiskSklady.Next())
            if (!addItems("Sklad = " + QString::number(mtTiskSklady.FieldByName("ID")->AsInteger())))
                return interrupted();
    }
    finishQuery();
    builtWithGroups_ = groups;
    LinkTables(groups);
    return 0;
}

int TfrmTiskExpCeniku::BuildPriceListData() {
    if (FillPriceListData() != 0) return -1;
    const bool groups = GroupsOn();
    const int module = rbExportCeniku->isChecked() ? (groups ? pmPriceListGroupsExport : pmPriceListExport)
                                                   : (groups ? pmPriceListGroups : pmPriceList);
    ShowWorking(false);
    ShowPrintDialog(module);
    CloseTables();
    return 0;
}

void TfrmTiskExpCeniku::btnOkClick() {
    CopyChecksToTables();
    const TPriceListPrintOptions o = Options();
    if (o.Sheets == TSheetChoice::Selected && o.CheckedSheets.empty()) {
        ShowInformation(QString::fromUtf8(kSelectSheet));
        return;
    }
    if (GroupsOn() && o.Groups == TGroupChoice::Selected && o.CheckedGroups.empty()) {
        ShowInformation(QString::fromUtf8(kSelectGroup));
        return;
    }
    {
        TInterruptibleWorking working(QString::fromUtf8(kBuilding));
        BuildPriceListData();
    }
    {
        TWorkingShown working(QString::fromUtf8(kSavingFilters));
        SavePriceListFilter(-1);
    }
    accept();
}

void ShowPriceListPrintDialog() {
    TfrmTiskExpCeniku window(ApplicationMainWindow());
    window.Prepare();
    window.exec();
}
