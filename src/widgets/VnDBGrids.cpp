#include "widgets/VnDBGrids.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>

#include "platform/text/DateFormat.h"
#include "platform/text/NumberFormat.h"

namespace {

// The grid's own message: a layout that could not run when it was asked for.
const QEvent::Type kDeferredLayoutEvent = static_cast<QEvent::Type>(QEvent::User + 2128);

// Options whose change needs a new layout.
constexpr TDBGridOptions kLayoutOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator |
                                          dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection |
                                          dgMarker | dgTitleClicked | dgHighlightRow | dgFlatLines;

// Grid options the data grid derives from its own; the others (range selection...) stay as they are.
constexpr TGridOptions kDerivedGridOptions = goEditing | goAlwaysShowEditor | goColSizing | goColMoving |
                                             goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine |
                                             goTabs | goRowSelect | goRowSizing;

// The text of a display format applied to a text: "%s" stands for it, "%%" for a percent sign.
QString FormatText(const QString& format, const QString& text) {
    QString out;
    for (int i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size()) {
            if (format[i + 1] == QLatin1Char('s')) {
                out += text;
                ++i;
                continue;
            }
            if (format[i + 1] == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

}  // namespace

TVnCustomDBGrid::TVnCustomDBGrid(QWidget* parent) : TVnCustomGrid(parent) {
    dataLink_ = std::make_unique<TGridDataLink>(this);
    rowsLink_ = std::make_unique<TDataLink>();
    columns_ = std::make_unique<TDBGridColumns>(this);
    markedRows_ = std::make_unique<TBookmarkList>(this);
    footer_ = std::make_unique<TColumnFooter>(&Footers());
    optionsEx_ = kDefaultDBGridOptionsEx;
    TDBGridOptions options = kDefaultDBGridOptions;
    if (QLocale::system().language() == QLocale::Korean) options |= dgAlwaysShowEditor;
    SetOptions(options);
    // The rows that fit change also when a scroll bar comes or goes, which resizes only the viewport.
    viewport()->installEventFilter(this);
    LayoutChanged();
    InitClipMenus();
}

TVnCustomDBGrid::~TVnCustomDBGrid() {
    destroying_ = true;
    DestroyEditor();
    dataLink_->SetDataSource(nullptr);
    rowsLink_->SetDataSource(nullptr);
    // Columns own panels of the footer line, so they go first.
    columns_.reset();
    footer_.reset();
}

// ---- data source ---------------------------------------------------------------------------------------

void TVnCustomDBGrid::SetDataSource(TDataSource* value) {
    markedRows_->ClearMarks();
    if (value == DataSource()) return;
    rowsLink_->SetDataSource(value);
    dataLink_->SetDataSource(value);
    LinkActive(dataLink_->Active());
}

// ---- options --------------------------------------------------------------------------------------------

void TVnCustomDBGrid::SetOptions(TDBGridOptions value) {
    if (value & dgRowSelect) value &= ~(dgEditing | dgAlwaysShowEditor);
    if (value & dgMultiSelect) value &= ~dgMarker;
    if (value & dgRowSizing) value |= dgUserRowHeight;
    TGridOptions go = TCustomGrid::Options() & ~kDerivedGridOptions;
    if (value & dgEditing) go |= goEditing;
    if (value & dgAlwaysShowEditor) go |= goAlwaysShowEditor;
    if (value & dgColumnResize) go |= goColSizing | goColMoving;
    if (value & dgColLines) go |= goFixedVertLine | goVertLine;
    if (value & dgRowLines) go |= goFixedHorzLine | goHorzLine;
    if (value & dgTabs) go |= goTabs;
    if (value & dgRowSelect) go |= goRowSelect;
    if (value & dgRowSizing) go |= goRowSizing;
    if (value & dgFlatButtons) go &= ~(goFixedVertLine | goFixedHorzLine);
    if (value & dgFlatLines) go &= ~(goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine);
    // A highlighted row is painted by the grid; the cell grid still selects whole rows when asked.
    if (value & dgHighlightRow) value &= ~dgRowSelect;
    if (value == options_ && go == TCustomGrid::Options()) return;

    const TDBGridOptions old = options_;
    const TDBGridOptions changed = old ^ value;
    options_ = value;
    SetGridOptions(go);
    if ((old & dgMultiSelect) && !(value & dgMultiSelect)) markedRows_->ClearMarks();
    SetGridFlags(((value & dgAutoSize) ? unsigned(gfAutoSize) : 0u) |
                 ((value & dgAdvancedSelect) ? unsigned(gfAdvancedSelect) : 0u));

    BeginUpdateLock(true);
    if ((old & dgTitles) && !(value & dgTitles)) SetDefaultRowHeight(DefaultRowHeight());
    if (changed & dgFlatButtons) {
        // The border changes: the platform makes the window anew, which lays it out again.
        LayoutChanged();
        update();
    } else if (changed & kLayoutOptions) {
        LayoutChanged();
    }
    if (value & dgAutoSize) AutoSizeColumns(-1, true);
    EndUpdateLock(true);
    if (changed & (dgColLines | dgRowLines | dgCompleteLines)) InvalidateGrid();
}

void TVnCustomDBGrid::SetOptionsEx(TDBGridOptionsEx value) {
    if (value == optionsEx_) return;
    const TDBGridOptionsEx changed = value ^ optionsEx_;
    optionsEx_ = value;
    if (changed & (dgeMarkerMenu | dgeShadowSelection | dgeDrawMemoAsText | dgeIndicatorMenu))
        InvalidateGrid();
    if (changed & (dgeShowPartiallyVisibleData | dgeCompleteRows)) UpdateRowCount();
}

void TVnCustomDBGrid::SetTitleFont(const QFont& value) {
    titleFont_ = value;
    titleFontSet_ = true;
    if (options_ & dgTitles) LayoutChanged();
}

void TVnCustomDBGrid::SetImages(const TImageList* value) {
    if (value == images_) return;
    images_ = value;
    LayoutChanged();
    InvalidateGrid();
}

void TVnCustomDBGrid::SetDefaultRowHeight(int value) {
    TCustomGrid::SetDefaultRowHeight(value);
    // The cell grid gives every row the new height; the title row keeps its own.
    if (!InLayout()) {
        UpdateTitleHeight();
        UpdateRowCount();
    }
}

// ---- numbering ------------------------------------------------------------------------------------------

int TVnCustomDBGrid::ColumnKind(int rawColumn, int) {
    if (rawColumn < 0) return ckNone;
    if (rawColumn >= indicatorOffset_) return ckData;
    return rawColumn == 0 && (options_ & dgIndicator) ? ckIndicator : ckMarker;
}

int TVnCustomDBGrid::RowKind(int rawRow, int) {
    if (rawRow < 0) return rkNone;
    if (rawRow >= titleOffset_) return rkData;
    return rawRow == 0 && (options_ & dgTitles) ? rkTitle : rkFixed;
}

int TVnCustomDBGrid::HitTest(int x, int y) {
    const int code = TVnCustomGrid::HitTest(x, y);
    if (code != htClient) return code;
    const TGridCoord cell = MouseCoord(x, y);
    // A point below the data is in no cell: the kind of "column -1" answers none.
    int result = htClient;
    switch (ColumnKind(cell.X, 0)) {
        case ckIndicator:
            result = htIndicator;
            break;
        case ckMarker:
            result = htMarker;
            break;
        case ckOther:
            result = 8;
            break;
        case ckData:
            result = htDataCell;
            break;
        default:
            return htClient;
    }
    if (cell.Y >= 0 && RowKind(cell.Y, 0) == rkTitle) {
        if (result == htIndicator) return htIndicatorTitle;
        if (result == htMarker) return htMarkerTitle;
        if (result == htDataCell) return htColumnTitle;
    }
    if (cell.Y < 0) return htClient;
    return result;
}

TColumn* TVnCustomDBGrid::SelectedColumn() const {
    const int index = CurrentDataColumn();
    return index >= 0 && index < columns_->Count() ? columns_->ColumnAt(index) : nullptr;
}

// ---- layout ----------------------------------------------------------------------------------------------

void TVnCustomDBGrid::BeginLayout() {
    ++updateCount_;
    if (layoutLock_ == 0) columns_->BeginUpdate();
    ++layoutLock_;
}

void TVnCustomDBGrid::EndLayout() {
    if (layoutLock_ <= 0) return;
    try {
        if (layoutLock_ == 1) InternalLayout();
    } catch (...) {
        if (layoutLock_ == 1) columns_->EndUpdate();
        --layoutLock_;
        EndUpdate();
        throw;
    }
    if (layoutLock_ == 1) columns_->EndUpdate();
    --layoutLock_;
    EndUpdate();
    if (updateCount_ == 0 && !destroying_) ColWidthsChanged();
}

void TVnCustomDBGrid::CancelLayout() {
    if (layoutLock_ <= 0) return;
    if (layoutLock_ == 1) columns_->EndUpdate();
    --layoutLock_;
    EndUpdate();
}

void TVnCustomDBGrid::DeferLayout() {
    if (!layoutQueued_) {
        layoutQueued_ = true;
        QCoreApplication::postEvent(this, new QEvent(kDeferredLayoutEvent));
    }
    CancelLayout();
}

bool TVnCustomDBGrid::event(QEvent* event) {
    if (event->type() != kDeferredLayoutEvent) return TVnCustomGrid::event(event);
    if (!layoutQueued_) return true;
    layoutQueued_ = false;
    if (layoutLock_ == 0 && updateCount_ == 0) {
        BeginLayout();
        EndLayout();
    } else {
        // Still busy: ask again later, without touching the locks of whoever holds them.
        layoutQueued_ = true;
        QCoreApplication::postEvent(this, new QEvent(kDeferredLayoutEvent));
    }
    return true;
}

void TVnCustomDBGrid::LayoutChanged() {
    if (destroying_ || layoutLock_ > 0 || updateCount_ > 0) return;
    BeginLayout();
    EndLayout();
}

int TVnCustomDBGrid::FontRowHeight() {
    int height = QFontMetrics(font(), this).height() + 3;
    if (options_ & dgRowLines) height += GridLineWidth();
    return height;
}

void TVnCustomDBGrid::InternalLayout() {
    if (destroying_) return;
    // A layout that runs now makes a queued one pointless.
    layoutQueued_ = false;

    // A default column before a custom one: the defaults go.
    bool seenDefault = false;
    for (int i = 0; i < columns_->Count(); ++i) {
        if (!columns_->ColumnAt(i)->Stored()) {
            seenDefault = true;
        } else if (seenDefault) {
            for (int j = columns_->Count() - 1; j >= 0; --j)
                if (!columns_->ColumnAt(j)->Stored()) columns_->Delete(j);
            break;
        }
    }

    indicatorOffset_ = ((options_ & dgIndicator) ? 1 : 0) + ((options_ & dgMarker) ? 1 : 0);
    dataLink_->ClearMapping();
    if (dataLink_->Active()) DefineFieldMap();
    RebuildDefaultColumns();

    SetColCount(columns_->Count() + indicatorOffset_);
    if (FixedCols() != indicatorOffset_ && FrozenCols() == 0) SetFixedCols(indicatorOffset_);
    titleOffset_ = (options_ & dgTitles) ? 1 : 0;

    const int rowHeight = FontRowHeight();
    if (!(options_ & dgUserRowHeight) && rowHeight != DefaultRowHeight())
        TCustomGrid::SetDefaultRowHeight(rowHeight);
    UpdateTitleHeight();

    SetColumnAttributes();
    UpdateRowCount();
    UpdateScrollBar();

    int first = (options_ & dgAutoSize) ? std::min(FixedCols(), LeftCol()) : LeftCol();
    first = std::max(first, FixedCols());
    while (first < ColCount() - 1 && ColWidths(first) <= 0) ++first;
    if (first < ColCount() && first >= FixedCols() && first != LeftCol()) SetLeftCol(first);

    if (!(options_ & dgAutoSize)) {
        InvalidateGrid();
        return;
    }
    AutoSizeColumns(sizingColumn_ >= 0 ? sizingColumn_ : -1, true);
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumn* column = columns_->ColumnAt(i);
        const int raw = DataToRawColumn(i);
        if (raw < ColCount() && column->Showing() && ColWidths(raw) > 0 &&
            ColWidths(raw) != column->Width()) {
            column->width_ = ColWidths(raw);
            column->assigned_ |= cvWidth;
        }
    }
}

void TVnCustomDBGrid::DefineFieldMap() {
    TDataSet* ds = dataLink_->DataSet();
    if (!ds) return;
    if (columns_->State() == TDBGridColumnsState::csCustom) {
        // Custom columns may name fields the dataset does not have: they stay empty.
        dataLink_->SetInUpdateData(true);
        try {
            for (int i = 0; i < columns_->Count(); ++i)
                dataLink_->AddMapping(columns_->ColumnAt(i)->FieldName());
        } catch (...) {
            dataLink_->SetInUpdateData(false);
            throw;
        }
        dataLink_->SetInUpdateData(false);
        return;
    }
    for (int i = 0; i < ds->FieldCount(); ++i) {
        TField* field = ds->Fields()[i];
        if (field->Visible()) dataLink_->AddMapping(field->FieldName());
    }
}

void TVnCustomDBGrid::RebuildDefaultColumns() {
    if (columns_->State() == TDBGridColumnsState::csCustom) {
        for (int i = 0; i < columns_->Count(); ++i) columns_->ColumnAt(i)->ClearField();
        return;
    }
    const int mapCount = dataLink_->FieldCount();
    std::vector<TField*> mapped;
    for (int i = 0; i < mapCount; ++i) mapped.push_back(dataLink_->MappedField(i));
    for (int i = columns_->Count() - 1; i >= 0; --i) {
        TField* field = columns_->ColumnAt(i)->Field();
        if (!field || std::find(mapped.begin(), mapped.end(), field) == mapped.end()) columns_->Delete(i);
    }
    for (int i = 0; i < mapCount; ++i) {
        TField* field = mapped[static_cast<size_t>(i)];
        TColumn* column = nullptr;
        if (field) {
            for (int j = i; j < columns_->Count() && !column; ++j)
                if (columns_->ColumnAt(j)->Field() == field) column = columns_->ColumnAt(j);
        }
        if (!column) {
            column = columns_->InternalAdd();
            if (field) {
                column->SetField(field);
                if (field->Tag() == -1) column->visible_ = false;
            }
        }
        column->SetIndex(i);
    }
    while (columns_->Count() > std::max(mapCount, 1)) columns_->Delete(columns_->Count() - 1);
    if (columns_->Count() == 0) columns_->InternalAdd();
}

void TVnCustomDBGrid::UpdateTitleHeight() {
    if (RowCount() < 1) return;
    if (!(options_ & dgTitles)) {
        // The former title row is a data row now.
        if (RowHeights(0) != DefaultRowHeight()) SetRowHeights(0, DefaultRowHeight());
        return;
    }
    int height = 0;
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumn* column = columns_->ColumnAt(i);
        const QFont titleFont = column->Title()->Font();
        int available = column->Width() - 1;
        if (column->Options() & gcPopupMenu) available -= 16 + 2;
        const QString caption = column->Title()->Caption();
        int captionHeight = 0;
        if (!caption.isEmpty()) {
            QImage scratch(1, 1, QImage::Format_ARGB32);
            QPainter canvas(&scratch);
            canvas.setFont(titleFont);
            QPoint extent;
            const bool wrap = column->Options() & gcWordBreak;
            const TRect rect{0, 0, wrap ? std::max(1, available) : 0x3FFF, 0x3FFF};
            DrawMarkupText(canvas, caption, rect, false,
                           wrap ? DT_WORDBREAK | DT_NOPREFIX : DT_SINGLELINE | DT_NOPREFIX, images_, extent);
            captionHeight = extent.y();
        }
        column->SetTitleCaptionHeight(captionHeight);
        int h = captionHeight > 0 ? captionHeight + 4 : 0;
        if (images_ && column->ItemIndex() >= 0) h = std::max(h, images_->Height() + 3);
        height = std::max(height, h);
    }
    if (height == 0) height = QFontMetrics(TitleFont(), this).height() + 4;
    SetRowHeights(0, height);
}

void TVnCustomDBGrid::SetColumnAttributes() {
    const bool active = dataLink_->Active();
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumn* column = columns_->ColumnAt(i);
        const int raw = DataToRawColumn(i);
        if (raw >= ColCount()) break;
        TField* field = column->BoundField();
        const bool editable = column->Showing() && !column->ReadOnly() && active && field &&
                              field->FieldKind() != fkCalculated && !field->ReadOnly();
        SetTabStops(raw, editable);
        SetColWidths(raw, column->Width());
    }
    if ((options_ & dgIndicator) && ColCount() > 0) SetColWidths(0, kIndicatorWidth);
    if (options_ & dgMarker) {
        const int marker = (options_ & dgIndicator) ? 1 : 0;
        if (marker < ColCount()) SetColWidths(marker, kMarkerWidth);
    }
    ApplyFrozenCols();
}

