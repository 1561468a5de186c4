#include "platform/ui/CustomGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

// The fixed desktop theme: one value per system colour index.
constexpr TColor kSystemColors[] = {
    0xC8C8C8,  // scroll bar
    0x000000,  // background
    0xD1B499,  // active caption
    0xDBCDBF,  // inactive caption
    0xF0F0F0,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0x000000,  // caption text
    0xB4B4B4,  // active border
    0xFCF7F4,  // inactive border
    0xABABAB,  // application work space
    0xFF9933,  // highlight
    0xFFFFFF,  // highlight text
    0xF0F0F0,  // button face
    0xA0A0A0,  // button shadow
    0x6D6D6D,  // grey text
    0x000000,  // button text
    0x544E43,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x696969,  // 3D dark shadow
    0xE3E3E3,  // 3D light
    0x000000,  // info text
    0xE1FFFF,  // info background
};

struct NamedColor {
    const char* name;
    TColor color;
};

constexpr NamedColor kColorNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
};

// Width of the zone around a column or row edge in which a press starts sizing.
constexpr int kSizingZone = 3;
// A column or row sized by mouse keeps at least this many pixels, so that it can still be grabbed.
constexpr int kMinSizedExtent = 1;
constexpr int kTimedScrollInterval = 60;

}  // namespace

TColor ColorToRGB(TColor color) {
    if (color & clSystemColor) {
        const int index = color & 0xFF;
        if (index < static_cast<int>(std::size(kSystemColors))) return kSystemColors[index];
        return clBlack;
    }
    return color & 0xFFFFFF;
}

QColor ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) { return color.red() | (color.green() << 8) | (color.blue() << 16); }

bool IdentToColor(const QString& ident, TColor& color) {
    const QString text = ident.trimmed();
    for (const NamedColor& named : kColorNames) {
        if (text.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0) {
            color = named.color;
            return true;
        }
    }
    bool ok = false;
    qlonglong value = 0;
    if (text.startsWith('$'))
        value = text.mid(1).toLongLong(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    if (!ok || value < INT32_MIN || value > UINT32_MAX) return false;
    color = static_cast<TColor>(static_cast<uint32_t>(value));
    return true;
}

TCustomGrid::TCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    colWidths_.assign(5, defaultColWidth_);
    rowHeights_.assign(5, defaultRowHeight_);
    tabStops_.assign(5, true);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    scrollTimer_.setInterval(kTimedScrollInterval);
    connect(&scrollTimer_, &QTimer::timeout, this, [this] { TimedScroll(timedDx_, timedDy_); });
    SetScrollBars(TScrollStyle::ssBoth);
}

TCustomGrid::~TCustomGrid() { DestroyEditor(); }

void TCustomGrid::DestroyEditor() {
    editorMode_ = false;
    inplaceCol_ = inplaceRow_ = -1;
    delete inplaceEdit_.data();
}

void TCustomGrid::SetColCount(int value) {
    value = std::max(value, 1);
    if (value == ColCount()) return;
    colWidths_.resize(value, defaultColWidth_);
    tabStops_.resize(value, true);
    if (fixedCols_ >= value) fixedCols_ = value - 1;
    current_.X = std::clamp(current_.X, std::min(MinCurrentCol(), fixedCols_), value - 1);
    topLeft_.X = std::clamp(topLeft_.X, fixedCols_, value - 1);
    ClampTopLeft();
    UpdateScrollRanges();
    InvalidateGrid();
}

void TCustomGrid::SetRowCount(int value) {
    value = std::max(value, 1);
    if (value == RowCount()) return;
    rowHeights_.resize(value, defaultRowHeight_);
    if (fixedRows_ >= value) fixedRows_ = value - 1;
    current_.Y = std::clamp(current_.Y, fixedRows_, value - 1);
    topLeft_.Y = std::clamp(topLeft_.Y, fixedRows_, value - 1);
    ClampTopLeft();
    UpdateScrollRanges();
    InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int value) {
    value = std::clamp(value, 0, ColCount() - 1);
    if (value == fixedCols_) return;
    fixedCols_ = value;
    current_.X = std::max(current_.X, std::min(MinCurrentCol(), fixedCols_));
    topLeft_.X = fixedCols_;
    ClampTopLeft();
    UpdateScrollRanges();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int value) {
    value = std::clamp(value, 0, RowCount() - 1);
    if (value == fixedRows_) return;
    fixedRows_ = value;
    current_.Y = std::max(current_.Y, fixedRows_);
    topLeft_.Y = fixedRows_;
    ClampTopLeft();
    UpdateScrollRanges();
    InvalidateGrid();
}

void TCustomGrid::SetColWidths(int col, int width) {
    if (colWidths_.at(col) == width) return;
    colWidths_[col] = width;
    UpdateScrollRanges();
    InvalidateGrid();
    ColWidthsChanged();
    UpdateEdit();
}

void TCustomGrid::SetRowHeights(int row, int height) {
    if (rowHeights_.at(row) == height) return;
    rowHeights_[row] = height;
    UpdateScrollRanges();
    InvalidateGrid();
    RowHeightsChanged();
    UpdateEdit();
}

