// The print dialog: its report list, printer and page range, the management of the user's report
// definitions, and the defaults it remembers per user. The jobs themselves are TiskData.cpp.
// Definitions reach `Sestavy` only when the dialog closes, and then only the rows this opening
// added, changed or deleted: another station may have added its own meanwhile.

#include "exchange/Tisk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/PoslatMail.h"
#include "exchange/SheetExport.h"
#include "exchange/TiskExpCeniku.h"
#include "platform/data/Field.h"
#include "platform/files/FileLock.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

using K = TReportKind;

const TBuiltInReport kOfferReports[] = {
    {"_NABKSP", "Nabídka standardní", "Nabídka s vyčíslením slevy a případnou poznámkou pod položkou",
     K::Record},
    {"_NABKS", "Nabídka standardní bez poznámek",
     "Nabídka s vyčíslením slevy a skrytou poznámkou pod položkou", K::Record},
    {"_NABKSPO", "Nabídka standardní s obrázky",
     "Nabídka s tiskem obrázků, které lze připojit k ceníkovým položkám", K::Record},
    {"_NABKP", "Nabídka bez tisku slev", "Nabídka bez slevy a s případnou poznámkou pod položkou", K::Record},
    {"_NABK", "Nabídka bez tisku slev a poznámek", "Nabídka bez slevy a skrytou poznámkou pod položkou",
     K::Record},
    {"_NABKPC", "Nabídka bez cen položek", "Nabídka bez cen položek (tiskne se pouze celková cena nabídky)",
     K::Record},
    {"_NABKC", "Nabídka bez cen položek a poznámek",
     "Nabídka se skrytou poznámkou pod položkou a bez cen položek (tiskne se pouze celková cena nabídky)",
     K::Record},
    {"_NABSZ", "Seznam nabídek", "Seznam nabídek dle filtru", K::List},
};

const TBuiltInReport kGroupPriceListReports[] = {
    {"_CENSK", "Standardní ceník",
     "Ceník rozdělený na skladové skupiny obsahuje Popis, Katalog, Cenu bez a s DPH.", K::Record},
    {"_CENSKP", "Standardní ceník s poznámkou",
     "Ceník rozdělený na skladové skupiny obsahuje Popis, Katalog, Cenu bez a s DPH. Pod položkou se tiskne "
     "Poznámka.",
     K::Record},
    {"_CEND4SK", "Dealerský 4 sloupce",
     "Dealerský ceník rozdělený na skladové skupiny obsahuje Popis a max. 4 ceny nadefinované před tiskem.",
     K::Record},
    {"_CEND4SKP", "Dealerský 4 sloupce s poznámkou",
     "Dealerský ceník rozdělený na skladové skupiny obsahuje Popis a max. 4 ceny nadefinované před tiskem. "
     "Pod "
     "položkou se tiskne Poznámka.",
     K::Record},
    {"_CEND6SK", "Dealerský 6 sloupců",
     "Dealerský ceník rozdělený na skladové skupiny obsahuje Popis a max. 6 cen nadefinovaných před tiskem.",
     K::Record},
    {"_CEND6SKP", "Dealerský 6 sloupců s poznámkou",
     "Dealerský ceník rozdělený na skladové skupiny obsahuje Popis a max. 6 cen nadefinovaných před tiskem. "
     "Pod "
     "položkou se tiskne Poznámka.",
     K::Record},
};
const TBuiltInReport kGroupPriceListComment = {"_CENSKP2", "Standardní ceník s pozn. (komentář)",
                                               "Ceník rozdělený na skladové skupiny obsahuje Popis, Katalog, "
                                               "Cenu bez a s DPH. Poznámka jako komentář buňky.",
                                               K::Record};

