#include <gtest/gtest.h>

#include <QBuffer>
#include <memory>

#include "core/MemTableStream.h"
#include "platform/data/DataSource.h"
#include "platform/text/Cp1250.h"
#include "platform/text/FormatSettings.h"

namespace {

struct NewField {
    const char* name;
    TFieldType type;
    int size;
};

std::unique_ptr<TMemTable> MakeTable(std::initializer_list<NewField> fields) {
    auto t = std::make_unique<TMemTable>();
    for (const NewField& f : fields) t->FieldDefs().Add(f.name, f.type, f.size);
    t->CreateTable();
    return t;
}

void AddRow(TMemTable& t, const QVariantList& values) {
    t.Append();
    for (int i = 0; i < values.size(); ++i) t.Fields()[i]->SetValue(values[i]);
    t.Post();
}

QByteArray Save(TMemTable& t, TMemTableSaveFlags flags) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SaveTableToStream(t, buffer, flags);
    return buffer.data();
}

void Load(TMemTable& t, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    LoadTableFromStream(t, buffer);
}

// The record lines of a stream (everything after the header line).
QList<QByteArray> Lines(const QByteArray& stream) {
    QList<QByteArray> lines = stream.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "stream must end with a line end";
    lines.removeLast();
    for (QByteArray& l : lines) {
        EXPECT_TRUE(l.endsWith('\r')) << l.constData();
        l.chop(1);
    }
    return lines;
}

std::unique_ptr<TMemTable> IdNazev() {
    auto t = MakeTable({{"ID", ftInteger, 0}, {"Nazev", ftString, 50}});
    t->FieldByName("ID")->SetDisplayWidth(10);
    t->FieldByName("Nazev")->SetDisplayWidth(50);
    AddRow(*t, {7, "ABC"});
    return t;
}

const QByteArray kIdNazevDefinition =
    "\"@@FILE VERSION@@\",\"251\"\r\n"
    "\"@@TABLEDEF START@@\"\r\n"
    "\"ID=Integer,0,\"\"ID\"\",\"\"\"\",10,Data,\"\"\"\"\"\r\n"
    "\"Nazev=String,50,\"\"Nazev\"\",\"\"\"\",50,Data,\"\"\"\"\"\r\n"
    "\"@@TABLEDEF END@@\"\r\n";
const QByteArray kIdNazevData =
    "\"ID\",\"Nazev\",\r\n"
    "\"7\",\"ABC\",\r\n";

TEST(MemTableStreamTest, SnapshotAndSettingFlagsGiveTheExactBytes) {
    auto t = IdNazev();
    EXPECT_EQ(Save(*t, mtfSaveData | mtfSaveBlobs | mtfSaveDef), kIdNazevDefinition + kIdNazevData);
    EXPECT_EQ(Save(*t, mtfSaveData), kIdNazevData);

    // Loaded back: the definition section builds the fields, the settings form fills given ones.
    TMemTable fromSnapshot;
    Load(fromSnapshot, kIdNazevDefinition + kIdNazevData);
    ASSERT_TRUE(fromSnapshot.Active());
    ASSERT_EQ(fromSnapshot.FieldCount(), 2);
    EXPECT_EQ(fromSnapshot.Fields()[0]->DataType(), ftInteger);
    EXPECT_EQ(fromSnapshot.Fields()[1]->DataType(), ftString);
    EXPECT_EQ(fromSnapshot.Fields()[1]->Size(), 50);
    fromSnapshot.First();
    EXPECT_EQ(fromSnapshot.FieldByName("ID")->Value(), QVariant(qint64(7)));
    EXPECT_EQ(fromSnapshot.FieldByName("Nazev")->Value(), QVariant("ABC"));

    auto fromSetting = MakeTable({{"ID", ftInteger, 0}, {"Nazev", ftString, 50}});
    Load(*fromSetting, kIdNazevData);
    ASSERT_EQ(fromSetting->RecordCount(), 1);
    fromSetting->First();
    EXPECT_EQ(fromSetting->FieldByName("ID")->AsInteger(), 7);
    EXPECT_EQ(fromSetting->FieldByName("Nazev")->AsString(), "ABC");

    // The cursor does not move while writing; pending edits are posted first.
    t->Edit();
    t->FieldByName("Nazev")->SetAsString("XYZ");
    EXPECT_EQ(Lines(Save(*t, mtfSaveData)).last(), "\"7\",\"XYZ\",");
    EXPECT_EQ(t->State(), dsBrowse);
}

