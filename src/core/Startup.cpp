#include "core/Startup.h"

#include <QApplication>
#include <QLocale>
#include <QScopeGuard>
#include <exception>
#include <memory>

#include "addressbook/Adresar.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/DbTemplates.h"
#include "core/ExclusiveLock.h"
#include "core/Informace.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Poznamky.h"
#include "core/SeznamFirem.h"
#include "core/Splash.h"
#include "core/StartupScript.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/Presence.h"
#include "platform/files/FileLock.h"
#include "platform/files/FileUtils.h"
#include "platform/text/FormatSettings.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/Zasoby.h"

int BackupCounter = 0;
int LastPostalCodeID = 1;
QString LastPostalCodeSort = "PSC";

std::function<void()> RequestTermination = [] { QCoreApplication::quit(); };

namespace {

const char* const kProgramLocked =
    "Na některé stanici v síti nyní probíhá operace, která vyžaduje jedinečný přístup (např. zálohování). "
    "Počkejte na dokončení a zkuste program znovu spustit.";
const char* const kTemplateMissing = "Nebyl nalezen zdrojový soubor %1 Proveďte reinstalaci programu!";
const char* const kCopyFailed = "Při kopírování souboru %1 na %2 došlo k chybě.";
const char* const kInstalling = "Probíhá dokončení instalace\rprosím čekejte...";
const char* const kMainDbFailed = "Při pokusu o připojení hlavní databáze došlo k následující chybě:\r\r";
const char* const kMainDbHint =
    "Zkontrolujte, zda je na počítači nainstalované databázové prostředí Microsoft ADO a Microsoft JET "
    "OLEDB 4.0 (tyto komponenty můžete bezplatně stáhnout ze stránek %1 nebo z domovské stránky %2)";
const char* const kNoFirmChosen = "Nebyla vybrána žádná firma, program bude ukončen.";
const char* const kSavingProfile = "Uložení uživatelského profilu...\rpočkejte prosím na dokončení";
const char* const kIniNotSaved = "Nastavení programu se nepodařilo uložit do souboru %1.";
const char* const kSessionNotSaved = "Pracovní stav uživatele se nepodařilo uložit do databáze firmy.";
const char* const kGeometryNotSaved = "Rozmístění oken se nepodařilo uložit do hlavní databáze.";
const char* const kCounterNotSaved = "Počítadlo záloh se nepodařilo uložit do hlavní databáze.";

bool g_terminating = false;

// The windows the program keeps from the start to the end and reuses at every opening. The windows of
// the price list, the address book and the offers join them as they are built.
struct TLongLivedWindows {
    std::unique_ptr<TfrmInformace> frmInformace;
    std::unique_ptr<TfrmWorking> frmWorking;
    std::unique_ptr<TfrmZasoby> frmZasoby;
};

QString Templates() { return ProgramFolder + "Res/"; }

// Copies a shipped template to a missing database. True means stop: the user has been told why.
bool CopyTemplate(const QString& templatePath, const QString& target, bool showWorking) {
    if (!FileExists(templatePath)) {
        ShowError(QString::fromUtf8(kTemplateMissing).arg(templatePath));
        return true;
    }
    if (showWorking) ShowWorking(true, QString::fromUtf8(kInstalling));
    CopyFileKeepDate(templatePath, target, true);
    if (showWorking) ShowWorking(false);
    if (!FileExists(target)) {
        ShowError(QString::fromUtf8(kCopyFailed).arg(templatePath, target));
        return true;
    }
    return false;
}

bool ConnectMainDatabase() {
    TADOConnection& con = frmMain->ADOConGlobal;
    con.Close();
    try {
        con.Open(DataFolder + "Global.MDB", MainDbPassword);
    } catch (const EDatabaseError& e) {
        ShowError(QString::fromUtf8(kMainDbFailed) + QString::fromUtf8(e.what()) + "\r\r" +
                  QString::fromUtf8(kMainDbHint)
                      .arg(QString::fromLatin1(kComponentsAddress), QString::fromLatin1(kHomePageAddress)));
        return false;
    }
    return true;
}

// The firm to open: the file of CurrentFirm whatever the case of its name (firms copied from Windows
// keep theirs), else empty.
QString CurrentFirmFile() { return FindFileCaseInsensitive(DataFolder, CurrentFirm + ".MDB"); }

bool OpenLastFirm() {
    if (CurrentFirmFile().isEmpty()) {
        QString unused;
        if (ShowFirmList(false, unused) != kFirmListOk || !frmMain->ADOConAgenda.Connected()) {
            if (ProgramTerminating()) return true;
            ShowInformation(QString::fromUtf8(kNoFirmChosen));
            return true;
        }
    } else if (OpenFirmDatabase() != 0) {
        return true;
    }
    LoadDesktopNotes(LastNoteID);
    frmMain->UpdateNoteButtons();
    ShowWorking(false);
    return false;
}

bool RunStartupSteps() {
    BuildDatabasePasswords();
    frmMain->lblProgramVer->setText(QString("Verze ") + ProgramVersion);
    CheckWindowsVersion();

    if (PrepareDataFolder()) return true;

    // Present before looking at the lock, and kept so until the connection holds its own presence: a
    // backup takes the lock before it looks for stations, so one of the two always sees the other.
    // What a killed backup or restore left is put right next, before anything opens a database.
    const QString mainDb = DataFolder + "Global.MDB";
    TPresenceFile presence;
    if (ExclusiveOperationRunning(presence, PresenceFileOf(mainDb))) {
        ShowWarning(QString::fromUtf8(kProgramLocked));
        return true;
    }
    switch (RecoverInterruptedOperations()) {
        case TRecovery::Ready:
            break;
        case TRecovery::Busy:
            ShowWarning(QString::fromUtf8(kProgramLocked));
            return true;
        case TRecovery::Failed:
            return true;
    }

    if (!FileExists(mainDb) && CopyTemplate(Templates() + kMainTemplate, mainDb, true)) return true;
    if (!ConnectMainDatabase()) return true;
    // The structure upgrade looks for other stations with this station's own presence gone.
    presence.Close();
    if (UpgradeMainDatabase(frmMain->ADOConGlobal)) return true;

    QApplication::processEvents();
    // A cancelled password prompt ends the start without a word.
    if (LoginUser() != 0) return true;
    QApplication::processEvents();
    LoadWindowGeometry();

    LastPostalCodeID = 1;
    LastPostalCodeSort = "PSC";
    ShowDoneNotes = false;
    BackupCounter = ReadBackupCounter();

    if (RunPrgFirst) {
        const QString demo = DataFolder + QString::fromLatin1(kDefaultFirm) + ".MDB";
        if (FindFileCaseInsensitive(DataFolder, ExtractFileName(demo)).isEmpty() &&
            CopyTemplate(Templates() + kDemoFirmTemplate, demo, false))
            return true;
        RunPrgFirst = false;
    }

    return OpenLastFirm();
}

}  // namespace

