#pragma once

#include <QString>
#include <functional>

class TfrmVyberLocNet;

// The folders the program works in, each ending in "/", set at start-up and kept until the end.
extern QString ProgramFolder;      // the folder of the executable
extern QString DataFolder;         // databases, shared by the stations
extern QString PrintFolder;        // DataFolder + "PRINT/": report layouts and templates
extern QString LockFolder;         // DataFolder + "LOCK/": lock files and change stamps
extern QString PrivateTempFolder;  // this process's own temporary folder, closed to other users
extern QString BackupFolder;       // "ZALOHY/" in the user's data folder, or beside a portable program
// The firm open (or to open): its database file name without ".MDB".
extern QString CurrentFirm;

// First-run steps still to do, and whether the shipped report layouts may be edited in place.
extern bool RunPrgFirst;
extern bool RunPrgSetup;
extern bool BuilderMode;

inline constexpr const char* kProgramIniName = "Varnobis.ini";
inline constexpr const char* kDefaultFirm = "DEMO";

// The ini file lives in the user's configuration folder and the data and backup folders in the
// user's data folder, so that rebuilding or replacing the program never takes a firm with it. Only
// an ini file that already stands beside the program (a portable install, made on purpose) keeps
// everything beside the program.
bool PortableInstall();
QString ProgramIniPath();
// The data folder offered as "local": "DATA/" in the user's data folder, or beside a portable program.
QString LocalDataFolder();
// The standard place of backup archives, by the same rule ("ZALOHY/").
QString StandardBackupFolder();

// Makes this process's private temporary folder into PrivateTempFolder unless it holds one already;
// false when none could be made (the user has been told). RemovePrivateTempFolder deletes the folder
// made here, with everything in it, at the program's end.
bool PreparePrivateTempFolder();
void RemovePrivateTempFolder();

// Reads the program ini file, settles the data folder (asking when none is known or it has gone)
// and the folders derived from it, and makes the first-setup copies. True means stop: the user
// has been told why.
bool PrepareDataFolder();

// Writes the data folder, the last firm and the first-run flags into the program ini file.
// Always false.
bool WriteProgramIni();

// A folder as typed by a person or read from a file: blanks around removed, "/" at the end; an
// empty text stays empty.
QString NormalizeFolderPath(const QString& path);

// Copies the files the source names (its file-name part may hold wildcards, "*.*" meaning every
// file) into the target folder, replacing files of the same name without asking; folders that
// match are copied with everything in them. True on success, also when nothing matches.
bool CopyFilesNoConfirm(const QString& source, const QString& target);

// Shows the data-folder window modally and answers its result. Replaceable, so that start-up can
// be driven without a user.
extern std::function<int(TfrmVyberLocNet& window)> ExecDataFolderDialog;