// One value per case, written in a one-field snapshot: the record line and the value loaded back.
TEST(MemTableStreamTest, ValuesAreEncodedAndLoadBackUnchanged) {
    const double date = DateTimeToOle(QDate(2024, 3, 5));
    const double dateTime = DateTimeToOle(QDate(2024, 3, 5), QTime(9, 5, 7));
    const double time = DateTimeToOle(QDate(1899, 12, 30), QTime(9, 5, 7));
    struct Case {
        TFieldType type;
        QVariant value;
        QByteArray line;
    };
    const Case kCases[] = {
        {ftString, QVariant(), ","},
        {ftString, QString(""), "\"\","},
        {ftString, QString("řekl \"ano\""),
         "\"\xF8"
         "ekl \"\"ano\"\"\","},
        {ftMemo, QString("a\r\nb 5%"), "\"a%c%nb 5%%\","},
        {ftMemo, QString("%c is text, %n too"), "\"%%c is text, %%n too\","},
        {ftMemo, QString("x") + QChar(0) + "y\n", "\"x%0y%n\","},
        {ftBlob, QByteArray("\x01\x02\x03", 3), "\"!(P \","},
        {ftBlob, QByteArray("\x02", 1), "\"\"\" \","},
        {ftGraphic, QByteArray("\xFF", 1), "\"_#\","},
        {ftBlob, QByteArray("\x00\xFF\x80", 3), "\" \\/@\","},
        {ftBlob, QByteArray(""), "\"\","},
        {ftBlob, QVariant(), ","},
        {ftBoolean, true, "\"True\","},
        {ftBoolean, false, "\"False\","},
        {ftInteger, -42, "\"-42\","},
        {ftLargeint, qint64(9007199254740993), "\"9007199254740993\","},
        {ftFloat, 1234567.25, "\"1234567.25\","},
        {ftFloat, 0.1, "\"0.1\","},
        {ftCurrency, 12.3456, "\"12.3456\","},
        {ftBCD, -0.5, "\"-0.5\","},
        {ftDate, date, "\"05/03/2024\","},
        {ftDateTime, dateTime, "\"05/03/2024 9:05:07\","},
        {ftDateTime, date, "\"05/03/2024\","},
        {ftTime, time, "\"9:05:07\","},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.line.constData());
        auto t = MakeTable({{"V", c.type, 0}});
        AddRow(*t, {c.value});
        const QByteArray stream = Save(*t, mtfSaveData | mtfSaveBlobs | mtfSaveDef);
        EXPECT_EQ(Lines(stream).last(), c.line);

        TMemTable back;
        Load(back, stream);
        ASSERT_EQ(back.RecordCount(), 1);
        back.First();
        EXPECT_EQ(back.Fields()[0]->DataType(), c.type);
        EXPECT_EQ(back.Fields()[0]->IsNull(), t->Fields()[0]->IsNull());
        EXPECT_EQ(back.Fields()[0]->Value(), t->Fields()[0]->Value());
    }
}

TEST(MemTableStreamTest, SixBitLengthsAndEveryByteValue) {
    QByteArray all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (int length = 0; length <= 7; ++length) {
        SCOPED_TRACE(length);
        const QByteArray bytes = all.mid(250 - length, length);
        const QString text = EncodeSixBit(bytes);
        EXPECT_EQ(text.size(), (4 * length + 2) / 3);
        for (QChar c : text) EXPECT_TRUE(c.unicode() >= 32 && c.unicode() <= 95);
        EXPECT_EQ(DecodeSixBit(text), bytes);
    }
    EXPECT_EQ(DecodeSixBit(EncodeSixBit(all)), all);
}

