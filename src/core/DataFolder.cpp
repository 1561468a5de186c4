#include "core/DataFolder.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>

#include "core/VyberLocNet.h"
#include "platform/files/FileUtils.h"
#include "platform/files/IniFile.h"
#include "platform/files/PrivateFolder.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/DirectoryEdit.h"

QString ProgramFolder;
QString DataFolder;
QString PrintFolder;
QString LockFolder;
QString PrivateTempFolder;
QString BackupFolder;
QString CurrentFirm;
bool RunPrgFirst = true;
bool RunPrgSetup = true;
bool BuilderMode = false;

std::function<int(TfrmVyberLocNet& window)> ExecDataFolderDialog = [](TfrmVyberLocNet& window) {
    return window.exec();
};

namespace {

// The private temporary folder this process made, removed again at its end.
QString g_madePrivateTemp;

const char* const kSectionPath = "PATH";
const char* const kSectionConfig = "CONFIG";
const char* const kPrivateTempPrefix = "varnobis";

const char* const kNoDataFolder = "Nebyla určena datová složka, program bude ukončen";
const char* const kCannotCreate = "Chyba : nelze vytvořit adresář ";
const char* const kFolderGone =
    "Chyba : složka %1 již neexistuje!\r\rPokud se jedná o síťovou složku, zkontrolujte její dostupnost.";
const char* const kFolderGoneQuestion =
    "Datová složka není dostupná. Pokud byla přesunuta jinam (např. na server) bude nutné zadat její nové "
    "umístění. Pokud však nebyla přesouvána a jedná se o síťovou složku, ukončete tento program a "
    "zkontrolujte její dostupnost. Chcete nyní ukončit program ?";
const char* const kCopyLayoutsFailed = "Nastala chyba při kopírování adresáře %1 do %2";
const char* const kCopyNotesFailed = "Nastala chyba při kopírování soubororů v %1 do %2";

QString IniPath() { return ProgramIniPath(); }

QString UserFolder(QStandardPaths::StandardLocation location) {
    return IncludeTrailingPathDelimiter(QStandardPaths::writableLocation(location));
}

bool ReportCannotCreate(const QString& folder) {
    ShowError(QString::fromUtf8(kCannotCreate) + folder);
    return true;
}

// The data folder chosen in the window; empty when the user gave none (and has been told).
// `stop` is set when the program has to end.
QString AskForDataFolder(bool& stop) {
    TfrmVyberLocNet window(LocalDataFolder());
    if (ExecDataFolderDialog(window) != QDialog::Accepted) {
        ShowInformation(QString::fromUtf8(kNoDataFolder));
        stop = true;
        return {};
    }
    if (window.rbLokalni->isChecked()) {
        const QString folder = window.edtLocSlozkaData->text();
        if (!ForceDirectories(folder)) {
            ReportCannotCreate(folder);
            stop = true;
            return {};
        }
        return folder;
    }
    return NormalizeFolderPath(window.edtNetSlozkaData->text());
}

void DeriveFolders() {
    PrintFolder = DataFolder + "PRINT/";
    LockFolder = DataFolder + "LOCK/";
    BackupFolder = StandardBackupFolder();
}

void ReadProgramIni() {
    const TIniFile ini(IniPath());
    DataFolder = NormalizeFolderPath(ini.ReadString(kSectionPath, "DataPath", QString()));
    // A firm name left empty by hand would name no database at all.
    CurrentFirm = ini.ReadString(kSectionConfig, "LastDBName", kDefaultFirm).trimmed();
    if (CurrentFirm.isEmpty()) CurrentFirm = kDefaultFirm;
    RunPrgFirst = ini.ReadBool(kSectionConfig, "RunPrgFirst", true);
    RunPrgSetup = ini.ReadBool(kSectionConfig, "RunPrgSetup", true);
    BuilderMode = ini.ReadBool(kSectionConfig, "BuilderMode", false);
}

}  // namespace

bool PortableInstall() { return FileExists(ProgramFolder + QString::fromLatin1(kProgramIniName)); }

QString ProgramIniPath() {
    if (PortableInstall()) return ProgramFolder + QString::fromLatin1(kProgramIniName);
    // Made here, with the levels above it, so that every writer of the file finds its folder.
    const QString folder = UserFolder(QStandardPaths::AppConfigLocation);
    ForceDirectories(folder);
    return folder + QString::fromLatin1(kProgramIniName);
}

