#include <QPainter>
#include <QPen>
#include <QTimer>

#include "widgets/VnDBGrids.h"
#include "widgets/VnScopeGuard.h"

namespace {

// Colours of the selection that are not system colours.
constexpr TColor kShadowSelection = 0xD5D5D5;
constexpr TColor kFocusedCellInRow = 0xE5E5E5;
constexpr TColor kFocusedCellText = 0x800000;
constexpr TColor kSelectedArea = 0xCAB2A9;
constexpr TColor kPressedTitleBrush = 0xB59285;
constexpr TColor kFlatLineColor = clSilver;
// Room a sort mark needs after its caption, and how far a right-aligned or centred caption keeps
// away from the right edge to leave it.
constexpr int kSortMarkRoom = 11;
constexpr int kSortMarkIndent = 13;

TAlignment Mirrored(TAlignment alignment) {
    if (alignment == taLeftJustify) return taRightJustify;
    if (alignment == taRightJustify) return taLeftJustify;
    return alignment;
}

unsigned AlignmentFlags(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return DT_RIGHT;
        case taCenter:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}

void SetCanvasColors(QPainter& canvas, TColor brush, TColor font) {
    canvas.setBrush(ToQColor(brush));
    canvas.setPen(ToQColor(font));
}

// Splits a title caption into the lines the multi-line writer draws: at CR, LF, a CR LF pair and
// the "#/" mark.
QStringList TitleLines(const QString& text) {
    QStringList lines;
    QString line;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << line;
            line.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('#') && i + 1 < text.size() && text[i + 1] == QLatin1Char('/')) {
            lines << line;
            line.clear();
            ++i;
        } else {
            line += c;
        }
    }
    lines << line;
    return lines;
}

}  // namespace

// ---- cell text --------------------------------------------------------------------------------------

void TVnCustomDBGrid::WriteCellText(QPainter& canvas, const TRect& rect, int leftMargin, bool wordBreak,
                                    bool rightToLeft, TAlignment alignment, const QString& text,
                                    int topMargin) {
    if (rect.IsEmpty()) return;
    const bool rtlCanvas = layoutDirection() == Qt::RightToLeft;
    // The window paints into its backing store, so even wrapped texts and dithered brushes need no
    // off-screen bitmap of their own against flicker: the cell is filled and written in place.
    canvas.save();
    canvas.setClipRect(rect.ToQRect(), Qt::IntersectClip);
    canvas.fillRect(rect.ToQRect(), canvas.brush().color());
    if (!wordBreak) {
        if (rtlCanvas && !rightToLeft) alignment = Mirrored(alignment);
        const QFontMetrics fm(canvas.font());
        const int width = fm.horizontalAdvance(text);
        int x = rect.Left + leftMargin;
        if (alignment == taRightJustify)
            x = rect.Right - width - 3;
        else if (alignment == taCenter)
            x = rect.Left + rect.Width() / 2 - width / 2;
        canvas.drawText(QPoint(x, rect.Top + topMargin + fm.ascent()), text);
    } else {
        if (rtlCanvas) alignment = Mirrored(alignment);
        TRect target{rect.Left + leftMargin, rect.Top + topMargin, rect.Right - 1, rect.Bottom - 1};
        DrawTextRect(canvas, text, target,
                     DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | AlignmentFlags(alignment));
    }
    canvas.restore();
}

void TVnCustomDBGrid::DrawCellDefault(QPainter& canvas, const TRect& rect, int /*dataColumn*/,
                                      TColumn* column, TGridDrawState /*state*/) {
    if (!column) return;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    WriteCellText(canvas, rect, 2, column->WordBreak(), rtl, column->Alignment(), GetCellText(column), 2);
}

// ---- frames -------------------------------------------------------------------------------------------

