#include "XLSAdapter/UXlsRowColEntries.h"

#include <QDateTime>
#include <algorithm>
#include <bit>
#include <typeinfo>

#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/UXlsSections.h"
#include "XLSAdapter/XlsMessages.h"
#include "platform/data/VariantType.h"

namespace {

constexpr int kMaxRow = 65535;
constexpr int kMaxColumn = 255;
constexpr int kRowsPerBlock = 32;

void CheckRowCol(int row, int column) {
    if (row < 0 || row > kMaxRow) XlsError(XlsMessages::ErrInvalidRow, row);
    if (column < 0 || column > kMaxColumn) XlsError(XlsMessages::ErrInvalidColumn, column);
}

}  // namespace

TRowRecord* TRowRecordList::RowRecord(int row) const {
    if (!HasRow(row)) XlsError(XlsMessages::ErrMissingRow, row);
    return static_cast<TRowRecord*>(items_[size_t(row)].get());
}

void TRowRecordList::EnsureRow(int row) {
    if (!HasRow(row)) PlaceRow(row, std::make_unique<TRowRecord>(quint16(row)));
}

void TRowRecordList::PlaceRow(int row, std::unique_ptr<TBaseRecord> record) {
    if (row >= Count()) items_.resize(size_t(row) + 1);
    SetItem(row, std::move(record));
}

TCellSlot TCellSlot::RK(quint16 column, quint16 xf, quint32 rk) {
    TCellSlot slot(TKind::RK, column, xf);
    slot.value_.RK = rk;
    return slot;
}

TCellSlot TCellSlot::Number(quint16 column, quint16 xf, double number) {
    TCellSlot slot(TKind::Number, column, xf);
    slot.value_.Number = number;
    return slot;
}

TCellSlot TCellSlot::BoolErr(quint16 column, quint16 xf, quint16 valueAndKind) {
    TCellSlot slot(TKind::BoolErr, column, xf);
    slot.value_.BoolErr = valueAndKind;
    return slot;
}

TCellSlot TCellSlot::Label(quint16 column, quint16 xf, TSSTEntry* entry) {
    Q_ASSERT(entry);
    TCellSlot slot(TKind::Label, column, xf);
    slot.value_.Label = entry;
    return slot;
}

TCellSlot::TCellSlot(TCellSlot&& other) noexcept
    : column_(other.column_), xf_(other.xf_), kind_(other.kind_), value_(other.value_) {
    // The moved-from slot owns nothing any more.
    other.kind_ = TKind::Blank;
}

TCellSlot& TCellSlot::operator=(TCellSlot&& other) noexcept {
    if (this != &other) {
        Release();
        column_ = other.column_;
        xf_ = other.xf_;
        kind_ = other.kind_;
        value_ = other.value_;
        other.kind_ = TKind::Blank;
    }
    return *this;
}

void TCellSlot::Release() {
    if (kind_ == TKind::Record)
        delete value_.Record;
    else if (kind_ == TKind::Label)
        --value_.Label->Refs;
    kind_ = TKind::Blank;
}

quint16 TCellSlot::Column() const { return kind_ == TKind::Record ? value_.Record->Column() : column_; }

quint16 TCellSlot::XF() const { return kind_ == TKind::Record ? value_.Record->XF() : xf_; }

void TCellSlot::SetXF(quint16 xf) {
    if (kind_ == TKind::Record)
        value_.Record->SetXF(xf);
    else
        xf_ = xf;
}

QVariant TCellSlot::Value() const {
    switch (kind_) {
        case TKind::Record:
            return value_.Record->GetValue();
        case TKind::Blank:
            return {};
        case TKind::RK:
            return DecodeRK(value_.RK);
        case TKind::Number:
            return value_.Number;
        case TKind::BoolErr:
            return BoolErrValue(quint8(value_.BoolErr & 0xFF), (value_.BoolErr >> 8) != 0);
        case TKind::Label:
            return value_.Label->Str.Value();
    }
    return {};
}

bool TCellSlot::IsFormula() const { return kind_ == TKind::Record && value_.Record->IsFormula(); }

