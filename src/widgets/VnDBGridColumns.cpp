#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "widgets/VnDBGrids.h"

const char* const kSDataSetClosed = "Cannot perform this operation on a closed dataset";
const char* const kSTooManyColumns = "Grid requested to display more than 256 columns";

namespace {

constexpr unsigned kMaxMappedColumns = 0x0FFFFFFF;

QString IndexError(int index) { return QStringLiteral("List index out of bounds (%1)").arg(index); }

// The room a grid gives text beside the pixels of its characters, as the column defaults measure it.
struct TTextMetrics {
    int ZeroWidth;
    int AverageWidth;
    int Overhang;
};

TTextMetrics MeasureFont(const QFont& font, const QWidget* grid) {
    const QFontMetrics fm = grid ? QFontMetrics(font, grid) : QFontMetrics(font);
    return {fm.horizontalAdvance(QLatin1Char('0')), fm.averageCharWidth(), 0};
}

// Width of a caption as the title paints it: with the library's markup.
int MarkupWidth(const QString& text, const QFont& font) {
    if (text.isEmpty()) return 0;
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter canvas(&scratch);
    canvas.setFont(font);
    QPoint extent;
    DrawMarkupText(canvas, text, TRect{0, 0, 0x3FFF, 0x3FFF}, false, DT_SINGLELINE | DT_NOPREFIX, nullptr,
                   extent);
    return extent.x();
}

}  // namespace

// ---- footer cells ------------------------------------------------------------------------------------

void TColumnFooterPanel::SetColumnIndex(int value) {
    TVnCustomDBGrid* grid = column_ ? column_->Grid() : nullptr;
    TVnFooterTextPanel::SetColumnIndex(value >= 0 && grid ? grid->RawToDataColumn(value) : value);
}

int TColumnFooterPanel::GetColumnIndex() const {
    TVnCustomDBGrid* grid = column_ ? column_->Grid() : nullptr;
    const int index = column_ ? column_->Index() : TVnFooterTextPanel::GetColumnIndex();
    return index >= 0 && grid ? grid->DataToRawColumn(index) : index;
}

QFont TColumnFooterPanel::DefaultFont() const {
    return column_ ? column_->Font() : TVnFooterTextPanel::DefaultFont();
}

// ---- column title --------------------------------------------------------------------------------------

TAlignment TColumnTitle::Alignment() const {
    return (column_->AssignedValues() & cvTitleAlignment) ? alignment_ : DefaultAlignment();
}

void TColumnTitle::SetAlignment(TAlignment value) {
    if ((column_->AssignedValues() & cvTitleAlignment) && value == alignment_) return;
    alignment_ = value;
    column_->MarkTitleAssigned(cvTitleAlignment);
    column_->Changed(false);
}

QString TColumnTitle::Caption() const {
    return (column_->AssignedValues() & cvTitleCaption) ? caption_ : DefaultCaption();
}

QString TColumnTitle::DefaultCaption() const {
    TField* field = column_->BoundField();
    return field ? field->DisplayLabel() : column_->FieldName();
}

bool TColumnTitle::IsCaptionStored() const {
    return (column_->AssignedValues() & cvTitleCaption) && caption_ != DefaultCaption();
}

void TColumnTitle::SetCaptionValue(const QString& value) {
    TVnCustomDBGrid* grid = column_->Grid();
    if (column_->Stored()) {
        if ((column_->AssignedValues() & cvTitleCaption) && value == caption_) return;
        caption_ = value;
        column_->MarkTitleAssigned(cvTitleCaption);
        column_->Changed(false);
    } else if (grid && grid->DataLink()->Active() && column_->BoundField()) {
        // A default column has no caption of its own: the field carries it.
        column_->BoundField()->SetDisplayLabel(value);
    }
    if (grid && !grid->InLayout()) grid->LayoutChanged();
}

TColor TColumnTitle::Color() const {
    return (column_->AssignedValues() & cvTitleColor) ? color_ : DefaultColor();
}

