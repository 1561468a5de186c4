#include <gtest/gtest.h>

#include <QRegularExpression>

#include "import/ImportDefinition.h"
#include "platform/text/FormatSettings.h"

namespace {

QStringList Keys(const QString& text) {
    QStringList keys;
    for (const QString& line : DefinitionLines(text)) keys << line.section('=', 0, 0);
    return keys;
}

TImportDefinition SampleItems() {
    TImportDefinition d;
    d.Source = TImportSourceKind::Text;
    d.FileName = "/data/cenik.csv";
    d.TableName = "cenik#csv";
    d.Porovnavat = true;
    d.RefField = "KATALOG";
    d.RefDBField = "Kód";
    d.CheckNovaPolozka = true;
    d.IDListu = 2;
    d.IDSkup = 7;
    d.Items[ifKatalog] = {true, TFieldSource::Column, "Kód", {}, 0};
    d.Items[ifTextMJ] = {true, TFieldSource::Fixed, {}, "ks", 0};
    d.Items[ifSazbaDPH] = {true, TFieldSource::Fixed, {}, {}, 12.5L};
    d.Items[ifProdCena] = {true, TFieldSource::Column, "Cena", {}, 0};
    d.ProdCenaTypCeny = 1;
    d.TypHodnota = 1;
    d.CheckCenSkup = true;
    d.CenSkupina = "MAT";
    d.CheckPrepocitat = true;
    d.ValuePrepocitat = 1;
    d.ValuePrepocPodle = 1;
    return d;
}

}  // namespace

TEST(ImportDefinitionTest, ItemTextHasItsSixtyThreeKeysInOrder) {
    const QString text = WriteImportDefinition(SampleItems(), TImportType::Items);
    const QStringList expected = {
        "DBSource",        "DBFileName",        "DBTableName",       "Porovnavat",      "RefField",
        "RefDBField",      "CheckNovaPolozka",  "IDListu",           "IDSkup",          "CheckHledatPouzeV",
        "IDListuHLedatV",  "CheckHledatVeSkup", "IDSkupHledatV",     "CheckPopis",      "SourcePopis",
        "ValuePopis",      "CheckKatalog",      "SourceKatalog",     "ValueKatalog",    "CheckBarCode",
        "SourceBarCode",   "ValueBarCode",      "CheckPLU",          "SourcePLU",       "ValuePLU",
        "CheckPoznamka",   "SourcePoznamka",    "ValuePoznamka",     "CheckZkratka",    "SourceZkratka",
        "ValueZkratka",    "CheckTextMJ",       "SourceTextMJ",      "ValueTextMJ",     "CheckSazbaDPH",
        "SourceSazbaDPH",  "ValueSazbaDPH",     "CheckObrazek",      "SourceObrazek",   "ValueObrazek",
        "CheckNakCena",    "SourceNakCena",     "ValueNakCena",      "CheckHodnota",    "TypHodnota",
        "SourceHodnota",   "ValueHodnota",      "CheckProdCena",     "ProdCenaTypCeny", "SourceProdCena",
        "ValueProdCena",   "CheckNastavNaNove", "CheckCenSkup",      "CenSkupina",      "CheckIdentif",
        "Identif",         "CheckZaokrouhleni", "ValueZaokrouhleni", "CheckTypCeny",    "ValueTypCeny",
        "CheckPrepocitat", "ValuePrepocitat",   "ValuePrepocPodle"};
    EXPECT_EQ(expected.size(), 63);
    EXPECT_EQ(Keys(text), expected);
    EXPECT_FALSE(text.contains(QRegularExpression("[^\r]\n")));
    EXPECT_TRUE(text.startsWith("DBSource=CSV\r\nDBFileName=/data/cenik.csv\r\n"));
    // Flags as -1/0, numbers with the program's decimal comma.
    EXPECT_TRUE(text.contains("\r\nPorovnavat=-1\r\n"));
    EXPECT_TRUE(text.contains("\r\nCheckHledatPouzeV=0\r\n"));
    EXPECT_TRUE(text.contains("\r\nValueSazbaDPH=12,5\r\n"));
    EXPECT_TRUE(text.contains("\r\nValueTextMJ=ks\r\n"));
}