const TBuiltInReport kPriceListReports[] = {
    {"_CEN", "Standardní ceník", "Ceník bez skladových skupin obsahuje Popis, Katalog, Cenu bez a s DPH.",
     K::Record},
    {"_CENP", "Standardní ceník s poznámkou",
     "Ceník bez skladových skupin obsahuje Popis, Katalog, Cenu bez a s DPH. Pod položkou se tiskne "
     "Poznámka.",
     K::Record},
    {"_CEND4", "Dealerský 4 sloupce",
     "Dealerský ceník bez skladových skupin obsahuje Popis a max. 4 ceny nadefinované před tiskem.",
     K::Record},
    {"_CEND4P", "Dealerský 4 sloupce s poznámkou",
     "Dealerský ceník bez skladových skupin obsahuje Popis a max. 4 ceny nadefinované před tiskem. Pod "
     "položkou "
     "se tiskne Poznámka.",
     K::Record},
    {"_CEND6", "Dealerský 6 sloupců",
     "Dealerský ceník bez skladových skupin obsahuje Popis a max. 6 cen nadefinovaných před tiskem.",
     K::Record},
    {"_CEND6P", "Dealerský 6 sloupců s poznámkou",
     "Dealerský ceník bez skladových skupin obsahuje Popis a max. 6 cen nadefinovaných před tiskem. Pod "
     "položkou "
     "se tiskne Poznámka.",
     K::Record},
};
const TBuiltInReport kPriceListComment = {
    "_CENP2", "Standardní ceník s pozn. (komentář)",
    "Ceník bez skladových skupin obsahuje Popis, Katalog, Cenu bez a s DPH. Poznámka jako komentář.",
    K::Record};

const TBuiltInReport kAddressReports[] = {
    {"_ADRSZ", "Seznam adresáře", "Jednořádkový seznam adres", K::Record},
    {"_ADRSZKT", "Adresní karty", "Detailní seznam adres", K::Record},
};
const TBuiltInReport kNoteReports[] = {{"_POZN", "Poznámka", "Karta poznámky", K::Record}};

template <size_t N>
std::vector<TBuiltInReport> Rows(const TBuiltInReport (&rows)[N]) {
    return {std::begin(rows), std::end(rows)};
}

std::vector<TBuiltInReport> WithComment(std::vector<TBuiltInReport> rows, const TBuiltInReport& comment) {
    rows.insert(rows.begin() + 2, comment);
    return rows;
}

const char* kInfoText = "Vyberte ze seznamu požadovanou tiskovou sestavu a klepněte na Tisk nebo Náhled.";
const char* kExtFuncPrint = "Přídavné funkce";
const char* kExtFuncExport = "Exportovat do souboru";
const char* kSaveTitle = "Uložit do souboru";
const char* kSaveFilter = "Soubory MS Excel (*.xls)|*.xls|Všechny soubory (*.*)|*.*";
constexpr int kPageLimit = 9999;

// A filter of the "Name (pattern)|pattern|..." form as the file dialog takes it.
QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) result << parts[i];
    return result.join(";;");
}

}  // namespace

std::vector<TBuiltInReport> BuiltInReports(int module) {
    switch (module) {
        case pmOffer:
            return Rows(kOfferReports);
        case pmPriceListGroups:
            return Rows(kGroupPriceListReports);
        case pmPriceListGroupsExport:
            return WithComment(Rows(kGroupPriceListReports), kGroupPriceListComment);
        case pmPriceList:
            return Rows(kPriceListReports);
        case pmPriceListExport:
            return WithComment(Rows(kPriceListReports), kPriceListComment);
        case pmAddresses:
            return Rows(kAddressReports);
        case pmNote:
            return Rows(kNoteReports);
        default:
            return {};
    }
}

int DefaultReportSetting(int module) {
    switch (module) {
        case pmOffer:
            return 3;
        case pmPriceListGroups:
            return 16;
        case pmPriceList:
            return 18;
        case pmAddresses:
            return 19;
        case pmNote:
            return 26;
        case pmPriceListGroupsExport:
            return 30;
        case pmPriceListExport:
            return 32;
        default:
            return 0;
    }
}

int SecondSetting(int module) {
    switch (module) {
        case pmOffer:
            return 4;
        // Both price-list print modules share one printer.
        case pmPriceListGroups:
        case pmPriceList:
            return 17;
        case pmAddresses:
            return 20;
        case pmNote:
            return 27;
        case pmPriceListGroupsExport:
            return 31;
        case pmPriceListExport:
            return 33;
        default:
            return 0;
    }
}

QString ReportFileExtension(int module) { return IsExportModule(module) ? ".xls" : ".FRX"; }

std::function<QStringList()> SystemPrinterNames = [] {
    QStringList names = QPrinterInfo::availablePrinterNames();
    std::sort(names.begin(), names.end());
    return names;
};
std::function<QString()> SystemDefaultPrinterName = [] { return QPrinterInfo::defaultPrinterName(); };

std::function<QString(const QString&, const QString&, const QString&)> PrintSaveDialog =
    [](const QString& folder, const QString& title, const QString& filter) {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, QtFilter(filter));
    };
