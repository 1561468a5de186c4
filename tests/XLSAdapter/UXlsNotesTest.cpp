#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include "XLSAdapter/UEscherGraphToBSE.h"
#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsClientData.h"
#include "XLSAdapter/UXlsMD5.h"
#include "XLSAdapter/UXlsNotes.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "XlsDrawingBuilder.h"
#include "common/LibreOffice.h"
#include "common/TempDir.h"

using namespace xlstest;

namespace {

QByteArray Png(const QColor& colour) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    image.save(&out, "PNG");
    return out.data();
}

QByteArray CommentGroup() { return DrawingGroup(PngEntry(Png(Qt::red), 0x11, 2), 1); }

// Comments on A2 (8-bit text), C4 (UTF-16 text) and B7 (a NOTE whose object is missing), and
// two pictures of one stored image.
QByteArray CommentDrawing() {
    return SheetDrawing({
        {1025, 1, Anchor(2, 1, 0, 3, 4), 0, QString(), true, "Cena bez DPH", false},
        {1026, 2, Anchor(2, 3, 2, 5, 6), 0, QString(), true, "Sleva dle smlouvy č. 5", true},
        {1027, 3, Anchor(2, 5, 1, 6, 3), 1, "Logo"},
        {1028, 4, Anchor(0, 5, 9, 6, 10), 1, QString()},
    });
}

QByteArray CommentNotes() { return NoteRecord(1, 0, 1) + NoteRecord(3, 2, 2) + NoteRecord(6, 1, 9); }

QByteArray CommentWorkbook() { return DrawingWorkbook(CommentGroup(), CommentDrawing(), CommentNotes()); }

QByteArray SaveBytes(TWorkbook& wb) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    wb.SaveToStream(out);
    return out.data();
}

TNoteRecord* NoteAt(TWorkbook& wb, int row, int i = 0) { return wb.WorkSheets(0).Notes.Row(row).Note(i); }

QByteArray Picture(const TDrawing& d, int i, TXlsImgTypes& type) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    d.GetPicture(i, out, type);
    return out.data();
}

TEscherBStoreRecord* Store(const TWorkbook& wb) { return wb.Globals.DrawingGroup.DwgGroupCache.BStore; }

class CommentFileTest : public TempDirTest {
protected:
    // A workbook written by another program, given comments and pictures of its own, edited
    // here and saved.
    QString SaveEditedWorkbook() {
        const QString source = PathOf("sablona.xls");
        Python(
            "import sys, xlwt\n"
            "wb = xlwt.Workbook()\n"
            "ws = wb.add_sheet('Nabidka')\n"
            "for r in range(12): ws.write(r, 0, r + 1)\n"
            "wb.save(sys.argv[1])\n",
            {source});
        TXlsStorageList storages;
        storages.LoadFromFile(source);
        QByteArray stream;
        int eofs = 0;
        for (const auto& [id, data] : Split(storages.FindStream("Workbook"))) {
            if (id == 0x000A && eofs++ == 0) stream += CommentGroup();
            if (id == 0x023E) stream += CommentDrawing() + CommentNotes();
            stream += Rec(id, data);
        }
        TWorkbook wb;
        LoadWorkbook(wb, stream);
        NoteAt(wb, 1)->SetText("Cena včetně dopravy");
        wb.WorkSheets(0).Notes.DeleteNote(6, 0);  // the NOTE without a shape is no comment to show
        wb.InsertAndCopyRows(0, 3, 3, 7, 1, false);
        wb.WorkSheets(0).Drawing.AssignPicture(1, Png(Qt::blue), TXlsImgTypes::xli_Png);
        const QString path = PathOf("poznamky.xls");
        SaveAsXls(wb, path);
        return path;
    }
};

}  // namespace

TEST(Comments, TextReadsInBothCharacterSizes) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    EXPECT_EQ(NoteAt(wb, 1)->GetText(), "Cena bez DPH");
    EXPECT_EQ(NoteAt(wb, 3)->GetText(), "Sleva dle smlouvy č. 5");
    // No shape carries this NOTE's object: no text, and setting one does nothing.
    EXPECT_EQ(NoteAt(wb, 6)->Dwg, nullptr);
    EXPECT_EQ(NoteAt(wb, 6)->GetText(), "");
    NoteAt(wb, 6)->SetText("nic");
    EXPECT_EQ(NoteAt(wb, 6)->GetText(), "");
}

