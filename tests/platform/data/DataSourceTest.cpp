#include <gtest/gtest.h>

#include "DataFixture.h"
#include "platform/data/DataSource.h"

namespace {

// Records what a grid would hear.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;
    std::vector<int> scrolls;

protected:
    void ActiveChanged() override { log.push_back("active"); }
    void DataSetChanged() override { log.push_back("changed"); }
    void DataSetScrolled(int distance) override {
        log.push_back("scrolled");
        scrolls.push_back(distance);
    }
    void LayoutChanged() override { log.push_back("layout"); }
    void RecordChanged(TField*) override { log.push_back("record"); }
    void EditingChanged() override { log.push_back("editing"); }
};

class DataLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<FixtureRow> rows;
        for (int i = 1; i <= 10; ++i) rows.push_back({i, QString("r%1").arg(i), i * 1.0, {}, {}});
        BuildItems(t, rows);
        ds.SetDataSet(&t);
        link.SetDataSource(&ds);
        link.SetBufferCount(4);
        link.log.clear();
    }
    TMemTable t;
    TDataSource ds;
    RecordingLink link;

    // The IDs in the link's window, read the way a grid paints: row by row through ActiveRecord.
    std::vector<qint64> Window() {
        std::vector<qint64> ids;
        const int active = link.ActiveRecord();
        for (int i = 0; i < link.RecordCount(); ++i) {
            link.SetActiveRecord(i);
            ids.push_back(t.FieldByName("ID")->AsLargeInt());
        }
        link.SetActiveRecord(active);
        return ids;
    }
};

TEST_F(DataLinkTest, WindowFollowsTheCursorWithTheDistanceItMoved) {
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(Window(), (std::vector<qint64>{1, 2, 3, 4}));
    EXPECT_EQ(link.ActiveRecord(), 0);

    t.MoveBy(3);  // still inside: the window stays
    EXPECT_EQ(link.scrolls.back(), 0);
    EXPECT_EQ(link.ActiveRecord(), 3);
    t.Next();  // one past the window's end: it moves by one
    EXPECT_EQ(link.scrolls.back(), 1);
    EXPECT_EQ(Window(), (std::vector<qint64>{2, 3, 4, 5}));
    EXPECT_EQ(link.ActiveRecord(), 3);
    EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 5);  // painting left the cursor's record current

    t.Last();
    EXPECT_EQ(link.scrolls.back(), 5);
    EXPECT_EQ(Window(), (std::vector<qint64>{7, 8, 9, 10}));
    t.First();
    EXPECT_EQ(link.scrolls.back(), -6);
    EXPECT_EQ(link.ActiveRecord(), 0);

    // A saved screen position puts the record back on its row, as far as the data allows.
    t.SetRecNo(6);
    link.PlaceActiveRecord(1);
    EXPECT_EQ(Window(), (std::vector<qint64>{5, 6, 7, 8}));
    t.SetRecNo(2);
    link.PlaceActiveRecord(3);
    EXPECT_EQ(link.ActiveRecord(), 1);
    t.SetRecNo(10);
    link.PlaceActiveRecord(0);
    EXPECT_EQ(Window(), (std::vector<qint64>{7, 8, 9, 10}));
}

TEST_F(DataLinkTest, WindowStaysFullNearTheEndAndShrinksForShortData) {
    t.Last();
    t.Delete();
    t.Delete();
    EXPECT_EQ(Window(), (std::vector<qint64>{5, 6, 7, 8}));
    EXPECT_EQ(link.ActiveRecord(), 3);
    link.SetBufferCount(20);
    EXPECT_EQ(link.RecordCount(), 8);
    EXPECT_EQ(link.ActiveRecord(), 7);
    t.SetFilter("ID <= 2");
    t.SetFiltered(true);
    EXPECT_EQ(link.RecordCount(), 2);
    t.SetFilter("ID > 100");
    EXPECT_EQ(link.RecordCount(), 0);
}

TEST_F(DataLinkTest, PaintingAnotherRowShowsStoredValuesWhileEditing) {
    t.SetRecNo(2);
    t.Edit();
    t.FieldByName("Popis")->SetAsString("upraveno");
    link.SetActiveRecord(0);
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "r1");
    link.SetActiveRecord(1);
    EXPECT_EQ(t.FieldByName("Popis")->AsString(), "upraveno");
    t.Cancel();
}

TEST_F(DataLinkTest, NotificationsForStatesAndChanges) {
    t.Edit();
    EXPECT_EQ(link.log, (std::vector<std::string>{"editing"}));
    t.FieldByName("Popis")->SetAsString("x");
    EXPECT_EQ(link.log.back(), "record");
    t.Post();
    EXPECT_EQ(link.log.back(), "changed");
    EXPECT_FALSE(link.Editing());

    int dataChanges = 0;
    ds.OnDataChange = [&](TDataSource*, TField*) { ++dataChanges; };
    t.Next();
    EXPECT_EQ(dataChanges, 1);

    link.log.clear();
    t.Close();
    EXPECT_EQ(link.log, (std::vector<std::string>{"active"}));
    EXPECT_FALSE(link.Active());
    t.Open();
    EXPECT_TRUE(link.Active());
}

TEST_F(DataLinkTest, NestedDisableControlsGivesOneNotificationAtTheEnd) {
    t.DisableControls();
    t.DisableControls();
    for (t.First(); !t.Eof(); t.Next()) {
        t.Edit();
        t.FieldByName("Cena")->SetAsFloat(0);
        t.Post();
    }
    t.SetSort("Popis");
    t.EnableControls();
    EXPECT_EQ(std::count(link.log.begin(), link.log.end(), "changed"), 0);
    t.EnableControls();
    EXPECT_EQ(std::count(link.log.begin(), link.log.end(), "changed"), 1);
    EXPECT_EQ(std::count(link.log.begin(), link.log.end(), "scrolled"), 0);
    EXPECT_EQ(std::count(link.log.begin(), link.log.end(), "record"), 0);
    EXPECT_FALSE(t.ControlsDisabled());

    // Nothing happened: nothing to tell.
    link.log.clear();
    t.DisableControls();
    t.EnableControls();
    EXPECT_TRUE(link.log.empty());
}

TEST_F(DataLinkTest, DestroyingEitherSideUnhooksTheOther) {
    {
        TMemTable temp;
        BuildItems(temp, {{1, "a", 1.0, {}, {}}});
        ds.SetDataSet(&temp);
        EXPECT_TRUE(link.Active());
        link.log.clear();
    }
    EXPECT_EQ(ds.DataSet(), nullptr);
    // The link is told, instead of staying active on a dataset that is gone.
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.log, std::vector<std::string>{"active"});
    {
        TDataSource other(&t);
        RecordingLink second;
        second.SetDataSource(&other);
        auto link2 = std::make_unique<RecordingLink>();
        link2->SetDataSource(&other);
        link2.reset();
        t.Next();
        EXPECT_FALSE(second.log.empty());
    }
    t.Next();  // the source is gone; the dataset must not reach it
}

}  // namespace
