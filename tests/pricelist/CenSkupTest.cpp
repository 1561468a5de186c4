#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "PriceListFixture.h"
#include "platform/data/Field.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenHladDetail.h"
#include "pricelist/CenSkup.h"
#include "pricelist/CenSkupDetail.h"
#include "widgets/VnDBGrids.h"

namespace {

// Levels "V" (a discount of 5 %) and four fixed levels F1..F4; the group "G" holds a taken-over
// rule for V and an own rule for F1; an item carries the group's code.
class CenSkupTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        AddLevel("V", 5, true);
        for (const char* code : {"F1", "F2", "F3", "F4"}) AddLevel(code, 0, false);
        Exec("INSERT INTO CenSkup (Zkratka, Popis, Vlastni, Marze, Rabat) VALUES ('G', 'Skupina', 1, 0, 0)");
        group_ = LastId();
        AddRule(group_, "V", true, 5, true);
        AddRule(group_, "F1", false, 0, false);
        Exec("INSERT INTO Zasoby (Popis, CenSkupina) VALUES ('i', 'G')");
        main_->adqCenSkup.SetSQL("SELECT * FROM CenSkup");
        main_->adqCenSkup.Open();
        ASSERT_TRUE(main_->adqCenSkup.Locate("ID", group_));
    }

    QString Rules() {
        return Column(
            "SELECT Zkratka || '=' || CLng(Hodnota) || IIF(Prevzato, 'P', '') FROM CenSkupPol ORDER BY ID");
    }

    // Adds the level of the code to the card's rules through the level picker.
    static void AddLevelOnCard(TModalDriver& driver, const QString& code) {
        driver.Press("frmCenSkupDetail", "btnPridatHl").On("frmCenHlad", [code](QWidget* w) {
            ASSERT_TRUE(frmMain->adqCenHlad.Locate("Zkratka", code));
            TModalDriver::Click(w, "btnOK");
        });
    }

    int group_ = 0;
};

}  // namespace

