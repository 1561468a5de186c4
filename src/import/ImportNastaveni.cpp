// The import definition editor and the definition card. The window's controls are the definition
// while it is edited; everything that could be computed apart from them (the text, the source
// reading) lives in ImportDefinition and ImportSources.
#include "import/ImportNastaveni.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Working.h"
#include "import/DBTabulky.h"
#include "import/ImportMain.h"
#include "import/ImportRun.h"
#include "import/ImportSources.h"
#include "platform/data/Field.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenSkup.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/PriceRules.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Sklady.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Nastavení importu";
const char* const kTypeItems = "import ceníku";
const char* const kTypeAddresses = "import adresáře firem";
const char* const kTableLabel = "Název zdrojové tabulky";
const char* const kSheetLabel = "Název zdrojového listu";
const char* const kFromDatabase = "z databáze";
const char* const kFixedValue = "pevná hodnota";
const char* const kChooseSource = "Vyberte zdrojový soubor";
const char* const kFileFirst = "Nejprve vyberte název zdrojového souboru.";
const char* const kCannotOpen = "Zadaný zdrojový soubor se nepodařilo korektně otevřít.";
const char* const kSheetFirstNew = "Nejprve vyberte list, do kterého se nové položky zařadí.";
const char* const kSheetFirstFilter = "Nejprve vyberte list, ve kterém se bude hledat.";
const char* const kNameMissing = "Zadejte prosím libovolný název definice.";
const char* const kRefMissing =
    "Položka, podle které se mají záznamy porovnávat (tzv. referenční položka) není ze zdrojové databáze "
    "správně přiřazena.";
const char* const kTargetMissing =
    "Musíte určit, do kterého listu a do které skupiny se mají nové položky zařadit.";
const char* const kFilterSheetMissing =
    "Musíte určit list, ve kterém bude program referenční položku hledat (nebo filtr vypněte).";
const char* const kFilterGroupMissing =
    "Musíte určit skupinu, ve které bude program referenční položku hledat (nebo vypněte přepínač \"... ve "
    "skupině\").";
const char* const kStructureWorking =
    "Zjišťuji strukturu externí databáze - operace může chvilku trvat\rprosím čekejte...";
const char* const kStructureError = "Při zjišťování struktury databáze došlo k následující chybě:";
const char* const kStructureHint =
    "Poznámka: zkontrolujte, zda nemáte soubor otevřený v nějaké jiné aplikaci (např. MS Excel, apod.).";
const char* const kFilterOff =
    "filtr je vypnutý - referenční položku bude program hledat v celém ceníku (tzn. ve všech listech)";
const char* const kFootNote =
    "Na každé importované položce dojde zároveň k přepočtu prodejních cen (podle nastavení na kartě nebo "
    "nastavení v cen. skupině - <font color=maroon>pozor: parametry definované v cenové skupině mají "
    "přednost!</font>). Proměnné  označené *) proto mohou mít  po přepočtu jinou hodnotu, než je nastavené "
    "v této definici.";

// Characters a column choice shows at the least: column names of price lists and address books
// seldom run longer.
constexpr int kColumnNameChars = 20;

const char* const kSourceFilters[kImportSourceKindCount] = {
    "Soubory Access (*.mdb)|*.mdb|Všechny soubory (*.*)|*.*",
    "Sešity MS Excel (*.xls)|*.xls|Všechny soubory (*.*)|*.*",
    "Soubory dBase (*.dbf)|*.dbf|Všechny soubory (*.*)|*.*",
    "Textové soubory (*.csv)|*.csv|Všechny soubory (*.*)|*.*"};

// The captions and control stems of the item rows.
const char* const kItemCaptions[kItemFieldCount] = {"Popis položky",
                                                    "Katalog",
                                                    "Čárový kód",
                                                    "PLU",
                                                    "Poznámka",
                                                    "Zkratka",
                                                    "Měrná jednotka",
                                                    "Sazba DPH",
                                                    "Obrázek (jméno soub.)",
                                                    "Nák. cena bez DPH",
                                                    "*)",
                                                    "Zákl. prodejní cena *)"};
const char* const kAddressCaptions[kAddressFieldCount] = {
    "Název firmy", "Ulice",   "PSČ", "Místo",  "Stát",     "IČ",      "DIČ",
    "Zpráva",      "Telefon", "Fax", "E-mail", "Internet", "EAN kód", "Poznámka"};
constexpr int kAddressMaxLength[kAddressFieldCount] = {50,  30, 10, 40, 20, 10, 20,
                                                       255, 30, 30, 50, 50, 20, 0};

// The reference entries: the choice's text, the stored value and the row that must map it.
struct TRefEntry {
    const char* caption;
    const char* value;
    int field;
};
constexpr TRefEntry kItemRefs[] = {{"Katalogu", "KATALOG", ifKatalog},
                                   {"Čár. kódu", "BARCODE", ifBarCode},
                                   {"PLU", "PLU", ifPLU},
                                   {"Zkratky", "ZKRATKA", ifZkratka},
                                   {"Popisu pol.", "POPIS", ifPopis}};
constexpr TRefEntry kAddressRefs[] = {
    {"IČO", "ICO", afICO}, {"EAN kódu", "EANKOD", afEAN}, {"Názvu", "NAZEV", afNazev}};

template <size_t N>
int RefIndex(const TRefEntry (&refs)[N], const QString& value) {
    for (size_t i = 0; i < N; ++i)
        if (value == QLatin1String(refs[i].value)) return static_cast<int>(i);
    return 0;
}

QString ItemControlStem(int field) { return field == ifPopis ? QString("PopisPol") : ItemFieldStem(field); }

QString OpenSourceDialog(QWidget* parent, const QString& title, const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i].section('(', 0, 0).trimmed() + " (" + QString(parts[i + 1]).replace(';', ' ') +
                       ")";
    return QFileDialog::getOpenFileName(parent, title, QString(), filters.join(";;"));
}

QComboBox* MakeChoice(QWidget* parent, const QString& name, std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts) list << QString::fromUtf8(t);
    return Choice(parent, name.toLatin1().constData(), list);
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QPushButton* SmallButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFixedWidth(28);
    return button;
}

}  // namespace

std::function<QString(QWidget*, const QString&, const QString&)> ChooseImportFile = OpenSourceDialog;

QString SourceKindFilter(TImportSourceKind kind) { return QString::fromUtf8(kSourceFilters[int(kind)]); }

