#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QLineEdit>
#include <QTabBar>

#include "PriceListFixture.h"
#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "platform/data/Field.h"
#include "platform/db/DatabaseError.h"
#include "pricelist/KartaSkladu.h"
#include "pricelist/KartaSkupiny.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Sklady.h"

namespace {

// A price list of three sheets "A", "B", "C", each with its basic group, one ordinary group "G"
// and one item in that group.
class SkladyTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        int poradi = 0;
        for (const char* name : {"A", "B", "C"}) {
            Exec(
                QString("INSERT INTO Sklady (Nazev, Poradi) VALUES ('%1', %2)").arg(name).arg(++poradi * 10));
            const int sheet = LastId();
            sheets_.push_back(sheet);
            EXPECT_EQ(CreateBasicGroup(sheet), 0);
            Exec(QString("INSERT INTO Skupiny (Sklad, Nazev, Kod, Zakladni) VALUES (%1, 'G', 'G', 0)")
                     .arg(sheet));
            groups_.push_back(LastId());
            Exec(QString("INSERT INTO Zasoby (Sklad, Skupina, Popis) VALUES (%1, %2, 'Item')")
                     .arg(sheet)
                     .arg(LastId()));
            items_.push_back(LastId());
        }
        Sheets().SetSQL("SELECT * FROM Sklady ORDER BY Poradi");
        Sheets().Open();
        PriceListWindowLinks.pgcSklady = &tabs_;
    }

    TADOQuery& Sheets() { return main_->adqSklady; }
    QString Order() { return Column("SELECT Nazev || Poradi FROM Sklady ORDER BY Poradi"); }
    QString TabTexts() {
        QStringList texts;
        for (int i = 0; i < tabs_.count(); ++i) texts << tabs_.tabText(i);
        return texts.join('|');
    }

    std::vector<int> sheets_, groups_, items_;
    QTabBar tabs_;
};

}  // namespace

TEST_F(SkladyTest, MovesSwapNeighboursAndKeepTheOrderWithoutGaps) {
    struct Case {
        const char* standOn;
        int step;
        const char* order;
    };
    const Case kCases[] = {
        // The ends cannot go further; even then nothing is renumbered.
        {"A", -1, "A10|B20|C30"}, {"C", +1, "A10|B20|C30"}, {"A", +1, "B1|A2|C3"},
        {"C", -1, "B1|C2|A3"},    {"B", +1, "C1|B2|A3"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.standOn) + " " + std::to_string(c.step));
        ASSERT_TRUE(Sheets().Locate("Nazev", c.standOn));
        MoveSheet(c.step);
        EXPECT_EQ(Order(), c.order);
        // The moved sheet stays current.
        EXPECT_EQ(Sheets().FieldByName("Nazev")->AsString(), c.standOn);
    }
}

TEST_F(SkladyTest, ArrowsOfTheSheetListMoveTheSheetAndItsTab) {
    CurrentSheetId = sheets_[0];
    TModalDriver driver;
    driver.Press("frmSklady", "btnListDozadu").Press("frmSklady", "btnStorno");
    EXPECT_EQ(ShowSheetList(TfrmSklady::kModeManage, true), kResultCancel);
    EXPECT_EQ(Order(), "B1|A2|C3");
    EXPECT_EQ(TabTexts(), "B|A|C");
}

TEST_F(SkladyTest, ANewSheetGoesLastWithItsBasicGroup) {
    TModalDriver driver;
    driver
        .On("frmKartaSkladu",
            [](QWidget* w) {
                TModalDriver::Click(w, "btnOK");  // an empty name is refused
                static_cast<TfrmKartaSkladu*>(w)->edtNazev->setText(QString::fromUtf8("Služby"));
                TModalDriver::Click(w, "btnOK");
            })
        .Press("frmSklady", "btnOK");
    dialogs_.ExpectInformation(QString::fromUtf8("Musíte zadat název listu."));
    // Mode 2 adds at once; the manage flag then switches to the new sheet.
    EXPECT_EQ(ShowSheetList(TfrmSklady::kModePickAdd, true), kResultOk);
    const int id = Int(QString::fromUtf8("SELECT ID FROM Sklady WHERE Nazev = 'Služby'"));
    EXPECT_EQ(Int(QString("SELECT Poradi FROM Sklady WHERE ID = %1").arg(id)), 31);
    EXPECT_EQ(CurrentSheetId, id);
    EXPECT_EQ(TabTexts(), QString::fromUtf8("A|B|C|Služby"));
    EXPECT_EQ(tabs_.currentIndex(), 3);
    const int basic = GetBasicGroupId(id);
    ASSERT_GT(basic, 0);
    EXPECT_EQ(Value(QString("SELECT Nazev FROM Skupiny WHERE ID = %1").arg(basic)).toString(),
              QString::fromUtf8("# Nezařazeno #"));
    EXPECT_FALSE(Value(QString("SELECT RepID FROM Sklady WHERE ID = %1").arg(id)).toString().isEmpty());
}

