// An offer of the demonstration firm opened, given a new typed item through the item card, and
// saved: the way the offer card works on the offer document.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>

#include "common/LockHolder.h"
#include "common/ScriptedDialogs.h"
#include "core/CardProtocol.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/StationWait.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/PolozkaNab.h"
#include "platform/db/Rowset.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/ModalHelper.h"
#include "pricelist/PriceListUi.h"

class OfferDocumentTest : public ProgramFixture {
protected:
    void TearDown() override {
        OfferCardHooks() = TOfferCardHooks();
        ProgramFixture::TearDown();
    }
};

TEST_F(OfferDocumentTest, AnItemTypedOnTheItemCardIsSavedWithTheOffer) {
    {
        TScriptedDialogs dialogs;
        StartWithDemo();
    }
    TADOQuery& list = main_->adqNabidky;
    list.SetSQL("SELECT * FROM Nabidky ORDER BY ID");
    list.Open();
    ASSERT_TRUE(list.Locate("Doklad", "NB00002"));
    const int id = list.FieldByName("ID")->AsInteger();
    const auto count = [&] {
        return main_->ADOConAgenda
            .OpenRowset(QString("SELECT COUNT(*) FROM NabPolozky WHERE CisloNab = %1").arg(id))
            ->Value(0, 0)
            .toInt();
    };
    const int before = count();
    double totalOnCard = 0;
    OfferCardHooks().ShowCard = [&](TOfferDocument& doc) {
        OnNextModal([](QWidget* modal) {
            auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
            ASSERT_NE(card, nullptr);
            card->edtPopis->setText("Montáž čidla pohybu");
            card->curProdCena->setText("450");
            emit card->curProdCena->textEdited("450");
            card->curPocetMj->setText("2");
            emit card->curPocetMj->textEdited("2");
            card->btnOK->click();
        });
        doc.mtTmpPolozky.Last();
        EditOfferItem(true, false, true, false, 0);
        totalOnCard = doc.Totals.CelkemZaDokladSDPH;
        return doc.Save();
    };
    TScriptedDialogs dialogs;
    EXPECT_FALSE(EditOffer(false, false));
    EXPECT_EQ(count(), before + 1);
    const auto row = main_->ADOConAgenda.OpenRowset(
        QString(
            "SELECT PCBDPHPOL, Poradi FROM NabPolozky WHERE CisloNab = %1 AND Popis = 'Montáž čidla pohybu'")
            .arg(id));
    ASSERT_EQ(row->RowCount(), 1u);
    EXPECT_DOUBLE_EQ(row->Value(0, 0).toDouble(), 900);
    EXPECT_EQ(row->Value(0, 1).toInt(), before + 1);
    EXPECT_DOUBLE_EQ(
        main_->ADOConAgenda.OpenRowset(QString("SELECT Celkem FROM Nabidky WHERE ID = %1").arg(id))
            ->Value(0, 0)
            .toDouble(),
        totalOnCard);
}

// A save that cannot go through keeps the offer card open with what the user typed and leaves the
// offer as it was stored; once the cause is gone, OK saves what stands on the card.
TEST_F(OfferDocumentTest, AFailedSaveKeepsTheCardOpenWithWhatWasTyped) {
    {
        TScriptedDialogs dialogs;
        StartWithDemo();
    }
    TfrmNabidkaKart* card = TfrmNabidkaKart::Instance();
    TADOQuery& list = main_->adqNabidky;
    list.SetSQL("SELECT * FROM Nabidky ORDER BY ID");
    list.Open();
    ASSERT_TRUE(list.Locate("Doklad", "NB00002"));
    const int id = list.FieldByName("ID")->AsInteger();
    const QString description = QString("SELECT Popis FROM Nabidky WHERE ID = %1").arg(id);
    const auto value = [&](const QString& sql) { return main_->ADOConAgenda.OpenRowset(sql)->Value(0, 0); };
    const QVariant stored = value(description);
    std::unique_ptr<TImportNotWaitedFor> importing;
    struct Case {
        const char* name;
        // Makes the save fail; answers the error the user is told of.
        std::function<EDatabaseError()> fail;
        std::function<void()> mend;
    };
    const Case kCases[] = {
        {"the user stops waiting for another station's import",
         [&] {
             importing = std::make_unique<TImportNotWaitedFor>(main_->ADOConAgenda.FileName(),
                                                               "UPDATE Zasoby SET Poznamka = 'import'");
             return TImportNotWaitedFor::Error();
         },
         [&] { importing->Finish(); }},
        {"the database refuses the offer",
         [&] {
             main_->ADOConAgenda.Execute(
                 "CREATE TRIGGER Odmitnout BEFORE UPDATE ON Nabidky BEGIN SELECT RAISE(ABORT, 'zapis "
                 "odmitnut'); "
                 "END");
             return EDatabaseError("zapis odmitnut");
         },
         [&] { main_->ADOConAgenda.Execute("DROP TRIGGER Odmitnout"); }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kSaveNotDoneText).arg(DatabaseFailureText(c.fail())));
        const QString typed = QString::fromUtf8("Rozvaděč pro halu %1").arg(&c - kCases + 1);
        bool keptOpen = false;
        QVariant storedMeanwhile;
        OnNextModal([&](QWidget*) {
            card->edtPopisDokl->setText(typed);
            card->btnOK->click();
            keptOpen = card->isVisible() && card->edtPopisDokl->text() == typed;
            storedMeanwhile = value(description);
            c.mend();
            card->btnOK->click();
            if (card->isVisible()) card->btnStorno->click();
        });
        EXPECT_FALSE(EditOffer(false, false));
        dialogs.Verify();
        EXPECT_TRUE(keptOpen);
        EXPECT_EQ(storedMeanwhile, stored);
        EXPECT_EQ(value(description).toString(), typed);
        ExecAgenda("UPDATE Nabidky SET Popis = :Popis WHERE ID = :ID", {{"Popis", stored}, {"ID", id}});
        ASSERT_TRUE(list.Locate("ID", id));
    }
}
