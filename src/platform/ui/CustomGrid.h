#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QLineEdit>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <cstdint>
#include <utility>
#include <vector>

// Colours are kept as the stored layouts and the control library write them: 0x00BBGGRR, with
// system colours as 0x80000000 + the system colour index and two special values.
using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

// A system colour resolved to its plain value. The station's theme is fixed here, so that a list
// looks the same on every desktop and pixel tests can rely on it.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
// Reads a colour identifier: a "cl" name (plain or system colour) or a number, decimal or with a
// "$" / "0x" prefix. Answers false and leaves color alone when it is not one.
bool IdentToColor(const QString& ident, TColor& color);

// A rectangle as the painting code computes it: right and bottom lie just outside.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    QRect ToQRect() const { return IsEmpty() ? QRect() : QRect(Left, Top, Width(), Height()); }
    static TRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    TRect Inflated(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
    bool operator==(const TRect&) const = default;
};

struct TGridCoord {
    int X = 0, Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

enum TGridOption : uint32_t {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};
using TGridOptions = uint32_t;

enum TGridDrawStateFlag : uint32_t { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = uint32_t;

enum class TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The drawing information of one axis, computed for the current scroll position and client size.
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0;
    int FixedBoundary = 0;
    int GridBoundary = 0;
    int GridExtent = 0;
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0;
    int FixedCellCount = 0;
    int FirstGridCell = 0;
    int GridCellCount = 0;
    std::vector<int> Extents;  // cell sizes, a hidden cell (-1) as minus the line width

    int GetExtent(int index) const { return Extents[index]; }
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz, Vert;
};

class TCustomGrid;

// The edit field the grid lays over its current cell while it edits. It reads its text from the grid,
// hands every change back, and passes the keys that move between cells on to the grid.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid* grid);

    TCustomGrid* GridBase() const { return grid_; }
    // Reads the current cell's text and limit from the grid.
    virtual void UpdateContents();
    // Lays the editor over a cell (client coordinates of the grid's viewport) and shows it.
    void Move(const TRect& rect);
    void Hide();
    void Deselect() { deselect(); }
    // A character typed on the cell: let through when the grid takes it and may change the cell.
    void TypeChar(QChar c);

protected:
    // After every change of the editor's bounds.
    virtual void BoundsChanged() {}
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Hands a key event to the grid as if it had been typed there; true when the grid took it.
    bool SendToGrid(QKeyEvent* event);

private:
    TCustomGrid* grid_;
    bool updating_ = false;
};

// The cell grid that every grid of the program stands on: fixed leading columns and rows, sizes per
// column and row, scrolling by whole cells, a current cell, sizing and moving by mouse, and painting
// that hands every visible cell to DrawCell. Coordinates are those of the viewport ("client").
class TCustomGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TCustomGrid(QWidget* parent = nullptr);
    ~TCustomGrid() override;

    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int value);
    int RowCount() const { return static_cast<int>(rowHeights_.size()); }
    void SetRowCount(int value);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);
    int ColWidths(int col) const { return colWidths_.at(col); }
    void SetColWidths(int col, int width);
    int RowHeights(int row) const { return rowHeights_.at(row); }
    void SetRowHeights(int row, int height);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int value);
    bool TabStops(int col) const { return tabStops_.at(col); }
    void SetTabStops(int col, bool value) { tabStops_.at(col) = value; }
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    virtual void SetScrollBars(TScrollStyle value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor value);

    int Col() const { return current_.X; }
    void SetCol(int value);
    int Row() const { return current_.Y; }
    void SetRow(int value);
    // The selected cells: from the anchor to the current cell. The anchor follows the current cell
    // unless a move keeps it (a range being selected with goRangeSelect).
    TGridRect Selection() const;
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int value);
    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int value);
    int VisibleColCount();
    int VisibleRowCount();
    TGridState GridState() const { return gridState_; }

    // The in-place editor: shown over the current cell while EditorMode is on (and the grid edits).
    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool value);
    TInplaceEdit* InplaceEditor() const { return inplaceEdit_; }
    void ShowEditor();
    void HideEditor();
    // Reads the cell's text into the editor anew.
    void InvalidateEditor();

    TGridDrawInfo CalcDrawInfo();
    TGridDrawInfo CalcFixedInfo();
    TRect CellRect(int col, int row);
    TRect BoxRect(int left, int top, int right, int bottom);
    TGridCoord MouseCoord(int x, int y);

    // The part of the viewport in which cells are laid out.
    virtual TRect ClientRect() const;

    void InvalidateCell(int col, int row);
    void InvalidateCol(int col);
    void InvalidateRow(int row);
    void InvalidateGrid();
    // Every repaint request of the grid passes here, so that a descendant can hold them back.
    virtual void InvalidateRegion(const QRegion& region);
    // Moves what the window shows in an area by dy pixels and asks a repaint of the strip the move
    // uncovers, as the window system's own scrolling does.
    void ScrollRegion(const QRect& area, int dy);
    // Paints at once what was asked for since the last paint, and nothing more.
    void UpdateNow();

    void MoveColRow(int col, int row, bool moveAnchor, bool show);
    void MoveColumn(int fromIndex, int toIndex);
    // One line of the scroll bar, as its arrow button does it.
    void ScrollLine(Qt::Orientation orientation, int delta);

