#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

#include "common/ScriptedDialogs.h"
#include "common/TempDir.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/ProgramStateGuard.h"
#include "core/VyberLocNet.h"
#include "platform/files/FileUtils.h"
#include "platform/files/IniFile.h"
#include "platform/ui/DirectoryEdit.h"

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A program folder with its shipped files, and the data-folder window answered by a script.
class DataFolderTest : public TempDirTest {
protected:
    TProgramStateGuard savedState_;  // made before SetUp changes anything

    void SetUp() override {
        ProgramFolder = Folder() + "prog/";
        WriteFile(ProgramFolder + "Res/FRMRES/Nabidka.frx", "layout");
        WriteFile(ProgramFolder + "Res/FRMRES/sub/Cenik.xls", "template");
        WriteFile(ProgramFolder + "Res/index.rpo", "notes");
        WriteFile(ProgramFolder + "Res/0001.res", "not a note");
        previousExec_ = ExecDataFolderDialog;
        ExecDataFolderDialog = [this](TfrmVyberLocNet& window) {
            ++dialogShown_;
            if (!answer_) return static_cast<int>(QDialog::Rejected);
            answer_(window);
            return window.result();
        };
    }
    void TearDown() override { ExecDataFolderDialog = previousExec_; }

    QString IniPath() const { return ProgramFolder + "Varnobis.ini"; }

    // What the scripted user does in the window; none cancels it.
    std::function<void(TfrmVyberLocNet&)> answer_;
    int dialogShown_ = 0;

private:
    std::function<int(TfrmVyberLocNet&)> previousExec_;
};

TEST_F(DataFolderTest, FirstStartAsksAndSetsUpLocalFolder) {
    TScriptedDialogs dialogs;
    bool localWasChecked = false;
    answer_ = [&](TfrmVyberLocNet& w) {
        localWasChecked = w.rbLokalni->isChecked();
        EXPECT_EQ(w.edtLocSlozkaData->text(), ProgramFolder + "DATA/");
        EXPECT_FALSE(w.edtNetSlozkaData->isEnabled());
        w.acBtnOK->trigger();
    };
    ASSERT_FALSE(PrepareDataFolder());
    EXPECT_EQ(dialogShown_, 1);
    EXPECT_TRUE(localWasChecked);
    EXPECT_EQ(DataFolder, ProgramFolder + "DATA/");
    EXPECT_EQ(PrintFolder, DataFolder + "PRINT/");
    EXPECT_EQ(LockFolder, DataFolder + "LOCK/");
    EXPECT_EQ(BackupFolder, ProgramFolder + "ZALOHY/");
    EXPECT_TRUE(PrivateTempFolder.endsWith("/{0CE02553-C4DF-4F04-BA27-FCA481AFC97F}/"));
    EXPECT_EQ(CurrentFirm, "DEMO");
    EXPECT_TRUE(RunPrgFirst);
    EXPECT_FALSE(RunPrgSetup);
    EXPECT_FALSE(BuilderMode);
    EXPECT_EQ(ReadFile(PrintFolder + "Nabidka.frx"), "layout");
    EXPECT_EQ(ReadFile(PrintFolder + "sub/Cenik.xls"), "template");
    EXPECT_EQ(ReadFile(DataFolder + "index.rpo"), "notes");
    EXPECT_FALSE(QFile::exists(DataFolder + "0001.res"));
    for (const QString& folder : {LockFolder, PrivateTempFolder, BackupFolder})
        EXPECT_TRUE(QDir(folder).exists());
    // The choice reaches the ini file only at shutdown.
    EXPECT_FALSE(QFile::exists(IniPath()));
}

TEST_F(DataFolderTest, IniValuesAreNormalizedAndJunkTakesDefaults) {
    const QString data = Folder() + "data";
    QDir().mkpath(data);
    WriteFile(IniPath(), ("[PATH]\nDataPath=   " + data +
                          "   \n[CONFIG]\nLastDBName=FIRMA\n"
                          "RunPrgFirst=ano\nRunPrgSetup=0\nBuilderMode=7\n")
                             .toUtf8());
    TScriptedDialogs dialogs;
    ASSERT_FALSE(PrepareDataFolder());
    EXPECT_EQ(dialogShown_, 0);
    EXPECT_EQ(DataFolder, data + "/");
    EXPECT_EQ(CurrentFirm, "FIRMA");
    EXPECT_TRUE(RunPrgFirst);
    EXPECT_FALSE(RunPrgSetup);
    EXPECT_TRUE(BuilderMode);
    // No first setup was due, so nothing was copied.
    EXPECT_FALSE(QFile::exists(PrintFolder + "Nabidka.frx"));
    EXPECT_TRUE(QDir(PrintFolder).exists());
}

