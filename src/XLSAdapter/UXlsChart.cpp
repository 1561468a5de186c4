#include "XLSAdapter/UXlsChart.h"

#include <QIODevice>

#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/UXlsTokenArray.h"
#include "XLSAdapter/UXlsWorkbookGlobals.h"
#include "XLSAdapter/XlsMessages.h"

template <typename F>
void TChartAIRecord::WithChartMessage(F&& walk) const {
    try {
        walk();
    } catch (const ETokenException& e) {
        XlsError(XlsMessages::ErrBadChartFormula, TokenIdText(e.TokenId));
    }
}

void TChartAIRecord::ArrangeInsert(int row, int count, const SheetInfo& info) {
    if (FormulaLength() == 0) return;
    WithChartMessage([&] { ArrangeInsertTokens(Data, 8, 8 + FormulaLength(), row, count, info, 0, false); });
}

void TChartAIRecord::ArrangeCopySheet(const SheetInfo& info) {
    if (FormulaLength() == 0) return;
    WithChartMessage([&] { ArrangeCopySheetTokens(Data, 8, 8 + FormulaLength(), info); });
}

void TChartAIRecord::ArrangeCopy(int offset) {
    if (FormulaLength() == 0) return;
    const SheetInfo none;
    WithChartMessage([&] { ArrangeInsertTokens(Data, 8, 8 + FormulaLength(), 0, 0, none, offset, false); });
}

void TChartAIRecord::CheckTokens() const {
    if (FormulaLength() == 0) return;
    WithChartMessage([&] { ::CheckTokens(Data, 8, 8 + FormulaLength()); });
}

void TChartRecordList::Add(std::unique_ptr<TBaseRecord> record) {
    if (record && record->Id == xlr::CHARTAI) ai_.push_back(static_cast<TChartAIRecord*>(record.get()));
    TBaseRecordList::Add(std::move(record));
}

void TChartRecordList::CopyFrom(const TChartRecordList& other) {
    for (int i = 0; i < other.Count(); ++i) Add(other[i]->Clone());
}

void TChartRecordList::Clear() {
    ai_.clear();
    TBaseRecordList::Clear();
}

void TChart::Clear() {
    TSheet::Clear();
    Records.Clear();
}

qint64 TChart::TotalSize() { return TSheet::TotalSize() + Records.TotalSize(); }

void TChart::LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof) {
    BOF = std::move(bof);
    for (;;) {
        std::unique_ptr<TBaseRecord> r = ReadSectionRecord(stream);
        if (r->Id == xlr::BOF) XlsError(XlsMessages::ErrExcelInvalid);
        if (r->Id == xlr::EOF_) {
            EOF_ = std::move(r);
            return;
        }
        if (dynamic_cast<TIgnoreRecord*>(r.get())) continue;
        if (r->Id == xlr::WINDOW2) Window2 = static_cast<TWindow2Record*>(r.get());
        if (r->Id == xlr::LABELSST) static_cast<TLabelSSTRecord&>(*r).AttachToSST(&Globals->SST);
        Records.Add(std::move(r));
    }
}

void TChart::SaveToStream(QIODevice& stream) {
    CheckLoaded();
    BOF->SaveToStream(stream);
    Records.SaveToStream(stream);
    EOF_->SaveToStream(stream);
}

std::unique_ptr<TSheet> TChart::Clone() const {
    auto copy = std::make_unique<TChart>(Globals);
    if (BOF) copy->BOF = BOF->Clone();
    if (EOF_) copy->EOF_ = EOF_->Clone();
    copy->Records.CopyFrom(Records);
    for (int i = 0; i < copy->Records.Count(); ++i)
        if (copy->Records[i]->Id == xlr::WINDOW2)
            copy->Window2 = static_cast<TWindow2Record*>(copy->Records[i]);
    return copy;
}

void TChart::ArrangeInsert(int row, int count, const SheetInfo& info) {
    for (TChartAIRecord* ai : Records.SeriesFormulas()) ai->ArrangeInsert(row, count, info);
}

void TChart::ArrangeCopySheet(const SheetInfo& info) {
    for (TChartAIRecord* ai : Records.SeriesFormulas()) ai->ArrangeCopySheet(info);
}

void TChart::ArrangeCopyRows(int offset) {
    for (TChartAIRecord* ai : Records.SeriesFormulas()) ai->ArrangeCopy(offset);
}

void TChart::CheckTokens() const {
    for (TChartAIRecord* ai : Records.SeriesFormulas()) ai->CheckTokens();
}
