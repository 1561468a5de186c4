#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <cstdlib>

#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"
#include "widgets/VnScopeGuard.h"

namespace {

// A title press becomes a column drag once the pointer has gone further than this.
constexpr int kTitleDragThreshold = 5;
// The narrowest a fixed column can be sized to by mouse, and a column with a menu button.
constexpr int kMinFixedColumnWidth = 5;
constexpr int kMinMenuColumnWidth = 12;
// Half the width of the zone around a column edge in which a press starts sizing.
constexpr int kSizingHalfZone = 3;
// The scroll bar's thumb was let go (the bar's own actions are all positive).
constexpr int kThumbReleased = -1;

}  // namespace

// ---- update count ---------------------------------------------------------------------------------------

void TVnCustomDBGrid::BeginGridUpdate() { ++updateCount_; }

void TVnCustomDBGrid::EndGridUpdate() {
    if (updateCount_ > 0) --updateCount_;
}

bool TVnCustomDBGrid::HookVerticalBar() {
    // The bar scrolls records, not rows of the cell grid: each of its actions moves the dataset.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { VScroll(action); });
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, [this] { VScroll(kThumbReleased); });
    return true;
}

// ---- frozen columns -------------------------------------------------------------------------------------

void TVnCustomDBGrid::SetFrozenCols(int value) { ApplyFrozenCols(value); }

void TVnCustomDBGrid::ApplyFrozenCols() { ApplyFrozenCols(frozenCols_); }

void TVnCustomDBGrid::ApplyFrozenCols(int count) {
    int fixed = std::max(count, 0) + IndicatorOffset();
    int hidden = 0;
    if (ColCount() > IndicatorOffset() + 1) {
        // Hidden columns in front stay fixed with the first shown one, so that scrolling never
        // brings them back between the indicator and the data.
        for (int i = 0; i < Columns().Count(); ++i) {
            if (Columns().ColumnAt(i)->Visible() || i < count) break;
            ++hidden;
        }
        fixed = std::min(fixed + hidden, ColCount() - 1);
        if (count != frozenCols_ || FixedCols() != fixed) {
            BeginUpdateLock(true);
            const int col = Col();
            TCustomGrid::SetFixedCols(fixed);
            MoveColRow(col, Row(), true, true);
            EndUpdateLock(true);
        }
        // Tab walks the scrolling columns only, also after the column attributes were set anew.
        for (int i = 0; i < fixed && i < ColCount(); ++i) SetTabStops(i, false);
    } else {
        TCustomGrid::SetFixedCols(std::min(ColCount() - 1, fixed));
    }
    frozenCols_ = fixed - IndicatorOffset() - hidden;
}

int TVnCustomDBGrid::MinCurrentCol() const { return IndicatorOffset(); }

// ---- moving the cursor ----------------------------------------------------------------------------------

void TVnCustomDBGrid::SelectColumn(int column, int step) {
    if (DataLink()->Active()) DataLink()->UpdateRecord();
    column = std::min(column, ColCount() - 1);
    const int first = FixedCols() - FrozenCols();
    column = std::max(column, first);
    if (step == 1 || step == -1) {
        while (ColWidths(column) <= 0) {
            column += step;
            if (column < first || column >= ColCount()) return;
        }
    }
    if (column == Col()) return;
    if (!inColExit_) {
        const int before = Col();
        inColExit_ = true;
        const TScopeGuard leave([this] { inColExit_ = false; });
        ColExit();
        if (Col() != before) return;
    }
    HideEditor();
    SelectColumnCell(column, FrozenCols() > 0);
    ColEnter();
    if (Options() & dgAlwaysShowEditor) ShowEditor();
}

void TVnCustomDBGrid::NextRow(bool select, Qt::KeyboardModifiers shift) {
    if (!DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !DataLink()->Modified()) {
        if (DataLink()->Eof()) return;
        ds->Cancel();
    } else {
        MoveRows(select, 1, shift);
    }
    if (DataLink()->Eof() && ds->CanModify() && !ReadOnly() && (Options() & dgEditing)) ds->Append();
}

