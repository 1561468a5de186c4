#include <gtest/gtest.h>

#include <QBuffer>
#include <QFileInfo>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsCondFmt.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XLSAdapter/XlsMessages.h"
#include "XlsTestUtil.h"
#include "XlsWorkbookBuilder.h"
#include "common/LibreOffice.h"
#include "common/TempDir.h"

using namespace xlstest;

namespace {

// Three worksheets whose formulas, names, ranges and breaks all point into the first one.
QByteArray Fixture() {
    QByteArray globals = Bof(5) + Window1() + BoundSheet("Sheet1") + BoundSheet("Sheet2") +
                         BoundSheet("Sheet3") + LocalSupBook(3) + ExternSheet(3) +
                         Name("Rng", 0, Area3d(0, 2, 6, 0, 0)) + Name("Tisk", 1, Area3d(0, 0, 11, 0, 3)) +
                         Name("Jinde", 0, Area3d(1, 0, 4, 0, 0)) + Eof();
    QByteArray s0 = Bof(0x10);
    for (int r = 0; r < 16; ++r) s0 += RowRec(r);
    for (int r = 0; r < 12; ++r) s0 += Number(r, 0, r);
    s0 += Formula(0, 1, Ref(9, 0));                                // B1 =A10
    s0 += Formula(0, 3, Ref(0, 0) + Ref(0, 0, false) + Op(0x03));  // D1 =A1+$A$1
    s0 += Formula(1, 1, Ref(2, 0, false));                         // B2 =$A$3
    s0 += Formula(2, 1, Area(2, 6, 0, 0));                         // B3 =A3:A7
    for (int r = 1; r <= 4; ++r) s0 += SharedPointer(r, 2, 1, 2);  // C2:C5 =A2*2 ...
    s0 += ShrFmla(1, 4, 2, 2, RefN(0, -2) + Int(2) + Op(0x05));
    s0 += Formula(11, 1, Ref3d(1, 4, 0));  // B12 =Sheet2!A5
    s0 += Formula(14, 1, Ref(14, 0));      // B15 =A15
    s0 += Window2(true);
    s0 += Merged({{4, 6, 3, 3}, {4, 7, 4, 5}, {8, 9, 3, 3}, {4, 7, 7, 7}, {2, 6, 6, 6}});
    s0 += CondFmt({{5, 5, 0, 0}}, 1, {5, 5, 0, 0}) + CF(Ref(5, 0));
    s0 += PageBreaks({9, 12});
    s0 += Eof();
    QByteArray s1 = Bof(0x10) + RowRec(0) + RowRec(1) + RowRec(4) + Formula(0, 0, Ref3d(0, 9, 0)) +
                    Formula(1, 0, Ref(9, 0)) + Number(4, 0, 5) + Window2(false) + Eof();
    QByteArray s2 =
        Bof(0x10) + RowRec(0) + Formula(0, 0, Area3d(0, 2, 6, 0, 0, true)) + Window2(false) + Eof();
    return globals + s0 + s1 + s2;
}

QString Column(const TWorkbook& wb, int sheet, int col, int rows) {
    QStringList out;
    for (int r = 0; r < rows; ++r) {
        QVariant v = wb.WorkSheets(sheet).Cells.CellList.GetValue(r, col).Value;
        out << (v.isValid() ? QString::number(v.toDouble()) : "-");
    }
    return out.join(' ');
}

QString RangesOf(const TWorkbook& wb, int sheet, bool merged) {
    QStringList out;
    const TRangeList& list = wb.WorkSheets(sheet).Ranges;
    for (int i = 0; i < list.Count(); ++i) {
        bool isMerged = dynamic_cast<TMergedCells*>(&list[i]) != nullptr;
        if (isMerged != merged) continue;
        for (const TExcelRange& r : list[i].RangeValuesList.Ranges)
            out << QStringLiteral("%1-%2/%3-%4").arg(r.R1).arg(r.R2).arg(r.C1).arg(r.C2);
    }
    return out.join(' ');
}

QString Breaks(const TWorkbook& wb, int sheet) {
    QStringList out;
    for (const TPageBreak& b : wb.WorkSheets(sheet).PageBreaks.Breaks) out << QString::number(b.Row);
    return out.join(' ');
}

QString CFText(const TWorkbook& wb, int sheet) {
    const TRangeList& list = wb.WorkSheets(sheet).Ranges;
    for (int i = 0; i < list.Count(); ++i)
        if (auto* cf = dynamic_cast<TCondFmt*>(&list[i])) {
            const TBaseRecord& rule = *cf->Rules[0];
            return Decompile(rule.Data, rule.DataSize() - GetWord(rule.Data, 2), rule.DataSize(), nullptr);
        }
    return "(none)";
}

// One named view of the workbook, as the table of cases states it.
QString Aspect(const TWorkbook& wb, const QString& key) {
    QStringList k = key.split(' ');
    if (k[0] == "A") return Column(wb, k[1].toInt(), 0, k[2].toInt());
    if (k[0] == "f") return FormulaText(wb, k[1].toInt(), k[2].toInt(), k[3].toInt());
    if (k[0] == "name") return NameText(wb, k[1]);
    if (k[0] == "merged") return RangesOf(wb, k[1].toInt(), true);
    if (k[0] == "cf") return RangesOf(wb, k[1].toInt(), false);
    if (k[0] == "cfrule") return CFText(wb, k[1].toInt());
    if (k[0] == "breaks") return Breaks(wb, k[1].toInt());
    return "(unknown aspect)";
}

QByteArray SaveBytes(TWorkbook& wb) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    wb.SaveToStream(out);
    return out.data();
}

}  // namespace

