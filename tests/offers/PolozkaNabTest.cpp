#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <optional>
#include <vector>

#include "core/Nastaveni.h"
#include "offers/NabidkaSoucty.h"
#include "offers/OfferFixture.h"
#include "offers/PolozkaNab.h"
#include "offers/UpravaCeny.h"
#include "platform/shell/Calculator.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/ModalHelper.h"

namespace {

enum class TOp { Typed, MarginTyped, RabatTyped };

struct TCalcCase {
    const char* name;
    int zaok;
    bool withVat;
    double rate, purchase, price, discount, quantity, margin, rabat;
    TOp op;
    std::vector<std::pair<TItemValue, double>> expected;
};

using V = TItemValue;

}  // namespace

TEST(PolozkaNabCalc, CalculatorsAtEveryRounding) {
    const TCalcCase kCases[] = {
        {"121 with VAT, four decimals",
         0,
         true,
         21,
         0,
         121,
         0,
         1,
         0,
         0,
         TOp::Typed,
         {{V::PCBDPHMJ, 99.9944},
          {V::VyseDPHMJ, 21.0056},
          {V::PCBDPHPOL, 99.99},
          {V::PCSDPHPOL, 121},
          {V::VyseDPHPol, 21.01},
          {V::Marze, 0},
          {V::Rabat, 100},
          {V::ZiskPol, 99.99}}},
        {"121 with VAT, whole crowns",
         1,
         true,
         21,
         0,
         121,
         0,
         1,
         0,
         0,
         TOp::Typed,
         {{V::PCBDPHMJ, 100},
          {V::VyseDPHMJ, 21},
          {V::PCBDPHPOL, 100},
          {V::PCSDPHPOL, 121},
          {V::VyseDPHPol, 21}}},
        {"margin typed",
         0,
         false,
         21,
         80,
         0,
         0,
         1,
         25,
         0,
         TOp::MarginTyped,
         {{V::ProdCena, 100}, {V::Rabat, 20}, {V::PCSDPHPOL, 121}, {V::ZiskPol, 20}}},
        {"rabat typed",
         0,
         false,
         21,
         80,
         0,
         0,
         1,
         0,
         20,
         TOp::RabatTyped,
         {{V::ProdCena, 100}, {V::Marze, 25}}},
        {"rabat of the whole price", 0, false, 21, 80, 50, 0, 1, 0, 100, TOp::RabatTyped, {{V::ProdCena, 0}}},
        {"whole discount",
         0,
         false,
         21,
         30,
         100,
         100,
         2,
         0,
         0,
         TOp::Typed,
         {{V::ProdCenaPo, 0}, {V::ZiskPol, -60}, {V::PCSDPHPOL, 0}}},
        {"three thirds", 0, false, 21, 0, 33.3333, 0, 3, 0, 0, TOp::Typed, {{V::PCBDPHPOL, 100}}},
        {"tenths with VAT",
         2,
         true,
         15,
         10,
         100,
         5,
         1,
         0,
         0,
         TOp::Typed,
         {{V::ProdCenaPo, 95}, {V::PCBDPHMJ, 82.6}, {V::VyseDPHMJ, 12.4}, {V::Marze, 770}}},
        {"held fraction .46 rounds up in crowns",
         1,
         false,
         21,
         0,
         10.46,
         0,
         1,
         0,
         0,
         TOp::Typed,
         {{V::ProdCenaPo, 11}}},
        {"held fraction .44 rounds down in crowns",
         1,
         false,
         21,
         0,
         10.44,
         0,
         1,
         0,
         0,
         TOp::Typed,
         {{V::ProdCenaPo, 10}}},
        {"held fraction .46 of a tenth",
         2,
         false,
         21,
         0,
         10.046,
         0,
         1,
         0,
         0,
         TOp::Typed,
         {{V::ProdCenaPo, 10.1}}},
        {"held fraction .44 of a tenth",
         2,
         false,
         21,
         0,
         10.044,
         0,
         1,
         0,
         0,
         TOp::Typed,
         {{V::ProdCenaPo, 10}}},
    };
    for (const TCalcCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TOfferItemCalc calc;
        calc.VatRates = {VatRateText(0), VatRateText(c.rate)};
        calc.VatIndex = 1;
        calc.Zaok = c.zaok;
        calc.WithVat = c.withVat;
        calc.Set(V::NakCena, c.purchase);
        calc.Set(V::ProdCena, c.price);
        calc.Set(V::Sleva, c.discount);
        calc.Set(V::PocetMJ, c.quantity);
        calc.Set(V::Marze, c.margin);
        calc.Set(V::Rabat, c.rabat);
        switch (c.op) {
            case TOp::Typed:
                calc.RecalcMargin(false);
                calc.RecalcRabat(false);
                break;
            case TOp::MarginTyped:
                calc.RecalcMargin(true);
                calc.RecalcRabat(false);
                break;
            case TOp::RabatTyped:
                calc.RecalcRabat(true);
                calc.RecalcMargin(false);
                break;
        }
        calc.RecalcDiscount();
        for (const auto& [which, value] : c.expected) {
            SCOPED_TRACE(static_cast<int>(which));
            EXPECT_NEAR(static_cast<double>(calc.Get(which)), value, 1e-9);
        }
    }
}

