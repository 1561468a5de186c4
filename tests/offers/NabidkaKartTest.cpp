// The offer card over a document filled by the test: the header checks on OK,
// the close question, the order of the items, headings and texts, locks, search
// and the documents page.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "common/ScriptedFontDialog.h"
#include "core/CommonUtils.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "offers/EditTRtf.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/NabidkaSoucty.h"
#include "offers/NadpisovaPol.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/ModalHelper.h"
#include "widgets/VnDBGrids.h"

namespace {

struct TItemRow {
    const char* text;
    const char* catalogue = "";
    bool heading = false;
    bool locked = false;
    double rate = 21;
};

class NabidkaKartTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        card_ = TfrmNabidkaKart::Instance();
        doc().Reset();
        savedAsk_ = AskOnLeavingOffer;
        AskOnLeavingOffer = true;
    }
    void TearDown() override {
        AskOnLeavingOffer = savedAsk_;
        TNadpisovaPol::ExecHook = nullptr;
        TfrmNabidkaKart::LinkCardHandler = nullptr;
        TfrmNabidkaKart::OpenDocumentHandler = nullptr;
        ProgramFixture::TearDown();
    }

    static TOfferDocument& doc() { return OfferCardData(); }

    void AddItems(std::initializer_list<TItemRow> rows) {
        TMemTable& items = doc().mtTmpPolozky;
        int order = items.RecordCount();
        for (const TItemRow& row : rows) {
            items.Append();
            items.FieldByName("Popis")->SetAsString(QString::fromUtf8(row.text));
            items.FieldByName("Katalog")->SetAsString(QString::fromUtf8(row.catalogue));
            items.FieldByName("Nadpisova")->SetAsBoolean(row.heading);
            items.FieldByName("Textova")->SetAsBoolean(false);
            items.FieldByName("IgnorHr")->SetAsBoolean(row.locked);
            items.FieldByName("SazbaDPH")->SetAsFloat(row.rate);
            items.FieldByName("PocetMJ")->SetAsFloat(1);
            items.FieldByName("Poradi")->SetAsInteger(++order);
            items.FieldByName("LockID")->SetAsInteger(kNotStored);
            items.Post();
            if (row.heading) ++doc().HeadingItemCount;
        }
        items.SetIndexName("Poradi");
        items.First();
    }

    // Shows the card over the document and runs the script while it is open;
    // answers the result.
    bool Show(const std::function<void(TfrmNabidkaKart&)>& script) {
        OnNextModal([&](QWidget*) {
            script(*card_);
            if (card_->isVisible()) {
                AskOnLeavingOffer = false;
                card_->btnStorno->click();
            }
        });
        return card_->ShowOffer(doc());
    }

    QStringList Order() {
        QStringList texts;
        TMemTable& items = doc().mtTmpPolozky;
        const TBookmark here = items.GetBookmark();
        for (items.First(); !items.Eof(); items.Next())
            texts << QString("%1:%2")
                         .arg(items.FieldByName("Poradi")->AsInteger())
                         .arg(items.FieldByName("Popis")->AsString());
        items.GotoBookmark(here);
        return texts;
    }

    TfrmNabidkaKart* card_ = nullptr;
    bool savedAsk_ = true;
};

}  // namespace

