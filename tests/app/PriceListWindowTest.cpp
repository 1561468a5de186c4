#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>

#include "app/PriceListAppFixture.h"
#include "common/Artifacts.h"
#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/CardProtocol.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Zasoby.h"
#include "pricelist/ZasobyFiltr.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

class PriceListWindowTest : public TPriceListAppFixture {
protected:
    static TfrmZasoby* Window(QWidget* w) { return static_cast<TfrmZasoby*>(w); }

    // The values of a field over the item query's rows in their order; the cursor comes back.
    QStringList ItemColumn(const char* field) {
        TADOQuery& items = Items();
        const TBookmark kept = items.GetBookmark();
        QStringList values;
        for (items.First(); !items.Eof(); items.Next()) values << items.FieldByName(field)->AsString();
        if (!kept.isEmpty() && items.BookmarkValid(kept)) items.GotoBookmark(kept);
        return values;
    }
    int Count(const QString& sql) { return Value(sql).toInt(); }
    int ItemId(const char* katalog) {
        return Count(QString("SELECT ID FROM Zasoby WHERE Katalog = '%1'").arg(katalog));
    }
    static void Press(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
    static void Type(QWidget* target, const QString& text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
};

}  // namespace

TEST_F(PriceListWindowTest, TheMainWindowsButtonOpensTheWholeSheetToBrowseAndClosesItsQueriesAfterwards) {
    QStringList tabs;
    QStringList katalog;
    bool pickHidden = false;
    QString firstColumn;
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        for (int i = 0; i < z->pgcSklady->count(); ++i) tabs << z->pgcSklady->tabText(i);
        pickHidden = z->btnOk->isHidden();
        katalog = ItemColumn("Katalog");
        firstColumn = z->grZasoby->Columns().ColumnAt(0)->FieldName();
        EXPECT_TRUE(z->panZasobySkupiny->isHidden());
        EXPECT_FALSE(z->btnZobrazitSkupiny->isHidden());
        TModalDriver::Click(w, "btnStorno");
    });
    TScriptedDialogs dialogs;
    main_->btnCenik->click();
    EXPECT_EQ(tabs,
              QStringList({"Elektroinstalace", QString::fromUtf8("Osvětlení"), QString::fromUtf8("Služby")}));
    EXPECT_TRUE(pickHidden);
    EXPECT_EQ(firstColumn, "Popis");
    // Groups hidden: every item of the first sheet, in name order.
    EXPECT_EQ(katalog.size(), 18);
    EXPECT_TRUE(katalog.contains("IP-19"));
    EXPECT_TRUE(katalog.contains("SPD12"));
    EXPECT_FALSE(Items().Active());
    EXPECT_FALSE(Groups().Active());
    EXPECT_FALSE(main_->adqSklady.Active());
}

TEST_F(PriceListWindowTest, GroupsShowTheirItemsAndEverySheetComesBackToItsGroupAndItem) {
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        z->btnZobrazitSkupiny->click();
        ASSERT_FALSE(z->panZasobySkupiny->isHidden());
        EXPECT_TRUE(PriceListGroupsShown);
        EXPECT_EQ(Groups().RecordCount(), 4);
        ASSERT_TRUE(Groups().Locate("Kod", "VYP"));
        EXPECT_EQ(Items().RecordCount(), 6);
        ASSERT_TRUE(Items().Locate("Katalog", "VYP6B"));

        // A sheet never opened before stands on its first group.
        z->pgcSklady->setCurrentIndex(1);
        EXPECT_EQ(Groups().RecordCount(), 3);
        EXPECT_EQ(Groups().RecNo(), 1);
        z->pgcSklady->setCurrentIndex(0);
        EXPECT_EQ(Groups().FieldByName("Kod")->AsString(), "VYP");
        EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "VYP6B");

        // Another group and back: each group keeps its own item.
        ASSERT_TRUE(Groups().Locate("Kod", "KAB"));
        ASSERT_TRUE(Items().Locate("Katalog", "UTP6"));
        ASSERT_TRUE(Groups().Locate("Kod", "VYP"));
        EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "VYP6B");

        // Without groups the whole sheet shows, on the item last seen.
        z->btnSkryt->click();
        EXPECT_TRUE(z->panZasobySkupiny->isHidden());
        EXPECT_FALSE(Groups().Active());
        EXPECT_EQ(Items().RecordCount(), 18);
        EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "VYP6B");
        TModalDriver::Click(w, "btnStorno");
    });
    TScriptedDialogs dialogs;
    main_->btnCenik->click();
    EXPECT_FALSE(PriceListGroupsShown);
}