TMappingRow TfrmImportNastaveni::MakeRow(QWidget* page, const QString& stem, bool numeric, int maxLength) {
    TMappingRow row;
    row.chck = new QCheckBox(page);
    row.chck->setObjectName("chck" + stem);
    row.cbxZdroj = MakeChoice(page, "cbx" + stem + "Zdroj", {kFromDatabase, kFixedValue});
    row.cbxColumn = new QComboBox(page);
    row.cbxColumn->setObjectName("cbx" + stem);
    row.cbxColumn->setEditable(true);
    // A column name must be read whole: the box is never narrower than a long name, also when
    // the window opens smaller, and a name put in by the program shows from its start.
    row.cbxColumn->setMinimumContentsLength(kColumnNameChars);
    row.cbxColumn->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QComboBox* column = row.cbxColumn;
    connect(column, &QComboBox::editTextChanged, column, [column] {
        if (!column->lineEdit()->hasFocus()) column->lineEdit()->setCursorPosition(0);
    });
    if (numeric) {
        row.cur = new TCurrencyEdit(page);
        row.cur->setObjectName("cur" + stem);
        row.cur->SetDisplayFormat(",0.00;-,0.00");
    } else {
        row.edt = new QLineEdit(page);
        row.edt->setObjectName("edt" + stem);
        if (maxLength > 0) row.edt->setMaxLength(maxLength);
    }
    return row;
}

QWidget* TfrmImportNastaveni::BuildItemPage() {
    auto* page = new QWidget(pgcMain);
    page->setObjectName("tsCenik");
    auto* layout = new QHBoxLayout(page);

    auto* mapping = new QGroupBox(QString::fromUtf8("Přiřazení proměnných:"), page);
    auto* grid = new QGridLayout(mapping);
    cbxTypHodnoty = MakeChoice(mapping, "cbxTypHodnoty", {"pevná marže", "pevný rabat"});
    cbxProdCenaTypCeny = MakeChoice(mapping, "cbxProdCenaTypCeny", {"bez daně", "s daní"});
    for (int f = 0; f < kItemFieldCount; ++f) {
        TMappingRow& row = ItemRows[f];
        row = MakeRow(mapping, ItemControlStem(f), ItemFieldNumeric(f), 0);
        row.chck->setText(QString::fromUtf8(kItemCaptions[f]));
        auto* caption = new QHBoxLayout;
        caption->addWidget(row.chck);
        if (f == ifHodnota) caption->insertWidget(0, cbxTypHodnoty);
        grid->addLayout(caption, f, 0);
        grid->addWidget(row.cbxZdroj, f, 1);
        grid->addWidget(row.cbxColumn, f, 2);
        grid->addWidget(row.edt ? static_cast<QWidget*>(row.edt) : row.cur, f, 2);
        if (f == ifProdCena) {
            auto* type = new QHBoxLayout;
            type->addWidget(new QLabel(">>> typ ceny", mapping));
            type->addWidget(cbxProdCenaTypCeny);
            grid->addLayout(type, f, 3);
        }
    }
    layout->addWidget(mapping, 3);

    auto* right = new QVBoxLayout;
    auto* items = new QGroupBox(QString::fromUtf8("Položky"), page);
    auto* it = new QGridLayout(items);
    rbPorovnavat = new QRadioButton(QString::fromUtf8("porovnávat podle"), items);
    rbPorovnavat->setObjectName("rbPorovnavat");
    rbNeporovnavat = new QRadioButton(QString::fromUtf8("neporovnávat (přidat vše jako nové)"), items);
    rbNeporovnavat->setObjectName("rbNeporovnavat");
    cbxRefPolCenik =
        MakeChoice(items, "cbxRefPolCenik", {"Katalogu", "Čár. kódu", "PLU", "Zkratky", "Popisu pol."});
    lblRefPolCenik = new QLabel(QString::fromUtf8("[referenční položka]"), items);
    it->addWidget(rbPorovnavat, 0, 0);
    it->addWidget(cbxRefPolCenik, 0, 1);
    it->addWidget(lblRefPolCenik, 1, 1);
    it->addWidget(rbNeporovnavat, 2, 0, 1, 2);
    chckFiltr = MakeCheck(items, "chckFiltr", "filtr - hledat referenční položku pouze...");
    it->addWidget(chckFiltr, 3, 0, 1, 2);
    lblFiltrVypnuty = new QLabel(QString::fromUtf8(kFilterOff), items);
    lblFiltrVypnuty->setObjectName("lblFiltrVypnuty");
    lblFiltrVypnuty->setWordWrap(true);
    it->addWidget(lblFiltrVypnuty, 4, 0, 1, 3);
    chckHledatVListu = MakeCheck(items, "chckHledatVListu", "... v listu");
    edtHledatList = ReadOnlyEdit(items, "edtHledatList");
    btnHledatList = SmallButton(items, "btnHledatList", "...");
    chckHledatVeSkup = MakeCheck(items, "chckHledatVeSkup", "... ve skupině");
    edtHledatSkup = ReadOnlyEdit(items, "edtHledatSkup");
    btnHledatSkup = SmallButton(items, "btnHledatSkup", "...");
    it->addWidget(chckHledatVListu, 5, 0);
    it->addWidget(edtHledatList, 5, 1);
    it->addWidget(btnHledatList, 5, 2);
    it->addWidget(chckHledatVeSkup, 6, 0);
    it->addWidget(edtHledatSkup, 6, 1);
    it->addWidget(btnHledatSkup, 6, 2);
    right->addWidget(items);

    auto* target = new QGroupBox(page);
    auto* tg = new QGridLayout(target);
    chckNovaPolozka = MakeCheck(target, "chckNovaPolozka", "nebude-li položka nalezena, vytvoř novou");
    lblZarazeni = new QLabel(QString::fromUtf8("Zařazení nových položek"), target);
    lblZarazeni->setObjectName("lblZarazeni");
    tg->addWidget(chckNovaPolozka, 0, 0, 1, 3);
    tg->addWidget(lblZarazeni, 0, 0, 1, 3);
    edtList = ReadOnlyEdit(target, "edtList");
    btnList = SmallButton(target, "btnList", "...");
    edtSkup = ReadOnlyEdit(target, "edtSkup");
    btnSkup = SmallButton(target, "btnSkup", "...");
    tg->addWidget(new QLabel(QString::fromUtf8("Zařadit do listu"), target), 1, 0);
    tg->addWidget(edtList, 1, 1);
    tg->addWidget(btnList, 1, 2);
    tg->addWidget(new QLabel(QString::fromUtf8(">>> do skupiny"), target), 2, 0);
    tg->addWidget(edtSkup, 2, 1);
    tg->addWidget(btnSkup, 2, 2);
    right->addWidget(target);

    auto* settings = new QGroupBox(QString::fromUtf8("Na importované položky ceníku nastavit"), page);
    auto* st = new QGridLayout(settings);
    chckNastavNaNove = MakeCheck(settings, "chckNastavNaNove", "pouze na nově vytvořené");
    st->addWidget(chckNastavNaNove, 0, 1, 1, 3);
    chckCenSkup = MakeCheck(settings, "chckCenSkup", "Cenovou skupinu");
    edtCenSkup = ReadOnlyEdit(settings, "edtCenSkup");
    btnCenSkup = SmallButton(settings, "btnCenSkup", "...");
    btnCenSkupX = SmallButton(settings, "btnCenSkupX", "x");
    st->addWidget(chckCenSkup, 1, 0);
    st->addWidget(edtCenSkup, 1, 1);
    st->addWidget(btnCenSkup, 1, 2);
    st->addWidget(btnCenSkupX, 1, 3);
    chckIdentif = MakeCheck(settings, "chckIdentif", "Identifikátory");
    edtIdentif = new QLineEdit(settings);
    edtIdentif->setObjectName("edtIdentif");
    edtIdentif->setMaxLength(255);
    btnIdentif = SmallButton(settings, "btnIdentif", "...");
    st->addWidget(chckIdentif, 2, 0);
    st->addWidget(edtIdentif, 2, 1);
    st->addWidget(btnIdentif, 2, 2);
    chckZaokrouhleni = MakeCheck(settings, "chckZaokrouhleni", "Zaokrouhlení při výpočtu *)");
    cbxZaokrouhleni =
        MakeChoice(settings, "cbxZaokrouhleni", {"nezaokrouhlovat", "na koruny", "na desetníky"});
    st->addWidget(chckZaokrouhleni, 3, 0);
    st->addWidget(cbxZaokrouhleni, 3, 1);
    chckTypCeny = MakeCheck(settings, "chckTypCeny", "Typ ceny *)");
    cbxTypCeny = MakeChoice(settings, "cbxTypCeny", {"bez daně", "s daní"});
    st->addWidget(chckTypCeny, 4, 0);
    st->addWidget(cbxTypCeny, 4, 1);
    chckPrepocitat = MakeCheck(settings, "chckPrepocitat", "cenu aut. přepočítat *)");
    cbxPrepocitat = MakeChoice(settings, "cbxPrepocitat", {"ano", "ne"});
    cbxPrepocPodle = MakeChoice(settings, "cbxPrepocPodle", {"pevné marže", "pevného rabatu"});
    st->addWidget(chckPrepocitat, 5, 0);
    st->addWidget(cbxPrepocitat, 5, 1);
    st->addWidget(new QLabel("podle", settings), 5, 2);
    st->addWidget(cbxPrepocPodle, 5, 3);
    right->addWidget(settings);
    auto* note = new QLabel(QString::fromUtf8(kFootNote), page);
    note->setWordWrap(true);
    right->addWidget(note);
    right->addStretch();
    layout->addLayout(right, 2);

    // Every control of the page keeps the rules between them.
    auto update = [this] { UpdateItemControls(); };
    for (TMappingRow& row : ItemRows) {
        connect(row.chck, &QCheckBox::toggled, this, update);
        connect(row.cbxZdroj, &QComboBox::currentIndexChanged, this, update);
    }
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             rbPorovnavat, rbNeporovnavat, chckFiltr, chckHledatVeSkup, chckNovaPolozka, chckNastavNaNove,
             chckCenSkup, chckIdentif, chckZaokrouhleni, chckTypCeny, chckPrepocitat})
        connect(b, &QAbstractButton::toggled, this, update);
    // The filter always searches one sheet: its sheet box cannot be cleared.
    connect(chckHledatVListu, &QCheckBox::clicked, this, [this] { chckHledatVListu->setChecked(true); });
    connect(btnList, &QPushButton::clicked, this, [this] { PickSheet(edtList, IDListu, edtSkup, IDSkup); });
    connect(btnSkup, &QPushButton::clicked, this,
            [this] { PickGroup(IDListu, edtSkup, IDSkup, kSheetFirstNew); });
    connect(btnHledatList, &QPushButton::clicked, this,
            [this] { PickSheet(edtHledatList, IDListuHledatV, edtHledatSkup, IDSkupHledatV); });
    connect(btnHledatSkup, &QPushButton::clicked, this,
            [this] { PickGroup(IDListuHledatV, edtHledatSkup, IDSkupHledatV, kSheetFirstFilter); });
    connect(btnCenSkup, &QPushButton::clicked, this, [this] {
        if (ShowPriceGroupList(1, IDCenSkup, false) == kResultOk) {
            TADOQuery& groups = frmMain->adqCenSkup;
            if (groups.Active() && !groups.IsEmpty()) {
                IDCenSkup = groups.FieldByName("ID")->AsInteger();
                edtCenSkup->setText(groups.FieldByName("Zkratka")->AsString());
            }
        }
        frmMain->adqCenSkup.Close();
    });
    connect(btnCenSkupX, &QPushButton::clicked, this, [this] {
        edtCenSkup->clear();
        IDCenSkup = 0;
    });
    connect(btnIdentif, &QPushButton::clicked, this, [this] {
        QString list;
        if (EditIdentifierList(edtIdentif->text(), list, true) == kResultOk) edtIdentif->setText(list);
    });
    return page;
}

