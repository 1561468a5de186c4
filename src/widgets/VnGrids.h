#pragma once

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/data/Field.h"  // TAlignment, shared with the fields a data grid shows
#include "platform/ui/CustomGrid.h"
#include "widgets/VnClipPopup.h"
#include "widgets/VnEditTools.h"

class TVnCustomGrid;
class TVnFooter;
class TVnFooters;
class TVnFooterPanels;

enum TBevelStyle { beNone, beLowered, beRaised, beFlat, beSingle };

// What the grid is dragging: nothing, the whole control (by the window system, with an image of its
// rows), or a title or grouping-box item (by the grid itself, with drop arrows).
enum class TDragState { None = 0, ControlDrag = 1, TitleDrag = 2 };
// Where a drag of the grid's own started, and where it would drop.
enum class TDragSource { None = 0, Title = 1, GroupBox = 2 };
enum class TDropTarget { None = 0, Titles = 1, GroupBox = 2 };

// Hit codes of the grid, as the popup-menu event and the cursors use them.
enum TGridHitTest {
    htOutside = 0,
    htGroupBox = 1,
    htIndicatorTitle = 2,
    htMarkerTitle = 3,
    htColumnTitle = 5,
    htIndicator = 6,
    htMarker = 7,
    htDataCell = 9,
    htClient = 11,
    htFooter = 12,
    htVertScrollBar = 13,
    htHorzScrollBar = 14,
};

// Indexes into the shared indicator image list.
enum TIndicatorImage {
    iiArrow = 0,
    iiEdit = 1,
    iiInsert = 2,
    iiMultiDot = 3,
    iiMultiArrow = 4,
    iiCheck = 5,
    iiMain = 6,
    iiIndexAsc = 7,
    iiIndexDesc = 8,
    iiIndexNone = 9,
    iiHeaderCheck = 10,
};
const TImageList& GridIndicatorImages();

// ---- footers -------------------------------------------------------------------------------

class TVnFooterPanel {
public:
    explicit TVnFooterPanel(TVnFooterPanels* collection);
    virtual ~TVnFooterPanel();
    TVnFooterPanel(const TVnFooterPanel&) = delete;
    TVnFooterPanel& operator=(const TVnFooterPanel&) = delete;

    int Index() const;
    int ColumnIndex() const { return GetColumnIndex(); }
    virtual void SetColumnIndex(int value);
    virtual int GetColumnIndex() const { return columnIndex_; }
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

    virtual int CalcHeight();
    virtual bool Paint(QPainter& canvas, TRect rect, const TGridDrawInfo& info);

    TVnFooter* Footer() const;
    TVnFooterPanels* Collection() const { return collection_; }

protected:
    // Tells the collection that this item (or, with allItems, every item) changed.
    void Changed(bool allItems);

private:
    friend class TVnFooterPanels;
    TVnFooterPanels* collection_;
    int columnIndex_ = -1;
    TBevelStyle style_ = beLowered;
    bool visible_ = false;
};

class TVnFooterTextPanel : public TVnFooterPanel {
public:
    enum TAssignedValue { avColor = 1, avFont = 2 };
    explicit TVnFooterTextPanel(TVnFooterPanels* collection) : TVnFooterPanel(collection) {}

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    unsigned AssignedValues() const { return assigned_; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TColor Color() const { return (assigned_ & avColor) ? color_ : DefaultColor(); }
    void SetColor(TColor value);
    QFont Font() const { return (assigned_ & avFont) ? font_ : DefaultFont(); }
    void SetFont(const QFont& value);
    // The colour of the text; a window hides a total by giving it the panel's own colour.
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);
    int Height() const { return height_; }
    void SetHeight(int value);
    QString Text() const { return text_; }
    void SetText(const QString& value);

    virtual QFont DefaultFont() const;
    virtual TColor DefaultColor() const;
    virtual void DrawPanelText(QPainter& canvas, TRect& rect, unsigned format);

