#include <gtest/gtest.h>

#include "DataFixture.h"

namespace {

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        BuildItems(t, {{1, "kabel", 10.5, Day(2024, 1, 5), true},
                       {2, "Čep", 3.0, Day(2024, 2, 1), false},
                       {3, "chránička", QVariant(), QVariant(), QVariant()},
                       {4, "", 7.25, Day(2023, 12, 31), true},
                       {5, "Hadice", 120.0, Day(2024, 3, 1), false}});
    }
    TMemTable t;
};

TEST_F(DataSetTest, MoveByStopsAtTheEndsAndSaysHowFarItWent) {
    struct Case {
        int startRecNo, distance, moved, recNo;
        bool eof, bof;
    };
    const Case cases[] = {
        {1, 2, 2, 3, false, false},   {4, 5, 1, 5, true, false},  {5, 1, 0, 5, true, false},
        {2, -5, -1, 1, false, true},  {1, -1, 0, 1, false, true}, {3, 0, 0, 3, false, false},
        {5, -4, -4, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.startRecNo << " by " << c.distance);
        t.SetRecNo(c.startRecNo);
        EXPECT_EQ(t.MoveBy(c.distance), c.moved);
        EXPECT_EQ(t.RecNo(), c.recNo);
        EXPECT_EQ(t.Eof(), c.eof);
        EXPECT_EQ(t.Bof(), c.bof);
    }
}

TEST_F(DataSetTest, WalkingVisitsEveryRecordOnceAndEmptyDatasetIsBothEnds) {
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 2, 3, 4, 5}));
    int seen = 0;
    for (t.Last(); !t.Bof(); t.Prior()) ++seen;
    EXPECT_EQ(seen, 5);

    TMemTable empty;
    BuildItems(empty, {});
    EXPECT_TRUE(empty.Eof());
    EXPECT_TRUE(empty.Bof());
    EXPECT_EQ(empty.RecNo(), 0);
    EXPECT_EQ(empty.MoveBy(3), 0);
    EXPECT_TRUE(empty.FieldByName("Popis")->IsNull());
}

TEST_F(DataSetTest, NullAndEmptyTextStayApart) {
    t.SetRecNo(3);
    EXPECT_TRUE(t.FieldByName("Popis")->AsString() == "chránička");
    EXPECT_TRUE(t.FieldByName("Cena")->IsNull());
    EXPECT_EQ(t.FieldByName("Cena")->AsFloat(), 0.0);
    t.SetRecNo(4);
    EXPECT_FALSE(t.FieldByName("Popis")->IsNull());
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "");
    t.Edit();
    t.FieldByName("Popis")->Clear();
    t.Post();
    EXPECT_TRUE(t.FieldByName("Popis")->IsNull());
}

TEST_F(DataSetTest, FieldConversions) {
    t.First();
    TField* price = t.FieldByName("Cena");
    EXPECT_EQ(price->AsString(), "10,5");
    EXPECT_EQ(price->AsInteger(), 11);  // rounded, as whole-number reads of amounts are
    EXPECT_EQ(price->AsCurrency(), Currency::FromRaw(105000));
    EXPECT_EQ(t.FieldByName("DatVystaveni")->AsString(), "5.1.2024");
    EXPECT_EQ(t.FieldByName("Aktivni")->AsString(), "True");
    EXPECT_EQ(price->Alignment(), taRightJustify);
    EXPECT_EQ(t.FieldByName("Popis")->DisplayWidth(), 50);
    EXPECT_EQ(t.FieldByName("popis")->Index(), 1);  // names are found whatever their case
    EXPECT_EQ(t.FindField("Neni"), nullptr);
    EXPECT_THROW(t.FieldByName("Neni"), EDataSetError);

    // Lists show money with a display format; a NULL shows nothing whatever the format.
    price->SetDisplayFormat("# ### ### ##0.00");
    EXPECT_EQ(price->DisplayText(), "10,50");
    t.FieldByName("DatVystaveni")->SetDisplayFormat("dd.mm.yyyy");
    EXPECT_EQ(t.FieldByName("DatVystaveni")->DisplayText(), "05.01.2024");
    t.SetRecNo(3);
    EXPECT_EQ(price->DisplayText(), "");
    t.First();

    t.Edit();
    price->SetAsString("1 234,5");
    EXPECT_DOUBLE_EQ(price->AsFloat(), 1234.5);
    EXPECT_EQ(price->DisplayText(), "1 234,50");
    t.FieldByName("DatVystaveni")->SetAsString("29.2.2024 13:05");
    EXPECT_EQ(t.FieldByName("DatVystaveni")->AsString(), "29.2.2024 13:05:00");
    t.FieldByName("ID")->SetAsString("");
    EXPECT_TRUE(t.FieldByName("ID")->IsNull());
    EXPECT_THROW(t.FieldByName("ID")->SetAsString("12a"), EDataSetError);
    EXPECT_THROW(t.FieldByName("DatVystaveni")->SetAsString("31.2.2024"), EDataSetError);
    t.Cancel();
    EXPECT_DOUBLE_EQ(price->AsFloat(), 10.5);
}

