#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <cstring>
#include <functional>

#include "core/Informace.h"
#include "core/Locks.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/DatabaseError.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/Preceneni.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceRules.h"

namespace {

// A firm with two sheets and their basic groups. Each test fills Zasoby with the items it needs
// and runs the wizard's executor over the scope page's choice.
class PreceneniTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        for (int i = 0; i < 2; ++i) {
            Exec(QString("INSERT INTO Sklady (Nazev, Poradi) VALUES ('List %1', %1)").arg(i + 1));
            sheets_[i] = LastId();
            Exec(QString("INSERT INTO Skupiny (Sklad, Nazev, Zakladni) VALUES (%1, 'Základní', 1)")
                     .arg(sheets_[i]));
            groups_[i] = LastId();
        }
        CurrentSheetId = sheets_[0];
        WorkingCancelled = false;
    }
    void TearDown() override {
        WorkingCancelled = false;
        PriceListTest::TearDown();
    }

    // An item of the first sheet with the given price columns over these defaults: purchase price
    // 100, fixed margin 20 %, recalculated from the purchase price, net price entered, VAT 21 %.
    int AddItem(const QString& columns = {}, const QString& values = {}, int sheet = 0) {
        QString c = "NakCena, Marze, Rabat, TypHodnoty, Prepocitat, SDPH, SazbaDPH, Zaok, Chyba";
        QString v = "100, 20, 0, 0, 1, 0, 21, 0, 0";
        // A column given twice would be ambiguous: the given ones replace the defaults.
        QStringList cols = c.split(", "), vals = v.split(", ");
        const QStringList givenCols = columns.isEmpty() ? QStringList() : columns.split(", ");
        const QStringList givenVals = values.isEmpty() ? QStringList() : values.split(", ");
        for (int i = 0; i < givenCols.size(); ++i) {
            const qsizetype at = cols.indexOf(givenCols[i]);
            if (at >= 0) {
                vals[at] = givenVals[i];
            } else {
                cols << givenCols[i];
                vals << givenVals[i];
            }
        }
        Exec(QString("INSERT INTO Zasoby (Sklad, Skupina, Popis, %1) VALUES (%2, %3, 'Položka', %4)")
                 .arg(cols.join(", "))
                 .arg(sheets_[sheet])
                 .arg(groups_[sheet])
                 .arg(vals.join(", ")));
        return LastId();
    }

    // Columns of the row as text, prices with four decimals.
    std::string Row(int id, const QString& columns) {
        QStringList parts;
        for (const QString& c : columns.split(',')) {
            const QVariant v = Value(QString("SELECT %1 FROM Zasoby WHERE ID = %2").arg(c.trimmed()).arg(id));
            if (v.isNull())
                parts << "null";
            else if (c.contains("Cena") || c.contains("Marze") || c.contains("Rabat"))
                parts << QString::number(v.toDouble(), 'f', 4);
            else
                parts << QString::number(v.toInt());
        }
        return parts.join('|').toStdString();
    }

    // Runs the executor of the wizard as it stands, with the user's actions of act (if any) played
    // whenever the run lets messages through.
    int Run(TfrmPreceneni& w, const std::function<void(TfrmPreceneni&)>& act = {}) {
        QTimer timer;
        timer.setInterval(0);
        if (act) QObject::connect(&timer, &QTimer::timeout, [&] { act(w); });
        timer.start();
        return w.RepriceItems();
    }
    // Presses "Přerušit" once, when the run shows the phase label.
    static std::function<void(TfrmPreceneni&)> InterruptIn(const char* phase) {
        auto pressed = std::make_shared<bool>(false);
        return [phase, pressed](TfrmPreceneni& w) {
            if (*pressed || w.lblFaze->text() != QString::fromUtf8(phase)) return;
            *pressed = true;
            w.btnPrerusit->click();
        };
    }

    int sheets_[2] = {};
    int groups_[2] = {};
};

}  // namespace

