// The demonstration firm's import definitions. Their texts are written by the same writer the
// definition card uses, so the demonstration shows exactly what a user's own definition holds.
#include "import/DemoImport.h"

#include <memory>

#include "import/ImportDefinition.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Parameters.h"
#include "platform/db/Rowset.h"

namespace {

int IdOf(TADOConnection& con, const char* table, const char* name) {
    TParameters params;
    params.AddParameter("Nazev")->Value = QString::fromUtf8(name);
    const auto rows = con.OpenRowset(QString("SELECT ID FROM %1 WHERE Nazev = :Nazev").arg(table), params);
    return rows && rows->RowCount() > 0 ? rows->Value(0, 0).toInt() : 0;
}

void Insert(TADOConnection& con, int type, const char* name, const char* note, const QString& text) {
    TParameters params;
    params.AddParameter("TypOperace")->Value = type;
    params.AddParameter("Nastaveni")->Value = text;
    params.AddParameter("Nazev")->Value = QString::fromUtf8(name);
    params.AddParameter("Popis")->Value = QString::fromUtf8(note);
    con.Execute(
        "INSERT INTO Import (TypOperace, Nastaveni, Nazev, Popis) VALUES (:TypOperace, :Nastaveni, :Nazev, "
        ":Popis)",
        params);
}

TMappedField Column(const char* name) { return {true, TFieldSource::Column, QString::fromUtf8(name), {}, 0}; }

}  // namespace

void AddDemoImportDefinitions(TADOConnection& firm) {
    TImportDefinition items;
    items.Source = TImportSourceKind::Text;
    items.FileName = "/home/uzivatel/Dokumenty/import/cenik-elektro-velkoobchod.csv";
    items.TableName = "cenik-elektro-velkoobchod#csv";
    items.Porovnavat = true;
    items.RefField = "KATALOG";
    items.RefDBField = QString::fromUtf8("Kód");
    items.CheckNovaPolozka = true;
    items.IDListu = IdOf(firm, "Sklady", "Elektroinstalace");
    items.IDSkup = IdOf(firm, "Skupiny", "Kabely a vodiče");
    items.Items[ifKatalog] = Column("Kód");
    items.Items[ifPopis] = Column("Název");
    items.Items[ifTextMJ] = Column("MJ");
    items.Items[ifNakCena] = Column("Nákupní cena");
    items.Items[ifSazbaDPH] = {true, TFieldSource::Fixed, {}, {}, 21};
    items.CheckNastavNaNove = true;
    items.CheckCenSkup = true;
    items.CenSkupina = "MAT";
    items.CheckPrepocitat = true;
    items.ValuePrepocitat = 0;
    items.ValuePrepocPodle = 0;
    Insert(firm, int(TImportType::Items), "Ceník velkoobchodu Elektro (CSV)",
           "Aktualizace nákupních cen podle katalogového čísla; nové položky se zařadí do skupiny Kabely a "
           "vodiče.",
           WriteImportDefinition(items, TImportType::Items));

    TImportDefinition addresses;
    addresses.Source = TImportSourceKind::Text;
    addresses.FileName = "/home/uzivatel/Dokumenty/import/adresar-ucetnictvi.csv";
    addresses.TableName = "adresar-ucetnictvi#csv";
    addresses.Porovnavat = true;
    addresses.RefField = "ICO";
    addresses.RefDBField = QString::fromUtf8("IČ");
    addresses.CheckNovaPolozka = true;
    addresses.Addresses[afNazev] = Column("Firma");
    addresses.Addresses[afUlice] = Column("Ulice");
    addresses.Addresses[afPSC] = Column("PSČ");
    addresses.Addresses[afMisto] = Column("Obec");
    addresses.Addresses[afICO] = Column("IČ");
    addresses.Addresses[afDIC] = Column("DIČ");
    addresses.Addresses[afTelefon] = Column("Telefon");
    addresses.Addresses[afEmail] = Column("E-mail");
    addresses.Addresses[afStat] = {true, TFieldSource::Fixed, {}, QString::fromUtf8("Česká republika"), 0};
    Insert(firm, int(TImportType::Addresses), "Adresář z účetnictví (CSV)",
           "Synchronizace odběratelů podle IČ s exportem adresáře z ekonomického systému.",
           WriteImportDefinition(addresses, TImportType::Addresses));

    // The accounting program's definition is typed by hand; its text is kept as it stands.
    Insert(firm, int(TImportType::Accounting), "Objednávky z Money",
           "Import přijatých objednávek z ekonomického systému Money.",
           "YearPath=C:\\Money\\Data\\2026\\\r\nAgendaPath=C:\\Money\\Data\\\r\nImportPC=-1\r\nDruhDokl=N");
}
