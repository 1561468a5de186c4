#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTextDocument>
#include <cmath>

#include "common/ScriptedDialogs.h"
#include "core/Login.h"
#include "core/Nastaveni.h"
#include "core/ProgramFixture.h"
#include "core/Working.h"
#include "import/ImportMoney.h"
#include "import/ImportRun.h"
#include "import/MoneyFixture.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/RichText.h"

namespace {

class TRecordedProtocol : public IImportProtocol {
public:
    QStringList lines;
    std::vector<TProtocolKind> kinds;
    std::function<bool(int position)> cancelAt;
    std::vector<int> positions;

    void AddProtocolLine(const QString& text, TProtocolKind kind) override {
        lines << text;
        kinds.push_back(kind);
    }
    void SetProgressMax(int) override {}
    void SetProgress(int position) override {
        positions.push_back(position);
        if (cancelAt && cancelAt(position)) WorkingCancelled = true;
    }
    int ProgressMax() const override { return 100; }
    TProtocolKind KindOf(const QString& line) const {
        const auto i = lines.indexOf(line);
        return i < 0 ? TProtocolKind::RemoveLast : kinds[static_cast<size_t>(i)];
    }
};

class ImportMoneyTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        money_ = std::make_unique<TMoneyData>(Folder() + "m");
        installed_ = money_->server.Install();
        WorkingCancelled = false;
    }
    void TearDown() override {
        WorkingCancelled = false;
        installed_.reset();
        ProgramFixture::TearDown();
    }

    TAccountingDefinition Definition(bool withPrices) const {
        TAccountingDefinition d;
        d.YearPath = money_->year;
        d.AgendaPath = money_->agenda;
        d.ImportPC = withPrices;
        return d;
    }
    // Runs the import on fresh tables, as a new wizard does; true when it failed.
    bool Run(bool withPrices, TRecordedProtocol& protocol) {
        TAccountingTables tables;
        const bool failed = ImportAccountingDocuments(Definition(withPrices), tables, protocol);
        EXPECT_TRUE(money_->server.StillOpen().isEmpty())
            << money_->server.StillOpen().join(", ").toStdString();
        return failed;
    }
    QVariant Value(const QString& sql) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL(sql);
        q.Open();
        return q.IsEmpty() ? QVariant() : q.Fields()[0]->Value();
    }
    int Count(const QString& sql) { return Value(sql).toInt(); }
    // One row as column → value.
    QVariantMap Row(const QString& sql) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL(sql);
        q.Open();
        QVariantMap row;
        if (!q.IsEmpty())
            for (int i = 0; i < q.FieldCount(); ++i) row[q.Fields()[i]->FieldName()] = q.Fields()[i]->Value();
        return row;
    }
    int OfferId(const QString& doklad) {
        return Value("SELECT ID FROM Nabidky WHERE Doklad = '" + doklad + "'").toInt();
    }

    std::unique_ptr<TMoneyData> money_;
    std::unique_ptr<TFakeBFServer::TInstalled> installed_;
};

QString Imported(int n) { return QString::fromUtf8(kMoneyImported) + QString::number(n); }

}  // namespace

TEST_F(ImportMoneyTest, OnlyOpenDocumentsOfTheKindThatAreNewAreImportedAndARepeatImportsNothing) {
    const QString existing = Value("SELECT MIN(Doklad) FROM Nabidky").toString();
    ASSERT_FALSE(existing.isEmpty());
    money_->Add({1, "OBJ-001"});
    money_->Add({2, "OBJ-002", "N", 1});   // settled
    money_->Add({3, "FA-003", "F"});       // another kind
    money_->Add({4, "OBJ-004", "n"});      // the kind in lower case is the same kind
    money_->Add({5, existing.toLower()});  // the firm has it, in other letters
    money_->Add({6, "   "});               // no number
    money_->Add({7, "OBJ-001"});           // the same number twice in the source
    for (int cislo = 1; cislo <= 7; ++cislo) money_->Add({cislo, 1, "Jistič B16", 85, 2});
    const int offers = Count("SELECT COUNT(*) FROM Nabidky");
    const int items = Count("SELECT COUNT(*) FROM NabPolozky");

    TRecordedProtocol first;
    EXPECT_FALSE(Run(true, first));
    EXPECT_EQ(first.lines.last(), Imported(2));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), offers + 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky WHERE Doklad IN ('OBJ-001', 'OBJ-004')"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM NabPolozky"), items + 2);
    // The first of two documents with one number is the one imported.
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM NabPolozky WHERE CisloNab = " + QString::number(OfferId("OBJ-001"))), 1);

    TRecordedProtocol second;
    EXPECT_FALSE(Run(true, second));
    EXPECT_EQ(second.lines.last(), Imported(0));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), offers + 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM NabPolozky"), items + 2);
    EXPECT_EQ(first.lines.mid(0, first.lines.size() - 1), second.lines.mid(0, second.lines.size() - 1));
}

