#include <gtest/gtest.h>

#include <QBuffer>

#include "XLSAdapter/UEscherGraphToBSE.h"
#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/UXlsChart.h"
#include "XLSAdapter/UXlsClientData.h"
#include "XLSAdapter/UXlsEscher.h"
#include "XlsDrawingBuilder.h"
#include "common/TempDir.h"

using namespace xlstest;

namespace {

QByteArray FakePng(int size, char fill) {
    QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    return png + QByteArray(size - png.size(), fill);
}

// Two pictures showing one stored PNG, a picture of another PNG, and a comment on B3.
QByteArray PictureWorkbook(int moveMode = 2) {
    QByteArray group =
        DrawingGroup(PngEntry(FakePng(60, 'a'), 0x11, 7) + PngEntry(FakePng(100, 'b'), 0x22, 0), 2);
    QByteArray drawing = SheetDrawing({
        {1025, 1, Anchor(moveMode, 1, 2, 3, 4), 1, "Logo"},
        {1026, 2, Anchor(moveMode, 1, 6, 3, 6), 1, QString()},
        {1027, 3, Anchor(moveMode, 5, 8, 6, 9), 2, "Razítko"},
        {1028, 4, Anchor(2, 2, 1, 4, 5), 0, QString(), true, "Pozor", false},
    });
    return DrawingWorkbook(group, drawing, NoteRecord(2, 1, 4));
}

QByteArray SaveBytes(TWorkbook& wb) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    wb.SaveToStream(out);
    return out.data();
}

std::vector<quint16> Ids(const QByteArray& stream) {
    std::vector<quint16> ids;
    for (const auto& [id, data] : Split(stream)) ids.push_back(id);
    return ids;
}

TEscherBSERecord* Entry(const TWorkbook& wb, int i) {
    return wb.Globals.DrawingGroup.DwgGroupCache.BStore->Entry(i);
}

QString Rows(const TDrawing& d) {
    QStringList out;
    for (TEscherClientAnchorRecord* a : d.DwgCache.Anchor)
        out << QStringLiteral("%1-%2").arg(a->Row1()).arg(a->Row2());
    return out.join(' ');
}

}  // namespace

TEST(DrawingLayer, WorkbookWithoutDrawingsGainsNoDrawingRecords) {
    TWorkbook wb;
    LoadWorkbook(wb, DrawingWorkbook({}, {}, {}));
    std::vector<quint16> ids = Ids(SaveBytes(wb));
    for (quint16 id : {0x00EB, 0x00EC, 0x005D, 0x01B6, 0x001C})
        EXPECT_EQ(std::count(ids.begin(), ids.end(), id), 0) << std::hex << id;
}

TEST(DrawingLayer, LoadsTreeAndWritesItBackRecordForRecord) {
    TWorkbook wb;
    QByteArray source = PictureWorkbook();
    LoadWorkbook(wb, source);
    const TDrawing& d = wb.WorkSheets(0).Drawing;
    ASSERT_TRUE(d.Loaded());
    EXPECT_EQ(d.DwgCache.Shape.size(), 5u);  // the patriarch's own shape and four more
    EXPECT_EQ(d.DwgCache.Obj.size(), 5u);    // four OBJ and one text box
    EXPECT_EQ(d.DwgCache.Anchor.size(), 4u);
    EXPECT_EQ(d.PictureCount(), 3);
    ASSERT_NE(d.DwgCache.Dg, nullptr);
    EXPECT_EQ(d.DwgCache.Dg->LastShapeId(), 1028u);

    // What a spreadsheet program wrote comes out as it went in: a drawing record per shape,
    // each followed by its OBJ, the comment's text box by its TXO and text, the NOTE last.
    QByteArray saved = SaveBytes(wb);
    auto in = Split(source), out = Split(saved);
    auto drawingPart = [](const std::vector<std::pair<quint16, QByteArray>>& records) {
        std::vector<std::pair<quint16, QByteArray>> part;
        for (const auto& r : records)
            if (r.first == 0x00EB || r.first == 0x00EC || r.first == 0x005D || r.first == 0x01B6 ||
                r.first == 0x003C || r.first == 0x001C)
                part.push_back(r);
        return part;
    };
    auto a = drawingPart(in), b = drawingPart(out);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a[i].first, b[i].first);
        // The store's reference counts are recounted from the shapes: 7 in the file, 2 users.
        if (a[i].first != 0x00EB) {
            EXPECT_EQ(a[i].second.toHex(), b[i].second.toHex());
        }
    }
    TWorkbook again;
    LoadWorkbook(again, saved);
    EXPECT_EQ(SaveBytes(again), saved);
}

