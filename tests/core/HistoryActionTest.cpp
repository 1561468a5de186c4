#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "common/Artifacts.h"
#include "common/ScriptedDialogs.h"
#include "common/TempDir.h"
#include "core/AdoQuery2MemTableBuilder.h"
#include "core/CommonUtils.h"
#include "core/DbTemplates.h"
#include "core/HistoryAction.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/MemTableStream.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "widgets/VnDBGrids.h"

namespace {

// Fixed local time of every entry: 5.3.2024 14:07.
const TDateTime kEntryTime = DateTimeToOle(QDate(2024, 3, 5), QTime(14, 7));

// A firm made from the empty-firm template, held by the main window, with offers written into it
// the way the offer card writes them, and a logged-in user with a name.
class HistoryActionTest : public TempDirTest {
protected:
    void SetUp() override {
        savedUser_ = CurrentUser;
        savedShow_ = ShowPurchasePrices;
        savedClock_ = HistoryClock;
        savedCurrency_ = CurrencySymbol;
        HistoryClock = [] { return kEntryTime; };
        CurrentUser = TUser();
        CurrentUser.UzivID = CurrentUser.ID = 12;
        CurrentUser.Jmeno = "Jana Nováková";
        BuildEmptyFirmTemplate(Folder() + "FIRMA.MDB");
        main_ = std::make_unique<TfrmMain>();
        main_->ADOConAgenda.Open(Folder() + "FIRMA.MDB");
    }
    void TearDown() override {
        main_.reset();
        CurrentUser = savedUser_;
        ShowPurchasePrices = savedShow_;
        HistoryClock = savedClock_;
        CurrencySymbol = savedCurrency_;
    }

    TADOConnection& Firm() { return main_->ADOConAgenda; }

    int AddOffer(const QString& doklad, const QString& popis, double total) {
        TParameters p;
        p.AddParameter("Doklad")->Value = doklad;
        p.AddParameter("Popis")->Value = popis;
        p.AddParameter("Celkem")->Value = total;
        Firm().Execute(
            "INSERT INTO Nabidky (Doklad, Popis, IDStav, AdrNazev, AdrMisto, Celkem, CelkemBDPH, CelkemNC, "
            "Zisk, "
            "DatVystaveni) VALUES (:Doklad, :Popis, 1, 'Stavby Morava s.r.o.', 'Brno', :Celkem, :Celkem, "
            "500, 250, "
            "#2024-3-1#)",
            p);
        return Firm().OpenRowset("SELECT MAX(ID) FROM Nabidky")->Value(0, 0).toInt();
    }

    void AddItem(int offer, int poradi, const QString& popis, bool heading = false) {
        TParameters p;
        p.AddParameter("CisloNab")->Value = offer;
        p.AddParameter("Poradi")->Value = poradi;
        p.AddParameter("Popis")->Value = popis;
        p.AddParameter("Nadpisova")->Value = heading;
        Firm().Execute(
            "INSERT INTO NabPolozky (CisloNab, Poradi, Popis, Nadpisova, Textova, PocetMJ, MJ, PCBDPHMJ) "
            "VALUES "
            "(:CisloNab, :Poradi, :Popis, :Nadpisova, 0, 2.5, 'ks', 1234.5)",
            p);
    }

    // What the offer card's save does at the detailed level: both snapshots built from the saved
    // rows, one entry, the snapshots freed.
    bool LogOffer(int offer, THistoryActionType type, const QString& description, bool detailed = true) {
        std::unique_ptr<TMemTable> header, items;
        if (detailed) {
            TADOQuery& q = main_->adqAgendaFree1;
            TAdoQuery2MemTableBuilder builder;
            q.SetSQL(QString("SELECT * FROM Nabidky WHERE ID = %1").arg(offer));
            q.Open();
            builder.Build(q, "Nabidky");
            header = builder.TakeTable();
            q.Close();
            q.SetSQL(QString("SELECT * FROM NabPolozky WHERE CisloNab = %1 ORDER BY Poradi ASC").arg(offer));
            q.Open();
            builder.Build(q, "NabPolozky");
            items = builder.TakeTable();
            q.Close();
        }
        THistoryAction history;
        return history.Add(type, THistoryObjectType::Offer, offer, description, header.get(), items.get());
    }

    int LastEntryId() { return Firm().OpenRowset("SELECT MAX(ID) FROM Akce")->Value(0, 0).toInt(); }