TEST_F(SkladyTest, TheFirstSheetOfAnEmptyListGetsOrderOne) {
    Exec("DELETE FROM Sklady");
    Sheets().Requery();
    TModalDriver driver;
    driver.On("frmKartaSkladu", [](QWidget* w) {
        static_cast<TfrmKartaSkladu*>(w)->edtNazev->setText("List 1");
        TModalDriver::Click(w, "btnOK");
    });
    EditSheet(true);
    EXPECT_EQ(Order(), "List 11");
}

TEST_F(SkladyTest, TheLastSheetCannotBeDeleted) {
    Exec(QString("DELETE FROM Sklady WHERE ID <> %1").arg(sheets_[0]));
    Sheets().Requery();
    dialogs_.ExpectQuestion("mazání CELÉHO LISTU", true)
        .ExpectWarning(QString::fromUtf8("Záznam nelze smazat: ceník musí obsahovat alespoň jeden list."));
    TModalDriver driver;
    driver.Press("frmSklady", "btnVyjmout").Press("frmSklady", "btnStorno");
    ShowSheetList(TfrmSklady::kModeManage, true);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Sklady"), 1);
}

TEST_F(SkladyTest, DeletingTheCurrentSheetMakesTheLastTabCurrent) {
    CurrentSheetId = sheets_[2];
    dialogs_.ExpectQuestion(QString::fromUtf8("mazání CELÉHO LISTU"), true);
    TModalDriver driver;
    driver.On("frmSklady", [this](QWidget* w) {
        EXPECT_EQ(Sheets().FieldByName("ID")->AsInteger(), sheets_[2]);
        TModalDriver::Click(w, "btnVyjmout");
        TModalDriver::Click(w, "btnStorno");
    });
    ShowSheetList(TfrmSklady::kModeManage, true);
    EXPECT_EQ(Order(), "A10|B20");
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Skupiny WHERE Sklad = %1").arg(sheets_[2])), 0);
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE Sklad = %1").arg(sheets_[2])), 0);
    EXPECT_EQ(CurrentSheetId, sheets_[1]);
    EXPECT_EQ(tabs_.currentIndex(), 1);
}

TEST_F(SkladyTest, ADeleteMeetingARecordOpenElsewhereDeletesNothing) {
    const QString partial =
        QString::fromUtf8("Operaci nebylo možné dokončit: některé položky nebo skupiny v listu");
    {
        SCOPED_TRACE("an item open elsewhere: nothing is deleted");
        LockHolder other(RecordLockPath("Zasoby", items_[0]), true);
        ASSERT_TRUE(other.Start());
        dialogs_.ExpectWarning(partial);
        EXPECT_EQ(DeleteSheet(sheets_[0]), -2);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE Sklad = %1").arg(sheets_[0])), 1);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Skupiny WHERE Sklad = %1").arg(sheets_[0])), 2);
    }
    {
        // Every lock is looked at before anything goes: a half-deleted sheet would keep groups
        // whose items are lost.
        SCOPED_TRACE("a group open elsewhere: nothing is deleted either");
        LockHolder other(RecordLockPath("Skupiny", groups_[0]), true);
        ASSERT_TRUE(other.Start());
        dialogs_.ExpectWarning(partial);
        EXPECT_EQ(DeleteSheet(sheets_[0]), -2);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE Sklad = %1").arg(sheets_[0])), 1);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Skupiny WHERE Sklad = %1").arg(sheets_[0])), 2);
        EXPECT_EQ(Int("SELECT COUNT(*) FROM Sklady"), 3);
    }
    {
        SCOPED_TRACE("the sheet open elsewhere");
        LockHolder other(RecordLockPath("Sklady", sheets_[1]), true);
        ASSERT_TRUE(other.Start());
        dialogs_.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
        EXPECT_EQ(DeleteSheet(sheets_[1]), -1);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE Sklad = %1").arg(sheets_[1])), 1);
    }
    EXPECT_EQ(DeleteSheet(sheets_[0]), 0);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Sklady"), 2);
}

