#include "offers/DemoOfferExtras.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <utility>

#include "platform/db/ADOConnection.h"
#include "platform/db/Parameters.h"
#include "platform/text/OleDate.h"

namespace {

TParameters Params(std::initializer_list<std::pair<const char*, QVariant>> values) {
    TParameters params;
    for (const auto& [name, value] : values) params.AddParameter(QLatin1String(name))->Value = value;
    return params;
}

// Paragraphs as RTF, the first one bold when asked. The templates are made by a tool without a
// window system, so the few control words are written here rather than through a text document;
// letters outside ASCII go as \uN with a "?" for readers that do not know it.
QString Rtf(std::initializer_list<const char*> paragraphs, bool boldFirst = false) {
    QString body;
    bool first = true;
    for (const char* paragraph : paragraphs) {
        if (!first) body += QStringLiteral("\\par\n");
        const bool bold = first && boldFirst;
        if (bold) body += QStringLiteral("\\b ");
        for (const QChar c : QString::fromUtf8(paragraph)) {
            if (c == u'\\' || c == u'{' || c == u'}')
                body += u'\\' + QString(c);
            else if (c.unicode() > 127)
                body += QStringLiteral("\\u%1?").arg(static_cast<short>(c.unicode()));
            else
                body += c;
        }
        if (bold) body += QStringLiteral("\\b0 ");
        first = false;
    }
    return QStringLiteral(
               "{\\rtf1\\ansi\\ansicpg1250\\deff0\\uc1{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ") +
           body + QStringLiteral("\\par\n}");
}

struct TDemoText {
    const char* nazev;
    QString text;
};

struct TDemoOrder {
    const char* zkratka;
    const char* nazev;
    QDate planStart, planEnd, start, end;
    bool closed;
    int rating;
    const char* note;
};

}  // namespace

