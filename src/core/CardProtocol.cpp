#include "core/CardProtocol.h"

#include <QCoreApplication>

#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"

int RequeryAndLocate(TADOQuery& dataset) {
    // An empty list remembers 0, which no record has, so it answers "gone".
    const int id = dataset.IsEmpty() ? 0 : dataset.FieldByName("ID")->AsInteger();
    dataset.Requery();
    return dataset.Locate("ID", id) ? 0 : -1;
}

int GetIDAfterDelete(TDataSet& query, const QString& fieldName) {
    const int count = query.RecordCount();
    if (count < 2) return -1;
    query.DisableControls();
    const int recNo = query.RecNo();
    query.SetRecNo(recNo < count ? recNo + 1 : recNo - 1);
    const int id = query.FieldByName(fieldName)->AsInteger();
    query.SetRecNo(recNo);
    query.EnableControls();
    QCoreApplication::processEvents();
    return id;
}

bool TCardSession::Begin(bool hasRight, TADOQuery* list, const QString& stampedTable, bool newRecord) {
    if (!hasRight) {
        ShowInformation(QString::fromUtf8(kAccessDeniedText));
        return false;
    }
    if (!list) return true;
    if (!stampedTable.isEmpty() && !ChangeStampDiffers(stampedTable)) return true;
    if (RequeryAndLocate(*list) != 0 && !newRecord) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return false;
    }
    return true;
}

bool TCardSession::Lock(const QString& lockPath) {
    readOnly_ = false;
    switch (lock_.Take(lockPath)) {
        case TRecordLock::Taken:
            return true;
        case TRecordLock::InUse:
            ShowInformation(QString::fromUtf8(kRecordInUseText));
            readOnly_ = true;
            return true;
        case TRecordLock::Failed:
            break;
    }
    return false;
}

bool TCardSession::AfterSave(TADOQuery& list, int rowsAffected, int newId) {
    if (rowsAffected == 0) {
        ShowError(QString::fromUtf8(kSaveFailedText));
        return false;
    }
    RequeryAndLocate(list);
    if (newId != 0 && !list.Locate("ID", newId)) {
        ShowError(QString::fromUtf8(kNewRecordNotFoundText));
        return false;
    }
    return true;
}

bool PrepareRecordDelete(TADOQuery& list, const QString& lockPath, int& standOnId) {
    standOnId = -1;
    if (RequeryAndLocate(list) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return false;
    }
    if (TestRecordLock(lockPath)) {
        ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        return false;
    }
    standOnId = GetIDAfterDelete(list, "ID");
    return true;
}
