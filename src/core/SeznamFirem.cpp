#include "core/SeznamFirem.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/Poznamky.h"
#include "core/PurchasePrices.h"
#include "core/Startup.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "core/VyberLocNet.h"
#include "core/Working.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/Presence.h"
#include "platform/files/FileUtils.h"
#include "platform/files/IniFile.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/DirectoryEdit.h"
#include "pricelist/Sklady.h"
#include "widgets/VnDBGrids.h"

std::function<bool(const QString& program)> StartDatabaseTool = [](const QString& program) {
    return FileExists(program) && QProcess::startDetached(program, {}, ExtractFilePath(program));
};

std::function<int(TfrmSeznamFirem& window)> ExecFirmListDialog = [](TfrmSeznamFirem& window) {
    return window.exec();
};

namespace {

const char* const kCaption = "Seznam firem";
const char* const kLoading = "Načítám seznam firem\rprosím čekejte...";
const char* const kWaitOnly = "\rprosím čekejte...";
const char* const kOpenFailed = "Při otevření firmy došlo k chybě, program bude ukončen.";
const char* const kAddQuestion = "Tato funkce přidá novou firmu. Chcete pokračovat ?";
const char* const kAdding = "Vytvářím novou firmu\rprosím čekejte...";
const char* const kAddingDemo = "Vytvářím DEMO firmu\rprosím čekejte...";
const char* const kTemplateMissing = "Nebyl nalezen zdrojový soubor %1 Proveďte reinstalaci programu!";
const char* const kCopyFailed = "Při kopírování souboru %1 na %2 došlo k chybě.";
const char* const kNoFreeName = "Nelze vytvořit novou firmu: všechny názvy Firma1 až Firma%1 jsou obsazené.";
const char* const kActiveFirm = "Aktivní firmu nelze mazat.";
const char* const kDeleteQuestion =
    "Tato funkce nenávratně smaže vybranou firmu z disku! Před smazáním proto doporučujeme zálohu dat: "
    "stiskněte NE, otevřete firmu (kterou chcete smazat) a zvolte Ostatní/Zálohování/Vytvoření zálohy."
    "\r\rOpravdu chcete pokračovat ?";
const char* const kDeleteCaption = "Potvrzení";
const char* const kDeletePrompt =
    "Pokud chcete opravdu smazat vybranou firmu, napište do políčka tento kontrolní řetězec:\r\r";
const char* const kPhraseWrong = "Kontrolní řetězec nebyl správně zadán, firma nebude smazána.";
const char* const kDeleteFailed = "Firmu se nepodařilo smazat, je pravděpodobně používána jiným uživatelem.";
const char* const kDemoName = "DEMO - fiktivní firma";
const char* const kRedirectQuestion =
    "Upozornění: funkce \"přesměrování datové složky\" je určena pouze pro zkušené uživatele.\r\r"
    "Opravdu chcete pokračovat a zadat nové umístění datové složky?";
const char* const kCannotCreate = "Chyba : nelze vytvořit adresář ";
const char* const kRedirected =
    "Datová složka bude přesměrována až po opětovném spuštění.\r\rProgram se proto nyní ukončí.";
const char* const kToolQuestion =
    "Tato volba spustí externí nástroj \"Správa databází\" - je však nutné zabezpečit jedinečný přístup ke "
    "všem databázím, tzn. ukončit program na všech stanicích v síti.\r\rJe tato podmínka splněna (volba Ano "
    "zároveň ukončí program na této stanici) ?";
const char* const kToolMissing =
    "Program \"Správa databází\" není nainstalován - proveďte reinstalaci programu.";
const char* const kInitializing = "Inicializace databáze\rprosím čekejte...";
const char* const kSheetNotFound = "Chyba: nelze nalézt nově vložený záznam!";
const char* const kSheetSaveFailed =
    "Při ukládání záznamu do \"Sklady\" došlo k chybě: metoda \"Execute\" selhala.";
const char* const kNewFirmName = "<bez názvu>";
const char* const kFirmNameDescription = "Firma - název";
const char* const kFirstSheetName = "List 1";
const char* const kDatabaseTool = "meldran";
const char* const kMainDbFile = "GLOBAL.MDB";
constexpr int kNameColumnWidth = 325;
constexpr int kFileColumnWidth = 165;

// The right to the firm list: full for deleting and redirecting, without deleting for adding and
// the database tool, and no access keeps even the list closed.
constexpr TAccessLevel kLevelAll = TAccessLevel::Full;
constexpr TAccessLevel kLevelAdd = TAccessLevel::NoDelete;
constexpr TAccessLevel kLevelNone = TAccessLevel::NoAccess;

QString Upper(const QString& text) { return QLocale(QLocale::Czech).toUpper(text); }

QString OpenFirmFile() { return Upper(CurrentFirm) + ".MDB"; }

// The file names of the firm databases in the data folder, upper-cased: "*.MDB" in any case of the
// extension, hidden files too, the main database left out.
QStringList FirmFiles() {
    QStringList files;
    const QDir folder(DataFolder);
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.suffix().compare("MDB", Qt::CaseInsensitive) != 0) continue;
        const QString name = Upper(entry.fileName());
        if (name == kMainDbFile) continue;
        files << name;
    }
    return files;
}