TEST(MemTableStreamTest, LocalFormatWritesTheStationsNumbersAndDates) {
    auto t = MakeTable({{"F", ftFloat, 0}, {"D", ftDateTime, 0}});
    AddRow(*t, {1.5, DateTimeToOle(QDate(2024, 3, 5), QTime(14, 0, 0))});
    EXPECT_EQ(Lines(Save(*t, mtfSaveData | mtfSaveInLocalFormat)).last(), "\"1,5\",\"5.3.2024 14:00:00\",");
    EXPECT_EQ(Lines(Save(*t, mtfSaveData)).last(), "\"1.5\",\"05/03/2024 14:00:00\",");
    // Writing leaves the station's own settings as they were.
    EXPECT_EQ(FormatSettings.DecimalSeparator, QChar(u','));
    EXPECT_EQ(FormatSettings.ShortDateFormat, "d.M.yyyy");
}

TEST(MemTableStreamTest, EveryLoadableTypeRoundTripsWithItsDefinition) {
    const NewField kFields[] = {
        {"S", ftString, 30}, {"SI", ftSmallint, 0}, {"I", ftInteger, 0},   {"W", ftWord, 0},
        {"B", ftBoolean, 0}, {"F", ftFloat, 0},     {"C", ftCurrency, 0},  {"N", ftBCD, 0},
        {"D", ftDate, 0},    {"T", ftTime, 0},      {"DT", ftDateTime, 0}, {"A", ftAutoInc, 0},
        {"BL", ftBlob, 0},   {"M", ftMemo, 0},      {"G", ftGraphic, 0},   {"L", ftLargeint, 0},
    };
    TMemTable t;
    for (const NewField& f : kFields) t.FieldDefs().Add(f.name, f.type, f.size, f.type == ftInteger);
    t.CreateTable();
    TField* s = t.FieldByName("S");
    s->SetDisplayLabel("Název \"položky\", krátký");
    s->SetEditMask("!>aaa;0;_");
    s->SetDisplayWidth(7);
    s->SetDefaultExpression("'a,b'");
    t.FieldByName("SI")->SetReadOnly(true);
    // A title holding the letters of a marker is no marker.
    t.FieldByName("W")->SetDisplayLabel("Sleva,RO,REQ");

    const QVariantList full = {"Kč % \"x\"\r\n",
                               3,
                               -8,
                               65535,
                               true,
                               -1.25e-7,
                               1234.5678,
                               0.125,
                               DateTimeToOle(QDate(1899, 12, 29)),
                               DateTimeToOle(QDate(1899, 12, 30), QTime(23, 59, 59)),
                               DateTimeToOle(QDate(2031, 12, 31), QTime(0, 0, 1)),
                               17,
                               QByteArray("\x00\"%\r\n\xFF", 6),
                               "řádek 1\r\nřádek 2",
                               QByteArray("GIF"),
                               qint64(-4611686018427387904)};
    AddRow(t, full);
    QVariantList sparse;
    for (int i = 0; i < full.size(); ++i) sparse << QVariant();
    sparse[2] = 0;  // the required field
    AddRow(t, sparse);

    TMemTable back;
    Load(back, Save(t, mtfSaveData | mtfSaveBlobs | mtfSaveDef));
    ASSERT_EQ(back.FieldCount(), t.FieldCount());
    for (int i = 0; i < t.FieldCount(); ++i) {
        const TField* a = t.Fields()[i];
        const TField* b = back.Fields()[i];
        SCOPED_TRACE(a->FieldName().toStdString());
        EXPECT_EQ(b->FieldName(), a->FieldName());
        EXPECT_EQ(b->DataType(), a->DataType());
        EXPECT_EQ(b->Size(), a->Size());
        EXPECT_EQ(b->DisplayLabel(), a->DisplayLabel());
        EXPECT_EQ(b->EditMask(), a->EditMask());
        EXPECT_EQ(b->DisplayWidth(), a->DisplayWidth());
        EXPECT_EQ(b->DefaultExpression(), a->DefaultExpression());
        EXPECT_EQ(b->Required(), a->Required());
        EXPECT_EQ(b->ReadOnly(), a->ReadOnly());
        EXPECT_EQ(b->FieldKind(), fkData);
    }
    ASSERT_EQ(back.RecordCount(), 2);
    t.First();
    back.First();
    for (int row = 0; row < 2; ++row, t.Next(), back.Next())
        for (int i = 0; i < t.FieldCount(); ++i) {
            SCOPED_TRACE(testing::Message()
                         << "row " << row << " " << t.Fields()[i]->FieldName().toStdString());
            EXPECT_EQ(back.Fields()[i]->Value(), t.Fields()[i]->Value());
        }
}