void TCustomGrid::SetDefaultColWidth(int value) {
    defaultColWidth_ = value;
    std::fill(colWidths_.begin(), colWidths_.end(), value);
    UpdateScrollRanges();
    InvalidateGrid();
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    defaultRowHeight_ = value;
    std::fill(rowHeights_.begin(), rowHeights_.end(), value);
    UpdateScrollRanges();
    InvalidateGrid();
    RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int value) {
    gridLineWidth_ = std::max(value, 0);
    UpdateScrollRanges();
    InvalidateGrid();
}

void TCustomGrid::SetOptions(TGridOptions value) {
    if (value == options_) return;
    options_ = value;
    UpdateScrollRanges();
    InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    const bool h = value == TScrollStyle::ssHorizontal || value == TScrollStyle::ssBoth;
    const bool v = value == TScrollStyle::ssVertical || value == TScrollStyle::ssBoth;
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    UpdateScrollRanges();
}

void TCustomGrid::SetColor(TColor value) {
    color_ = value;
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor value) {
    fixedColor_ = value;
    InvalidateGrid();
}

void TCustomGrid::SetCol(int value) { MoveColRow(value, current_.Y, true, true); }

void TCustomGrid::SetRow(int value) { MoveColRow(current_.X, value, true, true); }

void TCustomGrid::SetLeftCol(int value) {
    const TGridDrawInfo info = CalcDrawInfo();
    value = std::clamp(value, fixedCols_, std::max(fixedCols_, MaxTopLeft(info.Horz)));
    if (value == topLeft_.X) return;
    topLeft_.X = value;
    UpdateScrollRanges();
    InvalidateGrid();
    TopLeftChanged();
    UpdateEdit();
}

void TCustomGrid::SetTopRow(int value) {
    const TGridDrawInfo info = CalcDrawInfo();
    value = std::clamp(value, fixedRows_, std::max(fixedRows_, MaxTopLeft(info.Vert)));
    if (value == topLeft_.Y) return;
    topLeft_.Y = value;
    UpdateScrollRanges();
    InvalidateGrid();
    TopLeftChanged();
    UpdateEdit();
}

int TCustomGrid::VisibleColCount() {
    const TGridDrawInfo info = CalcDrawInfo();
    return info.Horz.LastFullVisibleCell - topLeft_.X + 1;
}

int TCustomGrid::VisibleRowCount() {
    const TGridDrawInfo info = CalcDrawInfo();
    return info.Vert.LastFullVisibleCell - topLeft_.Y + 1;
}

TGridAxisDrawInfo TCustomGrid::CalcAxis(const std::vector<int>& sizes, int fixedCount, int firstCell,
                                        int extent, int lineWidth) const {
    TGridAxisDrawInfo a;
    a.EffectiveLineWidth = lineWidth;
    a.GridExtent = extent;
    a.FixedCellCount = fixedCount;
    a.FirstGridCell = firstCell;
    a.GridCellCount = static_cast<int>(sizes.size());
    a.Extents.reserve(sizes.size());
    // A hidden cell takes no room, not even its line.
    for (int s : sizes) a.Extents.push_back(s < 0 ? -lineWidth : s);
    for (int i = 0; i < fixedCount; ++i) a.FixedBoundary += a.Extents[i] + lineWidth;
    a.GridBoundary = a.FixedBoundary;
    a.FullVisBoundary = a.FixedBoundary;
    a.LastFullVisibleCell = firstCell;
    for (int i = firstCell; i < a.GridCellCount; ++i) {
        a.GridBoundary += a.Extents[i] + lineWidth;
        if (a.GridBoundary > extent + lineWidth) {
            a.GridBoundary = extent;
            break;
        }
        a.LastFullVisibleCell = i;
        a.FullVisBoundary = a.GridBoundary;
    }
    return a;
}

TGridDrawInfo TCustomGrid::CalcDrawInfo() {
    const TRect client = ClientRect();
    TGridDrawInfo info;
    info.Horz = CalcAxis(colWidths_, fixedCols_, topLeft_.X, client.Width(),
                         (options_ & goVertLine) ? gridLineWidth_ : 0);
    info.Vert = CalcAxis(rowHeights_, fixedRows_, topLeft_.Y, client.Height(),
                         (options_ & goHorzLine) ? gridLineWidth_ : 0);
    return info;
}

TGridDrawInfo TCustomGrid::CalcFixedInfo() {
    TGridDrawInfo info = CalcDrawInfo();
    info.Horz =
        CalcAxis(colWidths_, fixedCols_, fixedCols_, info.Horz.GridExtent, info.Horz.EffectiveLineWidth);
    info.Vert =
        CalcAxis(rowHeights_, fixedRows_, fixedRows_, info.Vert.GridExtent, info.Vert.EffectiveLineWidth);
    return info;
}

int TCustomGrid::MaxTopLeft(const TGridAxisDrawInfo& axis) const {
    // The first scrolled cell from which the remaining cells just fill the room after the fixed ones.
    int room = axis.GridExtent - axis.FixedBoundary;
    int cell = axis.GridCellCount - 1;
    while (cell > axis.FixedCellCount) {
        const int need = axis.GetExtent(cell - 1) + axis.EffectiveLineWidth;
        room -= axis.GetExtent(cell) + axis.EffectiveLineWidth;
        if (room < need) break;
        --cell;
    }
    return std::max(cell, axis.FixedCellCount);
}