// The firm's display name read through the import connection; false when the file is no firm
// database this program can open.
bool ReadFirmName(const QString& file, QString& name) {
    TADOConnection& con = frmMain->ADOConImport;
    con.Close();
    try {
        con.Open(FindFileCaseInsensitive(DataFolder, file), FirmDbPassword);
        const auto rows = con.OpenRowset("SELECT Hodnota FROM Nastaveni WHERE IDHodnoty = 1");
        name = rows->RowCount() > 0 ? rows->Value(0, 0).toString() : QString();
    } catch (const EDatabaseError&) {
        con.Close();
        return false;
    }
    con.Close();
    return true;
}

// Copies a template to a new firm file. False after telling the user why.
bool CopyFirmTemplate(const QString& templateName, const QString& target) {
    const QString templatePath = ProgramFolder + "Res/" + templateName;
    if (!FileExists(templatePath)) {
        ShowWorking(false);
        ShowError(QString::fromUtf8(kTemplateMissing).arg(templatePath));
        return false;
    }
    // An existing firm is never overwritten.
    CopyFileKeepDate(templatePath, target, true);
    if (!FileExists(target)) {
        ShowWorking(false);
        ShowError(QString::fromUtf8(kCopyFailed).arg(templatePath, target));
        return false;
    }
    return true;
}

// A new firm gets its offer number series and its name row when it is first opened, after the
// structure check.
void SeedNewFirm() {
    TADOCommand& command = frmMain->adcAgenda1;
    command.SetCommandText(
        "INSERT INTO CisRady (PrefixOzn, Cislo, PocetMist, ModulOzn) VALUES (:PrefixOzn, :Cislo, :PocetMist, "
        ":ModulOzn)");
    command.Parameters.ParamByName("PrefixOzn")->Value = "NB";
    command.Parameters.ParamByName("Cislo")->Value = 1;
    command.Parameters.ParamByName("PocetMist")->Value = 5;
    command.Parameters.ParamByName("ModulOzn")->Value = "NB";
    command.Execute();
    command.SetCommandText(
        "INSERT INTO Nastaveni (IDHodnoty, Hodnota, Popis) VALUES (:IDHodnoty, :Hodnota, :Popis)");
    command.Parameters.ParamByName("IDHodnoty")->Value = 1;
    command.Parameters.ParamByName("Hodnota")->Value = QString::fromUtf8(kNewFirmName);
    command.Parameters.ParamByName("Popis")->Value = QString::fromUtf8(kFirmNameDescription);
    command.Execute();
    frmMain->lblAgendaName->setText(QString::fromUtf8(kNewFirmName));
}