TEST_F(ImportMoneyTest, TheHeaderCarriesTheDocumentAndTheCurrentUser) {
    money_->Add({1, "OBJ-001"});
    TRecordedProtocol protocol;
    ASSERT_FALSE(Run(true, protocol));
    const QVariantMap h = Row("SELECT * FROM Nabidky WHERE Doklad = 'OBJ-001'");
    ASSERT_FALSE(h.isEmpty());
    const QVariantMap source = MoneyHeader({1, "OBJ-001"});
    const std::pair<const char*, const char*> kCopied[] = {
        {"Popis", "Popis"},     {"ZpPlatby", "PlatPodm"},  {"Doprava", "Doprava"},
        {"Zakazka", "Zakazka"}, {"AdrNazev", "O_NazevOb"}, {"AdrUlice", "O_UliceOb"},
        {"AdrPsc", "O_PscOb"},  {"AdrMisto", "O_MestoOb"}, {"AdrICO", "A_ICO"},
        {"AdrDIC", "A_DIC"},    {"AdrKontakt", "A_Jmeno"}, {"Poznamka", "Poznamka"}};
    for (const auto& [column, field] : kCopied) {
        SCOPED_TRACE(column);
        EXPECT_EQ(h.value(column).toString(), source.value(field).toString());
    }
    EXPECT_DOUBLE_EQ(h.value("DatVystaveni").toDouble(), DateTimeToOle(QDate(2026, 11, 30)));
    EXPECT_TRUE(h.value("DatPlatnosti").isNull());  // "Vyridit do" 0 is no date
    EXPECT_TRUE(h.value("DatVyrizeni").isNull());
    EXPECT_EQ(h.value("AdrCislo").toInt(), 0);
    EXPECT_EQ(h.value("IDStav").toInt(), 0);
    EXPECT_EQ(h.value("Nadpis").toString(), QString::fromUtf8(kMoneyOfferHeading));
    EXPECT_DOUBLE_EQ(h.value("SazDPHZakl").toDouble(), 21);
    EXPECT_DOUBLE_EQ(h.value("SazDPHSniz").toDouble(), 12);
    EXPECT_EQ(h.value("NabZaok").toInt(), RoundOfferTotal);
    EXPECT_DOUBLE_EQ(h.value("Celkem").toDouble(), 4105.45);
    EXPECT_DOUBLE_EQ(h.value("CelkemBDPH").toDouble(), 3100.5);
    EXPECT_EQ(h.value("VytvorID").toInt(), CurrentUser.UzivID);
    EXPECT_EQ(h.value("UpravID").toInt(), CurrentUser.UzivID);
    EXPECT_EQ(h.value("Vytvoril").toString(), CurrentUser.Jmeno);
    EXPECT_FALSE(h.value("Zamek").toBool());
    EXPECT_FALSE(h.value("Archivovano").toBool());
    // The texts are rich text in Arial 9 that reads back to the document's lines.
    const QString rtf = h.value("TextPred").toString();
    EXPECT_TRUE(IsRtfText(rtf));
    EXPECT_TRUE(rtf.contains("Arial"));
    EXPECT_TRUE(rtf.contains("\\fs18"));
    EXPECT_TRUE(rtf.contains("\\fcharset238"));
    QTextDocument back;
    ASSERT_TRUE(RtfToDocument(rtf, back));
    EXPECT_EQ(back.toPlainText(), QString::fromUtf8("Objednáváme u Vás:\nkabely a jističe"));
}