namespace {

// Record ids and payload sizes of the kinds a cell is kept plain as.
struct TPlainForm {
    quint16 Id;
    int Size;
};

TPlainForm PlainForm(TCellSlot::TKind kind) {
    switch (kind) {
        case TCellSlot::TKind::Blank:
            return {xlr::BLANK, 6};
        case TCellSlot::TKind::RK:
            return {xlr::RK, 10};
        case TCellSlot::TKind::Number:
            return {xlr::NUMBER, 14};
        case TCellSlot::TKind::BoolErr:
            return {xlr::BOOLERR, 8};
        case TCellSlot::TKind::Label:
            return {xlr::LABELSST, 10};
        case TCellSlot::TKind::Record:
            break;
    }
    return {0, 0};
}

}  // namespace

qint64 TCellSlot::TotalSize() const {
    return kind_ == TKind::Record ? value_.Record->TotalSize() : 4 + PlainForm(kind_).Size;
}

TCellSlot TCellSlot::Clone() const {
    if (kind_ == TKind::Record) return TCellSlot(static_cast<TCellRecord*>(value_.Record->Clone().release()));
    TCellSlot copy(kind_, column_, xf_);
    copy.value_ = value_;
    if (kind_ == TKind::Label) ++value_.Label->Refs;
    return copy;
}

TCellRecord* TCellSlot::MakeRecord(int row, TSST* sst) {
    if (kind_ == TKind::Record) return value_.Record;
    const quint16 r = quint16(row);
    std::unique_ptr<TCellRecord> record;
    switch (kind_) {
        case TKind::Blank:
            record = std::make_unique<TBlankRecord>(r, column_, xf_);
            break;
        case TKind::RK:
            record = std::make_unique<TRKRecord>(r, column_, xf_);
            SetLongWord(record->Data, 6, value_.RK);
            break;
        case TKind::Number:
            record = std::make_unique<TNumberRecord>(r, column_, xf_);
            record->SetValue(value_.Number);
            break;
        case TKind::BoolErr:
            record = std::make_unique<TBoolErrRecord>(r, column_, xf_);
            SetWord(record->Data, 6, value_.BoolErr);
            break;
        case TKind::Label:
            // The slot's reference goes over to the record.
            record = std::make_unique<TLabelSSTRecord>(r, sst, xf_, column_, value_.Label);
            break;
        case TKind::Record:
            break;
    }
    kind_ = TKind::Record;
    value_.Record = record.release();
    return value_.Record;
}

void TCellSlot::SaveToStream(QIODevice& stream, int row) const {
    if (kind_ == TKind::Record) {
        value_.Record->SaveToStream(stream);
        return;
    }
    const TPlainForm form = PlainForm(kind_);
    char bytes[4 + 14];
    auto put16 = [&](int pos, quint16 v) {
        bytes[pos] = char(v & 0xFF);
        bytes[pos + 1] = char(v >> 8);
    };
    auto put32 = [&](int pos, quint32 v) {
        put16(pos, quint16(v & 0xFFFF));
        put16(pos + 2, quint16(v >> 16));
    };
    put16(0, form.Id);
    put16(2, quint16(form.Size));
    put16(4, quint16(row));
    put16(6, column_);
    put16(8, xf_);
    switch (kind_) {
        case TKind::RK:
            put32(10, value_.RK);
            break;
        case TKind::Number: {
            const quint64 bits = std::bit_cast<quint64>(value_.Number);
            put32(10, quint32(bits));
            put32(14, quint32(bits >> 32));
            break;
        }
        case TKind::BoolErr:
            put16(10, value_.BoolErr);
            break;
        case TKind::Label:
            put32(10, quint32(value_.Label->PosInTable));
            break;
        case TKind::Blank:
        case TKind::Record:
            break;
    }
    WriteBytes(stream, bytes, 4 + form.Size);
}

