#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <functional>

#include "common/ScriptedDialogs.h"
#include "core/ProgramFixture.h"
#include "core/Working.h"
#include "import/ImportRun.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "pricelist/PriceListUi.h"

namespace {

// The protocol of a run as lines with their kinds; it can press "Přerušit" at a chosen moment.
class TRecordedProtocol : public IImportProtocol {
public:
    QStringList lines;
    std::vector<TProtocolKind> kinds;
    int maximum = 100;
    // Called on every progress step with the position; answers whether to cancel now.
    std::function<bool(int position)> cancelAt;

    void AddProtocolLine(const QString& text, TProtocolKind kind) override {
        if (kind == TProtocolKind::RemoveLast) {
            lines.removeLast();
            kinds.pop_back();
            return;
        }
        lines << text;
        kinds.push_back(kind);
    }
    void SetProgressMax(int m) override { maximum = m; }
    void SetProgress(int position) override {
        if (cancelAt && cancelAt(position)) WorkingCancelled = true;
    }
    int ProgressMax() const override { return maximum; }
    bool InPhaseTwo() const { return lines.contains(QString::fromUtf8(kItemRunPhaseTwo)); }
};

class ImportRunTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        WorkingCancelled = false;
    }
    void TearDown() override {
        WorkingCancelled = false;
        ProgramFixture::TearDown();
    }

    QString WriteCsv(const QString& name, const QString& text) {
        const QString path = PathOf(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
        return path;
    }
    // Every row of every table of the firm, every column, in key order.
    QStringList DumpFirm() {
        QStringList rows;
        for (const QString& table : main_->ADOConAgenda.GetTableNames()) {
            rows << "[" + table + "]";
            TADOQuery q(&main_->ADOConAgenda);
            q.SetSQL("SELECT * FROM " + table);
            q.Open();
            QStringList values;
            for (q.First(); !q.Eof(); q.Next()) {
                QStringList row;
                for (int i = 0; i < q.FieldCount(); ++i) row << q.Fields()[i]->AsString();
                values << row.join('|');
            }
            values.sort();
            rows << values;
        }
        return rows;
    }
    // Every row of the table, every column, in key order: what "exactly as before" compares.
    QStringList Dump(const QString& table) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL("SELECT * FROM " + table + " ORDER BY ID");
        q.Open();
        QStringList rows;
        for (q.First(); !q.Eof(); q.Next()) {
            QStringList values;
            for (int i = 0; i < q.FieldCount(); ++i) values << q.Fields()[i]->AsString();
            rows << values.join('|');
        }
        return rows;
    }
    QVariant Value(const QString& sql) {
        TADOQuery q(&main_->ADOConAgenda);
        q.SetSQL(sql);
        q.Open();
        return q.IsEmpty() ? QVariant() : q.Fields()[0]->Value();
    }
    int Count(const QString& sql) { return Value(sql).toInt(); }
    int Id(const QString& table, const QString& name) {
        return Value("SELECT ID FROM " + table + " WHERE Nazev = '" + name + "'").toInt();
    }

    // A definition that reads a CSV file into the group "Kabely a vodiče".
    TImportDefinition ItemDefinition(const QString& file) {
        TImportDefinition d;
        d.Source = TImportSourceKind::Text;
        d.FileName = file;
        d.IDListu = Id("Sklady", "Elektroinstalace");
        d.IDSkup = Id("Skupiny", QString::fromUtf8("Kabely a vodiče"));
        d.Items[ifKatalog] = {true, TFieldSource::Column, QString::fromUtf8("Kód"), {}, 0};
        d.Items[ifPopis] = {true, TFieldSource::Column, QString::fromUtf8("Název"), {}, 0};
        d.Items[ifNakCena] = {true, TFieldSource::Column, "Nakup", {}, 0};
        d.Items[ifProdCena] = {true, TFieldSource::Column, "Cena", {}, 0};
        d.Items[ifSazbaDPH] = {true, TFieldSource::Fixed, {}, {}, 21};
        d.Items[ifTextMJ] = {true, TFieldSource::Fixed, {}, "ks", 0};
        return d;
    }
    void Match(TImportDefinition& d, bool createNew) {
        d.Porovnavat = true;
        d.RefField = "KATALOG";
        d.RefDBField = QString::fromUtf8("Kód");
        d.CheckNovaPolozka = createNew;
    }
};

