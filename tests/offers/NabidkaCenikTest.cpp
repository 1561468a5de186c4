// Repricing the offer's items from the price list: every way the card reprices, with the wanted
// level at every place among an item's levels (the base first, the group's levels after it).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "common/ScriptedDialogs.h"
#include "core/Informace.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/PolozkaNab.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "pricelist/PriceListFixture.h"
#include "pricelist/PriceListUi.h"

namespace {

// A price the repricing never gives, so an item it passed over shows.
constexpr double kUntouched = 1;

// The three items of the offer and the sale price without VAT each gets at a level; kUntouched
// where its price group has no such level. Material has the base, VIP, VO and AKCE (a fixed price),
// work the base and VIP, and the transport item no group, so only its base.
struct TLevelCase {
    const char* level;
    double material;   // ZAS1B
    double work;       // M-ZAS
    double transport;  // DOPRAVA
};
const TLevelCase kLevelCases[] = {
    {"", 89, 180, 450},
    {"VIP", 85, 171, kUntouched},
    {"VO", 82, kUntouched, kUntouched},
    {"AKCE", 79, kUntouched, kUntouched},
};
const char* const kCodes[] = {"ZAS1B", "M-ZAS", "DOPRAVA"};

enum class TPath { Choose, Clear, FromAddress, PickCustomer, SetLevelMenu, UpdatePricesMenu };
struct TPathCase {
    TPath path;
    const char* name;
    bool takesBase;   // the path can bring the base price (no level)
    bool takesLevel;  // the path can bring a level
};
const TPathCase kPaths[] = {
    {TPath::Choose, "level chosen", false, true},
    {TPath::Clear, "level cleared", true, false},
    {TPath::FromAddress, "z adresy", true, true},
    {TPath::PickCustomer, "customer picked", true, true},
    {TPath::SetLevelMenu, "menu: set the level", true, true},
    {TPath::UpdatePricesMenu, "menu: update all prices", true, true},
};

class NabidkaCenikTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        savedAsk_ = AskOnLeavingOffer;
        AskOnLeavingOffer = false;
        ExecAgenda("UPDATE Zasoby SET CenSkupina = '' WHERE Katalog = 'DOPRAVA'");
        customer_ = main_->ADOConAgenda.OpenRowset("SELECT MIN(ID) FROM Adresar")->Value(0, 0).toInt();
    }
    void TearDown() override {
        AskOnLeavingOffer = savedAsk_;
        main_->adqZasoby.Close();
        ProgramFixture::TearDown();
    }

    static TOfferDocument& Doc() { return OfferCardData(); }
    static TMemTable& Items() { return Doc().mtTmpPolozky; }

    // A fresh offer with the three items at their base prices.
    void NewOfferWithItems() {
        Doc().Reset();
        TScriptedDialogs dialogs;
        for (const char* code : kCodes) {
            TADOQuery& q = main_->adqZasoby;
            q.Close();
            q.SetSQL("SELECT * FROM Zasoby WHERE Katalog = :K");
            q.Parameters().ParamByName("K")->Value = QString::fromUtf8(code);
            q.Open();
            ASSERT_FALSE(q.IsEmpty()) << code;
            ASSERT_EQ(EditOfferItem(true, true, false, false, 0), 0);
        }
        main_->adqZasoby.Close();
    }

    // Puts a price on every item that no repricing gives, and the level code each item keeps.
    static void MarkUntouched(const QString& itemLevel) {
        for (Items().First(); !Items().Eof(); Items().Next()) {
            Items().Edit();
            Items().FieldByName("ProdCena")->SetAsFloat(kUntouched);
            Items().FieldByName("CenHladina")->SetAsString(itemLevel);
            Items().Post();
        }
        Items().First();
    }

    static double PriceOf(const char* code) {
        EXPECT_TRUE(Items().Locate("Katalog", QString::fromUtf8(code))) << code;
        return Items().FieldByName("ProdCena")->AsFloat();
    }

    // Prepares the document for the path, shows the card and takes the path to the level.
    void Reprice(TPath path, const QString& level) {
        Doc().Header.CenHladAdr = false;
        Doc().OfferPriceLevel.clear();
        Doc().CustomerPriceLevel.clear();
        MarkUntouched(path == TPath::UpdatePricesMenu ? level : QStringLiteral("X"));
        TScriptedDialogs dialogs;
        TModalDriver driver;
        const bool someMissing = !level.isEmpty();
        std::function<void(TfrmNabidkaKart&)> act;
        // The windows the path opens over the card, in their order.
        std::function<void()> windows = [] {};
        switch (path) {
            case TPath::Choose:
                windows = [&driver, level] {
                    driver.On("frmCenHlad", [level](QWidget* w) {
                        ASSERT_TRUE(frmMain->adqCenHlad.Locate("Zkratka", level));
                        TModalDriver::Click(w, "btnOK");
                    });
                };
                dialogs.ExpectQuestion(QString::fromUtf8(kLevelLineSet) + "\"" + level + "\"", true);
                act = [](TfrmNabidkaKart& card) { card.btnVyberCenHlad->click(); };
                break;
            case TPath::Clear:
                Doc().OfferPriceLevel = "VIP";
                dialogs.ExpectQuestion(QString::fromUtf8(kClearLevelQuestion), true);
                act = [](TfrmNabidkaKart& card) { card.btnZrusCenHlad->click(); };
                break;
            case TPath::FromAddress:
                // The shown level must change for the question to come.
                Doc().OfferPriceLevel = level.isEmpty() ? QStringLiteral("VIP") : QString();
                Doc().CustomerPriceLevel = level;
                dialogs.ExpectQuestion(QString::fromUtf8(kLevelQuestionHead), true);
                act = [](TfrmNabidkaKart& card) { card.chckCHzadresy->click(); };
                break;
            case TPath::PickCustomer:
                Doc().Header.CenHladAdr = true;
                ExecAgenda("UPDATE Adresar SET CenHladina = :L, Zprava = '' WHERE ID = :ID",
                           {{"L", level}, {"ID", customer_}});
                windows = [&driver, this] {
                    driver.On("frmAdresar", [this](QWidget* w) {
                        ASSERT_TRUE(frmMain->adqAdresar.Locate("ID", customer_));
                        TModalDriver::Click(w, "btnAdrOk");
                    });
                };
                dialogs.ExpectQuestion(QString::fromUtf8(kAddressLevelQuestionHead), true);
                act = [](TfrmNabidkaKart& card) { card.btnVyberAdresu->click(); };
                break;
            case TPath::SetLevelMenu:
                Doc().OfferPriceLevel = level;
                dialogs.ExpectQuestion(QString::fromUtf8(kSetLevelQuestionHead), true);
                act = [](TfrmNabidkaKart& card) { card.acNastavitHladinuClick(); };
                break;
            case TPath::UpdatePricesMenu:
                dialogs.ExpectQuestion(QString::fromUtf8(kUpdatePricesQuestionHead), true);
                act = [](TfrmNabidkaKart& card) { card.acAktualizovatCenyClick(); };
                break;
        }
        TfrmNabidkaKart* card = TfrmNabidkaKart::Instance();
        driver.On("frmNabidkaKart", [&](QWidget*) {
            act(*card);
            card->btnStorno->click();
        });
        windows();
        // What the items' groups lack is listed after the run.
        if (someMissing) driver.Press("frmInformace", "btnOK");
        card->ShowOffer(Doc());
        dialogs.Verify();
    }

    bool savedAsk_ = true;
    int customer_ = 0;
};

}  // namespace

TEST_F(NabidkaCenikTest, EveryRepricingPathFindsTheWantedLevelWhereverItStandsAmongTheItemsLevels) {
    for (const TPathCase& p : kPaths) {
        for (const TLevelCase& c : kLevelCases) {
            const bool base = QString::fromUtf8(c.level).isEmpty();
            if (base ? !p.takesBase : !p.takesLevel) continue;
            SCOPED_TRACE(std::string(p.name) + ", level \"" + c.level + "\"");
            NewOfferWithItems();
            Reprice(p.path, QString::fromUtf8(c.level));
            EXPECT_DOUBLE_EQ(PriceOf("ZAS1B"), c.material);
            EXPECT_DOUBLE_EQ(PriceOf("M-ZAS"), c.work);
            EXPECT_DOUBLE_EQ(PriceOf("DOPRAVA"), c.transport);
            // A repriced item carries the level it was priced at.
            for (const char* code : kCodes) {
                if (PriceOf(code) != kUntouched) {
                    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), QString::fromUtf8(c.level))
                        << code;
                }
            }
        }
    }
}
