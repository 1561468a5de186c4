#include <gtest/gtest.h>
#include <shapefil.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "XLSAdapter/XlsTestUtil.h"
#include "common/LibreOffice.h"
#include "common/TempDir.h"
#include "import/ImportSources.h"
#include "platform/text/Cp1250.h"

namespace {

class ImportSourcesTest : public TempDirTest {
protected:
    void TearDown() override {
        ImportConnection().Close();
        MdbToolRunner = RunMdbTool;
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile f(PathOf(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return PathOf(name);
    }
    static QStringList Row(const TImportRows& rows, int r) {
        QStringList values;
        for (int c = 0; c < rows.Columns.size(); ++c) values << rows.Text(r, c);
        return values;
    }
};

}  // namespace

TEST_F(ImportSourcesTest, TableNamesComeFromTheFileName) {
    EXPECT_EQ(DbfTableName("C:\\Data\\CENIK.DBF"), "CENIK");
    EXPECT_EQ(DbfTableName("D:\\Import\\zbozi.dbf"), "zbozi");
    EXPECT_EQ(DbfTableName("/data/zbozi"), "zbozi");
    EXPECT_EQ(TextTableName("C:\\Data\\cenik.2024.csv"), "cenik#2024#csv");
    EXPECT_EQ(TextTableName("/tmp/a.csv"), "a#csv");
    Write("cenik.2024.csv", "a\n1\n");
    EXPECT_EQ(TableFileName(Folder(), "cenik#2024#csv", TImportSourceKind::Text), PathOf("cenik.2024.csv"));
    Write("ZBOZI.DBF", "");
    EXPECT_EQ(TableFileName(Folder(), "zbozi", TImportSourceKind::DBase), PathOf("ZBOZI.DBF"));
}

TEST_F(ImportSourcesTest, HeaderSplitsAtItsSeparatorAsTheEditorListsColumns) {
    struct Case {
        const char* line;
        QStringList columns;
    };
    const Case kCases[] = {
        {"Kód;\"Název\";Cena", {"Kód", "Název", "Cena"}},
        {"Kód;\";Cena", {"Kód", "", "Cena"}},
        {";Kód;Cena", {}},
        {"Kód;;Název;Cena", {"Kód"}},
        {"Kód;Cena;", {"Kód", "Cena"}},
        {"Jen jeden", {"Jen jeden"}},
        // A comma or tab header splits at its own separator, by the same rules.
        {"Kód,\"Název\",Cena", {"Kód", "Název", "Cena"}},
        {"Kód\tNázev\t\tCena", {"Kód", "Název"}},
        {"Kód;Název, druh;Cena", {"Kód", "Název, druh", "Cena"}},
        {"", {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitTextHeader(QString::fromUtf8(c.line)), c.columns);
    }
}

TEST_F(ImportSourcesTest, TextFileTakesTheDelimiterThatSplitsTheHeaderMost) {
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case kCases[] = {
        {"semicolon", "Kód;Název;Cena\r\nA1;\"Kabel; 3x1,5\";12,50\r\n"},
        {"comma", "Kód,Název,Cena\nA1,\"Kabel; 3x1,5\",\"12,50\"\n"},
        {"tab", "Kód\tNázev\tCena\nA1\tKabel; 3x1,5\t12,50\n\n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto rows = ReadTextFile(Write("t.csv", c.bytes));
        EXPECT_EQ(rows->Columns, QStringList({"Kód", "Název", "Cena"}));
        // The definition editor lists the columns that the run then reads.
        EXPECT_EQ(SplitTextHeader(ReadTextFirstLine(PathOf("t.csv"))), rows->Columns);
        ASSERT_EQ(rows->RecordCount(), 1);
        EXPECT_EQ(Row(*rows, 0), QStringList({"A1", "Kabel; 3x1,5", "12,50"}));
        EXPECT_DOUBLE_EQ(rows->Number(0, 2), 12.5);
    }
}

TEST_F(ImportSourcesTest, TextFileQuotesEncodingAndShortRows) {
    // Windows-1250 text (not valid UTF-8), a quoted field with a line break and doubled quotes,
    // a short row, an empty value and a header without a name.
    const QByteArray bytes = EncodeCp1250(
        QString::fromUtf8("Kód;Popis;;Cena\r\nŽ1;\"Žárovka \"\"E27\"\"\r\nteplá\";x;\r\nZ2;Zásuvka\r\n"));
    const auto rows = ReadTextFile(Write("cp.csv", bytes));
    EXPECT_EQ(rows->Columns, QStringList({"Kód", "Popis", "F3", "Cena"}));
    ASSERT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(Row(*rows, 0),
              QStringList({QString::fromUtf8("Ž1"), QString::fromUtf8("Žárovka \"E27\"\r\nteplá"), "x", ""}));
    EXPECT_EQ(Row(*rows, 1), QStringList({"Z2", QString::fromUtf8("Zásuvka"), "", ""}));
    EXPECT_EQ(rows->Number(1, 3), 0);
    // UTF-8 with its byte-order mark.
    const auto utf = ReadTextFile(Write("u.csv",
                                        "\xEF\xBB\xBFK\xC3\xB3"
                                        "d;Cena\n1;2\n"));
    EXPECT_EQ(utf->Columns.front(), QString::fromUtf8("Kód"));
}

TEST_F(ImportSourcesTest, ValuesReadAsNumbersOrFailWithTheirText) {
    TImportRows rows;
    rows.Columns = {"Kód", "Cena"};
    rows.AddRow({QString("A"), QString("1 234,5")});
    rows.AddRow({QString("B"), QString("12.25")});
    rows.AddRow({QString("C"), QString("x1")});
    rows.AddRow({QString("D"), 7.5});
    rows.AddRow({QString("E")});
    EXPECT_EQ(rows.ColumnIndex("CENA"), 1);
    EXPECT_THROW(rows.ColumnIndex("Sleva"), EImportSourceError);
    EXPECT_DOUBLE_EQ(rows.Number(0, 1), 1234.5);
    EXPECT_DOUBLE_EQ(rows.Number(1, 1), 12.25);
    EXPECT_THROW(rows.Number(2, 1), EImportSourceError);
    EXPECT_EQ(rows.Text(3, 1), "7,5");
    EXPECT_EQ(rows.Number(4, 1), 0);
    EXPECT_EQ(rows.Text(4, 1), "");

    // A text file's fields are read in place, but what they give is their own.
    auto file = ReadTextFile(Write("n.csv", "Kód;Cena\nA;1 234,5\nB; 12.25 \nC;x1\n"));
    EXPECT_DOUBLE_EQ(file->Number(0, 1), 1234.5);
    EXPECT_DOUBLE_EQ(file->Number(1, 1), 12.25);
    try {
        file->Number(2, 1);
        ADD_FAILURE() << "x1 read as a number";
    } catch (const EImportSourceError& e) {
        EXPECT_TRUE(e.Message().contains("\"x1\"")) << e.Message().toStdString();
    }
    const QString kept = file->Text(1, 0);
    file.reset();
    EXPECT_EQ(kept, "B");
}

TEST_F(ImportSourcesTest, TextAndDbaseConnectionsAreTheFileFolder) {
    Write("cenik.csv", "Kód;Cena\nA;1\n");
    ASSERT_EQ(OpenImportSource(PathOf("cenik.csv"), int(TImportSourceKind::Text)), 0);
    EXPECT_EQ(ImportConnection().Source().TableNames(), QStringList({"cenik#csv"}));
    EXPECT_EQ(ImportConnection().Source().ColumnNames("cenik#csv"), QStringList({"Kód", "Cena"}));
    EXPECT_EQ(ImportConnection().Source().ReadTable("cenik.csv")->RecordCount(), 1);
    EXPECT_THROW(ImportConnection().Source().ReadTable("chybi.csv"), EImportSourceError);
    // A second source closes the first.
    EXPECT_EQ(OpenImportSource(PathOf("nic.xls"), int(TImportSourceKind::Excel)), -1);
    EXPECT_FALSE(ImportConnection().Connected());
    EXPECT_EQ(OpenImportSource(PathOf("cenik.csv"), 7), -1);
}

TEST_F(ImportSourcesTest, DbaseTableReadsWithTheCodePageOfItsLanguageByte) {
    // Written by shapelib with the language byte of windows-1250, as a Czech program writes it.
    const QString path = PathOf("zbozi.dbf");
    DBFHandle dbf = DBFCreateEx(QFile::encodeName(path).constData(), "LDID/200");
    ASSERT_NE(dbf, nullptr);
    DBFAddField(dbf, "KOD", FTString, 10, 0);
    DBFAddField(dbf, "NAZEV", FTString, 40, 0);
    DBFAddField(dbf, "CENA", FTDouble, 12, 2);
    const QByteArray name = EncodeCp1250(QString::fromUtf8("Žluťoučký kůň"));
    DBFWriteStringAttribute(dbf, 0, 0, "A1");
    DBFWriteStringAttribute(dbf, 0, 1, name.constData());
    DBFWriteDoubleAttribute(dbf, 0, 2, 12.5);
    DBFWriteStringAttribute(dbf, 1, 0, "B2");
    DBFWriteNULLAttribute(dbf, 1, 1);
    DBFWriteDoubleAttribute(dbf, 1, 2, 3);
    DBFClose(dbf);

    ASSERT_EQ(OpenImportSource("/nowhere/x.dbf", int(TImportSourceKind::DBase)), -1);
    ASSERT_EQ(OpenImportSource(path, int(TImportSourceKind::DBase)), 0);
    EXPECT_EQ(ImportConnection().Source().TableNames(), QStringList({"zbozi"}));
    const auto rows = ImportConnection().Source().ReadTable("zbozi.dbf");
    EXPECT_EQ(rows->Columns, QStringList({"KOD", "NAZEV", "CENA"}));
    ASSERT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(Row(*rows, 0), QStringList({"A1", QString::fromUtf8("Žluťoučký kůň"), "12,5"}));
    EXPECT_EQ(rows->Text(1, 1), "");
    EXPECT_DOUBLE_EQ(rows->Number(1, 2), 3);
}

TEST_F(ImportSourcesTest, AccessDatabaseIsReadFromTheOutputOfTheMdbTools) {
    // What mdb-tables and mdb-export print for a small database: one table name a line; a CSV
    // header, text in quotes, numbers bare, an empty value for no value.
    const QString path = Write("firma.mdb", "not read by the test");
    QStringList calls;
    MdbToolRunner = [&](const QString& program, const QStringList& args, QByteArray& out) {
        calls << program + " " + args.join(' ');
        if (program == "mdb-tables") {
            out = "Zbozi\nOdberatele\n";
            return true;
        }
        if (program == "mdb-export" && args.last() == "Zbozi") {
            out =
                "Kod,Nazev,Cena,Poznamka\n\"A1\",\"Kabel \"\"CYKY\"\", 3x1,5\",12.5,\n"
                "\"B2\",\"Víceřádková\npoznámka\",7,\"x\"\n";
            return true;
        }
        return false;
    };
    ASSERT_EQ(OpenImportSource(path, int(TImportSourceKind::Access)), 0);
    EXPECT_EQ(ImportConnection().Source().TableNames(), QStringList({"Zbozi", "Odberatele"}));
    EXPECT_EQ(ImportConnection().Source().ColumnNames("Zbozi"),
              QStringList({"Kod", "Nazev", "Cena", "Poznamka"}));
    const auto rows = ImportConnection().Source().ReadTable("Zbozi");
    ASSERT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(Row(*rows, 0), QStringList({"A1", "Kabel \"CYKY\", 3x1,5", "12,5", ""}));
    EXPECT_EQ(rows->Text(1, 1), QString::fromUtf8("Víceřádková\npoznámka"));
    EXPECT_DOUBLE_EQ(rows->Number(1, 2), 7);
    EXPECT_THROW(ImportConnection().Source().ReadTable("Odberatele"), EImportSourceError);
    EXPECT_THROW(ImportConnection().Source().ReadTable("Chybi"), EImportSourceError);
    EXPECT_TRUE(calls.front().startsWith("mdb-tables -1 "));

    // A file the tools cannot read is a source that cannot be opened.
    MdbToolRunner = [](const QString&, const QStringList&, QByteArray&) { return false; };
    EXPECT_EQ(OpenImportSource(path, int(TImportSourceKind::Access)), -1);
}

TEST_F(ImportSourcesTest, ExcelWorkbookWrittenByLibreOfficeListsSheetsAndRows) {
    REQUIRE_LIBREOFFICE(false);
    Write("zbozi.csv", QString::fromUtf8("Kód;Název;Cena\nA1;Kabel;12,5\nB2;123;7\n").toUtf8());
    QString error;
    ASSERT_TRUE(ConvertWithLibreOffice({PathOf("zbozi.csv")}, "xls:MS Excel 97", PathOf("out"),
                                       {"--infilter=CSV:59,34,76,1"}, &error))
        << error.toStdString();
    const QString xls = PathOf("out/zbozi.xls");
    ASSERT_TRUE(QFile::exists(xls));
    ASSERT_EQ(OpenImportSource(xls, int(TImportSourceKind::Excel)), 0);
    const QStringList sheets = ImportConnection().Source().TableNames();
    ASSERT_FALSE(sheets.isEmpty());
    EXPECT_TRUE(sheets.front().endsWith('$'));
    const auto rows = ImportConnection().Source().ReadTable(sheets.front());
    EXPECT_EQ(rows->Columns, QStringList({"Kód", "Název", "Cena"}));
    ASSERT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(Row(*rows, 0), QStringList({"A1", "Kabel", "12,5"}));
    // A number in a text column reads as its text.
    EXPECT_EQ(rows->Text(1, 1), "123");
}

TEST_F(ImportSourcesTest, ExcelWorkbookWrittenByAnotherWriterGivesEverySheetWithItsValues) {
    const QString xls = PathOf("cenik.xls");
    xlstest::Python(
        "import sys, datetime, xlwt\n"
        "wb = xlwt.Workbook(encoding='utf-8')\n"
        "s = wb.add_sheet('Ceník')\n"
        "for c, t in enumerate(['Kód', 'Název', 'Cena', 'Platí od', 'Poznámka']): s.write(0, c, t)\n"
        "d = xlwt.easyxf(num_format_str='D.M.YYYY')\n"
        "s.write(1, 0, 'Ž1'); s.write(1, 1, 'Žluťoučký kůň'); s.write(1, 2, 12.5)\n"
        "s.write(1, 3, datetime.date(2024, 12, 31), d); s.write(1, 4, 'úpěl ďábelské ódy')\n"
        "s.write(2, 0, 'B2'); s.write(2, 2, 7); s.write(2, 3, 2.5, xlwt.easyxf(num_format_str='0.0 "
        "\"dní\"'))\n"
        "s.write(4, 0, 'C3'); s.write(4, 1, 'Za prázdným řádkem'); s.write(4, 2, -0.25)\n"
        "k = wb.add_sheet('Sklad a zásoby')\n"
        "k.write(0, 0, 'Kód'); k.write(0, 1, 'Počet'); k.write(1, 0, 'Ž1'); k.write(1, 1, 3)\n"
        "wb.add_sheet('Prázdný')\n"
        "wb.save(sys.argv[1])\n",
        {xls});
    ASSERT_EQ(OpenImportSource(xls, int(TImportSourceKind::Excel)), 0);
    TImportSource& source = ImportConnection().Source();
    EXPECT_EQ(source.TableNames(),
              QStringList({QString::fromUtf8("Ceník$"), QString::fromUtf8("Sklad a zásoby$"),
                           QString::fromUtf8("Prázdný$")}));

    const auto rows = source.ReadTable(QString::fromUtf8("Ceník$"));
    EXPECT_EQ(rows->Columns, QStringList({QString::fromUtf8("Kód"), QString::fromUtf8("Název"), "Cena",
                                          QString::fromUtf8("Platí od"), QString::fromUtf8("Poznámka")}));
    // The empty row between the data is no row.
    ASSERT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(Row(*rows, 0), QStringList({QString::fromUtf8("Ž1"), QString::fromUtf8("Žluťoučký kůň"), "12,5",
                                          "31.12.2024", QString::fromUtf8("úpěl ďábelské ódy")}));
    // A date is read as the date it shows, a number whose format only mentions days as a number.
    EXPECT_EQ(Row(*rows, 1), QStringList({"B2", "", "7", "2,5", ""}));
    EXPECT_DOUBLE_EQ(rows->Number(1, 2), 7);
    EXPECT_DOUBLE_EQ(rows->Number(1, 1), 0);
    EXPECT_DOUBLE_EQ(rows->Number(2, 2), -0.25);

    // A sheet is found by its name with or without the quotes a name with blanks may carry.
    const auto stock = source.ReadTable(QString::fromUtf8("'Sklad a zásoby$'"));
    EXPECT_EQ(stock->Columns, QStringList({QString::fromUtf8("Kód"), QString::fromUtf8("Počet")}));
    ASSERT_EQ(stock->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(stock->Number(0, 1), 3);
    EXPECT_EQ(source.ReadTable(QString::fromUtf8("Prázdný$"))->RecordCount(), 0);
    EXPECT_THROW(source.ReadTable("Chybi$"), EImportSourceError);
}

namespace {

// Writes the table "zbozi" with a memo column through python3-dbf: a dBase III, FoxPro or Visual
// FoxPro table in the code page given, with its memo file beside it.
void WriteDbfWithMemos(const QString& folder, const char* kind, const char* codePage) {
    xlstest::Python(
        "import sys, dbf\n"
        "t = dbf.Table(sys.argv[1] + '/zbozi', 'KOD C(10); NAZEV C(30); POZNAMKA M', dbf_type=sys.argv[2],"
        " codepage=sys.argv[3])\n"
        "t.open(dbf.READ_WRITE)\n"
        "t.append(('A1', 'Kabel', 'Žluťoučký kůň\\r\\núpěl ďábelské ódy'))\n"
        "t.append(('B2', 'Bez poznámky', ''))\n"
        "t.append(('C3', 'Dlouhá', 'Čáp' * 300))\n"
        "t.close()\n",
        {folder, kind, codePage});
}

}  // namespace

TEST_F(ImportSourcesTest, DbaseMemoColumnsGiveTheirTextFromTheMemoFile) {
    struct Case {
        const char* kind;
        const char* codePage;
        const char* memoFile;   // as the writer names it
        const char* renamedTo;  // the same file under another case of its name, or nullptr
    };
    const Case kCases[] = {
        {"db3", "cp1250", "zbozi.dbt", nullptr}, {"db3", "cp852", "zbozi.dbt", "ZBOZI.DBT"},
        {"fp", "cp1250", "zbozi.fpt", nullptr},  {"vfp", "cp1250", "zbozi.fpt", "Zbozi.FPT"},
        {"vfp", "cp852", "zbozi.fpt", nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.codePage);
        QTemporaryDir folder;
        WriteDbfWithMemos(folder.path(), c.kind, c.codePage);
        ASSERT_TRUE(QFile::exists(folder.filePath(c.memoFile)));
        if (c.renamedTo) {
            ASSERT_TRUE(QFile::rename(folder.filePath(c.memoFile), folder.filePath(c.renamedTo)));
        }
        ASSERT_EQ(OpenImportSource(folder.filePath("zbozi.dbf"), int(TImportSourceKind::DBase)), 0);
        const auto rows = ImportConnection().Source().ReadTable("zbozi");
        EXPECT_EQ(rows->Columns, QStringList({"KOD", "NAZEV", "POZNAMKA"}));
        ASSERT_EQ(rows->RecordCount(), 3);
        EXPECT_EQ(Row(*rows, 0),
                  QStringList({"A1", "Kabel", QString::fromUtf8("Žluťoučký kůň\r\núpěl ďábelské ódy")}));
        EXPECT_EQ(rows->Text(1, 2), "");
        // A memo longer than a block of the memo file.
        EXPECT_EQ(rows->Text(2, 2), QString::fromUtf8("Čáp").repeated(300));
        ImportConnection().Close();
    }
}

namespace {

// A dBase IV memo file, written here by its published layout (python3-dbf writes none): a
// 512-byte header whose first word is the next free block and whose word at 20 is the block size,
// then each memo in whole blocks, starting with FF FF 08 00 and its length with those 8 bytes.
QByteArray DbaseIvMemoFile(const std::vector<QByteArray>& memos) {
    constexpr int kBlock = 512;
    QByteArray file(kBlock, '\0');
    auto put32 = [](QByteArray& b, int at, quint32 v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    for (const QByteArray& memo : memos) {
        QByteArray block("\xFF\xFF\x08\x00", 4);
        block += QByteArray(4, '\0');
        put32(block, 4, quint32(memo.size() + 8));
        block += memo;
        block += QByteArray((kBlock - block.size() % kBlock) % kBlock, '\0');
        file += block;
    }
    put32(file, 0, quint32(file.size() / kBlock));
    file[20] = char(kBlock & 0xFF);
    file[21] = char(kBlock >> 8);
    return file;
}

}  // namespace

TEST_F(ImportSourcesTest, DbaseIvMemosAndDamagedOrMissingMemoFiles) {
    const QString path = PathOf("adresy.dbf");
    DBFHandle dbf = DBFCreateEx(QFile::encodeName(path).constData(), "LDID/200");
    ASSERT_NE(dbf, nullptr);
    DBFAddField(dbf, "NAZEV", FTString, 20, 0);
    ASSERT_EQ(DBFAddNativeFieldType(dbf, "POZNAMKA", 'M', 10, 0), 1);
    DBFWriteStringAttribute(dbf, 0, 0, "Pokorny");
    DBFWriteStringAttribute(dbf, 0, 1, "         1");
    DBFWriteStringAttribute(dbf, 1, 0, "Bez");
    DBFWriteStringAttribute(dbf, 1, 1, "          ");
    DBFClose(dbf);
    const QByteArray note = EncodeCp1250(QString::fromUtf8("Zahradnictví\r\nLipová 12"));
    Write("ADRESY.DBT", DbaseIvMemoFile({note}));

    ASSERT_EQ(OpenImportSource(path, int(TImportSourceKind::DBase)), 0);
    const auto rows = ImportConnection().Source().ReadTable("adresy");
    ASSERT_EQ(rows->RecordCount(), 2);
    EXPECT_EQ(Row(*rows, 0), QStringList({"Pokorny", QString::fromUtf8("Zahradnictví\r\nLipová 12")}));
    EXPECT_EQ(rows->Text(1, 1), "");

    // A memo that points past the end of its file, and a table whose memo file is gone, are
    // errors of the source: their text is never made up.
    Write("ADRESY.DBT", DbaseIvMemoFile({}));
    EXPECT_THROW(ImportConnection().Source().ReadTable("adresy"), EImportSourceError);
    QFile::remove(PathOf("ADRESY.DBT"));
    EXPECT_THROW(ImportConnection().Source().ReadTable("adresy"), EImportSourceError);
    // The columns are still listed: they need no memo file.
    EXPECT_EQ(ImportConnection().Source().ColumnNames("adresy"), QStringList({"NAZEV", "POZNAMKA"}));
}
