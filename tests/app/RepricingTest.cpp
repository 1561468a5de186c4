#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <memory>

#include "app/PriceListAppFixture.h"
#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/Preceneni.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/Sklady.h"
#include "pricelist/Zasoby.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

// The demonstration firm repriced through the wizard, from the main window's menu and from the
// price-list window's "Ostatní" menu.
class RepricingTest : public TPriceListAppFixture {
protected:
    double Number(const QString& sql) {
        const QVariant v = Value(sql);
        return v.isValid() ? v.toDouble() : -1;
    }
    int Count(const QString& sql) { return static_cast<int>(Number(sql)); }
    static TfrmPreceneni* Wizard(QWidget* w) { return qobject_cast<TfrmPreceneni*>(w); }
};

// Presses "Přerušit" of the wizard once its phase label shows the phase, while the run lets
// messages through.
class TInterrupter {
public:
    TInterrupter(TfrmPreceneni* wizard, const char* phase) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this, wizard, phase] {
            if (pressed_ || wizard->lblFaze->text() != QString::fromUtf8(phase)) return;
            pressed_ = true;
            wizard->btnPrerusit->click();
        });
        timer_.start();
    }

private:
    QTimer timer_;
    bool pressed_ = false;
};

}  // namespace

TEST_F(RepricingTest, TheMainMenuRepricesTheGroupChosenOnTheScopePage) {
    const double otherBefore = Number("SELECT SUM(NakCena) FROM Zasoby WHERE Katalog = 'ZAS1B'");
    QAction* entry = main_->Preceneni1;
    EXPECT_EQ(entry->text(), QString::fromUtf8("Přecenění nákupních a prodejních cen"));
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kRepriceScopeMissing))
        .ExpectInformation(QString::fromUtf8(kRepriceSheetFirst))
        .ExpectInformation(QString::fromUtf8(kRepriceSheetMissing))
        .ExpectInformation(QString::fromUtf8(kRepriceGroupMissing))
        .ExpectInformation(QString::fromUtf8(kRepriceDone));
    bool tipHidden = false, netHidden = false, backHidden = false, backFromScope = false;
    TModalDriver driver;
    driver
        .On("frmPreceneni",
            [&](QWidget* window) {
                TfrmPreceneni* w = Wizard(window);
                ASSERT_NE(w, nullptr);
                EXPECT_EQ(w->windowTitle(), QString::fromUtf8(kRepriceCaption));
                tipHidden = w->lblTipHrOperace->isHidden();
                netHidden = w->lblNetUpozorneni->isHidden();
                backHidden = w->btnPredchozi->isHidden();
                w->chckNastavit->setChecked(true);
                w->btnDalsi->click();
                EXPECT_EQ(w->pgcMain->currentIndex(), TfrmPreceneni::pgValues);
                w->chckNakCena->setChecked(true);
                w->cbxAkceNakCena->setCurrentIndex(static_cast<int>(TRepriceAction::Add));
                w->curNakCena->setText("10");
                w->btnDalsi->click();
                EXPECT_EQ(w->pgcMain->currentIndex(), TfrmPreceneni::pgScope);
                w->btnPredchozi->click();
                backFromScope = w->pgcMain->currentIndex() == TfrmPreceneni::pgValues;
                w->btnDalsi->click();
                // The whole price list is ticked at first; a filter needs its choice.
                w->chckProvestVse->setChecked(false);
                w->btnDalsi->click();
                w->chckList->setChecked(true);
                w->chckSkupina->setChecked(true);
                w->btnSkupina->click();
                w->btnDalsi->click();
                w->btnList->click();
                EXPECT_EQ(w->edtList->text(), QString::fromUtf8("Elektroinstalace"));
                w->btnDalsi->click();
                w->btnSkupina->click();
                EXPECT_EQ(w->edtSkupina->text(), QString::fromUtf8("Kabely a vodiče"));
                w->btnDalsi->click();
                EXPECT_EQ(w->pgcMain->currentIndex(), TfrmPreceneni::pgBeforeStart);
                w->btnDalsi->click();
            })
        .On("frmSklady",
            [&](QWidget* w) {
                ASSERT_TRUE(main_->adqSklady.Locate("Nazev", QString::fromUtf8("Elektroinstalace")));
                TModalDriver::Click(w, "btnOK");
            })
        .On("frmSklSkupiny", [&](QWidget* w) {
            ASSERT_TRUE(main_->adqAgendaFree1.Locate("Kod", "KAB"));
            TModalDriver::Click(w, "btnOK");
        });
    entry->trigger();
    EXPECT_TRUE(tipHidden);
    EXPECT_TRUE(netHidden);
    EXPECT_TRUE(backHidden);
    EXPECT_TRUE(backFromScope);
    // The cable 3x1,5 bought at 14,20 now at 24,20, recalculated; the socket of another group kept.
    EXPECT_DOUBLE_EQ(Number("SELECT NakCena FROM Zasoby WHERE Katalog = 'CYKY315'"), 24.2);
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'CYKY315' AND Chyba = 0 AND Znacka IS NOT NULL"),
        1);
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM Zasoby z JOIN Skupiny s ON z.Skupina = s.ID WHERE s.Kod = 'KAB' AND "
              "z.Znacka IS NULL"),
        0);
    EXPECT_DOUBLE_EQ(Number("SELECT SUM(NakCena) FROM Zasoby WHERE Katalog = 'ZAS1B'"), otherBefore);
    EXPECT_FALSE(main_->adqSklady.Active());
}

