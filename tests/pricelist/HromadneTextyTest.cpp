#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "PriceListFixture.h"
#include "core/Informace.h"
#include "core/Locks.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "pricelist/HromadneTexty.h"

namespace {

// Two sheets; the first with two groups, the second with one. Items are added per test.
class HromadneTextyTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        sheet1_ = AddSheet("Elektro");
        sheet2_ = AddSheet("Služby");
        groupA_ = AddGroup(sheet1_, "Kabely");
        groupB_ = AddGroup(sheet1_, "Svítidla");
        groupC_ = AddGroup(sheet2_, "Montáže");
        wizard_ = std::make_unique<TfrmNastavText>();
        wizard_->Reset(TBulkTextSelection::Scope);
    }
    void TearDown() override {
        wizard_.reset();
        WorkingCancelled = false;
        PriceListTest::TearDown();
    }

    int AddSheet(const QString& name) {
        Con().Execute("INSERT INTO Sklady (Nazev, Poradi) VALUES ('" + name + "', 1)");
        return LastId();
    }
    int AddGroup(int sheet, const QString& name) {
        Con().Execute(QString("INSERT INTO Skupiny (Sklad, Nazev, Kod, Zakladni) VALUES (%1, '%2', 'K', 0)")
                          .arg(sheet)
                          .arg(name));
        return LastId();
    }
    int AddItem(int group, const QString& popis, const QString& identif = QString()) {
        TParameters p;
        p.AddParameter("Skupina")->Value = group;
        p.AddParameter("Popis")->Value = popis;
        p.AddParameter("Identif")->Value = identif;
        Con().Execute(
            "INSERT INTO Zasoby (Sklad, Skupina, Popis, Katalog, Identif, NakCena, PrCenaBDPH, Chyba) "
            "SELECT Sklad, :Skupina, :Popis, 'KAT', :Identif, 100, 150, False FROM Skupiny WHERE ID = "
            ":Skupina",
            p);
        return LastId();
    }
    QString Text(int item, const char* column) {
        return Value(
                   QString("SELECT %1 FROM Zasoby WHERE ID = %2").arg(QString::fromLatin1(column)).arg(item))
            .toString();
    }
    bool Marked(int item) {
        return !Value(QString("SELECT Znacka FROM Zasoby WHERE ID = %1").arg(item)).isNull();
    }
    void Tick(QCheckBox* box, QLineEdit* edit, const QString& text) {
        box->setChecked(true);
        edit->setText(text);
    }
    void Identifiers(TBulkIdentifierAction action, const QString& list) {
        wizard_->chckIdentif->setChecked(true);
        wizard_->cbxAkceIdentif->setCurrentIndex(static_cast<int>(action));
        wizard_->edtIdentif->setText(list);
    }
    void Run() {
        dialogs_.ExpectInformation(QString::fromUtf8(kBulkTextDone));
        wizard_->SetItemTexts();
        dialogs_.Verify();
    }

    int sheet1_ = 0, sheet2_ = 0, groupA_ = 0, groupB_ = 0, groupC_ = 0;
    std::unique_ptr<TfrmNastavText> wizard_;
};

}  // namespace

TEST_F(HromadneTextyTest, IdentifiersAreSetAddedAndRemovedPerItem) {
    struct Case {
        const char* own;
        TBulkIdentifierAction action;
        const char* entry;
        const char* expected;
    };
    const Case kCases[] = {
        // The new code goes last.
        {"_B_", TBulkIdentifierAction::Add, "_A_", "_B_A_"},
        // A code the item has already changes nothing.
        {"_A_B_", TBulkIdentifierAction::Add, "_A_", "_A_B_"},
        // Lower-case codes stored earlier come back upper case.
        {"_b_", TBulkIdentifierAction::Add, "_C_", "_B_C_"},
        {"_A_", TBulkIdentifierAction::Remove, "_A_", ""},
        {"_A_B_C_", TBulkIdentifierAction::Remove, "_B_", "_A_C_"},
        {"_A_B_", TBulkIdentifierAction::SetAll, "_X_", "_X_"},
        // An empty list set to every item removes them all.
        {"_A_B_", TBulkIdentifierAction::SetAll, "", ""},
        {"", TBulkIdentifierAction::SetAll, "", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.own) + " / " + c.entry);
        Con().Execute("DELETE FROM Zasoby");
        const int item = AddItem(groupA_, "Kabel", c.own);
        const int other = AddItem(groupC_, "Montáž", c.own);
        wizard_->Reset(TBulkTextSelection::Scope);
        Identifiers(c.action, c.entry);
        Run();
        EXPECT_EQ(Text(item, "Identif"), c.expected);
        EXPECT_EQ(Text(other, "Identif"), c.expected);
        EXPECT_EQ(Text(item, "Katalog"), "KAT");
    }
}

