#include "exchange/Zalohovani.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/ExclusiveLock.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Startup.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/ZalObnov.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/files/FileSwap.h"
#include "platform/files/FileUtils.h"
#include "platform/files/IniFile.h"
#include "platform/files/ZipArchive.h"
#include "platform/text/DateFormat.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/DirectoryEdit.h"
#include "widgets/VnDBGrids.h"

std::function<TDateTime()> BackupClock = [] { return Now(); };

namespace {

const char* const kCaption = "Zálohování";
const char* const kBackupHelpPage = "pgZalohaVytvor.htm";
const char* const kRestoreHelpPage = "pgZalohaObnov.htm";

const char* const kOtherStation =
    "Zálohování nyní nelze spustit - na některé další stanici v síti je program stále spuštěný. Ukončete "
    "na všech stanicích tento program a zkuste to znovu.";
const char* const kCannotCreateLock = "Nelze vytvořit pomocný soubor ";
const char* const kRestoreDone =
    "Dokončeno - změny se projeví až po opětovném spuštění programu.\r\rProgram se proto nyní ukončí.";

const char* const kNoFolder = "Složka pro zálohování neexistuje - zadejte platnou složku.";
const char* const kOverwriteLast = "Soubor %1 již existuje, opravdu ho chcete přepsat ?";
const char* const kCannotOverwriteArchive = "Chyba : nelze přepsat záložní soubor ";
const char* const kCannotMakeTemp = "Chyba : nelze vytvořit TEMP soubor ";
const char* const kCreating = "Probíhá vytvoření záložní kopie\rprosím čekejte...";
const char* const kCreated = "Vytvoření záložní kopie proběhlo úspěšně.\r\rByl vytvořen záložní soubor ";
const char* const kCreateFailed = "Při vytváření záložního souboru %1 došlo k chybě.";

const char* const kListing = "Načítám seznam záložních souborů\rprosím čekejte...";
const char* const kRestoringFirm = "Probíhá obnova ze záložní kopie [firma]\rprosím čekejte...";
const char* const kRestoringFirmEnd =
    "Probíhá obnova ze záložní kopie [firma - dokončení]\rprosím čekejte...";
const char* const kRestoringGlobal = "Probíhá obnova ze záložní kopie [globální databáze]\rprosím čekejte...";
const char* const kRestoringLayouts =
    "Probíhá obnova ze záložní kopie [upravené formuláře]\rprosím čekejte...";

// A restore that cannot finish says what stopped it and that nothing has been changed.
const char* const kDataUnchanged =
    "Obnova ze záložní kopie nebyla provedena, stávající data zůstala beze změny.";
const char* const kMemberMissing = "Záložní soubor %1 neobsahuje soubor %2.";
const char* const kNotFirmDatabase = "Soubor %1 ze záložního souboru není databází firmy.";
const char* const kNotMainDatabase = "Soubor %1 ze záložního souboru není globální databází programu.";
const char* const kCannotReplace = "Soubor %1 nelze přepsat.";

const char* const kDeleteQuestion = "Opravdu chcete smazat soubor %1 ?\r\rPozor: tato operace je nevratná!";
const char* const kDeleteFailed = "Soubor %1 se nepodařilo smazat.";

const char* const kMainDatabaseName = "Global.MDB";
const char* const kFirmExtension = ".MDB";
const char* const kBackupDayFormat = "dd-mm-yyyy";
// The restore unpacks into this folder of the station's temporary folder, one sub-folder per part.
const char* const kStagingFolder = "ZALOHA_OBNOVA/";

constexpr int kFileColumnWidth = 190;
constexpr int kNameColumnWidth = 200;
constexpr int kDateColumnWidth = 130;
constexpr int kCreatorColumnWidth = 120;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// The file of that name in the folder whatever the case of its name, else the name as given.
QString FileIn(const QString& folder, const QString& name) {
    const QString found = FindFileCaseInsensitive(folder, name);
    return found.isEmpty() ? folder + name : found;
}

// The tables every database of the kind has had since its first version: those the upgrades add
// may be missing from an older backup, which the next start brings up to date.
QStringList LastingTables(const std::vector<TTableDef>& tables, const std::vector<TUpgradeStep>& steps) {
    QStringList names;
    for (const TTableDef& table : tables) {
        const bool added = std::any_of(steps.begin(), steps.end(), [&](const TUpgradeStep& step) {
            return step.StepKind == TUpgradeStep::Table &&
                   QString::fromLatin1(step.TableName)
                           .compare(QLatin1String(table.Name), Qt::CaseInsensitive) == 0;
        });
        if (!added) names.append(QString::fromLatin1(table.Name));
    }
    return names;
}

// Whether the file opens as a database holding the tables: a file from a user's archive is taken
// for a firm or for the main database only when it is one.
bool IsDatabaseWithTables(const QString& path, const QStringList& tables) {
    try {
        TADOConnection connection;
        connection.Open(path);
        const QStringList present = connection.GetTableNames();
        return std::all_of(tables.begin(), tables.end(), [&](const QString& table) {
            return present.contains(table, Qt::CaseInsensitive);
        });
    } catch (const std::exception&) {
        return false;
    }
}

// The station's database connections, closed while the backup window is up so that their files can
// be read and replaced, and opened again on every way out.
class TClosedConnections {
public:
    TClosedConnections() {
        for (TADOConnection* connection : {&frmMain->ADOConAgenda, &frmMain->ADOConGlobal})
            if (connection->Connected())
                open_.push_back({connection, connection->FileName(), connection->Password()});
        frmMain->CloseFirmDatasets();
        frmMain->ADOConAgenda.Close();
        frmMain->ADOConGlobal.Close();
        frmMain->ADOConImport.Close();
    }
    ~TClosedConnections() { Reopen(); }
    TClosedConnections(const TClosedConnections&) = delete;
    TClosedConnections& operator=(const TClosedConnections&) = delete;