QWidget* TfrmImportNastaveni::BuildAddressPage() {
    auto* page = new QWidget(pgcMain);
    page->setObjectName("tsAdresar");
    auto* layout = new QHBoxLayout(page);
    auto* mapping = new QGroupBox(QString::fromUtf8("Přiřazení proměnných:"), page);
    auto* grid = new QGridLayout(mapping);
    for (int f = 0; f < kAddressFieldCount; ++f) {
        TMappingRow& row = AddressRows[f];
        row = MakeRow(mapping, AddressFieldStem(f), false, kAddressMaxLength[f]);
        row.chck->setText(QString::fromUtf8(kAddressCaptions[f]));
        grid->addWidget(row.chck, f, 0);
        grid->addWidget(row.cbxZdroj, f, 1);
        grid->addWidget(row.cbxColumn, f, 2);
        grid->addWidget(row.edt, f, 2);
    }
    layout->addWidget(mapping, 3);

    auto* right = new QVBoxLayout;
    auto* addresses = new QGroupBox("Adresy", page);
    auto* ad = new QGridLayout(addresses);
    rbPorovnavatAdr = new QRadioButton(QString::fromUtf8("porovnávat podle"), addresses);
    rbPorovnavatAdr->setObjectName("rbPorovnavatAdr");
    rbNeporovnavatAdr = new QRadioButton(QString::fromUtf8("neporovnávat (přidat vše jako nové)"), addresses);
    rbNeporovnavatAdr->setObjectName("rbNeporovnavatAdr");
    cbxRefPolAdr = MakeChoice(addresses, "cbxRefPolAdr", {"IČO", "EAN kódu", "Názvu"});
    lblRefPolAdr = new QLabel(QString::fromUtf8("[referenční položka]"), addresses);
    chckNovaAdresa = MakeCheck(addresses, "chckNovaAdresa", "nebude-li adr. nalezena, vytvoř novou");
    ad->addWidget(rbPorovnavatAdr, 0, 0);
    ad->addWidget(cbxRefPolAdr, 0, 1);
    ad->addWidget(lblRefPolAdr, 1, 1);
    ad->addWidget(rbNeporovnavatAdr, 2, 0, 1, 2);
    ad->addWidget(chckNovaAdresa, 3, 0, 1, 2);
    right->addWidget(addresses);
    auto* settings = new QGroupBox(QString::fromUtf8("Na import. adresy nastavit"), page);
    auto* st = new QGridLayout(settings);
    chckCenHladAdr = MakeCheck(settings, "chckCenHladAdr", "Cenovou hladinu");
    edtCenHladAdr = ReadOnlyEdit(settings, "edtCenHladAdr");
    btnCenHladAdr = SmallButton(settings, "btnCenHladAdr", "...");
    btnCenHladAdr->setToolTip(QString::fromUtf8("Výběr cenové hladiny"));
    btnCenHladAdrX = SmallButton(settings, "btnCenHladAdrX", "x");
    btnCenHladAdrX->setToolTip(QString::fromUtf8("Zrušení cenové hladiny"));
    chckNastavNaNoveAdr = MakeCheck(settings, "chckNastavNaNoveAdr", "pouze na nově vytvořené");
    st->addWidget(chckCenHladAdr, 0, 0);
    st->addWidget(edtCenHladAdr, 0, 1);
    st->addWidget(btnCenHladAdr, 0, 2);
    st->addWidget(btnCenHladAdrX, 0, 3);
    st->addWidget(chckNastavNaNoveAdr, 1, 0, 1, 4);
    right->addWidget(settings);
    right->addStretch();
    layout->addLayout(right, 2);

    auto update = [this] { UpdateAddressControls(); };
    for (TMappingRow& row : AddressRows) {
        connect(row.chck, &QCheckBox::toggled, this, update);
        connect(row.cbxZdroj, &QComboBox::currentIndexChanged, this, update);
    }
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             rbPorovnavatAdr, rbNeporovnavatAdr, chckNovaAdresa, chckCenHladAdr, chckNastavNaNoveAdr})
        connect(b, &QAbstractButton::toggled, this, update);
    connect(btnCenHladAdr, &QPushButton::clicked, this, [this] {
        if (ShowPriceLevelList(1, edtCenHladAdr->text(), false, false) == kResultOk) {
            TADOQuery& levels = frmMain->adqCenHlad;
            if (levels.Active() && !levels.IsEmpty()) {
                IDCenHlad = levels.FieldByName("ID")->AsInteger();
                edtCenHladAdr->setText(levels.FieldByName("Zkratka")->AsString());
            }
        }
        frmMain->adqCenHlad.Close();
    });
    connect(btnCenHladAdrX, &QPushButton::clicked, this, [this] {
        edtCenHladAdr->clear();
        IDCenHlad = 0;
    });
    return page;
}