TEST_F(DataFolderTest, NetworkFolderMustExistAndGetsTrailingSlash) {
    const QString share = Folder() + "share";
    QDir().mkpath(share);
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8("Složka ") + Folder() +
                          QString::fromUtf8("nikde neexistuje! Zadejte platné umístění."));
    answer_ = [&](TfrmVyberLocNet& w) {
        w.rbSitove->setChecked(true);
        EXPECT_TRUE(w.edtNetSlozkaData->isEnabled());
        w.edtNetSlozkaData->setText(Folder() + "nikde");
        w.acBtnOK->trigger();
        EXPECT_EQ(w.result(), QDialog::Rejected);  // still open
        w.edtNetSlozkaData->setText(" " + share + " ");
        w.acBtnOK->trigger();
    };
    ASSERT_FALSE(PrepareDataFolder());
    EXPECT_EQ(DataFolder, share + "/");
}

TEST_F(DataFolderTest, VanishedDataFolderAsksAgainOrEnds) {
    WriteFile(IniPath(), ("[PATH]\nDataPath=" + Folder() + "gone/\n").toUtf8());
    const QString gone =
        QString::fromUtf8("Chyba : složka ") + Folder() + QString::fromUtf8("gone/ již neexistuje!");
    const QString question = QString::fromUtf8("Chcete nyní ukončit program ?");
    {
        SCOPED_TRACE("No: the window opens again");
        TScriptedDialogs dialogs;
        dialogs.ExpectError(gone).ExpectQuestion(question, false);
        answer_ = [](TfrmVyberLocNet& w) { w.acBtnOK->trigger(); };
        EXPECT_FALSE(PrepareDataFolder());
        EXPECT_EQ(dialogShown_, 1);
        EXPECT_EQ(DataFolder, ProgramFolder + "DATA/");
        EXPECT_EQ(LockFolder, ProgramFolder + "DATA/LOCK/");
    }
    {
        SCOPED_TRACE("Yes: the program ends");
        TScriptedDialogs dialogs;
        dialogs.ExpectError(gone).ExpectQuestion(question, true);
        EXPECT_TRUE(PrepareDataFolder());
        EXPECT_EQ(dialogShown_, 1);
    }
    {
        SCOPED_TRACE("No, then the window is cancelled");
        TScriptedDialogs dialogs;
        dialogs.ExpectError(gone)
            .ExpectQuestion(question, false)
            .ExpectInformation(QString::fromUtf8("Nebyla určena datová složka, program bude ukončen"));
        answer_ = nullptr;
        EXPECT_TRUE(PrepareDataFolder());
    }
}

TEST_F(DataFolderTest, FailedSetupCopyEndsAndIsRetriedNextStart) {
    const QString data = Folder() + "data/";
    QDir().mkpath(data);
    WriteFile(IniPath(), ("[PATH]\nDataPath=" + data + "\n").toUtf8());
    const QString layouts = ProgramFolder + "Res/FRMRES/";
    QDir(layouts).removeRecursively();
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8("Nastala chyba při kopírování adresáře ") + layouts + " do " +
                            data + "PRINT/");
        EXPECT_TRUE(PrepareDataFolder());
        EXPECT_TRUE(RunPrgSetup);
        EXPECT_FALSE(QFile::exists(data + "index.rpo"));
    }
    WriteFile(layouts + "Nabidka.frx", "layout");
    TScriptedDialogs dialogs;
    EXPECT_FALSE(PrepareDataFolder());
    EXPECT_FALSE(RunPrgSetup);
    EXPECT_EQ(ReadFile(data + "PRINT/Nabidka.frx"), "layout");
    EXPECT_EQ(ReadFile(data + "index.rpo"), "notes");
}

