#include "XLSAdapter/UExcelRecords.h"

#include <QBuffer>

#include "XLSAdapter/UXlsChart.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kMaxRow = 65535;

}  // namespace

TWorkbook::TWorkbook() = default;

TWorkbook::~TWorkbook() { Clear(); }

void TWorkbook::Clear() {
    // Text cells hold references into the globals' string table, so sheets go first.
    Sheets.Clear();
    Globals.Clear();
    brokenBy_.clear();
    source_.clear();
}

void TWorkbook::LoadFromData(const QByteArray& data) {
    Clear();
    source_ = data;
    TSharedPayloadBuffer in;
    in.setData(source_);
    in.open(QIODevice::ReadOnly);
    Load(in);
}

void TWorkbook::LoadFromStream(QIODevice& stream) {
    Clear();
    Load(stream);
}

void TWorkbook::Load(QIODevice& stream) {
    stream.seek(0);
    for (;;) {
        char header[4];
        if (stream.read(header, 4) != 4) break;
        // Zero padding after the last substream ends the workbook.
        if (header[0] == 0 && header[1] == 0) break;
        std::unique_ptr<TBaseRecord> r = LoadRecord(stream, header);
        if (r->Id != xlr::BOF) XlsError(XlsMessages::ErrExcelInvalid);
        switch (static_cast<TBOFRecord&>(*r).SubstreamType()) {
            case TBOFRecord::Globals:
                Globals.LoadFromStream(stream, std::move(r));
                break;
            case TBOFRecord::Worksheet: {
                auto sheet = std::make_unique<TWorkSheet>(&Globals);
                TSheet* s = sheet.get();
                Sheets.Add(std::move(sheet));
                s->LoadFromStream(stream, std::move(r));
                break;
            }
            case TBOFRecord::Chart: {
                auto sheet = std::make_unique<TChart>(&Globals);
                TSheet* s = sheet.get();
                Sheets.Add(std::move(sheet));
                s->LoadFromStream(stream, std::move(r));
                break;
            }
            default:
                XlsError(XlsMessages::ErrExcelInvalid);
        }
    }
    Globals.SST.Sort();
}

void TWorkbook::SaveToStream(QIODevice& stream) {
    if (!brokenBy_.isEmpty()) throw EExcelException(brokenBy_);
    if (Globals.SheetCount() != Sheets.Count()) XlsError(XlsMessages::ErrExcelInvalid);
    Globals.SST.FixRefs();
    qint64 start = stream.pos();
    Globals.StreamOffset = -start;
    qint64 position = Globals.TotalSize();
    for (int i = 0; i < Sheets.Count(); ++i) {
        Globals.SetSheetOffset(i, quint32(position));
        position += Sheets[i].TotalSize();
    }
    Globals.SaveToStream(stream);
    for (int i = 0; i < Sheets.Count(); ++i) Sheets[i].SaveToStream(stream);
}

TWorkSheet& TWorkbook::WorkSheets(int n) const { return static_cast<TWorkSheet&>(Sheets[n]); }

bool TWorkbook::IsWorksheet(int n) const { return dynamic_cast<TWorkSheet*>(&Sheets[n]) != nullptr; }

void TWorkbook::SetActiveSheet(int n) {
    int old = ActiveSheet();
    if (old >= 0 && old < Sheets.Count()) Sheets[old].SetSelected(false);
    Globals.SetActiveSheet(n);
    if (n >= 0 && n < Sheets.Count()) Sheets[n].SetSelected(true);
}

void TWorkbook::CheckSheet(int sheet) const {
    // Sheet operations address the directory and the sheets by one number; a file whose
    // directory does not match its sheets cannot be edited (nor saved).
    if (Globals.SheetCount() != Sheets.Count()) XlsError(XlsMessages::ErrExcelInvalid);
    if (sheet < 0 || sheet >= Sheets.Count())
        XlsError(XlsMessages::ErrInvalidSheetNo, sheet, 0, Sheets.Count() - 1);
}

