// The offer card's road to the price list and the address book: a customer picked from the
// address book, items picked from the price list (one by one and by marks), the offer's price level
// and the repricing of items, the VAT rate of items and the bulk discounts, driven from the main
// window as a user does it.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>
#include <utility>
#include <vector>

#include "addressbook/Adresar.h"
#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "core/Informace.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "offers/ItemsImportFileParser.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "offers/PolozkaNab.h"
#include "offers/ReCalcDiscount.h"
#include "offers/RozpisIdentif.h"
#include "offers/SlevaKarta.h"
#include "platform/data/Field.h"
#include "platform/ui/CurrencyEdit.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/Zasoby.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

namespace {

// One item of the card as the user sees it.
struct TItemView {
    QString katalog;
    double quantity;
    double price;
    QString level;
    double total;
    bool operator==(const TItemView&) const = default;
};

std::vector<TItemView> ItemsOf(TMemTable& items) {
    std::vector<TItemView> rows;
    const TBookmark here = items.IsEmpty() ? TBookmark() : items.GetBookmark();
    for (items.First(); !items.Eof(); items.Next())
        rows.push_back({items.FieldByName("Katalog")->AsString(), items.FieldByName("PocetMJ")->AsFloat(),
                        items.FieldByName("ProdCena")->AsFloat(), items.FieldByName("CenHladina")->AsString(),
                        items.FieldByName("PCSDPHPOL")->AsFloat()});
    if (!here.isEmpty()) items.GotoBookmark(here);
    return rows;
}

TfrmNabidkaKart* Card(QWidget* w) { return qobject_cast<TfrmNabidkaKart*>(w); }
TfrmZasoby* PriceList(QWidget* w) { return qobject_cast<TfrmZasoby*>(w); }
TADOQuery& PriceListItems() { return frmMain->adqZasoby; }

// Marks the price-list items in the order given (the last one is the newest mark).
void MarkPriceListItems(TfrmZasoby* list, std::initializer_list<const char*> codes) {
    for (const char* code : codes) {
        ASSERT_TRUE(PriceListItems().Locate("Katalog", QString::fromUtf8(code))) << code;
        list->grZasoby->MarkedRows().SetCurrentRowMarked(true);
    }
}

class OfferCardPriceListTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        ExecAgenda("DELETE FROM Nabidky");
        ExecAgenda("DELETE FROM NabPolozky");
        savedBulkAdd_ = BulkAddMarkedItems;
        savedAsk_ = AskOnLeavingOffer;
        savedPrint_ = OfferPrintAfterNew;
        BulkAddMarkedItems = false;
        // The print window a new offer may bring up is the print tests' concern.
        OfferPrintAfterNew = false;
    }
    void TearDown() override {
        BulkAddMarkedItems = savedBulkAdd_;
        AskOnLeavingOffer = savedAsk_;
        OfferPrintAfterNew = savedPrint_;
        ProgramFixture::TearDown();
    }

    // A new offer from the offer list of the main window; the windows that come meanwhile are the
    // driver's next steps. The list is closed by the same step, once the offer was saved: the saving
    // shows the working window, and a step of its own could run while the list still waits for it.
    void NewOffer(TModalDriver& driver, std::function<void(QWidget*)> after = {}) {
        driver.On("frmNabidky", [after](QWidget* w) {
            TModalDriver::Click(w, "btnPridat");
            if (after) after(w);
            TModalDriver::Click(w, "btnStorno");
        });
    }
    // Picks the firm in the address book.
    static void PickFirm(TModalDriver& driver, const char* name) {
        driver.On("frmAdresar", [name](QWidget* w) {
            ASSERT_TRUE(frmMain->adqAdresar.Locate("Nazev", QString::fromUtf8(name)));
            TModalDriver::Click(w, "btnAdrOk");
        });
    }
    // Picks one item in the price list.
    static void PickItem(TModalDriver& driver, const char* code) {
        driver.On("frmZasoby", [code](QWidget* w) {
            ASSERT_TRUE(PriceListItems().Locate("Katalog", QString::fromUtf8(code))) << code;
            PriceList(w)->btnOkClick();
        });
    }
    static void ItemCard(TModalDriver& driver, double quantity = 0) {
        driver.On("frmPolozkaNab", [quantity](QWidget* w) {
            auto* card = qobject_cast<TfrmPolozkaNab*>(w);
            if (quantity > 0) {
                card->curPocetMj->SetValue(quantity);
                card->ToEditor();
                RecalcOfferItemDiscount();
                card->FromEditor();
            }
            card->btnOKClick();
        });
    }

    void RunList() { main_->btnNabidky->click(); }

    bool savedBulkAdd_ = false;
    bool savedAsk_ = true;
    bool savedPrint_ = false;
};

}  // namespace

