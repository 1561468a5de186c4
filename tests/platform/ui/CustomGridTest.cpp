#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <array>
#include <map>

#include "platform/ui/CustomGrid.h"

namespace {

// A grid of known geometry: a 12-pixel leading column, 1-pixel lines, rows 18 pixels high.
struct GridFixture : ::testing::Test {
    TCustomGrid grid;
    void SetUp() override {
        grid.SetColCount(6);
        grid.SetRowCount(20);
        grid.SetDefaultRowHeight(18);
        grid.SetColWidths(0, 12);
        for (int c = 1; c < 6; ++c) grid.SetColWidths(c, 50 + c * 10);  // 60, 70, 80, 90, 100
        grid.SetOptions(grid.Options() | goColSizing);
        grid.resize(260, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    void Move(QPoint p) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(grid.viewport()->mapToGlobal(p)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &e);
    }
};

TEST_F(GridFixture, CellRectsFollowWidthsLinesAndScrolling) {
    struct Case {
        int leftCol, col, row;
        TRect expected;
    };
    // Each cell starts one line width after the previous one; scrolled-out cells are empty, the
    // partly shown one is cut at the client edge.
    const int right = grid.ClientRect().Right;
    const Case cases[] = {
        {1, 0, 0, {0, 0, 12, 18}},
        {1, 1, 0, {13, 0, 73, 18}},
        {1, 2, 1, {74, 19, 144, 37}},
        {1, 3, 2, {145, 38, 225, 56}},
        {1, 4, 0, {226, 0, std::min(316, right), 18}},
        {2, 1, 0, {}},
        {2, 2, 0, {13, 0, 83, 18}},
        {2, 0, 3, {0, 57, 12, 75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "leftCol " << c.leftCol << " cell " << c.col << "," << c.row);
        grid.SetLeftCol(c.leftCol);
        EXPECT_EQ(grid.CellRect(c.col, c.row), c.expected);
    }
}

TEST_F(GridFixture, DrawInfoAndMouseCoordAgree) {
    const TGridDrawInfo info = grid.CalcDrawInfo();
    EXPECT_EQ(info.Horz.FixedBoundary, 13);
    EXPECT_EQ(info.Horz.LastFullVisibleCell, 3);  // 13 + 61 + 71 + 81 = 226 fits, 317 does not
    EXPECT_EQ(info.Horz.FullVisBoundary, 226);
    EXPECT_EQ(grid.MouseCoord(5, 5), (TGridCoord{0, 0}));
    EXPECT_EQ(grid.MouseCoord(73, 18), (TGridCoord{1, 0}));  // the line belongs to the cell before it
    EXPECT_EQ(grid.MouseCoord(74, 19), (TGridCoord{2, 1}));
    EXPECT_EQ(grid.MouseCoord(-1, 5), (TGridCoord{-1, -1}));
}

TEST_F(GridFixture, HiddenColumnTakesNoRoom) {
    grid.SetColWidths(2, -1);
    EXPECT_TRUE(grid.CellRect(2, 0).IsEmpty());
    EXPECT_EQ(grid.CellRect(3, 0).Left, 74);
}

TEST_F(GridFixture, ScrollingStopsWhenTheLastColumnIsShown) {
    grid.SetLeftCol(5);
    const TGridDrawInfo info = grid.CalcDrawInfo();
    // No empty room is scrolled in: the last column ends inside the client.
    EXPECT_LT(grid.LeftCol(), 5);
    EXPECT_EQ(info.Horz.LastFullVisibleCell, 5);
}

TEST_F(GridFixture, ColumnSizingByMouseNeverGoesBelowOnePixel) {
    QWidget* vp = grid.viewport();
    struct Case {
        int dropX;
        int expected;
    };
    // The edge of column 1 lies at x 72; dragging it anywhere left of its start keeps one pixel.
    const Case cases[] = {{92, 80}, {40, 28}, {13, 1}, {-50, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dropX);
        grid.SetColWidths(1, 60);
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(72, 5));
        EXPECT_EQ(grid.GridState(), TGridState::gsColSizing);
        Move(QPoint(c.dropX, 5));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(c.dropX, 5));
        EXPECT_EQ(grid.ColWidths(1), c.expected);
        EXPECT_EQ(grid.GridState(), TGridState::gsNormal);
    }
}

TEST_F(GridFixture, MoveColumnCarriesWidthAndKeepsTheCurrentColumn) {
    grid.SetCol(2);
    grid.MoveColumn(2, 4);
    EXPECT_EQ(grid.ColWidths(4), 70);
    EXPECT_EQ(grid.ColWidths(2), 80);
    EXPECT_EQ(grid.Col(), 4);
}

TEST_F(GridFixture, KeysMoveTheCurrentCellAndScrollItIntoView) {
    grid.setFocus();
    grid.SetCol(1);
    grid.SetRow(1);
    for (int i = 0; i < 4; ++i) QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 5);
    EXPECT_GE(5, grid.CalcDrawInfo().Horz.FirstGridCell);
    EXPECT_LE(5, grid.CalcDrawInfo().Horz.LastFullVisibleCell);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 19);
    EXPECT_EQ(grid.CalcDrawInfo().Vert.LastFullVisibleCell, 19);
}