TColor TColumnTitle::DefaultColor() const {
    TVnCustomDBGrid* grid = column_->Grid();
    return grid ? grid->FixedColor() : clBtnFace;
}

void TColumnTitle::SetColor(TColor value) {
    if ((column_->AssignedValues() & cvTitleColor) && value == color_) return;
    color_ = value;
    column_->MarkTitleAssigned(cvTitleColor);
    column_->Changed(false);
}

QFont TColumnTitle::Font() const { return (column_->AssignedValues() & cvTitleFont) ? font_ : DefaultFont(); }

QFont TColumnTitle::DefaultFont() const {
    TVnCustomDBGrid* grid = column_->Grid();
    return grid ? grid->TitleFont() : column_->Font();
}

void TColumnTitle::SetFont(const QFont& value) {
    font_ = value;
    column_->MarkTitleAssigned(cvTitleFont);
    column_->Changed(true);
}

void TColumnTitle::RestoreDefaults() {
    const bool fontSet = column_->AssignedValues() & cvTitleFont;
    column_->ForgetTitleAssigned();
    caption_.clear();
    column_->Changed(fontSet);
}

void TColumnTitle::SetFontColor(TColor value) {
    if (value == fontColor_) return;
    fontColor_ = value;
    column_->Changed(false);
}

void TColumnTitle::Assign(const TColumnTitle& source) {
    const TColumnValues set = source.column_->AssignedValues();
    if (set & cvTitleAlignment) SetAlignment(source.alignment_);
    if (set & cvTitleColor) SetColor(source.color_);
    if (set & cvTitleCaption) SetCaptionValue(source.caption_);
    if (set & cvTitleFont) SetFont(source.font_);
}

// ---- column ----------------------------------------------------------------------------------------------

TColumn::TColumn(TDBGridColumns* collection) : collection_(collection) {
    title_ = std::make_unique<TColumnTitle>(this);
    TVnCustomDBGrid* grid = Grid();
    footerPanel_ = std::make_unique<TColumnFooterPanel>(grid ? &grid->Footer().Panels() : nullptr);
    footerPanel_->SetColumn(this);
}

TColumn::~TColumn() {
    footerPanel_.reset();
    title_.reset();
}

TVnCustomDBGrid* TColumn::Grid() const { return collection_ ? collection_->Grid() : nullptr; }

int TColumn::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TColumn::SetIndex(int value) {
    if (!collection_) return;
    const int from = Index();
    value = std::clamp(value, 0, collection_->Count() - 1);
    if (value == from) return;
    TVnCustomDBGrid* grid = Grid();
    // Default columns follow the dataset's field order, which our datasets keep fixed; such a move
    // lasts until the grid rebuilds its default columns.
    if (grid) grid->BeginLayout();
    collection_->Move(from, value);
    if (grid) grid->EndLayout();
}

QString TColumn::DisplayName() const { return fieldName_.isEmpty() ? QStringLiteral("TColumn") : fieldName_; }

TField* TColumn::Field() const {
    if (!field_) return nullptr;
    TVnCustomDBGrid* grid = Grid();
    TDataSet* ds = grid ? grid->DataLink()->DataSet() : fieldDataSet_;
    if (ds != fieldDataSet_ || !ds || ds->FieldsVersion() != fieldsVersion_) return nullptr;
    return field_;
}

TField* TColumn::BoundField() {
    TField* field = Field();
    if (field) return field;
    field_ = nullptr;
    TVnCustomDBGrid* grid = Grid();
    TDataSet* ds = grid ? grid->DataLink()->DataSet() : nullptr;
    if (fieldName_.isEmpty() || !ds || !(ds->Active() || ds->FieldCount() > 0)) return nullptr;
    // Bound quietly: this runs while cells are painted, where a change notice would relayout.
    if (TField* found = ds->FindField(fieldName_)) {
        field_ = found;
        fieldDataSet_ = ds;
        fieldsVersion_ = ds->FieldsVersion();
    }
    return field_;
}

