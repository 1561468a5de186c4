#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <map>

#include "DataFixture.h"
#include "platform/data/DataSource.h"
#include "platform/text/JetText.h"

namespace {

using V = std::vector<qint64>;

class MemTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        BuildItems(t, {{1, "kabel", 10.0, Day(2024, 1, 5), true},
                       {2, "Čep", 3.0, Day(2024, 2, 1), false},
                       {3, "chránička", 10.0, QVariant(), QVariant()},
                       {4, "cívka", 7.0, Day(2023, 12, 31), true},
                       {5, "Hadice", 120.0, Day(2024, 3, 1), false}});
    }
    TMemTable t;
};

TEST_F(MemTableTest, NamedIndexesSwitchOnAndOff) {
    t.AddIndex("Cena", "Cena;ID");
    t.AddIndex("CenaDesc", "Cena", ixDescending);
    t.SetIndexName("Cena");
    EXPECT_EQ(Ids(t), (V{2, 4, 1, 3, 5}));
    t.SetIndexName("CenaDesc");
    EXPECT_EQ(Ids(t), (V{5, 1, 3, 4, 2}));  // equal keys keep the natural order
    t.SetIndexesActive(false);
    EXPECT_EQ(Ids(t), (V{1, 2, 3, 4, 5}));
    t.SetIndexesActive(true);
    EXPECT_EQ(Ids(t), (V{5, 1, 3, 4, 2}));
    t.SetIndexName("");
    EXPECT_EQ(Ids(t), (V{1, 2, 3, 4, 5}));
    EXPECT_THROW(t.SetIndexName("Neni"), EDataSetError);

    // The index keeps new records in place and survives closing and reopening.
    t.SetIndexFieldNames("Cena");
    t.Append();
    t.FieldByName("ID")->SetAsInteger(6);
    t.FieldByName("Cena")->SetAsFloat(5);
    t.Post();
    EXPECT_EQ(t.RecNo(), 2);
    t.Close();
    t.Open();
    EXPECT_TRUE(t.IsEmpty());  // a closed memory table drops its records
    EXPECT_EQ(t.IndexFieldNames(), "Cena");
}

TEST_F(MemTableTest, FindKeyAndFindNearestOnTheCurrentIndex) {
    t.SetIndexFieldNames("Cena;ID");
    EXPECT_TRUE(t.FindKey({10.0}));
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);  // the first of equal keys
    EXPECT_TRUE(t.FindKey({10.0, 3}));
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
    EXPECT_FALSE(t.FindKey({11.0}));
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);  // a miss does not move
    EXPECT_THROW(t.FindKey({1.0, 2, 3}), EDataSetError);

    struct Case {
        QVariant key;
        qint64 id;
    };
    const Case nearest[] = {{0.0, 2}, {3.0, 2}, {8.0, 1}, {10.0, 1}, {500.0, 5}};
    for (const Case& c : nearest) {
        SCOPED_TRACE(c.key.toDouble());
        t.FindNearest({c.key});
        EXPECT_EQ(t.FieldByName("ID")->AsInteger(), c.id);
    }

    // Texts: the nearest record for a typed prefix, in the index's order.
    t.SetIndexFieldNames("Popis");
    t.FindNearest({"ch"});
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
    t.FindNearest({"C"});
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 4);

    TMemTable none;
    BuildItems(none, {});
    EXPECT_THROW(none.FindKey({1}), EDataSetError);
    none.SetIndexFieldNames("ID");
    none.FindNearest({1});  // nothing to find, nothing happens
    EXPECT_FALSE(none.FindKey({1}));
}

