#include <gtest/gtest.h>

#include "XLSAdapter/UXlsBaseRecordLists.h"
#include "XLSAdapter/UXlsBaseRecords.h"
#include "XLSAdapter/UXlsCellRecords.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/UXlsOtherRecords.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XLSAdapter/XlsMessages.h"
#include "XlsTestUtil.h"
#include "common/TempDir.h"

using namespace xlstest;

namespace {

const QByteArray kBof = Rec(0x0809, Words({0x0600, 0x0005, 0, 0, 0, 0, 0, 0}));

}  // namespace

// A workbook loaded from memory shares its bytes with the records and looks at the next header in
// place; a file stream reads it. Both must make the same records and refuse the same damage.
template <typename Buffer>
class RecordLayer : public ::testing::Test {};
using StreamKinds = ::testing::Types<QBuffer, TSharedPayloadBuffer>;
TYPED_TEST_SUITE(RecordLayer, StreamKinds);

TYPED_TEST(RecordLayer, ContinueChainIsKeptInOrderAndWrittenBack) {
    QByteArray stream = kBof + Rec(0x1234, "head") + Rec(0x003C, "one") + Rec(0x003C, "two") +
                        Rec(0x003C, "three") + Rec(0x000A, "");
    auto records = LoadAll<TypeParam>(stream);
    ASSERT_EQ(records.size(), 3u);
    const TBaseRecord& r = *records[1];
    ASSERT_TRUE(r.Continue && r.Continue->Continue && r.Continue->Continue->Continue);
    EXPECT_EQ(r.Continue->Continue->Continue->Data, QByteArray("three"));
    EXPECT_EQ(r.TotalSize(), 4 * 4 + 4 + 3 + 3 + 5);
    EXPECT_EQ(r.TotalSizeNoHeaders(), 4 + 3 + 3 + 5);

    TBaseRecordList list;
    for (auto& rec : records) list.Add(std::move(rec));
    EXPECT_EQ(Saved(list), stream);
    EXPECT_EQ(list.TotalSize(), stream.size());
    // A clone carries its own copy of the chain.
    EXPECT_EQ(Saved(*list[1]->Clone()), Saved(*list[1]));
}

TYPED_TEST(RecordLayer, TableIsOwnedByTheFormulaBeforeIt) {
    QByteArray formula = Rec(0x0006, QByteArray(22, '\1')) + Rec(0x003C, "c");
    QByteArray table = Rec(0x0236, QByteArray(16, '\2'));
    QByteArray string = Rec(0x0207, Words({1, 0x4100}));
    const QByteArray stream = formula + table + string;
    auto records = LoadAll<TypeParam>(stream);
    ASSERT_EQ(records.size(), 2u);
    auto* f = dynamic_cast<TFormulaRecord*>(records[0].get());
    ASSERT_TRUE(f && f->TableRecord);
    // The stored result gives way to "recalculate": a placeholder and the calculate-on-load bit.
    QByteArray loaded =
        Rec(0x0006, QByteArray(6, '\1') + Words({2, 0, 0, 0xFFFF, 0x0103, 0, 0, 0x0101})) + Rec(0x003C, "c");
    EXPECT_EQ(Saved(*f), loaded + table);
    EXPECT_EQ(Saved(*f->Clone()), loaded + table);
    // STRING belongs to its formula and is never written itself.
    EXPECT_EQ(Saved(*records[1]), QByteArray());
}