TEST(PolozkaNabCalc, ValuesAreHeldAtTheirFieldsPrecision) {
    TOfferItemCalc calc;
    calc.Set(V::Marze, 23.076923);
    calc.Set(V::ProdCena, 1.23456);
    calc.Set(V::PocetMJ, 0);
    EXPECT_NEAR(static_cast<double>(calc.Get(V::Marze)), 23.08, 1e-12);
    EXPECT_NEAR(static_cast<double>(calc.Get(V::ProdCena)), 1.2346, 1e-12);
    // The quantity field does not go below its minimum.
    EXPECT_NEAR(static_cast<double>(calc.Get(V::PocetMJ)), 0.0001, 1e-12);
}

class PolozkaNabTest : public OfferFixture {
protected:
    void SetUp() override {
        OfferFixture::SetUp();
        TOfferDocument& doc = OfferCardData();
        doc.Reset();
        OfferRateBasic = 21;
        OfferRateReduced = 12;
        OfferRateFurtherReduced = 0;
    }
    TMemTable& Items() { return OfferCardData().mtTmpPolozky; }
    // Stands the price list's item query on an item, as a pick does.
    int PickFromPriceList(const QString& katalog) {
        TADOQuery& q = main_->adqZasoby;
        q.Close();
        q.SetSQL("SELECT * FROM Zasoby WHERE Katalog = '" + katalog + "'");
        q.Open();
        return q.FieldByName("ID")->AsInteger();
    }
    void TearDown() override {
        main_->adqZasoby.Close();
        OfferFixture::TearDown();
    }
};

TEST_F(PolozkaNabTest, TheRateListOfAnItem) {
    OfferRateBasic = 21;
    OfferRateReduced = 15;
    VatBasicRate = 21;
    VatReducedRate = 12;
    VatFurtherReducedRate = 0;
    EXPECT_EQ(OfferItemVatRates(nullptr), QStringList({"0", "21", "15", "12"}));
    const double old = 10;
    const QStringList withOwn = OfferItemVatRates(&old);
    EXPECT_EQ(withOwn, QStringList({"0", "21", "15", "12", "10"}));
    EXPECT_EQ(OfferItemVatRateIndex(withOwn, 10), 4);
    const double reduced = 15;
    EXPECT_EQ(OfferItemVatRates(&reduced).size(), 4);
    EXPECT_EQ(OfferItemVatRateIndex(withOwn, 7.5), 0);
    OfferRateFurtherReduced = 10;
    EXPECT_EQ(OfferItemVatRates(nullptr), QStringList({"0", "21", "15", "10", "12", "0"}));
}

TEST_F(PolozkaNabTest, APriceListItemAddedInBatchTakesTheOffersLevelAndKeepsItsCode) {
    const int id = PickFromPriceList("ZAS1B");
    OfferCardData().Header.CenHladAdr = false;
    OfferCardData().OfferPriceLevel = "vip";
    TScriptedDialogs dialogs;
    EXPECT_EQ(EditOfferItem(true, true, false, false, 0), 0);
    ASSERT_EQ(Items().RecordCount(), 1);
    Items().First();
    EXPECT_EQ(Items().FieldByName("CisloKarty")->AsInteger(), id);
    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), "VIP");
    EXPECT_EQ(Items().FieldByName("LockID")->AsInteger(), kNotStored);
    EXPECT_EQ(Items().FieldByName("Poradi")->AsInteger(), 1);
    TMemTable& levels = OfferItemEditor().mtCenHlad;
    ASSERT_TRUE(levels.Locate("Zkratka", "VIP"));
    EXPECT_DOUBLE_EQ(
        Items().FieldByName("ProdCena")->AsFloat(),
        levels.FieldByName(levels.FieldByName("SDPH")->AsBoolean() ? "CenaSDPH" : "CenaBDPH")->AsFloat());
    EXPECT_EQ(Items().FieldByName("Zaok")->AsInteger(), levels.FieldByName("Zaok")->AsInteger());
    EXPECT_LT(Items().FieldByName("ProdCena")->AsFloat(), 89);
    EXPECT_GT(OfferCardData().Totals.CelkemSDPH, 0);
    EXPECT_TRUE(OfferCardData().Modified);
}

