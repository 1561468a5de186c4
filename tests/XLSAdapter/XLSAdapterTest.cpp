#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsSheet.h"
#include "XLSAdapter/XLSAdapter.h"
#include "XlsDrawingBuilder.h"
#include "XlsTemplate.h"
#include "common/TempDir.h"
#include "platform/storage/CompoundFile.h"

using namespace xlstest;

namespace {

class XLSAdapterTest : public TempDirTest {
protected:
    TXLSAdapter adapter;
    std::unique_ptr<TExcelFile> file = adapter.CreateWorkbook();
    TXLSFile& xls() { return static_cast<TXLSFile&>(*file); }

    // Two sheets, the second selected; formats, a merged block, a number in column A.
    QString MakeBook() {
        QString path = PathOf("book.xls");
        MakeTemplate(path,
                     "ws = wb.add_sheet(u'Ceník')\n"
                     "bold = xlwt.easyxf('font: bold on, colour red, height 240, name Arial; "
                     "pattern: pattern solid, fore_colour yellow; borders: left thin, bottom double; "
                     "align: horiz center, wrap on', num_format_str='0.00')\n"
                     "ws.write(0, 0, u'Kód'); ws.write(0, 1, u'Název', bold); ws.write(0, 3, 12.5)\n"
                     "ws.write(2, 0, 7); ws.write(2, 2, True)\n"
                     "ws.write(4, 0, None, bold)\n"
                     "ws.write_merge(5, 6, 1, 3, u'sloučeno')\n"
                     "ws.write(9, 0, 'x')\n"
                     "ws.col(1).width = 5000\n"
                     "ws.row(2).height_mismatch = True; ws.row(2).height = 600\n"
                     "s2 = wb.add_sheet('Druhy'); s2.write(0, 0, 'druhy')\n"
                     "wb.set_active_sheet(1)\n",
                     {{"Tisk", 1, 2, 7, 2, 4}, {"Jinde", 2, 1, 1, 1, 1}});
        return path;
    }

    void Open(const QString& path) {
        file->Connect();
        file->OpenFile(path);
    }
};

}  // namespace

