#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>

#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/DetailUzivatele.h"
#include "core/SeznamFirem.h"
#include "core/UsersTest.h"
#include "core/Uzivatele.h"
#include "offers/PrefiltrNabidky.h"
#include "widgets/VnDBGrids.h"

namespace {

TfrmUzivatele& List(QWidget* w) { return *static_cast<TfrmUzivatele*>(w); }
TfrmDetailUzivatele& Card(QWidget* w) { return *static_cast<TfrmDetailUzivatele*>(w); }

// What the card shows, typed in by the user.
void Type(TfrmDetailUzivatele& card, const QString& name, const QString& password, const QString& again) {
    card.edtJmeno->setText(name);
    card.edtHeslo->setText(password);
    card.edtHeslo2->setText(again);
}

QVariantMap LoginRow(TADOConnection& con, int uzivID) {
    const auto rows = con.OpenRowset(QString("SELECT * FROM Login WHERE UzivID = %1").arg(uzivID));
    QVariantMap row;
    if (rows->RowCount() == 0) return row;
    for (size_t c = 0; c < rows->Columns.size(); ++c) row[rows->Columns[c].Name] = rows->Value(0, c);
    return row;
}

class UzivateleTest : public UsersTest {
protected:
    void SetUp() override {
        UsersTest::SetUp();
        // The administrator logged in; the list works on the main database's scratch query.
        AddUser(1, "Správce", "admin");
        CurrentUser = TUser();
        CurrentUser.UzivID = 1;
    }

