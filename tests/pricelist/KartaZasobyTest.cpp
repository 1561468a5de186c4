#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <map>
#include <random>

#include "PriceListFixture.h"
#include "common/Artifacts.h"
#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/Login.h"
#include "core/Nastaveni.h"
#include "core/StationWait.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/CenaCenHlad.h"
#include "pricelist/DemoPriceList.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/PriceRules.h"
#include "widgets/VnDBGrids.h"

namespace {

// A firm with one sheet and its basic group, the price level rules of two groups and the items of
// each test. The silent mode is run as the bulk runs run it: the group list and every rule loaded.
class KartaZasobyTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        Exec("INSERT INTO Sklady (Nazev, Poradi) VALUES ('List', 1)");
        sheet_ = LastId();
        Exec(QString("INSERT INTO Skupiny (Sklad, Nazev, Zakladni) VALUES (%1, 'Základní', 1)").arg(sheet_));
        basicGroup_ = LastId();
        CurrentSheetId = sheet_;
        savedUser_ = CurrentUser;
    }
    void TearDown() override {
        CurrentUser = savedUser_;
        PriceListTest::TearDown();
    }

    // An item with the given price columns; everything else empty.
    int AddItem(const QString& columns, const QString& values) {
        Exec(
            QString("INSERT INTO Zasoby (Sklad, Skupina, Popis, Chyba, %1) VALUES (%2, %3, 'Položka', 1, %4)")
                .arg(columns)
                .arg(sheet_)
                .arg(basicGroup_)
                .arg(values));
        return LastId();
    }
    int AddGroup(const QString& code, bool own, bool withVat, bool recalculated, double marze, int zaok) {
        Exec(QString("INSERT INTO CenSkup (Zkratka, Popis, Vlastni, SDPH, Prepocitat, Marze, Rabat, Zaok, "
                     "TypHodnoty) VALUES ('%1', 'x', %2, %3, %4, %5, 0, %6, 0)")
                 .arg(code)
                 .arg(own ? 1 : 0)
                 .arg(withVat ? 1 : 0)
                 .arg(recalculated ? 1 : 0)
                 .arg(marze)
                 .arg(zaok));
        return LastId();
    }

    // The silent recalculation of one row, with what its callers set up before it.
    int Recalculate(int id) {
        main_->adqCenSkup.Close();
        main_->adqCenSkup.SetSQL("SELECT * FROM CenSkup");
        main_->adqCenSkup.Open();
        LoadPriceGroupRules(0);
        TADOQuery items(&Con());
        items.SetSQL(QString("SELECT * FROM Zasoby WHERE ID = %1").arg(id));
        items.Open();
        return EditPriceListItem(false, true, items, false);
    }

    // Columns of the row as text.
    std::string Row(int id, const QString& columns) {
        QStringList parts;
        for (const QString& c : columns.split(',')) {
            const QVariant v = Value(QString("SELECT %1 FROM Zasoby WHERE ID = %2").arg(c.trimmed()).arg(id));
            // Prices and percentages with four decimals, whatever storage class the engine chose.
            const bool number = c.contains("Cena") || c.contains("Marze");
            if (number && !v.isNull())
                parts << QString::number(v.toDouble(), 'f', 4);
            else if (v.typeId() == QMetaType::Bool)
                parts << (v.toBool() ? "1" : "0");
            else
                parts << v.toString();
        }
        return parts.join('|').toStdString();
    }

    int sheet_ = 0;
    int basicGroup_ = 0;
    TUser savedUser_;
};

}  // namespace