TRect TCustomGrid::ClientRect() const { return TRect::FromQRect(viewport()->rect()); }

static bool AxisSpan(const TGridAxisDrawInfo& a, int first, int last, int& start, int& end) {
    // Start and end pixel of the cells first..last, both cut to what is shown.
    auto linePos = [&a](int cell, int& pos) {
        if (cell < a.FixedCellCount) {
            pos = 0;
            for (int i = 0; i < cell; ++i) pos += a.GetExtent(i) + a.EffectiveLineWidth;
            return true;
        }
        if (cell < a.FirstGridCell) return false;
        pos = a.FixedBoundary;
        for (int i = a.FirstGridCell; i < cell; ++i) pos += a.GetExtent(i) + a.EffectiveLineWidth;
        return true;
    };
    if (first < 0 || last >= a.GridCellCount || first > last) return false;
    int startCell = first;
    // A range that begins under the fixed part or scrolled out starts at the first shown cell.
    if (startCell >= a.FixedCellCount && startCell < a.FirstGridCell) startCell = a.FirstGridCell;
    if (startCell > last) return false;
    if (!linePos(startCell, start)) return false;
    if (!linePos(last, end)) return false;
    end += a.GetExtent(last);
    if (start >= a.GridExtent) return false;
    end = std::min(end, a.GridExtent);
    return end > start;
}

TRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) {
    const TGridDrawInfo info = CalcDrawInfo();
    TRect r;
    if (!AxisSpan(info.Horz, left, right, r.Left, r.Right)) return {};
    if (!AxisSpan(info.Vert, top, bottom, r.Top, r.Bottom)) return {};
    return r;
}

TRect TCustomGrid::CellRect(int col, int row) { return BoxRect(col, row, col, row); }

static int AxisCoord(const TGridAxisDrawInfo& a, int pos) {
    if (pos < 0 || pos >= a.GridExtent) return -1;
    int start = 0;
    for (int i = 0; i < a.FixedCellCount; ++i) {
        const int end = start + a.GetExtent(i) + a.EffectiveLineWidth;
        if (pos < end) return i;
        start = end;
    }
    for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
        const int end = start + a.GetExtent(i) + a.EffectiveLineWidth;
        if (pos < end) return i;
        start = end;
    }
    return -1;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) {
    const TGridDrawInfo info = CalcDrawInfo();
    TGridCoord c{AxisCoord(info.Horz, x), AxisCoord(info.Vert, y)};
    if (c.X < 0 || c.Y < 0) return {-1, -1};
    return c;
}

void TCustomGrid::InvalidateRegion(const QRegion& region) {
    pendingPaint_ += region;
    viewport()->update(region);
}

void TCustomGrid::ScrollRegion(const QRect& area, int dy) {
    if (dy == 0 || area.isEmpty()) return;
    viewport()->scroll(0, dy, area);
    // What was waiting to be painted moved with the picture.
    const QRegion waiting = pendingPaint_.intersected(area);
    pendingPaint_ = pendingPaint_.subtracted(area) + waiting.translated(0, dy).intersected(area);
    const QRect uncovered = dy < 0 ? QRect(area.left(), area.bottom() + 1 + dy, area.width(), -dy)
                                   : QRect(area.left(), area.top(), area.width(), dy);
    InvalidateRegion(QRegion(uncovered.intersected(area)));
}

void TCustomGrid::UpdateNow() {
    if (pendingPaint_.isEmpty() || !viewport()->isVisible()) return;
    viewport()->repaint(pendingPaint_);
}

void TCustomGrid::InvalidateGrid() { InvalidateRegion(QRegion(viewport()->rect())); }

void TCustomGrid::InvalidateCell(int col, int row) {
    const TRect r = CellRect(col, row);
    if (!r.IsEmpty()) InvalidateRegion(QRegion(r.Inflated(1, 1).ToQRect()));
}

void TCustomGrid::InvalidateCol(int col) {
    const TRect r = BoxRect(col, 0, col, RowCount() - 1);
    if (!r.IsEmpty()) InvalidateRegion(QRegion(r.Inflated(1, 1).ToQRect()));
}

void TCustomGrid::InvalidateRow(int row) {
    const TRect r = BoxRect(0, row, ColCount() - 1, row);
    if (!r.IsEmpty()) InvalidateRegion(QRegion(r.Inflated(1, 1).ToQRect()));
}

