#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/PriceListAppFixture.h"
#include "common/ScriptedDialogs.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/HromadneTexty.h"
#include "pricelist/Presun.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/Sklady.h"
#include "pricelist/Zasoby.h"
#include "pricelist/ZasobyFiltr.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

// The demonstration firm opened as at a second start; the bulk windows are reached from the main
// window's menu and from the price-list window's "Ostatní" menu.
class PriceListBulkTest : public TPriceListAppFixture {
protected:
    static TfrmZasoby* PriceList(QWidget* w) { return static_cast<TfrmZasoby*>(w); }
    QString Item(const char* katalog, const char* column) {
        return Value(QString("SELECT %1 FROM Zasoby WHERE Katalog = '%2'")
                         .arg(QString::fromLatin1(column), QString::fromLatin1(katalog)))
            .toString();
    }
    int Id(const QString& sql) { return Value(sql).toInt(); }
    int SheetId(const QString& name) { return Id("SELECT ID FROM Sklady WHERE Nazev = '" + name + "'"); }
    int GroupId(const char* kod) { return Id(QString("SELECT ID FROM Skupiny WHERE Kod = '%1'").arg(kod)); }
    // "katalog=value|..." of every item of the group, in catalogue order.
    QString GroupItems(const char* kod, const char* column) {
        TADOQuery& q = main_->adqAgendaFree2;
        q.Close();
        q.SetSQL(QString("SELECT Katalog, %1 FROM Zasoby WHERE Skupina = %2 ORDER BY Katalog")
                     .arg(QString::fromLatin1(column))
                     .arg(GroupId(kod)));
        q.Open();
        QStringList out;
        for (q.First(); !q.Eof(); q.Next())
            out << q.Fields()[0]->AsString() + "=" + q.Fields()[1]->AsString();
        q.Close();
        return out.join('|');
    }
    // A picker's step: stand on the row and confirm.
    static std::function<void(QWidget*)> Pick(TADOQuery& rows, const char* field, const QString& value) {
        return [&rows, field, value](QWidget* w) {
            EXPECT_TRUE(rows.Locate(field, value)) << value.toStdString();
            TModalDriver::Click(w, "btnOK");
        };
    }
};

}  // namespace

TEST_F(PriceListBulkTest, TheMainMenuSetsTextsOnTheItemsOfAChosenGroup) {
    const QString before = GroupItems("MON", "Dostupnost");
    bool tipHidden = false;
    bool netHidden = false;
    TModalDriver driver;
    driver.On("frmNastavText", [&](QWidget* w) {
        auto* t = static_cast<TfrmNastavText*>(w);
        tipHidden = t->lblTipHrOperace->isHidden();
        netHidden = t->lblNetUpozorneni->isHidden();
        t->btnDalsi->click();
        t->chckDostupnost->setChecked(true);
        t->cbxDostupnost->setCurrentIndex(1);
        t->chckIdentif->setChecked(true);
        t->cbxAkceIdentif->setCurrentIndex(static_cast<int>(TBulkIdentifierAction::Add));
        t->btnIdentif->click();
        EXPECT_EQ(t->edtIdentif->text(), "_AKCE_");
        t->btnDalsi->click();
        EXPECT_EQ(t->Page(), TBulkTextPage::Scope);
        t->chckProvestVse->setChecked(false);
        t->chckList->setChecked(true);
        t->btnList->click();
        EXPECT_EQ(t->edtList->text(), QString::fromUtf8("Služby"));
        t->chckSkupina->setChecked(true);
        t->btnSkupina->click();
        EXPECT_EQ(t->edtSkupina->text(), "Revize");
        t->btnDalsi->click();
        t->btnDalsi->click();
    });
    driver
        .On("frmEditorIdentif",
            [](QWidget* w) {
                static_cast<TfrmEditorIdentif*>(w)->Fill({"AKCE"});
                TModalDriver::Click(w, "btnOK");
            })
        .On("frmSklady", Pick(main_->adqSklady, "Nazev", QString::fromUtf8("Služby")))
        .On("frmSklSkupiny", Pick(main_->adqAgendaFree1, "Kod", "REV"));
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kBulkTextDone));
    EXPECT_EQ(main_->Hromadnenastaveni1->text(), QString::fromUtf8("Hromadné nastavení údajů na položkách"));
    main_->Hromadnenastaveni1->trigger();
    dialogs.Verify();
    EXPECT_TRUE(tipHidden);
    EXPECT_TRUE(netHidden);
    EXPECT_EQ(GroupItems("REV", "Dostupnost"), "R-BYT=S|R-HROM=S|R-RD=S|R-SPOT=S");
    EXPECT_EQ(GroupItems("REV", "Identif"),
              "R-BYT=_REVIZE_AKCE_|R-HROM=_REVIZE_AKCE_|R-RD=_REVIZE_AKCE_|R-SPOT=_REVIZE_AKCE_");
    // The rest of the sheet is untouched, and the sheet query opened for the picker is closed again.
    EXPECT_EQ(GroupItems("MON", "Dostupnost"), before);
    EXPECT_FALSE(main_->adqSklady.Active());
    EXPECT_FALSE(main_->adqAgendaFree1.Active());
    EXPECT_FALSE(ChangeStampsSuspended);
}

