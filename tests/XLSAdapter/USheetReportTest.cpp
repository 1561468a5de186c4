#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QImage>

#include "XLSAdapter/USheetReport.h"
#include "XLSAdapter/UXlsTDataSet.h"
#include "XLSAdapter/XLSAdapter.h"
#include "XlsDrawingBuilder.h"
#include "XlsTemplate.h"
#include "common/TempDir.h"
#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"

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

// What a printing form offers a template: its tables by name and a few published values.
class TTiskData : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Firma READ Firma)
    Q_PROPERTY(QDate Datum READ Datum)
    Q_PROPERTY(QVariantList Sazby READ Sazby)
    Q_PROPERTY(TXlsVarArray Matice READ Matice)
    Q_PROPERTY(QByteArray Logo READ Logo)

public:
    QString Firma() const { return QString::fromUtf8("Stavebniny Novák s.r.o."); }
    QDate Datum() const { return QDate(2024, 3, 15); }
    QVariantList Sazby() const { return {0, 12, 21}; }
    // Rows 1..2, columns 0..2: element (r, c) is r * 10 + c.
    TXlsVarArray Matice() const {
        TXlsVarArray a;
        a.Bounds = {{1, 2}, {0, 2}};
        for (int c = 0; c <= 2; ++c)
            for (int r = 1; r <= 2; ++r) a.Items << r * 10 + c;
        return a;
    }
    QByteArray Logo() const { return "png bytes"; }

    TMemTable mtSkup, mtPol, mtPozn, mtFirmy, mtPrazdna, mtObr;
    TDataSource dsSkup{&mtSkup};

    TTiskData() {
        mtSkup.FieldDefs().Add("ID", ftInteger);
        mtSkup.FieldDefs().Add("Nazev", ftString, 40);
        mtSkup.CreateTable();
        Add(mtSkup, {1, QString::fromUtf8("Nářadí")});
        Add(mtSkup, {2, "Barvy"});

        mtPol.FieldDefs().Add("IDSkup", ftInteger);
        mtPol.FieldDefs().Add("Kod", ftString, 20);
        mtPol.FieldDefs().Add("Cena", ftFloat);
        mtPol.FieldDefs().Add("Popis", ftMemo);
        mtPol.FieldDefs().Add("Dodano", ftDate);
        mtPol.CreateTable();
        mtPol.FieldByName("Cena")->SetDisplayLabel("Cena bez DPH");
        Add(mtPol, {1, "K-01", 120.5, "Kladivo", QDate(2024, 2, 29)});
        Add(mtPol, {1, "K-02", 89, QString::fromUtf8("Pila\r\nruční"), {}});
        Add(mtPol, {2, "B-01", 45, QString::fromUtf8("Bílá"), QDate(2024, 1, 2)});

        mtPozn.FieldDefs().Add("IDSkup", ftInteger);
        mtPozn.FieldDefs().Add("Text", ftString, 60);
        mtPozn.CreateTable();
        Add(mtPozn, {1, QString::fromUtf8("Dodání do 3 dnů")});

        mtFirmy.FieldDefs().Add("Nazev", ftString, 60);
        mtFirmy.FieldDefs().Add("ICO", ftString, 8);
        mtFirmy.CreateTable();

        mtPrazdna.FieldDefs().Add("A", ftString, 10);
        mtPrazdna.FieldDefs().Add("B", ftInteger);
        mtPrazdna.CreateTable();

        mtObr.FieldDefs().Add("Kod", ftString, 10);
        mtObr.FieldDefs().Add("Obrazek", ftBlob);
        mtObr.CreateTable();
        Add(mtObr, {"K1", Png(Qt::red)});
        Add(mtObr, {"K2", Png(Qt::green)});

        for (auto [name, table] : std::vector<std::pair<const char*, TDataSet*>>{{"mtSkup", &mtSkup},
                                                                                 {"mtPol", &mtPol},
                                                                                 {"mtPozn", &mtPozn},
                                                                                 {"mtFirmy", &mtFirmy},
                                                                                 {"mtPrazdna", &mtPrazdna},
                                                                                 {"mtObr", &mtObr}})
            new TDataSetComponent(this, name, table);
    }

    // Items and notes follow the group the report stands on.
    void LinkDetails() {
        for (TMemTable* detail : {&mtPol, &mtPozn}) {
            detail->SetMasterFields("ID");
            detail->SetDetailFields("IDSkup");
            detail->SetMasterSource(&dsSkup);
        }
    }

    static void Add(TMemTable& t, const QVariantList& values) {
        t.Append();
        for (int i = 0; i < values.size(); ++i) t.Fields()[i]->SetValue(values[i]);
        t.Post();
    }
};

