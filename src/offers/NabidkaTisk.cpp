#include "offers/NabidkaTisk.h"

#include <cmath>
#include <memory>

#include "core/Informace.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "offers/NabidkaSoucty.h"
#include "offers/RozpisIdentif.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/DateFormat.h"
#include "platform/text/NumberFormat.h"
#include "pricelist/PriceRules.h"

namespace {

constexpr const char* kMoney = "# ### ### ##0.00";
constexpr const char* kPercent = "0.00";
constexpr const char* kPoradiIndex = "Poradi";
// The recap sums are kept in 1/10000 of the currency, as the document's amounts are stored.
constexpr long double kRecapScale = 10000.0L;
constexpr const char* kUnknownRateLine = "• %1 (sazba DPH %2 %)";
constexpr const char* kUnknownRateHeading = "Nabídka %1: %2";

// One field of a print table: what report layouts and export files know it by.
struct TPrintField {
    const char* Name;
    TFieldType Type;
    int Size;
    const char* Label;
    const char* Format;
};

const TPrintField kHeaderFields[] = {
    {"Doklad", ftString, 10, "Číslo nabídky", nullptr},
    {"Popis", ftString, 50, "Popis nabídky", nullptr},
    {"ZpPlatby", ftString, 20, "Způsob platby", nullptr},
    {"Doprava", ftString, 20, nullptr, nullptr},
    {"DatVystaveni", ftString, 10, "Datum vystavení", nullptr},
    {"DatVyrizeni", ftString, 10, "Datum vyřízení", nullptr},
    {"DatPlatnosti", ftString, 10, "Datum platnosti", nullptr},
    {"AdrNazev", ftString, 50, "Odběratel - název", nullptr},
    {"AdrUlice", ftString, 30, "Odběratel - ulice", nullptr},
    {"AdrPsc", ftString, 10, "Odběratel - PSČ", nullptr},
    {"AdrMisto", ftString, 40, "Odběratel - místo", nullptr},
    {"AdrICO", ftString, 10, "Odběratel - IČO", nullptr},
    {"AdrDIC", ftString, 20, "Odběratel - DIČ", nullptr},
    {"Nadpis", ftString, 50, "Nadpis dokladu", nullptr},
    {"TextPred", ftMemo, 0, "Text před položkami", nullptr},
    {"TextZa", ftMemo, 0, "Text za položkami", nullptr},
    {"Poznamka", ftMemo, 0, "Poznámka", nullptr},
    {"AdrKontakt", ftString, 85, "Odběratel - kontakt. osoba", nullptr},
    {"Celkem", ftFloat, 0, "Cena celkem s DPH", kMoney},
    {"DodNazev", ftString, 50, "Dodavatel - Název", nullptr},
    {"DodUlice", ftString, 30, "Dodavatel - ulice", nullptr},
    {"DodPSC", ftString, 10, "Dodavatel - PSČ", nullptr},
    {"DodMisto", ftString, 40, "Dodavatel - Místo", nullptr},
    {"DodICO", ftString, 10, "Dodavatel - IČO", nullptr},
    {"DodDIC", ftString, 20, "Dodavatel - DIČ", nullptr},
    {"DodTel", ftString, 40, "Dodavatel - Telefon", nullptr},
    {"DodFax", ftString, 40, "Dodavatel - Fax", nullptr},
    {"DodMobil", ftString, 40, "Dodavatel - Mobil", nullptr},
    {"DodEmail", ftString, 50, "Dodavatel - Email", nullptr},
    {"DodWWW", ftString, 50, "Dodavatel - WWW", nullptr},
    {"CelkemBDPH", ftFloat, 0, "Cena celkem bez DPH", kMoney},
    {"DodStat", ftString, 20, "Dodavatel - Stát", nullptr},
    {"Logo", ftGraphic, 0, "Dodavatel - Logo", nullptr},
    {"CelkemNC", ftFloat, 0, "Nák. cena celkem", kMoney},
    {"Zisk", ftFloat, 0, "Zisk celkem", kMoney},
    {"Vytvoril", ftString, 50, "Vytvořil", nullptr},
    {"Uzivatel", ftString, 50, "Přihlášený uživatel", nullptr},
    {"AdrStat", ftString, 20, "Odběratel - stát", nullptr},
    {"AdrTelefon", ftString, 30, "Odběratel - telefon", nullptr},
    {"AdrFax", ftString, 30, "Odběratel - fax", nullptr},
    {"AdrEmail", ftString, 50, "Odběratel - e-mail", nullptr},
    {"AdrWWW", ftString, 50, "Odběratel - www", nullptr},
    {"AdrPoznamka", ftMemo, 0, "Odběratel - poznámka", nullptr},
    {"AdrEANKod", ftString, 20, "Odběratel - EAN kód", nullptr},
    {"AdrZprava", ftString, 255, "Odběratel - zpráva", nullptr},
    {"ZaklSazbaDPH", ftFloat, 0, "Základní sazba DPH", nullptr},
    {"SnizSazbaDPH", ftFloat, 0, "Snížená sazba DPH", nullptr},
    {"ZakladDPHNula", ftFloat, 0, "Základ DPH v nulové sazbě", kMoney},
    {"ZakladDPHSniz", ftFloat, 0, "Základ DPH ve snížené sazbě", kMoney},
    {"ZakladDPHZakl", ftFloat, 0, "Základ DPH v základní sazbě", kMoney},
    {"DPHSniz", ftFloat, 0, "DPH celk. ve snížené sazbě", kMoney},
    {"DPHZakl", ftFloat, 0, "DPH celk. v základní sazbě", kMoney},
    {"CelkemSDPHSniz", ftFloat, 0, "S DPH celk. ve snížené sazbě", kMoney},
    {"CelkemSDPHZakl", ftFloat, 0, "S DPH celk. v základní sazbě", kMoney},
    {"Zaokrouhleno", ftFloat, 0, "Zaokrouhleno s DPH", kMoney},
    {"Mena", ftString, 4, "Měna", nullptr},
    {"KontaktVytvoril", ftString, 255, "Vytvořil (kontakt)", nullptr},
    {"CelkemVyseSlevyBDPH", ftFloat, 0, "Celkem výše slevy bez DPH", kMoney},
    {"CelkemVyseSlevySDPH", ftFloat, 0, "Celkem výše slevy s DPH", kMoney},
    {"DalsiSnizSazbaDPH", ftFloat, 0, "Další snížená sazba DPH", nullptr},
    {"ZakladDPHDalsiSniz", ftFloat, 0, "Základ DPH v další snížené sazbě", kMoney},
    {"DPHDalsiSniz", ftFloat, 0, "DPH celk. v další snížené sazbě", kMoney},
    {"CelkemSDPHDalsiSniz", ftFloat, 0, "S DPH celk. v další snížené sazbě", kMoney},
    {"TextKomentare", ftMemo, 0, "Komentář", nullptr},
    {"Zakazka", ftString, 10, "Zakázka", nullptr},
};

const TPrintField kItemFields[] = {
    {"Popis", ftString, 50, "Popis položky", nullptr},
    {"Poradi", ftInteger, 0, "Pořadí tisku", nullptr},
    {"Katalog", ftString, 20, nullptr, nullptr},
    {"BarCode", ftString, 20, "Čárový kód", nullptr},
    {"Poznamka", ftMemo, 0, "Poznámka", nullptr},
    {"SazbaDPH", ftFloat, 0, "Sazba DPH", nullptr},
    {"Sleva", ftFloat, 0, "Sleva v %", kPercent},
    {"NakCena", ftFloat, 0, "Nák. cena za mj", kMoney},
    {"PocetMJ", ftFloat, 0, "Počet m.j.", kMoney},
    {"MJ", ftString, 10, "Text m.j.", nullptr},
    {"PCSDPHMJ", ftFloat, 0, "Prod. s DPH za m.j.", kMoney},
    {"PCBDPHMJ", ftFloat, 0, "Prod. bez DPH za m.j.", kMoney},
    {"PCSDPHPOL", ftFloat, 0, "Prod. s DPH za pol.", kMoney},
    {"PCBDPHPOL", ftFloat, 0, "Prod. bez DPH za pol.", kMoney},
    {"ZiskMJ", ftFloat, 0, "Zisk za m.j.", kMoney},
    {"ZiskPol", ftFloat, 0, "Zisk za pol.", kMoney},
    {"VyseDPHMJ", ftFloat, 0, "Výše DPH za m.j.", kMoney},
    {"VyseDPHPol", ftFloat, 0, "Výše DPH za pol.", kMoney},
    {"PLU", ftString, 6, nullptr, nullptr},
    {"Zkratka", ftString, 20, nullptr, nullptr},
    {"ProdCena", ftFloat, 0, "Prodejní cena", kMoney},
    {"NakCenaPol", ftFloat, 0, "Nák. cena za pol.", kMoney},
    {"Marze", ftFloat, 0, "Marže", kMoney},
    {"Rabat", ftFloat, 0, nullptr, kMoney},
    {"IDKarty", ftInteger, 0, "ID karty", nullptr},
    {"IDListu", ftInteger, 0, "ID listu", nullptr},
    {"IDSkupiny", ftInteger, 0, "ID skupiny", nullptr},
    {"CenHladina", ftString, 10, "Cenová hladina", nullptr},
    {"Identif", ftString, 255, nullptr, nullptr},
    {"Obrazek", ftString, 255, nullptr, nullptr},
    {"Mena", ftString, 4, "Měna", nullptr},
    {"Nadpisova", ftBoolean, 0, nullptr, nullptr},
    {"Textova", ftBoolean, 0, nullptr, nullptr},
    {"VyseSlBDPHCelk", ftFloat, 0, "Výše slevy bez DPH za položku", kMoney},
    {"VyseSlSDPHCelk", ftFloat, 0, "Výše slevy s DPH za položku", kMoney},
};

const TPrintField kSubtotalFields[] = {
    {"Nadpis", ftString, 50, nullptr, nullptr}, {"NCBDPH", ftFloat, 0, nullptr, kMoney},
    {"PCBDPH", ftFloat, 0, nullptr, kMoney},    {"PCSDPH", ftFloat, 0, nullptr, kMoney},
    {"Zisk", ftFloat, 0, nullptr, kMoney},
};

const TPrintField kOfferListFields[] = {
    {"Doklad", ftString, 10, "Číslo dokladu", nullptr},
    {"Popis", ftString, 50, "Popis dokladu", nullptr},
    {"ZpPlatby", ftString, 20, "Způsob platby", nullptr},
    {"Doprava", ftString, 20, nullptr, nullptr},
    {"DatVyst", ftDate, 0, "Datum vystavení", nullptr},
    {"DatVyrizeni", ftDate, 0, "Datum vyřízení", nullptr},
    {"DatPlat", ftDate, 0, "Datum platnosti", nullptr},
    {"AdrNazev", ftString, 50, "Odběratel - název", nullptr},
    {"AdrUlice", ftString, 30, "Odběratel - ulice", nullptr},
    {"AdrPsc", ftString, 10, "Odběratel - PSČ", nullptr},
    {"AdrMisto", ftString, 40, "Odběratel - místo", nullptr},
    {"AdrICO", ftString, 10, "Odběratel - IČO", nullptr},
    {"AdrDIC", ftString, 20, "Odběratel - DIČ", nullptr},
    {"Poznamka", ftMemo, 0, "Poznámka", nullptr},
    {"AdrKontakt", ftString, 85, "Odběratel - kontakt", nullptr},
    {"CelkemSDPH", ftFloat, 0, "Celkem s DPH", nullptr},
    {"CelkemBDPH", ftFloat, 0, "Celkem bez DPH", nullptr},
    {"Vytvoril", ftString, 50, "Vytvořil", nullptr},
    {"Mena", ftString, 4, "Měna", nullptr},
    {"Zakazka", ftString, 10, nullptr, nullptr},
};

const TPrintField kOfferListHeaderFields[] = {
    {"FaNazev", ftString, 50, nullptr, nullptr},   {"CelkemBDPH", ftFloat, 0, nullptr, nullptr},
    {"CelkemSDPH", ftFloat, 0, nullptr, nullptr},  {"Uzivatel", ftString, 50, nullptr, nullptr},
    {"SymbolMeny", ftString, 4, nullptr, nullptr},
};

template <size_t N>
void CreatePrintTable(TMemTable& table, const TPrintField (&fields)[N]) {
    TFieldDefs& defs = table.FieldDefs();
    defs.Clear();
    for (const TPrintField& f : fields) defs.Add(QString::fromUtf8(f.Name), f.Type, f.Size);
    table.CreateTable();
    for (const TPrintField& f : fields) {
        TField* field = table.FieldByName(QString::fromUtf8(f.Name));
        if (f.Label) field->SetDisplayLabel(QString::fromUtf8(f.Label));
        if (f.Format) field->SetDisplayFormat(QString::fromUtf8(f.Format));
    }
}

// A date column as the reports print it: short-date text, empty when the date is not set.
QString DateText(const TField* field) { return field->IsNull() ? QString() : DateToStr(field->AsDateTime()); }

// value × 10000 + sum, rounded half to even: the recap never carries more than four decimals, so
// a long offer cannot drift from what its items show.
qint64 AddToRecap(qint64 sum, long double value) {
    return static_cast<qint64>(std::nearbyintl(value * kRecapScale + static_cast<long double>(sum)));
}

// The recap of one VAT class: base, VAT and total with VAT, in 1/10000.
struct TRecapClass {
    qint64 Base = 0;
    qint64 Vat = 0;
    qint64 Gross = 0;
};

struct TRecap {
    TRecapClass Basic, Reduced, Further;
    qint64 ZeroBase = 0;
};

double FromRecap(qint64 sum) { return static_cast<double>(static_cast<long double>(sum) / kRecapScale); }

// Closes the scratch query on every way out, a database error included.
struct TScratchQuery {
    TADOQuery& Query;
    ~TScratchQuery() { Query.Close(); }
    void Open(const QString& sql) {
        Query.Close();
        Query.SetSQL(sql);
        Query.Open();
    }
};

QStringList g_problems;

void FillHeader(TMemTable& header, TDataSet& offer, TScratchQuery& scratch) {
    header.Close();
    header.Open();
    header.Append();
    auto set = [&](const char* name, const QVariant& value) {
        header.FieldByName(QString::fromUtf8(name))->SetValue(value);
    };
    auto text = [&](const char* name) { return offer.FieldByName(QString::fromUtf8(name))->AsString(); };
    auto number = [&](const char* name) { return offer.FieldByName(QString::fromUtf8(name))->AsFloat(); };
    for (const char* name : {"Doklad", "Popis", "ZpPlatby", "Doprava", "AdrNazev", "AdrUlice", "AdrPsc",
                             "AdrMisto", "AdrICO", "AdrDIC", "Nadpis", "TextPred", "TextZa", "Poznamka",
                             "AdrKontakt", "Vytvoril", "TextKomentare", "Zakazka"})
        set(name, text(name));
    for (const char* name : {"DatVystaveni", "DatVyrizeni", "DatPlatnosti"})
        set(name, DateText(offer.FieldByName(QString::fromUtf8(name))));
    set("Celkem", number("Celkem"));
    set("CelkemBDPH", number("CelkemBDPH"));
    const bool purchase = CurrentUser.NakupniCeny_AR;
    set("CelkemNC", purchase ? number("CelkemNC") : 0.0);
    set("Zisk", purchase ? number("Zisk") : 0.0);
    set("ZaklSazbaDPH", number("SazDPHZakl"));
    set("SnizSazbaDPH", number("SazDPHSniz"));
    set("DalsiSnizSazbaDPH", number("SazDPHDalsiSniz"));

    set("DodNazev", FirmName);
    set("DodUlice", FirmStreet);
    set("DodPSC", FirmPostalCode);
    set("DodMisto", FirmTown);
    set("DodICO", FirmICO);
    set("DodDIC", FirmDIC);
    set("DodTel", FirmPhone);
    set("DodFax", FirmFax);
    set("DodMobil", FirmMobile);
    set("DodEmail", FirmEmail);
    set("DodWWW", FirmWeb);
    set("DodStat", FirmCountry);
    set("Mena", CurrencySymbol);
    if (!FirmLogoData.isEmpty()) set("Logo", FirmLogoData);
    set("Uzivatel", CurrentUser.Jmeno);
    set("KontaktVytvoril", CurrentUser.GetUserInfo(offer.FieldByName("VytvorID")->AsInteger()));

    // A typed customer, or one deleted from the address book since, leaves the address fields empty.
    scratch.Open(QStringLiteral("SELECT * FROM Adresar WHERE ID = %1")
                     .arg(offer.FieldByName("AdrCislo")->AsInteger()));
    TADOQuery& address = scratch.Query;
    if (!address.IsEmpty()) {
        const std::pair<const char*, const char*> kAddressFields[] = {
            {"AdrStat", "Stat"},     {"AdrTelefon", "Telefon"}, {"AdrFax", "Fax"},
            {"AdrEmail", "Email"},   {"AdrWWW", "WWW"},         {"AdrPoznamka", "Poznamka"},
            {"AdrEANKod", "EANKod"}, {"AdrZprava", "Zprava"},
        };
        for (const auto& [target, source] : kAddressFields)
            set(target, address.FieldByName(QString::fromUtf8(source))->AsString());
    }
    address.Close();
    header.Post();
}

void AddItemRow(TMemTable& items, TDataSet& row, long double& discountNet, long double& discountGross) {
    const bool purchase = CurrentUser.NakupniCeny_AR;
    auto source = [&](const char* name) { return row.FieldByName(QString::fromUtf8(name)); };
    items.Append();
    auto set = [&](const char* name, const QVariant& value) {
        items.FieldByName(QString::fromUtf8(name))->SetValue(value);
    };
    for (const char* name :
         {"Popis", "Katalog", "BarCode", "Poznamka", "MJ", "PLU", "Zkratka", "CenHladina", "Identif"})
        set(name, source(name)->AsString());
    for (const char* name : {"SazbaDPH", "Sleva", "PocetMJ", "PCSDPHMJ", "PCBDPHMJ", "PCSDPHPOL", "PCBDPHPOL",
                             "VyseDPHMJ", "VyseDPHPol", "ProdCena", "Marze", "Rabat"})
        set(name, source(name)->AsFloat());
    for (const char* name : {"NakCena", "ZiskMJ", "ZiskPol"})
        set(name, purchase ? source(name)->AsFloat() : 0.0);
    set("NakCenaPol", purchase ? source("NakCena")->AsFloat() * source("PocetMJ")->AsFloat() : 0.0);
    set("Poradi", source("Poradi")->AsInteger());
    set("IDKarty", source("CisloKarty")->AsInteger());
    set("IDListu", source("CisloSkladu")->AsInteger());
    set("IDSkupiny", source("CisloSkup")->AsInteger());
    set("Nadpisova", source("Nadpisova")->AsBoolean());
    set("Textova", source("Textova")->AsBoolean());
    set("Mena", CurrencySymbol);
    set("Obrazek", QString());

    const TItemDiscount discount = OfferItemDiscount(row);
    set("VyseSlBDPHCelk", static_cast<double>(discount.Net));
    set("VyseSlSDPHCelk", static_cast<double>(discount.Gross));
    discountNet += discount.Net;
    discountGross += discount.Gross;
    items.Post();
}

// Each item counts in one class of the recap, the class the offer totals put it in, so equal
// rates cannot count it twice. An item whose rate is none of the offer's counts nowhere and is
// reported, since its amount then shows up only as a rounding difference.
void AddToRecap(TRecap& recap, TDataSet& row, double basic, double reduced, double further,
                const QString& offerNumber) {
    const double rate = row.FieldByName("SazbaDPH")->AsFloat();
    const long double base = row.FieldByName("PCBDPHPOL")->AsFloat();
    const long double vat = row.FieldByName("VyseDPHPol")->AsFloat();
    const long double gross = row.FieldByName("PCSDPHPOL")->AsFloat();
    auto add = [&](TRecapClass& c) {
        c.Base = AddToRecap(c.Base, base);
        c.Vat = AddToRecap(c.Vat, vat);
        c.Gross = AddToRecap(c.Gross, gross);
    };
    switch (OfferVatClass(rate, basic, reduced, further)) {
        case TVatClass::Basic:
            add(recap.Basic);
            break;
        case TVatClass::Reduced:
            add(recap.Reduced);
            break;
        case TVatClass::FurtherReduced:
            add(recap.Further);
            break;
        case TVatClass::Zero:
            recap.ZeroBase = AddToRecap(recap.ZeroBase, base);
            break;
        case TVatClass::None:
            if (g_problems.isEmpty())
                g_problems << QString::fromUtf8(kUnknownRateHeading)
                                  .arg(offerNumber, QString::fromUtf8(kUnknownVatRateText));
            g_problems << QString::fromUtf8(kUnknownRateLine)
                              .arg(row.FieldByName("Popis")->AsString(), FormatFloat("0.##", rate));
            break;
    }
}

void SetPictures(TMemTable& items, TScratchQuery& scratch) {
    if (!LoadPicturesForPrint) return;
    for (items.First(); !items.Eof(); items.Next()) {
        const int card = items.FieldByName("IDKarty")->AsInteger();
        if (card == 0) continue;
        scratch.Open(QStringLiteral("SELECT * FROM Zasoby WHERE ID = %1").arg(card));
        const QString picture =
            scratch.Query.IsEmpty() ? QString() : scratch.Query.FieldByName("Obrazek")->AsString();
        if (picture.isEmpty()) continue;
        items.Edit();
        items.FieldByName("Obrazek")->SetAsString(PictureFolder + picture);
        items.Post();
    }
    scratch.Query.Close();
}

void FillSubtotals(TMemTable& subtotals, TMemTable& items) {
    subtotals.Close();
    subtotals.Open();
    const bool purchase = CurrentUser.NakupniCeny_AR;
    bool headingRow = false;
    for (items.First(); !items.Eof(); items.Next()) {
        auto value = [&](const char* name) { return items.FieldByName(QString::fromUtf8(name))->AsFloat(); };
        if (items.FieldByName("Nadpisova")->AsBoolean()) {
            subtotals.Append();
            subtotals.FieldByName("Nadpis")->SetAsString(items.FieldByName("Popis")->AsString());
            for (const char* sum : {"NCBDPH", "PCBDPH", "PCSDPH", "Zisk"})
                subtotals.FieldByName(QString::fromUtf8(sum))->SetAsFloat(0);
            subtotals.Post();
            headingRow = true;
            continue;
        }
        if (items.FieldByName("Textova")->AsBoolean() || !headingRow) continue;
        subtotals.Last();
        subtotals.Edit();
        auto add = [&](const char* name, double amount) {
            TField* f = subtotals.FieldByName(QString::fromUtf8(name));
            f->SetAsFloat(f->AsFloat() + amount);
        };
        add("PCBDPH", value("PCBDPHPOL"));
        add("PCSDPH", value("PCSDPHPOL"));
        if (purchase) {
            add("NCBDPH", value("NakCena") * value("PocetMJ"));
            add("Zisk", value("ZiskPol"));
        }
        subtotals.Post();
    }
}

void ReportProblems() {
    if (g_problems.isEmpty()) return;
    // The window is made at start-up; a run without one (a tool, a test) still shows the list.
    std::unique_ptr<TfrmInformace> own;
    TfrmInformace* window = TfrmInformace::Instance();
    if (!window) {
        own = std::make_unique<TfrmInformace>();
        window = own.get();
    }
    window->Clear();
    for (const QString& line : g_problems) window->AddLine(line);
    window->ShowModal();
}

}  // namespace

