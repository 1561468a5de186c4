#include "widgets/VnGrids.h"

#include <QApplication>
#include <QDrag>
#include <QFocusEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>

// The drag image and the drop arrows are drawn on a see-through layer over the whole window, since
// a widget cannot draw on the desktop; the layer lets every mouse event through to the grid.
class TVnDragOverlay : public QWidget {
public:
    explicit TVnDragOverlay(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("VnDragOverlay"));
        setGeometry(parent->rect());
    }
    QImage Image;
    QPoint ImagePos;
    bool ImageShown = false;
    bool Arrows = false;
    int X = 0, T = 0, B = 0;

    void Sync() {
        setGeometry(parentWidget()->rect());
        raise();
        setVisible(ImageShown || Arrows);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (ImageShown && !Image.isNull()) {
            p.setOpacity(0.75);
            p.drawImage(ImagePos, Image);
            p.setOpacity(1.0);
        }
        if (Arrows) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Qt::red);
            p.setBrush(Qt::red);
            // Tips touch the title's top and bottom edges.
            const QPoint top[] = {{X - 4, T - 4}, {X - 1, T - 4}, {X - 1, T - 8}, {X + 1, T - 8},
                                  {X + 1, T - 4}, {X + 4, T - 4}, {X, T}};
            const QPoint bottom[] = {{X - 4, B + 4}, {X - 1, B + 4}, {X - 1, B + 8}, {X + 1, B + 8},
                                     {X + 1, B + 4}, {X + 4, B + 4}, {X, B}};
            p.drawPolygon(top, 7);
            p.drawPolygon(bottom, 7);
        }
    }
};

// The grouping box sits above the titles, outside the cell area; its mouse events reach the grid in
// the grid's client coordinates (above 0), as if the box were part of it.
class TVnGroupBoxWidget : public QWidget {
public:
    explicit TVnGroupBoxWidget(TVnCustomGrid* grid) : QWidget(grid), grid_(grid) {
        setObjectName(QStringLiteral("VnGroupBox"));
        setMouseTracking(true);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        grid_->GroupBox().Paint(p);
    }
    QPoint ToClient(const QPointF& pos) const { return pos.toPoint() - QPoint(0, height()); }
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint c = ToClient(e->position());
        grid_->hitCode_ = grid_->HitTest(c.x(), c.y());
        grid_->MouseDown(e->button(), e->modifiers(), c.x(), c.y());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint c = ToClient(e->position());
        grid_->MouseMove(e->buttons(), e->modifiers(), c.x(), c.y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPoint c = ToClient(e->position());
        grid_->MouseUp(e->button(), e->modifiers(), c.x(), c.y());
    }

private:
    TVnCustomGrid* grid_;
};

