#include "widgets/VnDBGrids.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>

#include "platform/text/DateFormat.h"
#include "platform/text/NumberFormat.h"
#include "widgets/VnScopeGuard.h"

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

// One value handed to a display format of the "%" style: a number, an amount, a whole number or a
// text, as the field holds it.
struct TFormatArg {
    enum class TKind { Float, Money, Integer, Text } Kind;
    long double Float = 0;
    Currency Money;
    qint64 Integer = 0;
    QString Text;
};

// Numbers with a fixed count of decimals, written by the program's number patterns so that the
// rounding and the separators are the station's.
QString FixedDigits(long double value, int decimals, bool thousands) {
    QString pattern = thousands ? QStringLiteral(",0") : QStringLiteral("0");
    if (decimals > 0) pattern += QLatin1Char('.') + QString(decimals, QLatin1Char('0'));
    return FormatFloat(pattern, value);
}

// The amount with the station's currency sign where its currency formats put it ("1 Kč", "-1 Kč").
QString MoneyText(long double value, int decimals) {
    const QString digits = FixedDigits(value < 0 ? -value : value, decimals, true);
    const QString sign = FormatSettings.CurrencyString;
    QString text;
    switch (FormatSettings.CurrencyFormat) {
        case 0:
            text = sign + digits;
            break;
        case 1:
            text = digits + sign;
            break;
        case 2:
            text = sign + QLatin1Char(' ') + digits;
            break;
        default:
            text = digits + QLatin1Char(' ') + sign;
            break;
    }
    // Rounded to nothing, an amount has no sign.
    if (value < 0 && digits.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        text.prepend(QLatin1Char('-'));
    return text;
}

[[noreturn]] void BadFormat(const QString& format) {
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}

// A display format in the style of the formatting function: "%" [-] [width] [. precision] type, with
// the types d, u, x (whole numbers), e, f, g, n, m (numbers), s (text) and "%%" for a percent sign.
// Every specifier takes the one value; a type that does not suit it is an error, which the grid
// answers with the field's display text.
QString FormatStyle(const QString& format, const TFormatArg& arg) {
    using TKind = TFormatArg::TKind;
    QString out;
    for (int i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%')) {
            out += format[i];
            continue;
        }
        if (++i >= format.size()) BadFormat(format);
        if (format[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        const bool leftJustify = format[i] == QLatin1Char('-');
        if (leftJustify) ++i;
        auto readNumber = [&](int& value) {
            value = -1;
            while (i < format.size() && format[i].isDigit()) {
                value = std::max(value, 0) * 10 + format[i].digitValue();
                if (value > 9999) BadFormat(format);
                ++i;
            }
        };
        int width, precision = -1;
        readNumber(width);
        if (i < format.size() && format[i] == QLatin1Char('.')) {
            ++i;
            readNumber(precision);
        }
        if (i >= format.size()) BadFormat(format);
        const bool number = arg.Kind == TKind::Float || arg.Kind == TKind::Money;
        const long double value = arg.Kind == TKind::Money ? arg.Money.ToExtended() : arg.Float;
        QString text;
        switch (format[i].toLower().unicode()) {
            case 'd':
            case 'u': {
                if (arg.Kind != TKind::Integer) BadFormat(format);
                const qint64 v = format[i].toLower() == QLatin1Char('u') && arg.Integer < 0
                                     ? static_cast<qint64>(static_cast<quint32>(arg.Integer))
                                     : arg.Integer;
                text = QString::number(v < 0 ? -v : v);
                if (precision > text.size()) text = QString(precision - text.size(), QLatin1Char('0')) + text;
                if (v < 0) text.prepend(QLatin1Char('-'));
                break;
            }
            case 'x':
                if (arg.Kind != TKind::Integer) BadFormat(format);
                text = QString::number(static_cast<quint64>(arg.Integer), 16).toUpper();
                if (precision > text.size()) text = QString(precision - text.size(), QLatin1Char('0')) + text;
                break;
            case 'f':
            case 'n':
                if (!number) BadFormat(format);
                text = FixedDigits(value, precision < 0 ? 2 : std::min(precision, 18),
                                   format[i].toLower() == QLatin1Char('n'));
                break;
            case 'm':
                if (!number) BadFormat(format);
                text = MoneyText(value,
                                 precision < 0 ? FormatSettings.CurrencyDecimals : std::min(precision, 18));
                break;
            case 'e': {
                if (!number) BadFormat(format);
                // Scientific form: precision counts all significant digits (15 when not given),
                // the exponent has a sign and at least three digits.
                const int digits = std::clamp(precision < 0 ? 15 : precision, 1, 18);
                QString e = QString::number(static_cast<double>(value), 'E', digits - 1);
                const int at = e.indexOf(QLatin1Char('E'));
                QString mantissa = e.left(at);
                QString exponent = e.mid(at + 1);
                const QChar expSign = exponent[0] == QLatin1Char('-') ? QLatin1Char('-') : QLatin1Char('+');
                exponent.remove(0,
                                exponent[0] == QLatin1Char('-') || exponent[0] == QLatin1Char('+') ? 1 : 0);
                while (exponent.size() < 3) exponent.prepend(QLatin1Char('0'));
                mantissa.replace(QLatin1Char('.'), FormatSettings.DecimalSeparator);
                text = mantissa + QLatin1Char('E') + expSign + exponent;
                break;
            }
            case 'g':
                if (!number) BadFormat(format);
                text = FloatToStr(value);
                break;
            case 's':
                if (arg.Kind != TKind::Text) BadFormat(format);
                text = precision >= 0 ? arg.Text.left(precision) : arg.Text;
                break;
            default:
                BadFormat(format);
        }
        if (width > text.size()) text = leftJustify ? text.leftJustified(width) : text.rightJustified(width);
        out += text;
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
    // The dataset's cursor is the selection: a range of cells is never selected by the cell grid.
    TGridOptions go = TCustomGrid::Options() & ~(kDerivedGridOptions | goRangeSelect);
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
    {
        const TScopeGuard unlock([this] {
            if (layoutLock_ == 1) columns_->EndUpdate();
            --layoutLock_;
            EndUpdate();
        });
        if (layoutLock_ == 1) InternalLayout();
    }
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
        const TScopeGuard reset([this] { dataLink_->SetInUpdateData(false); });
        for (int i = 0; i < columns_->Count(); ++i) dataLink_->AddMapping(columns_->ColumnAt(i)->FieldName());
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
        int minimum = 1, maximum = ds->RecordCount(), barPage = page, position = bar->value();
        if (DataSetSequenced(ds)) {
            if (ds->State() == dsBrowse || ds->State() == dsEdit) position = std::max(1, ds->RecNo());
        } else {
            // Without record numbers the bar can only tell the beginning, the end and the way between.
            minimum = 0;
            maximum = 4;
            barPage = dataLink_->RecordCount() < dataLink_->BufferCount() ? dataLink_->RecordCount() : 0;
            position = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
        }
        setVerticalScrollBarPolicy(wanted ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        bar->setEnabled(true);
        if (barMin_ != minimum || barMax_ != maximum || barPage_ != barPage || barPos_ != position) {
            barMin_ = minimum;
            barMax_ = maximum;
            barPage_ = barPage;
            barPos_ = position;
            const QSignalBlocker block(bar);
            bar->setRange(minimum, maximum);
            bar->setPageStep(std::max(barPage, 1));
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
        if (std::abs(distance) > VisibleRowCount()) {
            InvalidateGrid();
        } else {
            // The rows that stay on screen are moved, not painted again: only the rows uncovered
            // by the move and the two current rows cost a paint, so a step costs the same on a
            // hundred records as on a hundred thousand.
            const bool rowLines = (options_ & dgRowLines) && !(options_ & dgFlatLines);
            const int rowHeight = DefaultRowHeight() + (rowLines ? GridLineWidth() : 0);
            const int dy = -distance * rowHeight;
            // Only the rows move: the background below the last row stays where it is.
            const TRect client = ClientRect();
            const TRect rows = CellBoxRect(0, titleOffset_, last, RowCount() - 1);
            const int rowsBottom =
                std::min(client.Bottom, rows.Top + (RowCount() - titleOffset_) * rowHeight);
            const QRect area(client.Left, rows.Top, client.Width(), rowsBottom - rows.Top);
            ScrollRegion(area, dy);
            // The old current row moved with the picture; the new one stays where the cursor is.
            InvalidateRegion(QRegion(oldBox.ToQRect().translated(0, dy)).intersected(area));
            InvalidateRegion(QRegion(CellBoxRect(0, Row(), last, Row()).ToQRect()));
        }
        if (options_ & dgAlwaysShowEditor) ShowEditor();
    }
    if (updateCount_ == 0 && !IsUpdateLocked()) UpdateNow();
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
            if (IsDateType(type)) {
                // A date of 0 is a missing one as often as a real 30.12.1899: the field decides.
                if (field->IsNull() || field->AsDateTime() == 0) return field->DisplayText();
                return FormatDateTime(format, field->AsDateTime());
            }
            // A format with "%" is written for the formatting function; any other is a number
            // pattern, as the windows have always given their amounts.
            const bool formatStyle = format.contains(QLatin1Char('%'));
            using TKind = TFormatArg::TKind;
            if (type == ftCurrency) {
                if (formatStyle) return FormatStyle(format, {TKind::Money, 0, field->AsCurrency(), 0, {}});
                return FormatCurr(format, field->AsCurrency());
            }
            if (IsFloatType(type)) {
                const long double value = static_cast<long double>(field->AsFloat());
                if (formatStyle) return FormatStyle(format, {TKind::Float, value, {}, 0, {}});
                return FormatFloat(format, value);
            }
            if (IsIntegerType(type)) {
                if (formatStyle) return FormatStyle(format, {TKind::Integer, 0, {}, field->AsLargeInt(), {}});
                return FormatFloat(format, static_cast<long double>(field->AsFloat()));
            }
            return FormatStyle(format, {TKind::Text, 0, {}, 0, field->DisplayText()});
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
    if (OnEditButtonClick)
        OnEditButtonClick(this);
    else
        ShowPopupEditor(SelectedColumn());
}

void TVnCustomDBGrid::ShowPopupEditor(TColumn* column, std::optional<QPoint> at) {
    TDataSet* nested = column ? NestedDataSet(column) : nullptr;
    if (!nested) return;
    if (popupEditor_) delete popupEditor_.data();
    popupSource_ = std::make_unique<TDataSource>(nested);
    // A floating copy of the grid, docked to nothing, that closes with its window.
    auto* editor = new TVnDBGrid(this);
    editor->setWindowFlags(Qt::Tool);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->setObjectName(objectName() + QStringLiteral("Popup"));
    editor->setWindowTitle(column->Title()->Caption());
    editor->setFont(font());
    editor->SetOptions(Options());
    editor->SetOptionsEx(OptionsEx());
    editor->SetReadOnly(ReadOnly() || column->ReadOnly());
    editor->SetDataSource(popupSource_.get());
    // As wide as its columns, but at most half the screen (a quarter when even that is too wide),
    // and a quarter of the screen high.
    const QRect screenRect = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    int width = 2 * editor->frameWidth() + editor->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < editor->ColCount(); ++c) width += editor->ColWidths(c) + editor->GridLineWidth();
    if (width > screenRect.width() / 2) width = screenRect.width() / 4;
    const int height = screenRect.height() / 4;
    QPoint place;
    if (at) {
        place = *at;
    } else {
        const TRect cell = CellRect(Col(), Row());
        place = viewport()->mapToGlobal(QPoint(cell.Left, cell.Bottom));
    }
    editor->setGeometry(place.x(), place.y(), width, height);
    popupEditor_ = editor;
    editor->show();
}

void TVnCustomDBGrid::TitleClickEvent(TColumn* column) {
    if (OnTitleClick) OnTitleClick(column);
}