void TColumn::SetField(TField* value) {
    if (value && value == Field()) return;
    if (!value && !field_) {
        if (!stored_) {
            fieldName_.clear();
            RestoreDefaults();
        }
        return;
    }
    field_ = value;
    fieldDataSet_ = value ? value->DataSet() : nullptr;
    fieldsVersion_ = value ? value->DataSet()->FieldsVersion() : 0;
    if (value)
        fieldName_ = value->FieldName();
    else if (!stored_)
        fieldName_.clear();
    if (!stored_) RestoreDefaults();
    Changed(false);
}

void TColumn::SetFieldName(const QString& value) {
    TVnCustomDBGrid* grid = Grid();
    TDataSet* ds = grid ? grid->DataLink()->DataSet() : nullptr;
    TField* field = ds && !value.isEmpty() ? ds->FindField(value) : nullptr;
    fieldName_ = value;
    if (field) {
        SetField(field);
    } else {
        ClearField();
        Changed(false);
    }
    // The title follows the new field's label at once.
    if (grid && !(assigned_ & cvTitleCaption) && !grid->InLayout()) grid->LayoutChanged();
}

TAlignment TColumn::DefaultAlignment() const {
    TField* field = Field();
    return field ? field->Alignment() : taLeftJustify;
}

TAlignment TColumn::Alignment() const { return (assigned_ & cvAlignment) ? alignment_ : DefaultAlignment(); }

void TColumn::SetAlignment(TAlignment value) {
    TVnCustomDBGrid* grid = Grid();
    if (!stored_) {
        if (grid && grid->DataLink()->Active() && BoundField()) BoundField()->SetAlignment(value);
        return;
    }
    if ((assigned_ & cvAlignment) && value == alignment_) return;
    alignment_ = value;
    assigned_ |= cvAlignment;
    Changed(false);
}

void TColumn::SetButtonStyle(TColumnButtonStyle value) {
    if (value == buttonStyle_) return;
    buttonStyle_ = value;
    Changed(false);
}

TColor TColumn::DefaultColor() const {
    TVnCustomDBGrid* grid = Grid();
    return grid ? grid->Color() : clWindow;
}

TColor TColumn::Color() const { return (assigned_ & cvColor) ? color_ : DefaultColor(); }

void TColumn::SetColor(TColor value) {
    if ((assigned_ & cvColor) && value == color_) return;
    color_ = value;
    assigned_ |= cvColor;
    Changed(false);
}

void TColumn::SetDisplayFormat(const QString& value) {
    if (value == displayFormat_) return;
    displayFormat_ = value;
    Changed(false);
}

QFont TColumn::DefaultFont() const {
    TVnCustomDBGrid* grid = Grid();
    return grid ? grid->font() : QApplication::font();
}

QFont TColumn::Font() const { return (assigned_ & cvFont) ? font_ : DefaultFont(); }

void TColumn::SetFont(const QFont& value) {
    font_ = value;
    assigned_ |= cvFont;
    Changed(false);
}

void TColumn::SetFooterPanel(const TColumnFooterPanel& value) {
    footerPanel_->SetVisible(value.Visible());
    footerPanel_->SetText(value.Text());
    footerPanel_->SetAlignment(value.Alignment());
    footerPanel_->SetStyle(value.Style());
    if (value.AssignedValues() & TVnFooterTextPanel::avColor) footerPanel_->SetColor(value.Color());
    if (value.AssignedValues() & TVnFooterTextPanel::avFont) footerPanel_->SetFont(value.Font());
}

void TColumn::SetImeMode(int value) {
    if (!(assigned_ & cvImeMode) && value == imeMode_) return;
    imeMode_ = value;
    assigned_ |= cvImeMode;
    Changed(false);
}

void TColumn::SetImeName(const QString& value) {
    if (!(assigned_ & cvImeName) && value == imeName_) return;
    imeName_ = value;
    assigned_ |= cvImeName;
    Changed(false);
}

void TColumn::SetIndexed(bool value) {
    if (value == indexed_) return;
    indexed_ = value;
    Changed(false);
}

void TColumn::SetIndexStyle(TColumnIndexStyle value) {
    if (value == indexStyle_) return;
    indexStyle_ = value;
    Changed(false);
}

