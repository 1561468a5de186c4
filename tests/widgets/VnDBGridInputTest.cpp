#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "DBGridUiFixture.h"
#include "TestGrid.h"
#include "common/ScriptedDialogs.h"

constexpr const char* kSDeleteRecordQuestion = TVnCustomDBGrid::kSDeleteRecordQuestion;
constexpr const char* kSDeleteMultipleRecordsQuestion = TVnCustomDBGrid::kSDeleteMultipleRecordsQuestion;

namespace {

using InputTest = DBGridUiFixture;

void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, key, mods);
}

TEST_F(InputTest, KeysMoveTheDataset) {
    UseColumns({{"ID", 40}, {"Nazev", 120}, {"Cena", 80}});
    const int page = grid->VisibleRowCount();
    ASSERT_GT(page, 3);
    struct Case {
        const char* name;
        int startId;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int expectedId;
    };
    const Case cases[] = {
        {"down", 1, Qt::Key_Down, Qt::NoModifier, 2},
        {"up", 5, Qt::Key_Up, Qt::NoModifier, 4},
        {"up at the first stays", 1, Qt::Key_Up, Qt::NoModifier, 1},
        {"down at the last stays (read-only data, no append)", kRecords, Qt::Key_Down, Qt::NoModifier,
         kRecords},
        {"page down", 1, Qt::Key_PageDown, Qt::NoModifier, 1 + page},
        {"page up", 30, Qt::Key_PageUp, Qt::NoModifier, 30 - page},
        {"ctrl+home", 25, Qt::Key_Home, Qt::ControlModifier, 1},
        {"ctrl+end", 3, Qt::Key_End, Qt::ControlModifier, kRecords},
        {"ctrl+pgdn: last visible", 1, Qt::Key_PageDown, Qt::ControlModifier, page},
        {"ctrl+down: last visible", 1, Qt::Key_Down, Qt::ControlModifier, page},
    };
    grid->SetOptions(grid->Options() & ~dgEditing);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        table.First();
        table.MoveBy(c.startId - 1);
        Key(grid, c.key, c.mods);
        EXPECT_EQ(Id(), c.expectedId);
    }
    // Ctrl+Up goes to the first record on screen, wherever the screen starts.
    table.Last();
    const int firstShown = kRecords - grid->DataLink()->RecordCount() + 1;
    Key(grid, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Id(), firstShown);
}

TEST_F(InputTest, HomeAndEndChooseColumnsOrRecords) {
    UseColumns({{"ID", 40}, {"Nazev", 120}, {"Cena", 80}});
    const int first = grid->IndicatorOffset();
    table.MoveBy(5);
    Key(grid, Qt::Key_End);
    EXPECT_EQ(grid->Col(), first + 2);
    EXPECT_EQ(Id(), 6);
    Key(grid, Qt::Key_Left);
    EXPECT_EQ(grid->Col(), first + 1);
    Key(grid, Qt::Key_Home);
    EXPECT_EQ(grid->Col(), first);
    Key(grid, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid->Col(), first + 2);
    EXPECT_EQ(Id(), 6);

    // With one column, or whole rows selected, Home and End go to the first and last record.
    UseColumns({{"Nazev", 120}});
    Key(grid, Qt::Key_End);
    EXPECT_EQ(Id(), kRecords);
    Key(grid, Qt::Key_Home);
    EXPECT_EQ(Id(), 1);
}

TEST_F(InputTest, ColumnsOfNoWidthAreSkipped) {
    UseColumns({{"ID", 40}, {"Nazev", 120}, {"Cena", 80}});
    grid->Columns().ColumnAt(1)->SetVisible(false);
    const int first = grid->IndicatorOffset();
    Key(grid, Qt::Key_Home);
    Key(grid, Qt::Key_Right);
    EXPECT_EQ(grid->Col(), first + 2);
    Key(grid, Qt::Key_Left);
    EXPECT_EQ(grid->Col(), first);
}