std::function<QString(const QString&, const QString&, const QString&)> PrintOpenDialog =
    [](const QString& folder, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, QtFilter(filter));
    };

// --- TComboBoxPrinter

TComboBoxPrinter::TComboBoxPrinter(QWidget* parent) : QComboBox(parent) {}

void TComboBoxPrinter::FillPrinters(int index) {
    ReloadPrinters();
    // A stored index the list no longer reaches (a printer was removed) means the default printer.
    if (index == -1 || index >= count())
        index = static_cast<int>(SystemPrinterNames().indexOf(SystemDefaultPrinterName()));
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

QString TComboBoxPrinter::SelectedPrinterName() const {
    return currentIndex() < 0 ? QString() : currentText();
}

int TComboBoxPrinter::SelectedPrinterIndex() const {
    if (currentIndex() < 0) return -1;
    return static_cast<int>(SystemPrinterNames().indexOf(currentText()));
}

void TComboBoxPrinter::ReloadPrinters() {
    clear();
    addItems(SystemPrinterNames());
}

void TComboBoxPrinter::showPopup() {
    const QString shown = SelectedPrinterName();
    ReloadPrinters();
    setCurrentIndex(shown.isEmpty() ? -1 : findText(shown));
    QComboBox::showPopup();
}

// --- TfrmTisk

TfrmTisk::TfrmTisk(int module, QWidget* parent) : TVnDialog(parent), module_(module) {
    setObjectName("frmTisk");
    setWindowTitle(QString::fromUtf8(kPrintDialogCaption));
    TFieldDefs& defs = mtSestava.FieldDefs();
    defs.Add("Original", ftBoolean);
    defs.Add("Nazev", ftString, 50);
    defs.Add("Soubor", ftString, 255);
    defs.Add("Popis", ftString, 255);
    defs.Add("TypSest", ftInteger);
    defs.Add("ID", ftInteger);
    mtSestava.CreateTable();
    dsSestava.SetDataSet(&mtSestava);
    FCReport = CreateSheetReport(this);
    BuildWindow();
    mtSestava.AfterScroll = [this](TDataSet*) {
        UpdateEmailPanel();
        dblblPopisSestavy->setText(mtSestava.IsEmpty() ? QString()
                                                       : mtSestava.FieldByName("Popis")->AsString());
    };
}

TfrmTisk::~TfrmTisk() {
    mtSestava.AfterScroll = nullptr;
    delete grSestava;
}

void TfrmTisk::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    auto* info = new QLabel(QString::fromUtf8(kInfoText), this);
    info->setWordWrap(true);
    layout->addWidget(info);

    grSestava =
        MakeListGrid(this, "grSestava", &dsSestava, {{"Original", "I"}, {"Nazev", "Tiskové sestavy"}});
    grSestava->SetFrozenCols(1);
    grSestava->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                         TColumn* column, TGridDrawState state) {
        if (column->FieldName() != "Original") {
            grSestava->DrawCellDefault(canvas, rect, dataColumn, column, state);
            return;
        }
        // A built-in report is marked dark, the user's own light: the value as a picture, not a word.
        const QRect box = rect.ToQRect().adjusted(3, 3, -3, -3);
        canvas.fillRect(rect.ToQRect(), Qt::white);
        canvas.fillRect(box, CurrentOriginal() ? QColor(0x1f, 0x4e, 0x9a) : QColor(0x9c, 0xc3, 0xe6));
    };
    auto* gridMenu = new QMenu(this);
    miGridSestavaVychozi =
        gridMenu->addAction(QString::fromUtf8("Nastavit sestavu jako výchozí pro tento tisk"));
    connect(miGridSestavaVychozi, &QAction::triggered, this, &TfrmTisk::SetDefaultReport);
    grSestava->OnPopupMenu = [gridMenu](QObject*, int, TGridCoord, QMenu*& popup) { popup = gridMenu; };
    layout->addWidget(grSestava, 1);
    dblblPopisSestavy = new QLabel(this);
    dblblPopisSestavy->setObjectName("dblblPopisSestavy");
    dblblPopisSestavy->setWordWrap(true);
    layout->addWidget(dblblPopisSestavy);

    chckUpravitSestavu = new QCheckBox(QString::fromUtf8("upravit tisk. sestavu"), this);
    chckUpravitSestavu->setObjectName("chckUpravitSestavu");
    layout->addWidget(chckUpravitSestavu);
    panBtnSestava = new QWidget(this);
    panBtnSestava->setObjectName("panBtnSestava");
    auto* manage = new QVBoxLayout(panBtnSestava);
    manage->setContentsMargins(0, 0, 0, 0);
    btnVytvoritKopii =
        AddButton(this, manage, "btnVytvoritKopii", QString::fromUtf8("Vytvořit kopii tiskové sestavy"));
    btnOpravitSestavu = AddButton(this, manage, "btnOpravitSestavu",
                                  QString::fromUtf8("Upravit tiskovou sestavu v editoru formulářů"));
    btnVyjmoutSestavu =
        AddButton(this, manage, "btnVyjmoutSestavu", QString::fromUtf8("Vyjmout tiskovou sestavu"));
    btnVlastnostiSestavy =
        AddButton(this, manage, "btnVlastnostiSestavy", QString::fromUtf8("Vlastnosti tiskové sestavy"));
    btnPridatSestavu =
        AddButton(this, manage, "btnPridatSestavu", QString::fromUtf8("Přidat novou sestavu z disku"));
    layout->addWidget(panBtnSestava);
    connect(chckUpravitSestavu, &QCheckBox::toggled, panBtnSestava, &QWidget::setVisible);
    connect(btnVytvoritKopii, &QPushButton::clicked, this, &TfrmTisk::btnVytvoritKopiiClick);
    connect(btnOpravitSestavu, &QPushButton::clicked, this, &TfrmTisk::btnOpravitSestavuClick);
    connect(btnVyjmoutSestavu, &QPushButton::clicked, this, &TfrmTisk::btnVyjmoutSestavuClick);
    connect(btnVlastnostiSestavy, &QPushButton::clicked, this, &TfrmTisk::btnVlastnostiSestavyClick);
    connect(btnPridatSestavu, &QPushButton::clicked, this, &TfrmTisk::btnPridatSestavuClick);

    gbxPrinter = new QGroupBox(QString::fromUtf8("Tiskárna"), this);
    gbxPrinter->setObjectName("gbxPrinter");
    auto* printerRow = new QHBoxLayout(gbxPrinter);
    ComboBoxPrinter1 = new TComboBoxPrinter(gbxPrinter);
    ComboBoxPrinter1->setObjectName("ComboBoxPrinter1");
    printerRow->addWidget(ComboBoxPrinter1, 1);
    btnNastTiskarny = new QPushButton(QString::fromUtf8("Nastavit..."), gbxPrinter);
    btnNastTiskarny->setObjectName("btnNastTiskarny");
    pmNastTiskarny = new QMenu(btnNastTiskarny);
    miTiskarnaVychozi =
        pmNastTiskarny->addAction(QString::fromUtf8(">> tiskárnu jako výchozí pro tento tisk"));
    miSestavaVychozi = pmNastTiskarny->addAction(QString::fromUtf8(">> sestavu jako výchozí pro tento tisk"));
    btnNastTiskarny->setMenu(pmNastTiskarny);
    connect(miTiskarnaVychozi, &QAction::triggered, this, &TfrmTisk::SetDefaultPrinter);
    connect(miSestavaVychozi, &QAction::triggered, this, &TfrmTisk::SetDefaultReport);
    printerRow->addWidget(btnNastTiskarny);
    layout->addWidget(gbxPrinter);

    gbxPrintCopies = new QGroupBox(QString::fromUtf8("Rozsah celých stránek"), this);
    gbxPrintCopies->setObjectName("gbxPrintCopies");
    auto* pages = new QHBoxLayout(gbxPrintCopies);
    auto spin = [&](QLabel*& label, QSpinBox*& edit, const char* name, const char* caption, int value) {
        label = new QLabel(QString::fromUtf8(caption), gbxPrintCopies);
        edit = new QSpinBox(gbxPrintCopies);
        edit->setObjectName(name);
        edit->setRange(1, kPageLimit);
        edit->setValue(value);
        label->setBuddy(edit);
        pages->addWidget(label);
        pages->addWidget(edit);
    };
    spin(lblOdStr, edtOdStr, "edtOdStr", "Od stránky", 1);
    spin(lblDoStr, edtDoStr, "edtDoStr", "Do stránky", kPageLimit);
    spin(lblPocetKopii, edtPocetKopii, "edtPocetKopii", "Počet kopií celých stránek ", 1);
    layout->addWidget(gbxPrintCopies);

    gbxExtFunc = new QGroupBox(this);
    gbxExtFunc->setObjectName("gbxExtFunc");
    auto* ext = new QVBoxLayout(gbxExtFunc);
    panPosliEmail = new QWidget(gbxExtFunc);
    panPosliEmail->setObjectName("panPosliEmail");
    auto* mailRow = new QHBoxLayout(panPosliEmail);
    mailRow->setContentsMargins(0, 0, 0, 0);
    mailRow->addWidget(
        new QLabel(QString::fromUtf8("Chcete-li poslat nabídku e-mailem, klepněte"), panPosliEmail));
    lblPoslatMail = new QLabel("<a href=\"#\">zde</a>", panPosliEmail);
    lblPoslatMail->setObjectName("lblPoslatMail");
    connect(lblPoslatMail, &QLabel::linkActivated, this, [this] { SendOfferByEmail(*this); });
    mailRow->addWidget(lblPoslatMail);
    mailRow->addStretch();
    ext->addWidget(panPosliEmail);
    panExport = new QWidget(gbxExtFunc);
    panExport->setObjectName("panExport");
    auto* exportRow = new QHBoxLayout(panExport);
    exportRow->setContentsMargins(0, 0, 0, 0);
    edtExportSoubor = new QLineEdit(panExport);
    edtExportSoubor->setObjectName("edtExportSoubor");
    exportRow->addWidget(edtExportSoubor, 1);
    btnProchazet = new TSchemeButton(panExport);
    btnProchazet->setObjectName("btnProchazet");
    btnProchazet->setText("...");
    connect(btnProchazet, &TSchemeButton::clicked, this, &TfrmTisk::btnProchazetClick);
    exportRow->addWidget(btnProchazet);
    ext->addWidget(panExport);
    layout->addWidget(gbxExtFunc);

    panButtons = new QWidget(this);
    auto* buttons = new QHBoxLayout(panButtons);
    buttons->addStretch();
    btnTisk = AddButton(this, buttons, "btnTisk", "Tisk", QKeySequence(Qt::Key_Return));
    btnNahled = AddButton(this, buttons, "btnNahled", QString::fromUtf8("Náhled"), QKeySequence("Alt+N"));
    btnExport = AddButton(this, buttons, "btnExport", "Export");
    btnStorno =
        AddButton(this, buttons, "btnStorno", QString::fromUtf8("Zavřít okno"), QKeySequence(Qt::Key_Escape));
    layout->addWidget(panButtons);
    connect(btnTisk, &QPushButton::clicked, this, &TfrmTisk::acbtnTiskExecute);
    connect(btnNahled, &QPushButton::clicked, this, &TfrmTisk::acNahledExecute);
    connect(btnExport, &QPushButton::clicked, this, &TfrmTisk::btnExportClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    acSHNC = AddPurchasePriceAction(this);
    resize(560, 640);
}

