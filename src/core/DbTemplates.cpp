#include "core/DbTemplates.h"

#include <QFile>

#include "addressbook/DemoAddresses.h"
#include "addressbook/PscData.h"
#include "core/DbSchema.h"
#include "import/DemoImport.h"
#include "offers/DemoOfferExtras.h"
#include "offers/DemoOffers.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"
#include "pricelist/DemoPriceList.h"

namespace {

const char* const kDemoFirmName = "DEMO - fiktivní firma";
const char* const kFirmNameDescription = "Firma - název";

void Insert(TADOConnection& con, const QString& sql,
            std::initializer_list<std::pair<const char*, QVariant>> values) {
    TParameters params;
    for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
    con.Execute(sql, params);
}

// A database with every table of the structure and its version row, left open on `con`.
void CreateStructure(TADOConnection& con, const QString& path, const std::vector<TTableDef>& tables,
                     int version) {
    QFile::remove(path);
    TADOConnection::CreateDatabase(path);
    con.Open(path);
    con.BeginTrans();
    for (const TTableDef& table : tables)
        for (const QString& statement : CreateTableStatements(table)) con.Execute(statement);
    Insert(con, "INSERT INTO Verze (VerID) VALUES (:VerID)", {{"VerID", version}});
    con.CommitTrans();
}

// A template is a file to copy, not an open database: no presence file is left beside it.
void Finish(TADOConnection& con, const QString& path) {
    con.Close();
    ProbePresence(PresenceFileOf(path));
}

}  // namespace

void BuildEmptyFirmTemplate(const QString& path) {
    // A new firm gets its number series and its name when it is first opened, and its first
    // price-list sheet then too.
    TADOConnection con;
    CreateStructure(con, path, FirmDbTables(), ExpectedFirmDbVersion);
    Finish(con, path);
}

void BuildMainTemplate(const QString& path) {
    // No user yet: the first start runs with every right until users are set up. The backup
    // counter lives in the first row of KonfigTab.
    TADOConnection con;
    CreateStructure(con, path, MainDbTables(), ExpectedMainDbVersion);
    Insert(con, "INSERT INTO KonfigTab (IDZalohy) VALUES (:IDZalohy)", {{"IDZalohy", 0}});
    AddShippedPostalCodes(con);
    Finish(con, path);
}

void BuildDemoFirmTemplate(const QString& path) {
    // It comes with a price list of its own, so opening it makes no first sheet.
    TADOConnection con;
    CreateStructure(con, path, FirmDbTables(), ExpectedFirmDbVersion);
    con.BeginTrans();
    // The demonstration firm looks like a real small firm, so its offers print as a customer would see
    // them; the values are invented.
    const struct {
        int id;
        const char* description;
        const char* value;
    } kDemoSettings[] = {
        {1, kFirmNameDescription, kDemoFirmName},
        {2, "Firma - ulice", "Průmyslová 1428/7"},
        {3, "Firma - PSČ", "60200"},
        {4, "Firma - místo", "Brno"},
        {5, "Firma - stát", "Česká republika"},
        {6, "Firma - IČO", "12345678"},
        {7, "Firma - DIČ", "CZ12345678"},
        {8, "Firma - telefon", "+420 541 123 456"},
        {10, "Firma - mobil", "+420 603 123 456"},
        {11, "Firma - e-mail", "obchod@demo-firma.cz"},
        {12, "Firma - internet", "www.demo-firma.cz"},
        {13, "Základní sazba DPH", "21"},
        {14, "Snížená sazba DPH", "12"},
        {18, "Symbol domácí měny", "Kč"},
    };
    for (const auto& setting : kDemoSettings)
        Insert(con, "INSERT INTO Nastaveni (IDHodnoty, Hodnota, Popis) VALUES (:IDHodnoty, :Hodnota, :Popis)",
               {{"IDHodnoty", setting.id},
                {"Hodnota", QString::fromUtf8(setting.value)},
                {"Popis", QString::fromUtf8(setting.description)}});
    Insert(
        con,
        "INSERT INTO CisRady (PrefixOzn, Cislo, PocetMist, ModulOzn) VALUES (:PrefixOzn, :Cislo, :PocetMist, "
        ":ModulOzn)",
        {{"PrefixOzn", "NB"}, {"Cislo", 1}, {"PocetMist", 5}, {"ModulOzn", "NB"}});
    con.CommitTrans();
    AddDemoPriceList(con);
    AddDemoAddresses(con);
    AddDemoOffers(con);
    AddDemoOfferExtras(con);
    AddDemoImportDefinitions(con);
    Finish(con, path);
}