TEST_F(KartaZasobyTest, SilentRecalculationOfTheItemsOwnPrices) {
    struct Case {
        const char* name;
        const char* values;    // NakCena, Marze, Rabat, TypHodnoty, Prepocitat, SDPH, SazbaDPH, Zaok,
                               // PrCenaSDPH, PrCenaBDPH
        const char* expected;  // PrCenaSDPH|PrCenaBDPH|Chyba
    };
    const Case kCases[] = {
        {"margin with VAT", "100, 20, 0, 0, 1, 1, 21, 0, 0, 0", "145.2000|119.9933|0"},
        {"margin without VAT", "100, 20, 0, 0, 1, 0, 21, 0, 0, 0", "145.2000|120.0000|0"},
        {"rabat of the whole price", "100, 0, 100, 1, 1, 0, 21, 0, 7, 7", "0.0000|0.0000|0"},
        {"no recalculation: the entered gross price", "100, 20, 0, 0, 0, 1, 21, 0, 121, 50",
         "121.0000|99.9944|0"},
        {"no recalculation: the entered net price", "0, 0, 0, 0, 0, 0, 21, 1, 0, 99.6", "121.0000|99.6000|0"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const int id = AddItem(
            "NakCena, Marze, Rabat, TypHodnoty, Prepocitat, SDPH, SazbaDPH, Zaok, PrCenaSDPH, "
            "PrCenaBDPH",
            c.values);
        EXPECT_EQ(Recalculate(id), 0);
        EXPECT_EQ(Row(id, "PrCenaSDPH, PrCenaBDPH, Chyba"), c.expected);
    }
    dialogs_.Verify();
}

TEST_F(KartaZasobyTest, SilentRecalculationKeepsTextsAndFixedLevelPrices) {
    const int group = AddGroup("MAT", true, false, false, 0, 0);
    AddRule(group, "VIP", true, 5, true);
    AddRule(group, "AKCE", false, 0, false);
    const int id = AddItem(
        "Katalog, Identif, Obrazek, Dostupnost, NakCena, PrCenaBDPH, PrCenaSDPH, SazbaDPH, "
        "CenSkupina, CenHlad1, PrCenaBDPH1, PrCenaSDPH1, SDPH1",
        "'K1', '_A_', 'a.jpg', 'S', 50, 100, 121, 21, 'mat', 'AKCE', 80, 1, 1");
    EXPECT_EQ(Recalculate(id), 0);
    // The fixed level's net price stays as typed, its gross price follows the rate; the group's code
    // is written as the group has it.
    EXPECT_EQ(Row(id, "CenSkupina, CenHlad1, PrCenaBDPH1, PrCenaSDPH1, SDPH1, CenHlad2"),
              "MAT|AKCE|80.0000|96.8000|0|");
    EXPECT_EQ(Row(id, "Popis, Katalog, Identif, Obrazek, Dostupnost, Chyba"), "Položka|K1|_A_|a.jpg|S|0");
}

TEST_F(KartaZasobyTest, ACallerThatLoadedNoGroupsDoesNotMakeTheItemLoseItsGroup) {
    const int group = AddGroup("MAT", true, false, false, 0, 0);
    AddRule(group, "AKCE", false, 0, false);
    const int id =
        AddItem("PrCenaBDPH, SazbaDPH, CenSkupina, CenHlad1, PrCenaBDPH1", "100, 21, 'MAT', 'AKCE', 80");
    main_->adqCenSkup.Close();
    main_->mtCenSkupPol.Close();
    TADOQuery items(&Con());
    items.SetSQL(QString("SELECT * FROM Zasoby WHERE ID = %1").arg(id));
    items.Open();
    EXPECT_EQ(EditPriceListItem(false, true, items, false), 0);
    EXPECT_EQ(Row(id, "CenSkupina, CenHlad1, PrCenaBDPH1, PrCenaSDPH1"), "MAT|AKCE|80.0000|96.8000");
}

TEST_F(KartaZasobyTest, AVanishedGroupClearsTheCodeAndEverySlot) {
    const int id = AddItem(
        "NakCena, PrCenaBDPH, PrCenaSDPH, SazbaDPH, CenSkupina, CenHlad1, PrCenaBDPH1, "
        "PrCenaSDPH1, SDPH1, CenHlad2, PrCenaBDPH2, PrCenaSDPH2",
        "50, 100, 121, 21, 'GONE', 'AKCE', 80, 96.8, 1, 'X', 5, 6");
    EXPECT_EQ(Recalculate(id), 0);
    EXPECT_EQ(
        Row(id, "CenSkupina, CenHlad1, PrCenaBDPH1, PrCenaSDPH1, SDPH1, CenHlad2, PrCenaBDPH2, PrCenaSDPH2"),
        "||0.0000|0.0000|0||0.0000|0.0000");
}

TEST_F(KartaZasobyTest, AGroupWithoutOwnSettingsImposesThemAtEveryRecalculation) {
    // Rounded to crowns, with VAT, a margin of 30 % on the purchase price.
    AddGroup("STD", false, true, true, 30, ZaokCrowns);
    const int id =
        AddItem("NakCena, Marze, Prepocitat, SDPH, SazbaDPH, Zaok, PrCenaSDPH, PrCenaBDPH, CenSkupina",
                "100, 5, 0, 0, 21, 0, 200, 165.2893, 'STD'");
    EXPECT_EQ(Recalculate(id), 0);
    EXPECT_EQ(Row(id, "SDPH, Prepocitat, Marze, Zaok, PrCenaSDPH, PrCenaBDPH"),
              "1|1|30.0000|1|157.0000|130.0000");

    // Without recalculation the stored gross price becomes the entered one.
    AddGroup("KOR", false, true, false, 0, ZaokNone);
    const int other =
        AddItem("NakCena, SDPH, SazbaDPH, PrCenaSDPH, PrCenaBDPH, CenSkupina", "0, 0, 21, 121, 100, 'KOR'");
    EXPECT_EQ(Recalculate(other), 0);
    EXPECT_EQ(Row(other, "SDPH, PrCenaSDPH, PrCenaBDPH"), "1|121.0000|99.9944");
}

TEST_F(KartaZasobyTest, SilentRecalculationRefusalsAndFailures) {
    const int id = AddItem("NakCena, PrCenaBDPH", "1, 2");
    CurrentUser.Cenik_AR = TAccessLevel::NoAccess;
    dialogs_.ExpectInformation(QString::fromUtf8(kNoRightsText));
    EXPECT_EQ(Recalculate(id), -1);
    EXPECT_EQ(Row(id, "Chyba"), "1");

    // A user who may only read still recalculates: repricing refuses him before it comes here.
    CurrentUser.Cenik_AR = TAccessLevel::ReadOnly;
    EXPECT_EQ(Recalculate(id), 0);

    // The row went away under the run: the failed write is reported, not passed over.
    main_->adqCenSkup.Close();
    main_->adqCenSkup.SetSQL("SELECT * FROM CenSkup");
    main_->adqCenSkup.Open();
    LoadPriceGroupRules(0);
    TADOQuery items(&Con());
    items.SetSQL(QString("SELECT * FROM Zasoby WHERE ID = %1").arg(id));
    items.Open();
    Exec(QString("DELETE FROM Zasoby WHERE ID = %1").arg(id));
    dialogs_.ExpectError(QString::fromUtf8(kItemSaveFailed));
    EXPECT_EQ(EditPriceListItem(false, true, items, false), -1);
}

TEST_F(KartaZasobyTest, TheDemonstrationPriceListIsAsTheCardWouldPriceIt) {
    AddDemoPriceList(Con());
    const QString prices =
        "SELECT ID, NakCena, PrCenaSDPH, PrCenaBDPH, SDPH, Zaok, Marze, CenSkupina, CenHlad1, PrCenaSDPH1, "
        "PrCenaBDPH1, CenHlad2, CenHlad3 FROM Zasoby ORDER BY ID";
    const QString before = Column("SELECT " + QString(prices).mid(7).replace(", ", " || '|' || "));
    ASSERT_FALSE(before.isEmpty());
    for (const QString& id : Column("SELECT ID FROM Zasoby ORDER BY ID").split('|')) {
        SCOPED_TRACE(id.toStdString());
        ASSERT_EQ(Recalculate(id.toInt()), 0);
    }
    // Recalculating changes nothing: the shipped prices are the ones a user would get.
    EXPECT_EQ(Column("SELECT " + QString(prices).mid(7).replace(", ", " || '|' || ")).toStdString(),
              before.toStdString());
}

// A run of items recalculated silently must price each one exactly as the card's price model does
// with its level list: the model is driven here step by step over every row, as the card's silent
// mode used to, and the run's saved columns are compared with its values to the last bit. The rows
// mix every rounding, rule and VAT kind, groups that impose their settings or not, codes in
// another letter case, a vanished group, fixed levels in their slots and a level code twice.
TEST_F(KartaZasobyTest, ARunPricesEveryItemExactlyAsTheCardsPriceModel) {
    const int imposing = AddGroup("VELKO", false, true, true, 12.5, 1);
    const int own = AddGroup("MALO", true, false, true, 30, 2);
    for (const char* code : {"A", "B", "FIX", "FIX2"})
        AddLevel(code, 5, QString(code).startsWith("FIX") == false);
    auto rule = [&](int group, const char* code, int typ, int vych, double h, int zaok, bool prepocitat,
                    bool sdph) {
        Exec(QString("INSERT INTO CenSkupPol (IDCenSkup, Zkratka, Prevzato, Hodnota, SDPH, Prepocitat, Zaok, "
                     "TypHodnoty, VychCena) VALUES (%1, '%2', 0, %3, %4, %5, %6, %7, %8)")
                 .arg(group)
                 .arg(code)
                 .arg(h)
                 .arg(sdph ? 1 : 0)
                 .arg(prepocitat ? 1 : 0)
                 .arg(zaok)
                 .arg(typ)
                 .arg(vych));
    };
    rule(imposing, "A", TypHodnotySleva, VychCenaProdejni, 7.5, 2, true, false);
    rule(imposing, "FIX", 0, 0, 0, 1, false, true);
    rule(imposing, "B", TypHodnotyRabat, VychCenaNakupni, 100, 0, true, false);
    rule(own, "B", TypHodnotyMarze, VychCenaNakupni, 33.3, 0, true, true);
    // The same code twice: the fixed level takes its first price from the rule found first.
    rule(own, "fix2", TypHodnotyMarze, VychCenaProdejni, 5, 1, true, false);
    rule(own, "FIX2", 0, 0, 0, 2, false, false);
    rule(own, "A", 7, VychCenaProdejni, 5, 1, true, false);  // a kind no card offers

    std::mt19937 random(2911);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto amount = [&] { return pick(2000000) / 100.0 + (pick(4) == 0 ? 0.005 : 0); };
    const char* const codes[] = {"", "VELKO", "velko", "MALO", "ZRUSENA"};
    const char* const slotCodes[] = {"", "FIX", "fix2", "A"};
    const double rates[] = {0, 10, 12, 15, 21};
    // One transaction for the rows and one for each way of recalculating them: the test is about
    // the numbers, not about waiting for the disk.
    Con().BeginTrans();
    for (int i = 0; i < 300; ++i) {
        AddItem(
            "NakCena, PrCenaSDPH, PrCenaBDPH, SDPH, SazbaDPH, Zaok, Prepocitat, TypHodnoty, Marze, Rabat, "
            "CenSkupina, CenHlad1, PrCenaSDPH1, PrCenaBDPH1, CenHlad2, PrCenaSDPH2, PrCenaBDPH2, SDPH1",
            QString("%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, '%11', '%12', %13, %14, '%15', %16, %17, %18")
                .arg(amount())
                .arg(amount())
                .arg(amount())
                .arg(pick(2))
                .arg(rates[pick(5)])
                .arg(pick(4))
                .arg(pick(2))
                .arg(pick(3))
                .arg(pick(2) ? pick(10000) / 100.0 : 100.0 * pick(2))
                .arg(pick(2) ? pick(10000) / 100.0 : 100.0 * pick(2))
                .arg(codes[pick(5)])
                .arg(slotCodes[pick(4)])
                .arg(amount())
                .arg(amount())
                .arg(slotCodes[pick(4)])
                .arg(amount())
                .arg(amount())
                .arg(pick(2)));
    }

    Con().CommitTrans();

    // What the card's model saves for each row.
    main_->adqCenSkup.Close();
    main_->adqCenSkup.SetSQL("SELECT * FROM CenSkup");
    main_->adqCenSkup.Open();
    LoadPriceGroupRules(0);
    TMemTable& rules = main_->mtCenSkupPol;
    std::map<int, TParamValues> expected;
    TADOQuery items(&Con());
    items.SetSQL("SELECT * FROM Zasoby ORDER BY ID");
    items.Open();
    for (items.First(); !items.Eof(); items.Next()) {
        TItemPriceCalc calc;
        calc.LoadPrices(items);
        const QString code = items.FieldByName("CenSkupina")->AsString();
        TADOQuery& groups = main_->adqCenSkup;
        if (!code.isEmpty() && groups.Locate("Zkratka", code, loCaseInsensitive)) {
            calc.CenSkupina = groups.FieldByName("Zkratka")->AsString();
            calc.CenSkupinaId = groups.FieldByName("ID")->AsInteger();
            if (!groups.FieldByName("Vlastni")->AsBoolean()) calc.ImposeGroupSettings(groups, items);
            FilterRulesToGroup(rules, calc.CenSkupinaId);
            calc.BuildLevelRows(rules, items);
        }
        calc.RecalcItemPrices(kRecalcFromPurchase);
        calc.RecalcItemPrices(kRecalcSecondVariant);
        calc.RecalcItemPriceLevels();
        expected[items.FieldByName("ID")->AsInteger()] = calc.PriceParams();
    }

    // Half the rows one by one through the silent card, the rest as one run, as an import does.
    int n = 0;
    Con().BeginTrans();
    TItemRecalcRun run;
    const TItemPriceRowReader reader(items);
    for (items.First(); !items.Eof(); items.Next(), ++n) {
        if (n % 2 == 0)
            ASSERT_EQ(EditPriceListItem(false, true, items, false), 0);
        else
            ASSERT_EQ(run.Recalculate(items.FieldByName("ID")->AsInteger(), reader.Read()), 0);
    }
    Con().CommitTrans();
    int differences = 0;
    for (const auto& [id, params] : expected) {
        const std::unique_ptr<TRowset> row =
            Con().OpenRowset(QString("SELECT * FROM Zasoby WHERE ID = %1").arg(id));
        for (const auto& [column, value] : params) {
            size_t c = 0;
            while (row->Columns[c].Name != column) ++c;
            const QVariant stored = row->Value(0, c);
            const bool same = value.typeId() == QMetaType::Double ? stored.toDouble() == value.toDouble()
                                                                  : stored.toString() == value.toString();
            if (same || ++differences > 10) continue;
            ADD_FAILURE() << "item " << id << " " << column.toStdString() << ": "
                          << stored.toString().toStdString() << " instead of "
                          << value.toString().toStdString();
        }
        EXPECT_EQ(Int(QString("SELECT Chyba FROM Zasoby WHERE ID = %1").arg(id)), 0);
    }
    EXPECT_EQ(differences, 0);
}

namespace {

// The card opened from the price list: the list query stands on the item.
class KartaZasobyCardTest : public KartaZasobyTest {
protected:
    void SetUp() override {
        KartaZasobyTest::SetUp();
        savedRates_ = {VatBasicRate, VatReducedRate, VatFurtherReducedRate};
        VatBasicRate = 21;
        VatReducedRate = 15;
        VatFurtherReducedRate = 0;
    }
    void TearDown() override {
        VatBasicRate = savedRates_[0];
        VatReducedRate = savedRates_[1];
        VatFurtherReducedRate = savedRates_[2];
        KartaZasobyTest::TearDown();
    }
    TADOQuery& List(int standOn = 0) {
        TADOQuery& list = main_->adqZasoby;
        list.Close();
        list.SetSQL("SELECT * FROM Zasoby ORDER BY ID");
        list.Open();
        if (standOn != 0) {
            EXPECT_TRUE(list.Locate("ID", standOn));
        }
        return list;
    }
    // Types the text into a number field as the user does: the old content replaced.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static TfrmKartaZasoby* Card(QWidget* w) { return static_cast<TfrmKartaZasoby*>(w); }

    std::array<double, 3> savedRates_{};
};

}  // namespace

TEST_F(KartaZasobyCardTest, ANewItemIsPricedOnTheCardAndSavedIntoTheShownSheet) {
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        TfrmKartaZasoby* card = Card(w);
        // A new item starts on the firm's default rate and kind.
        EXPECT_EQ(card->cbxSazbaDPH->currentText(), "21");
        EXPECT_EQ(card->cbxTypCeny->currentIndex(), 0);
        EXPECT_TRUE(card->lblBezHladin->isVisibleTo(card));
        QTest::keyClicks(card->edtPopis, "Kabel CYKY");
        card->chckPrepocitatCenu->click();
        Type(card->curNakCena, "100");
        Type(card->curMarze, "20");
        EXPECT_EQ(card->curProdCena->Value(), 120);
        EXPECT_EQ(card->curPrCenaDruha->Value(), FieldValue(145.2L, 4));
        EXPECT_EQ(card->cbxTypCenyDruha->currentIndex(), 1);
        // The entered kind turns to "s daní": the number stays and the net price is derived anew.
        card->cbxTypCeny->setCurrentIndex(1);
        emit card->cbxTypCeny->activated(1);
        EXPECT_EQ(card->curProdCena->Value(), 120);
        EXPECT_EQ(card->curPrCenaDruha->Value(), FieldValue(99.168L, 4));
        card->btnPrepocitat->click();
        EXPECT_EQ(card->curProdCena->Value(), FieldValue(145.2L, 4));
        EXPECT_EQ(card->curPrCenaDruha->Value(), FieldValue(119.9933L, 4));
        TModalDriver::Click(w, "btnOK");
    });
    TADOQuery& list = List();
    EXPECT_EQ(EditPriceListItem(true, false, list, false), 0);
    const int id = Int("SELECT MAX(ID) FROM Zasoby");
    EXPECT_EQ(
        Row(id, "Popis, Sklad, Skupina, NakCena, Marze, Prepocitat, SDPH, SazbaDPH, PrCenaSDPH, PrCenaBDPH"),
        QString("Kabel CYKY|%1|%2|100.0000|20.0000|1|1|21|145.2000|119.9933")
            .arg(sheet_)
            .arg(basicGroup_)
            .toStdString());
    EXPECT_EQ(Row(id, "Chyba, Nakladova, CenSkupina, CenHlad1"), "0|0||");
    EXPECT_EQ(Value(QString("SELECT RepID FROM Zasoby WHERE ID = %1").arg(id)).toString().size(), 38);
    EXPECT_EQ(list.FieldByName("ID")->AsInteger(), id) << "the list stands on the new row";
}