void EnsureFirstSheet() {
    TADOQuery& sheets = frmMain->adqSklady;
    sheets.Close();
    sheets.SetSQL("SELECT * FROM Sklady ORDER BY Poradi");
    sheets.Open();
    if (sheets.IsEmpty()) {
        TADOCommand& command = frmMain->adcAgenda1;
        command.SetCommandText("INSERT INTO Sklady (Poradi, Nazev, RepID) VALUES(:Poradi, :Nazev, :RepID)");
        command.Parameters.ParamByName("Poradi")->Value = 1;
        command.Parameters.ParamByName("Nazev")->Value = QString::fromUtf8(kFirstSheetName);
        command.Parameters.ParamByName("RepID")->Value = NewGuidString();
        if (command.Execute() == 0) {
            ShowError(QString::fromUtf8(kSheetSaveFailed));
        } else {
            command.SetCommandText("SELECT @@IDENTITY");
            const QVariant id = command.OpenRowset()->Value(0, 0);
            RequeryAndLocate(sheets);
            if (!sheets.Locate("ID", id))
                ShowError(QString::fromUtf8(kSheetNotFound));
            else
                CreateBasicGroup(id.toInt());
        }
    }
    sheets.Close();
}

}  // namespace

QString NextNewFirmFile() {
    for (int n = 1; n <= kMaxNewFirmNumber; ++n) {
        const QString name = "Firma" + QString::number(n) + ".MDB";
        if (FindFileCaseInsensitive(DataFolder, name).isEmpty()) return DataFolder + name;
    }
    return {};
}

namespace {

// Connects the firm and loads everything of it the program works with. False when the structure
// check refused it (it has told the user why); engine errors are raised.
bool ConnectAndLoadFirm(TADOConnection& con, const QString& path) {
    con.Open(path, FirmDbPassword);
    if (UpgradeFirmDatabase(con)) return false;
    ShowWorking(true, QString::fromUtf8(kInitializing));
    EnsureFirstSheet();
    LoadSessionState();
    FirmSettings(false);
    frmMain->lblAgendaName->setText(FirmName);
    return true;
}

}  // namespace

int OpenFirmDatabase() {
    ShowWorking(true, QString::fromUtf8(kInitializing));
    ChangeStampsSuspended = false;

    QString path = FindFileCaseInsensitive(DataFolder, CurrentFirm + ".MDB");
    if (path.isEmpty()) path = DataFolder + CurrentFirm + ".MDB";
    // Only the first station to open a firm starts its change stamps afresh; the others keep seeing
    // the stamps the stations before them wrote.
    if (!ProbePresence(PresenceFileOf(path))) TableChangeStamp(tsDelete, QString());

    TADOConnection& con = frmMain->ADOConAgenda;
    frmMain->CloseFirmDatasets();
    con.Close();
    // A firm that fails half-way (a damaged file, an upgrade the engine breaks off) is not left
    // connected: the settings, rates and name still loaded are the previous firm's, and anything
    // written meanwhile would land in this firm with them.
    std::exception_ptr error;
    bool opened = false;
    try {
        opened = ConnectAndLoadFirm(con, path);
    } catch (...) {
        error = std::current_exception();
    }
    if (opened) {
        ShowWorking(true, QString());
        return 0;
    }
    frmMain->CloseFirmDatasets();
    con.Close();
    ShowWorking(false);
    if (error) ShowUncaughtException(error);
    return -1;
}

int ShowFirmList(bool pickOnly, QString& fileName) {
    fileName.clear();
    if (CurrentUser.SeznamAgend_AR == kLevelNone) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    ShowWorking(true, QString::fromUtf8(kLoading));
    TfrmSeznamFirem window(pickOnly, frmMain);
    window.FillList();
    ShowWorking(false);

    const int result = ExecFirmListDialog(window) == QDialog::Accepted ? kFirmListOk : kFirmListCancel;
    if (result != kFirmListOk || window.mtSeznamFirem.IsEmpty()) return result;
    const QString chosen = window.mtSeznamFirem.FieldByName("Soubor")->AsString();
    const bool isNew = window.mtSeznamFirem.FieldByName("Nova")->AsBoolean();
    if (pickOnly) {
        fileName = chosen.left(chosen.size() - 4);
        return result;
    }
    CurrentFirm = chosen.left(chosen.size() - 4);
    if (OpenFirmDatabase() != 0) {
        ShowError(QString::fromUtf8(kOpenFailed));
        TerminateProgram();
        return result;
    }
    ShowWorking(true, QString::fromUtf8(kWaitOnly));
    LoadDesktopNotes(LastNoteID);
    frmMain->UpdateNoteButtons();
    if (isNew) {
        SeedNewFirm();
        ShowWorking(false);
        FirmSettings(true);
    }
    ShowWorking(false);
    return result;
}

