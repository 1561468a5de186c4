#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include "DBGridUiFixture.h"
#include "TestGrid.h"
#include "common/Artifacts.h"

namespace {

using PaintTest = DBGridUiFixture;

// Whether any pixel of the rectangle has the colour.
bool HasColor(const QImage& image, const TRect& rect, TColor color) {
    const TColor rgb = ColorToRGB(color);
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
            if (FromQColor(image.pixelColor(x, y)) == rgb) return true;
    return false;
}

bool SameArea(const QImage& a, const QImage& b, const TRect& rect) {
    return a.copy(rect.ToQRect()) == b.copy(rect.ToQRect());
}

// A spot of the cell's background: below the text and clear of the lines.
QPoint Background(const TRect& r) { return QPoint(r.Right - 3, r.Bottom - 2); }

TEST_F(PaintTest, DrawingHandlerColoursReachTheDefaultText) {
    UseColumns({{"ID", 50}, {"Nazev", 120}, {"Cena", 80}});
    const int first = grid->IndicatorOffset();
    int calls = 0;
    grid->OnDrawColumnCell = [&](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                 TColumn* column, TGridDrawState state) {
        ++calls;
        if (column->FieldName() != QStringLiteral("Nazev")) return;
        canvas.setBrush(ToQColor(clYellow));
        canvas.setPen(ToQColor(clRed));
        grid->DrawCellDefault(canvas, rect, dataColumn, column, state);
    };
    table.MoveBy(5);  // the current row out of the way
    const QImage image = Grab();
    EXPECT_GT(calls, 0);
    const TRect painted = grid->CellRect(first + 1, 2);
    const QPoint spot = Background(painted);
    EXPECT_EQ(Pixel(image, spot.x(), spot.y()), clYellow);
    EXPECT_TRUE(HasColor(image, painted, clRed));
    // The cells the handler leaves alone keep the grid's colours.
    const TRect plain = grid->CellRect(first + 2, 2);
    EXPECT_EQ(Pixel(image, Background(plain).x(), Background(plain).y()), ColorToRGB(clWindow));
    EXPECT_FALSE(HasColor(image, plain, clRed));

    // Without default drawing the cells get their colours but no text, unless the handler writes it.
    grid->SetDefaultDrawing(false);
    grid->OnDrawColumnCell = nullptr;
    grid->InvalidateGrid();
    const QImage bare = Grab();
    const TRect cell = grid->CellRect(first + 2, 2);
    EXPECT_TRUE(HasColor(bare, cell, clWindow));
    EXPECT_FALSE(HasColor(bare, cell.Inflated(-1, -1), clBlack));
}

TEST_F(PaintTest, CellTextFollowsAlignmentAndStaysInItsCell) {
    UseColumns({{"ID", 50}, {"Cena", 120}});
    const int first = grid->IndicatorOffset();
    table.MoveBy(5);
    TColumn* price = grid->Columns().ColumnAt(1);
    price->SetAlignmentValue(taRightJustify);
    const TRect cell = grid->CellRect(first + 1, 1);
    const QImage right = Grab();
    price->SetAlignmentValue(taLeftJustify);
    grid->InvalidateGrid();
    const QImage left = Grab();
    const TRect leftHalf{cell.Left, cell.Top, cell.Left + cell.Width() / 2, cell.Bottom};
    const TRect rightHalf{cell.Left + cell.Width() / 2, cell.Top, cell.Right, cell.Bottom};
    EXPECT_TRUE(HasColor(right, rightHalf, clBlack));
    EXPECT_FALSE(HasColor(right, leftHalf, clBlack));
    EXPECT_TRUE(HasColor(left, leftHalf, clBlack));
    EXPECT_FALSE(HasColor(left, rightHalf, clBlack));
}

TEST_F(PaintTest, SortMarkIsDrawnOnlyWhereItFits) {
    UseColumns({{"ID", 50}, {"Nazev", 120}});
    const int first = grid->IndicatorOffset();
    TColumn* name = grid->Columns().ColumnAt(1);
    name->SetIndexed(true);
    const TRect title = grid->CellRect(first + 1, 0);
    const QImage none = Grab();
    name->SetIndexStyle(idxAscending);
    const QImage ascending = Grab();
    name->SetIndexStyle(idxDescending);
    const QImage descending = Grab();
    EXPECT_FALSE(SameArea(none, ascending, title));
    EXPECT_FALSE(SameArea(ascending, descending, title));

    // The title's measure leaves room for the mark of an indexed column.
    QImage scratch(200, 40, QImage::Format_RGB32);
    QPainter p(&scratch);
    QSize withMark, without;
    grid->PaintTitle(p, 1, 0, {0, 0, 200, 20}, false, false, false, withMark);
    name->SetIndexed(false);
    grid->PaintTitle(p, 1, 0, {0, 0, 200, 20}, false, false, false, without);
    EXPECT_EQ(withMark.width() - without.width(), 9);
    name->SetIndexed(true);

    // A title too narrow for caption and mark shows no mark.
    name->SetWidth(QFontMetrics(grid->font()).horizontalAdvance(name->Title()->Caption()) + 12);
    QApplication::processEvents();
    const TRect narrow = grid->CellRect(first + 1, 0);
    name->SetIndexStyle(idxNone);
    const QImage narrowNone = Grab();
    name->SetIndexStyle(idxAscending);
    const QImage narrowMarked = Grab();
    EXPECT_TRUE(SameArea(narrowNone, narrowMarked, narrow));
}

TEST_F(PaintTest, SelectionColoursWithAndWithoutFocus) {
    UseColumns({{"ID", 50}, {"Nazev", 120}, {"Cena", 80}});
    const int first = grid->IndicatorOffset();
    grid->SetOptions(grid->Options() | dgHighlightRow | dgAlwaysShowSelection);
    table.MoveBy(2);
    grid->SetCol(first + 1);
    const int row = grid->Row();
    const TRect cell = grid->CellRect(first + 1, row);
    const TRect inRow = grid->CellRect(first + 2, row);
    const TRect otherRow = grid->CellRect(first + 2, row + 1);
    struct Case {
        const char* name;
        bool focused;
        TColor currentCell, restOfRow, otherRows;
    };
    const Case cases[] = {
        {"focused", true, 0xE5E5E5, clHighlight, clWindow},
        {"another control has the focus", false, 0xD5D5D5, 0xD5D5D5, clWindow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.focused)
            grid->setFocus();
        else
            other.setFocus();
        QApplication::processEvents();
        ASSERT_EQ(grid->hasFocus(), c.focused);
        grid->InvalidateGrid();
        const QImage image = Grab();
        EXPECT_EQ(Pixel(image, Background(cell).x(), Background(cell).y()), ColorToRGB(c.currentCell));
        EXPECT_EQ(Pixel(image, Background(inRow).x(), Background(inRow).y()), ColorToRGB(c.restOfRow));
        EXPECT_EQ(Pixel(image, Background(otherRow).x(), Background(otherRow).y()), ColorToRGB(c.otherRows));
    }
    // The focused current cell writes in navy; unfocused, the text keeps its colour.
    grid->setFocus();
    grid->InvalidateGrid();
    EXPECT_TRUE(HasColor(Grab(), grid->CellRect(first + 1, row), 0x800000));
}

TEST_F(PaintTest, IndicatorAndMarkerColumns) {
    UseColumns({{"ID", 50}, {"Nazev", 120}});
    grid->SetOptions(grid->Options() | dgMarker);
    const int marker = grid->IndicatorOffset() - 1;
    const int first = grid->IndicatorOffset();
    table.MoveBy(1);
    grid->MarkedRows().SetCurrentRowMarked(true);  // record 2, on row 2
    table.MoveBy(2);                               // the current record is 4
    const QImage image = Grab();
    auto inside = [](const TRect& r) { return r.Inflated(-1, -1); };
    const TColor fixed = ColorToRGB(grid->FixedColor());
    auto onlyFixed = [&](const TRect& r) {
        const QImage part = image.copy(inside(r).ToQRect());
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                if (FromQColor(part.pixelColor(x, y)) != fixed) return false;
        return true;
    };
    EXPECT_FALSE(onlyFixed(grid->CellRect(0, 4)));  // the arrow
    EXPECT_TRUE(onlyFixed(grid->CellRect(0, 2)));
    EXPECT_FALSE(onlyFixed(grid->CellRect(marker, 2)));  // the check mark
    EXPECT_TRUE(onlyFixed(grid->CellRect(marker, 3)));
    // Without multi-selection a marked row is not highlighted.
    const TRect markedCell = grid->CellRect(first + 1, 2);
    EXPECT_EQ(Pixel(image, Background(markedCell).x(), Background(markedCell).y()), ColorToRGB(clWindow));
}

TEST_F(PaintTest, EmptyDataMessage) {
    QString shown;
    grid->OnPaintEmptyMessage = [&](QObject*, QPainter&, const TRect&, const QString& text) { shown = text; };
    table.Close();
    QApplication::processEvents();
    ASSERT_FALSE(grid->HasData());
    Grab();
    EXPECT_EQ(shown, QString::fromUtf8(TVnCustomDBGrid::kSNoDataToShow));

    // Custom columns with field names paint their cells even over a closed dataset.
    shown.clear();
    UseColumns({{"ID", 50}, {"Nazev", 120}});
    ASSERT_TRUE(grid->HasData());
    Grab();
    EXPECT_TRUE(shown.isEmpty());

    // Without a handler the grid writes the message itself.
    grid->Columns().Clear();
    grid->OnPaintEmptyMessage = nullptr;
    QApplication::processEvents();
    const QImage image = Grab();
    EXPECT_TRUE(HasColor(image, TRect::FromQRect(vp()->rect()), clBlack));
    EXPECT_TRUE(window.grab().toImage().save(ArtifactPath(QStringLiteral("dbgrid-empty.png"))));
}

TEST_F(PaintTest, FlatLinesAreTheGridsOwn) {
    UseColumns({{"ID", 50}, {"Nazev", 120}});
    grid->SetOptions(grid->Options() | dgFlatLines);
    table.MoveBy(5);
    const int first = grid->IndicatorOffset();
    const QImage image = Grab();
    const TRect cell = grid->CellRect(first + 1, 2);
    EXPECT_EQ(Pixel(image, cell.Right - 1, (cell.Top + cell.Bottom) / 2), clSilver);
    EXPECT_EQ(Pixel(image, cell.Left + 3, cell.Bottom - 1), clSilver);
    EXPECT_EQ(Pixel(image, cell.Right - 3, cell.Bottom - 3), ColorToRGB(clWindow));
}

TEST_F(PaintTest, CompleteLinesRunToTheRightEdge) {
    UseColumns({{"ID", 50}, {"Nazev", 100}});
    grid->SetOptions(grid->Options() | dgCompleteLines | dgHighlightRow);
    table.MoveBy(2);
    const int row = grid->Row();
    const int x = vp()->width() - 30;
    auto middle = [&](int r) {
        const TRect cell = grid->CellRect(0, r);
        return (cell.Top + cell.Bottom) / 2;
    };
    QImage image = Grab();
    EXPECT_EQ(Pixel(image, x, middle(row)), ColorToRGB(clHighlight));
    EXPECT_EQ(Pixel(image, x, middle(row + 1)), ColorToRGB(clWindow));
    EXPECT_EQ(Pixel(image, x, middle(0)), ColorToRGB(grid->FixedColor()));

    // A window may paint a continued row itself.
    grid->OnDrawCompleteLine = [&](QObject*, QPainter& canvas, const TRect& rect, bool, int r,
                                   bool& defaultDrawing) {
        if (r != row + 1) return;
        FillRect(canvas, rect, clYellow);
        defaultDrawing = false;
    };
    grid->InvalidateGrid();
    image = Grab();
    EXPECT_EQ(Pixel(image, x, middle(row + 1)), clYellow);
    EXPECT_EQ(Pixel(image, x, middle(row + 2)), ColorToRGB(clWindow));
}

TEST_F(PaintTest, RowDragImage) {
    UseColumns({{"ID", 50}, {"Nazev", 300}, {"Cena", 300}});
    std::unique_ptr<TImageList> images;
    grid->CreateCellDragImage(grid->IndicatorOffset(), 1, images);
    ASSERT_TRUE(images);
    EXPECT_EQ(images->Width(), 57);  // the first scrolled column and 7 pixels
    EXPECT_EQ(images->Height(), grid->DefaultRowHeight());

    // Marked rows make it twice as high; a wide column is cut at 200 pixels.
    grid->SetLeftCol(grid->IndicatorOffset() + 1);
    grid->MarkedRows().SetCurrentRowMarked(true);
    grid->CreateCellDragImage(grid->IndicatorOffset() + 1, 1, images);
    ASSERT_TRUE(images);
    EXPECT_EQ(images->Width(), 200);
    EXPECT_EQ(images->Height(), 2 * grid->DefaultRowHeight());

    grid->SetOptionsEx(grid->OptionsEx() & ~dgeShowDragImage);
    grid->CreateCellDragImage(grid->IndicatorOffset(), 1, images);
    EXPECT_FALSE(images);
}

// Dragging the whole grid away carries the image of its rows: the drag state says so while the drag
// runs, the image hangs at (2, 8) from the pointer, and both go when the drag ends.
TEST_F(PaintTest, DraggingTheGridCarriesItsRowImage) {
    UseColumns({{"ID", 50}, {"Nazev", 300}, {"Cena", 300}});
    const QPoint cell = CellCenter(grid->IndicatorOffset(), 2);
    EXPECT_EQ(grid->GetDragImages(), nullptr);
    grid->DoStartDrag(cell);
    EXPECT_EQ(grid->DragState(), TDragState::ControlDrag);
    const TImageList* images = grid->GetDragImages();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->Width(), 57);
    EXPECT_EQ(grid->DragImageHotSpot(), QPoint(2, 8));
    // The picture: the selection tint inside a dark grey frame.
    const QImage& picture = images->Image(0);
    EXPECT_EQ(FromQColor(picture.pixelColor(0, 0)), 0x666666);
    EXPECT_EQ(FromQColor(picture.pixelColor(images->Width() - 2, images->Height() - 2)), 0xCAB2A9);
    // A second drag cannot start while one runs.
    grid->DoStartDrag(cell);
    EXPECT_EQ(grid->GetDragImages(), images);
    grid->DoEndDrag();
    EXPECT_EQ(grid->DragState(), TDragState::None);
    EXPECT_EQ(grid->GetDragImages(), nullptr);

