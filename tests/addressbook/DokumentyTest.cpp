#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "addressbook/Dokumenty.h"
#include "addressbook/Odkaz.h"
#include "common/FakeUrlLauncher.h"
#include "common/ScriptedDialogs.h"
#include "core/CommonUtils.h"
#include "core/DbTemplates.h"
#include "core/FirmFolderTest.h"
#include "core/Main.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/ui/ModalHelper.h"

namespace {

// The firm "FIRMA" open in a main window, with two firms in its address book and the list standing
// on the second.
class DokumentyTest : public FirmFolderTest {
protected:
    void SetUp() override {
        FirmFolderTest::SetUp();
        BuildEmptyFirmTemplate(Folder() + "FIRMA.MDB");
        main_ = std::make_unique<TfrmMain>();
        main_->ADOConAgenda.Open(Folder() + "FIRMA.MDB");
        main_->ADOConAgenda.Execute("INSERT INTO Adresar (Nazev) VALUES ('Alfa')");
        main_->ADOConAgenda.Execute("INSERT INTO Adresar (Nazev) VALUES ('Beta')");
        main_->adqAdresar.SetSQL("SELECT * FROM Adresar");
        main_->adqAdresar.Open();
        main_->adqAdresar.Last();
        savedBrowseFolder_ = LastDocumentBrowseFolder;
        savedChooser_ = ChooseDocumentFile;
        savedShell_ = ShellOpenLauncher;
        DocumentFolderMode = TDocumentFolderMode::Firm;
        PrepareDocumentTable(documents_);
    }
    void TearDown() override {
        LastDocumentBrowseFolder = savedBrowseFolder_;
        ChooseDocumentFile = savedChooser_;
        ShellOpenLauncher = savedShell_;
        DocumentFolderMode = TDocumentFolderMode::Firm;
        main_.reset();
    }