TEST(DataSetMoney, AMoneyFieldShowsGroupedThousandsAndTwoDecimalsUnlessItHasAFormat) {
    TMemTable t;
    t.FieldDefs().Add("Celkem", ftCurrency);
    t.FieldDefs().Add("Koeficient", ftFloat);
    t.CreateTable();
    struct Case {
        QVariant value;
        const char* format;
        const char* money;
    };
    const Case kCases[] = {
        {1681.9, "", "1 681,90"},          {-1681.9, "", "-1 681,90"}, {0.0, "", "0,00"},
        {1234567.891, "", "1 234 567,89"}, {QVariant(), "", ""},       {1681.9, "0", "1682"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.money);
        t.Append();
        t.FieldByName("Celkem")->SetValue(c.value);
        t.FieldByName("Koeficient")->SetValue(c.value);
        t.Post();
        TField* money = t.FieldByName("Celkem");
        money->SetDisplayFormat(QString::fromUtf8(c.format));
        EXPECT_EQ(money->DisplayText(), QString::fromUtf8(c.money));
        // What is stored and typed stays the plain number; other numbers keep their plain text.
        EXPECT_EQ(money->AsString(), t.FieldByName("Koeficient")->AsString());
        EXPECT_EQ(t.FieldByName("Koeficient")->DisplayText(), t.FieldByName("Koeficient")->AsString());
    }
}

TEST_F(DataSetTest, StatesPostAndCancel) {
    EXPECT_EQ(t.State(), dsBrowse);
    EXPECT_THROW(t.FieldByName("Popis")->SetAsString("x"), EDataSetError);

    t.SetRecNo(2);
    t.Edit();
    EXPECT_EQ(t.State(), dsEdit);
    t.FieldByName("Popis")->SetAsString("Čep M8");
    t.Cancel();
    EXPECT_EQ(t.State(), dsBrowse);
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "Čep");

    t.Edit();
    t.FieldByName("Popis")->SetAsString("Čep M8");
    t.Next();  // moving away posts a changed record
    EXPECT_EQ(t.State(), dsBrowse);
    t.Prior();
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "Čep M8");

    // Insert puts the record before the current one, Append after the last.
    t.SetRecNo(2);
    t.Insert();
    EXPECT_EQ(t.State(), dsInsert);
    EXPECT_TRUE(t.FieldByName("ID")->IsNull());
    t.FieldByName("ID")->SetAsInteger(10);
    t.Post();
    EXPECT_EQ(t.RecNo(), 2);
    t.Append();
    t.FieldByName("ID")->SetAsInteger(11);
    t.Post();
    EXPECT_EQ(t.RecNo(), 7);
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 10, 2, 3, 4, 5, 11}));

    // A cancelled insert leaves nothing behind; Delete in insert state only cancels.
    t.Append();
    t.Cancel();
    t.Insert();
    t.Delete();
    EXPECT_EQ(t.RecordCount(), 7);
}

TEST_F(DataSetTest, DeleteKeepsTheCursorOnTheNextRecordOrTheLast) {
    t.SetRecNo(2);
    t.Delete();
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
    t.Last();
    t.Delete();
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(t.RecordCount(), 3);
    while (!t.IsEmpty()) t.Delete();
    EXPECT_THROW(t.Delete(), EDataSetError);
}

TEST_F(DataSetTest, EventsFireInOrder) {
    std::vector<std::string> log;
    auto note = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
    t.BeforeScroll = note("BeforeScroll");
    t.AfterScroll = note("AfterScroll");
    t.BeforePost = note("BeforePost");
    t.AfterPost = note("AfterPost");
    t.OnNewRecord = [&log](TDataSet* ds) {
        log.push_back("OnNewRecord");
        ds->FieldByName("Cena")->SetAsFloat(1);  // defaults set here do not mark the record changed
    };
    t.Next();
    t.Append();
    EXPECT_FALSE(t.Modified());
    t.FieldByName("ID")->SetAsInteger(6);
    t.Post();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeScroll", "AfterScroll", "BeforeScroll", "OnNewRecord",
                                             "AfterScroll", "BeforePost", "AfterPost"}));
    EXPECT_DOUBLE_EQ(t.FieldByName("Cena")->AsFloat(), 1.0);

    // A BeforePost that throws keeps the record in edit state with its values.
    t.BeforePost = [](TDataSet*) { throw EDataSetError("refused"); };
    t.Edit();
    t.FieldByName("Popis")->SetAsString("x");
    EXPECT_THROW(t.Post(), EDataSetError);
    EXPECT_EQ(t.State(), dsEdit);
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "x");
    t.Cancel();
}