QString TfrmTisk::CurrentSoubor() const {
    return mtSestava.IsEmpty() ? QString() : mtSestava.FieldByName("Soubor")->AsString();
}
bool TfrmTisk::CurrentOriginal() const {
    return !mtSestava.IsEmpty() && mtSestava.FieldByName("Original")->AsBoolean();
}
TReportKind TfrmTisk::CurrentKind() const {
    return mtSestava.IsEmpty() ? TReportKind::Record
                               : static_cast<TReportKind>(mtSestava.FieldByName("TypSest")->AsInteger());
}

void TfrmTisk::Prepare(const QString& filter) {
    TWorkingShown working(QString::fromUtf8(kPreparingPrint));
    mtSestava.Close();
    mtSestava.Open();
    mtSestavaTag = 0;
    pendingReport_.clear();
    pendingPrinter_ = -1;
    printerChosen_ = false;
    chckUpravitSestavu->setChecked(false);
    panBtnSestava->setVisible(false);
    mtSestava.DisableControls();
    for (const TBuiltInReport& r : BuiltInReports(module_)) {
        mtSestava.Append();
        mtSestava.FieldByName("Original")->SetAsBoolean(true);
        mtSestava.FieldByName("Nazev")->SetAsString(QString::fromUtf8(r.Nazev));
        mtSestava.FieldByName("Soubor")->SetAsString(QString::fromUtf8(r.Soubor));
        mtSestava.FieldByName("Popis")->SetAsString(QString::fromUtf8(r.Popis));
        mtSestava.FieldByName("TypSest")->SetAsInteger(static_cast<int>(r.Kind));
        mtSestava.FieldByName("ID")->SetAsInteger(0);
        mtSestava.Post();
    }
    QString defaultReport, second;
    if (DefaultReportSetting(module_)) UserSetting(kLoad, DefaultReportSetting(module_), {}, defaultReport);
    if (SecondSetting(module_)) UserSetting(kLoad, SecondSetting(module_), {}, second);
    int printerIndex = -1;
    if (IsExportModule(module_)) {
        edtExportSoubor->setText(second);
    } else {
        bool ok = false;
        printerIndex = second.trimmed().toInt(&ok);
        if (!ok) printerIndex = -1;
    }

    TADOQuery& q = frmMain->adqGlobalFree1;
    q.Close();
    q.SetSQL("SELECT * FROM Sestavy WHERE IDModulu=" + QString::number(module_));
    q.Open();
    stored_.clear();
    for (q.First(); !q.Eof(); q.Next()) {
        const TStoredRow row{q.FieldByName("ID")->AsInteger(), q.FieldByName("Nazev")->AsString(),
                             q.FieldByName("Soubor")->AsString(), q.FieldByName("Popis")->AsString(),
                             q.FieldByName("TypSest")->AsInteger()};
        stored_.push_back(row);
        mtSestava.Append();
        mtSestava.FieldByName("Original")->SetAsBoolean(false);
        mtSestava.FieldByName("Nazev")->SetAsString(row.Nazev);
        mtSestava.FieldByName("Soubor")->SetAsString(row.Soubor);
        mtSestava.FieldByName("Popis")->SetAsString(row.Popis);
        mtSestava.FieldByName("TypSest")->SetAsInteger(row.TypSest);
        mtSestava.FieldByName("ID")->SetAsInteger(row.Id);
        mtSestava.Post();
    }
    q.Close();
    if (!filter.isEmpty()) {
        mtSestava.SetFilter(filter);
        mtSestava.SetFiltered(true);
    }
    mtSestava.First();
    if (!defaultReport.isEmpty() && !mtSestava.Locate("Soubor", defaultReport)) mtSestava.First();
    mtSestava.EnableControls();
    if (grSestava->CurrentDataColumn() < 0) grSestava->SetCol(grSestava->DataToRawColumn(0));
    dblblPopisSestavy->setText(mtSestava.IsEmpty() ? QString() : mtSestava.FieldByName("Popis")->AsString());
    ComboBoxPrinter1->FillPrinters(printerIndex);
    ApplyMode();
}

