// The offer card's stored texts, templates and orders, driven from the main window: the free-text
// list behind the text pages, the template list behind "Šablony" and the settings dialog, and the
// order list and card behind the order field. What the user chose reaches the saved offer.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <memory>

#include "common/ScriptedDialogs.h"
#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "offers/NadpisovaPol.h"
#include "offers/Sablony.h"
#include "offers/SablonyDetail.h"
#include "offers/VolnyText.h"
#include "offers/VolnyTextList.h"
#include "offers/Zakazka.h"
#include "offers/ZakazkaList.h"
#include "platform/data/Field.h"
#include "platform/db/Rowset.h"
#include "platform/ui/DateEdit.h"
#include "widgets/SchemeButton.h"

namespace {

// The window of the type, once it is the one in front.
template <class TWindow>
void OnWindow(std::function<void(TWindow*)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handle, attempts] {
        auto* window = qobject_cast<TWindow*>(QApplication::activeModalWidget());
        if (!window && ++*attempts < 500) return;
        timer->stop();
        timer->deleteLater();
        handle(window);
        if (window && window->isVisible()) {
            ADD_FAILURE() << "The handler left the window open";
            AskOnLeavingOffer = false;
            window->close();
        }
    });
    timer->start();
}

// The plain text of a stored rich text.
QString PlainOf(const QString& stored) {
    QTextEdit edit;
    LoadRichText(stored, &edit);
    return edit.toPlainText();
}

class OfferTextsAndOrdersTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
    }
    void TearDown() override {
        CurrentUser.Zakazky_AR = TAccessLevel::Full;
        ProgramFixture::TearDown();
    }

    // Opens the offer from the main window's offer list; the script plays the user on its card and
    // must close it.
    void OnOffer(const QString& number, const std::function<void(TfrmNabidkaKart*)>& script) {
        OnWindow<TfrmNabidky>([&](TfrmNabidky* list) {
            ASSERT_NE(list, nullptr);
            ASSERT_TRUE(list->List().Locate("Doklad", number));
            OnWindow<TfrmNabidkaKart>([&](TfrmNabidkaKart* card) {
                ASSERT_NE(card, nullptr);
                script(card);
            });
            list->btnOpravit->click();
            list->btnStorno->click();
        });
        main_->btnNabidky->click();
    }

    QVariant Stored(const QString& column, const QString& number) {
        return main_->ADOConAgenda
            .OpenRowset(QString("SELECT %1 FROM Nabidky WHERE Doklad = '%2'").arg(column, number))
            ->Value(0, 0);
    }

    // The page action or button with the caption, beside the edit.
    template <class T>
    static T* Tool(QWidget* edit, const char* caption) {
        for (T* candidate : edit->parentWidget()->findChildren<T*>())
            if (candidate->text() == QString::fromUtf8(caption)) return candidate;
        return nullptr;
    }
    static QAction* PageAction(QWidget* edit, const char* caption) {
        for (QAction* action : edit->parentWidget()->actions())
            if (action->text() == QString::fromUtf8(caption)) return action;
        return nullptr;
    }
};

}  // namespace