void AddDemoOfferExtras(TADOConnection& con) {
    con.BeginTrans();
    const QString delivery =
        Rtf({"Dodací podmínky",
             "Materiál dodáme do 14 dnů od potvrzení objednávky. Montáž zahájíme v termínu "
             "dohodnutém se zákazníkem, nejpozději do 30 dnů.",
             "Doprava v okruhu 30 km od Brna je zdarma."},
            true);
    const QString payment =
        Rtf({"Platební podmínky",
             "Zálohu 30 % z ceny díla uhradíte při podpisu smlouvy, zbytek po předání díla "
             "na základě faktury se splatností 14 dnů."},
            true);
    const QString warranty =
        Rtf({"Záruka",
             "Na provedené práce poskytujeme záruku 36 měsíců, na dodaný materiál podle "
             "záručních podmínek výrobce, nejméně 24 měsíců. Revizní zprávu předáme spolu s "
             "dílem."},
            true);
    const TDemoText texts[] = {
        {"Dodací podmínky", delivery},
        {"Platební podmínky", payment},
        {"Záruční podmínky", warranty},
        {"Poděkování za poptávku",
         Rtf({"Děkujeme za Vaši poptávku a věříme, že Vás naše nabídka zaujme. V případě dotazů nás "
              "neváhejte kontaktovat."})},
    };
    for (const TDemoText& t : texts)
        con.Execute("INSERT INTO VolnyText (Nazev, MemoText) VALUES (:Nazev, :MemoText)",
                    Params({{"Nazev", QString::fromUtf8(t.nazev)}, {"MemoText", t.text}}));

    struct TDemoTemplate {
        const char* zkratka;
        const char* nazev;
        const char* nadpis;
        QString pred, za;
        bool auto_;
        int days;
    };
    const TDemoTemplate templates[] = {
        {"ELEKTRO", "Elektroinstalace - standard", "Nabídka elektroinstalace",
         Rtf({"Na základě Vaší poptávky Vám nabízíme provedení elektroinstalace v tomto rozsahu:"}),
         Rtf({"Ceny jsou uvedeny včetně dopravy a montáže.",
              "Platební podmínky: záloha 30 %, doplatek po předání "
              "díla, splatnost faktury 14 dnů."}),
         true, 30},
        {"REVIZE", "Revize elektrických zařízení", "Nabídka revize",
         Rtf({"Nabízíme Vám provedení výchozí nebo pravidelné revize elektrických zařízení:"}),
         Rtf({"Revizní zprávu vyhotovíme do 5 pracovních dnů od provedení revize."}), true, 14},
        {"VOLNA", "Obecná nabídka", "Nabídka", Rtf({"Dovolujeme si Vám nabídnout:"}), QString(), false, 0},
    };
    for (const TDemoTemplate& t : templates)
        con.Execute(
            "INSERT INTO NabSablony (Zkratka, Nazev, TextPred, TextZa, Nadpis, AutoPlatnostDo, "
            "AutoPlatnostPocet) "
            "VALUES (:Zkratka, :Nazev, :TextPred, :TextZa, :Nadpis, :AutoPlatnostDo, :AutoPlatnostPocet)",
            Params({{"Zkratka", QString::fromUtf8(t.zkratka)},
                    {"Nazev", QString::fromUtf8(t.nazev)},
                    {"TextPred", t.pred},
                    {"TextZa", t.za},
                    {"Nadpis", QString::fromUtf8(t.nadpis)},
                    {"AutoPlatnostDo", t.auto_},
                    {"AutoPlatnostPocet", t.days}}));

    const TDemoOrder orders[] = {
        {"BYT-VINOH", "Rekonstrukce bytu Vinohradská 14", QDate(2026, 10, 12), QDate(2026, 12, 18),
         QDate(2026, 10, 19), QDate(), false, 0, "Koordinace se stavbyvedoucím Ing. Novákem."},
        {"HOTEL-ZH", "Hotel Zlatá Hvězda - osvětlení", QDate(2027, 1, 11), QDate(2027, 2, 26), QDate(),
         QDate(), false, 0, "Práce jen mimo hlavní sezónu, vstup přes recepci."},
        {"SKLAD-2026", "Sklad Modřice - revize 2026", QDate(2026, 3, 2), QDate(2026, 3, 13),
         QDate(2026, 3, 2), QDate(2026, 3, 12), true, 5, "Uzavřeno bez závad."},
    };
    auto date = [](const QDate& d) { return d.isValid() ? QVariant(DateTimeToOle(d)) : QVariant(); };
    for (const TDemoOrder& o : orders)
        con.Execute(
            "INSERT INTO Zakazka (Zkratka, Nazev, Poznamka, Uzavrena, DatumPlanZahajeni, DatumZahajeni, "
            "DatumPlanPredani, DatumPredani, Hodnoceni) VALUES (:Zkratka, :Nazev, :Poznamka, :Uzavrena, "
            ":DatumPlanZahajeni, :DatumZahajeni, :DatumPlanPredani, :DatumPredani, :Hodnoceni)",
            Params({{"Zkratka", QString::fromUtf8(o.zkratka)},
                    {"Nazev", QString::fromUtf8(o.nazev)},
                    {"Poznamka", QString::fromUtf8(o.note)},
                    {"Uzavrena", o.closed},
                    {"DatumPlanZahajeni", date(o.planStart)},
                    {"DatumZahajeni", date(o.start)},
                    {"DatumPlanPredani", date(o.planEnd)},
                    {"DatumPredani", date(o.end)},
                    {"Hodnoceni", o.rating}}));
    // The flat's offer belongs to its job.
    con.Execute("UPDATE Nabidky SET Zakazka = :Zakazka WHERE Popis = :Popis",
                Params({{"Zakazka", QStringLiteral("BYT-VINOH")},
                        {"Popis", QString::fromUtf8("Elektroinstalace bytu 3+1")}}));
    con.CommitTrans();
}