namespace {

// Rounded a * b / c, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

TVnCustomGrid::TVnCustomGrid(QWidget* parent) : TCustomGrid(parent) {
    groupBox_ = std::make_unique<TVnGroupBoxList>(this);
    footers_ = std::make_unique<TVnFooters>(this);
    selectedArea_ = TVnCustomGrid::CreateSelectedArea();
    gridDrawing_ = std::make_unique<TGridDrawing>(this);
    drawingOptions_ = std::make_unique<TDrawingOptions>(this);
    groupBoxWidget_ = new TVnGroupBoxWidget(this);
    connect(&autoScrollTimer_, &QTimer::timeout, this, [this] { AutoScrollTick(); });
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
}

TVnCustomGrid::~TVnCustomGrid() {
    destroying_ = true;
    autoScrollTimer_.stop();
    if (overlay_) delete overlay_.data();
    selectedArea_.reset();
    footers_.reset();
    groupBox_.reset();
}

void TVnCustomGrid::InitSelectedArea() { selectedArea_ = CreateSelectedArea(); }

std::unique_ptr<TSelectedArea> TVnCustomGrid::CreateSelectedArea() {
    return std::make_unique<TSelectedArea>(this, nullptr);
}

void TVnCustomGrid::SetGridFlags(unsigned value) {
    const bool autoSizeChanged = (value ^ gridFlags_) & gfAutoSize;
    gridFlags_ = value;
    if (autoSizeChanged) {
        SetScrollBars(scrollBarsWanted_);
        SetLeftCol(FixedCols());
        setMinimumWidth((gridFlags_ & gfAutoSize) ? std::max(0, ConstrainedMinWidth()) : 0);
    }
}

void TVnCustomGrid::SetShowGroupBox(bool value) {
    if (value == showGroupBox_) return;
    showGroupBox_ = value;
    groupBox_->Changed();
    GroupBoxChanged();
}

int TVnCustomGrid::GroupBoxHeight() {
    return showGroupBox_ && GroupingAllowed() ? groupBox_->BoxHeight() : 0;
}

void TVnCustomGrid::GroupBoxChanged() {
    if (destroying_ || !groupBoxWidget_) return;
    const int h = GroupBoxHeight();
    setViewportMargins(0, h, 0, 0);
    const QRect vp = viewport()->geometry();
    groupBoxWidget_->setGeometry(vp.left(), vp.top() - h, vp.width(), h);
    groupBoxWidget_->setVisible(h > 0);
    groupBoxWidget_->update();
}

// ---- client area, painting and the update lock ----------------------------------------------------

TRect TVnCustomGrid::ClientRect() const {
    TRect r = TCustomGrid::ClientRect();
    if (footers_ && footers_->TotalHeight() > 0) r.Bottom -= footers_->TotalHeight();
    return r;
}

void TVnCustomGrid::FootersChanged() {
    UpdateRowCount();
    UpdateScrollRanges();
    InvalidateGrid();
}

void TVnCustomGrid::Paint(QPainter& canvas) {
    const TRect footer = footers_->FooterRect();
    const QRegion clip = canvas.hasClipping() ? canvas.clipRegion() : QRegion(viewport()->rect());
    if (footer.IsEmpty() || !clip.intersects(footer.ToQRect())) {
        TCustomGrid::Paint(canvas);
        return;
    }
    canvas.save();
    canvas.setClipRegion(clip.subtracted(QRegion(footer.ToQRect())));
    TCustomGrid::Paint(canvas);
    canvas.restore();
    footers_->Paint(canvas);
}

void TVnCustomGrid::TopLeftChanged() {
    TCustomGrid::TopLeftChanged();
    // The panels follow their columns at once.
    const TRect footer = footers_->FooterRect();
    if (!footer.IsEmpty()) InvalidateRegion(QRegion(footer.ToQRect()));
}

void TVnCustomGrid::resizeEvent(QResizeEvent* event) {
    const TRect before = footers_->FooterRect();
    TCustomGrid::resizeEvent(event);
    const TRect after = footers_->FooterRect();
    const QRegion changed = QRegion(before.ToQRect()).xored(QRegion(after.ToQRect()));
    if (!changed.isEmpty()) InvalidateRegion(changed);
    GroupBoxChanged();
    if (overlay_) overlay_->Sync();
}

void TVnCustomGrid::BeginUpdateLock(bool /*redraw*/) { ++updateLock_; }

void TVnCustomGrid::EndUpdateLock(bool redraw) {
    if (updateLock_ <= 0) return;
    if (--updateLock_ > 0) return;
    // Only the outermost release repaints, and then only what was asked for while locked.
    if (isVisible()) {
        if (lockRegion_)
            viewport()->update(*lockRegion_);
        else if (redraw)
            viewport()->update();
    }
    lockRegion_.reset();
}

void TVnCustomGrid::AddToLockRegion(const QRegion* region) {
    const QRegion part = region ? *region : QRegion(viewport()->rect());
    lockRegion_ = lockRegion_ ? lockRegion_->united(part) : part;
}

void TVnCustomGrid::InvalidateRegion(const QRegion& region) {
    if (inSetOptions_) return;
    if (updateLock_ > 0)
        AddToLockRegion(&region);
    else
        TCustomGrid::InvalidateRegion(region);
}

bool TVnCustomGrid::CanPaint(const QRegion& region) {
    if (updateLock_ == 0) return true;
    AddToLockRegion(&region);
    return false;
}

void TVnCustomGrid::SetGridOptions(TGridOptions value) {
    BeginUpdateLock(true);
    inSetOptions_ = true;
    SetOptions(value);
    inSetOptions_ = false;
    EndUpdateLock(true);
}

void TVnCustomGrid::SetScrollBars(TScrollStyle value) {
    scrollBarsWanted_ = value;
    if (gridFlags_ & gfAutoSize) {
        // Columns sized to the client never need a horizontal bar.
        if (value == TScrollStyle::ssHorizontal) value = TScrollStyle::ssNone;
        if (value == TScrollStyle::ssBoth) value = TScrollStyle::ssVertical;
    }
    TCustomGrid::SetScrollBars(value);
}

// ---- hit test, focus -------------------------------------------------------------------------------

int TVnCustomGrid::HitTest(int x, int y) {
    if (GroupBoxHeight() > 0 && groupBox_->PointInBox(QPoint(x, y))) return htGroupBox;
    if (footers_->TotalHeight() > 0 && footers_->FooterRect().Contains(x, y)) return htFooter;
    if (ClientRect().Contains(x, y)) return htClient;
    return htOutside;
}

bool TVnCustomGrid::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) &&
        (watched == horizontalScrollBar() || watched == verticalScrollBar()))
        hitCode_ = watched == horizontalScrollBar() ? htHorzScrollBar : htVertScrollBar;
    return TCustomGrid::eventFilter(watched, event);
}