TEST_F(HromadneTextyTest, TickedColumnsAreWrittenAndPricesAndTheErrorFlagAreLeftAlone) {
    const int item = AddItem(groupA_, "Kabel");
    Con().Execute(
        QString("UPDATE Zasoby SET Chyba = True, Zkratka = 'Z', PLU = '12' WHERE ID = %1").arg(item));
    Tick(wizard_->chckPopisPol, wizard_->edtPopisPol, "Kabel CYKY 3x1,5 'kruh'");
    Tick(wizard_->chckKatalog, wizard_->edtKatalog, "");
    Tick(wizard_->chckBarCode, wizard_->edtBarCode, "8590000000011");
    Tick(wizard_->chckTextMJ, wizard_->edtTextMJ, "m");
    wizard_->chckPoznamka->setChecked(true);
    wizard_->memPoznamka->setPlainText("první\ndruhý");
    wizard_->chckDostupnost->setChecked(true);
    wizard_->cbxDostupnost->setCurrentIndex(2);
    // Typed, but not ticked: not written.
    wizard_->edtZkratka->setText("NE");
    const TDateTime before = Now();
    Run();
    EXPECT_EQ(Text(item, "Popis"), "Kabel CYKY 3x1,5 'kruh'");
    // An empty entry clears its column.
    EXPECT_EQ(Text(item, "Katalog"), "");
    EXPECT_EQ(Text(item, "BarCode"), "8590000000011");
    EXPECT_EQ(Text(item, "TextMJ"), "m");
    EXPECT_EQ(Text(item, "Poznamka"), "první\r\ndruhý");
    EXPECT_EQ(Text(item, "Dostupnost"), "O");
    EXPECT_EQ(Text(item, "Zkratka"), "Z");
    EXPECT_EQ(Text(item, "PLU"), "12");
    EXPECT_EQ(Int(QString("SELECT Chyba FROM Zasoby WHERE ID = %1").arg(item)), 1);
    EXPECT_DOUBLE_EQ(Value(QString("SELECT PrCenaBDPH FROM Zasoby WHERE ID = %1").arg(item)).toDouble(), 150);
    EXPECT_GE(Value(QString("SELECT Znacka FROM Zasoby WHERE ID = %1").arg(item)).toDouble(), before - 1e-6);
    // The stamps are written again after the run, and no longer held back.
    EXPECT_FALSE(ChangeStampsSuspended);
    EXPECT_GE(TableChangeStamp(tsRead, "ZASOBY"), before - 1e-6);
}

TEST_F(HromadneTextyTest, WithNothingTickedEveryChosenItemStillGetsTheRunsMark) {
    const int a = AddItem(groupA_, "Kabel");
    const int c = AddItem(groupC_, "Montáž");
    Run();
    EXPECT_TRUE(Marked(a));
    EXPECT_TRUE(Marked(c));
    EXPECT_EQ(Text(a, "Popis"), "Kabel");
    EXPECT_EQ(Value(QString("SELECT Znacka FROM Zasoby WHERE ID = %1").arg(a)),
              Value(QString("SELECT Znacka FROM Zasoby WHERE ID = %1").arg(c)));
}

TEST_F(HromadneTextyTest, TheScopeChoosesTheSheetOrTheGroup) {
    const int a = AddItem(groupA_, "Kabel");
    const int b = AddItem(groupB_, "Svítidlo");
    const int c = AddItem(groupC_, "Montáž");
    struct Case {
        const char* name;
        bool onlySheet;
        bool onlyGroup;
        bool a, b, c;
    };
    const Case kCases[] = {
        {"sheet", true, false, true, true, false},
        // The group alone decides: its sheet is not filtered on again.
        {"group", true, true, true, false, false},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.name);
        Con().Execute("UPDATE Zasoby SET Znacka = NULL");
        wizard_->Reset(TBulkTextSelection::Scope);
        wizard_->chckProvestVse->setChecked(false);
        wizard_->chckList->setChecked(k.onlySheet);
        wizard_->SetSheet(sheet1_, "Elektro");
        wizard_->chckSkupina->setChecked(k.onlyGroup);
        wizard_->SetGroup(groupA_, "Kabely");
        Run();
        EXPECT_EQ(Marked(a), k.a);
        EXPECT_EQ(Marked(b), k.b);
        EXPECT_EQ(Marked(c), k.c);
    }
}

TEST_F(HromadneTextyTest, AnItemWhoseListWouldOverflowKeepsItAndIsListedWhileItsOtherTextsAreWritten) {
    QStringList codes;
    for (int i = 0; i < 25; ++i) codes << QString("KOD%1").arg(i, 5, 10, QLatin1Char('0'));
    const QString full = "_" + codes.join('_') + "_";  // 8 characters a code: 201 in all
    ASSERT_LE(full.size(), 255);
    const int crowded = AddItem(groupA_, "Plný", full);
    const int roomy = AddItem(groupA_, "Volný", "_A_");
    Tick(wizard_->chckKatalog, wizard_->edtKatalog, "NOVY");
    Identifiers(TBulkIdentifierAction::Add, "_DLOUHYKOD1_DLOUHYKOD2_DLOUHYKOD3_DLOUHYKOD4_DLOUHYKOD5_");

    QStringList listed;
    TModalDriver driver;
    driver.On("frmInformace", [&](QWidget* w) {
        listed = static_cast<TfrmInformace*>(w)->Lines();
        TModalDriver::Click(w, "btnOK");
    });
    Run();
    EXPECT_EQ(Text(crowded, "Identif"), full);
    EXPECT_EQ(Text(crowded, "Katalog"), "NOVY");
    EXPECT_EQ(Text(roomy, "Identif"), "_A_DLOUHYKOD1_DLOUHYKOD2_DLOUHYKOD3_DLOUHYKOD4_DLOUHYKOD5_");
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0], QString::fromUtf8(kBulkTextErrorsHeading));
    EXPECT_EQ(listed[1],
              QString::fromUtf8("• Položka \"Plný\"") + QString::fromUtf8(kBulkTextIdentifiersTooLong));
}