TEST(MemTableStreamTest, WideStringStaysOnItsLine) {
    auto t = MakeTable({{"W", ftWideString, 40}, {"I", ftInteger, 0}});
    AddRow(*t, {"první\r\ndruhý 100%", 5});
    const QByteArray stream = Save(*t, mtfSaveData);
    EXPECT_EQ(Lines(stream).size(), 2);
    auto back = MakeTable({{"W", ftWideString, 40}, {"I", ftInteger, 0}});
    Load(*back, stream);
    ASSERT_EQ(back->RecordCount(), 1);
    back->First();
    EXPECT_EQ(back->FieldByName("W")->AsString(), "první\r\ndruhý 100%");
    EXPECT_EQ(back->FieldByName("I")->AsInteger(), 5);
}

TEST(MemTableStreamTest, HeaderMapsColumnsByTitle) {
    auto t = MakeTable({{"ID", ftInteger, 0}, {"Nazev", ftString, 20}, {"Počet", ftFloat, 0}});
    Load(*t, EncodeCp1250("\"počet\",\"NAZEV\",\"Extra\",\"id\",\r\n"
                          "\"2.5\",\"Kč\",\"skipped\",\"3\",\r\n"));
    // Only a to z match without regard to case: "POČET" is not "Počet".
    Load(*t, EncodeCp1250("\"POČET\",\"Nazev\",\r\n\"9\",\"B\",\r\n"));
    // An unquoted empty title takes the field at its position.
    Load(*t, EncodeCp1250(",\"nazev\",\r\n\"4\",\"C\",\r\n"));
    ASSERT_EQ(t->RecordCount(), 3);
    t->First();
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(t->FieldByName("Nazev")->AsString(), "Kč");
    EXPECT_EQ(t->FieldByName("Počet")->AsFloat(), 2.5);
    t->Next();
    EXPECT_TRUE(t->FieldByName("ID")->IsNull());
    EXPECT_EQ(t->FieldByName("Nazev")->AsString(), "B");
    EXPECT_TRUE(t->FieldByName("Počet")->IsNull());
    t->Next();
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(t->FieldByName("Nazev")->AsString(), "C");
}

TEST(MemTableStreamTest, OnlyTrueTextIsTrue) {
    auto t = MakeTable({{"B", ftBoolean, 0}});
    Load(*t, "\"B\",\r\n\"True\",\r\n\"true\",\r\n\"TRUE\",\r\n\"1\",\r\n\"\",\r\n\"-1\",\r\n,\r\n");
    ASSERT_EQ(t->RecordCount(), 7);
    t->First();
    EXPECT_TRUE(t->Fields()[0]->AsBoolean());
    for (int i = 1; i < 6; ++i) {
        t->Next();
        EXPECT_FALSE(t->Fields()[0]->IsNull()) << i;
        EXPECT_FALSE(t->Fields()[0]->AsBoolean()) << i;
    }
    t->Next();
    EXPECT_TRUE(t->Fields()[0]->IsNull());
}

TEST(MemTableStreamTest, DefinitionOnlyStreamCreatesFieldsWithoutRows) {
    auto t = MakeTable({{"Old", ftString, 5}});
    AddRow(*t, {"x"});
    Load(*t, kIdNazevDefinition);
    ASSERT_TRUE(t->Active());
    ASSERT_EQ(t->FieldCount(), 2);
    EXPECT_EQ(t->Fields()[0]->FieldName(), "ID");
    EXPECT_EQ(t->RecordCount(), 0);

    // An empty stream changes nothing; reading starts at the stream's position.
    Load(*t, QByteArray());
    EXPECT_EQ(t->FieldCount(), 2);
    QByteArray bytes = "garbage line\r\n" + kIdNazevData;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(14);
    LoadTableFromStream(*t, buffer);
    ASSERT_EQ(t->RecordCount(), 1);
}

