// The import wizard. One opening carries out at most one run; once a run has started the wizard
// only shows its protocol until it is closed. The per-statement change stamps are switched off
// around a run and always switched on again, whatever ends the run or the wizard.
#include "import/ImportMain.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "import/ImportNastaveni.h"
#include "platform/data/Field.h"
#include "platform/text/DateFormat.h"
#include "platform/text/OleDate.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kHeader =
    "Pomocí tohoto průvodce můžete naimportovat ceník nebo adresář z různých databází. Tato funkce Vám také "
    "umožní ceník aktualizovat (dostáváte-li ho v elektronické podobě od Vašich dodavatelů) nebo "
    "synchronizovat adresář s Vaším ekonom. systémem.";
const char* const kWarningTitle = "Varování:";
const char* const kWarningText =
    "                    import může zásadním způsobem ovlivnit Vaše data, provedené změny však budou "
    "NEVRATNÉ. "
    "Před použitím této funkce je proto důrazně doporučeno provést zálohu dat                    (v hlavním "
    "menu volbou Ostatní / Zálohování / Vytvoření zálohy).";
const char* const kNetWarning =
    "Upozornění: na některé další stanici v síti je nyní spuštěný tento program - to sice přímo "
    "neznemožňuje použití této funkce, celá operace však může být výrazně pomalejší. Pokud je to možné, "
    "ukončete na "
    "ostatních stanicích program.";
const char* const kContinue = "Pokračovat můžete tlačítkem [Další]";
const char* const kLoading = "Načítání seznamu, prosím čekejte ...";
const char* const kChooseDefinition = "Vyberte importní definici:";
const char* const kPreparing = "Příprava importu, prosím čekejte ...";
const char* const kMoneyText =
    "Nyní je vše připraveno na import dat z ekonomického systému Money. <font color=red>Důležité "
    "upozornění:</font> na žádné stanici v síti nesmí po dobu importu probíhat operace v Money, vyžadující "
    "jedinečný přístup (zálohování dat, reindexace databází, přepočet pořizovacích cen apod.).";
const char* const kProtocolTitle = "Protokol importu:";
const char* const kImportError = "V průběhu importu dat došlo k chybě!";
const char* const kBeforeStart =
    "Klepnutím na tlačítko [Další] zahájíte import dat ze zdrojového souboru. Během importu není vhodné "
    "pořizovat nebo měnit data na ostatních stanicích v síti.";
const char* const kFileLabel = "Název zdrojového souboru";
const char* const kBeforeStartEnd = "Klepnutím na tlačítko [Další] zahájíte import dat.";
const char* const kAddItems = "definici pro import ceníku";
const char* const kAddAddresses = "definici pro import adresáře firem";
const char* const kChooseSourceTitle = "Vyberte zdrojový soubor";
const char* const kAllFilesFilter = "Všechny soubory (*.*)|*.*";
const char* const kSaveTitle = "Uložit do souboru";
const char* const kSaveFilter = "Textové soubory (*.TXT)|*.TXT|Všechny soubory (*.*)|*.*";

// A "text|pattern|text|pattern" filter as the file dialog wants it.
QString DialogFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].section('(', 0, 0).trimmed();
        filters << name + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    }
    return filters.join(";;");
}

