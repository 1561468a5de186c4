#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

#include "common/FilePermissions.h"
#include "common/PlantedLink.h"
#include "common/ScriptedDialogs.h"
#include "common/TempDir.h"
#include "common/UserFolders.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/ProgramStateGuard.h"
#include "core/VyberLocNet.h"
#include "platform/files/FileUtils.h"
#include "platform/files/IniFile.h"
#include "platform/files/PrivateFolder.h"
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
    TUserFoldersIn userFolders_{Folder()};

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
    void TearDown() override {
        ExecDataFolderDialog = previousExec_;
        RemovePrivateTempFolder();
    }

    // The ini file beside the program: a portable install.
    QString IniPath() const { return ProgramFolder + "Varnobis.ini"; }
    QString UserConfig() const { return userFolders_.Config(); }
    QString UserData() const { return userFolders_.Data(); }
    // Every file under the program folder other than what it was shipped with.
    QStringList WrittenIntoProgramFolder() const {
        QStringList found;
        QDirIterator it(ProgramFolder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = QDir(ProgramFolder).relativeFilePath(it.next());
            if (!path.startsWith("Res")) found << path;
        }
        return found;
    }

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
        EXPECT_EQ(w.edtLocSlozkaData->text(), UserData() + "DATA/");
        EXPECT_FALSE(w.edtNetSlozkaData->isEnabled());
        w.acBtnOK->trigger();
    };
    ASSERT_FALSE(PrepareDataFolder());
    EXPECT_EQ(dialogShown_, 1);
    EXPECT_TRUE(localWasChecked);
    EXPECT_EQ(DataFolder, UserData() + "DATA/");
    EXPECT_EQ(PrintFolder, DataFolder + "PRINT/");
    EXPECT_EQ(LockFolder, DataFolder + "LOCK/");
    EXPECT_EQ(BackupFolder, UserData() + "ZALOHY/");
    EXPECT_TRUE(IsOwnPrivateFolder(PrivateTempFolder)) << PrivateTempFolder.toStdString();
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
    // The choice reaches the ini file only at shutdown, and then in the user's configuration folder.
    EXPECT_FALSE(QFile::exists(UserConfig() + "Varnobis.ini"));
    EXPECT_FALSE(WriteProgramIni());
    EXPECT_EQ(TIniFile(UserConfig() + "Varnobis.ini").ReadString("PATH", "DataPath", ""), DataFolder);
    EXPECT_EQ(WrittenIntoProgramFolder(), QStringList());
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
    WriteFile(UserData() + "DATA", "x");
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8("Chyba : nelze vytvořit adresář ") + UserData() + "DATA/");
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

TEST_F(DataFolderTest, OnlyAnIniFileBesideTheProgramKeepsTheFilesBesideTheProgram) {
    struct Case {
        const char* name;
        bool iniBeside;
        bool programReadOnly;
    };
    const Case kCases[] = {
        {"writable program folder", false, false},
        {"read-only program folder", false, true},
        {"portable install", true, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        QFile::remove(IniPath());
        if (c.iniBeside) WriteFile(IniPath(), "[CONFIG]\nLastDBName=DEMO\n");
        ::chmod(QFile::encodeName(ProgramFolder).constData(), c.programReadOnly ? 0555 : 0755);
        const QString base = c.iniBeside ? ProgramFolder : UserData();
        EXPECT_EQ(ProgramIniPath(), (c.iniBeside ? ProgramFolder : UserConfig()) + "Varnobis.ini");
        EXPECT_EQ(LocalDataFolder(), base + "DATA/");
        EXPECT_EQ(StandardBackupFolder(), base + "ZALOHY/");
        EXPECT_EQ(PortableInstall(), c.iniBeside);
        ::chmod(QFile::encodeName(ProgramFolder).constData(), 0755);
    }
}

// A station that runs the program from a read-only folder and keeps its data on a share; its own
// data folder (for the backups) does not exist yet, not even the levels above it.
TEST_F(DataFolderTest, ReadOnlyProgramFolderWithANetworkDataFolderStarts) {
    const QString share = Folder() + "server/sdilena/data/";
    QDir().mkpath(share);
    QDir().mkpath(UserConfig());
    WriteFile(UserConfig() + "Varnobis.ini", ("[PATH]\nDataPath=" + share + "\n").toUtf8());
    ::chmod(QFile::encodeName(ProgramFolder).constData(), 0555);
    {
        TFilePermissionsApply asAUser;
        TScriptedDialogs dialogs;
        EXPECT_FALSE(PrepareDataFolder());
    }
    ::chmod(QFile::encodeName(ProgramFolder).constData(), 0755);
    EXPECT_EQ(dialogShown_, 0);
    EXPECT_EQ(DataFolder, share);
    EXPECT_EQ(BackupFolder, UserData() + "ZALOHY/");
    for (const QString& folder : {LockFolder, PrintFolder, BackupFolder})
        EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
    EXPECT_EQ(ReadFile(share + "index.rpo"), "notes");
    EXPECT_EQ(WrittenIntoProgramFolder(), QStringList());
}

TEST_F(DataFolderTest, PrivateTemporaryFolderIsThisProcesssOwnAndGoesWithoutFollowingLinks) {
    const QString data = Folder() + "data/";
    QDir().mkpath(data);
    WriteFile(IniPath(), ("[PATH]\nDataPath=" + data + "\n[CONFIG]\nRunPrgSetup=0\n").toUtf8());
    // One left from elsewhere and readable by everyone is not taken.
    const QString open = Folder() + "otevrena/";
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0755);
    PrivateTempFolder = open;
    TScriptedDialogs dialogs;
    ASSERT_FALSE(PrepareDataFolder());
    const QString made = PrivateTempFolder;
    EXPECT_NE(made, open);
    EXPECT_TRUE(IsOwnPrivateFolder(made));
    // A second preparation keeps the folder this process made.
    ASSERT_FALSE(PrepareDataFolder());
    EXPECT_EQ(PrivateTempFolder, made);

    const TPlantedLink planted(Folder() + "cizi", made + "ZALOHA_OBNOVA");
    WriteFile(made + "nabidka.pdf", "pdf");
    RemovePrivateTempFolder();
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(made)));
    EXPECT_TRUE(planted.Intact());
    EXPECT_TRUE(QDir(open).exists());
}

}  // namespace