void TVnCustomDBGrid::PriorRow(bool select, Qt::KeyboardModifiers shift) {
    if (!DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && DataLink()->Eof() && !DataLink()->Modified())
        ds->Cancel();
    else
        MoveRows(select, -1, shift);
}

void TVnCustomDBGrid::MoveRows(bool select, int distance, Qt::KeyboardModifiers shift) {
    BeginGridUpdate();
    const TScopeGuard end([this] { EndGridUpdate(); });
    const bool active = DataLink()->Active();
    const bool shifted = select && (shift & Qt::ShiftModifier);
    bool markAfter = false;
    if (!(Options() & dgMultiSelect) || !active) {
        if ((Options() & dgMarker) && active && shifted) {
            markAnchor_ = MarkedRows().CurrentRowBookmark();
            MarkedRows().SetCurrentRowMarked(!MarkedRows().IsCurrentRowMarked());
            markAnchorSet_ = true;
        }
    } else if (!shifted) {
        MarkedRows().ClearMarks();
        markAnchorSet_ = false;
    } else if (markAnchorSet_) {
        const int comparison = MarkedRows().CompareBookmarks(MarkedRows().CurrentRowBookmark(), markAnchor_);
        if (distance + comparison == 0)
            MarkedRows().SetCurrentRowMarked(false);
        else
            markAfter = true;
    } else {
        markAnchor_ = MarkedRows().CurrentRowBookmark();
        MarkedRows().SetCurrentRowMarked(true);
        markAnchorSet_ = true;
        markAfter = true;
    }
    DataLink()->MoveBy(distance);
    if (markAfter) MarkedRows().SetCurrentRowMarked(true);
}

void TVnCustomDBGrid::MarkAllOrNone(bool clear) {
    viewport()->repaint();
    if (clear)
        MarkedRows().ClearMarks();
    else
        MarkedRows().MarkAllRows();
}

void TVnCustomDBGrid::ClearMarksIfMultiSelect() {
    if (Options() & dgMultiSelect) MarkedRows().ClearMarks();
}

void TVnCustomDBGrid::DeleteRecords() {
    TDataSet* ds = DataLink()->DataSet();
    if (ReadOnly() || !ds || ds->IsEmpty() || !ds->CanModify()) return;
    const int marks = MarkedRows().MarkCount();
    if (Options() & dgConfirmDelete) {
        const char* question = marks < 2 ? kSDeleteRecordQuestion : kSDeleteMultipleRecordsQuestion;
        if (!AskQuestion(QString::fromUtf8(question))) return;
    }
    if (marks == 0)
        ds->Delete();
    else
        MarkedRows().DeleteMarkedRecords();
}

void TVnCustomDBGrid::TabToColumn(bool backwards) {
    BeginGridUpdate();
    const TScopeGuard end([this] { EndGridUpdate(); });
    const int start = Col();
    int column = start;
    for (;;) {
        column += backwards ? -1 : 1;
        if (column >= ColCount()) {
            NextRow(false, Qt::NoModifier);
            column = IndicatorOffset();
        } else if (column < IndicatorOffset()) {
            PriorRow(false, Qt::NoModifier);
            column = ColCount() - 1;
        }
        if (column == start) break;
        if (TabStops(column)) {
            SelectColumn(column, 0);
            break;
        }
    }
}

// ---- keyboard --------------------------------------------------------------------------------------------

