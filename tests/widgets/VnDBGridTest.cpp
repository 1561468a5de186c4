#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QScrollBar>
#include <functional>
#include <set>

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
    EXPECT_EQ(columns.State(), TDBGridColumnsState::csDefault);
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
    // The bar comes with the queued layout, after a pass or two of the event loop (counted, not
    // timed: a grid that never shows it fails at once on a busy machine and an idle one alike).
    for (int pass = 0; pass < 5 && !grid->horizontalScrollBar()->isVisible(); ++pass)
        QCoreApplication::processEvents();
    ASSERT_TRUE(grid->horizontalScrollBar()->isVisible());
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
        {price, "#,##0.00", "1 234,50"},
        {price, "0", "1235"},
        {price, " ", " "},  // a single blank prints the number blank
        {id, "000", "001"},
        {date, "dd.mm.yyyy", "05.03.2024"},
        {date, "hh:nn", "14:07"},
        {name, "%s ks", "Položka 1 ks"},
        {price, "", "1234,5"},
        // Formats of the formatting function, with the station's separators and currency.
        {price, "%n", "1 234,50"},
        {price, "%.2f", "1234,50"},
        {price, "%.0n", "1 235"},  // half away from zero
        {price, "%10.2m", "1 234,50 Kč"},
        {price, "%13.2m", "  1 234,50 Kč"},
        {price, "%-10.1f|", "1234,5    |"},
        {price, "%.3e", "1,23E+003"},
        {price, "%n %%", "1 234,50 %"},
        {id, "%3d", "  1"},
        {id, "%.3d", "001"},
        {id, "č. %d", "č. 1"},
        // A type that does not suit the value shows the field's own text.
        {price, "%d", "1234,5"},
        {id, "%n", "1"},
        {price, "%", "1234,5"},
        {name, "%5.3s|", "  Pol|"},
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

// The edit button of a cell without a handler opens a floating grid over the nested table of the
// column's field; a field without one opens nothing, and a handler of the window takes precedence.
class NestingGrid : public TVnDBGrid {
public:
    using TVnDBGrid::TVnDBGrid;
    TDataSet* nested = nullptr;
    TDataSet* NestedDataSet(TColumn* column) override {
        return column && column->FieldName() == "Nazev" ? nested : nullptr;
    }
};

TEST_F(DBGridTest, EditButtonWithoutHandlerOpensTheNestedTable) {
    Build(3);
    TMemTable items;
    items.FieldDefs().Add("Kod", ftString, 10);
    items.FieldDefs().Add("Mnozstvi", ftFloat);
    items.CreateTable();
    for (int i = 1; i <= 4; ++i) {
        items.Append();
        items.FieldByName("Kod")->SetAsString(QStringLiteral("K%1").arg(i));
        items.FieldByName("Mnozstvi")->SetAsFloat(i);
        items.Post();
    }
    items.First();
    auto* nesting = new NestingGrid(&window);
    grid = nesting;
    nesting->nested = &items;
    grid->setObjectName("dbgGrid");
    grid->setGeometry(0, 0, 400, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    grid->SetDataSource(&source);

    grid->SelectColumn(grid->DataToRawColumn(0), 0);  // ID: no nested table
    grid->EditButtonClick();
    EXPECT_EQ(grid->PopupEditor(), nullptr);

    grid->SelectColumn(grid->DataToRawColumn(1), 0);
    grid->EditButtonClick();
    TVnCustomDBGrid* popup = grid->PopupEditor();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->isWindow());
    EXPECT_EQ(popup->DataSource()->DataSet(), &items);
    EXPECT_EQ(popup->Columns().Count(), 2);
    const QRect screen = popup->screen()->availableGeometry();
    EXPECT_LE(popup->width(), screen.width() / 2);
    EXPECT_EQ(popup->height(), screen.height() / 4);
    // It opens under the current cell.
    const TRect cell = grid->CellRect(grid->Col(), grid->Row());
    EXPECT_EQ(popup->geometry().topLeft(), grid->viewport()->mapToGlobal(QPoint(cell.Left, cell.Bottom)));
    delete popup;

    int handled = 0;
    grid->OnEditButtonClick = [&](QObject*) { ++handled; };
    grid->EditButtonClick();
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(grid->PopupEditor(), nullptr);
}

TEST_F(DBGridTest, DBObjectIsACopyTheGridCarries) {
    Build(1);
    MakeGrid();
    TVnDBObject object{QStringLiteral("Cenik"), QStringLiteral("C01"), QStringLiteral("Ceník")};
    grid->SetDBObject(object);
    object.Code = QStringLiteral("changed");
    EXPECT_EQ(grid->DBObject().Node, QStringLiteral("Cenik"));
    EXPECT_EQ(grid->DBObject().Code, QStringLiteral("C01"));
    EXPECT_EQ(grid->DBObject().Caption, QStringLiteral("Ceník"));
}

