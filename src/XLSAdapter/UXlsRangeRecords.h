#pragma once

#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecordLists.h"

// Records that describe rectangles of cells (merged cells, conditional formats) rather than single
// cells. They follow the rows when rows are inserted, copied or deleted and are written anew, cut
// into records of bounded size.

XLS_PLAIN_RECORD(TRangeRecord, TBaseRecord)
XLS_PLAIN_RECORD(TCellMergingRecord, TRangeRecord)
XLS_PLAIN_RECORD(TDValRecord, TRangeRecord)
XLS_PLAIN_RECORD(TCondFmtRecord, TRangeRecord)

struct TExcelRange {
    quint16 R1 = 0, R2 = 0, C1 = 0, C2 = 0;
    bool Holds(int row, int col) const { return row >= R1 && row <= R2 && col >= C1 && col <= C2; }
};

class TRangeValuesList {
public:
    explicit TRangeValuesList(int otherDataLen) : OtherDataLen(otherDataLen) {}
    const int OtherDataLen;
    std::vector<TExcelRange> Ranges;

    // A range count and that many ranges, read across CONTINUE records.
    void LoadFromRecord(const TBaseRecord& record, int position);
    // Rows inserted (count > 0) or deleted (count < 0) at `row`.
    void ArrangeInsert(int row, int count);
    // Removes the ranges that lie inside deleted rows; with `keepSingleColumns` off also those
    // that would shrink to one cell.
    void DeleteRanges(int row, int count, bool keepSingleColumns);
    int PerRecord() const { return (8221 - OtherDataLen) / 8; }
    int RecordCount() const;
    void WriteRecordBody(QIODevice& stream, int recordIndex) const;
    int RecordSize(int recordIndex) const;
    qint64 TotalSize() const;
    void CopyFrom(const TRangeValuesList& other) { Ranges = other.Ranges; }
};

// One merged-cell or conditional-format object.
class TRangeEntry {
public:
    explicit TRangeEntry(int otherDataLen) : RangeValuesList(otherDataLen) {}
    virtual ~TRangeEntry() = default;
    TRangeValuesList RangeValuesList;

    virtual std::unique_ptr<TRangeEntry> Clone() const = 0;
    virtual void SaveToStream(QIODevice& stream) const = 0;
    virtual qint64 TotalSize() const = 0;
    virtual void ArrangeInsert(int row, int count, const SheetInfo& info) = 0;
    virtual void InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies,
                                   int destination) = 0;
    virtual void DeleteRows(int row, int count, const SheetInfo& info) = 0;
    // Lets a row operation refuse before anything moved.
    virtual void CheckTokens() const {}

    // The first range holding the cell.
    bool Find(int row, int col, TExcelRange& range) const;
};

class TMergedCells : public TRangeEntry {
public:
    TMergedCells() : TRangeEntry(0) {}
    // The ranges of a MERGEDCELLS record; the record is the caller's to free.
    void LoadFromRecord(const TBaseRecord& record) { RangeValuesList.LoadFromRecord(record, 0); }
    std::unique_ptr<TRangeEntry> Clone() const override;
    void SaveToStream(QIODevice& stream) const override;
    qint64 TotalSize() const override;
    void ArrangeInsert(int row, int count, const SheetInfo& info) override;
    void InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies, int destination) override;
    void DeleteRows(int row, int count, const SheetInfo& info) override;
};

class TRangeList {
public:
    int Count() const { return int(items_.size()); }
    TRangeEntry& operator[](int i) const { return *items_[size_t(i)]; }
    void Add(std::unique_ptr<TRangeEntry> entry) { items_.push_back(std::move(entry)); }
    void Clear() { items_.clear(); }
    void CopyFrom(const TRangeList& other);
    void SaveToStream(QIODevice& stream) const;
    qint64 TotalSize() const;
    void ArrangeInsert(int row, int count, const SheetInfo& info);
    void InsertAndCopyRows(int first, int last, const SheetInfo& info, int copies, int destination);
    void DeleteRows(int row, int count, const SheetInfo& info);
    void CheckTokens() const;

private:
    std::vector<std::unique_ptr<TRangeEntry>> items_;
};