// Records keep their place in a Czech text index through posts, edits that change the key,
// inserts and deletes at random positions; FindKey and Locate by ID find every record after
// each change. The keys the index compares are made once per record, so an edit that left one
// stale, or a delete that left the ID lookup pointing at a gone record, shows up here.
TEST(MemTableIndex, OrderAndLookupsSurviveRandomEdits) {
    const QStringList kWords = {QString::fromUtf8("chata"),
                                "Hrad",
                                QString::fromUtf8("čep"),
                                "cep",
                                "Cesta",
                                QString::fromUtf8("řeka"),
                                "Reka",
                                "zima",
                                QString::fromUtf8("Žena"),
                                QString::fromUtf8("ábel"),
                                "abel",
                                ""};
    TMemTable t;
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("Nazev", ftString, 40);
    t.CreateTable();
    t.AddIndex("ixNazev", "Nazev");
    t.SetIndexName("ixNazev");
    QRandomGenerator rng(3);
    std::map<qint64, QVariant> model;  // what the table must hold
    qint64 nextId = 1;
    auto randomName = [&]() -> QVariant {
        if (rng.bounded(10u) == 0) return QVariant();  // NULLs sort first
        return kWords[static_cast<int>(rng.bounded(static_cast<quint32>(kWords.size())))] +
               QString::number(rng.bounded(5u));
    };
    for (int step = 0; step < 1500; ++step) {
        const quint32 what = rng.bounded(10u);
        if (model.empty() || what < 4) {
            if (what % 2 == 0) {
                t.Append();
            } else {
                if (!t.IsEmpty())
                    t.SetRecNo(1 + static_cast<int>(rng.bounded(static_cast<quint32>(t.RecordCount()))));
                t.Insert();
            }
            const QVariant name = randomName();
            t.FieldByName("ID")->SetAsInteger(nextId);
            t.FieldByName("Nazev")->SetValue(name);
            t.Post();
            model[nextId++] = name;
        } else if (what < 7) {
            t.SetRecNo(1 + static_cast<int>(rng.bounded(static_cast<quint32>(t.RecordCount()))));
            const QVariant name = randomName();
            const qint64 id = t.FieldByName("ID")->AsInteger();
            t.Edit();
            t.FieldByName("Nazev")->SetValue(name);
            t.Post();
            model[id] = name;
        } else {
            t.SetRecNo(1 + static_cast<int>(rng.bounded(static_cast<quint32>(t.RecordCount()))));
            model.erase(t.FieldByName("ID")->AsInteger());
            t.Delete();
        }
        if (step % 50 != 49) continue;
        SCOPED_TRACE(step);
        ASSERT_EQ(t.RecordCount(), static_cast<int>(model.size()));
        QVariant previous;
        bool first = true;
        for (t.First(); !t.Eof(); t.Next()) {
            const QVariant name = t.FieldByName("Nazev")->Value();
            ASSERT_EQ(name, model.at(t.FieldByName("ID")->AsInteger()));
            if (!first && previous.isValid()) {
                ASSERT_TRUE(name.isValid() && CompareJetText(previous.toString(), name.toString()) <= 0)
                    << previous.toString().toStdString() << " before " << name.toString().toStdString();
            }
            previous = name;
            first = false;
        }
        for (const auto& [id, name] : model) {
            ASSERT_TRUE(t.Locate("ID", id)) << id;
            if (!name.isValid()) continue;
            ASSERT_TRUE(t.FindKey({name}));
            ASSERT_EQ(CompareJetText(t.FieldByName("Nazev")->AsString(), name.toString()), 0);
        }
        ASSERT_FALSE(t.Locate("ID", nextId));
    }
}

