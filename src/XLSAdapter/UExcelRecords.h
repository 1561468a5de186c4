#pragma once

#include <memory>
#include <vector>

#include "XLSAdapter/UXlsSheet.h"
#include "XLSAdapter/UXlsWorkbookGlobals.h"

class TWorkSheet;

// The sheets of a workbook in BOUNDSHEET order.
class TSheetList {
public:
    int Count() const { return int(items_.size()); }
    TSheet& operator[](int i) const { return *items_[size_t(i)]; }
    void Add(std::unique_ptr<TSheet> sheet) { items_.push_back(std::move(sheet)); }
    void Insert(int index, std::unique_ptr<TSheet> sheet) {
        items_.insert(items_.begin() + index, std::move(sheet));
    }
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TSheet>> items_;
};

// A whole workbook: one section per substream of the stream "Workbook", edited in place and
// written back in a fixed record order. Always loaded from an existing file.
class TWorkbook {
public:
    TWorkbook();
    ~TWorkbook();
    TWorkbookGlobals Globals;
    TSheetList Sheets;

    void LoadFromStream(QIODevice& stream);
    void LoadFromData(const QByteArray& data);
    // Sets every sheet's position into its BOUNDSHEET record, then writes all sections.
    void SaveToStream(QIODevice& stream);

    TWorkSheet& WorkSheets(int n) const;
    bool IsWorksheet(int n) const;
    int ActiveSheet() const { return Globals.ActiveSheet(); }
    void SetActiveSheet(int n);

    void DeleteRows(int sheet, int row, int count);
    void InsertAndCopyRows(int sheet, int first, int last, int destination, int copies, bool onlyFormulas);
    void InsertSheets(int copyFrom, int beforeSheet, int count);
    void AddPageBreak(int sheet, int row);

private:
    // The message of a row or sheet operation that failed after it had changed the workbook.
    // Such a workbook is no longer consistent, and saving it would write references that point
    // at the wrong cells; it refuses to save until it is loaded again.
    QString brokenBy_;
    // The workbook stream the records were read from; their payloads point into it until they
    // are changed, so it lives as long as they do.
    QByteArray source_;
    void Clear();
    void Load(QIODevice& stream);
    void CheckSheet(int sheet) const;
    SheetInfo Info(int sheet);
    // Every formula that the operation would walk, walked first without changing anything.
    void CheckTokens() const;
    template <typename F>
    void Guarded(F&& change);
};