bool TVnCustomDBGrid::UpdateRowCount() {
    if (destroying_) return false;
    const int oldRows = RowCount();
    if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
    SetFixedRows(titleOffset_);

    // How many rows of the default height fit below the titles, fully and with a cut one.
    const TRect client = ClientRect();
    int titles = 0;
    const int horzLine = (TCustomGrid::Options() & (goHorzLine | goFixedHorzLine)) ? GridLineWidth() : 0;
    for (int r = 0; r < titleOffset_ && r < RowCount(); ++r) titles += RowHeights(r) + horzLine;
    const int available = std::max(0, client.Height() - titles);
    const int extent =
        std::max(1, DefaultRowHeight() + ((TCustomGrid::Options() & goHorzLine) ? GridLineWidth() : 0));
    const int full = std::clamp(available / extent, 1, kMaxRowsConsidered);
    const int partial = std::min(kMaxRowsConsidered, (available + extent - 1) / extent);

    TDataSet* ds = dataLink_->DataSet();
    if (dataLink_->Active() && ds && !ds->IsEmpty()) {
        dataLink_->SetBufferCount(full);
        const bool showPartial = (optionsEx_ & dgeShowPartiallyVisibleData) && partial > full;
        rowsLink_->SetBufferCount(showPartial ? full + 1 : full);
        if (rowsLink_->ActiveRecord() != dataLink_->ActiveRecord()) rowsLink_->SetBufferCount(full);
        const int rows = (optionsEx_ & dgeCompleteRows) ? std::max(full, rowsLink_->RecordCount())
                                                        : std::max(1, rowsLink_->RecordCount());
        const int col = Col();
        const int left = LeftCol();
        SetRowCount(titleOffset_ + rows);
        if (Col() != col && col < ColCount()) SetCol(col);
        if (LeftCol() != left && left < ColCount()) SetLeftCol(left);
        if (options_ & dgRowSelect) SetTopRow(FixedRows());
        UpdateActive();
    } else {
        SetRowCount(titleOffset_ + ((optionsEx_ & dgeCompleteRows) ? full : 1));
        if (Row() != titleOffset_ && titleOffset_ < RowCount()) MoveColRow(Col(), titleOffset_, false, false);
    }
    if (RowCount() == oldRows) return false;
    UpdateScrollBar();
    return true;
}