TfrmImportNastaveni::TfrmImportNastaveni(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmImportNastaveni");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QString::fromUtf8("Název definice"), this), 0, 0);
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(50);
    top->addWidget(edtNazev, 0, 1);
    btnPoznamka = new QPushButton(QString::fromUtf8("Poznámka"), this);
    btnPoznamka->setObjectName("btnPoznamka");
    top->addWidget(btnPoznamka, 0, 2);
    top->addWidget(new QLabel(QString::fromUtf8("Typ operace"), this), 1, 0);
    lblTypOperace = new QLabel(this);
    lblTypOperace->setObjectName("lblTypOperace");
    top->addWidget(lblTypOperace, 1, 1);
    top->addWidget(new QLabel(QString::fromUtf8("Zdroj dat"), this), 2, 0);
    QStringList kinds;
    for (int k = 0; k < kImportSourceKindCount; ++k) kinds << SourceKindCaption(TImportSourceKind(k));
    cbxTypSouboru = Choice(this, "cbxTypSouboru", kinds);
    top->addWidget(cbxTypSouboru, 2, 1);
    top->addWidget(new QLabel(QString::fromUtf8("Název zdrojového souboru"), this), 3, 0);
    edtNazevSouboru = new QLineEdit(this);
    edtNazevSouboru->setObjectName("edtNazevSouboru");
    top->addWidget(edtNazevSouboru, 3, 1);
    btnNazevSouboru = SmallButton(this, "btnNazevSouboru", "...");
    top->addWidget(btnNazevSouboru, 3, 2);
    lblNazevTabulky = new QLabel(QString::fromUtf8(kTableLabel), this);
    lblNazevTabulky->setObjectName("lblNazevTabulky");
    top->addWidget(lblNazevTabulky, 4, 0);
    edtNazevTabulky = new QLineEdit(this);
    edtNazevTabulky->setObjectName("edtNazevTabulky");
    top->addWidget(edtNazevTabulky, 4, 1);
    btnNazevTabulky = SmallButton(this, "btnNazevTabulky", "...");
    top->addWidget(btnNazevTabulky, 4, 2);
    edtRefPolProgram = new QLineEdit(this);
    edtRefPolProgram->setObjectName("edtRefPolProgram");
    edtRefPolProgram->hide();
    edtRefPolDB = new QLineEdit(this);
    edtRefPolDB->setObjectName("edtRefPolDB");
    edtRefPolDB->hide();
    layout->addLayout(top);

    pgcMain = new QStackedWidget(this);
    pgcMain->setObjectName("pgcMain");
    pgcMain->addWidget(BuildItemPage());
    memNastaveni = new QPlainTextEdit(pgcMain);
    memNastaveni->setObjectName("memNastaveni");
    memNastaveni->setLineWrapMode(QPlainTextEdit::NoWrap);
    pgcMain->addWidget(memNastaveni);
    pgcMain->addWidget(BuildAddressPage());
    layout->addWidget(pgcMain, 1);

    auto* foot = new QHBoxLayout;
    foot->addStretch();
    btnOk = AddButton(this, foot, "btnOk", "OK");
    btnStorno = AddButton(this, foot, "btnStorno", "Storno");
    btnNapoveda = AddButton(this, foot, "btnNapoveda", QString::fromUtf8("Nápověda"));
    layout->addLayout(foot);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnStorno, &QPushButton::clicked, this, [this] { reject(); });
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic("pgImport.htm"); });
    connect(btnPoznamka, &QPushButton::clicked, this, [this] { btnPoznamkaClick(); });
    connect(btnNazevSouboru, &QPushButton::clicked, this, [this] { btnNazevSouboruClick(); });
    connect(edtNazevSouboru, &QLineEdit::editingFinished, this, [this] { edtNazevSouboruExit(); });
    connect(btnNazevTabulky, &QPushButton::clicked, this, [this] { btnNazevTabulkyClick(); });
    connect(cbxTypSouboru, &QComboBox::currentIndexChanged, this, [this] {
        if (TypOperace == int(TImportType::Addresses))
            UpdateAddressControls();
        else
            UpdateItemControls();
    });
    PrepareForType(int(TImportType::Items));
}