TEST_F(PriceListWindowTest, TheGroupPanelTakesTheWidthRememberedForTheUser) {
    for (const int width : {240, 161}) {
        SCOPED_TRACE(width);
        QString unused;
        UserSetting("SAVE", usPriceListGroupPanelWidth, QString::number(width), unused);
        LoadSessionState();
        PriceListGroupsShown = true;
        int shown = -1;
        TModalDriver driver;
        driver.On("frmZasoby", [&](QWidget* w) {
            shown = Window(w)->panZasobySkupiny->width();
            TModalDriver::Click(w, "btnStorno");
        });
        TScriptedDialogs dialogs;
        main_->btnCenik->click();
        EXPECT_EQ(shown, width);
    }
}

TEST_F(PriceListWindowTest, TheFilterFollowsTheItemsThroughReloadsAndTheNextOpeningStartsUnfiltered) {
    QString caption;
    bool bold = false;
    QStringList filtered;
    QStringList afterGroupChange;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = Window(w);
                z->btnFiltr->click();
                filtered = ItemColumn("Katalog");
                caption = z->btnFiltr->text();
                bold = z->btnFiltr->font().bold();
                z->btnZobrazitSkupiny->click();
                ASSERT_TRUE(Groups().Locate("Kod", "KAB"));
                afterGroupChange = ItemColumn("Katalog");
                z->btnSkryt->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmZasobyFiltr", [](QWidget* w) {
            auto* f = static_cast<TfrmZasobyFiltr*>(w);
            EXPECT_TRUE(f->chckFiltrAktivni->isChecked());
            f->chckIdentif->setChecked(true);
            f->edtIdentif->setText("_KABEL_");
            f->btnOK->click();
        });
    TScriptedDialogs dialogs;
    main_->btnCenik->click();
    EXPECT_EQ(caption, "Filtr !");
    EXPECT_TRUE(bold);
    filtered.sort();
    EXPECT_EQ(filtered, QStringList({"CY6ZZ", "CYKY315", "CYKY325", "CYKY525"}));
    afterGroupChange.sort();
    EXPECT_EQ(afterGroupChange, filtered);

    TModalDriver again;
    again.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        EXPECT_EQ(z->btnFiltr->text(), "Filtr");
        EXPECT_FALSE(z->btnFiltr->font().bold());
        EXPECT_EQ(Items().RecordCount(), 18);
        TModalDriver::Click(w, "btnStorno");
    });
    main_->btnCenik->click();
}

TEST_F(PriceListWindowTest, PickModeTakesTheItemOnEnterButRefusesOneWithAnUnfinishedRecalculation) {
    ExecAgenda("UPDATE Zasoby SET Chyba = True WHERE Katalog = 'JB10'");
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8(kItemInError));
    bool stayedOpen = false;
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        EXPECT_FALSE(z->btnOk->isHidden());
        ASSERT_TRUE(Items().Locate("Katalog", "JB10"));
        Press(z->grZasoby, Qt::Key_Return);
        stayedOpen = z->isVisible();
        ASSERT_TRUE(Items().Locate("Katalog", "JB16"));
        Press(z->grZasoby, Qt::Key_Return);
    });
    EXPECT_EQ(ShowPriceList(TPriceListMode::Pick, false, TPriceListPhase::OpenShow), kPriceListPicked);
    EXPECT_TRUE(stayedOpen);
    // The caller reads the picked row; the queries stay open until it closes the opening.
    ASSERT_TRUE(Items().Active());
    EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "JB16");
    EXPECT_EQ(ShowPriceList(TPriceListMode::Pick, true, TPriceListPhase::CloseOnly), -1);
    EXPECT_FALSE(Items().Active());
}

TEST_F(PriceListWindowTest, PickingIsDisabledWhileTheGroupGridHasTheFocus) {
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        z->btnZobrazitSkupiny->click();
        z->FocusGrid(z->grSkupiny);
        EXPECT_FALSE(z->btnOk->isEnabled());
        EXPECT_EQ(z->lblSkupinyNadpis->palette().color(QPalette::Window), kHeadingGroups);
        EXPECT_EQ(z->lblZasobyNadpis->palette().color(QPalette::Window), kHeadingPlain);
        z->FocusGrid(z->grZasoby);
        EXPECT_TRUE(z->btnOk->isEnabled());
        EXPECT_EQ(z->lblZasobyNadpis->palette().color(QPalette::Window), kHeadingItems);
        z->btnSkryt->click();
        TModalDriver::Click(w, "btnStorno");
    });
    TScriptedDialogs dialogs;
    EXPECT_EQ(ShowPriceList(TPriceListMode::Pick, true, TPriceListPhase::OpenShowClose), kPriceListClosed);
}