class SheetReportTest : public TempDirTest {
protected:
    TTiskData data;
    TXLSAdapter adapter;
    TSheetReport* report = new TSheetReport(&data);

    void SetUp() override {
        report->Adapter = &adapter;
        report->FileName = PathOf("vystup.xls");
    }

    // Runs the report on a template and answers the message it failed with, or "".
    QString Generate(const QString& body, const std::vector<TTemplateName>& names) {
        report->Template = PathOf("sablona.xls");
        QFile::remove(report->Template);
        MakeTemplate(report->Template, body, names);
        return MessageOf([&] { report->GenerateReport(); }).replace("(no exception)", "");
    }

    QJsonArray Output() { return ReadWithXlrd(report->FileName); }

    // A band row with a field cell, a picture named `pictureName` and a comment, both on it.
    QString GenerateWithDrawing(const QString& pictureName) {
        QByteArray drawing = SheetDrawing({
            {1025, 1, Anchor(2, 3, 0, 4, 0), 1, pictureName},
            {1026, 2, Anchor(2, 4, 0, 6, 2), 0, QString(), true, "##mtObr##Kod", false},
        });
        TWorkbook wb;
        wb.LoadFromData(WithFormats(DrawingWorkbook(DrawingGroup(PngEntry(Png(Qt::gray), 0x11, 1), 1),
                                                    drawing, NoteRecord(0, 1, 2), 3)));
        wb.WorkSheets(0).Cells.CellList.SetValue(0, 1, {QString("##mtObr##Kod"), -1, false});
        AddNames(wb, {{"__mtObr__", 1, 1, 1, 1, 3}});
        report->Template = PathOf("obrazky.xls");
        QFile::remove(report->Template);
        SaveAsXls(wb, report->Template);
        return MessageOf([&] { report->GenerateReport(); }).replace("(no exception)", "");
    }
};

// The template: a group band holding two bands side by side (items, notes), a page break after
// each group, values of the data module, and a sheet without bands that stays as it is.
const char* kOfferTemplate =
    "ws = wb.add_sheet(u'Nabídka')\n"
    "d = xlwt.easyxf(num_format_str='DD.MM.YYYY')\n"
    "ws.write(0, 0, '#.Firma'); ws.write(0, 1, '#.Datum', d)\n"
    "ws.write(1, 0, '##mtSkup##Nazev')\n"
    "ws.write(2, 1, '##mtPol##Kod'); ws.write(2, 2, '##mtPol##Cena'); ws.write(2, 3, '##mtPol##Popis')\n"
    "ws.write(2, 4, '##mtPol##Dodano', d)\n"
    "ws.write(3, 1, '##mtPozn##Text')\n"
    "ws.write(4, 0, '...page break...')\n"
    "ws.write(5, 0, 'Celkem'); ws.write(5, 1, u'Text před ##mtPol##Kod')\n"
    "ws.write(6, 0, '#.Sazby#.2#.'); ws.write(6, 1, '#.Matice#.2#.1#.'); ws.write(6, 2, '#.Matice#.2#.')\n"
    "ws.write(7, 0, '...delete row...'); ws.write(7, 1, u'pryč')\n"
    "ws.write(8, 0, 'pod sestavou ##mtSkup##Nazev')\n"
    "p = wb.add_sheet(u'Poznámky')\n"
    "p.write(0, 0, '##mtSkup##Nazev'); p.write(1, 0, '...delete row...')\n";