TEST_F(HromadneTextyTest, AnInterruptionStopsAtTheNextCheckAndKeepsWhatWasWritten) {
    for (int i = 0; i < 12; ++i) AddItem(groupA_, QString("Položka %1").arg(i));
    // The user's click arrives with the first round of window messages, after the fifth row.
    QTimer::singleShot(0, [] { WorkingCancelled = true; });
    wizard_->SetItemTexts();
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE Znacka IS NOT NULL"), 5);
    EXPECT_FALSE(ChangeStampsSuspended);
}

TEST_F(HromadneTextyTest, ThePagesRefuseWhatCannotRun) {
    TfrmNastavText& w = *wizard_;
    w.btnDalsi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Values);
    EXPECT_FALSE(w.btnPredchozi->isHidden());

    // Adding or removing nothing is refused; setting nothing clears and is allowed.
    Identifiers(TBulkIdentifierAction::Remove, "");
    dialogs_.ExpectWarning(QString::fromUtf8(kBulkTextIdentifierNeeded));
    w.btnDalsi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Values);
    w.cbxAkceIdentif->setCurrentIndex(static_cast<int>(TBulkIdentifierAction::SetAll));
    w.btnDalsi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Scope);

    // Untick "all": the filters open, each "..." with its own box.
    w.chckProvestVse->setChecked(false);
    EXPECT_TRUE(w.chckList->isEnabled());
    EXPECT_FALSE(w.btnList->isEnabled());
    dialogs_.ExpectInformation(QString::fromUtf8(kBulkTextScopeWrong));
    w.btnDalsi->click();
    w.chckList->setChecked(true);
    EXPECT_TRUE(w.btnList->isEnabled());
    dialogs_.ExpectInformation(QString::fromUtf8(kBulkTextNoSheet));
    w.btnDalsi->click();
    w.SetSheet(sheet1_, "Elektro");
    w.chckSkupina->setChecked(true);
    dialogs_.ExpectInformation(QString::fromUtf8(kBulkTextNoGroup));
    w.btnDalsi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Scope);
    w.SetGroup(groupA_, "Kabely");
    // Another sheet forgets the group.
    w.SetSheet(sheet2_, QString::fromUtf8("Služby"));
    EXPECT_EQ(w.GroupId(), 0);
    EXPECT_TRUE(w.edtSkupina->text().isEmpty());
    w.SetGroup(groupC_, QString::fromUtf8("Montáže"));
    w.btnDalsi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::BeforeStart);
    w.btnPredchozi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Scope);

    // Ticking "all" again unticks and locks the filters.
    w.chckProvestVse->setChecked(true);
    EXPECT_FALSE(w.chckList->isChecked());
    EXPECT_FALSE(w.chckSkupina->isEnabled());
    EXPECT_FALSE(w.btnSkupina->isEnabled());
    dialogs_.Verify();

    // Over marked rows there is no scope page, and the tip shows.
    w.Reset(TBulkTextSelection::MarkedItems);
    EXPECT_FALSE(w.lblTipHrOperace->isHidden());
    EXPECT_FALSE(w.chckIdentif->isChecked());
    EXPECT_TRUE(w.edtIdentif->text().isEmpty());
    w.btnDalsi->click();
    w.btnDalsi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::BeforeStart);
    w.btnPredchozi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Values);
    w.btnPredchozi->click();
    EXPECT_EQ(w.Page(), TBulkTextPage::Welcome);
    EXPECT_TRUE(w.btnPredchozi->isHidden());
}

TEST_F(HromadneTextyTest, ARunThatFailsPartWayStillReleasesAndWritesTheStamps) {
    AddItem(groupA_, "Kabel");
    const int refused = AddItem(groupA_, "Zamčená");
    // The engine refuses the second row, as a damaged or full database would.
    sqlite3_exec(Con().Handle(),
                 QString("CREATE TRIGGER refuse BEFORE UPDATE ON Zasoby WHEN OLD.ID = %1 BEGIN "
                         "SELECT RAISE(ABORT, 'refused'); END")
                     .arg(refused)
                     .toUtf8()
                     .constData(),
                 nullptr, nullptr, nullptr);
    const TDateTime before = Now();
    EXPECT_THROW(wizard_->SetItemTexts(), EDatabaseError);
    // Other stations learn of the rows written before the failure, and this one stamps again.
    EXPECT_FALSE(ChangeStampsSuspended);
    EXPECT_GE(TableChangeStamp(tsRead, "ZASOBY"), before - 1e-6);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE Znacka IS NOT NULL"), 1);
}