void TfrmTisk::ApplyMode() {
    const bool exporting = IsExportModule(module_);
    gbxExtFunc->setTitle(QString::fromUtf8(exporting ? kExtFuncExport : kExtFuncPrint));
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBoxPrinter1, lblOdStr, lblDoStr, lblPocetKopii,
                                                      edtOdStr, edtDoStr, edtPocetKopii})
        w->setEnabled(!exporting);
    miTiskarnaVychozi->setEnabled(!exporting);
    btnTisk->setVisible(!exporting);
    btnExport->setVisible(exporting);
    panExport->setVisible(exporting);
}

void TfrmTisk::UpdateEmailPanel() {
    panPosliEmail->setVisible(module_ == pmOffer && !mtSestava.IsEmpty() &&
                              CurrentKind() == TReportKind::Record);
}

void TfrmTisk::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateEmailPanel();
    grSestava->setFocus();
}

void TfrmTisk::closeEvent(QCloseEvent* event) {
    TVnDialog::closeEvent(event);
    if (event->isAccepted()) DeleteTempFiles();
}

void TfrmTisk::done(int result) {
    TVnDialog::done(result);
    DeleteTempFiles();
}

void TfrmTisk::DeleteTempFiles() {
    // A file the report program still holds open is left behind rather than stopping the close.
    for (const QString& path : tempFiles_) QFile::remove(path);
    tempFiles_.clear();
}