TEST_F(PriceListWindowTest, TitleClickSortsPutsTheColumnFirstAndTypingSearchesIt) {
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        TDBGridColumns& columns = z->grZasoby->Columns();
        int katalog = -1;
        for (int i = 0; i < columns.Count(); ++i)
            if (columns.ColumnAt(i)->FieldName() == "Katalog") katalog = i;
        ASSERT_GT(katalog, 0);
        ASSERT_TRUE(Items().Locate("Katalog", "RAM1B"));
        z->grZasoby->OnTitleClick(columns.ColumnAt(katalog));
        EXPECT_EQ(columns.ColumnAt(0)->FieldName(), "Katalog");
        EXPECT_EQ(Items().Sort().toUpper(), "KATALOG");
        EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "RAM1B");

        Type(z->grZasoby, "v");
        Type(z->edtZasobyHledat, "yp6");
        EXPECT_FALSE(z->panZasobyHledat->isHidden());
        EXPECT_EQ(z->edtZasobyHledat->text(), "vyp6");
        EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "VYP6B");
        Press(z->edtZasobyHledat, Qt::Key_Return);
        EXPECT_TRUE(z->panZasobyHledat->isHidden());
        EXPECT_TRUE(z->edtZasobyHledat->text().isEmpty());
        TModalDriver::Click(w, "btnStorno");
    });
    TScriptedDialogs dialogs;
    main_->btnCenik->click();
    // The chosen field is the stored sort of the items from now on.
    EXPECT_EQ(PriceListItemSort, "KATALOG");
}

TEST_F(PriceListWindowTest, AMultiDeleteStoppedByAHeldItemKeepsTheRestAndStillRefreshesTheList) {
    const int held = ItemId("CYKY325");
    LockHolder other(RecordLockPath("Zasoby", held), true);
    ASSERT_TRUE(other.Start());
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmItemsDelete), true)
        .ExpectWarning(QString::fromUtf8(kCannotDeleteInUseText));
    QStringList after;
    int marksAfter = -1;
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        // Newest mark first: CYKY525 goes, CYKY325 stops the run, CYKY315 stays.
        Mark(Items(), z->grZasoby, "Katalog", "CYKY315");
        Mark(Items(), z->grZasoby, "Katalog", "CYKY325");
        Mark(Items(), z->grZasoby, "Katalog", "CYKY525");
        z->btnVyjmout->click();
        after = ItemColumn("Katalog");
        marksAfter = z->grZasoby->MarkedRows().MarkCount();
        TModalDriver::Click(w, "btnStorno");
    });
    main_->btnCenik->click();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'CYKY525'"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog IN ('CYKY325', 'CYKY315')"), 2);
    EXPECT_EQ(after.size(), 17);
    EXPECT_FALSE(after.contains("CYKY525"));
    EXPECT_EQ(marksAfter, 0);
}

TEST_F(PriceListWindowTest, OneItemIsDeletedAfterTheQuestionAndTheListStandsOnItsNeighbour) {
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kConfirmItemDelete), false)
        .ExpectQuestion(QString::fromUtf8(kConfirmItemDelete), true);
    QString standing;
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        ASSERT_TRUE(Items().Locate("Katalog", "JB10"));
        z->btnVyjmout->click();
        EXPECT_EQ(Items().FieldByName("Katalog")->AsString(), "JB10");
        z->btnVyjmout->click();
        standing = Items().FieldByName("Katalog")->AsString();
        TModalDriver::Click(w, "btnStorno");
    });
    main_->btnCenik->click();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'JB10'"), 0);
    EXPECT_EQ(standing, "JB16");
}

TEST_F(PriceListWindowTest, BulkEntriesWantEitherItemsOrGroupsMarked) {
    TScriptedDialogs dialogs;
    dialogs
        .ExpectInformation(QString::fromUtf8(kNothingMarked) + "\r\r" + QString::fromUtf8(kNothingMarkedHint))
        .ExpectInformation(QString::fromUtf8(kBothMarked))
        .ExpectInformation(QString::fromUtf8(kNotForGroups));
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        z->Preceneni1->trigger();
        z->btnZobrazitSkupiny->click();
        Mark(Groups(), z->grSkupiny, "Kod", "VYP");
        Mark(Items(), z->grZasoby, "Katalog", "ZAS1B");
        z->HromadneNastaveni1->trigger();
        z->grZasoby->MarkedRows().ClearMarks();
        z->PresunoutDoSkupiny1->trigger();
        z->btnSkryt->click();
        TModalDriver::Click(w, "btnStorno");
    });
    main_->btnCenik->click();
}

