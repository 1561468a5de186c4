#include "VnDBGridFixture.h"

namespace {

struct DBGridMarksTest : DBGridFixture {
    int changes = 0;
    void Open(int records, int height = 240) {
        Build(records);
        MakeGrid(height);
        grid->SetOptions(grid->Options() | dgMarker);
        grid->SetDataSource(&source);
        grid->OnBookmarksChanged = [this](QObject*) { ++changes; };
    }
    void Mark(qint64 id) {
        GoToId(id);
        grid->MarkedRows().SetCurrentRowMarked(true);
    }
    std::vector<qint64> MarkedIds() {
        std::vector<qint64> ids;
        TBookmarkList& marks = grid->MarkedRows();
        const TBookmark here = table.GetBookmark();
        for (int i = 0; i < marks.MarkCount(); ++i) {
            table.GotoBookmark(marks.MarkAt(i));
            ids.push_back(CurrentId());
        }
        table.GotoBookmark(here);
        return ids;
    }
};

TEST_F(DBGridMarksTest, NewestMarkComesFirst) {
    Open(6);
    TBookmarkList& marks = grid->MarkedRows();
    Mark(2);
    Mark(5);
    Mark(3);
    EXPECT_EQ(MarkedIds(), (std::vector<qint64>{3, 5, 2}));
    EXPECT_EQ(changes, 3);

    // Marking a marked record or unmarking an unmarked one changes nothing and tells nobody.
    GoToId(5);
    marks.SetCurrentRowMarked(true);
    GoToId(4);
    marks.SetCurrentRowMarked(false);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(marks.MarkCount(), 3);
    EXPECT_FALSE(marks.IsCurrentRowMarked());
    GoToId(5);
    EXPECT_TRUE(marks.IsCurrentRowMarked());
    marks.SetCurrentRowMarked(false);
    EXPECT_FALSE(marks.IsCurrentRowMarked());
    EXPECT_EQ(MarkedIds(), (std::vector<qint64>{3, 2}));
    EXPECT_EQ(changes, 4);

    EXPECT_THROW(marks.MarkAt(2), EInvalidGridOperation);
    marks.ClearMarks();
    EXPECT_EQ(changes, 5);
    marks.ClearMarks();
    EXPECT_EQ(changes, 5);
}

TEST_F(DBGridMarksTest, ClosedDatasetHasNoMarksAndRefusesTheQuestion) {
    Open(3);
    Mark(2);
    table.Close();
    TBookmarkList& marks = grid->MarkedRows();
    EXPECT_EQ(marks.MarkCount(), 0);
    try {
        marks.IsCurrentRowMarked();
        FAIL() << "no error";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), kSDataSetClosed);
    }
    EXPECT_THROW(marks.SetCurrentRowMarked(true), EInvalidGridOperation);
    // With nothing to walk, marking all rows does nothing.
    marks.MarkAllRows();
    EXPECT_EQ(marks.MarkCount(), 0);
}

TEST_F(DBGridMarksTest, MarkAllRowsInDatasetOrderAndBackToPosition) {
    Open(40, 200);
    table.MoveBy(17);
    const int row = grid->Row();
    Mark(1);
    GoToId(18);
    ASSERT_EQ(grid->Row(), row);
    grid->MarkedRows().MarkAllRows();
    EXPECT_EQ(CurrentId(), 18);
    EXPECT_EQ(grid->Row(), row);
    std::vector<qint64> all;
    for (int i = 1; i <= 40; ++i) all.push_back(i);
    EXPECT_EQ(MarkedIds(), all);
}

TEST_F(DBGridMarksTest, DropVanishedMarksAfterDeletes) {
    Open(8);
    for (qint64 id : {1, 3, 4, 6, 8}) Mark(id);
    TBookmarkList& marks = grid->MarkedRows();
    EXPECT_FALSE(marks.DropVanishedMarks());
    GoToId(3);
    table.Delete();
    GoToId(8);
    table.Delete();
    EXPECT_TRUE(marks.DropVanishedMarks());
    EXPECT_EQ(marks.MarkCount(), 3);
    EXPECT_EQ(MarkedIds(), (std::vector<qint64>{6, 4, 1}));
    EXPECT_FALSE(marks.DropVanishedMarks());
}