TEST(Workbook, LoadedFixtureReadsAsBuilt) {
    TWorkbook wb;
    LoadWorkbook(wb, Fixture());
    ASSERT_EQ(wb.Sheets.Count(), 3);
    EXPECT_EQ(wb.Globals.SheetName(1), "Sheet2");
    EXPECT_EQ(Aspect(wb, "f 0 0 1"), "A10");
    EXPECT_EQ(Aspect(wb, "f 0 11 1"), "S1!A5");
    // Each cell of the shared formula holds its own tokens, made absolute for its row; the
    // column offset -2 wraps within its byte to column A.
    EXPECT_EQ(Aspect(wb, "f 0 1 2"), "A2 2 *");
    EXPECT_EQ(Aspect(wb, "f 0 4 2"), "A5 2 *");
    EXPECT_EQ(Aspect(wb, "name Rng"), "[-1] S0!$A$3:$A$7");
}

// Every kind of row reference, through one table: what a delete or an insert-copy leaves.
TEST(Workbook, RowDeleteAndInsertCopyMoveEveryReference) {
    struct Op {
        enum Kind { Delete, Copy } kind;
        int sheet, first, last, destination, copies;
    };
    struct Case {
        const char* what;
        Op op;
        std::vector<std::pair<const char*, const char*>> expect;
    };
    const Case cases[] = {
        {"delete rows 5..7 of the first sheet",
         {Op::Delete, 0, 5, 3, 0, 0},
         {{"A 0 10", "0 1 2 3 4 8 9 10 11 -"},
          {"f 0 0 1", "A7"},
          {"f 0 1 1", "$A$3"},
          {"f 0 2 1", "#REF!:#REF!"},  // the area reached into the deleted rows
          {"f 0 8 1", "S1!A5"},        // moved with its row, pointing elsewhere
          {"f 0 1 2", "A2 2 *"},
          {"f 1 0 0", "S0!A7"},  // another sheet's 3D reference
          {"f 1 1 0", "A10"},    // another sheet's own reference stays
          {"f 2 0 0", "S0!#REF!:#REF!"},
          {"name Rng", "[-1] S0!#REF!:#REF!"},
          {"name Tisk", "[0] S0!$A$1:$D$9"},
          {"name Jinde", "[-1] S1!$A$1:$A$5"},
          // A range reaching into the block from above keeps its rows above it (2-6 -> 2-4).
          {"merged 0", "4-4/3-3 4-4/4-5 5-6/3-3 4-4/7-7 2-4/6-6"},
          {"cf 0", ""},
          {"breaks 0", "6 9"}}},
        {"delete rows 4..6 of the first sheet",
         {Op::Delete, 0, 4, 3, 0, 0},
         {{"A 0 10", "0 1 2 3 7 8 9 10 11 -"},
          {"f 0 0 1", "A7"},
          // Gone: inside the block, and one column that would shrink to a single cell.
          {"merged 0", "4-4/4-5 5-6/3-3 2-3/6-6"},
          {"breaks 0", "6 9"}}},
        {"two empty rows inserted at row 5",
         {Op::Copy, 0, 40, 41, 5, 1},
         {{"A 0 14", "0 1 2 3 4 - - 5 6 7 8 9 10 11"},
          {"f 0 0 1", "A12"},
          {"f 0 0 3", "A1 $A$1 +"},
          {"f 0 1 1", "$A$3"},
          {"f 0 2 1", "A3:A9"},
          {"f 0 4 2", "A5 2 *"},
          {"f 0 6 2", "(none)"},
          {"f 1 0 0", "S0!A12"},
          {"f 2 0 0", "S0!A3:A9"},
          {"name Rng", "[-1] S0!$A$3:$A$9"},
          {"merged 0", "4-8/3-3 4-9/4-5 10-11/3-3 4-9/7-7 2-8/6-6"},
          {"cf 0", "7-7/0-0"},
          {"cfrule 0", "A8"},
          {"breaks 0", "11 14"}}},
        {"the first row copied to the fourth",
         {Op::Copy, 0, 0, 0, 3, 1},
         {{"A 0 6", "0 1 2 0 3 4"},
          {"f 0 0 1", "A11"},
          {"f 0 3 1", "A14"},
          {"f 0 3 3", "A4 $A$1 +"},
          {"f 0 0 3", "A1 $A$1 +"}}},
        // The source block moves down as copies go in above it: a copy's references move by
        // how far the copy stands from where its source then stood.
        {"a row copied twice above itself",
         {Op::Copy, 0, 14, 14, 14, 2},
         {{"f 0 14 1", "A15"}, {"f 0 15 1", "A16"}, {"f 0 16 1", "A17"}}},
        {"a row copied right after itself",
         {Op::Copy, 0, 14, 14, 15, 2},
         {{"f 0 14 1", "A15"}, {"f 0 15 1", "A16"}, {"f 0 16 1", "A17"}}},
        {"the shared formula's rows copied below it",
         {Op::Copy, 0, 1, 2, 20, 2},
         {{"f 0 20 2", "A21 2 *"}, {"f 0 23 2", "A24 2 *"}, {"f 0 1 2", "A2 2 *"}}},
        {"conditional row copied three times directly below it",
         {Op::Copy, 0, 5, 5, 6, 3},
         {{"cf 0", "5-8/0-0"},
          {"cfrule 0", "A6"},
          {"merged 0", "4-9/3-3 4-10/4-5 11-12/3-3 4-10/7-7 2-9/6-6"}}},
        {"rows 2..3 copied twice to row 10",
         {Op::Copy, 0, 2, 3, 10, 2},
         {{"breaks 0", "9 16"}, {"f 0 10 1", "A11:A15"}, {"f 0 2 1", "A3:A7"}, {"f 0 0 1", "A10"}}},
        {"delete the first row of the second sheet",
         {Op::Delete, 1, 0, 1, 0, 0},
         {{"f 0 11 1", "S1!A4"},
          {"f 0 0 1", "A10"},
          {"f 1 0 0", "A9"},
          {"name Jinde", "[-1] S1!#REF!:#REF!"},
          {"name Rng", "[-1] S0!$A$3:$A$7"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TWorkbook wb;
        LoadWorkbook(wb, Fixture());
        if (c.op.kind == Op::Delete)
            wb.DeleteRows(c.op.sheet, c.op.first, c.op.last);
        else
            wb.InsertAndCopyRows(c.op.sheet, c.op.first, c.op.last, c.op.destination, c.op.copies, false);
        for (const auto& [key, expected] : c.expect) EXPECT_EQ(Aspect(wb, key), expected) << key;
        // Whatever moved, the workbook still saves and loads again with the same references.
        TWorkbook again;
        LoadWorkbook(again, SaveBytes(wb));
        for (const auto& [key, expected] : c.expect)
            EXPECT_EQ(Aspect(again, key), expected) << "reloaded " << key;
    }
}

TEST(Workbook, CopiedSheetsGetNewNamesTheirOwnNamesAndStayInOrder) {
    TWorkbook wb;
    LoadWorkbook(wb, Fixture());
    wb.InsertSheets(0, 1, 2);
    ASSERT_EQ(wb.Sheets.Count(), 5);
    QStringList names;
    for (int i = 0; i < wb.Globals.SheetCount(); ++i) names << wb.Globals.SheetName(i);
    // The name made last stands first.
    EXPECT_EQ(names.join(','), "Sheet1,Sheet4,Sheet,Sheet2,Sheet3");
    // Each copy gets the source's local name and a local copy of the global name on the source,
    // both on the copy itself; names elsewhere follow their sheets, and the copies move only once.
    EXPECT_EQ(Aspect(wb, "name Tisk"), "[0] S0!$A$1:$D$12 | [1] S1!$A$1:$D$12 | [2] S2!$A$1:$D$12");
    EXPECT_EQ(Aspect(wb, "name Rng"), "[-1] S0!$A$3:$A$7 | [1] S1!$A$3:$A$7 | [2] S2!$A$3:$A$7");
    EXPECT_EQ(Aspect(wb, "name Jinde"), "[-1] S3!$A$1:$A$5");
    EXPECT_EQ(Aspect(wb, "f 0 11 1"), "S3!A5");
    EXPECT_EQ(Aspect(wb, "f 1 0 1"), "A10");
    EXPECT_EQ(Aspect(wb, "f 3 0 0"), "S0!A10");
    EXPECT_EQ(GetWord(wb.Globals.References.SupBooks[0]->Data, 0), 5);
    EXPECT_TRUE(wb.Sheets[0].Window2->Selected());
    EXPECT_FALSE(wb.Sheets[1].Window2->Selected());

    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(Aspect(again, "name Tisk"), Aspect(wb, "name Tisk"));
    EXPECT_EQ(again.Globals.SheetName(2), "Sheet");
}

// The source may stand after the place the copies go to; every copy is still of the source.
TEST(Workbook, CopiesBeforeTheirSourceAreCopiesOfTheSource) {
    TWorkbook wb;
    LoadWorkbook(wb, Fixture());
    wb.InsertSheets(2, 0, 2);
    ASSERT_EQ(wb.Sheets.Count(), 5);
    for (int s : {0, 1, 4}) {
        SCOPED_TRACE(s);
        EXPECT_EQ(FormulaText(wb, s, 0, 0), "S2!A3:A7");
        EXPECT_EQ(wb.WorkSheets(s).Cells.CellList.GetValue(0, 1).Value, QVariant());
    }
    EXPECT_EQ(Aspect(wb, "f 2 0 1"), "A10");
}

TEST(Workbook, SheetOperationsRefuseSheetNumbersOutOfRange) {
    TWorkbook wb;
    LoadWorkbook(wb, Fixture());
    const QString invalid = QString::fromUtf8(XlsMessages::ErrInvalidSheetNo);
    EXPECT_EQ(MessageOf([&] { wb.DeleteRows(3, 0, 1); }), invalid.arg(3).arg(0).arg(2));
    EXPECT_EQ(MessageOf([&] { wb.InsertAndCopyRows(-1, 0, 0, 1, 1, false); }), invalid.arg(-1).arg(0).arg(2));
    EXPECT_EQ(MessageOf([&] { wb.InsertSheets(3, 0, 1); }), invalid.arg(3).arg(0).arg(2));
    EXPECT_EQ(MessageOf([&] { wb.InsertSheets(0, 4, 1); }), invalid.arg(4).arg(0).arg(2));
    struct Case {
        int first, last, destination, copies;
    };
    const Case bad[] = {{3, 2, 0, 1}, {-1, 2, 0, 1}, {0, 65536, 0, 1}, {2, 5, 4, 1},
                        {2, 5, 5, 1}, {0, 0, -1, 1}, {0, 9, 65530, 1}};
    for (const Case& c : bad) {
        SCOPED_TRACE(c.first * 1000 + c.destination);
        EXPECT_EQ(
            MessageOf([&] { wb.InsertAndCopyRows(0, c.first, c.last, c.destination, c.copies, false); }),
            XlsMessages::ErrBadCopyRows);
    }
}

// A formula the walker cannot read stops a row operation before anything has moved.
TEST(Workbook, UnsupportedTokenRefusesRowOperationsAndChangesNothing) {
    QByteArray stream = Fixture();
    // A memory-area token in a cell of the third sheet.
    QByteArray bad = Formula(3, 1, Bytes({0x26}) + QByteArray(6, '\0') + Ref(0, 0));
    int pos = stream.lastIndexOf(Window2(false));
    stream.insert(pos, RowRec(3) + bad);
    TWorkbook wb;
    LoadWorkbook(wb, stream);
    const QByteArray before = SaveBytes(wb);
    const QString expected = QString::fromUtf8(XlsMessages::ErrFormulaNotSupported).arg(4).arg(2).arg("26");
    EXPECT_EQ(MessageOf([&] { wb.DeleteRows(0, 5, 3); }), expected);
    EXPECT_EQ(MessageOf([&] { wb.InsertAndCopyRows(0, 1, 1, 3, 1, false); }), expected);
    EXPECT_EQ(SaveBytes(wb), before);
}

// Formulas are checked against their own end: a token that runs past it is never read on.
TEST(Workbook, FormulaTokensAreCheckedAgainstTheFormulaEnd) {
    struct Case {
        const char* what;
        QByteArray tokens;
        QString message;
    };
    const QString notSupported = QString::fromUtf8(XlsMessages::ErrFormulaNotSupported);
    const Case cases[] = {
        {"number cut short", Bytes({0x1F, 0, 0, 0}), notSupported.arg(1).arg(1).arg("1F")},
        {"reference cut short", Ref(0, 0).left(3), notSupported.arg(1).arg(1).arg("24")},
        {"string longer than the formula", Bytes({0x17, 40, 0, 'a'}), notSupported.arg(1).arg(1).arg("17")},
        {"choose with too many jumps", Bytes({0x19, 0x04, 50, 0}), notSupported.arg(1).arg(1).arg("19")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray stream = Bof(5) + BoundSheet("A") + Eof() + Bof(0x10) + RowRec(0) +
                            Formula(0, 0, c.tokens) + Number(0, 1, 1) + Window2(true) + Eof();
        TWorkbook wb;
        LoadWorkbook(wb, stream);
        EXPECT_EQ(MessageOf([&] { wb.DeleteRows(0, 1, 1); }), c.message);
    }
    // A token length that claims more than the record holds.
    QByteArray lying =
        Rec(0x0006, Words({0, 0, 15}) + QByteArray(8, '\0') + Words({0, 0, 0, 200}) + Ref(0, 0));
    TWorkbook wb;
    LoadWorkbook(wb,
                 Bof(5) + BoundSheet("A") + Eof() + Bof(0x10) + RowRec(0) + lying + Window2(true) + Eof());
    EXPECT_EQ(MessageOf([&] { wb.DeleteRows(0, 1, 1); }), XlsMessages::ErrExcelInvalid);
}

// When an operation fails after it has moved part of the workbook, the workbook says so when it
// is saved instead of writing references that no longer agree.
TEST(Workbook, RowOperationFailingMidwayIsReportedWhenSaving) {
    QByteArray stream = Fixture();
    int pos = stream.indexOf(Window2(true));
    stream.insert(pos, RowRec(65535));
    TWorkbook wb;
    LoadWorkbook(wb, stream);
    const QString overflow = QString::fromUtf8(XlsMessages::ErrTooManyEntries).arg(65536).arg(65535);
    EXPECT_EQ(MessageOf([&] { wb.InsertAndCopyRows(0, 40, 40, 0, 1, false); }), overflow);
    EXPECT_EQ(MessageOf([&] { SaveBytes(wb); }), overflow);
    // Loading again starts afresh.
    LoadWorkbook(wb, Fixture());
    EXPECT_NO_THROW(SaveBytes(wb));
}

// The sheet directory says where every sheet starts; a chart sheet is kept whole, and its series
// formula follows the rows of the sheet it shows.
TEST(Workbook, BoundSheetPositionsAreTheOffsetsOfTheirSheets) {
    QByteArray chart =
        Bof(0x20) + Rec(0x1002, QByteArray(16, '\0')) +
        Rec(0x1051, Bytes({1, 2}) + QByteArray(4, '\0') + Words({11}) + Area3d(0, 2, 6, 1, 1)) +
        Window2(false) + Eof();
    QByteArray globals = Bof(5) + Window1() + BoundSheet("Data") + BoundSheet("Graf", 0x0200) +
                         LocalSupBook(2) + ExternSheet(2) + Rec(0x008C, Words({420, 420})) + Eof();
    QByteArray sheet =
        Bof(0x10) + RowRec(0) + Number(0, 0, 1) + Window2(true) + Rec(0x001D, QByteArray(15, '\0')) + Eof();
    TWorkbook wb;
    LoadWorkbook(wb, globals + sheet + chart);
    ASSERT_EQ(wb.Sheets.Count(), 2);
    EXPECT_TRUE(wb.IsWorksheet(0));
    EXPECT_FALSE(wb.IsWorksheet(1));
    wb.DeleteRows(0, 0, 1);
    wb.InsertSheets(0, 2, 1);
    wb.SetActiveSheet(2);

    QByteArray saved = SaveBytes(wb);
    std::vector<int> bofs;
    int pos = 0;
    QStringList ids;
    std::vector<quint32> offsets;
    for (auto& [id, payload] : Split(saved)) {
        if (id == 0x0809) bofs.push_back(pos);
        if (id == 0x0085) offsets.push_back(GetLongWord(payload, 0));
        if (id == 0x1051) ids << Decompile(payload, 8, 8 + GetWord(payload, 6), &wb.Globals.References);
        pos += 4 + payload.size();
    }
    ASSERT_EQ(bofs.size(), 4u);
    ASSERT_EQ(offsets.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(offsets[size_t(i)], quint32(bofs[size_t(i) + 1])) << i;
    EXPECT_EQ(ids.join(','), "S0!$B$2:$B$6");
    // The COUNTRY record that stood after the sheet directory is written before it.
    auto parts = Split(saved);
    EXPECT_LT(std::find_if(parts.begin(), parts.end(), [](auto& p) { return p.first == 0x008C; }),
              std::find_if(parts.begin(), parts.end(), [](auto& p) { return p.first == 0x0085; }));
    EXPECT_EQ(GetWord(wb.Globals.Window1->Data, 10), 2);
    EXPECT_TRUE(wb.Sheets[2].Window2->Selected());
    EXPECT_FALSE(wb.Sheets[0].Window2->Selected());
}

namespace {

// A workbook with formulas written by an independent writer, edited here and judged by other
// readers: python3-xlrd reads the values, merged cells and breaks back; LibreOffice, when
// installed, recalculates every formula, which shows that their references moved correctly.
class ForeignTemplateTest : public TempDirTest {
protected:
    QString MakeTemplate() {
        QString path = PathOf("template.xls");
        Python(
            "import sys, xlwt\n"
            "wb = xlwt.Workbook()\n"
            "ws = wb.add_sheet('Data')\n"
            "for r in range(10): ws.write(r, 0, r + 1)\n"
            "ws.write(0, 1, xlwt.Formula('SUM(A1:A10)'))\n"
            "ws.write(1, 1, xlwt.Formula('A5*2'))\n"
            "ws.write(4, 2, xlwt.Formula('A5+1'))\n"
            "ws.write(4, 3, 'text')\n"
            "ws.write_merge(0, 1, 3, 4, 'merged')\n"
            "ws.horz_page_breaks = [(6, 0, 255)]\n"
            "s2 = wb.add_sheet('Souhrn')\n"
            "s2.write(0, 0, xlwt.Formula('Data!A5'))\n"
            "s2.write(1, 0, xlwt.Formula('SUM(Data!A1:A10)'))\n"
            "wb.save(sys.argv[1])\n",
            {path});
        return path;
    }

    // Runs LibreOffice on a file; it writes the converted file into `outDir`.
    void Convert(const QString& file, const QString& filter, const QString& outDir) {
        QString error;
        ASSERT_TRUE(ConvertWithLibreOffice({file}, filter, outDir, {}, &error)) << error.toStdString();
    }

    // Every sheet of a workbook as recalculated values, one CSV line per row.
    // One conversion writes every sheet: a workbook already converted is not converted again.
    QStringList Csv(const QString& xls, const QString& sheet) {
        const QString csv = PathOf("csv/" + QFileInfo(xls).completeBaseName() + "-" + sheet + ".csv");
        if (!QFile::exists(csv))
            Convert(xls, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                    PathOf("csv"));
        QFile f(csv);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << sheet.toStdString();
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
};

}  // namespace

TEST_F(ForeignTemplateTest, EditedTemplateReadsBackWithMovedReferences) {
    TXlsStorageList storages;
    storages.LoadFromFile(MakeTemplate());
    TWorkbook wb;
    wb.LoadFromData(storages.FindStream("Workbook"));
    wb.InsertAndCopyRows(0, 4, 4, 5, 2, false);  // row 5 twice more, right below itself
    wb.DeleteRows(0, 2, 1);                      // and the third row gone
    wb.InsertSheets(1, 2, 1);
    QString out = PathOf("out.xls");
    SaveAsXls(wb, out);

    QString read = Python(
        "import sys, xlrd\n"
        "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
        "s = b.sheet_by_index(0)\n"
        "print(','.join(b.sheet_names()))\n"
        "print(' '.join(str(int(s.cell_value(r, 0))) for r in range(s.nrows) if s.cell_type(r, 0) == 2))\n"
        "print(s.merged_cells, s.horizontal_page_breaks)\n"
        "print(s.cell_value(3, 3))\n",
        {out});
    EXPECT_EQ(read, "Data,Souhrn,Sheet\n1 2 4 5 5 5 6 7 8 9 10\n[(0, 2, 3, 5)] [(7, 0, 255)]\ntext\n");

    REQUIRE_LIBREOFFICE(false);
    QStringList data = Csv(out, "Data");
    ASSERT_GE(data.size(), 6);
    // SUM over the grown and shrunk column, a reference moved up, and the copies of C5.
    EXPECT_TRUE(data[0].startsWith("1,62,")) << data[0].toStdString();
    EXPECT_TRUE(data[1].startsWith("2,10,")) << data[1].toStdString();
    EXPECT_TRUE(data[3].startsWith("5,,6,")) << data[3].toStdString();
    EXPECT_TRUE(data[4].startsWith("5,,6")) << data[4].toStdString();
    EXPECT_TRUE(data[5].startsWith("5,,6")) << data[5].toStdString();
    EXPECT_EQ(Csv(out, "Souhrn").join('|'), "5|62");
}

// LibreOffice writes a column of like formulas as one shared formula: each cell gets its own
// tokens here, and copies and deletions keep them right.
TEST_F(ForeignTemplateTest, SharedFormulasOfALibreOfficeTemplate) {
    REQUIRE_LIBREOFFICE(false);
    QFile csv(PathOf("lo.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("1,=A1*2,=SUM(B1:B5)\n2,=A2*2\n3,=A3*2\n4,=A4*2\n5,=A5*2\n");
    csv.close();
    Convert(PathOf("lo.csv"), "xls", Folder());
    TXlsStorageList storages;
    storages.LoadFromFile(PathOf("lo.xls"));
    auto parts = Split(storages.FindStream("Workbook"));
    ASSERT_TRUE(std::any_of(parts.begin(), parts.end(), [](auto& p) { return p.first == 0x04BC; }));
    TWorkbook wb;
    wb.LoadFromData(storages.FindStream("Workbook"));
    EXPECT_EQ(FormulaText(wb, 0, 3, 1), "A4 2 *");
    wb.InsertAndCopyRows(0, 1, 1, 2, 1, false);
    wb.DeleteRows(0, 3, 1);
    QString out = PathOf("edited.xls");
    SaveAsXls(wb, out);
    EXPECT_EQ(Csv(out, wb.Globals.SheetName(0)).join('|'), "1,2,28|2,4,|2,4,|4,8,|5,10,");
}

// A text result comes from the STRING record after its formula; what is saved never announces a
// text that does not follow, so other readers open the file.
TEST_F(ForeignTemplateTest, FormulaTextResultsAreReadAndNeverPromisedOnSave) {
    QByteArray stringRec = Rec(0x0207, Words({4}) + Bytes({0}) + "Ahoj");
    QByteArray textFormula = Rec(0x0006, Words({0, 0, 15, 0, 0, 0, 0xFFFF, 0, 0, 0, 3}) + Ref(0, 1));
    QByteArray stream = Bof(5) + BoundSheet("A") + Eof() + Bof(0x10) + RowRec(0) + textFormula + stringRec +
                        Number(0, 1, 7) + Window2(true) + Eof();
    TWorkbook wb;
    LoadWorkbook(wb, stream);
    EXPECT_EQ(wb.WorkSheets(0).Cells.CellList.GetValue(0, 0).Value, QVariant(QString("Ahoj")));
    FormulaAt(wb, 0, 0, 0)->SetCachedValue(QString("Jiný text"));
    EXPECT_EQ(wb.WorkSheets(0).Cells.CellList.GetValue(0, 0).Value, QVariant(QString("Jiný text")));
    QByteArray saved = SaveBytes(wb);
    for (auto& [id, payload] : Split(saved)) {
        EXPECT_NE(id, 0x0207);
        if (id == 0x0006) {
            EXPECT_NE(payload[6], 0) << "a text result would need a STRING record";
        }
    }
    // The same on a workbook other readers can open (it has its formats): xlrd reads it.
    TXlsStorageList storages;
    storages.LoadFromFile(MakeTemplate());
    TWorkbook foreign;
    foreign.LoadFromData(storages.FindStream("Workbook"));
    FormulaAt(foreign, 0, 0, 1)->SetCachedValue(QString("text"));
    QString path = PathOf("text.xls");
    SaveAsXls(foreign, path);
    EXPECT_EQ(Python("import sys, xlrd\n"
                     "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                     "print(s.cell_value(0, 0), s.cell_type(0, 1))\n",
                     {path}),
              "1.0 5\n");

    // An array formula with a text result: FORMULA, ARRAY, STRING. The text is the formula's;
    // array formulas themselves are not taken (their cells point at no shared formula).
    QByteArray arrayFormula = Formula(0, 0, Bytes({0x01}) + Words({0, 0}));
    QByteArray array = Rec(0x0221, Words({0, 0}) + Bytes({0, 0}) + Words({0, 0, 0, 5}) + Ref(0, 1));
    auto records = LoadAll(arrayFormula + array + stringRec);
    EXPECT_EQ(records.size(), 3u);
    TWorkbook withArray;
    EXPECT_EQ(MessageOf([&] {
                  LoadWorkbook(withArray, Bof(5) + BoundSheet("A") + Eof() + Bof(0x10) + RowRec(0) +
                                              arrayFormula + array + stringRec + Window2(true) + Eof());
              }),
              XlsMessages::ErrShrFmlaNotFound);
}

// Cells split out of rows of values borrow their bytes from the loaded workbook, as the other
// records borrow theirs from the stream: enough of them to fill several blocks read right, a
// changed cell takes its own copy and leaves its neighbours alone, and a workbook loaded again
// drops the old cells before their bytes.
TEST(Workbook, CellsSplitOutOfRowsOfValuesLiveWithTheWorkbook) {
    constexpr int kRows = 40;
    constexpr int kColumns = 200;  // 8 000 cells of 10 bytes
    auto stream = [](int first) {
        QByteArray sheet = Bof(0x10);
        for (int r = 0; r <= kRows; ++r) sheet += RowRec(r);
        for (int r = 0; r < kRows; ++r) {
            QByteArray mulrk = Words({quint16(r), 1});  // from column B
            for (int c = 0; c < kColumns; ++c) {
                const quint32 rk = quint32(first + r * kColumns + c) << 2 | 2;  // an integer
                mulrk += Words({15, quint16(rk & 0xFFFF), quint16(rk >> 16)});
            }
            sheet += Rec(0x00BD, mulrk + Words({kColumns}));
        }
        sheet += Rec(0x00BE, Words({kRows, 0, 16, 17, 1})) + Window2(true) + Eof();
        return Bof(5) + Window1() + BoundSheet("List") + Eof() + sheet;
    };
    auto value = [](TWorkbook& wb, int row, int col) {
        return wb.WorkSheets(0).Cells.CellList.GetValue(row, col).Value.toInt();
    };
    TWorkbook wb;
    wb.LoadFromData(stream(100));
    for (int r = 0; r < kRows; r += 13)
        for (int c = 1; c <= kColumns; c += 37) EXPECT_EQ(value(wb, r, c), 100 + r * kColumns + c - 1) << r;
    EXPECT_EQ(value(wb, kRows - 1, kColumns), 100 + kRows * kColumns - 1);
    EXPECT_EQ(wb.WorkSheets(0).Cells.CellList.GetValue(kRows, 1).XF, 17);

    wb.WorkSheets(0).Cells.CellList.SetValue(0, 2, {7.0, -1, false});
    EXPECT_EQ(value(wb, 0, 1), 100);
    EXPECT_EQ(value(wb, 0, 2), 7);
    EXPECT_EQ(value(wb, 0, 3), 102);
    const QByteArray saved = SaveBytes(wb);

    wb.LoadFromData(stream(100000));
    EXPECT_EQ(value(wb, kRows - 1, kColumns), 100000 + kRows * kColumns - 1);
    wb.LoadFromData(saved);
    EXPECT_EQ(value(wb, 0, 2), 7);
    EXPECT_EQ(value(wb, kRows - 1, kColumns), 100 + kRows * kColumns - 1);
}