    void Reopen() {
        for (const TOpen& open : open_) {
            if (open.connection->Connected()) continue;
            try {
                open.connection->Open(open.path, open.password);
            } catch (const std::exception& e) {
                ShowError(QString::fromUtf8(e.what()));
            }
        }
    }

private:
    struct TOpen {
        TADOConnection* connection;
        QString path;
        QString password;
    };
    std::vector<TOpen> open_;
};

// A folder of the station's own, emptied before and removed after use. A link standing under its
// name is removed, never followed: emptying it must not reach the folder it points to.
class TScratchFolder {
public:
    explicit TScratchFolder(const QString& path) : path_(path) {
        DeleteTree(path_);
        QDir().mkpath(path_);
    }
    ~TScratchFolder() { DeleteTree(path_); }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const QString& Path() const { return path_; }

private:
    QString path_;
};

// The working window goes when the operation ends, however it ends.
struct TWorkingShown {
    ~TWorkingShown() { ShowWorking(false); }
};

void RestoreFailed(const QString& reason) { ShowError(reason + "\r\r" + Text(kDataUnchanged)); }

QString FirmDisplayName() { return frmMain ? frmMain->lblAgendaName->text() : QString(); }

}  // namespace

QString NextBackupFileName(const QString& folder, const QString& firm, TDateTime day, bool& allTaken) {
    const QString stem =
        folder + FormatDateTime(QString::fromLatin1(kBackupDayFormat), day) + "_" + firm + "_";
    allTaken = false;
    for (int n = 1; n <= kMaxBackupNumber; ++n) {
        const QString path = stem + QString::number(n) + kBackupExtension;
        if (!QFileInfo::exists(path)) return path;
    }
    allTaken = true;
    return stem + QString::number(kMaxBackupNumber) + kBackupExtension;
}

QStringList UserLayoutFiles(const QString& printFolder) {
    QStringList files;
    const QDir dir(printFolder);
    for (const char* mask : {"*.frx", "*.xls"}) {
        // Layouts copied from Windows keep whatever case their names had.
        const QStringList names =
            dir.entryList({QString::fromLatin1(mask)}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString& name : names)
            if (!name.startsWith('_')) files.append(printFolder + name);
    }
    return files;
}

