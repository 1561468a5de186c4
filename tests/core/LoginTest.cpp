#include <gtest/gtest.h>

#include <QLabel>

#include "common/ScriptedDialogs.h"
#include "core/UsersTest.h"

namespace {

TEST(ScramblePassword, TwiceGivesTheTextBackAndOnceHidesIt) {
    const QString kCases[] = {"",
                              "a",
                              "Heslo123",
                              "heslo s mezerou",
                              "Žluťoučký kůň",
                              "0123456789abcdef",
                              QString(300, QChar('x'))};
    for (const QString& text : kCases) {
        SCOPED_TRACE(text.left(20).toStdString());
        const QString once = ScramblePassword(text);
        EXPECT_EQ(once.size(), text.size());
        EXPECT_EQ(ScramblePassword(once), text);
        if (!text.isEmpty()) {
            EXPECT_NE(once, text);
        }
        // A NUL would cut the stored text short.
        if (text.size() < 128) {
            EXPECT_FALSE(once.contains(QChar(0)));
        }
    }
    // The key follows the position, so equal letters scramble differently.
    const QString same = ScramblePassword("aaaa");
    EXPECT_NE(same[0], same[1]);
}

TEST(TUser, DefaultUserHasEveryRight) {
    const TUser user;
    EXPECT_EQ(user.UzivID, 0);
    EXPECT_EQ(user.Nabidky_AR, TAccessLevel::Full);
    EXPECT_EQ(user.SeznamAgend_AR, TAccessLevel::Full);
    EXPECT_TRUE(user.Administrator_AR && user.NakupniCeny_AR && user.VsechnyNabidky_AR &&
                user.PrehlSestavyNab_AR);
    EXPECT_FALSE(user.UseStartDBName);
    EXPECT_EQ(user.AddCreatorFilter("SELECT * FROM Nabidky"), "SELECT * FROM Nabidky");
}

TEST(TUser, AddCreatorFilterLimitsToThePrefilter) {
    struct Case {
        const char* sql;
        const char* prefilter;
        const char* expected;
    };
    const Case kCases[] = {
        {"SELECT * FROM Nabidky", "3;5", "SELECT * FROM Nabidky WHERE (VytvorID IN (3,5))"},
        {"SELECT * FROM Nabidky WHERE Archiv = 0", "3;5",
         "SELECT * FROM Nabidky WHERE Archiv = 0 AND (VytvorID IN (3,5))"},
        // The search for the keyword is case-sensitive.
        {"SELECT * FROM Nabidky where Archiv = 0", "7",
         "SELECT * FROM Nabidky where Archiv = 0 WHERE (VytvorID IN (7))"},
        // Only numbers reach the statement, whatever the stored list holds.
        {"SELECT * FROM Nabidky", "3;1) OR (1=1;5", "SELECT * FROM Nabidky WHERE (VytvorID IN (3,5))"},
    };
    TUser user;
    user.VsechnyNabidky_AR = false;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sql);
        user.PrefiltrNabidkyVytvorID_AR = c.prefilter;
        EXPECT_EQ(user.AddCreatorFilter(c.sql), c.expected);
    }
}

TEST(TUser, RightsMessagesAreInformation) {
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(kNoRightsText).ExpectInformation(kReadOnlyText);
    TUser::ShowNoRightsMessage();
    TUser::ShowReadOnlyMessage();
    dialogs.Verify();
}

class LoginTest : public UsersTest {
protected:
    void SetUp() override {
        UsersTest::SetUp();
        nameLabel_ = new QLabel("?", main_.get());
        nameLabel_->setObjectName("lblUserName");
    }
    QLabel* nameLabel_ = nullptr;
};

