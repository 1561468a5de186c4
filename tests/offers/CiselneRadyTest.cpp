#include <gtest/gtest.h>

#include "offers/CiselneRady.h"
#include "offers/OfferFixture.h"

TEST(CiselneRadyFormat, PadsToTheDigitCountWithAtMostFiveZeros) {
    struct Case {
        const char* prefix;
        qint64 number;
        int digits;
        const char* text;
    };
    const Case kCases[] = {
        {"NB", 1, 5, "NB00001"},     {"NB", 123456, 5, "NB123456"}, {"NB", 7, 3, "NB007"},
        {"NB", 99999, 5, "NB99999"}, {"NB", 100000, 5, "NB100000"}, {"", 42, 4, "0042"},
        {"AB", 12, 10, "AB0000012"}, {"AB", 12, 0, "AB12"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatDocumentNumber(c.prefix, c.number, c.digits), c.text);
    }
}

class CiselneRadyTest : public OfferFixture {
protected:
    void SetSeries(const QString& prefix, int next, int digits) {
        Firm().Execute(
            QStringLiteral(
                "UPDATE CisRady SET PrefixOzn = '%1', Cislo = %2, PocetMist = %3 WHERE ModulOzn = 'NB'")
                .arg(prefix)
                .arg(next)
                .arg(digits));
    }
    QString Draw(const QString& series = "NB") {
        QString prefix = "-", text = "-";
        int number = -7;
        NextDocumentNumber(series, prefix, number, text);
        lastPrefix_ = prefix;
        lastNumber_ = number;
        return text;
    }
    QString lastPrefix_;
    int lastNumber_ = 0;
};

TEST_F(CiselneRadyTest, DrawsNumbersInTurnAndRaisesTheSeries) {
    SetSeries("AB", 12, 4);
    EXPECT_EQ(Draw(), "AB0012");
    EXPECT_EQ(lastPrefix_, "AB");
    EXPECT_EQ(lastNumber_, 12);
    EXPECT_EQ(Draw(), "AB0013");
    EXPECT_EQ(Scalar("SELECT Cislo FROM CisRady WHERE ModulOzn = 'NB'").toInt(), 14);
}

TEST_F(CiselneRadyTest, AMissingSeriesGivesNoNumberAndChangesNothing) {
    EXPECT_EQ(Draw("XX"), "");
    EXPECT_EQ(lastPrefix_, "-");
    EXPECT_EQ(lastNumber_, -7);
    EXPECT_FALSE(NumberSeriesExists("XX"));
    EXPECT_TRUE(NumberSeriesExists("NB"));
    // A code with a quote is a value, not a piece of the statement.
    EXPECT_EQ(Draw("N\"B"), "");
}

TEST_F(CiselneRadyTest, AStationDrawingMeanwhileNeverGetsTheSameNumber) {
    SetSeries("NB", 50, 5);
    int interruptions = 0;
    // Another station draws 50 between our read and our update.
    NumberSeriesAfterRead = [&] {
        if (interruptions++ == 0)
            Firm().Execute("UPDATE CisRady SET Cislo = Cislo + 1 WHERE ModulOzn = 'NB'");
    };
    EXPECT_EQ(Draw(), "NB00051");
    EXPECT_EQ(Scalar("SELECT Cislo FROM CisRady WHERE ModulOzn = 'NB'").toInt(), 52);
}
