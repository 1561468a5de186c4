#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "common/Artifacts.h"
#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "common/ScriptedFontDialog.h"
#include "core/Login.h"
#include "core/Poznamky.h"
#include "core/ProgramFixture.h"
#include "widgets/VnDBGrids.h"

namespace {

TEST(ProgramNoteTest, TitleFirmAndTextOfANoteFile) {
    struct Case {
        const char* name;
        QStringList lines;
        const char* title;
        const char* firm;
        QStringList text;
    };
    const Case kCases[] = {
        {"title, empty firm, two lines",
         {"#VAL1=Tip", "#VAL2=", "první", "druhý"},
         "Tip",
         "",
         {"první", "druhý"}},
        {"for one firm", {"#VAL1=Tip", "#VAL2=FIRMA", "text"}, "Tip", "FIRMA", {"text"}},
        {"names in any case, further values dropped",
         {"#val2=X", "a", "#Val1=T", "#VAL3=pryč", "b"},
         "T",
         "X",
         {"a", "b"}},
        {"no title line keeps every line", {"#VAL2=FIRMA", "text"}, "", "", {"#VAL2=FIRMA", "text"}},
        {"a value may hold '='", {"#VAL1=a=b", "x=y"}, "a=b", "", {"x=y"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const TProgramNote note = ReadProgramNote(c.lines);
        EXPECT_EQ(note.Title, QString::fromUtf8(c.title));
        EXPECT_EQ(note.Firm, QString::fromUtf8(c.firm));
        EXPECT_EQ(note.Text, c.text.join("\r\n"));
    }
}

class PoznamkyTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }

    int AddNote(const QString& title, const QString& firm, bool showOthers, int creator, bool done) {
        TADOConnection& con = main_->ADOConGlobal;
        TParameters p;
        p.AddParameter("Nazev")->Value = title;
        p.AddParameter("Firma")->Value = firm;
        p.AddParameter("ZobrazOst")->Value = showOthers;
        p.AddParameter("VytvorID")->Value = creator;
        p.AddParameter("Vyrizeno")->Value = done;
        con.Execute(
            "INSERT INTO Poznamky (Nazev, Detail, Firma, ZobrazOst, VytvorID, Vyrizeno) "
            "VALUES (:Nazev, 'text', :Firma, :ZobrazOst, :VytvorID, :Vyrizeno)",
            p);
        return con.OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toInt();
    }

    QStringList Titles() {
        QStringList titles;
        TMemTable& list = main_->mtPoznSeznam;
        for (list.First(); !list.Eof(); list.Next()) titles << list.FieldByName("Nazev")->AsString();
        return titles;
    }
};

TEST_F(PoznamkyTest, ListShowsTheNotesOfThisFirmAndUserOnly) {
    const int me = CurrentUser.UzivID;
    AddNote("cizí soukromá", "", false, me + 1, false);
    AddNote("cizí sdílená", "", true, me + 1, false);
    AddNote("moje soukromá", "", false, me, false);
    AddNote("pro demo", "demo", true, me, false);
    AddNote("pro jinou firmu", "FIRMA", true, me, false);
    AddNote("vyřízená", "", true, me, true);

    ASSERT_EQ(LoadDesktopNotes(kFirstProgramNoteID), 0);
    EXPECT_EQ(Titles(), QStringList({QString::fromUtf8("Vítejte"), QString::fromUtf8("cizí sdílená"),
                                     QString::fromUtf8("moje soukromá"), "pro demo"}));
    ShowDoneNotes = true;
    LoadDesktopNotes(kFirstProgramNoteID);
    EXPECT_TRUE(Titles().contains(QString::fromUtf8("vyřízená")));

    // The program note for FIRMA shows in that firm, named in any case.
    CurrentFirm = "firma";
    LoadDesktopNotes(kFirstProgramNoteID);
    EXPECT_TRUE(Titles().contains("Jen pro FIRMA"));
    EXPECT_TRUE(Titles().contains("pro jinou firmu"));
    EXPECT_FALSE(Titles().contains("pro demo"));
}

TEST_F(PoznamkyTest, ProgramNotesComeFromTheIndexAndSkipMissingFiles) {
    WriteText(DataFolder + "index.rpo", "[RPO]\nFILE1=chybi.rpo\nFILE2=tip1.rpo\nFILE3=\nFILE4=tip2.rpo\n");
    LoadDesktopNotes(-1002);
    TMemTable& list = main_->mtPoznSeznam;
    EXPECT_EQ(list.RecordCount(), 1);
    EXPECT_EQ(list.FieldByName("ID")->AsInteger(), -1002);
    EXPECT_EQ(list.FieldByName("RPOSoubor")->AsString(), "tip1.rpo");
    EXPECT_EQ(list.FieldByName("Detail")->AsString(), QString::fromUtf8("První řádek\r\nDruhý řádek"));
    EXPECT_EQ(main_->rePoznPlocha->toPlainText(), QString::fromUtf8("První řádek\nDruhý řádek"));
}

TEST_F(PoznamkyTest, ProgramNoteIsNotEditedButItsDeletionRemovesItsFile) {
    LoadDesktopNotes(kFirstProgramNoteID);
    int cards = 0;
    ExecNoteCard = [&](TfrmKartaPozn&) { return ++cards, static_cast<int>(QDialog::Rejected); };
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8("Tato poznámka obsahuje texty vztažené přímo k programu"));
    main_->btnOpravitPozn->click();
    EXPECT_EQ(cards, 0);