TEST_F(PolozkaNabTest, AnItemWhosePriceListRowIsGoneShowsOnlyItsOwnLevel) {
    PickFromPriceList("ZAS1B");
    TScriptedDialogs dialogs;
    EditOfferItem(true, true, false, false, 0);
    ASSERT_GT(OfferItemEditor().mtCenHlad.RecordCount(), 2);
    Items().First();
    Items().Edit();
    Items().FieldByName("CisloKarty")->SetAsInteger(999999);
    Items().FieldByName("CenHladina")->SetAsString("ZRUSENA");
    Items().FieldByName("ProdCena")->SetAsFloat(77);
    Items().Post();
    EditOfferItem(false, true, false, false, 0);
    const TOfferItemEditor& e = OfferItemEditor();
    EXPECT_EQ(e.LevelEntries, QStringList({kBaseLevelText, "ZRUSENA"}));
    EXPECT_EQ(e.mtCenHlad.RecordCount(), 2);
    EXPECT_TRUE(e.LevelMissing);
    // The stored prices are kept.
    EXPECT_DOUBLE_EQ(Items().FieldByName("ProdCena")->AsFloat(), 77);
    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), "ZRUSENA");
}

TEST_F(PolozkaNabTest, ANewItemAfterTheCurrentOneGetsAnOrderOfItsOwn) {
    TScriptedDialogs dialogs;
    for (int i = 0; i < 3; ++i) EditOfferItem(true, false, false, false, 0);
    std::vector<int> orders;
    for (Items().First(); !Items().Eof(); Items().Next())
        orders.push_back(Items().FieldByName("Poradi")->AsInteger());
    EXPECT_EQ(orders, (std::vector<int>{1, 2, 3}));
    Items().First();
    EditOfferItem(true, false, false, false, 0);
    orders.clear();
    for (Items().First(); !Items().Eof(); Items().Next())
        orders.push_back(Items().FieldByName("Poradi")->AsInteger());
    EXPECT_EQ(orders, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(PolozkaNabTest, TheCardEditsAndCopiesAnItem) {
    const int id = PickFromPriceList("LP6040");
    RoundOfferTotal = 1;
    OfferRoundTotals = 0;
    TScriptedDialogs dialogs;
    QString caption;
    OnNextModal([&](QWidget* modal) {
        auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
        ASSERT_NE(card, nullptr);
        caption = card->windowTitle();
        EXPECT_TRUE(card->cbxCenHlad->isEnabled());
        card->cbxCenHlad->setCurrentIndex(card->cbxCenHlad->findText("VIP"));
        emit card->cbxCenHlad->activated(card->cbxCenHlad->currentIndex());
        card->curPocetMj->setText("3");
        emit card->curPocetMj->textEdited("3");
        card->btnOK->click();
    });
    EditOfferItem(true, true, true, false, 0);
    EXPECT_EQ(caption, QString(kItemCaption) + kFromPriceListCaption);
    ASSERT_EQ(Items().RecordCount(), 1);
    Items().First();
    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), "VIP");
    EXPECT_DOUBLE_EQ(Items().FieldByName("PocetMJ")->AsFloat(), 3);
    EXPECT_EQ(OfferRoundTotals, 1);

    OnNextModal([&](QWidget* modal) {
        auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
        card->edtPopis->clear();
        dialogs.ExpectInformation(kEmptyItemDescriptionText);
        card->btnOK->click();
        EXPECT_TRUE(card->isVisible());
        card->edtPopis->setText("Kopie panelu");
        card->btnOK->click();
    });
    EditOfferItem(false, true, true, true, 0);
    ASSERT_EQ(Items().RecordCount(), 2);
    ASSERT_TRUE(Items().Locate("Popis", "Kopie panelu"));
    EXPECT_EQ(Items().FieldByName("LockID")->AsInteger(), kNotStored);
    EXPECT_EQ(Items().FieldByName("Poradi")->AsInteger(), 2);
    EXPECT_EQ(Items().FieldByName("CisloKarty")->AsInteger(), id);
    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), "VIP");

    // Storno writes nothing.
    OnNextModal([](QWidget* modal) { qobject_cast<TfrmPolozkaNab*>(modal)->btnStorno->click(); });
    EditOfferItem(true, false, true, false, 0);
    EXPECT_EQ(Items().RecordCount(), 2);
}

