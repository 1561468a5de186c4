#include "XLSAdapter/UXlsCondFmt.h"

#include <QIODevice>
#include <algorithm>

#include "XLSAdapter/UXlsTokenArray.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kMaxRow = 65535;
constexpr quint16 kCF = 0x01B1;

bool OwnSheet(const SheetInfo& info) { return info.InsSheet >= 0 && info.InsSheet == info.FormulaSheet; }

}  // namespace

TCFRecord::TCFRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) { CheckSize(6); }

void TCFRecord::Bounds(int& start1, int& start2) const {
    start2 = Data.size() - GetWord(Data, 4);
    start1 = start2 - GetWord(Data, 2);
    if (start1 < 6) XlsError(XlsMessages::ErrInvalidCF);
}

void TCFRecord::ArrangeInsert(int row, int count, const SheetInfo& info) {
    int s1, s2;
    Bounds(s1, s2);
    try {
        ArrangeInsertTokens(Data, s1, s2, row, count, info, 0);
        ArrangeInsertTokens(Data, s2, Data.size(), row, count, info, 0);
    } catch (const ETokenException& e) {
        XlsError(XlsMessages::ErrBadCondFmt, TokenIdText(e.TokenId));
    }
}

void TCFRecord::CheckTokens() const {
    int s1, s2;
    Bounds(s1, s2);
    try {
        ::CheckTokens(Data, s1, s2);
        ::CheckTokens(Data, s2, Data.size());
    } catch (const ETokenException& e) {
        XlsError(XlsMessages::ErrBadCondFmt, TokenIdText(e.TokenId));
    }
}

void TCondFmt::LoadFromStream(QIODevice& stream, const TBaseRecord& record) {
    if (record.DataSize() < 12) XlsError(XlsMessages::ErrInvalidRecordId, QString::number(record.Id, 16));
    int rules = GetWord(record.Data, 0);
    Flag = GetWord(record.Data, 2);
    AllRange = {GetWord(record.Data, 4), GetWord(record.Data, 6), GetWord(record.Data, 8),
                GetWord(record.Data, 10)};
    RangeValuesList.LoadFromRecord(record, 12);
    for (int i = 0; i < rules; ++i) {
        char header[4];
        if (stream.read(header, 4) != 4) XlsError(XlsMessages::ErrExcelInvalid);
        if (quint16(quint8(header[0]) | (quint8(header[1]) << 8)) != kCF) XlsError(XlsMessages::ErrInvalidCF);
        Rules.Add(LoadRecord(stream, header));
    }
}

std::unique_ptr<TRangeEntry> TCondFmt::Clone() const {
    auto copy = std::make_unique<TCondFmt>();
    copy->RangeValuesList.CopyFrom(RangeValuesList);
    copy->Flag = Flag;
    copy->AllRange = AllRange;
    copy->Rules.CopyFrom(Rules);
    return copy;
}

void TCondFmt::SaveToStream(QIODevice& stream) const {
    if (RangeValuesList.Ranges.empty()) return;
    for (int i = 0; i < RangeValuesList.RecordCount(); ++i) {
        QByteArray head(4 + 12, '\0');
        SetWord(head, 0, 0x01B0);
        SetWord(head, 2, quint16(RangeValuesList.RecordSize(i)));
        SetWord(head, 4, quint16(Rules.Count()));
        SetWord(head, 6, Flag);
        SetWord(head, 8, AllRange.R1);
        SetWord(head, 10, AllRange.R2);
        SetWord(head, 12, AllRange.C1);
        SetWord(head, 14, AllRange.C2);
        WriteBytes(stream, head.constData(), head.size());
        RangeValuesList.WriteRecordBody(stream, i);
        Rules.SaveToStream(stream);
    }
}

qint64 TCondFmt::TotalSize() const {
    if (RangeValuesList.Ranges.empty()) return 0;
    return RangeValuesList.TotalSize() + RangeValuesList.RecordCount() * Rules.TotalSize();
}

void TCondFmt::ArrangeInsert(int row, int count, const SheetInfo& info) {
    if (OwnSheet(info) && AllRange.R2 >= row) {
        RangeValuesList.ArrangeInsert(row, count);
        TRangeValuesList all(0);
        all.Ranges.push_back(AllRange);
        all.ArrangeInsert(row, count);
        AllRange = all.Ranges[0];
    }
    for (int i = 0; i < Rules.Count(); ++i)
        static_cast<TCFRecord*>(Rules[i])->ArrangeInsert(row, count, info);
}

void TCondFmt::DeleteRows(int row, int count, const SheetInfo& info) {
    RangeValuesList.DeleteRanges(row, count, true);
    ArrangeInsert(row, -count, info);
}

void TCondFmt::Widen(const TExcelRange& r) {
    AllRange.R1 = std::min(AllRange.R1, r.R1);
    AllRange.R2 = std::max(AllRange.R2, r.R2);
    AllRange.C1 = std::min(AllRange.C1, r.C1);
    AllRange.C2 = std::max(AllRange.C2, r.C2);
}

void TCondFmt::InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies, int destination) {
    int height = last - first + 1;
    int h = copies * height;
    bool met = last >= AllRange.R1 && first <= AllRange.R2;
    auto& ranges = RangeValuesList.Ranges;
    size_t before = ranges.size();
    ArrangeInsert(destination, h, info);
    if (!met) return;
    int f = first, l = last;
    if (first >= destination) {
        f += h;
        l += h;
    }
    std::vector<TExcelRange> added;
    for (size_t i = 0; i < before; ++i) {
        TExcelRange& r = ranges[i];
        if (r.R2 < f || r.R1 > l) continue;
        if (first < destination) {
            if (r.R2 >= destination) continue;  // it reached the destination and has moved with it
            if (r.R2 == destination - 1 && r.R1 <= first) {
                quint16 r2 = r.R2;
                IncMax(r2, h, kMaxRow);
                r.R2 = r2;
                Widen(r);
                continue;
            }
        } else {
            if (r.R1 < destination + h) continue;
            if (r.R1 == destination + h && r.R2 >= l) {
                r.R1 = quint16(r.R1 - h);
                Widen(r);
                continue;
            }
        }
        if (r.R1 <= f && r.R2 >= l) {
            added.push_back({quint16(destination), quint16(destination + h - 1), r.C1, r.C2});
            continue;
        }
        int top = std::max<int>(r.R1, f), bottom = std::min<int>(r.R2, l);
        for (int c = 0; c < copies; ++c) {
            quint16 r1 = quint16(top), r2 = quint16(bottom);
            int delta = destination + c * height - f;
            IncMax(r1, delta, kMaxRow);
            IncMax(r2, delta, kMaxRow);
            added.push_back({r1, r2, r.C1, r.C2});
        }
    }
    for (const TExcelRange& r : added) {
        ranges.push_back(r);
        Widen(r);
    }
}

void TCondFmt::CheckTokens() const {
    for (int i = 0; i < Rules.Count(); ++i) static_cast<TCFRecord*>(Rules[i])->CheckTokens();
}