TEST_F(SkladyTest, ASheetDeleteThatFailsPartWayLeavesTheWholeSheet) {
    // The engine refuses the last statement, as a damaged or full database would.
    sqlite3_exec(Con().Handle(),
                 "CREATE TRIGGER refuse BEFORE DELETE ON Sklady BEGIN SELECT RAISE(ABORT, 'refused'); END",
                 nullptr, nullptr, nullptr);
    EXPECT_THROW(DeleteSheet(sheets_[0]), EDatabaseError);
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE Sklad = %1").arg(sheets_[0])), 1);
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Skupiny WHERE Sklad = %1").arg(sheets_[0])), 2);
    EXPECT_FALSE(Con().InTransaction());
    // Nothing is left open: the next delete runs.
    sqlite3_exec(Con().Handle(), "DROP TRIGGER refuse", nullptr, nullptr, nullptr);
    EXPECT_EQ(DeleteSheet(sheets_[0]), 0);
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE Sklad = %1").arg(sheets_[0])), 0);
}

TEST_F(SkladyTest, ASheetOpenElsewhereShowsItsCardReadOnly) {
    LockHolder other(RecordLockPath("Sklady", sheets_[1]), true);
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(Sheets().Locate("ID", sheets_[1]));
    dialogs_.ExpectInformation(QString::fromUtf8(kRecordInUseText));
    TModalDriver driver;
    driver.On("frmKartaSkladu", [](QWidget* w) {
        auto* card = static_cast<TfrmKartaSkladu*>(w);
        EXPECT_EQ(card->edtNazev->text(), "B");
        EXPECT_FALSE(card->btnOK->isEnabled());
        card->edtNazev->setText("X");
        TModalDriver::Click(w, "btnOK");
        TModalDriver::Click(w, "btnStorno");
    });
    EditSheet(false);
    EXPECT_EQ(Order(), "A10|B20|C30");
}

namespace {

class SkupinyTest : public SkladyTest {
protected:
    TADOQuery& Picked() { return main_->adqAgendaFree1; }
};

}  // namespace

TEST_F(SkupinyTest, TheBasicGroupIsCopiedAsAnOrdinaryGroupButNeverEditedOrDeleted) {
    const int basic = GetBasicGroupId(sheets_[0]);
    dialogs_.ExpectInformation(
        QString::fromUtf8("Skupinu # Nezařazeno # nelze měnit. Vyberte jinou skupinu."));
    TModalDriver driver;
    driver
        .On("frmSklSkupiny",
            [&](QWidget* w) {
                ASSERT_TRUE(Picked().Locate("ID", basic));
                TModalDriver::Click(w, "btnOpravit");
                EXPECT_EQ(EditGroup(false, true, true, sheets_[0], Picked()), 0);
                TModalDriver::Click(w, "btnOK");
            })
        .On("frmKartaSkupiny", [](QWidget* w) {
            auto* card = static_cast<TfrmKartaSkupiny*>(w);
            EXPECT_EQ(card->edtNazev->text(), QString::fromUtf8("# Nezařazeno #"));
            TModalDriver::Click(w, "btnOK");
        });
    EXPECT_EQ(ShowGroupPicker(sheets_[0]), kResultOk);
    Picked().Close();
    EXPECT_EQ(Int(QString::fromUtf8(
                  "SELECT COUNT(*) FROM Skupiny WHERE Nazev = '# Nezařazeno #' AND Zakladni = 0")),
              1);
    EXPECT_EQ(GetBasicGroupId(sheets_[0]), basic);

    main_->adqSkupiny.SetSQL(QString("SELECT * FROM Skupiny WHERE Sklad = %1").arg(sheets_[0]));
    main_->adqSkupiny.Open();
    ASSERT_TRUE(main_->adqSkupiny.Locate("ID", basic));
    dialogs_.ExpectQuestion(QString::fromUtf8("mazání CELÉ SKUPINY"), true)
        .ExpectInformation(QString::fromUtf8("Skupinu # Nezařazeno # nelze mazat."));
    EXPECT_EQ(DeleteGroup(), -1);
    EXPECT_EQ(GetBasicGroupId(sheets_[0]), basic);
}