// A move that keeps the anchor selects the block from the anchor to the new cell, with range
// selection on; without it, or with a move of the anchor, the selection is the current cell alone.
// The cells of the selection are painted selected, and only the current one focused.
struct StateGrid : TCustomGrid {
    std::map<std::pair<int, int>, TGridDrawState> states;
    void DrawCell(QPainter& canvas, int col, int row, const TRect& rect, TGridDrawState state) override {
        states[{col, row}] = state;
        TCustomGrid::DrawCell(canvas, col, row, rect, state);
    }
};

TEST(GridSelection, MovesKeepOrMoveTheAnchor) {
    StateGrid grid;
    grid.SetColCount(6);
    grid.SetRowCount(10);
    grid.resize(400, 240);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.activateWindow();
    grid.setFocus();
    auto sel = [&] {
        const TGridRect r = grid.Selection();
        return std::array<int, 4>{r.Left, r.Top, r.Right, r.Bottom};
    };
    struct Case {
        const char* what;
        TGridOptions options;
        int col, row;
        bool moveAnchor;
        std::array<int, 4> selection;
    };
    const Case cases[] = {
        {"a move with the anchor", goRangeSelect, 2, 2, true, {2, 2, 2, 2}},
        {"keeping the anchor spans a block", goRangeSelect, 4, 5, false, {2, 2, 4, 5}},
        {"back over the anchor", goRangeSelect, 1, 1, false, {1, 1, 2, 2}},
        {"a new anchor", goRangeSelect, 3, 3, true, {3, 3, 3, 3}},
        {"without range selection the anchor follows", 0, 5, 6, false, {5, 6, 5, 6}},
        {"whole rows", goRowSelect | goRangeSelect, 2, 8, false, {1, 6, 5, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid.SetOptions(c.options);
        grid.MoveColRow(c.col, c.row, c.moveAnchor, true);
        EXPECT_EQ(sel(), c.selection);
    }
    // Painted: the block selected, the current cell also focused, the rest plain.
    grid.SetOptions(goRangeSelect);
    grid.MoveColRow(2, 2, true, true);
    grid.MoveColRow(3, 4, false, true);
    grid.states.clear();
    grid.viewport()->repaint();
    auto state = [&](int col, int row) { return grid.states[std::make_pair(col, row)]; };
    EXPECT_EQ(state(2, 3), TGridDrawState{gdSelected});
    EXPECT_EQ(state(3, 4), TGridDrawState{gdSelected | (grid.hasFocus() ? gdFocused : 0u)});
    EXPECT_EQ(state(4, 4), TGridDrawState{0});
    EXPECT_EQ(state(1, 2), TGridDrawState{0});
}

TEST(ColorIdent, NamesAndNumbers) {
    struct Case {
        const char* text;
        bool ok;
        TColor color;
    };
    const Case cases[] = {
        {"clRed", true, clRed}, {"clbtnface", true, clBtnFace}, {"255", true, 255}, {"$00FF00", true, 0xFF00},
        {"0x10", true, 16},     {"clNothing", false, 0},        {"", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TColor color = 0;
        EXPECT_EQ(IdentToColor(QString::fromUtf8(c.text), color), c.ok);
        if (c.ok) {
            EXPECT_EQ(color, c.color);
        }
    }
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
}

}  // namespace