TEST_F(OfferCardPriceListTest, AnOfferForAFirmFromTheAddressBookWithPriceListItemsIsSavedAndReopenedEqual) {
    TScriptedDialogs dialogs;
    TModalDriver driver;
    std::vector<TItemView> before;
    // Added, then opened again from the list. The card of the reopening is the same window as the
    // card of the new offer, so its step is queued only once the first card is gone.
    const auto reopened = [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        EXPECT_EQ(card->edtAdrNazev->text(), QString::fromUtf8("Stavby Novák s.r.o."));
        EXPECT_NE(card->CustomerLink(), kTypedCustomer);
        EXPECT_EQ(card->edtAdrKontakt->text(), QString::fromUtf8("Ing. Novák Petr"));
        EXPECT_EQ(ItemsOf(OfferCardData().mtTmpPolozky), before);
        card->btnStorno->click();
    };
    NewOffer(driver, [&](QWidget* w) {
        driver.On("frmNabidkaKart", reopened);
        TModalDriver::Click(w, "btnOpravit");
        w->grab().save(ArtifactPath("offer-list-with-new-offer.png"));
    });
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        card->btnVyberAdresu->click();
        EXPECT_EQ(card->edtAdrMisto->text(), "Brno");
        EXPECT_EQ(card->edtAdrKontakt->text(), QString::fromUtf8("Ing. Novák Petr"));
        EXPECT_FALSE(card->edtAdrNazev->isEnabled());
        EXPECT_FALSE(card->btnDetailAdresy->isHidden());
        // The firm's price level applies to the offer ("z adresy").
        EXPECT_EQ(card->edtCenHlad->text(), "VO");
        card->btnPridatSklPol->click();
        ASSERT_EQ(OfferCardData().mtTmpPolozky.RecordCount(), 3);
        EXPECT_TRUE(card->btnVyjmoutPol->isEnabled());
        EXPECT_TRUE(card->panPolozkyEmptyInfoCaption->isHidden());
        before = ItemsOf(OfferCardData().mtTmpPolozky);
        std::vector<QString> codes;
        for (const TItemView& item : before) codes.push_back(item.katalog);
        EXPECT_EQ(codes, (std::vector<QString>{"JB16", "CYKY315", "ZAS1B"}));
        for (const TItemView& item : before) EXPECT_EQ(item.level, "VO") << item.katalog.toStdString();
        // Tall enough for the items to show under the header pages.
        card->resize(1100, 900);
        card->grab().save(ArtifactPath("offer-card-with-items.png"));
        // A linked customer asks nothing on OK.
        card->btnOK->click();
    });
    PickFirm(driver, "Stavby Novák s.r.o.");
    // One pick with its card, then the price list comes again: two marked rows go in from the
    // oldest mark, each with its card; no marks left ends the adding.
    PickItem(driver, "JB16");
    ItemCard(driver, 4);
    driver.On("frmZasoby", [](QWidget* w) {
        MarkPriceListItems(PriceList(w), {"CYKY315", "ZAS1B"});
        PriceList(w)->btnOkClick();
    });
    ItemCard(driver, 25);
    ItemCard(driver, 6);
    RunList();
    // The card's closing ended the opening of the price list it picked from.
    EXPECT_FALSE(PriceListItems().Active());
}

