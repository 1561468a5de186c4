#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "PriceListFixture.h"
#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "platform/data/Field.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenHladDetail.h"
#include "pricelist/PriceRules.h"
#include "pricelist/Sklady.h"

namespace {

// Two levels, two groups with rules for them, items carrying the codes in their fixed slots, and
// customers at the levels. One level's code is also the name of a column, which a code spliced
// into a statement would take for that column.
class CenHladTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        level_ = AddLevel("A", 10, true);
        AddLevel("ZKRATKA", 5, true);
        g1_ = AddGroup("G1");
        g2_ = AddGroup("G2");
        AddRule(g1_, "A", true, 10, true);
        AddRule(g1_, "ZKRATKA", true, 5, true);
        AddRule(g2_, "A", false, 3, true);
        Exec("INSERT INTO Zasoby (Popis, CenHlad1, CenHlad2) VALUES ('i1', 'A', 'ZKRATKA')");
        Exec("INSERT INTO Zasoby (Popis, CenHlad1, CenHlad3) VALUES ('i2', 'ZKRATKA', 'A')");
        Exec("INSERT INTO Adresar (Nazev, CenHladina) VALUES ('c1', 'A')");
        Exec("INSERT INTO Adresar (Nazev, CenHladina) VALUES ('c2', 'ZKRATKA')");
        main_->adqCenHlad.SetSQL("SELECT * FROM CenHlad");
        main_->adqCenHlad.Open();
    }

    int AddGroup(const QString& code) {
        Exec(QString("INSERT INTO CenSkup (Zkratka, Popis, Vlastni) VALUES ('%1', 'x', 1)").arg(code));
        return LastId();
    }

    // Renames the current level with the card, changing its value too.
    static std::function<void(QWidget*)> Rename(const QString& code, double value) {
        return [code, value](QWidget* w) {
            auto* card = static_cast<TfrmCenHladDetail*>(w);
            card->edtZkratka->setText(code);
            card->edtHodnota->SetValue(value);
            TModalDriver::Click(w, "btnOK");
        };
    }

    QString Rules() {
        return Column(
            "SELECT IDCenSkup || ':' || Zkratka || '=' || CLng(Hodnota) FROM CenSkupPol ORDER BY ID");
    }
    QString Slots() {
        return Column(
            "SELECT IFNULL(CenHlad1, '') || ',' || IFNULL(CenHlad2, '') || ',' || IFNULL(CenHlad3, '') FROM "
            "Zasoby "
            "ORDER BY ID");
    }

    int level_ = 0, g1_ = 0, g2_ = 0;
};

}  // namespace

TEST_F(CenHladTest, ARenamedLevelFollowsIntoRulesItemsAndAddressesAfterYes) {
    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
    dialogs_.ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku této cenové hladiny ?"), true)
        .ExpectQuestion(QString::fromUtf8("Chcete změnit zkratku cenové hladiny i v adesáři firem"), true);
    TModalDriver driver;
    driver.On("frmCenHladDetail", Rename("B", 12));
    EXPECT_EQ(EditPriceLevel(false), kResultOk);
    // The taken-over rule follows the level's new value; the group's own value stays.
    EXPECT_EQ(Rules(), QString("%1:B=12|%1:ZKRATKA=5|%2:B=3").arg(g1_).arg(g2_));
    EXPECT_EQ(Slots(), "B,ZKRATKA,|ZKRATKA,,B");
    EXPECT_EQ(Column("SELECT CenHladina FROM Adresar ORDER BY ID"), "B|ZKRATKA");
    EXPECT_EQ(main_->adqCenHlad.FieldByName("Zkratka")->AsString(), "B");
}

TEST_F(CenHladTest, AddressesKeepTheOldCodeAfterNo) {
    ASSERT_TRUE(main_->adqCenHlad.Locate("Zkratka", "ZKRATKA"));
    dialogs_.ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku"), true)
        .ExpectQuestion(QString::fromUtf8("v adesáři firem"), false);
    TModalDriver driver;
    driver.On("frmCenHladDetail", Rename("Z", 5));
    EXPECT_EQ(EditPriceLevel(false), kResultOk);
    // Only the level's own rules and slots change, though its old code is also a column's name.
    EXPECT_EQ(Rules(), QString("%1:A=10|%1:Z=5|%2:A=3").arg(g1_).arg(g2_));
    EXPECT_EQ(Slots(), "A,Z,|Z,,A");
    EXPECT_EQ(Column("SELECT CenHladina FROM Adresar ORDER BY ID"), "A|ZKRATKA");
}