TEST_F(PreceneniTest, AmountActionsKeepExtendedPrecisionUpToTheStoredNumber) {
    struct Case {
        TRepriceAction action;
        double itemValue;
        const char* typed;  // the amount as typed into the wizard's field
        double stored;
    };
    const Case kCases[] = {
        {TRepriceAction::Set, 100, "55,5", 55.5},
        {TRepriceAction::Add, 100, "10", 110},
        // In doubles these give 110.00000000000001, 3.3000000000000003 and 0.30000000000000004.
        {TRepriceAction::Multiply, 100, "1,1", 110},
        {TRepriceAction::Multiply, 3, "1,1", 3.3},
        {TRepriceAction::Add, 0.1, "0,2", 0.3},
    };
    TCurrencyEdit amount;
    amount.SetDecimalPlaces(2);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        amount.setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(static_cast<double>(ApplyRepriceAction(c.action, c.itemValue, amount.Value())), c.stored);
    }
}

TEST_F(PreceneniTest, ScopeStatementsFollowTheFilters) {
    struct Case {
        bool all, sheet, group, vat;
        int rate;
        const char* sql;
    };
    const Case kCases[] = {
        {true, true, true, true, 21, "SELECT * FROM Zasoby"},
        {false, true, false, true, 21, "SELECT * FROM Zasoby WHERE (Sklad = 3) AND (SazbaDPH = 21)"},
        {false, true, true, false, 0, "SELECT * FROM Zasoby WHERE (Skupina = 7) AND (Sklad = 3)"},
        {false, true, true, true, 12,
         "SELECT * FROM Zasoby WHERE (Skupina = 7) AND (Sklad = 3) AND (SazbaDPH = 12)"},
        {false, false, false, true, 0, "SELECT * FROM Zasoby WHERE (SazbaDPH = 0)"},
    };
    TfrmPreceneni w;
    w.ResetWizard(TRepriceKind::Scope);
    w.ListID = 3;
    w.SkupinaID = 7;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.sql);
        w.chckProvestVse->setChecked(c.all);
        w.chckList->setChecked(c.sheet);
        w.chckSkupina->setChecked(c.group);
        w.chckFiltrSazbaDPH->setChecked(c.vat);
        w.curFiltrSazbaDPH->SetValue(c.rate);
        EXPECT_EQ(w.ScopeSql(), c.sql);
    }
}