TEST(Comments, SetTextPicksTheCharacterSizeAndRewritesTheRuns) {
    struct Case {
        QString text;
        int option;  // -1: no CONTINUE records at all
    };
    const Case cases[] = {
        {"Dodací doba 14 dní", 0},  // Latin-1 only, accents included
        {"Platnost nabídky: 30 dní, ř", 1},
        {"", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TWorkbook wb;
        LoadWorkbook(wb, CommentWorkbook());
        NoteAt(wb, 1)->SetText(c.text);
        auto* box = dynamic_cast<TEscherClientDataRecord*>(
            NoteAt(wb, 1)->Dwg->TopLevelShape()->FindRecord(escher::ClientTextbox));
        auto* txo = dynamic_cast<TTXO*>(box->ClientData.get());
        ASSERT_NE(txo, nullptr);
        EXPECT_EQ(GetWord(txo->Txo->Data, 10), c.text.size());
        EXPECT_EQ(GetWord(txo->Txo->Data, 12), c.text.isEmpty() ? 0 : 16);
        if (c.option < 0) {
            EXPECT_EQ(txo->Txo->Continue, nullptr);
        } else {
            ASSERT_NE(txo->Txo->Continue, nullptr);
            const QByteArray& chars = txo->Txo->Continue->Data;
            EXPECT_EQ(int(chars[0]), c.option);
            EXPECT_EQ(chars.size(), 1 + c.text.size() * (c.option + 1));
            ASSERT_NE(txo->Txo->Continue->Continue, nullptr);
            EXPECT_EQ(txo->Txo->Continue->Continue->Data.toHex(),
                      (Words({0, 0, 0, 0, quint16(c.text.size()), 0, 0, 0})).toHex());
        }
        TWorkbook again;
        LoadWorkbook(again, SaveBytes(wb));
        EXPECT_EQ(NoteAt(again, 1)->GetText(), c.text);
        EXPECT_EQ(NoteAt(again, 3)->GetText(), "Sleva dle smlouvy č. 5");
    }
}

TEST(Comments, DamagedTextIsRefused) {
    struct Case {
        QByteArray textRecord;
        QString message;
    };
    const Case cases[] = {
        {Bytes({2, 'a', 'b'}), XlsMessages::ErrExcelInvalid},  // an option byte that means nothing
        {Bytes({0, 'a'}), XlsMessages::ErrReadingRecord},      // fewer characters than counted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        TWorkbook wb;
        LoadWorkbook(wb, CommentWorkbook());
        auto* box = dynamic_cast<TEscherClientDataRecord*>(
            NoteAt(wb, 1)->Dwg->TopLevelShape()->FindRecord(escher::ClientTextbox));
        auto* txo = static_cast<TTXO*>(box->ClientData.get());
        SetWord(txo->Txo->Data, 10, 2);
        txo->Txo->Continue->Data = c.textRecord;
        txo->Txo->Continue->Continue.reset();
        EXPECT_EQ(MessageOf([&] { NoteAt(wb, 1)->GetText(); }), c.message);
    }
}

TEST(Comments, OverlongTextIsCutToWhatOneRecordHolds) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    NoteAt(wb, 1)->SetText(QString(9000, 'x'));
    EXPECT_EQ(NoteAt(wb, 1)->GetText(), QString(8223, 'x'));
    NoteAt(wb, 1)->SetText(QString(5000, QChar(0x0159)));
    EXPECT_EQ(NoteAt(wb, 1)->GetText(), QString(4111, QChar(0x0159)));
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(NoteAt(again, 1)->GetText().size(), 4111);
}

TEST(Comments, CopiedRowGetsItsOwnCommentShape) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    const size_t shapes = d.DwgCache.Shape.size();
    wb.InsertAndCopyRows(0, 1, 1, 8, 1, false);  // row 2 copied to row 9
    TNoteRecord* source = NoteAt(wb, 1);
    TNoteRecord* copy = NoteAt(wb, 8);
    EXPECT_EQ(d.DwgCache.Shape.size(), shapes + 1);
    ASSERT_NE(copy->Dwg, nullptr);
    EXPECT_NE(copy->Dwg, source->Dwg);
    EXPECT_EQ(copy->ObjId(), 5);
    EXPECT_EQ(copy->Row(), 8);
    auto* anchor =
        static_cast<TEscherClientAnchorRecord*>(copy->Dwg->TopLevelShape()->FindRecord(escher::ClientAnchor));
    EXPECT_EQ(anchor->Row1(), 7);
    EXPECT_EQ(anchor->Row2(), 11);
    copy->SetText("Kopie");
    EXPECT_EQ(source->GetText(), "Cena bez DPH");

    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(NoteAt(again, 8)->GetText(), "Kopie");
    EXPECT_EQ(NoteAt(again, 1)->GetText(), "Cena bez DPH");
}