void TVnCustomDBGrid::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    if (!HasData()) return;
    if (DragState() == TDragState::TitleDrag) {
        TVnCustomGrid::KeyDown(key, shift);
        return;
    }
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (key == 0) return;
    if (!DataLink()->Active()) return;
    if (layoutDirection() == Qt::RightToLeft) {
        if (key == Qt::Key_Left)
            key = Qt::Key_Right;
        else if (key == Qt::Key_Right)
            key = Qt::Key_Left;
    }
    TDataSet* ds = DataLink()->DataSet();
    const bool rowSelect = Options() & dgRowSelect;
    const bool oneColumn = ColCount() - IndicatorOffset() <= 1;
    const bool keypad = shift & Qt::KeypadModifier;
    if (shift & Qt::ControlModifier) {
        switch (key) {
            case Qt::Key_Up:
            case Qt::Key_PageUp:
                ClearMarksIfMultiSelect();
                DataLink()->MoveBy(-DataLink()->ActiveRecord());
                break;
            case Qt::Key_Down:
            case Qt::Key_PageDown:
                ClearMarksIfMultiSelect();
                DataLink()->MoveBy(DataLink()->BufferCount() - DataLink()->ActiveRecord() - 1);
                break;
            case Qt::Key_Home:
                ClearMarksIfMultiSelect();
                ds->First();
                break;
            case Qt::Key_End:
                ClearMarksIfMultiSelect();
                ds->Last();
                break;
            case Qt::Key_Left:
                SelectColumn(IndicatorOffset(), 1);
                break;
            case Qt::Key_Right:
                SelectColumn(ColCount() - 1, -1);
                break;
            case Qt::Key_Delete:
                DeleteRecords();
                break;
            case Qt::Key_Plus:
                if (!keypad) return;
                MarkAllOrNone(false);
                break;
            case Qt::Key_Minus:
                if (!keypad) return;
                MarkAllOrNone(true);
                break;
            default:
                return;
        }
        key = 0;
        return;
    }
    switch (key) {
        case Qt::Key_Up:
            PriorRow(true, shift);
            break;
        case Qt::Key_Down:
            NextRow(true, shift);
            break;
        case Qt::Key_PageUp:
            ClearMarksIfMultiSelect();
            DataLink()->MoveBy(-VisibleRowCount());
            break;
        case Qt::Key_PageDown:
            ClearMarksIfMultiSelect();
            DataLink()->MoveBy(VisibleRowCount());
            break;
        case Qt::Key_Home:
            if (oneColumn || rowSelect) {
                ClearMarksIfMultiSelect();
                ds->First();
            } else {
                SelectColumn(IndicatorOffset(), 1);
            }
            break;
        case Qt::Key_End:
            if (oneColumn || rowSelect) {
                ClearMarksIfMultiSelect();
                ds->Last();
            } else {
                SelectColumn(ColCount() - 1, -1);
            }
            break;
        case Qt::Key_Left:
            if (rowSelect)
                PriorRow(false, Qt::NoModifier);
            else
                SelectColumn(Col() - 1, -1);
            break;
        case Qt::Key_Right:
            if (rowSelect)
                NextRow(false, Qt::NoModifier);
            else
                SelectColumn(Col() + 1, 1);
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if ((shift & Qt::AltModifier) || !(Options() & dgTabs)) return;
            TabToColumn(key == Qt::Key_Backtab || (shift & Qt::ShiftModifier));
            break;
        case Qt::Key_Escape:
            TVnCustomGrid::KeyDown(key, shift);
            if (key != Qt::Key_Escape) return;
            DataLink()->Reset();
            ClearMarksIfMultiSelect();
            if (!(Options() & dgAlwaysShowEditor)) SetEditorMode(false);
            // The window may still want Esc (to close), as after any grid.
            return;
        case Qt::Key_Insert:
            if ((OptionsEx() & dgeInsertSelect) && (Options() & dgMarker)) {
                markAnchor_ = MarkedRows().CurrentRowBookmark();
                MarkedRows().SetCurrentRowMarked(!MarkedRows().IsCurrentRowMarked());
                markAnchorSet_ = true;
                NextRow(true, shift);
            } else if (ds->CanModify() && !ReadOnly() && (Options() & dgEditing)) {
                ClearMarksIfMultiSelect();
                ds->Insert();
            }
            break;
        case Qt::Key_F2:
            SetEditorMode(true);
            break;
        default:
            return;
    }
    key = 0;
}

void TVnCustomDBGrid::KeyPress(QChar& key) {
    if (!HasData()) return;
    if (DragState() == TDragState::None && !(Options() & dgAlwaysShowEditor) && key == QLatin1Char('\r') &&
        DataLink()->Active())
        DataLink()->UpdateRecord();
    if (OnKeyPress) OnKeyPress(this, key);
    if (!key.isNull()) TVnCustomGrid::KeyPress(key);
}