TCellFrameStyle TVnCustomDBGrid::FixedFrameStyle() {
    const bool flat = Options() & dgFlatButtons;
    if ((Options() & dgColLines) && (Options() & dgRowLines)) {
        if (ColorToRGB(Color()) != ColorToRGB(FixedColor()))
            return flat ? TCellFrameStyle::ThinEdge : TCellFrameStyle::Edge3D;
        return TCellFrameStyle::Single;
    }
    return flat ? TCellFrameStyle::InnerEdge : TCellFrameStyle::Single;
}

bool TVnCustomDBGrid::FlatTitleButtons() { return Options() & dgFlatButtons; }

// ---- titles -------------------------------------------------------------------------------------------

QPoint TVnCustomDBGrid::WriteTitleLines(QPainter& canvas, const QString& text, const TRect& rect, bool draw,
                                        TAlignment alignment, unsigned format) {
    int widest = 0, height = 0;
    for (const QString& line : TitleLines(text)) {
        QPoint extent;
        DrawMarkupText(canvas, line, {rect.Left, rect.Top + height, rect.Right, rect.Bottom}, false,
                       format | DT_NOPREFIX, Images(), extent);
        const int width = extent.x() - rect.Left;
        int lineHeight = extent.y();
        if (line.isEmpty()) lineHeight = QFontMetrics(canvas.font()).height();
        if (draw && !line.isEmpty()) {
            const int x =
                alignment == taRightJustify ? rect.Right - width : rect.Left + (rect.Width() - width) / 2;
            DrawMarkupText(canvas, line, {x, rect.Top + height, x + width, rect.Top + height + lineHeight},
                           true, format | DT_NOPREFIX, Images(), extent);
        }
        widest = std::max(widest, width);
        height += lineHeight;
    }
    return {widest, height};
}

void TVnCustomDBGrid::PaintTitle(QPainter& canvas, int dataColumn, int /*titleRow*/, const TRect& rect,
                                 bool pressed, bool paint, bool /*buffered*/, QSize& size) {
    size = {};
    TColumn* column =
        dataColumn >= 0 && dataColumn < Columns().Count() ? Columns().ColumnAt(dataColumn) : nullptr;
    if (!column) {
        if (paint) FillRect(canvas, rect, FixedColor());
        return;
    }
    canvas.save();
    TColumnTitle* title = column->Title();
    canvas.setFont(title->Font());
    TColor brush = title->Color();
    TColor fontColor = title->FontColor();
    if (pressed && FixedFrameStyle() == TCellFrameStyle::Single) {
        fontColor = clHighlightText;
        brush = kPressedTitleBrush;
    }
    SetCanvasColors(canvas, brush, fontColor);
    if (paint) FillRect(canvas, rect, brush);

    const QString caption = title->Caption();
    int captionHeight = column->TitleCaptionHeight();
    if (captionHeight <= 0) captionHeight = QFontMetrics(canvas.font()).height();
    int top = rect.Top;
    switch (column->VertAlignment()) {
        case vaCenter:
            top = std::max(0, (rect.Top + rect.Bottom - captionHeight) / 2);
            break;
        case vaBottom:
            top = std::max(0, rect.Bottom - captionHeight - 2);
            break;
        default:
            break;
    }
    int left = rect.Left + 2;
    if (pressed) {
        ++left;
        ++top;
    }
    if (Images() && column->ItemIndex() != -1 && column->ItemIndex() < Images()->Count() &&
        left + Images()->Width() < rect.Right) {
        if (paint)
            Images()->Draw(canvas, left, (rect.Top + rect.Bottom - Images()->Height()) / 2,
                           column->ItemIndex());
        left += Images()->Width() + 2;
    }
    const int room = rect.Right - left;
    if (room <= 0) {
        canvas.restore();
        return;
    }
    const bool marked = column->Indexed() && column->IndexStyle() != idxNone;
    const TAlignment alignment = title->Alignment();
    int textWidth = 0, textHeight = 0;
    if (column->Options() & gcWordBreak) {
        TRect box{left, top, rect.Right - 2, rect.Bottom};
        TRect measured = box;
        DrawTextRect(canvas, caption, measured,
                     DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | AlignmentFlags(alignment));
        textWidth = std::min(measured.Width(), box.Width());
        textHeight = measured.Height();
        if (paint)
            DrawTextRect(canvas, caption, box,
                         DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | AlignmentFlags(alignment));
    } else if (alignment == taLeftJustify) {
        QPoint extent;
        const TRect box{left, top, rect.Right, rect.Bottom};
        DrawMarkupText(canvas, caption, box, false, DT_SINGLELINE | DT_NOPREFIX, Images(), extent);
        textWidth = extent.x() - left;
        textHeight = extent.y();
        if (paint) DrawMarkupText(canvas, caption, box, true, DT_SINGLELINE | DT_NOPREFIX, Images(), extent);
    } else {
        const TRect box{left, top, rect.Right - (marked ? kSortMarkIndent : 0), rect.Bottom};
        const QPoint extent = WriteTitleLines(canvas, caption, box, paint, alignment, 0);
        textWidth = extent.x();
        textHeight = extent.y();
    }

    // The mark stands right after the caption, and only where it fits whole.
    const bool markFits = marked && textWidth + kSortMarkRoom < room;
    if (marked && paint && markFits) {
        int x = left + textWidth + 1;
        if (alignment == taCenter && !(column->Options() & gcWordBreak))
            x = left + (room - kSortMarkIndent - textWidth) / 2 + textWidth + 1;
        else if (alignment == taRightJustify && !(column->Options() & gcWordBreak))
            x = rect.Right - kSortMarkIndent + 1;
        GridIndicatorImages().Draw(canvas, x, top + 1,
                                   column->IndexStyle() == idxAscending ? iiIndexAsc : iiIndexDesc);
    }
    int width = left + textWidth - rect.Left + 2;
    width += column->Indexed() && (markFits || !paint) ? kSortMarkRoom : 2;
    size = QSize(width, textHeight);
    canvas.restore();
}

