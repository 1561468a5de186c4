#pragma once

#include <functional>

class TADOConnection;

// One unit of work on a database: what is written between its start and Commit is stored
// together or not at all. A scope that ends without Commit (an early return, an exception, a
// process killed halfway) leaves the database as it was before the unit began.
//
// A unit started while the connection already has a transaction open becomes a savepoint of that
// transaction: its writes are undone on their own when it is not committed, and they are stored
// only when the outer transaction commits. So a save may be called alone or as one step of a
// larger one without knowing which.
//
//   TTransaction transaction(frmMain->ADOConAgenda);
//   ... write the header, the child rows, the history ...
//   transaction.Commit();
class TTransaction {
public:
    explicit TTransaction(TADOConnection& connection);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

    // Stores the unit's writes (into the outer transaction when nested). Throws EDatabaseError
    // when the engine refuses; the unit is then undone by the destructor.
    void Commit();
    // Undoes the unit's writes now rather than at the end of the scope (so that a message about
    // the failure is shown without holding the database). Does nothing once committed.
    void Rollback();
    bool Active() const { return active_; }

    // Runs once the unit has been undone: data read inside it (a list requeried to stand on the
    // new record) must not go on showing what was not stored.
    std::function<void()> AfterRollback;

private:
    TADOConnection& connection_;
    int savepoint_ = 0;  // 0: this unit owns the transaction
    bool active_ = true;
};