    int CalcHeight() override;
    bool Paint(QPainter& canvas, TRect rect, const TGridDrawInfo& info) override;

private:
    TAlignment alignment_ = taLeftJustify;
    unsigned assigned_ = 0;
    bool autoSize_ = true;
    TColor color_ = clBtnFace;
    QFont font_;
    TColor fontColor_ = clWindowText;
    int height_ = 0;
    QString text_;
};

// The panels of one footer line. Items added here belong to the collection; an item deleted by its
// holder (a grid column deletes its own panel) leaves the collection by itself.
class TVnFooterPanels {
public:
    explicit TVnFooterPanels(TVnFooter* owner) : owner_(owner) {}
    ~TVnFooterPanels();
    TVnFooterPanels(const TVnFooterPanels&) = delete;
    TVnFooterPanels& operator=(const TVnFooterPanels&) = delete;

    template <class Panel = TVnFooterTextPanel>
    Panel* Add() {
        return new Panel(this);
    }
    int Count() const { return static_cast<int>(items_.size()); }
    TVnFooterPanel* Items(int index) const { return items_.at(index); }
    int IndexOf(const TVnFooterPanel* panel) const;
    TVnFooter* Owner() const { return owner_; }
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // A change of one item (none: of all items).
    void Update(TVnFooterPanel* item);

private:
    friend class TVnFooterPanel;
    TVnFooter* owner_;
    std::vector<TVnFooterPanel*> items_;
    int updateCount_ = 0;
};

class TVnFooter {
public:
    explicit TVnFooter(TVnFooters* footers);
    virtual ~TVnFooter();
    TVnFooter(const TVnFooter&) = delete;
    TVnFooter& operator=(const TVnFooter&) = delete;

