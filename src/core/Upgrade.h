#pragma once

#include <QByteArray>
#include <QString>

class TADOConnection;

// The program's version as the user sees it, and where a newer one can be had.
inline constexpr const char* ProgramVersion = "3.00";
inline constexpr const char* kDownloadAddress = "www.varnobis.cz";

// The database passwords, built from their stored form by BuildDatabasePasswords at start-up.
extern QString MainDbPassword;
extern QString FirmDbPassword;
void BuildDatabasePasswords();

// Every byte of the stored text complemented, up to its first zero byte.
QString UnscrambleStoredString(const QByteArray& stored);

// A new GUID as rows carry it: braces, upper-case hex digits.
QString NewGuidString();

// Jet needed every text column an upgrade added to be told to accept the empty text; here every
// text column accepts it anyway, so this only keeps the codes the upgrade steps pass. Answers 0.
int SetAllowZeroLength(int code);

// True when another station has the database open. Closes the connection first (its own
// presence would count too); a presence file left by a station that ended is removed.
bool JetLockProbe(TADOConnection& connection, const QString& lockFile);

// Gives every row of the table a new GUID text in the column.
void FillRepIDs(TADOConnection& connection, const QString& table, const QString& column);

// The version check and upgrade of the main database and of a firm database on their open
// connections. True means stop (the user has been told). An older database is brought to the
// expected version in one transaction, so one that fails halfway stays at its old version and the
// next opening runs the whole step list again; the engine's error then propagates.
bool UpgradeMainDatabase(TADOConnection& connection);
bool UpgradeFirmDatabase(TADOConnection& connection);

// The warnings for a database newer than the program.
QString NewerMainDatabaseMessage(int verId);
QString NewerFirmDatabaseMessage(const QString& firm, int verId);
