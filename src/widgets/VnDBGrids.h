#pragma once

#include <QFont>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/data/DataSource.h"
#include "widgets/VnGrids.h"

class TVnCustomDBGrid;
class TDBGridColumns;
class TColumn;
class TDBGridInplaceEdit;
class TDBClipPopup;

// Errors of the grid itself (as opposed to the dataset's): a request the grid cannot serve.
class EInvalidGridOperation : public std::runtime_error {
public:
    explicit EInvalidGridOperation(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Texts of the grid's own errors.
extern const char* const kSDataSetClosed;
extern const char* const kSTooManyColumns;

// ---- options -----------------------------------------------------------------------------------------

enum TDBGridOption : uint32_t {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgMultiSelect = 1u << 10,
    dgMarker = 1u << 11,
    dgTitleClicked = 1u << 12,
    dgUserRowHeight = 1u << 13,
    dgRowSizing = 1u << 14,
    dgHighlightRow = 1u << 15,
    dgFlatButtons = 1u << 16,
    dgCompleteLines = 1u << 17,
    dgAutoSize = 1u << 18,
    dgAdvancedSelect = 1u << 19,
    dgFlatLines = 1u << 20,
    dgConfirmDelete = 1u << 21,
    dgCancelOnExit = 1u << 22,
};
using TDBGridOptions = uint32_t;

constexpr TDBGridOptions kDefaultDBGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize |
                                                 dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                                                 dgCancelOnExit;

enum TDBGridOptionEx : uint32_t {
    dgeInsertSelect = 1u << 0,
    dgeMarkerMenu = 1u << 1,
    dgeShadowSelection = 1u << 2,
    dgeDrawMemoAsText = 1u << 3,
    dgeIndicatorMenu = 1u << 4,
    dgeShowDragImage = 1u << 5,
    dgeShowPartiallyVisibleData = 1u << 6,
    dgeCompleteRows = 1u << 7,
};
using TDBGridOptionsEx = uint32_t;

constexpr TDBGridOptionsEx kDefaultDBGridOptionsEx =
    dgeMarkerMenu | dgeShadowSelection | dgeDrawMemoAsText | dgeIndicatorMenu | dgeShowDragImage;

// Kinds of raw columns and rows, as ColumnKind and RowKind answer them.
enum TGridColumnKind { ckNone = 0, ckIndicator = 1, ckMarker = 2, ckOther = 3, ckData = 4 };
enum TGridRowKind { rkNone = 0, rkTitle = 1, rkFixed = 2, rkData = 3 };

enum TColumnIndexStyle { idxNone, idxAscending, idxDescending };
enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };
enum TVertAlignment { vaTop, vaBottom, vaCenter };
enum TColumnOption : uint32_t { gcPopupMenu = 1u << 0, gcWordBreak = 1u << 1 };
using TColumnOptions = uint32_t;

// Attributes of a column that were set rather than followed from the field and the grid.
enum TColumnValue : uint32_t {
    cvColor = 1u << 0,
    cvWidth = 1u << 1,
    cvFont = 1u << 2,
    cvAlignment = 1u << 3,
    cvReadOnly = 1u << 4,
    cvTitleColor = 1u << 5,
    cvTitleCaption = 1u << 6,
    cvTitleAlignment = 1u << 7,
    cvTitleFont = 1u << 8,
    cvImeMode = 1u << 9,
    cvImeName = 1u << 10,
};
using TColumnValues = uint32_t;

// Scoped: the push button has a colour scheme of the same name.
enum class TDBGridColumnsState { csDefault, csCustom };

// Column-comment modes the grid sends: the mouse is over a title, the mouse left the titles.
constexpr int kCommentShow = 160;
constexpr int kCommentHide = 161;

// ---- footer line and cells bound to columns --------------------------------------------------------

// The data-aware grid's one footer line.
class TColumnFooter : public TVnFooter {
public:
    using TVnFooter::TVnFooter;
};

// A footer cell that stands under its column wherever the column is moved.
class TColumnFooterPanel : public TVnFooterTextPanel {
public:
    explicit TColumnFooterPanel(TVnFooterPanels* collection) : TVnFooterTextPanel(collection) {}

    TColumn* Column() const { return column_; }
    void SetColumn(TColumn* column) { column_ = column; }

