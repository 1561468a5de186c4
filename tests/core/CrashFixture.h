#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "common/ScriptedDialogs.h"
#include "common/TestChild.h"
#include "core/Main.h"
#include "core/ProgramFixture.h"
#include "platform/db/ADOConnection.h"

// Saves killed halfway, as a crash or a power cut ends them. A child process (TestChild.h) starts
// the program a second time in the fixture's folders and saves; with a stop number it halts right
// after that write of the firm connection and the test kills it there (SIGKILL: no clean-up of any
// kind), then opens the firm as the next station would and checks what is stored. The moments are
// writes, not times, so every run stops at the same place.

// The child's side: counts the firm connection's writes from now on; at write number stopAt it
// writes "stop" and waits to be killed (its input closing, the test gone, ends it just as hard).
inline void StopAtWrite(int stopAt, int& writes) {
    TADOConnection& firm = frmMain->ADOConAgenda;
    auto previous = firm.OnExecuteComplete;
    firm.OnExecuteComplete = [previous, stopAt, &writes](const QString& sql, int rows) {
        if (previous) previous(sql, rows);
        if (++writes != stopAt) return;
        std::fputs("stop\n", stdout);
        std::fflush(stdout);
        char c;
        while (::read(STDIN_FILENO, &c, 1) > 0) {
        }
        std::_Exit(3);
    };
}

// The child's report at the end of a run to the end: the writes after its first save and in all.
inline void ReportWrites(int first, int all) {
    std::printf("writes %d %d\n", first, all);
    std::fflush(stdout);
}

class CrashFixture : public ProgramFixture {
protected:
    // Kill points spread evenly over the writes, besides the first and the last of each save.
    static constexpr int kKillPoints = 24;

    void SetUp() override {
        ProgramFixture::SetUp();
        {
            TScriptedDialogs dialogs;
            StartWithDemo();
        }
        firmFile_ = main_->ADOConAgenda.FileName();
        // Only the children work on the firm; this process looks at it between them.
        main_.reset();
        pristine_ = Folder() + "pristine.MDB";
        ASSERT_TRUE(QFile::copy(firmFile_, pristine_));
    }

    // The firm as it was before any child ran.
    void RestoreFirm() {
        QFile::remove(firmFile_ + "-journal");
        QFile::remove(firmFile_);
        ASSERT_TRUE(QFile::copy(pristine_, firmFile_));
    }

    // Runs the child to its end on the restored firm; the writes of its first save and of all.
    void RunToEnd(const QString& child, int& first, int& all) {
        RestoreFirm();
        TTestChildProcess process;
        ASSERT_TRUE(process.Start(child, {ProgramFolder, "0"}));
        const QStringList counts = process.ReadLine().split(' ');
        ASSERT_EQ(process.Finish(), 0);
        ASSERT_EQ(counts.size(), 3);
        first = counts[1].toInt();
        all = counts[2].toInt();
        ASSERT_GT(first, 0);
        ASSERT_GT(all, first);
    }

    // The writes to stop at: the first and last of each save and kKillPoints between.
    static std::set<int> KillPoints(int first, int all) {
        std::set<int> points = {1, first, first + 1, all};
        for (int i = 0; i < kKillPoints; ++i) points.insert(1 + i * (all - 1) / (kKillPoints - 1));
        return points;
    }

    // Runs the child on the restored firm and kills it right after write number point.
    void KillAt(const QString& child, int point) {
        RestoreFirm();
        TTestChildProcess process;
        ASSERT_TRUE(process.Start(child, {ProgramFolder, QString::number(point)}));
        ASSERT_EQ(process.ReadLine(), "stop");
        process.Kill();
    }

    // Opening the firm finishes what a killed writer left, as the next station to open it would.
    void OpenFirm(TADOConnection& firm) { firm.Open(firmFile_); }

    QString firmFile_;
    QString pristine_;
};