void TfrmTisk::SetDialogPanelsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{gbxPrinter, gbxPrintCopies, gbxExtFunc, grSestava,
                                                      panBtnSestava, chckUpravitSestavu, panButtons})
        w->setEnabled(enabled);
}

void TfrmTisk::RunJob(const QString& operationType) {
    if (PrepareReportData(operationType, QString()) != 0) return;
    if (RunReportPrinter() && module_ == pmOffer && CurrentKind() == TReportKind::Record) MarkOfferSent();
    if (!chckUpravitSestavu->isChecked()) accept();
}

void TfrmTisk::acbtnTiskExecute() {
    if (!btnTisk->isEnabled() || !btnTisk->isVisible()) return;
    RunJob("PRINT");
}

void TfrmTisk::acNahledExecute() {
    if (IsExportModule(module_)) {
        ShowInformation(QString::fromUtf8(kPreviewOnlyWhenPrinting));
        return;
    }
    RunJob("PREVIEW");
}

void TfrmTisk::btnExportClick() {
    const QString file = edtExportSoubor->text().trimmed();
    if (file.isEmpty()) {
        ShowInformation(QString::fromUtf8(kExportFileMissing));
        return;
    }
    if (module_ == pmPriceListGroupsExport || module_ == pmPriceListExport)
        SetSheetReportDataModule(*FCReport, TfrmTiskExpCeniku::Existing());
    if (!EnsureExportFolder(file)) return;
    const QString name = CurrentSoubor() + ReportFileExtension(module_);
    QString workbookTemplate = FindFileCaseInsensitive(PrintFolder, name);
    if (workbookTemplate.isEmpty()) {
        ShowWarning(QString::fromUtf8(kExportTemplateMissing).arg(PrintFolder + name) +
                    (CurrentOriginal() ? QString::fromUtf8(kReinstall) : QString()));
        return;
    }
    if (QFileInfo::exists(file)) {
        if (!AskQuestion(QString::fromUtf8(kExportOverwrite).arg(file))) return;
        // A file another program holds open must stay as it is, so it is not deleted under a lock.
        if (TestFileLockFree(file)) QFile::remove(file);
        if (QFileInfo::exists(file)) {
            ShowWarning(QString::fromUtf8(kExportInUse).arg(file));
            return;
        }
    }
    {
        TWorkingShown working(QString::fromUtf8(kExportRunning));
        try {
            GenerateSheetReport(*FCReport, workbookTemplate, file);
        } catch (const std::exception& e) {
            working.Hide();
            ShowError(QString::fromUtf8(kExportFailed).arg(QString::fromUtf8(e.what())));
            return;
        }
    }
    if (ShellOpen(file) == 31) {
        ShowInformation(QString::fromUtf8(kExportNoAssociation).arg(file));
        ShowInformation(QString::fromUtf8(kExportNeedViewer));
    }
}

