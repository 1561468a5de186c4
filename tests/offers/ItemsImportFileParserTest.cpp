// Reading key lists: the text helpers, and the readers' answers to what customers send.

#include <gtest/gtest.h>
#include <shapefil.h>

#include <QFile>
#include <QStringEncoder>

#include "common/LibreOffice.h"
#include "common/ScriptedDialogs.h"
#include "common/TempDir.h"
#include "offers/ItemsImportFileParser.h"
#include "platform/data/Field.h"
#include "platform/text/Cp1250.h"

namespace {

class ItemsImportFileParserTest : public TempDirTest {
protected:
    void TearDown() override {
        TItemsImportFileParser::ClipboardText = saved_;
        TempDirTest::TearDown();
    }
    void Clipboard(const QString& text) {
        TItemsImportFileParser::ClipboardText = [text] { return text; };
    }
    static QStringList PairsOf(TItemsImportFileParser& parser) {
        QStringList pairs;
        for (parser.Pairs.First(); !parser.Pairs.Eof(); parser.Pairs.Next())
            pairs << parser.Pairs.FieldByName("KeyValue")->AsString() + "=" +
                         QString::number(parser.Pairs.FieldByName("PocetMJValue")->AsFloat());
        return pairs;
    }
    // A dBase table of codes and quantities, written at test time.
    // The code page is the table's language byte; without one the text is windows-1250.
    QString MakeDbf(const std::vector<std::pair<QString, double>>& rows, const char* codePage = nullptr) {
        const QString path = Folder() + "klice.dbf";
        QFile::remove(path);
        DBFHandle dbf = codePage ? DBFCreateEx(QFile::encodeName(path).constData(), codePage)
                                 : DBFCreate(QFile::encodeName(path).constData());
        DBFAddField(dbf, "KOD", FTString, 20, 0);
        DBFAddField(dbf, "POCET", FTDouble, 12, 3);
        int record = 0;
        for (const auto& [code, quantity] : rows) {
            QStringEncoder dos("IBM852");
            const QByteArray bytes = codePage ? QByteArray(dos.encode(code)) : EncodeCp1250(code);
            DBFWriteStringAttribute(dbf, record, 0, bytes.constData());
            DBFWriteDoubleAttribute(dbf, record, 1, quantity);
            ++record;
        }
        DBFClose(dbf);
        return path;
    }
    std::function<QString()> saved_ = TItemsImportFileParser::ClipboardText;
};

}  // namespace