TEST_F(PolozkaNabTest, TypingMarginOnTheCardSetsTheSalePrice) {
    TScriptedDialogs dialogs;
    OnNextModal([](QWidget* modal) {
        auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
        card->edtPopis->setText("Práce");
        card->cbxTypCeny->setCurrentIndex(0);
        emit card->cbxTypCeny->activated(0);
        card->curNakCena->setText("80");
        emit card->curNakCena->textEdited("80");
        card->curMarze->setText("25");
        emit card->curMarze->textEdited("25");
        EXPECT_EQ(card->curProdCena->Value(), 100);
        EXPECT_EQ(card->curRabat->Value(), 20);
        card->btnOK->click();
    });
    EditOfferItem(true, false, true, false, 0);
    Items().First();
    EXPECT_DOUBLE_EQ(Items().FieldByName("ProdCena")->AsFloat(), 100);
    EXPECT_DOUBLE_EQ(Items().FieldByName("Marze")->AsFloat(), 25);
    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), "");
}

TEST_F(PolozkaNabTest, ThePercentCalculator) {
    long double newPrice = -1;
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(kZeroPriceAdjustText);
        EXPECT_EQ(ShowPriceAdjustDialog("prodejní cena", newPrice, 0), 2);
        EXPECT_EQ(newPrice, -1);
    }
    struct Case {
        const char* percent;
        double price;
        bool discountBold;
    };
    const Case kCases[] = {{"10", 180, true}, {"-10", 220, false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.percent);
        bool bold = false;
        QString caption;
        OnNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<TfrmUpravaCeny*>(modal);
            caption = dialog->lblPuvodni->text();
            dialog->curProcento->setText(c.percent);
            dialog->PercentTyped();
            bold = dialog->lblSleva->font().bold();
            dialog->btnOK->click();
        });
        EXPECT_EQ(ShowPriceAdjustDialog("prodejní cena", newPrice, 200), 1);
        EXPECT_EQ(caption, "Původní prodejní cena");
        EXPECT_NEAR(static_cast<double>(newPrice), c.price, 1e-9);
        EXPECT_EQ(bold, c.discountBold);
    }
}

TEST_F(PolozkaNabTest, TheCalculatorButtonStartsADesktopCalculatorOrSaysThereIsNone) {
    const QByteArray path = qgetenv("PATH");
    const auto launcher = CalculatorLauncher;
    QString started;
    CalculatorLauncher = [&](const QString& program) {
        started = program;
        return true;
    };
    // Without any calculator on the path the user hears so, in terms of this system.
    const QString empty = Folder() + "empty/";
    QDir().mkpath(empty);
    qputenv("PATH", empty.toLocal8Bit());
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(kCalculatorMissingText);
        RunCalculator();
    }
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(QString::fromUtf8(kCalculatorMissingText).contains("Windows"));

    // The desktop's own calculator wins over the plainer ones, whichever desktop it is.
    struct Case {
        QStringList installed;
        const char* expected;
    };
    const Case kCases[] = {
        {{"xcalc"}, "xcalc"},
        {{"mate-calc"}, "mate-calc"},
        {{"xcalc", "mate-calc"}, "mate-calc"},
        {{"xcalc", "galculator", "kcalc"}, "kcalc"},
        {{"mate-calc", "gnome-calculator"}, "gnome-calculator"},
    };
    int n = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.expected);
        const QString bin = Folder() + QString("bin%1/").arg(++n);
        QDir().mkpath(bin);
        for (const QString& name : c.installed) {
            ProgramFixture::WriteText(bin + name, "#!/bin/sh\n");
            QFile::setPermissions(bin + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.toLocal8Bit());
        started.clear();
        TScriptedDialogs dialogs;
        RunCalculator();
        EXPECT_EQ(started, bin + c.expected);
    }

    // A calculator that is there but will not start is not reported as missing.
    CalculatorLauncher = [](const QString&) { return false; };
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectError(QString::fromUtf8(kCalculatorFailedText).arg(Folder() + "bin1/xcalc"));
        qputenv("PATH", (Folder() + "bin1/").toLocal8Bit());
        RunCalculator();
    }
    qputenv("PATH", path);
    CalculatorLauncher = launcher;
}