bool TVnCustomGrid::IsActiveControl() {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

bool TVnCustomGrid::AcquireFocus() {
    if (focusPolicy() == Qt::NoFocus || !isEnabled() || IsActiveControl()) return true;
    setFocus(Qt::OtherFocusReason);
    return IsActiveControl();
}

void TVnCustomGrid::BookmarksChanged() {
    if (OnBookmarksChanged) OnBookmarksChanged(this);
}

void TVnCustomGrid::GroupAdded(int column, int position, bool& accept) {
    if (OnGroupAdded) OnGroupAdded(this, column, position, accept);
}

void TVnCustomGrid::GroupMoved(int fromIndex, int toIndex, bool& accept) {
    if (OnGroupMoved) OnGroupMoved(this, fromIndex, toIndex, accept);
}

void TVnCustomGrid::GroupRemoved(int position, int column, bool& accept) {
    if (OnGroupRemoved) OnGroupRemoved(this, position, column, accept);
}

bool TVnCustomGrid::SetColumnWidth(int column, int width) {
    if (ColWidths(column) == width) return false;
    SetColWidths(column, width);
    return true;
}

void TVnCustomGrid::SelectColumnCell(int column, bool keepAnchor) {
    MoveColRow(column, Row(), !keepAnchor, true);
}

// ---- automatic column sizing ---------------------------------------------------------------------

void TVnCustomGrid::AutoSizeColumns(int anchor, bool after) {
    if (!(gridFlags_ & gfAutoSize)) return;
    BeginUpdateLock(false);
    const int n = ColCount();
    const TGridDrawInfo info = CalcDrawInfo();
    const int extent = info.Horz.GridExtent;
    const int lines = n * info.Horz.EffectiveLineWidth;
    std::vector<int> widths(n);
    std::vector<bool> sizable(n);
    for (int i = 0; i < n; ++i) {
        widths[i] = ColWidths(i);
        sizable[i] = (after ? i > anchor : i < anchor) && IsColumnSizable(i);
    }
    auto fixedSum = [&] {
        int sum = 0;
        for (int i = 0; i < n; ++i)
            if (!sizable[i]) sum += std::max(widths[i], 0);
        return sum;
    };
    auto sizableSum = [&] {
        int sum = 0;
        for (int i = 0; i < n; ++i)
            if (sizable[i]) sum += widths[i];
        return sum;
    };
    const bool hasAnchor = anchor >= 0 && anchor < n;
    int available = 0, s = 0;
    for (;;) {
        available = extent - fixedSum() - lines;
        if (available < 0 && hasAnchor) {
            // Not even the fixed part fits: the others shrink to the least and the anchor takes the rest.
            int others = 0;
            for (int i = 0; i < n; ++i) {
                if (sizable[i]) widths[i] = kMinAutoSizeWidth;
                if (i != anchor) others += std::max(widths[i], 0);
            }
            widths[anchor] = extent - others - lines;
            s = available;
            break;
        }
        s = sizableSum();
        if (std::abs(s - available) == 1) {
            for (int i = 0; i < n; ++i)
                if (sizable[i]) {
                    widths[i] += available - s;
                    s = available;
                    break;
                }
        }
        if (s == 0 || s == available) break;
        int remAvailable = available, remS = s;
        bool restart = false;
        for (int i = 0; i < n && !restart; ++i) {
            if (!sizable[i]) continue;
            const int w = MulDiv(widths[i], remAvailable, remS);
            if (w < kMinAutoSizeWidth) {
                widths[i] = kMinAutoSizeWidth;
                sizable[i] = false;
                restart = true;
                break;
            }
            remAvailable -= w;
            remS -= widths[i];
            widths[i] = w;
        }
        if (!restart) s = available;
    }
    if (hasAnchor && std::none_of(sizable.begin(), sizable.end(), [](bool b) { return b; })) {
        int total = 0;
        for (int i = 0; i < n; ++i) total += std::max(widths[i], 0);
        const int diff = extent - total - lines;
        if (diff != 0) widths[anchor] += diff;
    }
    bool changed = false;
    for (int i = 0; i < n; ++i)
        if (widths[i] != ColWidths(i)) changed |= SetColumnWidth(i, widths[i]);
    EndUpdateLock(false);
    if (changed) {
        viewport()->update();
        ColWidthsChanged();
    }
}

int TVnCustomGrid::ConstrainedMinWidth() {
    int sum = 0, others = 0;
    for (int i = 0; i < ColCount(); ++i) {
        if (!IsColumnSizable(i) || ColWidths(i) == -1)
            sum += std::max(ColWidths(i), 0);
        else
            ++others;
    }
    return sum - others;
}

// ---- auto-scroll -----------------------------------------------------------------------------------

void TVnCustomGrid::StartAutoScroll(int dx, int dy, int interval) {
    autoScrollDX_ = dx;
    autoScrollDY_ = dy;
    if (autoScrollTimerId_ != 0 || (dx == 0 && dy == 0)) return;
    autoScrollTimer_.start(interval);
    autoScrollTimerId_ = kAutoScrollTimerId;
}

void TVnCustomGrid::StopAutoScroll() {
    autoScrollTimer_.stop();
    autoScrollTimerId_ = 0;
}

void TVnCustomGrid::AutoScrollTick() {
    BeginUpdateLock(true);
    if (TSelectedItem* item = selectedArea_->LastItem()) {
        selectedArea_->BeginUpdate();
        item->Resize(autoScrollDX_, autoScrollDY_, selectedArea_->Anchor());
        selectedArea_->EndUpdate();
    }
    for (int i = 0; i < std::abs(autoScrollDX_); ++i) ScrollLine(Qt::Horizontal, autoScrollDX_ > 0 ? 1 : -1);
    for (int i = 0; i < std::abs(autoScrollDY_); ++i) ScrollLine(Qt::Vertical, autoScrollDY_ > 0 ? 1 : -1);
    EndUpdateLock(true);
}

void TVnCustomGrid::SelectionMouseMove(Qt::KeyboardModifiers shift, int x, int y) {
    const TRect client = ClientRect();
    const TGridDrawInfo info = CalcDrawInfo();
    // The nearest cell: the point pulled into the cells that are shown.
    const int cx = std::clamp(x, 0, std::max(0, std::min(client.Right, info.Horz.GridBoundary) - 1));
    const int cy = std::clamp(y, 0, std::max(0, std::min(client.Bottom, info.Vert.GridBoundary) - 1));
    const TGridCoord nearest = MouseCoord(cx, cy);
    const int code = hitCode_;
    if (code == 8 || code == htDataCell) {
        StopAutoScroll();
        selectedArea_->MouseMove(x, y, shift, MouseCoord(x, y));
        return;
    }
    if (code == htClient) {
        StopAutoScroll();
        selectedArea_->MouseMove(x, y, shift, nearest);
        return;
    }
    selectedArea_->MouseMove(x, y, shift, nearest);
    int dx = 0, dy = 0;
    if (x < 0 || code == htIndicator || code == htMarker)
        dx = std::min(x / 10 - 1, -1);
    else if (x > client.Right)
        dx = std::max((x - client.Right) / 10 + 1, 1);
    if (y < 0 || code == htGroupBox || code == htColumnTitle)
        dy = std::min(y / 10 - 1, -1);
    else if (y > client.Bottom)
        dy = std::max((y - client.Bottom) / 10 + 1, 1);
    StartAutoScroll(dx, dy, 100);
}

// ---- title drag ------------------------------------------------------------------------------------

bool TVnCustomGrid::BeginColumnDrag(int& origin, int&, const QPoint&) {
    // The grid moves columns itself, with its image and arrows; the platform's moving never starts.
    StartTitleDrag(origin, TDragSource::Title);
    return false;
}

bool TVnCustomGrid::MakeTitleDragImage(int column, QImage& image) {
    if (column < 0 || column >= ColCount()) return false;
    const int w = DragColumnWidth(column);
    const int h = RowHeights(0);
    if (w <= 0 || h <= 0) return false;
    image = QImage(w, h, QImage::Format_RGB32);
    image.fill(ToQColor(FixedColor()));
    QPainter canvas(&image);
    canvas.setFont(font());
    const TRect rect{0, 0, w, h};
    QSize size;
    PaintTitle(canvas, RawToDataColumn(column), 0, rect, false, true, true, size);
    DrawCellFrame(canvas, rect, FixedFrameStyle(), TCellFrameState::Normal, clBtnShadow);
    return true;
}

QPoint TVnCustomGrid::ToOverlay(QPoint clientPoint) const {
    QWidget* host = overlay_ ? overlay_->parentWidget() : window();
    return viewport()->mapTo(host, clientPoint);
}

void TVnCustomGrid::StartTitleDrag(int column, TDragSource source) {
    const QPoint cursor = mouseDownPoint_;
    QImage image;
    if (source == TDragSource::Title) {
        if (!MakeTitleDragImage(column, image)) return;
        dragOrigin_ = dropColumn_ = column;
        groupBox_->SetPressedIndex(-1);
        const TRect cell = CellRect(column, 0);
        hotSpot_ = cursor - QPoint(cell.Left, cell.Top);
    } else {
        const int index = groupBox_->PressedIndex();
        if (index < 0 || index >= groupBox_->Count()) return;
        if (!MakeTitleDragImage(groupBox_->Entries(index).ColumnIndex, image)) return;
        boxOrigin_ = index;
        dragOrigin_ = dropColumn_ = -1;
        const TRect r = groupBox_->EntryRect(index);
        hotSpot_ = groupBox_->ClientToBox(cursor) - QPoint(r.Left, r.Top);
    }
    if (!overlay_) overlay_ = new TVnDragOverlay(window());
    overlay_->Image = image;
    overlay_->ImagePos = ToOverlay(cursor - hotSpot_);
    overlay_->ImageShown = true;
    overlay_->Sync();
    dragState_ = TDragState::TitleDrag;
    dragSource_ = source;
}

void TVnCustomGrid::DragMove(int x, int y) {
    if (dragState_ != TDragState::TitleDrag) return;
    if (overlay_) {
        overlay_->ImagePos = ToOverlay(QPoint(x, y) - hotSpot_);
        overlay_->update();
    }
    TGridDrawInfo info = CalcDrawInfo();
    const int barHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int rightThreshold = info.Horz.GridBoundary - barHeight;
    const bool overTitleBand = y >= -11 && y < info.Vert.GridExtent;
    int col = -1, row = -1;
    bool afterLast = false;
    if (overTitleBand) {
        row = y < 0 ? 0 : MouseCoord(std::clamp(x, 0, std::max(info.Horz.GridExtent - 1, 0)), y).Y;
        if (x >= rightThreshold) {
            col = info.Horz.LastFullVisibleCell;
            afterLast = dragSource_ == TDragSource::GroupBox;
        } else if (x < info.Horz.FixedBoundary) {
            col = info.Horz.FirstGridCell;
        } else {
            col = MouseCoord(x, std::max(y, 0)).X;
        }
    }
    if (!overTitleBand || row != 0 || col < FixedCols()) {
        // Anywhere but over the titles the only target is the grouping box.
        if (GroupBoxHeight() <= 0 || !groupBox_->PointInBox(QPoint(x, y))) {
            EraseArrows();
            dropTarget_ = TDropTarget::None;
            return;
        }
        const int position = groupBox_->InsertIndexAt(groupBox_->ClientToBox(QPoint(x, y)).x());
        if (dropTarget_ != TDropTarget::GroupBox || position != boxTarget_) {
            EraseArrows();
            dropTarget_ = TDropTarget::GroupBox;
            boxTarget_ = position;
        }
        DrawArrows();
        return;
    }
    const bool beyondLast = x > info.Horz.FullVisBoundary && col != ColCount() - 1;
    // Left of the scrolling columns every move counts as a change, so holding the title there keeps
    // scrolling one column per move.
    const bool beforeFirst = x < info.Horz.FixedBoundary;
    if (col != dropColumn_ || dropTarget_ != TDropTarget::Titles || afterLast != dropAfterLast_ ||
        beyondLast || beforeFirst) {
        EraseArrows();
        dropAfterLast_ = afterLast;
        if (x < info.Horz.FixedBoundary) {
            if (LeftCol() > FixedCols()) ScrollLine(Qt::Horizontal, -1);
            info = CalcDrawInfo();
            col = info.Horz.FirstGridCell;
        } else if (col == info.Horz.LastFullVisibleCell && x > info.Horz.FullVisBoundary &&
                   col < ColCount() - 1) {
            ScrollLine(Qt::Horizontal, 1);
        }
        dropTarget_ = TDropTarget::Titles;
        dropColumn_ = col;
    } else if (x > rightThreshold && info.Horz.LastFullVisibleCell < ColCount() - 1 &&
               info.Horz.GridBoundary <
                   info.Horz.FullVisBoundary + ColWidths(info.Horz.LastFullVisibleCell + 1)) {
        ScrollLine(Qt::Horizontal, 1);
        dropColumn_ = CalcDrawInfo().Horz.LastFullVisibleCell;
    }
    DrawArrows();
}

void TVnCustomGrid::DrawArrows() {
    bool wanted = false;
    TRect title;
    if (dropTarget_ == TDropTarget::Titles) {
        wanted = dropColumn_ >= 0 && dropColumn_ != dragOrigin_;
        title = CellRect(dropColumn_, 0);
    } else if (dropTarget_ == TDropTarget::GroupBox) {
        wanted = boxTarget_ != boxOrigin_;
        const TRect mark = groupBox_->InsertMarkRect(boxTarget_);
        title = {mark.Left, mark.Top - groupBox_->BoxHeight(), mark.Right,
                 mark.Bottom - groupBox_->BoxHeight()};
    }
    if (!wanted || title.IsEmpty()) {
        EraseArrows();
        return;
    }
    const bool toRight = (dragOrigin_ < dropColumn_ && dragOrigin_ > 0) || dropAfterLast_;
    arrowX_ = toRight ? title.Right : title.Left;
    if (!overlay_) overlay_ = new TVnDragOverlay(window());
    const QPoint top = ToOverlay(QPoint(arrowX_, title.Top));
    const QPoint bottom = ToOverlay(QPoint(arrowX_, title.Bottom));
    overlay_->X = top.x();
    overlay_->T = top.y();
    overlay_->B = bottom.y();
    overlay_->Arrows = true;
    overlay_->Sync();
    arrowsShown_ = true;
}

void TVnCustomGrid::EraseArrows() {
    if (!arrowsShown_) return;
    arrowsShown_ = false;
    if (overlay_) {
        overlay_->Arrows = false;
        overlay_->Sync();
    }
}

void TVnCustomGrid::EndDrag(bool commit) {
    if (dragState_ != TDragState::TitleDrag) return;
    dragState_ = TDragState::None;
    if (overlay_) {
        overlay_->ImageShown = false;
        overlay_->Image = QImage();
    }
    EraseArrows();
    if (overlay_) overlay_->Sync();
    if (commit) {
        // A failure while the drop is applied must not leave the drag half-ended.
        try {
            if (dragSource_ == TDragSource::Title && dropTarget_ == TDropTarget::Titles) {
                if (dropColumn_ != -1 && dropColumn_ != dragOrigin_) MoveColumn(dragOrigin_, dropColumn_);
            } else if (dragSource_ == TDragSource::Title && dropTarget_ == TDropTarget::GroupBox) {
                if (groupBox_->IndexOfColumn(dragOrigin_) < 0) {
                    bool accept = !groupBox_->ReadOnly();
                    GroupAdded(dragOrigin_, boxTarget_, accept);
                    if (accept) groupBox_->Insert(boxTarget_, dragOrigin_, true);
                }
            } else if (dragSource_ == TDragSource::GroupBox && dropTarget_ == TDropTarget::Titles) {
                bool accept = true;
                GroupRemoved(boxOrigin_, groupBox_->Entries(boxOrigin_).ColumnIndex, accept);
                if (accept) groupBox_->DeleteLevel(boxOrigin_);
            } else if (dragSource_ == TDragSource::GroupBox && dropTarget_ == TDropTarget::GroupBox) {
                bool accept = true;
                GroupMoved(boxOrigin_, boxTarget_, accept);
                if (accept) groupBox_->Move(boxOrigin_, std::min(boxTarget_, groupBox_->Count() - 1));
            }
        } catch (...) {
        }
    } else {
        pressedTitle_ = -1;
        if (dragOrigin_ >= 0) InvalidateCell(dragOrigin_, 0);
    }
    dragOrigin_ = dropColumn_ = -1;
    boxOrigin_ = boxTarget_ = -1;
    dropTarget_ = TDropTarget::None;
    dropAfterLast_ = false;
    groupBox_->SetPressedIndex(-1);
}

void TVnCustomGrid::DoStartDrag(QPoint clientPoint) {
    if (dragState_ != TDragState::None) return;
    const TGridCoord cell = MouseCoord(clientPoint.x(), clientPoint.y());
    CreateCellDragImage(cell.X, cell.Y, dragImages_);
    if (!dragImages_ || dragImages_->Count() == 0) {
        dragImages_.reset();
        return;
    }
    // What the drag image shows must be on the screen before the image covers part of it.
    UpdateNow();
    dragHotSpot_ = kDragImageHotSpot;
    dragState_ = TDragState::ControlDrag;
}

void TVnCustomGrid::DoEndDrag() {
    dragImages_.reset();
    if (dragState_ == TDragState::ControlDrag) dragState_ = TDragState::None;
}

void TVnCustomGrid::BeginControlDrag(QPoint clientPoint) {
    DoStartDrag(clientPoint);
    // The drag ends however the window system's loop ends.
    struct TEndGuard {
        TVnCustomGrid* grid;
        ~TEndGuard() { grid->DoEndDrag(); }
    } guard{this};
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setText(objectName());
    drag->setMimeData(data);
    if (dragImages_) {
        drag->setPixmap(QPixmap::fromImage(dragImages_->Image(0)));
        drag->setHotSpot(dragHotSpot_);
    }
    drag->exec(Qt::CopyAction | Qt::MoveAction);
}

// ---- mouse and keys --------------------------------------------------------------------------------

void TVnCustomGrid::UpdateCursor() {
    if ((gridFlags_ & gfAdvancedSelect) && selectedArea_->State() == TSelectedArea::TState::Selecting) {
        switch (hitCode_) {
            case htColumnTitle:
                viewport()->setCursor(ScreenCursor(crVnSelectColumn));
                return;
            case htIndicator:
                viewport()->setCursor(ScreenCursor(crVnSelectRow));
                return;
            case htDataCell:
                viewport()->setCursor(ScreenCursor(crVnSelect));
                return;
            default:
                break;
        }
    }
    viewport()->unsetCursor();
}

void TVnCustomGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    mouseDownPoint_ = QPoint(x, y);
    hitCode_ = HitTest(x, y);
    if (button == Qt::LeftButton && GridState() == TGridState::gsNormal && GroupBoxHeight() > 0 &&
        hitCode_ == htGroupBox) {
        CloseClipPopup();
        groupBox_->SetPressedIndex(groupBox_->EntryAt(groupBox_->ClientToBox(QPoint(x, y))));
        dragSource_ = TDragSource::GroupBox;
        return;
    }
    TCustomGrid::MouseDown(button, shift, x, y);
}