TEST_F(CenSkupTest, ThreeFixedRulesAreSavedAndAFourthIsRefused) {
    dialogs_.ExpectInformation(QString::fromUtf8(kTooManyFixedLevels))
        .ExpectInformation(QString::fromUtf8("přepočtu cen"));
    TModalDriver driver;
    AddLevelOnCard(driver, "F2");
    AddLevelOnCard(driver, "F3");
    AddLevelOnCard(driver, "F4");
    driver.Press("frmCenSkupDetail", "btnOK").On("frmCenSkupDetail", [](QWidget* w) {
        // The card stayed open with every rule; removing one leaves three fixed rules.
        auto* card = static_cast<TfrmCenSkupDetail*>(w);
        EXPECT_EQ(card->mtCenHladAdd.RecordCount(), 5);
        ASSERT_TRUE(card->mtCenHladAdd.Locate("Zkratka", "F4"));
        TModalDriver::Click(w, "btnVyjmoutHl");
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceGroup(false), 0);
    EXPECT_EQ(Rules(), "V=5P|F1=0|F2=0P|F3=0P");
}

TEST_F(CenSkupTest, TheRuleGridKeepsItsMarkColumnFrozenAndTheCursorOffIt) {
    dialogs_.ExpectInformation(QString::fromUtf8("přepočtu cen"));
    TModalDriver driver;
    driver.On("frmCenSkupDetail", [](QWidget* w) {
        auto* card = static_cast<TfrmCenSkupDetail*>(w);
        TVnDBGrid* grid = card->grCenHladAdd;
        EXPECT_EQ(grid->FrozenCols(), 1);
        EXPECT_EQ(grid->Columns().ColumnAt(0)->FieldName(), "Prevzato");
        EXPECT_EQ(grid->CurrentDataColumn(), 1);
        // Home, or a click on the mark, would put the cursor on the frozen column.
        grid->SelectColumn(grid->DataToRawColumn(2), 0);
        grid->SelectColumn(grid->DataToRawColumn(0), 0);
        EXPECT_EQ(grid->CurrentDataColumn(), 1);
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceGroup(false), 0);
}

TEST_F(CenSkupTest, ALevelIsAssignedOnceWhateverItsLetterCase) {
    dialogs_.ExpectInformation(QString::fromUtf8("Tato cenová hladina již v seznamu existuje."));
    TModalDriver driver;
    AddLevelOnCard(driver, "V");
    driver.Press("frmCenSkupDetail", "btnStorno");
    EXPECT_EQ(EditPriceGroup(false), 0);
    EXPECT_EQ(Rules(), "V=5P|F1=0");
}

TEST_F(CenSkupTest, ARuleWhoseLevelWentIsDroppedAtOkAndTheCardStaysForASecondOk) {
    dialogs_
        .ExpectWarning(QString::fromUtf8("Upozornění: u některých cenových hladin došlo mezitím ke změně"))
        .ExpectInformation(QString::fromUtf8("přepočtu cen"));
    TModalDriver driver;
    driver
        .On("frmCenSkupDetail",
            [this](QWidget* w) {
                // Another station deletes F1 and changes V while the card is open.
                Exec("DELETE FROM CenHlad WHERE Zkratka = 'F1'");
                Exec("UPDATE CenHlad SET Hodnota = 7 WHERE Zkratka = 'V'");
                TModalDriver::Click(w, "btnOK");
            })
        .On("frmCenSkupDetail", [](QWidget* w) {
            auto* card = static_cast<TfrmCenSkupDetail*>(w);
            EXPECT_EQ(card->mtCenHladAdd.RecordCount(), 1);
            EXPECT_EQ(card->mtCenHladAdd.FieldByName("Hodnota")->AsFloat(), 7);
            TModalDriver::Click(w, "btnOK");
        });
    EXPECT_EQ(EditPriceGroup(false), 0);
    EXPECT_EQ(Rules(), "V=7P");
}

TEST_F(CenSkupTest, AnOwnRuleKeepsItsValuesAndRefusesADiscountAboveTheWholePrice) {
    dialogs_.ExpectInformation(QString::fromUtf8(kSlevaTooHigh))
        .ExpectInformation(QString::fromUtf8("přepočtu cen"));
    TModalDriver driver;
    driver.Press("frmCenSkupDetail", "btnUpravitHl")
        .On("frmCenHladDetail",
            [](QWidget* w) {
                auto* card = static_cast<TfrmCenHladDetail*>(w);
                EXPECT_TRUE(card->chckPrevzit->isChecked());
                EXPECT_FALSE(card->edtHodnota->isEnabled());
                EXPECT_TRUE(card->edtZkratka->isReadOnly());
                card->chckPrevzit->setChecked(false);
                card->edtHodnota->SetValue(101);
                TModalDriver::Click(w, "btnOK");
                card->edtHodnota->SetValue(15);
                TModalDriver::Click(w, "btnOK");
            })
        .Press("frmCenSkupDetail", "btnOK");
    EXPECT_EQ(EditPriceGroup(false), 0);
    EXPECT_EQ(Rules(), "V=15|F1=0");
}

TEST_F(CenSkupTest, ARenamedGroupFollowsIntoItemsAndARabatAboveTheWholePriceIsRefused) {
    dialogs_.ExpectInformation(QString::fromUtf8(kGroupRabatTooHigh))
        .ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku této cenové skupiny ?"), true)
        .ExpectInformation(QString::fromUtf8("přepočtu cen"));
    TModalDriver driver;
    driver.On("frmCenSkupDetail", [](QWidget* w) {
        auto* card = static_cast<TfrmCenSkupDetail*>(w);
        card->edtZkratka->setText("G'X");
        card->chckVlastni->setChecked(false);
        card->edtRabat->SetValue(100.5);
        TModalDriver::Click(w, "btnOK");
        // The whole price as rabat prices the items to 0, which is a price.
        card->edtRabat->SetValue(100);
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceGroup(false), 0);
    // A quote in the code is stored as typed and reaches the items intact.
    EXPECT_EQ(Column("SELECT CenSkupina FROM Zasoby"), "G'X");
    EXPECT_EQ(Value("SELECT Rabat FROM CenSkup").toDouble(), 100);
    EXPECT_FALSE(Value("SELECT Vlastni FROM CenSkup").toBool());
    EXPECT_EQ(Rules(), "V=5P|F1=0");
}

TEST_F(CenSkupTest, ANewGroupStartsWithItsOwnItemSettingsAndTheListDeletesItWithItsRules) {
    TModalDriver driver;
    driver.On("frmCenSkupDetail", [](QWidget* w) {
        auto* card = static_cast<TfrmCenSkupDetail*>(w);
        EXPECT_TRUE(card->chckVlastni->isChecked());
        EXPECT_FALSE(card->edtMarze->isEnabled());
        EXPECT_FALSE(card->gbHladiny->isVisible());
        card->edtZkratka->setText("NOVA");
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceGroup(true), 0);
    EXPECT_EQ(main_->adqCenSkup.FieldByName("Zkratka")->AsString(), "NOVA");
    EXPECT_TRUE(Value("SELECT Vlastni FROM CenSkup WHERE Zkratka = 'NOVA'").toBool());

    dialogs_.ExpectQuestion(QString::fromUtf8("Opravdu chcete smazat cenovou skupinu G?"), true);
    TModalDriver list;
    list.Press("frmCenSkup", "btnVyjmout").Press("frmCenSkup", "btnStorno");
    ShowPriceGroupList(TPriceCodeList::kModeBrowse, group_, true);
    EXPECT_EQ(Column("SELECT Zkratka FROM CenSkup"), "NOVA");
    EXPECT_EQ(Int("SELECT COUNT(*) FROM CenSkupPol"), 0);
    EXPECT_EQ(Column("SELECT CenSkupina FROM Zasoby"), "G");
}

// A rule that cannot be written undoes the whole save: the group keeps its code and its rules,
// and the items their group, instead of a renamed group with part of its rules.
TEST_F(CenSkupTest, ARuleThatCannotBeWrittenLeavesTheGroupAsItWas) {
    dialogs_.ExpectQuestion(QString::fromUtf8("Opravdu chcete změnit zkratku této cenové skupiny ?"), true)
        .ExpectError("\"CenSkupPol\"");
    TModalDriver driver;
    driver.On("frmCenSkupDetail", [this](QWidget* w) {
        auto* card = static_cast<TfrmCenSkupDetail*>(w);
        card->edtZkratka->setText("H");
        // Another station deletes the group's second rule meanwhile: its update finds no row.
        Exec("DELETE FROM CenSkupPol WHERE Zkratka = 'F1'");
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceGroup(false), -1);
    EXPECT_EQ(Column("SELECT Zkratka FROM CenSkup"), "G");
    EXPECT_EQ(Rules(), "V=5P");
    EXPECT_EQ(Column("SELECT CenSkupina FROM Zasoby"), "G");
    EXPECT_EQ(main_->adqCenSkup.FieldByName("Zkratka")->AsString(), "G");
}
