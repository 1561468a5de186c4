#include <QFontMetrics>
#include <QScrollBar>

#include "VnDBGridFixture.h"
#include "platform/text/OleDate.h"

namespace {

using DBGridTest = DBGridFixture;

TEST_F(DBGridTest, DefaultColumnsFollowTheVisibleFields) {
    Build(3);
    table.FieldByName("Datum")->SetVisible(false);
    table.FieldByName("Aktivni")->SetTag(-1);
    table.FieldByName("Cena")->SetDisplayLabel("Cena bez DPH");
    MakeGrid();
    grid->SetDataSource(&source);

    TDBGridColumns& columns = grid->Columns();
    ASSERT_EQ(columns.Count(), 4);
    EXPECT_EQ(columns.State(), csDefault);
    const char* names[] = {"ID", "Nazev", "Cena", "Aktivni"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(columns.ColumnAt(i)->FieldName(), names[i]);
        EXPECT_FALSE(columns.ColumnAt(i)->Stored());
        EXPECT_EQ(columns.ColumnAt(i)->BoundField(), table.FieldByName(names[i]));
    }
    EXPECT_EQ(columns.ColumnAt(2)->Title()->Caption(), "Cena bez DPH");
    // The field tagged -1 has a hidden column; the grid column is hidden with it.
    EXPECT_FALSE(columns.ColumnAt(3)->Visible());
    EXPECT_EQ(columns.ColumnAt(3)->Width(), -1);
    EXPECT_EQ(grid->ColWidths(grid->DataToRawColumn(3)), -1);
    EXPECT_TRUE(grid->HasData());

    // A field list made anew (the table re-created with other fields) rebuilds the columns; none
    // of them may keep a field of the old list.
    table.FieldDefs().Clear();
    table.FieldDefs().Add("Kod", ftString, 10);
    table.CreateTable();
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(columns.ColumnAt(0)->FieldName(), "Kod");
    EXPECT_EQ(columns.ColumnAt(0)->BoundField(), table.FieldByName("Kod"));
}

TEST_F(DBGridTest, GridWithoutOpenDataShowsOneEmptyRow) {
    Build(3);
    MakeGrid();
    EXPECT_EQ(DataRows(), 1);
    EXPECT_EQ(grid->Columns().Count(), 1);
    EXPECT_FALSE(grid->HasData());
    EXPECT_FALSE(grid->verticalScrollBar()->isEnabled());

    table.Close();
    grid->SetDataSource(&source);
    EXPECT_FALSE(grid->DataLink()->Active());
    EXPECT_EQ(DataRows(), 1);
    table.Open();
    EXPECT_TRUE(grid->DataLink()->Active());
    EXPECT_EQ(grid->Columns().Count(), 5);
}

TEST_F(DBGridTest, EmptyDatasetShowsOneEmptyRowAndADisabledBar) {
    Build(0);
    MakeGrid();
    grid->SetDataSource(&source);
    EXPECT_EQ(DataRows(), 1);
    EXPECT_TRUE(grid->HasData());
    for (int i = 0; i < grid->Columns().Count(); ++i)
        EXPECT_EQ(grid->GetCellText(grid->Columns().ColumnAt(i)), "");
    EXPECT_FALSE(grid->verticalScrollBar()->isEnabled());
}

TEST_F(DBGridTest, NumberingOfColumnsAndRows) {
    Build(3);
    MakeGrid();
    grid->SetDataSource(&source);

    struct Case {
        TDBGridOptions options;
        int indicatorOffset, titleOffset;
        std::vector<int> kinds;   // ColumnKind of raw columns -1, 0, 1, 2
        std::vector<int> widths;  // widths of the leading fixed columns
    };
    const TDBGridOptions base = dgColLines | dgRowLines;
    const Case cases[] = {
        {base | dgTitles | dgIndicator | dgMarker, 2, 1, {0, 1, 2, 4}, {12, 16}},
        {base | dgTitles | dgIndicator, 1, 1, {0, 1, 4, 4}, {12}},
        {base | dgMarker, 1, 0, {0, 2, 4, 4}, {16}},
        {base, 0, 0, {0, 4, 4, 4}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        grid->SetOptions(c.options);
        EXPECT_EQ(grid->IndicatorOffset(), c.indicatorOffset);
        EXPECT_EQ(grid->TitleOffset(), c.titleOffset);
        EXPECT_EQ(grid->ColCount(), 5 + c.indicatorOffset);
        EXPECT_EQ(grid->DataToRawColumn(0), c.indicatorOffset);
        EXPECT_EQ(grid->RawToDataColumn(c.indicatorOffset + 2), 2);
        EXPECT_EQ(grid->RawToDataRow(c.titleOffset), 0);
        for (int raw = -1; raw <= 2; ++raw) EXPECT_EQ(grid->ColumnKind(raw, 0), c.kinds[raw + 1]) << raw;
        for (size_t i = 0; i < c.widths.size(); ++i) EXPECT_EQ(grid->ColWidths(int(i)), c.widths[i]);
        EXPECT_EQ(grid->RowKind(-1, 0), 0);
        EXPECT_EQ(grid->RowKind(0, 0), c.titleOffset ? 1 : 3);
        EXPECT_EQ(grid->RowKind(1, 0), 3);
        EXPECT_EQ(grid->FixedRows(), c.titleOffset);
    }
}

TEST_F(DBGridTest, OptionsAndTheCellGridOptionsTheyGive) {
    Build(2);
    MakeGrid();
    grid->SetDataSource(&source);
    struct Case {
        TDBGridOptions given, kept;
        TGridOptions on, off;
    };
    const TDBGridOptions lines = dgColLines | dgRowLines;
    const TGridOptions allLines = goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine;
    const Case cases[] = {
        {dgEditing | dgAlwaysShowEditor | dgRowSelect, dgRowSelect, goRowSelect,
         goEditing | goAlwaysShowEditor},
        {dgMultiSelect | dgMarker, dgMultiSelect, 0, 0},
        {dgRowSizing, dgRowSizing | dgUserRowHeight, goRowSizing, 0},
        // The grid paints the highlighted row; the cell grid still selects whole rows.
        {dgRowSelect | dgHighlightRow, dgHighlightRow, goRowSelect, 0},
        {lines | dgFlatLines, lines | dgFlatLines, 0, allLines},
        {lines | dgFlatButtons, lines | dgFlatButtons, goVertLine | goHorzLine,
         goFixedVertLine | goFixedHorzLine},
        {lines | dgColumnResize | dgTabs, lines | dgColumnResize | dgTabs,
         allLines | goColSizing | goColMoving | goTabs, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        grid->SetOptions(c.given);
        EXPECT_EQ(grid->Options(), c.kept);
        EXPECT_EQ(grid->TCustomGrid::Options() & c.on, c.on);
        EXPECT_EQ(grid->TCustomGrid::Options() & c.off, 0u);
    }
}

TEST_F(DBGridTest, TitleRowGrowsForWrappedCaptions) {
    Build(2);
    MakeGrid();
    grid->SetDataSource(&source);
    const int single = grid->RowHeights(0);
    TColumn* column = grid->Columns().ColumnAt(1);
    column->SetWidth(60);
    column->Title()->SetCaption("Velmi dlouhý název sloupce");
    EXPECT_EQ(grid->RowHeights(0), single);
    column->SetOptions(gcWordBreak);
    EXPECT_GT(grid->RowHeights(0), single);
    EXPECT_EQ(grid->RowHeights(0), column->TitleCaptionHeight() + 4);
    column->SetOptions(0);
    EXPECT_EQ(grid->RowHeights(0), single);
}

TEST_F(DBGridTest, DeferredLayoutRunsLater) {
    Build(2);
    MakeGrid();
    grid->SetDataSource(&source);
    grid->BeginLayout();
    grid->Columns().ColumnAt(0)->SetVisible(false);
    grid->SetOptions(grid->Options() | dgMarker);
    EXPECT_EQ(grid->IndicatorOffset(), 1);
    grid->DeferLayout();
    EXPECT_EQ(grid->LayoutLock(), 0);
    EXPECT_EQ(grid->IndicatorOffset(), 1);
    QCoreApplication::sendPostedEvents(grid);
    EXPECT_EQ(grid->IndicatorOffset(), 2);
    EXPECT_EQ(grid->ColCount(), 7);
}

TEST_F(DBGridTest, HitCodesAndCellUnderPoint) {
    Build(5);
    MakeGrid();
    grid->SetDataSource(&source);
    grid->SetOptions(grid->Options() | dgMarker);
    auto centre = [&](int col, int row) {
        const TRect r = grid->CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    };
    struct Case {
        int col, row, code;
    };
    const Case cases[] = {
        {0, 0, htIndicatorTitle}, {1, 0, htMarkerTitle}, {2, 0, htColumnTitle}, {0, 1, htIndicator},
        {1, 2, htMarker},         {2, 1, htDataCell},    {4, 3, htDataCell},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.col << "," << c.row);
        const QPoint p = centre(c.col, c.row);
        EXPECT_EQ(grid->HitTest(p.x(), p.y()), c.code);
        EXPECT_EQ(grid->CellAtPoint(p.x(), p.y()), (TGridCoord{c.col, c.row}));
    }
    // Below the five rows: no cell.
    const TRect last = grid->CellRect(2, 5);
    EXPECT_EQ(grid->HitTest(last.Left + 3, last.Bottom + 10), htClient);
    EXPECT_EQ(grid->CellAtPoint(last.Left + 3, last.Bottom + 10).Y, -1);

    grid->SetCol(4);
    EXPECT_EQ(grid->CurrentDataColumn(), 2);
    EXPECT_EQ(grid->SelectedColumn(), grid->Columns().ColumnAt(2));
}

TEST_F(DBGridTest, RowHeightFollowsTheFontUnlessUserSet) {
    Build(3);
    MakeGrid();
    grid->SetDataSource(&source);
    const int fromFont = QFontMetrics(grid->font(), grid).height() + 3 + grid->GridLineWidth();
    // The stored 17 is what the font gives for the program's 8-point sans-serif font.
    EXPECT_EQ(fromFont, 17);
    grid->SetDefaultRowHeight(30);
    grid->LayoutChanged();
    EXPECT_EQ(grid->DefaultRowHeight(), fromFont);

    grid->SetOptions(grid->Options() | dgUserRowHeight);
    grid->SetDefaultRowHeight(30);
    grid->LayoutChanged();
    EXPECT_EQ(grid->DefaultRowHeight(), 30);
    EXPECT_EQ(grid->RowHeights(1), 30);
    // The title row keeps its own height, taken from the title font.
    EXPECT_EQ(grid->RowHeights(0), QFontMetrics(grid->TitleFont(), grid).height() + 4);

    // Without titles the first row shows data at the data rows' height.
    grid->SetOptions(grid->Options() & ~dgTitles);
    EXPECT_EQ(grid->TitleOffset(), 0);
    EXPECT_EQ(grid->RowHeights(0), 30);
    EXPECT_EQ(grid->RowKind(0, 0), rkData);
    EXPECT_EQ(grid->GetCellText(grid->Columns().ColumnAt(1)), QString::fromUtf8("Položka 1"));
}

TEST_F(DBGridTest, BufferHoldsTheVisibleRowsAndFollowsTheCursor) {
    Build(100);
    MakeGrid(200);
    grid->SetDataSource(&source);
    TGridDataLink* link = grid->DataLink();

    const TRect client = grid->ClientRect();
    const int rowExtent = grid->DefaultRowHeight() + grid->GridLineWidth();
    const int fit = (client.Height() - grid->RowHeights(0) - grid->GridLineWidth()) / rowExtent;
    ASSERT_GT(fit, 3);
    EXPECT_EQ(link->BufferCount(), fit);
    EXPECT_EQ(DataRows(), fit);
    // The last data row is fully visible.
    EXPECT_LE(grid->CellRect(2, grid->RowCount() - 1).Bottom, client.Bottom);

    QScrollBar* bar = grid->verticalScrollBar();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->pageStep(), fit);

    // Moving the dataset moves the window; the cursor row follows the record.
    table.MoveBy(fit + 4);
    EXPECT_EQ(CurrentId(), fit + 5);
    EXPECT_EQ(grid->Row(), grid->TitleOffset() + link->ActiveRecord());
    EXPECT_EQ(link->ActiveRecord(), fit - 1);
    EXPECT_EQ(IdOnRow(0), 6);
    EXPECT_EQ(IdOnRow(fit - 1), fit + 5);
    EXPECT_EQ(bar->value(), fit + 5);

    table.Last();
    EXPECT_EQ(IdOnRow(fit - 1), 100);
    EXPECT_EQ(grid->Row(), grid->RowCount() - 1);
    table.First();
    EXPECT_EQ(grid->Row(), grid->TitleOffset());
    EXPECT_EQ(IdOnRow(0), 1);

    // A taller window holds more records.
    grid->resize(grid->width(), 400);
    EXPECT_GT(link->BufferCount(), fit);
    EXPECT_EQ(DataRows(), link->BufferCount());

    // A dataset shorter than the window shows only its records.
    table.SetFilter("ID <= 3");
    table.SetFiltered(true);
    EXPECT_EQ(DataRows(), 3);
    EXPECT_FALSE(bar->isEnabled());
}

TEST_F(DBGridTest, HorizontalBarTakesRoomFromTheRows) {
    Build(100);
    MakeGrid(200, 300);
    grid->SetDataSource(&source);
    const int rows = grid->DataLink()->BufferCount();
    for (int i = 0; i < grid->Columns().Count(); ++i) grid->Columns().ColumnAt(i)->SetWidth(150);
    // The bar may come after a repaint or two.
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->horizontalScrollBar()->isVisible(); }, 2000));
    EXPECT_LE(grid->DataLink()->BufferCount(), rows);
    EXPECT_LE(grid->CellRect(1, grid->RowCount() - 1).Bottom, grid->ClientRect().Bottom);
    EXPECT_GT(grid->CellRect(1, grid->RowCount() - 1).Bottom + grid->DefaultRowHeight() + 1,
              grid->ClientRect().Bottom);
}