protected:
    virtual void Paint(QPainter& canvas);
    virtual void DrawCell(QPainter& canvas, int col, int row, const TRect& rect, TGridDrawState state);
    virtual bool SelectCell(int col, int row);
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void ColumnMoved(int fromIndex, int toIndex);
    virtual bool BeginColumnDrag(int& origin, int& destination, const QPoint& mousePt);
    virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                 const TGridDrawInfo& info);
    virtual void TimedScroll(int dx, int dy);
    virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // A typed character: Enter opens and closes the editor, a printable one opens it with that
    // character when the grid edits.
    virtual void KeyPress(QChar& key);

    // Hooks of the in-place editor.
    virtual TInplaceEdit* CreateEditor();
    virtual bool CanEditShow();
    virtual bool CanEditAcceptKey(QChar) { return true; }
    // Asked before the editor lets a change through; a grid over data may start an edit here.
    virtual bool CanEditModify() { return true; }
    // The most characters the cell takes; 0 for no limit.
    virtual int GetEditLimit() { return 0; }
    virtual QString GetEditText(int, int) { return {}; }
    virtual void SetEditText(int, int, const QString&) {}
    // Hands the editor's text to the cell it was opened on.
    void UpdateText();
    // Keeps the editor over its cell after the cells moved.
    void UpdateEdit();
    // Drops the editor without handing on its text, while the grid goes away: it must not call
    // back into a grid that is half destroyed.
    void DestroyEditor();
    // The focus went from the editor to the grid (and is consumed by asking).
    bool TakeFocusFromEditor() { return std::exchange(focusFromEditor_, false); }

    // Whether painting may proceed now; a descendant that holds its repaints answers false.
    virtual bool CanPaint(const QRegion& region);
    // Ends a mouse state that another window interrupted.
    void CancelGridState();
    // The first column that can hold the current cell: the first scrolling one, unless a descendant
    // lets some fixed columns (frozen data columns) be current too.
    virtual int MinCurrentCol() const { return fixedCols_; }

    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

    // Brings the scroll bars in line with the counts, sizes and scroll position.
    void UpdateScrollRanges();
    // A grid whose rows scroll through something else (a dataset) keeps the vertical bar itself:
    // the cell grid then neither sets it nor scrolls by it.
    virtual bool SyncsVerticalBar() const { return true; }

private:
    friend class TInplaceEdit;
    void HideEdit();
    void UpdateEditor();

    TGridAxisDrawInfo CalcAxis(const std::vector<int>& sizes, int fixedCount, int firstCell, int extent,
                               int lineWidth) const;
    int MaxTopLeft(const TGridAxisDrawInfo& axis) const;
    void ClampTopLeft();
    void ScrollIntoView(int col, int row);
    void DrawSizingLine(QPainter& canvas);

    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<bool> tabStops_;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
    TColor color_ = clWindow;
    TColor fixedColor_ = clBtnFace;
    TGridCoord current_{1, 1};
    TGridCoord anchor_{1, 1};
    TGridCoord topLeft_{1, 1};
    bool editorMode_ = false;
    QPointer<TInplaceEdit> inplaceEdit_;
    int inplaceCol_ = -1, inplaceRow_ = -1;
    bool focusFromEditor_ = false;
    // The editor is asking the grid about a character typed in it.
    bool inEditorKey_ = false;
    bool syncingBars_ = false;
    // What was asked to be repainted since the last paint.
    QRegion pendingPaint_;

    TGridState gridState_ = TGridState::gsNormal;
    int sizingIndex_ = -1;
    int sizingPos_ = 0;
    int sizingOfs_ = 0;
    int moveIndex_ = -1;
    int movePos_ = -1;
    QTimer scrollTimer_;
    int timedDx_ = 0, timedDy_ = 0;
};