TEST_F(MemTableTest, MasterDetailShowsTheMastersRecords) {
    TMemTable groups;
    BuildItems(groups, {{10, "Kabely", {}, {}, {}}, {20, "Spojky", {}, {}, {}}, {30, "Prázdná", {}, {}, {}}});
    TDataSource dsGroups(&groups);

    TMemTable items;
    items.FieldDefs().Add("ID", ftInteger);
    items.FieldDefs().Add("Skupina", ftInteger);
    items.CreateTable();
    const int rows[][2] = {{1, 10}, {2, 20}, {3, 10}, {4, 20}, {5, 10}};
    for (const auto& r : rows) {
        items.Append();
        items.FieldByName("ID")->SetAsInteger(r[0]);
        items.FieldByName("Skupina")->SetAsInteger(r[1]);
        items.Post();
    }
    items.SetMasterFields("ID");
    items.SetDetailFields("Skupina");
    items.SetMasterSource(&dsGroups);
    EXPECT_EQ(Ids(items), (V{1, 3, 5}));
    groups.Next();
    EXPECT_EQ(Ids(items), (V{2, 4}));
    groups.Next();
    EXPECT_TRUE(items.IsEmpty());

    // A new detail record takes the master's key.
    items.Append();
    items.FieldByName("ID")->SetAsInteger(6);
    items.Post();
    EXPECT_EQ(items.FieldByName("Skupina")->AsInteger(), 30);
    EXPECT_EQ(Ids(items), (V{6}));

    groups.First();
    items.SetIndexFieldNames("ID");
    EXPECT_EQ(Ids(items), (V{1, 3, 5}));

    // Unlinking shows everything again.
    items.SetMasterSource(nullptr);
    EXPECT_EQ(items.RecordCount(), 6);
}

TEST_F(MemTableTest, LoadFromDataSetCopiesWhatTheSourceShows) {
    t.SetSort("Cena DESC");
    t.SetFilter("Cena > 5");
    t.SetFiltered(true);
    t.FieldByName("Popis")->SetDisplayLabel("Popis položky");
    t.Locate("ID", 3);

    TMemTable copy;
    copy.LoadFromDataSet(&t);
    EXPECT_EQ(Ids(copy), (V{5, 1, 3, 4}));
    EXPECT_EQ(copy.FieldByName("Popis")->DisplayLabel(), "Popis položky");
    EXPECT_EQ(copy.FieldByName("Popis")->Size(), 50);
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);  // the source keeps its position
    copy.Last();
    EXPECT_TRUE(copy.FieldByName("Aktivni")->AsBoolean());

    // Into existing fields by name; fields the source lacks stay NULL.
    TMemTable narrow;
    narrow.FieldDefs().Add("Popis", ftString, 20);
    narrow.FieldDefs().Add("Poznamka", ftMemo);
    narrow.CreateTable();
    narrow.LoadFromDataSet(&t, false);
    EXPECT_EQ(narrow.RecordCount(), 4);
    EXPECT_EQ(narrow.FieldByName("Popis")->AsString(), "Hadice");
    EXPECT_TRUE(narrow.FieldByName("Poznamka")->IsNull());

    copy.EmptyTable();
    EXPECT_TRUE(copy.Active());
    EXPECT_TRUE(copy.IsEmpty());
}

// Deleted records give up their values and their place in the natural order in batches, once
// they make up half the table. Before and after such a batch the table must show exactly the
// records left: in index order, in natural order (with a record inserted among them after the
// batch), by bookmark and by ID.
TEST(MemTableIndex, DeletingMostRecordsLeavesExactlyTheRestInEveryOrder) {
    TMemTable t;
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("Nazev", ftString, 40);
    t.CreateTable();
    t.AddIndex("ixNazev", "Nazev");
    t.SetIndexName("ixNazev");
    constexpr int kRows = 300;
    for (int id = 1; id <= kRows; ++id) {
        t.Append();
        t.FieldByName("ID")->SetAsInteger(id);
        // Descending names, so that index order and natural order differ.
        t.FieldByName("Nazev")->SetAsString(
            QString::fromUtf8("položka %1").arg(kRows - id, 3, 10, QChar(u'0')));
        t.Post();
    }
    ASSERT_TRUE(t.Locate("ID", 7));
    const TBookmark deletedMark = t.GetBookmark();
    std::vector<qint64> kept;
    for (int id = 1; id <= kRows; ++id) {
        if (id % 6 == 0) {
            kept.push_back(id);
            continue;
        }
        ASSERT_TRUE(t.Locate("ID", id));
        t.Delete();
        if (id == 151) {
            // Half the table deleted: the batch has just run or is about to.
            EXPECT_EQ(t.RecordCount(), kRows - 151 + 25);
        }
    }
    EXPECT_FALSE(t.BookmarkValid(deletedMark));
    EXPECT_FALSE(t.Locate("ID", 7));
    std::vector<qint64> byName(kept.rbegin(), kept.rend());
    EXPECT_EQ(Ids(t), byName);
    ASSERT_TRUE(t.FindKey({QString::fromUtf8("POLOŽKA 000")}));
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), kRows);
    EXPECT_FALSE(t.FindKey({QString::fromUtf8("položka 001")}));

    t.SetIndexName("");
    EXPECT_EQ(Ids(t), kept);
    ASSERT_TRUE(t.Locate("ID", 12));
    t.Insert();
    t.FieldByName("ID")->SetAsInteger(1000);
    t.FieldByName("Nazev")->SetAsString("nová");
    t.Post();
    std::vector<qint64> natural = kept;
    natural.insert(natural.begin() + 1, 1000);
    EXPECT_EQ(Ids(t), natural);

    // Delete the rest too (another batch), then the table takes new records as an empty one.
    while (!t.IsEmpty()) t.Delete();
    t.Append();
    t.FieldByName("ID")->SetAsInteger(2000);
    t.Post();
    EXPECT_EQ(Ids(t), (V{2000}));
    EXPECT_TRUE(t.Locate("ID", 2000));
    EXPECT_FALSE(t.Locate("ID", kRows));
}