TEST_F(KartaZasobyCardTest, AnEmptyDescriptionKeepsTheCardOpenAndZavritSavesNothing) {
    dialogs_.ExpectInformation(QString::fromUtf8(kItemDescriptionMissing));
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        QTest::keyClicks(Card(w)->edtPopis, "   ");
        TModalDriver::Click(w, "btnOK");
        EXPECT_TRUE(w->isVisible());
        TModalDriver::Click(w, "btnZavrit");
    });
    EXPECT_EQ(EditPriceListItem(true, false, List(), false), 0);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby"), 0);
}

TEST_F(KartaZasobyCardTest, EditingKeepsTheRowsKeyAndAForeignRateAndRecalculatesAnErrorRow) {
    const int id = AddItem(
        "NakCena, Marze, Prepocitat, SDPH, SazbaDPH, PrCenaSDPH, PrCenaBDPH, RepID, Dostupnost, "
        "Poznamka",
        "100, 20, 1, 0, 10, 1, 1, '{00000000-0000-0000-0000-000000000001}', 'o', "
        "'a' || char(13) || char(10) || 'b'");
    dialogs_.ExpectWarning(QString::fromUtf8(kItemVatRateChanged));
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        TfrmKartaZasoby* card = Card(w);
        EXPECT_EQ(card->cbxSazbaDPH->count(), 4);
        EXPECT_EQ(card->cbxSazbaDPH->currentText(), "10");
        EXPECT_EQ(card->cbxDostupnost->currentIndex(), 2);
        EXPECT_EQ(card->memPoznamka->toPlainText(), "a\nb");
        // The row's error flag made the card recompute its prices on opening.
        EXPECT_EQ(card->curProdCena->Value(), 120);
        EXPECT_EQ(card->curPrCenaDruha->Value(), 132);
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);
    EXPECT_EQ(Row(id, "SazbaDPH, PrCenaBDPH, PrCenaSDPH, Chyba, Dostupnost, RepID"),
              "10|120.0000|132.0000|0|O|{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(Value(QString("SELECT Poznamka FROM Zasoby WHERE ID = %1").arg(id)).toString(), "a\r\nb");
    EXPECT_FALSE(QFile::exists(RecordLockPath("Zasoby", id))) << "the lock goes with the card";
}