TEST_F(DBGridTest, DataSourceSetterClearsMarks) {
    Build(5);
    MakeGrid();
    grid->SetDataSource(&source);
    grid->MarkedRows().SetCurrentRowMarked(true);
    int changes = 0;
    grid->OnBookmarksChanged = [&](QObject*) { ++changes; };
    TColumn* first = grid->Columns().ColumnAt(0);

    // The same source: only the marks go.
    grid->SetDataSource(&source);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(grid->Columns().ColumnAt(0), first);
    EXPECT_EQ(grid->DataSource(), &source);

    // Another source binds the grid to it.
    TMemTable other;
    other.FieldDefs().Add("Kod", ftString, 10);
    other.CreateTable();
    TDataSource otherSource(&other);
    grid->MarkedRows().SetCurrentRowMarked(true);
    grid->SetDataSource(&otherSource);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
    ASSERT_EQ(grid->Columns().Count(), 1);
    EXPECT_EQ(grid->Columns().ColumnAt(0)->FieldName(), "Kod");
    grid->SetDataSource(nullptr);
    EXPECT_FALSE(grid->DataLink()->Active());
    EXPECT_EQ(DataRows(), 1);
}

TEST_F(DBGridTest, DataGoneWhileShownUnbindsTheGrid) {
    Build(3);
    MakeGrid();
    {
        TMemTable other;
        other.FieldDefs().Add("Kod", ftString, 10);
        other.CreateTable();
        source.SetDataSet(&other);
        grid->SetDataSource(&source);
        grid->Columns().AddColumn()->SetFieldName("Kod");
        ASSERT_NE(grid->Columns().ColumnAt(0)->BoundField(), nullptr);
    }
    EXPECT_FALSE(grid->DataLink()->Active());
    EXPECT_EQ(grid->Columns().ColumnAt(0)->BoundField(), nullptr);
    EXPECT_EQ(grid->GetCellText(grid->Columns().ColumnAt(0)), "");
    EXPECT_EQ(DataRows(), 1);
    {
        TDataSource shortLived(&table);
        grid->SetDataSource(&shortLived);
        EXPECT_TRUE(grid->DataLink()->Active());
    }
    EXPECT_EQ(grid->DataSource(), nullptr);
    EXPECT_FALSE(grid->DataLink()->Active());
    EXPECT_EQ(grid->Columns().ColumnAt(0)->BoundField(), nullptr);
}

