#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <bit>

#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsOtherRecords.h"
#include "XLSAdapter/UXlsRowColEntries.h"
#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/XlsMessages.h"
#include "XlsTestUtil.h"
#include "common/TempDir.h"
#include "platform/storage/CompoundFile.h"

using namespace xlstest;

namespace {

class CellsTest : public ::testing::Test {
protected:
    TSST sst;
    TColInfoList columns;
    TCells cells{&sst, &columns};

    void Set(int row, int col, const QVariant& v, int xf = -1) {
        cells.CellList.SetValue(row, col, {v, xf, false});
    }
    QVariant Get(int row, int col) { return cells.CellList.GetValue(row, col).Value; }
    // The ids of the saved cell table, in order.
    std::vector<quint16> SavedIds() {
        std::vector<quint16> ids;
        for (auto& [id, payload] : Split(Saved(cells))) ids.push_back(id);
        return ids;
    }
};

}  // namespace

// The record kind and the exact bytes a number is stored with.
TEST_F(CellsTest, NumbersAreStoredAsRkWhenThatKeepsThemExactly) {
    struct Case {
        double value;
        quint16 id;
        quint32 rk;  // RK records only
    };
    const Case cases[] = {
        {0.5, 0x027E, 0x3FE00000},
        {1.0, 0x027E, 0x3FF00000},  // the double form comes before the integer form
        {-1.0, 0x027E, 0xBFF00000},
        {123456789, 0x027E, 493827158},
        {-536870912, 0x027E, 0xC1C00000},
        {536870911, 0x027E, 536870911u * 4 + 2},
        {123456.78, 0x027E, 12345678u * 4 + 3},  // the integer form, times 100
        {1.23, 0x027E, 0x405EC001},
        {0.1, 0x027E, 0x40240001},
        {-12.34, 0x027E, 0xC0934801},
        {1e300, 0x0203, 0},
        {123456789.5, 0x0203, 0},
        {0.07, 0x0203, 0},
        // 100 times this is exactly 35, but 35 / 100 is 0.35, not this number.
        {0.35000000000000003, 0x0203, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Set(0, 1, c.value, 15);
        auto parts = Split(Saved(*cells.CellList.Row(0)));
        ASSERT_EQ(parts.size(), 1u);
        EXPECT_EQ(parts[0].first, c.id);
        if (c.id == 0x027E) {
            EXPECT_EQ(parts[0].second, Words({0, 1, 15}) + Words({quint16(c.rk), quint16(c.rk >> 16)}));
        } else {
            quint64 bits = std::bit_cast<quint64>(c.value);
            QByteArray expected = Words({0, 1, 15});
            for (int i = 0; i < 8; ++i) expected += char((bits >> (8 * i)) & 0xFF);
            EXPECT_EQ(parts[0].second, expected);
        }
        EXPECT_EQ(std::bit_cast<quint64>(Get(0, 1).toDouble()), std::bit_cast<quint64>(c.value));
    }
    quint32 rk;
    EXPECT_FALSE(EncodeRK(0.35000000000000003, rk));
}

TEST_F(CellsTest, ValuesOfEveryKind) {
    Set(0, 0, QString::fromUtf8("Příliš"));
    Set(0, 1, true);
    Set(0, 2, 42);
    Set(0, 3, QDate(2024, 2, 29));
    Set(0, 4, QString());
    EXPECT_EQ(Get(0, 0), QVariant(QString::fromUtf8("Příliš")));
    EXPECT_EQ(Get(0, 1), QVariant(true));
    EXPECT_EQ(Get(0, 2).toDouble(), 42.0);
    EXPECT_EQ(Get(0, 3), QVariant(QString("29.2.2024")));
    EXPECT_FALSE(Get(0, 4).isValid());
    EXPECT_EQ(cells.CellList.GetValue(0, 4).XF, -1);

    TBoolErrRecord err(0, 0, 0);
    err.SetValue(QString("#DIV/0!"));
    EXPECT_EQ(err.Data.mid(6), QByteArray("\x07\x01", 2));
    EXPECT_EQ(err.GetValue(), QVariant(QString("#DIV/0!")));
    err.Data[6] = 0x55;  // an unknown code reads as the first one
    EXPECT_EQ(err.GetValue(), QVariant(QString("#NULL!")));
    EXPECT_EQ(MessageOf([&] { err.SetValue(QString("#BAD")); }), "Invalid cell error code: \"#BAD\"");
    EXPECT_EQ(MessageOf([&] { err.SetValue(3.5); }), "Invalid cell value: \"3.5\"");
    TRKRecord rk(0, 0, 0);
    EXPECT_EQ(MessageOf([&] { rk.SetValue(1e300); }), "Invalid cell value: \"1e+300\"");
}

TEST_F(CellsTest, OutOfRangeRowsAndColumns) {
    EXPECT_EQ(MessageOf([&] { Set(70000, 0, 1); }), "Invalid Row (70000)");
    EXPECT_EQ(MessageOf([&] { Set(0, 256, 1); }), "Invalid Column (256)");
    EXPECT_EQ(MessageOf([&] { cells.CellList.GetValue(-1, 0); }), "Invalid Row (-1)");
    EXPECT_EQ(MessageOf([&] { cells.RowList.RowRecord(3); }), "Missing ROW Record for row 3");
}

// An empty value removes the cell when its format is the default one (the row's, else the
// column's); with another format a BLANK keeps the format.
TEST_F(CellsTest, EmptyValueKeepsOnlyAFormatOtherThanTheDefault) {
    auto colinfo = std::make_unique<TColInfoRecord>(0x007D, Words({2, 5, 3000, 21, 0, 0}));
    columns.AddRecord(std::move(colinfo));
    Set(0, 3, 1.5);
    EXPECT_EQ(cells.CellList.GetValue(0, 3).XF, 21);  // the column's format
    Set(0, 3, QVariant());
    EXPECT_EQ(cells.CellList.Row(0)->Count(), 0);
    Set(0, 3, QVariant(), 30);
    EXPECT_EQ(cells.CellList.GetValue(0, 3).XF, 30);
    EXPECT_EQ(cells.CellList.Row(0)->Cell(0)->Id, 0x0201);

    cells.RowList.EnsureRow(1);
    cells.RowList.RowRecord(1)->SetXF(40);
    Set(1, 3, QVariant(), 40);
    EXPECT_EQ(cells.CellList.GetValue(1, 3).XF, -1);  // the row's format wins over the column's
    Set(1, 3, QString("x"));
    EXPECT_EQ(cells.CellList.GetValue(1, 3).XF, 40);
    EXPECT_EQ(cells.RowList.RowRecord(1)->MaxCol(), 4);
}

TEST_F(CellsTest, MulRkAndMulBlankBecomeSingleCells) {
    QByteArray mulrk = Words({3, 2});
    for (int i = 0; i < 5; ++i) {
        quint32 rk = quint32((i + 1) * 4 + 2);
        mulrk += Words({quint16(15 + i), quint16(rk), quint16(rk >> 16)});
    }
    mulrk += Words({6});
    auto records = LoadAll(Rec(0x00BD, mulrk) + Rec(0x00BE, Words({4, 0, 7, 8, 1})));
    cells.AddRow(std::make_unique<TRowRecord>(3));
    cells.AddRow(std::make_unique<TRowRecord>(4));
    for (auto& r : records)
        cells.AddMultiple(
            std::unique_ptr<TMultipleValueRecord>(static_cast<TMultipleValueRecord*>(r.release())));
    for (int c = 2; c <= 6; ++c) {
        SCOPED_TRACE(c);
        TXlsCellValue v = cells.CellList.GetValue(3, c);
        EXPECT_EQ(v.Value.toDouble(), c - 1);
        EXPECT_EQ(v.XF, 15 + c - 2);
    }
    EXPECT_EQ(cells.CellList.GetValue(4, 1).XF, 8);
    EXPECT_EQ(SavedIds(),
              (std::vector<quint16>{0x0208, 0x0208, 0x027E, 0x027E, 0x027E, 0x027E, 0x027E, 0x0201, 0x0201}));
    EXPECT_EQ(MessageOf([&] { cells.AddRow(std::make_unique<TRowRecord>(3)); }), "Duplicated ROW record");
}

TEST_F(CellsTest, CellTableIsWrittenInBlocksOf32Rows) {
    for (int r = 0; r < 100; ++r) Set(r, 0, r);
    std::vector<quint16> expected;
    for (int block : {32, 32, 32, 4}) {
        expected.insert(expected.end(), block, 0x0208);
        expected.insert(expected.end(), block, 0x027E);
    }
    EXPECT_EQ(SavedIds(), expected);
    EXPECT_EQ(cells.TotalSize(), Saved(cells).size());

    TCells orphan(&sst, &columns);
    auto cell = std::make_unique<TNumberRecord>(5, 0, 0);
    orphan.AddCell(std::move(cell));
    EXPECT_EQ(MessageOf([&] { Saved(orphan); }), QString(XlsMessages::ErrRowMissing));
}

TEST_F(CellsTest, DeletingAndCopyingRows) {
    for (int r = 0; r < 12; ++r) Set(r, 1, r);
    const SheetInfo here{0, 0, {}, {}};
    cells.DeleteRows(5, 3, here);
    EXPECT_EQ(Get(5, 1).toDouble(), 8);
    EXPECT_EQ(Get(8, 1).toDouble(), 11);
    EXPECT_EQ(cells.RowList.RowRecord(5)->Row(), 5);
    EXPECT_FALSE(Get(9, 1).isValid());

    // Rows now hold 0,1,2,3,4,8,9,10,11 in rows 0..8; copy rows 2..3 twice to row 6.
    cells.InsertAndCopyRows(2, 3, 6, 2, here, false);
    std::vector<double> values;
    for (int r = 0; r < 13; ++r) values.push_back(Get(r, 1).toDouble());
    EXPECT_EQ(values, (std::vector<double>{0, 1, 2, 3, 4, 8, 2, 3, 2, 3, 9, 10, 11}));
    for (int r = 0; r < 13; ++r) EXPECT_EQ(cells.RowList.RowRecord(r)->Row(), r);
    EXPECT_EQ(cells.CellList.Row(12)->Cell(0)->Row(), 12);

    // Copying a block below its destination: the source moves down as rows go in above it.
    cells.InsertAndCopyRows(11, 12, 0, 1, here, false);
    EXPECT_EQ(Get(0, 1).toDouble(), 10);
    EXPECT_EQ(Get(1, 1).toDouble(), 11);
    EXPECT_EQ(Get(14, 1).toDouble(), 11);

    // A record on another sheet's behalf moves nothing.
    cells.ArrangeInsert(0, 5, SheetInfo{1, 0, {}, {}});
    EXPECT_EQ(Get(0, 1).toDouble(), 10);
}

// Numbers, texts, blanks and booleans are kept in their row as a few plain bytes, not as records:
// each kind reads, saves and is copied exactly as its record would be, becomes that very record
// when one is asked for, and gives its text back to the string table when it goes. A record of
// such a kind with bytes beyond its usual ones is written back as it came.
TEST_F(CellsTest, PlainCellsReadSaveCopyAndBecomeRecordsAsTheirRecords) {
    sst.AddString(QString::fromUtf8("Dobrý den"));
    TSSTEntry& text = sst[0];
    const int refsBefore = text.Refs;
    QByteArray number = Words({2, 2, 16});
    const quint64 bits = std::bit_cast<quint64>(0.07);
    for (int i = 0; i < 8; ++i) number += char((bits >> (8 * i)) & 0xFF);
    struct Case {
        const char* name;
        quint16 id;
        QByteArray payload;
        QVariant value;
    };
    const Case cases[] = {
        {"RK", 0x027E, Words({2, 1, 15, 0, 0x3FF0}), 1.0},
        {"NUMBER", 0x0203, number, 0.07},
        {"BLANK", 0x0201, Words({2, 3, 17}), QVariant()},
        {"BOOLERR true", 0x0205, Words({2, 4, 18, 0x0001}), true},
        {"BOOLERR error", 0x0205, Words({2, 5, 19, 0x0107}), QString("#DIV/0!")},
        {"LABELSST", 0x00FD, Words({2, 6, 20, 0, 0}), QString::fromUtf8("Dobrý den")},
        {"RK with a tail", 0x027E, Words({2, 7, 21, 0, 0x4000, 0xABCD}), 2.0},
    };
    auto recordsOfRow = [&](quint16 row) {
        QByteArray stream;
        for (const Case& c : cases) stream += Rec(c.id, Words({row}) + c.payload.mid(2));
        return stream;
    };
    for (auto& r : LoadAll(recordsOfRow(2))) {
        if (r->Id == 0x00FD) static_cast<TLabelSSTRecord&>(*r).AttachToSST(&sst);
        cells.AddCell(std::unique_ptr<TCellRecord>(static_cast<TCellRecord*>(r.release())));
    }
    cells.RowList.EnsureRow(2);
    const SheetInfo here{0, 0, {}, {}};
    cells.InsertAndCopyRows(2, 2, 5, 1, here, false);
    EXPECT_EQ(text.Refs, refsBefore + 2);

    const TCellRecordList& row = *cells.CellList.Row(2);
    EXPECT_EQ(Saved(row), recordsOfRow(2));
    EXPECT_EQ(Saved(*cells.CellList.Row(5)), recordsOfRow(5));
    for (int i = 0; i < row.Count(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        for (int r : {2, 5}) {
            TXlsCellValue v = cells.CellList.GetValue(r, 1 + i);
            EXPECT_EQ(v.Value, c.value);
            EXPECT_EQ(v.XF, 15 + i);
        }
        TCellRecord* record = row.Cell(i);
        EXPECT_EQ(record->Id, c.id);
        EXPECT_EQ(record->Row(), 2);
        EXPECT_EQ(record->GetValue(), c.value);
        EXPECT_EQ(Split(Saved(*record)).at(0).second, c.payload);
    }
    EXPECT_EQ(Saved(row).size(), row.TotalSize());
    EXPECT_EQ(Saved(*cells.CellList.Row(5)).size(), cells.CellList.Row(5)->TotalSize());

    // Both rows go; the text is left with the references it had before.
    cells.DeleteRows(2, 4, here);
    EXPECT_EQ(text.Refs, refsBefore);
}

// A row pushed past the last one is refused before any of its cells moves.
TEST_F(CellsTest, PlainRowPushedPastTheLastRowStaysWhereItWas) {
    Set(65535, 1, 3.0);
    Set(65535, 2, QString("konec"));
    const SheetInfo here{0, 0, {}, {}};
    EXPECT_EQ(MessageOf([&] { cells.CellList.Row(65535)->ArrangeInsert(100, 1, here); }),
              QString::fromUtf8(XlsMessages::ErrTooManyEntries).arg(65536).arg(65535));
    EXPECT_EQ(cells.CellList.Row(65535)->Cell(0)->Row(), 65535);
    EXPECT_EQ(Get(65535, 2), QVariant(QString("konec")));
}

namespace {

class XlrdTest : public TempDirTest {};

// The smallest workbook an independent reader accepts: globals with the sheet and the string
// table, then the sheet's cell table.
QByteArray MinimalWorkbook(TSST& sst, const TCells& cells) {
    QByteArray bofGlobals = Rec(0x0809, Words({0x0600, 0x0005, 0x1234, 1997, 0, 0, 6, 0}));
    QByteArray bofSheet = Rec(0x0809, Words({0x0600, 0x0010, 0x1234, 1997, 0, 0, 6, 0}));
    QByteArray eof = Rec(0x000A, {});
    TBoundSheetRecord sheet(0, QString::fromUtf8("List č. 1"));
    QByteArray globals = bofGlobals + Rec(0x0042, Words({1200})) + Saved(sheet);
    sst.FixRefs();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    out.write(globals);
    sst.SaveToStream(out);
    out.write(eof);
    sheet.SetStreamPosition(quint32(out.pos()));
    out.write(bofSheet);
    cells.SaveToStream(out);
    out.write(Rec(0x023E, Words({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0})));
    out.write(eof);
    QByteArray stream = out.data();
    QByteArray fixed = Saved(sheet);
    stream.replace(bofGlobals.size() + 6, fixed.size(), fixed);
    return stream;
}

}  // namespace

TEST_F(XlrdTest, IndependentReaderReadsOurCellsAndStrings) {
    TSST sst;
    TColInfoList columns;
    TCells cells(&sst, &columns);
    const QString czech = QString::fromUtf8("Žluťoučký kůň úpěl ďábelské ódy");
    cells.CellList.SetValue(0, 0, {czech, -1, false});
    cells.CellList.SetValue(0, 1, {1.23, -1, false});
    cells.CellList.SetValue(0, 2, {1e300, -1, false});
    cells.CellList.SetValue(1, 0, {QString("plain"), -1, false});
    cells.CellList.SetValue(1, 3, {true, -1, false});
    cells.CellList.SetValue(2, 1, {-123456789, -1, false});
    for (int r = 3; r < 40; ++r) cells.CellList.SetValue(r, 0, {QString("row %1").arg(r), -1, false});
    cells.CellList.SetValue(3, 0, {czech, -1, false});

    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back({"Workbook", TCompoundEntryType::Stream, MinimalWorkbook(sst, cells), {}});
    QString path = PathOf("ours.xls");
    CreateCompoundFile(path, root);

    QString out = Python(
        "import sys, xlrd, json\n"
        "b = xlrd.open_workbook(sys.argv[1])\n"
        "s = b.sheet_by_index(0)\n"
        "print(json.dumps([b.sheet_names()[0], [[c.ctype, c.value] for r in range(s.nrows) for c in "
        "s.row(r)]]))\n",
        {path});
    QJsonArray top = QJsonDocument::fromJson(out.toUtf8()).array();
    ASSERT_EQ(top.size(), 2) << out.toStdString();
    EXPECT_EQ(top[0].toString(), QString::fromUtf8("List č. 1"));
    QJsonArray all = top[1].toArray();
    auto cell = [&](int r, int c) { return all[r * 4 + c].toArray(); };
    EXPECT_EQ(cell(0, 0)[1].toString(), czech);
    EXPECT_EQ(cell(0, 1)[1].toDouble(), 1.23);
    EXPECT_EQ(cell(0, 2)[1].toDouble(), 1e300);
    EXPECT_EQ(cell(1, 0)[1].toString(), "plain");
    EXPECT_EQ(cell(1, 3)[0].toInt(), 4);  // Boolean
    EXPECT_EQ(cell(1, 3)[1].toInt(), 1);
    EXPECT_EQ(cell(2, 1)[1].toDouble(), -123456789.0);
    EXPECT_EQ(cell(3, 0)[1].toString(), czech);
    EXPECT_EQ(cell(39, 0)[1].toString(), "row 39");
}