TEST(DrawingLayer, PictureStoreCountsAreRecountedFromTheShapes) {
    TWorkbook wb;
    LoadWorkbook(wb, PictureWorkbook());
    EXPECT_EQ(Entry(wb, 0)->References(), 2u);
    EXPECT_EQ(Entry(wb, 1)->References(), 1u);
}

TEST(DrawingLayer, LargeDrawingGoesOutInPiecesOf8224BytesAndComesBackTheSame) {
    TWorkbook wb;
    QByteArray group = DrawingGroup(PngEntry(FakePng(20000, 'x'), 0x11, 1), 1);
    QByteArray drawing = SheetDrawing({{1025, 1, Anchor(2, 1, 1, 2, 2), 1, "Velký"}});
    LoadWorkbook(wb, DrawingWorkbook(group, drawing, {}));
    QByteArray saved = SaveBytes(wb);
    std::vector<std::pair<quint16, QByteArray>> group_;
    for (const auto& r : Split(saved))
        if (r.first == 0x00EB || (r.first == 0x003C && !group_.empty() && group_.size() < 3))
            group_.push_back(r);
    ASSERT_EQ(group_.size(), 3u);
    EXPECT_EQ(group_[0].first, 0x00EB);
    EXPECT_EQ(group_[0].second.size(), 8224);
    EXPECT_EQ(group_[1].first, 0x003C);
    EXPECT_EQ(group_[1].second.size(), 8224);

    TWorkbook again;
    LoadWorkbook(again, saved);
    QBuffer image;
    image.open(QIODevice::WriteOnly);
    TXlsImgTypes type;
    again.WorkSheets(0).Drawing.GetPicture(0, image, type);
    EXPECT_EQ(type, TXlsImgTypes::xli_Png);
    EXPECT_EQ(image.data(), FakePng(20000, 'x'));
    EXPECT_EQ(SaveBytes(again), saved);
}

TEST(DrawingLayer, RecordBreakNeverSplitsADrawingRecordHeader) {
    // The first entry is sized so that the second one's header starts 8216..8224 bytes into the
    // drawing group's first record: a header that would cross the 8224-byte limit moves the
    // break back to where it starts.
    for (int start = 8216; start <= 8224; ++start) {
        SCOPED_TRACE(start);
        // Before the first entry's image: group header, Dgg, store header, entry and blip headers.
        const int before = 8 + 32 + 8 + 8 + 36 + 8 + 17;
        QByteArray first = PngEntry(FakePng(start - before, 'p'), 0x11, 1);
        QByteArray group = DrawingGroup(first + PngEntry(FakePng(9000, 'q'), 0x22, 1), 2);
        QByteArray drawing = SheetDrawing(
            {{1025, 1, Anchor(2, 1, 1, 2, 2), 1, "A"}, {1026, 2, Anchor(2, 1, 3, 2, 4), 2, "B"}});
        TWorkbook wb;
        LoadWorkbook(wb, DrawingWorkbook(group, drawing, {}));
        QByteArray saved = SaveBytes(wb);
        std::vector<int> sizes;
        bool inGroup = false;
        for (const auto& [id, data] : Split(saved)) {
            if (id == 0x00EB)
                inGroup = true;
            else if (id != 0x003C)
                inGroup = false;
            if (inGroup) sizes.push_back(int(data.size()));
        }
        ASSERT_EQ(sizes.size(), 3u);
        EXPECT_EQ(sizes[0], start > 8216 && start < 8224 ? start : 8224);
        TWorkbook again;
        LoadWorkbook(again, saved);
        EXPECT_EQ(again.WorkSheets(0).Drawing.PictureCount(), 2);
        QBuffer image;
        image.open(QIODevice::WriteOnly);
        TXlsImgTypes type;
        again.WorkSheets(0).Drawing.GetPicture(1, image, type);
        EXPECT_EQ(image.data(), FakePng(9000, 'q'));
        EXPECT_EQ(SaveBytes(again), saved);
    }
}