void TVnCustomDBGrid::UpdateActive() {
    TDataSet* ds = dataLink_->DataSet();
    if (!dataLink_->Active() || !ds) return;
    const int newRow = titleOffset_ + dataLink_->ActiveRecord();
    if (newRow != Row() && newRow >= FixedRows() && newRow < RowCount()) {
        if (!(options_ & dgAlwaysShowEditor)) HideEditor();
        MoveColRow(Col(), newRow, false, false);
    }
    RefreshEditor(nullptr);
}

void TVnCustomDBGrid::UpdateScrollBar() {
    if (destroying_) return;
    QScrollBar* bar = verticalScrollBar();
    TDataSet* ds = dataLink_->DataSet();
    const bool wanted = ScrollBars() == TScrollStyle::ssVertical || ScrollBars() == TScrollStyle::ssBoth;
    const bool data = dataLink_->Active() && ds && !ds->IsEmpty();
    const int page = std::max(1, dataLink_->BufferCount());
    if (data && page < ds->RecordCount()) {
        const int position =
            (ds->State() == dsBrowse || ds->State() == dsEdit) ? std::max(1, ds->RecNo()) : bar->value();
        setVerticalScrollBarPolicy(wanted ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        bar->setEnabled(true);
        if (barMin_ != 1 || barMax_ != ds->RecordCount() || barPage_ != page || barPos_ != position) {
            barMin_ = 1;
            barMax_ = ds->RecordCount();
            barPage_ = page;
            barPos_ = position;
            const QSignalBlocker block(bar);
            bar->setRange(1, ds->RecordCount());
            bar->setPageStep(page);
            bar->setSingleStep(1);
            bar->setValue(position);
        }
        return;
    }
    barMin_ = barMax_ = barPage_ = barPos_ = -1;
    {
        const QSignalBlocker block(bar);
        bar->setRange(0, 0);
    }
    bar->setEnabled(false);
    setVerticalScrollBarPolicy(wanted && HasData() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

TRect TVnCustomDBGrid::CellBoxRect(int left, int top, int right, int bottom) {
    return BoxRect(left, top, right, bottom);
}

bool TVnCustomDBGrid::IsColumnSizable(int column) {
    const int index = RawToDataColumn(column);
    if (index < 0 || index >= columns_->Count()) return false;
    return (options_ & dgColumnResize) && columns_->ColumnAt(index)->Resize();
}

bool TVnCustomDBGrid::HasData() {
    if (columns_->Count() == 0) return false;
    return dataLink_->MappedField(0) != nullptr || !columns_->ColumnAt(0)->FieldName().isEmpty();
}

void TVnCustomDBGrid::StartAutoScroll(int dx, int, int interval) {
    // Rows scroll through the dataset, never by the cell grid's timer.
    TVnCustomGrid::StartAutoScroll(dx, 0, interval);
}

void TVnCustomDBGrid::resizeEvent(QResizeEvent* event) {
    if (options_ & dgAutoSize) AutoSizeColumns(-1, true);
    TVnCustomGrid::resizeEvent(event);
    if (updateCount_ == 0) {
        UpdateRowCount();
        if (!HasData()) InvalidateGrid();
    }
}

bool TVnCustomDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::Resize && updateCount_ == 0 && !destroying_)
        UpdateRowCount();
    return TVnCustomGrid::eventFilter(watched, event);
}

void TVnCustomDBGrid::changeEvent(QEvent* event) {
    TVnCustomGrid::changeEvent(event);
    // Columns without a font of their own follow the grid's: their widths and the row height change.
    if (event->type() == QEvent::FontChange && !destroying_) {
        BeginLayout();
        EndLayout();
    }
}

// ---- data link reactions -----------------------------------------------------------------------------

void TVnCustomDBGrid::LinkActive(bool value) {
    if (!value) HideEditor();
    markedRows_->SetLinkActive(value);
    LayoutChanged();
    UpdateScrollBar();
    if (value && (options_ & dgAlwaysShowEditor)) ShowEditor();
}

void TVnCustomDBGrid::DataChanged() {
    if (destroying_) return;
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateEditor();
    InvalidateGrid();
    markedRows_->ListChanged();
}

void TVnCustomDBGrid::DataScrolled(int distance) {
    if (destroying_) return;
    const int active = dataLink_->ActiveRecord();
    if (active >= RowCount() - titleOffset_ || (active == 0 && (optionsEx_ & dgeShowPartiallyVisibleData))) {
        if (UpdateRowCount()) return;
    }
    const int last = ColCount() - 1;
    const TRect oldBox = CellBoxRect(0, Row(), last, Row());
    UpdateScrollBar();
    UpdateActive();
    InvalidateRegion(QRegion(oldBox.ToQRect()));
    InvalidateRegion(QRegion(CellBoxRect(0, Row(), last, Row()).ToQRect()));
    if (distance != 0) {
        HideEditor();
        // The rows under the titles all show other records now.
        const TRect client = ClientRect();
        const TRect rows = CellBoxRect(0, titleOffset_, last, RowCount() - 1);
        InvalidateRegion(QRegion(QRect(client.Left, rows.Top, client.Width(), client.Bottom - rows.Top)));
        if (options_ & dgAlwaysShowEditor) ShowEditor();
    }
}

void TVnCustomDBGrid::RecordChanged(TField* field) {
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumn* column = columns_->ColumnAt(i);
        const int raw = DataToRawColumn(i);
        if (raw < ColCount() && (!field || column->Field() == field)) InvalidateCol(raw);
    }
    RefreshEditor(field);
}