// --- the window

TfrmSeznamFirem::TfrmSeznamFirem(bool pickOnly, QWidget* parent) : TVnDialog(parent), pickOnly_(pickOnly) {
    setObjectName("frmSeznamFirem");
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(560, 400);

    TFieldDefs& defs = mtSeznamFirem.FieldDefs();
    defs.Add("Nazev", ftString, 50);
    defs.Add("Soubor", ftString, 255);
    defs.Add("Nova", ftBoolean);
    mtSeznamFirem.CreateTable();
    dsSeznamFirem.SetDataSet(&mtSeznamFirem);

    auto* top = new QWidget(this);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(4, 4, 4, 4);
    auto addButton = [&](QPushButton*& button, const char* name, const char* caption) {
        button = new QPushButton(QString::fromUtf8(caption), top);
        button->setObjectName(name);
        button->setAutoDefault(false);
        topLayout->addWidget(button);
    };
    addButton(btnOk, "btnOk", pickOnly ? "OK" : "Otevřít");
    addButton(btnStorno, "btnStorno", "Storno");
    addButton(btnPridat, "btnPridat", "Přidat novou firmu");
    addButton(btnVyjmout, "btnVyjmout", "Vyjmout");
    addButton(btnPridatDemo, "btnPridatDemo", "DEMO");
    addButton(btnOpravitDB, "btnOpravitDB", "Opravit databáze");
    topLayout->addStretch();
    btnOk->setShortcut(QKeySequence(Qt::Key_Return));
    btnStorno->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(btnOk, &QPushButton::clicked, this, &TfrmSeznamFirem::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnPridat, &QPushButton::clicked, this, &TfrmSeznamFirem::btnPridatClick);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmSeznamFirem::btnVyjmoutClick);
    connect(btnPridatDemo, &QPushButton::clicked, this, &TfrmSeznamFirem::btnPridatDemoClick);
    connect(btnOpravitDB, &QPushButton::clicked, this, &TfrmSeznamFirem::btnOpravitDBClick);
    if (pickOnly) {
        btnPridat->hide();
        btnVyjmout->hide();
        btnOpravitDB->hide();
        btnPridatDemo->hide();
    }

    grSeznamFirem = new TVnDBGrid(this);
    grSeznamFirem->setObjectName("grSeznamFirem");
    grSeznamFirem->SetReadOnly(true);
    grSeznamFirem->SetOptions((grSeznamFirem->Options() | dgRowSelect) & ~dgEditing);
    grSeznamFirem->SetDataSource(&dsSeznamFirem);
    grSeznamFirem->Columns().Clear();
    const struct {
        const char* field;
        const char* title;
        int width;
    } kColumns[] = {{"Nazev", "Název firmy", kNameColumnWidth}, {"Soubor", "Databáze", kFileColumnWidth}};
    for (const auto& c : kColumns) {
        TColumn* column = grSeznamFirem->Columns().AddColumn();
        column->SetFieldName(c.field);
        column->Title()->SetCaption(QString::fromUtf8(c.title));
        column->SetWidth(c.width);
    }
    grSeznamFirem->OnCellDblClick = [this](TColumn*) { btnOkClick(); };

    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(4, 4, 4, 4);
    auto* lblSlozka = new QLabel(QString::fromUtf8("Datová složka:"), bottom);
    edtSlozkaData = new QLineEdit(bottom);
    edtSlozkaData->setObjectName("edtSlozkaData");
    edtSlozkaData->setReadOnly(true);
    edtSlozkaData->setText(DataFolder);
    btnVyberDatSlozky = new QPushButton("...", bottom);
    btnVyberDatSlozky->setObjectName("btnVyberDatSlozky");
    btnVyberDatSlozky->setToolTip(QString::fromUtf8("Změnit umístění datové složky"));
    btnVyberDatSlozky->setAutoDefault(false);
    btnVyberDatSlozky->setEnabled(!pickOnly);
    connect(btnVyberDatSlozky, &QPushButton::clicked, this, &TfrmSeznamFirem::btnVyberDatSlozkyClick);
    bottomLayout->addWidget(lblSlozka);
    bottomLayout->addWidget(edtSlozkaData, 1);
    bottomLayout->addWidget(btnVyberDatSlozky);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(top);
    layout->addWidget(grSeznamFirem, 1);
    layout->addWidget(bottom);

    AddPurchasePriceAction(this);
}