void TColumn::SetItemIndex(int value) {
    if (value == itemIndex_) return;
    itemIndex_ = value;
    Changed(false);
}

void TColumn::SetOptions(TColumnOptions value) {
    if (value == options_) return;
    const bool popupChanged = (value ^ options_) & gcPopupMenu;
    options_ = value;
    Changed(true);
    TVnCustomDBGrid* grid = Grid();
    if (popupChanged && grid && grid->TitleOffset() > 0) grid->InvalidateRow(0);
}

QStringList* TColumn::PickList() {
    if (!pickList_) pickList_ = std::make_unique<QStringList>();
    return pickList_.get();
}

void TColumn::SetPickList(const QStringList* value) {
    if (!value)
        pickList_.reset();
    else
        *PickList() = *value;
}

bool TColumn::DefaultReadOnly() const {
    TVnCustomDBGrid* grid = Grid();
    TField* field = Field();
    return (grid && grid->ReadOnly()) || (field && field->ReadOnly());
}

bool TColumn::ReadOnly() const { return (assigned_ & cvReadOnly) ? readOnly_ : DefaultReadOnly(); }

void TColumn::SetReadOnly(bool value) {
    TVnCustomDBGrid* grid = Grid();
    if (!stored_ && grid && grid->DataLink()->Active() && BoundField()) {
        BoundField()->SetReadOnly(value);
        return;
    }
    if ((assigned_ & cvReadOnly) && value == readOnly_) return;
    readOnly_ = value;
    assigned_ |= cvReadOnly;
    Changed(false);
}

void TColumn::SetVertAlignment(TVertAlignment value) {
    if (value == vertAlignment_) return;
    vertAlignment_ = value;
    Changed(false);
}

void TColumn::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    TVnCustomDBGrid* grid = Grid();
    if (grid) grid->ApplyFrozenCols();
    SetWidth(Width());
}

void TColumn::SetWordBreak(bool value) {
    if (value == wordBreak_) return;
    wordBreak_ = value;
    Changed(false);
}

int TColumn::DefaultWidth() const {
    TVnCustomDBGrid* grid = Grid();
    if (!grid) return 64;
    TField* field = Field();
    if (!field) return grid->DefaultColWidth();
    const TTextMetrics tm = MeasureFont(Font(), grid);
    int width = tm.ZeroWidth * field->DisplayWidth() + tm.Overhang - tm.AverageWidth / 2 + 6;
    if (grid->Options() & dgTitles) {
        int title = MarkupWidth(title_->Caption(), title_->Font());
        if ((grid->Options() & dgTitleClicked) && indexed_) title += 11;
        if (grid->Images() && itemIndex_ >= 0) title += grid->Images()->Width() + 2;
        title += tm.Overhang + 8;
        width = std::max(width, title);
    }
    return width;
}

int TColumn::Width() const {
    if (Showing()) return (assigned_ & cvWidth) ? width_ : DefaultWidth();
    TVnCustomDBGrid* grid = Grid();
    // A hidden column keeps its width for when it is shown again; the grid column gets the size
    // the cell grid treats as hidden: -1 hides the line too, which flat lines do not draw.
    if (!grid || ((grid->Options() & dgColLines) && !(grid->Options() & dgFlatLines))) return -1;
    return 0;
}

void TColumn::SetWidth(int value) {
    TVnCustomDBGrid* grid = Grid();
    TField* field = Field();
    if (!stored_ && grid && field && value > 0) {
        const TTextMetrics tm = MeasureFont(Font(), grid);
        if (tm.ZeroWidth > 0)
            field->SetDisplayWidth((value + tm.AverageWidth / 2 - tm.Overhang - 6) / tm.ZeroWidth);
    }
    if (visible_ && ((assigned_ & cvWidth) || value != DefaultWidth())) {
        width_ = value;
        assigned_ |= cvWidth;
    }
    Changed(false);
}