const char* const kCsv =
    "Kód;Název;Nakup;Cena\n"
    "cyky315;Kabel CYKY-J 3x1,5 nový;15,10;25,00\n"
    "NOVY1;Nová položka;10;20\n"
    ";Bez kódu;1;2\n"
    "NOVY1;Nová položka znovu;11;22\n";

}  // namespace

TEST_F(ImportRunTest, AllRowsBecomeNewItemsInTheSheetOfTheChosenGroup) {
    const int before = Count("SELECT COUNT(*) FROM Zasoby");
    TImportDefinition d = ItemDefinition(WriteCsv("cenik.csv", QString::fromUtf8(kCsv)));
    // The definition names another sheet beside the group: the group's own sheet wins.
    const int groupSheet = d.IDListu;
    d.IDListu = Id("Sklady", QString::fromUtf8("Služby"));
    TRecordedProtocol protocol;
    TScriptedDialogs dialogs;
    ASSERT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby"), before + 4);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Znacka IS NOT NULL AND Skupina = " +
                    QString::number(d.IDSkup) + " AND Sklad = " + QString::number(groupSheet)),
              4);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Chyba = True"), 0);
    const QStringList expected = {
        "Import ceníku",
        QString::fromUtf8("• zdroj dat: Textový soubor (*.csv)"),
        QString::fromUtf8("• zdrojový soubor: ") + d.FileName,
        QString::fromUtf8("• otevření databáze..."),
        QString::fromUtf8("• zahájen import dat - přidat vše jako nové"),
        QString::fromUtf8("• operace může trvat delší dobu, prosím čekejte..."),
        QString::fromUtf8("• I. fáze - import dat ze zdrojového souboru"),
        QString::fromUtf8(
            "• II. fáze - přepočet cen importovaných záznamů... [počkejte prosím na dokončení]"),
        QString::fromUtf8("• počet záznamů ve zdrojové databázi: 4"),
        QString::fromUtf8("• ceník:"),
        QString::fromUtf8("  + přidáno nových záznamů: 4"),
        QString::fromUtf8("  + zaktualizováno záznamů: 0"),
        QString::fromUtf8("  = počet naimportovaných záznamů celkem: 4")};
    EXPECT_EQ(protocol.lines, expected);
    EXPECT_EQ(protocol.kinds.front(), TProtocolKind::Bold);
    // Prices: the base price without VAT, the second one derived at the imported rate.
    EXPECT_DOUBLE_EQ(Value("SELECT PrCenaSDPH FROM Zasoby WHERE Popis = 'Nová položka'").toDouble(), 24.2);
    EXPECT_EQ(Value("SELECT TextMJ FROM Zasoby WHERE Popis = 'Nová položka'").toString(), "ks");
}

TEST_F(ImportRunTest, MatchingFindsCodesInAnyCaseWarnsOnEmptyReferencesAndKeepsTheFirstMatch) {
    // A second item with the code of an existing one: only the first of the list is updated.
    ExecAgenda("INSERT INTO Zasoby (Sklad, Skupina, Katalog, Popis) VALUES (1, 1, 'CYKY315', 'Druhý kabel')");
    const QString second = Dump("Zasoby").filter("Druhý kabel").join("");
    const int before = Count("SELECT COUNT(*) FROM Zasoby");
    TImportDefinition d = ItemDefinition(WriteCsv("cenik.csv", QString::fromUtf8(kCsv)));
    Match(d, true);
    TRecordedProtocol protocol;
    TScriptedDialogs dialogs;
    ASSERT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_EQ(Value("SELECT Popis FROM Zasoby WHERE Katalog = 'CYKY315' ORDER BY ID").toString(),
              QString::fromUtf8("Kabel CYKY-J 3x1,5 nový"));
    EXPECT_EQ(Dump("Zasoby").filter("Druhý kabel").join(""), second);
    // The list searched is the one before the run: both NOVY1 rows are new items.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'NOVY1'"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby"), before + 3);
    EXPECT_TRUE(
        protocol.lines.contains(QString::fromUtf8("• varování: zdroj. řádek č. 3 - prázdná referenční "
                                                  "položka (Kód)")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8(
        "• zahájen import dat - hledat podle (ref. pol.): Katalogu, ref. pol. zdroj. databáze: [Kód]")));
    EXPECT_TRUE(
        protocol.lines.contains(QString::fromUtf8("  - filtr: vypnutý (hledat ref. pol. ve všech listech)")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  + přidáno nových záznamů: 3")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  + zaktualizováno záznamů: 1")));
}

