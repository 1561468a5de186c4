#include "addressbook/DemoAddresses.h"

#include <QString>
#include <QVariant>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "core/Upgrade.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Rowset.h"

namespace {

struct TDemoContact {
    const char* titulPred;
    const char* titulZa;
    const char* prijmeni;
    const char* jmeno;
    const char* funkce;
    const char* mobil;
    const char* email;
    bool zobrazit;
};

struct TDemoAddress {
    const char* nazev;
    const char* ulice;
    const char* psc;
    const char* misto;
    const char* ico;
    const char* dic;  // empty for a firm that is no VAT payer
    const char* telefon;
    const char* email;
    const char* www;
    const char* cenHladina;  // a price level of the demonstration price list, or empty
    const char* zprava;
    const char* poznamka;
    std::initializer_list<TDemoContact> contacts;
};

// Invented firms. Their identification numbers carry valid check digits but were made up: the
// register may know them as other firms or not at all.
const TDemoAddress kAddresses[] = {
    {"Stavby Novák s.r.o.",
     "Vídeňská 89",
     "63900",
     "Brno",
     "27184595",
     "CZ27184595",
     "+420 543 211 870",
     "info@stavby-novak.cz",
     "www.stavby-novak.cz",
     "VO",
     "",
     "Stálý odběratel, stavby rodinných domů v okolí Brna.",
     {{"Ing.", "", "Novák", "Petr", "Jednatel", "+420 603 412 551", "novak@stavby-novak.cz", true},
      {"", "", "Svobodová", "Jana", "Účetní", "+420 731 220 145", "ucetni@stavby-novak.cz", false}}},
    {"ELMONT Ostrava a.s.",
     "Nádražní 112",
     "70200",
     "Ostrava",
     "45631204",
     "CZ45631204",
     "+420 596 118 400",
     "obchod@elmont-ostrava.cz",
     "www.elmont-ostrava.cz",
     "VIP",
     "",
     "",
     {{"Ing.", "", "Kowalczyk", "Tomáš", "Vedoucí nákupu", "+420 602 511 873", "kowalczyk@elmont-ostrava.cz",
       true},
      {"", "", "Mrázek", "Libor", "Stavbyvedoucí", "+420 724 019 338", "mrazek@elmont-ostrava.cz", false},
      {"Bc.", "", "Šťastná", "Lenka", "Asistentka", "+420 596 118 402", "stastna@elmont-ostrava.cz", false}}},
    {"Pekárna U Mlýna s.r.o.",
     "Mlýnská 14",
     "37001",
     "České Budějovice",
     "26908131",
     "CZ26908131",
     "+420 387 422 610",
     "pekarna@umlyna.cz",
     "www.umlyna.cz",
     "",
     "",
     "Rekonstrukce elektroinstalace provozovny plánována na jaro.",
     {{"", "", "Kubát", "Josef", "Majitel", "+420 777 301 662", "kubat@umlyna.cz", true}}},
    {"Hotel Zlatá Hvězda s.r.o.",
     "Masarykovo náměstí 31",
     "58601",
     "Jihlava",
     "60941278",
     "CZ60941278",
     "+420 567 300 900",
     "recepce@zlatahvezda-jihlava.cz",
     "www.zlatahvezda-jihlava.cz",
     "VIP",
     "Fakturovat na centrálu, ne na recepci.",
     "",
     {{"Mgr.", "", "Horáková", "Eva", "Provozní ředitelka", "+420 608 990 112",
       "horakova@zlatahvezda-jihlava.cz", true},
      {"", "", "Beneš", "Martin", "Údržba", "+420 734 556 201", "udrzba@zlatahvezda-jihlava.cz", false}}},
    {"Autoservis Dvořák",
     "Průmyslová 7",
     "30100",
     "Plzeň",
     "73125580",
     "",
     "+420 377 245 118",
     "autoservis.dvorak@seznam.cz",
     "",
     "",
     "Platba pouze předem na účet.",
     "",
     {{"", "", "Dvořák", "Miroslav", "Majitel", "+420 605 778 430", "autoservis.dvorak@seznam.cz", true}}},
    {"Základní škola Komenského Zlín",
     "Komenského 1520",
     "76001",
     "Zlín",
     "70819343",
     "",
     "+420 577 432 100",
     "reditelna@zskomenskeho-zlin.cz",
     "www.zskomenskeho-zlin.cz",
     "",
     "",
     "Příspěvková organizace, objednávky jen písemně.",
     {{"PaeDr.", "", "Machalová", "Alena", "Ředitelka", "+420 577 432 101", "machalova@zskomenskeho-zlin.cz",
       true},
      {"", "", "Pospíšil", "Karel", "Školník", "+420 721 455 903", "", false}}},
    {"Vinařství Pálava s.r.o.",
     "Hlavní 52",
     "69144",
     "Lednice",
     "26049716",
     "CZ26049716",
     "+420 519 340 215",
     "vino@vinarstvi-palava.cz",
     "www.vinarstvi-palava.cz",
     "VO",
     "",
     "",
     {{"Ing.", "Ph.D.", "Hrabal", "Vojtěch", "Jednatel", "+420 606 127 844", "hrabal@vinarstvi-palava.cz",
       true}}},
    {"Bytové družstvo Lipová",
     "Lipová 1204/9",
     "46001",
     "Liberec",
     "48173622",
     "",
     "+420 485 103 377",
     "bd.lipova@volny.cz",
     "",
     "",
     "",
     "Společné prostory domů Lipová 9 až 15.",
     {{"", "", "Jelínek", "František", "Předseda", "+420 732 840 516", "bd.lipova@volny.cz", true},
      {"", "", "Kratochvílová", "Marie", "Místopředsedkyně", "+420 603 220 975", "", false}}},
    {"Truhlářství Procházka",
     "Polní 233",
     "53002",
     "Pardubice",
     "28516095",
     "CZ28516095",
     "+420 466 612 045",
     "truhlarstvi@prochazka-pce.cz",
     "www.prochazka-pce.cz",
     "",
     "",
     "",
     {{"", "", "Procházka", "Jiří", "Majitel", "+420 776 342 190", "truhlarstvi@prochazka-pce.cz", true}}},
    {"Sportovní hala Kroměříž s.r.o.",
     "Obvodová 3924",
     "76701",
     "Kroměříž",
     "64732151",
     "CZ64732151",
     "+420 573 335 660",
     "provoz@halakromeriz.cz",
     "www.halakromeriz.cz",
     "VO",
     "",
     "Osvětlení haly a šaten, revize každé tři roky.",
     {{"Ing.", "", "Zedník", "Radek", "Správce objektu", "+420 731 660 480", "zednik@halakromeriz.cz", true},
      {"", "", "Fialová", "Petra", "Ekonomka", "+420 573 335 661", "fialova@halakromeriz.cz", false}}},
    {"Zahradnictví Horák",
     "Na Výsluní 18",
     "50003",
     "Hradec Králové",
     "27955486",
     "",
     "+420 495 211 734",
     "horak.zahradnictvi@email.cz",
     "",
     "",
     "",
     "",
     {{"", "", "Horák", "Pavel", "Majitel", "+420 608 115 276", "horak.zahradnictvi@email.cz", true}}},
    {"Kavárna Arkáda s.r.o.",
     "Horní náměstí 21",
     "77900",
     "Olomouc",
     "05362911",
     "CZ05362911",
     "+420 585 221 903",
     "arkada@kavarna-arkada.cz",
     "www.kavarna-arkada.cz",
     "",
     "",
     "",
     {{"", "", "Nováková", "Tereza", "Provozní", "+420 737 904 318", "novakova@kavarna-arkada.cz", false},
      {"MUDr.", "", "Veselý", "Ondřej", "Společník", "+420 602 338 017", "vesely@kavarna-arkada.cz", true}}},
    {"Penzion Pod Sněžkou",
     "Pec pod Sněžkou 150",
     "54221",
     "Pec pod Sněžkou",
     "25843176",
     "CZ25843176",
     "+420 499 736 240",
     "info@penzion-podsnezkou.cz",
     "www.penzion-podsnezkou.cz",
     "",
     "",
     "",
     {}},
};

void Run(TADOConnection& con, const QString& sql,
         std::initializer_list<std::pair<const char*, QVariant>> values) {
    TParameters params;
    for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
    con.Execute(sql, params);
}

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

bool ValidIco(const char* ico) {
    if (!ico || std::strlen(ico) != 8) return false;
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        if (ico[i] < '0' || ico[i] > '9') return false;
    for (int i = 0; i < 7; ++i) sum += (ico[i] - '0') * (8 - i);
    const int check = (11 - sum % 11) % 10;
    return ico[7] - '0' == check;
}

void AddDemoAddresses(TADOConnection& con) {
    con.BeginTrans();
    for (const TDemoAddress& a : kAddresses) {
        Run(con,
            "INSERT INTO Adresar (Nazev, Ulice, Psc, Misto, Stat, ICO, DIC, Telefon, Fax, Email, WWW, "
            "Poznamka, "
            "EANKod, Zprava, CenHladina, RepID) VALUES (:Nazev, :Ulice, :Psc, :Misto, :Stat, :ICO, :DIC, "
            ":Telefon, '', :Email, :WWW, :Poznamka, '', :Zprava, :CenHladina, :RepID)",
            {{"Nazev", Text(a.nazev)},
             {"Ulice", Text(a.ulice)},
             {"Psc", Text(a.psc)},
             {"Misto", Text(a.misto)},
             {"Stat", Text("Česká republika")},
             {"ICO", Text(a.ico)},
             {"DIC", Text(a.dic)},
             {"Telefon", Text(a.telefon)},
             {"Email", Text(a.email)},
             {"WWW", Text(a.www)},
             {"Poznamka", Text(a.poznamka)},
             {"Zprava", Text(a.zprava)},
             {"CenHladina", Text(a.cenHladina)},
             {"RepID", NewGuidString()}});
        const int id = con.OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toInt();
        for (const TDemoContact& c : a.contacts) {
            Run(con,
                "INSERT INTO Kontakty (TitulPred, TitulZa, Prijmeni, Jmeno, Ulice, PSC, Misto, Telefon, "
                "Mobil, "
                "Email, Poznamka, Funkce, Zobrazit, CisloAdr, RepID) VALUES (:TitulPred, :TitulZa, "
                ":Prijmeni, "
                ":Jmeno, '', '', '', '', :Mobil, :Email, '', :Funkce, :Zobrazit, :CisloAdr, :RepID)",
                {{"TitulPred", Text(c.titulPred)},
                 {"TitulZa", Text(c.titulZa)},
                 {"Prijmeni", Text(c.prijmeni)},
                 {"Jmeno", Text(c.jmeno)},
                 {"Mobil", Text(c.mobil)},
                 {"Email", Text(c.email)},
                 {"Funkce", Text(c.funkce)},
                 {"Zobrazit", c.zobrazit},
                 {"CisloAdr", id},
                 {"RepID", NewGuidString()}});
        }
    }
    con.CommitTrans();
}