void TColumn::RestoreDefaults() {
    const bool fontSet = assigned_ & cvFont;
    title_->RestoreDefaults();
    assigned_ = 0;
    pickList_.reset();
    buttonStyle_ = cbsAuto;
    Changed(fontSet);
}

void TColumn::Assign(const TColumn& source) {
    if (collection_) collection_->BeginUpdate();
    RestoreDefaults();
    SetFieldName(source.fieldName_);
    const TColumnValues set = source.assigned_;
    if (set & cvColor) SetColor(source.color_);
    if (set & cvWidth) {
        width_ = source.width_;
        assigned_ |= cvWidth;
    }
    if (set & cvFont) SetFont(source.font_);
    if (set & cvImeMode) SetImeMode(source.imeMode_);
    if (set & cvImeName) SetImeName(source.imeName_);
    if (set & cvAlignment) {
        alignment_ = source.alignment_;
        assigned_ |= cvAlignment;
    }
    if (set & cvReadOnly) {
        readOnly_ = source.readOnly_;
        assigned_ |= cvReadOnly;
    }
    title_->Assign(*source.title_);
    dropDownRows_ = source.dropDownRows_;
    buttonStyle_ = source.buttonStyle_;
    SetPickList(source.pickList_.get());
    popupMenu_ = source.popupMenu_;
    visible_ = source.visible_;
    itemIndex_ = source.itemIndex_;
    indexed_ = source.indexed_;
    indexStyle_ = source.indexStyle_;
    displayFormat_ = source.displayFormat_;
    tag_ = source.tag_;
    resize_ = source.resize_;
    comment_ = source.comment_;
    wordBreak_ = source.wordBreak_;
    vertAlignment_ = source.vertAlignment_;
    options_ = source.options_;
    footerPanel_->SetVisible(source.footerPanel_->Visible());
    footerPanel_->SetText(source.footerPanel_->Text());
    Changed(false);
    if (collection_) collection_->EndUpdate();
}

void TColumn::Changed(bool allItems) {
    if (collection_) collection_->Changed(allItems ? nullptr : this);
}

// ---- column collection -------------------------------------------------------------------------------

TDBGridColumns::~TDBGridColumns() {
    // Columns leave one by one so that each footer panel leaves its line while the line exists.
    ++updateCount_;
    while (!items_.empty()) items_.pop_back();
}

TColumn* TDBGridColumns::ColumnAt(int index) const {
    if (index < 0 || index >= Count()) throw EInvalidGridOperation(IndexError(index));
    return items_[static_cast<size_t>(index)].get();
}

int TDBGridColumns::IndexOf(const TColumn* column) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == column) return static_cast<int>(i);
    return -1;
}

TColumn* TDBGridColumns::AddColumn() {
    if (grid_) grid_->BeginLayout();
    items_.push_back(std::make_unique<TColumn>(this));
    TColumn* column = items_.back().get();
    Changed(nullptr);
    if (grid_) grid_->EndLayout();
    return column;
}

TColumn* TDBGridColumns::InternalAdd() {
    TColumn* column = AddColumn();
    column->stored_ = false;
    return column;
}

void TDBGridColumns::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) items_.pop_back();
    Changed(nullptr);
    EndUpdate();
}

void TDBGridColumns::Delete(int index) {
    ColumnAt(index);
    BeginUpdate();
    items_.erase(items_.begin() + index);
    Changed(nullptr);
    EndUpdate();
}

std::unique_ptr<TColumn> TDBGridColumns::Take(int index) {
    std::unique_ptr<TColumn> column = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    return column;
}

void TDBGridColumns::Move(int fromIndex, int toIndex) {
    ColumnAt(fromIndex);
    ColumnAt(toIndex);
    if (fromIndex == toIndex) return;
    std::unique_ptr<TColumn> column = Take(fromIndex);
    items_.insert(items_.begin() + toIndex, std::move(column));
    Changed(nullptr);
}

void TDBGridColumns::Assign(const TDBGridColumns& source) {
    if (&source == this) return;
    if (grid_) grid_->BeginLayout();
    BeginUpdate();
    while (!items_.empty()) items_.pop_back();
    for (const auto& item : source.items_) AddColumn()->Assign(*item);
    Changed(nullptr);
    EndUpdate();
    if (grid_) grid_->EndLayout();
}