// Every edit of an indexed text makes its record a new sort key, and the bytes of the old one
// are reclaimed from time to time by moving the live keys elsewhere. After many such moves the
// order and key searches must still read the right keys (a key left pointing at reclaimed
// memory reads garbage, which the sanitizer build reports).
TEST(MemTableIndex, KeysStayRightThroughManyEditsOfTheIndexedText) {
    TMemTable t;
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("Nazev", ftString, 200);
    t.CreateTable();
    t.AddIndex("ixNazev", "Nazev");
    t.SetIndexName("ixNazev");
    constexpr int kRows = 20;
    const QString padding = QString(120, u'ž');
    auto name = [&](int id, int round) {
        return QString::number((id * 7 + round) % kRows).rightJustified(2, u'0') + padding +
               QString::number(id);
    };
    for (int id = 0; id < kRows; ++id) {
        t.Append();
        t.FieldByName("ID")->SetAsInteger(id);
        t.FieldByName("Nazev")->SetAsString(name(id, 0));
        t.Post();
    }
    // Each round rewrites every name: some 12 kB of keys, so a megabyte of waste every 90 rounds.
    for (int round = 1; round <= 600; ++round) {
        for (int id = 0; id < kRows; ++id) {
            ASSERT_TRUE(t.Locate("ID", id));
            t.Edit();
            t.FieldByName("Nazev")->SetAsString(name(id, round));
            t.Post();
        }
        if (round % 150 != 0) continue;
        SCOPED_TRACE(round);
        std::vector<qint64> expected(kRows);
        for (int id = 0; id < kRows; ++id) expected[static_cast<size_t>((id * 7 + round) % kRows)] = id;
        EXPECT_EQ(Ids(t), expected);
        ASSERT_TRUE(t.FindKey({name(3, round)}));
        EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
    }
}

// A NULL and an empty text are different keys: NULL first, the empty text next, and a search
// for the empty text finds that record, never the NULL one.
TEST(MemTableIndex, NullAndEmptyTextAreDifferentKeys) {
    TMemTable t;
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("Nazev", ftString, 20);
    t.CreateTable();
    t.AddIndex("ixNazev", "Nazev");
    t.SetIndexName("ixNazev");
    const QVariant names[] = {QString("a"), QVariant(), QString(""), QString("\u0001"), QString("A")};
    for (int id = 0; id < 5; ++id) {
        t.Append();
        t.FieldByName("ID")->SetAsInteger(id);
        t.FieldByName("Nazev")->SetValue(names[id]);
        t.Post();
    }
    EXPECT_EQ(Ids(t), (V{1, 2, 3, 0, 4}));
    ASSERT_TRUE(t.FindKey({QString("")}));
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
    ASSERT_TRUE(t.FindKey({QVariant()}));
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);
}

}  // namespace
