#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "PriceListFixture.h"
#include "platform/data/Field.h"
#include "pricelist/ZasobyFiltr.h"

namespace {

TItemFilterCriteria Name(const QString& text, bool part) {
    TItemFilterCriteria c;
    c.byName = true;
    c.name = text;
    c.namePart = part;
    return c;
}

class ZasobyFiltrTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        struct Row {
            const char* popis;
            const char* katalog;
            const char* skupina;
            const char* dostupnost;
            const char* identif;
        };
        const Row rows[] = {
            {"Kabel 'O' plochý", "K-1", "MAT", "S", "_A_"},
            {"Kabel kulatý", "K-2", "MAT", "S", "_A_B_"},
            {"Svítidlo", "S-1", "STD", "O", "_AB_"},
            {"Montáž", "", "STD", "", ""},
        };
        for (const Row& r : rows) {
            Con().Execute(
                "INSERT INTO Zasoby (Popis, Katalog, CenSkupina, Dostupnost, Identif, Chyba) VALUES (:Popis, "
                ":Katalog, :CenSkupina, :Dostupnost, :Identif, False)",
                [&] {
                    TParameters p;
                    p.AddParameter("Popis")->Value = QString::fromUtf8(r.popis);
                    p.AddParameter("Katalog")->Value = QString::fromUtf8(r.katalog);
                    p.AddParameter("CenSkupina")->Value = QString::fromUtf8(r.skupina);
                    p.AddParameter("Dostupnost")->Value = QString::fromUtf8(r.dostupnost);
                    p.AddParameter("Identif")->Value = QString::fromUtf8(r.identif);
                    return p;
                }());
        }
        // An item that never got its texts: its empty values are NULL.
        Con().Execute("INSERT INTO Zasoby (Popis) VALUES ('Revize')");
        TADOQuery& items = main_->adqZasoby;
        items.SetSQL("SELECT * FROM Zasoby");
        items.Open();
        items.SetSort("Popis");
    }

    // The names of the rows the item query shows, in order.
    QStringList Shown() {
        TADOQuery& items = main_->adqZasoby;
        QStringList names;
        for (items.First(); !items.Eof(); items.Next()) names << items.FieldByName("Popis")->AsString();
        return names;
    }
};

}  // namespace