    QString FirmFolder() const { return Folder() + "Dokumenty/FIRMA/2/"; }
    static void Write(const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void AddRow(const QString& file, bool copy, int id = -1) {
        documents_.Append();
        documents_.FieldByName("Popis")->SetAsString(ExtractFileNameForTest(file));
        documents_.FieldByName("File")->SetAsString(file);
        documents_.FieldByName("CopyFile")->SetAsBoolean(copy);
        documents_.FieldByName("ID")->SetAsInteger(id);
        documents_.Post();
    }
    static QString ExtractFileNameForTest(const QString& path) { return path.section('/', -1); }
    // File and copy flag of every row, in the table's natural order.
    QStringList Rows() {
        QStringList rows;
        for (documents_.First(); !documents_.Eof(); documents_.Next())
            rows << documents_.FieldByName("File")->AsString() +
                        (documents_.FieldByName("CopyFile")->AsBoolean() ? " +copy" : "");
        return rows;
    }

    std::unique_ptr<TfrmMain> main_;
    TMemTable documents_;

private:
    QString savedBrowseFolder_;
    std::function<QString(QWidget*, const QString&)> savedChooser_;
    int (*savedShell_)(const QString&) = nullptr;
};

}  // namespace

TEST_F(DokumentyTest, TheSharedFolderOfTheCurrentRecordAndTheToken) {
    EXPECT_EQ(GetDocumentFolder(TDocumentFolderMode::Firm), FirmFolder());
    main_->ADOConAgenda.Execute("INSERT INTO Nabidky (Doklad) VALUES ('NB00001')");
    main_->adqNabidky.SetSQL("SELECT * FROM Nabidky");
    main_->adqNabidky.Open();
    EXPECT_EQ(GetDocumentFolder(TDocumentFolderMode::Offer), Folder() + "Dokumenty/FIRMA/Nabidky/1/");

    struct Case {
        const char* stored;
        QString resolved;
    };
    const Case kCases[] = {
        {"%SDILENA_SLOZKA%nabidka.pdf", FirmFolder() + "nabidka.pdf"},
        {"%sdilena_slozka%nabidka.pdf", FirmFolder() + "nabidka.pdf"},
        {"%Sdilena_Slozka%", FirmFolder()},
        {"%SDILENA_SLOZKA", "%SDILENA_SLOZKA"},
        {"/srv/dokumenty/%SDILENA_SLOZKA%a.pdf", "/srv/dokumenty/%SDILENA_SLOZKA%a.pdf"},
        {"/srv/dokumenty/smlouva.doc", "/srv/dokumenty/smlouva.doc"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(ResolveDocumentPath(QString::fromUtf8(c.stored), TDocumentFolderMode::Firm), c.resolved);
    }
    EXPECT_EQ(ResolveDocumentPath("%SDILENA_SLOZKA%a.pdf", TDocumentFolderMode::Offer),
              Folder() + "Dokumenty/FIRMA/Nabidky/1/a.pdf");
    // Nothing is made on disk by asking.
    EXPECT_FALSE(QDir(Folder() + "Dokumenty").exists());
    // No current record, no folder.
    main_->adqAdresar.Close();
    EXPECT_EQ(GetDocumentFolder(TDocumentFolderMode::Firm), "");
}

TEST_F(DokumentyTest, WebAndMailAddressesGoToTheDesktop) {
    TFakeLauncher launcher;
    struct Case {
        const char* typed;
        const char* opened;
    };
    const Case kCases[] = {
        {"www.elektro-novak.cz", "http://www.elektro-novak.cz"},
        {"http://www.elektro-novak.cz", "http://www.elektro-novak.cz"},
        {"https://www.elektro-novak.cz", "https://www.elektro-novak.cz"},
        {"HTTPS://WWW.ELEKTRO-NOVAK.CZ", "HTTPS://WWW.ELEKTRO-NOVAK.CZ"},
        {"Http://firma.cz", "Http://firma.cz"},
        {"ftp://firma.cz/cenik", "ftp://firma.cz/cenik"},
        {"", "http://"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        TFakeLauncher::opened.clear();
        OpenWebAddress(QString::fromUtf8(c.typed));
        EXPECT_EQ(TFakeLauncher::opened, QStringList{QString::fromUtf8(c.opened)});
    }
    TFakeLauncher::opened.clear();
    SendMailTo("obchod@elektro-novak.cz");
    EXPECT_EQ(TFakeLauncher::opened, QStringList{"mailto:obchod@elektro-novak.cz"});
}

TEST_F(DokumentyTest, OpeningADocumentTellsWhatTheDesktopCannotDo) {
    static int answer = 0;
    static QStringList opened;
    opened.clear();
    ShellOpenLauncher = [](const QString& path) {
        opened << path;
        return answer;
    };
    const QString file = Folder() + "smlouva.xyz";
    Write(file, "x");
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kFileMissing).arg(Folder() + "chybi.pdf"));
        OpenDocumentFile(Folder() + "chybi.pdf");
    }
    EXPECT_TRUE(opened.isEmpty());
    for (int code : {42, 2, 31}) {
        SCOPED_TRACE(code);
        answer = code;
        TScriptedDialogs dialogs;
        if (code == 31) dialogs.ExpectInformation(QString::fromUtf8(kNoAssociation).arg(file));
        OpenDocumentFile(file);
    }
    EXPECT_EQ(opened.size(), 3);
}

TEST_F(DokumentyTest, CopyOnSaveMakesTheFolderAndStoresTheToken) {
    const QString source = Folder() + "zdroj/Nabídka č. 1.pdf";
    Write(source, "obsah");
    AddRow(source, true);
    AddRow("/srv/neni/kopirovat.doc", false, 7);
    TScriptedDialogs dialogs;
    CopyDocumentsToSharedFolder(documents_, TDocumentFolderMode::Firm);
    EXPECT_EQ(Rows(), (QStringList{QString::fromUtf8("%SDILENA_SLOZKA%Nabídka č. 1.pdf"),
                                   "/srv/neni/kopirovat.doc"}));
    EXPECT_EQ(Read(FirmFolder() + QString::fromUtf8("Nabídka č. 1.pdf")), "obsah");
    EXPECT_EQ(Read(source), "obsah");
}

