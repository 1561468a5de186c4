#include <gtest/gtest.h>

#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsRowColEntries.h"
#include "XLSAdapter/UXlsSST.h"
#include "XLSAdapter/XlsMessages.h"
#include "XlsTestUtil.h"

using namespace xlstest;

namespace {

QByteArray Counts(quint32 total, quint32 unique) {
    QByteArray b(8, '\0');
    SetLongWord(b, 0, total);
    SetLongWord(b, 4, unique);
    return b;
}

// Strings of a record parse exactly up to its end: none is split between records.
void ExpectWholeStrings(const QByteArray& payload, int start, int& strings) {
    int pos = start;
    while (pos < payload.size()) {
        pos += GetStrLen(true, payload, pos, false, 0);
        ++strings;
    }
    EXPECT_EQ(pos, payload.size());
}

}  // namespace

// A 16-bit string of 3000 characters whose first half was stored 8-bit: the CONTINUE's option
// byte switches the rest to 16-bit and the whole string comes back as one 16-bit string.
TEST(SharedStrings, StringSwitchingTo16BitInsideContinue) {
    QString first(1500, 'a');
    QString second;
    for (int i = 0; i < 1500; ++i) second += QChar(0x0100 + i % 50);
    QByteArray sst = Counts(1, 1) + Words({3000}) + QByteArray(1, '\0') + first.toLatin1();
    QByteArray cont(1, '\1');
    for (QChar c : second) cont += Words({c.unicode()});
    auto records = LoadAll(Rec(0x00FC, sst) + Rec(0x003C, cont));
    ASSERT_EQ(records.size(), 1u);
    TSST table;
    table.LoadFromRecord(static_cast<TSSTRecord&>(*records[0]));
    ASSERT_EQ(table.Count(), 1);
    const TExcelString& s = table[0].Str;
    EXPECT_TRUE(s.OptionFlags & TExcelString::fWide);
    EXPECT_EQ(s.Value().size(), 3000);
    EXPECT_EQ(s.Value(), first + second);
    EXPECT_TRUE(s.ShortData.isEmpty());
}

TEST(SharedStrings, DamagedTablesRaise) {
    struct Case {
        const char* what;
        QByteArray stream;
    };
    const Case cases[] = {
        {"count beyond the strings", Rec(0x00FC, Counts(5, 5) + Words({2}) + QByteArray(1, '\0') + "ab")},
        {"string past its record", Rec(0x00FC, Counts(1, 1) + Words({200}) + QByteArray(1, '\0') + "ab")},
        {"half a 16-bit character", Rec(0x00FC, Counts(1, 1) + Words({2}) + QByteArray(1, '\1') + "abc")},
        {"far-east size beyond the data",
         Rec(0x00FC, Counts(1, 1) + Words({1}) + QByteArray(1, '\4') + Words({0xFFFF, 0x7FFF}) + "a")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto records = LoadAll(c.stream);
        TSST table;
        EXPECT_EQ(MessageOf([&] { table.LoadFromRecord(static_cast<TSSTRecord&>(*records[0])); }),
                  QString(XlsMessages::ErrReadingRecord));
    }
    // A text cell pointing beyond the table.
    TSST table;
    table.AddString("only");
    TLabelSSTRecord cell(0x00FD, Words({0, 0, 0, 1, 0}));
    EXPECT_EQ(MessageOf([&] { cell.AttachToSST(&table); }), QString(XlsMessages::ErrExcelInvalid));
}

TEST(SharedStrings, CzechTextIsStored16BitAndPlainTextAs8Bit) {
    TExcelString czech(2, QString::fromUtf8("Žluťoučký kůň"));
    EXPECT_EQ(czech.OptionFlags, TExcelString::fWide);
    EXPECT_EQ(czech.TotalSize(), 3 + 13 * 2);
    // "é" fits a byte: Latin-1 text stays 8-bit.
    TExcelString latin(2, QString::fromUtf8("Café"));
    EXPECT_EQ(latin.OptionFlags, 0);
    EXPECT_EQ(latin.ShortData, QByteArray("Caf\xE9"));
    EXPECT_EQ(MessageOf([] { TExcelString(1, QString(256, 'x')); }),
              QString(XlsMessages::ErrInvalidStringRecord));
}

// 10000 short strings: records of at most 8222 payload bytes, no string split, and an EXTSST
// whose buckets point at the right bytes.
TEST(SharedStrings, LargeTableIsCutIntoWholeRecordsWithExtSst) {
    TSST table;
    for (int i = 0; i < 10000; ++i) table.AddString(QString("string %1").arg(i, 5, 10, QChar('0')));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    out.write("pad!");  // the table need not start the stream
    table.SaveToStream(out);
    const QByteArray saved = out.data().mid(4);
    EXPECT_EQ(table.TotalSize(), saved.size());

    auto parts = Split(saved);
    ASSERT_GE(parts.size(), 3u);
    EXPECT_EQ(parts.front().first, 0x00FC);
    EXPECT_EQ(GetLongWord(parts.front().second, 0), 10000u);
    EXPECT_EQ(GetLongWord(parts.front().second, 4), 10000u);
    int strings = 0;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parts[i].first, i == 0 ? 0x00FC : 0x003C);
        EXPECT_LE(parts[i].second.size(), 8222);
        ExpectWholeStrings(parts[i].second, i == 0 ? 8 : 0, strings);
    }
    EXPECT_EQ(strings, 10000);

    const QByteArray& ext = parts.back().second;
    EXPECT_EQ(parts.back().first, 0x00FF);
    EXPECT_EQ(GetWord(ext, 0), 79);  // 10000 div 128 + 1
    const int buckets = (10000 - 1) / 79 + 1;
    ASSERT_EQ(ext.size(), 2 + 8 * buckets);
    const QByteArray whole = out.data();
    for (int b = 0; b < buckets; b += 21) {
        SCOPED_TRACE(b);
        quint32 abs = GetLongWord(ext, 2 + 8 * b);
        quint16 inRecord = GetWord(ext, 6 + 8 * b);
        QString expected = QString("string %1").arg(b * 79, 5, 10, QChar('0'));
        EXPECT_EQ(whole.mid(abs + 3, 12), expected.toLatin1());
        quint16 headerId = GetWord(whole, int(abs) - inRecord);
        EXPECT_TRUE(headerId == 0x00FC || headerId == 0x003C);
    }

    // What we wrote loads back as the same table.
    auto records = LoadAll(saved);
    TSST again;
    again.LoadFromRecord(static_cast<TSSTRecord&>(*records[0]));
    ASSERT_EQ(again.Count(), 10000);
    EXPECT_EQ(again[9999].Str.Value(), table[9999].Str.Value());
}

