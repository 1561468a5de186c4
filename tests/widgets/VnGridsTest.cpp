#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QTest>

#include "TestGrid.h"
#include "common/Artifacts.h"
#include "widgets/VnGrids.h"

namespace {

struct GridTest : ::testing::Test {
    QWidget window;
    TestGrid* grid = nullptr;
    int textHeight = 0;

    void SetUp() override {
        grid = new TestGrid(5, 12, &window);
        grid->setGeometry(10, 20, 360, 200);
        for (int c = 1; c <= 5; ++c) grid->SetColWidths(c, 80);
        window.resize(380, 240);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        textHeight = QFontMetrics(grid->font()).height();
    }
    QWidget* vp() { return grid->viewport(); }
    QPoint TitleCenter(int col) {
        const TRect r = grid->CellRect(col, 0);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
};

TEST_F(GridTest, FooterHeights) {
    TVnFooter& line = *grid->footer;
    // Every panel hidden: no band at all, even with the line visible.
    EXPECT_EQ(grid->Footers().TotalHeight(), 0);
    EXPECT_EQ(grid->ClientRect().Bottom, vp()->height());

    struct Case {
        TBevelStyle style;
        int lineHeight;
    };
    const Case cases[] = {{beLowered, textHeight + 6},
                          {beRaised, textHeight + 6},
                          {beSingle, textHeight + 6},
                          {beNone, textHeight + 4},
                          {beFlat, textHeight + 4}};
    grid->Panel(1)->SetText(QStringLiteral("1 234,50"));
    grid->Panel(1)->SetVisible(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        grid->Panel(1)->SetStyle(c.style);
        EXPECT_EQ(line.Height(), c.lineHeight);
        EXPECT_EQ(grid->Footers().TotalHeight(), c.lineHeight + 5);
        EXPECT_EQ(grid->ClientRect().Bottom, vp()->height() - c.lineHeight - 5);
    }
    grid->Panel(1)->SetStyle(beLowered);

    // A height set while the line sizes itself does not stick; without auto-size it does.
    line.SetHeight(40);
    EXPECT_EQ(line.Height(), textHeight + 6);
    line.SetAutoSize(false);
    line.SetHeight(40);
    EXPECT_EQ(grid->Footers().TotalHeight(), 45);

    // A hidden line gives the rows their room back.
    line.SetVisible(false);
    EXPECT_EQ(grid->Footers().TotalHeight(), 0);
    EXPECT_EQ(grid->ClientRect().Bottom, vp()->height());
}

TEST_F(GridTest, PanelChangesRelayOrRepaintOnlyThePanel) {
    grid->Panel(1)->SetVisible(true);
    const int before = grid->rowCountUpdates;
    grid->Panel(1)->SetText(QStringLiteral("a"));
    EXPECT_GT(grid->rowCountUpdates, before);  // auto-size: the band is laid out again

    grid->footer->SetAutoSize(false);
    grid->footer->SetHeight(20);
    const int relaid = grid->rowCountUpdates;
    grid->invalidated = QRegion();
    grid->Panel(1)->SetText(QStringLiteral("b"));
    EXPECT_EQ(grid->rowCountUpdates, relaid);
    const TRect cell = grid->CellRect(2, 0);
    const QRect panel = grid->invalidated.boundingRect();
    EXPECT_EQ(panel.left(), cell.Left);
    EXPECT_EQ(panel.right() + 1, cell.Right);
    EXPECT_GE(panel.top(), grid->Footers().FooterRect().Top);
}

TEST_F(GridTest, PanelDefaultsFollowTheGridUntilSet) {
    TVnFooterTextPanel* panel = grid->Panel(0);
    grid->SetFixedColor(0x00E0E0);
    EXPECT_EQ(panel->Color(), 0x00E0E0);
    EXPECT_EQ(panel->AssignedValues(), 0u);
    panel->SetColor(clRed);
    grid->SetFixedColor(clBtnFace);
    EXPECT_EQ(panel->Color(), clRed);
    QFont f = grid->font();
    f.setBold(true);
    panel->SetFont(f);
    EXPECT_TRUE(panel->Font().bold());
    EXPECT_EQ(panel->AssignedValues(), unsigned(TVnFooterTextPanel::avColor | TVnFooterTextPanel::avFont));
}

TEST_F(GridTest, FooterPanelsAreNotDrawnUnderScrolledOutColumns) {
    for (int i = 0; i < 5; ++i) {
        grid->Panel(i)->SetText(QStringLiteral("X"));
        grid->Panel(i)->SetVisible(true);
    }
    grid->SetLeftCol(3);
    const int left = grid->LeftCol();
    ASSERT_GT(left, 1);
    const TRect lineRect{0, 0, 360, 20};
    for (int raw = 1; raw < left; ++raw)
        EXPECT_TRUE(grid->footer->PanelRect(grid->Panel(raw - 1), lineRect, false).IsEmpty()) << raw;
    const TRect shown = grid->footer->PanelRect(grid->Panel(left - 1), lineRect, false);
    EXPECT_EQ(shown.Left, grid->CellRect(left, 0).Left);
    EXPECT_EQ(shown.Top, 1);
    EXPECT_EQ(shown.Bottom, 19);
}

TEST_F(GridTest, TitleDragMovesColumnAndFooterPanel) {
    grid->Panel(1)->SetText(QStringLiteral("Σ 2"));
    grid->Panel(1)->SetVisible(true);
    const QStringList order = grid->captions;

    // To the right: the arrows stand at the target's right edge and the column lands after it.
    Press(vp(), TitleCenter(2));
    EXPECT_EQ(grid->DragState(), TDragState::TitleDrag);
    EXPECT_FALSE(grid->ArrowsShown());  // over its own title nothing would change
    Drag(vp(), TitleCenter(2) + QPoint(5, 0));
    EXPECT_FALSE(grid->ArrowsShown());
    Drag(vp(), TitleCenter(3));
    EXPECT_TRUE(grid->ArrowsShown());
    EXPECT_EQ(grid->DropColumn(), 3);
    EXPECT_EQ(grid->ArrowX(), grid->CellRect(3, 0).Right);
    Release(vp(), TitleCenter(3));
    EXPECT_EQ(grid->DragState(), TDragState::None);
    EXPECT_FALSE(grid->ArrowsShown());
    EXPECT_EQ(grid->captions, (QStringList{order[0], order[2], order[1], order[3], order[4]}));
    EXPECT_EQ(grid->PanelUnder(3), grid->Panel(1));
    EXPECT_EQ(grid->PanelUnder(3)->Text(), QStringLiteral("Σ 2"));

    // To the left: the arrows at the target's left edge and the column lands before it.
    Press(vp(), TitleCenter(3));
    Drag(vp(), TitleCenter(1));
    EXPECT_EQ(grid->ArrowX(), grid->CellRect(1, 0).Left);
    Release(vp(), TitleCenter(1));
    EXPECT_EQ(grid->captions, (QStringList{order[1], order[0], order[2], order[3], order[4]}));
    EXPECT_EQ(grid->PanelUnder(1), grid->Panel(1));
}

TEST_F(GridTest, TitleDragThatChangesNothingMovesNothing) {
    const QStringList order = grid->captions;
    struct Case {
        const char* name;
        QPoint drop;
    };
    const Case cases[] = {{"same title", {0, 0}}, {"below the titles", {0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Press(vp(), TitleCenter(2));
        const QPoint drop = QByteArray(c.name) == "same title" ? TitleCenter(2) : QPoint(100, 80);
        Drag(vp(), TitleCenter(4));
        Drag(vp(), drop);
        EXPECT_FALSE(grid->ArrowsShown());
        Release(vp(), drop);
        EXPECT_EQ(grid->captions, order);
    }
    (void)cases[0].drop;
}

TEST_F(GridTest, EscapeCancelsAndFocusLossCommits) {
    const QStringList order = grid->captions;
    grid->setFocus();
    Press(vp(), TitleCenter(1));
    Drag(vp(), TitleCenter(3));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(grid->DragState(), TDragState::None);
    EXPECT_FALSE(grid->ArrowsShown());
    auto* overlay = window.findChild<QWidget*>(QStringLiteral("VnDragOverlay"));
    ASSERT_NE(overlay, nullptr);
    EXPECT_FALSE(overlay->isVisible());
    Release(vp(), TitleCenter(3));
    EXPECT_EQ(grid->captions, order);

    Press(vp(), TitleCenter(1));
    Drag(vp(), TitleCenter(3));
    // Keys other than Esc are swallowed while dragging.
    const int col = grid->Col();
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->Col(), col);
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    QApplication::setActiveWindow(&window);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(grid, &out);
    EXPECT_EQ(grid->DragState(), TDragState::None);
    EXPECT_EQ(grid->captions, (QStringList{order[1], order[2], order[0], order[3], order[4]}));
}

TEST_F(GridTest, TitleDragScrollsAtTheEdges) {
    grid->SetColCount(11);
    grid->captions.clear();
    for (int i = 0; i < 10; ++i) grid->captions << QStringLiteral("C%1").arg(i);
    for (int c = 1; c <= 10; ++c) grid->SetColWidths(c, 80);
    Press(vp(), TitleCenter(1));
    const int right = grid->CalcDrawInfo().Horz.GridBoundary - 2;
    int lastLeft = grid->LeftCol();
    int moves = 0;
    // Beyond the last fully shown column every move scrolls one column, until the last one shows.
    while (grid->CalcDrawInfo().Horz.LastFullVisibleCell < 10 && moves < 20) {
        Drag(vp(), QPoint(right - (moves % 2), 5));
        ++moves;
        EXPECT_EQ(grid->LeftCol(), lastLeft + 1);
        lastLeft = grid->LeftCol();
    }
    EXPECT_EQ(grid->CalcDrawInfo().Horz.LastFullVisibleCell, 10);
    // Left of the scrolling area it scrolls back one column per move.
    Drag(vp(), QPoint(3, 5));
    EXPECT_EQ(grid->LeftCol(), lastLeft - 1);
    Drag(vp(), QPoint(4, 5));
    EXPECT_EQ(grid->LeftCol(), lastLeft - 2);
    QTest::keyClick(grid, Qt::Key_Escape);
    Release(vp(), QPoint(4, 5));
}

TEST_F(GridTest, SelectionDragAutoScrollsPastTheEdge) {
    grid->SetColCount(11);
    for (int c = 1; c <= 10; ++c) grid->SetColWidths(c, 80);
    grid->SetGridFlags(TVnCustomGrid::gfAdvancedSelect);
    const TRect cell = grid->CellRect(2, 3);
    Press(vp(), QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_EQ(grid->SelectedArea()->State(), TSelectedArea::TState::Pending);
    Drag(vp(), QPoint(cell.Left + 30, cell.Top + 5));
    EXPECT_EQ(grid->SelectedArea()->State(), TSelectedArea::TState::Selecting);
    EXPECT_EQ(grid->SelectedArea()->Count(), 1);
    EXPECT_FALSE(grid->AutoScrolling());
    // Past the right edge: a timer scrolls while the button is held.
    Drag(vp(), QPoint(vp()->width() + 25, cell.Top + 5));
    EXPECT_TRUE(grid->AutoScrolling());
    const int left = grid->LeftCol();
    grid->AutoScrollTick();  // as the timer would, without waiting for it
    // 25 pixels past the edge: 25 div 10 + 1 columns a tick, as far as there are columns to go.
    EXPECT_GT(grid->LeftCol(), left);
    EXPECT_LE(grid->LeftCol(), left + 3);
    // Back over the cells the timer stops; the release ends the selecting.
    Drag(vp(), QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_FALSE(grid->AutoScrolling());
    Release(vp(), QPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_EQ(grid->SelectedArea()->State(), TSelectedArea::TState::Idle);
}

TEST_F(GridTest, SelectedAreaPressRules) {
    TSelectedArea& area = *grid->SelectedArea();
    area.MouseDown(10, 10, Qt::LeftButton, Qt::NoModifier, {2, 2});
    area.MouseMove(13, 14, Qt::NoModifier, {2, 2});
    area.MouseUp();
    EXPECT_EQ(area.Count(), 0);  // within the threshold: no area
    area.MouseDown(10, 10, Qt::LeftButton, Qt::ControlModifier, {2, 2});
    area.MouseDown(10, 10, Qt::LeftButton, Qt::ControlModifier, {3, 3});
    EXPECT_EQ(area.Count(), 2);
    area.MouseDown(10, 10, Qt::LeftButton, Qt::ShiftModifier, {4, 4});
    EXPECT_EQ(area.Count(), 2);  // the last one replaced
    EXPECT_EQ(area.LastItem()->Anchor(), (TGridCoord{grid->Col(), grid->Row()}));
    area.MouseDown(10, 10, Qt::RightButton, Qt::NoModifier, {4, 4});
    EXPECT_EQ(area.Count(), 0);  // base items have no region, so every point is outside
}

TEST_F(GridTest, AutoSizeKeepsMinimumAndLetsTheAnchorTakeTheRest) {
    grid->SetGridFlags(TVnCustomGrid::gfAutoSize);
    const int extent = grid->CalcDrawInfo().Horz.GridExtent;
    auto total = [&] {
        int sum = 0;
        for (int c = 0; c < grid->ColCount(); ++c) sum += grid->ColWidths(c) + 1;
        return sum;
    };
    grid->AutoSizeColumns(-1, true);
    EXPECT_EQ(total(), extent);
    EXPECT_EQ(grid->ColWidths(0), 12);  // fixed columns keep their width

    // A very wide anchor squeezes the others down to 15 pixels and takes what is left.
    grid->SetColWidths(2, 5000);
    grid->AutoSizeColumns(2, false);
    grid->AutoSizeColumns(-1, true);
    grid->SetColWidths(1, 500);
    grid->AutoSizeColumns(1, true);
    for (int c = 2; c <= 5; ++c) EXPECT_GE(grid->ColWidths(c), TVnCustomGrid::kMinAutoSizeWidth) << c;
    EXPECT_EQ(total(), extent);
    EXPECT_EQ(grid->ColWidths(1), extent - 13 - 4 * 16 - 1);
    // No horizontal bar while the columns fit the client.
    EXPECT_EQ(grid->ScrollBars(), TScrollStyle::ssVertical);
}

TEST_F(GridTest, UpdateLockCollectsAndRepaintsOnce) {
    grid->BeginUpdateLock(true);
    grid->BeginUpdateLock(true);
    grid->InvalidateCell(2, 2);
    grid->InvalidateCell(3, 4);
    EXPECT_TRUE(grid->IsUpdateLocked());
    grid->EndUpdateLock(true);
    EXPECT_TRUE(grid->IsUpdateLocked());  // only the outermost release counts
    grid->EndUpdateLock(true);
    EXPECT_FALSE(grid->IsUpdateLocked());
    grid->EndUpdateLock(true);  // an unbalanced release is harmless
    EXPECT_FALSE(grid->IsUpdateLocked());
}

TEST_F(GridTest, HitCodesNameTheParts) {
    grid->Panel(0)->SetVisible(true);
    grid->Panel(0)->SetText(QStringLiteral("x"));
    const TRect footer = grid->Footers().FooterRect();
    EXPECT_EQ(grid->HitTest(20, 20), htClient);
    EXPECT_EQ(grid->HitTest(20, footer.Top + 2), htFooter);
    EXPECT_EQ(grid->HitTest(-3, 20), htOutside);
    grid->SetShowGroupBox(true);
    EXPECT_EQ(grid->HitTest(20, -5), htGroupBox);
}

TEST_F(GridTest, EmptyGroupingBoxIsOneTextLinePlusFifteen) {
    grid->SetShowGroupBox(true);
    EXPECT_EQ(grid->GroupBoxHeight(), textHeight + 15);
    EXPECT_EQ(grid->viewport()->geometry().top(), grid->frameWidth() + textHeight + 15);
    grid->GroupBox().Add(2, true);
    grid->GroupBox().Add(3, false);
    EXPECT_EQ(grid->GroupBox().IndexOfColumn(3), 1);
    grid->ColumnMovedForTest(3, 1);
    EXPECT_EQ(grid->GroupBox().Entries(0).ColumnIndex, 3);
    EXPECT_EQ(grid->GroupBox().Entries(1).ColumnIndex, 1);
    grid->GroupBox().DeleteLevel(1);
    EXPECT_EQ(grid->GroupBox().Count(), 0);
}

TEST(GridResources, IndicatorImagesAndCursors) {
    const TImageList& images = GridIndicatorImages();
    EXPECT_EQ(images.Count(), 11);
    for (int i = 0; i < images.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(images.Image(i).size(), QSize(10, 11));
        EXPECT_EQ(qAlpha(images.Image(i).pixel(0, 0)), 0);  // the key colour is see-through
    }
    EXPECT_FALSE(LoadBitmapResource(QStringLiteral("VN_DBCHECK")).isNull());
    for (int id : {crVnSelect, crVnSelectColumn, crVnSelectRow})
        EXPECT_FALSE(ScreenCursor(id).pixmap().isNull()) << id;
}

TEST_F(GridTest, PictureOfFrozenColumnsFooterAndSortMarks) {
    grid->SetFixedCols(2);  // the indicator and one frozen column
    grid->sortMarks[0] = iiIndexAsc;
    grid->sortMarks[2] = iiIndexDesc;
    grid->sortMarks[3] = iiIndexNone;
    grid->SetRow(2);
    grid->SetCol(3);
    grid->SetLeftCol(3);
    for (int i = 1; i < 5; ++i) {
        grid->Panel(i)->SetAlignment(taRightJustify);
        grid->Panel(i)->SetVisible(true);
        grid->Panel(i)->SetText(QStringLiteral("%1 250,00").arg(i * 1000));
    }
    grid->Panel(2)->SetColor(0xCCFFFF);
    grid->Panel(3)->SetText(QStringLiteral("a very long total that cannot fit"));
    QApplication::processEvents();
    const QImage picture = window.grab().toImage();
    ASSERT_TRUE(picture.save(ArtifactPath(QStringLiteral("grid-frozen-footer-sort.png"))));
    // The frozen column stays in place while the others scroll; the footer sits under the rows.
    EXPECT_EQ(grid->CellRect(1, 0).Left, 13);
    EXPECT_TRUE(grid->CellRect(2, 0).IsEmpty());
    const TRect footer = grid->Footers().FooterRect();
    EXPECT_EQ(footer.Bottom, vp()->height());
    EXPECT_EQ(footer.Height(), textHeight + 6 + 5);

    // And the pixels that show it: the sort mark in the frozen title, the frozen cells' own tint
    // closed by the fixed line, and the current cell in the highlight colour.
    const QImage view = vp()->grab().toImage();
    auto pixel = [&](int x, int y) { return FromQColor(view.pixelColor(x, y)); };
    auto has = [&](const TRect& r, TColor color) {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (pixel(x, y) == ColorToRGB(color)) return true;
        return false;
    };
    const TRect frozenTitle = grid->CellRect(1, 0);
    EXPECT_TRUE(
        has({frozenTitle.Right - 12, frozenTitle.Top + 1, frozenTitle.Right - 1, frozenTitle.Bottom - 1},
            clBlack));
    const TRect frozen = grid->CellRect(1, 1);
    EXPECT_EQ(pixel(frozen.Left + 1, frozen.Top + 1), 0xE8F0F0);
    EXPECT_EQ(pixel(frozen.Right, (frozen.Top + frozen.Bottom) / 2), clBlack);
    const TRect current = grid->CellRect(3, 2);
    EXPECT_EQ(pixel(current.Right - 2, current.Top + 1), ColorToRGB(clHighlight));
}

}  // namespace