void TVnCustomDBGrid::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    KeyDown(key, event->modifiers());
    if (key == 0) {
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty()) {
        QChar c = text.front();
        KeyPress(c);
        if (c.isNull()) {
            event->accept();
            return;
        }
    }
    event->ignore();
}

bool TVnCustomDBGrid::focusNextPrevChild(bool next) {
    // Tab moves between the columns while the grid takes it.
    if ((Options() & dgTabs) && HasData() && DataLink()->Active()) return false;
    return TVnCustomGrid::focusNextPrevChild(next);
}

// ---- wheel and scroll bar -------------------------------------------------------------------------------

void TVnCustomDBGrid::wheelEvent(QWheelEvent* event) {
    TDataSet* ds = DataLink()->DataSet();
    // The scroll area hands on the viewport's event, in the viewport's coordinates.
    const QPoint pos = event->position().toPoint();
    if (DragState() != TDragState::None || !ds || !ClientRect().Contains(pos.x(), pos.y())) {
        event->ignore();
        return;
    }
    wheelDelta_ += event->angleDelta().y();
    const Qt::KeyboardModifiers shift = event->modifiers();
    while (wheelDelta_ >= 120) {
        wheelDelta_ -= 120;
        PriorRow(true, shift);
    }
    while (wheelDelta_ <= -120) {
        wheelDelta_ += 120;
        NextRow(true, shift);
    }
    event->accept();
}

void TVnCustomDBGrid::VScroll(int action) {
    QScrollBar* bar = verticalScrollBar();
    if (!AcquireFocus() && !HasData()) return;
    if (!DataLink()->Active()) return;
    TDataSet* ds = DataLink()->DataSet();
    const int active = DataLink()->ActiveRecord();
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            DataLink()->MoveBy(-active - 1);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            DataLink()->MoveBy(DataLink()->RecordCount() - active);
            break;
        case QAbstractSlider::SliderPageStepSub:
            DataLink()->MoveBy(-VisibleRowCount());
            break;
        case QAbstractSlider::SliderPageStepAdd:
            DataLink()->MoveBy(VisibleRowCount());
            break;
        case QAbstractSlider::SliderToMinimum:
            ds->First();
            break;
        case QAbstractSlider::SliderToMaximum:
            ds->Last();
            break;
        case kThumbReleased: {
            const int position = bar->sliderPosition();
            if (!DataSetSequenced(ds)) {
                // Without record numbers the thumb tells only the ends and the way between.
                if (position <= 0)
                    ds->First();
                else if (position >= 4)
                    ds->Last();
                break;
            }
            // Records are numbered, so the thumb's position is a record number.
            if (position <= 1)
                ds->First();
            else if (position >= ds->RecordCount())
                ds->Last();
            else
                ds->SetRecNo(position);
            break;
        }
        default:
            // Tracking the thumb moves nothing until it is let go.
            return;
    }
    // The bar shows where the dataset went, not where the click would have put it.
    UpdateScrollBar();
    bar->setSliderPosition(bar->value());
}

void TVnCustomDBGrid::TimedScroll(int dx, int dy) {
    if (DataLink()->Active()) {
        if (dy < 0) DataLink()->MoveBy(-DataLink()->ActiveRecord() - 1);
        if (dy > 0) DataLink()->MoveBy(DataLink()->RecordCount() - DataLink()->ActiveRecord());
    }
    if (dx != 0) TVnCustomGrid::TimedScroll(dx, 0);
}

// ---- mouse ----------------------------------------------------------------------------------------------

bool TVnCustomDBGrid::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick) return TVnCustomGrid::viewportEvent(event);
    // The press before it has already been handled as a single click, so a double click anywhere
    // but on a data cell adds nothing.
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint p = me->position().toPoint();
    if (!HasData() || me->button() != Qt::LeftButton) return true;
    const TGridCoord cell = MouseCoord(p.x(), p.y());
    if (cell.X < IndicatorOffset() || cell.Y < TitleOffset()) return true;
    if (OnDblClick) OnDblClick(this);
    const int dataColumn = RawToDataColumn(cell.X);
    if (dataColumn < Columns().Count()) CellDblClick(Columns().ColumnAt(dataColumn));
    return true;
}