void TVnCustomDBGrid::EditingChanged() {
    if ((options_ & dgIndicator) && Row() < RowCount()) InvalidateCell(0, Row());
}

void TVnCustomDBGrid::UpdateData() {
    TColumn* column = SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    if (field) field->SetAsString(editText_);
}

QString TVnCustomDBGrid::GetCellText(TColumn* column) {
    TField* field = column ? column->BoundField() : nullptr;
    TDataSet* ds = dataLink_->DataSet();
    if (!field || !ds) return {};
    if (ds->IsEmpty() && !dataLink_->Editing()) return {};
    const TFieldType type = field->DataType();
    const QString format = column->DisplayFormat();
    if (!format.isEmpty() && type != ftMemo) {
        try {
            if (type == ftCurrency) return FormatCurr(format, field->AsCurrency());
            if (IsFloatType(type) || IsIntegerType(type))
                return FormatFloat(format, static_cast<long double>(field->AsFloat()));
            if (IsDateType(type)) {
                // A date of 0 is a missing one as often as a real 30.12.1899: the field decides.
                if (field->IsNull() || field->AsDateTime() == 0) return field->DisplayText();
                return FormatDateTime(format, field->AsDateTime());
            }
            return FormatText(format, field->DisplayText());
        } catch (const std::exception&) {
            return field->DisplayText();
        }
    }
    if (type == ftMemo) return (optionsEx_ & dgeDrawMemoAsText) ? field->AsString() : field->DisplayText();
    return field->DisplayText();
}

