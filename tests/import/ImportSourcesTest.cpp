#include <gtest/gtest.h>
#include <shapefil.h>

#include <QDir>
#include <QFile>
#include <QProcess>

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

TEST_F(ImportSourcesTest, HeaderSplitsAtSemicolonsAsTheEditorListsColumns) {
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
    if (!QFile::exists("/usr/bin/soffice")) GTEST_SKIP() << "LibreOffice is not installed";
    Write("zbozi.csv", QString::fromUtf8("Kód;Název;Cena\nA1;Kabel;12,5\nB2;123;7\n").toUtf8());
    QProcess lo;
    lo.start("/usr/bin/soffice",
             {"-env:UserInstallation=file://" + PathOf("profile"), "--headless", "--infilter=CSV:59,34,76,1",
              "--convert-to", "xls:MS Excel 97", "--outdir", PathOf("out"), PathOf("zbozi.csv")});
    ASSERT_TRUE(lo.waitForFinished(180000));
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