    // Without the row image there is nothing to drag.
    grid->SetOptionsEx(grid->OptionsEx() & ~dgeShowDragImage);
    grid->DoStartDrag(cell);
    EXPECT_EQ(grid->DragState(), TDragState::None);
}

TEST_F(PaintTest, PressedTitleLooksPressedWhileThePointerIsOnIt) {
    UseColumns({{"ID", 50}, {"Nazev", 120}, {"Cena", 80}});
    grid->SetOptions(grid->Options() | dgTitleClicked);
    const int first = grid->IndicatorOffset();
    const TRect title = grid->CellRect(first + 1, 0);
    const QImage up = Grab();
    const QPoint center = CellCenter(first + 1, 0);
    Press(vp(), center);
    EXPECT_EQ(grid->PressedTitle(), first + 1);
    const QImage down = Grab();
    EXPECT_FALSE(SameArea(up, down, title));
    // Off the title it looks up again, and releasing there is no title click.
    int titleClicks = 0;
    grid->OnTitleClick = [&](TColumn*) { ++titleClicks; };
    Drag(vp(), CellCenter(first + 2, 3));
    EXPECT_EQ(grid->DragState(), TDragState::None);
    EXPECT_TRUE(SameArea(up, Grab(), title));
    Release(vp(), CellCenter(first + 2, 3));
    EXPECT_EQ(titleClicks, 0);
    EXPECT_EQ(grid->PressedTitle(), -1);
}

