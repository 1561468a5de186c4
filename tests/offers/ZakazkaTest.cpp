#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "core/CardProtocol.h"
#include "core/Login.h"
#include "offers/OfferFixture.h"
#include "offers/VolnyTextList.h"
#include "offers/Zakazka.h"
#include "offers/ZakazkaList.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/ModalHelper.h"

namespace {

class ZakazkaTest : public OfferFixture {
protected:
    void TearDown() override {
        CurrentUser.Zakazky_AR = TAccessLevel::Full;
        OfferFixture::TearDown();
    }

    int IdOf(const QString& code) { return TZakazka::FindIdByZkratka(code); }

    // Opens the card through the call; the script plays the user and must close it.
    bool WithCard(const std::function<bool()>& open, const std::function<void(TfrmZakazka&)>& script) {
        OnNextModal([&](QWidget* modal) {
            auto* card = qobject_cast<TfrmZakazka*>(modal);
            ASSERT_NE(card, nullptr);
            script(*card);
        });
        return open();
    }
};

}  // namespace

TEST_F(ZakazkaTest, ValidationTrimsTheCodeAndNamesWhatIsMissingOrTaken) {
    struct Case {
        const char* code;
        const char* name;
        QString error;  // empty: saved
        const char* stored;
    };
    const Case kCases[] = {
        {" AB ", "Chodba", "", "AB"},
        {"   ", "Chodba", QString::fromUtf8(kOrderNoCode), ""},
        {"CD", "", QString::fromUtf8(kOrderNoName), ""},
        {"byt-vinoh", "Jiný byt", QString::fromUtf8(kOrderCodeTaken).arg("byt-vinoh"), ""},
        {"O'NEIL\"", "Uvozovky v kódu", "", "O'NEIL\""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.code);
        TZakazka order;
        order.Zkratka = QString::fromUtf8(c.code);
        order.Nazev = QString::fromUtf8(c.name);
        EXPECT_EQ(order.Save(), c.error.isEmpty());
        if (!c.error.isEmpty()) {
            EXPECT_EQ(order.ErrorText, c.error);
            continue;
        }
        EXPECT_EQ(Scalar("SELECT Zkratka FROM Zakazka WHERE ID = " + QString::number(order.ID)).toString(),
                  QString::fromUtf8(c.stored));
        EXPECT_EQ(IdOf(QString::fromUtf8(c.stored)), order.ID);
    }
    EXPECT_EQ(IdOf("NEEXISTUJE"), 0);
}

TEST_F(ZakazkaTest, AnUnsetDateIsStoredAsNullAndShowsEmptyAgain) {
    TZakazka order;
    order.Zkratka = "DATUMY";
    order.Nazev = "Termíny";
    order.DatumZahajeni = DateTimeToOle(QDate(2026, 12, 7));
    ASSERT_TRUE(order.Save());
    const QString id = QString::number(order.ID);
    EXPECT_TRUE(Scalar("SELECT DatumPlanPredani FROM Zakazka WHERE ID = " + id).isNull());

    // The card: a cleared date field goes back as null, the rating as a whole number, the note with CR LF.
    TZakazka edited;
    EXPECT_TRUE(WithCard([&] { return edited.Edit(order.ID); },
                         [](TfrmZakazka& card) {
                             EXPECT_FALSE(card.edtZkratka->isEnabled());
                             EXPECT_TRUE(card.edtDatumPlanZahajeni->IsEmpty());
                             EXPECT_FALSE(card.edtDatumZahajeni->IsEmpty());
                             card.edtDatumZahajeni->Clear();
                             card.edtDatumPredani->SetDate(DateTimeToOle(QDate(2027, 1, 15)));
                             card.chckUzavrena->setChecked(true);
                             card.curHodnoceni->SetValue(4);
                             card.memPoznamka->setPlainText("Řádek 1\nŘádek 2");
                             card.btnOK->click();
                         }));
    EXPECT_TRUE(Scalar("SELECT DatumZahajeni FROM Zakazka WHERE ID = " + id).isNull());
    TZakazka reloaded;
    ASSERT_TRUE(reloaded.Load(order.ID));
    EXPECT_EQ(reloaded.DatumZahajeni, 0);
    EXPECT_EQ(reloaded.DatumPredani, DateTimeToOle(QDate(2027, 1, 15)));
    EXPECT_TRUE(reloaded.Uzavrena);
    EXPECT_EQ(reloaded.Hodnoceni, 4);
    EXPECT_EQ(reloaded.Poznamka, QString::fromUtf8("Řádek 1\r\nŘádek 2"));
    EXPECT_EQ(reloaded.Zkratka, "DATUMY");
}

