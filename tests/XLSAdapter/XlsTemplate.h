#pragma once

// Report templates for tests: the cells come from an independent writer (python3-xlwt), the band
// names are added here, since that writer cannot define names.

#include <QJsonArray>
#include <QJsonDocument>
#include <vector>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XlsTestUtil.h"
#include "XlsWorkbookBuilder.h"

namespace xlstest {

// A defined name over rows R1..R2 and columns C1..C2 of a sheet, all 1-based as a user sees them.
struct TTemplateName {
    QString Name;
    int Sheet = 1;
    int R1 = 1, R2 = 1, C1 = 1, C2 = 1;
};

// Loads a record into the model the way the loader makes it.
inline std::unique_ptr<TBaseRecord> RecordOf(const QByteArray& bytes) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    char header[4];
    in.read(header, 4);
    return LoadRecord(in, header);
}

inline void AddNames(TWorkbook& wb, const std::vector<TTemplateName>& names) {
    TReferences& refs = wb.Globals.References;
    if (refs.LocalSupBook < 0) refs.AddSupBook(RecordOf(LocalSupBook(wb.Globals.SheetCount())));
    for (const TTemplateName& n : names) {
        int ixti = refs.SetSheet(n.Sheet - 1);
        wb.Globals.Names.Add(RecordOf(Name(n.Name, 0, Area3d(ixti, n.R1 - 1, n.R2 - 1, n.C1 - 1, n.C2 - 1))));
    }
}

// Writes a template: `body` is python using `wb` (an xlwt.Workbook) and `xlwt`, `datetime`.
inline void MakeTemplate(const QString& path, const QString& body, const std::vector<TTemplateName>& names) {
    QString raw = path + ".raw.xls";
    Python(
        "import sys, xlwt, datetime\n"
        "wb = xlwt.Workbook(encoding='utf-8')\n" +
            body + "\nwb.save(sys.argv[1])\n",
        {raw});
    TXlsStorageList storages;
    storages.LoadFromFile(raw);
    TWorkbook wb;
    wb.LoadFromData(storages.FindStream("Workbook"));
    AddNames(wb, names);
    SaveAsXls(wb, path);
    QFile::remove(raw);
}

// A built workbook stream given the one font and the sixteen formats other readers need before
// they read a cell (its cells use format 15).
inline QByteArray WithFormats(QByteArray stream) {
    QByteArray font = Rec(0x0031, Words({200, 0, 0x7FFF, 400, 0}) + Bytes({0, 0, 0, 0, 5, 0}) + "Arial");
    QByteArray xfs;
    for (int i = 0; i < 16; ++i)
        xfs += Rec(0x00E0, Words({0, 0, quint16(i < 15 ? 0xFFF5 : 0x0001), 0x20, 0, 0, 0, 0, 0, 0x20C0}));
    int at = stream.indexOf(Window1());
    return stream.insert(at + Window1().size(), font + xfs);
}

// Every sheet of a workbook as python3-xlrd reads it: its name and its rows of values, numbers
// that are whole written without a fraction.
inline QJsonArray ReadWithXlrd(const QString& path) {
    QString out = Python(
        "import sys, xlrd, json\n"
        "b = xlrd.open_workbook(sys.argv[1])\n"
        "def v(c):\n"
        "    if c.ctype == 2 and c.value == int(c.value): return int(c.value)\n"
        "    return c.value\n"
        "print(json.dumps([[s.name, [[v(c) for c in s.row(r)] for r in range(s.nrows)]] for s in "
        "b.sheets()]))\n",
        {path});
    return QJsonDocument::fromJson(out.toUtf8()).array();
}

// One sheet's rows as text: cells joined by "|", rows by "/", trailing empty cells dropped.
inline QString SheetText(const QJsonArray& book, int sheet) {
    if (sheet >= book.size()) return "(no sheet)";
    QStringList rows;
    for (const auto& row : book[sheet].toArray()[1].toArray()) {
        QStringList cells;
        for (const auto& c : row.toArray()) cells << c.toVariant().toString();
        while (!cells.isEmpty() && cells.last().isEmpty()) cells.removeLast();
        rows << cells.join('|');
    }
    return rows.join('/');
}

inline QStringList SheetNames(const QJsonArray& book) {
    QStringList names;
    for (const auto& s : book) names << s.toArray()[0].toString();
    return names;
}

}  // namespace xlstest
