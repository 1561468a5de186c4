#include "pricelist/DemoPriceList.h"

#include <QString>
#include <QVariant>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "core/Upgrade.h"
#include "exchange/TiskExpCeniku.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Rowset.h"
#include "pricelist/PriceRules.h"

namespace {

struct TDemoItem {
    const char* popis;
    const char* katalog;
    const char* mj;
    double nakCena;   // purchase price without VAT
    double prodejni;  // sale price without VAT
    int sazba;        // VAT rate
    const char* cenSkupina;
    double akce;  // the fixed "AKCE" price without VAT, 0 for none
    const char* identif;
};

struct TDemoGroup {
    const char* nazev;
    const char* kod;
    std::initializer_list<TDemoItem> items;
};

struct TDemoSheet {
    const char* nazev;
    std::initializer_list<TDemoGroup> groups;
};

// Sheets in their tab order; the basic group of each sheet comes first and holds what fits no group.
const TDemoSheet kSheets[] = {
    {"Elektroinstalace",
     {{"# Nezařazeno #", nullptr, {{"Izolační páska PVC 19 mm", "IP-19", "ks", 18.5, 29, 21, "MAT", 0, ""}}},
      {"Kabely a vodiče",
       "KAB",
       {{"Kabel CYKY-J 3x1,5", "CYKY315", "m", 14.2, 21.9, 21, "MAT", 0, "_KABEL_"},
        {"Kabel CYKY-J 3x2,5", "CYKY325", "m", 22.8, 34.5, 21, "MAT", 31.9, "_KABEL_"},
        {"Kabel CYKY-J 5x2,5", "CYKY525", "m", 37.6, 56.9, 21, "MAT", 0, "_KABEL_"},
        {"Vodič CY 6 zelenožlutý", "CY6ZZ", "m", 17.9, 27.5, 21, "MAT", 0, "_KABEL_"},
        {"Kabel UTP Cat.6 LSOH", "UTP6", "m", 9.8, 15.9, 21, "MAT", 0, "_DATA_"},
        {"Trubka ohebná 25 mm", "TO25", "m", 8.4, 13.9, 21, "MAT", 0, ""}}},
      {"Vypínače a zásuvky",
       "VYP",
       {{"Zásuvka jednonásobná bílá", "ZAS1B", "ks", 52, 89, 21, "MAT", 79, "_KOMPONENTA_"},
        {"Zásuvka dvojnásobná bílá", "ZAS2B", "ks", 96, 159, 21, "MAT", 0, "_KOMPONENTA_"},
        {"Vypínač jednopólový bílý", "VYP1B", "ks", 48, 79, 21, "MAT", 0, "_KOMPONENTA_"},
        {"Vypínač střídavý bílý", "VYP6B", "ks", 55, 92, 21, "MAT", 0, "_KOMPONENTA_"},
        {"Rámeček jednonásobný bílý", "RAM1B", "ks", 16, 29, 21, "MAT", 0, ""},
        {"Krabice přístrojová KU 68", "KU68", "ks", 4.9, 9.5, 21, "MAT", 0, ""}}},
      {"Rozvaděče a jištění",
       "ROZ",
       {{"Jistič B16 1pól 6 kA", "JB16", "ks", 78, 129, 21, "MAT", 0, "_KOMPONENTA_"},
        {"Jistič B10 1pól 6 kA", "JB10", "ks", 78, 129, 21, "MAT", 0, "_KOMPONENTA_"},
        {"Proudový chránič 40/4/0,03", "PCH40", "ks", 890, 1390, 21, "MAT", 1250, "_KOMPONENTA_"},
        {"Rozvodnice na omítku 24 modulů", "RN24", "ks", 620, 990, 21, "MAT", 0, "_KOMPONENTA_"},
        {"Svodič přepětí T1+T2", "SPD12", "ks", 2450, 3690, 21, "MAT", 0, "_KOMPONENTA_"}}}}},
    {"Osvětlení",
     {{"# Nezařazeno #", nullptr, {}},
      {"Svítidla",
       "SVI",
       {{"LED panel 60x60 40 W", "LP6040", "ks", 690, 1090, 21, "MAT", 0, "_SVETLO_"},
        {"Přisazené svítidlo IP44 18 W", "PS18", "ks", 420, 690, 21, "MAT", 0, "_SVETLO_"},
        {"Venkovní svítidlo s čidlem", "VSC", "ks", 780, 1290, 21, "MAT", 1150, "_SVETLO_"},
        {"LED pásek 24 V 14,4 W/m", "LEDP24", "m", 95, 169, 21, "MAT", 0, "_SVETLO_"}}},
      {"Zdroje světla",
       "ZDR",
       {{"LED žárovka E27 9 W teplá", "E27-9", "ks", 39, 69, 21, "MAT", 0, "_SVETLO_"},
        {"LED žárovka GU10 5 W", "GU10-5", "ks", 42, 75, 21, "MAT", 0, "_SVETLO_"},
        {"Zdroj pro LED pásek 60 W", "ZLP60", "ks", 410, 650, 21, "MAT", 0, "_SVETLO_"}}}}},
    {"Služby",
     {{"# Nezařazeno #", nullptr, {{"Doprava - paušál Brno", "DOPRAVA", "ks", 0, 450, 21, "STD", 0, ""}}},
      {"Montážní práce",
       "MON",
       {{"Montáž zásuvky nebo vypínače", "M-ZAS", "ks", 0, 180, 21, "STD", 0, "_PRACE_"},
        {"Montáž svítidla", "M-SVI", "ks", 0, 350, 21, "STD", 0, "_PRACE_"},
        {"Pokládka kabelu do lišty", "M-KAB", "m", 0, 45, 21, "STD", 0, "_PRACE_"},
        {"Drážkování zdiva včetně zapravení", "M-DRA", "m", 0, 160, 21, "STD", 0, "_PRACE_"},
        {"Zapojení rozvaděče", "M-ROZ", "hod", 0, 590, 21, "STD", 0, "_PRACE_"},
        {"Elektroinstalace v bytě - hodinová sazba", "M-BYT", "hod", 0, 520, 12, "STD", 0, "_PRACE_"}}},
      {"Revize",
       "REV",
       {{"Revize elektroinstalace bytu", "R-BYT", "ks", 0, 2900, 21, "STD", 0, "_REVIZE_"},
        {"Revize elektroinstalace rodinného domu", "R-RD", "ks", 0, 4900, 21, "STD", 0, "_REVIZE_"},
        {"Revize hromosvodu", "R-HROM", "ks", 0, 3500, 21, "STD", 0, "_REVIZE_"},
        {"Kontrola spotřebiče", "R-SPOT", "ks", 0, 95, 21, "STD", 0, "_REVIZE_"}}}}},
};

struct TDemoLevel {
    const char* zkratka;
    const char* popis;
    double hodnota;
    int typHodnoty;
    int vychCena;
    bool sdph;
    bool prepocitat;
    int zaok;
};

const TDemoLevel kLevels[] = {
    {"VIP", "Stálí zákazníci", 5, TypHodnotySleva, VychCenaProdejni, false, true, ZaokCrowns},
    {"VO", "Velkoodběratelé", 12, TypHodnotySleva, VychCenaProdejni, false, true, ZaokCrowns},
    {"AKCE", "Akční ceny", 0, TypHodnotySleva, VychCenaProdejni, false, false, ZaokCrowns},
};

void Run(TADOConnection& con, const QString& sql,
         std::initializer_list<std::pair<const char*, QVariant>> values) {
    TParameters params;
    for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
    con.Execute(sql, params);
}

int LastId(TADOConnection& con) { return con.OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toInt(); }

// The price with VAT as the item card derives it: rounded as the item (or the fixed level) rounds.
double Gross(double net, int rate, int zaok = ZaokTenths) {
    return static_cast<double>(
        RoundPrice(1, static_cast<uint8_t>(ZaokDecimals(zaok)), CalcVat(false, VatKindGross, net, rate)));
}

void AddLevelsAndGroups(TADOConnection& con) {
    for (const TDemoLevel& l : kLevels) {
        Run(con,
            "INSERT INTO CenHlad (Zkratka, Popis, Hodnota, SDPH, Prepocitat, Zaok, TypHodnoty, VychCena) "
            "VALUES "
            "(:Zkratka, :Popis, :Hodnota, :SDPH, :Prepocitat, :Zaok, :TypHodnoty, :VychCena)",
            {{"Zkratka", l.zkratka},
             {"Popis", QString::fromUtf8(l.popis)},
             {"Hodnota", l.hodnota},
             {"SDPH", l.sdph},
             {"Prepocitat", l.prepocitat},
             {"Zaok", l.zaok},
             {"TypHodnoty", l.typHodnoty},
             {"VychCena", l.vychCena}});
    }
    const auto group = [&](const char* code, const char* name) {
        Run(con,
            "INSERT INTO CenSkup (Popis, Marze, Rabat, SDPH, Prepocitat, Zkratka, Zaok, Vlastni, TypHodnoty) "
            "VALUES "
            "(:Popis, :Marze, :Rabat, :SDPH, :Prepocitat, :Zkratka, :Zaok, :Vlastni, :TypHodnoty)",
            {{"Popis", QString::fromUtf8(name)},
             {"Marze", 0.0},
             {"Rabat", 0.0},
             {"SDPH", false},
             {"Prepocitat", false},
             {"Zkratka", code},
             {"Zaok", ZaokCrowns},
             {"Vlastni", true},
             {"TypHodnoty", 0}});
        return LastId(con);
    };
    const auto rule = [&](int groupId, const TDemoLevel& l, bool takenOver, double hodnota) {
        Run(con,
            "INSERT INTO CenSkupPol (IDCenSkup, Hodnota, TypHodnoty, VychCena, Prevzato, Zaok, Prepocitat, "
            "SDPH, "
            "Zkratka) VALUES (:IDCenSkup, :Hodnota, :TypHodnoty, :VychCena, :Prevzato, :Zaok, :Prepocitat, "
            ":SDPH, "
            ":Zkratka)",
            {{"IDCenSkup", groupId},
             {"Hodnota", hodnota},
             {"TypHodnoty", l.typHodnoty},
             {"VychCena", l.vychCena},
             {"Prevzato", takenOver},
             {"Zaok", l.zaok},
             {"Prepocitat", l.prepocitat},
             {"SDPH", l.sdph},
             {"Zkratka", l.zkratka}});
    };
    // Material: the levels as defined, with a smaller discount for big customers (its margin is
    // thinner), and the fixed sale prices. Work: the regular customers' discount only.
    const int material = group("MAT", "Materiál");
    rule(material, kLevels[0], true, kLevels[0].hodnota);
    rule(material, kLevels[1], false, 8);
    rule(material, kLevels[2], true, kLevels[2].hodnota);
    const int work = group("STD", "Práce a služby");
    rule(work, kLevels[0], true, kLevels[0].hodnota);
}

void AddItem(TADOConnection& con, int sheetId, int groupId, const TDemoItem& item) {
    const double gross = Gross(item.prodejni, item.sazba);
    const double marze = item.nakCena > 0 ? std::round((item.prodejni / item.nakCena - 1) * 10000) / 100 : 0;
    const bool akce = item.akce > 0;
    // The material group prices at the fixed level "AKCE", so its items carry the level's slot even
    // without an action price, as the item card saves them.
    const bool akceSlot = QLatin1String(item.cenSkupina) == QLatin1String("MAT");
    Run(con,
        "INSERT INTO Zasoby (Sklad, Skupina, Popis, Katalog, BarCode, Poznamka, NakCena, PrCenaSDPH, "
        "PrCenaBDPH, SDPH, "
        "SazbaDPH, TextMJ, Nakladova, PLU, Zkratka, Zaok, Marze, CenSkupina, Prepocitat, Chyba, Identif, "
        "PrCenaSDPH1, PrCenaBDPH1, SDPH1, CenHlad1, PrCenaSDPH2, PrCenaBDPH2, SDPH2, CenHlad2, PrCenaSDPH3, "
        "PrCenaBDPH3, SDPH3, CenHlad3, TypHodnoty, Rabat, Dostupnost, Obrazek, RepID) VALUES (:Sklad, "
        ":Skupina, "
        ":Popis, :Katalog, '', '', :NakCena, :PrCenaSDPH, :PrCenaBDPH, False, :SazbaDPH, :TextMJ, False, '', "
        "'', :Zaok, :Marze, :CenSkupina, False, False, :Identif, :PrCenaSDPH1, :PrCenaBDPH1, False, "
        ":CenHlad1, 0, "
        "0, False, '', 0, 0, False, '', 0, 0, :Dostupnost, '', :RepID)",
        {{"Sklad", sheetId},
         {"Skupina", groupId},
         {"Popis", QString::fromUtf8(item.popis)},
         {"Katalog", item.katalog},
         {"NakCena", item.nakCena},
         {"PrCenaSDPH", gross},
         {"PrCenaBDPH", item.prodejni},
         {"SazbaDPH", item.sazba},
         {"TextMJ", item.mj},
         {"Zaok", ZaokTenths},
         {"Marze", marze},
         {"CenSkupina", item.cenSkupina},
         {"Identif", item.identif},
         {"PrCenaSDPH1", akce ? Gross(item.akce, item.sazba, kLevels[2].zaok) : 0.0},
         {"PrCenaBDPH1", akce ? item.akce : 0.0},
         {"CenHlad1", akceSlot ? "AKCE" : ""},
         {"Dostupnost", item.nakCena > 0 ? "S" : ""},
         {"RepID", NewGuidString()}});
}

// Two named print sets of the kind a firm keeps: the dealer price list with the two discount levels
// beside the base price, and the price list of services alone under a title of its own.
void AddDemoPrintPresets(TADOConnection& con, int servicesSheet) {
    TPriceListPrintOptions dealer;
    dealer.Sheets = TSheetChoice::All;
    dealer.Dealer = true;
    dealer.BaseFallback = true;
    dealer.Columns[0] = {QString::fromUtf8(kPriceBase), false, QString::fromUtf8("Základní cena")};
    dealer.Columns[1] = {"VIP", false, QString::fromUtf8("Stálí zákazníci")};
    dealer.Columns[2] = {"VO", false, QString::fromUtf8("Velkoodběratelé")};
    TPriceListPrintOptions services;
    services.Sheets = TSheetChoice::Selected;
    services.CheckedSheets = {servicesSheet};
    services.CustomTitle = true;
    services.TitleText = QString::fromUtf8("Ceník montážních prací a revizí");
    const std::pair<const char*, const TPriceListPrintOptions*> presets[] = {
        {"Dealerský ceník VIP a VO", &dealer}, {"Ceník služeb", &services}};
    for (const auto& [name, options] : presets)
        Run(con,
            "INSERT INTO Filtry (IDModulu, Nazev, Konfigurace, Hodnota) VALUES (1, :Nazev, '', :Hodnota)",
            {{"Nazev", QString::fromUtf8(name)}, {"Hodnota", PriceListPresetText(*options)}});
}

}  // namespace