const std::vector<TTemplateName> kOfferNames = {
    {"__Sestava__", 1, 1, 8, 1, 5},
    {"__mtSkup__", 1, 2, 5, 1, 5},
    {"__mtPol__", 1, 3, 3, 1, 5},
    {"__mtPozn__", 1, 4, 4, 1, 5},
};

}  // namespace

TEST_F(SheetReportTest, FillsNestedAndSiblingBandsAndReadsBackWithXlrd) {
    data.LinkDetails();
    ASSERT_EQ(Generate(kOfferTemplate, kOfferNames), "");
    QJsonArray book = Output();
    ASSERT_EQ(SheetNames(book), QStringList({QString::fromUtf8("Nabídka"), QString::fromUtf8("Poznámky")}));
    // The second group has no note: its note band is gone with its row.
    QStringList expected = {
        QString::fromUtf8("Stavebniny Novák s.r.o.|45366"),
        QString::fromUtf8("Nářadí"),
        "|K-01|120.5|Kladivo|45351",
        QString::fromUtf8("|K-02|89|Pila\nruční"),
        QString::fromUtf8("|Dodání do 3 dnů"),
        "",
        "Barvy",
        QString::fromUtf8("|B-01|45|Bílá|45293"),
        "",
        QString::fromUtf8("Celkem|Text před ##mtPol##Kod"),
        "21|21|20",
        "pod sestavou ##mtSkup##Nazev",
    };
    EXPECT_EQ(SheetText(book, 0), expected.join('/'));
    EXPECT_EQ(SheetText(book, 1), "##mtSkup##Nazev/...delete row...");

    EXPECT_EQ(
        Python("import sys, xlrd\n"
               "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
               "s = b.sheet_by_index(0)\n"
               "print(s.horizontal_page_breaks, s.cell_type(0, 1), s.cell_type(2, 4), s.cell_type(5, 0))\n"
               "print(xlrd.xldate.xldate_as_tuple(s.cell_value(2, 4), b.datemode)[:3])\n",
               {report->FileName}),
        "[(5, 0, 255), (8, 0, 255)] 3 3 6\n(2024, 2, 29)\n");

    // Datasets that were open before the run stay open.
    EXPECT_TRUE(data.mtSkup.Active());
}

// A band whose dataset is empty disappears with its rows; a band named after a dataset that does
// not exist is produced once, and the rows below move up.
TEST_F(SheetReportTest, EmptyAndMissingDatasetBands) {
    ASSERT_EQ(Generate("ws = wb.add_sheet('A')\n"
                       "ws.write(0, 0, 'hlava')\n"
                       "ws.write(1, 0, '##mtPrazdna##A'); ws.write(2, 0, 'pod ni')\n"
                       "ws.write(3, 0, 'jednou')\n"
                       "ws.write(4, 0, '##mtFirmy##Nazev')\n"
                       "ws.write(5, 0, 'konec')\n",
                       {{"__Sestava__", 1, 1, 6, 1, 2},
                        {"__mtPrazdna__", 1, 2, 3, 1, 2},
                        {"__mtNeni__", 1, 4, 4, 1, 2},
                        {"__mtFirmy__", 1, 5, 5, 1, 2}}),
              "");
    EXPECT_EQ(SheetText(Output(), 0), "hlava/jednou/konec");

    // A field of a missing dataset fails with its name, and no file is written.
    QFile::remove(report->FileName);
    EXPECT_EQ(
        Generate("ws = wb.add_sheet('A')\nws.write(1, 0, '##mtNeni##Kod')\n", {{"__x__", 1, 1, 3, 1, 1}}),
        QString::fromUtf8(XlsMessages::ErrCantFindDataSet).arg("mtNeni"));
    EXPECT_FALSE(QFile::exists(report->FileName));
}