TImportSourceKind TfrmImportNastaveni::SourceKind() const {
    return TImportSourceKind(std::clamp(cbxTypSouboru->currentIndex(), 0, kImportSourceKindCount - 1));
}

void TfrmImportNastaveni::PrepareForType(int type) {
    TypOperace = type;
    lblTypOperace->setText("#" + QString::number(type));
    if (type == int(TImportType::Items)) {
        pgcMain->setCurrentIndex(pgItems);
        lblTypOperace->setText(QString::fromUtf8(kTypeItems));
        ClearItemMapping(true);
        ResetItemDefaults();
    } else if (type == int(TImportType::Addresses)) {
        pgcMain->setCurrentIndex(pgAddresses);
        lblTypOperace->setText(QString::fromUtf8(kTypeAddresses));
        ClearAddressMapping(true);
        ResetAddressDefaults();
    } else {
        pgcMain->setCurrentIndex(pgRaw);
    }
    edtNazev->clear();
    memPopis.clear();
    memNastaveni->clear();
    edtNazevSouboru->clear();
    edtNazevTabulky->clear();
    cbxTypSouboru->setCurrentIndex(0);
}

void TfrmImportNastaveni::ClearItemMapping(bool full) {
    for (TMappingRow& row : ItemRows) {
        const QString text = row.cbxColumn->currentText();
        row.cbxColumn->clear();
        row.cbxColumn->setEditText(full ? QString() : text);
        if (!full) continue;
        if (row.edt) row.edt->clear();
        if (row.cur) row.cur->SetValue(0);
    }
    if (!full) return;
    IDListu = IDSkup = IDListuHledatV = IDSkupHledatV = IDCenSkup = 0;
    for (QLineEdit* e : {edtList, edtSkup, edtHledatList, edtHledatSkup, edtCenSkup, edtIdentif}) e->clear();
}

void TfrmImportNastaveni::ClearAddressMapping(bool full) {
    for (TMappingRow& row : AddressRows) {
        const QString text = row.cbxColumn->currentText();
        row.cbxColumn->clear();
        row.cbxColumn->setEditText(full ? QString() : text);
        if (full) row.edt->clear();
    }
    if (!full) return;
    IDCenHlad = 0;
    edtCenHladAdr->clear();
}

void TfrmImportNastaveni::ResetItemDefaults() {
    rbNeporovnavat->setChecked(true);
    cbxRefPolCenik->setCurrentIndex(0);
    chckNovaPolozka->setChecked(true);
    for (TMappingRow& row : ItemRows) {
        row.chck->setChecked(false);
        row.cbxZdroj->setCurrentIndex(0);
    }
    for (QComboBox* c :
         {cbxTypHodnoty, cbxProdCenaTypCeny, cbxZaokrouhleni, cbxTypCeny, cbxPrepocitat, cbxPrepocPodle})
        c->setCurrentIndex(0);
    for (QCheckBox* c : {chckFiltr, chckHledatVeSkup, chckNastavNaNove, chckCenSkup, chckIdentif,
                         chckZaokrouhleni, chckTypCeny, chckPrepocitat})
        c->setChecked(false);
    chckHledatVListu->setChecked(true);
    UpdateItemControls();
}

void TfrmImportNastaveni::ResetAddressDefaults() {
    rbNeporovnavatAdr->setChecked(true);
    cbxRefPolAdr->setCurrentIndex(0);
    chckNovaAdresa->setChecked(true);
    for (TMappingRow& row : AddressRows) {
        row.chck->setChecked(false);
        row.cbxZdroj->setCurrentIndex(0);
    }
    // The price-level boxes stay as the previous card of this wizard left them.
    UpdateAddressControls();
}

void TfrmImportNastaveni::UpdateSourceControls() {
    const TImportSourceKind kind = SourceKind();
    if (kind == TImportSourceKind::DBase) edtNazevTabulky->setText(DbfTableName(edtNazevSouboru->text()));
    if (kind == TImportSourceKind::Text) edtNazevTabulky->setText(TextTableName(edtNazevSouboru->text()));
    const bool tableRow = kind == TImportSourceKind::Access || kind == TImportSourceKind::Excel;
    lblNazevTabulky->setVisible(tableRow);
    edtNazevTabulky->setVisible(tableRow);
    btnNazevTabulky->setVisible(tableRow);
    lblNazevTabulky->setText(QString::fromUtf8(kind == TImportSourceKind::Excel ? kSheetLabel : kTableLabel));
}

namespace {

void UpdateRow(TMappingRow& row) {
    const bool on = row.chck->isChecked();
    const bool fixed = row.cbxZdroj->currentIndex() == int(TFieldSource::Fixed);
    QWidget* value = row.edt ? static_cast<QWidget*>(row.edt) : row.cur;
    row.cbxColumn->setEnabled(on);
    row.cbxZdroj->setEnabled(on);
    value->setEnabled(on);
    row.cbxColumn->setVisible(!fixed);
    value->setVisible(fixed);
}

}  // namespace

void TfrmImportNastaveni::UpdateItemControls() {
    UpdateSourceControls();
    for (TMappingRow& row : ItemRows) UpdateRow(row);
    cbxTypHodnoty->setEnabled(ItemRows[ifHodnota].chck->isChecked());
    cbxProdCenaTypCeny->setEnabled(ItemRows[ifProdCena].chck->isChecked());
    btnCenSkup->setEnabled(chckCenSkup->isChecked());
    btnCenSkupX->setEnabled(chckCenSkup->isChecked());
    btnIdentif->setEnabled(chckIdentif->isChecked());
    cbxZaokrouhleni->setEnabled(chckZaokrouhleni->isChecked());
    cbxTypCeny->setEnabled(chckTypCeny->isChecked());
    cbxPrepocitat->setEnabled(chckPrepocitat->isChecked());
    cbxPrepocPodle->setEnabled(chckPrepocitat->isChecked());

    const bool matching = rbPorovnavat->isChecked();
    cbxRefPolCenik->setEnabled(matching);
    lblRefPolCenik->setEnabled(matching);
    chckNovaPolozka->setVisible(matching);
    lblZarazeni->setVisible(!matching);
    // Without matching every row is a new item, whatever the box said.
    const bool newItems = !matching || chckNovaPolozka->isChecked();
    btnList->setEnabled(newItems);
    btnSkup->setEnabled(newItems);

    chckFiltr->setEnabled(matching);
    if (!matching) chckFiltr->setChecked(false);
    lblFiltrVypnuty->setEnabled(matching);
    const bool filter = chckFiltr->isChecked() && chckFiltr->isEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{chckHledatVListu, edtHledatList, btnHledatList,
                                                      chckHledatVeSkup, edtHledatSkup, btnHledatSkup})
        w->setVisible(filter);
    btnHledatSkup->setEnabled(chckHledatVeSkup->isChecked());
    lblFiltrVypnuty->setVisible(!filter);
}