// ---- cells --------------------------------------------------------------------------------------------

void TVnCustomDBGrid::AddFlatLines(TRect& rect) {
    if (!(Options() & dgFlatLines) || !collectingLines_) return;
    if (Options() & dgRowLines) {
        LineBatchAdd(flatLines_, rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1);
        --rect.Bottom;
    }
    if (Options() & dgColLines) {
        LineBatchAdd(flatLines_, rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom + 1);
        --rect.Right;
    }
}

bool TVnCustomDBGrid::SelectionShown() { return (Options() & dgAlwaysShowSelection) || IsActiveControl(); }

void TVnCustomDBGrid::PaintMarkerCell(QPainter& canvas, int row, bool framed) {
    const int markerCol = (Options() & dgIndicator) ? 1 : 0;
    TRect rect = CellRect(markerCol, row);
    if (rect.IsEmpty()) return;
    FillRect(canvas, rect, FixedColor());
    const int dataRow = RawToDataRow(row);
    if (dataRow >= 0 && dataRow < DataLink()->RecordCount()) {
        // The mark belongs to the record shown on this row, not to the cursor's.
        const int current = DataLink()->ActiveRecord();
        DataLink()->SetActiveRecord(dataRow);
        bool marked = false;
        const TScopeGuard restore([this, current] { DataLink()->SetActiveRecord(current); });
        marked = MarkedRows().IsCurrentRowMarked();
        if (marked)
            GridIndicatorImages().Draw(canvas, rect.Right - 12,
                                       (rect.Top + rect.Bottom - GridIndicatorImages().Height()) / 2,
                                       iiCheck);
    }
    const TCellFrameStyle style = FixedFrameStyle();
    if (framed && style != TCellFrameStyle::Single)
        DrawCellFrame(canvas, style == TCellFrameStyle::InnerEdge ? rect.Inflated(1, 1) : rect, style,
                      TCellFrameState::Normal, FixedColor());
}