bool ShowBackupDialog(bool create) {
    if (!(create ? CurrentUser.VytvoreniZalohy_AR : CurrentUser.ObnoveniZalohy_AR)) {
        TUser::ShowNoRightsMessage();
        return true;
    }
    WorkingCancelled = false;
    TClosedConnections closed;
    // The lock first, held for the whole window, and only then the look for other stations: a station
    // that starts meanwhile makes its presence known before it looks at the lock, so either it sees
    // the lock and stays away or this look sees it. Every running station holds the main database
    // open; with our own connection closed, a presence that remains is another station's.
    TRecordLock exclusive;
    const QString lockPath = LockFolder + kProgramLockName;
    switch (TakeExclusiveAccess(exclusive, frmMain->ADOConGlobal.PresenceFileName())) {
        case TExclusiveAccess::Granted:
            break;
        case TExclusiveAccess::OtherStation:
            closed.Reopen();
            ShowWarning(Text(kOtherStation));
            return true;
        case TExclusiveAccess::LockInUse:
            ShowError(Text(kCannotCreateLock) + lockPath);
            return true;
        case TExclusiveAccess::LockFailed:
            return true;
    }

    TfrmZalohovani window(create ? TfrmZalohovani::tsVytvoreni : TfrmZalohovani::tsObnoveni,
                          ApplicationMainWindow());
    const bool restored = window.exec() == QDialog::Accepted && !create;
    exclusive.Release();
    if (restored) {
        ShowInformation(Text(kRestoreDone));
        WriteProgramIni();
        TerminateProgram();
    }
    return false;
}

// --- the window

TfrmZalohovani::TfrmZalohovani(TPage page, QWidget* parent) : TVnDialog(parent), page_(page) {
    setObjectName("frmZalohovani");
    setWindowTitle(Text(kCaption));
    resize(640, 420);

    TFieldDefs& defs = mtZalSoubory.FieldDefs();
    defs.Add("Soubor", ftString, 255);
    defs.Add("SouborPlny", ftString, 255);
    defs.Add("AgendaName", ftString, 50);
    defs.Add("Vytvoril", ftString, 50);
    defs.Add("DatumCas", ftString, 50);
    defs.Add("AgendaFile", ftString, 255);
    defs.Add("Global", ftBoolean);
    defs.Add("FRM", ftBoolean);
    defs.Add("Verze", ftString, 20);
    defs.Add("IDZal", ftInteger);
    mtZalSoubory.CreateTable();
    dsZalSoubory.SetDataSet(&mtZalSoubory);

    pgcZalohovani = new QStackedWidget(this);
    pgcZalohovani->setObjectName("pgcZalohovani");
    auto* backupPage = new QWidget(pgcZalohovani);
    backupPage->setObjectName("tsVytvoreni");
    auto* restorePage = new QWidget(pgcZalohovani);
    restorePage->setObjectName("tsObnoveni");
    pgcZalohovani->addWidget(backupPage);
    pgcZalohovani->addWidget(restorePage);
    BuildBackupPage(backupPage);
    BuildRestorePage(restorePage);
    pgcZalohovani->setCurrentIndex(page_);

    pbZaloha = new QProgressBar(this);
    pbZaloha->setObjectName("pbZaloha");
    pbZaloha->setRange(0, 100);
    pbZaloha->setValue(0);

    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, const char* caption) {
        b = new QPushButton(Text(caption), this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    };
    button(btnVyjmout, "btnVyjmout", "Smazat zálohu");
    buttons->addStretch();
    button(btnOk, "btnOk", "OK");
    button(btnStorno, "btnStorno", "Zpět");
    button(btnNapoveda, "btnNapoveda", "Nápověda");
    btnOk->setDefault(true);
    btnVyjmout->setVisible(page_ == tsObnoveni);
    connect(btnOk, &QPushButton::clicked, this, &TfrmZalohovani::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmZalohovani::btnVyjmoutClick);
    connect(btnNapoveda, &QPushButton::clicked, this, [this] {
        ShowHelpTopic(QString::fromLatin1(page_ == tsVytvoreni ? kBackupHelpPage : kRestoreHelpPage));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pgcZalohovani, 1);
    layout->addWidget(pbZaloha);
    layout->addLayout(buttons);
}

TfrmZalohovani::~TfrmZalohovani() {
    // The grid goes before the table and the source it shows.
    delete grZalSoubory;
}

void TfrmZalohovani::BuildBackupPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    lblAgendaName = new QLabel(FirmDisplayName(), page);
    lblAgendaName->setObjectName("lblAgendaName");
    QFont bold = lblAgendaName->font();
    bold.setBold(true);
    lblAgendaName->setFont(bold);
    layout->addWidget(lblAgendaName);

    chckProvestSpolecne = new QCheckBox(Text("provést také zálohu společných dat"), page);
    chckProvestSpolecne->setObjectName("chckProvestSpolecne");
    chckProvestSpolecne->setChecked(BackupCommonData);
    layout->addWidget(chckProvestSpolecne);

    chckProvestdoStand = new QCheckBox(Text("zálohu provést do standardní složky"), page);
    chckProvestdoStand->setObjectName("chckProvestdoStand");
    chckProvestdoStand->setChecked(BackupToStandardFolder);
    layout->addWidget(chckProvestdoStand);

    layout->addWidget(new QLabel(Text("Složka pro zálohování"), page));
    edtProvestSlozka = new TDirectoryEdit(page);
    edtProvestSlozka->setObjectName("edtProvestSlozka");
    edtProvestSlozka->SetDialogTitle(Text("Složka pro zálohování"));
    layout->addWidget(edtProvestSlozka);
    layout->addStretch();

    UpdateBackupFolder();
    connect(chckProvestdoStand, &QCheckBox::clicked, this, [this] { UpdateBackupFolder(); });
}

