// The summary reports add up each customer's accepted offers, whatever order the offers come in.

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "offers/OfferFixture.h"
#include "offers/SummaryReportNabidky.h"
#include "pricelist/PriceListUi.h"

namespace {

class SummaryReportNabidkyTest : public OfferFixture {
protected:
    // Accepted offers in the order the report reads them, each of the customer with the given IČ.
    void Offers(const std::vector<std::pair<const char*, double>>& offers) {
        ExecAgenda("DELETE FROM Nabidky");
        int number = 0;
        for (const auto& [ico, turnover] : offers)
            ExecAgenda(
                "INSERT INTO Nabidky (Doklad, AdrNazev, AdrICO, IDStav, Archivovano, CelkemBDPH, Zisk) "
                "VALUES (:Doklad, :Nazev, :ICO, 3, False, :Celkem, :Zisk)",
                {{"Doklad", QString("NB%1").arg(++number, 5, 10, QChar('0'))},
                 {"Nazev", QString("Firma ") + ico},
                 {"ICO", QString::fromUtf8(ico)},
                 {"Celkem", turnover},
                 {"Zisk", turnover / 10}});
    }
};

}  // namespace

TEST_F(SummaryReportNabidkyTest, EveryOfferCountsUnderItsOwnCustomer) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, double>> offers;
        QStringList sums;  // sorted "name=turnover/profit"
    };
    const Case kCases[] = {
        {"a single offer", {{"111", 100}}, {"Firma 111=100/10"}},
        {"one offer per customer",
         {{"111", 100}, {"222", 20}, {"333", 3}},
         {"Firma 111=100/10", "Firma 222=20/2", "Firma 333=3/0.3"}},
        {"consecutive offers of one customer after another's",
         {{"111", 100}, {"222", 20}, {"222", 30}},
         {"Firma 111=100/10", "Firma 222=50/5"}},
        {"runs of offers of each customer",
         {{"111", 100}, {"111", 200}, {"222", 20}, {"222", 30}, {"222", 40}, {"111", 400}},
         {"Firma 111=700/70", "Firma 222=90/9"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Offers(c.offers);
        TSummaryReportNabidky report;
        report.Filter->ReportKind = TSummaryReportKind::ProfitableCustomers;
        report.Filter->CustomerGrouping = TCustomerGrouping::Ico;
        ASSERT_TRUE(report.Compute());
        QStringList sums;
        for (report.Result.First(); !report.Result.Eof(); report.Result.Next())
            sums << report.Result.FieldByName("SumKeyName")->AsString() + "=" +
                        QString::number(report.Result.FieldByName("CelkemBDPH")->AsFloat()) + "/" +
                        QString::number(report.Result.FieldByName("Zisk")->AsFloat());
        sums.sort();
        EXPECT_EQ(sums, c.sums);
    }
}
