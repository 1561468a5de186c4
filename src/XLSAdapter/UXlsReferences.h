#pragma once

#include <vector>

#include "XLSAdapter/UXlsBaseRecordLists.h"

// How 3D references find their sheets: a formula names an EXTERNSHEET entry, the entry names a
// SUPBOOK (a workbook, ours among them) and a range of its sheets.

class TSupBookRecord : public TBaseRecord {
    XLS_CLONEABLE(TSupBookRecord)
    using TBaseRecord::TBaseRecord;
    // The workbook's own SUPBOOK: a sheet count and the marker 0x0401.
    bool IsLocal() const { return Data.size() == 4 && GetWord(Data, 2) == 0x0401; }
};

XLS_PLAIN_RECORD(TExternSheetRecord, TBaseRecord)

struct TExternRef {
    quint16 SupBook = 0;
    quint16 FirstSheet = 0;
    quint16 LastSheet = 0;
};

class TReferences {
public:
    TBaseRecordList SupBooks;
    std::vector<TExternRef> ExternRefs;
    int LocalSupBook = -1;

    void AddSupBook(std::unique_ptr<TBaseRecord> record);
    // Reads the entries of an EXTERNSHEET (and its CONTINUE records); the record stays the caller's.
    void AddExternSheet(const TBaseRecord& record);
    // The sheet an entry stands for, when it is one sheet of this workbook; else -1.
    int GetSheet(int index) const;
    // The entry for one sheet of this workbook, made when there is none; -1 without our SUPBOOK.
    int SetSheet(int sheet);
    void InsertSheets(int position, int count);
    void SaveToStream(QIODevice& stream) const;
    qint64 TotalSize() const;
    void Clear();
    // Binds the mappings for a reference-moving operation.
    void Bind(SheetInfo& info);
};