void TCustomGrid::ScrollIntoView(int col, int row) {
    TGridCoord tl = topLeft_;
    if (col >= fixedCols_) {
        if (col < tl.X) {
            tl.X = col;
        } else {
            TGridDrawInfo info = CalcDrawInfo();
            while (col > info.Horz.LastFullVisibleCell && tl.X < col) {
                ++tl.X;
                info.Horz = CalcAxis(colWidths_, fixedCols_, tl.X, info.Horz.GridExtent,
                                     info.Horz.EffectiveLineWidth);
            }
        }
    }
    if (row >= fixedRows_) {
        if (row < tl.Y) {
            tl.Y = row;
        } else {
            TGridDrawInfo info = CalcDrawInfo();
            while (row > info.Vert.LastFullVisibleCell && tl.Y < row) {
                ++tl.Y;
                info.Vert = CalcAxis(rowHeights_, fixedRows_, tl.Y, info.Vert.GridExtent,
                                     info.Vert.EffectiveLineWidth);
            }
        }
    }
    if (tl == topLeft_) return;
    topLeft_ = tl;
    UpdateScrollRanges();
    InvalidateGrid();
    TopLeftChanged();
}

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(anchor_.X, current_.X), std::min(anchor_.Y, current_.Y),
                std::max(anchor_.X, current_.X), std::max(anchor_.Y, current_.Y)};
    if (options_ & goRowSelect) {
        r.Left = fixedCols_;
        r.Right = ColCount() - 1;
    }
    return r;
}

void TCustomGrid::MoveColRow(int col, int row, bool moveAnchor, bool show) {
    col = std::clamp(col, std::min(MinCurrentCol(), fixedCols_), ColCount() - 1);
    row = std::clamp(row, fixedRows_, RowCount() - 1);
    auto invalidateSelection = [this] {
        const TGridRect sel = Selection();
        if ((options_ & goRowSelect) || sel.Left != sel.Right || sel.Top != sel.Bottom) {
            const TRect box = BoxRect(sel.Left, sel.Top, sel.Right, sel.Bottom);
            if (!box.IsEmpty()) InvalidateRegion(QRegion(box.Inflated(1, 1).ToQRect()));
        } else {
            InvalidateCell(current_.X, current_.Y);
        }
    };
    invalidateSelection();
    const bool moved = !(current_ == TGridCoord{col, row});
    // The editor first hands its text to the cell it leaves.
    if (moved && editorMode_) HideEdit();
    current_ = {col, row};
    // Without range selection the selection is always the current cell alone.
    if (moveAnchor || !(options_ & goRangeSelect)) anchor_ = current_;
    invalidateSelection();
    if (show) ScrollIntoView(col, row);
    if (moved && editorMode_) UpdateEdit();
}

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
    if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= ColCount() ||
        toIndex >= ColCount())
        return;
    const int width = colWidths_[fromIndex];
    const bool tab = tabStops_[fromIndex];
    colWidths_.erase(colWidths_.begin() + fromIndex);
    colWidths_.insert(colWidths_.begin() + toIndex, width);
    tabStops_.erase(tabStops_.begin() + fromIndex);
    tabStops_.insert(tabStops_.begin() + toIndex, tab);
    // The current cell stays on the column it was on.
    if (current_.X == fromIndex)
        current_.X = toIndex;
    else if (fromIndex < current_.X && toIndex >= current_.X)
        --current_.X;
    else if (fromIndex > current_.X && toIndex <= current_.X)
        ++current_.X;
    UpdateScrollRanges();
    InvalidateGrid();
    ColumnMoved(fromIndex, toIndex);
}

void TCustomGrid::ScrollLine(Qt::Orientation orientation, int delta) {
    if (orientation == Qt::Horizontal)
        SetLeftCol(topLeft_.X + delta);
    else
        SetTopRow(topLeft_.Y + delta);
}

void TCustomGrid::ClampTopLeft() {
    const TGridDrawInfo info = CalcDrawInfo();
    topLeft_.X = std::clamp(topLeft_.X, fixedCols_, std::max(fixedCols_, MaxTopLeft(info.Horz)));
    topLeft_.Y = std::clamp(topLeft_.Y, fixedRows_, std::max(fixedRows_, MaxTopLeft(info.Vert)));
}

void TCustomGrid::UpdateScrollRanges() {
    if (syncingBars_) return;
    syncingBars_ = true;
    const TGridDrawInfo info = CalcDrawInfo();
    const int maxLeft = std::max(fixedCols_, MaxTopLeft(info.Horz));
    const int maxTop = std::max(fixedRows_, MaxTopLeft(info.Vert));
    horizontalScrollBar()->setRange(fixedCols_, maxLeft);
    horizontalScrollBar()->setPageStep(std::max(1, info.Horz.LastFullVisibleCell - topLeft_.X + 1));
    horizontalScrollBar()->setValue(topLeft_.X);
    if (SyncsVerticalBar()) {
        verticalScrollBar()->setRange(fixedRows_, maxTop);
        verticalScrollBar()->setPageStep(std::max(1, info.Vert.LastFullVisibleCell - topLeft_.Y + 1));
        verticalScrollBar()->setValue(topLeft_.Y);
    }
    syncingBars_ = false;
}

void TCustomGrid::scrollContentsBy(int, int) {
    if (syncingBars_) return;
    const int left = horizontalScrollBar()->value();
    const int top = verticalScrollBar()->value();
    if (left != topLeft_.X) SetLeftCol(left);
    if (SyncsVerticalBar() && top != topLeft_.Y) SetTopRow(top);
}

void TCustomGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const TGridCoord before = topLeft_;
    ClampTopLeft();
    UpdateScrollRanges();
    if (!(before == topLeft_)) TopLeftChanged();
    UpdateEdit();
}

bool TCustomGrid::CanPaint(const QRegion&) { return true; }