    void SetColumnIndex(int value) override;
    int GetColumnIndex() const override;
    QFont DefaultFont() const override;

private:
    TColumn* column_ = nullptr;
};

// ---- column title ------------------------------------------------------------------------------------

class TColumnTitle {
public:
    explicit TColumnTitle(TColumn* column) : column_(column) {}
    virtual ~TColumnTitle() = default;
    TColumnTitle(const TColumnTitle&) = delete;
    TColumnTitle& operator=(const TColumnTitle&) = delete;

    TColumn* Column() const { return column_; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    QString Caption() const;
    void SetCaption(const QString& value) { SetCaptionValue(value); }
    TColor Color() const;
    void SetColor(TColor value);
    QFont Font() const;
    void SetFont(const QFont& value);
    // The colour of the caption's text; a window hides a caption by giving it the title's own colour.
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);

    TAlignment DefaultAlignment() const { return taLeftJustify; }
    QString DefaultCaption() const;
    TColor DefaultColor() const;
    QFont DefaultFont() const;
    bool IsCaptionStored() const;

    virtual void SetCaptionValue(const QString& value);
    virtual void RestoreDefaults();
    // Copies only what was set in the source.
    void Assign(const TColumnTitle& source);

private:
    TColumn* column_;
    TAlignment alignment_ = taLeftJustify;
    QString caption_;
    TColor color_ = clBtnFace;
    QFont font_;
    TColor fontColor_ = clWindowText;
};

// ---- column ------------------------------------------------------------------------------------------

class TColumn {
public:
    explicit TColumn(TDBGridColumns* collection);
    virtual ~TColumn();
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    TDBGridColumns* Collection() const { return collection_; }
    TVnCustomDBGrid* Grid() const;
    int Index() const;
    void SetIndex(int value);
    // The name shown for the column in lists: its FieldName, or the collection's default name.
    QString DisplayName() const;

