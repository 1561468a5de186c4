#include "platform/db/Transaction.h"

#include "platform/db/ADOConnection.h"

TTransaction::TTransaction(TADOConnection& connection) : connection_(connection) {
    if (connection_.InTransaction())
        savepoint_ = connection_.BeginSavepoint();
    else
        connection_.BeginTrans();
}

TTransaction::~TTransaction() {
    // A destructor may run while an exception unwinds: a failed rollback is not reported on top
    // of it. The engine undoes whatever stays unfinished when the connection closes.
    try {
        Rollback();
    } catch (...) {
    }
}

void TTransaction::Commit() {
    if (!active_) return;
    if (savepoint_ > 0)
        connection_.ReleaseSavepoint(savepoint_);
    else
        connection_.CommitTrans();
    active_ = false;
}

void TTransaction::Rollback() {
    if (!active_) return;
    active_ = false;
    if (savepoint_ > 0)
        connection_.RollbackToSavepoint(savepoint_);
    else if (connection_.InTransaction())
        connection_.RollbackTrans();
    if (AfterRollback) AfterRollback();
}
