// Feeds arbitrary bytes to the workbook loader: the container, the record stream, the string
// table and the cell table, then the whole workbook model with row and sheet operations that walk
// every formula. Any outcome but the library's own exception is a fault.
#include <QBuffer>
#include <cstdint>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsBaseRecords.h"
#include "XLSAdapter/UXlsCellRecords.h"
#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsRowColEntries.h"
#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/UXlsXF.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XLSAdapter/XlsMessages.h"

namespace {

void LoadWorkbookStream(const QByteArray& bytes) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    TSST sst;
    TColInfoList colInfo;
    TCells cells(&sst, &colInfo);
    TBaseRecordList others;
    char header[4];
    while (in.read(header, 4) == 4) {
        if (header[0] == 0 && header[1] == 0) break;
        std::unique_ptr<TBaseRecord> r = LoadRecord(in, header);
        if (auto* s = dynamic_cast<TSSTRecord*>(r.get())) {
            sst.LoadFromRecord(*s);
        } else if (auto* l = dynamic_cast<TLabelSSTRecord*>(r.get())) {
            l->AttachToSST(&sst);
            r.release();
            cells.AddCell(std::unique_ptr<TCellRecord>(l));
        } else if (auto* m = dynamic_cast<TMultipleValueRecord*>(r.get())) {
            r.release();
            cells.AddMultiple(std::unique_ptr<TMultipleValueRecord>(m));
        } else if (auto* row = dynamic_cast<TRowRecord*>(r.get())) {
            r.release();
            cells.AddRow(std::unique_ptr<TRowRecord>(row));
        } else if (auto* c = dynamic_cast<TCellRecord*>(r.get())) {
            c->GetValue();
            r.release();
            cells.AddCell(std::unique_ptr<TCellRecord>(c));
        } else if (auto* ci = dynamic_cast<TColInfoRecord*>(r.get())) {
            r.release();
            colInfo.AddRecord(std::unique_ptr<TColInfoRecord>(ci));
        } else if (auto* f = dynamic_cast<TFontRecord*>(r.get())) {
            f->Name();
            others.Add(std::move(r));
        } else if (auto* fm = dynamic_cast<TFormatRecord*>(r.get())) {
            fm->FormatString();
            others.Add(std::move(r));
        } else {
            others.Add(std::move(r));
        }
    }
    sst.Sort();
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) cells.CellList.GetValue(row, col);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    others.SaveToStream(out);
    sst.FixRefs();
    sst.SaveToStream(out);
    cells.SaveToStream(out);
    colInfo.SaveToStream(out);
}

// The model: load, move rows and copy a sheet (each may refuse on its own), then save.
void LoadWorkbookModel(const QByteArray& bytes) {
    TWorkbook wb;
    wb.LoadFromData(bytes);
    if (wb.Sheets.Count() == 0) return;
    auto attempt = [](auto&& f) {
        try {
            f();
        } catch (const EExcelException&) {
        }
    };
    attempt([&] { wb.InsertAndCopyRows(0, 1, 2, 4, 2, false); });
    attempt([&] { wb.DeleteRows(0, 2, 3); });
    attempt([&] { wb.InsertSheets(0, wb.Sheets.Count(), 1); });
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    wb.SaveToStream(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        // Both ways in: a whole compound file, and a bare record stream.
        TXlsStorageList list;
        list.LoadFromData(bytes, QStringLiteral("fuzz.xls"));
        LoadWorkbookStream(list.FindStream(QStringLiteral("Workbook")));
    } catch (const EExcelException&) {
    }
    try {
        LoadWorkbookStream(bytes);
    } catch (const EExcelException&) {
    }
    try {
        LoadWorkbookModel(bytes);
    } catch (const EExcelException&) {
    }
    return 0;
}