TEST_F(OfferCardPriceListTest, MarkedItemsGoInWithoutTheCardAndRepricingListsWhatItCannotChange) {
    // An item whose recalculation did not finish cannot be picked, nor repriced later.
    ExecAgenda("UPDATE Zasoby SET Chyba = True WHERE Katalog = 'SPD12'");
    BulkAddMarkedItems = true;
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(QString::fromUtf8(kItemInError));
    TModalDriver driver;
    QStringList firstReport;
    QStringList secondReport;
    NewOffer(driver);
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        card->btnPridatSklPol->click();
        TMemTable& items = OfferCardData().mtTmpPolozky;
        ASSERT_EQ(items.RecordCount(), 3);
        dialogs.Verify();
        ASSERT_TRUE(items.Locate("Katalog", "JB10"));
        card->SetItemsLock(true, false);
        ExecAgenda("UPDATE Zasoby SET Chyba = True WHERE Katalog = 'PCH40'");
        const std::vector<TItemView> unchanged = ItemsOf(items);

        // Without "z adresy" the offer's own level applies; choosing one reprices the items.
        card->chckCHzadresy->click();
        EXPECT_FALSE(card->btnVyberCenHlad->isHidden());
        dialogs.ExpectQuestion(QString::fromUtf8(kLevelLineSet) + "\"VO\"", true);
        card->btnVyberCenHlad->click();
        EXPECT_EQ(card->edtCenHlad->text(), "VO");
        std::vector<TItemView> after = ItemsOf(items);
        ASSERT_EQ(after.size(), 3u);
        EXPECT_EQ(after[0].level, "VO");
        EXPECT_LT(after[0].price, unchanged[0].price);
        EXPECT_EQ(after[1], unchanged[1]);
        EXPECT_EQ(after[2], unchanged[2]);

        // "x" goes back to the base sale price of the price list.
        dialogs.ExpectQuestion(QString::fromUtf8(kClearLevelQuestion), true);
        card->btnZrusCenHlad->click();
        after = ItemsOf(items);
        EXPECT_EQ(after[0].level, "");
        EXPECT_DOUBLE_EQ(after[0].price, unchanged[0].price);
        card->btnOK->click();
    });
    driver.On("frmZasoby", [](QWidget* w) {
        ASSERT_TRUE(PriceListItems().Locate("Katalog", "JB16"));
        PriceList(w)->btnOkClick();
    });
    ItemCard(driver);
    driver.On("frmZasoby", [](QWidget* w) {
        MarkPriceListItems(PriceList(w), {"JB10", "SPD12", "PCH40"});
        PriceList(w)->btnOkClick();
    });
    driver.On("frmCenHlad", [](QWidget* w) {
        ASSERT_TRUE(frmMain->adqCenHlad.Locate("Zkratka", "VO"));
        TModalDriver::Click(w, "btnOK");
    });
    auto report = [](QStringList& lines) {
        return [&lines](QWidget* w) {
            lines = qobject_cast<TfrmInformace*>(w)->Lines();
            TModalDriver::Click(w, "btnOK");
        };
    };
    driver.On("frmInformace", report(firstReport));
    driver.On("frmInformace", report(secondReport));
    RunList();
    for (const QStringList& lines : {firstReport, secondReport}) {
        ASSERT_GE(lines.size(), 4);
        EXPECT_EQ(lines[0], QString::fromUtf8(kRepriceHeading));
        EXPECT_TRUE(lines[2].startsWith(QString::fromUtf8("• Jistič B10"))) << lines[2].toStdString();
        EXPECT_TRUE(lines[2].endsWith(QString::fromUtf8(kRepriceLocked)));
        EXPECT_TRUE(lines[3].startsWith(QString::fromUtf8("• Proudový chránič"))) << lines[3].toStdString();
        EXPECT_TRUE(lines[3].endsWith(QString::fromUtf8(kRepriceInError)));
    }
}