// Opening resolves a name without extension and names a missing file as it was given; the
// active sheet is the one the file was saved with.
TEST_F(XLSAdapterTest, OpensTemplatesAndReportsMissingOnes) {
    QString path = MakeBook();
    file->Connect();
    QString bare = path.chopped(4);
    file->OpenFile(bare);
    EXPECT_EQ(file->SheetCount(), 2);
    EXPECT_EQ(file->GetActiveSheet(), 2);
    EXPECT_EQ(file->GetActiveSheetName(), "Druhy");

    QString missing = PathOf("nikde");
    EXPECT_EQ(MessageOf([&] { file->OpenFile(missing); }),
              QString::fromUtf8(XlsMessages::ErrCantFindFile).arg(missing));

    QFile junk(PathOf("junk.xls"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a workbook at all");
    junk.close();
    EXPECT_EQ(MessageOf([&] { file->OpenFile(PathOf("junk.xls")); }),
              QString::fromUtf8(XlsMessages::ErrInvalidFile).arg(PathOf("junk.xls")));
}

TEST_F(XLSAdapterTest, ReadsAndWritesCellsOfTheActiveSheet) {
    Open(MakeBook());
    file->SetActiveSheet(1);
    EXPECT_EQ(file->GetCellValue(1, 1), QVariant(QString::fromUtf8("Kód")));
    EXPECT_EQ(file->GetCellValue(1, 4).toDouble(), 12.5);
    EXPECT_EQ(file->GetCellValue(3, 3), QVariant(true));
    // A cell never written is no value at all, not an empty text.
    EXPECT_FALSE(file->GetCellValue(2, 2).isValid());
    TXlsCellValue none = file->GetCellValueX(2, 2);
    EXPECT_EQ(none.XF, -1);
    EXPECT_FALSE(none.IsFormula);

    // Writing keeps the cell's format; an XF of -1 keeps it too.
    int boldXF = file->GetCellValueX(1, 2).XF;
    file->SetCellValue(1, 2, QString("Jiný"));
    EXPECT_EQ(file->GetCellValueX(1, 2).XF, boldXF);
    file->SetCellValueX(1, 2, {42.0, -1, false});
    EXPECT_EQ(file->GetCellValueX(1, 2).XF, boldXF);
    EXPECT_EQ(file->GetCellValue(1, 2).toDouble(), 42.0);

    // The current range shifts range operations, never the absolute ones.
    file->SetCurrentRange(1);
    EXPECT_EQ(file->GetRangeFirstCol(), 2);
    EXPECT_EQ(file->GetRangeCellValue(1, 0).toDouble(), 42.0);
    EXPECT_EQ(file->GetCellValue(1, 1), QVariant(QString::fromUtf8("Kód")));
    EXPECT_EQ(file->GetRangeColCount(1), 3);
    EXPECT_EQ(file->GetRangeColCount(500), 0);

    EXPECT_EQ(MessageOf([&] { file->GetCellValue(65537, 1); }),
              QString::fromUtf8(XlsMessages::ErrInvalidRow).arg(65536));
    EXPECT_EQ(MessageOf([&] { file->GetCellValue(1, 257); }),
              QString::fromUtf8(XlsMessages::ErrInvalidColumn).arg(256));
}

TEST_F(XLSAdapterTest, NamesRowsColumnsAndFormats) {
    Open(MakeBook());
    file->SetActiveSheet(1);
    ASSERT_EQ(file->GetRangeCount(), 2);
    EXPECT_EQ(file->GetRangeName(1), "Tisk");
    EXPECT_EQ(file->GetRangeR1(1), 2);
    EXPECT_EQ(file->GetRangeR2(1), 7);
    EXPECT_EQ(file->GetRangeC1(1), 2);
    EXPECT_EQ(file->GetRangeC2(1), 4);
    EXPECT_EQ(file->GetRangeSheet(1), 1);
    EXPECT_EQ(file->GetRangeSheet(2), 2);

    EXPECT_EQ(file->GetMaxRow(), 10);
    EXPECT_EQ(file->GetMaxCol(), 4);
    EXPECT_EQ(file->GetColCount(1), 3);
    EXPECT_EQ(file->GetColByIndex(1, 3), 4);
    EXPECT_EQ(file->GetColByIndex(1, 4), 0);
    EXPECT_EQ(file->GetColIndex(1, 3), 3);  // columns 0 and 1 lie below 0-based 3... and 3 is column D
    EXPECT_TRUE(file->IsEmptyRow(2));
    EXPECT_FALSE(file->IsEmptyRow(1));

    EXPECT_EQ(file->GetColumnWidth(2), 5000);
    EXPECT_EQ(file->GetRowHeight(3), 600);
    EXPECT_FALSE(file->GetAutoRowHeight(3));
    file->SetAutoRowHeight(3, true);
    EXPECT_TRUE(file->GetAutoRowHeight(3));
    EXPECT_TRUE(file->GetAutoRowHeight(300));

    TXlsCellRange merged;
    file->GetCellMergedBounds(7, 3, merged);
    EXPECT_EQ((std::array<int, 4>{merged.Left, merged.Top, merged.Right, merged.Bottom}),
              (std::array<int, 4>{2, 6, 4, 7}));
    file->GetCellMergedBounds(1, 1, merged);
    EXPECT_EQ((std::array<int, 4>{merged.Left, merged.Top, merged.Right, merged.Bottom}),
              (std::array<int, 4>{1, 1, 1, 1}));

    TXlsCellFormatInfo f = file->GetFormat(file->GetCellValueX(1, 2).XF);
    EXPECT_EQ(f.FontName, "Arial");
    EXPECT_EQ(f.FontSize20, 240);
    EXPECT_TRUE(f.FontStyle & xfsBold);
    EXPECT_EQ(f.FontColorIndex, 3);  // red is colour index 10, the third palette entry
    EXPECT_EQ(file->GetColorPalette(f.FontColorIndex), TColor(0x0000FF));
    EXPECT_EQ(f.NumberFormat, "0.00");
    EXPECT_EQ(f.HAlign, 2);
    EXPECT_TRUE(f.WrapText);
    EXPECT_EQ(f.LeftStyle, 1);
    EXPECT_EQ(f.BottomStyle, 6);
    EXPECT_EQ(f.FillPattern, 2);
    EXPECT_EQ(file->GetColorPalette(f.FillFgColorIndex), TColor(0x00FFFF));
    // The workbook's own FORMAT record wins over the built-in text.
    EXPECT_EQ(file->GetFormat(0).NumberFormat, "General");
    EXPECT_GT(file->GetFormatCount(), 16);

    // Only the low seven bits of a palette index count.
    file->SetColorPalette(8, 0x123456);
    EXPECT_EQ(file->GetColorPalette(0x88), TColor(0x123456));
    EXPECT_EQ(file->GetColorPalette(8), TColor(0x123456));
}

// The markers: rows whose column-A text is the mark go, in one walk from the bottom; a number
// in column A is no mark. A page break keeps its row and a formatted blank where the mark stood.
TEST_F(XLSAdapterTest, MarkedRowsAndPageBreaks) {
    QString path = PathOf("marks.xls");
    MakeTemplate(
        path,
        "ws = wb.add_sheet('A')\n"
        "st = xlwt.easyxf('font: bold on')\n"
        "rows = ['x', 'DEL', 'DEL', 'y', 'BRK', 'z', 'DEL']\n"
        "for i, t in enumerate(rows): ws.write(i, 0, t, st if t == 'BRK' else xlwt.Style.default_style)\n"
        "ws.write(7, 0, 5); ws.write(7, 1, 'DEL')\n",
        {});
    Open(path);
    file->DeleteMarkedRows("DEL");
    file->MakePageBreaks("BRK");
    QStringList column;
    for (int r = 1; r <= file->GetMaxRow(); ++r) column << file->GetCellValue(r, 1).toString();
    EXPECT_EQ(column.join(','), "x,y,,z,5");
    EXPECT_GE(file->GetCellValueX(3, 1).XF, 0);
    EXPECT_FALSE(file->GetCellValue(3, 1).isValid());
    const auto& breaks = xls().Workbook->WorkSheets(0).PageBreaks.Breaks;
    ASSERT_EQ(breaks.size(), 1u);
    EXPECT_EQ(breaks[0].Row, 2);
}

// A row operation that cannot be done stops the marker pass with its message instead of being
// skipped: a report whose rows no longer match its data must not be saved as a success.
TEST_F(XLSAdapterTest, MarkerFailuresAreReported) {
    QByteArray unsupported = Formula(0, 1, Bytes({0x30}));  // a token no formula may hold
    QByteArray stream = Bof(5) + Window1() + BoundSheet("A") + Eof() + Bof(0x10) + RowRec(0) + RowRec(1) +
                        unsupported + Number(1, 0, 1) + Window2(true) + Eof();
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back({"Workbook", TCompoundEntryType::Stream, stream, {}});
    CreateCompoundFile(PathOf("bad.xls"), root);
    Open(PathOf("bad.xls"));
    file->SetCellValue(2, 1, QString("DEL"));
    QString message = MessageOf([&] { file->DeleteMarkedRows("DEL"); });
    EXPECT_TRUE(message.startsWith("Formula at Row 1, column 2 is not supported")) << message.toStdString();

    file->SetCellValue(2, 1, QString("BRK"));
    for (int r = 0; r < 1026; ++r) xls().Workbook->AddPageBreak(0, 100 + r);
    EXPECT_EQ(MessageOf([&] { file->MakePageBreaks("BRK"); }), XlsMessages::ErrTooManyPageBreaks);
}

// Saving copies every other entry of the template byte for byte and writes "Workbook" anew; it
// never overwrites a file, and a save that fails leaves nothing behind.
TEST_F(XLSAdapterTest, SavesBesideTheTemplateStreamsAndNeverOverwrites) {
    QString book = MakeBook();
    TXlsStorageList plain;
    plain.LoadFromFile(book);
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    QByteArray summary = QByteArray("\xFE\xFF summary bytes", 16).repeated(300);
    root.Children.push_back({"\005SummaryInformation", TCompoundEntryType::Stream, summary, {}});
    root.Children.push_back({"Workbook", TCompoundEntryType::Stream, plain.FindStream("Workbook"), {}});
    TCompoundEntry macros{"_VBA_PROJECT_CUR", TCompoundEntryType::Storage, {}, {}};
    macros.Children.push_back({"VBA", TCompoundEntryType::Stream, QByteArray("macro code"), {}});
    root.Children.push_back(macros);
    QString templ = PathOf("rich.xls");
    CreateCompoundFile(templ, root);

    Open(templ);
    file->SetActiveSheet(1);
    file->SetCellValue(1, 1, QString::fromUtf8("Změněno"));
    QString out = PathOf("out.xls");
    file->Save(false, out, nullptr, nullptr, nullptr);

    TXlsStorageList saved;
    saved.LoadFromFile(out);
    ASSERT_EQ(saved.Count(), 3);
    EXPECT_EQ(saved.FindStream("\005SummaryInformation"), summary);
    bool foundMacros = false;
    for (int i = 0; i < saved.Count(); ++i)
        if (saved[i].Name == "_VBA_PROJECT_CUR") {
            foundMacros = true;
            EXPECT_EQ(saved[i].Children.FindStream("VBA"), QByteArray("macro code"));
        }
    EXPECT_TRUE(foundMacros);
    QJsonArray read = ReadWithXlrd(out);
    EXPECT_EQ(SheetNames(read), QStringList({QString::fromUtf8("Ceník"), "Druhy"}));
    EXPECT_TRUE(SheetText(read, 0).startsWith(QString::fromUtf8("Změněno|Název||12.5")))
        << SheetText(read, 0).toStdString();
    EXPECT_EQ(Python("import sys, olefile\n"
                     "o = olefile.OleFileIO(sys.argv[1])\n"
                     "print(sorted('/'.join(e) for e in o.listdir()))\n",
                     {out}),
              "['\\x05SummaryInformation', 'Workbook', '_VBA_PROJECT_CUR/VBA']\n");

    // An existing file stays as it was.
    auto bytesOf = [](const QString& p) {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    QByteArray before = bytesOf(out);
    EXPECT_EQ(MessageOf([&] { file->Save(false, out, nullptr, nullptr, nullptr); }),
              QString::fromUtf8(XlsMessages::ErrFileIsOpen).arg(out));
    EXPECT_EQ(bytesOf(out), before);

    // The name handler may change the name; a stream handler takes the file's place.
    file->Save(
        false, out,
        [&](TExcelFile* sender, int format, QString& name) {
            EXPECT_EQ(sender, file.get());
            EXPECT_EQ(format, 0);
            name = PathOf("renamed.xls");
        },
        nullptr, nullptr);
    EXPECT_TRUE(QFile::exists(PathOf("renamed.xls")));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    file->Save(false, out, nullptr, nullptr, &buffer);
    EXPECT_EQ(buffer.data().left(8), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));

    // A save that fails half-way leaves neither the file nor a temporary one.
    QStringList filesBefore = QDir(Folder()).entryList(QDir::Files);
    xls().Workbook->Globals.EOF_.reset();
    EXPECT_EQ(MessageOf([&] { file->Save(false, PathOf("failed.xls"), nullptr, nullptr, nullptr); }),
              XlsMessages::ErrSectionNotLoaded);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files), filesBefore);
}

