#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <set>

#include "common/TempDir.h"
#include "core/DbSchema.h"
#include "core/DbTemplates.h"
#include "platform/db/ADOConnection.h"

namespace {

// The structures as the program's data is documented, one "Column Type" per entry. "Integer" is
// Jet's long integer; "Text" without a length is any text long enough for 255 characters.
struct TExpectedTable {
    const char* name;
    const char* columns;
};

const TExpectedTable kMainTables[] = {
    {"Login",
     "ID AutoNumber; UzivID Integer; Jmeno Text(50); Konfigurace Text(10); Pwd Text; Administrator_AR "
     "Yes/No; "
     "Nabidky_AR Integer; Adresar_AR Integer; Cenik_AR Integer; Poznamky_AR Integer; SeznamAgend_AR Integer; "
     "Import_AR Integer; HromadnePreceneni_AR Yes/No; HromadneNastaveni_AR Yes/No; UdajeFirma_AR Yes/No; "
     "GlobalniNastaveni_AR Yes/No; UzivatelskeNastaveni_AR Yes/No; VytvoreniZalohy_AR Yes/No; "
     "ObnoveniZalohy_AR Yes/No; NakupniCeny_AR Yes/No; Zamky_AR Yes/No; VsechnyNabidky_AR Yes/No; "
     "PrefiltrNabidkyVytvorID_AR Text(255); Telefon Text(50); Email Text(50); UseStartDBName Yes/No; "
     "StartDBName Text(10); PrenosNaJinyPCExport_AR Yes/No; PrenosNaJinyPCImport_AR Yes/No; Zakazky_AR "
     "Integer; "
     "PrehlSestavyNab_AR Yes/No"},
    {"Poznamky",
     "ID AutoNumber; Nazev Text(50); Detail Memo; Firma Text; ZobrazOst Yes/No; VytvorID Integer; Vyrizeno "
     "Yes/No"},
    {"Uzivatelske", "ID AutoNumber; IDHodnoty Integer; Popis Text; Hodnota Text; Konfigurace Text(10)"},
    {"KonfigTab", "ID AutoNumber; IDZalohy Integer"},
    {"Verze", "VerID Integer"},
    {"Mista", "ID AutoNumber; PSC Text(10); Misto Text(50)"},
    {"Sestavy",
     "ID AutoNumber; Nazev Text(50); Soubor Text(255); Popis Text(255); IDModulu Integer; TypSest Integer"},
};

const TExpectedTable kFirmTables[] = {
    {"Verze", "VerID Integer"},
    {"Nastaveni", "ID AutoNumber; IDHodnoty Integer; Popis Text; Hodnota Text"},
    {"ImgData", "ID AutoNumber; IDHodnoty Integer; Popis Text; Hodnota Binary"},
    {"Uzivatelske", "ID AutoNumber; IDHodnoty Integer; Popis Text; Hodnota Text; Konfigurace Text(10)"},
    {"UzivMemo", "ID AutoNumber; IDHodnoty Integer; Popis Text; Hodnota Memo; Konfigurace Text(10)"},
    {"Akce",
     "ID AutoNumber; ObjectType Integer; ObjectID Integer; ActionType Integer; UserID Integer; UserName "
     "Text(50); ActionDate Date-time; Description Text(255); ActionData1 Memo; ActionData2 Memo"},
    {"Sklady", "ID AutoNumber; Nazev Text(30); Poradi Integer; RepID GUID"},
    {"Skupiny", "ID AutoNumber; Sklad Integer; Nazev Text(50); Kod Text(10); Zakladni Yes/No; RepID GUID"},
    {"Zasoby",
     "ID AutoNumber; Sklad Integer; Skupina Integer; Popis Text(50); Katalog Text(20); BarCode Text(20); "
     "Poznamka Memo; NakCena Decimal; PrCenaSDPH Decimal; PrCenaBDPH Decimal; SDPH Yes/No; SazbaDPH Decimal; "
     "TextMJ Text(10); Nakladova Yes/No; PLU Text(6); Zkratka Text(20); Zaok Integer; Marze Decimal; "
     "CenSkupina Text(10); Prepocitat Yes/No; Chyba Yes/No; Identif Text(255); Znacka Date-time; PrCenaSDPH1 "
     "Decimal; PrCenaBDPH1 Decimal; SDPH1 Yes/No; CenHlad1 Text(10); PrCenaSDPH2 Decimal; PrCenaBDPH2 "
     "Decimal; SDPH2 Yes/No; CenHlad2 Text(10); PrCenaSDPH3 Decimal; PrCenaBDPH3 Decimal; SDPH3 Yes/No; "
     "CenHlad3 Text(10); TypHodnoty Integer; Rabat Decimal; Dostupnost Text(1); Obrazek Text(30); RepID "
     "GUID"},
    {"SezIdentif", "ID AutoNumber; Zkratka Text(10); Popis Text(50); Nepouzivat Yes/No"},
    {"CenHlad",
     "ID AutoNumber; Zkratka Text(10); Popis Text(50); Hodnota Decimal; SDPH Yes/No; Prepocitat Yes/No; Zaok "
     "Integer; TypHodnoty Integer; VychCena Integer"},
    {"CenSkup",
     "ID AutoNumber; Popis Text(50); Marze Decimal; Rabat Decimal; SDPH Yes/No; Prepocitat Yes/No; Zkratka "
     "Text(10); Zaok Integer; Vlastni Yes/No; TypHodnoty Integer"},
    {"CenSkupPol",
     "ID AutoNumber; IDCenSkup Integer; Hodnota Decimal; TypHodnoty Integer; VychCena Integer; Prevzato "
     "Yes/No; Zaok Integer; Prepocitat Yes/No; SDPH Yes/No; Zkratka Text(10)"},
    {"Nabidky",
     "ID AutoNumber; Doklad Text(10); Popis Text(50); ZpPlatby Text(20); Doprava Text(20); DatVystaveni "
     "Date-time; DatVyrizeni Date-time; DatPlatnosti Date-time; AdrCislo Integer; AdrNazev Text(50); "
     "AdrUlice Text(30); AdrPsc Text(10); AdrMisto Text(40); AdrICO Text(10); AdrDIC Text(20); Nadpis "
     "Text(50); TextPred Memo; TextZa Memo; Poznamka Memo; AdrKontakt Text(85); IDStav Integer; SazDPHZakl "
     "Decimal; SazDPHSniz Decimal; NabZaok Integer; Celkem Decimal; CelkemBDPH Decimal; Zisk Decimal; "
     "CelkemNC Decimal; CenHladAdr Yes/No; CenHladina Text(10); VytvorID Integer; UpravID Integer; Vytvoril "
     "Text(50); Zamek Yes/No; SazDPHDalsiSniz Money; Archivovano Yes/No; TextKomentare Memo; FlagID Integer; "
     "Zakazka Text(10)"},
    {"NabPolozky",
     "ID AutoNumber; Popis Text(50); Katalog Text(20); BarCode Text(20); Poznamka Memo; Zaok Integer; "
     "CisloKarty Integer; CisloSkladu Integer; CisloSkup Integer; ProdCena Decimal; SDPH Yes/No; SazbaDPH "
     "Decimal; Sleva Decimal; NakCena Decimal; PocetMJ Decimal; MJ Text(10); PCSDPHMJ Decimal; PCBDPHMJ "
     "Decimal; PCSDPHPOL Decimal; PCBDPHPOL Decimal; ZiskMJ Decimal; ZiskPol Decimal; ProdCenaPo Decimal; "
     "VyseDPHMJ Decimal; VyseDPHPol Decimal; Poradi Integer; Nakladova Yes/No; PLU Text(6); Zkratka "
     "Text(20); Marze Decimal; CenHladina Text(10); Rabat Decimal; CisloNab Integer; IgnorHr Yes/No; Identif "
     "Text(255); Nadpisova Yes/No; Textova Yes/No"},
    {"DokumentyNab", "ID AutoNumber; Popis Text(50); Soubor Text(255); CisloNab Integer"},
    {"NabSablony",
     "ID AutoNumber; Zkratka Text(10); Nazev Text(50); TextPred Memo; TextZa Memo; Nadpis Text(50); "
     "AutoPlatnostDo Yes/No; AutoPlatnostPocet Integer"},
    {"Zakazka",
     "ID AutoNumber; Zkratka Text(10); Nazev Text(50); Poznamka Memo; Uzavrena Yes/No; DatumPlanZahajeni "
     "Date-time; DatumZahajeni Date-time; DatumPlanPredani Date-time; DatumPredani Date-time; Hodnoceni "
     "Integer"},
    {"VolnyText", "ID AutoNumber; Nazev Text(50); MemoText Memo"},
    {"CisRady", "ID AutoNumber; PrefixOzn Text(5); Cislo Integer; PocetMist Integer; ModulOzn Text"},
    {"Adresar",
     "ID AutoNumber; Nazev Text(50); Ulice Text(30); Misto Text(40); Psc Text(10); Stat Text(20); ICO "
     "Text(10); Telefon Text(30); Fax Text(30); Email Text(50); WWW Text(50); Poznamka Memo; DIC Text(20); "
     "EANKod Text(20); CenHladina Text(10); Zprava Text(255); Znacka Date-time; RepID GUID"},
    {"Kontakty",
     "ID AutoNumber; TitulPred Text(15); TitulZa Text(20); Prijmeni Text(30); Jmeno Text(20); Ulice "
     "Text(30); PSC Text(10); Misto Text(40); Telefon Text(30); Mobil Text(30); Email Text(50); Poznamka "
     "Memo; Funkce Text(35); Zobrazit Yes/No; CisloAdr Integer; RepID GUID"},
    {"Dokumenty", "ID AutoNumber; Popis Text(50); Soubor Text(255); CisloAdr Integer"},
    {"Import", "ID AutoNumber; TypOperace Integer; Nastaveni Memo; Nazev Text(50); Popis Memo"},
    {"Filtry", "ID AutoNumber; IDModulu Integer; Nazev Text(50); Konfigurace Text(10); Hodnota Memo"},
};

struct TExpectedIndex {
    const char* table;
    const char* name;
    bool unique;
    const char* columns;
};
const TExpectedIndex kFirmIndexes[] = {
    {"Akce", "ObjectTypeAndID", false, "ObjectType,ObjectID"},
    {"Sklady", "RepID", true, "RepID"},
    {"Skupiny", "RepID", true, "RepID"},
    {"Zasoby", "RepID", true, "RepID"},
    {"Zakazka", "Zkratka", true, "Zkratka"},
    {"Adresar", "RepID", true, "RepID"},
    {"Kontakty", "RepID", true, "RepID"},
};

bool TypeMatches(const QString& expected, const QString& actual) {
    if (expected == "Integer") return actual == "Long Integer";
    if (expected == "Text") {
        static const QRegularExpression text("^Text\\((\\d+)\\)$");
        const QRegularExpressionMatch m = text.match(actual);
        return actual == "Memo" || (m.hasMatch() && m.captured(1).toInt() >= 255);
    }
    return expected == actual;
}

void ExpectStructure(TADOConnection& con, const TExpectedTable* begin, const TExpectedTable* end) {
    std::set<QString> expectedNames;
    for (const TExpectedTable* t = begin; t != end; ++t) {
        SCOPED_TRACE(t->name);
        expectedNames.insert(QString(t->name).toUpper());
        const std::vector<TSchemaColumn> columns = con.GetColumns(t->name);
        const QStringList expected = QString(t->columns).split("; ");
        ASSERT_EQ(columns.size(), static_cast<size_t>(expected.size()));
        for (size_t i = 0; i < columns.size(); ++i) {
            const QString name = expected[static_cast<qsizetype>(i)].section(' ', 0, 0);
            const QString type = expected[static_cast<qsizetype>(i)].section(' ', 1);
            EXPECT_EQ(columns[i].ColumnName, name);
            EXPECT_TRUE(TypeMatches(type, columns[i].JetType))
                << name.toStdString() << ": " << columns[i].JetType.toStdString() << " for "
                << type.toStdString();
        }
    }
    std::set<QString> actualNames;
    for (const QString& name : con.GetTableNames()) actualNames.insert(name.toUpper());
    EXPECT_EQ(actualNames, expectedNames);
}

QVariantList Rows(TADOConnection& con, const QString& sql) {
    const std::unique_ptr<TRowset> rows = con.OpenRowset(sql);
    return QVariantList(rows->Values.begin(), rows->Values.end());
}

class DbTemplatesTest : public TempDirTest {};

TEST_F(DbTemplatesTest, MainTemplate) {
    BuildMainTemplate(PathOf("0002.res"));
    EXPECT_FALSE(QFile::exists(PathOf("0002.ldb")));
    TADOConnection con;
    con.Open(PathOf("0002.res"));
    ExpectStructure(con, std::begin(kMainTables), std::end(kMainTables));
    EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{6});
    EXPECT_EQ(Rows(con, "SELECT IDZalohy FROM KonfigTab"), QVariantList{0});
    EXPECT_EQ(con.OpenRowset("SELECT * FROM Login")->RowCount(), 0u);
}