TEST_F(NabidkaKartTest, OkChecksTheHeaderInTheirOrder) {
    struct Case {
        const char* name;
        bool newOffer;
        const char* customer;
        int state;
        std::vector<TExpectedDialog> dialogs;
        bool closes;
        bool settlementFilled;
    };
    const Case kCases[] = {
        {"new offer, typed customer",
         true,
         "Firma bez adresáře",
         0,
         {TExpectedDialog::Question(QString::fromUtf8(kTypedCustomerQuestion), true)},
         true,
         false},
        {"new offer, typed customer refused",
         true,
         "Firma bez adresáře",
         0,
         {TExpectedDialog::Question(QString::fromUtf8(kTypedCustomerQuestion), false)},
         false,
         false},
        {"existing offer, typed customer", false, "Firma bez adresáře", 1, {}, true, false},
        {"settled without a date, No",
         false,
         "",
         3,
         {TExpectedDialog::Question(QString::fromUtf8(kSettlementDateQuestion), false)},
         false,
         false},
        {"settled without a date, Yes",
         false,
         "",
         3,
         {TExpectedDialog::Question(QString::fromUtf8(kSettlementDateQuestion), true)},
         true,
         true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        doc().Reset();
        doc().Header.AutomaticNumber = c.newOffer;
        doc().Header.Doklad = c.newOffer ? QString() : QString("NB00007");
        doc().Header.NumberCancelTag = c.newOffer ? 0 : 1;
        doc().Header.AdrNazev = QString::fromUtf8(c.customer);
        doc().Header.IDStav = c.state;
        doc().EditedOfferID = c.newOffer ? 0 : 7;
        bool stillOpen = false;
        const bool ok = Show([&](TfrmNabidkaKart& card) {
            TScriptedDialogs dialogs;
            dialogs.ExpectAll(c.dialogs);
            card.btnOK->click();
            stillOpen = card.isVisible();
        });
        EXPECT_EQ(ok, c.closes);
        EXPECT_EQ(stillOpen, !c.closes);
        if (c.closes) {
            EXPECT_EQ(doc().Header.DatVyrizeni.has_value(), c.settlementFilled);
        }
    }
}

TEST_F(NabidkaKartTest, ABackwardStateClearsTheSettlementDateAndAnEmptyNumberIsRefused) {
    doc().Header.Doklad = "NB00008";
    doc().Header.NumberCancelTag = 1;
    doc().Header.IDStav = 3;
    doc().Header.DatVyrizeni = DateTimeToOle(QDate(2026, 12, 1));
    const bool ok = Show([&](TfrmNabidkaKart& card) {
        EXPECT_TRUE(card.edtDatVyrizeni->isEnabled());
        card.cbxStav->setCurrentIndex(1);
        card.ShowOfferState();
        EXPECT_FALSE(card.edtDatVyrizeni->isEnabled());
        {
            // "x" on a stored number asks before it opens the field; an empty field, or one
            // of blanks only, is refused while the card is still open, so nothing typed is lost.
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(QString::fromUtf8(kOverwriteNumberQuestion), true);
            card.btnZrusCislo->click();
            for (const char* typed : {"", "   "}) {
                SCOPED_TRACE(typed);
                card.edtCisloDokl->setText(typed);
                dialogs.ExpectInformation(QString::fromUtf8(kOfferNumberMissingText));
                card.btnOK->click();
                EXPECT_TRUE(card.isVisible());
            }
        }
        card.edtCisloDokl->setText("NB-RUCNE");
        card.btnOK->click();
    });
    EXPECT_TRUE(ok);
    EXPECT_FALSE(doc().Header.DatVyrizeni.has_value());
    EXPECT_EQ(doc().Header.IDStav, 1);
    EXPECT_EQ(doc().Header.Doklad, "NB-RUCNE");
    EXPECT_FALSE(doc().Header.AutomaticNumber);
}

TEST_F(NabidkaKartTest, AnItemWithAnUnknownVatRateBlocksOk) {
    doc().Header.Doklad = "NB00009";
    doc().Header.NumberCancelTag = 1;
    doc().Totals.UnknownVatRate = true;
    const bool ok = Show([&](TfrmNabidkaKart& card) {
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kUnknownVatRateText) + QString::fromUtf8(kSaveRefusedSuffix));
        card.btnOK->click();
        EXPECT_TRUE(card.isVisible());
    });
    EXPECT_FALSE(ok);
}