void TfrmZalohovani::BuildRestorePage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    chckObnovitZeStand = new QCheckBox(Text("záložní soubory načítat ze standardní složky"), page);
    chckObnovitZeStand->setObjectName("chckObnovitZeStand");
    chckObnovitZeStand->setChecked(BackupToStandardFolder);
    layout->addWidget(chckObnovitZeStand);

    layout->addWidget(new QLabel(Text("Záložní soubory načítat ze složky"), page));
    edtObnovitSlozka = new TDirectoryEdit(page);
    edtObnovitSlozka->setObjectName("edtObnovitSlozka");
    edtObnovitSlozka->SetDialogTitle(Text("Záložní soubory načítat ze složky"));
    layout->addWidget(edtObnovitSlozka);

    grZalSoubory = new TVnDBGrid(page);
    grZalSoubory->setObjectName("grZalSoubory");
    grZalSoubory->SetReadOnly(true);
    grZalSoubory->SetOptions((grZalSoubory->Options() | dgRowSelect) & ~dgEditing);
    grZalSoubory->SetDataSource(&dsZalSoubory);
    grZalSoubory->Columns().Clear();
    const struct {
        const char* field;
        const char* title;
        int width;
    } kColumns[] = {{"Soubor", "Soubor", kFileColumnWidth},
                    {"AgendaName", "Firma", kNameColumnWidth},
                    {"DatumCas", "Datum a čas", kDateColumnWidth},
                    {"Vytvoril", "Vytvořil", kCreatorColumnWidth}};
    for (const auto& c : kColumns) {
        TColumn* column = grZalSoubory->Columns().AddColumn();
        column->SetFieldName(c.field);
        column->Title()->SetCaption(Text(c.title));
        column->SetWidth(c.width);
    }
    layout->addWidget(grZalSoubory, 1);

    UpdateRestoreFolder();
    connect(chckObnovitZeStand, &QCheckBox::clicked, this, [this] {
        UpdateRestoreFolder();
        RefreshList();
    });
    // Typed or browsed, a folder of one's own is remembered and listed at once.
    connect(edtObnovitSlozka, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (settingFolder_) return;
        BackupUserFolder = text;
        RefreshList();
    });
}