void TCustomGrid::Paint(QPainter& canvas) {
    const TGridDrawInfo info = CalcDrawInfo();
    const TRect client = ClientRect();
    // Rows outside the area asked for are not drawn at all: a scroll that repaints one row must
    // cost one row, however many the window shows.
    const QRegion dirty = canvas.hasClipping() ? canvas.clipRegion() : QRegion(client.ToQRect());
    const TGridRect selection = Selection();
    canvas.save();
    canvas.setClipRect(client.ToQRect(), Qt::IntersectClip);
    // The room right of and below the last cell shows the grid's background.
    canvas.fillRect(client.ToQRect(), ToQColor(color_));
    const QColor fixedLine = ToQColor(clBlack);
    const QColor line = ToQColor(clSilver);
    const bool focused = hasFocus();

    auto paintRows = [&](int firstRow, int lastRow, int y) {
        for (int row = firstRow; row <= lastRow && y < client.Height(); ++row) {
            const int h = info.Vert.GetExtent(row);
            if (h + info.Vert.EffectiveLineWidth <= 0) continue;
            // Whole rows are kept or skipped: a cell may paint a neighbour of its row with itself. A
            // row whose cells are clean but whose bottom line is not gets only its lines again.
            const bool cellsDirty = dirty.intersects(QRect(client.Left, y, client.Width(), h));
            if (!cellsDirty && !dirty.intersects(QRect(client.Left, y + h, client.Width(),
                                                       std::max(info.Vert.EffectiveLineWidth, 0)))) {
                y += h + info.Vert.EffectiveLineWidth;
                continue;
            }
            int x = 0;
            auto paintCell = [&](int col) {
                const int w = info.Horz.GetExtent(col);
                if (w + info.Horz.EffectiveLineWidth <= 0) return;
                const TRect r{x, y, x + w, y + h};
                const bool fixed = col < fixedCols_ || row < fixedRows_;
                TGridDrawState state = fixed ? TGridDrawState{gdFixed} : TGridDrawState{0};
                const bool selected = col >= selection.Left && col <= selection.Right &&
                                      row >= selection.Top && row <= selection.Bottom;
                if (!fixed && selected) {
                    state |= gdSelected;
                    if (focused && col == current_.X && row == current_.Y) state |= gdFocused;
                    if (focused && (options_ & goRowSelect) && row == current_.Y) state |= gdFocused;
                }
                if (w > 0 && h > 0 && cellsDirty) DrawCell(canvas, col, row, r, state);
                const bool fixedLines = fixed && (options_ & (goFixedVertLine | goFixedHorzLine));
                const QColor& c = fixedLines ? fixedLine : line;
                if (info.Horz.EffectiveLineWidth > 0 &&
                    (fixed ? (options_ & goFixedVertLine) : (options_ & goVertLine)))
                    canvas.fillRect(
                        QRect(r.Right, r.Top, info.Horz.EffectiveLineWidth, h + info.Vert.EffectiveLineWidth),
                        c);
                if (info.Vert.EffectiveLineWidth > 0 &&
                    (fixed ? (options_ & goFixedHorzLine) : (options_ & goHorzLine)))
                    canvas.fillRect(QRect(r.Left, r.Bottom, w + info.Horz.EffectiveLineWidth,
                                          info.Vert.EffectiveLineWidth),
                                    c);
                x += w + info.Horz.EffectiveLineWidth;
            };
            for (int col = 0; col < fixedCols_; ++col) paintCell(col);
            for (int col = topLeft_.X; col < ColCount() && x < client.Width(); ++col) paintCell(col);
            y += h + info.Vert.EffectiveLineWidth;
        }
        return y;
    };
    const int y = paintRows(0, fixedRows_ - 1, 0);
    paintRows(topLeft_.Y, RowCount() - 1, y);
    canvas.restore();
    if (gridState_ == TGridState::gsColSizing || gridState_ == TGridState::gsRowSizing)
        DrawSizingLine(canvas);
}

void TCustomGrid::DrawSizingLine(QPainter& p) {
    // Qt has no inverting pen on every backend; the line is drawn over the next paint instead.
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    const TRect client = ClientRect();
    if (gridState_ == TGridState::gsColSizing)
        p.drawLine(sizingPos_, client.Top, sizingPos_, client.Bottom - 1);
    else
        p.drawLine(client.Left, sizingPos_, client.Right - 1, sizingPos_);
}

void TCustomGrid::DrawCell(QPainter& canvas, int, int, const TRect& rect, TGridDrawState state) {
    TColor fill = (state & gdFixed) ? fixedColor_ : color_;
    if ((state & gdSelected) && (options_ & goDrawFocusSelected || !(state & gdFocused))) fill = clHighlight;
    canvas.fillRect(rect.ToQRect(), ToQColor(fill));
}

