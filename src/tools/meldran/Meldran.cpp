#include "meldran/Meldran.h"

#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "platform/db/ADOConnection.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/Presence.h"

namespace {

const char* const kMainDatabase = "GLOBAL.MDB";

// Runs a statement that answers rows of one text column and gives them back.
QStringList TextRows(sqlite3* db, const char* sql) {
    QStringList rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        rows << QString::fromUtf8(sqlite3_errmsg(db));
        return rows;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    if (rc != SQLITE_DONE) rows << QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    return rows;
}

QString Size(qint64 bytes) { return QLocale(QLocale::Czech).toString(bytes) + " B"; }

}  // namespace

QStringList DatabasesOfFolder(const QString& dataFolder) {
    QStringList main;
    QStringList firms;
    const QFileInfoList entries =
        QDir(dataFolder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        if (entry.suffix().compare("MDB", Qt::CaseInsensitive) != 0) continue;
        (entry.fileName().compare(kMainDatabase, Qt::CaseInsensitive) == 0 ? main : firms)
            << entry.fileName();
    }
    return main + firms;
}

TDatabaseReport CheckDatabase(const QString& path, bool compact) {
    TDatabaseReport report;
    report.File = QFileInfo(path).fileName();
    report.SizeBefore = report.SizeAfter = QFileInfo(path).size();
    // The presence file tells whether a station works with the database; compacting under it would
    // pull the file from under its feet.
    if (ProbePresence(PresenceFileOf(path))) {
        report.State = TDatabaseState::InUse;
        return report;
    }
    TADOConnection con;
    try {
        con.Open(path);
        const QStringList check = TextRows(con.Handle(), "PRAGMA integrity_check");
        if (check != QStringList{"ok"}) {
            report.State = TDatabaseState::Damaged;
            report.Problems = check;
            return report;
        }
        if (compact) {
            const QStringList vacuum = TextRows(con.Handle(), "VACUUM");
            if (!vacuum.isEmpty()) {
                report.State = TDatabaseState::Damaged;
                report.Problems = vacuum;
                return report;
            }
        }
    } catch (const EDatabaseError& e) {
        report.State = TDatabaseState::Unreadable;
        report.Problems << QString::fromUtf8(e.what());
        return report;
    }
    con.Close();
    report.SizeAfter = QFileInfo(path).size();
    return report;
}

std::vector<TDatabaseReport> MaintainDataFolder(const QString& dataFolder, bool compact,
                                                const std::function<void(const TDatabaseReport&)>& progress) {
    std::vector<TDatabaseReport> reports;
    for (const QString& file : DatabasesOfFolder(dataFolder)) {
        reports.push_back(CheckDatabase(QDir(dataFolder).filePath(file), compact));
        if (progress) progress(reports.back());
    }
    return reports;
}

QString ReportText(const TDatabaseReport& report) {
    switch (report.State) {
        case TDatabaseState::Sound:
            return QString::fromUtf8("%1: v pořádku, velikost %2 → %3")
                .arg(report.File, Size(report.SizeBefore), Size(report.SizeAfter));
        case TDatabaseState::Damaged:
            return QString::fromUtf8("%1: POŠKOZENÁ DATABÁZE (soubor ponechán beze změny)\n    %2")
                .arg(report.File, report.Problems.join("\n    "));
        case TDatabaseState::InUse:
            return QString::fromUtf8("%1: databáze je otevřená na jiné stanici, přeskočeno").arg(report.File);
        case TDatabaseState::Unreadable:
            return QString::fromUtf8("%1: soubor nelze otevřít jako databázi\n    %2")
                .arg(report.File, report.Problems.join("\n    "));
    }
    return {};
}
