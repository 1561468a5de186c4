#include "XLSAdapter/UXlsRowColEntries.h"

#include <QDateTime>
#include <algorithm>

#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsSST.h"
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

bool TCellRecordList::Find(int column, int& index) {
    if (!sorted_) {
        std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
            return static_cast<TCellRecord*>(a.get())->Column() <
                   static_cast<TCellRecord*>(b.get())->Column();
        });
        sorted_ = true;
    }
    auto it = std::lower_bound(items_.begin(), items_.end(), column, [](const auto& r, int c) {
        return static_cast<TCellRecord*>(r.get())->Column() < c;
    });
    index = int(it - items_.begin());
    return it != items_.end() && static_cast<TCellRecord*>(it->get())->Column() == column;
}

TCellRecordList& TCellList::EnsureRowList(int row) {
    if (row >= Count()) rows_list_.resize(size_t(row) + 1);
    if (!rows_list_[size_t(row)]) rows_list_[size_t(row)] = std::make_unique<TCellRecordList>();
    return *rows_list_[size_t(row)];
}

TXlsCellValue TCellList::GetValue(int row, int column) const {
    CheckRowCol(row, column);
    TXlsCellValue result;
    if (row >= Count() || !Row(row)) return result;
    int index;
    if (!Row(row)->Find(column, index)) return result;
    TCellRecord* cell = Row(row)->Cell(index);
    result.Value = cell->GetValue();
    result.XF = cell->XF();
    result.IsFormula = cell->IsFormula();
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
    int xf = exists ? rowList->Cell(index)->XF() : defaultXF;
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
    return Row(row)->Cell(Row(row)->Count() - 1)->Column();
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
    while (!record->Eof()) AddCell(record->NextRecord());
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
            auto cellCopy = std::make_unique<TCellRecordList>();
            auto& cells = CellList.rows_list_;
            if (source < int(cells.size()) && cells[size_t(source)]) {
                const TCellRecordList& from = *cells[size_t(source)];
                for (int k = 0; k < from.Count(); ++k)
                    if (!onlyFormulas || from.Cell(k)->IsFormula()) cellCopy->Add(from[k]->Clone());
            }
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
        auto copy = std::make_unique<TCellRecordList>();
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