TEST_F(XLSAdapterTest, SheetsAreCopiedRenamedAndSelected) {
    Open(MakeBook());
    file->InsertAndCopySheets(1, 2, 2);
    ASSERT_EQ(file->SheetCount(), 4);
    file->SetActiveSheet(2);
    file->SetActiveSheetName(QString::fromUtf8("Kopie č. 1"));
    EXPECT_EQ(file->GetCellValue(1, 1), QVariant(QString::fromUtf8("Kód")));
    file->SelectSheet(1);
    // Only the active sheet moved; the row and comment views stay truthful on a sheet with none.
    EXPECT_EQ(file->GetActiveSheet(), 2);
    EXPECT_EQ(file->GetCommentsCount(1), 0);
    file->BuildPicturesRowIndex();
    EXPECT_EQ(file->GetPicturesCount(1), 0);
    EXPECT_EQ(file->GetPicturesCount(0), 0);
    QString out = PathOf("sheets.xls");
    file->Save(false, out, nullptr, nullptr, nullptr);
    QJsonArray read = ReadWithXlrd(out);
    EXPECT_EQ(SheetNames(read).size(), 4);
    EXPECT_EQ(SheetNames(read)[1], QString::fromUtf8("Kopie č. 1"));
    EXPECT_EQ(Python("import sys, xlrd\n"
                     "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
                     "print([s.sheet_selected for s in b.sheets()])\n",
                     {out}),
              "[1, 0, 0, 0]\n");
}