TEST_F(PreceneniTest, SetValuesAreWrittenInPhaseOneAndRecalculatedInPhaseTwo) {
    struct Case {
        const char* name;
        std::function<void(TfrmPreceneni&)> set;
        const char* columns;  // of the item beyond the defaults
        const char* values;
        const char* expected;  // NakCena|Marze|PrCenaSDPH|PrCenaBDPH|SazbaDPH|Chyba
    };
    auto amount = [](QCheckBox* TfrmPreceneni::*box, QComboBox* TfrmPreceneni::*action, TRepriceAction a,
                     TCurrencyEdit* TfrmPreceneni::*edit, long double value) {
        return [=](TfrmPreceneni& w) {
            (w.*box)->setChecked(true);
            if (action) (w.*action)->setCurrentIndex(static_cast<int>(a));
            (w.*edit)->SetValue(value);
        };
    };
    using W = TfrmPreceneni;
    const Case kCases[] = {
        {"purchase price set",
         amount(&W::chckNakCena, &W::cbxAkceNakCena, TRepriceAction::Set, &W::curNakCena, 50), "", "",
         "50.0000|20.0000|72.6000|60.0000|21|0"},
        {"purchase price raised",
         amount(&W::chckNakCena, &W::cbxAkceNakCena, TRepriceAction::Add, &W::curNakCena, 10), "", "",
         "110.0000|20.0000|159.7200|132.0000|21|0"},
        {"purchase price multiplied",
         amount(&W::chckNakCena, &W::cbxAkceNakCena, TRepriceAction::Multiply, &W::curNakCena, 1.1L), "", "",
         "110.0000|20.0000|159.7200|132.0000|21|0"},
        {"margin raised", amount(&W::chckMarze, &W::cbxAkceMarze, TRepriceAction::Add, &W::curMarze, 5), "",
         "", "100.0000|25.0000|151.2500|125.0000|21|0"},
        {"VAT rate", amount(&W::chckSazbaDPH, nullptr, TRepriceAction::Set, &W::curSazbaDPH, 12), "", "",
         "100.0000|20.0000|134.4000|120.0000|12|0"},
        // Entered with VAT: the gross price is the one set, the net one follows it.
        {"sale price of an item entered with VAT",
         amount(&W::chckProdCena, &W::cbxAkceProdCena, TRepriceAction::Set, &W::curProdCena, 242),
         "Prepocitat, SDPH, PrCenaSDPH, PrCenaBDPH", "0, 1, 121, 100",
         "100.0000|20.0000|242.0000|199.9888|21|0"},
        {"sale price multiplied",
         amount(&W::chckProdCena, &W::cbxAkceProdCena, TRepriceAction::Multiply, &W::curProdCena, 1.1L),
         "Prepocitat, SDPH, PrCenaSDPH, PrCenaBDPH", "0, 1, 100, 1",
         "100.0000|20.0000|110.0000|90.9040|21|0"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Exec("DELETE FROM Zasoby");
        const int id = AddItem(c.columns, c.values);
        TfrmPreceneni w;
        w.ResetWizard(TRepriceKind::Scope);
        w.chckNastavit->setChecked(true);
        c.set(w);
        dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
        EXPECT_EQ(Run(w), 0);
        EXPECT_EQ(Row(id, "NakCena, Marze, PrCenaSDPH, PrCenaBDPH, SazbaDPH, Chyba"), c.expected);
        // Phase one marked the item with the run's time.
        EXPECT_FALSE(Value(QString("SELECT Znacka FROM Zasoby WHERE ID = %1").arg(id)).isNull());
        EXPECT_FALSE(ChangeStampsSuspended);
        dialogs_.Verify();
    }
}

TEST_F(PreceneniTest, WithoutSetValuesTheItemsAreOnlyRecalculated) {
    const int id = AddItem("Chyba, PrCenaBDPH", "1, 7");
    TfrmPreceneni w;
    w.ResetWizard(TRepriceKind::Scope);
    // Ticked rows count only with the set-values box.
    w.chckNakCena->setChecked(true);
    w.curNakCena->SetValue(999);
    dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
    EXPECT_EQ(Run(w), 0);
    EXPECT_EQ(Row(id, "NakCena, PrCenaBDPH, Chyba, Znacka"), "100.0000|120.0000|0|null");
    dialogs_.Verify();
}

TEST_F(PreceneniTest, OnlyTheItemsOfTheScopeAreProcessed) {
    const int inScope = AddItem("Chyba", "1");
    const int otherRate = AddItem("Chyba, SazbaDPH", "1, 12");
    const int otherSheet = AddItem("Chyba", "1", 1);
    TfrmPreceneni w;
    w.ResetWizard(TRepriceKind::Scope);
    w.chckProvestVse->setChecked(false);
    w.chckList->setChecked(true);
    w.ListID = sheets_[0];
    w.chckFiltrSazbaDPH->setChecked(true);
    w.curFiltrSazbaDPH->SetValue(21);
    dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
    EXPECT_EQ(Run(w), 0);
    EXPECT_EQ(Row(inScope, "Chyba"), "0");
    EXPECT_EQ(Row(otherRate, "Chyba"), "1");
    EXPECT_EQ(Row(otherSheet, "Chyba"), "1");
    dialogs_.Verify();
}

TEST_F(PreceneniTest, AnInconsistentPriceGroupStopsTheRunBeforeAnythingIsWritten) {
    Exec(
        "INSERT INTO CenSkup (Zkratka, Popis, Vlastni, SDPH, Prepocitat, Marze, Rabat, Zaok, TypHodnoty) "
        "VALUES ('MAT', 'x', 1, 0, 1, 0, 0, 0, 0)");
    AddRule(LastId(), "CHYBI", false, 5, true);
    const int id = AddItem("Chyba, PrCenaBDPH", "1, 7");
    TfrmPreceneni w;
    w.ResetWizard(TRepriceKind::Scope);
    w.chckNastavit->setChecked(true);
    w.chckNakCena->setChecked(true);
    w.curNakCena->SetValue(50);
    // The fault list comes up in the information window.
    QStringList shown;
    EXPECT_EQ(Run(w,
                  [&](TfrmPreceneni&) {
                      if (auto* window = qobject_cast<TfrmInformace*>(QApplication::activeModalWidget())) {
                          shown = window->Lines();
                          window->reject();
                      }
                  }),
              -1);
    EXPECT_TRUE(
        shown.join('\n').contains(QString::fromUtf8("Nelze pokračovat, nejprve opravte cenovou skupinu!")));
    EXPECT_EQ(Row(id, "NakCena, PrCenaBDPH, Chyba, Znacka"), "100.0000|7.0000|1|null");
    dialogs_.Verify();
}

TEST_F(PreceneniTest, AnInterruptedScopeRunRecalculatesWhatItHasMarked) {
    // The flag is tested every fifth row, so the run stops after five of the eight items.
    std::vector<int> ids;
    for (int i = 0; i < 8; ++i) ids.push_back(AddItem());
    TfrmPreceneni w;
    w.ResetWizard(TRepriceKind::Scope);
    w.chckNastavit->setChecked(true);
    w.chckNakCena->setChecked(true);
    w.curNakCena->SetValue(50);
    EXPECT_EQ(Run(w, InterruptIn(kRepricePhaseOne)), 0);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE NakCena = 50 AND Chyba = 0 AND PrCenaBDPH = 60"), 5);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE NakCena = 100 AND Znacka IS NULL"), 3);
    // Interrupted: no message that the run is complete.
    EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(PreceneniTest, InterruptingPhaseTwoAsksAndAConfirmedStopLeavesTheRestMarked) {
    struct Case {
        bool confirm;
        int flagged;  // items left with the error flag
    };
    for (const Case c : {Case{false, 0}, Case{true, 2}}) {
        SCOPED_TRACE(c.confirm);
        Exec("DELETE FROM Zasoby");
        for (int i = 0; i < 3; ++i) AddItem();
        TfrmPreceneni w;
        w.ResetWizard(TRepriceKind::Scope);
        w.chckNastavit->setChecked(true);
        w.chckMarze->setChecked(true);
        w.curMarze->SetValue(50);
        dialogs_.ExpectQuestion(QString::fromUtf8(kRepriceConfirmStop), c.confirm);
        if (!c.confirm) dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
        EXPECT_EQ(Run(w, InterruptIn(kRepricePhaseTwo)), 0);
        dialogs_.Verify();
        // Every item got its value in phase one; the flagged ones still carry the run's mark.
        EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE Marze = 50"), 3);
        EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE Chyba = 1 AND PrCenaBDPH IS NULL"), c.flagged);
        EXPECT_EQ(Int("SELECT COUNT(DISTINCT Znacka) FROM Zasoby"), 1);
        EXPECT_FALSE(ChangeStampsSuspended);
    }
}

