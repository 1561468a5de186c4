#pragma once

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsSheet.h"

// A chart's series formula: the one place in a chart whose references follow the rows.
class TChartAIRecord : public TBaseRecord {
    XLS_CLONEABLE(TChartAIRecord)
    using TBaseRecord::TBaseRecord;
    void ArrangeInsert(int row, int count, const SheetInfo& info);
    void ArrangeCopySheet(const SheetInfo& info);
    void ArrangeCopy(int offset);
    void CheckTokens() const;

private:
    int FormulaLength() const { return Data.size() >= 8 ? GetWord(Data, 6) : 0; }
    template <typename F>
    void WithChartMessage(F&& walk) const;
};

// The records of a chart, with an index of its series formulas kept as records come and go.
class TChartRecordList : public TBaseRecordList {
public:
    void Add(std::unique_ptr<TBaseRecord> record);
    void CopyFrom(const TChartRecordList& other);
    void Clear();
    const std::vector<TChartAIRecord*>& SeriesFormulas() const { return ai_; }

private:
    std::vector<TChartAIRecord*> ai_;
};

// A chart sheet, or a chart embedded in a worksheet's drawing: kept whole.
class TChart : public TSheet {
public:
    explicit TChart(TWorkbookGlobals* globals) : TSheet(globals) {}
    TChartRecordList Records;

    void Clear() override;
    qint64 TotalSize() override;
    void LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof) override;
    void SaveToStream(QIODevice& stream) override;
    std::unique_ptr<TSheet> Clone() const override;
    void InsertAndCopyRows(int, int, int, int, const SheetInfo&, bool) override {}
    void DeleteRows(int, int, const SheetInfo&) override {}
    void ArrangeInsert(int row, int count, const SheetInfo& info) override;
    void ArrangeCopySheet(const SheetInfo& info) override;
    void ArrangeCopyRows(int offset);
    void CheckTokens() const override;
};