TEST_F(DataFolderTest, UncreatableLocalFolderEnds) {
    // A file where the data folder should be.
    WriteFile(ProgramFolder + "DATA", "x");
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8("Chyba : nelze vytvořit adresář ") + ProgramFolder + "DATA/");
    answer_ = [](TfrmVyberLocNet& w) { w.acBtnOK->trigger(); };
    EXPECT_TRUE(PrepareDataFolder());
}

TEST_F(DataFolderTest, WriteProgramIniKeepsHandTypedBuilderMode) {
    WriteFile(IniPath(), "[CONFIG]\nBuilderMode=1\n; ruční poznámka\n");
    DataFolder = Folder() + "data/";
    CurrentFirm = "FIRMA";
    RunPrgFirst = false;
    RunPrgSetup = false;
    EXPECT_FALSE(WriteProgramIni());
    const TIniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("PATH", "DataPath", ""), DataFolder);
    EXPECT_EQ(ini.ReadString("CONFIG", "LastDBName", ""), "FIRMA");
    EXPECT_EQ(ini.ReadString("CONFIG", "RunPrgFirst", ""), "0");
    EXPECT_EQ(ini.ReadString("CONFIG", "RunPrgSetup", ""), "0");
    EXPECT_EQ(ini.ReadString("CONFIG", "BuilderMode", ""), "1");
}

TEST_F(DataFolderTest, NormalizeFolderPath) {
    EXPECT_EQ(NormalizeFolderPath("  /data/firma  "), "/data/firma/");
    EXPECT_EQ(NormalizeFolderPath("/data/"), "/data/");
    EXPECT_EQ(NormalizeFolderPath("   "), "");
}

TEST_F(DataFolderTest, NetworkEditFollowsTheRadioButtons) {
    TfrmVyberLocNet window(ProgramFolder);
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor base = QApplication::palette().color(QPalette::Base);
    EXPECT_EQ(window.edtLocSlozkaData->palette().color(QPalette::Base), face);
    for (bool network : {true, false, true}) {
        SCOPED_TRACE(network);
        (network ? window.rbSitove : window.rbLokalni)->setChecked(true);
        EXPECT_EQ(window.edtNetSlozkaData->isEnabled(), network);
        EXPECT_EQ(window.edtNetSlozkaData->palette().color(QPalette::Base), network ? base : face);
    }
}

TEST_F(DataFolderTest, HelpButtonAsksForItsPage) {
    QString asked;
    SetHelpTopicHandler([&](const QString& page) { asked = page; });
    TfrmVyberLocNet window(ProgramFolder);
    window.btnNapoveda->click();
    SetHelpTopicHandler(nullptr);
    EXPECT_EQ(asked, "pgSitovyProvoz.htm");
}

TEST(ProgramFilesPlaceTest, AReadOnlyProgramFolderSendsTheProgramsFilesToTheUsersFolders) {
    EXPECT_EQ(ProgramOrUserFolder("/opt/varnobis/", true, "/home/u/.config/Varnobis/"), "/opt/varnobis/");
    EXPECT_EQ(ProgramOrUserFolder("/opt/varnobis/", false, "/home/u/.config/Varnobis/"),
              "/home/u/.config/Varnobis/");

    QTemporaryDir writable;
    EXPECT_TRUE(FolderWritable(writable.path()));
    EXPECT_FALSE(FolderWritable(writable.path() + "/missing"));
    // Not even the administrator can make a file here, whatever the permission bits say.
    EXPECT_FALSE(FolderWritable("/proc/"));

    const QString saved = ProgramFolder;
    QStandardPaths::setTestModeEnabled(true);
    ProgramFolder = "/proc/";
    const QString config =
        IncludeTrailingPathDelimiter(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    const QString data =
        IncludeTrailingPathDelimiter(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    EXPECT_EQ(ProgramIniPath(), config + "Varnobis.ini");
    EXPECT_EQ(LocalDataFolder(), data + "DATA/");
    EXPECT_EQ(StandardBackupFolder(), data + "ZALOHY/");
    ProgramFolder = writable.path() + "/";
    EXPECT_EQ(ProgramIniPath(), ProgramFolder + "Varnobis.ini");
    EXPECT_EQ(LocalDataFolder(), ProgramFolder + "DATA/");
    QStandardPaths::setTestModeEnabled(false);
    ProgramFolder = saved;
}

}  // namespace
