#include "XLSAdapter/UXlsSheet.h"

#include <QIODevice>

#include "XLSAdapter/UXlsChart.h"
#include "XLSAdapter/UXlsCondFmt.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/UXlsWorkbookGlobals.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

bool IsCellRecord(quint16 id) {
    switch (id) {
        case xlr::BLANK:
        case xlr::NUMBER:
        case xlr::RK:
        case xlr::BOOLERR:
        case xlr::LABELSST:
        case xlr::FORMULA:
        case xlr::ARRAY:
            return true;
        default:
            return false;
    }
}

template <typename T>
std::unique_ptr<T> Take(std::unique_ptr<TBaseRecord>& r) {
    return std::unique_ptr<T>(static_cast<T*>(r.release()));
}

}  // namespace

void TSheet::Clear() {
    TBaseSection::Clear();
    Window2 = nullptr;
}

TWorkSheet::TWorkSheet(TWorkbookGlobals* globals)
    : TSheet(globals), Drawing(&globals->DrawingGroup), Cells(&globals->SST, &ColInfos) {}

void TWorkSheet::Clear() {
    TSheet::Clear();
    HeadRecords.Clear();
    TailRecords.Clear();
    PageBreaks.Breaks.clear();
    Notes.Clear();
    Drawing.Clear();
    ColInfos.Clear();
    Cells.Clear();
    Ranges.Clear();
    DefRowHeight = kDefaultRowHeight;
    DefColWidth = kDefaultColWidth;
}

qint64 TWorkSheet::TotalSize() {
    return TSheet::TotalSize() + HeadRecords.TotalSize() + PageBreaks.TotalSize() + ColInfos.TotalSize() +
           Cells.TotalSize() + Drawing.TotalSize() + Notes.TotalSize() + TailRecords.TotalSize() +
           Ranges.TotalSize();
}

void TWorkSheet::LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof) {
    BOF = std::move(bof);
    TBaseRecordList* current = &HeadRecords;
    TFormulaRecord* lastFormula = nullptr;
    TShrFmlaRecordList shared;
    for (;;) {
        std::unique_ptr<TBaseRecord> r = ReadSectionRecord(stream);
        quint16 id = r->Id;
        if (id == xlr::EOF_) {
            EOF_ = std::move(r);
            break;
        }
        if (id == xlr::WINDOW2) {
            current = &TailRecords;
            Window2 = static_cast<TWindow2Record*>(r.get());
        } else if (id == xlr::FORMULA) {
            lastFormula = static_cast<TFormulaRecord*>(r.get());
        } else if (id == xlr::DEFCOLWIDTH) {
            DefColWidth = static_cast<TDefColWidthRecord&>(*r).Width() * kWidthPerChar;
        } else if (id == xlr::DEFAULTROWHEIGHT) {
            DefRowHeight = static_cast<TDefRowHeightRecord&>(*r).Height();
        } else if (id == xlr::LABELSST) {
            static_cast<TLabelSSTRecord&>(*r).AttachToSST(&Globals->SST);
        }

        if (id == xlr::BOF) {
            // A chart substream comes with the OBJ of its shape; anywhere else a BOF is damage.
            XlsError(XlsMessages::ErrExcelInvalid);
        } else if (id == xlr::MSODRAWING) {
            Drawing.LoadFromStream(stream, std::move(r), Globals);
        } else if (id == xlr::NOTE) {
            Notes.AddRecord(Take<TNoteRecord>(r));
        } else if (id == xlr::STRING) {
            if (!lastFormula) XlsError(XlsMessages::ErrExcelInvalid);
            const TBaseRecord* s = r.get();
            int pos = 0;
            lastFormula->FormulaValue = TExcelString(2, s, pos).Value();
        } else if (IsCellRecord(id)) {
            // Cells first: they are nearly every record of a sheet, and none of their kinds is
            // one of the records that are read and dropped.
            Cells.AddCell(Take<TCellRecord>(r));
        } else if (id == xlr::MULRK || id == xlr::MULBLANK) {
            Cells.AddMultiple(Take<TMultipleValueRecord>(r));
        } else if (id == xlr::ROW) {
            Cells.AddRow(Take<TRowRecord>(r));
        } else if (dynamic_cast<TIgnoreRecord*>(r.get())) {
            continue;
        } else if (id == xlr::COLINFO) {
            ColInfos.AddRecord(Take<TColInfoRecord>(r));
        } else if (id == xlr::CONDFMT) {
            auto entry = std::make_unique<TCondFmt>();
            entry->LoadFromStream(stream, *r);
            Ranges.Add(std::move(entry));
        } else if (id == xlr::MERGEDCELLS) {
            auto entry = std::make_unique<TMergedCells>();
            entry->LoadFromRecord(*r);
            Ranges.Add(std::move(entry));
        } else if (id == xlr::SHRFMLA) {
            shared.Add(std::move(r));
        } else if (id == xlr::HPAGEBREAKS) {
            PageBreaks.LoadFromRecord(*r);
        } else {
            current->Add(std::move(r));
        }
    }

    Notes.FixDwg(Drawing);

    // A saved file holds no shared formulas: every cell gets its own copy of the tokens.
    for (int row = 0; row < Cells.CellList.Count(); ++row) {
        TCellRecordList* list = Cells.CellList.Row(row);
        if (!list) continue;
        for (int i = 0; i < list->Count(); ++i) {
            if (!list->IsFormula(i)) continue;
            auto* f = static_cast<TFormulaRecord*>(list->Cell(i));
            qint64 key = f->SharedKey();
            if (key < 0) continue;
            TShrFmlaRecord* sf = shared.Find(key);
            if (!sf) XlsError(XlsMessages::ErrShrFmlaNotFound);
            list->AdjustTotalSize(f->ExpandShared(*sf));
        }
    }
}

