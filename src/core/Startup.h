#pragma once

#include <QString>
#include <functional>

struct TFormatSettings;

// The program's way in and out: the entry sequence that builds the main window and the long-lived
// windows, the start-up steps up to the open firm, and the orderly end that saves the user's profile.
// Nothing here runs a second time in one program run.

// The number the next backup archive takes; read from the main database at start, written at exit.
extern int BackupCounter;
// Where the postal-code list stands when it opens next: the `Mista` row and its sort column (upper
// case). Start-up puts it on the first row sorted by postal code.
extern int LastPostalCodeID;
extern QString LastPostalCodeSort;

// The whole run of the program after the application object exists: the entry sequence, the start-up
// steps and the message loop. Answers the program's exit code.
int RunProgram();

// The start-up steps from the database passwords to the open firm and its desktop notes. True means
// stop: the user has been told why (a cancelled password prompt ends silently).
bool RunStartup();

// Shows the main window's warning panel when the operating system is newer than the program knows.
void CheckWindowsVersion();
// The decision of CheckWindowsVersion: a readable version above 6.3.
bool WindowsVersionNeedsWarning(bool readable, int major, int minor);

// Replaces a locale date separator of more than one character by its first non-blank character, in
// the separator and in the short date format. An empty or one-character separator changes nothing;
// one made only of blanks too (there is nothing to keep).
void ApplyLocaleDateSeparator(const QString& localeSeparator, TFormatSettings& settings);

// `KonfigTab.IDZalohy` of the first row, 0 without a row or a value.
int ReadBackupCounter();
// Writes BackupCounter into the first row of `KonfigTab`; a table without rows is left alone.
// Engine errors are not caught. Answers 0.
int SaveBackupCounter();

// The orderly end: the program ini file, the working state of the open firm, the window geometry and
// the backup counter are written under the working window, then the program ends. Runs once; a second
// call (the main window closing after "Konec") does nothing.
void SaveUserProfileAndExit();
// Ends the program without saving anything of the user's profile (after a restore, a redirected data
// folder, a firm that could not be opened).
void TerminateProgram();
// True once either way out has begun.
bool ProgramTerminating();
// What ending the program does; tests put a recorder in its place and restore it.
extern std::function<void()> RequestTermination;
// Forgets that the program was ending; for tests that run the way out more than once.
void ResetProgramTermination();

// The exclusive-operation lock in LockFolder: held by a backup or a restore, it keeps every other
// station from starting.
inline constexpr const char* kProgramLockName = "~program.lck";

// The hint after a failed connection to the main database names where the database components and
// the program can be had.
inline constexpr const char* kComponentsAddress = "www.varnobis.cz/podpora";
inline constexpr const char* kHomePageAddress = "www.varnobis.cz";
inline constexpr const char* kSupportMailAddress = "podpora@varnobis.cz";