TEST_F(CenHladTest, SavingWithTheSameCodeRewritesTheTakenOverRules) {
    Exec("UPDATE CenSkupPol SET Hodnota = 99 WHERE Zkratka = 'A' AND Prevzato = 1");
    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
    TModalDriver driver;
    driver.Press("frmCenHladDetail", "btnOK");
    EXPECT_EQ(EditPriceLevel(false), kResultOk);
    EXPECT_EQ(Rules(), QString("%1:A=10|%1:ZKRATKA=5|%2:A=3").arg(g1_).arg(g2_));
}

TEST_F(CenHladTest, NoCodeIsTakenTwiceAndRefusingTheRenameReturnsToTheCard) {
    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
    dialogs_.ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku"), false)
        .ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku"), true)
        .ExpectInformation(QString::fromUtf8("Zkratka \"ZKRATKA\" již v seznamu existuje, zadejte jinou."));
    TModalDriver driver;
    driver.On("frmCenHladDetail", Rename("ZKRATKA", 10))
        .On("frmCenHladDetail", Rename("ZKRATKA", 10))
        .Press("frmCenHladDetail", "btnStorno");
    EXPECT_EQ(EditPriceLevel(false), kResultCancel);
    EXPECT_EQ(Column("SELECT Zkratka FROM CenHlad ORDER BY ID"), "A|ZKRATKA");
}