TEST_F(PolozkaNabTest, AStoredLevelTheGroupNoLongerHasIsShownAsMissingWithTheStoredPrice) {
    PickFromPriceList("ZAS1B");
    TScriptedDialogs dialogs;
    EditOfferItem(true, true, false, false, 0);
    Items().First();
    Items().Edit();
    Items().FieldByName("CenHladina")->SetAsString("STARA");
    Items().FieldByName("ProdCena")->SetAsFloat(77);
    Items().FieldByName("SDPH")->SetAsBoolean(false);
    Items().Post();
    QString shown;
    bool missing = false;
    long double basePrice = 0, backAgain = 0;
    OnNextModal([&](QWidget* modal) {
        auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
        shown = card->cbxCenHlad->currentText();
        missing = card->lblCHNeexistuje->isVisible();
        EXPECT_EQ(card->curProdCena->Value(), 77);
        card->cbxCenHlad->setCurrentIndex(0);
        emit card->cbxCenHlad->activated(0);
        basePrice = card->curProdCena->Value();
        EXPECT_FALSE(card->lblCHNeexistuje->isVisible());
        const int stored = card->cbxCenHlad->findText("STARA");
        card->cbxCenHlad->setCurrentIndex(stored);
        emit card->cbxCenHlad->activated(stored);
        backAgain = card->curProdCena->Value();
        card->btnOK->click();
    });
    EditOfferItem(false, true, true, false, 0);
    EXPECT_EQ(shown, "STARA");
    EXPECT_TRUE(missing);
    EXPECT_EQ(basePrice, 89);
    EXPECT_EQ(backAgain, 77);
    Items().First();
    EXPECT_DOUBLE_EQ(Items().FieldByName("ProdCena")->AsFloat(), 77);
    EXPECT_EQ(Items().FieldByName("CenHladina")->AsString(), "STARA");
}

TEST_F(PolozkaNabTest, ThePicturePageTheCurrencyAndTheNoteLines) {
    TParameters note;
    note.AddParameter("Poznamka")->Value = QString("řádek 1\r\nřádek 2");
    Firm().Execute("UPDATE Zasoby SET Obrazek = 'zasuvka.png', Poznamka = :Poznamka WHERE Katalog = 'ZAS1B'",
                   note);
    PickFromPriceList("ZAS1B");
    PictureFolder = Folder() + "obrazky/";
    TScriptedDialogs dialogs;
    QString pictureInfo, currency, backCaption;
    OnNextModal([&](QWidget* modal) {
        auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
        currency = card->findChild<QLabel*>("lblMena1")->text();
        EXPECT_TRUE(card->btnObrazek->isVisible());
        card->btnObrazek->click();
        EXPECT_EQ(card->btnObrazek->text(), "Zpět (F2)");
        pictureInfo = card->lblObrazekInfo->text();
        card->btnObrazek->click();
        backCaption = card->btnObrazek->text();
        card->btnOK->click();
    });
    EditOfferItem(true, true, true, false, 0);
    EXPECT_EQ(currency, CurrencySymbol);
    EXPECT_EQ(pictureInfo, kPictureMissingText);
    EXPECT_EQ(backCaption, "Obrázek (F2)");
    Items().First();
    EXPECT_EQ(Items().FieldByName("Poznamka")->AsString(), "řádek 1\r\nřádek 2");
}

TEST_F(PolozkaNabTest, ACostItemIsLockedAndUnprintedAndArrowsStepTheValues) {
    TScriptedDialogs dialogs;
    OnNextModal([](QWidget* modal) {
        auto* card = qobject_cast<TfrmPolozkaNab*>(modal);
        card->edtPopis->setText("Doprava materiálu");
        card->chckNakladPol->setChecked(true);
        EXPECT_TRUE(card->chckIgnorovatHr->isChecked());
        EXPECT_FALSE(card->edtPoradi->isEnabled());
        EXPECT_TRUE(card->lblRedLabel->isVisible());
        // Up on the sale price adds one, and the prices follow as if typed.
        card->curProdCena->setFocus();
        QTest::keyClick(card->curProdCena, Qt::Key_Up);
        QTest::keyClick(card->curProdCena, Qt::Key_Up);
        EXPECT_EQ(card->curProdCena->Value(), 2);
        EXPECT_EQ(card->curProdCenaPoSleve->Value(), 2);
        card->btnOK->click();
    });
    EditOfferItem(true, false, true, false, 0);
    Items().First();
    EXPECT_TRUE(Items().FieldByName("Nakladova")->AsBoolean());
    EXPECT_TRUE(Items().FieldByName("IgnorHr")->AsBoolean());
    EXPECT_DOUBLE_EQ(Items().FieldByName("ProdCenaPo")->AsFloat(), 2);
}