bool TCustomGrid::SelectCell(int, int) { return true; }
void TCustomGrid::TopLeftChanged() {}
void TCustomGrid::ColWidthsChanged() {}
void TCustomGrid::RowHeightsChanged() {}
void TCustomGrid::ColumnMoved(int, int) {}
bool TCustomGrid::BeginColumnDrag(int&, int&, const QPoint&) { return true; }

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                  const TGridDrawInfo& info) {
    state = TGridState::gsNormal;
    index = -1;
    // Columns are sized from the fixed rows, rows from the fixed columns, at the edge after a cell.
    auto findEdge = [](const TGridAxisDrawInfo& a, int pos, int& edgeIndex, int& edge) {
        int start = 0;
        auto test = [&](int i) {
            const int end = start + a.GetExtent(i) + a.EffectiveLineWidth;
            if (a.GetExtent(i) >= 0 && std::abs(pos - (end - a.EffectiveLineWidth / 2 - 1)) <= kSizingZone) {
                edgeIndex = i;
                edge = end;
                return true;
            }
            start = end;
            return false;
        };
        for (int i = 0; i < a.FixedCellCount; ++i)
            if (test(i)) return true;
        for (int i = a.FirstGridCell; i < a.GridCellCount && start < a.GridExtent; ++i)
            if (test(i)) return true;
        return false;
    };
    int edge = 0;
    if ((options_ & goColSizing) && y >= 0 && y < info.Vert.FixedBoundary &&
        findEdge(info.Horz, x, index, edge)) {
        state = TGridState::gsColSizing;
        sizingPos = x;
        sizingOfs = x - (edge - info.Horz.EffectiveLineWidth);
    } else if ((options_ & goRowSizing) && x >= 0 && x < info.Horz.FixedBoundary &&
               findEdge(info.Vert, y, index, edge)) {
        state = TGridState::gsRowSizing;
        sizingPos = y;
        sizingOfs = y - (edge - info.Vert.EffectiveLineWidth);
    }
}

void TCustomGrid::TimedScroll(int dx, int dy) {
    TGridCoord target = current_;
    if (dx != 0) {
        SetLeftCol(topLeft_.X + dx);
        target.X = dx < 0 ? topLeft_.X : CalcDrawInfo().Horz.LastFullVisibleCell;
    }
    if (dy != 0) {
        SetTopRow(topLeft_.Y + dy);
        target.Y = dy < 0 ? topLeft_.Y : CalcDrawInfo().Vert.LastFullVisibleCell;
    }
    if (SelectCell(target.X, target.Y)) MoveColRow(target.X, target.Y, false, true);
}

void TCustomGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (button != Qt::LeftButton) return;
    const TGridDrawInfo info = CalcDrawInfo();
    TGridState state;
    int index, pos, ofs;
    CalcSizingState(x, y, state, index, pos, ofs, info);
    if (state != TGridState::gsNormal) {
        gridState_ = state;
        sizingIndex_ = index;
        sizingPos_ = pos;
        sizingOfs_ = ofs;
        viewport()->update();
        return;
    }
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0) return;
    if ((options_ & goColMoving) && cell.Y < fixedRows_ && cell.X >= fixedCols_) {
        int origin = cell.X, destination = cell.X;
        if (BeginColumnDrag(origin, destination, QPoint(x, y))) {
            gridState_ = TGridState::gsColMoving;
            moveIndex_ = origin;
            movePos_ = destination;
        }
        return;
    }
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
        if (SelectCell(cell.X, cell.Y)) MoveColRow(cell.X, cell.Y, true, true);
        gridState_ = TGridState::gsSelecting;
    }
}

void TCustomGrid::MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
    switch (gridState_) {
        case TGridState::gsColSizing:
        case TGridState::gsRowSizing:
            sizingPos_ = gridState_ == TGridState::gsColSizing ? x : y;
            viewport()->update();
            break;
        case TGridState::gsColMoving: {
            const TGridCoord cell =
                MouseCoord(x, std::max(0, std::min(y, CalcDrawInfo().Vert.FixedBoundary - 1)));
            if (cell.X >= fixedCols_) movePos_ = cell.X;
            break;
        }
        case TGridState::gsSelecting: {
            const TGridDrawInfo info = CalcDrawInfo();
            int dx = 0, dy = 0;
            if (x < info.Horz.FixedBoundary && topLeft_.X > fixedCols_)
                dx = -1;
            else if (x >= info.Horz.GridExtent)
                dx = 1;
            if (y < info.Vert.FixedBoundary && topLeft_.Y > fixedRows_)
                dy = -1;
            else if (y >= info.Vert.GridExtent)
                dy = 1;
            if (dx != 0 || dy != 0) {
                timedDx_ = dx;
                timedDy_ = dy;
                if (!scrollTimer_.isActive()) scrollTimer_.start();
                break;
            }
            scrollTimer_.stop();
            const TGridCoord cell = MouseCoord(x, y);
            if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && !(cell == current_) &&
                SelectCell(cell.X, cell.Y))
                MoveColRow(cell.X, cell.Y, false, true);
            break;
        }
        default:
            break;
    }
}

void TCustomGrid::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    const TGridState state = gridState_;
    gridState_ = TGridState::gsNormal;
    scrollTimer_.stop();
    if (state == TGridState::gsColSizing || state == TGridState::gsRowSizing) {
        const bool cols = state == TGridState::gsColSizing;
        const int pos = cols ? x : y;
        const TRect cell =
            cols ? BoxRect(sizingIndex_, 0, sizingIndex_, 0) : BoxRect(0, sizingIndex_, 0, sizingIndex_);
        const int start = cols ? cell.Left : cell.Top;
        const int size = std::max(kMinSizedExtent, pos - sizingOfs_ - start);
        viewport()->update();
        if (cols)
            SetColWidths(sizingIndex_, size);
        else
            SetRowHeights(sizingIndex_, size);
    } else if (state == TGridState::gsColMoving) {
        if (movePos_ >= 0 && movePos_ != moveIndex_) MoveColumn(moveIndex_, movePos_);
    }
    sizingIndex_ = moveIndex_ = movePos_ = -1;
}