TEST(MemTableStreamTest, UnloadableTypesFailWithTheirDefinition) {
    struct Case {
        const char* definition;  // as it stands inside the outer quotes
        const char* typeName;
        const char* text;  // the definition without its quoting
    };
    const Case kCases[] = {
        {"W=WideString,20,\"\"W\"\",\"\"\"\",20,Data,\"\"\"\"", "WideString",
         "W=WideString,20,\"W\",\"\",20,Data,\"\""},
        {"G=Guid,38,\"\"G\"\",\"\"\"\",38,Data,\"\"\"\"", "Guid", "G=Guid,38,\"G\",\"\",38,Data,\"\""},
        {"S=string,5", "string", "S=string,5"},
        {"X=Cursor,0", "Cursor", "X=Cursor,0"},
        {"no equals sign", "", "no equals sign"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.definition);
        TMemTable t;
        const QByteArray stream = QByteArray("\"@@TABLEDEF START@@\"\r\n\"A=String,10\"\r\n\"") +
                                  c.definition + "\"\r\n\"@@TABLEDEF END@@\"\r\n\"A\",\r\n\"a\",\r\n";
        try {
            Load(t, stream);
            ADD_FAILURE() << "loaded";
        } catch (const EDataSetError& e) {
            EXPECT_EQ(e.Message(),
                      QString("Unknown field type (%1) in CSV file. (%2)").arg(c.typeName, c.text));
        }
        ASSERT_EQ(t.FieldCount(), 1);
        EXPECT_EQ(t.Fields()[0]->FieldName(), "A");
        EXPECT_FALSE(t.ControlsDisabled());
    }
}

TEST(MemTableStreamTest, MalformedValueFailsWithItsConversionError) {
    struct Case {
        TFieldType type;
        const char* token;
    };
    const Case kCases[] = {
        {ftInteger, "12a"},         {ftFloat, "abc"}, {ftDate, "31/02/2024"},
        {ftDateTime, "2024-03-05"}, {ftTime, "x"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.token);
        auto t = MakeTable({{"V", c.type, 0}});
        const QByteArray stream = QByteArray("\"V\",\r\n,\r\n\"") + c.token + "\",\r\n,\r\n";
        EXPECT_THROW(Load(*t, stream), EConvertError);
        // The row before the bad one stays, the bad one is not half-added.
        EXPECT_EQ(t->RecordCount(), 1);
        EXPECT_EQ(t->State(), dsBrowse);
        EXPECT_FALSE(t->ControlsDisabled());
    }
}

TEST(MemTableStreamTest, SavingDeltasFailsBeforeWriting) {
    auto t = IdNazev();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        SaveTableToStream(*t, buffer, mtfSaveData | mtfSaveDeltas);
        ADD_FAILURE() << "saved";
    } catch (const EDataSetError& e) {
        EXPECT_EQ(e.Message(), "Saving deltas is supported only in binary format.");
    }
    EXPECT_TRUE(buffer.data().isEmpty());
    TMemTable closed;
    EXPECT_THROW(SaveTableToStream(closed, buffer, mtfSaveData), EDataSetError);
    // A stream that refuses the bytes is an error, not a quietly lost setting.
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_THROW(SaveTableToStream(*t, readOnly, mtfSaveData), EDataSetError);
}