TEST_F(DBGridTest, CellTextWithDisplayFormats) {
    Build(1);
    table.Edit();
    table.FieldByName("Cena")->SetAsFloat(1234.5);
    table.FieldByName("Datum")->SetValue(DateTimeToOle(QDate(2024, 3, 5), QTime(14, 7)));
    table.Post();
    MakeGrid();
    grid->SetDataSource(&source);
    TColumn* id = grid->Columns().ColumnAt(0);
    TColumn* name = grid->Columns().ColumnAt(1);
    TColumn* price = grid->Columns().ColumnAt(2);
    TColumn* date = grid->Columns().ColumnAt(3);

    struct Case {
        TColumn* column;
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {price, ",0.00", "1 234,50"},
        {price, "0", "1235"},
        {price, " ", " "},  // a single blank prints the number blank
        {id, "000", "001"},
        {date, "dd.mm.yyyy", "05.03.2024"},
        {date, "hh:nn", "14:07"},
        {name, "%s ks", "Položka 1 ks"},
        {price, "", "1234,5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        c.column->SetDisplayFormat(c.format);
        EXPECT_EQ(grid->GetCellText(c.column), QString::fromUtf8(c.text));
    }
    // A missing date prints nothing whatever the format.
    table.Edit();
    table.FieldByName("Datum")->Clear();
    table.Post();
    date->SetDisplayFormat("dd.mm.yyyy");
    EXPECT_EQ(grid->GetCellText(date), "");
    EXPECT_EQ(grid->GetCellText(nullptr), "");
}

}  // namespace
