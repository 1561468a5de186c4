// The import of documents from the accounting program. Every check that can stop the run (files,
// server, indexes) comes before the first row is written, so a refused run leaves the offers as
// they were. Each document and item is written as soon as it is built: a cancel keeps what was
// imported, and the header's sums are written after each item so that they always match the
// items already there.
#include "import/ImportMoney.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/Working.h"
#include "offers/PolozkaNab.h"
#include "platform/db/ADOCommand.h"
#include "platform/text/OleDate.h"
#include "platform/ui/RichText.h"
#include "pricelist/PriceRules.h"

namespace {

// Window messages, the progress bar and the cancel are looked at after this many documents.
constexpr int kMoneyEventStep = 5;

// The price codes of "Cena s DPH" that mean the document's prices include VAT.
bool PriceWithVat(const QVariant& code) {
    const int c = code.toInt();
    return c == 1 || c == 4;
}

QString FolderOf(QString path) {
    // Definitions are typed by hand, often copied from the accounting program's own settings
    // with Windows separators.
    path = path.trimmed().replace('\\', '/');
    if (!path.isEmpty() && !path.endsWith('/')) path += '/';
    return path;
}

QString Text(const QVariant& v) { return v.toString(); }
double Number(const QVariant& v) { return v.toDouble(); }

// A date of the server (a date number, or a date the server typed as such); NULL for 0.
QVariant DateValue(const QVariant& v) {
    double days = 0;
    if (v.typeId() == QMetaType::QDate)
        days = DateTimeToOle(v.toDate());
    else if (v.typeId() == QMetaType::QDateTime)
        days = QDateTimeToOle(v.toDateTime());
    else
        days = v.toDouble();
    return days == 0 ? QVariant() : QVariant(days);
}

// Two key values of the server: numbers when both read as numbers (a document number may come
// as an integer from one table and as a float from the other), texts otherwise.
bool SameKey(const QVariant& a, const QVariant& b) {
    bool okA = false, okB = false;
    const double x = a.toDouble(&okA), y = b.toDouble(&okB);
    if (okA && okB) return x == y;
    return a.toString().trimmed() == b.toString().trimmed();
}

// Closes the server's tables that the run opened, whatever ends it.
class TOpenTables {
public:
    ~TOpenTables() {
        for (TBFTable* t : open_) t->Close();
    }
    void Add(TBFTable* table) { open_.push_back(table); }

private:
    std::vector<TBFTable*> open_;
};

struct TOfferCommands {
    TADOCommand existing, header, sums, item;
    TOfferCommands();
};

const char* const kHeaderColumns[] = {
    "Doklad",       "Popis",       "ZpPlatby",   "Doprava",       "Zakazka",    "DatVystaveni",
    "DatPlatnosti", "DatVyrizeni", "AdrCislo",   "AdrNazev",      "AdrUlice",   "AdrPsc",
    "AdrMisto",     "AdrICO",      "AdrDIC",     "AdrKontakt",    "Nadpis",     "TextPred",
    "TextZa",       "Poznamka",    "IDStav",     "SazDPHZakl",    "SazDPHSniz", "SazDPHDalsiSniz",
    "NabZaok",      "Celkem",      "CelkemBDPH", "Zisk",          "CelkemNC",   "CenHladAdr",
    "Zamek",        "Archivovano", "CenHladina", "TextKomentare", "FlagID",     "VytvorID",
    "UpravID",      "Vytvoril"};
const char* const kItemColumns[] = {
    "CisloNab",  "Popis",      "Katalog",  "BarCode",    "Poznamka",    "PLU",
    "Zkratka",   "MJ",         "Poradi",   "CisloKarty", "CisloSkladu", "CisloSkup",
    "Zaok",      "CenHladina", "Identif",  "IgnorHr",    "Nakladova",   "Nadpisova",
    "Textova",   "SazbaDPH",   "SDPH",     "NakCena",    "ProdCena",    "Sleva",
    "PocetMJ",   "ProdCenaPo", "PCBDPHMJ", "PCSDPHMJ",   "PCBDPHPOL",   "PCSDPHPOL",
    "VyseDPHMJ", "VyseDPHPol", "ZiskMJ",   "ZiskPol",    "Marze",       "Rabat"};

template <size_t N>
QString InsertSql(const char* table, const char* const (&columns)[N]) {
    QStringList names, params;
    for (const char* c : columns) {
        names << QLatin1String(c);
        params << ":" + QLatin1String(c);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QLatin1String(table), names.join(", "), params.join(", "));
}

TOfferCommands::TOfferCommands() {
    TADOConnection* con = &frmMain->ADOConAgenda;
    existing.Connection = header.Connection = sums.Connection = item.Connection = con;
    // Jet compares text without regard to case, so "n-12" is the document "N-12" already there.
    existing.SetCommandText("SELECT COUNT(*) FROM Nabidky WHERE Doklad = :Doklad");
    header.SetCommandText(InsertSql("Nabidky", kHeaderColumns));
    sums.SetCommandText("UPDATE Nabidky SET Zisk = :Zisk, CelkemNC = :CelkemNC WHERE ID = :ID");
    item.SetCommandText(InsertSql("NabPolozky", kItemColumns));
}

void Set(TADOCommand& c, const char* name, const QVariant& value) {
    c.Parameters.ParamByName(QLatin1String(name))->Value = value;
}

// Appends the offer of the current header; its ID.
int AppendHeader(TOfferCommands& cmd, TBFTable& h, bool withPrices) {
    TADOCommand& c = cmd.header;
    auto copy = [&](const char* column, const char* field) { Set(c, column, Text(h.Value(field))); };
    copy("Doklad", "Doklad");
    copy("Popis", "Popis");
    copy("ZpPlatby", "PlatPodm");
    copy("Doprava", "Doprava");
    copy("Zakazka", "Zakazka");
    Set(c, "DatVystaveni", DateValue(h.Value("Vystaveno")));
    Set(c, "DatPlatnosti", DateValue(h.Value("Vyridit do")));
    Set(c, "DatVyrizeni", QVariant());
    Set(c, "AdrCislo", 0);
    copy("AdrNazev", "O_NazevOb");
    copy("AdrUlice", "O_UliceOb");
    copy("AdrPsc", "O_PscOb");
    copy("AdrMisto", "O_MestoOb");
    copy("AdrICO", "A_ICO");
    copy("AdrDIC", "A_DIC");
    copy("AdrKontakt", "A_Jmeno");
    Set(c, "Nadpis", QString::fromUtf8(kMoneyOfferHeading));
    Set(c, "TextPred", AccountingTextToRtf(Text(h.Value("TextPredPo"))));
    Set(c, "TextZa", AccountingTextToRtf(Text(h.Value("TextZaPol"))));
    copy("Poznamka", "Poznamka");
    Set(c, "IDStav", 0);
    Set(c, "SazDPHZakl", Number(h.Value("SazbaDPH2")));
    Set(c, "SazDPHSniz", Number(h.Value("SazbaDPH1")));
    // The document brings no further reduced rate; the offer card reads a number here.
    Set(c, "SazDPHDalsiSniz", 0.0);
    Set(c, "NabZaok", RoundOfferTotal);
    Set(c, "Celkem", withPrices ? Number(h.Value("Celkem")) : 0.0);
    Set(c, "CelkemBDPH",
        withPrices ? Number(h.Value("Zaklad0")) + Number(h.Value("Zaklad5")) + Number(h.Value("Zaklad22"))
                   : 0.0);
    Set(c, "Zisk", 0.0);
    Set(c, "CelkemNC", 0.0);
    Set(c, "CenHladAdr", false);
    Set(c, "Zamek", false);
    Set(c, "Archivovano", false);
    Set(c, "CenHladina", QString());
    Set(c, "TextKomentare", QString());
    Set(c, "FlagID", 0);
    Set(c, "VytvorID", CurrentUser.UzivID);
    Set(c, "UpravID", CurrentUser.UzivID);
    Set(c, "Vytvoril", CurrentUser.Jmeno);
    c.Execute();
    return frmMain->ADOConAgenda.OpenRowset("SELECT @@IDENTITY")->Value(0, 0).toInt();
}

// The purchase price of an item: the last one of its stock card, 0 without a card.
long double PurchasePrice(TBFTable& item, TBFTable& cards) {
    const QVariant card = item.Value("Cislo Zas.");
    if (Number(card) == 0) return 0;
    if (cards.Find(QVariantList{item.Value("Sklad"), card}) != kBFFound) return 0;
    return Number(cards.Value("Posl.N.Cen"));
}

// The item's numbers from the offer item calculators, as the item card would compute them from
// the document's sale price, discount and quantity and the stock card's purchase price.
TOfferItemCalc PricedItem(TBFTable& item, TBFTable& cards) {
    TOfferItemCalc calc;
    const QVariant rate = item.Value("Sazba DPH");
    bool numeric = false;
    const double rateNumber = rate.toDouble(&numeric);
    calc.VatRates = QStringList{numeric ? VatRateText(rateNumber) : Text(rate).trimmed()};
    calc.VatIndex = 0;
    calc.WithVat = PriceWithVat(item.Value("Cena s DPH"));
    calc.Set(TItemValue::NakCena, PurchasePrice(item, cards));
    calc.Set(TItemValue::ProdCena, Number(item.Value("SlevaZakl")));
    calc.Set(TItemValue::Sleva, Number(item.Value("Sleva")));
    calc.Set(TItemValue::PocetMJ, Number(item.Value("PocetMJ")));
    calc.RecalcMargin(false);
    calc.RecalcRabat(false);
    calc.RecalcDiscount();
    return calc;
}

struct TSums {
    long double Zisk = 0;
    long double CelkemNC = 0;
};

void AppendItem(TOfferCommands& cmd, int offerId, TBFTable& item, TBFTable* cards, TSums& sums) {
    TADOCommand& c = cmd.item;
    auto copy = [&](const char* column) { Set(c, column, Text(item.Value(column))); };
    Set(c, "CisloNab", offerId);
    for (const char* column : {"Popis", "Katalog", "BarCode", "Poznamka", "PLU", "Zkratka", "MJ"})
        copy(column);
    Set(c, "Poradi", item.Value("Poradi").toInt());
    Set(c, "CisloKarty", 0);
    Set(c, "CisloSkladu", 0);
    Set(c, "CisloSkup", 0);
    Set(c, "Zaok", int(ZaokCrowns));
    Set(c, "CenHladina", QString());
    Set(c, "Identif", QString());
    for (const char* flag : {"IgnorHr", "Nakladova", "Nadpisova", "Textova"}) Set(c, flag, false);
    const char* const kCalculated[] = {"ProdCena",  "Sleva",     "ProdCenaPo", "PCBDPHMJ",   "PCSDPHMJ",
                                       "PCBDPHPOL", "PCSDPHPOL", "VyseDPHMJ",  "VyseDPHPol", "ZiskMJ",
                                       "ZiskPol",   "Marze",     "Rabat"};
    if (cards != nullptr) {
        const TOfferItemCalc calc = PricedItem(item, *cards);
        auto value = [&](TItemValue v) { return static_cast<double>(calc.Get(v)); };
        Set(c, "SazbaDPH", static_cast<double>(calc.Rate()));
        Set(c, "SDPH", calc.WithVat);
        Set(c, "NakCena", value(TItemValue::NakCena));
        Set(c, "PocetMJ", value(TItemValue::PocetMJ));
        const TItemValue kValues[] = {TItemValue::ProdCena,  TItemValue::Sleva,     TItemValue::ProdCenaPo,
                                      TItemValue::PCBDPHMJ,  TItemValue::PCSDPHMJ,  TItemValue::PCBDPHPOL,
                                      TItemValue::PCSDPHPOL, TItemValue::VyseDPHMJ, TItemValue::VyseDPHPol,
                                      TItemValue::ZiskMJ,    TItemValue::ZiskPol,   TItemValue::Marze,
                                      TItemValue::Rabat};
        static_assert(std::size(kValues) == std::size(kCalculated));
        for (size_t i = 0; i < std::size(kValues); ++i) Set(c, kCalculated[i], value(kValues[i]));
        sums.Zisk += calc.Get(TItemValue::ZiskPol);
        sums.CelkemNC += calc.Get(TItemValue::NakCena) * calc.Get(TItemValue::PocetMJ);
    } else {
        // Without prices the document's sale price stands as the purchase price, and the offer
        // is priced later in the offer card.
        const long double price = Number(item.Value("SlevaZakl"));
        const long double quantity = Number(item.Value("PocetMJ"));
        Set(c, "SazbaDPH", Number(item.Value("Sazba DPH")));
        Set(c, "SDPH", false);
        Set(c, "NakCena", static_cast<double>(price));
        Set(c, "PocetMJ", static_cast<double>(quantity));
        for (const char* column : kCalculated) Set(c, column, 0.0);
        sums.CelkemNC += RoundPrice(1, 2, price * quantity);
    }
    c.Execute();
    Set(cmd.sums, "Zisk", static_cast<double>(sums.Zisk));
    Set(cmd.sums, "CelkemNC", static_cast<double>(sums.CelkemNC));
    Set(cmd.sums, "ID", offerId);
    cmd.sums.Execute();
}

bool Wanted(TBFTable& h, const TAccountingDefinition& def, TOfferCommands& cmd) {
    if (Text(h.Value("Druh dokl.")).trimmed().toUpper() != def.DruhDokl) return false;
    if (Number(h.Value("Vyrizeno")) != 0) return false;
    const QString number = Text(h.Value("Doklad"));
    if (number.trimmed().isEmpty()) return false;
    Set(cmd.existing, "Doklad", number);
    return cmd.existing.OpenRowset()->Value(0, 0).toInt() == 0;
}

}  // namespace