bool TVnCustomDBGrid::HighlightCell(int, int, TGridDrawState state, const QString&) {
    if ((options_ & dgMultiSelect) && dataLink_->Active() && markedRows_->IsCurrentRowMarked()) return true;
    return (state & gdSelected) && ((options_ & dgAlwaysShowSelection) || hasFocus()) &&
           (updateCount_ == 0 || (options_ & dgRowSelect));
}

void TVnCustomDBGrid::ColumnComment(int mode, TColumn* column) {
    if (OnColumnComment) OnColumnComment(this, mode, column);
    if (mode == kCommentHide && commentColumn_ != -1) commentColumn_ = -1;
}

// ---- notifications ----------------------------------------------------------------------------------------

void TVnCustomDBGrid::CellClick(TColumn* column) {
    if (OnCellClick) OnCellClick(column);
}

void TVnCustomDBGrid::CellDblClick(TColumn* column) {
    if (OnCellDblClick) OnCellDblClick(column);
}

void TVnCustomDBGrid::ColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TVnCustomDBGrid::ColExit() {
    if (OnColExit) OnColExit(this);
}

void TVnCustomDBGrid::DrawDataCell(QPainter& canvas, const TRect& rect, TField* field, TGridDrawState state) {
    if (OnDrawDataCell) OnDrawDataCell(this, canvas, rect, field, state);
}

void TVnCustomDBGrid::DrawColumnCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                                     TGridDrawState state) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, canvas, rect, dataColumn, column, state);
}

void TVnCustomDBGrid::EditButtonClick() {
    if (OnEditButtonClick) OnEditButtonClick(this);
}

void TVnCustomDBGrid::TitleClickEvent(TColumn* column) {
    if (OnTitleClick) OnTitleClick(column);
}
