#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/Artifacts.h"
#include "platform/files/IniFile.h"

namespace {

// The built program, run as a user would run it on a fresh machine: a copy of the program folder,
// nothing else. Its boxes and windows are answered by a script it reads because the variable names it.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString bin = qEnvironmentVariable("VN_BUILD_DIR") + "/bin";
        if (!QFile::exists(bin + "/varnobis")) GTEST_SKIP() << "the program is not built";
        program_ = root_.path() + "/program/";
        QDirIterator it(bin, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = program_ + QDir(bin).relativeFilePath(from);
            QDir().mkpath(QFileInfo(to).path());
            ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
            QFile(to).setPermissions(QFile(from).permissions());
        }
    }

    // Runs the program with the script; answers what it wrote to its error output.
    QString Run(const QString& script, int& exitCode) {
        const QString scriptPath = root_.path() + "/script.txt";
        QFile file(scriptPath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(script.toUtf8());
        file.close();
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VN_DIALOG_SCRIPT", scriptPath);
        env.insert("HOME", Home());
        env.insert("XDG_CONFIG_HOME", Home() + ".config");
        env.insert("XDG_DATA_HOME", Home() + ".local/share");
        env.insert("XDG_RUNTIME_DIR", Runtime());
        process.setProcessEnvironment(env);
        process.start(program_ + "varnobis", {});
        EXPECT_TRUE(process.waitForFinished(120000));
        exitCode = process.exitCode();
        return QString::fromUtf8(process.readAllStandardError());
    }

    QString Home() const { return root_.path() + "/home/"; }
    // The session's runtime folder: the user's own, closed to everyone else.
    QString Runtime() const {
        const QString folder = root_.path() + "/run";
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return folder;
    }
    // Every entry under the program folder with its size and time, to see that nothing was written.
    QStringList ProgramFolderState() const {
        QStringList state;
        QDirIterator it(program_, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            state << QString("%1 %2 %3")
                         .arg(info.filePath())
                         .arg(info.size())
                         .arg(info.lastModified().toMSecsSinceEpoch());
        }
        state.sort();
        return state;
    }

    QTemporaryDir root_;
    QString program_;
};

TEST_F(EndToEndTest, FreshMachineGetsTheDemonstrationFirmAndComesBackToIt) {
    const QString picture = ArtifactPath("end-to-end-main-window.png");
    QFile::remove(picture);
    const QStringList programBefore = ProgramFolderState();
    int exitCode = -1;
    QString output = Run("datafolder local\nstatus\ngrab " + picture + "\nclose\n", exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8("status firm: DEMO - fiktivní firma")))
        << output.toStdString();
    EXPECT_FALSE(output.contains("dialog ")) << output.toStdString();
    // The shipped program notes are on the desktop.
    EXPECT_TRUE(output.contains("status notes: 5")) << output.toStdString();

    // The firms and backups live in the user's data folder, the ini file in the configuration
    // folder; the program folder is as it was shipped, so a rebuild takes nothing with it.
    const QString data = Home() + ".local/share/Varnobis/DATA/";
    EXPECT_TRUE(QFile::exists(data + "Global.MDB"));
    EXPECT_TRUE(QFile::exists(data + "DEMO.MDB"));
    EXPECT_TRUE(QDir(Home() + ".local/share/Varnobis/ZALOHY").exists());
    const TIniFile ini(Home() + ".config/Varnobis/Varnobis.ini");
    EXPECT_EQ(ini.ReadString("CONFIG", "LastDBName", ""), "DEMO");
    EXPECT_EQ(ini.ReadString("PATH", "DataPath", ""), data);
    EXPECT_EQ(ini.ReadString("CONFIG", "RunPrgFirst", ""), "0");
    EXPECT_EQ(ProgramFolderState(), programBefore);

    // The temporary folder was the user's own under the runtime folder, and went with the program.
    const QRegularExpression temp("status temp: (\\S+) (\\S+)");
    const QRegularExpressionMatch match = temp.match(output);
    ASSERT_TRUE(match.hasMatch()) << output.toStdString();
    EXPECT_TRUE(match.captured(1).startsWith(Runtime() + "/")) << match.captured(1).toStdString();
    EXPECT_EQ(match.captured(2), "private");
    EXPECT_FALSE(QFileInfo::exists(match.captured(1)));
    EXPECT_TRUE(QDir(Runtime()).isEmpty());

    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 300);

    // The second start asks nothing and opens the same firm.
    output = Run("status\nclose\n", exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8("status firm: DEMO - fiktivní firma")))
        << output.toStdString();
    EXPECT_FALSE(output.contains("window datafolder")) << output.toStdString();
    EXPECT_EQ(ProgramFolderState(), programBefore);
}

TEST_F(EndToEndTest, AnIniFileBesideTheProgramKeepsEverythingBesideIt) {
    TIniFile(program_ + "Varnobis.ini").WriteString("CONFIG", "LastDBName", "DEMO");
    int exitCode = -1;
    const QString output = Run("datafolder local\nstatus\nclose\n", exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(QFile::exists(program_ + "DATA/DEMO.MDB"));
    EXPECT_TRUE(QDir(program_ + "ZALOHY").exists());
    EXPECT_EQ(TIniFile(program_ + "Varnobis.ini").ReadString("PATH", "DataPath", ""), program_ + "DATA/");
    EXPECT_FALSE(QDir(Home() + ".local/share/Varnobis").exists());
    EXPECT_FALSE(QFile::exists(Home() + ".config/Varnobis/Varnobis.ini"));
}

TEST_F(EndToEndTest, CancelledDataFolderEndsTheProgramWithItsMessage) {
    int exitCode = -1;
    const QString output = Run("datafolder cancel\nok\n", exitCode);
    EXPECT_TRUE(output.contains(
        QString::fromUtf8("dialog information: Nebyla určena datová složka, program bude ukončen")))
        << output.toStdString();
    EXPECT_FALSE(QFile::exists(program_ + "Varnobis.ini"));
    EXPECT_FALSE(QFile::exists(Home() + ".config/Varnobis/Varnobis.ini"));
    EXPECT_TRUE(QDir(Runtime()).isEmpty());
}

}  // namespace