    std::unique_ptr<TfrmMain> main_;

private:
    TUser savedUser_;
    bool savedShow_ = true;
    std::function<TDateTime()> savedClock_;
    QString savedCurrency_;
};

TEST_F(HistoryActionTest, BasicEntryHasNoSnapshots) {
    const int offer = AddOffer("NB0001", "Rekonstrukce", 1210);
    ASSERT_TRUE(
        LogOffer(offer, THistoryActionType::Added, "Stav: v přípravě, Celkem s DPH: 1 210,00 Kč", false));
    const auto row = Firm().OpenRowset(
        "SELECT ObjectType, ObjectID, ActionType, UserID, UserName, ActionDate, Description, ActionData1, "
        "ActionData2 FROM Akce");
    ASSERT_EQ(row->RowCount(), 1u);
    EXPECT_EQ(row->Value(0, 0).toInt(), 0);
    EXPECT_EQ(row->Value(0, 1).toInt(), offer);
    EXPECT_EQ(row->Value(0, 2).toInt(), 0);
    EXPECT_EQ(row->Value(0, 3).toInt(), 12);
    EXPECT_EQ(row->Value(0, 4).toString(), "Jana Nováková");
    EXPECT_DOUBLE_EQ(row->Value(0, 5).toDouble(), kEntryTime);
    EXPECT_EQ(row->Value(0, 6).toString(), "Stav: v přípravě, Celkem s DPH: 1 210,00 Kč");
    EXPECT_TRUE(row->Value(0, 7).toString().isEmpty());
    EXPECT_TRUE(row->Value(0, 8).toString().isEmpty());

    THistoryAction history;
    history.LoadSnapshots(LastEntryId());
    EXPECT_EQ(history.Snapshot1(), nullptr);
    EXPECT_EQ(history.Snapshot2(), nullptr);
}

TEST_F(HistoryActionTest, DetailedEntryKeepsTheOfferAndItsItemsInOrder) {
    // A line break in a text column must come back as it was.
    const int offer = AddOffer("NB0002", "první řádek\r\ndruhý \"řádek\"", 5000);
    AddItem(offer, 3, "Třetí");
    AddItem(offer, 1, "Nadpis", true);
    AddItem(offer, 2, "Druhá");
    AddItem(offer + 1, 1, "Cizí položka");
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Changed, "změna"));

    THistoryAction history;
    history.LoadSnapshots(LastEntryId());
    TMemTable* header = history.Snapshot1();
    TMemTable* items = history.Snapshot2();
    ASSERT_NE(header, nullptr);
    ASSERT_NE(items, nullptr);
    const int offerColumns = static_cast<int>(Firm().GetColumns("Nabidky").size());
    EXPECT_EQ(header->FieldCount(), offerColumns);
    ASSERT_EQ(header->RecordCount(), 1);
    header->First();
    EXPECT_EQ(header->FieldByName("Popis")->AsString(), "první řádek\r\ndruhý \"řádek\"");
    EXPECT_EQ(header->FieldByName("Doklad")->AsString(), "NB0002");
    EXPECT_EQ(header->FieldByName("Celkem")->AsFloat(), 5000);
    EXPECT_EQ(header->FieldByName("ID")->AsInteger(), offer);

    EXPECT_EQ(items->FieldCount(), static_cast<int>(Firm().GetColumns("NabPolozky").size()));
    QStringList order;
    for (items->First(); !items->Eof(); items->Next()) order << items->FieldByName("Popis")->AsString();
    EXPECT_EQ(order, (QStringList{"Nadpis", "Druhá", "Třetí"}));

    // Loading another entry replaces what was held.
    const int plain = AddOffer("NB0003", "", 0);
    ASSERT_TRUE(LogOffer(plain, THistoryActionType::Added, "", false));
    history.LoadSnapshots(LastEntryId());
    EXPECT_EQ(history.Snapshot1(), nullptr);
}

TEST_F(HistoryActionTest, OfferWithoutItemsGivesADefinitionAndNoRecord) {
    const int offer = AddOffer("NB0004", "prázdná", 0);
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Added, ""));
    const QString stored =
        Firm()
            .OpenRowset(QString("SELECT ActionData2 FROM Akce WHERE ID = %1").arg(LastEntryId()))
            ->Value(0, 0)
            .toString();
    EXPECT_FALSE(stored.isEmpty());
    // The header line names every column; nothing follows it.
    const QStringList lines = stored.split("\r\n", Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().contains("\"Poradi\""));
    THistoryAction history;
    history.LoadSnapshots(LastEntryId());
    ASSERT_NE(history.Snapshot2(), nullptr);
    EXPECT_EQ(history.Snapshot2()->RecordCount(), 0);
    EXPECT_NE(history.Snapshot2()->FindField("Poradi"), nullptr);
}