// Damaged or cut-off streams load what they hold and never read past their text.
TEST(MemTableStreamTest, DamagedStreamsLoadWhatTheyHold) {
    struct Case {
        const char* name;
        QByteArray stream;
        int rows;
        QVariant firstA;
    };
    const Case kCases[] = {
        {"unterminated quote", "\"A\",\r\n\"abc", 1, "abc"},
        {"quote alone", "\"A\",\r\n\"", 1, ""},
        {"unquoted text is passed over", "\"A\",\"B\",\r\nabc,\"x\",\r\n", 1, QVariant()},
        {"more tokens than columns", "\"A\",\r\n\"a\",\"b\",\"c\",\r\n", 1, "a"},
        {"LF, NUL and runs of breaks", QByteArray("\"A\",\n\n\"a\",\0\r\r\n\"b\",", 18), 2, "a"},
        {"unknown escape and trailing percent", "\"A\",\r\n\"%x%\",\r\n", 1, "%x%"},
        {"no header at all", "\"@@FILE VERSION@@\",\"251\"\r\n", 0, QVariant()},
        {"bytes above 127", "\"A\",\r\n\"\x80\xFF\",\r\n", 1, DecodeCp1250("\x80\xFF")},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        auto t = MakeTable({{"A", ftString, 10}, {"B", ftBlob, 0}});
        Load(*t, c.stream);
        ASSERT_EQ(t->RecordCount(), c.rows);
        if (c.rows == 0) continue;
        t->First();
        EXPECT_EQ(t->FieldByName("A")->Value(), c.firstA);
    }

    // Six-bit text holding characters its writer never uses still decodes to its length.
    auto t = MakeTable({{"B", ftBlob, 0}});
    Load(*t, "\"B\",\r\n\"\x7Fz\x01~\xFF\",\r\n");
    t->First();
    EXPECT_EQ(t->Fields()[0]->Value().toByteArray().size(), 3);

    // A definition section cut off keeps the fields it defined, on a closed table.
    TMemTable cut;
    Load(cut, "\"@@TABLEDEF START@@\"\r\n\"A=String,10,\"\"A\"\"\"\r\n\"B=Integer");
    EXPECT_FALSE(cut.Active());
    ASSERT_EQ(cut.FieldCount(), 2);
    EXPECT_EQ(cut.Fields()[1]->DataType(), ftInteger);
}

TEST(MemTableStreamTest, WhichFieldsAreWritten) {
    auto t = MakeTable({{"A", ftString, 5}, {"H", ftString, 5}, {"C", ftInteger, 0}, {"M", ftMemo, 0}});
    t->FieldByName("H")->SetVisible(false);
    t->FieldByName("C")->SetFieldKind(fkCalculated);
    AddRow(*t, {"a", "h", 1, "m"});
    struct Case {
        TMemTableSaveFlags flags;
        QByteArray header;
        QByteArray row;
    };
    const Case kCases[] = {
        {mtfSaveData, "\"A\",\"H\",\"C\",\"M\",", "\"a\",,,,"},
        {mtfSaveData | mtfSaveNonVisible, "\"A\",\"H\",\"C\",\"M\",", "\"a\",\"h\",,,"},
        {mtfSaveData | mtfSaveCalculated, "\"A\",\"H\",\"C\",\"M\",", "\"a\",,\"1\",,"},
        {mtfSaveBlobs, "\"A\",\"H\",\"C\",\"M\",", ",,,\"m\","},
        // The header puts a delimiter after every column but the table's last field.
        {mtfSaveData | mtfSkipRest, "\"A\",,", "\"a\","},
        {mtfSaveData | mtfSaveCalculated | mtfSkipRest, "\"A\",\"C\",,", "\"a\",\"1\","},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.flags);
        const QList<QByteArray> lines = Lines(Save(*t, c.flags));
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], c.header);
        EXPECT_EQ(lines[1], c.row);
    }
    // Skipped fields keep their definition lines only without mtfSkipRest; the kind is named
    // only when asked for and comes back on loading.
    const QByteArray withDefs = Save(*t, mtfSaveData | mtfSaveDef | mtfSaveFieldKind);
    EXPECT_TRUE(withDefs.contains("\"H=String,5,"));
    EXPECT_TRUE(withDefs.contains(",Calculated,"));
    EXPECT_FALSE(Save(*t, mtfSaveData | mtfSaveDef).contains(",Calculated,"));
    EXPECT_FALSE(Save(*t, mtfSaveData | mtfSaveDef | mtfSkipRest).contains("\"H="));
    TMemTable back;
    Load(back, withDefs);
    EXPECT_EQ(back.FieldByName("C")->FieldKind(), fkCalculated);
    EXPECT_EQ(back.FieldByName("A")->FieldKind(), fkData);
    EXPECT_EQ(Lines(Save(*t, mtfSaveData | mtfSaveNoHeader)).size(), 1);
}