void TVnCustomDBGrid::DrawCell(QPainter& canvas, int col, int row, const TRect& cellRect,
                               TGridDrawState state) {
    if (Destroying()) {
        FillRect(canvas, cellRect, Color());
        return;
    }
    const TCellFrameStyle frameStyle = FixedFrameStyle();
    const bool titlePressed = PressedTitle() == col && !pressedTitleOpen_ && pressedTitleHot_;
    const int rowKind = RowKind(row);
    const int colKind = ColumnKind(col);
    const bool fixed = state & gdFixed;
    const bool frozen = fixed && rowKind == rkData && colKind == ckData;
    const bool bothLines = (Options() & dgColLines) && (Options() & dgRowLines);
    TRect rect = cellRect;
    int inset = 2;
    if (fixed && !frozen && bothLines) {
        rect = rect.Inflated(-1, -1);
        inset = 1;
    }
    canvas.save();
    if (colKind == ckData) {
        DrawDataColumnCell(canvas, col, row, rect, state, frozen);
    } else {
        DrawLeadingCell(canvas, col, row, rect, colKind, rowKind, inset);
    }
    canvas.restore();
    if (fixed && !frozen && (bothLines || (Options() & dgFlatButtons))) {
        const bool pressedFrame = titlePressed && rowKind == rkTitle;
        DrawCellFrame(canvas, rect.Inflated(1, 1), frameStyle,
                      pressedFrame ? TCellFrameState::Pressed : TCellFrameState::Normal, FixedColor());
    }
    if (rowKind == rkTitle) PaintTitleMenuButtons(canvas, col, cellRect);
}

void TVnCustomDBGrid::DrawLeadingCell(QPainter& canvas, int /*col*/, int row, TRect rect, int colKind,
                                      int rowKind, int inset) {
    const bool active = DataLink()->Active();
    if (colKind == ckMarker && rowKind == rkData && (Options() & dgMarker) && active) {
        PaintMarkerCell(
            canvas, row,
            !((Options() & dgColLines) && (Options() & dgRowLines)) && !(Options() & dgFlatButtons));
        return;
    }
    if (rowKind == rkFixed) {
        FillRect(canvas, rect, FixedColor());
        return;
    }
    FillRect(canvas, rect, FixedColor());
    const TImageList& images = GridIndicatorImages();
    if (rowKind == rkTitle) {
        // The title cells of the leading columns carry the buttons of their menus.
        int image = -1;
        int lift = 0;
        if (colKind == ckIndicator && (OptionsEx() & dgeIndicatorMenu)) image = iiMain;
        if (colKind == ckMarker && (OptionsEx() & dgeMarkerMenu)) {
            image = iiHeaderCheck;
            lift = 1;
        }
        if (image >= 0) {
            const int x = (rect.Left + rect.Right - images.Width() - inset) / 2 + 1;
            images.Draw(canvas, x, (rect.Top + rect.Bottom - images.Height()) / 2 - lift, image);
        }
        return;
    }
    if (colKind != ckIndicator || rowKind != rkData || !active) return;
    const int dataRow = RawToDataRow(row);
    if (dataRow >= DataLink()->RecordCount()) return;
    const int current = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(dataRow);
    int image = -1;
    const TScopeGuard restore([this, current] { DataLink()->SetActiveRecord(current); });
    const bool isCurrent = dataRow == current;
    const bool marked = (Options() & dgMultiSelect) && MarkedRows().IsCurrentRowMarked();
    if (isCurrent || marked) {
        switch (DataLink()->DataSet()->State()) {
            case dsEdit:
                if (isCurrent) image = iiEdit;
                break;
            case dsInsert:
                if (isCurrent) image = iiInsert;
                break;
            default:
                image = marked ? (isCurrent ? iiMultiArrow : iiMultiDot) : iiArrow;
                break;
        }
    }
    if (image < 0) return;
    int x = rect.Right - images.Width() - inset;
    if (layoutDirection() == Qt::RightToLeft) ++x;
    images.Draw(canvas, x, (rect.Top + rect.Bottom - images.Height()) / 2, image);
}