TEST_F(RepricingTest, ThePriceListRepricesTheMarkedItemsOrEveryItemOfTheMarkedGroups) {
    struct Case {
        const char* name;
        bool groups;
        const char* marked[2];
        const char* sql;  // counts the items that got the new purchase price
        int repriced;
    };
    const Case kCases[] = {
        {"marked items",
         false,
         {"CYKY315", "ZAS1B"},
         "SELECT COUNT(*) FROM Zasoby WHERE NakCena = 35 AND Chyba = 0",
         2},
        {"marked groups",
         true,
         {"KAB", "VYP"},
         "SELECT COUNT(*) FROM Zasoby z JOIN Skupiny s ON z.Skupina = s.ID WHERE s.Kod IN ('KAB', 'VYP') AND "
         "z.NakCena = 35 AND z.Chyba = 0",
         12},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ExecAgenda("UPDATE Zasoby SET NakCena = 1");
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kRepriceDone));
        bool tipShown = false;
        int marksAfter = -1;
        TModalDriver driver;
        driver
            .On("frmZasoby",
                [&](QWidget* window) {
                    auto* z = static_cast<TfrmZasoby*>(window);
                    if (c.groups) {
                        if (!z->GroupPanelShown()) z->btnZobrazitSkupiny->click();
                        for (const char* code : c.marked) Mark(main_->adqSkupiny, z->grSkupiny, "Kod", code);
                    } else {
                        if (z->GroupPanelShown()) z->btnSkryt->click();
                        for (const char* code : c.marked)
                            Mark(main_->adqZasoby, z->grZasoby, "Katalog", code);
                    }
                    z->Preceneni1->trigger();
                    marksAfter =
                        z->grZasoby->MarkedRows().MarkCount() + z->grSkupiny->MarkedRows().MarkCount();
                    TModalDriver::Click(window, "btnStorno");
                })
            .On("frmPreceneni", [&](QWidget* window) {
                TfrmPreceneni* w = Wizard(window);
                tipShown = !w->lblTipHrOperace->isHidden();
                w->chckNastavit->setChecked(true);
                w->btnDalsi->click();
                w->chckNakCena->setChecked(true);
                w->curNakCena->setText("35");
                w->btnDalsi->click();
                // Marked rows need no scope page.
                EXPECT_EQ(w->pgcMain->currentIndex(), TfrmPreceneni::pgBeforeStart);
                w->btnDalsi->click();
            });
        main_->btnCenik->click();
        EXPECT_TRUE(tipShown);
        EXPECT_EQ(Count(c.sql), c.repriced);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE NakCena = 35"), c.repriced);
        EXPECT_EQ(marksAfter, 0);
    }
}

TEST_F(RepricingTest, AnInterruptedRunOverMarkedRowsLeavesItsItemsUnusableInAnOffer) {
    struct Case {
        const char* name;
        bool groups;
        int flagged;  // the run stops at the first test of the flag, after five items
    };
    for (const Case c : {Case{"marked items", false, 5}, Case{"marked groups", true, 5}}) {
        SCOPED_TRACE(c.name);
        ExecAgenda("UPDATE Zasoby SET Chyba = False, Znacka = NULL");
        TScriptedDialogs dialogs;
        dialogs.ExpectWarning(QString::fromUtf8(kItemInError));
        std::unique_ptr<TInterrupter> interrupter;
        TModalDriver driver;
        driver
            .On("frmZasoby",
                [&](QWidget* window) {
                    auto* z = static_cast<TfrmZasoby*>(window);
                    if (c.groups) {
                        if (!z->GroupPanelShown()) z->btnZobrazitSkupiny->click();
                        Mark(main_->adqSkupiny, z->grSkupiny, "Kod", "KAB");
                    } else {
                        if (z->GroupPanelShown()) z->btnSkryt->click();
                        for (const char* code : {"CYKY315", "CYKY325", "CYKY525", "CY6ZZ", "UTP6", "TO25"})
                            Mark(main_->adqZasoby, z->grZasoby, "Katalog", code);
                    }
                    z->Preceneni1->trigger();
                    // Picked into an offer, a flagged item is refused.
                    z->SetMode(TPriceListMode::Pick);
                    z->FocusGrid(z->grZasoby);
                    TADOQuery& items = main_->adqZasoby;
                    for (items.First(); !items.Eof() && !items.FieldByName("Chyba")->AsBoolean();
                         items.Next()) {
                    }
                    ASSERT_FALSE(items.Eof());
                    z->btnOk->click();
                    EXPECT_TRUE(z->isVisible());
                    z->SetMode(TPriceListMode::Browse);
                    TModalDriver::Click(window, "btnStorno");
                })
            .On("frmPreceneni", [&](QWidget* window) {
                TfrmPreceneni* w = Wizard(window);
                w->chckNastavit->setChecked(true);
                w->btnDalsi->click();
                w->chckRabat->setChecked(true);
                w->curRabat->setText("4");
                w->btnDalsi->click();
                interrupter = std::make_unique<TInterrupter>(w, kRepricePhaseOne);
                w->btnDalsi->click();
            });
        main_->btnCenik->click();
        interrupter.reset();
        // Stopped in phase one: no recalculation, the marked items keep the flag with the run's mark.
        EXPECT_EQ(
            Count("SELECT COUNT(*) FROM Zasoby WHERE Chyba = True AND Znacka IS NOT NULL AND Rabat = 4"),
            c.flagged);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Chyba = True"), c.flagged);
    }
}