TEST_F(DataSetTest, BookmarksNameRecordsAcrossReorderingAndDeletes) {
    t.SetRecNo(3);
    const TBookmark third = t.GetBookmark();
    t.SetRecNo(5);
    const TBookmark fifth = t.GetBookmark();
    EXPECT_EQ(t.CompareBookmarks(third, fifth), -1);
    EXPECT_EQ(t.CompareBookmarks(fifth, third), 1);
    EXPECT_EQ(t.CompareBookmarks(third, third), 0);

    t.SetSort("Popis DESC");
    t.GotoBookmark(third);
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(t.CompareBookmarks(third, fifth),
              -1);  // chránička sorts after Hadice, so first when descending

    t.Delete();
    EXPECT_FALSE(t.BookmarkValid(third));
    EXPECT_THROW(t.GotoBookmark(third), EDataSetError);
    EXPECT_FALSE(t.BookmarkValid(TBookmark()));
    EXPECT_FALSE(t.BookmarkValid("garbage"));
    EXPECT_EQ(t.CompareBookmarks(third, fifth), -1);  // a stale mark sorts first
}

TEST_F(DataSetTest, BookmarksWithoutAnIdFieldStillWork) {
    TMemTable m;
    m.FieldDefs().Add("Kod", ftString, 10);
    m.CreateTable();
    for (const char* code : {"b", "a", "c"}) {
        m.Append();
        m.FieldByName("Kod")->SetAsString(code);
        m.Post();
    }
    m.First();
    const TBookmark b = m.GetBookmark();
    m.SetSort("Kod");
    EXPECT_EQ(m.BookmarkPosition(b), 1);
    m.GotoBookmark(b);
    EXPECT_EQ(m.FieldByName("Kod")->AsString(), "b");
}

TEST_F(DataSetTest, LocateOptionsAndSeveralFields) {
    struct Case {
        const char* fields;
        QVariant values;
        TLocateOptions options;
        int id;  // 0: not found
    };
    const Case cases[] = {
        {"Popis", "Hadice", 0, 5},
        {"Popis", "hadice", 0, 0},
        {"Popis", "hadice", loCaseInsensitive, 5},
        {"Popis", "HAD", loCaseInsensitive | loPartialKey, 5},
        {"Popis", "Had", loPartialKey, 5},
        {"Popis", "had", loPartialKey, 0},
        {"Popis", "cep", loCaseInsensitive, 0},  // accents matter
        {"Popis", "čep", loCaseInsensitive, 2},
        {"Popis", "", 0, 4},  // the empty text, not the NULL
        {"Cena", QVariant(), 0, 3},
        {"Cena", "7,25", 0, 4},
        {"ID", 4, 0, 4},
        {"ID", "4", 0, 4},
        {"ID", 99, 0, 0},
        {"Aktivni;Cena", QVariantList{false, 120}, 0, 5},
        {"Aktivni;Cena", QVariantList{true, 120}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fields << " = " << c.values.toString().toStdString());
        t.First();
        EXPECT_EQ(t.Locate(c.fields, c.values, c.options), c.id != 0);
        EXPECT_EQ(t.FieldByName("ID")->AsInteger(), c.id != 0 ? c.id : 1);  // a miss leaves the cursor
    }
    EXPECT_THROW(t.Locate("Neni", 1), EDataSetError);
    EXPECT_THROW(t.Locate("ID;Popis", 1), EDataSetError);
}

TEST_F(DataSetTest, LocateByIdFollowsEditsAndDeletes) {
    ASSERT_TRUE(t.Locate("ID", 2));
    t.Edit();
    t.FieldByName("ID")->SetAsInteger(20);
    t.Post();
    EXPECT_FALSE(t.Locate("ID", 2));
    EXPECT_TRUE(t.Locate("ID", 20));
    t.Delete();
    EXPECT_FALSE(t.Locate("ID", 20));
    t.Append();
    t.FieldByName("ID")->SetAsInteger(20);
    t.Post();
    t.First();
    EXPECT_TRUE(t.Locate("ID", 20));
    EXPECT_EQ(t.RecNo(), 5);
    // A second record with the same ID: the first in the current order is the one found.
    t.Append();
    t.FieldByName("ID")->SetAsInteger(20);
    t.FieldByName("Popis")->SetAsString("druhý");
    t.Post();
    t.First();
    EXPECT_TRUE(t.Locate("ID", 20));
    EXPECT_EQ(t.RecNo(), 5);
    t.SetSort("Popis DESC");  // the other one has no text, so now comes last
    EXPECT_TRUE(t.Locate("ID", 20));
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "druhý");
    t.SetSort("");
    t.Last();
    t.Delete();

    // Hidden by a filter: not found, though the record exists.
    t.SetFilter("ID < 10");
    t.SetFiltered(true);
    EXPECT_FALSE(t.Locate("ID", 20));
}