void ApplyLocaleDateSeparator(const QString& localeSeparator, TFormatSettings& settings) {
    if (localeSeparator.isEmpty() || localeSeparator.size() == 1) return;
    const QString kept = localeSeparator.trimmed();
    if (kept.isEmpty()) return;
    settings.ShortDateFormat.replace(localeSeparator, kept.left(1));
    settings.DateSeparator = kept.at(0);
}

bool WindowsVersionNeedsWarning(bool readable, int major, int minor) {
    return readable && (major > 6 || (major == 6 && minor > 3));
}

void CheckWindowsVersion() {
    frmMain->panUpgradeNeedWarning->hide();
    int major = 0, minor = 0;
    const bool readable = GetWindowsVersion(major, minor);
    if (WindowsVersionNeedsWarning(readable, major, minor)) frmMain->panUpgradeNeedWarning->show();
}

int ReadBackupCounter() {
    TADOQuery& query = frmMain->adqGlobalFree1;
    query.Close();
    query.SetSQL("SELECT * FROM KonfigTab");
    query.Open();
    const int counter = query.IsEmpty() ? 0 : query.FieldByName("IDZalohy")->AsInteger();
    query.Close();
    return counter;
}

int SaveBackupCounter() {
    TADOQuery& query = frmMain->adqGlobalFree1;
    query.Close();
    query.SetSQL("SELECT * FROM KonfigTab");
    query.Open();
    const int id = query.IsEmpty() ? 0 : query.FieldByName("ID")->AsInteger();
    query.Close();
    TADOCommand& command = frmMain->adcGlobal1;
    command.SetCommandText("UPDATE KonfigTab SET IDZalohy = :IDZalohy WHERE ID = " + QString::number(id));
    command.Parameters.ParamByName("IDZalohy")->Value = BackupCounter;
    command.Execute();
    return 0;
}

