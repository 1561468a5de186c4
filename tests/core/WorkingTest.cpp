#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include "core/StationWait.h"
#include "core/Working.h"
#include "platform/db/ADOConnection.h"

TEST(WorkingTest, ShowReplacesTextAndInterruptLabel) {
    ShowWorking(true, "Načítám adresu\rprosím čekejte...", false);
    TfrmWorking* window = TfrmWorking::Instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->lblPrerusit->isVisible());
    EXPECT_EQ(window->lblInfo->text(), QString::fromUtf8("Načítám adresu\nprosím čekejte..."));
    EXPECT_EQ(window->size(), QSize(346, 74));

    ShowWorking(true, "Jiný text", true);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->lblPrerusit->isVisible());
    EXPECT_EQ(window->lblPrerusit->text(), QString::fromUtf8("<zrušit>"));
    EXPECT_EQ(window->lblInfo->text(), QString::fromUtf8("Jiný text"));

    ShowWorking(false, "ignored", true);
    EXPECT_FALSE(window->isVisible());
}

TEST(WorkingTest, ClickOnInterruptLabelOnlySetsTheFlag) {
    WorkingCancelled = false;
    ShowWorking(true, "Přeceňuji", true);
    TfrmWorking* window = TfrmWorking::Instance();
    QTest::mouseClick(window->lblPrerusit, Qt::LeftButton);
    EXPECT_TRUE(WorkingCancelled);
    EXPECT_TRUE(window->isVisible());
    // Showing the window again does not clear the flag; only the operations do.
    ShowWorking(true, "Další krok", true);
    EXPECT_TRUE(WorkingCancelled);
    ShowWorking(false);
    WorkingCancelled = false;
}

// A statement that waits for another connection's write takes the working window over while it
// waits and gives it back as it was: the operation that was running goes on under its own text.
TEST(WorkingTest, AWaitForAnotherStationTakesTheWindowOverAndGivesItBack) {
    struct Case {
        const char* name;
        bool shownBefore;
        bool stop;
    };
    const Case kCases[] = {
        {"the save's own window comes back", true, false},
        {"a window nobody showed goes away again", false, false},
        {"the user stops waiting", true, true},
    };
    QTemporaryDir folder;
    const QString path = folder.filePath("Firma.MDB");
    TADOConnection::CreateDatabase(path);
    TADOConnection holder, station;
    holder.Open(path);
    station.Open(path);
    holder.Execute("CREATE TABLE T (x INTEGER)");
    TfrmWorking* window = TfrmWorking::Instance();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ShowWorking(c.shownBefore, "Ukládání položky\rprosím čekejte...", false);
        // An interrupt asked of the running operation before the wait stays asked.
        WorkingCancelled = true;
        bool clearedForTheWait = false;
        holder.BeginTrans();
        holder.Execute("INSERT INTO T VALUES (1)");
        TStationWait wait([&] {
            clearedForTheWait = !WorkingCancelled;
            if (c.stop)
                TStationWait::StopWaiting();
            else
                holder.CommitTrans();
        });
        if (c.stop) {
            try {
                station.Execute("INSERT INTO T VALUES (2)");
                ADD_FAILURE() << "the statement did not fail";
            } catch (const EDatabaseError& e) {
                EXPECT_EQ(e.Failure(), TDatabaseFailure::Busy);
            }
            holder.RollbackTrans();
        } else {
            EXPECT_EQ(station.Execute("INSERT INTO T VALUES (2)"), 1);
        }
        EXPECT_TRUE(wait.shownAsWaiting);
        EXPECT_TRUE(clearedForTheWait);
        EXPECT_TRUE(WorkingCancelled);
        EXPECT_EQ(window->isVisible(), c.shownBefore);
        EXPECT_FALSE(window->isModal());
        EXPECT_EQ(window->lblInfo->text(), QString::fromUtf8("Ukládání položky\nprosím čekejte..."));
        EXPECT_FALSE(window->lblPrerusit->isVisibleTo(window));
        ShowWorking(false);
        WorkingCancelled = false;
    }
}