// A band that would end exactly where the window searched for children ends is no child: its
// rows stay plain rows of the enclosing band, filled once from the table's current record (the
// last one appended).
TEST_F(SheetReportTest, BandEndingWithTheSearchWindowIsNoChild) {
    ASSERT_EQ(
        Generate(
            "ws = wb.add_sheet('A')\n"
            "rows = ['hlava', '##mtPol##Kod', '-', '##mtSkup##Nazev', 'x6', 'x7', 'x8', 'pata']\n"
            "for i, t in enumerate(rows): ws.write(i, 0, t)\n",
            {{"__Sestava__", 1, 2, 7, 1, 1}, {"__mtPol__", 1, 2, 3, 1, 1}, {"__mtSkup__", 1, 4, 7, 1, 1}}),
        "");
    EXPECT_EQ(SheetText(Output(), 0), QString::fromUtf8("hlava/K-01/-/K-02/-/B-01/-/Barvy/x6/x7/x8/pata"));
}

// "##table##*": the field names in the marker's row, one row per record under it (the row under
// the marker is the pattern); an empty table leaves its header and takes the pattern row away.
TEST_F(SheetReportTest, FullDatasets) {
    ASSERT_EQ(Generate("ws = wb.add_sheet('A')\n"
                       "ws.write(0, 1, '##mtPol##*')\n"
                       "ws.write(1, 1, None, xlwt.easyxf('font: bold on'))\n"
                       "ws.write(2, 0, 'mezi')\n"
                       "ws.write(3, 0, '##mtPrazdna##*')\n"
                       "ws.write(4, 0, u'pryč')\n"
                       "ws.write(5, 0, 'konec')\n",
                       {{"__Sestava__", 1, 1, 6, 1, 6}}),
              "");
    QStringList expected = {
        "|IDSkup|Kod|Cena bez DPH|Popis|Dodano",
        "|1|K-01|120.5|Kladivo|45351",
        QString::fromUtf8("|1|K-02|89|Pila\nruční"),
        QString::fromUtf8("|2|B-01|45|Bílá|45293"),
        "mezi",
        "A|B",
        "konec",
    };
    EXPECT_EQ(SheetText(Output(), 0), expected.join('/'));
}

// Each record of the pages dataset gets a copy of the selected sheet, named by a field; names
// that come from data are made valid and unique first.
TEST_F(SheetReportTest, PagesDatasetMakesNamedSheetCopies) {
    for (const char* name : {"Novák/Syn s.r.o.", "Stavby: Praha", "Novák/Syn s.r.o."})
        TTiskData::Add(data.mtFirmy, {QString::fromUtf8(name), "12345678"});
    report->SetPagesDataSet(data.findChild<QObject*>("mtFirmy"));
    report->PagesDataField = "Nazev";
    ASSERT_EQ(Generate("wb.add_sheet(u'Úvod').write(0, 0, '##mtFirmy##Nazev')\n"
                       "ws = wb.add_sheet('Firma')\n"
                       "ws.write(0, 0, '##mtFirmy##Nazev'); ws.write(0, 1, '##mtFirmy##ICO')\n"
                       "wb.set_active_sheet(1)\n",
                       {{"__Sestava__", 2, 1, 1, 1, 2}}),
              "");
    QJsonArray book = Output();
    EXPECT_EQ(SheetNames(book), QStringList({QString::fromUtf8("Úvod"), QString::fromUtf8("Novák_Syn s.r.o."),
                                             "Stavby_ Praha", QString::fromUtf8("Novák_Syn s.r.o. (2)")}));
    EXPECT_EQ(SheetText(book, 0), "##mtFirmy##Nazev");
    EXPECT_EQ(SheetText(book, 1), QString::fromUtf8("Novák/Syn s.r.o.|12345678"));
    EXPECT_EQ(SheetText(book, 2), "Stavby: Praha|12345678");
    EXPECT_EQ(SheetText(book, 3), QString::fromUtf8("Novák/Syn s.r.o.|12345678"));

    // More pages than a workbook may get: the run fails before any sheet is filled, no file.
    data.mtFirmy.EmptyTable();
    for (int i = 0; i < 251; ++i) TTiskData::Add(data.mtFirmy, {QString("Firma %1").arg(i), ""});
    QFile::remove(report->FileName);
    EXPECT_EQ(
        Generate("wb.add_sheet('Firma').write(0, 0, '##mtFirmy##Nazev')\n", {{"__Sestava__", 1, 1, 1, 1, 1}}),
        XlsMessages::ErrTooManySheets);
    EXPECT_FALSE(QFile::exists(report->FileName));

    QObject plain;
    plain.setObjectName("obyc");
    EXPECT_EQ(MessageOf([&] { report->SetPagesDataSet(&plain); }),
              QString::fromUtf8(XlsMessages::ErrNotXlsDataSet).arg("obyc"));
}