void TfrmZalohovani::UpdateBackupFolder() {
    const bool standard = chckProvestdoStand->isChecked();
    edtProvestSlozka->setText(standard ? BackupFolder : BackupUserFolder);
    edtProvestSlozka->setEnabled(!standard);
}

void TfrmZalohovani::UpdateRestoreFolder() {
    const bool standard = chckObnovitZeStand->isChecked();
    settingFolder_ = true;
    edtObnovitSlozka->setText(standard ? BackupFolder : BackupUserFolder);
    settingFolder_ = false;
    edtObnovitSlozka->setEnabled(!standard);
}

void TfrmZalohovani::RefreshList() {
    ListBackups(edtObnovitSlozka->text());
    btnOk->setEnabled(!mtZalSoubory.IsEmpty());
}

void TfrmZalohovani::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    if (page_ == tsObnoveni && !event->spontaneous()) RefreshList();
}

bool TfrmZalohovani::OnZipProgress(int percent) {
    pbZaloha->setValue(percent);
    QApplication::processEvents();
    return !WorkingCancelled;
}

void TfrmZalohovani::btnOkClick() {
    WorkingCancelled = false;
    success_ = true;
    btnOk->setEnabled(false);
    const bool stay = page_ == tsVytvoreni ? CreateBackup() : RestoreBackup();
    if (stay) {
        btnOk->setEnabled(true);
        return;
    }
    accept();
}

bool TfrmZalohovani::CreateBackup() {
    const QString folder = NormalizeFolderPath(edtProvestSlozka->text());
    if (folder.isEmpty() || !DirectoryExists(folder)) {
        ShowError(Text(kNoFolder));
        return true;
    }
    bool allTaken = false;
    const TDateTime now = BackupClock();
    const QString archive = NextBackupFileName(folder, CurrentFirm, now, allTaken);
    if (allTaken && !AskQuestion(Text(kOverwriteLast).arg(archive))) return true;

    BackupToStandardFolder = chckProvestdoStand->isChecked();
    BackupCommonData = chckProvestSpolecne->isChecked();
    if (!BackupToStandardFolder) BackupUserFolder = edtProvestSlozka->text();

    QFile::remove(archive);
    if (QFileInfo::exists(archive)) {
        ShowError(Text(kCannotOverwriteArchive) + archive);
        return true;
    }
    const QString info = PrivateTempFolder + kBackupInfoName;
    QFile::remove(info);
    if (QFileInfo::exists(info)) {
        ShowError(Text(kCannotMakeTemp) + info);
        return true;
    }

    const bool common = chckProvestSpolecne->isChecked();
    {
        TWorkingShown working;
        ShowWorking(true, Text(kCreating), true);
        const QString section = QString::fromLatin1(kBackupInfoSection);
        TIniFile ini(info);
        ini.WriteString(section, "Program", QString::fromLatin1(kBackupProgram));
        ini.WriteString(section, "FullPath", archive);
        ini.WriteString(section, "AgendaFile", CurrentFirm + kFirmExtension);
        ini.WriteInteger(section, "Global", common ? 1 : 0);
        ini.WriteInteger(section, "FRM", common ? 1 : 0);
        ini.WriteString(section, "Name", FirmDisplayName());
        ini.WriteString(section, "Creator", CurrentUser.Jmeno);
        ini.WriteString(section, "DateTime", DateToStr(now) + " " + TimeToStr(now));
        ini.WriteString(section, "Version", QString::fromLatin1(ProgramVersion));
        ini.WriteInteger(section, "ID", BackupCounter);
        ++BackupCounter;

        QList<TZipMember> members = {
            {kBackupInfoName, info},
            {CurrentFirm + kFirmExtension, FileIn(DataFolder, CurrentFirm + kFirmExtension)}};
        if (common) {
            members.append({kMainDatabaseName, FileIn(DataFolder, kMainDatabaseName)});
            for (const QString& layout : UserLayoutFiles(PrintFolder))
                members.append({ExtractFileName(layout), layout});
        }
        TZipError error;
        const TBackupNote note(archive);
        if (!ZipCreate(archive, members, &error, [this](int percent) { return OnZipProgress(percent); })) {
            success_ = false;
            ShowError(error.message);
        }
    }
    if (success_)
        ShowInformation(Text(kCreated) + archive);
    else
        ShowError(Text(kCreateFailed).arg(archive));
    QFile::remove(info);
    return false;
}