TEST_F(DokumentyTest, ARowThatCannotBeCopiedKeepsItsPathAndLosesItsFlag) {
    const QString inFolder = FirmFolder() + "cenik.xls";
    Write(inFolder, "vlastni");
    const QString twisted = FirmFolder() + "../2/./cenik.xls";
    const QString existing = Folder() + "jinde/cenik.xls";
    Write(existing, "novy");
    struct Case {
        const char* what;
        QString source;
        std::vector<TExpectedDialog> messages;
        QString storedAfter;
        QByteArray targetAfter;
    };
    const Case kCases[] = {
        {"missing source",
         Folder() + "neni.pdf",
         {TExpectedDialog::Error(QString::fromUtf8(kSourceMissing).arg(Folder() + "neni.pdf"))},
         Folder() + "neni.pdf",
         "vlastni"},
        {"the file already in the folder",
         inFolder,
         {TExpectedDialog::Error(QString::fromUtf8(kSameSourceAndTarget))},
         inFolder,
         "vlastni"},
        // Spelled another way it is still the same file, and it must not be deleted as "the old copy".
        {"the same file spelled otherwise",
         twisted,
         {TExpectedDialog::Error(QString::fromUtf8(kSameSourceAndTarget))},
         twisted,
         "vlastni"},
        {"an existing copy kept",
         existing,
         {TExpectedDialog::Question(QString::fromUtf8(kOverwriteQuestion).arg(inFolder), false)},
         existing,
         "vlastni"},
        {"an existing copy overwritten",
         existing,
         {TExpectedDialog::Question(QString::fromUtf8(kOverwriteQuestion).arg(inFolder), true)},
         "%SDILENA_SLOZKA%cenik.xls",
         "novy"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        documents_.EmptyTable();
        AddRow(c.source, true);
        TScriptedDialogs dialogs;
        dialogs.ExpectAll(c.messages);
        CopyDocumentsToSharedFolder(documents_, TDocumentFolderMode::Firm);
        EXPECT_EQ(Rows(), QStringList{c.storedAfter});
        EXPECT_EQ(Read(inFolder), c.targetAfter);
    }
}

TEST_F(DokumentyTest, AFolderThatCannotBeMadeFailsTheRow) {
    // A file where the firm's folder should be: no folder can be made under it.
    Write(Folder() + "Dokumenty/FIRMA", "soubor");
    const QString source = Folder() + "a.txt";
    Write(source, "a");
    AddRow(source, true);
    TScriptedDialogs dialogs;
    dialogs.ExpectError(QString::fromUtf8(kCannotMakeSharedFolder).arg(FirmFolder()));
    CopyDocumentsToSharedFolder(documents_, TDocumentFolderMode::Firm);
    EXPECT_EQ(Rows(), QStringList{source});
}

TEST_F(DokumentyTest, TheLinkCardAddsAChosenFile) {
    const QString file = Folder() + "podklady/Výkres 12.pdf";
    Write(file, "pdf");
    LastDocumentBrowseFolder = Folder();
    static QString startedIn;
    ChooseDocumentFile = [file](QWidget*, const QString& folder) {
        startedIn = folder;
        return file;
    };
    OnNextModal([](QWidget* modal) {
        auto* card = qobject_cast<TfrmOdkaz*>(modal);
        ASSERT_NE(card, nullptr);
        QCoreApplication::processEvents();  // the file dialog opens once the card shows
        EXPECT_EQ(card->windowTitle(), QString::fromUtf8(kAddLinkCaption));
        EXPECT_EQ(card->edtPopis->text(), QString::fromUtf8("Výkres 12"));
        EXPECT_FALSE(card->edtSdilenySoubor->isVisible());
        card->chckZkopirovat->setChecked(true);
        card->btnOK->click();
    });
    TScriptedDialogs dialogs;
    EXPECT_EQ(EditDocumentLink(documents_, true), kResultOk);
    EXPECT_EQ(startedIn, Folder());
    EXPECT_EQ(LastDocumentBrowseFolder, Folder() + "podklady/");
    EXPECT_EQ(Rows(), QStringList{file + " +copy"});
    EXPECT_EQ(documents_.FieldByName("ID")->AsInteger(), -1);
    EXPECT_FALSE(documents_.FieldByName("SmallIcon")->AsString().isEmpty());
}

TEST_F(DokumentyTest, TheLinkCardRefusesAnEmptyLinkAndAsksAboutAMissingFile) {
    ChooseDocumentFile = [](QWidget*, const QString&) { return QString(); };
    const QString missing = Folder() + "neni.doc";
    OnNextModal([missing](QWidget* modal) {
        auto* card = qobject_cast<TfrmOdkaz*>(modal);
        ASSERT_NE(card, nullptr);
        QCoreApplication::processEvents();
        card->edtOdkaz->setText("   ");
        card->btnOK->click();
        card->edtOdkaz->setText("  " + missing + " ");
        card->chckZkopirovat->setChecked(true);
        card->btnOK->click();  // cannot copy a file that is not there
        card->chckZkopirovat->setChecked(false);
        card->btnOK->click();  // asked, No: the card stays
        EXPECT_TRUE(card->isVisible());
        card->btnOK->click();  // asked, Yes
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kLinkMissing))
        .ExpectWarning(QString::fromUtf8(kLinkCannotCopy).arg(missing))
        .ExpectQuestion(QString::fromUtf8(kLinkSaveAnyway).arg(missing), false)
        .ExpectQuestion(QString::fromUtf8(kLinkSaveAnyway).arg(missing), true);
    EXPECT_EQ(EditDocumentLink(documents_, true), kResultOk);
    // Stored as it was checked, without the blanks around it.
    EXPECT_EQ(Rows(), QStringList{missing});
}

TEST_F(DokumentyTest, EditingALinkDropsItsCopyFlagAndShowsTheSharedFolder) {
    const QString file = Folder() + "a.txt";
    Write(file, "a");
    AddRow(file, true);
    AddRow("%SDILENA_SLOZKA%b.txt", false, 4);
    Write(FirmFolder() + "b.txt", "b");
    documents_.First();
    OnNextModal([](QWidget* modal) {
        auto* card = qobject_cast<TfrmOdkaz*>(modal);
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->windowTitle(), QString::fromUtf8(kEditLinkCaption));
        EXPECT_FALSE(card->chckZkopirovat->isVisible());
        EXPECT_TRUE(card->btnProchazet->isEnabled());
        card->edtPopis->setText("Nový popis");
        card->btnOK->click();
    });
    {
        TScriptedDialogs dialogs;
        EXPECT_EQ(EditDocumentLink(documents_, false), kResultOk);
    }
    EXPECT_EQ(Rows(), (QStringList{file, "%SDILENA_SLOZKA%b.txt"}));

    documents_.Last();
    OnNextModal([this](QWidget* modal) {
        auto* card = qobject_cast<TfrmOdkaz*>(modal);
        ASSERT_NE(card, nullptr);
        EXPECT_FALSE(card->btnProchazet->isEnabled());
        EXPECT_TRUE(card->edtSdilenySoubor->isVisible());
        EXPECT_EQ(card->edtSdilenySoubor->text(), FirmFolder());
        card->btnOK->click();
    });
    TScriptedDialogs dialogs;
    EXPECT_EQ(EditDocumentLink(documents_, false), kResultOk);
    EXPECT_EQ(documents_.FieldByName("ID")->AsInteger(), 4);
}

TEST_F(DokumentyTest, AMissingFileHasABlankIcon) {
    const QImage blank = DrawFileIcon(Folder() + "neni.txt");
    ASSERT_EQ(blank.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(qAlpha(blank.pixel(x, y)), 0);
    Write(Folder() + "je.txt", "x");
    EXPECT_EQ(DrawFileIcon(Folder() + "je.txt").size(), QSize(16, 16));
}