TEST(SheetNameTest, NamesFromDataAreMadeValid) {
    struct Case {
        const char* Text;
        const char* Expected;
    };
    const QStringList taken = {"List1", QString::fromUtf8("Novák"), QString::fromUtf8("Novák (2)")};
    const Case kCases[] = {
        {"Obyčejný", "Obyčejný"},
        {"a:b\\c/d?e*f[g]h", "a_b_c_d_e_f_g_h"},
        {"'v uvozovkách'", "v uvozovkách"},
        {"  mezery  ", "mezery"},
        {"Velmi dlouhý název firmy, který se nevejde", "Velmi dlouhý název firmy, který"},
        {"list1", "list1 (2)"},
        {"NOVÁK", "NOVÁK (3)"},
        {"''", ""},
        {"", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Text);
        QString name = MakeValidSheetName(QString::fromUtf8(c.Text), taken);
        EXPECT_EQ(name, QString::fromUtf8(c.Expected));
        EXPECT_LE(name.size(), 31);
    }
}

// Value references: a missing property, indexes out of range and too many dimensions fail with
// the library's messages; the event may change any value.
TEST_F(SheetReportTest, ValueReferencesAndTheirFailures) {
    struct Case {
        const char* Cell;
        QString Message;
    };
    const Case kCases[] = {
        {"#.Neni", QString::fromUtf8(XlsMessages::ErrPropNotPublished).arg("Neni")},
        {"#.Sazby#.3#.",
         QString::fromUtf8(XlsMessages::ErrIndexOutOfRange).arg(3).arg("Sazby").arg(0).arg(2)},
        {"#.Matice#.3#.0#.",
         QString::fromUtf8(XlsMessages::ErrIndexOutOfRange).arg(3).arg("Matice").arg(1).arg(2)},
        {"#.Matice#.1#.0#.0#.", QString::fromUtf8(XlsMessages::ErrPropDimensions).arg("Matice").arg(2)},
        {"##mtPol", QString::fromUtf8(XlsMessages::ErrCantFindDataSet).arg("")},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Cell);
        EXPECT_EQ(Generate(QString("wb.add_sheet('A').write(0, 0, '%1')\n").arg(c.Cell),
                           {{"__Sestava__", 1, 1, 1, 1, 1}}),
                  c.Message);
        EXPECT_FALSE(QFile::exists(report->FileName));
    }

    QStringList seen;
    report->OnGetCellValue = [&](QObject* sender, const QString& field, QVariant& value) {
        EXPECT_EQ(sender, report);
        seen << field;
        if (field == "#.Firma") value = QString("Jiná firma");
    };
    ASSERT_EQ(Generate("wb.add_sheet('A').write(0, 0, '#.Firma'); wb.get_sheet(0).write(0, 1, '#.Logo')\n",
                       {{"__Sestava__", 1, 1, 1, 1, 2}}),
              "");
    EXPECT_EQ(SheetText(Output(), 0), QString::fromUtf8("Jiná firma|png bytes"));
    EXPECT_EQ(seen, QStringList({"#.Firma", "#.Logo"}));
}