int TfrmZalohovani::ListBackups(const QString& folder) {
    const QString path = NormalizeFolderPath(folder);
    mtZalSoubory.SetIndexName(QString());
    mtZalSoubory.DeleteIndex("IDZal");
    mtZalSoubory.EmptyTable();
    int result = 0;
    if (path.isEmpty() || !DirectoryExists(path)) {
        result = -1;
    } else {
        TWorkingShown working;
        ShowWorking(true, Text(kListing));
        const QString info = PrivateTempFolder + kBackupInfoName;
        const QString section = QString::fromLatin1(kBackupInfoSection);
        const QStringList archives = QDir(path).entryList({QString("*") + kBackupExtension}, QDir::Files,
                                                          QDir::Name | QDir::IgnoreCase);
        for (const QString& name : archives) {
            QFile::remove(info);
            if (QFileInfo::exists(info)) {
                ShowError(Text(kCannotMakeTemp) + info);
                result = -1;
                break;
            }
            TZipError error;
            const int extracted = ZipExtract(path + name, PrivateTempFolder, {kBackupInfoName}, &error);
            if (extracted < 0) {
                // A damaged archive is named by the library's error and left out.
                ShowError(error.message);
                continue;
            }
            if (extracted == 0 || !FileExists(info)) continue;
            const TIniFile ini(info);
            const QString program = ini.ReadString(section, "Program", QString());
            const QString agendaFile = ini.ReadString(section, "AgendaFile", QString());
            if (program.toUpper() != QLatin1String(kBackupProgram) || agendaFile.isEmpty()) continue;
            mtZalSoubory.Append();
            mtZalSoubory.FieldByName("Soubor")->SetAsString(name.toUpper());
            mtZalSoubory.FieldByName("SouborPlny")->SetAsString(path + name);
            mtZalSoubory.FieldByName("AgendaName")->SetAsString(ini.ReadString(section, "Name", QString()));
            mtZalSoubory.FieldByName("Vytvoril")->SetAsString(ini.ReadString(section, "Creator", QString()));
            mtZalSoubory.FieldByName("DatumCas")->SetAsString(ini.ReadString(section, "DateTime", QString()));
            mtZalSoubory.FieldByName("AgendaFile")->SetAsString(agendaFile);
            mtZalSoubory.FieldByName("Global")->SetAsBoolean(ini.ReadBool(section, "Global", false));
            mtZalSoubory.FieldByName("FRM")->SetAsBoolean(ini.ReadBool(section, "FRM", false));
            mtZalSoubory.FieldByName("Verze")->SetAsString(ini.ReadString(section, "Version", QString()));
            mtZalSoubory.FieldByName("IDZal")->SetAsInteger(ini.ReadInteger(section, "ID", 0));
            mtZalSoubory.Post();
        }
    }
    pbZaloha->setValue(0);
    mtZalSoubory.AddIndex("IDZal", "IDZal", ixDescending);
    mtZalSoubory.SetIndexName("IDZal");
    mtZalSoubory.First();
    return result;
}