TEST(Comments, CommentShapeMovesAndGoesOnceWithItsNote) {
    // A comment anchored to move and size with its cells: the drawing alone would shift, copy
    // and remove it as well as its NOTE.
    QByteArray drawing =
        SheetDrawing({{1025, 1, Anchor(0, 1, 2, 3, 4), 0, QString(), true, "Jednou", false}});
    TWorkbook wb;
    LoadWorkbook(wb, DrawingWorkbook({}, drawing, NoteRecord(3, 0, 1)));
    TDrawing& d = wb.WorkSheets(0).Drawing;
    auto anchor = [&] {
        auto* a = d.DwgCache.Anchor.back();
        return QStringLiteral("%1-%2").arg(a->Row1()).arg(a->Row2());
    };
    wb.InsertAndCopyRows(0, 20, 20, 0, 2, false);  // two rows above everything
    EXPECT_EQ(anchor(), "4-6");
    EXPECT_EQ(NoteAt(wb, 5)->Row(), 5);
    wb.InsertAndCopyRows(0, 5, 5, 10, 1, false);  // the commented row copied once
    EXPECT_EQ(d.DwgCache.Shape.size(), 3u);       // the patriarch and two comments
    const quint32 count = d.DwgCache.Dg->ShapeCount();
    wb.DeleteRows(0, 3, 4);  // rows 4..7 hold the first comment and its cell
    EXPECT_EQ(d.DwgCache.Shape.size(), 2u);
    EXPECT_EQ(d.DwgCache.Dg->ShapeCount(), count - 1);
    EXPECT_EQ(NoteAt(wb, 6)->GetText(), "Jednou");
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(NoteAt(again, 6)->GetText(), "Jednou");
}

TEST(Comments, TwoNotesOnOneShapeLeaveItToTheFirst) {
    TWorkbook wb;
    LoadWorkbook(wb, DrawingWorkbook(CommentGroup(), CommentDrawing(), CommentNotes() + NoteRecord(8, 0, 1)));
    EXPECT_EQ(NoteAt(wb, 8)->GetText(), "");
    wb.DeleteRows(0, 1, 1);  // the first NOTE goes with its shape
    EXPECT_EQ(NoteAt(wb, 7)->GetText(), "");
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(NoteAt(again, 2)->GetText(), "Sleva dle smlouvy č. 5");
}

TEST(Comments, DeletingANoteRemovesItsShape) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    TWorkSheet& sheet = wb.WorkSheets(0);
    const size_t objects = sheet.Drawing.DwgCache.Obj.size();
    sheet.Notes.DeleteNote(3, 0);
    EXPECT_EQ(sheet.Notes.Row(3).Count(), 0);
    EXPECT_EQ(sheet.Drawing.DwgCache.Obj.size(), objects - 2);  // its OBJ and its text box
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(NoteAt(again, 1)->GetText(), "Cena bez DPH");
    EXPECT_EQ(again.WorkSheets(0).Drawing.PictureCount(), 2);
}

TEST(Pictures, NamesRowsAnchorsAndImages) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    const TDrawing& d = wb.WorkSheets(0).Drawing;
    ASSERT_EQ(d.PictureCount(), 2);
    EXPECT_EQ(d.PictureName(0), "Logo");
    EXPECT_EQ(d.PictureName(1), "");
    EXPECT_EQ(d.PictureRow(0), 1);
    EXPECT_EQ(d.PictureRow(1), 9);
    EXPECT_EQ(d.PictureAnchor(1).toHex(), Anchor(0, 5, 9, 6, 10).toHex());
    TXlsImgTypes type;
    EXPECT_EQ(Picture(d, 0, type), Png(Qt::red));
    EXPECT_EQ(type, TXlsImgTypes::xli_Png);
    for (int bad : {-1, 2})
        EXPECT_EQ(MessageOf([&] { d.PictureName(bad); }), XlsMessages::ErrIndexOutOfRangeAssert);
}