TEST_F(DBGridMarksTest, SavedMarksSurviveAReload) {
    Open(5);
    Mark(2);
    Mark(4);
    QStringList saved{"stale"};
    grid->MarkedRows().SaveMarks(saved);
    EXPECT_EQ(saved.size(), 2);

    // A reload of the same records: the marks come back by their IDs.
    TMemTable copy;
    copy.LoadFromDataSet(&table);
    table.EmptyTable();
    for (copy.First(); !copy.Eof(); copy.Next()) {
        table.Append();
        table.FieldByName("ID")->SetAsInteger(copy.FieldByName("ID")->AsLargeInt());
        table.Post();
    }
    grid->MarkedRows().ClearMarks();
    grid->MarkedRows().LoadMarks(saved);
    EXPECT_FALSE(grid->MarkedRows().DropVanishedMarks());
    EXPECT_EQ(MarkedIds(), (std::vector<qint64>{4, 2}));
}

TEST_F(DBGridMarksTest, DeleteMarkedRecords) {
    Open(6);
    for (qint64 id : {2, 5, 6}) Mark(id);
    grid->MarkedRows().DeleteMarkedRecords();
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_FALSE(table.Locate("ID", 5));
}

TEST_F(DBGridMarksTest, RemovingMultiSelectClearsMarks) {
    Open(3);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    EXPECT_FALSE(grid->Options() & dgMarker);
    Mark(1);
    // A marked row is highlighted whatever the cell's state.
    EXPECT_TRUE(grid->HighlightCell(0, 0, 0, QString()));
    GoToId(2);
    EXPECT_FALSE(grid->HighlightCell(0, 0, 0, QString()));
    GoToId(1);
    grid->SetOptions(grid->Options() & ~dgMultiSelect);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
}

TEST_F(DBGridMarksTest, RestorePositionKeepsTheScreenLine) {
    Open(60, 200);
    const int rows = grid->DataLink()->BufferCount();
    ASSERT_GT(rows, 5);
    struct Case {
        const char* what;
        qint64 top, current;  // the record on the first line and the current one
        qint64 deleted;       // 0: nothing deleted
        qint64 expected;      // the current record afterwards
        int lineShift;        // how many lines higher it stands afterwards
    };
    const Case cases[] = {
        {"nothing changed", 11, 14, 0, 14, 0},
        {"current deleted: the one before it on the same line", 11, 14, 14, 13, 0},
        {"first record deleted: the new first", 1, 1, 1, 2, 0},
        {"a record above deleted", 11, 14, 12, 14, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build(60);
        GoToId(c.top);
        table.MoveBy(rows - 1);
        GoToId(c.current);
        ASSERT_EQ(IdOnRow(0), c.top);
        const int line = grid->Row();
        grid->SavePosition(false);
        EXPECT_EQ(CurrentId(), c.current);
        EXPECT_EQ(grid->Row(), line);
        if (c.deleted) {
            GoToId(c.deleted);
            table.Delete();
        }
        table.Last();
        grid->RestorePosition();
        EXPECT_EQ(CurrentId(), c.expected);
        EXPECT_EQ(grid->Row(), line - c.lineShift);
    }

    // Near the end, the line is kept only as far as the records allow.
    Build(60);
    table.Last();
    table.MoveBy(-(rows - 1));
    const int topLine = grid->Row();
    ASSERT_EQ(topLine, grid->TitleOffset());
    table.Last();
    table.MoveBy(-1);
    grid->SavePosition(false);
    table.Last();
    table.Delete();
    table.First();
    grid->RestorePosition();
    EXPECT_EQ(CurrentId(), 59);
    EXPECT_EQ(grid->Row(), grid->RowCount() - 1);
}

TEST_F(DBGridMarksTest, SavePositionSkippingMarked) {
    Open(10);
    for (qint64 id : {4, 5, 7}) Mark(id);
    GoToId(5);
    grid->SavePosition(true);
    auto idOf = [&](const TBookmark& b) {
        const TBookmark here = table.GetBookmark();
        table.GotoBookmark(b);
        const qint64 id = CurrentId();
        table.GotoBookmark(here);
        return id;
    };
    EXPECT_EQ(idOf(grid->SavedPrior().Bookmark), 3);
    EXPECT_EQ(idOf(grid->SavedNext().Bookmark), 6);

    // The first record has nothing before it.
    table.First();
    grid->SavePosition(false);
    EXPECT_TRUE(grid->SavedPrior().Bookmark.isEmpty());
    EXPECT_EQ(idOf(grid->SavedNext().Bookmark), 1);
}

}  // namespace