void TVnCustomDBGrid::DrawDataColumnCell(QPainter& canvas, int col, int row, TRect rect, TGridDrawState state,
                                         bool frozen) {
    const int dataColumn = RawToDataColumn(col);
    TColumn* column = dataColumn < Columns().Count() ? Columns().ColumnAt(dataColumn) : nullptr;
    if (!column) {
        FillRect(canvas, rect, Color());
        return;
    }
    const bool fixed = state & gdFixed;
    canvas.setFont(column->Font());
    TColor brush = (!fixed || frozen) ? column->Color() : FixedColor();
    TColor fontColor = clWindowText;
    const int rowKind = RowKind(row);
    if (rowKind == rkTitle) {
        if (!column->Showing()) return;
        QSize size;
        PaintTitle(canvas, dataColumn, row, rect,
                   PressedTitle() == col && !pressedTitleOpen_ && pressedTitleHot_, true, true, size);
        return;
    }
    if (rowKind != rkData) {
        FillRect(canvas, rect, FixedColor());
        return;
    }
    if (!DataLink()->Active()) {
        if (!column->Showing()) return;
        AddFlatLines(rect);
        FillRect(canvas, rect, brush);
        return;
    }
    if (!column->Showing()) return;

    const int dataRow = RawToDataRow(row);
    const int current = DataLink()->ActiveRecord();
    const bool hasRecord = dataRow < DataLink()->RecordCount();
    // Rows past the data show no record, so the fields stay on the cursor's.
    if (hasRecord) DataLink()->SetActiveRecord(dataRow);
    const TScopeGuard restore([this, current] { DataLink()->SetActiveRecord(current); });
    const QString text = hasRecord ? GetCellText(column) : QString();
    TGridDrawState drawState = state;
    // A frozen column can hold the cursor too; the cell grid does not mark fixed cells.
    if (frozen && col == Col() && row == Row()) {
        drawState |= gdSelected;
        if (hasFocus()) drawState |= gdFocused;
    }
    if (frozen && (Options() & dgRowSelect) && row == Row()) drawState |= gdSelected;
    const TGridDrawState askState = drawState;
    const bool shown = SelectionShown();
    const bool activeControl = IsActiveControl();
    const bool shadow = !activeControl && (OptionsEx() & dgeShadowSelection);
    bool highlighted = false;
    if (!hasRecord) {
        // An empty row past the data is never selected.
    } else if ((Options() & dgHighlightRow) && shown) {
        if (dataRow == current) {
            if (shadow) {
                brush = kShadowSelection;
            } else {
                brush = clHighlight;
                fontColor = clHighlightText;
            }
            drawState |= gdSelected;
        }
        if (HighlightCell(dataColumn, dataRow, askState, text)) {
            highlighted = true;
            if (shadow) {
                brush = kShadowSelection;
            } else {
                brush = kFocusedCellInRow;
                fontColor = kFocusedCellText;
            }
            drawState |= gdFocused;
        }
    } else if (HighlightCell(dataColumn, dataRow, askState, text)) {
        highlighted = true;
        if (activeControl) {
            brush = clHighlight;
            fontColor = clHighlightText;
        } else if (Options() & dgAlwaysShowSelection) {
            if (OptionsEx() & dgeShadowSelection) {
                brush = kShadowSelection;
            } else {
                brush = clHighlight;
                fontColor = clHighlightText;
            }
        }
        if (!(Options() & dgMultiSelect)) drawState |= gdSelected;
    }
    if (!isEnabled()) fontColor = clGrayText;
    if ((Options() & dgAdvancedSelect) && !highlighted && SelectedArea() &&
        SelectedArea()->GetRegion().intersects(rect.ToQRect()))
        brush = kSelectedArea;

    AddFlatLines(rect);
    SetCanvasColors(canvas, brush, fontColor);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    if (DefaultDrawing() && !rect.IsEmpty())
        WriteCellText(canvas, rect, 2, column->WordBreak(), rtl, column->Alignment(), text, 2);
    if (hasRecord) {
        if (Columns().State() == TDBGridColumnsState::csDefault)
            DrawDataCell(canvas, rect, column->Field(), drawState);
        DrawColumnCell(canvas, rect, dataColumn, column, drawState);
    } else {
        FillRect(canvas, rect, brush);
    }
    if (DefaultDrawing() && (drawState & gdSelected) && shown &&
        !(Options() & (dgRowSelect | dgHighlightRow)) && UpdateCount() == 0 && activeControl) {
        canvas.setPen(QPen(ToQColor(fontColor), 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
    }
}

// ---- the whole control --------------------------------------------------------------------------------

void TVnCustomDBGrid::PaintEmptyMessage(QPainter& canvas) {
    const TRect rect = TRect::FromQRect(viewport()->rect());
    canvas.save();
    canvas.setFont(font());
    SetCanvasColors(canvas, Color(), clWindowText);
    const QString text = QString::fromUtf8(kSNoDataToShow);
    if (OnPaintEmptyMessage) {
        OnPaintEmptyMessage(this, canvas, rect, text);
    } else {
        FillRect(canvas, rect, Color());
        QPoint extent;
        DrawMarkupText(canvas, text, rect.Inflated(-5, -5), true, DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS,
                       Images(), extent);
    }
    canvas.restore();
}

void TVnCustomDBGrid::PaintCompleteLines(QPainter& canvas) {
    const TGridDrawInfo info = CalcDrawInfo();
    const TRect client = ClientRect();
    const int left = info.Horz.GridBoundary;
    if (left >= client.Right) return;
    const bool flat = Options() & dgFlatLines;
    const TColor lineColor = flat ? kFlatLineColor : (ColorToRGB(Color()) == clSilver ? clGray : clSilver);
    TLineBatch lines;
    LineBatchInit(lines, 0, lineColor);
    const bool shown = SelectionShown();
    const bool activeControl = IsActiveControl();
    int y = 0;
    auto rowExtent = [&](int r) { return info.Vert.GetExtent(r) + info.Vert.EffectiveLineWidth; };
    for (int r = 0; r < FixedRows() && y < client.Bottom; ++r) {
        const int h = rowExtent(r);
        if (h <= 0) continue;
        const TRect cell{left, y, client.Right, y + info.Vert.GetExtent(r)};
        TColor fill = FixedColor();
        if (Columns().Count() > 0) fill = Columns().ColumnAt(Columns().Count() - 1)->Title()->Color();
        FillRect(canvas, {left, y, client.Right, y + h}, fill);
        DrawCellFrame(canvas, cell, FixedFrameStyle(), TCellFrameState::Normal, FixedColor());
        y += h;
    }
    for (int r = TopRow(); r < RowCount() && y < client.Bottom; ++r) {
        const int h = rowExtent(r);
        if (h <= 0) continue;
        const TRect cell{left, y, client.Right, y + info.Vert.GetExtent(r)};
        TColor fill = Color();
        const bool selected = DataLink()->Active() && RawToDataRow(r) == DataLink()->ActiveRecord() &&
                              (Options() & (dgRowSelect | dgHighlightRow)) && shown;
        if (selected) {
            if (activeControl || !(OptionsEx() & dgeShadowSelection))
                fill = clHighlight;
            else if (Options() & dgAlwaysShowSelection)
                fill = kShadowSelection;
        }
        bool defaultDrawing = true;
        if (OnDrawCompleteLine) OnDrawCompleteLine(this, canvas, cell, selected, r, defaultDrawing);
        if (defaultDrawing) FillRect(canvas, {left, y, client.Right, y + h}, fill);
        if (info.Vert.EffectiveLineWidth > 0 || flat)
            LineBatchAdd(lines, left, cell.Bottom - (flat ? 1 : 0), client.Right,
                         cell.Bottom - (flat ? 1 : 0));
        y += h;
    }
    LineBatchDraw(canvas, lines, QPainter::CompositionMode_SourceOver);
}

void TVnCustomDBGrid::Paint(QPainter& canvas) {
    // The window's border follows the flat look of the fixed cells.
    const bool flat = Options() & dgFlatButtons;
    if (flat != flatFrame_) {
        flatFrame_ = flat;
        QTimer::singleShot(0, this, [this] {
            if (flatFrame_) {
                setFrameStyle(QFrame::Panel | QFrame::Sunken);
                setLineWidth(1);
            } else {
                setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            }
        });
    }
    if (!HasData()) {
        PaintEmptyMessage(canvas);
        return;
    }
    collectingLines_ = Options() & dgFlatLines;
    if (collectingLines_) LineBatchInit(flatLines_, 0, kFlatLineColor);
    TVnCustomGrid::Paint(canvas);
    if ((Options() & dgCompleteLines) && !(Options() & dgAutoSize)) {
        canvas.save();
        const TRect footer = Footers().FooterRect();
        if (!footer.IsEmpty())
            canvas.setClipRegion(canvas.clipRegion().subtracted(QRegion(footer.ToQRect())));
        PaintCompleteLines(canvas);
        canvas.restore();
    }
    if (collectingLines_) {
        canvas.save();
        const TRect footer = Footers().FooterRect();
        if (!footer.IsEmpty()) {
            const QRegion clip = canvas.hasClipping() ? canvas.clipRegion() : QRegion(viewport()->rect());
            canvas.setClipRegion(clip.subtracted(QRegion(footer.ToQRect())));
        }
        LineBatchDraw(canvas, flatLines_, QPainter::CompositionMode_SourceOver);
        canvas.restore();
        LineBatchFree(flatLines_);
        collectingLines_ = false;
    }
}

// ---- drag image of rows -------------------------------------------------------------------------------

void TVnCustomDBGrid::CreateCellDragImage(int /*column*/, int /*row*/, std::unique_ptr<TImageList>& images) {
    images.reset();
    if (!(OptionsEx() & dgeShowDragImage) || !DataLink()->Active()) return;
    const int dataColumn = RawToDataColumn(LeftCol());
    TColumn* column =
        dataColumn >= 0 && dataColumn < Columns().Count() ? Columns().ColumnAt(dataColumn) : nullptr;
    QString text = column ? GetCellText(column) : QString();
    if (text.isEmpty()) text = QStringLiteral("Dragging Value");
    const int marks = MarkedRows().MarkCount();
    const QFontMetrics fm(font());
    const int width = std::min(ColWidths(LeftCol()) + 7, 200);
    const int height = marks > 0 ? 2 * DefaultRowHeight() : std::max(fm.height(), DefaultRowHeight());
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(ToQColor(kSelectedArea));
    {
        QPainter p(&image);
        p.setFont(font());
        p.setPen(ToQColor(clWindowText));
        TRect box{2, 0, width - 2, marks > 0 ? height / 2 : height};
        DrawTextRect(p, text, box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        if (marks > 0) {
            p.setPen(ToQColor(0x666666));
            p.drawLine(0, height / 2, width - 1, height / 2);
            TRect second{2, height / 2, width - 14, height};
            p.setPen(ToQColor(clWindowText));
            DrawTextRect(p, QStringLiteral("%1 %2").arg(marks).arg(RecordWord(marks)), second,
                         DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
            DrawGlyph(p, gkCheck, width - 12, height / 2 + (height / 2 - 8) / 2, clWindowText, 8);
        }
        FrameRect(p, {0, 0, width, height}, 0x666666);
    }
    images = std::make_unique<TImageList>(image.width(), image.height());
    images->AddMasked(image, clFuchsia);
}
