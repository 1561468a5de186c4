#pragma once

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsEscher.h"
#include "XLSAdapter/UXlsNotes.h"
#include "XLSAdapter/UXlsOtherRecords.h"
#include "XLSAdapter/UXlsPageBreaks.h"
#include "XLSAdapter/UXlsRangeRecords.h"
#include "XLSAdapter/UXlsRowColEntries.h"
#include "XLSAdapter/UXlsSections.h"

class TWorkbookGlobals;
class TChart;

// A sheet substream. Row operations and the references they move go through here.
class TSheet : public TBaseSection {
public:
    explicit TSheet(TWorkbookGlobals* globals) : Globals(globals) {}
    TWorkbookGlobals* Globals;
    TWindow2Record* Window2 = nullptr;

    void Clear() override;
    virtual void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof) = 0;
    virtual std::unique_ptr<TSheet> Clone() const = 0;
    virtual void InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info,
                                   bool onlyFormulas) = 0;
    virtual void DeleteRows(int row, int count, const SheetInfo& info) = 0;
    // This sheet's references to rows moved in another sheet.
    virtual void ArrangeInsert(int row, int count, const SheetInfo& info) = 0;
    virtual void ArrangeCopySheet(const SheetInfo&) {}
    virtual void AddPageBreak(int) {}
    // Raises the message a row operation would fail with, before it has moved anything.
    virtual void CheckTokens() const {}

    bool ShowGridLines() const { return !Window2 || Window2->ShowGridLines(); }
    void SetShowGridLines(bool on) {
        if (Window2) Window2->SetShowGridLines(on);
    }
    void SetSelected(bool on) {
        if (Window2) Window2->SetSelected(on);
    }
};

class TWorkSheet : public TSheet {
public:
    explicit TWorkSheet(TWorkbookGlobals* globals);
    TBaseRecordList HeadRecords;
    TBaseRecordList TailRecords;
    TPageBreakList PageBreaks;
    // The shapes with their objects, text boxes and embedded charts.
    TDrawing Drawing;
    TNoteList Notes;
    TColInfoList ColInfos;
    TCells Cells;
    TRangeList Ranges;
    int DefRowHeight = kDefaultRowHeight;
    int DefColWidth = kDefaultColWidth;

    static constexpr int kDefaultRowHeight = 255;
    static constexpr int kDefaultColWidth = 2900;
    // DEFCOLWIDTH counts characters; a default column is 290 width units per character.
    static constexpr int kWidthPerChar = 290;

    void Clear() override;
    qint64 TotalSize() override;
    void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof) override;
    void SaveToStream(QIODevice& stream) override;
    std::unique_ptr<TSheet> Clone() const override;
    void InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info,
                           bool onlyFormulas) override;
    void DeleteRows(int row, int count, const SheetInfo& info) override;
    void ArrangeInsert(int row, int count, const SheetInfo& info) override;
    void ArrangeCopySheet(const SheetInfo& info) override;
    void AddPageBreak(int row) override { PageBreaks.AddPageBreak(row); }
    void CheckTokens() const override;

    int ColWidth(int column);
    void SetColWidth(int column, int width);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int height);
    bool RowHeightAutomatic(int row) const;
    void SetRowHeightAutomatic(int row, bool automatic);
    int ColXF(int column);
    void SetColXF(int column, int xf);
    int RowXF(int row) const;
    void SetRowXF(int row, int xf);
    // The merged range holding the cell, or the cell itself.
    void MergedCellBounds(int row, int column, int& firstCol, int& firstRow, int& lastCol,
                          int& lastRow) const;
};