TfrmSeznamFirem::~TfrmSeznamFirem() {
    // The grid goes before the table and the source it shows.
    delete grSeznamFirem;
}

void TfrmSeznamFirem::FillList() {
    mtSeznamFirem.SetIndexName(QString());
    mtSeznamFirem.EmptyTable();
    mtSeznamFirem.DeleteIndex("Nazev");
    bool demoPresent = false;
    for (const QString& file : FirmFiles()) {
        QString name;
        if (file == OpenFirmFile() && frmMain->ADOConAgenda.Connected()) {
            // The open firm is not opened a second time.
            name = frmMain->lblAgendaName->text();
        } else if (!ReadFirmName(file, name)) {
            continue;
        }
        mtSeznamFirem.Append();
        mtSeznamFirem.FieldByName("Nazev")->SetAsString(name);
        mtSeznamFirem.FieldByName("Soubor")->SetAsString(file);
        mtSeznamFirem.FieldByName("Nova")->SetAsBoolean(false);
        mtSeznamFirem.Post();
        if (file == "DEMO.MDB") demoPresent = true;
    }
    mtSeznamFirem.AddIndex("Nazev", "Nazev");
    mtSeznamFirem.SetIndexName("Nazev");
    mtSeznamFirem.First();
    mtSeznamFirem.Locate("Soubor", OpenFirmFile(), loCaseInsensitive);
    btnPridatDemo->setVisible(!pickOnly_ && !demoPresent);
    UpdateButtons();
}

void TfrmSeznamFirem::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateButtons();
    // The keys move in the list from the start: Enter opens the firm the cursor stands on.
    grSeznamFirem->setFocus();
}

void TfrmSeznamFirem::UpdateButtons() {
    const bool hasRow = !mtSeznamFirem.IsEmpty();
    btnOk->setEnabled(hasRow);
    btnVyjmout->setEnabled(hasRow);
    btnOpravitDB->setEnabled(hasRow);
}

bool TfrmSeznamFirem::Allowed(TAccessLevel highestLevel) {
    if (CurrentUser.SeznamAgend_AR <= highestLevel) return true;
    TUser::ShowNoRightsMessage();
    return false;
}

void TfrmSeznamFirem::btnOkClick() {
    if (btnOk->isEnabled()) accept();
}

void TfrmSeznamFirem::btnPridatClick() {
    if (!Allowed(kLevelAdd)) return;
    if (!AskQuestion(QString::fromUtf8(kAddQuestion))) return;
    ShowWorking(true, QString::fromUtf8(kAdding));
    const QString target = NextNewFirmFile();
    if (target.isEmpty()) {
        ShowWorking(false);
        ShowError(QString::fromUtf8(kNoFreeName).arg(kMaxNewFirmNumber));
        return;
    }
    if (!CopyFirmTemplate(kEmptyFirmTemplate, target)) return;
    const QString file = Upper(ExtractFileName(target));
    mtSeznamFirem.Append();
    mtSeznamFirem.FieldByName("Soubor")->SetAsString(file);
    mtSeznamFirem.FieldByName("Nova")->SetAsBoolean(true);
    mtSeznamFirem.FieldByName("Nazev")->SetAsString(QString());
    mtSeznamFirem.Post();
    ShowWorking(false);
    mtSeznamFirem.Locate("Soubor", file);
    UpdateButtons();
    accept();
}