TEST_F(NabidkaKartTest, LeavingAChangedCardAsksWhenTheUserWantsIt) {
    doc().Header.Doklad = "NB00010";
    // Unchanged: closes at once.
    Show([&](TfrmNabidkaKart& card) {
        TScriptedDialogs dialogs;
        card.btnStorno->click();
        EXPECT_FALSE(card.isVisible());
    });
    // Changed: the question; No keeps the card, Yes leaves it.
    Show([&](TfrmNabidkaKart& card) {
        card.edtPopisDokl->setText(QString::fromUtf8("Změna"));
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kLeaveUnsavedQuestion), false);
        card.btnStorno->click();
        EXPECT_TRUE(card.isVisible());
        dialogs.ExpectQuestion(QString::fromUtf8(kLeaveUnsavedQuestion), true);
        card.btnStorno->click();
        EXPECT_FALSE(card.isVisible());
    });
    // The setting off: no question.
    Show([&](TfrmNabidkaKart& card) {
        AskOnLeavingOffer = false;
        card.edtPopisDokl->setText(QString::fromUtf8("Změna"));
        TScriptedDialogs dialogs;
        card.btnStorno->click();
        EXPECT_FALSE(card.isVisible());
    });
}

TEST_F(NabidkaKartTest, MovingAnItemRenumbersFirstAndSwapsNeighbours) {
    AddItems({{"Kabel"}, {"Zásuvka"}, {"Jistič"}});
    // Gaps in the stored order: moving renumbers 1..n before it swaps, so the swap is always
    // between neighbours.
    TMemTable& items = doc().mtTmpPolozky;
    for (const auto& [name, order] : {std::pair{"Zásuvka", 7}, std::pair{"Jistič", 9}}) {
        ASSERT_TRUE(items.Locate("Popis", QString::fromUtf8(name)));
        items.Edit();
        items.FieldByName("Poradi")->SetAsInteger(order);
        items.Post();
    }
    Show([&](TfrmNabidkaKart& card) {
        items.First();
        const QStringList before = Order();
        EXPECT_EQ(before.join('|'), QString::fromUtf8("1:Kabel|7:Zásuvka|9:Jistič"));
        card.MoveOfferItem(-1);
        EXPECT_EQ(Order(), before);
        EXPECT_TRUE(doc().Modified);
        items.Last();
        card.btnPolNahoru->click();
        EXPECT_EQ(Order().join('|'), QString::fromUtf8("1:Kabel|2:Jistič|3:Zásuvka"));
        EXPECT_EQ(items.FieldByName("Popis")->AsString(), QString::fromUtf8("Jistič"));
        items.Last();
        card.btnPolDolu->click();
        EXPECT_EQ(Order().join('|'), QString::fromUtf8("1:Kabel|2:Jistič|3:Zásuvka"));
        items.First();
        card.btnPolDolu->click();
        card.btnPolDolu->click();
        EXPECT_EQ(Order().join('|'), QString::fromUtf8("1:Jistič|2:Zásuvka|3:Kabel"));
        EXPECT_EQ(items.FieldByName("Popis")->AsString(), "Kabel");
    });
}