TEST_F(ImportRunTest, UnmatchedRowsAreSkippedWithoutCreateNewAndTextsAreCutToTheirColumns) {
    const QString longName = QString(60, QChar(u'ž'));
    const QString longNote = QString(400, 'n');
    const QString csv = QString::fromUtf8("Kód;Název;Nakup;Cena;Pozn\ncyky315;") + longName + ";1;2;" +
                        longNote + "\nNEEXISTUJE;x;1;2;y\n";
    TImportDefinition d = ItemDefinition(WriteCsv("c.csv", csv));
    d.Items[ifPoznamka] = {true, TFieldSource::Column, "Pozn", {}, 0};
    Match(d, false);
    // Matching without creating needs no target: a vanished group does not stop it.
    d.IDSkup = 999;
    const int before = Count("SELECT COUNT(*) FROM Zasoby");
    TRecordedProtocol protocol;
    TScriptedDialogs dialogs;
    ASSERT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby"), before);
    EXPECT_EQ(Value("SELECT Popis FROM Zasoby WHERE Katalog = 'CYKY315'").toString(), longName.left(50));
    EXPECT_EQ(Value("SELECT Poznamka FROM Zasoby WHERE Katalog = 'CYKY315'").toString(), longNote);
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("• počet záznamů ve zdrojové databázi: 2")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  = počet naimportovaných záznamů celkem: 1")));
}

TEST_F(ImportRunTest, CancelOrErrorInEitherPhaseLeavesThePriceListExactlyAsItWas) {
    struct Case {
        const char* name;
        // When to press "Přerušit" (or how the definition fails).
        std::function<bool(const TRecordedProtocol&, int)> cancel;
        bool breakColumn;  // a purchase price that is no number, on the last row
        int result;
        const char* lastLine;
    };
    const Case kCases[] = {
        {"cancel in phase I", [](const TRecordedProtocol& p, int pos) { return !p.InPhaseTwo() && pos == 2; },
         false, 0, kRunCancelled},
        {"cancel in phase II", [](const TRecordedProtocol& p, int pos) { return p.InPhaseTwo() && pos == 2; },
         false, 0, kRunCancelled},
        {"read error", nullptr, true, -1, kItemRunRestored},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QStringList before = DumpFirm();
        QString csv = QString::fromUtf8(kCsv);
        // The last row's purchase price is no number: the run stops after writing three rows.
        if (c.breakColumn) csv.replace(";11;22", ";jedenáct;22");
        TImportDefinition d = ItemDefinition(WriteCsv("c.csv", csv));
        Match(d, true);
        TRecordedProtocol protocol;
        protocol.cancelAt = [&](int pos) { return c.cancel && c.cancel(protocol, pos); };
        TScriptedDialogs dialogs;
        if (QString(c.name).contains("phase I") && !QString(c.name).contains("phase II"))
            dialogs.ExpectQuestion(QString::fromUtf8(kItemRunConfirmStop), true);
        if (QString(c.name).contains("phase II"))
            dialogs.ExpectQuestion(QString::fromUtf8(kItemRunConfirmStopPhaseTwo), true);
        EXPECT_EQ(ImportPriceListItems(d, protocol), c.result);
        dialogs.Verify();
        EXPECT_EQ(DumpFirm(), before);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Chyba = True"), 0);
        EXPECT_EQ(protocol.lines.last(), QString::fromUtf8(c.lastLine));
        // The protocol says what became of the price list, and a cancel in the first phase says
        // what the repair does before it.
        EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8(kItemRunRestored)));
        EXPECT_EQ(protocol.lines.contains(QString::fromUtf8(kItemRunRollback)),
                  QString(c.name) == "cancel in phase I");
        EXPECT_FALSE(protocol.lines.contains(QString::fromUtf8("• ceník:")));
        EXPECT_FALSE(main_->ADOConAgenda.InTransaction());
        WorkingCancelled = false;
    }
}