TEST(Pictures, AssignPictureSharesAddsAndRemovesStoreEntries) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    TEscherBStoreRecord* store = Store(wb);
    ASSERT_EQ(store->Count(), 1);
    EXPECT_EQ(store->Entry(0)->References(), 2u);

    // Another image for one picture: a second entry, the first loses a user.
    d.AssignPicture(1, Png(Qt::blue), TXlsImgTypes::xli_Png);
    ASSERT_EQ(store->Count(), 2);
    // The same image again changes nothing.
    d.AssignPicture(1, Png(Qt::blue), TXlsImgTypes::xli_Png);
    ASSERT_EQ(store->Count(), 2);
    // Both pictures on the new image: the red one has no user left and goes.
    d.AssignPicture(0, Png(Qt::blue), TXlsImgTypes::xli_Png);
    ASSERT_EQ(store->Count(), 1);
    EXPECT_EQ(store->Entry(0)->References(), 2u);
    TXlsImgTypes type;
    EXPECT_EQ(Picture(d, 0, type), Png(Qt::blue));

    // Three distinct images: positions are renumbered in the sorted store and every shape's
    // reference follows its entry through a save.
    d.AssignPicture(0, Png(Qt::green), TXlsImgTypes::xli_Png);
    QByteArray jpeg;
    {
        QBuffer b(&jpeg);
        b.open(QIODevice::WriteOnly);
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::yellow);
        image.save(&b, "JPEG");
    }
    d.AssignPicture(1, jpeg, TXlsImgTypes::xli_Jpeg);
    ASSERT_EQ(store->Count(), 2);
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    const TDrawing& d2 = again.WorkSheets(0).Drawing;
    EXPECT_EQ(Picture(d2, 0, type), Png(Qt::green));
    EXPECT_EQ(type, TXlsImgTypes::xli_Png);
    EXPECT_EQ(Picture(d2, 1, type), jpeg);
    EXPECT_EQ(type, TXlsImgTypes::xli_Jpeg);
    EXPECT_EQ(Store(again)->Entry(0)->References() + Store(again)->Entry(1)->References(), 2u);
}

TEST(Pictures, BitmapsComeOutAsCompleteBmpFiles) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    QImage image(5, 4, QImage::Format_Indexed8);
    image.setColorCount(16);
    for (int i = 0; i < 16; ++i) image.setColor(i, qRgb(i * 16, 0, 0));
    image.fill(3);
    QByteArray bmp;
    {
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        image.save(&b, "BMP");
    }
    const QByteArray dib = bmp.mid(14);
    d.AssignPicture(0, dib, TXlsImgTypes::xli_Bmp);
    TXlsImgTypes type;
    QByteArray out = Picture(d, 0, type);
    EXPECT_EQ(type, TXlsImgTypes::xli_Bmp);
    EXPECT_EQ(out.left(2), "BM");
    EXPECT_EQ(GetLongWord(out, 2), quint32(out.size()));
    EXPECT_EQ(GetLongWord(out, 10), GetLongWord(bmp, 10));
    EXPECT_EQ(out.mid(14), dib);
    QImage back;
    ASSERT_TRUE(back.loadFromData(out, "BMP"));
    EXPECT_EQ(back.size(), QSize(5, 4));
}

TEST(Pictures, MetafilesAreStoredDeflatedAndComeBackWhole) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    // An enhanced metafile header record with bounds and frame, then padding.
    QByteArray emf =
        Longs({1, 88, 0, 0, 99, 49, 0, 0, 2000, 1000, 0x464D4520, 0x10000, 88, 1, 0}) + QByteArray(400, 'e');
    d.AssignPicture(0, emf, TXlsImgTypes::xli_Emf);
    TEscherBSERecord* bse = Store(wb)->Entry(0);
    EXPECT_LT(bse->Data.size(), emf.size());  // deflated
    TXlsImgTypes type;
    EXPECT_EQ(Picture(d, 0, type), emf);
    EXPECT_EQ(type, TXlsImgTypes::xli_Emf);
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(Picture(again.WorkSheets(0).Drawing, 0, type), emf);
}