TEST(DrawingLayer, CopiedRowsCopyTheirPicturesWithNewIdentifiersSharingTheStoreEntry) {
    TWorkbook wb;
    LoadWorkbook(wb, PictureWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    // Rows 3..5 (0-based 2..4) hold the first picture whole; copied twice below row 11.
    wb.InsertAndCopyRows(0, 2, 4, 11, 2, false);
    EXPECT_EQ(d.PictureCount(), 5);
    EXPECT_EQ(d.PictureRow(3), 11);
    EXPECT_EQ(d.PictureRow(4), 14);
    EXPECT_EQ(d.PictureName(3), "Logo");
    EXPECT_EQ(Entry(wb, 0)->References(), 4u);
    // Two pictures, then the comment of row 3 copied with its NOTE twice.
    EXPECT_EQ(d.DwgCache.Dg->LastShapeId(), 1032u);
    std::vector<quint32> ids;
    for (TEscherSPRecord* sp : d.DwgCache.Shape) ids.push_back(sp->ShapeId());
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "shape identifiers repeat";

    // Saved and read again, the copies are still there and still share the entry.
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(again.WorkSheets(0).Drawing.PictureCount(), 5);
    EXPECT_EQ(Entry(again, 0)->References(), 4u);
}

TEST(DrawingLayer, AnchorsFollowInsertedAndDeletedRowsByTheirMoveMode) {
    struct Case {
        int mode;
        const char* afterInsert;  // two rows inserted at row 4 (0-based 3)
        const char* afterDelete;  // then rows 4..6 (0-based 3..5) deleted
    };
    // The comment (mode 2, rows 1..5) is moved by its NOTE and stays in every case.
    const Case cases[] = {
        {0, "2-6 8-8 10-11 1-5", "2-3 5-5 7-8 1-5"},
        {1, "2-4 6-6 8-9 1-5", "2-4 6-6 8-9 1-5"},
        {2, "2-4 8-8 10-11 1-5", "2-4 5-5 7-8 1-5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TWorkbook wb;
        LoadWorkbook(wb, PictureWorkbook(c.mode));
        TDrawing& d = wb.WorkSheets(0).Drawing;
        wb.InsertAndCopyRows(0, 20, 20, 3, 2, false);
        EXPECT_EQ(Rows(d), c.afterInsert);
        wb.DeleteRows(0, 3, 3);
        EXPECT_EQ(Rows(d), c.afterDelete);
    }
}

TEST(DrawingLayer, DeletedRowsTakeTheirMoveAndSizeShapesWithThem) {
    TWorkbook wb;
    LoadWorkbook(wb, PictureWorkbook(0));
    TDrawing& d = wb.WorkSheets(0).Drawing;
    const quint32 shapes = d.DwgCache.Dg->ShapeCount();
    wb.DeleteRows(0, 5, 5);  // rows 6..10 hold the last two pictures whole
    EXPECT_EQ(d.PictureCount(), 1);
    EXPECT_EQ(d.PictureName(0), "Logo");
    EXPECT_EQ(d.PictureRow(0), 2);
    EXPECT_EQ(d.DwgCache.Dg->ShapeCount(), shapes - 2);
    EXPECT_EQ(wb.WorkSheets(0).Notes.Row(2).Count(), 1);
    EXPECT_EQ(wb.WorkSheets(0).Notes.Row(2).Note(0)->GetText(), "Pozor");
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(again.WorkSheets(0).Drawing.PictureCount(), 1);
}

TEST(DrawingLayer, CopiedSheetHasItsOwnDrawingWithTheSameShapes) {
    TWorkbook wb;
    LoadWorkbook(wb, PictureWorkbook());
    const quint32 savedDrawings = GetLongWord(wb.Globals.DrawingGroup.DwgGroupCache.Dgg->Data, 12);
    wb.InsertSheets(0, 1, 1);
    TWorkSheet& copy = wb.WorkSheets(1);
    EXPECT_EQ(copy.Drawing.PictureCount(), 3);
    EXPECT_EQ(copy.Drawing.DwgCache.Dg->LastShapeId(), 1028u);
    EXPECT_EQ(Entry(wb, 0)->References(), 4u);
    EXPECT_EQ(GetLongWord(wb.Globals.DrawingGroup.DwgGroupCache.Dgg->Data, 12), savedDrawings + 1);
    // The copy's comment is its own: changing it leaves the source's alone.
    copy.Notes.Row(2).Note(0)->SetText("Kopie");
    EXPECT_EQ(wb.WorkSheets(0).Notes.Row(2).Note(0)->GetText(), "Pozor");
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(again.WorkSheets(1).Notes.Row(2).Note(0)->GetText(), "Kopie");
    EXPECT_EQ(again.WorkSheets(1).Drawing.PictureCount(), 3);
}

TEST(DrawingLayer, DamagedOrUnsupportedDrawingsAreRefusedWithTheirMessages) {
    QByteArray group = DrawingGroup(PngEntry(FakePng(50, 'a'), 0x11, 1), 1);
    QByteArray good = SheetDrawing({{1025, 1, Anchor(2, 1, 1, 2, 2), 1, "A"}});
    auto load = [](const QByteArray& stream) {
        return MessageOf([&] {
            TWorkbook wb;
            LoadWorkbook(wb, stream);
        });
    };

    // A child longer than the container that holds it.
    QByteArray longChild = good;
    SetLongWord(longChild, 4 + 8 + 4, 0x7FFFFFF0);  // the Dg atom's length
    // An align rule in the solver.
    QByteArray solver = EContainer(0xF005, EAtom(0xF013, Longs({2, 1025})), 1);
    QByteArray dgWithRule = EContainer(0xF002, EAtom(0xF008, Longs({1, 1024}), 1) + solver);
    // Two drawing records for one drawing.
    QByteArray twoDg =
        EContainer(0xF002, EAtom(0xF008, Longs({1, 1024}), 1) + EAtom(0xF008, Longs({1, 1024}), 1));
    // A shape's client data followed by something else than its OBJ.
    QByteArray noObj = Rec(0x00EC, Split(good)[0].second) + TxoRecords("x", false);

    struct Case {
        QByteArray stream;
        QString message;
    };
    const Case cases[] = {
        {DrawingWorkbook(group, longChild, {}), XlsMessages::ErrExcelInvalid},
        {DrawingWorkbook(group, Rec(0x00EC, dgWithRule), {}),
         "This file has a not implemented kind of record: Align Rule"},
        {DrawingWorkbook(group, Rec(0x00EC, twoDg), {}), XlsMessages::ErrDgDuplicated},
        {DrawingWorkbook(group, noObj, {}), XlsMessages::ErrUnsupportedDrawing},
        {DrawingWorkbook(group + group, good, {}), XlsMessages::ErrExcelInvalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        EXPECT_EQ(load(c.stream), c.message);
    }
}

TEST(DrawingLayer, RowsWithAnEmbeddedOleObjectCannotBeCopied) {
    QByteArray group = DrawingGroup(PngEntry(FakePng(50, 'a'), 0x11, 1), 1);
    QByteArray drawing =
        SheetDrawing({{1025, 1, Anchor(2, 1, 1, 2, 2), 1, "Objekt", false, {}, false, true}});
    TWorkbook wb;
    LoadWorkbook(wb, DrawingWorkbook(group, drawing, {}));
    EXPECT_EQ(MessageOf([&] {
                  wb.WorkSheets(0).Drawing.InsertAndCopyRows(1, 2, 5, 1, SheetInfo{0, 0, {}, {}});
              }),
              XlsMessages::ErrCantCopyOle);
    // Refused before anything was added.
    EXPECT_EQ(wb.WorkSheets(0).Drawing.PictureCount(), 1);
}

TEST(DrawingLayer, ConnectorRulesFollowTheirShapes) {
    QByteArray group = DrawingGroup(PngEntry(FakePng(50, 'a'), 0x11, 1), 1);
    TWorkbook wb;
    // A connector (shape 1026) between pictures 1025 and 1027, and a callout on 1027.
    QByteArray drawing = SheetDrawing({{1025, 1, Anchor(0, 1, 1, 2, 1), 1, "A"},
                                       {1026, 2, Anchor(0, 1, 1, 2, 3), 0, QString()},
                                       {1027, 3, Anchor(0, 1, 3, 2, 3), 1, "B"}});
    QByteArray solver = EContainer(
        0xF005, EAtom(0xF012, Longs({2, 1025, 1027, 1026, 0, 0}), 0, 0) + EAtom(0xF017, Longs({4, 1027})), 2);
    drawing += Rec(0x00EC, solver);
    // The drawing container must hold the solver: patch its length.
    int dgLength = GetLongWord(drawing, 8);
    SetLongWord(drawing, 8, quint32(dgLength + solver.size()));
    LoadWorkbook(wb, DrawingWorkbook(group, drawing, {}));
    TDrawing& d = wb.WorkSheets(0).Drawing;
    ASSERT_NE(d.DwgCache.Solver, nullptr);
    EXPECT_EQ(d.DwgCache.Solver->MaxRuleId, 4u);

    // Copying rows 2..4 copies all three shapes and both rules, pointing at the copies.
    wb.InsertAndCopyRows(0, 1, 3, 10, 1, false);
    ASSERT_EQ(d.DwgCache.Solver->Count(), 4);
    auto* connector =
        dynamic_cast<TEscherConnectorRuleRecord*>(d.DwgCache.Solver->FContainedRecords[2].get());
    ASSERT_NE(connector, nullptr);
    QByteArray saved = SaveBytes(wb);
    TWorkbook again;
    LoadWorkbook(again, saved);
    TEscherSolverContainerRecord* s = again.WorkSheets(0).Drawing.DwgCache.Solver;
    auto* rule = static_cast<TEscherDataRecord*>(s->FContainedRecords[2].get());
    EXPECT_EQ(GetLongWord(rule->Data, 0), 6u);
    EXPECT_EQ(GetLongWord(rule->Data, 4), 1028u);
    EXPECT_EQ(GetLongWord(rule->Data, 8), 1030u);
    EXPECT_EQ(GetLongWord(rule->Data, 12), 1029u);

    // Deleting the rows of the first picture forgets it in the connector; deleting the
    // connector's own rows removes the rule.
    wb.DeleteRows(0, 1, 1);
    EXPECT_EQ(d.DwgCache.Solver->Count(), 4);
    auto* first = static_cast<TRuleRecord*>(d.DwgCache.Solver->FContainedRecords[0].get());
    QByteArray written = SaveBytes(wb);
    (void)written;
    EXPECT_EQ(GetLongWord(first->Data, 4), 0u);
    wb.DeleteRows(0, 1, 2);
    EXPECT_EQ(d.DwgCache.Solver->Count(), 2);
}

namespace {

// A worksheet whose drawing holds a chart of A3:A7 on rows 2..4.
QByteArray ChartWorkbook() {
    QByteArray globals = Bof(5) + Window1() + BoundSheet("Graf") + LocalSupBook(1) + ExternSheet(1) +
                         DrawingGroup(PngEntry(FakePng(40, 'g'), 0x11, 1), 1) + Eof();
    QByteArray series = Area3d(0, 2, 6, 0, 0);
    QByteArray chart =
        Bof(0x20) + Rec(0x1051, Bytes({1, 2}) + Words({0, 0, quint16(series.size())}) + series) + Eof();
    QByteArray shape = EContainer(0xF004, EAtom(0xF00A, Longs({1025, 0x0A00}), 201, 2) +
                                              EAtom(0xF010, Anchor(0, 1, 1, 4, 3)) + EAtom(0xF011, {}));
    QByteArray patriarch =
        EContainer(0xF004, EAtom(0xF009, QByteArray(16, '\0'), 0, 1) + EAtom(0xF00A, Longs({1024, 5}), 0, 2));
    QByteArray dg = EAtom(0xF008, Longs({4, 1030}), 1);
    const int shapes = patriarch.size() + shape.size();
    QByteArray spgr = EHeader(0xF, 0, 0xF003, shapes);
    QByteArray head =
        EHeader(0xF, 0, 0xF002, dg.size() + spgr.size() + shapes) + dg + spgr + patriarch + shape;
    QByteArray sheet = Bof(0x10);
    for (int r = 0; r < 8; ++r) sheet += RowRec(r) + Number(r, 0, r);
    sheet += Rec(0x00EC, head) + ObjRecord(5, 1) + chart + Window2(true) + Eof();
    return globals + sheet;
}

QString SeriesOf(const TDrawing& d, int n) {
    QStringList out;
    d.ForEachChart([&](TChart& c) {
        for (TChartAIRecord* ai : c.Records.SeriesFormulas())
            out << Decompile(ai->Data, 8, 8 + GetWord(ai->Data, 6), nullptr).remove("S-1!");
    });
    return n < out.size() ? out[n] : "(none)";
}

}  // namespace

TEST(DrawingLayer, EmbeddedChartTravelsWithItsShape) {
    TWorkbook wb;
    LoadWorkbook(wb, ChartWorkbook());
    TDrawing& d = wb.WorkSheets(0).Drawing;
    EXPECT_EQ(SeriesOf(d, 0), "$A$3:$A$7");
    wb.InsertAndCopyRows(0, 7, 7, 0, 1, false);  // a row above everything
    EXPECT_EQ(SeriesOf(d, 0), "$A$4:$A$8");
    wb.InsertAndCopyRows(0, 2, 4, 10, 1, false);  // the chart's rows copied 8 rows down
    EXPECT_EQ(SeriesOf(d, 0), "$A$4:$A$8");
    EXPECT_EQ(SeriesOf(d, 1), "$A$12:$A$16");
    QByteArray saved = SaveBytes(wb);
    TWorkbook again;
    LoadWorkbook(again, saved);
    EXPECT_EQ(SeriesOf(again.WorkSheets(0).Drawing, 0), "$A$4:$A$8");
    EXPECT_EQ(SeriesOf(again.WorkSheets(0).Drawing, 1), "$A$12:$A$16");
    EXPECT_EQ(SaveBytes(again), saved);
}

TEST(DrawingLayer, DrawingDataContinuedAfterAnObjIsRead) {
    // Some writers put the next shape's drawing data into a CONTINUE after the OBJ; it is read
    // as drawing data and written back as a drawing record of its own.
    QByteArray group = DrawingGroup(PngEntry(FakePng(50, 'a'), 0x11, 1), 1);
    auto records = Split(
        SheetDrawing({{1025, 1, Anchor(2, 1, 1, 2, 2), 1, "A"}, {1026, 2, Anchor(2, 1, 5, 2, 6), 1, "B"}}));
    ASSERT_EQ(records.size(), 4u);
    QByteArray drawing = Rec(0x00EC, records[0].second) + Rec(0x005D, records[1].second) +
                         Rec(0x003C, records[2].second) + Rec(0x005D, records[3].second);
    TWorkbook wb;
    LoadWorkbook(wb, DrawingWorkbook(group, drawing, {}));
    TDrawing& d = wb.WorkSheets(0).Drawing;
    ASSERT_EQ(d.PictureCount(), 2);
    EXPECT_EQ(d.PictureRow(1), 5);
    QByteArray saved = SaveBytes(wb);
    std::vector<quint16> ids = Ids(saved);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x00EC), 2);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x003C), 0);
    TWorkbook again;
    LoadWorkbook(again, saved);
    EXPECT_EQ(again.WorkSheets(0).Drawing.PictureName(1), "B");
}

