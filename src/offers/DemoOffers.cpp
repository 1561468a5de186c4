#include "offers/DemoOffers.h"

#include <QString>
#include <QVariant>
#include <initializer_list>
#include <utility>

#include "offers/CiselneRady.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaSoucty.h"
#include "offers/PolozkaNab.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Rowset.h"
#include "pricelist/PriceRules.h"

namespace {

// The firm's rates when the offers were made.
constexpr double kBasicRate = 21;
constexpr double kReducedRate = 12;

struct TDemoLine {
    const char* katalog;  // price-list item; nullptr for a heading
    const char* heading;
    double quantity;
    double discount;
};

struct TDemoOffer {
    const char* popis;
    TOfferState state;
    QDate issued;
    int validDays;
    int settledAfter;  // days after issue; settled states only
    const char* nazev;
    const char* kontakt;
    const char* ulice;
    const char* psc;
    const char* misto;
    const char* ico;
    const char* dic;
    const char* platba;
    const char* doprava;
    const char* poznamka;
    std::initializer_list<TDemoLine> lines;
};

const TDemoOffer kOffers[] = {
    {"Elektroinstalace bytu 3+1",
     TOfferState::Sent,
     QDate(2026, 10, 5),
     30,
     0,
     "Stavby Novák s.r.o.",
     "Ing. Petr Novák",
     "Vídeňská 89",
     "63900",
     "Brno",
     "27184595",
     "CZ27184595",
     "převodem",
     "vlastní",
     "Rekonstrukce bytu Vinohradská 14, termín dle dohody.",
     {{nullptr, "Materiál", 0, 0},
      {"CYKY315", nullptr, 120, 0},
      {"CYKY325", nullptr, 45, 0},
      {"ZAS2B", nullptr, 14, 0},
      {"VYP1B", nullptr, 8, 0},
      {"KU68", nullptr, 22, 0},
      {nullptr, "Práce", 0, 0},
      {"M-ZAS", nullptr, 22, 0},
      {"M-DRA", nullptr, 35, 0},
      {"R-BYT", nullptr, 1, 0}}},
    {"Osvětlení chodeb a recepce",
     TOfferState::InPreparation,
     QDate(2026, 11, 18),
     21,
     0,
     "Hotel Zlatá Hvězda s.r.o.",
     "Mgr. Eva Horáková",
     "Masarykovo náměstí 31",
     "58601",
     "Jihlava",
     "60941278",
     "CZ60941278",
     "převodem",
     "přepravní službou",
     "",
     {{"LP6040", nullptr, 16, 5},
      {"PS18", nullptr, 4, 0},
      {"M-SVI", nullptr, 20, 0},
      {"DOPRAVA", nullptr, 1, 0}}},
    {"Nový rozvaděč rodinného domu",
     TOfferState::Accepted,
     QDate(2026, 9, 14),
     30,
     9,
     "Jan Dvořák",
     "Jan Dvořák",
     "Brněnská 27",
     "66451",
     "Šlapanice",
     "",
     "",
     "hotově",
     "vlastní",
     "Zákazník požaduje montáž v sobotu.",
     {{"RN24", nullptr, 1, 0},
      {"JB16", nullptr, 8, 0},
      {"JB10", nullptr, 4, 0},
      {"PCH40", nullptr, 1, 0},
      {"SPD12", nullptr, 1, 0},
      {"M-ROZ", nullptr, 6, 0},
      {"R-RD", nullptr, 1, 0}}},
    {"Revize hromosvodu a spotřebičů",
     TOfferState::NoResponse,
     QDate(2026, 8, 3),
     14,
     40,
     "Pekárna U Mlýna s.r.o.",
     "Josef Kubát",
     "Mlýnská 14",
     "37001",
     "České Budějovice",
     "26908131",
     "CZ26908131",
     "převodem",
     "vlastní",
     "",
     {{"R-HROM", nullptr, 1, 0}, {"R-SPOT", nullptr, 18, 0}, {"DOPRAVA", nullptr, 1, 0}}},
};

TParameters Params(std::initializer_list<std::pair<const char*, QVariant>> values) {
    TParameters params;
    for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
    return params;
}

// The item row as the item card would write it: the item's base sale price, the offer's
// discount, and everything the calculators derive from them.
void AddPriceLine(TMemTable& items, const TRowset& item, const TDemoLine& line, int order) {
    auto col = [&](const char* name) {
        for (size_t c = 0; c < item.Columns.size(); ++c)
            if (item.Columns[c].Name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return item.Value(0, c);
        return QVariant();
    };
    TOfferItemCalc calc;
    const double rate = col("SazbaDPH").toDouble();
    calc.VatRates = {VatRateText(rate)};
    calc.VatIndex = 0;
    calc.Zaok = col("Zaok").toInt();
    calc.WithVat = false;
    calc.Set(TItemValue::NakCena, col("NakCena").toDouble());
    calc.Set(TItemValue::ProdCena, col("PrCenaBDPH").toDouble());
    calc.Set(TItemValue::PocetMJ, line.quantity);
    calc.Set(TItemValue::Sleva, line.discount);
    calc.RecalcMargin(false);
    calc.RecalcRabat(false);
    calc.RecalcDiscount();
    items.Append();
    auto set = [&](const char* name, const QVariant& value) { items.FieldByName(name)->SetValue(value); };
    auto num = [&](const char* name, TItemValue v) { set(name, static_cast<double>(calc.Get(v))); };
    for (const char* text : {"Popis", "Katalog", "BarCode", "Poznamka", "PLU", "Zkratka", "Identif"})
        set(text, col(text).toString());
    set("MJ", col("TextMJ").toString());
    set("Zaok", calc.Zaok);
    set("CisloKarty", col("ID").toInt());
    set("CisloSkladu", col("Sklad").toInt());
    set("CisloSkup", col("Skupina").toInt());
    for (const auto& [name, v] :
         std::initializer_list<std::pair<const char*, TItemValue>>{{"NakCena", TItemValue::NakCena},
                                                                   {"ProdCena", TItemValue::ProdCena},
                                                                   {"Sleva", TItemValue::Sleva},
                                                                   {"PocetMJ", TItemValue::PocetMJ},
                                                                   {"Marze", TItemValue::Marze},
                                                                   {"Rabat", TItemValue::Rabat},
                                                                   {"ProdCenaPo", TItemValue::ProdCenaPo},
                                                                   {"PCBDPHMJ", TItemValue::PCBDPHMJ},
                                                                   {"PCSDPHMJ", TItemValue::PCSDPHMJ},
                                                                   {"VyseDPHMJ", TItemValue::VyseDPHMJ},
                                                                   {"PCBDPHPOL", TItemValue::PCBDPHPOL},
                                                                   {"PCSDPHPOL", TItemValue::PCSDPHPOL},
                                                                   {"VyseDPHPol", TItemValue::VyseDPHPol},
                                                                   {"ZiskMJ", TItemValue::ZiskMJ},
                                                                   {"ZiskPol", TItemValue::ZiskPol}})
        num(name, v);
    set("SDPH", false);
    set("SazbaDPH", rate);
    set("Poradi", order);
    set("CenHladina", QString());
    for (const char* flag : {"Nakladova", "IgnorHr", "Nadpisova", "Textova"}) set(flag, false);
    set("LockID", kNotStored);
    items.Post();
}

void AddHeading(TMemTable& items, const char* text, int order) {
    items.Append();
    for (const QString& c : OfferItemColumns()) {
        TField* f = items.FieldByName(c);
        if (f->DataType() == ftString || f->DataType() == ftMemo)
            f->SetAsString(QString());
        else if (f->DataType() == ftBoolean)
            f->SetAsBoolean(false);
        else
            f->SetValue(0);
    }
    items.FieldByName("Popis")->SetAsString(QString::fromUtf8(text));
    items.FieldByName("Nadpisova")->SetAsBoolean(true);
    items.FieldByName("Poradi")->SetAsInteger(order);
    items.Post();
}

void AddOffer(TADOConnection& con, const TDemoOffer& offer, const QString& number) {
    TMemTable items;
    CreateOfferItemTable(items);
    int order = 0;
    for (const TDemoLine& line : offer.lines) {
        ++order;
        if (!line.katalog) {
            AddHeading(items, line.heading, order);
            continue;
        }
        const auto item = con.OpenRowset("SELECT * FROM Zasoby WHERE Katalog = :Katalog",
                                         Params({{"Katalog", QString::fromUtf8(line.katalog)}}));
        if (item->RowCount() == 0) continue;
        AddPriceLine(items, *item, line, order);
    }
    const TOfferTotals t = ComputeOfferTotals(items, kBasicRate, kReducedRate, 0, 1, true, nullptr);
    // A customer of the demonstration address book is linked; one typed on the offer stays typed.
    const auto customer = con.OpenRowset("SELECT ID FROM Adresar WHERE Nazev = :Nazev",
                                         Params({{"Nazev", QString::fromUtf8(offer.nazev)}}));
    const int adrCislo = customer->RowCount() ? customer->Value(0, 0).toInt() : kTypedCustomer;
    const TDateTime issued = DateTimeToOle(offer.issued);
    const bool settled = IsSettledOfferState(static_cast<int>(offer.state));
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    con.Execute(
        "INSERT INTO Nabidky (Doklad, Popis, ZpPlatby, Doprava, DatVystaveni, DatVyrizeni, DatPlatnosti, "
        "AdrCislo, AdrNazev, AdrUlice, AdrPsc, AdrMisto, AdrICO, AdrDIC, Nadpis, TextPred, TextZa, Poznamka, "
        "AdrKontakt, IDStav, SazDPHZakl, SazDPHSniz, NabZaok, Celkem, CelkemBDPH, Zisk, CelkemNC, "
        "CenHladAdr, "
        "CenHladina, VytvorID, UpravID, Vytvoril, Zamek, SazDPHDalsiSniz, Archivovano, TextKomentare, "
        "FlagID, "
        "Zakazka) VALUES (:Doklad, :Popis, :ZpPlatby, :Doprava, :DatVystaveni, :DatVyrizeni, :DatPlatnosti, "
        ":AdrCislo, :AdrNazev, :AdrUlice, :AdrPsc, :AdrMisto, :AdrICO, :AdrDIC, :Nadpis, :TextPred, '', "
        ":Poznamka, :AdrKontakt, :IDStav, :SazDPHZakl, :SazDPHSniz, 1, :Celkem, :CelkemBDPH, :Zisk, "
        ":CelkemNC, "
        "True, '', 0, 0, '', False, 0, False, '', 0, '')",
        Params({{"Doklad", number},
                {"Popis", u(offer.popis)},
                {"ZpPlatby", u(offer.platba)},
                {"Doprava", u(offer.doprava)},
                {"DatVystaveni", issued},
                {"DatVyrizeni", settled ? QVariant(issued + offer.settledAfter) : QVariant()},
                {"DatPlatnosti", issued + offer.validDays},
                {"AdrCislo", adrCislo},
                {"AdrNazev", u(offer.nazev)},
                {"AdrUlice", u(offer.ulice)},
                {"AdrPsc", u(offer.psc)},
                {"AdrMisto", u(offer.misto)},
                {"AdrICO", u(offer.ico)},
                {"AdrDIC", u(offer.dic)},
                {"Nadpis", QString::fromUtf8(kDefaultOfferHeading)},
                {"TextPred", u("Na základě Vaší poptávky Vám nabízíme:")},
                {"Poznamka", u(offer.poznamka)},
                {"AdrKontakt", u(offer.kontakt)},
                {"IDStav", static_cast<int>(offer.state)},
                {"SazDPHZakl", kBasicRate},
                {"SazDPHSniz", kReducedRate},
                {"Celkem", t.CelkemZaDokladSDPH},
                {"CelkemBDPH", t.CelkemZaDokladBDPH},
                {"Zisk", t.ZiskCelkem},
                {"CelkemNC", t.NCBDPHCelkem}}));
    const int offerId = con.OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toInt();
    QStringList columns = OfferItemColumns();
    columns << "CisloNab";
    QStringList params;
    for (const QString& c : columns) params << ":" + c;
    const QString insert =
        QStringLiteral("INSERT INTO NabPolozky (%1) VALUES (%2)").arg(columns.join(", "), params.join(", "));
    for (items.First(); !items.Eof(); items.Next()) {
        TParameters p;
        for (const QString& c : OfferItemColumns()) p.AddParameter(c)->Value = items.FieldByName(c)->Value();
        p.AddParameter("CisloNab")->Value = offerId;
        con.Execute(insert, p);
    }
}

}  // namespace

void AddDemoOffers(TADOConnection& con) {
    con.BeginTrans();
    const auto series =
        con.OpenRowset("SELECT ID, PrefixOzn, Cislo, PocetMist FROM CisRady WHERE ModulOzn = :M",
                       Params({{"M", QString::fromLatin1(kOfferNumberSeries)}}));
    const int seriesId = series->Value(0, 0).toInt();
    const QString prefix = series->Value(0, 1).toString();
    int next = series->Value(0, 2).toInt();
    const int digits = series->Value(0, 3).toInt();
    for (const TDemoOffer& offer : kOffers)
        AddOffer(con, offer, FormatDocumentNumber(prefix, next++, digits));
    con.Execute("UPDATE CisRady SET Cislo = :Cislo WHERE ID = :ID",
                Params({{"Cislo", next}, {"ID", seriesId}}));
    con.CommitTrans();
}
