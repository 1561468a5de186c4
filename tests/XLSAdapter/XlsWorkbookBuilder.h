#pragma once

// Builds workbook streams record by record, and reads formulas back as text, so that tests can
// state exactly which references a workbook holds before and after rows and sheets move.

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <vector>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XlsTestUtil.h"

namespace xlstest {

inline QByteArray Bytes(std::initializer_list<int> bytes) {
    QByteArray b;
    for (int v : bytes) b.append(char(v));
    return b;
}

// Formula tokens. Rows and columns are 0-based; `rel` marks both row and column relative.
inline QByteArray Ref(int row, int col, bool rel = true, int id = 0x24) {
    return Bytes({id}) + Words({quint16(row), quint16(col | (rel ? 0xC000 : 0))});
}
inline QByteArray Area(int r1, int r2, int c1, int c2, bool rel = true, int id = 0x25) {
    quint16 f = rel ? 0xC000 : 0;
    return Bytes({id}) + Words({quint16(r1), quint16(r2), quint16(c1 | f), quint16(c2 | f)});
}
inline QByteArray Ref3d(int ixti, int row, int col, bool rel = true) {
    return Bytes({0x3A}) + Words({quint16(ixti), quint16(row), quint16(col | (rel ? 0xC000 : 0))});
}
inline QByteArray Area3d(int ixti, int r1, int r2, int c1, int c2, bool rel = false) {
    quint16 f = rel ? 0xC000 : 0;
    return Bytes({0x3B}) + Words({quint16(ixti), quint16(r1), quint16(r2), quint16(c1 | f), quint16(c2 | f)});
}
// A shared formula's relative reference: offsets from the cell (column offset one signed byte).
inline QByteArray RefN(int rowOffset, int colOffset) {
    return Bytes({0x2C}) + Words({quint16(rowOffset), quint16((colOffset & 0xFF) | 0xC000)});
}
inline QByteArray Int(int v) { return Bytes({0x1E}) + Words({quint16(v)}); }
inline QByteArray Op(int id) { return Bytes({id}); }

inline QByteArray Bof(int type) { return Rec(0x0809, Words({0x0600, quint16(type), 0, 0, 0, 0, 0, 0})); }
inline QByteArray Eof() { return Rec(0x000A, {}); }
inline QByteArray RowRec(int row) { return Rec(0x0208, Words({quint16(row), 0, 1, 255, 0, 0, 0x100, 15})); }
inline QByteArray Number(int row, int col, double v) {
    QByteArray p = Words({quint16(row), quint16(col), 15});
    p.append(reinterpret_cast<const char*>(&v), 8);
    return Rec(0x0203, p);
}
inline QByteArray Formula(int row, int col, const QByteArray& tokens) {
    return Rec(0x0006, Words({quint16(row), quint16(col), 15}) + QByteArray(8, '\0') +
                           Words({0, 0, 0, quint16(tokens.size())}) + tokens);
}
inline QByteArray SharedPointer(int row, int col, int keyRow, int keyCol) {
    return Formula(row, col, Bytes({0x01}) + Words({quint16(keyRow), quint16(keyCol)}));
}
inline QByteArray ShrFmla(int r1, int r2, int c1, int c2, const QByteArray& tokens) {
    return Rec(0x04BC, Words({quint16(r1), quint16(r2)}) + Bytes({c1, c2, 0, 1}) +
                           Words({quint16(tokens.size())}) + tokens);
}
inline QByteArray BoundSheet(const QString& name, int options = 0) {
    QByteArray p =
        QByteArray(4, '\0') + Words({quint16(options)}) + Bytes({int(name.size()), 0}) + name.toLatin1();
    return Rec(0x0085, p);
}
inline QByteArray Window1() { return Rec(0x003D, Words({0, 0, 8000, 6000, 0x38, 0, 0, 1, 600})); }
inline QByteArray Window2(bool selected) {
    return Rec(0x023E, Words({quint16(0x06B6 | (selected ? 0x0200 : 0)), 0, 0, 64, 0, 0, 0, 0, 0}));
}
inline QByteArray LocalSupBook(int sheets) { return Rec(0x01AE, Words({quint16(sheets), 0x0401})); }
inline QByteArray ExternSheet(int sheets) {
    QByteArray p = Words({quint16(sheets)});
    for (int i = 0; i < sheets; ++i) p += Words({0, quint16(i), quint16(i)});
    return Rec(0x0017, p);
}
// A NAME; `sheet` is the 1-based sheet it is local to, 0 for a global name.
inline QByteArray Name(const QString& name, int sheet, const QByteArray& tokens) {
    return Rec(0x0018,
               Words({0, quint16(name.size() << 8), quint16(tokens.size()), 0, quint16(sheet), 0, 0}) +
                   Bytes({0}) + name.toLatin1() + tokens);
}
inline QByteArray Merged(std::initializer_list<std::array<int, 4>> ranges) {
    QByteArray p = Words({quint16(ranges.size())});
    for (const auto& r : ranges) p += Words({quint16(r[0]), quint16(r[1]), quint16(r[2]), quint16(r[3])});
    return Rec(0x00E5, p);
}
inline QByteArray CondFmt(std::initializer_list<std::array<int, 4>> ranges, int rules,
                          std::array<int, 4> all) {
    QByteArray p = Words({quint16(rules), 1, quint16(all[0]), quint16(all[1]), quint16(all[2]),
                          quint16(all[3]), quint16(ranges.size())});
    for (const auto& r : ranges) p += Words({quint16(r[0]), quint16(r[1]), quint16(r[2]), quint16(r[3])});
    return Rec(0x01B0, p);
}
inline QByteArray CF(const QByteArray& formula1) {
    return Rec(0x01B1, Bytes({1, 3}) + Words({quint16(formula1.size()), 0}) + QByteArray(6, '\0') + formula1);
}
inline QByteArray PageBreaks(std::initializer_list<int> rows) {
    QByteArray p = Words({quint16(rows.size())});
    for (int r : rows) p += Words({quint16(r), 0, 255});
    return Rec(0x001B, p);
}

inline QString CellName(int row, quint16 colField) {
    QString s;
    if (!(colField & 0x4000)) s += '$';
    s += QChar('A' + (colField & 0xFF));
    if (!(colField & 0x8000)) s += '$';
    return s + QString::number(row + 1);
}

// Formula tokens as text in their stored (reverse Polish) order: "A1 $A$1 +".
inline QString Decompile(const QByteArray& d, int start, int end, const TReferences* refs) {
    QStringList out;
    int p = start;
    auto sheet = [&](int ixti) {
        int s = refs ? refs->GetSheet(ixti) : -1;
        return QStringLiteral("S%1!").arg(s);
    };
    while (p < end) {
        int id = quint8(d[p]);
        int base = id >= 0x20 ? ((id & 0x1F) | 0x20) : id;
        switch (base) {
            case 0x24:
                out << CellName(GetWord(d, p + 1), GetWord(d, p + 3));
                p += 5;
                break;
            case 0x25:
                out << CellName(GetWord(d, p + 1), GetWord(d, p + 5)) + ":" +
                           CellName(GetWord(d, p + 3), GetWord(d, p + 7));
                p += 9;
                break;
            case 0x2A:
                out << "#REF!";
                p += 5;
                break;
            case 0x2B:
                out << "#REF!:#REF!";
                p += 9;
                break;
            case 0x3A:
                out << sheet(GetWord(d, p + 1)) + CellName(GetWord(d, p + 3), GetWord(d, p + 5));
                p += 7;
                break;
            case 0x3B:
                out << sheet(GetWord(d, p + 1)) + CellName(GetWord(d, p + 3), GetWord(d, p + 7)) + ":" +
                           CellName(GetWord(d, p + 5), GetWord(d, p + 9));
                p += 11;
                break;
            case 0x3C:
                out << sheet(GetWord(d, p + 1)) + "#REF!";
                p += 7;
                break;
            case 0x3D:
                out << sheet(GetWord(d, p + 1)) + "#REF!:#REF!";
                p += 11;
                break;
            case 0x1E:
                out << QString::number(GetWord(d, p + 1));
                p += 3;
                break;
            case 0x03:
                out << "+";
                ++p;
                break;
            case 0x05:
                out << "*";
                ++p;
                break;
            default:
                out << QStringLiteral("?%1").arg(id, 0, 16);
                p = end;
        }
    }
    return out.join(' ');
}

inline TFormulaRecord* FormulaAt(const TWorkbook& wb, int sheet, int row, int col) {
    TCellList& cells = wb.WorkSheets(sheet).Cells.CellList;
    if (row >= cells.Count() || !cells.Row(row)) return nullptr;
    int i;
    if (!cells.Row(row)->Find(col, i)) return nullptr;
    return cells.Row(row)->Cell(i)->IsFormula() ? static_cast<TFormulaRecord*>(cells.Row(row)->Cell(i))
                                                : nullptr;
}

inline QString FormulaText(const TWorkbook& wb, int sheet, int row, int col) {
    TFormulaRecord* f = FormulaAt(wb, sheet, row, col);
    if (!f) return "(none)";
    return Decompile(f->Data, 22, f->TokenEnd(), &wb.Globals.References);
}

inline QString NameText(const TWorkbook& wb, const QString& name) {
    QStringList out;
    for (int i = 0; i < wb.Globals.Names.Count(); ++i) {
        TNameRecord* n = wb.Globals.Names.Name(i);
        if (n->Name() != name) continue;
        out << QStringLiteral("[%1] ").arg(n->SheetIndex()) +
                   Decompile(n->Data, n->TokenStart(), n->TokenEnd(), &wb.Globals.References);
    }
    return out.join(" | ");
}

inline TWorkbook& LoadWorkbook(TWorkbook& wb, const QByteArray& stream) {
    wb.LoadFromData(stream);
    return wb;
}

}  // namespace xlstest

// Test failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

#include "XLSAdapter/WOLE2Stream.h"

namespace xlstest {

// Writes the workbook as a file of its own: a compound file with the stream "Workbook".
inline void SaveAsXls(TWorkbook& wb, const QString& path) {
    TOle2Storage storage(path, nullptr, TOle2Storage::Create);
    {
        TOle2Stream stream(storage, QStringLiteral("Workbook"));
        wb.SaveToStream(stream);
    }
    storage.Commit();
}

}  // namespace xlstest