TEST(Pictures, DamagedStoreEntriesAreRefused) {
    TWorkbook wb;
    LoadWorkbook(wb, CommentWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    Store(wb)->Entry(0)->Data.truncate(36 + 8 + 10);
    TXlsImgTypes type;
    EXPECT_EQ(MessageOf([&] { Picture(d, 0, type); }), XlsMessages::ErrProcessingEscher);
}

TEST(Pictures, Md5DigestIsTheStandardOne) {
    struct Case {
        QByteArray input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    };
    for (const Case& c : cases) {
        TMd5Stream md5;
        md5.write(c.input);
        EXPECT_EQ(md5.Digest().toHex(), c.digest);
    }
    auto bse = ConvertGraphicToBSE("abc", TXlsImgTypes::xli_Png, nullptr);
    EXPECT_EQ(bse->Data.mid(2, 16).toHex(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(bse->Pre, 6 * 16 + 2);
    EXPECT_EQ(GetWord(bse->Data, 36), 0x6E0 << 4);
    EXPECT_EQ(GetWord(bse->Data, 38), 0xF01E);
    EXPECT_EQ(GetLongWord(bse->Data, 20), 16u + 1 + 3 + 8);
}

TEST_F(CommentFileTest, SavedCommentsAndPicturesOpenInOtherReaders) {
    const QString path = SaveEditedWorkbook();
    QString read = Python(
        "import sys, xlrd, olefile\n"
        "assert olefile.isOleFile(sys.argv[1])\n"
        "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
        "s = b.sheet_by_index(0)\n"
        "print(int(s.cell_value(8, 0)))\n"
        "for (r, c), n in sorted(s.cell_note_map.items()): print(r, c, n.text)\n",
        {path});
    EXPECT_EQ(read, "8\n1 0 Cena včetně dopravy\n3 2 Sleva dle smlouvy č. 5\n7 2 Sleva dle smlouvy č. 5\n");
}

TEST_F(CommentFileTest, SavedCommentsAndPicturesOpenInLibreOffice) {
    REQUIRE_LIBREOFFICE(false);
    const QString path = SaveEditedWorkbook();
    QString error;
    ASSERT_TRUE(ConvertWithLibreOffice({path}, "ods", PathOf("ods"), {}, &error)) << error.toStdString();
    QProcess unzip;
    unzip.start("unzip", {"-p", PathOf("ods/poznamky.ods"), "content.xml"});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    const QString xml = QString::fromUtf8(unzip.readAllStandardOutput());
    EXPECT_EQ(xml.count(QRegularExpression("<office:annotation[ >]")), 3);
    EXPECT_TRUE(xml.contains("Cena včetně dopravy"));
    EXPECT_TRUE(xml.contains("Sleva dle smlouvy č. 5"));
    EXPECT_GE(xml.count("<draw:image"), 2);
}

TEST_F(CommentFileTest, PictureWrittenByAnotherProgramLoadsAndSavesBackIntact) {
    // This writer stores a bitmap the old way (OBJ with IMDATA), outside any drawing: it is no
    // picture of the drawing layer and must come back byte for byte, moved with nothing.
    const QString source = PathOf("obrazek.xls");
    const QString bmp = PathOf("obrazek.bmp");
    QImage image(6, 5, QImage::Format_RGB888);
    image.fill(QColor(10, 120, 200));
    ASSERT_TRUE(image.save(bmp, "BMP"));
    Python(
        "import sys, xlwt\n"
        "wb = xlwt.Workbook()\n"
        "ws = wb.add_sheet('Ceník')\n"
        "ws.write(0, 0, 'Položka')\n"
        "ws.insert_bitmap(sys.argv[2], 2, 1)\n"
        "wb.save(sys.argv[1])\n",
        {source, bmp});
    TXlsStorageList storages;
    storages.LoadFromFile(source);
    const QByteArray written = storages.FindStream("Workbook");
    TWorkbook wb;
    wb.LoadFromData(written);
    EXPECT_EQ(wb.WorkSheets(0).Drawing.PictureCount(), 0);
    const QString saved = PathOf("ulozeno.xls");
    SaveAsXls(wb, saved);
    TXlsStorageList again;
    again.LoadFromFile(saved);
    auto pictureRecords = [](const QByteArray& stream) {
        QByteArray out;
        for (const auto& [id, data] : Split(stream))
            if (id == 0x005D || id == 0x007F) out += Rec(id, data);
        return out;
    };
    EXPECT_FALSE(pictureRecords(written).isEmpty());
    EXPECT_EQ(pictureRecords(again.FindStream("Workbook")), pictureRecords(written));
    EXPECT_EQ(Python("import sys, xlrd\n"
                     "s = xlrd.open_workbook(sys.argv[1], formatting_info=True).sheet_by_index(0)\n"
                     "print(s.cell_value(0, 0))\n",
                     {saved}),
              "Položka\n");
}