TEST_F(InputTest, TitleClicksCycleSortMarksAndTellTheWindow) {
    UseColumns({{"ID", 40}, {"Nazev", 120}, {"Cena", 80}});
    grid->SetOptions(grid->Options() | dgTitleClicked);
    TColumn* id = grid->Columns().ColumnAt(0);
    TColumn* name = grid->Columns().ColumnAt(1);
    TColumn* price = grid->Columns().ColumnAt(2);
    id->SetIndexed(true);
    name->SetIndexed(true);
    std::vector<std::pair<TColumn*, TColumnIndexStyle>> clicks;
    grid->OnTitleClick = [&](TColumn* column) { clicks.emplace_back(column, column->IndexStyle()); };
    const int first = grid->IndicatorOffset();
    auto click = [&](int dataColumn, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(vp(), Qt::LeftButton, mods, CellCenter(first + dataColumn, 0));
    };

    click(1);
    click(1);
    click(1);
    ASSERT_EQ(clicks.size(), 3u);
    EXPECT_EQ(clicks[0].second, idxAscending);
    EXPECT_EQ(clicks[1].second, idxDescending);
    EXPECT_EQ(clicks[2].second, idxAscending);
    EXPECT_EQ(clicks[2].first, name);

    // Another indexed column takes the mark; with Shift both keep theirs.
    click(0);
    EXPECT_EQ(id->IndexStyle(), idxAscending);
    EXPECT_EQ(name->IndexStyle(), idxNone);
    click(1, Qt::ShiftModifier);
    EXPECT_EQ(id->IndexStyle(), idxAscending);
    EXPECT_EQ(name->IndexStyle(), idxAscending);

    // A column that is not indexed gets no mark but the window still hears of the click.
    clicks.clear();
    click(2);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].first, price);
    EXPECT_EQ(price->IndexStyle(), idxNone);
    EXPECT_EQ(id->IndexStyle(), idxAscending);
    EXPECT_EQ(grid->PressedTitle(), -1);
}

TEST_F(InputTest, TitleDragPastFivePixelsMovesTheColumnInsteadOfClicking) {
    UseColumns({{"ID", 60}, {"Nazev", 120}, {"Cena", 80}});
    grid->SetOptions(grid->Options() | dgTitleClicked);
    int titleClicks = 0;
    std::vector<std::pair<int, int>> moves;
    grid->OnTitleClick = [&](TColumn*) { ++titleClicks; };
    grid->OnColumnMoved = [&](QObject*, int from, int to) { moves.emplace_back(from, to); };
    const int first = grid->IndicatorOffset();
    const QPoint start = CellCenter(first, 0);

    // Five pixels is still a click.
    Press(vp(), start);
    Drag(vp(), start + QPoint(5, 0));
    Release(vp(), start + QPoint(5, 0));
    EXPECT_EQ(titleClicks, 1);
    EXPECT_EQ(grid->DragState(), TDragState::None);

    // Further is a drag; dropped on the third title it moves the first column there.
    Press(vp(), start);
    Drag(vp(), start + QPoint(6, 0));
    EXPECT_EQ(grid->DragState(), TDragState::TitleDrag);
    const QPoint target = CellCenter(first + 2, 0);
    Drag(vp(), target);
    Release(vp(), target);
    EXPECT_EQ(titleClicks, 1);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(0, 2));
    EXPECT_EQ(grid->Columns().ColumnAt(2)->FieldName(), QStringLiteral("ID"));
    EXPECT_EQ(grid->Columns().ColumnAt(0)->FieldName(), QStringLiteral("Nazev"));
}