TEST_F(SkupinyTest, AGroupIsDeletedWithItsItemsUnlessOneIsOpenElsewhere) {
    TADOQuery& groups = main_->adqSkupiny;
    groups.SetSQL(QString("SELECT * FROM Skupiny WHERE Sklad = %1").arg(sheets_[0]));
    groups.Open();
    ASSERT_TRUE(groups.Locate("ID", groups_[0]));
    {
        LockHolder other(RecordLockPath("Zasoby", items_[0]), true);
        ASSERT_TRUE(other.Start());
        dialogs_.ExpectQuestion(QString::fromUtf8("mazání CELÉ SKUPINY"), true)
            .ExpectWarning(QString::fromUtf8("Operaci nebylo možné dokončit: některé položky v listu"));
        EXPECT_EQ(DeleteGroup(), -2);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Skupiny WHERE ID = %1").arg(groups_[0])), 1);
        EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE ID = %1").arg(items_[0])), 1);
    }
    dialogs_.ExpectQuestion(QString::fromUtf8("mazání CELÉ SKUPINY"), true);
    EXPECT_EQ(DeleteGroup(), 0);
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Skupiny WHERE ID = %1").arg(groups_[0])), 0);
    EXPECT_EQ(Int(QString("SELECT COUNT(*) FROM Zasoby WHERE ID = %1").arg(items_[0])), 0);
    // Only the group's own items went.
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby"), 2);
}

TEST_F(SkupinyTest, AGroupOpenElsewhereIsShownReadOnlyFromThePicker) {
    LockHolder other(RecordLockPath("Skupiny", groups_[1]), true);
    ASSERT_TRUE(other.Start());
    dialogs_.ExpectInformation(QString::fromUtf8(kRecordInUseText));
    TModalDriver driver;
    driver
        .On("frmSklSkupiny",
            [&](QWidget* w) {
                ASSERT_TRUE(Picked().Locate("ID", groups_[1]));
                TModalDriver::Click(w, "btnOpravit");
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmKartaSkupiny", [](QWidget* w) {
            EXPECT_FALSE(static_cast<TfrmKartaSkupiny*>(w)->btnOK->isEnabled());
            TModalDriver::Click(w, "btnStorno");
        });
    EXPECT_EQ(ShowGroupPicker(sheets_[1]), kResultCancel);
}

TEST_F(SkupinyTest, AGroupOutsideThePickerNeedsTheGroupPanel) {
    main_->adqSkupiny.SetSQL("SELECT * FROM Skupiny");
    main_->adqSkupiny.Open();
    dialogs_.ExpectInformation(QString::fromUtf8("zapněte nejprve zobrazení skupin"));
    EXPECT_EQ(EditGroup(true, false, false, sheets_[0], main_->adqSkupiny), -1);

    bool buttonsUpdated = false;
    PriceListWindowLinks.GroupPanelShown = [] { return true; };
    PriceListWindowLinks.UpdatePriceListButtons = [&] { buttonsUpdated = true; };
    TModalDriver driver;
    driver.On("frmKartaSkupiny", [](QWidget* w) {
        auto* card = static_cast<TfrmKartaSkupiny*>(w);
        card->edtKod->setText("KAB");
        card->edtNazev->setText("Kabely");
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditGroup(true, false, false, sheets_[0], main_->adqSkupiny), 0);
    EXPECT_EQ(main_->adqSkupiny.FieldByName("Nazev")->AsString(), "Kabely");
    EXPECT_EQ(main_->adqSkupiny.FieldByName("Sklad")->AsInteger(), sheets_[0]);
    EXPECT_FALSE(main_->adqSkupiny.FieldByName("Zakladni")->AsBoolean());
    EXPECT_TRUE(buttonsUpdated);
}