TCellSlot TCellRecordList::SlotOf(std::unique_ptr<TCellRecord> cell) {
    // Only a record that is exactly one of the plain kinds, with its usual payload and nothing
    // after it, is taken apart: anything else is written back as it came.
    const TCellRecord& c = *cell;
    if (!c.Continue) {
        const int size = c.DataSize();
        const std::type_info& type = typeid(c);
        if (type == typeid(TRKRecord) && size == 10)
            return TCellSlot::RK(c.Column(), c.XF(), GetLongWord(c.Data, 6));
        if (type == typeid(TNumberRecord) && size == 14) {
            const quint64 bits = quint64(GetLongWord(c.Data, 6)) | quint64(GetLongWord(c.Data, 10)) << 32;
            return TCellSlot::Number(c.Column(), c.XF(), std::bit_cast<double>(bits));
        }
        if (type == typeid(TBlankRecord) && size == 6)
            return TCellSlot(TCellSlot::TKind::Blank, c.Column(), c.XF());
        if (type == typeid(TBoolErrRecord) && size == 8)
            return TCellSlot::BoolErr(c.Column(), c.XF(), GetWord(c.Data, 6));
        if (type == typeid(TLabelSSTRecord) && size == 10) {
            auto& label = static_cast<TLabelSSTRecord&>(*cell);
            if (label.SSTEntry()) return TCellSlot::Label(c.Column(), c.XF(), label.ReleaseEntry());
        }
    }
    return TCellSlot(cell.release());
}

TCellRecord* TCellRecordList::Cell(int i) const { return cells_[size_t(i)].MakeRecord(row_, sst_); }

void TCellRecordList::Add(std::unique_ptr<TCellRecord> cell) { AddPlain(SlotOf(std::move(cell))); }

void TCellRecordList::AddPlain(TCellSlot cell) {
    sorted_ = false;
    totalSize_ += cell.TotalSize();
    cells_.push_back(std::move(cell));
}

void TCellRecordList::Insert(int index, std::unique_ptr<TCellRecord> cell) {
    TCellSlot slot = SlotOf(std::move(cell));
    totalSize_ += slot.TotalSize();
    cells_.insert(cells_.begin() + index, std::move(slot));
}

void TCellRecordList::Delete(int index) {
    totalSize_ -= cells_[size_t(index)].TotalSize();
    cells_.erase(cells_.begin() + index);
}

bool TCellRecordList::Find(int column, int& index) {
    if (!sorted_) {
        std::stable_sort(cells_.begin(), cells_.end(),
                         [](const TCellSlot& a, const TCellSlot& b) { return a.Column() < b.Column(); });
        sorted_ = true;
    }
    auto it = std::lower_bound(cells_.begin(), cells_.end(), column,
                               [](const TCellSlot& s, int c) { return s.Column() < c; });
    index = int(it - cells_.begin());
    return it != cells_.end() && it->Column() == column;
}

void TCellRecordList::ArrangeInsert(int position, int count, const SheetInfo& info) {
    int newRow = row_;
    if (info.InsSheet >= 0 && info.InsSheet == info.FormulaSheet && row_ >= position) newRow = row_ + count;
    // Checked before anything moves, as each cell's own record would refuse it.
    if (!cells_.empty() && (newRow < 0 || newRow > kMaxRow))
        XlsError(XlsMessages::ErrTooManyEntries, newRow, kMaxRow);
    for (TCellSlot& c : cells_)
        if (c.IsRecord()) c.Record()->ArrangeInsert(position, count, info);
    if (newRow >= 0 && newRow <= kMaxRow) row_ = newRow;
}

void TCellRecordList::ArrangeCopy(int newRow) {
    row_ = newRow;
    for (TCellSlot& c : cells_)
        if (c.IsRecord()) c.Record()->ArrangeCopy(newRow);
}

void TCellRecordList::CopyFrom(const TCellRecordList& other, bool onlyFormulas) {
    cells_.reserve(cells_.size() + other.cells_.size());
    for (const TCellSlot& c : other.cells_)
        if (!onlyFormulas || c.IsFormula()) AddPlain(c.Clone());
}

void TCellRecordList::SaveToStream(QIODevice& stream) const {
    for (const TCellSlot& c : cells_) c.SaveToStream(stream, row_);
}

