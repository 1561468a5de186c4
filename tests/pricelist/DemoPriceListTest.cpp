#include <gtest/gtest.h>

#include "PriceListFixture.h"
#include "core/DbTemplates.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/PriceRules.h"

namespace {

// The demonstration firm as the program ships it, opened in a main window.
class DemoPriceListTest : public PriceListTest {
protected:
    void SetUp() override {
        FirmFolderTest::SetUp();
        BuildDemoFirmTemplate(Folder() + "DEMO.MDB");
        main_ = std::make_unique<TfrmMain>();
        main_->ADOConAgenda.Open(Folder() + "DEMO.MDB");
    }
};

}  // namespace

TEST_F(DemoPriceListTest, ThePriceListKeepsTheRulesOfTheTree) {
    EXPECT_GE(Int("SELECT COUNT(*) FROM Sklady"), 3);
    EXPECT_EQ(Column("SELECT Poradi FROM Sklady ORDER BY Poradi"), "1|2|3");
    // Every sheet has one basic group, the only group without a code.
    EXPECT_EQ(
        Int("SELECT COUNT(*) FROM Sklady s WHERE (SELECT COUNT(*) FROM Skupiny g WHERE g.Sklad = s.ID AND "
            "g.Zakladni = True AND g.Nazev = '# Nezařazeno #') <> 1"),
        0);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Skupiny WHERE Zakladni = False AND (Kod IS NULL OR Kod = '')"), 0);
    // Items sit in a group of their own sheet.
    const int items = Int("SELECT COUNT(*) FROM Zasoby");
    EXPECT_GE(items, 24);
    EXPECT_EQ(
        Int("SELECT COUNT(*) FROM Zasoby z INNER JOIN Skupiny g ON z.Skupina = g.ID WHERE z.Sklad = g.Sklad"),
        items);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE SazbaDPH NOT IN (12, 21)"), 0);
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE RepID IS NULL OR RepID = ''"), 0);
}

TEST_F(DemoPriceListTest, PricesLevelsAndGroupsAgree) {
    EXPECT_EQ(Column("SELECT Zkratka FROM CenHlad ORDER BY ID"), "VIP|VO|AKCE");
    EXPECT_EQ(Column("SELECT Zkratka FROM CenSkup ORDER BY ID"), "MAT|STD");
    // Every item's group exists, and the rules are consistent with their levels.
    EXPECT_EQ(Int("SELECT COUNT(*) FROM Zasoby WHERE CenSkupina NOT IN (SELECT Zkratka FROM CenSkup)"), 0);
    EXPECT_FALSE(CheckPriceGroups());
    EXPECT_LE(
        Int("SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM CenSkupPol WHERE Prepocitat = False GROUP BY "
            "IDCenSkup)"),
        3);

    // The gross price is the net price with its VAT, to the tenth.
    const std::unique_ptr<TRowset> rows =
        Con().OpenRowset("SELECT PrCenaBDPH, PrCenaSDPH, SazbaDPH FROM Zasoby");
    for (size_t i = 0; i < rows->RowCount(); ++i) {
        const double net = rows->Value(i, 0).toDouble();
        const double rate = rows->Value(i, 2).toDouble();
        EXPECT_GT(net, 0);
        EXPECT_DOUBLE_EQ(rows->Value(i, 1).toDouble(),
                         static_cast<double>(RoundPrice(1, 1, CalcVat(false, VatKindGross, net, rate))));
    }
    // A fixed level carries its prices in the first slot.
    EXPECT_GT(Int("SELECT COUNT(*) FROM Zasoby WHERE CenHlad1 = 'AKCE' AND PrCenaBDPH1 > 0"), 0);
}

TEST_F(DemoPriceListTest, EveryItemIdentifierIsInTheCatalogue) {
    const QStringList catalogue = Column("SELECT Zkratka FROM SezIdentif").split('|');
    const std::unique_ptr<TRowset> rows = Con().OpenRowset("SELECT Identif FROM Zasoby WHERE Identif <> ''");
    ASSERT_GT(rows->RowCount(), 0u);
    for (size_t i = 0; i < rows->RowCount(); ++i) {
        for (const QString& code : ParseIdentifierList(rows->Value(i, 0).toString()))
            EXPECT_TRUE(catalogue.contains(code)) << code.toStdString();
    }
}