TEST_F(InputTest, FrozenColumnsStayFixedAndCanBeCurrent) {
    UseColumns({{"ID", 60}, {"Nazev", 150}, {"Cena", 120}, {"Jednotka", 120}, {"Datum", 120}});
    const int first = grid->IndicatorOffset();
    Key(grid, Qt::Key_Right);
    Key(grid, Qt::Key_Right);
    const int current = grid->Col();
    grid->SetFrozenCols(1);
    EXPECT_EQ(grid->FrozenCols(), 1);
    EXPECT_EQ(grid->FixedCols(), first + 1);
    EXPECT_EQ(grid->Col(), current);

    // Ctrl+Left and Home go to the frozen column; scrolling right never hides it.
    Key(grid, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(grid->Col(), first);
    Key(grid, Qt::Key_End);
    EXPECT_EQ(grid->Col(), first + 4);
    EXPECT_GE(grid->LeftCol(), grid->FixedCols());
    EXPECT_FALSE(grid->CellRect(first, 1).IsEmpty());
    Key(grid, Qt::Key_Home);
    EXPECT_EQ(grid->Col(), first);

    // A click makes the frozen column current too.
    Key(grid, Qt::Key_End);
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, CellCenter(first, 3));
    EXPECT_EQ(grid->Col(), first);
    EXPECT_EQ(Id(), 3);

    // Its right edge in the title row sizes it, never below five pixels.
    const TRect title = grid->CellRect(first, 0);
    const QPoint edge(title.Right, (title.Top + title.Bottom) / 2);
    Press(vp(), edge);
    Drag(vp(), edge + QPoint(30, 0));
    Release(vp(), edge + QPoint(30, 0));
    EXPECT_EQ(grid->ColWidths(first), 90);
    EXPECT_EQ(grid->Columns().ColumnAt(0)->Width(), 90);
    Press(vp(), QPoint(title.Left + 90, edge.y()));
    Drag(vp(), QPoint(title.Left - 20, edge.y()));
    Release(vp(), QPoint(title.Left - 20, edge.y()));
    EXPECT_EQ(grid->ColWidths(first), 5);
}

TEST_F(InputTest, HiddenLeadingColumnIsFixedWithoutCountingAsFrozen) {
    UseColumns({{"ID", 60}, {"Nazev", 150}, {"Cena", 120}});
    grid->Columns().ColumnAt(0)->SetVisible(false);
    grid->SetFrozenCols(0);
    EXPECT_EQ(grid->FrozenCols(), 0);
    EXPECT_EQ(grid->FixedCols(), grid->IndicatorOffset() + 1);
}

TEST_F(InputTest, MarkerColumnAndKeysMarkRows) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    grid->SetOptions(grid->Options() | dgMarker);
    const int marker = grid->IndicatorOffset() - 1;
    ASSERT_EQ(grid->ColumnKind(marker), ckMarker);
    int changes = 0;
    grid->OnBookmarksChanged = [&](QObject*) { ++changes; };

    // A click in the marker cell marks that record and makes it current.
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, CellCenter(marker, 3));
    EXPECT_EQ(Id(), 3);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 1);
    EXPECT_TRUE(grid->MarkedRows().IsCurrentRowMarked());
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, CellCenter(marker, 3));
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
    EXPECT_GE(changes, 2);

    // Shift+Down toggles the current record and moves on.
    Key(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Id(), 4);
    Key(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 2);
    table.First();
    table.MoveBy(2);
    EXPECT_TRUE(grid->MarkedRows().IsCurrentRowMarked());
    table.Next();
    EXPECT_TRUE(grid->MarkedRows().IsCurrentRowMarked());
    table.Next();
    EXPECT_FALSE(grid->MarkedRows().IsCurrentRowMarked());

    // Ctrl+Num + marks everything and keeps the place; Ctrl+Num - clears.
    const int before = Id();
    Key(grid, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), kRecords);
    EXPECT_EQ(Id(), before);
    Key(grid, Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 0);
}