TEST_F(KartaZasobyCardTest, AnItemInUseElsewhereOpensReadOnly) {
    const int id = AddItem("NakCena", "1");
    LockHolder station(RecordLockPath("Zasoby", id), true);
    ASSERT_TRUE(station.Start());
    dialogs_.ExpectInformation(QString::fromUtf8(kRecordInUseText));
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        EXPECT_FALSE(Card(w)->btnOK->isEnabled());
        TModalDriver::Click(w, "btnZavrit");
    });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);

    // A user who may only read is told so and gets the same card; he may not add.
    station.Stop();
    CurrentUser.Cenik_AR = TAccessLevel::ReadOnly;
    dialogs_.ExpectInformation(QString::fromUtf8(kReadOnlyText))
        .ExpectInformation(QString::fromUtf8(kNoRightsText));
    driver.On("frmKartaZasoby", [](QWidget* w) {
        EXPECT_FALSE(Card(w)->btnOK->isEnabled());
        TModalDriver::Click(w, "btnZavrit");
    });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);
    EXPECT_EQ(EditPriceListItem(true, false, List(id), false), -1);
}

TEST_F(KartaZasobyCardTest, ACopyIsANewRowWithItsOwnKeyInTheShownSheet) {
    const int id = AddItem("NakCena, PrCenaBDPH, SazbaDPH, Katalog, RepID", "10, 20, 21, 'K', '{A}'");
    Exec("INSERT INTO Sklady (Nazev, Poradi) VALUES ('Druhý', 2)");
    const int second = LastId();
    Exec(QString("INSERT INTO Skupiny (Sklad, Nazev, Zakladni) VALUES (%1, 'Základní', 1)").arg(second));
    const int secondGroup = LastId();
    CurrentSheetId = second;
    TModalDriver driver;
    driver.Press("frmKartaZasoby", "btnOK");
    EXPECT_EQ(EditPriceListItem(false, false, List(id), true), 0);
    const int copy = Int("SELECT MAX(ID) FROM Zasoby");
    ASSERT_NE(copy, id);
    EXPECT_EQ(Row(copy, "Sklad, Skupina, Katalog, PrCenaBDPH"),
              QString("%1|%2|K|20.0000").arg(second).arg(secondGroup).toStdString());
    const QString key = Value(QString("SELECT RepID FROM Zasoby WHERE ID = %1").arg(copy)).toString();
    EXPECT_NE(key, "{A}");
    EXPECT_FALSE(key.isEmpty());
    EXPECT_EQ(Row(id, "Sklad, RepID"), QString("%1|{A}").arg(sheet_).toStdString());
}