TEST(ItemFilterTextTest, EveryCriterionGivesItsConditionInTheFixedOrder) {
    TItemFilterCriteria nameAndGroup = Name("kabel", true);
    nameAndGroup.byPriceGroup = true;
    nameAndGroup.priceGroup = "VO";
    TItemFilterCriteria stockAndCodes;
    stockAndCodes.byAvailability = true;
    stockAndCodes.availability = 1;
    stockAndCodes.byIdentifiers = true;
    stockAndCodes.identifiers = "_A_B_";
    TItemFilterCriteria codesOnly;
    codesOnly.byIdentifiers = true;
    codesOnly.identifiers = "_A_";
    TItemFilterCriteria noCodes = Name("x", false);
    noCodes.byIdentifiers = true;
    TItemFilterCriteria catalogue;
    catalogue.byCatalogue = true;
    catalogue.catalogue = "K-";
    catalogue.cataloguePart = true;
    catalogue.byAvailability = true;
    catalogue.availability = 5;
    struct Case {
        const char* what;
        TItemFilterCriteria criteria;
        const char* text;
    };
    const Case kCases[] = {
        {"name part and price group", nameAndGroup, "(Popis LIKE '*kabel*') AND (CenSkupina = 'VO')"},
        {"availability and two identifiers", stockAndCodes,
         "((Dostupnost = 'S') AND (Identif LIKE '*_A_*')) OR ((Dostupnost = 'S') AND (Identif LIKE "
         "'*_B_*'))"},
        {"one identifier alone", codesOnly, "((Identif LIKE '*_A_*'))"},
        {"an empty identifier list", noCodes, "(Popis = 'x') AND Identif = ''"},
        {"a quote is doubled", Name("12\" 'A'", false), "(Popis = '12\" ''A''')"},
        {"an empty name without part", Name("", false), "(Popis = '')"},
        {"catalogue part and the last availability", catalogue,
         "(Katalog LIKE '*K-*') AND (Dostupnost = 'X')"},
        {"nothing ticked", TItemFilterCriteria(), ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(BuildItemFilter(c.criteria), QString::fromUtf8(c.text));
    }
}

TEST_F(ZasobyFiltrTest, AppliedFiltersShowTheMatchingItems) {
    struct Case {
        const char* what;
        std::function<void(TfrmZasobyFiltr*)> fill;
        const char* shown;
    };
    const Case kCases[] = {
        {"identifier A: alone or with others, not inside another code",
         [](TfrmZasobyFiltr* f) {
             f->chckIdentif->setChecked(true);
             f->edtIdentif->setText("_A_");
         },
         "Kabel 'O' plochý|Kabel kulatý"},
        {"an empty identifier list: items without identifiers, NULL or empty",
         [](TfrmZasobyFiltr* f) { f->chckIdentif->setChecked(true); }, "Montáž|Revize"},
        {"availability not given, NULL or empty",
         [](TfrmZasobyFiltr* f) {
             f->chckDostupnost->setChecked(true);
             f->cbxDostupnost->setCurrentIndex(0);
         },
         "Montáž|Revize"},
        {"a quote in the name matches literally",
         [](TfrmZasobyFiltr* f) {
             f->chckPopisPol->setChecked(true);
             f->chckPopisPolCast->setChecked(true);
             f->edtPopisPol->setText("'o'");
         },
         "Kabel 'O' plochý"},
        {"catalogue equal to the text",
         [](TfrmZasobyFiltr* f) {
             f->chckKatalog->setChecked(true);
             f->edtKatalog->setText("S-1");
         },
         "Svítidlo"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TfrmZasobyFiltr window;
        TModalDriver driver;
        driver.On("frmZasobyFiltr", [&](QWidget*) {
            c.fill(&window);
            window.btnOK->click();
        });
        EXPECT_EQ(window.ApplyItemFilter(), 0);
        EXPECT_TRUE(main_->adqZasoby.Filtered());
        EXPECT_EQ(Shown().join('|'), QString::fromUtf8(c.shown));
    }
}

TEST_F(ZasobyFiltrTest, PartWithoutTextIsRefusedStornoKeepsTheFilterAndUntickingRemovesIt) {
    TfrmZasobyFiltr window;
    dialogs_.ExpectWarning(QString::fromUtf8(kEmptyPartText));
    TModalDriver driver;
    driver
        .On("frmZasobyFiltr",
            [&](QWidget*) {
                window.chckKatalog->setChecked(true);
                window.chckKatalogCast->setChecked(true);
                window.btnOK->click();
                EXPECT_TRUE(window.isVisible());
                window.edtKatalog->setText("K-");
                window.btnOK->click();
            })
        .Press("frmZasobyFiltr", "btnStorno")
        .On("frmZasobyFiltr", [&](QWidget*) {
            // Shown again, the window is active whatever it was left as.
            EXPECT_TRUE(window.chckFiltrAktivni->isChecked());
            window.chckFiltrAktivni->setChecked(false);
            window.btnOK->click();
        });
    EXPECT_EQ(window.ApplyItemFilter(), 0);
    EXPECT_EQ(Shown().join('|'), QString::fromUtf8("Kabel 'O' plochý|Kabel kulatý"));
    EXPECT_EQ(window.ApplyItemFilter(), -1);
    EXPECT_TRUE(main_->adqZasoby.Filtered());
    EXPECT_EQ(Shown().size(), 2);
    EXPECT_EQ(window.ApplyItemFilter(), -1);
    EXPECT_FALSE(main_->adqZasoby.Filtered());
    EXPECT_TRUE(main_->adqZasoby.Filter().isEmpty());
    EXPECT_EQ(Shown().size(), 5);
}

TEST_F(ZasobyFiltrTest, EntriesFollowTheirCheckBoxes) {
    TfrmZasobyFiltr window;
    window.UpdateControls();
    EXPECT_FALSE(window.edtPopisPol->isEnabled());
    EXPECT_FALSE(window.chckPopisPolCast->isEnabled());
    EXPECT_FALSE(window.cbxDostupnost->isEnabled());
    EXPECT_FALSE(window.btnIdentif->isEnabled());
    window.chckPopisPol->click();
    window.chckDostupnost->click();
    EXPECT_TRUE(window.edtPopisPol->isEnabled());
    EXPECT_TRUE(window.chckPopisPolCast->isEnabled());
    EXPECT_TRUE(window.cbxDostupnost->isEnabled());
    EXPECT_FALSE(window.edtKatalog->isEnabled());
    EXPECT_NE(window.edtPopisPol->palette().color(QPalette::Base),
              window.edtKatalog->palette().color(QPalette::Base));
}