TEST_F(ImportRunTest, ACodeRepeatedInTheSourceUpdatesItsItemOnceForEachRow) {
    const QString csv = QString::fromUtf8("Kód;Název;Nakup;Cena\nCYKY315;První;10;20\ncyky315;Druhý;11;22\n");
    TImportDefinition d = ItemDefinition(WriteCsv("c.csv", csv));
    Match(d, true);
    const int before = Count("SELECT COUNT(*) FROM Zasoby");
    TRecordedProtocol protocol;
    TScriptedDialogs dialogs;
    ASSERT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby"), before);
    EXPECT_EQ(Value("SELECT Popis FROM Zasoby WHERE Katalog = 'CYKY315'").toString(),
              QString::fromUtf8("Druhý"));
    EXPECT_DOUBLE_EQ(Value("SELECT NakCena FROM Zasoby WHERE Katalog = 'CYKY315'").toDouble(), 11);
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  + zaktualizováno záznamů: 2")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  = počet naimportovaných záznamů celkem: 2")));
}

// A new item is priced as it is written; phase II prices an updated one from its stored row. An
// existing item that holds nothing but what a new one starts with, updated by the same definition,
// must therefore end with exactly the prices of the new item.
TEST_F(ImportRunTest, NewItemsArePricedAsPhaseTwoPricesAnUpdatedOne) {
    ExecAgenda(
        "UPDATE CenSkup SET Vlastni = False, Marze = 25, Prepocitat = True, Zaok = 1, SDPH = True "
        "WHERE Zkratka = 'STD'");
    struct Case {
        const char* name;
        std::function<void(TImportDefinition&)> set;
    };
    const Case kCases[] = {
        {"own group with level rules, price without VAT",
         [](TImportDefinition& d) {
             d.CheckCenSkup = true;
             d.CenSkupina = "MAT";
             d.CheckPrepocitat = true;
             d.ValuePrepocitat = 0;
             d.ValuePrepocPodle = 0;
         }},
        {"group imposing its margin, price with VAT",
         [](TImportDefinition& d) {
             d.CheckCenSkup = true;
             d.CenSkupina = "STD";
             d.ProdCenaTypCeny = 1;
         }},
        {"imported rabat, rounding to crowns, prices with VAT",
         [](TImportDefinition& d) {
             d.Items[ifHodnota] = {true, TFieldSource::Fixed, {}, {}, 12.5};
             d.TypHodnota = 1;
             d.CheckPrepocitat = true;
             d.ValuePrepocitat = 0;
             d.ValuePrepocPodle = 1;
             d.CheckZaokrouhleni = true;
             d.ValueZaokrouhleni = 1;
             d.CheckTypCeny = true;
             d.ValueTypCeny = 1;
         }},
    };
    const QString columns =
        "NakCena, PrCenaSDPH, PrCenaBDPH, SDPH, SazbaDPH, Nakladova, Zaok, Marze, Rabat, CenSkupina, "
        "Prepocitat, "
        "Chyba, TypHodnoty, PrCenaSDPH1, PrCenaBDPH1, SDPH1, CenHlad1, PrCenaSDPH2, PrCenaBDPH2, SDPH2, "
        "CenHlad2, "
        "PrCenaSDPH3, PrCenaBDPH3, SDPH3, CenHlad3";
    int n = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString code = QString("DVOJCE%1-").arg(++n);
        QStringList codes = {code + "A", code + "B", code + "C"};
        QString csv = QString::fromUtf8("Kód;Název;Nakup;Cena\n") + codes[0] +
                      QString::fromUtf8(";Kabel;15,10;25,00\n") + codes[1] +
                      QString::fromUtf8(";Jistič;123,45;199,90\n") + codes[2] +
                      QString::fromUtf8(";Montáž;0;450\n");
        // New items are written several rows at a time: 19 rows fill whole batches and leave a
        // shorter one, and a row's values must not stray into its neighbours'.
        for (int i = 1; i <= 16; ++i) {
            codes << code + QString("D%1").arg(i, 2, 10, QChar('0'));
            csv += codes.last() + QString(";Položka %1;%2;%3\n")
                                      .arg(i)
                                      .arg(QString::number(i * 7.3, 'f', 2).replace('.', ','))
                                      .arg(QString::number(i * 11.9 + 3, 'f', 2).replace('.', ','));
        }
        // The twins come first, so matching finds them rather than the new items.
        for (const QString& k : codes)
            ExecAgenda("INSERT INTO Zasoby (Sklad, Skupina, Katalog) VALUES (1, 1, '" + k + "')");
        const int firstNew = Value("SELECT MAX(ID) FROM Zasoby").toInt() + 1;
        TImportDefinition d = ItemDefinition(WriteCsv("c.csv", csv));
        c.set(d);
        TScriptedDialogs dialogs;
        TRecordedProtocol added;
        ASSERT_EQ(ImportPriceListItems(d, added), 0);
        ASSERT_TRUE(added.lines.contains(QString::fromUtf8("  + přidáno nových záznamů: 19")));
        {
            // In the order of the source, each with its own name and purchase price.
            TADOQuery q(&main_->ADOConAgenda);
            q.SetSQL(QString("SELECT Katalog, Popis, NakCena FROM Zasoby WHERE ID >= %1 ORDER BY ID")
                         .arg(firstNew));
            q.Open();
            ASSERT_EQ(q.RecordCount(), 19);
            for (int i = 0; i < 19; ++i, q.Next()) {
                EXPECT_EQ(q.FieldByName("Katalog")->AsString(), codes[i]);
                if (i >= 3) {
                    EXPECT_EQ(q.FieldByName("Popis")->AsString(), QString::fromUtf8("Položka %1").arg(i - 2));
                    EXPECT_NEAR(q.FieldByName("NakCena")->AsFloat(), (i - 2) * 7.3, 0.005);
                }
            }
        }
        Match(d, false);
        TRecordedProtocol updated;
        ASSERT_EQ(ImportPriceListItems(d, updated), 0);
        ASSERT_TRUE(updated.lines.contains(QString::fromUtf8("  + zaktualizováno záznamů: 19")));
        for (const QString& k : codes) {
            TADOQuery q(&main_->ADOConAgenda);
            q.SetSQL("SELECT " + columns + " FROM Zasoby WHERE Katalog = '" + k + "' ORDER BY ID");
            q.Open();
            ASSERT_EQ(q.RecordCount(), 2);
            std::vector<QVariant> twin;
            for (int i = 0; i < q.FieldCount(); ++i) twin.push_back(q.Fields()[i]->Value());
            q.Next();
            for (int i = 0; i < q.FieldCount(); ++i)
                EXPECT_EQ(q.Fields()[i]->Value(), twin[static_cast<size_t>(i)])
                    << k.toStdString() << " " << q.Fields()[i]->FieldName().toStdString();
        }
    }
    // The prices are the recalculated ones, not the imported ones: the group's margin of 25 % on the
    // purchase price, rounded to crowns, with VAT.
    EXPECT_DOUBLE_EQ(
        Value("SELECT PrCenaBDPH FROM Zasoby WHERE Katalog = 'DVOJCE2-B' ORDER BY ID").toDouble(), 154.0);
}