TEST_F(OfferTextsAndOrdersTest, FreeTextsGoIntoTheTextPagesAndTheNoteOfAnOffer) {
    OnOffer("NB00001", [&](TfrmNabidkaKart* card) {
        // "Vybrat text z databáze" on the text after the items: the warranty replaces the text.
        OnWindow<TfrmVolnyTextList>([](TfrmVolnyTextList* list) {
            ASSERT_NE(list, nullptr);
            ASSERT_TRUE(list->btnOK->isEnabled());
            ASSERT_TRUE(list->dsList.DataSet()->Locate("Nazev", QString::fromUtf8("Záruční podmínky")));
            list->btnOK->click();
        });
        QAction* replace = PageAction(card->reTextZa, "Vybrat text z databáze");
        ASSERT_NE(replace, nullptr);
        replace->trigger();
        EXPECT_TRUE(card->reTextZa->toPlainText().startsWith(QString::fromUtf8("Záruka")));

        // "Připojit text z databáze na konec" on the note: a new text is added in the list, picked,
        // and appended as plain text; its card warns that the note takes no formatting.
        card->memPoznamka->setPlainText(QString::fromUtf8("Termín dle dohody."));
        bool warned = false;
        OnWindow<TfrmVolnyTextList>([&](TfrmVolnyTextList* list) {
            ASSERT_NE(list, nullptr);
            OnWindow<TfrmVolnyText>([&](TfrmVolnyText* text) {
                ASSERT_NE(text, nullptr);
                warned = text->panNoRTFInfo->isVisible();
                text->edtNazev->setText(QString::fromUtf8("Parkování"));
                text->reText->setPlainText(QString::fromUtf8("Parkování zajistí objednatel."));
                text->btnOK->click();
            });
            list->btnPridat->click();
            list->btnOK->click();
        });
        QPushButton* append = Tool<QPushButton>(card->memPoznamka, "Připojit text z databáze na konec");
        ASSERT_NE(append, nullptr);
        append->click();
        EXPECT_TRUE(warned);
        EXPECT_EQ(card->memPoznamka->toPlainText(),
                  QString::fromUtf8("Termín dle dohody.\nParkování zajistí objednatel."));

        // A text item takes a stored text's name as its title and its plain text as its text.
        const int items = OfferCardData().mtTmpPolozky.RecordCount();
        OnWindow<TfrmNadpisovaPol>([](TfrmNadpisovaPol* item) {
            ASSERT_NE(item, nullptr);
            OnWindow<TfrmVolnyTextList>([](TfrmVolnyTextList* list) {
                ASSERT_NE(list, nullptr);
                ASSERT_TRUE(list->dsList.DataSet()->Locate("Nazev", QString::fromUtf8("Platební podmínky")));
                list->btnOK->click();
            });
            item->btnVolneTexty->click();
            EXPECT_EQ(item->edtNadpis->text(), QString::fromUtf8("Platební podmínky"));
            EXPECT_TRUE(item->memPoznamka->toPlainText().startsWith(
                QString::fromUtf8("Platební podmínky\nZálohu 30 %")));
            item->btnOK->click();
        });
        card->btnPridatText->click();
        EXPECT_EQ(OfferCardData().mtTmpPolozky.RecordCount(), items + 1);
        card->btnOK->click();
    });
    EXPECT_TRUE(
        PlainOf(Stored("TextZa", "NB00001").toString()).contains(QString::fromUtf8("záruku 36 měsíců")));
    EXPECT_TRUE(Stored("Poznamka", "NB00001")
                    .toString()
                    .endsWith(QString::fromUtf8("Parkování zajistí objednatel.")));
    const auto textItems = main_->ADOConAgenda.OpenRowset(QString::fromUtf8(
        "SELECT COUNT(*) FROM NabPolozky WHERE Textova = True AND Popis = 'Platební podmínky'"));
    EXPECT_EQ(textItems->Value(0, 0).toInt(), 1);
}

TEST_F(OfferTextsAndOrdersTest, ATemplateChosenOnTheCardOverwritesTheTextsAfterOneQuestion) {
    QString issued;
    OnOffer("NB00002", [&](TfrmNabidkaKart* card) {
        ASSERT_FALSE(card->reTextPred->toPlainText().isEmpty());
        auto pick = [](const char* code) {
            OnWindow<TfrmSablony>([code](TfrmSablony* list) {
                ASSERT_NE(list, nullptr);
                ASSERT_TRUE(frmMain->adqNabSablony.Locate("Zkratka", code));
                list->btnOK->click();
            });
        };
        // Declined: nothing changes, and the question is not asked again in this opening.
        pick("ELEKTRO");
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(QString::fromUtf8(kConfirmTemplateOverwrite), false);
            card->btnVyberSablony->click();
        }
        EXPECT_EQ(card->edtNadpis->text(), QString::fromUtf8(kDefaultOfferHeading));
        EXPECT_FALSE(frmMain->adqNabSablony.Active());

        pick("ELEKTRO");
        card->btnVyberSablony->click();
        EXPECT_EQ(card->edtNadpis->text(), QString::fromUtf8("Nabídka elektroinstalace"));
        EXPECT_TRUE(
            card->reTextPred->toPlainText().startsWith(QString::fromUtf8("Na základě Vaší poptávky")));
        EXPECT_TRUE(card->reTextZa->toPlainText().contains(QString::fromUtf8("dopravy a montáže")));
        EXPECT_EQ(card->edtDatPlatnost->Date(), card->edtDatVystaveni->Date() + 30);
        issued = card->edtDatVystaveni->text();
        card->btnOK->click();
    });
    EXPECT_FALSE(issued.isEmpty());
    EXPECT_EQ(Stored("Nadpis", "NB00002").toString(), QString::fromUtf8("Nabídka elektroinstalace"));
    EXPECT_DOUBLE_EQ(Stored("DatPlatnosti", "NB00002").toDouble(),
                     Stored("DatVystaveni", "NB00002").toDouble() + 30);
}