namespace {

QByteArray Png(const QColor& colour) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    image.save(&out, "PNG");
    return out.data();
}

QByteArray PictureOf(TExcelFile& file, int row, int index, TXlsImgTypes& type, TClientAnchor& anchor) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    file.GetPicture(row, index, out, type, anchor);
    return out.data();
}

}  // namespace

// Comments by row and position; pictures by row through the row index (built on request) or by
// sheet-wide index; both read back by the other reader.
TEST_F(XLSAdapterTest, CommentsAndPicturesByRow) {
    QByteArray drawing = SheetDrawing({
        {1025, 1, Anchor(2, 1, 0, 3, 4), 0, QString(), true, "Cena bez DPH", false},
        {1026, 2, Anchor(2, 3, 2, 5, 6), 0, QString(), true, QString::fromUtf8("Sleva č. 5"), true},
        {1027, 3, Anchor(2, 5, 0, 6, 3), 1, "Logo"},
        {1028, 4, Anchor(0, 5, 9, 6, 10), 1, QString()},
    });
    QByteArray stream = WithFormats(DrawingWorkbook(DrawingGroup(PngEntry(Png(Qt::red), 0x11, 2), 1), drawing,
                                                    NoteRecord(1, 0, 1) + NoteRecord(3, 2, 2)));
    TCompoundEntry root;
    root.Type = TCompoundEntryType::Root;
    root.Children.push_back({"Workbook", TCompoundEntryType::Stream, stream, {}});
    CreateCompoundFile(PathOf("kresby.xls"), root);
    Open(PathOf("kresby.xls"));

    EXPECT_EQ(file->GetCommentsCount(2), 1);
    EXPECT_EQ(file->GetCommentsCount(3), 0);
    EXPECT_EQ(file->GetCommentsCount(100), 0);
    EXPECT_EQ(file->GetCommentText(2, 0), "Cena bez DPH");
    EXPECT_EQ(file->GetCommentText(4, 0), QString::fromUtf8("Sleva č. 5"));
    file->SetCommentText(4, 0, QString::fromUtf8("Nová sleva"));
    file->SetCommentText(2, 0, "");
    EXPECT_EQ(file->GetCommentsCount(2), 0);

    // Until the row index is built, no row has pictures; the sheet as a whole has both.
    EXPECT_EQ(file->GetPicturesCount(1), 0);
    EXPECT_EQ(file->GetPicturesCount(0), 2);
    file->BuildPicturesRowIndex();
    EXPECT_EQ(file->GetPicturesCount(1), 1);
    EXPECT_EQ(file->GetPicturesCount(10), 1);
    EXPECT_EQ(file->GetPicturesCount(2), 0);
    EXPECT_EQ(file->GetPictureName(1, 0), "Logo");
    EXPECT_EQ(file->GetPictureName(0, 1), "");
    EXPECT_EQ(MessageOf([&] { file->GetPictureName(2, 0); }), XlsMessages::ErrIndexOutOfRangeAssert);

    TXlsImgTypes type = TXlsImgTypes::xli_Unknown;
    TClientAnchor anchor;
    EXPECT_EQ(PictureOf(*file, 1, 0, type, anchor), Png(Qt::red));
    EXPECT_EQ(type, TXlsImgTypes::xli_Png);
    EXPECT_EQ((std::array<int, 4>{anchor.Col1, anchor.Row1, anchor.Col2, anchor.Row2}),
              (std::array<int, 4>{6, 1, 7, 4}));
    file->AssignPicture(10, 0, Png(Qt::blue), TXlsImgTypes::xli_Png);
    EXPECT_EQ(PictureOf(*file, 10, 0, type, anchor), Png(Qt::blue));
    EXPECT_EQ(PictureOf(*file, 0, 0, type, anchor), Png(Qt::red));

    QString out = PathOf("kresby-out.xls");
    file->Save(false, out, nullptr, nullptr, nullptr);
    EXPECT_EQ(Python("import sys, xlrd\n"
                     "s = xlrd.open_workbook(sys.argv[1], formatting_info=True).sheet_by_index(0)\n"
                     "print(sorted((k, n.text) for k, n in s.cell_note_map.items()))\n",
                     {out}),
              QString::fromUtf8("[((3, 2), 'Nová sleva')]\n"));
}

TEST(RowCommentsTest, KeepsRowsSortedAndAnswersEmptyRows) {
    TRowComments index;
    for (auto [row, picture] : std::vector<std::pair<int, int>>{{5, 0}, {2, 1}, {5, 2}, {9, 3}, {1, 4}})
        index.Add(row, picture);
    ASSERT_EQ(index.Count(), 4);
    EXPECT_EQ(index[0].Row, 1);
    EXPECT_EQ(index[3].Row, 9);
    const TCommentRowPos& five = index.ForRow(5);
    ASSERT_EQ(five.Count(), 2);
    EXPECT_EQ(five.Items(0), 0);
    EXPECT_EQ(five.Items(1), 2);
    EXPECT_EQ(index.ForRow(3).Count(), 0);
    int position;
    EXPECT_FALSE(index.Find(3, position));
    EXPECT_EQ(position, 2);
    EXPECT_TRUE(index.Find(9, position));
    EXPECT_EQ(position, 3);
}