TEST_F(OfferCardPriceListTest, TheVatRateOfItemsMustBeOneOfTheOffersAndBulkDiscountsFollowTheMarks) {
    TScriptedDialogs dialogs;
    TModalDriver driver;
    NewOffer(driver);
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        card->btnPridatSklPol->click();
        TMemTable& items = OfferCardData().mtTmpPolozky;
        ASSERT_EQ(items.RecordCount(), 2);

        // 10 % is none of the offer's rates: the dialog comes again until a valid one is typed.
        dialogs.ExpectWarning(QString::fromUtf8(kInvalidVatRate));
        card->findChild<QAction*>("acZmenitDPH")->trigger();
        dialogs.Verify();
        for (items.First(); !items.Eof(); items.Next())
            EXPECT_DOUBLE_EQ(items.FieldByName("SazbaDPH")->AsFloat(), OfferRateReduced);

        // A discount set on the one marked item leaves the other alone.
        ASSERT_TRUE(items.Locate("Katalog", "ZAS2B"));
        card->grPolozky->MarkedRows().SetCurrentRowMarked(true);
        card->btnSleva->click();
        ASSERT_TRUE(items.Locate("Katalog", "ZAS2B"));
        EXPECT_DOUBLE_EQ(items.FieldByName("Sleva")->AsFloat(), 10);
        ASSERT_TRUE(items.Locate("Katalog", "VYP1B"));
        EXPECT_DOUBLE_EQ(items.FieldByName("Sleva")->AsFloat(), 0);
        card->grPolozky->MarkedRows().ClearMarks();

        // The uniform discount brings the whole offer to the requested total without VAT.
        const double total = OfferCardData().Totals.ZakladCelkem;
        card->findChild<QAction*>("acDopocitatSlevu")->trigger();
        // Items round their own prices, so the total may miss by the rounding of each line.
        EXPECT_NEAR(OfferCardData().Totals.ZakladCelkem, total * 0.8, 1.0);
        items.First();
        const double discount = items.FieldByName("Sleva")->AsFloat();
        EXPECT_GT(discount, 20);
        items.Last();
        EXPECT_DOUBLE_EQ(items.FieldByName("Sleva")->AsFloat(), discount);
        AskOnLeavingOffer = false;
        card->btnStorno->click();
    });
    PickItem(driver, "ZAS2B");
    ItemCard(driver);
    PickItem(driver, "VYP1B");
    ItemCard(driver);
    driver.Press("frmZasoby", "btnStorno");
    auto bulk = [&](bool choicesShown, double value) {
        driver.On("frmSlevaKarta", [choicesShown, value](QWidget* w) {
            auto* dialog = qobject_cast<TfrmSlevaKarta*>(w);
            EXPECT_EQ(!dialog->rgVolba->isHidden(), choicesShown);
            dialog->curHodnota->SetValue(value);
            dialog->btnOK->click();
        });
    };
    bulk(false, 10);
    bulk(false, OfferRateReduced);
    bulk(true, 10);
    driver.On("frmReCalcDiscount", [](QWidget* w) {
        auto* dialog = qobject_cast<TfrmReCalcDiscount*>(w);
        EXPECT_EQ(dialog->cbxTypCeny->currentIndex(), 0);
        dialog->curCelkem->SetValue(dialog->curCelkem->Value() * 0.8L);
        dialog->btnOK->click();
    });
    RunList();
}