TEST(MemTableStreamTest, IndexDefinitionsRoundTrip) {
    auto t = IdNazev();
    t->AddIndex("ixNazev", "Nazev;ID", ixDescending | ixUnique);
    t->AddIndex("ixID", "ID", ixCaseInsensitive | ixNonMaintained);
    const QByteArray stream = Save(*t, mtfSaveData | mtfSaveDef | mtfSaveIndexDef);
    EXPECT_TRUE(
        stream.contains("\"@@INDEXDEF START@@\"\r\n"
                        "\"ixNazev=\"\"Nazev;ID\"\",\"\"ixNazev\"\",DESC,UNIQ\"\r\n"
                        "\"ixID=\"\"ID\"\",\"\"ixID\"\",CASE,NONMT\"\r\n"
                        "\"@@INDEXDEF END@@\"\r\n\"@@TABLEDEF END@@\"\r\n"));
    TMemTable back;
    back.AddIndex("stale", "X");
    Load(back, stream);
    ASSERT_EQ(back.IndexDefs().size(), 2u);
    EXPECT_EQ(back.IndexDefs()[0].Name, "ixNazev");
    EXPECT_EQ(back.IndexDefs()[0].Fields, "Nazev;ID");
    EXPECT_EQ(back.IndexDefs()[0].DisplayName, "ixNazev");
    EXPECT_EQ(back.IndexDefs()[0].Options, unsigned(ixDescending | ixUnique));
    EXPECT_EQ(back.IndexDefs()[1].Options, unsigned(ixCaseInsensitive | ixNonMaintained));
    EXPECT_EQ(back.RecordCount(), 1);
}

TEST(MemTableStreamTest, FilterAndMasterLinkAreSwitchedOffOnlyWhenAsked) {
    auto t = MakeTable({{"ID", ftInteger, 0}, {"G", ftInteger, 0}});
    for (int i = 1; i <= 4; ++i) AddRow(*t, {i, i % 2});
    t->SetFilter("ID > 1");
    t->SetFiltered(true);
    t->Locate("ID", 3);
    EXPECT_EQ(Lines(Save(*t, mtfSaveData)).size(), 4);
    EXPECT_EQ(Lines(Save(*t, mtfSaveData | mtfSaveFiltered)).size(), 5);
    EXPECT_TRUE(t->Filtered());
    EXPECT_EQ(t->RecordCount(), 3);
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 3);
    t->SetFiltered(false);

    auto master = MakeTable({{"G", ftInteger, 0}});
    AddRow(*master, {1});
    master->First();
    TDataSource source(master.get());
    t->SetMasterFields("G");
    t->SetDetailFields("G");
    t->SetMasterSource(&source);
    EXPECT_EQ(Lines(Save(*t, mtfSaveData)).size(), 3);
    EXPECT_EQ(Lines(Save(*t, mtfSaveData | mtfSaveIgnoreMasterDetail)).size(), 5);
    EXPECT_EQ(t->MasterSource(), &source);
    EXPECT_EQ(t->RecordCount(), 2);
}

TEST(MemTableStreamTest, AppendWritesAfterWhatTheStreamHolds) {
    auto t = IdNazev();
    QByteArray bytes = "before\r\n";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    SaveTableToStream(*t, buffer, mtfSaveData | mtfSaveAppend);
    EXPECT_EQ(bytes, "before\r\n" + kIdNazevData);

    // The string form is the stream's windows-1250 text.
    AddRow(*t, {8, "Čaj"});
    const QString text = SaveTableToString(*t, mtfSaveData);
    EXPECT_TRUE(text.endsWith("\"8\",\"Čaj\",\r\n"));
    auto back = MakeTable({{"ID", ftInteger, 0}, {"Nazev", ftString, 50}});
    LoadTableFromString(*back, text);
    back->Last();
    EXPECT_EQ(back->FieldByName("Nazev")->AsString(), "Čaj");
}

}  // namespace