TAccountingDefinition ReadAccountingDefinition(const QString& text) {
    const TDefinitionText t(text);
    TAccountingDefinition def;
    def.YearPath = FolderOf(t.Text("YearPath"));
    def.AgendaPath = FolderOf(t.Text("AgendaPath"));
    def.ImportPC = t.Flag("ImportPC", true);
    const QString kind = t.Text("DruhDokl").trimmed().toUpper();
    if (!kind.isEmpty()) def.DruhDokl = kind;
    return def;
}

QString AccountingTextToRtf(const QString& text) {
    QTextDocument document;
    document.setPlainText(QString(text).replace("\r\n", "\n").replace('\r', '\n'));
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Arial")});
    format.setFontPointSize(9);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    cursor.setCharFormat(format);
    return QString::fromLatin1(DocumentToRtf(document));
}

bool ImportAccountingDocuments(const TAccountingDefinition& def, TAccountingTables& tables,
                               IImportProtocol& protocol) {
    auto line = [&](const QString& text, TProtocolKind kind = TProtocolKind::Plain) {
        protocol.AddProtocolLine(text, kind);
    };
    auto u = [](const char* text) { return QString::fromUtf8(text); };
    WorkingCancelled = false;
    line(u(kMoneyHeading), TProtocolKind::Bold);
    line(u(kMoneyCheckingFiles));

    struct TSource {
        std::unique_ptr<TBFTable>& table;
        QString path;  // without ".dat"
        const char* name;
        const char* index;
    };
    std::vector<TSource> sources{
        {tables.bftObSezObj, def.YearPath + "ObSezObj", "ObSezObj", nullptr},
        {tables.bftObPolObj, def.YearPath + "ObPolObj", "ObPolObj", "Cislo+MasterCisl+Poradi"}};
    if (def.ImportPC)
        sources.push_back({tables.bftSkSezZas, def.AgendaPath + "SkSezZas", "SkSezZas", "Sklad+Cislo"});
    for (const TSource& s : sources) {
        const QString file = s.path + ".dat";
        line(file);
        if (!QFileInfo(file).isFile()) {
            line(u(kMoneyFileMissing) + file + u(kMoneyFileMissingEnd), TProtocolKind::Red);
            return true;
        }
    }
    line(u(kMoneyFilesOk));

    line(u(kMoneyOpening));
    TOpenTables open;
    for (const TSource& s : sources) {
        line(s.path);
        if (!s.table) s.table = CreateBFTable();
        if (!s.table) {
            line(u(kMoneyOpenFailed) + s.path + ".dat", TProtocolKind::Red);
            line(u(kMoneyNoServer), TProtocolKind::Red);
            return true;
        }
        if (s.table->Open(s.path) != kBFOk) {
            line(u(kMoneyOpenFailed) + s.path + ".dat", TProtocolKind::Red);
            return true;
        }
        open.Add(s.table.get());
    }
    line(u(kMoneyOpenOk));

    line(u(kMoneySettingIndex));
    // The stock cards first, then the items, as the protocol lists them.
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        if (it->index == nullptr) continue;
        line(QString::fromLatin1(it->name));
        if (it->table->SetIndex(QString::fromLatin1(it->index)) != kBFOk) {
            line(u(kMoneyIndexFailed) + it->path + ".dat", TProtocolKind::Red);
            return true;
        }
    }
    line(u(kMoneyIndexOk));

    line(u(kMoneyInternal));
    line("Nabidky");
    line("NabPolozky");
    TOfferCommands cmd;
    line(u(kMoneyInternalOk));
    line(u(kMoneyImporting));

    TBFTable& headers = *tables.bftObSezObj;
    TBFTable& items = *tables.bftObPolObj;
    TBFTable* cards = def.ImportPC ? tables.bftSkSezZas.get() : nullptr;
    int imported = 0;
    try {
        const int count = headers.RecordCount();
        if (count > 0) {
            headers.First();
            protocol.SetProgressMax(count);
            protocol.SetProgress(0);
            int position = 0;
            bool more = true;
            while (more) {
                if (Wanted(headers, def, cmd)) {
                    const int offerId = AppendHeader(cmd, headers, def.ImportPC);
                    ++imported;
                    const QVariant number = headers.Value("Cislo");
                    const QString doklad = Text(headers.Value("Doklad"));
                    TSums sums;
                    if (items.Find(number) == kBFFound) {
                        bool itemsLeft = true;
                        while (itemsLeft && SameKey(items.Value("Cislo"), number)) {
                            // Parts of a set are priced in their head; only the head is an item.
                            if (Number(items.Value("MasterCisl")) == 0) {
                                if (Text(items.Value("TypPolozky")).trimmed().toUpper() == "S")
                                    line(u(kMoneySetWarning) + doklad + u(kMoneySetWarningEnd),
                                         TProtocolKind::Red);
                                AppendItem(cmd, offerId, items, cards, sums);
                            }
                            itemsLeft = items.Next() != kBFEndPassed;
                        }
                    }
                }
                ++position;
                if (position % kMoneyEventStep == 0) {
                    QCoreApplication::processEvents();
                    protocol.SetProgress(position);
                    if (WorkingCancelled) break;
                }
                more = headers.Next() != kBFEndPassed;
            }
        }
    } catch (const std::exception& e) {
        // A write the database refuses ends the run; what was written before it stays.
        line(u(kRunSaveError) + QString::fromUtf8(e.what()), TProtocolKind::Red);
        return true;
    }
    // The cancel has been handled: the documents so far stay and the run ends as a success.
    WorkingCancelled = false;
    protocol.SetProgress(0);
    line(u(kMoneyImported) + QString::number(imported));
    return false;
}