TEST_F(OfferCardPriceListTest, KeysFromTheClipboardAddTheirItemsAndListWhatCannotBeAdded) {
    ExecAgenda("UPDATE Zasoby SET Katalog = 'JB16' WHERE Katalog = 'JB10'");
    ExecAgenda("UPDATE Zasoby SET Chyba = True WHERE Katalog = 'PCH40'");
    const auto savedClipboard = TItemsImportFileParser::ClipboardText;
    TItemsImportFileParser::ClipboardText = [] {
        return QString::fromUtf8(
            "Katalog\tPočet\r\nZAS1B\t3\r\n\t2\r\nVYP1B\t0\r\nNEEXISTUJE\t1\r\nJB16\t1\r\nPCH40\t1\r\n"
            "ZAS\"1B\t1\r\nCYKY315\t2,5\r\n");
    };
    struct TReset {
        std::function<QString()> clipboard;
        ~TReset() { TItemsImportFileParser::ClipboardText = clipboard; }
    } reset{savedClipboard};
    TScriptedDialogs dialogs;
    TModalDriver driver;
    QStringList report;
    NewOffer(driver);
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        card->findChild<QAction*>("acPolozkyZeSouboru")->trigger();
        TMemTable& items = OfferCardData().mtTmpPolozky;
        std::vector<std::pair<QString, double>> added;
        for (items.First(); !items.Eof(); items.Next())
            added.emplace_back(items.FieldByName("Katalog")->AsString(),
                               items.FieldByName("PocetMJ")->AsFloat());
        EXPECT_EQ(added, (std::vector<std::pair<QString, double>>{{"ZAS1B", 3}, {"CYKY315", 2.5}}));
        AskOnLeavingOffer = false;
        card->btnStorno->click();
    });
    driver.On("frmItemsImportFileParser", [](QWidget* w) {
        auto* dialog = qobject_cast<TfrmItemsImportFileParser*>(w);
        dialog->cbxZdroj->setCurrentIndex(static_cast<int>(TKeySource::Clipboard));
        EXPECT_TRUE(dialog->edtSoubor->isHidden());
        dialog->chckNadpisy->setChecked(true);
        dialog->cbxKlic->setCurrentIndex(0);
        dialog->chckVychoziPocet->setChecked(false);
        // Columns are numbers from 1.
        dialog->cbxKlicSloupec->setEditText("0");
        dialog->cbxPocetSloupec->setEditText("2");
        {
            TScriptedDialogs refusal;
            refusal.ExpectError(QString::fromUtf8(kImportColumnNotPositive));
            dialog->btnOK->click();
        }
        dialog->cbxKlicSloupec->setEditText("1");
        dialog->btnOK->click();
    });
    driver.On("frmInformace", [&](QWidget* w) {
        report = qobject_cast<TfrmInformace*>(w)->Lines();
        TModalDriver::Click(w, "btnOK");
    });
    RunList();
    const QStringList expected{
        QString::fromUtf8(kImportHeading),
        QString::fromUtf8(kImportEmptyKey).arg(2),
        QString::fromUtf8(kImportBadCount).arg(3),
        QString::fromUtf8(kImportNotFound).arg(4).arg("NEEXISTUJE"),
        QString::fromUtf8(kImportAmbiguous).arg(5).arg("JB16"),
        QString::fromUtf8(kImportInError).arg(6).arg("PCH40"),
        QString::fromUtf8(kImportNotFound).arg(7).arg("ZAS\"1B"),
    };
    EXPECT_EQ(report, expected);
}

TEST_F(OfferCardPriceListTest, TheIdentifierBreakdownSumsTheItemsAndMarksThoseOfTheChosenCode) {
    ExecAgenda("UPDATE SezIdentif SET Nepouzivat = True WHERE Zkratka = 'DATA'");
    TScriptedDialogs dialogs;
    TModalDriver driver;
    NewOffer(driver);
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        card->btnPridatSklPol->click();
        ASSERT_EQ(OfferCardData().mtTmpPolozky.RecordCount(), 4);
        card->btnRozpisIdentif->click();
        TBookmarkList& marks = card->grPolozky->MarkedRows();
        ASSERT_EQ(marks.MarkCount(), 2);
        TMemTable& items = OfferCardData().mtTmpPolozky;
        QStringList marked;
        for (int i = 0; i < marks.MarkCount(); ++i) {
            items.GotoBookmark(marks.MarkAt(i));
            marked << items.FieldByName("Katalog")->AsString();
        }
        marked.sort();
        EXPECT_EQ(marked, (QStringList{"CYKY315", "CYKY525"}));
        EXPECT_FALSE(card->lblOznaceni->isHidden());
        AskOnLeavingOffer = false;
        card->btnStorno->click();
    });
    driver.On("frmZasoby", [](QWidget* w) {
        MarkPriceListItems(PriceList(w), {"CYKY315", "CYKY525", "UTP6", "ZAS1B"});
        PriceList(w)->btnOkClick();
    });
    for (int i = 0; i < 4; ++i) ItemCard(driver);
    driver.On("frmRozpisIdentif", [](QWidget* w) {
        auto* window = qobject_cast<TfrmRozpisIdentif*>(w);
        TMemTable& rows = window->mtRozpisIdentif;
        // DATA is kept out of the breakdown; the two cables sum under one code.
        QStringList codes;
        for (rows.First(); !rows.Eof(); rows.Next()) codes << rows.FieldByName("ZkrIdent")->AsString();
        codes.sort();
        EXPECT_EQ(codes, (QStringList{"KABEL", "KOMPONENTA"}));
        ASSERT_TRUE(rows.Locate("ZkrIdent", "KABEL"));
        EXPECT_GT(rows.FieldByName("ProdBDPH")->AsFloat(), 0);
        w->grab().save(ArtifactPath("identifier-breakdown.png"));
        // With no row marked, the current row's code is the one marked in the offer.
        window->btnOznacit->click();
    });
    RunList();
}