TEST_F(DataSetTest, SortsInCzechOrderWithNullsFirst) {
    t.SetSort("Popis");
    // "ch" comes after "h", "č" after "c"; the empty text and upper case sort as the database does.
    EXPECT_EQ(Ids(t), (std::vector<qint64>{4, 2, 5, 3, 1}));
    t.SetSort("Popis DESC");
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 3, 5, 2, 4}));
    t.SetSort("Cena");
    EXPECT_EQ(Ids(t), (std::vector<qint64>{3, 2, 4, 1, 5}));
    t.SetSort("Aktivni DESC, DatVystaveni");
    EXPECT_EQ(Ids(t), (std::vector<qint64>{4, 1, 2, 5, 3}));
    t.SetSort("");
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 2, 3, 4, 5}));
    EXPECT_THROW(t.SetSort("Neni"), EDataSetError);
}

TEST_F(DataSetTest, SortKeepsTheCurrentRecordAndPlacesPostedRecords) {
    t.SetRecNo(2);  // Čep
    t.SetSort("Cena");
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
    t.Edit();
    t.FieldByName("Cena")->SetAsFloat(1000);
    t.Post();
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
    EXPECT_EQ(t.RecNo(), 5);
    t.Append();
    t.FieldByName("ID")->SetAsInteger(6);
    t.FieldByName("Cena")->SetAsFloat(8);
    t.Post();
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 6);
    EXPECT_EQ(Ids(t), (std::vector<qint64>{3, 4, 6, 1, 5, 2}));
}

TEST_F(DataSetTest, FilterOnOffAndErrors) {
    t.SetFilter("Cena > 5");
    EXPECT_EQ(t.RecordCount(), 5);  // not applied while Filtered is off
    t.SetFiltered(true);
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 4, 5}));
    t.SetFilter("Popis LIKE '*e*'");
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 2, 5}));

    // A text that cannot be read keeps the previous filter; an unknown field cannot be switched on.
    EXPECT_THROW(t.SetFilter("Popis LIKE"), EFilterError);
    EXPECT_EQ(t.Filter(), "Popis LIKE '*e*'");
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_THROW(t.SetFilter("Neni = 1"), EFilterError);
    t.SetFiltered(false);
    t.SetFilter("Neni = 1");
    EXPECT_THROW(t.SetFiltered(true), EFilterError);
    EXPECT_FALSE(t.Filtered());
    EXPECT_EQ(t.RecordCount(), 5);

    // An empty filter with filtering on shows everything.
    t.SetFilter("");
    t.SetFiltered(true);
    EXPECT_EQ(t.RecordCount(), 5);

    // The filter survives closing and reopening.
    t.SetFilter("Aktivni = True");
    t.Close();
    t.Open();
    EXPECT_TRUE(t.Filtered());
    EXPECT_EQ(t.Filter(), "Aktivni = True");
}

TEST_F(DataSetTest, FilterRecordEventSeesEachRecord) {
    t.OnFilterRecord = [](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName("ID")->AsInteger() % 2 == 1;
    };
    t.SetFiltered(true);
    EXPECT_EQ(Ids(t), (std::vector<qint64>{1, 3, 5}));
    t.SetFilter("ID > 1");
    EXPECT_EQ(Ids(t), (std::vector<qint64>{3, 5}));
}

TEST_F(DataSetTest, PostedRecordHiddenByFilterMovesTheCursorOn) {
    t.SetFilter("Cena > 5");
    t.SetFiltered(true);
    t.First();
    t.Edit();
    t.FieldByName("Cena")->SetAsFloat(1);
    t.Post();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 4);
}

}  // namespace

// Controls keep field pointers; the version tells them when those fields are gone.
TEST(DataSetFieldsTest, FieldsVersionRisesOnlyWhenTheFieldListIsReplaced) {
    TMemTable t;
    BuildItems(t, {{1, "kabel", 1.0, QVariant(), true}});
    TField* name = t.FieldByName("Popis");
    EXPECT_EQ(name->Tag(), 0);
    name->SetTag(-1);
    const uint64_t version = t.FieldsVersion();

    // Closing and opening keeps the fields with their settings.
    t.Close();
    t.Open();
    EXPECT_EQ(t.FieldsVersion(), version);
    EXPECT_EQ(t.FieldByName("Popis"), name);
    EXPECT_EQ(name->Tag(), -1);

    t.FieldDefs().Clear();
    t.FieldDefs().Add("Kod", ftString, 10);
    t.CreateTable();
    EXPECT_GT(t.FieldsVersion(), version);
    EXPECT_EQ(t.FieldByName("Kod")->Tag(), 0);
}