TEST(SharedStrings, SmallTableExtSst) {
    TSST table;
    for (int i = 0; i < 20; ++i) table.AddString(QString("s%1").arg(i));
    auto parts = Split(Saved(table));
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1].second.size(), 26);
    EXPECT_EQ(GetWord(parts[1].second, 0), 8);
}

// A string goes whole into a record while one record can hold it; a longer one (up to the
// 32767 characters a cell holds) is split across CONTINUE records, each continuation starting
// with its option byte, and the first record always holds the start of a string.
TEST(SharedStrings, LongStringsAreSplitAcrossContinueRecords) {
    struct Case {
        QString text;
        QString before;  // a string sorted before it, when any
        int records;     // SST plus CONTINUE records
    };
    const Case cases[] = {
        {QString(8211, 'x'), {}, 1},
        {QString(8212, 'x'), {}, 2},  // the first record is never left without a string
        {QString(8219, 'x'), {}, 2},
        {QString(8220, 'x'), {}, 2},
        {QString(32767, 'x'), {}, 4},
        {QString(20000, QChar(0x017E)), {}, 5},  // 16-bit: cut at whole characters
        {QString(9000, 'y'), QStringLiteral("a"), 2},
        {QString(8000, 'y'), QString(300, 'a'), 2},  // fits an empty record: moved whole
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 x %2, after %3")
                         .arg(c.text.size())
                         .arg(c.text[0])
                         .arg(c.before.size())
                         .toStdString());
        TSST table;
        table.AddString(c.text);
        if (!c.before.isEmpty()) table.AddString(c.before);
        QByteArray saved = Saved(table);
        EXPECT_EQ(saved.size(), table.TotalSize());
        auto parts = Split(saved);
        EXPECT_EQ(int(parts.size()) - 1, c.records);
        for (size_t i = 0; i + 1 < parts.size(); ++i) EXPECT_LE(parts[i].second.size(), 8222);
        EXPECT_GT(parts[0].second.size(), 8);

        auto records = LoadAll(saved);
        TSST back;
        back.LoadFromRecord(static_cast<TSSTRecord&>(*records[0]));
        ASSERT_EQ(back.Count(), c.before.isEmpty() ? 1 : 2);
        EXPECT_EQ(back[back.Count() - 1].Str.Value(), c.text);
        if (!c.before.isEmpty()) {
            EXPECT_EQ(back[0].Str.Value(), c.before);
        }
        // EXTSST points at the start of the first string.
        EXPECT_EQ(GetWord(parts.back().second, 6), 12);
    }
}