TEST_F(OfferCardPriceListTest, BulkMarginSkipsItemsWithoutPurchasePriceAndTheDiscountKeepsLockedItems) {
    // Keys from the clipboard bring items of two sheets at once: a socket and a work without a
    // purchase price.
    const auto savedClipboard = TItemsImportFileParser::ClipboardText;
    TItemsImportFileParser::ClipboardText = [] { return QString("ZAS1B\nM-ZAS\n"); };
    struct TReset {
        std::function<QString()> clipboard;
        ~TReset() { TItemsImportFileParser::ClipboardText = clipboard; }
    } reset{savedClipboard};
    TScriptedDialogs dialogs;
    TModalDriver driver;
    QStringList refused;
    NewOffer(driver);
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        card->findChild<QAction*>("acPolozkyZeSouboru")->trigger();
        TMemTable& items = OfferCardData().mtTmpPolozky;
        ASSERT_EQ(items.RecordCount(), 2);
        auto value = [&](const char* code, const char* field) {
            EXPECT_TRUE(items.Locate("Katalog", code)) << code;
            return items.FieldByName(field)->AsFloat();
        };
        const double workPrice = value("M-ZAS", "ProdCena");

        card->btnMarze->click();
        EXPECT_DOUBLE_EQ(value("ZAS1B", "Marze"), 20);
        EXPECT_DOUBLE_EQ(value("M-ZAS", "ProdCena"), workPrice);

        // A requested total below the locked socket cannot be reached by discounts.
        ASSERT_TRUE(items.Locate("Katalog", "ZAS1B"));
        card->SetItemsLock(true, false);
        dialogs.ExpectWarning(QString::fromUtf8(kDiscountBelowFixed));
        card->findChild<QAction*>("acDopocitatSlevu")->trigger();
        dialogs.Verify();
        ASSERT_TRUE(items.Locate("Katalog", "ZAS1B"));
        card->SetItemsLock(false, false);

        // Zeroing the rabat asks first; on the work it leaves the sale price at the purchase price, 0.
        dialogs.ExpectQuestion(QString::fromUtf8(kZeroRabatQuestion), true);
        card->btnRabat->click();
        dialogs.Verify();
        EXPECT_DOUBLE_EQ(value("M-ZAS", "ProdCena"), 0);

        card->btnSleva->click();
        card->btnSleva->click();
        EXPECT_DOUBLE_EQ(value("ZAS1B", "Sleva"), 15);
        EXPECT_DOUBLE_EQ(value("M-ZAS", "Sleva"), 15);

        // With the socket locked only the work is left, and it has no price any more.
        ASSERT_TRUE(items.Locate("Katalog", "ZAS1B"));
        card->SetItemsLock(true, false);
        dialogs.ExpectWarning(QString::fromUtf8(kDiscountNothingToDiscount));
        card->findChild<QAction*>("acDopocitatSlevu")->trigger();
        EXPECT_DOUBLE_EQ(value("ZAS1B", "Sleva"), 15);
        EXPECT_DOUBLE_EQ(value("M-ZAS", "Sleva"), 0);
        AskOnLeavingOffer = false;
        card->btnStorno->click();
    });
    driver.On("frmItemsImportFileParser", [](QWidget* w) {
        auto* dialog = qobject_cast<TfrmItemsImportFileParser*>(w);
        dialog->cbxZdroj->setCurrentIndex(static_cast<int>(TKeySource::Clipboard));
        dialog->chckNadpisy->setChecked(false);
        dialog->cbxKlicSloupec->setEditText("1");
        dialog->chckVychoziPocet->setChecked(true);
        dialog->btnOK->click();
    });
    auto bulk = [&](const char* choice, double value) {
        driver.On("frmSlevaKarta", [choice, value](QWidget* w) {
            auto* dialog = qobject_cast<TfrmSlevaKarta*>(w);
            dialog->findChild<QRadioButton*>(choice)->setChecked(true);
            EXPECT_EQ(dialog->curHodnota->isEnabled(), std::string(choice) != "rbVynulovat");
            dialog->curHodnota->SetValue(value);
            dialog->btnOK->click();
        });
    };
    bulk("rbNastavit", 20);
    driver.On("frmInformace", [&](QWidget* w) {
        refused = qobject_cast<TfrmInformace*>(w)->Lines();
        TModalDriver::Click(w, "btnOK");
    });
    auto discount = [&] {
        driver.On("frmReCalcDiscount", [](QWidget* w) {
            auto* dialog = qobject_cast<TfrmReCalcDiscount*>(w);
            dialog->curCelkem->SetValue(10);
            dialog->btnOK->click();
        });
    };
    discount();
    bulk("rbVynulovat", 0);
    bulk("rbNastavit", 10);
    bulk("rbPricist", 5);
    discount();
    RunList();
    ASSERT_EQ(refused.size(), 3);
    EXPECT_EQ(refused[0], QString::fromUtf8(kBulkRefusedHeading));
    EXPECT_EQ(refused[2], QString::fromUtf8("• Montáž zásuvky nebo vypínače"));
}