// Without an adapter nothing starts; the events see the workbook; counting can be left to the
// form; the result can go to a stream instead of a file.
TEST_F(SheetReportTest, AdapterEventsCountingAndStreams) {
    report->Adapter = nullptr;
    EXPECT_EQ(Generate("wb.add_sheet('A')\n", {}), XlsMessages::ErrNoAdapter);
    report->Adapter = &adapter;

    QStringList events;
    report->OnBeforeGenerateWorkbook = [&](QObject*, TExcelFile* wb) {
        events << QString("wb %1").arg(wb->SheetCount());
    };
    report->OnBeforeGeneratePage = [&](QObject*, TExcelFile* wb) {
        events << QString("page %1").arg(wb->GetActiveSheet());
    };
    report->OnAfterGenerateWorkbook = [&](QObject*, TExcelFile*) { events << "done"; };
    // The form may count the records itself; it is asked for every plain dataset.
    int asked = 0;
    report->OnRecordCount = [&](QObject*, TDataSet* ds, int& count) {
        ++asked;
        count = ds->RecordCount();
    };
    ASSERT_EQ(Generate("ws = wb.add_sheet('A'); ws.write(0, 0, '##mtSkup##Nazev'); ws.write(1, 0, 'x')\n"
                       "wb.add_sheet('B')\n",
                       {{"__mtSkup__", 1, 1, 1, 1, 1}}),
              "");
    EXPECT_EQ(SheetText(Output(), 0), QString::fromUtf8("Nářadí/Barvy/x"));
    EXPECT_EQ(events.join(','), "wb 2,page 1,page 1,done");
    EXPECT_EQ(asked, 1);

    report->OnRecordCount = nullptr;
    report->CalcRecordCount = TCalcRecordCount::cr_SlowCount;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    report->GenerateReportToStream(out);
    QFile f(PathOf("stream.xls"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(out.data());
    f.close();
    EXPECT_EQ(SheetText(ReadWithXlrd(PathOf("stream.xls")), 0), QString::fromUtf8("Nářadí/Barvy/x"));
}

// A picture named by a field and an image type gets that field's bytes in every copy of its row;
// a comment holding a field reference gets the value.
TEST_F(SheetReportTest, PicturesAndCommentsTakeTheirRecordsData) {
    ASSERT_EQ(GenerateWithDrawing("##mtObr##Obrazek##PNG"), "");
    TXLSAdapter reader;
    auto out = reader.CreateWorkbook();
    out->Connect();
    out->OpenFile(report->FileName);
    out->BuildPicturesRowIndex();
    for (int row : {1, 2}) {
        SCOPED_TRACE(row);
        ASSERT_EQ(out->GetPicturesCount(row), 1);
        QBuffer image;
        image.open(QIODevice::WriteOnly);
        TXlsImgTypes type;
        TClientAnchor anchor;
        out->GetPicture(row, 0, image, type, anchor);
        EXPECT_EQ(image.data(), Png(row == 1 ? Qt::red : Qt::green));
        EXPECT_EQ(type, TXlsImgTypes::xli_Png);
    }
    EXPECT_EQ(SheetText(Output(), 0), "1|K1/1|K2/2/3");
    EXPECT_EQ(Python("import sys, xlrd\n"
                     "s = xlrd.open_workbook(sys.argv[1], formatting_info=True).sheet_by_index(0)\n"
                     "print(sorted((k, n.text) for k, n in s.cell_note_map.items()))\n",
                     {report->FileName}),
              "[((0, 1), 'K1'), ((1, 1), 'K2')]\n");

    // A picture named by a field alone has no image type: the field's name is taken for one.
    QFile::remove(report->FileName);
    EXPECT_EQ(GenerateWithDrawing("##mtObr##Obrazek"),
              QString::fromUtf8(XlsMessages::ErrInvalidDrawingType).arg("OBRAZEK"));
    EXPECT_FALSE(QFile::exists(report->FileName));
}

#include "USheetReportTest.moc"