// Text cells hold one reference each; what no cell uses is gone from the saved table, and the
// total count of references is the number of text cells.
TEST(SharedStrings, ReferenceCountsFollowTheCells) {
    TSST table;
    TColInfoList columns;
    TCells cells(&table, &columns);
    cells.CellList.SetValue(0, 0, {QString("same"), -1, false});
    cells.CellList.SetValue(1, 0, {QString("same"), -1, false});
    cells.CellList.SetValue(2, 0, {QString("gone"), -1, false});
    ASSERT_EQ(table.Count(), 2);
    int same = table[0].Str.Value() == "same" ? 0 : 1;
    EXPECT_EQ(table[same].Refs, 2);

    cells.CellList.SetValue(1, 0, {QString("other"), -1, false});
    cells.CellList.SetValue(2, 0, {QVariant(), -1, false});
    table.FixRefs();
    QStringList texts;
    for (int i = 0; i < table.Count(); ++i) texts << table[i].Str.Value();
    EXPECT_EQ(texts, (QStringList{"other", "same"}));
    for (int i = 0; i < table.Count(); ++i) EXPECT_EQ(table[i].Refs, 1);

    // A copied row shares the entry.
    cells.InsertAndCopyRows(0, 0, 5, 1, SheetInfo{0, 0, {}, {}}, false);
    auto parts = Split(Saved(table));
    EXPECT_EQ(GetLongWord(parts[0].second, 0), 3u);
    // Each cell writes the index its entry got in the saved table.
    QByteArray cellBytes = Saved(cells);
    for (auto& [id, payload] : Split(cellBytes))
        if (id == 0x00FD) {
            quint32 index = GetLongWord(payload, 6);
            QString expected = GetWord(payload, 0) == 1 ? "other" : "same";
            EXPECT_EQ(table[int(index)].Str.Value(), expected);
        }
}

// Texts arriving in any order (as a report fills its cells) are written in the string order, and
// every text cell points at its own text in the written table; a text already there is shared.
TEST(SharedStrings, TextsAddedOutOfOrderAreWrittenSortedAndFoundAgain) {
    TSST table;
    TColInfoList columns;
    TCells cells(&table, &columns);
    constexpr int kTexts = 300;
    QStringList texts;
    for (int i = 0; i < kTexts; ++i) {
        const int n = i * 7919 % kTexts;  // every number once, out of order
        texts << (n % 10 == 0 ? QString::fromUtf8("Žluťoučký kůň %1").arg(n) : QString("položka %1").arg(n));
    }
    for (int row = 0; row < kTexts; ++row) cells.CellList.SetValue(row, 0, {texts[row], -1, false});
    cells.CellList.SetValue(kTexts, 0, {texts[5], -1, false});
    cells.CellList.SetValue(kTexts + 1, 0, {texts[7], -1, false});
    cells.CellList.SetValue(kTexts + 1, 0, {QString("nová"), -1, false});  // texts[7] keeps one cell
    ASSERT_EQ(table.Count(), kTexts + 1);
    table.FixRefs();

    auto parts = Split(Saved(table));
    EXPECT_EQ(GetLongWord(parts[0].second, 0), quint32(kTexts + 2));
    auto records = LoadAll(Saved(table));
    TSST back;
    back.LoadFromRecord(static_cast<TSSTRecord&>(*records[0]));
    ASSERT_EQ(back.Count(), kTexts + 1);
    for (int i = 1; i < back.Count(); ++i) EXPECT_LT(back[i - 1].Str.Compare(back[i].Str), 0) << i;

    int seen = 0;
    for (auto& [id, payload] : Split(Saved(cells))) {
        if (id != 0x00FD) continue;
        const int row = GetWord(payload, 0);
        const QString expected = row == kTexts ? texts[5] : row == kTexts + 1 ? "nová" : texts[row];
        EXPECT_EQ(back[int(GetLongWord(payload, 6))].Str.Value(), expected) << row;
        ++seen;
    }
    EXPECT_EQ(seen, kTexts + 2);
}

// A file may hold one text twice; a new cell with that text shares the first entry, as a search
// of the sorted table finds it, and adds none.
TEST(SharedStrings, TextHeldTwiceByAFileIsSharedNotAdded) {
    QByteArray sst = Counts(3, 3);
    for (const char* text : {"b", "a", "a"}) sst += Words({1}) + QByteArray(1, '\0') + text;
    auto records = LoadAll(Rec(0x00FC, sst));
    TSST table;
    table.LoadFromRecord(static_cast<TSSTRecord&>(*records[0]));
    TLabelSSTRecord second(0x00FD, Words({0, 0, 0, 2, 0}));
    second.AttachToSST(&table);
    table.Sort();
    EXPECT_EQ(table.AddString("a"), 0);
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table[0].Refs, 1);
    EXPECT_EQ(table[1].Refs, 1);  // the second "a", which the loaded cell points at
    EXPECT_EQ(second.SSTEntry(), &table[1]);
}
