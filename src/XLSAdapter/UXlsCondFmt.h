#pragma once

#include "XLSAdapter/UXlsRangeRecords.h"

// One rule of a conditional format: a condition and up to two formulas at the end of its payload.
class TCFRecord : public TBaseRecord {
    XLS_CLONEABLE(TCFRecord)
    TCFRecord(quint16 id, QByteArray data);
    void ArrangeInsert(int row, int count, const SheetInfo& info);
    void CheckTokens() const;

private:
    // Where the two formulas lie; a pair of lengths that does not fit the record is refused.
    void Bounds(int& start1, int& start2) const;
};

// A CONDFMT record with its ranges and the CF records that followed it.
class TCondFmt : public TRangeEntry {
public:
    TCondFmt() : TRangeEntry(12) {}
    quint16 Flag = 0;
    TExcelRange AllRange;
    TBaseRecordList Rules;

    // Takes the CONDFMT just read and reads its CF records from the stream.
    void LoadFromStream(QIODevice& stream, const TBaseRecord& record);
    std::unique_ptr<TRangeEntry> Clone() const override;
    void SaveToStream(QIODevice& stream) const override;
    qint64 TotalSize() const override;
    void ArrangeInsert(int row, int count, const SheetInfo& info) override;
    void InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies, int destination) override;
    void DeleteRows(int row, int count, const SheetInfo& info) override;
    void CheckTokens() const override;

private:
    void Widen(const TExcelRange& r);
};
