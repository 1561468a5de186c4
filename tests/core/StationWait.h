#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>

#include "common/LockHolder.h"
#include "core/Working.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/DatabaseError.h"

// The program's wait for another station's write, installed for a test: the pauses between tries
// take no time, and the test acts once the working window has come up to say that this station
// waits. Everything program-wide is given back at the end.
class TStationWait {
public:
    explicit TStationWait(std::function<void()> whenShown)
        : savedHook_(TADOConnection::OnBusyWait), savedPause_(TADOConnection::BusyRetryWait) {
        TADOConnection::BusyRetryWait = [] { QThread::yieldCurrentThread(); };
        InstallDatabaseWait();
        TADOConnection::OnBusyWait = [program = TADOConnection::OnBusyWait, whenShown,
                                      this](TBusyWait event) {
            const bool goOn = program(event);
            if (event == TBusyWait::Began) {
                TfrmWorking* window = TfrmWorking::Instance();
                shownAsWaiting = window->isVisible() && window->isModal() &&
                                 window->lblInfo->text() == QString::fromUtf8(kWaitingForStationText) &&
                                 window->lblPrerusit->isVisible();
                ++waits;
                whenShown();
            }
            return goOn;
        };
    }
    ~TStationWait() {
        TADOConnection::OnBusyWait = savedHook_;
        TADOConnection::BusyRetryWait = savedPause_;
        WorkingCancelled = false;
    }
    TStationWait(const TStationWait&) = delete;
    TStationWait& operator=(const TStationWait&) = delete;

    // The working window stood over every other window with the waiting text and "<zrušit>".
    bool shownAsWaiting = false;
    int waits = 0;

    // What the user's click on "<zrušit>" does.
    static void StopWaiting() { QTest::mouseClick(TfrmWorking::Instance()->lblPrerusit, Qt::LeftButton); }

private:
    std::function<bool(TBusyWait)> savedHook_;
    std::function<void()> savedPause_;
};

// Another station importing while this one saves, and a user who stops waiting for it: the save
// fails as Busy. Finish lets the import commit and takes the wait away again.
class TImportNotWaitedFor {
public:
    TImportNotWaitedFor(const QString& database, const QString& sql) : importing_(database, sql) {
        EXPECT_TRUE(importing_.Start());
        wait_ = std::make_unique<TStationWait>([] { TStationWait::StopWaiting(); });
    }
    void Finish() {
        EXPECT_TRUE(importing_.Finish());
        wait_.reset();
    }
    // The error the save meets.
    static EDatabaseError Error() { return EDatabaseError(QString(), QString(), TDatabaseFailure::Busy); }

private:
    StationWriting importing_;
    std::unique_ptr<TStationWait> wait_;
};