QString SaveProtocolDialog(QWidget* parent) {
    QFileDialog dialog(parent, QString::fromUtf8(kSaveTitle), QString(),
                       DialogFilter(QString::fromUtf8(kSaveFilter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("TXT");
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().front()
               : QString();
}

QString RunStamp() {
    const TDateTime now = Now();
    return DateToStr(now) + " " + TimeToStr(now) + " hod";
}

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

std::function<QString(QWidget* parent)> ChooseProtocolFile = SaveProtocolDialog;

TfrmImportMain::TfrmImportMain(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmImportMain");
    setWindowTitle(QString::fromUtf8(kImportCaption));
    adqImportDef.SetConnection(&frmMain->ADOConAgenda);
    auto* layout = new QVBoxLayout(this);
    auto* header = WrappedLabel(QString::fromUtf8(kHeader), this);
    header->setObjectName("lblHlavicka");
    layout->addWidget(header);

    pgcMain = new QStackedWidget(this);
    pgcMain->setObjectName("pgcMain");
    layout->addWidget(pgcMain, 1);

    // 0: welcome
    auto* welcome = new QWidget(pgcMain);
    welcome->setObjectName("tsWelcome");
    auto* w = new QVBoxLayout(welcome);
    auto* warningTitle = new QLabel(QString::fromUtf8(kWarningTitle), welcome);
    warningTitle->setStyleSheet("color: red; font-weight: bold");
    w->addWidget(warningTitle);
    w->addWidget(WrappedLabel(QString::fromUtf8(kWarningText), welcome));
    lblNetUpozorneni = WrappedLabel(QString::fromUtf8(kNetWarning), welcome);
    lblNetUpozorneni->setObjectName("lblNetUpozorneni");
    w->addWidget(lblNetUpozorneni);
    w->addWidget(new QLabel(QString::fromUtf8(kContinue), welcome));
    lblNacitani = new QLabel(QString::fromUtf8(kLoading), welcome);
    lblNacitani->setObjectName("lblNacitani");
    lblNacitani->hide();
    w->addWidget(lblNacitani);
    w->addStretch();
    pgcMain->addWidget(welcome);

    // 1: the definitions
    auto* choose = new QWidget(pgcMain);
    choose->setObjectName("tsVyberDef");
    auto* c = new QVBoxLayout(choose);
    c->addWidget(new QLabel(QString::fromUtf8(kChooseDefinition), choose));
    auto* buttons = new QHBoxLayout;
    btnPridat = AddButton(choose, buttons, "btnPridat", QString::fromUtf8("Přidat"));
    popPridat = new QMenu(btnPridat);
    popPridat->setObjectName("popPridat");
    QAction* addItems = popPridat->addAction(QString::fromUtf8(kAddItems));
    addItems->setObjectName("miPridatCenik");
    QAction* addAddresses = popPridat->addAction(QString::fromUtf8(kAddAddresses));
    addAddresses->setObjectName("miPridatAdresar");
    btnPridat->setMenu(popPridat);
    btnOpravit = AddButton(choose, buttons, "btnOpravit", QString::fromUtf8("Opravit"));
    btnKopirovat = AddButton(choose, buttons, "btnKopirovat", QString::fromUtf8("Kopírovat"));
    btnVyjmout = AddButton(choose, buttons, "btnVyjmout", QString::fromUtf8("Vyjmout"));
    buttons->addStretch();
    c->addLayout(buttons);
    grDefImport = MakeListGrid(choose, "grDefImport", &dsImportDef, {{"Nazev", QString::fromUtf8("Název")}});
    c->addWidget(grDefImport, 1);
    lblPopis = WrappedLabel(QString(), choose);
    lblPopis->setObjectName("lblPopis");
    c->addWidget(lblPopis);
    lblPriprava = new QLabel(QString::fromUtf8(kPreparing), choose);
    lblPriprava->setObjectName("lblPriprava");
    lblPriprava->hide();
    c->addWidget(lblPriprava);
    pgcMain->addWidget(choose);
    connect(addItems, &QAction::triggered, this,
            [this] { OpenDefinition(true, int(TImportType::Items), false); });
    connect(addAddresses, &QAction::triggered, this,
            [this] { OpenDefinition(true, int(TImportType::Addresses), false); });
    connect(btnOpravit, &QPushButton::clicked, this, [this] {
        if (btnOpravit->isEnabled())
            OpenDefinition(false, adqImportDef.FieldByName("TypOperace")->AsInteger(), false);
    });
    connect(btnKopirovat, &QPushButton::clicked, this, [this] {
        if (btnKopirovat->isEnabled())
            OpenDefinition(false, adqImportDef.FieldByName("TypOperace")->AsInteger(), true);
    });
    connect(btnVyjmout, &QPushButton::clicked, this, [this] { btnVyjmoutClick(); });
    grDefImport->OnCellDblClick = [this](TColumn*) { btnOpravit->click(); };
    dsImportDef.OnDataChange = [this](TDataSource*, TField* field) {
        if (field == nullptr) UpdateDescription();
    };

    // 2: before the accounting program's import
    auto* money = new QWidget(pgcMain);
    money->setObjectName("tsMoneyBeforeStart");
    auto* m = new QVBoxLayout(money);
    m->addWidget(WrappedLabel(QString::fromUtf8(kMoneyText), money));
    m->addStretch();
    pgcMain->addWidget(money);

    // 3: the protocol
    auto* protocol = new QWidget(pgcMain);
    protocol->setObjectName("tsProtocol");
    auto* p = new QVBoxLayout(protocol);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromUtf8(kProtocolTitle), protocol));
    lblImportError = new QLabel(QString::fromUtf8(kImportError), protocol);
    lblImportError->setObjectName("lblImportError");
    lblImportError->setStyleSheet("color: red; font-weight: bold");
    lblImportError->hide();
    top->addWidget(lblImportError);
    top->addStretch();
    btnUlozitProtokol = AddButton(protocol, top, "btnUlozitProtokol", QString::fromUtf8("Uložit protokol"));
    p->addLayout(top);
    reProtocol = new QTextEdit(protocol);
    reProtocol->setObjectName("reProtocol");
    reProtocol->setReadOnly(true);
    reProtocol->setAcceptRichText(false);
    reProtocol->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    p->addWidget(reProtocol, 1);
    pbImport = new QProgressBar(protocol);
    pbImport->setObjectName("pbImport");
    pbImport->setRange(0, 100);
    pbImport->setValue(0);
    p->addWidget(pbImport);
    pgcMain->addWidget(protocol);
    connect(btnUlozitProtokol, &QPushButton::clicked, this, [this] { btnUlozitProtokolClick(); });

    // 4: before the run
    auto* before = new QWidget(pgcMain);
    before->setObjectName("tsImportBeforeStart");
    auto* b = new QVBoxLayout(before);
    b->addWidget(WrappedLabel(QString::fromUtf8(kBeforeStart), before));
    b->addWidget(new QLabel(QString::fromUtf8(kFileLabel), before));
    auto* file = new QHBoxLayout;
    edtNazevSouboru = new QLineEdit(before);
    edtNazevSouboru->setObjectName("edtNazevSouboru");
    file->addWidget(edtNazevSouboru, 1);
    btnNazevSouboru = AddButton(before, file, "btnNazevSouboru", "...");
    b->addLayout(file);
    b->addWidget(new QLabel(QString::fromUtf8(kBeforeStartEnd), before));
    b->addStretch();
    pgcMain->addWidget(before);
    connect(btnNazevSouboru, &QPushButton::clicked, this, [this] {
        const QString name =
            ChooseImportFile(this, QString::fromUtf8(kChooseSourceTitle), QString::fromUtf8(kAllFilesFilter));
        if (!name.isEmpty()) edtNazevSouboru->setText(name);
    });

    auto* foot = new QHBoxLayout;
    btnPrerusit = AddButton(this, foot, "btnPrerusit", QString::fromUtf8("Přerušit"));
    foot->addStretch();
    btnZpet = AddButton(this, foot, "btnZpet", QString::fromUtf8("< Zpět"));
    btnDalsi = AddButton(this, foot, "btnDalsi", QString::fromUtf8("Další >"));
    btnZavrit = AddButton(this, foot, "btnZavrit", QString::fromUtf8("Zavřít"));
    layout->addLayout(foot);
    connect(btnPrerusit, &QPushButton::clicked, this, [] { WorkingCancelled = true; });
    connect(btnZpet, &QPushButton::clicked, this, [this] { btnZpetClick(); });
    connect(btnDalsi, &QPushButton::clicked, this, [this] { btnDalsiClick(); });
    connect(btnZavrit, &QPushButton::clicked, this, [this] { accept(); });

    Editor = new TfrmImportNastaveni(this);
    resize(640, 480);
}

TfrmImportMain::~TfrmImportMain() {
    dsImportDef.OnDataChange = nullptr;
    dsImportDef.SetDataSet(nullptr);
    adqImportDef.Close();
}

void TfrmImportMain::UpdateDescription() {
    const bool any = adqImportDef.Active() && !adqImportDef.IsEmpty();
    lblPopis->setText(any ? adqImportDef.FieldByName("Popis")->AsString() : QString());
}

int TfrmImportMain::LoadDefinitionList() {
    QCoreApplication::processEvents();
    lblNacitani->show();
    QCoreApplication::processEvents();
    adqImportDef.Close();
    adqImportDef.SetSQL("SELECT * FROM Import");
    adqImportDef.Open();
    dsImportDef.SetDataSet(&adqImportDef);
    lblNacitani->hide();
    UpdateDescription();
    return 0;
}

void TfrmImportMain::UpdateDefinitionButtons() {
    const bool any = adqImportDef.Active() && !adqImportDef.IsEmpty();
    btnOpravit->setEnabled(any);
    btnKopirovat->setEnabled(any);
    btnVyjmout->setEnabled(any);
}

void TfrmImportMain::ShowPage(TPage page) {
    if (page == tsProtocol) {
        // The run uses the scratch queries; the list must not follow what they do meanwhile.
        dsImportDef.SetDataSet(nullptr);
        lblPopis->clear();
        lblImportError->hide();
        btnPrerusit->show();
    }
    pgcMain->setCurrentIndex(page);
}

void TfrmImportMain::OpenDefinition(bool isNew, int type, bool copy) {
    EditImportDefinition(*this, isNew, type, copy);
    UpdateDefinitionButtons();
}

void TfrmImportMain::btnDalsiClick() {
    switch (pgcMain->currentIndex()) {
        case tsWelcome:
            LoadDefinitionList();
            if (!adqImportDef.Locate("ID", LastImportDefinitionID)) adqImportDef.First();
            lblNacitani->hide();
            btnZpet->show();
            ShowPage(tsVyberDef);
            UpdateDefinitionButtons();
            break;
        case tsVyberDef: {
            if (adqImportDef.IsEmpty()) {
                ShowInformation(QString::fromUtf8(kImportEmptyList));
                return;
            }
            const int type = adqImportDef.FieldByName("TypOperace")->AsInteger();
            TAccessLevel needed = TAccessLevel::Full;
            if (type == int(TImportType::Items)) needed = CurrentUser.Cenik_AR;
            if (type == int(TImportType::Addresses)) needed = CurrentUser.Adresar_AR;
            if (needed >= TAccessLevel::ReadOnly) {
                TUser::ShowNoRightsMessage();
                return;
            }
            LastImportDefinitionID = adqImportDef.FieldByName("ID")->AsInteger();
            if (type == int(TImportType::Items) || type == int(TImportType::Addresses)) {
                lblPriprava->show();
                Editor->memNastaveni->setPlainText(adqImportDef.FieldByName("Nastaveni")->AsString());
                Editor->LoadImportDefinition(type, false);
                edtNazevSouboru->setText(Editor->edtNazevSouboru->text());
                lblPriprava->hide();
                ShowPage(tsImportBeforeStart);
            } else if (type == int(TImportType::Accounting)) {
                QCoreApplication::processEvents();
                lblPriprava->show();
                QCoreApplication::processEvents();
                ShowPage(tsMoneyBeforeStart);
            }
            break;
        }
        case tsMoneyBeforeStart:
            ShowPage(tsProtocol);
            btnDalsi->hide();
            btnZpet->hide();
            if (RunAccountingImport() != 0) lblImportError->show();
            break;
        case tsImportBeforeStart:
            if (edtNazevSouboru->text().trimmed().isEmpty()) {
                ShowWarning(QString::fromUtf8(kImportNoFile));
                return;
            }
            Editor->edtNazevSouboru->setText(edtNazevSouboru->text());
            Editor->UpdateSourceControls();
            ShowPage(tsProtocol);
            btnDalsi->hide();
            btnZpet->hide();
            if (RunImport()) lblImportError->show();
            break;
        default:
            break;
    }
}

void TfrmImportMain::btnZpetClick() {
    switch (pgcMain->currentIndex()) {
        case tsVyberDef:
            btnZpet->hide();
            lblNacitani->hide();
            ShowPage(tsWelcome);
            break;
        case tsMoneyBeforeStart:
        case tsImportBeforeStart:
            lblPriprava->hide();
            ShowPage(tsVyberDef);
            break;
        default:
            break;
    }
}

bool TfrmImportMain::RunImport() {
    btnZavrit->hide();
    QCoreApplication::processEvents();
    reProtocol->clear();
    lines_.clear();
    AddProtocolLine(QString::fromUtf8(kImportRunStart) + RunStamp(), TProtocolKind::Bold);
    AddProtocolLine(QString(), TProtocolKind::Plain);
    const int type = Editor->TypOperace;
    const TImportDefinition def = Editor->Definition();
    // Whatever ends the run, the per-statement stamps come back on and the tables are stamped.
    struct TStamps {
        QStringList tables;
        explicit TStamps(QStringList t) : tables(std::move(t)) {
            ChangeStampsSuspended = false;
            for (const QString& table : tables) TableChangeStamp(tsWrite, table);
            ChangeStampsSuspended = true;
        }
        ~TStamps() {
            ChangeStampsSuspended = false;
            for (const QString& table : tables) TableChangeStamp(tsWrite, table);
        }
    };
    int result = 0;
    if (type == int(TImportType::Items)) {
        TStamps stamps({"ZASOBY", "SKUPINY"});
        result = ImportPriceListItems(def, *this);
    } else if (type == int(TImportType::Addresses)) {
        TStamps stamps({"ADRESAR"});
        result = ImportAddresses(def, *this);
    }
    if (result != 0) {
        btnZavrit->show();
        return true;
    }
    // A run that came to its end shows a full bar, not the empty one it started with; a cancelled
    // one stopped short and shows none. Either way the closing line tells that nothing runs any
    // more.
    if (!WorkingCancelled) pbImport->setValue(pbImport->maximum());
    AddProtocolLine(QString(), TProtocolKind::Plain);
    AddProtocolLine(QString::fromUtf8(kImportRunDone) + RunStamp(), TProtocolKind::Bold);
    btnZavrit->show();
    btnPrerusit->hide();
    return false;
}

int TfrmImportMain::RunAccountingImport() {
    btnZavrit->hide();
    QCoreApplication::processEvents();
    reProtocol->clear();
    lines_.clear();
    AddProtocolLine(QString::fromUtf8(kMoneyRunStart) + RunStamp(), TProtocolKind::Bold);
    AddProtocolLine(QString(), TProtocolKind::Plain);
    Editor->memNastaveni->setPlainText(adqImportDef.FieldByName("Nastaveni")->AsString());
    const TAccountingDefinition def = ReadAccountingDefinition(Editor->memNastaveni->toPlainText());
    adqImportDef.Close();
    const bool failed = ImportAccountingDocuments(def, MoneyTables, *this);
    btnZavrit->show();
    if (failed) return -1;
    if (!WorkingCancelled) pbImport->setValue(pbImport->maximum());
    AddProtocolLine(QString(), TProtocolKind::Plain);
    AddProtocolLine(QString::fromUtf8(kMoneyRunDone) + RunStamp(), TProtocolKind::Bold);
    AddProtocolLine(QString(), TProtocolKind::Plain);
    AddProtocolLine(QString(), TProtocolKind::Plain);
    btnPrerusit->hide();
    return 0;
}

void TfrmImportMain::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    if (CurrentUser.Import_AR != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    if (RequeryAndLocate(adqImportDef) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        UpdateDefinitionButtons();
        return;
    }
    const int id = adqImportDef.FieldByName("ID")->AsInteger();
    if (TestRecordLock(GlobalRecordLockPath("Import", id))) {
        ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        return;
    }
    if (!AskQuestion(QString::fromUtf8(kImportConfirmDelete))) return;
    const int standOn = GetIDAfterDelete(adqImportDef, "ID");
    ExecAgenda("DELETE FROM Import WHERE ID = " + QString::number(id));
    adqImportDef.Requery();
    adqImportDef.Locate("ID", standOn);
    UpdateDefinitionButtons();
}

void TfrmImportMain::btnUlozitProtokolClick() {
    const QString name = ChooseProtocolFile(this);
    if (name.isEmpty()) return;
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ShowError(QString::fromUtf8("Soubor ") + name + QString::fromUtf8(" nelze uložit."));
        return;
    }
    file.write(ProtocolLines().join("\r\n").toUtf8() + "\r\n");
}