TEST_F(ImportMoneyTest, WithPricesTheItemsArePricedByTheCalculatorsAndASetKeepsOnlyItsHead) {
    money_->Add({1, "OBJ-001"});
    money_->Add({1, 1, "Kabel CYKY-J 3x1,5", 25, 100, 0, 0, 21, 101});
    // A price with VAT (code 4), a discount, no stock card.
    money_->Add({1, 2, "Svítidlo LED 36 W", 121, 2, 4, 10});
    // A set: its head and two parts.
    money_->Add({1, 3, "Sada jističů", 500, 1, 0, 0, 0, 102, 0, "S"});
    money_->Add({1, 4, "Jistič B10", 150, 1, 0, 0, 21, 0, 3});
    money_->Add({1, 5, "Jistič B16", 160, 1, 0, 0, 21, 0, 3});
    // The next document's item follows in the index and must not be taken.
    money_->Add({2, "OBJ-002", "F"});
    money_->Add({2, 1, "Cizí položka", 1, 1});
    money_->AddCard(1, 101, 15.1);
    money_->AddCard(1, 102, 300);
    money_->AddCard(2, 101, 99);  // another warehouse's card of the same number

    TRecordedProtocol protocol;
    ASSERT_FALSE(Run(true, protocol));
    const QString warning =
        QString::fromUtf8(kMoneySetWarning) + "OBJ-001" + QString::fromUtf8(kMoneySetWarningEnd);
    EXPECT_EQ(protocol.lines.count(warning), 1);
    EXPECT_EQ(protocol.KindOf(warning), TProtocolKind::Red);

    const int id = OfferId("OBJ-001");
    const QString of = " FROM NabPolozky WHERE CisloNab = " + QString::number(id);
    ASSERT_EQ(Count("SELECT COUNT(*)" + of), 3);
    struct Case {
        int poradi;
        double NakCena, ProdCena, Sleva, PocetMJ, ProdCenaPo, PCBDPHMJ, PCSDPHMJ, PCBDPHPOL, PCSDPHPOL,
            VyseDPHPol, ZiskPol, Marze, Rabat, SazbaDPH;
        bool SDPH;
    };
    // A price with VAT loses its VAT by the four-place coefficient, as on the item card: 108.9 at
    // 21 % is 89.995 without VAT.
    const Case kCases[] = {
        {1, 15.1, 25, 0, 100, 25, 25, 30.25, 2500, 3025, 525, 990, 65.56, 39.6, 21, false},
        {2, 0, 121, 10, 2, 108.9, 89.995, 108.9, 179.99, 217.8, 37.81, 179.99, 0, 100, 21, true},
        {3, 300, 500, 0, 1, 500, 500, 500, 500, 500, 0, 200, 66.67, 40, 0, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.poradi);
        const QVariantMap r = Row("SELECT *" + of + " AND Poradi = " + QString::number(c.poradi));
        ASSERT_FALSE(r.isEmpty());
        const std::pair<const char*, double> kNumbers[] = {
            {"NakCena", c.NakCena},       {"ProdCena", c.ProdCena},     {"Sleva", c.Sleva},
            {"PocetMJ", c.PocetMJ},       {"ProdCenaPo", c.ProdCenaPo}, {"PCBDPHMJ", c.PCBDPHMJ},
            {"PCSDPHMJ", c.PCSDPHMJ},     {"PCBDPHPOL", c.PCBDPHPOL},   {"PCSDPHPOL", c.PCSDPHPOL},
            {"VyseDPHPol", c.VyseDPHPol}, {"ZiskPol", c.ZiskPol},       {"Marze", c.Marze},
            {"Rabat", c.Rabat},           {"SazbaDPH", c.SazbaDPH}};
        for (const auto& [column, expected] : kNumbers)
            EXPECT_NEAR(r.value(column).toDouble(), expected, 1e-9) << column;
        EXPECT_EQ(r.value("SDPH").toBool(), c.SDPH);
        EXPECT_EQ(r.value("Zaok").toInt(), 1);
        EXPECT_EQ(r.value("MJ").toString(), "ks");
        EXPECT_EQ(r.value("CisloKarty").toInt(), 0);
    }
    EXPECT_EQ(Count("SELECT COUNT(*)" + of + " AND Popis LIKE 'Jistič%'"), 0);
    const QVariantMap h = Row("SELECT * FROM Nabidky WHERE ID = " + QString::number(id));
    EXPECT_NEAR(h.value("Zisk").toDouble(), 990 + 179.99 + 200, 1e-9);
    EXPECT_NEAR(h.value("CelkemNC").toDouble(), 1510 + 0 + 300, 1e-9);
}

