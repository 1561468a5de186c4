// The data-set documents the report program reads: checked against whole expected documents, since
// the report program addresses the data by the exact names, types and forms written here.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "exchange/MemTable2DotNet.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/text/OleDate.h"

namespace {

QString Lines(const QStringList& lines) { return lines.join("\r\n") + "\r\n"; }

const QString kHead = R"(<?xml version="1.0" standalone="yes"?>)";
QString SchemaStart(const QString& name) {
    return QString(R"(<xs:schema id="%1" xmlns="" xmlns:xs="http://www.w3.org/2001/XMLSchema" )"
                   R"(xmlns:msdata="urn:schemas-microsoft-com:xml-msdata">)")
        .arg(name);
}
QString DataSetElement(const QString& name) {
    return QString(R"(<xs:element name="%1" msdata:IsDataSet="true" msdata:UseCurrentLocale="true">)")
        .arg(name);
}

TEST(MemTable2DotNetTest, TheSystemDataFileIsTheInfoTableWithOneRowInTheDocumentsFixedForm) {
    TMemTable info;
    TFieldDefs& defs = info.FieldDefs();
    defs.Add("OperationType", ftString, 255);
    defs.Add("ReportFileName", ftString, 255);
    defs.Add("PageRangeFrom", ftInteger);
    info.CreateTable();
    info.Append();
    info.FieldByName("OperationType")->SetAsString("PDFEXPORT");
    info.FieldByName("ReportFileName")->SetAsString("/data/PRINT/_NABKSP.FRX");
    info.FieldByName("PageRangeFrom")->SetAsInteger(1);
    info.Post();
    TMemTable2DotNetBuilder builder("SystemDataset");
    builder.AddTable("Info", info);
    const QString expected = Lines({
        kHead,
        "<SystemDataset>",
        SchemaStart("SystemDataset"),
        DataSetElement("SystemDataset"),
        "<xs:complexType>",
        R"(<xs:choice minOccurs="0" maxOccurs="unbounded">)",
        R"(<xs:element name="Info">)",
        "<xs:complexType>",
        "<xs:sequence>",
        R"(<xs:element name="OperationType" msdata:Caption="OperationType" type="xs:string" minOccurs="0" />)",
        R"(<xs:element name="ReportFileName" msdata:Caption="ReportFileName" type="xs:string" minOccurs="0" />)",
        R"(<xs:element name="PageRangeFrom" msdata:Caption="PageRangeFrom" type="xs:int" minOccurs="0" />)",
        "</xs:sequence>",
        "</xs:complexType>",
        "</xs:element>",
        "</xs:choice>",
        "</xs:complexType>",
        "</xs:element>",
        "</xs:schema>",
        "<Info>",
        "<OperationType>PDFEXPORT</OperationType>",
        "<ReportFileName>/data/PRINT/_NABKSP.FRX</ReportFileName>",
        "<PageRangeFrom>1</PageRangeFrom>",
        "</Info>",
        "</SystemDataset>",
    });
    EXPECT_EQ(builder.DocumentText(), expected);

    QTemporaryDir dir;
    const QString path = dir.path() + "/{GUID}";
    ASSERT_TRUE(builder.SaveToFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), expected.toUtf8());
    // A builder may be saved again, over the file it wrote.
    EXPECT_TRUE(builder.SaveToFile(path));
}

