// An offer save killed halfway: whatever the moment, the offer stays stored whole as before or
// whole as after, with its history entry.

#include <gtest/gtest.h>

#include "core/CrashFixture.h"
#include "core/Startup.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaSoucty.h"
#include "offers/OfferFixture.h"
#include "platform/data/Field.h"

namespace {

constexpr int kItems = 300;
constexpr int kEditedOffer = 1;
const char* const kEditedText = "upraveno před pádem";
const char* const kNewText = "nová před pádem";

// The card's work: every item replaced by kItems new ones.
void ReplaceItems(TOfferDocument& doc, const QString& popis) {
    doc.Header.Popis = popis;
    TMemTable& items = doc.mtTmpPolozky;
    while (!items.IsEmpty()) {
        items.First();
        items.Delete();
    }
    for (int i = 1; i <= kItems; ++i) {
        AppendBlankItem(items);
        items.FieldByName("Popis")->SetAsString(QString("Položka %1").arg(i));
        items.FieldByName("PocetMJ")->SetAsFloat(i);
        items.FieldByName("SazbaDPH")->SetAsFloat(21);
        items.FieldByName("Poradi")->SetAsInteger(i);
        items.FieldByName("LockID")->SetAsInteger(kNotStored);
        items.Post();
    }
    RecalcOfferTotals();
}

// The child: saves the edited offer with its items replaced, then a new offer of as many items.
int SaveOffers(const QStringList& arguments) {
    ProgramFolder = arguments.value(0);
    const int stopAt = arguments.value(1).toInt();
    TScriptedDialogs noMessageExpected;
    TfrmMain main;
    if (RunStartup()) return 4;
    main.adqNabidky.SetSQL("SELECT * FROM Nabidky ORDER BY ID");
    main.adqNabidky.Open();
    int writes = 0;
    StopAtWrite(stopAt, writes);
    OfferCardHooks().ShowCard = [](TOfferDocument& doc) {
        ReplaceItems(doc, kEditedText);
        return doc.Save();
    };
    if (!main.adqNabidky.Locate("ID", kEditedOffer) || EditOffer(false, false)) return 5;
    const int first = writes;
    OfferCardHooks().ShowCard = [](TOfferDocument& doc) {
        ReplaceItems(doc, kNewText);
        return doc.Save();
    };
    if (EditOffer(true, false)) return 6;
    ReportWrites(first, writes);
    return 0;
}

const TTestChild kSaveOffers("save-offers", &SaveOffers);

// What the checks look at.
struct TStored {
    QString popis;
    std::set<int> items;
    int history = 0;
    int newOffers = 0;
    int newItems = 0;
    int newHistory = 0;
    int nextNumber = 0;
    int orphans = 0;  // items and history entries of no stored offer
};

class NabidkaDataCrashTest : public CrashFixture {
protected:
    TStored Read() {
        TADOConnection firm;
        OpenFirm(firm);
        auto value = [&](const QString& sql) { return firm.OpenRowset(sql)->Value(0, 0); };
        TStored s;
        s.popis = value(QString("SELECT Popis FROM Nabidky WHERE ID = %1").arg(kEditedOffer)).toString();
        const auto items =
            firm.OpenRowset(QString("SELECT ID FROM NabPolozky WHERE CisloNab = %1").arg(kEditedOffer));
        for (size_t r = 0; r < items->RowCount(); ++r) s.items.insert(items->Value(r, 0).toInt());
        s.history = value(QString("SELECT COUNT(*) FROM Akce WHERE ObjectID = %1").arg(kEditedOffer)).toInt();
        const QString newOffer = QString("(SELECT ID FROM Nabidky WHERE Popis = '%1')").arg(kNewText);
        s.newOffers = value(QString("SELECT COUNT(*) FROM Nabidky WHERE Popis = '%1'").arg(kNewText)).toInt();
        s.newItems = value("SELECT COUNT(*) FROM NabPolozky WHERE CisloNab IN " + newOffer).toInt();
        s.newHistory = value("SELECT COUNT(*) FROM Akce WHERE ObjectID IN " + newOffer).toInt();
        s.nextNumber = value("SELECT Cislo FROM CisRady WHERE ModulOzn = 'NB'").toInt();
        s.orphans =
            value("SELECT COUNT(*) FROM NabPolozky WHERE CisloNab NOT IN (SELECT ID FROM Nabidky)").toInt() +
            value("SELECT COUNT(*) FROM Akce WHERE ObjectID NOT IN (SELECT ID FROM Nabidky)").toInt();
        return s;
    }

    // 0 when the edited offer is stored as before, 1 as after, -1 for anything between.
    static int EditedState(const TStored& now, const TStored& before) {
        if (now.popis == before.popis && now.items == before.items && now.history == before.history) return 0;
        if (now.popis == kEditedText && now.items.size() == size_t(kItems) &&
            now.history == before.history + 1)
            return 1;
        return -1;
    }
    // The same for the new offer; its number is drawn with it or not at all.
    static int NewState(const TStored& now, const TStored& before) {
        if (now.newOffers == 0 && now.nextNumber == before.nextNumber) return 0;
        if (now.newOffers == 1 && now.newItems == kItems && now.newHistory == 1 &&
            now.nextNumber == before.nextNumber + 1)
            return 1;
        return -1;
    }
};

TEST_F(NabidkaDataCrashTest, AnOfferSaveKilledAtAnyWriteLeavesTheOfferWholeAsBeforeOrAfter) {
    RestoreFirm();
    const TStored before = Read();
    ASSERT_FALSE(before.items.empty());
    ASSERT_EQ(before.orphans, 0);

    int first = 0, all = 0;
    RunToEnd("save-offers", first, all);
    ASSERT_GT(first, kItems);
    ASSERT_GT(all, first + kItems);
    const TStored after = Read();
    EXPECT_EQ(EditedState(after, before), 1);
    EXPECT_EQ(NewState(after, before), 1);

    int editedAfter = 0;
    const std::set<int> points = KillPoints(first, all);
    for (int point : points) {
        SCOPED_TRACE(QString("killed after write %1 of %2").arg(point).arg(all).toStdString());
        KillAt("save-offers", point);
        const TStored now = Read();
        const int edited = EditedState(now, before);
        EXPECT_NE(edited, -1) << "offer " << kEditedOffer << ": \"" << now.popis.toStdString() << "\", "
                              << now.items.size() << " items, " << now.history << " history entries";
        EXPECT_NE(NewState(now, before), -1)
            << now.newOffers << " new offers, " << now.newItems << " items, " << now.newHistory
            << " history entries, next number " << now.nextNumber;
        EXPECT_EQ(now.orphans, 0);
        // Killed inside the first save, nothing of the second one exists.
        if (point <= first) {
            EXPECT_EQ(NewState(now, before), 0);
        }
        if (edited == 1) ++editedAfter;
    }
    // The kills fell inside the saves and after the first one's end alike.
    EXPECT_GT(editedAfter, 0);
    EXPECT_LT(editedAfter, int(points.size()));
}

}  // namespace