    dialogs.ExpectQuestion(QString::fromUtf8("Vyjmutí poznámky je nevratná operace"), true);
    main_->btnVyjmoutPozn->click();
    EXPECT_FALSE(QFile::exists(DataFolder + "tip1.rpo"));
    EXPECT_TRUE(main_->mtPoznSeznam.IsEmpty());
    EXPECT_FALSE(main_->btnOpravitPozn->isEnabled());
    // The question for a program note has no tip about settling it.
    EXPECT_FALSE(dialogs.Shown().back().text.contains("Tip:"));
}

TEST_F(PoznamkyTest, NewNoteIsWrittenAndASettledOneLeavesTheList) {
    ExecNoteCard = [](TfrmKartaPozn& card) {
        EXPECT_EQ(card.edtNazev->text(), QString::fromUtf8("<bez názvu>"));
        EXPECT_TRUE(card.chckZobrazOst->isChecked());
        EXPECT_TRUE(card.chckViditelna->isChecked());
        card.edtNazev->setText("Zavolat dodavateli");
        card.reText->setPlainText(QString::fromUtf8("Objednat žluté dlaždice"));
        card.chckViditelna->setChecked(false);
        return static_cast<int>(QDialog::Accepted);
    };
    TScriptedDialogs dialogs;
    main_->btnPridatPozn->click();
    TMemTable& list = main_->mtPoznSeznam;
    const int id = list.FieldByName("ID")->AsInteger();
    EXPECT_GT(id, 0);
    const auto row = main_->ADOConGlobal.OpenRowset(
        "SELECT Nazev, Firma, ZobrazOst, VytvorID, Detail FROM "
        "Poznamky WHERE ID = " +
        QString::number(id));
    ASSERT_EQ(row->RowCount(), 1u);
    EXPECT_EQ(row->Value(0, 0).toString(), "Zavolat dodavateli");
    EXPECT_EQ(row->Value(0, 1).toString(), "DEMO");
    EXPECT_EQ(row->Value(0, 3).toInt(), CurrentUser.UzivID);
    EXPECT_TRUE(row->Value(0, 4).toString().startsWith("{\\rtf"));

    // Settled while settled notes are hidden: gone from the list, back with the filter.
    ExecNoteCard = [](TfrmKartaPozn& card) {
        EXPECT_EQ(card.edtNazev->text(), "Zavolat dodavateli");
        EXPECT_EQ(card.reText->toPlainText(), QString::fromUtf8("Objednat žluté dlaždice"));
        card.chckVyrizeno->setChecked(true);
        return static_cast<int>(QDialog::Accepted);
    };
    main_->btnOpravitPozn->click();
    EXPECT_FALSE(list.Locate("ID", id));
    main_->btnFiltrPozn->click();
    EXPECT_TRUE(list.Locate("ID", id));
    EXPECT_EQ(main_->btnFiltrPozn->text(), QString::fromUtf8("Skrýt vyřízené"));
}

TEST_F(PoznamkyTest, NoteHeldByAnotherStationOpensReadOnlyAndIsNotDeleted) {
    const int id = AddNote("sdílená", "", true, 0, false);
    LoadDesktopNotes(id);
    LockHolder station(LockFolder + "~Global~Poznamky~" + QString::number(id) + ".lck", true);
    ASSERT_TRUE(station.Start());
    bool okEnabled = true;
    ExecNoteCard = [&](TfrmKartaPozn& card) {
        okEnabled = card.btnOK->isEnabled();
        return static_cast<int>(QDialog::Rejected);
    };
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8("Záznam je právě používán jiným uživatelem."));
    main_->btnOpravitPozn->click();
    EXPECT_FALSE(okEnabled);
    dialogs.ExpectWarning(
        QString::fromUtf8("Záznam není možné smazat - je právě používán jiným uživatelem."));
    main_->btnVyjmoutPozn->click();
    EXPECT_TRUE(main_->mtPoznSeznam.Locate("ID", id));
}

