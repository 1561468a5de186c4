#pragma once

#include <QString>
#include <functional>

class TfrmVyberLocNet;

// The folders the program works in, each ending in "/", set at start-up and kept until the end.
extern QString ProgramFolder;      // the folder of the executable
extern QString DataFolder;         // databases, shared by the stations
extern QString PrintFolder;        // DataFolder + "PRINT/": report layouts and templates
extern QString LockFolder;         // DataFolder + "LOCK/": lock files and change stamps
extern QString PrivateTempFolder;  // this station's own temporary folder
extern QString BackupFolder;       // ProgramFolder + "ZALOHY/"
// The firm open (or to open): its database file name without ".MDB".
extern QString CurrentFirm;

// First-run steps still to do, and whether the shipped report layouts may be edited in place.
extern bool RunPrgFirst;
extern bool RunPrgSetup;
extern bool BuilderMode;

inline constexpr const char* kProgramIniName = "Varnobis.ini";
inline constexpr const char* kDefaultFirm = "DEMO";

// Where the program keeps its own files: beside the program when its folder is writable (a build
// tree, a portable install), else in the user's configuration or data folder, so that a program
// installed into a read-only folder still works.
QString ProgramIniPath();
// The data folder offered as "local": ProgramFolder + "DATA/", or "DATA/" in the user's data folder.
QString LocalDataFolder();
// The standard place of backup archives, by the same rule: ProgramFolder + "ZALOHY/" or beside the
// local data folder.
QString StandardBackupFolder();
// The rule itself: the program's own folder when writable, else the fallback.
QString ProgramOrUserFolder(const QString& programFolder, bool programFolderWritable,
                            const QString& userFolder);
// True when a file can be made in the folder (a permission test alone would not see a read-only
// mount).
bool FolderWritable(const QString& folder);

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