TEST(MemTable2DotNetTest, EveryFieldTypeHasItsSchemaTypeAndValueForm) {
    TMemTable t;
    TFieldDefs& defs = t.FieldDefs();
    struct Column {
        const char* name;
        TFieldType type;
        const char* schema;
    };
    const Column kColumns[] = {
        {"Text", ftString, "xs:string"},       {"Memo", ftMemo, "xs:string"},
        {"Small", ftSmallint, "xs:short"},     {"Int", ftInteger, "xs:int"},
        {"Word", ftWord, "xs:unsignedShort"},  {"Auto", ftAutoInc, "xs:int"},
        {"Large", ftLargeint, "xs:int"},       {"Flag", ftBoolean, "xs:boolean"},
        {"Float", ftFloat, "xs:double"},       {"Money", ftCurrency, "xs:decimal"},
        {"Day", ftDate, "xs:dateTime"},        {"Hour", ftTime, "xs:dateTime"},
        {"Moment", ftDateTime, "xs:dateTime"}, {"Picture", ftGraphic, "xs:base64Binary"},
    };
    for (const Column& c : kColumns) defs.Add(c.name, c.type, c.type == ftString ? 50 : 0);
    t.CreateTable();
    t.FieldByName("Text")->SetDisplayLabel(QString::fromUtf8("Popis <zboží>"));
    t.Append();
    t.FieldByName("Text")->SetAsString(QString::fromUtf8("a<b & 'c' \"ž\"") + QChar(0) + "x");
    t.FieldByName("Memo")->SetAsString(QString::fromUtf8("řádek 1\nřádek 2\r\nřádek 3"));
    t.FieldByName("Small")->SetAsInteger(-7);
    t.FieldByName("Int")->SetAsInteger(123456);
    t.FieldByName("Word")->SetAsInteger(65535);
    t.FieldByName("Auto")->SetAsInteger(42);
    t.FieldByName("Large")->SetAsInteger((qint64{1} << 32) + 5);
    t.FieldByName("Flag")->SetAsBoolean(true);
    t.FieldByName("Float")->SetAsFloat(1234.5);
    t.FieldByName("Money")->SetAsFloat(99.125);
    t.FieldByName("Day")->SetAsDateTime(DateTimeToOle(QDate(2024, 3, 5)));
    t.FieldByName("Hour")->SetAsDateTime(DateTimeToOle(QDate(1899, 12, 30), QTime(8, 5, 9)));
    t.FieldByName("Moment")->SetAsDateTime(DateTimeToOle(QDate(2024, 12, 31), QTime(23, 59, 58)));
    t.FieldByName("Picture")->SetValue(QByteArray("BM\x01\x02", 4));
    t.Post();
    // The second row is empty: nulls are not marked, an empty picture writes no element.
    t.Append();
    t.Post();
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtTest", t);
    const QString document = builder.DocumentText();

    for (const Column& c : kColumns) {
        SCOPED_TRACE(c.name);
        const QString caption = QString(c.name) == "Text" ? QString::fromUtf8("Popis &lt;zboží&gt;") : c.name;
        EXPECT_TRUE(document.contains(
            QString(R"(<xs:element name="%1" msdata:Caption="%2" type="%3" minOccurs="0" />)")
                .arg(c.name, caption, c.schema)));
    }
    const QString kFirstRow = Lines({
        "<mtTest>",
        QString::fromUtf8("<Text>a&lt;b &amp; &apos;c&apos; &quot;ž&quot; x</Text>"),
        QString::fromUtf8("<Memo>řádek 1\r\nřádek 2\r\nřádek 3</Memo>"),
        "<Small>-7</Small>",
        "<Int>123456</Int>",
        "<Word>65535</Word>",
        "<Auto>42</Auto>",
        "<Large>5</Large>",
        "<Flag>1</Flag>",
        "<Float>1234.5</Float>",
        "<Money>99.125</Money>",
        "<Day>2024-03-05</Day>",
        "<Hour>0001-01-01T08:05:09</Hour>",
        "<Moment>2024-12-31T23:59:58</Moment>",
        "<Picture>Qk0BAg==</Picture>",
        "</mtTest>",
    });
    const QString kSecondRow = Lines({
        "<mtTest>",
        "<Text></Text>",
        "<Memo></Memo>",
        "<Small>0</Small>",
        "<Int>0</Int>",
        "<Word>0</Word>",
        "<Auto>0</Auto>",
        "<Large>0</Large>",
        "<Flag>0</Flag>",
        "<Float>0</Float>",
        "<Money>0</Money>",
        "<Day>0001-01-01T00:00:00</Day>",
        "<Hour>0001-01-01T00:00:00</Hour>",
        "<Moment>0001-01-01T00:00:00</Moment>",
        "</mtTest>",
    });
    EXPECT_TRUE(document.endsWith("</xs:schema>\r\n" + kFirstRow + kSecondRow + "</ReportDataset>\r\n"))
        << qPrintable(document);
}