TEST_F(PriceListBulkTest, ThePriceListSetsTextsOnItsMarkedItemsAndStandsWhereItStood) {
    QString standing;
    QString unit;
    int marksAfter = -1;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = PriceList(w);
                Mark(Items(), z->grZasoby, "Katalog", "CYKY315");
                Mark(Items(), z->grZasoby, "Katalog", "JB16");
                ASSERT_TRUE(Items().Locate("Katalog", "KU68"));
                z->HromadneNastaveni1->trigger();
                standing = Items().FieldByName("Katalog")->AsString();
                ASSERT_TRUE(Items().Locate("Katalog", "JB16"));
                unit = Items().FieldByName("TextMJ")->AsString();
                marksAfter = z->grZasoby->MarkedRows().MarkCount();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmNastavText", [](QWidget* w) {
            auto* t = static_cast<TfrmNastavText*>(w);
            EXPECT_FALSE(t->lblTipHrOperace->isHidden());
            t->btnDalsi->click();
            t->chckTextMJ->setChecked(true);
            t->edtTextMJ->setText("bal");
            t->btnDalsi->click();
            // Over marked items there is no scope page.
            EXPECT_EQ(t->Page(), TBulkTextPage::BeforeStart);
            t->btnDalsi->click();
        });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kBulkTextDone));
    main_->btnCenik->click();
    EXPECT_EQ(Item("CYKY315", "TextMJ"), "bal");
    EXPECT_EQ(Item("JB16", "TextMJ"), "bal");
    EXPECT_EQ(Item("JB10", "TextMJ"), "ks");
    EXPECT_EQ(Item("KU68", "TextMJ"), "ks");
    EXPECT_EQ(standing, "KU68");
    EXPECT_EQ(unit, "bal");
    EXPECT_EQ(marksAfter, 0);
}

TEST_F(PriceListBulkTest, MarkedGroupsTakeOnlyTheItemsTheFilterLetsThrough) {
    const QString cables = GroupItems("KAB", "Dostupnost");
    const QString breakers = GroupItems("ROZ", "Dostupnost");
    const QString frame = Item("RAM1B", "Dostupnost");
    const QString box = Item("KU68", "Dostupnost");
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = PriceList(w);
                z->btnZobrazitSkupiny->click();
                z->btnFiltr->click();
                Mark(Groups(), z->grSkupiny, "Kod", "VYP");
                Mark(Groups(), z->grSkupiny, "Kod", "KAB");
                z->HromadneNastaveni1->trigger();
                EXPECT_EQ(z->grSkupiny->MarkedRows().MarkCount(), 0);
                z->btnSkryt->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmZasobyFiltr",
            [](QWidget* w) {
                auto* f = static_cast<TfrmZasobyFiltr*>(w);
                f->chckIdentif->setChecked(true);
                f->edtIdentif->setText("_KOMPONENTA_");
                f->btnOK->click();
            })
        .On("frmNastavText", [](QWidget* w) {
            auto* t = static_cast<TfrmNastavText*>(w);
            t->btnDalsi->click();
            t->chckDostupnost->setChecked(true);
            t->cbxDostupnost->setCurrentIndex(3);
            t->btnDalsi->click();
            t->btnDalsi->click();
        });
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kBulkTextDone));
    main_->btnCenik->click();
    for (const char* component : {"VYP1B", "VYP6B", "ZAS1B", "ZAS2B"})
        EXPECT_EQ(Item(component, "Dostupnost"), "N");
    EXPECT_EQ(Item("RAM1B", "Dostupnost"), frame);
    EXPECT_EQ(Item("KU68", "Dostupnost"), box);
    // No cable is a component: the group was gone through, nothing written; the unmarked group is untouched.
    EXPECT_EQ(GroupItems("KAB", "Dostupnost"), cables);
    EXPECT_EQ(GroupItems("ROZ", "Dostupnost"), breakers);
}