TEST_F(PaintTest, FlatButtonsFrameTheWindowFlat) {
    ASSERT_NE(grid->frameShape(), QFrame::Panel);
    grid->SetOptions(grid->Options() | dgFlatButtons);
    Grab();
    QApplication::processEvents();
    EXPECT_EQ(grid->frameShape(), QFrame::Panel);
    EXPECT_EQ(grid->lineWidth(), 1);
    EXPECT_EQ(grid->FixedFrameStyle(), TCellFrameStyle::ThinEdge);
}

TEST_F(PaintTest, WrappedCellTextAndTitleImages) {
    UseColumns({{"ID", 50}, {"Nazev", 45}});
    grid->SetOptions(grid->Options() | dgUserRowHeight);
    grid->SetDefaultRowHeight(40);
    table.MoveBy(5);
    const int first = grid->IndicatorOffset();
    TColumn* name = grid->Columns().ColumnAt(1);
    const TRect cell = grid->CellRect(first + 1, 1);
    ASSERT_EQ(cell.Height(), 40);
    const TRect lower{cell.Left, cell.Top + 20, cell.Right, cell.Bottom};
    EXPECT_FALSE(HasColor(Grab(), lower, clBlack));
    name->SetWordBreak(true);
    EXPECT_TRUE(HasColor(Grab(), lower, clBlack));  // "Položka" and "1" on two lines

    // A title image stands before the caption.
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    TImageList images(8, 8);
    images.AddMasked(red, clNone);
    grid->SetImages(&images);
    const TRect title = grid->CellRect(first + 1, 0);
    EXPECT_FALSE(HasColor(Grab(), title, clRed));
    name->SetItemIndex(0);
    QApplication::processEvents();
    EXPECT_TRUE(HasColor(Grab(), grid->CellRect(first + 1, 0), clRed));
    grid->SetImages(nullptr);
}