TEST_F(ImportMoneyTest, WithoutPricesTheSalePriceBecomesThePurchasePriceAndNothingIsPriced) {
    money_->Add({1, "OBJ-001"});
    money_->Add({1, 1, "Lišta vkládací 20x20", 12.5, 3, 4, 5, 21, 101});
    // Each product is rounded to hundredths before it is added: 0.999 counts as 1.
    money_->Add({1, 2, "Svorka WAGO", 0.333, 3});
    money_->AddCard(1, 101, 7);
    // Without prices the stock cards are not needed at all.
    QFile::remove(money_->Cards() + ".dat");

    TRecordedProtocol protocol;
    ASSERT_FALSE(Run(false, protocol));
    EXPECT_FALSE(protocol.lines.contains("SkSezZas"));
    const int id = OfferId("OBJ-001");
    const QVariantMap h = Row("SELECT * FROM Nabidky WHERE ID = " + QString::number(id));
    EXPECT_NEAR(h.value("CelkemNC").toDouble(), 38.5, 1e-9);
    EXPECT_DOUBLE_EQ(h.value("Zisk").toDouble(), 0);
    EXPECT_DOUBLE_EQ(h.value("Celkem").toDouble(), 0);
    EXPECT_DOUBLE_EQ(h.value("CelkemBDPH").toDouble(), 0);
    const QVariantMap r =
        Row("SELECT * FROM NabPolozky WHERE Poradi = 1 AND CisloNab = " + QString::number(id));
    EXPECT_DOUBLE_EQ(r.value("NakCena").toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(r.value("PocetMJ").toDouble(), 3);
    EXPECT_DOUBLE_EQ(r.value("SazbaDPH").toDouble(), 21);
    EXPECT_FALSE(r.value("SDPH").toBool());
    for (const char* column : {"ProdCena", "Sleva", "ProdCenaPo", "PCBDPHMJ", "PCSDPHMJ", "PCBDPHPOL",
                               "PCSDPHPOL", "VyseDPHMJ", "VyseDPHPol", "ZiskMJ", "ZiskPol", "Marze", "Rabat"})
        EXPECT_DOUBLE_EQ(r.value(column).toDouble(), 0) << column;
}

TEST_F(ImportMoneyTest, AFileOrTableThatFailsStopsTheRunBeforeAnythingIsWritten) {
    const QString items = money_->Items(), cards = money_->Cards(), headers = money_->Headers();
    struct Case {
        const char* name;
        std::function<void(TMoneyData&)> arrange;
        QString redLine;
        QString secondRedLine;
    };
    const QString u = QString::fromUtf8(kMoneyOpenFailed);
    const Case kCases[] = {
        {"headers missing",
         [&](TMoneyData&) { QFile::remove(headers + ".dat"); },
         QString::fromUtf8(kMoneyFileMissing) + headers + ".dat" + QString::fromUtf8(kMoneyFileMissingEnd),
         {}},
        {"stock cards missing",
         [&](TMoneyData&) { QFile::remove(cards + ".dat"); },
         QString::fromUtf8(kMoneyFileMissing) + cards + ".dat" + QString::fromUtf8(kMoneyFileMissingEnd),
         {}},
        {"items do not open", [&](TMoneyData& m) { m.server.unopenable << items; }, u + items + ".dat", {}},
        {"no index on the items",
         [&](TMoneyData& m) { m.server.noIndex << items; },
         QString::fromUtf8(kMoneyIndexFailed) + items + ".dat",
         {}},
        {"no index on the stock cards",
         [&](TMoneyData& m) { m.server.noIndex << cards; },
         QString::fromUtf8(kMoneyIndexFailed) + cards + ".dat",
         {}},
        {"no server", [&](TMoneyData&) { CreateBFTable = [] { return std::unique_ptr<TBFTable>(); }; },
         u + headers + ".dat", QString::fromUtf8(kMoneyNoServer)},
    };
    const int offers = Count("SELECT COUNT(*) FROM Nabidky");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        installed_.reset();
        money_ = std::make_unique<TMoneyData>(Folder() + "m");
        money_->Add({1, "OBJ-001"});
        money_->Add({1, 1, "Jistič B16", 85, 2});
        installed_ = money_->server.Install();
        c.arrange(*money_);
        TRecordedProtocol protocol;
        EXPECT_TRUE(Run(true, protocol));
        const QStringList expectedEnd =
            c.secondRedLine.isEmpty() ? QStringList{c.redLine} : QStringList{c.redLine, c.secondRedLine};
        EXPECT_EQ(protocol.lines.mid(protocol.lines.size() - expectedEnd.size()), expectedEnd);
        EXPECT_EQ(protocol.kinds.back(), TProtocolKind::Red);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), offers);
    }
}

