#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "common/TempDir.h"
#include "common/UserFolders.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/Poznamky.h"
#include "core/SettingsFixture.h"
#include "core/SeznamFirem.h"
#include "core/Startup.h"
#include "platform/files/IniFile.h"

// A program folder with its shipped templates and program notes, a data folder beside it named in the
// ini file, and the main window. Every program-wide value these tests change is put back afterwards.
class ProgramFixture : public TempDirTest {
protected:
    static void SetUpTestSuite() {
        templates_ = new QTemporaryDir;
        const QString res = templates_->path() + "/";
        BuildEmptyFirmTemplate(res + kEmptyFirmTemplate);
        BuildMainTemplate(res + kMainTemplate);
        BuildDemoFirmTemplate(res + kDemoFirmTemplate);
    }
    static void TearDownTestSuite() {
        delete templates_;
        templates_ = nullptr;
    }

    void SetUp() override {
        Save();
        Arrange();
    }

    // A fresh program folder, data folder and main window, as at a first start with the ini file.
    void Arrange() {
        main_.reset();
        QDir(Folder()).removeRecursively();
        QDir().mkpath(Folder());
        ResetProgramTermination();
        ProgramFolder = Folder() + "prog/";
        QDir().mkpath(ProgramFolder + "Res/FRMRES");
        for (const char* name : {kEmptyFirmTemplate, kMainTemplate, kDemoFirmTemplate})
            QFile::copy(templates_->path() + "/" + name, ProgramFolder + "Res/" + name);
        WriteText(ProgramFolder + "Res/index.rpo", "[RPO]\nFILE1=tip1.rpo\nFILE2=tip2.rpo\n");
        WriteText(ProgramFolder + "Res/tip1.rpo", "#VAL1=Vítejte\n#VAL2=\nPrvní řádek\nDruhý řádek\n");
        WriteText(ProgramFolder + "Res/tip2.rpo", "#VAL1=Jen pro FIRMA\n#VAL2=FIRMA\nText\n");
        DataFolder = Folder() + "data/";
        QDir().mkpath(DataFolder);
        WriteIni("PATH", "DataPath", DataFolder);
        RequestTermination = [this] { ++terminations_; };
        ResetProgramTermination();
        main_ = std::make_unique<TfrmMain>();
    }

    void TearDown() override {
        main_.reset();
        Restore();
    }

public:
    static void WriteText(const QString& path, const QByteArray& text) {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
    }
    void WriteIni(const QString& section, const QString& key, const QString& value) {
        TIniFile(ProgramFolder + kProgramIniName).WriteString(section, key, value);
    }
    // The ini file where the program reads it: beside the program, or in the user's configuration folder.
    QString ReadIni(const QString& section, const QString& key) {
        return TIniFile(ProgramIniPath()).ReadString(section, key, "<none>");
    }
    // The user's data folder the program names its own, in the test's folder.
    QString UserData() const { return userFolders_->Data(); }

protected:
    // Runs the start-up up to the open DEMO firm, the way a second start finds things.
    void StartWithDemo() {
        ASSERT_FALSE(RunStartup());
        ASSERT_TRUE(main_->ADOConAgenda.Connected());
    }

    std::unique_ptr<TfrmMain> main_;
    int terminations_ = 0;

private:
    void Save() {
        userFolders_ = std::make_unique<TUserFoldersIn>(Folder());
        saved_ = {ProgramFolder,     DataFolder,   PrintFolder, LockFolder,
                  PrivateTempFolder, BackupFolder, CurrentFirm};
        flags_ = {RunPrgFirst, RunPrgSetup, BuilderMode, ShowDoneNotes, ChangeStampsSuspended};
        lastNote_ = LastNoteID;
        backupCounter_ = BackupCounter;
        execDataFolder_ = ExecDataFolderDialog;
        execFirmList_ = ExecFirmListDialog;
        execNoteCard_ = ExecNoteCard;
        startTool_ = StartDatabaseTool;
        terminate_ = RequestTermination;
        execSettings_ = ExecSettingsDialog;
    }
    void Restore() {
        userFolders_.reset();
        ProgramFolder = saved_[0];
        DataFolder = saved_[1];
        PrintFolder = saved_[2];
        LockFolder = saved_[3];
        PrivateTempFolder = saved_[4];
        BackupFolder = saved_[5];
        CurrentFirm = saved_[6];
        RunPrgFirst = flags_[0];
        RunPrgSetup = flags_[1];
        BuilderMode = flags_[2];
        ShowDoneNotes = flags_[3];
        ChangeStampsSuspended = flags_[4];
        LastNoteID = lastNote_;
        BackupCounter = backupCounter_;
        LastPostalCodeID = 1;
        LastPostalCodeSort = "PSC";
        LastSeenStamp = {0, 0, 0};
        ExecDataFolderDialog = execDataFolder_;
        ExecFirmListDialog = execFirmList_;
        ExecNoteCard = execNoteCard_;
        StartDatabaseTool = startTool_;
        RequestTermination = terminate_;
        ExecSettingsDialog = execSettings_;
        ResetProgramTermination();
    }

    static inline QTemporaryDir* templates_ = nullptr;
    std::unique_ptr<TUserFoldersIn> userFolders_;
    std::array<QString, 7> saved_;
    std::array<bool, 5> flags_{};
    int lastNote_ = 0;
    int backupCounter_ = 0;
    std::function<int(TfrmVyberLocNet&)> execDataFolder_;
    std::function<int(TfrmSeznamFirem&)> execFirmList_;
    std::function<int(TfrmKartaPozn&)> execNoteCard_;
    std::function<bool(const QString&)> startTool_;
    std::function<void()> terminate_;
    std::function<int(TfrmNastaveni&)> execSettings_;
    // The settings and the user the start-up loads are put back too.
    TSettingsSnapshot settings_;
};