void TVnCustomDBGrid::SetPlatformColMoving(bool on) {
    const TGridOptions options = TCustomGrid::Options();
    SetGridOptions(on ? options | goColMoving : options & ~goColMoving);
}

void TVnCustomDBGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    if (!AcquireFocus() || !HasData()) return;
    const TGridCoord cell = (x <= 0 || y <= 0) ? TGridCoord{0, -1} : MouseCoord(x, y);
    if (CellRect(cell.X, cell.Y).IsEmpty()) return;
    const bool left = button == Qt::LeftButton;
    const bool titleRow = RowKind(cell.Y) == rkTitle;

    if (!left || !titleRow)
        CloseClipPopup();
    else if (cell.X == 0 && ColumnKind(0) == ckIndicator && (OptionsEx() & dgeIndicatorMenu))
        TitleClipClick(1, cell.X);
    else if (ColumnKind(cell.X) == ckMarker && (OptionsEx() & dgeMarkerMenu))
        TitleClipClick(2, cell.X);

    TGridState sizing = TGridState::gsNormal;
    int sizingIndex = -1, sizingPos = 0, sizingOfs = 0;
    CalcSizingState(x, y, sizing, sizingIndex, sizingPos, sizingOfs, CalcDrawInfo());

    if ((Options() & dgTitleClicked) && left && sizing == TGridState::gsNormal && titleRow &&
        ColumnKind(cell.X) == ckData && DataLink()->Active()) {
        SetPressedTitle(cell.X);
        pressedTitleOpen_ = false;
        pressedTitleHot_ = true;
        InvalidateCell(cell.X, cell.Y);
    }
    if (sizing != TGridState::gsNormal) {
        CloseClipPopup();
        if (DataLink()->Active()) DataLink()->UpdateRecord();
        TVnCustomGrid::MouseDown(button, shift, x, y);
        if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
        return;
    }
    SetSizingColumn(-1);
    if (titleRow && (Options() & dgColumnResize)) {
        if (DataLink()->Active()) DataLink()->UpdateRecord();
        if ((Options() & dgTitleClicked) && DataLink()->Active() && left && ColumnKind(cell.X) == ckData) {
            // A press only presses the title; a drag starts once the pointer has moved away.
            SetPlatformColMoving(false);
            TVnCustomGrid::MouseDown(button, shift, x, y);
            SetPlatformColMoving(true);
        } else {
            TVnCustomGrid::MouseDown(button, shift, x, y);
        }
        InvalidateCell(cell.X, cell.Y);
        if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
        return;
    }
    if (!DataLink()->Active()) return;

    const bool wasCurrent = cell.X == Col() && cell.Y == Row();
    // The window hears of the press however the grid's own handling ends.
    const TScopeGuard notify([&] {
        if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
    });
    {
        BeginGridUpdate();
        const TScopeGuard end([this] { EndGridUpdate(); });
        DataLink()->UpdateRecord();
        HideEditor();
        const bool dataRow = RowKind(cell.Y) == rkData;
        if (!((Options() & dgAdvancedSelect) && (shift & Qt::ShiftModifier) && left)) {
            if (dataRow && cell.Y != Row()) DataLink()->MoveBy(cell.Y - Row());
            if (cell.X >= FixedCols() - FrozenCols()) SelectColumn(cell.X, 0);
        }
        if ((Options() & dgMultiSelect) && left && dataRow) {
            markAnchorSet_ = false;
            if (shift & Qt::ControlModifier) {
                MarkedRows().SetCurrentRowMarked(!MarkedRows().IsCurrentRowMarked());
            } else {
                MarkedRows().ClearMarks();
                MarkedRows().SetCurrentRowMarked(true);
            }
        }
        const int markerCol = (Options() & dgIndicator) ? 1 : 0;
        if ((Options() & dgMarker) && left && dataRow && cell.X == markerCol) {
            markAnchorSet_ = false;
            MarkedRows().SetCurrentRowMarked(!MarkedRows().IsCurrentRowMarked());
            InvalidateCell(cell.X, cell.Y);
        } else if ((Options() & dgAdvancedSelect) && SelectedArea()) {
            SelectedArea()->MouseDown(x, y, button, shift, cell);
        }
    }
    if ((left && wasCurrent) || (Options() & dgAlwaysShowEditor))
        ShowEditor();
    else
        InvalidateEditor();
}