TEST_F(PriceListWindowTest, RefreshShowsWhatAnotherStationAdded) {
    TScriptedDialogs dialogs;
    int before = 0;
    int after = 0;
    TModalDriver driver;
    driver.On("frmZasoby", [&](QWidget* w) {
        TfrmZasoby* z = Window(w);
        before = Items().RecordCount();
        ExecAgenda(
            "INSERT INTO Zasoby (Sklad, Skupina, Popis, Katalog, Chyba) SELECT Sklad, ID, 'Novy', 'NEW', "
            "False FROM Skupiny WHERE Kod = 'KAB'");
        z->btnObnovit->click();
        after = Items().RecordCount();
        TModalDriver::Click(w, "btnStorno");
    });
    main_->btnCenik->click();
    EXPECT_EQ(after, before + 1);
}

// The windows of the sheets, groups, identifiers and price groups open from the price list.
TEST_F(PriceListWindowTest, SheetAndGroupWindowsOpenFromTheButtonsAndMenus) {
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(QString::fromUtf8("zapněte nejprve zobrazení skupin"))
        .ExpectQuestion(QString::fromUtf8("mazání CELÉ SKUPINY"), false);
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = Window(w);
                z->btnVyberSklad->click();
                z->PridatList1->trigger();
                z->PridatSkupinu1->trigger();
                z->btnZobrazitSkupiny->click();
                z->PridatSkupinu1->trigger();
                ASSERT_TRUE(Groups().Locate("Kod", "ROZ"));
                z->FocusGrid(z->grSkupiny);
                z->btnOpravit->click();
                z->btnKopirovat->click();
                z->btnVyjmout->click();
                z->btnSkryt->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .Press("frmSklady", "btnStorno")
        .Press("frmKartaSkladu", "btnStorno")
        .Press("frmSklady", "btnStorno")
        .Press("frmKartaSkupiny", "btnStorno")
        .On("frmKartaSkupiny",
            [](QWidget* w) {
                EXPECT_EQ(w->findChild<QLineEdit*>("edtKod")->text(), "ROZ");
                TModalDriver::Click(w, "btnStorno");
            })
        .Press("frmKartaSkupiny", "btnStorno");
    main_->btnCenik->click();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Skupiny WHERE Kod = 'ROZ'"), 1);
}

TEST_F(PriceListWindowTest, TheFilterOpensTheIdentifierEditorWithItsCatalogueAndThePriceGroupPicker) {
    TScriptedDialogs dialogs;
    QString group;
    QString identifiers;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                Window(w)->btnFiltr->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmZasobyFiltr",
            [&](QWidget* w) {
                auto* f = static_cast<TfrmZasobyFiltr*>(w);
                EXPECT_FALSE(f->btnCenSkup->isEnabled());
                f->chckCenSkup->click();
                EXPECT_TRUE(f->btnCenSkup->isEnabled());
                f->btnCenSkup->click();
                group = f->edtCenSkup->text();
                f->chckIdentif->click();
                f->btnIdentif->click();
                identifiers = f->edtIdentif->text();
                f->btnStorno->click();
            })
        .On("frmCenSkup",
            [](QWidget* w) {
                EXPECT_TRUE(frmMain->adqCenSkup.Locate("Zkratka", "STD"));
                TModalDriver::Click(w, "btnOK");
            })
        .Press("frmEditorIdentif", "btnPridat")
        .On("frmSezIdentif",
            [](QWidget* w) {
                EXPECT_TRUE(frmMain->adqAgendaFree1.Locate("Zkratka", "DATA"));
                TModalDriver::Click(w, "btnOK");
            })
        .Press("frmEditorIdentif", "btnOK");
    main_->btnCenik->click();
    EXPECT_EQ(group, "STD");
    EXPECT_EQ(identifiers, "_DATA_");
    // The picker's query is closed once the code is taken.
    EXPECT_FALSE(main_->adqCenSkup.Active());
}