// A dataset whose records have no numbers: the bar shows the beginning, the way between and the end
// (0, 2, 4), and letting the thumb go at an end goes to that end.
class UnnumberedGrid : public TVnDBGrid {
public:
    using TVnDBGrid::TVnDBGrid;
    bool DataSetSequenced(TDataSet*) const override { return false; }
};

TEST_F(DBGridTest, ScrollBarOfADatasetWithoutRecordNumbers) {
    Build(100);
    grid = new UnnumberedGrid(&window);
    grid->setGeometry(0, 0, 500, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    grid->SetDataSource(&source);
    QScrollBar* bar = grid->verticalScrollBar();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 4);
    struct Case {
        const char* what;
        std::function<void()> move;
        int position;
    };
    const Case cases[] = {
        {"first", [&] { table.First(); }, 0},
        {"between", [&] { table.MoveBy(50); }, 2},
        {"last", [&] { table.Last(); }, 4},
        {"back between", [&] { table.MoveBy(-30); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.move();
        EXPECT_EQ(bar->value(), c.position);
    }
    bar->setSliderPosition(0);
    emit bar->sliderReleased();
    EXPECT_EQ(CurrentId(), 1);
    bar->setSliderPosition(4);
    emit bar->sliderReleased();
    EXPECT_EQ(CurrentId(), 100);
}

// A grid that notes every row its cell painter is called for.
class CountingGrid : public TVnDBGrid {
public:
    using TVnDBGrid::TVnDBGrid;
    std::set<int> paintedRows;

protected:
    void DrawCell(QPainter& canvas, int col, int row, const TRect& rect, TGridDrawState state) override {
        paintedRows.insert(row);
        TVnDBGrid::DrawCell(canvas, col, row, rect, state);
    }
};

// A step of the cursor repaints only the rows it must: with a scroll the uncovered row and the old
// current row at its new place, without one the old and the new current row. The picture that
// results is the one a full repaint gives.
TEST_F(DBGridTest, ScrollingByARowRepaintsOnlyTheRowsItMust) {
    Build(100);
    auto* counting = new CountingGrid(&window);
    grid = counting;
    grid->setGeometry(0, 0, 500, 240);
    window.resize(520, 260);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    grid->SetDataSource(&source);
    QApplication::processEvents();
    const int fit = grid->DataLink()->BufferCount();
    ASSERT_GT(fit, 4);
    const int top = grid->TitleOffset();

    auto step = [&](int distance) {
        QApplication::processEvents();
        counting->paintedRows.clear();
        table.MoveBy(distance);
        QApplication::processEvents();
        return counting->paintedRows;
    };
    // What the window shows, as the window system holds it (a grab would paint the grid anew).
    auto shown = [&] {
        const QPoint at = grid->viewport()->mapTo(&window, QPoint(0, 0));
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), grid->viewport()->width(),
                         grid->viewport()->height())
            .toImage();
    };
    auto fullRepaintMatches = [&] {
        const QImage scrolled = shown();
        grid->viewport()->repaint();
        return scrolled == shown();
    };

    struct Case {
        const char* what;
        int startRow;  // data row of the cursor before the step
        int distance;
        std::set<int> rows;  // raw rows that may be painted
    };
    const Case cases[] = {
        {"down from the bottom row scrolls up", fit - 1, 1, {top + fit - 2, top + fit - 1}},
        {"up from the top row scrolls down", 0, -1, {top, top + 1}},
        {"two down from the bottom row", fit - 1, 2, {top + fit - 3, top + fit - 2, top + fit - 1}},
        {"inside the window nothing scrolls", 2, 1, {top + 2, top + 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GoToId(50);
        table.MoveBy(c.startRow - grid->DataLink()->ActiveRecord());
        ASSERT_EQ(grid->DataLink()->ActiveRecord(), c.startRow);
        const std::set<int> painted = step(c.distance);
        EXPECT_FALSE(painted.empty());
        for (int row : painted) EXPECT_TRUE(c.rows.count(row)) << "row " << row << " was painted";
        EXPECT_TRUE(fullRepaintMatches());
    }

    // A jump from the bottom row further than the window shows repaints every row.
    GoToId(20);
    table.MoveBy(fit - 1 - grid->DataLink()->ActiveRecord());
    const std::set<int> painted = step(fit + 3);
    for (int row = top; row < grid->RowCount(); ++row) EXPECT_TRUE(painted.count(row)) << "row " << row;
    EXPECT_TRUE(fullRepaintMatches());
}

}  // namespace