TEST_F(NabidkaKartTest, HeadingsAndTextsGoRightAfterTheCurrentItemAndSortingAsksAboutThem) {
    AddItems({{"Kabel CYKY", "K-100"}, {"Zásuvka 230 V", "Z-200"}, {"Jistič B16", "J-300"}});
    Show([&](TfrmNabidkaKart& card) {
        TMemTable& items = doc().mtTmpPolozky;
        items.Locate("Popis", QString::fromUtf8("Kabel CYKY"));
        TNadpisovaPol::ExecHook = [](TfrmNadpisovaPol& window) {
            EXPECT_EQ(window.windowTitle(), QString::fromUtf8(kHeadingCaption));
            {
                TScriptedDialogs dialogs;
                dialogs.ExpectInformation(
                    QString::fromUtf8(kEmptyTextMessage).arg(QString::fromUtf8(kHeadingTextCaption)));
                window.btnOKClick();
            }
            window.edtNadpis->setText(QString::fromUtf8("Rozvaděč"));
            window.memPoznamka->setPlainText(QString::fromUtf8("Montáž v 1. NP"));
            window.btnOKClick();
            return window.result();
        };
        card.btnPridatNadpis->click();
        EXPECT_EQ(Order().join('|'),
                  QString::fromUtf8("1:Kabel CYKY|2:Rozvaděč|3:Zásuvka 230 V|4:Jistič B16"));
        EXPECT_EQ(doc().HeadingItemCount, 1);

        // A copy of the heading follows it, with its text and note.
        items.Locate("Popis", QString::fromUtf8("Rozvaděč"));
        TNadpisovaPol::ExecHook = [](TfrmNadpisovaPol& window) {
            window.btnOKClick();
            return window.result();
        };
        card.btnKopirovatPol->click();
        EXPECT_EQ(Order().join('|'),
                  QString::fromUtf8("1:Kabel CYKY|2:Rozvaděč|3:Rozvaděč|4:Zásuvka 230 V|5:Jistič B16"));
        EXPECT_EQ(items.FieldByName("Poznamka")->AsString(), QString::fromUtf8("Montáž v 1. NP"));
        EXPECT_EQ(doc().HeadingItemCount, 2);
        card.btnVyjmoutPol->click();
        EXPECT_EQ(doc().HeadingItemCount, 1);

        // Sorting asks because of the heading; after Yes the order follows the
        // column.
        TColumn* popis = card.grPolozky->Columns().ColumnAt(GridColumnIndex(card.grPolozky, "Popis"));
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(QString::fromUtf8(kSortHeadingsQuestion), false);
            card.SortItemsByColumn(popis);
            EXPECT_EQ(Order().size(), 4);
            EXPECT_TRUE(Order().first().endsWith(QString::fromUtf8("Kabel CYKY")));
            dialogs.ExpectQuestion(QString::fromUtf8(kSortHeadingsQuestion), true);
            card.SortItemsByColumn(popis);
        }
        EXPECT_EQ(Order().join('|'),
                  QString::fromUtf8("1:Jistič B16|2:Kabel CYKY|3:Rozvaděč|4:Zásuvka 230 V"));
        EXPECT_EQ(items.IndexName(), "Poradi");

        // Typing in the catalogue column finds the first catalogue number beginning
        // with the letter.
        card.grPolozky->SetCol(card.grPolozky->DataToRawColumn(GridColumnIndex(card.grPolozky, "Katalog")));
        items.First();
        card.OpenItemFind(QChar('z'));
        EXPECT_EQ(card.lblPolozkyFindCaption->text(), "Katalog");
        EXPECT_EQ(items.FieldByName("Katalog")->AsString(), "Z-200");
        QTest::keyClick(card.edtPolozkyFind, Qt::Key_Return);
        EXPECT_FALSE(card.panPolozkyFind->isVisible());
        card.grab().save(ArtifactPath("offer-card.png"));
    });
}

TEST_F(NabidkaKartTest, LocksGoOnTheMarkedItemsOrOnAll) {
    AddItems({{"A"}, {"B"}, {"C"}});
    auto locked = [] {
        QStringList names;
        TMemTable& items = doc().mtTmpPolozky;
        for (items.First(); !items.Eof(); items.Next())
            if (items.FieldByName("IgnorHr")->AsBoolean()) names << items.FieldByName("Popis")->AsString();
        return names.join('|');
    };
    Show([&](TfrmNabidkaKart& card) {
        TMemTable& items = doc().mtTmpPolozky;
        card.SetItemsLock(true, true);
        EXPECT_EQ(locked(), "A|B|C");
        card.SetItemsLock(false, true);
        for (const char* name : {"A", "C"}) {
            items.Locate("Popis", name);
            card.grPolozky->MarkedRows().SetCurrentRowMarked(true);
        }
        card.UpdateMarkLabel();
        EXPECT_EQ(card.lblOznaceni->text(), QString::fromUtf8(" Označeno 2 z 3 "));
        card.SetItemsLock(true, true);
        EXPECT_EQ(locked(), "A|C");
    });
}

TEST_F(NabidkaKartTest, HistoryOfAnUnsavedOfferIsNotThereYet) {
    Show([&](TfrmNabidkaKart& card) {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(QString::fromUtf8(kHistoryAfterSave));
        card.btnHistorie->click();
    });
}

