// The import from the accounting program as a user reaches it: Ostatní › "Import dat", the
// demonstration firm's accounting definition, the page before the run and the protocol. Once
// through a fake accounting server, once with this computer's own (absent) one.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>

#include "common/ScriptedDialogs.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "import/ImportMain.h"
#include "import/MoneyFixture.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/Nabidky.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "pricelist/PriceListFixture.h"
#include "widgets/SchemeButton.h"

namespace {

class AccountingImportTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        lastDefinition_ = LastImportDefinitionID;
        WorkingCancelled = false;
        money_ = std::make_unique<TMoneyData>(Folder() + "money");
        // The demonstration definition, pointed at this computer's copy of the accounting data.
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL("UPDATE Import SET Nastaveni = :Nastaveni WHERE TypOperace = 10");
        q.Parameters().ParamByName("Nastaveni")->Value =
            "YearPath=" + money_->year + "\r\nAgendaPath=" + money_->agenda + "\r\nImportPC=-1\r\nDruhDokl=N";
        q.ExecSQL();
    }
    void TearDown() override {
        LastImportDefinitionID = lastDefinition_;
        WorkingCancelled = false;
        ProgramFixture::TearDown();
    }
    QVariant Value(const QString& sql) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL(sql);
        q.Open();
        return q.IsEmpty() ? QVariant() : q.Fields()[0]->Value();
    }

    struct TRunSeen {
        QStringList protocol;
        bool errorShown = false;
        bool closeShown = false;
        QString moneyPage;
    };
    // Ostatní › "Import dat" → the accounting definition → its page → the run → Zavřít.
    TRunSeen RunFromTheMenu() {
        TRunSeen seen;
        TModalDriver driver;
        driver.On("frmImportMain", [&](QWidget* window) {
            auto* w = qobject_cast<TfrmImportMain*>(window);
            ASSERT_NE(w, nullptr);
            w->btnDalsi->click();
            ASSERT_TRUE(w->adqImportDef.Locate("TypOperace", 10));
            w->btnDalsi->click();
            ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsMoneyBeforeStart);
            for (QLabel* label : w->pgcMain->currentWidget()->findChildren<QLabel*>())
                seen.moneyPage += label->text();
            w->btnDalsi->click();
            ASSERT_EQ(w->pgcMain->currentIndex(), TfrmImportMain::tsProtocol);
            EXPECT_TRUE(w->btnDalsi->isHidden());
            EXPECT_TRUE(w->btnZpet->isHidden());
            seen.protocol = w->reProtocol->toPlainText().split('\n');
            seen.errorShown = !w->lblImportError->isHidden();
            seen.closeShown = !w->btnZavrit->isHidden();
            w->btnZavrit->click();
        });
        EXPECT_TRUE(main_->PopMainBtn->actions().contains(main_->Importdat1));
        main_->Importdat1->trigger();
        return seen;
    }

    std::unique_ptr<TMoneyData> money_;
    int lastDefinition_ = 1;
};

}  // namespace

TEST_F(AccountingImportTest, OrdersOfTheAccountingProgramBecomeOffersOnceThroughTheWizard) {
    auto installed = money_->server.Install();
    money_->Add({1, "OBJ-2026-014"});
    money_->Add({1, 1, QString::fromUtf8("Kabel CYKY-J 3x2,5"), 32.9, 50, 0, 0, 21, 101});
    money_->Add({1, 2, QString::fromUtf8("Zásuvka 230 V bílá"), 96.8, 12, 4});
    money_->Add({2, "OBJ-2026-015", "N", 1});
    money_->AddCard(1, 101, 21.4);
    const int offers = Value("SELECT COUNT(*) FROM Nabidky").toInt();

    TScriptedDialogs dialogs;
    const TRunSeen first = RunFromTheMenu();
    dialogs.Verify();
    EXPECT_TRUE(first.moneyPage.contains(QString::fromUtf8("Důležité upozornění:")));
    EXPECT_FALSE(first.errorShown);
    EXPECT_TRUE(first.closeShown);
    ASSERT_GE(first.protocol.size(), 6);
    EXPECT_TRUE(first.protocol.front().startsWith(QString::fromUtf8(kMoneyRunStart)));
    EXPECT_TRUE(first.protocol.contains(QString::fromUtf8(kMoneyImported) + "1"));
    EXPECT_TRUE(first.protocol[first.protocol.size() - 3].startsWith(QString::fromUtf8(kMoneyRunDone)));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Nabidky").toInt(), offers + 1);
    const int id = Value("SELECT ID FROM Nabidky WHERE Doklad = 'OBJ-2026-014'").toInt();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM NabPolozky WHERE CisloNab = " + QString::number(id)).toInt(), 2);
    EXPECT_NEAR(Value("SELECT CelkemNC FROM Nabidky WHERE ID = " + QString::number(id)).toDouble(), 1070,
                1e-9);
    EXPECT_TRUE(money_->server.StillOpen().isEmpty());

    // The imported offer is an offer like any other: it opens from the list on its card.
    QString cardNumber, cardText;
    int cardItems = -1;
    TModalDriver driver;
    driver
        .On("frmNabidky",
            [&](QWidget* w) {
                auto* list = qobject_cast<TfrmNabidky*>(w);
                ASSERT_NE(list, nullptr);
                ASSERT_TRUE(list->List().Locate("Doklad", "OBJ-2026-014"));
                list->btnOpravit->click();
                list->btnStorno->click();
            })
        .On("frmNabidkaKart", [&](QWidget* w) {
            auto* card = qobject_cast<TfrmNabidkaKart*>(w);
            ASSERT_NE(card, nullptr);
            cardNumber = card->edtCisloDokl->text();
            cardText = card->reTextPred->toPlainText();
            cardItems = OfferCardData().mtTmpPolozky.RecordCount();
            card->btnStorno->click();
        });
    main_->btnNabidky->click();
    dialogs.Verify();
    EXPECT_EQ(cardNumber, "OBJ-2026-014");
    EXPECT_EQ(cardText, QString::fromUtf8("Objednáváme u Vás:\nkabely a jističe"));
    EXPECT_EQ(cardItems, 2);

    // A second run brings nothing new.
    const TRunSeen second = RunFromTheMenu();
    EXPECT_FALSE(second.errorShown);
    EXPECT_TRUE(second.protocol.contains(QString::fromUtf8(kMoneyImported) + "0"));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Nabidky").toInt(), offers + 1);
}

TEST_F(AccountingImportTest, WithoutTheAccountingServerTheUserIsToldWhyNothingWasImported) {
    const int offers = Value("SELECT COUNT(*) FROM Nabidky").toInt();
    TScriptedDialogs dialogs;
    const TRunSeen seen = RunFromTheMenu();
    dialogs.Verify();
    EXPECT_TRUE(seen.errorShown);
    EXPECT_TRUE(seen.closeShown);
    EXPECT_EQ(seen.protocol.last(), QString::fromUtf8(kMoneyNoServer));
    EXPECT_EQ(seen.protocol[seen.protocol.size() - 2],
              QString::fromUtf8(kMoneyOpenFailed) + money_->Headers() + ".dat");
    EXPECT_FALSE(seen.protocol.join('\n').contains(QString::fromUtf8(kMoneyRunDone)));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Nabidky").toInt(), offers);
}