TEST_F(InputTest, CtrlDeleteAsksFirst) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    grid->SetOptions(grid->Options() | dgMarker);
    TScriptedDialogs dialogs;
    table.MoveBy(4);
    dialogs.ExpectQuestion(QString::fromUtf8(kSDeleteRecordQuestion), false);
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table.RecordCount(), kRecords);

    dialogs.ExpectQuestion(QString::fromUtf8(kSDeleteRecordQuestion), true);
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table.RecordCount(), kRecords - 1);
    EXPECT_FALSE(table.Locate(QStringLiteral("ID"), 5));

    // Two marked rows: both go, whichever record is current.
    table.First();
    grid->MarkedRows().SetCurrentRowMarked(true);
    table.Next();
    grid->MarkedRows().SetCurrentRowMarked(true);
    table.Last();
    dialogs.ExpectQuestion(QString::fromUtf8(kSDeleteMultipleRecordsQuestion), true);
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table.RecordCount(), kRecords - 3);
    EXPECT_FALSE(table.Locate(QStringLiteral("ID"), 1));
    EXPECT_FALSE(table.Locate(QStringLiteral("ID"), 2));
    dialogs.Verify();

    // Without confirmation nothing is asked; a read-only grid never deletes.
    grid->SetOptions(grid->Options() & ~dgConfirmDelete);
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table.RecordCount(), kRecords - 4);
    grid->SetReadOnly(true);
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table.RecordCount(), kRecords - 4);
    EXPECT_TRUE(dialogs.Shown().size() == 3);
}

TEST_F(InputTest, NoDataMeansNoKeysAndNoClicks) {
    int clicks = 0;
    grid->OnCellClick = [&](TColumn*) { ++clicks; };
    table.Close();
    QApplication::processEvents();
    ASSERT_FALSE(grid->HasData());
    int keys = 0;
    grid->OnKeyDown = [&](QObject*, int&, Qt::KeyboardModifiers) { ++keys; };
    Key(grid, Qt::Key_Down);
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 40));
    EXPECT_EQ(keys, 0);
    EXPECT_EQ(clicks, 0);
}

TEST_F(InputTest, ClicksDoubleClicksAndTheWheel) {
    UseColumns({{"ID", 60}, {"Nazev", 150}, {"Cena", 80}});
    const int first = grid->IndicatorOffset();
    QStringList events;
    grid->OnCellClick = [&](TColumn* c) { events << QStringLiteral("click ") + c->FieldName(); };
    grid->OnCellDblClick = [&](TColumn* c) { events << QStringLiteral("double ") + c->FieldName(); };
    grid->OnColEnter = [&](QObject*) { events << QStringLiteral("enter"); };

    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, CellCenter(first + 1, 4));
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(grid->CurrentDataColumn(), 1);
    EXPECT_EQ(events, QStringList({"enter", "click Nazev"}));

    events.clear();
    // As the window system delivers it: the second press comes once more as a double click.
    const QPoint target = CellCenter(first + 2, 2);
    SendMouse(vp(), QEvent::MouseButtonPress, target, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp(), QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
    SendMouse(vp(), QEvent::MouseButtonPress, target, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp(), QEvent::MouseButtonDblClick, target, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp(), QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Id(), 2);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.count(QStringLiteral("double Cena")), 1);
    EXPECT_EQ(events.count(QStringLiteral("double Nazev")) + events.count(QStringLiteral("double ID")), 0);

    // A double click on a title is no double click of a cell.
    SendMouse(vp(), QEvent::MouseButtonDblClick, CellCenter(first, 0), Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp(), QEvent::MouseButtonRelease, CellCenter(first, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(events.filter(QStringLiteral("double")).size(), 1);

    // A step of the wheel is one record.
    const QPoint p = CellCenter(first, 2);
    QWheelEvent down(QPointF(p), QPointF(vp()->mapToGlobal(p)), QPoint(), QPoint(0, -240), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp(), &down);
    EXPECT_EQ(Id(), 4);
    QWheelEvent up(QPointF(p), QPointF(vp()->mapToGlobal(p)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp(), &up);
    EXPECT_EQ(Id(), 3);
}

TEST_F(InputTest, ScrollBarMovesTheDataset) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    QScrollBar* bar = grid->verticalScrollBar();
    ASSERT_TRUE(bar->isEnabled());
    const int shown = grid->DataLink()->RecordCount();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Id(), shown + 1);  // the record after the last one on screen
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Id(), kRecords);
    EXPECT_EQ(bar->value(), kRecords);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Id(), 1);
    EXPECT_EQ(bar->value(), 1);
    // Dragging the thumb moves nothing until it is let go; there it names the record.
    bar->setSliderDown(true);
    bar->setSliderPosition(20);
    EXPECT_EQ(Id(), 1);
    bar->setSliderDown(false);
    EXPECT_EQ(Id(), 20);
    EXPECT_EQ(bar->value(), 20);
}