void TfrmSeznamFirem::btnVyjmoutClick() {
    if (!Allowed(kLevelAll) || mtSeznamFirem.IsEmpty()) return;
    const QString file = mtSeznamFirem.FieldByName("Soubor")->AsString();
    if (Upper(file) == OpenFirmFile()) {
        ShowInformation(QString::fromUtf8(kActiveFirm));
        return;
    }
    if (!AskQuestion(QString::fromUtf8(kDeleteQuestion))) return;
    const QString phrase = QString::fromUtf8(kDeleteFirmPhrase);
    QString answer;
    if (!AskInput(QString::fromUtf8(kDeleteCaption), QString::fromUtf8(kDeletePrompt) + phrase, answer) ||
        answer.isEmpty()) {
        UpdateButtons();
        return;
    }
    if (Upper(answer) != Upper(phrase)) {
        ShowWarning(QString::fromUtf8(kPhraseWrong));
        UpdateButtons();
        return;
    }
    const QString path = FindFileCaseInsensitive(DataFolder, file);
    // A file open at another station could be unlinked here all the same and that station would go on
    // writing into a firm nobody can see any more; its presence file says whether anyone has it open.
    const bool inUse = path.isEmpty() || ProbePresence(PresenceFileOf(path));
    if (inUse || !QFile::remove(path) || FileExists(path)) {
        ShowError(QString::fromUtf8(kDeleteFailed));
    } else {
        mtSeznamFirem.Delete();
    }
    UpdateButtons();
}

void TfrmSeznamFirem::btnPridatDemoClick() {
    if (!Allowed(kLevelAdd)) return;
    ShowWorking(true, QString::fromUtf8(kAddingDemo));
    if (!CopyFirmTemplate(kDemoFirmTemplate, DataFolder + QString::fromLatin1(kDefaultFirm) + ".MDB")) return;
    mtSeznamFirem.Append();
    mtSeznamFirem.FieldByName("Nazev")->SetAsString(QString::fromUtf8(kDemoName));
    mtSeznamFirem.FieldByName("Soubor")->SetAsString("DEMO.MDB");
    mtSeznamFirem.FieldByName("Nova")->SetAsBoolean(false);
    mtSeznamFirem.Post();
    btnPridatDemo->hide();
    ShowWorking(false);
    UpdateButtons();
}

void TfrmSeznamFirem::btnVyberDatSlozkyClick() {
    if (!Allowed(kLevelAll)) return;
    if (!AskQuestion(QString::fromUtf8(kRedirectQuestion))) return;
    TfrmVyberLocNet dialog(LocalDataFolder(), this);
    if (ExecDataFolderDialog(dialog) != QDialog::Accepted) return;
    QString folder;
    if (dialog.rbLokalni->isChecked()) {
        folder = dialog.edtLocSlozkaData->text();
        if (!ForceDirectories(folder)) {
            ShowError(QString::fromUtf8(kCannotCreate) + folder);
            return;
        }
    } else {
        folder = NormalizeFolderPath(dialog.edtNetSlozkaData->text());
    }
    TIniFile ini(ProgramIniPath());
    ini.WriteString("PATH", "DataPath", folder);
    ShowInformation(QString::fromUtf8(kRedirected));
    reject();
    TerminateProgram();
}

void TfrmSeznamFirem::btnOpravitDBClick() {
    if (!Allowed(kLevelAdd)) return;
    if (!AskQuestion(QString::fromUtf8(kToolQuestion))) return;
    if (!StartDatabaseTool(ProgramFolder + kDatabaseTool)) {
        ShowWarning(QString::fromUtf8(kToolMissing));
        return;
    }
    reject();
    SaveUserProfileAndExit();
}