TEST_F(KartaZasobyCardTest, PickingAGroupOnTheCardImposesItsSettingsAndLevels) {
    const int group = AddGroup("KOR", false, true, false, 0, ZaokNone);
    AddRule(group, "VIP", true, 10, true);
    AddRule(group, "AKCE", false, 0, false);
    TfrmKartaZasoby* card = TfrmKartaZasoby::Instance();
    card->ResetCard();
    card->SelectVatRate(21);
    card->Calc.ProdCena = 100;
    card->Calc.SDPH = false;
    card->ShowPrices();
    card->LoadItemPriceGroup(group);
    // The number entered without VAT is now read as the price with VAT.
    EXPECT_EQ(card->edtCenSkup->text(), "KOR");
    EXPECT_EQ(card->cbxTypCeny->currentIndex(), 1);
    EXPECT_EQ(card->curProdCena->Value(), 100);
    EXPECT_EQ(card->curPrCenaDruha->Value(), FieldValue(82.64L, 4));
    EXPECT_EQ(card->Calc.mtSezCenHlad.RecordCount(), 2);
    EXPECT_TRUE(card->panHladiny->isVisibleTo(card));
    // The discount level follows the base price; the new fixed level starts at zero.
    ASSERT_TRUE(card->Calc.mtSezCenHlad.Locate("Zkratka", "VIP"));
    EXPECT_DOUBLE_EQ(card->Calc.mtSezCenHlad.FieldByName("PrCenaSDPH")->AsFloat(), 90);
    ASSERT_TRUE(card->Calc.mtSezCenHlad.Locate("Zkratka", "AKCE"));
    EXPECT_DOUBLE_EQ(card->Calc.mtSezCenHlad.FieldByName("PrCenaSDPH")->AsFloat(), 0);

    card->btnCenSkupZrus->click();
    EXPECT_EQ(card->edtCenSkup->text(), "");
    EXPECT_TRUE(card->Calc.mtSezCenHlad.IsEmpty());
    EXPECT_TRUE(card->lblBezHladin->isVisibleTo(card));
}