    // The list as the user list opens it, for the card alone.
    void OpenList() {
        TADOQuery& q = main_->adqGlobalFree1;
        q.Close();
        q.SetSQL("SELECT * FROM Login ORDER BY UzivID");
        q.Open();
    }
};

TEST_F(UzivateleTest, WithoutTheAdministratorsRightTheListIsRefused) {
    CurrentUser.Administrator_AR = false;
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(kNoRightsText);
    EXPECT_EQ(ShowUserList(0), -1);
    dialogs.Verify();
}

TEST_F(UzivateleTest, ListShowsTheUsersAndItsButtonsFollowTheRows) {
    AddUser(2, "Petr Malý", "petr");
    TModalScript script;
    script.Then("frmUzivatele", [](QWidget* w) {
        TfrmUzivatele& list = List(w);
        EXPECT_EQ(list.windowTitle(), "Seznam uživatelů");
        EXPECT_FALSE(list.btnOK->isVisible());
        EXPECT_TRUE(list.btnOpravit->isEnabled());
        EXPECT_TRUE(list.btnVyjmout->isEnabled());
        TDBGridColumns& columns = list.grUzivatele->Columns();
        ASSERT_EQ(columns.Count(), 2);
        EXPECT_EQ(columns.ColumnAt(0)->Title()->Caption(), "Jméno uživatele");
        EXPECT_EQ(columns.ColumnAt(0)->Width(), 244);
        EXPECT_EQ(columns.ColumnAt(1)->Title()->Caption(), "Profil");
        EXPECT_EQ(columns.ColumnAt(1)->Width(), 103);
        EXPECT_EQ(list.grUzivatele->DataSource()->DataSet()->RecordCount(), 2);
        list.grab().save(ArtifactPath("user_list.png"));
        QTest::keyClick(&list, Qt::Key_Escape);
    });
    EXPECT_EQ(ShowUserList(0), ulrClosed);
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_FALSE(main_->adqGlobalFree1.Active());
}

TEST_F(UzivateleTest, DoubleClickEditsAndTheCardOpensItsHelpPage) {
    AddUser(2, "Petr", "petr");
    QStringList pages;
    SetHelpTopicHandler([&pages](const QString& page) { pages << page; });
    TModalScript script;
    script
        .Then("frmUzivatele",
              [this](QWidget* w) {
                  main_->adqGlobalFree1.Locate("UzivID", 2);
                  List(w).grUzivatele->OnDblClick(List(w).grUzivatele);
              })
        .Then("frmDetailUzivatele",
              [](QWidget* w) {
                  EXPECT_EQ(Card(w).edtJmeno->text(), "Petr");
                  QTest::keyClick(Card(w).edtJmeno, Qt::Key_F1);
                  QTest::keyClick(Card(w).edtJmeno, Qt::Key_Escape);
              })
        .Then("frmUzivatele", [](QWidget* w) { List(w).btnZavrit->click(); });
    ShowUserList(0);
    SetHelpTopicHandler(nullptr);
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_EQ(pages, QStringList{"pgUzivatel.htm"});
    EXPECT_EQ(LoginRow(Global(), 2)["Jmeno"].toString(), "Petr");
}

TEST_F(UzivateleTest, PickModeShowsOkAndEnterPicks) {
    TModalScript script;
    script.Then("frmUzivatele", [](QWidget* w) {
        EXPECT_TRUE(List(w).btnOK->isVisible());
        QTest::keyClick(w, Qt::Key_Return);
    });
    EXPECT_EQ(ShowUserList(1), ulrOk);
}

TEST_F(UzivateleTest, NewUserFromTheListIsWrittenWithEveryColumn) {
    AddUser(5, "Petr", "petr");
    TScriptedDialogs dialogs;
    TModalScript script;
    script.Then("frmUzivatele", [](QWidget* w) { List(w).btnPridat->click(); })
        .Then("frmDetailUzivatele",
              [](QWidget* w) {
                  TfrmDetailUzivatele& card = Card(w);
                  // Defaults of a new card: the next number, level 0, every right, no start firm.
                  EXPECT_EQ(card.edtIDUziv->Value(), 6);
                  EXPECT_TRUE(card.edtIDUziv->isEnabled());
                  for (QComboBox* level : card.Levels()) EXPECT_EQ(level->currentIndex(), 0);
                  for (QCheckBox* right : card.Rights()) EXPECT_TRUE(right->isChecked());
                  EXPECT_FALSE(card.btnPrefiltr->isEnabled());
                  EXPECT_FALSE(card.chckUseStartDBName->isChecked());
                  EXPECT_FALSE(card.btnStartDBName->isEnabled());
                  EXPECT_EQ(card.Level("Cenik_AR")->itemText(2), "pouze pro čtení");

                  Type(card, "Jan O'Brien", "Tajne1", "Tajne1");
                  QTest::keyClicks(card.edtKonfigurace, "obchod");
                  card.edtTelefon->setText("603 000 111");
                  card.Level("Cenik_AR")->setCurrentIndex(2);
                  card.Level("Import_AR")->setCurrentIndex(3);
                  card.Right("NakupniCeny_AR")->setChecked(false);
                  card.Right("Administrator_AR")->setChecked(false);
                  card.Right("VsechnyNabidky_AR")->setChecked(false);
                  EXPECT_TRUE(card.btnPrefiltr->isEnabled());
                  card.btnPrefiltr->click();
                  card.grab().save(ArtifactPath("user_card.png"));
                  QTest::keyClick(card.edtJmeno, Qt::Key_Return);
              })
        .Then("frmPrefiltrNabidky",
              [](QWidget* w) {
                  // Offers made without users come first, then the users; Petr's offers are chosen.
                  auto* prefilter = qobject_cast<TfrmPrefiltrNabidky*>(w);
                  QListWidget* users = prefilter->clbVytvorIDUsers;
                  ASSERT_GE(users->count(), 2);
                  EXPECT_EQ(users->item(0)->text(), QString::fromUtf8(kNamelessUser));
                  for (int i = 0; i < users->count(); ++i) {
                      EXPECT_EQ(users->item(i)->checkState(), Qt::Unchecked);
                      if (users->item(i)->text() == "Petr") users->item(i)->setCheckState(Qt::Checked);
                  }
                  prefilter->btnOK->click();
              })
        .Then("frmUzivatele", [this](QWidget* w) {
            TfrmUzivatele& list = List(w);
            // The list stands on the new user.
            EXPECT_EQ(main_->adqGlobalFree1.FieldByName("Jmeno")->AsString(), "Jan O'Brien");
            EXPECT_EQ(list.grUzivatele->DataSource()->DataSet()->RecordCount(), 3);
            list.btnZavrit->click();
        });
    ShowUserList(0);
    EXPECT_EQ(script.Pending(), 0u);

    const QVariantMap row = LoginRow(Global(), 6);
    ASSERT_FALSE(row.isEmpty());
    EXPECT_EQ(row["Jmeno"].toString(), "Jan O'Brien");
    EXPECT_EQ(row["Konfigurace"].toString(), "OBCHOD");
    EXPECT_EQ(row["Pwd"].toString(), ScramblePassword("Tajne1"));
    EXPECT_EQ(row["Telefon"].toString(), "603 000 111");
    EXPECT_EQ(row["Cenik_AR"].toInt(), 2);
    EXPECT_EQ(row["Import_AR"].toInt(), 3);
    EXPECT_EQ(row["Nabidky_AR"].toInt(), 0);
    EXPECT_FALSE(row["NakupniCeny_AR"].toBool());
    EXPECT_FALSE(row["Administrator_AR"].toBool());
    EXPECT_TRUE(row["Zamky_AR"].toBool());
    EXPECT_FALSE(row["VsechnyNabidky_AR"].toBool());
    // The user's own number joins the chosen ones.
    EXPECT_EQ(row["PrefiltrNabidkyVytvorID_AR"].toString(), "5;6");
    EXPECT_FALSE(row["UseStartDBName"].toBool());
}

TEST_F(UzivateleTest, CardChecksKeepTheCardOpenWithTheirMessage) {
    AddUser(2, "Petr", "petr", {{"Administrator_AR", false}});
    struct Case {
        const char* name;
        bool isNew;
        std::function<void(TfrmDetailUzivatele&)> fill;
        const char* message;
        bool cardChecks;  // refused by the card's own OK, before the table is read
    };
    const Case kCases[] = {
        {"empty name", true, [](TfrmDetailUzivatele& c) { Type(c, "", "x", "x"); }, kNameMissingText, true},
        {"start firm on without a firm", true,
         [](TfrmDetailUzivatele& c) {
             Type(c, "Eva", "x", "x");
             c.chckUseStartDBName->setChecked(true);
         },
         kStartFirmMissingText, true},
        {"passwords differ in case", true, [](TfrmDetailUzivatele& c) { Type(c, "Eva", "Heslo", "heslo"); },
         kPasswordsDifferText, true},
        {"password of another user", true, [](TfrmDetailUzivatele& c) { Type(c, "Eva", "petr", "petr"); },
         kPasswordTakenText, false},
        {"number of another user", true,
         [](TfrmDetailUzivatele& c) {
             Type(c, "Eva", "eva", "eva");
             c.edtIDUziv->SetValue(2);
         },
         kUserNumberTakenText, false},
        {"existing user takes another's password", false,
         [](TfrmDetailUzivatele& c) { Type(c, "Správce", "petr", "petr"); }, kPasswordTakenText, false},
        {"the only administrator gives the right up", false,
         [](TfrmDetailUzivatele& c) { c.Right("Administrator_AR")->setChecked(false); }, kNoAdministratorText,
         false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        OpenList();
        main_->adqGlobalFree1.Locate("UzivID", 1);
        const int before = LoginCount();
        const QVariantMap adminBefore = LoginRow(Global(), 1);
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(c.message);
        TModalScript script;
        QString typedName;
        script.Then("frmDetailUzivatele", [&](QWidget* w) {
            c.fill(Card(w));
            typedName = Card(w).edtJmeno->text();
            Card(w).btnOK->click();
            // The card's own checks keep it on screen.
            if (c.cardChecks) {
                EXPECT_TRUE(w->isVisible());
                Card(w).btnStorno->click();
            }
        });
        if (!c.cardChecks)
            script.Then("frmDetailUzivatele", [&](QWidget* w) {
                // Shown again as the user left it.
                EXPECT_EQ(Card(w).edtJmeno->text(), typedName);
                Card(w).btnStorno->click();
            });
        EXPECT_EQ(EditUser(c.isNew), 0);
        EXPECT_EQ(script.Pending(), 0u);
        dialogs.Verify();
        EXPECT_EQ(LoginCount(), before);
        EXPECT_EQ(LoginRow(Global(), 1), adminBefore);
    }
}

TEST_F(UzivateleTest, ExistingUserKeepsHisPasswordAndIsToldWhenChangesApply) {
    AddUser(2, "Petr", "petr", {{"Cenik_AR", 1}});
    OpenList();
    main_->adqGlobalFree1.Locate("UzivID", 2);
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(kUserChangedText);
    TModalScript script;
    script.Then("frmDetailUzivatele", [](QWidget* w) {
        TfrmDetailUzivatele& card = Card(w);
        EXPECT_EQ(card.edtJmeno->text(), "Petr");
        EXPECT_EQ(card.edtHeslo->text(), "petr");
        EXPECT_EQ(card.edtHeslo2->text(), "petr");
        EXPECT_FALSE(card.edtIDUziv->isEnabled());
        EXPECT_EQ(card.Level("Cenik_AR")->currentIndex(), 1);
        card.edtJmeno->setText("Petr Veliký");
        card.btnOK->click();
    });
    EXPECT_EQ(EditUser(false), 0);
    dialogs.Verify();
    EXPECT_EQ(LoginRow(Global(), 2)["Jmeno"].toString(), "Petr Veliký");
    EXPECT_EQ(LoginRow(Global(), 2)["Pwd"].toString(), ScramblePassword("petr"));
    EXPECT_EQ(main_->adqGlobalFree1.FieldByName("UzivID")->AsInteger(), 2);
}

TEST_F(UzivateleTest, LimitedUserAlwaysSeesHisOwnOffers) {
    struct Case {
        const char* stored;
        const char* saved;
    };
    const Case kCases[] = {{"3;5", "3;5;7"}, {"", "7"}, {"7", "7"}, {"17;70", "17;70;7"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stored);
        Global().Execute("DELETE FROM Login WHERE UzivID = 7");
        AddUser(7, "Omezený", "o7", {{"PrefiltrNabidkyVytvorID_AR", c.stored}, {"Administrator_AR", false}});
        OpenList();
        main_->adqGlobalFree1.Locate("UzivID", 7);
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(kUserChangedText);
        TModalScript script;
        script.Then("frmDetailUzivatele", [](QWidget* w) {
            Card(w).Right("VsechnyNabidky_AR")->setChecked(false);
            Card(w).btnOK->click();
        });
        EXPECT_EQ(EditUser(false), 0);
        EXPECT_EQ(LoginRow(Global(), 7)["PrefiltrNabidkyVytvorID_AR"].toString(), c.saved);
    }
}

TEST_F(UzivateleTest, StartFirmIsPickedFromTheFirmList) {
    const QString savedData = DataFolder, savedLock = LockFolder;
    const auto savedExec = ExecFirmListDialog;
    DataFolder = Folder();
    LockFolder = Folder() + "LOCK/";
    QDir().mkpath(LockFolder);
    BuildEmptyFirmTemplate(Folder() + "Zapad.mdb");
    bool listWasPickOnly = false;
    ExecFirmListDialog = [&](TfrmSeznamFirem& window) {
        listWasPickOnly = window.PickOnly();
        EXPECT_TRUE(window.mtSeznamFirem.Locate("Soubor", "ZAPAD.MDB"));
        return int(QDialog::Accepted);
    };
    OpenList();
    TModalScript script;
    script.Then("frmDetailUzivatele", [](QWidget* w) {
        TfrmDetailUzivatele& card = Card(w);
        Type(card, "Eva", "eva", "eva");
        card.chckUseStartDBName->setChecked(true);
        ASSERT_TRUE(card.btnStartDBName->isEnabled());
        card.btnStartDBName->click();
        EXPECT_EQ(card.edtStartDBName->text(), "ZAPAD");
        card.btnOK->click();
    });
    EXPECT_EQ(EditUser(true), 0);
    ExecFirmListDialog = savedExec;
    DataFolder = savedData;
    LockFolder = savedLock;
    EXPECT_TRUE(listWasPickOnly);
    const QVariantMap row = LoginRow(Global(), 2);
    EXPECT_TRUE(row["UseStartDBName"].toBool());
    EXPECT_EQ(row["StartDBName"].toString(), "ZAPAD");
}

TEST_F(UzivateleTest, EmptyPasswordIsAcceptedForOneUserOnly) {
    OpenList();
    TScriptedDialogs dialogs;
    TModalScript script;
    script.Then("frmDetailUzivatele", [](QWidget* w) {
        Type(Card(w), "Bez hesla", "", "");
        Card(w).btnOK->click();
    });
    EXPECT_EQ(EditUser(true), 0);
    EXPECT_EQ(LoginRow(Global(), 2)["Pwd"].toString(), "");

    dialogs.ExpectWarning(kPasswordTakenText);
    TModalScript second;
    second
        .Then("frmDetailUzivatele",
              [](QWidget* w) {
                  Type(Card(w), "Také bez hesla", "", "");
                  Card(w).btnOK->click();
              })
        .Then("frmDetailUzivatele", [](QWidget* w) { Card(w).btnStorno->click(); });
    EXPECT_EQ(EditUser(true), 0);
    dialogs.Verify();
    EXPECT_EQ(LoginCount(), 2);
}

TEST_F(UzivateleTest, DeletingFromTheList) {
    AddUser(2, "Petr", "petr");
    AddUser(3, "Eva", "eva");
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(kDeleteLoggedInUserText)
        .ExpectQuestion(kDeleteUserQuestion, false)
        .ExpectQuestion(kDeleteUserQuestion, true)
        .ExpectWarning(kRecordVanishedText);
    TModalScript script;
    script.Then("frmUzivatele", [this](QWidget* w) {
        TfrmUzivatele& list = List(w);
        TADOQuery& q = main_->adqGlobalFree1;
        q.Locate("UzivID", 1);  // the logged-in user
        list.btnVyjmout->click();
        q.Locate("UzivID", 2);
        list.btnVyjmout->click();  // declined
        EXPECT_EQ(LoginCount(), 3);
        list.btnVyjmout->click();
        EXPECT_EQ(LoginCount(), 2);
        EXPECT_TRUE(LoginRow(Global(), 2).isEmpty());
        EXPECT_EQ(q.FieldByName("UzivID")->AsInteger(), 3);  // the row after the deleted one
        // Another station deleted the row the list stands on.
        Global().Execute("DELETE FROM Login WHERE UzivID = 3");
        list.btnVyjmout->click();
        EXPECT_EQ(LoginCount(), 1);
        list.btnZavrit->click();
    });
    ShowUserList(0);
    EXPECT_EQ(script.Pending(), 0u);
    dialogs.Verify();
}

TEST_F(UzivateleTest, EditingAUserThatHasGoneIsRefused) {
    AddUser(2, "Petr", "petr");
    OpenList();
    main_->adqGlobalFree1.Locate("UzivID", 2);
    Global().Execute("DELETE FROM Login WHERE UzivID = 2");
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(kRecordVanishedText);
    EXPECT_EQ(EditUser(false), -1);
    dialogs.Verify();
}

}  // namespace
