#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "common/LockHolder.h"
#include "common/TempDir.h"
#include "core/DbTemplates.h"
#include "meldran/Meldran.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MeldranTest : public TempDirTest {
protected:
    // A firm with Czech names in a text column whose index sorts by the program's collation, and many
    // deleted rows that leave free pages for compaction.
    QString MakeFirm(const QString& name) {
        const QString path = Folder() + name;
        BuildEmptyFirmTemplate(path);
        TADOConnection con;
        con.Open(path);
        con.BeginTrans();
        const QStringList names = {"Čížek", "chata", "Hora", "cihla", "Šťastný", "Žák", "Adam", "Ábel"};
        for (int i = 0; i < 2000; ++i) {
            TParameters p;
            p.AddParameter("Nazev")->Value = names[i % names.size()] + QString::number(i);
            p.AddParameter("Poradi")->Value = i;
            con.Execute("INSERT INTO Sklady (Poradi, Nazev) VALUES (:Poradi, :Nazev)", p);
        }
        con.Execute("CREATE INDEX ixSkladyNazev ON Sklady (Nazev)");
        con.Execute("DELETE FROM Sklady WHERE Poradi >= 8");
        con.CommitTrans();
        con.Close();
        ProbePresence(PresenceFileOf(path));
        return path;
    }
};

TEST_F(MeldranTest, ChecksAndCompactsWhatThePlainShellCannotCheck) {
    BuildMainTemplate(Folder() + "Global.MDB");
    const QString firm = MakeFirm("Firma1.mdb");
    const qint64 before = QFileInfo(firm).size();

    // A shell without the program's collation cannot even read the schema of such a database.
    const QString shell = QStandardPaths::findExecutable("sqlite3");
    if (!shell.isEmpty()) {
        QProcess process;
        process.start(shell, {firm, "PRAGMA integrity_check;"});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_FALSE(process.readAllStandardOutput().trimmed() == "ok" && process.exitCode() == 0)
            << "the stock shell was expected to lack the JET collation";
    }

    const std::vector<TDatabaseReport> reports = MaintainDataFolder(Folder(), true);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].File, "Global.MDB");
    EXPECT_EQ(reports[1].File, "Firma1.mdb");
    for (const TDatabaseReport& r : reports) {
        SCOPED_TRACE(r.File.toStdString());
        EXPECT_EQ(r.State, TDatabaseState::Sound) << r.Problems.join("; ").toStdString();
    }
    EXPECT_LT(reports[1].SizeAfter, before);
    EXPECT_EQ(reports[1].SizeAfter, QFileInfo(firm).size());

    TADOConnection con;
    con.Open(firm);
    EXPECT_EQ(con.OpenRowset("SELECT COUNT(*) FROM Sklady")->Value(0, 0).toInt(), 8);
}

TEST_F(MeldranTest, AnIndexOutOfTheProgramsOrderIsReportedAndTheFileLeftAlone) {
    const QString firm = MakeFirm("FIRMA2.MDB");
    // Another tool wrote rows with its own idea of the collation: the index no longer agrees with the
    // program's order.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(firm.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_create_collation(db, "JET", SQLITE_UTF8, nullptr,
                             [](void*, int n1, const void* a, int n2, const void* b) {
                                 const int c = std::memcmp(a, b, size_t(std::min(n1, n2)));
                                 return c != 0 ? -c : n2 - n1;
                             });
    for (int i = 0; i < 50; ++i) {
        const QByteArray sql = "INSERT INTO Sklady (Poradi, Nazev) VALUES (" + QByteArray::number(100 + i) +
                               ", 'ch" + QByteArray::number(i) + "')";
        ASSERT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    sqlite3_close(db);
    const QByteArray bytes = ReadAll(firm);

    const TDatabaseReport report = CheckDatabase(firm, true);
    EXPECT_EQ(report.State, TDatabaseState::Damaged);
    EXPECT_FALSE(report.Problems.isEmpty());
    EXPECT_EQ(ReadAll(firm), bytes);
    EXPECT_TRUE(ReportText(report).contains(QString::fromUtf8("POŠKOZENÁ")));
}

TEST_F(MeldranTest, ADatabaseOpenAtAnotherStationIsNotTouched) {
    const QString firm = MakeFirm("DEMO.MDB");
    const QByteArray bytes = ReadAll(firm);
    LockHolder station(PresenceFileOf(firm), false);
    ASSERT_TRUE(station.Start());

    const TDatabaseReport report = CheckDatabase(firm, true);
    EXPECT_EQ(report.State, TDatabaseState::InUse);
    EXPECT_EQ(ReadAll(firm), bytes);

    station.Stop();
    EXPECT_EQ(CheckDatabase(firm, true).State, TDatabaseState::Sound);
}

TEST_F(MeldranTest, AFileThatIsNoDatabaseIsReportedUnreadable) {
    QFile file(PathOf("STARA.MDB"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Standard Jet DB, but not really");
    file.close();
    const TDatabaseReport report = CheckDatabase(PathOf("STARA.MDB"), true);
    EXPECT_EQ(report.State, TDatabaseState::Unreadable);
}

TEST_F(MeldranTest, TheShippedProgramReportsInBatchMode) {
    const QString program = qEnvironmentVariable("VN_BUILD_DIR") + "/bin/meldran";
    if (!QFileInfo::exists(program)) GTEST_SKIP() << "meldran is not built";
    BuildMainTemplate(Folder() + "Global.MDB");
    MakeFirm("Firma1.MDB");

    QProcess process;
    process.start(program, {"--batch", Folder()});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8("Global.MDB: v pořádku"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8("Firma1.MDB: v pořádku"))) << output.toStdString();

    QFile broken(PathOf("Firma1.MDB"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write(QByteArray(4096, 'x'));
    broken.close();
    process.start(program, {"--batch", Folder()});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
}

}  // namespace