TEST_F(ImportRunTest, AWriteRefusedWithinABatchRestoresThePriceListAndSaysSo) {
    // The refused row is the tenth, in the second batch of new items. A refusal by a trigger ends
    // the statement; a conflict ends the whole transaction inside the engine.
    struct Case {
        const char* name;
        const char* setup;
        const char* cleanup;
    };
    const Case kCases[] = {
        {"trigger",
         "CREATE TRIGGER refuse BEFORE INSERT ON Zasoby WHEN NEW.Katalog = 'K10' "
         "BEGIN SELECT RAISE(ABORT, 'disk full'); END",
         "DROP TRIGGER refuse"},
        {"conflict",
         "CREATE UNIQUE INDEX once ON Zasoby (Katalog) WHERE Katalog = 'K10'; "
         "INSERT INTO Zasoby (Sklad, Skupina, Katalog) VALUES (1, 1, 'K10')",
         "DROP INDEX once; DELETE FROM Zasoby WHERE Katalog = 'K10'"},
    };
    QString csv = QString::fromUtf8("Kód;Název;Nakup;Cena\n");
    for (int i = 1; i <= 19; ++i)
        csv += QString("K%1;Položka %1;%1;%2\n").arg(i, 2, 10, QChar('0')).arg(i * 2);
    const TImportDefinition d = ItemDefinition(WriteCsv("c.csv", csv));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        sqlite3* db = main_->ADOConAgenda.Handle();
        ASSERT_EQ(sqlite3_exec(db, c.setup, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        const QStringList before = DumpFirm();
        TScriptedDialogs dialogs;
        TRecordedProtocol protocol;
        EXPECT_EQ(ImportPriceListItems(d, protocol), -1);
        EXPECT_FALSE(main_->ADOConAgenda.InTransaction());
        EXPECT_EQ(DumpFirm(), before);
        EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8(kItemRunRestored)));
        bool saidWhy = false;
        for (size_t i = 0; i < protocol.kinds.size(); ++i)
            saidWhy = saidWhy || (protocol.kinds[i] == TProtocolKind::Red &&
                                  protocol.lines[int(i)].startsWith(QString::fromUtf8(kRunSaveError)));
        EXPECT_TRUE(saidWhy) << protocol.lines.join('\n').toStdString();
        ASSERT_EQ(sqlite3_exec(db, c.cleanup, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    }
    // The connection goes on as before: the same file imports whole.
    TRecordedProtocol protocol;
    ASSERT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog LIKE 'K__'"), 19);
}

TEST_F(ImportRunTest, DecliningTheCancelGoesOnWithTheNextRow) {
    TImportDefinition d = ItemDefinition(WriteCsv("c.csv", QString::fromUtf8(kCsv)));
    TRecordedProtocol protocol;
    protocol.cancelAt = [&](int pos) { return !protocol.InPhaseTwo() && pos == 1; };
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kItemRunConfirmStop), false);
    EXPECT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_FALSE(WorkingCancelled);
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  + přidáno nových záznamů: 4")));
}