TEST_F(PriceListWindowTest, NewEditAndCopyOfAnItemGoThroughTheItemCard) {
    TScriptedDialogs dialogs;
    const int vyp = Count("SELECT ID FROM Skupiny WHERE Kod = 'VYP'");
    QString added;
    QString edited;
    QString copied;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = Window(w);
                z->btnZobrazitSkupiny->click();
                ASSERT_TRUE(Groups().Locate("Kod", "VYP"));
                z->PridatPolozku1->trigger();
                added = Items().FieldByName("Popis")->AsString();
                ASSERT_TRUE(Items().Locate("Katalog", "VYP1B"));
                Press(z->grZasoby, Qt::Key_Return);
                z->btnKopirovat->click();
                copied = Items().FieldByName("Popis")->AsString();
                z->btnSkryt->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmKartaZasoby",
            [](QWidget* w) {
                auto* card = static_cast<TfrmKartaZasoby*>(w);
                EXPECT_TRUE(card->edtPopis->text().isEmpty());
                card->edtPopis->setText(QString::fromUtf8("Zásuvka s USB nabíječkou"));
                card->btnOK->click();
            })
        .On("frmKartaZasoby",
            [&](QWidget* w) {
                auto* card = static_cast<TfrmKartaZasoby*>(w);
                edited = card->edtPopis->text();
                card->btnZavrit->click();
            })
        .On("frmKartaZasoby", [](QWidget* w) { static_cast<TfrmKartaZasoby*>(w)->btnOK->click(); });
    main_->btnCenik->click();
    // The new item goes into the group shown, and the list stands on it.
    EXPECT_EQ(added, QString::fromUtf8("Zásuvka s USB nabíječkou"));
    EXPECT_EQ(Count(QString::fromUtf8("SELECT Skupina FROM Zasoby WHERE Popis = 'Zásuvka s USB nabíječkou'")),
              vyp);
    EXPECT_EQ(edited, QString::fromUtf8("Vypínač jednopólový bílý"));
    EXPECT_EQ(copied, edited);
    EXPECT_EQ(
        Count(QString::fromUtf8("SELECT COUNT(*) FROM Zasoby WHERE Popis = 'Vypínač jednopólový bílý'")), 2);
}

// A picture of the price list on the demonstration firm with the item card open over it; an item
// whose recalculation is unfinished shows in red.
TEST_F(PriceListWindowTest, PictureOfThePriceListWithTheItemCardOverIt) {
    ExecAgenda("UPDATE Zasoby SET Chyba = True WHERE Katalog = 'JB10'");
    TScriptedDialogs dialogs;
    QImage picture;
    int redPixels = 0;
    QColor heading;
    TModalDriver driver;
    driver
        .On("frmZasoby",
            [&](QWidget* w) {
                TfrmZasoby* z = Window(w);
                z->resize(1000, 640);
                ASSERT_TRUE(Items().Locate("Katalog", "ZAS1B"));
                z->btnOpravit->click();
                TModalDriver::Click(w, "btnStorno");
            })
        .On("frmKartaZasoby", [&](QWidget* w) {
            TfrmZasoby* z = TfrmZasoby::Existing();
            QApplication::processEvents();
            const QImage list = z->grab().toImage();
            const QImage grid = z->grZasoby->grab().toImage();
            for (int y = 0; y < grid.height(); ++y)
                for (int x = 0; x < grid.width(); ++x)
                    if (grid.pixelColor(x, y) == QColor(0xFF, 0x00, 0x00)) ++redPixels;
            const QPoint at = z->lblZasobyNadpis->mapTo(z, QPoint(1, 1));
            heading = list.pixelColor(at);
            const QImage card = w->grab().toImage();
            picture = list.convertToFormat(QImage::Format_RGB32);
            QPainter painter(&picture);
            painter.drawImage(QPoint(std::max(0, (list.width() - card.width()) / 2),
                                     std::max(0, (list.height() - card.height()) / 2)),
                              card);
            painter.end();
            static_cast<TfrmKartaZasoby*>(w)->btnZavrit->click();
        });
    main_->btnCenik->click();
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(ArtifactPath("pricelist-with-item-card.png")));
    EXPECT_EQ(heading, kHeadingItems);
    EXPECT_GT(redPixels, 0);
}

TEST_F(PriceListWindowTest, RightsKeepUsersOutOfThePriceListAndFromDeletingAndMovingItems) {
    const TUser saved = CurrentUser;
    CurrentUser.Cenik_AR = TAccessLevel::NoAccess;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText));
        main_->btnCenik->click();
        EXPECT_FALSE(Items().Active());
    }
    CurrentUser.Cenik_AR = TAccessLevel::ReadOnly;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kNoRightsText))
            .ExpectInformation(QString::fromUtf8(kNoRightsText));
        TModalDriver driver;
        driver.On("frmZasoby", [&](QWidget* w) {
            TfrmZasoby* z = Window(w);
            ASSERT_TRUE(Items().Locate("Katalog", "JB10"));
            z->btnVyjmout->click();
            Mark(Items(), z->grZasoby, "Katalog", "JB10");
            z->PresunoutDoSkupiny1->trigger();
            TModalDriver::Click(w, "btnStorno");
        });
        main_->btnCenik->click();
    }
    CurrentUser = saved;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'JB10'"), 1);
}