    TAlignment Alignment() const;
    void SetAlignmentValue(TAlignment value) { SetAlignment(value); }
    TColumnButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TColumnButtonStyle value);
    TColor Color() const;
    void SetColor(TColor value);
    QString Comment() const { return comment_; }
    void SetComment(const QString& value) { comment_ = value; }
    QString DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& value);
    int DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(int value) { dropDownRows_ = value; }
    // Object fields only: no field of ours has children, so a column is never expanded.
    bool Expanded() const { return false; }
    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& value);
    QFont Font() const;
    void SetFont(const QFont& value);
    TColumnFooterPanel* FooterPanel() const { return footerPanel_.get(); }
    void SetFooterPanel(const TColumnFooterPanel& value);
    int ImeMode() const { return imeMode_; }
    void SetImeModeValue(int value) { SetImeMode(value); }
    QString ImeName() const { return imeName_; }
    void SetImeNameValue(const QString& value) { SetImeName(value); }
    bool Indexed() const { return indexed_; }
    void SetIndexed(bool value);
    TColumnIndexStyle IndexStyle() const { return indexStyle_; }
    void SetIndexStyle(TColumnIndexStyle value);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    TColumnOptions Options() const { return options_; }
    void SetOptions(TColumnOptions value);
    // Created empty on first read.
    QStringList* PickList();
    bool HasPickList() const { return pickList_ != nullptr; }
    void SetPickList(const QStringList* value);
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* value) { popupMenu_ = value; }
    bool ReadOnly() const;
    void SetReadOnlyValue(bool value) { SetReadOnly(value); }
    bool Resize() const { return resize_; }
    void SetResize(bool value) { resize_ = value; }
    int Tag() const { return tag_; }
    void SetTag(int value) { tag_ = value; }
    TColumnTitle* Title() const { return title_.get(); }
    void SetTitle(const TColumnTitle& value) { title_->Assign(value); }
    TVertAlignment VertAlignment() const { return vertAlignment_; }
    void SetVertAlignment(TVertAlignment value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    int Width() const;
    void SetWidthValue(int value) { SetWidth(value); }
    bool WordBreak() const { return wordBreak_; }
    void SetWordBreak(bool value);

    TColumnValues AssignedValues() const { return assigned_; }
    bool Stored() const { return stored_; }
    void SetStored(bool value) { stored_ = value; }
    // The field shown; looked up by FieldName on first use.
    TField* BoundField();
    // The bound field without a lookup (none until one was bound).
    TField* Field() const;
    // Visible and, for object columns, with all parents expanded.
    bool Showing() const { return visible_; }
    int TitleCaptionHeight() const { return captionHeight_; }
    void SetTitleCaptionHeight(int value) { captionHeight_ = value; }

    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    QFont DefaultFont() const;
    bool DefaultReadOnly() const;
    int DefaultWidth() const;
    // Whether the value would be written with the form: set and different from the default.
    bool IsColorStored() const { return (assigned_ & cvColor) && color_ != DefaultColor(); }
    bool IsWidthStored() const { return (assigned_ & cvWidth) && width_ != DefaultWidth(); }
    bool IsAlignmentStored() const { return (assigned_ & cvAlignment) && alignment_ != DefaultAlignment(); }
    bool IsReadOnlyStored() const { return (assigned_ & cvReadOnly) && readOnly_ != DefaultReadOnly(); }
    bool IsFontStored() const { return assigned_ & cvFont; }

    virtual void SetAlignment(TAlignment value);
    virtual void SetField(TField* value);
    virtual void SetImeMode(int value);
    virtual void SetImeName(const QString& value);
    virtual void SetReadOnly(bool value);
    virtual void SetWidth(int value);
    virtual void RestoreDefaults();
    void Assign(const TColumn& source);

    // The collection item's change notification: this column, or all columns.
    void Changed(bool allItems);

private:
    friend class TDBGridColumns;
    friend class TColumnTitle;
    friend class TVnCustomDBGrid;
    void MarkTitleAssigned(TColumnValues value) { assigned_ |= value; }
    void ForgetTitleAssigned() {
        assigned_ &= ~(cvTitleColor | cvTitleCaption | cvTitleAlignment | cvTitleFont);
    }
    // Forgets the bound field, so that it is looked up again on next use.
    void ClearField() {
        field_ = nullptr;
        fieldDataSet_ = nullptr;
        fieldsVersion_ = 0;
    }

    TDBGridColumns* collection_;
    std::unique_ptr<TColumnTitle> title_;
    std::unique_ptr<TColumnFooterPanel> footerPanel_;
    std::unique_ptr<QStringList> pickList_;
    QPointer<QMenu> popupMenu_;
    TField* field_ = nullptr;
    TDataSet* fieldDataSet_ = nullptr;
    // The field list version the bound field was taken from: a field list replaced since then
    // means the field is gone, and the column must not touch it.
    uint64_t fieldsVersion_ = 0;
    QString fieldName_;
    TColumnValues assigned_ = 0;
    TAlignment alignment_ = taLeftJustify;
    TColumnButtonStyle buttonStyle_ = cbsAuto;
    TColor color_ = clWindow;
    QString comment_;
    QString displayFormat_;
    int dropDownRows_ = 7;
    QFont font_;
    int imeMode_ = 0;
    QString imeName_;
    bool indexed_ = false;
    TColumnIndexStyle indexStyle_ = idxNone;
    int itemIndex_ = -1;
    TColumnOptions options_ = 0;
    bool readOnly_ = false;
    bool resize_ = true;
    int tag_ = 0;
    TVertAlignment vertAlignment_ = vaCenter;
    bool visible_ = true;
    int width_ = 0;
    bool wordBreak_ = false;
    bool stored_ = true;
    int captionHeight_ = 0;
};

// ---- column collection ---------------------------------------------------------------------------

class TDBGridColumns {
public:
    explicit TDBGridColumns(TVnCustomDBGrid* grid) : grid_(grid) {}
    ~TDBGridColumns();
    TDBGridColumns(const TDBGridColumns&) = delete;
    TDBGridColumns& operator=(const TDBGridColumns&) = delete;

