#include "XLSAdapter/UXlsRangeRecords.h"

#include <QIODevice>
#include <algorithm>

#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kMaxRow = 65535;

}  // namespace

void TRangeValuesList::LoadFromRecord(const TBaseRecord& record, int position) {
    const TBaseRecord* r = &record;
    int pos = position;
    QByteArray buf;
    ReadMem(r, pos, 2, &buf);
    int count = GetWord(buf, 0);
    Ranges.reserve(Ranges.size() + size_t(count));
    for (int i = 0; i < count; ++i) {
        buf.clear();
        ReadMem(r, pos, 8, &buf);
        Ranges.push_back({GetWord(buf, 0), GetWord(buf, 2), GetWord(buf, 4), GetWord(buf, 6)});
    }
}

void TRangeValuesList::ArrangeInsert(int row, int count) {
    for (TExcelRange& r : Ranges) {
        int r1 = r.R1, r2 = r.R2;
        if (r1 >= row) r1 = std::clamp(r1 + count, row, kMaxRow);
        if (r2 >= row) {
            // A range that reaches into deleted rows from above keeps what stays above them; it
            // must not lose rows that were never deleted.
            if (count < 0 && r2 < row - count)
                r2 = row - 1;
            else
                r2 += count;
            r2 = std::clamp(r2, r1, kMaxRow);
        }
        r.R1 = quint16(r1);
        r.R2 = quint16(r2);
    }
}

void TRangeValuesList::DeleteRanges(int row, int count, bool keepSingleColumns) {
    std::erase_if(Ranges, [&](const TExcelRange& r) {
        if (r.R1 < row) return false;
        if (r.R2 < row + count) return true;
        return !keepSingleColumns && r.R2 == row + count && r.C1 == r.C2;
    });
}

int TRangeValuesList::RecordCount() const {
    if (Ranges.empty()) return 1;
    return (int(Ranges.size()) - 1) / PerRecord() + 1;
}

int TRangeValuesList::RecordSize(int recordIndex) const {
    int n = std::min(PerRecord(), int(Ranges.size()) - recordIndex * PerRecord());
    return OtherDataLen + 2 + 8 * std::max(n, 0);
}

void TRangeValuesList::WriteRecordBody(QIODevice& stream, int recordIndex) const {
    int first = recordIndex * PerRecord();
    int n = std::max(0, std::min(PerRecord(), int(Ranges.size()) - first));
    QByteArray body(2 + 8 * n, '\0');
    SetWord(body, 0, quint16(n));
    for (int i = 0; i < n; ++i) {
        const TExcelRange& r = Ranges[size_t(first + i)];
        SetWord(body, 2 + 8 * i, r.R1);
        SetWord(body, 4 + 8 * i, r.R2);
        SetWord(body, 6 + 8 * i, r.C1);
        SetWord(body, 8 + 8 * i, r.C2);
    }
    WriteBytes(stream, body.constData(), body.size());
}

qint64 TRangeValuesList::TotalSize() const {
    return qint64(RecordCount()) * (OtherDataLen + 6) + 8 * qint64(Ranges.size());
}

bool TRangeEntry::Find(int row, int col, TExcelRange& range) const {
    for (const TExcelRange& r : RangeValuesList.Ranges) {
        if (r.Holds(row, col)) {
            range = r;
            return true;
        }
    }
    return false;
}

std::unique_ptr<TRangeEntry> TMergedCells::Clone() const {
    auto copy = std::make_unique<TMergedCells>();
    copy->RangeValuesList.CopyFrom(RangeValuesList);
    return copy;
}

void TMergedCells::SaveToStream(QIODevice& stream) const {
    if (RangeValuesList.Ranges.empty()) return;
    for (int i = 0; i < RangeValuesList.RecordCount(); ++i) {
        QByteArray header(4, '\0');
        SetWord(header, 0, 0x00E5);
        SetWord(header, 2, quint16(RangeValuesList.RecordSize(i)));
        WriteBytes(stream, header.constData(), 4);
        RangeValuesList.WriteRecordBody(stream, i);
    }
}

qint64 TMergedCells::TotalSize() const {
    return RangeValuesList.Ranges.empty() ? 0 : RangeValuesList.TotalSize();
}

void TMergedCells::ArrangeInsert(int row, int count, const SheetInfo& info) {
    if (info.InsSheet >= 0 && info.InsSheet == info.FormulaSheet) RangeValuesList.ArrangeInsert(row, count);
}

void TMergedCells::DeleteRows(int row, int count, const SheetInfo& info) {
    RangeValuesList.DeleteRanges(row, count, false);
    ArrangeInsert(row, -count, info);
}

void TMergedCells::InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies,
                                     int destination) {
    int height = last - first + 1;
    int inserted = copies * height;
    auto& ranges = RangeValuesList.Ranges;
    size_t before = ranges.size();
    ArrangeInsert(destination, inserted, info);
    int f = first, l = last;
    if (first >= destination) {
        f += inserted;
        l += inserted;
    }
    for (size_t i = 0; i < before; ++i) {
        TExcelRange r = ranges[i];
        if (r.R1 < f || r.R2 > l) continue;
        for (int c = 0; c < copies; ++c) {
            quint16 r1 = r.R1, r2 = r.R2;
            int delta = destination + c * height - f;
            IncMax(r1, delta, kMaxRow);
            IncMax(r2, delta, kMaxRow);
            ranges.push_back({r1, r2, r.C1, r.C2});
        }
    }
}

void TRangeList::CopyFrom(const TRangeList& other) {
    for (const auto& e : other.items_) items_.push_back(e->Clone());
}

void TRangeList::SaveToStream(QIODevice& stream) const {
    for (const auto& e : items_) e->SaveToStream(stream);
}

qint64 TRangeList::TotalSize() const {
    qint64 size = 0;
    for (const auto& e : items_) size += e->TotalSize();
    return size;
}

void TRangeList::ArrangeInsert(int row, int count, const SheetInfo& info) {
    for (const auto& e : items_) e->ArrangeInsert(row, count, info);
}

void TRangeList::InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies, int destination) {
    for (const auto& e : items_) e->InsertAndCopyRows(first, last, info, copies, destination);
}

void TRangeList::DeleteRows(int row, int count, const SheetInfo& info) {
    for (const auto& e : items_) e->DeleteRows(row, count, info);
}

void TRangeList::CheckTokens() const {
    for (const auto& e : items_) e->CheckTokens();
}
