#pragma once

#include <QVariant>
#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsCellRecords.h"

class TSST;
struct TSSTEntry;
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

// One cell of a row as the cell table keeps it. Blanks, numbers, booleans and texts, which make
// up nearly every cell of a large workbook, are kept as these 16 bytes instead of a record object
// with its own payload (four times as much, and one allocation each); a cell whose record is asked
// for becomes a record then and stays one, and formulas and other kinds are records from the start.
class TCellSlot {
public:
    enum class TKind : quint8 { Record, Blank, RK, Number, BoolErr, Label };

    explicit TCellSlot(TCellRecord* record) : kind_(TKind::Record) { value_.Record = record; }
    TCellSlot(TKind kind, quint16 column, quint16 xf) : column_(column), xf_(xf), kind_(kind) {
        value_.Number = 0;
    }
    static TCellSlot RK(quint16 column, quint16 xf, quint32 rk);
    static TCellSlot Number(quint16 column, quint16 xf, double number);
    static TCellSlot BoolErr(quint16 column, quint16 xf, quint16 valueAndKind);
    // Takes over one reference the caller holds to `entry`.
    static TCellSlot Label(quint16 column, quint16 xf, TSSTEntry* entry);

    ~TCellSlot() { Release(); }
    TCellSlot(TCellSlot&& other) noexcept;
    TCellSlot& operator=(TCellSlot&& other) noexcept;
    TCellSlot(const TCellSlot&) = delete;
    TCellSlot& operator=(const TCellSlot&) = delete;

    TKind Kind() const { return kind_; }
    bool IsRecord() const { return kind_ == TKind::Record; }
    TCellRecord* Record() const { return kind_ == TKind::Record ? value_.Record : nullptr; }
    quint16 Column() const;
    quint16 XF() const;
    void SetXF(quint16 xf);
    QVariant Value() const;
    bool IsFormula() const;
    // What the cell adds to a saved sheet, header included.
    qint64 TotalSize() const;
    // A copy: a record is cloned, a text shares its entry (with one more reference).
    TCellSlot Clone() const;
    // Makes the cell's record (row `row`, texts from `sst`) and keeps it from then on.
    TCellRecord* MakeRecord(int row, TSST* sst);
    void SaveToStream(QIODevice& stream, int row) const;

private:
    quint16 column_ = 0;
    quint16 xf_ = 0;
    TKind kind_;
    union {
        quint32 RK;
        double Number;
        quint16 BoolErr;  // value byte, then 1 for an error code
        TSSTEntry* Label;
        TCellRecord* Record;
    } value_;

    void Release();
};

// The cells of one row, sorted by column once they have been searched. The list knows its row:
// its plain cells have none of their own.
class TCellRecordList {
public:
    TCellRecordList(int row, TSST* sst) : row_(row), sst_(sst) {}

    int Count() const { return int(cells_.size()); }
    int Row() const { return row_; }
    quint16 Column(int i) const { return cells_[size_t(i)].Column(); }
    quint16 XF(int i) const { return cells_[size_t(i)].XF(); }
    void SetXF(int i, quint16 xf) { cells_[size_t(i)].SetXF(xf); }
    QVariant Value(int i) const { return cells_[size_t(i)].Value(); }
    bool IsFormula(int i) const { return cells_[size_t(i)].IsFormula(); }
    // The cell's record, made when the cell was kept plain until now. Whoever only reads a value
    // or a format asks the list instead, which keeps the cell small.
    TCellRecord* Cell(int i) const;

    // A cell of a record kind kept plain is taken apart into its slot.
    void Add(std::unique_ptr<TCellRecord> cell);
    void Insert(int index, std::unique_ptr<TCellRecord> cell);
    // Cells split out of a row of values, which never need a record of their own.
    void AddPlain(TCellSlot cell);
    // Room for `count` more cells: a row of values says how many it brings, and a list grown by
    // doubling would leave a quarter of a large sheet's cell memory unused.
    void Reserve(int count) { cells_.reserve(cells_.size() + size_t(count)); }
    void Delete(int index);
    // Binary search by column; the index is the insertion point when not found.
    bool Find(int column, int& index);

    // Moves the row by `count` when it lies at or below `position` on the changed sheet, and the
    // references of its formulas; a row pushed past the last one raises "Too many entries".
    void ArrangeInsert(int position, int count, const SheetInfo& info);
    void ArrangeCopy(int newRow);
    // Appends copies of `other`'s cells (only the formulas when asked).
    void CopyFrom(const TCellRecordList& other, bool onlyFormulas = false);

    void SaveToStream(QIODevice& stream) const;
    qint64 TotalSize() const { return totalSize_; }
    // A caller that changed a record's length in place corrects the sum.
    void AdjustTotalSize(qint64 delta) { totalSize_ += delta; }

private:
    int row_;
    TSST* sst_;
    mutable std::vector<TCellSlot> cells_;
    qint64 totalSize_ = 0;
    bool sorted_ = false;

    static TCellSlot SlotOf(std::unique_ptr<TCellRecord> cell);
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
