#include <gtest/gtest.h>

#include <set>

#include "DataFixture.h"
#include "platform/data/FilterExpr.h"

namespace {

// Items and offers as the list windows filter them: identifiers are stored as "_A_B_".
class FilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.FieldDefs().Add("ID", ftAutoInc);
        t.FieldDefs().Add("Popis", ftString, 100);
        t.FieldDefs().Add("Identif", ftString, 100);
        t.FieldDefs().Add("Dostupnost", ftString, 5);
        t.FieldDefs().Add("DatVystaveni", ftDateTime);
        t.FieldDefs().Add("DatVyrizeni", ftDateTime);
        t.FieldDefs().Add("Celkem", ftCurrency);
        t.FieldDefs().Add("IDStav", ftInteger);
        t.CreateTable();
        struct Row {
            const char* popis;
            QVariant identif, dostupnost, vystaveni, vyrizeni, celkem, stav;
        };
        const Row rows[] = {
            {"Kabel CYKY 3x1,5", "_A_", "S", Day(2024, 1, 5), QVariant(), 100.5, 1},
            {"kabel O'Neil", "_A_B_", "S", Day(2024, 2, 1), Day(2024, 2, 3), 2000.0, 2},
            {"Zásuvka", "_AB_", "", Day(2024, 2, 29), QVariant(), 55.0, 1},
            {"Chránička 50%", "", QVariant(), Day(2023, 12, 31), QVariant(), 0.0, 3},
            {"Vypínač", QVariant(), "O", QVariant(), Day(2024, 3, 1), QVariant(), QVariant()},
        };
        qint64 id = 1;
        for (const Row& r : rows) {
            t.Append();
            t.FieldByName("ID")->SetAsInteger(id++);
            t.FieldByName("Popis")->SetAsString(QString::fromUtf8(r.popis));
            t.FieldByName("Identif")->SetValue(r.identif);
            t.FieldByName("Dostupnost")->SetValue(r.dostupnost);
            t.FieldByName("DatVystaveni")->SetValue(r.vystaveni);
            t.FieldByName("DatVyrizeni")->SetValue(r.vyrizeni);
            t.FieldByName("Celkem")->SetValue(r.celkem);
            t.FieldByName("IDStav")->SetValue(r.stav);
            t.Post();
        }
    }

    std::vector<qint64> Filter(const QString& text) {
        t.SetFiltered(false);
        t.SetFilter(text);
        t.SetFiltered(true);
        return Ids(t);
    }

    TMemTable t;
};

using V = std::vector<qint64>;

TEST_F(FilterTest, TextsTheWindowsBuild) {
    struct Case {
        const char* filter;
        V ids;
    };
    const Case cases[] = {
        // Item filter: criteria joined by AND; identifiers as one OR branch per code.
        {"(Popis LIKE '*kabel*') AND (Dostupnost = 'S')", {1, 2}},
        {"((Dostupnost = 'S') AND (Identif LIKE '*_A_*')) OR ((Dostupnost = 'S') AND (Identif LIKE '*_B_*'))",
         {1, 2}},
        {"(Identif LIKE '*_A_*')", {1, 2}},  // "_AB_" is not tagged A
        {"(Identif LIKE '*_B_*')", {2}},
        {"Identif = ''", {4, 5}},  // no identifiers: empty or never set
        {"(Dostupnost = '')", {3, 4}},
        {"(Popis = 'kabel O''Neil')", {2}},  // a doubled quote matches one quote
        {"(Popis LIKE '*o''neil*')", {2}},
        {"(Popis LIKE '*50%*')", {4}},
        {"(Popis = 'zásuvka')", {3}},  // case does not matter, accents do
        {"(Popis = 'zasuvka')", {}},
        // Offer list filter.
        {"IDStav = 1", {1, 3}},
        {"DatVyrizeni = NULL", {1, 3, 4}},
        {"DatVyrizeni <> NULL", {2, 5}},
        {"DatVyrizeni IS NULL AND NOT IDStav = 3", {1, 3}},
        {"DatVystaveni >= 1.2.2024 AND DatVystaveni <= 29.2.2024", {2, 3}},
        {"DatVystaveni >= #2024-02-01# AND DatVystaveni <= '29.2.2024'", {2, 3}},
        {"Celkem >= 55 AND Celkem <= 100.5", {1, 3}},
        {"Celkem >= -1 AND Celkem <= 0", {4}},
        {"DatVyrizeni = NULL AND DatVyrizeni >= 1.1.2024 AND DatVyrizeni <= 31.12.2024", {}},
        {"IDStav = 1 AND (Popis LIKE '*kabel*' OR Popis LIKE 'Z*')", {1, 3}},
        {"IDStav <> 1", {2, 4}},  // NULL is neither equal nor unequal
        {"[Popis] LIKE 'V?pína*'", {5}},
        {"Popis NOT LIKE '*a*'", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(Filter(QString::fromUtf8(c.filter)), c.ids);
    }
}

// An OR of "field = value" items is looked up rather than tried item by item; whatever the mix,
// the records it lets through are exactly those that one of its items lets through alone.
TEST_F(FilterTest, OrOfEqualitiesSelectsWhatItsItemsSelect) {
    const std::vector<std::vector<const char*>> chains = {
        {"Popis = 'ZÁSUVKA'", "Popis = 'kabel o''neil'", "Popis = 'zasuvka'"},  // case, not accents
        {"Identif = ''", "Identif = '_A_'"},                                    // never set equals '' too
        {"IDStav = 3", "2 = IDStav", "IDStav = 99"},                            // value on either side
        {"Celkem = 55", "Celkem = 100.5", "Celkem = '2000'"},                   // NULL equals no number
        {"DatVyrizeni = 3.2.2024", "DatVystaveni = #2024-01-05#", "DatVyrizeni = '1.3.2024'"},
        {"IDStav = 1", "Popis LIKE 'V*'", "IDStav = 2 AND Celkem > 1000", "Dostupnost = 'o'"},
        {"NOT IDStav = 1", "Identif = '_AB_'"},
        {"IDStav = 7", "Celkem = 1"},  // nothing
    };
    for (const auto& items : chains) {
        std::set<qint64> expected;
        QStringList texts;
        for (const char* item : items) {
            texts << QString::fromUtf8(item);
            for (const qint64 id : Filter(texts.back())) expected.insert(id);
        }
        const QString chain = texts.join(" OR ");
        SCOPED_TRACE(chain.toStdString());
        EXPECT_EQ(Filter(chain), V(expected.begin(), expected.end()));
        // Repeated many times over, as the item filter repeats identifiers of many codes.
        QStringList many;
        for (int i = 0; i < 2000; ++i) many << QStringLiteral("IDStav = %1").arg(100 + i) << texts;
        EXPECT_EQ(Filter(many.join(" OR ")), V(expected.begin(), expected.end()));
    }
}

TEST_F(FilterTest, TextsThatCannotBeReadAreRefused) {
    const char* bad[] = {
        "Popis = 'neukončený", "(IDStav = 1",   "IDStav = 1)",  "IDStav =",       "IDStav 1",
        "Popis LIKE Identif",  "IDStav < NULL", "Neni = 1",     "IDStav = 'abc'", "DatVystaveni > 31.2.2024",
        "Popis = 'a' AND",     "IDStav = 1 @",  "[Popis = 'a'", "IDStav = 12abc",
    };
    t.SetFilter("IDStav = 2");
    t.SetFiltered(true);
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        // Reading and binding fail alike, so the caller's one catch covers both.
        EXPECT_THROW(
            {
                t.SetFiltered(false);
                t.SetFilter(QString::fromUtf8(text));
                t.SetFiltered(true);
            },
            EFilterError);
        EXPECT_FALSE(t.Filtered());
        EXPECT_EQ(t.RecordCount(), 5);
    }
}