    TVnCustomDBGrid* Grid() const { return grid_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EInvalidGridOperation for a position outside the collection.
    TColumn* ColumnAt(int index) const;
    TColumn* operator[](int index) const { return ColumnAt(index); }
    int IndexOf(const TColumn* column) const;

    // Appends a custom column.
    TColumn* AddColumn();
    // Appends a default column (made by the grid from a field).
    TColumn* InternalAdd();
    void Clear();
    void Delete(int index);
    void Move(int fromIndex, int toIndex);
    // Copies another collection's columns (which makes this one custom when it has any).
    void Assign(const TDBGridColumns& source);

    TDBGridColumnsState State() const;
    void SetState(TDBGridColumnsState value);
    // Replaces the columns by custom ones, one per field of the dataset.
    void RebuildColumns();

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // A change of one column, or (none) of the collection.
    void Update(TColumn* item);

private:
    friend class TColumn;
    void Changed(TColumn* item);
    std::unique_ptr<TColumn> Take(int index);

    TVnCustomDBGrid* grid_;
    std::vector<std::unique_ptr<TColumn>> items_;
    int updateCount_ = 0;
    bool pendingAll_ = false;
};

// ---- data link -------------------------------------------------------------------------------------

// The grid's view of its data source: the record buffer of the visible rows, the map from grid
// columns to dataset fields, and the notifications the grid reacts to.
class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TVnCustomDBGrid* grid) : grid_(grid) {}

    TVnCustomDBGrid* Grid() const { return grid_; }
    bool AddMapping(const QString& fieldName);
    TField* MappedField(int index) const;
    void ClearMapping() { fieldMap_.clear(); }
    int FieldCount() const { return static_cast<int>(fieldMap_.size()); }
    const std::vector<int>& FieldMap() const { return fieldMap_; }
    bool DefaultFields() const;
    bool InUpdateData() const { return inUpdateData_; }
    void SetInUpdateData(bool value) { inUpdateData_ = value; }
    bool Modified() const { return modified_; }
    void Modify() { modified_ = true; }
    void Reset();

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void EditingChanged() override;
    void UpdateData() override;

private:
    TVnCustomDBGrid* grid_;
    std::vector<int> fieldMap_;
    bool inUpdateData_ = false;
    bool modified_ = false;
};

// ---- marked rows -------------------------------------------------------------------------------------

class TBookmarkList {
public:
    explicit TBookmarkList(TVnCustomDBGrid* grid) : grid_(grid) {}
    TBookmarkList(const TBookmarkList&) = delete;
    TBookmarkList& operator=(const TBookmarkList&) = delete;

    TVnCustomDBGrid* Grid() const { return grid_; }
    void ClearMarks();
    int MarkCount() const { return static_cast<int>(marks_.size()); }
    // Newest mark first, unless the list was loaded or filled by MarkAllRows.
    TBookmark MarkAt(int index) const;
    bool IsCurrentRowMarked();
    void SetCurrentRowMarked(bool value);
    bool FindMark(const TBookmark& bookmark, int& index);
    TBookmark CurrentRowBookmark() const;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    void DeleteMarkedRecords();
    bool DropVanishedMarks();
    void LoadMarks(const QStringList& list);
    void SaveMarks(QStringList& list) const;
    void MarkAllRows();
    void SetLinkActive(bool value);
    bool LinkActive() const { return linkActive_; }
    // The grid's data changed as a whole: the cached answer may be stale.
    void ListChanged();

private:
    TDataSet* DataSet() const;
    void InvalidateCurrentRow();

    TVnCustomDBGrid* grid_;
    QStringList marks_;
    TBookmark cacheBookmark_;
    int cacheIndex_ = -1;
    bool cacheFound_ = false;
    bool linkActive_ = false;
};

// ---- the grid ------------------------------------------------------------------------------------------

// A saved position of SavePosition: the screen line, the record and its row in the buffer.
struct TGridSavedPosition {
    int Row = 0;
    TBookmark Bookmark;  // empty: there was no such record
    int ActiveRecord = 0;
};

// A grid of the records of a dataset: one row per visible record, columns from the dataset's
// fields or set by the window, marked rows and a footer line. Only the rows on screen are held:
// scrolling moves the dataset's cursor.
class TVnCustomDBGrid : public TVnCustomGrid {
    Q_OBJECT
public:
    static constexpr int kIndicatorWidth = 12;
    static constexpr int kMarkerWidth = 16;
    static constexpr int kMaxRowsConsidered = 250;

    explicit TVnCustomDBGrid(QWidget* parent = nullptr);
    ~TVnCustomDBGrid() override;