void TfrmTisk::btnProchazetClick() {
    const QString chosen = PrintSaveDialog(ExtractFilePath(edtExportSoubor->text()),
                                           QString::fromUtf8(kSaveTitle), QString::fromUtf8(kSaveFilter));
    if (chosen.isEmpty()) return;
    edtExportSoubor->setText(QFileInfo(chosen).suffix().isEmpty() ? chosen + ".XLS" : chosen);
}

void TfrmTisk::SetDefaultPrinter() {
    if (!miTiskarnaVychozi->isEnabled()) return;
    pendingPrinter_ = ComboBoxPrinter1->SelectedPrinterIndex();
    printerChosen_ = true;
    ShowInformation(QString::fromUtf8(kPrinterMadeDefault).arg(ComboBoxPrinter1->SelectedPrinterName()));
}

void TfrmTisk::SetDefaultReport() {
    if (mtSestava.IsEmpty()) return;
    pendingReport_ = CurrentSoubor();
    ShowInformation(QString::fromUtf8(kReportMadeDefault).arg(mtSestava.FieldByName("Nazev")->AsString()));
}

void TfrmTisk::btnOpravitSestavuClick() {
    if (!btnOpravitSestavu->isEnabled() || mtSestava.IsEmpty()) return;
    if (CurrentOriginal() && !BuilderMode) {
        ShowInformation(QString::fromUtf8(kBuiltInNotEditable));
        return;
    }
    if (IsExportModule(module_)) {
        // A copy is written as ".XLS" and the shipped templates as ".xls": either is the template.
        const QString name = CurrentSoubor() + ".xls";
        const QString workbookTemplate = FindFileCaseInsensitive(PrintFolder, name);
        if (workbookTemplate.isEmpty()) {
            ShowWarning(QString::fromUtf8(kExportTemplateMissing).arg(PrintFolder + name) +
                        (CurrentOriginal() ? QString::fromUtf8(kReinstall) : QString()));
            return;
        }
        if (ShellOpen(workbookTemplate) == 31) ShowWarning(QString::fromUtf8(kNoXlsAssociation));
        return;
    }
    if (PrepareReportData("EDIT", QString()) == 0) RunReportPrinter();
}

