#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The database tool: checks every database of a data folder for damage and compacts the sound ones,
// while no station has them open. It opens the files through the program's own data layer, so the
// collation and the text functions the program's indexes and views use are there, and a check does
// not fail only because a plain SQLite shell would lack them.

enum class TDatabaseState {
    Sound,      // checked and compacted
    Damaged,    // the check found faults; the file is left as it is
    InUse,      // another station has it open; not touched
    Unreadable  // not a database this program can open
};

struct TDatabaseReport {
    QString File;  // the file name in the data folder
    TDatabaseState State = TDatabaseState::Sound;
    qint64 SizeBefore = 0;
    qint64 SizeAfter = 0;
    QStringList Problems;  // the check's own lines, or the engine's error
};

// The main database and the firm databases of the folder (any case of ".MDB"), main database first,
// then the firms by name.
QStringList DatabasesOfFolder(const QString& dataFolder);

// Checks one database and, when it is sound and compact is set, compacts it.
TDatabaseReport CheckDatabase(const QString& path, bool compact);

// Checks (and compacts) every database of the folder; `progress` hears of each report as it is made.
std::vector<TDatabaseReport> MaintainDataFolder(
    const QString& dataFolder, bool compact,
    const std::function<void(const TDatabaseReport&)>& progress = {});

// One report as the tool shows it, in Czech.
QString ReportText(const TDatabaseReport& report);