void TfrmImportNastaveni::UpdateAddressControls() {
    UpdateSourceControls();
    for (TMappingRow& row : AddressRows) UpdateRow(row);
    btnCenHladAdr->setEnabled(chckCenHladAdr->isChecked());
    btnCenHladAdrX->setEnabled(chckCenHladAdr->isChecked());
    const bool matching = rbPorovnavatAdr->isChecked();
    cbxRefPolAdr->setEnabled(matching);
    lblRefPolAdr->setEnabled(matching);
    chckNovaAdresa->setVisible(matching);
}

void TfrmImportNastaveni::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    // Shown again after the program was minimised, the window keeps what it was shown with.
    if (event->spontaneous()) return;
    edtNazev->setFocus();
    if (TypOperace == int(TImportType::Items))
        UpdateItemControls();
    else
        UpdateAddressControls();
    shownForm_ = SavedForm();
    columnsFile_ = edtNazevSouboru->text().trimmed();
}

QString TfrmImportNastaveni::SavedForm() const {
    const bool written = TypOperace == int(TImportType::Items) || TypOperace == int(TImportType::Addresses);
    return QStringList{
        edtNazev->text(), memPopis,
        written ? WriteImportDefinition(Definition(), TImportType(TypOperace)) : memNastaveni->toPlainText()}
        .join('\n');
}

void TfrmImportNastaveni::reject() {
    // A definition that may only be viewed has nothing to lose.
    if (!DefinitionReadOnly && isVisible() && SavedForm() != shownForm_ &&
        !AskQuestion(QString::fromUtf8(kLeaveDefinitionQuestion)))
        return;
    TVnDialog::reject();
}

TImportDefinition TfrmImportNastaveni::Definition() const {
    TImportDefinition d;
    d.Source = SourceKind();
    d.FileName = edtNazevSouboru->text();
    d.TableName = edtNazevTabulky->text();
    d.RefField = edtRefPolProgram->text();
    d.RefDBField = edtRefPolDB->text();
    auto readRow = [](const TMappingRow& row, TMappedField& f) {
        f.Check = row.chck->isChecked();
        f.Source = row.cbxZdroj->currentIndex() == 1 ? TFieldSource::Fixed : TFieldSource::Column;
        if (f.Source == TFieldSource::Column)
            f.Column = row.cbxColumn->currentText();
        else if (row.cur)
            f.Number = row.cur->Value();
        else
            f.Fixed = row.edt->text();
    };
    if (TypOperace == int(TImportType::Addresses)) {
        d.Porovnavat = rbPorovnavatAdr->isChecked();
        d.CheckNovaPolozka = chckNovaAdresa->isChecked();
        for (int f = 0; f < kAddressFieldCount; ++f) readRow(AddressRows[f], d.Addresses[f]);
        d.CheckNastavNaNoveAdr = chckNastavNaNoveAdr->isChecked();
        d.CheckCenHladAdr = chckCenHladAdr->isChecked();
        d.CenHladAdr = edtCenHladAdr->text();
        return d;
    }
    d.Porovnavat = rbPorovnavat->isChecked();
    d.CheckNovaPolozka = chckNovaPolozka->isChecked();
    d.IDListu = IDListu;
    d.IDSkup = IDSkup;
    d.CheckHledatPouzeV = chckFiltr->isChecked();
    d.IDListuHledatV = IDListuHledatV;
    d.CheckHledatVeSkup = chckHledatVeSkup->isChecked();
    d.IDSkupHledatV = IDSkupHledatV;
    for (int f = 0; f < kItemFieldCount; ++f) readRow(ItemRows[f], d.Items[f]);
    d.TypHodnota = cbxTypHodnoty->currentIndex();
    d.ProdCenaTypCeny = cbxProdCenaTypCeny->currentIndex();
    d.CheckNastavNaNove = chckNastavNaNove->isChecked();
    d.CheckCenSkup = chckCenSkup->isChecked();
    d.CenSkupina = edtCenSkup->text();
    d.CheckIdentif = chckIdentif->isChecked();
    d.Identif = edtIdentif->text();
    d.CheckZaokrouhleni = chckZaokrouhleni->isChecked();
    d.ValueZaokrouhleni = cbxZaokrouhleni->currentIndex();
    d.CheckTypCeny = chckTypCeny->isChecked();
    d.ValueTypCeny = cbxTypCeny->currentIndex();
    d.CheckPrepocitat = chckPrepocitat->isChecked();
    d.ValuePrepocitat = cbxPrepocitat->currentIndex();
    d.ValuePrepocPodle = cbxPrepocPodle->currentIndex();
    return d;
}