TEST_F(PoznamkyTest, DatabaseNoteIsDeletedAfterTheQuestionWithItsTip) {
    const int id = AddNote("smazat", "", true, 0, false);
    LoadDesktopNotes(id);
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8("Tip: chcete-li pouze vypnout zobrazování této poznámky"),
                           false);
    main_->btnVyjmoutPozn->click();
    EXPECT_TRUE(main_->mtPoznSeznam.Locate("ID", id));
    dialogs.ExpectQuestion(QString::fromUtf8("Vyjmutí poznámky je nevratná operace"), true);
    main_->btnVyjmoutPozn->click();
    EXPECT_FALSE(main_->mtPoznSeznam.Locate("ID", id));
    EXPECT_EQ(main_->ADOConGlobal.OpenRowset("SELECT * FROM Poznamky WHERE ID = " + QString::number(id))
                  ->RowCount(),
              0u);
}

TEST_F(PoznamkyTest, RightsOnNotes) {
    const int id = AddNote("sdílená", "", true, 0, false);
    const QString noRights = QString::fromUtf8(kNoRightsText);
    int cards = 0;
    bool okEnabled = true;
    ExecNoteCard = [&](TfrmKartaPozn& card) {
        ++cards;
        okEnabled = card.btnOK->isEnabled();
        return static_cast<int>(QDialog::Rejected);
    };

    // No access: an empty desktop, and the card and deleting refuse.
    CurrentUser.Poznamky_AR = TAccessLevel::NoAccess;
    EXPECT_EQ(LoadDesktopNotes(id), -1);
    EXPECT_TRUE(main_->mtPoznSeznam.IsEmpty());
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(noRights);
    main_->btnPridatPozn->click();

    // Read only: no new note, an existing one opens for viewing, no deleting.
    CurrentUser.Poznamky_AR = TAccessLevel::ReadOnly;
    LoadDesktopNotes(id);
    dialogs.ExpectInformation(noRights);
    main_->btnPridatPozn->click();
    dialogs.ExpectInformation(QString::fromUtf8(kReadOnlyText));
    main_->btnOpravitPozn->click();
    EXPECT_EQ(cards, 1);
    EXPECT_FALSE(okEnabled);
    dialogs.ExpectInformation(noRights);
    main_->btnVyjmoutPozn->click();

    // Without deleting: new notes and edits, still no deleting.
    CurrentUser.Poznamky_AR = TAccessLevel::NoDelete;
    main_->btnOpravitPozn->click();
    EXPECT_TRUE(okEnabled);
    dialogs.ExpectInformation(noRights);
    main_->btnVyjmoutPozn->click();
    EXPECT_TRUE(main_->mtPoznSeznam.Locate("ID", id));
}

TEST_F(PoznamkyTest, PismoOnTheCardSetsTheColourOfTheSelection) {
    TfrmKartaPozn card;
    card.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
    SelectStart(*card.reText, QString::fromUtf8("Zavolat panu Novákovi"), 7);
    ScriptedFontDialog user([](TFontChoice& choice) {
        choice.Color = QColor(255, 0, 0);
        return true;
    });
    card.acPismo->trigger();
    EXPECT_EQ(user.shown, 1);
    EXPECT_EQ(CharColour(*card.reText, 3), QColor(255, 0, 0));
    EXPECT_EQ(CharColour(*card.reText, 12), QColor());
}

TEST_F(PoznamkyTest, TitleFieldOfTheCardShowsSettledNotesInGreen) {
    TfrmKartaPozn card;
    card.edtNazev->setText(QString::fromUtf8(TfrmKartaPozn::kUntitled));
    card.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
    EXPECT_TRUE(card.reText->hasFocus());
    EXPECT_TRUE(card.acPismo->isEnabled());
    card.chckVyrizeno->setChecked(true);
    EXPECT_EQ(card.edtNazev->palette().color(QPalette::Base), QColor(0, 128, 0));
    EXPECT_EQ(card.edtNazev->palette().color(QPalette::Text), QColor(Qt::white));
    // The placeholder title goes as the user comes to the field.
    card.edtNazev->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(card.edtNazev->text().isEmpty());
    EXPECT_FALSE(card.acPismo->isEnabled());
}

}  // namespace