TEST_F(OfferTextsAndOrdersTest, TheSettingsPickANewTemplateThatEveryNewOfferThenGets) {
    OnWindow<TfrmNastaveni>([](TfrmNastaveni* settings) {
        ASSERT_NE(settings, nullptr);
        settings->chckSablona->setChecked(true);
        OnWindow<TfrmSablony>([](TfrmSablony* list) {
            ASSERT_NE(list, nullptr);
            OnWindow<TfrmSablonyDetail>([](TfrmSablonyDetail* card) {
                ASSERT_NE(card, nullptr);
                QTest::keyClicks(card->edtZkratka, "servis");
                card->edtNazev->setText(QString::fromUtf8("Servisní zásah"));
                card->edtNadpis->setText(QString::fromUtf8("Nabídka servisu"));
                card->chckAutoPlatnostDo->setChecked(true);
                card->btnOK->click();
            });
            list->btnPridat->click();
            list->btnOK->click();
        });
        settings->btnSablona->click();
        EXPECT_EQ(settings->edSablona->text(), "SERVIS");
        settings->btnOK->click();
    });
    main_->Nastaveniprogramu1->trigger();
    EXPECT_EQ(NewOfferTemplate, "SERVIS");

    QString heading;
    OnWindow<TfrmNabidky>([&](TfrmNabidky* list) {
        ASSERT_NE(list, nullptr);
        OnWindow<TfrmNabidkaKart>([&](TfrmNabidkaKart* card) {
            ASSERT_NE(card, nullptr);
            heading = card->edtNadpis->text();
            AskOnLeavingOffer = false;
            card->btnStorno->click();
        });
        list->btnPridat->click();
        list->btnStorno->click();
    });
    main_->btnNabidky->click();
    AskOnLeavingOffer = true;
    EXPECT_EQ(heading, QString::fromUtf8("Nabídka servisu"));
}

TEST_F(OfferTextsAndOrdersTest, AnOrderIsAddedFromTheOfferCardPickedAndOpenedAgainFromIt) {
    OnOffer("NB00003", [&](TfrmNabidkaKart* card) {
        EXPECT_EQ(card->edtZakazka->text(), "");
        OnWindow<TfrmZakazkaList>([](TfrmZakazkaList* list) {
            ASSERT_NE(list, nullptr);
            OnWindow<TfrmZakazka>([](TfrmZakazka* order) {
                ASSERT_NE(order, nullptr);
                QTest::keyClicks(order->edtZkratka, " skola ");
                order->edtNazev->setText(QString::fromUtf8("ZŠ Komenského - tělocvična"));
                order->edtDatumPlanZahajeni->SetDate(DateTimeToOle(QDate(2027, 7, 1)));
                order->btnOK->click();
            });
            list->btnPridat->click();
            list->btnOK->click();
        });
        card->btnVyberZakazky->click();
        EXPECT_EQ(card->edtZakazka->text(), "SKOLA");

        // The order's card from the offer: the name changes, the code stays.
        OnWindow<TfrmZakazka>([](TfrmZakazka* order) {
            ASSERT_NE(order, nullptr);
            EXPECT_FALSE(order->edtZkratka->isEnabled());
            order->edtNazev->setText(QString::fromUtf8("ZŠ Komenského - tělocvična a šatny"));
            order->btnOK->click();
        });
        card->btnDetailZakazky->click();
        EXPECT_EQ(card->edtZakazka->text(), "SKOLA");
        card->btnOK->click();
    });
    EXPECT_EQ(Stored("Zakazka", "NB00003").toString(), "SKOLA");
    EXPECT_EQ(
        main_->ADOConAgenda.OpenRowset("SELECT Nazev FROM Zakazka WHERE Zkratka = 'SKOLA'")->Value(0, 0),
        QString::fromUtf8("ZŠ Komenského - tělocvična a šatny"));

    // Deleted by another station meanwhile: the detail says so and the field keeps its code; a user
    // who may only read gets the order's card for viewing.
    main_->ADOConAgenda.Execute("DELETE FROM Zakazka WHERE Zkratka = 'SKOLA'");
    CurrentUser.Zakazky_AR = TAccessLevel::ReadOnly;
    OnOffer("NB00003", [&](TfrmNabidkaKart* card) {
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectError(QString::fromUtf8(kOrderGone));
            card->btnDetailZakazky->click();
        }
        EXPECT_EQ(card->edtZakazka->text(), "SKOLA");
        card->edtZakazka->setText("HOTEL-ZH");
        QString caption;
        bool okShown = true;
        OnWindow<TfrmZakazka>([&](TfrmZakazka* order) {
            ASSERT_NE(order, nullptr);
            caption = order->windowTitle();
            okShown = order->btnOK->isVisible();
            order->btnStorno->click();
        });
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectInformation("");
            card->btnDetailZakazky->click();
        }
        EXPECT_TRUE(caption.endsWith(QString::fromUtf8(kOrderViewSuffix)));
        EXPECT_FALSE(okShown);
        AskOnLeavingOffer = false;
        card->btnStorno->click();
        AskOnLeavingOffer = true;
    });
}