TEST_F(InputTest, TabWalksTheTabStopColumnsAndWrapsToTheNextRow) {
    UseColumns({{"ID", 60}, {"Nazev", 150}, {"Cena", 80}});
    grid->SetOptions(grid->Options() | dgEditing);
    const int first = grid->IndicatorOffset();
    Key(grid, Qt::Key_Home);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(grid->TabStops(first + i));
    Key(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), first + 1);
    Key(grid, Qt::Key_Tab);
    Key(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), first);
    EXPECT_EQ(Id(), 2);
    Key(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->Col(), first + 2);
    EXPECT_EQ(Id(), 1);
}

TEST_F(InputTest, ShiftMovesMarkFromAnAnchorWithMultiSelect) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    grid->SetOptions(grid->Options() | dgMultiSelect);
    auto marked = [&] {
        QStringList ids;
        const TBookmark here = table.GetBookmark();
        for (int i = 0; i < grid->MarkedRows().MarkCount(); ++i) {
            table.GotoBookmark(grid->MarkedRows().MarkAt(i));
            ids << QString::number(Id());
        }
        table.GotoBookmark(here);
        ids.sort();
        return ids.join(QLatin1Char(' '));
    };
    table.MoveBy(4);  // record 5
    Key(grid, Qt::Key_Down, Qt::ShiftModifier);
    Key(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(marked(), QStringLiteral("5 6 7"));
    // Back towards the anchor takes the marks off again.
    Key(grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Id(), 6);
    EXPECT_EQ(marked(), QStringLiteral("5 6"));
    // A move without Shift clears the marks.
    Key(grid, Qt::Key_Down);
    EXPECT_EQ(marked(), QString());

    // A click marks its record alone; Ctrl adds or takes off one.
    const int first = grid->IndicatorOffset();
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, CellCenter(first, 2));
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::ControlModifier, CellCenter(first, 4));
    EXPECT_EQ(marked(), QStringLiteral("2 4"));
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::ControlModifier, CellCenter(first, 2));
    EXPECT_EQ(marked(), QStringLiteral("4"));
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, CellCenter(first, 3));
    EXPECT_EQ(marked(), QStringLiteral("3"));
    // Esc drops them.
    Key(grid, Qt::Key_Escape);
    EXPECT_EQ(marked(), QString());
}

TEST_F(InputTest, InsertMarksAndMovesOnWithInsertSelect) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    grid->SetOptions(grid->Options() | dgMarker);
    grid->SetOptionsEx(grid->OptionsEx() | dgeInsertSelect);
    Key(grid, Qt::Key_Insert);
    Key(grid, Qt::Key_Insert);
    EXPECT_EQ(Id(), 3);
    EXPECT_EQ(grid->MarkedRows().MarkCount(), 2);
    EXPECT_EQ(table.RecordCount(), kRecords);  // nothing inserted
    // Without it, a read-only grid inserts nothing either.
    grid->SetOptionsEx(grid->OptionsEx() & ~dgeInsertSelect);
    grid->SetReadOnly(true);
    Key(grid, Qt::Key_Insert);
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(InputTest, TitleCommentsFollowThePointer) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    std::vector<std::pair<int, TColumn*>> comments;
    grid->OnColumnComment = [&](QObject*, int mode, TColumn* column) { comments.emplace_back(mode, column); };
    const int first = grid->IndicatorOffset();
    QTest::mouseMove(vp(), CellCenter(first + 1, 0));
    ASSERT_FALSE(comments.empty());
    EXPECT_EQ(comments.back().first, kCommentShow);
    EXPECT_EQ(comments.back().second, grid->Columns().ColumnAt(1));
    EXPECT_EQ(grid->CommentColumn(), 1);
    QTest::mouseMove(vp(), CellCenter(first + 1, 3));
    EXPECT_EQ(comments.back().first, kCommentHide);
    EXPECT_EQ(comments.back().second, nullptr);
    EXPECT_EQ(grid->CommentColumn(), -1);
}