TOfferPrintTables::TOfferPrintTables() {
    CreatePrintTable(mtHlavickaNab, kHeaderFields);
    CreatePrintTable(mtPolozkyNab, kItemFields);
    mtPolozkyNab.AddIndex(QString::fromUtf8(kPoradiIndex), "Poradi");
    mtPolozkyNab.SetIndexName(QString::fromUtf8(kPoradiIndex));
    CreatePrintTable(mtNadpisoveSoucty, kSubtotalFields);
    CreatePrintTable(mtSeznamNab, kOfferListFields);
    CreatePrintTable(mtHlavNab, kOfferListHeaderFields);
}

TOfferPrintTables& OfferPrintTables() {
    static TOfferPrintTables tables;
    return tables;
}

const QStringList& LastOfferPrintProblems() { return g_problems; }

int BuildOfferPrintData() {
    TOfferPrintTables& t = OfferPrintTables();
    TDataSet& offer = frmMain->adqNabidky;
    TScratchQuery scratch{frmMain->adqAgendaFree1};
    g_problems.clear();

    FillHeader(t.mtHlavickaNab, offer, scratch);
    TMemTable& header = t.mtHlavickaNab;
    const double basic = header.FieldByName("ZaklSazbaDPH")->AsFloat();
    const double reduced = header.FieldByName("SnizSazbaDPH")->AsFloat();
    const double further = header.FieldByName("DalsiSnizSazbaDPH")->AsFloat();
    const QString number = header.FieldByName("Doklad")->AsString();

    TMemTable& items = t.mtPolozkyNab;
    items.Close();
    items.Open();
    items.SetIndexesActive(false);
    TRecap recap;
    long double discountNet = 0, discountGross = 0;
    scratch.Open(QStringLiteral("SELECT * FROM NabPolozky WHERE CisloNab = %1")
                     .arg(offer.FieldByName("ID")->AsInteger()));
    TADOQuery& rows = scratch.Query;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        // A cost item is priced into the recap but never printed.
        AddToRecap(recap, rows, basic, reduced, further, number);
        if (!rows.FieldByName("Nakladova")->AsBoolean()) AddItemRow(items, rows, discountNet, discountGross);
    }
    rows.Close();
    SetPictures(items, scratch);

    header.Edit();
    auto set = [&](const char* name, double value) {
        header.FieldByName(QString::fromUtf8(name))->SetAsFloat(value);
    };
    set("ZakladDPHNula", FromRecap(recap.ZeroBase));
    set("ZakladDPHSniz", FromRecap(recap.Reduced.Base));
    set("DPHSniz", FromRecap(recap.Reduced.Vat));
    set("CelkemSDPHSniz", FromRecap(recap.Reduced.Gross));
    set("ZakladDPHZakl", FromRecap(recap.Basic.Base));
    set("DPHZakl", FromRecap(recap.Basic.Vat));
    set("CelkemSDPHZakl", FromRecap(recap.Basic.Gross));
    set("ZakladDPHDalsiSniz", FromRecap(recap.Further.Base));
    set("DPHDalsiSniz", FromRecap(recap.Further.Vat));
    set("CelkemSDPHDalsiSniz", FromRecap(recap.Further.Gross));
    const long double classes = static_cast<long double>(recap.Basic.Gross) + recap.Reduced.Gross +
                                recap.ZeroBase + recap.Further.Gross;
    const long double total = static_cast<long double>(header.FieldByName("Celkem")->AsFloat()) * kRecapScale;
    set("Zaokrouhleno", static_cast<double>(std::nearbyintl(total - classes) / kRecapScale));
    set("CelkemVyseSlevyBDPH", static_cast<double>(discountNet));
    set("CelkemVyseSlevySDPH", static_cast<double>(discountGross));
    header.Post();

    items.SetIndexesActive(true);
    ShowIdentifierBreakdown(0);
    FillSubtotals(t.mtNadpisoveSoucty, items);
    items.First();
    ReportProblems();
    return 0;
}