TEST_F(PaintTest, PictureOfADataGrid) {
    grid->setGeometry(0, 0, 440, 250);
    window.resize(460, 260);
    UseColumns({{"ID", 40}, {"Nazev", 110}, {"Cena", 80}, {"Jednotka", 60}, {"Datum", 90}});
    grid->SetOptions(grid->Options() | dgMarker | dgTitleClicked);
    grid->SetFrozenCols(1);
    TColumn* name = grid->Columns().ColumnAt(1);
    TColumn* price = grid->Columns().ColumnAt(2);
    name->Title()->SetCaption(QStringLiteral("Název"));
    name->SetIndexed(true);
    name->SetIndexStyle(idxAscending);
    price->Title()->SetCaption(QStringLiteral("Cena"));
    price->Title()->SetAlignment(taRightJustify);
    price->SetAlignmentValue(taRightJustify);
    price->SetIndexed(true);
    price->SetIndexStyle(idxDescending);
    TColumn* date = grid->Columns().ColumnAt(4);
    date->Title()->SetAlignment(taCenter);
    date->SetIndexed(true);
    date->SetIndexStyle(idxAscending);
    price->FooterPanel()->SetText(QStringLiteral("861,00"));
    price->FooterPanel()->SetAlignment(taRightJustify);
    price->FooterPanel()->SetVisible(true);
    table.MoveBy(1);
    grid->MarkedRows().SetCurrentRowMarked(true);
    table.MoveBy(2);
    grid->MarkedRows().SetCurrentRowMarked(true);
    table.MoveBy(1);
    grid->SetCol(grid->IndicatorOffset() + 1);
    grid->setFocus();
    QApplication::processEvents();
    const QImage picture = window.grab().toImage();
    EXPECT_TRUE(picture.save(ArtifactPath(QStringLiteral("dbgrid.png"))));

    // What the picture must show: the sort mark right after the sorted caption, the check of the
    // marked rows only, and the fixed line after the frozen column.
    const QImage view = Grab();
    const int first = grid->IndicatorOffset();
    const int top = grid->TitleOffset();
    const TRect nameTitle = grid->CellRect(first + 1, 0);
    const int caption = QFontMetrics(name->Title()->Font()).horizontalAdvance(QStringLiteral("Název"));
    EXPECT_TRUE(HasColor(
        view, {nameTitle.Left + 2 + caption + 1, nameTitle.Top, nameTitle.Right, nameTitle.Bottom}, clBlack));
    const int marker = first - 1;
    EXPECT_TRUE(HasColor(view, grid->CellRect(marker, top + 1), clBlack));
    EXPECT_TRUE(HasColor(view, grid->CellRect(marker, top + 3), clBlack));
    EXPECT_FALSE(HasColor(view, grid->CellRect(marker, top + 2), clBlack));
    const TRect frozen = grid->CellRect(first, top + 2);
    EXPECT_EQ(Pixel(view, frozen.Right, (frozen.Top + frozen.Bottom) / 2), clBlack);
}

}  // namespace