void TVnCustomDBGrid::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) {
    if (!HasData()) return;
    const TGridCoord cell = MouseCoord(x, y);
    const int pressed = PressedTitle();
    if (DragState() == TDragState::None && pressed >= FixedCols() && cell.X == pressed &&
        !pressedTitleOpen_ && GridState() != TGridState::gsColMoving && (buttons & Qt::LeftButton)) {
        const QPoint down = MouseDownPoint();
        if (std::abs(x - down.x()) > kTitleDragThreshold || std::abs(y - down.y()) > kTitleDragThreshold) {
            TVnCustomGrid::MouseDown(Qt::LeftButton, shift, down.x(), down.y());
            if (DragState() == TDragState::TitleDrag || GridState() == TGridState::gsColMoving) return;
        }
    }
    TVnCustomGrid::MouseMove(buttons, shift, x, y);
    if (pressed >= 0 && DragState() == TDragState::None) {
        const bool hot = cell.X == pressed && RowKind(cell.Y) == rkTitle;
        if (hot != pressedTitleHot_) {
            pressedTitleHot_ = hot;
            InvalidateCell(pressed, 0);
        }
    }
    if (cell.X >= 0 && RowKind(cell.Y) == rkTitle && ColumnKind(cell.X) == ckData) {
        const int dataColumn = RawToDataColumn(cell.X);
        if (dataColumn < Columns().Count()) {
            SetCommentColumn(dataColumn);
            ColumnComment(kCommentShow, Columns().ColumnAt(dataColumn));
        }
    } else {
        ColumnComment(kCommentHide, nullptr);
    }
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TVnCustomDBGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    ReleaseMouse(button, shift, x, y);
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TVnCustomDBGrid::ReleaseMouse(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    const int pressed = PressedTitle();
    const bool titleClicked = pressed >= 0 && (cell.X < 0 || cell.X == pressed) && !pressedTitleOpen_;
    const TGridState state = GridState();
    const bool wasDragging = DragState() == TDragState::TitleDrag;
    if (state == TGridState::gsColSizing && SizingColumn() >= 0 && SizingColumn() < FixedCols()) {
        // The cell grid sizes only scrolling columns its own way; fixed ones keep a usable width.
        CancelGridState();
        const int column = SizingColumn();
        const TRect r = BoxRect(column, 0, column, 0);
        int width = std::max(kMinFixedColumnWidth, x + sizingOffset_ - r.Left);
        const int dataColumn = RawToDataColumn(column);
        if (dataColumn >= 0 && dataColumn < Columns().Count() &&
            (Columns().ColumnAt(dataColumn)->Options() & gcPopupMenu))
            width = std::max(width, kMinMenuColumnWidth);
        SetColWidths(column, width);
        return;
    }
    TVnCustomGrid::MouseUp(button, shift, x, y);
    if (button == Qt::LeftButton && pressed >= 0 && !pressedTitleOpen_) {
        SetPressedTitle(-1);
        pressedTitleHot_ = false;
        InvalidateCell(pressed, 0);
    }
    if (state == TGridState::gsColSizing || state == TGridState::gsRowSizing || wasDragging ||
        state == TGridState::gsColMoving || button != Qt::LeftButton)
        return;
    if (cell.X < IndicatorOffset() || cell.Y < 0) return;
    if (RowKind(cell.Y) == rkTitle) {
        if (titleClicked)
            TitleClick(shift, cell.X);
        else
            CellClick(SelectedColumn());
        return;
    }
    CellClick(SelectedColumn());
}

void TVnCustomDBGrid::TitleClick(Qt::KeyboardModifiers shift, int column) {
    const int dataColumn = RawToDataColumn(column);
    if (dataColumn < 0 || dataColumn >= Columns().Count()) return;
    TColumn* clicked = Columns().ColumnAt(dataColumn);
    if (clicked->Indexed()) {
        for (int i = 0; i < Columns().Count(); ++i) {
            TColumn* c = Columns().ColumnAt(i);
            if (c == clicked) {
                c->SetIndexStyle(c->IndexStyle() == idxAscending ? idxDescending : idxAscending);
                InvalidateCell(DataToRawColumn(i), 0);
            } else if (!(shift & Qt::ShiftModifier) && c->Indexed() && c->IndexStyle() != idxNone) {
                c->SetIndexStyle(idxNone);
                InvalidateCell(DataToRawColumn(i), 0);
            }
        }
    }
    TitleClickEvent(clicked);
}

void TVnCustomDBGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                      int& sizingOfs, const TGridDrawInfo& info) {
    state = TGridState::gsNormal;
    index = -1;
    const TGridOptions platform = TCustomGrid::Options();
    const int line = info.Horz.EffectiveLineWidth;
    // The zone is at least seven pixels wide around each edge, whatever the line width.
    const int half = std::max(kSizingHalfZone, line / 2);
    if ((platform & goColSizing) && y >= 0 && y < info.Vert.FixedBoundary) {
        int start = 0;
        auto test = [&](int col) {
            const int extent = info.Horz.GetExtent(col);
            const int edge = start + extent;
            start = edge + line;
            if (extent < 0 || col < IndicatorOffset()) return false;
            return std::abs(x - (edge + line / 2)) <= half;
        };
        int found = -1, edge = 0;
        for (int col = 0; col < info.Horz.FixedCellCount && found < 0; ++col)
            if (test(col)) {
                found = col;
                edge = start - line;
            }
        for (int col = info.Horz.FirstGridCell;
             col < info.Horz.GridCellCount && found < 0 && start < info.Horz.GridExtent; ++col)
            if (test(col)) {
                found = col;
                edge = start - line;
            }
        if (found >= 0 && IsColumnSizable(found)) {
            state = TGridState::gsColSizing;
            index = found;
            sizingPos = x;
            sizingOfs = x - edge;
            SetSizingColumn(found);
            sizingOffset_ = edge - x;
            return;
        }
    }
    // Rows are sized from the indicator only.
    if ((platform & goRowSizing) && ColumnKind(0) == ckIndicator && x >= 0 &&
        x < info.Horz.GetExtent(0) + line && y >= info.Vert.FixedBoundary)
        TVnCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, info);
}