TEST_F(OfferCardPriceListTest, MarksLeftInTheClosedPriceListAreAddedNextTimeAndANewCustomerRepricesTheItems) {
    TScriptedDialogs dialogs;
    TModalDriver driver;
    NewOffer(driver);
    driver.On("frmNabidkaKart", [&](QWidget* w) {
        TfrmNabidkaKart* card = Card(w);
        // Closed without a pick: nothing is added, the marks stay in the price list.
        card->btnPridatSklPol->click();
        EXPECT_TRUE(OfferCardData().mtTmpPolozky.IsEmpty());
        // The next adding takes the marks at once, oldest first; Storno on a card skips that item.
        card->btnPridatSklPol->click();
        TMemTable& items = OfferCardData().mtTmpPolozky;
        ASSERT_EQ(items.RecordCount(), 1);
        EXPECT_EQ(items.FieldByName("Katalog")->AsString(), "JB10");
        EXPECT_EQ(items.FieldByName("CenHladina")->AsString(), "");
        const double basePrice = items.FieldByName("ProdCena")->AsFloat();

        // A customer with a price level of his own offers to reprice the items at it.
        dialogs.ExpectQuestion(QString::fromUtf8(kAddressLevelQuestionHead), true);
        card->btnVyberAdresu->click();
        dialogs.Verify();
        EXPECT_EQ(items.FieldByName("CenHladina")->AsString(), "VO");
        EXPECT_LT(items.FieldByName("ProdCena")->AsFloat(), basePrice);
        // The detail shows the linked firm's card for reading only.
        card->btnDetailAdresy->click();
        AskOnLeavingOffer = false;
        card->btnStorno->click();
    });
    driver.On("frmZasoby", [](QWidget* w) {
        MarkPriceListItems(PriceList(w), {"JB16", "JB10"});
        TModalDriver::Click(w, "btnStorno");
    });
    driver.On("frmPolozkaNab", [](QWidget* w) { qobject_cast<TfrmPolozkaNab*>(w)->btnStorno->click(); });
    ItemCard(driver);
    PickFirm(driver, "Stavby Novák s.r.o.");
    driver.On("frmAdrKart", [](QWidget* w) {
        EXPECT_TRUE(w->findChild<QPushButton*>("btnOK")->isHidden());
        TModalDriver::Click(w, "btnStorno");
    });
    RunList();
}