TEST_F(InputTest, LeavingTheGridCancelsAnUntouchedInsert) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    int entered = 0, left = 0;
    grid->OnEnter = [&](QObject*) { ++entered; };
    grid->OnExit = [&](QObject*) { ++left; };
    other.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(left, 1);
    grid->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(entered, 1);
    table.Insert();
    other.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.RecordCount(), kRecords);
}

TEST_F(InputTest, SizingOneRowSizesThemAll) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    grid->SetOptions(grid->Options() | dgRowSizing);
    const int height = grid->DefaultRowHeight();
    const TRect indicator = grid->CellRect(0, 2);
    const QPoint edge(indicator.Left + 5, indicator.Bottom);
    Press(vp(), edge);
    Drag(vp(), edge + QPoint(0, 10));
    Release(vp(), edge + QPoint(0, 10));
    EXPECT_EQ(grid->DefaultRowHeight(), height + 10);
    for (int row = grid->TitleOffset(); row < grid->RowCount(); ++row)
        EXPECT_EQ(grid->RowHeights(row), height + 10);
    // Over the data cells the same edge sizes nothing.
    const TRect cell = grid->CellRect(grid->IndicatorOffset(), 2);
    const QPoint dataEdge((cell.Left + cell.Right) / 2, cell.Bottom);
    Press(vp(), dataEdge);
    Drag(vp(), dataEdge + QPoint(0, 10));
    Release(vp(), dataEdge + QPoint(0, 10));
    EXPECT_EQ(grid->DefaultRowHeight(), height + 10);
}

TEST_F(InputTest, ContextMenuOfAColumn) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    QMenu menu;
    grid->Columns().ColumnAt(1)->SetPopupMenu(&menu);
    int code = -1;
    TGridCoord cell{-1, -1};
    QMenu* offered = nullptr;
    grid->OnPopupMenu = [&](QObject*, int hitTest, TGridCoord at, QMenu*& popup) {
        code = hitTest;
        cell = at;
        offered = popup;
        popup = nullptr;  // the window shows nothing here
    };
    const int first = grid->IndicatorOffset();
    const QPoint p = CellCenter(first + 1, 3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, vp()->mapToGlobal(p));
    QApplication::sendEvent(vp(), &event);
    EXPECT_EQ(code, htDataCell);
    EXPECT_EQ(cell, (TGridCoord{first + 1, 3}));
    EXPECT_EQ(offered, &menu);
    const QPoint q = CellCenter(first, 3);
    QContextMenuEvent other(QContextMenuEvent::Mouse, q, vp()->mapToGlobal(q));
    QApplication::sendEvent(vp(), &other);
    EXPECT_EQ(offered, nullptr);
}

TEST_F(InputTest, AColumnWithoutResizeKeepsItsWidth) {
    UseColumns({{"ID", 60}, {"Nazev", 150}});
    const int first = grid->IndicatorOffset();
    auto dragEdge = [&](int col) {
        const TRect title = grid->CellRect(col, 0);
        const QPoint edge(title.Right, (title.Top + title.Bottom) / 2);
        Press(vp(), edge);
        Drag(vp(), edge - QPoint(20, 0));
        Release(vp(), edge - QPoint(20, 0));
    };
    dragEdge(first);
    EXPECT_EQ(grid->Columns().ColumnAt(0)->Width(), 40);
    grid->Columns().ColumnAt(0)->SetResize(false);
    dragEdge(first);
    EXPECT_EQ(grid->Columns().ColumnAt(0)->Width(), 40);
    EXPECT_EQ(grid->ColWidths(first), 40);
    EXPECT_EQ(grid->Columns().ColumnAt(0)->FieldName(), QStringLiteral("ID"));
}

}  // namespace