TYPED_TEST(RecordLayer, MalformedStreamsRaiseTheLibraryMessages) {
    struct Case {
        const char* what;
        QByteArray stream;
        const char* message;
    };
    const Case cases[] = {
        {"password", kBof + Rec(0x002F, QByteArray(54, '\0')), XlsMessages::ErrFileIsPasswordProtected},
        {"short payload", kBof + Rec(0x1234, "abc").left(6), XlsMessages::ErrExcelInvalid},
        {"short continue", kBof + Rec(0x1234, "abc") + Rec(0x003C, "abcdef").left(7),
         XlsMessages::ErrExcelInvalid},
        {"table after a number", Rec(0x0203, QByteArray(14, '\0')) + Rec(0x0236, QByteArray(16, '\0')),
         XlsMessages::ErrExcelInvalid},
        {"string after a label", Rec(0x00FD, QByteArray(10, '\0')) + Rec(0x0207, Words({0, 0})),
         XlsMessages::ErrExcelInvalid},
        {"old version", Rec(0x0809, Words({0x0500, 5, 0, 0})), XlsMessages::ErrWrongExcelVersion},
        {"short cell", Rec(0x0203, "abc"), "Record with ID 0x203 is invalid"},
        {"short row", Rec(0x0208, QByteArray(8, '\0')), "Record with ID 0x208 is invalid"},
        {"short window1", Rec(0x003D, QByteArray(4, '\0')), "Record with ID 0x3d is invalid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MessageOf([&] { LoadAll<TypeParam>(c.stream); }), QString::fromUtf8(c.message));
    }
}

TEST(RecordChain, ReadMemWalksIntoContinueRecords) {
    auto records = LoadAll(Rec(0x1234, "abc") + Rec(0x003C, "de") + Rec(0x003C, "fgh"));
    const TBaseRecord* r = records[0].get();
    int pos = 1;
    QByteArray got;
    ReadMem(r, pos, 6, &got);
    EXPECT_EQ(got, QByteArray("bcdefg"));
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(r->Data, QByteArray("fgh"));
    EXPECT_EQ(MessageOf([&] { ReadMem(r, pos, 2, nullptr); }), QString(XlsMessages::ErrReadingRecord));
}

TEST(RecordChain, IncWordStopsAtItsBounds) {
    QByteArray d = Words({10});
    IncWord(d, 0, 5, 15);
    EXPECT_EQ(GetWord(d, 0), 15);
    EXPECT_EQ(MessageOf([&] { IncWord(d, 0, 1, 15); }),
              "Too many entries for this kind of record (16 out of a maximum of 15)");
    EXPECT_EQ(MessageOf([&] { IncWord(d, 0, -16, 15); }),
              "Too many entries for this kind of record (-1 out of a maximum of 15)");
    EXPECT_EQ(GetWord(d, 0), 15);
    quint16 v = 3;
    IncWordClamp(v, -10, 100, 1);
    EXPECT_EQ(v, 1);
}

TEST(RecordChain, SmallRecordAccessors) {
    TBoundSheetRecord sheet(0, QString::fromUtf8("Ceník"));
    EXPECT_EQ(sheet.SheetName(), QString::fromUtf8("Ceník"));
    sheet.SetSheetName(QString::fromUtf8("Nabídka č. 1"));
    EXPECT_EQ(sheet.SheetName(), QString::fromUtf8("Nabídka č. 1"));
    EXPECT_EQ(sheet.DataSize(), 6 + 2 + 12 * 2);  // "č" makes the name 16-bit
    EXPECT_EQ(MessageOf([] { TBoundSheetRecord(0, QString(300, 'x')); }),
              QString(XlsMessages::ErrInvalidStringRecord));

    TWindow2Record w2(0x023E, Words({0x0602, 0, 0}));
    EXPECT_TRUE(w2.Selected());
    auto copy = w2.Clone();
    EXPECT_FALSE(static_cast<TWindow2Record&>(*copy).Selected());
    EXPECT_TRUE(static_cast<TWindow2Record&>(*copy).ShowGridLines());

    TWindow1Record w1(0x003D, QByteArray(18, '\7'));
    w1.SetActiveSheet(2);
    EXPECT_EQ(w1.Data.mid(10, 6), Words({2, 0, 1}));
}

namespace {

class XlwtWorkbookTest : public TempDirTest {
protected:
    // A workbook written by an independent writer: text (Czech too), numbers of both kinds,
    // blanks, a date, a formula and enough strings to need CONTINUE records in the SST.
    QString MakeWorkbook() {
        QString path = PathOf("xlwt.xls");
        Python(
            "import sys, xlwt, datetime\n"
            "wb = xlwt.Workbook(encoding='utf-8')\n"
            "ws = wb.add_sheet(u'Ceník')\n"
            "ws.write(0, 0, u'Položka'); ws.write(0, 1, 12.5); ws.write(0, 2, 3)\n"
            "ws.write(1, 0, u'Žluťoučký kůň'); ws.write(1, 1, 1e300); ws.write(1, 4, xlwt.Formula('B1*2'))\n"
            "st = xlwt.easyxf('font: bold on; pattern: pattern solid, fore_colour red')\n"
            "for c in range(2, 7): ws.write(2, c, None, st)\n"
            "ws.write(3, 0, datetime.date(2024, 2, 29), xlwt.easyxf(num_format_str='DD.MM.YYYY'))\n"
            "ws.col(3).width = 5000\n"
            "for i in range(3000): ws.write(5 + i, 0, u'text number %d with some length' % i)\n"
            "wb.add_sheet('Second').write(0, 0, 'x')\n"
            "wb.save(sys.argv[1])\n",
            {path});
        return path;
    }
};

}  // namespace

// Loading and saving the record stream keeps every record we do not interpret byte for byte and
// in place; only the records that are always rebuilt or obsolete disappear.
TEST_F(XlwtWorkbookTest, RecordsSurviveLoadAndSaveInPlace) {
    TXlsStorageList storages;
    storages.LoadFromFile(MakeWorkbook());
    const QByteArray stream = storages.FindStream("Workbook");

    auto records = LoadAll(stream);
    TBaseRecordList list;
    for (auto& r : records) list.Add(std::move(r));
    const QByteArray saved = Saved(list);
    EXPECT_EQ(list.TotalSize(), saved.size());

    const std::set<quint16> dropped{0x00D7, 0x020B, 0x0200, 0x00FF, 0x01C1, 0x0059, 0x005A, 0x00ED, 0x0207};
    std::vector<std::pair<quint16, QByteArray>> expected;
    for (auto& [id, payload] : Split(stream)) {
        if (dropped.count(id)) continue;
        if (id == 0x0208) payload.replace(8, 2, QByteArray(2, '\0'));  // ROW's reserved word is cleared
        if (id == 0x0006) {
            // A formula's stored result gives way to a placeholder and "calculate on load".
            payload.replace(6, 8, Words({2, 0, 0, 0xFFFF}));
            SetWord(payload, 14, GetWord(payload, 14) | 0x0002);
            payload.replace(16, 4, QByteArray(4, '\0'));
        }
        expected.push_back({id, payload});
    }
    auto actual = Split(saved);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actual[i].first, expected[i].first);
        EXPECT_EQ(actual[i].second, expected[i].second);
    }
    for (auto& [id, payload] : actual) EXPECT_FALSE(dropped.count(id)) << id;
}