TEST_F(KartaZasobyCardTest, OpeningAnItemDoesNotImposeItsGroupsSettings) {
    AddGroup("STD", false, true, true, 30, ZaokCrowns);
    const int id = AddItem("NakCena, Marze, SDPH, SazbaDPH, PrCenaBDPH, PrCenaSDPH, CenSkupina",
                           "100, 5, 0, 21, 105, 127.05, 'STD'");
    Exec(QString("UPDATE Zasoby SET Chyba = 0 WHERE ID = %1").arg(id));
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        TfrmKartaZasoby* card = Card(w);
        EXPECT_EQ(card->edtCenSkup->text(), "STD");
        EXPECT_EQ(card->cbxTypCeny->currentIndex(), 0);
        EXPECT_EQ(card->curMarze->Value(), 5);
        EXPECT_EQ(card->cbxZaokrouhleni->currentIndex(), ZaokNone);
        EXPECT_FALSE(card->chckPrepocitatCenu->isChecked());
        EXPECT_EQ(card->curProdCena->Value(), 105);
        TModalDriver::Click(w, "btnZavrit");
    });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);
}

TEST_F(KartaZasobyCardTest, TheLevelPriceIsTypedOnlyForAFixedLevel) {
    TItemPriceCalc calc;
    const auto level = [&](const char* code, bool fixed) {
        calc.mtSezCenHlad.Append();
        calc.mtSezCenHlad.FieldByName("Zkratka")->SetAsString(code);
        calc.mtSezCenHlad.FieldByName("Prepocitat")->SetAsBoolean(!fixed);
        calc.mtSezCenHlad.FieldByName("SDPH")->SetAsBoolean(true);
        calc.mtSezCenHlad.FieldByName("Zaok")->SetAsInteger(ZaokTenths);
        calc.mtSezCenHlad.FieldByName("TypHodnoty")->SetAsInteger(TypHodnotySleva);
        calc.mtSezCenHlad.FieldByName("Hodnota")->SetAsFloat(5);
        calc.mtSezCenHlad.FieldByName("PrCenaSDPH")->SetAsFloat(10);
        calc.mtSezCenHlad.FieldByName("PrCenaBDPH")->SetAsFloat(8);
        calc.mtSezCenHlad.Post();
    };
    level("VIP", false);
    level("AKCE", true);

    TfrmCenaCenHlad window;
    ASSERT_TRUE(calc.mtSezCenHlad.Locate("Zkratka", "VIP"));
    window.Fill(calc.mtSezCenHlad, 21);
    EXPECT_EQ(window.lblTypHodnoty->text(), "sleva");
    EXPECT_EQ(window.lblHodnota->text(), "5,00 %");
    EXPECT_EQ(window.lblCena1Typ->text(), QString::fromUtf8("s daní"));
    dialogs_.ExpectWarning(QString::fromUtf8(kLevelPriceFixedOnly));
    QTest::keyClicks(window.curCena1, "7");
    EXPECT_EQ(window.curCena1->Value(), 10);

    ASSERT_TRUE(calc.mtSezCenHlad.Locate("Zkratka", "AKCE"));
    TModalDriver driver;
    driver.On("frmCenaCenHlad", [](QWidget* w) {
        auto* dialog = static_cast<TfrmCenaCenHlad*>(w);
        EXPECT_EQ(dialog->lblTypHodnoty->text(), QString::fromUtf8("fixní"));
        dialog->curCena1->clear();
        QTest::keyClicks(dialog->curCena1, "121");
        // 121 − 121 × 0.1736 rounded to tenths.
        EXPECT_EQ(dialog->curCena2->Value(), 100);
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditLevelPrice(calc.mtSezCenHlad, 21, nullptr), kResultOk);
    EXPECT_DOUBLE_EQ(calc.mtSezCenHlad.FieldByName("PrCenaSDPH")->AsFloat(), 121);
    EXPECT_DOUBLE_EQ(calc.mtSezCenHlad.FieldByName("PrCenaBDPH")->AsFloat(), 100);
}

TEST_F(KartaZasobyCardTest, AFixedLevelPriceTypedFromTheCardIsSavedInItsSlot) {
    const int group = AddGroup("MAT", true, false, false, 0, 0);
    AddRule(group, "AKCE", false, 0, false);
    const int id = AddItem("PrCenaBDPH, SazbaDPH, CenSkupina, Popis", "100, 21, 'MAT', 'x'");
    Exec(QString("UPDATE Zasoby SET Chyba = 0 WHERE ID = %1").arg(id));
    TModalDriver driver;
    driver
        .On("frmKartaZasoby",
            [](QWidget* w) {
                TfrmKartaZasoby* card = Card(w);
                ASSERT_TRUE(card->Calc.mtSezCenHlad.Locate("Zkratka", "AKCE"));
                card->grSezCenHladDblClick();
                // Enter in the note breaks the line; anywhere else it confirms the card.
                QTest::keyClick(card->memPoznamka, Qt::Key_Return);
                EXPECT_TRUE(w->isVisible());
                QTest::keyClick(card->edtKatalog, Qt::Key_Return);
            })
        .On("frmCenaCenHlad", [](QWidget* w) {
            auto* dialog = static_cast<TfrmCenaCenHlad*>(w);
            dialog->curCena1->clear();
            QTest::keyClicks(dialog->curCena1, "80");
            TModalDriver::Click(w, "btnOK");
        });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);
    EXPECT_EQ(Row(id, "CenHlad1, PrCenaBDPH1, PrCenaSDPH1, SDPH1"), "AKCE|80.0000|96.8000|0");
}