void TCustomGrid::CancelGridState() {
    scrollTimer_.stop();
    if (gridState_ != TGridState::gsNormal) viewport()->update();
    gridState_ = TGridState::gsNormal;
}

void TCustomGrid::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    TGridCoord target = current_;
    const int page = std::max(1, VisibleRowCount());
    switch (key) {
        case Qt::Key_Up:
            --target.Y;
            break;
        case Qt::Key_Down:
            ++target.Y;
            break;
        case Qt::Key_Left:
            --target.X;
            break;
        case Qt::Key_Right:
            ++target.X;
            break;
        case Qt::Key_PageUp:
            target.Y -= page;
            break;
        case Qt::Key_PageDown:
            target.Y += page;
            break;
        case Qt::Key_Home:
            target = (shift & Qt::ControlModifier) ? TGridCoord{fixedCols_, fixedRows_}
                                                   : TGridCoord{fixedCols_, target.Y};
            break;
        case Qt::Key_End:
            target = (shift & Qt::ControlModifier) ? TGridCoord{ColCount() - 1, RowCount() - 1}
                                                   : TGridCoord{ColCount() - 1, target.Y};
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!(options_ & goTabs)) return;
            target.X += key == Qt::Key_Backtab ? -1 : 1;
            break;
        default:
            return;
    }
    target.X = std::clamp(target.X, fixedCols_, ColCount() - 1);
    target.Y = std::clamp(target.Y, fixedRows_, RowCount() - 1);
    if (!(target == current_) && SelectCell(target.X, target.Y)) MoveColRow(target.X, target.Y, true, true);
    key = 0;
}

void TCustomGrid::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    KeyDown(key, event->modifiers());
    if (key == 0) {
        event->accept();
        return;
    }
    if (!event->text().isEmpty()) {
        QChar c = event->text().front();
        KeyPress(c);
        if (c.isNull()) {
            event->accept();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// ---- in-place editor ---------------------------------------------------------------------------------

namespace {

// Characters that change the text of a cell when typed: printable ones and backspace.
bool IsEditChar(QChar c) { return c == QLatin1Char('\b') || (c.unicode() >= 32 && c.unicode() != 127); }

}  // namespace

void TCustomGrid::KeyPress(QChar& key) {
    if (!(options_ & goEditing)) return;
    if (key == QLatin1Char('\r')) {
        if (options_ & goAlwaysShowEditor) return;
        if (editorMode_)
            HideEditor();
        else
            ShowEditor();
        key = QChar();
        return;
    }
    if (!IsEditChar(key) || inEditorKey_) return;
    // Typing on a cell opens the editor (its text all selected the first time) and types there.
    ShowEditor();
    if (!inplaceEdit_ || !inplaceEdit_->isVisible()) return;
    inplaceEdit_->TypeChar(key);
    key = QChar();
}

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() {
    if ((options_ & (goRowSelect | goEditing)) != goEditing || !editorMode_ || !isVisible()) return false;
    if (options_ & goAlwaysShowEditor) return true;
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || (inplaceEdit_ && focus == inplaceEdit_));
}

void TCustomGrid::SetEditorMode(bool value) {
    if (!value) {
        HideEditor();
        return;
    }
    ShowEditor();
    if (inplaceEdit_) inplaceEdit_->Deselect();
}

void TCustomGrid::ShowEditor() {
    editorMode_ = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor() {
    if (!editorMode_) return;
    editorMode_ = false;
    HideEdit();
}

void TCustomGrid::InvalidateEditor() {
    inplaceCol_ = -1;
    inplaceRow_ = -1;
    UpdateEdit();
}

void TCustomGrid::UpdateText() {
    if (inplaceEdit_ && inplaceCol_ >= 0 && inplaceRow_ >= 0)
        SetEditText(inplaceCol_, inplaceRow_, inplaceEdit_->text());
}

void TCustomGrid::HideEdit() {
    if (!inplaceEdit_) return;
    // The cell is forgotten even when storing the text fails, so that the editor is read anew.
    try {
        UpdateText();
    } catch (...) {
        inplaceCol_ = inplaceRow_ = -1;
        inplaceEdit_->Hide();
        throw;
    }
    inplaceCol_ = inplaceRow_ = -1;
    inplaceEdit_->Hide();
}

void TCustomGrid::UpdateEditor() {
    inplaceCol_ = current_.X;
    inplaceRow_ = current_.Y;
    inplaceEdit_->UpdateContents();
    inplaceEdit_->selectAll();
}

void TCustomGrid::UpdateEdit() {
    if (!editorMode_ || !CanEditShow()) {
        // A layout change while the editor is shown but may not be (a lost focus) leaves it alone.
        if (editorMode_ && inplaceEdit_ && inplaceEdit_->isVisible() && inplaceCol_ >= 0) {
            const TRect rect = CellRect(inplaceCol_, inplaceRow_);
            if (!rect.IsEmpty()) inplaceEdit_->setGeometry(rect.ToQRect());
        }
        return;
    }
    if (!inplaceEdit_) {
        inplaceEdit_ = CreateEditor();
        UpdateEditor();
    } else if (inplaceCol_ != current_.X || inplaceRow_ != current_.Y) {
        HideEdit();
        UpdateEditor();
    }
    if (CanEditShow()) inplaceEdit_->Move(CellRect(current_.X, current_.Y));
}

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
    setFrame(false);
    // Every change goes through the keyboard, where the grid is asked first: the edit's own menu and
    // drops would change the text behind the grid's back (the grid's menus serve the cell instead).
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!updating_ && grid_->inplaceCol_ >= 0)
            grid_->SetEditText(grid_->inplaceCol_, grid_->inplaceRow_, text);
    });
}