bool RunStartup() {
    bool stop = true;
    // An error no step expected (the engine failing inside an upgrade, a disk failing under a copy)
    // ends the start with its own text; an upgrade is committed whole or not at all, so the next
    // start finds the database as it was.
    RunShowingExceptions([&] {
        stop = RunStartupSteps();
        return true;
    });
    return stop;
}

bool ProgramTerminating() { return g_terminating; }

void ResetProgramTermination() { g_terminating = false; }

void TerminateProgram() {
    g_terminating = true;
    RequestTermination();
}

namespace {

// One step of the orderly end. A step that fails says what was not saved, with the error's own
// text, and the end goes on: the program is already on its way out and must still get there.
void SaveStep(const QString& failure, const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        ShowError(failure + "\r\r" + QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(failure);
    }
}

}  // namespace

void SaveUserProfileAndExit() {
    if (g_terminating) return;
    g_terminating = true;
    ShowWorking(true, QString::fromUtf8(kSavingProfile));
    SaveStep(QString::fromUtf8(kIniNotSaved).arg(ProgramIniPath()), [] { WriteProgramIni(); });
    if (frmMain->ADOConAgenda.Connected())
        SaveStep(QString::fromUtf8(kSessionNotSaved), [] { SaveSessionState(); });
    if (frmMain->ADOConGlobal.Connected()) {
        SaveStep(QString::fromUtf8(kGeometryNotSaved), [] { SaveWindowGeometry(); });
        SaveStep(QString::fromUtf8(kCounterNotSaved), [] { SaveBackupCounter(); });
    }
    RequestTermination();
}

int RunProgram() {
    InstallStartupScript();
    // Whichever way the program ends, what it kept privately goes with it.
    const auto removeTemp = qScopeGuard([] { RemovePrivateTempFolder(); });
    // The program's own files lie beside its executable; found here, before anything reads them.
    ProgramFolder = IncludeTrailingPathDelimiter(QCoreApplication::applicationDirPath());
    TfrmMain mainWindow;
    // The station works with Czech settings whatever the machine says; the Czech locale's own date
    // separator is what the format is cleaned with.
    const QString czechDate = QLocale(QLocale::Czech).dateFormat(QLocale::ShortFormat);
    QString separator;
    for (const QChar c : czechDate) {
        if (c.isLetter()) {
            if (!separator.isEmpty()) break;
            continue;
        }
        separator += c;
    }
    ApplyLocaleDateSeparator(separator, FormatSettings);

    auto splash = std::make_unique<TfrmSplash>();
    splash->lblProgramVer->setText(QString("Verze ") + ProgramVersion);
    splash->PasswordMode = false;
    splash->show();

    TLongLivedWindows windows;
    windows.frmInformace = std::make_unique<TfrmInformace>();
    CreateAddressListWindow();
    windows.frmWorking = std::make_unique<TfrmWorking>();
    // From the first connection on: a station that starts while another writes waits for it too.
    InstallDatabaseWait();
    TfrmNabidky::Instance();
    TfrmNabidkaKart::Instance();
    windows.frmZasoby = std::make_unique<TfrmZasoby>(&mainWindow);

    const bool stop = RunStartup();
    QApplication::processEvents();
    splash.reset();
    QApplication::processEvents();
    if (stop) return 0;

    mainWindow.showMaximized();
    RunMainWindowScript(mainWindow);
    return QApplication::exec();
}