TEST_F(NabidkaKartTest, ATokenLinkOfANewOfferNeverOpensAnotherOffersFile) {
    // The list stands on a stored offer whose folder holds the file; the card
    // holds a new offer.
    const QString otherFolder = OfferDocumentFolder(1);
    QDir().mkpath(otherFolder);
    WriteText(otherFolder + "vykres.pdf", "%PDF-1.4");
    QString opened;
    TfrmNabidkaKart::OpenDocumentHandler = [&](const QString& path) { opened = path; };
    TfrmNabidkaKart::LinkCardHandler = [](TfrmNabidkaKart::TLinkCardData& data) {
        EXPECT_EQ(data.Caption, QString::fromUtf8("Přidat odkaz na dokument"));
        EXPECT_TRUE(data.CopyVisible);
        data.Description = QString::fromUtf8("Výkres");
        data.Link = "%sdilena_slozka%vykres.pdf";
        return true;
    };
    Show([&](TfrmNabidkaKart& card) {
        card.btnPridatDoc->click();
        TMemTable& docs = doc().mtTmpDokumenty;
        EXPECT_EQ(docs.RecordCount(), 1);
        EXPECT_EQ(docs.FieldByName("ID")->AsInteger(), kNotStored);
        EXPECT_TRUE(doc().Modified);
        card.btnOtevritDoc->click();
        EXPECT_NE(opened, otherFolder + "vykres.pdf");
        EXPECT_EQ(opened, OfferDocumentFolder(0) + "vykres.pdf");
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRemoveLink), false);
        card.btnSmazatDoc->click();
        EXPECT_EQ(docs.RecordCount(), 1);
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRemoveLink), true);
        card.btnSmazatDoc->click();
        EXPECT_EQ(docs.RecordCount(), 0);
        EXPECT_FALSE(card.btnOtevritDoc->isEnabled());
    });

    // A stored offer opens its own folder's file, whatever the case of the token.
    doc().Reset();
    doc().EditedOfferID = 1;
    TMemTable& docs = doc().mtTmpDokumenty;
    docs.Append();
    docs.FieldByName("Popis")->SetAsString(QString::fromUtf8("Výkres"));
    docs.FieldByName("File")->SetAsString("%Sdilena_Slozka%vykres.pdf");
    docs.FieldByName("ID")->SetAsInteger(3);
    docs.Post();
    TfrmNabidkaKart::LinkCardHandler = [&](TfrmNabidkaKart::TLinkCardData& data) {
        EXPECT_FALSE(data.BrowseEnabled);
        EXPECT_EQ(data.SharedFolder, otherFolder);
        return false;
    };
    Show([&](TfrmNabidkaKart& card) {
        card.btnOtevritDoc->click();
        card.btnOpravitDoc->click();
    });
    EXPECT_EQ(opened, otherFolder + "vykres.pdf");
}

TEST_F(NabidkaKartTest, PismoSetsTheColourOfTheSelectionWithItsFont) {
    ScriptedFontDialog user([](TFontChoice& choice) {
        choice.Font.setBold(true);
        choice.Color = QColor(0, 128, 0);
        return true;
    });
    // The offer card's two texts, and the editor of the templates and free texts.
    Show([&](TfrmNabidkaKart& card) {
        for (QTextEdit* text : {card.reTextPred, card.reTextZa}) {
            SCOPED_TRACE(text->objectName().toStdString());
            QAction* font = text == card.reTextPred ? card.acPismoPred : card.acPismoZa;
            card.pgcHeader->setCurrentWidget(text->parentWidget());
            SelectStart(*text, QString::fromUtf8("Vážený zákazníku"), 5);
            text->setFocus();
            QApplication::processEvents();
            ASSERT_TRUE(font->isEnabled());
            font->trigger();
            EXPECT_EQ(CharColour(*text, 3), QColor(0, 128, 0));
            EXPECT_TRUE(text->hasFocus());
        }
    });
    TfrmEditTRtf editor;
    SelectStart(*editor.reText, QString::fromUtf8("Vážený zákazníku"), 5);
    editor.tools.acPismo->trigger();
    EXPECT_EQ(CharColour(*editor.reText, 3), QColor(0, 128, 0));
    EXPECT_EQ(user.shown, 3);
}