TEST_F(KartaZasobyCardTest, TheProfitCalculatorColoursItsResults) {
    TfrmKartaZasoby* card = TfrmKartaZasoby::Instance();
    card->ResetCard();
    card->Calc.NakCena = 100;
    card->Calc.ProdCena = 80;
    card->curZiskPocetMj->SetValue(2);
    card->ShowPrices();
    EXPECT_EQ(card->curZiskProdCena->Value(), -40);
    EXPECT_EQ(card->curZiskProdCena->palette().color(QPalette::Base), QColor(128, 0, 0));
    EXPECT_FALSE(card->curZiskHladina->isVisibleTo(card)) << "no levels, no level result";

    card->Calc.ProdCena = 100;
    card->ShowPrices();
    EXPECT_EQ(card->curZiskProdCena->palette().color(QPalette::Text), QColor(0, 0, 128));
    card->Calc.ProdCena = 130;
    Type(card->curZiskPocetMj, "3");
    EXPECT_EQ(card->curZiskProdCena->Value(), 90);
    EXPECT_EQ(card->curZiskProdCena->palette().color(QPalette::Base), QColor(0, 128, 0));
}

TEST_F(KartaZasobyCardTest, ADemonstrationItemWithItsLevelsOnTheCard) {
    AddDemoPriceList(Con());
    const int id = Int("SELECT ID FROM Zasoby WHERE Katalog = 'CYKY325'");
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        TfrmKartaZasoby* card = Card(w);
        w->resize(760, 760);
        QApplication::processEvents();
        const QImage picture = w->grab().toImage();
        EXPECT_TRUE(picture.save(ArtifactPath("item-card-demo.png")));
        EXPECT_EQ(card->edtCenSkup->text(), "MAT");
        EXPECT_EQ(card->Calc.mtSezCenHlad.RecordCount(), 3);
        // Shown at once, not only after a change: 34.5 / 22.8 × 100 − 100.
        EXPECT_EQ(card->curMarzeSkut->Value(), FieldValue(51.32L, 2));
        // The fixed level's row is drawn in blue: its text has blue pixels, the others have none.
        const QImage grid = card->grSezCenHlad->grab().toImage();
        const auto blueIn = [&grid](const TRect& cell) {
            for (int y = cell.Top; y < cell.Bottom; ++y)
                for (int x = cell.Left; x < cell.Right; ++x) {
                    const QColor c = grid.pixelColor(x, y);
                    if (c.blue() > 180 && c.red() < 90 && c.green() < 90) return true;
                }
            return false;
        };
        // Below the title row: VIP (current), VO and AKCE, in the order of the group's rules.
        EXPECT_FALSE(blueIn(card->grSezCenHlad->CellRect(1, 2)));
        EXPECT_TRUE(blueIn(card->grSezCenHlad->CellRect(1, 3)));
        TModalDriver::Click(w, "btnZavrit");
    });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);
}

