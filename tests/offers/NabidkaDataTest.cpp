#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "common/LockHolder.h"
#include "core/CardProtocol.h"
#include "core/HistoryAction.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Nastaveni.h"
#include "core/StationWait.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaSoucty.h"
#include "offers/OfferFixture.h"
#include "platform/text/NumberFormat.h"

namespace {

// A price item as the item card writes it: net unit price, rate and quantity.
void AppendItem(TOfferDocument& doc, const QString& popis, double net, double rate, double quantity,
                int order) {
    TOfferItemCalc calc;
    calc.VatRates = {VatRateText(rate)};
    calc.Set(TItemValue::ProdCena, net);
    calc.Set(TItemValue::PocetMJ, quantity);
    calc.RecalcDiscount();
    TMemTable& items = doc.mtTmpPolozky;
    AppendBlankItem(items);
    items.FieldByName("Popis")->SetAsString(popis);
    items.FieldByName("ProdCena")->SetAsFloat(net);
    items.FieldByName("SazbaDPH")->SetAsFloat(rate);
    items.FieldByName("PocetMJ")->SetAsFloat(quantity);
    items.FieldByName("PCBDPHPOL")->SetAsFloat(static_cast<double>(calc.Get(TItemValue::PCBDPHPOL)));
    items.FieldByName("PCSDPHPOL")->SetAsFloat(static_cast<double>(calc.Get(TItemValue::PCSDPHPOL)));
    items.FieldByName("VyseDPHPol")->SetAsFloat(static_cast<double>(calc.Get(TItemValue::VyseDPHPol)));
    items.FieldByName("Poradi")->SetAsInteger(order);
    items.FieldByName("LockID")->SetAsInteger(kNotStored);
    items.Post();
    RecalcOfferTotals();
}

}  // namespace

class NabidkaDataTest : public OfferFixture {
protected:
    int NextNumber() { return Scalar("SELECT Cislo FROM CisRady WHERE ModulOzn = 'NB'").toInt(); }
    void StandOn(int id) { ASSERT_TRUE(List().Locate("ID", id)); }
};

TEST_F(NabidkaDataTest, ANewOfferTakesTheNextNumberOnlyWhenSaved) {
    HistoryLevel = THistoryLevel::Basic;
    OfferPrintAfterNew = true;
    int printed = 0;
    OfferCardHooks().PrintNewOffer = [&] { ++printed; };
    const int next = NextNumber();
    CardDoes([&](TOfferDocument& doc) {
        EXPECT_EQ(doc.Header.Doklad, kAutomaticNumberText);
        EXPECT_TRUE(doc.Header.AutomaticNumber);
        EXPECT_EQ(doc.Header.Nadpis, kDefaultOfferHeading);
        // Nothing is drawn while the card is open.
        EXPECT_EQ(NextNumber(), next);
        doc.Header.Nadpis.clear();
        doc.Header.ZpPlatby = "platba předem na účet do pěti dnů";
        doc.Header.DatVystaveni.reset();
        doc.Header.AdrNazev = "Zákazník s.r.o.";
        AppendItem(doc, "Montáž", 100, 21, 1, 1);
        return true;
    });
    TScriptedDialogs dialogs;
    EXPECT_FALSE(EditOffer(true, false));

    const QString number = FormatDocumentNumber("NB", next, 5);
    const auto row = Firm().OpenRowset(
        "SELECT Nadpis, ZpPlatby, DatVystaveni, DatPlatnosti, Celkem, IDStav, VytvorID, Vytvoril, ID FROM "
        "Nabidky "
        "WHERE Doklad = '" +
        number + "'");
    ASSERT_EQ(row->RowCount(), 1u);
    EXPECT_EQ(row->Value(0, 0).toString(), kDefaultOfferHeading);
    EXPECT_EQ(row->Value(0, 1).toString(), QString("platba předem na úče"));
    EXPECT_FALSE(row->Value(0, 2).isValid());
    EXPECT_FALSE(row->Value(0, 3).isValid());
    EXPECT_DOUBLE_EQ(row->Value(0, 4).toDouble(), 121);
    EXPECT_EQ(row->Value(0, 5).toInt(), 0);
    EXPECT_EQ(row->Value(0, 6).toInt(), CurrentUser.UzivID);
    const int id = row->Value(0, 8).toInt();
    EXPECT_EQ(NextNumber(), next + 1);
    EXPECT_EQ(Count("NabPolozky", QString("CisloNab = %1").arg(id)), 1);
    // The list stands on the new offer, and the print dialog was offered for it.
    EXPECT_EQ(List().FieldByName("ID")->AsInteger(), id);
    EXPECT_EQ(printed, 1);
    const auto history = Firm().OpenRowset(
        QString("SELECT ActionType, Description, ActionData1 FROM Akce WHERE ObjectID = %1").arg(id));
    ASSERT_EQ(history->RowCount(), 1u);
    EXPECT_EQ(history->Value(0, 0).toInt(), 0);
    EXPECT_EQ(history->Value(0, 1).toString(),
              QString("Stav: rozpracovaná (zatím neodeslaná), Celkem s DPH: 121,00 Kč"));
    EXPECT_TRUE(history->Value(0, 2).toString().isEmpty());
}