TEST_F(ItemsImportFileParserTest, SplittingKeepsEmptyPiecesAndNumbersFollowTheStation) {
    struct Case {
        const char* text;
        QStringList pieces;
    };
    const Case kCases[] = {
        {"", {}},
        {"JB16", {"JB16"}},
        {"JB16\t2", {"JB16", "2"}},
        {"JB16\t", {"JB16", ""}},
        {"\t\t3", {"", "", "3"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        QStringList pieces{"old"};
        SplitBySeparator(pieces, QString::fromUtf8(c.text), "\t");
        EXPECT_EQ(pieces, c.pieces);
    }
    EXPECT_TRUE(IsCurrencyText("2,5"));
    EXPECT_TRUE(IsCurrencyText("3"));
    EXPECT_FALSE(IsCurrencyText(""));
    EXPECT_FALSE(IsCurrencyText("Množství"));
    EXPECT_TRUE(IsIntegerText("12"));
    EXPECT_FALSE(IsIntegerText("1,5"));
}

TEST_F(ItemsImportFileParserTest, ClipboardLinesAreReadColumnByColumn) {
    TItemsImportFileParser parser;
    parser.SourceKind = TKeySource::Clipboard;
    parser.FirstRowIsHeader = true;
    parser.KeyColumn = "1";
    parser.QuantityColumn = "2";
    parser.UseDefaultQuantity = false;
    Clipboard("Kód\tPočet\r\nJB16\t2\r\nCYKY315\t12,5\r\n");
    TScriptedDialogs dialogs;
    ASSERT_TRUE(parser.Load());
    EXPECT_EQ(PairsOf(parser), (QStringList{"JB16=2", "CYKY315=12.5"}));

    // Without the header line the titles are data, and a missing quantity stops the reading.
    parser.FirstRowIsHeader = false;
    Clipboard("JB16\t2\nJB10\t\n");
    dialogs.ExpectError(QString::fromUtf8(kImportClipboardBadQuantity).arg(2).arg(""));
    EXPECT_FALSE(parser.Load());
    Clipboard("");
    dialogs.ExpectError(QString::fromUtf8(kImportClipboardNoData));
    EXPECT_FALSE(parser.Load());

    // The default quantity asks for no column at all.
    parser.UseDefaultQuantity = true;
    parser.QuantityColumn = "7";
    Clipboard("JB16\nZAS1B");
    ASSERT_TRUE(parser.Load());
    EXPECT_EQ(PairsOf(parser), (QStringList{"JB16=1", "ZAS1B=1"}));
}

TEST_F(ItemsImportFileParserTest, ADBaseTableIsReadByFieldNames) {
    TItemsImportFileParser parser;
    parser.SourceKind = TKeySource::DBase;
    parser.FileName = MakeDbf({{"JB16", 3}, {QString::fromUtf8("Žárovka"), 2.5}});
    parser.KeyColumn = "KOD";
    parser.QuantityColumn = "POCET";
    parser.UseDefaultQuantity = false;
    TScriptedDialogs dialogs;
    ASSERT_TRUE(parser.Load());
    EXPECT_EQ(PairsOf(parser), (QStringList{"JB16=3", QString::fromUtf8("Žárovka=2.5")}));

    // A table of a DOS program says so in its language byte.
    parser.FileName = MakeDbf({{QString::fromUtf8("Žárovka"), 1}}, "LDID/100");
    ASSERT_TRUE(parser.Load());
    EXPECT_EQ(PairsOf(parser), (QStringList{QString::fromUtf8("Žárovka=1")}));

    parser.QuantityColumn = "MNOZSTVI";
    dialogs.ExpectError(QString::fromUtf8(kImportFieldMissing).arg("MNOZSTVI"));
    EXPECT_FALSE(parser.Load());

    parser.FileName = MakeDbf({});
    parser.QuantityColumn = "POCET";
    dialogs.ExpectError(QString::fromUtf8(kImportNoData));
    EXPECT_FALSE(parser.Load());

    parser.FileName = Folder() + "neni.dbf";
    dialogs.ExpectError(QString::fromUtf8(kImportCannotOpen).arg(parser.FileName));
    EXPECT_FALSE(parser.Load());
}

TEST_F(ItemsImportFileParserTest, AWorkbookWrittenByAnotherProgramGivesItsKeysAndQuantities) {
    REQUIRE_LIBREOFFICE(false);
    const QString csv = Folder() + "klice.csv";
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Kod,Pocet\nJB16,3\nCYKY315,2.5\n");
    }
    QString error;
    ASSERT_TRUE(ConvertWithLibreOffice({csv}, "xls", Folder(), {}, &error)) << error.toStdString();
    ASSERT_TRUE(QFile::exists(Folder() + "klice.xls")) << error.toStdString();

    TItemsImportFileParser parser;
    parser.SourceKind = TKeySource::Workbook;
    parser.FileName = Folder() + "klice.xls";
    parser.FirstRowIsHeader = true;
    parser.KeyColumn = "1";
    parser.QuantityColumn = "2";
    parser.UseDefaultQuantity = false;
    TScriptedDialogs dialogs;
    ASSERT_TRUE(parser.Load());
    EXPECT_EQ(PairsOf(parser), (QStringList{"JB16=3", "CYKY315=2.5"}));

    // Read as data, the title row has no quantity: nothing is taken.
    parser.FirstRowIsHeader = false;
    dialogs.ExpectError(QString::fromUtf8(kImportBadQuantity).arg(1).arg("Pocet"));
    EXPECT_FALSE(parser.Load());
    EXPECT_TRUE(parser.Pairs.IsEmpty());
}