TDBGridColumnsState TDBGridColumns::State() const {
    return !items_.empty() && items_.front()->Stored() ? TDBGridColumnsState::csCustom
                                                       : TDBGridColumnsState::csDefault;
}

void TDBGridColumns::SetState(TDBGridColumnsState value) {
    if (value == State()) return;
    if (value == TDBGridColumnsState::csDefault)
        Clear();
    else
        RebuildColumns();
}

void TDBGridColumns::RebuildColumns() {
    TDataSet* ds = grid_ ? grid_->DataLink()->DataSet() : nullptr;
    if (!ds) {
        Clear();
        return;
    }
    grid_->BeginLayout();
    BeginUpdate();
    while (!items_.empty()) items_.pop_back();
    for (int i = 0; i < ds->FieldCount(); ++i) AddColumn()->SetFieldName(ds->Fields()[i]->FieldName());
    Changed(nullptr);
    EndUpdate();
    grid_->EndLayout();
}

void TDBGridColumns::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0 && pendingAll_) {
        pendingAll_ = false;
        Update(nullptr);
    }
}

void TDBGridColumns::Changed(TColumn* item) {
    if (updateCount_ > 0) {
        pendingAll_ = true;
        return;
    }
    Update(item);
}

void TDBGridColumns::Update(TColumn* item) {
    if (!grid_ || grid_->destroying_) return;
    if (item) {
        const int raw = grid_->DataToRawColumn(item->Index());
        if (raw < 0 || raw >= grid_->ColCount()) return;
        grid_->InvalidateCol(raw);
        grid_->SetSizingColumn(item->Resize() ? raw : -1);
        grid_->SetColWidths(raw, item->Width());
        return;
    }
    grid_->LayoutChanged();
    grid_->ColWidthsChanged();
    if (grid_->Options() & dgAutoSize) grid_->AutoSizeColumns(-1, true);
}

// ---- data link -------------------------------------------------------------------------------------------

bool TGridDataLink::AddMapping(const QString& fieldName) {
    if (fieldMap_.size() >= kMaxMappedColumns) throw EInvalidGridOperation(kSTooManyColumns);
    TDataSet* ds = DataSet();
    TField* field = nullptr;
    if (ds && !fieldName.isEmpty())
        field = inUpdateData_ ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
    fieldMap_.push_back(field ? field->Index() : -1);
    return true;
}

TField* TGridDataLink::MappedField(int index) const {
    TDataSet* ds = DataSet();
    if (!ds || index < 0 || index >= FieldCount()) return nullptr;
    const int position = fieldMap_[static_cast<size_t>(index)];
    if (position < 0 || position >= ds->FieldCount()) return nullptr;
    return ds->Fields()[position];
}

bool TGridDataLink::DefaultFields() const {
    if (!DataSet()) return true;
    if (inUpdateData_) return std::none_of(fieldMap_.begin(), fieldMap_.end(), [](int p) { return p < 0; });
    return true;
}

void TGridDataLink::Reset() {
    if (modified_)
        RecordChanged(nullptr);
    else if (DataSet())
        DataSet()->Cancel();
}

void TGridDataLink::ActiveChanged() {
    grid_->LinkActive(Active());
    modified_ = false;
}

void TGridDataLink::DataSetChanged() {
    grid_->DataChanged();
    modified_ = false;
}

void TGridDataLink::DataSetScrolled(int distance) { grid_->DataScrolled(distance); }

void TGridDataLink::LayoutChanged() {
    grid_->LayoutChanged();
    TDataLink::LayoutChanged();
}

void TGridDataLink::RecordChanged(TField* field) {
    grid_->RecordChanged(field);
    modified_ = false;
}

void TGridDataLink::EditingChanged() { grid_->EditingChanged(); }

void TGridDataLink::UpdateData() {
    if (!modified_) return;
    grid_->UpdateData();
    modified_ = false;
}
