#pragma once

#include <QString>
#include <array>

#include "core/DataFolder.h"
#include "core/Locks.h"

// Keeps the program-wide folders, firm, start-up flags and change-stamp memory as they were
// before a test and puts them back after it, so that no test leans on what an earlier one left
// behind and the tests pass in any order.
class TProgramStateGuard {
public:
    TProgramStateGuard()
        : programFolder_(ProgramFolder),
          dataFolder_(DataFolder),
          printFolder_(PrintFolder),
          lockFolder_(LockFolder),
          privateTempFolder_(PrivateTempFolder),
          backupFolder_(BackupFolder),
          currentFirm_(CurrentFirm),
          runPrgFirst_(RunPrgFirst),
          runPrgSetup_(RunPrgSetup),
          builderMode_(BuilderMode),
          stampsSuspended_(ChangeStampsSuspended),
          lastSeenStamp_(LastSeenStamp) {}
    ~TProgramStateGuard() {
        ProgramFolder = programFolder_;
        DataFolder = dataFolder_;
        PrintFolder = printFolder_;
        LockFolder = lockFolder_;
        PrivateTempFolder = privateTempFolder_;
        BackupFolder = backupFolder_;
        CurrentFirm = currentFirm_;
        RunPrgFirst = runPrgFirst_;
        RunPrgSetup = runPrgSetup_;
        BuilderMode = builderMode_;
        ChangeStampsSuspended = stampsSuspended_;
        LastSeenStamp = lastSeenStamp_;
    }
    TProgramStateGuard(const TProgramStateGuard&) = delete;
    TProgramStateGuard& operator=(const TProgramStateGuard&) = delete;

private:
    QString programFolder_, dataFolder_, printFolder_, lockFolder_, privateTempFolder_, backupFolder_;
    QString currentFirm_;
    bool runPrgFirst_, runPrgSetup_, builderMode_, stampsSuspended_;
    std::array<TDateTime, kStampedTableCount> lastSeenStamp_;
};