// Another station imports items in one long transaction while this one saves an item: the save
// waits, says so in the working window, and goes through once the import has committed.
TEST_F(KartaZasobyCardTest, ASaveWaitsForAnotherStationsImportAndThenGoesThrough) {
    const int id = AddItem("NakCena", "1");
    StationWriting importing(
        Folder() + "FIRMA.MDB",
        QString("INSERT INTO Zasoby (Sklad, Skupina, Popis) VALUES (%1, %2, 'z importu')")
            .arg(sheet_)
            .arg(basicGroup_));
    ASSERT_TRUE(importing.Start());
    bool imported = false;
    TStationWait wait([&] { imported = importing.Finish(); });
    TModalDriver driver;
    driver.On("frmKartaZasoby", [](QWidget* w) {
        Type(Card(w)->edtPopis, "Kabel CYKY 3x2,5");
        TModalDriver::Click(w, "btnOK");
    });
    EXPECT_EQ(EditPriceListItem(false, false, List(id), false), 0);
    EXPECT_TRUE(wait.shownAsWaiting);
    EXPECT_TRUE(imported);
    EXPECT_EQ(Column("SELECT Popis FROM Zasoby ORDER BY ID"),
              QString::fromUtf8("Kabel CYKY 3x2,5|z importu"));
    EXPECT_FALSE(TfrmWorking::Instance()->isVisible());
}

// A save that cannot go through keeps the card open with what the user typed and leaves the
// database as it was; once the cause is gone, OK saves what stands on the card.
TEST_F(KartaZasobyCardTest, AFailedSaveKeepsTheCardOpenWithWhatWasTyped) {
    const int id = AddItem("NakCena", "1");
    std::unique_ptr<TImportNotWaitedFor> importing;
    struct Case {
        const char* name;
        bool newItem;
        // Makes the save fail; answers the error the user is told of.
        std::function<EDatabaseError()> fail;
        std::function<void()> mend;
        // The stored items once the cause is gone, before the second OK.
        const char* stored;
    };
    const Case kCases[] = {
        {"the user stops waiting for another station's import", false,
         [&] {
             importing = std::make_unique<TImportNotWaitedFor>(
                 Folder() + "FIRMA.MDB", QString("UPDATE Zasoby SET NakCena = 2 WHERE ID = %1").arg(id));
             return TImportNotWaitedFor::Error();
         },
         [&] { importing->Finish(); }, "Položka/2"},
        {"the database refuses the new row", true,
         [&] {
             Exec(
                 "CREATE TRIGGER Odmitnout BEFORE INSERT ON Zasoby BEGIN SELECT RAISE(ABORT, 'zapis "
                 "odmitnut'); "
                 "END");
             return EDatabaseError("zapis odmitnut");
         },
         [&] { Exec("DROP TRIGGER Odmitnout"); }, "Položka/1"},
    };
    const QString stored = "SELECT Popis || '/' || CAST(NakCena AS INTEGER) FROM Zasoby ORDER BY ID";
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        dialogs_.ExpectError(QString::fromUtf8(kSaveNotDoneText).arg(DatabaseFailureText(c.fail())));
        TModalDriver driver;
        driver.On("frmKartaZasoby", [&](QWidget* w) {
            Card(w)->edtPopis->setText(QString::fromUtf8("Zásuvka dvojitá"));
            Card(w)->memPoznamka->setPlainText("IP44");
            TModalDriver::Click(w, "btnOK");
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(Card(w)->edtPopis->text(), QString::fromUtf8("Zásuvka dvojitá"));
            EXPECT_EQ(Card(w)->memPoznamka->toPlainText(), "IP44");
            EXPECT_FALSE(TfrmWorking::Instance()->isVisible());
            c.mend();
            EXPECT_EQ(Column(stored), QString::fromUtf8(c.stored));
            TModalDriver::Click(w, "btnOK");
        });
        EXPECT_EQ(EditPriceListItem(c.newItem, false, List(id), false), 0);
        dialogs_.Verify();
        EXPECT_EQ(Int(QString::fromUtf8(
                      "SELECT COUNT(*) FROM Zasoby WHERE Popis = 'Zásuvka dvojitá' AND Poznamka = 'IP44'")),
                  1);
        Exec(QString("DELETE FROM Zasoby WHERE ID <> %1").arg(id));
        Exec(
            QString("UPDATE Zasoby SET Popis = 'Položka', NakCena = 1, Poznamka = '' WHERE ID = %1").arg(id));
    }
}