void AddDemoPriceList(TADOConnection& con) {
    con.BeginTrans();
    int poradi = 0;
    int servicesSheet = 0;
    for (const TDemoSheet& sheet : kSheets) {
        Run(con, "INSERT INTO Sklady (Nazev, Poradi, RepID) VALUES (:Nazev, :Poradi, :RepID)",
            {{"Nazev", QString::fromUtf8(sheet.nazev)}, {"Poradi", ++poradi}, {"RepID", NewGuidString()}});
        const int sheetId = LastId(con);
        if (QString::fromUtf8(sheet.nazev) == QString::fromUtf8("Služby")) servicesSheet = sheetId;
        for (const TDemoGroup& group : sheet.groups) {
            const bool basic = group.kod == nullptr;
            Run(con,
                "INSERT INTO Skupiny (Sklad, Nazev, Kod, Zakladni, RepID) VALUES (:Sklad, :Nazev, :Kod, "
                ":Zakladni, "
                ":RepID)",
                {{"Sklad", sheetId},
                 {"Nazev", QString::fromUtf8(group.nazev)},
                 {"Kod", basic ? QVariant() : QVariant(group.kod)},
                 {"Zakladni", basic},
                 {"RepID", NewGuidString()}});
            const int groupId = LastId(con);
            for (const TDemoItem& item : group.items) AddItem(con, sheetId, groupId, item);
        }
    }
    const auto identifier = [&](const char* code, const char* name) {
        Run(con, "INSERT INTO SezIdentif (Zkratka, Popis, Nepouzivat) VALUES (:Zkratka, :Popis, False)",
            {{"Zkratka", code}, {"Popis", QString::fromUtf8(name)}});
    };
    identifier("KABEL", "Kabely a vodiče");
    identifier("DATA", "Datové rozvody");
    identifier("KOMPONENTA", "Elektroinstalační materiál");
    identifier("SVETLO", "Osvětlení");
    identifier("PRACE", "Montážní práce");
    identifier("REVIZE", "Revize");
    AddLevelsAndGroups(con);
    AddDemoPrintPresets(con, servicesSheet);
    con.CommitTrans();
}