    TVnFooters* Footers() const { return footers_; }
    void SetFooters(TVnFooters* value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    int Height() const { return GetHeight(); }
    void SetHeight(int value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    TVnFooterPanels& Panels() { return panels_; }

    virtual void MovePanel(int fromIndex, int toIndex);
    virtual void Changed();
    virtual int GetHeight() const { return height_; }
    // Paints every panel (panelIndex -1) or one; painted rectangles are added to painted.
    virtual void PaintPanels(QPainter& canvas, const TGridDrawInfo& info, int panelIndex,
                             const TRect& lineRect, QRegion* painted);

    TVnCustomGrid* OwnerGrid() const;
    TColor OwnerColor() const;
    QFont OwnerFont() const;
    // The rectangle of one panel under its column; empty when the column is not shown.
    TRect PanelRect(const TVnFooterPanel* panel, const TRect& lineRect, bool single);

private:
    friend class TVnFooters;
    void UpdateAutoHeight();

    TVnFooters* footers_ = nullptr;
    TVnFooterPanels panels_{this};
    bool autoSize_ = true;
    int height_ = -1;
    TBevelStyle style_ = beNone;
    bool visible_ = true;
};

// The band of footer lines at the bottom of a grid, below its rows.
class TVnFooters {
public:
    // The band's flat frame adds these margins around its lines.
    static constexpr int kMarginLeft = 2, kMarginTop = 3, kMarginRight = 2, kMarginBottom = 2;

    explicit TVnFooters(TVnCustomGrid* grid) : grid_(grid) {}
    virtual ~TVnFooters();
    TVnFooters(const TVnFooters&) = delete;
    TVnFooters& operator=(const TVnFooters&) = delete;

    TVnCustomGrid* Grid() const { return grid_; }
    const std::vector<TVnFooter*>& Lines() const { return lines_; }
    int UpdateCount() const { return updateCount_; }
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Changed();
    int TotalHeight() const { return totalHeight_; }
    TRect FooterRect() const;
    void Paint(QPainter& canvas);
    void PaintPanel(TVnFooter* line, int panelIndex);
    virtual void MovePanel(int fromIndex, int toIndex);

private:
    friend class TVnFooter;
    void Attach(TVnFooter* line);
    void Detach(TVnFooter* line);
    // Draws the flat frame and answers the inner rectangle and the band rectangle inside the margins.
    void PaintFrame(QPainter& canvas, TRect& inner, TRect& band);

    TVnCustomGrid* grid_;
    std::vector<TVnFooter*> lines_;
    int updateCount_ = 0;
    int totalHeight_ = 0;
};

// ---- selected areas, drawing options -----------------------------------------------------------

class TSelectedArea;

class TSelectedItem {
public:
    TSelectedItem(TSelectedArea* area, TGridCoord anchor) : area_(area), anchor_(anchor) {}
    virtual ~TSelectedItem() = default;
    virtual QRegion GetRegion() const { return {}; }
    virtual void Resize(int columnDelta, int rowDelta, TGridCoord anchor);
    TSelectedArea* Area() const { return area_; }
    TGridCoord Anchor() const { return anchor_; }

private:
    TSelectedArea* area_;
    TGridCoord anchor_;
};

class TSelectedArea {
public:
    enum class TState { Idle, Pending, Selecting };
    using TItemFactory = std::function<std::unique_ptr<TSelectedItem>(TSelectedArea*, TGridCoord)>;
    static constexpr int kDragThreshold = 5;

    TSelectedArea(TVnCustomGrid* grid, TItemFactory factory);
    virtual ~TSelectedArea();

    TVnCustomGrid* Grid() const { return grid_; }
    TState State() const { return state_; }
    void SetState(TState value) { state_ = value; }
    QPoint StartPoint() const { return startPoint_; }
    TGridCoord Anchor() const { return anchor_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TSelectedItem* Items(int index) const { return items_.at(index).get(); }

    void MouseDown(int x, int y, Qt::MouseButton button, Qt::KeyboardModifiers shift, TGridCoord cell);
    void MouseMove(int x, int y, Qt::KeyboardModifiers shift, TGridCoord cell);
    void MouseUp();
    TSelectedItem* LastItem() const { return items_.empty() ? nullptr : items_.back().get(); }
    TSelectedItem* AddItem(TGridCoord cell);
    void Delete(int index);
    void Clear();
    void ShowCursor();
    virtual QRegion GetRegion() const;
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // Repaints what the last changes touched and forgets it.
    void Update();
    // Grows the last item to the cell, from the anchor.
    void Extend(TGridCoord cell);

private:
    TVnCustomGrid* grid_;
    TItemFactory factory_;
    std::vector<std::unique_ptr<TSelectedItem>> items_;
    TState state_ = TState::Idle;
    QPoint startPoint_;
    TGridCoord anchor_{-1, -1};
    std::optional<QRegion> pendingRegion_;
    QRegion beforeUpdate_;
    int updateCount_ = 0;
};

class TDrawingOptions {
public:
    explicit TDrawingOptions(TVnCustomGrid* grid) : grid_(grid) {}
    void Changed();

private:
    TVnCustomGrid* grid_;
};

enum TClipDrawingStyle { csSingleBorder, csFlatBorder };

class TGridDrawing {
public:
    explicit TGridDrawing(TVnCustomGrid* grid) : grid_(grid) {}
    void Assign(const TGridDrawing& source) { clipStyle_ = source.clipStyle_; }
    TClipDrawingStyle ClipStyle() const { return clipStyle_; }
    void SetClipStyle(TClipDrawingStyle value) { clipStyle_ = value; }
    TVnCustomGrid* Grid() const { return grid_; }

private:
    TVnCustomGrid* grid_;
    TClipDrawingStyle clipStyle_ = csSingleBorder;
};

// ---- grouping box --------------------------------------------------------------------------------

class TVnGroupBoxList {
public:
    struct Entry {
        bool LevelStart = false;
        int ColumnIndex = -1;
        int Width = 0;
        int Height = 0;
        int LevelHeight = 0;
    };
    static constexpr int kMargin = 5;

    explicit TVnGroupBoxList(TVnCustomGrid* grid) : grid_(grid) {}

    TVnCustomGrid* Grid() const { return grid_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    const Entry& Entries(int index) const { return entries_.at(index); }
    int PressedIndex() const { return pressedIndex_; }
    void SetPressedIndex(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

    void Add(int column, bool levelStart);
    void Insert(int index, int column, bool levelStart);
    void Delete(int index);
    void DeleteLevel(int index);
    void MoveLevel(int fromIndex, int toIndex);
    void Move(int fromIndex, int toIndex);
    int IndexOfColumn(int column) const;
    // Entry under a point in box coordinates, -1 when none.
    int EntryAt(QPoint point) const;
    int InsertIndexAt(int x) const;
    TRect InsertMarkRect(int index) const;
    // Whether a client point lies in the box.
    bool PointInBox(QPoint clientPoint) const;
    QPoint ClientToBox(QPoint clientPoint) const;
    TRect BoxRect() const;
    int BoxHeight() const { return boxHeight_; }
    TRect EntryRect(int index) const;
    void ColumnMoved(int fromIndex, int toIndex);
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Changed();
    void Paint(QPainter& canvas);
    void Clear();

private:
    void Measure(Entry& entry);
    void Layout();

    TVnCustomGrid* grid_;
    std::vector<Entry> entries_;
    std::vector<TRect> rects_;
    int pressedIndex_ = -1;
    int boxHeight_ = 0;
    int updateCount_ = 0;
    bool readOnly_ = false;
};

// ---- the grid base ---------------------------------------------------------------------------------

class TVnDragOverlay;
class TVnGroupBoxWidget;

// What every grid of the library has on top of the cell grid: the footer band, the grouping box,
// selected areas, title dragging with drop arrows, automatic column sizing, an update lock and a hit
// test that names every part of the control. Data, columns and their numbering are left to the
// data-aware grid through the virtual operations below.
class TVnCustomGrid : public TCustomGrid, public IVnPopupHolder {
    Q_OBJECT
public:
    enum TGridFlag { gfAutoSize = 1, gfAdvancedSelect = 2 };
    static constexpr int kAutoScrollTimerId = 4431;
    static constexpr int kMinAutoSizeWidth = 15;

    explicit TVnCustomGrid(QWidget* parent = nullptr);
    ~TVnCustomGrid() override;

    // Called by a descendant's constructor once its virtual operations are in place.
    void InitSelectedArea();

    TVnFooters& Footers() { return *footers_; }
    TVnGroupBoxList& GroupBox() { return *groupBox_; }
    TSelectedArea* SelectedArea() const { return selectedArea_.get(); }
    TDrawingOptions& DrawingOptions() { return *drawingOptions_; }
    TGridDrawing& GridDrawing() { return *gridDrawing_; }
    void SetGridDrawing(const TGridDrawing& value) { gridDrawing_->Assign(value); }

    TDragState DragState() const { return dragState_; }
    TDragSource DragSource() const { return dragSource_; }
    TDropTarget DropTarget() const { return dropTarget_; }
    int DragOrigin() const { return dragOrigin_; }
    int DropColumn() const { return dropColumn_; }
    bool ArrowsShown() const { return arrowsShown_; }
    bool DropAfterLast() const { return dropAfterLast_; }
    // The line the drop arrows point at, in client coordinates (valid while they are shown).
    int ArrowX() const { return arrowX_; }
    int PressedTitle() const { return pressedTitle_; }
    void SetPressedTitle(int value) { pressedTitle_ = value; }
    QPoint MouseDownPoint() const { return mouseDownPoint_; }
    int HitCode() const { return hitCode_; }
    unsigned GridFlags() const { return gridFlags_; }
    void SetGridFlags(unsigned value);
    bool ShowGroupBox() const { return showGroupBox_; }
    void SetShowGroupBox(bool value);
    bool AutoScrolling() const { return autoScrollTimerId_ != 0; }
    bool Destroying() const { return destroying_; }

    void BeginUpdateLock(bool redraw);
    void EndUpdateLock(bool redraw);
    bool IsUpdateLocked() const { return updateLock_ > 0; }
    // Adds a region (none: the whole window) to what the lock will repaint.
    void AddToLockRegion(const QRegion* region);
    void SetScrollBars(TScrollStyle value) override;
    void SetGridOptions(TGridOptions value);
    void AutoSizeColumns(int anchor, bool after);
    void StartTitleDrag(int column, TDragSource source);
    void EndDrag(bool commit);
    // Dragging the whole control, as the window system does it for a control dragged away: the
    // image of the cell under the client point (the data grid gives its rows) goes with the pointer.
    void DoStartDrag(QPoint clientPoint);
    void DoEndDrag();
    // Drags the control away with the window system's drag, from a point of the client area.
    void BeginControlDrag(QPoint clientPoint);
    // The image that goes with a drag of the control, none while no such drag runs.
    const TImageList* GetDragImages() const { return dragImages_.get(); }
    QPoint DragImageHotSpot() const { return dragHotSpot_; }
    static constexpr QPoint kDragImageHotSpot{2, 8};
    void StopAutoScroll();
    // One tick of the auto-scroll timer: the selection grows and the grid scrolls by the steps.
    // The timer calls it; a test calls it in place of waiting for the timer.
    void AutoScrollTick();
    void InvalidateRegion(const QRegion& region) override;
    TRect ClientRect() const override;
    // Called by the footer band after its height changed.
    void FootersChanged();
    // Re-frames the window after the grouping box changed its height.
    void GroupBoxChanged();

    // Events.
    std::function<void(QObject*)> OnBookmarksChanged;
    std::function<void(QObject*, int, int, bool&)> OnGroupAdded;
    std::function<void(QObject*, int, int, bool&)> OnGroupMoved;
    std::function<void(QObject*, int, int, bool&)> OnGroupRemoved;

    // Virtual operations.
    virtual bool AcquireFocus();
    virtual void BeginLayout() {}
    virtual TRect CellBoxRect(int left, int top, int right, int bottom) {
        return BoxRect(left, top, right, bottom);
    }
    virtual void BookmarksChanged();
    virtual bool IsColumnSizable(int column) { return column >= FixedCols(); }
    virtual void CreateCellDragImage(int /*column*/, int /*row*/, std::unique_ptr<TImageList>& /*images*/) {}
    virtual std::unique_ptr<TSelectedArea> CreateSelectedArea();
    virtual int DataToRawColumn(int dataColumn) const = 0;
    virtual bool HasData() { return true; }
    virtual void ClipButtonClick(int /*item*/) {}
    virtual void TitleClick(Qt::KeyboardModifiers /*shift*/, int /*column*/) {}
    virtual void GroupAdded(int column, int position, bool& accept);
    virtual void GroupMoved(int fromIndex, int toIndex, bool& accept);
    virtual void GroupRemoved(int position, int column, bool& accept);
    virtual void PaintTitle(QPainter& /*canvas*/, int /*dataColumn*/, int /*titleRow*/, const TRect& /*rect*/,
                            bool /*pressed*/, bool /*paint*/, bool /*buffered*/, QSize& size) {
        size = {};
    }
    virtual void EndLayout() {}
    virtual bool FlatTitleButtons() { return false; }
    virtual TCellFrameStyle FixedFrameStyle() { return TCellFrameStyle::Edge3D; }
    virtual void PopupExcludeRect(TRect& rect) { rect = {}; }
    virtual void PopupAnchor(int& left, int& top, int& side, int& width) = 0;
    bool CanClosePopup() override { return true; }
    virtual int DragColumnWidth(int column) { return ColWidths(column); }
    virtual int GroupBoxHeight();
    virtual bool IsActiveControl();
    virtual void SelectionMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    virtual int RawToDataColumn(int rawColumn) const = 0;
    virtual int RawToDataRow(int rawRow) const = 0;
    void PopupClosed() override {}
    virtual bool SetColumnWidth(int column, int width);
    virtual void StartAutoScroll(int dx, int dy, int interval);
    void SetDroppedDown(bool /*value*/) override {}
    virtual void SelectColumnCell(int column, bool keepAnchor);
    virtual bool UpdateRowCount() { return false; }
    virtual int HitTest(int x, int y);
    virtual int ColumnKind(int rawColumn, int offset) = 0;
    virtual int RowKind(int rawRow, int offset) = 0;
    virtual bool GroupingAllowed() { return true; }
    virtual void CloseClipPopup() {}

    // The grid as the holder of its clip popups.
    QObject* GetObject() override { return this; }
    // The grid reads a clicked item's column as its command value.
    void ItemClicked(TVnAssistButton* item) override { ClipButtonClick(item ? item->Column() : -1); }
    void GetHolderRect(TRect& rect) override { PopupExcludeRect(rect); }
    void GetPopupPosition(int& left, int& top, int& side, int& width) override {
        PopupAnchor(left, top, side, width);
    }
    QWidget* GetControl() override { return this; }
    // The grid does not keep the popup it is handed.
    int SetPopup(TComboClipPopup* /*popup*/) override { return 1; }

    // Tests and the data-aware grid drive the drag with these, as the mouse handlers do.
    void DragMove(int x, int y);

protected:
    void Paint(QPainter& canvas) override;
    void TopLeftChanged() override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    bool BeginColumnDrag(int& origin, int& destination, const QPoint& mousePt) override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    bool CanPaint(const QRegion& region) override;
    // The smallest width the window may take while the columns are sized to fit.
    int ConstrainedMinWidth();

    void resizeEvent(QResizeEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TVnGroupBoxWidget;
    bool MakeTitleDragImage(int column, QImage& image);
    void DrawArrows();
    void EraseArrows();
    void UpdateCursor();
    QPoint ToOverlay(QPoint clientPoint) const;

    TDragState dragState_ = TDragState::None;
    TDragSource dragSource_ = TDragSource::None;
    TDropTarget dropTarget_ = TDropTarget::None;
    int dragOrigin_ = -1;
    int dropColumn_ = -1;
    int boxOrigin_ = -1;
    int boxTarget_ = -1;
    bool arrowsShown_ = false;
    bool dropAfterLast_ = false;
    bool inSetOptions_ = false;
    bool destroying_ = false;
    int arrowX_ = 0;
    int pressedTitle_ = -1;
    QPoint mouseDownPoint_;
    QPoint hotSpot_;
    int hitCode_ = 0;
    unsigned gridFlags_ = 0;
    bool showGroupBox_ = false;
    int updateLock_ = 0;
    std::optional<QRegion> lockRegion_;
    TScrollStyle scrollBarsWanted_ = TScrollStyle::ssBoth;
    int autoScrollDX_ = 0, autoScrollDY_ = 0;
    int autoScrollTimerId_ = 0;
    QTimer autoScrollTimer_;
    std::unique_ptr<TImageList> dragImages_;
    QPoint dragHotSpot_;
    std::unique_ptr<TVnGroupBoxList> groupBox_;
    std::unique_ptr<TVnFooters> footers_;
    std::unique_ptr<TSelectedArea> selectedArea_;
    std::unique_ptr<TGridDrawing> gridDrawing_;
    std::unique_ptr<TDrawingOptions> drawingOptions_;
    QPointer<TVnDragOverlay> overlay_;
    TVnGroupBoxWidget* groupBoxWidget_ = nullptr;
};