void TInplaceEdit::UpdateContents() {
    updating_ = true;
    setText(grid_->GetEditText(grid_->Col(), grid_->Row()));
    const int limit = grid_->GetEditLimit();
    setMaxLength(limit > 0 ? limit : 32767);
    updating_ = false;
}

void TInplaceEdit::TypeChar(QChar c) {
    if (isReadOnly()) return;
    if (c != QLatin1Char('\b') && !grid_->CanEditAcceptKey(c)) return;
    if (!grid_->CanEditModify()) return;
    if (c == QLatin1Char('\b'))
        backspace();
    else
        insert(QString(c));
    if (grid_->inplaceCol_ >= 0) grid_->SetEditText(grid_->inplaceCol_, grid_->inplaceRow_, text());
}

void TInplaceEdit::Move(const TRect& rect) {
    if (rect.IsEmpty()) {
        Hide();
        return;
    }
    const bool changed = geometry() != rect.ToQRect();
    setGeometry(rect.ToQRect());
    if (!changed) BoundsChanged();
    show();
    raise();
    if (grid_->hasFocus()) setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::Hide() {
    if (!isVisible()) return;
    const bool focused = hasFocus();
    hide();
    if (focused) {
        grid_->focusFromEditor_ = true;
        grid_->setFocus(Qt::OtherFocusReason);
        grid_->focusFromEditor_ = false;
    }
}

void TInplaceEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    BoundsChanged();
}

bool TInplaceEdit::SendToGrid(QKeyEvent* event) {
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                   static_cast<ushort>(event->count()));
    copy.setAccepted(false);
    // Unaccepted, it travels on from the grid to its window, as a key pressed in the grid would.
    QCoreApplication::sendEvent(grid_, &copy);
    return copy.isAccepted();
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool noSelection = !hasSelectedText();
    bool toGrid = false;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            toGrid = true;
            break;
        case Qt::Key_Home:
        case Qt::Key_End:
            toGrid = ctrl;
            break;
        // The caret at an edge of the text lets the arrow go on to the next cell.
        case Qt::Key_Left:
            toGrid = ctrl || (noSelection && cursorPosition() == 0);
            break;
        case Qt::Key_Right:
            toGrid = ctrl || (noSelection && cursorPosition() == text().size());
            break;
        case Qt::Key_Delete:
            toGrid = ctrl;
            if (!toGrid && !grid_->CanEditModify()) {
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    if (toGrid) {
        SendToGrid(event);
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !ctrl) {
        QChar c = text.front();
        grid_->inEditorKey_ = true;
        try {
            grid_->KeyPress(c);
        } catch (...) {
            grid_->inEditorKey_ = false;
            throw;
        }
        grid_->inEditorKey_ = false;
        if (!c.isNull() && IsEditChar(c) && c != QLatin1Char('\b') && !grid_->CanEditAcceptKey(c))
            c = QChar();
        if (!c.isNull() && IsEditChar(c) && !grid_->CanEditModify()) c = QChar();
        if (c.isNull()) {
            event->accept();
            return;
        }
    } else if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
               event->matches(QKeySequence::Undo)) {
        if (!grid_->CanEditModify()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TInplaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    QWidget* focus = QApplication::focusWidget();
    if (focus == grid_ || (focus && grid_->isAncestorOf(focus))) return;
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    // The focus leaves the grid from its editor: the grid learns it as if it had had the focus itself.
    QFocusEvent left(QEvent::FocusOut, event->reason());
    QCoreApplication::sendEvent(grid_, &left);
}

bool TCustomGrid::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::Paint: {
            auto* pe = static_cast<QPaintEvent*>(event);
            if (!CanPaint(pe->region())) return true;
            pendingPaint_ = pendingPaint_.subtracted(pe->region());
            QPainter canvas(viewport());
            canvas.setClipRegion(pe->region());
            Paint(canvas);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
            const QPoint p = me->position().toPoint();
            MouseDown(me->button(), me->modifiers(), p.x(), p.y());
            return true;
        }
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint p = me->position().toPoint();
            MouseMove(me->buttons(), me->modifiers(), p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint p = me->position().toPoint();
            MouseUp(me->button(), me->modifiers(), p.x(), p.y());
            return true;
        }
        default:
            return QAbstractScrollArea::viewportEvent(event);
    }
}