TEST_F(PreceneniTest, TheStampsAreWrittenBeforeAndAfterButNotWhileTheRowsAreWritten) {
    for (int i = 0; i < 12; ++i) AddItem();
    // Old stamps, so that the run's own writes show.
    const TDateTime old = 1000.5;
    for (const char* table : {"ZASOBY", "SKUPINY"}) {
        QFile f(ChangeStampPath(table));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(&old), sizeof old);
    }
    TfrmPreceneni w;
    w.ResetWizard(TRepriceKind::Scope);
    w.chckNastavit->setChecked(true);
    w.chckRabat->setChecked(true);
    w.curRabat->SetValue(3);
    QSet<double> seenZasoby, seenSkupiny;
    bool suspendedMeanwhile = true;
    dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
    Run(w, [&](TfrmPreceneni& wizard) {
        if (wizard.lblFaze->text() != QString::fromUtf8(kRepricePhaseOne) &&
            wizard.lblFaze->text() != QString::fromUtf8(kRepricePhaseTwo))
            return;
        suspendedMeanwhile = suspendedMeanwhile && ChangeStampsSuspended;
        seenZasoby.insert(TableChangeStamp(tsRead, "ZASOBY"));
        seenSkupiny.insert(TableChangeStamp(tsRead, "SKUPINY"));
    });
    dialogs_.Verify();
    EXPECT_TRUE(suspendedMeanwhile);
    ASSERT_EQ(seenZasoby.size(), 1);
    ASSERT_EQ(seenSkupiny.size(), 1);
    EXPECT_GT(*seenZasoby.begin(), old);
    EXPECT_GT(*seenSkupiny.begin(), old);
    EXPECT_GE(TableChangeStamp(tsRead, "ZASOBY"), *seenZasoby.begin());
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE Rabat = 3 AND Chyba = 0"), 12);
}

