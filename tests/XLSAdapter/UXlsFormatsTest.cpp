#include <gtest/gtest.h>

#include "XLSAdapter/UXlsColInfo.h"
#include "XLSAdapter/UXlsPalette.h"
#include "XLSAdapter/UXlsXF.h"
#include "XLSAdapter/XlsMessages.h"
#include "XlsTestUtil.h"

using namespace xlstest;

TEST(Formats, FormatStringsComeFromTheWorkbookElseBuiltIn) {
    TFormatRecordList formats;
    QByteArray custom = Words({164, 8}) + QByteArray(1, '\0') + "0.000 Kc";
    formats.Add(std::make_unique<TFormatRecord>(0x041E, custom));
    formats.Add(std::make_unique<TFormatRecord>(0x041E, Words({14, 6}) + QByteArray(1, '\0') + "D.M.YY"));
    struct Case {
        int index;
        const char* expected;
    };
    const Case cases[] = {{164, "0.000 Kc"},
                          {14, "D.M.YY"},
                          {5, ""},
                          {0, ""},
                          {13,
                           "# ?"
                           "?/?"
                           "?"},
                          {37, "\"#,##0 _$;-#,##0 _$\""},
                          {49, "@"},
                          {50, ""},
                          {-1, ""}};
    for (const auto& c : cases) EXPECT_EQ(formats.FormatString(c.index), QString(c.expected)) << c.index;
    EXPECT_EQ(BuiltInFormat(14), "DD.MM.YY");
}

TEST(Formats, FontAndXfFields) {
    QByteArray font = Words({200, 0x000A, 12, 600, 2}) + QByteArray("\x01\0\0\0", 4) + QByteArray(1, 5) +
                      QByteArray(1, '\0') + "Arial";
    TFontRecord f(0x0031, font);
    EXPECT_EQ(f.Height(), 200);
    EXPECT_EQ(f.ColorIndex(), 4);
    EXPECT_EQ(f.Name(), "Arial");
    EXPECT_EQ(f.Style(), TFontRecord::fsItalic | TFontRecord::fsStrikeOut | TFontRecord::fsSubscript);
    EXPECT_EQ(f.Underline(), TFontRecord::fuSingle);
    SetWord(f.Data, 6, 700);
    EXPECT_TRUE(f.Style() & TFontRecord::fsBold);

    // Font 3, format 14, locked, centred with wrap, thin left and medium bottom borders.
    QByteArray xf =
        Words({3, 14, 0x0001, 0x002A, 0, 0x2001, 8 | (9 << 7), 0, 0x0400 | (10 << 7) | 0, 0x4000, 0x20C0});
    TXFRecord x(0x00E0, xf.left(20));
    EXPECT_EQ(x.FontIndex(), 3);
    EXPECT_EQ(x.FormatIndex(), 14);
    EXPECT_TRUE(x.Locked());
    EXPECT_EQ(x.HAlignment(), 2);
    EXPECT_TRUE(x.WrapText());
    EXPECT_EQ(x.VAlignment(), 2);
    EXPECT_EQ(x.BorderLeft(), 1);
    EXPECT_EQ(x.BorderBottom(), 2);
    EXPECT_EQ(x.BorderLeftColor(), 1);
    EXPECT_EQ(x.BorderRightColor(), 2);
    EXPECT_EQ(MessageOf([] { TXFRecord(0x00E0, QByteArray(12, '\0')); }), "Record with ID 0xe0 is invalid");
}

TEST(Formats, PaletteDefaultsAndBounds) {
    EXPECT_EQ(DefaultColor(0), 0x000000u);
    EXPECT_EQ(DefaultColor(2), 0x0000FFu);  // red, with red in the low byte
    EXPECT_EQ(DefaultColor(4), 0xFF0000u);
    EXPECT_EQ(DefaultColor(55), 0x333333u);
    EXPECT_EQ(MessageOf([] { DefaultColor(56); }),
              "The index \"56\" of the property \"Palette index\" is not in the range 0-55");

    TPaletteRecord palette;
    EXPECT_EQ(palette.DataSize(), 226);
    palette.SetColor(2, 0x00FF00);
    EXPECT_EQ(palette.GetColor(2), 0x00FF00u);
    EXPECT_EQ(palette.GetColor(3), DefaultColor(3));
    EXPECT_EQ(MessageOf([&] { palette.GetColor(56); }),
              "The index \"56\" of the property \"Palette Color Index\" is not in the range 0-55");
    EXPECT_EQ(MessageOf([&] { palette.SetColor(-1, 0); }),
              "Too many entries for this kind of record (-1 out of a maximum of 55)");
    // A count larger than the colours the record holds is not believed.
    TPaletteRecord lying(0x0092, Words({56, 0x1234, 0}));
    EXPECT_EQ(lying.Count(), 1);
    EXPECT_THROW(lying.GetColor(1), EExcelException);
}

TEST(Formats, ColumnFormatsMergeRunsOfEqualColumns) {
    TColInfoList list;
    list.AddRecord(std::make_unique<TColInfoRecord>(0x007D, Words({2, 5, 3000, 15, 0, 0})));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(Saved(list), Rec(0x007D, Words({2, 5, 3000, 15, 0, 0})));

    int index;
    EXPECT_FALSE(list.Find(7, index));
    list.Insert(index, TColInfo{7, 3000, 15, 0});
    EXPECT_EQ(Saved(list),
              Rec(0x007D, Words({2, 5, 3000, 15, 0, 0})) + Rec(0x007D, Words({7, 7, 3000, 15, 0, 0})));
    EXPECT_EQ(list.TotalSize(), 32);

    // A range over the whole sheet (and beyond it) gives one entry per real column, no more.
    list.AddRecord(std::make_unique<TColInfoRecord>(0x007D, Words({0, 0xFFFF, 100, 0, 0, 0})));
    EXPECT_EQ(list.Count(), 256);
    EXPECT_EQ(Saved(list), Rec(0x007D, Words({0, 255, 100, 0, 0, 0})));
}
