#pragma once

#include <QDir>

#include "common/TempDir.h"
#include "core/DataFolder.h"
#include "core/Locks.h"
#include "core/ProgramStateGuard.h"

// A data folder with its lock folder for the firm "FIRMA", and the station's stamp memory wiped,
// so every test starts as a station that has seen no change yet; all of it is put back afterwards.
class FirmFolderTest : public TempDirTest {
protected:
    void SetUp() override {
        DataFolder = Folder();
        LockFolder = Folder() + "LOCK/";
        QDir().mkpath(LockFolder);
        CurrentFirm = "FIRMA";
        ChangeStampsSuspended = false;
        LastSeenStamp = {0, 0, 0};
    }

private:
    TProgramStateGuard savedState_;
};