TEST_F(LoginTest, EmptyTableGivesTheDefaultUserWithoutAPrompt) {
    CurrentUser.Jmeno = "someone before";
    CurrentUser.Administrator_AR = false;
    TPromptScript prompts({});
    EXPECT_EQ(LoginUser(), 0);
    EXPECT_EQ(prompts.Shown(), 0);
    EXPECT_EQ(CurrentUser.Jmeno, "");
    EXPECT_TRUE(CurrentUser.Administrator_AR);
    EXPECT_EQ(CurrentUser.Cenik_AR, TAccessLevel::Full);
    EXPECT_EQ(nameLabel_->text(), "");
    EXPECT_FALSE(main_->adqGlobalFree1.Active());
}

TEST_F(LoginTest, FirstMatchingRowInUserNumberOrderLogsIn) {
    // Inserted out of number order; two rows share a password, as rows written by hand may.
    AddUser(9, "Devátý", "spolecne");
    AddUser(4, "Čtvrtý", "spolecne",
            {{"Cenik_AR", 2},
             {"NakupniCeny_AR", false},
             {"Telefon", "777 111 222"},
             {"PrefiltrNabidkyVytvorID_AR", "4;9"},
             {"VsechnyNabidky_AR", false}});
    TScriptedDialogs dialogs;
    TPromptScript prompts({"spolecne"});
    EXPECT_EQ(LoginUser(), 0);
    EXPECT_EQ(prompts.Shown(), 1);
    EXPECT_TRUE(prompts.LayoutWasPasswordMode());
    EXPECT_EQ(CurrentUser.UzivID, 4);
    EXPECT_EQ(CurrentUser.ID, 4);
    EXPECT_EQ(CurrentUser.Jmeno, "Čtvrtý");
    EXPECT_EQ(CurrentUser.Pwd, "spolecne");
    EXPECT_EQ(CurrentUser.Cenik_AR, TAccessLevel::ReadOnly);
    EXPECT_FALSE(CurrentUser.NakupniCeny_AR);
    EXPECT_TRUE(CurrentUser.Zamky_AR);
    EXPECT_EQ(CurrentUser.Telefon, "777 111 222");
    EXPECT_EQ(CurrentUser.PrefiltrNabidkyVytvorID_AR, "4;9");
    EXPECT_EQ(nameLabel_->text(), "Čtvrtý");
    EXPECT_FALSE(main_->adqGlobalFree1.Active());
}

TEST_F(LoginTest, WrongPasswordRepeatsThePromptUntilItMatches) {
    AddUser(1, "Jana", "Heslo");
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(kWrongPasswordText).ExpectWarning(kWrongPasswordText);
    // Case matters; the field is empty again at every repeat.
    TPromptScript prompts({"heslo", "HESLO", "Heslo"});
    EXPECT_EQ(LoginUser(), 0);
    EXPECT_EQ(prompts.Shown(), 3);
    EXPECT_TRUE(prompts.LayoutWasPasswordMode());
    EXPECT_EQ(CurrentUser.Jmeno, "Jana");
    dialogs.Verify();
}

TEST_F(LoginTest, CancelledPromptAnswersMinusOne) {
    AddUser(1, "Jana", "Heslo");
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(kWrongPasswordText);
    TPromptScript prompts({"spatne", QString()});
    EXPECT_EQ(LoginUser(), -1);
    EXPECT_EQ(prompts.Shown(), 2);
    EXPECT_EQ(CurrentUser.UzivID, 0);
    EXPECT_FALSE(main_->adqGlobalFree1.Active());
}

TEST_F(LoginTest, EmptyPasswordLogsInItsUser) {
    AddUser(1, "Jana", "Heslo");
    AddUser(2, "Bez hesla", "");
    TPromptScript prompts({""});
    EXPECT_EQ(LoginUser(), 0);
    EXPECT_EQ(CurrentUser.UzivID, 2);
}