QStringList TfrmImportMain::ProtocolLines() const { return lines_; }

void TfrmImportMain::AddProtocolLine(const QString& text, TProtocolKind kind) {
    QCoreApplication::processEvents();
    QTextDocument* document = reProtocol->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (kind == TProtocolKind::RemoveLast) {
        if (lines_.isEmpty()) return;
        lines_.removeLast();
        if (lines_.isEmpty()) {
            document->clear();
        } else {
            // From the end of the line before to the end of the document.
            cursor.movePosition(QTextCursor::StartOfBlock);
            cursor.movePosition(QTextCursor::PreviousCharacter);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    } else {
        QTextCharFormat format;
        if (kind == TProtocolKind::Bold || kind == TProtocolKind::Green) format.setFontWeight(QFont::Bold);
        if (kind == TProtocolKind::Green) format.setForeground(QColor(0, 128, 0));
        if (kind == TProtocolKind::Red) format.setForeground(QColor(255, 0, 0));
        if (!lines_.isEmpty()) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(text, format);
        lines_ << text;
    }
    reProtocol->verticalScrollBar()->setValue(reProtocol->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
}

void TfrmImportMain::SetProgressMax(int maximum) { pbImport->setMaximum(std::max(maximum, 1)); }
void TfrmImportMain::SetProgress(int position) {
    pbImport->setValue(std::min(position, pbImport->maximum()));
}
int TfrmImportMain::ProgressMax() const { return pbImport->maximum(); }

bool ShowImportWizard() {
    if (CurrentUser.Import_AR == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return true;
    }
    TfrmImportMain wizard(ApplicationMainWindow());
    // Another station in the main database only slows the import down; the user is told, no more.
    bool othersPresent = false;
    TADOConnection& global = frmMain->ADOConGlobal;
    if (global.Connected()) {
        const QString path = global.FileName();
        const QString password = global.Password();
        othersPresent = JetLockProbe(global, global.PresenceFileName());
        global.Open(path, password);
    }
    wizard.lblNetUpozorneni->setVisible(othersPresent);
    wizard.LoadDefinitionList();
    wizard.ShowPage(TfrmImportMain::tsWelcome);
    wizard.btnDalsi->show();
    wizard.btnZavrit->show();
    wizard.btnZpet->hide();
    wizard.btnPrerusit->hide();
    WorkingCancelled = false;
    struct TThaw {
        ~TThaw() {
            ChangeStampsSuspended = false;
            ImportConnection().Close();
        }
    } thaw;
    wizard.exec();
    return false;
}