TEST_F(FilterTest, EmptyFilterWithFilteringOnShowsEverything) {
    EXPECT_EQ(Filter(""), (V{1, 2, 3, 4, 5}));
    EXPECT_TRUE(t.Filtered());
}

// The item filter ORs one condition per identifier, so users reach long chains; none of them, and
// no run of NOTs, may cost stack. Nesting is the one thing that does, and it is capped.
TEST_F(FilterTest, LongChainsAreFlatAndDeepNestingIsRefused) {
    QStringList ors;
    for (int i = 0; i < 30000; ++i) ors << QStringLiteral("Identif LIKE '*_X%1_*'").arg(i);
    ors << "Identif LIKE '*_B_*'";
    EXPECT_EQ(Filter(ors.join(" OR ")), (V{2}));

    QStringList ands;
    for (int i = 0; i < 30000; ++i) ands << QStringLiteral("Celkem < %1").arg(3000 + i);
    EXPECT_EQ(Filter(ands.join(" AND ")), (V{1, 2, 3, 4}));

    // An even run of NOTs cancels out, an odd one negates.
    EXPECT_EQ(Filter(QString("NOT ").repeated(30000) + "IDStav = 1"), (V{1, 3}));
    EXPECT_EQ(Filter(QString("NOT ").repeated(30001) + "IDStav = 1"), (V{2, 4, 5}));

    // Mixed chains keep AND above OR, also when they are long.
    EXPECT_EQ(Filter("IDStav = 2 OR IDStav = 1 AND Dostupnost = 'S' OR IDStav = 3 AND NOT Celkem = 0"),
              (V{1, 2}));

    const int kDeepestAllowed = 100;
    EXPECT_EQ(Filter(QString("(").repeated(kDeepestAllowed) + "IDStav = 3" +
                     QString(")").repeated(kDeepestAllowed)),
              (V{4}));
    for (const int depth : {kDeepestAllowed + 1, 1411, 30000}) {
        SCOPED_TRACE(depth);
        const QString text = QString("(").repeated(depth) + "IDStav = 3" + QString(")").repeated(depth);
        try {
            TFilterExpr::Parse(text);
            ADD_FAILURE() << "nesting accepted";
        } catch (const EFilterError& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8("vnořených závorek")))
                << e.Message().toStdString();
        }
    }
    // NOTs between the parentheses do not get around the cap.
    EXPECT_THROW(
        TFilterExpr::Parse(QString("NOT (").repeated(200) + "IDStav = 3" + QString(")").repeated(200)),
        EFilterError);
}

TEST(FilterExpr, ComparesTwoFieldsAndTwoValues) {
    TMemTable t;
    BuildItems(t, {{1, "a", 5.0, Day(2024, 1, 1), true}, {2, "b", 1.0, Day(2024, 1, 1), false}});
    t.SetFilter("Cena > ID AND 2 > 1.5 AND Aktivni = True");
    t.SetFiltered(true);
    EXPECT_EQ(Ids(t), (V{1}));
    t.SetFilter("Aktivni = 0");
    EXPECT_EQ(Ids(t), (V{2}));
}

}  // namespace
