#pragma once

#include <QVariant>
#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsCellRecords.h"

class TSST;
class TColInfoList;
class TMultipleValueRecord;

// A cell's value with its format, as the adapter exchanges it. XF -1 means none, or keep.
struct TXlsCellValue {
    QVariant Value;
    int XF = -1;
    bool IsFormula = false;
};

// The ROW records of a sheet, indexed by row; rows without one hold an empty slot.
class TRowRecordList : public TBaseRowColRecordList {
public:
    bool HasRow(int row) const { return row >= 0 && row < Count() && items_[size_t(row)]; }
    TRowRecord* RowRecord(int row) const;
    void EnsureRow(int row);
    // Pads with empty slots up to `row` and puts the record there.
    void PlaceRow(int row, std::unique_ptr<TBaseRecord> record);
};

// The cells of one row, sorted by column once they have been searched.
class TCellRecordList : public TBaseRowColRecordList {
public:
    TCellRecord* Cell(int i) const { return static_cast<TCellRecord*>(items_[size_t(i)].get()); }
    void Add(std::unique_ptr<TBaseRecord> record) {
        sorted_ = false;
        TBaseRecordList::Add(std::move(record));
    }
    // Binary search by column; the index is the insertion point when not found.
    bool Find(int column, int& index);

private:
    bool sorted_ = false;
};

// One TCellRecordList per row, made on demand.
class TCellList {
public:
    TCellList(TSST* sst, TRowRecordList* rows, TColInfoList* colInfo)
        : sst_(sst), rows_(rows), colInfo_(colInfo) {}

    int Count() const { return int(rows_list_.size()); }
    TCellRecordList* Row(int row) const { return rows_list_[size_t(row)].get(); }
    // The row's list, made (with the rows before it) when missing.
    TCellRecordList& EnsureRowList(int row);

    TXlsCellValue GetValue(int row, int column) const;
    void SetValue(int row, int column, const TXlsCellValue& value);
    int LastColumn(int row) const;
    static bool Find(TCellRecordList& rowList, int column, int& index) { return rowList.Find(column, index); }

    qint64 TotalSize() const;
    void Clear() { rows_list_.clear(); }

private:
    friend class TCells;
    TSST* sst_;
    TRowRecordList* rows_;
    TColInfoList* colInfo_;
    std::vector<std::unique_ptr<TCellRecordList>> rows_list_;

    std::unique_ptr<TCellRecord> MakeCell(int row, int column, int xf, int defaultXF,
                                          const QVariant& value) const;
};

// The cell table of one worksheet.
class TCells {
public:
    TCells(TSST* sst, TColInfoList* colInfo) : CellList(sst, &RowList, colInfo) {}

    TRowRecordList RowList;
    TCellList CellList;

    void AddCell(std::unique_ptr<TCellRecord> cell);
    // Splits a MULRK or MULBLANK into single cells; the multiple record is freed.
    void AddMultiple(std::unique_ptr<TMultipleValueRecord> record);
    void AddRow(std::unique_ptr<TRowRecord> row);

    void DeleteRows(int row, int count, const SheetInfo& info);
    void InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info,
                           bool onlyFormulas);
    void ArrangeInsert(int row, int count, const SheetInfo& info);
    void CopyFrom(const TCells& other);
    void Clear();
    // ROW records in blocks of 32, each block followed by the cells of its rows.
    void SaveToStream(QIODevice& stream) const;
    qint64 TotalSize() const { return RowList.TotalSize() + CellList.TotalSize(); }
};