void TfrmImportNastaveni::SetDefinition(const TImportDefinition& def, int type) {
    cbxTypSouboru->setCurrentIndex(int(def.Source));
    edtNazevSouboru->setText(def.FileName);
    edtNazevTabulky->setText(def.TableName);
    edtRefPolProgram->setText(def.RefField);
    edtRefPolDB->setText(def.RefDBField);
    auto setRow = [](TMappingRow& row, const TMappedField& f) {
        row.chck->setChecked(f.Check);
        row.cbxZdroj->setCurrentIndex(int(f.Source));
        if (f.Source == TFieldSource::Column)
            row.cbxColumn->setEditText(f.Column);
        else if (row.cur)
            row.cur->SetValue(f.Number);
        else
            row.edt->setText(f.Fixed);
    };
    if (type == int(TImportType::Addresses)) {
        cbxRefPolAdr->setCurrentIndex(RefIndex(kAddressRefs, def.RefField));
        (def.Porovnavat ? rbPorovnavatAdr : rbNeporovnavatAdr)->setChecked(true);
        chckNovaAdresa->setChecked(def.CheckNovaPolozka);
        for (int f = 0; f < kAddressFieldCount; ++f) setRow(AddressRows[f], def.Addresses[f]);
        chckNastavNaNoveAdr->setChecked(def.CheckNastavNaNoveAdr);
        chckCenHladAdr->setChecked(def.CheckCenHladAdr);
        edtCenHladAdr->setText(def.CenHladAdr);
        UpdateAddressControls();
        return;
    }
    cbxRefPolCenik->setCurrentIndex(RefIndex(kItemRefs, def.RefField));
    (def.Porovnavat ? rbPorovnavat : rbNeporovnavat)->setChecked(true);
    chckNovaPolozka->setChecked(def.CheckNovaPolozka);
    TImportDefinition resolved = def;
    TDefinitionNames names;
    ResolveDefinitionRows(resolved, names);
    IDListu = resolved.IDListu;
    IDSkup = resolved.IDSkup;
    IDListuHledatV = resolved.IDListuHledatV;
    IDSkupHledatV = resolved.IDSkupHledatV;
    edtList->setText(names.Sheet);
    edtSkup->setText(names.Group);
    edtHledatList->setText(names.FilterSheet);
    edtHledatSkup->setText(names.FilterGroup);
    chckFiltr->setChecked(def.CheckHledatPouzeV);
    chckHledatVeSkup->setChecked(def.CheckHledatVeSkup);
    for (int f = 0; f < kItemFieldCount; ++f) setRow(ItemRows[f], def.Items[f]);
    cbxTypHodnoty->setCurrentIndex(def.TypHodnota);
    cbxProdCenaTypCeny->setCurrentIndex(def.ProdCenaTypCeny);
    chckNastavNaNove->setChecked(def.CheckNastavNaNove);
    chckCenSkup->setChecked(def.CheckCenSkup);
    edtCenSkup->setText(def.CenSkupina);
    IDCenSkup = 0;
    chckIdentif->setChecked(def.CheckIdentif);
    edtIdentif->setText(def.Identif);
    chckZaokrouhleni->setChecked(def.CheckZaokrouhleni);
    cbxZaokrouhleni->setCurrentIndex(def.ValueZaokrouhleni);
    chckTypCeny->setChecked(def.CheckTypCeny);
    cbxTypCeny->setCurrentIndex(def.ValueTypCeny);
    chckPrepocitat->setChecked(def.CheckPrepocitat);
    cbxPrepocitat->setCurrentIndex(def.ValuePrepocitat);
    cbxPrepocPodle->setCurrentIndex(def.ValuePrepocPodle);
    UpdateItemControls();
}

void TfrmImportNastaveni::LoadImportDefinition(int type, bool openSource) {
    TypOperace = type;
    if (type != int(TImportType::Items) && type != int(TImportType::Addresses)) return;
    TImportDefinition def;
    // A text naming no known source kind keeps the kind last shown.
    def.Source = SourceKind();
    ParseImportDefinition(memNastaveni->toPlainText(), TImportType(type), def);
    if (type == int(TImportType::Items)) {
        ClearItemMapping(true);
        ResetItemDefaults();
    } else {
        ClearAddressMapping(true);
        ResetAddressDefaults();
    }
    SetDefinition(def, type);
    if (openSource && OpenImportSource(def.FileName, int(def.Source)) == 0) ReadSourceStructure(type);
}

void TfrmImportNastaveni::SaveImportDefinition(int type) {
    if (type != int(TImportType::Items) && type != int(TImportType::Addresses)) return;
    memNastaveni->setPlainText(WriteImportDefinition(Definition(), TImportType(type)));
}

int TfrmImportNastaveni::ReadSourceStructure(int target) {
    TImportConnection& connection = ImportConnection();
    if (!connection.Connected()) return -1;
    const bool text = connection.Kind() == TImportSourceKind::Text;
    if (text && !QFileInfo(edtNazevSouboru->text()).isFile()) return -1;
    TWorkingShown working(QString::fromUtf8(kStructureWorking));
    QStringList names;
    try {
        names = text ? SplitTextHeader(ReadTextFirstLine(edtNazevSouboru->text()))
                     : connection.Source().ColumnNames(edtNazevTabulky->text());
    } catch (const std::exception& e) {
        working.Hide();
        ShowError(QString::fromUtf8(kStructureError) + "\r\r" + QString::fromUtf8(e.what()) + "\r\r" +
                  QString::fromUtf8(kStructureHint));
        return -1;
    }
    auto fill = [&](TMappingRow& row) {
        const QString text = row.cbxColumn->currentText();
        row.cbxColumn->addItems(names);
        // The name typed or chosen before stays, even when the new source lacks it.
        row.cbxColumn->setEditText(text);
    };
    if (target == int(TImportType::Addresses))
        for (TMappingRow& row : AddressRows) fill(row);
    else
        for (TMappingRow& row : ItemRows) fill(row);
    return 0;
}

void TfrmImportNastaveni::ReadColumnsAgain() {
    if (TypOperace == int(TImportType::Addresses)) {
        UpdateAddressControls();
        ClearAddressMapping(false);
    } else {
        UpdateItemControls();
        ClearItemMapping(false);
    }
    ReadSourceStructure(TypOperace);
}

void TfrmImportNastaveni::btnNazevSouboruClick() {
    const QString name =
        ChooseImportFile(this, QString::fromUtf8(kChooseSource), SourceKindFilter(SourceKind()));
    if (name.isEmpty()) return;
    edtNazevSouboru->setText(name);
    UseSourceFile(name);
}

void TfrmImportNastaveni::edtNazevSouboruExit() {
    const QString name = edtNazevSouboru->text().trimmed();
    // Leaving the field unchanged, or emptied, reads nothing again.
    if (name.isEmpty() || name == columnsFile_) return;
    columnsFile_ = name;
    if (!QFileInfo(name).isFile()) {
        ShowWarning(QString::fromUtf8(kSourceFileMissing).arg(name));
        return;
    }
    UseSourceFile(name);
}

void TfrmImportNastaveni::UseSourceFile(const QString& name) {
    columnsFile_ = name.trimmed();
    const TImportSourceKind kind = SourceKind();
    if (OpenImportSource(name, int(kind)) != 0) return;
    if (kind == TImportSourceKind::Access || kind == TImportSourceKind::Excel) {
        QString table;
        if (SelectSourceTable(this, table) != kResultOk) return;
        edtNazevTabulky->setText(table);
    }
    ReadColumnsAgain();
}

void TfrmImportNastaveni::btnNazevTabulkyClick() {
    if (edtNazevSouboru->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kFileFirst));
        return;
    }
    if (OpenImportSource(edtNazevSouboru->text(), int(SourceKind())) != 0) {
        ShowWarning(QString::fromUtf8(kCannotOpen));
        return;
    }
    QString table;
    if (SelectSourceTable(this, table) != kResultOk) return;
    edtNazevTabulky->setText(table);
    ReadColumnsAgain();
}

void TfrmImportNastaveni::btnPoznamkaClick() {
    QString note = memPopis;
    if (EditDefinitionNote(this, note)) memPopis = note;
}