TEST(MemTable2DotNetTest, RelationsShareTheConstraintOfTheirParentKey) {
    TMemTable sheets, groups, items, empty;
    for (TMemTable* t : {&sheets, &groups, &items, &empty}) {
        t->FieldDefs().Add("ID", ftInteger);
        t->FieldDefs().Add("Sklad", ftInteger);
        t->FieldDefs().Add("Skupina", ftInteger);
        t->CreateTable();
    }
    sheets.Append();
    sheets.FieldByName("ID")->SetAsInteger(1);
    sheets.Post();
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtTiskSklady", sheets);
    builder.AddTable("mtTiskSkupiny", groups);
    builder.AddTable("mtTiskZasoby", items);
    builder.AddRelation("Sklady_Skupiny", "mtTiskSklady", "ID", "mtTiskSkupiny", "Sklad");
    builder.AddRelation("Skupiny_Zasoby", "mtTiskSkupiny", "ID", "mtTiskZasoby", "Skupina");
    // A second relation from the sheets' key refers to the same constraint.
    builder.AddRelation("Sklady_Zasoby", "mtTiskSklady", "ID", "mtTiskZasoby", "Sklad");
    const QString document = builder.DocumentText();
    const QString kConstraints = Lines({
        "</xs:complexType>",
        R"(<xs:unique name="C0">)",
        R"(<xs:selector xpath=".//mtTiskSklady" />)",
        R"(<xs:field xpath="ID" />)",
        "</xs:unique>",
        R"(<xs:unique name="C1">)",
        R"(<xs:selector xpath=".//mtTiskSkupiny" />)",
        R"(<xs:field xpath="ID" />)",
        "</xs:unique>",
        R"(<xs:keyref name="Sklady_Skupiny" refer="C0">)",
        R"(<xs:selector xpath=".//mtTiskSkupiny" />)",
        R"(<xs:field xpath="Sklad" />)",
        "</xs:keyref>",
        R"(<xs:keyref name="Skupiny_Zasoby" refer="C1">)",
        R"(<xs:selector xpath=".//mtTiskZasoby" />)",
        R"(<xs:field xpath="Skupina" />)",
        "</xs:keyref>",
        R"(<xs:keyref name="Sklady_Zasoby" refer="C0">)",
        R"(<xs:selector xpath=".//mtTiskZasoby" />)",
        R"(<xs:field xpath="Sklad" />)",
        "</xs:keyref>",
        "</xs:element>",
        "</xs:schema>",
    });
    EXPECT_TRUE(document.contains(kConstraints)) << qPrintable(document);
    // Tables without rows keep their schema element and write no rows.
    EXPECT_TRUE(document.contains(R"(<xs:element name="mtTiskZasoby">)"));
    EXPECT_TRUE(
        document.endsWith("</xs:schema>\r\n<mtTiskSklady>\r\n<ID>1</ID>\r\n<Sklad>0</Sklad>\r\n"
                          "<Skupina>0</Skupina>\r\n</mtTiskSklady>\r\n</ReportDataset>\r\n"));
}

TEST(MemTable2DotNetTest, TheCopyIsTakenWhenTheTableIsAddedAndTheSourceKeepsItsPosition) {
    TMemTable t;
    t.FieldDefs().Add("Nazev", ftString, 20);
    t.CreateTable();
    for (const char* name : {"první", "druhý"}) {
        t.Append();
        t.FieldByName("Nazev")->SetAsString(QString::fromUtf8(name));
        t.Post();
    }
    t.First();
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtX", t);
    EXPECT_EQ(t.RecNo(), 1);
    t.Edit();
    t.FieldByName("Nazev")->SetAsString("později");
    t.Post();
    const QByteArray bytes = builder.DocumentText().toUtf8();
    EXPECT_TRUE(bytes.contains("<Nazev>prvn\xc3\xad</Nazev>"));
    EXPECT_FALSE(bytes.contains("později"));
    // No byte-order mark, no encoding named: readers take UTF-8.
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>\r\n"));
}

TEST(MemTable2DotNetTest, AFileThatCannotBeWrittenIsReportedWithItsPath) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/missing/folder/data";
    TMemTable2DotNetBuilder builder("SystemDataset");
    EXPECT_FALSE(builder.SaveToFile(path));
    EXPECT_TRUE(builder.ErrorText().startsWith(
        QString::fromUtf8("Při ukládání souboru %1 došlo k chybě. ").arg(path)))
        << qPrintable(builder.ErrorText());
}

TEST(MemTable2DotNetTest, Base64FollowsTheStandardAlphabetAndPadding) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case kCases[] = {{"", ""},
                           {"f", "Zg=="},
                           {"fo", "Zm8="},
                           {"foo", "Zm9v"},
                           {"foob", "Zm9vYg=="},
                           {"fooba", "Zm9vYmE="},
                           {"foobar", "Zm9vYmFy"},
                           {"\xff\xfe", "//4="}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(Base64Text(QByteArray(c.in)), QString(c.out));
    }
}

TEST(MemTable2DotNetTest, TheDocumentIsWellFormedForAnIndependentXmlReader) {
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty()) GTEST_SKIP() << "xmllint is not installed";
    TMemTable t;
    t.FieldDefs().Add("Popis", ftString, 50);
    t.FieldDefs().Add("Cena", ftFloat);
    t.CreateTable();
    t.Append();
    t.FieldByName("Popis")->SetAsString(QString::fromUtf8("Šroub <M8> & matka \"Ø\" 'x'"));
    t.FieldByName("Cena")->SetAsFloat(12.5);
    t.Post();
    TMemTable2DotNetBuilder builder("ReportDataset");
    builder.AddTable("mtPolozkyNab", t);
    QTemporaryDir dir;
    const QString path = dir.path() + "/data.xml";
    ASSERT_TRUE(builder.SaveToFile(path));
    QProcess lint;
    lint.start(xmllint, {"--xpath", "string(//mtPolozkyNab/Popis)", path});
    ASSERT_TRUE(lint.waitForFinished());
    EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().constData();
    EXPECT_EQ(QString::fromUtf8(lint.readAllStandardOutput()).trimmed(),
              QString::fromUtf8("Šroub <M8> & matka \"Ø\" 'x'"));
}

}  // namespace