TEST_F(PriceListBulkTest, TheWizardNeedsTheRightToChangeThePriceListInBulk) {
    const TUser saved = CurrentUser;
    CurrentUser.HromadneNastaveni_AR = false;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
        main_->Hromadnenastaveni1->trigger();
    }
    CurrentUser = saved;
    CurrentUser.Cenik_AR = TAccessLevel::ReadOnly;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
        EXPECT_EQ(ShowBulkSetWizard(TBulkTextSelection::Scope), -1);
    }
    CurrentUser = saved;
    // Closed at the first page: nothing ran.
    TModalDriver driver;
    driver.Press("frmNastavText", "btnZavrit");
    TScriptedDialogs dialogs;
    EXPECT_EQ(ShowBulkSetWizard(TBulkTextSelection::Scope), -1);
}

TEST_F(PriceListBulkTest, MarkedItemsMoveToAnotherGroupOfTheSheet) {
    int marksAfter = -1;
    int shown = -1;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = PriceList(w);
                Mark(Items(), z->grZasoby, "Katalog", "IP-19");
                Mark(Items(), z->grZasoby, "Katalog", "JB10");
                z->PresunoutDoSkupiny1->trigger();
                marksAfter = z->grZasoby->MarkedRows().MarkCount();
                shown = Items().RecordCount();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmPresunZkopiruj",
            [](QWidget* w) {
                auto* d = static_cast<TfrmPresunZkopiruj*>(w);
                EXPECT_TRUE(d->panList->isHidden());
                EXPECT_EQ(d->lblInfo->text(), QString::fromUtf8(kMoveItemsToGroupHint));
                d->btnVyberSkupiny->click();
                EXPECT_EQ(d->edtSkupina->text(), QString::fromUtf8("Kabely a vodiče"));
                d->btnOK->click();
            })
        .On("frmSklSkupiny", Pick(main_->adqAgendaFree1, "Kod", "KAB"));
    TScriptedDialogs dialogs;
    main_->btnCenik->click();
    const int elektro = SheetId("Elektroinstalace");
    EXPECT_EQ(Item("IP-19", "Skupina").toInt(), GroupId("KAB"));
    EXPECT_EQ(Item("JB10", "Skupina").toInt(), GroupId("KAB"));
    EXPECT_EQ(Item("JB10", "Sklad").toInt(), elektro);
    EXPECT_EQ(Item("JB16", "Skupina").toInt(), GroupId("ROZ"));
    EXPECT_EQ(marksAfter, 0);
    // Groups hidden: the whole sheet is listed, and the moved items are still on it.
    EXPECT_EQ(shown, 18);
}

TEST_F(PriceListBulkTest, MarkedGroupsMoveToAnotherSheetWithTheirItemsButTheBasicGroupStays) {
    int groupsAfter = -1;
    int marksAfter = -1;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = PriceList(w);
                z->btnZobrazitSkupiny->click();
                Mark(Groups(), z->grSkupiny, "Nazev", QString::fromUtf8("# Nezařazeno #"));
                Mark(Groups(), z->grSkupiny, "Kod", "VYP");
                z->PresunoutDoListu1->trigger();
                groupsAfter = Groups().RecordCount();
                marksAfter = z->grSkupiny->MarkedRows().MarkCount();
                // The items shown are those of the group the list stands on now.
                for (Items().First(); !Items().Eof(); Items().Next())
                    EXPECT_EQ(Items().FieldByName("Skupina")->AsInteger(),
                              Groups().FieldByName("ID")->AsInteger());
                z->btnSkryt->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmPresunZkopiruj",
            [](QWidget* w) {
                auto* d = static_cast<TfrmPresunZkopiruj*>(w);
                EXPECT_TRUE(d->panSkupina->isHidden());
                EXPECT_EQ(d->lblInfo->text(), QString::fromUtf8(kMoveGroupsToSheetHint));
                d->btnVyberListu->click();
                d->btnOK->click();
            })
        .On("frmSklady", Pick(main_->adqSklady, "Nazev", QString::fromUtf8("Osvětlení")));
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kMoveBasicGroupKept));
    main_->btnCenik->click();
    const int elektro = SheetId("Elektroinstalace");
    const int osvetleni = SheetId(QString::fromUtf8("Osvětlení"));
    EXPECT_EQ(Id(QString("SELECT Sklad FROM Skupiny WHERE Kod = 'VYP'")), osvetleni);
    EXPECT_EQ(GroupItems("VYP", "Sklad"),
              QString("KU68=%1|RAM1B=%1|VYP1B=%1|VYP6B=%1|ZAS1B=%1|ZAS2B=%1").arg(osvetleni));
    EXPECT_EQ(Item("IP-19", "Sklad").toInt(), elektro);
    EXPECT_EQ(Id(QString("SELECT COUNT(*) FROM Skupiny WHERE Sklad = %1 AND Zakladni = True").arg(elektro)),
              1);
    EXPECT_EQ(groupsAfter, 3);
    EXPECT_EQ(marksAfter, 0);
}