TEST_F(CenHladTest, APercentageThatGivesANegativePriceIsRefused) {
    struct Case {
        int typ;
        double value;
        bool fixed;
        const char* fault;
    };
    const Case kCases[] = {
        {TypHodnotySleva, 100, false, nullptr},
        {TypHodnotySleva, 100.01, false, kSlevaTooHigh},
        {TypHodnotyRabat, 99.99, false, nullptr},
        // The whole price as rabat prices to 0; only more than that would be negative.
        {TypHodnotyRabat, 100, false, nullptr},
        {TypHodnotyRabat, 100.01, false, kRabatTooHigh},
        {TypHodnotyRabat, 150, false, kRabatTooHigh},
        {TypHodnotyMarze, 500, false, nullptr},
        // A fixed level's value is hidden and prices nothing.
        {TypHodnotyRabat, 100, true, nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::to_string(c.typ) + " " + std::to_string(c.value));
        TLevelValues v;
        v.TypHodnoty = c.typ;
        v.Hodnota = c.value;
        v.Prepocitat = !c.fixed;
        EXPECT_EQ(LevelValueFault(v), c.fault ? QString::fromUtf8(c.fault) : QString());
    }

    dialogs_.ExpectInformation(QString::fromUtf8(kSlevaTooHigh));
    TModalDriver driver;
    driver.On("frmCenHladDetail", [](QWidget* w) {
        auto* card = static_cast<TfrmCenHladDetail*>(w);
        card->edtZkratka->setText("VELKA");
        card->edtHodnota->SetValue(120);
        TModalDriver::Click(w, "btnOK");
        card->cmbTypHodnoty->setCurrentIndex(TypHodnotyMarze);
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceLevel(true), kResultOk);
    EXPECT_EQ(Int("SELECT TypHodnoty FROM CenHlad WHERE Zkratka = 'VELKA'"), TypHodnotyMarze);
}

TEST_F(CenHladTest, ALevelThatWouldGiveAGroupAFourthFixedRuleIsNotSaved) {
    for (const char* code : {"F1", "F2", "F3"}) {
        AddLevel(code, 0, false);
        AddRule(g1_, code, true, 0, false);
    }
    main_->adqCenHlad.Requery();
    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
    dialogs_.ExpectInformation(QString::fromUtf8("cenová skupina G1 by obsahovala více než 3 fixní hladiny"));
    TModalDriver driver;
    driver
        .On("frmCenHladDetail",
            [](QWidget* w) {
                static_cast<TfrmCenHladDetail*>(w)->chckFixni->setChecked(true);
                TModalDriver::Click(w, "btnOK");
            })
        .Press("frmCenHladDetail", "btnStorno");
    EXPECT_EQ(EditPriceLevel(false), kResultCancel);
    EXPECT_TRUE(Value(QString("SELECT Prepocitat FROM CenHlad WHERE ID = %1").arg(level_)).toBool());
    EXPECT_EQ(
        Int(QString("SELECT COUNT(*) FROM CenSkupPol WHERE IDCenSkup = %1 AND Prepocitat = 0").arg(g1_)), 3);

    // In G2 the rule for A is the group's own: making the level fixed leaves it, and G2, alone.
    Exec(QString("DELETE FROM CenSkupPol WHERE IDCenSkup = %1 AND Zkratka = 'F3'").arg(g1_));
    TModalDriver again;
    again.On("frmCenHladDetail", [](QWidget* w) {
        static_cast<TfrmCenHladDetail*>(w)->chckFixni->setChecked(true);
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceLevel(false), kResultOk);
    EXPECT_EQ(
        Int(QString("SELECT COUNT(*) FROM CenSkupPol WHERE IDCenSkup = %1 AND Prepocitat = 0").arg(g1_)), 3);
    EXPECT_EQ(
        Int(QString("SELECT COUNT(*) FROM CenSkupPol WHERE IDCenSkup = %1 AND Prepocitat = 0").arg(g2_)), 0);
}

// A rename cut short by the engine (here: the items refuse the update) leaves nothing of it:
// no rule or group naming a code that no level has.
TEST_F(CenHladTest, ARenameCutShortLeavesTheLevelItsRulesAndItemsAsTheyWere) {
    ASSERT_EQ(sqlite3_exec(
                  Con().Handle(),
                  "CREATE TRIGGER vn_refuse BEFORE UPDATE ON Zasoby BEGIN SELECT RAISE(ABORT, 'full'); END",
                  nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
    dialogs_.ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku této cenové hladiny ?"), true);
    TModalDriver driver;
    driver.On("frmCenHladDetail", Rename("B", 12));
    EXPECT_THROW(EditPriceLevel(false), EDatabaseError);
    sqlite3_exec(Con().Handle(), "DROP TRIGGER vn_refuse", nullptr, nullptr, nullptr);
    EXPECT_EQ(Column("SELECT Zkratka FROM CenHlad ORDER BY ID"), "A|ZKRATKA");
    EXPECT_EQ(Rules(), QString("%1:A=10|%1:ZKRATKA=5|%2:A=3").arg(g1_).arg(g2_));
    EXPECT_EQ(Slots(), "A,ZKRATKA,|ZKRATKA,,A");
    EXPECT_FALSE(main_->ADOConAgenda.InTransaction());
    EXPECT_EQ(main_->adqCenHlad.FieldByName("Zkratka")->AsString(), "A");
}

TEST_F(CenHladTest, DeletingALevelRemovesItsRulesOnlyAndNeverWhileItIsOpenElsewhere) {
    {
        LockHolder other(RecordLockPath("CenHlad", level_), true);
        ASSERT_TRUE(other.Start());
        dialogs_.ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
        TModalDriver driver;
        driver
            .On("frmCenHlad",
                [this](QWidget* w) {
                    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
                    TModalDriver::Click(w, "btnVyjmout");
                })
            .Press("frmCenHlad", "btnStorno");
        EXPECT_EQ(ShowPriceLevelList(TPriceCodeList::kModeBrowse, "", true, true), kResultCancel);
        EXPECT_EQ(Int("SELECT COUNT(*) FROM CenHlad"), 2);
    }
    dialogs_.ExpectQuestion(
        QString::fromUtf8(
            "Opravdu chcete smazat cenovou hladinu ZKRATKA? Cenová hladina bude vymazána také ze všech "
            "cenových skupin!"),
        true);
    TModalDriver driver;
    driver.Press("frmCenHlad", "btnVyjmout").Press("frmCenHlad", "btnStorno");
    // The list opens on the asked code, whatever its letter case.
    ShowPriceLevelList(TPriceCodeList::kModeBrowse, "zkratka", true, true);
    EXPECT_EQ(Column("SELECT Zkratka FROM CenHlad"), "A");
    EXPECT_EQ(Rules(), QString("%1:A=10|%2:A=3").arg(g1_).arg(g2_));
    // Items and customers keep the code.
    EXPECT_EQ(Slots(), "A,ZKRATKA,|ZKRATKA,,A");
    EXPECT_EQ(Column("SELECT CenHladina FROM Adresar ORDER BY ID"), "A|ZKRATKA");
}

TEST_F(CenHladTest, ThePickerLeavesTheChosenLevelForTheCaller) {
    TModalDriver driver;
    driver.On("frmCenHlad", [](QWidget* w) {
        auto* list = static_cast<TPriceCodeList*>(w);
        EXPECT_TRUE(list->btnOK->isVisible());
        EXPECT_FALSE(list->btnPridat->isVisible());
        EXPECT_FALSE(list->lblNapoveda->isVisible());
        EXPECT_EQ(list->List().FieldByName("Zkratka")->AsString(), "ZKRATKA");
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(ShowPriceLevelList(TPriceCodeList::kModePick, "zkratka", false, false), kResultOk);
    EXPECT_TRUE(main_->adqCenHlad.Active());
    EXPECT_EQ(main_->adqCenHlad.FieldByName("Zkratka")->AsString(), "ZKRATKA");
}

namespace {

// Sets the user's price-list level for one scope.
struct TCenikRight {
    explicit TCenikRight(TAccessLevel level) : saved_(CurrentUser.Cenik_AR) { CurrentUser.Cenik_AR = level; }
    ~TCenikRight() { CurrentUser.Cenik_AR = saved_; }
    TAccessLevel saved_;
};

}  // namespace

TEST_F(CenHladTest, RightsDecideWhoAddsEditsAndDeletes) {
    ASSERT_TRUE(main_->adqCenHlad.Locate("ID", level_));
    {
        SCOPED_TRACE("without deleting: cards work, the delete is refused");
        TCenikRight right(TAccessLevel::NoDelete);
        dialogs_.ExpectInformation(QString::fromUtf8(kNoRightsText));
        TModalDriver driver;
        driver.Press("frmCenHlad", "btnOpravit")
            .Press("frmCenHladDetail", "btnOK")
            .Press("frmCenHlad", "btnVyjmout")
            .Press("frmCenHlad", "btnStorno");
        ShowPriceLevelList(TPriceCodeList::kModeBrowse, "A", true, true);
        EXPECT_EQ(Int("SELECT COUNT(*) FROM CenHlad"), 2);
    }
    {
        SCOPED_TRACE("read only: no new level, the card opens for viewing");
        TCenikRight right(TAccessLevel::ReadOnly);
        dialogs_.ExpectInformation(QString::fromUtf8(kNoRightsText))
            .ExpectInformation(QString::fromUtf8(kReadOnlyText));
        EXPECT_EQ(EditPriceLevel(true), -1);
        TModalDriver driver;
        driver.On("frmCenHladDetail", [](QWidget* w) {
            EXPECT_FALSE(static_cast<TfrmCenHladDetail*>(w)->btnOK->isEnabled());
            TModalDriver::Click(w, "btnStorno");
        });
        EXPECT_EQ(EditPriceLevel(false), kResultCancel);
        // Nobody holds the level while it is only viewed.
        EXPECT_FALSE(QFile::exists(RecordLockPath("CenHlad", level_)));
    }
    {
        SCOPED_TRACE("no access: the lists stay closed");
        TCenikRight right(TAccessLevel::NoAccess);
        dialogs_.ExpectInformation(QString::fromUtf8(kNoRightsText))
            .ExpectInformation(QString::fromUtf8(kNoRightsText));
        EXPECT_EQ(ShowPriceLevelList(TPriceCodeList::kModePick, "", false, false), -1);
        EXPECT_EQ(ShowSheetList(TfrmSklady::kModePick, false), -1);
    }
}