void TWorkSheet::SaveToStream(QIODevice& stream) {
    CheckLoaded();
    BOF->SaveToStream(stream);
    HeadRecords.SaveToStream(stream);
    PageBreaks.SaveToStream(stream);
    ColInfos.SaveToStream(stream);
    Cells.SaveToStream(stream);
    Drawing.SaveToStream(stream);
    Notes.SaveToStream(stream);
    TailRecords.SaveToStream(stream);
    Ranges.SaveToStream(stream);
    EOF_->SaveToStream(stream);
}

std::unique_ptr<TSheet> TWorkSheet::Clone() const {
    auto copy = std::make_unique<TWorkSheet>(Globals);
    if (BOF) copy->BOF = BOF->Clone();
    if (EOF_) copy->EOF_ = EOF_->Clone();
    copy->HeadRecords.CopyFrom(HeadRecords);
    copy->TailRecords.CopyFrom(TailRecords);
    copy->PageBreaks.CopyFrom(PageBreaks);
    copy->Drawing.CopyFrom(Drawing);
    copy->Notes.CopyFrom(Notes);
    copy->Notes.FixDwg(copy->Drawing);
    copy->ColInfos.CopyFrom(ColInfos);
    copy->Cells.CopyFrom(Cells);
    copy->Ranges.CopyFrom(Ranges);
    copy->DefRowHeight = DefRowHeight;
    copy->DefColWidth = DefColWidth;
    for (const TBaseRecordList* list : {&copy->HeadRecords, &copy->TailRecords})
        for (int i = 0; i < list->Count(); ++i)
            if ((*list)[i]->Id == xlr::WINDOW2) copy->Window2 = static_cast<TWindow2Record*>((*list)[i]);
    return copy;
}

void TWorkSheet::InsertAndCopyRows(int first, int last, int destination, int copies, const SheetInfo& info,
                                   bool onlyFormulas) {
    int inserted = copies * (last - first + 1);
    // Checked first: the breaks are the one part here that could refuse after the cells moved.
    PageBreaks.InsertRows(destination, inserted);
    Cells.InsertAndCopyRows(first, last, destination, copies, info, onlyFormulas);
    Ranges.InsertAndCopyRows(first, last, info, copies, destination);
    Drawing.InsertAndCopyRows(first, last, destination, copies, info);
    Notes.InsertAndCopyRows(first, last, destination, copies, info);
}

void TWorkSheet::DeleteRows(int row, int count, const SheetInfo& info) {
    Cells.DeleteRows(row, count, info);
    Ranges.DeleteRows(row, count, info);
    PageBreaks.DeleteRows(row, count);
    Notes.DeleteRows(row, count, info);
    Drawing.DeleteRows(row, count, info);
}