TEST_F(PriceListBulkTest, ItemsToAnotherSheetNeedASheetAndAGroupAndStornoGivesTwo) {
    TModalDriver driver;
    driver
        .On("frmPresunZkopiruj",
            [](QWidget* w) {
                auto* d = static_cast<TfrmPresunZkopiruj*>(w);
                EXPECT_FALSE(d->panList->isHidden());
                EXPECT_FALSE(d->panSkupina->isHidden());
                EXPECT_EQ(d->lblInfo->text(), QString::fromUtf8(kMoveItemsToSheetHint));
                d->btnOK->click();
                d->btnVyberSkupiny->click();
                d->btnVyberListu->click();
                d->btnOK->click();
                d->btnVyberSkupiny->click();
                EXPECT_EQ(d->edtSkupina->text(), QString::fromUtf8("Svítidla"));
                // Another sheet forgets the group.
                d->btnVyberListu->click();
                EXPECT_TRUE(d->edtSkupina->text().isEmpty());
                EXPECT_EQ(d->GroupId(), 0);
                d->btnStorno->click();
            })
        .On("frmSklady", Pick(main_->adqSklady, "Nazev", QString::fromUtf8("Osvětlení")))
        .On("frmSklSkupiny", Pick(main_->adqAgendaFree1, "Kod", "SVI"))
        .On("frmSklady", Pick(main_->adqSklady, "Nazev", QString::fromUtf8("Služby")));
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8(kMoveSheetMissing))
        .ExpectInformation(QString::fromUtf8(kMoveSheetFirst))
        .ExpectInformation(QString::fromUtf8(kMoveGroupMissing));
    EXPECT_EQ(ShowMoveDialog(TMoveMode::ItemsToSheet, 1), kMoveCancelled);
}

TEST_F(PriceListBulkTest, MarkedItemsMoveToAGroupOfAnotherSheet) {
    int shownAfter = -1;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = PriceList(w);
                Mark(Items(), z->grZasoby, "Katalog", "UTP6");
                Mark(Items(), z->grZasoby, "Katalog", "TO25");
                z->PresunoutDoListu1->trigger();
                shownAfter = Items().RecordCount();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmPresunZkopiruj",
            [](QWidget* w) {
                auto* d = static_cast<TfrmPresunZkopiruj*>(w);
                d->btnVyberListu->click();
                d->btnVyberSkupiny->click();
                d->btnOK->click();
            })
        .On("frmSklady", Pick(main_->adqSklady, "Nazev", QString::fromUtf8("Služby")))
        .On("frmSklSkupiny", Pick(main_->adqAgendaFree1, "Kod", "MON"));
    TScriptedDialogs dialogs;
    main_->btnCenik->click();
    const int sluzby = SheetId(QString::fromUtf8("Služby"));
    for (const char* katalog : {"UTP6", "TO25"}) {
        SCOPED_TRACE(katalog);
        EXPECT_EQ(Item(katalog, "Sklad").toInt(), sluzby);
        EXPECT_EQ(Item(katalog, "Skupina").toInt(), GroupId("MON"));
    }
    // They have left the sheet shown.
    EXPECT_EQ(shownAfter, 16);
}