TEST_F(ImportMoneyTest, ACancelKeepsTheDocumentsImportedUpToTheNextCheck) {
    for (int cislo = 1; cislo <= 12; ++cislo) {
        money_->Add({cislo, QString("OBJ-%1").arg(cislo, 3, 10, QChar('0'))});
        money_->Add({cislo, 1, "Jistič B16", 85, 2});
    }
    const int offers = Count("SELECT COUNT(*) FROM Nabidky");
    TRecordedProtocol protocol;
    protocol.cancelAt = [](int position) { return position == 5; };
    EXPECT_FALSE(Run(true, protocol));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), offers + 5);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky WHERE Doklad = 'OBJ-005'"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky WHERE Doklad = 'OBJ-006'"), 0);
    EXPECT_EQ(protocol.lines.last(), Imported(5));
    EXPECT_FALSE(WorkingCancelled);
    // The bar moved every fifth document and was reset at the end.
    EXPECT_EQ(protocol.positions, (std::vector<int>{0, 5, 0}));
}

TEST_F(ImportMoneyTest, AWriteTheDatabaseRefusesEndsTheRunAsAFailureWithTheServerTablesClosed) {
    money_->Add({1, "OBJ-001"});
    money_->Add({1, 1, "Jistič B16", 85, 2});
    money_->Add({2, "OBJ-002"});
    money_->Add({2, 1, "Kabel CYKY 3x2,5", 24, 50});
    ASSERT_EQ(
        sqlite3_exec(
            main_->ADOConAgenda.Handle(),
            "CREATE TRIGGER fail BEFORE INSERT ON NabPolozky BEGIN SELECT RAISE(ABORT, 'disk full'); END",
            nullptr, nullptr, nullptr),
        SQLITE_OK);
    const int offers = Count("SELECT COUNT(*) FROM Nabidky");
    TRecordedProtocol protocol;
    EXPECT_TRUE(Run(true, protocol));  // Run also checks that no server table is left open
    EXPECT_TRUE(protocol.lines.last().startsWith(QString::fromUtf8(kRunSaveError)))
        << protocol.lines.last().toStdString();
    EXPECT_TRUE(protocol.lines.last().contains("disk full"));
    EXPECT_EQ(protocol.kinds.back(), TProtocolKind::Red);
    EXPECT_NE(protocol.lines.last(), Imported(1));
    // What was posted before the refusal stays, as after any failure of this run; nothing after it.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky"), offers + 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Nabidky WHERE Doklad = 'OBJ-002'"), 0);
    ASSERT_EQ(sqlite3_exec(main_->ADOConAgenda.Handle(), "DROP TRIGGER fail", nullptr, nullptr, nullptr),
              SQLITE_OK);
}

TEST(ImportMoneyDefinitionTest, TheKeysAreReadWithTheirDefaults) {
    struct Case {
        const char* text;
        const char* year;
        const char* agenda;
        bool importPC;
        const char* kind;
    };
    const Case kCases[] = {
        {"", "", "", true, "N"},
        {"YearPath=/data/money/2026\r\nAgendaPath=/data/money/\r\nImportPC=0\r\nDruhDokl=o",
         "/data/money/2026/", "/data/money/", false, "O"},
        {"yearpath=C:\\Money\\Data\\2026\nImportPC=nevim\nDruhDokl=\nDataPath=X", "C:/Money/Data/2026/", "",
         true, "N"},
        {"ImportPC=False\r\nDruhDokl= z ", "", "", false, "Z"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        const TAccountingDefinition d = ReadAccountingDefinition(QString::fromUtf8(c.text));
        EXPECT_EQ(d.YearPath, QString::fromUtf8(c.year));
        EXPECT_EQ(d.AgendaPath, QString::fromUtf8(c.agenda));
        EXPECT_EQ(d.ImportPC, c.importPC);
        EXPECT_EQ(d.DruhDokl, QString::fromUtf8(c.kind));
    }
}