TCellRecordList& TCellList::EnsureRowList(int row) {
    if (row >= Count()) rows_list_.resize(size_t(row) + 1);
    if (!rows_list_[size_t(row)]) rows_list_[size_t(row)] = std::make_unique<TCellRecordList>(row, sst_);
    return *rows_list_[size_t(row)];
}

TXlsCellValue TCellList::GetValue(int row, int column) const {
    CheckRowCol(row, column);
    TXlsCellValue result;
    if (row >= Count() || !Row(row)) return result;
    int index;
    TCellRecordList& list = *Row(row);
    if (!list.Find(column, index)) return result;
    result.Value = list.Value(index);
    result.XF = list.XF(index);
    result.IsFormula = list.IsFormula(index);
    return result;
}

std::unique_ptr<TCellRecord> TCellList::MakeCell(int row, int column, int xf, int defaultXF,
                                                 const QVariant& value) const {
    quint16 r = quint16(row), c = quint16(column), x = quint16(xf);
    if (IsNumberVariant(value)) {
        quint32 rk;
        if (EncodeRK(value.toDouble(), rk)) return std::make_unique<TRKRecord>(r, c, x);
        return std::make_unique<TNumberRecord>(r, c, x);
    }
    switch (value.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            break;
        case QMetaType::QDate:
        case QMetaType::QDateTime:
            return std::make_unique<TLabelSSTRecord>(r, sst_, x, c);
        case QMetaType::QString:
        case QMetaType::QByteArray:
            if (value.toString().isEmpty()) break;
            return std::make_unique<TLabelSSTRecord>(r, sst_, x, c);
        case QMetaType::Bool:
            return std::make_unique<TBoolErrRecord>(r, c, x);
        default:
            return nullptr;
    }
    if (value.isNull() || value.toString().isEmpty())
        return xf == defaultXF ? nullptr : std::make_unique<TBlankRecord>(r, c, x);
    return nullptr;
}

void TCellList::SetValue(int row, int column, const TXlsCellValue& value) {
    CheckRowCol(row, column);
    rows_->EnsureRow(row);
    int defaultXF = rows_->RowRecord(row)->XF();
    int colIndex;
    if (defaultXF == 0 && colInfo_ && colInfo_->Find(column, colIndex)) defaultXF = (*colInfo_)[colIndex].XF;

    TCellRecordList* rowList = row < Count() ? Row(row) : nullptr;
    int index = 0;
    bool exists = rowList && rowList->Find(column, index);
    int xf = exists ? rowList->XF(index) : defaultXF;
    if (value.XF >= 0) xf = value.XF;

    std::unique_ptr<TCellRecord> cell = MakeCell(row, column, xf, defaultXF, value.Value);
    if (exists) rowList->Delete(index);
    if (!cell) return;

    TRowRecord* rowRecord = rows_->RowRecord(row);
    if (rowRecord->MaxCol() < column + 1) rowRecord->SetMaxCol(quint16(column + 1));
    if (rowRecord->MinCol() > column) rowRecord->SetMinCol(quint16(column));
    cell->SetValue(value.Value);
    TCellRecordList& list = EnsureRowList(row);
    list.Find(column, index);
    list.Insert(index, std::move(cell));
}

int TCellList::LastColumn(int row) const {
    if (row < 0 || row >= Count() || !Row(row) || Row(row)->Count() == 0) return 0;
    int index;
    Row(row)->Find(0, index);
    return Row(row)->Column(Row(row)->Count() - 1);
}

qint64 TCellList::TotalSize() const {
    qint64 size = 0;
    for (const auto& r : rows_list_)
        if (r) size += r->TotalSize();
    return size;
}

void TCells::AddCell(std::unique_ptr<TCellRecord> cell) {
    int row = cell->Row();
    CellList.EnsureRowList(row).Add(std::move(cell));
}