SheetInfo TWorkbook::Info(int sheet) {
    SheetInfo info;
    info.InsSheet = sheet;
    info.FormulaSheet = sheet;
    Globals.References.Bind(info);
    return info;
}

void TWorkbook::CheckTokens() const {
    for (int i = 0; i < Sheets.Count(); ++i) Sheets[i].CheckTokens();
    Globals.Names.CheckTokens();
}

template <typename F>
void TWorkbook::Guarded(F&& change) {
    try {
        change();
    } catch (const EExcelException& e) {
        brokenBy_ = e.Message();
        throw;
    }
}

void TWorkbook::DeleteRows(int sheet, int row, int count) {
    CheckSheet(sheet);
    if (count <= 0) return;
    CheckTokens();
    Guarded([&] {
        SheetInfo info = Info(sheet);
        Sheets[sheet].DeleteRows(row, count, info);
        for (int i = 0; i < Sheets.Count(); ++i) {
            if (i == sheet) continue;
            info.FormulaSheet = i;
            Sheets[i].ArrangeInsert(row, -count, info);
        }
        // Plain references in a name belong to no sheet; only its 3D references can move.
        info.FormulaSheet = -1;
        Globals.Names.ArrangeInsert(row, -count, info);
    });
}

void TWorkbook::InsertAndCopyRows(int sheet, int first, int last, int destination, int copies,
                                  bool onlyFormulas) {
    if (last < first || first < 0 || last > kMaxRow || (first < destination && destination <= last) ||
        destination < 0 || qint64(destination) + qint64(copies) * (last - first + 1) > kMaxRow)
        XlsError(XlsMessages::ErrBadCopyRows);
    CheckSheet(sheet);
    if (copies <= 0) return;
    CheckTokens();
    int inserted = copies * (last - first + 1);
    Guarded([&] {
        SheetInfo info = Info(sheet);
        Sheets[sheet].InsertAndCopyRows(first, last, destination, copies, info, onlyFormulas);
        for (int i = 0; i < Sheets.Count(); ++i) {
            if (i == sheet) continue;
            info.FormulaSheet = i;
            Sheets[i].ArrangeInsert(destination, inserted, info);
        }
        info.FormulaSheet = -1;
        Globals.Names.ArrangeInsert(destination, inserted, info);
    });
}

void TWorkbook::InsertSheets(int copyFrom, int beforeSheet, int count) {
    if (Globals.SheetCount() != Sheets.Count()) XlsError(XlsMessages::ErrExcelInvalid);
    if (copyFrom < 0 || copyFrom >= Sheets.Count())
        XlsError(XlsMessages::ErrInvalidSheetNo, copyFrom, 0, Sheets.Count() - 1);
    if (beforeSheet < 0 || beforeSheet > Sheets.Count())
        XlsError(XlsMessages::ErrInvalidSheetNo, beforeSheet, 0, Sheets.Count() - 1);
    if (count <= 0) return;
    CheckTokens();
    Guarded([&] {
        // The source is held by identity: inserting copies before it moves it along the list.
        const TSheet& source = Sheets[copyFrom];
        Globals.References.InsertSheets(beforeSheet, count);
        Globals.InsertSheets(copyFrom, beforeSheet, count);
        SheetInfo info = Info(-1);
        info.FormulaSheet = copyFrom;
        Globals.Names.InsertSheets(copyFrom, beforeSheet, info, count, Globals.References);
        for (int k = 0; k < count; ++k) {
            std::unique_ptr<TSheet> copy = source.Clone();
            TSheet* s = copy.get();
            Sheets.Insert(beforeSheet, std::move(copy));
            info.InsSheet = beforeSheet + count - k - 1;
            s->ArrangeCopySheet(info);
        }
    });
}

void TWorkbook::AddPageBreak(int sheet, int row) {
    CheckSheet(sheet);
    Sheets[sheet].AddPageBreak(row);
}
