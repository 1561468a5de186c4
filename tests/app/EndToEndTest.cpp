#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
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
        env.insert("XDG_CONFIG_HOME", root_.path() + "/config");
        env.insert("XDG_DATA_HOME", root_.path() + "/share");
        process.setProcessEnvironment(env);
        process.start(program_ + "varnobis", {});
        EXPECT_TRUE(process.waitForFinished(120000));
        exitCode = process.exitCode();
        return QString::fromUtf8(process.readAllStandardError());
    }

    QTemporaryDir root_;
    QString program_;
};

TEST_F(EndToEndTest, FreshMachineGetsTheDemonstrationFirmAndComesBackToIt) {
    const QString picture = ArtifactPath("end-to-end-main-window.png");
    QFile::remove(picture);
    int exitCode = -1;
    QString output = Run("datafolder local\nstatus\ngrab " + picture + "\nclose\n", exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8("status firm: DEMO - fiktivní firma")))
        << output.toStdString();
    EXPECT_FALSE(output.contains("dialog ")) << output.toStdString();
    // The shipped program notes are on the desktop.
    EXPECT_TRUE(output.contains("status notes: 5")) << output.toStdString();

    const QString data = program_ + "DATA/";
    EXPECT_TRUE(QFile::exists(data + "Global.MDB"));
    EXPECT_TRUE(QFile::exists(data + "DEMO.MDB"));
    const TIniFile ini(program_ + "Varnobis.ini");
    EXPECT_EQ(ini.ReadString("CONFIG", "LastDBName", ""), "DEMO");
    EXPECT_EQ(ini.ReadString("PATH", "DataPath", ""), data);
    EXPECT_EQ(ini.ReadString("CONFIG", "RunPrgFirst", ""), "0");

    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 300);

    // The second start asks nothing and opens the same firm.
    output = Run("status\nclose\n", exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QString::fromUtf8("status firm: DEMO - fiktivní firma")))
        << output.toStdString();
    EXPECT_FALSE(output.contains("window datafolder")) << output.toStdString();
}

TEST_F(EndToEndTest, CancelledDataFolderEndsTheProgramWithItsMessage) {
    int exitCode = -1;
    const QString output = Run("datafolder cancel\nok\n", exitCode);
    EXPECT_TRUE(output.contains(
        QString::fromUtf8("dialog information: Nebyla určena datová složka, program bude ukončen")))
        << output.toStdString();
    EXPECT_FALSE(QFile::exists(program_ + "Varnobis.ini"));
}

}  // namespace