TEST_F(ImportRunTest, StopsBeforeReadingOnAMissingTargetFilterOrFile) {
    struct Case {
        const char* name;
        std::function<void(TImportDefinition&)> change;
        const char* line;
    };
    const Case kCases[] = {
        {"group gone", [](TImportDefinition& d) { d.IDSkup = 999; }, kItemRunNoTarget},
        {"filter sheet gone",
         [](TImportDefinition& d) {
             d.CheckHledatPouzeV = true;
             d.IDListuHledatV = 999;
         },
         kItemRunNoFilterSheet},
        {"filter group gone",
         [](TImportDefinition& d) {
             d.CheckHledatPouzeV = true;
             d.IDListuHledatV = d.IDListu;
             d.CheckHledatVeSkup = true;
         },
         kItemRunNoFilterGroup},
        {"file gone", [](TImportDefinition& d) { d.FileName += ".missing"; }, kRunFileMissing},
    };
    const QStringList before = Dump("Zasoby");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TImportDefinition d = ItemDefinition(WriteCsv("c.csv", QString::fromUtf8(kCsv)));
        c.change(d);
        TRecordedProtocol protocol;
        EXPECT_EQ(ImportPriceListItems(d, protocol), -1);
        EXPECT_EQ(protocol.lines.last(), QString::fromUtf8(c.line));
        EXPECT_EQ(protocol.kinds.back(), TProtocolKind::Red);
    }
    EXPECT_EQ(Dump("Zasoby"), before);
}