void TVnCustomGrid::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) {
    hitCode_ = HitTest(x, y);
    if (dragState_ == TDragState::TitleDrag) {
        DragMove(x, y);
    } else if (groupBox_->PressedIndex() >= 0 && dragSource_ == TDragSource::GroupBox &&
               (buttons & Qt::LeftButton)) {
        if ((std::abs(x - mouseDownPoint_.x()) > 5 || std::abs(y - mouseDownPoint_.y()) > 5) &&
            !groupBox_->ReadOnly())
            StartTitleDrag(-1, TDragSource::GroupBox);
    } else if ((buttons & Qt::LeftButton) && GridState() == TGridState::gsNormal &&
               (gridFlags_ & gfAdvancedSelect) && selectedArea_->State() != TSelectedArea::TState::Idle) {
        SelectionMouseMove(shift, x, y);
    }
    UpdateCursor();
    TCustomGrid::MouseMove(buttons, shift, x, y);
}

void TVnCustomGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    if (dragState_ == TDragState::TitleDrag) {
        EndDrag(true);
    } else if (groupBox_->PressedIndex() >= 0) {
        const int index = groupBox_->PressedIndex();
        TitleClick(shift, groupBox_->Entries(index).ColumnIndex);
        groupBox_->SetPressedIndex(-1);
    } else if ((gridFlags_ & gfAdvancedSelect) && selectedArea_->State() != TSelectedArea::TState::Idle) {
        StopAutoScroll();
        selectedArea_->MouseUp();
    }
    dragSource_ = dragState_ == TDragState::TitleDrag ? dragSource_ : TDragSource::None;
    mouseDownPoint_ = QPoint(0, 0);
    TCustomGrid::MouseUp(button, shift, x, y);
}

void TVnCustomGrid::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    if (dragState_ == TDragState::TitleDrag) {
        if (key == Qt::Key_Escape) EndDrag(false);
        key = 0;
        return;
    }
    if (gridFlags_ & gfAdvancedSelect)
        selectedArea_->SetState((shift & Qt::ShiftModifier) ? TSelectedArea::TState::Selecting
                                                            : TSelectedArea::TState::Idle);
    TCustomGrid::KeyDown(key, shift);
}

void TVnCustomGrid::focusOutEvent(QFocusEvent* event) {
    // Leaving the window mid-drag drops where the arrows stand, so no image stays behind.
    if (dragState_ == TDragState::TitleDrag) EndDrag(true);
    CancelGridState();
    TCustomGrid::focusOutEvent(event);
}

void TVnCustomGrid::ColumnMoved(int fromIndex, int toIndex) {
    TCustomGrid::ColumnMoved(fromIndex, toIndex);
    if (GroupingAllowed()) groupBox_->ColumnMoved(fromIndex, toIndex);
    footers_->MovePanel(fromIndex, toIndex);
}