TEST_F(HistoryActionTest, BuilderCopiesNullsAndTypes) {
    Firm().Execute("INSERT INTO Nabidky (Doklad) VALUES ('NB0005')");
    TADOQuery q(&Firm());
    q.SetSQL("SELECT ID, Doklad, Popis, DatVystaveni, Celkem, Zamek FROM Nabidky");
    q.Open();
    TAdoQuery2MemTableBuilder builder;
    ASSERT_TRUE(builder.Build(q, "Nabidky"));
    EXPECT_EQ(builder.TableName(), "Nabidky");
    std::unique_ptr<TMemTable> table = builder.TakeTable();
    ASSERT_EQ(table->RecordCount(), 1);
    for (int i = 0; i < q.FieldCount(); ++i) {
        SCOPED_TRACE(q.Fields()[i]->FieldName().toStdString());
        EXPECT_EQ(table->Fields()[i]->FieldName(), q.Fields()[i]->FieldName());
        EXPECT_EQ(table->Fields()[i]->DataType(),
                  q.Fields()[i]->DataType() == ftWideString ? ftString : q.Fields()[i]->DataType());
    }
    EXPECT_EQ(table->FieldByName("Doklad")->AsString(), "NB0005");
    EXPECT_TRUE(table->FieldByName("Popis")->IsNull());
    EXPECT_TRUE(table->FieldByName("DatVystaveni")->IsNull());
    EXPECT_TRUE(table->FieldByName("Celkem")->IsNull());
}

TEST_F(HistoryActionTest, FailedInsertIsReportedAndAnswersFalse) {
    // Another station's engine may drop the row; the program must not count it as written.
    Firm().Execute("CREATE TRIGGER DropAkce BEFORE INSERT ON Akce BEGIN SELECT RAISE(IGNORE); END");
    const int offer = AddOffer("NB0006", "", 0);
    TScriptedDialogs dialogs;
    dialogs.ExpectError(kHistorySaveFailedText);
    EXPECT_FALSE(LogOffer(offer, THistoryActionType::Added, "x"));
    dialogs.Verify();
}

// Runs the history window of an offer through its entry function and hands the shown window to
// check; a window that does not close is closed after a while so a fault fails instead of hanging.
void WithHistoryWindow(int offer, const std::function<void(TfrmHistoryAction&)>& check) {
    bool ran = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = qobject_cast<TfrmHistoryAction*>(QApplication::activeModalWidget());
        if (!window || ran) return;
        ran = true;
        check(*window);
        window->btnZavrit->click();
    });
    poll.start();
    THistoryAction history;
    EXPECT_FALSE(history.ShowHistory(THistoryObjectType::Offer, offer));
    EXPECT_TRUE(ran);
}

QString ListActionText(TfrmHistoryAction& w) {
    const int type = w.grList->DataSource()->DataSet()->FieldByName("ActionType")->AsInteger();
    return type == 0 ? "Přidání" : "Změna";
}