TEST_F(ZakazkaTest, ACopyNeedsItsOwnCodeAndKeepsTheRest) {
    const int source = IdOf("HOTEL-ZH");
    ASSERT_GT(source, 0);
    const int before = Count("Zakazka");
    TZakazka copy;
    EXPECT_TRUE(WithCard([&] { return copy.Copy(source); },
                         [](TfrmZakazka& card) {
                             EXPECT_TRUE(card.edtZkratka->isEnabled());
                             EXPECT_EQ(card.edtZkratka->text(), "");
                             EXPECT_EQ(card.edtNazev->text(),
                                       QString::fromUtf8("Hotel Zlatá Hvězda - osvětlení"));
                             EXPECT_FALSE(card.edtDatumPlanZahajeni->IsEmpty());
                             {
                                 TScriptedDialogs dialogs;
                                 dialogs.ExpectError(QString::fromUtf8(kOrderNoCode));
                                 card.btnOK->click();
                             }
                             {
                                 TScriptedDialogs dialogs;
                                 dialogs.ExpectError(QString::fromUtf8(kOrderCodeTaken).arg("HOTEL-ZH"));
                                 QTest::keyClicks(card.edtZkratka, "hotel-zh");
                                 card.btnOK->click();
                             }
                             card.edtZkratka->clear();
                             QTest::keyClicks(card.edtZkratka, " hotel-2 ");
                             card.btnOK->click();
                         }));
    EXPECT_EQ(Count("Zakazka"), before + 1);
    EXPECT_EQ(copy.Zkratka, "HOTEL-2");
    TZakazka stored;
    ASSERT_TRUE(stored.Load(IdOf("HOTEL-2")));
    EXPECT_EQ(stored.Nazev, QString::fromUtf8("Hotel Zlatá Hvězda - osvětlení"));
}

TEST_F(ZakazkaTest, TheUsersLevelDecidesWhatTheListAndTheCardAllow) {
    const int id = IdOf("SKLAD-2026");
    const QString noRights = QString::fromUtf8(kAccessDeniedText);

    // Level 3: nothing opens.
    CurrentUser.Zakazky_AR = TAccessLevel::NoAccess;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(noRights).ExpectInformation(noRights);
        TZakazkaList list;
        EXPECT_FALSE(list.ShowDialog());
        TZakazka order;
        EXPECT_FALSE(order.Add());
    }

    // Level 2: the card is for viewing; adding and copying are refused.
    CurrentUser.Zakazky_AR = TAccessLevel::ReadOnly;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(noRights).ExpectInformation(noRights);
        TZakazka added;
        EXPECT_FALSE(added.Add());
        TZakazka copied;
        EXPECT_FALSE(copied.Copy(id));
        dialogs.Verify();
        dialogs.ExpectInformation("");
        TZakazka viewed;
        bool okShown = true;
        QString caption;
        EXPECT_FALSE(WithCard([&] { return viewed.Edit(id); },
                              [&](TfrmZakazka& card) {
                                  okShown = card.btnOK->isVisible() || card.btnOK->isEnabled();
                                  caption = card.windowTitle();
                                  card.btnStorno->click();
                              }));
        EXPECT_TRUE(viewed.ReadOnly);
        EXPECT_FALSE(okShown);
        EXPECT_EQ(caption, QString::fromUtf8(kOrderCardCaption) + QString::fromUtf8(kOrderViewSuffix));
    }

    // Level 1: everything but deleting.
    CurrentUser.Zakazky_AR = TAccessLevel::NoDelete;
    TZakazkaList list;
    list.SelectedZkratka = "SKLAD-2026";
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmZakazkaList*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(list.Query().FieldByName("ID")->AsInteger(), id);
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(noRights);
        window->btnVyjmout->click();
        window->btnStorno->click();
    });
    EXPECT_FALSE(list.ShowDialog());
    EXPECT_EQ(Count("Zakazka", "ID = " + QString::number(id)), 1);
}

TEST_F(ZakazkaTest, TheListAddsAndDeletesOrdersWhileOffersKeepTheirCode) {
    ASSERT_EQ(Count("Nabidky", "Zakazka = 'BYT-VINOH'"), 1);
    TZakazkaList list;
    list.SelectedZkratka = "ZRUSENA";  // no such order: the list stays on its first row
    OnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmZakazkaList*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(list.Query().RecNo(), 1);
        OnNextModal([](QWidget* card) {
            auto* order = qobject_cast<TfrmZakazka*>(card);
            QTest::keyClicks(order->edtZkratka, "skola");
            order->edtNazev->setText(QString::fromUtf8("ZŠ Komenského - tělocvična"));
            order->btnOK->click();
        });
        window->btnPridat->click();
        EXPECT_EQ(list.Query().FieldByName("Zkratka")->AsString(), "SKOLA");

        ASSERT_TRUE(list.Query().Locate("Zkratka", "BYT-VINOH"));
        TScriptedDialogs dialogs;
        dialogs.ExpectQuestion(QString::fromUtf8(kConfirmRecordDelete), true);
        window->btnVyjmout->click();
        EXPECT_FALSE(list.Query().Locate("Zkratka", "BYT-VINOH"));
        EXPECT_NE(list.Query().FieldByName("ID")->AsInteger(), 0);
        window->btnOK->click();
    });
    EXPECT_TRUE(list.ShowDialog());
    EXPECT_FALSE(list.SelectedZkratka.isEmpty());
    EXPECT_EQ(Count("Zakazka", "Zkratka = 'BYT-VINOH'"), 0);
    EXPECT_EQ(Count("Nabidky", "Zakazka = 'BYT-VINOH'"), 1);
}