TEST_F(NabidkaDataTest, StornoAndATypedNumberDrawNothing) {
    const int next = NextNumber();
    const int offers = Count("Nabidky");
    CardDoes([](TOfferDocument&) { return false; });
    {
        TScriptedDialogs dialogs;
        EXPECT_FALSE(EditOffer(true, false));
    }
    EXPECT_EQ(NextNumber(), next);
    EXPECT_EQ(Count("Nabidky"), offers);

    CardDoes([](TOfferDocument& doc) {
        doc.Header.AutomaticNumber = false;
        doc.Header.Doklad = "RUCNI-1";
        return true;
    });
    TScriptedDialogs dialogs;
    EXPECT_FALSE(EditOffer(true, false));
    EXPECT_EQ(NextNumber(), next);
    EXPECT_EQ(Count("Nabidky", "Doklad = 'RUCNI-1'"), 1);
}

// An offer confirmed with OK is stored even when no number can be drawn for it: it is saved
// unnumbered, with its items and its history, rather than thrown away after the card has closed.
TEST_F(NabidkaDataTest, AnOfferWhoseNumberCannotBeDrawnIsSavedWithoutANumber) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
    };
    const Case kCases[] = {
        {"the draw gives up",
         [this] {
             // Every number read is taken by "another station" before it can be raised.
             NumberSeriesAfterRead = [this] { Firm().Execute("UPDATE CisRady SET Cislo = Cislo + 1"); };
         }},
        {"no number series", [this] { Firm().Execute("DELETE FROM CisRady"); }},
    };
    HistoryLevel = THistoryLevel::Basic;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const int offers = Count("Nabidky");
        CardDoes([&](TOfferDocument& doc) {
            doc.Header.Popis = c.name;
            AppendItem(doc, "Revize", 200, 21, 1, 1);
            return true;
        });
        TScriptedDialogs dialogs;
        EXPECT_FALSE(EditOffer(true, false));
        NumberSeriesAfterRead = nullptr;
        EXPECT_EQ(Count("Nabidky"), offers + 1);
        const int id = Scalar("SELECT MAX(ID) FROM Nabidky").toInt();
        EXPECT_EQ(Scalar(QString("SELECT Doklad FROM Nabidky WHERE ID = %1").arg(id)).toString(), "");
        EXPECT_EQ(Scalar(QString("SELECT Popis FROM Nabidky WHERE ID = %1").arg(id)).toString(), c.name);
        EXPECT_EQ(Count("NabPolozky", QString("CisloNab = %1").arg(id)), 1);
        EXPECT_EQ(Count("Akce", QString("ObjectID = %1").arg(id)), 1);
    }
}