TEST_F(PreceneniTest, ThePriceGroupRulesAreReadOncePerRunWhateverTheNumberOfItems) {
    AddLevel("VIP", 5, true);
    Exec(
        "INSERT INTO CenSkup (Zkratka, Popis, Vlastni, SDPH, Prepocitat, Marze, Rabat, Zaok, TypHodnoty) "
        "VALUES ('MAT', 'x', 1, 0, 1, 0, 0, 0, 0)");
    AddRule(LastId(), "VIP", false, 5, true);
    auto ruleReads = [this] {
        int reads = 0;
        auto trace = [](unsigned, void* context, void* statement, void*) {
            const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
            if (sql && std::strstr(sql, "CenSkupPol")) ++*static_cast<int*>(context);
            return 0;
        };
        TfrmPreceneni w;
        w.ResetWizard(TRepriceKind::Scope);
        w.chckNastavit->setChecked(true);
        w.chckRabat->setChecked(true);
        dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
        sqlite3_trace_v2(Con().Handle(), SQLITE_TRACE_STMT, trace, &reads);
        Run(w);
        sqlite3_trace_v2(Con().Handle(), 0, nullptr, nullptr);
        return reads;
    };
    AddItem("CenSkupina", "'MAT'");
    const int few = ruleReads();
    for (int i = 0; i < 20; ++i) AddItem("CenSkupina", "'MAT'");
    EXPECT_EQ(ruleReads(), few);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE Chyba = 0 AND PrCenaBDPH = 120"), 21);
    dialogs_.Verify();
}

// The run writes its rows in batches. However it ends, what it wrote is committed and no
// transaction is left open: another station reads the rows, and a database error keeps the rows
// written before it, as row-by-row writing did.
TEST_F(PreceneniTest, WhatTheRunWroteIsCommittedAlsoWhenADatabaseErrorEndsIt) {
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails);
        Exec("DELETE FROM Zasoby");
        AddItem();
        const int refused = AddItem();
        AddItem();
        if (fails)
            sqlite3_exec(Con().Handle(),
                         QString("CREATE TRIGGER refuse BEFORE UPDATE ON Zasoby WHEN OLD.ID = %1 BEGIN "
                                 "SELECT RAISE(ABORT, 'refused'); END")
                             .arg(refused)
                             .toUtf8()
                             .constData(),
                         nullptr, nullptr, nullptr);
        TfrmPreceneni w;
        w.ResetWizard(TRepriceKind::Scope);
        w.chckNastavit->setChecked(true);
        w.chckNakCena->setChecked(true);
        w.curNakCena->SetValue(50);
        if (fails) {
            EXPECT_THROW(w.RepriceItems(), EDatabaseError);
            sqlite3_exec(Con().Handle(), "DROP TRIGGER refuse", nullptr, nullptr, nullptr);
        } else {
            dialogs_.ExpectInformation(QString::fromUtf8(kRepriceDone));
            EXPECT_EQ(Run(w), 0);
            dialogs_.Verify();
        }
        EXPECT_FALSE(Con().InTransaction());
        EXPECT_FALSE(ChangeStampsSuspended);

        sqlite3* other = nullptr;
        ASSERT_EQ(
            sqlite3_open_v2(Con().FileName().toUtf8().constData(), &other, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
        auto count = [other](const char* sql) {
            sqlite3_stmt* st = nullptr;
            EXPECT_EQ(sqlite3_prepare_v2(other, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(other);
            const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
            sqlite3_finalize(st);
            return n;
        };
        // Failing at the second row, the first keeps its new value and the flag phase II never cleared.
        EXPECT_EQ(count("SELECT COUNT(*) FROM Zasoby WHERE NakCena = 50 AND Chyba = 1"), fails ? 1 : 0);
        EXPECT_EQ(count("SELECT COUNT(*) FROM Zasoby WHERE NakCena = 50 AND Chyba = 0 AND PrCenaBDPH = 60"),
                  fails ? 0 : 3);
        sqlite3_close(other);
    }
}