TEST(DrawingLayer, GroupedPictureReportsTheGroupsRowAndTravelsWithIt) {
    QByteArray group = DrawingGroup(PngEntry(FakePng(50, 'a'), 0x11, 1), 1);
    // A group anchored on rows 8..10 holding one picture, which has only a child anchor.
    QByteArray groupShape = EContainer(0xF004, EAtom(0xF009, QByteArray(16, '\0'), 0, 1) +
                                                   EAtom(0xF00A, Longs({1025, 0x0201}), 0, 2) +
                                                   EAtom(0xF010, Anchor(2, 1, 7, 3, 9)) + EAtom(0xF011, {}));
    QByteArray picture = EContainer(0xF004, EAtom(0xF00A, Longs({1026, 0x0A02}), 75, 2) +
                                                EAtom(0xF00B, Words({0x4104}) + Longs({1}), 1, 3) +
                                                EAtom(0xF00F, Longs({0, 0, 100, 100})) + EAtom(0xF011, {}));
    QByteArray inner = EHeader(0xF, 0, 0xF003, groupShape.size() + picture.size());
    QByteArray patriarch =
        EContainer(0xF004, EAtom(0xF009, QByteArray(16, '\0'), 0, 1) + EAtom(0xF00A, Longs({1024, 5}), 0, 2));
    QByteArray dg = EAtom(0xF008, Longs({3, 1026}), 1);
    const int shapes = patriarch.size() + inner.size() + groupShape.size() + picture.size();
    QByteArray spgr = EHeader(0xF, 0, 0xF003, shapes);
    QByteArray head =
        EHeader(0xF, 0, 0xF002, dg.size() + spgr.size() + shapes) + dg + spgr + patriarch + inner;
    QByteArray drawing =
        Rec(0x00EC, head + groupShape) + ObjRecord(0, 1) + Rec(0x00EC, picture) + ObjRecord(8, 2);
    TWorkbook wb;
    LoadWorkbook(wb, DrawingWorkbook(group, drawing, {}));
    TDrawing& d = wb.WorkSheets(0).Drawing;
    ASSERT_EQ(d.PictureCount(), 1);
    EXPECT_EQ(d.PictureRow(0), 7);
    EXPECT_EQ(d.PictureAnchor(0).toHex(), Anchor(2, 1, 7, 3, 9).toHex());
    wb.InsertAndCopyRows(0, 7, 9, 10, 1, false);
    ASSERT_EQ(d.PictureCount(), 2);
    EXPECT_EQ(d.PictureRow(1), 10);
    EXPECT_EQ(Entry(wb, 0)->References(), 2u);
    TWorkbook again;
    LoadWorkbook(again, SaveBytes(wb));
    EXPECT_EQ(again.WorkSheets(0).Drawing.PictureRow(1), 10);
}