TEST(ImportDefinitionTest, AddressTextHasItsFiftyTwoKeysInOrder) {
    TImportDefinition d;
    d.Source = TImportSourceKind::Excel;
    d.Addresses[afICO] = {true, TFieldSource::Column, "ICO", {}, 0};
    d.CheckCenHladAdr = true;
    d.CenHladAdr = "VO";
    const QStringList keys = Keys(WriteImportDefinition(d, TImportType::Addresses));
    ASSERT_EQ(keys.size(), 52);
    EXPECT_EQ(keys.mid(0, 7), QStringList({"DBSource", "DBFileName", "DBTableName", "Porovnavat", "RefField",
                                           "RefDBField", "CheckNovaPolozka"}));
    const QStringList stems = {"NazevAdr", "UliceAdr",    "PSCAdr",    "MistoAdr",   "StatAdr",
                               "ICOAdr",   "DICAdr",      "ZpravaAdr", "TelefonAdr", "FaxAdr",
                               "EmailAdr", "InternetAdr", "EANAdr",    "PoznamkaAdr"};
    for (int i = 0; i < stems.size(); ++i) {
        SCOPED_TRACE(stems[i].toStdString());
        EXPECT_EQ(keys.mid(7 + 3 * i, 3),
                  QStringList({"Check" + stems[i], "Source" + stems[i], "Value" + stems[i]}));
    }
    EXPECT_EQ(keys.mid(49), QStringList({"CheckNastavNaNoveAdr", "CheckCenHladAdr", "CenHladAdr"}));
}

TEST(ImportDefinitionTest, WrittenTextReadsBackToTheSameDefinition) {
    const TImportDefinition d = SampleItems();
    TImportDefinition back;
    ParseImportDefinition(WriteImportDefinition(d, TImportType::Items), TImportType::Items, back);
    EXPECT_EQ(WriteImportDefinition(back, TImportType::Items), WriteImportDefinition(d, TImportType::Items));
    EXPECT_EQ(back.Items[ifSazbaDPH].Number, 12.5L);
    EXPECT_EQ(back.Items[ifTextMJ].Fixed, "ks");
    EXPECT_EQ(back.IDSkup, 7);
}

TEST(ImportDefinitionTest, KeysAreFoundInAnyCaseAndTheFirstLineCounts) {
    const TDefinitionText t(
        "porovnavat=True\r\nPOROVNAVAT=0\r\nDBFileName=a=b.csv\r\nx\r\nIDListu=abc\r\nIDSkup= 4");
    EXPECT_TRUE(t.Flag("Porovnavat"));
    EXPECT_EQ(t.Text("dbfilename"), "a=b.csv");
    EXPECT_EQ(t.Integer("IDListu"), 0);
    EXPECT_EQ(t.Integer("IDSkup"), 4);
    EXPECT_EQ(t.Integer("Missing", 7), 7);
}

TEST(ImportDefinitionTest, FlagsReadLeniently) {
    struct Case {
        const char* value;
        bool expected;
    };
    const Case kCases[] = {{"-1", true},     {"0", false},   {"1", true}, {"2", true},   {"TRUE", true},
                           {"false", false}, {"ano", false}, {"", false}, {"0,0", false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TDefinitionText(QString("CheckX=") + c.value).Flag("CheckX"), c.expected);
    }
}

TEST(ImportDefinitionTest, NumbersReadWhateverDecimalSeparatorTheyWereStoredWith) {
    struct Case {
        const char* text;
        long double value;
    };
    const Case kCases[] = {
        {"21", 21}, {"12,5", 12.5L}, {"12.5", 12.5L}, {"1 234,75", 1234.75L}, {"-0.25", -0.25L}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        TImportDefinition d;
        ParseImportDefinition(QString("SourceNakCena=1\r\nValueNakCena=") + c.text, TImportType::Items, d);
        EXPECT_EQ(d.Items[ifNakCena].Number, c.value);
    }
    TImportDefinition d;
    EXPECT_THROW(ParseImportDefinition("SourceNakCena=1\r\nValueNakCena=dvanáct", TImportType::Items, d),
                 EConvertError);
    // A column name in the value of a numeric field is no number to read.
    EXPECT_NO_THROW(ParseImportDefinition("SourceNakCena=0\r\nValueNakCena=Cena", TImportType::Items, d));
    EXPECT_EQ(d.Items[ifNakCena].Column, "Cena");
}

TEST(ImportDefinitionTest, MissingKeysTakeTheirDefaultsAndAnUnknownSourceKeepsTheKind) {
    TImportDefinition d;
    d.Source = TImportSourceKind::DBase;
    ParseImportDefinition("DBSource=ODBC\r\nRefField=katalog", TImportType::Items, d);
    EXPECT_EQ(d.Source, TImportSourceKind::DBase);
    EXPECT_EQ(d.RefField, "KATALOG");
    EXPECT_FALSE(d.Porovnavat);
    EXPECT_EQ(d.IDListu, 0);
    ParseImportDefinition("DBSource=xls", TImportType::Items, d);
    EXPECT_EQ(d.Source, TImportSourceKind::Excel);
}