    // --- data
    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    // Clears the marks first, also when the source does not change.
    void SetDataSource(TDataSource* value);
    TGridDataLink* DataLink() const { return dataLink_.get(); }
    TDataLink* RowsLink() const { return rowsLink_.get(); }
    TDBGridColumns& Columns() { return *columns_; }
    void SetColumns(const TDBGridColumns& value) { columns_->Assign(value); }
    TBookmarkList& MarkedRows() { return *markedRows_; }
    TColumnFooter& Footer() { return *footer_; }

    // --- options (these hide the cell grid's own options, which follow from them)
    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions value);
    TDBGridOptionsEx OptionsEx() const { return optionsEx_; }
    void SetOptionsEx(TDBGridOptionsEx value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    QFont TitleFont() const { return titleFontSet_ ? titleFont_ : font(); }
    void SetTitleFont(const QFont& value);
    const TImageList* Images() const { return images_; }
    void SetImages(const TImageList* value);
    QMenu* PopupTitle() const { return popupTitle_; }
    void SetPopupTitle(QMenu* value) { popupTitle_ = value; }
    // A descriptor the grid carries for its owner; setting it copies the given one.
    const TVnDBObject& DBObject() const { return dbObject_; }
    void SetDBObject(const TVnDBObject& value) { dbObject_ = value; }
    void SetDefaultRowHeight(int value);

    // --- numbering
    int IndicatorOffset() const { return indicatorOffset_; }
    int TitleOffset() const { return titleOffset_; }
    int DataToRawColumn(int dataColumn) const override { return dataColumn + indicatorOffset_; }
    int RawToDataColumn(int rawColumn) const override { return rawColumn - indicatorOffset_; }
    int RawToDataRow(int rawRow) const override { return rawRow - titleOffset_; }
    int ColumnKind(int rawColumn, int offset = 0) override;
    int RowKind(int rawRow, int offset = 0) override;
    int HitTest(int x, int y) override;
    // The raw grid cell under a client point; -1 for parts outside the cells.
    TGridCoord CellAtPoint(int x, int y) { return MouseCoord(x, y); }
    // The current column in data-column numbering.
    int CurrentDataColumn() const { return Col() - indicatorOffset_; }
    // The column that holds the cursor, none outside the data columns.
    TColumn* SelectedColumn() const;

    // --- layout
    void BeginLayout() override;
    void EndLayout() override;
    void CancelLayout();
    void DeferLayout();
    virtual void LayoutChanged();
    int LayoutLock() const { return layoutLock_; }
    int UpdateCount() const { return updateCount_; }
    bool InLayout() const { return layoutLock_ > 0; }
    bool UpdateRowCount() override;
    void UpdateActive();
    void UpdateScrollBar();
    // The row height the grid's font asks for: "Wg" + 3, plus the line with row lines.
    int FontRowHeight();
    TRect CellBoxRect(int left, int top, int right, int bottom) override;
    bool IsColumnSizable(int column) override;
    bool HasData() override;
    bool GroupingAllowed() override { return false; }
    void PopupAnchor(int& left, int& top, int& side, int& width) override;
    void StartAutoScroll(int dx, int dy, int interval) override;

    // --- data link reactions
    virtual void DefineFieldMap();
    virtual void SetColumnAttributes();
    virtual void LinkActive(bool value);
    virtual void DataChanged();
    virtual void DataScrolled(int distance);
    virtual void RecordChanged(TField* field);
    virtual void EditingChanged();
    virtual void UpdateData();
    virtual QString GetCellText(TColumn* column);
    virtual bool HighlightCell(int dataColumn, int dataRow, TGridDrawState state, const QString& text);
    virtual void ColumnComment(int mode, TColumn* column);
    int CommentColumn() const { return commentColumn_; }
    void SetCommentColumn(int value) { commentColumn_ = value; }

    // --- notifications to the windows
    virtual void CellClick(TColumn* column);
    virtual void CellDblClick(TColumn* column);
    virtual void ColEnter();
    virtual void ColExit();
    virtual void DrawDataCell(QPainter& canvas, const TRect& rect, TField* field, TGridDrawState state);
    virtual void DrawColumnCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                                TGridDrawState state);
    virtual void EditButtonClick();
    virtual void TitleClickEvent(TColumn* column);
    // Opens a floating grid over the nested table a column's field holds, at a screen point (the
    // current cell's bottom-left corner when none is given); nothing for a field without one.
    virtual void ShowPopupEditor(TColumn* column, std::optional<QPoint> at = std::nullopt);
    // The nested table behind a column's field. Fields of our datasets hold plain values, so there
    // is none; a grid over a dataset that nests tables answers them here.
    virtual TDataSet* NestedDataSet(TColumn* /*column*/) { return nullptr; }
    // The floating grid ShowPopupEditor opened last, while it is open.
    TVnCustomDBGrid* PopupEditor() const { return popupEditor_; }
    // Whether the dataset's records can be told by their numbers (RecNo). The vertical bar then
    // shows the position among all records; otherwise only the beginning, the middle and the end.
    virtual bool DataSetSequenced(TDataSet* /*dataSet*/) const { return true; }
    bool DblClickTakesMouseUp() const { return true; }

    // --- state shared with the painting and input code
    int SizingColumn() const { return sizingColumn_; }
    void SetSizingColumn(int value) { sizingColumn_ = value; }
    TBookmark MarkAnchor() const { return markAnchor_; }
    void SetMarkAnchor(const TBookmark& value) { markAnchor_ = value; }
    bool MarkAnchorSet() const { return markAnchorSet_; }
    void SetMarkAnchorSet(bool value) { markAnchorSet_ = value; }
    QString EditText() const { return editText_; }
    void SetEditText(const QString& value) { editText_ = value; }

    // Holds back layouts while the grid itself moves the dataset.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate() {
        if (updateCount_ > 0) --updateCount_;
    }

    // --- saved position
    void SavePosition(bool skipMarked = false);
    void RestorePosition();
    const TGridSavedPosition& SavedPrior() const { return savedPrior_; }
    const TGridSavedPosition& SavedNext() const { return savedNext_; }

    // --- events
    std::function<void(TColumn*)> OnCellClick;
    std::function<void(TColumn*)> OnCellDblClick;
    std::function<void(TColumn*)> OnTitleClick;
    std::function<void(QObject*)> OnColEnter;
    std::function<void(QObject*)> OnColExit;
    std::function<void(TVnAssistButton*)> OnClipButtonClick;
    std::function<void(QObject*)> OnEditButtonClick;
    std::function<void(QObject*)> OnEnter;
    std::function<void(QObject*)> OnExit;
    std::function<void(QObject*)> OnDblClick;
    std::function<void(QObject*, int fromIndex, int toIndex)> OnColumnMoved;
    std::function<void(QObject*, QPainter&, const TRect&, TField*, TGridDrawState)> OnDrawDataCell;
    std::function<void(QObject*, QPainter&, const TRect&, int dataColumn, TColumn*, TGridDrawState)>
        OnDrawColumnCell;
    std::function<void(QObject*, int x, int y, bool& show)> OnClipClick;
    std::function<void(QObject*, int mode, TColumn*)> OnColumnComment;
    std::function<void(QObject*, QPainter&, const TRect&, const QString&)> OnPaintEmptyMessage;
    std::function<void(QObject*, QPainter&, const TRect&, bool selected, int row, bool& defaultDrawing)>
        OnDrawCompleteLine;
    std::function<void(QObject*, int hitTest, TGridCoord, QMenu*& popup)> OnPopupMenu;
    std::function<void(QObject*, int& key, Qt::KeyboardModifiers)> OnKeyDown;
    std::function<void(QObject*, int& key, Qt::KeyboardModifiers)> OnKeyUp;
    std::function<void(QObject*, QChar& key)> OnKeyPress;
    std::function<void(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseDown;
    std::function<void(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseUp;
    std::function<void(QObject*, Qt::KeyboardModifiers, int x, int y)> OnMouseMove;

    // Painting and input
public:
    // The library's own texts, kept in the languages it ships them in.
    static constexpr const char* kSDeleteRecordQuestion = "Delete record?";
    static constexpr const char* kSDeleteMultipleRecordsQuestion = "Delete all selected records?";
    static constexpr const char* kSNoDataToShow = "Нет данных для просмотра";

    int FrozenCols() const { return frozenCols_; }
    void SetFrozenCols(int value);
    // Makes the frozen columns fixed columns beside the indicator, keeping the current column.
    void ApplyFrozenCols();
    void ApplyFrozenCols(int count);
    // The grid's standard painting of one data cell (display text, column alignment, word break)
    // with the canvas's font, brush and pen, the pen's colour being the text colour.
    void DrawCellDefault(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                         TGridDrawState state);
    // Writes a cell text over the canvas's brush in its pen colour and font, clipped to the rectangle.
    void WriteCellText(QPainter& canvas, const TRect& rect, int leftMargin, bool wordBreak, bool rightToLeft,
                       TAlignment alignment, const QString& text, int topMargin);
    void PaintTitle(QPainter& canvas, int dataColumn, int titleRow, const TRect& rect, bool pressed,
                    bool paint, bool buffered, QSize& size) override;
    bool FlatTitleButtons() override;
    TCellFrameStyle FixedFrameStyle() override;
    void TitleClick(Qt::KeyboardModifiers shift, int column) override;
    void ClipButtonClick(int item) override;
    void CloseClipPopup() override;
    virtual void TitleClipClick(int kind, int rawColumn);
    void CreateCellDragImage(int column, int row, std::unique_ptr<TImageList>& images) override;
    void KeyPress(QChar& key) override;
    // Moves the cursor one record, marking with select when asked.
    void NextRow(bool select, Qt::KeyboardModifiers shift);
    void PriorRow(bool select, Qt::KeyboardModifiers shift);
    void MoveRows(bool select, int distance, Qt::KeyboardModifiers shift);
    // Makes a raw column current; a step of +1 or -1 skips columns of no width in that direction.
    void SelectColumn(int column, int step);
    void MarkAllOrNone(bool clear);
    bool PressedTitleOpen() const { return pressedTitleOpen_; }

protected:
    void Paint(QPainter& canvas) override;
    void DrawCell(QPainter& canvas, int col, int row, const TRect& rect, TGridDrawState state) override;
    bool SelectCell(int col, int row) override;
    void TopLeftChanged() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    bool BeginColumnDrag(int& origin, int& destination, const QPoint& mousePt) override;
    void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                         const TGridDrawInfo& info) override;
    void TimedScroll(int dx, int dy) override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    int MinCurrentCol() const override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BeginGridUpdate();
    void EndGridUpdate();
    bool HookVerticalBar();
    void VScroll(int action);
    void ClearMarksIfMultiSelect();
    void DeleteRecords();
    void TabToColumn(bool backwards);
    void SetPlatformColMoving(bool on);
    void ReleaseMouse(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void RepaintCurrentRow();
    bool SelectionShown();
    void AddFlatLines(TRect& rect);
    void PaintMarkerCell(QPainter& canvas, int row, bool framed);
    void DrawLeadingCell(QPainter& canvas, int col, int row, TRect rect, int colKind, int rowKind, int inset);
    void DrawDataColumnCell(QPainter& canvas, int col, int row, TRect rect, TGridDrawState state,
                            bool frozen);
    QPoint WriteTitleLines(QPainter& canvas, const QString& text, const TRect& rect, bool draw,
                           TAlignment alignment, unsigned format);
    void PaintEmptyMessage(QPainter& canvas);
    void PaintCompleteLines(QPainter& canvas);

    int frozenCols_ = 0;
    int sizingOffset_ = 0;
    bool pressedTitleOpen_ = false;
    // The pointer is over the pressed title: only then does it look pressed.
    bool pressedTitleHot_ = false;
    int lastScrolledCol_ = -1;
    bool inColExit_ = false;
    bool inRowHeights_ = false;
    bool inColWidths_ = false;
    int wheelDelta_ = 0;
    bool collectingLines_ = false;
    bool flatFrame_ = false;
    TLineBatch flatLines_;
    // Set while the grid is built: its scroll bar moves the dataset from the start.
    bool verticalBarHooked_ = HookVerticalBar();
    // End of painting and input

    // In-place editor
public:
    TDBGridInplaceEdit* InplaceEdit() const;

protected:
    friend class TDBGridInplaceEdit;
    TInplaceEdit* CreateEditor() override;
    bool CanEditShow() override;
    bool CanEditAcceptKey(QChar key) override;
    bool CanEditModify() override;
    int GetEditLimit() override;
    QString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const QString& value) override;
    // Reads the editor's text anew when the current field (or any, for none) no longer holds it.
    void RefreshEditor(TField* changed);
    // End of in-place editor

    // Clip menus
public:
    // Kinds of the title menus: none open, the indicator's, the marker's and a column's.
    static constexpr int kClipNone = 0, kClipIndicator = 1, kClipMarker = 2, kClipColumn = 4;

    // The grid's one title menu, made with the grid.
    TDBClipPopup* ClipPopup() const { return clipPopup_.get(); }
    bool ClipPopupOpen() const { return clipPopupOpen_; }
    void SetClipPopupOpen(bool value);
    virtual void ShowClipPopup(int kind, int rawColumn, TDBClipPopup* menu);
    // The menu button of a column title: the rightmost pixels of the title cell; false when the cell
    // is too narrow for it.
    bool TitleButtonRect(const TRect& cell, TRect& button);
    // Whether a client point lies on a button that opens a title menu.
    bool IsTitleMenuButtonAt(int x, int y);
    // An item of the open menu was clicked (the item itself, as the menu hands it over).
    void ClipItemClick(TVnAssistButton* item);
    std::unique_ptr<TSelectedArea> CreateSelectedArea() override;
    // Paints the menu buttons of a title cell over what the cell painting left there.
    void PaintTitleMenuButtons(QPainter& canvas, int col, const TRect& cellRect);

private:
    // Made by the constructor once the grid's virtual operations are in place.
    void InitClipMenus();
    // A left press on a column's menu button toggles its menu; answers whether it was one.
    bool ColumnButtonPress(int x, int y);
    void RunClipCommand(TVnAssistButton* item, int value);
    TRect ClipTitleCell(int kind, int rawColumn);
    void PaintLeadingTitleButton(QPainter& canvas, int kind, const TRect& cellRect);
    void PaintColumnTitleButton(QPainter& canvas, const TRect& buttonRect, TColumn* column, bool pressed);

    // Goes with the grid's own members, before the widget tears down its children.
    struct TClipPopupDeleter {
        void operator()(TDBClipPopup* popup) const;
    };
    std::unique_ptr<TDBClipPopup, TClipPopupDeleter> clipPopup_;
    bool clipPopupOpen_ = false;
    friend class TDBClipPopup;
    // End of clip menus

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool SyncsVerticalBar() const override { return false; }

private:
    friend class TGridDataLink;
    friend class TDBGridColumns;
    friend class TBookmarkList;
    void InternalLayout();
    void RebuildDefaultColumns();
    void UpdateTitleHeight();
    void InvalidateCurrentRowBox(const TRect& oldBox);
    bool BookmarkUsable(const TBookmark& bookmark) const;
    void RestoreSaved(const TGridSavedPosition& saved);

    std::unique_ptr<TGridDataLink> dataLink_;
    std::unique_ptr<TDataLink> rowsLink_;
    TVnDBObject dbObject_;
    QPointer<TVnCustomDBGrid> popupEditor_;
    std::unique_ptr<TDataSource> popupSource_;
    std::unique_ptr<TDBGridColumns> columns_;
    std::unique_ptr<TBookmarkList> markedRows_;
    std::unique_ptr<TColumnFooter> footer_;
    TDBGridOptions options_ = 0;
    TDBGridOptionsEx optionsEx_ = 0;
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    QFont titleFont_;
    bool titleFontSet_ = false;
    const TImageList* images_ = nullptr;
    QPointer<QMenu> popupTitle_;
    int indicatorOffset_ = 1;
    int titleOffset_ = 1;
    int layoutLock_ = 0;
    int updateCount_ = 0;
    bool layoutQueued_ = false;
    int sizingColumn_ = -1;
    int commentColumn_ = -1;
    TBookmark markAnchor_;
    bool markAnchorSet_ = false;
    QString editText_;
    TGridSavedPosition savedPrior_, savedNext_;
    // Vertical scroll bar values last set, so that unchanged values cost nothing.
    int barMin_ = -1, barMax_ = -1, barPage_ = -1, barPos_ = -1;
    bool destroying_ = false;
};

// The grid as the windows place it.
class TVnDBGrid : public TVnCustomDBGrid {
    Q_OBJECT
public:
    explicit TVnDBGrid(QWidget* parent = nullptr) : TVnCustomDBGrid(parent) {}
};

// In-place editor
// Raises the grid's own error with the given text.
[[noreturn]] void RaiseGridError(const QString& message);
