#include "core/CardProtocol.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/DatabaseError.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnScopeGuard.h"

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

QString DatabaseFailureText(const EDatabaseError& error) {
    switch (error.Failure()) {
        case TDatabaseFailure::Busy:
            return QString::fromUtf8(
                "databázi právě zapisuje jiná stanice a čekání na dokončení jejího zápisu bylo přerušeno.");
        case TDatabaseFailure::DiskFull:
            return QString::fromUtf8("na disku s daty není dost volného místa.");
        case TDatabaseFailure::Damaged:
            return QString::fromUtf8("soubor databáze je poškozený.");
        case TDatabaseFailure::Unreachable:
            return QString::fromUtf8(
                "soubor databáze nelze číst ani zapisovat (je složka s daty dostupná?).");
        case TDatabaseFailure::ReadOnly:
            return QString::fromUtf8(
                "do databáze nelze zapisovat (soubor nebo složka s daty je jen pro čtení).");
        case TDatabaseFailure::Other:
            break;
    }
    // A check of the data (a trigger, a unique index) words its own reason; it is shown as it stands.
    return QString::fromUtf8("databáze ohlásila chybu (%1).").arg(error.Message());
}

void ShowSaveFailure(const EDatabaseError& error) {
    ShowError(QString::fromUtf8(kSaveNotDoneText).arg(DatabaseFailureText(error)));
}

bool RunCardSave(QWidget* card, const std::function<bool()>& save) {
    if (!save) return true;
    const QPointer<QWidget> focused = QApplication::focusWidget();
    card->setEnabled(false);
    const TScopeGuard enable([&] {
        card->setEnabled(true);
        if (focused) focused->setFocus();
    });
    return save();
}

bool SaveKeepingCardOpen(const std::function<void()>& save) {
    try {
        save();
        return true;
    } catch (const EDatabaseError& error) {
        // The save is over: its working window must not stand over the message. Hidden without
        // pumping messages, so nothing else runs between the failure and the card coming back.
        TfrmWorking::Instance()->hide();
        ShowSaveFailure(error);
        return false;
    }
}