void TCells::AddMultiple(std::unique_ptr<TMultipleValueRecord> record) {
    TCellRecordList& list = CellList.EnsureRowList(record->Row());
    const int count = record->CellCount();
    const quint16 first = record->FirstColumn();
    list.Reserve(count);
    // A column past the last wraps as the record's own 16-bit arithmetic does.
    if (record->Id == xlr::MULRK) {
        const auto& mulrk = static_cast<const TMulRKRecord&>(*record);
        for (int i = 0; i < count; ++i)
            list.AddPlain(TCellSlot::RK(quint16(first + i), mulrk.CellXF(i), mulrk.CellRK(i)));
    } else {
        for (int i = 0; i < count; ++i)
            list.AddPlain(TCellSlot(TCellSlot::TKind::Blank, quint16(first + i), record->CellXF(i)));
    }
}

void TCells::AddRow(std::unique_ptr<TRowRecord> row) {
    int r = row->Row();
    if (RowList.HasRow(r)) XlsError(XlsMessages::ErrDupRow);
    RowList.PlaceRow(r, std::move(row));
}

void TCells::DeleteRows(int row, int count, const SheetInfo& info) {
    for (int i = std::min(row + count, RowList.Count()) - 1; i >= row; --i) RowList.Delete(i);
    auto& cells = CellList.rows_list_;
    int end = std::min<int>(row + count, int(cells.size()));
    if (row < end) cells.erase(cells.begin() + row, cells.begin() + end);
    ArrangeInsert(row, -count, info);
}

void TCells::InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info,
                               bool onlyFormulas) {
    int inserted = copies * (last - first + 1);
    ArrangeInsert(destination, inserted, info);

    int i = destination, shift = 0;
    for (int c = 0; c < copies; ++c) {
        for (int r = first; r <= last; ++r) {
            int source = r + shift;
            std::unique_ptr<TBaseRecord> rowCopy;
            if (RowList.HasRow(source)) {
                rowCopy = RowList[source]->Clone();
                static_cast<TRowRecord&>(*rowCopy).ArrangeCopy(i);
            }
            auto cellCopy = std::make_unique<TCellRecordList>(i, CellList.sst_);
            auto& cells = CellList.rows_list_;
            if (source < int(cells.size()) && cells[size_t(source)])
                cellCopy->CopyFrom(*cells[size_t(source)], onlyFormulas);
            cellCopy->ArrangeCopy(i);

            if (i > RowList.Count()) RowList.PlaceRow(i - 1, nullptr);
            RowList.Insert(i, std::move(rowCopy));
            if (i > int(cells.size())) cells.resize(size_t(i));
            cells.insert(cells.begin() + i, std::move(cellCopy));
            ++i;
            if (first >= destination) ++shift;
        }
    }
}

void TCells::ArrangeInsert(int row, int count, const SheetInfo& info) {
    RowList.ArrangeInsert(row, count, info);
    for (auto& r : CellList.rows_list_)
        if (r) r->ArrangeInsert(row, count, info);
}

void TCells::CopyFrom(const TCells& other) {
    RowList.CopyFrom(other.RowList);
    auto& cells = CellList.rows_list_;
    for (const auto& r : other.CellList.rows_list_) {
        auto copy = std::make_unique<TCellRecordList>(int(cells.size()), CellList.sst_);
        if (r) copy->CopyFrom(*r);
        cells.push_back(std::move(copy));
    }
}

void TCells::Clear() {
    CellList.Clear();
    RowList.Clear();
}

void TCells::SaveToStream(QIODevice& stream) const {
    const auto& cells = CellList.rows_list_;
    for (int r = RowList.Count(); r < int(cells.size()); ++r)
        if (cells[size_t(r)] && cells[size_t(r)]->Count() > 0) XlsError(XlsMessages::ErrRowMissing);
    int i = 0;
    while (i < RowList.Count()) {
        int j = i, written = 0;
        while (j < RowList.Count() && written < kRowsPerBlock) {
            if (RowList[j]) {
                RowList[j]->SaveToStream(stream);
                ++written;
            }
            ++j;
        }
        for (int r = i; r < j && r < int(cells.size()); ++r)
            if (cells[size_t(r)]) cells[size_t(r)]->SaveToStream(stream);
        i = j;
    }
}