bool TVnCustomDBGrid::BeginColumnDrag(int& origin, int& destination, const QPoint& mousePt) {
    return TVnCustomGrid::BeginColumnDrag(origin, destination, mousePt);
}

// ---- columns moved and sized ----------------------------------------------------------------------------

void TVnCustomDBGrid::ColumnMoved(int fromIndex, int toIndex) {
    TVnCustomGrid::ColumnMoved(fromIndex, toIndex);
    const int from = RawToDataColumn(fromIndex);
    const int to = RawToDataColumn(toIndex);
    if (from >= 0 && from < Columns().Count() && to >= 0 && to < Columns().Count())
        Columns().ColumnAt(from)->SetIndex(to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TVnCustomDBGrid::ColWidthsChanged() {
    // The layout ends with this same notification; the widths it wrote are the columns' already.
    if (inColWidths_ || Columns().UpdateCount() > 0 || IsUpdateLocked() || InLayout() ||
        (Columns().State() == TDBGridColumnsState::csDefault && !DataLink()->Active()))
        return;
    inColWidths_ = true;
    BeginLayout();
    const TScopeGuard end([this] {
        EndLayout();
        inColWidths_ = false;
    });
    if (!(Options() & dgAutoSize)) TVnCustomGrid::ColWidthsChanged();
    for (int i = 0; i < Columns().Count() && DataToRawColumn(i) < ColCount(); ++i) {
        TColumn* column = Columns().ColumnAt(i);
        // A hidden column keeps the width it will come back with.
        if (column->Showing()) column->SetWidth(ColWidths(DataToRawColumn(i)));
    }
}

void TVnCustomDBGrid::RowHeightsChanged() {
    if (inRowHeights_ || InLayout() || UpdateCount() > 0) return;
    inRowHeights_ = true;
    for (int row = TitleOffset(); row < RowCount(); ++row) {
        if (RowHeights(row) != DefaultRowHeight()) {
            // The row sized by the user sets the height of every data row.
            SetDefaultRowHeight(RowHeights(row));
            LayoutChanged();
            inRowHeights_ = false;
            return;
        }
    }
    UpdateRowCount();
    inRowHeights_ = false;
}

bool TVnCustomDBGrid::SelectCell(int col, int row) {
    if (row != Row()) {
        InvalidateRow(Row());
        InvalidateRow(row);
    }
    return TVnCustomGrid::SelectCell(col, row);
}

void TVnCustomDBGrid::TopLeftChanged() {
    TVnCustomGrid::TopLeftChanged();
    if (LeftCol() < FixedCols()) SetLeftCol(FixedCols());
    // A title wider than its column may have been cut at the right edge: repaint the strip.
    if (lastScrolledCol_ >= 0 && LeftCol() < lastScrolledCol_) InvalidateRow(0);
    lastScrolledCol_ = LeftCol();
}

// ---- focus and context menu -----------------------------------------------------------------------------

void TVnCustomDBGrid::RepaintCurrentRow() {
    if (Options() & dgMultiSelect)
        InvalidateGrid();
    else
        InvalidateRow(Row());
}

void TVnCustomDBGrid::focusInEvent(QFocusEvent* event) {
    TVnCustomGrid::focusInEvent(event);
    // Back from its own editor the grid never left.
    if (TakeFocusFromEditor()) return;
    if (HasData() && DataLink()->Active()) SelectColumn(Col(), 1);
    RepaintCurrentRow();
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason && OnEnter)
        OnEnter(this);
}

void TVnCustomDBGrid::focusOutEvent(QFocusEvent* event) {
    TVnCustomGrid::focusOutEvent(event);
    if (InplaceEditor() && QApplication::focusWidget() == InplaceEditor()) return;
    CloseClipPopup();
    RepaintCurrentRow();
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    // Leaving the grid for another control of the window.
    if (DataLink()->Active()) {
        TDataSet* ds = DataLink()->DataSet();
        try {
            if ((Options() & dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() &&
                !DataLink()->Modified())
                ds->Cancel();
            else
                DataLink()->UpdateRecord();
        } catch (...) {
            setFocus(Qt::OtherFocusReason);
            throw;
        }
    }
    ColumnComment(kCommentHide, nullptr);
    if (OnExit) OnExit(this);
}

void TVnCustomDBGrid::leaveEvent(QEvent* event) {
    TVnCustomGrid::leaveEvent(event);
    ColumnComment(kCommentHide, nullptr);
}

void TVnCustomDBGrid::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint pos = event->pos();
    const int code = HitTest(pos.x(), pos.y());
    const TGridCoord cell = MouseCoord(pos.x(), pos.y());
    QMenu* menu = (code == 4 || code == 8) ? PopupTitle() : nullptr;
    if (cell.X >= IndicatorOffset() && ColumnKind(cell.X) == ckData) {
        const int dataColumn = RawToDataColumn(cell.X);
        if (dataColumn < Columns().Count() && Columns().ColumnAt(dataColumn)->PopupMenu())
            menu = Columns().ColumnAt(dataColumn)->PopupMenu();
    }
    if (OnPopupMenu) OnPopupMenu(this, code, cell, menu);
    if (!menu) {
        event->ignore();
        return;
    }
    menu->popup(event->globalPos());
    event->accept();
}