TEST_F(LoginTest, StartFirmReplacesTheLastFirm) {
    AddUser(1, "Jana", "a", {{"UseStartDBName", true}, {"StartDBName", "ZAPAD"}});
    AddUser(2, "Petr", "b", {{"UseStartDBName", false}, {"StartDBName", "VYCHOD"}});
    struct Case {
        const char* password;
        const char* firm;
    };
    const Case kCases[] = {{"a", "ZAPAD"}, {"b", "DEMO"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.password);
        CurrentFirm = "DEMO";
        TPromptScript prompts({c.password});
        EXPECT_EQ(LoginUser(), 0);
        EXPECT_EQ(CurrentFirm, c.firm);
    }
}

TEST_F(LoginTest, PromptIsTheStartUpSplashWindow) {
    AddUser(1, "Jana", "Heslo");
    TfrmSplash splash;
    splash.show();
    ASSERT_EQ(frmSplash, &splash);
    EXPECT_TRUE(splash.lblPleaseWait->isVisible());
    EXPECT_FALSE(splash.edtPassword->isVisible());
    TPromptScript prompts({"Heslo"});
    EXPECT_EQ(LoginUser(), 0);
    EXPECT_EQ(prompts.Shown(), 1);
    EXPECT_TRUE(splash.PasswordMode);
    EXPECT_FALSE(splash.isVisible());
    // The typed password does not stay in the window.
    EXPECT_TRUE(splash.edtPassword->text().isEmpty());
}

TEST_F(LoginTest, StoredLevelNoCardWritesRefusesTheArea) {
    AddUser(1, "Jana", "a",
            {{"Cenik_AR", 7}, {"Adresar_AR", -1}, {"Nabidky_AR", 3}, {"Import_AR", QVariant()}});
    TPromptScript prompts({"a"});
    ASSERT_EQ(LoginUser(), 0);
    EXPECT_EQ(CurrentUser.Cenik_AR, TAccessLevel::NoAccess);
    EXPECT_EQ(CurrentUser.Adresar_AR, TAccessLevel::NoAccess);
    EXPECT_EQ(CurrentUser.Nabidky_AR, TAccessLevel::NoAccess);
    // An empty column reads as level 0, as the table's default for a new column.
    EXPECT_EQ(CurrentUser.Import_AR, TAccessLevel::Full);
}

TEST_F(LoginTest, GetUserInfoJoinsTheContactsTheUserHas) {
    AddUser(1, "Jana Nová", "a", {{"Telefon", "603 123 456"}, {"Email", "jana@firma.cz"}});
    AddUser(2, "Petr", "b", {{"Email", "petr@firma.cz"}});
    AddUser(3, "Karel", "c", {{"Telefon", "222"}});
    AddUser(4, "O'Brien", "d");
    struct Case {
        int uzivID;
        const char* info;
    };
    const Case kCases[] = {
        {1, "Jana Nová tel. 603 123 456  jana@firma.cz"},
        {2, "Petr  petr@firma.cz"},
        {3, "Karel tel. 222"},
        {4, "O'Brien"},
        {0, ""},
        {99, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.uzivID);
        EXPECT_EQ(CurrentUser.GetUserInfo(c.uzivID), c.info);
    }
    EXPECT_FALSE(main_->adqGlobalFree2.Active());
}

TEST_F(LoginTest, CreatorFilterRunsOnTheDatabase) {
    // The filtered statement must stay valid SQL for the engine, with and without a WHERE.
    TUser user;
    user.VsechnyNabidky_AR = false;
    user.PrefiltrNabidkyVytvorID_AR = "3;5";
    Global().Execute(
        "CREATE TABLE Nabidky (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, VytvorID INTEGER, "
        "Archiv BIT)");
    for (int creator : {3, 4, 5, 5})
        Global().Execute(QString("INSERT INTO Nabidky (VytvorID, Archiv) VALUES (%1, 0)").arg(creator));
    EXPECT_EQ(Global().OpenRowset(user.AddCreatorFilter("SELECT * FROM Nabidky"))->RowCount(), 3u);
    EXPECT_EQ(
        Global().OpenRowset(user.AddCreatorFilter("SELECT * FROM Nabidky WHERE Archiv = 0"))->RowCount(), 3u);
}

}  // namespace