QString LocalDataFolder() {
    return (PortableInstall() ? ProgramFolder : UserFolder(QStandardPaths::AppDataLocation)) + "DATA/";
}

QString StandardBackupFolder() {
    return (PortableInstall() ? ProgramFolder : UserFolder(QStandardPaths::AppDataLocation)) + "ZALOHY/";
}

bool PreparePrivateTempFolder() {
    if (IsOwnPrivateFolder(PrivateTempFolder)) return true;
    QString error;
    const QString folder = MakePrivateFolder(QString::fromLatin1(kPrivateTempPrefix), &error);
    if (folder.isEmpty()) {
        ReportCannotCreate(error);
        return false;
    }
    PrivateTempFolder = folder;
    g_madePrivateTemp = folder;
    return true;
}

void RemovePrivateTempFolder() {
    if (g_madePrivateTemp.isEmpty()) return;
    DeleteTree(g_madePrivateTemp);
    if (PrivateTempFolder == g_madePrivateTemp) PrivateTempFolder.clear();
    g_madePrivateTemp.clear();
}

QString NormalizeFolderPath(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty()) return trimmed;
    return IncludeTrailingPathDelimiter(QDir::fromNativeSeparators(trimmed));
}

bool CopyFilesNoConfirm(const QString& source, const QString& target) {
    const QString folder = ExtractFilePath(QDir::fromNativeSeparators(source));
    QString mask = ExtractFileName(QDir::fromNativeSeparators(source));
    if (mask.isEmpty() || mask == "*.*") mask = "*";
    const QDir from(folder.isEmpty() ? QString(".") : folder);
    if (!from.exists() || !ForceDirectories(target)) return false;
    const QString to = IncludeTrailingPathDelimiter(target);
    // Names on the shipped media were written on Windows, so the mask ignores their case.
    const QFileInfoList entries =
        from.entryInfoList({mask}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                           QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            if (!CopyFilesNoConfirm(entry.filePath() + "/*", to + entry.fileName())) return false;
        } else if (!CopyFileKeepDate(entry.filePath(), to + entry.fileName(), false)) {
            return false;
        }
    }
    return true;
}

bool PrepareDataFolder() {
    ReadProgramIni();
    bool ask = DataFolder.isEmpty();
    for (;;) {
        if (ask) {
            bool stop = false;
            DataFolder = AskForDataFolder(stop);
            if (stop) return true;
        }
        DeriveFolders();
        if (DirectoryExists(DataFolder)) break;
        ShowError(QString::fromUtf8(kFolderGone).arg(DataFolder));
        if (AskQuestion(QString::fromUtf8(kFolderGoneQuestion))) return true;
        ask = true;
    }

    if (!DirectoryExists(PrintFolder) && !ForceDirectories(PrintFolder))
        return ReportCannotCreate(PrintFolder);

    if (RunPrgSetup) {
        const QString layouts = ProgramFolder + "Res/FRMRES/";
        if (!CopyFilesNoConfirm(layouts + "*.*", PrintFolder)) {
            ShowError(QString::fromUtf8(kCopyLayoutsFailed).arg(layouts, PrintFolder));
            return true;
        }
        const QString notes = ProgramFolder + "Res/*.rpo";
        if (!CopyFilesNoConfirm(notes, DataFolder)) {
            ShowError(QString::fromUtf8(kCopyNotesFailed).arg(notes, DataFolder));
            return true;
        }
        RunPrgSetup = false;
    }

    // Every level is made: a fallback backup folder in the user's data folder, or a lock folder on a
    // share whose data folder was just made, may lack the levels above it.
    if (!ForceDirectories(LockFolder)) return ReportCannotCreate(LockFolder);
    if (!PreparePrivateTempFolder()) return true;
    if (!ForceDirectories(BackupFolder)) return ReportCannotCreate(BackupFolder);
    return false;
}

bool WriteProgramIni() {
    TIniFile ini(IniPath());
    ini.WriteString(kSectionPath, "DataPath", DataFolder);
    ini.WriteString(kSectionConfig, "LastDBName", CurrentFirm);
    ini.WriteBool(kSectionConfig, "RunPrgFirst", RunPrgFirst);
    ini.WriteBool(kSectionConfig, "RunPrgSetup", RunPrgSetup);
    return false;
}