void TWorkSheet::ArrangeInsert(int row, int count, const SheetInfo& info) {
    Cells.ArrangeInsert(row, count, info);
    Drawing.ArrangeInsert(row, count, info);
}

void TWorkSheet::ArrangeCopySheet(const SheetInfo& info) { Drawing.ArrangeCopySheet(info); }

void TWorkSheet::CheckTokens() const {
    for (int row = 0; row < Cells.CellList.Count(); ++row) {
        TCellRecordList* list = Cells.CellList.Row(row);
        if (!list) continue;
        for (int i = 0; i < list->Count(); ++i)
            if (list->IsFormula(i)) static_cast<TFormulaRecord*>(list->Cell(i))->CheckTokens();
    }
    Ranges.CheckTokens();
    Drawing.ForEachChart([](TChart& c) { c.CheckTokens(); });
}

int TWorkSheet::ColWidth(int column) {
    int index;
    return ColInfos.Find(column, index) ? ColInfos[index].Width : DefColWidth;
}

void TWorkSheet::SetColWidth(int column, int width) {
    int index;
    if (ColInfos.Find(column, index)) {
        ColInfos[index].Width = quint16(width);
        return;
    }
    ColInfos.Insert(index, {quint16(column), quint16(width), 0, 0});
}

int TWorkSheet::RowHeight(int row) const {
    return Cells.RowList.HasRow(row) ? Cells.RowList.RowRecord(row)->Height() : DefRowHeight;
}

void TWorkSheet::SetRowHeight(int row, int height) {
    Cells.RowList.EnsureRow(row);
    Cells.RowList.RowRecord(row)->SetHeight(quint16(height));
}

bool TWorkSheet::RowHeightAutomatic(int row) const {
    return !Cells.RowList.HasRow(row) ||
           !(Cells.RowList.RowRecord(row)->Options() & TRowRecord::roCustomHeight);
}

void TWorkSheet::SetRowHeightAutomatic(int row, bool automatic) {
    if (!Cells.RowList.HasRow(row)) return;
    TRowRecord* r = Cells.RowList.RowRecord(row);
    quint16 options = r->Options();
    SetWord(r->Data, 12,
            automatic ? quint16(options & ~TRowRecord::roCustomHeight)
                      : quint16(options | TRowRecord::roCustomHeight));
}

int TWorkSheet::ColXF(int column) {
    int index;
    return ColInfos.Find(column, index) ? ColInfos[index].XF : 0;
}

void TWorkSheet::SetColXF(int column, int xf) {
    int index;
    if (ColInfos.Find(column, index))
        ColInfos[index].XF = quint16(xf);
    else
        ColInfos.Insert(index, {quint16(column), quint16(DefColWidth), quint16(xf), 0});
    for (int row = 0; row < Cells.CellList.Count(); ++row) {
        TCellRecordList* list = Cells.CellList.Row(row);
        int i;
        if (list && list->Find(column, i)) list->SetXF(i, quint16(xf));
    }
}

int TWorkSheet::RowXF(int row) const {
    return Cells.RowList.HasRow(row) ? Cells.RowList.RowRecord(row)->XF() : 0;
}

void TWorkSheet::SetRowXF(int row, int xf) {
    Cells.RowList.EnsureRow(row);
    Cells.RowList.RowRecord(row)->SetXF(quint16(xf));
    if (row >= Cells.CellList.Count() || !Cells.CellList.Row(row)) return;
    TCellRecordList* list = Cells.CellList.Row(row);
    for (int i = 0; i < list->Count(); ++i) list->SetXF(i, quint16(xf));
}

void TWorkSheet::MergedCellBounds(int row, int column, int& firstCol, int& firstRow, int& lastCol,
                                  int& lastRow) const {
    for (int i = 0; i < Ranges.Count(); ++i) {
        auto* merged = dynamic_cast<TMergedCells*>(&Ranges[i]);
        TExcelRange r;
        if (merged && merged->Find(row, column, r)) {
            firstCol = r.C1;
            firstRow = r.R1;
            lastCol = r.C2;
            lastRow = r.R2;
            return;
        }
    }
    firstCol = lastCol = column;
    firstRow = lastRow = row;
}
