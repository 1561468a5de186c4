#pragma once

#include <vector>

#include "XLSAdapter/UXlsBaseRecords.h"

// The manual horizontal page breaks of a worksheet, one per row at most, kept in row order.

XLS_PLAIN_RECORD(THPageBreakRecord, TBaseRecord)

struct TPageBreak {
    quint16 Row = 0;
    quint16 FirstCol = 0;
    quint16 LastCol = 255;
};

class TPageBreakList {
public:
    std::vector<TPageBreak> Breaks;
    // Breaks of rows already in the list are dropped; the record is the caller's to free.
    void LoadFromRecord(const TBaseRecord& record);
    void AddPageBreak(int row);
    void DeleteRows(int row, int count);
    void InsertRows(int row, int count);
    void CopyFrom(const TPageBreakList& other) { Breaks = other.Breaks; }
    void SaveToStream(QIODevice& stream) const;
    qint64 TotalSize() const { return Breaks.empty() ? 0 : 6 * qint64(Breaks.size()) + 6; }

private:
    void Insert(const TPageBreak& pb);
};