TEST_F(DbTemplatesTest, FirmTemplates) {
    BuildEmptyFirmTemplate(PathOf("0001.res"));
    BuildDemoFirmTemplate(PathOf("0003.res"));
    for (const char* name : {"0001.res", "0003.res"}) {
        SCOPED_TRACE(name);
        TADOConnection con;
        con.Open(PathOf(name));
        ExpectStructure(con, std::begin(kFirmTables), std::end(kFirmTables));
        for (const TExpectedIndex& e : kFirmIndexes) {
            SCOPED_TRACE(std::string(e.table) + "." + e.name);
            bool found = false;
            for (const TSchemaIndex& index : con.GetIndexes(e.table)) {
                if (index.IndexName != e.name) continue;
                found = true;
                EXPECT_EQ(index.Unique, e.unique);
                EXPECT_EQ(index.Columns.join(","), e.columns);
            }
            EXPECT_TRUE(found);
        }
        EXPECT_EQ(Rows(con, "SELECT VerID FROM Verze"), QVariantList{11});
    }

    TADOConnection empty;
    empty.Open(PathOf("0001.res"));
    EXPECT_EQ(empty.OpenRowset("SELECT * FROM CisRady")->RowCount(), 0u);
    EXPECT_EQ(empty.OpenRowset("SELECT * FROM Nastaveni")->RowCount(), 0u);

    TADOConnection demo;
    demo.Open(PathOf("0003.res"));
    // The demonstration offers took the first four numbers of the series.
    EXPECT_EQ(Rows(demo, "SELECT PrefixOzn, Cislo, PocetMist, ModulOzn FROM CisRady"),
              (QVariantList{"NB", 5, 5, "NB"}));
    EXPECT_EQ(Rows(demo, "SELECT Hodnota FROM Nastaveni WHERE IDHodnoty = 1"),
              QVariantList{QString::fromUtf8("DEMO - fiktivní firma")});
    // The demonstration firm has customers to send offers to, each with a contact person.
    EXPECT_EQ(demo.OpenRowset("SELECT * FROM Adresar")->RowCount(), 13u);
    EXPECT_EQ(
        demo.OpenRowset("SELECT * FROM Adresar WHERE ID NOT IN (SELECT CisloAdr FROM Kontakty)")->RowCount(),
        1u);
    // Offers have templates, stored texts and orders to work with.
    EXPECT_EQ(demo.OpenRowset("SELECT * FROM NabSablony")->RowCount(), 3u);
    EXPECT_EQ(demo.OpenRowset("SELECT * FROM VolnyText")->RowCount(), 4u);
    EXPECT_EQ(demo.OpenRowset("SELECT * FROM Zakazka")->RowCount(), 3u);
    EXPECT_EQ(demo.OpenRowset("SELECT * FROM Nabidky WHERE Zakazka = 'BYT-VINOH'")->RowCount(), 1u);
}

}  // namespace