void TfrmImportNastaveni::PickSheet(QLineEdit* edit, int& id, QLineEdit* groupEdit, int& groupId) {
    if (ShowSheetList(TfrmSklady::kModePick, false) == kResultOk) {
        TADOQuery& sheets = frmMain->adqSklady;
        if (sheets.Active() && !sheets.IsEmpty()) {
            id = sheets.FieldByName("ID")->AsInteger();
            edit->setText(sheets.FieldByName("Nazev")->AsString());
            groupId = 0;
            groupEdit->clear();
        }
    }
    frmMain->adqSklady.Close();
}

void TfrmImportNastaveni::PickGroup(int sheetId, QLineEdit* edit, int& id, const char* sheetFirst) {
    if (sheetId == 0) {
        ShowInformation(QString::fromUtf8(sheetFirst));
        return;
    }
    if (ShowGroupPicker(sheetId) == kResultOk) {
        TADOQuery& groups = frmMain->adqAgendaFree1;
        if (groups.Active() && !groups.IsEmpty()) {
            id = groups.FieldByName("ID")->AsInteger();
            edit->setText(groups.FieldByName("Nazev")->AsString());
        }
    }
    frmMain->adqAgendaFree1.Close();
}

void TfrmImportNastaveni::btnOkClick() {
    if (!btnOk->isEnabled()) return;
    if (edtNazev->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kNameMissing));
        return;
    }
    auto refPair = [](const TRefEntry& entry, const TMappingRow& row, QString& program, QString& db) {
        program.clear();
        db.clear();
        if (!row.chck->isChecked() || row.cbxZdroj->currentIndex() != int(TFieldSource::Column)) return;
        program = QString::fromLatin1(entry.value);
        db = row.cbxColumn->currentText();
    };
    QString program, db;
    if (TypOperace == int(TImportType::Items)) {
        const TRefEntry& entry = kItemRefs[std::clamp(cbxRefPolCenik->currentIndex(), 0, 4)];
        refPair(entry, ItemRows[entry.field], program, db);
        const bool matching = rbPorovnavat->isChecked();
        if (matching && (program.isEmpty() || db.isEmpty())) {
            ShowWarning(QString::fromUtf8(kRefMissing));
            return;
        }
        if (program.isEmpty() || db.isEmpty()) program.clear(), db.clear();
        edtRefPolProgram->setText(program);
        edtRefPolDB->setText(db);
        if ((!matching || chckNovaPolozka->isChecked()) && (IDListu == 0 || IDSkup == 0)) {
            ShowWarning(QString::fromUtf8(kTargetMissing));
            return;
        }
        if (chckFiltr->isChecked()) {
            if (IDListuHledatV == 0) {
                ShowWarning(QString::fromUtf8(kFilterSheetMissing));
                return;
            }
            if (chckHledatVeSkup->isChecked() && IDSkupHledatV == 0) {
                ShowWarning(QString::fromUtf8(kFilterGroupMissing));
                return;
            }
        }
    } else if (TypOperace == int(TImportType::Addresses)) {
        const TRefEntry& entry = kAddressRefs[std::clamp(cbxRefPolAdr->currentIndex(), 0, 2)];
        refPair(entry, AddressRows[entry.field], program, db);
        if (rbPorovnavatAdr->isChecked() && (program.isEmpty() || db.isEmpty())) {
            ShowWarning(QString::fromUtf8(kRefMissing));
            return;
        }
        if (program.isEmpty() || db.isEmpty()) program.clear(), db.clear();
        edtRefPolProgram->setText(program);
        edtRefPolDB->setText(db);
    }
    accept();
}

int EditImportDefinition(TfrmImportMain& wizard, bool isNew, int type, bool copy) {
    const TAccessLevel level = CurrentUser.Import_AR;
    const bool inserts = isNew || copy;
    if (level >= (inserts ? TAccessLevel::ReadOnly : TAccessLevel::NoAccess)) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TfrmImportNastaveni& editor = *wizard.Editor;
    editor.DefinitionReadOnly = false;
    if (!inserts && level == TAccessLevel::ReadOnly) {
        editor.DefinitionReadOnly = true;
        TUser::ShowReadOnlyMessage();
    }
    TADOQuery& list = wizard.adqImportDef;
    if (RequeryAndLocate(list) != 0 && !isNew) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        wizard.UpdateDefinitionButtons();
        return -1;
    }
    editor.PrepareForType(type);
    const int id = isNew || list.IsEmpty() ? 0 : list.FieldByName("ID")->AsInteger();
    TRecordLock lock;
    if (!isNew) {
        const QString lockPath = GlobalRecordLockPath("Import", id);
        if (!copy) {
            switch (lock.Take(lockPath)) {
                case TRecordLock::Taken:
                    break;
                case TRecordLock::InUse:
                    ShowInformation(QString::fromUtf8(kRecordInUseText));
                    editor.DefinitionReadOnly = true;
                    break;
                case TRecordLock::Failed:
                    return -1;
            }
        }
        editor.edtNazev->setText(list.FieldByName("Nazev")->AsString());
        editor.memPopis = list.FieldByName("Popis")->AsString();
        editor.memNastaveni->setPlainText(list.FieldByName("Nastaveni")->AsString());
        editor.LoadImportDefinition(type, true);
    }
    editor.btnOk->setEnabled(!editor.DefinitionReadOnly);
    if (editor.exec() != QDialog::Accepted) {
        ImportConnection().Close();
        wizard.UpdateDefinitionButtons();
        return 0;
    }
    ImportConnection().Close();
    editor.SaveImportDefinition(type);
    // Memo text keeps CR LF line ends in the database.
    const QString text = editor.memNastaveni->toPlainText().replace("\r\n", "\n").replace("\n", "\r\n");
    const TParamValues params = {{"TypOperace", type},
                                 {"Nastaveni", text},
                                 {"Nazev", editor.edtNazev->text()},
                                 {"Popis", editor.memPopis}};
    const bool update = !isNew && !copy;
    const int rows = update ? ExecAgenda(
                                  "UPDATE Import SET TypOperace = :TypOperace, Nastaveni = :Nastaveni, "
                                  "Nazev = :Nazev, Popis = :Popis WHERE ID = " +
                                      QString::number(id),
                                  params)
                            : ExecAgenda(
                                  "INSERT INTO Import (TypOperace, Nastaveni, Nazev, Popis) VALUES "
                                  "(:TypOperace, :Nastaveni, :Nazev, :Popis)",
                                  params);
    if (rows == 0) {
        ShowError(QString::fromUtf8(kSaveFailedText));
        return -1;
    }
    if (update) {
        RequeryAndLocate(list);
    } else {
        const int newId = LastInsertedId();
        list.Requery();
        if (!list.Locate("ID", newId)) {
            ShowError(QString::fromUtf8(kNewRecordNotFoundText));
            return -1;
        }
    }
    wizard.UpdateDefinitionButtons();
    return 0;
}