void TfrmTisk::btnVyjmoutSestavuClick() {
    if (mtSestava.IsEmpty()) return;
    if (CurrentOriginal()) {
        ShowInformation(QString::fromUtf8(kBuiltInNotDeletable));
        return;
    }
    if (!AskQuestion(QString::fromUtf8(kConfirmReportDelete))) return;
    mtSestava.Delete();
    mtSestavaTag = 1;
}

void TfrmTisk::btnVytvoritKopiiClick() {
    if (mtSestava.IsEmpty()) return;
    if (EditReportProperties(true, false) == 0 && AskQuestion(QString::fromUtf8(kEditCopiedReport)))
        btnOpravitSestavuClick();
}

void TfrmTisk::btnVlastnostiSestavyClick() {
    if (!mtSestava.IsEmpty()) EditReportProperties(false, false);
}

void TfrmTisk::btnPridatSestavuClick() { EditReportProperties(false, true); }

void TfrmTisk::WriteDefinitions() {
    // Every user row counts, also those the opening's filter hides.
    const bool filtered = mtSestava.Filtered();
    mtSestava.SetFiltered(false);
    TADOCommand& command = frmMain->adcGlobal1;
    auto exec = [&](const QString& sql, const std::vector<std::pair<QString, QVariant>>& params) {
        command.SetCommandText(sql);
        for (const auto& [name, value] : params) command.Parameters.ParamByName(name)->Value = value;
        command.Execute();
    };
    struct TListRow {
        int Id;
        QString Nazev, Soubor, Popis;
        int TypSest;
    };
    std::vector<TListRow> rows;
    for (mtSestava.First(); !mtSestava.Eof(); mtSestava.Next()) {
        if (mtSestava.FieldByName("Original")->AsBoolean()) continue;
        rows.push_back({mtSestava.FieldByName("ID")->AsInteger(), mtSestava.FieldByName("Nazev")->AsString(),
                        mtSestava.FieldByName("Soubor")->AsString(),
                        mtSestava.FieldByName("Popis")->AsString(),
                        mtSestava.FieldByName("TypSest")->AsInteger()});
    }
    mtSestava.SetFiltered(filtered);
    for (const TStoredRow& s : stored_) {
        const auto it =
            std::find_if(rows.begin(), rows.end(), [&](const TListRow& r) { return r.Id == s.Id; });
        if (it == rows.end()) {
            exec("DELETE FROM Sestavy WHERE ID = :ID", {{"ID", s.Id}});
        } else if (it->Nazev != s.Nazev || it->Soubor != s.Soubor || it->Popis != s.Popis ||
                   it->TypSest != s.TypSest) {
            exec(
                "UPDATE Sestavy SET Nazev = :Nazev, Soubor = :Soubor, Popis = :Popis, TypSest = :TypSest "
                "WHERE ID = :ID",
                {{"Nazev", it->Nazev},
                 {"Soubor", it->Soubor},
                 {"Popis", it->Popis},
                 {"TypSest", it->TypSest},
                 {"ID", s.Id}});
        }
    }
    for (const TListRow& r : rows) {
        if (r.Id != 0) continue;
        exec(
            "INSERT INTO Sestavy (Nazev, Soubor, Popis, IDModulu, TypSest) VALUES (:Nazev, :Soubor, :Popis, "
            ":IDModulu, :TypSest)",
            {{"Nazev", r.Nazev},
             {"Soubor", r.Soubor},
             {"Popis", r.Popis},
             {"IDModulu", module_},
             {"TypSest", r.TypSest}});
    }
}

int ShowPrintDialog(int module, const QString& filter) {
    TfrmTisk dialog(module, ApplicationMainWindow());
    dialog.Prepare(filter);
    dialog.exec();
    dialog.Finish();
    return 0;
}

bool EnsureExportFolder(const QString& path) {
    const QString folder = ExtractFilePath(path).trimmed();
    if (folder.isEmpty()) {
        ShowInformation(QString::fromUtf8(kExportFolderMissing));
        return false;
    }
    if (DirectoryExists(folder)) return true;
    if (!AskQuestion(QString::fromUtf8(kExportFolderCreate).arg(folder))) return false;
    // One level only: a mistyped path should not leave a trail of new folders behind.
    if (QDir().mkdir(folder)) return true;
    ShowError(QString::fromUtf8(kExportFolderFailed).arg(folder));
    return false;
}