bool TfrmZalohovani::RestoreBackup() {
    if (mtZalSoubory.IsEmpty()) return true;
    const QString archive = mtZalSoubory.FieldByName("SouborPlny")->AsString();
    const QString agendaFile = mtZalSoubory.FieldByName("AgendaFile")->AsString();
    TfrmZalObnov choice(FirmDisplayName(), mtZalSoubory.FieldByName("AgendaName")->AsString(),
                        mtZalSoubory.FieldByName("Global")->AsBoolean(),
                        mtZalSoubory.FieldByName("FRM")->AsBoolean(), this);
    if (choice.exec() != QDialog::Accepted) return true;
    const bool firm = choice.chckObnovitAgendu->isChecked();
    const bool global = choice.chckObnovitGlobal->isEnabled() && choice.chckObnovitGlobal->isChecked();
    const bool layouts = choice.chckObnovitFRM->isEnabled() && choice.chckObnovitFRM->isChecked();

    // Everything is unpacked and checked away from the data first; only then are the files
    // exchanged, all of them or none.
    TScratchFolder staging(PrivateTempFolder + kStagingFolder);
    TWorkingShown working;
    TFileSwap swap(RestoreJournalPath());
    const auto progress = [this](int percent) { return OnZipProgress(percent); };
    auto unpack = [&](const QString& member, const QString& part) -> QString {
        const QString folder = staging.Path() + part;
        TZipError error;
        const int extracted = ZipExtract(archive, folder, {member}, &error, progress);
        if (extracted < 0) {
            success_ = false;
            RestoreFailed(error.message);
            return {};
        }
        const QStringList files = QDir(folder).entryList(QDir::Files);
        if (extracted != 1 || files.size() != 1) {
            RestoreFailed(Text(kMemberMissing).arg(archive, member));
            return {};
        }
        return folder + files.first();
    };

    if (firm) {
        ShowWorking(true, Text(kRestoringFirm), true);
        const QString staged = unpack(agendaFile, "firma/");
        if (staged.isEmpty()) return true;
        if (!IsDatabaseWithTables(staged, LastingTables(FirmDbTables(), FirmDbUpgradeSteps()))) {
            RestoreFailed(Text(kNotFirmDatabase).arg(agendaFile));
            return true;
        }
        // The backup's firm takes the open firm's place under the open firm's name, whichever firm
        // it was made of.
        swap.Add(staged, FileIn(DataFolder, CurrentFirm + kFirmExtension));
    }
    if (global) {
        ShowWorking(true, Text(kRestoringGlobal), true);
        const QString staged = unpack(kMainDatabaseName, "global/");
        if (staged.isEmpty()) return true;
        if (!IsDatabaseWithTables(staged, LastingTables(MainDbTables(), MainDbUpgradeSteps()))) {
            RestoreFailed(Text(kNotMainDatabase).arg(kMainDatabaseName));
            return true;
        }
        swap.Add(staged, FileIn(DataFolder, kMainDatabaseName));
    }
    if (layouts) {
        ShowWorking(true, Text(kRestoringLayouts), true);
        const QString folder = staging.Path() + "PRINT/";
        TZipError error;
        if (ZipExtract(archive, folder, {"*.frx", "*.xls"}, &error, progress) < 0) {
            success_ = false;
            RestoreFailed(error.message);
            return true;
        }
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            swap.Add(folder + name, FileIn(PrintFolder, name));
    }

    if (firm) ShowWorking(true, Text(kRestoringFirmEnd));
    QString failed;
    if (!swap.Run(failed)) {
        RestoreFailed(Text(kCannotReplace).arg(failed));
        return true;
    }
    return false;
}

void TfrmZalohovani::btnVyjmoutClick() {
    if (mtZalSoubory.IsEmpty()) return;
    const QString path = mtZalSoubory.FieldByName("SouborPlny")->AsString();
    if (!AskQuestion(Text(kDeleteQuestion).arg(path))) return;
    QFile::remove(path);
    if (QFileInfo::exists(path)) {
        ShowError(Text(kDeleteFailed).arg(path));
        return;
    }
    mtZalSoubory.Delete();
    btnOk->setEnabled(!mtZalSoubory.IsEmpty());
}
