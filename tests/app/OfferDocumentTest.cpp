// An offer of the demonstration firm opened, given a new typed item through the item card, and
// saved: the way the offer card works on the offer document.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "offers/NabidkaData.h"
#include "offers/PolozkaNab.h"
#include "platform/db/Rowset.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/ModalHelper.h"

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
        return true;
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