// A row that cannot be written undoes the whole save: the stored offer stays as it was, header,
// items and history alike, instead of keeping the new header with the items as far as they got.
TEST_F(NabidkaDataTest, ASaveThatFailsHalfwayStoresNothingOfIt) {
    HistoryLevel = THistoryLevel::Basic;
    StandOn(1);
    const QString popis = Scalar("SELECT Popis FROM Nabidky WHERE ID = 1").toString();
    const int items = Count("NabPolozky", "CisloNab = 1");
    const int history = Count("Akce", "ObjectID = 1");
    const int lastItem = Scalar("SELECT MAX(ID) FROM NabPolozky WHERE CisloNab = 1").toInt();
    CardDoes([&](TOfferDocument& doc) {
        doc.Header.Popis = "změněno";
        AppendItem(doc, "Nová položka", 50, 21, 2, 100);
        // Another station removes the last stored item while the card is open: its update will
        // find no row.
        Firm().Execute(QString("DELETE FROM NabPolozky WHERE ID = %1").arg(lastItem));
        return true;
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectError("\"NabPolozky\"");
    EXPECT_TRUE(EditOffer(false, false));
    EXPECT_EQ(Scalar("SELECT Popis FROM Nabidky WHERE ID = 1").toString(), popis);
    EXPECT_EQ(Count("NabPolozky", "CisloNab = 1"), items - 1);
    EXPECT_EQ(Count("NabPolozky", "Popis = 'Nová položka'"), 0);
    EXPECT_EQ(Count("Akce", "ObjectID = 1"), history);
    EXPECT_FALSE(Firm().InTransaction());
    EXPECT_FALSE(QFile::exists(RecordLockPath("Nabidky", 1)));
}

// A new offer whose save fails leaves no row behind, neither in the database nor in the list, and
// its automatic number is not used up.
TEST_F(NabidkaDataTest, ANewOfferWhoseSaveFailsLeavesNoTrace) {
    const int next = NextNumber();
    const int offers = Count("Nabidky");
    const int listed = List().RecordCount();
    CardDoes([&](TOfferDocument& doc) {
        AppendItem(doc, "Montáž", 100, 21, 1, 1);
        // An update of a row the card believes stored but that is not there.
        doc.mtTmpPolozky.Edit();
        doc.mtTmpPolozky.FieldByName("LockID")->SetAsInteger(999999);
        doc.mtTmpPolozky.Post();
        return true;
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectError("\"NabPolozky\"");
    EXPECT_TRUE(EditOffer(true, false));
    EXPECT_EQ(Count("Nabidky"), offers);
    EXPECT_EQ(List().RecordCount(), listed);
    EXPECT_EQ(NextNumber(), next);
    EXPECT_EQ(OfferCardData().Header.Doklad, kAutomaticNumberText);
}

TEST_F(NabidkaDataTest, AnEditedOfferIsWrittenByDifferenceDeletesFirst) {
    HistoryLevel = THistoryLevel::Detailed;
    StandOn(1);
    const int stored = Count("NabPolozky", "CisloNab = 1");
    ASSERT_GE(stored, 4);
    QStringList statements;
    const auto previous = Firm().OnExecuteComplete;
    Firm().OnExecuteComplete = [&](const QString& sql, int rows) {
        statements << sql.section(' ', 0, 0) + " " + (sql.contains("NabPolozky") ? "NabPolozky" : "");
        if (previous) previous(sql, rows);
    };
    int removedId = 0;
    CardDoes([&](TOfferDocument& doc) {
        EXPECT_EQ(doc.EditedOfferID, 1);
        EXPECT_EQ(doc.Header.Doklad, "NB00001");
        TMemTable& items = doc.mtTmpPolozky;
        EXPECT_EQ(items.RecordCount(), stored);
        EXPECT_EQ(doc.HeadingItemCount, 2);
        // Remove the second item, move the last one to the front, add one at the end.
        items.SetRecNo(2);
        removedId = items.FieldByName("LockID")->AsInteger();
        items.Delete();
        items.Last();
        items.Edit();
        items.FieldByName("Poradi")->SetAsInteger(0);
        items.Post();
        AppendItem(doc, "Nová položka", 50, 21, 2, 100);
        return true;
    });
    TScriptedDialogs dialogs;
    EXPECT_FALSE(EditOffer(false, false));
    Firm().OnExecuteComplete = previous;

    const QStringList items = statements.filter("NabPolozky");
    ASSERT_EQ(items.size(), stored + 1);
    EXPECT_EQ(items.front(), "DELETE NabPolozky");
    EXPECT_EQ(items[1], "INSERT NabPolozky");
    EXPECT_EQ(items.filter("UPDATE").size(), stored - 1);
    EXPECT_EQ(Count("NabPolozky", QString("ID = %1").arg(removedId)), 0);
    EXPECT_EQ(Count("NabPolozky", "CisloNab = 1"), stored);
    EXPECT_EQ(Count("NabPolozky", "CisloNab = 1 AND Poradi = 0"), 1);
    EXPECT_EQ(Count("NabPolozky", "CisloNab = 1 AND Popis = 'Nová položka' AND PocetMJ = 2"), 1);
    const auto history =
        Firm().OpenRowset("SELECT ActionType, ActionData1, ActionData2 FROM Akce WHERE ObjectID = 1");
    ASSERT_EQ(history->RowCount(), 1u);
    EXPECT_EQ(history->Value(0, 0).toInt(), 1);
    EXPECT_FALSE(history->Value(0, 1).toString().isEmpty());
    EXPECT_FALSE(history->Value(0, 2).toString().isEmpty());
    // The lock was held while the card was open and is gone afterwards.
    EXPECT_FALSE(QFile::exists(RecordLockPath("Nabidky", 1)));
}

TEST_F(NabidkaDataTest, HistoryLevelsDecideTheEntry) {
    struct Case {
        THistoryLevel level;
        int rows;
        bool snapshots;
    };
    const Case kCases[] = {
        {THistoryLevel::Off, 0, false}, {THistoryLevel::Basic, 1, false}, {THistoryLevel::Detailed, 1, true}};
    CardDoes([](TOfferDocument&) { return true; });
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        Firm().Execute("DELETE FROM Akce");
        HistoryLevel = c.level;
        StandOn(2);
        TScriptedDialogs dialogs;
        EXPECT_FALSE(EditOffer(false, false));
        EXPECT_EQ(Count("Akce", "ObjectID = 2"), c.rows);
        EXPECT_EQ(Count("Akce", "ObjectID = 2 AND ActionData1 <> ''"), c.snapshots ? 1 : 0);
    }
}

TEST_F(NabidkaDataTest, ACopyIsANewOfferWithTheSourcesItemsAndSharedDocuments) {
    // Offer 3 has a document in its own folder and one elsewhere.
    const QString own = OfferDocumentFolder(3);
    QDir().mkpath(own);
    ProgramFixture::WriteText(own + "plan.txt", "plán rozvaděče");
    const QString outside = Folder() + "foto.txt";
    ProgramFixture::WriteText(outside, "foto");
    Firm().Execute(
        "INSERT INTO DokumentyNab (Popis, Soubor, CisloNab) VALUES ('Plán', '%SDILENA_SLOZKA%plan.txt', 3)");
    Firm().Execute("INSERT INTO DokumentyNab (Popis, Soubor, CisloNab) VALUES ('Foto', '" + outside +
                   "', 3)");
    Firm().Execute("UPDATE Nabidky SET Zamek = True, FlagID = 4, TextKomentare = 'x' WHERE ID = 3");
    VatReducedRate = 12;
    VatBasicRate = 21;
    const int items = Count("NabPolozky", "CisloNab = 3");
    StandOn(3);
    CardDoes([](TOfferDocument& doc) {
        EXPECT_EQ(doc.EditedOfferID, 0);
        EXPECT_FALSE(doc.ReadOnlyView);
        EXPECT_EQ(doc.Header.IDStav, 0);
        EXPECT_FALSE(doc.Header.DatVyrizeni.has_value());
        EXPECT_EQ(doc.Header.DatVystaveni.value_or(0), Date());
        return true;
    });
    TScriptedDialogs dialogs;
    EXPECT_FALSE(EditOffer(false, true));

    const int copy = Scalar("SELECT MAX(ID) FROM Nabidky").toInt();
    EXPECT_NE(copy, 3);
    EXPECT_EQ(Count("Nabidky",
                    QString("ID = %1 AND Zamek = False AND FlagID = 0 AND TextKomentare = '' AND IDStav = 0")
                        .arg(copy)),
              1);
    EXPECT_EQ(Count("NabPolozky", QString("CisloNab = %1").arg(copy)), items);
    EXPECT_EQ(Count("NabPolozky", "CisloNab = 3"), items);
    EXPECT_TRUE(QFile::exists(OfferDocumentFolder(copy) + "plan.txt"));
    EXPECT_EQ(
        Count("DokumentyNab", QString("CisloNab = %1 AND Soubor = '%SDILENA_SLOZKA%plan.txt'").arg(copy)), 1);
    EXPECT_EQ(Count("DokumentyNab", QString("CisloNab = %1 AND Soubor = '%2'").arg(copy).arg(outside)), 1);
    // The source keeps its own rows.
    EXPECT_EQ(Count("DokumentyNab", "CisloNab = 3"), 2);
}

TEST_F(NabidkaDataTest, AMissingDocumentIsReportedAndStoredWithItsPath) {
    const QString gone = Folder() + "neni.pdf";
    int id = 0;
    CardDoes([&](TOfferDocument& doc) {
        doc.mtTmpDokumenty.Append();
        doc.mtTmpDokumenty.FieldByName("Popis")->SetAsString("Chybí");
        doc.mtTmpDokumenty.FieldByName("File")->SetAsString(gone);
        doc.mtTmpDokumenty.FieldByName("CopyFile")->SetAsBoolean(true);
        doc.mtTmpDokumenty.FieldByName("ID")->SetAsInteger(kNotStored);
        doc.mtTmpDokumenty.Post();
        return true;
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectError("již není platný");
    EXPECT_FALSE(EditOffer(true, false));
    id = Scalar("SELECT MAX(ID) FROM Nabidky").toInt();
    EXPECT_EQ(Count("DokumentyNab", QString("CisloNab = %1 AND Soubor = '%2'").arg(id).arg(gone)), 1);
}

TEST_F(NabidkaDataTest, RightsDecideWhatOpens) {
    struct Case {
        TAccessLevel level;
        bool isNew;
        bool stopped;
        const char* message;
        bool cardShown;
    };
    const Case kCases[] = {
        {TAccessLevel::ReadOnly, true, true, kNoRightsText, false},
        {TAccessLevel::NoAccess, false, true, kNoRightsText, false},
        {TAccessLevel::ReadOnly, false, false, kReadOnlyText, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.message);
        CurrentUser.Nabidky_AR = c.level;
        StandOn(2);
        const QString before = Scalar("SELECT Popis FROM Nabidky WHERE ID = 2").toString();
        bool shown = false;
        CardDoes([&](TOfferDocument& doc) {
            shown = true;
            EXPECT_TRUE(doc.ReadOnlyView);
            doc.Header.Popis = "změna";
            return true;
        });
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(c.message);
        EXPECT_EQ(EditOffer(c.isNew, false), c.stopped);
        EXPECT_EQ(shown, c.cardShown);
        EXPECT_EQ(Scalar("SELECT Popis FROM Nabidky WHERE ID = 2").toString(), before);
    }
}

TEST_F(NabidkaDataTest, ALockedOfferOrOneInUseOpensForViewingOnly) {
    Firm().Execute("UPDATE Nabidky SET Zamek = True WHERE ID = 4");
    StandOn(4);
    bool readOnly = false;
    CardDoes([&](TOfferDocument& doc) {
        readOnly = doc.ReadOnlyView;
        return true;
    });
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectInformation(kOfferLockedText);
        EXPECT_FALSE(EditOffer(false, false));
        EXPECT_TRUE(readOnly);
    }

    const QString lock = RecordLockPath("Nabidky", 2);
    QDir().mkpath(LockFolder);
    LockHolder other(lock, true);
    ASSERT_TRUE(other.Start());
    StandOn(2);
    TScriptedDialogs dialogs;
    dialogs.ExpectInformation(kRecordInUseText);
    EXPECT_FALSE(EditOffer(false, false));
    EXPECT_TRUE(readOnly);
    // The other station's lock file stays.
    EXPECT_TRUE(QFile::exists(lock));
}

TEST_F(NabidkaDataTest, AVanishedOfferStopsWithTheWarning) {
    StandOn(2);
    Firm().Execute("DELETE FROM Nabidky WHERE ID = 2");
    int refreshed = 0;
    OfferCardHooks().UpdateOfferListButtons = [&] { ++refreshed; };
    CardDoes([](TOfferDocument&) {
        ADD_FAILURE() << "no card for a vanished offer";
        return false;
    });
    TScriptedDialogs dialogs;
    dialogs.ExpectWarning(kRecordVanishedText);
    EXPECT_TRUE(EditOffer(false, false));
    EXPECT_EQ(refreshed, 1);
}

// Another station imports items in one long transaction while this one saves an offer: the save
// waits, says so, and goes through once the import has committed.
TEST_F(NabidkaDataTest, ASaveWaitsForAnotherStationsImportAndThenGoesThrough) {
    StandOn(1);
    StationWriting importing(Firm().FileName(), "INSERT INTO Zasoby (Popis) VALUES ('z importu')");
    ASSERT_TRUE(importing.Start());
    bool imported = false;
    TStationWait wait([&] { imported = importing.Finish(); });
    CardDoes([](TOfferDocument& doc) {
        doc.Header.Popis = QString::fromUtf8("Rozvaděč pro halu");
        return true;
    });
    TScriptedDialogs dialogs;
    EXPECT_FALSE(EditOffer(false, false));
    EXPECT_TRUE(wait.shownAsWaiting);
    EXPECT_TRUE(imported);
    EXPECT_EQ(Scalar("SELECT Popis FROM Nabidky WHERE ID = 1").toString(),
              QString::fromUtf8("Rozvaděč pro halu"));
    EXPECT_EQ(Count("Zasoby", "Popis = 'z importu'"), 1);
}
