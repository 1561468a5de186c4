#pragma once

#include <QVariant>

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsBaseRecords.h"

class TReferences;

// A data table's TABLE record, which travels with the formula before it.
class TTableRecord : public TBaseRecord {
    XLS_CLONEABLE(TTableRecord)
    TTableRecord(quint16 id, QByteArray data);
    // The four row fields (first, last, input row, input column); 0xFFFF marks an unused one.
    void ArrangeInsert(int position, int count);
    void ArrangeCopy(int offset);
};

// A formula cell. Its cached result is kept in memory only: the saved record asks the spreadsheet
// program to recalculate, so no STRING record ever has to follow it.
class TFormulaRecord : public TCellRecord {
public:
    // A record read from a file gives up its stored result (see above); a clone keeps its bytes.
    TFormulaRecord(quint16 id, QByteArray data, bool fromFile = true);
    QVariant FormulaValue;
    std::unique_ptr<TBaseRecord> TableRecord;

    bool IsFormula() const override { return true; }
    QVariant GetValue() const override { return FormulaValue; }
    void SetCachedValue(const QVariant& value);
    std::unique_ptr<TBaseRecord> Clone() const override;
    void SaveToStream(QIODevice& stream) const override;
    qint64 TotalSize() const override;

    void ArrangeInsert(int position, int count, const SheetInfo& info) override;
    // Relative references move by how far the formula moves: from the row it now stands on.
    void ArrangeCopy(int newRow) override;
    // Throws the cell's message when a row operation could not walk this formula.
    void CheckTokens() const;

    // The key of the shared formula this cell points at, or -1 for an ordinary formula.
    qint64 SharedKey() const;
    // Takes the shared formula's tokens in place of the pointer; returns the change of size.
    int ExpandShared(const class TShrFmlaRecord& shared);

    int TokenEnd() const { return 22 + GetWord(Data, 20); }

protected:
    std::unique_ptr<TBaseRecord> CreateLike(quint16 id, QByteArray data) const override;

private:
    // Runs a walk and reports a token it cannot handle with this cell's place.
    template <typename F>
    void WithCellMessage(F&& walk) const;
};

class TShrFmlaRecord : public TBaseRecord {
    XLS_CLONEABLE(TShrFmlaRecord)
    TShrFmlaRecord(quint16 id, QByteArray data);
    qint64 Key() const { return GetWord(Data, 0) + qint64(quint8(Data[4])) * 65536; }
};

// The shared formulas of a sheet while it loads, found by key.
class TShrFmlaRecordList : public TBaseRecordList {
public:
    TShrFmlaRecord* Find(qint64 key);

private:
    bool sorted_ = false;
};

// A defined name: its text, the sheet it is local to (none for a global name) and its formula.
class TNameRecord : public TBaseRecord {
    XLS_CLONEABLE(TNameRecord)
    TNameRecord(quint16 id, QByteArray data);

    QString Name() const;
    // The 0-based sheet a local name belongs to; -1 for a global name.
    int SheetIndex() const { return GetWord(Data, 8) - 1; }
    int TokenStart() const;
    int TokenEnd() const { return TokenStart() + GetWord(Data, 4); }

    // The range the name stands for, when its formula starts with a 3D area; else -1 each.
    int AreaSheet(const TReferences& refs) const;
    int AreaFirstRow() const { return Area(0); }
    int AreaLastRow() const { return Area(2); }
    int AreaFirstCol() const { return Area(4); }
    int AreaLastCol() const { return Area(6); }

    void ArrangeInsert(int position, int count, const SheetInfo& info);
    void ArrangeInsertSheets(int position, int count);
    void CopyToSheet(const SheetInfo& info);
    void CheckTokens() const;

private:
    bool HasArea() const;
    int Area(int offset) const;
    template <typename F>
    void WithNameMessage(F&& walk) const;
};

// The names in file order: formulas refer to a name by its position, so names are only appended.
class TNameRecordList : public TBaseRecordList {
public:
    TNameRecord* Name(int i) const { return static_cast<TNameRecord*>((*this)[i]); }
    void ArrangeInsert(int position, int count, const SheetInfo& info);
    void InsertSheets(int copyFrom, int beforeSheet, const SheetInfo& info, int count,
                      const TReferences& refs);
    void CheckTokens() const;
};