TEST_F(ImportRunTest, FilterSearchesOneSheetOnly) {
    // The code exists in "Elektroinstalace"; searched only in "Osvětlení" it is not found.
    TImportDefinition d =
        ItemDefinition(WriteCsv("c.csv", QString::fromUtf8("Kód;Název;Nakup;Cena\nCYKY315;x;1;2\n")));
    Match(d, true);
    d.CheckHledatPouzeV = true;
    d.IDListuHledatV = Id("Sklady", QString::fromUtf8("Osvětlení"));
    TRecordedProtocol protocol;
    TScriptedDialogs dialogs;
    ASSERT_EQ(ImportPriceListItems(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Zasoby WHERE Katalog = 'CYKY315'"), 2);
    EXPECT_TRUE(protocol.lines.contains(
        QString::fromUtf8("• filtr: zapnutý, hledat ref. pol. - pouze v listu \"Osvětlení\"")));
}

TEST_F(ImportRunTest, AddressesMatchByIcoAndSetThePriceLevelOnNewOnes) {
    const QString ico = Value("SELECT ICO FROM Adresar WHERE ICO <> '' ORDER BY ID").toString();
    ASSERT_FALSE(ico.isEmpty());
    const QString level = Value("SELECT CenHladina FROM Adresar WHERE ICO = '" + ico + "'").toString();
    const QString longName = QString(70, 'N');
    const QString csv = QString::fromUtf8("IČ;Firma;Město\n") + ico + ";" + longName + ";Brno\n" +
                        ";Nová firma s.r.o.;Praha\n12345678;Další firma;Olomouc\n";
    TImportDefinition d;
    d.Source = TImportSourceKind::Text;
    d.FileName = WriteCsv("adresy.csv", csv);
    d.Porovnavat = true;
    d.RefField = "ICO";
    d.RefDBField = QString::fromUtf8("IČ");
    d.CheckNovaPolozka = true;
    d.Addresses[afICO] = {true, TFieldSource::Column, QString::fromUtf8("IČ"), {}, 0};
    d.Addresses[afNazev] = {true, TFieldSource::Column, "Firma", {}, 0};
    d.Addresses[afMisto] = {true, TFieldSource::Column, QString::fromUtf8("Město"), {}, 0};
    d.CheckCenHladAdr = true;
    d.CheckNastavNaNoveAdr = true;
    d.CenHladAdr = "VELKOOBCHOD";
    const int before = Count("SELECT COUNT(*) FROM Adresar");
    TRecordedProtocol protocol;
    TScriptedDialogs dialogs;
    ASSERT_EQ(ImportAddresses(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Adresar"), before + 2);
    EXPECT_EQ(Value("SELECT Nazev FROM Adresar WHERE ICO = '" + ico + "'").toString(), longName.left(50));
    EXPECT_EQ(Value("SELECT CenHladina FROM Adresar WHERE ICO = '" + ico + "'").toString(), level);
    EXPECT_FALSE(Value("SELECT Znacka FROM Adresar WHERE ICO = '" + ico + "'").isNull());
    EXPECT_EQ(Value("SELECT CenHladina FROM Adresar WHERE ICO = '12345678'").toString(), "VELKOOBCHO");
    EXPECT_TRUE(Value("SELECT Znacka FROM Adresar WHERE ICO = '12345678'").isNull());
    EXPECT_TRUE(
        protocol.lines.contains(QString::fromUtf8("• varování: zdroj. řádek č. 2 - prázdná referenční "
                                                  "položka (IČ)")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  + zaktualizováno záznamů: 1")));
    EXPECT_TRUE(protocol.lines.contains(QString::fromUtf8("  + přidáno nových záznamů: 2")));
}

TEST_F(ImportRunTest, CancelledAddressImportKeepsWhatItWrote) {
    const QString csv = QString::fromUtf8("Firma\nPrvní\nDruhá\nTřetí\n");
    TImportDefinition d;
    d.Source = TImportSourceKind::Text;
    d.FileName = WriteCsv("adresy.csv", csv);
    d.Addresses[afNazev] = {true, TFieldSource::Column, "Firma", {}, 0};
    const int before = Count("SELECT COUNT(*) FROM Adresar");
    TRecordedProtocol protocol;
    protocol.cancelAt = [](int pos) { return pos == 2; };
    TScriptedDialogs dialogs;
    dialogs.ExpectQuestion(QString::fromUtf8(kRunConfirmStop), true);
    EXPECT_EQ(ImportAddresses(d, protocol), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Adresar"), before + 2);
    EXPECT_EQ(protocol.lines.last(), QString::fromUtf8(kRunCancelled));
    EXPECT_FALSE(protocol.lines.contains(QString::fromUtf8("• adresář:")));
}

TEST_F(ImportRunTest, ASourceTableThatCannotBeReadGivesTwoRedLines) {
    // An Access database whose tables the tools list, without the definition's table.
    const QString file = WriteCsv("firma.mdb", "x");
    MdbToolRunner = [](const QString& program, const QStringList&, QByteArray& out) {
        out = program == "mdb-tables" ? "Zbozi\n" : "";
        return program == "mdb-tables";
    };
    struct TRestoreRunner {
        ~TRestoreRunner() { MdbToolRunner = RunMdbTool; }
    } restore;
    TImportDefinition d = ItemDefinition(file);
    d.Source = TImportSourceKind::Access;
    d.TableName = "Cenik";
    TRecordedProtocol protocol;
    EXPECT_EQ(ImportPriceListItems(d, protocol), -1);
    ASSERT_GE(protocol.lines.size(), 2);
    EXPECT_EQ(
        protocol.lines.mid(protocol.lines.size() - 2),
        QStringList({QString::fromUtf8(kRunTableFailed) + "[Cenik]", QString::fromUtf8(kRunTableHint)}));
    EXPECT_EQ(protocol.kinds.back(), TProtocolKind::Red);
    EXPECT_FALSE(ImportConnection().Connected());
    // A file that is no database at all does not open.
    MdbToolRunner = [](const QString&, const QStringList&, QByteArray&) { return false; };
    TRecordedProtocol second;
    EXPECT_EQ(ImportPriceListItems(d, second), -1);
    EXPECT_EQ(second.lines.last(), QString::fromUtf8(kRunOpenFailed));
}