TEST_F(HistoryActionTest, WindowOpensOnTheNewestEntryAndFollowsTheList) {
    const int offer = AddOffer("NB0010", "první verze", 1000);
    AddItem(offer, 1, "Okna", true);
    AddItem(offer, 2, "Okno plastové 120x150");
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Added, "Stav: v přípravě"));
    Firm().Execute(QString("UPDATE Nabidky SET Popis = 'druhá verze' WHERE ID = %1").arg(offer));
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Changed, "bez náhledu", false));
    Firm().Execute(
        QString("UPDATE Nabidky SET Popis = 'třetí verze', Doklad = 'NB0010a' WHERE ID = %1").arg(offer));
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Changed, "Stav: odeslaná"));
    const int other = AddOffer("NB0011", "jiná", 1);
    ASSERT_TRUE(LogOffer(other, THistoryActionType::Added, "jiná nabídka"));
    ShowPurchasePrices = false;
    CurrentUser.NakupniCeny_AR = true;
    // The firm's own currency, not the station's.
    CurrencySymbol = "EUR";

    WithHistoryWindow(offer, [&](TfrmHistoryAction& w) {
        TDataSet* list = w.grList->DataSource()->DataSet();
        EXPECT_EQ(w.windowTitle(), "Historie akcí");
        ASSERT_EQ(list->RecordCount(), 3);
        EXPECT_EQ(list->RecNo(), 3);
        EXPECT_EQ(w.pgcPreview->currentWidget(), w.tsNabidka);
        EXPECT_EQ(w.edtPopis->text(), "třetí verze");
        EXPECT_EQ(w.lblNahled->text(), "Náhled na nabídku NB0010a k 5.3.2024 14:07:00 hod.");
        EXPECT_EQ(w.edtStav->text(), OfferStateName(1));
        EXPECT_EQ(w.edtAdrNazev->text(), "Stavby Morava s.r.o.");
        EXPECT_EQ(w.edtCelkem->text(), "1 000,00 EUR");
        EXPECT_EQ(w.grList->GetCellText(w.grList->Columns().ColumnAt(0)), "05.03.2024");
        EXPECT_EQ(w.grList->GetCellText(w.grList->Columns().ColumnAt(1)), "14:07");
        // Purchase total and profit are hidden while the switch is off; Ctrl+Q brings them.
        EXPECT_TRUE(w.lblCelkemNC->isHidden());
        EXPECT_TRUE(w.edtZisk->isHidden());
        EXPECT_FALSE(w.edtCelkemBDPH->isHidden());
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectQuestion(kShowPurchasePricesQuestion, true);
            w.findChild<QAction*>("acSHNC")->trigger();
            dialogs.Verify();
        }
        EXPECT_FALSE(w.lblCelkemNC->isHidden());
        EXPECT_EQ(w.edtCelkemNC->text(), "500,00 EUR");

        list->Prior();
        EXPECT_EQ(ListActionText(w), "Změna");
        EXPECT_EQ(w.pgcPreview->currentWidget(), w.tsNoData);

        list->First();
        EXPECT_EQ(ListActionText(w), "Přidání");
        EXPECT_EQ(w.pgcPreview->currentWidget(), w.tsNabidka);
        EXPECT_EQ(w.edtPopis->text(), "první verze");
        TDataSet* items = w.grNabidkaItems->DataSource()->DataSet();
        ASSERT_NE(items, nullptr);
        EXPECT_EQ(items->RecordCount(), 2);

        // The heading row shows its description only; the item row shows its numbers.
        w.resize(1000, 600);
        w.grNabidkaItems->resize(500, 120);
        const QImage picture = w.grNabidkaItems->viewport()->grab().toImage();
        picture.save(ArtifactPath("history_preview_items.png"));
        auto darkPixels = [&](int rawColumn, int row) {
            const TRect cell = w.grNabidkaItems->CellRect(rawColumn, row);
            int count = 0;
            for (int y = cell.Top + 1; y < cell.Bottom - 1; ++y)
                for (int x = cell.Left + 1; x < cell.Right - 1; ++x)
                    if (picture.pixelColor(x, y).lightness() < 100) ++count;
            return count;
        };
        EXPECT_GT(darkPixels(1, 1), 0);  // "Okna"
        EXPECT_EQ(darkPixels(2, 1), 0);  // its quantity is not drawn
        EXPECT_GT(darkPixels(2, 2), 0);  // the item's quantity is
        EXPECT_EQ(w.grNabidkaItems->GetCellText(w.grNabidkaItems->Columns().ColumnAt(1)), "2,50");
        w.grab().save(ArtifactPath("history_window.png"));
    });
    EXPECT_TRUE(ShowPurchasePrices);
}

TEST_F(HistoryActionTest, WindowOfAnOfferWithoutEntriesShowsNoPreview) {
    WithHistoryWindow(99, [](TfrmHistoryAction& w) {
        EXPECT_EQ(w.grList->DataSource()->DataSet()->RecordCount(), 0);
        EXPECT_EQ(w.pgcPreview->currentWidget(), w.tsNoData);
    });
}

TEST_F(HistoryActionTest, SnapshotThatCannotBeLoadedIsReportedAndTheListStays) {
    const int offer = AddOffer("NB0020", "", 0);
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Added, "dobrá"));
    ASSERT_TRUE(LogOffer(offer, THistoryActionType::Changed, "poškozená"));
    // The definition of the key column names a type no table can hold.
    const int broken = LastEntryId();
    QString text = Firm()
                       .OpenRowset(QString("SELECT ActionData1 FROM Akce WHERE ID = %1").arg(broken))
                       ->Value(0, 0)
                       .toString();
    text.replace(QRegularExpression("\"ID=[A-Za-z]+,"), "\"ID=Nesmysl,");
    TParameters p;
    p.AddParameter("Data")->Value = text;
    Firm().Execute(QString("UPDATE Akce SET ActionData1 = :Data WHERE ID = %1").arg(broken), p);
    TScriptedDialogs dialogs;
    dialogs.ExpectError("");
    WithHistoryWindow(offer, [&](TfrmHistoryAction& w) {
        TDataSet* list = w.grList->DataSource()->DataSet();
        EXPECT_EQ(w.pgcPreview->currentWidget(), w.tsNoData);
        list->First();
        EXPECT_EQ(w.pgcPreview->currentWidget(), w.tsNabidka);
    });
    dialogs.Verify();
}

}  // namespace
